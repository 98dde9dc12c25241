// GIF reader and writer: one chosen frame of a GIF87a/GIF89a stream into a
// TIEBitmap (with a transparency mask), one image as a single-frame GIF, and
// the frame scanner behind the multi-image counter. The LZW data goes
// through the record's coder hooks, else the global ones (ielzwhooks.h).
// Composition of animated frames on the logical screen is the I/O
// component's.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/types.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIECodecProgress;

// Reads the stream from its position and decodes frame GIFImageIndex
// (0-based) into Bitmap: ie1g for a black-and-white two-entry table, else
// ie8p with NativePixelFormat, else ie24RGB. FrameCount receives the number
// of image descriptors seen, also stored with SetImageCount. Comments of
// every frame are appended to GIFComments; the graphic control extension of
// the selected frame fills the delay, disposal and transparent colour.
// Unless NoMask, Mask (created when nil) receives 0 for pixels of the
// transparent index and 255 elsewhere, and is reset to nil when no pixel is
// transparent. GIFTransparent is false on return: the mask carries it.
// Preview fills IOParams only. A selected index past the last frame gives no
// pixels and no flag; a stream without any frame, a bad signature or failed
// image data set the abort flag.
void IEDecodeGIF(TStream* Stream, TIEBitmap* Bitmap, int32_t& FrameCount, TIOParamsVals& IOParams,
                 TIECodecProgress& Progress, bool Preview, std::unique_ptr<TIEMask>& Mask, bool NoMask);

// Writes Bitmap as a complete one-frame GIF at the stream position with
// BitsPerSample (1..8) bits per pixel: a global table, a graphic control
// extension when GIFTransparent is set (an alpha channel reserves the last
// table entry for pixels below 255 and sets GIFTransparent), the image, the
// comments of GIFComments and the trailer.
void IEEncodeGIF(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);

// IEEncodeGIF into FileName through a temporary file renamed into place
// only when the image is complete; an existing file stays untouched on
// failure (abort flag).
void IEEncodeGIFFile(const String& FileName, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);

// The number of frames of a GIF file (0 without the signature). With
// DropIndex >= 0 that frame (and its control extension) is left out of a
// copy with version "89a"; with Rewrite the copy replaces the file (through
// a temporary file). Errors of file access raise.
int32_t IEScanGIFFrames(const String& FileName, int32_t DropIndex, bool Rewrite);
