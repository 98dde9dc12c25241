// The TIFF reader over arbitrary bytes: the page count, both content tests,
// a parameters-only read and a full decode of the page chosen by the first
// byte, natively and as 24-bit, with the alpha mask. Nothing may throw, read
// outside the bytes, or deliver a bitmap of another size than the record's.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Read(const std::vector<uint8_t>& bytes, int32_t page, bool paramsOnly, bool native, bool thumbnail,
          TIOParamsVals& params, TIEBitmap& bitmap, std::unique_ptr<TIEMask>& mask) {
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  progress.Event = [](TObject*, int32_t per) { Check(per >= 0 && per <= 100); };
  params.TIFFImageIndex = page;
  params.NativePixelFormat = native;
  params.TIFFAdjustOrientation = native;
  int32_t pages = 0;
  try {
    IEDecodeTIFF(&bitmap, &stream, pages, &params, progress, paramsOnly, mask, true, false, thumbnail);
  } catch (...) {
    Check(false);
  }
  return abort.load();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  IEInstallTIFFLZWHooks();
  const int32_t page = data[0] & 3;
  const uint8_t mode = data[0] >> 2;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  {
    TCustomMemoryStream stream;
    stream.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
    const int32_t pages = IETIFFPageCount(&stream);
    Check(pages >= 0);
    stream.SetPosition(0);
    IETestTIFF(&stream);
    Check(stream.Position() == 0);
    IETestDNG(&stream);
    Check(stream.Position() == 0);
  }
  TIOParamsVals header;
  TIEBitmap none;
  std::unique_ptr<TIEMask> noMask;
  const bool thumbnail = (mode & 4) != 0;
  if (Read(bytes, page, true, false, thumbnail, header, none, noMask)) return 0;
  Check(none.IsEmpty());
  // Keep most runs fast; the inputs IEFuzzUncapped chooses read any size.
  if (int64_t(header.Width) * header.Height > (int64_t(1) << 22) && !IEFuzzUncapped(data, size)) return 0;

  TIOParamsVals params;
  TIEBitmap bitmap;
  std::unique_ptr<TIEMask> mask;
  const bool native = (mode & 1) != 0;
  const bool aborted = Read(bytes, page, false, native, thumbnail, params, bitmap, mask);
  if (!aborted && !bitmap.IsEmpty() && !thumbnail && !params.TIFFAdjustOrientation)
    Check(bitmap.Width() == params.Width && bitmap.Height() == params.Height);
  if (!aborted && mask && !bitmap.IsEmpty() && !thumbnail)
    Check(mask->Width() == bitmap.Width() && mask->Height() == bitmap.Height());
  return 0;
}
