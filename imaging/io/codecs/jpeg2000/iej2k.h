// JPEG 2000 reader, writer and signature tests over OpenJPEG: JP2 files and
// bare code streams, read and written through callbacks on our TStream (no
// temporary file).
//
// OpenJPEG reports its errors through message handlers and return values;
// every callback we give it catches C++ exceptions and answers the library's
// failure value, so no exception passes through its frames. Every failure,
// the library's included, sets the abort flag.
#pragma once

#include <cstdint>
#include <string>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIECodecProgress;

// The 12-byte JP2 signature box (length 12, "jP  ", 0D 0A 87 0A) at the
// stream's position; the position is restored.
bool IETestJP2(TStream* Stream);
// A code stream starting with SOC (FF 4F) and SIZ (FF 51); the position is
// restored.
bool IETestJ2K(TStream* Stream);

// Reads a JP2 file or a code stream from the stream's position. Gray images
// give BitsPerSample = the precision and ie1g for 1 bit, ie24RGB otherwise;
// RGB and YCbCr give ie24RGB. Samples are reduced to their top 8 bits,
// subsampled components are read by nearest sample. With ParamsOnly only the
// header is read and the bitmap is left alone.
void IEDecodeJ2000(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   bool ParamsOnly);

// Writes Bitmap as JP2 (Format 0) or as a code stream (Format 1), one
// quality layer, gray (J2000ColorSpace 0) or RGB (1, or 2 with the codec's
// colour transform), precision BitsPerSample (1..16), rate and progression
// from Params. An ie1g bitmap sets BitsPerSample 1 and J2000ColorSpace 0 in
// Params. Transparent pixels are blended onto white in a copy; the caller's
// bitmap is never changed.
void IEEncodeJ2000(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   int32_t Format);

// The encoder options as text, "rate=0.05 prg=rlcp": the rate as the
// shortest decimal with a point (no locale), the progression when it is 0
// (lrcp) or 1 (rlcp).
std::string IEJ2000OptionText(const TIOParamsVals& Params);

// The YCbCr-to-RGB tables of the reader, for i = 0..255.
struct TIEJ2000YCbCrTables {
  int32_t CrToR[256];
  int32_t CbToB[256];
  int32_t CrToG[256];
  int32_t CbToG[256];
};
const TIEJ2000YCbCrTables& IEJ2000YCbCr();
