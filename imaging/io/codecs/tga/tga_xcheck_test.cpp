// Cross-checks of the TGA codec against netpbm and ImageMagick.
#include <gtest/gtest.h>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace rastertest;

namespace {

TPamImage Tgatoppm(const std::string& Path) {
  TPamImage image;
  const TIEToolRun run = IERunTool({"tgatoppm", Path});
  EXPECT_EQ(run.ExitStatus, 0) << Path;
  EXPECT_TRUE(ParsePam(run.Output, image)) << Path;
  return image;
}

void ExpectSameAsTgatoppm(const std::string& Path, const std::string& What) {
  SCOPED_TRACE(What);
  Bytes file;
  ASSERT_TRUE(IEReadBytesFile(Path, file));
  TIEBitmap bitmap;
  TIOParamsVals params;
  std::unique_ptr<TIEMask> mask;
  ASSERT_FALSE(
      ReadWith(file, [&](TStream* S, TIECodecProgress& P) { IEDecodeTGA(S, &bitmap, params, P, false, mask, false); }));
  const TPamImage reference = Tgatoppm(Path);
  ASSERT_EQ(bitmap.Width(), reference.Width);
  ASSERT_EQ(bitmap.Height(), reference.Height);
  EXPECT_EQ(RgbOf(bitmap), RgbOf(reference));
}

}  // namespace

TEST(TgaXcheck, DecodesEqualTgatoppm) {
  IE_REQUIRE_TOOL("ppmtotga", "netpbm");
  IE_REQUIRE_TOOL("tgatoppm", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  TIEBitmap picture;
  MakePicture(picture, 27, 13, 40);
  const std::string ppm = dir.File("src.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(BitmapToPam(picture))));
  TPamImage gray = MakePam("GRAYSCALE", 27, 13);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 27; ++x) gray.At(x, y) = static_cast<uint16_t>((x / 4) * 30 + y);
  const std::string pgm = dir.File("src.pgm");
  ASSERT_TRUE(IEWriteBytesFile(pgm, FormatPnmOf(gray)));
  int n = 0;
  for (const char* kind : {"-rgb", "-cmap", "-mono"})
    for (const bool norle : {false, true}) {
      std::vector<std::string> argv{"ppmtotga", kind};
      if (norle) argv.push_back("-norle");
      argv.push_back(std::string(kind) == "-mono" ? pgm : ppm);
      const TIEToolRun run = IERunTool(argv);
      ASSERT_EQ(run.ExitStatus, 0) << kind;
      const std::string out = dir.File("p" + std::to_string(n++) + ".tga");
      IEWriteBytesFile(out, run.Output);
      ExpectSameAsTgatoppm(out, std::string("ppmtotga ") + kind + (norle ? " -norle" : ""));
    }
  for (const char* compression : {"RLE", "None"}) {
    const std::string out = dir.File("c" + std::to_string(n++) + ".tga");
    ASSERT_EQ(IERunTool({"convert", ppm, "-compress", compression, "TGA:" + out}).ExitStatus, 0);
    ExpectSameAsTgatoppm(out, std::string("convert -compress ") + compression);
  }
}

// 16-bit pixels and 16-bit colour-map entries, every channel spread over the
// full range as tgatoppm spreads it.
TEST(TgaXcheck, SixteenBitColoursEqualTgatoppm) {
  IE_REQUIRE_TOOL("tgatoppm", "netpbm");
  TIETempDir dir;
  const auto header = [](uint8_t MapType, uint8_t Type, uint16_t MapLength, uint8_t MapSize, uint16_t Width,
                         uint8_t Depth) {
    return Bytes{0, MapType, Type, 0,     0,   uint8_t(MapLength), 0, MapSize, 0, 0, 0, 0, uint8_t(Width),
                 0, 1,       0,    Depth, 0x20};
  };
  const Bytes words = {0xFF, 0x7F, 0, 0, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x34, 0x12, 0x21, 0x43, 0x5A, 0x2D};
  Bytes direct = header(0, 2, 0, 0, 8, 16);
  direct.insert(direct.end(), words.begin(), words.end());
  Bytes mapped = header(1, 1, 8, 16, 8, 8);
  mapped.insert(mapped.end(), words.begin(), words.end());
  for (uint8_t i = 0; i < 8; ++i) mapped.push_back(static_cast<uint8_t>(7 - i));
  int n = 0;
  for (const Bytes& file : {direct, mapped}) {
    const std::string path = dir.File("s" + std::to_string(n++) + ".tga");
    ASSERT_TRUE(IEWriteBytesFile(path, file));
    ExpectSameAsTgatoppm(path, n == 1 ? "16-bit pixels" : "16-bit colour map");
  }
}

TEST(TgaXcheck, TgatoppmReadsOurFilesBackToTheSource) {
  IE_REQUIRE_TOOL("tgatoppm", "netpbm");
  TIETempDir dir;
  struct {
    int32_t Bps, Spp;
    bool Compressed, Mask;
  } cases[] = {
      {8, 1, false, false}, {8, 1, true, false}, {8, 3, false, false}, {8, 3, true, false}, {8, 3, false, true}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bps) + "x" + std::to_string(c.Spp) + (c.Compressed ? " rle" : "") +
                 (c.Mask ? " alpha" : ""));
    TIEBitmap picture;
    MakePicture(picture, 29, 8, 50);
    TIEMask mask;
    mask.Allocate(29, 8, 8);
    mask.Fill(255);
    mask.SetPixel(2, 2, 9);
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.TGACompressed = c.Compressed;
    params.TGAIdentifier = "test";
    const Bytes file = WriteWith(
        [&](TStream* S, TIECodecProgress& P) { IEEncodeTGA(S, &picture, params, P, c.Mask ? &mask : nullptr); });
    const std::string path = dir.File("o" + std::to_string(n++) + ".tga");
    IEWriteBytesFile(path, file);
    EXPECT_EQ(RgbOf(Tgatoppm(path)), RgbOf(picture));
  }
}
