// Fuzz target for the packed-DIB reader: arbitrary bytes through
// DIBToIEBitmap, once as a whole DIB and once with the pixel data apart from
// the header. A read never leaves the buffer; what is read has the header's
// width and height, and survives IEBitmapToDIB and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_reader.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}

// The reader accepts images up to the pixel buffer's limit; most runs stay
// fast with pictures of a few million pixels, the chosen ones read any size.
constexpr int64_t kMaxPixels = int64_t(1) << 22;

void ReadAndCheck(const uint8_t* data, size_t size, const uint8_t* bits, size_t bitsSize) {
  TIEBitmap b;
  b.SetMemoryThreshold(INT32_MAX);
  const int32_t result = DIBToIEBitmap(data, size, &b, bits, bitsSize);
  if (size < 40) {
    Check(result == 0 && b.IsEmpty());
    return;
  }
  Check(result == (data[14] | (data[15] << 8)));
  if (b.IsEmpty()) return;
  const int64_t h = Le32(data + 8);
  Check(b.Width() == Le32(data + 4) && b.Height() == (h < 0 ? -h : h));
  // 1-bit rows stay 1-bit; everything else, YUV frames of any bit count included, is 24-bit.
  Check(b.PixelFormat() == TIEPixelFormat::ie24RGB || (b.PixelFormat() == TIEPixelFormat::ie1g && result == 1));
  uint32_t sum = 0;
  for (int32_t y = 0; y < b.Height(); ++y) sum += static_cast<const uint8_t*>(b.ScanLine(y))[b.RowLen() - 1];
  Check(sum <= 255u * uint32_t(b.Height()));
  if (int64_t(b.Width()) * b.Height() > 65536) return;
  const std::vector<uint8_t> dib = IEBitmapToDIB(&b);
  TIEBitmap again;
  again.SetMemoryThreshold(INT32_MAX);
  DIBToIEBitmap(dib, &again);
  Check(again.Width() == b.Width() && again.Height() == b.Height() && again.PixelFormat() == b.PixelFormat());
  // 1-bit rows are compared up to their last pixel, not their padding bits.
  const bool oneBit = b.PixelFormat() == TIEPixelFormat::ie1g;
  const size_t bytes = oneBit ? size_t(b.Width()) / 8 : size_t(b.Width()) * 3;
  const auto restMask = static_cast<uint8_t>(0xFF00u >> (oneBit ? b.Width() % 8 : 0));
  for (int32_t y = 0; y < b.Height(); ++y) {
    const auto* s = static_cast<const uint8_t*>(b.ScanLine(y));
    const auto* d = static_cast<const uint8_t*>(again.ScanLine(y));
    Check(std::memcmp(d, s, bytes) == 0);
    if (restMask != 0) Check(((d[bytes] ^ s[bytes]) & restMask) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 40) {
    const int64_t w = Le32(data + 4), h = Le32(data + 8);
    if (w * (h < 0 ? -h : h) > kMaxPixels && !IEFuzzUncapped(data, size)) return 0;
  }
  // Exact-size copies, so that a read past the end is caught.
  const std::vector<uint8_t> whole(data, data + size);
  ReadAndCheck(whole.data(), whole.size(), nullptr, 0);
  if (size > 40) {
    const std::vector<uint8_t> header(data, data + 40);
    const std::vector<uint8_t> pixels(data + 40, data + size);
    ReadAndCheck(header.data(), header.size(), pixels.data(), pixels.size());
  }
  return 0;
}
