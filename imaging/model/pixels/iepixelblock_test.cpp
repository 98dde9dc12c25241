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

// Freed mappings are kept for later rasters: whatever the last user wrote,
// a block handed out again is zero-filled, also when smaller than the
// mapping it reuses, and blocks alive together never share memory.
TEST(ModelPixelBlock, ReusedBlocksComeBackZeroFilled) {
  const size_t sizes[] = {size_t(8) << 20, size_t(6) << 20, size_t(8) << 20, size_t(3) << 20};
  for (int round = 0; round < 2; ++round) {
    uint8_t* live[2] = {};
    for (size_t size : sizes) {
      SCOPED_TRACE(size);
      auto* block = static_cast<uint8_t*>(IEAllocPixelBlock(size));
      ASSERT_NE(block, nullptr);
      EXPECT_TRUE(std::all_of(block, block + size, [](uint8_t v) { return v == 0; }));
      std::memset(block, 0xA5, size);
      if (live[0] == nullptr) {
        live[0] = block;
      } else if (live[1] == nullptr) {
        live[1] = block;
        EXPECT_EQ(live[0][0], 0xA5);
      } else {
        IEFreePixelBlock(block);
      }
    }
    IEFreePixelBlock(live[0]);
    IEFreePixelBlock(live[1]);
  }
}

// Pages given back read as zero, whole huge pages only, and the next call
// goes on where the last one stopped; what lies outside keeps its bytes and
// the block stays usable. A block smaller than a huge page keeps everything.
TEST(ModelPixelBlock, ReleasedPagesReadZeroAndTheRestIsKept) {
  constexpr size_t kHuge = size_t(2) << 20;
  for (const size_t size : {size_t(4000), size_t(16) << 20}) {
    SCOPED_TRACE(size);
    auto* block = static_cast<uint8_t*>(IEAllocPixelBlock(size));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xA5, size);
    size_t released = 0;
    for (size_t upTo = size / 8; upTo <= size / 2; upTo += size / 8) {
      const size_t next = IEReleasePixelBlockPages(block, released, upTo - released);
      ASSERT_GE(next, released);
      ASSERT_LE(next, upTo);
      if (next > released) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block + next) % kHuge, 0u);
      }
      released = next;
    }
    const size_t firstHuge = (kHuge - reinterpret_cast<uintptr_t>(block) % kHuge) % kHuge;
    if (size < kHuge) {
      EXPECT_EQ(released, 0u);
    }
    for (size_t i = 0; i < size; i += 4093) {
      const bool gone = released > 0 && i >= firstHuge && i < released;
      ASSERT_EQ(block[i], gone ? 0 : 0xA5) << i;
    }
    std::memset(block, 0x5A, size);
    EXPECT_EQ(block[size / 4], 0x5A);
    IEFreePixelBlock(block);
  }
}
