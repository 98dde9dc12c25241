#include "platform/rtl/scopeguard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(RtlScopeGuard, ExitRunsOnEveryPathAndFailOnlyWhenUnwinding) {
  std::string log;
  {
    auto exit = ScopeExit([&] { log += "x"; });
    auto fail = ScopeFail([&] { log += "f"; });
  }
  EXPECT_EQ(log, "x");
  log.clear();
  EXPECT_THROW(
      {
        auto exit = ScopeExit([&] { log += "x"; });
        auto fail = ScopeFail([&] { log += "f"; });
        throw std::runtime_error("boom");
      },
      std::runtime_error);
  EXPECT_EQ(log, "fx");  // reverse order of making, as nested finally blocks
}

TEST(RtlScopeGuard, DismissedGuardDoesNothing) {
  int runs = 0;
  EXPECT_THROW(
      {
        auto fail = ScopeFail([&] { ++runs; });
        fail.Dismiss();
        throw std::runtime_error("boom");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 0);
}

TEST(RtlScopeGuard, ActionErrorPropagatesOnlyWhenNothingElseIsUnwinding) {
  EXPECT_THROW({ auto exit = ScopeExit([] { throw std::logic_error("cleanup"); }); }, std::logic_error);
  // While unwinding, the first error goes on and the cleanup's own is dropped.
  EXPECT_THROW(
      {
        auto exit = ScopeExit([] { throw std::logic_error("cleanup"); });
        throw std::runtime_error("first");
      },
      std::runtime_error);
}

TEST(RtlScopeGuard, FailGuardInsideADestructorRunDuringUnwindingSeesOnlyItsOwnScope) {
  struct TProbe {
    int* Runs;
    ~TProbe() {
      auto fail = ScopeFail([this] { ++*Runs; });
    }
  };
  int runs = 0;
  EXPECT_THROW(
      {
        TProbe probe{&runs};
        throw std::runtime_error("boom");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 0);
}
