// Truevision TGA files: the header test, the reader (colour-mapped,
// true-colour and gray images, raw or run-length, either vertical order,
// mirrored rows, 32-bit alpha, the TGA 2.0 extension area) and the writer
// (1, 4, 8, 24 and 32 bits, run-length at 8 and 24 bits, always with an
// extension area and a footer).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// True when the 18 bytes at the stream's position are a plausible header.
// The position is restored.
bool IETestTGA(TStream* Stream);

// Reads the TGA at the stream's position. Mask (in/out) receives the alpha of
// 32-bit pixels or 32-bit colour maps unless IgnoreAlpha; it is nil again
// when the alpha holds no non-zero value. Bad or truncated data sets the
// abort flag; rows the data did not reach stay zero. The footer is looked
// for at the end of the whole stream.
void IEDecodeTGA(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool ParamsOnly,
                 std::unique_ptr<TIEMask>& Mask, bool IgnoreAlpha);

// Writes an ie24RGB or ie1g Bitmap (anything else sets the abort flag and
// writes nothing). Mask, when not nil and not Full, is written as the alpha
// of a 32-bit image. The caller's bitmap is never changed.
void IEEncodeTGA(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, TIEMask* Mask);
