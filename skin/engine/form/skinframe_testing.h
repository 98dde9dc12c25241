// The fixture of the skinned frame tests (included by *_test.cpp only): a
// form with its skin component, skin 9 or a small synthetic skin whose
// picture parts have colours of their own, and pictures of what is shown.
#pragma once

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

inline std::filesystem::path ArtifactDir() {
  const char* tmp = std::getenv("TMPDIR");
  auto dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

inline TColor PixelAt(TBitmap* B, int32_t X, int32_t Y) { return B->Canvas()->Pixels(X, Y); }

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
// The frame objects of skin 9, pressed and hovered as the mouse would.
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
