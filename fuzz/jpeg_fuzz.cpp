// Fuzz target for the JPEG codec: arbitrary bytes through the reader (a
// parameters-only and a full read, then an automatically scaled read with a
// wanted size), and through the quality estimate, the stream length and the
// ICC profile scan, which must leave the stream where they found it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

void ReadJpeg(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  IEDecodeJPEG(Stream, nullptr, Bitmap, Params, Progress, Preview, false, true, false, true);
}

// Small images only: a full read of a large one proves nothing more and
// would slow the run down.
constexpr int64_t kMaxPixels = int64_t(1) << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(ReadJpeg, data, size, kMaxPixels);

  TCustomMemoryStream stream;
  stream.SetPointer(data, static_cast<int64_t>(size));

  // Automatic scale with a wanted size: the delivered size is the record's.
  {
    TIOParamsVals header;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    TIEBitmap bitmap;
    IEDecodeJPEG(&stream, nullptr, &bitmap, header, progress, true, false, false, false, true);
    if (!abort && int64_t(header.JPEGOriginalWidth) * header.JPEGOriginalHeight <= kMaxPixels * 16) {
      TIOParamsVals params;
      params.JPEGScale = TIEJPEGScale::jsAuto;
      params.Width = header.JPEGOriginalWidth / 5 + 1;
      params.Height = header.JPEGOriginalHeight / 3 + 1;
      stream.SetPosition(0);
      abort = false;
      IEDecodeJPEG(&stream, nullptr, &bitmap, params, progress, false, false, true, false, true);
      if (!abort) fuzzreader::Check(bitmap.Width() == params.Width && bitmap.Height() == params.Height);
    }
  }

  stream.SetPosition(1);
  std::vector<int32_t> qualities;
  const int32_t count = IEJPEGTableQualities(&stream, qualities);
  fuzzreader::Check(count >= 0 && count <= 15 && count == static_cast<int32_t>(qualities.size()));
  fuzzreader::Check(stream.Position() == 1);

  stream.SetPosition(0);
  const int64_t length = IEJPEGStreamLength(&stream);
  fuzzreader::Check(length >= 0 && length <= static_cast<int64_t>(size));
  fuzzreader::Check(stream.Position() == 0);

  TIOParamsVals params;
  IEReadJPEGICCProfile(&stream, params);
  fuzzreader::Check(stream.Position() == 0);
  return 0;
}
