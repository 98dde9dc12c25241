#include "app/main/instanceguard.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/rtl/files.h"

namespace {

constexpr char kRequest[] = "restore";
// A client that connects and says nothing is dropped after this long.
constexpr int kReadTimeoutMs = 1000;

// A folder we made ourselves and nobody else can enter.
bool PrivateFolder(const String& Dir) {
  if (mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (lstat(Dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool FillAddress(const String& Path, sockaddr_un& Addr) {
  std::memset(&Addr, 0, sizeof(Addr));
  Addr.sun_family = AF_UNIX;
  if (Path.size() >= sizeof(Addr.sun_path)) return false;
  std::memcpy(Addr.sun_path, Path.c_str(), Path.size());
  return true;
}

void CloseFd(int& Fd) {
  if (Fd >= 0) close(Fd);
  Fd = -1;
}

}  // namespace

String InstanceRuntimeFolder() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && *xdg == '/') return IncludeTrailingPathDelimiter(xdg);
  const String own = GetTempPath() + "pictoval-" + std::to_string(geteuid());
  return PrivateFolder(own) ? own + "/" : String();
}

TInstanceGuard::TInstanceGuard(const String& Name, const String& Folder)
    : FFolder(Folder.empty() ? InstanceRuntimeFolder() : IncludeTrailingPathDelimiter(Folder)) {
  if (FFolder.empty()) return;
  FLockPath = FFolder + Name + ".lock";
  FSocketPath = FFolder + Name + ".sock";
}

TInstanceGuard::~TInstanceGuard() {
  if (FListener.joinable()) {
    const char stop = 0;
    (void)!write(FWakePipe[1], &stop, 1);
    FListener.join();
  }
  CloseFd(FWakePipe[0]);
  CloseFd(FWakePipe[1]);
  if (FListenFd >= 0) {
    CloseFd(FListenFd);
    unlink(FSocketPath.c_str());
  }
  // The lock goes with the descriptor; the file stays for the next start.
  CloseFd(FLockFd);
}

TInstanceStart TInstanceGuard::Start() {
  if (FLockPath.empty()) return TInstanceStart::isNoGuard;
  FLockFd = open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FLockFd < 0) return TInstanceStart::isNoGuard;
  if (flock(FLockFd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    CloseFd(FLockFd);
    if (!held) return TInstanceStart::isNoGuard;
    SendRequest();
    return TInstanceStart::isExit;
  }
  // Without a listener the guard still keeps a second instance out.
  Listen();
  return TInstanceStart::isFirst;
}

void TInstanceGuard::SendRequest() {
  sockaddr_un addr;
  if (!FillAddress(FSocketPath, addr)) return;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0)
    FRequestSent = send(fd, kRequest, sizeof(kRequest) - 1, MSG_NOSIGNAL) == ssize_t(sizeof(kRequest) - 1);
  CloseFd(fd);
}

bool TInstanceGuard::Listen() {
  sockaddr_un addr;
  if (!FillAddress(FSocketPath, addr)) return false;
  // A socket left by an instance that died: we hold the lock, so it is stale.
  unlink(FSocketPath.c_str());
  FListenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListenFd < 0) return false;
  if (bind(FListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(FListenFd, 4) != 0 ||
      pipe2(FWakePipe, O_CLOEXEC) != 0) {
    CloseFd(FListenFd);
    return false;
  }
  FListener = std::thread([this] { ListenLoop(); });
  return true;
}

void TInstanceGuard::ListenLoop() {
  for (;;) {
    pollfd fds[2] = {{FListenFd, POLLIN, 0}, {FWakePipe[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    const int conn = accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0) continue;
    ServeOne(conn);
    close(conn);
  }
}

void TInstanceGuard::ServeOne(int Conn) {
  char buf[sizeof(kRequest)] = {};
  size_t got = 0;
  while (got < sizeof(kRequest) - 1) {
    pollfd p{Conn, POLLIN, 0};
    if (poll(&p, 1, kReadTimeoutMs) <= 0) return;
    const ssize_t n = recv(Conn, buf + got, sizeof(kRequest) - 1 - got, 0);
    if (n <= 0) return;
    got += size_t(n);
  }
  if (std::memcmp(buf, kRequest, sizeof(kRequest) - 1) != 0) return;
  if (HWND target = FTarget.load()) PostMessage(target, WM_RESTOREINSTANCE, 0, 0);
  ++FReceived;
}
