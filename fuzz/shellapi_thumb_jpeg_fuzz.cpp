// Fuzz target for the JPEG thumbnail decoder: any bytes give a picture that
// fits the box, or none; never a crash or an unbounded allocation.
#include <cstddef>
#include <cstdint>

#include "platform/shellapi/thumbnails.h"

namespace {
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const auto& box : {std::pair<int32_t, int32_t>{100, 75}, {16, 300}}) {
    TThumbImage img;
    if (DecodeJpegThumbnail(data, size, box.first, box.second, img)) {
      Check(img.Width >= 1 && img.Height >= 1 && img.Width <= box.first && img.Height <= box.second);
      Check(img.Bgr.size() == size_t(img.Width) * size_t(img.Height) * 3);
    }
  }
  return 0;
}
