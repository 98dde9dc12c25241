// A write-only stream that deflates everything written to it (zlib format,
// with header and checksum) into another stream, through a 64 KB buffer.
//
// These are the image library's own zlib classes. The skin engine keeps its
// separate family (its own compression stream and exceptions, with other
// messages); the two do not share names or messages.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/streams.h"

// A zlib failure; the message is zlib's text for the code ("stream error",
// "data error", "insufficient memory", "buffer error", "incompatible
// version", "file error").
RTL_DECLARE_EXCEPTION(EZLibError, Exception);
RTL_DECLARE_EXCEPTION(EZCompressionError, EZLibError);

struct z_stream_s;

// The destination (not owned), where the next compressed bytes go in it, the
// zlib state and the output buffer.
class TCustomZStream : public TStream, public TObject {
 public:
  static constexpr int32_t BufferSize = 65536;

  explicit TCustomZStream(TStream* Destination);
  ~TCustomZStream() override;
  const char* ClassName() const override { return "TCustomZStream"; }

  // Called after each full buffer has been written to the destination.
  TNotifyEvent OnProgress;

 protected:
  virtual void Progress(TObject* Sender);

  TStream* FStrm;
  int64_t FStrmPos;
  std::unique_ptr<z_stream_s> FZRec;
  std::unique_ptr<uint8_t[]> FBuffer;
};

// Level index: 0 none (stored), 1 fastest, 2 zlib's default, 3 maximum.
class TZCompressionStream : public TCustomZStream {
 public:
  // EZCompressionError for a level index outside 0..3 or when zlib cannot
  // start.
  TZCompressionStream(TStream* Destination, int32_t LevelIndex);
  // Finishes the stream when Finish has not run; an error there is reported
  // on standard error and otherwise dropped (a destructor cannot raise).
  ~TZCompressionStream() override;
  const char* ClassName() const override { return "TZCompressionStream"; }

  // EZCompressionError "Invalid ZStream operation!": the stream is write-only.
  int32_t Read(void* Buffer, int32_t Count) override;
  // Deflates Count bytes; answers Count. A destination moved by someone else
  // is put back first. EZCompressionError after Finish or on a zlib error.
  int32_t Write(const void* Buffer, int32_t Count) override;
  // Only Seek(0, soCurrent) is allowed: the number of bytes written so far.
  // Anything else raises EZCompressionError "Invalid ZStream operation!".
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

  // Ends the compressed stream and writes what is left; zlib's state is
  // released whatever happens. Raises on a zlib or destination write error.
  // Runs once; later calls do nothing.
  void Finish();
  bool Finished() const { return FFinished; }

 private:
  void FlushBuffer(int64_t Count);
  bool FFinished = false;
  bool FEnded = false;  // zlib's state released
  int64_t FTotalIn = 0;
};
