// The JPEG reader and writer.
#include "imaging/io/codecs/jpeg/iejpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <atomic>
#include <stdexcept>

#include "imaging/io/codecs/jpeg/jpeg_testing.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/testsupport/allocpeak.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/streams.h"

#include <lcms2.h>

using namespace jpegtest;

namespace {

void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  IEDecodeJPEG(Stream, nullptr, Bitmap, Params, Progress, Preview, false, true, false, true);
}

TIECodecConformanceCase Case(const char* Name, const std::function<void(TIOParamsVals&)>& Setup) {
  TIEBitmap picture;
  MakePicture(picture, 24, 20);
  TIECodecConformanceCase c;
  c.Name = Name;
  c.Read = ReadForSuite;
  c.Valid = Encode(picture, Setup).Data;
  c.Width = 24;
  c.Height = 20;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  // A cut inside the entropy data is completed by an inserted EOI and is
  // delivered whole, so rows past the cut are not zero.
  c.CutOutcome = TIECutOutcome::AbortOrPartial;
  c.CheckFull = [picture = std::make_shared<TIEBitmap>()](TIEBitmap& Bitmap, TIOParamsVals& Params) {
    TIEBitmap expected;
    MakePicture(expected, 24, 20);
    EXPECT_EQ(Bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_LE(MaxDifference(Bitmap, expected), 40);
    EXPECT_EQ(Params.JPEGOriginalWidth, 24);
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Jpeg, TIECodecConformance,
                         ::testing::Values(Case("Baseline", nullptr),
                                           Case("Progressive", [](TIOParamsVals& p) { p.JPEGProgressive = true; })),
                         IECodecConformanceName);

}  // namespace

TEST(JpegMessages, FixedTableByCode) {
  EXPECT_EQ(IEJpegMessageText(0), "Bogus message code ?");
  EXPECT_EQ(IEJpegMessageText(1), "Sorry, there are legal restrictions on arithmetic coding");
  EXPECT_EQ(IEJpegMessageText(41), "Maximum supported image dimension is ? pixels");
  EXPECT_EQ(IEJpegMessageText(72), "Write to XMS failed");
  EXPECT_EQ(IEJpegMessageText(73), "");
  EXPECT_EQ(IEJpegMessageText(123), "");
  EXPECT_EQ(IEJpegMessageText(124), "Corrupted");
  EXPECT_EQ(IEJpegMessageText(-1), "Corrupted");
}

// ---- Reading -------------------------------------------------------------------------------

namespace {

// Our own file of Width x Height with its SOF size patched: enough for
// parameters-only reads of large sizes.
Bytes FileOfStoredSize(uint16_t Width, uint16_t Height) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  Bytes file = Encode(picture).Data;
  for (const auto& s : Segments(file))
    if (s.Marker == 0xC0) {
      file[s.Offset + 5] = static_cast<uint8_t>(Height >> 8);
      file[s.Offset + 6] = static_cast<uint8_t>(Height);
      file[s.Offset + 7] = static_cast<uint8_t>(Width >> 8);
      file[s.Offset + 8] = static_cast<uint8_t>(Width);
    }
  return file;
}

}  // namespace

TEST(JpegRead, ScaleSelection) {
  struct Case {
    uint16_t StoredW, StoredH;
    TIEJPEGScale Scale;
    int32_t WantedW, WantedH;
    int32_t Denom, OutW, OutH;
  };
  const Case cases[] = {
      {2400, 1600, TIEJPEGScale::jsAuto, 300, 200, 8, 300, 200},
      {2399, 1600, TIEJPEGScale::jsAuto, 300, 200, 4, 600, 400},  // the library rounds up
      {2400, 1600, TIEJPEGScale::jsAuto, 0, 200, 1, 2400, 1600},
      {2400, 1600, TIEJPEGScale::jsAuto, 300, -5, 1, 2400, 1600},
      {2400, 1600, TIEJPEGScale::jsAuto, 1300, 100, 1, 2400, 1600},
      {2400, 1600, TIEJPEGScale::jsAuto, 1200, 100, 2, 1200, 800},
      {100, 100, TIEJPEGScale::jsFull, 10, 10, 1, 100, 100},
      {100, 100, TIEJPEGScale::jsHalf, 0, 0, 2, 50, 50},
      {100, 100, TIEJPEGScale::jsQuarter, 0, 0, 4, 25, 25},
      {100, 100, TIEJPEGScale::jsEighth, 0, 0, 8, 13, 13},
  };
  for (const auto& c : cases) {
    TIOParamsVals params;
    params.JPEGScale = c.Scale;
    params.Width = c.WantedW;
    params.Height = c.WantedH;
    TIEBitmap bitmap;
    TDecodeOptions o;
    o.ParamsOnly = true;
    ASSERT_FALSE(Decode(FileOfStoredSize(c.StoredW, c.StoredH), bitmap, params, o));
    EXPECT_EQ(params.JPEGScaleUsed, c.Denom) << c.StoredW << " wanted " << c.WantedW;
    EXPECT_EQ(params.Width, c.OutW) << c.StoredW << " wanted " << c.WantedW;
    EXPECT_EQ(params.Height, c.OutH);
    EXPECT_EQ(params.JPEGOriginalWidth, c.StoredW);
    EXPECT_EQ(params.JPEGOriginalHeight, c.StoredH);
    EXPECT_TRUE(bitmap.IsEmpty());  // parameters only
  }

  // A scaled full read delivers the scaled size.
  TIEBitmap picture, bitmap;
  MakePicture(picture, 40, 24);
  TIOParamsVals params;
  params.JPEGScale = TIEJPEGScale::jsQuarter;
  ASSERT_FALSE(Decode(Encode(picture).Data, bitmap, params));
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 6);
  EXPECT_EQ(params.Width, 10);
}

TEST(JpegRead, ResolutionFromJFIF) {
  TIEBitmap picture;
  MakePicture(picture, 8, 8);
  const Bytes file = Encode(picture).Data;
  const auto app0 = Segments(file).at(0);
  ASSERT_EQ(app0.Marker, 0xE0);
  struct Case {
    uint8_t Unit;
    uint16_t X, Y;
    int32_t DpiX, DpiY;
  };
  const Case cases[] = {{2, 118, 118, 299, 299}, {1, 72, 72, 72, 72}, {0, 1, 2, 1, 2}, {2, 1, 3, 2, 7}};
  for (const auto& c : cases) {
    Bytes f = file;
    f[app0.Offset + 11] = c.Unit;
    f[app0.Offset + 12] = static_cast<uint8_t>(c.X >> 8);
    f[app0.Offset + 13] = static_cast<uint8_t>(c.X);
    f[app0.Offset + 14] = static_cast<uint8_t>(c.Y >> 8);
    f[app0.Offset + 15] = static_cast<uint8_t>(c.Y);
    TIOParamsVals params;
    TIEBitmap bitmap;
    ASSERT_FALSE(Decode(f, bitmap, params));
    EXPECT_EQ(params.DpiX, c.DpiX) << int(c.Unit) << " " << c.X;
    EXPECT_EQ(params.DpiY, c.DpiY);
    EXPECT_EQ(params.EXIFXResolution, c.DpiX);  // through the setter
  }
  // Unit 3 is unknown: the resolution stays as it was.
  Bytes f = file;
  f[app0.Offset + 11] = 3;
  TIOParamsVals params;
  params.SetDpi(150);
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(f, bitmap, params));
  EXPECT_EQ(params.DpiX, 150);
  // No JFIF marker: 1 x 1, which the component turns into its default.
  TIOParamsVals none;
  ASSERT_FALSE(Decode(RemoveSegments(file, 0xE0), bitmap, none));
  EXPECT_EQ(none.DpiX, 1);
  EXPECT_EQ(none.DpiY, 1);
}

TEST(JpegRead, ColourSpacesAndNativeFormats) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 16, 200, 40, 90);
  struct Case {
    TIEJPEGColorSpace Written;
    bool Native;
    TIEPixelFormat Format;
    int32_t Samples;
  };
  const Case cases[] = {
      {TIEJPEGColorSpace::jcYCbCr, false, TIEPixelFormat::ie24RGB, 3},
      {TIEJPEGColorSpace::jcYCbCr, true, TIEPixelFormat::ie24RGB, 3},
      {TIEJPEGColorSpace::jcRGB, false, TIEPixelFormat::ie24RGB, 3},
      {TIEJPEGColorSpace::jcGray, false, TIEPixelFormat::ie24RGB, 1},
      {TIEJPEGColorSpace::jcGray, true, TIEPixelFormat::ie8g, 1},
      {TIEJPEGColorSpace::jcCMYK, false, TIEPixelFormat::ie24RGB, 4},
      {TIEJPEGColorSpace::jcCMYK, true, TIEPixelFormat::ieCMYK, 4},
      {TIEJPEGColorSpace::jcYCbCrK, false, TIEPixelFormat::ie24RGB, 4},
  };
  const int32_t gray = (200 * 299 + 40 * 587 + 90 * 114 + 500) / 1000;
  for (const auto& c : cases) {
    const auto encoded = Encode(picture, [&](TIOParamsVals& p) {
      p.JPEGColorSpace = c.Written;
      p.JPEGQuality = 100;
    });
    ASSERT_FALSE(encoded.Aborted);
    TIOParamsVals params;
    params.NativePixelFormat = c.Native;
    TIEBitmap bitmap;
    ASSERT_FALSE(Decode(encoded.Data, bitmap, params)) << int(c.Written);
    EXPECT_EQ(params.JPEGColorSpace, c.Written);
    EXPECT_EQ(params.SamplesPerPixel, c.Samples);
    EXPECT_EQ(params.BitsPerSample, 8);
    ASSERT_EQ(bitmap.PixelFormat(), c.Format) << int(c.Written);
    const auto* p = static_cast<const uint8_t*>(bitmap.ScanLine(8)) + 8 * IEBitsPerPixel(c.Format) / 8;
    switch (c.Format) {
      case TIEPixelFormat::ie8g: EXPECT_NEAR(p[0], gray, 2); break;
      case TIEPixelFormat::ieCMYK: {
        const TRGB back = IECMYKToRGB(TCMYK{p[0], p[1], p[2], p[3]});
        EXPECT_NEAR(back.r, 200, 3);
        EXPECT_NEAR(back.g, 40, 3);
        EXPECT_NEAR(back.b, 90, 3);
        break;
      }
      default:
        if (c.Written == TIEJPEGColorSpace::jcGray) {
          EXPECT_NEAR(p[0], gray, 2);
          EXPECT_EQ(p[0], p[2]);
        } else {
          EXPECT_NEAR(p[2], 200, 3);  // red
          EXPECT_NEAR(p[1], 40, 3);
          EXPECT_NEAR(p[0], 90, 3);  // blue
        }
        break;
    }
  }
}

TEST(JpegRead, RGBCodedStreamKeepsItsColoursAndFileOrder) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 8, 250, 10, 5);
  const Bytes file = Encode(picture, [](TIOParamsVals& p) {
                       p.JPEGColorSpace = TIEJPEGColorSpace::jcRGB;
                       p.JPEGQuality = 100;
                     }).Data;
  // An Adobe marker with transform 0 and no JFIF marker.
  const auto segs = Segments(file);
  bool adobe = false;
  for (const auto& s : segs) {
    EXPECT_NE(s.Marker, 0xE0);
    if (s.Marker == 0xEE) adobe = PayloadOf(file, s).at(11) == 0;
  }
  EXPECT_TRUE(adobe);
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(file, bitmap, params));
  const auto* p = static_cast<const uint8_t*>(bitmap.ScanLine(3));
  EXPECT_NEAR(p[2], 250, 2);
  EXPECT_NEAR(p[1], 10, 2);
  EXPECT_NEAR(p[0], 5, 2);
  // KeepYCbCr delivers the stored samples: R, G, B in file order.
  TIOParamsVals raw;
  TDecodeOptions o;
  o.KeepYCbCr = true;
  ASSERT_FALSE(Decode(file, bitmap, raw, o));
  p = static_cast<const uint8_t*>(bitmap.ScanLine(3));
  EXPECT_NEAR(p[0], 250, 2);
  EXPECT_NEAR(p[2], 5, 2);
}

TEST(JpegRead, KeepYCbCrDeliversStoredSamples) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 16, 255, 0, 0);
  const Bytes file = Encode(picture, [](TIOParamsVals& p) { p.JPEGQuality = 100; }).Data;
  TIOParamsVals params;
  TIEBitmap bitmap;
  TDecodeOptions o;
  o.KeepYCbCr = true;
  ASSERT_FALSE(Decode(file, bitmap, params, o));
  const auto* p = static_cast<const uint8_t*>(bitmap.ScanLine(5)) + 15;
  EXPECT_NEAR(p[0], 76, 2);   // Y of red
  EXPECT_NEAR(p[1], 85, 2);   // Cb
  EXPECT_NEAR(p[2], 255, 2);  // Cr
}

TEST(JpegRead, InvertCMYKForStripsWithPlainInk) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 16, 255, 255, 255);
  const Bytes file = Encode(picture, [](TIOParamsVals& p) {
                       p.JPEGColorSpace = TIEJPEGColorSpace::jcCMYK;
                       p.JPEGQuality = 100;
                     }).Data;
  TIOParamsVals params;
  TIEBitmap bitmap;
  TDecodeOptions o;
  o.InvertCMYK = true;  // the stored white (no ink, inverted: 255) reads as full ink
  ASSERT_FALSE(Decode(file, bitmap, params, o));
  const auto* p = static_cast<const uint8_t*>(bitmap.ScanLine(2));
  EXPECT_LE(p[0], 2);
  EXPECT_LE(p[2], 2);
}

TEST(JpegRead, TwoComponentStreamFailsWithoutPixels) {
  // A stream libjpeg reports as JCS_UNKNOWN.
  TMemoryStream stream;
  {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 2;
    info.in_color_space = JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_UNKNOWN);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(16, 128);
    JSAMPROW r = row.data();
    for (int y = 0; y < 8; ++y) jpeg_write_scanlines(&info, &r, 1);
    jpeg_finish_compress(&info);
    stream.WriteBuffer(out, static_cast<int64_t>(size));
    jpeg_destroy_compress(&info);
    free(out);
  }
  const Bytes file = StreamBytes(stream);
  for (bool paramsOnly : {false, true}) {
    TIOParamsVals params;
    TIEBitmap bitmap;
    TDecodeOptions o;
    o.ParamsOnly = paramsOnly;
    EXPECT_TRUE(Decode(file, bitmap, params, o));
    EXPECT_TRUE(bitmap.IsEmpty());
  }
}

TEST(JpegRead, CorruptSOFSetsTheFlagAndKeepsMarkers) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  Bytes file = InsertAt(Encode(picture).Data, 2, Segment(0xFE, Text("kept")));
  for (const auto& s : Segments(file))
    if (s.Marker == 0xC0) file[s.Offset + 4] = 9;  // data precision 9
  TIOParamsVals params;
  TIEBitmap bitmap;
  bool threw = false, aborted = false;
  try {
    aborted = Decode(file, bitmap, params);
  } catch (...) {
    threw = true;
  }
  EXPECT_FALSE(threw);
  EXPECT_TRUE(aborted);
  ASSERT_EQ(params.JPEGMarkers.Count(), 1);
  EXPECT_EQ(params.JPEGMarkers.MarkerType(0), 0xFE);
}

TEST(JpegRead, BadInputSetsTheFlag) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const Bytes file = Encode(picture).Data;
  const Bytes cases[] = {
      Bytes{},
      Text("not a jpeg at all"),
      Join({Bytes(100, 0), file}),             // starts at offset 100
      Bytes(file.begin(), file.begin() + 20),  // header cut
      Bytes{0xFF, 0xD8, 0xFF, 0xD9},           // no image
  };
  for (const auto& data : cases) {
    TIOParamsVals params;
    TIEBitmap bitmap;
    EXPECT_TRUE(Decode(data, bitmap, params)) << data.size();
  }
  // Offset 99 is still found.
  TIOParamsVals params;
  TIEBitmap bitmap;
  EXPECT_FALSE(Decode(Join({Bytes(99, 0), file}), bitmap, params));
  EXPECT_EQ(bitmap.Width(), 16);
}

TEST(JpegRead, CutInsideEntropyDataDecodesWithoutTheFlag) {
  TIEBitmap picture;
  MakePicture(picture, 64, 64);
  uint32_t seed = 12345;  // noise, so that every row takes its share of the data
  for (int32_t y = 0; y < 64; ++y) {
    auto* row = static_cast<uint8_t*>(picture.ScanLine(y));
    for (int32_t i = 0; i < 64 * 3; ++i) {
      seed = seed * 1103515245u + 12345u;
      row[i] = static_cast<uint8_t>(seed >> 24);
    }
  }
  const Bytes file = Encode(picture, [](TIOParamsVals& p) { p.JPEGOptimalHuffman = false; }).Data;
  TIOParamsVals params;
  TIEBitmap full, cut;
  ASSERT_FALSE(Decode(file, full, params));
  TIOParamsVals cutParams;
  ASSERT_FALSE(Decode(Bytes(file.begin(), file.end() - static_cast<ptrdiff_t>(file.size() / 3)), cut, cutParams));
  ASSERT_EQ(cut.Height(), 64);
  // The top rows are those of the whole file.
  for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(std::memcmp(full.ScanLine(y), cut.ScanLine(y), 64 * 3), 0) << y;
  // libjpeg counts its own warning about the missing data.
  EXPECT_GT(cutParams.JPEGWarnings.Count, 0);
}

TEST(JpegRead, AFewBytesDeclaringAHugePictureAreRefusedBeforeDecoding) {
  // A 16 x 16 file whose frame says 26000 x 26000: under 1/64 of a bit for
  // each 8 x 8 block, refused before the decoder allocates anything large.
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  Bytes file = Encode(picture).Data;
  for (const auto& s : Segments(file))
    if (s.Marker == 0xC0) {
      file[s.Offset + 5] = 26000 >> 8, file[s.Offset + 6] = 26000 & 0xFF;  // height
      file[s.Offset + 7] = 26000 >> 8, file[s.Offset + 8] = 26000 & 0xFF;  // width
    }
  TIOParamsVals params;
  TIEBitmap bitmap;
  TIEAllocPeak peak;
  EXPECT_TRUE(Decode(file, bitmap, params));
  EXPECT_LT(peak.Largest(), size_t(16) << 20);
}

TEST(JpegRead, NumberOfScansIsBounded) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const Bytes file = Encode(picture, [](TIOParamsVals& p) { p.JPEGProgressive = true; }).Data;
  // The last scan (header and data) repeated before EOI: libjpeg warns about
  // the repeated refinement and decodes it again.
  size_t last = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) last = i;
  ASSERT_GT(last, 0u);
  const Bytes scan(file.begin() + static_cast<ptrdiff_t>(last), file.end() - 2);
  for (const auto& [repeats, aborted] : {std::pair{50, false}, std::pair{1000, true}}) {
    Bytes many(file.begin(), file.end() - 2);
    for (int i = 0; i < repeats; ++i) many.insert(many.end(), scan.begin(), scan.end());
    many.insert(many.end(), {0xFF, 0xD9});
    TIOParamsVals params;
    TIEBitmap bitmap;
    EXPECT_EQ(Decode(many, bitmap, params), aborted) << repeats;
  }
}

// libjpeg's own decode of Data (its default memory manager), rows as BGR.
Bytes LibraryDecode(const Bytes& Data, int32_t& Width, int32_t& Height) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, Data.data(), static_cast<unsigned long>(Data.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  info.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&info);
  Width = static_cast<int32_t>(info.output_width);
  Height = static_cast<int32_t>(info.output_height);
  Bytes pixels(static_cast<size_t>(Width) * 3 * static_cast<size_t>(Height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + static_cast<size_t>(info.output_scanline) * static_cast<size_t>(Width) * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return pixels;
}

// Progressive files keep their coefficients outside libjpeg and give the
// rows back as the output passes them. Big enough that whole huge pages go
// back while the block smoothing still reads the rows above, the pixels
// must be libjpeg's own to the byte, also for a file cut short.
TEST(JpegRead, ProgressiveCoefficientsGivenBackKeepThePixels) {
  TIEBitmap picture;
  MakePicture(picture, 2000, 1400);
  for (int32_t y = 0; y < 1400; ++y) {  // texture, so that every scan carries data
    auto* row = static_cast<uint8_t*>(picture.ScanLine(y));
    for (int32_t x = 0; x < 2000 * 3; ++x) row[x] = static_cast<uint8_t>(row[x] ^ ((x * 7 + y * 13) & 31));
  }
  struct TCase {
    int32_t SubSampling;
    bool Cut;
  };
  for (const TCase c : {TCase{0, false}, TCase{2, false}, TCase{0, true}}) {
    SCOPED_TRACE(::testing::Message() << "subsampling " << c.SubSampling << (c.Cut ? ", cut" : ""));
    Bytes file = Encode(picture, [&](TIOParamsVals& p) {
                   p.JPEGProgressive = true;
                   p.JPEGSubSampling = c.SubSampling;
                 }).Data;
    if (c.Cut) file.resize(file.size() * 3 / 5);
    int32_t width = 0, height = 0;
    const Bytes expected = LibraryDecode(file, width, height);
    TIOParamsVals params;
    TIEBitmap bitmap;
    ASSERT_FALSE(Decode(file, bitmap, params));
    ASSERT_EQ(bitmap.Width(), width);
    ASSERT_EQ(bitmap.Height(), height);
    for (int32_t y = 0; y < height; ++y) {
      const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
      ASSERT_TRUE(std::equal(row, row + width * 3, expected.begin() + static_cast<ptrdiff_t>(y) * width * 3))
          << "row " << y;
    }
  }
}

TEST(JpegRead, TablesFromASeparateStream) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const Bytes file = Encode(picture).Data;
  // Split into a table-only stream and an abbreviated image.
  Bytes tables{0xFF, 0xD8};
  for (const auto& s : Segments(file))
    if (s.Marker == 0xDB || s.Marker == 0xC4)
      tables.insert(tables.end(), file.begin() + static_cast<ptrdiff_t>(s.Offset),
                    file.begin() + static_cast<ptrdiff_t>(s.Offset + s.Length));
  tables.insert(tables.end(), {0xFF, 0xD9});
  const Bytes image = RemoveSegments(RemoveSegments(file, 0xDB), 0xC4);
  TIOParamsVals p1, p2, p3;
  TIEBitmap whole, split, without;
  ASSERT_FALSE(Decode(file, whole, p1));
  TDecodeOptions o;
  o.Tables = &tables;
  ASSERT_FALSE(Decode(image, split, p2, o));
  EXPECT_EQ(MaxDifference(whole, split), 0);
  EXPECT_TRUE(Decode(image, without, p3));  // no tables: "Huffman table was not defined"
}

TEST(JpegRead, ProgressAndCancel) {
  TIEBitmap picture;
  MakePicture(picture, 16, 40);
  const Bytes file = Encode(picture).Data;
  TCustomMemoryStream stream;
  stream.SetPointer(file.data(), static_cast<int64_t>(file.size()));
  std::atomic<bool> abort{false};
  std::vector<int32_t> seen;
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  progress.Event = [&](TObject*, int32_t Per) {
    seen.push_back(Per);
    if (seen.size() == 3) abort = true;
  };
  TIOParamsVals params;
  TIEBitmap bitmap;
  IEDecodeJPEG(&stream, nullptr, &bitmap, params, progress, false, false, true, false, true);
  EXPECT_TRUE(abort);
  EXPECT_EQ(seen.size(), 3u);
  for (int32_t v : seen) EXPECT_TRUE(v >= 0 && v <= 100);
}

TEST(JpegRead, MarkersKeptInFileOrderWithoutTheFirstAPP0) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const Bytes file = Encode(picture).Data;
  const size_t afterJFIF = 2 + Segments(file).at(0).Length;
  const Bytes extra =
      Join({Segment(0xE1, Text("app1")), Segment(0xE0, Text("second APP0")), Segment(0xFE, Text("comment")),
            Segment(0xED, Text("app13")), Segment(0xE1, Text("second app1"))});
  const Bytes withMarkers = InsertAt(file, afterJFIF, extra);
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(withMarkers, bitmap, params));
  const uint8_t types[] = {0xE1, 0xE0, 0xFE, 0xED, 0xE1};
  ASSERT_EQ(params.JPEGMarkers.Count(), 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(params.JPEGMarkers.MarkerType(i), types[i]);
  EXPECT_EQ(Bytes(params.JPEGMarkers.MarkerData(2), params.JPEGMarkers.MarkerData(2) + 7), Text("comment"));

  TIOParamsVals skip;
  skip.JPEGSkipMarkers = true;
  ASSERT_FALSE(Decode(withMarkers, bitmap, skip));
  EXPECT_EQ(skip.JPEGMarkers.Count(), 0);
}

TEST(JpegRead, ThumbnailOnlyWithoutThumbnailDecodesTheImage) {
  // The stream holds a small JPEG before the one the read starts at: the
  // thumbnail pass must send the stream back to where the read started.
  TIEBitmap small, big;
  MakePicture(small, 8, 8);
  MakePicture(big, 40, 24);
  const Bytes first = Encode(small).Data, second = Encode(big).Data;
  const Bytes both = Join({first, second});
  TIOParamsVals params;
  params.SetThumbnailOnly(true);
  TIEBitmap bitmap;
  TDecodeOptions o;
  o.Position = static_cast<int64_t>(first.size());
  ASSERT_FALSE(Decode(both, bitmap, params, o));
  EXPECT_EQ(bitmap.Width(), 40);
  EXPECT_EQ(bitmap.Height(), 24);
  EXPECT_TRUE(params.JPEGThumbnailOnly);
}

// ---- EXIF (through the EXIF block parser) ---------------------------------------------------

namespace {

// A little-endian EXIF block: "Exif\0\0", a TIFF header and IFD0 with the
// resolution, its unit and the orientation.
Bytes ExifBlock(uint32_t XRes, uint32_t YRes, uint16_t Unit, uint16_t Orientation) {
  Bytes b = Text(std::string("Exif\0\0", 6));
  auto u16 = [&b](uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  b.insert(b.end(), {'I', 'I', 42, 0});
  u32(8);
  u16(4);  // entries
  const uint32_t values = 8 + 2 + 4 * 12 + 4;
  u16(274), u16(3), u32(1), u16(Orientation), u16(0);
  u16(282), u16(5), u32(1), u32(values);
  u16(283), u16(5), u32(1), u32(values + 8);
  u16(296), u16(3), u32(1), u16(Unit), u16(0);
  u32(0);  // no next IFD
  u32(XRes), u32(1), u32(YRes), u32(1);
  return b;
}

Bytes WithExif(const Bytes& File, const Bytes& Block, uint16_t JFIFDensity) {
  Bytes f = File;
  const auto app0 = Segments(f).at(0);
  f[app0.Offset + 11] = 1;
  f[app0.Offset + 12] = static_cast<uint8_t>(JFIFDensity >> 8);
  f[app0.Offset + 13] = static_cast<uint8_t>(JFIFDensity);
  f[app0.Offset + 14] = static_cast<uint8_t>(JFIFDensity >> 8);
  f[app0.Offset + 15] = static_cast<uint8_t>(JFIFDensity);
  return InsertAt(f, 2 + app0.Length, Segment(0xE1, Block));
}

// The start-up of the I/O layer installs the EXIF block parser.
#define REQUIRE_EXIF_PARSER()                    \
  do {                                           \
    IEInitImageIO();                             \
    ASSERT_NE(IELoadEXIFFromBlockHook, nullptr); \
  } while (0)

}  // namespace

TEST(JpegReadExif, ResolutionFromExifOnlyWithoutJFIFResolution) {
  REQUIRE_EXIF_PARSER();
  TIEBitmap picture;
  MakePicture(picture, 16, 8);
  const Bytes file = Encode(picture).Data;
  struct Case {
    uint16_t JFIF;
    uint16_t Unit;
    int32_t Dpi;
  };
  for (const Case c : {Case{1, 3, 457}, Case{1, 2, 180}, Case{300, 3, 300}}) {
    TIOParamsVals params;
    TIEBitmap bitmap;
    ASSERT_FALSE(Decode(WithExif(file, ExifBlock(180, 180, c.Unit, 1), c.JFIF), bitmap, params));
    EXPECT_TRUE(params.HasEXIFData);
    EXPECT_EQ(params.DpiX, c.Dpi) << c.JFIF << " unit " << c.Unit;
    EXPECT_EQ(params.DpiY, c.Dpi);
  }
}

TEST(JpegReadExif, OnlyTheFirstAPP1IsExamined) {
  REQUIRE_EXIF_PARSER();
  TIEBitmap picture;
  MakePicture(picture, 16, 8);
  const Bytes file = WithExif(Encode(picture).Data, ExifBlock(180, 180, 2, 6), 1);
  const Bytes notExif = InsertAt(file, 2 + Segments(file).at(0).Length, Segment(0xE1, Text("http://ns.example/")));
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(notExif, bitmap, params));
  EXPECT_FALSE(params.HasEXIFData);
  EXPECT_EQ(params.DpiX, 1);
}

TEST(JpegReadExif, AdjustOrientationTurnsThePicture) {
  REQUIRE_EXIF_PARSER();
  TIEBitmap picture;
  MakePicture(picture, 16, 8);
  const Bytes file = WithExif(Encode(picture).Data, ExifBlock(72, 72, 2, 6), 72);
  TIOParamsVals params;
  params.JPEGAdjustOrientation = true;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(file, bitmap, params));
  EXPECT_EQ(params.EXIFOrientation, 6);
  EXPECT_EQ(bitmap.Width(), 8);
  EXPECT_EQ(bitmap.Height(), 16);
  EXPECT_EQ(params.Width, 16);  // not swapped
}

TEST(JpegReadExif, ThumbnailOnlyLoadsTheExifThumbnail) {
  REQUIRE_EXIF_PARSER();
  // IFD0 -> IFD1 with a JPEG thumbnail of 8 x 8.
  TIEBitmap small, big;
  MakePicture(small, 8, 8);
  MakePicture(big, 48, 32);
  const Bytes thumb = Encode(small).Data;
  Bytes b = Text(std::string("Exif\0\0", 6));
  auto u16 = [&b](uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  b.insert(b.end(), {'I', 'I', 42, 0});
  u32(8);
  u16(1), u16(274), u16(3), u32(1), u16(1), u16(0);  // IFD0: orientation
  const uint32_t ifd1 = 8 + 2 + 12 + 4;
  u32(ifd1);
  u16(3);
  const uint32_t data = ifd1 + 2 + 3 * 12 + 4;
  u16(259), u16(3), u32(1), u16(6), u16(0);
  u16(513), u16(4), u32(1), u32(data);
  u16(514), u16(4), u32(1), u32(static_cast<uint32_t>(thumb.size()));
  u32(0);
  b.insert(b.end(), thumb.begin(), thumb.end());
  const Bytes file = InsertAt(Encode(big).Data, 2, Segment(0xE1, b));
  TIOParamsVals params;
  params.SetThumbnailOnly(true);
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(file, bitmap, params));
  EXPECT_EQ(bitmap.Width(), 8);
  EXPECT_EQ(params.Width, 48);  // the record keeps the main image's size
}

// ---- Writing -------------------------------------------------------------------------------

TEST(JpegWrite, MarkerRoundTrip) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const Bytes plain = Encode(picture).Data;
  const size_t afterJFIF = 2 + Segments(plain).at(0).Length;
  const Bytes app1 = Text(std::string("Exif\0\0", 6) + "not really tags"), app2 = Text("ICC-ish bytes \xff\xd9");
  const Bytes adobe = Text(std::string("Adobe\0d\0\0\0\0\x01", 12));
  const Bytes source =
      InsertAt(plain, afterJFIF, Join({Segment(0xE1, app1), Segment(0xE2, app2), Segment(0xEE, adobe)}));
  TIOParamsVals read;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(source, bitmap, read));
  ASSERT_EQ(read.JPEGMarkers.Count(), 3);

  struct Case {
    TIEJPEGColorSpace Target;
    std::vector<uint8_t> Expected;  // markers before the tables
  };
  const Case cases[] = {
      {TIEJPEGColorSpace::jcYCbCr, {0xE0, 0xE1, 0xE2}},
      {TIEJPEGColorSpace::jcGray, {0xE0, 0xE1, 0xE2}},
      {TIEJPEGColorSpace::jcRGB, {0xEE, 0xE1, 0xE2}},
      {TIEJPEGColorSpace::jcCMYK, {0xE0, 0xEE, 0xE1, 0xE2}},
  };
  for (const auto& c : cases) {
    const Bytes written = Encode(bitmap, [&](TIOParamsVals& p) {
                            p.JPEGMarkers.Assign(&read.JPEGMarkers);
                            p.JPEGColorSpace = c.Target;
                          }).Data;
    std::vector<uint8_t> order;
    Bytes gotApp1, gotApp2, gotAdobe;
    for (const auto& s : Segments(written)) {
      if (s.Marker < 0xE0 || s.Marker > 0xEF) continue;
      order.push_back(s.Marker);
      if (s.Marker == 0xE1) gotApp1 = PayloadOf(written, s);
      if (s.Marker == 0xE2) gotApp2 = PayloadOf(written, s);
      if (s.Marker == 0xEE) gotAdobe = PayloadOf(written, s);
    }
    EXPECT_EQ(order, c.Expected) << int(c.Target);
    EXPECT_EQ(gotApp1, app1);
    EXPECT_EQ(gotApp2, app2);
    if (!gotAdobe.empty()) {
      EXPECT_NE(gotAdobe, adobe);  // libjpeg's own, not the old one
    }
  }
}

TEST(JpegWrite, SubsamplingOfTheLuminance) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const std::pair<uint8_t, uint8_t> cases[] = {{0, 0x11}, {1, 0x21}, {2, 0x22}, {3, 0x22}, {200, 0x22}};
  for (const auto& [value, factors] : cases) {
    const Bytes file = Encode(picture, [v = value](TIOParamsVals& p) { p.JPEGSubSampling = v; }).Data;
    bool seen = false;
    for (const auto& s : Segments(file))
      if (s.Marker == 0xC0) {
        seen = true;
        EXPECT_EQ(file[s.Offset + 11], factors) << int(value);  // component 1
        EXPECT_EQ(file[s.Offset + 14], 0x11);
        EXPECT_EQ(file[s.Offset + 17], 0x11);
      }
    EXPECT_TRUE(seen);
  }
}

TEST(JpegWrite, OptionsReachTheFile) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  // Progressive, resolution (0 = the default), optimised tables off.
  const Bytes file = Encode(picture, [](TIOParamsVals& p) {
                       p.JPEGProgressive = true;
                       p.SetDpiX(0);
                       p.SetDpiY(96);
                     }).Data;
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(file, bitmap, params));
  EXPECT_TRUE(params.JPEGProgressive);
  EXPECT_EQ(params.DpiX, IEDefaultDpiX);
  EXPECT_EQ(params.DpiY, 96);
  EXPECT_LE(MaxDifference(bitmap, picture), 40);
}

TEST(JpegWrite, AlphaIsFlattenedOntoWhiteAndTheBitmapKept) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 16, 0, 0, 0);
  TIEBitmap* alpha = picture.AlphaChannel();
  for (int32_t y = 0; y < 16; ++y) std::memset(alpha->ScanLine(y), y < 8 ? 0 : 255, 16);
  alpha->SetFull(false);
  TIEBitmap before;
  before.Assign(&picture);
  const auto encoded = Encode(picture, [](TIOParamsVals& p) { p.JPEGQuality = 100; });
  ASSERT_FALSE(encoded.Aborted);
  // The caller's bitmap and its alpha channel are as they were.
  EXPECT_EQ(MaxDifference(picture, before), 0);
  ASSERT_TRUE(picture.HasAlphaChannel());
  EXPECT_EQ(MaxDifference(*picture.AlphaChannel(), *before.AlphaChannel()), 0);
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(encoded.Data, bitmap, params));
  EXPECT_GE(static_cast<const uint8_t*>(bitmap.ScanLine(1))[5], 250);  // transparent: white
  EXPECT_LE(static_cast<const uint8_t*>(bitmap.ScanLine(14))[5], 5);   // opaque: black
}

TEST(JpegWrite, OneBitBitmap) {
  TIEBitmap bits;
  bits.Allocate(16, 8, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 8; ++y) static_cast<uint8_t*>(bits.ScanLine(y))[0] = 0xFF;  // left 8 white
  const auto encoded = Encode(bits, [](TIOParamsVals& p) { p.JPEGQuality = 100; });
  ASSERT_FALSE(encoded.Aborted);
  EXPECT_EQ(bits.PixelFormat(), TIEPixelFormat::ie1g);
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(encoded.Data, bitmap, params));
  const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(4));
  EXPECT_GE(row[0], 240);
  EXPECT_LE(row[15 * 3], 15);
}

TEST(JpegWrite, EmptyOrUnsupportedBitmapWritesNothing) {
  TIEBitmap empty, gray;
  gray.Allocate(8, 8, TIEPixelFormat::ie8g);
  for (TIEBitmap* b : {&empty, &gray}) {
    const auto encoded = Encode(*b);
    EXPECT_TRUE(encoded.Aborted);
    EXPECT_TRUE(encoded.Data.empty());
  }
}

namespace {

// A stream whose writes fail after Limit bytes.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t Limit, bool Throw) : FLimit(Limit), FThrow(Throw) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    if (Size() + Count > FLimit) {
      if (FThrow) throw EWriteError("Stream write error");
      return 0;
    }
    return TMemoryStream::Write(Buffer, Count);
  }

 private:
  int64_t FLimit;
  bool FThrow;
};

}  // namespace

TEST(JpegWrite, ShortWriteSetsTheFlag) {
  TIEBitmap picture;
  MakePicture(picture, 300, 300);
  for (bool throws : {false, true}) {
    TShortStream stream(1000, throws);
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    TIOParamsVals params;
    params.JPEGQuality = 100;
    params.JPEGOptimalHuffman = false;
    EXPECT_NO_THROW(IEEncodeJPEG(&stream, &picture, params, progress));
    EXPECT_TRUE(abort);
  }
}

TEST(JpegWrite, LibraryFailureRaisesWithTheTableText) {
  // Wider than libjpeg's limit of 65500: error_exit from the frame setup.
  TIEBitmap wide;
  wide.Allocate(70000, 1, TIEPixelFormat::ie24RGB);
  TMemoryStream stream;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TIOParamsVals params;
  try {
    IEEncodeJPEG(&stream, &wide, params, progress);
    ADD_FAILURE() << "no exception";
  } catch (const EIEJpegException& e) {
    EXPECT_STREQ(e.what(), "Maximum supported image dimension is ? pixels");
  }
  EXPECT_TRUE(abort);
  // A marker longer than a segment holds.
  TIEBitmap picture;
  MakePicture(picture, 8, 8);
  params.JPEGMarkers.AddMarker(0xE1, std::vector<uint8_t>(70000).data(), 70000);
  abort = false;
  EXPECT_THROW(IEEncodeJPEG(&stream, &picture, params, progress), EIEJpegException);
}

namespace {

// The bytes of an sRGB profile made by the colour-management library.
Bytes SRGBProfileBytes() {
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

Bytes ICCSegment(int32_t Seq, int32_t Count, const Bytes& Payload) {
  Bytes data = Text(std::string("ICC_PROFILE") + '\0');
  data.push_back(static_cast<uint8_t>(Seq));
  data.push_back(static_cast<uint8_t>(Count));
  data.insert(data.end(), Payload.begin(), Payload.end());
  return Segment(0xE2, data);
}

}  // namespace

TEST(JpegRead, ColourManagementUsesTheFileProfile) {
  TIEBitmap picture;
  MakeFlat(picture, 16, 16, 200, 100, 50);
  const Bytes plain = Encode(picture, [](TIOParamsVals& p) { p.JPEGQuality = 100; }).Data;
  const Bytes icc = SRGBProfileBytes();
  ASSERT_GT(icc.size(), 100u);
  const size_t half = icc.size() / 2;
  // The profile in two chunks, stored in reverse order, and a comment.
  const Bytes markers =
      Join({ICCSegment(2, 2, Bytes(icc.begin() + static_cast<ptrdiff_t>(half), icc.end())), Segment(0xFE, Text("c")),
            ICCSegment(1, 2, Bytes(icc.begin(), icc.begin() + static_cast<ptrdiff_t>(half)))});
  const Bytes file = InsertAt(plain, 2 + Segments(plain).at(0).Length, markers);

  TIOParamsVals off;
  TIEBitmap plainRead;
  ASSERT_FALSE(Decode(file, plainRead, off));
  EXPECT_EQ(off.JPEGMarkers.Count(), 3);  // switch off: nothing read, markers kept
  EXPECT_EQ(off.InputICC, nullptr);

  const bool saved = IEColorManagement;
  IEColorManagement = true;
  TIOParamsVals params;
  TIEBitmap bitmap;
  const bool aborted = Decode(file, bitmap, params);
  IEColorManagement = saved;
  ASSERT_FALSE(aborted);
  ASSERT_NE(params.InputICC, nullptr);
  EXPECT_TRUE(params.InputICC->IsValid());
  EXPECT_EQ(params.InputICC->RawSize(), static_cast<int32_t>(icc.size()));
  ASSERT_EQ(params.JPEGMarkers.Count(), 1);  // the applied profile's APP2 markers are dropped
  EXPECT_EQ(params.JPEGMarkers.MarkerType(0), 0xFE);
  // sRGB to sRGB: the colours stay.
  EXPECT_LE(MaxDifference(bitmap, plainRead), 2);
}
