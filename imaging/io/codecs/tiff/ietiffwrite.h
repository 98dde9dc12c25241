// The TIFF writer: one page of a new little-endian TIFF, or a new page
// inserted into an existing little-endian TIFF, from a TIEBitmap and the
// choices and metadata of the parameter record. Without a bitmap it writes
// the EXIF fields alone as a small TIFF structure (the body of an EXIF
// block).
//
// Every offset written is a stream position counted from the start of the
// stream, so a TIFF written after other bytes holds offsets that include
// them. Failures (a short write, an Insert target that is not a
// little-endian TIFF or whose directories overlap where the new page would
// be linked in) are reported through the progress record's abort flag; the
// IFD is then not written.
#pragma once

#include <cstdint>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIECodecProgress;

// Writes Bitmap (nil: the EXIF-only mode) at the stream's position, or, with
// Insert, adds it to the TIFF that starts at the stream's position so that it
// becomes page Params.TIFFImageIndex (the last page when the index is past
// the end, the first when it is negative). Params' BitsPerSample,
// SamplesPerPixel, TIFFPhotometric and TIFFCompression are adjusted to what
// is written. The caller's bitmap is never changed. Answers the number of
// pages the file then has (1 for a new file), or 0 when Insert finds no "II"
// header (the abort flag is then set and nothing is written).
int32_t IEEncodeTIFF(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIECodecProgress& Progress);

// A real value as a TIFF rational: the denominator starts at 1,000,000 and
// is divided by 10 while |Value| x denominator exceeds 2,147,483,640; the
// numerator is Value x denominator rounded half to even (clamped to 32 bits
// when even a denominator of 1 cannot hold it). NaN and infinities give 0/1.
void IEDoubleToRational(double Value, int32_t& Numerator, int32_t& Denominator);
