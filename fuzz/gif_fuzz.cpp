// The GIF reader over arbitrary bytes, as a Preview read and in full (with
// and without the mask), then the frame scanner on a temporary copy of the
// input, rewriting it without its first frame.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/model/containers/iemask.h"
#include "platform/rtl/exceptions.h"

namespace {

void ReadGif(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  int32_t frames = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeGIF(Stream, Bitmap, frames, Params, Progress, Preview, mask, false);
  if (mask) fuzzreader::Check(mask->Width() == Params.Width && mask->Height() == Params.Height);
}

void ReadGifNoMask(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   bool Preview) {
  int32_t frames = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeGIF(Stream, Bitmap, frames, Params, Progress, Preview, mask, true);
  fuzzreader::Check(!mask);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEInitImageIO();
  IEFuzzReadProc(ReadGif, data, size);
  IEFuzzReadProc(ReadGifNoMask, data, size);

  char path[] = "/tmp/gif_fuzz_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  const bool written = size == 0 || write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    try {
      const int32_t frames = IEScanGIFFrames(path, -1, false);
      fuzzreader::Check(frames >= 0);
      if (frames > 0) {
        IEScanGIFFrames(path, 0, true);
        fuzzreader::Check(IEScanGIFFrames(path, -1, false) <= frames);
      }
    } catch (const Exception&) {
    }
  }
  unlink(path);
  return 0;
}
