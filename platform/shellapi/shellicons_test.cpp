#include <sys/stat.h>

#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"

using namespace shelltest;

TEST(ShellIcons, IndexesAndTypeNamesByFileType) {
  const String dir = NewDir("icons");
  ForceDirectories(dir + "/folder");
  WriteFile(dir + "/a.jpg", "");
  WriteFile(dir + "/b.JPG", "");
  WriteFile(dir + "/c.png", "");
  WriteFile(dir + "/notes.txt", "");
  WriteFile(dir + "/data.xyz", "");
  WriteFile(dir + "/README", "");
  WriteFile(dir + "/run", "#!/bin/sh\n");
  ::chmod((dir + "/run").c_str(), 0755);
  struct TCase {
    String Name;
    const char* Icon;
    const char* Type;
  };
  const std::vector<TCase> cases = {
      {"folder", "folder", "Folder"},
      {"a.jpg", "image-x-generic", "JPEG image"},
      {"b.JPG", "image-x-generic", "JPEG image"},
      {"c.png", "image-x-generic", "PNG image"},
      {"notes.txt", "text-x-generic", "Text document"},
      {"data.xyz", "unknown", "XYZ File"},
      {"README", "unknown", "File"},
      {"run", "application-x-executable", "File"},
  };
  HIMAGELIST small = nullptr;
  for (const TCase& c : cases) {
    SHFILEINFO info;
    const uintptr_t r = SHGetFileInfo(dir + "/" + c.Name, 0, &info, sizeof info,
                                      SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_DISPLAYNAME);
    ASSERT_NE(r, 0u) << c.Name;
    small = reinterpret_cast<HIMAGELIST>(r);
    EXPECT_EQ(info.iIcon, ShellIconIndex(c.Icon)) << c.Name;
    EXPECT_EQ(info.szTypeName, c.Type) << c.Name;
    EXPECT_EQ(info.szDisplayName, c.Name);
    // The large list has the same index for the same type.
    SHFILEINFO large;
    const uintptr_t lr = SHGetFileInfo(dir + "/" + c.Name, 0, &large, sizeof large, SHGFI_SYSICONINDEX);
    EXPECT_EQ(large.iIcon, info.iIcon);
    EXPECT_NE(lr, r);
  }
  EXPECT_EQ(small, ShellSystemImageList(true));
  int32_t cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(small, &cx, &cy));
  EXPECT_EQ(cx, 16);
  ASSERT_TRUE(ImageList_GetIconSize(ShellSystemImageList(false), &cx, &cy));
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(ImageList_GetImageCount(small), ImageList_GetImageCount(ShellSystemImageList(false)));
  EXPECT_GE(ImageList_GetImageCount(small), 13);
  // The system's lists can be neither destroyed nor changed by a caller.
  const int32_t count = ImageList_GetImageCount(small);
  EXPECT_FALSE(ImageList_Destroy(small));
  EXPECT_FALSE(ImageList_Remove(ShellSystemImageList(false), -1));
  EXPECT_EQ(ImageList_GetImageCount(small), count);
  EXPECT_EQ(ImageList_GetImageCount(ShellSystemImageList(false)), count);
  // Open folders, names that need not exist, and an icon handle to destroy.
  SHFILEINFO info;
  SHGetFileInfo(dir + "/folder", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_OPENICON);
  EXPECT_EQ(info.iIcon, ShellIconIndex("folder-open"));
  EXPECT_NE(SHGetFileInfo("/nowhere/x.png", 0, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME), 0u);
  EXPECT_EQ(info.szTypeName, "PNG image");
  EXPECT_NE(SHGetFileInfo("/nowhere/sub", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                          SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME),
            0u);
  EXPECT_EQ(info.szTypeName, "Folder");
  EXPECT_EQ(SHGetFileInfo("/nowhere/x.png", 0, &info, sizeof info, SHGFI_TYPENAME), 0u);
  ASSERT_NE(SHGetFileInfo(dir + "/a.jpg", 0, &info, sizeof info, SHGFI_ICON | SHGFI_ATTRIBUTES), 0u);
  ASSERT_TRUE(info.hIcon);
  EXPECT_TRUE(DestroyIcon(info.hIcon));
  EXPECT_NE(info.dwAttributes & SFGAO_FILESYSTEM, 0u);
  // Virtual places by list.
  const struct {
    const char* Parse;
    const char* Icon;
    const char* Name;
  } places[] = {{"::Trash", "user-trash", "Trash"},
                {"::Computer", "computer", "Computer"},
                {"::Home", "user-home", "Home"},
                {"/", "drive-harddisk", "File System"}};
  for (const auto& p : places) {
    TPidl pidl = Parse(p.Parse);
    SHFILEINFO pi;
    ASSERT_NE(SHGetFileInfo(pidl.P, 0, &pi, sizeof pi, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME), 0u);
    EXPECT_EQ(pi.iIcon, ShellIconIndex(p.Icon)) << p.Parse;
    EXPECT_EQ(pi.szDisplayName, p.Name) << p.Parse;
  }
}
