// The dialogs on real windows under a private X server: each dialog runs its
// own modal loop on the SDL2 backend while a timer of the test drives it
// with real input through XTest, once the dialog has painted. A screenshot
// grabbed from the server is kept in the output folder and must pass
// pngcheck. Every wait is bounded.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_internal.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/dialogs_file.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"

namespace {

constexpr uint64_t kDialogTimeoutMs = 15000;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

// ---- Driving a modal dialog from a timer ---------------------------------------------

// Steps run one per timer tick while the dialog's loop runs; a step answers
// true when it is done (false: try again at the next tick). The dialog is
// cancelled when the steps do not finish in time.
class TDriver {
 public:
  using TStep = std::function<bool(HWND dialog)>;

  TDriver(TDialogKind Kind, std::vector<TStep> Steps) : FKind(Kind), FSteps(std::move(Steps)) {
    gDriver = this;
    TDialogWatcher w;
    w.OnStart = [this](HWND h, const TDialogInfo& info) {
      if (info.Kind == FKind && FDialog == nullptr) FDialog = h;
    };
    SetDialogWatcher(std::move(w));
    FStart = GetTickCount64();
    FTimer = SetTimer(nullptr, 0, 50, &Tick);
  }
  ~TDriver() {
    KillTimer(nullptr, FTimer);
    SetDialogWatcher(TDialogWatcher{});
    gDriver = nullptr;
  }

  bool Finished() const { return FNext == FSteps.size(); }
  bool TimedOut() const { return FTimedOut; }
  size_t StepReached() const { return FNext; }

 private:
  static void Tick(HWND, uint32_t, uintptr_t, uint32_t) {
    TDriver* d = gDriver;
    if (d == nullptr || d->FBusy) return;
    d->FBusy = true;
    if (d->FDialog != nullptr && IsWindow(d->FDialog) && d->FNext < d->FSteps.size()) {
      if (d->FSteps[d->FNext](d->FDialog)) ++d->FNext;
    }
    if (!d->FTimedOut && GetTickCount64() - d->FStart > kDialogTimeoutMs) {
      d->FTimedOut = true;
      if (d->FDialog != nullptr && IsWindow(d->FDialog)) EndDialog(d->FDialog, IDCANCEL);
    }
    d->FBusy = false;
  }

  static inline TDriver* gDriver = nullptr;
  TDialogKind FKind;
  std::vector<TStep> FSteps;
  size_t FNext = 0;
  HWND FDialog = nullptr;
  uintptr_t FTimer = 0;
  uint64_t FStart = 0;
  bool FBusy = false;
  bool FTimedOut = false;
};

// Everything of the dialog painted and presented, and a moment for the
// server to show it.
TDriver::TStep Settled() {
  auto since = std::make_shared<uint64_t>(0);
  return [since](HWND dialog) {
    if (!IsWindowVisible(dialog) || WinHasWork()) {
      *since = 0;
      return false;
    }
    gWorld->Backend->PumpEvents();
    if (*since == 0) *since = GetTickCount64();
    return GetTickCount64() - *since >= 300;
  };
}

// The screen grabbed from the server into a PNG of the output folder,
// which must pass pngcheck.
TDriver::TStep Screenshot(const std::string& name, bool* saved) {
  return [name, saved](HWND) {
    *saved = SaveScreenShot(name);
    return true;
  };
}

TPoint CentreOf(HWND control) {
  TRect r;
  GetWindowRect(control, &r);
  return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

TDriver::TStep ClickOn(std::function<HWND(HWND dialog)> Control) {
  return [Control](HWND dialog) {
    HWND c = Control(dialog);
    if (c == nullptr) return false;
    ClickAt(CentreOf(c));
    return true;
  };
}

class DlgXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(gWorld, nullptr);
    if (!gWorld->SkipReason.empty()) GTEST_SKIP() << gWorld->SkipReason;
    ASSERT_TRUE(gWorld->FailReason.empty()) << gWorld->FailReason;
    Scr = std::make_unique<TScreen>(nullptr);
    App = std::make_unique<TApplication>(nullptr);
    App->SetTitle("Pictoval");
    InstallPlainMessageBox();
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    App.reset();
    Scr.reset();
  }

  std::unique_ptr<TScreen> Scr;
  std::unique_ptr<TApplication> App;
};

TEST_F(DlgXvfb, MessageBoxAnsweredByARealClick) {
  bool saved = false;
  TDriver driver(TDialogKind::dkMessageBox, {Settled(), Screenshot("messagebox.png", &saved),
                                             ClickOn([](HWND box) { return GetDlgItem(box, IDNO); })});
  const int32_t answer = App->MessageBox("Replace the existing file?", "Pictoval", MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepReached();
  EXPECT_EQ(answer, IDNO);
  EXPECT_TRUE(saved);
  ExpectPngcheckPasses(gWorld->OutDir + "/messagebox.png");
}

TEST_F(DlgXvfb, OpenDialogTakesATypedPathAndEnter) {
  const std::string dir = std::string(std::getenv("HOME")) + "/xvfb-open";
  mkdir(dir.c_str(), 0755);
  const std::string fixture = dir + "/sample-1.png";
  std::ofstream(fixture) << "not really a picture";
  std::ofstream(dir + "/other.png") << "x";

  bool saved = false;
  auto nameBox = [](HWND dialog) { return GetDlgItem(dialog, 0x480); };
  TDriver driver(
      TDialogKind::dkOpen,
      {Settled(), ClickOn(nameBox), [&](HWND dialog) { return GetFocus() == nameBox(dialog) && TypeKeys(fixture); },
       [&](HWND dialog) { return GetDlgItemTextString(dialog, 0x480) == fixture; }, Settled(),
       Screenshot("opendialog.png", &saved),
       [](HWND) { return gWorld->Input.Key("Return", true) && gWorld->Input.Key("Return", false); }});
  OPENFILENAME ofn;
  static const char kFilter[] = "Pictures\0*.png;*.jpg\0All files\0*.*\0";
  ofn.lpstrFilter = String(kFilter, sizeof kFilter);  // with the final NUL
  ofn.lpstrInitialDir = dir;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  const bool ok = GetOpenFileName(&ofn);
  EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepReached();
  EXPECT_TRUE(ok);
  EXPECT_EQ(ofn.lpstrFile, fixture);
  EXPECT_TRUE(saved);
  ExpectPngcheckPasses(gWorld->OutDir + "/opendialog.png");
}

}  // namespace
