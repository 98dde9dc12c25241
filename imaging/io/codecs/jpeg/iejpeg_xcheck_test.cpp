// Cross-checks of the JPEG codec against the Debian JPEG tools, exiftool and
// ImageMagick. Fixtures are made at test time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg/jpeg_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

using namespace jpegtest;

namespace {

// An odd-sized picture with detail, so that scaling and rounding show.
TPamImage SourcePicture(int32_t Width = 45, int32_t Height = 37) {
  TPamImage image = MakePam("RGB", Width, Height);
  uint32_t seed = 99;
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x) {
      seed = seed * 1103515245u + 12345u;
      image.At(x, y, 0) = static_cast<uint16_t>((x * 255 / (Width - 1) + (seed >> 28)) & 255);
      image.At(x, y, 1) = static_cast<uint16_t>(y * 255 / (Height - 1));
      image.At(x, y, 2) = static_cast<uint16_t>((x * y) & 255);
    }
  return image;
}

// cjpeg with Options on the picture; empty when the run fails.
Bytes Cjpeg(const TIETempDir& Dir, const std::vector<std::string>& Options, const TPamImage& Image = SourcePicture()) {
  const std::string in = Dir.File("in.ppm"), out = Dir.File("out.jpg");
  if (!IEWriteBytesFile(in, FormatPnmOf(Image))) return {};
  std::vector<std::string> argv{"cjpeg"};
  argv.insert(argv.end(), Options.begin(), Options.end());
  argv.insert(argv.end(), {"-outfile", out, in});
  if (IERunTool(argv).ExitStatus != 0) return {};
  Bytes data;
  IEReadBytesFile(out, data);
  return data;
}

// A tool's standard output for a file holding Data.
TIEToolRun RunOn(const TIETempDir& Dir, const Bytes& Data, std::vector<std::string> Argv, const char* Name = "x.jpg") {
  const std::string path = Dir.File(Name);
  IEWriteBytesFile(path, Data);
  Argv.push_back(path);
  return IERunTool(Argv);
}

std::string AsText(const std::vector<uint8_t>& Output) { return std::string(Output.begin(), Output.end()); }

}  // namespace

TEST(JpegXcheck, DecodesEqualDjpeg) {
  IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");
  IE_REQUIRE_TOOL("djpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  const std::vector<std::vector<std::string>> fixtures = {
      {"-quality", "75"}, {"-grayscale"},
      {"-rgb"},           {"-sample", "2x1"},
      {"-progressive"},   {"-optimize"},
      {"-smooth", "20"},  {"-restart", "1"},
      {"-arithmetic"},    {"-quality", "30", "-sample", "1x1"},
  };
  const std::pair<const char*, TIEJPEGDCTMethod> methods[] = {{"int", TIEJPEGDCTMethod::jdIntSlow},
                                                              {"fast", TIEJPEGDCTMethod::jdIntFast},
                                                              {"float", TIEJPEGDCTMethod::jdFloat}};
  const std::pair<const char*, TIEJPEGScale> scales[] = {{"1/1", TIEJPEGScale::jsFull},
                                                         {"1/2", TIEJPEGScale::jsHalf},
                                                         {"1/4", TIEJPEGScale::jsQuarter},
                                                         {"1/8", TIEJPEGScale::jsEighth}};
  for (const auto& options : fixtures) {
    const Bytes file = Cjpeg(dir, options);
    ASSERT_FALSE(file.empty()) << options[0];
    const bool gray = options[0] == "-grayscale";
    for (const auto& [dctName, dct] : methods)
      for (const auto& [scaleName, scale] : scales) {
        const auto run = RunOn(dir, file, {"djpeg", "-ppm", "-dct", dctName, "-scale", scaleName});
        ASSERT_EQ(run.ExitStatus, 0);
        TPamImage expected;
        ASSERT_TRUE(ParsePam(run.Output, expected));
        TIOParamsVals params;
        params.JPEGDCTMethod = dct;
        params.JPEGScale = scale;
        params.NativePixelFormat = gray;  // djpeg gives PGM for gray files
        TIEBitmap bitmap;
        ASSERT_FALSE(Decode(file, bitmap, params));
        EXPECT_EQ(PamMaxDifference(bitmap, expected), 0) << options[0] << " dct " << dctName << " scale " << scaleName;
      }
  }
}

TEST(JpegXcheck, AdobeCMYKMatchesImageMagick) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  const std::string in = dir.File("in.ppm"), out = dir.File("cmyk.jpg");
  ASSERT_TRUE(IEWriteBytesFile(in, FormatPnmOf(SourcePicture())));
  ASSERT_EQ(IERunTool({"convert", in, "-quality", "95", "-colorspace", "CMYK", out}).ExitStatus, 0);
  const auto rgb = IERunTool({"convert", out, "-colorspace", "sRGB", "ppm:-"});
  ASSERT_EQ(rgb.ExitStatus, 0);
  TPamImage expected;
  ASSERT_TRUE(ParsePam(rgb.Output, expected));
  Bytes file;
  ASSERT_TRUE(IEReadBytesFile(out, file));
  TIOParamsVals params;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(file, bitmap, params));
  // ImageMagick stores its CMYK as YCCK (Adobe transform 2).
  EXPECT_TRUE(params.JPEGColorSpace == TIEJPEGColorSpace::jcCMYK ||
              params.JPEGColorSpace == TIEJPEGColorSpace::jcYCbCrK);
  EXPECT_EQ(params.SamplesPerPixel, 4);
  int32_t diff = PamMaxDifference(bitmap, expected);
  EXPECT_GE(diff, 0);
  EXPECT_LE(diff, 1);

  // Our own CMYK and YCCK files read the same in ImageMagick as in our reader.
  for (auto space : {TIEJPEGColorSpace::jcCMYK, TIEJPEGColorSpace::jcYCbCrK}) {
    const Bytes ours = Encode(bitmap, [space](TIOParamsVals& p) {
                         p.JPEGColorSpace = space;
                         p.JPEGQuality = 95;
                       }).Data;
    ASSERT_TRUE(IEWriteBytesFile(dir.File("ours.jpg"), ours));
    const auto converted = IERunTool({"convert", dir.File("ours.jpg"), "-colorspace", "sRGB", "ppm:-"});
    ASSERT_EQ(converted.ExitStatus, 0);
    TPamImage theirs;
    ASSERT_TRUE(ParsePam(converted.Output, theirs));
    TIOParamsVals again;
    TIEBitmap decoded;
    ASSERT_FALSE(Decode(ours, decoded, again));
    EXPECT_EQ(again.JPEGColorSpace, space);
    diff = PamMaxDifference(decoded, theirs);
    EXPECT_GE(diff, 0) << int(space);
    EXPECT_LE(diff, 1) << int(space);
  }
}

TEST(JpegXcheck, OurFilesDecodeInDjpegAsInOurReader) {
  IE_REQUIRE_TOOL("djpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  TIEBitmap picture;
  PamToBitmap(SourcePicture(), picture);
  struct Case {
    const char* Name;
    std::function<void(TIOParamsVals&)> Setup;
    bool Gray;
  };
  const Case cases[] = {
      {"default", nullptr, false},
      {"4:4:4 q95",
       [](TIOParamsVals& p) {
         p.JPEGSubSampling = 0;
         p.JPEGQuality = 95;
       },
       false},
      {"4:2:2 progressive",
       [](TIOParamsVals& p) {
         p.JPEGSubSampling = 1;
         p.JPEGProgressive = true;
       },
       false},
      {"gray", [](TIOParamsVals& p) { p.JPEGColorSpace = TIEJPEGColorSpace::jcGray; }, true},
      {"rgb", [](TIOParamsVals& p) { p.JPEGColorSpace = TIEJPEGColorSpace::jcRGB; }, false},
      {"float smooth",
       [](TIOParamsVals& p) {
         p.JPEGDCTMethod = TIEJPEGDCTMethod::jdFloat;
         p.JPEGSmoothing = 30;
         p.JPEGOptimalHuffman = false;
       },
       false},
  };
  for (const auto& c : cases) {
    const auto encoded = Encode(picture, c.Setup);
    ASSERT_FALSE(encoded.Aborted) << c.Name;
    const auto run = RunOn(dir, encoded.Data, {"djpeg", "-ppm"});
    ASSERT_EQ(run.ExitStatus, 0) << c.Name;
    TPamImage expected;
    ASSERT_TRUE(ParsePam(run.Output, expected)) << c.Name;
    TIOParamsVals params;
    params.NativePixelFormat = c.Gray;
    TIEBitmap bitmap;
    ASSERT_FALSE(Decode(encoded.Data, bitmap, params));
    EXPECT_EQ(PamMaxDifference(bitmap, expected), 0) << c.Name;
  }
}

TEST(JpegXcheck, SegmentOrderAfterARoundTrip) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  // A source with JFIF, an EXIF APP1, an ICC APP2 and an Adobe APP14.
  const Bytes base = Cjpeg(dir, {"-quality", "80"});
  ASSERT_FALSE(base.empty());
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  const Bytes exif = Join({Text(std::string("Exif\0\0", 6)), tiff});
  const Bytes icc = Join({Text(std::string("ICC_PROFILE\0\x01\x01", 14)), Bytes(128, 0)});
  const Bytes adobe = Text(std::string("Adobe\0d\0\0\0\0\x01", 12));
  const Bytes source = InsertAt(base, 2 + Segments(base).at(0).Length,
                                Join({Segment(0xE1, exif), Segment(0xE2, icc), Segment(0xEE, adobe)}));
  TIOParamsVals read;
  TIEBitmap bitmap;
  ASSERT_FALSE(Decode(source, bitmap, read));
  const Bytes written = Encode(bitmap, [&](TIOParamsVals& p) { p.JPEGMarkers.Assign(&read.JPEGMarkers); }).Data;
  const auto run = RunOn(dir, written, {"exiftool", "-v3"});
  ASSERT_EQ(run.ExitStatus, 0);
  std::vector<std::string> order;
  const std::string text = AsText(run.Output);
  for (size_t p = text.find("JPEG APP"); p != std::string::npos; p = text.find("JPEG APP", p + 1))
    order.push_back(text.substr(p + 5, text.find(' ', p + 5) - (p + 5)));
  EXPECT_EQ(order, (std::vector<std::string>{"APP0", "APP1", "APP2"}));
}

TEST(JpegXcheck, CommentIsKept) {
  IE_REQUIRE_TOOL("rdjpgcom", "libjpeg-turbo-progs");
  TIETempDir dir;
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  const std::string comment = "kept through the save";
  const Bytes written = Encode(picture, [&](TIOParamsVals& p) {
                          p.JPEGMarkers.AddMarker(0xFE, comment.data(), static_cast<int32_t>(comment.size()));
                        }).Data;
  const auto run = RunOn(dir, written, {"rdjpgcom"});
  ASSERT_EQ(run.ExitStatus, 0);
  EXPECT_NE(AsText(run.Output).find(comment), std::string::npos);
}

TEST(JpegXcheck, IdentifySeesTheOptionsWritten) {
  IE_REQUIRE_TOOL("identify", "imagemagick");
  TIETempDir dir;
  TIEBitmap picture;
  PamToBitmap(SourcePicture(), picture);
  struct Case {
    int32_t Quality;
    uint8_t SubSampling;
    bool Progressive;
    const char* Expected;
  };
  const Case cases[] = {{75, 2, false, "75 2x2,1x1,1x1 None"},
                        {90, 1, true, "90 2x1,1x1,1x1 JPEG"},
                        {60, 0, false, "60 1x1,1x1,1x1 None"},
                        {40, 7, true, "40 2x2,1x1,1x1 JPEG"}};
  for (const auto& c : cases) {
    const Bytes written = Encode(picture, [&](TIOParamsVals& p) {
                            p.JPEGQuality = c.Quality;
                            p.JPEGSubSampling = c.SubSampling;
                            p.JPEGProgressive = c.Progressive;
                          }).Data;
    const auto run = RunOn(dir, written, {"identify", "-format", "%Q %[jpeg:sampling-factor] %[interlace]"});
    ASSERT_EQ(run.ExitStatus, 0);
    EXPECT_EQ(AsText(run.Output), c.Expected);
  }
}

TEST(JpegXcheck, TableQualitiesOfCjpegFiles) {
  IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  for (int32_t q : {10, 25, 50, 75, 90, 100}) {
    const Bytes file = Cjpeg(dir, {"-quality", std::to_string(q)});
    ASSERT_FALSE(file.empty());
    TCustomMemoryStream stream;
    stream.SetPointer(file.data(), static_cast<int64_t>(file.size()));
    std::vector<int32_t> found;
    ASSERT_GE(IEJPEGTableQualities(&stream, found), 1);
    EXPECT_NEAR(found[0], q, 1) << q;
  }
}
