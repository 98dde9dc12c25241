// TIEBitmap pixel access that does not fit inline, and the whole-image
// routines around gray content and alpha.
#include <cmath>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "platform/rtl/arith.h"
#include "imaging/model/pixels/ieaccessscope.h"

namespace {

// bg + round((c - bg) * a / 255). The quotient never has a fraction of
// exactly one half (255 is odd), so rounding the magnitude is exact.
inline uint8_t MergeChannel(int32_t c, int32_t bg, int32_t a) {
  const int32_t t = (c - bg) * a;
  const int32_t q = t >= 0 ? (t + 127) / 255 : -((-t + 127) / 255);
  return static_cast<uint8_t>(bg + q);
}

}  // namespace

void TIEBitmap::GetPixelAsRGB(int32_t X, int32_t Y, TRGB& Colour) {
  auto gray = [&Colour](uint8_t v) { Colour = TRGB{v, v, v}; };
  switch (FPixelFormat) {
    case TIEPixelFormat::ie1g:
      AssertPixel(X, Y);
      gray(GetBit(static_cast<const uint8_t*>(ScanLine(Y)), X) ? 255 : 0);
      break;
    case TIEPixelFormat::ie8p:
      // Black when there is no palette (memory taken over by EncapsulateMemory).
      Colour = TRGB{};
      GetPaletteColor(GetPixel8(X, Y), Colour);
      break;
    case TIEPixelFormat::ie8g: gray(GetPixel8(X, Y)); break;
    case TIEPixelFormat::ie16g: gray(IENarrow16To8(GetPixel16(X, Y))); break;
    case TIEPixelFormat::ie24RGB: Colour = *PixelRGB(X, Y); break;
    case TIEPixelFormat::ie32f: {
      // Limited to 0..1 first; NaN counts as 0.
      double v = GetPixelFloat(X, Y);
      v = v >= 1.0 ? 1.0 : (v > 0.0 ? v : 0.0);
      gray(static_cast<uint8_t>(std::trunc(v * 255)));
      break;
    }
    case TIEPixelFormat::ieCMYK: Colour = IECMYKToRGB(GetPixelCMYK(X, Y)); break;
    case TIEPixelFormat::ieRGB48: {
      const TRGB48 p = GetPixelRGB48(X, Y);
      Colour = MakeTRGB(IENarrow16To8(p.r), IENarrow16To8(p.g), IENarrow16To8(p.b));
      break;
    }
    default: Colour = TRGB{}; break;
  }
}

void TIEBitmap::SetAlpha(int32_t X, int32_t Y, uint8_t Value) {
  // An alpha channel has no alpha channel of its own: its pixels are the
  // alpha values (as GetAlpha reads them).
  TIEBitmap* alpha = FIsAlphaChannel ? this : AlphaChannel();
  alpha->SetPixel8(X, Y, Value);
  if (Value != 255) FFull = false;
}

// ---- Whole-image routines ----------------------------------------------------------

bool IEIsGrayscale(TIEBitmap* Bitmap) {
  if (!Bitmap) return true;
  if (Bitmap->PixelFormat() == TIEPixelFormat::ie8p) {
    for (int32_t i = 0; i < Bitmap->PaletteLength(); ++i) {
      TRGB c;
      Bitmap->GetPaletteColor(i, c);
      if (c.r != c.g || c.g != c.b) return false;
    }
    return true;
  }
  if (Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Bitmap->IsEmpty()) return true;
  TIEAccessScope readOnly(Bitmap, kIEReadOnly);
  const int32_t width = Bitmap->Width();
  for (int32_t y = 0; y < Bitmap->Height(); ++y) {
    const auto* p = static_cast<const TRGB*>(Bitmap->ScanLine(y));
    for (int32_t x = 0; x < width; ++x)
      if (p[x].r != p[x].g || p[x].g != p[x].b) return false;
  }
  return true;
}

bool IEAlphaCovers(TIEBitmap* Bitmap) {
  if (!Bitmap || !Bitmap->HasAlphaChannel()) return false;
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  return alpha->Width() >= Bitmap->Width() && alpha->Height() >= Bitmap->Height();
}

bool IEHasTransparency(TIEBitmap* Bitmap) {
  if (!IEAlphaCovers(Bitmap) || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB) return false;
  try {
    TIEBitmap* alpha = Bitmap->AlphaChannel();
    if (alpha->IsEmpty()) return false;
    TIEAccessScope readOnly(alpha, kIEReadOnly);
    const auto width = static_cast<size_t>(alpha->Width());
    for (int32_t y = 0; y < alpha->Height(); y += 3) {
      const auto* row = static_cast<const uint8_t*>(alpha->ScanLine(y));
      for (size_t x = 0; x < width; ++x)
        if (row[x] != 255) return true;
    }
  } catch (...) {
    return false;
  }
  return false;
}

void IEMergeAlphaWithBackground(TIEBitmap* Bitmap, TColor Colour) {
  if (!Bitmap || !Bitmap->HasAlphaChannel()) return;
  try {
    if (Bitmap->PixelFormat() == TIEPixelFormat::ie24RGB && !Bitmap->IsEmpty()) {
      TIEBitmap* alpha = Bitmap->AlphaChannel();
      const TRGB bg = ColorToTRGB(Colour);
      const int32_t width = Min(Bitmap->Width(), alpha->Width());
      const int32_t height = Min(Bitmap->Height(), alpha->Height());
      TIEAccessScope readOnly(alpha, kIEReadOnly);
      for (int32_t y = 0; y < height; ++y) {
        const auto* a = static_cast<const uint8_t*>(alpha->ScanLine(y));
        auto* p = static_cast<TRGB*>(Bitmap->ScanLine(y));
        for (int32_t x = 0; x < width; ++x) {
          const int32_t av = a[x];
          if (av == 255) continue;
          p[x].r = MergeChannel(p[x].r, bg.r, av);
          p[x].g = MergeChannel(p[x].g, bg.g, av);
          p[x].b = MergeChannel(p[x].b, bg.b, av);
        }
      }
    }
    Bitmap->RemoveAlphaChannel();
  } catch (...) {
    // A file row that cannot be read leaves the image as far as it got.
  }
}
