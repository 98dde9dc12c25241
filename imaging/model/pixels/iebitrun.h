// Bits of 1-bit rows: bit N is bit 7 - N mod 8 of byte N div 8 (the leftmost
// pixel is the most significant bit).
#pragma once

#include <cstdint>

inline bool GetBit(const uint8_t* Row, int32_t N) { return (Row[N >> 3] & (0x80u >> (N & 7))) != 0; }

inline void SetBit(uint8_t* Row, int32_t N, bool Value) {
  const auto mask = static_cast<uint8_t>(0x80u >> (N & 7));
  if (Value)
    Row[N >> 3] |= mask;
  else
    Row[N >> 3] &= static_cast<uint8_t>(~mask);
}

// Copies Count bits of Source from bit SourceBit to Dest from bit DestBit;
// every other bit of Dest keeps its value. Source holds SourceBytes bytes:
// only its bytes SourceBit div 8 .. SourceBytes - 1 are read, and bits of the
// run beyond them are copied as 0. Nothing when Count < 1, DestBit < 0 or
// SourceBit < 0. Source and Dest must not overlap.
void CopyBitRun(uint8_t* Dest, const uint8_t* Source, int32_t DestBit, int32_t SourceBytes, int32_t Count,
                int32_t SourceBit);
