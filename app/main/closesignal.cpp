#include "app/main/closesignal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
sigset_t CloseSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}
}  // namespace

TCloseOnSignal::TCloseOnSignal() {
  const sigset_t set = CloseSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  FSignalFd = signalfd(-1, &set, SFD_CLOEXEC);
  if (FSignalFd < 0 || pipe2(FWakePipe, O_CLOEXEC) != 0) return;
  FThread = std::thread([this] { Loop(); });
}

TCloseOnSignal::~TCloseOnSignal() {
  if (FThread.joinable()) {
    const char stop = 0;
    (void)!write(FWakePipe[1], &stop, 1);
    FThread.join();
  }
  for (int fd : {FSignalFd, FWakePipe[0], FWakePipe[1]})
    if (fd >= 0) close(fd);
  // Signals that came after the window went end the process as usual.
  const sigset_t set = CloseSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void TCloseOnSignal::SetTargetWindow(HWND Wnd) {
  FTarget.store(Wnd);
  if (Wnd != nullptr && FSignalled.load()) PostClose();
}

void TCloseOnSignal::PostClose() {
  if (HWND target = FTarget.load()) PostMessage(target, WM_CLOSE, 0, 0);
}

void TCloseOnSignal::Loop() {
  for (;;) {
    pollfd fds[2] = {{FSignalFd, POLLIN, 0}, {FWakePipe[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    signalfd_siginfo info;
    if (read(FSignalFd, &info, sizeof(info)) != ssize_t(sizeof(info))) continue;
    FSignalled.store(true);
    PostClose();
  }
}
