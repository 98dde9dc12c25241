// The program's one clock: local date and time, a millisecond tick count and
// Sleep. Everything that asks for the time goes through CurrentClock(), so
// tests can install a VirtualClock and move time on by hand.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/rtl/types.h"

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime Now() = 0;  // local date and time
  // Milliseconds from an arbitrary start, never going back. The 32-bit form
  // wraps after 49.7 days: compare two readings by unsigned difference.
  virtual uint64_t GetTickCount64() = 0;
  virtual uint32_t GetTickCount() { return static_cast<uint32_t>(GetTickCount64()); }
  virtual void Sleep(uint32_t ms) = 0;
};

// A clock that moves only when told to. Sleep advances it at once instead of
// waiting. Safe to read and advance from several threads.
class VirtualClock : public Clock {
 public:
  // Starts at `now` (2000-01-01 00:00 by default) with the tick count `ticks`.
  explicit VirtualClock(TDateTime now = 36526.0, uint64_t ticks = 0);

  TDateTime Now() override;
  uint64_t GetTickCount64() override;
  void Sleep(uint32_t ms) override;

  void SetNow(TDateTime value);  // the tick count is left alone
  void Advance(uint64_t ms);     // moves Now and the tick count together

 private:
  std::mutex FLock;
  TDateTime FBase;    // Now at the last SetNow
  uint64_t FElapsed;  // ms advanced since then
  uint64_t FTicks;
};

// Installs the real clock (CLOCK_REALTIME shown in local time, ticks from
// CLOCK_MONOTONIC, Sleep that really waits).
void InstallRealClock();
// Makes `clock` the current one; nullptr installs the real clock. The caller
// keeps ownership and must reinstall another before destroying it.
void SetClock(Clock* clock);
Clock& CurrentClock();

uint32_t GetTickCount();
uint64_t GetTickCount64();
void Sleep(uint32_t ms);
