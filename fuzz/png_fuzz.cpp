// Fuzz target for the PNG reader: every input through the full and the
// header-only read, with a mask and with transparency composited away, and
// once in the file's own 8-bit layout.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/model/containers/iemask.h"

namespace {

void ReadPng(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodePNG(Stream, Bitmap, Params, Progress, Preview, mask, Preview);
  if (mask) fuzzreader::Check(mask->Width() == Bitmap->Width() && mask->Height() == Bitmap->Height());
}

void ReadPngFlat(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  Params.NativePixelFormat = true;
  std::unique_ptr<TIEMask> mask;
  IEDecodePNG(Stream, Bitmap, Params, Progress, Preview, mask, true);
  fuzzreader::Check(mask == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(ReadPng, data, size);
  IEFuzzReadProc(ReadPngFlat, data, size);
  return 0;
}
