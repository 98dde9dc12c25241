// Cross-checks of the TIFF reader with libtiff's and netpbm's tools: pages
// made by pnmtotiff, tiffcp and convert decode to the pixels tiff2rgba
// gives (JPEG pages within 1), and the page count equals identify's.
#include <gtest/gtest.h>

#include "imaging/io/codecs/tiff/tiff_test_support.h"
#include "imaging/io/codecs/tiff/tiffread_test_support.h"
#include "imaging/io/core/testsupport/xcheck.h"

namespace {

struct TMatrixCase {
  const char* Name;
  const char* Source;  // a file made in SetUp
  std::vector<std::string> Copy;  // tiffcp options; empty: the source itself
  int32_t Tolerance;
};

class TiffXcheckReader : public ::testing::Test {
 protected:
  void MakeSources() {
    auto run = [&](std::vector<std::string> argv, const std::string& out = std::string()) {
      ASSERT_EQ(RunTool(argv, out), 0) << argv[0] << " " << argv.back();
    };
    run({"convert", "-size", "37x21", "gradient:red-blue", "-depth", "8", Dir.File("rgb.ppm")});
    run({"convert", "-size", "37x21", "gradient:white-black", "-depth", "8", Dir.File("gray.pgm")});
    run({"convert", "-size", "37x21", "pattern:checkerboard", "-monochrome", Dir.File("bw.pbm")});
    run({"pnmtotiff", "-truecolor", Dir.File("rgb.ppm")}, Dir.File("rgb.tif"));
    run({"pnmtotiff", Dir.File("gray.pgm")}, Dir.File("gray.tif"));
    run({"pnmtotiff", "-miniswhite", Dir.File("gray.pgm")}, Dir.File("graywhite.tif"));
    run({"pnmtotiff", Dir.File("bw.pbm")}, Dir.File("bw.tif"));
    run({"pnmtotiff", "-minisblack", Dir.File("bw.pbm")}, Dir.File("bwblack.tif"));
    run({"pnmtotiff", "-lzw", "-predictor", "2", "-truecolor", Dir.File("rgb.ppm")}, Dir.File("rgbpred.tif"));
    run({"convert", Dir.File("rgb.ppm"), "-depth", "16", Dir.File("rgb16.tif")});
    run({"convert", Dir.File("rgb.ppm"), "-colorspace", "CMYK", Dir.File("cmyk.tif")});
    run({"convert", Dir.File("rgb.ppm"), "-colors", "12", "-type", "Palette", Dir.File("pal.tif")});
    run({"convert", Dir.File("gray.pgm"), "-depth", "16", Dir.File("gray16.tif")});
  }

  TIETempDir Dir;
};

TEST_F(TiffXcheckReader, DecodeMatrixEqualsTiff2rgba) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("tiff2rgba", "libtiff-tools");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  MakeSources();
  const std::vector<TMatrixCase> cases = {
      {"rgb none", "rgb.tif", {"-c", "none"}, 0},
      {"rgb lzw", "rgb.tif", {"-c", "lzw"}, 0},
      {"rgb lzw predictor", "rgb.tif", {"-c", "lzw:2"}, 0},
      {"rgb packbits", "rgb.tif", {"-c", "packbits"}, 0},
      {"rgb planar lzw", "rgb.tif", {"-p", "separate", "-c", "lzw"}, 0},
      {"rgb tiles", "rgb.tif", {"-t", "-w", "16", "-l", "16"}, 0},
      {"rgb tiles big-endian lzw", "rgb.tif", {"-B", "-t", "-w", "16", "-l", "16", "-c", "lzw:2"}, 0},
      {"rgb strips of 5 rows", "rgb.tif", {"-r", "5", "-c", "packbits"}, 0},
      {"rgb jpeg ycbcr", "rgb.tif", {"-c", "jpeg"}, 1},
      {"rgb jpeg rgb", "rgb.tif", {"-c", "jpeg:r"}, 1},
      {"rgb jpeg tiles", "rgb.tif", {"-c", "jpeg:r", "-t", "-w", "16", "-l", "16"}, 1},
      {"rgb pnmtotiff predictor", "rgbpred.tif", {}, 0},
      {"gray", "gray.tif", {"-c", "lzw:2"}, 0},
      {"gray white-is-zero", "graywhite.tif", {"-c", "packbits"}, 0},
      {"gray big-endian tiles", "gray.tif", {"-B", "-t", "-w", "16", "-l", "16"}, 0},
      {"gray jpeg", "gray.tif", {"-c", "jpeg"}, 1},
      {"bilevel g3", "bw.tif", {"-c", "g3"}, 0},
      {"bilevel g3 2d", "bw.tif", {"-c", "g3:2d"}, 0},
      {"bilevel g4", "bw.tif", {"-c", "g4"}, 0},
      {"bilevel g3 lsb2msb", "bw.tif", {"-f", "lsb2msb", "-c", "g3"}, 0},
      {"bilevel black-is-zero g4", "bwblack.tif", {"-c", "g4"}, 0},
      {"bilevel lzw", "bw.tif", {"-c", "lzw"}, 0},
      {"bilevel tiles", "bw.tif", {"-t", "-w", "16", "-l", "16"}, 0},
      {"rgb 16-bit", "rgb16.tif", {"-c", "lzw"}, 0},
      {"cmyk", "cmyk.tif", {"-c", "packbits"}, 0},
      {"palette", "pal.tif", {"-c", "lzw"}, 0},
      {"palette tiles", "pal.tif", {"-t", "-w", "16", "-l", "16"}, 0},
  };
  for (const TMatrixCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string file = Dir.File(c.Source);
    if (!c.Copy.empty()) {
      std::vector<std::string> argv = {"tiffcp"};
      argv.insert(argv.end(), c.Copy.begin(), c.Copy.end());
      argv.push_back(file);
      file = Dir.File(std::string("copy-") + std::to_string(&c - cases.data()) + ".tif");
      argv.push_back(file);
      ASSERT_EQ(RunTool(argv), 0);
    }
    const std::string rgba = file + ".rgba.tif";
    ASSERT_EQ(RunTool({"tiff2rgba", "-c", "none", "-n", file, rgba}), 0);
    const tifftest::TTiffRead ref = tifftest::ParseTiff(tifftest::ReadFile(rgba));
    ASSERT_TRUE(ref.Ok);
    const tiffread::TBytes expected = tifftest::JoinStrips(ref.Page);

    for (const bool native : {false, true}) {
      TIEBitmap b;
      TIOParamsVals params;
      tiffread::TReadOptions o;
      o.Native = native;
      const tiffread::TResult r = tiffread::ReadTiff(tifftest::ReadFile(file), b, params, nullptr, o);
      ASSERT_FALSE(r.Aborted) << (native ? "native" : "24-bit");
      ASSERT_EQ(b.Width(), ref.Page.Width);
      ASSERT_EQ(b.Height(), ref.Page.Height);
      const tiffread::TBytes got = tiffread::RgbPixels(b);
      ASSERT_EQ(got.size(), expected.size());
      int32_t worst = 0;
      size_t at = 0;
      for (size_t i = 0; i < got.size(); ++i) {
        const int32_t d = std::abs(int32_t(got[i]) - int32_t(expected[i]));
        if (d > worst) {
          worst = d;
          at = i;
        }
      }
      EXPECT_LE(worst, c.Tolerance) << (native ? "native" : "24-bit") << " at byte " << at << " of " << got.size();
    }
  }
}

TEST_F(TiffXcheckReader, PageCountEqualsIdentify) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  MakeSources();
  const std::string multi = Dir.File("multi.tif");
  ASSERT_EQ(RunTool({"tiffcp", Dir.File("rgb.tif"), Dir.File("gray.tif"), Dir.File("bw.tif"), multi}), 0);
  const TIEToolRun id = IERunTool({"identify", "-format", "%n\n", multi});
  ASSERT_EQ(id.ExitStatus, 0);
  const std::string text(id.Output.begin(), id.Output.end());
  const tiffread::TBytes bytes = tifftest::ReadFile(multi);
  TCustomMemoryStream s;
  s.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(IETIFFPageCount(&s), std::stoi(text));
  // Page 2 is the bilevel one.
  TIEBitmap b;
  TIOParamsVals params;
  params.TIFFImageIndex = 2;
  ASSERT_FALSE(tiffread::ReadTiff(bytes, b, params).Aborted);
  EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
}

TEST_F(TiffXcheckReader, SoftwareTagAndSixteenBitGrayFollowTifftopnm) {
  IE_REQUIRE_TOOL("tiffset", "libtiff-tools");
  IE_REQUIRE_TOOL("tifftopnm", "netpbm");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  MakeSources();
  const std::string file = Dir.File("gray16.tif");
  TPnmImage ref;
  ASSERT_EQ(RunTool({"tifftopnm", file}, Dir.File("gray16.pgm")), 0);
  ASSERT_TRUE(ReadPnmFile(Dir.File("gray16.pgm"), ref));
  ASSERT_EQ(ref.MaxVal, 65535);
  for (const bool molli : {false, true}) {
    if (molli) {
      ASSERT_EQ(RunTool({"tiffset", "-s", "305", "Look@Molli v1.1", file}), 0);
    }
    TIEBitmap b;
    TIOParamsVals params;
    ASSERT_FALSE(tiffread::ReadTiff(tifftest::ReadFile(file), b, params).Aborted);
    if (molli) {
      EXPECT_EQ(params.EXIFSoftware, "Look@Molli v1.1");
    }
    ASSERT_EQ(b.Width(), ref.Width);
    for (int32_t y = 0; y < ref.Height; y += 5)
      for (int32_t x = 0; x < ref.Width; x += 3) {
        TRGB c;
        b.GetPixelAsRGB(x, y, c);
        ASSERT_EQ(c.g, static_cast<uint8_t>(ref.At(x, y) >> (molli ? 4 : 8))) << x << "," << y;
      }
  }
}

}  // namespace
