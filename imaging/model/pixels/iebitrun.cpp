#include "imaging/model/pixels/iebitrun.h"

void CopyBitRun(uint8_t* Dest, const uint8_t* Source, int32_t DestBit, int32_t SourceBytes, int32_t Count,
                int32_t SourceBit) {
  if (Count < 1 || DestBit < 0 || SourceBit < 0) return;
  const int64_t first = SourceBit >> 3;  // the readable bytes are first .. limit - 1
  const int64_t limit = SourceBytes;
  auto fetch = [=](int64_t i) -> uint32_t { return i >= first && i < limit ? Source[i] : 0u; };
  const int64_t runStart = DestBit, runEnd = int64_t{DestBit} + Count;
  const int64_t delta = int64_t{SourceBit} - DestBit;  // source bit of a destination bit
  const int64_t lastByte = (runEnd - 1) >> 3;
  for (int64_t j = runStart >> 3; j <= lastByte; ++j) {
    // The 8 source bits that land in destination byte j. p >= SourceBit - 7,
    // so p >> 3 >= -1: such a byte is never read, its bits are masked off.
    const int64_t p = j * 8 + delta;
    const int64_t i = p >> 3;
    const uint32_t shift = static_cast<uint32_t>(p & 7);
    uint32_t bits = fetch(i);
    if (shift != 0) bits = ((bits << 8) | fetch(i + 1)) >> (8 - shift);
    const int64_t lo = runStart > j * 8 ? runStart - j * 8 : 0;
    const int64_t hi = runEnd < j * 8 + 8 ? runEnd - j * 8 : 8;
    const uint32_t mask = (0xFFu >> lo) & (0xFFu << (8 - hi));
    Dest[j] = static_cast<uint8_t>((Dest[j] & ~mask) | (bits & mask));
  }
}
