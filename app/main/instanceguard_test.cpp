#include "app/main/instanceguard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/main/mainwindow_testing.h"
#include "platform/rtl/tempdir_testing.h"

namespace {

// The listener runs on its own thread: wait, in real time, until it has
// taken Count requests.
bool WaitForRequests(const TInstanceGuard& Guard, int32_t Count) {
  for (int i = 0; i < 500 && Guard.RequestsReceived() < Count; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return Guard.RequestsReceived() >= Count;
}

TEST(InstanceGuard, SecondGuardSendsTheRequestAndExits) {
  TempDir dir("guard");
  TInstanceGuard first(kInstanceGuardName, dir.Path());
  ASSERT_EQ(first.Start(), TInstanceStart::isFirst);
  EXPECT_EQ(first.LockPath(), dir / "Corvane_Pictoval.lock");
  TInstanceGuard second(kInstanceGuardName, dir.Path());
  EXPECT_EQ(second.Start(), TInstanceStart::isExit);
  EXPECT_TRUE(second.RequestSent());
  EXPECT_TRUE(WaitForRequests(first, 1));
  // Once the first has gone, the next start is the first again.
}

TEST(InstanceGuard, TheLockGoesWithTheFirstInstance) {
  TempDir dir("guard");
  {
    TInstanceGuard first(kInstanceGuardName, dir.Path());
    ASSERT_EQ(first.Start(), TInstanceStart::isFirst);
  }
  TInstanceGuard next(kInstanceGuardName, dir.Path());
  EXPECT_EQ(next.Start(), TInstanceStart::isFirst);
}

TEST(InstanceGuard, StaleFilesOfADeadInstanceDoNotBlock) {
  TempDir dir("guard");
  // What a killed process leaves: the lock file (its lock went with the
  // process) and a socket file nobody listens on.
  std::ofstream(dir / "Corvane_Pictoval.lock") << "4242\n";
  std::ofstream(dir / "Corvane_Pictoval.sock") << "";
  TInstanceGuard first(kInstanceGuardName, dir.Path());
  ASSERT_EQ(first.Start(), TInstanceStart::isFirst);
  TInstanceGuard second(kInstanceGuardName, dir.Path());
  EXPECT_EQ(second.Start(), TInstanceStart::isExit);
  EXPECT_TRUE(second.RequestSent());
  EXPECT_TRUE(WaitForRequests(first, 1));
}

TEST(InstanceGuard, ALockThatCannotBeTriedRunsWithoutTheGuard) {
  TempDir dir("guard");
  TInstanceGuard guard(kInstanceGuardName, dir / "missing/folder");
  EXPECT_EQ(guard.Start(), TInstanceStart::isNoGuard);
}

TEST(InstanceGuard, WithoutXdgRuntimeDirAPrivateFolderIsUsed) {
  TempDir tmp("guardtmp");
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const String saved = old != nullptr ? old : "";
  unsetenv("XDG_RUNTIME_DIR");
  setenv("TMPDIR", tmp.Path().c_str(), 1);
  const String folder = InstanceRuntimeFolder();
  if (!saved.empty()) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.rfind(tmp.Path(), 0), 0u) << folder;
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

class MainWindowRestore : public TMainWindowTest {};

TEST_F(MainWindowRestore, RequestRestoresTheWindowOnlyOnceLoaded) {
  TempDir dir("guard");
  TInstanceGuard first(kInstanceGuardName, dir.Path());
  ASSERT_EQ(first.Start(), TInstanceStart::isFirst);
  Boot(false);
  first.SetTargetWindow(Form->Handle());
  ShowWindow(Form->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(Form->Handle()));

  TInstanceGuard early(kInstanceGuardName, dir.Path());
  EXPECT_EQ(early.Start(), TInstanceStart::isExit);
  ASSERT_TRUE(WaitForRequests(first, 1));
  Pump();
  EXPECT_TRUE(IsIconic(Form->Handle())) << "a request during loading is ignored";

  Load();
  ASSERT_TRUE(Form->Loaded());
  TInstanceGuard late(kInstanceGuardName, dir.Path());
  EXPECT_EQ(late.Start(), TInstanceStart::isExit);
  ASSERT_TRUE(WaitForRequests(first, 2));
  Pump();
  EXPECT_FALSE(IsIconic(Form->Handle()));
  EXPECT_EQ(GetForegroundWindow(), Form->Handle());
  first.SetTargetWindow(nullptr);
}

}  // namespace
