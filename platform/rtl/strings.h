// String routines with the framework's meaning. String is UTF-8, WideString
// is UTF-16. Positions and counts are 1-based code units (bytes in a String,
// char16_t in a WideString), so algorithms written with 1-based indexes can be
// transcribed as they stand.
#pragma once

#include <string_view>
#include <type_traits>

#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

// ---- Length, Copy, Pos, Delete, Insert -------------------------------------
inline int32_t Length(std::string_view s) { return static_cast<int32_t>(s.size()); }
inline int32_t Length(std::u16string_view s) { return static_cast<int32_t>(s.size()); }

// count units from index (1-based). An index below 1 counts as 1; a count
// past the end is clamped; a negative count or an index past the end gives "".
String Copy(std::string_view s, int32_t index, int32_t count);
WideString Copy(std::u16string_view s, int32_t index, int32_t count);

// 1-based position of the first substr in s; 0 when absent or substr is empty.
int32_t Pos(std::string_view substr, std::string_view s);
int32_t Pos(char c, std::string_view s);
int32_t Pos(std::u16string_view substr, std::u16string_view s);
int32_t Pos(char16_t c, std::u16string_view s);
// As Pos, starting the search at offset (1-based). 0 when offset < 1 or
// offset is past the end.
int32_t PosEx(std::string_view substr, std::string_view s, int32_t offset = 1);
int32_t PosEx(std::u16string_view substr, std::u16string_view s, int32_t offset = 1);

// Removes count units from index. Nothing happens when index is outside
// 1..Length(s) or count <= 0; a count past the end is clamped.
void Delete(String& s, int32_t index, int32_t count);
void Delete(WideString& s, int32_t index, int32_t count);
// Inserts source so that it starts at index. An index below 1 inserts at the
// front, one past the end appends.
void Insert(std::string_view source, String& s, int32_t index);
void Insert(std::u16string_view source, WideString& s, int32_t index);

// count copies of c; "" for count <= 0.
String StringOfChar(char c, int32_t count);

// ---- Trimming: characters <= ' ' (control characters and space) -------------
String Trim(std::string_view s);
String TrimLeft(std::string_view s);
String TrimRight(std::string_view s);

// ---- ASCII case (letters A..Z / a..z only, other bytes unchanged) ------------
String UpperCase(std::string_view s);
String LowerCase(std::string_view s);
// < 0, 0, > 0; ASCII letters compared as upper case, other bytes by value.
int32_t CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// ---- Unicode case (simple case mapping, independent of the process locale) --
// Bytes that are not valid UTF-8 are kept as they are.
String AnsiUpperCase(std::string_view s);
String AnsiLowerCase(std::string_view s);
WideString WideUpperCase(std::u16string_view s);
WideString WideLowerCase(std::u16string_view s);
// Case-insensitive order by code point after case folding: < 0, 0, > 0.
int32_t AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// Case-sensitive order by code point: < 0, 0, > 0.
int32_t AnsiCompareStr(std::string_view a, std::string_view b);

// ---- Replacing and quoting ---------------------------------------------------
enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag>;

// Replaces the first (or, with rfReplaceAll, every) oldPattern in s. With
// rfIgnoreCase the match uses the Unicode case folding of AnsiSameText. An
// empty oldPattern changes nothing.
String StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern, TReplaceFlags flags);

// 'text' with every ' doubled.
String QuotedStr(std::string_view s);
// quote + s + quote with every quote character doubled.
String AnsiQuotedStr(std::string_view s, char quote);
// The inverse of AnsiQuotedStr: when s starts with quote, the text up to the
// closing quote with doubled quotes made single (an unterminated text runs to
// the end); otherwise s unchanged.
String AnsiDequotedStr(std::string_view s, char quote);

// ---- Encodings ---------------------------------------------------------------
// Malformed UTF-8 becomes U+FFFD, one per maximal ill-formed subpart; a lone
// surrogate in UTF-16 becomes U+FFFD. Conversions never fail.
WideString UTF8ToUTF16(std::string_view s);
String UTF16ToUTF8(std::u16string_view s);
// Windows-1252 bytes to UTF-8. The five unassigned bytes (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value.
String CP1252ToUTF8(std::string_view s);
// Appends code point c in UTF-8 (one to four bytes; c is not checked).
void AppendUTF8(String& out, char32_t c);
// Well-formed UTF-8: no overlong forms, surrogates or values above U+10FFFF.
bool IsValidUTF8(std::string_view s);
// Text to show a user: valid UTF-8 as it is, anything else read as Windows-1252.
String DisplayText(const String& bytes);

// ---- Integers in text --------------------------------------------------------
String IntToStr(int32_t value);
String IntToStr(int64_t value);
namespace rtl_detail {
String UInt64ToStr(uint64_t value);
}
// Other integer types (unsigned, long long, size_t ...) without ambiguity.
template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, int32_t> &&
                                        !std::is_same_v<T, int64_t> && !std::is_same_v<T, bool>,
                                    int> = 0>
String IntToStr(T value) {
  if constexpr (std::is_signed_v<T> || sizeof(T) < sizeof(int64_t))
    return IntToStr(static_cast<int64_t>(value));
  else
    return rtl_detail::UInt64ToStr(static_cast<uint64_t>(value));
}

// Upper-case hexadecimal, zero-padded to at least digits. A negative value is
// shown in two's complement of its width (IntToHex(-1, 2) = "FFFFFFFF").
String IntToHex(int32_t value, int32_t digits);
String IntToHex(int64_t value, int32_t digits);
template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, int32_t> &&
                                        !std::is_same_v<T, int64_t> && !std::is_same_v<T, bool>,
                                    int> = 0>
String IntToHex(T value, int32_t digits) {
  if constexpr (sizeof(T) <= sizeof(int32_t))
    return IntToHex(static_cast<int32_t>(static_cast<uint32_t>(value)), digits);
  else
    return IntToHex(static_cast<int64_t>(static_cast<uint64_t>(value)), digits);
}

// Leading spaces, an optional sign, then decimal digits or hexadecimal digits
// after "$" or "0x". Hexadecimal covers the full unsigned width
// ("$FFFFFFFF" is -1 for int32). Anything else, an empty text or an
// out-of-range decimal raises EConvertError "'s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t defaultValue);
bool TryStrToInt(std::string_view s, int32_t& value);
int64_t StrToInt64(std::string_view s);
int64_t StrToInt64Def(std::string_view s, int64_t defaultValue);
bool TryStrToInt64(std::string_view s, int64_t& value);
