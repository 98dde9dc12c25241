#include "platform/gui/rasterize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using TPix = std::pair<int, int>;  // (x, y)
using TPixSet = std::set<TPix>;

std::vector<TPix> LinePixels(int x0, int y0, int x1, int y1) {
  std::vector<TPix> v;
  RasterLine(x0, y0, x1, y1, [&](int x, int y) { v.emplace_back(x, y); });
  return v;
}

TPixSet SpanSet(const std::vector<TSpan>& spans) {
  TPixSet s;
  for (const TSpan& sp : spans)
    for (int x = sp.X0; x < sp.X1; ++x) s.emplace(x, sp.Y);
  return s;
}

TPixSet PointSet(const std::vector<TPoint>& pts) {
  TPixSet s;
  for (const TPoint& p : pts) s.emplace(p.X, p.Y);
  return s;
}

// Picture of a shape in [0, w) x [0, h): '#' pen, 'o' brush, '.' nothing.
std::string Picture(const TShapeRaster& s, int w, int h) {
  std::string out;
  const TPixSet pen = SpanSet(s.Outline), brush = SpanSet(s.Interior);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out += pen.count({x, y}) ? '#' : brush.count({x, y}) ? 'o' : '.';
    out += '\n';
  }
  return out;
}

std::string Rows(std::initializer_list<const char*> rows) {
  std::string s;
  for (const char* r : rows) (s += r) += '\n';
  return s;
}

// The line rule written out directly: nearest minor coordinate, halves down.
std::vector<TPix> ReferenceLine(int x0, int y0, int x1, int y1) {
  std::vector<TPix> v;
  const long dx = x1 - x0, dy = y1 - y0;
  const bool xMajor = std::labs(dx) >= std::labs(dy);
  const long n = xMajor ? std::labs(dx) : std::labs(dy);
  for (long i = 0; i < n; ++i) {
    const long major = (xMajor ? x0 : y0) + (xMajor ? (dx > 0 ? i : -i) : (dy > 0 ? i : -i));
    // exact minor offset = i * dm / n; nearest with halves toward lower
    const long dm = xMajor ? dy : dx;
    const long num = i * dm;  // value = num / n
    // largest k with k - 1/2 < num / n  <=>  2k n - n < 2 num
    long k = num / n + 2;
    while (2 * k * n - n >= 2 * num) --k;
    const long minor = (xMajor ? y0 : x0) + k;
    if (xMajor)
      v.emplace_back(int(major), int(minor));
    else
      v.emplace_back(int(minor), int(major));
  }
  return v;
}

TEST(GfxRaster, LinePixelTable) {
  struct Case {
    int x0, y0, x1, y1;
    std::vector<TPix> want;
  };
  const Case cases[] = {
      {0, 0, 4, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},                       // horizontal, end left out
      {2, 3, 2, 0, {{2, 3}, {2, 2}, {2, 1}}},                               // vertical, upwards
      {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},                               // 45 degrees
      {3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}}},                               // 45 degrees, other diagonal
      {0, 0, 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},                       // shallow: tie at x=2 goes down
      {4, 1, 0, 0, {{4, 1}, {3, 1}, {2, 0}, {1, 0}}},                       // reverse: same tie pixel
      {0, 0, 1, 4, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},                       // steep: tie at y=2
      {0, 0, 2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},               // steep
      {0, 0, 6, -2, {{0, 0}, {1, 0}, {2, -1}, {3, -1}, {4, -1}, {5, -2}}},  // shallow upwards, ties to -1
      {5, 5, 5, 5, {}},                                                     // a point draws nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1);
    EXPECT_EQ(LinePixels(c.x0, c.y0, c.x1, c.y1), c.want);
  }
}

TEST(GfxRaster, LineMatchesRuleAndReverse) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> d(-40, 40);
  for (int k = 0; k < 3000; ++k) {
    const int x0 = d(rng), y0 = d(rng), x1 = d(rng), y1 = d(rng);
    SCOPED_TRACE(::testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
    const std::vector<TPix> fwd = LinePixels(x0, y0, x1, y1);
    ASSERT_EQ(fwd, ReferenceLine(x0, y0, x1, y1));
    if (x0 == x1 && y0 == y1) continue;
    // Each pixel is 8-connected to the previous one.
    for (size_t i = 1; i < fwd.size(); ++i)
      ASSERT_TRUE(std::abs(fwd[i].first - fwd[i - 1].first) <= 1 && std::abs(fwd[i].second - fwd[i - 1].second) <= 1);
    // Forward plus end equals reverse plus start.
    TPixSet a(fwd.begin(), fwd.end()), b;
    for (const TPix& p : LinePixels(x1, y1, x0, y0)) b.insert(p);
    a.emplace(x1, y1);
    b.emplace(x0, y0);
    ASSERT_EQ(a, b);
  }
}

TEST(GfxRaster, ClippedLineIsTheSameLineCut) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> d(-30, 30);
  for (int k = 0; k < 2000; ++k) {
    const int x0 = d(rng), y0 = d(rng), x1 = d(rng), y1 = d(rng);
    TRect clip{d(rng) / 2, d(rng) / 2, 0, 0};
    clip.Right = clip.Left + std::abs(d(rng));
    clip.Bottom = clip.Top + std::abs(d(rng));
    std::vector<TPix> want;
    for (const TPix& p : LinePixels(x0, y0, x1, y1))
      if (p.first >= clip.Left && p.first < clip.Right && p.second >= clip.Top && p.second < clip.Bottom)
        want.push_back(p);
    std::vector<TPix> got;
    RasterLine(x0, y0, x1, y1, clip, [&](int x, int y) { got.emplace_back(x, y); });
    ASSERT_EQ(got, want) << x0 << "," << y0 << " -> " << x1 << "," << y1;
  }
  // A line across the whole coordinate range costs only the clip's width.
  std::vector<TPix> got;
  RasterLine(-2000000000, -7, 2000000000, 7, TRect{-2, -1, 3, 2}, [&](int x, int y) { got.emplace_back(x, y); });
  EXPECT_EQ(got, (std::vector<TPix>{{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}}));
}

TEST(GfxRaster, SmallEllipses) {
  EXPECT_EQ(Picture(EllipseShape(0, 0, 1, 1), 1, 1), "#\n");
  EXPECT_EQ(Picture(EllipseShape(0, 0, 2, 2), 2, 2), Rows({"##", "##"}));
  // The corners of 3 x 3 lie inside the inscribed circle (distance 1.41 < 1.5).
  EXPECT_EQ(Picture(EllipseShape(0, 0, 3, 3), 3, 3), Rows({"###", "#o#", "###"}));
  EXPECT_EQ(Picture(EllipseShape(0, 0, 5, 5), 5, 5), Rows({".###.", "#ooo#", "#ooo#", "#ooo#", ".###."}));
  EXPECT_EQ(Picture(EllipseShape(0, 0, 6, 6), 6, 6),
            Rows({".####.", "#oooo#", "#oooo#", "#oooo#", "#oooo#", ".####."}));
  EXPECT_EQ(Picture(EllipseShape(0, 0, 7, 7), 7, 7),
            Rows({"..###..", ".#ooo#.", "#ooooo#", "#ooooo#", "#ooooo#", ".#ooo#.", "..###.."}));
  EXPECT_EQ(Picture(EllipseShape(0, 0, 9, 5), 9, 5),
            Rows({"..#####..", "##ooooo##", "#ooooooo#", "##ooooo##", "..#####.."}));
  EXPECT_EQ(Picture(EllipseShape(0, 0, 4, 1), 4, 1), "####\n");
  // Corners in either order; no area gives nothing.
  EXPECT_EQ(Picture(EllipseShape(5, 5, 0, 0), 5, 5), Picture(EllipseShape(0, 0, 5, 5), 5, 5));
  EXPECT_TRUE(EllipseShape(0, 0, 0, 5).Path.empty());
  EXPECT_TRUE(EllipseShape(0, 0, 5, 0).Outline.empty());
}

// Every ellipse and round rectangle up to 40 x 40: fills its box exactly,
// is symmetric, has one run per row, pen and brush never overlap, the pen is
// the shape's 4-connected border, and the path walks the pen pixels in
// 8-connected steps, twice only over one-pixel-wide ends.
TEST(GfxRaster, RoundShapeInvariants) {
  auto check = [](const TShapeRaster& s, int l, int t, int r, int b) {
    const int w = r - l, h = b - t;
    // Grid with a one-pixel margin: 0 outside, 1 pen, 2 brush.
    std::vector<int> grid((w + 2) * (h + 2), 0);
    auto at = [&](int x, int y) -> int& { return grid[(y - t + 1) * (w + 2) + (x - l + 1)]; };
    auto in = [&](int x, int y) { return x >= l - 1 && x <= r && y >= t - 1 && y <= b && at(x, y) != 0; };
    size_t penCount = 0;
    for (const TSpan& sp : s.Outline)
      for (int x = sp.X0; x < sp.X1; ++x) {
        ASSERT_TRUE(x >= l && x < r && sp.Y >= t && sp.Y < b) << "outside the box";
        at(x, sp.Y) = 1;
        ++penCount;
      }
    for (const TSpan& sp : s.Interior)
      for (int x = sp.X0; x < sp.X1; ++x) {
        ASSERT_TRUE(x >= l && x < r && sp.Y >= t && sp.Y < b) << "outside the box";
        ASSERT_EQ(at(x, sp.Y), 0) << "pen and brush overlap";
        at(x, sp.Y) = 2;
      }
    for (int y = t; y < b; ++y) {
      int runs = 0;
      for (int x = l; x < r; ++x) {
        if (!in(x, y)) continue;
        runs += !in(x - 1, y);
        ASSERT_TRUE(in(l + r - 1 - x, y) && in(x, t + b - 1 - y)) << "not symmetric";
        const bool border = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
        ASSERT_EQ(border, at(x, y) == 1) << x << "," << y;
      }
      ASSERT_EQ(runs, 1) << "row " << y;
    }
    ASSERT_TRUE(in(l, t + (h - 1) / 2) && in(r - 1, t + (h - 1) / 2));
    ASSERT_TRUE(in(l + (w - 1) / 2, t) && in(l + (w - 1) / 2, b - 1));
    std::map<TPix, int> visits;
    for (const TPoint& p : s.Path) {
      ASSERT_EQ(at(p.X, p.Y), 1) << "path off the pen";
      if (++visits[TPix(p.X, p.Y)] == 2) {
        const bool tip = (!in(p.X - 1, p.Y) && !in(p.X + 1, p.Y)) || (!in(p.X, p.Y - 1) && !in(p.X, p.Y + 1));
        ASSERT_TRUE(tip) << "walked twice: " << p.X << "," << p.Y;
      }
      ASSERT_LE(visits[TPix(p.X, p.Y)], 2);
    }
    ASSERT_EQ(visits.size(), penCount);
    for (size_t i = 0; i < s.Path.size(); ++i) {
      const TPoint a = s.Path[i], c = s.Path[(i + 1) % s.Path.size()];
      ASSERT_LE(std::abs(a.X - c.X), 1);
      ASSERT_LE(std::abs(a.Y - c.Y), 1);
    }
  };
  for (int w = 1; w <= 40; ++w) {
    for (int h = 1; h <= 40; ++h) {
      SCOPED_TRACE(::testing::Message() << w << " x " << h);
      check(EllipseShape(3, -2, 3 + w, -2 + h), 3, -2, 3 + w, -2 + h);
      for (int cw : {0, 5, 8, 13}) check(RoundRectShape(-4, 1, -4 + w, 1 + h, cw, cw + 2), -4, 1, -4 + w, 1 + h);
    }
  }
}

TEST(GfxRaster, RoundRectRules) {
  // Corner ellipses of 5 x 5.
  EXPECT_EQ(Picture(RoundRectShape(0, 0, 8, 6, 5, 5), 8, 6),
            Rows({".######.", "#oooooo#", "#oooooo#", "#oooooo#", "#oooooo#", ".######."}));
  EXPECT_EQ(Picture(RoundRectShape(0, 0, 10, 8, 7, 7), 10, 8),
            Rows({"..######..", ".#oooooo#.", "#oooooooo#", "#oooooooo#", "#oooooooo#", "#oooooooo#", ".#oooooo#.",
                  "..######.."}));
  // Tiny corners give the plain rectangle; full-size corners the ellipse.
  const std::string rect = Rows({"######", "#oooo#", "#oooo#", "######"});
  EXPECT_EQ(Picture(RoundRectShape(0, 0, 6, 4, 2, 2), 6, 4), rect);
  EXPECT_EQ(Picture(RoundRectShape(0, 0, 6, 4, 0, 0), 6, 4), rect);
  for (int w = 1; w < 20; ++w)
    for (int h = 1; h < 20; h += 3) {
      const TShapeRaster e = EllipseShape(1, 2, 1 + w, 2 + h);
      const TShapeRaster r = RoundRectShape(1, 2, 1 + w, 2 + h, w, h);
      const TShapeRaster big = RoundRectShape(1, 2, 1 + w, 2 + h, w + 50, -(h + 9));  // clamped
      ASSERT_EQ(e.Outline, r.Outline);
      ASSERT_EQ(e.Interior, r.Interior);
      ASSERT_EQ(e.Path, r.Path);
      ASSERT_EQ(e.Outline, big.Outline);
    }
}

TEST(GfxRaster, ClippedSpansAreTheShapeCut) {
  const TRect clip{3, 2, 17, 9};
  for (int w : {5, 12, 30})
    for (int h : {4, 11, 25}) {
      std::vector<TSpan> o, i, co, ci;
      RoundRectSpans(0, 0, w, h, 7, 6, &o, &i);
      RoundRectSpans(0, 0, w, h, 7, 6, &co, &ci, &clip);
      NormalizeSpans(co);
      NormalizeSpans(ci);
      TPixSet wantO, wantI;
      for (const TPix& p : SpanSet(o))
        if (p.first >= 3 && p.first < 17 && p.second >= 2 && p.second < 9) wantO.insert(p);
      for (const TPix& p : SpanSet(i))
        if (p.first >= 3 && p.first < 17 && p.second >= 2 && p.second < 9) wantI.insert(p);
      EXPECT_EQ(SpanSet(co), wantO);
      EXPECT_EQ(SpanSet(ci), wantI);
    }
  // A huge ellipse costs only the clip's rows.
  std::vector<TSpan> o, i;
  EllipseSpans(-2000000000, -2000000000, 2000000000, 2000000000, &o, &i, &clip);
  EXPECT_EQ(SpanSet(i).size(), 14u * 7u);
  EXPECT_TRUE(o.empty());
}

// Five-pointed star drawn in one stroke: the middle pentagon is crossed twice,
// a hole under ALTERNATE and filled under WINDING.
TEST(GfxRaster, StarAlternateVersusWinding) {
  const TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  const TShapeRaster alt = PolygonShape(star, 5, ALTERNATE);
  const TShapeRaster wind = PolygonShape(star, 5, WINDING);
  EXPECT_EQ(alt.Outline, wind.Outline);
  const TPixSet a = SpanSet(alt.Interior), w = SpanSet(wind.Interior);
  EXPECT_FALSE(a.count({10, 11}));  // centre
  EXPECT_TRUE(w.count({10, 11}));
  EXPECT_TRUE(a.count({10, 4}));  // top point
  EXPECT_TRUE(w.count({10, 4}));
  for (const TPix& p : a) EXPECT_TRUE(w.count(p));
  EXPECT_EQ(Picture(alt, 21, 20),
            Rows({"..........#..........", "..........#..........", ".........#o#.........", ".........#o#.........",
                  ".........#o#.........", "........#ooo#........", "........#ooo#........", "#####################",
                  ".##oooo#.....#oooo##.", "...#ooo#.....#ooo#...", "....#oo#.....#oo#....", ".....###.....###.....",
                  "......##.....##......", "......#o#...#o#......", "......#oo###oo#......", ".....#ooo#.#ooo#.....",
                  ".....#oo#...#oo#.....", ".....###.....###.....", "....##.........##....", "....#...........#...."}));
  EXPECT_EQ(Picture(wind, 21, 20),
            Rows({"..........#..........", "..........#..........", ".........#o#.........", ".........#o#.........",
                  ".........#o#.........", "........#ooo#........", "........#ooo#........", "#####################",
                  ".##oooo#ooooo#oooo##.", "...#ooo#ooooo#ooo#...", "....#oo#ooooo#oo#....", ".....###ooooo###.....",
                  "......##ooooo##......", "......#o#ooo#o#......", "......#oo###oo#......", ".....#ooo#.#ooo#.....",
                  ".....#oo#...#oo#.....", ".....###.....###.....", "....##.........##....", "....#...........#...."}));
}

TEST(GfxRaster, PolygonOutlineHoldsTheBoundary) {
  // The pen runs through the vertices, so a square polygon covers its last
  // row and column too (unlike Rectangle, whose box is exclusive).
  const TPoint sq[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
  EXPECT_EQ(Picture(PolygonShape(sq, 4, ALTERNATE), 6, 5), Rows({"#####.", "#ooo#.", "#ooo#.", "#####.", "......"}));
  // Nested squares: same orientation fills the hole under WINDING only;
  // opposite orientation leaves it under both.
  const TPoint nested[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {2, 2}, {6, 2}, {6, 6}, {2, 6}};
  const TPoint reversed[] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {2, 2}, {2, 6}, {6, 6}, {6, 2}};
  const int counts[] = {4, 4};
  EXPECT_FALSE(SpanSet(PolyPolygonShape(nested, counts, 2, ALTERNATE).Interior).count({4, 4}));
  EXPECT_TRUE(SpanSet(PolyPolygonShape(nested, counts, 2, WINDING).Interior).count({4, 4}));
  EXPECT_FALSE(SpanSet(PolyPolygonShape(reversed, counts, 2, WINDING).Interior).count({4, 4}));
  EXPECT_TRUE(SpanSet(PolyPolygonShape(reversed, counts, 2, WINDING).Interior).count({1, 4}));
  // Degenerate input.
  const int bad[] = {4, -1};
  EXPECT_TRUE(PolyPolygonShape(nested, bad, 2, ALTERNATE).Outline.empty());
  EXPECT_TRUE(PolygonShape(sq, 1, ALTERNATE).Outline.empty());
  const TShapeRaster two = PolygonShape(sq, 2, WINDING);  // a line drawn both ways
  EXPECT_EQ(SpanSet(two.Outline).size(), 5u);
  EXPECT_TRUE(two.Interior.empty());
}

// Random polygons: the brush fills exactly the pixels whose centres are
// strictly inside (crossing parity / winding counted directly), apart from
// the pen's pixels; and the pen plus brush has no holes next to the pen.
TEST(GfxRaster, PolygonFillMatchesPointInPolygon) {
  auto inside = [](const std::vector<TPoint>& p, double x, double y, int mode) {
    int wind = 0, cross = 0;
    for (size_t i = 0; i < p.size(); ++i) {
      const TPoint a = p[i], b = p[(i + 1) % p.size()];
      if ((a.Y <= y) != (b.Y <= y)) {
        const double xc = a.X + (y - a.Y) * double(b.X - a.X) / double(b.Y - a.Y);
        if (xc > x) {
          ++cross;
          wind += b.Y > a.Y ? 1 : -1;
        }
      }
    }
    return mode == WINDING ? wind != 0 : (cross & 1) != 0;
  };
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> d(0, 24), nd(3, 8);
  for (int k = 0; k < 300; ++k) {
    std::vector<TPoint> p(nd(rng));
    for (TPoint& q : p) q = TPoint{d(rng), d(rng)};
    for (int mode : {ALTERNATE, WINDING}) {
      const TShapeRaster s = PolygonShape(p.data(), int(p.size()), mode);
      const TPixSet pen = SpanSet(s.Outline), brush = SpanSet(s.Interior);
      for (int y = -1; y <= 25; ++y)
        for (int x = -1; x <= 25; ++x) {
          if (pen.count({x, y})) {
            ASSERT_FALSE(brush.count({x, y}));
            continue;
          }
          // Offsetting the sample point a hair keeps it off every edge; a
          // pixel not on the pen is never on an edge.
          ASSERT_EQ(brush.count({x, y}) == 1, inside(p, x + 1e-7, y + 1e-9, mode))
              << "polygon " << k << " pixel " << x << "," << y;
        }
    }
  }
}

TEST(GfxRaster, ArcsWalkTheEllipse) {
  const TShapeRaster e = EllipseShape(0, 0, 11, 11);
  const TPixSet ring = PointSet(e.Path);
  // Quarter from 3 o'clock to 12 o'clock counter-clockwise.
  const std::vector<TPoint> q = ArcPath(0, 0, 11, 11, 20, 5, 5, -20);
  EXPECT_EQ(q.front(), (TPoint{10, 5}));
  EXPECT_EQ(q.back(), (TPoint{5, 0}));
  for (const TPoint& p : q) EXPECT_TRUE(p.X >= 5 && p.Y <= 5);
  // The same radials clockwise take the other three quarters; together they
  // cover the ring, sharing only the two ends.
  const std::vector<TPoint> rest = ArcPath(0, 0, 11, 11, 20, 5, 5, -20, AD_CLOCKWISE);
  EXPECT_EQ(rest.front(), q.front());
  EXPECT_EQ(rest.back(), q.back());
  TPixSet both = PointSet(q);
  for (const TPoint& p : rest) both.emplace(p.X, p.Y);
  EXPECT_EQ(both, ring);
  EXPECT_EQ(q.size() + rest.size(), ring.size() + 2);
  // Same radial: the whole ellipse.
  EXPECT_EQ(PointSet(ArcPath(0, 0, 11, 11, 8, 8, 9, 9)), ring);
  EXPECT_EQ(ArcPath(0, 0, 11, 11, 8, 8, 9, 9).size(), ring.size());
  // Steps stay 8-connected.
  for (size_t i = 1; i < rest.size(); ++i)
    EXPECT_TRUE(std::abs(rest[i].X - rest[i - 1].X) <= 1 && std::abs(rest[i].Y - rest[i - 1].Y) <= 1);
}

TEST(GfxRaster, ChordAndPie) {
  // Upper half of a 9 x 9 circle, radials at 3 and 9 o'clock.
  const TShapeRaster chord = ChordShape(0, 0, 9, 9, 9, 4, -1, 4);
  EXPECT_EQ(Picture(chord, 9, 9), Rows({"..#####..", ".#ooooo#.", "#ooooooo#", "#ooooooo#", "#########", ".........",
                                        ".........", ".........", "........."}));
  // Quarter pie: the arc from 12 to 9 o'clock plus the radii to the centre.
  const TShapeRaster pie = PieShape(0, 0, 9, 9, 4, -5, -5, 4);
  EXPECT_EQ(Picture(pie, 9, 9), Rows({"..###....", ".#oo#....", "#ooo#....", "#ooo#....", "#####....", ".........",
                                      ".........", ".........", "........."}));
  // Pie and chord stay within the ellipse, and pen pixels are the path's.
  for (int k = 0; k < 16; ++k) {
    const double a0 = k * 0.7, a1 = k * 1.9 + 0.3;
    const int xs = 10 + int(40 * std::cos(a0)), ys = 6 + int(-40 * std::sin(a0));
    const int xe = 10 + int(40 * std::cos(a1)), ye = 6 + int(-40 * std::sin(a1));
    const TShapeRaster full = EllipseShape(0, 0, 21, 13);
    TPixSet cover = SpanSet(full.Outline);
    for (const TPix& p : SpanSet(full.Interior)) cover.insert(p);
    for (int dir : {AD_COUNTERCLOCKWISE, AD_CLOCKWISE})
      for (const TShapeRaster& s :
           {ChordShape(0, 0, 21, 13, xs, ys, xe, ye, dir), PieShape(0, 0, 21, 13, xs, ys, xe, ye, dir)}) {
        EXPECT_EQ(PointSet(s.Path), SpanSet(s.Outline));
        for (const TPix& p : SpanSet(s.Interior)) {
          EXPECT_TRUE(cover.count(p));
          EXPECT_FALSE(SpanSet(s.Outline).count(p));
        }
      }
  }
}

TEST(GfxRaster, SpanHelpers) {
  std::vector<TSpan> s = {{2, 5, 9}, {1, 0, 3}, {2, 0, 5}, {2, 12, 12}, {1, 2, 4}, {2, 20, 22}};
  NormalizeSpans(s);
  EXPECT_EQ(s, (std::vector<TSpan>{{1, 0, 4}, {2, 0, 9}, {2, 20, 22}}));
  EXPECT_EQ(SubtractSpans(s, {{1, 1, 2}, {2, 3, 4}, {2, 8, 21}}),
            (std::vector<TSpan>{{1, 0, 1}, {1, 2, 4}, {2, 0, 3}, {2, 4, 8}, {2, 21, 22}}));
  EXPECT_EQ(SpansFromPixels({{3, 1}, {1, 1}, {2, 1}, {2, 1}, {7, 0}}), (std::vector<TSpan>{{0, 7, 8}, {1, 1, 4}}));
}

}  // namespace
