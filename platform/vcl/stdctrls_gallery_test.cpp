// A gallery of the standard controls in their states, saved as a PNG for
// people to look at, with pixel probes of the parts that must show.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/vcl/drawframe.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class StdGallery : public TStdTest {};

template <class T>
T* Place(TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H, const String& Caption = String()) {
  auto* c = new T(Parent->Owner() != nullptr ? Parent->Owner() : Parent);
  c->SetParent(Parent);
  c->SetBounds(X, Y, W, H);
  if (!Caption.empty()) c->SetCaption(Caption);
  return c;
}

TEST_F(StdGallery, EveryControlInItsStates) {
  Form->SetBounds(20, 20, 620, 420);
  TForm* f = Form.get();
  auto* normal = Place<TButton>(f, 10, 10, 75, 25, "&Normal");
  auto* def = Place<TButton>(f, 95, 10, 75, 25, "Default");
  def->SetDefault(true);
  auto* pressed = Place<TButton>(f, 180, 10, 75, 25, "Pressed");
  auto* disabled = Place<TButton>(f, 265, 10, 75, 25, "Disabled");
  disabled->SetEnabled(false);
  auto* focused = Place<TButton>(f, 350, 10, 75, 25, "Focused");

  auto* cb1 = Place<TCheckBox>(f, 10, 45, 100, 17, "Unchecked");
  EXPECT_FALSE(cb1->Checked());
  auto* cb2 = Place<TCheckBox>(f, 115, 45, 100, 17, "Checked");
  cb2->SetChecked(true);
  auto* cb3 = Place<TCheckBox>(f, 220, 45, 100, 17, "Grayed");
  cb3->SetAllowGrayed(true);
  cb3->SetState(TCheckBoxState::cbGrayed);
  auto* cb4 = Place<TCheckBox>(f, 325, 45, 100, 17, "Disabled");
  cb4->SetChecked(true);
  cb4->SetEnabled(false);
  auto* rb1 = Place<TRadioButton>(f, 10, 70, 100, 17, "Radio on");
  rb1->SetChecked(true);
  Place<TRadioButton>(f, 115, 70, 100, 17, "Radio off");

  Place<TLabel>(f, 10, 95, 80, 17, "A &label");
  auto* dl = Place<TLabel>(f, 100, 95, 80, 17, "Disabled label");
  dl->SetEnabled(false);
  auto* st = Place<TStaticText>(f, 220, 95, 80, 17, "Static text");
  st->SetBorderStyle(TStaticBorderStyle::sbsSunken);

  auto* edit = Place<TEdit>(f, 10, 120, 150, 21);
  edit->SetText("Selected text");
  auto* ro = Place<TEdit>(f, 170, 120, 120, 21);
  ro->SetText("Read-only");
  ro->SetReadOnly(true);
  auto* de = Place<TEdit>(f, 300, 120, 120, 21);
  de->SetText("Disabled");
  de->SetEnabled(false);
  auto* memo = Place<TMemo>(f, 10, 150, 150, 70);
  memo->SetText("A memo with a few words that wrap\r\nand a second paragraph");

  auto* list = Place<TListBox>(f, 170, 150, 120, 70);
  for (const char* s : {"First", "Second", "Third"}) list->Items()->Add(s);
  list->SetItemIndex(1);
  auto* combo = Place<TComboBox>(f, 300, 150, 120, 21);
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  for (const char* s : {"One", "Two"}) combo->Items()->Add(s);
  combo->SetItemIndex(0);
  auto* combo2 = Place<TComboBox>(f, 300, 180, 120, 21);
  combo2->SetText("Editable");

  auto* panel = Place<TPanel>(f, 10, 230, 150, 50, "Panel");
  panel->SetBevelInner(TBevelCut::bvLowered);
  auto* group = Place<TGroupBox>(f, 170, 230, 150, 80, "Group");
  Place<TCheckBox>(group, 10, 25, 100, 17, "Inside");
  auto* bevel = Place<TBevel>(f, 330, 230, 80, 40);
  bevel->SetShape(TBevelShape::bsFrame);
  auto* shape = Place<TShape>(f, 420, 230, 60, 40);
  shape->SetShape(TShapeType::stRoundRect);
  shape->Brush()->SetColor(clSkyBlue);

  ShowForm();
  edit->SetFocus();
  edit->SelectAll();
  Pump();
  pressed->Perform(BM_SETSTATE, 1, 0);
  Pump();

  // Probes while the edit has the focus: its selection, the default frame,
  // the pressed edge, the check mark, the panel's edges.
  EXPECT_GT(CountColor(edit->Handle(), Rect(0, 0, 100, 17), Rgb(clHighlight)), 0);
  EXPECT_EQ(PixelOf(def->Handle(), 0, 0), Rgb(clWindowFrame));
  EXPECT_EQ(PixelOf(pressed->Handle(), 0, 0), Rgb(clBtnShadow));
  EXPECT_EQ(PixelOf(normal->Handle(), 0, 0), Rgb(cl3DLight));
  EXPECT_EQ(CountColor(cb2->Handle(), Rect(3, 5, 10, 12), Rgb(clWindowText)), 21);
  EXPECT_EQ(CountColor(cb3->Handle(), Rect(3, 5, 10, 12), Rgb(clBtnShadow)), 21);
  EXPECT_EQ(CountColor(cb4->Handle(), Rect(3, 5, 10, 12), Rgb(clGrayText)), 21);
  EXPECT_EQ(PixelOf(panel->Handle(), 0, 25), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(panel->Handle(), 1, 25), Rgb(clBtnShadow)) << "the lowered inner bevel";
  EXPECT_GT(CountColor(list->Handle(), list->ClientRect(), Rgb(clHighlight)), 0);
  EXPECT_GT(CountColor(rb1->Handle(), Rect(0, 0, 12, 17), Rgb(clWindowText)), 0);
  // The focused button shows focus dots 4 pixels in.
  focused->SetFocus();
  Pump();
  EXPECT_LT(CountColor(focused->Handle(), Rect(4, 4, 71, 5), Rgb(clBtnFace)), 67);
  EXPECT_EQ(PixelOf(focused->Handle(), 0, 0), Rgb(clWindowFrame)) << "the focused button is the default";

  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "vcl_std_gallery.png";
  std::filesystem::remove(file);
  std::unique_ptr<TBitmap> shot = WindowPixels(Form->Handle(), true);
  ASSERT_TRUE(shot);
  ASSERT_TRUE(SavePng(*shot, file.string()));
  if (std::filesystem::exists("/usr/bin/pngcheck")) {
    const String cmd = "/usr/bin/pngcheck -q '" + file.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "pngcheck " << file;
  }
}

}  // namespace
