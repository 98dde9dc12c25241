#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/settings/marloutils.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/timezone_testing.h"
#include "platform/shellapi/shellvolumes.h"

namespace {

// A fresh folder under the test's own HOME, removed with its content.
class TTempFolder {
 public:
  TTempFolder() {
    String templ = String(std::getenv("HOME")) + "/marlo-XXXXXX";
    if (!mkdtemp(templ.data())) std::abort();
    FPath = templ;
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(FPath, ec);
  }
  String operator/(const String& Name) const { return FPath + "/" + Name; }
  const String& Path() const { return FPath; }

 private:
  String FPath;
};

void WriteFile(const String& Path, const String& Data = "x") { std::ofstream(Path, std::ios::binary) << Data; }

bool Exists(const String& Path) {
  struct stat st;
  return lstat(Path.c_str(), &st) == 0;
}

// The first line of a shell command's output.
String Shell(const String& Command) {
  String out;
  if (FILE* p = popen(Command.c_str(), "r")) {
    char buf[256];
    if (fgets(buf, sizeof buf, p)) out = buf;
    pclose(p);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(AppPaths, NameAndFolderTables) {
  struct Case {
    String path, withoutExt, parent;
  };
  const Case cases[] = {
      {"/x/a.b.jpg", "a.b", "x"}, {"/x/.profile", ".profile", "x"}, {"/x/y/noext", "noext", "y"},
      {"/a.jpg", "a", ""},        {"/x/y/.a.b", ".a", "y"},         {"rel/file.png", "file", "rel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(NameWithoutExtension(c.path), c.withoutExt);
    EXPECT_EQ(ParentFolderName(c.path), c.parent);
  }
  const std::pair<String, String> removed[] = {{"/", "/"}, {"/a/", "/a"}, {"/a", "/a"}, {"", ""}};
  for (const auto& [in, out] : removed) EXPECT_EQ(RemoveTrailingBackslash(in), out) << in;
  const std::pair<String, String> added[] = {{"", ""}, {"/", "/"}, {"/a", "/a/"}, {"/a/", "/a/"}};
  for (const auto& [in, out] : added) EXPECT_EQ(AddTrailingBackslash(in), out) << in;
}

TEST(AppPaths, ExpandRelativeFolderIsLexicalAndKeepsTheCurrentFolder) {
  const String before = GetCurrentDir();
  EXPECT_EQ(ExpandRelativeFolder("/a/b", "../c"), "/a/c");
  EXPECT_EQ(ExpandRelativeFolder("/a/b", "./c/d"), "/a/b/c/d");
  EXPECT_EQ(ExpandRelativeFolder("/a/b", "/x/./y"), "/x/y");
  EXPECT_EQ(GetCurrentDir(), before);
}

TEST(AppFiles, SizeOfASparseFileBeyondFourGiB) {
  TTempFolder dir;
  const String big = dir / "big*?.bin";  // wildcard characters are plain name characters
  WriteFile(big, "");
  ASSERT_EQ(truncate(big.c_str(), 5LL << 30), 0);
  EXPECT_EQ(GetFileSize64(big), 5LL << 30);
  EXPECT_EQ(IntToStr(GetFileSize64(big)), Shell("stat -c %s '" + big + "'"));
  EXPECT_EQ(GetFileSize64(dir / "missing"), -1);
  EXPECT_EQ(GetFileSize64(dir.Path()), 0);
  EXPECT_TRUE(FastFileExists(big));
  EXPECT_FALSE(FastFileExists(dir.Path()));
  EXPECT_FALSE(FastFileExists(dir / "missing"));
}

TEST(AppFiles, FileDateRoundTripUnderTwoZones) {
  TTempFolder dir;
  const String file = dir / "dated.jpg";
  WriteFile(file);
  // 2024-07-01 12:34:56 local: UTC and +05:30.
  const struct {
    const char* zone;
    const char* epoch;
  } zones[] = {{"UTC", "1719837296"}, {"Asia/Kolkata", "1719817496"}};
  const TDateTime date = EncodeDateTime(2024, 7, 1, 12, 34, 56, 250);
  for (const auto& z : zones) {
    SCOPED_TRACE(z.zone);
    TimeZoneGuard tz(z.zone);
    ASSERT_TRUE(SetFileDate(file, date));
    EXPECT_EQ(Shell("stat -c %Y '" + file + "'"), z.epoch);
    EXPECT_NEAR(GetFileDate(file), date, 0.5 / 86400000.0);
  }
  EXPECT_EQ(GetFileDate(dir / "missing"), 0);
  EXPECT_FALSE(SetFileDate(dir / "missing", date));
}

TEST(AppFiles, DeleteFilesInFolderRemovesOnlyPlainWritableFiles) {
  TTempFolder dir, outside;
  const String target = outside / "keep.jpg";
  WriteFile(target);
  const String folder = dir / "CVPV";
  ASSERT_TRUE(ForceDirectories(folder + "/sub"));
  WriteFile(folder + "/a.db");
  WriteFile(folder + "/b.txt");
  WriteFile(folder + "/.hidden");
  WriteFile(folder + "/sub/inner.db");
  WriteFile(folder + "/readonly.db");
  ASSERT_EQ(chmod((folder + "/readonly.db").c_str(), 0444), 0);
  ASSERT_EQ(symlink(target.c_str(), (folder + "/link.jpg").c_str()), 0);

  DeleteFilesInFolder(folder);

  EXPECT_FALSE(Exists(folder + "/a.db"));
  EXPECT_FALSE(Exists(folder + "/b.txt"));
  for (const char* kept : {"/.hidden", "/sub/inner.db", "/readonly.db", "/link.jpg"})
    EXPECT_TRUE(Exists(folder + kept)) << kept;
  EXPECT_TRUE(Exists(target));
  DeleteFilesInFolder(dir / "missing");  // nothing to do
}

TEST(AppFiles, DeleteFileForcedRemovesAReadOnlyFileButNotWhatALinkPointsTo) {
  TTempFolder dir;
  const String file = dir / "tmpCropFile.jpg";
  WriteFile(file);
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  DeleteFileForced(file);
  EXPECT_FALSE(Exists(file));

  const String target = dir / "target.jpg", link = dir / "link.jpg";
  WriteFile(target);
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  DeleteFileForced(link);
  EXPECT_FALSE(Exists(link));
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  DeleteFileForced(dir / "missing");
}

TEST(AppFiles, UninstallCleanupEmptiesTheSettingsFolderOnly) {
  const String appData = GetAppDataFolder();
  ASSERT_FALSE(appData.empty());
  EXPECT_EQ(appData, String(std::getenv("XDG_CONFIG_HOME")));
  const String folder = AddTrailingBackslash(appData) + kSettingsSubFolder;
  ASSERT_TRUE(ForceDirectories(folder + "skins"));
  WriteFile(folder + "CVPictovalSettings.db");
  WriteFile(folder + "skins/skin.dat");
  WriteFile(appData + "/other.conf");
  UninstallCleanup();
  EXPECT_FALSE(Exists(folder + "CVPictovalSettings.db"));
  EXPECT_TRUE(Exists(folder + "skins/skin.dat"));
  EXPECT_TRUE(Exists(appData + "/other.conf"));
}

TEST(AppFiles, SameFolderByIdentityNotBySpelling) {
  TTempFolder dir;
  ASSERT_TRUE(ForceDirectories(dir / "Pics/deep"));
  ASSERT_TRUE(ForceDirectories(dir / "pics"));
  ASSERT_EQ(symlink((dir / "Pics").c_str(), (dir / "alias").c_str()), 0);
  EXPECT_TRUE(SameFolder(dir / "Pics", dir / "alias/"));
  EXPECT_TRUE(SameFolder(dir / "Pics", dir / "Pics/deep/.."));
  EXPECT_FALSE(SameFolder(dir / "Pics", dir / "pics"));
  EXPECT_FALSE(SameFolder(dir / "Pics", dir / "Pics/deep"));
  // Folders that do not exist compare by their normalised spelling.
  EXPECT_TRUE(SameFolder(dir / "gone/x/..", dir / "gone/"));
  EXPECT_FALSE(SameFolder(dir / "Gone", dir / "gone"));
  EXPECT_FALSE(SameFolder("", ""));
}

TEST(AppFiles, ShellNormalizedPathSpellsExistingPathsAndKeepsOthers) {
  TTempFolder dir;
  ASSERT_TRUE(ForceDirectories(dir / "a"));
  EXPECT_EQ(ShellNormalizedPath(dir / "a/"), dir / "a");
  EXPECT_EQ(ShellNormalizedPath(dir / "missing/x"), dir / "missing/x");
  EXPECT_EQ(ShellNormalizedPath(""), "");
}

class AppFixedDrive : public ::testing::Test {
 protected:
  ~AppFixedDrive() override { SetMountTableSource(nullptr); }
  TTempFolder Fixed, Remote;
};

TEST_F(AppFixedDrive, FixedMountsOnlyAndAbsolutePathsOnly) {
  const String table = "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 " + Fixed.Path() + " ext4 rw 0 0\nserver:/x " +
                       Remote.Path() + " nfs4 rw 0 0\n";
  SetMountTableSource([table] { return table; });
  EXPECT_TRUE(IsFixedDrivePath(Fixed.Path()));
  EXPECT_TRUE(IsFixedDrivePath("  " + Fixed.Path() + "  "));
  EXPECT_FALSE(IsFixedDrivePath(Remote.Path()));
  EXPECT_FALSE(IsFixedDrivePath("relative/path"));
  EXPECT_FALSE(IsFixedDrivePath(Fixed / "missing"));
  EXPECT_FALSE(IsFixedDrivePath(""));
}

}  // namespace
