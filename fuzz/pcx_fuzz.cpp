// The PCX reader with a DataSize taken from the input (so that it may lie
// about the bytes present), as a Preview read and in full.
#include <cstring>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/pcx/iepcx.h"

namespace {

int64_t GDataSize = 0;

void ReadPcx(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  IEDecodePCX(Stream, Bitmap, Params, GDataSize, Progress, Preview);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  int32_t claimed = 0;
  std::memcpy(&claimed, data, 4);
  // Mostly the real size, sometimes any value at all.
  GDataSize = (claimed & 1) ? static_cast<int64_t>(claimed) : static_cast<int64_t>(size - 4);
  IEFuzzReadProc(ReadPcx, data + 4, size - 4);
  return 0;
}
