#include "skin/engine/form/skinhint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/gui/text.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

class SkinHintTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    App->CreateForm(Main);
    Window = std::make_unique<TbsSkinHintWindow>(nullptr);
  }
  void TearDown() override {
    Window.reset();
    Skin.reset();
    Pump();
    TVclTest::TearDown();
  }
  TbsSkinHint* AddHint() { return new TbsSkinHint(Main); }
  void LoadSkin9(TbsSkinHint* Hint) {
    Skin = std::make_unique<TbsSkinData>(nullptr);
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
    Hint->SetSkinData(Skin.get());
  }
  // The text block of Text in Font, as DrawText measures it.
  static TSize Measure(TFont* Font, const String& Text) {
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Font()->Assign(Font);
    String t = Text;
    TRect r{0, 0, 0, 0};
    DrawText(b.Canvas()->Handle(), t, &r, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    return TSize{r.Width(), r.Height()};
  }
  bool Showing() const { return Window->HandleAllocated() && Window->Visible(); }

  TForm* Main = nullptr;
  std::unique_ptr<TbsSkinHintWindow> Window;
  std::unique_ptr<TbsSkinData> Skin;
};

TEST_F(SkinHintTest, WithoutAnActiveComponentNoHintIsShown) {
  Window->ActivateHint(TRect{100, 100, 100, 100}, "Hint");
  EXPECT_FALSE(Showing());
  TbsSkinHint* hint = AddHint();
  hint->SetActive(false);
  Window->ActivateHint(TRect{100, 100, 100, 100}, "Hint");
  EXPECT_FALSE(Showing());
  hint->SetActive(true);
  Window->ActivateHint(TRect{100, 100, 100, 100}, "Hint");
  EXPECT_TRUE(Showing());
}

TEST_F(SkinHintTest, ActivatingOneComponentDeactivatesTheOthers) {
  TbsSkinHint* a = AddHint();
  TbsSkinHint* b = AddHint();
  b->SetActive(true);
  EXPECT_FALSE(a->Active());
  EXPECT_EQ(FindActiveSkinHint(), b);
  EXPECT_EQ(App->HintShortPause(), 100);
}

TEST_F(SkinHintTest, UnskinnedTheTextGetsTwoPixelsAllRound) {
  TbsSkinHint* hint = AddHint();
  const String text = "One\nA longer second line";
  Window->ActivateHint(TRect{100, 100, 100, 100}, text);
  const TSize m = Measure(hint->DefaultFont(), text);
  EXPECT_EQ(Window->BoundsRect(), (TRect{100, 100, 104 + m.cx, 104 + m.cy}));
}

TEST_F(SkinHintTest, NearTheScreenEdgesTheHintFlips) {
  AddHint();
  Window->ActivateHint(TRect{1270, 1020, 1270, 1020}, "Hint");
  const TRect r = Window->BoundsRect();
  EXPECT_EQ(r.Left, 1270 - r.Width() - 2);
  EXPECT_EQ(r.Top, 1020 - r.Height() - 2);
}

TEST_F(SkinHintTest, ASkinnedHintIsNeverSmallerThanItsPicture) {
  TbsSkinHint* hint = AddHint();
  LoadSkin9(hint);
  Window->ActivateHint(TRect{100, 100, 100, 100}, "x");
  ASSERT_EQ(Window->HintSkinData(), Skin.get());
  TBitmap* p = Skin->ActivePictures[size_t(Skin->HintWindowData.WindowPictureIndex)].get();
  EXPECT_EQ(Window->Width(), p->Width());
  EXPECT_EQ(Window->Height(), p->Height());
}

TEST_F(SkinHintTest, PicturesOfSkinnedHints) {
  TbsSkinHint* hint = AddHint();
  LoadSkin9(hint);
  const char* tmp = std::getenv("TMPDIR");
  const auto dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  int n = 1;
  for (const char* text : {"Close", "Rename the selected files\nwith the pattern"}) {
    Window->ActivateHint(TRect{100, 100, 100, 100}, text);
    Window->Repaint();
    Pump();
    auto pixels = WindowPixels(Window->Handle(), true);
    ASSERT_NE(pixels, nullptr);
    EXPECT_TRUE(SavePng(*pixels, (dir / ("skinhint_9_" + std::to_string(n++) + ".png")).string()));
  }
}

TEST_F(SkinHintTest, OnDemandHintsWaitShowTheLastTextAndCanBeCancelled) {
  TbsSkinHint* hint = AddHint();
  App->SetHintPause(500);
  hint->ActivateHintText("first");
  Clock().Advance(300);
  Pump();
  hint->ActivateHintText("second");
  Clock().Advance(300);
  Pump();
  EXPECT_FALSE(hint->OwnHintWindow()->Visible());
  Clock().Advance(250);
  Pump();
  EXPECT_TRUE(hint->OwnHintWindow()->Visible());
  EXPECT_EQ(hint->OwnHintWindow()->Caption(), "second");
  hint->HideHint();
  EXPECT_FALSE(hint->OwnHintWindow()->Visible());
  hint->ActivateHintText("third");
  hint->HideHint();
  Clock().Advance(1000);
  Pump();
  EXPECT_FALSE(hint->OwnHintWindow()->Visible());
}

TEST_F(SkinHintTest, OnShowHintReachesTheComponentAndEndsWithIt) {
  TbsSkinHint* hint = AddHint();
  int calls = 0;
  hint->OnShowHint = [&](String&, bool&, THintInfo&) { ++calls; };
  ASSERT_TRUE(App->OnShowHint);
  String s = "x";
  bool show = true;
  THintInfo info{};
  App->OnShowHint(s, show, info);
  EXPECT_EQ(calls, 1);
  delete hint;
  EXPECT_FALSE(App->OnShowHint);
}

// The arrow's visible rows end some way below its hot spot, well within
// the cursor's cell.
TEST_F(SkinHintTest, TheCursorHeightComesFromItsMask) {
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  const int32_t h = CursorHeightBelowHotSpot();
  EXPECT_GT(h, 8);
  EXPECT_LT(h, GetSystemMetrics(SM_CYCURSOR)) << "the fallback, not the mask";
}

}  // namespace
