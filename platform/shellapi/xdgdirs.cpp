#include "platform/shellapi/xdgdirs.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/shellapi/shell_internal.h"

namespace {

constexpr size_t kUserDirsMax = 64 * 1024;

std::mutex gXdgLock;
std::shared_ptr<const TXdgDirs> gXdg;

String StripSlash(String s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

String EnvAbsolute(const char* name) {
  const char* v = std::getenv(name);
  if (v && v[0] == '/') return StripSlash(v);
  return String();
}

String HomeDir() {
  const char* h = std::getenv("HOME");
  if (h && *h) return StripSlash(h);
  struct passwd pw;
  struct passwd* res = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &res) == 0 && res && res->pw_dir) return StripSlash(res->pw_dir);
  return "/";
}

String ReadSmallFile(const String& path, size_t limit) {
  String out;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[4096];
  while (out.size() < limit) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, size_t(n));
  }
  ::close(fd);
  if (out.size() > limit) out.resize(limit);
  return out;
}

std::shared_ptr<const TXdgDirs> Load() {
  auto d = std::make_shared<TXdgDirs>();
  d->Home = HomeDir();
  const String home = d->Home == "/" ? String() : d->Home;
  d->ConfigHome = EnvAbsolute("XDG_CONFIG_HOME");
  if (d->ConfigHome.empty()) d->ConfigHome = home + "/.config";
  d->DataHome = EnvAbsolute("XDG_DATA_HOME");
  if (d->DataHome.empty()) d->DataHome = home + "/.local/share";
  d->CacheHome = EnvAbsolute("XDG_CACHE_HOME");
  if (d->CacheHome.empty()) d->CacheHome = home + "/.cache";
  if (const char* dirs = std::getenv("XDG_DATA_DIRS"); dirs && *dirs) {
    String all = dirs;
    size_t pos = 0;
    while (pos <= all.size()) {
      size_t colon = all.find(':', pos);
      if (colon == String::npos) colon = all.size();
      String one = all.substr(pos, colon - pos);
      if (!one.empty() && one[0] == '/') d->DataDirs.push_back(StripSlash(one));
      pos = colon + 1;
    }
  }
  if (d->DataDirs.empty()) d->DataDirs = {"/usr/local/share", "/usr/share"};
  const String text = ReadSmallFile(d->ConfigHome + "/user-dirs.dirs", kUserDirsMax);
  d->UserDirs = ParseUserDirs(text.data(), text.size(), d->Home);
  return d;
}

}  // namespace

std::map<String, String> ParseUserDirs(const char* data, size_t size, const String& home) {
  std::map<String, String> out;
  if (!data) return out;
  if (size > kUserDirsMax) size = kUserDirsMax;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && data[end] != '\n') ++end;
    String line(data + pos, end - pos);
    pos = end + 1;
    size_t b = 0;
    while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
    line.erase(0, b);
    if (line.empty() || line[0] == '#') continue;
    if (line.compare(0, 4, "XDG_") != 0) continue;
    const size_t eq = line.find('=');
    if (eq == String::npos || eq < 9 || line.compare(eq - 4, 4, "_DIR") != 0) continue;
    const String name = line.substr(4, eq - 8);
    if (name.empty()) continue;
    // The value: quoted (with backslash escapes) or up to the first blank.
    String value;
    size_t i = eq + 1;
    if (i < line.size() && line[i] == '"') {
      ++i;
      bool closed = false;
      for (; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          value += line[++i];
        } else if (line[i] == '"') {
          closed = true;
          break;
        } else {
          value += line[i];
        }
      }
      if (!closed) continue;
    } else {
      for (; i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        value += line[i];
      }
    }
    String path;
    if (value == "$HOME" || value.compare(0, 6, "$HOME/") == 0)
      path = home + value.substr(5);
    else if (!value.empty() && value[0] == '/')
      path = value;
    else
      continue;
    path = StripSlash(path);
    if (path.empty()) path = "/";
    out[name] = path;
  }
  return out;
}

std::shared_ptr<const TXdgDirs> XdgDirs() {
  std::lock_guard<std::mutex> g(gXdgLock);
  if (!gXdg) gXdg = Load();
  return gXdg;
}

String XdgUserDir(const String& name) {
  auto d = XdgDirs();
  auto it = d->UserDirs.find(name);
  if (it != d->UserDirs.end()) return it->second;
  if (name == "DESKTOP") return (d->Home == "/" ? String() : d->Home) + "/Desktop";
  return d->Home;
}

void ResetShellCaches() {
  {
    std::lock_guard<std::mutex> g(gXdgLock);
    gXdg.reset();
  }
  ShellResetMounts();
  ShellResetIcons();
}
