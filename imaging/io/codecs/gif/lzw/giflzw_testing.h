// GIF LZW code streams written code by code, for streams no encoder of ours
// makes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace giflzwtest {

// Codes written least significant bit first, then cut into sub-blocks; the
// width grows the way a decoder's table grows.
class TCodeWriter {
 public:
  explicit TCodeWriter(int32_t CodeSize) : FSize(CodeSize) { Reset(); }
  void Reset() {
    FWidth = FSize + 1;
    FNext = (1 << FSize) + 2;
    FFirst = true;
  }
  void Clear() {
    Put(1 << FSize);
    Reset();
  }
  void End() { Put((1 << FSize) + 1); }
  // A data code: adds a table entry (except the first after a clear).
  void Data(int32_t Code) {
    Put(Code);
    if (FFirst) {
      FFirst = false;
      return;
    }
    if (FNext < 4096) ++FNext;
    if (FNext == (1 << FWidth) && FWidth < 12) ++FWidth;
  }
  int32_t Next() const { return FNext; }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> raw = FBytes;
    if (FBits > 0) raw.push_back(static_cast<uint8_t>(FAcc));
    std::vector<uint8_t> out{static_cast<uint8_t>(FSize)};
    for (size_t at = 0; at < raw.size(); at += 255) {
      const size_t n = std::min<size_t>(255, raw.size() - at);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
    return out;
  }

 private:
  void Put(int32_t Code) {
    FAcc |= static_cast<uint32_t>(Code) << FBits;
    FBits += FWidth;
    while (FBits >= 8) {
      FBytes.push_back(static_cast<uint8_t>(FAcc));
      FAcc >>= 8;
      FBits -= 8;
    }
  }
  int32_t FSize;
  int32_t FWidth = 0;
  int32_t FNext = 0;
  bool FFirst = true;
  uint32_t FAcc = 0;
  int32_t FBits = 0;
  std::vector<uint8_t> FBytes;
};

}  // namespace giflzwtest
