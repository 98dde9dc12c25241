// Opening documents, folders and URLs through the desktop's opener, started
// with an argument vector (never a shell) and reaped in the background.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"

extern char** environ;

namespace {

std::mutex gLaunchLock;
std::condition_variable gLaunchDone;
int gRunning = 0;
TShellLauncher gLauncher;

// The program's path when it is found in PATH, else "".
String FindInPath(const String& program) {
  const char* path = std::getenv("PATH");
  String all = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t colon = all.find(':', pos);
    if (colon == String::npos) colon = all.size();
    String dir = all.substr(pos, colon - pos);
    pos = colon + 1;
    if (dir.empty()) continue;
    const String full = dir + "/" + program;
    struct stat st;
    if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(full.c_str(), X_OK) == 0) return full;
  }
  return String();
}

bool SpawnDetached(const std::vector<String>& argv, const String& directory) {
  std::vector<char*> args;
  for (const String& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  // The opener gets no input from us.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  pid_t pid;
  const int rc = posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  {
    std::lock_guard<std::mutex> g(gLaunchLock);
    ++gRunning;
  }
  std::thread([pid] {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> g(gLaunchLock);
    --gRunning;
    gLaunchDone.notify_all();
  }).detach();
  return true;
}

bool DefaultLauncher(const String& target, const String& directory) {
  String opener = FindInPath("xdg-open");
  if (!opener.empty()) return SpawnDetached({opener, target}, directory);
  opener = FindInPath("gio");
  if (!opener.empty()) return SpawnDetached({opener, "open", target}, directory);
  return false;
}

bool IsUrl(const String& s) {
  const size_t colon = s.find(':');
  if (colon == String::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = s[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))))
      return false;
  }
  return true;
}

// A program: an executable regular file that starts as a binary or a script.
bool IsProgram(const String& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & 0111)) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;  // executable and unreadable: not ours to open
  char head[4] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  if (n >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return true;
  if (n >= 2 && head[0] == '#' && head[1] == '!') return true;
  return false;
}

HINSTANCE Result(uintptr_t v) { return reinterpret_cast<HINSTANCE>(v); }

}  // namespace

void SetShellLauncher(TShellLauncher launcher) {
  std::lock_guard<std::mutex> g(gLaunchLock);
  gLauncher = std::move(launcher);
}

bool WaitForShellLaunches(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> g(gLaunchLock);
  return gLaunchDone.wait_for(g, std::chrono::milliseconds(timeoutMs), [] { return gRunning == 0; });
}

HINSTANCE ShellExecute(HWND, const char* operation, const char* file, const char*, const char* directory, int32_t) {
  if (operation && *operation && !SameText(operation, "open") && !SameText(operation, "explore"))
    return Result(SE_ERR_NOASSOC);
  if (!file || !*file) return Result(ERROR_FILE_NOT_FOUND);
  const String target = file;
  const String dir = directory ? directory : "";
  if (!IsUrl(target) || target.compare(0, 7, "file://") == 0) {
    String local = target.compare(0, 7, "file://") == 0 ? target.substr(7) : target;
    if (!local.empty() && local[0] != '/' && !dir.empty()) local = JoinPath(dir, local);
    struct stat st;
    if (::stat(local.c_str(), &st) != 0) return Result(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    if (IsProgram(local)) return Result(SE_ERR_NOASSOC);
  }
  TShellLauncher launcher;
  {
    std::lock_guard<std::mutex> g(gLaunchLock);
    launcher = gLauncher;
  }
  const bool started = launcher ? launcher(target, dir) : DefaultLauncher(target, dir);
  return Result(started ? 42 : SE_ERR_NOASSOC);
}
