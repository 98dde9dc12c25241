// Colour-depth reduction and 1-bit conversions outside the pixel-format
// converter: quantizing an image to N colours kept in 24 bits, ordered dither
// and thresholds to 1 bit, two-colour detection for the writers, a per-row
// depth converter, 1-bit expansion to 24 bits and a few small 1-bit routines.
//
// Routines taking a TIECodecProgress set its Per1 to 100 / (H + 0.5) and,
// after row y (from 0), report trunc((y + 1) * Per1) when it holds an event.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"

class TBitmap;
class TIEBitmap;
class TIEQuantizer;
class TObject;

// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8].
extern const int32_t IEDitherMatrix[8][8];

// Entry v: the 8 pixels of byte v as 24 bytes, white (255, 255, 255) for a set
// bit, black for a clear one, bit 7 first.
extern const std::array<std::array<uint8_t, 24>, 256> IE1BitExpansionTable;

// Reduces an ie24RGB bitmap to at most Colors colours (it stays ie24RGB):
// every pixel becomes its palette entry through a TIEQuantizer. Palette, when
// not nil, receives the Colors entries. Other formats: nothing.
void QuantizeBitmap(TIEBitmap* Bitmap, int32_t Colors, TRGB* Palette, TObject* Sender,
                    const TIEProgressEvent& OnProgress);

// ie24RGB in place to ie1g by the ordered dither: white where the matrix
// entry is below gray shr 2, and always where every channel is >= 251.
// Other formats: nothing.
void DitherTo1Bit(TIEBitmap* Bitmap, TIECodecProgress& Progress);
// ie24RGB in place to ie1g by ThresholdConvertTo1Bit. Other formats: nothing.
void ThresholdTo1Bit(TIEBitmap* Bitmap, int32_t Level, TIECodecProgress& Progress);
// Dest (allocated as ie1g of Source's size) := white where the gray level of
// Source (any format) is >= Level. Level 0..255, -1 for the gray of the mean
// colour, -2 for the maximum-entropy level (falling back to -1's level when
// no level separates two classes). An ie1g Source is copied unchanged.
void ThresholdConvertTo1Bit(TIEBitmap* Source, TIEBitmap* Dest, int32_t Level, TIECodecProgress& Progress);
// Pixel counts per gray level (ie1g: bins 0 and 1).
void GrayHistogram(TIEBitmap* Bitmap, std::array<int64_t, 256>& Counts);
// An image of exactly two colours as ie1g: bit 0 is the darker colour
// (Colour1), bit 1 the lighter (Colour2); equal gray levels keep the first
// colour met at 0. nil for one colour or three and more.
std::unique_ptr<TIEBitmap> TwoColorsTo1Bit(TIEBitmap* Bitmap, TRGB& Colour1, TRGB& Colour2);

// Dest := ie24RGB of an ie1g Source (other formats: nothing).
void Convert1BitTo24Bit(TIEBitmap* Source, TIEBitmap* Dest, TIECodecProgress& Progress);
// The same between platform bitmaps: Dest becomes pf24bit of Source's size.
// Source must be pf1bit (else nothing).
void Convert1BitTBitmapTo24Bit(TBitmap* Source, TBitmap* Dest, TIECodecProgress& Progress);
// Count pixels of a 1-bit row into 3 * Count bytes.
void Expand1BitRowTo24Bit(const uint8_t* Row, uint8_t* Dest, int32_t Count);

// One row from SourceBits to DestBits deep (packed pixels most significant
// first): 24 -> 4, 8 (quantizer indexes), 24; 32 -> 24; 8 -> 1, 8, 24; 1 -> 1,
// 4, 8, 24; 4 -> 4, 8, 24 (24-bit results from Palette, indexes clamped to
// its PaletteCount entries). Other pairs write nothing. Cases that OR bits
// in (24 -> 4, 1 -> 4) need a zeroed Dest. Returns Dest's length by
// DestBits: 1: (Count + 7) div 8, 4: (Count + 1) div 2, 8: Count,
// 24: 3 * Count, otherwise 0.
int32_t ConvertRowPixelDepth(const uint8_t* Source, uint8_t* Dest, int32_t SourceBits, const TIEQuantizer* Quantizer,
                             const TRGB* Palette, int32_t PaletteCount, int32_t Count, int32_t DestBits);

// Inverts every bit of every row (padding too).
void InvertBits(TIEBitmap* Bitmap);

// The first entry of the smallest |dR| + |dG| + |dB| from Colour; 0 for an
// empty palette. Colour packed as 0x00RRGGBB.
int32_t NearestPaletteIndex(const TRGB* Palette, int32_t Count, int32_t Colour);
int32_t NearestPaletteIndex(const TRGB* Palette, int32_t Count, const TRGB& Colour);

// Fills TIEBitmap::ColorDepthHooks with the routines above. The model's
// start-up (IEInitImageModel) calls it; calling it again does no harm.
void IEInstallColorDepthHooks();
