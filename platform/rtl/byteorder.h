// Byte-order reads and writes of 16- and 32-bit values in byte buffers:
// little-endian (LE), big-endian (BE), or either as the data says (Ordered).
// Put writes in place; Append adds to the end of a byte vector.
#pragma once

#include <cstdint>
#include <vector>

inline uint16_t GetLE16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
inline uint32_t GetLE32(const uint8_t* P) {
  return uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}
inline uint16_t GetBE16(const uint8_t* P) { return static_cast<uint16_t>((P[0] << 8) | P[1]); }
inline uint32_t GetBE32(const uint8_t* P) {
  return (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | uint32_t(P[3]);
}
inline uint16_t GetOrdered16(const uint8_t* P, bool LittleEndian) { return LittleEndian ? GetLE16(P) : GetBE16(P); }
inline uint32_t GetOrdered32(const uint8_t* P, bool LittleEndian) { return LittleEndian ? GetLE32(P) : GetBE32(P); }

inline void PutLE16(uint8_t* P, uint16_t V) {
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
}
inline void PutLE32(uint8_t* P, uint32_t V) {
  for (int i = 0; i < 4; ++i) P[i] = static_cast<uint8_t>(V >> (8 * i));
}
inline void PutBE16(uint8_t* P, uint16_t V) {
  P[0] = static_cast<uint8_t>(V >> 8);
  P[1] = static_cast<uint8_t>(V);
}
inline void PutBE32(uint8_t* P, uint32_t V) {
  for (int i = 0; i < 4; ++i) P[i] = static_cast<uint8_t>(V >> (24 - 8 * i));
}

inline void AppendLE16(std::vector<uint8_t>& B, uint16_t V) {
  B.push_back(static_cast<uint8_t>(V));
  B.push_back(static_cast<uint8_t>(V >> 8));
}
inline void AppendLE32(std::vector<uint8_t>& B, uint32_t V) {
  for (int i = 0; i < 4; ++i) B.push_back(static_cast<uint8_t>(V >> (8 * i)));
}
inline void AppendBE16(std::vector<uint8_t>& B, uint16_t V) {
  B.push_back(static_cast<uint8_t>(V >> 8));
  B.push_back(static_cast<uint8_t>(V));
}
inline void AppendBE32(std::vector<uint8_t>& B, uint32_t V) {
  for (int i = 0; i < 4; ++i) B.push_back(static_cast<uint8_t>(V >> (24 - 8 * i)));
}
