// Fuzz target for the PNG thumbnail decoder with the text chunks the cache
// check reads (before and after the image data).
#include <cstddef>
#include <cstdint>
#include <map>

#include "platform/shellapi/thumbnails.h"

namespace {
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::map<String, String> texts;
  TThumbImage img;
  if (DecodePngThumbnail(data, size, 128, 128, img, &texts)) {
    Check(img.Width >= 1 && img.Height >= 1 && img.Width <= 128 && img.Height <= 128);
    Check(img.Bgr.size() == size_t(img.Width) * size_t(img.Height) * 3);
    const bool cached = texts.count("Thumb::URI") && texts["Thumb::URI"].compare(0, 7, "file://") == 0;
    (void)cached;
  }
  TThumbImage plain;
  DecodePngThumbnail(data, size, 100, 75, plain);
  return 0;
}
