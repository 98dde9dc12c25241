// TIEDibbitmap: a 1-bit or 24-bit exchange raster that platform drawing can
// read and write directly. The pixels live in a platform bitmap (a DIB
// section, rows bottom-up and padded to 32 bits); its canvas is the memory
// device context the views draw through. The 1-bit form has the colour table
// black, white, so a set bit is white.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/iebitmap.h"
#include "platform/gui/gdi.h"

class TBitmap;
class TCanvas;

class TIEDibbitmap : public TIEBaseBitmap {
 public:
  TIEDibbitmap();
  ~TIEDibbitmap() override;
  const char* ClassName() const override { return "TIEDibbitmap"; }

  // Row Row, 0 = the top row; not range-checked beyond the platform's own
  // check.
  void* ScanLine(int32_t Row) override;
  int32_t BitCount() const override { return FBitCount; }
  int32_t Height() const override { return FHeight; }
  int32_t Width() const override { return FWidth; }
  // ie1g for 1 bit, ie24RGB for 24 bits, ienull otherwise (also when empty).
  TIEPixelFormat PixelFormat() const override;
  int32_t RowLen() const override { return FRowLen; }
  // The raster has no palette: always black, and setting does nothing.
  void GetPaletteColor(int32_t Index, TRGB& Colour) const override;
  void SetPaletteColor(int32_t Index, const TRGB& Colour) override;
  int32_t PaletteLength() const override { return 0; }
  // ie1g and ie24RGB allocate 1 and 24 bits; any other format does nothing.
  void Allocate(int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat) override;
  // Only from another TIEDibbitmap: its size, depth and rows. An empty source
  // leaves this raster as it is; other objects do nothing.
  void Assign(TObject* Source) override;

  // A new zeroed raster. Nothing at all (the old raster stays) when a side is
  // not positive or BitCount is neither 1 nor 24. A raster the platform
  // cannot hold raises EOutOfMemory, leaving this one empty.
  void AllocateBits(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitCount);
  // Releases the raster: sizes and bit count 0.
  void FreeBits();

  // The memory device context: the canvas of the platform bitmap, nil while
  // empty. Drawing on it changes the rows at once.
  TCanvas* Canvas();
  HDC DC();
  // The platform bitmap itself (nil while empty); it stays owned here.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // The header describing the raster (size 40, 1 plane, uncompressed, the
  // current width, positive height, bit count and image size), followed by
  // the two colour entries black and white.
  const BITMAPINFOHEADER& InfoHeader() const { return FInfo.bmiHeader; }
  const RGBQUAD* ColorTable() const { return FInfo.bmiColors; }

 private:
  struct TInfo {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[2];
  };

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FBitCount = 0;
  int32_t FRowLen = 0;
  std::unique_ptr<TBitmap> FBitmap;
  TInfo FInfo;
};
