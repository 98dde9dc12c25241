#include "app/convert/outputnaming.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/settings/marloutils.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/tempdir_testing.h"
#include "platform/rtl/tools_testing.h"

namespace {

TEST(OutputExtension, PerFormatAlwaysLowerCase) {
  const char* expected[] = {".jpg", ".bmp", ".gif", ".png", ".jp2", ".tif", ".jpg", ".jpg"};
  const int32_t formats[] = {0, 1, 2, 3, 4, 5, 6, -1};
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(OutputExtension(formats[i]), expected[i]) << formats[i];
}

class BuildOutputNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Dir / "a");
    Touch(Dir / "a/x.jpg");
  }
  static void Touch(const String& Path) { std::ofstream(Path) << "x"; }
  TempDir Dir{"appnaming"};
};

TEST_F(BuildOutputNameTest, PatternTable) {
  const String x = Dir / "a/x.jpg";
  String tail;
  for (int i = 0; i < 99; ++i) tail += 'a';
  for (int i = 0; i < 51; ++i) tail += "\u20AC";  // three bytes each
  struct {
    const char* Name;
    String Source, Pattern;
    int32_t Counter, Format, Case;
    String Expected;
  } cases[] = {
      {"first file", x, "Image#####", 0, 0, 0, "Image00001.jpg"},
      {"third file", x, "Image#####", 2, 0, 0, "Image00003.jpg"},
      {"upper-case extension", x, "Image#####", 0, 0, 1, "Image00001.JPG"},
      {"other format", x, "Image#####", 0, 3, 1, "Image00001.PNG"},
      {"only the first run counts", x, "Img##_v#", 0, 0, 0, "Img01_v#.jpg"},
      {"a longer number is not cut", x, "#", 122, 0, 0, "123.jpg"},
      {"source name", x, "*_tn", 0, 0, 0, "x_tn.jpg"},
      {"folder name", x, "$P_#", 0, 0, 0, "a_1.jpg"},
      {"folder name, any case", x, "$p", 0, 5, 0, "a.tif"},
      {"a # brought in by the source name", Dir / "a/a#b.jpg", "*", 0, 0, 0, "a1b.jpg"},
      {"tail cut to 100 characters", x, "#" + tail, 0, 0, 0, "1" + tail.substr(0, 99 + 3) + ".jpg"},
      {"no source: date tokens stay", Dir / "a/gone.jpg", "$Y_#", 0, 0, 0, "$Y_1.jpg"},
      {"no counter, no star", x, "fixed", 0, 1, 0, "fixed.bmp"},
  };
  for (const auto& c : cases) {
    int32_t counter = c.Counter;
    EXPECT_EQ(BuildOutputName(c.Source, c.Pattern, counter, c.Format, c.Case), c.Expected) << c.Name;
    EXPECT_EQ(counter, c.Counter + 1) << c.Name;
  }
}

TEST_F(BuildOutputNameTest, RunOfFilesCountsUp) {
  int32_t counter = 0;
  for (const char* expected : {"Image00001.jpg", "Image00002.jpg", "Image00003.jpg"})
    EXPECT_EQ(BuildOutputName(Dir / "a/x.jpg", "Image#####", counter, 0, 0), expected);
}

TEST_F(BuildOutputNameTest, WithoutAPatternTheExtensionIsLowerCase) {
  EXPECT_EQ(PlainOutputName(Dir / "a/Photo.One.JPG", 5), "Photo.One.tif");
}

// Date tokens come from the EXIF date of a JPEG and from the file date of
// every other file, ".jpe" included even when it carries EXIF.
TEST_F(BuildOutputNameTest, DateTokens) {
  REQUIRE_TOOL("convert", "imagemagick");
  REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  const String jpg = Dir / "a/photo.jpg";
  ASSERT_EQ(RunToolCaptured({"convert", "-size", "8x8", "xc:red", jpg}).ExitStatus, 0);
  ASSERT_EQ(RunToolCaptured({"exiftool", "-q", "-overwrite_original", "-DateTimeOriginal=2004:09:30 13:45:07", jpg})
                .ExitStatus,
            0);
  const String jpe = Dir / "a/photo.jpe";
  std::filesystem::copy_file(jpg, jpe);
  const String png = Dir / "a/plain.png";
  Touch(png);
  const TDateTime fileDate = EncodeDateTime(2011, 2, 3, 4, 5, 6, 0);
  for (const String& p : {jpg, jpe, png}) ASSERT_TRUE(SetFileDate(p, fileDate));
  struct {
    String Source, Pattern, Expected;
  } cases[] = {
      {jpg, "$y$m$d", "20040930.jpg"},
      {jpg, "$Y-$M-$D_$H$N$S_#", "2004-09-30_134507_1.jpg"},
      {jpe, "$Y$M$D", "20110203.jpg"},
      {png, "$h$n$s", "040506.jpg"},
  };
  for (const auto& c : cases) {
    int32_t counter = 0;
    EXPECT_EQ(BuildOutputName(c.Source, c.Pattern, counter, 0, 0), c.Expected) << c.Source << " " << c.Pattern;
  }
}

// A token that only the source name brings in is not looked for: the test is
// made on the pattern.
TEST_F(BuildOutputNameTest, DateTokensSoughtInThePatternOnly) {
  const String odd = Dir / "a/$Y.png";
  Touch(odd);
  ASSERT_TRUE(SetFileDate(odd, EncodeDateTime(2011, 2, 3, 4, 5, 6, 0)));
  int32_t counter = 0;
  EXPECT_EQ(BuildOutputName(odd, "*", counter, 0, 0), "$Y.jpg");
  EXPECT_EQ(BuildOutputName(odd, "*_$d", counter, 0, 0), "2011_03.jpg");
}

}  // namespace
