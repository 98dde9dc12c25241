#include "platform/rtl/clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

#include "platform/rtl/dates.h"

namespace {

class RealClock final : public Clock {
 public:
  TDateTime Now() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const time_t secs = ts.tv_sec;
    struct tm local;
    const int64_t offset = localtime_r(&secs, &local) ? local.tm_gmtoff : 0;
    // The current time is after 1899, so the fraction simply adds.
    return UnixToDateTime(static_cast<int64_t>(secs) + offset) +
           static_cast<double>(ts.tv_nsec / 1000000) / MSecsPerDay;
  }

  uint64_t GetTickCount64() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  }

  void Sleep(uint32_t ms) override {
    timespec rest;
    rest.tv_sec = static_cast<time_t>(ms / 1000);
    rest.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    // Resume after signal interruptions until the whole time has passed.
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &rest, &rest) == EINTR) {
    }
  }
};

RealClock gRealClock;
std::atomic<Clock*> gClock{nullptr};

}  // namespace

VirtualClock::VirtualClock(TDateTime now, uint64_t ticks) : FBase(now), FElapsed(0), FTicks(ticks) {}

TDateTime VirtualClock::Now() {
  std::lock_guard<std::mutex> lock(FLock);
  return FBase + static_cast<double>(FElapsed) / MSecsPerDay;
}

uint64_t VirtualClock::GetTickCount64() {
  std::lock_guard<std::mutex> lock(FLock);
  return FTicks;
}

void VirtualClock::Sleep(uint32_t ms) { Advance(ms); }

void VirtualClock::SetNow(TDateTime value) {
  std::lock_guard<std::mutex> lock(FLock);
  FBase = value;
  FElapsed = 0;
}

void VirtualClock::Advance(uint64_t ms) {
  std::lock_guard<std::mutex> lock(FLock);
  FElapsed += ms;
  FTicks += ms;
}

void InstallRealClock() { SetClock(nullptr); }

void SetClock(Clock* clock) { gClock.store(clock, std::memory_order_release); }

Clock& CurrentClock() {
  Clock* clock = gClock.load(std::memory_order_acquire);
  return clock ? *clock : gRealClock;
}

uint32_t GetTickCount() { return CurrentClock().GetTickCount(); }
uint64_t GetTickCount64() { return CurrentClock().GetTickCount64(); }
void Sleep(uint32_t ms) { CurrentClock().Sleep(ms); }
