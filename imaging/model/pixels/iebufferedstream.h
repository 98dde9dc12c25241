// A read-only stream that reads ahead from another stream in blocks, for
// readers that scan a file a byte or two at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/streams.h"

// Reads Source (not owned) through a buffer. The source's size is taken once,
// at creation; reads stop there.
//
// Seek from the end counts backwards: Seek(N, soEnd) moves to Size() - N, not
// Size() + N as other streams do. The JPEG length scan relies on it, so it is
// kept; Seek(0, soEnd) still moves to the end. An origin outside the three
// leaves the position unchanged.
//
// A Read larger than the buffer grows the buffer, but never past the bytes
// left in the source, so a corrupt length cannot force a large allocation.
class TIEBufferedReadStream : public TStream {
 public:
  TIEBufferedReadStream(TStream* Source, int32_t BufferSize);
  ~TIEBufferedReadStream() override = default;

  int32_t Read(void* Buffer, int32_t Count) override;
  // Raises EStreamError "TIEBufferedReadStream cannot write!".
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return FSourceSize; }

  // Replaces the buffer by one of N bytes (at least 1) and refills it.
  void SetBufferSize(int32_t N);
  int32_t BufferSize() const { return FBufferSize; }

 private:
  // Reads the buffer from the source at the current position.
  void Refill();

  TStream* FSource;
  int32_t FBufferSize = 0;
  std::unique_ptr<uint8_t[]> FBuffer;
  int64_t FPosition = 0;  // position in the source
  int32_t FIndex = 0;     // next byte of the buffer
  int32_t FValid = 0;     // bytes the last refill delivered
  int64_t FSourceSize = 0;
};
