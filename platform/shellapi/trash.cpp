// The freedesktop trash: nothing is deleted, items are moved into the trash
// of their file system with a .trashinfo that names where they came from.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/shellapi/keyfile.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/xdgdirs.h"

namespace {

constexpr size_t kMaxTrashName = 200;  // leaves room for ".trashinfo" and a number
constexpr int kMaxAttempts = 100000;

bool MakeDir0700(const String& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs0700(const String& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const String parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !MakeDirs0700(parent)) return false;
  return MakeDir0700(path);
}

// A trash folder (files/ and info/ below it) that must be ours: a real
// folder, not a link, on the given device.
bool PrepareTrash(const String& dir, dev_t dev) {
  if (!MakeDir0700(dir)) return false;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != dev) return false;
  if (st.st_uid != geteuid()) return false;
  for (const char* sub : {"/files", "/info"}) {
    if (!MakeDir0700(dir + sub)) return false;
    if (::lstat((dir + sub).c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != dev) return false;
  }
  return true;
}

// The highest folder above path on the same device: the mount point.
String TopDir(const String& path, dev_t dev) {
  String dir = ExtractFileDir(path);
  for (;;) {
    if (dir == "/" || dir.empty()) return "/";
    const String up = ExtractFileDir(dir);
    struct stat st;
    if (::stat(up.c_str(), &st) != 0 || st.st_dev != dev) return dir;
    dir = up;
  }
}

String EncodePath(const String& path) {
  static const char kHex[] = "0123456789ABCDEF";
  String out;
  for (unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

String DeletionDateNow() {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(Now(), y, mo, d, h, mi, s, ms);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned(y), unsigned(mo), unsigned(d), unsigned(h),
                unsigned(mi), unsigned(s));
  return buf;
}

bool WriteAll(int fd, const String& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

}  // namespace

uint32_t MoveToTrash(const String& path0) {
  if (path0.empty()) return ERROR_FILE_NOT_FOUND;
  const String path = ShellNormalizePath(path0[0] == '/' ? path0 : JoinPath(GetCurrentDir(), path0));
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return Win32ErrorFromErrno(errno);
  if (path == "/") return ERROR_ACCESS_DENIED;
  const String homeTrash = HomeTrashDir();
  if (path == homeTrash || path.compare(0, homeTrash.size() + 1, homeTrash + "/") == 0) return ERROR_ACCESS_DENIED;

  // Which trash: the home one on its own file system, else the volume's.
  String trashDir, infoPath;
  const String dataHome = XdgDirs()->DataHome;
  struct stat dst;
  if (MakeDirs0700(dataHome) && ::stat(dataHome.c_str(), &dst) == 0 && dst.st_dev == st.st_dev &&
      PrepareTrash(homeTrash, st.st_dev)) {
    trashDir = homeTrash;
    infoPath = path;
  } else {
    const String top = TopDir(path, st.st_dev);
    const String uid = std::to_string(geteuid());
    const String shared = JoinPath(top, ".Trash");
    struct stat ts;
    bool ok = false;
    if (::lstat(shared.c_str(), &ts) == 0 && S_ISDIR(ts.st_mode) && (ts.st_mode & S_ISVTX) && ts.st_dev == st.st_dev) {
      trashDir = shared + "/" + uid;
      ok = PrepareTrash(trashDir, st.st_dev);
    }
    if (!ok) {
      trashDir = JoinPath(top, ".Trash-" + uid);
      ok = PrepareTrash(trashDir, st.st_dev);
    }
    if (!ok) return ERROR_ACCESS_DENIED;
    infoPath = top == "/" ? path.substr(1) : path.substr(top.size() + 1);
    if (path == trashDir || path.compare(0, trashDir.size() + 1, trashDir + "/") == 0) return ERROR_ACCESS_DENIED;
  }

  String base = ExtractFileName(path);
  if (base.size() > kMaxTrashName) base.resize(kMaxTrashName);
  const String info = "[Trash Info]\nPath=" + EncodePath(infoPath) + "\nDeletionDate=" + DeletionDateNow() + "\n";
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    const String name = attempt == 1 ? base : base + "." + std::to_string(attempt);
    const String infoFile = trashDir + "/info/" + name + ".trashinfo";
    const String target = trashDir + "/files/" + name;
    // Reserve the name: the .trashinfo is created exclusively first.
    const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Win32ErrorFromErrno(errno);
    }
    struct stat ex;
    if (::lstat(target.c_str(), &ex) == 0) {  // a leftover without info: leave it, take another name
      ::close(fd);
      ::unlink(infoFile.c_str());
      continue;
    }
    const bool written = WriteAll(fd, info) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
      const int err = errno;
      ::unlink(infoFile.c_str());
      return Win32ErrorFromErrno(err ? err : EIO);
    }
    const int err = ShellRenameNoReplace(path, target);
    if (err == 0) return ERROR_SUCCESS;
    ::unlink(infoFile.c_str());
    if (err == EEXIST) continue;
    return Win32ErrorFromErrno(err);
  }
  return ERROR_FILE_EXISTS;
}

String TrashOriginalPath(const String& entryName) {
  TKeyFile k;
  if (!k.LoadFromFile(HomeTrashDir() + "/info/" + entryName + ".trashinfo")) return String();
  return PercentDecode(k.Value("Trash Info", "Path"));
}

std::vector<TTrashEntry> ListHomeTrash() {
  std::vector<TTrashEntry> out;
  const String dir = HomeTrashDir();
  DIR* d = ::opendir((dir + "/files").c_str());
  if (!d) return out;
  std::vector<String> names;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const String& n : names) {
    TTrashEntry t;
    t.Name = n;
    TKeyFile k;
    if (k.LoadFromFile(dir + "/info/" + n + ".trashinfo")) {
      t.OriginalPath = PercentDecode(k.Value("Trash Info", "Path"));
      t.DeletionDate = k.Value("Trash Info", "DeletionDate");
    }
    out.push_back(std::move(t));
  }
  return out;
}
