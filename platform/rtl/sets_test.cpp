#include "platform/rtl/sets.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
enum class TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
}  // namespace

TEST(RtlSets, AlgebraAndBits) {
  TFontStyles a{TFontStyle::fsBold, TFontStyle::fsUnderline};
  TFontStyles b{TFontStyle::fsUnderline, TFontStyle::fsStrikeOut};
  EXPECT_EQ((a + b).ToBits(), 0b1101u);
  EXPECT_EQ((a - b).ToBits(), 0b0001u);
  EXPECT_EQ((a * b).ToBits(), 0b0100u);
  EXPECT_TRUE((a * b) <= a);
  EXPECT_FALSE(a <= b);
  EXPECT_EQ(TFontStyles::FromBits(0b1010), (TFontStyles{TFontStyle::fsItalic, TFontStyle::fsStrikeOut}));
  std::vector<TFontStyle> seen(b.begin(), b.end());
  EXPECT_EQ(seen, (std::vector<TFontStyle>{TFontStyle::fsUnderline, TFontStyle::fsStrikeOut}));
  a.Exclude(TFontStyle::fsBold).Include(TFontStyle::fsItalic);
  EXPECT_TRUE(a.Contains(TFontStyle::fsItalic));
  EXPECT_FALSE(a.Contains(TFontStyle::fsBold));
  EXPECT_TRUE(TFontStyles().Empty());
}
