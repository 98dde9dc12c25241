// The shell browser over fixture folders under the test's own HOME: binding,
// the filter walk, names, the default details columns, going up and down,
// and the watch it keeps while OnFileChange is assigned.
#include "shell/shellbrowser.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/timezone_testing.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/vcl/vcl_testing.h"

using namespace shelltest;

namespace {

constexpr int32_t Ordinal(TZavShellFolder f) { return static_cast<int32_t>(f); }

bool SameList(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  return a && b && IDListSize(a) == IDListSize(b) && std::memcmp(a, b, IDListSize(a)) == 0;
}

void SetModified(const String& path, time_t when) {
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class ShellBrowserTest : public TVclTest {
 protected:
  // a.JPG, b.png, c.txt, .h.jpg and the folder sub.
  ShellBrowserTest() : Dir(NewDir("sb")) {
    for (const char* name : {"a.JPG", "b.png", "c.txt", ".h.jpg"}) WriteFile(Dir + "/" + name, "x");
    ForceDirectories(Dir + "/sub");
  }

  // The object names Next walks through, sorted.
  std::vector<String> Walk(TShellBrowser& b) {
    std::vector<String> names;
    while (b.Next()) names.push_back(b.GetObjectName());
    std::sort(names.begin(), names.end());
    return names;
  }

  const String Dir;
  TShellBrowser B{nullptr};
};

}  // namespace

TEST_F(ShellBrowserTest, StartsAtComputerWithTheDefaults) {
  EXPECT_EQ(B.Folder(), "");
  EXPECT_EQ(B.GetFolderSpecialFolder(), Ordinal(TZavShellFolder::SF_DRIVES));
  EXPECT_EQ(B.GetFilter(), "*");
  EXPECT_TRUE(B.ShowErrorMessages());
  EXPECT_FALSE(B.FileSystemOnly());
  EXPECT_EQ(B.Version(), "TShellBrowser V3.02");
  EXPECT_EQ(B.GetObjectName(), "");
}

TEST_F(ShellBrowserTest, SetFolder) {
  ForceDirectories(Dir + "/Sub");
  B.SetFolder(Dir);
  EXPECT_EQ(B.Folder(), Dir + "/");  // the trailing "/" is added

  // The same path is no rebind: the current object stays.
  B.SetObjectName("a.JPG");
  B.SetFolder(Dir + "/");
  EXPECT_EQ(B.GetObjectName(), "a.JPG");

  // Paths are byte-exact: other letter case is another folder.
  B.SetFolder(Dir + "/Sub/");
  EXPECT_EQ(B.Folder(), Dir + "/Sub/");
  B.SetFolder(Dir + "/sub/");
  EXPECT_EQ(B.Folder(), Dir + "/sub/");

  const String missing = Dir + "/missing";
  try {
    B.SetFolder(missing);
    ADD_FAILURE() << "no exception";
  } catch (const EShellBrowserError& e) {
    EXPECT_EQ(e.Message(), "Cannot Find Folder: " + missing);
  }
  EXPECT_EQ(B.Folder(), Dir + "/sub/");

  B.SetFolder("");
  EXPECT_EQ(B.Folder(), "");
  EXPECT_EQ(B.GetFolderSpecialFolder(), Ordinal(TZavShellFolder::SF_DRIVES));
}

TEST_F(ShellBrowserTest, AFailedBindLeavesTheBrowserAsItWas) {
  B.SetFolder(Dir);
  B.SetObjectName("b.png");
  TPidl before(B.GetFolderIDList());
  TPidl file(IDListFromPath(nullptr, Dir + "/c.txt"));  // no folder to bind
  ASSERT_NE(file.P, nullptr);
  try {
    B.SetFolderIDList(file.P);
    ADD_FAILURE() << "no exception";
  } catch (const EShellBrowserError& e) {
    EXPECT_EQ(e.Message(), "ShellBrowser.SetFolderIDList: Desktop.BindToObject: Could not get Folder");
  }
  TPidl after(B.GetFolderIDList());
  EXPECT_TRUE(SameList(before.P, after.P));
  EXPECT_EQ(B.Folder(), Dir + "/");
  EXPECT_EQ(B.GetObjectName(), "b.png");
  // The folder still works.
  EXPECT_EQ(Walk(B).size(), 5u);
}

TEST_F(ShellBrowserTest, FilterWalk) {
  B.SetFolder(Dir);
  EXPECT_EQ(Walk(B), (std::vector<String>{".h.jpg", "a.JPG", "b.png", "c.txt", "sub"}));
  B.SetFilter("*.jpg;*.PNG");
  // Folders always pass; hidden objects are walked too.
  EXPECT_EQ(Walk(B), (std::vector<String>{".h.jpg", "a.JPG", "b.png", "sub"}));
  // The walk starts again after its end.
  EXPECT_EQ(Walk(B).size(), 4u);

  const struct {
    const char* Set;
    const char* Get;
  } filters[] = {{"", "*"}, {"*.jpg;", "*.jpg"}, {"a;;b", "a;;b"}, {"*.png", "*.png"}};
  for (const auto& f : filters) {
    B.SetFilter(f.Set);
    EXPECT_EQ(B.GetFilter(), f.Get) << f.Set;
  }
  B.SetFilter("");
  EXPECT_EQ(Walk(B).size(), 5u);
}

TEST(ShellBrowserMatchWildcard, Table) {
  const struct {
    const char* Name;
    const char* Pattern;
    bool Match;
  } rows[] = {
      {"ABC", "a?c", true},
      {"x.jpeg", "*.jp*g", true},
      {"abc", "abcd", false},
      {"abcd", "abc", false},
      {"X.JPG", "*.jpg", true},
      {"anything", "*", true},
      {"", "*", true},
      {"", "", true},
      {"a", "", false},
      {"", "?", false},
      {"ab", "a*", true},
      {"b", "a*", false},
      {"abcbc", "*bc", true},
      {"mississippi", "m*iss*ppi", true},
      {"ab.jpg", "?.jpg", false},
      {"\xC3\xA9.jpg", "?.JPG", true},         // "?" takes one character, not one byte
      {"\xC3\x89.JPG", "\xC3\xA9.jpg", true},  // letters beyond ASCII fold too
      {"\xFF.jpg", "?.jpg", true},             // a stray byte is one character
  };
  for (const auto& r : rows)
    EXPECT_EQ(TShellBrowser::MatchWildcard(r.Name, r.Pattern), r.Match) << r.Name << " ~ " << r.Pattern;

  // Patterns that would backtrack without end finish at once.
  EXPECT_FALSE(TShellBrowser::MatchWildcard(String(40, 'a'), "*a*a*a*a*a*a*b"));
  EXPECT_TRUE(TShellBrowser::MatchWildcard(String(40, 'a') + "b", "*a*a*a*a*a*a*b"));
}

TEST_F(ShellBrowserTest, ObjectNames) {
  // A file path moves the folder and selects the file.
  B.SetObjectName(Dir + "/a.JPG");
  EXPECT_EQ(B.Folder(), Dir + "/");
  EXPECT_EQ(B.GetObjectName(), "a.JPG");
  EXPECT_EQ(B.GetDisplayName(), "a.JPG");
  B.SetObjectName("sub/");
  EXPECT_EQ(B.GetObjectName(), "sub");
  EXPECT_TRUE(B.IsFolder());

  // Names are exact: a missing "a.jpg" never selects "a.JPG".
  try {
    B.SetObjectName("a.jpg");
    ADD_FAILURE() << "no exception";
  } catch (const EShellBrowserError& e) {
    EXPECT_EQ(e.Message(), "Error! Cannot find Object \"a.jpg\" in Folder \"" + Dir + "/\"");
  }

  // The root volume: Computer is the folder, the volume the object.
  B.SetObjectName("/");
  EXPECT_EQ(B.Folder(), "");
  EXPECT_EQ(B.GetFolderSpecialFolder(), Ordinal(TZavShellFolder::SF_DRIVES));
  EXPECT_EQ(B.GetObjectName(), "/");

  // What the application does with a chooser's list.
  TPidl file(IDListFromPath(nullptr, Dir + "/b.png"));
  TShellBrowser other(nullptr);
  other.SelectAbsoluteIDList(file.P);
  EXPECT_EQ(other.Folder() + other.GetObjectName(), Dir + "/b.png");
  B.SetObjectName("");
  EXPECT_EQ(B.GetObjectName(), "");
}

TEST_F(ShellBrowserTest, GoingUpAndIntoFolders) {
  B.SetFolder(Dir + "/sub");
  EXPECT_TRUE(B.GoUp());
  EXPECT_EQ(B.Folder(), Dir + "/");
  EXPECT_EQ(B.GetObjectName(), "sub");
  EXPECT_TRUE(B.EnterFolder());
  EXPECT_EQ(B.Folder(), Dir + "/sub/");
  B.SetFolder(Dir);
  B.SetObjectName("c.txt");
  EXPECT_FALSE(B.EnterFolder());
  EXPECT_EQ(B.Folder(), Dir + "/");

  // The desktop has nowhere to go up to.
  ASSERT_TRUE(B.SetSpecialFolder(TZavShellFolder::SF_DESKTOP));
  EXPECT_TRUE(B.GoUp());
  EXPECT_EQ(B.GetFolderSpecialFolder(), Ordinal(TZavShellFolder::SF_DESKTOP));
  EXPECT_EQ(B.Folder(), "");
  EXPECT_EQ(B.GetObjectName(), "");
  EXPECT_FALSE(B.SetSpecialFolder(TZavShellFolder::SF_PRINTERS));  // none here
  EXPECT_EQ(B.GetFolderSpecialFolder(), Ordinal(TZavShellFolder::SF_DESKTOP));
}

TEST_F(ShellBrowserTest, FileSystemOnlyKeepsHomeComputerAndTrash) {
  ASSERT_TRUE(B.SetSpecialFolder(TZavShellFolder::SF_DESKTOP));
  B.SetFileSystemOnly(true);
  std::vector<String> names;
  while (B.Next()) names.push_back(B.GetDisplayName());
  for (const char* kept : {"Home", "Computer", "Trash"})
    EXPECT_NE(std::find(names.begin(), names.end(), kept), names.end()) << kept;
}

TEST_F(ShellBrowserTest, DefaultDetailsColumns) {
  B.SetFolder(Dir);
  EXPECT_FALSE(B.HasDetails());
  // Without a details interface the browser answers the default table;
  // past it, nothing.
  for (int32_t i = 0; i <= DefaultDetailsColumnCount; ++i) {
    const bool known = i < DefaultDetailsColumnCount;
    int32_t width = 0;
    EXPECT_EQ(B.GetDetails(i, true), known ? DefaultDetailsColumns[i].Caption : "") << i;
    EXPECT_EQ(B.GetColumnInfo(i, width), known ? DefaultDetailsColumns[i].Alignment : TAlignment::taLeftJustify) << i;
    EXPECT_EQ(width, known ? DefaultDetailsColumns[i].Width : 120) << i;
  }
}

TEST_F(ShellBrowserTest, SizeAndChangedColumns) {
  TimeZoneGuard utc("UTC");
  const struct {
    const char* Name;
    int64_t Size;
    const char* Text;
  } sizes[] = {{"zero", 0, "0 KB"},
               {"one", 1, "1 KB"},
               {"two", 2048, "2 KB"},
               {"big", int64_t(5) << 30, "5,242,880 KB"}};  // past what 32 bits hold
  for (const auto& s : sizes) {
    WriteFile(Dir + "/" + s.Name, "");
    ASSERT_EQ(::truncate((Dir + "/" + s.Name).c_str(), s.Size), 0);  // sparse
  }
  B.SetFolder(Dir);
  for (const auto& s : sizes) {
    B.SetObjectName(s.Name);
    EXPECT_EQ(B.GetDetails(1, false), s.Text) << s.Name;
    EXPECT_EQ(B.GetDetails(0, false), s.Name);
  }
  B.SetObjectName("sub");
  EXPECT_EQ(B.GetDetails(1, false), "");

  // Files from before 1980 keep their date; seconds never show.
  SetModified(Dir + "/c.txt", 0);
  SetModified(Dir + "/b.png", 1623764731);  // 2021-06-15 13:45:31
  B.SetObjectName("c.txt");
  EXPECT_EQ(B.GetDetails(3, false), "1970-01-01 00:00");
  EXPECT_FALSE(B.GetDetails(2, false).empty());
  B.SetObjectName("b.png");
  EXPECT_EQ(B.GetDetails(3, false), "2021-06-15 13:45");
  EXPECT_EQ(B.GetDetails(4, false), "");
  EXPECT_EQ(FileTimeToText(FILETIME{12345, 0}), "");
}

TEST_F(ShellBrowserTest, RenameTakesTheNewName) {
  B.SetFolder(Dir);
  B.SetObjectName("c.txt");
  ASSERT_TRUE(B.CanRename());
  String name = "d.txt";
  B.Rename(name);
  EXPECT_EQ(name, "d.txt");
  EXPECT_EQ(B.GetObjectName(), "d.txt");
  EXPECT_TRUE(Exists(Dir + "/d.txt"));
  EXPECT_FALSE(Exists(Dir + "/c.txt"));
}

TEST_F(ShellBrowserTest, OnFileChangeWatchesTheFolder) {
  B.SetFolder(Dir);
  int changes = 0;
  B.SetOnFileChange([&](TObject* Sender) {
    EXPECT_EQ(Sender, &B);
    ++changes;
  });
  WriteFile(Dir + "/new.jpg", "x");
  Pump();
  while (changes == 0) {
    WaitMessage();
    Pump();
  }
  // The watch follows the folder.
  const String next = NewDir("sb");
  B.SetFolder(next);
  changes = 0;
  ForceDirectories(next + "/made");
  while (changes == 0) {
    WaitMessage();
    Pump();
  }
  B.SetOnFileChange(nullptr);
  EXPECT_EQ(B.OnFileChange(), nullptr);
}
