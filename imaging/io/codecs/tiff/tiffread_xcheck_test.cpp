// Cross-checks of the TIFF reader with libtiff's, netpbm's, ImageMagick's
// and exiftool's tools: pages made by pnmtotiff, tiffcp and convert decode
// to the pixels tiff2rgba, tifftopnm or convert give (JPEG pages within
// 1, Lab and 16-bit CMYK as each case says); the record's fields
// equal what tiffdump and tiffinfo show, its EXIF, IPTC, XMP and ICC data
// what exiftool shows; the page count equals identify's.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "imaging/io/codecs/tiff/tiff_testing.h"
#include "imaging/io/codecs/tiff/tiffread_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/ieview.h"

namespace {

// The reference decoder of a case.
enum class TRef {
  Tiff2rgba,
  Convert,     // 16-bit CMYK, which tiff2rgba refuses (and tifftopnm scales wrong), and Lab
  GrayLevels,  // tifftopnm's levels of 2 to 7 bits spread over 0..255
};

struct TMatrixCase {
  const char* Name;
  const char* Source;             // a file made by Make
  std::vector<std::string> Copy;  // tiffcp options; empty: the source itself
  int32_t Tolerance;
  TRef Ref = TRef::Tiff2rgba;
};

std::string Text(const std::vector<uint8_t>& Bytes) { return std::string(Bytes.begin(), Bytes.end()); }

// One tag as tiffdump lists it: its count and the text between the angle
// brackets (ASCII values without their NULs).
struct TDumpEntry {
  uint32_t Count = 0;
  std::string Value;
};
using TDumpTags = std::map<int32_t, TDumpEntry>;

// Every directory of the file as tiffdump lists it.
std::vector<TDumpTags> TiffDump(const std::string& File) {
  const TIEToolRun run = IERunTool({"tiffdump", File});
  std::vector<TDumpTags> pages;
  std::istringstream in(Text(run.Output));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Directory ", 0) == 0) {
      pages.emplace_back();
      continue;
    }
    // "Name (number) TYPE (code) count<values>"; tags without a name are
    // "number (0xhex) ...".
    const size_t open = line.find(" ("), close = line.find(')', open + 1);
    const size_t typeClose = line.find(')', close + 1), lt = line.find('<');
    if (pages.empty() || open == std::string::npos || close == std::string::npos || typeClose == std::string::npos ||
        lt == std::string::npos || line.back() != '>' || lt < typeClose + 2)
      continue;
    const std::string name = line.substr(0, open);
    const int32_t tag = std::isdigit(static_cast<unsigned char>(name[0]))
                            ? std::stoi(name)
                            : std::stoi(line.substr(open + 2, close - open - 2));
    std::string value = line.substr(lt + 1, line.size() - lt - 2);
    while (value.size() >= 2 && value.compare(value.size() - 2, 2, "\\0") == 0) value.resize(value.size() - 2);
    pages.back()[tag] =
        TDumpEntry{static_cast<uint32_t>(std::stoul(line.substr(typeClose + 2, lt - typeClose - 2))), value};
  }
  return pages;
}

// tiffdump cuts long texts ("..."): the texts of each directory as tiffinfo
// shows them (whole) replace them, once their start matches.
void TakeTiffinfoTexts(const std::string& File, std::vector<TDumpTags>& Pages) {
  const std::map<std::string, int32_t> labels = {
      {"DocumentName", 269}, {"ImageDescription", 270}, {"Make", 271},   {"Model", 272},      {"PageName", 285},
      {"Software", 305},     {"DateTime", 306},         {"Artist", 315}, {"Copyright", 33432}};
  std::istringstream in(Text(IERunTool({"tiffinfo", File}).Output));
  std::string line;
  int32_t page = -1;
  while (std::getline(in, line)) {
    if (line.rfind("=== TIFF directory", 0) == 0) ++page;
    const size_t colon = line.find(": ");
    if (page < 0 || static_cast<size_t>(page) >= Pages.size() || line.rfind("  ", 0) != 0 || colon == std::string::npos)
      continue;
    const auto label = labels.find(line.substr(2, colon - 2));
    if (label == labels.end()) continue;
    TDumpEntry& e = Pages[static_cast<size_t>(page)][label->second];
    const std::string whole = line.substr(colon + 2);
    const std::string cut = e.Value.size() >= 4 && e.Value.compare(e.Value.size() - 4, 4, " ...") == 0
                                ? e.Value.substr(0, e.Value.size() - 4)
                                : e.Value;
    EXPECT_EQ(whole.substr(0, cut.size()), cut) << "tiffinfo and tiffdump differ on " << label->first;
    e.Value = whole;
  }
  EXPECT_EQ(page + 1, static_cast<int32_t>(Pages.size())) << "tiffinfo and tiffdump count pages differently";
}

// Item Index of a tag's values (blank-separated), or Default.
std::string DumpItem(const TDumpTags& Tags, int32_t Tag, size_t Index, const std::string& Default) {
  const auto it = Tags.find(Tag);
  if (it == Tags.end()) return Default;
  std::istringstream in(it->second.Value);
  std::string item;
  for (size_t i = 0; i <= Index; ++i)
    if (!(in >> item)) return Default;
  return item;
}

std::string DumpText(const TDumpTags& Tags, int32_t Tag) {
  const auto it = Tags.find(Tag);
  return it == Tags.end() ? std::string() : it->second.Value;
}

// The resolution the record should give for tag 282 or 283: truncated
// pixels per inch, the default for 0.
std::string DumpDpi(const TDumpTags& Tags, int32_t Tag, int32_t Default) {
  const double f = DumpItem(Tags, 296, 0, "2") == "3" ? 2.54 : 1.0;
  const auto dpi = static_cast<int32_t>(std::trunc(std::stod(DumpItem(Tags, Tag, 0, "0")) * f));
  return std::to_string(dpi != 0 ? dpi : Default);
}

// exiftool -a -G1 -s output as "Group:Name" -> value.
std::map<std::string, std::string> ExiftoolFields(const std::vector<std::string>& Argv) {
  const TIEToolRun run = IERunTool(Argv);
  std::map<std::string, std::string> fields;
  std::istringstream in(Text(run.Output));
  std::string l;
  while (std::getline(in, l)) {
    // "[Group]   Name   : value"
    const size_t close = l.find(']'), colon = l.find(':', close == std::string::npos ? 0 : close);
    if (l.empty() || l[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
    std::istringstream head(l.substr(close + 1, colon - close - 1));
    std::string name;
    head >> name;
    size_t at = colon + 1;
    if (at < l.size() && l[at] == ' ') ++at;
    fields[l.substr(1, close - 1) + ":" + name] = l.substr(at);
  }
  return fields;
}

// Values equal as numbers (item by item, to the precision of a rational)
// when both are lists of numbers, else as text.
bool SameValue(const std::string& A, const std::string& B) {
  std::istringstream a(A), b(B);
  std::string x, y;
  bool numbers = true, any = false;
  while (numbers) {
    const bool ha = static_cast<bool>(a >> x), hb = static_cast<bool>(b >> y);
    if (!ha || !hb) {
      numbers = ha == hb && any;
      break;
    }
    any = true;
    char* ex = nullptr;
    char* ey = nullptr;
    const double dx = std::strtod(x.c_str(), &ex), dy = std::strtod(y.c_str(), &ey);
    numbers = *ex == 0 && *ey == 0 && std::fabs(dx - dy) <= 1e-6 * std::max(1.0, std::fabs(dx));
  }
  return numbers || A == B;
}

std::string Num(double V) {
  std::ostringstream o;
  o.precision(15);
  o << V;
  return o.str();
}

std::string Ascii(const WideString& W) { return std::string(W.begin(), W.end()); }

class TiffXcheckReader : public ::testing::Test {
 protected:
  // Makes the named source files (and what they are made from) in Dir,
  // each once: the tools are slow enough that a test makes only its own.
  void Make(std::initializer_list<const char*> Names) {
    struct TRecipe {
      const char* Output;
      std::vector<std::string> Argv;  // "@name": a file in Dir, made first
      bool ToStdout;                  // the tool writes the file to its standard output
    };
    static const std::vector<TRecipe> recipes = {
        {"rgb.ppm", {"convert", "-size", "37x21", "gradient:red-blue", "-depth", "8", "@rgb.ppm"}, false},
        {"gray.pgm", {"convert", "-size", "37x21", "gradient:white-black", "-depth", "8", "@gray.pgm"}, false},
        {"bw.pbm", {"convert", "-size", "37x21", "pattern:checkerboard", "-monochrome", "@bw.pbm"}, false},
        // Saturated and dark colours too, where Lab's a and b reach far.
        {"lab.ppm", {"convert", "-size", "37x21", "gradient:yellow-navy", "-depth", "8", "@lab.ppm"}, false},
        {"neutral.ppm",
         {"convert", "-size", "37x21", "gradient:#f8f4ec-#101418", "-depth", "8", "@neutral.ppm"},
         false},
        {"rgb.tif", {"pnmtotiff", "-truecolor", "@rgb.ppm"}, true},
        {"gray.tif", {"pnmtotiff", "@gray.pgm"}, true},
        {"graywhite.tif", {"pnmtotiff", "-miniswhite", "@gray.pgm"}, true},
        {"bw.tif", {"pnmtotiff", "@bw.pbm"}, true},
        {"bwblack.tif", {"pnmtotiff", "-minisblack", "@bw.pbm"}, true},
        {"rgbpred.tif", {"pnmtotiff", "-lzw", "-predictor", "2", "-truecolor", "@rgb.ppm"}, true},
        {"gray4.pgm", {"pnmdepth", "15", "@gray.pgm"}, true},
        {"gray2.pgm", {"pnmdepth", "3", "@gray.pgm"}, true},
        {"gray4.tif", {"pnmtotiff", "@gray4.pgm"}, true},
        {"gray2.tif", {"pnmtotiff", "@gray2.pgm"}, true},
        {"rgb16.tif", {"convert", "@rgb.ppm", "-depth", "16", "@rgb16.tif"}, false},
        {"cmyk.tif", {"convert", "@rgb.ppm", "-colorspace", "CMYK", "@cmyk.tif"}, false},
        {"cmyk16.tif", {"convert", "@rgb.ppm", "-colorspace", "CMYK", "-depth", "16", "@cmyk16.tif"}, false},
        {"pal.tif", {"convert", "@rgb.ppm", "-colors", "12", "-type", "Palette", "@pal.tif"}, false},
        {"pal4.tif",
         {"convert", "@rgb.ppm", "-colors", "12", "+dither", "-type", "Palette", "-depth", "4", "@pal4.tif"},
         false},
        {"pal1.tif",
         {"convert", "@rgb.ppm", "-colors", "2", "+dither", "-type", "Palette", "-depth", "1", "@pal1.tif"},
         false},
        {"gray16.tif", {"convert", "@gray.pgm", "-depth", "16", "@gray16.tif"}, false},
        {"rgbjpeg.tif", {"convert", "@rgb.ppm", "-compress", "JPEG", "@rgbjpeg.tif"}, false},
        {"lab.tif", {"convert", "@lab.ppm", "-colorspace", "Lab", "@lab.tif"}, false},
        {"labneutral.tif", {"convert", "@neutral.ppm", "-colorspace", "Lab", "@labneutral.tif"}, false},
    };
    for (const char* name : Names) {
      if (FMade.count(name)) continue;
      const auto r =
          std::find_if(recipes.begin(), recipes.end(), [&](const TRecipe& t) { return std::string(t.Output) == name; });
      ASSERT_NE(r, recipes.end()) << name;
      std::vector<std::string> argv;
      for (const std::string& a : r->Argv) {
        if (a[0] != '@') {
          argv.push_back(a);
          continue;
        }
        if (a.substr(1) != name) Make({a.c_str() + 1});
        if (!(r->ToStdout && a.substr(1) == name)) argv.push_back(Dir.File(a.substr(1)));
      }
      ASSERT_EQ(RunTool(argv, r->ToStdout ? Dir.File(name) : std::string()), 0) << argv[0] << " " << name;
      FMade.insert(name);
    }
  }

  TIETempDir Dir;
  std::set<std::string> FMade;
};

TEST_F(TiffXcheckReader, DecodeMatrixEqualsTiff2rgba) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("tiff2rgba", "libtiff-tools");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
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
      {"rgb jpeg ycbcr tiles", "rgb.tif", {"-c", "jpeg", "-t", "-w", "16", "-l", "16"}, 1},
      {"rgb jpeg ycbcr strips of 16", "rgb.tif", {"-c", "jpeg", "-r", "16"}, 1},
      {"gray jpeg tiles", "gray.tif", {"-c", "jpeg", "-t", "-w", "16", "-l", "16"}, 1},
      {"rgb planar packbits big-endian", "rgb.tif", {"-B", "-p", "separate", "-c", "packbits"}, 0},
      {"palette 4-bit tiles", "pal4.tif", {"-t", "-w", "16", "-l", "16"}, 0},
      {"gray 4-bit tiles", "gray4.tif", {"-t", "-w", "16", "-l", "16"}, 0, TRef::GrayLevels},
      {"bilevel g4 tiles", "bw.tif", {"-c", "g4", "-t", "-w", "16", "-l", "16"}, 0},
      {"bilevel g3 strips of 3 rows", "bw.tif", {"-c", "g3", "-r", "3"}, 0},
      {"cmyk jpeg", "cmyk.tif", {"-c", "jpeg"}, 1},
      {"bilevel g3", "bw.tif", {"-c", "g3"}, 0},
      {"bilevel g3 2d", "bw.tif", {"-c", "g3:2d"}, 0},
      {"bilevel g4", "bw.tif", {"-c", "g4"}, 0},
      {"bilevel g3 lsb2msb", "bw.tif", {"-f", "lsb2msb", "-c", "g3"}, 0},
      {"bilevel black-is-zero g4", "bwblack.tif", {"-c", "g4"}, 0},
      {"bilevel lzw", "bw.tif", {"-c", "lzw"}, 0},
      {"bilevel tiles", "bw.tif", {"-t", "-w", "16", "-l", "16"}, 0},
      {"rgb 16-bit", "rgb16.tif", {"-c", "lzw"}, 0},
      {"cmyk", "cmyk.tif", {"-c", "packbits"}, 0},
      // The reader mixes the high bytes of the inks in 8 bits, convert mixes
      // all 16 bits and rounds once: up to 2 levels apart.
      {"cmyk 16-bit", "cmyk16.tif", {"-c", "lzw"}, 2, TRef::Convert},
      {"cmyk 16-bit big-endian", "cmyk16.tif", {"-B"}, 2, TRef::Convert},
      {"rgb jpeg of convert", "rgbjpeg.tif", {}, 1},
      // Lab through convert, which reads the page's white point as the
      // reader does: 8-bit a* and b* steps are wide in dark saturated blues,
      // where the two pipelines' roundings differ by up to 7 levels (tiff2rgba,
      // which ignores the white point, is 25 levels from both).
      {"lab", "lab.tif", {}, 7, TRef::Convert},
      {"lab tiles lzw", "lab.tif", {"-c", "lzw:2", "-t", "-w", "16", "-l", "16"}, 7, TRef::Convert},
      {"lab near gray", "labneutral.tif", {}, 2, TRef::Convert},
      {"palette", "pal.tif", {"-c", "lzw"}, 0},
      {"palette tiles", "pal.tif", {"-t", "-w", "16", "-l", "16"}, 0},
      {"palette 4-bit lzw", "pal4.tif", {"-c", "lzw"}, 0},
      {"palette 1-bit packbits", "pal1.tif", {"-c", "packbits"}, 0},
      {"gray 4-bit", "gray4.tif", {"-c", "lzw"}, 0, TRef::GrayLevels},
      {"gray 2-bit big-endian", "gray2.tif", {"-B", "-c", "packbits"}, 0, TRef::GrayLevels},
  };
  for (const TMatrixCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Make({c.Source});
    std::string file = Dir.File(c.Source);
    if (!c.Copy.empty()) {
      std::vector<std::string> argv = {"tiffcp"};
      argv.insert(argv.end(), c.Copy.begin(), c.Copy.end());
      argv.push_back(file);
      file = Dir.File(std::string("copy-") + std::to_string(&c - cases.data()) + ".tif");
      argv.push_back(file);
      ASSERT_EQ(RunTool(argv), 0);
    }
    int32_t refWidth = 0, refHeight = 0;
    tiffread::TBytes expected;
    if (c.Ref == TRef::Tiff2rgba) {
      const std::string rgba = file + ".rgba.tif";
      ASSERT_EQ(RunTool({"tiff2rgba", "-c", "none", "-n", file, rgba}), 0);
      const tifftest::TTiffRead ref = tifftest::ParseTiff(tifftest::ReadFile(rgba));
      ASSERT_TRUE(ref.Ok);
      expected = tifftest::JoinStrips(ref.Page);
      refWidth = ref.Page.Width;
      refHeight = ref.Page.Height;
    } else if (c.Ref == TRef::GrayLevels) {
      const std::string pnm = file + ".pgm";
      ASSERT_EQ(RunTool({"tifftopnm", file}, pnm), 0);
      TPnmImage ref;
      ASSERT_TRUE(ReadPnmFile(pnm, ref));
      ASSERT_TRUE(ref.MaxVal == 3 || ref.MaxVal == 15);
      for (int32_t y = 0; y < ref.Height; ++y)
        for (int32_t x = 0; x < ref.Width; ++x) {
          const auto g = static_cast<uint8_t>(ref.At(x, y) * 255 / ref.MaxVal);
          expected.insert(expected.end(), {g, g, g});
        }
      refWidth = ref.Width;
      refHeight = ref.Height;
    } else if (c.Ref == TRef::Convert) {
      const std::string pnm = file + ".ppm";
      ASSERT_EQ(RunTool({"convert", file, "-depth", "8", pnm}), 0);
      TPnmImage ref;
      ASSERT_TRUE(ReadPnmFile(pnm, ref));
      for (int32_t y = 0; y < ref.Height; ++y)
        for (int32_t x = 0; x < ref.Width; ++x)
          for (int32_t k = 0; k < 3; ++k) expected.push_back(static_cast<uint8_t>(ref.At(x, y, k)));
      refWidth = ref.Width;
      refHeight = ref.Height;
    }

    for (const bool native : {false, true}) {
      TIEBitmap b;
      TIOParamsVals params;
      tiffread::TReadOptions o;
      o.Native = native;
      const tiffread::TResult r = tiffread::ReadTiff(tifftest::ReadFile(file), b, params, nullptr, o);
      ASSERT_FALSE(r.Aborted) << (native ? "native" : "24-bit");
      ASSERT_EQ(b.Width(), refWidth);
      ASSERT_EQ(b.Height(), refHeight);
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

TEST_F(TiffXcheckReader, AlphaGoesToTheMaskAsConvertSeparatesIt) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  Make({"rgb.ppm", "gray.pgm"});
  const std::vector<std::string> across = {
      "(",      "-size", "21x37",    "gradient:white-black", "-rotate",    "90",     ")",
      "-alpha", "off",   "-compose", "CopyOpacity",          "-composite", "-depth", "8"};
  auto withAlpha = [&](const char* source, const char* out) {
    std::vector<std::string> argv = {"convert", Dir.File(source)};
    argv.insert(argv.end(), across.begin(), across.end());
    argv.push_back(Dir.File(out));
    ASSERT_EQ(RunTool(argv), 0);
  };
  withAlpha("rgb.ppm", "rgba.tif");
  withAlpha("gray.pgm", "graya.tif");
  const std::vector<TMatrixCase> cases = {
      {"rgba", "rgba.tif", {}, 0},
      {"rgba tiles big-endian lzw", "rgba.tif", {"-B", "-t", "-w", "16", "-l", "16", "-c", "lzw:2"}, 0},
      {"gray and alpha packbits", "graya.tif", {"-c", "packbits", "-r", "4"}, 0},
  };
  for (const TMatrixCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string file = Dir.File(c.Source);
    if (!c.Copy.empty()) {
      std::vector<std::string> argv = {"tiffcp"};
      argv.insert(argv.end(), c.Copy.begin(), c.Copy.end());
      argv.push_back(file);
      file = Dir.File(std::string("alpha-") + std::to_string(&c - cases.data()) + ".tif");
      argv.push_back(file);
      ASSERT_EQ(RunTool(argv), 0);
    }
    TPnmImage colour, alpha;
    ASSERT_EQ(RunTool({"convert", file, "-alpha", "off", "-depth", "8", file + ".ppm"}), 0);
    ASSERT_EQ(RunTool({"convert", file, "-alpha", "extract", "-depth", "8", file + ".pgm"}), 0);
    ASSERT_TRUE(ReadPnmFile(file + ".ppm", colour));
    ASSERT_TRUE(ReadPnmFile(file + ".pgm", alpha));

    TIEBitmap b;
    TIOParamsVals params;
    std::unique_ptr<TIEMask> mask;
    ASSERT_FALSE(tiffread::ReadTiff(tifftest::ReadFile(file), b, params, &mask).Aborted);
    ASSERT_TRUE(mask);
    ASSERT_EQ(b.Width(), colour.Width);
    ASSERT_EQ(b.Height(), colour.Height);
    ASSERT_EQ(mask->Width(), alpha.Width);
    ASSERT_EQ(mask->Height(), alpha.Height);
    for (int32_t y = 0; y < colour.Height; ++y)
      for (int32_t x = 0; x < colour.Width; ++x) {
        TRGB px;
        b.GetPixelAsRGB(x, y, px);
        ASSERT_EQ(px, MakeTRGB(static_cast<uint8_t>(colour.At(x, y, 0)), static_cast<uint8_t>(colour.At(x, y, 1)),
                               static_cast<uint8_t>(colour.At(x, y, 2))))
            << x << "," << y;
        ASSERT_EQ(mask->GetPixel(x, y), alpha.At(x, y)) << x << "," << y;
      }
  }
}

// A page as an independent decoder shows it: the colours (PPM), and the
// alpha (PGM) when the page has it.
struct TReference {
  TPnmImage Colour;
  TPnmImage Alpha;
};

// Our reading of File equals Ref: colours within Tolerance, alpha exactly.
void ExpectReads(const std::string& File, const TReference& Ref, int32_t Tolerance) {
  for (const bool native : {false, true}) {
    SCOPED_TRACE(native ? "native" : "24-bit");
    TIEBitmap b;
    TIOParamsVals params;
    tiffread::TReadOptions o;
    o.Native = native;
    std::unique_ptr<TIEMask> mask;
    ASSERT_FALSE(tiffread::ReadTiff(tifftest::ReadFile(File), b, params, &mask, o).Aborted);
    ASSERT_EQ(b.Width(), Ref.Colour.Width);
    ASSERT_EQ(b.Height(), Ref.Colour.Height);
    int32_t worst = 0, wx = 0, wy = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int32_t x = 0; x < b.Width(); ++x) {
        TRGB c;
        b.GetPixelAsRGB(x, y, c);
        const uint8_t got[3] = {c.r, c.g, c.b};
        for (int32_t k = 0; k < 3; ++k) {
          const int32_t d = std::abs(int32_t(got[k]) - int32_t(Ref.Colour.At(x, y, Ref.Colour.Channels == 3 ? k : 0)));
          if (d > worst) std::tie(worst, wx, wy) = std::tuple(d, x, y);
        }
      }
    EXPECT_LE(worst, Tolerance) << "at " << wx << "," << wy;
    if (Ref.Alpha.Width == 0) {
      EXPECT_TRUE(!mask || mask->Full());
      continue;
    }
    ASSERT_TRUE(mask);
    ASSERT_EQ(mask->Width(), Ref.Alpha.Width);
    ASSERT_EQ(mask->Height(), Ref.Alpha.Height);
    for (int32_t y = 0; y < Ref.Alpha.Height; ++y)
      for (int32_t x = 0; x < Ref.Alpha.Width; ++x)
        ASSERT_EQ(mask->GetPixel(x, y), Ref.Alpha.At(x, y)) << x << "," << y;
  }
}

// tiff2rgba's colours (it has no alpha for these pages).
TReference Tiff2rgbaReference(const std::string& File) {
  TReference ref;
  const std::string rgba = File + ".rgba.tif";
  EXPECT_EQ(RunTool({"tiff2rgba", "-c", "none", "-n", File, rgba}), 0);
  // tiff2rgba keeps the source's fill order: libtiff puts the bits back.
  EXPECT_EQ(RunTool({"tiffcp", "-f", "msb2lsb", rgba, rgba + ".msb.tif"}), 0);
  const tifftest::TTiffRead t = tifftest::ParseTiff(tifftest::ReadFile(rgba + ".msb.tif"));
  EXPECT_TRUE(t.Ok);
  ref.Colour = MakePnm('6', t.Page.Width, t.Page.Height);
  const tiffread::TBytes rgb = tifftest::JoinStrips(t.Page);
  EXPECT_EQ(rgb.size(), ref.Colour.Samples.size());
  std::copy(rgb.begin(), rgb.begin() + std::min(rgb.size(), ref.Colour.Samples.size()), ref.Colour.Samples.begin());
  return ref;
}

// convert's colours and alpha, each in 8 bits.
TReference ConvertReference(const std::string& File) {
  TReference ref;
  EXPECT_EQ(RunTool({"convert", File, "-alpha", "off", "-depth", "8", File + ".ppm"}), 0);
  EXPECT_EQ(RunTool({"convert", File, "-alpha", "extract", "-depth", "8", File + ".pgm"}), 0);
  EXPECT_TRUE(ReadPnmFile(File + ".ppm", ref.Colour));
  EXPECT_TRUE(ReadPnmFile(File + ".pgm", ref.Alpha));
  return ref;
}

TEST_F(TiffXcheckReader, FillOrderAlphaKindsAndLargeFaxPagesEqualTheReferences) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("tiff2rgba", "libtiff-tools");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");
  IE_REQUIRE_TOOL("djpeg", "libjpeg-turbo-progs");
  IE_REQUIRE_TOOL("gs", "ghostscript");
  Make({"rgb.tif", "gray4.tif", "bw.tif", "pal4.tif", "rgb.ppm"});
  auto copy = [&](const char* Source, std::vector<std::string> Options, const std::string& Out) {
    std::vector<std::string> argv = {"tiffcp"};
    argv.insert(argv.end(), Options.begin(), Options.end());
    argv.push_back(Dir.File(Source));
    argv.push_back(Dir.File(Out));
    EXPECT_EQ(RunTool(argv), 0) << Out;
    return Dir.File(Out);
  };
  // Alpha running across the page, fully transparent at one side.
  ASSERT_EQ(
      RunTool({"convert", Dir.File("rgb.ppm"), "(", "-size", "21x37", "gradient:white-black", "-rotate", "90", ")",
               "-alpha", "off", "-compose", "CopyOpacity", "-composite", "-depth", "8", Dir.File("rgba.png")}),
      0);
  auto withAlpha = [&](std::vector<std::string> Options, const std::string& Out) {
    std::vector<std::string> argv = {"convert", Dir.File("rgba.png")};
    argv.insert(argv.end(), Options.begin(), Options.end());
    argv.push_back(Dir.File(Out));
    EXPECT_EQ(RunTool(argv), 0) << Out;
    return Dir.File(Out);
  };
  // A fax page as wide as a scanned page at 300 dpi, whose runs take the
  // extended make-up codes, shapes down to its last row.
  ASSERT_EQ(RunTool({"convert", "-size", "2453x1200", "xc:white", "-fill", "black", "-draw", "rectangle 100,50 2400,60",
                     "-draw", "circle 1200,600 1500,900", "-draw", "rectangle 0,300 50,1100", "-draw",
                     "rectangle 2400,230 2452,1199", "-draw", "polygon 10,1199 2000,700 2452,1150", "-monochrome",
                     Dir.File("page.pbm")}),
            0);
  ASSERT_EQ(RunTool({"pnmtotiff", Dir.File("page.pbm")}, Dir.File("page.tif")), 0);

  // Palette indexes with alpha as a second sample (unassociated), which no
  // tool here writes: built by hand, read by convert.
  auto paletteAlpha = [&] {
    tiffread::TPage page;
    page.Tags = tiffread::PageTags(37, 21, 8, 2, 3);
    page.Tags.push_back(tiffread::Short(338, {2}));
    std::vector<uint32_t> map(3 * 256, 0);
    for (uint32_t i = 0; i < 16; ++i) {
      map[i] = i * 17 * 257;
      map[256 + i] = (15 - i) * 17 * 257;
      map[512 + i] = (i * 5 % 16) * 17 * 257;
    }
    page.Tags.push_back(tiffread::Short(320, map));
    tiffread::TBytes strip;
    for (int32_t y = 0; y < 21; ++y)
      for (int32_t x = 0; x < 37; ++x) strip.insert(strip.end(), {uint8_t((x + y) % 16), uint8_t(x * 255 / 36)});
    page.Blocks = {strip};
    const std::string file = Dir.File("pal-alpha.tif");
    EXPECT_TRUE(IEWriteBytesFile(file, tiffread::TBuilder(false).Build({page})));
    return file;
  };
  // Old-style JPEG whose strips are JPEG streams of their own (cjpeg's, of
  // 8 rows each); the reference is djpeg's decoding of each strip.
  auto oldJpegStrips = [&] {
    tiffread::TPage page;
    page.Tags = tiffread::PageTags(37, 21, 8, 3, 6, 6);
    page.Tags.push_back(tiffread::Long(278, {8}));
    for (int32_t top = 0; top < 21; top += 8) {
      const std::string cut = Dir.File("cut" + std::to_string(top) + ".ppm");
      EXPECT_EQ(RunTool({"pnmcut", "-top", std::to_string(top), "-height", std::to_string(std::min(8, 21 - top)),
                         Dir.File("rgb.ppm")},
                        cut),
                0);
      EXPECT_EQ(RunTool({"cjpeg", "-quality", "90", "-outfile", cut + ".jpg", cut}), 0);
      page.Blocks.push_back(tifftest::ReadFile(cut + ".jpg"));
    }
    const std::string file = Dir.File("ojpeg.tif");
    EXPECT_TRUE(IEWriteBytesFile(file, tiffread::TBuilder(true).Build({page})));
    return file;
  };
  auto djpegStrips = [&](const std::string&) {
    TReference ref;
    ref.Colour = MakePnm('6', 37, 21);
    for (int32_t top = 0; top < 21; top += 8) {
      const std::string jpg = Dir.File("cut" + std::to_string(top) + ".ppm.jpg");
      TPnmImage part;
      EXPECT_EQ(RunTool({"djpeg", "-outfile", jpg + ".ppm", jpg}), 0);
      EXPECT_TRUE(ReadPnmFile(jpg + ".ppm", part));
      for (int32_t y = 0; y < part.Height; ++y)
        for (int32_t x = 0; x < part.Width; ++x)
          for (int32_t k = 0; k < 3; ++k) ref.Colour.At(x, top + y, k) = part.At(x, y, k);
    }
    return ref;
  };

  // A page of the same width through a second coder: ghostscript's raw Group 4
  // output of a text page, wrapped as the one strip of a page.
  auto gsFax = [&] {
    const std::string ps = Dir.File("page.ps"), raw = Dir.File("page.g4");
    const std::string text =
        "%!PS\n/Helvetica findfont 11 scalefont setfont\n"
        "0 1 20 { 12 mul 270 exch sub 40 exch moveto (The quick brown fox jumps over the lazy dog 0123456789) show } "
        "for\nnewpath 100 20 moveto 500 150 lineto 300 280 lineto closepath fill\n"
        "newpath 300 140 80 0 360 arc stroke\nshowpage\n";
    EXPECT_TRUE(IEWriteBytesFile(ps, tiffread::TBytes(text.begin(), text.end())));
    EXPECT_EQ(RunTool({"gs", "-q", "-dSAFER", "-sDEVICE=faxg4", "-r300", "-g2453x1200", "-o", raw, ps}), 0);
    tiffread::TPage page;
    page.Tags = tiffread::PageTags(2453, 1200, 1, 1, 0, 4);
    page.Blocks = {tifftest::ReadFile(raw)};
    const std::string file = Dir.File("page-gs.tif");
    EXPECT_TRUE(IEWriteBytesFile(file, tiffread::TBuilder(false).Build({page})));
    return file;
  };

  struct TCase {
    const char* Name;
    std::function<std::string()> File;
    std::function<TReference(const std::string&)> Ref = Tiff2rgbaReference;
    int32_t Tolerance = 0;
  };
  const std::vector<TCase> cases = {
      {"rgb lsb-to-msb",
       [&] {
         return copy("rgb.tif", {"-f", "lsb2msb", "-c", "none"}, "rgb-f2.tif");
       }},
      {"rgb lsb-to-msb lzw",
       [&] {
         return copy("rgb.tif", {"-f", "lsb2msb", "-c", "lzw"}, "rgb-f2lzw.tif");
       }},
      {"gray 4-bit lsb-to-msb",
       [&] {
         return copy("gray4.tif", {"-f", "lsb2msb"}, "gray4-f2.tif");
       }},
      {"palette 4-bit lsb-to-msb packbits",
       [&] {
         return copy("pal4.tif", {"-f", "lsb2msb", "-c", "packbits"}, "pal4-f2.tif");
       }},
      {"bilevel lsb-to-msb",
       [&] {
         return copy("bw.tif", {"-f", "lsb2msb", "-c", "none"}, "bw-f2.tif");
       }},
      {"large g4 page",
       [&] {
         return copy("page.tif", {"-c", "g4"}, "page-g4.tif");
       }},
      {"large g4 page in strips of 64",
       [&] {
         return copy("page.tif", {"-c", "g4", "-r", "64"}, "page-g4s.tif");
       }},
      {"large g4 page of ghostscript's coder", gsFax},
      // Colours divided by the alpha again: convert rounds twice (through
      // 16 bits), the reader once.
      {"rgba associated",
       [&] {
         return withAlpha({"-define", "tiff:alpha=associated", "-compress", "none"}, "assoc.tif");
       },
       ConvertReference, 1},
      {"rgba associated lzw tiles",
       [&] {
         withAlpha({"-define", "tiff:alpha=associated"}, "assoc2.tif");
         return copy("assoc2.tif", {"-c", "lzw:2", "-t", "-w", "16", "-l", "16"}, "assoc-tiles.tif");
       },
       ConvertReference, 1},
      {"rgba 16-bit",
       [&] {
         return withAlpha({"-depth", "16", "-compress", "none"}, "rgba16.tif");
       },
       ConvertReference},
      {"rgba 16-bit big-endian lzw",
       [&] {
         withAlpha({"-depth", "16"}, "rgba16b.tif");
         return copy("rgba16b.tif", {"-B", "-c", "lzw"}, "rgba16-mm.tif");
       },
       ConvertReference},
      {"palette with unassociated alpha", paletteAlpha, ConvertReference},
      {"old-style jpeg in strips", oldJpegStrips, djpegStrips, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = c.File();
    ExpectReads(file, c.Ref(file), c.Tolerance);
  }
}

TEST_F(TiffXcheckReader, PageCountEqualsIdentify) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  Make({"rgb.tif", "gray.tif", "bw.tif"});
  const std::string multi = Dir.File("multi.tif");
  ASSERT_EQ(RunTool({"tiffcp", Dir.File("rgb.tif"), Dir.File("gray.tif"), Dir.File("bw.tif"), multi}), 0);
  ASSERT_EQ(
      RunTool({"tiffcp", "-B", "-t", "-w", "16", "-l", "16", multi, Dir.File("rgb.tif"), Dir.File("multi-mm.tif")}), 0);
  for (const char* name : {"multi.tif", "multi-mm.tif", "rgb.tif"}) {
    SCOPED_TRACE(name);
    const std::string file = Dir.File(name);
    const TIEToolRun id = IERunTool({"identify", "-format", "%n\n", file});
    ASSERT_EQ(id.ExitStatus, 0);
    // One line per page, each with the count.
    const std::string text(id.Output.begin(), id.Output.end());
    const tiffread::TBytes bytes = tifftest::ReadFile(file);
    TCustomMemoryStream s;
    s.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(IETIFFPageCount(&s), std::stoi(text));
  }
  // Page 2 is the bilevel one.
  TIEBitmap b;
  TIOParamsVals params;
  params.TIFFImageIndex = 2;
  ASSERT_FALSE(tiffread::ReadTiff(tifftest::ReadFile(multi), b, params).Aborted);
  EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
}

TEST_F(TiffXcheckReader, SoftwareTagAndSixteenBitGrayFollowTifftopnm) {
  IE_REQUIRE_TOOL("tiffset", "libtiff-tools");
  IE_REQUIRE_TOOL("tifftopnm", "netpbm");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  Make({"gray16.tif"});
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

TEST_F(TiffXcheckReader, FieldsEqualTiffdumpAndTiffinfo) {
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("tiffset", "libtiff-tools");
  IE_REQUIRE_TOOL("tiffdump", "libtiff-tools");
  IE_REQUIRE_TOOL("tiffinfo", "libtiff-tools");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  Make({"rgb.ppm", "rgb.tif", "gray.tif", "bw.tif", "bwblack.tif", "pal.tif", "lab.tif", "cmyk16.tif"});
  auto run = [&](std::vector<std::string> argv) { ASSERT_EQ(RunTool(argv), 0) << argv[0] << " " << argv.back(); };
  // A page carrying every field the record takes from the main IFD.
  const std::string tagged = Dir.File("tagged.tif");
  run({"tiffcp", Dir.File("rgb.tif"), tagged});
  const std::vector<std::vector<std::string>> sets = {
      {"269", "a document"}, {"270", "a description"}, {"285", "page one"},
      {"305", "Writer 3.1"}, {"315", "An Artist"},     {"306", "2024:01:02 03:04:05"},
      {"271", "Maker"},      {"272", "Model 9"},       {"33432", "(c) Nobody"},
      {"282", "118.12"},     {"283", "59.06"},         {"296", "3"},
      {"274", "6"},          {"297", "2", "5"},        {"286", "1.5"},
      {"287", "0.5"}};
  for (const std::vector<std::string>& set : sets) {
    std::vector<std::string> argv = {"tiffset", "-s"};
    argv.insert(argv.end(), set.begin(), set.end());
    argv.push_back(tagged);
    run(argv);
  }
  run({"tiffcp", "-B", "-t", "-w", "16", "-l", "16", "-c", "lzw:2", Dir.File("gray.tif"), Dir.File("tiles.tif")});
  run({"tiffcp", "-f", "lsb2msb", "-c", "g3:2d", Dir.File("bw.tif"), Dir.File("g3.tif")});
  run({"tiffcp", "-c", "g4", Dir.File("bwblack.tif"), Dir.File("g4.tif")});
  run({"tiffcp", "-p", "separate", "-c", "packbits", "-r", "5", Dir.File("rgb.tif"), Dir.File("planar.tif")});
  run({"convert", Dir.File("rgb.ppm"), "-compress", "JPEG", "-density", "150", "-units", "PixelsPerInch",
       Dir.File("jpeg.tif")});
  run({"tiffcp", tagged, Dir.File("tiles.tif"), Dir.File("g3.tif"), Dir.File("planar.tif"), Dir.File("jpeg.tif"),
       Dir.File("pal.tif"), Dir.File("lab.tif"), Dir.File("cmyk16.tif"), Dir.File("multi.tif")});
  run({"tiffcp", "-B", Dir.File("multi.tif"), Dir.File("multi-mm.tif")});

  struct TCheck {
    const char* Field;
    std::function<std::string(const TDumpTags&)> Dumped;
    std::function<std::string(const TIOParamsVals&)> Read;
  };
  auto item = [](int32_t tag, size_t index, const char* def) {
    return [=](const TDumpTags& t) { return DumpItem(t, tag, index, def); };
  };
  auto text = [](int32_t tag) { return [=](const TDumpTags& t) { return DumpText(t, tag); }; };
  using P = const TIOParamsVals&;
  const std::vector<TCheck> checks = {
      {"width", item(256, 0, ""), [](P p) { return std::to_string(p.Width); }},
      {"height", item(257, 0, ""), [](P p) { return std::to_string(p.Height); }},
      {"bits", item(258, 0, "1"), [](P p) { return std::to_string(p.BitsPerSample); }},
      {"samples", item(277, 0, "1"), [](P p) { return std::to_string(p.SamplesPerPixel); }},
      {"compression",
       [](const TDumpTags& t) {
         const int32_t c = std::stoi(DumpItem(t, 259, 0, "1")), t4 = std::stoi(DumpItem(t, 292, 0, "0"));
         const std::map<int32_t, int32_t> codes = {{1, 0}, {2, 1},    {3, (t4 & 1) ? 3 : 2}, {4, 4}, {5, 5}, {6, 6},
                                                   {7, 7}, {32773, 8}};
         return std::to_string(codes.count(c) ? codes.at(c) : 9);
       },
       [](P p) { return std::to_string(static_cast<int32_t>(p.TIFFCompression)); }},
      {"photometric",
       [](const TDumpTags& t) {
         const std::string ph = DumpItem(t, 262, 0, "2");
         return ph == "8" ? std::string("7") : ph;
       },
       [](P p) { return std::to_string(static_cast<int32_t>(p.TIFFPhotometric)); }},
      {"planar", item(284, 0, "1"), [](P p) { return std::to_string(p.TIFFPlanarConfig); }},
      {"fill order", item(266, 0, "1"), [](P p) { return std::to_string(p.TIFFFillOrder); }},
      {"orientation", item(274, 0, "1"), [](P p) { return std::to_string(p.TIFFOrientation); }},
      {"EXIF orientation", item(274, 0, "1"), [](P p) { return std::to_string(p.EXIFOrientation); }},
      {"page number", item(297, 0, "0"), [](P p) { return std::to_string(p.TIFFPageNumber); }},
      {"page count", item(297, 1, "0"), [](P p) { return std::to_string(p.TIFFPageCount); }},
      {"resolution unit", item(296, 0, "2"), [](P p) { return std::to_string(p.EXIFResolutionUnit); }},
      {"dpi x", [](const TDumpTags& t) { return DumpDpi(t, 282, IEDefaultDpiX); },
       [](P p) { return std::to_string(p.DpiX); }},
      {"dpi y", [](const TDumpTags& t) { return DumpDpi(t, 283, IEDefaultDpiY); },
       [](P p) { return std::to_string(p.DpiY); }},
      {"x position",
       [](const TDumpTags& t) {
         const double f = DumpItem(t, 296, 0, "2") == "3" ? 2.54 : 1.0;
         return std::to_string(static_cast<int32_t>(std::trunc(std::stod(DumpItem(t, 286, 0, "0")) * f)));
       },
       [](P p) { return std::to_string(p.TIFFXPos); }},
      {"palette entries",
       [](const TDumpTags& t) {
         const auto it = t.find(320);
         return std::to_string(it == t.end() ? 0 : it->second.Count / 3);
       },
       [](P p) { return std::to_string(p.Palette.size()); }},
      {"document name", text(269), [](P p) { return p.TIFFDocumentName; }},
      {"description", text(270), [](P p) { return p.TIFFImageDescription; }},
      {"page name", text(285), [](P p) { return p.TIFFPageName; }},
      {"make", text(271), [](P p) { return p.EXIFMake; }},
      {"model", text(272), [](P p) { return p.EXIFModel; }},
      {"software", text(305), [](P p) { return p.EXIFSoftware; }},
      {"date", text(306), [](P p) { return p.EXIFDateTime; }},
      {"artist", text(315), [](P p) { return p.EXIFArtist; }},
      {"copyright", text(33432), [](P p) { return p.EXIFCopyright; }},
  };

  for (const char* name : {"tagged.tif", "tiles.tif", "g3.tif", "g4.tif", "planar.tif", "jpeg.tif", "pal.tif",
                           "lab.tif", "cmyk16.tif", "multi.tif", "multi-mm.tif"}) {
    SCOPED_TRACE(name);
    const std::string file = Dir.File(name);
    std::vector<TDumpTags> pages = TiffDump(file);
    ASSERT_FALSE(pages.empty());
    TakeTiffinfoTexts(file, pages);
    const tiffread::TBytes bytes = tifftest::ReadFile(file);
    for (size_t page = 0; page < pages.size(); ++page) {
      SCOPED_TRACE("page " + std::to_string(page));
      TIEBitmap b;
      TIOParamsVals params;
      params.TIFFImageIndex = static_cast<int32_t>(page);
      const tiffread::TResult r = tiffread::ReadTiff(bytes, b, params);
      ASSERT_FALSE(r.Aborted);
      EXPECT_EQ(r.Pages, static_cast<int32_t>(pages.size()));
      EXPECT_EQ(params.ImageCount, static_cast<int32_t>(pages.size()));
      for (const TCheck& c : checks) EXPECT_EQ(c.Read(params), c.Dumped(pages[page])) << c.Field;
    }
  }
}

TEST_F(TiffXcheckReader, MetadataEqualsExiftool) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  IE_REQUIRE_TOOL("tiffcp", "libtiff-tools");
  IE_REQUIRE_TOOL("pnmtotiff", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  ASSERT_EQ(RunTool({"convert", "-size", "37x21", "gradient:red-blue", "-depth", "8", Dir.File("rgb.ppm")}), 0);
  ASSERT_EQ(RunTool({"pnmtotiff", "-truecolor", Dir.File("rgb.ppm")}, Dir.File("rgb.tif")), 0);
  // A real profile to embed.
  {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    ASSERT_TRUE(cmsSaveProfileToMem(srgb, nullptr, &size));
    std::vector<uint8_t> icc(size);
    ASSERT_TRUE(cmsSaveProfileToMem(srgb, icc.data(), &size));
    cmsCloseProfile(srgb);
    ASSERT_TRUE(IEWriteBytesFile(Dir.File("srgb.icc"), icc));
  }
  const std::vector<std::string> writes = {"-Make=Maker Co",
                                           "-Model=Model X",
                                           "-Software=Writer 2",
                                           "-Artist=A. Artist",
                                           "-Copyright=(c) Someone",
                                           "-ModifyDate=2024:01:02 03:04:05",
                                           "-ImageDescription=a page",
                                           "-DocumentName=a doc",
                                           "-PageName=page one",
                                           "-XPTitle=A title",
                                           "-XPComment=comment",
                                           "-XPAuthor=Author",
                                           "-XPKeywords=k1;k2",
                                           "-XPSubject=subject",
                                           "-WhitePoint=0.3127 0.329",
                                           "-PrimaryChromaticities=0.64 0.33 0.3 0.6 0.15 0.06",
                                           "-YCbCrCoefficients=0.299 0.587 0.114",
                                           "-YCbCrPositioning=2",
                                           "-ReferenceBlackWhite=0 255 128 255 128 255",
                                           "-ExposureTime=0.004",
                                           "-FNumber=2.8",
                                           "-ExposureProgram=2",
                                           "-ISO=400",
                                           "-ExifVersion=0230",
                                           "-DateTimeOriginal=2023:05:06 07:08:09",
                                           "-CreateDate=2023:05:06 07:08:10",
                                           "-CompressedBitsPerPixel=4",
                                           "-ShutterSpeedValue=0.004",
                                           "-ApertureValue=2.8",
                                           "-BrightnessValue=1.5",
                                           "-ExposureCompensation=-0.5",
                                           "-MaxApertureValue=2",
                                           "-SubjectDistance=3.5",
                                           "-MeteringMode=5",
                                           "-LightSource=1",
                                           "-ExifIFD:Flash=1",
                                           "-FocalLength=50",
                                           "-SubSecTime=12",
                                           "-SubSecTimeOriginal=34",
                                           "-SubSecTimeDigitized=56",
                                           "-FlashpixVersion=0100",
                                           "-ColorSpace=1",
                                           "-ExifImageWidth=37",
                                           "-ExifImageHeight=21",
                                           "-RelatedSoundFile=SND00001.WAV",
                                           "-FocalPlaneXResolution=1000",
                                           "-FocalPlaneYResolution=1001",
                                           "-FocalPlaneResolutionUnit=3",
                                           "-ExposureIndex=200",
                                           "-SensingMethod=2",
                                           "-FileSource=3",
                                           "-SceneType=1",
                                           "-UserComment=hello there",
                                           "-IPTC:ObjectName=Object",
                                           "-IPTC:Keywords=one",
                                           "-IPTC:Keywords=two",
                                           "-IPTC:By-line=Photographer",
                                           "-IPTC:Caption-Abstract=A caption",
                                           "-IPTC:City=Town",
                                           "-XMP-dc:Title=X title",
                                           "-XMP-dc:Creator=X creator",
                                           "-ICC_Profile<=" + Dir.File("srgb.icc")};

  using P = const TIOParamsVals&;
  struct TField {
    const char* Name;  // as exiftool -G1 names it
    std::function<std::string(P)> Read;
  };
  // exiftool shows the APEX values as what they stand for.
  const std::vector<TField> fields = {
      {"IFD0:Make", [](P p) { return p.EXIFMake; }},
      {"IFD0:Model", [](P p) { return p.EXIFModel; }},
      {"IFD0:Software", [](P p) { return p.EXIFSoftware; }},
      {"IFD0:Artist", [](P p) { return p.EXIFArtist; }},
      {"IFD0:Copyright", [](P p) { return p.EXIFCopyright; }},
      {"IFD0:ModifyDate", [](P p) { return p.EXIFDateTime; }},
      {"IFD0:ImageDescription", [](P p) { return p.TIFFImageDescription; }},
      {"IFD0:DocumentName", [](P p) { return p.TIFFDocumentName; }},
      {"IFD0:PageName", [](P p) { return p.TIFFPageName; }},
      {"IFD0:XPTitle", [](P p) { return Ascii(p.EXIFXPTitle); }},
      {"IFD0:XPComment", [](P p) { return Ascii(p.EXIFXPComment); }},
      {"IFD0:XPAuthor", [](P p) { return Ascii(p.EXIFXPAuthor); }},
      {"IFD0:XPKeywords", [](P p) { return Ascii(p.EXIFXPKeywords); }},
      {"IFD0:XPSubject", [](P p) { return Ascii(p.EXIFXPSubject); }},
      {"IFD0:ResolutionUnit", [](P p) { return std::to_string(p.EXIFResolutionUnit); }},
      {"IFD0:WhitePoint", [](P p) { return Num(p.GetEXIFWhitePoint(0)) + " " + Num(p.GetEXIFWhitePoint(1)); }},
      {"IFD0:PrimaryChromaticities",
       [](P p) {
         std::string s;
         for (int32_t i = 0; i < 6; ++i) s += Num(p.GetEXIFPrimaryChromaticities(i)) + " ";
         return s;
       }},
      {"IFD0:YCbCrCoefficients",
       [](P p) {
         std::string s;
         for (int32_t i = 0; i < 3; ++i) s += Num(p.GetEXIFYCbCrCoefficients(i)) + " ";
         return s;
       }},
      {"IFD0:YCbCrPositioning", [](P p) { return std::to_string(p.EXIFYCbCrPositioning); }},
      {"IFD0:ReferenceBlackWhite",
       [](P p) {
         std::string s;
         for (int32_t i = 0; i < 6; ++i) s += Num(p.GetEXIFReferenceBlackWhite(i)) + " ";
         return s;
       }},
      {"ExifIFD:ExposureTime", [](P p) { return Num(p.EXIFExposureTime); }},
      {"ExifIFD:FNumber", [](P p) { return Num(p.EXIFFNumber); }},
      {"ExifIFD:ExposureProgram", [](P p) { return std::to_string(p.EXIFExposureProgram); }},
      {"ExifIFD:ISO", [](P p) { return std::to_string(p.GetEXIFISOSpeedRatings(0)); }},
      {"ExifIFD:ExifVersion", [](P p) { return p.EXIFVersion; }},
      {"ExifIFD:DateTimeOriginal", [](P p) { return p.EXIFDateTimeOriginal; }},
      {"ExifIFD:CreateDate", [](P p) { return p.EXIFDateTimeDigitized; }},
      {"ExifIFD:CompressedBitsPerPixel", [](P p) { return Num(p.EXIFCompressedBitsPerPixel); }},
      {"ExifIFD:ShutterSpeedValue", [](P p) { return Num(std::pow(2.0, -p.EXIFShutterSpeedValue)); }},
      {"ExifIFD:ApertureValue", [](P p) { return Num(std::pow(2.0, p.EXIFApertureValue / 2)); }},
      {"ExifIFD:BrightnessValue", [](P p) { return Num(p.EXIFBrightnessValue); }},
      {"ExifIFD:ExposureCompensation", [](P p) { return Num(p.EXIFExposureBiasValue); }},
      {"ExifIFD:MaxApertureValue", [](P p) { return Num(std::pow(2.0, p.EXIFMaxApertureValue / 2)); }},
      {"ExifIFD:SubjectDistance", [](P p) { return Num(p.EXIFSubjectDistance); }},
      {"ExifIFD:MeteringMode", [](P p) { return std::to_string(p.EXIFMeteringMode); }},
      {"ExifIFD:LightSource", [](P p) { return std::to_string(p.EXIFLightSource); }},
      {"ExifIFD:Flash", [](P p) { return std::to_string(p.EXIFFlash); }},
      {"ExifIFD:FocalLength", [](P p) { return Num(p.EXIFFocalLength); }},
      {"ExifIFD:SubSecTime", [](P p) { return p.EXIFSubsecTime; }},
      {"ExifIFD:SubSecTimeOriginal", [](P p) { return p.EXIFSubsecTimeOriginal; }},
      {"ExifIFD:SubSecTimeDigitized", [](P p) { return p.EXIFSubsecTimeDigitized; }},
      {"ExifIFD:FlashpixVersion", [](P p) { return p.EXIFFlashPixVersion; }},
      {"ExifIFD:ColorSpace", [](P p) { return std::to_string(p.EXIFColorSpace); }},
      {"ExifIFD:ExifImageWidth", [](P p) { return std::to_string(p.EXIFImageWidth); }},
      {"ExifIFD:ExifImageHeight", [](P p) { return std::to_string(p.EXIFImageHeight); }},
      {"ExifIFD:RelatedSoundFile", [](P p) { return p.EXIFRelatedSoundFile; }},
      {"ExifIFD:FocalPlaneXResolution", [](P p) { return Num(p.EXIFFocalPlaneXResolution); }},
      {"ExifIFD:FocalPlaneYResolution", [](P p) { return Num(p.EXIFFocalPlaneYResolution); }},
      {"ExifIFD:FocalPlaneResolutionUnit", [](P p) { return std::to_string(p.EXIFFocalPlaneResolutionUnit); }},
      {"ExifIFD:ExposureIndex", [](P p) { return Num(p.EXIFExposureIndex); }},
      {"ExifIFD:SensingMethod", [](P p) { return std::to_string(p.EXIFSensingMethod); }},
      {"ExifIFD:FileSource", [](P p) { return std::to_string(p.EXIFFileSource); }},
      {"ExifIFD:SceneType", [](P p) { return std::to_string(p.EXIFSceneType); }},
      {"ExifIFD:UserComment", [](P p) { return p.EXIFUserComment; }},
  };
  struct TIptc {
    const char* Name;
    int32_t Record, DataSet;
  };
  const std::vector<TIptc> iptc = {{"IPTC:ObjectName", 2, 5},
                                   {"IPTC:Keywords", 2, 25},
                                   {"IPTC:By-line", 2, 80},
                                   {"IPTC:City", 2, 90},
                                   {"IPTC:Caption-Abstract", 2, 120}};

  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    const std::string file = Dir.File(big ? "meta-mm.tif" : "meta-ii.tif");
    ASSERT_EQ(RunTool({"tiffcp", big ? "-B" : "-L", Dir.File("rgb.tif"), file}), 0);
    std::vector<std::string> argv = {"exiftool", "-q", "-overwrite_original", "-n"};
    argv.insert(argv.end(), writes.begin(), writes.end());
    argv.push_back(file);
    ASSERT_EQ(RunTool(argv), 0);
    const std::map<std::string, std::string> shown = ExiftoolFields({"exiftool", "-a", "-G1", "-s", "-n", file});
    ASSERT_EQ(shown.count("File:ExifByteOrder") ? shown.at("File:ExifByteOrder") : "", big ? "MM" : "II");

    TIEBitmap b;
    TIOParamsVals params;
    ASSERT_FALSE(tiffread::ReadTiff(tifftest::ReadFile(file), b, params).Aborted);
    EXPECT_TRUE(params.HasEXIFData);
    for (const TField& f : fields) {
      ASSERT_TRUE(shown.count(f.Name)) << f.Name << " not written";
      EXPECT_PRED2(SameValue, f.Read(params), shown.at(f.Name)) << f.Name;
    }
    EXPECT_EQ(params.EXIFUserCommentCode, std::string("ASCII\0\0\0", 8));

    // IPTC: every record exiftool shows (repeated ones joined as it joins them).
    for (const TIptc& r : iptc) {
      std::string joined;
      for (int32_t i = 0; i < params.IPTCInfo.Count(); ++i) {
        if (params.IPTCInfo.RecordNumber(i) != r.Record || params.IPTCInfo.DataSet(i) != r.DataSet) continue;
        const auto* d = params.IPTCInfo.Data(i);
        joined += (joined.empty() ? "" : ", ") + std::string(d, d + params.IPTCInfo.Length(i));
      }
      ASSERT_TRUE(shown.count(r.Name)) << r.Name;
      EXPECT_EQ(joined, shown.at(r.Name)) << r.Name;
    }

    // XMP and ICC: the record's bytes are the file's, and exiftool reads the
    // same fields from them alone.
    const TIEToolRun xmp = IERunTool({"exiftool", "-xmp", "-b", file});
    EXPECT_EQ(params.XMPPacket, Text(xmp.Output));
    ASSERT_TRUE(IEWriteBytesFile(Dir.File("packet.xmp"),
                                 std::vector<uint8_t>(params.XMPPacket.begin(), params.XMPPacket.end())));
    const TIEToolRun icc = IERunTool({"exiftool", "-icc_profile", "-b", file});
    ASSERT_TRUE(params.InputICC);
    ASSERT_GT(params.InputICC->RawSize(), 128);
    EXPECT_TRUE(params.InputICC->IsValid());
    const std::vector<uint8_t> profile(params.InputICC->Raw(), params.InputICC->Raw() + params.InputICC->RawSize());
    EXPECT_EQ(profile, icc.Output);
    ASSERT_TRUE(IEWriteBytesFile(Dir.File("profile.icc"), profile));
    const auto fromXmp = ExiftoolFields({"exiftool", "-a", "-G1", "-s", "-n", Dir.File("packet.xmp")});
    const auto fromIcc = ExiftoolFields({"exiftool", "-a", "-G1", "-s", "-n", Dir.File("profile.icc")});
    int32_t compared = 0;
    for (const auto& [name, value] : shown) {
      const bool isXmp = name.rfind("XMP-", 0) == 0, isIcc = name.rfind("ICC", 0) == 0;
      if (!isXmp && !isIcc) continue;
      const auto& alone = isXmp ? fromXmp : fromIcc;
      ++compared;
      ASSERT_TRUE(alone.count(name)) << name;
      EXPECT_EQ(alone.at(name), value) << name;
    }
    EXPECT_EQ(shown.at("XMP-dc:Title"), "X title");
    EXPECT_GT(compared, 10);
  }
}

}  // namespace
