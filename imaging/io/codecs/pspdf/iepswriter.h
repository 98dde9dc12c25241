// The PostScript writer: Level 2 documents with document-structuring
// comments, one image per page, scaled to fit the paper and placed at its
// top-left corner. Image data is ASCII85 text over RunLength, CCITT fax
// (bilevel images) or JPEG (colour images). Lines end with CR LF.
//
// A document is written as: header, any number of pages (each rewrites the
// "%%Pages:" count in place and appends at the end), trailer. Stream errors
// raise the stream's exceptions; the state then stays with the caller.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/ieprogress.h"

class TIEBitmap;
class TIOParamsVals;
class TStream;

struct TIEPSState {
  int64_t PagesLinePos = 0;  // where the "%%Pages: " line starts
  int64_t EndPos = 0;        // where the next page or the trailer goes
};

// A complete one-page document at the stream's position.
void IEEncodePSPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress);

// Writes the header and answers the document's state.
std::unique_ptr<TIEPSState> IEWritePSHeader(TStream* Stream, TIOParamsVals& Params);
// Increments the page count of the header and writes the page at EndPos.
void IEPSAddPage(TIEPSState& State, TStream* Stream, TIEBitmap* Bitmap, TIECodecProgress& Progress,
                 TIOParamsVals& Params);
// Nothing for a nil state; otherwise writes the trailer at EndPos and frees
// the state.
void IEClosePS(std::unique_ptr<TIEPSState>& State, TStream* Stream);

// One page, numbered PageNumber, at the stream's position. Bitmap is ie1g or
// ie24RGB.
void IEPSWritePage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t PaperHeight, int32_t PaperWidth,
                   int32_t PageNumber, TIECodecProgress& Progress);
// Encodes the image data into Data; answers the number of ASCII85 digit
// characters written (line ends and end markers not counted).
int64_t IEPSEncodeImageData(TStream* Data, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress);
