#include "platform/rtl/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/rtl/dates.h"
#include "platform/rtl/exceptions.h"

extern char** environ;

struct TSearchState {
  String Folder;  // "" or ending with "/"
  std::vector<String> Names;
  size_t Next = 0;
  int32_t ExcludeAttr = 0;
};

namespace {

constexpr int kErrorFileNotFound = 2;
constexpr int kErrorPathNotFound = 3;
constexpr int kErrorNoMoreFiles = 18;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Byte length of the UTF-8 character at s[i], at least 1, never past the end.
size_t CharLen(const String& s, size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  size_t len = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  size_t n = 1;
  while (n < len && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

// ------------------------------------------------------------ dates

int32_t LocalDosDate(const struct timespec& t) { return DateTimeToFileDate(UnixToLocalDateTime(t.tv_sec)); }

// ------------------------------------------------------------ renaming

// rename that never replaces: renameat2(RENAME_NOREPLACE), or link + unlink
// where the file system refuses the flag. Answers 0 or an errno value.
int RenameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 1u /* RENAME_NOREPLACE */) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
  if (::link(from, to) == 0) {
    ::unlink(from);
    return 0;
  }
  int err = errno;
  struct stat st;
  // Folders cannot be hard-linked: check, then rename (the best such a file
  // system allows).
  if (err == EPERM && ::lstat(from, &st) == 0 && S_ISDIR(st.st_mode)) {
    if (::lstat(to, &st) == 0) return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
  }
  return err;
}

String RandomHex() {
  uint64_t v = 0;
  if (getrandom(&v, sizeof v, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof v))
    v = static_cast<uint64_t>(time(nullptr)) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(getpid());
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return String(buf, 12);
}

// ------------------------------------------------------------ searching

int32_t AttrOf(const String& name, const struct stat& st, bool isLink) {
  int32_t attr = 0;
  if (S_ISDIR(st.st_mode))
    attr |= faDirectory;
  else if (S_ISREG(st.st_mode))
    attr |= faArchive;
  else
    attr |= faSysFile;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  if (!name.empty() && name[0] == '.') attr |= faHidden;
  if (isLink) attr |= faSymLink;
  return attr;
}

bool HasWildcards(const String& mask) { return mask.find_first_of("*?") != String::npos; }

// Fills F with the next entry the state admits; false when there is none.
bool NextEntry(TSearchRec& F) {
  TSearchState& s = *F.FindHandle;
  while (s.Next < s.Names.size()) {
    const String& name = s.Names[s.Next++];
    String path = s.Folder + name;
    struct stat lst, st;
    if (::lstat(path.c_str(), &lst) != 0) continue;  // gone since listed
    bool isLink = S_ISLNK(lst.st_mode);
    if (!isLink || ::stat(path.c_str(), &st) != 0) st = lst;  // a dangling link describes itself
    int32_t attr = AttrOf(name, st, isLink);
    if (attr & s.ExcludeAttr) continue;
    F.Name = name;
    F.Attr = attr;
    F.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    F.MTime = static_cast<int64_t>(st.st_mtim.tv_sec);
    F.Time = LocalDosDate(st.st_mtim);
    return true;
  }
  return false;
}

bool NameLess(const String& a, const String& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char ca = LowerAscii(a[i]), cb = LowerAscii(b[i]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool StatPath(const String& path, struct stat& st) { return !path.empty() && ::stat(path.c_str(), &st) == 0; }

}  // namespace

// ------------------------------------------------------------ files and folders

bool FileExists(const String& FileName) {
  struct stat st;
  return StatPath(FileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& Directory) {
  struct stat st;
  return StatPath(Directory, st) && S_ISDIR(st.st_mode);
}

bool CreateDir(const String& Dir) { return !Dir.empty() && ::mkdir(Dir.c_str(), 0777) == 0; }

bool ForceDirectories(const String& Dir) {
  String dir = Dir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  // Create each missing level from the top down.
  for (size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
    String part = pos == String::npos ? dir : dir.substr(0, pos);
    if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (pos == String::npos) break;
  }
  return DirectoryExists(dir);
}

bool RemoveDir(const String& Dir) { return !Dir.empty() && ::rmdir(Dir.c_str()) == 0; }

bool DeleteFile(const String& FileName) {
  struct stat st;
  if (FileName.empty() || (::lstat(FileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return false;
  return ::unlink(FileName.c_str()) == 0;
}

// On failure errno tells why (EEXIST when NewName is taken).
bool RenameFile(const String& OldName, const String& NewName) {
  if (OldName.empty() || NewName.empty()) {
    errno = ENOENT;
    return false;
  }
  if (OldName != NewName && SameTextAscii(OldName, NewName)) {
    // On a case-insensitive file system both names are one file and a
    // no-replace rename would refuse; step through a name of our own.
    String temp = ExtractFilePath(OldName) + ".rename-" + RandomHex() + ".tmp";
    int err = RenameNoReplace(OldName.c_str(), temp.c_str());
    if (err != 0) {
      errno = err;
      return false;
    }
    err = RenameNoReplace(temp.c_str(), NewName.c_str());
    if (err != 0) {
      RenameNoReplace(temp.c_str(), OldName.c_str());
      errno = err;
      return false;
    }
    return true;
  }
  int err = RenameNoReplace(OldName.c_str(), NewName.c_str());
  if (err != 0) {
    errno = err;
    return false;
  }
  return true;
}

// ------------------------------------------------------------ searching

int FindFirst(const String& Path, int32_t Attr, TSearchRec& F) {
  FindClose(F);
  auto state = std::make_shared<TSearchState>();
  state->Folder = ExtractFilePath(Path);
  state->ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  String mask = ExtractFileName(Path);
  String folder = state->Folder.empty() ? String(".") : state->Folder;
  if (mask.empty()) return DirectoryExists(folder) ? kErrorFileNotFound : kErrorPathNotFound;
  if (!HasWildcards(mask)) {
    // A plain name is a path: matched exactly, not by scanning.
    struct stat st;
    if (mask != "." && mask != ".." && ::lstat((state->Folder + mask).c_str(), &st) == 0) state->Names.push_back(mask);
  } else {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return kErrorPathNotFound;
    while (struct dirent* e = ::readdir(d)) {
      String name = e->d_name;
      if (name == "." || name == "..") continue;
      if (MatchesMask(name, mask)) state->Names.push_back(std::move(name));
    }
    ::closedir(d);
    std::sort(state->Names.begin(), state->Names.end(), NameLess);
  }
  F.FindHandle = std::move(state);
  F.ExcludeAttr = F.FindHandle->ExcludeAttr;
  if (NextEntry(F)) return 0;
  FindClose(F);
  return DirectoryExists(folder) ? kErrorFileNotFound : kErrorPathNotFound;
}

int FindNext(TSearchRec& F) {
  if (!F.FindHandle) return kErrorNoMoreFiles;
  return NextEntry(F) ? 0 : kErrorNoMoreFiles;
}

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }

bool MatchesMask(const String& Name, const String& Mask) {
  if (Mask == "*.*") return true;
  size_t n = 0, m = 0;
  size_t starM = String::npos, starN = 0;
  while (n < Name.size()) {
    if (m < Mask.size() && Mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (m < Mask.size() && Mask[m] == '?') {
      n += CharLen(Name, n);
      ++m;
    } else if (m < Mask.size() && LowerAscii(Mask[m]) == LowerAscii(Name[n])) {
      ++n;
      ++m;
    } else if (starM != String::npos) {
      // Let the last '*' take one more character and retry from there.
      starN += CharLen(Name, starN);
      n = starN;
      m = starM + 1;
    } else {
      return false;
    }
  }
  while (m < Mask.size() && Mask[m] == '*') ++m;
  return m == Mask.size();
}

bool MatchesMaskList(const String& Name, const String& Masks) {
  size_t start = 0;
  while (start <= Masks.size()) {
    size_t end = Masks.find(';', start);
    if (end == String::npos) end = Masks.size();
    size_t a = start, b = end;
    while (a < b && static_cast<unsigned char>(Masks[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(Masks[b - 1]) <= ' ') --b;
    if (b > a && MatchesMask(Name, Masks.substr(a, b - a))) return true;
    start = end + 1;
  }
  return false;
}

// ------------------------------------------------------------ file dates

int32_t FileAge(const String& FileName) {
  struct stat st;
  if (!StatPath(FileName, st) || S_ISDIR(st.st_mode)) return -1;
  return LocalDosDate(st.st_mtim);
}

int32_t FileGetDate(const String& FileName) {
  struct stat st;
  if (!StatPath(FileName, st)) return -1;
  return LocalDosDate(st.st_mtim);
}

namespace {
int SetModifiedTime(const String& FileName, int64_t seconds, int32_t nanoseconds) {
  if (FileName.empty()) return ENOENT;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = nanoseconds;
  return ::utimensat(AT_FDCWD, FileName.c_str(), times, 0) == 0 ? 0 : errno;
}
}  // namespace

int FileSetDate(const String& FileName, int32_t dosDate) {
  TDateTime dt;
  try {
    dt = FileDateToDateTime(dosDate);
  } catch (const EConvertError&) {
    return EINVAL;  // not a possible date
  }
  return SetModifiedTime(FileName, LocalDateTimeToUnix(dt), 0);
}

bool FileGetModified(const String& FileName, TDateTime& DateTime) {
  struct stat st;
  if (!StatPath(FileName, st)) return false;
  // Whole seconds through the zone conversion, then the milliseconds.
  TDateTime whole = UnixToLocalDateTime(st.st_mtim.tv_sec);
  double ms = static_cast<double>(st.st_mtim.tv_nsec / 1000000) / MSecsPerDay;
  DateTime = whole >= 0 ? whole + ms : whole - ms;  // negative values count their time upward too
  return true;
}

bool FileSetModified(const String& FileName, TDateTime DateTime) {
  if (!std::isfinite(DateTime) || DateTime < -693593 || DateTime > 2958466) return false;  // 0001-01-01..9999-12-31
  Word h, m, sec, ms;
  DecodeTime(DateTime, h, m, sec, ms);
  return SetModifiedTime(FileName, LocalDateTimeToUnix(DateTime), ms * 1000000) == 0;
}

// ------------------------------------------------------------ paths

String GetTempPath() {
  const char* tmp = std::getenv("TMPDIR");
  String dir = (tmp && *tmp) ? String(tmp) : String("/tmp");
  return IncludeTrailingPathDelimiter(dir);
}

String GetCurrentDir() {
  std::vector<char> buf(256);
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return String(buf.data());
    if (errno != ERANGE) return String();
    buf.resize(buf.size() * 2);
  }
}

String ExtractFilePath(const String& FileName) {
  size_t slash = FileName.rfind('/');
  return slash == String::npos ? String() : FileName.substr(0, slash + 1);
}

String ExtractFileDir(const String& FileName) {
  size_t slash = FileName.rfind('/');
  if (slash == String::npos) return String();
  // A root keeps its delimiter, and so does a run of them ("//x" -> "//").
  size_t end = slash;
  if (end > 0 && FileName[end - 1] != '/') return FileName.substr(0, end);
  return FileName.substr(0, slash + 1);
}

String ExtractFileName(const String& FileName) {
  size_t slash = FileName.rfind('/');
  return slash == String::npos ? FileName : FileName.substr(slash + 1);
}

String ExtractFileExt(const String& FileName) {
  size_t dot = FileName.find_last_of("./");
  if (dot == String::npos || FileName[dot] != '.') return String();
  return FileName.substr(dot);
}

String ExtractFileDrive(const String&) { return String(); }

String ChangeFileExt(const String& FileName, const String& Extension) {
  size_t dot = FileName.find_last_of("./");
  if (dot == String::npos || FileName[dot] != '.') return FileName + Extension;
  return FileName.substr(0, dot) + Extension;
}

String IncludeTrailingPathDelimiter(const String& S) {
  if (!S.empty() && S.back() == '/') return S;
  return S + "/";
}

String ExcludeTrailingPathDelimiter(const String& S) {
  if (!S.empty() && S.back() == '/') return S.substr(0, S.size() - 1);
  return S;
}

String ExpandFileName(const String& FileName, const String& Base) {
  if (FileName.empty()) return String();
  String full;
  if (FileName[0] == '/') {
    full = FileName;
  } else {
    String base = Base.empty() ? GetCurrentDir() : Base;
    if (base.empty() || base[0] != '/') base = IncludeTrailingPathDelimiter(GetCurrentDir()) + base;
    full = IncludeTrailingPathDelimiter(base) + FileName;
  }
  std::vector<String> parts;
  size_t pos = 0;
  while (pos <= full.size()) {
    size_t next = full.find('/', pos);
    if (next == String::npos) next = full.size();
    String seg = full.substr(pos, next - pos);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(std::move(seg));
    }
    pos = next + 1;
  }
  String result;
  for (const String& p : parts) result += "/" + p;
  if (result.empty()) return "/";
  if (FileName.back() == '/') result += "/";
  return result;
}

// ------------------------------------------------------------ the process

namespace {
std::mutex& CommandLineLock() {
  static std::mutex m;
  return m;
}
std::vector<String>& CommandLine() {
  static std::vector<String> args;
  return args;
}
}  // namespace

void SetCommandLine(int argc, char** argv) {
  std::lock_guard<std::mutex> guard(CommandLineLock());
  CommandLine().clear();
  for (int i = 0; i < argc; ++i) CommandLine().push_back(argv && argv[i] ? argv[i] : "");
}

int32_t ParamCount() {
  std::lock_guard<std::mutex> guard(CommandLineLock());
  return CommandLine().empty() ? 0 : static_cast<int32_t>(CommandLine().size() - 1);
}

String ParamStr(int32_t Index) {
  if (Index == 0) return GetModuleFileName();
  std::lock_guard<std::mutex> guard(CommandLineLock());
  if (Index < 0 || static_cast<size_t>(Index) >= CommandLine().size()) return String();
  return CommandLine()[static_cast<size_t>(Index)];
}

String GetModuleFileName() {
  std::vector<char> buf(256);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return String();
    if (static_cast<size_t>(n) < buf.size()) return String(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

int RunProcess(const std::vector<String>& argv, bool wait) {
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<char*> args;
  for (const String& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The child starts with default signal handling and nothing blocked,
  // whatever this process has set up.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid;
  int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return -1;

  if (!wait) {
    // Reap the child when it ends so that it does not linger as a zombie.
    std::thread([pid] {
      int status;
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return 0;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}
