// Test support (included by *_test.cpp only): runs a test under another TZ
// and restores the previous one.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class TimeZoneGuard {
 public:
  explicit TimeZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) FOld = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZoneGuard() {
    if (FOld)
      setenv("TZ", FOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  TimeZoneGuard(const TimeZoneGuard&) = delete;
  TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

 private:
  std::optional<std::string> FOld;
};
