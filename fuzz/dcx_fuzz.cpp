// The DCX reader over arbitrary bytes (every page index the table may hold,
// through DCXImageIndex taken from the first byte), and inserting a page
// into the input as a container.
#include <atomic>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/pcx/iepcx.h"

namespace {

int32_t GIndex = 0;

void ReadDcx(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  Params.DCXImageIndex = GIndex;
  IEDecodeDCX(Stream, Bitmap, Params, Progress, Preview);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  GIndex = static_cast<int8_t>(data[0]);
  IEFuzzReadProc(ReadDcx, data + 1, size - 1);

  if (size < 4096) {
    TMemoryStream s;
    if (size > 1) s.WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
    TIEBitmap page;
    page.Allocate(3, 2, TIEPixelFormat::ie24RGB);
    TIOParamsVals params;
    params.DCXImageIndex = GIndex;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    IEEncodeDCX(&s, &page, params, progress);
    s.Seek(0, soBeginning);
    if (!abort.load() && !IETestDCX(&s)) __builtin_trap();
  }
  return 0;
}
