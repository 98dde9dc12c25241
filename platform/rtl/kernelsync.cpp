#include "platform/rtl/kernelsync.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

enum class TKind : uint8_t { Mutex, Event, Thread, Change };

struct TKObject {
  explicit TKObject(TKind kind) : Kind(kind) {}
  virtual ~TKObject() = default;
  const TKind Kind;
};

struct TKMutex : TKObject {
  TKMutex() : TKObject(TKind::Mutex) {}
  TThreadID Owner = 0;
  uint32_t Count = 0;
  bool Abandoned = false;
};

struct TKEvent : TKObject {
  TKEvent(bool manual, bool state) : TKObject(TKind::Event), Manual(manual), Signalled(state) {}
  bool Manual;
  bool Signalled;
};

struct TKThread : TKObject {
  TKThread() : TKObject(TKind::Thread) {}
  bool Done = false;
  uint32_t ExitCode = STILL_ACTIVE;
};

struct TInotifyEvent {
  int Wd = -1;
  uint32_t Mask = 0;
  String Name;
};

// One watch tree on its own inotify descriptor. Events are read in batches
// and considered one at a time; once one matches, the rest stay queued
// until the handle is re-armed.
struct TKChange : TKObject {
  TKChange() : TKObject(TKind::Change) {}
  ~TKChange() override {
    if (Fd >= 0) ::close(Fd);
  }

  std::mutex M;
  int Fd = -1;
  uint32_t Filter = 0;
  bool Subtree = false;
  int RootWd = -1;
  std::map<int, String> Watches;
  std::deque<TInotifyEvent> Pending;
  bool Signalled = false;
  bool Dead = false;

  uint32_t WatchMask() const {
    uint32_t m = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (Filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
      m |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    if (Filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) m |= IN_ATTRIB;
    if (Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) m |= IN_MODIFY | IN_CLOSE_WRITE;
    if (Filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) m |= IN_ACCESS;
    if (Filter & FILE_NOTIFY_CHANGE_CREATION) m |= IN_CREATE;
    if (Subtree) m |= IN_CREATE | IN_MOVED_TO;  // to follow new folders
    return m;
  }

  bool Matches(uint32_t mask) const {
    const bool dir = (mask & IN_ISDIR) != 0;
    const uint32_t names = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    if ((Filter & FILE_NOTIFY_CHANGE_FILE_NAME) && !dir && (mask & names)) return true;
    if ((Filter & FILE_NOTIFY_CHANGE_DIR_NAME) && dir && (mask & names)) return true;
    if ((Filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) && (mask & IN_ATTRIB)) return true;
    if ((Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) && (mask & (IN_MODIFY | IN_CLOSE_WRITE)))
      return true;
    if ((Filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) && (mask & IN_ACCESS)) return true;
    if ((Filter & FILE_NOTIFY_CHANGE_CREATION) && (mask & IN_CREATE)) return true;
    return false;
  }

  // Watches path and, with Subtree, every folder below it (links are not
  // followed). Stops quietly at the per-user watch limit.
  void AddTree(const String& path) {
    std::vector<String> todo{path};
    const uint32_t mask = WatchMask() | IN_DONT_FOLLOW;
    while (!todo.empty()) {
      String dir = std::move(todo.back());
      todo.pop_back();
      const int wd = inotify_add_watch(Fd, dir.c_str(), mask);
      if (wd < 0) {
        if (errno == ENOSPC) return;
        continue;
      }
      Watches[wd] = dir;
      if (!Subtree) continue;
      DIR* d = ::opendir(dir.c_str());
      if (!d) continue;
      while (struct dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
          struct stat st;
          isDir = ::fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir) todo.push_back(dir + "/" + e->d_name);
      }
      ::closedir(d);
    }
  }

  // Reads what the descriptor has now into Pending (one bounded batch).
  void ReadBatch() {
    alignas(struct inotify_event) char buf[65536];
    const ssize_t n = ::read(Fd, buf, sizeof buf);
    if (n <= 0) return;
    size_t off = 0;
    while (off + sizeof(struct inotify_event) <= size_t(n)) {
      struct inotify_event ev;
      std::memcpy(&ev, buf + off, sizeof ev);
      const size_t total = sizeof(struct inotify_event) + ev.len;
      if (off + total > size_t(n)) break;
      TInotifyEvent e;
      e.Wd = ev.wd;
      e.Mask = ev.mask;
      if (ev.len > 0) {
        const char* name = buf + off + sizeof(struct inotify_event);
        e.Name.assign(name, strnlen(name, ev.len));
      }
      Pending.push_back(std::move(e));
      off += total;
    }
  }

  void Consider(const TInotifyEvent& e) {
    if (e.Mask & IN_Q_OVERFLOW) {
      Signalled = true;
      return;
    }
    if (e.Mask & IN_IGNORED) {
      Watches.erase(e.Wd);
      if (e.Wd == RootWd) Dead = Signalled = true;
      return;
    }
    if (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      if (e.Wd == RootWd) Dead = Signalled = true;
      return;
    }
    auto it = Watches.find(e.Wd);
    if (it == Watches.end()) return;
    if (Subtree && (e.Mask & IN_ISDIR) && (e.Mask & (IN_CREATE | IN_MOVED_TO)) && !e.Name.empty())
      AddTree(it->second + "/" + e.Name);
    if (Matches(e.Mask)) Signalled = true;
  }

  // Caller holds M.
  void Process() {
    while (!Signalled) {
      if (Pending.empty()) {
        ReadBatch();
        if (Pending.empty()) return;
      }
      TInotifyEvent e = std::move(Pending.front());
      Pending.pop_front();
      Consider(e);
    }
  }
};

struct TKernel {
  std::mutex Lock;
  std::map<uintptr_t, std::shared_ptr<TKObject>> Table;
  uintptr_t Next = 0x1000;
  std::set<int> Waiters;  // eventfds of threads blocked in a wait
};

TKernel& K() {
  static TKernel* k = new TKernel;  // outlives every thread-local owner record
  return *k;
}

// Caller holds the lock.
void WakeWaiters() {
  const uint64_t one = 1;
  for (int fd : K().Waiters) {
    ssize_t r = ::write(fd, &one, sizeof one);
    (void)r;
  }
}

HANDLE AddObject(std::shared_ptr<TKObject> obj) {
  std::lock_guard<std::mutex> g(K().Lock);
  const uintptr_t id = K().Next;
  K().Next += 4;
  K().Table[id] = std::move(obj);
  return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<TKObject> Lookup(HANDLE h) {
  std::lock_guard<std::mutex> g(K().Lock);
  auto it = K().Table.find(reinterpret_cast<uintptr_t>(h));
  return it == K().Table.end() ? nullptr : it->second;
}

// Mutexes the calling thread owns; abandoned when the thread ends.
struct TOwnedMutexes {
  std::vector<std::weak_ptr<TKMutex>> Items;
  ~TOwnedMutexes();
};
thread_local TOwnedMutexes tOwned;

// Caller holds the lock.
void AbandonOwnedLocked(TThreadID tid, std::vector<std::weak_ptr<TKMutex>>& items) {
  bool any = false;
  for (auto& w : items)
    if (auto m = w.lock()) {
      if (m->Owner == tid && m->Count > 0) {
        m->Owner = 0;
        m->Count = 0;
        m->Abandoned = true;
        any = true;
      }
    }
  items.clear();
  if (any) WakeWaiters();
}

void AbandonOwned() {
  std::lock_guard<std::mutex> g(K().Lock);
  AbandonOwnedLocked(GetCurrentThreadId(), tOwned.Items);
}

TOwnedMutexes::~TOwnedMutexes() {
  if (Items.empty()) return;
  std::lock_guard<std::mutex> g(K().Lock);
  AbandonOwnedLocked(GetCurrentThreadId(), Items);
}

void NoteOwned(const std::shared_ptr<TKMutex>& m) {
  for (auto& w : tOwned.Items)
    if (w.lock() == m) return;
  tOwned.Items.push_back(m);
}

void ForgetOwned(const std::shared_ptr<TKMutex>& m) {
  auto& v = tOwned.Items;
  v.erase(std::remove_if(v.begin(), v.end(),
                         [&](const std::weak_ptr<TKMutex>& w) {
                           auto p = w.lock();
                           return !p || p == m;
                         }),
          v.end());
}

// The eventfd a thread waits on, made once per thread.
struct TWaiterFd {
  int Fd = -1;
  ~TWaiterFd() {
    if (Fd >= 0) ::close(Fd);
  }
  int Get() {
    if (Fd < 0) Fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return Fd;
  }
};
thread_local TWaiterFd tWaiter;

// Caller holds the lock. Whether the object could be taken now.
bool Ready(TKObject& o, TThreadID tid) {
  switch (o.Kind) {
    case TKind::Mutex: {
      auto& m = static_cast<TKMutex&>(o);
      return m.Count == 0 || m.Owner == tid;
    }
    case TKind::Event: return static_cast<TKEvent&>(o).Signalled;
    case TKind::Thread: return static_cast<TKThread&>(o).Done;
    case TKind::Change: {
      auto& c = static_cast<TKChange&>(o);
      std::lock_guard<std::mutex> g(c.M);
      return c.Signalled;
    }
  }
  return false;
}

// Caller holds the lock and saw Ready. Answers whether the object was an
// abandoned mutex.
bool Take(const std::shared_ptr<TKObject>& o, TThreadID tid) {
  switch (o->Kind) {
    case TKind::Mutex: {
      auto m = std::static_pointer_cast<TKMutex>(o);
      m->Owner = tid;
      ++m->Count;
      NoteOwned(m);
      const bool abandoned = m->Abandoned;
      m->Abandoned = false;
      return abandoned;
    }
    case TKind::Event: {
      auto& e = static_cast<TKEvent&>(*o);
      if (!e.Manual) e.Signalled = false;
      return false;
    }
    default: return false;
  }
}

uint32_t WaitImpl(uint32_t count, const HANDLE* handles, bool waitAll, uint32_t ms) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<TKObject>> objs;
  for (uint32_t i = 0; i < count; ++i) {
    auto o = Lookup(handles[i]);
    if (!o) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objs.push_back(std::move(o));
  }
  const TThreadID tid = GetCurrentThreadId();
  const auto start = std::chrono::steady_clock::now();
  const int wfd = tWaiter.Get();
  if (wfd < 0) {
    SetLastErrorFromErrno(errno);
    return WAIT_FAILED;
  }
  for (;;) {
    for (auto& o : objs)
      if (o->Kind == TKind::Change) {
        auto& c = static_cast<TKChange&>(*o);
        std::lock_guard<std::mutex> g(c.M);
        c.Process();
      }
    {
      std::lock_guard<std::mutex> g(K().Lock);
      if (waitAll) {
        bool all = true;
        for (auto& o : objs) all = all && Ready(*o, tid);
        if (all) {
          int abandoned = -1;
          for (uint32_t i = 0; i < count; ++i)
            if (Take(objs[i], tid) && abandoned < 0) abandoned = int(i);
          return abandoned >= 0 ? WAIT_ABANDONED_0 + uint32_t(abandoned) : WAIT_OBJECT_0;
        }
      } else {
        for (uint32_t i = 0; i < count; ++i)
          if (Ready(*objs[i], tid)) return Take(objs[i], tid) ? WAIT_ABANDONED_0 + i : WAIT_OBJECT_0 + i;
      }
      if (ms == 0) return WAIT_TIMEOUT;
      K().Waiters.insert(wfd);
    }
    int timeout = -1;
    if (ms != INFINITE) {
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      timeout = elapsed >= int64_t(ms) ? 0 : int(int64_t(ms) - elapsed);
    }
    std::vector<struct pollfd> fds;
    fds.push_back({wfd, POLLIN, 0});
    for (auto& o : objs)
      if (o->Kind == TKind::Change) fds.push_back({static_cast<TKChange&>(*o).Fd, POLLIN, 0});
    int r = ::poll(fds.data(), fds.size(), timeout);
    uint64_t drain;
    while (::read(wfd, &drain, sizeof drain) > 0) {
    }
    {
      std::lock_guard<std::mutex> g(K().Lock);
      K().Waiters.erase(wfd);
    }
    if (r < 0 && errno != EINTR) {
      SetLastErrorFromErrno(errno);
      return WAIT_FAILED;
    }
    if (r == 0 && timeout == 0) ms = 0;  // one last look, then time out
  }
}

}  // namespace

HANDLE CreateMutex(void*, bool initialOwner, const char* name) {
  if (name && *name) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto m = std::make_shared<TKMutex>();
  if (initialOwner) {
    m->Owner = GetCurrentThreadId();
    m->Count = 1;
    std::lock_guard<std::mutex> g(K().Lock);
    NoteOwned(m);
  }
  return AddObject(m);
}

bool ReleaseMutex(HANDLE mutex) {
  auto o = Lookup(mutex);
  if (!o || o->Kind != TKind::Mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  auto m = std::static_pointer_cast<TKMutex>(o);
  std::lock_guard<std::mutex> g(K().Lock);
  if (m->Count == 0 || m->Owner != GetCurrentThreadId()) {
    SetLastError(ERROR_NOT_OWNER);
    return false;
  }
  if (--m->Count == 0) {
    m->Owner = 0;
    ForgetOwned(m);
    WakeWaiters();
  }
  return true;
}

HANDLE CreateEvent(void*, bool manualReset, bool initialState, const char* name) {
  if (name && *name) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return AddObject(std::make_shared<TKEvent>(manualReset, initialState));
}

static bool SetEventState(HANDLE event, bool state) {
  auto o = Lookup(event);
  if (!o || o->Kind != TKind::Event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::lock_guard<std::mutex> g(K().Lock);
  static_cast<TKEvent&>(*o).Signalled = state;
  if (state) WakeWaiters();
  return true;
}

bool SetEvent(HANDLE event) { return SetEventState(event, true); }
bool ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* parameter, uint32_t flags, uint32_t* threadId) {
  if (!start || (flags & CREATE_SUSPENDED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto t = std::make_shared<TKThread>();
  HANDLE h = AddObject(t);
  std::promise<uint32_t> idPromise;
  std::future<uint32_t> id = idPromise.get_future();
  try {
    std::thread([t, start, parameter, p = std::move(idPromise)]() mutable {
      p.set_value(GetCurrentThreadId());
      const uint32_t code = start(parameter);
      AbandonOwned();
      std::lock_guard<std::mutex> g(K().Lock);
      t->ExitCode = code;
      t->Done = true;
      WakeWaiters();
    }).detach();
  } catch (const std::system_error&) {
    CloseHandle(h);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const uint32_t tid = id.get();
  if (threadId) *threadId = tid;
  return h;
}

bool GetExitCodeThread(HANDLE thread, uint32_t* exitCode) {
  auto o = Lookup(thread);
  if (!o || o->Kind != TKind::Thread || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  std::lock_guard<std::mutex> g(K().Lock);
  *exitCode = static_cast<TKThread&>(*o).ExitCode;
  return true;
}

uint32_t WaitForSingleObject(HANDLE handle, uint32_t milliseconds) { return WaitImpl(1, &handle, false, milliseconds); }

uint32_t WaitForMultipleObjects(uint32_t count, const HANDLE* handles, bool waitAll, uint32_t milliseconds) {
  return WaitImpl(count, handles, waitAll, milliseconds);
}

bool CloseHandle(HANDLE handle) {
  std::shared_ptr<TKObject> keep;  // released outside the lock
  std::lock_guard<std::mutex> g(K().Lock);
  auto it = K().Table.find(reinterpret_cast<uintptr_t>(handle));
  if (it == K().Table.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  keep = std::move(it->second);
  K().Table.erase(it);
  return true;
}

HANDLE FindFirstChangeNotification(const String& pathName, bool watchSubtree, uint32_t notifyFilter) {
  struct stat st;
  if (pathName.empty() || ::stat(pathName.c_str(), &st) != 0) {
    SetLastErrorFromErrno(pathName.empty() ? ENOENT : errno);
    return INVALID_HANDLE_VALUE;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return INVALID_HANDLE_VALUE;
  }
  if (notifyFilter == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto c = std::make_shared<TKChange>();
  c->Fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (c->Fd < 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  c->Filter = notifyFilter;
  c->Subtree = watchSubtree;
  c->RootWd = inotify_add_watch(c->Fd, pathName.c_str(), c->WatchMask());
  if (c->RootWd < 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  c->Watches[c->RootWd] = pathName;
  if (watchSubtree) {
    // The root is watched; add the folders below it.
    DIR* d = ::opendir(pathName.c_str());
    if (d) {
      std::vector<String> subs;
      while (struct dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
          struct stat s2;
          isDir = ::fstatat(dirfd(d), e->d_name, &s2, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(s2.st_mode);
        }
        if (isDir) subs.push_back(pathName + "/" + e->d_name);
      }
      ::closedir(d);
      for (const String& s : subs) c->AddTree(s);
    }
  }
  return AddObject(c);
}

bool FindNextChangeNotification(HANDLE changeHandle) {
  auto o = Lookup(changeHandle);
  if (!o || o->Kind != TKind::Change) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  auto& c = static_cast<TKChange&>(*o);
  std::lock_guard<std::mutex> g(c.M);
  if (!c.Dead) {
    c.Signalled = false;
    c.Process();
  }
  if (c.Dead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

bool FindCloseChangeNotification(HANDLE changeHandle) {
  auto o = Lookup(changeHandle);
  if (!o || o->Kind != TKind::Change) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return CloseHandle(changeHandle);
}
