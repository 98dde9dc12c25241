#include "imaging/model/processing/iefilters.h"

#include <gtest/gtest.h>

#include <random>

#include "imaging/model/processing/iesmallroutines.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/stringlist.h"

namespace {

using PF = TIEPixelFormat;

void MakeRandom(TIEBitmap& B, int32_t W, int32_t H, int Low, int High, uint32_t Seed) {
  std::mt19937 rng(Seed);
  B.Allocate(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      *B.PixelRGB(x, y) = MakeTRGB(uint8_t(Low + rng() % (High - Low + 1)), uint8_t(Low + rng() % (High - Low + 1)),
                                   uint8_t(Low + rng() % (High - Low + 1)));
}

// ---- Gaussian blur ------------------------------------------------------------------------

TEST(FiltersGauss, KernelHalfWidthsAndSums) {
  struct Case {
    double radius;
    int32_t halfWidth, sum;
  };
  for (const Case c : {Case{1, 4, 65535}, Case{2, 9, 65535}, Case{10, 41, 65533}}) {
    TIEGaussKernel k;
    IEMakeGaussKernel(c.radius, k);
    EXPECT_EQ(k.HalfWidth, c.halfWidth) << c.radius;
    int32_t sum = 0;
    for (int32_t w : k.Weights) sum += w;
    EXPECT_EQ(sum, c.sum) << c.radius;
    for (int32_t i = 1; i <= 100; ++i) ASSERT_EQ(k.Weights[100 + i], k.Weights[100 - i]) << i;  // the passes rely on it
    EXPECT_NE(k.Weights[100 + c.halfWidth], 0);
    EXPECT_EQ(k.Weights[100 + c.halfWidth + 1], 0);
  }
}

TEST(FiltersGauss, UniformStaysUniformAndAnImpulseSpreadsEvenly) {
  for (PF format : {PF::ie24RGB, PF::ie8g}) {
    TIEBitmap b;
    b.Allocate(23, 17, format);
    b.Fill(format == PF::ie8g ? 201 : 0x0A64C8);
    TIEBitmap before;
    before.Assign(&b);
    GaussianBlur(&b, nullptr, {}, 3);
    EXPECT_TRUE(BitmapsEqual(&b, &before)) << int(format);
  }
  TIEBitmap b;
  b.Allocate(21, 21, PF::ie8g);
  b.SetPixel8(10, 10, 255);
  int32_t last = -1;
  GaussianBlur(
      &b, nullptr, [&](TObject*, int32_t per) { last = per; }, 1.5);
  EXPECT_GE(last, 95);
  int32_t total = 0;
  for (int32_t y = 0; y < 21; ++y)
    for (int32_t x = 0; x < 21; ++x) {
      total += b.GetPixel8(x, y);
      EXPECT_EQ(b.GetPixel8(x, y), b.GetPixel8(20 - x, y)) << x << "," << y;
      EXPECT_EQ(b.GetPixel8(x, y), b.GetPixel8(x, 20 - y)) << x << "," << y;
    }
  EXPECT_LT(b.GetPixel8(10, 10), 40);
  EXPECT_GT(b.GetPixel8(11, 10), 0);
  EXPECT_NEAR(total, 255, 30);  // the light is kept, up to rounding
}

TEST(FiltersGauss, FileImagesFilterLikeMemoryImages) {
  TIEBitmap mem, file;
  MakeRandom(mem, 31, 17, 0, 255, 9);
  file.SetMemoryThreshold(0);
  file.Assign(&mem);
  ASSERT_EQ(file.Location(), TIELocation::ieFile);
  GaussianBlur(&mem, nullptr, {}, 2);
  GaussianBlur(&file, nullptr, {}, 2);
  ApplySharpen(&mem, 0, 0, 31, 17, 7, 4, nullptr, {});
  ApplySharpen(&file, 0, 0, 31, 17, 7, 4, nullptr, {});
  int32_t diff = 0;
  for (int32_t y = 0; y < 17; ++y)
    for (int32_t x = 0; x < 31; ++x) diff += *file.PixelRGB(x, y) != *mem.PixelRGB(x, y);
  EXPECT_EQ(diff, 0);
}

TEST(FiltersGauss, BlurZeroStoresItsUndoEntry) {
  TIEBitmap b, before;
  MakeRandom(b, 9, 9, 0, 255, 1);
  before.Assign(&b);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.Blur(0);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaptions(0), "Blur 0");
  EXPECT_TRUE(BitmapsEqual(&b, &before));
  proc.Blur(2.5);
  EXPECT_EQ(proc.UndoCaptions(0), "Blur 2.5");
  EXPECT_FALSE(BitmapsEqual(&b, &before));
}

// ---- Sharpen -------------------------------------------------------------------------------

TEST(FiltersSharpen, IdentitiesAndDoublingTheDistanceFromTheMean) {
  TIEBitmap b, before;
  MakeRandom(b, 7, 6, 80, 170, 2);
  before.Assign(&b);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.Sharpen(0, 4);
  EXPECT_TRUE(BitmapsEqual(&b, &before));
  proc.Sharpen(10, 0);  // no neighbours: nothing to compare with
  EXPECT_TRUE(BitmapsEqual(&b, &before));
  proc.Sharpen(10, 1);
  EXPECT_TRUE(BitmapsEqual(&b, &before));
  EXPECT_EQ(proc.UndoCaptions(0), "Sharpen");

  proc.Sharpen(10, 4);
  // The mean of the 5 x 5 window without the pixel's own row and column
  // (16 neighbours inside, fewer at the edges).
  for (auto [x, y] : {std::pair{3, 3}, {0, 0}, {1, 2}, {6, 5}}) {
    for (int32_t c = 0; c < 3; ++c) {
      int32_t sum = 0, n = 0;
      for (int32_t v = std::max(0, y - 2); v <= std::min(5, y + 2); ++v)
        for (int32_t u = std::max(0, x - 2); u <= std::min(6, x + 2); ++u)
          if (u != x && v != y) {
            const TRGB p = *before.PixelRGB(u, v);
            sum += c == 0 ? p.r : c == 1 ? p.g : p.b;
            ++n;
          }
      const TRGB o = *before.PixelRGB(x, y), r = *b.PixelRGB(x, y);
      const int32_t own = c == 0 ? o.r : c == 1 ? o.g : o.b, got = c == 0 ? r.r : c == 1 ? r.g : r.b;
      EXPECT_EQ(got, ClampByte(2 * own - sum / n)) << x << "," << y << " channel " << c;
    }
  }
}

// ---- Shadows -------------------------------------------------------------------------------

TEST(FiltersShadow, OpaqueImageIsUnchanged) {
  TIEBitmap b, before;
  MakeRandom(b, 12, 10, 0, 255, 3);
  before.Assign(&b);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.AddSoftShadow(1, 1, 1, false, clBlack, 100, false);
  ASSERT_EQ(b.Width(), 12);
  int32_t changed = 0;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 12; ++x) changed += *b.PixelRGB(x, y) != *before.PixelRGB(x, y) || b.GetAlpha(x, y) != 255;
  EXPECT_EQ(changed, 0);
}

TEST(FiltersShadow, ShadowFallsOnTheTransparentSideOfTheOffset) {
  TIEBitmap b;
  b.Allocate(30, 30, PF::ie24RGB);
  b.Fill(0xFFFFFF);
  b.AlphaChannel()->Fill(0);
  b.AlphaChannel()->FillRect(10, 10, 19, 19, 255);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.AddSoftShadow(2, 4, 4, false, clBlack, 50, false);
  EXPECT_EQ(*b.PixelRGB(21, 21), MakeTRGB(128, 128, 128));  // rnd(127.5) lightens black
  EXPECT_GT(b.GetAlpha(21, 21), 100);
  EXPECT_EQ(*b.PixelRGB(15, 15), MakeTRGB(255, 255, 255));  // the picture stays on top
  EXPECT_EQ(b.GetAlpha(15, 15), 255);
  EXPECT_EQ(b.GetAlpha(8, 8), 0);  // the other side gets no shadow
  EXPECT_EQ(*b.PixelRGB(8, 8), MakeTRGB(255, 255, 255));

  // Enlarge: offsets (5, 5) and radius 2 frame the picture with 20 pixels.
  b.Allocate(30, 20, PF::ie24RGB);
  proc.AddSoftShadow(2, 5, 5, true, clBlack, 100, false);
  EXPECT_EQ(b.Width(), 50);
  EXPECT_EQ(b.Height(), 40);
  EXPECT_EQ(b.GetAlpha(0, 0), 0);
  EXPECT_EQ(b.GetAlpha(25, 20), 255);
}

TEST(FiltersShadow, RectangleShadowsReturnTheirMargin) {
  for (double radius : {2.0, 0.0}) {
    for (bool plain : {false, true}) {
      SCOPED_TRACE(testing::Message() << "radius " << radius << (plain ? " DrawRectShadow" : " masked"));
      TIEBitmap b;
      b.Allocate(40, 40, PF::ie24RGB);
      b.Fill(0xFFFFFF);
      b.AlphaChannel()->Fill(0);
      b.AlphaChannel()->FillRect(15, 15, 24, 24, 255);
      const int32_t margin = plain ? DrawRectShadow(&b, 3, 3, 50, 15, 15, 24, 24, radius)
                                   : DrawRectShadowMasked(&b, 3, 3, false, 50, 15, 15, 24, 24, radius);
      EXPECT_EQ(margin, 16);  // 2 * 3 + trunc(2 * 5), radius 0 counting as 2
      EXPECT_EQ(*b.PixelRGB(25, 25), MakeTRGB(50, 50, 50));
      EXPECT_EQ(*b.PixelRGB(20, 20), MakeTRGB(255, 255, 255));
      EXPECT_EQ(b.GetAlpha(20, 20), 255);
      EXPECT_EQ(b.GetAlpha(5, 5), 0);
    }
  }
}

// ---- Kernels and corners ---------------------------------------------------------------------

TEST(FiltersKernel, PresetsAndTheAbsoluteSum) {
  const TStringList& names = IEFilterPresetNames();
  ASSERT_EQ(names.Count(), 9);
  EXPECT_EQ(names.Strings(0), "None");
  EXPECT_EQ(names.Strings(4), "High Pass 1");
  EXPECT_EQ(names.Strings(8), "Low Pass 2");
  struct Case {
    int32_t preset, level;
  };
  for (const Case c : {Case{0, 100}, Case{1, 100}, Case{2, 0}, Case{3, 100}, Case{7, 90}, Case{8, 100}}) {
    TIEBitmap g;
    g.Allocate(6, 5, PF::ie8g);
    g.Fill(100);
    ApplyFilterKernelGray(&g, IEFilterPresets[static_cast<size_t>(c.preset)], 0, 0, 99, 99);
    EXPECT_EQ(g.GetPixel8(0, 0), c.level) << names.Strings(c.preset);
    EXPECT_EQ(g.GetPixel8(3, 2), c.level) << names.Strings(c.preset);
  }
  // "High Pass 2" on a dot: the centre saturates, the negative neighbours
  // become their absolute value; outside the rectangle nothing changes.
  TIEBitmap g;
  g.Allocate(6, 5, PF::ie8g);
  g.SetPixel8(2, 2, 90);
  ApplyFilterKernelGray(&g, IEFilterPresets[5], 1, 1, 3, 3);
  EXPECT_EQ(g.GetPixel8(2, 2), 255);
  EXPECT_EQ(g.GetPixel8(1, 1), 90);
  EXPECT_EQ(g.GetPixel8(3, 2), 90);
  EXPECT_EQ(g.GetPixel8(2, 4), 0);
}

TEST(FiltersCorners, RoundCornersOfTheAlphaChannel) {
  TIEBitmap b;
  b.Allocate(100, 100, PF::ie24RGB);
  RoundBitmapCorners(&b, 10, 10);
  ASSERT_TRUE(b.HasAlphaChannel());
  struct Case {
    int32_t x, y, alpha;
  };
  for (const Case c : {Case{0, 0, 0}, Case{3, 3, 0}, Case{10, 0, 0}, Case{99, 0, 0}, Case{89, 0, 0}, Case{0, 99, 0},
                       Case{99, 99, 0}, Case{5, 5, 255}, Case{10, 10, 255}, Case{0, 10, 255}, Case{11, 0, 255},
                       Case{88, 0, 255}, Case{50, 50, 255}, Case{50, 99, 255}})
    EXPECT_EQ(b.GetAlpha(c.x, c.y), c.alpha) << c.x << "," << c.y;
  EXPECT_FALSE(b.AlphaChannel()->Full());
}

}  // namespace
