// TIEWorkBitmap: a bare heap raster (rows bottom-up, padded to 32 bits) used
// as the intermediate image of the resamplers. It has none of TIEBitmap's
// machinery (no file storage, palette, alpha or access modes), so rows are
// plain memory and stay valid together until the next Allocate or FreeBits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/model/pixels/iepixelblock.h"
#include "platform/rtl/object.h"

class TIEWorkBitmap : public TObject {
 public:
  TIEWorkBitmap() = default;
  // Allocates when both sides are positive; otherwise the raster is empty.
  TIEWorkBitmap(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel);
  ~TIEWorkBitmap() override = default;
  TIEWorkBitmap(const TIEWorkBitmap&) = delete;
  TIEWorkBitmap& operator=(const TIEWorkBitmap&) = delete;
  const char* ClassName() const override { return "TIEWorkBitmap"; }

  // Keeps the block (and its contents) when all three values are the current
  // ones; otherwise frees it and obtains RowLen * Height bytes of unspecified
  // contents. A side <= 0 or a depth <= 0 leaves the raster empty. The block
  // may exceed 2 GB (the intermediate of a large resample can); a row longer
  // than 2147483647 bytes raises Exception, exhausted memory EOutOfMemory.
  void Allocate(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel);
  // Frees the block and zeroes every field.
  void FreeBits();

  // Row Row (0 = top); not range-checked.
  uint8_t* ScanLine(int32_t Row) { return FBits.get() + static_cast<ptrdiff_t>(FRowLen) * (FHeight - 1 - Row); }
  uint8_t* Bits() { return FBits.get(); }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t BitsPerPixel() const { return FBitsPerPixel; }
  // ((Width * BitsPerPixel + 31) div 32) * 4.
  int32_t RowLen() const { return FRowLen; }

 private:
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FBitsPerPixel = 0;
  int32_t FRowLen = 0;
  std::unique_ptr<uint8_t[], TIEPixelBlockDeleter> FBits;
};
