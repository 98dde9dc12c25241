// Byte streams: the abstract TStream and its handle, file, memory, string and
// embedded-resource implementations. Sizes and positions are 64-bit; a read
// never goes past the data a stream holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/types.h"

RTL_DECLARE_EXCEPTION(EResNotFound, Exception);

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// TFileStream modes: one access mode, optionally or-ed with a share flag.
// Share flags are accepted and ignored (POSIX has no mandatory sharing).
constexpr uint32_t fmCreate = 0xFF00;
constexpr uint32_t fmOpenRead = 0x0000;
constexpr uint32_t fmOpenWrite = 0x0001;
constexpr uint32_t fmOpenReadWrite = 0x0002;
constexpr uint32_t fmShareCompat = 0x0000;
constexpr uint32_t fmShareExclusive = 0x0010;
constexpr uint32_t fmShareDenyWrite = 0x0020;
constexpr uint32_t fmShareDenyRead = 0x0030;
constexpr uint32_t fmShareDenyNone = 0x0040;

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads/writes up to Count bytes at the position and advances it; answer the
  // number of bytes moved (0 at the end of the data or for Count <= 0).
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Moves the position and answers the new one.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t Size();
  // The base class cannot resize and raises EStreamError.
  virtual void SetSize(int64_t NewSize);

  // Exactly Count bytes or EReadError "Stream read error" / EWriteError
  // "Stream write error". Counts above 2 GiB are moved in pieces.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);

  // Copies Count bytes from Source's position; Count 0 copies all of Source
  // from its start. Answers the number of bytes copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

// A stream over a file descriptor it does not own.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int AHandle) : FHandle(AHandle) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // ftruncate; raises EOSError when the descriptor cannot be resized.
  void SetSize(int64_t NewSize) override;

  int Handle() const { return FHandle; }

 protected:
  int FHandle;
};

// A stream over a file it opens and closes. fmCreate creates or truncates;
// output that must not destroy an existing file goes through TSafeFileWriter.
// Raises EFCreateError "Cannot create file %s" / EFOpenError "Cannot open
// file %s" (a folder is not a file).
class TFileStream : public THandleStream {
 public:
  TFileStream(const String& AFileName, uint32_t Mode);
  ~TFileStream() override;

  const String& FileName() const { return FFileName; }

 private:
  String FFileName;
};

// A stream over one block of memory. This base reads a block it does not own
// (SetPointer) and cannot write or resize it.
class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;  // read-only: 0
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSize; }

  void* Memory() const { return FMemory; }
  // Makes the stream read the Size bytes at Ptr (not owned, not written).
  void SetPointer(const void* Ptr, int64_t Size);

  void SaveToStream(TStream* Stream);
  // Written through TSafeFileWriter: an existing file is replaced only once
  // the new content is complete.
  void SaveToFile(const String& FileName);

 protected:
  void* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A growable memory stream that owns its block. Writing past the end, or
// growing with SetSize, fills the gap with zeros.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  int32_t Write(const void* Buffer, int32_t Count) override;
  void SetSize(int64_t NewSize) override;

  int64_t Capacity() const { return FCapacity; }
  // Never below the size; raises EOutOfMemory when the block cannot be had.
  void SetCapacity(int64_t NewCapacity);
  void Clear();

  // Replace the content with all of Stream (read from its start) / the file.
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);

 private:
  int64_t FCapacity = 0;
};

// A stream over a String held in memory (bytes, any content).
class TStringStream : public TStream {
 public:
  explicit TStringStream(const String& AString = String()) : FDataString(AString) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FDataString.size()); }
  void SetSize(int64_t NewSize) override;

  // Up to Count bytes from the position, advancing it.
  String ReadString(int32_t Count);
  void WriteString(const String& AString);

  const String& DataString() const { return FDataString; }

 private:
  String FDataString;
  int64_t FPosition = 0;
};

// Reads an embedded resource by name; EResNotFound "Resource %s not found".
class TResourceStream : public TCustomMemoryStream {
 public:
  explicit TResourceStream(const String& ResName);
};
