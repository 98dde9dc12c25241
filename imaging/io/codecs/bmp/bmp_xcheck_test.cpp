// Cross-checks of the BMP codec against netpbm and ImageMagick.
#include <gtest/gtest.h>

#include "imaging/io/codecs/bmp/bmp_testing.h"
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

// Bit-field files (masks after a 40-byte header or inside a long one, alpha
// masks, a colour table after the masks), 16-bit channels and a coloured
// 1-bit file. bmptopnm takes no masks after a 40-byte header and gives no
// alpha; ImageMagick widens 5 and 6 bits by replicating them where netpbm
// scales, and its alpha is right for 8-bit masks only.
TEST(BmpXcheck, BitFieldsAndPalettesEqualTheReferences) {
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  const auto words = [](int32_t Size, std::vector<uint32_t> Values) {
    Bytes row;
    for (uint32_t v : Values)
      for (int32_t i = 0; i < Size; ++i) row.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return row;
  };
  const Bytes w16 = words(2, {0xFFFF, 0x0000, 0x7C1F, 0x83E0, 0x1234, 0xF0F0, 0x0F0F, 0x8421});
  const Bytes w32 = words(4, {0xFFFFFFFF, 0x00000000, 0x80FF0000, 0x4000FF00, 0x12345678, 0xFF0000FF});
  struct TCase {
    const char* What;
    TBmpSpec Spec;
  };
  std::vector<TCase> cases;
  cases.reserve(8);
  const auto add = [&](const char* What, int32_t Bits, uint32_t HeaderSize, std::vector<uint32_t> Masks) {
    TBmpSpec s;
    s.Width = Bits == 32 ? 6 : 8;
    s.Height = 1;
    s.Bits = Bits;
    s.HeaderSize = HeaderSize;
    s.Compression = Masks.empty() ? 0 : 3;
    (HeaderSize == 40 ? s.TrailingMasks : s.HeaderMasks) = Masks;
    s.Rows = {Bits == 32 ? w32 : w16};
    cases.push_back({What, s});
    return &cases.back().Spec;
  };
  add("32 bits, masks after the header", 32, 40, {0xFF00, 0xFF0000, 0xFF000000});
  add("32 bits, alpha mask in a V5 header", 32, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF000000});
  add("16 bits 5-5-5", 16, 40, {});
  add("16 bits 1-5-5-5", 16, 124, {0x7C00, 0x03E0, 0x001F, 0x8000});
  add("16 bits 4-4-4-4", 16, 124, {0x0F00, 0x00F0, 0x000F, 0xF000});
  TBmpSpec* table = add("16 bits 5-6-5 before a colour table", 16, 40, {0xF800, 0x07E0, 0x001F});
  // Channels at 0 or full only, where both ways of widening agree.
  table->Rows = {words(2, {0xFFFF, 0x0000, 0xF800, 0x07E0, 0x001F, 0xF81F, 0x07FF, 0xFFE0})};
  table->ClrUsed = 2;
  table->Palette = {TRGB{1, 2, 3}, TRGB{4, 5, 6}};
  TBmpSpec* oneBit = add("1 bit, two colours", 1, 40, {});
  oneBit->Width = 11;
  oneBit->Height = 2;
  oneBit->Palette = {TRGB{200, 10, 30}, TRGB{5, 99, 250}};
  oneBit->Rows = {{0xA5, 0x3C}, {0x0F, 0xF0}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const Bytes file = MakeBmp(c.Spec);
    const std::string path = dir.File("b" + std::to_string(n++) + ".bmp");
    ASSERT_TRUE(IEWriteBytesFile(path, file));
    TIEBitmap bitmap;
    TIOParamsVals params;
    std::unique_ptr<TIEMask> mask;
    ASSERT_FALSE(ReadWith(file, [&](TStream* S, TIECodecProgress& P) {
      IEDecodeBMP(S, &bitmap, 0, params, P, false, false, mask, false);
    }));
    const bool magick = c.Spec.Bits == 32 || !c.Spec.TrailingMasks.empty();
    const TIEToolRun run =
        IERunTool(magick ? std::vector<std::string>{"convert", "BMP:" + path, "-alpha", "on", "PAM:-"}
                         : std::vector<std::string>{"bmptopnm", path});
    ASSERT_EQ(run.ExitStatus, 0);
    TPamImage reference;
    ASSERT_TRUE(ParsePam(run.Output, reference));
    ASSERT_EQ(bitmap.Width(), reference.Width);
    EXPECT_EQ(RgbOf(bitmap), RgbOf(reference));
    if (c.Spec.HeaderMasks.size() < 4 || c.Spec.Bits != 32) continue;
    ASSERT_NE(mask, nullptr);
    Bytes ours;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
      for (int32_t x = 0; x < bitmap.Width(); ++x) ours.push_back(mask->GetPixel(x, y));
    EXPECT_EQ(ours, AlphaOf(reference));
  }
}
