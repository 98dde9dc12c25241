#include "imaging/model/pixels/iehash.h"

#include <gtest/gtest.h>

TEST(ModelRoutines, Hash1CountsNewKeys) {
  THash1 hash(4);  // 16 buckets
  EXPECT_EQ(hash.BucketCount(), 16);
  EXPECT_TRUE(hash.AddKey(5));
  EXPECT_FALSE(hash.AddKey(5));
  EXPECT_TRUE(hash.AddKey(5 + 16));  // same bucket: a chain starts
  EXPECT_EQ(hash.Count(), 2);

  int32_t bucket = -1;
  THash1Item* item = nullptr;
  EXPECT_TRUE(hash.Insert(5 + 32, bucket, item));  // appended to the chain
  EXPECT_EQ(bucket, 5);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Key, 5u + 32);
  EXPECT_FALSE(hash.Insert(5 + 16, bucket, item));  // found inside the chain
  EXPECT_EQ(item, nullptr);
  EXPECT_TRUE(hash.Insert(6, bucket, item));  // an empty bucket holds the key itself
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(hash.Count(), 4);

  // Bits count modulo 32.
  EXPECT_EQ(THash1(36).BucketCount(), 16);
  THash1 single(0);
  EXPECT_TRUE(single.AddKey(0xFFFFFFFFu));
  EXPECT_TRUE(single.AddKey(0));
  EXPECT_FALSE(single.AddKey(0xFFFFFFFFu));
  EXPECT_EQ(single.Count(), 2);
}
