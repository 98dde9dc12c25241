// Temporary-file storage for images kept outside memory. The file is reached
// only through "windows": heap copies of a byte range, read from the file when
// opened with read access and written back when closed with write access. The
// file is never memory-mapped, so any number of windows may be open and each
// costs exactly its own size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/types.h"

// The library's temporary directory. Empty (the default) means the platform's
// temporary path ($TMPDIR, else /tmp).
extern String IETempDirectory;

// The directory temporary files go to, ending with "/".
String IETempFileDirectory();

// Directory + Prefix + "-" + 8 upper-case hexadecimal digits + ".tmp", drawn
// until no file (or link) of that name exists. Directory is used as given. The
// name is only a candidate: it must still be created exclusively.
void IEMakeTempFileName(const String& Prefix, const String& Directory, String& FileName);

// Makes every thread draw the same sequence of temporary names from now on
// (tests use it to force collisions). Names are drawn from the system's
// entropy otherwise.
void IESetTempFileNameSeed(uint64_t Seed);

class TIEFileBuffer {
 public:
  TIEFileBuffer() = default;
  TIEFileBuffer(const TIEFileBuffer&) = delete;
  TIEFileBuffer& operator=(const TIEFileBuffer&) = delete;
  // Closes and deletes the file.
  ~TIEFileBuffer();

  bool IsAllocated() const { return FHandle >= 0; }
  // Full path of the file last created (kept after Close and after a failed
  // AllocateFile).
  const String& FileName() const { return FFileName; }

  // Creates a new file of Size bytes (zero-filled) in the temporary directory,
  // exclusively and with mode 0600, drawing another name when one is taken. A
  // file held before is closed first. False when the file cannot be created or
  // sized; whatever was created is then removed, and nothing is raised.
  bool AllocateFile(const String& Prefix, int64_t Size);
  // Sets the length of the file (nothing without one). EWriteError on failure.
  void SetFileSize(int64_t Size);

  // Opens a window of Size bytes at Position and returns its buffer. With read
  // access the bytes are read from the file (past its end they are zero);
  // without it the buffer starts zeroed. EStreamError without a file or for a
  // size outside 0 .. 2147483647; EReadError when reading fails.
  void* Map(TIEDataAccess Access, int64_t Position, int64_t Size);
  // Closes the window of Buffer: with write access its bytes are written back.
  // The window is closed even when writing fails (EWriteError). EListError
  // when Buffer is no window's.
  void Unmap(void* Buffer);
  // Closes every window, newest first, so that of two overlapping windows the
  // oldest is written last. Nothing without a file.
  void UnmapAll();
  // Index of the window whose buffer is Buffer, -1 when none.
  int32_t FindWindow(const void* Buffer) const;
  int32_t WindowCount() const { return static_cast<int32_t>(FWindows.size()); }

  // Copies Size bytes at Position of this file to the same position of Dest's
  // file, after closing the windows of both. When the range is the whole file,
  // Dest's file is cut to this file's length first, so the two are then
  // identical; otherwise Dest keeps its length (or grows past its end). Only
  // when both have a file. EReadError/EWriteError on failure.
  void CopyTo(TIEFileBuffer* Dest, int64_t Position, int64_t Size);

  // Discards every window (a deleted file needs no write-back), closes and
  // deletes the file. FileName keeps its value. Nothing without a file.
  void Close();

 private:
  struct Window {
    int64_t Position;
    int64_t Size;
    std::unique_ptr<uint8_t[]> Buffer;
    TIEDataAccess Access;
  };

  void ReadAt(uint8_t* Buffer, int64_t Position, int64_t Size);
  void WriteAt(int Handle, const uint8_t* Buffer, int64_t Position, int64_t Size);
  void CopyRange(int DestHandle, int64_t Position, int64_t Size);

  int FHandle = -1;
  String FFileName;
  std::vector<Window> FWindows;
};
