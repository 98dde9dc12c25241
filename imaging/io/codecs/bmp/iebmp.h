// Windows and OS/2 device-independent bitmaps ("BM" files): the reader with
// its run-length decoders, the writer with its run-length row encoders.
//
// The reader reports bad data through the abort flag: a foreign signature,
// an impossible header (which still leaves a 1 x 1 result), truncated pixel
// data (the rest stays zero). Every read is bounded by the data; sizes are
// computed in 64 bits.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads one BMP from the stream's position. DataSize: bytes the image takes
// from there (<= 0: bfSize of the file header). NoFileHeader: the stream
// starts with the info header (a packed DIB of the stream's size). For 32-bit
// files AlphaMask (nil on entry) receives the fourth bytes, unless IgnoreAlpha
// or they hold no transparency (all 255, or all 0).
void IEDecodeBMP(TStream* Stream, TIEBitmap* Bitmap, int32_t DataSize, TIOParamsVals& IOParams,
                 TIECodecProgress& Progress, bool Preview, bool NoFileHeader, std::unique_ptr<TIEMask>& AlphaMask,
                 bool IgnoreAlpha);

// Writes Bitmap as a BMP file (file header first) with BMPVersion,
// BMPCompression, BitsPerSample and SamplesPerPixel of IOParams. The caller's
// bitmap is never changed: conversions and the blend onto white of a
// transparent image work on copies.
void IEEncodeBMP(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);

// Run-length decoders of Length bytes of Data into Bitmap, which is allocated
// in the output format (ie24RGB through the 256 entries of Palette, or ie8p
// indices). RowOrigin: Height - 1 for top-down data, else 0. Progress.Per1
// must be set; progress is reported at every end of line. Pixels past the
// width, rows past the last and deltas are clamped; unreached pixels keep
// their value. Answers true when the data ended the image (end of bitmap, or
// an end of line or delta past the last row), false when the data ran out
// first or the abort flag stopped it.
bool IEDecodeBMPRLE8(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                     TIECodecProgress& Progress, const TRGB* Palette);
bool IEDecodeBMPRLE8Native(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                           TIECodecProgress& Progress, const TRGB* Palette);
bool IEDecodeBMPRLE4(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                     TIECodecProgress& Progress, const TRGB* Palette);
bool IEDecodeBMPRLE4Native(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                           TIECodecProgress& Progress, const TRGB* Palette);

// Bytes an encoded row of Count pixels can take at most (end of line included).
inline int64_t IEBMPRLERowBound(int32_t Count) { return 2 * static_cast<int64_t>(Count < 0 ? 0 : Count) + 8; }

// Encodes Count indices (one per byte; RLE4 uses the low nibble) into Output,
// which holds at least IEBMPRLERowBound(Count) bytes, ending with the end of
// line pair 0, 0. Answers the bytes produced. Odd absolute blocks are padded
// with a 0 byte.
int32_t IEEncodeBMPRLE8Row(const uint8_t* Indices, int32_t Count, uint8_t* Output);
int32_t IEEncodeBMPRLE4Row(const uint8_t* Indices, int32_t Count, uint8_t* Output);
