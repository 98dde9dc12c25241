// The PNG reader, writer and signature test.
#include "imaging/io/codecs/png/iepng.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/gui/graphics.h"

using namespace rastertest;

namespace {

const TRGB Red{0, 0, 255}, Green{0, 255, 0}, Blue{255, 0, 0}, White{255, 255, 255}, Black{0, 0, 0};

void Be32(Bytes& B, uint32_t V) {
  B.insert(B.end(), {uint8_t(V >> 24), uint8_t(V >> 16), uint8_t(V >> 8), uint8_t(V)});
}

void Chunk(Bytes& File, const char* Type, const Bytes& Data) {
  Be32(File, static_cast<uint32_t>(Data.size()));
  Bytes body(Type, Type + 4);
  body.insert(body.end(), Data.begin(), Data.end());
  File.insert(File.end(), body.begin(), body.end());
  Be32(File, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A non-interlaced PNG from packed rows (filter 0 is added here) and extra
// chunks placed before IDAT.
Bytes MakePng(uint32_t Width, uint32_t Height, uint8_t Depth, uint8_t ColourType, const std::vector<Bytes>& Rows,
              const std::vector<std::pair<std::string, Bytes>>& Extra = {}) {
  Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Be32(ihdr, Width);
  Be32(ihdr, Height);
  ihdr.insert(ihdr.end(), {Depth, ColourType, 0, 0, 0});
  Chunk(file, "IHDR", ihdr);
  for (const auto& [type, data] : Extra) Chunk(file, type.c_str(), data);
  Bytes raw;
  for (const Bytes& row : Rows) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(size);
  compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(size);
  Chunk(file, "IDAT", packed);
  Chunk(file, "IEND", {});
  return file;
}

Bytes Plte(std::initializer_list<TRGB> Colours) {
  Bytes b;
  for (const TRGB& c : Colours) b.insert(b.end(), {c.r, c.g, c.b});
  return b;
}

struct TPngRead {
  bool Aborted = false;
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  std::unique_ptr<TIEMask> Mask;
};

std::unique_ptr<TPngRead> Read(const Bytes& Data, bool IgnoreAlpha = false, bool Native = false) {
  auto r = std::make_unique<TPngRead>();
  r->Params.NativePixelFormat = Native;
  r->Aborted = ReadWith(Data, [&](TStream* S, TIECodecProgress& P) {
    IEDecodePNG(S, &r->Bitmap, r->Params, P, false, r->Mask, IgnoreAlpha);
  });
  return r;
}

Bytes Encode(TIEBitmap& Bitmap, TIOParamsVals& Params, TIEMask* Mask = nullptr, bool* Aborted = nullptr) {
  return WriteWith([&](TStream* S, TIECodecProgress& P) { IEEncodePNG(S, &Bitmap, Params, P, Mask); }, Aborted);
}

void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodePNG(Stream, Bitmap, Params, Progress, Preview, mask, Preview);
}

TIECodecConformanceCase Case(const char* Name, bool Interlaced) {
  TIEBitmap picture;
  MakePicture(picture, 19, 6, 64);
  TIOParamsVals params;
  params.PNGInterlaced = Interlaced;
  params.PNGCompression = 0;  // stored: cut points land inside the rows
  TIECodecConformanceCase c;
  c.Name = Name;
  c.Read = ReadForSuite;
  c.Valid = Encode(picture, params);
  c.Width = 19;
  c.Height = 6;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::Abort;
  c.CheckFull = [Interlaced](TIEBitmap& B, TIOParamsVals& P) {
    TIEBitmap expected;
    MakePicture(expected, 19, 6, 64);
    EXPECT_EQ(RgbOf(B), RgbOf(expected));
    EXPECT_EQ(P.PNGInterlaced, Interlaced);
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Png, TIECodecConformance,
                         ::testing::Values(Case("Png24", false), Case("Png24Interlaced", true)),
                         IECodecConformanceName);

}  // namespace

TEST(PngTest, SignatureStartOnly) {
  struct {
    Bytes Data;
    bool Ok;
  } cases[] = {{{0x89, 'P', 'N', 'G'}, true},
               {{0x89, 'P', 'N', 'G', 0, 0, 0, 0, 9, 9}, true},
               {{0x89, 'P', 'N'}, false},
               {{'P', 'N', 'G', 0x89}, false},
               {{}, false}};
  for (const auto& c : cases) {
    bool answer = false;
    int64_t position = -1;
    ReadWith(c.Data, [&](TStream* S, TIECodecProgress&) {
      answer = IETestPNG(S);
      position = S->Position();
    });
    EXPECT_EQ(answer, c.Ok);
    EXPECT_EQ(position, 0);
  }
}

TEST(PngRead, AlphaOfEveryKindBecomesTheMask) {
  // 16-bit RGBA: the high bytes of colour and alpha.
  {
    auto r =
        Read(MakePng(2, 1, 16, 6, {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x80, 0x01, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}}));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{0x9A, 0x56, 0x12}));
    ASSERT_NE(r->Mask, nullptr);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 0x80);
    EXPECT_EQ(r->Mask->GetPixel(1, 0), 0xFF);
    EXPECT_EQ(r->Params.SamplesPerPixel, 4);
    EXPECT_EQ(r->Params.BitsPerSample, 16);
  }
  // A palette with tRNS.
  {
    auto r = Read(MakePng(2, 1, 8, 3, {{0, 1}}, {{"PLTE", Plte({Red, Green})}, {"tRNS", {40}}}));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Red);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 40);
    EXPECT_EQ(r->Mask->GetPixel(1, 0), 255);
    EXPECT_EQ(r->Params.PaletteCount(), 2);
  }
  // Gray with alpha.
  {
    auto r = Read(MakePng(1, 1, 8, 4, {{90, 7}}));
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{90, 90, 90}));
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 7);
  }
  // An opaque image still gets a mask of 255.
  {
    auto r = Read(MakePng(1, 1, 8, 2, {{1, 2, 3}}));
    ASSERT_NE(r->Mask, nullptr);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 255);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{3, 2, 1}));
  }
}

TEST(PngRead, OneBitPalettesLoadWithTheirColours) {
  struct {
    const char* Name;
    Bytes Palette;
    Bytes Trns;
    TIEPixelFormat Format;
    TRGB First;
  } cases[] = {{"black, white", Plte({Black, White}), {}, TIEPixelFormat::ie1g, White},
               {"white, black", Plte({White, Black}), {}, TIEPixelFormat::ie1g, Black},
               {"red, blue", Plte({Red, Blue}), {}, TIEPixelFormat::ie24RGB, Blue},
               {"black, white with tRNS", Plte({Black, White}), {0}, TIEPixelFormat::ie24RGB, White}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::pair<std::string, Bytes>> extra{{"PLTE", c.Palette}};
    if (!c.Trns.empty()) extra.push_back({"tRNS", c.Trns});
    auto r = Read(MakePng(3, 1, 1, 3, {{0xA0}}, extra));  // indexes 1 0 1
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Bitmap.PixelFormat(), c.Format);
    TRGB first, second;
    r->Bitmap.GetPixelAsRGB(0, 0, first);
    r->Bitmap.GetPixelAsRGB(1, 0, second);
    EXPECT_EQ(first, c.First);
    EXPECT_NE(second, c.First);
    if (!c.Trns.empty()) {
      EXPECT_EQ(r->Mask->GetPixel(1, 0), 0);
    }
  }
  // Gray 1-bit rows are taken as they are.
  auto r = Read(MakePng(3, 1, 1, 0, {{0xA0}}));
  EXPECT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(static_cast<uint8_t*>(r->Bitmap.ScanLine(0))[0] & 0xE0, 0xA0);
}

TEST(PngRead, BackgroundResolutionAndNativeFormats) {
  // IgnoreAlpha composites onto bKGD and reports it in 8 bits.
  {
    Bytes bkgd;
    for (uint16_t v : {0x1234, 0x5678, 0x9ABC}) bkgd.insert(bkgd.end(), {uint8_t(v >> 8), uint8_t(v)});
    auto r = Read(MakePng(1, 1, 16, 6, {{0, 0, 0, 0, 0, 0, 0, 0}}, {{"bKGD", bkgd}}), true);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.PNGBackground, (TRGB{0x9A, 0x56, 0x12}));
    EXPECT_EQ(r->Mask, nullptr);
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), (TRGB{0x9A, 0x56, 0x12}));
  }
  // Without bKGD, PNGBackground is the colour under transparent pixels.
  {
    auto r = std::make_unique<TPngRead>();
    r->Params.PNGBackground = Green;
    const Bytes file = MakePng(1, 1, 8, 6, {{9, 9, 9, 0}});
    ReadWith(file,
             [&](TStream* S, TIECodecProgress& P) { IEDecodePNG(S, &r->Bitmap, r->Params, P, false, r->Mask, true); });
    EXPECT_EQ(*r->Bitmap.PixelRGB(0, 0), Green);
  }
  // pHYs in metres: 11811 is 300 dpi; other units leave the default.
  {
    Bytes phys;
    Be32(phys, 11811);
    Be32(phys, 3937);
    phys.push_back(1);
    auto r = Read(MakePng(1, 1, 8, 0, {{0}}, {{"pHYs", phys}}));
    EXPECT_EQ(r->Params.DpiX, 300);
    EXPECT_EQ(r->Params.DpiY, 100);
  }
  // Native 8-bit gray and palette keep their layout.
  {
    auto r = Read(MakePng(2, 1, 8, 0, {{5, 250}}), false, true);
    ASSERT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie8g);
    EXPECT_EQ(r->Bitmap.GetPixel8(1, 0), 250);
    auto p = Read(MakePng(2, 1, 8, 3, {{1, 0}}, {{"PLTE", Plte({Red, Green})}}), false, true);
    ASSERT_EQ(p->Bitmap.PixelFormat(), TIEPixelFormat::ie8p);
    EXPECT_EQ(p->Bitmap.GetPixel8(0, 0), 1);
    TRGB c;
    p->Bitmap.GetPaletteColor(1, c);
    EXPECT_EQ(c, Green);
  }
  // 2-bit gray is expanded.
  {
    auto r = Read(MakePng(4, 1, 2, 0, {{0x1B}}));
    EXPECT_EQ(RgbOf(r->Bitmap), (Bytes{0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}));
  }
}

TEST(PngRead, LibraryErrorsSetTheFlag) {
  Bytes good = MakePng(2, 2, 8, 2, {Bytes(6, 1), Bytes(6, 2)});
  Bytes badCrc = good;
  badCrc[29] ^= 0xFF;  // IHDR's CRC
  Bytes badPalette = MakePng(1, 1, 8, 3, {{5}}, {{"PLTE", Bytes(3 * 300, 1)}});
  Bytes huge = MakePng(1, 1, 8, 2, {{1, 2, 3}});
  huge[16] = 0x7F;  // width far past the library's limits
  for (const Bytes& file : {badCrc, badPalette, huge}) EXPECT_TRUE(Read(file)->Aborted);
}

// ---- Writing ---------------------------------------------------------------------------------

TEST(PngWrite, RoundTripsColourTypes) {
  struct {
    const char* Name;
    int32_t Bps, Spp;
    bool Mask, Interlaced;
    int32_t Colours;
  } cases[] = {{"rgb", 8, 3, false, false, 64},
               {"rgba", 8, 4, true, false, 64},
               {"rgba interlaced", 8, 4, true, true, 64},
               {"palette", 8, 1, false, false, 40},
               {"palette four bits", 4, 1, false, false, 16},
               {"palette with alpha", 8, 1, true, true, 30},
               {"bilevel", 1, 1, false, false, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEBitmap picture;
    MakePicture(picture, 23, 7, c.Colours);
    TIEMask mask;
    if (c.Mask) {
      mask.Allocate(23, 7, 8);
      mask.Fill(255);
      mask.SetPixel(5, 3, 0);
      mask.SetPixel(6, 3, 100);
    }
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.PNGInterlaced = c.Interlaced;
    params.PNGFilter = TIEPNGFilter::pfPaeth;
    params.SetDpiX(300);
    params.SetDpiY(300);
    bool aborted = true;
    const Bytes file = Encode(picture, params, c.Mask ? &mask : nullptr, &aborted);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(params.BitsPerSample, c.Bps == 4 ? 8 : c.Bps);
    auto r = Read(file);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.DpiX, 300);
    EXPECT_EQ(r->Params.PNGInterlaced, c.Interlaced);
    if (c.Bps == 1) {
      EXPECT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie1g);
      continue;
    }
    const bool paletteAlpha = c.Mask && c.Spp == 1;
    Bytes got = RgbOf(r->Bitmap), want = RgbOf(picture);
    if (paletteAlpha) {
      // Every pixel that is not opaque becomes the transparent entry 0.
      EXPECT_EQ(r->Mask->GetPixel(5, 3), 0);
      EXPECT_EQ(r->Mask->GetPixel(6, 3), 0);
      EXPECT_EQ(r->Mask->GetPixel(7, 3), 255);
      for (int32_t x : {5, 6}) {
        const size_t at = (3 * 23 + static_cast<size_t>(x)) * 3;
        std::fill(got.begin() + static_cast<std::ptrdiff_t>(at), got.begin() + static_cast<std::ptrdiff_t>(at) + 3, 0);
        std::fill(want.begin() + static_cast<std::ptrdiff_t>(at), want.begin() + static_cast<std::ptrdiff_t>(at) + 3,
                  0);
      }
    } else if (c.Mask) {
      EXPECT_EQ(r->Mask->GetPixel(5, 3), 0);
      EXPECT_EQ(r->Mask->GetPixel(6, 3), 100);
    }
    EXPECT_EQ(got, want);
  }
}

TEST(PngWrite, AOneBitMaskWritesItsSetPixelsOpaque) {
  for (const int32_t spp : {1, 4}) {
    SCOPED_TRACE(spp == 1 ? "palette with alpha" : "rgba");
    TIEBitmap picture;
    MakePicture(picture, 23, 7, 30);
    TIEMask mask;
    mask.Allocate(23, 7, 1);
    mask.Fill(255);
    mask.SetPixel(5, 3, 0);
    mask.CheckFull();
    TIOParamsVals params;
    params.BitsPerSample = 8;
    params.SamplesPerPixel = spp;
    bool aborted = true;
    const Bytes file = Encode(picture, params, &mask, &aborted);
    ASSERT_FALSE(aborted);
    auto r = Read(file);
    ASSERT_FALSE(r->Aborted);
    ASSERT_TRUE(r->Mask);
    EXPECT_EQ(r->Mask->GetPixel(5, 3), 0);
    EXPECT_EQ(r->Mask->GetPixel(7, 3), 255);
    EXPECT_EQ(r->Mask->GetPixel(0, 0), 255);
  }
}

TEST(PngWrite, GrayImagesAndConvertedFormats) {
  TIEBitmap gray;
  gray.Allocate(3, 1, TIEPixelFormat::ie8g);
  gray.SetPixel8(1, 0, 77);
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  auto r = Read(Encode(gray, params), false, true);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.PixelFormat(), TIEPixelFormat::ie8g);  // written as a gray PNG
  EXPECT_EQ(r->Bitmap.GetPixel8(1, 0), 77);

  TIEBitmap deep;
  deep.Allocate(2, 1, TIEPixelFormat::ieRGB48);
  deep.SetPixelRGB48(0, 0, TRGB48{0xFFFF, 0, 0x8000});
  TIOParamsVals rgb;
  rgb.SamplesPerPixel = 3;
  auto d = Read(Encode(deep, rgb));
  ASSERT_FALSE(d->Aborted);
  EXPECT_EQ(d->Bitmap.PixelRGB(0, 0)->r, 255);
  EXPECT_EQ(deep.PixelFormat(), TIEPixelFormat::ieRGB48);
}

TEST(PngWrite, TextChunksKeepTheirBytes) {
  TIEBitmap picture;
  MakePicture(picture, 2, 2, 3);
  TIOParamsVals params;
  params.PNGTextKeys.Add("Title");
  params.PNGTextValues.Add("caf\xE9 \xC3\xA9");
  params.PNGTextKeys.Add("Unpaired");
  auto r = Read(Encode(picture, params));
  ASSERT_EQ(r->Params.PNGTextKeys.Count(), 1);
  EXPECT_EQ(r->Params.PNGTextKeys.Strings(0), "Title");
  EXPECT_EQ(r->Params.PNGTextValues.Strings(0), "caf\xE9 \xC3\xA9");
}

namespace {

// Takes Limit bytes, then accepts no more (or throws).
class TLimitedStream : public TMemoryStream {
 public:
  TLimitedStream(int64_t Limit, bool Throw) : FLimit(Limit), FThrow(Throw) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    if (Position() + Count > FLimit) {
      if (FThrow) throw EWriteError("disk full");
      return 0;
    }
    return TMemoryStream::Write(Buffer, Count);
  }

 private:
  int64_t FLimit;
  bool FThrow;
};

}  // namespace

TEST(PngWrite, ShortWriteSetsTheFlagAndStreamErrorsRaise) {
  TIEBitmap picture;
  MakePicture(picture, 40, 40, 64);
  TIOParamsVals params;
  params.PNGCompression = 0;
  {
    TLimitedStream stream(200, false);
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    EXPECT_NO_THROW(IEEncodePNG(&stream, &picture, params, progress, nullptr));
    EXPECT_TRUE(abort.load());
  }
  {
    TLimitedStream stream(200, true);
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    try {
      IEEncodePNG(&stream, &picture, params, progress, nullptr);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Error on creating PNG");
    }
  }
}
