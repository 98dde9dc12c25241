#include "app/settings/guarded.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/settings/guarded_testing.h"
#include "platform/rtl/exceptions.h"

namespace {

TEST(AppGuarded, ReportsWhatItSwallowsAndReturnsNormally) {
  TGuardedRecorder recorder;
  int ran = 0;
  EXPECT_TRUE(Guarded([&] { ++ran; }));
  EXPECT_FALSE(Guarded([&] {
    ++ran;
    throw EConvertError("'x' is not a valid integer value");
  }));
  EXPECT_FALSE(Guarded([] { throw std::runtime_error("plain"); }));
  EXPECT_FALSE(Guarded([] { throw 42; }));
  EXPECT_EQ(ran, 2);
  const std::vector<TGuardedRecord> records = recorder.Take();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].ClassName, "EConvertError");
  EXPECT_EQ(records[0].Message, "'x' is not a valid integer value");
  EXPECT_EQ(records[1].Message, "plain");
  EXPECT_EQ(records[2].ClassName, "unknown exception");
}

TEST(AppGuarded, WithoutAHookTheReportGoesToStandardError) {
  testing::internal::CaptureStderr();
  Guarded([] { throw EInOutError("disk full"); });
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "pictoval: EInOutError: disk full\n");
}

TEST(AppGuarded, AThrowingHookDoesNotUndoTheGuard) {
  SetGuardedHook([](const String&, const String&) { throw Exception("hook"); });
  EXPECT_FALSE(Guarded([] { throw Exception("work"); }));
  SetGuardedHook(nullptr);
}

}  // namespace
