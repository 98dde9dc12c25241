#include <sys/stat.h>

#include <cstdlib>

#include "platform/shellapi/shell_testing.h"

using namespace shelltest;

namespace {

bool IsDir(const String& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What a special folder is expected to be: a path (empty: none), a virtual
// list, or nothing at all.
struct TSpecial {
  int32_t Csidl;
  String Path;
  bool Virtual = false;
};

void CheckTable(const std::vector<TSpecial>& table) {
  for (const TSpecial& s : table) {
    String path = "junk";
    const HRESULT hr = SHGetFolderPath(nullptr, s.Csidl, nullptr, 0, path);
    PIDLIST_ABSOLUTE pidl = nullptr;
    const HRESULT lhr = SHGetSpecialFolderLocation(nullptr, s.Csidl, &pidl);
    if (!s.Path.empty()) {
      EXPECT_EQ(hr, S_OK) << std::hex << s.Csidl;
      EXPECT_EQ(path, s.Path) << std::hex << s.Csidl;
      ASSERT_EQ(lhr, S_OK) << std::hex << s.Csidl;
      String back;
      if (s.Csidl != CSIDL_DESKTOP) {
        EXPECT_TRUE(SHGetPathFromIDList(pidl, back)) << std::hex << s.Csidl;
        EXPECT_EQ(back, s.Path) << std::hex << s.Csidl;
      }
    } else {
      EXPECT_EQ(hr, E_FAIL) << std::hex << s.Csidl;
      EXPECT_EQ(path, "") << std::hex << s.Csidl;
      EXPECT_EQ(lhr == S_OK, s.Virtual) << std::hex << s.Csidl;
    }
    ILFree(pidl);
  }
}

String Existing(const String& p) { return IsDir(p) ? p : String(); }

}  // namespace

TEST(ShellSpecialFolders, EveryFolderOfTheTableWithAndWithoutUserDirs) {
  const String home = std::getenv("HOME");
  auto x = XdgDirs();
  const String conf = x->ConfigHome, data = x->DataHome, cache = x->CacheHome;
  for (const String& d : {home + "/Desktop", data + "/fonts", data + "/applications", conf + "/autostart"})
    ForceDirectories(d);
  ::unlink((conf + "/user-dirs.dirs").c_str());
  ResetShellCaches();
  const String common = Existing(XdgDirs()->DataDirs.front());
  std::vector<TSpecial> table = {
      {CSIDL_DESKTOP, home + "/Desktop", true},
      {CSIDL_INTERNET, ""},
      {CSIDL_PROGRAMS, data + "/applications"},
      {CSIDL_CONTROLS, ""},
      {CSIDL_PRINTERS, ""},
      {CSIDL_PERSONAL, home},
      {CSIDL_FAVORITES, ""},
      {CSIDL_STARTUP, conf + "/autostart"},
      {CSIDL_RECENT, ""},
      {CSIDL_SENDTO, ""},
      {CSIDL_BITBUCKET, "", true},
      {CSIDL_STARTMENU, data + "/applications"},
      {CSIDL_DESKTOPDIRECTORY, home + "/Desktop"},
      {CSIDL_DRIVES, "", true},
      {CSIDL_NETWORK, ""},
      {CSIDL_NETHOOD, ""},
      {CSIDL_FONTS, data + "/fonts"},
      {CSIDL_TEMPLATES, home},
      {CSIDL_COMMON_STARTMENU, Existing("/usr/share/applications")},
      {CSIDL_COMMON_PROGRAMS, Existing("/usr/share/applications")},
      {CSIDL_COMMON_STARTUP, Existing("/etc/xdg/autostart")},
      {CSIDL_COMMON_DESKTOPDIRECTORY, ""},
      {CSIDL_APPDATA, conf},
      {CSIDL_PRINTHOOD, ""},
      {CSIDL_LOCAL_APPDATA, data},
      {CSIDL_ALTSTARTUP, conf + "/autostart"},
      {CSIDL_COMMON_FAVORITES, ""},
      {CSIDL_INTERNET_CACHE, cache},
      {CSIDL_COOKIES, ""},
      {CSIDL_HISTORY, ""},
      {CSIDL_COMMON_APPDATA, common},
      {CSIDL_SYSTEM, "/usr/lib"},
      {CSIDL_PROGRAM_FILES, "/usr"},
      {CSIDL_MYPICTURES, home},
      {CSIDL_PROGRAM_FILES_COMMON, "/usr/share"},
      {CSIDL_COMMON_DOCUMENTS, home},
  };
  CheckTable(table);

  // With a user-dirs.dirs the user folders move; a missing one fails.
  ForceDirectories(home + "/Schreibtisch");
  ForceDirectories(home + "/Bilder");
  ForceDirectories(home + "/Vorlagen");
  WriteFile(conf + "/user-dirs.dirs",
            "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
            "XDG_TEMPLATES_DIR=\"$HOME/Vorlagen\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  ResetShellCaches();
  CheckTable({{CSIDL_DESKTOPDIRECTORY, home + "/Schreibtisch"},
              {CSIDL_MYPICTURES, home + "/Bilder"},
              {CSIDL_TEMPLATES, home + "/Vorlagen"},
              {CSIDL_COMMON_DOCUMENTS, ""}});
  ::unlink((conf + "/user-dirs.dirs").c_str());
  ResetShellCaches();
}

TEST(ShellSpecialFolders, UserFoldersAgreeWithXdgUserDir) {
  if (!HaveTool("xdg-user-dir")) GTEST_SKIP() << "xdg-user-dir missing (package xdg-user-dirs)";
  const String home = std::getenv("HOME");
  const String conf = XdgDirs()->ConfigHome;
  const struct {
    const char* Name;
    int32_t Csidl;
  } kUser[] = {{"DESKTOP", CSIDL_DESKTOPDIRECTORY},
               {"PICTURES", CSIDL_MYPICTURES},
               {"DOCUMENTS", CSIDL_COMMON_DOCUMENTS},
               {"TEMPLATES", CSIDL_TEMPLATES}};
  for (bool withFile : {false, true}) {
    if (withFile) {
      WriteFile(conf + "/user-dirs.dirs",
                "XDG_DESKTOP_DIR=\"$HOME/D e s k\"\nXDG_PICTURES_DIR=\"$HOME/Pics\"\n"
                "XDG_DOCUMENTS_DIR=\"/tmp\"\nXDG_TEMPLATES_DIR=\"$HOME/\"\n");
    } else {
      ::unlink((conf + "/user-dirs.dirs").c_str());
    }
    ResetShellCaches();
    for (const auto& u : kUser) {
      const String expected =
          TrimEnd(RunCommand("HOME=" + Quote(home) + " XDG_CONFIG_HOME=" + Quote(conf) + " xdg-user-dir " + u.Name));
      ForceDirectories(expected);
      String ours;
      EXPECT_EQ(SHGetFolderPath(nullptr, u.Csidl, nullptr, 0, ours), S_OK) << u.Name;
      EXPECT_EQ(ours, ExcludeTrailingPathDelimiter(expected)) << u.Name << " file " << withFile;
    }
  }
  ::unlink((conf + "/user-dirs.dirs").c_str());
  ResetShellCaches();
}

TEST(ShellSpecialFolders, MissingBaseFoldersAreMadePrivate) {
  const String home = std::getenv("HOME");
  const String saved = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
  const String fresh = home + "/fresh-account/.cache";
  setenv("XDG_CACHE_HOME", fresh.c_str(), 1);
  ResetShellCaches();
  String path;
  ASSERT_EQ(SHGetFolderPath(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, path), S_OK);
  EXPECT_EQ(path, fresh);
  struct stat st;
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  ResetShellCaches();
}
