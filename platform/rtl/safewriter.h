// Writing a file without ever destroying the one it replaces: the content goes
// to a fresh temporary file beside the target, which is renamed into place
// only once it is complete and on disk.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/types.h"

class TSafeFileWriter {
 public:
  // Creates the temporary file (exclusively, mode 0600) in the target's
  // folder; raises EFCreateError when that is impossible.
  explicit TSafeFileWriter(const String& TargetPath);
  // Without a Commit the temporary file is removed and the target untouched.
  ~TSafeFileWriter();
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  int Handle() const { return FHandle; }
  TStream& Stream();
  const String& TargetPath() const { return FTargetPath; }
  const String& TempPath() const { return FTempPath; }

  // Flushes the content to disk, gives it the permissions of a plainly
  // created file (or of the file it replaces) and renames it onto the target.
  // Without replaceExisting an existing target is left alone and the commit
  // fails; a read-only target (no write bit for its owner) is never replaced
  // (EInOutError with EACCES). Raises EWriteError (content not stored) or EInOutError (not
  // renamed); after a failure the temporary file is gone and the target is
  // as it was. A second Commit raises EInvalidOperation.
  void Commit(bool replaceExisting);

 private:
  void Discard();

  String FTargetPath;
  String FTempPath;
  int FHandle = -1;
  bool FDone = false;
  std::unique_ptr<THandleStream> FStream;
};

// Writes n bytes as the whole content of path through a TSafeFileWriter.
void SaveBytesToFile(const String& path, const void* data, size_t n, bool replaceExisting = true);
