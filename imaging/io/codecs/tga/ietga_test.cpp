// The TGA header test, reader and writer.
#include "imaging/io/codecs/tga/ietga.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"

using namespace rastertest;

namespace {

const TRGB Red{0, 0, 255}, Green{0, 255, 0}, Blue{255, 0, 0}, White{255, 255, 255}, Black{0, 0, 0};

struct TTgaSpec {
  uint8_t Type = 2;
  uint8_t Depth = 24;
  uint8_t Descriptor = 0;
  uint16_t Width = 2;
  uint16_t Height = 2;
  Bytes Id;
  uint8_t MapType = 0;
  uint16_t MapFirst = 0;
  uint16_t MapLength = 0;
  uint8_t MapEntrySize = 24;
  Bytes Map;
  Bytes Pixels;  // as stored
};

Bytes MakeTga(const TTgaSpec& S) {
  Bytes b(18, 0);
  b[0] = static_cast<uint8_t>(S.Id.size());
  b[1] = S.MapType;
  b[2] = S.Type;
  b[3] = static_cast<uint8_t>(S.MapFirst), b[4] = static_cast<uint8_t>(S.MapFirst >> 8);
  b[5] = static_cast<uint8_t>(S.MapLength), b[6] = static_cast<uint8_t>(S.MapLength >> 8);
  b[7] = S.MapEntrySize;
  b[12] = static_cast<uint8_t>(S.Width), b[13] = static_cast<uint8_t>(S.Width >> 8);
  b[14] = static_cast<uint8_t>(S.Height), b[15] = static_cast<uint8_t>(S.Height >> 8);
  b[16] = S.Depth;
  b[17] = S.Descriptor;
  b.insert(b.end(), S.Id.begin(), S.Id.end());
  b.insert(b.end(), S.Map.begin(), S.Map.end());
  b.insert(b.end(), S.Pixels.begin(), S.Pixels.end());
  return b;
}

struct TTgaRead {
  bool Aborted = false;
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  std::unique_ptr<TIEMask> Mask;
};

std::unique_ptr<TTgaRead> Read(const Bytes& Data, bool ParamsOnly = false) {
  auto r = std::make_unique<TTgaRead>();
  r->Aborted = ReadWith(Data, [&](TStream* S, TIECodecProgress& P) {
    IEDecodeTGA(S, &r->Bitmap, r->Params, P, ParamsOnly, r->Mask, false);
  });
  return r;
}

Bytes Encode(TIEBitmap& Bitmap, TIOParamsVals& Params, TIEMask* Mask = nullptr, bool* Aborted = nullptr) {
  return WriteWith([&](TStream* S, TIECodecProgress& P) { IEEncodeTGA(S, &Bitmap, Params, P, Mask); }, Aborted);
}

void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeTGA(Stream, Bitmap, Params, Progress, Preview, mask, Preview);
}

// 3 x 2, 24 bits, bottom-up: rows of 9 bytes after the 18-byte header.
TIECodecConformanceCase CaseRaw() {
  TIECodecConformanceCase c;
  c.Name = "Tga24";
  c.Read = ReadForSuite;
  TTgaSpec s;
  s.Width = 3;
  s.Height = 2;
  for (int i = 0; i < 18; ++i) s.Pixels.push_back(static_cast<uint8_t>(i * 13 + 1));
  c.Valid = MakeTga(s);
  c.Width = 3;
  c.Height = 2;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::Abort;
  c.DefaultForeign = false;  // no signature: a header is all it can check
  c.Foreign = {Bytes(5, 0), Bytes{0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0},
               Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 12, 0}};
  c.CheckFull = [](TIEBitmap& B, TIOParamsVals&) {
    EXPECT_EQ(*B.PixelRGB(0, 1), (TRGB{1, 14, 27}));  // first stored row is the bottom one
    EXPECT_EQ(*B.PixelRGB(2, 0), (TRGB{196, 209, 222}));
  };
  return c;
}

// 4 x 2 RLE with a run packet carried into the second row.
TIECodecConformanceCase CaseRle() {
  TIECodecConformanceCase c;
  c.Name = "TgaRle";
  c.Read = ReadForSuite;
  TTgaSpec s;
  s.Type = 10;
  s.Width = 4;
  s.Height = 2;
  s.Descriptor = 0x20;
  s.Pixels = {0x85, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};  // run of 6, raw of 2
  c.Valid = MakeTga(s);
  c.Width = 4;
  c.Height = 2;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::Abort;
  c.DefaultForeign = false;
  c.CheckFull = [](TIEBitmap& B, TIOParamsVals& P) {
    EXPECT_TRUE(P.TGACompressed);
    EXPECT_EQ(*B.PixelRGB(3, 0), (TRGB{1, 2, 3}));
    EXPECT_EQ(*B.PixelRGB(1, 1), (TRGB{1, 2, 3}));
    EXPECT_EQ(*B.PixelRGB(2, 1), (TRGB{4, 5, 6}));
    EXPECT_EQ(*B.PixelRGB(3, 1), (TRGB{7, 8, 9}));
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Tga, TIECodecConformance, ::testing::Values(CaseRaw(), CaseRle()), IECodecConformanceName);

}  // namespace

TEST(TgaTest, PlausibleHeadersOnly) {
  int64_t position = -1;
  ReadWith(MakeTga(TTgaSpec{}), [&](TStream* S, TIECodecProgress&) {
    IETestTGA(S);
    position = S->Position();
  });
  EXPECT_EQ(position, 0);
  struct {
    uint8_t Type, Depth, MapType;
    uint16_t W;
    bool Ok;
  } cases[] = {{2, 24, 0, 2, true},  {11, 8, 0, 2, true},  {4, 24, 0, 2, false},
               {2, 12, 0, 2, false}, {2, 24, 2, 2, false}, {2, 24, 0, 0, false}};
  for (const auto& c : cases) {
    TTgaSpec t;
    t.Type = c.Type;
    t.Depth = c.Depth;
    t.MapType = c.MapType;
    t.Width = c.W;
    bool answer = false;
    ReadWith(MakeTga(t), [&](TStream* S, TIECodecProgress&) { answer = IETestTGA(S); });
    EXPECT_EQ(answer, c.Ok) << int(c.Type) << " " << int(c.Depth);
  }
}

TEST(TgaRead, DescriptorBitsOrderRowsAndColumns) {
  // Stored pixels A B / C D (first stored row first).
  const Bytes stored = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  struct {
    uint8_t Descriptor;
    uint8_t TopLeft, TopRight, BottomLeft;
  } cases[] = {{0x00, 3, 4, 1}, {0x10, 4, 3, 2}, {0x20, 1, 2, 3}, {0x30, 2, 1, 4}};
  for (const auto& c : cases) {
    TTgaSpec s;
    s.Descriptor = c.Descriptor;
    s.Pixels = stored;
    auto r = Read(MakeTga(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Bitmap.PixelRGB(0, 0)->r, c.TopLeft) << int(c.Descriptor);
    EXPECT_EQ(r->Bitmap.PixelRGB(1, 0)->r, c.TopRight) << int(c.Descriptor);
    EXPECT_EQ(r->Bitmap.PixelRGB(0, 1)->r, c.BottomLeft) << int(c.Descriptor);
  }
}

TEST(TgaRead, PixelDepthsAndColourMaps) {
  // 16 bits: 0x7FFF is white, each 5-bit channel spread over 0..255.
  {
    TTgaSpec s;
    s.Depth = 16;
    s.Width = 2;
    s.Height = 1;
    s.Pixels = {0xFF, 0x7F, 0x10, 0x00};
    auto r = Read(MakeTga(s));
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{255, 255, 255}));
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{131, 0, 0}));
    EXPECT_EQ(r->Params.BitsPerSample, 5);
  }
  // 16-bit gray (plain and run-length) is a gray byte and an alpha byte.
  for (const uint8_t type : {uint8_t(3), uint8_t(11)}) {
    TTgaSpec s;
    s.Type = type;
    s.Depth = 16;
    s.Width = 2;
    s.Height = 1;
    s.Pixels = type == 3 ? Bytes{200, 0, 77, 128} : Bytes{0x01, 200, 0, 77, 128};
    auto r = Read(MakeTga(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{200, 200, 200}));
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{77, 77, 77}));
    ASSERT_NE(r->Mask, nullptr);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 0);
    EXPECT_EQ(r->Mask->GetPixel(1, 0), 128);
    EXPECT_TRUE(r->Params.TGAGrayLevel);
  }
  // A colour map longer than 256 entries is consumed but only 256 are kept.
  {
    TTgaSpec s;
    s.Type = 1;
    s.Depth = 8;
    s.Width = 2;
    s.Height = 1;
    s.MapType = 1;
    s.MapFirst = 250;
    s.MapLength = 10;
    for (int i = 0; i < 10; ++i) s.Map.insert(s.Map.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    s.Pixels = {255, 10};
    auto r = Read(MakeTga(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{5, 5, 5}));
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{188, 92, 28}));  // outside the map: the 3-3-2 cube
    EXPECT_EQ(r->Params.PaletteCount(), 10);
    EXPECT_FALSE(r->Params.TGAGrayLevel);
  }
  // 8 bits without a map are gray.
  {
    TTgaSpec s;
    s.Type = 3;
    s.Depth = 8;
    s.Width = 2;
    s.Height = 1;
    s.Pixels = {0, 200};
    auto r = Read(MakeTga(s));
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{200, 200, 200}));
    EXPECT_TRUE(r->Params.TGAGrayLevel);
  }
  // 4 bits: two indexes per byte, high nibble first.
  {
    TTgaSpec s;
    s.Type = 1;
    s.Depth = 4;
    s.Width = 3;
    s.Height = 1;
    s.MapType = 1;
    s.MapLength = 3;
    s.Map = {0, 0, 0, 0, 0, 255, 0, 255, 0};
    s.Pixels = {0x21, 0x00};
    auto r = Read(MakeTga(s));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Green);
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), Red);
    EXPECT_EQ(*r->Bitmap.PixelRGB(2, 0), Black);
  }
  // 1 bit: rows as they are.
  {
    TTgaSpec s;
    s.Type = 3;
    s.Depth = 1;
    s.Width = 3;
    s.Height = 1;
    s.Pixels = {0xA0};
    auto r = Read(MakeTga(s));
    ASSERT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie1g);
    EXPECT_EQ(static_cast<uint8_t*>(r->Bitmap.ScanLine(0))[0] & 0xE0, 0xA0);
  }
}

TEST(TgaRead, AlphaMaskOnlyWhenItHoldsSomething) {
  for (const uint8_t a : {uint8_t(0), uint8_t(128)}) {
    TTgaSpec s;
    s.Depth = 32;
    s.Descriptor = 0x08;
    s.Width = 1;
    s.Height = 2;
    s.Pixels = {1, 2, 3, a, 4, 5, 6, 0};
    auto r = Read(MakeTga(s));
    ASSERT_FALSE(r->Aborted);
    if (a == 0) {
      EXPECT_EQ(r->Mask, nullptr);
    } else {
      ASSERT_NE(r->Mask, nullptr);
      EXPECT_EQ(r->Mask->GetPixel(0, 1), 128);
      EXPECT_EQ(r->Mask->GetPixel(0, 0), 0);
    }
  }
}

TEST(TgaRead, UndecodableOrShortDataSetsTheFlag) {
  struct {
    const char* Name;
    TTgaSpec Spec;
  } cases[] = {
      {"1-bit run-length", TTgaSpec{11, 1, 0, 8, 1, {}, 0, 0, 0, 24, {}, {0x80, 0xFF}}},
      {"4-bit run-length", TTgaSpec{9, 4, 0, 2, 1, {}, 1, 0, 2, 24, Bytes(6, 0), {0x81, 0x01}}},
      {"bad type", TTgaSpec{5, 24, 0, 1, 1, {}, 0, 0, 0, 24, {}, {1, 2, 3}}},
      {"short raw row", TTgaSpec{2, 24, 0, 2, 2, {}, 0, 0, 0, 24, {}, {1, 2, 3, 4}}},
      {"packet header missing", TTgaSpec{10, 24, 0, 2, 2, {}, 0, 0, 0, 24, {}, {0x81, 1, 2, 3}}},
      {"colour map cut", TTgaSpec{1, 8, 0, 2, 2, {}, 1, 0, 200, 24, Bytes(30, 0), {}}},
      {"zero width", TTgaSpec{2, 24, 0, 0, 2, {}, 0, 0, 0, 24, {}, {}}},
      {"size far beyond the data", TTgaSpec{2, 24, 0, 65535, 65535, {}, 0, 0, 0, 24, {}, Bytes(64, 1)}},
  };
  for (const auto& c : cases) {
    auto r = Read(MakeTga(c.Spec));
    EXPECT_TRUE(r->Aborted) << c.Name;
  }
  // What a short file did reach is kept; the rest is zero.
  TTgaSpec s;
  s.Descriptor = 0x20;
  s.Pixels = {1, 2, 3, 4, 5, 6, 7};
  auto r = Read(MakeTga(s));
  EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), (TRGB{4, 5, 6}));
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 1), Black);
}

TEST(TgaRead, FooterlessFileKeepsTheDefaults) {
  VirtualClock clock;
  clock.SetNow(EncodeDateTime(2024, 5, 6, 7, 8, 9, 0));
  SetClock(&clock);
  TTgaSpec s;
  s.Pixels = Bytes(12, 7);
  auto r = Read(MakeTga(s));
  SetClock(nullptr);
  EXPECT_DOUBLE_EQ(r->Params.TGADate, EncodeDate(2024, 5, 6));
  EXPECT_DOUBLE_EQ(r->Params.TGAAspectRatio, 1.0);
  EXPECT_DOUBLE_EQ(r->Params.TGAGamma, 2.2);
  EXPECT_TRUE(r->Params.TGAAuthor.empty());
}

// ---- Writing ---------------------------------------------------------------------------------

TEST(TgaWrite, RunLengthPacketsStayInTheirRow) {
  TIEBitmap picture;
  picture.Allocate(4, 2, TIEPixelFormat::ie24RGB);
  const TRGB a{1, 1, 1}, b{2, 2, 2}, c{3, 3, 3};
  const TRGB rows[2][4] = {{a, b, c, c}, {c, c, c, c}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) *picture.PixelRGB(x, y) = rows[y][x];
  TIOParamsVals params;
  params.TGACompressed = true;
  params.TGAIdentifier = "abc";
  const Bytes file = Encode(picture, params);
  ASSERT_GT(file.size(), 18u + 4);
  EXPECT_EQ(file[0], 4);
  EXPECT_EQ(file[2], 10);
  EXPECT_EQ(file[17], 0x20);
  EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 22), (Bytes{'a', 'b', 'c', 0}));
  const Bytes packets(file.begin() + 22, file.begin() + 22 + 15);
  EXPECT_EQ(packets, (Bytes{0x01, 1, 1, 1, 2, 2, 2, 0x81, 3, 3, 3, 0x83, 3, 3, 3}));
  auto r = Read(file);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(RgbOf(r->Bitmap), RgbOf(picture));
  EXPECT_EQ(r->Params.TGAIdentifier, String("abc\0", 4));
}

TEST(TgaWrite, RawPacketsHoldAtMost127PixelsUnlessTheyEndTheRow) {
  for (const int32_t width : {127, 128, 129, 300}) {
    TIEBitmap picture;
    picture.Allocate(width, 1, TIEPixelFormat::ie24RGB);
    for (int32_t x = 0; x < width; ++x) *picture.PixelRGB(x, 0) = TRGB{uint8_t(x), uint8_t(x >> 8), 9};
    TIOParamsVals params;
    params.TGACompressed = true;
    const Bytes file = Encode(picture, params);
    const uint8_t first = file[19];
    EXPECT_EQ(first, width == 128 ? 127 : std::min(width, 127) - 1) << width;
    auto r = Read(file);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(RgbOf(r->Bitmap), RgbOf(picture));
  }
}

TEST(TgaWrite, RoundTripsEveryDepth) {
  struct {
    int32_t Bps, Spp;
    bool Compressed, Gray, WithMask;
    int32_t Colours;
  } cases[] = {{8, 3, false, false, false, 64}, {8, 3, true, false, false, 64}, {8, 1, true, false, false, 50},
               {8, 1, false, true, false, 40},  {4, 1, true, false, false, 16}, {1, 1, true, false, false, 2},
               {8, 3, true, false, true, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bps) + "x" + std::to_string(c.Spp) + (c.Compressed ? " rle" : "") +
                 (c.Gray ? " gray" : "") + (c.WithMask ? " mask" : ""));
    TIEBitmap picture;
    MakePicture(picture, 21, 5, c.Colours);
    if (c.Gray)
      for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 21; ++x) {
          TRGB* p = picture.PixelRGB(x, y);
          p->g = p->b = p->r;
        }
    TIEMask mask;
    if (c.WithMask) {
      mask.Allocate(21, 5, 8);
      mask.Fill(255);
      mask.SetPixel(3, 2, 77);
    }
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.TGACompressed = c.Compressed;
    params.TGAGrayLevel = c.Gray;
    params.TGAAuthor = std::string(50, 'x');
    params.TGAJobName = "job";
    params.TGADate = EncodeDateTime(2020, 2, 29, 13, 14, 15, 0);
    params.TGAKeyColor = TRGB{1, 2, 3};
    params.TGAAspectRatio = 0.5;
    params.TGAGamma = 1.8;
    bool aborted = true;
    const Bytes file = Encode(picture, params, c.WithMask ? &mask : nullptr, &aborted);
    ASSERT_FALSE(aborted);
    auto r = Read(file);
    ASSERT_FALSE(r->Aborted);
    if (c.Bps == 1) {
      // The darker of the two colours is black, the other white, in an
      // 8-bit colour map (1-bit maps are no format other readers take).
      EXPECT_EQ(r->Params.BitsPerSample, 8);
      EXPECT_EQ(RgbOf(r->Bitmap), BlackAndWhite(RgbOf(picture)));
    } else {
      EXPECT_EQ(RgbOf(r->Bitmap), RgbOf(picture));
    }
    // 4-bit images are written with an 8-bit colour map.
    EXPECT_EQ(r->Params.TGACompressed, c.Compressed && !c.WithMask);
    if (c.Bps == 4) {
      EXPECT_EQ(r->Params.BitsPerSample, 8);
    }
    EXPECT_EQ(r->Params.TGAAuthor, std::string(40, 'x'));
    EXPECT_EQ(r->Params.TGAJobName, "job");
    EXPECT_DOUBLE_EQ(r->Params.TGADate, EncodeDateTime(2020, 2, 29, 13, 14, 15, 0));
    EXPECT_EQ(r->Params.TGAKeyColor, (TRGB{1, 2, 3}));
    EXPECT_DOUBLE_EQ(r->Params.TGAAspectRatio, 0.5);
    EXPECT_DOUBLE_EQ(r->Params.TGAGamma, 1.8);
    if (c.WithMask) {
      ASSERT_NE(r->Mask, nullptr);
      EXPECT_EQ(r->Mask->GetPixel(3, 2), 77);
      EXPECT_EQ(r->Mask->GetPixel(4, 2), 255);
    }
  }
}

TEST(TgaWrite, OneBitImagesAtMoreBitsAreBlackAndWhite) {
  TIEBitmap bits;
  bits.Allocate(9, 1, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(bits.ScanLine(0))[0] = 0xA0;
  for (const int32_t bps : {8, 4}) {
    TIOParamsVals params;
    params.BitsPerSample = bps;
    params.SamplesPerPixel = bps == 8 ? 3 : 1;
    auto r = Read(Encode(bits, params));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), White);
    EXPECT_EQ(*r->Bitmap.PixelRGB(1, 0), Black);
    EXPECT_EQ(*r->Bitmap.PixelRGB(2, 0), White);
  }
}

TEST(TgaWrite, OtherPixelFormatsWriteNothingAndSetTheFlag) {
  TIEBitmap gray;
  gray.Allocate(2, 2, TIEPixelFormat::ie8g);
  TIOParamsVals params;
  bool aborted = false;
  const Bytes file = Encode(gray, params, nullptr, &aborted);
  EXPECT_TRUE(aborted);
  EXPECT_TRUE(file.empty());
}

// The image's own alpha is written as 32 bits, also when a palette depth is
// asked for; alpha the image does not carry itself (a full mask given) is
// blended onto white on a copy.
TEST(TgaWrite, TransparentImageKeepsItsAlphaOrIsBlendedOntoWhiteOnACopy) {
  TIEBitmap picture;
  picture.Allocate(2, 1, TIEPixelFormat::ie24RGB);
  *picture.PixelRGB(0, 0) = Blue;
  *picture.PixelRGB(1, 0) = Blue;
  picture.AlphaChannel()->SetPixel8(0, 0, 0);
  picture.AlphaChannel()->SetPixel8(1, 0, 90);
  TIOParamsVals params;
  auto r = Read(Encode(picture, params));
  EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Blue);
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(0, 0), 0);
  EXPECT_EQ(r->Mask->GetPixel(1, 0), 90);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  r = Read(Encode(picture, params));
  EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(1, 0), 90);
  TIEMask full;
  full.Allocate(2, 1, 8);
  full.Fill(255);
  r = Read(Encode(picture, params, &full));
  EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), White);
  EXPECT_EQ(*picture.PixelRGB(0, 0), Blue);
  EXPECT_EQ(picture.GetAlpha(0, 0), 0);
}
