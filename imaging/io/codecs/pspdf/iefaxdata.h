// The CCITT image data of the PostScript and PDF writers: every row of a
// bilevel bitmap, top first, as one code stream, rows passed as stored
// (1 = white) so that a reader told "BlackIs1" gives the stored bits back.
#pragma once

#include "imaging/model/pixels/ieprogress.h"

class TIEBitmap;
class TStream;

// Group4: T.6 (K -1); otherwise T.4 two-dimensional (K 1). A short write
// sets the progress record's abort flag.
void IEEncodeFaxImage(TIEBitmap* Bitmap, bool Group4, TStream* Out, TIECodecProgress& Progress);
