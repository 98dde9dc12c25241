// Free routines shared by the codecs, the processing operations and the
// views: files and memory blocks, bit and byte order, small maths and
// rectangle geometry, the Lab conversions, a few text helpers and the base64
// writer. Nothing here keeps state except IECenterWindowHook.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <utility>

#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

class TStream;
struct HWND__;

// ---- Files and memory ------------------------------------------------------------
bool IEDirectoryExists(const String& Path);
// Creates Path and every missing parent. Trailing "/" are dropped; the
// recursion stops at the root or at an existing folder. A folder that cannot
// be created is not reported. An empty Path raises "Cannot Create Directory".
void IEForceDirectories(const String& Path);
// Size of a file in bytes; -1 when it cannot be reached, is a folder, or is
// larger than 2147483647 bytes (never a wrapped value).
int32_t IEGetFileSize(const String& FileName);
// A zero-filled block of Size bytes; nil when Size <= 0 or memory is short.
// Released only through IEVirtualFree.
void* IEVirtualAlloc(int64_t Size);
// Releases a block of IEVirtualAlloc (nothing for nil) and sets Address to nil.
void IEVirtualFree(void*& Address);

// ---- Bits and bytes -----------------------------------------------------------------
namespace ie_detail {
constexpr uint8_t ReverseBits8(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r = static_cast<uint8_t>(r | (0x80u >> i));
  return r;
}
struct TReverseTable {
  uint8_t v[256];
  constexpr TReverseTable() : v() {
    for (int i = 0; i < 256; ++i) v[i] = ReverseBits8(static_cast<uint8_t>(i));
  }
};
inline constexpr TReverseTable IEReverseTable{};
}  // namespace ie_detail

// Bit 7 <-> bit 0, bit 6 <-> bit 1, ...
inline void IEReverseByteBits(uint8_t& B) { B = ie_detail::IEReverseTable.v[B]; }
// Bit 31 <-> bit 0, ...
inline void IEReverseDWordBits(uint32_t& D) {
  const auto& t = ie_detail::IEReverseTable.v;
  D = (uint32_t{t[D & 0xFF]} << 24) | (uint32_t{t[(D >> 8) & 0xFF]} << 16) | (uint32_t{t[(D >> 16) & 0xFF]} << 8) |
      uint32_t{t[D >> 24]};
}
inline uint16_t IESwapWord(uint16_t W) { return __builtin_bswap16(W); }
inline uint32_t IESwapDWord(uint32_t D) { return __builtin_bswap32(D); }
inline uint16_t IESwapWordIf(uint16_t W, bool Swap) { return Swap ? __builtin_bswap16(W) : W; }
inline uint32_t IESwapDWordIf(uint32_t D, bool Swap) { return Swap ? __builtin_bswap32(D) : D; }

// Length of the run of set bits that starts at the lowest set bit. The
// lowest set bit is looked for in bits 0..30 only (bit 31 is where the run
// starts when none of them is set): 0 for 0, 6 for 0x07E0.
inline int32_t IEBitMaskWidth(uint32_t Mask) {
  int32_t i = 0;
  while (i < 31 && (Mask & (1u << i)) == 0) ++i;
  int32_t w = 0;
  while (i < 32 && (Mask & (1u << i)) != 0) {
    ++w;
    ++i;
  }
  return w;
}
// -1 for 0; the bit's index for a single bit (0x0020 -> 5); otherwise the
// index of the highest set bit plus one (0xF800 -> 16, 0x07E0 -> 11).
inline int32_t IEBitMaskTop(uint32_t Mask) {
  if (Mask == 0) return -1;
  const int32_t top = 31 - __builtin_clz(Mask);
  return (Mask & (Mask - 1)) == 0 ? top : top + 1;
}

// ---- Maths ------------------------------------------------------------------------------
// Base ^ Exponent by repeated squaring; 1 for Exponent 0, 1 / Base ^ -Exponent
// for a negative one.
double IEIntPower(double Base, int32_t Exponent);
// 1 for Exponent 0; 0 for Base 0 and a positive Exponent; an integral
// Exponent goes through IEIntPower; otherwise exp(Exponent * ln Base). A
// negative Base with a fractional Exponent raises EInvalidOp.
double IEPower(double Base, double Exponent);
inline double IEArcTan2(double Y, double X) { return std::atan2(Y, X); }
// arccos X for X in -1..1: 0 for 1, pi for -1.
inline double IEArcCos(double X) {
  if (X == 1) return 0;
  if (X == -1) return std::numbers::pi;
  return IEArcTan2(std::sqrt(1 - X * X), X);
}
// The angle in radians between the vectors P1->P2 and P2->P3: 0 when either
// has no length. Opposite vectors give pi.
double IEAngleBetween(double X1, double Y1, double X2, double Y2, double X3, double Y3);
// Count points of the cubic Bezier curve P0..P3 at t = 1/Count, 2/Count ... 1,
// each coordinate rounded (halves to even): P0 is not emitted, the last point
// is P3. Points must hold Count entries.
void IEBezierPoints(const TPoint& P0, const TPoint& P1, const TPoint& P2, const TPoint& P3, TPoint* Points,
                    int32_t Count);

// ---- Rectangles (edges inclusive; Right and Bottom are inside here) ----------------------
// Widens R to include the point.
inline void IEExtendRect(TRect& R, int32_t X, int32_t Y) {
  if (X < R.Left) R.Left = X;
  if (X > R.Right) R.Right = X;
  if (Y < R.Top) R.Top = Y;
  if (Y > R.Bottom) R.Bottom = Y;
}
inline bool IEPointInRect(int32_t X, int32_t Y, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return X >= Left && X <= Right && Y >= Top && Y <= Bottom;
}
// The same with the corners in any order.
inline bool IEPointInRectNormalized(int32_t X, int32_t Y, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (X2 < X1) std::swap(X1, X2);
  if (Y2 < Y1) std::swap(Y1, Y2);
  return IEPointInRect(X, Y, X1, Y1, X2, Y2);
}
// The box spanned by (X1, Y1) and (X2, Y2), corners in any order, overlaps
// the rectangle.
inline bool IERectsIntersect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Left, int32_t Top, int32_t Right,
                             int32_t Bottom) {
  if (X2 < X1) std::swap(X1, X2);
  if (Y2 < Y1) std::swap(Y1, Y2);
  return X1 <= Right && X2 >= Left && Y1 <= Bottom && Y2 >= Top;
}
// How the box (X1, Y1)-(X2, Y2) relates to the rectangle: 2 when both corners
// lie inside; 1 when one of its edges crosses a side of the rectangle; 0
// otherwise, also when it encloses the rectangle.
inline int32_t IERectRelation(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t X1, int32_t Y1,
                              int32_t X2, int32_t Y2) {
  const bool inX1 = X1 >= Left && X1 <= Right, inX2 = X2 >= Left && X2 <= Right;
  const bool inY1 = Y1 >= Top && Y1 <= Bottom, inY2 = Y2 >= Top && Y2 <= Bottom;
  if (inX1 && inX2 && inY1 && inY2) return 2;
  if ((inX1 != inX2 && (inY1 || inY2)) || ((inX1 || inX2) && inY1 != inY2)) return 1;
  return 0;
}
// Constrains the moving end (X1, Y1) of a line from (X0, Y0): vertical when
// it is clearly more vertical (by more than 30 pixels), horizontal when
// clearly more horizontal, a 45-degree diagonal otherwise.
void IEConstrainLine(int32_t X0, int32_t Y0, int32_t& X1, int32_t& Y1);

// ---- Lab colour --------------------------------------------------------------------------
// Colour as 0x00RRGGBB. L is scaled so that white gives 242; the values are
// clamped, then truncated. Not the inverse of IECIELabToRGB.
void IERGBToCIELab(TCIELab& Lab, uint32_t Colour);
void IECIELabToRGB(TRGB& Colour, const TCIELab& Lab);

// ---- System and text ---------------------------------------------------------------------
inline bool IEIsWindows2000OrMe() { return true; }
inline bool IEIsRemoteSession() { return false; }
// Replaces IECenterWindow's own placement when assigned. Unassigned at start.
extern std::function<void(HWND__* Window)> IECenterWindowHook;

// Text as a real number with the decimal separator of FormatSettings; failing
// that, with its first "," made "." (or, without any ",", its first "." made
// ","); failing that too, Default.
double IEStrToFloatDef(const String& Text, double Default);
// Result := Template with every "%1%" replaced by V1, even an empty V1; then
// "%2%", "%3%" and "%4%" by V2, V3 and V4, each only when its value is not
// empty (an empty value leaves its placeholder in place).
void IEReplacePlaceholders(const String& Template, const String& V1, const String& V2, const String& V3,
                           const String& V4, String& Result);

// ---- Base64 (RFC 4648, "=" padding) -------------------------------------------------------
// The four characters of Count = 1..3 bytes.
void IEBase64EncodeTriplet(const uint8_t* Bytes, char* Out, int32_t Count);
// Encodes Stream from its position to its end into TextFile as lines of
// LineLength div 4 units of four characters (at least one unit), each line
// ended with CR LF, the last one shorter. An empty stream writes nothing.
void IEBase64EncodeStream(TStream* Stream, TStream* TextFile, int32_t LineLength);
