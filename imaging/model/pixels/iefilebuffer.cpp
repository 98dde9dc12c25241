#include "imaging/model/pixels/iefilebuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <thread>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"

String IETempDirectory;

namespace {

constexpr int64_t kCopyChunk = 1048576;
// Tries at most this many names before AllocateFile gives up.
constexpr int kMaxNameAttempts = 1000;

// Temporary names come from a per-thread generator. Normally each thread seeds
// it from the system's entropy; after IESetTempFileNameSeed every thread
// reseeds from the given value, so threads draw the same names and collide.
std::atomic<uint64_t> gSeedGeneration{0};
std::atomic<uint64_t> gSeed{0};

struct TNameGenerator {
  uint64_t Generation = std::numeric_limits<uint64_t>::max();
  uint64_t State = 0;
};
thread_local TNameGenerator tNameGenerator;

uint64_t EntropySeed() {
  uint64_t seed = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  seed ^= std::hash<std::thread::id>()(std::this_thread::get_id()) * 0x9E3779B97F4A7C15ull;
  seed ^= static_cast<uint64_t>(::getpid()) << 32;
  try {
    std::random_device rd;
    seed ^= (uint64_t(rd()) << 32) ^ rd();
  } catch (...) {
    // No entropy device: time, thread and process still differ between users.
  }
  return seed;
}

// A number in 0 .. 2147483646 (splitmix64).
uint32_t DrawNameNumber() {
  TNameGenerator& g = tNameGenerator;
  const uint64_t generation = gSeedGeneration.load(std::memory_order_acquire);
  if (g.Generation != generation) {
    g.Generation = generation;
    g.State = generation == 0 ? EntropySeed() : gSeed.load(std::memory_order_relaxed);
  }
  uint64_t z = (g.State += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<uint32_t>(z % 2147483647u);
}

[[noreturn]] void RaiseReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void RaiseWriteError() { throw EWriteError("Stream write error"); }

}  // namespace

void IESetTempFileNameSeed(uint64_t Seed) {
  gSeed.store(Seed, std::memory_order_relaxed);
  gSeedGeneration.fetch_add(1, std::memory_order_acq_rel);
}

String IETempFileDirectory() {
  return IETempDirectory.empty() ? GetTempPath() : IncludeTrailingPathDelimiter(IETempDirectory);
}

void IEMakeTempFileName(const String& Prefix, const String& Directory, String& FileName) {
  static const char kHex[] = "0123456789ABCDEF";
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    uint32_t n = DrawNameNumber();
    char digits[8];
    for (int i = 7; i >= 0; --i, n >>= 4) digits[i] = kHex[n & 15u];
    FileName = Directory + Prefix + "-" + String(digits, 8) + ".tmp";
    struct stat st;
    if (::lstat(FileName.c_str(), &st) != 0 && errno == ENOENT) return;
  }
  // Every candidate was taken: leave the last one, exclusive creation decides.
}

TIEFileBuffer::~TIEFileBuffer() { Close(); }

bool TIEFileBuffer::AllocateFile(const String& Prefix, int64_t Size) {
  Close();
  if (Size < 0) return false;
  const String directory = IETempFileDirectory();
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    IEMakeTempFileName(Prefix, directory, FFileName);
    // Exclusive creation: never opens, truncates or follows what is already
    // there, so a name taken meanwhile (another thread, another user of a
    // shared folder, a planted link) only costs another draw.
    const int fd = ::open(FFileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(Size)) != 0) {
      ::close(fd);
      ::unlink(FFileName.c_str());
      return false;
    }
    FHandle = fd;
    return true;
  }
  return false;
}

void TIEFileBuffer::SetFileSize(int64_t Size) {
  if (FHandle < 0) return;
  if (Size < 0 || ::ftruncate(FHandle, static_cast<off_t>(Size)) != 0) RaiseWriteError();
}

void TIEFileBuffer::ReadAt(uint8_t* Buffer, int64_t Position, int64_t Size) {
  int64_t done = 0;
  while (done < Size) {
    const ssize_t n =
        ::pread(FHandle, Buffer + done, static_cast<size_t>(Size - done), static_cast<off_t>(Position + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseReadError();
    }
    if (n == 0) break;
    done += n;
  }
  // Past the end of the file: zeros, as the file itself would read after growing.
  if (done < Size) std::memset(Buffer + done, 0, static_cast<size_t>(Size - done));
}

void TIEFileBuffer::WriteAt(int Handle, const uint8_t* Buffer, int64_t Position, int64_t Size) {
  int64_t done = 0;
  while (done < Size) {
    const ssize_t n =
        ::pwrite(Handle, Buffer + done, static_cast<size_t>(Size - done), static_cast<off_t>(Position + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseWriteError();
    }
    if (n == 0) RaiseWriteError();
    done += n;
  }
}

void* TIEFileBuffer::Map(TIEDataAccess Access, int64_t Position, int64_t Size) {
  if (FHandle < 0) throw EStreamError("No temporary file to map");
  if (Size < 0 || Size > std::numeric_limits<int32_t>::max() || Position < 0) throw EStreamError("Invalid file window");
  const bool read = Access.Contains(TIEDataAccessItem::iedRead);
  std::unique_ptr<uint8_t[]> buffer = TranslateOutOfMemory([&] {
    // Size 0 still gets a distinct address, so that the window can be found.
    const size_t n = static_cast<size_t>(Size > 0 ? Size : 1);
    // A write-only window is written back whole: it starts zeroed so that no
    // stale heap bytes reach the file.
    return read ? std::unique_ptr<uint8_t[]>(new uint8_t[n]) : std::unique_ptr<uint8_t[]>(new uint8_t[n]());
  });
  if (read) ReadAt(buffer.get(), Position, Size);
  void* result = buffer.get();
  TranslateOutOfMemory([&] { FWindows.push_back(Window{Position, Size, std::move(buffer), Access}); });
  return result;
}

int32_t TIEFileBuffer::FindWindow(const void* Buffer) const {
  // Newest first: buffers are mostly released in the reverse order of opening.
  for (size_t i = FWindows.size(); i-- > 0;)
    if (FWindows[i].Buffer.get() == Buffer) return static_cast<int32_t>(i);
  return -1;
}

void TIEFileBuffer::Unmap(void* Buffer) {
  const int32_t index = FindWindow(Buffer);
  if (index < 0) throw EListError("List index out of bounds (-1)");
  Window window = std::move(FWindows[static_cast<size_t>(index)]);
  FWindows.erase(FWindows.begin() + index);
  if (window.Access.Contains(TIEDataAccessItem::iedWrite) && FHandle >= 0)
    WriteAt(FHandle, window.Buffer.get(), window.Position, window.Size);
}

void TIEFileBuffer::UnmapAll() {
  if (FHandle < 0) return;
  while (!FWindows.empty()) Unmap(FWindows.back().Buffer.get());
}

void TIEFileBuffer::CopyRange(int DestHandle, int64_t Position, int64_t Size) {
  int64_t done = 0;
  bool kernelCopy = true;
  while (done < Size) {
    if (kernelCopy) {
      loff_t in = Position + done, out = Position + done;
      const ssize_t n = ::copy_file_range(FHandle, &in, DestHandle, &out, static_cast<size_t>(Size - done), 0);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n == 0) return;  // end of this file
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF &&
          errno != EPERM)
        RaiseWriteError();
      kernelCopy = false;  // not between these files: copy through a buffer
    }
    std::unique_ptr<uint8_t[]> chunk =
        TranslateOutOfMemory([] { return std::unique_ptr<uint8_t[]>(new uint8_t[kCopyChunk]); });
    while (done < Size) {
      const int64_t want = Min(Size - done, kCopyChunk);
      const ssize_t n = ::pread(FHandle, chunk.get(), static_cast<size_t>(want), static_cast<off_t>(Position + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseReadError();
      }
      if (n == 0) return;
      WriteAt(DestHandle, chunk.get(), Position + done, n);
      done += n;
    }
  }
}

void TIEFileBuffer::CopyTo(TIEFileBuffer* Dest, int64_t Position, int64_t Size) {
  if (Dest == nullptr || Dest == this || FHandle < 0 || Dest->FHandle < 0) return;
  UnmapAll();
  Dest->UnmapAll();
  if (Size <= 0 || Position < 0) return;
  struct stat st;
  if (::fstat(FHandle, &st) != 0) RaiseReadError();
  if (Position == 0 && Size == static_cast<int64_t>(st.st_size)) {
    // The whole file: copy into Dest's own open file (its name in a shared
    // folder is never given up), cut to this length first.
    if (::ftruncate(Dest->FHandle, st.st_size) != 0) RaiseWriteError();
  }
  CopyRange(Dest->FHandle, Position, Size);
}

void TIEFileBuffer::Close() {
  FWindows.clear();
  if (FHandle < 0) return;
  ::close(FHandle);
  FHandle = -1;
  ::unlink(FFileName.c_str());
}
