// Fuzz target for the BMP reader: every input through the full and the
// header-only read, once delivering true colour and once the file's own
// pixel format. Inputs also serve as a row of indexes for the run-length
// row encoders, whose output the decoders must turn back into that row.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/model/containers/iemask.h"

namespace {

void ReadBmp(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeBMP(Stream, Bitmap, 0, Params, Progress, Preview, false, mask, false);
  if (mask) fuzzreader::Check(mask->Width() == Bitmap->Width() && mask->Height() == Bitmap->Height());
}

void ReadBmpNative(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   bool Preview) {
  Params.NativePixelFormat = true;
  std::unique_ptr<TIEMask> mask;
  IEDecodeBMP(Stream, Bitmap, 0, Params, Progress, Preview, false, mask, true);
}

void RoundTripRow(const uint8_t* Data, size_t Size, bool Rle8) {
  const auto count = static_cast<int32_t>(std::min<size_t>(Size, 4096));
  if (count == 0) return;
  std::vector<uint8_t> row(Data, Data + count);
  if (!Rle8)
    for (uint8_t& v : row) v &= 0x0F;
  std::vector<uint8_t> packed(static_cast<size_t>(IEBMPRLERowBound(count)));
  const int32_t n = Rle8 ? IEEncodeBMPRLE8Row(row.data(), count, packed.data())
                         : IEEncodeBMPRLE4Row(row.data(), count, packed.data());
  fuzzreader::Check(n > 0 && n <= static_cast<int32_t>(packed.size()));
  TIEBitmap bitmap;
  bitmap.Allocate(count, 1, TIEPixelFormat::ie8p);
  TIECodecProgress progress;
  std::atomic<bool> abort{false};
  progress.AbortFlag = &abort;
  TRGB palette[256] = {};
  const bool complete = Rle8 ? IEDecodeBMPRLE8Native(&bitmap, packed.data(), n, 0, progress, palette)
                             : IEDecodeBMPRLE4Native(&bitmap, packed.data(), n, 0, progress, palette);
  fuzzreader::Check(complete);
  fuzzreader::Check(std::memcmp(bitmap.ScanLine(0), row.data(), row.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(ReadBmp, data, size);
  IEFuzzReadProc(ReadBmpNative, data, size);
  RoundTripRow(data, size, true);
  RoundTripRow(data, size, false);
  return 0;
}
