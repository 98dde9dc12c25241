// Small number, colour, bit and row routines shared by the processing
// operations and the codecs. Packed colours hold red in bits 16..23, green in
// 8..15 and blue in 0..7; a TColor holds red in the low byte. ColorToTRGB is
// in iedefs.h; GetBit, SetBit and CopyBitRun are in iebitrun.h.
#pragma once

#include <cmath>
#include <cstdint>

#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/iedefs.h"

class TIEBitmap;

namespace ie_detail {
// Toward zero, saturated to 32 bits (NaN gives 0).
inline int32_t TruncToInt32(double x) {
  if (!(x > -2147483649.0)) return x < 0 ? -2147483647 - 1 : 0;
  if (x >= 2147483648.0) return 2147483647;
  return static_cast<int32_t>(x);
}
}  // namespace ie_detail

// trunc(x) + 1 when x has a positive fractional part, else trunc(x).
inline int32_t CeilToInt(double x) {
  const int32_t t = ie_detail::TruncToInt32(x);
  return x - t > 0 && t != 2147483647 ? t + 1 : t;
}
// trunc(x) - 1 when x has a negative fractional part, else trunc(x).
inline int32_t FloorToInt(double x) {
  const int32_t t = ie_detail::TruncToInt32(x);
  return x - t < 0 && t != -2147483647 - 1 ? t - 1 : t;
}

// On equality the first argument.
inline double IEDoubleMin(double a, double b) { return b < a ? b : a; }
inline double IEDoubleMax(double a, double b) { return b > a ? b : a; }
inline int32_t IEIntMin(int32_t a, int32_t b) { return b < a ? b : a; }
inline int32_t IEIntMax(int32_t a, int32_t b) { return b > a ? b : a; }

// The lower bound is tested first, so it wins when the bounds are reversed:
// ClampInt(5, 10, 0) = 10.
inline int32_t ClampInt(int32_t Value, int32_t Min, int32_t Max) {
  if (Min >= Value) return Min;
  if (Value < Max) return Value;
  return Max;
}
inline int32_t ClampByte(int32_t Value) { return Value < 0 ? 0 : (Value > 255 ? 255 : Value); }

inline void SwapInt(int32_t& a, int32_t& b) {
  const int32_t t = a;
  a = b;
  b = t;
}
inline void SwapByte(uint8_t& a, uint8_t& b) {
  const uint8_t t = a;
  a = b;
  b = t;
}
// Makes (X1, Y1) the top-left and (X2, Y2) the bottom-right corner.
inline void OrderCorners(int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
  if (X2 < X1) SwapInt(X1, X2);
  if (Y2 < Y1) SwapInt(Y1, Y2);
}

inline TRGB MakeRGB(uint8_t Red, uint8_t Green, uint8_t Blue) { return TRGB{Blue, Green, Red}; }
// Gray level of a packed colour with the library's gray weights.
inline int32_t RGBToGray(uint32_t Colour) {
  return IEGray8((Colour >> 16) & 0xFF, (Colour >> 8) & 0xFF, Colour & 0xFF);
}
// Exchanges bytes 0 and 2: packed colour <-> TColor order.
inline uint32_t SwapRedBlue(uint32_t Colour) {
  return (Colour & 0xFF00FF00u) | ((Colour & 0xFFu) << 16) | ((Colour >> 16) & 0xFFu);
}
// Same red, green and blue (the high byte is ignored).
inline bool SameRGB(uint32_t A, uint32_t B) { return ((A ^ B) & 0x00FFFFFFu) == 0; }

// Same size, same pixel format and row length, both with or both without an
// alpha channel, and every row (and alpha row) byte-equal over its whole
// length, padding included.
bool BitmapsEqual(TIEBitmap* A, TIEBitmap* B);

// Copies N 3-byte pixels exchanging their first and third bytes.
inline void CopyRowSwapRedBlue(uint8_t* Dest, const uint8_t* Source, int32_t N) {
  for (int32_t i = 0; i < N; ++i, Dest += 3, Source += 3) {
    const uint8_t first = Source[0];
    Dest[0] = Source[2];
    Dest[1] = Source[1];
    Dest[2] = first;
  }
}
// Exchanges the first and third bytes of N 3-byte pixels in place.
inline void RowSwapRedBlue(uint8_t* Row, int32_t N) {
  for (int32_t i = 0; i < N; ++i, Row += 3) SwapByte(Row[0], Row[2]);
}
// The same over N palette entries; the middle argument is not used.
inline void PaletteSwapRedBlue(TRGB* Palette, int32_t /*unused*/, int32_t N) {
  for (int32_t i = 0; i < N; ++i) SwapByte(Palette[i].r, Palette[i].b);
}
