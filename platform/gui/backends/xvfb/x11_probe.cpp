#include "platform/gui/backends/xvfb/x11_probe.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

Display* D(void* p) { return static_cast<Display*>(p); }

uint64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

}  // namespace

// ---- Server ----------------------------------------------------------------------

bool TXServer::Start(const std::string& program, const std::string& logFile, int timeoutMs, std::string& error) {
  int fds[2];
  if (pipe(fds) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  const std::string fdArg = std::to_string(fds[1]);
  const char* argv[] = {program.c_str(), "-displayfd", fdArg.c_str(), "-screen", "0",
                        "1280x1024x24",  "-nolisten",  "tcp",         nullptr};
  const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = fork();
  if (pid == 0) {
    // The server ends with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (null >= 0) dup2(null, 0);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    execv(program.c_str(), const_cast<char**>(argv));
    _exit(127);
  }
  const int forkError = errno;
  close(fds[1]);
  if (log >= 0) close(log);
  if (null >= 0) close(null);
  if (pid < 0) {
    close(fds[0]);
    error = "cannot start " + program + ": " + std::strerror(forkError);
    return false;
  }
  FPid = pid;
  // The server writes its display number once it takes connections.
  std::string number;
  const uint64_t deadline = NowMs() + uint64_t(timeoutMs);
  bool done = false;
  while (!done) {
    const uint64_t now = NowMs();
    if (now >= deadline) break;
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, int(deadline - now)) <= 0) continue;
    char buf[32];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;  // the server ended
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\n')
        done = true;
      else if (buf[i] >= '0' && buf[i] <= '9')
        number += buf[i];
    }
  }
  close(fds[0]);
  if (!done || number.empty()) {
    error = program + " did not come up within " + std::to_string(timeoutMs) + " ms (see " + logFile + ")";
    Stop();
    return false;
  }
  FDisplay = ":" + number;
  return true;
}

void TXServer::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  const uint64_t deadline = NowMs() + 3000;
  int status = 0;
  while (waitpid(FPid, &status, WNOHANG) == 0) {
    if (NowMs() >= deadline) {
      kill(FPid, SIGKILL);
      waitpid(FPid, &status, 0);
      break;
    }
    usleep(10000);
  }
  FPid = -1;
  FDisplay.clear();
}

// ---- Input and grabs ---------------------------------------------------------------

bool TXInput::Open(const std::string& display, std::string& error) {
  Close();
  Display* d = XOpenDisplay(display.c_str());
  if (!d) {
    error = "cannot open display " + display;
    return false;
  }
  int ev = 0, er = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(d, &ev, &er, &major, &minor)) {
    XCloseDisplay(d);
    error = "the X server has no XTest extension";
    return false;
  }
  FDisplay = d;
  return true;
}

void TXInput::Close() {
  if (FDisplay) XCloseDisplay(D(FDisplay));
  FDisplay = nullptr;
}

void TXInput::MoveTo(int32_t x, int32_t y) {
  XTestFakeMotionEvent(D(FDisplay), 0, x, y, CurrentTime);
  XSync(D(FDisplay), False);
}

void TXInput::Button(int32_t button, bool down) {
  XTestFakeButtonEvent(D(FDisplay), unsigned(button), down ? True : False, CurrentTime);
  XSync(D(FDisplay), False);
}

bool TXInput::Key(const char* keysym, bool down) {
  const KeySym sym = XStringToKeysym(keysym);
  if (sym == NoSymbol) return false;
  const KeyCode code = XKeysymToKeycode(D(FDisplay), sym);
  if (code == 0) return false;
  XTestFakeKeyEvent(D(FDisplay), code, down ? True : False, CurrentTime);
  XSync(D(FDisplay), False);
  return true;
}

bool TXInput::Grab(int32_t x, int32_t y, int32_t w, int32_t h, std::vector<uint32_t>& out) {
  Display* d = D(FDisplay);
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
  if (!img) return false;
  out.assign(size_t(w) * size_t(h), 0);
  for (int32_t row = 0; row < h; ++row)
    for (int32_t col = 0; col < w; ++col) {
      const unsigned long p = XGetPixel(img, col, row);
      const uint32_t r = uint32_t((p & img->red_mask) >> __builtin_ctzl(img->red_mask));
      const uint32_t g = uint32_t((p & img->green_mask) >> __builtin_ctzl(img->green_mask));
      const uint32_t b = uint32_t((p & img->blue_mask) >> __builtin_ctzl(img->blue_mask));
      out[size_t(row) * size_t(w) + size_t(col)] = (r << 16) | (g << 8) | b;
    }
  XDestroyImage(img);
  return true;
}

unsigned long TXInput::FocusWindow() {
  Window w = 0;
  int revert = 0;
  XGetInputFocus(D(FDisplay), &w, &revert);
  return w;
}

void TXInput::MoveResize(unsigned long window, int32_t x, int32_t y, int32_t w, int32_t h) {
  XMoveResizeWindow(D(FDisplay), window, x, y, unsigned(w), unsigned(h));
  XSync(D(FDisplay), False);
}

bool TXInput::Geometry(unsigned long window, int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
  Display* d = D(FDisplay);
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, window, &a)) return false;
  Window child = 0;
  int rx = 0, ry = 0;
  if (!XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &rx, &ry, &child)) return false;
  x = rx;
  y = ry;
  w = a.width;
  h = a.height;
  return true;
}

std::string TXInput::Title(unsigned long window) {
  char* name = nullptr;
  if (!XFetchName(D(FDisplay), window, &name) || !name) return "";
  std::string s = name;
  XFree(name);
  return s;
}

unsigned long SdlX11Window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}
