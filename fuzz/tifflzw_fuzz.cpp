// Fuzz target for the TIFF LZW decoder: the first two bytes give the row
// length (1..8192) and the rest is one strip. Rows are decoded from an
// exact-size copy until the decoder refuses the stream; the rows it gave
// survive a round trip through the encoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Rows enough for what an input of that size usually expands to; after an
// end code the decoder gives zero rows without end.
int64_t MaxOutput(size_t inputBytes) { return std::min<int64_t>(int64_t(1) << 18, 512 * (int64_t(inputBytes) + 1)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t rowLength = 1 + ((data[0] | (data[1] << 8)) & 0x1FFF);
  const size_t n = size - 2;
  const auto source = std::make_unique<uint8_t[]>(n + 1);
  std::memcpy(source.get(), data + 2, n);

  std::vector<uint8_t> decoded;
  TIELZWDecoderState* state = nullptr;
  int32_t rows = 0;
  const int64_t maxOutput = MaxOutput(n);
  while (int64_t(decoded.size()) + rowLength <= maxOutput) {
    const uint8_t* row = IETIFFLZWDecode(source.get(), static_cast<int64_t>(n), rowLength, state);
    if (row == nullptr) break;
    decoded.insert(decoded.end(), row, row + rowLength);
    ++rows;
  }
  IETIFFLZWDecode(nullptr, 0, 0, state);
  Check(state == nullptr);
  if (rows == 0) return 0;

  TMemoryStream s;
  TIELZWEncoderState* encoder = nullptr;
  for (int32_t y = 0; y < rows; ++y) IETIFFLZWEncode(decoded.data() + int64_t(y) * rowLength, rowLength, &s, encoder);
  IETIFFLZWEncode(nullptr, 0, &s, encoder);
  Check(encoder == nullptr);
  const auto* coded = static_cast<const uint8_t*>(s.Memory());
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = IETIFFLZWDecode(coded, s.Size(), rowLength, state);
    Check(row != nullptr &&
          std::memcmp(row, decoded.data() + int64_t(y) * rowLength, static_cast<size_t>(rowLength)) == 0);
  }
  IETIFFLZWDecode(nullptr, 0, 0, state);
  return 0;
}
