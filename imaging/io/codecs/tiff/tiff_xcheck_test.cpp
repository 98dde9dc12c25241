// Cross-checks of the CCITT and LZW coders with libtiff's tools: strips we
// encode, wrapped in a minimal TIFF, must decode in tiffcp and tiff2rgba to
// the source rows; strips tiffcp encodes must decode with our decoders to
// the rows tiff2rgba gives. Skipped when the tools are absent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imaging/io/codecs/tiff/tiff_testing.h"
#include "imaging/model/pixels/testsupport/pnm.h"

using namespace tifftest;

namespace {

class TiffXcheck : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"tiffcp", "tiff2rgba"}) IE_REQUIRE_TOOL(tool, "libtiff-tools");
    const char* home = std::getenv("HOME");
    std::string templ = std::string(home && *home ? home : "/tmp") + "/tiffx-XXXXXX";
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    FDir = templ;
  }
  void TearDown() override {
    std::error_code ec;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, ec);
  }

  std::string File(const std::string& name) const { return FDir + "/" + name; }

  // tiffcp with the options; the output file's page.
  TTiffPage Copy(const std::string& input, const std::vector<std::string>& options, const std::string& output) {
    std::vector<std::string> argv = {"tiffcp"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(input);
    argv.push_back(File(output));
    EXPECT_EQ(RunTool(argv), 0) << output;
    const TTiffRead r = ParseTiff(ReadFile(File(output)));
    EXPECT_TRUE(r.Ok) << output;
    return r.Page;
  }

  // tiff2rgba without alpha: width x height RGB pixels, top row first.
  TBytes Rgb(const std::string& input, int32_t width, int32_t height) {
    const std::string out = input + ".rgb.tif";
    EXPECT_EQ(RunTool({"tiff2rgba", "-c", "none", "-n", input, out}), 0) << input;
    const TTiffRead r = ParseTiff(ReadFile(out));
    EXPECT_TRUE(r.Ok && r.Page.Width == width && r.Page.Height == height && r.Page.SamplesPerPixel == 3) << input;
    TBytes rgb = JoinStrips(r.Page);
    EXPECT_EQ(rgb.size(), static_cast<size_t>(width) * static_cast<size_t>(height) * 3) << input;
    return rgb;
  }

  std::string FDir;
};

// Where two row sets first differ ("" when equal), instead of dumping them.
std::string Difference(const TRows& got, const TRows& expected, int32_t width) {
  if (got.size() != expected.size())
    return "row counts " + std::to_string(got.size()) + " / " + std::to_string(expected.size());
  for (size_t y = 0; y < got.size(); ++y)
    for (int32_t x = 0; x < width; ++x)
      if (Pixel(got[y], x) != Pixel(expected[y], x)) return "row " + std::to_string(y) + " pixel " + std::to_string(x);
  return "";
}

std::string Difference(const TBytes& got, const TBytes& expected) {
  if (got.size() != expected.size())
    return "sizes " + std::to_string(got.size()) + " / " + std::to_string(expected.size());
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != expected[i]) return "byte " + std::to_string(i);
  return "";
}

// Decoders' rows (1 = white) as the stored rows of a WhiteIsZero page.
TBytes StoredBilevel(const TRows& rows, int32_t width) {
  TBytes out;
  for (const TBytes& row : rows)
    for (size_t i = 0; i < row.size(); ++i) {
      uint8_t b = static_cast<uint8_t>(~row[i]);
      if (i + 1 == row.size() && width % 8 != 0) b &= static_cast<uint8_t>(0xFF00 >> (width % 8));
      out.push_back(b);
    }
  return out;
}

// Bilevel rows from tiff2rgba's pixels: white where red is 255.
TRows RowsFromRgb(const TBytes& rgb, int32_t width, int32_t height) {
  TRows rows;
  for (int32_t y = 0; y < height; ++y) {
    TBytes row = WhiteRow(width);
    for (int32_t x = 0; x < width; ++x)
      SetPixel(row, x, rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3] == 255);
    rows.push_back(row);
  }
  return rows;
}

// Every strip of a CCITT page through our decoders, as the TIFF reader
// drives them.
TRows DecodeCCITTPage(const TTiffPage& p) {
  TMode mode = TMode::G4;
  if (p.Compression == 2) mode = TMode::MH;
  if (p.Compression == 3) mode = (p.T4Options & 1) ? TMode::G3_2D : TMode::G3_1D;
  TRows rows;
  for (size_t s = 0; s < p.Strips.size(); ++s) {
    const int32_t count = std::min(p.RowsPerStrip, p.Height - static_cast<int32_t>(s) * p.RowsPerStrip);
    const TRows part =
        DecodeStrip(mode, p.Strips[s], p.Width, count, p.FillOrder, p.Compression == 3 || (p.T4Options & 4) != 0);
    rows.insert(rows.end(), part.begin(), part.end());
  }
  return rows;
}

// Every strip of an LZW page through our decoder, the horizontal predictor
// undone for 8-bit samples.
TBytes DecodeLZWPage(const TTiffPage& p) {
  const int32_t spp = p.SamplesPerPixel;
  const int32_t rowLength = p.Width * spp;
  TBytes out;
  for (size_t s = 0; s < p.Strips.size(); ++s) {
    const int32_t count = std::min(p.RowsPerStrip, p.Height - static_cast<int32_t>(s) * p.RowsPerStrip);
    const TBytes& strip = p.Strips[s];
    TIELZWDecoderState* state = nullptr;
    for (int32_t y = 0; y < count; ++y) {
      const uint8_t* row = IETIFFLZWDecode(strip.data(), static_cast<int64_t>(strip.size()), rowLength, state);
      EXPECT_NE(row, nullptr) << "strip " << s << " row " << y;
      if (row == nullptr) break;
      TBytes r(row, row + rowLength);
      if (p.Predictor == 2)
        for (int32_t i = spp; i < rowLength; ++i) r[i] = static_cast<uint8_t>(r[i] + r[i - spp]);
      out.insert(out.end(), r.begin(), r.end());
    }
    IETIFFLZWDecode(nullptr, 0, 0, state);
  }
  return out;
}

// 8-bit samples: gradients, noise and flat areas.
TBytes ContoneImage(int32_t width, int32_t height, int32_t spp, uint32_t seed) {
  std::mt19937 rng(seed);
  TBytes out;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < spp; ++c) {
        uint8_t v = static_cast<uint8_t>(x * (c + 1) + y * 3);
        if (y % 5 == 2) v = static_cast<uint8_t>(rng());
        if (y % 7 == 3) v = 200;
        out.push_back(v);
      }
  return out;
}

}  // namespace

TEST_F(TiffXcheck, OurCCITTStripsDecodeInLibtiff) {
  struct TKind {
    TMode Mode;
    int32_t Compression, T4Options;
  };
  const TKind kinds[] = {{TMode::MH, 2, -1}, {TMode::G3_1D, 3, 0}, {TMode::G3_2D, 3, 1}, {TMode::G4, 4, -1}};
  for (int32_t width : {1, 7, 8, 1728, 2600})
    for (const TKind& k : kinds)
      for (int32_t fillOrder : {1, 2}) {
        const int32_t height = 26, perStrip = 10;
        const TRows rows = PatternRows(width, height, static_cast<uint32_t>(width) + 13, true);
        TTiffPage page;
        page.Width = width;
        page.Height = height;
        page.Compression = k.Compression;
        page.FillOrder = fillOrder;
        page.RowsPerStrip = perStrip;
        page.T4Options = k.T4Options;
        for (int32_t y = 0; y < height; y += perStrip) {
          const TRows part(rows.begin() + y, rows.begin() + std::min(height, y + perStrip));
          page.Strips.push_back(EncodeStrip(k.Mode, part, width, fillOrder));
        }
        const std::string what = std::string(ModeName(k.Mode)) + " width " + std::to_string(width) + " fill order " +
                                 std::to_string(fillOrder);
        const std::string in = File("ours.tif");
        WriteFile(in, BuildTiff(page));
        const TTiffPage plain = Copy(in, {"-c", "none", "-f", "msb2lsb"}, "plain.tif");
        EXPECT_EQ(Difference(JoinStrips(plain), StoredBilevel(rows, width)), "") << what;
        EXPECT_EQ(Difference(RowsFromRgb(Rgb(in, width, height), width, height), rows, width), "") << what;
      }
}

TEST_F(TiffXcheck, LibtiffCCITTStripsDecodeWithOurDecoders) {
  const std::vector<std::vector<std::string>> options = {{"-c", "g3"},
                                                         {"-c", "g3:2d"},
                                                         {"-c", "g4"},
                                                         {"-c", "g3:fill"},
                                                         {"-c", "g3:2d:fill"},
                                                         {"-c", "g3", "-f", "lsb2msb"},
                                                         {"-c", "g3:2d", "-f", "lsb2msb"},
                                                         {"-c", "g4", "-f", "lsb2msb"},
                                                         {"-c", "g4", "-r", "7"}};
  for (int32_t width : {1, 7, 8, 1728, 2600}) {
    const int32_t height = 30;
    const TRows rows = PatternRows(width, height, static_cast<uint32_t>(width) * 3 + 1, true);
    TTiffPage source;
    source.Width = width;
    source.Height = height;
    source.Strips = {StoredBilevel(rows, width)};
    const std::string in = File("source.tif");
    WriteFile(in, BuildTiff(source));
    for (const auto& opt : options) {
      std::string what = "width " + std::to_string(width);
      for (const auto& o : opt) what += " " + o;
      const TTiffPage fixture = Copy(in, opt, "fixture.tif");
      ASSERT_GT(fixture.Compression, 2) << what;
      const TRows ours = DecodeCCITTPage(fixture);
      EXPECT_EQ(Difference(ours, RowsFromRgb(Rgb(File("fixture.tif"), width, height), width, height), width), "")
          << what;
      EXPECT_EQ(Difference(ours, rows, width), "") << what;
    }
  }
}

TEST_F(TiffXcheck, LZWStripsBothWays) {
  struct TShape {
    int32_t Width, Height, Spp;
  };
  for (const TShape& shape : {TShape{1, 40, 1}, TShape{7, 33, 3}, TShape{300, 120, 1}, TShape{257, 90, 3}}) {
    const int32_t rowLength = shape.Width * shape.Spp;
    const TBytes image = ContoneImage(shape.Width, shape.Height, shape.Spp, static_cast<uint32_t>(rowLength));
    const std::string what =
        std::to_string(shape.Width) + "x" + std::to_string(shape.Height) + "x" + std::to_string(shape.Spp);
    auto expectRgb = [&](const std::string& file) {
      const TBytes rgb = Rgb(file, shape.Width, shape.Height);
      TBytes expected;
      for (size_t i = 0; i < image.size(); i += static_cast<size_t>(shape.Spp))
        for (int c = 0; c < 3; ++c) expected.push_back(image[i + (shape.Spp == 3 ? static_cast<size_t>(c) : 0)]);
      EXPECT_EQ(Difference(rgb, expected), "") << what << " " << file;
    };

    // Ours, with and without the predictor, strips of 16 rows, into libtiff.
    for (int32_t predictor : {1, 2}) {
      TTiffPage page;
      page.Width = shape.Width;
      page.Height = shape.Height;
      page.BitsPerSample = 8;
      page.SamplesPerPixel = shape.Spp;
      page.Photometric = shape.Spp == 3 ? 2 : 1;
      page.Compression = 5;
      page.Predictor = predictor;
      page.RowsPerStrip = 16;
      for (int32_t y = 0; y < shape.Height; y += 16) {
        TMemoryStream s;
        TIELZWEncoderState* state = nullptr;
        for (int32_t r = y; r < std::min(shape.Height, y + 16); ++r) {
          TBytes row(image.begin() + static_cast<std::ptrdiff_t>(r) * rowLength,
                     image.begin() + static_cast<std::ptrdiff_t>(r + 1) * rowLength);
          if (predictor == 2)
            for (int32_t i = rowLength - 1; i >= shape.Spp; --i)
              row[i] = static_cast<uint8_t>(row[i] - row[i - shape.Spp]);
          IETIFFLZWEncode(row.data(), rowLength, &s, state);
        }
        IETIFFLZWEncode(nullptr, 0, &s, state);
        page.Strips.push_back(StreamBytes(s));
      }
      const std::string in = File("ours-lzw.tif");
      WriteFile(in, BuildTiff(page));
      EXPECT_EQ(Difference(JoinStrips(Copy(in, {"-c", "none"}, "plain.tif")), image), "")
          << what << " predictor " << predictor;
      expectRgb(in);
    }

    // libtiff's, decoded by ours.
    TTiffPage source;
    source.Width = shape.Width;
    source.Height = shape.Height;
    source.BitsPerSample = 8;
    source.SamplesPerPixel = shape.Spp;
    source.Photometric = shape.Spp == 3 ? 2 : 1;
    source.Strips = {image};
    const std::string in = File("source-contone.tif");
    WriteFile(in, BuildTiff(source));
    for (const char* codec : {"lzw", "lzw:2"}) {
      const TTiffPage fixture = Copy(in, {"-c", codec, "-r", "13"}, "fixture-lzw.tif");
      ASSERT_EQ(fixture.Compression, 5);
      EXPECT_EQ(Difference(DecodeLZWPage(fixture), image), "") << what << " " << codec;
      expectRgb(File("fixture-lzw.tif"));
    }
  }
}
