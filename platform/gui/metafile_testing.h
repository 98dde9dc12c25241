// Small writers of Windows and enhanced metafiles for tests: records are
// appended one by one and Build puts the headers and the end record around
// them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

struct TWmfWriter {
  std::vector<uint8_t> Records;
  // Parameters as 16-bit words (a COLORREF takes two: low, high).
  void Rec(uint16_t func, std::initializer_list<int32_t> words) {
    Put32(Records, uint32_t(3 + words.size()));
    Put16(Records, func);
    for (int32_t w : words) Put16(Records, uint32_t(w) & 0xFFFF);
  }
  void RecBytes(uint16_t func, const std::vector<uint8_t>& params) {
    Put32(Records, uint32_t(3 + (params.size() + 1) / 2));
    Put16(Records, func);
    Records.insert(Records.end(), params.begin(), params.end());
    if (params.size() % 2) Records.push_back(0);
  }
  // A record whose size field is given as is.
  void RawRec(uint32_t sizeWords, uint16_t func, std::initializer_list<int32_t> words) {
    Put32(Records, sizeWords);
    Put16(Records, func);
    for (int32_t w : words) Put16(Records, uint32_t(w) & 0xFFFF);
  }
  std::vector<uint8_t> Build(bool placeable, int16_t l, int16_t t, int16_t r, int16_t b, uint16_t inch,
                             uint16_t objects = 16) const {
    std::vector<uint8_t> v;
    if (placeable) {
      Put32(v, 0x9AC6CDD7u);
      Put16(v, 0);
      for (int16_t c : {l, t, r, b}) Put16(v, uint16_t(c));
      Put16(v, inch);
      Put32(v, 0);
      uint16_t sum = 0;
      for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(v[i] | (v[i + 1] << 8));
      Put16(v, sum);
    }
    const size_t words = 9 + Records.size() / 2 + 3;
    // The largest record, in words (sizes past the data are not counted).
    uint32_t largest = 3;
    for (size_t at = 0; at + 6 <= Records.size();) {
      const uint32_t n =
          uint32_t(Records[at] | (Records[at + 1] << 8) | (Records[at + 2] << 16) | (uint32_t(Records[at + 3]) << 24));
      if (n < 3 || uint64_t(n) * 2 > Records.size() - at) break;
      largest = std::max(largest, n);
      at += size_t(n) * 2;
    }
    Put16(v, 1);
    Put16(v, 9);
    Put16(v, 0x0300);
    Put32(v, uint32_t(words));
    Put16(v, objects);
    Put32(v, largest);
    Put16(v, 0);
    v.insert(v.end(), Records.begin(), Records.end());
    Put32(v, 3);  // EOF
    Put16(v, 0);
    return v;
  }
};

struct TEmfWriter {
  std::vector<uint8_t> Records;
  void Rec(uint32_t type, std::initializer_list<int32_t> dwords) {
    Put32(Records, type);
    Put32(Records, uint32_t(8 + dwords.size() * 4));
    for (int32_t d : dwords) Put32(Records, uint32_t(d));
  }
  // Raw body bytes after type and size; Size overrides the size field.
  void RecBytes(uint32_t type, const std::vector<uint8_t>& body, uint32_t size = 0) {
    Put32(Records, type);
    Put32(Records, size ? size : uint32_t(8 + body.size()));
    Records.insert(Records.end(), body.begin(), body.end());
  }
  // Frame in 0.01 mm; a reference device of 96 dpi.
  std::vector<uint8_t> Build(int32_t frameR, int32_t frameB, uint16_t handles = 16) const {
    std::vector<uint8_t> v;
    Put32(v, 1);
    Put32(v, 88);
    for (int32_t c : {0, 0, frameR * 96 / 2540, frameB * 96 / 2540}) Put32(v, uint32_t(c));
    for (int32_t c : {0, 0, frameR, frameB}) Put32(v, uint32_t(c));
    Put32(v, 0x464D4520u);
    Put32(v, 0x10000);
    Put32(v, uint32_t(88 + Records.size() + 20));
    Put32(v, 0);
    Put16(v, handles);
    Put16(v, 0);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, 960);  // device pixels
    Put32(v, 960);
    Put32(v, 254);  // millimetres
    Put32(v, 254);
    v.insert(v.end(), Records.begin(), Records.end());
    Put32(v, 14);  // EOF
    Put32(v, 20);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, 20);
    return v;
  }
};
