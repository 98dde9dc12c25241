#include <gtest/gtest.h>

#include "app/settings/marloutils.h"

namespace {

TEST(AppText, FormatMessageArgsTable) {
  struct Case {
    String message, a1, a2, a3, a4, expected;
  };
  const Case cases[] = {
      {"%1% of %2%", "3", "", "", "", "3 of %2%"},  {"[%1%] %2%", "", "x", "", "", "[] x"},
      {"%1%/%1%", "a", "", "", "", "a/a"},          {"%1% and %3%", "%2%", "two", "three", "", "two and three"},
      {"%4%%3%%2%%1%", "1", "2", "3", "4", "4321"}, {"%2% %3% %4%", "", "", "", "", "%2% %3% %4%"},
      {"%P1% %1%", "x", "", "", "", "%P1% x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatMessageArgs(c.message, c.a1, c.a2, c.a3, c.a4), c.expected) << c.message << " / " << c.a1;
}

TEST(AppText, ZeroPadNeverCuts) {
  EXPECT_EQ(ZeroPad(7, 5), "00007");
  EXPECT_EQ(ZeroPad(123456, 3), "123456");
  EXPECT_EQ(ZeroPad(42, 0), "42");
  EXPECT_EQ(ZeroPad(0, 2), "00");
}

TEST(AppText, FormatSizeKBRoundsUpWithCommas) {
  const std::pair<int64_t, String> cases[] = {
      {0, "0 KB"},      {1, "1 KB"},           {1024, "1 KB"},
      {1025, "2 KB"},   {1048576, "1,024 KB"}, {-1500, "-1 KB"},
      {-1024, "-1 KB"}, {-2049, "-2 KB"},      {5LL << 30, "5,242,880 KB"},
  };
  for (const auto& [size, expected] : cases) EXPECT_EQ(FormatSizeKB(" ", size), expected) << size;
  EXPECT_EQ(FormatSizeKB("", 2048), "2KB");
}

TEST(AppText, FormatFloatTrimmedDropsTrailingZeros) {
  struct Case {
    int32_t precision, digits;
    double value;
    String expected;
  };
  const Case cases[] = {{15, 2, 0.5, "0.5"}, {15, 2, 0.504, "0.5"},  {15, 2, 1.005, "1.01"},
                        {15, 3, 2.0, "2"},   {15, 1, -3.25, "-3.3"}, {15, 2, 1234.5678, "1234.57"},
                        {15, 0, 2.5, "3"},   {7, 2, 0.125, "0.13"}};
  for (const Case& c : cases) EXPECT_EQ(FormatFloatTrimmed(c.precision, c.digits, c.value), c.expected) << c.value;
}

TEST(AppText, SmallHelpers) {
  EXPECT_EQ(LastCharPos("a.b.c", '.'), 4);
  EXPECT_EQ(LastCharPos("abc", '.'), 0);
  EXPECT_EQ(LastCharPos("", '.'), 0);
  int32_t a = 1, b = 2;
  SwapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  for (uint16_t key = 30; key < 45; ++key) EXPECT_EQ(IsNavigationKey(key), key >= 35 && key <= 40) << key;
}

}  // namespace
