#include "imaging/model/containers/ieresample.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/model/containers/ieresample_internal.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

using Bitmap = std::unique_ptr<TIEBitmap>;

Bitmap Make(int32_t W, int32_t H, TIEPixelFormat F) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(W, H, F);
  return b;
}

// A 24-bit image whose pixel (x, y) is Fn(x, y).
template <class F>
Bitmap Make24(int32_t W, int32_t H, F&& Fn) {
  Bitmap b = Make(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = Fn(x, y);
  return b;
}

TRGB Gray(uint8_t V) { return MakeTRGB(V, V, V); }

bool Bit(TIEBitmap& B, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(B.ScanLine(Y))[X >> 3] >> (7 - (X & 7))) & 1;
}

void SetBit(TIEBitmap& B, int32_t X, int32_t Y, bool V) {
  auto* row = static_cast<uint8_t*>(B.ScanLine(Y));
  const auto bit = static_cast<uint8_t>(0x80u >> (X & 7));
  row[X >> 3] = static_cast<uint8_t>(V ? row[X >> 3] | bit : row[X >> 3] & ~bit);
}

// The bytes of the pixels of every row (padding left out).
std::vector<uint8_t> Pixels(TIEBitmap& B) {
  std::vector<uint8_t> out;
  const size_t bytes = (static_cast<size_t>(B.Width()) * static_cast<size_t>(B.BitCount()) + 7) / 8;
  for (int32_t y = 0; y < B.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(B.ScanLine(y));
    if (B.BitCount() == 1) {
      for (int32_t x = 0; x < B.Width(); ++x) out.push_back(Bit(B, x, y));
    } else {
      out.insert(out.end(), row, row + bytes);
    }
  }
  return out;
}

const TResampleFilter kAllFilters[] = {
    TResampleFilter::rfNone,       TResampleFilter::rfTriangle,  TResampleFilter::rfHermite,
    TResampleFilter::rfBell,       TResampleFilter::rfBSpline,   TResampleFilter::rfLanczos3,
    TResampleFilter::rfMitchell,   TResampleFilter::rfNearest,   TResampleFilter::rfLinear,
    TResampleFilter::rfFastLinear, TResampleFilter::rfBilinear,  TResampleFilter::rfBicubic,
    TResampleFilter::rfProjectBW,  TResampleFilter::rfProjectWB,
};

bool IsProjection(TResampleFilter F) { return F == TResampleFilter::rfProjectBW || F == TResampleFilter::rfProjectWB; }

// A private temporary folder, for file-backed bitmaps and tool runs.
class ModelResampleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = std::string(std::getenv("HOME")) + "/resample-XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    Dir = templ;
    IETempDirectory = Dir;
  }
  void TearDown() override {
    IETempDirectory.clear();
    IEMemoryThresholdOverride = -1;
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }
  std::string Dir;
};

}  // namespace

// ---- Arithmetic ------------------------------------------------------------------------------

TEST(ModelResample, KernelTable) {
  struct Row {
    TResampleFilter Filter;
    double Support;
    double X;
    double Weight;
  };
  const Row rows[] = {
      {TResampleFilter::rfTriangle, 1.0, 0.25, 0.75},
      {TResampleFilter::rfTriangle, 1.0, -1.0, 0.0},
      {TResampleFilter::rfHermite, 1.0, 0.5, 0.5},
      {TResampleFilter::rfBell, 1.5, 0.0, 0.75},
      {TResampleFilter::rfBell, 1.5, -1.0, 0.125},
      {TResampleFilter::rfBSpline, 2.0, 0.0, 2.0 / 3.0},
      {TResampleFilter::rfBSpline, 2.0, 1.5, 0.125 / 6.0},
      {TResampleFilter::rfLanczos3, 3.0, 0.0, 1.0},
      {TResampleFilter::rfLanczos3, 3.0, 2.0, 0.0},
      {TResampleFilter::rfMitchell, 2.0, 0.0, 16.0 / 18.0},
      {TResampleFilter::rfMitchell, 2.0, 1.0, 1.0 / 18.0},
      // The box and the linear ramp are not symmetric at their edges.
      {TResampleFilter::rfNearest, 1.0, 0.5, 1.0},
      {TResampleFilter::rfNearest, 1.0, -0.5, 0.0},
      {TResampleFilter::rfLinear, 1.0, -1.0, 0.0},
      {TResampleFilter::rfLinear, 1.0, -0.25, 0.75},
      {TResampleFilter::rfLinear, 1.0, 1.0, 0.0},
  };
  for (const Row& r : rows) {
    const TResampleKernelEntry& k = ResampleKernel(r.Filter);
    EXPECT_EQ(k.Support, r.Support) << static_cast<int>(r.Filter);
    EXPECT_NEAR(k.Kernel(r.X), r.Weight, 1e-12) << static_cast<int>(r.Filter) << " at " << r.X;
  }
}

TEST(ModelResample, ChannelValueRules) {
  using namespace ieresample_detail;
  struct Row {
    int32_t Sum, WeightSum;
    int Expected;
  };
  const Row rows[] = {
      {25600, 256, 100}, {25855, 256, 100},  // truncated
      {-500, 256, 0},    {90000, 256, 255},  // clamped
      {-2560, -256, 10}, {2570, -256, 0},    // signed division toward zero
      {1000, 0, 3},                          // zero weight sum: shr 8
      {-1, 0, 255},                          // ... of the sum as an unsigned number
      {0, 0, 0},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ChannelValue(r.Sum, MakeChannelDivisor(r.WeightSum)), r.Expected) << r.Sum << " / " << r.WeightSum;

  // The multiply-and-shift division against plain division, at and around
  // every multiple that matters, up to the largest int32.
  std::mt19937 rng(7);
  for (int32_t d = 1; d <= 3000; d += (d < 300 ? 1 : 37)) {
    const TChannelDivisor div = MakeChannelDivisor(d);
    for (int i = 0; i < 200; ++i) {
      const uint32_t n = i < 100
                             ? static_cast<uint32_t>(d) * static_cast<uint32_t>(i) + static_cast<uint32_t>(i % 3) - 1u
                             : rng() & 0x7FFFFFFFu;
      if (n > 0x7FFFFFFFu) continue;
      ASSERT_EQ(DivideBy(n, div), n / static_cast<uint32_t>(d)) << n << " / " << d;
    }
    ASSERT_EQ(DivideBy(0x7FFFFFFFu, div), 0x7FFFFFFFu / static_cast<uint32_t>(d));
  }
}

TEST(ModelResample, CubicInterpolate) {
  EXPECT_DOUBLE_EQ(CubicInterpolate(10, 20, 30, 40, 0.0), 20);
  EXPECT_DOUBLE_EQ(CubicInterpolate(10, 20, 30, 40, 1.0), 30);
  EXPECT_DOUBLE_EQ(CubicInterpolate(10, 20, 30, 40, 0.5), 25);  // a straight line stays one
  // Overshoot at a sharp edge is clamped.
  EXPECT_DOUBLE_EQ(CubicInterpolate(0, 0, 255, 255, 0.5), 127.5);
  EXPECT_EQ(CubicInterpolate(0, 255, 255, 0, 0.5), 255.0);  // 318.75
  EXPECT_EQ(CubicInterpolate(255, 0, 0, 255, 0.5), 0.0);    // -63.75
}

// ---- Values of the engines ---------------------------------------------------------------------

TEST(ModelResample, TriangleThreeToFiveKeepsTheEnds) {
  // Scale (5 - 1) / (3 - 1) = 2: columns 0, 2, 4 sit on the source pixels,
  // the others take the truncated mean of their two neighbours.
  Bitmap src = Make24(3, 1, [](int32_t x, int32_t) {
    return Gray(static_cast<uint8_t>(x == 0 ? 10 : x == 1 ? 20 : 31));
  });
  Bitmap dst = Make(5, 1, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfTriangle);
  const uint8_t expected[] = {10, 15, 20, 25, 31};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(*dst->PixelRGB(x, 0), Gray(expected[x])) << x;
}

TEST(ModelResample, KernelMirrorsThenClampsAtTheEdges) {
  // 5 -> 3 with rfTriangle: scale 0.5, support 2. Column 0 reaches j = -1,
  // mirrored to 1; column 2 reaches j = 5, mirrored to 2 * 5 - 1 - 5 = 4.
  Bitmap src = Make24(5, 1, [](int32_t x, int32_t) { return Gray(x % 2 ? 100 : 0); });
  Bitmap dst = Make(3, 1, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfTriangle);
  EXPECT_EQ(*dst->PixelRGB(0, 0), Gray(50));
  EXPECT_EQ(*dst->PixelRGB(1, 0), Gray(50));
  EXPECT_EQ(*dst->PixelRGB(2, 0), Gray(25));
}

TEST(ModelResample, SinglePixelSourceFillsDest) {
  for (TResampleFilter f : kAllFilters) {
    if (IsProjection(f)) continue;
    Bitmap src = Make24(1, 1, [](int32_t, int32_t) { return MakeTRGB(200, 40, 90); });
    src->AlphaChannel()->SetPixel8(0, 0, 77);
    Bitmap dst = Make(6, 4, TIEPixelFormat::ie24RGB);
    ResampleBitmap(src.get(), dst.get(), f);
    ASSERT_EQ(dst->PixelFormat(), TIEPixelFormat::ie24RGB) << static_cast<int>(f);
    ASSERT_TRUE(dst->HasAlphaChannel());
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        ASSERT_EQ(*dst->PixelRGB(x, y), MakeTRGB(200, 40, 90)) << static_cast<int>(f) << " at " << x << "," << y;
        ASSERT_EQ(dst->AlphaChannel()->GetPixel8(x, y), 77) << static_cast<int>(f);
      }
  }
}

TEST(ModelResample, FastLinearSameSizeIsACopy) {
  std::mt19937 rng(3);
  Bitmap src = Make24(7, 5, [&](int32_t, int32_t) {
    return MakeTRGB(static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
  });
  Bitmap dst = Make(7, 5, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfFastLinear);
  EXPECT_EQ(Pixels(*dst), Pixels(*src));
}

TEST(ModelResample, FastLinearAtScaleOneAveragesWithTheRightNeighbour) {
  // Same width, twice the height: along x each pixel averages itself and
  // its right-hand neighbour (the last column stays itself).
  const uint8_t values[] = {0, 11, 100, 255, 40};
  Bitmap src = Make24(5, 2, [&](int32_t x, int32_t) { return MakeTRGB(values[x], 3, 200); });
  Bitmap dst = Make(5, 4, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfFastLinear);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      const int expected = x == 4 ? values[4] : (values[x] + values[x + 1]) / 2;
      EXPECT_EQ(dst->PixelRGB(x, y)->r, expected) << x << "," << y;
      EXPECT_EQ(dst->PixelRGB(x, y)->g, 3);
      EXPECT_EQ(dst->PixelRGB(x, y)->b, 200);
    }
}

TEST(ModelResample, AreaSamplesAtTheEndOfEachInterval) {
  // 2 -> 4 with rfBilinear: x is interpolated, y (1 -> 1) is not. The
  // intervals end at 0.5 (tx 0.5), 1.0 (a source boundary: tx 1.0), 1.5 and
  // 2.0, so only the first pixel mixes the two sources.
  Bitmap src = Make24(2, 1, [](int32_t x, int32_t) { return Gray(x ? 100 : 0); });
  Bitmap dst = Make(4, 1, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfBilinear);
  const uint8_t expected[] = {50, 100, 100, 100};
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(*dst->PixelRGB(x, 0), Gray(expected[x])) << x;

  // Reducing on both axes takes pixels as they are: both samplings agree,
  // and 4 x 4 -> 2 x 2 gives the truncated mean of each 2 x 2 block.
  std::mt19937 rng(5);
  Bitmap big = Make24(4, 4, [&](int32_t, int32_t) {
    return MakeTRGB(static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
  });
  Bitmap bilinear = Make(2, 2, TIEPixelFormat::ie24RGB);
  Bitmap bicubic = Make(2, 2, TIEPixelFormat::ie24RGB);
  ResampleBitmap(big.get(), bilinear.get(), TResampleFilter::rfBilinear);
  ResampleBitmap(big.get(), bicubic.get(), TResampleFilter::rfBicubic);
  EXPECT_EQ(Pixels(*bilinear), Pixels(*bicubic));
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 2; ++x) {
      int sum = 0;
      for (int32_t dy = 0; dy < 2; ++dy)
        for (int32_t dx = 0; dx < 2; ++dx) sum += big->PixelRGB(2 * x + dx, 2 * y + dy)->g;
      EXPECT_EQ(bilinear->PixelRGB(x, y)->g, sum / 4) << x << "," << y;
    }
}

TEST(ModelResample, ProjectionKeepsASingleBlackPixel) {
  // 8 x 8 -> 4 x 4: column blocks 0..0, 0..2, 2..4, 4..6 (rows alike), so
  // source pixel (5, 3) lies in destination column 3, row 2 only.
  Bitmap src = Make24(8, 8, [](int32_t x, int32_t y) { return Gray(x == 5 && y == 3 ? 0 : 255); });
  Bitmap dst = Make(4, 4, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfProjectBW);
  ASSERT_EQ(dst->PixelFormat(), TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Bit(*dst, x, y), !(x == 3 && y == 2)) << x << "," << y;

  // A channel of exactly 128 is neither dark nor light.
  Bitmap mid = Make24(6, 6, [](int32_t, int32_t) { return Gray(128); });
  Bitmap bw = Make(3, 3, TIEPixelFormat::ie24RGB);
  Bitmap wb = Make(3, 3, TIEPixelFormat::ie24RGB);
  ResampleBitmap(mid.get(), bw.get(), TResampleFilter::rfProjectBW);
  ResampleBitmap(mid.get(), wb.get(), TResampleFilter::rfProjectWB);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      EXPECT_TRUE(Bit(*bw, x, y));
      EXPECT_FALSE(Bit(*wb, x, y));
    }
  // One channel at 127 is not enough to be dark.
  Bitmap almost = Make24(6, 6, [](int32_t, int32_t) { return MakeTRGB(127, 127, 128); });
  ResampleBitmap(almost.get(), bw.get(), TResampleFilter::rfProjectBW);
  EXPECT_TRUE(Bit(*bw, 1, 1));
}

TEST(ModelResample, OneBitSources) {
  // Left half white.
  Bitmap src = Make(8, 6, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) SetBit(*src, x, y, x < 4);

  Bitmap lanczos = Make(5, 4, TIEPixelFormat::ie1g);
  ResampleBitmap(src.get(), lanczos.get(), TResampleFilter::rfLanczos3);
  ASSERT_EQ(lanczos->PixelFormat(), TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      const TRGB p = *lanczos->PixelRGB(x, y);
      EXPECT_TRUE(p.r == p.g && p.g == p.b) << x << "," << y;
    }
  EXPECT_GT(lanczos->PixelRGB(0, 2)->r, 200);
  EXPECT_LT(lanczos->PixelRGB(4, 2)->r, 55);
  const int edge = lanczos->PixelRGB(2, 1)->r;
  EXPECT_TRUE(edge > 55 && edge < 200) << edge;

  Bitmap projected = Make(4, 3, TIEPixelFormat::ie1g);
  ResampleBitmap(src.get(), projected.get(), TResampleFilter::rfProjectWB);
  ASSERT_EQ(projected->PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_TRUE(Bit(*projected, 0, 1));
  EXPECT_FALSE(Bit(*projected, 3, 1));

  // Both axes reduced: windows of the 1-bit-to-gray stretch. 4 x 4 -> 2 x 2
  // has f = g = 2: column 0 averages source columns 0..1, column 1 columns
  // 1..3 (one of three white).
  Bitmap small = Make(4, 4, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) SetBit(*small, x, y, x < 2);
  Bitmap gray = Make(2, 2, TIEPixelFormat::ie1g);
  ResampleBitmap(small.get(), gray.get(), TResampleFilter::rfBilinear);
  ASSERT_EQ(gray->PixelFormat(), TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 2; ++y) {
    EXPECT_EQ(*gray->PixelRGB(0, y), Gray(255));
    EXPECT_EQ(*gray->PixelRGB(1, y), Gray(85));
  }
  // An enlarged axis interpolates linearly between 0 and 255.
  Bitmap wide = Make(8, 4, TIEPixelFormat::ie1g);
  ResampleBitmap(small.get(), wide.get(), TResampleFilter::rfFastLinear);
  // Column 3 lies half way from white to black: 255 + floor(-255 / 2).
  EXPECT_EQ(*wide->PixelRGB(2, 0), Gray(255));
  EXPECT_EQ(*wide->PixelRGB(3, 0), Gray(127));
  EXPECT_EQ(*wide->PixelRGB(4, 0), Gray(0));
}

TEST(ModelResample, TransparentPixelsTurnGrayAndAlphaFollows) {
  Bitmap src = Make24(6, 4, [](int32_t x, int32_t y) {
    return MakeTRGB(static_cast<uint8_t>(40 * x), 0, static_cast<uint8_t>(50 * y));
  });
  TIEBitmap* alpha = src->AlphaChannel();
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) alpha->SetPixel8(x, y, x < 2 ? 0 : 255);
  Bitmap dst = Make(3, 8, TIEPixelFormat::ie24RGB);
  ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfLanczos3);
  for (int32_t y = 0; y < 4; ++y) {
    EXPECT_EQ(*src->PixelRGB(0, y), Gray(128));  // the source itself changed
    EXPECT_EQ(*src->PixelRGB(1, y), Gray(128));
    EXPECT_EQ(*src->PixelRGB(2, y), MakeTRGB(80, 0, static_cast<uint8_t>(50 * y)));
  }
  // Dest's alpha is the source alpha through the same filter.
  Bitmap expected = Make(3, 8, TIEPixelFormat::ie8g);
  ResampleAlpha(alpha, expected.get(), TResampleFilter::rfLanczos3);
  ASSERT_TRUE(dst->HasAlphaChannel());
  EXPECT_EQ(Pixels(*dst->AlphaChannel()), Pixels(*expected));
  EXPECT_FALSE(dst->AlphaChannel()->Full());

  // Full travels with the alpha channel.
  Bitmap opaque = Make24(5, 5, [](int32_t, int32_t) { return Gray(9); });
  opaque->AlphaChannel();
  ASSERT_TRUE(opaque->AlphaChannel()->Full());
  Bitmap out = Make(2, 2, TIEPixelFormat::ie24RGB);
  ResampleBitmap(opaque.get(), out.get(), TResampleFilter::rfBicubic);
  EXPECT_TRUE(out->AlphaChannel()->Full());
  EXPECT_EQ(out->AlphaChannel()->GetPixel8(1, 1), 255);
}

TEST(ModelResample, ProgressEndValues) {
  struct Row {
    TResampleFilter Filter;
    int First, Last;
  };
  // Kernel: trunc(1 * 100 / 150.5) .. trunc(150 * 100 / 150.5); area: up to
  // 100; fast linear: 0 .. trunc(149 * 100 / 150.5); projection and nearest:
  // 0 .. trunc(49 * 100 / 50.5).
  const Row rows[] = {
      {TResampleFilter::rfLanczos3, 0, 99},   {TResampleFilter::rfBilinear, 2, 100},
      {TResampleFilter::rfFastLinear, 0, 99}, {TResampleFilter::rfProjectBW, 0, 97},
      {TResampleFilter::rfNone, 0, 97},
  };
  for (const Row& r : rows) {
    Bitmap src = Make24(100, 100, [](int32_t x, int32_t y) { return Gray(static_cast<uint8_t>(x + y)); });
    Bitmap dst = Make(50, 50, TIEPixelFormat::ie24RGB);
    std::vector<int32_t> seen;
    ResampleBitmap(src.get(), dst.get(), r.Filter, [&](TObject*, int32_t p) { seen.push_back(p); });
    ASSERT_FALSE(seen.empty()) << static_cast<int>(r.Filter);
    EXPECT_EQ(seen.front(), r.First) << static_cast<int>(r.Filter);
    EXPECT_EQ(seen.back(), r.Last) << static_cast<int>(r.Filter);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << static_cast<int>(r.Filter);
  }
}

// The kernel engine reads 24-bit rows pair by pair and combines several
// rows at a time; its results must stay those of one channel and one line at
// a time. Two identities check that over sizes that reach those loops (wide
// rows, odd tap counts, the 2.5 x reduction of a photo, enlargements):
// - a 24-bit result equals the results of its three channels as ie8g images;
// - resizing the rows only equals resizing the columns of the transposed
//   image, for the filters whose same-size pass is an exact copy (the other
//   axis keeps its size).
// Random pixels with many 0s and 255s push sums past both ends of the clamp.
TEST(ModelResample, KernelEngineAgreesAcrossItsForms) {
  std::mt19937 rng(7);
  auto level = [&] {
    const uint32_t r = rng();
    return static_cast<uint8_t>(r % 4 == 0 ? 0 : r % 4 == 1 ? 255 : r >> 8);
  };
  const int32_t sizes[][3] = {{400, 7, 160}, {257, 5, 100}, {33, 3, 70}, {16, 4, 7}, {1000, 3, 13}, {9, 2, 40}};
  const TResampleFilter filters[] = {TResampleFilter::rfLanczos3, TResampleFilter::rfMitchell,
                                     TResampleFilter::rfTriangle, TResampleFilter::rfBSpline};
  for (const auto& s : sizes)
    for (TResampleFilter f : filters) {
      const int32_t W = s[0], H = s[1], DW = s[2];
      SCOPED_TRACE(::testing::Message() << "filter " << static_cast<int>(f) << " " << W << "x" << H << " -> " << DW);
      Bitmap src = Make24(W, H, [&](int32_t, int32_t) { return MakeTRGB(level(), level(), level()); });
      Bitmap rows = Make(DW, H, TIEPixelFormat::ie24RGB);
      ResampleBitmap(src.get(), rows.get(), f);

      for (int32_t ch = 0; ch < 3; ++ch) {
        Bitmap plane = Make(W, H, TIEPixelFormat::ie8g);
        for (int32_t y = 0; y < H; ++y)
          for (int32_t x = 0; x < W; ++x)
            plane->SetPixel8(x, y, reinterpret_cast<const uint8_t*>(src->PixelRGB(x, y))[ch]);
        Bitmap planeOut = Make(DW, H, TIEPixelFormat::ie8g);
        ResampleBitmap(plane.get(), planeOut.get(), f);
        for (int32_t y = 0; y < H; ++y)
          for (int32_t x = 0; x < DW; ++x)
            ASSERT_EQ(planeOut->GetPixel8(x, y), reinterpret_cast<const uint8_t*>(rows->PixelRGB(x, y))[ch])
                << "channel " << ch << " at " << x << "," << y;
      }

      if (f != TResampleFilter::rfLanczos3 && f != TResampleFilter::rfTriangle) continue;
      Bitmap turned = Make24(H, W, [&](int32_t x, int32_t y) { return *src->PixelRGB(y, x); });
      Bitmap columns = Make(H, DW, TIEPixelFormat::ie24RGB);
      ResampleBitmap(turned.get(), columns.get(), f);
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < DW; ++x) ASSERT_EQ(*columns->PixelRGB(y, x), *rows->PixelRGB(x, y)) << x << "," << y;
    }
}

// The AVX2 paths against the SSE2 ones (where the processor has AVX2): both
// axes down and up, widths around the 16- and 32-byte steps and runs of
// every length, random pixels with many 0s and 255s.
TEST(ModelResample, Avx2PathsGiveTheSameBytes) {
  if (!ieresample_detail::ResampleAvx2) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 rng(11);
  auto level = [&] {
    const uint32_t r = rng();
    return static_cast<uint8_t>(r % 4 == 0 ? 0 : r % 4 == 1 ? 255 : r >> 8);
  };
  // Source heights around the rows taken at once, narrow rows, and scales
  // that leave each count of pairs after the two-pair steps.
  const int32_t sizes[][4] = {{1000, 600, 200, 120}, {517, 301, 103, 77}, {64, 40, 11, 17},  {30, 20, 75, 51},
                              {13, 9, 5, 31},        {2000, 12, 37, 5},   {37, 1, 9, 1},     {23, 2, 7, 3},
                              {50, 3, 20, 2},        {41, 5, 13, 4},      {61, 6, 17, 5},    {4, 7, 2, 6},
                              {2, 9, 1, 4},          {7, 11, 3, 3},       {333, 13, 100, 9}, {160, 7, 71, 3},
                              {90, 10, 47, 4}};
  for (const auto& s : sizes)
    for (TResampleFilter f : {TResampleFilter::rfLanczos3, TResampleFilter::rfMitchell, TResampleFilter::rfHermite}) {
      SCOPED_TRACE(::testing::Message() << "filter " << static_cast<int>(f) << " " << s[0] << "x" << s[1] << " -> "
                                        << s[2] << "x" << s[3]);
      Bitmap src = Make24(s[0], s[1], [&](int32_t, int32_t) { return MakeTRGB(level(), level(), level()); });
      Bitmap wide = Make(s[2], s[3], TIEPixelFormat::ie24RGB), narrow = Make(s[2], s[3], TIEPixelFormat::ie24RGB);
      ResampleBitmap(src.get(), wide.get(), f);
      ieresample_detail::ResampleAvx2 = false;
      ResampleBitmap(src.get(), narrow.get(), f);
      ieresample_detail::ResampleAvx2 = true;
      ASSERT_EQ(Pixels(*wide), Pixels(*narrow));
    }
}

// ---- Formats ----------------------------------------------------------------------------------

TEST(ModelResample, UniformStaysUniformUnderEveryFilter) {
  const int32_t sizes[][4] = {{9, 7, 4, 3}, {4, 3, 11, 9}, {10, 3, 4, 8}, {5, 5, 5, 5}, {3, 8, 3, 2}};
  for (const auto& s : sizes)
    for (TResampleFilter f : kAllFilters) {
      Bitmap src = Make24(s[0], s[1], [](int32_t, int32_t) { return MakeTRGB(37, 142, 250); });
      Bitmap dst = Make(s[2], s[3], TIEPixelFormat::ie24RGB);
      ResampleBitmap(src.get(), dst.get(), f);
      SCOPED_TRACE(::testing::Message() << "filter " << static_cast<int>(f) << " " << s[0] << "x" << s[1] << " -> "
                                        << s[2] << "x" << s[3]);
      ASSERT_EQ(dst->Width(), s[2]);
      ASSERT_EQ(dst->Height(), s[3]);
      for (int32_t y = 0; y < s[3]; ++y)
        for (int32_t x = 0; x < s[2]; ++x) {
          if (IsProjection(f))
            ASSERT_EQ(Bit(*dst, x, y), f == TResampleFilter::rfProjectBW);  // neither dark nor light
          else
            ASSERT_EQ(*dst->PixelRGB(x, y), MakeTRGB(37, 142, 250)) << x << "," << y;
        }
    }
}

TEST(ModelResample, OtherFormatsKeepTheirPicture) {
  // ie8p: the nearest stretch with the palette.
  Bitmap pal = Make(4, 4, TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < 256; ++i)
    pal->SetPaletteColor(i, MakeTRGB(static_cast<uint8_t>(i), 7, static_cast<uint8_t>(255 - i)));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) pal->SetPixel8(x, y, static_cast<uint8_t>(10 * x + y));
  Bitmap palOut = Make(8, 2, TIEPixelFormat::ie8p);  // as allocated by the caller: palette all black
  ResampleBitmap(pal.get(), palOut.get(), TResampleFilter::rfLanczos3);
  ASSERT_EQ(palOut->PixelFormat(), TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < 256; ++i) {
    TRGB a, b;
    pal->GetPaletteColor(i, a);
    palOut->GetPaletteColor(i, b);
    ASSERT_EQ(a, b) << i;
  }
  EXPECT_EQ(palOut->GetPixel8(3, 1), 10 * 1 + 2);

  // ie8g: filtered by the single-channel kernel engine.
  Bitmap gray = Make(8, 8, TIEPixelFormat::ie8g);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) gray->SetPixel8(x, y, x < 4 ? 0 : 255);
  Bitmap grayOut = Make(5, 5, TIEPixelFormat::ie8g);
  ResampleBitmap(gray.get(), grayOut.get(), TResampleFilter::rfLanczos3);
  ASSERT_EQ(grayOut->PixelFormat(), TIEPixelFormat::ie8g);
  const int mid = grayOut->GetPixel8(2, 2);
  EXPECT_GT(mid, 0);
  EXPECT_LT(mid, 255);
  Bitmap expected = Make(5, 5, TIEPixelFormat::ie8g);
  ResampleAlpha(gray.get(), expected.get(), TResampleFilter::rfLanczos3);
  EXPECT_EQ(Pixels(*grayOut), Pixels(*expected));

  // ie16g, ie32f, ieCMYK, ieRGB48 with a filter: filled by the nearest stretch.
  const TIEPixelFormat others[] = {TIEPixelFormat::ie16g, TIEPixelFormat::ie32f, TIEPixelFormat::ieCMYK,
                                   TIEPixelFormat::ieRGB48};
  for (TIEPixelFormat f : others) {
    Bitmap src = Make(3, 3, f);
    std::mt19937 rng(11);
    for (int32_t y = 0; y < 3; ++y) {
      auto* row = static_cast<uint8_t*>(src->ScanLine(y));
      for (int32_t i = 0; i < src->RowLen(); ++i) row[i] = static_cast<uint8_t>(rng() | 1);
    }
    Bitmap out = Make(6, 6, f);
    Bitmap nearest = Make(6, 6, f);
    ResampleBitmap(src.get(), out.get(), TResampleFilter::rfBicubic);
    StretchNearest(src.get(), nearest.get());
    ASSERT_EQ(out->PixelFormat(), f);
    EXPECT_EQ(Pixels(*out), Pixels(*nearest)) << static_cast<int>(f);
    EXPECT_NE(static_cast<const uint8_t*>(out->ScanLine(5))[0], 0) << static_cast<int>(f);
  }
}

TEST(ModelResample, Stretch1BitToGrayRectangle) {
  // A rectangle of the source: columns 2..5 of an image whose column 4 is
  // the only white one, drawn into 2 x 1: f = 2, g = 3.
  Bitmap src = Make(8, 3, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 3; ++y) SetBit(*src, 4, y, true);
  Bitmap dst = Make(2, 1, TIEPixelFormat::ie24RGB);
  Stretch1BitToGray(src.get(), 2, 0, 5, 2, dst.get());
  // Column 0: source 2 + trunc(-1) .. 2 + trunc(1) = 1..3 -> no white;
  // column 1: 2 + 1 .. 2 + 3 = 3..5 -> one of three.
  EXPECT_EQ(*dst->PixelRGB(0, 0), Gray(0));
  EXPECT_EQ(*dst->PixelRGB(1, 0), Gray(85));
  // Nothing for an inverted rectangle or a wrong Dest format.
  Bitmap untouched = Make24(2, 1, [](int32_t, int32_t) { return Gray(7); });
  Stretch1BitToGray(src.get(), 5, 0, 2, 2, untouched.get());
  EXPECT_EQ(*untouched->PixelRGB(1, 0), Gray(7));
  Bitmap gray8 = Make(2, 1, TIEPixelFormat::ie8g);
  Stretch1BitToGray(src.get(), 2, 0, 5, 2, gray8.get());
  EXPECT_EQ(gray8->GetPixel8(1, 0), 0);
}

// ---- File-backed bitmaps, access modes, sanitizer sweep --------------------------------------------

TEST_F(ModelResampleFiles, FileBackedBitmapsGiveTheSameResultAndKeepTheirAccess) {
  std::mt19937 rng(21);
  Bitmap memSrc = Make24(13, 9, [&](int32_t, int32_t) {
    return MakeTRGB(static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
  });
  for (int32_t y = 0; y < 9; ++y) memSrc->AlphaChannel()->SetPixel8(3, y, 0);
  IEMemoryThresholdOverride = 0;  // every bitmap made from now on lives in a file
  for (TResampleFilter f : kAllFilters) {
    IEMemoryThresholdOverride = -1;
    Bitmap memDst = std::make_unique<TIEBitmap>();
    memDst->Allocate(7, 11, TIEPixelFormat::ie24RGB);
    IEMemoryThresholdOverride = 0;
    Bitmap fileSrc = std::make_unique<TIEBitmap>();
    fileSrc->Assign(memSrc.get());
    Bitmap fileDst = Make(7, 11, TIEPixelFormat::ie24RGB);
    ASSERT_EQ(fileSrc->Location(), TIELocation::ieFile);
    ASSERT_EQ(fileDst->Location(), TIELocation::ieFile);
    const TIEDataAccess readWrite{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite};
    ResampleBitmap(memSrc.get(), memDst.get(), f);
    ResampleBitmap(fileSrc.get(), fileDst.get(), f);
    SCOPED_TRACE(static_cast<int>(f));
    EXPECT_EQ(fileSrc->Access(), readWrite);
    EXPECT_EQ(fileDst->Access(), readWrite);
    EXPECT_EQ(Pixels(*fileDst), Pixels(*memDst));
    EXPECT_EQ(Pixels(*fileDst->AlphaChannel()), Pixels(*memDst->AlphaChannel()));
    EXPECT_EQ(Pixels(*fileSrc), Pixels(*memSrc));  // the gray fill reached the file
  }
}

// Every filter over sizes 1..40 in each direction, on ie1g, ie8g and
// ie24RGB with alpha. The sources live in files, so every row is a heap
// block of its own and a read outside a row is caught by the sanitizer.
// Checks: the shape and format of Dest; a uniform source gives the same
// uniform Dest; filters without negative lobes stay inside the source range.
TEST_F(ModelResampleFiles, SanitizerSweep) {
  std::mt19937 rng(1234);
  std::vector<std::array<int32_t, 4>> sizes;
  const int32_t edges[] = {1, 2, 40};
  for (int32_t a : edges)
    for (int32_t b : edges) sizes.push_back({a, b, edges[(a + b) % 3], edges[(a * b) % 3]});
  std::uniform_int_distribution<int32_t> side(1, 40);
  while (sizes.size() < 48) sizes.push_back({side(rng), side(rng), side(rng), side(rng)});

  const TIEPixelFormat formats[] = {TIEPixelFormat::ie1g, TIEPixelFormat::ie8g, TIEPixelFormat::ie24RGB};
  for (const auto& s : sizes)
    for (TIEPixelFormat format : formats)
      for (TResampleFilter f : kAllFilters)
        for (int uniform = 0; uniform < 2; ++uniform) {
          SCOPED_TRACE(::testing::Message()
                       << "format " << static_cast<int>(format) << " filter " << static_cast<int>(f) << " " << s[0]
                       << "x" << s[1] << " -> " << s[2] << "x" << s[3] << (uniform ? " uniform" : " random"));
          IEMemoryThresholdOverride = 0;
          Bitmap src = Make(s[0], s[1], format);
          if (format == TIEPixelFormat::ie24RGB) src->AlphaChannel();
          IEMemoryThresholdOverride = -1;
          ASSERT_EQ(src->Location(), TIELocation::ieFile);
          const uint8_t level = format == TIEPixelFormat::ie1g ? 0xFF : 201;
          uint8_t lo = 255, hi = 0;
          for (int32_t y = 0; y < s[1]; ++y) {
            auto* row = static_cast<uint8_t*>(src->ScanLine(y));
            for (int32_t i = 0; i < src->RowLen(); ++i) {
              row[i] = uniform ? level : static_cast<uint8_t>(rng());
              if (i < s[0] * src->BitCount() / 8) {
                lo = std::min(lo, row[i]);
                hi = std::max(hi, row[i]);
              }
            }
          }
          if (format == TIEPixelFormat::ie24RGB)
            for (int32_t y = 0; y < s[1]; ++y)
              for (int32_t x = 0; x < s[0]; ++x)
                src->AlphaChannel()->SetPixel8(x, y, uniform ? 255 : static_cast<uint8_t>(rng() % 3 * 127 + 1));
          Bitmap dst = Make(s[2], s[3], format);
          ResampleBitmap(src.get(), dst.get(), f);

          ASSERT_EQ(dst->Width(), s[2]);
          ASSERT_EQ(dst->Height(), s[3]);
          TIEPixelFormat expected = format;
          if (IsProjection(f) && format != TIEPixelFormat::ie8g)
            expected = TIEPixelFormat::ie1g;
          else if (format == TIEPixelFormat::ie1g && f != TResampleFilter::rfNone &&
                   !(f >= TResampleFilter::rfFastLinear && s[0] == s[2] && s[1] == s[3]))
            expected = TIEPixelFormat::ie24RGB;  // the same size is a copy for the linear routes
          ASSERT_EQ(dst->PixelFormat(), expected);
          if (format == TIEPixelFormat::ie24RGB) {
            ASSERT_TRUE(dst->HasAlphaChannel());
            ASSERT_EQ(dst->AlphaChannel()->Width(), s[2]);
          }
          const std::vector<uint8_t> out = Pixels(*dst);
          if (uniform) {
            const uint8_t want = expected == TIEPixelFormat::ie1g ? 1 : (format == TIEPixelFormat::ie1g ? 255 : 201);
            ASSERT_EQ(std::count(out.begin(), out.end(), want), static_cast<ptrdiff_t>(out.size()));
          } else if (expected != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie1g &&
                     f != TResampleFilter::rfLanczos3 && f != TResampleFilter::rfMitchell &&
                     f != TResampleFilter::rfBicubic) {
            ASSERT_GE(*std::min_element(out.begin(), out.end()), lo);
            ASSERT_LE(*std::max_element(out.begin(), out.end()), hi);
          }
        }
}

// The area engine on reductions is an area-weighted mean; netpbm's pamscale
// computes the same with linear pixel mixing, rounding instead of truncating.
TEST_F(ModelResampleFiles, AreaReductionMatchesPamscale) {
  IE_REQUIRE_TOOL("pamscale", "netpbm");
  const int32_t cases[][4] = {{37, 23, 15, 9}, {40, 40, 13, 27}, {17, 5, 16, 4}};
  std::mt19937 rng(99);
  for (const auto& c : cases) {
    Bitmap src = Make24(c[0], c[1], [&](int32_t, int32_t) {
      return MakeTRGB(static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
    });
    const std::string in = Dir + "/in.ppm", out = Dir + "/out.ppm";
    ASSERT_TRUE(WritePnmFile(in, BitmapToPnm(*src)));
    ASSERT_EQ(
        RunTool({"pamscale", "-linear", "-width", std::to_string(c[2]), "-height", std::to_string(c[3]), in}, out), 0);
    TPnmImage theirs;
    ASSERT_TRUE(ReadPnmFile(out, theirs));
    Bitmap dst = Make(c[2], c[3], TIEPixelFormat::ie24RGB);
    ResampleBitmap(src.get(), dst.get(), TResampleFilter::rfBilinear);
    const TPnmImage ours = BitmapToPnm(*dst);
    ASSERT_EQ(ours.Samples.size(), theirs.Samples.size());
    int worst = 0;
    for (size_t i = 0; i < ours.Samples.size(); ++i)
      worst = std::max(worst, std::abs(static_cast<int>(ours.Samples[i]) - static_cast<int>(theirs.Samples[i])));
    EXPECT_LE(worst, 1) << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3];
  }
}
