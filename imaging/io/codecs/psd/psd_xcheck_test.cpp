// Cross-checks against ImageMagick: it writes the PSD files, and its own
// reading of each file's merged image is the reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/io/codecs/psd/graphicex.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/testsupport/pnm.h"
#include "platform/rtl/streams.h"

namespace {

// A small picture of 12 colours with flat areas (PackBits repeat runs) and
// single pixels.
TPnmImage SourcePicture() {
  TPnmImage img = MakePnm('6', 9, 7);
  const uint8_t colours[12][3] = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},    {0, 255, 0},
                                  {0, 0, 255},   {200, 180, 20},  {30, 140, 210}, {128, 128, 128},
                                  {250, 100, 7}, {90, 10, 160},   {17, 230, 190}, {64, 64, 32}};
  for (int32_t y = 0; y < img.Height; ++y)
    for (int32_t x = 0; x < img.Width; ++x) {
      const int32_t k = y < 3 ? (x < 5 ? 1 : 4) : (x * 7 + y * 5) % 12;
      for (int32_t c = 0; c < 3; ++c) img.Samples[img.Index(x, y, c)] = colours[k][c];
    }
  return img;
}

// Red, green, blue of pixel X, Y of the loaded picture.
std::vector<int32_t> OurRGB(TBitmap& B, int32_t X, int32_t Y) {
  const uint8_t* row = B.ScanLine(Y);
  int32_t index = -1;
  switch (B.PixelFormat()) {
    case TPixelFormat::pf1bit: index = (row[X / 8] >> (7 - X % 8)) & 1; break;
    case TPixelFormat::pf8bit: index = row[X]; break;
    case TPixelFormat::pf24bit: return {row[3 * X + 2], row[3 * X + 1], row[3 * X]};
    default: return {row[4 * X + 2], row[4 * X + 1], row[4 * X]};
  }
  PALETTEENTRY e{};
  GetPaletteEntries(B.Palette(), uint32_t(index), 1, &e);
  return {e.peRed, e.peGreen, e.peBlue};
}

}  // namespace

TEST(PsdXcheck, ImageMagickFiles) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  const std::string source = dir.File("in.ppm");
  ASSERT_TRUE(WritePnmFile(source, SourcePicture()));
  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    TPixelFormat Format;
    int32_t Tolerance;
    // ImageMagick 6 does not read its own indexed PSD files back: the
    // reference is then its same conversion of the source without PSD.
    bool ReferenceFromSource = false;
  } cases[] = {
      {"rgb", {}, TPixelFormat::pf24bit, 0},
      {"rgb16", {"-depth", "16"}, TPixelFormat::pf24bit, 0},
      {"gray", {"-colorspace", "Gray"}, TPixelFormat::pf8bit, 0},
      {"gray16", {"-colorspace", "Gray", "-depth", "16"}, TPixelFormat::pf8bit, 0},
      {"palette", {"-type", "Palette"}, TPixelFormat::pf8bit, 0, true},
      {"bitmap", {"-type", "Bilevel", "-depth", "1"}, TPixelFormat::pf1bit, 0},
      {"cmyk", {"-colorspace", "CMYK"}, TPixelFormat::pf24bit, 1},
      {"cmyk16", {"-colorspace", "CMYK", "-depth", "16"}, TPixelFormat::pf24bit, 1},
  };
  for (const TCase& c : cases)
    for (const char* compress : {"None", "RLE"}) {
      SCOPED_TRACE(std::string(c.Name) + " " + compress);
      const std::string psd = dir.File(std::string(c.Name) + compress + ".psd");
      std::vector<std::string> argv = {"convert", source};
      argv.insert(argv.end(), c.Args.begin(), c.Args.end());
      argv.insert(argv.end(), {"-compress", compress, "PSD:" + psd});
      ASSERT_EQ(IERunTool(argv).ExitStatus, 0);
      std::vector<std::string> refArgv = {"convert", psd + "[0]", "-depth", "8", "ppm:-"};
      if (c.ReferenceFromSource) {
        refArgv = {"convert", source};
        refArgv.insert(refArgv.end(), c.Args.begin(), c.Args.end());
        refArgv.insert(refArgv.end(), {"-depth", "8", "ppm:-"});
      }
      const TIEToolRun ref = IERunTool(refArgv);
      ASSERT_EQ(ref.ExitStatus, 0);
      TPnmImage expected;
      ASSERT_TRUE(ParsePnm(ref.Output, expected));

      TPSDGraphic g;
      {
        TFileStream stream(psd, fmOpenRead | fmShareDenyWrite);
        ASSERT_TRUE(g.IsLoadableStream(&stream));
        g.LoadFromStream(&stream);
      }
      ASSERT_EQ(g.PixelFormat(), c.Format);
      ASSERT_EQ(g.Width(), expected.Width);
      ASSERT_EQ(g.Height(), expected.Height);
      for (int32_t y = 0; y < expected.Height; ++y)
        for (int32_t x = 0; x < expected.Width; ++x) {
          const std::vector<int32_t> ours = OurRGB(g, x, y);
          for (int32_t ch = 0; ch < 3; ++ch) {
            const int32_t want = int32_t(expected.Samples[expected.Index(x, y, expected.Channels == 1 ? 0 : ch)]) *
                                 255 / expected.MaxVal;
            ASSERT_LE(std::abs(ours[size_t(ch)] - want), c.Tolerance)
                << "pixel " << x << "," << y << " channel " << ch << ": " << ours[size_t(ch)] << " vs " << want;
          }
        }
    }
}
