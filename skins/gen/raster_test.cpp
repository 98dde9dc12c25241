// The integer primitives: coverage against exact areas, gradient ends,
// compositing and seamless patterns.
#include <gtest/gtest.h>

#include "skins/gen/raster.h"

namespace {

int64_t TotalCoverage(const TInside& Shape, int32_t W, int32_t H) {
  int64_t n = 0;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) n += Coverage(Shape, x, y);
  return n;
}

TEST(Raster, CoverageOfCurvedShapesIsWithinOneLevelOfTheExactArea) {
  // Areas in 1/64 pixel, exact: pi r^2 and w h - (4 - pi) r^2.
  struct TCase {
    const char* Name;
    TInside Shape;
    double Exact;
  };
  const double pi = 3.14159265358979;
  const TCase cases[] = {
      {"disc r=10", DiscShape(20 * 16, 20 * 16, 10 * 16), pi * 100 * 64},
      {"disc r=6.5", DiscShape(20 * 16 + 8, 20 * 16 + 8, 6 * 16 + 8), pi * 6.5 * 6.5 * 64},
      {"round rect 30x20 r=6", RoundRectShape(3, 5, 33, 25, {6, 6, 6, 6}), (600 - (4 - pi) * 36) * 64},
      {"round rect mixed radii", RoundRectShape(2, 2, 32, 22, {8, 0, 4, 0}), (600 - (4 - pi) / 4 * (64 + 16)) * 64}};
  for (const TCase& c : cases) EXPECT_NEAR(double(TotalCoverage(c.Shape, 40, 40)), c.Exact, 64.0) << c.Name;
}

TEST(Raster, PolygonFollowsTheNonZeroRule) {
  // Two overlapping squares wound the same way: the overlap stays filled.
  const TInside twice = PolygonShape(
      {{0, 0}, {160, 0}, {160, 160}, {0, 160}, {0, 0}, {80, 80}, {240, 80}, {240, 240}, {80, 240}, {80, 80}});
  EXPECT_EQ(Coverage(twice, 7, 7), 64);
  EXPECT_EQ(Coverage(twice, 12, 12), 64);
  EXPECT_EQ(Coverage(twice, 2, 12), 0);
}

TEST(Raster, GradientEndRowsAreTheEndStops) {
  const TRgb a{10, 200, 30}, b{250, 0, 128};
  for (int32_t h : {2, 7, 23, 100}) {
    TRaster r(3, h);
    FillGradient(r, 0, 0, 3, h, {{0, a}, {300, TRgb{1, 2, 3}}, {1024, b}}, true);
    EXPECT_EQ(r.At(1, 0), a) << h;
    EXPECT_EQ(r.At(1, h - 1), b) << h;
  }
}

TEST(Raster, CompositingRoundsToTheNearest) {
  EXPECT_EQ(Mix({255, 0, 100}, {0, 255, 100}, 64), (TRgb{255, 0, 100}));
  EXPECT_EQ(Mix({255, 0, 100}, {0, 255, 100}, 0), (TRgb{0, 255, 100}));
  EXPECT_EQ(Mix({255, 0, 1}, {0, 255, 0}, 32), (TRgb{128, 128, 1}));  // (255*32+32)/64 = 128
}

TEST(Raster, PatternsTileSeamlessly) {
  const int32_t tile = 12;
  TRaster r(2 * tile, 4, TRgb{200, 200, 200});
  Pinstripe(r, 0, 0, 2 * tile, 2, TRgb{0, 0, 0}, 16, 3);
  Dither(r, 0, 2, 2 * tile, 4, TRgb{0, 0, 0}, 16);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < tile; ++x) EXPECT_EQ(r.At(x, y), r.At(x + tile, y)) << x << "," << y;
}

TEST(Raster, ColoursConvertToTheIniForm) {
  TRgb c;
  ASSERT_TRUE(ParseRgb("#3399Ff", c));
  EXPECT_EQ(ColourValue(c), 0x33 + 256 * 0x99 + 65536 * 0xFF);
  EXPECT_FALSE(ParseRgb("3399FF", c));
  EXPECT_FALSE(ParseRgb("#3399F", c));
  EXPECT_FALSE(ParseRgb("#3399FG", c));
}

}  // namespace
