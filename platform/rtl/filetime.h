// File times in the system's form (100 ns units since 1601-01-01 UTC), the
// find-data record that carries them, their conversions, and the
// floating-point control word that callers save and restore.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/rtl/types.h"

struct FILETIME {
  uint32_t dwLowDateTime = 0;
  uint32_t dwHighDateTime = 0;
  friend bool operator==(const FILETIME&, const FILETIME&) = default;
};

struct SYSTEMTIME {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};

inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

inline constexpr uint32_t MAX_PATH = 260;  // accepted where callers pass it; never a limit here

// A found file. Names are byte strings of any length.
struct WIN32_FIND_DATA {
  uint32_t dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  uint32_t nFileSizeHigh = 0;
  uint32_t nFileSizeLow = 0;
  uint32_t dwReserved0 = 0;
  uint32_t dwReserved1 = 0;
  String cFileName;
  String cAlternateFileName;
};
using WIN32_FIND_DATAA = WIN32_FIND_DATA;

// POSIX time <-> file time (the 64-bit count in the two words).
uint64_t FileTimeToUInt64(const FILETIME& ft);
FILETIME UInt64ToFileTime(uint64_t value);
FILETIME TimespecToFileTime(const struct timespec& ts);
struct timespec FileTimeToTimespec(const FILETIME& ft);

// UTC file time -> the same instant in the process's local zone (the offset
// in force at that instant).
bool FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
// DOS date and time words of the file time as it stands (no zone change);
// false outside 1980..2107.
bool FileTimeToDosDateTime(const FILETIME* fileTime, uint16_t* fatDate, uint16_t* fatTime);
// False for times beyond year 30827.
bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
bool SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);

// The x87 control word as callers see it: stored and answered, with no effect
// on the arithmetic (0x1372 at start).
uint16_t Get8087CW();
void Set8087CW(uint16_t value);
