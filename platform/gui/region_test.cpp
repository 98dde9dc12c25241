#include "platform/gui/region.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int kGrid = 24;  // brute-force pixels live in [-2, kGrid) squared

using TPix = std::pair<int, int>;
using TPixSet = std::set<TPix>;

TPixSet Pixels(const TRegion& g) {
  TPixSet s;
  for (const TRect& r : g.Rects())
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) s.emplace(x, y);
  return s;
}

// The canonical form the class promises.
void ExpectCanonical(const TRegion& g) {
  const auto& v = g.Rects();
  for (size_t i = 0; i < v.size(); ++i) {
    ASSERT_LT(v[i].Left, v[i].Right);
    ASSERT_LT(v[i].Top, v[i].Bottom);
    if (i == 0) continue;
    const TRect& p = v[i - 1];
    if (v[i].Top == p.Top) {
      ASSERT_EQ(v[i].Bottom, p.Bottom);
      ASSERT_GT(v[i].Left, p.Right) << "runs in a band overlap or touch";
    } else {
      ASSERT_GE(v[i].Top, p.Bottom) << "bands overlap";
    }
  }
  // Touching bands differ in their runs.
  size_t prev = 0, i = 0;
  bool havePrev = false;
  while (i < v.size()) {
    size_t e = i;
    while (e < v.size() && v[e].Top == v[i].Top) ++e;
    if (havePrev && v[prev].Bottom == v[i].Top && e - i == i - prev) {
      bool same = true;
      for (size_t k = 0; k < e - i; ++k)
        same = same && v[prev + k].Left == v[i + k].Left && v[prev + k].Right == v[i + k].Right;
      ASSERT_FALSE(same) << "bands not merged at y=" << v[i].Top;
    }
    prev = i;
    havePrev = true;
    i = e;
  }
}

TRegion RandomRegion(std::mt19937& rng, int maxRects) {
  std::uniform_int_distribution<int> c(-2, kGrid), n(0, maxRects);
  std::vector<TRect> rects(n(rng));
  for (TRect& r : rects) r = TRect{c(rng), c(rng), c(rng), c(rng)};  // some empty or inverted
  return TRegion::FromRects(rects.data(), rects.size());
}

TEST(GfxRegions, BasicsAndKinds) {
  const TRegion none;
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(none.Kind(), NULLREGION);
  EXPECT_EQ(none.Box(), (TRect{0, 0, 0, 0}));
  const TRegion r(TRect{10, 20, 4, 5});  // corners in either order
  EXPECT_EQ(r.Kind(), SIMPLEREGION);
  EXPECT_EQ(r.Box(), (TRect{4, 5, 10, 20}));
  EXPECT_EQ(r.Rects(), (std::vector<TRect>{{4, 5, 10, 20}}));
  EXPECT_TRUE(TRegion(TRect{3, 3, 3, 9}).Empty());
  EXPECT_TRUE(r.Contains(4, 5));
  EXPECT_TRUE(r.Contains(9, 19));
  EXPECT_FALSE(r.Contains(10, 19));  // right and bottom exclusive
  EXPECT_FALSE(r.Contains(9, 20));
}

// Two overlapping rectangles through every mode: results, kinds and boxes.
TEST(GfxRegions, CombineTable) {
  const TRegion a(TRect{0, 0, 10, 10}), b(TRect{5, 5, 15, 15});
  struct Case {
    int mode, kind;
    TRect box;
    std::vector<TRect> rects;
  };
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, {{5, 5, 10, 10}}},
      {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
      {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}},
      {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, {{0, 0, 10, 5}, {0, 5, 5, 10}}},
      {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, {{0, 0, 10, 10}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TRegion d;
    EXPECT_EQ(TRegion::Combine(d, a, b, c.mode), c.kind);
    EXPECT_EQ(d.Box(), c.box);
    EXPECT_EQ(d.Rects(), c.rects);
  }
  // Disjoint and empty operands.
  TRegion d;
  EXPECT_EQ(TRegion::Combine(d, a, TRegion(TRect{20, 0, 30, 10}), RGN_AND), NULLREGION);
  EXPECT_EQ(TRegion::Combine(d, a, TRegion(TRect{10, 0, 20, 10}), RGN_OR), SIMPLEREGION);  // side by side
  EXPECT_EQ(d.Rects(), (std::vector<TRect>{{0, 0, 20, 10}}));
  EXPECT_EQ(TRegion::Combine(d, a, TRegion(TRect{0, 10, 10, 12}), RGN_OR), SIMPLEREGION);  // stacked
  EXPECT_EQ(d.Rects(), (std::vector<TRect>{{0, 0, 10, 12}}));
  EXPECT_EQ(TRegion::Combine(d, a, a, RGN_XOR), NULLREGION);
  EXPECT_EQ(TRegion::Combine(d, TRegion(), a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(TRegion::Combine(d, TRegion(), a, RGN_XOR), SIMPLEREGION);
  // Unknown mode: ERROR, destination untouched.
  TRegion keep(TRect{1, 2, 3, 4});
  for (int bad : {0, 6, -1}) {
    EXPECT_EQ(TRegion::Combine(keep, a, b, bad), ERROR);
    EXPECT_EQ(keep, TRegion(TRect{1, 2, 3, 4}));
  }
}

// Random regions against pixel sets, for every mode, including the
// destination being one of the operands.
TEST(GfxRegions, CombineMatchesPixelSets) {
  std::mt19937 rng(5);
  for (int k = 0; k < 400; ++k) {
    const TRegion a = RandomRegion(rng, 6), b = RandomRegion(rng, 6);
    ExpectCanonical(a);
    const TPixSet pa = Pixels(a), pb = Pixels(b);
    for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
      TPixSet want;
      for (int y = -2; y < kGrid; ++y)
        for (int x = -2; x < kGrid; ++x) {
          const bool ia = pa.count({x, y}), ib = pb.count({x, y});
          const bool in = mode == RGN_AND   ? ia && ib
                          : mode == RGN_OR  ? ia || ib
                          : mode == RGN_XOR ? ia != ib
                                            : ia && !ib;
          if (in) want.emplace(x, y);
        }
      TRegion d;
      const int kind = TRegion::Combine(d, a, b, mode);
      ASSERT_EQ(Pixels(d), want) << "case " << k << " mode " << mode;
      ExpectCanonical(d);
      ASSERT_EQ(kind, want.empty() ? NULLREGION : d.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION);
      TRegion inPlace = a;
      TRegion::Combine(inPlace, inPlace, b, mode);
      ASSERT_EQ(inPlace, d);
      TRegion inPlaceB = b;
      TRegion::Combine(inPlaceB, a, inPlaceB, mode);
      ASSERT_EQ(inPlaceB, d);
    }
    // Equal pixel sets give equal regions however they were built.
    TRegion viaDiff;
    TRegion::Combine(viaDiff, a, b, RGN_XOR);
    TRegion both, either, viaUnion;
    TRegion::Combine(both, a, b, RGN_AND);
    TRegion::Combine(either, a, b, RGN_OR);
    TRegion::Combine(viaUnion, either, both, RGN_DIFF);
    ASSERT_EQ(viaDiff, viaUnion);
  }
}

TEST(GfxRegions, ContainsAndIntersectsMatchPixels) {
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> c(-3, kGrid + 1);
  for (int k = 0; k < 200; ++k) {
    const TRegion g = RandomRegion(rng, 8);
    const TPixSet p = Pixels(g);
    for (int y = -3; y <= kGrid; ++y)
      for (int x = -3; x <= kGrid; ++x) ASSERT_EQ(g.Contains(x, y), p.count({x, y}) == 1);
    for (int j = 0; j < 20; ++j) {
      const TRect r{c(rng), c(rng), c(rng), c(rng)};
      bool want = false;
      for (int y = std::min(r.Top, r.Bottom); y < std::max(r.Top, r.Bottom) && !want; ++y)
        for (int x = std::min(r.Left, r.Right); x < std::max(r.Left, r.Right) && !want; ++x) want = p.count({x, y});
      ASSERT_EQ(g.IntersectsRect(r), want);
    }
  }
}

TEST(GfxRegions, FromSpansAndFromRectsNormalise) {
  const std::vector<TSpan> spans = {{3, 0, 4}, {1, 0, 4}, {2, 2, 6}, {2, 0, 3}, {1, 4, 4}, {4, 7, 9}};
  const TRegion g = TRegion::FromSpans(spans);
  EXPECT_EQ(g.Rects(), (std::vector<TRect>{{0, 1, 4, 2}, {0, 2, 6, 3}, {0, 3, 4, 4}, {7, 4, 9, 5}}));
  // Rows with equal runs merge into one band.
  EXPECT_EQ(TRegion::FromSpans({{5, 1, 3}, {6, 1, 3}, {7, 1, 3}}).Rects(), (std::vector<TRect>{{1, 5, 3, 8}}));
  // Overlapping, unsorted rectangles.
  const TRect rects[] = {{5, 5, 8, 8}, {0, 0, 6, 6}, {7, 0, 9, 2}, {2, 2, 3, 3}, {4, 4, 1, 1}};
  const TRegion u = TRegion::FromRects(rects, 5);
  ExpectCanonical(u);
  EXPECT_EQ(Pixels(u).size(), 36u + 9u - 1u + 4u);
  EXPECT_EQ(u.Box(), (TRect{0, 0, 9, 8}));
}

TEST(GfxRegions, Offset) {
  TRegion g = TRegion::FromSpans({{0, 0, 2}, {1, 4, 6}});
  ASSERT_TRUE(g.Offset(10, -3));
  EXPECT_EQ(g.Rects(), (std::vector<TRect>{{10, -3, 12, -2}, {14, -2, 16, -1}}));
  EXPECT_EQ(g.Box(), (TRect{10, -3, 16, -1}));
  const TRegion before = g;
  EXPECT_FALSE(g.Offset(std::numeric_limits<int32_t>::max() - 12, 0));
  EXPECT_FALSE(g.Offset(0, std::numeric_limits<int32_t>::min()));
  EXPECT_EQ(g, before);
  TRegion empty;
  EXPECT_TRUE(empty.Offset(5, 5));
}

std::vector<uint8_t> Data(uint32_t dwSize, uint32_t iType, uint32_t nCount, uint32_t nRgnSize,
                          const std::vector<TRect>& rects) {
  std::vector<uint8_t> v;
  auto put = [&](uint32_t x) {
    for (int k = 0; k < 4; ++k) v.push_back(uint8_t(x >> (8 * k)));
  };
  put(dwSize), put(iType), put(nCount), put(nRgnSize);
  for (int k = 0; k < 4; ++k) put(0);
  for (const TRect& r : rects)
    put(uint32_t(r.Left)), put(uint32_t(r.Top)), put(uint32_t(r.Right)), put(uint32_t(r.Bottom));
  return v;
}

TEST(GfxRegions, RegionDataLayoutAndRoundTrip) {
  const TRegion g = TRegion::FromSpans({{-1, 2, 5}, {0, 2, 5}, {1, 0, 1}, {1, 3, 4}});
  const std::vector<uint8_t> d = g.ToRegionData();
  ASSERT_EQ(d.size(), 32u + 16u * 3u);
  const uint8_t head[] = {32, 0, 0, 0, 1,    0,    0,    0,    3, 0, 0, 0, 48, 0, 0, 0,
                          0,  0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0, 2,  0, 0, 0};
  EXPECT_EQ(std::memcmp(d.data(), head, 32), 0);
  const uint8_t first[] = {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 5, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(d.data() + 32, first, 16), 0);
  TRegion back;
  ASSERT_TRUE(TRegion::FromRegionData(d.data(), d.size(), back));
  EXPECT_EQ(back, g);
  // Shapes and random regions survive the trip.
  std::mt19937 rng(1);
  std::vector<TRegion> all = {EllipseRegion(0, 0, 37, 21), RoundRectRegion(-5, -5, 40, 30, 9, 9), TRegion()};
  for (int k = 0; k < 50; ++k) all.push_back(RandomRegion(rng, 10));
  for (const TRegion& r : all) {
    const std::vector<uint8_t> bytes = r.ToRegionData();
    TRegion x(TRect{0, 0, 1, 1});
    ASSERT_TRUE(TRegion::FromRegionData(bytes.data(), bytes.size(), x));
    ASSERT_EQ(x, r);
  }
}

TEST(GfxRegions, RegionDataValidation) {
  const std::vector<TRect> two = {{0, 0, 4, 4}, {2, 2, 6, 6}};  // overlapping
  TRegion out;
  // nRgnSize 0 means "not given"; rectangles are normalised.
  auto good = Data(32, 1, 2, 0, two);
  ASSERT_TRUE(TRegion::FromRegionData(good.data(), good.size(), out));
  EXPECT_EQ(Pixels(out).size(), 16u + 16u - 4u);
  ExpectCanonical(out);
  // Unsorted row rectangles as a mask scan makes them, plus an empty one.
  auto rows = Data(32, 1, 4, 64, {{3, 1, 5, 2}, {0, 0, 2, 1}, {2, 0, 4, 1}, {9, 9, 9, 12}});
  ASSERT_TRUE(TRegion::FromRegionData(rows.data(), rows.size(), out));
  EXPECT_EQ(out.Rects(), (std::vector<TRect>{{0, 0, 4, 1}, {3, 1, 5, 2}}));

  const TRegion keep(TRect{7, 7, 8, 8});
  struct Bad {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Bad> bad = {
      {"header size", Data(40, 1, 2, 0, two)},
      {"type", Data(32, 2, 2, 0, two)},
      {"count beyond buffer", Data(32, 1, 3, 0, two)},
      {"count beyond region size", Data(32, 1, 2, 16, two)},
      {"huge count", Data(32, 1, 0xFFFFFFFFu, 0, two)},
      {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 31)},
  };
  auto truncated = good;
  truncated.pop_back();
  bad.push_back({"truncated rectangle", truncated});
  for (const Bad& b : bad) {
    TRegion r = keep;
    EXPECT_FALSE(TRegion::FromRegionData(b.bytes.data(), b.bytes.size(), r)) << b.what;
    EXPECT_EQ(r, keep) << b.what;
  }
  EXPECT_FALSE(TRegion::FromRegionData(nullptr, 100, out));
  // Extra bytes after the rectangles are fine.
  good.resize(good.size() + 7, 0xAB);
  EXPECT_TRUE(TRegion::FromRegionData(good.data(), good.size(), out));
}

// A small input whose union would explode (a grid of bars) is refused.
TEST(GfxRegions, RegionDataUnionIsBounded) {
  std::vector<TRect> bars;
  const int n = 1500;  // n x n cells > MaxDataRects
  for (int i = 0; i < n; ++i) bars.push_back(TRect{2 * i, 0, 2 * i + 1, 2 * n});
  for (int i = 0; i < n; ++i) bars.push_back(TRect{0, 2 * i, 2 * n, 2 * i + 1});
  const auto bytes = Data(32, 1, uint32_t(bars.size()), 0, bars);
  TRegion out;
  EXPECT_FALSE(TRegion::FromRegionData(bytes.data(), bytes.size(), out));
  EXPECT_TRUE(out.Empty());
}

// Shape regions hold exactly the pixels the shapes cover with a 1-pixel pen.
TEST(GfxRegions, ShapeRegionsEqualShapeCoverage) {
  auto cover = [](const TShapeRaster& s) {
    std::vector<TSpan> all = s.Outline;
    all.insert(all.end(), s.Interior.begin(), s.Interior.end());
    return TRegion::FromSpans(all);
  };
  for (int w = 1; w < 30; w += 3)
    for (int h = 1; h < 30; h += 4) {
      EXPECT_EQ(EllipseRegion(2, 3, 2 + w, 3 + h), cover(EllipseShape(2, 3, 2 + w, 3 + h)));
      EXPECT_EQ(RoundRectRegion(2, 3, 2 + w, 3 + h, 5, 5), cover(RoundRectShape(2, 3, 2 + w, 3 + h, 5, 5)));
    }
  const TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (int mode : {ALTERNATE, WINDING}) EXPECT_EQ(PolygonRegion(star, 5, mode), cover(PolygonShape(star, 5, mode)));
  const TPoint two[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
  const int counts[] = {4, 4};
  const TRegion ring = PolyPolygonRegion(two, counts, 2, ALTERNATE);
  EXPECT_FALSE(ring.Contains(4, 4));
  EXPECT_TRUE(ring.Contains(2, 4));  // inner outline
  EXPECT_TRUE(ring.Contains(8, 8));  // the pen reaches the last vertex
  EXPECT_TRUE(PolyPolygonRegion(two, counts, 2, WINDING).Contains(4, 4));
  // A rectangle of a round rect with no corners; a 6 x 6 ellipse spans 6 x 6.
  EXPECT_EQ(RoundRectRegion(0, 0, 6, 4, 0, 0), TRegion(TRect{0, 0, 6, 4}));
  EXPECT_EQ(EllipseRegion(1, 1, 7, 7).Box(), (TRect{1, 1, 7, 7}));
}

// Clipping a window against many siblings stays exact with many bands.
TEST(GfxRegions, LargeCombinesStayExact) {
  TRegion g(TRect{0, 0, 2000, 2000});
  std::vector<TRect> holes;
  for (int i = 0; i < 200; ++i) holes.push_back(TRect{i * 9, i * 7, i * 9 + 5, i * 7 + 600});
  const TRegion cut = TRegion::FromRects(holes.data(), holes.size());
  TRegion::Combine(g, g, cut, RGN_DIFF);
  ExpectCanonical(g);
  EXPECT_FALSE(g.Contains(9 * 50 + 2, 7 * 50 + 10));
  EXPECT_TRUE(g.Contains(9 * 50 + 6, 7 * 50 + 10));
  TRegion back;
  TRegion::Combine(back, g, cut, RGN_OR);
  EXPECT_EQ(back, TRegion(TRect{0, 0, 2000, 2000}));
}

}  // namespace
