// Fuzz target for the TGA reader and its header test: every input through
// the full and the header-only read, with alpha and with alpha ignored.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/model/containers/iemask.h"

namespace {

void ReadTga(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  const int64_t start = Stream->Position();
  IETestTGA(Stream);
  fuzzreader::Check(Stream->Position() == start);
  std::unique_ptr<TIEMask> mask;
  IEDecodeTGA(Stream, Bitmap, Params, Progress, Preview, mask, false);
  if (mask) fuzzreader::Check(mask->Width() == Bitmap->Width() && mask->Height() == Bitmap->Height());
}

void ReadTgaNoAlpha(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                    bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeTGA(Stream, Bitmap, Params, Progress, Preview, mask, true);
  fuzzreader::Check(mask == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(ReadTga, data, size);
  IEFuzzReadProc(ReadTgaNoAlpha, data, size);
  return 0;
}
