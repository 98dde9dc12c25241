#include "platform/rtl/filetime.h"

#include <atomic>

namespace {

// 100 ns intervals from 1601-01-01 to 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

std::atomic<uint16_t> g8087CW{0x1372};

// Days from 1970-01-01 to y-m-d of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

}  // namespace

uint64_t FileTimeToUInt64(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME UInt64ToFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<uint32_t>(value);
  ft.dwHighDateTime = static_cast<uint32_t>(value >> 32);
  return ft;
}

FILETIME TimespecToFileTime(const struct timespec& ts) {
  const int64_t secs = ts.tv_sec;
  const int64_t ticks = secs * int64_t(kTicksPerSecond) + ts.tv_nsec / 100 + int64_t(kEpochDelta);
  return UInt64ToFileTime(ticks < 0 ? 0 : uint64_t(ticks));
}

struct timespec FileTimeToTimespec(const FILETIME& ft) {
  const int64_t rel = static_cast<int64_t>(FileTimeToUInt64(ft) - kEpochDelta);
  struct timespec ts {};
  int64_t secs = rel / int64_t(kTicksPerSecond);
  int64_t rem = rel % int64_t(kTicksPerSecond);
  if (rem < 0) {
    rem += int64_t(kTicksPerSecond);
    --secs;
  }
  ts.tv_sec = static_cast<time_t>(secs);
  ts.tv_nsec = static_cast<long>(rem * 100);
  return ts;
}

bool FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
  if (!fileTime || !localFileTime) return false;
  const struct timespec ts = FileTimeToTimespec(*fileTime);
  struct tm tmLocal {};
  time_t t = ts.tv_sec;
  if (!localtime_r(&t, &tmLocal)) return false;
  const int64_t offset = tmLocal.tm_gmtoff;
  const uint64_t v = FileTimeToUInt64(*fileTime);
  const int64_t shifted = static_cast<int64_t>(v) + offset * int64_t(kTicksPerSecond);
  if (shifted < 0) return false;
  *localFileTime = UInt64ToFileTime(uint64_t(shifted));
  return true;
}

bool FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* st) {
  if (!fileTime || !st) return false;
  const uint64_t v = FileTimeToUInt64(*fileTime);
  if (v >= 0x8000000000000000ull) return false;
  const uint64_t totalMs = v / 10000;
  const uint64_t daysSince1601 = totalMs / 86400000ull;
  const uint64_t msOfDay = totalMs % 86400000ull;
  const int64_t days1970 = static_cast<int64_t>(daysSince1601) - 134774;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days1970, y, m, d);
  if (y > 30827) return false;
  st->wYear = static_cast<uint16_t>(y);
  st->wMonth = static_cast<uint16_t>(m);
  st->wDay = static_cast<uint16_t>(d);
  // 1601-01-01 was a Monday.
  st->wDayOfWeek = static_cast<uint16_t>((daysSince1601 + 1) % 7);
  st->wHour = static_cast<uint16_t>(msOfDay / 3600000);
  st->wMinute = static_cast<uint16_t>(msOfDay / 60000 % 60);
  st->wSecond = static_cast<uint16_t>(msOfDay / 1000 % 60);
  st->wMilliseconds = static_cast<uint16_t>(msOfDay % 1000);
  return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* fileTime) {
  if (!st || !fileTime) return false;
  if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 || st->wDay > 31 ||
      st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999)
    return false;
  const int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + 134774;
  // Reject a day that does not exist in its month (the round trip moves it).
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - 134774, y, m, d);
  if (m != st->wMonth || d != st->wDay) return false;
  const uint64_t ms = uint64_t(days) * 86400000ull + uint64_t(st->wHour) * 3600000ull +
                      uint64_t(st->wMinute) * 60000ull + uint64_t(st->wSecond) * 1000ull + st->wMilliseconds;
  *fileTime = UInt64ToFileTime(ms * 10000ull);
  return true;
}

bool FileTimeToDosDateTime(const FILETIME* fileTime, uint16_t* fatDate, uint16_t* fatTime) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(fileTime, &st)) return false;
  if (st.wYear < 1980 || st.wYear > 2107) return false;
  if (fatDate) *fatDate = static_cast<uint16_t>(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
  if (fatTime) *fatTime = static_cast<uint16_t>((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
  return true;
}

uint16_t Get8087CW() { return g8087CW.load(); }
void Set8087CW(uint16_t value) { g8087CW.store(value); }
