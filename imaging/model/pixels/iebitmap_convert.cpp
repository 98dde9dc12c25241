// TIEBitmap pixel-format conversion: one row loop per source and target pair,
// the pair chosen once per image. Pairs the table routes "via 24" go through
// a 24-bit row buffer, which gives the same pixels as converting the whole
// image to ie24RGB first without a second image; only the quantizer and the
// threshold of ieRGB48 need a whole 24-bit image.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieconvert24.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scopeguard.h"

TIEBitmap::TColorDepthHooks TIEBitmap::ColorDepthHooks;

namespace {

using PF = TIEPixelFormat;

// The ordered-dither matrix, [x mod 8][y mod 8].
constexpr int32_t kDither[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                   {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                   {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                   {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

template <class T>
T Load(const uint8_t* Row, int32_t X) {
  T v;
  std::memcpy(&v, Row + sizeof(T) * static_cast<size_t>(X), sizeof(T));
  return v;
}
template <class T>
void Store(uint8_t* Row, int32_t X, const T& V) {
  std::memcpy(Row + sizeof(T) * static_cast<size_t>(X), &V, sizeof(T));
}

// ie32f levels limited to 0..1 (NaN as 0) before they become integers.
double Clamp01(float V) {
  if (!(V > 0.0f)) return 0.0;
  return V >= 1.0f ? 1.0 : static_cast<double>(V);
}
uint8_t FloatTo8(float V) { return static_cast<uint8_t>(std::trunc(Clamp01(V) * 255.0)); }
uint16_t FloatTo16(float V) { return static_cast<uint16_t>(std::trunc(Clamp01(V) * 65535.0)); }

inline bool Bit(const uint8_t* Row, int32_t X) { return (Row[X >> 3] & (0x80u >> (X & 7))) != 0; }

// Gray levels of 8-bit channels.
inline uint8_t Gray8(const TRGB& C) { return static_cast<uint8_t>(IEGray8(C.r, C.g, C.b)); }
inline uint16_t Gray16Of8(const TRGB& C) {
  return static_cast<uint16_t>(
      (uint32_t{C.r} * 257u * 212u + uint32_t{C.g} * 257u * 713u + uint32_t{C.b} * 257u * 75u) / 1000u);
}
inline float GrayFOf8(const TRGB& C) { return static_cast<float>((C.r * 0.2126 + C.g * 0.7152 + C.b * 0.0722) / 255); }
inline TRGB48 Widen(const TRGB& C) { return TRGB48{IEWiden8To16(C.r), IEWiden8To16(C.g), IEWiden8To16(C.b)}; }

// Writes a 1-bit row: white where Level(x) (0..63) is above the matrix entry.
template <class LevelFn>
void DitherRow(uint8_t* D, int32_t Width, int32_t Y, LevelFn Level) {
  const int32_t row = Y & 7;
  for (int32_t x0 = 0; x0 < Width; x0 += 8) {
    const int32_t n = Width - x0 < 8 ? Width - x0 : 8;
    uint8_t byte = 0;
    for (int32_t k = 0; k < n; ++k)
      if (Level(x0 + k) > kDither[k][row]) byte = static_cast<uint8_t>(byte | (0x80u >> k));
    D[x0 >> 3] = byte;
  }
}

// What a row loop needs besides the rows.
struct TRowJob {
  int32_t Width = 0;
  int32_t CopyBytes = 0;  // whole-row copies
  TRGB Palette[256];      // the source's palette (ie8p)
  std::vector<TRGB> Rgb;  // the 24-bit row of a via-24 pair
  void (*FromRGB)(TRowJob&, const TRGB*, uint8_t*, int32_t) = nullptr;
};
using TRowFn = void (*)(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y);

// ---- From a 24-bit row (the second half of every via-24 pair) ----
void RGBTo1g(TRowJob& J, const TRGB* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [S](int32_t x) { return Gray8(S[x]) >> 2; });
}
void RGBTo8g(TRowJob& J, const TRGB* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) D[x] = Gray8(S[x]);
}
void RGBTo16g(TRowJob& J, const TRGB* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, Gray16Of8(S[x]));
}
void RGBTo32f(TRowJob& J, const TRGB* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, GrayFOf8(S[x]));
}
void RGBToCMYK(TRowJob& J, const TRGB* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, IERGBToCMYK(S[x]));
}
void RGBTo48(TRowJob& J, const TRGB* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, Widen(S[x]));
}

template <PF Source>
void Via24(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  TIEBitmap::ConvertRowToRGB(Source, S, J.Width, J.Palette, J.Rgb.data());
  J.FromRGB(J, J.Rgb.data(), D, Y);
}
template <PF Source>
void To24(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  TIEBitmap::ConvertRowToRGB(Source, S, J.Width, J.Palette, reinterpret_cast<TRGB*>(D));
}
void From24(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  J.FromRGB(J, reinterpret_cast<const TRGB*>(S), D, Y);
}

void CopyPixels(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  std::memcpy(D, S, static_cast<size_t>(J.CopyBytes));
}

// ---- ie1g ----
void G1To8p(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) D[x] = Bit(S, x) ? 1 : 0;
}
void G1To8g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) D[x] = Bit(S, x) ? 255 : 0;
}
void G1To16g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store<uint16_t>(D, x, Bit(S, x) ? 65535 : 0);
}
void G1To32f(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store<float>(D, x, Bit(S, x) ? 1.0f : 0.0f);
}
void G1To48(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const uint16_t v = Bit(S, x) ? 65535 : 0;
    Store(D, x, TRGB48{v, v, v});
  }
}

// ---- ie8p (through the palette) ----
void P8To1g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [&J, S](int32_t x) { return Gray8(J.Palette[S[x]]) >> 2; });
}
void P8To8g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  uint8_t table[256];
  for (int32_t i = 0; i < 256; ++i) table[i] = Gray8(J.Palette[i]);
  for (int32_t x = 0; x < J.Width; ++x) D[x] = table[S[x]];
}
void P8To16g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, Gray16Of8(J.Palette[S[x]]));
}
void P8To32f(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, GrayFOf8(J.Palette[S[x]]));
}
void P8To48(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, Widen(J.Palette[S[x]]));
}

// ---- ie8g ----
void G8To1g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [S](int32_t x) { return S[x] >> 2; });
}
void G8To16g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, IEWiden8To16(S[x]));
}
void G8To32f(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, static_cast<float>(S[x] / 255.0));
}
void G8To48(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const uint16_t v = IEWiden8To16(S[x]);
    Store(D, x, TRGB48{v, v, v});
  }
}

// ---- ie16g ----
void G16To1g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [S](int32_t x) { return Load<uint16_t>(S, x) >> 10; });
}
void G16To8(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {  // ie8g, and ie8p by index
  for (int32_t x = 0; x < J.Width; ++x) D[x] = IENarrow16To8(Load<uint16_t>(S, x));
}
void G16To32f(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, static_cast<float>(Load<uint16_t>(S, x) / 65535.0));
}
void G16To48(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const uint16_t v = Load<uint16_t>(S, x);
    Store(D, x, TRGB48{v, v, v});
  }
}

// ---- ie32f ----
void F32To1g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [S](int32_t x) { return FloatTo8(Load<float>(S, x)) >> 2; });
}
void F32To8(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {  // ie8g, and ie8p by index
  for (int32_t x = 0; x < J.Width; ++x) D[x] = FloatTo8(Load<float>(S, x));
}
void F32To16g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) Store(D, x, FloatTo16(Load<float>(S, x)));
}
void F32To48(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const uint16_t v = FloatTo16(Load<float>(S, x));
    Store(D, x, TRGB48{v, v, v});
  }
}

// ---- ieRGB48 ----
inline TRGB High(const TRGB48& C) { return MakeTRGB(IENarrow16To8(C.r), IENarrow16To8(C.g), IENarrow16To8(C.b)); }
void RGB48To1g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t Y) {
  DitherRow(D, J.Width, Y, [S](int32_t x) { return Gray8(High(Load<TRGB48>(S, x))) >> 2; });
}
void RGB48To8g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) D[x] = Gray8(High(Load<TRGB48>(S, x)));
}
void RGB48To16g(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const TRGB48 c = Load<TRGB48>(S, x);
    Store(D, x, static_cast<uint16_t>((uint32_t{c.r} * 212u + uint32_t{c.g} * 713u + uint32_t{c.b} * 75u) / 1000u));
  }
}
void RGB48To32f(TRowJob& J, const uint8_t* S, uint8_t* D, int32_t) {
  for (int32_t x = 0; x < J.Width; ++x) {
    const TRGB48 c = Load<TRGB48>(S, x);
    Store(D, x, static_cast<float>((c.r * 0.2126 / 256 + c.g * 0.7152 / 256 + c.b * 0.0722 / 256) / 255));
  }
}

// The second half of a via-24 pair: from a 24-bit row to Target. The 1-bit
// target is the ordered dither (the threshold never goes row by row).
void (*FromRGBFor(PF Target))(TRowJob&, const TRGB*, uint8_t*, int32_t) {
  switch (Target) {
    case PF::ie1g: return RGBTo1g;
    case PF::ie8g: return RGBTo8g;
    case PF::ie16g: return RGBTo16g;
    case PF::ie32f: return RGBTo32f;
    case PF::ieCMYK: return RGBToCMYK;
    case PF::ieRGB48: return RGBTo48;
    default: return nullptr;
  }
}

TRowFn To24For(PF Source) {
  switch (Source) {
    case PF::ie1g: return To24<PF::ie1g>;
    case PF::ie8p: return To24<PF::ie8p>;
    case PF::ie8g: return To24<PF::ie8g>;
    case PF::ie16g: return To24<PF::ie16g>;
    case PF::ie32f: return To24<PF::ie32f>;
    case PF::ieCMYK: return To24<PF::ieCMYK>;
    case PF::ieRGB48: return To24<PF::ieRGB48>;
    default: return nullptr;
  }
}

TRowFn Via24For(PF Source) {
  switch (Source) {
    case PF::ie1g: return Via24<PF::ie1g>;
    case PF::ie8p: return Via24<PF::ie8p>;
    case PF::ie8g: return Via24<PF::ie8g>;
    case PF::ie16g: return Via24<PF::ie16g>;
    case PF::ie32f: return Via24<PF::ie32f>;
    case PF::ieCMYK: return Via24<PF::ieCMYK>;
    case PF::ieRGB48: return Via24<PF::ieRGB48>;
    default: return nullptr;
  }
}

// The row loop of a pair that has one of its own; nil for the via-24 pairs.
TRowFn DirectRowFn(PF Source, PF Target) {
  switch (Source) {
    case PF::ie1g:
      switch (Target) {
        case PF::ie8p: return G1To8p;
        case PF::ie8g: return G1To8g;
        case PF::ie16g: return G1To16g;
        case PF::ie32f: return G1To32f;
        case PF::ieRGB48: return G1To48;
        default: return nullptr;
      }
    case PF::ie8p:
      switch (Target) {
        case PF::ie1g: return P8To1g;
        case PF::ie8g: return P8To8g;
        case PF::ie16g: return P8To16g;
        case PF::ie32f: return P8To32f;
        case PF::ieRGB48: return P8To48;
        default: return nullptr;
      }
    case PF::ie8g:
      switch (Target) {
        case PF::ie1g: return G8To1g;
        case PF::ie8p: return CopyPixels;
        case PF::ie16g: return G8To16g;
        case PF::ie32f: return G8To32f;
        case PF::ieRGB48: return G8To48;
        default: return nullptr;
      }
    case PF::ie16g:
      switch (Target) {
        case PF::ie1g: return G16To1g;
        case PF::ie8p:
        case PF::ie8g: return G16To8;
        case PF::ie32f: return G16To32f;
        case PF::ieRGB48: return G16To48;
        default: return nullptr;
      }
    case PF::ie24RGB: return Target == PF::ie8p ? nullptr : From24;
    case PF::ie32f:
      switch (Target) {
        case PF::ie1g: return F32To1g;
        case PF::ie8p:
        case PF::ie8g: return F32To8;
        case PF::ie16g: return F32To16g;
        case PF::ieRGB48: return F32To48;
        default: return nullptr;
      }
    case PF::ieRGB48:
      switch (Target) {
        case PF::ie1g: return RGB48To1g;
        case PF::ie8g: return RGB48To8g;
        case PF::ie16g: return RGB48To16g;
        case PF::ie32f: return RGB48To32f;
        default: return nullptr;
      }
    default: return nullptr;
  }
}

// Which colour-depth routine a conversion calls, checked before anything is
// changed so that a program without them gets a clear error.
void RequireHooks(PF Source, PF Target, uint8_t BWConversion, bool PlatformBitmap) {
  const auto& hooks = TIEBitmap::ColorDepthHooks;
  bool missing = false;
  if (Target == PF::ie8p && (Source == PF::ie24RGB || Source == PF::ieCMYK || Source == PF::ieRGB48))
    missing = !hooks.Quantize;
  if (Target == PF::ie1g && Source != PF::ie1g && Source != PF::ienull) {
    if (BWConversion == 1) missing = !hooks.Threshold;
    if (BWConversion == 0 && PlatformBitmap && Source == PF::ie24RGB) missing = !hooks.Dither;
  }
  if (missing) throw Exception("Pixel format conversion needs the colour-depth routines, which are not linked");
}

[[noreturn]] void RaiseNotInTBitmap(PF Format) {
  const char* name = Format == PF::ie32f ? "ie32f" : Format == PF::ieCMYK ? "ieCMYK" : "ieRGB48";
  throw Exception(String(name) + " pixel format not allowed when Location=ieTBitmap");
}

}  // namespace

void TIEBitmap::ConvertRowToRGB(TIEPixelFormat Format, const void* Row, int32_t Count, const TRGB* Palette,
                                TRGB* Dest) {
  const auto* s = static_cast<const uint8_t*>(Row);
  switch (Format) {
    case PF::ie1g:
      for (int32_t x = 0; x < Count; ++x) {
        const uint8_t v = Bit(s, x) ? 255 : 0;
        Dest[x] = TRGB{v, v, v};
      }
      break;
    case PF::ie8p:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = Palette[s[x]];
      break;
    case PF::ie8g:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = TRGB{s[x], s[x], s[x]};
      break;
    case PF::ie16g:
      for (int32_t x = 0; x < Count; ++x) {
        const uint8_t v = IENarrow16To8(Load<uint16_t>(s, x));
        Dest[x] = TRGB{v, v, v};
      }
      break;
    case PF::ie24RGB: std::memcpy(Dest, s, static_cast<size_t>(Count) * 3); break;
    case PF::ie32f:
      for (int32_t x = 0; x < Count; ++x) {
        const uint8_t v = FloatTo8(Load<float>(s, x));
        Dest[x] = TRGB{v, v, v};
      }
      break;
    case PF::ieCMYK:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = IECMYKToRGB(Load<TCMYK>(s, x));
      break;
    case PF::ieRGB48:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = High(Load<TRGB48>(s, x));
      break;
    default:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = TRGB{};
      break;
  }
}

void TIEBitmap::SetPixelFormat(TIEPixelFormat Value) {
  if (Value == PixelFormat()) return;
  ConvertFormat(Value);
}

void TIEBitmap::ConvertFormat(TIEPixelFormat Target) {
  if (FLocation == TIELocation::ieTBitmap) {
    ConvertTBitmapFormat(Target);
    return;
  }
  RequireHooks(FPixelFormat, Target, FBWConversion, false);
  TIEBitmap old;
  MoveTo(&old);
  auto cleanup = ScopeFail([&] {
    old.MoveTo(this);  // the image as it was (its storage is intact)
  });
  FWidth = old.FWidth;
  FHeight = old.FHeight;
  FPixelFormat = Target;
  if (Target == PF::ie24RGB && !old.IsEmpty()) {
    IEConvertTo24RGB(&old, this);  // allocates this bitmap itself
    if (!FIsAlphaChannel) FAlphaChannel = std::move(old.FAlphaChannel);
  } else {
    AllocateImage();
    if (old.FPixelFormat != PF::ienull && !old.IsEmpty()) CopyAndConvertFormat(&old);
  }
}

void TIEBitmap::CopyAndConvertFormat(TIEBitmap* Source) {
  if (!Source || Source == this || FLocation == TIELocation::ieTBitmap) return;
  if (Source->Width() != FWidth || Source->Height() != FHeight) return;
  TIEBitmap* S = Source;
  const PF source = S->PixelFormat();
  const PF target = FPixelFormat;
  if (source == PF::ienull || target == PF::ienull || IsEmpty()) return;
  RequireHooks(source, target, FBWConversion, false);

  // The quantizer and the ieRGB48 threshold read a whole 24-bit image: S
  // itself is converted first (keeping its alpha channel), then taken as
  // ie24RGB.
  if ((target == PF::ie8p && (source == PF::ieCMYK || source == PF::ieRGB48)) ||
      (target == PF::ie1g && FBWConversion == 1 && source == PF::ieRGB48)) {
    S->ConvertFormat(PF::ie24RGB);
    CopyAndConvertFormat(S);
    return;
  }

  if (target == PF::ie8p && source == PF::ie24RGB) {
    const int32_t colours = FQuantizeColors < 1 ? 1 : (FQuantizeColors > 256 ? 256 : FQuantizeColors);
    ColorDepthHooks.Quantize(S, this, colours);
  } else if (target == PF::ie1g && source != PF::ie1g && FBWConversion != 0) {
    if (FBWConversion == 1) ColorDepthHooks.Threshold(S, this, -1);
    // Any other BWConversion writes no pixel.
  } else {
    TRowJob job;
    job.Width = FWidth;
    TRowFn fn = nullptr;
    if (source == target) {
      fn = CopyPixels;
      job.CopyBytes = static_cast<int32_t>((int64_t{FWidth} * IEBitsPerPixel(target) + 7) / 8);
    } else {
      fn = DirectRowFn(source, target);
      if (fn == CopyPixels) job.CopyBytes = std::min(FRowLen, S->RowLen());  // ie8g to ie8p: whole rows
      if (fn == From24) job.FromRGB = FromRGBFor(target);
      if (!fn && target == PF::ie24RGB) fn = To24For(source);
      if (!fn && target != PF::ie8p) {
        fn = Via24For(source);
        job.FromRGB = FromRGBFor(target);
        job.Rgb.resize(static_cast<size_t>(FWidth));
      }
    }
    if (source == PF::ie8p)
      for (int32_t i = 0; i < 256; ++i) S->GetPaletteColor(i, job.Palette[i]);

    // Palettes of an ie8p target.
    if (target == PF::ie8p && FPalette) {
      if (source == PF::ie1g) {
        FPalette[0] = TRGB{0, 0, 0};
        FPalette[1] = TRGB{255, 255, 255};
      } else if (source == PF::ie8p) {
        for (int32_t i = 0; i < 256; ++i) FPalette[static_cast<size_t>(i)] = job.Palette[i];
      } else {
        for (int32_t i = 0; i < 256; ++i) FPalette[static_cast<size_t>(i)] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
      }
    }

    if (fn) {
      TIEAccessScope readOnly(S, kIEReadOnly);
      TIEAccessScope writeOnly(this, kIEWriteOnly);
      for (int32_t y = 0; y < FHeight; ++y) {
        const auto* s = static_cast<const uint8_t*>(S->ScanLine(y));  // fetched first
        fn(job, s, static_cast<uint8_t*>(ScanLine(y)), y);
      }
      FreeRowBuffers();  // the last row of a file image reaches the file
    }
  }
  if (!FIsAlphaChannel) FAlphaChannel = std::move(S->FAlphaChannel);
}

void TIEBitmap::ConvertTBitmapFormat(TIEPixelFormat Target) {
  if (Target == PF::ie32f || Target == PF::ieCMYK || Target == PF::ieRGB48) RaiseNotInTBitmap(Target);
  if (Target == PF::ienull) return;
  SyncFromTBitmap();
  const PF source = FPixelFormat;
  // ie16g is held as ie8g by its high bytes.
  const PF held = Target == PF::ie16g ? PF::ie8g : Target;
  if (!FBitmap || IsEmpty()) {
    ShapeTBitmap(FWidth, FHeight, held, true);
    return;
  }
  RequireHooks(source, Target, FBWConversion, true);
  if (source == PF::ie24RGB && Target == PF::ie1g && FBWConversion == 0) {
    ColorDepthHooks.Dither(this);  // keeps the alpha channel
    return;
  }
  std::unique_ptr<TIEBitmap> alpha = std::move(FAlphaChannel);
  {
    auto cleanup = ScopeExit([&] { FAlphaChannel = std::move(alpha); });
    TIEBitmap work;
    work.FBWConversion = FBWConversion;
    work.FQuantizeColors = FQuantizeColors;
    work.Allocate(FWidth, FHeight, held);
    work.CopyAndConvertFormat(this);
    Allocate(work.FWidth, work.FHeight, held);  // reshapes the platform bitmap
    CopyPixelsFrom(&work);
  }
  FFull = false;
}
