// Camera RAW: the registry keeps a row for camera files (type 20) with a
// reader and a test, but no camera format is decoded. Detection gives type 20
// to TIFF-structured files under a camera extension, and this reader then
// reports them as unreadable.
#pragma once

#include "imaging/model/pixels/ieprogress.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Reads nothing and sets the abort flag, on a full read as on a
// parameters-only read: a camera file is a failed load, never an empty
// image taken for a converted one. The stream, the bitmap and Params are
// left exactly as they were.
void IEDecodeRAW(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                 bool ParamsOnly);

// Always false; the stream is not read. Camera files are recognised by
// their extension, not by content.
bool IETestRAW(TStream* Stream);
