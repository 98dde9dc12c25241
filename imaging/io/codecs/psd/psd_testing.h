// Builds small PSD files for the tests: the header, the three sections and
// the merged image, raw or PackBits (literal runs).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace psdtest {

struct TPsdFile {
  std::string Signature = "8BPS";
  uint16_t Version = 1;
  uint16_t Channels = 3;
  int32_t Width = 1;
  int32_t Height = 1;
  uint16_t Depth = 8;
  uint16_t Mode = 3;
  std::vector<uint8_t> ModeData;
  std::vector<uint8_t> Resources;
  std::vector<uint8_t> Layers;
  uint16_t Compression = 0;  // 0 raw, 1 PackBits, 2/3 zip
  // Per channel, the stored rows one after the other (RowBytes each).
  std::vector<std::vector<uint8_t>> Planes;
};

inline int32_t RowBytes(const TPsdFile& F) { return (F.Width * F.Depth + 7) / 8; }

inline void Put16(std::vector<uint8_t>& B, uint32_t V) {
  B.push_back(uint8_t(V >> 8));
  B.push_back(uint8_t(V));
}
inline void Put32(std::vector<uint8_t>& B, uint32_t V) {
  Put16(B, V >> 16);
  Put16(B, V & 0xFFFF);
}

// PackBits of one row as literal runs of at most 128 bytes.
inline std::vector<uint8_t> PackRow(const uint8_t* Row, int32_t Count) {
  std::vector<uint8_t> out;
  for (int32_t i = 0; i < Count; i += 128) {
    const int32_t n = Count - i < 128 ? Count - i : 128;
    out.push_back(uint8_t(n - 1));
    out.insert(out.end(), Row + i, Row + i + n);
  }
  return out;
}

inline std::vector<uint8_t> BuildPsd(const TPsdFile& F) {
  std::vector<uint8_t> b(F.Signature.begin(), F.Signature.end());
  Put16(b, F.Version);
  b.insert(b.end(), 6, 0);
  Put16(b, F.Channels);
  Put32(b, uint32_t(F.Height));
  Put32(b, uint32_t(F.Width));
  Put16(b, F.Depth);
  Put16(b, F.Mode);
  for (const auto* section : {&F.ModeData, &F.Resources, &F.Layers}) {
    Put32(b, uint32_t(section->size()));
    b.insert(b.end(), section->begin(), section->end());
  }
  Put16(b, F.Compression);
  const int32_t rb = RowBytes(F);
  if (F.Compression == 1) {
    std::vector<uint8_t> data;
    for (const auto& plane : F.Planes)
      for (int32_t r = 0; r < F.Height; ++r) {
        const std::vector<uint8_t> packed = PackRow(plane.data() + size_t(r) * size_t(rb), rb);
        Put16(b, uint32_t(packed.size()));
        data.insert(data.end(), packed.begin(), packed.end());
      }
    b.insert(b.end(), data.begin(), data.end());
  } else {
    for (const auto& plane : F.Planes) b.insert(b.end(), plane.begin(), plane.end());
  }
  return b;
}

}  // namespace psdtest
