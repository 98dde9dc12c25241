// The GIF LZW decoder alone: the first input bytes choose the frame size and
// interlace, the rest is the code size and the sub-blocks. The decoder never
// writes outside Width × Height bytes and leaves the stream at its start or
// within the data.
#include <cstring>
#include <vector>

#include "imaging/io/codecs/gif/lzw/iegiflzw.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t width = data[0] % 64;
  const int32_t height = data[1] % 64;
  const bool interlaced = data[2] & 1;
  std::vector<uint8_t> rest(data + 3, data + size);
  TCustomMemoryStream s;
  s.SetPointer(rest.data(), static_cast<int64_t>(rest.size()));
  // An exact-size heap block: ASan reports any write outside it.
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  IEGIFLZWDecode(&s, height, width, interlaced, pixels.empty() ? nullptr : pixels.data());
  if (s.Position() < 0 || s.Position() > static_cast<int64_t>(rest.size())) __builtin_trap();
  return 0;
}
