// Conversion of runs of pixels between sample layouts and depths (planar or
// interleaved, 8 or 16 bits; RGB, BGR, CMYK, L*a*b*, YCbCr, YCC, gray and
// palette indices), and the palettes of the platform bitmap. The picture
// classes own one manager each; it takes no locks.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sets.h"

RTL_DECLARE_EXCEPTION(EColorConversionError, Exception);

enum class TColorLayout : uint8_t {
  layNone = 0,
  layIndexed = 1,
  layGray = 2,
  layGrayAlpha = 3,
  layRGB = 4,
  layRGBA = 5,
  layBGR = 6,
  layBGRA = 7,
  layReserved = 8,  // no conversion exists
  layCMYK = 9,
  layLab = 10,
  layYCbCr = 11,
  layYCC = 12
};

enum class TColorFlag : uint8_t {
  cfAlpha = 0,       // the layout has an alpha sample (set by the manager)
  cfGamma = 1,       // target: 8-bit results go through the gamma table
  cfSwapBytes = 2,   // source: 16-bit samples are big-endian
  cfLabScaledL = 3,  // source: L is stored as 0..255
  cfLabOffsetAB = 4  // source: a and b carry an offset of 128
};
using TColorFlags = Set<TColorFlag>;

// 0 below 0, 255 above 255.
constexpr uint8_t ClampToByte(int32_t Value) { return Value < 0 ? 0 : Value > 255 ? 255 : uint8_t(Value); }
// A * B div C on 16-bit operands: 32-bit product, quotient truncated to 16
// bits. C = 0 gives 0.
constexpr uint16_t MulDiv16(uint16_t A, uint16_t B, uint16_t C) {
  return C == 0 ? 0 : uint16_t((uint32_t(A) * uint32_t(B)) / C);
}

// The entries of a palette (a platform logical palette without its header).
using TPaletteEntries = std::vector<PALETTEENTRY>;

class TColorManager {
 public:
  using TSources = std::span<const void* const>;

  TColorManager();

  // EColorConversionError for 0 or more than 16 bits, 0 or more than 4
  // samples; nothing changes then.
  uint8_t SourceBitsPerSample() const { return FSourceBPS; }
  void SetSourceBits(uint8_t Bits);
  uint8_t TargetBitsPerSample() const { return FTargetBPS; }
  void SetTargetBits(uint8_t Bits);
  uint8_t SourceSamplesPerPixel() const { return FSourceSPP; }
  void SetSourceSamples(uint8_t Samples);
  uint8_t TargetSamplesPerPixel() const { return FTargetSPP; }
  void SetTargetSamples(uint8_t Samples);
  TColorLayout SourceColorScheme() const { return FSourceScheme; }
  void SetSourceLayout(TColorLayout Layout);
  TColorLayout TargetColorScheme() const { return FTargetScheme; }
  void SetTargetLayout(TColorLayout Layout);

  // Read and written directly by the client.
  TColorFlags SourceOptions;
  TColorFlags TargetOptions;

  // Converts Count pixels into Target. More than one source pointer: planar
  // data, one pointer per sample. Mask bit 7 - (i mod 8) selects pixel i; the
  // source holds only the selected pixels, the target keeps the others.
  void ConvertPixels(TSources Source, void* Target, int32_t Count, uint8_t Mask);

  TPixelFormat PlatformPixelFormat(bool ForTarget) const;
  // Format 0/1: RGB(x) bytes, 2/3: three byte planes, 4/5: 16-bit triples
  // (BGR order), 6/7: three 16-bit planes; anything else gives black entries.
  TPaletteEntries BuildPalette(TSources Data, uint8_t Format, int32_t Count, bool Reversed);
  TPaletteEntries BuildGrayPalette(bool MinIsWhite);
  void SetGammaValues(float Main, float Display);
  uint8_t GammaTable(uint8_t Index) const { return FGammaTable[Index]; }

 private:
  using TConverter = void (TColorManager::*)(TSources, void*, int32_t, uint8_t);

  [[noreturn]] static void RaiseConversionError(const String& Message);
  void SelectConverter();
  void PrepareYCbCrTables();

  void MapRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask);  // all four RGB/BGR routines
  void MapCMYKToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapCMYKToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapLabToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapLabToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapYCbCrToBGR(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapYCbCrToRGB(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapGray(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapPalette8(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapPalette16To8(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapPalette8To16(TSources Source, void* Target, int32_t Count, uint8_t Mask);
  void MapPalette16(TSources Source, void* Target, int32_t Count, uint8_t Mask);

  void MapCMYK(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR);
  void MapLab(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR);
  void MapYCbCr(TSources Source, void* Target, int32_t Count, uint8_t Mask, bool BGR);

  bool FChanged = true;
  uint8_t FSourceBPS = 8;
  uint8_t FTargetBPS = 8;
  uint8_t FSourceSPP = 3;
  uint8_t FTargetSPP = 3;
  float FMainGamma = 1.0f;
  float FDisplayGamma = 2.2f;
  uint8_t FGammaTable[256] = {};
  float FYCbCrCoefficients[3] = {0.299f, 0.587f, 0.114f};
  int32_t FCrToRedTable[256] = {};
  int32_t FCbToBlueTable[256] = {};
  int32_t FCrToGreenTable[256] = {};
  int32_t FCbToGreenTable[256] = {};
  TColorLayout FSourceScheme = TColorLayout::layRGB;
  TColorLayout FTargetScheme = TColorLayout::layBGR;
  TConverter FConvertFunction = nullptr;
};
