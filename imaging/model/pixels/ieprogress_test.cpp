#include "imaging/model/pixels/ieprogress.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ModelProgress, CallsOnlyAssignedHandlersWithClampedPercent) {
  TIECodecProgress progress;
  IEDoProgress(progress, 50);  // no handler: nothing to call

  TObject sender;
  std::vector<int32_t> seen;
  TObject* seenSender = nullptr;
  progress.Event = [&](TObject* Sender, int32_t Per) {
    seenSender = Sender;
    seen.push_back(Per);
  };
  progress.Sender = &sender;
  for (int64_t p : {int64_t{-5}, int64_t{0}, int64_t{42}, int64_t{100}, int64_t{250}, int64_t{1} << 40})
    IEDoProgress(progress, p);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 0, 42, 100, 100, 100}));
  EXPECT_EQ(seenSender, &sender);
}
