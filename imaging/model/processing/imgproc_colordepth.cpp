// TImgProc's colour-depth operations: the batch run's colour-depth option
// calls ConvertTo24Bit for its 24-bit choice and ConvertTo(count, False) for
// every other one.
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/scopeguard.h"

void TImgProc::ConvertTo(int32_t Colors, bool UseThreshold) {
  RunWholeImageOp(IEProcRGBFormats, IEProcCaption("ConvertTo", {Colors}), [&](TIEBitmap* Image) {
    if (Colors < 3) {
      TIECodecProgress progress;
      progress.Event = OnProgress;
      progress.Sender = this;
      if (UseThreshold)
        ThresholdTo1Bit(Image, -1, progress);
      else
        DitherTo1Bit(Image, progress);
    } else if (Colors <= 1024) {
      QuantizeBitmap(Image, Colors, nullptr, this, OnProgress);
    }
  });
}

void TImgProc::ConvertTo24Bit() {
  RunWholeImageOp(IEProcBWFormats, "ConvertTo24Bit", [&](TIEBitmap* Image) {
    TIECodecProgress progress;
    progress.Event = OnProgress;
    progress.Sender = this;
    // The 1-bit source is taken out of the image (a copy when the image is
    // a platform bitmap, whose storage must stay the caller's).
    TIEBitmap source;
    const bool moved = Image->Location() != TIELocation::ieTBitmap;
    if (moved)
      Image->MoveTo(&source);
    else
      source.CopyFromTIEBitmap(Image);
    auto cleanup = ScopeFail([&] {
      if (moved) source.MoveTo(Image);  // a failed allocation keeps the image
    });
    Convert1BitTo24Bit(&source, Image, progress);
  });
}
