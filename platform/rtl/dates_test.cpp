#include "platform/rtl/dates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <vector>

#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/timezone_testing.h"

namespace {

class SettingsGuard {
 public:
  SettingsGuard() : FSaved(FormatSettings()) {}
  ~SettingsGuard() { FormatSettings() = FSaved; }

 private:
  TFormatSettings FSaved;
};

bool ZoneInstalled(const char* zone) {
  struct stat st;
  return stat((std::string("/usr/share/zoneinfo/") + zone).c_str(), &st) == 0;
}

String Stamp(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value); }

TEST(RtlDates, EncodeDateKnownDays) {
  const struct {
    Word Y, M, D;
    double Days;
  } rows[] = {{1899, 12, 30, 0},   {1899, 12, 29, -1},  {1900, 1, 1, 2},
              {1970, 1, 1, 25569}, {2000, 1, 1, 36526}, {2000, 2, 29, 36585},
              {2000, 3, 1, 36586}, {1, 1, 1, -693593},  {9999, 12, 31, 2958465}};
  for (const auto& r : rows) {
    EXPECT_EQ(EncodeDate(r.Y, r.M, r.D), r.Days) << r.Y << "-" << r.M << "-" << r.D;
    Word y, m, d;
    DecodeDate(r.Days, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, r.Y * 10000 + r.M * 100 + r.D);
  }
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2004));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2001, 4), 30);
  EXPECT_EQ(DaysInAMonth(2001, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDate(2024, 2, 10) + 0.75), 29);
}

TEST(RtlDates, InvalidArgumentsRaise) {
  const Word dates[][3] = {{0, 1, 1},    {10000, 1, 1}, {2001, 2, 29}, {2000, 13, 1},
                           {2000, 0, 1}, {2000, 4, 31}, {2000, 1, 0}};
  for (const auto& d : dates) {
    TDateTime out = 5;
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], out));
    EXPECT_EQ(out, 5);
    try {
      EncodeDate(d[0], d[1], d[2]);
      ADD_FAILURE() << d[0] << "-" << d[1] << "-" << d[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  const Word times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& t : times) {
    TDateTime out = 5;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], out));
    try {
      EncodeTime(t[0], t[1], t[2], t[3]);
      ADD_FAILURE();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
  }
  EXPECT_THROW(EncodeDateTime(2000, 1, 1, 24, 0, 0, 0), EConvertError);
  EXPECT_EQ(EncodeTime(23, 59, 59, 999), (86400000.0 - 1) / 86400000.0);
}

// Every day of the valid range decodes and encodes back, and the weekday
// advances by one each day.
TEST(RtlDates, EveryDayRoundTrips) {
  Word expectedDow = DayOfWeek(-693593);
  Word prevY = 0, prevM = 0, prevD = 0;
  for (int64_t day = -693593; day <= 2958465; ++day) {
    Word y, m, d;
    DecodeDate(static_cast<double>(day), y, m, d);
    TDateTime back;
    ASSERT_TRUE(TryEncodeDate(y, m, d, back)) << day;
    ASSERT_EQ(back, static_cast<double>(day));
    ASSERT_TRUE(y * 10000 + m * 100 + d > prevY * 10000 + prevM * 100 + prevD) << day;
    ASSERT_EQ(DayOfWeek(static_cast<double>(day)), expectedDow) << day;
    expectedDow = expectedDow % 7 + 1;
    prevY = y;
    prevM = m;
    prevD = d;
  }
  EXPECT_EQ(DayOfWeek(0), 7);                         // 1899-12-30, Saturday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                     // Friday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2);    // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2023, 12, 31)), 1);  // Sunday
}

TEST(RtlDates, NegativeValuesKeepTheTimePositive) {
  EXPECT_EQ(Stamp(-1.25), "1899-12-29 06:00:00.000");
  EXPECT_EQ(Stamp(-0.5), "1899-12-30 12:00:00.000");
  EXPECT_EQ(Stamp(-693593.75), "0001-01-01 18:00:00.000");
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(EncodeDateTime(1850, 6, 1, 12, 0, 0, 0), EncodeDate(1850, 6, 1) - 0.5);
  Word h, n, s, ms;
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(h, 6);
}

TEST(RtlDates, DecodeRoundsToTheMillisecond) {
  Word y, mo, d, h, n, s, ms;
  DecodeDateTime(EncodeDateTime(2012, 2, 29, 23, 59, 59, 999), y, mo, d, h, n, s, ms);
  EXPECT_EQ(Stamp(EncodeDateTime(2012, 2, 29, 23, 59, 59, 999)), "2012-02-29 23:59:59.999");
  // A hair below midnight is midnight of the next day, for date and time alike.
  EXPECT_EQ(Stamp(EncodeDate(2012, 2, 29) + 1 - 1e-10), "2012-03-01 00:00:00.000");
  EXPECT_EQ(DayOfWeek(EncodeDate(2012, 2, 29) + 1 - 1e-10), DayOfWeek(EncodeDate(2012, 3, 1)));
  // Every millisecond of one day survives encode and decode.
  for (int t = 0; t < MSecsPerDay; t += 997) {
    const TDateTime v = EncodeDateTime(2020, 7, 1, t / 3600000, t / 60000 % 60, t / 1000 % 60, t % 1000);
    DecodeDateTime(v, y, mo, d, h, n, s, ms);
    ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + ms, t);
    ASSERT_EQ(d, 1);
  }
  // Outside the valid dates, and NaN, decode as zeros instead of failing.
  DecodeDateTime(1e15, y, mo, d, h, n, s, ms);
  EXPECT_EQ(y + mo + d, 0);
  DecodeDateTime(std::nan(""), y, mo, d, h, n, s, ms);
  EXPECT_EQ(y + mo + d + h + n + s + ms, 0);
  EXPECT_NO_THROW(FormatDateTime("c dddd mmmm", -1e9));
}

TEST(RtlDates, IncMonth) {
  const TDateTime jan31 = EncodeDateTime(2000, 1, 31, 15, 30, 0, 0);
  EXPECT_EQ(Stamp(IncMonth(jan31)), "2000-02-29 15:30:00.000");
  EXPECT_EQ(Stamp(IncMonth(jan31, -1)), "1999-12-31 15:30:00.000");
  EXPECT_EQ(Stamp(IncMonth(jan31, 12)), "2001-01-31 15:30:00.000");
  EXPECT_EQ(Stamp(IncMonth(jan31, 13)), "2001-02-28 15:30:00.000");
  EXPECT_EQ(Stamp(IncMonth(jan31, -25)), "1997-12-31 15:30:00.000");
  EXPECT_EQ(Stamp(IncMonth(-1.25, 1)), "1900-01-29 06:00:00.000");
  EXPECT_EQ(Stamp(IncMonth(EncodeDate(1900, 1, 29) + 0.25, -1)), "1899-12-29 06:00:00.000");
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1)), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
}

TEST(RtlDates, FormatDateTimeTokens) {
  // Saturday 2009-03-07 14:05:09.045
  const TDateTime v = EncodeDateTime(2009, 3, 7, 14, 5, 9, 45);
  const struct {
    const char* Format;
    const char* Expected;
  } rows[] = {
      {"yyyy-mm-dd hh:nn:ss.zzz", "2009-03-07 14:05:09.045"},
      {"YYYY-MM-DD HH:NN:SS", "2009-03-07 14:05:09"},
      {"y/m/d", "09-3-7"},
      {"yy yyy", "09 2009"},
      {"mmm mmmm", "Mar March"},
      {"ddd dddd", "Sat Saturday"},
      {"ddddd", "2009-03-07"},
      {"dddddd", "Saturday, March 7, 2009"},
      {"h:n:s z", "14:5:9 45"},
      {"hh:mm", "14:05"},
      {"h:m", "14:5"},
      {"hh mm", "14 05"},
      {"hh dd mm", "14 07 03"},
      {"mm/dd hh", "03-07 14"},
      {"hh:mmm", "14:Mar"},
      {"h am/pm", "2 pm"},
      {"h AM/PM", "2 PM"},
      {"hh a/p", "02 p"},
      {"h:nn ampm", "2:05 PM"},
      {"hh:nn", "14:05"},
      {"t", "14:05"},
      {"tt", "14:05:09"},
      {"c", "2009-03-07 14:05:09"},
      {"", "2009-03-07 14:05:09"},
      {"'yyyy' yyyy", "yyyy 2009"},
      {"\"d\"d", "d7"},
      {"'unterminated", "unterminated"},
      {"[dddd]", "[Saturday]"},
      {"ab=#", "ab=#"},
      {"abc", "ab2009-03-07 14:05:09"},
      {"yyyymmddhhnnss", "20090307140509"},
  };
  for (const auto& r : rows) EXPECT_EQ(FormatDateTime(r.Format, v), r.Expected) << r.Format;

  // The twelve-hour clock around midnight and noon.
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(0, 30, 0, 0)), "12:30 am");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(12, 0, 0, 0)), "12:00 pm");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(11, 59, 0, 0)), "11:59 am");
  EXPECT_EQ(FormatDateTime("h:nn", EncodeTime(0, 30, 0, 0)), "0:30");
  // 'c' leaves out a midnight time.
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2009, 3, 7)), "2009-03-07");
  // The time of day of an elapsed time: 25 hours show as one o'clock.
  EXPECT_EQ(FormatDateTime("hh:nn:ss", 25 / 24.0), "01:00:00");
  EXPECT_EQ(DateTimeToStr(v), "2009-03-07 14:05:09");
  EXPECT_EQ(DateToStr(v), "2009-03-07");
  EXPECT_EQ(TimeToStr(v), "14:05:09");
}

TEST(RtlDates, FormatDateTimeFollowsSettings) {
  SettingsGuard guard;
  TFormatSettings& fs = FormatSettings();
  fs.DateSeparator = '/';
  fs.TimeSeparator = '.';
  fs.ShortDateFormat = "dd/mm/yyyy";
  fs.LongTimeFormat = "hh:nn:ss ampm";
  fs.TimePMString = "nachm.";
  fs.LongMonthNames[2] = "M\xC3\xA4rz";
  const TDateTime v = EncodeDateTime(2009, 3, 7, 14, 5, 9, 0);
  EXPECT_EQ(DateTimeToStr(v), "07/03/2009 02.05.09 nachm.");
  EXPECT_EQ(FormatDateTime("d mmmm", v), "7 M\xC3\xA4rz");
  // A format that names itself does not recurse without end.
  fs.ShortDateFormat = "ddddd";
  EXPECT_NO_THROW(DateToStr(v));
}

TEST(RtlDates, DosFileDates) {
  const TDateTime v = EncodeDateTime(2009, 3, 7, 14, 5, 9, 500);
  const int32_t packed = DateTimeToFileDate(v);
  EXPECT_EQ(static_cast<uint32_t>(packed), ((29u << 9 | 3u << 5 | 7u) << 16) | (14u << 11 | 5u << 5 | 4u));
  EXPECT_EQ(Stamp(FileDateToDateTime(packed)), "2009-03-07 14:05:08.000");  // two-second steps
  // Dates after 2043 set the sign bit of the packed value.
  const TDateTime late = EncodeDateTime(2107, 12, 31, 23, 59, 58, 0);
  EXPECT_LT(DateTimeToFileDate(late), 0);
  EXPECT_EQ(FileDateToDateTime(DateTimeToFileDate(late)), late);
  EXPECT_EQ(Stamp(FileDateToDateTime(DateTimeToFileDate(EncodeDate(1980, 1, 1)))), "1980-01-01 00:00:00.000");
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);                              // month 0
  EXPECT_THROW(FileDateToDateTime((1 << 5 | 1) << 16 | 24 << 11), EConvertError);  // hour 24
}

TEST(RtlDates, UnixTimeUtc) {
  EXPECT_EQ(UnixToDateTime(0), 25569);
  EXPECT_EQ(UnixToDateTime(86400 + 43200), 25570.5);
  EXPECT_EQ(Stamp(UnixToDateTime(-1)), "1969-12-31 23:59:59.000");
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2038, 1, 19, 3, 14, 8, 0)), 2147483648LL);
  // Before 1899-12-30 the negative convention holds both ways.
  const int64_t epochOfDelphi = -25569LL * 86400;
  EXPECT_EQ(UnixToDateTime(epochOfDelphi - 86400 + 6 * 3600), -1.25);
  EXPECT_EQ(DateTimeToUnix(-1.25), epochOfDelphi - 86400 + 6 * 3600);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(1, 1, 1)), -62135596800LL);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 0)), 253402300799LL);
  // Fractions of a second are dropped toward the past.
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(100) + EncodeTime(0, 0, 0, 900)), 100);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1850, 1, 1, 0, 0, 0, 900)), DateTimeToUnix(EncodeDate(1850, 1, 1)));
  for (int64_t s = -5000000000LL; s < 5000000000LL; s += 12345677) EXPECT_EQ(DateTimeToUnix(UnixToDateTime(s)), s);
}

TEST(RtlDates, LocalTimeFollowsTheZone) {
  {
    TimeZoneGuard tz("UTC");
    EXPECT_EQ(UnixToLocalDateTime(1234567890), UnixToDateTime(1234567890));
    EXPECT_EQ(LocalDateTimeToUnix(UnixToDateTime(1234567890)), 1234567890);
  }
  // A fixed POSIX zone needs no zone files: five hours west, no summer time.
  {
    TimeZoneGuard tz("EST5");
    EXPECT_EQ(Stamp(UnixToLocalDateTime(0)), "1969-12-31 19:00:00.000");
    EXPECT_EQ(LocalDateTimeToUnix(EncodeDate(1970, 1, 1)), 5 * 3600);
  }
  if (!ZoneInstalled("Asia/Kolkata")) GTEST_SKIP() << "no zone files";
  TimeZoneGuard tz("Asia/Kolkata");
  EXPECT_EQ(Stamp(UnixToLocalDateTime(1234567890)), "2009-02-14 05:01:30.000");
  EXPECT_EQ(LocalDateTimeToUnix(EncodeDateTime(2009, 2, 14, 5, 1, 30, 0)), 1234567890);
  // The real clock's Now is local time too.
  InstallRealClock();
  const int64_t utcNow = std::time(nullptr);
  const int64_t localNow = DateTimeToUnix(Now());
  EXPECT_NEAR(static_cast<double>(localNow - utcNow), 19800.0, 2.0);
}

// Our conversions against coreutils' date on a generated table of times under
// several zones: POSIX seconds to local text, and the local fields back to
// seconds through EncodeDate/EncodeTime.
TEST(RtlDates, CrossCheckAgainstCoreutilsDate) {
  if (std::system("date --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no date(1)";
  std::vector<int64_t> table;
  uint64_t state = 88172645463325252ULL;
  for (int k = 0; k < 1500; ++k) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    table.push_back(static_cast<int64_t>(state % 8600000000ULL) - 4300000000LL);  // 1833 .. 2106
  }
  // Around the summer-time changes of 2021 in New York, and around the epochs.
  for (int64_t edge : {1615705200LL, 1636264800LL, 0LL, -2209161600LL, 951782400LL})
    for (int64_t d = -3601; d <= 3601; d += 1800) table.push_back(edge + d);

  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/tmp";
  const std::string input = home + "/date-table.txt";
  {
    std::ofstream f(input);
    for (int64_t s : table) f << '@' << s << '\n';
  }

  int zonesChecked = 0;
  for (const char* zone : {"UTC", "America/New_York", "Asia/Kolkata"}) {
    if (std::string(zone) != "UTC" && !ZoneInstalled(zone)) continue;
    const std::string cmd = std::string("TZ=") + zone + " date -f '" + input + "' '+%Y-%m-%d %H:%M:%S'";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> lines;
    char buf[128];
    while (std::fgets(buf, sizeof buf, pipe)) {
      std::string line(buf);
      if (!line.empty() && line.back() == '\n') line.pop_back();
      lines.push_back(line);
    }
    ASSERT_EQ(pclose(pipe), 0) << cmd;
    ASSERT_EQ(lines.size(), table.size()) << zone;

    TimeZoneGuard tz(zone);
    for (size_t k = 0; k < table.size(); ++k) {
      const int64_t s = table[k];
      const TDateTime local = UnixToLocalDateTime(s);
      ASSERT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", local), lines[k]) << zone << " @" << s;
      int y, mo, d, h, mi, se;
      ASSERT_EQ(std::sscanf(lines[k].c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se), 6);
      const TDateTime encoded = EncodeDateTime(static_cast<Word>(y), static_cast<Word>(mo), static_cast<Word>(d),
                                               static_cast<Word>(h), static_cast<Word>(mi), static_cast<Word>(se), 0);
      ASSERT_EQ(encoded, local) << zone << " @" << s;
      // Back to seconds: exact, except that a time repeated when the clocks go
      // back may resolve to its other instant, which still reads the same.
      const int64_t back = LocalDateTimeToUnix(encoded);
      if (back != s) {
        ASSERT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToLocalDateTime(back)), lines[k]) << zone << " @" << s;
        ASSERT_EQ(std::llabs(back - s), 3600) << zone << " @" << s;
      }
      if (std::string(zone) == "UTC") {
        ASSERT_EQ(DateTimeToUnix(encoded), s);
      }
    }
    ++zonesChecked;
  }
  std::remove(input.c_str());
  EXPECT_GE(zonesChecked, 1);
}

}  // namespace
