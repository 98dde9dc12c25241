#include "imaging/model/pixels/iedibbitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"

TIEDibbitmap::TIEDibbitmap() {
  FInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  FInfo.bmiHeader.biPlanes = 1;
  FInfo.bmiHeader.biCompression = BI_RGB;
  FInfo.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  FInfo.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
}

TIEDibbitmap::~TIEDibbitmap() { FreeBits(); }

void* TIEDibbitmap::ScanLine(int32_t Row) { return FBitmap ? FBitmap->ScanLine(Row) : nullptr; }

TIEPixelFormat TIEDibbitmap::PixelFormat() const {
  if (FBitCount == 1) return TIEPixelFormat::ie1g;
  if (FBitCount == 24) return TIEPixelFormat::ie24RGB;
  return TIEPixelFormat::ienull;
}

void TIEDibbitmap::GetPaletteColor(int32_t, TRGB& Colour) const { Colour = TRGB{}; }

void TIEDibbitmap::SetPaletteColor(int32_t, const TRGB&) {}

void TIEDibbitmap::Allocate(int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat) {
  if (ImagePixelFormat == TIEPixelFormat::ie1g)
    AllocateBits(ImageWidth, ImageHeight, 1);
  else if (ImagePixelFormat == TIEPixelFormat::ie24RGB)
    AllocateBits(ImageWidth, ImageHeight, 24);
}

void TIEDibbitmap::Assign(TObject* Source) {
  auto* source = dynamic_cast<TIEDibbitmap*>(Source);
  if (!source || source == this || !source->FBitmap) return;
  AllocateBits(source->FWidth, source->FHeight, source->FBitCount);
  for (int32_t y = 0; y < FHeight; ++y) std::memcpy(ScanLine(y), source->ScanLine(y), static_cast<size_t>(FRowLen));
}

void TIEDibbitmap::AllocateBits(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitCount) {
  if (ImageWidth <= 0 || ImageHeight <= 0) return;
  if (ImageBitCount != 1 && ImageBitCount != 24) return;
  const int64_t rowLen = IEBitmapRowLen(ImageWidth, ImageBitCount, 32);
  FreeBits();
  if (rowLen > IEMaxImageBytes || rowLen * ImageHeight > IEMaxImageBytes)
    throw EOutOfMemory("Out of memory: cannot create a DIB section of " + std::to_string(ImageWidth) + " x " +
                       std::to_string(ImageHeight) + " pixels");
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(ImageBitCount == 1 ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
  bitmap->SetSize(ImageWidth, ImageHeight);  // zeroed; EOutOfResources when it cannot be had
  if (ImageBitCount == 1) {
    // Black and white whatever the platform's default table.
    HDC dc = bitmap->Canvas()->Handle();
    SetDIBColorTable(dc, 0, 2, FInfo.bmiColors);
  }
  FBitmap = std::move(bitmap);
  FWidth = ImageWidth;
  FHeight = ImageHeight;
  FBitCount = ImageBitCount;
  FRowLen = static_cast<int32_t>(rowLen);
  FInfo.bmiHeader.biWidth = FWidth;
  FInfo.bmiHeader.biHeight = FHeight;
  FInfo.bmiHeader.biBitCount = static_cast<uint16_t>(FBitCount);
  FInfo.bmiHeader.biSizeImage = static_cast<uint32_t>(rowLen * FHeight);
}

void TIEDibbitmap::FreeBits() {
  FBitmap.reset();
  FWidth = 0;
  FHeight = 0;
  FBitCount = 0;
  FRowLen = 0;
}

TCanvas* TIEDibbitmap::Canvas() { return FBitmap ? FBitmap->Canvas() : nullptr; }

HDC TIEDibbitmap::DC() {
  TCanvas* canvas = Canvas();
  return canvas ? canvas->Handle() : nullptr;
}

// ---- TIEBitmap::CopyFromDibbitmap ------------------------------------------------------------

void TIEBitmap::CopyFromDibbitmap(TIEDibbitmap* Source) {
  if (!Source) return;
  const int32_t bits = Source->BitCount();
  if (FLocation == TIELocation::ieTBitmap) {
    TIEPixelFormat format = FPixelFormat;
    if (bits == 1)
      format = TIEPixelFormat::ie1g;
    else if (bits == 24)
      format = TIEPixelFormat::ie24RGB;
    ShapeTBitmap(Source->Width(), Source->Height(), format, bits == 1 || bits == 24);
  } else {
    TIEPixelFormat format;
    if (bits == 1)
      format = TIEPixelFormat::ie1g;
    else if (bits == 8)
      format = TIEPixelFormat::ie8g;
    else if (bits == 24)
      format = TIEPixelFormat::ie24RGB;
    else
      return;  // nothing allocated, so nothing to copy into
    Allocate(Source->Width(), Source->Height(), format);
  }
  if (IsEmpty() || Source->Width() == 0 || Source->Height() == 0) return;
  const size_t count = static_cast<size_t>(std::min(FRowLen, Source->RowLen()));
  const int32_t rows = std::min(FHeight, Source->Height());
  for (int32_t y = 0; y < rows; ++y) std::memcpy(ScanLine(y), Source->ScanLine(y), count);
  if (FLocation == TIELocation::ieFile) FreeRowBuffers();
}
