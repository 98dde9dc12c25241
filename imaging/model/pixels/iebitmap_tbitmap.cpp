// TIEBitmap in Location ieTBitmap: the pixels live in a platform bitmap (a
// DIB section whose canvas draws into the same rows). Rows are reached
// through a table of the platform's row addresses, rebuilt whenever the
// platform bitmap changes size or format or moves its pixels. The platform
// bitmap holds ie1g (pf1bit), ie8p and ie8g (pf8bit) and ie24RGB (pf24bit);
// ie16g is held as ie8g by its high bytes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"

namespace {

// The platform format that stores a pixel format; pfDevice for the formats
// it cannot hold.
TPixelFormat PlatformFormatOf(TIEPixelFormat Format) {
  switch (Format) {
    case TIEPixelFormat::ie1g: return TPixelFormat::pf1bit;
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie8g:
    case TIEPixelFormat::ie16g: return TPixelFormat::pf8bit;
    case TIEPixelFormat::ie24RGB: return TPixelFormat::pf24bit;
    default: return TPixelFormat::pfDevice;
  }
}

// Sets the first Count colours of Bitmap's colour table.
void SetPlatformPalette(TBitmap* Bitmap, const TRGB* Entries, int32_t Count) {
  Count = std::clamp(Count, 0, 256);
  if (Count == 0) return;
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + static_cast<size_t>(Count) * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<uint16_t>(Count);
  for (int32_t i = 0; i < Count; ++i) lp->palPalEntry[i] = PALETTEENTRY{Entries[i].r, Entries[i].g, Entries[i].b, 0};
  if (HPALETTE palette = CreatePalette(lp)) Bitmap->SetPalette(palette);  // the bitmap owns it now
}

// Up to 256 colours of Bitmap's palette into a zeroed table; the number of
// entries the palette has.
int32_t ReadPlatformPalette(TBitmap* Bitmap, PALETTEENTRY (&Entries)[256]) {
  for (auto& e : Entries) e = PALETTEENTRY{};
  HPALETTE palette = Bitmap->Palette();
  if (!palette) return 0;
  const uint32_t count = std::min<uint32_t>(GetPaletteEntries(palette, 0, 0, nullptr), 256);
  return static_cast<int32_t>(GetPaletteEntries(palette, 0, count, Entries));
}

TRGB ToTRGB(const PALETTEENTRY& E) { return MakeTRGB(E.peRed, E.peGreen, E.peBlue); }

const TIEDataAccess kReadWrite{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite};

}  // namespace

// ---- The platform bitmap and its row table -------------------------------------------------

void TIEBitmap::BuildScanlineCache() {
  FBitmapScanline.clear();
  if (!FBitmap) return;
  const int32_t height = FBitmap->Height();
  if (height <= 0 || FBitmap->Width() <= 0) return;
  FBitmapScanline.resize(static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) FBitmapScanline[static_cast<size_t>(y)] = FBitmap->ScanLine(y);
}

void TIEBitmap::FreeScanlineCache() { FBitmapScanline.clear(); }

void TIEBitmap::FreeTBitmapImage() {
  if (!FTBitmapExternal) delete FBitmap;
  FBitmap = nullptr;
  FBitmapScanline.clear();
  FTBitmapExternal = false;
}

void TIEBitmap::NewTBitmap() {
  FBitmap = new TBitmap();
  FTBitmapExternal = false;
}

void TIEBitmap::NormalizeTBitmapFormat() {
  switch (FBitmap->PixelFormat()) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf8bit:
    case TPixelFormat::pf24bit: break;
    default:
      // Narrower rows would be shorter than RowLen; the conversion keeps the
      // picture.
      FBitmap->SetPixelFormat(TPixelFormat::pf24bit);
  }
}

TIEPixelFormat TIEBitmap::TBitmapReadBackFormat() const {
  switch (FBitmap->PixelFormat()) {
    case TPixelFormat::pf1bit: return TIEPixelFormat::ie1g;
    case TPixelFormat::pf8bit: return FIsAlphaChannel ? TIEPixelFormat::ie8g : TIEPixelFormat::ie8p;
    default: return TIEPixelFormat::ie24RGB;
  }
}

void TIEBitmap::TakeTBitmapShape(TIEPixelFormat Format) {
  FWidth = FBitmap->Width();
  FHeight = FBitmap->Height();
  FPixelFormat = Format;
  FBitCount = IEBitsPerPixel(Format);
  // The platform's rows are padded to 32 bits whatever RowAlignment says.
  FRowLen = static_cast<int32_t>(IEBitmapRowLen(FWidth, FBitCount, 32));
  if (Format == TIEPixelFormat::ie8p) {
    if (!FPalette) {
      // The platform bitmap's own colours (a gray ramp for gray images).
      auto palette = TranslateOutOfMemory([] { return std::unique_ptr<TRGB[]>(new TRGB[256]()); });
      PALETTEENTRY entries[256];
      ReadPlatformPalette(FBitmap, entries);
      for (int32_t i = 0; i < 256; ++i) palette[static_cast<size_t>(i)] = ToTRGB(entries[i]);
      FPalette = std::move(palette);
      FPaletteLength = 256;
    }
  } else {
    FPalette.reset();
    FPaletteLength = 0;
  }
  if (FAlphaChannel && (FAlphaChannel->Width() != FWidth || FAlphaChannel->Height() != FHeight)) {
    // The previous values do not fit the new size: a new, zero channel.
    FAlphaChannel->Allocate(FWidth, FHeight, TIEPixelFormat::ie8g);
  }
  BuildScanlineCache();
}

void TIEBitmap::ShapeTBitmap(int32_t NewWidth, int32_t NewHeight, TIEPixelFormat Format, bool SetFormat) {
  if (!FBitmap) NewTBitmap();
  if (SetFormat && PlatformFormatOf(Format) != TPixelFormat::pfDevice) {
    if (Format == TIEPixelFormat::ie16g) Format = TIEPixelFormat::ie8g;
    FBitmap->SetSize(0, 0);  // drops the old pixels: the new ones start zero
    FBitmap->SetPixelFormat(PlatformFormatOf(Format));
    FBitmap->SetSize(std::max(NewWidth, 0), std::max(NewHeight, 0));
    if (Format == TIEPixelFormat::ie8g) {
      TRGB ramp[256];
      for (int32_t i = 0; i < 256; ++i) ramp[i] = MakeTRGB(uint8_t(i), uint8_t(i), uint8_t(i));
      SetPlatformPalette(FBitmap, ramp, 256);
    }
    NormalizeTBitmapFormat();
    // ie8g stays ie8g until it is read back (as ie8p unless it is an alpha
    // channel); the palette of ie8p is set by its owner.
    FPixelFormat = Format;
    FWidth = FBitmap->Width();
    FHeight = FBitmap->Height();
    FBitCount = IEBitsPerPixel(Format);
    FRowLen = static_cast<int32_t>(IEBitmapRowLen(FWidth, FBitCount, 32));
    if (Format != TIEPixelFormat::ie8p) {
      FPalette.reset();
      FPaletteLength = 0;
    }
    BuildScanlineCache();
    return;
  }
  FBitmap->SetSize(std::max(NewWidth, 0), std::max(NewHeight, 0));  // keeps the top-left pixels
  NormalizeTBitmapFormat();
  const TIEPixelFormat held = TBitmapReadBackFormat();
  const bool same = FPixelFormat == held || (held == TIEPixelFormat::ie8p && FPixelFormat == TIEPixelFormat::ie8g);
  // Only the shape changes here; the alpha channel is the caller's business.
  std::unique_ptr<TIEBitmap> alpha = std::move(FAlphaChannel);
  TakeTBitmapShape(same ? FPixelFormat : held);
  FAlphaChannel = std::move(alpha);
}

void TIEBitmap::AllocateTBitmapImage() {
  ShapeTBitmap(FWidth, FHeight, FPixelFormat, true);
  if (FPixelFormat == TIEPixelFormat::ie8p) UpdateTBitmapPalette();
}

bool TIEBitmap::CopyPixelsIntoTBitmap(TIEBitmap* S) {
  if (FLocation != TIELocation::ieTBitmap || S->FPixelFormat != TIEPixelFormat::ie16g ||
      FPixelFormat != TIEPixelFormat::ie8g || S->IsEmpty() || IsEmpty())
    return false;
  // ie16g is held as ie8g: each level's high byte.
  TIEAccessScope readOnly(S, kIEReadOnly);
  const int32_t rows = std::min(FHeight, S->FHeight);
  const int32_t width = std::min(FWidth, S->FWidth);
  for (int32_t y = 0; y < rows; ++y) {
    const auto* s = static_cast<const uint8_t*>(S->ScanLine(y));
    auto* d = static_cast<uint8_t*>(ScanLine(y));
    for (int32_t x = 0; x < width; ++x) d[x] = s[2 * x + 1];  // little-endian: high byte second
  }
  return true;
}

// ---- Re-reading the platform bitmap -------------------------------------------------------

void TIEBitmap::SyncFromTBitmap() {
  if (!FBitmap) return;
  NormalizeTBitmapFormat();
  const TIEPixelFormat format = TBitmapReadBackFormat();
  if (FBitmap->Width() != FWidth || FBitmap->Height() != FHeight || format != FPixelFormat) {
    TakeTBitmapShape(format);
    return;
  }
  const int32_t height = FBitmap->Height();
  if (height > 0 && FBitmap->Width() > 0 &&
      (FBitmapScanline.size() != static_cast<size_t>(height) || FBitmap->ScanLine(0) != FBitmapScanline[0]))
    BuildScanlineCache();
}

// ---- Public operations --------------------------------------------------------------------

void TIEBitmap::EncapsulateTBitmap(TBitmap* Bitmap, bool FreeFirst) {
  if (Bitmap && Bitmap == FBitmap) {
    SyncFromTBitmap();
    return;
  }
  // Without FreeFirst the alpha channel survives; the storage held so far is
  // released either way, since the platform bitmap replaces it.
  FreeImage(FreeFirst);
  if (!Bitmap) return;
  FLocation = TIELocation::ieTBitmap;
  FBitmap = Bitmap;
  FTBitmapExternal = true;
  NormalizeTBitmapFormat();
  TakeTBitmapShape(TBitmapReadBackFormat());
}

TBitmap* TIEBitmap::GetTBitmap() {
  SetLocation(TIELocation::ieTBitmap);
  if (!FBitmap) {
    // An empty image still answers a platform bitmap, empty as well.
    NewTBitmap();
    const TPixelFormat format = PlatformFormatOf(FPixelFormat);
    FBitmap->SetPixelFormat(format == TPixelFormat::pfDevice ? TPixelFormat::pf24bit : format);
  }
  return FBitmap;
}

TCanvas* TIEBitmap::Canvas() { return GetTBitmap()->Canvas(); }

void TIEBitmap::UpdateTBitmapPalette() {
  if (FLocation != TIELocation::ieTBitmap || FPaletteLength < 1 || !FBitmap || !FPalette) return;
  SetPlatformPalette(FBitmap, FPalette.get(), FPaletteLength);
}

void TIEBitmap::SetTBitmapSize(int32_t NewWidth, int32_t NewHeight) {
  ShapeTBitmap(NewWidth, NewHeight, FPixelFormat, false);
  FFull = false;
}

bool TIEBitmap::AssignFromPlatformBitmap(TObject* Source) {
  auto* bitmap = dynamic_cast<TBitmap*>(Source);
  if (!bitmap) return false;
  CopyFromTBitmap(bitmap);
  return true;
}

void TIEBitmap::CopyFromTBitmap(TBitmap* Bitmap) {
  if (!Bitmap) return;
  if (FLocation == TIELocation::ieTBitmap) {
    if (Bitmap == FBitmap) return;
    if (!FBitmap) NewTBitmap();
    CopyTBitmap(Bitmap, FBitmap);
    FPalette.reset();  // read again from the copy
    FPaletteLength = 0;
    NormalizeTBitmapFormat();
    TakeTBitmapShape(TBitmapReadBackFormat());
    FFull = false;
    return;
  }

  const TPixelFormat platform = Bitmap->PixelFormat();
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  PALETTEENTRY entries[256];
  bool monochrome = false;
  TIEPixelFormat format;
  switch (platform) {
    case TPixelFormat::pf1bit:
      ReadPlatformPalette(Bitmap, entries);
      monochrome = entries[0] == PALETTEENTRY{0, 0, 0, 0} && entries[1] == PALETTEENTRY{255, 255, 255, 0};
      format = monochrome ? TIEPixelFormat::ie1g : TIEPixelFormat::ie8p;
      break;
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
      ReadPlatformPalette(Bitmap, entries);
      format = TIEPixelFormat::ie8p;
      break;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
    case TPixelFormat::pf24bit:
    case TPixelFormat::pf32bit: format = TIEPixelFormat::ie24RGB; break;
    default: return;  // pfDevice, pfCustom: no layout to read
  }
  Allocate(width, height, format);
  if (format == TIEPixelFormat::ie8p) {
    const int32_t count = platform == TPixelFormat::pf1bit ? 2 : platform == TPixelFormat::pf4bit ? 16 : 256;
    for (int32_t i = 0; i < count && i < FPaletteLength; ++i) FPalette[static_cast<size_t>(i)] = ToTRGB(entries[i]);
  }
  FFull = false;
  if (IsEmpty()) return;

  const auto platformRowLen = static_cast<size_t>(IETBitmapRowLen(width, platform));
  const size_t rowBytes = std::min(static_cast<size_t>(FRowLen), platformRowLen);
  TIEAccessScope access(this, kReadWrite);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = Bitmap->ScanLine(y);
    auto* d = static_cast<uint8_t*>(ScanLine(y));
    auto* rgb = reinterpret_cast<TRGB*>(d);
    switch (platform) {
      case TPixelFormat::pf1bit:
        if (monochrome) {
          std::memcpy(d, s, rowBytes);
        } else {
          for (int32_t x = 0; x < width; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
        }
        break;
      case TPixelFormat::pf4bit:
        for (int32_t x = 0; x < width; ++x) d[x] = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        break;
      case TPixelFormat::pf8bit:
      case TPixelFormat::pf24bit: std::memcpy(d, s, rowBytes); break;
      case TPixelFormat::pf15bit:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t w = s[2 * x] | (uint32_t(s[2 * x + 1]) << 8);
          rgb[x] = MakeTRGB(uint8_t(((w >> 10) & 31) << 3), uint8_t(((w >> 5) & 31) << 3), uint8_t((w & 31) << 3));
        }
        break;
      case TPixelFormat::pf16bit:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t w = s[2 * x] | (uint32_t(s[2 * x + 1]) << 8);
          rgb[x] = MakeTRGB(uint8_t((w >> 11) << 3), uint8_t(((w >> 5) & 63) << 2), uint8_t((w & 31) << 3));
        }
        break;
      case TPixelFormat::pf32bit:
        for (int32_t x = 0; x < width; ++x) rgb[x] = TRGB{s[4 * x], s[4 * x + 1], s[4 * x + 2]};
        break;
      default: break;
    }
  }
  FreeRowBuffers();
}
