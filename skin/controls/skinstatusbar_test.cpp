#include "skin/controls/skinstatusbar.h"

#include <gtest/gtest.h>

#include "skin/controls/skinframedlabel.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/controls/testkit/skinkit_toolbars.h"

namespace {

using namespace SkinKit;

class SkinStatusBar : public TSkinKitTest {
 public:
  TbsSkinStatusBar* Bar(const String& Section) {
    auto* b = new TbsSkinStatusBar(Form.get());
    b->SetParent(Form.get());
    if (!Section.empty()) {
      b->SetSkinDataName(Section);
      b->SetSkinData(Skin.get());
    }
    b->SetSizeGrip(true);
    Pump();
    return b;
  }
  static LRESULT HitAt(TWinControl* C, int32_t X, int32_t Y) {
    return SendMessage(C->Handle(), WM_NCHITTEST, 0, PointToLParam(C->ClientToScreen(TPoint{X, Y})));
  }
};

TEST_F(SkinStatusBar, HitTestAnswersTheGripOnlyWhileItShows) {
  struct TCase {
    String Section;
    TRect Grip;  // for a 320 x 21 bar
  };
  // The client height off the right, or the gripper picture at the bottom
  // right (a frameless nine-part bar's client is the whole bar).
  const TCase cases[] = {
      {"", TRect{301, 0, 320, 19}}, {"statusbar", TRect{308, 9, 320, 21}}, {"kitstatusnogrip", TRect{301, 0, 320, 19}}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Section);
    TbsSkinStatusBar* b = Bar(c.Section);
    ASSERT_EQ(b->Width(), 320);
    EXPECT_EQ(b->GripRect(), c.Grip);
    EXPECT_EQ(HitAt(b, c.Grip.Left, c.Grip.Top), HTBOTTOMRIGHT);
    EXPECT_EQ(HitAt(b, c.Grip.Right - 1, c.Grip.Bottom - 1), HTBOTTOMRIGHT);
    EXPECT_EQ(HitAt(b, c.Grip.Left - 1, c.Grip.Top), HTCLIENT);
    EXPECT_EQ(HitAt(b, 5, 5), HTCLIENT);
    IbsSizeGripBar* grip = b;
    grip->SetGripEnabled(false);
    EXPECT_EQ(HitAt(b, c.Grip.Left, c.Grip.Top), HTCLIENT) << "disabled by the form";
    grip->SetGripEnabled(true);
    b->SetSizeGrip(false);
    EXPECT_EQ(HitAt(b, c.Grip.Left, c.Grip.Top), HTCLIENT);
    EXPECT_FALSE(grip->SizeGrip());
    delete b;
  }
}

TEST_F(SkinStatusBar, GripDrawnAndClientAreaLeavesItOut) {
  ShowForm();
  TbsSkinStatusBar* s = Bar("statusbar");
  TbsSkinStatusBar* p = Bar("");
  Pump();
  const TRect g = s->GripRect();
  EXPECT_EQ(Probe(s, g.Left + 2, g.Top + 2), StatusGrip);
  EXPECT_EQ(Probe(s, 10, 10), StatusFace);
  EXPECT_EQ(GetAdjustedClientRect(s).Right, 320 - 12);
  // The plain grip: a shadow line from (Left + 3, Bottom) up to the right,
  // a highlight one beside it.
  const TRect pg = p->GripRect();
  EXPECT_EQ(Probe(p, pg.Left + 3, pg.Bottom), Rgb(clBtnShadow));
  EXPECT_EQ(Probe(p, pg.Left + 4, pg.Bottom), Rgb(clBtnHighlight));
  EXPECT_EQ(Probe(p, pg.Right - 1, pg.Top + 4), Rgb(clBtnShadow));
  EXPECT_EQ(GetAdjustedClientRect(p).Right, 320 - 21);
}

TEST_F(SkinStatusBar, DragOnTheGripSizesTheForm) {
  Form->SetBorderStyle(TBorderStyle::bsSizeable);
  ShowForm();
  TbsSkinStatusBar* b = Bar("statusbar");
  const int32_t formWidth = Form->Width(), formHeight = Form->Height();
  const TRect g = b->GripRect();
  const TPoint press = b->ClientToScreen(TPoint{g.Left + 4, g.Top + 4});
  const TPoint to{press.X + 30, press.Y + 20};
  H().MouseDown(press.X, press.Y);
  H().QueueIdleAction([this, to] { H().MouseMove(to.X, to.Y); });
  H().QueueIdleAction([this, to] { H().MouseUp(to.X, to.Y); });
  Pump();
  EXPECT_EQ(H().PendingIdleActions(), 0u);
  EXPECT_EQ(Form->Width(), formWidth + 30);
  EXPECT_EQ(Form->Height(), formHeight + 20);
  EXPECT_EQ(b->Width(), Form->ClientWidth()) << "the bar follows its form";
  EXPECT_EQ(b->Top() + b->Height(), Form->ClientHeight());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SkinStatusBar, HandsItsSkinToSkinnedChildren) {
  ShowForm();
  TbsSkinStatusBar* b = Bar("");
  auto* panel = new TbsSkinStatusPanel(Form.get());
  panel->SetParent(b);
  panel->SetBounds(2, 2, 80, 17);
  b->SetSkinData(Skin.get());
  EXPECT_EQ(panel->SkinData(), Skin.get());
  EXPECT_EQ(b->Align(), TAlign::alBottom);
  EXPECT_EQ(b->Height(), 21);
}

}  // namespace
