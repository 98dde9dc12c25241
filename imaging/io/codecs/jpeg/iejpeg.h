// The JPEG reader and writer of the image library, on libjpeg-turbo's 6b API,
// and the small routines around them: the start-of-image search (the format
// test), the length of a JPEG stream, the quality estimate of the
// quantization tables and the joining of ICC profile chunks.
//
// Rows are exchanged in BGR (TRGB) through libjpeg-turbo's extended colour
// spaces, straight into the bitmap's rows where no conversion is needed.
// Every call keeps its state local, so calls may run in parallel on
// different streams. No C++ exception ever passes through libjpeg's frames:
// its errors jump back to a setjmp frame around each group of library calls.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/pixels/ieprogress.h"
#include "platform/rtl/exceptions.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// A failure of libjpeg while writing; the message is the text of its code.
class EIEJpegException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EIEJpegException"; }
};

// The text of a libjpeg message code: the fixed table for 0..72 (the "?"
// stands where libjpeg would format a parameter), empty for 73..123,
// "Corrupted" above 123 and for negative codes.
String IEJpegMessageText(int32_t Code);

// Reads one JPEG image from Stream, which may hold up to 99 leading bytes
// before the image. TablesStream is nil or an abbreviated table-only stream
// read first (TIFF JPEGTables). ParamsOnly: header and parameters only.
// KeepYCbCr: deliver the stored Y, Cb, Cr samples unconverted (a stream
// coded as RGB gives R, G, B in file order). ReadMetadata: fill IPTCInfo and
// the EXIF group from the kept markers. InvertCMYK: the stream's CMYK samples
// are not inverted (TIFF strips); invert them before the conversion to RGB.
// AllowColorManagement: drop the APP2 markers of a profile that was applied.
// A failed read leaves Progress's abort flag set and throws nothing.
void IEDecodeJPEG(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIECodecProgress& Progress, bool ParamsOnly, bool KeepYCbCr, bool ReadMetadata, bool InvertCMYK,
                  bool AllowColorManagement);

// Writes Bitmap (ie24RGB or ie1g) as one JPEG image at the stream's
// position with the record's JPEG choices and kept markers. Bitmap is never
// changed. A short write, an empty bitmap or another pixel format sets the
// abort flag; a failure of libjpeg raises EIEJpegException (after the flag).
void IEEncodeJPEG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress);

// Position of the first FF D8 FF that starts at one of the 100 positions
// from the current one, or -1. The position is left unchanged.
int64_t IEFindJPEGStart(TStream* Stream);

// Bytes from the current position up to and including the EOI marker (or
// to the end of the stream). The position is left unchanged.
int64_t IEJPEGStreamLength(TStream* Stream);

// Quality estimates (1..100, or higher for unusual tables) of the
// luminance and chrominance tables of the first DQT segment, in file order,
// at most 15; answers their count. The position is left unchanged.
int32_t IEJPEGTableQualities(TStream* Stream, std::vector<int32_t>& Qualities);

// Joins the ICC profile chunks of the stream's APP2 markers into
// Params.InputICC. Only a complete, consistent set of chunks is loaded. The
// position is left unchanged.
void IEReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params);

// Parses an EXIF APP1 block (starting with "Exif" and a zero byte) into the
// record's EXIF group and thumbnail; true on success.
using TIELoadEXIFFromBlockProc = bool (*)(const void* Block, int32_t Size, TIOParamsVals& Params);
// The EXIF block parser the reader uses for the first APP1 marker. It lives
// with the TIFF reader (which itself decodes JPEG strips through this
// codec), so its library installs it at start-up; while it is nil the APP1
// marker is kept but not parsed.
extern TIELoadEXIFFromBlockProc IELoadEXIFFromBlockHook;
