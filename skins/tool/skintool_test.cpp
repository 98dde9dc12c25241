// skintool run as a program: pack, dump and unpack of a fixture skin, and
// the unpacked BMP files checked by ImageMagick's identify.
#include <gtest/gtest.h>

#include "platform/rtl/files.h"
#include "platform/rtl/tools_testing.h"
#include "skin/engine/data/storedskin_testing.h"

namespace {

TToolRun SkinTool(const std::vector<std::string>& Args) {
  std::vector<std::string> argv = {SKINTOOL};
  argv.insert(argv.end(), Args.begin(), Args.end());
  return RunToolCaptured(argv);
}

String Text(const TToolRun& Run) { return String(Run.Output.begin(), Run.Output.end()); }

class SkinToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SkinTool({"pack", Folder.IniPath(), Skn}).ExitStatus, 0); }

  TSkinFolder Folder;
  std::string Skn = Folder.Dir.File("fixture.skn");
};

TEST_F(SkinToolTest, PackWritesTheBuildersContainer) {
  TbsCompressedStoredSkin built(nullptr), read(nullptr);
  built.LoadFromSkinIni(Folder.IniPath());
  read.LoadFromCompressedFile(Skn);
  EXPECT_EQ(Inflate(&read), Inflate(&built));
  // Not a skin ini: refused, nothing written.
  const std::string other = Folder.Dir.File("other.skn");
  SaveBytesToFile(Folder.Dir.File("plain.ini"), "[A]\r\n", 5);
  EXPECT_EQ(SkinTool({"pack", Folder.Dir.File("plain.ini"), other}).ExitStatus, 1);
  EXPECT_FALSE(FileExists(other));
}

TEST_F(SkinToolTest, DumpShowsPicturesSectionsAndDescriptions) {
  const TToolRun run = SkinTool({"dump", Skn});
  ASSERT_EQ(run.ExitStatus, 0);
  const String out = Text(run);
  for (const char* part :
       {"version 3\n", "picture: 40 x 30, 8 bits\n", "mask: none\n", "activepicture 0: 16 x 8, 24 bits\n",
        "activepicture 1: 9 x 5, 1 bits\n", "sections: VERSION PICTURES FORMINFO SKINOBJECTS title",
        "title: TbsDataSkinCaption\n[title]\r\n", "fontcolor=255", "button: TbsDataSkinButtonControl\n",
        "button: TbsDataSkinPanelControl\n", "clientrect=5,20,35,28"})
    EXPECT_NE(out.find(part), String::npos) << part << "\n" << out;
  EXPECT_EQ(SkinTool({"dump", Folder.Dir.File("missing.skn")}).ExitStatus, 1);
  EXPECT_EQ(SkinTool({"dump"}).ExitStatus, 2);
}

TEST_F(SkinToolTest, UnpackedFilesAreAcceptedByIdentifyXcheck) {
  REQUIRE_TOOL("identify", "imagemagick");
  TTestTempDir out;
  ASSERT_EQ(SkinTool({"unpack", Skn, out.Path()}).ExitStatus, 0);
  TMemoryStream ini;
  ini.LoadFromFile(out.File("skin.ini"));
  EXPECT_EQ(String(static_cast<const char*>(ini.Memory()), size_t(ini.Size())), FixtureSkinIni());
  struct Expected {
    const char* File;
    const char* Geometry;
    const char* Depth;
  };
  for (const Expected& e :
       {Expected{"main.bmp", "40x30", "8"}, Expected{"a0.bmp", "16x8", "8"}, Expected{"a1.bmp", "9x5", "1"}}) {
    SCOPED_TRACE(e.File);
    const TToolRun run = RunToolCaptured({"identify", "-format", "%wx%h %z %r", out.File(e.File)});
    ASSERT_EQ(run.ExitStatus, 0);
    const String info = Text(run);
    EXPECT_EQ(info.substr(0, info.find(' ')), e.Geometry) << info;
    EXPECT_NE(info.find(String(" ") + e.Depth + " "), String::npos) << info;
  }
}

}  // namespace
