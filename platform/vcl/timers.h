// TTimer: a component that fires OnTimer every Interval milliseconds of the
// program's clock, through WM_TIMER on a message-only window of its own. An
// exception escaping OnTimer goes to Application->HandleException.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"
#include "platform/rtl/components.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  // The timer runs only while Enabled, Interval > 0 and OnTimer is assigned.
  // Setting any of the three (to a new value, or OnTimer at all) restarts
  // the count from zero.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t Value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);

  // Whether a WM_TIMER is scheduled.
  bool Running() const { return FRunning; }
  HWND Handle() const { return FWindowHandle; }

 protected:
  // Fires OnTimer.
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& Msg);

  bool FEnabled = true;
  uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  HWND FWindowHandle = nullptr;
  bool FRunning = false;
};
