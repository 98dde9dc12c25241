#include "imaging/model/pixels/ieconvert24.h"

#include <cmath>
#include <cstring>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

uint8_t FloatLevel(float v) {
  if (!(v > 0.0f)) return 0;  // NaN too
  if (v >= 1.0f) return 255;
  return static_cast<uint8_t>(std::trunc(static_cast<double>(v) * 255.0));
}

template <class T>
T Load(const uint8_t* Row, int32_t X) {
  T v;
  std::memcpy(&v, Row + sizeof(T) * static_cast<size_t>(X), sizeof(T));
  return v;
}

}  // namespace

void IEConvertTo24RGB(TIEBitmap* Source, TIEBitmap* Dest) {
  if (!Source || !Dest || Source == Dest) return;
  const TIEPixelFormat format = Source->PixelFormat();
  const int32_t width = Source->Width();
  const int32_t height = Source->Height();
  if (Source->IsEmpty()) {
    Dest->Allocate(0, 0, TIEPixelFormat::ie24RGB);
    return;
  }
  Dest->Allocate(width, height, TIEPixelFormat::ie24RGB);
  if (Dest->IsEmpty()) return;

  TRGB palette[256];
  for (int32_t i = 0; i < 256; ++i) Source->GetPaletteColor(i, palette[i]);

  TIEAccessScope readOnly(Source, TIEDataAccess{TIEDataAccessItem::iedRead});
  TIEAccessScope writeOnly(Dest, TIEDataAccess{TIEDataAccessItem::iedWrite});
  for (int32_t y = 0; y < height; ++y) {
    const auto* s = static_cast<const uint8_t*>(Source->ScanLine(y));  // fetched first
    auto* d = static_cast<TRGB*>(Dest->ScanLine(y));
    switch (format) {
      case TIEPixelFormat::ie1g:
        for (int32_t x = 0; x < width; ++x) {
          const uint8_t v = (s[x >> 3] & (0x80u >> (x & 7))) ? 255 : 0;
          d[x] = TRGB{v, v, v};
        }
        break;
      case TIEPixelFormat::ie8p:
        for (int32_t x = 0; x < width; ++x) d[x] = palette[s[x]];
        break;
      case TIEPixelFormat::ie8g:
        for (int32_t x = 0; x < width; ++x) d[x] = TRGB{s[x], s[x], s[x]};
        break;
      case TIEPixelFormat::ie16g:
        for (int32_t x = 0; x < width; ++x) {
          const uint8_t v = IENarrow16To8(Load<uint16_t>(s, x));
          d[x] = TRGB{v, v, v};
        }
        break;
      case TIEPixelFormat::ie24RGB: std::memcpy(d, s, static_cast<size_t>(width) * 3); break;
      case TIEPixelFormat::ie32f:
        for (int32_t x = 0; x < width; ++x) {
          const uint8_t v = FloatLevel(Load<float>(s, x));
          d[x] = TRGB{v, v, v};
        }
        break;
      case TIEPixelFormat::ieCMYK:
        for (int32_t x = 0; x < width; ++x) d[x] = IECMYKToRGB(Load<TCMYK>(s, x));
        break;
      case TIEPixelFormat::ieRGB48:
        for (int32_t x = 0; x < width; ++x) {
          const TRGB48 p = Load<TRGB48>(s, x);
          d[x] = MakeTRGB(IENarrow16To8(p.r), IENarrow16To8(p.g), IENarrow16To8(p.b));
        }
        break;
      case TIEPixelFormat::ienull: break;
    }
  }
  Dest->FreeRowBuffers();  // the last row of a file image reaches the file
}

std::unique_ptr<TIEBitmap> IEConvertTo24RGB(TIEBitmap* Source) {
  auto result = std::make_unique<TIEBitmap>();
  IEConvertTo24RGB(Source, result.get());
  return result;
}
