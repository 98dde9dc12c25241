#include "imaging/io/core/testsupport/xcheck.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

TIEToolRun IERunTool(const std::vector<std::string>& Argv, const std::string& InputPath) {
  TIEToolRun result;
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

TIETempDir::TIETempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "iotest-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) FPath = pattern;
}

TIETempDir::~TIETempDir() {
  if (FPath.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string TIETempDir::File(const std::string& Name) const { return FPath + "/" + Name; }

bool IEWriteBytesFile(const std::string& Path, const std::vector<uint8_t>& Bytes) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  return static_cast<bool>(out);
}

bool IEReadBytesFile(const std::string& Path, std::vector<uint8_t>& Bytes) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return false;
  Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}
