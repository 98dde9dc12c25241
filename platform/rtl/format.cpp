#include "platform/rtl/format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "platform/rtl/exceptions.h"

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

namespace {

// Rounding rule for every decimal output here (Format's %f %e %g %n %m,
// FormatFloat, FloatToStrF): the double is first turned into its shortest
// decimal string that reads back as the same double (std::to_chars), and that
// string is rounded half away from zero. So 0.125 gives "0.13", 2.5 with no
// decimals "3", and 1.005 (stored as 1.00499999999999989...) gives "1.01"
// because it is written 1.005: the result matches the number as the user typed
// it, not the binary fraction printf would round.
struct TDecimal {
  bool Neg = false;
  int N = 0;         // significant digits in D; 0 means zero
  int PointPos = 0;  // value = 0.D[0]D[1]... x 10^PointPos
  char D[32];
};

TDecimal Decompose(double v) {
  TDecimal x;
  x.Neg = std::signbit(v);
  if (v == 0) return x;
  char buf[48];
  auto res = std::to_chars(buf, buf + sizeof(buf), std::fabs(v), std::chars_format::scientific);
  const char* p = buf;
  const char* end = res.ptr;
  while (p < end && *p != 'e') {
    if (*p != '.') x.D[x.N++] = *p;
    ++p;
  }
  int exp = 0;
  if (p < end) {
    ++p;  // 'e'
    bool negExp = false;
    if (p < end && (*p == '+' || *p == '-')) negExp = *p++ == '-';
    while (p < end) exp = exp * 10 + (*p++ - '0');
    if (negExp) exp = -exp;
  }
  x.PointPos = exp + 1;
  while (x.N > 0 && x.D[x.N - 1] == '0') --x.N;
  return x;
}

// Keeps the first `keep` digits, rounding half away from zero.
void RoundKeep(TDecimal& x, int keep) {
  if (keep >= x.N) return;
  if (keep < 0) {
    x.N = 0;
    return;
  }
  bool up = x.D[keep] >= '5';
  x.N = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && x.D[i] == '9') --i;
    if (i < 0) {
      x.D[0] = '1';
      x.N = 1;
      ++x.PointPos;
    } else {
      ++x.D[i];
      x.N = i + 1;
    }
  }
  while (x.N > 0 && x.D[x.N - 1] == '0') --x.N;
}

char DigitAt(const TDecimal& x, int index) { return index >= 0 && index < x.N ? x.D[index] : '0'; }

void AppendUnsigned(String& out, uint64_t v, int minDigits = 0) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof(buf), v);
  int len = static_cast<int>(res.ptr - buf);
  if (minDigits > len) out.append(static_cast<size_t>(minDigits - len), '0');
  out.append(buf, res.ptr);
}

void AppendExponent(String& out, char e, int exp, bool alwaysSign, int minDigits) {
  out += e;
  if (exp < 0)
    out += '-';
  else if (alwaysSign)
    out += '+';
  AppendUnsigned(out, static_cast<uint64_t>(exp < 0 ? -exp : exp), minDigits);
}

bool AppendNonFinite(String& out, double v) {
  if (std::isnan(v)) {
    out += "NAN";
    return true;
  }
  if (std::isinf(v)) {
    out += v < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

// Integer and fraction digits of a rounded value, fraction padded to `decimals`.
void AppendFixedDigits(String& out, const TDecimal& x, int decimals, bool thousands) {
  const TFormatSettings& fs = FormatSettings();
  int ip = x.PointPos;
  if (ip <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < ip; ++i) {
      out += DigitAt(x, i);
      int rest = ip - 1 - i;
      if (thousands && rest > 0 && rest % 3 == 0 && fs.ThousandSeparator) out += fs.ThousandSeparator;
    }
  }
  if (decimals > 0) {
    out += fs.DecimalSeparator;
    for (int k = 0; k < decimals; ++k) out += DigitAt(x, ip + k);
  }
}

// ffGeneral on a value already rounded to `precision` digits: fixed notation
// without trailing zeros, scientific when the integer part has more than
// `precision` digits or the value is below 0.0001.
void AppendGeneral(String& out, const TDecimal& x, int precision, int expDigits) {
  if (x.N == 0) {
    out += '0';
    return;
  }
  if (x.Neg) out += '-';
  const char dec = FormatSettings().DecimalSeparator;
  if (x.PointPos > precision || x.PointPos < -3) {
    out += x.D[0];
    if (x.N > 1) {
      out += dec;
      out.append(x.D + 1, static_cast<size_t>(x.N - 1));
    }
    AppendExponent(out, 'E', x.PointPos - 1, false, expDigits);
    return;
  }
  if (x.PointPos <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < x.PointPos; ++i) out += DigitAt(x, i);
  }
  if (x.N > x.PointPos) {
    out += dec;
    for (int i = x.PointPos < 0 ? x.PointPos : 0; i < 0; ++i) out += '0';
    for (int i = x.PointPos > 0 ? x.PointPos : 0; i < x.N; ++i) out += x.D[i];
  }
}

void AppendExponentFormat(String& out, TDecimal x, int precision, int expDigits) {
  RoundKeep(x, precision);
  if (x.N > 0 && x.Neg) out += '-';
  out += DigitAt(x, 0);
  if (precision > 1) {
    out += FormatSettings().DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += DigitAt(x, i);
  }
  AppendExponent(out, 'E', x.N == 0 ? 0 : x.PointPos - 1, true, expDigits);
}

void AppendCurrency(String& out, const String& number, bool neg) {
  static const char* const kPositive[4] = {"$1", "1$", "$ 1", "1 $"};
  static const char* const kNegative[16] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                            "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
  const TFormatSettings& fs = FormatSettings();
  const char* pattern = neg ? kNegative[fs.NegCurrFormat % 16] : kPositive[fs.CurrencyFormat % 4];
  for (const char* p = pattern; *p; ++p) {
    if (*p == '$')
      out += fs.CurrencyString;
    else if (*p == '1')
      out += number;
    else
      out += *p;
  }
}

// ffFixed, ffNumber and ffCurrency. `precision` limits the significant digits
// (FloatToStrF); Format passes a large one so only the decimals count.
void AppendFixedFormat(String& out, double v, TFloatFormat format, int precision, int decimals,
                       bool scientificWhenTooLong) {
  TDecimal x = Decompose(v);
  int keep = x.PointPos + decimals;
  RoundKeep(x, keep < precision ? keep : precision);
  if (scientificWhenTooLong && x.PointPos > precision) {
    AppendGeneral(out, x, precision, 0);
    return;
  }
  bool neg = x.Neg && x.N > 0;
  if (format == ffCurrency) {
    String number;
    AppendFixedDigits(number, x, decimals, true);
    AppendCurrency(out, number, neg);
    return;
  }
  if (neg) out += '-';
  AppendFixedDigits(out, x, decimals, format == ffNumber);
}

void AppendFloatF(String& out, double v, TFloatFormat format, int precision, int digits) {
  if (AppendNonFinite(out, v)) return;
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  switch (format) {
    case ffGeneral:
    case ffExponent: {
      if (digits < 0) digits = 0;
      if (digits > 4) digits = 4;
      TDecimal x = Decompose(v);
      if (format == ffExponent) {
        AppendExponentFormat(out, x, precision, digits);
      } else {
        RoundKeep(x, precision);
        AppendGeneral(out, x, precision, digits);
      }
      return;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency:
      if (digits < 0) digits = 0;
      if (digits > 18) digits = 18;
      AppendFixedFormat(out, v, format, precision, digits, true);
      return;
  }
}

// ---- Format ---------------------------------------------------------------

[[noreturn]] void InvalidFormat(const String& fmt) {
  // Built by hand: Format itself must not be re-entered to report its own error.
  throw EConvertError(String("Format '") + fmt + "' invalid or incompatible with argument");
}

// Widths and precisions beyond this are refused rather than allocated.
constexpr int64_t kMaxFieldSize = 1 << 20;

size_t CodePointCount(const char* s, size_t n) {
  size_t count = 0;
  for (size_t i = 0; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++count;
  return count;
}

// Byte length of the first `limit` code points of s.
size_t CodePointPrefix(const String& s, size_t limit) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == limit) return i;
      ++count;
    }
  }
  return s.size();
}

// The unsigned reading of an integer argument: negative values in the 32-bit
// range read as their 32-bit pattern (callers pass 32-bit integers as a
// rule), wider ones as 64-bit.
uint64_t UnsignedOf(const TVarRec& a) {
  if (a.kind == TVarRec::Kind::Unsigned) return a.u;
  if (a.i < 0 && a.i >= INT32_MIN) return static_cast<uint32_t>(static_cast<int32_t>(a.i));
  return static_cast<uint64_t>(a.i);
}

void AppendHex(String& out, uint64_t v, int minDigits) {
  char buf[20];
  int len = 0;
  do {
    buf[len++] = "0123456789ABCDEF"[v & 15];
    v >>= 4;
  } while (v);
  if (minDigits > len) out.append(static_cast<size_t>(minDigits - len), '0');
  while (len > 0) out += buf[--len];
}

bool IsIntegerArg(const TVarRec& a) { return a.kind == TVarRec::Kind::Integer || a.kind == TVarRec::Kind::Unsigned; }

}  // namespace

String Format(const String& fmt, TVarRecList args) {
  String out;
  out.reserve(fmt.size() + 16);
  const TVarRec* argv = args.begin();
  const size_t argc = args.size();
  size_t next = 0;
  const size_t n = fmt.size();
  size_t i = 0;
  String body;

  auto takeArg = [&]() -> const TVarRec& {
    if (next >= argc) InvalidFormat(fmt);
    return argv[next++];
  };
  // A number in the specifier: digits, or '*' for the next Integer argument.
  auto readNumber = [&](int64_t& value) -> bool {
    if (i < n && fmt[i] == '*') {
      ++i;
      const TVarRec& a = takeArg();
      if (!IsIntegerArg(a)) InvalidFormat(fmt);
      value = a.kind == TVarRec::Kind::Unsigned ? static_cast<int64_t>(a.u > INT64_MAX ? INT64_MAX : a.u) : a.i;
      if (value > kMaxFieldSize || value < -kMaxFieldSize) InvalidFormat(fmt);
      return true;
    }
    if (i < n && fmt[i] >= '0' && fmt[i] <= '9') {
      value = 0;
      while (i < n && fmt[i] >= '0' && fmt[i] <= '9') {
        value = value * 10 + (fmt[i++] - '0');
        if (value > kMaxFieldSize) InvalidFormat(fmt);
      }
      return true;
    }
    return false;
  };

  while (i < n) {
    const char* start = fmt.data() + i;
    const void* pct = std::memchr(start, '%', n - i);
    if (!pct) {
      out.append(start, n - i);
      break;
    }
    size_t p = static_cast<size_t>(static_cast<const char*>(pct) - fmt.data());
    out.append(fmt, i, p - i);
    i = p + 1;
    if (i >= n) InvalidFormat(fmt);
    if (fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }

    bool left = false;
    int64_t width = -1;
    int64_t precision = -1;
    int64_t v = 0;
    bool got = readNumber(v);
    if (got && i < n && fmt[i] == ':') {
      if (v < 0) InvalidFormat(fmt);
      next = static_cast<size_t>(v);
      ++i;
      got = false;
    }
    if (!got) {
      if (i < n && fmt[i] == '-') {
        left = true;
        ++i;
      }
      got = readNumber(v);
    }
    if (got) {
      if (v < 0) {
        left = true;
        v = -v;
      }
      width = v;
    }
    if (i < n && fmt[i] == '.') {
      ++i;
      if (!readNumber(v)) v = 0;
      precision = v < 0 ? -1 : v;
    }
    if (i >= n) InvalidFormat(fmt);
    char type = fmt[i++];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type - 'A' + 'a');

    const TVarRec& a = takeArg();
    body.clear();
    const int prec = static_cast<int>(precision);
    switch (type) {
      case 'd': {
        if (!IsIntegerArg(a)) InvalidFormat(fmt);
        uint64_t magnitude;
        if (a.kind == TVarRec::Kind::Unsigned) {
          magnitude = a.u;
        } else if (a.i < 0) {
          body += '-';
          magnitude = 0 - static_cast<uint64_t>(a.i);
        } else {
          magnitude = static_cast<uint64_t>(a.i);
        }
        AppendUnsigned(body, magnitude, prec);
        break;
      }
      case 'u':
        if (!IsIntegerArg(a)) InvalidFormat(fmt);
        AppendUnsigned(body, UnsignedOf(a), prec);
        break;
      case 'x':
        if (!IsIntegerArg(a)) InvalidFormat(fmt);
        AppendHex(body, UnsignedOf(a), prec);
        break;
      case 'e':
        if (a.kind != TVarRec::Kind::Float) InvalidFormat(fmt);
        if (!AppendNonFinite(body, a.d)) {
          int digits = prec < 0 ? 15 : (prec < 1 ? 1 : (prec > 18 ? 18 : prec));
          AppendExponentFormat(body, Decompose(a.d), digits, 3);
        }
        break;
      case 'g':
        if (a.kind != TVarRec::Kind::Float) InvalidFormat(fmt);
        AppendFloatF(body, a.d, ffGeneral, prec < 0 ? 15 : prec, 0);
        break;
      case 'f':
      case 'n':
      case 'm': {
        if (a.kind != TVarRec::Kind::Float) InvalidFormat(fmt);
        if (AppendNonFinite(body, a.d)) break;
        TFloatFormat ff = type == 'f' ? ffFixed : (type == 'n' ? ffNumber : ffCurrency);
        int decimals = prec >= 0 ? prec : (type == 'm' ? FormatSettings().CurrencyDecimals : 2);
        AppendFixedFormat(body, a.d, ff, INT32_MAX, decimals, false);
        break;
      }
      case 'p':
        if (a.kind != TVarRec::Kind::Pointer) InvalidFormat(fmt);
        AppendHex(body, reinterpret_cast<uintptr_t>(a.p), static_cast<int>(sizeof(void*) * 2));
        break;
      case 's':
        if (a.kind != TVarRec::Kind::String && a.kind != TVarRec::Kind::WideString && a.kind != TVarRec::Kind::Char)
          InvalidFormat(fmt);
        if (precision >= 0) {
          body.assign(a.s, 0, CodePointPrefix(a.s, static_cast<size_t>(precision)));
        } else {
          body = a.s;
        }
        break;
      default: InvalidFormat(fmt);
    }

    size_t len = width > 0 ? CodePointCount(body.data(), body.size()) : 0;
    if (width > 0 && len < static_cast<size_t>(width)) {
      size_t pad = static_cast<size_t>(width) - len;
      if (left) {
        out += body;
        out.append(pad, ' ');
      } else {
        out.append(pad, ' ');
        out += body;
      }
    } else {
      out += body;
    }
  }
  return out;
}

// ---- FloatToStr / FloatToStrF ---------------------------------------------

String FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  String out;
  AppendFloatF(out, value, format, precision, digits);
  return out;
}

String FloatToStr(double value) { return FloatToStrF(value, ffGeneral, 15, 0); }

// ---- FormatFloat ----------------------------------------------------------

namespace {

// What one section of a FormatFloat pattern asks for.
struct TFloatSection {
  const char* Begin;
  const char* End;
  int IntPlaceholders = 0;
  int IntForced = 0;  // digits shown at least (from the first '0' on)
  int FracPlaceholders = 0;
  int FracForced = 0;  // decimals shown at least (up to the last '0')
  bool Thousands = false;
  bool Scientific = false;
};

// Length of the exponent token at p ("E+00"), 0 when p does not start one.
int ExponentTokenLength(const char* p, const char* end) {
  if (end - p < 2 || (*p != 'E' && *p != 'e') || (p[1] != '+' && p[1] != '-')) return 0;
  const char* q = p + 2;
  while (q < end && *q == '0') ++q;
  return static_cast<int>(q - p);
}

TFloatSection AnalyseSection(const char* begin, const char* end) {
  TFloatSection s;
  s.Begin = begin;
  s.End = end;
  bool inFraction = false;
  int firstIntZero = -1;
  for (const char* p = begin; p < end; ++p) {
    char c = *p;
    if (c == '"' || c == '\'') {
      const char* close = static_cast<const char*>(std::memchr(p + 1, c, static_cast<size_t>(end - p - 1)));
      p = close ? close : end - 1;
      continue;
    }
    if (s.Scientific) continue;  // placeholders end at the exponent
    if (c == '0' || c == '#') {
      if (inFraction) {
        ++s.FracPlaceholders;
        if (c == '0') s.FracForced = s.FracPlaceholders;
      } else {
        if (c == '0' && firstIntZero < 0) firstIntZero = s.IntPlaceholders;
        ++s.IntPlaceholders;
      }
    } else if (c == '.') {
      inFraction = true;
    } else if (c == ',') {
      s.Thousands = true;
    } else if (int len = ExponentTokenLength(p, end)) {
      s.Scientific = true;
      p += len - 1;
    }
  }
  if (firstIntZero >= 0) s.IntForced = s.IntPlaceholders - firstIntZero;
  return s;
}

// Renders one section. With `zeroCheck`, a value that rounds to zero here is
// not written and false is returned, so the caller can use the zero section.
bool RenderSection(String& out, const TFloatSection& s, double value, bool showMinus, bool zeroCheck) {
  const TFormatSettings& fs = FormatSettings();
  TDecimal x = Decompose(value);
  // A double has at most 309 integer digits; patterns asking for more
  // placeholders than kMaxDigits are cut there.
  constexpr int kMaxDigits = 340;
  char intDigits[kMaxDigits];
  int intLen = 0;
  char fracDigits[kMaxDigits];
  int fracLen = 0;
  int exponent = 0;
  int fracWanted = s.FracPlaceholders < kMaxDigits ? s.FracPlaceholders : kMaxDigits;

  if (s.Scientific) {
    int intCount = s.IntPlaceholders > 0 ? s.IntPlaceholders : 1;
    if (intCount > 20) intCount = 20;
    RoundKeep(x, intCount + fracWanted);
    if (x.N > 0) {
      exponent = x.PointPos - intCount;
      for (int i = 0; i < intCount; ++i) intDigits[intLen++] = DigitAt(x, i);
      for (int k = 0; k < fracWanted; ++k) fracDigits[fracLen++] = DigitAt(x, intCount + k);
    }
  } else {
    RoundKeep(x, x.PointPos + fracWanted);
    if (x.N > 0 && x.PointPos > 0) {
      for (int i = 0; i < x.PointPos && intLen < kMaxDigits; ++i) intDigits[intLen++] = DigitAt(x, i);
    }
    if (x.N > 0)
      for (int k = 0; k < fracWanted; ++k) fracDigits[fracLen++] = DigitAt(x, x.PointPos + k);
  }
  const bool isZero = x.N == 0;
  if (zeroCheck && isZero) return false;

  // Leading zeros up to the forced integer digits; trailing fraction zeros
  // dropped down to the forced decimals.
  int forced = s.IntForced < kMaxDigits ? s.IntForced : kMaxDigits;
  if (intLen < forced) {
    std::memmove(intDigits + (forced - intLen), intDigits, static_cast<size_t>(intLen));
    std::memset(intDigits, '0', static_cast<size_t>(forced - intLen));
    intLen = forced;
  }
  while (fracLen < s.FracForced && fracLen < kMaxDigits) fracDigits[fracLen++] = '0';
  while (fracLen > s.FracForced && fracDigits[fracLen - 1] == '0') --fracLen;

  if (showMinus && x.Neg && !isZero) out += '-';

  auto emitInt = [&](int t) {
    out += intDigits[t];
    int rest = intLen - 1 - t;
    if (s.Thousands && rest > 0 && rest % 3 == 0 && fs.ThousandSeparator) out += fs.ThousandSeparator;
  };

  const int P = s.IntPlaceholders;
  int intSeen = 0;
  int fracSeen = 0;
  bool inFraction = false;
  bool exponentDone = false;
  for (const char* p = s.Begin; p < s.End; ++p) {
    char c = *p;
    if (c == '"' || c == '\'') {
      const char* close = static_cast<const char*>(std::memchr(p + 1, c, static_cast<size_t>(s.End - p - 1)));
      const char* stop = close ? close : s.End;
      out.append(p + 1, stop);
      p = close ? close : s.End - 1;
      continue;
    }
    if (!exponentDone && (c == '0' || c == '#')) {
      if (!inFraction) {
        int t = intLen - P + intSeen;
        if (intSeen == 0) {
          for (int k = 0; k <= t; ++k) emitInt(k);
        } else if (t >= 0) {
          emitInt(t);
        }
        ++intSeen;
      } else {
        if (fracSeen < fracLen) out += fracDigits[fracSeen];
        ++fracSeen;
      }
      continue;
    }
    if (!exponentDone && c == '.') {
      if (!inFraction) {
        inFraction = true;
        if (P == 0)
          for (int k = 0; k < intLen; ++k) emitInt(k);
        if (fracLen > 0) out += fs.DecimalSeparator;
      }
      continue;
    }
    if (!exponentDone && c == ',') continue;
    if (!exponentDone) {
      if (int len = ExponentTokenLength(p, s.End)) {
        int minDigits = len - 2 > 4 ? 4 : len - 2;
        AppendExponent(out, c, exponent, p[1] == '+', minDigits);
        p += len - 1;
        exponentDone = true;
        continue;
      }
    }
    out += c;
  }
  return true;
}

}  // namespace

String FormatFloat(const String& pattern, double value) {
  if (pattern.empty()) return FloatToStr(value);
  String out;
  if (AppendNonFinite(out, value)) return out;

  // Up to three sections split at ';' outside quotes.
  const char* sb[3];
  const char* se[3];
  int count = 0;
  const char* p = pattern.data();
  const char* end = p + pattern.size();
  sb[0] = p;
  for (; p < end; ++p) {
    if (*p == '"' || *p == '\'') {
      const char* close = static_cast<const char*>(std::memchr(p + 1, *p, static_cast<size_t>(end - p - 1)));
      p = close ? close : end - 1;
    } else if (*p == ';') {
      se[count++] = p;
      if (count == 3) break;
      sb[count] = p + 1;
    }
  }
  if (count < 3) se[count++] = end;
  auto hasSection = [&](int k) { return k < count && se[k] > sb[k]; };

  const bool haveZero = hasSection(2);
  int k = 0;
  bool showMinus = true;
  if (value < 0 && hasSection(1)) {
    k = 1;
    showMinus = false;
  }
  if (value == 0 && haveZero) k = 2;
  TFloatSection section = AnalyseSection(sb[k], se[k]);
  if (RenderSection(out, section, value, showMinus, haveZero && k != 2)) return out;
  // The value rounds to zero in its own section: the zero section shows it.
  RenderSection(out, AnalyseSection(sb[2], se[2]), 0.0, true, false);
  return out;
}

// ---- StrToFloat -----------------------------------------------------------

bool TryStrToFloat(const String& s, double& value) {
  const char dec = FormatSettings().DecimalSeparator;
  size_t b = 0;
  size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  if (b == e || e - b > 4096) return false;

  // Validate and rewrite into from_chars' syntax ('.' point, no '+').
  String buf;
  buf.reserve(e - b);
  size_t i = b;
  bool neg = false;
  if (s[i] == '+' || s[i] == '-') neg = s[i++] == '-';
  if (neg) buf += '-';
  int mantissaDigits = 0;
  int64_t magnitude = 0;  // decimal exponent of the leading non-zero digit + 1
  bool nonZeroSeen = false;
  int intDigitsAfterLead = 0;
  int fracLeadingZeros = 0;
  while (i < e && s[i] >= '0' && s[i] <= '9') {
    if (s[i] != '0') nonZeroSeen = true;
    if (nonZeroSeen) ++intDigitsAfterLead;
    buf += s[i++];
    ++mantissaDigits;
  }
  if (i < e && s[i] == dec) {
    buf += '.';
    ++i;
    while (i < e && s[i] >= '0' && s[i] <= '9') {
      if (!nonZeroSeen) {
        if (s[i] == '0')
          ++fracLeadingZeros;
        else
          nonZeroSeen = true;
      }
      buf += s[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  int64_t exp10 = 0;
  if (i < e && (s[i] == 'e' || s[i] == 'E')) {
    buf += 'e';
    ++i;
    bool negExp = false;
    if (i < e && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
    if (negExp) buf += '-';
    size_t expStart = i;
    while (i < e && s[i] >= '0' && s[i] <= '9') {
      if (exp10 < 1000000000) exp10 = exp10 * 10 + (s[i] - '0');
      buf += s[i++];
    }
    if (i == expStart) return false;
    if (negExp) exp10 = -exp10;
  }
  if (i != e) return false;
  if (!nonZeroSeen) {
    value = neg ? -0.0 : 0.0;
    return true;
  }
  magnitude = exp10 + (intDigitsAfterLead > 0 ? intDigitsAfterLead : -fracLeadingZeros);

  double result = 0;
  auto res = std::from_chars(buf.data(), buf.data() + buf.size(), result, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    if (magnitude > 0) return false;  // overflow
    value = neg ? -0.0 : 0.0;         // underflow reads as zero
    return true;
  }
  if (res.ec != std::errc() || res.ptr != buf.data() + buf.size()) return false;
  value = result;
  return true;
}

double StrToFloat(const String& s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError(String("'") + s + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const String& s, double defaultValue) {
  double v;
  return TryStrToFloat(s, v) ? v : defaultValue;
}
