// Blend operations that combine a source pixel with a destination pixel when a
// layer is drawn, and the HSL colour model that four of them work in. Called
// once per pixel by the row renderers, so everything here is inline and
// allocation-free.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>

#include "imaging/model/pixels/iedefs.h"

// ---- HSL ---------------------------------------------------------------------------
// Colour as 0x00RRGGBB. H, S and L in 0..1: L = (max + min) / 2; S = 0 and
// H = 0 for grays; H from the six-sector formula, red tested before green.
inline void RGBToHSL(uint32_t Colour, double& H, double& S, double& L) {
  const double r = ((Colour >> 16) & 0xFF) / 255.0, g = ((Colour >> 8) & 0xFF) / 255.0, b = (Colour & 0xFF) / 255.0;
  const double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
  L = (mx + mn) / 2;
  if (mx == mn) {
    S = 0;
    H = 0;
    return;
  }
  const double d = mx - mn;
  S = L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  double h;
  if (mx == r)
    h = (g - b) / d;
  else if (mx != g)
    h = (r - g) / d + 4;
  else
    h = (b - r) / d + 2;
  H = h / 6;
  if (H < 0) H += 1;
}

// The channels of (H, S, L) in 0..1 before they become bytes. H is wrapped
// once into 0..1, S and L are limited to 0..1.
inline void HSLToRGBValues(double H, double S, double L, double& R, double& G, double& B) {
  if (H < 0)
    H += 1;
  else if (H > 1)
    H -= 1;
  S = !(S >= 0) ? 0 : (S > 1 ? 1 : S);  // NaN becomes 0
  L = !(L >= 0) ? 0 : (L > 1 ? 1 : L);
  if (S == 0) {
    R = G = B = L;
    return;
  }
  const double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  const double m1 = 2 * L - m2;
  auto f = [m1, m2](double h) {
    if (h < 0)
      h += 1;
    else if (h > 1)
      h -= 1;
    if (h < 1.0 / 6) return m1 + (m2 - m1) * 6 * h;
    if (h < 0.5) return m2;
    if (h < 2.0 / 3) return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    return m1;
  };
  R = f(H + 1.0 / 3);
  G = f(H);
  B = f(H - 1.0 / 3);
}

// Each channel is rounded (halves to even) from value * 255 and limited to
// 0..255.
inline void HSLToRGB(TRGB& Pixel, double H, double S, double L) {
  double r, g, b;
  HSLToRGBValues(H, S, L, r, g, b);
  auto byte = [](double v) -> uint8_t {
    v *= 255;
    if (!(v > 0)) return 0;  // NaN too
    if (v >= 255) return 255;
    return static_cast<uint8_t>(std::nearbyint(v));  // default mode: to nearest, halves to even
  };
  Pixel.r = byte(r);
  Pixel.g = byte(g);
  Pixel.b = byte(b);
}

// ---- Blend operations ----------------------------------------------------------------
// Codes, applied per channel with s from the source, d from the destination;
// "limited" forces 0..255:
//   0 copy, 1 add (limited), 2 difference, 3 divide (by s limited to 1..255),
//   4 multiply (s*d shr 8), 5 or, 6 and, 7 xor, 8 lighten, 9 darken,
//   10 average, 11 screen, 12 negation, 13 exclusion, 14 overlay,
//   15 hard light, 16 soft light (real arithmetic), 17 soft light (integer),
//   18 colour dodge, 19 colour burn, 20 inverse dodge, 21 inverse burn,
//   22 soft dodge, 23 soft burn, 24 reflect, 25 glow, 26 freeze, 27 heat,
//   28 subtract (d + s - 256, limited), 29 cosine interpolation,
//   30 stamp (d + 2s - 256, limited);
//   31, 32, 33 copy only red, green, blue;
//   34 hue, 35 saturation, 36 colour, 37 source hue and lightness (HSL).
// Codes above 37 leave the destination unchanged.
using TIEBlendOperation = uint8_t;

// T[i] = round(64 - 64 cos(i pi / 255)), halves to even; filled at start-up.
extern uint8_t IECosineTable[256];
void IEBuildCosineTable();

namespace ie_detail {
inline int32_t Limit255(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline int32_t Min255(int32_t v) { return v > 255 ? 255 : v; }
inline int32_t Max0(int32_t v) { return v < 0 ? 0 : v; }

// Codes 0..30 on one channel.
inline uint8_t BlendChannel(int32_t s, int32_t d, TIEBlendOperation op) {
  int32_t r;
  switch (op) {
    case 0: r = s; break;
    case 1: r = Min255(d + s); break;
    case 2: r = d > s ? d - s : s - d; break;
    case 3: r = d / (s < 1 ? 1 : s); break;
    case 4: r = (s * d) >> 8; break;
    case 5: r = d | s; break;
    case 6: r = d & s; break;
    case 7: r = d ^ s; break;
    case 8: r = d > s ? d : s; break;
    case 9: r = d < s ? d : s; break;
    case 10: r = (d + s) >> 1; break;
    case 11: r = 255 - (((255 - d) * (255 - s)) >> 8); break;
    case 12: {
      const int32_t t = 255 - s - d;
      r = 255 - (t < 0 ? -t : t);
      break;
    }
    case 13: r = d + s - (s * d) / 128; break;
    case 14: r = d >= 128 ? 255 - (((255 - d) * (255 - s)) >> 7) : (s * d) >> 7; break;
    case 15: r = s >= 128 ? 255 - (((255 - d) * (255 - s)) >> 7) : (s * d) >> 7; break;
    case 16: {
      const double a = s / 255.0, b = d / 255.0;
      const double v = a < 0.5 ? b * b * (1 - 2 * a) + 2 * a * b : std::sqrt(b) * (2 * a - 1) + 2 * b * (1 - a);
      r = static_cast<int32_t>(v * 255);
      break;
    }
    case 17: {
      const int32_t m = (s * d) >> 8;
      const int32_t c = 255 - (((255 - d) * (255 - s)) >> 8) - m;
      r = m + ((d * c) >> 8);  // arithmetic (flooring) shift, were c ever negative
      break;
    }
    case 18: r = s == 255 ? 255 : Min255((d * 256) / (255 - s)); break;
    case 19: r = s == 0 ? 0 : Max0(255 - ((255 - d) * 256) / s); break;
    case 20: r = d == 255 ? 255 : Min255((s * 256) / (255 - d)); break;
    case 21: r = d == 0 ? 0 : Max0(255 - ((255 - s) * 256) / d); break;
    case 22:
      if (s + d < 256)
        r = s == 255 ? 255 : Min255((d * 128) / (255 - s));
      else
        r = Max0(255 - ((255 - s) * 128) / d);
      break;
    case 23:
      if (s + d < 256)
        r = d == 255 ? 255 : Min255((s * 128) / (255 - d));
      else
        r = Max0(255 - ((255 - d) * 128) / s);
      break;
    case 24: r = s == 255 ? 255 : Min255((d * d) / (255 - s)); break;
    case 25: r = d == 255 ? 255 : Min255((s * s) / (255 - d)); break;
    case 26: r = s == 0 ? 0 : Max0(255 - ((255 - d) * (255 - d)) / s); break;
    case 27: r = d == 0 ? 0 : Max0(255 - ((255 - s) * (255 - s)) / d); break;
    case 28: r = Limit255(d + s - 256); break;
    case 29: r = Min255(IECosineTable[s] + IECosineTable[d]); break;
    case 30: r = Limit255(d + 2 * s - 256); break;
    default: r = d; break;
  }
  assert(r >= 0 && r <= 255);
  return static_cast<uint8_t>(r);
}

inline uint32_t PackRGB(const TRGB& c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }
}  // namespace ie_detail

// Combines Source into Dest by Operation.
inline void IEBlendPixel(const TRGB& Source, TRGB& Dest, TIEBlendOperation Operation) {
  using namespace ie_detail;
  if (Operation <= 30) {
    Dest.r = BlendChannel(Source.r, Dest.r, Operation);
    Dest.g = BlendChannel(Source.g, Dest.g, Operation);
    Dest.b = BlendChannel(Source.b, Dest.b, Operation);
    return;
  }
  switch (Operation) {
    case 31: Dest.r = Source.r; return;
    case 32: Dest.g = Source.g; return;
    case 33: Dest.b = Source.b; return;
    case 34:
    case 35:
    case 36:
    case 37: {
      double sh, ss, sl, dh, ds, dl;
      RGBToHSL(PackRGB(Source), sh, ss, sl);
      RGBToHSL(PackRGB(Dest), dh, ds, dl);
      if (Operation == 34)
        HSLToRGB(Dest, sh, ds, dl);
      else if (Operation == 35)
        HSLToRGB(Dest, dh, ss, dl);
      else if (Operation == 36)
        HSLToRGB(Dest, sh, ss, dl);
      else
        HSLToRGB(Dest, sh, ds, sl);
      return;
    }
    default: return;
  }
}
