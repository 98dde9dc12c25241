#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/rtl/resources.h"
#include "platform/rtl/safewriter.h"

namespace {

constexpr int32_t kMaxChunk = std::numeric_limits<int32_t>::max();

// Position arithmetic that saturates instead of overflowing on hostile offsets.
int64_t AddClamped(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r))
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
  return r;
}

int64_t NewPosition(int64_t current, int64_t size, int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: return offset;
    case soCurrent: return AddClamped(current, offset);
    case soEnd: return AddClamped(size, offset);
  }
  return current;
}

}  // namespace

// ---------------------------------------------------------------- TStream

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  auto* p = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    int32_t chunk = static_cast<int32_t>(std::min<int64_t>(Count, kMaxChunk));
    int32_t got = Read(p, chunk);
    if (got != chunk) throw EReadError("Stream read error");
    p += got;
    Count -= got;
  }
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0) throw EWriteError("Stream write error");
  const auto* p = static_cast<const uint8_t*>(Buffer);
  while (Count > 0) {
    int32_t chunk = static_cast<int32_t>(std::min<int64_t>(Count, kMaxChunk));
    int32_t put = Write(p, chunk);
    if (put != chunk) throw EWriteError("Stream write error");
    p += put;
    Count -= put;
  }
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (!Source) throw EStreamError("No source stream");
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  if (Count < 0) throw EReadError("Stream read error");
  constexpr int64_t kBufSize = 64 * 1024;
  uint8_t buf[kBufSize];
  int64_t left = Count;
  while (left > 0) {
    int64_t n = std::min(left, kBufSize);
    Source->ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    left -= n;
  }
  return Count;
}

// ---------------------------------------------------------------- THandleStream

int32_t THandleStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  int32_t done = 0;
  while (done < Count) {
    ssize_t r = ::read(FHandle, p + done, static_cast<size_t>(Count - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<int32_t>(r);
  }
  return done;
}

int32_t THandleStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  const auto* p = static_cast<const uint8_t*>(Buffer);
  int32_t done = 0;
  while (done < Count) {
    ssize_t r = ::write(FHandle, p + done, static_cast<size_t>(Count - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<int32_t>(r);
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void THandleStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  int64_t pos = Position();
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) RaiseLastOSError();
  if (pos > NewSize) Seek(NewSize, soBeginning);
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const String& AFileName, uint32_t Mode) : THandleStream(-1), FFileName(AFileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  // O_NONBLOCK so that opening a pipe cannot hang; it is cleared again below.
  if (create) {
    FHandle = ::open(AFileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (FHandle < 0) throw EFCreateError("Cannot create file %s", {AFileName});
  } else {
    int flags;
    switch (Mode & 0x3) {
      case fmOpenWrite: flags = O_WRONLY; break;
      case fmOpenReadWrite: flags = O_RDWR; break;
      default: flags = O_RDONLY; break;
    }
    FHandle = ::open(AFileName.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (FHandle < 0) throw EFOpenError("Cannot open file %s", {AFileName});
  }
  // open() of a folder succeeds for reading, and a pipe would block the reader
  // forever: a file stream is over a regular file or a device only.
  struct stat st;
  int fl = -1;
  if (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ||
      (fl = ::fcntl(FHandle, F_GETFL)) < 0 || ::fcntl(FHandle, F_SETFL, fl & ~O_NONBLOCK) < 0) {
    ::close(FHandle);
    FHandle = -1;
    if (create) throw EFCreateError("Cannot create file %s", {AFileName});
    throw EFOpenError("Cannot open file %s", {AFileName});
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---------------------------------------------------------------- TCustomMemoryStream

int32_t TCustomMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  int64_t n = std::min<int64_t>(Count, FSize - FPosition);
  std::memcpy(Buffer, static_cast<const uint8_t*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TCustomMemoryStream::Write(const void*, int32_t) { return 0; }

// Any position may be set; before the start or past the end a read moves
// nothing, and before the start a write moves nothing either.
int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  FPosition = NewPosition(FPosition, FSize, Offset, Origin);
  return FPosition;
}

void TCustomMemoryStream::SetPointer(const void* Ptr, int64_t Size) {
  FMemory = const_cast<void*>(Ptr);
  FSize = Ptr && Size > 0 ? Size : 0;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (!Stream) throw EStreamError("No target stream");
  if (FSize > 0) Stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const String& FileName) {
  TSafeFileWriter writer(FileName);
  SaveToStream(&writer.Stream());
  writer.Commit(true);
}

// ---------------------------------------------------------------- TMemoryStream

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  if (NewCapacity < FSize) NewCapacity = FSize;
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    std::free(FMemory);
    FMemory = nullptr;
    FCapacity = 0;
    return;
  }
  if (static_cast<uint64_t>(NewCapacity) > std::numeric_limits<size_t>::max() / 2) throw EOutOfMemory("Out of memory");
  void* p = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
  if (!p) throw EOutOfMemory("Out of memory");
  FMemory = p;
  FCapacity = NewCapacity;
}

namespace {
// Grows in steps of about an eighth so that many small writes stay linear.
int64_t GrownCapacity(int64_t current, int64_t needed) {
  int64_t step = std::max<int64_t>(current / 8, 8192);
  int64_t want;
  if (__builtin_add_overflow(current, step, &want) || want < needed) want = needed;
  return (want + 4095) & ~int64_t(4095);
}
}  // namespace

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  if (NewSize > FCapacity) SetCapacity(NewSize);
  if (NewSize > FSize) std::memset(static_cast<uint8_t*>(FMemory) + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (FPosition > FSize) FPosition = FSize;
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  int64_t end;
  if (__builtin_add_overflow(FPosition, static_cast<int64_t>(Count), &end)) return 0;
  if (end > FCapacity) SetCapacity(GrownCapacity(FCapacity, end));
  auto* mem = static_cast<uint8_t*>(FMemory);
  if (FPosition > FSize) std::memset(mem + FSize, 0, static_cast<size_t>(FPosition - FSize));
  std::memcpy(mem + FPosition, Buffer, static_cast<size_t>(Count));
  if (end > FSize) FSize = end;
  FPosition = end;
  return Count;
}

void TMemoryStream::Clear() {
  FSize = 0;
  FPosition = 0;
  SetCapacity(0);
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EStreamError("No source stream");
  Stream->SetPosition(0);
  int64_t count = Stream->Size();
  if (count < 0) throw EReadError("Stream read error");
  SetSize(count);
  FPosition = 0;
  if (count > 0) Stream->ReadBuffer(FMemory, count);
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

// ---------------------------------------------------------------- TStringStream

int32_t TStringStream::Read(void* Buffer, int32_t Count) {
  int64_t size = Size();
  if (Count <= 0 || FPosition < 0 || FPosition >= size) return 0;
  int64_t n = std::min<int64_t>(Count, size - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TStringStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  int64_t end;
  if (__builtin_add_overflow(FPosition, static_cast<int64_t>(Count), &end)) return 0;
  TranslateOutOfMemory([&] {
    if (end > Size()) FDataString.resize(static_cast<size_t>(end), '\0');
  });
  std::memcpy(FDataString.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  FPosition = NewPosition(FPosition, Size(), Offset, Origin);
  return FPosition;
}

void TStringStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  TranslateOutOfMemory([&] { FDataString.resize(static_cast<size_t>(NewSize), '\0'); });
  if (FPosition > NewSize) FPosition = NewSize;
}

String TStringStream::ReadString(int32_t Count) {
  int64_t size = Size();
  if (Count <= 0 || FPosition < 0 || FPosition >= size) return String();
  int64_t n = std::min<int64_t>(Count, size - FPosition);
  String result = FDataString.substr(static_cast<size_t>(FPosition), static_cast<size_t>(n));
  FPosition += n;
  return result;
}

void TStringStream::WriteString(const String& AString) {
  WriteBuffer(AString.data(), static_cast<int64_t>(AString.size()));
}

// ---------------------------------------------------------------- TResourceStream

TResourceStream::TResourceStream(const String& ResName) {
  const EmbeddedResource* res = FindEmbeddedResource(ResName.c_str());
  if (!res) throw EResNotFound("Resource %s not found", {ResName});
  SetPointer(res->Data, static_cast<int64_t>(res->Size));
}
