// Cross-checks against independent tools: fixtures made by exiftool,
// jpegtran, wrjpgcom and cjpeg at test time; our rewritten files read back
// by exiftool and decoded by djpeg. Skipped when the tools are absent.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "imaging/io/metadata/exif_testing.h"
#include "imaging/model/pixels/testsupport/pnm.h"
#include "imaging/io/metadata/exifreader.h"
#include "imaging/io/metadata/iptcdata.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/strings.h"

using namespace exiftest;

namespace {

// "Name : value" lines (with an optional "[Group]" first) to a map.
std::map<String, String> TagLines(const String& text) {
  std::map<String, String> tags;
  std::istringstream in(text);
  String line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') line = line.substr(line.find(']') + 1);
    const size_t colon = line.find(':');
    if (colon == String::npos) continue;
    tags[Trim(line.substr(0, colon))] = Trim(line.substr(colon + 1));
  }
  return tags;
}

// The JPEG segment names exiftool -v3 reports, in file order.
std::vector<String> SegmentOrder(const String& path) {
  std::vector<String> order;
  std::istringstream in(RunCapture({"exiftool", "-v3", path}));
  String line;
  while (std::getline(in, line))
    if (line.rfind("JPEG ", 0) == 0) {
      String name = line.substr(5);
      name = name.substr(0, name.find_first_of(" :"));
      order.push_back(name);
    }
  return order;
}

// The warnings of exiftool's validation (-a keeps repeated ones).
std::set<String> Warnings(const String& path) {
  std::set<String> warnings;
  std::istringstream in(RunCapture({"exiftool", "-validate", "-warning", "-a", "-s", path}));
  String line;
  while (std::getline(in, line))
    if (line.rfind("Warning", 0) == 0) warnings.insert(Trim(line.substr(line.find(':') + 1)));
  return warnings;
}

String Pixels(const String& path) { return RunCapture({"djpeg", "-ppm", path}); }

class IoMetadataXcheck : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"exiftool", "cjpeg", "djpeg", "jpegtran", "wrjpgcom"})
      IE_REQUIRE_TOOL(tool, std::string(tool) == "exiftool" ? "libimage-exiftool-perl" : "libjpeg-turbo-progs");
  }

  // A 16 x 16 JPEG with EXIF in the given byte order and IPTC datasets.
  String Fixture(const String& name, const String& byteOrder) {
    String ppm = "P6\n16 16\n255\n";
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) ppm += Bytes({x * 16, y * 16, (x + y) * 8});
    const String ppmPath = Dir.File(name + ".ppm");
    WriteFile(ppmPath, ppm);
    const String path = Dir.File(name);
    int status = -1;
    WriteFile(path, RunCapture({"cjpeg", "-quality", "90", ppmPath}, &status));
    EXPECT_EQ(status, 0);
    RunCapture(
        {"exiftool", "-q", "-overwrite_original", "-XResolution=72", "-YResolution=72", "-ResolutionUnit=inches",
         "-DateTimeOriginal=2004:07:15 13:45:10", "-ExifImageWidth=16", "-ExifImageHeight=16", "-Orientation#=6",
         "-ExifByteOrder=" + byteOrder, "-IPTC:Keywords=a", "-IPTC:Keywords=b", "-IPTC:City=x", "-Make=NIKON", path},
        &status);
    EXPECT_EQ(status, 0);
    return path;
  }

  TTempDir Dir;
};

}  // namespace

TEST_F(IoMetadataXcheck, ReadsWhatExiftoolWrote) {
  for (const char* order : {"Big-endian", "Little-endian"}) {
    SCOPED_TRACE(order);
    const String path = Fixture("read.jpg", order);
    TimgData d;
    ASSERT_TRUE(d.ReadFromFile(path));
    ASSERT_TRUE(d.ExifInfo);
    const TImageInfo& e = *d.ExifInfo;
    EXPECT_EQ(e.BigEndian, String(order) == "Big-endian");
    EXPECT_EQ(e.GetDateTimeOriginal(), EncodeDateTime(2004, 7, 15, 13, 45, 10, 0));
    EXPECT_EQ(e.CameraMake, "NIKON");
    EXPECT_EQ(e.ImageWidth, 16);
    EXPECT_EQ(e.ImageHeight, 16);
    EXPECT_EQ(e.TagValueByName("XResolution"), "72.00");
    EXPECT_EQ(e.TagValueByName("ResolutionUnit"), "Inch");
    EXPECT_EQ(e.TagValueByName("Orientation"), "CounterClockwise 90°");

    // Every IPTC dataset exiftool lists, but the record version we drop.
    ASSERT_TRUE(d.App13Segment);
    TIPTCdata iptc(&d);
    iptc.ParseIPTC(d.App13Segment->Data);
    std::map<String, String> ours;
    for (const TTagEntry& t : iptc.Entries)
      ours[t.Name] = StringReplace(t.Text, ",", ", ", {TReplaceFlag::rfReplaceAll});
    std::map<String, String> theirs = TagLines(RunCapture({"exiftool", "-IPTC:all", "-G1", "-s", path}));
    theirs.erase("ApplicationRecordVersion");
    EXPECT_EQ(ours, theirs);
  }
}

TEST_F(IoMetadataXcheck, PatchedRewriteReadsBack) {
  for (const char* order : {"Big-endian", "Little-endian"}) {
    SCOPED_TRACE(order);
    const String path = Fixture("patch.jpg", order);
    const String pixels = Pixels(path);
    ASSERT_FALSE(pixels.empty());
    const std::set<String> warningsBefore = Warnings(path);
    std::vector<String> expectedOrder = SegmentOrder(path);
    ASSERT_EQ(expectedOrder.front(), "APP0");
    expectedOrder.erase(expectedOrder.begin());  // the rewrite drops the JFIF APP0 before an APP1

    TimgData d;
    ASSERT_TRUE(d.ReadFromFile(path));
    d.ExifInfo->PatchResolution(300, 300);
    d.ExifInfo->PatchImageSize(32, 24);
    EXPECT_TRUE(d.ExifInfo->PatchTagByName("Orientation", 1));
    ASSERT_TRUE(d.RewriteJPEGFile(path));

    const auto tags = TagLines(
        RunCapture({"exiftool", "-n", "-s", "-DateTimeOriginal", "-XResolution", "-YResolution", "-ResolutionUnit",
                    "-ExifImageWidth", "-ExifImageHeight", "-Orientation", "-Keywords", path}));
    EXPECT_EQ(tags.at("DateTimeOriginal"), "2004:07:15 13:45:10");
    EXPECT_EQ(tags.at("XResolution"), "300");
    EXPECT_EQ(tags.at("YResolution"), "300");
    EXPECT_EQ(tags.at("ResolutionUnit"), "2");
    EXPECT_EQ(tags.at("ExifImageWidth"), "32");
    EXPECT_EQ(tags.at("ExifImageHeight"), "24");
    EXPECT_EQ(tags.at("Orientation"), "1");
    EXPECT_EQ(tags.at("Keywords"), "a, b");
    EXPECT_EQ(SegmentOrder(path), expectedOrder);
    EXPECT_EQ(Pixels(path), pixels);
    const std::set<String> warningsAfter = Warnings(path);
    for (const String& w : warningsAfter) EXPECT_TRUE(warningsBefore.count(w)) << "new warning: " << w;
  }
}

TEST_F(IoMetadataXcheck, HeadsCopiedIntoOtherTools) {
  const String source = Fixture("source.jpg", "Big-endian");
  TimgData d;
  ASSERT_TRUE(d.ReadFromFile(source));

  // jpegtran -copy none leaves only its JFIF APP0: nothing to read there.
  const String none = Dir.File("none.jpg");
  int status = -1;
  WriteFile(none, RunCapture({"jpegtran", "-copy", "none", source}, &status));
  ASSERT_EQ(status, 0);
  TimgData bare;
  EXPECT_FALSE(bare.ReadFromFile(none));
  EXPECT_TRUE(bare.App0Segment);

  // Our head into that stripped file, as the batch does with a new encoding.
  TMemoryStream encoded;
  encoded.LoadFromFile(none);
  const String out = Dir.File("out.jpg");
  ASSERT_TRUE(d.SaveJPEGWithSegments(&encoded, out));
  std::vector<String> order = SegmentOrder(none);
  ASSERT_EQ(order.front(), "APP0");
  order[0] = "APP1";
  order.insert(order.begin() + 1, "APP13");
  EXPECT_EQ(SegmentOrder(out), order);
  EXPECT_EQ(Pixels(out), Pixels(none));
  const auto tags = TagLines(RunCapture({"exiftool", "-s", "-Make", "-City", out}));
  EXPECT_EQ(tags.at("Make"), "NIKON");
  EXPECT_EQ(tags.at("City"), "x");

  // jpegtran -copy all keeps every segment: the same reading.
  const String all = Dir.File("all.jpg");
  WriteFile(all, RunCapture({"jpegtran", "-copy", "all", source}, &status));
  ASSERT_EQ(status, 0);
  TimgData copied;
  ASSERT_TRUE(copied.ReadFromFile(all));
  EXPECT_EQ(copied.ExifInfo->InfoText, d.ExifInfo->InfoText);
  EXPECT_EQ(copied.App13Segment->Data, d.App13Segment->Data);

  // wrjpgcom puts its COM before the frame header, after the tables. The
  // new head carries the APP0 and the COM; the file's own COM is not next to
  // the APP0, so it stays where it was.
  const String commented = Dir.File("com.jpg");
  WriteFile(commented, RunCapture({"wrjpgcom", "-comment", "hello there", none}, &status));
  ASSERT_EQ(status, 0);
  TimgData c;
  ASSERT_TRUE(c.ReadFromFile(commented));
  ASSERT_TRUE(c.ComSegment);
  EXPECT_EQ(c.ComSegment->Data.substr(2), "hello there");
  std::vector<String> expected = SegmentOrder(commented);
  ASSERT_EQ(expected.front(), "APP0");
  expected.insert(expected.begin() + 1, "COM");
  const String pixels = Pixels(commented);
  ASSERT_TRUE(c.RewriteJPEGFile(commented));
  EXPECT_EQ(SegmentOrder(commented), expected);
  EXPECT_EQ(Pixels(commented), pixels);
  EXPECT_EQ(TagLines(RunCapture({"exiftool", "-s", "-Comment", commented})).at("Comment"), "hello there");
}
