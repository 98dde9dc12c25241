// A gallery of the common controls in their states, saved as a PNG for
// people to look at, with pixel probes of the parts that must show (edges,
// selections, images, colours; never rendered text).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class ComGallery : public TStdTest {};

// Placed where given, whatever the class's default alignment.
template <class T>
T* Place(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H) {
  auto* c = new T(Owner);
  c->SetAlign(TAlign::alNone);
  c->SetBounds(X, Y, W, H);
  c->SetParent(Parent);
  return c;
}

// An image list of Size-pixel squares in the given colours, each with a
// one-pixel black border.
TImageList* Squares(TComponent* Owner, int32_t Size, std::initializer_list<TColor> Colors) {
  auto* list = new TImageList(Owner);
  list->SetWidth(Size);
  list->SetHeight(Size);
  for (TColor c : Colors) {
    TBitmap pic;
    pic.SetPixelFormat(TPixelFormat::pf24bit);
    pic.SetSize(Size, Size);
    pic.Canvas()->Brush()->SetColor(clBlack);
    pic.Canvas()->FillRect(TRect{0, 0, Size, Size});
    pic.Canvas()->Brush()->SetColor(c);
    pic.Canvas()->FillRect(TRect{1, 1, Size - 1, Size - 1});
    list->Add(&pic, nullptr);
  }
  return list;
}

TEST_F(ComGallery, EveryControlInItsStates) {
  Form->SetBounds(20, 20, 640, 460);
  TForm* f = Form.get();
  TImageList* small = Squares(f, 16, {clRed, clLime, clBlue});
  TImageList* large = Squares(f, 32, {clRed, clLime, clBlue});

  // A report list with grid lines, check boxes and small images; it gets the focus.
  auto* report = Place<TListView>(f, f, 8, 8, 260, 120);
  report->SetViewStyle(TViewStyle::vsReport);
  report->SetSmallImages(small);
  report->SetGridLines(true);
  report->SetCheckboxes(true);
  report->SetMultiSelect(true);
  const char* cols[] = {"Name", "Size", "Type"};
  const int32_t widths[] = {110, 60, 70};
  for (int32_t i = 0; i < 3; ++i) {
    TListColumn* c = report->Columns()->Add();
    c->SetCaption(cols[i]);
    c->SetWidth(widths[i]);
    if (i == 1) c->SetAlignment(TAlignment::taRightJustify);
  }
  const char* names[] = {"beach.jpg", "city.png", "forest.tif", "lake.bmp"};
  for (int32_t i = 0; i < 4; ++i) {
    TListItem* it = report->Items()->Add();
    it->SetCaption(names[i]);
    it->SetImageIndex(i % 3);
    it->SubItems()->Add(std::to_string(10 * (i + 1)) + " KB");
    it->SubItems()->Add("Picture");
  }
  report->Items()->Item(0)->SetChecked(true);
  report->Items()->Item(1)->SetSelected(true);
  report->Items()->Item(2)->SetSelected(true);
  report->Items()->Item(3)->SetCut(true);

  // An icon list whose selection shows while unfocused.
  auto* icons = Place<TListView>(f, f, 276, 8, 170, 120);
  icons->SetViewStyle(TViewStyle::vsIcon);
  icons->SetLargeImages(large);
  icons->SetHideSelection(false);
  for (int32_t i = 0; i < 3; ++i) {
    TListItem* it = icons->Items()->Add();
    it->SetCaption(names[i]);
    it->SetImageIndex(i);
  }
  icons->Items()->Item(1)->SetSelected(true);

  // A tree with lines, buttons, images, an open and a closed branch.
  auto* tree = Place<TTreeView>(f, f, 454, 8, 178, 120);
  tree->SetImages(small);
  tree->SetHideSelection(false);
  auto node = [&](TTreeNode* Parent, const char* Text, int32_t Image) {
    TTreeNode* n = tree->Items()->AddChild(Parent, Text);
    n->SetImageIndex(Image);
    n->SetSelectedIndex(Image);
    return n;
  };
  TTreeNode* pictures = node(nullptr, "Pictures", 0);
  TTreeNode* trips = node(pictures, "Trips", 1);
  node(trips, "Summer", 2);
  TTreeNode* docs = node(nullptr, "Documents", 0);
  node(docs, "Letters", 1);
  pictures->Expand(false);
  trips->Expand(false);
  tree->SetSelected(trips);

  // A header control with an image on the right of a section's text.
  auto* header = Place<THeaderControl>(f, f, 8, 136, 300, 22);
  header->SetImages(small);
  const char* sections[] = {"Left", "Centre", "Right"};
  for (int32_t i = 0; i < 3; ++i) {
    THeaderSection* s = header->Sections()->Add();
    s->SetText(sections[i]);
    s->SetWidth(100);
    s->SetAlignment(i == 0 ? TAlignment::taLeftJustify : i == 1 ? TAlignment::taCenter : TAlignment::taRightJustify);
  }
  header->Sections()->Items(1)->SetImageIndex(1);

  // A tab control and a page control with a hidden page.
  auto* tabs = Place<TTabControl>(f, f, 8, 166, 300, 70);
  tabs->SetTabHeight(20);
  tabs->SetTabWidth(60);
  for (const char* t : {"General", "Colour", "Size"}) tabs->Tabs()->Add(t);
  tabs->SetTabIndex(1);
  auto* pages = Place<TPageControl>(f, f, 316, 136, 316, 100);
  pages->SetTabHeight(20);
  pages->SetTabWidth(60);
  pages->SetImages(small);
  TTabSheet* sheets[3];
  for (int32_t i = 0; i < 3; ++i) {
    sheets[i] = new TTabSheet(f);
    sheets[i]->SetCaption(i == 0 ? "Files" : i == 1 ? "Hidden" : "Options");
    sheets[i]->SetImageIndex(i);
    sheets[i]->SetPageControl(pages);
  }
  sheets[1]->SetTabVisible(false);
  auto* check = Place<TCheckBox>(sheets[2], f, 8, 8, 120, 17);
  check->SetCaption("On a sheet");
  check->SetChecked(true);
  pages->SetActivePage(sheets[2]);

  // A tool bar: a button, a separator, a check button down, a drop-down, a divider, a disabled one.
  auto* toolbar = Place<TToolBar>(f, f, 8, 244, 300, 29);
  toolbar->SetImages(small);
  TToolButton* buttons[6];
  const TToolButtonStyle styles[] = {TToolButtonStyle::tbsButton,  TToolButtonStyle::tbsSeparator,
                                     TToolButtonStyle::tbsCheck,   TToolButtonStyle::tbsDropDown,
                                     TToolButtonStyle::tbsDivider, TToolButtonStyle::tbsButton};
  for (int32_t i = 0; i < 6; ++i) {
    buttons[i] = new TToolButton(f);
    buttons[i]->SetParent(toolbar);
    buttons[i]->SetStyle(styles[i]);
    buttons[i]->SetImageIndex(i % 3);
  }
  buttons[2]->SetDown(true);
  buttons[5]->SetEnabled(false);

  // A cool bar with two bands on one row.
  auto* cool = Place<TCoolBar>(f, f, 316, 244, 316, 60);
  cool->SetImages(small);
  auto* band1 = Place<TEdit>(cool, f, 0, 0, 80, 22);
  band1->SetText("Band");
  cool->Bands()->Items(0)->SetText("Find");
  cool->Bands()->Items(0)->SetImageIndex(0);
  cool->Bands()->Items(0)->SetWidth(170);
  auto* band2 = Place<TPanel>(cool, f, 0, 0, 60, 22);
  band2->SetCaption("Panel");

  // A control bar with two bands.
  auto* cbar = Place<TControlBar>(f, f, 8, 310, 300, 60);
  auto* bandOne = Place<TPanel>(cbar, f, 0, 0, 80, 20);
  bandOne->SetCaption("One");
  auto* bandTwo = Place<TPanel>(cbar, f, 120, 0, 60, 20);
  bandTwo->SetCaption("Two");

  // A rich edit with its own background and a red bold text.
  auto* rich = Place<TRichEdit>(f, f, 316, 310, 316, 80);
  rich->SetText("Plain rich text\r\nin red and bold");
  rich->SetColor(TColor(RGB(255, 255, 200)));
  rich->DefAttributes()->SetColor(clRed);
  rich->DefAttributes()->SetStyle(TFontStyles{TFontStyle::fsBold});

  // A status bar with lowered, raised and borderless panels.
  auto* status = new TStatusBar(f);
  status->SetParent(f);
  const TStatusPanelBevel bevels[] = {TStatusPanelBevel::pbLowered, TStatusPanelBevel::pbRaised,
                                      TStatusPanelBevel::pbNone};
  for (int32_t i = 0; i < 3; ++i) {
    TStatusPanel* p = status->Panels()->Add();
    p->SetText(i == 0 ? "3 files" : i == 1 ? "Raised" : "None");
    p->SetWidth(120);
    p->SetBevel(bevels[i]);
  }

  ShowForm();
  report->SetFocus();
  Pump();

  // Report list: the header's raised edge, the focused selection, an image.
  EXPECT_EQ(PixelOf(report->HeaderHandle(), 0, 0), Rgb(cl3DLight));
  for (int32_t i : {1, 2}) {
    const TRect r = report->Items()->Item(i)->DisplayRect(TDisplayCode::drLabel);
    EXPECT_EQ(PixelOf(report->Handle(), r.Right - 3, r.Top + 1), Rgb(clHighlight)) << "item " << i;
  }
  {
    const TRect r = report->Items()->Item(0)->DisplayRect(TDisplayCode::drIcon);
    EXPECT_GT(CountColor(report->Handle(), r, Rgb(clRed)), 100);
  }
  // Icon list: the large image and the unfocused selection.
  {
    const TRect r = icons->Items()->Item(0)->DisplayRect(TDisplayCode::drIcon);
    EXPECT_GT(CountColor(icons->Handle(), r, Rgb(clRed)), 500);
    EXPECT_GT(CountColor(icons->Handle(), icons->Items()->Item(1)->DisplayRect(TDisplayCode::drLabel), Rgb(clBtnFace)),
              0);
  }
  // Tree: the open branch's minus, the closed one's plus, the unfocused selection.
  {
    const int32_t rh = int32_t(tree->Perform(TVM_GETITEMHEIGHT, 0, 0));
    const int32_t mid = pictures->DisplayRect(false).Top + rh / 2;
    EXPECT_EQ(PixelOf(tree->Handle(), 10, mid), Rgb(clWindowText));
    EXPECT_EQ(PixelOf(tree->Handle(), 10, mid - 2), Rgb(clWindow)) << "minus";
    const int32_t dmid = docs->DisplayRect(false).Top + rh / 2;
    EXPECT_EQ(PixelOf(tree->Handle(), 10, dmid - 2), Rgb(clWindowText)) << "plus";
    const TRect l = trips->DisplayRect(true);
    EXPECT_EQ(PixelOf(tree->Handle(), l.Left + 1, l.Top + 1), Rgb(clBtnFace));
    EXPECT_GT(CountColor(tree->Handle(), TRect{0, 0, 100, 4 * rh}, Rgb(clBlue)), 100) << "Summer's image";
  }
  // Header control: raised sections, the image of the middle one.
  EXPECT_EQ(PixelOf(header->Handle(), 0, 0), Rgb(cl3DLight));
  EXPECT_EQ(PixelOf(header->Handle(), 100, 0), Rgb(cl3DLight));
  EXPECT_GT(CountColor(header->Handle(), TRect{100, 0, 200, 22}, Rgb(clLime)), 100);
  // Tab and page controls: the display frame's light edge right of the tabs; a hidden page has no tab.
  EXPECT_EQ(PixelOf(tabs->Handle(), 250, 22), Rgb(cl3DLight));
  EXPECT_EQ(PixelOf(tabs->Handle(), 150, 50), Rgb(clBtnFace));
  EXPECT_EQ(pages->Tabs()->Count(), 2);
  EXPECT_EQ(pages->TabIndex(), 1);
  EXPECT_EQ(PixelOf(pages->Handle(), 250, 22), Rgb(cl3DLight));
  EXPECT_TRUE(IsWindowVisible(check->Handle()));
  // Tool bar: the down check button is sunken.
  EXPECT_EQ(PixelOf(toolbar->Handle(), buttons[2]->Left(), 5), Rgb(clBtnShadow));
  // Cool bar: the gripper's raised double line at the first band's start.
  EXPECT_EQ(PixelOf(cool->Handle(), 1, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(cool->Handle(), 2, 10), Rgb(clBtnShadow));
  EXPECT_GT(band1->Left(), 16) << "the band's child sits after its image and text";
  // Control bar: a raised frame and the grabber lines in each band's 11-pixel strip.
  for (TControl* c : {bandOne, bandTwo}) {
    const TRect b = TCustomControlBar::BandRect(c);
    EXPECT_EQ(PixelOf(cbar->Handle(), b.Left, b.Top + 10), Rgb(clBtnHighlight)) << c->Caption();
    EXPECT_EQ(PixelOf(cbar->Handle(), b.Left + 3, b.Top + 10), Rgb(clBtnHighlight)) << c->Caption();
    EXPECT_EQ(PixelOf(cbar->Handle(), b.Left + 5, b.Top + 10), Rgb(clBtnShadow)) << c->Caption();
  }
  // Rich edit: its background and its red text.
  EXPECT_EQ(PixelOf(rich->Handle(), rich->ClientWidth() - 10, rich->ClientHeight() - 5), TColor(RGB(255, 255, 200)));
  EXPECT_GT(CountColor(rich->Handle(), TRect{0, 0, 150, 40}, Rgb(clRed)), 20);
  // Status bar: at the bottom, the first panel lowered, the second raised.
  EXPECT_EQ(status->Top() + status->Height(), Form->ClientHeight());
  TRect p0, p1;
  status->Perform(SB_GETRECT, 0, reinterpret_cast<LPARAM>(&p0));
  status->Perform(SB_GETRECT, 1, reinterpret_cast<LPARAM>(&p1));
  EXPECT_EQ(PixelOf(status->Handle(), p0.Left + 5, p0.Top), Rgb(clBtnShadow));
  EXPECT_EQ(PixelOf(status->Handle(), p1.Left + 5, p1.Top), Rgb(clBtnHighlight));

  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "vcl_com_gallery.png";
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
