// Cross-checks of the TIFF writer with libtiff's tools and ImageMagick: our
// pages copy through tiffcp without a warning, tiff2rgba decodes them to the
// source pixels, tiffdump and tiffinfo list the tags we wrote, and identify
// reads them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>

#include "imaging/io/codecs/tiff/tiff_testing.h"
#include "imaging/io/codecs/tiff/tiffwrite_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"

extern char** environ;

using namespace tiffwrite;
using Co = TIETIFFCompression;
using Ph = TIETIFFPhotometric;

namespace {

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

// Runs Argv (no shell) with standard output and standard error kept.
TRun RunCaptured(const TIETempDir& dir, const std::vector<std::string>& argv) {
  const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  TRun r;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return r;
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  TBytes b;
  IEReadBytesFile(out, b);
  r.Out.assign(b.begin(), b.end());
  IEReadBytesFile(err, b);
  r.Err.assign(b.begin(), b.end());
  return r;
}

std::unique_ptr<TIEBitmap> Smooth(int32_t w, int32_t h) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(w, h, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      *b->PixelRGB(x, y) = TRGB{uint8_t(90 + 3 * y), uint8_t(40 + 4 * x), uint8_t(220 - 3 * x)};
  return b;
}

struct TCase {
  const char* Name;
  std::function<std::unique_ptr<TIEBitmap>()> Image;
  Co Compression;
  int32_t Bits, Samples;
  Ph Photometric;
  int32_t Tolerance;  // per channel, against tiff2rgba
  TIEJPEGColorSpace Space = TIEJPEGColorSpace::jcYCbCr;
};

TEST(TiffWriteXcheck, TiffcpCopiesCleanlyAndTiff2rgbaDecodesTheSourcePixels) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("tiff2rgba", "libtiff-tools");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  TIETempDir dir;
  auto colour = [] { return ColourImage(37, 21); };
  auto alpha = [] {
    auto b = ColourImage(37, 21);
    for (int32_t y = 0; y < 21; ++y)
      for (int32_t x = 0; x < 37; ++x) b->SetAlpha(x, y, static_cast<uint8_t>(x * 7));
    b->AlphaChannel()->SetFull(false);
    return b;
  };
  auto bilevel = [] { return BilevelImage(45, 19); };
  auto gray = [] { return GrayImage(37, 21, TIEPixelFormat::ie24RGB); };
  const std::vector<TCase> cases = {
      {"rgb none", colour, Co::tcNone, 8, 3, Ph::tpRGB, 0},
      {"rgb lzw predictor", colour, Co::tcLZW, 8, 3, Ph::tpRGB, 0},
      {"rgb packbits", colour, Co::tcPackBits, 8, 3, Ph::tpRGB, 0},
      {"rgb jpeg ycbcr", [] { return Smooth(37, 21); }, Co::tcJPEG, 8, 3, Ph::tpRGB, 10},
      {"rgb jpeg rgb", [] { return Smooth(37, 21); }, Co::tcJPEG, 8, 3, Ph::tpRGB, 10, TIEJPEGColorSpace::jcRGB},
      {"gray jpeg",
       [] {
         auto g = Smooth(37, 21);
         for (int32_t y = 0; y < 21; ++y)
           for (int32_t x = 0; x < 37; ++x) {
             const auto v = static_cast<uint8_t>(60 + 4 * x + 2 * y);
             *g->PixelRGB(x, y) = TRGB{v, v, v};
           }
         return g;
       },
       Co::tcJPEG, 8, 3, Ph::tpRGB, 10, TIEJPEGColorSpace::jcGray},
      {"rgba lzw", alpha, Co::tcLZW, 8, 3, Ph::tpRGB, 0},
      {"rgba packbits", alpha, Co::tcPackBits, 8, 3, Ph::tpRGB, 0},
      {"bilevel huffman", bilevel, Co::tcHuffman, 1, 1, Ph::tpRGB, 0},
      {"bilevel g3", bilevel, Co::tcG3Fax1D, 1, 1, Ph::tpRGB, 0},
      {"bilevel g3 2d", bilevel, Co::tcG3Fax2D, 1, 1, Ph::tpRGB, 0},
      {"bilevel g4", bilevel, Co::tcG4Fax, 1, 1, Ph::tpRGB, 0},
      {"bilevel none", bilevel, Co::tcNone, 1, 1, Ph::tpRGB, 0},
      {"gray 8 lzw", gray, Co::tcLZW, 8, 1, Ph::tpRGB, 0},
      {"palette 8 packbits", colour, Co::tcPackBits, 8, 1, Ph::tpRGB, -1},
      {"palette 4 lzw", [] { return ColourImage(4, 3); }, Co::tcLZW, 4, 1, Ph::tpRGB, 0},
      {"cmyk none", colour, Co::tcNone, 8, 3, Ph::tpCMYK, 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto image = c.Image();
    TIOParamsVals p;
    p.SetDpi(96);
    p.TIFFCompression = c.Compression;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.TIFFPhotometric = c.Photometric;
    p.TIFFJPEGColorSpace = c.Space;
    const TSave s = Save(image.get(), p);
    ASSERT_FALSE(s.Aborted);
    const std::string ours = dir.File("ours.tif");
    ASSERT_TRUE(IEWriteBytesFile(ours, s.Bytes));

    TRun r = RunCaptured(dir, {"tiffcp", ours, dir.File("re.tif")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    r = RunCaptured(dir, {"identify", "-verbose", ours});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Geometry: " + std::to_string(image->Width()) + "x" + std::to_string(image->Height())),
              std::string::npos);
    EXPECT_EQ(r.Err, "");

    r = RunCaptured(dir, {"tiff2rgba", "-c", "none", ours, dir.File("rgba.tif")});
    ASSERT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    const tifftest::TTiffRead rgba = tifftest::ParseTiff(tifftest::ReadFile(dir.File("rgba.tif")));
    ASSERT_TRUE(rgba.Ok);
    ASSERT_EQ(rgba.Page.SamplesPerPixel, 4);
    const TBytes pixels = tifftest::JoinStrips(rgba.Page);
    ASSERT_EQ(pixels.size(), size_t(image->Width()) * image->Height() * 4);
    if (c.Tolerance < 0) continue;  // quantized: the colours differ by design
    const TBytes want = Rgb(*image);
    const bool withAlpha = image->HasAlphaChannel();
    int32_t worst = 0;
    for (int32_t y = 0; y < image->Height(); ++y)
      for (int32_t x = 0; x < image->Width(); ++x) {
        const size_t i = size_t(y) * image->Width() + x;
        const int32_t a = withAlpha ? image->GetAlpha(x, y) : 255;
        EXPECT_EQ(pixels[4 * i + 3], a);
        for (int k = 0; k < 3; ++k) {
          // tiff2rgba premultiplies unassociated alpha.
          const int32_t v = withAlpha ? (want[3 * i + k] * a + 127) / 255 : want[3 * i + k];
          worst = std::max(worst, std::abs(v - int32_t(pixels[4 * i + k])));
        }
      }
    EXPECT_LE(worst, c.Tolerance + (withAlpha ? 1 : 0));
  }
}

TEST(TiffWriteXcheck, TiffdumpAndTiffinfoListTheTagsWritten) {
  IE_REQUIRE_TOOL("tiffdump", "libtiff-tools");
  IE_REQUIRE_TOOL("tiffinfo", "libtiff-tools");
  TIETempDir dir;
  auto image = ColourImage(20, 10);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) image->SetAlpha(x, y, static_cast<uint8_t>(x * 12));
  image->AlphaChannel()->SetFull(false);
  TIOParamsVals p;
  p.SetDpi(150);
  p.TIFFCompression = Co::tcLZW;
  p.TIFFImageDescription = "described";
  p.TIFFDocumentName = "ab";
  p.TIFFPageName = "page one";
  p.TIFFPageNumber = 2;
  p.TIFFPageCount = 3;
  const TSave s = Save(image.get(), p);
  ASSERT_FALSE(s.Aborted);
  const std::string ours = dir.File("ours.tif");
  ASSERT_TRUE(IEWriteBytesFile(ours, s.Bytes));
  TRun r = RunCaptured(dir, {"tiffdump", ours});
  ASSERT_EQ(r.Status, 0);
  for (const char* line : {"ImageWidth (256) LONG (4) 1<20>", "ImageLength (257) LONG (4) 1<10>",
                           "BitsPerSample (258) SHORT (3) 4<8 8 8 8>", "Compression (259) SHORT (3) 1<5>",
                           "Photometric (262) SHORT (3) 1<2>", "SamplesPerPixel (277) SHORT (3) 1<4>",
                           "ExtraSamples (338) SHORT (3) 1<2>", "PageNumber (297) SHORT (3) 2<2 3>",
                           "XResolution (282) RATIONAL (5) 1<150>", "DocumentName (269) ASCII (2) 3<ab\\0>"})
    EXPECT_NE(r.Out.find(line), std::string::npos) << line << "\n" << r.Out;
  EXPECT_EQ(r.Out.find("Predictor"), std::string::npos);  // not with alpha
  r = RunCaptured(dir, {"tiffinfo", "-D", ours});
  ASSERT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  for (const char* line :
       {"Image Width: 20 Image Length: 10", "Extra Samples: 1<unassoc-alpha>", "Compression Scheme: LZW",
        "ImageDescription: described", "PageName: page one", "Page Number: 2-3", "Resolution: 150, 150 pixels/inch"})
    EXPECT_NE(r.Out.find(line), std::string::npos) << line << "\n" << r.Out;

  // Group 4: the fax tags, and a page inserted in front reads as page 0.
  auto bw = BilevelImage(40, 12);
  TIOParamsVals f;
  f.SetDpi(200);
  f.TIFFCompression = Co::tcG4Fax;
  TIOParamsVals g;
  g.SetDpi(200);
  g.TIFFCompression = Co::tcG3Fax2D;
  const TSave two = Save(bw.get(), g, Save(image.get(), p).Bytes, true);
  ASSERT_EQ(two.Result, 2);
  const TSave both = Save(bw.get(), f, two.Bytes, true);
  ASSERT_EQ(both.Result, 3);
  ASSERT_TRUE(IEWriteBytesFile(ours, both.Bytes));
  r = RunCaptured(dir, {"tiffinfo", ours});
  ASSERT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_NE(r.Out.find("Compression Scheme: CCITT Group 4"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Group 4 Options: (0 = 0x0)"), std::string::npos) << r.Out;
  size_t directories = 0;
  for (size_t at = r.Out.find("TIFF Directory at offset"); at != std::string::npos;
       at = r.Out.find("TIFF Directory at offset", at + 1))
    ++directories;
  EXPECT_EQ(directories, 3u);
}

}  // namespace
