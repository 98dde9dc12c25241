#include "imaging/model/processing/iequantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <random>
#include <set>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/ieneuquant.h"

namespace {

// An ie24RGB image of W x H pixels taken row by row from Pixels.
std::unique_ptr<TIEBitmap> Image(int32_t W, int32_t H, const std::vector<TRGB>& Pixels) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t i = 0; i < W * H; ++i) *b->PixelRGB(i % W, i / W) = Pixels[static_cast<size_t>(i) % Pixels.size()];
  return b;
}

std::unique_ptr<TIEBitmap> RandomImage(int32_t W, int32_t H, uint32_t Seed) {
  std::mt19937 rng(Seed);
  std::vector<TRGB> pixels;
  for (int32_t i = 0; i < W * H; ++i) pixels.push_back(MakeTRGB(uint8_t(rng()), uint8_t(rng()), uint8_t(rng())));
  return Image(W, H, pixels);
}

int32_t Distance(const TRGB& A, const TRGB& B) {
  return std::abs(A.r - B.r) + std::abs(A.g - B.g) + std::abs(A.b - B.b);
}

const TRGB kSentinel = MakeTRGB(1, 2, 3);

}  // namespace

TEST(QuantizerExact, UpToNColoursKeepTheirOrderOfFirstAppearance) {
  const std::vector<TRGB> four = {MakeTRGB(200, 10, 10), MakeTRGB(10, 200, 10), MakeTRGB(10, 10, 200),
                                  MakeTRGB(90, 80, 70)};
  auto b = Image(4, 3, {four[2], four[0], four[2], four[3], four[1]});
  std::vector<TRGB> map(4, kSentinel);
  TIEQuantizer q(b.get(), map.data(), 3, 4, -1, 0);
  EXPECT_EQ(q.Method(), 0);  // no builder ran
  ASSERT_NE(q.ExactColors(), nullptr);
  EXPECT_EQ(map, (std::vector<TRGB>{four[2], four[0], four[3], four[1]}));
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(q.RGBIndex(map[static_cast<size_t>(i)]), i);
  // Colours of no pixel get the nearest entry, never -1.
  EXPECT_EQ(q.RGBIndex(MakeTRGB(190, 20, 0)), 1);
  EXPECT_EQ(q.RGBIndex(MakeTRGB(0, 0, 255)), 0);

  // One colour more: the median cut.
  auto five = Image(5, 2, {four[0], four[1], four[2], four[3], MakeTRGB(255, 255, 0)});
  TIEQuantizer m(five.get(), map.data(), 3, 4, -1, 0);
  EXPECT_EQ(m.Method(), 1);
  EXPECT_EQ(m.ExactColors(), nullptr);
  ASSERT_NE(m.MedianCut(), nullptr);
  EXPECT_EQ(m.MedianCut()->BoxCount, 4);
}

TEST(QuantizerMedianCut, BoxMeansAreRefinedOnlyFromTwoByTwo) {
  // Two clusters; the box of black and (0, 0, 8) has the mean level 0.5 in
  // blue, which rounds to the even 0.
  const std::vector<TRGB> pixels = {MakeTRGB(0, 0, 0), MakeTRGB(0, 0, 8), MakeTRGB(255, 255, 255),
                                    MakeTRGB(255, 255, 255)};
  for (const auto& [w, h, expected] :
       {std::tuple{2, 2, std::vector<TRGB>{MakeTRGB(0, 0, 4), MakeTRGB(255, 255, 255)}},
        std::tuple{1, 4, std::vector<TRGB>{MakeTRGB(0, 0, 0), MakeTRGB(248, 248, 248)}},
        std::tuple{4, 1, std::vector<TRGB>{MakeTRGB(0, 0, 0), MakeTRGB(248, 248, 248)}}}) {
    SCOPED_TRACE(testing::Message() << w << " x " << h);
    auto b = Image(w, h, pixels);
    std::vector<TRGB> map(2, kSentinel);
    TIEQuantizer q(b.get(), map.data(), 1, 2, -1, 0);
    ASSERT_NE(q.MedianCut(), nullptr);
    EXPECT_EQ(map, expected);
    EXPECT_EQ(q.RGBIndex(MakeTRGB(0, 0, 8)), 0);
    EXPECT_EQ(q.RGBIndex(MakeTRGB(255, 255, 255)), 1);
  }
}

TEST(QuantizerMedianCut, OneCellGivesOneBox) {
  // Three colours of one 15-bit cell, two requested.
  auto b = Image(3, 3, {MakeTRGB(200, 100, 50), MakeTRGB(201, 101, 51), MakeTRGB(207, 103, 55)});
  std::vector<TRGB> map(2, kSentinel);
  TIEQuantizer q(b.get(), map.data(), 1, 2, -1, 0);
  ASSERT_NE(q.MedianCut(), nullptr);
  EXPECT_EQ(q.MedianCut()->BoxCount, 1);
  EXPECT_EQ(q.EntriesBuilt(), 1);
  EXPECT_EQ(map[1], kSentinel);  // not written
  for (const TRGB& c : {MakeTRGB(201, 101, 51), MakeTRGB(0, 0, 0), MakeTRGB(255, 255, 255)})
    EXPECT_EQ(q.RGBIndex(c), 0);
}

TEST(QuantizerGrayAndPalette, GrayRampAndPaletteRules) {
  // A gray ie24RGB image: the ramp, indexes from the red channel.
  std::vector<TRGB> grays;
  for (int32_t v = 0; v < 256; v += 5) grays.push_back(MakeTRGB(uint8_t(v), uint8_t(v), uint8_t(v)));
  auto gray = Image(8, 8, grays);
  std::vector<TRGB> map(16);
  TIEQuantizer g(gray.get(), map.data(), 15, 16, -1, 0);
  EXPECT_TRUE(g.IsGray());
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(map[static_cast<size_t>(i)], MakeTRGB(i * 16, i * 16, i * 16));
  EXPECT_EQ(g.RGBIndex(MakeTRGB(128, 128, 128)), 8);
  EXPECT_EQ(g.RGBIndex(MakeTRGB(255, 0, 0)), 15);
  // More than 256 colours asked of a gray image keep every level.
  TIEBitmap kept;
  kept.Assign(gray.get());
  QuantizeBitmap(&kept, 1000, nullptr, nullptr, {});
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(*kept.PixelRGB(x, y), *gray->PixelRGB(x, y));

  // An ie8p source: its palette; a repeated entry answers its first place,
  // a foreign colour its nearest entry.
  TIEBitmap p;
  p.Allocate(2, 2, TIEPixelFormat::ie8p);
  p.SetPaletteColor(0, MakeTRGB(10, 20, 30));
  p.SetPaletteColor(1, MakeTRGB(200, 0, 0));
  p.SetPaletteColor(2, MakeTRGB(10, 20, 30));
  std::vector<TRGB> pmap(256, kSentinel);
  TIEQuantizer pq(&p, pmap.data(), 255, 256, -1, 0);
  EXPECT_FALSE(pq.IsGray());
  EXPECT_EQ(pmap[1], MakeTRGB(200, 0, 0));
  EXPECT_EQ(pmap[255], TRGB{});
  EXPECT_EQ(pq.RGBIndex(MakeTRGB(10, 20, 30)), 0);
  EXPECT_EQ(pq.RGBIndex(MakeTRGB(200, 0, 0)), 1);
  EXPECT_EQ(pq.RGBIndex(MakeTRGB(190, 5, 0)), 1);
  EXPECT_EQ(pq.RGBIndex(MakeTRGB(11, 21, 31)), 0);

  // A gray palette follows the gray rule.
  for (int32_t i = 0; i < 256; ++i)
    p.SetPaletteColor(i, MakeTRGB(uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i)));
  TIEQuantizer gq(&p, pmap.data(), 255, 16, -1, 0);
  EXPECT_TRUE(gq.IsGray());
  EXPECT_EQ(pmap[0], MakeTRGB(255, 255, 255));
  EXPECT_EQ(gq.RGBIndex(MakeTRGB(200, 200, 200)), 200 * 16 / 256);
}

TEST(QuantizerMedianCut, MethodAndQualityDoNotChangeTheResult) {
  auto b = RandomImage(40, 30, 7);
  std::vector<TRGB> a(64), m(64), q(64);
  TIEQuantizer qa(b.get(), a.data(), 63, 64, -1, 0);
  TIEQuantizer qm(b.get(), m.data(), 63, 64, -1, 1);
  TIEQuantizer qq(b.get(), q.data(), 63, 64, 50, 0);
  EXPECT_EQ(a, m);
  EXPECT_EQ(a, q);
  EXPECT_EQ(qm.Method(), 1);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const TRGB c = *b->PixelRGB(x, y);
      EXPECT_EQ(qa.RGBIndex(c), qm.RGBIndex(c));
      EXPECT_EQ(qa.RGBIndex(c), qq.RGBIndex(c));
    }
}

TEST(QuantizerIndexes, AlwaysAnEntryThatWasBuilt) {
  std::mt19937 rng(11);
  std::vector<TRGB> foreign;
  for (int32_t i = 0; i < 300; ++i) foreign.push_back(MakeTRGB(uint8_t(rng()), uint8_t(rng()), uint8_t(rng())));
  auto rich = RandomImage(32, 24, 3);
  auto few = Image(5, 5, {MakeTRGB(1, 2, 3), MakeTRGB(250, 3, 3), MakeTRGB(5, 250, 9)});
  TIEBitmap palette;
  palette.Allocate(4, 4, TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < 256; ++i) palette.SetPaletteColor(i, MakeTRGB(uint8_t(i), uint8_t(i * 7), 40));
  for (TIEBitmap* source : {rich.get(), few.get(), &palette}) {
    for (int32_t n : {2, 16, 200, 256}) {
      SCOPED_TRACE(testing::Message() << int(source->PixelFormat()) << " for " << n);
      std::vector<TRGB> map(static_cast<size_t>(n));
      TIEQuantizer q(source, map.data(), n - 1, n, -1, 0);
      ASSERT_GE(q.EntriesBuilt(), 1);
      std::vector<TRGB> asked = foreign;
      for (int32_t y = 0; y < source->Height(); ++y)
        for (int32_t x = 0; x < source->Width(); ++x) {
          TRGB c;
          source->GetPixelAsRGB(x, y, c);
          asked.push_back(c);
        }
      for (const TRGB& c : asked) {
        const int32_t i = q.RGBIndex(c);
        ASSERT_GE(i, 0);
        ASSERT_LT(i, q.EntriesBuilt());
      }
    }
  }
}

TEST(QuantizerLimits, MoreThan256ColoursAsked) {
  // Exactly 1000 colours asked for 1000 stay exact...
  std::vector<TRGB> thousand;
  for (int32_t i = 0; i < 1000; ++i)
    thousand.push_back(MakeTRGB(uint8_t(i % 10 * 25), uint8_t(i / 10 % 10 * 25), uint8_t(i / 100 * 25)));
  auto exact = Image(50, 20, thousand);
  std::vector<TRGB> map(1000);
  TIEQuantizer q(exact.get(), map.data(), 999, 1000, -1, 0);
  ASSERT_NE(q.ExactColors(), nullptr);
  EXPECT_EQ(q.RGBIndex(thousand[999]), 999);

  // ...while a richer image gets at most 256 boxes.
  auto rich = RandomImage(64, 64, 5);
  QuantizeBitmap(rich.get(), 1024, nullptr, nullptr, {});
  std::set<uint32_t> colours;
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) colours.insert(IEPackRGB(*rich->PixelRGB(x, y)));
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 100u);

  // A map with less room than NColors is not written past its end.
  std::vector<TRGB> small(4, kSentinel);
  TIEQuantizer s(rich.get(), small.data(), 1, 4, -1, 0);
  EXPECT_EQ(s.ColorCount(), 2);
  EXPECT_EQ(small[2], kSentinel);
}

TEST(QuantizerNeuQuant, WritesNEntriesAndLooksUpTheNearest) {
  auto b = RandomImage(24, 20, 9);
  for (int32_t n : {4, 16, 64}) {
    SCOPED_TRACE(n);
    std::vector<TRGB> map(static_cast<size_t>(n) + 1, kSentinel);
    auto net = NeuQuantCreate(b.get(), map.data(), n, -1);
    EXPECT_EQ(map[static_cast<size_t>(n)], kSentinel);
    std::set<uint32_t> distinct;
    for (int32_t i = 0; i < n; ++i) distinct.insert(IEPackRGB(map[static_cast<size_t>(i)]));
    EXPECT_GT(distinct.size(), static_cast<size_t>(n / 2));  // the network has spread out
    std::mt19937 rng(n);
    for (int32_t k = 0; k < 200; ++k) {
      const TRGB c = k % 2 ? *b->PixelRGB(k % 24, k % 20) : MakeTRGB(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
      const int32_t i = NeuQuantLookup(net.get(), c);
      ASSERT_GE(i, 0);
      ASSERT_LT(i, n);
      int32_t best = 1000;
      for (int32_t e = 0; e < n; ++e) best = std::min(best, Distance(map[static_cast<size_t>(e)], c));
      EXPECT_EQ(Distance(map[static_cast<size_t>(i)], c), best);
    }
  }
  // A fixed quality samples differently but still writes every entry.
  std::vector<TRGB> map(8, kSentinel);
  auto net = NeuQuantCreate(b.get(), map.data(), 8, 50);
  EXPECT_NE(map[7], kSentinel);
}
