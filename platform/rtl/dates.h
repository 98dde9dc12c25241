// Dates and times as TDateTime: days since 1899-12-30, the time of day as the
// fraction. A negative value keeps its time part positive: -1.25 is
// 1899-12-29 06:00 (the date is the integer part toward zero, the time the
// absolute fraction). Valid dates run from 0001-01-01 to 9999-12-31.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

constexpr int32_t HoursPerDay = 24;
constexpr int32_t MinsPerDay = 24 * 60;
constexpr int32_t SecsPerDay = 24 * 60 * 60;
constexpr int32_t MSecsPerDay = SecsPerDay * 1000;
constexpr TDateTime UnixDateDelta = 25569;  // 1970-01-01

bool IsLeapYear(Word year);
Word DaysInAMonth(Word year, Word month);  // 0 for a month outside 1..12
Word DaysInMonth(TDateTime value);

// EConvertError "Invalid argument to date encode" / "... time encode".
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);

// Times are taken to the nearest millisecond; a value that rounds up to
// midnight belongs to the next day. A value outside the valid dates (or NaN)
// decodes as all zeros.
void DecodeDate(TDateTime value, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec, Word& msec);

Word DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday
// Adds months keeping the day (cut to the length of the new month) and the time.
TDateTime IncMonth(TDateTime value, int32_t numberOfMonths = 1);

// Local date and time from the program's clock (CurrentClock()).
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Tokens (either case): y yy (two-digit year), yyy yyyy (four digits), m mm
// mmm mmmm, d dd ddd dddd, ddddd (ShortDateFormat), dddddd (LongDateFormat),
// h hh, n nn, s ss, z zzz, t (ShortTimeFormat), tt (LongTimeFormat), c (short
// date, then the long time unless it is midnight), am/pm a/p ampm (12-hour
// clock for the hours before them), '/' DateSeparator, ':' TimeSeparator,
// "..." and '...' literal text. m or mm after an h or hh token means minutes.
// An empty format is "c".
String FormatDateTime(const String& format, TDateTime value);
String DateTimeToStr(TDateTime value);
String DateToStr(TDateTime value);
String TimeToStr(TDateTime value);

// DOS packed date and time: date in the high word ((year - 1980) << 9 |
// month << 5 | day), time in the low word (hour << 11 | min << 5 | sec / 2).
// Dates outside 1980..2107 give 0; an impossible packed value raises
// EConvertError.
int32_t DateTimeToFileDate(TDateTime value);
TDateTime FileDateToDateTime(int32_t fileDate);

// POSIX seconds <-> TDateTime. The plain pair is UTC (no zone); the Local pair
// uses the process time zone (TZ). Conversions to seconds drop the fraction of
// a second (toward the past).
TDateTime UnixToDateTime(int64_t secs);
int64_t DateTimeToUnix(TDateTime value);
TDateTime UnixToLocalDateTime(int64_t secs);
int64_t LocalDateTimeToUnix(TDateTime value);
