#include "skin/engine/data/skinzlib.h"

#include <zlib.h>

#include <algorithm>

namespace {

const char* const kInvalidOperation = "Invalid stream operation";

// zlib reports through return codes; a negative one becomes the stream's
// exception here, outside the zlib call.
int CCheck(int Code) {
  if (Code < 0) throw ECompressionError("error");
  return Code;
}

int DCheck(int Code) {
  if (Code < 0) throw EDecompressionError("compression error");
  return Code;
}

constexpr int kLevels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};

}  // namespace

// ---- TCustomZlibStream ----------------------------------------------------------

TCustomZlibStream::TCustomZlibStream(TStream* Strm)
    : FStrm(Strm),
      FStrmPos(Strm->Position()),
      FZRec(std::make_unique<z_stream>()),
      FBuffer(std::make_unique<uint8_t[]>(BufferSize)) {}

TCustomZlibStream::~TCustomZlibStream() = default;

void TCustomZlibStream::Progress(TObject* Sender) {
  if (OnProgress) OnProgress(Sender);
}

void TCustomZlibStream::RestoreStrmPos() {
  if (FStrm->Position() != FStrmPos) FStrm->SetPosition(FStrmPos);
}

// ---- TCompressionStream ---------------------------------------------------------

TCompressionStream::TCompressionStream(TCompressionLevel CompressionLevel, TStream* Dest) : TCustomZlibStream(Dest) {
  FZRec->next_out = FBuffer.get();
  FZRec->avail_out = BufferSize;
  CCheck(deflateInit_(FZRec.get(), kLevels[static_cast<int>(CompressionLevel)], ZLIB_VERSION,
                      static_cast<int>(sizeof(z_stream))));
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (const Exception&) {
    // The caller that needs to know calls Finish itself.
  }
}

void TCompressionStream::FlushOut(int32_t Count) {
  RestoreStrmPos();
  FStrm->WriteBuffer(FBuffer.get(), Count);
  FStrmPos = FStrm->Position();
  FZRec->next_out = FBuffer.get();
  FZRec->avail_out = BufferSize;
}

void TCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  struct EndDeflate {
    z_stream* Rec;
    ~EndDeflate() { deflateEnd(Rec); }
  } end{FZRec.get()};
  FZRec->next_in = nullptr;
  FZRec->avail_in = 0;
  int code;
  do {
    code = CCheck(deflate(FZRec.get(), Z_FINISH));
    if (FZRec->avail_out == 0) FlushOut(BufferSize);
  } while (code != Z_STREAM_END);
  if (FZRec->avail_out < static_cast<uInt>(BufferSize)) FlushOut(BufferSize - static_cast<int32_t>(FZRec->avail_out));
}

int32_t TCompressionStream::Read(void*, int32_t) { throw ECompressionError(kInvalidOperation); }

int32_t TCompressionStream::Write(const void* Buffer, int32_t Count) {
  if (FFinished) throw ECompressionError(kInvalidOperation);
  if (Count <= 0) return 0;
  FZRec->next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  FZRec->avail_in = static_cast<uInt>(Count);
  while (FZRec->avail_in > 0) {
    CCheck(deflate(FZRec.get(), Z_NO_FLUSH));
    if (FZRec->avail_out == 0) {
      FlushOut(BufferSize);
      Progress(this);
    }
  }
  return Count;
}

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == soCurrent) return static_cast<int64_t>(FZRec->total_in);
  throw ECompressionError(kInvalidOperation);
}

// ---- TDecompressionStream -------------------------------------------------------

TDecompressionStream::TDecompressionStream(TStream* Source) : TCustomZlibStream(Source), FStartPos(FStrmPos) {
  FZRec->next_in = FBuffer.get();
  FZRec->avail_in = 0;
  DCheck(inflateInit_(FZRec.get(), ZLIB_VERSION, static_cast<int>(sizeof(z_stream))));
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(FZRec.get()); }

bool TDecompressionStream::FillInput() {
  RestoreStrmPos();
  const int32_t n = FStrm->Read(FBuffer.get(), BufferSize);
  if (n <= 0) return false;
  FZRec->next_in = FBuffer.get();
  FZRec->avail_in = static_cast<uInt>(n);
  FStrmPos = FStrm->Position();
  Progress(this);
  return true;
}

int32_t TDecompressionStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  FZRec->next_out = static_cast<Bytef*>(Buffer);
  FZRec->avail_out = static_cast<uInt>(Count);
  while (FZRec->avail_out > 0 && !FFinished) {
    if (FZRec->avail_in == 0 && !FillInput()) break;
    const int code = DCheck(inflate(FZRec.get(), Z_NO_FLUSH));
    // No dictionary is ever set: inflate would ask for it again and again.
    if (code == Z_NEED_DICT) throw EDecompressionError("compression error");
    if (code == Z_STREAM_END) FFinished = true;
  }
  return Count - static_cast<int32_t>(FZRec->avail_out);
}

int32_t TDecompressionStream::Write(const void*, int32_t) { throw EDecompressionError(kInvalidOperation); }

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const auto produced = static_cast<int64_t>(FZRec->total_out);
  if (Offset == 0 && Origin == soBeginning) {
    DCheck(inflateReset(FZRec.get()));
    FZRec->next_in = FBuffer.get();
    FZRec->avail_in = 0;
    FFinished = false;
    FStrm->SetPosition(FStartPos);
    FStrmPos = FStartPos;
    return 0;
  }
  if (Origin == soBeginning && Offset > produced) {
    Offset -= produced;
  } else if (!(Origin == soCurrent && Offset >= 0)) {
    throw EDecompressionError(kInvalidOperation);
  }
  uint8_t scratch[BufferSize];
  while (Offset > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(Offset, BufferSize));
    ReadBuffer(scratch, n);
    Offset -= n;
  }
  return static_cast<int64_t>(FZRec->total_out);
}

// ---- Whole streams --------------------------------------------------------------

void CompressStream(TStream* Source, TStream* Target) {
  TCompressionStream zip(TCompressionLevel::clMax, Target);
  Source->SetPosition(0);
  uint8_t buffer[TCustomZlibStream::BufferSize];
  for (int32_t n; (n = Source->Read(buffer, sizeof buffer)) > 0;) zip.WriteBuffer(buffer, n);
  zip.Finish();
}

void DecompressStream(TStream* Target, TStream* Source) {
  Source->SetPosition(0);
  TDecompressionStream unzip(Source);
  uint8_t buffer[TCustomZlibStream::BufferSize];
  int64_t total = 0;
  for (int32_t n; (n = unzip.Read(buffer, sizeof buffer)) > 0;) {
    total += n;
    if (total > bsMaxInflatedSize) throw EDecompressionError("Inflated data exceeds 64 MiB");
    Target->WriteBuffer(buffer, n);
  }
  if (!unzip.Finished()) throw EDecompressionError("Compressed data is incomplete");
}
