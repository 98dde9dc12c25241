#include "imaging/model/processing/iemagicwand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

// An image drawn from text (ie24RGB or ie8g): one row per string, '#' dark,
// any other character light.
std::unique_ptr<TIEBitmap> Picture(const std::vector<std::string>& Rows,
                                   TIEPixelFormat Format = TIEPixelFormat::ie24RGB) {
  auto b = std::make_unique<TIEBitmap>();
  b->SetMemoryThreshold(2147483647);
  const auto h = static_cast<int32_t>(Rows.size()), w = static_cast<int32_t>(Rows[0].size());
  b->Allocate(w, h, Format);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t v = Rows[size_t(y)][size_t(x)] == '#' ? 20 : 230;
      if (Format == TIEPixelFormat::ie8g)
        b->SetPixel8(x, y, v);
      else
        *b->PixelRGB(x, y) = MakeTRGB(v, v, v);
    }
  return b;
}

std::unique_ptr<TIEMask> Mask(TIEBitmap& B) {
  auto m = std::make_unique<TIEMask>();
  m->Allocate(B.Width(), B.Height(), 8);
  return m;
}

std::vector<std::string> Selected(TIEMask& M) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < M.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < M.Width(); ++x) row += M.GetPixel(x, y) ? 'x' : '.';
    rows.push_back(row);
  }
  return rows;
}

// The outline with consecutive repeats and a final repeat of the first point
// dropped, as "x,y" strings.
std::vector<std::string> Corners(const std::vector<TPoint>& Points) {
  std::vector<TPoint> p;
  for (const TPoint& q : Points)
    if (p.empty() || !(p.back() == q)) p.push_back(q);
  if (p.size() > 1 && p.back() == p.front()) p.pop_back();
  std::vector<std::string> out;
  for (const TPoint& q : p) out.push_back(std::to_string(q.X) + "," + std::to_string(q.Y));
  return out;
}

std::vector<std::string> Outline(TIEBitmap& B, int32_t X, int32_t Y, bool MaxFilter = false) {
  int32_t count = -1;
  const std::vector<TPoint> points = MagicWandOutline(&B, X, Y, MaxFilter, 0, count);
  EXPECT_EQ(count, static_cast<int32_t>(points.size()));
  return Corners(points);
}

}  // namespace

TEST(ModelMagicWand, FillIsFourConnected) {
  // The two dark areas touch only at a corner.
  auto b = Picture({"##...", "##...", "..##.", "..##."});
  auto m = Mask(*b);
  MagicWandFill(b.get(), 0, 0, false, 0, m.get(), 255);
  EXPECT_EQ(Selected(*m), (std::vector<std::string>{"xx...", "xx...", ".....", "....."}));
  EXPECT_EQ(Outline(*b, 1, 1), (std::vector<std::string>{"0,0", "2,0", "2,2", "0,2"}));
  // The dark diagonal splits the light area in two as well.
  auto m2 = Mask(*b);
  MagicWandFill(b.get(), 4, 0, false, 0, m2.get(), 7);
  EXPECT_EQ(Selected(*m2), (std::vector<std::string>{"..xxx", "..xxx", "....x", "....x"}));
  EXPECT_EQ(m2->GetPixel(4, 3), 7);
}

TEST(ModelMagicWand, FillMatchesAFloodOnRandomImages) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 60; ++round) {
    const int32_t w = 1 + int32_t(rng() % 23), h = 1 + int32_t(rng() % 17);
    TIEBitmap b;
    b.SetMemoryThreshold(round % 3 == 0 ? 0 : 2147483647);  // some in a file
    b.Allocate(w, h, TIEPixelFormat::ie8g);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) b.SetPixel8(x, y, uint8_t(rng() % 3 * 40));
    const int32_t sx = int32_t(rng() % uint32_t(w)), sy = int32_t(rng() % uint32_t(h));
    const int32_t tolerance = round % 2 ? 0 : 40;
    // Reference: breadth-first flood over 4-neighbours.
    const int32_t seed = b.GetPixel8(sx, sy);
    std::vector<char> want(size_t(w * h), 0);
    std::deque<std::pair<int32_t, int32_t>> queue{{sx, sy}};
    want[size_t(sy * w + sx)] = 1;
    while (!queue.empty()) {
      const auto [x, y] = queue.front();
      queue.pop_front();
      const int32_t n[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
      for (const auto& q : n) {
        if (q[0] < 0 || q[1] < 0 || q[0] >= w || q[1] >= h || want[size_t(q[1] * w + q[0])]) continue;
        if (std::abs(b.GetPixel8(q[0], q[1]) - seed) > tolerance) continue;
        want[size_t(q[1] * w + q[0])] = 1;
        queue.push_back({q[0], q[1]});
      }
    }
    TIEMask m;
    m.Allocate(w, h, 1);
    MagicWandFill(&b, sx, sy, false, tolerance, &m, 1);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        ASSERT_EQ(m.GetPixel(x, y) != 0, want[size_t(y * w + x)] != 0)
            << "round " << round << " at " << x << "," << y << " seed " << sx << "," << sy;
  }
}

TEST(ModelMagicWand, UniformImageIsSelectedWhole) {
  auto b = Picture({"....", "....", "...."}, TIEPixelFormat::ie8g);
  auto fill = Mask(*b);
  auto similar = Mask(*b);
  MagicWandFill(b.get(), 2, 1, false, 0, fill.get(), 255);
  SelectSimilarColors(b.get(), 2, 1, 0, similar.get(), 255);
  EXPECT_EQ(Selected(*fill), (std::vector<std::string>{"xxxx", "xxxx", "xxxx"}));
  EXPECT_EQ(Selected(*similar), Selected(*fill));
  EXPECT_EQ(Outline(*b, 0, 0), (std::vector<std::string>{"0,0", "4,0", "4,3", "0,3"}));
}

TEST(ModelMagicWand, SimilarColoursAreFoundAnywhere) {
  auto b = Picture({"#..#", "....", "#..."});
  auto m = Mask(*b);
  SelectSimilarColors(b.get(), 3, 0, 0, m.get(), 255);
  EXPECT_EQ(Selected(*m), (std::vector<std::string>{"x..x", "....", "x..."}));
  // Tolerance: each channel within it.
  *b->PixelRGB(1, 1) = MakeTRGB(30, 25, 10);
  auto m2 = Mask(*b);
  SelectSimilarColors(b.get(), 3, 0, 10, m2.get(), 255);
  EXPECT_EQ(Selected(*m2), (std::vector<std::string>{"x..x", ".x..", "x..."}));
}

TEST(ModelMagicWand, MaxFilterGrowsByOnePixelWithinTheImage) {
  auto b = Picture({"#....", ".....", "..#..", "....."});
  auto corner = Mask(*b);
  MagicWandFill(b.get(), 0, 0, true, 0, corner.get(), 255);
  EXPECT_EQ(Selected(*corner), (std::vector<std::string>{"xx...", "xx...", ".....", "....."}));
  auto middle = Mask(*b);
  MagicWandFill(b.get(), 2, 2, true, 0, middle.get(), 255);
  EXPECT_EQ(Selected(*middle), (std::vector<std::string>{".....", ".xxx.", ".xxx.", ".xxx."}));
}

TEST(ModelMagicWand, SeedOutsideTheImageDoesNothing) {
  auto b = Picture({"...", "..."});
  for (const auto& [x, y] : std::vector<std::pair<int32_t, int32_t>>{{3, 0}, {0, 2}, {-1, 0}}) {
    auto m = Mask(*b);
    MagicWandFill(b.get(), x, y, false, 0, m.get(), 255);
    EXPECT_EQ(Selected(*m), (std::vector<std::string>{"...", "..."}));
    int32_t count = -1;
    EXPECT_TRUE(MagicWandOutline(b.get(), x, y, false, 0, count).empty());
    EXPECT_EQ(count, 0);
  }
}

TEST(ModelMagicWand, OutlinesRunClockwiseFromTheTopLeft) {
  // A single pixel: its four corners.
  auto one = Picture({"...", ".#.", "..."});
  EXPECT_EQ(Outline(*one, 1, 1), (std::vector<std::string>{"1,1", "2,1", "2,2", "1,2"}));
  // An L: six corners.
  auto l = Picture({"#..", "##.", "..."});
  EXPECT_EQ(Outline(*l, 0, 0), (std::vector<std::string>{"0,0", "1,0", "1,1", "2,1", "2,2", "0,2"}));
  // The mirrored L, away from the image's edges.
  auto j = Picture({"....", "...#", "..##", "...."});
  EXPECT_EQ(Outline(*j, 3, 2), (std::vector<std::string>{"3,1", "4,1", "4,3", "2,3", "2,2", "3,2"}));
  // MaxFilter grows the pixel inside its own box only.
  EXPECT_EQ(Outline(*one, 1, 1, true), (std::vector<std::string>{"1,1", "2,1", "2,2", "1,2"}));
}
