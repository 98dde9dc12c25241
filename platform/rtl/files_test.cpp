#include "platform/rtl/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/rtl/tempdir_testing.h"

namespace {

void WriteAll(const String& path, const String& data) {
  std::ofstream f(path, std::ios::binary);
  f << data;
}

String ReadAll(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Sets an environment variable for one scope and calls tzset for TZ.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : FName(name) {
    const char* old = std::getenv(name);
    FHad = old != nullptr;
    if (FHad) FOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
    tzset();
  }
  ~ScopedEnv() {
    if (FHad)
      setenv(FName.c_str(), FOld.c_str(), 1);
    else
      unsetenv(FName.c_str());
    tzset();
  }

 private:
  String FName, FOld;
  bool FHad = false;
};

int32_t DosDate(int y, int mo, int d, int h, int mi, int s) {
  return static_cast<int32_t>((static_cast<uint32_t>(((y - 1980) << 9) | (mo << 5) | d) << 16) |
                              static_cast<uint32_t>((h << 11) | (mi << 5) | (s / 2)));
}

void SetMTime(const String& path, time_t t) {
  struct timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<String> Find(const String& path, int32_t attr) {
  std::vector<String> names;
  TSearchRec sr;
  for (int rc = FindFirst(path, attr, sr); rc == 0; rc = FindNext(sr)) names.push_back(sr.Name);
  FindClose(sr);
  return names;
}

}  // namespace

TEST(RtlFiles, ExistenceTests) {
  TempDir dir;
  WriteAll(dir / "file", "x");
  ASSERT_TRUE(CreateDir(dir / "folder"));
  ASSERT_EQ(symlink("file", (dir / "link-to-file").c_str()), 0);
  ASSERT_EQ(symlink("folder", (dir / "link-to-folder").c_str()), 0);
  ASSERT_EQ(symlink("missing", (dir / "dangling").c_str()), 0);
  struct Row {
    const char* name;
    bool file, folder;
  } rows[] = {
      {"file", true, false},           {"folder", false, true},    {"link-to-file", true, false},
      {"link-to-folder", false, true}, {"dangling", false, false}, {"missing", false, false},
      {"file/", false, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FileExists(dir / r.name), r.file) << r.name;
    EXPECT_EQ(DirectoryExists(dir / r.name), r.folder) << r.name;
  }
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(DirectoryExists(""));
}

TEST(RtlFiles, FolderOperations) {
  TempDir dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c/"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b"));  // already there
  EXPECT_FALSE(ForceDirectories(""));
  WriteAll(dir / "plain", "x");
  EXPECT_FALSE(ForceDirectories(dir / "plain/sub"));  // a file is in the way

  EXPECT_FALSE(CreateDir(dir / "a"));    // exists
  EXPECT_FALSE(CreateDir(dir / "x/y"));  // parent missing
  EXPECT_FALSE(RemoveDir(dir / "a"));    // not empty
  EXPECT_TRUE(RemoveDir(dir / "a/b/c"));
  EXPECT_FALSE(DirectoryExists(dir / "a/b/c"));

  EXPECT_FALSE(DeleteFile(dir / "a"));  // folders are not files
  EXPECT_TRUE(DirectoryExists(dir / "a"));
  EXPECT_TRUE(DeleteFile(dir / "plain"));
  EXPECT_FALSE(FileExists(dir / "plain"));
  EXPECT_FALSE(DeleteFile(dir / "plain"));
}

TEST(RtlFiles, RenameNeverReplaces) {
  TempDir dir;
  WriteAll(dir / "a.txt", "A");
  WriteAll(dir / "b.txt", "B");
  EXPECT_FALSE(RenameFile(dir / "a.txt", dir / "b.txt"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadAll(dir / "a.txt"), "A");
  EXPECT_EQ(ReadAll(dir / "b.txt"), "B");

  EXPECT_TRUE(RenameFile(dir / "a.txt", dir / "c.txt"));
  EXPECT_FALSE(FileExists(dir / "a.txt"));
  EXPECT_EQ(ReadAll(dir / "c.txt"), "A");
  EXPECT_FALSE(RenameFile(dir / "missing", dir / "d.txt"));

  // Folders move too, and are not replaced either.
  ASSERT_TRUE(CreateDir(dir / "f1"));
  ASSERT_TRUE(CreateDir(dir / "f2"));
  EXPECT_FALSE(RenameFile(dir / "f1", dir / "f2"));
  EXPECT_TRUE(RenameFile(dir / "f1", dir / "f3"));
  EXPECT_TRUE(DirectoryExists(dir / "f3"));
}

TEST(RtlFiles, RenameChangingOnlyCase) {
  TempDir dir;
  WriteAll(dir / "Photo.JPG", "P");
  EXPECT_TRUE(RenameFile(dir / "Photo.JPG", dir / "photo.jpg"));
  EXPECT_EQ(ReadAll(dir / "photo.jpg"), "P");
  EXPECT_FALSE(FileExists(dir / "Photo.JPG"));

  // Here the file system tells the names apart: an existing "other" file
  // must survive, and the source keeps its name.
  WriteAll(dir / "PHOTO.JPG", "Q");
  EXPECT_FALSE(RenameFile(dir / "PHOTO.JPG", dir / "photo.jpg"));
  EXPECT_EQ(ReadAll(dir / "PHOTO.JPG"), "Q");
  EXPECT_EQ(ReadAll(dir / "photo.jpg"), "P");
  // No temporary name is left behind.
  EXPECT_EQ(Find(dir / "*", faAnyFile), (std::vector<String>{"PHOTO.JPG", "photo.jpg"}));
}

TEST(RtlFiles, WildcardsFromTheFilters) {
  struct Row {
    const char* name;
    const char* mask;
    bool match;
  } rows[] = {
      {"a.JPG", "*.jpg", true},
      {"b.jpeg", "*.jpg", false},
      {"b.jpeg", "*.jpeg", true},
      {"c.Tiff", "*.tiff", true},
      {"c.tif", "*.tiff", false},
      {"x.jpeg", "*.jp*g", true},
      {"x.jpg", "*.jp*g", true},
      {"x.jp2", "*.jp*g", false},
      {"ABC", "a?c", true},
      {"abcd", "abc", false},
      {"abc", "abcd", false},
      {"noext", "*.*", true},
      {".hidden", "*.*", true},
      {"a.b.c", "*.*", true},
      {"anything", "*", true},
      {"", "*", true},
      {"", "?", false},
      {"ab", "?", false},
      {"photo.bmp", "*.bmp", true},
      {"photo.bmp.txt", "*.bmp", false},
      {"aXbXc", "a*b*c", true},
      {"aXbX", "a*b*c", false},
      {"a.jpe", "*.jpe", true},
      {"é.jpg", "?.jpg", true},
      {"éé.jpg", "?.jpg", false},
      {"É.JPG", "é.jpg", false},
      {"[1].png", "[1].png", true},
      {"1.png", "[1].png", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
  };
  for (const Row& r : rows) EXPECT_EQ(MatchesMask(r.name, r.mask), r.match) << r.name << " ~ " << r.mask;

  struct ListRow {
    const char* name;
    const char* masks;
    bool match;
  } lists[] = {
      {"a.JPG", "*.jpg;*.PNG", true},
      {"b.png", "*.jpg;*.PNG", true},
      {"c.gif", "*.jpg;*.PNG", false},
      {"x.jpe", "*.jpg;*.jpeg;*.jpe", true},
      {"y.TIF", "*.tif;*.tiff", true},
      {"z.nef", "*.crw;*.cr2;*.dng;*.mrw;*.nef;*.orf;*.pef;*.raf;*.srf", true},
      {"w.mpeg", "*.mpeg;*.mpg", true},
      {"v.wmv", "*.mpeg;*.mpg", false},
      {"u.png", " *.jpg ; *.png ", true},  // blanks around masks
      {"t.png", "", false},
      {"s.png", ";;", false},
  };
  for (const ListRow& r : lists) EXPECT_EQ(MatchesMaskList(r.name, r.masks), r.match) << r.name << " ~ " << r.masks;
}

TEST(RtlFiles, FindFirstListsSortedAndFiltered) {
  TempDir dir;
  WriteAll(dir / "b.JPG", "12345");
  WriteAll(dir / "a.jpg", "1");
  WriteAll(dir / "c.png", "");
  WriteAll(dir / ".hidden.jpg", "1");
  ASSERT_TRUE(CreateDir(dir / "sub.jpg"));
  ASSERT_EQ(symlink("a.jpg", (dir / "link.jpg").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);

  EXPECT_EQ(Find(dir / "*.jpg", 0), (std::vector<String>{"a.jpg", "b.JPG", "link.jpg"}));
  EXPECT_EQ(Find(dir / "*.jpg", faDirectory), (std::vector<String>{"a.jpg", "b.JPG", "link.jpg", "sub.jpg"}));
  EXPECT_EQ(Find(dir / "*.jpg", faAnyFile),
            (std::vector<String>{".hidden.jpg", "a.jpg", "b.JPG", "link.jpg", "pipe.jpg", "sub.jpg"}));
  EXPECT_EQ(Find(dir / "*.*", faAnyFile).size(), 7u);  // never "." or ".."
  EXPECT_EQ(Find(dir / "*.gif", faAnyFile), std::vector<String>{});
  EXPECT_EQ(Find(dir / "b.JPG", faAnyFile), std::vector<String>{"b.JPG"});
  EXPECT_EQ(Find(dir / "B.jpg", faAnyFile), std::vector<String>{});  // a plain name is a path
  EXPECT_EQ(Find(dir / "sub.jpg", 0), std::vector<String>{});

  TSearchRec sr;
  EXPECT_EQ(FindFirst(dir / "*.gif", faAnyFile, sr), 2);
  EXPECT_EQ(FindFirst(dir / "nowhere/*", faAnyFile, sr), 3);
  EXPECT_NE(FindNext(sr), 0);
  FindClose(sr);
  FindClose(sr);

  ASSERT_EQ(FindFirst(dir / "b.JPG", faAnyFile, sr), 0);
  EXPECT_EQ(sr.Size, 5);
  EXPECT_EQ(sr.Attr, faArchive);
  EXPECT_NE(FindNext(sr), 0);
  FindClose(sr);
}

TEST(RtlFiles, SearchRecAttributesAndTimes) {
  TempDir dir;
  WriteAll(dir / "ro.txt", "abc");
  ASSERT_EQ(chmod((dir / "ro.txt").c_str(), 0444), 0);
  ASSERT_TRUE(CreateDir(dir / "folder"));
  WriteAll(dir / ".dot", "");
  ASSERT_EQ(symlink("ro.txt", (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink("gone", (dir / "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const time_t t = 1700000000;  // 2023-11-14 22:13:20 UTC
  SetMTime(dir / "ro.txt", t);

  struct Row {
    const char* name;
    int32_t attr;
    int64_t size;
  } rows[] = {
      {"ro.txt", faReadOnly | faArchive, 3},
      {"folder", faDirectory, 0},
      {".dot", faHidden | faArchive, 0},
      {"link", faReadOnly | faArchive | faSymLink, 3},
      {"dangling", faSysFile | faSymLink, 4},  // the link itself
      {"fifo", faSysFile, 0},
  };
  for (const Row& r : rows) {
    TSearchRec sr;
    ASSERT_EQ(FindFirst(dir / r.name, faAnyFile, sr), 0) << r.name;
    EXPECT_EQ(sr.Name, r.name);
    EXPECT_EQ(sr.Attr, r.attr) << r.name;
    EXPECT_EQ(sr.Size, r.size) << r.name;
    FindClose(sr);
  }

  ScopedEnv tz("TZ", "UTC0");
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir / "ro.txt", 0, sr), 0);
  EXPECT_EQ(sr.MTime, 1700000000);
  EXPECT_EQ(sr.Time, DosDate(2023, 11, 14, 22, 13, 20));
  EXPECT_EQ(sr.Time, FileAge(dir / "ro.txt"));
}

TEST(RtlFiles, FileDatesAreLocal) {
  TempDir dir;
  String f = dir / "dated.txt";
  WriteAll(f, "x");
  SetMTime(f, 1700000000);  // 2023-11-14 22:13:20 UTC
  {
    ScopedEnv tz("TZ", "UTC0");
    EXPECT_EQ(FileAge(f), DosDate(2023, 11, 14, 22, 13, 20));
    EXPECT_EQ(FileGetDate(f), FileAge(f));
  }
  {
    // Nine hours east: the same instant is the next morning, local time.
    ScopedEnv tz("TZ", "XST-9");
    EXPECT_EQ(FileAge(f), DosDate(2023, 11, 15, 7, 13, 20));
    TDateTime dt;
    ASSERT_TRUE(FileGetModified(f, dt));
    EXPECT_NEAR(dt, 45245.0 + (7 * 3600 + 13 * 60 + 20) / 86400.0, 1e-8);  // 2023-11-15 07:13:20

    // Setting a local DOS date stores the matching POSIX time.
    EXPECT_EQ(FileSetDate(f, DosDate(2001, 2, 3, 4, 5, 6)), 0);
    struct stat st;
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 981173106 - 9 * 3600);  // 2001-02-03 04:05:06 in UTC+9
    EXPECT_EQ(FileGetDate(f), DosDate(2001, 2, 3, 4, 5, 6));

    ASSERT_TRUE(FileSetModified(f, 45245.5));  // 2023-11-15 12:00 local
    ASSERT_EQ(stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1700017200);
    const TDateTime withMs = 45245.5 + 123 / 86400000.0;  // milliseconds survive the round trip
    ASSERT_TRUE(FileSetModified(f, withMs));
    ASSERT_TRUE(FileGetModified(f, dt));
    EXPECT_NEAR(dt, withMs, 0.1 / 86400000.0);
  }
  EXPECT_EQ(FileAge(dir / "missing"), -1);
  EXPECT_EQ(FileGetDate(dir / "missing"), -1);
  EXPECT_EQ(FileAge(dir.Path()), -1);  // a folder has no file age
  EXPECT_NE(FileSetDate(dir / "missing", DosDate(2001, 2, 3, 4, 5, 6)), 0);
  EXPECT_NE(FileSetDate(f, DosDate(2001, 13, 3, 4, 5, 6)), 0);  // month 13
  TDateTime dt;
  EXPECT_FALSE(FileGetModified(dir / "missing", dt));
}

TEST(RtlFiles, PathParts) {
  struct Row {
    const char *in, *path, *dir, *name, *ext;
  } rows[] = {
      {"/a/b/c.txt", "/a/b/", "/a/b", "c.txt", ".txt"},
      {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
      {"/c.txt", "/", "/", "c.txt", ".txt"},
      {"/a/b/", "/a/b/", "/a/b", "", ""},
      {"/a.d/noext", "/a.d/", "/a.d", "noext", ""},
      {"dot.", "", "", "dot.", "."},
      {"", "", "", "", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ExtractFilePath(r.in), r.path) << r.in;
    EXPECT_EQ(ExtractFileDir(r.in), r.dir) << r.in;
    EXPECT_EQ(ExtractFileName(r.in), r.name) << r.in;
    EXPECT_EQ(ExtractFileExt(r.in), r.ext) << r.in;
    EXPECT_EQ(ExtractFileDrive(r.in), "") << r.in;
  }
  EXPECT_EQ(ChangeFileExt("/a/b/c.jpeg", ".png"), "/a/b/c.png");
  EXPECT_EQ(ChangeFileExt("/a.d/noext", ".png"), "/a.d/noext.png");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ""), "x.tar");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a"), "/a");
}

TEST(RtlFiles, ExpandFileNameIsLexical) {
  struct Row {
    const char *name, *base, *out;
  } rows[] = {
      {"c.txt", "/a/b", "/a/b/c.txt"},
      {"../c.txt", "/a/b/", "/a/c.txt"},
      {"./x/./y/../z", "/a", "/a/x/z"},
      {"/abs//p/./q", "/ignored", "/abs/p/q"},
      {"../../../..", "/a/b", "/"},
      {"sub/", "/a", "/a/sub/"},
      {"..", "/a/b", "/a"},
      {"", "/a", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(ExpandFileName(r.name, r.base), r.out) << r.name << " in " << r.base;

  String cwd = GetCurrentDir();
  ASSERT_FALSE(cwd.empty());
  EXPECT_EQ(ExpandFileName("x.txt"), (cwd == "/" ? String() : cwd) + "/x.txt");
  EXPECT_EQ(GetCurrentDir(), cwd);  // never changed
}

TEST(RtlFiles, TempPathFollowsTmpdir) {
  {
    ScopedEnv env("TMPDIR", "/var/tmp/x");
    EXPECT_EQ(GetTempPath(), "/var/tmp/x/");
  }
  {
    ScopedEnv env("TMPDIR", "/var/tmp/y/");
    EXPECT_EQ(GetTempPath(), "/var/tmp/y/");
  }
  {
    ScopedEnv env("TMPDIR", nullptr);
    EXPECT_EQ(GetTempPath(), "/tmp/");
  }
}

TEST(RtlFiles, CommandLine) {
  String exe = GetModuleFileName();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe[0], '/');
  EXPECT_TRUE(FileExists(exe));
  EXPECT_EQ(ExtractFileName(exe), "platform_rtl_tests");

  char a0[] = "prog", a1[] = "--flag", a2[] = "file name.jpg";
  char* argv[] = {a0, a1, a2, nullptr};
  SetCommandLine(3, argv);
  EXPECT_EQ(ParamCount(), 2);
  EXPECT_EQ(ParamStr(0), exe);  // the executable, not argv[0]
  EXPECT_EQ(ParamStr(1), "--flag");
  EXPECT_EQ(ParamStr(2), "file name.jpg");
  EXPECT_EQ(ParamStr(3), "");
  EXPECT_EQ(ParamStr(-1), "");
  SetCommandLine(0, nullptr);
  EXPECT_EQ(ParamCount(), 0);
}

TEST(RtlFiles, RunProcess) {
  EXPECT_EQ(RunProcess({"true"}), 0);
  EXPECT_EQ(RunProcess({"sh", "-c", "exit 7"}), 7);
  EXPECT_EQ(RunProcess({"sh", "-c", "kill -9 $$"}), 128 + 9);
  EXPECT_EQ(RunProcess({"no-such-program-pictoval"}), -1);
  EXPECT_EQ(RunProcess({}), -1);
  // Arguments reach the program as they are: no shell interprets them.
  EXPECT_EQ(RunProcess({"test", "a;b $(x) *", "=", "a;b $(x) *"}), 0);

  // Without waiting: the child runs on its own and reports through a pipe.
  TempDir dir;
  String fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int rd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(rd, 0);
  EXPECT_EQ(RunProcess({"sh", "-c", "echo started > \"$1\"", "sh", fifo}, false), 0);
  struct pollfd pfd = {rd, POLLIN, 0};
  ASSERT_EQ(poll(&pfd, 1, 60000), 1);
  char buf[16] = {};
  EXPECT_EQ(read(rd, buf, sizeof buf - 1), 8);
  EXPECT_STREQ(buf, "started\n");
  close(rd);
}
