#include "platform/rtl/graphtypes.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiSameText(const char* a, const String& b) {
  size_t i = 0;
  for (; a[i] != '\0'; ++i)
    if (i >= b.size() || AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return i == b.size();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Integer text as the runtime reads it: leading blanks, a sign, then decimal
// digits or "$"/"0x" and up to 32 bits of hex (which wrap to a negative value).
bool TryParseInt32(const String& s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    int digit = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    uint32_t bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
    return true;
  }
  if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return false;
  value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
  return true;
}

}  // namespace

bool ColorToIdent(TColor Color, String& Ident) {
  for (const TIdentMapEntry& e : ColorIdents)
    if (e.Value == Color) {
      Ident = e.Name;
      return true;
    }
  return false;
}

bool IdentToColor(const String& Ident, TColor& Color) {
  for (const TIdentMapEntry& e : ColorIdents)
    if (AsciiSameText(e.Name, Ident)) {
      Color = e.Value;
      return true;
    }
  return false;
}

String ColorToString(TColor Color) {
  String ident;
  if (ColorToIdent(Color, ident)) return ident;
  static const char kDigits[] = "0123456789ABCDEF";
  String result = "$00000000";
  uint32_t bits = static_cast<uint32_t>(Color);
  for (int i = 8; i >= 1; --i, bits >>= 4) result[static_cast<size_t>(i)] = kDigits[bits & 0xF];
  return result;
}

TColor StringToColor(const String& S) {
  TColor color;
  if (IdentToColor(S, color)) return color;
  if (TryParseInt32(S, color)) return color;
  throw EConvertError("'%s' is not a valid integer value", {S});
}

bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }

bool EqualRect(const TRect& A, const TRect& B) { return A == B; }

bool PtInRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

bool IntersectRect(TRect& Dst, const TRect& A, const TRect& B) {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
  if (IsRectEmpty(A) || IsRectEmpty(B) || IsRectEmpty(r)) {
    Dst = TRect{};
    return false;
  }
  Dst = r;
  return true;
}

bool UnionRect(TRect& Dst, const TRect& A, const TRect& B) {
  bool emptyA = IsRectEmpty(A), emptyB = IsRectEmpty(B);
  if (emptyA && emptyB) {
    Dst = TRect{};
    return false;
  }
  if (emptyA) {
    Dst = B;
  } else if (emptyB) {
    Dst = A;
  } else {
    Dst = TRect{std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                std::max(A.Bottom, B.Bottom)};
  }
  return true;
}

bool OffsetRect(TRect& R, int32_t DX, int32_t DY) {
  R = TRect{AddWrap32(R.Left, DX), AddWrap32(R.Top, DY), AddWrap32(R.Right, DX), AddWrap32(R.Bottom, DY)};
  return true;
}

bool InflateRect(TRect& R, int32_t DX, int32_t DY) {
  R = TRect{SubWrap32(R.Left, DX), SubWrap32(R.Top, DY), AddWrap32(R.Right, DX), AddWrap32(R.Bottom, DY)};
  return true;
}
