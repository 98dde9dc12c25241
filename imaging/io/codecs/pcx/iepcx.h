// PCX images (the 128-byte header, run-length coded scan lines; 1-bit,
// 4-plane EGA, 4-bit, 8-bit with the closing colour map and 24-bit planar
// layouts) and DCX containers (a signature, a table of page offsets and one
// PCX image per page).
#pragma once

#include <cstdint>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIECodecProgress;

// The DCX signature 987654321 (bytes B1 68 DE 3A).
inline constexpr uint32_t IEDCXSignature = 987654321u;
// Offsets read from a DCX table at most.
inline constexpr int32_t IEDCXMaxPages = 1024;

// Reads the PCX image at the stream position that occupies DataSize bytes
// (header and closing colour map included). Reads never go past the bytes
// the stream holds, whatever DataSize says: rows without data are 0, and a
// colour map outside the stream leaves a black palette. Bad header fields,
// an empty image and layouts other than those above set the abort flag.
// Preview fills IOParams only.
void IEDecodePCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, int64_t DataSize,
                 TIECodecProgress& Progress, bool Preview);

// Writes Bitmap as one PCX image at the stream position: depth 1 when
// BitsPerSample is 1, else BitsPerSample × SamplesPerPixel, written as 4,
// 8 (quantized) or 24 bits, any other depth as 24. Transparent pixels of a
// 24-bit image are blended onto white. A short write sets the abort flag.
void IEEncodePCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);

// The stream holds a DCX signature and a page table whose offsets all lie
// inside the stream. The position is restored.
bool IETestDCX(TStream* Stream);
// The number of page offsets in the table; the position is restored.
int32_t IEDCXPageCount(TStream* Stream);
// Reads page DCXImageIndex (limited to the pages there, and applied to
// every image index of IOParams). No pages or a failed test: abort flag.
void IEDecodeDCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress, bool Preview);
// Inserts Bitmap as a new page at DCXImageIndex (0 for a negative index,
// after the last page for an index past it) into the container the stream
// holds, or makes a new container in an empty stream. The container is
// rebuilt in memory and then written over the stream; a stream that holds
// something other than a DCX container sets the abort flag and is left as
// it was.
void IEEncodeDCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress);
