// The checked selection over a fixture folder: entries kept minimal through
// checks and unchecks, states, prefix tests, and totals summed by the size
// threads, cross-checked with find.
#include "shell/selectionlist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "platform/shellapi/shell_testing.h"
#include "shell/idlists.h"

using namespace shelltest;

namespace {

class SelectionList : public ::testing::Test {
 protected:
  // d/a.jpg, d/b.jpg, d/..notes, d/sub/c.jpg, d/sub/deep/e.jpg and d/loop, a
  // link back to d.
  SelectionList() : Root(NewDir("sel")), D(Root + "/d") {
    ForceDirectories(D + "/sub/deep");
    WriteFile(D + "/a.jpg", String(100, 'a'));
    WriteFile(D + "/b.jpg", String(200, 'b'));
    WriteFile(D + "/..notes", String(7, 'n'));
    WriteFile(D + "/sub/c.jpg", String(300, 'c'));
    WriteFile(D + "/sub/deep/e.jpg", String(50, 'e'));
    EXPECT_EQ(::symlink(D.c_str(), (D + "/loop").c_str()), 0);
    // Unchecked beside d, so that d is the highest folder to be whole.
    WriteFile(Root + "/other.txt", "o");
  }

  void Drain() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (S.RunningSizeThreads() > 0 && std::chrono::steady_clock::now() < deadline) TThread::CheckSynchronize(5);
    ASSERT_EQ(S.RunningSizeThreads(), 0);
  }

  // Bytes and files of the regular files below a folder, as find counts them.
  static std::pair<int64_t, int32_t> Find(const String& Folder) {
    std::istringstream out(RunCommand("find " + Quote(Folder) + " -type f -printf '%s\\n'"));
    int64_t bytes = 0, size = 0;
    int32_t files = 0;
    while (out >> size) {
      bytes += size;
      ++files;
    }
    return {bytes, files};
  }

  std::vector<String> Entries() {
    std::vector<String> out;
    for (int32_t i = 0; i < S.Paths()->Count(); ++i) out.push_back(S.Paths()->Strings(i));
    std::sort(out.begin(), out.end());
    return out;
  }

  int32_t State(const String& Path) {
    bool via = false;
    return S.GetState(Path, via);
  }

  const String Root, D;
  TZavSelectionList S;
};

}  // namespace

TEST_F(SelectionList, CheckAFileThenItsFolderThenUncheckAndRecheckInside) {
  const auto whole = Find(D);
  ASSERT_EQ(whole, (std::pair<int64_t, int32_t>{657, 5}));

  S.AddPath(D + "/a.jpg");
  EXPECT_EQ(Entries(), (std::vector<String>{D + "/a.jpg"}));
  EXPECT_EQ(S.TotalBytes(), 100);
  EXPECT_EQ(S.FileCount(), 1);
  EXPECT_EQ(State(D), ZavCheckGrayed);

  // The folder takes the file's place: one entry, the folder's totals.
  S.AddPath(D);
  Drain();
  EXPECT_EQ(Entries(), (std::vector<String>{D + "/*"}));
  EXPECT_EQ(S.TotalBytes(), whole.first);
  EXPECT_EQ(S.FileCount(), whole.second);

  // Unchecking one file inside gives entries for everything beside it.
  S.RemovePath(D + "/sub/c.jpg");
  Drain();
  EXPECT_EQ(Entries(),
            (std::vector<String>{D + "/..notes", D + "/a.jpg", D + "/b.jpg", D + "/loop/*", D + "/sub/deep/*"}));
  EXPECT_EQ(S.TotalBytes(), whole.first - 300);
  EXPECT_EQ(S.FileCount(), whole.second - 1);

  // Checking it again through a control: its folder, and then d, are whole
  // again, so d's own entry comes back.
  LPITEMIDLIST file = IDListFromPath(nullptr, D + "/sub/c.jpg");
  LPITEMIDLIST ancestor = S.GetFullyCheckedAncestor(file);
  EXPECT_EQ(PathFromIDList(ancestor), D);
  S.AddIDList(ancestor);
  FreeIDList(ancestor);
  FreeIDList(file);
  Drain();
  EXPECT_EQ(Entries(), (std::vector<String>{D + "/*"}));
  EXPECT_EQ(S.TotalBytes(), whole.first);
  EXPECT_EQ(S.FileCount(), whole.second);
}

TEST_F(SelectionList, StatesUsePrefixesNotSubstrings) {
  // "/x/d/a/b.jpg" checked must not gray "/d/a"; "/base" not "/based".
  ForceDirectories(Root + "/x/d/a");
  ForceDirectories(Root + "/d/a");
  ForceDirectories(Root + "/base");
  ForceDirectories(Root + "/based");
  WriteFile(Root + "/x/d/a/b.jpg", "x");
  WriteFile(Root + "/base/f.jpg", "x");
  S.AddPath(Root + "/x/d/a/b.jpg");
  S.AddPath(Root + "/base/");
  Drain();
  struct TCase {
    String Path;
    int32_t State;
    bool Via;
  };
  const TCase cases[] = {
      {Root + "/x/d/a/b.jpg", ZavCheckChecked, false},
      {Root + "/x/d", ZavCheckGrayed, false},
      {Root + "/d/a", ZavCheckUnchecked, false},
      {Root + "/base", ZavCheckChecked, false},
      {Root + "/base/f.jpg", ZavCheckChecked, true},
      {Root + "/based", ZavCheckUnchecked, false},
      {Root + "/X/d", ZavCheckNone, false},
      {Root + "/missing.jpg", ZavCheckNone, false},
      {"", ZavCheckNone, false},
  };
  for (const TCase& c : cases) {
    bool via = !c.Via;
    EXPECT_EQ(S.GetState(c.Path, via), c.State) << c.Path;
    EXPECT_EQ(via, c.Via) << c.Path;
  }
  // Unchecking the grayed folder removes what lies below it, and only that.
  S.RemovePath(Root + "/x");
  Drain();
  EXPECT_EQ(Entries(), (std::vector<String>{Root + "/base/*"}));
  EXPECT_EQ(S.FileCount(), 1);
  EXPECT_EQ(S.TotalBytes(), 1);
}

TEST_F(SelectionList, DestroyedWhileSizeThreadsRun) {
  for (int i = 0; i < 20; ++i) {
    const String folder = D + "/many" + std::to_string(i);
    ForceDirectories(folder);
    for (int k = 0; k < 50; ++k) WriteFile(folder + "/f" + std::to_string(k), "x");
  }
  auto list = std::make_unique<TZavSelectionList>();
  for (int i = 0; i < 20; ++i) list->AddPath(D + "/many" + std::to_string(i));
  EXPECT_GT(list->RunningSizeThreads(), 0);
  list.reset();
  // Nothing is left to run on this thread.
  EXPECT_FALSE(TThread::CheckSynchronize(0));
}
