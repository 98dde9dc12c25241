// PNG reader, writer and signature test over libpng 1.6.
//
// libpng reports its errors by a jump back into our code; no C++ exception
// ever passes through its frames. The reader turns every library error,
// including a truncated file, into the abort flag; the writer raises
// EInvalidGraphic "Error on creating PNG" for a library error and sets the
// abort flag on a short write.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads one PNG at the stream's position. Unless IgnoreAlpha (or ParamsOnly)
// Mask is created when nil, sized to the image and filled with 255 before any
// pixel, and receives the alpha of images that have it. With IgnoreAlpha
// transparency is composited onto the file's bKGD colour, or else onto
// PNGBackground.
void IEDecodePNG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool ParamsOnly,
                 std::unique_ptr<TIEMask>& Mask, bool IgnoreAlpha);

// Writes Bitmap at the stream's position; Mask (nil for none) is the alpha to
// write. Params.BitsPerSample may be adjusted to what is written. The
// caller's bitmap is never changed.
void IEEncodePNG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, TIEMask* Mask);

// True when the stream starts with 0x89 "PNG"; the bytes read are given back.
bool IETestPNG(TStream* Stream);
