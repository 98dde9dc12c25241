// Icon (ICO) and cursor (CUR) files: a directory of images, each a headerless
// bitmap followed by a 1-bit AND mask (1 = transparent), or a PNG image.
// Icons are read and written, cursors read only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIEMask;

// Directory checks: at least 23 bytes, reserved 0, type 1 (icon) or 2
// (cursor), a non-zero count, every entry with reserved byte 0, a non-zero
// size and its data after the directory entry and inside the stream. The
// position is restored.
bool IETestICO(TStream* Stream);
bool IETestCUR(TStream* Stream);
// The count field of the directory header (0 when cut); position restored.
int32_t IEICOImageCount(TStream* Stream);

// Reads image ICOImageIndex (an index out of range reads nothing and is no
// error). A stream starting with "BM" is read as a plain bitmap. Fills
// ICOSizes and ICOBitCounts from the first 16 entries. Unless IgnoreAlpha,
// AlphaMask receives the transparency (nil when every pixel is opaque);
// transparent pixels of 4- and 8-bit images show ICOBackground, those of
// 1-bit images are white on a white background. Entries holding a PNG image
// are read by the PNG reader. Bad or truncated data sets the abort flag,
// pixels not reached stay zero.
void IEDecodeICO(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIECodecProgress& Progress,
                 std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);
// Reads cursor image CURImageIndex with its hot spot (1, 4 and 8 bits; other
// depths set the abort flag). The mask is always handed back unless
// IgnoreAlpha; CURBackground shows under transparent pixels.
void IEDecodeCUR(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIECodecProgress& Progress,
                 std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha);

// Writes an icon of one image per Sizes entry (at most 16), each Bitmap
// resampled to that size at the depth BitCounts gives (1, 4, 8, 24 or 32; 0
// takes the record's BitsPerSample × SamplesPerPixel). 4- and 8-bit images
// keep index 0 for transparent pixels. A short write sets the abort flag.
void IEEncodeICO(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                 const std::vector<TIEICOSize>& Sizes, const std::vector<int32_t>& BitCounts);
