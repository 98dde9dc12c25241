#include "platform/rtl/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/rtl/dates.h"

namespace {

// Puts the real clock back whatever a test installed.
class RtlClock : public ::testing::Test {
 protected:
  void TearDown() override { InstallRealClock(); }
};

String Stamp(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value); }

TEST_F(RtlClock, VirtualClockDrivesEveryReader) {
  VirtualClock clock(EncodeDateTime(2020, 5, 17, 10, 0, 0, 0), 1000);
  SetClock(&clock);
  EXPECT_EQ(&CurrentClock(), &clock);
  EXPECT_EQ(Stamp(Now()), "2020-05-17 10:00:00.000");
  EXPECT_EQ(GetTickCount(), 1000u);

  Sleep(1500);  // returns at once, time moved on
  EXPECT_EQ(GetTickCount64(), 2500u);
  EXPECT_EQ(Stamp(Now()), "2020-05-17 10:00:01.500");

  clock.Advance(MSecsPerDay - 1500);
  EXPECT_EQ(Stamp(Now()), "2020-05-18 10:00:00.000");
  EXPECT_EQ(Date(), EncodeDate(2020, 5, 18));
  EXPECT_EQ(Stamp(Time()), "1899-12-30 10:00:00.000");

  // Setting the date does not move the tick count.
  const uint64_t ticks = GetTickCount64();
  clock.SetNow(EncodeDateTime(1999, 12, 31, 23, 59, 59, 0));
  EXPECT_EQ(GetTickCount64(), ticks);
  clock.Advance(1000);
  EXPECT_EQ(Stamp(Now()), "2000-01-01 00:00:00.000");
  EXPECT_EQ(GetTickCount64(), ticks + 1000);

  // Many small steps add up without drift.
  for (int k = 0; k < 36000; ++k) clock.Sleep(100);
  EXPECT_EQ(Stamp(Now()), "2000-01-01 01:00:00.000");
}

TEST_F(RtlClock, TickCountWrapsAtThirtyTwoBits) {
  VirtualClock clock(0, 0xFFFFFFFFull - 5);
  SetClock(&clock);
  const uint32_t before = GetTickCount();
  EXPECT_EQ(before, 0xFFFFFFFAu);
  Sleep(10);
  EXPECT_EQ(GetTickCount(), 4u);
  EXPECT_EQ(static_cast<uint32_t>(GetTickCount() - before), 10u);  // unsigned difference survives the wrap
  EXPECT_EQ(GetTickCount64(), 0x100000004ull);
}

TEST_F(RtlClock, NullInstallsTheRealClock) {
  VirtualClock clock;
  SetClock(&clock);
  SetClock(nullptr);
  EXPECT_NE(&CurrentClock(), &clock);
  // The real Now is the system time in the local zone.
  const TDateTime before = UnixToLocalDateTime(std::time(nullptr));
  const TDateTime now = Now();
  const TDateTime after = UnixToLocalDateTime(std::time(nullptr) + 1);
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
  // Ticks never go back; Sleep(0) returns.
  uint64_t last = GetTickCount64();
  for (int k = 0; k < 1000; ++k) {
    const uint64_t t = GetTickCount64();
    ASSERT_GE(t, last);
    last = t;
  }
  Sleep(0);
  EXPECT_GE(GetTickCount64(), last);
}

// Workers sleep on the virtual clock and read the current clock while the
// main thread switches clocks: every sleep is counted once.
TEST_F(RtlClock, WorkerThreadsShareTheClock) {
  VirtualClock a(0, 0);
  VirtualClock b(0, 0);
  SetClock(&a);
  std::atomic<bool> stop{false};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&a] {
      for (int k = 0; k < 2000; ++k) a.Sleep(1);
    });
  }
  std::thread reader([&stop] {
    while (!stop.load()) {
      Clock& c = CurrentClock();
      (void)c.GetTickCount64();
      (void)c.Now();
    }
  });
  for (int k = 0; k < 2000; ++k) SetClock(k % 2 ? &a : &b);
  for (auto& t : workers) t.join();
  stop = true;
  reader.join();
  SetClock(&a);
  EXPECT_EQ(GetTickCount64(), 8000u);
  EXPECT_EQ(Stamp(Now()), "1899-12-30 00:00:08.000");
}

}  // namespace
