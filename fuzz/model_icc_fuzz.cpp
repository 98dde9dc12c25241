// Fuzz target for the ICC profile holder: arbitrary bytes through
// TIEICC::LoadFromBuffer. The bytes are kept whether or not the colour
// library can open them, and a copy opens exactly when the original did.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/model/containers/ieicc.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<uint8_t> bytes(data, data + size);
  TIEICC icc;
  icc.LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  Check(icc.RawSize() == static_cast<int32_t>(size));
  Check(size == 0 || std::memcmp(icc.Raw(), bytes.data(), size) == 0);
  TIEICC copy;
  copy.Assign(&icc);
  Check(copy.IsValid() == icc.IsValid() && copy.RawSize() == icc.RawSize());
  icc.Clear();
  Check(!icc.IsValid() && icc.RawSize() == 0 && !icc.Applied());
  return 0;
}
