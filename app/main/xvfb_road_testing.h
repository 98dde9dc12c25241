// Drives the program on a real display as a user would: steps run one per
// timer tick in whatever loop is running (the main loop or a modal one), so
// a step can answer a dialog the program is waiting in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/types.h"
#include "platform/vcl/forms.h"

class TRoadDriver {
 public:
  // A step answers true when it is done (false: again at the next tick).
  using TStep = std::function<bool()>;

  TRoadDriver(std::vector<TStep> Steps, uint64_t TimeoutMs) : FSteps(std::move(Steps)), FTimeoutMs(TimeoutMs) {
    gDriver = this;
    FStart = GetTickCount64();
    FTimer = SetTimer(nullptr, 0, 50, &Tick);
  }
  ~TRoadDriver() {
    KillTimer(nullptr, FTimer);
    gDriver = nullptr;
  }
  TRoadDriver(const TRoadDriver&) = delete;
  TRoadDriver& operator=(const TRoadDriver&) = delete;

  // Runs the application's loop until the steps are done or time is up.
  void Run() {
    while (!Finished() && !FTimedOut) Application->HandleMessage();
  }
  bool Finished() const { return FNext == FSteps.size(); }
  bool TimedOut() const { return FTimedOut; }
  size_t StepReached() const { return FNext; }
  // The caption of the window that was active when time ran out.
  const String& WaitingIn() const { return FWaitingIn; }

 private:
  static void Tick(HWND, uint32_t, uintptr_t, uint32_t) {
    TRoadDriver* d = gDriver;
    if (d == nullptr || d->FBusy) return;
    d->FBusy = true;
    if (d->FNext < d->FSteps.size() && d->FSteps[d->FNext]()) ++d->FNext;
    if (!d->Finished() && GetTickCount64() - d->FStart > d->FTimeoutMs) {
      d->FTimedOut = true;
      // Out of every modal loop, so the test ends instead of hanging.
      if (Screen != nullptr && Screen->ActiveCustomForm() != nullptr) {
        d->FWaitingIn = Screen->ActiveCustomForm()->Caption();
        Screen->ActiveCustomForm()->SetModalResult(mrCancel);
      }
    }
    d->FBusy = false;
  }

  static inline TRoadDriver* gDriver = nullptr;
  std::vector<TStep> FSteps;
  uint64_t FTimeoutMs;
  size_t FNext = 0;
  uintptr_t FTimer = 0;
  uint64_t FStart = 0;
  bool FBusy = false;
  bool FTimedOut = false;
  String FWaitingIn;
};

// A step done once everything is painted and presented and the server has
// had Ms to show it.
inline TRoadDriver::TStep Settled(uint64_t Ms = 300) {
  auto since = std::make_shared<uint64_t>(0);
  return [since, Ms] {
    if (WinHasWork()) {
      *since = 0;
      return false;
    }
    gWorld->Backend->PumpEvents();
    if (*since == 0) *since = GetTickCount64();
    if (GetTickCount64() - *since < Ms) return false;
    *since = 0;
    return true;
  };
}
