// Cross-checks of the PNG codec against netpbm, ImageMagick and pngcheck.
#include <gtest/gtest.h>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace rastertest;

namespace {

// Our decode of a file against a reference's colour and alpha images.
void ExpectSameAs(const std::string& Path, const TPamImage& Colour, const TPamImage& Alpha) {
  Bytes file;
  ASSERT_TRUE(IEReadBytesFile(Path, file));
  TIEBitmap bitmap;
  TIOParamsVals params;
  std::unique_ptr<TIEMask> mask;
  const bool aborted =
      ReadWith(file, [&](TStream* S, TIECodecProgress& P) { IEDecodePNG(S, &bitmap, params, P, false, mask, false); });
  ASSERT_FALSE(aborted);
  ASSERT_EQ(bitmap.Width(), Colour.Width);
  ASSERT_EQ(bitmap.Height(), Colour.Height);
  EXPECT_EQ(RgbOf(bitmap), RgbOf(Colour));
  ASSERT_NE(mask, nullptr);
  Bytes ours;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) ours.push_back(mask->GetPixel(x, y));
  EXPECT_EQ(ours, AlphaOf(Alpha));
}

// Against pngtopam (colour) and pngtopam -alpha.
void ExpectSameAsPngtopam(const std::string& Path, const std::string& What) {
  SCOPED_TRACE(What);
  const TIEToolRun colour = IERunTool({"pngtopam", Path});
  const TIEToolRun alpha = IERunTool({"pngtopam", "-alpha", Path});
  ASSERT_EQ(colour.ExitStatus, 0);
  ASSERT_EQ(alpha.ExitStatus, 0);
  TPamImage c, a;
  ASSERT_TRUE(ParsePam(colour.Output, c));
  ASSERT_TRUE(ParsePam(alpha.Output, a));
  ExpectSameAs(Path, c, a);
}

// Against ImageMagick's PAM with alpha (pngtopam -alpha ignores the tRNS
// colour of truecolour files).
void ExpectSameAsMagick(const std::string& Path, const std::string& What) {
  SCOPED_TRACE(What);
  const TIEToolRun run = IERunTool({"convert", "PNG:" + Path, "-alpha", "on", "PAM:-"});
  ASSERT_EQ(run.ExitStatus, 0);
  TPamImage image;
  ASSERT_TRUE(ParsePam(run.Output, image));
  ExpectSameAs(Path, image, image);
}

}  // namespace

TEST(PngXcheck, DecodesEqualPngtopam) {
  IE_REQUIRE_TOOL("pnmtopng", "netpbm");
  IE_REQUIRE_TOOL("pngtopam", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  TIEBitmap picture;
  MakePicture(picture, 27, 13, 40);
  const std::string ppm = dir.File("src.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(BitmapToPam(picture))));
  // A source with alpha for ImageMagick's alpha colour types.
  TPamImage rgba = MakePam("RGB_ALPHA", 27, 13);
  const TPamImage rgb = BitmapToPam(picture);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 27; ++x) {
      for (int32_t k = 0; k < 3; ++k) rgba.At(x, y, k) = rgb.At(x, y, k);
      rgba.At(x, y, 3) = static_cast<uint16_t>((x * 9 + y * 17) % 256);
    }
  const std::string pam = dir.File("src.pam");
  ASSERT_TRUE(WritePamFile(pam, rgba));
  // Gray sources for the gray colour types (ImageMagick keeps colour images
  // in colour whatever is asked).
  TPamImage gray = MakePam("GRAYSCALE", 27, 13);
  TPamImage grayAlpha = MakePam("GRAYSCALE_ALPHA", 27, 13);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 27; ++x) {
      gray.At(x, y) = grayAlpha.At(x, y, 0) = static_cast<uint16_t>((x / 3) * 28 + y);
      grayAlpha.At(x, y, 1) = static_cast<uint16_t>((x * 31 + y) % 256);
    }
  const std::string pgm = dir.File("gray.pgm");
  ASSERT_TRUE(IEWriteBytesFile(pgm, FormatPnmOf(gray)));
  const std::string pgma = dir.File("grayalpha.pam");
  ASSERT_TRUE(WritePamFile(pgma, grayAlpha));
  const std::string text = dir.File("text.txt");
  ASSERT_TRUE(IEWriteBytesFile(text, Bytes{'T', 'i', 't', 'l', 'e', ' ', 'x', 'y', '\n'}));

  int n = 0;
  const std::vector<std::vector<std::string>> pnmtopng = {
      {},
      {"-transparent=rgb:25/0b/43"},
      {"-background=rgb:10/20/30", "-transparent=rgb:00/00/00"},
      {"-interlace"},
      {"-text", text},
  };
  for (const auto& options : pnmtopng) {
    std::vector<std::string> argv{"pnmtopng"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(ppm);
    const TIEToolRun run = IERunTool(argv);
    ASSERT_EQ(run.ExitStatus, 0);
    const std::string out = dir.File("p" + std::to_string(n++) + ".png");
    IEWriteBytesFile(out, run.Output);
    ExpectSameAsPngtopam(out, "pnmtopng " + (options.empty() ? std::string() : options.front()));
  }
  struct {
    int ColourType, Depth;
    bool Alpha;
  } converts[] = {{0, 1, false},  {0, 2, false}, {0, 4, false}, {0, 8, false}, {0, 16, false}, {2, 8, false},
                  {2, 16, false}, {3, 8, false}, {4, 8, true},  {6, 8, true},  {6, 16, true}};
  for (const auto& c : converts) {
    const std::string out = dir.File("c" + std::to_string(n++) + ".png");
    const std::string what = "color-type " + std::to_string(c.ColourType) + " bit-depth " + std::to_string(c.Depth);
    const std::string& source = c.ColourType == 0 ? pgm : c.ColourType == 4 ? pgma : c.Alpha ? pam : ppm;
    ASSERT_EQ(IERunTool({"convert", source, "-define", "png:color-type=" + std::to_string(c.ColourType), "-define",
                         "png:bit-depth=" + std::to_string(c.Depth), "PNG:" + out})
                  .ExitStatus,
              0)
        << what;
    ExpectSameAsPngtopam(out, what);
  }
}

TEST(PngXcheck, OurFilesPassPngcheckAndKeepTheirText) {
  IE_REQUIRE_TOOL("pngcheck", "pngcheck");
  IE_REQUIRE_TOOL("pngtopam", "netpbm");
  TIETempDir dir;
  struct {
    int32_t Bps, Spp;
    bool Mask, Interlaced;
    int32_t Colours;
  } cases[] = {{8, 3, false, false, 64}, {8, 4, true, true, 64}, {8, 1, false, false, 40},
               {8, 1, true, false, 40},  {1, 1, false, true, 2}, {4, 1, false, false, 16}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bps) + "x" + std::to_string(c.Spp) + (c.Mask ? " mask" : "") +
                 (c.Interlaced ? " interlaced" : ""));
    TIEBitmap picture;
    MakePicture(picture, 33, 10, c.Colours);
    TIEMask mask;
    mask.Allocate(33, 10, 8);
    mask.Fill(255);
    mask.SetPixel(4, 4, 0);
    TIOParamsVals params;
    params.BitsPerSample = c.Bps;
    params.SamplesPerPixel = c.Spp;
    params.PNGInterlaced = c.Interlaced;
    params.PNGBackground = TRGB{10, 20, 30};
    params.SetDpiX(300);
    params.SetDpiY(300);
    params.PNGTextKeys.Add("Comment");
    params.PNGTextValues.Add("written by the test");
    const Bytes file = WriteWith(
        [&](TStream* S, TIECodecProgress& P) { IEEncodePNG(S, &picture, params, P, c.Mask ? &mask : nullptr); });
    const std::string path = dir.File("o" + std::to_string(n++) + ".png");
    IEWriteBytesFile(path, file);
    EXPECT_EQ(IERunTool({"pngcheck", "-v", path}).ExitStatus, 0);
    const TIEToolRun text = IERunTool({"pngcheck", "-t", path});
    EXPECT_NE(std::string(text.Output.begin(), text.Output.end()).find("written by the test"), std::string::npos);
    const TIEToolRun decoded = IERunTool({"pngtopam", path});
    ASSERT_EQ(decoded.ExitStatus, 0);
    TPamImage image;
    ASSERT_TRUE(ParsePam(decoded.Output, image));
    Bytes want = c.Bps == 1 ? BlackAndWhite(RgbOf(picture)) : RgbOf(picture);
    Bytes got = RgbOf(image);
    if (c.Mask && c.Spp == 1) {
      // The transparent pixel carries the background entry.
      const size_t at = (4 * 33 + 4) * 3;
      EXPECT_EQ(Bytes(got.begin() + at, got.begin() + at + 3), (Bytes{30, 20, 10}));
      std::copy(want.begin() + at, want.begin() + at + 3, got.begin() + at);
    }
    EXPECT_EQ(got, want);  // 1 bit: the darker of the two colours black, the other white
  }
}

// A tRNS colour on gray and truecolour images becomes alpha, whatever the
// depth (pnmtopng -force keeps the colour type of its source).
TEST(PngXcheck, TransparentColourBecomesAlpha) {
  IE_REQUIRE_TOOL("pnmtopng", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  struct {
    const char* TupleType;
    int32_t MaxVal;
    const char* Transparent;
  } cases[] = {{"BLACKANDWHITE", 1, "rgb:00/00/00"},
               {"GRAYSCALE", 255, "rgb:2d/2d/2d"},
               {"GRAYSCALE", 65535, "rgb:2d2d/2d2d/2d2d"},
               {"RGB", 255, "rgb:2d/5a/07"},
               {"RGB", 65535, "rgb:2d2d/5a5a/0707"}};
  int n = 0;
  for (const auto& c : cases) {
    TPamImage source = MakePam(c.TupleType, 9, 4, c.MaxVal);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 9; ++x) {
        const bool hole = (x + y) % 3 == 0;
        const int32_t v = hole ? 0x2d : (x * 29 + y * 3) % 256;
        if (c.MaxVal == 1) {
          source.At(x, y) = static_cast<uint16_t>(hole ? 0 : 1);
          continue;
        }
        const int32_t k = c.MaxVal == 255 ? 1 : 257;
        const int32_t rgb[] = {v * k, (hole ? 0x5a : v ^ 0x55) * k, (hole ? 7 : 255 - v) * k};
        for (int32_t i = 0; i < source.Depth; ++i) source.At(x, y, i) = static_cast<uint16_t>(rgb[i]);
      }
    const std::string pnm = dir.File("t" + std::to_string(n) + ".pnm");
    const std::string png = dir.File("t" + std::to_string(n++) + ".png");
    ASSERT_TRUE(IEWriteBytesFile(pnm, FormatPnmOf(source)));
    const TIEToolRun run = IERunTool({"pnmtopng", "-force", std::string("-transparent=") + c.Transparent, pnm});
    ASSERT_EQ(run.ExitStatus, 0);
    ASSERT_TRUE(IEWriteBytesFile(png, run.Output));
    ExpectSameAsMagick(png, std::string(c.TupleType) + " " + std::to_string(c.MaxVal));
  }
}
