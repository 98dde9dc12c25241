// Numbers in text: Format, FormatFloat, FloatToStr(F), StrToFloat.
// Everything here is locale-free: separators and names come from the one
// process-wide TFormatSettings, never from the C library's locale.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"
#include "platform/rtl/varrec.h"

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  String ShortDateFormat = "yyyy-mm-dd";
  String LongDateFormat = "dddd, mmmm d, yyyy";
  String ShortTimeFormat = "hh:nn";
  String LongTimeFormat = "hh:nn:ss";
  String TimeAMString = "AM";
  String TimePMString = "PM";
  String ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  String LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
  // Index 0 is Sunday, as DayOfWeek counts.
  String ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  String LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  // Currency (%m, ffCurrency). CurrencyFormat: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  // NegCurrFormat 0..15: 0 "($1)", 1 "-$1", 2 "$-1", 3 "$1-", 4 "(1$)", 5 "-1$",
  // 6 "1-$", 7 "1$-", 8 "-1 $", 9 "-$ 1", 10 "1 $-", 11 "$ 1-", 12 "$ -1",
  // 13 "1- $", 14 "($ 1)", 15 "(1 $)".
  String CurrencyString = "$";
  uint8_t CurrencyFormat = 0;
  uint8_t NegCurrFormat = 1;
  uint8_t CurrencyDecimals = 2;
};

// The process-wide settings. Change them only at start-up or in tests (and
// restore them): formatting reads them without a lock.
TFormatSettings& FormatSettings();

// Format specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, with
// type d u x e f g n m p s (either case) and "%%". Index, width and precision may
// be "*" (taken from the next Integer argument). Raises EConvertError
// "Format '%s' invalid or incompatible with argument" on a bad specifier, a
// missing argument or an argument of the wrong kind.
String Format(const String& fmt, TVarRecList args);

enum TFloatFormat : uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Pattern with 0 (digit), # (digit if significant), . (decimal point), ','
// (thousands separators on), E+ E- e+ e- (exponent, followed by up to four 0s),
// "..." and '...' literal text, and up to three sections
// "positive;negative;zero". The negative section shows no minus sign of its
// own; a value that rounds to zero in its section takes the zero section when
// there is one, and never shows "-0". An empty pattern formats as FloatToStr.
// Rounding of all float output here: half away from zero on the shortest
// decimal form of the double (0.125 -> "0.13", 1.005 -> "1.01").
String FormatFloat(const String& pattern, double value);
String FloatToStr(double value);  // ffGeneral, 15 significant digits
String FloatToStrF(double value, TFloatFormat format, int precision, int digits);

// Optional blanks, sign, digits with DecimalSeparator, optional exponent.
double StrToFloat(const String& s);  // EConvertError "'%s' is not a valid floating point value"
double StrToFloatDef(const String& s, double defaultValue);
bool TryStrToFloat(const String& s, double& value);
