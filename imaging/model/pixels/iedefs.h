// The vocabulary every raster of the image library shares: pixel formats, the
// row-length rule, the colour records rows are made of, and the few
// library-wide settings that sit beside them.
#pragma once

#include <array>
#include <cstdint>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/types.h"

// ---- Pixel formats ------------------------------------------------------------
enum class TIEPixelFormat : uint8_t {
  ienull = 0,   // no image
  ie1g = 1,     // 1 bit, bit 7 of each byte is the leftmost pixel, 1 = white
  ie8p = 2,     // index into a palette of 256 TRGB
  ie8g = 3,     // gray 0..255; also every alpha channel (0 transparent)
  ie16g = 4,    // gray 0..65535, little-endian
  ie24RGB = 5,  // one TRGB
  ie32f = 6,    // float gray 0.0 .. 1.0
  ieCMYK = 7,   // one TCMYK
  ieRGB48 = 8,  // one TRGB48
};

// Bits per pixel of each format, indexed by its value.
inline constexpr int32_t IEPixelFormatBits[9] = {0, 1, 8, 8, 16, 24, 32, 32, 48};

constexpr int32_t IEBitsPerPixel(TIEPixelFormat Format) {
  const auto i = static_cast<uint8_t>(Format);
  return i < 9 ? IEPixelFormatBits[i] : 0;
}

// Read and write permission of row buffers (a byte set: read = 1, write = 2).
enum class TIEDataAccessItem : uint8_t { iedRead, iedWrite };
using TIEDataAccess = Set<TIEDataAccessItem>;
// Rows only read (a file image does not write them back) or only written
// (a file image does not read them first).
inline const TIEDataAccess kIEReadOnly{TIEDataAccessItem::iedRead};
inline const TIEDataAccess kIEWriteOnly{TIEDataAccessItem::iedWrite};

// ---- Colour records (packed, storage order) ------------------------------------
#pragma pack(push, 1)
// The pixel of ie24RGB rows and every palette entry: blue first.
struct TRGB {
  uint8_t b = 0;
  uint8_t g = 0;
  uint8_t r = 0;
  friend bool operator==(const TRGB&, const TRGB&) = default;
};

// The pixel of ieRGB48 rows: red first, the reverse of TRGB.
struct TRGB48 {
  uint16_t r = 0;
  uint16_t g = 0;
  uint16_t b = 0;
  friend bool operator==(const TRGB48&, const TRGB48&) = default;
};

// The pixel of ieCMYK rows. Every byte is stored inverted: 255 = no ink.
struct TCMYK {
  uint8_t c = 0;
  uint8_t m = 0;
  uint8_t y = 0;
  uint8_t k = 0;
  friend bool operator==(const TCMYK&, const TCMYK&) = default;
};

struct TCIELab {
  uint8_t l = 0;
  int8_t a = 0;
  int8_t b = 0;
  friend bool operator==(const TCIELab&, const TCIELab&) = default;
};
#pragma pack(pop)

static_assert(sizeof(TRGB) == 3 && sizeof(TRGB48) == 6 && sizeof(TCMYK) == 4 && sizeof(TCIELab) == 3);

constexpr TRGB MakeTRGB(uint8_t r, uint8_t g, uint8_t b) { return TRGB{b, g, r}; }

// ---- Row length -----------------------------------------------------------------
// Bytes per row of Width pixels of BitsPerPixel bits, padded to a multiple of
// AlignBits bits: (Width * BitsPerPixel + AlignBits - 1) div AlignBits *
// (AlignBits div 8). Computed in 64 bits so that sizes taken from file headers
// cannot wrap; callers that store the result in 32 bits check it first.
// EDivByZero for AlignBits = 0.
int64_t IEBitmapRowLen(int64_t Width, int32_t BitsPerPixel, int32_t AlignBits);

// ---- Channel widening and narrowing -----------------------------------------------
// 8 -> 16 bits: v * 257 (255 becomes 65535). 16 -> 8 bits: w shr 8. No rounding.
constexpr uint16_t IEWiden8To16(uint8_t v) { return static_cast<uint16_t>(v * 257u); }
constexpr uint8_t IENarrow16To8(uint16_t w) { return static_cast<uint8_t>(w >> 8); }

// ---- CMYK <-> RGB on the stored (inverted) bytes ------------------------------------
// R = c * k div 255, G = m * k div 255, B = y * k div 255.
TRGB IECMYKToRGB(const TCMYK& Value);
// k = max(R, G, B) (1 when that is 0); c = R * 255 div k, m = G * 255 div k,
// y = B * 255 div k. Black is (0, 0, 0, 1), white (255, 255, 255, 255).
TCMYK IERGBToCMYK(const TRGB& Value);
// The same on packed values: CMYK with c in the low byte and k in the high
// byte, RGB as 0x00RRGGBB.
void IECMYKToRGB(uint32_t Value, TRGB& Colour);
uint32_t IERGBToCMYK(uint32_t Value);

// ---- Platform colours ----------------------------------------------------------------
// A TColor (0x00BBGGRR) as a TRGB; system colours are resolved to their RGB
// value first.
TRGB ColorToTRGB(TColor Color);

// ---- Library-wide settings -------------------------------------------------------------
// Gray weights in percent: gray = (R * 21 + G * 71 + B * 8) div 100.
extern int32_t IEGrayWeightRed;
extern int32_t IEGrayWeightGreen;
extern int32_t IEGrayWeightBlue;

// The 8-bit gray level of a colour with the library's weights.
inline int32_t IEGray8(int32_t R, int32_t G, int32_t B) {
  return (R * IEGrayWeightRed + G * IEGrayWeightGreen + B * IEGrayWeightBlue) / 100;
}

// The language of the library's dialogs. With msSystem (the only value) the
// dialogs keep their own captions, so the two caption tables stay empty.
enum class TMsgLanguage : uint8_t { msSystem = 0 };
extern TMsgLanguage IEMsgLanguage;
inline constexpr int32_t IECaptionTableSize = 30;
extern std::array<String, IECaptionTableSize> IECaptionTable1;
extern std::array<String, IECaptionTableSize> IECaptionTable2;

// The process-wide lock the thumbnail loader threads serialise on. It is
// re-entrant: the thread that holds it may enter again.
TCriticalSection& IEThumbnailLock();
