#include "imaging/io/contract/iecodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Recorder {
  std::atomic<bool> Flag{false};
  std::vector<int32_t> Reports;
  TIECodecProgress Progress;
  explicit Recorder(bool WithHandler = true) {
    Progress.AbortFlag = &Flag;
    if (WithHandler) Progress.Event = [this](TObject*, int32_t Per) { Reports.push_back(Per); };
  }
};

TEST(CodecProgress, RowsReportTruncatedShares) {
  Recorder r;
  IEProgressStart(r.Progress, 3);
  for (int32_t y = 0; y < 3; ++y) EXPECT_FALSE(IEProgressRow(r.Progress, y));
  EXPECT_EQ(r.Reports, (std::vector<int32_t>{0, 33, 66}));  // 100 is the caller's
}

TEST(CodecProgress, CountedUnitsReportPerUnitOrPerRow) {
  Recorder r;
  IEProgressStart(r.Progress, 8, 3);
  r.Progress.Counter = 5;  // reset by the start
  IEProgressStart(r.Progress, 8, 3);
  IEProgressStep(r.Progress);
  IEProgressStep(r.Progress);
  IEProgressStep(r.Progress, false);
  EXPECT_EQ(r.Progress.Counter, 3);
  EXPECT_EQ(r.Reports, (std::vector<int32_t>{33, 66, 37}));
}

TEST(CodecProgress, PercentagesAreClampedAndNeverTrap) {
  const struct {
    double Value, Per;
    int32_t Expected;
  } cases[] = {
      {5, 10, 50},          {12, 10, 100}, {-1, 10, 0},    {7, std::numeric_limits<double>::infinity(), 100},
      {3, std::nan(""), 0}, {0, 0, 0},     {1, 99.99, 99},
  };
  for (const auto& c : cases) EXPECT_EQ(IEProgressPercent(c.Value, c.Per), c.Expected) << c.Value << " " << c.Per;
  Recorder r;
  IEProgressStart(r.Progress, 0);  // no rows: nothing to spread over
  EXPECT_EQ(r.Progress.Per1, 0);
  IEProgressRow(r.Progress, 7);
  EXPECT_EQ(r.Reports, std::vector<int32_t>{0});
}

TEST(CodecProgress, FlagSetByTheHandlerIsSeenRightAfterTheReport) {
  Recorder r;
  r.Progress.Event = [&r](TObject*, int32_t) { r.Flag = true; };
  IEProgressStart(r.Progress, 10);
  EXPECT_TRUE(IEProgressRow(r.Progress, 0));
  EXPECT_TRUE(IEAborting(r.Progress));
}

TEST(CodecProgress, WithoutAHandlerNothingIsCalledAndTheFlagStillCounts) {
  Recorder r(false);
  IEProgressStart(r.Progress, 10, 2);
  EXPECT_NO_THROW(IEProgressRow(r.Progress, 1));  // an empty handler called would throw
  EXPECT_NO_THROW(IEProgressStep(r.Progress));
  IESetAborting(r.Progress);
  EXPECT_TRUE(r.Flag.load());
  EXPECT_TRUE(IEProgressRow(r.Progress, 2));
  TIECodecProgress none;  // no flag at all
  EXPECT_FALSE(IEAborting(none));
  IESetAborting(none);
}

}  // namespace
