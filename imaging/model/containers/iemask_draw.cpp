// Drawing a selection mask scaled onto the view: inverted in place, as an
// animated outline, or with its unselected area marked.
#include <algorithm>
#include <cmath>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitrun.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"

namespace {

// A fixed-point step of 14 fraction bits: trunc(Src / Dst * 16384), at least
// 1 so that it can divide.
int64_t ZoomStep(int32_t Src, int32_t Dst) {
  const double step = std::trunc(double(Src) / Dst * 16384);
  return std::max<int64_t>(static_cast<int64_t>(std::clamp(step, 1.0, 4e18)), 1);
}

}  // namespace

void TIEMask::DrawFilled(TCanvas* Canvas, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX,
                         int32_t SrcY, int32_t SrcW, int32_t SrcH) {
  if (!Canvas || FBitsPerPixel != 1 || IsEmpty() || !FBits) return;
  FBitmapInfo.bmiHeader.biWidth = FWidth;
  FBitmapInfo.bmiHeader.biHeight = FHeight;
  FBitmapInfo.bmiHeader.biBitCount = 1;
  // The rows are bottom-up, so the source rectangle counts from the bottom.
  StretchDIBits(Canvas->Handle(), DstX, DstY, DstW, DstH, SrcX, FHeight - SrcY - SrcH, SrcW, SrcH, FBits.get(),
                reinterpret_cast<const BITMAPINFO*>(&FBitmapInfo), DIB_RGB_COLORS, SRCINVERT);
}

void TIEMask::DrawOutline(TCanvas* Canvas, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX,
                          int32_t SrcY, int32_t SrcW, int32_t SrcH, TColor ColorA, TColor ColorB, int32_t Phase) {
  if (!Canvas || DstW < 1 || DstH < 1 || IsEmpty() || !FBits) return;
  ZoomToBuffer(SrcX, SrcY, SrcW, SrcH, DstW, DstH);
  if (!FZoomBuffer || SrcW < 1 || SrcH < 1) return;
  const int64_t colStep = ZoomStep(SrcW, DstW);
  const int64_t rowStep = ZoomStep(SrcH, DstH);
  const int64_t r0 = std::max<int64_t>(((int64_t{FY1} - SrcY) * 16384) / rowStep, 0);
  const int64_t r1 = std::min<int64_t>(((int64_t{FY2} - SrcY + 1) * 16384) / rowStep + 1, DstH - 1);
  const int64_t c0 = std::max<int64_t>(((int64_t{FX1} - SrcX) * 16384) / colStep, 0);
  const int64_t c1 = std::min<int64_t>(((int64_t{FX2} - SrcX + 1) * 16384) / colStep + 1, DstW - 1);

  // Buffer pixel (c, r), the buffer's edge pixel for positions outside it.
  auto isSet = [&](int64_t c, int64_t r) {
    c = std::clamp<int64_t>(c, 0, DstW - 1);
    r = std::clamp<int64_t>(r, 0, DstH - 1);
    const uint8_t* row = FZoomRows[static_cast<size_t>(r)];
    return FBitsPerPixel == 8 ? row[c] != 0 : GetBit(row, static_cast<int32_t>(c));
  };
  const COLORREF colorA = ColorToRGB(ColorA), colorB = ColorToRGB(ColorB);
  HDC dc = Canvas->Handle();
  for (int64_t r = r0; r <= r1; ++r) {
    const int64_t my = SrcY + ((r * rowStep) >> 14);
    for (int64_t c = c0; c <= c1; ++c) {
      if (!isSet(c, r)) continue;
      const int64_t mx = SrcX + ((c * colStep) >> 14);
      // At the buffer's edges only the selection's own edges count: where
      // the view cuts the selection there is no border.
      bool border = (c == 0 && mx <= FX1) || (c == DstW - 1 && (mx >= FX2 || SrcW == FWidth)) ||
                    (r == 0 && my <= FY1) || (r == DstH - 1 && (my >= FY2 || SrcH == FHeight));
      for (int64_t rr = r - 1; rr <= r + 1 && !border; ++rr)
        for (int64_t cc = c - 1; cc <= c + 1 && !border; ++cc) border = !isSet(cc, rr);
      if (!border) continue;
      const int64_t x = int64_t{DstX} + c, y = int64_t{DstY} + r;
      ::SetPixel(dc, static_cast<int32_t>(x), static_cast<int32_t>(y), (x + y + Phase) % 8 < 4 ? colorA : colorB);
    }
  }
}

void TIEMask::DrawOuter(TBitmap* Bitmap, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX,
                        int32_t SrcY, int32_t SrcW, int32_t SrcH) {
  if (!Bitmap || DstW < 1 || DstH < 1 || IsEmpty() || !FBits) return;
  if (Bitmap->PixelFormat() != TPixelFormat::pf24bit) return;
  ZoomToBuffer(SrcX, SrcY, SrcW, SrcH, DstW, DstH);
  if (!FZoomBuffer || SrcW < 1 || SrcH < 1) return;
  const int64_t colStep = ZoomStep(SrcW, DstW);
  const int64_t rowStep = ZoomStep(SrcH, DstH);
  const int32_t bitmapWidth = Bitmap->Width(), bitmapHeight = Bitmap->Height();
  const int64_t r0 = std::max<int64_t>((-int64_t{SrcY} * 16384) / rowStep, 0);
  const int64_t r1 = std::min<int64_t>(
      {((int64_t{FHeight} - SrcY) * 16384) / rowStep + 1, int64_t{DstH} - 1, int64_t{bitmapHeight} - 1});
  const int64_t c0 = std::max<int64_t>((-int64_t{SrcX} * 16384) / colStep, 0);
  const int64_t c1 = std::min<int64_t>(
      {((int64_t{FWidth} - SrcX) * 16384) / colStep + 1, int64_t{DstW} - 1, int64_t{bitmapWidth} - 1});
  try {
    for (int64_t r = r0; r <= r1; ++r) {
      const int64_t y = int64_t{DstY} + r;
      if (y < 0 || y >= bitmapHeight) continue;
      const uint8_t* zoom = FZoomRows[static_cast<size_t>(r)];
      uint8_t* row = Bitmap->ScanLine(static_cast<int32_t>(y));
      for (int64_t c = c0; c <= c1; ++c) {
        if ((c + r) & 1) continue;  // a checkerboard
        if (FBitsPerPixel == 8 ? zoom[c] != 0 : GetBit(zoom, static_cast<int32_t>(c))) continue;
        const int64_t x = int64_t{DstX} + c;
        if (x < 0 || x >= bitmapWidth) continue;
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 97;
      }
    }
  } catch (const Exception&) {
    // A row that cannot be had ends the drawing.
  }
}
