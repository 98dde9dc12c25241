// The directory monitor over real folders: each change reaches the owner's
// thread through the hidden window; stops, errors and destruction join the
// worker. Waits are on the worker's posts (bounded by the headless
// watchdog), never on the clock.
#include "shell/dirmon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "platform/shellapi/shell_testing.h"
#include "platform/vcl/vcl_testing.h"

using namespace shelltest;

namespace {

class DirMonTest : public TVclTest {
 protected:
  DirMonTest() {
    Mon.OnDirChange = [this](TObject* Sender) {
      ++Changes;
      if (Sender != &Mon || std::this_thread::get_id() != MainThread) ++OffThread;
    };
    Mon.OnStarted = [this](TObject*) { ++Starts; };
    Mon.OnStopped = [this](TObject*) { ++Stops; };
  }

  // Delivers what the worker posts until Done holds.
  void PumpUntil(const std::function<bool()>& Done) {
    Pump();
    while (!Done()) {
      WaitMessage();
      Pump();
    }
  }

  const std::thread::id MainThread = std::this_thread::get_id();
  TDirMon Mon{nullptr};
  int Changes = 0, OffThread = 0, Starts = 0, Stops = 0;
};

}  // namespace

TEST_F(DirMonTest, CreatingAFileGivesOneChangeOnTheOwnersThread) {
  const String dir = NewDir("dm");
  Mon.SetDirectory(dir + "/");
  EXPECT_EQ(Mon.Directory(), dir);
  ASSERT_TRUE(Mon.Active());
  EXPECT_EQ(Starts, 1);
  WriteFile(dir + "/a.jpg", "x");
  PumpUntil([&] { return Changes > 0; });
  Mon.Stop();  // the worker has ended: all it posted is queued
  Pump();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(OffThread, 0);
  EXPECT_EQ(Stops, 1);
}

TEST_F(DirMonTest, DirectoryTextAndRestarts) {
  const String dir = NewDir("dm");
  const struct {
    String Set, Want;
    int Starts;  // after the assignment
  } rows[] = {
      {"/", "/", 1},               // the root keeps its "/"
      {dir + "/", dir, 2},         // a longer path loses it
      {dir, dir, 2},               // the same text: no restart
      {dir + "//", dir + "/", 3},  // only one "/" goes
  };
  for (const auto& r : rows) {
    Mon.SetDirectory(r.Set);
    EXPECT_EQ(Mon.Directory(), r.Want) << r.Set;
    EXPECT_EQ(Starts, r.Starts) << r.Set;
  }
  // Other letter case is another folder: the watch restarts, and the worker
  // that cannot watch it ends on its own and is reported stopped.
  ForceDirectories(dir + "/photos");
  Mon.SetDirectory(dir + "/photos");
  const int stops = Stops;
  Mon.SetDirectory(dir + "/Photos");
  EXPECT_EQ(Starts, 5);
  EXPECT_EQ(Mon.Directory(), dir + "/Photos");
  PumpUntil([&] { return !Mon.Active(); });
  EXPECT_EQ(Stops, stops + 2);  // the restart's stop, then the failed worker's
}

TEST_F(DirMonTest, NestedReportsChangesInSubfoldersOnly) {
  for (bool nested : {false, true}) {
    const String dir = NewDir("dm");
    ForceDirectories(dir + "/sub");
    Changes = Stops = 0;
    Mon.SetNested(nested);
    Mon.SetDirectory(dir);
    WriteFile(dir + "/sub/x.jpg", "x");
    ::unlink((dir + "/sub/x.jpg").c_str());
    ::rmdir((dir + "/sub").c_str());
    // Removing the watched folder ends the worker after everything before it.
    ::rmdir(dir.c_str());
    PumpUntil([&] { return Stops > 0; });
    EXPECT_FALSE(Mon.Active());
    // Without nesting only the removal wakes the worker. The nested watch
    // also sees the file made and removed below (the removal may then come
    // with the worker's last re-arm, which fails without another wake).
    if (nested)
      EXPECT_GE(Changes, 2);
    else
      EXPECT_EQ(Changes, 1);
    EXPECT_EQ(OffThread, 0);
  }
}

TEST_F(DirMonTest, NotifyFilterStopsTheWatch) {
  const String dir = NewDir("dm");
  Mon.SetDirectory(dir);
  ASSERT_TRUE(Mon.Active());
  Mon.SetNotifyFilter({TDirMonValue::dmcDirName, TDirMonValue::dmcSecurity});
  EXPECT_FALSE(Mon.Active());
  EXPECT_EQ(Stops, 1);
  EXPECT_EQ(Mon.GetNotifyFilter(), (TDirMonType{TDirMonValue::dmcDirName, TDirMonValue::dmcSecurity}));
  WriteFile(dir + "/a.jpg", "x");
  Pump();
  EXPECT_EQ(Changes, 0);

  // The next start watches with the new filter: a folder, not a file.
  Mon.Start();
  WriteFile(dir + "/b.jpg", "x");
  ForceDirectories(dir + "/sub");
  PumpUntil([&] { return Changes > 0; });
  Mon.Stop();
  Pump();
  EXPECT_EQ(Changes, 1);
}

TEST_F(DirMonTest, DestroyingWhileWatchingJoinsTheWorker) {
  const String dir = NewDir("dm");
  int changes = 0;
  {
    TDirMon mon(nullptr);
    mon.OnDirChange = [&](TObject*) { ++changes; };
    mon.SetDirectory(dir);
    ASSERT_TRUE(mon.Active());
    WriteFile(dir + "/a.jpg", "x");
  }
  // Nothing of the destroyed watch is delivered later.
  Pump();
  EXPECT_EQ(changes, 0);
}

TEST_F(DirMonTest, AFailingHandlerIsSwallowed) {
  const String dir = NewDir("dm");
  Mon.OnDirChange = [this](TObject*) {
    ++Changes;
    throw Exception("handler failed");
  };
  Mon.SetDirectory(dir);
  WriteFile(dir + "/a.jpg", "x");
  PumpUntil([&] { return Changes > 0; });
  EXPECT_TRUE(Mon.Active());
  EXPECT_TRUE(TakeExceptions().empty());
}
