// The body of a reader's fuzz target: arbitrary bytes through a reader in the
// registry's shape, once as a Preview read and once in full. A reader never
// throws for bad data, never reads outside the bytes (they are an
// exact-size copy), leaves the bitmap alone on a Preview read, reports
// percentages within 0..100, and, when it does not set the abort flag,
// delivers a bitmap of the size it states in the record.
//
//   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
//     IEFuzzReadProc(ReadMyFormatForFuzz, data, size);
//     return 0;
//   }
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace fuzzreader {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

struct TRun {
  bool Aborted = false;
};

inline TRun Run(TIEReadProc Read, const std::vector<uint8_t>& Bytes, TIEBitmap& Bitmap, TIOParamsVals& Params,
                bool Preview) {
  TCustomMemoryStream stream;
  stream.SetPointer(Bytes.empty() ? nullptr : Bytes.data(), static_cast<int64_t>(Bytes.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  progress.Event = [](TObject*, int32_t Per) { Check(Per >= 0 && Per <= 100); };
  try {
    Read(&stream, &Bitmap, Params, progress, Preview);
  } catch (...) {
    Check(false);  // bad data is reported through the flag, never thrown
  }
  return TRun{abort.load()};
}

}  // namespace fuzzreader

// Whether an input makes its full read whatever size it declares: one input
// in eight, chosen by a hash of its bytes. Those reach the library's own
// limit and the readers' checks of a size against their data; libFuzzer's
// -rss_limit_mb bounds what they may cost. A seed with a large declared size
// is padded until it is chosen.
inline bool IEFuzzUncapped(const uint8_t* Data, size_t Size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < Size; ++i) h = (h ^ Data[i]) * 16777619u;
  return (h & 7) == 0;
}

// MaxPixels bounds the full read of most inputs by the size the Preview read
// announced, so that runs stay fast; the inputs IEFuzzUncapped chooses have
// no bound but the library's.
inline void IEFuzzReadProc(TIEReadProc Read, const uint8_t* Data, size_t Size, int64_t MaxPixels = int64_t(1) << 22) {
  using namespace fuzzreader;
  const std::vector<uint8_t> bytes(Data, Data + Size);

  TIEBitmap sentinel;
  sentinel.Allocate(1, 1, TIEPixelFormat::ie24RGB);
  std::memset(sentinel.ScanLine(0), 0x5A, 3);
  TIOParamsVals header;
  const TRun preview = Run(Read, bytes, sentinel, header, true);
  const auto* px = static_cast<const uint8_t*>(sentinel.ScanLine(0));
  Check(sentinel.Width() == 1 && sentinel.Height() == 1 && px[0] == 0x5A && px[1] == 0x5A && px[2] == 0x5A);
  if (preview.Aborted) return;
  if (header.Width <= 0 || header.Height <= 0) return;
  if (int64_t(header.Width) * header.Height > MaxPixels && !IEFuzzUncapped(Data, Size)) return;

  TIEBitmap bitmap;
  TIOParamsVals params;
  const TRun full = Run(Read, bytes, bitmap, params, false);
  if (!full.Aborted && !bitmap.IsEmpty()) Check(bitmap.Width() == params.Width && bitmap.Height() == params.Height);
}
