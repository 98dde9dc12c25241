#include "imaging/model/pixels/iepixelblock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

// Heap blocks and mapped ones (from a huge page on) alike: zero-filled,
// aligned, writable to the last byte, freed without complaint.
TEST(ModelPixelBlock, BlocksOnBothSidesOfTheMappingSize) {
  const size_t sizes[] = {0, 1, 4095, (size_t(2) << 20) - 65, size_t(2) << 20, (size_t(37) << 20) + 3};
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    auto* block = static_cast<uint8_t*>(IEAllocPixelBlock(size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    EXPECT_TRUE(std::all_of(block, block + size, [](uint8_t v) { return v == 0; }));
    std::memset(block, 0xA5, size);
    if (size > 0) {
      EXPECT_EQ(block[size - 1], 0xA5);
    }
    IEFreePixelBlock(block);
  }
  IEFreePixelBlock(nullptr);
}

TEST(ModelPixelBlock, ImpossibleSizeGivesNil) { EXPECT_EQ(IEAllocPixelBlock(SIZE_MAX - 100), nullptr); }
