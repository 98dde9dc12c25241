#include "skin/engine/form/skinframe_testing.h"

#include <cmath>
#include <vector>

namespace {

TEST_F(SkinFrameObjectsTest, TheCloseButtonClosesOnlyWhenReleasedOnIt) {
  Start();
  auto* close = Named("closebutton");
  ASSERT_NE(close, nullptr);
  Press(Screen(close));
  EXPECT_EQ(SF->CapturedObject(), SF->ActiveObject());
  Hover(TPoint{300, 600});
  EXPECT_FALSE(close->FHot);
  Release();
  EXPECT_EQ(Closes, 0);
  EXPECT_EQ(SF->CapturedObject(), -1);
  Press(Screen(close));
  Release();
  EXPECT_EQ(Closes, 1);
}

TEST_F(SkinFrameObjectsTest, WhileOneButtonIsPressedNoOtherBecomesHot) {
  Start();
  Press(Screen(Named("minbutton")));
  Hover(Screen(Named("maxbutton")));
  EXPECT_FALSE(Named("maxbutton")->FHot);
  EXPECT_EQ(SF->ActiveObject(), -1);
  Release();
  Hover(Screen(Named("maxbutton")));
  EXPECT_TRUE(Named("maxbutton")->FHot);
}

TEST_F(SkinFrameObjectsTest, HiddenCaptionButtonsAndCustomButtons) {
  // maxbutton drawn from the frame picture, a cmdefault button added.
  LoadSkin9();
  for (auto& d : Skin->SkinObjects)
    if (d->SectionName == "maxbutton") d->SkinRectInAPicture = false;
  auto custom = std::make_unique<TbsDataSkinStdButton>("custom");
  custom->ActivePictureIndex = 0;
  custom->SkinRectInAPicture = true;
  custom->SkinRect = TRect{0, 0, 10, 10};
  Skin->SkinObjects.push_back(std::move(custom));
  SF->HideCaptionButtons = true;
  SF->ChangeSkinData();
  EXPECT_TRUE(Named("maxbutton")->FVisible);
  EXPECT_FALSE(Named("maxbutton")->FEnabled);
  EXPECT_FALSE(Named("minbutton")->FVisible);
  SF->HideCaptionButtons = false;
  SF->ChangeSkinData();
  EXPECT_FALSE(Named("custom")->FVisible);
  SF->OnActivateCustomObject = [](TObject*, const String& Name, bool& Visible) { Visible = Name == "custom"; };
  SF->ChangeSkinData();
  EXPECT_TRUE(Named("custom")->FVisible);
  EXPECT_TRUE(Named("closebutton")->FEnabled);
}

TEST_F(SkinFrameObjectsTest, DoubleClickOnTheSystemMenuButtonCloses) {
  Start();
  Press(Screen(Named("sysmenubutton")), WM_NCLBUTTONDBLCLK);
  Release();
  EXPECT_EQ(Closes, 1);
}

TEST_F(SkinFrameObjectsTest, AMorphTakesFiveStepsAndReversesHalfWay) {
  Start();
  auto* close = Named("closebutton");
  Hover(Screen(close));
  ASSERT_TRUE(close->FHot);
  EXPECT_EQ(close->FMorphPos, 0);
  // Five steps of 0.2 on the 25 ms timer, which then stops.
  std::vector<double> seen;
  for (int i = 0; i < 6; ++i) {
    Clock().Advance(25);
    Pump();
    seen.push_back(close->FMorphPos);
  }
  EXPECT_EQ(seen, (std::vector<double>{0.2, 0.4, 0.6000000000000001, 0.8, 1, 1}));
  EXPECT_FALSE(SF->MorphTimer()->Enabled());
  // Back to normal, and on the way there the mouse returns: the morph turns
  // round where it is, one step at a time.
  H().MouseMove(300, 600);
  Clock().Advance(50);
  Pump();
  while (close->FMorphPos > 0.5) {
    Clock().Advance(25);
    Pump();
  }
  Hover(Screen(close));
  seen = {close->FMorphPos};
  for (int i = 0; i < 6; ++i) {
    Clock().Advance(25);
    Pump();
    seen.push_back(close->FMorphPos);
  }
  EXPECT_GT(seen.front(), 0);
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_NEAR(std::abs(seen[i] - seen[i - 1]), seen[i] == 1 && seen[i - 1] == 1 ? 0 : 0.2, 1e-9) << i;
  EXPECT_EQ(seen.back(), 1);
}

TEST_F(SkinFrameObjectsTest, TheSystemMenuButtonStaysDownWhileItsMenuIsOpen) {
  Start();
  auto* menu = new TPopupMenu(Form.get());
  for (const char* caption : {"Restore", "Close"}) {
    auto* item = new TMenuItem(menu);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  SF->SetSystemMenu(menu);
  auto* sys = dynamic_cast<TbsSkinButtonObject*>(Named("sysmenubutton"));
  ASSERT_NE(sys, nullptr);
  Press(Screen(sys));
  Release();
  EXPECT_TRUE(SF->SkinMenu()->IsOpen);
  EXPECT_TRUE(sys->FDown);
  SF->SkinMenu()->CloseMenu();
  Pump();
  EXPECT_FALSE(sys->FDown);
  EXPECT_EQ(Closes, 0);
}

// A four-frame animation: without "cycle" it runs to the last frame and
// plays back when the mouse leaves; with it, it keeps looping.
TEST_F(SkinFrameObjectsTest, AnimationsRunForwardAndBack) {
  for (bool cycle : {false, true}) {
    LoadSkin9();
    auto a = std::make_unique<TbsDataSkinAnimate>("spinner");
    a->ActivePictureIndex = 0;
    a->SkinRect = TRect{100, 10, 110, 20};
    a->ActiveSkinRect = TRect{0, 0, 40, 10};
    a->CountFrames = 4;
    a->ButtonStyle = true;
    a->Cycle = cycle;
    a->TimerInterval = 10;
    // Ahead of the caption, which covers the same place.
    Skin->SkinObjects.insert(Skin->SkinObjects.begin(), std::move(a));
    SF->OnActivateCustomObject = [](TObject*, const String&, bool& Visible) { Visible = true; };
    SF->ChangeSkinData();
    ShowActive();
    Frame();
    auto* spinner = dynamic_cast<TbsSkinAnimateObject*>(Named("spinner"));
    ASSERT_NE(spinner, nullptr);
    Hover(Screen(spinner));
    std::vector<int32_t> frames;
    for (int i = 0; i < 5; ++i) {
      Clock().Advance(25);
      Pump();
      frames.push_back(spinner->FFrameIndex);
    }
    EXPECT_EQ(frames, cycle ? (std::vector<int32_t>{2, 3, 4, 1, 2}) : (std::vector<int32_t>{2, 3, 4, 4, 4})) << cycle;
    if (cycle) continue;
    H().MouseMove(300, 600);
    Clock().Advance(50);
    Pump();
    for (int i = 0; i < 4; ++i) {
      Clock().Advance(25);
      Pump();
    }
    EXPECT_EQ(spinner->FFrameIndex, 1);
    EXPECT_FALSE(spinner->FHot);
  }
}

TEST_F(SkinFrameObjectsTest, CaptionButtonsGetTheStandardHints) {
  Start();
  EXPECT_EQ(Named("closebutton")->FHintText, "Close");
  EXPECT_EQ(Named("sysmenubutton")->FHintText, "System menu");
  EXPECT_EQ(Named("traybutton")->FHintText, "Minimize to Tray");
}

// The plain look's system-menu button takes the small icon's size with
// ShowIcon, and the caption strip starts after it.
TEST_F(SkinFrameObjectsTest, ThePlainSystemMenuButtonShowsTheSmallIcon) {
  Form->SetBounds(40, 40, 300, 120);
  ShowActive();
  Frame();
  EXPECT_EQ(Named("sysmenubutton")->FBounds, (TRect{3, 4, 20, 21}));
  SF->SetShowIcon(true);
  Frame();
  const int32_t cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  EXPECT_EQ(Named("sysmenubutton")->FBounds, (TRect{3, 4, 3 + cx, 4 + cy}));
  EXPECT_EQ(SF->PlainCaptionRect().Left, 3 + cx);
}

}  // namespace
