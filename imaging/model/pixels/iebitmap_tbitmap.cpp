// TIEBitmap in Location ieTBitmap: the pixels live in a platform bitmap.
// That location is not available yet; asking for it raises, and nothing here
// ever holds a platform bitmap.
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/exceptions.h"

void TIEBitmap::AllocateTBitmapImage() {
  throw EInvalidOperation("Location=ieTBitmap is not supported");
}

void TIEBitmap::FreeTBitmapImage() {
  FBitmap = nullptr;
  FBitmapScanline.clear();
  FTBitmapExternal = false;
}

void TIEBitmap::UpdateTBitmapPalette() {}

bool TIEBitmap::AssignFromPlatformBitmap(TObject* /*Source*/) { return false; }
