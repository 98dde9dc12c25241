// Conversion of pixel rows between the colour forms codecs meet in files
// (RGB in file order, CMYK, CIELab, 16-bit RGB of either byte order) and the
// pixel buffer's. Codecs call the hook IEColorConvertHook; it starts as
// IEConvertColorRow, which uses fixed formulas, or the ICC transform of the
// record's profiles when colour management is switched on.
#pragma once

#include <cstdint>

#include "imaging/model/pixels/iedefs.h"  // IECMYKToRGB, IERGBToCMYK (packed and record forms)

class TIOParamsVals;

enum class TIEColorRowFormat : uint8_t {
  crfRGB = 0,      // red, green, blue bytes
  crfBGR = 1,      // TRGB: blue, green, red (the ie24RGB pixel)
  crfCMYK = 2,     // TCMYK: c, m, y, k stored inverted (the ieCMYK pixel)
  crfCMYK6 = 3,    // c, m, y, k not inverted, then two more bytes
  crfCIELab = 4,   // TCIELab
  crfGray = 5,     // one gray byte
  crfRGB48 = 6,    // red, green, blue 16-bit words, little-endian
  crfRGB48BE = 7,  // red, green, blue 16-bit words, big-endian
};

// Bytes per pixel of a row format (0 for values outside 0..7).
int32_t IEColorRowBytesPerPixel(TIEColorRowFormat Format);
// The colour-management library's pixel-format code of a row format (0 for
// values outside 0..7); crfCMYK6 is six 8-bit channels without colour space.
int32_t IEColorRowCMSFormat(TIEColorRowFormat Format);

// Converts Count pixels from Source into Dest (separate rows). Pairs the
// fixed table does not list leave Dest untouched. Source is never written.
// Params may be nil; with IEColorManagement on, Params' existing valid
// InputICC and its valid OutputICC (sRGB unless set) transform the row
// instead.
void IEConvertColorRow(const void* Source, TIEColorRowFormat SourceFormat, void* Dest, TIEColorRowFormat DestFormat,
                       int32_t Count, TIOParamsVals* Params);

using TIEColorConvertProc = void (*)(const void* Source, TIEColorRowFormat SourceFormat, void* Dest,
                                     TIEColorRowFormat DestFormat, int32_t Count, TIOParamsVals* Params);

// The conversion codecs call; IEConvertColorRow from start-up. Written only at
// start-up (or by a test), read by codecs on any thread.
extern TIEColorConvertProc IEColorConvertHook;
// Colour management switch; off from start-up, and nothing in this system
// switches it on.
extern bool IEColorManagement;
