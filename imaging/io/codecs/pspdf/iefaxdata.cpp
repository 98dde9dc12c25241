#include "imaging/io/codecs/pspdf/iefaxdata.h"

#include <memory>

#include "imaging/io/codecs/tiff/ieccitt.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

void IEEncodeFaxImage(TIEBitmap* Bitmap, bool Group4, TStream* Out, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  bool aborting = false;
  std::unique_ptr<uint8_t[]> reference;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  for (int32_t y = 0; y <= h; ++y) {
    const auto* row = y < h ? static_cast<const uint8_t*>(Bitmap->ScanLine(y)) : nullptr;
    if (Group4)
      IECCITTEncodeG4Row(row, w, Out, 1, aborting, reference, pendingBits, pendingByte);
    else
      IECCITTEncodeG3Row2D(row, w, Out, 1, aborting, reference, pendingBits, pendingByte);
  }
  if (pendingBits > 0) Out->WriteBuffer(&pendingByte, 1);
  if (aborting) IESetAborting(Progress);
}
