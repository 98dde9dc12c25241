// The skinned frame on real windows: the window system makes a form whose
// frame the skin draws a borderless window shaped by its region, and gives
// it its own frame back when the skin stops drawing it. Checked on the
// screen grabbed from the X server.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/win_internal.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/storedskin.h"
#include "skin/engine/form/skinform.h"

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

bool PumpUntil(const std::function<bool()>& Done, int Ms = 5000) {
  const uint64_t deadline = GetTickCount64() + uint64_t(Ms);
  const uintptr_t timer = SetTimer(nullptr, 0, 20, nullptr);
  bool ok = false;
  for (;;) {
    TMSG m;
    for (int n = 0; n < 10000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++n) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    if (Done()) {
      ok = true;
      break;
    }
    if (GetTickCount64() >= deadline) break;
    WaitMessage();
  }
  KillTimer(nullptr, timer);
  return ok;
}

void Settle() {
  PumpUntil([] { return !WinHasWork(); }, 2000);
  gWorld->Backend->PumpEvents();
}

uint32_t ScreenPixel(int32_t X, int32_t Y) {
  std::vector<uint32_t> px;
  if (!gWorld->Input.Grab(X, Y, 1, 1, px) || px.empty()) return 0xFFFFFFFF;
  return px[0] & 0xFFFFFF;
}

class SkinFrameXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(gWorld, nullptr);
    if (!gWorld->SkipReason.empty()) GTEST_SKIP() << gWorld->SkipReason;
    ASSERT_TRUE(gWorld->FailReason.empty()) << gWorld->FailReason;
    Scr = std::make_unique<TScreen>(nullptr);
    App = std::make_unique<TApplication>(nullptr);
    Below = std::make_unique<TForm>(nullptr);
    Below->SetBorderStyle(TBorderStyle::bsNone);
    Below->SetColor(TColor(0x0000FF));  // red
    Below->SetBounds(60, 60, 600, 400);
    Below->Show();
    Skin = std::make_unique<TbsSkinData>(nullptr);
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
    ASSERT_FALSE(Skin->MaskPicture->Empty());
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsSizeable);
    Form->SetBounds(100, 100, 400, 260);
    auto* sf = new TbsSkinForm(Form.get());
    sf->SetSkinData(Skin.get());
    Form->Show();
    Settle();
  }
  void TearDown() override {
    Form.reset();
    Below.reset();
    Skin.reset();
    App.reset();
    Scr.reset();
  }
  bool Borderless() const {
    SDL_Window* w = gWorld->Backend->WindowOf(Form->Handle());
    return w != nullptr && (SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS) != 0;
  }

  std::unique_ptr<TScreen> Scr;
  std::unique_ptr<TApplication> App;
  std::unique_ptr<TForm> Below, Form;
  std::unique_ptr<TbsSkinData> Skin;
};

TEST_F(SkinFrameXvfb, AMaskedFrameShowsTheWindowBelowOutsideItsShape) {
  EXPECT_TRUE(Borderless());
  ASSERT_TRUE(PumpUntil([] { return ScreenPixel(100, 100) == 0xFF0000; }, 3000))
      << "the cut corner shows " << std::hex << ScreenPixel(100, 100);
  EXPECT_NE(ScreenPixel(100 + 200, 100 + 2), 0xFF0000u) << "the frame's top edge";
  std::vector<uint32_t> screen;
  ASSERT_TRUE(gWorld->Input.Grab(0, 0, 1280, 1024, screen));
  TBitmap shot;
  shot.SetPixelFormat(TPixelFormat::pf32bit);
  shot.SetSize(1280, 1024);
  for (int32_t y = 0; y < 1024; ++y) std::memcpy(shot.ScanLine(y), &screen[size_t(y) * 1280], 1280 * 4);
  EXPECT_TRUE(SavePng(shot, gWorld->OutDir + "/skinframe.png"));
}

TEST_F(SkinFrameXvfb, SwitchingTheSkinnedFrameFramesAndUnframesTheWindow) {
  ASSERT_TRUE(Borderless());
  Skin->SetSkinnableForm(false);
  Settle();
  EXPECT_TRUE(PumpUntil([&] { return !Borderless(); }, 3000));
  Skin->SetSkinnableForm(true);
  Settle();
  EXPECT_TRUE(PumpUntil([&] { return Borderless(); }, 3000));
}

}  // namespace
