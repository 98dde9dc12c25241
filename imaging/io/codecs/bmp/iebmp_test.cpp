// The BMP reader, its run-length decoders, the writer and its row encoders.
#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/bmp/bmp_testing.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"

using namespace rastertest;

namespace {

struct TBmpRead {
  bool Aborted = false;
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  std::unique_ptr<TIEMask> Mask;
};

std::unique_ptr<TBmpRead> Read(const Bytes& Data, bool Native = false, bool Preview = false) {
  auto r = std::make_unique<TBmpRead>();
  r->Params.NativePixelFormat = Native;
  r->Aborted = ReadWith(Data, [&](TStream* S, TIECodecProgress& P) {
    IEDecodeBMP(S, &r->Bitmap, 0, r->Params, P, Preview, false, r->Mask, false);
  });
  return r;
}

Bytes Encode(TIEBitmap& Bitmap, TIOParamsVals& Params, bool* Aborted = nullptr) {
  return WriteWith([&](TStream* S, TIECodecProgress& P) { IEEncodeBMP(S, &Bitmap, Params, P); }, Aborted);
}

const TRGB Red{0, 0, 255}, Green{0, 255, 0}, Blue{255, 0, 0}, White{255, 255, 255}, Black{0, 0, 0};

void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeBMP(Stream, Bitmap, 0, Params, Progress, Preview, false, mask, Preview);
}

// A 5 x 3 picture, rows stored bottom-up.
TIECodecConformanceCase Case24() {
  TIECodecConformanceCase c;
  c.Name = "Bmp24";
  c.Read = ReadForSuite;
  TBmpSpec s;
  s.Width = 5;
  s.Height = 3;
  for (int32_t k = 0; k < 3; ++k) {
    Bytes row;
    for (int32_t x = 0; x < 5; ++x) row.insert(row.end(), {uint8_t(10 * x + 1), uint8_t(k + 1), uint8_t(200 - x)});
    s.Rows.push_back(row);
  }
  c.Valid = MakeBmp(s);
  c.Width = 5;
  c.Height = 3;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::Abort;
  c.CheckFull = [](TIEBitmap& B, TIOParamsVals&) {
    EXPECT_EQ(*B.PixelRGB(4, 0), (TRGB{41, 3, 196}));  // top row is the last stored
    EXPECT_EQ(*B.PixelRGB(0, 2), (TRGB{1, 1, 200}));
  };
  return c;
}

// An 8-bit run-length file of 4 x 3 with a delta and an absolute block.
TIECodecConformanceCase CaseRle8() {
  TIECodecConformanceCase c;
  c.Name = "BmpRle8";
  c.Read = ReadForSuite;
  TBmpSpec s;
  s.Width = 4;
  s.Height = 3;
  s.Bits = 8;
  s.Compression = 1;
  s.ClrUsed = 4;
  s.Palette = {Black, Red, Green, Blue};
  s.Raw = {4, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1};
  c.Valid = MakeBmp(s);
  c.Width = 4;
  c.Height = 3;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 1;
  c.CutOutcome = TIECutOutcome::Abort;
  c.CheckFull = [](TIEBitmap& B, TIOParamsVals& P) {
    EXPECT_EQ(P.PaletteCount(), 4);
    // Top: a delta of one pixel, then a run of green; middle: an absolute
    // block; bottom: a run of red.
    EXPECT_EQ(RgbOf(B), (Bytes{0,   0,   0, 0,   255, 0,   0,   255, 0, 0,   0, 0,  //
                               0,   255, 0, 0,   0,   255, 255, 0,   0, 0,   0, 0,  //
                               255, 0,   0, 255, 0,   0,   255, 0,   0, 255, 0, 0}));
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Bmp, TIECodecConformance, ::testing::Values(Case24(), CaseRle8()), IECodecConformanceName);

}  // namespace

// ---- Reading ---------------------------------------------------------------------------------

TEST(BmpRead, TopDownAndBottomUpFilesGiveTheSameImageAndAlpha) {
  for (const int32_t bits : {24, 32}) {
    SCOPED_TRACE(bits);
    const auto px = [bits](uint8_t v, uint8_t a) {
      Bytes p{v, uint8_t(v + 1), uint8_t(v + 2)};
      if (bits == 32) p.push_back(a);
      return p;
    };
    const auto row = [&](uint8_t v, uint8_t a) {
      Bytes r = px(v, a);
      const Bytes q = px(uint8_t(v + 10), uint8_t(a + 1));
      r.insert(r.end(), q.begin(), q.end());
      return r;
    };
    TBmpSpec up;
    up.Bits = bits;
    up.Rows = {row(100, 10), row(50, 200)};  // bottom row first
    TBmpSpec down = up;
    down.Height = -2;
    down.Rows = {row(50, 200), row(100, 10)};
    auto a = Read(MakeBmp(up));
    auto b = Read(MakeBmp(down));
    ASSERT_FALSE(a->Aborted);
    ASSERT_FALSE(b->Aborted);
    EXPECT_EQ(RgbOf(a->Bitmap), RgbOf(b->Bitmap));
    EXPECT_EQ(*a->Bitmap.PixelRGB(0, 0), (TRGB{50, 51, 52}));
    EXPECT_EQ(b->Params.Height, 2);
    if (bits == 32) {
      ASSERT_TRUE(a->Mask && b->Mask);
      for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(a->Mask->GetPixel(x, y), b->Mask->GetPixel(x, y));
      EXPECT_EQ(a->Mask->GetPixel(1, 0), 201);
      EXPECT_EQ(a->Mask->GetPixel(0, 1), 10);
    }
  }
}

TEST(BmpRead, OneBitPalettesDecideTheBits) {
  struct {
    TRGB C0, C1;
    uint8_t Expected;
  } cases[] = {{White, Black, 0x3F}, {Black, White, 0xC0}};
  for (const auto& c : cases) {
    TBmpSpec s;
    s.Width = 2;
    s.Height = 1;
    s.Bits = 1;
    s.Palette = {c.C0, c.C1};
    s.Rows = {{0xC0}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    ASSERT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie1g);
    EXPECT_EQ(static_cast<uint8_t*>(r->Bitmap.ScanLine(0))[0] & 0xC0, c.Expected & 0xC0);
  }
  // Any other two colours stay colours.
  TBmpSpec s;
  s.Width = 3;
  s.Height = 1;
  s.Bits = 1;
  s.Palette = {Red, Blue};
  s.Rows = {{0xA0}};
  auto r = Read(MakeBmp(s));
  ASSERT_FALSE(r->Aborted);
  ASSERT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Blue);
  EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), Red);
  EXPECT_EQ(*r->Bitmap.PixelRGB(2, 0), Blue);
}

TEST(BmpRead, AlphaWithoutTransparencyGivesNoMask) {
  for (const uint8_t a : {uint8_t(0), uint8_t(255)}) {
    TBmpSpec s;
    s.Bits = 32;
    s.Rows = {{1, 2, 3, a, 4, 5, 6, a}, {7, 8, 9, a, 1, 1, 1, a}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Mask, nullptr) << int(a);
    EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  }
}

TEST(BmpRead, HeaderVariants) {
  // biClrUsed above 256 counts as 0: the whole table of 256 is read.
  {
    TBmpSpec s;
    s.Width = 1;
    s.Height = 1;
    s.Bits = 8;
    s.ClrUsed = 300;
    s.Palette.assign(256, Black);
    s.Palette[7] = Green;
    s.Rows = {{7}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.PaletteCount(), 256);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Green);
  }
  // The core header reads 256 entries of 3 bytes for 8 bits.
  {
    TBmpSpec s;
    s.HeaderSize = 12;
    s.Width = 1;
    s.Height = 1;
    s.Bits = 8;
    s.Palette.assign(256, Black);
    s.Palette[255] = Red;
    s.Rows = {{255}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.BMPVersion, 2);
    EXPECT_EQ(r->Params.PaletteCount(), 256);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Red);
  }
  // V4 and V5 headers keep 5-6-5 masks inside the header; 64 bytes of them
  // are interpreted and BMPVersion is 0.
  for (const uint32_t size : {108u, 124u}) {
    TBmpSpec s;
    s.HeaderSize = size;
    s.Width = 2;
    s.Height = 1;
    s.Bits = 16;
    s.Compression = 3;
    s.HeaderMasks = {0xF800, 0x07E0, 0x001F};
    s.Rows = {{0xFF, 0xFF, 0xE0, 0x07}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.BMPVersion, 0);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{255, 255, 255}));
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{0, 255, 0}));
  }
  // 16 bits without masks is 5-5-5, each channel spread over 0..255.
  {
    TBmpSpec s;
    s.Width = 1;
    s.Height = 1;
    s.Bits = 16;
    s.Rows = {{0xFF, 0x7F}};
    auto r = Read(MakeBmp(s));
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{255, 255, 255}));
    EXPECT_EQ(r->Params.BitsPerSample, 5);
  }
  // 2835 pixels per metre is 72 dpi.
  {
    TBmpSpec s;
    s.PelsPerMeter = 2835;
    s.Rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 1, 2, 3}};
    auto r = Read(MakeBmp(s));
    EXPECT_EQ(r->Params.DpiX, 72);
  }
}

TEST(BmpRead, MasksOfOddWidthsNeverShiftOutOfRange) {
  // Zero-width and over-wide masks must decode to something defined (UBSan
  // watches the shifts).
  const std::vector<std::vector<uint32_t>> masks = {
      {0, 0, 0}, {0xFFFF, 0, 0}, {0, 0xFFFF, 0xFFFF}, {0x8000, 0x4000, 0x0001}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
  for (const auto& m : masks) {
    TBmpSpec s;
    s.Width = 2;
    s.Height = 1;
    s.Bits = 16;
    s.Compression = 3;
    s.TrailingMasks = m;
    s.Rows = {{0xFF, 0xFF, 0x34, 0x12}};
    auto r = Read(MakeBmp(s));
    EXPECT_FALSE(r->Aborted);
  }
  TBmpSpec s;
  s.Width = 1;
  s.Height = 1;
  s.Bits = 16;
  s.Compression = 3;
  s.TrailingMasks = {0, 0xFFFF, 0};
  s.Rows = {{0xFF, 0xFF}};
  auto r = Read(MakeBmp(s));
  EXPECT_EQ(r->Bitmap.PixelRGB(0, 0)->r, 0);  // a zero-width channel is 0
}

TEST(BmpRead, SixteenBitAlphaMasksGiveTheMask) {
  struct {
    std::vector<uint32_t> Masks;
    uint32_t Pixel;
    TRGB Colour;
    uint8_t Alpha;
  } cases[] = {{{0x7C00, 0x03E0, 0x001F, 0x8000}, 0x7C1F, TRGB{255, 0, 255}, 0},
               {{0x7C00, 0x03E0, 0x001F, 0x8000}, 0x83E0, TRGB{0, 255, 0}, 255},
               {{0x0F00, 0x00F0, 0x000F, 0xF000}, 0x5A3C, TRGB{204, 51, 170}, 85}};
  for (const auto& c : cases) {
    TBmpSpec s;
    s.Width = 3;
    s.Height = 1;
    s.Bits = 16;
    s.Compression = 3;
    s.HeaderSize = 108;
    s.HeaderMasks = c.Masks;
    s.Rows = {{uint8_t(c.Pixel), uint8_t(c.Pixel >> 8), 0xFF, 0xFF, 0x00, 0x00}};
    auto r = Read(MakeBmp(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), c.Colour);
    ASSERT_NE(r->Mask, nullptr);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), c.Alpha);
    EXPECT_EQ(r->Mask->GetPixel(1, 0), 255);
    EXPECT_EQ(r->Mask->GetPixel(2, 0), 0);
  }
}

// Bit counts and compressions without a decoder are failed loads, not blank
// images.
TEST(BmpRead, UndecodedVariantsAreFailedLoads) {
  struct {
    int32_t Bits;
    uint32_t Compression;
  } cases[] = {{2, 0}, {30000, 0}, {0, 4}, {0, 5}, {24, 4}, {16, 1}, {1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bits) + " bits, compression " + std::to_string(c.Compression));
    TBmpSpec s;
    s.Width = 2;
    s.Height = 2;
    s.Bits = c.Bits;
    s.Compression = c.Compression;
    s.Raw = Bytes(64, 0x55);
    EXPECT_TRUE(Read(MakeBmp(s))->Aborted);
  }
}

TEST(BmpRead, PlausibilityOfTheHeaderAgainstTheStream) {
  struct {
    int32_t W, H;
    size_t StreamSize;
    bool Impossible;
  } cases[] = {{3000, 3000, 40000, true}, {10, 10, 40000, true}, {10, 10, 20000, false}, {20000, 20000, 100000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H) + " in " + std::to_string(c.StreamSize));
    TBmpSpec s;
    s.Width = c.W;
    s.Height = c.H;
    Bytes file = MakeBmp(s);
    file.resize(c.StreamSize, 0);
    auto r = Read(file);
    EXPECT_EQ(r->Aborted, c.Impossible);
    if (c.Impossible) {
      EXPECT_EQ(r->Params.Width, 1);
      EXPECT_EQ(r->Bitmap.Width(), 1);
      EXPECT_EQ(r->Bitmap.Height(), 1);
    } else {
      EXPECT_EQ(r->Bitmap.Width(), c.W);
    }
  }
}

TEST(BmpRead, RunLengthDataMustBeAbleToFillThePicture) {
  // Two bytes hold at most 255 pixels: a few dozen bytes never make a
  // 600 MB bitmap, while runs that can fill the picture load.
  struct {
    int32_t W, H;
    Bytes Data;
    bool Refused;
  } cases[] = {{20000, 10000, Bytes(96, 0), true}, {510, 2, {255, 1, 255, 1, 0, 0, 255, 1, 255, 1, 0, 1}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
    TBmpSpec s;
    s.Width = c.W;
    s.Height = c.H;
    s.Bits = 8;
    s.Compression = 1;
    s.Palette.assign(256, Black);
    s.Raw = c.Data;
    auto r = Read(MakeBmp(s));
    EXPECT_EQ(r->Aborted, c.Refused);
    EXPECT_EQ(r->Bitmap.Width(), c.Refused ? 1 : c.W);
  }
}

TEST(BmpRead, RefusedAndEmptyHeaders) {
  TBmpSpec negative;
  negative.Width = -2;
  EXPECT_TRUE(Read(MakeBmp(negative))->Aborted);
  // A zero side is a header-only read.
  TBmpSpec empty;
  empty.Width = 0;
  auto r = Read(MakeBmp(empty));
  EXPECT_FALSE(r->Aborted);
  EXPECT_TRUE(r->Bitmap.IsEmpty());
  // A headerless DIB.
  TBmpSpec dib;
  dib.Rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
  const Bytes file = MakeBmp(dib);
  const Bytes packed(file.begin() + 14, file.end());
  TIEBitmap bitmap;
  TIOParamsVals params;
  std::unique_ptr<TIEMask> mask;
  EXPECT_FALSE(ReadWith(packed, [&](TStream* S, TIECodecProgress& P) {
    IEDecodeBMP(S, &bitmap, 0, params, P, false, true, mask, false);
  }));
  EXPECT_EQ(*bitmap.PixelRGB(0, 1), (TRGB{1, 2, 3}));
}

TEST(BmpRead, MalformedRunLengthDataStaysInsideTheImage) {
  struct {
    const char* Name;
    int32_t Bits;
    Bytes Data;
    bool Aborted;
  } cases[] = {
      {"delta past the last row", 8, {0, 2, 200, 200, 5, 1, 0, 1}, false},
      {"delta past the width", 8, {0, 2, 250, 0, 5, 1, 0, 0, 2, 2, 0, 1}, false},
      {"run past the width", 8, {255, 1, 255, 2, 0, 0, 0, 1}, false},
      {"absolute block past the width", 8, {0, 9, 1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 1}, false},
      {"end of line past the last row", 8, {0, 0, 0, 0, 0, 0, 0, 0, 3, 1}, false},
      {"absolute block cut by the data", 8, {0, 200, 1, 2}, true},
      {"delta cut by the data", 8, {0, 2, 1}, true},
      {"run-length 4 past the width", 4, {255, 0x12, 0, 7, 0x12, 0x34, 0x56, 0x70, 0, 1}, false},
      {"no end of bitmap", 8, {2, 1}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TBmpSpec s;
    s.Width = 3;
    s.Height = 2;
    s.Bits = c.Bits;
    s.Compression = c.Bits == 8 ? 1 : 2;
    s.Palette.assign(static_cast<size_t>(1) << c.Bits, Black);
    s.Palette[1] = Red;
    s.Raw = c.Data;
    for (const bool native : {false, true}) {
      auto r = Read(MakeBmp(s), native);
      EXPECT_EQ(r->Aborted, c.Aborted);
      EXPECT_EQ(r->Bitmap.Width(), 3);
    }
  }
}

TEST(BmpRead, TruncatedRowsSetTheFlagAndStayZero) {
  TBmpSpec s;
  s.Width = 2;
  s.Height = 3;
  s.Rows = {{1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}, {3, 3, 3, 3, 3, 3}};
  Bytes file = MakeBmp(s);
  file.erase(file.end() - 12, file.end());  // last row gone, the one before it half
  auto r = Read(file);
  EXPECT_TRUE(r->Aborted);
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 2), (TRGB{1, 1, 1}));
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 1), (TRGB{2, 2, 2}));
  EXPECT_EQ(*r->Bitmap.PixelRGB(1, 1), (TRGB{2, 0, 0}));  // one byte of it was there
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{0, 0, 0}));
}

TEST(BmpRead, NativeFormatKeepsIndexesAndPalette) {
  TBmpSpec s;
  s.Width = 3;
  s.Height = 1;
  s.Bits = 4;
  s.Palette = {Black, Red, Green};
  s.ClrUsed = 3;
  s.Rows = {{0x21, 0x00}};
  auto r = Read(MakeBmp(s), true);
  ASSERT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie8p);
  EXPECT_EQ(r->Bitmap.GetPixel8(0, 0), 2);
  EXPECT_EQ(r->Bitmap.GetPixel8(1, 0), 1);
  EXPECT_EQ(r->Bitmap.QuantizeColors(), 16);
  TRGB c;
  r->Bitmap.GetPaletteColor(2, c);
  EXPECT_EQ(c, Green);
  EXPECT_EQ(r->Params.PaletteCount(), 3);
}

// ---- Run-length row encoders ---------------------------------------------------------------

TEST(BmpRle, RowEncodersGiveTheDocumentedBytes) {
  struct {
    const char* Name;
    bool Rle8;
    Bytes In, Out;
  } cases[] = {
      {"300 equal", true, Bytes(300, 9), {255, 9, 45, 9, 0, 0}},
      {"three literals", true, {1, 2, 3}, {0, 3, 1, 2, 3, 0, 0, 0}},
      {"two literals", true, {1, 2}, {1, 1, 1, 2, 0, 0}},
      {"literal then run", true, {5, 6, 7, 7, 7}, {1, 5, 1, 6, 3, 7, 0, 0}},
      {"4-bit five literals", false, {1, 2, 3, 4, 5}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0}},
      {"4-bit two literals", false, {1, 2}, {2, 0x12, 0, 0}},
      {"4-bit run", false, {3, 3, 3, 4}, {3, 0x33, 1, 0x40, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Bytes out(static_cast<size_t>(IEBMPRLERowBound(static_cast<int32_t>(c.In.size()))));
    const int32_t n = c.Rle8 ? IEEncodeBMPRLE8Row(c.In.data(), static_cast<int32_t>(c.In.size()), out.data())
                             : IEEncodeBMPRLE4Row(c.In.data(), static_cast<int32_t>(c.In.size()), out.data());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + n), c.Out);
  }
}

// ---- Writing ---------------------------------------------------------------------------------

TEST(BmpWrite, RoundTripsEveryDepthAndCompression) {
  struct {
    int32_t Bps, Spp;
    uint8_t Version, Compression;
    int32_t Colours;
  } cases[] = {{1, 1, 1, 0, 2},  {4, 1, 1, 0, 16}, {4, 1, 1, 1, 16}, {8, 1, 1, 0, 40}, {8, 1, 1, 1, 40},
               {8, 1, 2, 0, 40}, {8, 1, 3, 0, 40}, {8, 3, 1, 0, 64}, {8, 3, 2, 1, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bps) + "x" + std::to_string(c.Spp) + " v" + std::to_string(c.Version) + " c" +
                 std::to_string(c.Compression));
    TIEBitmap picture;
    MakePicture(picture, 37, 9, c.Colours);
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.BMPVersion = c.Version;
    params.BMPCompression = c.Compression;
    params.SetDpiX(150);
    params.SetDpiY(150);
    bool aborted = true;
    const Bytes file = Encode(picture, params, &aborted);
    ASSERT_FALSE(aborted);
    auto r = Read(file);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.BMPVersion, c.Version);
    EXPECT_EQ(r->Params.BMPCompression, c.Version == 2 ? 0 : c.Compression);
    EXPECT_EQ(r->Params.DpiX, c.Version == 2 ? r->Params.DpiX : 150);
    EXPECT_EQ(RgbOf(r->Bitmap), RgbOf(picture));
  }
}

TEST(BmpWrite, CoreHeaderIgnoresRunLength) {
  TIEBitmap picture;
  MakePicture(picture, 8, 4, 4);
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  params.BMPVersion = 2;
  params.BMPCompression = 1;
  const Bytes file = Encode(picture, params);
  EXPECT_EQ(file.size(), 14u + 12 + 256 * 3 + 8 * 4);
}

TEST(BmpWrite, TransparentImageIsBlendedOntoWhiteOnACopy) {
  TIEBitmap picture;
  picture.Allocate(2, 1, TIEPixelFormat::ie24RGB);
  *picture.PixelRGB(0, 0) = Black;
  *picture.PixelRGB(1, 0) = Red;
  picture.AlphaChannel()->SetPixel8(0, 0, 0);
  picture.AlphaChannel()->SetPixel8(1, 0, 255);
  picture.SetFull(false);
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 4;
  const Bytes file = Encode(picture, params);
  auto r = Read(file);
  EXPECT_EQ(r->Params.SamplesPerPixel, 3);
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), White);
  EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), Red);
  ASSERT_TRUE(picture.HasAlphaChannel());
  EXPECT_EQ(picture.GetAlpha(0, 0), 0);
  EXPECT_EQ(*picture.PixelRGB(0, 0), Black);
}

TEST(BmpWrite, OpaqueAlphaWritesThirtyTwoBits) {
  TIEBitmap picture;
  MakePicture(picture, 3, 2, 6);
  picture.AlphaChannel();
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 4;
  const Bytes file = Encode(picture, params);
  auto r = Read(file);
  EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  EXPECT_EQ(RgbOf(r->Bitmap), RgbOf(picture));
}

TEST(BmpWrite, OtherPixelFormatsAreWrittenThroughACopy) {
  TIEBitmap gray;
  gray.Allocate(3, 2, TIEPixelFormat::ie8g);
  for (int32_t x = 0; x < 3; ++x) gray.SetPixel8(x, 1, static_cast<uint8_t>(80 * x));
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  const Bytes file = Encode(gray, params);
  EXPECT_EQ(gray.PixelFormat(), TIEPixelFormat::ie8g);
  auto r = Read(file);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(*r->Bitmap.PixelRGB(2, 1), (TRGB{160, 160, 160}));
}

TEST(BmpWrite, PaletteImageAtFourBitsMapsHighIndexesThroughTheirColour) {
  TIEBitmap indexed;
  indexed.Allocate(2, 1, TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < 256; ++i) indexed.SetPaletteColor(i, TRGB{0, 0, uint8_t(i)});
  indexed.SetPaletteColor(200, Green);
  indexed.SetPixel8(0, 0, 200);
  indexed.SetPixel8(1, 0, 3);
  TIOParamsVals params;
  params.BitsPerSample = 4;
  params.SamplesPerPixel = 1;
  auto r = Read(Encode(indexed, params));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{0, 0, 3}));
  EXPECT_NE(*r->Bitmap.PixelRGB(0, 0), (TRGB{0, 0, 8}));  // not index 200 & 15
}
