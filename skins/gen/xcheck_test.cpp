// The generated skin 9 read by independent tools: every BMP the build wrote
// (identify), every contact sheet (pngcheck) and the inflated container
// (zlib-flate). A missing tool fails under CI and skips elsewhere.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/files.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/tools_testing.h"
#include "skins/gen/generator.h"
#include "skins/gen/sheets.h"
#include "skins/gen/theme.h"

namespace {

const String kBuilt = SKINS_BUILD_DIR;

String Text(const std::vector<uint8_t>& Bytes) { return String(Bytes.begin(), Bytes.end()); }

String FileBytes(const String& FileName) {
  TMemoryStream m;
  m.LoadFromFile(FileName);
  return String(static_cast<const char*>(m.Memory()), size_t(m.Size()));
}

TEST(GeneratedSkinXcheck, EveryWrittenBitmapHasItsSizeAndDepthForIdentify) {
  REQUIRE_TOOL("identify", "imagemagick");
  const TGeneratedSkin skin = GenerateSkin(LoadThemeFile(SKINS_THEMES_DIR "/09.ini"));
  struct TExpected {
    String File;
    const TRaster* Raster;
    const char* Form;  // depth per sample and class: 24 bits or 1 bit
  };
  std::vector<TExpected> expected = {{kPictureFile, &skin.Picture, "8 DirectClass"},
                                     {kInactivePictureFile, &skin.InactivePicture, "8 DirectClass"},
                                     {kMaskFile, &skin.Mask, "1 PseudoClass"}};
  for (size_t i = 0; i < skin.Active.size(); ++i)
    expected.push_back({ActivePictureFile(int32_t(i)), &skin.Active[i], "8 DirectClass"});
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.File);
    const TToolRun run = RunToolCaptured({"identify", "-format", "%m %wx%h %z %r", kBuilt + "/09/" + e.File});
    ASSERT_EQ(run.ExitStatus, 0);
    const String expected =
        "BMP3 " + IntToStr(e.Raster->Width()) + "x" + IntToStr(e.Raster->Height()) + " " + e.Form + " ";
    EXPECT_EQ(Text(run.Output).substr(0, expected.size()), expected);
  }
}

TEST(GeneratedSkinXcheck, EveryContactSheetPassesPngcheck) {
  REQUIRE_TOOL("pngcheck", "pngcheck");
  TTestTempDir dir;
  const std::vector<String> pages = WriteContactSheets(kBuilt + "/skn/9.skn", 9, dir.Path());
  ASSERT_EQ(pages.size(), SheetPages().size());
  for (const String& page : pages) {
    const TToolRun run = RunToolCaptured({"pngcheck", page});
    EXPECT_EQ(run.ExitStatus, 0) << Text(run.Output);
    EXPECT_NE(Text(run.Output).find("OK"), String::npos) << Text(run.Output);
  }
}

// The container: version and packed size, then one zlib stream that inflates
// to version 3 first and the skin's ini text last.
TEST(GeneratedSkinXcheck, InflatedContainerStartsWithVersion3AndEndsWithTheIni) {
  REQUIRE_TOOL("zlib-flate", "qpdf");
  TTestTempDir dir;
  const String skn = FileBytes(kBuilt + "/skn/9.skn");
  ASSERT_GT(skn.size(), 8u);
  const String packed = skn.substr(8);
  SaveBytesToFile(dir.File("packed"), packed.data(), packed.size());
  const TToolRun run = RunToolCaptured({"zlib-flate", "-uncompress"}, dir.File("packed"));
  ASSERT_EQ(run.ExitStatus, 0);
  const String plain = Text(run.Output);
  ASSERT_GT(plain.size(), 4u);
  EXPECT_EQ(plain.substr(0, 4), String("\x03\x00\x00\x00", 4));
  const String ini = FileBytes(kBuilt + "/09/skin.ini");
  ASSERT_GT(ini.size(), 100u);
  ASSERT_GE(plain.size(), ini.size());
  EXPECT_EQ(plain.substr(plain.size() - ini.size()), ini);
}

}  // namespace
