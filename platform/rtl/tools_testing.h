// Test support for cross-checks against Debian command-line tools (included
// by *_test.cpp only): run a tool by argument vector, never through a shell,
// with its standard output captured. A test that needs a tool starts with
// REQUIRE_TOOL("identify", "imagemagick"): when the tool is missing the test
// fails if the environment variable CI is set and is skipped otherwise,
// naming the package to install.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// Whether the environment variable CI is set (to anything but empty).
inline bool RunningInCI() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

// Whether a program of that name is on PATH.
inline bool HaveTool(const std::string& Name) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!dir.empty() && ::access((dir + "/" + Name).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

// The outcome of one tool run.
struct TToolRun {
  int ExitStatus = -1;          // -1: could not be run
  std::vector<uint8_t> Output;  // its standard output
};

// Runs Argv[0] (looked up on PATH) with Argv, standard input from InputPath
// when not empty, standard output captured and standard error discarded.
inline TToolRun RunToolCaptured(const std::vector<std::string>& Argv, const std::string& InputPath = std::string()) {
  TToolRun result;
  if (Argv.empty()) return result;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, InputPath.empty() ? "/dev/null" : InputPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc != 0) {
    ::close(pipeFds[0]);
    return result;
  }
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.Output.insert(result.Output.end(), buffer, buffer + n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  // 127: the child could not run the program.
  if (WIFEXITED(status) && WEXITSTATUS(status) != 127) result.ExitStatus = WEXITSTATUS(status);
  return result;
}

// A fresh folder for a test's files under the system's temporary folder,
// removed with the object.
class TTestTempDir {
 public:
  TTestTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pvtest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) FPath = pattern;
  }
  ~TTestTempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  TTestTempDir(const TTestTempDir&) = delete;
  TTestTempDir& operator=(const TTestTempDir&) = delete;
  const std::string& Path() const { return FPath; }
  // Path() + "/" + Name.
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  std::string FPath;
};

// Inside a test body: stops the test when Tool is not on PATH, failing under
// CI and skipping otherwise, with Package named in the message.
#define REQUIRE_TOOL(Tool, Package)                                                                 \
  do {                                                                                              \
    if (!HaveTool(Tool)) {                                                                          \
      if (RunningInCI()) {                                                                          \
        FAIL() << "missing tool " << (Tool) << " (install the Debian package " << (Package) << ")"; \
      } else {                                                                                      \
        GTEST_SKIP() << "tool " << (Tool) << " not installed (Debian package " << (Package) << ")"; \
      }                                                                                             \
    }                                                                                               \
  } while (0)
