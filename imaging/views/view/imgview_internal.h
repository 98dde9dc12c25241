// Helpers shared by the image view's source files.
#pragma once

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"

// The value TIEBitmap::Fill takes for an ie24RGB pixel of Colour.
inline double BackgroundFillValue(TColor Colour) {
  const TRGB c = ColorToTRGB(Colour);
  return c.r | c.g << 8 | c.b << 16;
}

// Sets a flag for the scope and restores its value when the scope ends,
// however it ends.
class TFlagScope {
 public:
  TFlagScope(bool& Flag, bool Value) : FFlag(Flag), FSaved(Flag) { FFlag = Value; }
  ~TFlagScope() { FFlag = FSaved; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
  bool FSaved;
};
