// Cross-checks of TImgIO's per-format load and save methods against
// independent tools: every input format of the batch loaded by content and
// saved to every batch output, the EXIF and IPTC the savers leave, GIF frame
// composition, TIFF page insertion and one-page DCX saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

using namespace rastertest;

namespace {

// ImageMagick by its Debian name: a plain "convert" earlier on PATH may be
// another program.
const std::string kConvert = "convert-im6.q16";

constexpr int32_t kW = 37, kH = 23;

// Ramps in red and green across and down and in blue along the diagonal,
// with brighter stripes on 2 x 2 blocks: 851 colours, edges in both
// directions, no two rows or columns alike. The stripes are in brightness
// and on whole blocks of JPEG's 2 x 2 chroma subsampling, where the JPEG
// coder keeps them well; saturated colour edges would be smeared to about
// 21 dB by any encoder at quality 80.
TPamImage Picture() {
  TPamImage p = MakePam("RGB", kW, kH);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const int32_t stripe = (x / 2 + y / 2) % 5 < 2 ? 50 : 0;
      p.At(x, y, 0) = static_cast<uint16_t>(x * 5 + stripe);
      p.At(x, y, 1) = static_cast<uint16_t>(y * 8 + stripe);
      p.At(x, y, 2) = static_cast<uint16_t>(150 - 2 * x - 2 * y + stripe);
    }
  return p;
}

// Argv with "{in}" and "{out}" replaced.
std::vector<std::string> Expand(std::vector<std::string> Argv, const std::string& In, const std::string& Out) {
  for (std::string& a : Argv)
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", In}, {"{out}", Out}})
      for (size_t at = a.find(key); at != std::string::npos; at = a.find(key, at + value.size()))
        a.replace(at, key.size(), value);
  return Argv;
}

// Runs a decoding tool and reads the image it wrote to standard output, or
// to OutputFile when one is given.
::testing::AssertionResult Decode(const std::vector<std::string>& Argv, TPamImage& Image,
                                  const std::string& OutputFile = std::string()) {
  const TIEToolRun run = IERunTool(Argv);
  if (run.ExitStatus != 0) return ::testing::AssertionFailure() << Argv[0] << " exited with " << run.ExitStatus;
  std::vector<uint8_t> bytes = run.Output;
  if (!OutputFile.empty() && !IEReadBytesFile(OutputFile, bytes))
    return ::testing::AssertionFailure() << Argv[0] << " wrote no " << OutputFile;
  std::string error;
  if (!ParsePam(bytes, Image, &error)) return ::testing::AssertionFailure() << Argv[0] << ": " << error;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RanTool(const std::vector<std::string>& Argv) {
  const TIEToolRun run = IERunTool(Argv);
  if (run.ExitStatus == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Argv[0] << " exited with " << run.ExitStatus;
}

std::string Output(const std::vector<std::string>& Argv) {
  const TIEToolRun run = IERunTool(Argv);
  return std::string(run.Output.begin(), run.Output.end());
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Alpha of every pixel, 255 where the bitmap has no alpha channel.
Bytes AlphaOfBitmap(TIEBitmap& Bitmap) {
  Bytes out;
  for (int32_t y = 0; y < Bitmap.Height(); ++y)
    for (int32_t x = 0; x < Bitmap.Width(); ++x)
      out.push_back(Bitmap.HasAlphaChannel() ? Bitmap.AlphaChannel()->GetPixel8(x, y) : 255);
  return out;
}

bool HasAlpha(const TPamImage& Image) { return Image.Depth == 2 || Image.Depth == 4; }

size_t Colours(const Bytes& Rgb) {
  std::set<uint32_t> seen;
  for (size_t i = 0; i + 2 < Rgb.size(); i += 3)
    seen.insert(uint32_t(Rgb[i]) << 16 | uint32_t(Rgb[i + 1]) << 8 | Rgb[i + 2]);
  return seen.size();
}

// How far two RGB rasters of one size lie apart.
struct TDiff {
  int Max = 0;
  double Psnr = INFINITY;
  size_t First = 0;  // pixel of the first difference
};

TDiff Difference(const Bytes& A, const Bytes& B) {
  TDiff d;
  double squares = 0;
  bool found = false;
  for (size_t i = 0; i < A.size() && i < B.size(); ++i) {
    const int e = std::abs(int(A[i]) - int(B[i]));
    if (e && !found) {
      d.First = i / 3;
      found = true;
    }
    d.Max = std::max(d.Max, e);
    squares += double(e) * e;
  }
  if (squares > 0) d.Psnr = 10 * std::log10(255.0 * 255.0 * double(A.size()) / squares);
  return d;
}

std::string Describe(const TDiff& D, int32_t Width) {
  std::ostringstream s;
  s << "max difference " << D.Max << ", PSNR " << D.Psnr << " dB, first at (" << D.First % size_t(Width) << ","
    << D.First / size_t(Width) << ")";
  return s.str();
}

class ImgIOMethodsXcheck : public ::testing::Test {
 public:
  void SetUp() override { IEInitImageIO(); }
  TIETempDir Dir;
};

// ---- Every batch input to every batch output ----------------------------------------------

// The inputs are made by the tools from one picture, loaded by content, and
// each saved by a fresh load (a saver's conversions stay in the bitmap) to
// every output, which its own tool decodes. What the loader produced is the
// expectation for the outputs: the same pixels for lossless ones, for GIF
// too when the loaded picture has at most 256 colours.
TEST_F(ImgIOMethodsXcheck, EveryInputFormatSavesToEveryOutputFormat) {
  IE_REQUIRE_TOOL(kConvert, "imagemagick");
  IE_REQUIRE_TOOL("opj_compress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("opj_decompress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("jpegtopnm", "netpbm");
  IE_REQUIRE_TOOL("giftopnm", "netpbm");
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  IE_REQUIRE_TOOL("ppmtotga", "netpbm");
  IE_REQUIRE_TOOL("pngtopam", "netpbm");
  IE_REQUIRE_TOOL("tifftopnm", "netpbm");

  const TPamImage picture = Picture();
  const std::string source = Dir.File("source.ppm");
  ASSERT_TRUE(IEWriteBytesFile(source, FormatPnmOf(picture)));
  const Bytes pictureRgb = RgbOf(picture);

  struct TInput {
    const char* Name;
    const char* File;
    int32_t Code;
    std::vector<std::string> Make;       // without "{out}": writes to standard output; empty: the source itself
    std::vector<std::string> Reference;  // what the loader must give; empty: the picture
    bool Cursor = false;                 // the icon made a cursor
  };
  // The lossy and quantised fixtures are held to their tools' decodes, the
  // JPEG one exactly too: jpegtopnm decodes with the same library and the
  // same default method. opj_compress -n 4: 23 rows take at most 4
  // resolution levels.
  const TInput inputs[] = {
      {"JPEG", "in.jpg", fcJPEG, {kConvert, "{in}", "-quality", "90", "JPG:{out}"}, {"jpegtopnm", "{out}"}},
      {"BMP", "in.bmp", fcBMP, {kConvert, "{in}", "BMP:{out}"}, {}},
      {"GIF", "in.gif", fcGIF, {kConvert, "{in}", "+dither", "GIF:{out}"}, {"giftopnm", "{out}"}},
      {"TIFF", "in.tif", fcTIFF, {kConvert, "{in}", "-compress", "lzw", "TIFF:{out}"}, {}},
      {"PNG", "in.png", fcPNG, {kConvert, "{in}", "PNG:{out}"}, {}},
      {"PCX", "in.pcx", fcPCX, {kConvert, "{in}", "PCX:{out}"}, {}},
      {"ICO", "in.ico", fcICO, {kConvert, "{in}", "ICO:{out}"}, {}},
      // Our cursor reader takes 1-, 4- and 8-bit images only.
      {"CUR",
       "in.cur",
       fcCUR,
       {kConvert, "{in}", "+dither", "-colors", "256", "ICO:{out}"},
       {kConvert, "{out}", "PPM:-"},
       true},
      {"JP2", "in.jp2", fcJP2, {"opj_compress", "-i", "{in}", "-o", "{out}", "-n", "4"}, {}},
      {"J2K", "in.j2k", fcJ2K, {"opj_compress", "-i", "{in}", "-o", "{out}", "-n", "4"}, {}},
      // netpbm's: ImageMagick 6.9 writes the top row first under a
      // bottom-up descriptor, which spec-following readers show upside down.
      {"TGA", "in.tga", fcTGA, {"ppmtotga", "-rgb", "{in}"}, {}},
      {"PPM", "source.ppm", fcPXM, {}, {}},
  };

  enum class TKind { Lossless, Palette, Lossy };
  struct TOutput {
    const char* Name;
    const char* File;
    void (TImgIO::*Save)(const String&);
    std::vector<std::string> Decode;
    const char* Decoded;  // the file the decoder writes; nullptr: standard output
    TKind Kind;
  };
  const TOutput outputs[] = {
      {"JPEG", "out.jpg", &TImgIO::SaveJPEGFile, {"jpegtopnm", "{out}"}, nullptr, TKind::Lossy},
      {"BMP", "out.bmp", &TImgIO::SaveBMPFile, {"bmptopnm", "{out}"}, nullptr, TKind::Lossless},
      {"GIF", "out.gif", &TImgIO::SaveGIFFile, {"giftopnm", "{out}"}, nullptr, TKind::Palette},
      {"PNG", "out.png", &TImgIO::SavePNGFile, {"pngtopam", "-alphapam", "{out}"}, nullptr, TKind::Lossless},
      {"JP2",
       "out.jp2",
       &TImgIO::SaveJP2File,
       {"opj_decompress", "-i", "{out}", "-o", "{out}.ppm"},
       "{out}.ppm",
       TKind::Lossless},
      {"J2K",
       "out.j2k",
       &TImgIO::SaveJ2KFile,
       {"opj_decompress", "-i", "{out}", "-o", "{out}.ppm"},
       "{out}.ppm",
       TKind::Lossless},
      {"TIFF", "out.tif", &TImgIO::SaveTIFFFile, {"tifftopnm", "{out}"}, nullptr, TKind::Lossless},
  };
  // JPEG at the saver's quality 80 with 2x2 chroma subsampling keeps this
  // picture at 33 dB (as cjpeg does at the same settings), the 256-colour
  // fixtures and the re-saved JPEG at 31.7 and 32.1 dB; a raster shifted by
  // one pixel is at 21 dB, swapped red and blue at 12 dB, upside down at
  // 11 dB.
  constexpr double kJPEGMinPsnr = 28;
  // Our GIF writer's quantisation of the 851 colours stays at 38 dB.
  constexpr double kGIFMinPsnr = 30;

  for (const TInput& in : inputs) {
    SCOPED_TRACE(std::string("input ") + in.Name);
    const std::string path = Dir.File(in.File);
    if (!in.Make.empty()) {
      const std::vector<std::string> make = Expand(in.Make, source, path);
      if (std::any_of(in.Make.begin(), in.Make.end(), [](const std::string& a) { return a.find("{out}") != a.npos; })) {
        ASSERT_TRUE(RanTool(make));
      } else {
        const TIEToolRun run = IERunTool(make);
        ASSERT_EQ(run.ExitStatus, 0) << make[0];
        ASSERT_TRUE(IEWriteBytesFile(path, run.Output));
      }
      if (in.Cursor) {
        // An icon file of type 2 is a cursor; the directory's planes and bit
        // count become the hot spot.
        Bytes b;
        ASSERT_TRUE(IEReadBytesFile(path, b));
        ASSERT_GT(b.size(), 22u);
        b[2] = 2;
        b[10] = 5, b[11] = 0, b[12] = 7, b[13] = 0;
        ASSERT_TRUE(IEWriteBytesFile(path, b));
      }
    }

    TImgIO io;
    io.LoadFromFileByContent(path);
    ASSERT_FALSE(io.AbortFlag);
    EXPECT_EQ(io.Params().FileType, in.Code);
    TIEBitmap& loaded = *io.IEBitmap();
    ASSERT_EQ(loaded.Width(), kW);
    ASSERT_EQ(loaded.Height(), kH);
    const Bytes expected = RgbOf(loaded);
    EXPECT_EQ(AlphaOfBitmap(loaded), Bytes(size_t(kW * kH), 255));
    {
      Bytes reference = pictureRgb;
      if (!in.Reference.empty()) {
        TPamImage r;
        ASSERT_TRUE(Decode(Expand(in.Reference, source, path), r));
        reference = RgbOf(r);
      }
      ASSERT_EQ(reference.size(), expected.size());
      const TDiff d = Difference(expected, reference);
      EXPECT_EQ(d.Max, 0) << "loaded: " << Describe(d, kW);
    }
    const bool fewColours = Colours(expected) <= 256;

    for (const TOutput& out : outputs) {
      SCOPED_TRACE(std::string("output ") + out.Name);
      const std::string file = Dir.File(std::string(in.Name) + "-" + out.File);
      TImgIO saver;
      saver.LoadFromFileByContent(path);
      ASSERT_FALSE(saver.AbortFlag);
      (saver.*out.Save)(file);
      ASSERT_FALSE(saver.AbortFlag);

      TPamImage decoded;
      ASSERT_TRUE(Decode(Expand(out.Decode, file, file), decoded,
                         out.Decoded ? Expand({out.Decoded}, file, file)[0] : std::string()));
      ASSERT_EQ(decoded.Width, kW);
      ASSERT_EQ(decoded.Height, kH);
      const Bytes got = RgbOf(decoded);
      const TDiff d = Difference(got, expected);
      if (HasAlpha(decoded)) {
        EXPECT_EQ(AlphaOf(decoded), Bytes(size_t(kW * kH), 255));
      }
      switch (out.Kind) {
        case TKind::Lossless: EXPECT_EQ(d.Max, 0) << Describe(d, kW); break;
        case TKind::Lossy: EXPECT_GE(d.Psnr, kJPEGMinPsnr) << Describe(d, kW); break;
        case TKind::Palette:
          if (fewColours) {
            EXPECT_EQ(d.Max, 0) << Describe(d, kW);
          } else {
            // Quantised: the tool reads what our own loader reads, and the
            // picture stays close to what was saved.
            TImgIO back;
            back.LoadGIFFile(file);
            ASSERT_FALSE(back.AbortFlag);
            const TDiff ours = Difference(got, RgbOf(*back.IEBitmap()));
            EXPECT_EQ(ours.Max, 0) << "against our loader: " << Describe(ours, kW);
            EXPECT_GE(d.Psnr, kGIFMinPsnr) << Describe(d, kW);
          }
          break;
      }
    }
  }
}

// ---- EXIF and IPTC of the savers ------------------------------------------------------------

// exiftool's lines "[Group] Tag : Value" as (group, tag, value).
struct TTag {
  std::string Group, Name, Value;
};

std::vector<TTag> ExifTool(const std::string& Path) {
  std::vector<TTag> tags;
  for (const std::string& line : Lines(Output({"exiftool", "-a", "-G1", "-s", "-EXIF:all", "-IPTC:all", Path}))) {
    const size_t close = line.find(']');
    const size_t colon = line.find(" : ");
    if (line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
    std::istringstream name(line.substr(close + 1, colon - close - 1));
    TTag t{line.substr(1, close - 1), "", line.substr(colon + 3)};
    name >> t.Name;
    tags.push_back(t);
  }
  return tags;
}

// The values exiftool shows for a tag, in every group.
std::vector<std::string> ValuesOf(const std::vector<TTag>& Tags, const std::string& Name) {
  std::vector<std::string> values;
  for (const TTag& t : Tags)
    if (t.Name == Name) values.push_back(t.Value);
  return values;
}

TEST_F(ImgIOMethodsXcheck, ExiftoolSeesTheNormalisedEXIFAndOneIPTCBlock) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  using V = std::vector<std::string>;
  struct TCase {
    const char* Name;
    const char* File;
    std::function<void(TImgIO&, const std::string&)> SecondSave;
  };
  const TCase cases[] = {
      {"JPEG saved twice", "twice.jpg", [](TImgIO& IO, const std::string& F) { IO.SaveJPEGFile(F); }},
      {"JPEG saved, loaded and saved", "reloaded.jpg",
       [](TImgIO&, const std::string& F) {
         TImgIO back;
         back.LoadJPEGFile(F);
         ASSERT_FALSE(back.AbortFlag);
         back.SaveJPEGFile(F);
         ASSERT_FALSE(back.AbortFlag);
       }},
      {"TIFF saved twice", "twice.tif", [](TImgIO& IO, const std::string& F) { IO.SaveTIFFFile(F); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const bool tiff = std::string(c.File).ends_with(".tif");
    const std::string file = Dir.File(c.File);
    TImgIO io;
    PamToBitmap(Picture(), *io.IEBitmap());
    TIOParamsVals& p = io.Params();
    p.HasEXIFData = true;
    p.EXIFVersion = "0001";
    p.EXIFOrientation = p.TIFFOrientation = 0;
    p.EXIFXResolution = 0;
    p.EXIFYResolution = -5;
    p.EXIFResolutionUnit = 0;
    p.EXIFImageWidth = p.EXIFImageHeight = 1000;
    p.IPTCInfo.AddItem(2, 5, 5, "title");
    p.IPTCInfo.AddItem(2, 120, 7, "caption");
    if (tiff)
      io.SaveTIFFFile(file);
    else
      io.SaveJPEGFile(file);
    ASSERT_FALSE(io.AbortFlag);
    c.SecondSave(io, file);
    ASSERT_FALSE(io.AbortFlag);

    const std::vector<TTag> tags = ExifTool(file);
    ASSERT_FALSE(tags.empty());
    EXPECT_EQ(ValuesOf(tags, "ExifVersion"), V{"0210"});
    EXPECT_EQ(ValuesOf(tags, "Orientation"), V{"Horizontal (normal)"});
    EXPECT_EQ(ValuesOf(tags, "XResolution"), V{"72"});
    EXPECT_EQ(ValuesOf(tags, "YResolution"), V{"72"});
    EXPECT_EQ(ValuesOf(tags, "ResolutionUnit"), V{"inches"});
    EXPECT_EQ(ValuesOf(tags, "ExifImageWidth"), V{std::to_string(kW)});
    EXPECT_EQ(ValuesOf(tags, "ExifImageHeight"), V{std::to_string(kH)});
    // With -a a second block would list its datasets again.
    EXPECT_EQ(ValuesOf(tags, "ObjectName"), V{"title"});
    EXPECT_EQ(ValuesOf(tags, "Caption-Abstract"), V{"caption"});
  }
}

// ---- GIF composition --------------------------------------------------------------------------

// Four frames of different sizes and places on a 24 x 16 screen: frame 1
// is disposed to the background, frames 1 and 3 have transparent pixels
// (magenta, the transparent colour). Each frame K loaded alone must equal
// ImageMagick's coalesced frame K wherever both are opaque.
TEST_F(ImgIOMethodsXcheck, ComposedGIFFramesEqualImageMagicksCoalesce) {
  IE_REQUIRE_TOOL(kConvert, "imagemagick");
  IE_REQUIRE_TOOL("gifsicle", "gifsicle");
  struct TFrame {
    int32_t X, Y, W, H;
    const char* Disposal;
    bool Holes;
  };
  const TFrame frames[] = {
      {0, 0, 24, 16, "None", false},
      {3, 2, 10, 7, "Background", true},
      {10, 8, 12, 6, "None", false},
      {15, 1, 7, 9, "None", true},
  };
  const uint8_t palette[][3] = {{200, 30, 30}, {30, 160, 40},   {20, 40, 220}, {240, 220, 20},
                                {10, 10, 10},  {250, 250, 250}, {0, 200, 200}, {120, 60, 10}};
  std::vector<std::string> make{kConvert};
  for (size_t f = 0; f < std::size(frames); ++f) {
    const TFrame& fr = frames[f];
    TPamImage image = MakePam("RGB", fr.W, fr.H);
    for (int32_t y = 0; y < fr.H; ++y)
      for (int32_t x = 0; x < fr.W; ++x) {
        const bool hole = fr.Holes && (x + y) % 3 == 0;
        const uint8_t* c = palette[(size_t(x / 2 + y) + f * 3) % std::size(palette)];
        for (int32_t k = 0; k < 3; ++k) image.At(x, y, k) = hole ? (k == 1 ? 0 : 255) : c[k];
      }
    const std::string name = Dir.File("frame" + std::to_string(f) + ".ppm");
    ASSERT_TRUE(IEWriteBytesFile(name, FormatPnmOf(image)));
    make.insert(make.end(),
                {"-dispose", fr.Disposal, "-page", "24x16+" + std::to_string(fr.X) + "+" + std::to_string(fr.Y), name});
  }
  const std::string anim = Dir.File("anim.gif");
  make.insert(make.end(), {"-transparent", "#FF00FF", "GIF:" + anim});
  ASSERT_TRUE(RanTool(make));
  // The file has what the test is about.
  const std::string info = Output({"gifsicle", "--info", anim});
  ASSERT_NE(info.find("4 images"), std::string::npos) << info;
  ASSERT_NE(info.find("logical screen 24x16"), std::string::npos) << info;
  ASSERT_NE(info.find("at 3,2"), std::string::npos) << info;
  ASSERT_NE(info.find("disposal background"), std::string::npos) << info;
  ASSERT_NE(info.find("transparent"), std::string::npos) << info;

  ASSERT_TRUE(RanTool({kConvert, anim, "-coalesce", "+adjoin", "PAM:" + Dir.File("coalesced%d.pam")}));
  for (int32_t k = 0; k < int32_t(std::size(frames)); ++k) {
    SCOPED_TRACE(testing::Message() << "frame " << k);
    TPamImage theirs;
    ASSERT_TRUE(ReadPamFile(Dir.File("coalesced" + std::to_string(k) + ".pam"), theirs));
    TImgIO io;
    io.Params().GIFImageIndex = k;
    EXPECT_EQ(io.LoadGIFFile(anim), 4);
    ASSERT_FALSE(io.AbortFlag);
    TIEBitmap& ours = *io.IEBitmap();
    ASSERT_EQ(ours.Width(), theirs.Width);
    ASSERT_EQ(ours.Height(), theirs.Height);
    const Bytes rgb = RgbOf(ours), alpha = AlphaOfBitmap(ours);
    const Bytes theirRgb = RgbOf(theirs);
    const Bytes theirAlpha = HasAlpha(theirs) ? AlphaOf(theirs) : Bytes(alpha.size(), 255);
    size_t compared = 0, differing = 0, opaqueInOne = 0;
    for (size_t i = 0; i < alpha.size(); ++i) {
      opaqueInOne += (alpha[i] == 255) != (theirAlpha[i] == 255) ? 1 : 0;
      if (alpha[i] != 255 || theirAlpha[i] != 255) continue;
      ++compared;
      if (!std::equal(rgb.begin() + long(i * 3), rgb.begin() + long(i * 3 + 3), theirRgb.begin() + long(i * 3))) {
        if (differing++ == 0)
          ADD_FAILURE() << "first difference at (" << i % size_t(theirs.Width) << "," << i / size_t(theirs.Width)
                        << ")";
      }
    }
    EXPECT_EQ(differing, 0u);
    // Both leave the disposed area transparent where nothing was drawn since.
    EXPECT_EQ(opaqueInOne, 0u);
    // Only frame 1's disposed area and the holes in frame 3 may be left out.
    EXPECT_GE(compared, alpha.size() * 3 / 4) << "pixels opaque in both";
  }
}

// ---- Varied sources through every writer ---------------------------------------------------

// Sources of the kinds that once went wrong on a save (palettes of 4 and 8
// bits, RLE, transparency, gray, bilevel, a JPEG-compressed CMYK TIFF),
// loaded by content and saved by every writer; each output is decoded by an
// independent tool and must equal what was loaded: the colours of every pixel
// that is not fully transparent and, where the format holds it, the alpha.
// A format without alpha is held to the opaque pixels.
TEST_F(ImgIOMethodsXcheck, VariedSourcesRoundTripThroughEveryWriter) {
  IE_REQUIRE_TOOL(kConvert, "imagemagick");
  IE_REQUIRE_TOOL("opj_decompress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("jpegtopnm", "netpbm");
  IE_REQUIRE_TOOL("giftopnm", "netpbm");
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  IE_REQUIRE_TOOL("pcxtoppm", "netpbm");
  IE_REQUIRE_TOOL("pngtopam", "netpbm");
  IE_REQUIRE_TOOL("pamtopnm", "netpbm");
  IE_REQUIRE_TOOL("wbmptopbm", "netpbm");

  const TPamImage picture = Picture();
  const std::string source = Dir.File("source.ppm"), withAlpha = Dir.File("source.pam");
  ASSERT_TRUE(IEWriteBytesFile(source, FormatPnmOf(picture)));
  {
    // Alpha from 0 to 255 across the picture, fully transparent and opaque
    // columns included.
    TPamImage a = MakePam("RGB_ALPHA", kW, kH);
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        for (int32_t c = 0; c < 3; ++c) a.At(x, y, c) = picture.At(x, y, c);
        a.At(x, y, 3) = static_cast<uint16_t>(x * 255 / (kW - 1));
      }
    ASSERT_TRUE(IEWriteBytesFile(withAlpha, FormatPam(a)));
  }

  struct TSource {
    const char* Name;
    const char* File;
    std::vector<std::string> Make;  // "{in}": the picture, "{alpha}": the picture with alpha
    bool LossyTIFF = false;         // the source's JPEG compression carries over to a TIFF save
  };
  const TSource sources[] = {
      {"RGB PNG", "rgb.png", {kConvert, "{in}", "PNG24:{out}"}},
      {"RGBA PNG", "rgba.png", {kConvert, "{alpha}", "PNG32:{out}"}},
      {"palette PNG with transparency",
       "pal.png",
       {kConvert, "{alpha}", "-channel", "A", "-threshold", "50%", "+channel", "+dither", "-colors", "200",
        "PNG8:{out}"}},
      {"4-bit palette BMP", "pal4.bmp", {kConvert, "{in}", "+dither", "-colors", "16", "BMP3:{out}"}},
      {"RLE8 BMP", "rle8.bmp", {kConvert, "{in}", "+dither", "-colors", "200", "-compress", "RLE", "BMP3:{out}"}},
      {"8-bit PCX", "pal8.pcx", {kConvert, "{in}", "+dither", "-colors", "200", "-type", "Palette", "PCX:{out}"}},
      {"GIF", "pal.gif", {kConvert, "{in}", "+dither", "GIF:{out}"}},
      {"gray PGM", "gray.pgm", {kConvert, "{in}", "-colorspace", "Gray", "PGM:{out}"}},
      {"bilevel PBM", "bw.pbm", {kConvert, "{in}", "-colorspace", "Gray", "-threshold", "40%", "PBM:{out}"}},
      {"JPEG-compressed CMYK TIFF",
       "cmyk.tif",
       {kConvert, "{in}", "-colorspace", "CMYK", "-compress", "JPEG", "-quality", "95", "TIFF:{out}"},
       true},
  };

  enum class TKind { Lossless, Palette, Lossy, Bilevel };
  struct TWriter {
    const char* Name;
    const char* File;
    void (TImgIO::*Save)(const String&);
    std::vector<std::string> Decode;
    const char* Decoded;  // the file the decoder writes (a PNG); nullptr: standard output
    TKind Kind;
    bool Alpha;  // the format holds alpha
    // Settings of the save; icons default to 64 x 64 in 256 colours, a
    // resampled copy.
    std::function<void(TIOParamsVals&)> Setup = nullptr;
    bool FirstPage = false;  // a DCX: its first page is copied to "{out}.pcx" first
  };
  const TWriter writers[] = {
      {"TIFF",
       "out.tif",
       &TImgIO::SaveTIFFFile,
       {kConvert, "TIFF:{out}", "-depth", "8", "PAM:-"},
       nullptr,
       TKind::Lossless,
       true},
      {"PNG", "out.png", &TImgIO::SavePNGFile, {"pngtopam", "-alphapam", "{out}"}, nullptr, TKind::Lossless, true},
      {"BMP", "out.bmp", &TImgIO::SaveBMPFile, {"bmptopnm", "{out}"}, nullptr, TKind::Lossless, false},
      {"PCX", "out.pcx", &TImgIO::SavePCXFile, {"pcxtoppm", "{out}"}, nullptr, TKind::Lossless, false},
      // The first page of the DCX as a PCX file of its own for pcxtoppm
      // (ImageMagick shows 1-bit PCX pages inverted against their palette).
      {"DCX",
       "out.dcx",
       &TImgIO::SaveDCXFile,
       {"pcxtoppm", "{out}.pcx"},
       nullptr,
       TKind::Lossless,
       false,
       nullptr,
       true},
      {"TGA",
       "out.tga",
       &TImgIO::SaveTGAFile,
       {kConvert, "TGA:{out}", "-depth", "8", "PAM:-"},
       nullptr,
       TKind::Lossless,
       true},
      {"ICO",
       "out.ico",
       &TImgIO::SaveICOFile,
       {kConvert, "ICO:{out}", "-depth", "8", "PAM:-"},
       nullptr,
       TKind::Lossless,
       true,
       [](TIOParamsVals& p) {
         p.ICOSizes.fill(TIEICOSize{});
         p.ICOSizes[0] = TIEICOSize{kW, kH};
         p.ICOBitCounts.fill(0);
         p.ICOBitCounts[0] = 32;
       }},
      {"PNM", "out.pnm", &TImgIO::SavePXMFile, {"pamtopnm", "{out}"}, nullptr, TKind::Lossless, false},
      {"JP2",
       "out.jp2",
       &TImgIO::SaveJP2File,
       {"opj_decompress", "-i", "{out}", "-o", "{out}.png"},
       "{out}.png",
       TKind::Lossless,
       false},
      {"J2K",
       "out.j2k",
       &TImgIO::SaveJ2KFile,
       {"opj_decompress", "-i", "{out}", "-o", "{out}.png"},
       "{out}.png",
       TKind::Lossless,
       false},
      {"GIF", "out.gif", &TImgIO::SaveGIFFile, {"giftopnm", "{out}"}, nullptr, TKind::Palette, false},
      {"JPEG", "out.jpg", &TImgIO::SaveJPEGFile, {"jpegtopnm", "{out}"}, nullptr, TKind::Lossy, false},
      {"WBMP", "out.wbmp", &TImgIO::SaveWBMPFile, {"wbmptopbm", "{out}"}, nullptr, TKind::Bilevel, false},
  };

  for (const TSource& src : sources) {
    SCOPED_TRACE(std::string("source ") + src.Name);
    const std::string path = Dir.File(src.File);
    std::vector<std::string> make = Expand(src.Make, source, path);
    for (std::string& a : make)
      if (a == "{alpha}") a = withAlpha;
    ASSERT_TRUE(RanTool(make));
    TImgIO io;
    io.LoadFromFileByContent(path);
    ASSERT_FALSE(io.AbortFlag);
    TIEBitmap& loaded = *io.IEBitmap();
    ASSERT_EQ(loaded.Width(), kW);
    ASSERT_EQ(loaded.Height(), kH);
    const Bytes expected = RgbOf(loaded), alpha = AlphaOfBitmap(loaded);
    // The pixels each comparison covers: every one but the fully
    // transparent, or the opaque ones only.
    auto masked = [&](Bytes Rgb, bool OpaqueOnly) {
      for (size_t i = 0; i < alpha.size(); ++i)
        if (OpaqueOnly ? alpha[i] != 255 : alpha[i] == 0) Rgb[3 * i] = Rgb[3 * i + 1] = Rgb[3 * i + 2] = 0;
      return Rgb;
    };

    for (const TWriter& w : writers) {
      SCOPED_TRACE(std::string("writer ") + w.Name);
      const std::string file = Dir.File(std::string(src.File) + "-" + w.File);
      TImgIO saver;
      saver.LoadFromFileByContent(path);
      ASSERT_FALSE(saver.AbortFlag);
      if (w.Setup) w.Setup(saver.Params());
      (saver.*w.Save)(file);
      EXPECT_FALSE(saver.AbortFlag);
      if (saver.AbortFlag) continue;
      TPamImage decoded;
      if (w.FirstPage) {
        Bytes dcx;
        ASSERT_TRUE(IEReadBytesFile(file, dcx));
        ASSERT_GE(dcx.size(), 8u);
        const size_t first = dcx[4] | dcx[5] << 8 | dcx[6] << 16 | size_t(dcx[7]) << 24;
        ASSERT_LT(first, dcx.size());
        ASSERT_TRUE(IEWriteBytesFile(file + ".pcx", Bytes(dcx.begin() + std::ptrdiff_t(first), dcx.end())));
      }
      const std::string png = w.Decoded ? Expand({w.Decoded}, file, file)[0] : std::string();
      const bool decodes =
          w.Decoded ? RanTool(Expand(w.Decode, file, file)) && Decode({"pngtopam", "-alphapam", png}, decoded)
                    : static_cast<bool>(Decode(Expand(w.Decode, file, file), decoded));
      EXPECT_TRUE(decodes);
      EXPECT_EQ(decoded.Width, kW);
      EXPECT_EQ(decoded.Height, kH);
      if (!decodes || decoded.Width != kW || decoded.Height != kH) continue;
      const bool opaqueOnly = !w.Alpha;
      const Bytes want = masked(expected, opaqueOnly), got = masked(RgbOf(decoded), opaqueOnly);
      const TDiff d = Difference(got, want);
      if (w.Alpha) {
        EXPECT_EQ(HasAlpha(decoded) ? AlphaOf(decoded) : Bytes(alpha.size(), 255), alpha) << "alpha";
      }
      const TKind kind =
          w.Kind == TKind::Lossless && src.LossyTIFF && std::string(w.Name) == "TIFF" ? TKind::Lossy : w.Kind;
      switch (kind) {
        case TKind::Lossless: EXPECT_EQ(d.Max, 0) << Describe(d, kW); break;
        // The JPEG writers' quality keeps these pictures at 26 dB (the 16
        // colours' hard edges) to 38 dB; swapped or shifted colours fall far
        // below.
        // A JPEG-compressed TIFF source keeps its compression in a TIFF save
        // (above 32 dB here).
        case TKind::Lossy: EXPECT_GE(d.Psnr, src.LossyTIFF ? 30 : 25) << Describe(d, kW); break;
        case TKind::Palette:
          if (Colours(expected) <= 255) {
            EXPECT_EQ(d.Max, 0) << Describe(d, kW);
          } else {
            EXPECT_GE(d.Psnr, 30) << Describe(d, kW);
          }
          break;
        // One bit: exact only for a source that is black and white already.
        case TKind::Bilevel:
          if (BlackAndWhite(expected) == expected) {
            EXPECT_EQ(d.Max, 0) << Describe(d, kW);
          }
          break;
      }
    }
  }
}

// ---- TIFF page insertion -----------------------------------------------------------------------

TEST_F(ImgIOMethodsXcheck, InsertedTIFFPagesAreWhereTheirIndexPutsThem) {
  IE_REQUIRE_TOOL(kConvert, "imagemagick");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  IE_REQUIRE_TOOL("tiffinfo", "libtiff-tools");
  const std::string file = Dir.File("pages.tif");
  ASSERT_TRUE(RanTool({kConvert, "-size", "6x5", "xc:#FF0000", "xc:#00FF00", "TIFF:" + file}));

  struct TInsert {
    const char* Name;
    int32_t Index;
    uint8_t R, G, B;
  };
  const TInsert inserts[] = {
      {"first", 0, 0, 0, 255},
      {"middle", 2, 255, 255, 0},
      {"past the end", 99, 255, 0, 255},
  };
  int32_t pages = 2;
  for (const TInsert& c : inserts) {
    SCOPED_TRACE(c.Name);
    TImgIO io;
    io.IEBitmap()->Allocate(4, 3, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x) *io.IEBitmap()->PixelRGB(x, y) = TRGB{c.B, c.G, c.R};
    io.Params().TIFFImageIndex = c.Index;
    EXPECT_EQ(io.InsertTIFFFile(file), ++pages);
    EXPECT_FALSE(io.AbortFlag);
  }

  EXPECT_EQ(Lines(Output({"identify", "-format", "%n\n", file})), std::vector<std::string>(5, "5"));
  // tiffinfo walks the directory chain: the pages' widths in file order.
  std::vector<int32_t> widths;
  for (const std::string& line : Lines(Output({"tiffinfo", file}))) {
    const size_t at = line.find("Image Width: ");
    if (at != std::string::npos) widths.push_back(std::stoi(line.substr(at + 13)));
  }
  EXPECT_EQ(widths, (std::vector<int32_t>{4, 6, 4, 6, 4}));

  struct TPage {
    int32_t W, H;
    uint16_t R, G, B;
  };
  const TPage order[] = {
      {4, 3, 0, 0, 255}, {6, 5, 255, 0, 0}, {4, 3, 255, 255, 0}, {6, 5, 0, 255, 0}, {4, 3, 255, 0, 255}};
  // -scene 0: ImageMagick would number the files by the pages' PageNumber
  // tags, which name the page within the file each came from.
  ASSERT_TRUE(RanTool({kConvert, file, "+adjoin", "-scene", "0", "-depth", "8", "PPM:" + Dir.File("page%d.ppm")}));
  for (int32_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(testing::Message() << "page " << i);
    TPamImage page;
    ASSERT_TRUE(ReadPamFile(Dir.File("page" + std::to_string(i) + ".ppm"), page));
    EXPECT_EQ(page.Width, order[i].W);
    EXPECT_EQ(page.Height, order[i].H);
    TPamImage expected = MakePam("RGB", page.Width, page.Height);
    for (int32_t y = 0; y < page.Height; ++y)
      for (int32_t x = 0; x < page.Width; ++x)
        for (int32_t k = 0; k < 3; ++k) expected.At(x, y, k) = k == 0 ? order[i].R : k == 1 ? order[i].G : order[i].B;
    EXPECT_EQ(RgbOf(page), RgbOf(expected));
  }
}

// ---- One-page DCX --------------------------------------------------------------------------------

TEST_F(ImgIOMethodsXcheck, DCXSavesHoldOnePage) {
  IE_REQUIRE_TOOL(kConvert, "imagemagick");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  const std::string multi = Dir.File("multi.dcx");
  ASSERT_TRUE(RanTool({kConvert, "-size", "6x5", "xc:red", "xc:lime", "xc:blue", "DCX:" + multi}));
  ASSERT_EQ(Lines(Output({"identify", multi})).size(), 3u);
  Bytes multiBytes;
  ASSERT_TRUE(IEReadBytesFile(multi, multiBytes));

  const TPamImage picture = Picture();
  struct TCase {
    const char* Name;
    bool Stream;
  };
  for (const TCase& c : {TCase{"file", false}, TCase{"stream that held three pages", true}}) {
    SCOPED_TRACE(c.Name);
    const std::string file = Dir.File(std::string(c.Stream ? "stream" : "file") + ".dcx");
    TImgIO io;
    PamToBitmap(picture, *io.IEBitmap());
    if (c.Stream) {
      TMemoryStream s;
      s.WriteBuffer(multiBytes.data(), int64_t(multiBytes.size()));
      io.SaveDCXStream(&s);
      ASSERT_FALSE(io.AbortFlag);
      const auto* p = static_cast<const uint8_t*>(s.Memory());
      ASSERT_TRUE(IEWriteBytesFile(file, Bytes(p, p + s.Size())));
    } else {
      io.SaveDCXFile(file);
      ASSERT_FALSE(io.AbortFlag);
    }
    const std::vector<std::string> lines = Lines(Output({"identify", file}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("DCX 37x23"), std::string::npos) << lines[0];
    TPamImage page;
    ASSERT_TRUE(Decode({kConvert, file, "-depth", "8", "PPM:-"}, page));
    EXPECT_EQ(RgbOf(page), RgbOf(picture));
  }
}

}  // namespace
