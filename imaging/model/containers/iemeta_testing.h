// Test support of the metadata holders: bytes in either byte order, TIFF
// structures assembled by hand, files in the test's home folder and the
// output of the independent tools of the cross-checks. Tests only.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/model/pixels/testsupport/pnm.h"

namespace metatest {

using TBytes = std::vector<uint8_t>;

inline TBytes Bytes(std::initializer_list<int> bytes) {
  TBytes b;
  for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
  return b;
}

inline TBytes operator+(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline TBytes Text(const std::string& s) { return TBytes(s.begin(), s.end()); }

// Numbers in a chosen byte order.
struct TOrder {
  bool Big = false;
  TBytes U16(uint32_t v) const {
    return Big ? Bytes({int(v >> 8) & 0xFF, int(v) & 0xFF}) : Bytes({int(v) & 0xFF, int(v >> 8) & 0xFF});
  }
  TBytes U32(uint32_t v) const {
    return Big ? Bytes({int(v >> 24) & 0xFF, int(v >> 16) & 0xFF, int(v >> 8) & 0xFF, int(v) & 0xFF})
               : Bytes({int(v) & 0xFF, int(v >> 8) & 0xFF, int(v >> 16) & 0xFF, int(v >> 24) & 0xFF});
  }
  // A 12-byte directory entry whose value field holds Field as 4 raw bytes.
  TBytes Entry(uint16_t tag, uint16_t type, uint32_t count, const TBytes& field) const {
    TBytes f = field;
    f.resize(4, 0);
    return U16(tag) + U16(type) + U32(count) + f;
  }
  TBytes Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t offset) const {
    return U16(tag) + U16(type) + U32(count) + U32(offset);
  }
  TBytes Header(uint32_t firstIfd) const { return (Big ? Text("MM") : Text("II")) + U16(42) + U32(firstIfd); }
  // An IFD: count, entries, next offset.
  TBytes Ifd(const std::vector<TBytes>& entries, uint32_t next) const {
    TBytes b = U16(static_cast<uint32_t>(entries.size()));
    for (const TBytes& e : entries) b = b + e;
    return b + U32(next);
  }
};

inline void Put(TBytes& b, size_t at, const TBytes& v) {
  if (b.size() < at + v.size()) b.resize(at + v.size(), 0);
  std::copy(v.begin(), v.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// A file in the test process's own home folder.
inline std::string HomeFile(const std::string& name) {
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "/tmp") + "/" + name;
}

inline TBytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const TBytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Standard output of a tool run without a shell; Status receives its exit
// status (-1 when it could not be run).
inline std::string ToolOutput(const std::vector<std::string>& argv, int* status = nullptr) {
  static int counter = 0;
  const std::string path = HomeFile("tool-output-" + std::to_string(++counter));
  const int rc = RunTool(argv, path);
  if (status) *status = rc;
  const TBytes out = ReadFileBytes(path);
  std::filesystem::remove(path);
  return std::string(out.begin(), out.end());
}

// A small true-colour PPM of the given size with varied pixels.
inline void WriteTestPpm(const std::string& path, int32_t width, int32_t height) {
  TPnmImage image = MakePnm('6', width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      image.At(x, y, 0) = static_cast<uint16_t>((x * 37 + y * 11) & 0xFF);
      image.At(x, y, 1) = static_cast<uint16_t>((x * 5 + y * 53) & 0xFF);
      image.At(x, y, 2) = static_cast<uint16_t>((x * y * 7 + 3) & 0xFF);
    }
  WritePnmFile(path, image);
}

}  // namespace metatest
