#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Codes = std::vector<uint32_t>;

class StdStatic : public TStdTest {};

// The rows of a window area that hold a pixel of colour C: first and last (-1 when none).
std::pair<int32_t, int32_t> RowsWith(HWND Wnd, const TRect& R, TColor C) {
  std::unique_ptr<TBitmap> bmp = WindowPixels(Wnd, false);
  int32_t first = -1, last = -1;
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x)
      if (bmp->Canvas()->Pixels(x, y) == C) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

TEST_F(StdStatic, StaticTextNotifiesAndAsksForColours) {
  auto* text = new TStaticText(Form.get());
  text->SetParent(Form.get());
  text->SetLeft(10);
  text->SetTop(10);
  text->SetCaption("Hello");
  text->SetColor(clRed);
  int clicks = 0;
  text->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();
  HWND h = text->Handle();
  EXPECT_EQ(GetClassNameString(h), "TStaticText");
  EXPECT_EQ(text->Height(), StdFontHeight(text->Font()->Handle())) << "auto-sized to one line";
  EXPECT_NE(GetWindowLong(h, GWL_STYLE) & SS_NOTIFY, 0);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  // The framework's answer to WM_CTLCOLORSTATIC fills with the control's colour.
  EXPECT_EQ(PixelOf(h, text->Width() - 1, 0), Rgb(clRed));
  EXPECT_GT(CountColor(h, text->ClientRect(), Rgb(clWindowText)), 0);
  ClickAt(text, 3, 3);
  EXPECT_EQ(Form->Codes(h), Codes{STN_CLICKED});
  EXPECT_EQ(clicks, 1);
  // Re-created with a new style; the caption stays.
  text->SetAlignment(TAlignment::taRightJustify);
  text->SetBorderStyle(TStaticBorderStyle::sbsSunken);
  Pump();
  EXPECT_NE(text->Handle(), h);
  EXPECT_EQ(GetWindowLong(text->Handle(), GWL_STYLE) & (SS_TYPEMASK | SS_SUNKEN), LRESULT(SS_RIGHT | SS_SUNKEN));
  EXPECT_EQ(GetWindowTextString(text->Handle()), "Hello");
  EXPECT_EQ(PixelOf(text->Handle(), 0, 0), Rgb(clBtnShadow)) << "sunken edge";
}

TEST_F(StdStatic, AcceleratorsFocusTheirControl) {
  auto* edit = new TWinProbe(Form.get(), nullptr, "edit", {0xFFFF});
  edit->SetParent(Form.get());
  edit->SetBounds(100, 100, 80, 20);
  edit->SetTabStop(true);
  auto* edit2 = new TWinProbe(Form.get(), nullptr, "edit2", {0xFFFF});
  edit2->SetParent(Form.get());
  edit2->SetBounds(100, 140, 80, 20);
  edit2->SetTabStop(true);
  auto* label = new TLabel(Form.get());
  label->SetParent(Form.get());
  label->SetBounds(10, 100, 60, 17);
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  auto* text = new TStaticText(Form.get());
  text->SetParent(Form.get());
  text->SetBounds(10, 140, 60, 17);
  text->SetCaption("&Size");
  text->SetFocusControl(edit2);
  auto* plain = new TLabel(Form.get());
  plain->SetParent(Form.get());
  plain->SetBounds(10, 180, 60, 17);
  plain->SetCaption("&Plain");
  plain->SetShowAccelChar(false);
  plain->SetFocusControl(edit);
  ShowForm();
  Form->SetActiveControl(edit2);
  Pump();
  Press('N', hkAlt);
  EXPECT_EQ(GetFocus(), edit->Handle());
  Press('S', hkAlt);
  EXPECT_EQ(GetFocus(), edit2->Handle());
  Press('P', hkAlt);
  EXPECT_EQ(GetFocus(), edit2->Handle()) << "no accelerator without ShowAccelChar";
  delete edit;  // the label lets go of it
  EXPECT_EQ(label->FocusControl(), nullptr);
  Press('N', hkAlt);
}

TEST_F(StdStatic, LabelAutoSizeLayoutAndEmboss) {
  const int32_t line = StdFontHeight(Form->Font()->Handle());
  auto* empty = new TLabel(Form.get());
  empty->SetParent(Form.get());
  empty->SetBounds(10, 10, 100, 50);
  EXPECT_EQ(empty->Height(), line) << "an empty caption measures as one space";
  EXPECT_GT(empty->Width(), 0);
  auto* amp = new TLabel(Form.get());
  amp->SetParent(Form.get());
  amp->SetCaption("&");
  EXPECT_EQ(amp->Height(), line);
  EXPECT_EQ(amp->Width(), empty->Width());

  auto* right = new TLabel(Form.get());
  right->SetParent(Form.get());
  right->SetAlignment(TAlignment::taRightJustify);
  right->SetBounds(100, 10, 100, 17);
  right->SetCaption("Wide caption");
  const int32_t rightEdge = right->Left() + right->Width();
  EXPECT_EQ(rightEdge, 200);
  EXPECT_LT(right->Width(), 100);
  right->SetCaption("W");
  EXPECT_EQ(right->Left() + right->Width(), rightEdge) << "the right edge stays";

  // Layout: the text's rows in a 60-pixel label.
  struct TCase {
    TTextLayout Layout;
    int32_t ExpectedTop;  // of the text box
  };
  const TCase cases[] = {
      {TTextLayout::tlTop, 0}, {TTextLayout::tlCenter, (60 - line) / 2}, {TTextLayout::tlBottom, 60 - line}};
  std::vector<TLabel*> labels;
  for (size_t i = 0; i < 3; ++i) {
    auto* l = new TLabel(Form.get());
    l->SetParent(Form.get());
    l->SetAutoSize(false);
    l->SetBounds(10 + 70 * int32_t(i), 100, 60, 60);
    l->SetCaption("Ag");
    l->SetLayout(cases[i].Layout);
    l->SetColor(clYellow);
    labels.push_back(l);
  }
  ShowForm();
  std::vector<int32_t> tops;
  for (TLabel* l : labels) {
    auto rows = RowsWith(Form->Handle(), l->BoundsRect(), Rgb(clWindowText));
    ASSERT_GE(rows.first, 0);
    tops.push_back(rows.first - l->Top());
    EXPECT_EQ(PixelOf(Form->Handle(), l->Left(), l->Top()), Rgb(clYellow)) << "opaque: filled with Color";
  }
  // Glyphs start a few pixels into the line box, equally for every layout.
  const int32_t inset = tops[0];
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(tops[i] - inset, cases[i].ExpectedTop) << i;

  // Disabled: embossed, both colours present and no text colour.
  labels[0]->SetEnabled(false);
  Pump();
  const TRect r = labels[0]->BoundsRect();
  EXPECT_EQ(CountColor(Form->Handle(), r, Rgb(clWindowText)), 0);
  EXPECT_GT(CountColor(Form->Handle(), r, Rgb(clBtnHighlight)), 0);
  EXPECT_GT(CountColor(Form->Handle(), r, Rgb(clBtnShadow)), 0);
  // Transparent: the form's colour stays around the glyphs.
  labels[1]->SetTransparent(true);
  Pump();
  EXPECT_EQ(CountColor(Form->Handle(), labels[1]->BoundsRect(), Rgb(clYellow)), 0);
}

}  // namespace
