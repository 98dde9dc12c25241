#include "imaging/model/pixels/iedefs.h"

#include "platform/gui/syscolors.h"
#include "platform/rtl/arith.h"

int32_t IEGrayWeightRed = 21;
int32_t IEGrayWeightGreen = 71;
int32_t IEGrayWeightBlue = 8;

TMsgLanguage IEMsgLanguage = TMsgLanguage::msSystem;
std::array<String, IECaptionTableSize> IECaptionTable1;
std::array<String, IECaptionTableSize> IECaptionTable2;

TCriticalSection& IEThumbnailLock() {
  static TCriticalSection lock;
  return lock;
}

namespace {
// Created while the library starts, before any thread can race for it.
[[maybe_unused]] TCriticalSection& gThumbnailLockAtStart = IEThumbnailLock();
}  // namespace

int64_t IEBitmapRowLen(int64_t Width, int32_t BitsPerPixel, int32_t AlignBits) {
  return Div(Width * BitsPerPixel + AlignBits - 1, int64_t{AlignBits}) * (AlignBits / 8);
}

TRGB IECMYKToRGB(const TCMYK& Value) {
  TRGB rgb;
  rgb.r = static_cast<uint8_t>(Value.c * Value.k / 255);
  rgb.g = static_cast<uint8_t>(Value.m * Value.k / 255);
  rgb.b = static_cast<uint8_t>(Value.y * Value.k / 255);
  return rgb;
}

TCMYK IERGBToCMYK(const TRGB& Value) {
  int32_t k = Max(Max(Value.r, Value.g), Value.b);
  if (k == 0) k = 1;
  TCMYK cmyk;
  // Each channel is at most k, so every quotient fits a byte.
  cmyk.c = static_cast<uint8_t>(Value.r * 255 / k);
  cmyk.m = static_cast<uint8_t>(Value.g * 255 / k);
  cmyk.y = static_cast<uint8_t>(Value.b * 255 / k);
  cmyk.k = static_cast<uint8_t>(k);
  return cmyk;
}

void IECMYKToRGB(uint32_t Value, TRGB& Colour) {
  const TCMYK cmyk{static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value >> 16),
                   static_cast<uint8_t>(Value >> 24)};
  Colour = IECMYKToRGB(cmyk);
}

uint32_t IERGBToCMYK(uint32_t Value) {
  const TCMYK cmyk = IERGBToCMYK(
      MakeTRGB(static_cast<uint8_t>(Value >> 16), static_cast<uint8_t>(Value >> 8), static_cast<uint8_t>(Value)));
  return uint32_t(cmyk.c) | (uint32_t(cmyk.m) << 8) | (uint32_t(cmyk.y) << 16) | (uint32_t(cmyk.k) << 24);
}

TRGB ColorToTRGB(TColor Color) {
  const uint32_t c = ColorToRGB(Color);
  return MakeTRGB(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16));
}
