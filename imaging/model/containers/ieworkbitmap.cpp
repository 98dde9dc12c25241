#include "imaging/model/containers/ieworkbitmap.h"

#include <limits>
#include <string>

#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/exceptions.h"

TIEWorkBitmap::TIEWorkBitmap(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel) {
  if (ImageWidth > 0 && ImageHeight > 0) Allocate(ImageWidth, ImageHeight, ImageBitsPerPixel);
}

void TIEWorkBitmap::Allocate(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel) {
  if (FBits && ImageWidth == FWidth && ImageHeight == FHeight && ImageBitsPerPixel == FBitsPerPixel) return;
  FreeBits();
  if (ImageWidth <= 0 || ImageHeight <= 0 || ImageBitsPerPixel <= 0) return;
  const int64_t rowLen = IEBitmapRowLen(ImageWidth, ImageBitsPerPixel, 32);
  if (rowLen > std::numeric_limits<int32_t>::max())
    throw Exception("Work bitmap too large: " + std::to_string(ImageWidth) + " pixels of " +
                    std::to_string(ImageBitsPerPixel) + " bits in one row");
  const uint64_t size = static_cast<uint64_t>(rowLen) * static_cast<uint64_t>(ImageHeight);
  if (size > std::numeric_limits<size_t>::max() / 2) throw EOutOfMemory("Out of memory");
  FBits.reset(static_cast<uint8_t*>(IEAllocPixelBlock(static_cast<size_t>(size))));
  if (!FBits) throw EOutOfMemory("Out of memory: cannot allocate " + std::to_string(size) + " bytes");
  FWidth = ImageWidth;
  FHeight = ImageHeight;
  FBitsPerPixel = ImageBitsPerPixel;
  FRowLen = static_cast<int32_t>(rowLen);
}

void TIEWorkBitmap::FreeBits() {
  FBits.reset();
  FWidth = 0;
  FHeight = 0;
  FBitsPerPixel = 0;
  FRowLen = 0;
}
