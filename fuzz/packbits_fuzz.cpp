// Fuzz target for the PackBits unpacker: the first four bytes give the
// packed and unpacked sizes, the rest is the packed data. Both buffers have
// exactly the sizes given, so any read or write past them is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/codecs/psd/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::vector<uint8_t> packed(data + 4, data + size);
  const int32_t packedSize = int32_t((data[0] << 8 | data[1]) % (packed.size() + 1));
  const int32_t unpackedSize = int32_t(data[2] << 8 | data[3]);
  std::vector<uint8_t> source(packed.begin(), packed.begin() + packedSize);
  std::vector<uint8_t> dest(static_cast<size_t>(unpackedSize));
  TPackbitsRLEDecoder decoder;
  decoder.Unpack(source.data(), dest.data(), packedSize, unpackedSize);
  return 0;
}
