// The zlib stream wrappers of the stored skins: a write-only deflating
// stream and a read-only inflating stream over another stream, each with a
// 4096-byte buffer and a progress event, and the two routines that move a
// whole memory stream through them.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/streams.h"

RTL_DECLARE_EXCEPTION(EZlibError, Exception);
RTL_DECLARE_EXCEPTION(ECompressionError, EZlibError);
RTL_DECLARE_EXCEPTION(EDecompressionError, EZlibError);

struct z_stream_s;

// The underlying stream (not owned), its position when last left, zlib's
// record and the buffer. Every read or write puts the underlying stream back
// to that position first, so other users of it do not disturb the wrapper.
class TCustomZlibStream : public TStream, public TObject {
 public:
  static constexpr int32_t BufferSize = 4096;

  explicit TCustomZlibStream(TStream* Strm);
  ~TCustomZlibStream() override;
  const char* ClassName() const override { return "TCustomZlibStream"; }

  // Fires whenever a buffer has gone to, or come from, the underlying stream.
  TNotifyEvent OnProgress;

 protected:
  virtual void Progress(TObject* Sender);
  // Moves the underlying stream back to where this wrapper left it.
  void RestoreStrmPos();

  TStream* FStrm;
  int64_t FStrmPos;
  std::unique_ptr<z_stream_s> FZRec;
  std::unique_ptr<uint8_t[]> FBuffer;
};

enum class TCompressionLevel : uint8_t { clNone, clFastest, clDefault, clMax };

class TCompressionStream : public TCustomZlibStream {
 public:
  TCompressionStream(TCompressionLevel CompressionLevel, TStream* Dest);
  // Finishes the zlib stream unless Finish ran; a failure here cannot be
  // reported and only loses the tail. zlib's state is released either way.
  ~TCompressionStream() override;
  const char* ClassName() const override { return "TCompressionStream"; }

  // ECompressionError "Invalid stream operation": the stream is write-only.
  int32_t Read(void* Buffer, int32_t Count) override;
  // Deflates without flushing; full buffers go to the underlying stream.
  int32_t Write(const void* Buffer, int32_t Count) override;
  // Seek(0, soCurrent) answers the bytes taken in so far; anything else is
  // ECompressionError "Invalid stream operation".
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

  // Ends the zlib stream and writes what is left, raising on failure. Runs
  // once; zlib's state is released whatever happens.
  void Finish();

 private:
  void FlushOut(int32_t Count);
  bool FFinished = false;
};

class TDecompressionStream : public TCustomZlibStream {
 public:
  explicit TDecompressionStream(TStream* Source);
  ~TDecompressionStream() override;
  const char* ClassName() const override { return "TDecompressionStream"; }

  // Inflates up to Count bytes; when the underlying stream runs dry answers
  // what it has (a cut stream reads as a shorter one: see Finished).
  int32_t Read(void* Buffer, int32_t Count) override;
  // EDecompressionError "Invalid stream operation": the stream is read-only.
  int32_t Write(const void* Buffer, int32_t Count) override;
  // Seek(0, soBeginning) starts over; a forward seek reads and discards and
  // answers the bytes produced; anything else is EDecompressionError
  // "Invalid stream operation".
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;

  // zlib has seen the end of the compressed data and its checksum agreed.
  bool Finished() const { return FFinished; }

 private:
  bool FillInput();
  int64_t FStartPos;
  bool FFinished = false;
};

// Deflates all of Source (from its start) onto Target at the maximum level.
void CompressStream(TStream* Source, TStream* Target);

// Inflation stops beyond this many bytes.
inline constexpr int64_t bsMaxInflatedSize = int64_t{64} << 20;

// Inflates all of Source (from its start) onto Target. EDecompressionError
// when the data is bad, ends before zlib's end of stream (a cut container)
// or inflates beyond bsMaxInflatedSize.
void DecompressStream(TStream* Target, TStream* Source);
