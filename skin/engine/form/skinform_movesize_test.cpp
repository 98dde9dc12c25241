#include "skin/engine/form/skinframe_testing.h"

namespace {

// Drags through the window system's move and size loop: each move and the
// release are given once the loop is idle.
class SkinMoveSizeTest : public SkinFrameTest {
 public:
  void Start() {
    LoadSyntheticSkin(false, true);
    Skin->FormInfo.BorderWidth = 3;
    auto caption = std::make_unique<TbsDataSkinCaption>("caption");
    caption->SkinRect = TRect{5, 2, 35, 18};
    Skin->SkinObjects.push_back(std::move(caption));
    SF->ChangeSkinData();
    Form->SetBounds(40, 40, 100, 60);
    ShowActive();
    Frame();
  }
  // From and Moves in window coordinates of the form's position at the start.
  void Drag(TPoint From, std::vector<TPoint> Moves) {
    Clock().Advance(GetDoubleClickTime() + 1);  // never a double click
    const TRect w = Form->BoundsRect();
    H().MouseDown(w.Left + From.X, w.Top + From.Y);
    for (TPoint p : Moves) H().QueueIdleAction([this, w, p] { H().MouseMove(w.Left + p.X, w.Top + p.Y); });
    const TPoint last = Moves.back();
    H().QueueIdleAction([this, w, last] { H().MouseUp(w.Left + last.X, w.Top + last.Y); });
    Pump();
    EXPECT_EQ(H().PendingIdleActions(), 0u);
  }
  void DoubleClickCaption() {
    Clock().Advance(GetDoubleClickTime() + 1);
    const TRect w = Form->BoundsRect();
    H().DoubleClick(w.Left + 50, w.Top + 10);
    Pump();
  }
};

TEST_F(SkinMoveSizeTest, ACaptionDragMovesTheForm) {
  Start();
  Drag(TPoint{50, 10}, {TPoint{60, 15}, TPoint{80, 30}});
  EXPECT_EQ(Form->BoundsRect(), (TRect{70, 60, 170, 120}));
  EXPECT_FALSE(SF->InSizeMove());
}

TEST_F(SkinMoveSizeTest, AnEdgeDragRecomposesTheFrameAtEachSizing) {
  Start();
  std::vector<int32_t> rightEdges;
  TWndMethod skinProc = Form->WindowProc;
  Form->WindowProc = [&](TMessage& M) {
    skinProc(M);
    if (M.Msg != WM_SIZING) return;
    // The window keeps its old size until it is placed: the new right edge
    // already shows inside it on a shrinking drag.
    const int32_t right = reinterpret_cast<TRect*>(M.LParam)->Width() - 1;
    auto pixels = WindowPixels(Form->Handle(), true);
    if (PixelAt(pixels.get(), right, 40) == kRight && PixelAt(pixels.get(), right - 5, 40) != kRight)
      rightEdges.push_back(right);
  };
  Drag(TPoint{98, 40}, {TPoint{88, 40}, TPoint{78, 40}});
  Form->WindowProc = skinProc;
  EXPECT_EQ(Form->Width(), 80);
  EXPECT_EQ(Form->Height(), 60);
  EXPECT_EQ(rightEdges, (std::vector<int32_t>{89, 79}));
  auto f = Frame();
  Save(f.get(), "frame-after-size-drag.png");
  EXPECT_EQ(PixelAt(f.get(), 78, 40), kRight);
}

TEST_F(SkinMoveSizeTest, AMaximisedFormHoldsStillAndADoubleClickRestoresIt) {
  Start();
  SF->SetWindowState(2);
  Pump();
  const TRect maximised = Form->BoundsRect();
  Drag(TPoint{50, 10}, {TPoint{150, 110}});
  EXPECT_EQ(Form->BoundsRect(), maximised);
  DoubleClickCaption();
  EXPECT_EQ(SF->WindowState(), 0);
  EXPECT_EQ(Form->BoundsRect(), (TRect{40, 40, 140, 100}));
  // Twice more: maximised, then restored again.
  DoubleClickCaption();
  EXPECT_EQ(SF->WindowState(), 2);
  DoubleClickCaption();
  EXPECT_EQ(Form->BoundsRect(), (TRect{40, 40, 140, 100}));
}

TEST_F(SkinMoveSizeTest, AFixedFormsDoubleClickRollsUpOnlyWithTheRollUpIcon) {
  Start();
  Form->SetBorderStyle(TBorderStyle::bsSingle);
  Pump();
  Frame();
  SF->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu});
  DoubleClickCaption();
  EXPECT_FALSE(SF->RolledUp());
  EXPECT_EQ(Form->Height(), 60);
  SF->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biRollUp});
  DoubleClickCaption();
  EXPECT_TRUE(SF->RolledUp());
  EXPECT_EQ(Form->Height(), SF->GetMinHeight());
  EXPECT_EQ(SF->WindowState(), 0);
  DoubleClickCaption();
  EXPECT_FALSE(SF->RolledUp());
  EXPECT_EQ(Form->Height(), 60);
}

// The work area's left edge is 0: a form 4 pixels off it sticks to it
// until the cursor has moved more than 5 pixels from where it snapped.
TEST_F(SkinMoveSizeTest, TheMagnetHoldsWithinFivePixelsAndReleasesAfterSix) {
  struct TCase {
    std::vector<int32_t> CursorX;
    int32_t Left;
  };
  // The press is at window x 50: the form's left is the cursor's x - 50.
  for (const TCase& c : {TCase{{54}, 0},       // left edge at 4: snapped
                         TCase{{54, 51}, 0},   // 3 from the snap: held
                         TCase{{54, 49}, 0},   // 5 from the snap: held
                         TCase{{54, 48}, -6},  // 6 from the snap: free again
                         TCase{{60}, 10}}) {   // never near
    Start();
    SF->Magnetic = true;
    std::vector<TPoint> moves;
    for (int32_t x : c.CursorX) moves.push_back(TPoint{x - 40, 10});
    Drag(TPoint{50, 10}, moves);
    EXPECT_EQ(Form->Left(), c.Left) << c.CursorX.back();
    EXPECT_EQ(Form->Top(), 40);
    Form->SetBounds(40, 40, 100, 60);
    Pump();
  }
}

TEST_F(SkinMoveSizeTest, SizeLimits) {
  Form->SetBounds(40, 40, 400, 260);
  EXPECT_EQ(SF->GetMinWidth(), 120);
  EXPECT_EQ(SF->GetMinHeight(), 25);
  Form->SetBorderStyle(TBorderStyle::bsToolWindow);
  EXPECT_EQ(SF->GetMinHeight(), 21);
  Form->SetBorderStyle(TBorderStyle::bsSizeable);
  ShowActive();
  Frame();
  Drag(TPoint{398, 130}, {TPoint{300, 130}, TPoint{50, 130}});
  EXPECT_EQ(Form->Width(), 120);
  // The skin: the picture height minus its client part (30 - 8).
  LoadSyntheticSkin(false);
  EXPECT_EQ(SF->GetMinHeight(), 22);
  EXPECT_EQ(SF->GetMinWidth(), 40);
  EXPECT_EQ(SF->GetMaxWidth(), 1280);
  EXPECT_EQ(SF->GetMaxHeight(), 984);
  SF->MaximizeOnFullScreen = true;
  EXPECT_EQ(SF->GetMaxHeight(), 1024);
  SF->SetMaxHeight(500);
  EXPECT_EQ(SF->GetMaxHeight(), 500);
}

}  // namespace
