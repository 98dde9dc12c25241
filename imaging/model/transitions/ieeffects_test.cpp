#include "imaging/model/transitions/ieeffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "imaging/model/transitions/transitions_testing.h"
#include "platform/rtl/arith.h"

namespace {

constexpr int32_t kW = 64, kH = 48;

class Effects : public ::testing::Test {
 public:
  Effects() : From(MakePicture(TSide::From, kW, kH)), To(MakePicture(TSide::To, kW, kH)) { Reset(); }
  void Reset() {
    Frame.Assign(From.get());
    SetStretchBltMode(Frame.Canvas()->Handle(), HALFTONE);
  }
  void Draw(int32_t Type, int32_t Percent) {
    SetRandSeed(11);
    ::Effects[Type - 1].Proc(Frame.Canvas(), From.get(), To.get(), Rect(0, 0, kW, kH), 1, Percent);
  }
  bool IsTo(int32_t X, int32_t Y) { return PixelOf(Frame, X, Y) == PixelOf(*To, X, Y); }
  bool IsFrom(int32_t X, int32_t Y) { return PixelOf(Frame, X, Y) == PixelOf(*From, X, Y); }

  std::unique_ptr<TBitmap> From, To;
  TBitmap Frame;
};

TEST(EffectTable, NamesAndProcedures) {
  EXPECT_STREQ(::Effects[0].Name, "Cross Fade");
  EXPECT_STREQ(::Effects[29].Name, "Expand In to Center");
  EXPECT_STREQ(::Effects[30].Name, "Expand from Left");
  EXPECT_STREQ(::Effects[115].Name, "Circular Wipe to Center");
  EXPECT_STREQ(::Effects[162].Name, "Rectangles from the Bottom");
  for (int32_t i = 0; i < IEEffectCount; ++i) EXPECT_EQ(::Effects[i].Proc != nullptr, i >= 30) << i;
}

TEST(EffectTable, Geometry) {
  struct {
    TRect R;
    int32_t Percent, W, H, X, Y, U;
  } cases[] = {
      {{0, 0, 300, 100}, 50, 300, 100, 150, 50, 3}, {{0, 0, 100, 300}, 50, 100, 300, 50, 150, 3},
      {{10, 20, 74, 68}, 25, 64, 48, 16, 12, 1},  // 64 / 90 rounds up
      {{0, 0, 44, 30}, 100, 44, 30, 44, 30, 0},   // under 45 pixels U is 0
      {{0, 0, 45, 30}, 3, 45, 30, 1, 1, 1},       // MulDiv rounds halves away from zero
  };
  for (const auto& c : cases) {
    const TEffectGeometry g = EffectGeometry(c.R, 1, c.Percent);
    EXPECT_EQ(g.W, c.W);
    EXPECT_EQ(g.H, c.H);
    EXPECT_EQ(g.X, c.X);
    EXPECT_EQ(g.Y, c.Y);
    EXPECT_EQ(g.U, c.U);
  }
}

// At 100 % every effect covers the frame with the to-picture. The halved
// effects 45, 46, 75 and 76 stretch a part by a pixel (to-pixels, blended);
// the sweeps leave their last 3.6 degree wedge, just before straight up.
TEST_F(Effects, EveryEffectAtFullLeavesTheToPicture) {
  for (int32_t type = 31; type <= 163; ++type) {
    SCOPED_TRACE(type);
    Reset();
    Draw(type, 100);
    const bool blended = type == 45 || type == 46 || type == 75 || type == 76;
    const bool sweep = type == 137 || type == 138;
    int32_t wedge = 0;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        if (IsTo(x, y)) continue;
        if (sweep && y < kH / 2 &&
            std::abs(x + 0.5 - kW / 2) <= (kH / 2 - y) * std::tan(3.6 * std::numbers::pi / 180) + 1) {
          ++wedge;
          continue;
        }
        if (blended && PixelOf(Frame, x, y).b >= 128) continue;
        ADD_FAILURE() << "pixel " << x << ", " << y;
        y = kH;
        break;
      }
    }
    if (sweep) {
      EXPECT_GT(wedge, 0);
      EXPECT_LT(wedge, 40);
    }
  }
}

TEST_F(Effects, CircularWipeToCenterAtZeroDrawsNothing) {
  Draw(116, 0);
  EXPECT_EQ(DifferentPixels(Frame, *From), 0);
}

TEST_F(Effects, BarsInFromLeftRevealEveryOtherBand) {
  Draw(81, 25);  // X = 16: the first set of bars reaches 32
  EXPECT_TRUE(IsTo(31, 2));
  EXPECT_TRUE(IsFrom(32, 2));
  EXPECT_TRUE(IsFrom(5, 7));
  EXPECT_TRUE(IsTo(5, 12));
}

// The push effects shift what the frame holds, so the shifts add up.
TEST_F(Effects, PushCompoundsFromTickToTick) {
  Draw(146, 10);  // X = 6
  Draw(146, 20);  // X = 13
  for (int32_t x = 0; x < kW - 19; ++x) EXPECT_EQ(PixelOf(Frame, x, 9), PixelOf(*From, x + 19, 9)) << x;
  for (int32_t x = kW - 19; x < kW - 13; ++x) EXPECT_EQ(PixelOf(Frame, x, 9), PixelOf(*To, x - (kW - 19), 9)) << x;
  for (int32_t x = kW - 13; x < kW; ++x) EXPECT_EQ(PixelOf(Frame, x, 9), PixelOf(*To, x - (kW - 13), 9)) << x;
}

// The back of the roll: the columns after R mirrored into X..R, one pixel
// wider on each side.
TEST_F(Effects, UnrollShowsTheNextColumnsMirrored) {
  Draw(60, 30);  // X = 19, R = 19 + 64 div 10 = 25
  for (int32_t x = 0; x < 19; ++x) EXPECT_TRUE(IsTo(x, 4)) << x;
  for (int32_t x = 19; x <= 25; ++x) EXPECT_GE(PixelOf(Frame, x, 4).b, 128) << x;
  EXPECT_TRUE(IsFrom(26, 4));
}

TEST_F(Effects, StretchFlippedMirrors) {
  // Destination (10, 0, 20, H) flipped runs from 21 back to 9; the source is
  // first cut to the bitmap.
  StretchFlipped(Frame.Canvas(), Rect(10, 0, 20, kH), To.get(), false, true, Rect(-5, 0, 12, kH));
  for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(PixelOf(Frame, 20 - i, 3), PixelOf(*To, i, 3)) << i;
  EXPECT_TRUE(IsFrom(8, 3));
  EXPECT_TRUE(IsFrom(21, 3));
  Reset();
  StretchFlipped(Frame.Canvas(), Rect(0, 10, kW, 20), To.get(), true, false, Rect(0, 0, kW, 12));
  for (int32_t i = 0; i < 12; ++i) EXPECT_EQ(PixelOf(Frame, 7, 20 - i), PixelOf(*To, 7, i)) << i;
}

// ---- Region builders ---------------------------------------------------------------------------

struct TRegionHolder {
  HRGN R;
  explicit TRegionHolder(HRGN Region) : R(Region) {}
  ~TRegionHolder() {
    if (R) DeleteObject(R);
  }
  bool Has(int32_t X, int32_t Y) const { return PtInRegion(R, X, Y); }
  TRect Box() const {
    TRect b;
    GetRgnBox(R, &b);
    return b;
  }
};

TEST(EffectRegions, ABarWithinSnapOfTheEdgeIsComplete) {
  const TRegionHolder snapped(BarsRegion(96, 0, 100, 0, 2, 5, 20));
  EXPECT_TRUE(snapped.Has(99, 0));
  const TRegionHolder short_(BarsRegion(95, 0, 100, 0, 2, 5, 20));
  EXPECT_TRUE(short_.Has(94, 0));
  EXPECT_FALSE(short_.Has(95, 0));
}

TEST(EffectRegions, BarsBeyondTheSideGrowTheSecondSet) {
  // Kind 4: left first, then the second set from the right.
  const TRegionHolder r(BarsRegion(130, 0, 100, 0, 4, 0, 20));
  EXPECT_TRUE(r.Has(50, 2));  // first set complete
  EXPECT_TRUE(r.Has(75, 7));  // second set from 2W - a = 70
  EXPECT_FALSE(r.Has(65, 7));
  // Kind 3 splits the sets between both sides.
  const TRegionHolder both(BarsRegion(30, 0, 100, 0, 3, 0, 20));
  EXPECT_TRUE(both.Has(10, 7));
  EXPECT_FALSE(both.Has(10, 2));
  EXPECT_TRUE(both.Has(80, 2));
}

TEST(EffectRegions, ShredsAreRaggedUntilFullExtent) {
  SetRandSeed(3);
  // W 70: jag up to 9 on either side of a = 30 (two draws).
  const TRegionHolder ragged(ShredRegion(30, 0, 70, 0, 2, 12));
  bool uneven = false;
  for (int32_t y = 0; y < 12; ++y) {
    EXPECT_FALSE(ragged.Has(39, y));
    uneven |= ragged.Has(30, y) != ragged.Has(30, 0) || ragged.Has(25, y) != ragged.Has(25, 0);
  }
  EXPECT_TRUE(uneven);
  // H 12 is not a multiple of 5: the strips are 7 rows and overlap; at full
  // extent they are straight.
  const TRegionHolder full(ShredRegion(70, 0, 70, 0, 2, 12));
  EXPECT_EQ(full.Box(), (TRect{0, 0, 70, 17}));
  const TRegionHolder centre(ShredRegion(0, 12, 70, 4, 0, 12));
  for (int32_t x = 0; x < 70; x += 7) EXPECT_TRUE(centre.Has(x, 5) && centre.Has(x, 6)) << x;
}

TEST(EffectRegions, SpeckledCellsStayInTheirZone) {
  SetRandSeed(5);
  // W 400: zone 40, cells of 2, twenty of them beyond the solid part at 100.
  const TRegionHolder r(SpeckleRegion(100, 0, 400, 0, 2, 60));
  int32_t cells = 0;
  for (int32_t y = 0; y < 60; ++y) {
    EXPECT_TRUE(r.Has(99, y));
    EXPECT_FALSE(r.Has(140, y));
    for (int32_t x = 100; x < 140; ++x) cells += r.Has(x, y);
  }
  EXPECT_GT(cells, 0);
  const TRegionHolder full(SpeckleRegion(400, 0, 400, 0, 1, 60));
  EXPECT_EQ(full.Box(), (TRect{0, 0, 400, 61}));
}

// The speckled and shredded regions of a large area hold thousands of parts;
// building them must stay cheap.
TEST(EffectRegions, LargeSpeckledAndShreddedRegions) {
  SetRandSeed(9);
  const TRegionHolder s(SpeckleRegion(500, 500, 1000, 1, 2, 1000));
  const TRegionHolder t(ShredRegion(500, 500, 1000, 3, 4, 1000));
  EXPECT_TRUE(s.Has(100, 100));
  EXPECT_TRUE(t.Has(0, 0));
}

TEST(EffectRegions, PieStopsOneStepShortOfItsEnd) {
  // Four steps of a quarter turn from straight up: the last point is at
  // straight left, so the top-left quarter stays out.
  const double up = -std::numbers::pi / 2;
  const TRegionHolder r(PieRegion(50, 50, 40, 4, up + 2 * std::numbers::pi, up));
  EXPECT_TRUE(r.Has(60, 40));
  EXPECT_TRUE(r.Has(40, 60));
  EXPECT_FALSE(r.Has(35, 35));
}

TEST(EffectRegions, RotatePointsTurnsClockwiseOnScreen) {
  TPoint p[2] = {{20, 10}, {10, 4}};
  RotatePoints(p, 1, 10, 10, std::numbers::pi / 2);
  EXPECT_EQ(p[0], (TPoint{10, 20}));
  EXPECT_EQ(p[1], (TPoint{16, 10}));
  RotatePoints(p, 0, 10, 10, 2 * std::numbers::pi);
  EXPECT_EQ(p[0], (TPoint{10, 20}));
}

}  // namespace
