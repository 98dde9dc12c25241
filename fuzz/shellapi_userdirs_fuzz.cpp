// Fuzz target for the user-dirs.dirs reader: every value kept is an
// absolute path without a trailing "/".
#include <cstddef>
#include <cstdint>

#include "platform/shellapi/xdgdirs.h"

namespace {
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto dirs = ParseUserDirs(reinterpret_cast<const char*>(data), size, "/home/fuzz");
  for (const auto& [name, path] : dirs) {
    Check(!name.empty());
    Check(!path.empty() && path[0] == '/');
    Check(path == "/" || path.back() != '/');
  }
  return 0;
}
