#include "platform/rtl/strings.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/varrec.h"

TVarRec::TVarRec(const WideString& v) : kind(Kind::WideString), s(UTF16ToUTF8(v)), ws(v) {}

namespace {

// ---- UTF-8 / UTF-16 primitives ---------------------------------------------

constexpr char32_t kBad = 0xFFFFFFFFu;  // marks a malformed subpart (not U+FFFD itself)
constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point from p[0 .. n-1] (n >= 1). Returns the bytes used. On
// malformed input cp is kBad and the count is the maximal ill-formed subpart:
// the longest prefix that could still have begun a well-formed sequence, at
// least one byte.
inline size_t DecodeUTF8(const unsigned char* p, size_t n, char32_t& cp) {
  const unsigned b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  unsigned need;
  char32_t c;
  unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    c = b0 & 0x0F;
    if (b0 == 0xE0)
      lo = 0xA0;  // overlong
    else if (b0 == 0xED)
      hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    c = b0 & 0x07;
    if (b0 == 0xF0)
      lo = 0x90;  // overlong
    else if (b0 == 0xF4)
      hi = 0x8F;  // above U+10FFFF
  } else {
    cp = kBad;
    return 1;
  }
  size_t i = 1;
  for (; i <= need; ++i) {
    if (i >= n) {
      cp = kBad;
      return i;
    }
    const unsigned b = p[i];
    if (b < lo || b > hi) {
      cp = kBad;
      return i;
    }
    lo = 0x80;
    hi = 0xBF;
    c = (c << 6) | (b & 0x3F);
  }
  cp = c;
  return i;
}

inline void AppendUTF16(WideString& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

inline bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

inline const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

inline bool AllASCII(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// ---- Case mapping ------------------------------------------------------------

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline unsigned AsciiLowerU(unsigned c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
inline unsigned AsciiUpperU(unsigned c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

// The UTF-8 C locale, created once and never freed; null if the system lacks
// it, in which case only ASCII letters change case.
locale_t Utf8Locale() {
  static const locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

char32_t UpperCP(char32_t c) {
  if (c < 0x80) return AsciiUpperU(c);
  locale_t l = Utf8Locale();
  return l ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), l)) : c;
}

char32_t LowerCP(char32_t c) {
  if (c < 0x80) return AsciiLowerU(c);
  locale_t l = Utf8Locale();
  return l ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), l)) : c;
}

// Lower case of the upper case: one key for every case variant (Σ σ ς, K k
// and the Kelvin sign ...). Comparing lower-case keys orders '_' and the other
// ASCII punctuation between 'Z' and 'a' before letters.
char32_t FoldCP(char32_t c) {
  if (c < 0x80) return AsciiLowerU(c);
  return LowerCP(UpperCP(c));
}

// Folded key of the item at s[i], returning the bytes used. A malformed byte
// is one item whose key lies above every code point, so the order stays total.
inline size_t NextFolded(std::string_view s, size_t i, char32_t& key) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    key = AsciiLowerU(b);
    return 1;
  }
  char32_t cp;
  const size_t len = DecodeUTF8(Bytes(s) + i, s.size() - i, cp);
  if (cp == kBad) {
    key = 0x110000u + b;
    return 1;
  }
  key = FoldCP(cp);
  return len;
}

template <char32_t (*Map)(char32_t), char (*MapAscii)(char)>
String MapUTF8(std::string_view s) {
  String r(s);
  if (AllASCII(s)) {
    for (char& c : r) c = MapAscii(c);
    return r;
  }
  r.clear();
  r.reserve(s.size() + 4);
  const unsigned char* p = Bytes(s);
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      r.push_back(MapAscii(s[i]));
      ++i;
      continue;
    }
    char32_t cp;
    const size_t len = DecodeUTF8(p + i, n - i, cp);
    if (cp == kBad)
      r.append(s.data() + i, len);  // keep bytes that are not text
    else
      AppendUTF8(r, Map(cp));
    i += len;
  }
  return r;
}

template <char32_t (*Map)(char32_t)>
WideString MapUTF16(std::u16string_view s) {
  WideString r;
  r.reserve(s.size());
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t u = s[i];
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      AppendUTF16(r, Map(cp));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      r.push_back(static_cast<char16_t>(u));  // a lone surrogate has no case
    } else {
      AppendUTF16(r, Map(u));
    }
  }
  return r;
}

inline int32_t Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// ---- 1-based helpers shared by the narrow and wide overloads ------------------

template <class Ch>
std::basic_string<Ch> CopyImpl(std::basic_string_view<Ch> s, int32_t index, int32_t count) {
  const int64_t len = static_cast<int64_t>(s.size());
  const int64_t start = index < 1 ? 0 : static_cast<int64_t>(index) - 1;
  if (count <= 0 || start >= len) return {};
  const int64_t n = std::min<int64_t>(count, len - start);
  return std::basic_string<Ch>(s.substr(static_cast<size_t>(start), static_cast<size_t>(n)));
}

template <class Ch>
int32_t PosExImpl(std::basic_string_view<Ch> substr, std::basic_string_view<Ch> s, int32_t offset) {
  if (substr.empty() || offset < 1 || static_cast<size_t>(offset) > s.size()) return 0;
  const size_t at = s.find(substr, static_cast<size_t>(offset) - 1);
  return at == std::basic_string_view<Ch>::npos ? 0 : static_cast<int32_t>(at + 1);
}

template <class Ch>
void DeleteImpl(std::basic_string<Ch>& s, int32_t index, int32_t count) {
  const int64_t len = static_cast<int64_t>(s.size());
  if (index < 1 || index > len || count <= 0) return;
  const int64_t n = std::min<int64_t>(count, len - index + 1);
  s.erase(static_cast<size_t>(index) - 1, static_cast<size_t>(n));
}

template <class Ch>
void InsertImpl(std::basic_string_view<Ch> source, std::basic_string<Ch>& s, int32_t index) {
  if (source.empty()) return;
  const int64_t len = static_cast<int64_t>(s.size());
  const int64_t at = index < 1 ? 0 : std::min<int64_t>(static_cast<int64_t>(index) - 1, len);
  // source may be a view into s itself: copy it before s changes.
  const Ch* b = s.data();
  if (source.data() >= b && source.data() <= b + s.size()) {
    const std::basic_string<Ch> copy(source);
    s.insert(static_cast<size_t>(at), copy);
  } else {
    s.insert(static_cast<size_t>(at), source);
  }
}

}  // namespace

void AppendUTF8(String& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    const char b[2] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 2);
  } else if (c < 0x10000) {
    const char b[3] = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                       static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 3);
  } else {
    const char b[4] = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                       static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(b, 4);
  }
}

// ---- Length, Copy, Pos, Delete, Insert ----------------------------------------

String Copy(std::string_view s, int32_t index, int32_t count) { return CopyImpl(s, index, count); }
WideString Copy(std::u16string_view s, int32_t index, int32_t count) { return CopyImpl(s, index, count); }

int32_t Pos(std::string_view substr, std::string_view s) { return PosExImpl(substr, s, 1); }
int32_t Pos(char c, std::string_view s) {
  const size_t at = s.find(c);
  return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}
int32_t Pos(std::u16string_view substr, std::u16string_view s) { return PosExImpl(substr, s, 1); }
int32_t Pos(char16_t c, std::u16string_view s) {
  const size_t at = s.find(c);
  return at == std::u16string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}
int32_t PosEx(std::string_view substr, std::string_view s, int32_t offset) { return PosExImpl(substr, s, offset); }
int32_t PosEx(std::u16string_view substr, std::u16string_view s, int32_t offset) {
  return PosExImpl(substr, s, offset);
}

void Delete(String& s, int32_t index, int32_t count) { DeleteImpl(s, index, count); }
void Delete(WideString& s, int32_t index, int32_t count) { DeleteImpl(s, index, count); }
void Insert(std::string_view source, String& s, int32_t index) { InsertImpl(source, s, index); }
void Insert(std::u16string_view source, WideString& s, int32_t index) { InsertImpl(source, s, index); }

String StringOfChar(char c, int32_t count) { return count <= 0 ? String() : String(static_cast<size_t>(count), c); }

// ---- Trimming -------------------------------------------------------------------

namespace {
inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

String Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsTrimmed(s[b])) ++b;
  while (e > b && IsTrimmed(s[e - 1])) --e;
  return String(s.substr(b, e - b));
}

String TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsTrimmed(s[b])) ++b;
  return String(s.substr(b));
}

String TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsTrimmed(s[e - 1])) --e;
  return String(s.substr(0, e));
}

// ---- ASCII case -----------------------------------------------------------------

String UpperCase(std::string_view s) {
  String r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

String LowerCase(std::string_view s) {
  String r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

int32_t CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned x = AsciiUpperU(static_cast<unsigned char>(a[i]));
    const unsigned y = AsciiUpperU(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// ---- Unicode case ----------------------------------------------------------------

String AnsiUpperCase(std::string_view s) { return MapUTF8<UpperCP, AsciiUpper>(s); }
String AnsiLowerCase(std::string_view s) { return MapUTF8<LowerCP, AsciiLower>(s); }
WideString WideUpperCase(std::u16string_view s) { return MapUTF16<UpperCP>(s); }
WideString WideLowerCase(std::u16string_view s) { return MapUTF16<LowerCP>(s); }

int32_t AnsiCompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned ca = static_cast<unsigned char>(a[i]);
    const unsigned cb = static_cast<unsigned char>(b[j]);
    if ((ca | cb) < 0x80) {
      const unsigned x = AsciiLowerU(ca), y = AsciiLowerU(cb);
      if (x != y) return x < y ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    char32_t x, y;
    i += NextFolded(a, i, x);
    j += NextFolded(b, j, y);
    if (x != y) return x < y ? -1 : 1;
  }
  const bool restA = i < a.size(), restB = j < b.size();
  return restA == restB ? 0 : (restA ? 1 : -1);
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

int32_t AnsiCompareStr(std::string_view a, std::string_view b) {
  // UTF-8 byte order is code point order.
  return Sign(a.compare(b));
}

// ---- Replacing and quoting ---------------------------------------------------------

namespace {

// Bytes of s from i that match pattern under case folding, or npos.
size_t FoldedMatchAt(std::string_view s, size_t i, std::string_view pattern) {
  size_t k = i, j = 0;
  while (j < pattern.size()) {
    if (k >= s.size()) return String::npos;
    char32_t x, y;
    k += NextFolded(s, k, x);
    j += NextFolded(pattern, j, y);
    if (x != y) return String::npos;
  }
  return k - i;
}

// Step from one item of s to the next: a whole code point, or one malformed byte.
size_t ItemLength(std::string_view s, size_t i) {
  if (static_cast<unsigned char>(s[i]) < 0x80) return 1;
  char32_t cp;
  const size_t len = DecodeUTF8(Bytes(s) + i, s.size() - i, cp);
  return cp == kBad ? 1 : len;
}

}  // namespace

String StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern,
                     TReplaceFlags flags) {
  if (oldPattern.empty()) return String(s);
  const bool all = flags.Contains(TReplaceFlag::rfReplaceAll);
  String r;
  r.reserve(s.size());
  size_t i = 0;
  if (!flags.Contains(TReplaceFlag::rfIgnoreCase)) {
    while (i <= s.size()) {
      const size_t at = s.find(oldPattern, i);
      if (at == std::string_view::npos) break;
      r.append(s.data() + i, at - i);
      r.append(newPattern);
      i = at + oldPattern.size();
      if (!all) break;
    }
    r.append(s.substr(std::min(i, s.size())));
    return r;
  }
  size_t copied = 0;  // s[copied .. i) is still to be appended
  while (i < s.size()) {
    const size_t len = FoldedMatchAt(s, i, oldPattern);
    if (len == String::npos) {
      i += ItemLength(s, i);
      continue;
    }
    r.append(s.data() + copied, i - copied);
    r.append(newPattern);
    i += len;
    copied = i;
    if (!all) break;
  }
  r.append(s.substr(copied));
  return r;
}

String QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

String AnsiQuotedStr(std::string_view s, char quote) {
  String r;
  r.reserve(s.size() + 2);
  r.push_back(quote);
  for (char c : s) {
    r.push_back(c);
    if (c == quote) r.push_back(quote);
  }
  r.push_back(quote);
  return r;
}

String AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return String(s);
  String r;
  r.reserve(s.size());
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        r.push_back(quote);
        ++i;
      } else {
        break;  // closing quote; anything after it is dropped
      }
    } else {
      r.push_back(s[i]);
    }
  }
  return r;
}

// ---- Encodings ----------------------------------------------------------------------

WideString UTF8ToUTF16(std::string_view s) {
  WideString r;
  r.reserve(s.size());
  const unsigned char* p = Bytes(s);
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      r.push_back(p[i]);
      ++i;
      continue;
    }
    char32_t cp;
    i += DecodeUTF8(p + i, n - i, cp);
    AppendUTF16(r, cp == kBad ? kReplacement : cp);
  }
  return r;
}

String UTF16ToUTF8(std::u16string_view s) {
  String r;
  r.reserve(s.size());
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t u = s[i];
    if (u < 0x80) {
      r.push_back(static_cast<char>(u));
    } else if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      AppendUTF8(r, 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUTF8(r, kReplacement);
    } else {
      AppendUTF8(r, u);
    }
  }
  return r;
}

namespace {
// Windows-1252 0x80..0x9F; the unassigned positions keep their C1 value.
constexpr char16_t kCP1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

String CP1252ToUTF8(std::string_view s) {
  String r;
  r.reserve(s.size() + s.size() / 2);
  for (char ch : s) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      r.push_back(ch);
    else if (b < 0xA0)
      AppendUTF8(r, kCP1252High[b - 0x80]);
    else
      AppendUTF8(r, b);
  }
  return r;
}

bool IsValidUTF8(std::string_view s) {
  const unsigned char* p = Bytes(s);
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    i += DecodeUTF8(p + i, n - i, cp);
    if (cp == kBad) return false;
  }
  return true;
}

String DisplayText(const String& bytes) { return IsValidUTF8(bytes) ? bytes : CP1252ToUTF8(bytes); }

// ---- Integers in text -----------------------------------------------------------------

namespace {

template <class T>
String ToDecimal(T value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return String(buf, res.ptr);
}

String ToHex(uint64_t value, int32_t digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char buf[16];
  int len = 0;
  do {
    buf[15 - len++] = kHex[value & 15u];
    value >>= 4;
  } while (value != 0);
  String r;
  if (digits > len) r.assign(static_cast<size_t>(digits - len), '0');
  r.append(buf + 16 - len, static_cast<size_t>(len));
  return r;
}

// Parses the framework's integer syntax into a signed type S.
template <class S>
bool ParseInteger(std::string_view s, S& out) {
  using U = std::make_unsigned_t<S>;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  U acc = 0;
  if (hex) {
    for (; i < n; ++i) {
      const char c = s[i];
      unsigned d;
      if (c >= '0' && c <= '9')
        d = static_cast<unsigned>(c - '0');
      else if (c >= 'A' && c <= 'F')
        d = static_cast<unsigned>(c - 'A' + 10);
      else if (c >= 'a' && c <= 'f')
        d = static_cast<unsigned>(c - 'a' + 10);
      else
        return false;
      if (acc > (std::numeric_limits<U>::max() >> 4)) return false;
      acc = static_cast<U>((acc << 4) | d);
    }
  } else {
    // The magnitude of the most negative value is one more than the maximum.
    const U limit = static_cast<U>(std::numeric_limits<S>::max()) + (negative ? 1u : 0u);
    for (; i < n; ++i) {
      const char c = s[i];
      if (c < '0' || c > '9') return false;
      const unsigned d = static_cast<unsigned>(c - '0');
      if (acc > (limit - d) / 10) return false;
      acc = static_cast<U>(acc * 10 + d);
    }
  }
  out = static_cast<S>(negative ? static_cast<U>(U(0) - acc) : acc);
  return true;
}

[[noreturn]] void RaiseNotInteger(std::string_view s) {
  String msg;
  msg.reserve(s.size() + 32);
  msg += '\'';
  msg += s;
  msg += "' is not a valid integer value";
  throw EConvertError(msg);
}

}  // namespace

String IntToStr(int32_t value) { return ToDecimal(value); }
String IntToStr(int64_t value) { return ToDecimal(value); }
String rtl_detail::UInt64ToStr(uint64_t value) { return ToDecimal(value); }

String IntToHex(int32_t value, int32_t digits) { return ToHex(static_cast<uint32_t>(value), digits); }
String IntToHex(int64_t value, int32_t digits) { return ToHex(static_cast<uint64_t>(value), digits); }

bool TryStrToInt(std::string_view s, int32_t& value) { return ParseInteger(s, value); }

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!ParseInteger(s, v)) RaiseNotInteger(s);
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t defaultValue) {
  int32_t v;
  return ParseInteger(s, v) ? v : defaultValue;
}

bool TryStrToInt64(std::string_view s, int64_t& value) { return ParseInteger(s, value); }

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!ParseInteger(s, v)) RaiseNotInteger(s);
  return v;
}

int64_t StrToInt64Def(std::string_view s, int64_t defaultValue) {
  int64_t v;
  return ParseInteger(s, v) ? v : defaultValue;
}
