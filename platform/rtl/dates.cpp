#include "platform/rtl/dates.h"

#include <cerrno>
#include <cmath>
#include <ctime>

#include "platform/rtl/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"

namespace {

constexpr int64_t kMinDay = -693593;            // 0001-01-01
constexpr int64_t kMaxDay = 2958465;            // 9999-12-31
constexpr int64_t kUnixDay = 25569;             // 1970-01-01
constexpr int64_t kMarchZeroToDelphi = 693899;  // days from 0000-03-01 to 1899-12-30
// Beyond this many days (about 2.7 billion years) values are clamped, so day
// and second arithmetic cannot overflow.
constexpr double kDayLimit = 1e12;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1899-12-30 of a proleptic Gregorian date. Counts in 400-year
// cycles of a calendar that starts on 1 March, so the leap day is last.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yearOfEra = y - era * 400;                                    // 0..399
  const int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // from 1 March
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - kMarchZeroToDelphi;
}

void CivilFromDays(int64_t days, int64_t& y, int32_t& m, int32_t& d) {
  const int64_t z = days + kMarchZeroToDelphi;  // days since 0000-03-01
  const int64_t era = FloorDiv(z, 146097);
  const int64_t dayOfEra = z - era * 146097;  // 0..146096
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;  // 0 = March
  d = static_cast<int32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
  m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  y = yearOfEra + era * 400 + (m <= 2);
}

// Splits a TDateTime into its day number and milliseconds of the day,
// following the sign convention above and rounding to the millisecond.
void SplitDateTime(TDateTime value, int64_t& days, int32_t& msec) {
  if (std::isnan(value)) {
    days = 0;
    msec = 0;
    return;
  }
  if (value > kDayLimit) value = kDayLimit;
  if (value < -kDayLimit) value = -kDayLimit;
  const double whole = std::trunc(value);
  days = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(value - whole) * MSecsPerDay);
  if (ms >= MSecsPerDay) {
    ms -= MSecsPerDay;
    ++days;  // 24:00 of a day, negative or not, is 00:00 of the day after
  }
  msec = static_cast<int32_t>(ms);
}

TDateTime ComposeDateTime(int64_t days, int64_t msec) {
  const double t = static_cast<double>(msec) / MSecsPerDay;
  return days >= 0 ? static_cast<double>(days) + t : static_cast<double>(days) - t;
}

struct TDateParts {
  bool Valid = false;
  Word Year = 0, Month = 0, Day = 0;
  Word Hour = 0, Min = 0, Sec = 0, MSec = 0;
  int32_t MsOfDay = 0;
  Word DayOfWeek = 0;  // 1 = Sunday
};

TDateParts Decompose(TDateTime value) {
  TDateParts p;
  int64_t days;
  int32_t ms;
  SplitDateTime(value, days, ms);
  if (std::isnan(value) || days < kMinDay || days > kMaxDay) return p;
  p.Valid = true;
  int64_t y;
  int32_t m, d;
  CivilFromDays(days, y, m, d);
  p.Year = static_cast<Word>(y);
  p.Month = static_cast<Word>(m);
  p.Day = static_cast<Word>(d);
  p.MsOfDay = ms;
  p.Hour = static_cast<Word>(ms / 3600000);
  p.Min = static_cast<Word>(ms / 60000 % 60);
  p.Sec = static_cast<Word>(ms / 1000 % 60);
  p.MSec = static_cast<Word>(ms % 1000);
  // Day 0 (1899-12-30) was a Saturday.
  p.DayOfWeek = static_cast<Word>((days % 7 + 7 + 6) % 7 + 1);
  return p;
}

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInAMonth(Word year, Word month) {
  static const Word kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

Word DaysInMonth(TDateTime value) {
  TDateParts p = Decompose(value);
  return DaysInAMonth(p.Year, p.Month);
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month)) return false;
  date = static_cast<double>(DaysFromCivil(year, month, day));
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
  return result;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result)) throw EConvertError("Invalid argument to time encode");
  return result;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
  const int64_t days = static_cast<int64_t>(EncodeDate(year, month, day));
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) throw EConvertError("Invalid argument to time encode");
  return ComposeDateTime(days, ((hour * 60 + min) * 60 + sec) * 1000 + msec);
}

void DecodeDate(TDateTime value, Word& year, Word& month, Word& day) {
  TDateParts p = Decompose(value);
  year = p.Year;
  month = p.Month;
  day = p.Day;
}

void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec) {
  TDateParts p = Decompose(value);
  hour = p.Hour;
  min = p.Min;
  sec = p.Sec;
  msec = p.MSec;
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec, Word& msec) {
  TDateParts p = Decompose(value);
  year = p.Year;
  month = p.Month;
  day = p.Day;
  hour = p.Hour;
  min = p.Min;
  sec = p.Sec;
  msec = p.MSec;
}

Word DayOfWeek(TDateTime value) { return Decompose(value).DayOfWeek; }

TDateTime IncMonth(TDateTime value, int32_t numberOfMonths) {
  TDateParts p = Decompose(value);
  if (!p.Valid) throw EConvertError("Invalid argument to date encode");
  const int64_t total = static_cast<int64_t>(p.Year) * 12 + (p.Month - 1) + numberOfMonths;
  const int64_t year = FloorDiv(total, 12);
  const int32_t month = static_cast<int32_t>(total - year * 12 + 1);
  if (year < 1 || year > 9999) throw EConvertError("Invalid argument to date encode");
  Word day = p.Day;
  const Word last = DaysInAMonth(static_cast<Word>(year), static_cast<Word>(month));
  if (day > last) day = last;
  return ComposeDateTime(DaysFromCivil(year, month, day), p.MsOfDay);
}

TDateTime Now() { return CurrentClock().Now(); }

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
  const TDateTime now = Now();
  return now - std::floor(now);
}

// ---- FormatDateTime -------------------------------------------------------

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void AppendNumber(String& out, unsigned v, int minDigits) {
  char buf[12];
  int len = 0;
  do {
    buf[len++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (len < minDigits) buf[len++] = '0';
  while (len > 0) out += buf[--len];
}

bool StartsWithNoCase(const char* p, const char* end, const char* word) {
  for (; *word; ++word, ++p)
    if (p >= end || Upper(*p) != Upper(*word)) return false;
  return true;
}

// Length of an am/pm token at p ("am/pm", "a/p", "ampm"), 0 if none.
int AmPmTokenLength(const char* p, const char* end) {
  if (StartsWithNoCase(p, end, "am/pm")) return 5;
  if (StartsWithNoCase(p, end, "a/p")) return 3;
  if (StartsWithNoCase(p, end, "ampm")) return 4;
  return 0;
}

// Whether an am/pm token follows p (outside quoted text).
bool AmPmFollows(const char* p, const char* end) {
  for (; p < end; ++p) {
    if (*p == '"' || *p == '\'') {
      const char q = *p;
      for (++p; p < end && *p != q; ++p) {
      }
      if (p >= end) return false;
      continue;
    }
    if (AmPmTokenLength(p, end)) return true;
  }
  return false;
}

void AppendDateTime(String& out, const char* f, const char* end, const TDateParts& t, int depth) {
  const TFormatSettings& fs = FormatSettings();
  auto nested = [&](const String& inner) {
    if (depth < 2) AppendDateTime(out, inner.data(), inner.data() + inner.size(), t, depth + 1);
  };
  bool afterHour = false;
  const char* p = f;
  while (p < end) {
    const char c = *p;
    const char u = Upper(c);
    int run = 1;
    if (u == 'Y' || u == 'M' || u == 'D' || u == 'H' || u == 'N' || u == 'S' || u == 'Z' || u == 'T')
      while (p + run < end && Upper(p[run]) == u) ++run;
    bool hourToken = false;
    switch (u) {
      case '"':
      case '\'': {
        const char* q = p + 1;
        while (q < end && *q != c) ++q;
        out.append(p + 1, q);
        p = q < end ? q + 1 : end;
        continue;
      }
      case 'Y':
        if (run <= 2)
          AppendNumber(out, t.Year % 100, 2);
        else
          AppendNumber(out, t.Year, 4);
        break;
      case 'M':
        if (afterHour && run <= 2) {
          AppendNumber(out, t.Min, run);
        } else if (run <= 2) {
          AppendNumber(out, t.Month, run);
        } else if (t.Month >= 1) {
          out += run == 3 ? fs.ShortMonthNames[t.Month - 1] : fs.LongMonthNames[t.Month - 1];
        }
        break;
      case 'D':
        if (run <= 2)
          AppendNumber(out, t.Day, run);
        else if (run == 3 && t.DayOfWeek >= 1)
          out += fs.ShortDayNames[t.DayOfWeek - 1];
        else if (run == 4 && t.DayOfWeek >= 1)
          out += fs.LongDayNames[t.DayOfWeek - 1];
        else if (run == 5)
          nested(fs.ShortDateFormat);
        else if (run >= 6)
          nested(fs.LongDateFormat);
        break;
      case 'H': {
        unsigned hour = t.Hour;
        if (AmPmFollows(p + run, end)) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendNumber(out, hour, run >= 2 ? 2 : 1);
        hourToken = true;
        break;
      }
      case 'N': AppendNumber(out, t.Min, run >= 2 ? 2 : 1); break;
      case 'S': AppendNumber(out, t.Sec, run >= 2 ? 2 : 1); break;
      case 'Z': AppendNumber(out, t.MSec, run >= 3 ? 3 : 1); break;
      case 'T': nested(run >= 2 ? fs.LongTimeFormat : fs.ShortTimeFormat); break;
      case 'C':
        nested(fs.ShortDateFormat);
        if (t.MsOfDay != 0) {
          out += ' ';
          nested(fs.LongTimeFormat);
        }
        break;
      case 'A':
        if (int len = AmPmTokenLength(p, end)) {
          const bool pm = t.Hour >= 12;
          if (len == 5)
            out.append(pm ? p + 3 : p, 2);
          else if (len == 3)
            out += pm ? p[2] : p[0];
          else
            out += pm ? fs.TimePMString : fs.TimeAMString;
          p += len;
          afterHour = false;
          continue;
        }
        out += c;
        ++p;
        continue;
      case '/':
        out += fs.DateSeparator;
        ++p;
        continue;
      case ':':
        out += fs.TimeSeparator;
        ++p;
        continue;
      default:
        // Other characters are copied; they do not end an hour-minute pair.
        out += c;
        ++p;
        continue;
    }
    afterHour = hourToken;
    p += run;
  }
}

}  // namespace

String FormatDateTime(const String& format, TDateTime value) {
  const TDateParts parts = Decompose(value);
  String out;
  out.reserve(format.size() + 8);
  static const String kDefault = "c";
  const String& f = format.empty() ? kDefault : format;
  AppendDateTime(out, f.data(), f.data() + f.size(), parts, 0);
  return out;
}

String DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }
String DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }
String TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }

// ---- DOS file dates -------------------------------------------------------

int32_t DateTimeToFileDate(TDateTime value) {
  const TDateParts p = Decompose(value);
  if (!p.Valid || p.Year < 1980 || p.Year > 2107) return 0;
  const uint32_t date = static_cast<uint32_t>((p.Year - 1980) << 9 | p.Month << 5 | p.Day);
  const uint32_t time = static_cast<uint32_t>(p.Hour << 11 | p.Min << 5 | p.Sec >> 1);
  return static_cast<int32_t>(date << 16 | time);
}

TDateTime FileDateToDateTime(int32_t fileDate) {
  const uint32_t v = static_cast<uint32_t>(fileDate);
  const uint32_t date = v >> 16;
  const uint32_t time = v & 0xFFFF;
  const TDateTime d = EncodeDate(static_cast<Word>(1980 + (date >> 9)), static_cast<Word>(date >> 5 & 15),
                                 static_cast<Word>(date & 31));
  return d + EncodeTime(static_cast<Word>(time >> 11), static_cast<Word>(time >> 5 & 63),
                        static_cast<Word>((time & 31) * 2), 0);
}

// ---- POSIX time -----------------------------------------------------------

TDateTime UnixToDateTime(int64_t secs) {
  const int64_t days = FloorDiv(secs, SecsPerDay);
  const int64_t rest = secs - days * SecsPerDay;
  return ComposeDateTime(days + kUnixDay, rest * 1000);
}

int64_t DateTimeToUnix(TDateTime value) {
  int64_t days;
  int32_t ms;
  SplitDateTime(value, days, ms);
  return (days - kUnixDay) * SecsPerDay + ms / 1000;
}

TDateTime UnixToLocalDateTime(int64_t secs) {
  const time_t t = static_cast<time_t>(secs);
  struct tm local;
  if (!localtime_r(&t, &local)) return UnixToDateTime(secs);
  return UnixToDateTime(secs + local.tm_gmtoff);
}

int64_t LocalDateTimeToUnix(TDateTime value) {
  int64_t days;
  int32_t ms;
  SplitDateTime(value, days, ms);
  int64_t y;
  int32_t m, d;
  CivilFromDays(days, y, m, d);
  if (y < -1000000 || y > 1000000) return DateTimeToUnix(value);
  struct tm local = {};
  local.tm_year = static_cast<int>(y - 1900);
  local.tm_mon = m - 1;
  local.tm_mday = d;
  local.tm_hour = ms / 3600000;
  local.tm_min = ms / 60000 % 60;
  local.tm_sec = ms / 1000 % 60;
  local.tm_isdst = -1;
  errno = 0;
  const time_t t = mktime(&local);
  if (t == static_cast<time_t>(-1) && errno != 0) return DateTimeToUnix(value);
  return static_cast<int64_t>(t);
}
