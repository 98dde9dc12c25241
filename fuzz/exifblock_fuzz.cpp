// The EXIF block parser over arbitrary bytes as an APP1 payload. It never
// throws, never reads outside the bytes, and leaves the record alone for a
// payload that is not "Exif", a zero byte, a byte and a TIFF header.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEInitImageIO();  // the LZW hooks, as in the program
  if (size > (1u << 20)) return 0;
  const std::vector<uint8_t> bytes(data, data + size);  // exact size: reads past it are caught
  TIOParamsVals params;
  params.EXIFMake = "sentinel";
  bool loaded = true;
  try {
    loaded = IELoadEXIFFromBlock(bytes.data(), static_cast<int32_t>(bytes.size()), params);
  } catch (...) {
    Check(false);
  }
  const bool shaped = size >= 14 && std::memcmp(data, "Exif\0", 5) == 0 &&
                      ((data[6] == 'I' && data[7] == 'I') || (data[6] == 'M' && data[7] == 'M'));
  if (!shaped) Check(!loaded && !params.HasEXIFData && !params.EXIFThumbnail && params.EXIFMake == "sentinel");
  if (!loaded) return 0;
  Check(params.HasEXIFData);
  Check(params.EXIFThumbnail != nullptr);
  if (!params.EXIFThumbnail->IsEmpty()) Check(params.EXIFThumbnail->Width() > 0 && params.EXIFThumbnail->Height() > 0);
  return 0;
}
