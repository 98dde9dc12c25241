// MD5 digests (RFC 1321), as the freedesktop thumbnail cache names its files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/types.h"

class TMD5 {
 public:
  TMD5();
  void Update(const void* data, size_t size);
  // The 16-byte digest; the object starts over afterwards.
  void Final(uint8_t digest[16]);

 private:
  void Block(const uint8_t* p);
  uint32_t FState[4];
  uint64_t FLength = 0;  // bytes hashed
  uint8_t FBuffer[64];
  size_t FFill = 0;
};

void MD5(const void* data, size_t size, uint8_t digest[16]);
// The digest as 32 lower-case hexadecimal digits.
String MD5Hex(const void* data, size_t size);
inline String MD5Hex(const String& s) { return MD5Hex(s.data(), s.size()); }
