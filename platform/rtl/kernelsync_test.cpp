#include "platform/rtl/kernelsync.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>

#include "platform/rtl/files.h"

namespace {

String NewDir(const String& tag) {
  static int n = 0;
  String d = String(std::getenv("HOME")) + "/k-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++n);
  ForceDirectories(d);
  return d;
}

void Touch(const String& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_RDONLY | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  ::close(fd);
}

void Append(const String& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::write(fd, "x", 1), 1);
  ::close(fd);
}

// The worker of a folder monitor: waits on (change, stop mutex), tells of
// each change, stops when the owner lets the mutex go.
struct TMonitor {
  String Dir;
  HANDLE Mutex = nullptr;
  HANDLE Changed = nullptr;
  std::atomic<int> Count{0};
};

uint32_t MonitorProc(void* p) {
  auto* m = static_cast<TMonitor*>(p);
  HANDLE change = FindFirstChangeNotification(m->Dir, false, FILE_NOTIFY_CHANGE_FILE_NAME);
  if (change == INVALID_HANDLE_VALUE) return GetLastError();
  const HANDLE handles[2] = {change, m->Mutex};
  for (;;) {
    const uint32_t r = WaitForMultipleObjects(2, handles, false, INFINITE);
    if (r == WAIT_OBJECT_0) {
      ++m->Count;
      SetEvent(m->Changed);
      if (!FindNextChangeNotification(change)) {
        FindCloseChangeNotification(change);
        return GetLastError();
      }
    } else {
      break;  // the mutex: the owner stopped us, and we own it now
    }
  }
  FindCloseChangeNotification(change);
  ReleaseMutex(m->Mutex);
  return 0;
}

uint32_t TakeAndLeave(void* p) {
  WaitForSingleObject(*static_cast<HANDLE*>(p), INFINITE);
  return 7;  // ends owning the mutex
}

}  // namespace

TEST(RtlKernelSync, MonitorHandshakeThroughAMutex) {
  TMonitor m;
  m.Dir = NewDir("mon");
  m.Mutex = CreateMutex(nullptr, false, nullptr);
  m.Changed = CreateEvent(nullptr, false, false, nullptr);
  ASSERT_EQ(WaitForSingleObject(m.Mutex, INFINITE), WAIT_OBJECT_0);  // the owner holds it while watching
  uint32_t id = 0;
  HANDLE thread = CreateThread(nullptr, 0, MonitorProc, &m, 0, &id);
  ASSERT_TRUE(thread);
  EXPECT_NE(id, 0u);
  uint32_t code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  // The watch may not be in place yet: touch until the worker tells.
  uint32_t told = WAIT_TIMEOUT;
  for (int i = 0; i < 100 && told != WAIT_OBJECT_0; ++i) {
    Touch(m.Dir + "/f" + std::to_string(i));
    told = WaitForSingleObject(m.Changed, 100);
  }
  ASSERT_EQ(told, WAIT_OBJECT_0);
  ASSERT_TRUE(ReleaseMutex(m.Mutex));
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_GE(m.Count.load(), 1);
  EXPECT_EQ(WaitForSingleObject(m.Mutex, 0), WAIT_OBJECT_0);  // the worker let it go
  ReleaseMutex(m.Mutex);
  CloseHandle(thread);
  CloseHandle(m.Mutex);
  CloseHandle(m.Changed);
}

TEST(RtlKernelSync, MutexesEventsAndThreads) {
  HANDLE mutex = CreateMutex(nullptr, true, nullptr);
  ASSERT_TRUE(mutex);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // re-entrant
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  // A thread that ends owning it abandons it.
  HANDLE t = CreateThread(nullptr, 0, TakeAndLeave, &mutex, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
  uint32_t code = 0;
  GetExitCodeThread(t, &code);
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  ReleaseMutex(mutex);
  CloseHandle(t);

  HANDLE autoEvent = CreateEvent(nullptr, false, true, nullptr);
  HANDLE manual = CreateEvent(nullptr, true, false, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
  const HANDLE both[2] = {autoEvent, manual};
  SetEvent(manual);
  EXPECT_EQ(WaitForMultipleObjects(2, both, false, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, true, 0), WAIT_TIMEOUT);  // all: the auto event is not set
  SetEvent(autoEvent);
  EXPECT_EQ(WaitForMultipleObjects(2, both, true, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);  // taken by the wait for all
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  CloseHandle(autoEvent);
  CloseHandle(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  CloseHandle(mutex);
}

TEST(RtlKernelSync, ChangeNotificationFiltersTable) {
  const uint32_t FN = FILE_NOTIFY_CHANGE_FILE_NAME, DN = FILE_NOTIFY_CHANGE_DIR_NAME,
                 AT = FILE_NOTIFY_CHANGE_ATTRIBUTES, SZ = FILE_NOTIFY_CHANGE_SIZE, LW = FILE_NOTIFY_CHANGE_LAST_WRITE,
                 CR = FILE_NOTIFY_CHANGE_CREATION, SE = FILE_NOTIFY_CHANGE_SECURITY;
  const uint32_t filters[] = {FN, DN, AT, SZ, LW, CR, SE};
  struct TAction {
    const char* Name;
    bool Subtree;
    std::function<void(const String&)> Do;
    uint32_t Signals;  // the filters that must signal
  };
  const std::vector<TAction> actions = {
      {"create", false, [](const String& d) { Touch(d + "/new.txt"); }, FN | CR},
      {"rename", false, [](const String& d) { ::rename((d + "/file.txt").c_str(), (d + "/moved.txt").c_str()); }, FN},
      {"delete", false, [](const String& d) { ::unlink((d + "/file.txt").c_str()); }, FN},
      {"attributes", false, [](const String& d) { ::chmod((d + "/file.txt").c_str(), 0600); }, AT | SE},
      {"write", false, [](const String& d) { Append(d + "/file.txt"); }, SZ | LW},
      {"new folder", false, [](const String& d) { ::mkdir((d + "/newdir").c_str(), 0755); }, DN | CR},
      {"file in subfolder", false, [](const String& d) { Touch(d + "/sub/deep.txt"); }, 0},
      {"file in subfolder", true, [](const String& d) { Touch(d + "/sub/deep.txt"); }, FN | CR},
      {"folder in subfolder", true, [](const String& d) { ::mkdir((d + "/sub/d2").c_str(), 0755); }, DN | CR},
      {"rename in subfolder", true,
       [](const String& d) { ::rename((d + "/sub/inner.txt").c_str(), (d + "/sub/x.txt").c_str()); }, FN},
  };
  for (const TAction& a : actions)
    for (uint32_t f : filters) {
      const String dir = NewDir("chg");
      Touch(dir + "/file.txt");
      ::mkdir((dir + "/sub").c_str(), 0755);
      Touch(dir + "/sub/inner.txt");
      HANDLE h = FindFirstChangeNotification(dir, a.Subtree, f);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      a.Do(dir);
      // inotify queues the events before the call that caused them returns.
      const bool want = (a.Signals & f) != 0;
      EXPECT_EQ(WaitForSingleObject(h, want ? 5000 : 0), want ? WAIT_OBJECT_0 : WAIT_TIMEOUT)
          << a.Name << (a.Subtree ? " (subtree)" : "") << " filter " << f;
      FindCloseChangeNotification(h);
    }
}

TEST(RtlKernelSync, ChangeNotificationFollowsNewFoldersKeepsQueuesAndEnds) {
  const String dir = NewDir("follow");
  HANDLE h = FindFirstChangeNotification(dir, true, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ::mkdir((dir + "/fresh").c_str(), 0755);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);  // a folder is no file name; now watched
  Touch(dir + "/fresh/in.txt");
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // stays signalled until re-armed
  Touch(dir + "/a.txt");
  Touch(dir + "/b.txt");
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // a.txt was queued
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // b.txt
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
  // Deleting the watched folder ends the watch.
  for (const char* f : {"/fresh/in.txt", "/a.txt", "/b.txt"}) ::unlink((dir + f).c_str());
  ::rmdir((dir + "/fresh").c_str());
  ::rmdir(dir.c_str());
  bool ended = false;
  for (int i = 0; i < 20 && !ended; ++i) {
    ASSERT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
    ended = !FindNextChangeNotification(h);
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  FindCloseChangeNotification(h);
  EXPECT_EQ(FindFirstChangeNotification(dir + "/gone", false, FILE_NOTIFY_CHANGE_FILE_NAME), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
