#include "platform/shellapi/shellvolumes.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/rtl/winerror.h"
#include "platform/shellapi/shell_internal.h"

namespace {

constexpr size_t kMountsMaxBytes = 4 * 1024 * 1024;
constexpr size_t kMountsMaxLines = 100000;

std::mutex gMountLock;
std::function<String()> gSource;
bool gLoaded = false;
std::vector<TMountEntry> gTable;

String ReadProcMounts() {
  String out;
  const int fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[65536];
  while (out.size() < kMountsMaxBytes) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, size_t(n));
  }
  ::close(fd);
  return out;
}

String DecodeOctal(const String& s) {
  String out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' && s[i + 2] <= '7' &&
        s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool IsPseudoFs(const String& t) {
  static const char* const kPseudo[] = {"proc",       "sysfs",      "devtmpfs",  "devpts", "cgroup",      "cgroup2",
                                        "securityfs", "debugfs",    "tracefs",   "pstore", "bpf",         "mqueue",
                                        "hugetlbfs",  "configfs",   "fusectl",   "autofs", "binfmt_misc", "efivarfs",
                                        "nsfs",       "rpc_pipefs", "selinuxfs", "ramfs",  "tmpfs"};
  for (const char* p : kPseudo)
    if (t == p) return true;
  return false;
}

String UserName() {
  if (const char* u = std::getenv("USER"); u && *u) return u;
  struct passwd pw;
  struct passwd* res = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &res) == 0 && res && res->pw_name) return res->pw_name;
  return String();
}

// Whether path equals mount or lies below it (whole segments).
bool Contains(const String& mount, const String& path) {
  if (mount == "/") return !path.empty() && path[0] == '/';
  if (path.compare(0, mount.size(), mount) != 0) return false;
  return path.size() == mount.size() || path[mount.size()] == '/';
}

bool UnderPrefix(const String& mount, const String& prefix) {
  return mount.size() > prefix.size() + 1 && mount.compare(0, prefix.size() + 1, prefix + "/") == 0;
}

}  // namespace

void ShellResetMounts() {
  std::lock_guard<std::mutex> g(gMountLock);
  gLoaded = false;
  gTable.clear();
}

std::vector<TMountEntry> ParseMountTable(const char* data, size_t size) {
  std::vector<TMountEntry> out;
  if (!data) return out;
  if (size > kMountsMaxBytes) size = kMountsMaxBytes;
  size_t pos = 0, lines = 0;
  while (pos < size && lines < kMountsMaxLines) {
    size_t end = pos;
    while (end < size && data[end] != '\n') ++end;
    const String line(data + pos, end - pos);
    pos = end + 1;
    ++lines;
    String fields[3];
    size_t f = 0, i = 0;
    while (f < 3 && i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
      if (j > i) fields[f++] = line.substr(i, j - i);
      i = j;
    }
    if (f < 3) continue;
    TMountEntry e;
    e.Device = DecodeOctal(fields[0]);
    e.MountPoint = DecodeOctal(fields[1]);
    e.FsType = DecodeOctal(fields[2]);
    if (e.MountPoint.empty() || e.MountPoint[0] != '/') continue;
    while (e.MountPoint.size() > 1 && e.MountPoint.back() == '/') e.MountPoint.pop_back();
    out.push_back(std::move(e));
  }
  return out;
}

void SetMountTableSource(std::function<String()> source) {
  std::lock_guard<std::mutex> g(gMountLock);
  gSource = std::move(source);
  gLoaded = false;
  gTable.clear();
}

std::vector<TMountEntry> MountTable() {
  std::lock_guard<std::mutex> g(gMountLock);
  if (!gLoaded) {
    const String text = gSource ? gSource() : ReadProcMounts();
    gTable = ParseMountTable(text.data(), text.size());
    gLoaded = true;
  }
  return gTable;
}

bool FindMount(const String& path, TMountEntry& mount) {
  const String p = ShellNormalizePath(path);
  bool found = false;
  for (const TMountEntry& e : MountTable()) {
    // A later line for the same point is the mount on top.
    if (Contains(e.MountPoint, p) && (!found || e.MountPoint.size() >= mount.MountPoint.size())) {
      mount = e;
      found = true;
    }
  }
  return found;
}

std::vector<String> ShellVolumes() {
  std::vector<String> out;
  const String user = UserName();
  const String runMedia = "/run/media/" + user;
  for (const TMountEntry& e : MountTable()) {
    if (IsPseudoFs(e.FsType) || e.MountPoint == "/") continue;
    if (UnderPrefix(e.MountPoint, "/media") || UnderPrefix(e.MountPoint, "/mnt") ||
        (!user.empty() && UnderPrefix(e.MountPoint, runMedia)))
      out.push_back(e.MountPoint);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  out.insert(out.begin(), "/");
  return out;
}

bool IsRemoteFsType(const String& t) {
  return t == "nfs" || t == "nfs4" || t == "cifs" || t == "smb3" || t == "smbfs" || t == "sshfs" || t == "fuse.sshfs";
}

bool IsRemotePath(const String& path) {
  TMountEntry m;
  return FindMount(path, m) && IsRemoteFsType(m.FsType);
}

String LongestVolume(const String& path, const std::vector<String>& volumes) {
  const String p = ShellNormalizePath(path);
  String best = "/";
  for (const String& v : volumes)
    if (v != "/" && Contains(v, p) && v.size() > best.size()) best = v;
  return best;
}

uint32_t GetDriveType(const String& rootPathName) {
  if (rootPathName.empty()) return DRIVE_NO_ROOT_DIR;
  struct stat st;
  if (::stat(rootPathName.c_str(), &st) != 0) return DRIVE_NO_ROOT_DIR;
  TMountEntry m;
  if (!FindMount(rootPathName, m)) return DRIVE_FIXED;
  return DriveTypeOfMount(m);
}

uint32_t DriveTypeOfMount(const TMountEntry& m) {
  if (IsRemoteFsType(m.FsType)) return DRIVE_REMOTE;
  if (m.FsType == "iso9660" || m.FsType == "udf") return DRIVE_CDROM;
  if (m.FsType == "tmpfs" || m.FsType == "ramfs") return DRIVE_RAMDISK;
  if (UnderPrefix(m.MountPoint, "/media") || UnderPrefix(m.MountPoint, "/run/media")) return DRIVE_REMOVABLE;
  return DRIVE_FIXED;
}

bool GetDiskFreeSpaceEx(const String& directoryName, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                        uint64_t* totalFreeBytes) {
  struct statvfs v;
  if (directoryName.empty() || ::statvfs(directoryName.c_str(), &v) != 0) {
    SetLastErrorFromErrno(directoryName.empty() ? ENOENT : errno);
    return false;
  }
  const uint64_t unit = v.f_frsize ? v.f_frsize : v.f_bsize;
  if (freeBytesAvailable) *freeBytesAvailable = uint64_t(v.f_bavail) * unit;
  if (totalBytes) *totalBytes = uint64_t(v.f_blocks) * unit;
  if (totalFreeBytes) *totalFreeBytes = uint64_t(v.f_bfree) * unit;
  return true;
}

bool PathIsRoot(const String& path) {
  if (path.empty() || path[0] != '/') return false;
  const String p = ShellNormalizePath(path);
  for (const String& v : ShellVolumes())
    if (v == p) return true;
  return false;
}
