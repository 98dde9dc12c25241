// Operating-system version queries. The system answers as Windows 7 SP1
// (NT 6.1, build 7601), so every "NT family", "2000 or later" and "XP or
// later" branch of the program is taken.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

constexpr uint32_t VER_PLATFORM_WIN32s = 0;
constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

inline constexpr int32_t Win32Platform = 2;  // VER_PLATFORM_WIN32_NT
inline constexpr int32_t Win32MajorVersion = 6;
inline constexpr int32_t Win32MinorVersion = 1;
inline constexpr int32_t Win32BuildNumber = 7601;
inline const String Win32CSDVersion = "Service Pack 1";

// The 8-bit version record: 148 bytes, as callers size it.
struct OSVERSIONINFO {
  uint32_t dwOSVersionInfoSize;
  uint32_t dwMajorVersion;
  uint32_t dwMinorVersion;
  uint32_t dwBuildNumber;
  uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFO) == 148, "the version record is 148 bytes");

// Low byte: major version; second byte: minor version; high word: build
// number (bit 31 clear for the NT family).
uint32_t GetVersion();
// Fills every field but dwOSVersionInfoSize, which the caller sets; true.
bool GetVersionEx(OSVERSIONINFO& info);
