#include "platform/rtl/version.h"

#include <cstring>

namespace {
// A literal rather than Win32CSDVersion, so the query also works during static
// initialisation of other files.
constexpr char kCSDVersion[] = "Service Pack 1";
static_assert(sizeof kCSDVersion <= sizeof(OSVERSIONINFO::szCSDVersion));
}  // namespace

uint32_t GetVersion() {
  return static_cast<uint32_t>(Win32MajorVersion) | (static_cast<uint32_t>(Win32MinorVersion) << 8) |
         (static_cast<uint32_t>(Win32BuildNumber) << 16);
}

bool GetVersionEx(OSVERSIONINFO& info) {
  info.dwMajorVersion = static_cast<uint32_t>(Win32MajorVersion);
  info.dwMinorVersion = static_cast<uint32_t>(Win32MinorVersion);
  info.dwBuildNumber = static_cast<uint32_t>(Win32BuildNumber);
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info.szCSDVersion, 0, sizeof info.szCSDVersion);
  std::memcpy(info.szCSDVersion, kCSDVersion, sizeof kCSDVersion);
  return true;
}
