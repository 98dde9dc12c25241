#include "skin/controls/skintoolbar.h"

#include <gtest/gtest.h>

#include "platform/vcl/extctrls.h"
#include "skin/controls/skinframedlabel.h"
#include "skin/controls/skinmenuspeedbutton.h"
#include "skin/controls/skinspeedbutton.h"
#include "skin/controls/skinsplitter.h"
#include "skin/controls/skinstatusbar.h"
#include "skin/controls/testkit/skinkit_toolbars.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

class SkinToolBar : public TSkinKitTest {
 public:
  TbsSkinToolBar* Bar(int32_t W, bool Skinned) {
    auto* b = new TbsSkinToolBar(Form.get());
    b->SetParent(Form.get());
    b->SetCanScroll(true);
    b->SetBounds(10, 10, W, 30);
    if (Skinned) b->SetSkinData(Skin.get());
    return b;
  }
  // Count buttons 40 wide in a row from X 0.
  std::vector<TbsSkinSpeedButton*> Fill(TbsSkinToolBar* B, int32_t Count) {
    std::vector<TbsSkinSpeedButton*> r;
    for (int32_t i = 0; i < Count; ++i) {
      auto* s = new TbsSkinSpeedButton(Form.get());
      s->SetUseSkinSize(false);
      s->SetParent(B);
      s->SetBounds(40 * i, 0, 40, 22);
      r.push_back(s);
    }
    B->UpdateScrollState();
    Pump();
    return r;
  }
  // A point of the bar's window in screen coordinates.
  static TPoint WindowPoint(TWinControl* C, int32_t X, int32_t Y) {
    TRect r;
    GetWindowRect(C->Handle(), &r);
    return TPoint{r.Left + X, r.Top + Y};
  }
  LRESULT HitAt(TWinControl* C, int32_t X, int32_t Y) {
    return SendMessage(C->Handle(), WM_NCHITTEST, 0, PointToLParam(WindowPoint(C, X, Y)));
  }
  void PressRight(TbsSkinToolBar* B) {
    const TPoint p = WindowPoint(B, B->Width() - 6, 10);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void ReleaseRight(TbsSkinToolBar* B) {
    const TPoint p = WindowPoint(B, B->Width() - 6, 10);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
};

TEST_F(SkinToolBar, ScrollButtonsOnlyWhenTheContentIsWider) {
  struct TCase {
    bool Skinned;
    int32_t Buttons;
    bool Scrolls;
  };
  const TCase cases[] = {{false, 3, false}, {false, 6, true}, {true, 4, false}, {true, 6, true}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Skinned << " " << c.Buttons);
    TbsSkinToolBar* b = Bar(200, c.Skinned);
    Fill(b, c.Buttons);
    EXPECT_EQ(b->ScrollButtonVisible(0), c.Scrolls);
    EXPECT_EQ(b->ScrollButtonVisible(1), c.Scrolls);
    EXPECT_EQ(b->ClientWidth(), c.Scrolls ? 200 - 24 : 200);
    EXPECT_EQ(b->ClientToScreen(TPoint{0, 0}).X, WindowPoint(b, c.Scrolls ? 12 : 0, 0).X);
    EXPECT_EQ(HitAt(b, 5, 10), c.Scrolls ? TbsSkinToolBar::HTSCROLLLEFT : HTCLIENT);
    EXPECT_EQ(HitAt(b, 195, 10), c.Scrolls ? TbsSkinToolBar::HTSCROLLRIGHT : HTCLIENT);
    EXPECT_EQ(HitAt(b, 100, 10), HTCLIENT);
    delete b;
  }
}

TEST_F(SkinToolBar, RightButtonScrollsOnReleaseAndRepeatsWhileHeld) {
  ShowForm();
  TbsSkinToolBar* b = Bar(100, false);
  std::vector<TbsSkinSpeedButton*> s = Fill(b, 6);  // content 240, view 76
  ASSERT_EQ(b->ClientWidth(), 76);
  PressRight(b);
  EXPECT_EQ(b->ScrollPos(), 0) << "nothing moves on the press";
  ReleaseRight(b);
  EXPECT_EQ(b->ScrollPos(), 76) << "one client width on release";
  EXPECT_EQ(s[0]->Left(), -76);
  // Held: a step every 50 ms up to content - view + 1, then the timer stops.
  PressRight(b);
  H().AdvanceClock(50);
  EXPECT_EQ(b->ScrollPos(), 152);
  H().AdvanceClock(50);
  EXPECT_EQ(b->ScrollPos(), 164);
  EXPECT_EQ(s[5]->Left() + s[5]->Width(), 76) << "the last button ends at the edge";
  H().AdvanceClock(200);
  ReleaseRight(b);
  EXPECT_EQ(b->ScrollPos(), 164);
  // The left button with a fixed offset.
  b->SetScrollOffset(100);
  const TPoint p = WindowPoint(b, 6, 10);
  H().Click(p.X, p.Y);
  Pump();
  EXPECT_EQ(b->ScrollPos(), 64);
  EXPECT_EQ(s[0]->Left(), -64);
}

TEST_F(SkinToolBar, HotScrollRunsWhileTheMouseRestsOnAButton) {
  ShowForm();
  TbsSkinToolBar* b = Bar(100, true);
  b->SetHotScroll(true);
  b->SetScrollOffset(20);
  Fill(b, 6);
  const TPoint over = WindowPoint(b, b->Width() - 6, 10);
  H().MouseMove(over.X, over.Y);
  Pump();
  EXPECT_EQ(b->ScrollPos(), 0);
  H().AdvanceClock(100);
  EXPECT_EQ(b->ScrollPos(), 40);
  // The cursor over a scroll button is the client's.
  EXPECT_EQ(SendMessage(b->Handle(), WM_SETCURSOR, WPARAM(b->Handle()),
                        MAKELPARAM(TbsSkinToolBar::HTSCROLLRIGHT, WM_MOUSEMOVE)),
            SendMessage(b->Handle(), WM_SETCURSOR, WPARAM(b->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  // Into the client area: the hot state and the scrolling end.
  MoveTo(b, 30, 10);
  H().AdvanceClock(200);
  EXPECT_EQ(b->ScrollPos(), 40);
}

TEST_F(SkinToolBar, GrowthAndShrinkKeepScrolledContentInView) {
  ShowForm();
  TbsSkinToolBar* b = Bar(100, false);
  std::vector<TbsSkinSpeedButton*> s = Fill(b, 6);
  b->SetScrollOffset(1000);
  PressRight(b);
  ReleaseRight(b);
  ASSERT_EQ(b->ScrollPos(), 164) << "scrolled to the end";
  // Growing by 40 pulls the content back by 40.
  b->SetWidth(140);
  EXPECT_EQ(b->ScrollPos(), 124);
  EXPECT_EQ(s[0]->Left(), -124);
  // Removing buttons: the content scrolls back so its end meets the edge.
  delete s[5];
  delete s[4];
  b->UpdateScrollState();
  EXPECT_EQ(b->ScrollPos(), 44);
  EXPECT_EQ(s[3]->Left() + s[3]->Width(), 116);
  // Wide enough for everything: back to 0 and no buttons.
  b->SetWidth(300);
  EXPECT_EQ(b->ScrollPos(), 0);
  EXPECT_EQ(s[0]->Left(), 0);
  EXPECT_FALSE(b->ScrollButtonVisible(0));
  EXPECT_FALSE(b->ScrollButtonVisible(1));
  EXPECT_EQ(b->ClientWidth(), 300);
}

TEST_F(SkinToolBar, ShowCaptionsSwitchesWidthsAndOptionallyButtons) {
  struct TCase {
    bool Auto;
    int32_t With, Without;
    int32_t WidthShown, WidthHidden;
  };
  const TCase cases[] = {{false, 300, 150, 300, 150}, {true, 300, 150, 300, 150}, {false, 300, 0, 200, 200}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Auto << " " << c.With << "/" << c.Without);
    TbsSkinToolBar* b = Bar(200, false);
    b->SetCanScroll(false);
    std::vector<TbsSkinSpeedButton*> s = Fill(b, 2);
    b->SetAutoShowHideCaptions(c.Auto);
    b->SetWidthWithCaptions(c.With);
    b->SetWidthWithoutCaptions(c.Without);
    b->SetShowCaptions(true);
    EXPECT_EQ(b->Width(), c.WidthShown);
    for (TbsSkinSpeedButton* x : s) x->SetShowCaption(true);
    b->SetShowCaptions(false);
    EXPECT_EQ(b->Width(), c.WidthHidden);
    for (TbsSkinSpeedButton* x : s) EXPECT_EQ(x->ShowCaption(), !c.Auto) << "changed only with the automatic switch";
    delete b;
  }
}

TEST_F(SkinToolBar, CentresChildrenAndHandsOverItsSkin) {
  ShowForm();
  TbsSkinToolBar* b = Bar(200, false);
  auto* plain = new TPanel(Form.get());
  plain->SetParent(b);
  plain->SetBounds(0, 0, 20, 10);
  auto* bevel = new TbsSkinBevel(Form.get());
  bevel->SetParent(b);
  bevel->SetBounds(30, 0, 4, 20);
  auto* button = new TbsSkinSpeedButton(Form.get());
  button->SetParent(b);
  b->SetHeight(40);
  Pump();
  const TRect R = GetAdjustedClientRect(b);
  EXPECT_EQ(plain->Top(), R.Top + R.Height() / 2 - 5);
  EXPECT_EQ(bevel->Top(), R.Top + R.Height() / 2 - 10);
  b->SetSkinData(Skin.get());
  EXPECT_EQ(bevel->SkinData(), Skin.get());
  EXPECT_EQ(button->SkinData(), Skin.get());
}

}  // namespace

namespace {

using namespace SkinKit;

// The tool-bar family together: scrolled tool bars with speed and menu
// buttons, status bars with grips, both splitters and every bevel shape.
class SkinToolBarSheet : public TSkinKitTest {
 public:
  template <class T>
  T* Make(TWinControl* Parent) {
    auto* c = new T(Form.get());
    c->SetParent(Parent);
    return c;
  }
  TbsSkinToolBar* ToolBar(int32_t Top, bool Skinned) {
    auto* bar = Make<TbsSkinToolBar>(Form.get());
    bar->SetCanScroll(true);
    bar->SetBounds(8, Top, 300, 26);
    int32_t x = 0;
    for (int32_t i = 0; i < 4; ++i) {
      auto* s = Make<TbsSkinSpeedButton>(bar);
      s->SetUseSkinSize(false);
      s->SetCaption("B" + IntToStr(i));
      s->SetBounds(x, 0, 36, 22);
      x += 38;
    }
    auto* bevel = Make<TbsSkinBevel>(bar);
    bevel->SetShape(TBevelShape::bsLeftLine);
    bevel->SetDividerMode(true);
    bevel->SetBounds(x, 0, 8, 22);
    x += 10;
    for (int32_t i = 0; i < 3; ++i) {
      auto* m = Make<TbsSkinMenuSpeedButton>(bar);
      m->SetUseSkinSize(false);
      m->SetCaption("M" + IntToStr(i));
      m->SetTrackButtonMode(i != 0);
      m->SetNewStyle(i == 2);
      m->SetBounds(x, 0, 60, 22);
      x += 62;
    }
    if (Skinned) bar->SetSkinData(Skin.get());
    bar->UpdateScrollState();
    return bar;
  }
};

TEST_F(SkinToolBarSheet, ContactSheet) {
  Form->SetBounds(20, 20, 420, 300);
  Form->SetColor(SkinKit::Rgb(236, 233, 216));
  ShowForm();
  TbsSkinToolBar* plainBar = ToolBar(4, false);
  TbsSkinToolBar* skinBar = ToolBar(34, true);
  for (TbsSkinToolBar* b : {plainBar, skinBar}) {
    ASSERT_TRUE(b->ScrollButtonVisible(1));
    b->SetScrollOffset(60);
    const TPoint p = b->ClientToScreen(TPoint{b->ClientWidth() + 4, 10});
    H().Click(p.X, p.Y);
    Pump();
    EXPECT_EQ(b->ScrollPos(), 60);
  }
  // Status bars along the bottom, the skinned one with its gripper picture.
  auto* plainStatus = Make<TbsSkinStatusBar>(Form.get());
  plainStatus->SetSizeGrip(true);
  auto* skinStatus = Make<TbsSkinStatusBar>(Form.get());
  skinStatus->SetSizeGrip(true);
  skinStatus->SetSkinData(Skin.get());
  auto* panel = Make<TbsSkinStatusPanel>(skinStatus);
  panel->SetBounds(2, 2, 100, 17);
  panel->SetCaption("Ready");
  // Splitters between panels, and a row of bevels in every shape.
  auto* area = Make<TPanel>(Form.get());
  area->SetBounds(8, 64, 120, 150);
  auto* left = Make<TPanel>(area);
  left->SetAlign(TAlign::alLeft);
  left->SetWidth(40);
  auto* v = Make<TbsSkinSplitter>(area);
  v->SetLeft(50);
  v->SetAlign(TAlign::alLeft);
  v->SetSkinData(Skin.get());
  auto* top = Make<TPanel>(area);
  top->SetAlign(TAlign::alTop);
  top->SetHeight(40);
  auto* h = Make<TbsSkinSplitter>(area);
  h->SetTop(50);
  h->SetAlign(TAlign::alTop);
  h->SetSkinDataName("hsplitter");
  h->SetSkinData(Skin.get());
  for (int32_t i = 0; i <= int32_t(TBevelShape::bsSpacer); ++i)
    for (int32_t row = 0; row < 3; ++row) {
      auto* b = Make<TbsSkinBevel>(Form.get());
      b->SetShape(TBevelShape(i));
      b->SetStyle(row == 1 ? TBevelStyle::bsRaised : TBevelStyle::bsLowered);
      b->SetDividerMode(row == 2);
      b->SetBounds(140 + 38 * i, 70 + 40 * row, 32, 32);
      b->SetSkinData(Skin.get());
    }
  MoveTo(Form.get(), 400, 200);
  Pump();
  EXPECT_EQ(Probe(area, v->Left() + 1, v->Top() + v->Height() - 2), SplitCap);
  EXPECT_EQ(Probe(area, 20, h->Top() + h->Height() / 2 - 1), SplitMiddle);
  EXPECT_EQ(Probe(skinStatus, skinStatus->GripRect().Left + 3, skinStatus->GripRect().Top + 3), StatusGrip);
  SaveSheet(Form.get(), "skintoolbar-sheet");
}

}  // namespace
