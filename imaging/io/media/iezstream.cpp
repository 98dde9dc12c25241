#include "imaging/io/media/iezstream.h"
#include "platform/rtl/scopeguard.h"

#include <zlib.h>

#include <cstdio>

namespace {

const char* ZLibMessage(int code) {
  switch (code) {
    case Z_ERRNO: return "file error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "stream error";
  }
}

int CCheck(int code) {
  if (code < 0) throw EZCompressionError(ZLibMessage(code));
  return code;
}

[[noreturn]] void InvalidOperation() { throw EZCompressionError("Invalid ZStream operation!"); }

constexpr int kLevels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};

}  // namespace

TCustomZStream::TCustomZStream(TStream* Destination)
    : FStrm(Destination),
      FStrmPos(Destination->Position()),
      FZRec(std::make_unique<z_stream>()),
      FBuffer(std::make_unique<uint8_t[]>(BufferSize)) {
  FZRec->next_out = FBuffer.get();
  FZRec->avail_out = BufferSize;
}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::Progress(TObject* Sender) {
  if (OnProgress) OnProgress(Sender);
}

TZCompressionStream::TZCompressionStream(TStream* Destination, int32_t LevelIndex) : TCustomZStream(Destination) {
  // zlib itself answers an unknown level with a stream error.
  if (LevelIndex < 0 || LevelIndex > 3) CCheck(Z_STREAM_ERROR);
  CCheck(deflateInit(FZRec.get(), kLevels[LevelIndex]));
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "TZCompressionStream: compressed data not finished: %s\n", e.what());
  }
  if (!FEnded) deflateEnd(FZRec.get());
}

int32_t TZCompressionStream::Read(void*, int32_t) { InvalidOperation(); }

int64_t TZCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset != 0 || Origin != soCurrent) InvalidOperation();
  return FTotalIn;
}

void TZCompressionStream::FlushBuffer(int64_t Count) {
  if (Count > 0) FStrm->WriteBuffer(FBuffer.get(), Count);
  FZRec->next_out = FBuffer.get();
  FZRec->avail_out = BufferSize;
  FStrmPos = FStrm->Position();
}

int32_t TZCompressionStream::Write(const void* Buffer, int32_t Count) {
  if (FFinished) InvalidOperation();
  if (Count <= 0) return 0;
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  FZRec->next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  FZRec->avail_in = static_cast<uInt>(Count);
  while (FZRec->avail_in > 0) {
    CCheck(deflate(FZRec.get(), Z_NO_FLUSH));
    if (FZRec->avail_out == 0) {
      FlushBuffer(BufferSize);
      Progress(this);
    }
  }
  FZRec->next_in = nullptr;
  FTotalIn += Count;
  return Count;
}

void TZCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  auto cleanup = ScopeExit([&] {
    deflateEnd(FZRec.get());
    FEnded = true;
  });
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
  FZRec->next_in = nullptr;
  FZRec->avail_in = 0;
  for (;;) {
    // A full buffer left by a failed write is offered to the destination again.
    if (FZRec->avail_out == 0) FlushBuffer(BufferSize);
    if (CCheck(deflate(FZRec.get(), Z_FINISH)) == Z_STREAM_END) break;
    FlushBuffer(BufferSize - FZRec->avail_out);
  }
  FlushBuffer(BufferSize - FZRec->avail_out);
}
