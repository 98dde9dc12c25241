#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/gui/gdi_testing.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/data/storedskin_testing.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/form/skinhint.h"

namespace {

std::filesystem::path ArtifactDir() {
  const char* tmp = std::getenv("TMPDIR");
  auto dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

[[maybe_unused]] TColor PixelAt(TBitmap* B, int32_t X, int32_t Y) { return B->Canvas()->Pixels(X, Y); }

// Solid colours for the synthetic skin's picture parts.
constexpr TColor kCorner = 0x0000FF, kTop = 0x00FF00, kLeft = 0xFF0000, kRight = 0xFFFF00, kBottom = 0x00FFFF,
                 kClient = 0x808080, kTopMark = 0xFF00FF;

class SkinFrameTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsSizeable);
    Form->SetBounds(40, 40, 400, 260);
    Form->SetCaption("Pictoval");
    Skin = std::make_unique<TbsSkinData>(nullptr);
    SF = new TbsSkinForm(Form.get());
  }
  void TearDown() override {
    Other.reset();
    Form.reset();
    Skin.reset();
    Pump();
    TVclTest::TearDown();
  }
  void LoadSkin9() {
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
    SF->SetSkinData(Skin.get());
  }
  // A 40 x 30 picture: corners 5 x 20 at the top and 5 x 2 at the bottom,
  // a top strip with a mark at x = 10 (so tiling shows), sides and bottom
  // in their own colours, the client part grey. Stretch flags as given.
  void LoadSyntheticSkin(bool TopStretch, bool WithMask = false) {
    TbsCompressedStoredSkin* c = new TbsCompressedStoredSkin(Skin.get());
    SetPacked(c, Deflate(FixtureLayout(3, Folder, FixtureSkinIni())));
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(c));
    TBitmap* p = Skin->MainPicture.get();
    p->SetPixelFormat(TPixelFormat::pf24bit);
    p->SetSize(40, 30);
    Fill(p, TRect{0, 0, 40, 30}, kCorner);
    Fill(p, TRect{5, 0, 35, 20}, kTop);
    Fill(p, TRect{10, 5, 11, 15}, kTopMark);
    Fill(p, TRect{0, 20, 5, 28}, kLeft);
    Fill(p, TRect{35, 20, 40, 28}, kRight);
    Fill(p, TRect{5, 28, 35, 30}, kBottom);
    Fill(p, TRect{5, 20, 35, 28}, kClient);
    TbsSkinFormInfo& fi = Skin->FormInfo;
    fi = TbsSkinFormInfo{};
    fi.LeftTopPoint = TPoint{5, 20};
    fi.RightTopPoint = TPoint{35, 20};
    fi.LeftBottomPoint = TPoint{5, 28};
    fi.RightBottomPoint = TPoint{35, 28};
    fi.ClientRect = TRect{5, 20, 35, 28};
    fi.MaskRectArea = fi.ClientRect;
    fi.TopStretch = TopStretch;
    fi.CaptionRect = TRect{5, 2, 35, 18};
    Skin->SkinObjects.clear();
    Skin->MaskPicture->SetSize(0, 0);
    if (WithMask) {
      TBitmap* m = Skin->MaskPicture.get();
      m->SetPixelFormat(TPixelFormat::pf24bit);
      m->SetSize(40, 30);
      Fill(m, TRect{0, 0, 40, 30}, clBlack);
      Fill(m, TRect{0, 0, 3, 3}, clWhite);  // the top-left corner is cut
    }
    SF->SetSkinData(Skin.get());
  }
  static void Fill(TBitmap* B, const TRect& R, TColor C) {
    B->Canvas()->Brush()->SetColor(C);
    B->Canvas()->FillRect(R);
  }
  void ShowActive() {
    Form->Show();
    Pump();
    SetActiveWindow(Form->Handle());
    Pump();
  }
  std::unique_ptr<TBitmap> Frame() {
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    return WindowPixels(Form->Handle(), true);
  }
  void Save(TBitmap* B, const char* Name) { EXPECT_TRUE(SavePng(*B, (ArtifactDir() / Name).string())); }
  // R of B eight times as large.
  void SaveZoomed(TBitmap* B, const TRect& R, const char* Name) {
    TBitmap z;
    z.SetSize(R.Width() * 8, R.Height() * 8);
    z.Canvas()->CopyRect(TRect{0, 0, z.Width(), z.Height()}, B->Canvas(), R);
    Save(&z, Name);
  }
  // Another form takes the activation.
  void ActivateOther() {
    Other = std::make_unique<TForm>(nullptr);
    Other->SetBounds(700, 500, 100, 100);
    Other->Show();
    Pump();
    SetActiveWindow(Other->Handle());
    Pump();
  }

  TSkinFolder Folder;
  std::unique_ptr<TForm> Form, Other;
  std::unique_ptr<TbsSkinData> Skin;
  TbsSkinForm* SF = nullptr;
};

// Pictures to look at: the skin-9 frame active and inactive at two sizes,
// and the plain look of a normal and a tool window.
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

// ---- Objects -------------------------------------------------------------------------------------

class SkinFrameObjectsTest : public SkinFrameTest {
 public:
  void SetUp() override {
    SkinFrameTest::SetUp();
    Form->OnClose = [this](TObject*, TCloseAction&) { ++Closes; };
  }
  void Start() {
    LoadSkin9();
    ShowActive();
    Frame();
  }
  TbsActiveSkinObject* Named(const String& Name) {
    for (int32_t i = 0; i < SF->ObjectCount(); ++i)
      if (SF->Objects(i)->FSectionName == Name) return SF->Objects(i);
    return nullptr;
  }
  TPoint Screen(TbsActiveSkinObject* O) {
    const TRect w = Form->BoundsRect();
    return TPoint{w.Left + O->FBounds.Left + 3, w.Top + O->FBounds.Top + 3};
  }
  // The cursor rests on P until the tracking timer has looked.
  void Hover(TPoint P) {
    H().MouseMove(P.X, P.Y);
    Clock().Advance(60);
    Pump();
  }
  void Press(TPoint P, uint32_t Msg = WM_NCLBUTTONDOWN) {
    Hover(P);
    SendMessage(Form->Handle(), Msg, HTNOWHERE, MAKELPARAM(P.X, P.Y));
  }
  void Release() { SendMessage(Form->Handle(), WM_LBUTTONUP, 0, 0); }
  int32_t Closes = 0;
};

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

}  // namespace
