#include "platform/rtl/arith.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

TEST(RtlArith, RoundHalvesToEven) {
  struct Row {
    double x;
    int64_t expected;
  };
  const Row rows[] = {
      {2.5, 2},
      {3.5, 4},
      {-2.5, -2},
      {-3.5, -4},
      {0.5, 0},
      {1.5, 2},
      {-0.5, 0},
      {-1.5, -2},
      {2.4999999, 2},
      {2.5000001, 3},
      {-2.5000001, -3},
      {-3.7, -4},
      {0.0, 0},
      {-0.0, 0},
      // The largest double below 0.5: naive floor(x + 0.5) would give 1.
      {0.49999999999999994, 0},
      {-0.49999999999999994, 0},
      // Above 2^52 every double is an integer already.
      {4503599627370497.0, 4503599627370497},
      {1e15 + 0.5, 1000000000000000},
      {-9223372036854775808.0, kMin64},
      {9223372036854774784.0, 9223372036854774784},
  };
  for (const Row& r : rows) EXPECT_EQ(Round(r.x), r.expected) << "Round(" << r.x << ")";
}

TEST(RtlArith, TruncCeilFloorIntFrac) {
  struct Row {
    double x;
    int64_t trunc, ceil, floor;
    double intPart, frac;
  };
  const Row rows[] = {
      {2.75, 2, 3, 2, 2.0, 0.75},
      {-2.75, -2, -2, -3, -2.0, -0.75},
      {3.0, 3, 3, 3, 3.0, 0.0},
      {-3.0, -3, -3, -3, -3.0, 0.0},
      {0.25, 0, 1, 0, 0.0, 0.25},
      {-0.25, 0, 0, -1, 0.0, -0.25},
      {1e18 + 0.0, 1000000000000000000, 1000000000000000000, 1000000000000000000, 1e18, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.x);
    EXPECT_EQ(Trunc(r.x), r.trunc);
    EXPECT_EQ(Ceil(r.x), r.ceil);
    EXPECT_EQ(Floor(r.x), r.floor);
    EXPECT_EQ(Int(r.x), r.intPart);
    EXPECT_EQ(Frac(r.x), r.frac);
  }
}

TEST(RtlArith, OutOfRangeAndNaNRaiseInvalidOp) {
  const double bad[] = {std::nan(""),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        9223372036854775808.0,
                        -1e19,
                        1e300};
  for (double x : bad) {
    SCOPED_TRACE(x);
    EXPECT_THROW(Round(x), EInvalidOp);
    EXPECT_THROW(Trunc(x), EInvalidOp);
    EXPECT_THROW(Ceil(x), EInvalidOp);
    EXPECT_THROW(Floor(x), EInvalidOp);
  }
  EXPECT_TRUE(std::isnan(Frac(std::nan(""))));  // reals stay reals
}

TEST(RtlArith, DivModTruncateTowardZero) {
  struct Row {
    int32_t a, b, q, r;
  };
  const Row rows[] = {
      {7, 2, 3, 1},
      {-7, 2, -3, -1},
      {7, -2, -3, 1},
      {-7, -2, 3, -1},
      {0, 5, 0, 0},
      {6, 3, 2, 0},
      {kMax32, 1, kMax32, 0},
      // The one quotient that does not fit wraps instead of trapping.
      {kMin32, -1, kMin32, 0},
      {kMin32, 2, kMin32 / 2, 0},
      {kMin32 + 1, -1, kMax32, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.a << " div/mod " << r.b);
    EXPECT_EQ(Div(r.a, r.b), r.q);
    EXPECT_EQ(Mod(r.a, r.b), r.r);
    int32_t q = 0, m = 0;
    DivMod(r.a, r.b, q, m);
    EXPECT_EQ(q, r.q);
    EXPECT_EQ(m, r.r);
    // The identity callers rely on: a = (a div b) * b + a mod b.
    EXPECT_EQ(AddWrap32(MulWrap32(q, r.b), m), r.a);
  }
  EXPECT_EQ(Div(int64_t(-9000000000), int32_t(7)), int64_t(-1285714285));
  EXPECT_EQ(Mod(int64_t(-9000000000), int32_t(7)), int64_t(-5));
  EXPECT_EQ(Div(kMin64, int64_t(-1)), kMin64);
  EXPECT_EQ(Div(uint32_t(4000000000u), uint32_t(3)), 1333333333u);
  EXPECT_THROW(Div(1, 0), EDivByZero);
  EXPECT_THROW(Mod(int64_t(1), 0), EDivByZero);
  int32_t q, m;
  EXPECT_THROW(DivMod(1, 0, q, m), EDivByZero);
}

TEST(RtlArith, MulDivRoundsHalvesAwayFromZero) {
  struct Row {
    int32_t a, b, c, expected;
  };
  const Row rows[] = {
      // Dialog units of a font with average width 6 and height 13.
      {180, 6, 4, 270},
      {8, 6, 4, 12},
      {8, 13, 8, 13},
      {14, 13, 8, 23},
      // Halves go away from zero whatever the signs.
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, -1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, -2, -3},
      {-5, 1, -2, 3},
      {7, 1, 3, 2},
      {8, 1, 3, 3},
      {-7, 1, 3, -2},
      {-8, 1, 3, -3},
      {1, 1, 3, 0},
      {0, 100, 7, 0},
      // The 64-bit intermediate keeps products beyond 32 bits.
      {65536, 65536, 65536, 65536},
      {kMax32, kMax32, kMax32, kMax32},
      {kMin32, kMin32, kMin32, kMin32},
      {kMin32, 1, 1, kMin32},
      {kMax32, 3, 2, -1},
      {kMin32, -1, 1, -1},
      {kMin32, 1, -1, -1},
      // Divisor 0.
      {1, 1, 0, -1},
      {0, 0, 0, -1},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MulDiv(r.a, r.b, r.c), r.expected) << "MulDiv(" << r.a << ", " << r.b << ", " << r.c << ")";
}

TEST(RtlArith, ShiftsAndWrapAround) {
  EXPECT_EQ(lsr32(-1, 28), 15);
  EXPECT_EQ(lsr32(kMin32, 31), 1);
  EXPECT_EQ(lsr32(-16, 0), -16);
  EXPECT_EQ(lsr32(-16, 32), -16);  // count taken modulo 32
  EXPECT_EQ(asr32(-16, 2), -4);
  EXPECT_EQ(asr32(-1, 31), -1);
  EXPECT_EQ(asr32(kMax32, 30), 1);

  EXPECT_EQ(AddWrap32(kMax32, 1), kMin32);
  EXPECT_EQ(SubWrap32(kMin32, 1), kMax32);
  EXPECT_EQ(MulWrap32(65536, 65536), 0);
  EXPECT_EQ(MulWrap32(kMax32, 2), -2);
  EXPECT_EQ(MulWrap32(kMin32, -1), kMin32);
  // A tick difference across the 32-bit wrap stays the elapsed time.
  EXPECT_EQ(SubWrap32(static_cast<int32_t>(0x00000010u), static_cast<int32_t>(0xFFFFFFF0u)), 32);

  // A multiplicative string hash agrees with unsigned 32-bit arithmetic.
  int32_t h = 0;
  uint32_t u = 0;
  for (unsigned char c : std::string("The quick brown fox jumps over the lazy dog")) {
    h = AddWrap32(MulWrap32(h, 16777619), c);
    u = u * 16777619u + c;
  }
  EXPECT_EQ(static_cast<uint32_t>(h), u);
}

TEST(RtlArith, MinMaxAndRanges) {
  static_assert(Min(3, 4) == 3 && Max(3, 4) == 4);
  static_assert(std::is_same_v<decltype(Min(int32_t(1), int64_t(2))), int64_t>);
  EXPECT_EQ(Min(int32_t(-5), int64_t(1) << 40), -5);
  EXPECT_EQ(Max(int32_t(-5), int64_t(1) << 40), int64_t(1) << 40);
  EXPECT_EQ(Max(uint8_t(200), int32_t(-1)), 200);  // promoted to int, not wrapped
  EXPECT_EQ(Min(2.5, 1), 1.0);

  EXPECT_EQ(EnsureRange(15, 0, 10), 10);
  EXPECT_EQ(EnsureRange(-3, 0, 10), 0);
  EXPECT_EQ(EnsureRange(7, 0, 10), 7);
  EXPECT_EQ(EnsureRange(1.5, 0.0, 1.0), 1.0);
  EXPECT_TRUE(InRange(0, 0, 10));
  EXPECT_TRUE(InRange(10, 0, 10));
  EXPECT_FALSE(InRange(11, 0, 10));
  EXPECT_FALSE(InRange(-1, 0, 10));
}

TEST(RtlArith, Powers) {
  EXPECT_EQ(IntPower(2, -2), 0.25);
  EXPECT_EQ(IntPower(7, 0), 1.0);
  EXPECT_EQ(IntPower(-3, 3), -27.0);
  EXPECT_EQ(IntPower(10, 22), 1e22);
  EXPECT_EQ(IntPower(2, 1023), std::ldexp(1.0, 1023));
  EXPECT_EQ(IntPower(2, -1074), std::ldexp(1.0, -1074));
  EXPECT_EQ(IntPower(2, kMin32), 0.0);  // |exponent| beyond int32 handled

  EXPECT_NEAR(Power(2, 0.5), 1.4142135623730951, 1e-15);
  EXPECT_EQ(Power(0, 0), 1.0);
  EXPECT_EQ(Power(0, 3), 0.0);
  EXPECT_EQ(Power(-2, 3), -8.0);  // integral exponent: negative base is fine
  EXPECT_EQ(Power(2, -1), 0.5);
  EXPECT_NEAR(Power(10, 2.5), 316.22776601683796, 1e-12);
  EXPECT_THROW(Power(-8, 1.0 / 3), EInvalidOp);
}

TEST(RtlArith, RandomIsSeededAndInRange) {
  SetRandSeed(12345);
  std::vector<int32_t> first;
  for (int i = 0; i < 20; ++i) first.push_back(Random(1000));
  const double firstReal = Random();
  SetRandSeed(12345);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Random(1000), first[i]);
  EXPECT_EQ(Random(), firstReal);

  SetRandSeed(12346);
  std::vector<int32_t> other;
  for (int i = 0; i < 20; ++i) other.push_back(Random(1000));
  EXPECT_NE(first, other);

  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
  EXPECT_EQ(Random(1), 0);

  // Every value of a small range shows up, none outside it, roughly evenly.
  SetRandSeed(7);
  int counts[10] = {};
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = Random(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    ++counts[v];
  }
  for (int c : counts) {
    EXPECT_GT(c, 1700);
    EXPECT_LT(c, 2300);
  }
  for (int i = 0; i < 10000; ++i) {
    const int32_t v = Random(kMax32);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, kMax32);
    const double d = Random();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
  }
}

TEST(RtlArith, RandomizeStartsAFreshSequence) {
  Randomize();
  std::set<int32_t> a;
  for (int i = 0; i < 4; ++i) a.insert(Random(kMax32));
  Randomize();
  std::set<int32_t> b;
  for (int i = 0; i < 4; ++i) b.insert(Random(kMax32));
  EXPECT_NE(a, b);
  SetRandSeed(20061210u);
}

}  // namespace
