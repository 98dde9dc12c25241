#include "imaging/model/processing/iesmallroutines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iefilebuffer.h"

TEST(ModelSmallRoutines, Numbers) {
  struct RoundCase {
    double x;
    int32_t ceil, floor;
  };
  for (const RoundCase& c : {RoundCase{-1.5, -1, -2}, RoundCase{2.0, 2, 2}, RoundCase{1.2, 2, 1},
                             RoundCase{-0.2, 0, -1}, RoundCase{0.0, 0, 0}, RoundCase{1e300, 2147483647, 2147483647},
                             RoundCase{-1e300, -2147483647 - 1, -2147483647 - 1}}) {
    EXPECT_EQ(CeilToInt(c.x), c.ceil) << c.x;
    EXPECT_EQ(FloorToInt(c.x), c.floor) << c.x;
  }

  struct ClampCase {
    int32_t value, lo, hi, expected;
  };
  for (const ClampCase& c : {ClampCase{5, 10, 0, 10}, ClampCase{5, 0, 10, 5}, ClampCase{15, 0, 10, 10},
                             ClampCase{-5, 0, 10, 0}, ClampCase{0, 0, 10, 0}, ClampCase{10, 0, 10, 10}})
    EXPECT_EQ(ClampInt(c.value, c.lo, c.hi), c.expected) << c.value << " in " << c.lo << ".." << c.hi;
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(77), 77);

  EXPECT_EQ(IEIntMin(3, -4), -4);
  EXPECT_EQ(IEIntMax(3, -4), 3);
  EXPECT_EQ(IEDoubleMin(2, 1), 1);
  EXPECT_EQ(IEDoubleMax(2, 1), 2);
  // On equality the first argument: visible with signed zeros.
  EXPECT_TRUE(std::signbit(IEDoubleMin(-0.0, 0.0)));
  EXPECT_FALSE(std::signbit(IEDoubleMax(0.0, -0.0)));

  int32_t x1 = 9, y1 = 2, x2 = 1, y2 = 8;
  OrderCorners(x1, y1, x2, y2);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(x2, 9);
  EXPECT_EQ(y1, 2);
  EXPECT_EQ(y2, 8);
}

TEST(ModelSmallRoutines, ColoursAndRows) {
  EXPECT_EQ(MakeRGB(1, 2, 3), MakeTRGB(1, 2, 3));
  EXPECT_EQ(RGBToGray(0xFF0000), 53);
  EXPECT_EQ(RGBToGray(0xFFFFFF), 255);
  EXPECT_EQ(SwapRedBlue(0x00112233u), 0x00332211u);
  EXPECT_EQ(SwapRedBlue(0xFF112233u), 0xFF332211u);
  EXPECT_TRUE(SameRGB(0x00123456u, 0xFF123456u));
  EXPECT_FALSE(SameRGB(0x00123456u, 0x00123457u));

  const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
  uint8_t dst[7] = {0, 0, 0, 0, 0, 0, 99};
  CopyRowSwapRedBlue(dst, src, 2);
  const uint8_t swapped[7] = {3, 2, 1, 6, 5, 4, 99};
  EXPECT_EQ(std::memcmp(dst, swapped, 7), 0);
  RowSwapRedBlue(dst, 2);
  EXPECT_EQ(std::memcmp(dst, src, 6), 0);

  TRGB pal[2] = {MakeTRGB(1, 2, 3), MakeTRGB(4, 5, 6)};
  PaletteSwapRedBlue(pal, 0, 1);
  EXPECT_EQ(pal[0], MakeTRGB(3, 2, 1));
  EXPECT_EQ(pal[1], MakeTRGB(4, 5, 6));
}

TEST(ModelSmallRoutines, BitmapsEqual) {
  IETempDirectory = std::getenv("HOME");
  TIEBitmap a, b;
  a.Allocate(5, 3, TIEPixelFormat::ie24RGB);
  b.Allocate(5, 3, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 3; ++y) {
    auto* ra = static_cast<uint8_t*>(a.ScanLine(y));
    for (int32_t i = 0; i < a.RowLen(); ++i) ra[i] = static_cast<uint8_t>(y * 31 + i);
  }
  b.Assign(&a);
  EXPECT_TRUE(BitmapsEqual(&a, &b));
  EXPECT_TRUE(BitmapsEqual(&a, &a));

  static_cast<uint8_t*>(b.ScanLine(2))[14] ^= 1;
  EXPECT_FALSE(BitmapsEqual(&a, &b));
  static_cast<uint8_t*>(b.ScanLine(2))[14] ^= 1;

  // Alpha on one side only, then different alpha values.
  a.AlphaChannel();
  EXPECT_FALSE(BitmapsEqual(&a, &b));
  b.AlphaChannel();
  EXPECT_TRUE(BitmapsEqual(&a, &b));
  static_cast<uint8_t*>(b.AlphaChannel()->ScanLine(1))[0] = 0;
  EXPECT_FALSE(BitmapsEqual(&a, &b));

  // A file-backed copy compares by its rows too.
  TIEBitmap f;
  f.SetMemoryThreshold(0);
  f.Allocate(5, 3, TIEPixelFormat::ie24RGB);
  a.RemoveAlphaChannel();
  f.Assign(&a);
  EXPECT_EQ(f.Location(), TIELocation::ieFile);
  EXPECT_TRUE(BitmapsEqual(&a, &f));

  // Same bytes, another format: not equal.
  TIEBitmap g8, p8;
  g8.Allocate(4, 2, TIEPixelFormat::ie8g);
  p8.Allocate(4, 2, TIEPixelFormat::ie8p);
  EXPECT_FALSE(BitmapsEqual(&g8, &p8));
  TIEBitmap small;
  small.Allocate(4, 1, TIEPixelFormat::ie8g);
  EXPECT_FALSE(BitmapsEqual(&g8, &small));
  IETempDirectory.clear();
}
