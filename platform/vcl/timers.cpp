#include "platform/vcl/timers.h"

#include <utility>

#include "platform/vcl/forms.h"

namespace {
constexpr uintptr_t kTimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindowHandle = AllocateHWnd([this](TMessage& Msg) { WndProc(Msg); });
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
  DeallocateHWnd(FWindowHandle);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = std::move(Value);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (FRunning) KillTimer(FWindowHandle, kTimerId);
  FRunning = false;
  if (FEnabled && FInterval != 0 && FOnTimer && FWindowHandle != nullptr)
    FRunning = SetTimer(FWindowHandle, kTimerId, FInterval, nullptr) != 0;
}

void TTimer::Timer() {
  if (FOnTimer) {
    TNotifyEvent handler = FOnTimer;  // the handler may replace itself or free the timer
    handler(this);
  }
}

void TTimer::WndProc(TMessage& Msg) {
  if (Msg.Msg == WM_TIMER) {
    TComponentRef<TTimer> self(this);  // the handler may free the timer
    try {
      Timer();
    } catch (...) {
      if (Application == nullptr) throw;
      Application->HandleException(self ? this : nullptr);
    }
    return;
  }
  Msg.Result = DefWindowProc(FWindowHandle, Msg.Msg, Msg.WParam, Msg.LParam);
}
