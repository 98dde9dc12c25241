// The file operation engine: copy, move, rename and delete (to the trash),
// never replacing an existing name and never losing a source.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/rtl/files.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"

namespace {

std::mutex gFaultLock;
std::function<int(const char*, const String&)> gFault;

int Fault(const char* step, const String& path) {
  std::function<int(const char*, const String&)> f;
  {
    std::lock_guard<std::mutex> g(gFaultLock);
    f = gFault;
  }
  return f ? f(step, path) : 0;
}

struct TOpContext {
  std::vector<String> Created;  // in the order made
};

bool Exists(const String& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Removes what the operation made, newest first (children before folders).
void Rollback(TOpContext& ctx, size_t from = 0) {
  for (size_t i = ctx.Created.size(); i > from; --i) {
    const String& p = ctx.Created[i - 1];
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      ::rmdir(p.c_str());
    else
      ::unlink(p.c_str());
  }
  ctx.Created.resize(from);
}

int CopyData(int in, int out, const String& target) {
  bool plain = false;
  for (;;) {
    if (int e = Fault("write", target)) return e;
    ssize_t n;
    if (!plain) {
      n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 20, 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF)) {
        plain = true;
        continue;
      }
    } else {
      char buf[65536];
      n = ::read(in, buf, sizeof buf);
      if (n > 0) {
        ssize_t done = 0;
        while (done < n) {
          const ssize_t w = ::write(out, buf + done, size_t(n - done));
          if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
          }
          done += w;
        }
      }
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
  }
}

String ReadLinkText(const String& path, int& err) {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) {
      err = errno;
      return String();
    }
    if (size_t(n) < buf.size()) {
      err = 0;
      return String(buf.data(), size_t(n));
    }
    if (buf.size() > 65536) {
      err = ENAMETOOLONG;
      return String();
    }
    buf.resize(buf.size() * 2);
  }
}

// Copies src into dir under name (or a free variant); answers 0 or errno.
int CopyTree(const String& src, const String& dir, const String& name, TOpContext& ctx) {
  struct stat st;
  if (::lstat(src.c_str(), &st) != 0) return errno;
  if (S_ISLNK(st.st_mode)) {
    int err = 0;
    const String text = ReadLinkText(src, err);
    if (err) return err;
    for (;;) {
      const String target = JoinPath(dir, FreeNameIn(dir, name, false));
      if (int e = Fault("write", target)) return e;
      if (::symlink(text.c_str(), target.c_str()) == 0) {
        ctx.Created.push_back(target);
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
  }
  if (S_ISREG(st.st_mode)) {
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return errno;
    String temp = JoinPath(dir, ".pv-copy-XXXXXX");
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);  // exclusive, mode 0600
    if (out < 0) {
      const int e = errno;
      ::close(in);
      return e;
    }
    int err = CopyData(in, out, temp);
    ::close(in);
    if (!err && ::fchmod(out, st.st_mode & 0777) != 0) err = errno;
    if (!err) {
      const struct timespec times[2] = {st.st_atim, st.st_mtim};
      if (::futimens(out, times) != 0) err = errno;
    }
    if (!err && ::fsync(out) != 0) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    while (!err) {
      const String target = JoinPath(dir, FreeNameIn(dir, name, false));
      err = Fault("rename", target);
      if (!err) err = ShellRenameNoReplace(temp, target);
      if (err == EEXIST) {
        err = 0;
        continue;
      }
      if (!err) {
        ctx.Created.push_back(target);
        return 0;
      }
    }
    ::unlink(temp.c_str());
    return err;
  }
  if (S_ISDIR(st.st_mode)) {
    String target;
    for (;;) {
      target = JoinPath(dir, FreeNameIn(dir, name, true));
      if (int e = Fault("write", target)) return e;
      if (::mkdir(target.c_str(), 0700) == 0) break;
      if (errno != EEXIST) return errno;
    }
    ctx.Created.push_back(target);
    DIR* d = ::opendir(src.c_str());
    if (!d) return errno;
    std::vector<String> names;
    while (struct dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      names.emplace_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const String& n : names)
      if (int e = CopyTree(JoinPath(src, n), target, n, ctx)) return e;
    ::chmod(target.c_str(), st.st_mode & 0777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
    return 0;
  }
  return 0;  // devices, pipes and sockets are not copied
}

// Removes a tree whose copy is complete (links are removed, never followed).
int RemoveTree(const String& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? 0 : errno;
  DIR* d = ::opendir(path.c_str());
  if (!d) return errno;
  std::vector<String> names;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  ::closedir(d);
  for (const String& n : names)
    if (int e = RemoveTree(JoinPath(path, n))) return e;
  return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

String RealPathOf(const String& p) {
  char* r = ::realpath(p.c_str(), nullptr);
  if (!r) return ShellNormalizePath(p);
  String s = r;
  std::free(r);
  return s;
}

// Whether dir is folder itself or lies below it.
bool InsideOf(const String& dir, const String& folder) {
  const String d = RealPathOf(dir), f = RealPathOf(folder);
  if (d == f) return true;
  if (f == "/") return true;
  return d.compare(0, f.size() + 1, f + "/") == 0;
}

bool InHomeTrash(const String& path) {
  const String t = HomeTrashDir();
  const String p = ShellNormalizePath(path);
  return p == t || p.compare(0, t.size() + 1, t + "/") == 0;
}

String Absolute(const String& p) {
  return ShellNormalizePath(p.empty() || p[0] == '/' ? p : JoinPath(GetCurrentDir(), p));
}

int32_t DoCopyOrMove(SHFILEOPSTRUCT* op) {
  if (op->pTo.size() != 1 || op->pFrom.empty()) return ERROR_INVALID_PARAMETER;
  const String dir = Absolute(op->pTo[0]);
  struct stat dst;
  if (::stat(dir.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode)) return ERROR_PATH_NOT_FOUND;
  const bool move = op->wFunc == FO_MOVE;
  std::vector<String> sources;
  for (const String& s0 : op->pFrom) {
    const String s = Absolute(s0);
    struct stat st;
    if (::lstat(s.c_str(), &st) != 0) return ERROR_FILE_NOT_FOUND;
    if (move && InHomeTrash(s)) return ERROR_ACCESS_DENIED;
    if (S_ISDIR(st.st_mode) && InsideOf(dir, s)) return ERROR_INVALID_PARAMETER;
    sources.push_back(s);
  }
  if (!move) {
    for (const String& s : sources) {
      TOpContext ctx;
      if (int e = CopyTree(s, dir, ExtractFileName(s), ctx)) {
        Rollback(ctx);
        return int32_t(Win32ErrorFromErrno(e));
      }
    }
    return 0;
  }
  std::vector<String> acrossDevices;
  for (const String& s : sources) {
    if (ExtractFileDir(s) == dir) continue;  // already there
    for (;;) {
      const String target = JoinPath(dir, FreeNameIn(dir, ExtractFileName(s), false));
      int e = Fault("rename", target);
      if (!e) e = ShellRenameNoReplace(s, target);
      if (e == 0) break;
      if (e == EEXIST) continue;
      if (e == EXDEV) {
        acrossDevices.push_back(s);
        break;
      }
      return int32_t(Win32ErrorFromErrno(e));
    }
  }
  if (acrossDevices.empty()) return 0;
  // Everything is copied before any source goes.
  TOpContext ctx;
  for (const String& s : acrossDevices) {
    if (int e = CopyTree(s, dir, ExtractFileName(s), ctx)) {
      Rollback(ctx);
      return int32_t(Win32ErrorFromErrno(e));
    }
  }
  for (const String& s : acrossDevices)
    if (int e = RemoveTree(s)) return int32_t(Win32ErrorFromErrno(e));
  return 0;
}

}  // namespace

int ShellRenameNoReplace(const String& from, const String& to) {
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u /* RENAME_NOREPLACE */) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) {
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
  }
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

String FreeNameIn(const String& dir, const String& name, bool isDir) {
  if (!Exists(JoinPath(dir, name))) return name;
  String stem = name, ext;
  const size_t dot = name.rfind('.');
  if (!isDir && dot != String::npos && dot > 0) {
    stem = name.substr(0, dot);
    ext = name.substr(dot);
  }
  for (int n = 2; n < INT_MAX; ++n) {
    const String candidate = stem + " (" + std::to_string(n) + ")" + ext;
    if (!Exists(JoinPath(dir, candidate))) return candidate;
  }
  return name;
}

int MakeLinkIn(const String& dir, const String& target, String* made) {
  for (;;) {
    const String path = JoinPath(dir, FreeNameIn(dir, ExtractFileName(target), false));
    if (::symlink(target.c_str(), path.c_str()) == 0) {
      if (made) *made = path;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
}

void SetFileOperationFaultHook(std::function<int(const char* step, const String& path)> hook) {
  std::lock_guard<std::mutex> g(gFaultLock);
  gFault = std::move(hook);
}

int32_t SHFileOperation(SHFILEOPSTRUCT* op) {
  if (!op) return ERROR_INVALID_PARAMETER;
  op->fAnyOperationsAborted = false;
  switch (op->wFunc) {
    case FO_COPY:
    case FO_MOVE: return DoCopyOrMove(op);
    case FO_RENAME: {
      if (op->pFrom.size() != 1 || op->pTo.size() != 1) return ERROR_INVALID_PARAMETER;
      const String from = Absolute(op->pFrom[0]), to = Absolute(op->pTo[0]);
      if (!Exists(from)) return ERROR_FILE_NOT_FOUND;
      if (InHomeTrash(from) || InHomeTrash(to)) return ERROR_ACCESS_DENIED;
      if (from == to) return 0;
      struct stat a, b;
      if (::lstat(to.c_str(), &b) == 0 && ::lstat(from.c_str(), &a) == 0 &&
          !(a.st_ino == b.st_ino && a.st_dev == b.st_dev))
        return ERROR_ALREADY_EXISTS;
      errno = 0;
      if (!RenameFile(from, to)) return int32_t(errno ? Win32ErrorFromErrno(errno) : ERROR_ACCESS_DENIED);
      return 0;
    }
    case FO_DELETE: {
      if (op->pFrom.empty()) return ERROR_INVALID_PARAMETER;
      std::vector<String> items;
      for (const String& p : op->pFrom) {
        const String a = Absolute(p);
        if (!Exists(a)) return ERROR_FILE_NOT_FOUND;
        if (InHomeTrash(a)) return ERROR_ACCESS_DENIED;
        items.push_back(a);
      }
      if (!(op->fFlags & FOF_NOCONFIRMATION) && !ConfirmTrash(op->hwnd, items.size())) {
        op->fAnyOperationsAborted = true;
        return ERROR_CANCELLED;
      }
      uint32_t first = 0;
      for (const String& a : items)
        if (uint32_t e = MoveToTrash(a); e && !first) first = e;
      return int32_t(first);
    }
    default: return ERROR_INVALID_PARAMETER;
  }
}
