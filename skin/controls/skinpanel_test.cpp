#include "skin/controls/skinpanel.h"

#include <gtest/gtest.h>

#include "platform/vcl/stdctrls.h"
#include "skin/controls/testkit/skinkit_containers.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/skinmessages.h"

namespace {

using namespace SkinKit;

class SkinPanel : public TSkinKitTest {
 public:
  template <class T = TbsSkinPanel>
  T* Add(const TRect& R, TWinControl* Parent = nullptr) {
    auto* p = new T(Form.get());
    p->SetParent(Parent != nullptr ? Parent : Form.get());
    p->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    return p;
  }
  // A panel with two children: a windowed and a graphic one.
  TbsSkinPanel* WithChildren(bool Skinned) {
    TbsSkinPanel* p = Add(TRect{10, 10, 160, 160});
    p->SetCaption("Panel");
    p->SetCaptionMode(true);
    if (Skinned) p->SetSkinData(Skin.get());
    auto* edit = new TButton(Form.get());
    edit->SetParent(p);
    edit->SetBounds(20, 40, 60, 20);
    auto* label = new TLabel(Form.get());
    label->SetParent(p);
    label->SetBounds(20, 70, 60, 20);
    return p;
  }
  static bool ChildrenVisible(TbsSkinPanel* P, bool Want) {
    for (int32_t i = 0; i < P->ControlCount(); ++i)
      if (P->Controls(i)->Visible() != Want) return false;
    return true;
  }
};

// ---- Roll-up ---------------------------------------------------------------------------

TEST_F(SkinPanel, RollUpHidesChildrenAndKeepsTheHeight) {
  struct TCase {
    bool Skinned;
    int32_t RolledHeight;
  };
  // Unskinned: the caption height + 1; skinned: the frame without the client
  // part (20-pixel caption strip + 8-pixel bottom).
  for (const TCase c : {TCase{false, 23}, TCase{true, 28}}) {
    SCOPED_TRACE(c.Skinned ? "skinned" : "plain");
    TbsSkinPanel* p = WithChildren(c.Skinned);
    p->SetRollUpMode(true);
    int32_t changes = 0;
    p->OnChangeRollUpState = [&](TObject*) { ++changes; };
    p->SetRollUpState(true);
    EXPECT_EQ(p->Height(), c.RolledHeight);
    EXPECT_EQ(p->RealHeight(), 150);
    EXPECT_TRUE(ChildrenVisible(p, false));
    p->SetRollUpState(true);
    EXPECT_EQ(changes, 1) << "an unchanged state does nothing";
    p->SetRollUpState(false);
    EXPECT_EQ(p->Height(), 150);
    EXPECT_EQ(p->RealHeight(), -1);
    EXPECT_TRUE(ChildrenVisible(p, true));
    EXPECT_EQ(changes, 2);
    delete p;
  }
}

TEST_F(SkinPanel, SkinChangeWhileRolledUpKeepsTheUnrolledHeight) {
  TbsSkinPanel* p = WithChildren(false);
  p->SetRollUpMode(true);
  p->SetRollUpState(true);
  ASSERT_EQ(p->Height(), 23);
  p->SetSkinData(Skin.get());
  EXPECT_EQ(p->Height(), 28) << "rolled up at the new skin's caption height";
  EXPECT_EQ(p->RealHeight(), 150);
  EXPECT_TRUE(ChildrenVisible(p, false));
  p->SetRollUpState(false);
  EXPECT_EQ(p->Height(), 150);
  EXPECT_TRUE(ChildrenVisible(p, true));
  EXPECT_FALSE(p->AlignDisabled()) << "alignment comes back after a re-roll";
}

// A panel left rolled up when its roll-up mode goes off can still come down.
TEST_F(SkinPanel, RollUpModeOffWhileRolledUpStillUnrolls) {
  TbsSkinPanel* p = WithChildren(true);
  p->Constraints()->SetMaxHeight(400);
  p->SetRollUpMode(true);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Constraints()->MaxHeight(), 0);
  p->SetRollUpMode(false);
  p->SetRollUpState(false);
  EXPECT_FALSE(p->RollUpState());
  EXPECT_EQ(p->Height(), 150);
  EXPECT_EQ(p->RealHeight(), -1);
  EXPECT_TRUE(ChildrenVisible(p, true));
  EXPECT_EQ(p->Constraints()->MaxHeight(), 400);
}

TEST_F(SkinPanel, UnrollingGivesTheConstraintsBack) {
  TbsSkinPanel* p = WithChildren(false);
  p->Constraints()->SetMinHeight(100);
  p->Constraints()->SetMaxWidth(300);
  p->SetRollUpMode(true);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Height(), 23) << "the minimum height is lifted while rolled up";
  p->SetRollUpState(false);
  EXPECT_EQ(p->Constraints()->MinHeight(), 100);
  EXPECT_EQ(p->Constraints()->MaxWidth(), 300);
  p->SetRollUpState(true);
  p->SetRollUpState(false);
  EXPECT_EQ(p->Constraints()->MinHeight(), 100) << "a second round keeps them too";
}

// A builder restoring a rolled-up panel sets RealHeight, then RollUpState.
TEST_F(SkinPanel, BuiltRolledUpComesDownToItsRealHeight) {
  TbsSkinPanel* p = WithChildren(false);
  p->SetRollUpMode(true);
  p->SetHeight(23);
  p->SetRealHeight(120);
  p->SetRollUpState(true);
  EXPECT_EQ(p->Height(), 23);
  p->SetRollUpState(false);
  EXPECT_EQ(p->Height(), 120);
}

// ---- Caption clicks and check mode ----------------------------------------------------------

TEST_F(SkinPanel, CaptionClicksByButtonAndPosition) {
  struct TCase {
    bool Skinned;
    TRawButton Button;
    TPoint At;
    bool Toggles;
  };
  // Skinned caption rect at 150 wide: (8, 2, 142, 18), edges included.
  const TCase cases[] = {
      {false, TRawButton::Left, {50, 10}, true},  {false, TRawButton::Right, {50, 10}, false},
      {false, TRawButton::Left, {50, 60}, false}, {false, TRawButton::Left, {0, 10}, false},
      {false, TRawButton::Left, {148, 10}, true}, {false, TRawButton::Left, {50, 22}, false},
      {true, TRawButton::Left, {50, 10}, true},   {true, TRawButton::Right, {50, 10}, false},
      {true, TRawButton::Left, {142, 18}, true},  {true, TRawButton::Left, {8, 2}, true},
      {true, TRawButton::Left, {143, 10}, false}, {true, TRawButton::Left, {50, 60}, false},
  };
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Skinned ? "skinned " : "plain ") << int(c.Button) << " at " << c.At.X << ","
                                    << c.At.Y);
    TbsSkinPanel* p = Add(TRect{10, 10, 160, 160});
    p->SetCaption("Caption");
    p->SetCaptionMode(true);
    p->SetCheckedMode(true);
    p->SetRollUpMode(true);
    if (c.Skinned) p->SetSkinData(Skin.get());
    Pump();
    std::vector<String> order;
    p->OnChecked = [&](TObject*) { order.push_back("checked"); };
    p->OnChangeRollUpState = [&](TObject*) { order.push_back("rollup"); };
    ClickAt(p, c.At.X, c.At.Y, c.Button);
    if (c.Toggles) {
      EXPECT_TRUE(p->Checked());
      EXPECT_TRUE(p->RollUpState());
      EXPECT_EQ(order, (std::vector<String>{"checked", "rollup"}));
    } else {
      EXPECT_FALSE(p->Checked());
      EXPECT_FALSE(p->RollUpState());
      EXPECT_TRUE(order.empty());
    }
    delete p;
  }
}

TEST_F(SkinPanel, CheckingEnablesChildrenOnlyInCheckModeWithAutoEnable) {
  struct TCase {
    bool CheckedMode, AutoEnabled;
    bool ChildrenFollow;
  };
  for (const TCase c : {TCase{true, true, true}, TCase{true, false, false}, TCase{false, true, false}}) {
    SCOPED_TRACE(testing::Message() << "check mode " << c.CheckedMode << " auto " << c.AutoEnabled);
    TbsSkinPanel* p = WithChildren(false);
    p->SetCheckedMode(c.CheckedMode);
    p->SetAutoEnabledControls(c.AutoEnabled);
    int32_t fired = 0;
    p->OnChecked = [&](TObject*) { ++fired; };
    p->SetChecked(false);
    EXPECT_EQ(fired, 1) << "OnChecked fires in every mode";
    for (int32_t i = 0; i < p->ControlCount(); ++i) EXPECT_EQ(p->Controls(i)->Enabled(), !c.ChildrenFollow);
    p->SetChecked(true);
    EXPECT_EQ(fired, 2);
    for (int32_t i = 0; i < p->ControlCount(); ++i) EXPECT_TRUE(p->Controls(i)->Enabled());
    delete p;
  }
}

// ---- Client rectangle ------------------------------------------------------------------------

TEST_F(SkinPanel, ClientRectangles) {
  struct TCase {
    const char* Section;  // nullptr: unskinned
    TbsSkinBorderStyle Border;
    bool CaptionMode;
    TRect Client;
  };
  const TCase cases[] = {
      {nullptr, TbsSkinBorderStyle::bvFrame, false, {1, 1, 119, 79}},
      {nullptr, TbsSkinBorderStyle::bvNone, false, {0, 0, 120, 80}},
      {nullptr, TbsSkinBorderStyle::bvRaised, true, {1, 23, 119, 79}},
      {"panel", TbsSkinBorderStyle::bvFrame, false, {8, 20, 112, 72}},
      {"panel", TbsSkinBorderStyle::bvNone, false, {0, 0, 120, 80}},
      {"panel", TbsSkinBorderStyle::bvNone, true, {8, 20, 112, 72}},
      {"kitbgpanel", TbsSkinBorderStyle::bvFrame, true, {0, 0, 120, 80}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Section ? c.Section : "plain") << " border " << int(c.Border) << " caption "
                                    << c.CaptionMode);
    TbsSkinPanel* p = Add(TRect{10, 10, 130, 90});
    p->SetBorderStyle(c.Border);
    p->SetCaptionMode(c.CaptionMode);
    if (c.Section != nullptr) {
      p->SetSkinDataName(c.Section);
      p->SetSkinData(Skin.get());
    }
    EXPECT_EQ(GetAdjustedClientRect(p), c.Client);
    auto* child = new TButton(Form.get());
    child->SetParent(p);
    child->SetAlign(TAlign::alClient);
    EXPECT_EQ(child->BoundsRect(), c.Client) << "children align in it";
    delete p;
  }
}

// ---- Looks ----------------------------------------------------------------------------------

TEST_F(SkinPanel, TransparentPanelWithoutDescriptionPaintsLikeAnOpaqueOne) {
  Form->SetColor(clRed);
  ShowForm();
  TbsSkinPanel* opaque = Add(TRect{10, 10, 110, 80});
  TbsSkinPanel* clear = Add(TRect{120, 10, 220, 80});
  for (TbsSkinPanel* p : {opaque, clear}) {
    p->SetCaption("Same");
    p->SetCaptionMode(true);
    p->SetSkinDataName("nosuchpanel");
    p->SetSkinData(Skin.get());
  }
  clear->SetTransparentMode(true);
  Pump();
  std::unique_ptr<TBitmap> a = WindowPixels(opaque->Handle(), false), b = WindowPixels(clear->Handle(), false);
  ASSERT_TRUE(a && b);
  for (int32_t y = 0; y < 70; y += 3)
    for (int32_t x = 0; x < 100; x += 3)
      ASSERT_EQ(a->Canvas()->Pixels(x, y), b->Canvas()->Pixels(x, y)) << x << "," << y;
  EXPECT_EQ(Probe(clear, 50, 50), Rgb(clBtnFace));
}

TEST_F(SkinPanel, TransparentSkinnedPanelShowsItsParentInsideAFrameLine) {
  Form->SetColor(clRed);
  ShowForm();
  TbsSkinPanel* p = Add(TRect{10, 10, 110, 80});
  p->SetSkinData(Skin.get());
  p->SetTransparentMode(true);
  Pump();
  // The frame colour is the skin picture's pixel at the middle of the skin
  // rect's bottom row.
  EXPECT_EQ(Probe(p, 0, 0), PanelBottom);
  EXPECT_EQ(Probe(p, 99, 69), PanelBottom);
  EXPECT_EQ(Probe(p, 50, 35), Rgb(clRed));
  TbsSkinGroupBox* g = Add<TbsSkinGroupBox>(TRect{120, 10, 220, 80});
  g->SetSkinData(Skin.get());
  g->SetCaption("Group");
  g->SetTransparentMode(true);
  Pump();
  EXPECT_EQ(Probe(g, 50, 40), Rgb(clRed));
  EXPECT_EQ(Probe(g, 0, 69), PanelBottom) << "frame line at the bottom-left";
  EXPECT_EQ(Probe(g, 2, 0), Rgb(clRed)) << "the frame starts at the caption's middle";
  EXPECT_EQ(g->CaptionRect().Left, 5) << "the hit area follows the transparent paint";
}

// A parent whose look changes without invalidating anything.
class TColourHost : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor Colour = clRed;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Colour);
    Canvas()->FillRect(TRect{0, 0, Width(), Height()});
  }
};

// A transparent panel repaints on a parent change or a move and passes it
// on, so a transparent panel inside it shows the new background too.
TEST_F(SkinPanel, ParentChangeReachesNestedTransparentPanels) {
  ShowForm();
  auto* host = new TColourHost(Form.get());
  host->SetParent(Form.get());
  host->SetBounds(0, 0, 300, 200);
  TbsSkinPanel* outer = Add(TRect{10, 10, 160, 130}, host);
  TbsSkinPanel* inner = Add(TRect{20, 20, 100, 80}, outer);
  for (TbsSkinPanel* p : {outer, inner}) {
    p->SetSkinData(Skin.get());
    p->SetTransparentMode(true);
  }
  Pump();
  EXPECT_EQ(Probe(inner, 40, 30), Rgb(clRed));
  host->Colour = clLime;
  SendMessage(outer->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
  Pump();
  EXPECT_EQ(Probe(outer, 5, 100), Rgb(clLime));
  EXPECT_EQ(Probe(inner, 40, 30), Rgb(clLime));
  host->Colour = clBlue;
  outer->SetLeft(20);
  Pump();
  EXPECT_EQ(Probe(outer, 5, 100), Rgb(clBlue)) << "a move repaints";
  EXPECT_EQ(Probe(inner, 40, 30), Rgb(clBlue)) << "and tells the children";
}

TEST_F(SkinPanel, BackgroundPictureCoversThePanelWithoutBorderStrips) {
  ShowForm();
  TbsSkinPanel* p = Add(TRect{10, 10, 70, 50});
  p->SetSkinDataName("kitbgpanel");
  p->SetSkinData(Skin.get());
  Pump();
  struct TProbe {
    int32_t X, Y;
    TColor Color;
  };
  for (const TProbe& t : {TProbe{0, 0, BGMark}, TProbe{8, 0, BGTile}, TProbe{16, 0, BGMark}, TProbe{0, 8, BGTile},
                          TProbe{48, 32, BGMark}, TProbe{59, 39, BGTile}})
    EXPECT_EQ(Probe(p, t.X, t.Y), t.Color) << t.X << "," << t.Y;
}

TEST_F(SkinPanel, SkinnedFrameAndTiledClient) {
  ShowForm();
  TbsSkinPanel* p = Add(TRect{10, 10, 110, 90});
  p->SetSkinData(Skin.get());
  Pump();
  EXPECT_EQ(Probe(p, 50, 5), PanelCaption);
  EXPECT_EQ(Probe(p, 2, 40), PanelSide);
  EXPECT_EQ(Probe(p, 50, 75), PanelBottom);
  EXPECT_EQ(Probe(p, 8, 20), PanelMark) << "client tiles start at the client's top-left";
  EXPECT_EQ(Probe(p, 8 + 24, 20), PanelMark);
  EXPECT_EQ(Probe(p, 8 + 24, 20 + 12), PanelMark);
  EXPECT_EQ(Probe(p, 12, 24), PanelClient);
  p->SetBorderStyle(TbsSkinBorderStyle::bvNone);
  p->Repaint();
  Pump();
  EXPECT_EQ(Probe(p, 0, 0), PanelMark) << "border-less: the client part covers the panel";
  EXPECT_EQ(Probe(p, 24, 12), PanelMark);
}

TEST_F(SkinPanel, EmptyCaptionDrawsNoSkinnedCaption) {
  ShowForm();
  TbsSkinPanel* p = Add(TRect{10, 10, 110, 90});
  p->SetCaptionMode(true);
  p->SetCheckedMode(true);
  p->SetSkinData(Skin.get());
  Pump();
  EXPECT_EQ(CountColor(p->Handle(), TRect{0, 0, 100, 20}, PanelUnchecked), 0);
  p->SetCaption("Text");
  Pump();
  EXPECT_GT(CountColor(p->Handle(), TRect{0, 0, 100, 20}, PanelUnchecked), 100) << "the uncheck image";
  EXPECT_GT(CountColor(p->Handle(), TRect{20, 0, 100, 20}, PanelFont), 5) << "the text in the description's colour";
}

TEST_F(SkinPanel, CaptionImageIndexOutOfRangeFallsBackToTheGlyph) {
  ShowForm();
  TImageList images(nullptr);
  images.SetWidth(8);
  images.SetHeight(8);
  TBitmap red;
  red.SetSize(8, 8);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 8, 8});
  images.Add(&red, nullptr);
  TBitmap glyph;
  glyph.SetSize(10, 10);
  glyph.Canvas()->Brush()->SetColor(clLime);
  glyph.Canvas()->FillRect(TRect{0, 0, 10, 10});
  glyph.Canvas()->SetPixels(0, 9, clWhite);
  TbsSkinPanel* p = Add(TRect{10, 10, 160, 90});
  p->SetCaption("Image");
  p->SetCaptionMode(true);
  p->SetCaptionImageList(&images);
  p->SetCaptionImageIndex(0);
  Pump();
  EXPECT_EQ(CountColor(p->Handle(), TRect{0, 0, 150, 22}, clRed), 64) << "an image-list image without a glyph";
  p->SetCaptionImageIndex(1);
  Pump();
  EXPECT_EQ(CountColor(p->Handle(), TRect{0, 0, 150, 22}, clRed), 0);
  p->SetGlyph(&glyph);
  Pump();
  EXPECT_GT(CountColor(p->Handle(), TRect{0, 0, 150, 22}, clLime), 80) << "the glyph instead";
  p->SetCaptionImageList(nullptr);
}

// ---- Contact sheet ---------------------------------------------------------------------------

TEST_F(SkinPanel, ContactSheet) {
  Form->SetBounds(0, 0, 520, 260);
  ShowForm();
  auto panel = [&](const TRect& R, const String& Caption, bool Skinned) {
    TbsSkinPanel* p = Add(R);
    p->SetCaption(Caption);
    if (Skinned) p->SetSkinData(Skin.get());
    return p;
  };
  panel(TRect{5, 5, 125, 85}, "", false);
  TbsSkinPanel* plainCaption = panel(TRect{130, 5, 250, 85}, "Plain caption", false);
  plainCaption->SetCaptionMode(true);
  plainCaption->SetCheckedMode(true);
  plainCaption->SetRollUpMode(true);
  plainCaption->SetChecked(true);
  TbsSkinPanel* raised = panel(TRect{255, 5, 375, 85}, "Raised", false);
  raised->SetBorderStyle(TbsSkinBorderStyle::bvRaised);
  raised->SetCaptionMode(true);
  raised->SetDefaultAlignment(TAlignment::taCenter);
  panel(TRect{380, 5, 510, 85}, "", true);
  TbsSkinPanel* skinned = panel(TRect{5, 90, 125, 170}, "Skinned", true);
  skinned->SetCaptionMode(true);
  skinned->SetCheckedMode(true);
  skinned->SetRollUpMode(true);
  TbsSkinGroupBox* group = Add<TbsSkinGroupBox>(TRect{130, 90, 250, 170});
  group->SetCaption("Group box");
  group->SetSkinData(Skin.get());
  auto* inside = new TButton(Form.get());
  inside->SetParent(group);
  inside->SetAlign(TAlign::alClient);
  inside->SetCaption("child");
  TbsSkinGroupBox* clear = Add<TbsSkinGroupBox>(TRect{255, 90, 375, 170});
  clear->SetCaption("Transparent");
  clear->SetSkinData(Skin.get());
  clear->SetTransparentMode(true);
  clear->SetRollUpMode(true);
  TbsSkinPanel* bg = panel(TRect{380, 90, 510, 170}, "", true);
  bg->SetSkinDataName("kitbgpanel");
  bg->SetSkinData(Skin.get());
  TbsSkinPanel* rolled = panel(TRect{5, 175, 250, 255}, "Rolled up", true);
  rolled->SetCaptionMode(true);
  rolled->SetRollUpMode(true);
  rolled->SetRollUpState(true);
  TbsSkinGroupBox* plainGroup = Add<TbsSkinGroupBox>(TRect{255, 175, 510, 255});
  plainGroup->SetCaption("Plain group box");
  Pump();
  EXPECT_EQ(rolled->Height(), 28);
  SaveSheet(Form.get(), "skinpanel-sheet");
}

}  // namespace
