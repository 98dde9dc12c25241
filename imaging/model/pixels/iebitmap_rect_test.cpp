#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

using PF = TIEPixelFormat;

void Place(TIEBitmap& B, bool InFile) {
  if (InFile)
    PreferFile(B);
  else
    PreferMemory(B);
}

// An ie8g bitmap whose pixel (x, y) is Base + x + 16 * y.
void Ramp(TIEBitmap& B, int32_t W, int32_t H, uint8_t Base = 1) {
  B.Allocate(W, H, PF::ie8g);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) B.SetPixel8(x, y, static_cast<uint8_t>(Base + x + 16 * y));
}

std::vector<uint8_t> Row8(TIEBitmap& B, int32_t Y) {
  std::vector<uint8_t> v;
  for (int32_t x = 0; x < B.Width(); ++x) v.push_back(B.GetPixel8(x, Y));
  return v;
}

std::vector<bool> Bits(TIEBitmap& B, int32_t Y) {
  std::vector<bool> v;
  const auto* row = static_cast<const uint8_t*>(B.ScanLine(Y));
  for (int32_t x = 0; x < B.Width(); ++x) v.push_back(GetBit(row, x));
  return v;
}

}  // namespace

using ModelRectOps = PixelsTempDirTest;
using ModelResize = PixelsTempDirTest;

// ---- CopyRectTo ---------------------------------------------------------------------

TEST_F(ModelRectOps, CopyRectToClipsInItsOrder) {
  struct Case {
    const char* what;
    int32_t srcX, dstX, width;
    std::vector<uint8_t> dest;  // the destination row afterwards (source row: 1..8)
  };
  const Case cases[] = {
      {"inside", 2, 1, 3, {0, 3, 4, 5, 0, 0}},
      {"negative destination moves the source", 2, -3, 6, {6, 7, 8, 0, 0, 0}},
      {"negative source is clamped, destination stays", -2, 1, 3, {0, 1, 2, 3, 0, 0}},
      {"limited by the destination", 0, 4, 8, {0, 0, 0, 0, 1, 2}},
      {"limited by the source", 6, 0, 8, {7, 8, 0, 0, 0, 0}},
      {"destination past the end lands on the last column", 0, 9, 4, {0, 0, 0, 0, 0, 1}},
      {"source past the end is its last column", 20, 0, 4, {8, 0, 0, 0, 0, 0}},
      {"nothing left", 2, -6, 6, {0, 0, 0, 0, 0, 0}},
      {"zero width", 2, 1, 0, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TIEBitmap src, dst;
    PreferMemory(src);
    PreferMemory(dst);
    Ramp(src, 8, 1);
    dst.Allocate(6, 1, PF::ie8g);
    src.CopyRectTo(&dst, c.srcX, 0, c.dstX, 0, c.width, 1);
    EXPECT_EQ(Row8(dst, 0), c.dest);
  }
}

TEST_F(ModelRectOps, CopyRectToRowsAndLocations) {
  for (bool srcFile : {false, true}) {
    for (bool dstFile : {false, true}) {
      SCOPED_TRACE(testing::Message() << "source in file " << srcFile << ", dest in file " << dstFile);
      TIEBitmap src, dst;
      Place(src, srcFile);
      Place(dst, dstFile);
      Ramp(src, 5, 6);
      dst.Allocate(4, 4, PF::ie8g);
      dst.Fill(200);
      // DstY = -2 starts two source rows further down.
      src.CopyRectTo(&dst, 1, 1, 1, -2, 3, 10);
      // The copied rows reach the file without a further ScanLine.
      if (dstFile) {
        EXPECT_EQ(static_cast<uint8_t*>(dst.GetRow(0))[1], 1 + 1 + 16 * 3);
        dst.FreeRowBuffers();
      }
      for (int32_t y = 0; y < 4; ++y) {
        const uint8_t r = static_cast<uint8_t>(16 * (y + 3));
        const std::vector<uint8_t> expected =
            y < 3 ? std::vector<uint8_t>{200, uint8_t(2 + r), uint8_t(3 + r), uint8_t(4 + r)}
                  : std::vector<uint8_t>{200, 200, 200, 200};
        EXPECT_EQ(Row8(dst, y), expected) << "row " << y;
      }
    }
  }
}

TEST_F(ModelRectOps, CopyRectToCopiesEqualFormatsBytewise) {
  for (PF format : {PF::ie8p, PF::ie16g, PF::ie24RGB, PF::ie32f, PF::ieCMYK, PF::ieRGB48}) {
    SCOPED_TRACE(testing::Message() << "format " << int(format));
    TIEBitmap src, dst;
    PreferMemory(src);
    PreferMemory(dst);
    src.Allocate(3, 2, format);
    dst.Allocate(3, 2, format);
    const size_t bpp = size_t(IEBitsPerPixel(format) / 8);
    for (int32_t y = 0; y < 2; ++y) {
      auto* row = static_cast<uint8_t*>(src.ScanLine(y));
      for (size_t i = 0; i < 3 * bpp; ++i) row[i] = static_cast<uint8_t>(1 + i + 50 * y);
    }
    src.CopyRectTo(&dst, 1, 1, 0, 0, 2, 1);
    const auto* s = static_cast<const uint8_t*>(src.ScanLine(1));
    const auto* d = static_cast<const uint8_t*>(dst.ScanLine(0));
    EXPECT_EQ(0, std::memcmp(d, s + bpp, 2 * bpp));
    for (size_t i = 2 * bpp; i < 3 * bpp; ++i) EXPECT_EQ(d[i], 0);
  }
}

TEST_F(ModelRectOps, CopyRectToBetweenFormats) {
  TIEBitmap gray, rgb, bw;
  PreferMemory(gray);
  PreferMemory(rgb);
  PreferMemory(bw);
  Ramp(gray, 4, 2);
  rgb.Allocate(4, 2, PF::ie24RGB);
  rgb.Fill(double(RGB(9, 8, 7)));
  gray.CopyRectTo(&rgb, 0, 0, 0, 0, 4, 2);  // ie8g into ie24RGB: nothing
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(*rgb.PixelRGB(x, 1), MakeTRGB(9, 8, 7));

  bw.Allocate(4, 1, PF::ie1g);
  static_cast<uint8_t*>(bw.ScanLine(0))[0] = 0xA0;  // white, black, white, black
  bw.CopyRectTo(&rgb, 1, 0, 0, 1, 3, 1);
  EXPECT_EQ(*rgb.PixelRGB(0, 1), MakeTRGB(0, 0, 0));
  EXPECT_EQ(*rgb.PixelRGB(1, 1), MakeTRGB(255, 255, 255));
  EXPECT_EQ(*rgb.PixelRGB(2, 1), MakeTRGB(0, 0, 0));
  EXPECT_EQ(*rgb.PixelRGB(3, 1), MakeTRGB(9, 8, 7));
  rgb.CopyRectTo(&bw, 0, 0, 0, 0, 4, 1);  // the other way: nothing
  EXPECT_EQ(static_cast<uint8_t*>(bw.ScanLine(0))[0], 0xA0);
}

TEST_F(ModelRectOps, CopyRectToCopiesBitRunsAtAnyOffset) {
  struct Case {
    int32_t srcX, dstX, width;
  };
  const Case cases[] = {{0, 0, 21}, {3, 5, 9}, {1, 0, 7}, {0, 7, 2}, {13, 2, 8}, {5, 13, 8}, {7, 1, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "src " << c.srcX << " dst " << c.dstX << " width " << c.width);
    TIEBitmap src, dst;
    PreferMemory(src);
    PreferMemory(dst);
    src.Allocate(21, 1, PF::ie1g);
    dst.Allocate(21, 1, PF::ie1g);
    auto* s = static_cast<uint8_t*>(src.ScanLine(0));
    auto* d = static_cast<uint8_t*>(dst.ScanLine(0));
    s[0] = 0xB5;
    s[1] = 0x3C;
    s[2] = 0xE0;
    d[0] = 0x5A;
    d[1] = 0xC3;
    d[2] = 0x80;
    std::vector<bool> expected = Bits(dst, 0);
    const std::vector<bool> source = Bits(src, 0);
    const int32_t n = std::min({c.width, 21 - c.srcX, 21 - c.dstX});
    for (int32_t i = 0; i < n; ++i) expected[size_t(c.dstX + i)] = source[size_t(c.srcX + i)];
    src.CopyRectTo(&dst, c.srcX, 0, c.dstX, 0, c.width, 1);
    EXPECT_EQ(Bits(dst, 0), expected);
  }
}

TEST_F(ModelRectOps, CopyRectToOntoItselfOverlaps) {
  for (bool inFile : {false, true}) {
    TIEBitmap b;
    Place(b, inFile);
    Ramp(b, 6, 3);
    b.CopyRectTo(&b, 0, 0, 2, 0, 4, 3);  // every row two columns to the right
    EXPECT_EQ(Row8(b, 0), (std::vector<uint8_t>{1, 2, 1, 2, 3, 4}));
    EXPECT_EQ(Row8(b, 1), (std::vector<uint8_t>{17, 18, 17, 18, 19, 20}));
    EXPECT_EQ(Row8(b, 2), (std::vector<uint8_t>{33, 34, 33, 34, 35, 36}));
  }
}

TEST_F(ModelRectOps, EmptyBitmapsTakePartInNoCopy) {
  TIEBitmap full, empty, noRows;
  PreferMemory(full);
  Ramp(full, 3, 3);
  noRows.Allocate(0, 3, PF::ie8g);  // a format but no storage
  for (TIEBitmap* e : {&empty, &noRows}) {
    full.CopyRectTo(e, 0, 0, 0, 0, 3, 3);
    e->CopyRectTo(&full, 0, 0, 0, 0, 3, 3);
    full.MergeAlphaRectTo(e, 0, 0, 0, 0, 3, 3);
  }
  EXPECT_EQ(Row8(full, 0), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(noRows.IsEmpty());
}

TEST_F(ModelRectOps, MergeAlphaRectToKeepsTheLargerValue) {
  TIEBitmap src, dst;
  PreferMemory(src);
  PreferMemory(dst);
  src.Allocate(3, 1, PF::ie24RGB);
  dst.Allocate(3, 1, PF::ie24RGB);
  src.SetAlpha(0, 0, 10);
  src.SetAlpha(1, 0, 200);
  src.SetAlpha(2, 0, 0);
  dst.SetAlpha(0, 0, 50);
  dst.SetAlpha(1, 0, 100);
  dst.SetAlpha(2, 0, 0);
  src.MergeAlphaRectTo(&dst, 0, 0, 0, 0, 3, 1);
  EXPECT_EQ(Row8(*dst.AlphaChannel(), 0), (std::vector<uint8_t>{50, 200, 0}));
  EXPECT_EQ(Row8(*src.AlphaChannel(), 0), (std::vector<uint8_t>{10, 200, 0}));

  // A missing alpha channel is created opaque and wins everywhere.
  TIEBitmap opaque;
  PreferMemory(opaque);
  opaque.Allocate(3, 1, PF::ie24RGB);
  opaque.MergeAlphaRectTo(&dst, 1, 0, 0, 0, 1, 1);
  ASSERT_TRUE(opaque.HasAlphaChannel());
  EXPECT_EQ(Row8(*dst.AlphaChannel(), 0), (std::vector<uint8_t>{255, 200, 0}));
}

TEST_F(ModelRectOps, MoveRegionFillsWhereItWas) {
  for (bool inFile : {false, true}) {
    TIEBitmap b;
    Place(b, inFile);
    Ramp(b, 5, 3);
    b.SetAlpha(0, 0, 7);
    b.MoveRegion(0, 0, 1, 1, 2, 1, 99);
    EXPECT_EQ(Row8(b, 0), (std::vector<uint8_t>{99, 99, 3, 4, 5}));
    EXPECT_EQ(Row8(b, 1), (std::vector<uint8_t>{99, 99, 1, 2, 21}));
    EXPECT_EQ(Row8(b, 2), (std::vector<uint8_t>{33, 34, 17, 18, 37}));
    EXPECT_EQ(b.GetAlpha(0, 0), 7);  // the alpha channel stays
  }
}

// ---- SetWidth, SetHeight, SyncFull --------------------------------------------------------

TEST_F(ModelResize, SetWidthKeepsPixelsPaletteAndZeroesTheRest) {
  for (bool inFile : {false, true}) {
    SCOPED_TRACE(inFile ? "file" : "memory");
    TIEBitmap b;
    Place(b, inFile);
    b.Allocate(3, 2, PF::ie8p);
    b.Fill(255);  // fills the row padding too
    b.SetPaletteColor(255, MakeTRGB(1, 2, 3));
    b.SetPixel8(1, 1, 4);
    b.SetAlpha(2, 1, 60);
    b.SetWidth(6);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.RowLen(), 8);
    EXPECT_FALSE(b.Full());
    EXPECT_EQ(Row8(b, 0), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(Row8(b, 1), (std::vector<uint8_t>{255, 4, 255, 0, 0, 0}));
    TRGB c;
    b.GetPaletteColor(255, c);
    EXPECT_EQ(c, MakeTRGB(1, 2, 3));
    ASSERT_TRUE(b.HasAlphaChannel());
    EXPECT_EQ(b.AlphaChannel()->Width(), 6);
    EXPECT_EQ(Row8(*b.AlphaChannel(), 1), (std::vector<uint8_t>{255, 255, 60, 0, 0, 0}));

    b.SetHeight(1);
    EXPECT_EQ(b.Height(), 1);
    EXPECT_EQ(b.AlphaChannel()->Height(), 1);
    b.SetHeight(3);
    EXPECT_EQ(Row8(b, 0), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
    EXPECT_EQ(Row8(b, 1), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(Row8(b, 2), std::vector<uint8_t>(6, 0));
  }
}

TEST_F(ModelResize, ShrinkingThenGrowingBringsNoOldPixelsBack) {
  TIEBitmap bw, gray;
  PreferMemory(bw);
  PreferMemory(gray);
  bw.Allocate(12, 1, PF::ie1g);
  bw.Fill(1);
  bw.SetWidth(3);
  bw.SetWidth(12);
  EXPECT_EQ(Bits(bw, 0), (std::vector<bool>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  Ramp(gray, 7, 1);
  gray.SetWidth(5);
  gray.SetWidth(7);
  EXPECT_EQ(Row8(gray, 0), (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0}));
}

TEST_F(ModelResize, SetWidthOfAnImageWithoutRowsOnlyRecordsIt) {
  TIEBitmap b;
  b.SetWidth(7);
  EXPECT_EQ(b.Width(), 7);
  EXPECT_TRUE(b.IsEmpty());
  b.Allocate(0, 3, PF::ie8g);
  b.SetWidth(4);  // now there is something to allocate
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_EQ(Row8(b, 2), std::vector<uint8_t>(4, 0));
}

TEST_F(ModelResize, SyncFullLooksAtWholeRows) {
  for (bool inFile : {false, true}) {
    TIEBitmap a;
    Place(a, inFile);
    a.Allocate(3, 2, PF::ie8g);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x) a.SetPixel8(x, y, 255);
    a.SyncFull();
    EXPECT_FALSE(a.Full());  // the padding byte is 0
    a.Fill(255);
    a.SetPixel8(2, 1, 0);
    a.SyncFull();
    EXPECT_FALSE(a.Full());
    a.SetPixel8(2, 1, 255);
    a.SyncFull();
    EXPECT_TRUE(a.Full());
  }
}

// ---- Resize ----------------------------------------------------------------------------

TEST_F(ModelResize, CentredResizePlacesTheOldImage) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(100, 100, PF::ie24RGB);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) *b.PixelRGB(x, y) = MakeTRGB(uint8_t(x), uint8_t(y), 1);
  b.AlphaChannel()->Fill(200);
  b.Resize(120, 80, double(RGB(0, 0, 255)), 7, 1, 1);
  ASSERT_EQ(b.Width(), 120);
  ASSERT_EQ(b.Height(), 80);
  ASSERT_EQ(b.AlphaChannel()->Width(), 120);
  ASSERT_EQ(b.AlphaChannel()->Height(), 80);
  int32_t wrong = 0;
  for (int32_t y = 0; y < 80; ++y) {
    for (int32_t x = 0; x < 120; ++x) {
      const bool old = x >= 10 && x < 110;
      const TRGB expected = old ? MakeTRGB(uint8_t(x - 10), uint8_t(y + 10), 1) : MakeTRGB(0, 0, 255);
      if (*b.PixelRGB(x, y) != expected || b.GetAlpha(x, y) != (old ? 200 : 7)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(ModelResize, AlignmentsMatchNetpbm) {
  for (const char* tool : {"pamcut", "pnmpad"}) IE_REQUIRE_TOOL(tool, "netpbm");
  // 12 x 10 with distinct colours; the size differences are even.
  TPnmImage fixture = MakePnm('6', 12, 10);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      fixture.At(x, y, 0) = uint16_t(20 * x);
      fixture.At(x, y, 1) = uint16_t(25 * y);
      fixture.At(x, y, 2) = uint16_t((7 * x + 11 * y) % 200);
    }
  const std::string input = Dir + "/fixture.ppm", output = Dir + "/netpbm.ppm";
  ASSERT_TRUE(WritePnmFile(input, fixture));
  const char* fractions[] = {"0", "0.5", "1"};

  struct Case {
    int32_t width, height;
  };
  for (const Case size : {Case{8, 6}, Case{16, 14}, Case{6, 14}, Case{16, 4}}) {
    for (int32_t h = 0; h < 3; ++h) {
      for (int32_t v = 0; v < 3; ++v) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height << " align " << h << "," << v);
        // netpbm: cut what is too large, then pad what is too small.
        const int32_t cutW = std::min(size.width, 12), cutH = std::min(size.height, 10);
        const int32_t left = (12 - cutW) * h / 2, top = (10 - cutH) * v / 2;
        const std::string cut = Dir + "/cut.ppm";
        ASSERT_EQ(RunTool({"pamcut", "-left", std::to_string(left), "-top", std::to_string(top), "-width",
                           std::to_string(cutW), "-height", std::to_string(cutH), input},
                          cut),
                  0);
        ASSERT_EQ(
            RunTool({"pnmpad", "-white", std::string("-halign=") + fractions[h], std::string("-valign=") + fractions[v],
                     "-width=" + std::to_string(size.width), "-height=" + std::to_string(size.height), cut},
                    output),
            0);
        TPnmImage expected;
        std::string error;
        ASSERT_TRUE(ReadPnmFile(output, expected, &error)) << error;

        TIEBitmap b;
        PreferMemory(b);
        PnmToBitmap(fixture, b);
        b.Resize(size.width, size.height, double(clWhite), 255, h, v);
        EXPECT_TRUE(BitmapToPnm(b) == expected);
      }
    }
  }
}
