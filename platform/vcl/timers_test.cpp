#include "platform/vcl/timers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/headless.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class VclTimer : public TVclTest {
 protected:
  std::vector<uint64_t> Fired;  // tick counts of the OnTimer calls, from Base
  uint64_t Base = 0;

  void Restart() {
    Fired.clear();
    Base = GetTickCount64();
  }
  TNotifyEvent Recorder() {
    return [this](TObject*) { Fired.push_back(GetTickCount64() - Base); };
  }
  void Advance(uint64_t ms) { Session.Backend().AdvanceClock(ms); }
};

TEST_F(VclTimer, RunsOnlyWithEnabledIntervalAndHandler) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.Running()) << "no handler yet";
  Advance(2500);
  EXPECT_TRUE(Fired.empty());

  struct Case {
    const char* Name;
    bool Enabled;
    uint32_t Interval;
    bool Handler;
    bool Runs;
  };
  const Case cases[] = {
      {"all three set", true, 300, true, true},
      {"disabled", false, 300, true, false},
      {"interval 0", true, 0, true, false},
      {"no handler", true, 300, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Restart();
    TTimer t(nullptr);
    t.SetEnabled(c.Enabled);
    t.SetInterval(c.Interval);
    if (c.Handler) t.SetOnTimer(Recorder());
    EXPECT_EQ(t.Running(), c.Runs);
    Advance(1000);
    if (c.Runs) {
      EXPECT_EQ(Fired, (std::vector<uint64_t>{300, 600, 900}));
    } else {
      EXPECT_TRUE(Fired.empty());
    }
  }
}

TEST_F(VclTimer, ChangingASettingRestartsTheCount) {
  // A 1000 ms timer started at 0; at 600 something is changed.
  struct Case {
    const char* Name;
    std::function<void(TTimer&)> Change;
    std::vector<uint64_t> Expected;  // ticks of the firings up to 2500
  };
  const std::vector<Case> cases = {
      {"nothing changed", [](TTimer&) {}, {1000, 2000}},
      {"same interval again", [](TTimer& t) { t.SetInterval(1000); }, {1000, 2000}},
      {"same enabled again", [](TTimer& t) { t.SetEnabled(true); }, {1000, 2000}},
      {"new interval", [](TTimer& t) { t.SetInterval(500); }, {1100, 1600, 2100}},
      {"disabled and enabled",
       [](TTimer& t) {
         t.SetEnabled(false);
         t.SetEnabled(true);
       },
       {1600}},
      {"handler assigned again", [this](TTimer& t) { t.SetOnTimer(Recorder()); }, {1600}},
      {"interval 0", [](TTimer& t) { t.SetInterval(0); }, {}},
      {"handler cleared", [](TTimer& t) { t.SetOnTimer(nullptr); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Restart();
    TTimer timer(nullptr);
    timer.SetOnTimer(Recorder());
    Advance(600);
    c.Change(timer);
    Advance(1900);
    EXPECT_EQ(Fired, c.Expected);
  }
}

TEST_F(VclTimer, AHandlerMayFreeItsOwnTimer) {
  TComponent owner(nullptr);
  auto* timer = new TTimer(&owner);
  TComponentRef<TTimer> ref(timer);
  int calls = 0;
  timer->SetInterval(100);
  timer->SetOnTimer([&](TObject* Sender) {
    ++calls;
    delete static_cast<TTimer*>(Sender);
  });
  Advance(1000);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(ref.Assigned());
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(VclTimer, TheOwnerFreesItsTimersAndTheirWindows) {
  HWND window = nullptr;
  {
    TComponent owner(nullptr);
    auto* timer = new TTimer(&owner);
    timer->SetOnTimer(Recorder());
    window = timer->Handle();
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_FALSE(IsWindow(window));
  Advance(3000);
  EXPECT_TRUE(Fired.empty());
}

TEST_F(VclTimer, ExceptionsOfTheHandlerGoToTheApplication) {
  TTimer timer(nullptr);
  timer.SetInterval(100);
  timer.SetOnTimer([](TObject*) { throw EConvertError("bad tick"); });
  Advance(250);
  const auto recorded = TakeExceptions();
  ASSERT_EQ(recorded.size(), 2u);
  EXPECT_EQ(recorded[0].ClassName, "EConvertError");
  EXPECT_EQ(recorded[0].Sender, &timer);
  EXPECT_TRUE(timer.Running()) << "the timer goes on";
}

}  // namespace
