#include "platform/rtl/safewriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/rtl/tempdir_testing.h"

namespace {

String ReadAll(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const String& path, const String& data) {
  std::ofstream f(path, std::ios::binary);
  f << data;
}

mode_t ModeOf(const String& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : FOld(::umask(mask)) {}
  ~ScopedUmask() { ::umask(FOld); }

 private:
  mode_t FOld;
};

}  // namespace

TEST(RtlFilesSafeWriter, TempFileBesideTheTargetUntilCommit) {
  TempDir dir;
  String target = dir / "photo.jpg";
  ScopedUmask mask(027);
  TSafeFileWriter w(target);
  EXPECT_EQ(w.TargetPath(), target);
  EXPECT_EQ(w.TempPath().rfind(dir.Path(), 0), 0u);  // same folder: the rename stays on one file system
  EXPECT_EQ(ModeOf(w.TempPath()), 0600u);
  EXPECT_GE(w.Handle(), 0);
  w.Stream().WriteBuffer("JFIF", 4);
  EXPECT_FALSE(std::filesystem::exists(target));  // nothing visible before the commit

  w.Commit(false);
  EXPECT_EQ(ReadAll(target), "JFIF");
  EXPECT_EQ(ModeOf(target), 0640u);  // what a plain create gives under this umask
  EXPECT_EQ(dir.Names(), std::vector<String>{"photo.jpg"});
  EXPECT_THROW(w.Commit(true), EInvalidOperation);
  EXPECT_THROW(w.Stream(), EInvalidOperation);
}

TEST(RtlFilesSafeWriter, ReplacingKeepsTheOldPermissions) {
  TempDir dir;
  String target = dir / "out.txt";
  WriteAll(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
  SaveBytesToFile(target, "new content", 11);
  EXPECT_EQ(ReadAll(target), "new content");
  EXPECT_EQ(ModeOf(target), 0604u);
  EXPECT_EQ(dir.Names(), std::vector<String>{"out.txt"});
}

TEST(RtlFilesSafeWriter, ExistingTargetSurvivesEveryFailure) {
  TempDir dir;
  String target = dir / "keep.txt";
  WriteAll(target, "precious");

  // Not allowed to replace: the commit fails, the old file stays.
  {
    TSafeFileWriter w(target);
    w.Stream().WriteBuffer("intruder", 8);
    try {
      w.Commit(false);
      ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode, EEXIST);
      EXPECT_NE(e.Message().find(target), String::npos) << e.Message();
    }
  }
  EXPECT_THROW(SaveBytesToFile(target, "x", 1, false), EInOutError);
  EXPECT_EQ(ReadAll(target), "precious");
  EXPECT_EQ(dir.Names(), std::vector<String>{"keep.txt"});

  // A writer abandoned half-way (an exception while producing the content)
  // leaves no trace.
  try {
    TSafeFileWriter w(target);
    w.Stream().WriteBuffer("half", 4);
    throw EAbort("stop");
  } catch (const EAbort&) {
  }
  EXPECT_EQ(ReadAll(target), "precious");
  EXPECT_EQ(dir.Names(), std::vector<String>{"keep.txt"});

  // A folder in the target's place is not replaced either.
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0777), 0);
  EXPECT_THROW(SaveBytesToFile(dir / "folder", "x", 1, true), EInOutError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_EQ(dir.Names(), (std::vector<String>{"folder", "keep.txt"}));
}

TEST(RtlFilesSafeWriter, CreateFailures) {
  TempDir dir;
  try {
    TSafeFileWriter w(dir / "missing/out.txt");
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file " + dir / "missing/out.txt", 0), 0u) << e.Message();
  }
  EXPECT_THROW(TSafeFileWriter(dir.Path()), EFCreateError);  // no file name
  EXPECT_THROW(TSafeFileWriter(""), EFCreateError);
}

TEST(RtlFilesSafeWriter, LongNames) {
  TempDir dir;
  // A name near the file system's limit still gets a temporary name that
  // fits, cut between whole UTF-8 characters.
  String name(181, 'x');
  for (int i = 0; i < 33; ++i) name += "\u00e9";
  name += ".bin";
  ASSERT_EQ(name.size(), 251u);
  SaveBytesToFile(dir / name, "ok", 2);
  EXPECT_EQ(ReadAll(dir / name), "ok");
  EXPECT_EQ(dir.Names(), std::vector<String>{name});
}
