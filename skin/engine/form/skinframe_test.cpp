#include "skin/engine/form/skinframe_testing.h"

namespace {

TEST_F(SkinFrameTest, PicturesOfTheFrame) {
  LoadSkin9();
  ShowActive();
  auto active = Frame();
  Save(active.get(), "skinframe_9_active.png");
  ActivateOther();
  EXPECT_FALSE(Form->Active());
  Save(Frame().get(), "skinframe_9_inactive.png");
  SetActiveWindow(Form->Handle());
  Pump();
  Form->SetBounds(40, 40, 640, 200);
  Pump();
  Save(Frame().get(), "skinframe_9_wide.png");
  auto desktop = DesktopPixels();
  SaveZoomed(desktop.get(), TRect{36, 36, 76, 60}, "skinframe_9_corner_x8.png");
  SF->SetSkinData(nullptr);
  Skin->ClearAll();
  SF->ChangeSkinData();
  Form->SetBounds(40, 40, 300, 160);
  Pump();
  auto plain = Frame();
  Save(plain.get(), "skinframe_plain.png");
  SaveZoomed(plain.get(), TRect{0, 0, 60, 30}, "skinframe_plain_left_x8.png");
  SaveZoomed(plain.get(), TRect{220, 0, 300, 30}, "skinframe_plain_right_x8.png");
  Form->SetBorderStyle(TBorderStyle::bsToolWindow);
  Pump();
  Save(Frame().get(), "skinframe_plain_tool.png");
}

// ---- Geometry ------------------------------------------------------------------------------------

TEST_F(SkinFrameTest, ClientRectComesFromTheSkinsClientrectAtEverySize) {
  LoadSkin9();
  ShowActive();
  // Picture 320 x 200, clientrect 8,30,312,192: 8 left, right and bottom, 30 on top.
  for (TSize size : {TSize{400, 260}, TSize{320, 200}, TSize{700, 420}}) {
    Form->SetBounds(40, 40, size.cx, size.cy);
    Pump();
    TRect client;
    GetClientRect(Form->Handle(), &client);
    EXPECT_EQ(client.Width(), size.cx - 16) << size.cx;
    EXPECT_EQ(client.Height(), size.cy - 38) << size.cy;
    EXPECT_EQ(Form->ClientToScreen(TPoint{0, 0}), (TPoint{48, 70}));
  }
}

TEST_F(SkinFrameTest, AButtonsRectRightOfTheMiddleFollowsTheRightEdge) {
  struct TCase {
    TRect Buttons;
    TRect Expected;
  };
  // Picture 40 wide: middle 20; the frame is 60 wider.
  for (const TCase& c :
       {TCase{TRect{25, 2, 33, 10}, TRect{85, 2, 93, 10}}, TCase{TRect{6, 2, 14, 10}, TRect{6, 2, 14, 10}}}) {
    LoadSyntheticSkin(false);
    Skin->FormInfo.ButtonsRect = c.Buttons;
    Form->SetBounds(40, 40, 100, 60);
    Pump();
    SF->CalcSizedGeometry();
    EXPECT_EQ(SF->SizedButtonsRect(), c.Expected);
    EXPECT_EQ(SF->SizedCaptionRect(), (TRect{5, 2, 95, 18}));
  }
}

TEST_F(SkinFrameTest, MapSkinRectFollowsTheCornerAreas) {
  LoadSyntheticSkin(false);
  Form->SetBounds(40, 40, 100, 70);  // dx 60, dy 40
  Pump();
  SF->CalcSizedGeometry();
  struct TCase {
    TRect In, Out;
  };
  for (const TCase& c : {TCase{TRect{1, 1, 4, 4}, TRect{1, 1, 4, 4}},           // left-top
                         TCase{TRect{36, 1, 39, 4}, TRect{96, 1, 99, 4}},       // right-top
                         TCase{TRect{1, 28, 4, 29}, TRect{1, 68, 4, 69}},       // left-bottom
                         TCase{TRect{36, 28, 39, 29}, TRect{96, 68, 99, 69}},   // right-bottom
                         TCase{TRect{1, 1, 38, 10}, TRect{1, 1, 98, 10}},       // across the top
                         TCase{TRect{1, 1, 3, 29}, TRect{1, 1, 3, 69}},         // down the left
                         TCase{TRect{36, 1, 39, 29}, TRect{96, 1, 99, 69}},     // down the right
                         TCase{TRect{1, 28, 38, 29}, TRect{1, 68, 98, 69}},     // across the bottom
                         TCase{TRect{1, 1, 39, 29}, TRect{1, 1, 99, 69}},       // everything
                         TCase{TRect{10, 22, 20, 26}, TRect{10, 22, 20, 26}}})  // the middle
    EXPECT_EQ(SF->MapSkinRect(c.In), c.Out) << c.In.Left << "," << c.In.Top << "," << c.In.Right << "," << c.In.Bottom;
}

// ---- Painting ------------------------------------------------------------------------------------

TEST_F(SkinFrameTest, WideningKeepsTheCornersAndTilesOrStretchesTheTop) {
  for (bool stretch : {false, true}) {
    LoadSyntheticSkin(stretch);
    Form->SetBounds(40, 40, 100, 60);
    ShowActive();
    auto f = Frame();
    // Corners as in the picture.
    EXPECT_EQ(PixelAt(f.get(), 0, 0), kCorner);
    EXPECT_EQ(PixelAt(f.get(), 4, 19), kCorner);
    EXPECT_EQ(PixelAt(f.get(), 95, 0), kCorner);
    EXPECT_EQ(PixelAt(f.get(), 99, 59), kCorner);
    EXPECT_EQ(PixelAt(f.get(), 2, 40), kLeft);
    EXPECT_EQ(PixelAt(f.get(), 97, 40), kRight);
    EXPECT_EQ(PixelAt(f.get(), 50, 59), kBottom);
    // The top strip is 30 pixels with a mark 5 in: tiled (copies from the
    // window's left edge, under the corner) it repeats every 30 from x = 5;
    // stretched over 90 it is three times as far in.
    if (stretch) {
      EXPECT_EQ(PixelAt(f.get(), 21, 10), kTopMark);
      EXPECT_EQ(PixelAt(f.get(), 40, 10), kTop);
    } else {
      EXPECT_EQ(PixelAt(f.get(), 5, 10), kTopMark);
      EXPECT_EQ(PixelAt(f.get(), 35, 10), kTopMark);
      EXPECT_EQ(PixelAt(f.get(), 65, 10), kTopMark);
      EXPECT_EQ(PixelAt(f.get(), 21, 10), kTop);
    }
  }
}

TEST_F(SkinFrameTest, AnInactiveFormUsesTheInactivePictureOrTheGreyEffect) {
  LoadSyntheticSkin(false);
  Skin->InactivePicture->Assign(Skin->MainPicture.get());
  Fill(Skin->InactivePicture.get(), TRect{0, 0, 5, 20}, clBlue);
  SF->ChangeSkinData();
  Form->SetBounds(40, 40, 100, 60);
  ShowActive();
  EXPECT_EQ(PixelAt(Frame().get(), 1, 1), kCorner);
  ActivateOther();
  EXPECT_EQ(PixelAt(Frame().get(), 1, 1), clBlue);

  Skin->InactivePicture->SetSize(0, 0);
  Skin->FormInfo.AutoRenderingInActiveImage = true;
  Skin->FormInfo.InActiveEffect = TbsSkinEffect::ieGrayScale;
  SF->ChangeSkinData();
  auto f = Frame();
  for (TPoint p : {TPoint{1, 1}, TPoint{20, 10}, TPoint{10, 10}, TPoint{2, 40}, TPoint{97, 40}, TPoint{50, 59}}) {
    const TColor c = PixelAt(f.get(), p.X, p.Y);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << p.X << "," << p.Y << " " << c;
  }
}

TEST_F(SkinFrameTest, ThePlainLookOfAToolWindow) {
  Form->SetBorderStyle(TBorderStyle::bsToolWindow);
  Form->SetBounds(40, 40, 200, 100);
  ShowActive();
  auto f = Frame();
  // A 15-pixel caption inside a 3-pixel border.
  EXPECT_EQ(Form->ClientToScreen(TPoint{0, 0}), (TPoint{43, 58}));
  EXPECT_EQ(PixelAt(f.get(), 0, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(PixelAt(f.get(), 199, 99), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(PixelAt(f.get(), 1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(f.get(), 198, 98), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(f.get(), 2, 2), ColorToRGB(clBtnFace));
  // Etched lines from y = 2 of the caption bitmap (window y 5), highlight first.
  const int32_t x = SF->PlainCaptionRect().Left + 4;
  EXPECT_EQ(PixelAt(f.get(), x, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(f.get(), x, 6), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(f.get(), x, 14), ColorToRGB(clBtnShadow));  // the last line, caption height - 4
  EXPECT_EQ(PixelAt(f.get(), x, 15), ColorToRGB(clBtnFace));
  // 13-pixel buttons from the right border, close first.
  EXPECT_EQ(SF->Objects(0)->FBounds, (TRect{184, 4, 197, 17}));
  EXPECT_EQ(SF->Objects(1)->FBounds, (TRect{171, 4, 184, 17}));
}

// An index naming no active picture falls back to the client part of the
// frame picture, tiled from the client's origin.
TEST_F(SkinFrameTest, TheClientBackgroundTilesAValidPictureOrTheClientPart) {
  struct TCase {
    int32_t Index;
    TColor Expected;
  };
  for (const TCase& c : {TCase{7, kClient}, TCase{-1, kClient}, TCase{0, clBlue}}) {
    LoadSyntheticSkin(false);
    Fill(Skin->ActivePictures[0].get(), TRect{0, 0, 16, 8}, clBlue);
    Skin->FormInfo.BGPictureIndex = c.Index;
    SF->ChangeSkinData();
    Form->SetBounds(40, 40, 100, 60);
    ShowActive();
    Form->Invalidate();
    Pump();
    auto client = WindowPixels(Form->Handle(), false);
    EXPECT_EQ(PixelAt(client.get(), 0, 0), c.Expected) << c.Index;
    EXPECT_EQ(PixelAt(client.get(), client->Width() - 1, client->Height() - 1), c.Expected) << c.Index;
  }
}

// ---- Region ----------------------------------------------------------------------------------------

TEST_F(SkinFrameTest, WithoutAMaskTheRegionIsTheFrame) {
  LoadSyntheticSkin(false);
  Form->SetBounds(40, 40, 100, 60);
  ShowActive();
  ASSERT_NE(SF->Region(), nullptr);
  TRect box;
  GetWindowRgnBox(Form->Handle(), &box);
  EXPECT_EQ(box, (TRect{0, 0, 100, 60}));
}

TEST_F(SkinFrameTest, TheMaskCutsCornersThatTakeNoClicksAndShowTheDesktop) {
  LoadSyntheticSkin(false, true);
  Form->SetBounds(40, 40, 100, 60);
  ShowActive();
  auto desktop = DesktopPixels();
  const TColor under = PixelAt(desktop.get(), 600, 600);
  EXPECT_EQ(PixelAt(desktop.get(), 41, 41), under);
  EXPECT_EQ(PixelAt(desktop.get(), 44, 44), kCorner);
  EXPECT_NE(WindowFromPoint(TPoint{41, 41}), Form->Handle());
  EXPECT_EQ(WindowFromPoint(TPoint{44, 44}), Form->Handle());
}

TEST_F(SkinFrameTest, RegionsAreNeitherLeakedNorDeletedTwice) {
  LoadSkin9();
  ShowActive();
  const int32_t start = GdiLiveObjectCount(OBJ_REGION);
  for (int32_t w : {500, 330, 640}) {
    Form->SetBounds(40, 40, w, 300);
    Pump();
  }
  SF->SetSkinData(nullptr);
  Pump();
  LoadSkin9();
  LoadSyntheticSkin(false, true);
  LoadSkin9();
  Form->SetBounds(40, 40, 420, 280);
  Pump();
  EXPECT_EQ(GdiLiveObjectCount(OBJ_REGION), start);
}

TEST_F(SkinFrameTest, AlphaBlendAnimationEndsOpaqueAndNotLayered) {
  SF->AlphaBlendAnimation = true;
  Form->Show();
  Pump();
  EXPECT_NE(GetWindowLong(Form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  for (int i = 0; i < 5; ++i) {
    Clock().Advance(5);
    Pump();
  }
  EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

TEST_F(SkinFrameTest, AlphaBlendAppliesAtOnce) {
  Form->Show();
  Pump();
  SF->SetAlphaBlendValue(120);
  SF->SetAlphaBlend(true);
  EXPECT_NE(GetWindowLong(Form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  uint8_t alpha = 0;
  uint32_t flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(Form->Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 120);
  SF->SetAlphaBlendValue(90);
  ASSERT_TRUE(GetLayeredWindowAttributes(Form->Handle(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 90);
  SF->SetAlphaBlend(false);
  EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

// Another window asks for the frame in its own device context.
TEST_F(SkinFrameTest, TheFramePaintsIntoAGivenDC) {
  LoadSyntheticSkin(false);
  Form->SetBounds(40, 40, 100, 60);
  ShowActive();
  TBitmap b;
  b.SetSize(100, 60);
  Fill(&b, TRect{0, 0, 100, 60}, clWhite);
  const LRESULT answer = SendMessage(Form->Handle(), WM_SKIN_PAINTFRAME, reinterpret_cast<WPARAM>(b.Canvas()->Handle()),
                                     bsSkinPaintAnswer);
  EXPECT_EQ(answer, bsSkinPaintAnswer);
  EXPECT_EQ(PixelAt(&b, 0, 0), kCorner);
  EXPECT_EQ(PixelAt(&b, 2, 40), kLeft);
  EXPECT_EQ(PixelAt(&b, 50, 40), clWhite);  // the client part is left alone
}

// The logo sits in the middle of the client area, over the background.
TEST_F(SkinFrameTest, TheLogoIsCentredInTheClientArea) {
  LoadSyntheticSkin(false);
  TBitmap logo;
  logo.SetSize(10, 6);
  Fill(&logo, TRect{0, 0, 10, 6}, clBlue);
  SF->SetLogoBitMap(&logo);
  Form->SetBounds(40, 40, 100, 60);
  ShowActive();
  Form->Invalidate();
  Pump();
  auto client = WindowPixels(Form->Handle(), false);
  const int32_t x = client->Width() / 2 - 5, y = client->Height() / 2 - 3;
  EXPECT_EQ(PixelAt(client.get(), x, y), clBlue);
  EXPECT_EQ(PixelAt(client.get(), x + 9, y + 5), clBlue);
  EXPECT_EQ(PixelAt(client.get(), x - 1, y), kClient);
}

}  // namespace
