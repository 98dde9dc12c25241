#include "imaging/model/pixels/iebitrun.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(ModelBitRun, MatchesBitByBitCopy) {
  std::mt19937 rng(7);
  for (int32_t sourceBit = 0; sourceBit <= 15; ++sourceBit)
    for (int32_t destBit = 0; destBit <= 15; ++destBit)
      for (int32_t count = 1; count <= 20; ++count) {
        // The source holds exactly the bytes the run needs: ASan reports any
        // read past them.
        const int32_t sourceBytes = (sourceBit + count + 7) / 8;
        std::vector<uint8_t> source(static_cast<size_t>(sourceBytes));
        for (auto& b : source) b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> dest(6);
        for (auto& b : dest) b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> expected = dest;
        for (int32_t k = 0; k < count; ++k) SetBit(expected.data(), destBit + k, GetBit(source.data(), sourceBit + k));

        CopyBitRun(dest.data(), source.data(), destBit, sourceBytes, count, sourceBit);
        ASSERT_EQ(dest, expected) << "source bit " << sourceBit << ", dest bit " << destBit << ", count " << count;
      }
}

TEST(ModelBitRun, EdgeCases) {
  // 5 bits from bit 3 to bit 6 change bits 6..10 only.
  const uint8_t ones[2] = {0xFF, 0xFF};
  uint8_t dest[2] = {0, 0};
  CopyBitRun(dest, ones, 6, 2, 5, 3);
  EXPECT_EQ(dest[0], 0x03);
  EXPECT_EQ(dest[1], 0xE0);

  // Bits of the run beyond the source's bytes are copied as 0.
  const uint8_t one[1] = {0x0F};
  uint8_t d2[2] = {0xFF, 0xFF};
  CopyBitRun(d2, one, 0, 1, 12, 4);
  EXPECT_EQ(d2[0], 0xF0);
  EXPECT_EQ(d2[1], 0x0F);
  uint8_t d3[1] = {0xFF};
  CopyBitRun(d3, one, 0, 1, 8, 8);  // nothing readable at all
  EXPECT_EQ(d3[0], 0x00);

  // Nothing for an empty run or negative bits.
  uint8_t d4[1] = {0x5A};
  CopyBitRun(d4, ones, 0, 2, 0, 0);
  CopyBitRun(d4, ones, -1, 2, 4, 0);
  CopyBitRun(d4, ones, 0, 2, 4, -1);
  EXPECT_EQ(d4[0], 0x5A);

  uint8_t row[2] = {0, 0};
  SetBit(row, 9, true);
  EXPECT_EQ(row[1], 0x40);
  EXPECT_TRUE(GetBit(row, 9));
  SetBit(row, 9, false);
  EXPECT_FALSE(GetBit(row, 9));
}
