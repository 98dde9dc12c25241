// The headless backend: screens in memory, input injected by the caller,
// time from a virtual clock when one is installed. It is what every test of
// the window system and of the layers above runs on, and what a run without
// a display uses.
//
// Waiting never hangs. When a loop (GetMessage, WaitMessage, a modal or
// tracking loop) would block with nothing queued, the backend, in order:
// runs the next queued idle action; advances the virtual clock to the next
// timer when auto-advance is on; waits in real time up to the watchdog when
// other threads are running (they may post); otherwise throws EHeadlessHang
// naming the loop. With the real clock it simply waits for the next timer or
// post.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"

// A blocking loop could never have continued.
RTL_DECLARE_EXCEPTION(EHeadlessHang, Exception);

// Modifier keys for PressKey.
inline constexpr uint32_t hkShift = 1;
inline constexpr uint32_t hkCtrl = 2;
inline constexpr uint32_t hkAlt = 4;

class THeadlessBackend : public TWinBackend {
 public:
  THeadlessBackend();

  // ---- Screens ----
  // The primary monitor first (its top-left at 0, 0). Default: one monitor of
  // 1280 x 1024 with a 1280 x 984 work area.
  void SetMonitors(std::vector<TMonitorDesc> monitors);

  // ---- Input (queued; PumpMessages delivers it) ----
  void MouseMove(int32_t x, int32_t y);
  void MouseDown(int32_t x, int32_t y, TRawButton button = TRawButton::Left);
  void MouseUp(int32_t x, int32_t y, TRawButton button = TRawButton::Left);
  void Click(int32_t x, int32_t y, TRawButton button = TRawButton::Left);
  // Two clicks at the same instant.
  void DoubleClick(int32_t x, int32_t y, TRawButton button = TRawButton::Left);
  // delta: WHEEL_DELTA (120) per notch.
  void Wheel(int32_t x, int32_t y, int32_t delta);
  void KeyDown(uint32_t vk);
  void KeyUp(uint32_t vk);
  // The modifiers (hk*) down, the key down and up, the modifiers up.
  void PressKey(uint32_t vk, uint32_t modifiers = 0);
  // Each character through its US-layout key (with Shift as needed); other
  // characters as VK_PACKET keys.
  void TypeText(const String& utf8);
  // Files dropped from outside at a screen point with MK_* key states.
  bool DropFiles(const std::vector<String>& files, int32_t x, int32_t y, uint32_t keys = 0);

  // ---- Running ----
  // Retrieves, translates and dispatches until nothing is queued or due.
  // False when it stopped at WM_QUIT (its exit code in QuitCode()).
  bool PumpMessages();
  int32_t QuitCode() const { return FQuitCode; }
  // Steps the virtual clock to each due timer in order, delivering
  // everything due at that instant before going on, then to now + ms.
  void AdvanceClock(uint64_t ms);
  // Pumps and moves virtual time on (timer by timer) until predicate holds;
  // false when virtualTimeoutMs passed first.
  bool RunUntil(const std::function<bool()>& predicate, uint64_t virtualTimeoutMs);
  // Runs when the next blocking loop falls idle (how tests drive modal
  // loops), one action per idle point, in order.
  void QueueIdleAction(std::function<void()> action);
  size_t PendingIdleActions() const { return FIdle.size(); }
  // Lets idle loops advance the virtual clock to the next timer.
  void SetAutoAdvance(bool value) { FAutoAdvance = value; }
  // Real-time limit of a wait for worker threads.
  void SetWatchdog(uint32_t ms) { FWatchdogMs = ms; }

  // ---- Records ----
  const std::vector<uint32_t>& Beeps() const { return FBeeps; }
  void ClearBeeps() { FBeeps.clear(); }
  HCURSOR Cursor() const { return FCursor; }
  bool CursorShown() const { return FCursorShown; }

  // ---- TWinBackend ----
  std::vector<TMonitorDesc> Monitors() override { return FMonitors; }
  void Wait(const char* loop, bool hasTimer, uint64_t nextDue) override;
  void CursorChanged(HCURSOR cursor, bool visible) override {
    FCursor = cursor;
    FCursorShown = visible;
  }
  void Beep(uint32_t type) override { FBeeps.push_back(type); }

 private:
  std::vector<TMonitorDesc> FMonitors;
  std::deque<std::function<void()>> FIdle;
  bool FAutoAdvance = false;
  uint32_t FWatchdogMs = 10000;
  int32_t FQuitCode = 0;
  std::vector<uint32_t> FBeeps;
  HCURSOR FCursor = nullptr;
  bool FCursorShown = true;
};

// The backend used when none is installed.
THeadlessBackend& DefaultHeadlessBackend();
// The installed backend, which must be a headless one (EInvalidOperation otherwise).
THeadlessBackend& Headless();
// Whether threads other than the calling process's main thread are running.
bool HeadlessWorkersRunning();

// A test's window system: installs a virtual clock and a fresh headless
// backend and resets the window system; undoes all of it at the end.
class THeadlessSession {
 public:
  THeadlessSession();
  ~THeadlessSession();
  THeadlessSession(const THeadlessSession&) = delete;
  THeadlessSession& operator=(const THeadlessSession&) = delete;

  THeadlessBackend& Backend() { return FBackend; }
  VirtualClock& Clock() { return FClock; }

 private:
  VirtualClock FClock;
  THeadlessBackend FBackend;
  ::Clock* FPreviousClock;
};
