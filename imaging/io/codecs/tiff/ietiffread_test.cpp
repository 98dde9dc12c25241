// The TIFF reader on small hand-built files: the conformance suite, the
// reader's rules for tags, pages and metadata blocks, the row decoding and
// conversions, and hostile offsets and counts.
#include "imaging/io/codecs/tiff/ietiffread.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include "imaging/io/codecs/tiff/tiffread_testing.h"
#include "imaging/io/core/testsupport/allocpeak.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/model/containers/ieannot.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/containers/iemask.h"

using namespace tiffread;

namespace {

void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  int32_t pages = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeTIFF(Bitmap, Stream, pages, &Params, Progress, Preview, mask, true, Preview, false);
}

// 5 x 4 RGB, one row per strip, the directory after the strips.
TBytes RgbFile(bool big, int32_t compression = 1) {
  TPage p;
  p.Tags = PageTags(5, 4, 8, 3, 2, compression);
  p.Tags.push_back(Long(278, {1}));
  for (int32_t y = 0; y < 4; ++y) {
    TBytes row;
    for (int32_t x = 0; x < 5; ++x)
      row.insert(row.end(), {uint8_t(10 * x + 1), uint8_t(40 * y + 2), uint8_t(x * y + 3)});
    p.Blocks.push_back(row);
  }
  return TBuilder(big).Build({p});
}

TIECodecConformanceCase RgbCase() {
  TIECodecConformanceCase c;
  c.Name = "Rgb8Strips";
  c.Read = ReadForSuite;
  c.Valid = RgbFile(false);
  c.Width = 5;
  c.Height = 4;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CheckFull = [](TIEBitmap& b, TIOParamsVals&) {
    ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
    TRGB px;
    b.GetPixelAsRGB(4, 3, px);
    EXPECT_EQ(px, MakeTRGB(41, 122, 15));
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Tiff, TIECodecConformance, ::testing::Values(RgbCase()), IECodecConformanceName);

// ---- Pages, header and tags -------------------------------------------------------------------

TEST(TiffReader, PagesHeaderAndFailuresFollowTheReaderRules) {
  TPage gray;
  gray.Tags = PageTags(2, 2, 8, 1, 1);
  gray.Blocks = {{1, 2, 3, 4}};
  const TBytes three = TBuilder(false).Build({gray, gray, gray});

  {  // a page index past the end: the count, no failure, nothing touched
    TIEBitmap b;
    b.Allocate(1, 1, TIEPixelFormat::ie24RGB);
    TIOParamsVals p;
    p.TIFFImageIndex = 3;
    p.Width = 77;
    const TResult r = ReadTiff(three, b, p);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(r.Pages, 3);
    EXPECT_EQ(p.Width, 77);
    EXPECT_EQ(b.Width(), 1);
  }
  {  // page 2 of 3, and the counter
    TIEBitmap b;
    TIOParamsVals p;
    p.TIFFImageIndex = 2;
    const TResult r = ReadTiff(three, b, p);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(p.TIFFImageCount, 3);
    EXPECT_EQ(p.ImageCount, 3);
    TCustomMemoryStream s;
    s.SetPointer(three.data(), static_cast<int64_t>(three.size()));
    EXPECT_EQ(IETIFFPageCount(&s), 3);
  }
  {  // a first-IFD offset of 0: no image, a failed load
    TBytes empty = {'I', 'I', 42, 0, 0, 0, 0, 0, 0, 0};
    TIEBitmap b;
    TIOParamsVals p;
    const TResult r = ReadTiff(empty, b, p);
    EXPECT_TRUE(r.Aborted);
    EXPECT_EQ(r.Pages, 0);
  }
  struct TFail {
    const char* Name;
    std::vector<TTag> Tags;
    bool ParamsOnly;
  };
  const std::vector<TFail> fails = {
      {"differing bits", {Long(256, {2}), Long(257, {2}), Short(258, {8, 8, 16}), Short(277, {3})}, true},
      {"no width", {Long(257, {2}), Short(258, {8}), Short(262, {1})}, true},
      {"unknown compression", PageTags(2, 2, 8, 1, 1, 32946), false},
      {"uncompressed YCbCr", PageTags(2, 2, 8, 3, 6), false},
      {"planar 16-bit",
       [] {
         auto t = PageTags(2, 2, 16, 3, 2);
         t.push_back(Short(284, {2}));
         return t;
       }(),
       false},
      {"zero tile width",
       [] {
         auto t = PageTags(2, 2, 8, 1, 1);
         t.push_back(Long(322, {0}));
         t.push_back(Long(323, {16}));
         return t;
       }(),
       false},
      {"CCITT of 8 bits", PageTags(2, 2, 8, 1, 1, 4), false},
      {"tiled planar",
       [] {
         auto t = PageTags(2, 2, 8, 3, 2);
         t.push_back(Short(284, {2}));
         t.push_back(Long(322, {16}));
         t.push_back(Long(323, {16}));
         return t;
       }(),
       false},
  };
  for (const TFail& f : fails) {
    TPage p;
    p.Tags = f.Tags;
    p.Blocks = {TBytes(64, 0x55), TBytes(64, 0x55), TBytes(64, 0x55)};
    TIEBitmap b;
    TIOParamsVals params;
    TReadOptions o;
    o.ParamsOnly = f.ParamsOnly;
    const TResult r = ReadTiff(TBuilder(false).Build({p}), b, params, nullptr, o);
    EXPECT_TRUE(r.Aborted) << f.Name;
  }
}

TEST(TiffReader, FieldsResolutionAndExifFillTheRecord) {
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    struct TRes {
      uint32_t Unit, Num, Den;
      int32_t Dpi;
    };
    for (const TRes res :
         {TRes{3, 11812, 100, 300}, TRes{3, 11811, 100, 299}, TRes{2, 72, 1, 72}, TRes{2, 0, 1, 300}}) {
      TPage p;
      p.Tags = PageTags(2, 1, 8, 1, 1, 32773);
      p.Tags.push_back(Short(296, {res.Unit}));
      p.Tags.push_back(Rational(282, res.Num, res.Den));
      p.Tags.push_back(Rational(283, res.Num, res.Den));
      p.Tags.push_back(Ascii(269, "document"));
      p.Tags.push_back(Ascii(305, "Writer 1.0\0\0", false));
      p.Tags.push_back(Short(297, {2, 5}));
      p.Tags.push_back(Short(274, {6}));
      p.Tags.push_back(Bytes(700, 7, {'<', 'x', '/', '>'}));
      p.Blocks = {{1, 7, 9}};
      p.Exif = {Bytes(36864, 7, {'0', '2', '1', '0'}),
                Bytes(37510, 7, {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'e', 'l', 'l', 'o'}), Short(37383, {5}),
                Rational(33434, 1, 250), Short(34855, {400})};
      TIEBitmap b;
      TIOParamsVals params;
      const TResult r = ReadTiff(TBuilder(big).Build({p}), b, params);
      ASSERT_FALSE(r.Aborted);
      EXPECT_EQ(params.DpiX, res.Dpi);
      EXPECT_EQ(params.DpiY, res.Dpi);
      EXPECT_EQ(params.TIFFCompression, TIETIFFCompression::tcPackBits);
      EXPECT_EQ(params.TIFFPhotometric, TIETIFFPhotometric::tpBlackIsZero);
      EXPECT_EQ(params.TIFFDocumentName, "document");
      EXPECT_EQ(params.EXIFSoftware, "Writer 1.0");
      EXPECT_EQ(params.TIFFPageNumber, 2);
      EXPECT_EQ(params.TIFFPageCount, 5);
      EXPECT_EQ(params.TIFFOrientation, 6);
      EXPECT_EQ(params.EXIFOrientation, 6);
      EXPECT_EQ(params.XMPPacket, "<x/>");
      EXPECT_TRUE(params.HasEXIFData);
      EXPECT_EQ(params.EXIFVersion, "0210");
      EXPECT_EQ(params.EXIFUserCommentCode, String("ASCII\0\0\0", 8));
      EXPECT_EQ(params.EXIFUserComment, "hello");
      EXPECT_EQ(params.EXIFMeteringMode, 5);
      EXPECT_DOUBLE_EQ(params.EXIFExposureTime, 1.0 / 250);
      EXPECT_EQ(params.GetEXIFISOSpeedRatings(0), 400);
      // Orientation is not applied unless asked for.
      EXPECT_EQ(b.Width(), 2);
    }
  }
  TPage p;
  p.Tags = PageTags(2, 1, 8, 1, 1, 32946);
  TIEBitmap b;
  TIOParamsVals params;
  TReadOptions o;
  o.ParamsOnly = true;
  EXPECT_FALSE(ReadTiff(TBuilder(false).Build({p}), b, params, nullptr, o).Aborted);
  EXPECT_EQ(static_cast<int>(params.TIFFCompression), 9);
}

TEST(TiffReader, ContentTestsRestoreThePosition) {
  TPage p;
  p.Tags = PageTags(1, 1, 8, 1, 1);
  p.Tags.push_back(Bytes(50706, 1, {1, 4, 0, 0}));
  p.Blocks = {{0}};
  for (const bool big : {false, true}) {
    const TBytes f = TBuilder(big).Build({p});
    TCustomMemoryStream s;
    s.SetPointer(f.data(), static_cast<int64_t>(f.size()));
    s.SetPosition(0);
    EXPECT_TRUE(IETestTIFF(&s));
    EXPECT_EQ(s.Position(), 0);
    EXPECT_TRUE(IETestDNG(&s));
    EXPECT_EQ(s.Position(), 0);
    TBytes g = f;
    g[8] = 0xBA;
    s.SetPointer(g.data(), static_cast<int64_t>(g.size()));
    EXPECT_EQ(IETestTIFF(&s), !big);
  }
  const TBytes shortFile = {'I', 'I', 42, 0, 8, 0, 0, 0};
  TCustomMemoryStream s;
  s.SetPointer(shortFile.data(), 8);
  EXPECT_FALSE(IETestTIFF(&s));
  EXPECT_FALSE(IETestDNG(&s));
}

// ---- Rows and conversions ---------------------------------------------------------------------

struct TPixelCase {
  const char* Name;
  std::vector<TTag> Tags;
  std::vector<TBytes> Blocks;
  TBytes Expected;  // RGB of every pixel, top row first
  bool Native = false;
  TIEPixelFormat Format = TIEPixelFormat::ie24RGB;
};

TBytes Gray(std::initializer_list<uint8_t> levels) {
  TBytes out;
  for (uint8_t g : levels) out.insert(out.end(), {g, g, g});
  return out;
}

std::vector<TTag> With(std::vector<TTag> tags, const std::vector<TTag>& more) {
  tags.insert(tags.end(), more.begin(), more.end());
  return tags;
}

TEST(TiffReader, RowsDecodeAndConvertByTheTable) {
  const std::vector<TTag> map2 = {
      Short(320, {0xFFFF, 0x0000, 0x1000, 0x0000, 0x2000, 0x0000})};  // red, then green, then blue
  const std::vector<TPixelCase> cases = {
      {"bilevel without photometric is WhiteIsZero",
       {Long(256, {4}), Long(257, {1})},
       {{0x50}},
       Gray({255, 0, 255, 0})},
      {"bilevel BlackIsZero", PageTags(4, 1, 1, 1, 1), {{0x50}}, Gray({0, 255, 0, 255}), false, TIEPixelFormat::ie1g},
      {"4-bit gray levels x 17", PageTags(3, 1, 4, 1, 1), {{0x0F, 0x80}}, Gray({0, 255, 136})},
      {"2-bit gray", PageTags(4, 1, 2, 1, 1), {{0x1B}}, Gray({0, 85, 170, 255})},
      {"2-bit gray WhiteIsZero", PageTags(4, 1, 2, 1, 0), {{0x1B}}, Gray({255, 170, 85, 0})},
      {"8-bit WhiteIsZero", PageTags(2, 1, 8, 1, 0), {{0, 200}}, Gray({255, 55})},
      {"16-bit gray high byte", PageTags(2, 1, 16, 1, 1), {{0x34, 0x12, 0xFF, 0xAB}}, Gray({0x12, 0xAB})},
      {"16-bit gray of Look@Molli",
       With(PageTags(2, 1, 16, 1, 1), {Ascii(305, "Look@Molli v1.1 beta")}),
       {{0x34, 0x12, 0xFF, 0x0A}},
       Gray({0x23, 0xAF})},
      {"16-bit gray native", PageTags(1, 1, 16, 1, 1), {{0x00, 0x80}}, Gray({0x80}), true, TIEPixelFormat::ie16g},
      {"1-bit palette, indexes clamped to the map",
       With(PageTags(3, 1, 1, 1, 3), map2),
       {{0xA0}},
       {0, 0, 0, 0xFF, 0x10, 0x20, 0, 0, 0}},
      {"2-bit palette of width 3 beyond a 4-entry map",
       With(PageTags(3, 1, 2, 1, 3), {Short(320, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120})}),
       {{0x1F}},
       {10, 50, 90, 20, 60, 100, 40, 80, 120}},
      {"palette native keeps indexes",
       With(PageTags(2, 1, 8, 1, 3), {Short(320, std::vector<uint32_t>(768, 7))}),
       {{0, 255}},
       {7, 7, 7, 7, 7, 7},
       true,
       TIEPixelFormat::ie8p},
      {"RGB555", PageTags(1, 1, 16, 1, 2), {{0x1F, 0x7C}}, {248, 0, 248}},
      {"RGB 16-bit big words", PageTags(1, 1, 16, 3, 2), {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}, {0x34, 0x78, 0xBC}},
      {"CMYK", PageTags(1, 1, 8, 4, 5), {{0, 0, 0, 0}}, {255, 255, 255}},
      {"PackBits run longer than the row",
       With(PageTags(3, 2, 8, 1, 1, 32773), {Long(278, {2})}),
       {{0xFC, 9, 0x02, 1, 2, 3}},
       Gray({9, 9, 9, 1, 2, 3})},
      {"PackBits no-op control", PageTags(2, 1, 8, 1, 1, 32773), {{0x80, 0x01, 5, 6}}, Gray({5, 6})},
      {"strip count of 0 reads to the end",
       With(PageTags(2, 2, 8, 1, 1), {Long(279, {0})}),
       {{1, 2, 3, 4}},
       Gray({1, 2, 3, 4})},
  };
  for (const TPixelCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPage p;
    p.Tags = c.Tags;
    p.Blocks = c.Blocks;
    for (const TTag& t : c.Tags)
      if (t.Tag == 279) p.NoCounts = true;
    TIEBitmap b;
    TIOParamsVals params;
    TReadOptions o;
    o.Native = c.Native;
    const TResult r = ReadTiff(TBuilder(false).Build({p}), b, params, nullptr, o);
    ASSERT_FALSE(r.Aborted);
    if (c.Native || c.Format == TIEPixelFormat::ie1g) {
      EXPECT_EQ(b.PixelFormat(), c.Format);
    }
    EXPECT_EQ(RgbPixels(b), c.Expected);
  }
}

TEST(TiffReader, LzwPredictorUndoesDifferencesPerSample) {
  // 16-bit gray with one sample (the generalised rule) and 8-bit RGB, in both
  // byte orders: LZW with predictor 2 gives the pixels of the plain page.
  for (const bool big : {false, true}) {
    const std::vector<uint16_t> gray = {1000, 1500, 65535, 3};
    TBytes plain16, diff16;
    for (size_t i = 0; i < gray.size(); ++i) {
      const uint16_t d = static_cast<uint16_t>(gray[i] - (i ? gray[i - 1] : 0));
      auto put = [&](TBytes& t, uint16_t v) {
        t.push_back(big ? uint8_t(v >> 8) : uint8_t(v));
        t.push_back(big ? uint8_t(v) : uint8_t(v >> 8));
      };
      put(plain16, gray[i]);
      put(diff16, d);
    }
    TPage plain;
    plain.Tags = PageTags(4, 1, 16, 1, 1);
    plain.Blocks = {plain16};
    TPage lzw = plain;
    lzw.Tags = With(PageTags(4, 1, 16, 1, 1, 5), {Short(317, {2})});
    lzw.Blocks = {LzwStrip({diff16})};
    TIEBitmap a, b;
    TIOParamsVals pa, pb;
    TReadOptions o;
    o.Native = true;
    ASSERT_FALSE(ReadTiff(TBuilder(big).Build({plain}), a, pa, nullptr, o).Aborted);
    ASSERT_FALSE(ReadTiff(TBuilder(big).Build({lzw}), b, pb, nullptr, o).Aborted);
    ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie16g);
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(b.GetPixel16(x, 0), gray[size_t(x)]);
    EXPECT_EQ(RgbPixels(a), RgbPixels(b));
  }
}

TEST(TiffReader, AlphaSamplesGoToTheMask) {
  struct TCase {
    const char* Name;
    std::vector<TTag> Tags;
    TBytes Strip;
    TBytes Alpha;
  };
  const std::vector<TCase> cases = {
      {"RGBA", With(PageTags(2, 1, 8, 4, 2), {Short(338, {2})}), {1, 2, 3, 40, 4, 5, 6, 250}, {40, 250}},
      {"gray and alpha", PageTags(2, 1, 8, 2, 1), {9, 0, 9, 128}, {0, 128}},
      {"palette and alpha",
       With(PageTags(2, 1, 8, 2, 3), {Short(320, std::vector<uint32_t>(768, 1))}),
       {0, 5, 0, 255},
       {5, 255}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPage p;
    p.Tags = c.Tags;
    p.Blocks = {c.Strip};
    TIEBitmap b;
    TIOParamsVals params;
    std::unique_ptr<TIEMask> mask;
    ASSERT_FALSE(ReadTiff(TBuilder(false).Build({p}), b, params, &mask).Aborted);
    ASSERT_TRUE(mask);
    ASSERT_EQ(mask->Width(), 2);
    EXPECT_EQ(mask->GetPixel(0, 0), c.Alpha[0]);
    EXPECT_EQ(mask->GetPixel(1, 0), c.Alpha[1]);
    std::unique_ptr<TIEMask> none;
    TReadOptions o;
    o.IgnoreAlpha = true;
    ASSERT_FALSE(ReadTiff(TBuilder(false).Build({p}), b, params, &none, o).Aborted);
    EXPECT_FALSE(none);
  }
}

TEST(TiffReader, TilesWrapAndTheBitmapEndsAtTheImageSize) {
  // 5 x 3 gray in tiles of 4 x 2: a 2 x 2 grid whose last column and row
  // stick out.
  auto tile = [](uint8_t base) {
    TBytes t;
    for (int i = 0; i < 8; ++i) t.push_back(uint8_t(base + i));
    return t;
  };
  for (const bool big : {false, true}) {
    TPage p;
    p.Tags = With(PageTags(5, 3, 8, 1, 1), {Long(322, {4}), Long(323, {2})});
    p.Tiled = true;
    p.Blocks = {tile(0), tile(100), tile(50), tile(150)};
    TIEBitmap b;
    TIOParamsVals params;
    ASSERT_FALSE(ReadTiff(TBuilder(big).Build({p}), b, params).Aborted);
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 3);
    EXPECT_EQ(RgbRow(b, 0), Gray({0, 1, 2, 3, 100}));
    EXPECT_EQ(RgbRow(b, 1), Gray({4, 5, 6, 7, 104}));
    EXPECT_EQ(RgbRow(b, 2), Gray({50, 51, 52, 53, 150}));
  }
}

TEST(TiffReader, OrientationTurnsBitmapAndMask) {
  TPage p;
  p.Tags = With(PageTags(2, 1, 8, 2, 1), {Short(274, {6})});
  p.Blocks = {{10, 1, 20, 2}};
  TIEBitmap b;
  TIOParamsVals params;
  params.TIFFAdjustOrientation = true;
  std::unique_ptr<TIEMask> mask;
  ASSERT_FALSE(ReadTiff(TBuilder(false).Build({p}), b, params, &mask).Aborted);
  ASSERT_EQ(b.Width(), 1);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(RgbPixels(b), Gray({10, 20}));
  ASSERT_TRUE(mask);
  EXPECT_EQ(mask->Width(), 1);
  EXPECT_EQ(mask->GetPixel(0, 1), 2);
}

TEST(TiffReader, IptcAnnotationsAndProfileFillTheRecord) {
  TIEIPTCInfoList iptc;
  iptc.AddItem(2, 5, 6, "Object");
  iptc.AddItem(2, 25, 3, "one");
  iptc.AddItem(2, 25, 3, "two");
  TBytes iptcBlock;
  iptc.SaveToBuffer(iptcBlock, false);
  iptcBlock.resize((iptcBlock.size() + 3) / 4 * 4, 0);  // whole LONGs

  TIEImagingAnnot annot;
  annot.Objects().push_back(std::make_unique<TIEImagingObject>());
  annot.Objects().back()->SetMarkType(3);
  annot.Objects().back()->Points = {{1, 2}, {30, -4}};
  annot.Objects().push_back(std::make_unique<TIEImagingObject>());
  annot.Objects().back()->SetMarkType(7);
  annot.Objects().back()->Text = "a note";
  TBytes annotBlock;
  annot.SaveToBuffer(annotBlock);

  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(srgb, nullptr, &size);
  TBytes profile(size);
  cmsSaveProfileToMem(srgb, profile.data(), &size);
  cmsCloseProfile(srgb);

  // The IPTC tag is read as count x type size bytes, whatever its type.
  for (const bool big : {false, true}) {
    std::vector<uint32_t> words;
    for (size_t i = 0; i < iptcBlock.size(); i += 4) {
      // As LONGs in the file's byte order, so that the bytes stay in place.
      const uint32_t le = uint32_t(iptcBlock[i]) | uint32_t(iptcBlock[i + 1]) << 8 | uint32_t(iptcBlock[i + 2]) << 16 |
                          uint32_t(iptcBlock[i + 3]) << 24;
      const uint32_t be = uint32_t(iptcBlock[i]) << 24 | uint32_t(iptcBlock[i + 1]) << 16 |
                          uint32_t(iptcBlock[i + 2]) << 8 | uint32_t(iptcBlock[i + 3]);
      words.push_back(big ? be : le);
    }
    for (const TTag& iptcTag : {Long(33723, words), Bytes(33723, 7, iptcBlock)}) {
      SCOPED_TRACE(std::string(big ? "MM" : "II") + (iptcTag.Type == 4 ? " LONG" : " UNDEFINED"));
      TPage p;
      p.Tags = With(PageTags(2, 1, 8, 1, 1), {iptcTag, Bytes(32932, 1, annotBlock), Bytes(34675, 7, profile)});
      p.Blocks = {{1, 2}};
      TPage plain;
      plain.Tags = PageTags(2, 1, 8, 1, 1);
      plain.Blocks = {{1, 2}};
      const TBytes file = TBuilder(big).Build({p, plain});
      TIEBitmap b;
      TIOParamsVals params;
      ASSERT_FALSE(ReadTiff(file, b, params).Aborted);

      std::vector<std::string> keywords;
      std::string object;
      for (int32_t i = 0; i < params.IPTCInfo.Count(); ++i) {
        const std::string data(params.IPTCInfo.Data(i), params.IPTCInfo.Data(i) + params.IPTCInfo.Length(i));
        if (params.IPTCInfo.RecordNumber(i) == 2 && params.IPTCInfo.DataSet(i) == 25) keywords.push_back(data);
        if (params.IPTCInfo.RecordNumber(i) == 2 && params.IPTCInfo.DataSet(i) == 5) object = data;
      }
      EXPECT_EQ(object, "Object");
      EXPECT_EQ(keywords, (std::vector<std::string>{"one", "two"}));

      TIEImagingAnnot* read = params.GetImagingAnnot();
      ASSERT_EQ(read->Count(), 2);
      EXPECT_EQ(read->Objects()[0]->MarkType(), 3);
      EXPECT_EQ(read->Objects()[0]->Points, annot.Objects()[0]->Points);
      EXPECT_EQ(read->Objects()[1]->MarkType(), 7);
      EXPECT_EQ(read->Objects()[1]->Text, "a note");

      ASSERT_TRUE(params.InputICC);
      EXPECT_TRUE(params.InputICC->IsValid());
      EXPECT_EQ(TBytes(params.InputICC->Raw(), params.InputICC->Raw() + params.InputICC->RawSize()), profile);
      EXPECT_EQ(params.InputICC->CachedTransform(), nullptr);

      // The next page has no IPTC tag: the list is emptied.
      params.TIFFImageIndex = 1;
      ASSERT_FALSE(ReadTiff(file, b, params).Aborted);
      EXPECT_EQ(params.IPTCInfo.Count(), 0);
    }
  }
}

// ---- Hostile data -------------------------------------------------------------------------------

TEST(TiffReader, HostileOffsetsAndCountsStayInsideTheData) {
  struct THostile {
    const char* Name;
    std::vector<TTag> Tags;
    std::vector<TBytes> Blocks;
    std::vector<uint32_t> Counts;
    bool Fails;
  };
  const std::vector<THostile> cases = {
      {"strip offset past the end", With(PageTags(4, 2, 8, 1, 1), {Long(273, {0x7FFFFFF0})}), {}, {}, true},
      {"count larger than the stream", PageTags(4, 2, 8, 1, 1), {TBytes(8, 9)}, {0xFFFFFFF0}, false},
      {"truncated strip", PageTags(4, 200, 8, 1, 1), {TBytes(5, 9)}, {800}, true},
      {"truncated LZW", PageTags(16, 16, 8, 1, 1, 5), {TBytes(6, 0x00)}, {}, true},
      {"huge size", PageTags(0x7FFFFFFF, 0x7FFFFFFF, 8, 3, 2), {TBytes(8, 0)}, {}, true},
      {"LZW data that could never fill the page", PageTags(20000, 20000, 8, 1, 1, 5), {TBytes(8, 0)}, {}, true},
      {"absurd tile",
       With(PageTags(4, 4, 8, 1, 1), {Long(322, {0x7FFFFFF0}), Long(323, {0x7FFFFFF0})}),
       {TBytes(8, 0)},
       {},
       true},
      {"planar with two strips",
       With(PageTags(2, 2, 8, 3, 2), {Short(284, {2})}),
       {TBytes(4, 1), TBytes(4, 2)},
       {},
       true},
      {"planar counts missing",
       With(PageTags(2, 1, 8, 3, 2), {Short(284, {2})}),
       {TBytes(2, 1), TBytes(2, 2), TBytes(2, 3)},
       {2},
       false},
      {"many samples", PageTags(4, 1, 8, 60000, 3), {TBytes(64, 0)}, {}, true},
  };
  for (const THostile& c : cases) {
    SCOPED_TRACE(c.Name);
    TPage p;
    p.Tags = c.Tags;
    p.Blocks = c.Blocks;
    p.Counts = c.Counts;
    TBytes f = TBuilder(false).Build({p});
    TIEBitmap b;
    TIOParamsVals params;
    const TResult r = ReadTiff(f, b, params);
    EXPECT_EQ(r.Aborted, c.Fails);
  }
  // A truncated strip leaves the unreached rows zero.
  TPage p;
  p.Tags = PageTags(2, 300, 8, 1, 1);
  p.Blocks = {TBytes{7, 7, 7, 7, 7}};
  p.Counts = {6};
  TIEBitmap b;
  TIOParamsVals params;
  EXPECT_TRUE(ReadTiff(TBuilder(false).Build({p}), b, params).Aborted);
  ASSERT_EQ(b.Height(), 300);
  EXPECT_EQ(RgbRow(b, 0), Gray({7, 7}));
  EXPECT_EQ(RgbRow(b, 2), Gray({7, 0}));
  EXPECT_EQ(RgbRow(b, 3), Gray({0, 0}));
  EXPECT_EQ(RgbRow(b, 299), Gray({0, 0}));
}

// A memory stream that counts the bytes read from it.
class TCountingStream : public TCustomMemoryStream {
 public:
  int32_t Read(void* Buffer, int32_t Count) override {
    const int32_t got = TCustomMemoryStream::Read(Buffer, Count);
    BytesRead += got;
    return got;
  }
  int64_t BytesRead = 0;
};

TEST(TiffReader, StripsWithoutCountsReadEachByteAboutOnce) {
  // One-row strips without byte counts: each strip reads its own span, not
  // the rest of the file, uncompressed and compressed alike.
  for (const int32_t compression : {1, 32773}) {
    SCOPED_TRACE(compression);
    TPage p;
    p.Tags = With(PageTags(64, 2000, 8, 1, 1, compression), {Long(278, {1})});
    for (int32_t y = 0; y < 2000; ++y)
      p.Blocks.push_back(compression == 1 ? TBytes(64, uint8_t(y)) : TBytes{uint8_t(256 - 63), uint8_t(y)});
    p.NoCounts = true;
    const TBytes f = TBuilder(false).Build({p});
    IEInstallTIFFLZWHooks();
    TCountingStream stream;
    stream.SetPointer(f.data(), static_cast<int64_t>(f.size()));
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    TIEBitmap b;
    TIOParamsVals params;
    std::unique_ptr<TIEMask> mask;
    int32_t pages = 0;
    IEDecodeTIFF(&b, &stream, pages, &params, progress, false, mask, true, false, false);
    EXPECT_FALSE(abort.load());
    EXPECT_LT(stream.BytesRead, 3 * static_cast<int64_t>(f.size()));
    ASSERT_EQ(b.Height(), 2000);
    EXPECT_EQ(RgbRow(b, 1999), TBytes(64 * 3, uint8_t(1999)));
  }
}

TEST(TiffReader, AnRGBAPageTooLargeIsRefusedBeforeItsMask) {
  TPage p;
  p.Tags = With(PageTags(46340, 46340, 8, 4, 2), {Short(338, {2})});
  p.Blocks = {TBytes(16, 0)};
  const TBytes f = TBuilder(false).Build({p});
  TIEBitmap b;
  TIOParamsVals params;
  std::unique_ptr<TIEMask> mask;
  TIEAllocPeak peak;
  EXPECT_TRUE(ReadTiff(f, b, params, &mask).Aborted);
  EXPECT_LT(peak.Largest(), size_t(16) << 20);
}

}  // namespace
