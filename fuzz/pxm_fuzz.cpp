// The PBM/PGM/PPM reader, as a Preview read and in full; the first byte sets
// NativePixelFormat.
#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/pnm/iepxm.h"

namespace {

bool GNative = false;

void ReadPxm(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  Params.NativePixelFormat = GNative;
  IEDecodePXM(Stream, Bitmap, Params, Progress, Preview);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  GNative = (data[0] & 1) != 0;
  IEFuzzReadProc(ReadPxm, data + 1, size - 1);
  return 0;
}
