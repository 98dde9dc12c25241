// Fuzz target for the CCITT decoders: the first two bytes give the width
// (1..4096), the third the fill order (bit 0) and the rest is the coded data.
// Every decoder reads as many rows as it can from an exact-size copy; bit
// positions stay inside the data and every row call advances or stops. The
// rows a decoder produced survive a Group 4 round trip through the encoder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/codecs/tiff/ieccitt.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr int32_t kMaxRows = 64;

using TRows = std::vector<std::vector<uint8_t>>;

// Each row's pixels beyond the width are white in the decoders' output, so
// whole rows compare.
void RoundTrip(const TRows& rows, int32_t width) {
  TMemoryStream s;
  bool abort = false;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  std::unique_ptr<uint8_t[]> ref;
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> inv(rowBytes);
  for (const auto& row : rows) {
    for (size_t i = 0; i < rowBytes; ++i) inv[i] = static_cast<uint8_t>(~row[i]);
    IECCITTEncodeG4Row(inv.data(), width, &s, 1, abort, ref, pendingBits, pendingByte);
  }
  IECCITTEncodeG4Row(nullptr, width, &s, 1, abort, ref, pendingBits, pendingByte);
  Check(!abort && pendingBits == 0 && !ref);
  const auto* data = static_cast<const uint8_t*>(s.Memory());
  const auto size = static_cast<int32_t>(s.Size());
  std::vector<uint8_t> refLine(rowBytes, 0xFF), row(rowBytes);
  int32_t bit = 0;
  for (const auto& expected : rows) {
    bit = IECCITTDecode2DRow(row.data(), data, size, false, 1, bit, refLine.data(), width);
    Check(row == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t width = 1 + ((data[0] | (data[1] << 8)) & 0xFFF);
  const int32_t fillOrder = (data[2] & 1) ? 2 : 1;
  const auto n = static_cast<int32_t>(size - 3);
  const auto source = std::make_unique<uint8_t[]>(static_cast<size_t>(n) + 1);
  std::memcpy(source.get(), data + 3, static_cast<size_t>(n));
  const uint8_t* src = source.get();
  const int64_t limit = int64_t(n) * 8;
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;

  // Modified Huffman: whole bytes per row.
  {
    std::vector<uint8_t> row(rowBytes);
    int32_t offset = 0;
    for (int32_t y = 0; y < kMaxRows && offset < n; ++y) {
      const int32_t used = IECCITTDecodeMHRow(row.data(), src + offset, n - offset, fillOrder, width);
      Check(used >= 0 && used <= n - offset);
      if (used == 0) break;
      offset += used;
    }
  }
  // One-dimensional rows and both two-dimensional forms.
  for (int kind = 0; kind < 3; ++kind) {
    TRows rows;
    std::vector<uint8_t> ref(rowBytes, 0xFF), row(rowBytes);
    int32_t bit = 0;
    for (int32_t y = 0; y < kMaxRows && bit < limit; ++y) {
      const int32_t next = kind == 0
                               ? IECCITTDecode1DRow(row.data(), src, n, fillOrder, bit, width)
                               : IECCITTDecode2DRow(row.data(), src, n, kind == 1, fillOrder, bit, ref.data(), width);
      Check(next >= bit && next <= limit);
      rows.push_back(row);
      if (next == bit) break;
      bit = next;
    }
    if (kind == 2) RoundTrip(rows, width);
  }
  return 0;
}
