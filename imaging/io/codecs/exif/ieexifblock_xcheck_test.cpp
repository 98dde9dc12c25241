// Cross-checks of the EXIF block unit against exiftool: blocks exiftool
// writes load with the values it reports, and the blocks we write are valid
// for it with their signed values intact.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "imaging/io/codecs/exif/exifblock_testing.h"
#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/codecs/jpeg/jpeg_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace jpegtest;

namespace {

// The payload of the first APP1 segment that holds EXIF data; empty when none.
Bytes ExifPayload(const Bytes& File) {
  for (const TSegment& s : Segments(File)) {
    if (s.Marker != 0xE1) continue;
    Bytes p = PayloadOf(File, s);
    if (p.size() >= 6 && std::string(p.begin(), p.begin() + 5) == std::string("Exif\0", 5)) return p;
  }
  return {};
}

// exiftool's -n -args output ("-Tag=value" lines) as a map.
std::map<std::string, std::string> ToolValues(const std::vector<std::string>& Argv) {
  const TIEToolRun run = IERunTool(Argv);
  std::map<std::string, std::string> values;
  if (run.ExitStatus != 0) return values;
  const std::string text(run.Output.begin(), run.Output.end());
  size_t p = 0;
  while (p < text.size()) {
    size_t e = text.find('\n', p);
    if (e == std::string::npos) e = text.size();
    const std::string line = text.substr(p, e - p);
    const size_t eq = line.find('=');
    if (line.size() > 1 && line[0] == '-' && eq != std::string::npos)
      values[line.substr(1, eq - 1)] = line.substr(eq + 1);
    p = e + 1;
  }
  return values;
}

bool WriteFile(const std::string& Path, const Bytes& Data) { return IEWriteBytesFile(Path, Data); }

}  // namespace

TEST(ExifBlockXcheck, ExiftoolBlocksLoadWithTheValuesItReports) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  TIETempDir dir;
  TIEBitmap picture, thumb;
  MakePicture(picture, 64, 48);
  // Thumbnail: left half white, right half black.
  MakeFlat(thumb, 16, 12, 0, 0, 0);
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 8; ++x) *thumb.PixelRGB(x, y) = TRGB{255, 255, 255};
  ASSERT_TRUE(WriteFile(dir.File("in.jpg"), Encode(picture).Data));
  ASSERT_TRUE(WriteFile(dir.File("t.jpg"), Encode(thumb).Data));

  const std::vector<std::vector<std::string>> writes = {
      // -n makes "cm" no number: exiftool leaves that unit out.
      {"-Orientation=6", "-n", "-XResolution=180", "-ResolutionUnit=cm", "-ThumbnailImage<=" + dir.File("t.jpg")},
      {"-n", "-Orientation=6", "-XResolution=180", "-YResolution=90", "-ResolutionUnit=3",
       "-ThumbnailImage<=" + dir.File("t.jpg")},
  };
  int n = 0;
  for (const auto& args : writes) {
    const std::string out = dir.File("out" + std::to_string(n++) + ".jpg");
    std::vector<std::string> argv = {"exiftool", "-q", "-q"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-o", out, dir.File("in.jpg")});
    ASSERT_EQ(IERunTool(argv).ExitStatus, 0) << args[0];
    auto tool = ToolValues({"exiftool", "-n", "-args", "-IFD0:Orientation", "-IFD0:XResolution", "-IFD0:YResolution",
                            "-IFD0:ResolutionUnit", "-IFD1:ThumbnailLength", out});
    ASSERT_EQ(tool.count("Orientation"), 1u);
    ASSERT_EQ(tool.count("ThumbnailLength"), 1u);
    Bytes file;
    ASSERT_TRUE(IEReadBytesFile(out, file));
    const Bytes block = ExifPayload(file);
    ASSERT_FALSE(block.empty());

    TIOParamsVals params;
    ASSERT_TRUE(IELoadEXIFFromBlock(block.data(), static_cast<int32_t>(block.size()), params));
    EXPECT_TRUE(params.HasEXIFData);
    EXPECT_EQ(params.EXIFOrientation, std::stoi(tool["Orientation"]));
    const int32_t unit = tool.count("ResolutionUnit") ? std::stoi(tool["ResolutionUnit"]) : 0;
    const double f = unit == 3 ? 2.54 : 1.0;
    EXPECT_EQ(params.EXIFXResolution, std::trunc(std::stod(tool["XResolution"]) * f)) << args[0];
    EXPECT_EQ(params.EXIFYResolution, std::trunc(std::stod(tool["YResolution"]) * f)) << args[0];
    EXPECT_EQ(params.EXIFResolutionUnit, unit == 3 ? 2 : unit);  // the values are in inches now
    // The 16 x 12 thumbnail turned a quarter clockwise: white on top.
    ASSERT_NE(params.EXIFThumbnail, nullptr);
    TIEBitmap& t = *params.EXIFThumbnail;
    ASSERT_EQ(t.Width(), 12);
    ASSERT_EQ(t.Height(), 16);
    EXPECT_GT(t.PixelRGB(6, 2)->g, 200);
    EXPECT_LT(t.PixelRGB(6, 13)->g, 50);
  }
}

TEST(ExifBlockXcheck, SavedBlockIsValidAndKeepsTheSignedValues) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  TIETempDir dir;
  TIOParamsVals params;
  exiftest::CameraFields(params);
  std::vector<uint8_t> block;
  ASSERT_TRUE(IESaveEXIFToBlock(params, block));
  // The APP1 segment right after the start of image, as cameras write it.
  TIEBitmap picture;
  MakePicture(picture, 64, 48);
  const Bytes file = InsertAt(RemoveSegments(Encode(picture).Data, 0xE0), 2, Segment(0xE1, block));
  const std::string path = dir.File("exif.jpg");
  ASSERT_TRUE(IEWriteBytesFile(path, file));

  const TIEToolRun validate = IERunTool({"exiftool", "-validate", "-warning", "-a", path});
  const std::string report(validate.Output.begin(), validate.Output.end());
  ASSERT_NE(report.find("Validate"), std::string::npos) << report;
  // Every warning fails but the one about ComponentsConfiguration, a tag our
  // EXIF set does not carry; none may name the signed tags.
  const char* const tolerated[] = {
      "Missing required JPEG ExifIFD tag 0x9101 ComponentsConfiguration",
  };
  size_t p = 0;
  while (p < report.size()) {
    size_t e = report.find('\n', p);
    if (e == std::string::npos) e = report.size();
    const std::string line = report.substr(p, e - p);
    p = e + 1;
    if (line.rfind("Warning", 0) != 0) continue;
    bool known = false;
    for (const char* t : tolerated) known = known || line.find(t) != std::string::npos;
    EXPECT_TRUE(known) << line;
  }

  // Signed values read back with their sign.
  auto tool =
      ToolValues({"exiftool", "-n", "-args", "-ExposureCompensation", "-BrightnessValue", "-Orientation", path});
  ASSERT_EQ(tool.count("ExposureCompensation"), 1u) << report;
  EXPECT_DOUBLE_EQ(std::stod(tool["ExposureCompensation"]), -0.7);
  EXPECT_DOUBLE_EQ(std::stod(tool["BrightnessValue"]), -1.25);
  EXPECT_EQ(tool["Orientation"], "6");
}
