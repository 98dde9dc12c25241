// TIEBitmap rectangle operations: clipped copies between bitmaps, moving a
// region, changing width and height, the canvas resize with alignment, and the
// recomputation of Full.
#include <climits>
#include <cstring>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scopeguard.h"
#include "imaging/model/pixels/ieaccessscope.h"

namespace {

// The rectangle of a copy after clipping.
struct TClippedRect {
  int32_t SrcX, SrcY, DstX, DstY, Width, Height;
};

// The clipping of CopyRectTo, in its order, computed in 64 bits so that no
// argument can overflow. False when nothing is left.
bool ClipCopyRect(int32_t SourceWidth, int32_t SourceHeight, int32_t DestWidth, int32_t DestHeight, int64_t SrcX,
                  int64_t SrcY, int64_t DstX, int64_t DstY, int64_t Width, int64_t Height, TClippedRect& R) {
  if (SourceWidth < 1 || SourceHeight < 1 || DestWidth < 1 || DestHeight < 1) return false;
  if (DstX < 0) {
    SrcX -= DstX;
    Width += DstX;
    DstX = 0;
  }
  if (DstY < 0) {
    SrcY -= DstY;
    Height += DstY;
    DstY = 0;
  }
  DstX = Min(DstX, int64_t{DestWidth} - 1);
  DstY = Min(DstY, int64_t{DestHeight} - 1);
  // A negative source coordinate is clamped without moving the destination.
  SrcX = Min(Max(SrcX, int64_t{0}), int64_t{SourceWidth} - 1);
  SrcY = Min(Max(SrcY, int64_t{0}), int64_t{SourceHeight} - 1);
  Width = Min(Min(Width, SourceWidth - SrcX), DestWidth - DstX);
  Height = Min(Min(Height, SourceHeight - SrcY), DestHeight - DstY);
  if (Width < 1 || Height < 1) return false;
  R = TClippedRect{static_cast<int32_t>(SrcX), static_cast<int32_t>(SrcY),  static_cast<int32_t>(DstX),
                   static_cast<int32_t>(DstY), static_cast<int32_t>(Width), static_cast<int32_t>(Height)};
  return true;
}

// Bytes per pixel of the formats copied bytewise; 0 for ie1g and ienull.
size_t BytesPerPixel(TIEPixelFormat Format) {
  const int32_t bits = IEBitsPerPixel(Format);
  return bits >= 8 ? static_cast<size_t>(bits / 8) : 0;
}

bool AllBytes255(const uint8_t* P, size_t Count) {
  size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    uint64_t v;
    std::memcpy(&v, P + i, 8);
    if (v != ~uint64_t{0}) return false;
  }
  for (; i < Count; ++i)
    if (P[i] != 255) return false;
  return true;
}

// The alignment moves of Resize that run before the size changes: the part
// that stays is moved to the top-left.
void ShrinkAlign(TIEBitmap* B, int32_t NewWidth, int32_t NewHeight, double Fill, int32_t HAlign, int32_t VAlign) {
  const int32_t w = B->Width(), h = B->Height();
  if (NewWidth < w) {
    if (HAlign == 1) {
      const int32_t d = w - NewWidth;
      B->MoveRegion(d / 2, 0, d / 2 + NewWidth - 1, h - 1, 0, 0, Fill);
    } else if (HAlign == 2) {
      B->MoveRegion(w - NewWidth, 0, w - 1, h - 1, 0, 0, Fill);
    }
  }
  if (NewHeight < h) {
    if (VAlign == 1) {
      const int32_t d = h - NewHeight;
      B->MoveRegion(0, d / 2, w - 1, d / 2 + NewHeight - 1, 0, 0, Fill);
    } else if (VAlign == 2) {
      B->MoveRegion(0, h - NewHeight, w - 1, h - 1, 0, 0, Fill);
    }
  }
}

// The moves of Resize after the size changed: the added area is filled and
// the old image moved to its place.
void GrowAlign(TIEBitmap* B, int32_t OldWidth, int32_t OldHeight, double Fill, int32_t HAlign, int32_t VAlign) {
  const int32_t w = B->Width(), h = B->Height();
  if (OldWidth < w) {
    B->FillRect(OldWidth, 0, w - 1, h - 1, Fill);
    if (HAlign == 1)
      B->MoveRegion(0, 0, OldWidth - 1, OldHeight - 1, (w - OldWidth) / 2, 0, Fill);
    else if (HAlign == 2)
      B->MoveRegion(0, 0, OldWidth - 1, OldHeight - 1, w - OldWidth, 0, Fill);
  }
  if (OldHeight < h) {
    B->FillRect(0, OldHeight, w - 1, h - 1, Fill);
    if (VAlign == 1)
      B->MoveRegion(0, 0, w - 1, OldHeight - 1, 0, (h - OldHeight) / 2, Fill);
    else if (VAlign == 2)
      B->MoveRegion(0, 0, w - 1, OldHeight - 1, 0, h - OldHeight, Fill);
  }
}

}  // namespace

void TIEBitmap::ReleaseCurrentRow() {
  if (FLocation == TIELocation::ieFile && FCurrentRow) {
    void* current = FCurrentRow;
    FCurrentRow = nullptr;
    FFileBuffer->Unmap(current);
  }
}

// ---- Copies ------------------------------------------------------------------------

void TIEBitmap::CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t RectWidth,
                           int32_t RectHeight) {
  if (!Dest || IsEmpty() || Dest->IsEmpty()) return;
  const TIEPixelFormat sf = FPixelFormat, df = Dest->FPixelFormat;
  const bool bits = sf == TIEPixelFormat::ie1g && df == TIEPixelFormat::ie1g;
  const bool bitsToRGB = sf == TIEPixelFormat::ie1g && df == TIEPixelFormat::ie24RGB;
  const size_t pixelBytes = sf == df ? BytesPerPixel(sf) : 0;
  if (!bits && !bitsToRGB && pixelBytes == 0) return;
  TClippedRect r;
  if (!ClipCopyRect(FWidth, FHeight, Dest->FWidth, Dest->FHeight, SrcX, SrcY, DstX, DstY, RectWidth, RectHeight, r))
    return;

  TIERowPair rows(this, Dest);
  const size_t count = pixelBytes * static_cast<size_t>(r.Width);
  for (int32_t i = 0; i < r.Height; ++i) {
    rows.Fetch(r.SrcY + i, r.DstY + i);
    if (bits) {
      CopyBitRun(rows.Dest, rows.Source, r.DstX, FRowLen, r.Width, r.SrcX);
    } else if (bitsToRGB) {
      auto* d = reinterpret_cast<TRGB*>(rows.Dest) + r.DstX;
      for (int32_t x = 0; x < r.Width; ++x) {
        const uint8_t v = GetBit(rows.Source, r.SrcX + x) ? 255 : 0;
        d[x] = TRGB{v, v, v};
      }
    } else {
      // memmove: a bitmap copied onto itself in memory may overlap its row.
      std::memmove(rows.Dest + pixelBytes * static_cast<size_t>(r.DstX),
                   rows.Source + pixelBytes * static_cast<size_t>(r.SrcX), count);
    }
  }
  Dest->ReleaseCurrentRow();
}

void TIEBitmap::MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                                 int32_t RectWidth, int32_t RectHeight) {
  if (!Dest) return;
  TIEBitmap* sa = AlphaChannel();
  TIEBitmap* da = Dest->AlphaChannel();
  // An alpha channel has none of its own.
  if (!sa || !da) return;
  if (sa->FPixelFormat != TIEPixelFormat::ie8g || da->FPixelFormat != TIEPixelFormat::ie8g) return;
  if (sa->IsEmpty() || da->IsEmpty()) return;
  TClippedRect r;
  if (!ClipCopyRect(sa->FWidth, sa->FHeight, da->FWidth, da->FHeight, SrcX, SrcY, DstX, DstY, RectWidth, RectHeight, r))
    return;
  TIERowPair rows(sa, da);
  for (int32_t i = 0; i < r.Height; ++i) {
    rows.Fetch(r.SrcY + i, r.DstY + i);
    const uint8_t* s = rows.Source + r.SrcX;
    uint8_t* d = rows.Dest + r.DstX;
    for (int32_t x = 0; x < r.Width; ++x)
      if (s[x] > d[x]) d[x] = s[x];
  }
  da->ReleaseCurrentRow();
}

void TIEBitmap::MoveRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX, int32_t DstY,
                           double FillValue) {
  // Sides beyond 32 bits are refused by Allocate as too large.
  auto side = [](int32_t A, int32_t B) { return static_cast<int32_t>(Min(int64_t{B} - A + 1, int64_t{INT32_MAX})); };
  TIEBitmap region;
  region.Allocate(side(X1, X2), side(Y1, Y2), FPixelFormat);
  CopyRectTo(&region, X1, Y1, 0, 0, region.Width(), region.Height());
  FillRect(X1, Y1, X2, Y2, FillValue);
  region.CopyRectTo(this, 0, 0, DstX, DstY, region.Width(), region.Height());
}

// ---- Width and height --------------------------------------------------------------

void TIEBitmap::ChangeSize(int32_t NewWidth, int32_t NewHeight) {
  TIEBitmap old;
  MoveTo(&old);
  {
    auto cleanup = ScopeFail([&] {
      old.MoveTo(this);  // the image as it was (its alpha channel was resized already)
    });
    old.FreeRowBuffers();  // rows still held in buffers reach the old file first
    Allocate(NewWidth, NewHeight, old.FPixelFormat);
    if (!IsEmpty() && !old.IsEmpty()) {
      // Only the pixels of the kept columns: the padding of the old rows may
      // hold anything, and the added area must be 0.
      const int64_t keptBits = int64_t{Min(FWidth, old.FWidth)} * FBitCount;
      const auto wholeBytes = static_cast<size_t>(keptBits / 8);
      const auto restBits = static_cast<uint32_t>(keptBits % 8);
      const auto restMask = static_cast<uint8_t>(0xFF00u >> restBits);
      const int32_t rows = Min(FHeight, old.FHeight);
      TIEAccessScope readOnly(&old, kIEReadOnly);
      for (int32_t y = 0; y < rows; ++y) {
        const auto* s = static_cast<const uint8_t*>(old.ScanLine(y));  // fetched first
        auto* d = static_cast<uint8_t*>(ScanLine(y));
        std::memcpy(d, s, wholeBytes);
        if (restBits != 0) d[wholeBytes] = static_cast<uint8_t>(s[wholeBytes] & restMask);
      }
      ReleaseCurrentRow();
    }
    for (int32_t i = 0; i < FPaletteLength; ++i) old.GetPaletteColor(i, FPalette[static_cast<size_t>(i)]);
    if (FLocation == TIELocation::ieTBitmap) UpdateTBitmapPalette();
  }
  // Resized before this call.
  FAlphaChannel = std::move(old.FAlphaChannel);
  FFull = false;
}

void TIEBitmap::SetWidth(int32_t NewWidth) {
  SyncTBitmapShape();
  if (NewWidth == FWidth) return;
  if (FAlphaChannel) FAlphaChannel->SetWidth(NewWidth);
  if (FLocation == TIELocation::ieTBitmap) {
    SetTBitmapSize(NewWidth, FHeight);  // the platform bitmap keeps its top-left pixels
    return;
  }
  if (FPixelFormat == TIEPixelFormat::ienull || FHeight <= 0) {
    FWidth = NewWidth;
    return;
  }
  ChangeSize(NewWidth, FHeight);
}

void TIEBitmap::SetHeight(int32_t NewHeight) {
  SyncTBitmapShape();
  if (NewHeight == FHeight) return;
  if (FAlphaChannel) FAlphaChannel->SetHeight(NewHeight);
  if (FLocation == TIELocation::ieTBitmap) {
    SetTBitmapSize(FWidth, NewHeight);  // the platform bitmap keeps its top-left pixels
    return;
  }
  if (FPixelFormat == TIEPixelFormat::ienull || FWidth <= 0) {
    FHeight = NewHeight;
    return;
  }
  ChangeSize(FWidth, NewHeight);
}

void TIEBitmap::Resize(int32_t NewWidth, int32_t NewHeight, double FillValue, double AlphaFillValue, int32_t HAlign,
                       int32_t VAlign) {
  const int32_t oldWidth = FWidth, oldHeight = FHeight;
  ShrinkAlign(this, NewWidth, NewHeight, FillValue, HAlign, VAlign);
  if (FAlphaChannel) ShrinkAlign(FAlphaChannel.get(), NewWidth, NewHeight, AlphaFillValue, HAlign, VAlign);
  SetWidth(NewWidth);
  SetHeight(NewHeight);
  GrowAlign(this, oldWidth, oldHeight, FillValue, HAlign, VAlign);
  if (FAlphaChannel) GrowAlign(FAlphaChannel.get(), oldWidth, oldHeight, AlphaFillValue, HAlign, VAlign);
}

// ---- Full --------------------------------------------------------------------------

void TIEBitmap::SyncFull() {
  if (IsEmpty()) {
    FFull = true;  // no pixel below the maximum
    return;
  }
  if (FLocation == TIELocation::ieMemory) {
    FFull = AllBytes255(FMemory, static_cast<size_t>(FRowLen) * static_cast<size_t>(FHeight));
    return;
  }
  TIEAccessScope readOnly(this, kIEReadOnly);
  bool full = true;
  for (int32_t y = 0; y < FHeight && full; ++y)
    full = AllBytes255(static_cast<const uint8_t*>(ScanLine(y)), static_cast<size_t>(FRowLen));
  FFull = full;
}
