#include "platform/rtl/safewriter.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scopeguard.h"

namespace {

String ErrorText(int err) { return String(std::strerror(err)); }

// At most maxBytes of s, cut at a UTF-8 character boundary.
String Utf8Prefix(const String& s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  size_t n = maxBytes;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

String RandomSuffix() {
  uint64_t v = 0;
  if (getrandom(&v, sizeof v, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof v)) {
    // Entropy pool not ready: the address of a local, the time and a counter
    // still make a name unlikely to collide, and O_EXCL settles collisions.
    static std::atomic<uint64_t> counter{0};
    v = reinterpret_cast<uintptr_t>(&v) ^ (static_cast<uint64_t>(time(nullptr)) << 20) ^
        (counter.fetch_add(0x9E3779B97F4A7C15ull) + static_cast<uint64_t>(getpid()));
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return String(buf, 12);
}

// The process's umask, read without changing it where the kernel reports it.
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "Umask: %o", &mask) == 1) {
        found = true;
        break;
      }
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask);
  }
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

void SyncFolder(const String& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename is already done
  ::close(fd);
}

}  // namespace

TSafeFileWriter::TSafeFileWriter(const String& TargetPath) : FTargetPath(TargetPath) {
  String folder = ExtractFilePath(TargetPath);
  String name = TargetPath.substr(folder.size());
  if (name.empty()) throw EFCreateError("Cannot create file %s: no file name", {TargetPath});
  String base = folder + "." + Utf8Prefix(name, 200) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    String candidate = base + RandomSuffix() + ".tmp";
    int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0) {
      FHandle = fd;
      FTempPath = candidate;
      FStream = std::make_unique<THandleStream>(fd);
      return;
    }
    if (errno != EEXIST) {
      int err = errno;
      throw EFCreateError("Cannot create file %s: %s", {TargetPath, ErrorText(err)});
    }
  }
  throw EFCreateError("Cannot create file %s: no free temporary name", {TargetPath});
}

TSafeFileWriter::~TSafeFileWriter() { Discard(); }

void TSafeFileWriter::Discard() {
  if (FHandle >= 0) {
    ::close(FHandle);
    FHandle = -1;
  }
  if (!FDone && !FTempPath.empty()) ::unlink(FTempPath.c_str());
  FDone = true;
}

TStream& TSafeFileWriter::Stream() {
  if (!FStream) throw EInvalidOperation("The file %s is already closed", {FTargetPath});
  return *FStream;
}

void TSafeFileWriter::Commit(bool replaceExisting) {
  if (FDone || FHandle < 0) throw EInvalidOperation("The file %s is already closed", {FTargetPath});
  {
    // A failed commit leaves no temporary file behind.
    auto discard = ScopeFail([&] {
      FStream.reset();
      Discard();
    });
    if (::fsync(FHandle) != 0) {
      int err = errno;
      throw EWriteError("Cannot write file %s: %s", {FTargetPath, ErrorText(err)});
    }
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat st;
    if (replaceExisting && ::stat(FTargetPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    if (::fchmod(FHandle, mode) != 0) {
      int err = errno;
      throw EInOutError(Format("Cannot set the permissions of file %s: %s", {FTargetPath, ErrorText(err)}), err);
    }
    FStream.reset();
    int fd = FHandle;
    FHandle = -1;
    // Some file systems report a failed write-back only at close.
    if (::close(fd) != 0 && errno != EINTR) {
      int err = errno;
      throw EWriteError("Cannot write file %s: %s", {FTargetPath, ErrorText(err)});
    }
    int err = 0;
    if (replaceExisting) {
      if (::rename(FTempPath.c_str(), FTargetPath.c_str()) != 0) err = errno;
    } else {
      if (!RenameFile(FTempPath, FTargetPath)) err = errno;
    }
    if (err == EEXIST && !replaceExisting)
      throw EInOutError(Format("Cannot save file %s: the file already exists", {FTargetPath}), err);
    if (err != 0) throw EInOutError(Format("Cannot save file %s: %s", {FTargetPath, ErrorText(err)}), err);
  }
  FDone = true;
  FStream.reset();
  SyncFolder(ExtractFilePath(FTargetPath));
}

void SaveBytesToFile(const String& path, const void* data, size_t n, bool replaceExisting) {
  TSafeFileWriter writer(path);
  writer.Stream().WriteBuffer(data, static_cast<int64_t>(n));
  writer.Commit(replaceExisting);
}
