// TIEMask: a one-channel raster of 1 or 8 bits per pixel with the bounding box
// of its non-zero pixels and a Full flag. It is the selection of the image
// view, the alpha channel a reader hands over (TIEBitmap::CopyFromMask), and
// the intermediate of the selection-aware processing and of the 1-bit and
// alpha resamplers.
//
// Rows are stored bottom-up and padded to 32 bits, so that a 1-bit mask can be
// stretched onto a canvas as a device-independent bitmap; row 0 is the top
// row. 8-bit values run from 0 (not selected, transparent) to 255; in 1-bit
// masks bit 7 of a byte is the leftmost pixel and 1 is selected. Every
// non-zero pixel lies inside the box; the box may be larger than the content.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/rtl/graphtypes.h"

class TBitmap;
class TCanvas;
class TIEBitmap;

// A point with this x separates the polygons given to FillPolygon.
inline constexpr int32_t IEPolygonSeparator = 1048575;

// The header and two-colour table (black, white) of a 1-bit
// device-independent bitmap, for drawing the mask.
struct TIEMaskBitmapInfo {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[2];
};

class TIEMask {
 public:
  // The box of a mask without selected pixels: X1 = Y1 = MaxInt, X2 = Y2 = 0.
  static constexpr int32_t EmptyBox = 2147483647;

  TIEMask();
  ~TIEMask();
  TIEMask(const TIEMask&) = delete;
  TIEMask& operator=(const TIEMask&) = delete;

  // ---- Storage ----
  // Frees everything and allocates zeroed rows; the box is empty and Full
  // false. BitsPerPixel other than 1 and 8, and masks over 2147483647 bytes,
  // are refused (Exception), leaving the mask empty.
  void Allocate(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel);
  // New size keeping the pixels at the top-left; the added pixels are 0 and
  // the box is clipped to the new size.
  void Resize(int32_t NewWidth, int32_t NewHeight);
  // Frees the rows and the zoom buffer: no size, empty box, Full false.
  void FreeBits();
  // Row Y (0 = top); not range-checked.
  uint8_t* ScanLine(int32_t Y) {
    assert(Y >= 0 && Y < FHeight && "mask row out of range");
    return FBits.get() + static_cast<ptrdiff_t>(FRowLen) * (FHeight - 1 - Y);
  }
  const uint8_t* ScanLine(int32_t Y) const { return const_cast<TIEMask*>(this)->ScanLine(Y); }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t BitsPerPixel() const { return FBitsPerPixel; }
  // Bytes per row: ((Width * BitsPerPixel + 31) div 32) * 4.
  int32_t RowLen() const { return FRowLen; }
  uint8_t* Bits() { return FBits.get(); }

  // ---- Pixels ----
  // 0 outside the mask; an 8-bit mask's byte; 1 for a set bit.
  uint8_t GetPixel(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
    const uint8_t* row = ScanLine(Y);
    if (FBitsPerPixel == 8) return row[X];
    return static_cast<uint8_t>((row[X >> 3] >> (7 - (X & 7))) & 1);
  }
  bool IsPointInside(int32_t X, int32_t Y) const { return GetPixel(X, Y) != 0; }
  // Ignored outside the mask. A non-zero value widens the box; a 1-bit mask
  // stores Value != 0. Full, when set, stays only on a 1-bit mask or for 255.
  void SetPixel(int32_t X, int32_t Y, uint8_t Value) {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
    uint8_t* row = ScanLine(Y);
    if (FBitsPerPixel == 8) {
      row[X] = Value;
    } else {
      const auto bit = static_cast<uint8_t>(0x80u >> (X & 7));
      row[X >> 3] = static_cast<uint8_t>(Value != 0 ? row[X >> 3] | bit : row[X >> 3] & ~bit);
    }
    if (Value != 0) {
      if (X < FX1) FX1 = X;
      if (X > FX2) FX2 = X;
      if (Y < FY1) FY1 = Y;
      if (Y > FY2) FY2 = Y;
    }
    LowerFull(Value);
  }

  // ---- Whole mask ----
  // Every byte of every row := Value (on a 1-bit mask 255 sets every bit).
  // Full := the mask is 1-bit or Value is 255. The box is not changed.
  void Fill(uint8_t Value);
  // Fill(0) and an empty box.
  void Empty();
  // The box is empty.
  bool IsEmpty() const { return FX1 == EmptyBox; }
  // The box recomputed from every non-zero pixel.
  void SyncBoundingBox();
  // Full := every pixel is at its maximum (255, or a set bit).
  void CheckFull();

  // ---- Bounding box (inclusive) and Full ----
  int32_t X1() const { return FX1; }
  int32_t Y1() const { return FY1; }
  int32_t X2() const { return FX2; }
  int32_t Y2() const { return FY2; }
  // For callers that know where their pixels are (a restored selection).
  void SetBoundingBox(int32_t BoxX1, int32_t BoxY1, int32_t BoxX2, int32_t BoxY2) {
    FX1 = BoxX1;
    FY1 = BoxY1;
    FX2 = BoxX2;
    FY2 = BoxY2;
  }
  bool Full() const { return FFull; }
  void SetFull(bool Value) { FFull = Value; }

  // ---- Drawing into the mask ----
  // Fills X1..X2 of row Y with Value (x clamped to the mask; a row outside
  // the mask is skipped). A 1-bit mask sets the bits for a non-zero Value and
  // clears them for 0. Full as SetPixel; the box is not changed. Returns the
  // number of pixels written.
  int32_t FillSpan(uint8_t Value, int32_t SpanX1, int32_t Y, int32_t SpanX2);
  // Fills the polygons of Points (runs separated by a point with x =
  // IEPolygonSeparator) by the even-odd rule with a scan-line edge table: a
  // row y covers x_left .. x_right - 1 of each pair of edges. A non-zero
  // Value grows the box by the points (right and bottom less one, clamped to
  // the mask). CheckFull runs at the end.
  void FillPolygon(uint8_t Value, const TPoint* Points, int32_t Count);
  // Moves the contents and the box by dx, dy; every pixel outside the moved
  // box is cleared. CutBorders false limits the offsets so that the box
  // stays inside (the limited values are written back); true keeps them and
  // drops the part of the box that leaves the mask.
  void Translate(int32_t& dx, int32_t& dy, bool CutBorders);

  // ---- Copies through the mask ----
  // For each pixel of the box, puts Source's pixel into Dest where the mask
  // selects it: a set bit copies it; an 8-bit value m blends ie24RGB, ie8g
  // and ie8p as d + round((s - d) * m / 255) and copies ie1g bits where m is
  // not 0. A cropped bitmap holds only the box (its pixel (x - X1, y - Y1) is
  // mask pixel (x, y)). Bitmaps of different formats copy nothing. With
  // DoCopyAlpha, CopyAlpha follows.
  void CopyBitmap(TIEBitmap* Dest, TIEBitmap* Source, bool DestIsCropped, bool SourceIsCropped, bool DoCopyAlpha);
  // For each pixel of the box, Dest's alpha := 0 where the mask is 0, else
  // min(Source's alpha, mask value), a set bit and a missing Source alpha
  // channel counting as 255. Dest's alpha channel is created when missing
  // and its Full cleared.
  void CopyAlpha(TIEBitmap* Dest, TIEBitmap* Source, bool SourceIsCropped, bool DestIsCropped);

  // ---- Scaled copy for drawing ----
  // Makes the zoom buffer DstW x DstH (same depth, rows bottom-up and padded
  // to 32 bits), clears it and fills the part the box covers by nearest
  // neighbour from the mask rectangle SrcX, SrcY, SrcW x SrcH, with steps of
  // 14 fraction bits.
  void ZoomToBuffer(int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, int32_t DstW, int32_t DstH);
  uint8_t* ZoomBuffer() { return FZoomBuffer.get(); }
  int32_t ZoomWidth() const { return FZoomWidth; }
  int32_t ZoomHeight() const { return FZoomHeight; }
  // Row R of the zoom buffer (0 = top).
  uint8_t* ZoomRow(int32_t R) { return FZoomRows[static_cast<size_t>(R)]; }
  const TIEMaskBitmapInfo& BitmapInfo() const { return FBitmapInfo; }
  TIEMaskBitmapInfo& BitmapInfo() { return FBitmapInfo; }

  // ---- Drawing the mask on the view (iemask_draw.cpp) ----
  // The part SrcX, SrcY, SrcW x SrcH of the mask (mask pixels) is shown at
  // DstX, DstY with the size DstW x DstH (screen pixels). Nothing is drawn
  // for an empty box.
  //
  // 1-bit masks: inverts the canvas where the stretched mask is set (an
  // exclusive-or with white).
  void DrawFilled(TCanvas* Canvas, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX, int32_t SrcY,
                  int32_t SrcW, int32_t SrcH);
  // The border pixels of the scaled selection, pixel (x, y) of the canvas in
  // ColorA when (x + y + Phase) mod 8 < 4, else in ColorB: runs of four that
  // the caller animates by stepping Phase. A set pixel is a border pixel
  // when one of its eight neighbours in the scaled buffer is not set, or
  // when it lies on the buffer's edge at the selection's own edge (where the
  // view cuts through the selection there is no border).
  void DrawOutline(TCanvas* Canvas, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX, int32_t SrcY,
                   int32_t SrcW, int32_t SrcH, TColor ColorA, TColor ColorB, int32_t Phase);
  // Marks the unselected pixels of the scaled image area on a pf24bit
  // Bitmap as a checkerboard of gray (97, 97, 97): the buffer pixels whose
  // column and row have the same parity. Pixels outside Bitmap, and bitmaps
  // of other formats, are left alone.
  void DrawOuter(TBitmap* Bitmap, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX, int32_t SrcY,
                 int32_t SrcW, int32_t SrcH);

 private:
  // The Full rule of SetPixel and FillSpan: only ever lowered.
  void LowerFull(uint8_t Value) {
    if (FFull) FFull = FBitsPerPixel != 8 || Value == 255;
  }
  void SetEmptyBox() {
    FX1 = FY1 = EmptyBox;
    FX2 = FY2 = 0;
  }
  void ClampBox();
  // Reallocates the zoom buffer when its size differs.
  void AllocateZoomBuffer(int32_t DstW, int32_t DstH);
  void FreeZoomBuffer();
  // One polygon; returns the number of pixels its spans wrote.
  int64_t FillSinglePolygon(uint8_t Value, const TPoint* Points, int32_t Count);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FBitsPerPixel = 0;
  int32_t FRowLen = 0;
  std::unique_ptr<uint8_t[]> FBits;
  int32_t FX1 = EmptyBox;
  int32_t FY1 = EmptyBox;
  int32_t FX2 = 0;
  int32_t FY2 = 0;
  TIEMaskBitmapInfo FBitmapInfo;
  std::unique_ptr<uint8_t[]> FZoomBuffer;
  int32_t FZoomWidth = 0;
  int32_t FZoomHeight = 0;
  std::vector<uint8_t*> FZoomRows;
  bool FFull = false;
};
