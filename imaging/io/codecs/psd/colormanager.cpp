#include "imaging/io/codecs/psd/colormanager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/arith.h"

namespace {

// The message texts of the string table are empty in this program.
const String gesInvalidColorFormat;
const String gesColorScheme;

inline uint16_t Read16(const uint8_t* P) {
  uint16_t v;
  std::memcpy(&v, P, 2);
  return v;
}
inline void Write16(uint8_t* P, uint16_t V) { std::memcpy(P, &V, 2); }
inline uint16_t Swap16(uint16_t V) { return uint16_t((V >> 8) | (V << 8)); }

inline bool Selected(uint8_t Mask, int32_t I) { return (Mask & (0x80u >> (I & 7))) != 0; }

bool IsRGBFamily(TColorLayout L) { return L == TColorLayout::layRGB || L == TColorLayout::layRGBA; }
bool IsBGRFamily(TColorLayout L) { return L == TColorLayout::layBGR || L == TColorLayout::layBGRA; }

// Walks the samples of the source pixels: planar (one pointer per sample) or
// interleaved from the first pointer.
class TSourceWalker {
 public:
  TSourceWalker(TColorManager::TSources Source, bool Planar, int32_t Samples, int32_t Bytes)
      : FPlanar(Planar), FBytes(Bytes), FPixelBytes(Samples * Bytes) {
    if (FPlanar) {
      FCount = int32_t(std::min<size_t>(Source.size(), 4));
      for (int32_t k = 0; k < FCount; ++k) FP[k] = static_cast<const uint8_t*>(Source[size_t(k)]);
    } else {
      FCount = 1;
      FP[0] = static_cast<const uint8_t*>(Source[0]);
    }
  }
  const uint8_t* Sample(int32_t K) const { return FPlanar ? FP[K] : FP[0] + K * FBytes; }
  void Next() {
    if (FPlanar)
      for (int32_t k = 0; k < FCount; ++k) FP[k] += FBytes;
    else
      FP[0] += FPixelBytes;
  }

 private:
  bool FPlanar;
  int32_t FBytes;
  int32_t FPixelBytes;
  int32_t FCount = 0;
  const uint8_t* FP[4] = {};
};

// One colour or alpha sample from the source depth to the target depth; the
// function is chosen once per run, outside the pixel loop.
using TSampleFunc = uint16_t (*)(const uint8_t* Gamma, const uint8_t* Sample);

template <int SB, int TB, bool Swap, bool Gamma>
uint16_t ConvertSample(const uint8_t* G, const uint8_t* S) {
  if constexpr (SB == 8 && TB == 8) {
    return Gamma ? G[*S] : *S;
  } else if constexpr (SB == 16 && TB == 8) {
    uint16_t v = Read16(S);
    if (Swap) v = Swap16(v);
    const uint16_t b = MulDiv16(v, 255, 65535);
    return Gamma ? G[b] : b;
  } else if constexpr (SB == 8 && TB == 16) {
    const uint8_t b = Gamma ? G[*S] : *S;
    const uint16_t v = MulDiv16(b, 65535, 255);
    return Swap ? Swap16(v) : v;
  } else {
    const uint16_t v = Read16(S);
    return Swap ? Swap16(v) : v;
  }
}

template <int SB, int TB>
TSampleFunc ChooseSample(bool Swap, bool Gamma) {
  if (Swap) return Gamma ? &ConvertSample<SB, TB, true, true> : &ConvertSample<SB, TB, true, false>;
  return Gamma ? &ConvertSample<SB, TB, false, true> : &ConvertSample<SB, TB, false, false>;
}

TSampleFunc ChooseSample(int32_t SB, int32_t TB, bool Swap, bool Gamma) {
  if (SB == 8 && TB == 8) return ChooseSample<8, 8>(Swap, Gamma);
  if (SB == 16 && TB == 8) return ChooseSample<16, 8>(Swap, Gamma);
  if (SB == 8 && TB == 16) return ChooseSample<8, 16>(Swap, Gamma);
  if (SB == 16 && TB == 16) return ChooseSample<16, 16>(Swap, Gamma);
  return nullptr;
}

inline void Put(uint8_t* T, int32_t Bytes, uint16_t V) {
  if (Bytes == 1)
    *T = uint8_t(V);
  else
    Write16(T, V);
}

bool IndexBitsSupported(int32_t Bits) { return Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8; }

// Packed indices run from the most significant bit of each byte.
inline uint32_t GetIndex(const uint8_t* P, int64_t Pos, int32_t Bits) {
  if (Bits == 8) return P[Pos];
  const int64_t bit = Pos * Bits;
  const int32_t shift = 8 - Bits - int32_t(bit & 7);
  return (P[bit >> 3] >> shift) & ((1u << Bits) - 1);
}
inline void PutIndex(uint8_t* P, int64_t Pos, int32_t Bits, uint32_t V) {
  if (Bits == 8) {
    P[Pos] = uint8_t(V);
    return;
  }
  const int64_t bit = Pos * Bits;
  const int32_t shift = 8 - Bits - int32_t(bit & 7);
  const uint32_t mask = ((1u << Bits) - 1) << shift;
  P[bit >> 3] = uint8_t((P[bit >> 3] & ~mask) | ((V << shift) & mask));
}

}  // namespace

TColorManager::TColorManager() { SetGammaValues(1.0f, 2.2f); }

void TColorManager::RaiseConversionError(const String& Message) { throw EColorConversionError(Message); }

void TColorManager::SetSourceBits(uint8_t Bits) {
  if (Bits == 0 || Bits > 16) RaiseConversionError(gesInvalidColorFormat);
  if (Bits != FSourceBPS) FSourceBPS = Bits, FChanged = true;
}

void TColorManager::SetTargetBits(uint8_t Bits) {
  if (Bits == 0 || Bits > 16) RaiseConversionError(gesInvalidColorFormat);
  if (Bits != FTargetBPS) FTargetBPS = Bits, FChanged = true;
}

void TColorManager::SetSourceSamples(uint8_t Samples) {
  if (Samples == 0 || Samples > 4) RaiseConversionError(gesInvalidColorFormat);
  if (Samples != FSourceSPP) FSourceSPP = Samples, FChanged = true;
}

void TColorManager::SetTargetSamples(uint8_t Samples) {
  if (Samples == 0 || Samples > 4) RaiseConversionError(gesInvalidColorFormat);
  if (Samples != FTargetSPP) FTargetSPP = Samples, FChanged = true;
}

void TColorManager::SetSourceLayout(TColorLayout Layout) {
  if (Layout != FSourceScheme) FSourceScheme = Layout, FChanged = true;
}

void TColorManager::SetTargetLayout(TColorLayout Layout) {
  if (Layout != FTargetScheme) FTargetScheme = Layout, FChanged = true;
}

void TColorManager::SetGammaValues(float Main, float Display) {
  if (!(Main > 0)) Main = 1.0f;
  if (!(Display > 0)) Display = 2.2f;
  FMainGamma = Main;
  FDisplayGamma = Display;
  const double exponent = 1.0 / (double(Main) * double(Display));
  for (int32_t i = 0; i < 256; ++i) FGammaTable[i] = ClampToByte(int32_t(Round(std::pow(i / 255.0, exponent) * 255.0)));
}

void TColorManager::PrepareYCbCrTables() {
  const double kr0 = FYCbCrCoefficients[0], kg0 = FYCbCrCoefficients[1], kb0 = FYCbCrCoefficients[2];
  const float c = float(2 - 2 * kr0);
  const float d = float(2 - 2 * kb0);
  const double kr = kr0 * c / kg0;
  const double kb = kb0 * d / kg0;
  const bool ycc = FSourceScheme == TColorLayout::layYCC;
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t eCr = ycc ? i - 137 : i - 128;
    const int32_t eCb = ycc ? i - 156 : i - 128;
    FCrToRedTable[i] = int32_t(Round(c * eCr));
    FCbToBlueTable[i] = int32_t(Round(d * eCb));
    FCrToGreenTable[i] = -int32_t(Round(kr * eCr));
    FCbToGreenTable[i] = -int32_t(Round(kb * eCb));
  }
}

void TColorManager::SelectConverter() {
  using L = TColorLayout;
  FConvertFunction = nullptr;
  const auto grayish = [](L l) { return l == L::layIndexed || l == L::layGray || l == L::layGrayAlpha; };
  const bool targetGrayish = FTargetScheme == L::layIndexed || FTargetScheme == L::layGray;
  if (grayish(FSourceScheme) != targetGrayish) RaiseConversionError(gesColorScheme);

  const auto hasAlpha = [](L l) { return l == L::layGrayAlpha || l == L::layRGBA || l == L::layBGRA; };
  if (hasAlpha(FSourceScheme))
    SourceOptions.Include(TColorFlag::cfAlpha);
  else
    SourceOptions.Exclude(TColorFlag::cfAlpha);
  if (hasAlpha(FTargetScheme))
    TargetOptions.Include(TColorFlag::cfAlpha);
  else
    TargetOptions.Exclude(TColorFlag::cfAlpha);

  const int32_t s = FSourceBPS, t = FTargetBPS;
  const bool rgbTarget = IsRGBFamily(FTargetScheme), bgrTarget = IsBGRFamily(FTargetScheme);
  auto pick = [&](TConverter ToRGB, TConverter ToBGR) {
    FConvertFunction = rgbTarget ? ToRGB : bgrTarget ? ToBGR : nullptr;
  };
  switch (FSourceScheme) {
    case L::layIndexed:
      if (s == 16 && t == 16)
        FConvertFunction = &TColorManager::MapPalette16;
      else if (s == 16)
        FConvertFunction = &TColorManager::MapPalette16To8;
      else if (t == 16)
        FConvertFunction = &TColorManager::MapPalette8To16;
      else
        FConvertFunction = &TColorManager::MapPalette8;
      break;
    case L::layGray:
      if (s != 16 && t != 16)
        FConvertFunction = &TColorManager::MapPalette8;
      else if (s >= 8 && t >= 8)
        FConvertFunction = &TColorManager::MapGray;
      break;
    case L::layGrayAlpha:
      if ((s == 8 || s == 16) && (t == 8 || t == 16)) FConvertFunction = &TColorManager::MapGray;
      break;
    case L::layRGB:
    case L::layRGBA:
    case L::layBGR:
    case L::layBGRA: pick(&TColorManager::MapRGB, &TColorManager::MapRGB); break;
    case L::layCMYK: pick(&TColorManager::MapCMYKToRGB, &TColorManager::MapCMYKToBGR); break;
    case L::layLab: pick(&TColorManager::MapLabToRGB, &TColorManager::MapLabToBGR); break;
    case L::layYCbCr:
    case L::layYCC:
      PrepareYCbCrTables();
      pick(&TColorManager::MapYCbCrToRGB, &TColorManager::MapYCbCrToBGR);
      break;
    default: break;
  }
  FChanged = false;
}

void TColorManager::ConvertPixels(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  if (FChanged) SelectConverter();
  if (FConvertFunction == nullptr) RaiseConversionError(gesInvalidColorFormat);
  if (Source.empty() || Source[0] == nullptr || Target == nullptr || Count <= 0) return;
  (this->*FConvertFunction)(Source, Target, Count, Mask);
}

// ---- RGB and BGR -------------------------------------------------------------

void TColorManager::MapRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const int32_t sb = FSourceBPS, tb = FTargetBPS;
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const TSampleFunc colour = ChooseSample(sb, tb, swap, TargetOptions.Contains(TColorFlag::cfGamma));
  const TSampleFunc alphaFunc = ChooseSample(sb, tb, swap, false);
  if (colour == nullptr) return;
  const bool planar = Source.size() > 1;
  if (planar && Source.size() < 3) return;
  const bool sourceAlpha = SourceOptions.Contains(TColorFlag::cfAlpha);
  const bool targetAlpha = TargetOptions.Contains(TColorFlag::cfAlpha);
  const bool alpha = sourceAlpha && targetAlpha && (!planar || Source.size() >= 4);
  const int32_t sBytes = sb / 8, tBytes = tb / 8;
  const int32_t tStep = (targetAlpha ? 4 : 3) * tBytes;
  const bool reverse = IsRGBFamily(FSourceScheme) != IsRGBFamily(FTargetScheme);
  const int32_t o0 = reverse ? 2 * tBytes : 0, o2 = reverse ? 0 : 2 * tBytes;
  TSourceWalker src(Source, planar, sourceAlpha ? 4 : 3, sBytes);
  auto* t = static_cast<uint8_t*>(Target);
  for (int32_t i = 0; i < Count; ++i, t += tStep) {
    if (!Selected(Mask, i)) continue;
    Put(t + o0, tBytes, colour(FGammaTable, src.Sample(0)));
    Put(t + tBytes, tBytes, colour(FGammaTable, src.Sample(1)));
    Put(t + o2, tBytes, colour(FGammaTable, src.Sample(2)));
    if (alpha) Put(t + 3 * tBytes, tBytes, alphaFunc(FGammaTable, src.Sample(3)));
    src.Next();
  }
}

// ---- CMYK --------------------------------------------------------------------

void TColorManager::MapCMYKToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapCMYK(Source, Target, Count, Mask, true);
}
void TColorManager::MapCMYKToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapCMYK(Source, Target, Count, Mask, false);
}

void TColorManager::MapCMYK(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR) {
  const int32_t sb = FSourceBPS, tb = FTargetBPS;
  if ((sb != 8 && sb != 16) || (tb != 8 && tb != 16)) return;
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const int32_t sBytes = sb / 8, tBytes = tb / 8;
  const int32_t tStep = (TargetOptions.Contains(TColorFlag::cfAlpha) ? 4 : 3) * tBytes;
  TSourceWalker src(Source, Source.size() == 4, 4, sBytes);
  auto* t = static_cast<uint8_t*>(Target);
  for (int32_t i = 0; i < Count; ++i, t += tStep) {
    if (!Selected(Mask, i)) continue;
    uint16_t out[3];  // red, green, blue
    if (sb == 8) {
      const int32_t k = *src.Sample(3);
      for (int32_t c = 0; c < 3; ++c) {
        const int32_t s = *src.Sample(c);
        const uint8_t v = ClampToByte(MulDiv16(uint16_t(s), uint16_t(k), 255) - s - k + 255);
        out[c] = tb == 16 ? uint16_t(v * 257) : v;
      }
    } else {
      auto read = [&](int32_t c) {
        const uint16_t v = Read16(src.Sample(c));
        return swap ? Swap16(v) : v;
      };
      const uint16_t k = read(3);
      for (int32_t c = 0; c < 3; ++c) {
        const uint16_t s = read(c);
        const uint16_t v = uint16_t(s + k - MulDiv16(s, k, 65535));
        out[c] = tb == 16 ? uint16_t(65535 - v) : uint16_t(255 - MulDiv16(v, 255, 65535));
      }
    }
    Put(t, tBytes, BGR ? out[2] : out[0]);
    Put(t + tBytes, tBytes, out[1]);
    Put(t + 2 * tBytes, tBytes, BGR ? out[0] : out[2]);
    src.Next();
  }
}

// ---- L*a*b* ------------------------------------------------------------------

void TColorManager::MapLabToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapLab(Source, Target, Count, Mask, true);
}
void TColorManager::MapLabToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapLab(Source, Target, Count, Mask, false);
}

// A 16-bit source is reduced to the high byte of each (swapped) sample and
// then taken as 8-bit L*a*b*; a 16-bit target gets the 8-bit result x 257.
void TColorManager::MapLab(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR) {
  const int32_t sb = FSourceBPS, tb = FTargetBPS;
  if ((sb != 8 && sb != 16) || (tb != 8 && tb != 16)) return;
  const bool planar = Source.size() > 1;
  if (planar && Source.size() < 3) return;
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const bool scaledL = SourceOptions.Contains(TColorFlag::cfLabScaledL);
  const bool offsetAB = SourceOptions.Contains(TColorFlag::cfLabOffsetAB);
  const int32_t sBytes = sb / 8, tBytes = tb / 8;
  const int32_t tStep = (TargetOptions.Contains(TColorFlag::cfAlpha) ? 4 : 3) * tBytes;
  TSourceWalker src(Source, planar, 3, sBytes);
  auto* t = static_cast<uint8_t*>(Target);
  auto byteOf = [&](int32_t c) -> uint8_t {
    if (sb == 8) return *src.Sample(c);
    uint16_t v = Read16(src.Sample(c));
    if (swap) v = Swap16(v);
    return uint8_t(v >> 8);
  };
  auto level = [](long double v) {
    return ClampToByte(int32_t(std::clamp(std::nearbyintl(v * 255.0L), -1.0L, 256.0L)));
  };
  for (int32_t i = 0; i < Count; ++i, t += tStep) {
    if (!Selected(Mask, i)) continue;
    const uint8_t s0 = byteOf(0), s1 = byteOf(1), s2 = byteOf(2);
    const long double L = scaledL ? s0 / 2.55L : s0;
    const long double a = offsetAB ? s1 - 128 : int8_t(s1);
    const long double b = offsetAB ? s2 - 128 : int8_t(s2);
    long double X, Y, Z;
    if (L < 7.9996L) {
      Y = L / 903.3L;
      X = Y + a / 3893.5L;
      Z = Y - b / 1557.4L;
    } else {
      const long double fy = (L + 16) / 116;
      const long double fx = fy + a / 500, fz = fy - b / 200;
      X = fx * fx * fx;
      Y = fy * fy * fy;
      Z = fz * fz * fz;
    }
    const uint8_t blue = level(0.099L * X - 0.198L * Y + 1.099L * Z);
    const uint8_t green = level(-0.952L * X + 1.893L * Y + 0.059L * Z);
    const uint8_t red = level(2.998L * X - 1.458L * Y - 0.541L * Z);
    const uint16_t scale = tb == 16 ? 257 : 1;
    Put(t, tBytes, uint16_t((BGR ? blue : red) * scale));
    Put(t + tBytes, tBytes, uint16_t(green * scale));
    Put(t + 2 * tBytes, tBytes, uint16_t((BGR ? red : blue) * scale));
    src.Next();
  }
}

// ---- YCbCr and YCC -------------------------------------------------------------

void TColorManager::MapYCbCrToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapYCbCr(Source, Target, Count, Mask, true);
}
void TColorManager::MapYCbCrToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  MapYCbCr(Source, Target, Count, Mask, false);
}

// The chroma tables (YCbCr or YCC offsets) were built for the source layout.
// A 16-bit source is first scaled to 8 bits; a 16-bit target gets x 257.
void TColorManager::MapYCbCr(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR) {
  const int32_t sb = FSourceBPS, tb = FTargetBPS;
  if ((sb != 8 && sb != 16) || (tb != 8 && tb != 16)) return;
  const bool planar = Source.size() > 1;
  if (planar && Source.size() < 3) return;
  const int32_t sBytes = sb / 8, tBytes = tb / 8;
  const int32_t tStep = (TargetOptions.Contains(TColorFlag::cfAlpha) ? 4 : 3) * tBytes;
  TSourceWalker src(Source, planar, 3, sBytes);
  auto* t = static_cast<uint8_t*>(Target);
  auto byteOf = [&](int32_t c) -> uint8_t {
    return sb == 8 ? *src.Sample(c) : uint8_t(MulDiv16(Read16(src.Sample(c)), 255, 65535));
  };
  for (int32_t i = 0; i < Count; ++i, t += tStep) {
    if (!Selected(Mask, i)) continue;
    const int32_t y = byteOf(0), cb = byteOf(1), cr = byteOf(2);
    const uint8_t blue = ClampToByte(y + FCbToBlueTable[cb]);
    const uint8_t green = ClampToByte(y + FCbToGreenTable[cb] + FCrToGreenTable[cr]);
    const uint8_t red = ClampToByte(y + FCrToRedTable[cr]);
    const uint16_t scale = tb == 16 ? 257 : 1;
    Put(t, tBytes, uint16_t((BGR ? blue : red) * scale));
    Put(t + tBytes, tBytes, uint16_t(green * scale));
    Put(t + 2 * tBytes, tBytes, uint16_t((BGR ? red : blue) * scale));
    src.Next();
  }
}

// ---- Gray and palette indices --------------------------------------------------

void TColorManager::MapGray(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const int32_t sb = FSourceBPS, tb = FTargetBPS;
  if ((sb != 8 && sb != 16) || (tb != 8 && tb != 16)) return;
  const TSampleFunc sample = ChooseSample(sb, tb, SourceOptions.Contains(TColorFlag::cfSwapBytes), false);
  // 8 to 16 bits is a plain x 257, whatever the byte order of the source.
  const TSampleFunc widen = &ConvertSample<8, 16, false, false>;
  const int32_t sBytes = sb / 8, tBytes = tb / 8;
  const int32_t sStep = (SourceOptions.Contains(TColorFlag::cfAlpha) ? 2 : 1) * sBytes;
  const auto* s = static_cast<const uint8_t*>(Source[0]);
  auto* t = static_cast<uint8_t*>(Target);
  const TSampleFunc f = (sb == 8 && tb == 16) ? widen : sample;
  for (int32_t i = 0; i < Count; ++i, t += tBytes) {
    if (!Selected(Mask, i)) continue;
    Put(t, tBytes, f(FGammaTable, s));
    s += sStep;
  }
}

void TColorManager::MapPalette8(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const int32_t s = FSourceBPS, t = FTargetBPS;
  const auto* src = static_cast<const uint8_t*>(Source[0]);
  auto* dst = static_cast<uint8_t*>(Target);
  if (s == t && Mask == 0xFF) {
    std::memcpy(dst, src, size_t((int64_t(Count) * s + 7) / 8));
    return;
  }
  if (!IndexBitsSupported(s) || !IndexBitsSupported(t)) return;
  const uint16_t sMax = uint16_t((1u << s) - 1), tMax = uint16_t((1u << t) - 1);
  int64_t pos = 0;
  for (int32_t i = 0; i < Count; ++i) {
    if (!Selected(Mask, i)) continue;
    PutIndex(dst, i, t, MulDiv16(uint16_t(GetIndex(src, pos++, s)), tMax, sMax));
  }
}

void TColorManager::MapPalette16To8(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const int32_t t = FTargetBPS;
  if (!IndexBitsSupported(t)) return;
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const uint16_t tMax = uint16_t((1u << t) - 1);
  const auto* src = static_cast<const uint8_t*>(Source[0]);
  auto* dst = static_cast<uint8_t*>(Target);
  for (int32_t i = 0; i < Count; ++i) {
    if (!Selected(Mask, i)) continue;
    uint16_t v = Read16(src);
    if (swap) v = Swap16(v);
    PutIndex(dst, i, t, MulDiv16(v, tMax, 65535));
    src += 2;
  }
}

void TColorManager::MapPalette8To16(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const int32_t s = FSourceBPS;
  if (!IndexBitsSupported(s)) return;
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const uint16_t sMax = uint16_t((1u << s) - 1);
  const auto* src = static_cast<const uint8_t*>(Source[0]);
  auto* dst = static_cast<uint8_t*>(Target);
  int64_t pos = 0;
  for (int32_t i = 0; i < Count; ++i) {
    if (!Selected(Mask, i)) continue;
    const uint16_t v = MulDiv16(uint16_t(GetIndex(src, pos++, s)), 65535, sMax);
    Write16(dst + 2 * int64_t(i), swap ? Swap16(v) : v);
  }
}

void TColorManager::MapPalette16(TSources Source, void* Target, int32_t Count, uint8_t Mask) {
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  const auto* src = static_cast<const uint8_t*>(Source[0]);
  auto* dst = static_cast<uint8_t*>(Target);
  if (Mask == 0xFF && !swap) {
    std::memcpy(dst, src, size_t(Count) * 2);
    return;
  }
  for (int32_t i = 0; i < Count; ++i) {
    if (!Selected(Mask, i)) continue;
    const uint16_t v = Read16(src);
    Write16(dst + 2 * int64_t(i), swap ? Swap16(v) : v);
    src += 2;
  }
}

// ---- Pixel formats and palettes --------------------------------------------------

TPixelFormat TColorManager::PlatformPixelFormat(bool ForTarget) const {
  const int32_t samples = ForTarget ? FTargetSPP : FSourceSPP;
  const int32_t bits = ForTarget ? FTargetBPS : FSourceBPS;
  switch (samples) {
    case 1:
      if (bits == 1) return TPixelFormat::pf1bit;
      if (bits >= 2 && bits <= 4) return TPixelFormat::pf4bit;
      if (bits >= 8) return TPixelFormat::pf8bit;
      break;
    case 3: return bits <= 5 ? TPixelFormat::pf15bit : TPixelFormat::pf24bit;
    case 4:
      if (bits >= 8) return TPixelFormat::pf32bit;
      break;
    default: break;
  }
  return TPixelFormat::pfCustom;
}

TPaletteEntries TColorManager::BuildPalette(TSources Data, uint8_t Format, int32_t Count, bool Reversed) {
  const int32_t n = std::clamp(Count, 0, 256);
  TPaletteEntries entries(size_t(n), PALETTEENTRY{});
  const bool gamma = TargetOptions.Contains(TColorFlag::cfGamma);
  const bool swap = SourceOptions.Contains(TColorFlag::cfSwapBytes);
  auto byteLevel = [&](uint8_t v) { return gamma ? FGammaTable[v] : v; };
  auto wordLevel = [&](const uint8_t* p) {
    uint16_t v = Read16(p);
    if (swap) v = Swap16(v);
    return byteLevel(uint8_t(MulDiv16(v, 255, 65535)));
  };
  auto at = [&](size_t k) { return k < Data.size() ? static_cast<const uint8_t*>(Data[k]) : nullptr; };
  const uint8_t* p0 = at(0);
  const uint8_t *pr = at(0), *pg = at(1), *pb = at(2);
  for (int32_t i = 0; i < n; ++i) {
    PALETTEENTRY& e = entries[size_t(i)];
    switch (Format) {
      case 0:
      case 1: {
        if (!p0) break;
        const uint8_t* q = p0 + i * (Format == 0 ? 3 : 4);
        e.peRed = byteLevel(Reversed ? q[2] : q[0]);
        e.peGreen = byteLevel(q[1]);
        e.peBlue = byteLevel(Reversed ? q[0] : q[2]);
        break;
      }
      case 2:
      case 3:
        if (!pr || !pg || !pb) break;
        e.peRed = byteLevel(pr[i]);
        e.peGreen = byteLevel(pg[i]);
        e.peBlue = byteLevel(pb[i]);
        break;
      case 4:
      case 5: {
        if (!p0) break;
        const uint8_t* q = p0 + int64_t(i) * (Format == 4 ? 6 : 8);
        e.peBlue = wordLevel(Reversed ? q + 4 : q);
        e.peGreen = wordLevel(q + 2);
        e.peRed = wordLevel(Reversed ? q : q + 4);
        break;
      }
      case 6:
      case 7:
        if (!pr || !pg || !pb) break;
        e.peRed = wordLevel(pr + 2 * i);
        e.peGreen = wordLevel(pg + 2 * i);
        e.peBlue = wordLevel(pb + 2 * i);
        break;
      default: break;
    }
  }
  // Resampled to the target's index range; source indices beyond the entries
  // present take black.
  const uint32_t sMax = (1u << FSourceBPS) - 1, tMax = (1u << FTargetBPS) - 1;
  if (FTargetBPS <= 8 && sMax != tMax) {
    TPaletteEntries resampled(size_t(tMax) + 1, PALETTEENTRY{});
    for (uint32_t j = 0; j <= tMax; ++j) {
      const uint32_t k = MulDiv16(uint16_t(j), uint16_t(sMax), uint16_t(tMax));
      if (k < entries.size()) resampled[j] = entries[k];
    }
    entries.swap(resampled);
  }
  return entries;
}

TPaletteEntries TColorManager::BuildGrayPalette(bool MinIsWhite) {
  const int32_t bits = std::min(int32_t(FTargetBPS) * FTargetSPP, 8);
  const int32_t n = 1 << bits;
  const int32_t step = 255 / (n - 1);
  const bool gamma = TargetOptions.Contains(TColorFlag::cfGamma);
  TPaletteEntries entries(size_t(n), PALETTEENTRY{});
  for (int32_t i = 0; i < n; ++i) {
    uint8_t level = uint8_t(i * step);
    if (gamma) level = FGammaTable[level];
    PALETTEENTRY& e = entries[size_t(MinIsWhite ? n - 1 - i : i)];
    e.peRed = e.peGreen = e.peBlue = level;
  }
  return entries;
}
