// The icon and cursor readers: the first byte picks the reader and the image
// index, the rest is the file.
#include <memory>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/model/containers/iemask.h"

namespace {

int32_t GIndex = 0;

void ReadIco(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  Params.ICOImageIndex = GIndex;
  IEDecodeICO(Stream, Bitmap, Params, Preview, Progress, mask, false);
}
void ReadCur(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  Params.CURImageIndex = GIndex;
  IEDecodeCUR(Stream, Bitmap, Params, Preview, Progress, mask, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  GIndex = data[0] & 0x3F;
  IEFuzzReadProc((data[0] & 0x80) ? ReadCur : ReadIco, data + 1, size - 1);
  return 0;
}
