#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/comctrls_bars.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class ComBarTest : public TStdTest {
 public:
  TPanel* Panel(TWinControl* Parent, int32_t X, int32_t Y, int32_t W, int32_t H) {
    auto* p = new TPanel(Form.get());
    p->SetBounds(X, Y, W, H);
    p->SetParent(Parent);
    return p;
  }
  int32_t TextWidth(const String& Text) {
    HDC dc = GetDC(nullptr);
    SelectObject(dc, Form->Font()->Handle());
    TSize sz;
    GetTextExtentPoint32(dc, Text.c_str(), int32_t(Text.size()), &sz);
    ReleaseDC(nullptr, dc);
    return sz.cx;
  }
};

// ---- Cool bar ---------------------------------------------------------------------------------

TEST_F(ComBarTest, CoolBandChildrenSitAfterTheirHeader) {
  auto* images = new TImageList(Form.get());
  images->SetWidth(16);
  images->SetHeight(16);
  TBitmap pic;
  pic.SetSize(16, 16);
  images->Add(&pic, nullptr);
  auto* cb = new TCoolBar(Form.get());
  cb->SetParent(Form.get());
  cb->SetAlign(TAlign::alNone);
  cb->SetBounds(0, 0, 300, 100);
  cb->SetImages(images);
  TPanel* a = Panel(cb, 0, 0, 80, 22);  // a child gets a band of its own
  ASSERT_EQ(cb->Bands()->Count(), 1);
  TCoolBand* ba = cb->Bands()->Items(0);
  EXPECT_EQ(ba->Control(), a);
  ba->SetText("Tools");
  ba->SetImageIndex(0);
  ba->SetWidth(150);
  TCoolBand* bb = cb->Bands()->Add();
  TPanel* b = Panel(Form.get(), 0, 0, 60, 22);
  bb->SetControl(b);
  bb->SetBreak(false);
  bb->SetFixedSize(true);
  TCoolBand* bc = cb->Bands()->Add();
  bc->SetControl(Panel(Form.get(), 0, 0, 60, 30));
  ShowForm();
  EXPECT_EQ(cb->Bands()->Count(), 3);
  EXPECT_EQ(b->Parent(), cb);

  // Header: text, 2 + image, 4, and 4 + the 5-pixel gripper of a movable band.
  const int32_t head = TextWidth("Tools") + 2 + 16 + 4 + 4 + 5;
  const int32_t row0 = std::max({22, 16, StdFontHeight(Form->Font()->Handle())}) + 4;
  struct TCase {
    TControl* Child;
    TRect Bounds;
  };
  const TCase cases[] = {
      {a, TRect{head, 2, 150 - 2, 24}},
      {b, TRect{152 + 4, 2, 300 - 2, 24}},                                      // fixed size: no gripper, header 4
      {bc->Control(), TRect{4 + 9, row0 + 2 + 2, 300 - 2, row0 + 2 + 2 + 30}},  // next row, after the border
  };
  for (const TCase& c : cases) EXPECT_EQ(c.Child->BoundsRect(), c.Bounds) << c.Child->Name();
  TRect borders;
  cb->Perform(RB_GETBANDBORDERS, 0, reinterpret_cast<LPARAM>(&borders));
  EXPECT_EQ(borders.Left, head);
  EXPECT_EQ(cb->Perform(RB_GETROWCOUNT, 0, 0), 2);

  // Without text shown the header shrinks; the height follows the rows with AutoSize.
  cb->SetShowText(false);
  EXPECT_EQ(a->Left(), 2 + 16 + 4 + 4 + 5 - 2);
  cb->SetAutoSize(true);
  EXPECT_EQ(cb->Height(), row0 + 2 + 34);
  // A child taken off the bar takes its band with it.
  b->SetParent(Form.get());
  EXPECT_EQ(cb->Bands()->Count(), 2);
}

TEST_F(ComBarTest, VerticalCoolBarStacksHeadersDownwards) {
  auto* cb = new TCoolBar(Form.get());
  cb->SetParent(Form.get());
  cb->SetAlign(TAlign::alNone);
  cb->SetBounds(0, 0, 200, 60);
  cb->SetVertical(true);  // now 60 x 200
  TPanel* a = Panel(cb, 0, 0, 30, 50);
  cb->Bands()->Items(0)->SetText("V");
  ShowForm();
  EXPECT_EQ(cb->Width(), 60);
  const int32_t head = StdFontHeight(Form->Font()->Handle()) + 4 + 4 + 5;
  EXPECT_EQ(a->BoundsRect(), (TRect{2, head, 32, 200 - 2}));
}

TEST_F(ComBarTest, CoolBarPlainLookGripperAndBackgroundBitmap) {
  auto* cb = new TCoolBar(Form.get());
  cb->SetParent(Form.get());
  cb->SetBounds(0, 0, 300, 60);
  Panel(cb, 0, 0, 80, 22);
  ShowForm();
  // The gripper's raised double line at the band's start.
  EXPECT_EQ(PixelOf(cb->Handle(), 1, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(cb->Handle(), 2, 10), Rgb(clBtnShadow));
  EXPECT_EQ(PixelOf(cb->Handle(), 3, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(cb->Handle(), 250, 40), Rgb(clBtnFace));
  TBitmap tile;
  tile.SetSize(8, 8);
  tile.Canvas()->Brush()->SetColor(clRed);
  tile.Canvas()->FillRect(TRect{0, 0, 8, 8});
  cb->SetBitmap(&tile);
  Pump();
  EXPECT_EQ(PixelOf(cb->Handle(), 250, 1), Rgb(clRed));
}

// ---- Control bar -----------------------------------------------------------------------------

TEST_F(ComBarTest, ControlBarBandsSnapToRowsWithoutOverlapping) {
  auto* bar = new TControlBar(Form.get());
  bar->SetParent(Form.get());
  bar->SetBounds(0, 0, 300, 80);
  TPanel* p1 = Panel(bar, 0, 0, 50, 20);
  TPanel* p2 = Panel(bar, 30, 30, 60, 20);
  TPanel* p3 = Panel(bar, 20, 5, 40, 20);  // lands on p1's band in row 0
  ShowForm();
  EXPECT_EQ(p1->BoundsRect(), (TRect{11, 2, 61, 22}));
  EXPECT_EQ(p2->BoundsRect(), (TRect{30, 28, 90, 48}));
  EXPECT_EQ(p3->BoundsRect(), (TRect{61 + 2 + 11, 2, 61 + 2 + 11 + 40, 22}));
  EXPECT_EQ(TCustomControlBar::BandRect(p1), (TRect{0, 0, 63, 24}));
  // The plain look: a raised frame and two grabber lines.
  EXPECT_EQ(PixelOf(bar->Handle(), 3, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(bar->Handle(), 5, 10), Rgb(clBtnShadow));
  EXPECT_EQ(PixelOf(bar->Handle(), 0, 10), Rgb(clBtnHighlight));

  // Dragging p1 by its grabber to the second row.
  std::vector<String> moves;
  bar->OnBandMove = [&](TObject*, TControl* C, TRect& R) {
    moves.push_back(C == p1 ? "p1" : "?");
    (void)R;
  };
  TPoint p = bar->ClientToScreen(TPoint{4, 10});
  H().MouseDown(p.X, p.Y);
  Pump();
  p = bar->ClientToScreen(TPoint{150, 36});
  H().MouseMove(p.X, p.Y);
  H().MouseUp(p.X, p.Y);
  Pump();
  EXPECT_FALSE(moves.empty());
  EXPECT_EQ(p1->Top(), 28);
  EXPECT_EQ(p1->Left(), 157);

  // Picture tiles the background.
  TBitmap tile;
  tile.SetSize(5, 5);
  tile.Canvas()->Brush()->SetColor(clRed);
  tile.Canvas()->FillRect(TRect{0, 0, 5, 5});
  bar->Picture()->SetBitmap(&tile);
  Pump();
  EXPECT_EQ(PixelOf(bar->Handle(), 250, 70), Rgb(clRed));
}

// A skin-like descendant that paints background and band frames itself.
class TPaintedBar : public TControlBar {
 public:
  using TControlBar::TControlBar;
  std::vector<TRect> Frames;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(clGreen);
    Canvas()->FillRect(ClientRect());
    for (int32_t i = 0; i < ControlCount(); ++i) PaintControlFrame(Canvas(), Controls(i), BandRect(Controls(i)));
  }
  void PaintControlFrame(TCanvas* C, TControl*, const TRect& R) override {
    Frames.push_back(R);
    C->Brush()->SetColor(clRed);
    C->FillRect(TRect{R.Left, R.Top, R.Left + 11, R.Bottom});
  }
};

TEST_F(ComBarTest, OverriddenPaintAndPaintControlFrameTakeOver) {
  auto* bar = new TPaintedBar(Form.get());
  bar->SetParent(Form.get());
  bar->SetBounds(0, 0, 300, 60);
  Panel(bar, 40, 2, 50, 20);
  ShowForm();
  EXPECT_EQ(PixelOf(bar->Handle(), 200, 40), Rgb(clGreen));
  EXPECT_EQ(PixelOf(bar->Handle(), 32, 10), Rgb(clRed));
  ASSERT_FALSE(bar->Frames.empty());
  EXPECT_EQ(bar->Frames.back(), (TRect{29, 0, 92, 24}));
}

// ---- Status bar ------------------------------------------------------------------------------

TEST_F(ComBarTest, StatusBarPanelsAndSimpleText) {
  Form->SetBorderStyle(TBorderStyle::bsSizeable);
  auto* sb = new TStatusBar(Form.get());
  sb->SetParent(Form.get());
  for (const char* t : {"one", "two", "three"}) sb->Panels()->Add()->SetText(t);
  sb->Panels()->Items(0)->SetWidth(80);
  sb->Panels()->Items(1)->SetWidth(60);
  sb->Panels()->Items(1)->SetAlignment(TAlignment::taRightJustify);
  sb->Panels()->Items(2)->SetStyle(TStatusPanelStyle::psOwnerDraw);
  std::vector<TRect> drawn;
  sb->OnDrawPanel = [&](TStatusBar* S, TStatusPanel* P, const TRect& R) {
    EXPECT_EQ(P->Index(), 2);
    drawn.push_back(R);
    S->Canvas()->Brush()->SetColor(clRed);
    S->Canvas()->FillRect(R);
  };
  ShowForm();
  EXPECT_EQ(sb->Align(), TAlign::alBottom);
  EXPECT_EQ(sb->Top() + sb->Height(), Form->ClientHeight());
  const int32_t w = sb->ClientWidth();
  TRect r;
  sb->Perform(SB_GETRECT, 1, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (TRect{82, 2, 140, sb->ClientHeight()}));
  sb->Perform(SB_GETRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (TRect{142, 2, w, sb->ClientHeight()}));
  char buf[16];
  EXPECT_EQ(LOWORD(uintptr_t(sb->Perform(SB_GETTEXT, 1, reinterpret_cast<LPARAM>(buf)))), 5);
  EXPECT_EQ(String(buf), "\t\ttwo");
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), (TRect{143, 3, w - 1, sb->ClientHeight() - 1}));
  EXPECT_EQ(PixelOf(sb->Handle(), 150, 8), Rgb(clRed));
  // The grip sizes the form.
  TPoint corner = sb->ClientToScreen(TPoint{w - 3, sb->ClientHeight() - 3});
  EXPECT_EQ(SendMessage(sb->Handle(), WM_NCHITTEST, 0, PointToLParam(corner)), HTBOTTOMRIGHT);

  sb->SetSimplePanel(true);
  sb->SetSimpleText("busy");
  EXPECT_EQ(sb->Perform(SB_ISSIMPLE, 0, 0), 1);
  EXPECT_EQ(LOWORD(uintptr_t(sb->Perform(SB_GETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(buf)))), 4);
  EXPECT_EQ(String(buf), "busy");
  sb->SetSizeGrip(false);
  EXPECT_NE(SendMessage(sb->Handle(), WM_NCHITTEST, 0, PointToLParam(corner)), HTBOTTOMRIGHT);
}

// ---- Tool bar --------------------------------------------------------------------------------

TEST_F(ComBarTest, ToolButtonsInARowWrapAndCheckInGroups) {
  auto* tb = new TToolBar(Form.get());
  tb->SetParent(Form.get());
  tb->SetAlign(TAlign::alNone);
  tb->SetBounds(0, 0, 90, 29);
  std::vector<TToolButton*> buttons;
  std::vector<String> clicks;
  for (int32_t i = 0; i < 5; ++i) {
    auto* b = new TToolButton(Form.get());
    b->SetParent(tb);
    b->OnClick = [&clicks, i](TObject*) { clicks.push_back("click " + std::to_string(i)); };
    buttons.push_back(b);
  }
  buttons[1]->SetStyle(TToolButtonStyle::tbsSeparator);
  for (int32_t i : {2, 3}) {
    buttons[size_t(i)]->SetStyle(TToolButtonStyle::tbsCheck);
    buttons[size_t(i)]->SetGrouped(true);
  }
  ShowForm();
  EXPECT_EQ(buttons[0]->BoundsRect(), (TRect{0, 0, 23, 22}));
  EXPECT_EQ(buttons[1]->BoundsRect(), (TRect{23, 0, 31, 22}));
  EXPECT_EQ(buttons[2]->BoundsRect(), (TRect{31, 0, 54, 22}));
  EXPECT_EQ(buttons[4]->BoundsRect(), (TRect{0, 22, 23, 44}));  // wrapped
  ClickAt(tb, 40, 10);
  ClickAt(tb, 60, 10);
  EXPECT_FALSE(buttons[2]->Down());
  EXPECT_TRUE(buttons[3]->Down());
  ClickAt(tb, 60, 10);  // a grouped button without AllowAllUp stays down
  EXPECT_TRUE(buttons[3]->Down());
  EXPECT_EQ(clicks, (std::vector<String>{"click 2", "click 3", "click 3"}));
  // Down is drawn sunken.
  EXPECT_EQ(PixelOf(tb->Handle(), 54, 5), Rgb(clBtnShadow));
}

}  // namespace
