#include "imaging/model/pixels/iebufferedstream.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/exceptions.h"

TIEBufferedReadStream::TIEBufferedReadStream(TStream* Source, int32_t BufferSize) : FSource(Source) {
  FSourceSize = Source->Size();
  FPosition = Source->Position();
  SetBufferSize(BufferSize);
}

void TIEBufferedReadStream::SetBufferSize(int32_t N) {
  N = std::max(N, 1);
  FBuffer = TranslateOutOfMemory([N] { return std::make_unique<uint8_t[]>(static_cast<size_t>(N)); });
  FBufferSize = N;
  Refill();
}

void TIEBufferedReadStream::Refill() {
  FIndex = 0;
  FValid = 0;
  if (FPosition < 0 || FPosition >= FSourceSize) return;
  FSource->Seek(FPosition, soBeginning);
  FValid = std::max(FSource->Read(FBuffer.get(), FBufferSize), 0);
}

int32_t TIEBufferedReadStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  if (Count > FBufferSize) {
    const int64_t left = FSourceSize - FPosition;
    const int32_t grow = static_cast<int32_t>(std::min<int64_t>(Count, left));
    if (grow > FBufferSize) SetBufferSize(grow);
  }
  auto* out = static_cast<uint8_t*>(Buffer);
  int32_t done = 0;
  while (done < Count && FPosition < FSourceSize) {
    if (FIndex >= FValid) {
      Refill();
      if (FValid == 0) break;  // the source delivered less than its size
    }
    const int32_t n = static_cast<int32_t>(
        std::min<int64_t>({int64_t{Count - done}, int64_t{FValid - FIndex}, FSourceSize - FPosition}));
    std::memcpy(out + done, FBuffer.get() + FIndex, static_cast<size_t>(n));
    done += n;
    FIndex += n;
    FPosition += n;
  }
  return done;
}

int32_t TIEBufferedReadStream::Write(const void*, int32_t) {
  throw EStreamError("TIEBufferedReadStream cannot write!");
}

int64_t TIEBufferedReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t target = FPosition;
  switch (Origin) {
    case soBeginning: target = Offset; break;
    case soCurrent:
      if (__builtin_add_overflow(FPosition, Offset, &target)) target = FPosition;
      break;
    case soEnd:  // backwards from the end, see the class comment
      if (__builtin_sub_overflow(FSourceSize, Offset, &target)) target = FPosition;
      break;
    default: break;
  }
  if (target != FPosition) {
    FPosition = target;
    Refill();
  }
  return FPosition;
}
