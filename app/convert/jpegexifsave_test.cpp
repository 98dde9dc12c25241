#include "app/convert/jpegexifsave.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/convert/convert_testing.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/rtl/streams.h"

namespace {

class JpegExifSave : public TImgViewTest {
 public:
  void SetUp() override {
    TImgViewTest::SetUp();
    IEInitImageIO();
    View = MakeView(100, 100);
  }
  // Loads Path upright into the view, as the conversion does.
  void Load(const std::string& Path) {
    TImgIO* io = View->GetImageIO();
    io->Params().SetDefaults();
    io->Params().JPEGAdjustOrientation = true;
    io->LoadFromFileByContent(Path);
    ASSERT_FALSE(io->AbortFlag);
    io->Params().JPEGQuality = 90;
  }
  TImgView* View = nullptr;
  TIETempDir Dir;
};

TEST_F(JpegExifSave, CameraExifKeptWithNewSizeAndOrientationOne) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  const std::string camera = std::string(kGoexifDir) + "/sample1.jpg";
  const std::string phone = std::string(kGoexifDir) + "/samples/has-lens-info.jpg";
  REQUIRE_FIXTURE(camera, "golang-github-rwcarlsen-goexif-dev");
  // The camera photo turned by its tag: it loads 375 x 500.
  const std::string turned = Dir.File("turned.jpg");
  std::filesystem::copy_file(camera, turned);
  ASSERT_EQ(ToolText({"exiftool", "-q", "-overwrite_original", "-Orientation=6", "-n", turned}), "");
  struct TCase {
    std::string Source, Make, Model, Size;
  };
  const TCase cases[] = {{camera, "NIKON CORPORATION", "NIKON D2H", "JPEG 500 375"},
                         {turned, "NIKON CORPORATION", "NIKON D2H", "JPEG 375 500"},
                         {phone, "Apple", "iPhone 4S", "JPEG 102 205"}};
  int32_t n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Source);
    Load(c.Source);
    const std::string out = Dir.File("out" + std::to_string(n++) + ".jpg");
    ASSERT_TRUE(SaveJpegWithSourceExif(View, c.Source, out, true, false));
    EXPECT_EQ(Identify(out), c.Size);
    EXPECT_EQ(ExifTag(out, "Make"), c.Make);
    EXPECT_EQ(ExifTag(out, "Model"), c.Model);
    EXPECT_EQ(ExifTag(out, "Orientation"), "1");
    EXPECT_EQ(ExifTag(out, "ExifImageWidth"), std::to_string(View->GetIEBitmap()->Width()));
    EXPECT_EQ(ExifTag(out, "ExifImageHeight"), std::to_string(View->GetIEBitmap()->Height()));
  }
  // The raw block travels whole (GPS, thumbnail, every other tag): only the
  // patched fields differ from the source's.
  auto tags = [](const std::string& Path) {
    std::string kept;
    std::istringstream lines(ToolText({"exiftool", "-s", "-G1", "-u", "-n", "-EXIF:all", Path}));
    for (std::string line; std::getline(lines, line);)
      if (line.find("Resolution") == std::string::npos && line.find("Orientation") == std::string::npos &&
          line.find("ExifImage") == std::string::npos && line.find("Thumbnail") == std::string::npos)
        kept += line + "\n";
    return kept;
  };
  EXPECT_EQ(tags(Dir.File("out0.jpg")), tags(camera));
  EXPECT_NE(tags(camera).find("GPSDateStamp"), std::string::npos);
}

TEST_F(JpegExifSave, WithoutKeepExifTheMetadataIsGone) {
  IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");
  const std::string camera = std::string(kGoexifDir) + "/sample1.jpg";
  REQUIRE_FIXTURE(camera, "golang-github-rwcarlsen-goexif-dev");
  Load(camera);
  const std::string out = Dir.File("plain.jpg");
  ASSERT_TRUE(SaveJpegWithSourceExif(View, camera, out, false, false));
  EXPECT_EQ(ExifTag(out, "Make"), "");
  EXPECT_EQ(ExifTag(out, "Model"), "");
  EXPECT_EQ(Identify(out), "JPEG 500 375");
  // Into a stream: a JPEG without an EXIF segment.
  TMemoryStream s;
  ASSERT_TRUE(SaveJpegWithoutExif(View, std::string(), &s));
  const auto* bytes = static_cast<const uint8_t*>(s.Memory());
  ASSERT_GT(s.Size(), 100);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  const std::string head(reinterpret_cast<const char*>(bytes), 64);
  EXPECT_EQ(head.find("Exif"), std::string::npos);
}

TEST_F(JpegExifSave, AFailedWriteLeavesTheTargetAndAnswersFalse) {
  const std::string camera = std::string(kGoexifDir) + "/sample1.jpg";
  REQUIRE_FIXTURE(camera, "golang-github-rwcarlsen-goexif-dev");
  Load(camera);
  // A folder that does not exist: nothing can be written.
  for (bool keep : {true, false})
    EXPECT_FALSE(SaveJpegWithSourceExif(View, camera, Dir.File("missing/x.jpg"), keep, false)) << keep;
}

}  // namespace
