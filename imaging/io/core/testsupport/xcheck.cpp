#include "imaging/io/core/testsupport/xcheck.h"

#include <fstream>
#include <iterator>

bool IEWriteBytesFile(const std::string& Path, const std::vector<uint8_t>& Bytes) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  return static_cast<bool>(out);
}

bool IEReadBytesFile(const std::string& Path, std::vector<uint8_t>& Bytes) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return false;
  Bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}
