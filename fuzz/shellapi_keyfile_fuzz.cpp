// Fuzz target for the key-file reader (.desktop and .trashinfo files) and
// the percent-decoding of their URLs and paths.
#include <cstddef>
#include <cstdint>

#include "platform/shellapi/keyfile.h"

namespace {
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TKeyFile k;
  if (k.Parse(reinterpret_cast<const char*>(data), size)) {
    for (const char* group : {"Desktop Entry", "Trash Info"})
      for (const char* key : {"Type", "URL", "Name", "Path", "DeletionDate"}) {
        const String v = k.Value(group, key);
        Check(k.HasKey(group, key) || v.empty());
        Check(PercentDecode(v).size() <= v.size());
      }
  }
  return 0;
}
