// Fuzz target for the mount table reader and the longest-volume match.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/shellapi/shellvolumes.h"

namespace {
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<TMountEntry> table = ParseMountTable(reinterpret_cast<const char*>(data), size);
  std::vector<String> volumes = {"/"};
  for (const TMountEntry& e : table) {
    Check(!e.MountPoint.empty() && e.MountPoint[0] == '/');
    volumes.push_back(e.MountPoint);
    DriveTypeOfMount(e);
  }
  for (const TMountEntry& e : table) {
    const String v = LongestVolume(e.MountPoint + "/x", volumes);
    Check(!v.empty() && v[0] == '/');
  }
  return 0;
}
