// Cross-checks of the BMP codec against netpbm and ImageMagick.
#include <gtest/gtest.h>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace rastertest;

namespace {

// Our decode of a file against bmptopnm's, or against the source image for
// files bmptopnm refuses (ImageMagick's run-length rows also encode the row
// padding, which netpbm takes as too many pixels).
void ExpectSameAsBmptopnm(const std::string& Path, const std::string& What, const std::string& Source = "") {
  SCOPED_TRACE(What);
  Bytes file;
  ASSERT_TRUE(IEReadBytesFile(Path, file));
  TIEBitmap bitmap;
  TIOParamsVals params;
  std::unique_ptr<TIEMask> mask;
  const bool aborted = ReadWith(
      file, [&](TStream* S, TIECodecProgress& P) { IEDecodeBMP(S, &bitmap, 0, params, P, false, false, mask, false); });
  ASSERT_FALSE(aborted);
  TPamImage reference;
  std::string error;
  if (Source.empty()) {
    const TIEToolRun run = IERunTool({"bmptopnm", Path});
    ASSERT_EQ(run.ExitStatus, 0);
    ASSERT_TRUE(ParsePam(run.Output, reference, &error)) << error;
  } else {
    ASSERT_TRUE(ReadPamFile(Source, reference, &error)) << error;
  }
  ASSERT_EQ(bitmap.Width(), reference.Width);
  ASSERT_EQ(bitmap.Height(), reference.Height);
  EXPECT_EQ(RgbOf(bitmap), RgbOf(reference));
}

// Colours 2 gives black and white.
std::string WriteSource(const TIETempDir& Dir, const char* Name, int32_t Colours) {
  TIEBitmap picture;
  MakePicture(picture, 29, 11, Colours);
  if (Colours == 2)
    for (int32_t y = 0; y < 11; ++y)
      for (int32_t x = 0; x < 29; ++x)
        if (picture.PixelRGB(x, y)->r != 0) *picture.PixelRGB(x, y) = TRGB{255, 255, 255};
  const std::string path = Dir.File(Name);
  IEWriteBytesFile(path, FormatPnmOf(BitmapToPam(picture)));
  return path;
}

}  // namespace

TEST(BmpXcheck, DecodesEqualBmptopnm) {
  IE_REQUIRE_TOOL("ppmtobmp", "netpbm");
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  const std::string two = WriteSource(dir, "two.ppm", 2);
  const std::string many = WriteSource(dir, "many.ppm", 16);
  const std::string more = WriteSource(dir, "more.ppm", 40);
  int n = 0;
  for (const char* bpp : {"1", "4", "8", "24"})
    for (const char* kind : {"-windows", "-os2"}) {
      const std::string out = dir.File("p" + std::to_string(n++) + ".bmp");
      const TIEToolRun run = IERunTool({"ppmtobmp", "-bpp", bpp, kind, std::string(bpp) == "1" ? two : many});
      ASSERT_EQ(run.ExitStatus, 0);
      IEWriteBytesFile(out, run.Output);
      ExpectSameAsBmptopnm(out, std::string("ppmtobmp -bpp ") + bpp + " " + kind);
    }
  const std::vector<std::vector<std::string>> converts = {{"BMP3:"},
                                                          {"BMP2:"},
                                                          {"BMP:"},
                                                          {"-type", "Palette", "-compress", "RLE", "BMP3:"},
                                                          {"-type", "Palette", "BMP3:"},
                                                          {"-type", "Palette", "BMP:"}};
  for (const auto& args : converts) {
    const std::string out = dir.File("c" + std::to_string(n++) + ".bmp");
    // Run-length output needs more than 16 colours (8 bits).
    const bool rle = args.size() > 3;
    std::vector<std::string> argv{"convert", rle ? more : many};
    argv.insert(argv.end(), args.begin(), args.end() - 1);
    argv.push_back(args.back() + out);
    std::string what;
    for (const auto& a : argv) what += a + " ";
    ASSERT_EQ(IERunTool(argv).ExitStatus, 0) << what;
    ExpectSameAsBmptopnm(out, what, rle ? more : "");
  }
}

TEST(BmpXcheck, OurFilesDecodeInBmptopnmToTheSource) {
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  TIETempDir dir;
  struct {
    int32_t Bps, Spp;
    uint8_t Version, Compression;
    int32_t Colours;
  } cases[] = {{1, 1, 1, 0, 2},  {4, 1, 1, 0, 16}, {4, 1, 1, 1, 16}, {8, 1, 1, 1, 50},
               {8, 1, 2, 0, 50}, {8, 3, 1, 0, 64}, {8, 4, 1, 0, 64}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bps) + "x" + std::to_string(c.Spp) + " v" + std::to_string(c.Version) + " c" +
                 std::to_string(c.Compression));
    TIEBitmap picture;
    MakePicture(picture, 31, 9, c.Colours);
    if (c.Spp == 4) picture.AlphaChannel();
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.BMPVersion = c.Version;
    params.BMPCompression = c.Compression;
    const Bytes file = WriteWith([&](TStream* S, TIECodecProgress& P) { IEEncodeBMP(S, &picture, params, P); });
    const std::string path = dir.File("o" + std::to_string(n++) + ".bmp");
    IEWriteBytesFile(path, file);
    const TIEToolRun run = IERunTool({"bmptopnm", path});
    ASSERT_EQ(run.ExitStatus, 0);
    TPamImage decoded;
    ASSERT_TRUE(ParsePam(run.Output, decoded));
    EXPECT_EQ(RgbOf(decoded), RgbOf(picture));
  }
}
