#include "imaging/model/processing/iecolordepth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/testsupport/pnm.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/model/processing/iequantizer.h"
#include "platform/gui/graphics.h"

namespace {

void FillRGB(TIEBitmap& B, int32_t W, int32_t H, const TRGB& C) {
  B.Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *B.PixelRGB(x, y) = C;
}

bool White(TIEBitmap& B, int32_t X, int32_t Y) {
  TRGB c;
  B.GetPixelAsRGB(X, Y, c);
  return c.r != 0;
}

int32_t CountWhite(TIEBitmap& B) {
  int32_t n = 0;
  for (int32_t y = 0; y < B.Height(); ++y)
    for (int32_t x = 0; x < B.Width(); ++x) n += White(B, x, y);
  return n;
}

TRGB Gray(uint8_t V) { return MakeTRGB(V, V, V); }

}  // namespace

TEST(ColorDepthConvertTo, OrderedDitherToOneBit) {
  // Pure white stays white; (250, 250, 250) has level 62, so the matrix
  // cells 62 and 63 stay black in each 8 x 8 block.
  for (const auto& [colour, white] : {std::pair{Gray(255), 64}, std::pair{Gray(250), 62}}) {
    TIEBitmap b;
    FillRGB(b, 8, 8, colour);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    std::vector<int32_t> progress;
    proc.OnProgress = [&](TObject* Sender, int32_t Per) {
      EXPECT_EQ(Sender, &proc);
      progress.push_back(Per);
    };
    proc.ConvertTo(2, false);
    ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
    EXPECT_EQ(CountWhite(b), white);
    if (white == 62) {
      EXPECT_FALSE(White(b, 7, 0));  // matrix entry 63
      EXPECT_FALSE(White(b, 3, 4));  // matrix entry 62
    }
    EXPECT_EQ(progress, (std::vector<int32_t>{11, 23, 35, 47, 58, 70, 82, 94}));
  }
}

TEST(ColorDepthConvertTo, ThresholdAtTheMeanGray) {
  // Mean gray 128: pixels of gray 128 and above become white.
  TIEBitmap b;
  b.Allocate(6, 2, TIEPixelFormat::ie24RGB);
  const uint8_t levels[6] = {100, 128, 156, 156, 128, 100};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 6; ++x) *b.PixelRGB(x, y) = Gray(levels[x]);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.ConvertTo(2, true);
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
  for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(White(b, x, 1), levels[x] >= 128) << x;
}

TEST(ColorDepthConvertTo, ColourCountsAndLimits) {
  std::mt19937 rng(4);
  TIEBitmap b;
  b.Allocate(30, 20, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 30; ++x) *b.PixelRGB(x, y) = MakeTRGB(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
  TIEBitmap original;
  original.Assign(&b);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.SetUndoLimit(5);

  proc.ConvertTo(1025, false);  // more than 1024: an undo entry, no change
  EXPECT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaptions(0), "ConvertTo 1025");
  EXPECT_EQ(std::memcmp(b.ScanLine(5), original.ScanLine(5), 90), 0);

  proc.ConvertTo(600, false);  // 600 colours: exact, unchanged
  EXPECT_EQ(std::memcmp(b.ScanLine(5), original.ScanLine(5), 90), 0);

  proc.ConvertTo(16, false);
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
  std::set<uint32_t> colours;
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 30; ++x) colours.insert(IEPackRGB(*b.PixelRGB(x, y)));
  EXPECT_LE(colours.size(), 16u);
  EXPECT_GE(colours.size(), 8u);

  // Only ie24RGB images are reduced.
  TIEBitmap g;
  g.Allocate(4, 4, TIEPixelFormat::ie8g);
  proc.SetAttachedBitmap(&g);
  proc.ConvertTo(2, false);
  EXPECT_EQ(g.PixelFormat(), TIEPixelFormat::ie8g);
}

TEST(ColorDepthConvertTo, QuantizedImageHasAtMostNColoursForNetpbm) {
  if (!HaveTool("ppmhist")) {
    if (std::getenv("CI")) FAIL() << "ppmhist (netpbm) is not installed";
    GTEST_SKIP() << "ppmhist (netpbm) is not installed";
  }
  TIEBitmap b;
  b.Allocate(48, 40, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 48; ++x) *b.PixelRGB(x, y) = MakeTRGB(uint8_t(x * 5), uint8_t(y * 6), uint8_t((x ^ y) * 4));
  const std::string dir = testing::TempDir();
  for (int32_t n : {3, 32, 256}) {
    SCOPED_TRACE(n);
    TIEBitmap q;
    q.Assign(&b);
    QuantizeBitmap(&q, n, nullptr, nullptr, {});
    const std::string in = dir + "/quantized.ppm", out = dir + "/hist.txt";
    ASSERT_TRUE(WritePnmFile(in, BitmapToPnm(q)));
    ASSERT_EQ(RunTool({"ppmhist", "-noheader", in}, out), 0);
    std::ifstream hist(out);
    int32_t lines = 0;
    for (std::string line; std::getline(hist, line);)
      if (!line.empty()) ++lines;
    EXPECT_LE(lines, n);
    EXPECT_GE(lines, n / 2);
  }
}

TEST(ColorDepthThreshold, MaximumEntropyLevel) {
  // Two gray levels leave no level of positive entropy sum: the mean gray
  // still splits them.
  TIEBitmap b;
  b.Allocate(4, 2, TIEPixelFormat::ie8g);
  for (int32_t x = 0; x < 4; ++x) {
    b.SetPixel8(x, 0, 40);
    b.SetPixel8(x, 1, 200);
  }
  TIEBitmap bw;
  bw.Allocate(4, 2, TIEPixelFormat::ie1g);
  TIECodecProgress none;
  ThresholdConvertTo1Bit(&b, &bw, -2, none);
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_FALSE(White(bw, x, 0));
    EXPECT_TRUE(White(bw, x, 1));
  }

  // Two clusters of spread levels: the level falls between them.
  TIEBitmap spread;
  spread.Allocate(16, 2, TIEPixelFormat::ie8g);
  for (int32_t x = 0; x < 16; ++x) {
    spread.SetPixel8(x, 0, static_cast<uint8_t>(20 + x));
    spread.SetPixel8(x, 1, static_cast<uint8_t>(180 + x));
  }
  std::array<int64_t, 256> counts;
  GrayHistogram(&spread, counts);
  EXPECT_EQ(counts[20], 1);
  EXPECT_EQ(counts[195], 1);
  TIEBitmap bw2;
  bw2.Allocate(16, 2, TIEPixelFormat::ie1g);
  ThresholdConvertTo1Bit(&spread, &bw2, -2, none);
  EXPECT_EQ(CountWhite(bw2), 16);
  for (int32_t x = 0; x < 16; ++x) EXPECT_TRUE(White(bw2, x, 1));
}

TEST(ColorDepthTwoColors, DarkerColourIsBitZero) {
  // White paper with black text, white met first.
  TIEBitmap page;
  FillRGB(page, 10, 3, Gray(255));
  *page.PixelRGB(3, 1) = Gray(0);
  *page.PixelRGB(9, 2) = Gray(0);
  TRGB c1, c2;
  auto bw = TwoColorsTo1Bit(&page, c1, c2);
  ASSERT_NE(bw, nullptr);
  EXPECT_EQ(c1, Gray(0));
  EXPECT_EQ(c2, Gray(255));
  EXPECT_EQ(bw->PixelFormat(), TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(White(*bw, x, y), !((x == 3 && y == 1) || (x == 9 && y == 2)));

  // Any format; equal gray levels keep the first colour at 0.
  TIEBitmap p;
  p.Allocate(2, 1, TIEPixelFormat::ie8p);
  p.SetPaletteColor(0, MakeTRGB(0, 100, 0));
  p.SetPaletteColor(1, MakeTRGB(0, 100, 1));
  p.SetPixel8(1, 0, 1);
  bw = TwoColorsTo1Bit(&p, c1, c2);
  ASSERT_NE(bw, nullptr);
  EXPECT_EQ(c1, MakeTRGB(0, 100, 0));
  EXPECT_FALSE(White(*bw, 0, 0));

  TIEBitmap one;
  FillRGB(one, 5, 5, Gray(7));
  EXPECT_EQ(TwoColorsTo1Bit(&one, c1, c2), nullptr);
  *one.PixelRGB(1, 1) = Gray(8);
  *one.PixelRGB(2, 2) = Gray(9);
  EXPECT_EQ(TwoColorsTo1Bit(&one, c1, c2), nullptr);
}

TEST(ColorDepthRows, ConvertRowPixelDepthPairs) {
  // A quantizer of four exact colours: red 0, green 1, blue 2, white 3.
  TIEBitmap source;
  source.Allocate(4, 1, TIEPixelFormat::ie24RGB);
  const TRGB colours[4] = {MakeTRGB(255, 0, 0), MakeTRGB(0, 255, 0), MakeTRGB(0, 0, 255), MakeTRGB(255, 255, 255)};
  for (int32_t x = 0; x < 4; ++x) *source.PixelRGB(x, 0) = colours[x];
  TRGB map[16];
  TIEQuantizer q(&source, map, 15, 16, -1, 0);
  const TRGB bw[2] = {Gray(0), Gray(255)};
  auto bytes = [](const TRGB* C, int32_t N) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(C), reinterpret_cast<const uint8_t*>(C) + 3 * N);
  };
  const TRGB rgbRow[5] = {colours[3], colours[2], colours[1], colours[0], MakeTRGB(250, 5, 5)};
  const std::vector<uint8_t> rgb = bytes(rgbRow, 5);
  struct TCase {
    int32_t SourceBits, DestBits, Count;
    std::vector<uint8_t> Source, Expected;
    int32_t Result;
  };
  const TCase cases[] = {
      {24, 4, 5, rgb, {0x32, 0x10, 0x00}, 3},  // the foreign colour gets red's index
      {24, 8, 5, rgb, {3, 2, 1, 0, 0}, 5},
      {24, 24, 2, rgb, std::vector<uint8_t>(rgb.begin(), rgb.begin() + 6), 6},
      {32, 24, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 5, 6, 7}, 6},
      {8, 1, 10, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0}, {0xB1, 0x80}, 2},
      {8, 8, 3, {7, 8, 9}, {7, 8, 9}, 3},
      {8, 24, 3, {1, 0, 9}, bytes(std::vector<TRGB>{bw[1], bw[0], bw[1]}.data(), 3), 9},  // index past the palette: its
                                                                                          // last entry
      {1, 1, 10, {0xB1, 0x80}, {0xB1, 0x80}, 2},
      {1, 4, 3, {0xA0}, {0x10, 0x10}, 2},
      {1, 8, 4, {0x50}, {0, 1, 0, 1}, 4},
      {1, 24, 3, {0x40}, bytes(std::vector<TRGB>{bw[0], bw[1], bw[0]}.data(), 3), 9},
      {4, 4, 3, {0x12, 0x30}, {0x12, 0x30}, 2},
      {4, 8, 3, {0x12, 0x30}, {1, 2, 3}, 3},
      {4, 24, 2, {0x10}, bytes(std::vector<TRGB>{bw[1], bw[0]}.data(), 2), 6},
      {16, 8, 4, {1, 2, 3, 4, 5, 6, 7, 8}, {}, 4},  // no such pair: nothing written
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.SourceBits << " -> " << c.DestBits);
    std::vector<uint8_t> dest(32, 0);
    EXPECT_EQ(ConvertRowPixelDepth(c.Source.data(), dest.data(), c.SourceBits, &q, bw, 2, c.Count, c.DestBits),
              c.Result);
    EXPECT_EQ(std::vector<uint8_t>(dest.begin(), dest.begin() + static_cast<ptrdiff_t>(c.Expected.size())), c.Expected);
    EXPECT_TRUE(std::all_of(dest.begin() + static_cast<ptrdiff_t>(c.Expected.size()), dest.end(),
                            [](uint8_t v) { return v == 0; }));
  }
}

TEST(ColorDepthOneBit, ExpandsWidth13AndInverts) {
  TIEBitmap bits;
  bits.Allocate(13, 2, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(bits.ScanLine(0))[0] = 0xA5;
  static_cast<uint8_t*>(bits.ScanLine(0))[1] = 0xC8;  // 1 1 0 0 1 (then padding)
  static_cast<uint8_t*>(bits.ScanLine(1))[1] = 0x08;
  bits.AlphaChannel()->SetPixel8(0, 0, 3);
  TIEBitmap rgb;
  TIECodecProgress progress;
  std::vector<int32_t> reported;
  progress.Event = [&](TObject*, int32_t Per) { reported.push_back(Per); };
  Convert1BitTo24Bit(&bits, &rgb, progress);
  ASSERT_EQ(rgb.PixelFormat(), TIEPixelFormat::ie24RGB);
  ASSERT_EQ(rgb.Width(), 13);
  const char* row0 = "1010010111001";
  for (int32_t x = 0; x < 13; ++x) {
    EXPECT_EQ(*rgb.PixelRGB(x, 0), row0[x] == '1' ? Gray(255) : Gray(0)) << x;
    EXPECT_EQ(*rgb.PixelRGB(x, 1), x == 12 ? Gray(255) : Gray(0)) << x;
  }
  EXPECT_EQ(static_cast<uint8_t*>(rgb.ScanLine(0))[39], 0);  // padding untouched
  EXPECT_EQ(reported, (std::vector<int32_t>{40, 80}));

  // The platform-bitmap form gives the same rows.
  TBitmap p, q;
  p.SetPixelFormat(TPixelFormat::pf1bit);
  p.SetSize(13, 1);
  p.ScanLine(0)[0] = 0xA5;
  p.ScanLine(0)[1] = 0xC8;
  TIECodecProgress none;
  Convert1BitTBitmapTo24Bit(&p, &q, none);
  EXPECT_EQ(q.PixelFormat(), TPixelFormat::pf24bit);
  ASSERT_EQ(q.Width(), 13);
  EXPECT_EQ(std::memcmp(q.ScanLine(0), rgb.ScanLine(0), 39), 0);

  // The image operation drops the alpha channel.
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&bits);
  proc.ConvertTo24Bit();
  ASSERT_EQ(bits.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_FALSE(bits.HasAlphaChannel());
  EXPECT_EQ(std::memcmp(bits.ScanLine(0), rgb.ScanLine(0), 39), 0);

  TIEBitmap inv;
  inv.Allocate(13, 1, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(inv.ScanLine(0))[0] = 0xA5;
  InvertBits(&inv);
  const auto* r = static_cast<const uint8_t*>(inv.ScanLine(0));
  EXPECT_EQ(r[0], 0x5A);
  EXPECT_EQ(r[1], 0xFF);
  EXPECT_EQ(r[3], 0xFF);  // padding too
}

TEST(ColorDepthNearest, SumOfChannelDifferencesFirstWins) {
  const TRGB palette[4] = {MakeTRGB(10, 10, 10), MakeTRGB(0, 30, 0), MakeTRGB(20, 20, 20), MakeTRGB(0, 30, 0)};
  EXPECT_EQ(NearestPaletteIndex(palette, 4, MakeTRGB(15, 15, 15)), 0);  // tie of 0 and 2
  EXPECT_EQ(NearestPaletteIndex(palette, 4, MakeTRGB(0, 40, 0)), 1);
  EXPECT_EQ(NearestPaletteIndex(palette, 4, 0x141414), 2);  // packed 0x00RRGGBB
  EXPECT_EQ(NearestPaletteIndex(palette, 4, 0x001E00), 1);
  EXPECT_EQ(NearestPaletteIndex(palette, 0, MakeTRGB(1, 2, 3)), 0);
}
