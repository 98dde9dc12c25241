// Portable bitmap, graymap and pixmap files (P1 to P6, plain text and raw
// bytes), the wireless bitmap (WBMP type 0) and the content tests of Windows
// metafiles and enhanced metafiles.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIECodecProgress;

// One header token: a run of letters and digits (the character after it is
// consumed), or "#" and the rest of the line trimmed; every other character
// is skipped. Empty at the end of the stream.
void IEReadPXMToken(TStream* Stream, String& Token);

// A magic P1..P6 and a positive width and height, comments passed over
// (at most 501 tokens are read). The position is restored.
bool IETestPXM(TStream* Stream);

// Reads the image at the stream's position. Every sample is scaled by the
// header's maximum (values above it are clamped): P1/P4 give ie1g; P2, P3,
// P5 and P6 give ie24RGB; P5 above 255 gives ie16g and P6 above 255
// ieRGB48 when NativePixelFormat is set. Header comments go to PXMComments.
// A bad header sets the abort flag; so does a truncated raw raster, whose
// missing rows stay zero. Plain rasters that end early keep the rest zero.
void IEDecodePXM(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress, bool Preview);

// Writes P4 (BitsPerSample 1 × 1 or an ie1g bitmap), P5 (8 × 1), P6 with
// maximum 65535 (16 × 3 from ie24RGB, or an ieRGB48 bitmap) or else P6 with
// maximum 255, with PXMComments in the header. Other pixel formats are
// converted in a copy. A short write sets the abort flag.
void IEEncodePXM(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);

// WBMP type 0: type and fixed header 0, width and height as multi-byte
// integers (7 bits a byte, high bit = more), rows of 1 = white.
void IEDecodeWBMP(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                  bool Preview);
// Writes Bitmap (converted to ie1g in a copy when it is not) at full size.
void IEEncodeWBMP(TStream* Stream, TIEBitmap* Bitmap, TIECodecProgress& Progress);

// A Windows metafile header (type 1, 9 words, no parameters), after a
// placeable header when the stream starts with its key. The position is
// restored.
bool IETestWMF(TStream* Stream);
// An enhanced metafile: record type 1 and " EMF" at offset 40. The position
// is restored.
bool IETestEMF(TStream* Stream);
