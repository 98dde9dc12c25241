#include "platform/rtl/globalmem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

TEST(RtlStreamsGlobalMem, BlockLifeCycle) {
  HGLOBAL h = GlobalAlloc(GHND | GMEM_DDESHARE, 16);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(GlobalSize(h), 16u);
  auto* p = static_cast<char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  std::memcpy(p, "clipboard text", 15);
  EXPECT_EQ(GlobalLock(h), p);  // locks nest
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));  // unlocking an unlocked block

  // Growing keeps the content and the handle and zero-fills the new part.
  EXPECT_EQ(GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), 4096u);
  p = static_cast<char*>(GlobalLock(h));
  EXPECT_STREQ(p, "clipboard text");
  for (int i = 16; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;

  // A locked block may shrink and regrow in place, but not move.
  std::memset(p, 0x55, 4096);
  EXPECT_EQ(GlobalReAlloc(h, 8, GMEM_MOVEABLE), h);
  EXPECT_EQ(GlobalReAlloc(h, 64, GMEM_MOVEABLE), h);
  EXPECT_EQ(p[7], 0x55);
  EXPECT_EQ(p[8], 0);  // the regrown part is zero, not the old bytes
  EXPECT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE), 0u);
  EXPECT_EQ(GlobalSize(h), 64u);
  GlobalUnlock(h);

  EXPECT_EQ(GlobalFree(h), 0u);
  EXPECT_EQ(GlobalSize(h), 0u);

  HGLOBAL empty = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(empty, 0u);
  EXPECT_EQ(GlobalSize(empty), 0u);
  EXPECT_NE(GlobalLock(empty), nullptr);
  GlobalUnlock(empty);
  EXPECT_EQ(GlobalFree(empty), 0u);
}

TEST(RtlStreamsGlobalMem, BadHandlesAnswerNothing) {
  HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_EQ(GlobalFree(freed), 0u);
  int local = 0;
  const HGLOBAL bad[] = {0, freed, 1, 0x10000, reinterpret_cast<HGLOBAL>(&local), ~HGLOBAL(0)};
  for (HGLOBAL h : bad) {
    SCOPED_TRACE(h);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalReAlloc(h, 16, GMEM_MOVEABLE), 0u);
    if (h != 0) {
      EXPECT_EQ(GlobalFree(h), h);  // failure answers the handle
    }
  }
  EXPECT_EQ(GlobalFree(0), 0u);
  // A freed handle is never handed out again.
  HGLOBAL next = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_NE(next, freed);
  GlobalFree(next);
}

TEST(RtlStreamsGlobalMem, ThreadsShareTheTable) {
  constexpr int kThreads = 4, kRounds = 500;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < kRounds; ++i) {
        HGLOBAL h = GlobalAlloc(GHND, 32);
        auto* p = static_cast<int*>(GlobalLock(h));
        if (!p) {
          ++failures;
          continue;
        }
        p[0] = t * kRounds + i;
        GlobalUnlock(h);
        if (GlobalReAlloc(h, 256, GMEM_MOVEABLE) != h) ++failures;
        p = static_cast<int*>(GlobalLock(h));
        if (!p || p[0] != t * kRounds + i) ++failures;
        GlobalUnlock(h);
        if (GlobalFree(h) != 0) ++failures;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}
