// BMP files built from their parts, for the reader's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/io/codecs/bmp/raster_testing.h"
#include "imaging/model/pixels/iedefs.h"

namespace rastertest {

inline void Put16(Bytes& B, size_t At, uint32_t V) {
  B[At] = static_cast<uint8_t>(V);
  B[At + 1] = static_cast<uint8_t>(V >> 8);
}
inline void Put32(Bytes& B, size_t At, uint32_t V) {
  Put16(B, At, V);
  Put16(B, At + 2, V >> 16);
}

// A BMP file from its parts. Rows are given as stored (bottom row first for
// a positive height) and padded here to 4 bytes, unless Raw holds the whole
// pixel data as it is (run-length data).
struct TBmpSpec {
  int32_t Width = 2;
  int32_t Height = 2;
  int32_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t HeaderSize = 40;
  uint32_t ClrUsed = 0;
  std::vector<TRGB> Palette;            // written as the colour table
  std::vector<uint32_t> TrailingMasks;  // after a 40-byte header, before the colour table
  std::vector<uint32_t> HeaderMasks;    // at bytes 40..55 of a long header
  std::vector<Bytes> Rows;
  Bytes Raw;
  int32_t PelsPerMeter = 0;
};

inline Bytes MakeBmp(const TBmpSpec& S) {
  Bytes info(S.HeaderSize, 0);
  Put32(info, 0, S.HeaderSize);
  const bool core = S.HeaderSize == 12;
  if (core) {
    Put16(info, 4, static_cast<uint32_t>(S.Width));
    Put16(info, 6, static_cast<uint32_t>(S.Height));
    Put16(info, 8, 1);
    Put16(info, 10, static_cast<uint32_t>(S.Bits));
  } else {
    Put32(info, 4, static_cast<uint32_t>(S.Width));
    Put32(info, 8, static_cast<uint32_t>(S.Height));
    Put16(info, 12, 1);
    Put16(info, 14, static_cast<uint32_t>(S.Bits));
    Put32(info, 16, S.Compression);
    Put32(info, 24, static_cast<uint32_t>(S.PelsPerMeter));
    Put32(info, 28, static_cast<uint32_t>(S.PelsPerMeter));
    Put32(info, 32, S.ClrUsed);
    for (size_t i = 0; i < S.HeaderMasks.size(); ++i) Put32(info, 40 + 4 * i, S.HeaderMasks[i]);
  }
  Bytes table;
  for (uint32_t m : S.TrailingMasks)
    table.insert(table.end(), {uint8_t(m), uint8_t(m >> 8), uint8_t(m >> 16), uint8_t(m >> 24)});
  for (const TRGB& c : S.Palette) {
    table.insert(table.end(), {c.b, c.g, c.r});
    if (!core) table.push_back(0);
  }
  Bytes pixels = S.Raw;
  for (Bytes row : S.Rows) {
    row.resize((row.size() + 3) / 4 * 4, 0);
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  Bytes file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  const size_t offBits = 14 + info.size() + table.size();
  Put32(file, 2, static_cast<uint32_t>(offBits + pixels.size()));
  Put32(file, 10, static_cast<uint32_t>(offBits));
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), table.begin(), table.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

}  // namespace rastertest
