#include "imaging/io/codecs/raw/ieraw.h"

#include "imaging/io/contract/iecodec.h"

void IEDecodeRAW(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Progress, bool) { IESetAborting(Progress); }

bool IETestRAW(TStream*) { return false; }
