// GIF loading with frame composition: frame GIFImageIndex is shown as a
// viewer shows it, drawn over the frames before it on the logical screen.
#include <algorithm>
#include <limits>
#include <memory>

#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/ierender.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"

namespace {

TColor RGBToColor(const TRGB& C) { return static_cast<TColor>(C.r | C.g << 8 | C.b << 16); }

// The logical screen is believed as far as the GIF's bytes could describe
// it, by the rule the reader applies to a frame (a code of at least 3 bits
// stands for at most 4096 pixels): a 30-byte file never asks for a canvas
// of gigabytes.
bool PlausibleScreen(int64_t Width, int64_t Height, int64_t Bytes) {
  const int64_t pixels = Width * Height;
  return pixels > 0 && pixels * 3 <= IEMaxImageBytes && pixels <= std::max<int64_t>(Bytes, 0) * 8 / 3 * 4096;
}

// What is remembered of the frame drawn last.
struct TPrevious {
  int32_t X = 0, Y = 0, W = 0, H = 0;
  uint8_t Disposal = 0;
};

}  // namespace

int32_t TImgIO::ReadGIF(TStream* Stream, const String& FileName) {
  int32_t frameCount = 0;
  AbortFlag = false;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    FParams->ResetMetadata();
    TIECodecProgress full = MakeProgress();
    FIEBitmap->RemoveAlphaChannel();
    const int64_t start = Stream->Position();
    const int64_t bytes = Stream->Size() - start;
    const int32_t wanted = FParams->GIFImageIndex;
    // Only a load of the first frame reports the reader's progress; the
    // others report once per frame.
    TIECodecProgress quiet;
    quiet.AbortFlag = &AbortFlag;
    TIECodecProgress& progress = wanted < 1 ? full : quiet;

    TIEBitmap canvas;
    canvas.SetMemoryThreshold(std::numeric_limits<int32_t>::max());
    canvas.SetLocation(TIELocation::ieMemory);  // drawn into row by row
    std::unique_ptr<TIEBitmap> single;          // the result when there is one frame
    TIEBitmap* result = nullptr;
    TIEPixelFormat resultFormat = TIEPixelFormat::ienull;
    TPrevious previous;

    for (int32_t i = 0;; ++i) {
      auto frame = std::make_unique<TIEBitmap>();
      Stream->SetPosition(start);
      FParams->SetImageIndex(i);
      std::unique_ptr<TIEMask> mask;
      IEDecodeGIF(Stream, frame.get(), frameCount, *FParams, progress, false, mask, false);
      const TIEPixelFormat format = frame->PixelFormat();
      DefaultDpiIfMissing();
      // A failed frame is not drawn: the result of the last complete one
      // stays.
      if (AbortFlag) break;
      if (mask) frame->AlphaChannel()->CopyFromMask(mask.get());
      const int32_t fw = frame->Width(), fh = frame->Height();
      if (frameCount > 1) {
        const int32_t sw = std::max(FParams->GIFScreenWidth, fw);
        const int32_t sh = std::max(FParams->GIFScreenHeight, fh);
        const TColor background = RGBToColor(FParams->GIFBackground);
        if (previous.Disposal == 2 && !canvas.IsEmpty()) {
          // Restore to background: the area is the background, transparent.
          const int32_t x2 = previous.X + previous.W - 1, y2 = previous.Y + previous.H - 1;
          canvas.FillRect(previous.X, previous.Y, x2, y2, background);
          canvas.AlphaChannel()->FillRect(previous.X, previous.Y, x2, y2, 0);
        }
        if (canvas.IsEmpty()) {
          if (!PlausibleScreen(sw, sh, bytes)) {
            AbortFlag = true;
            break;
          }
          canvas.Allocate(sw, sh, TIEPixelFormat::ie24RGB);
          canvas.Fill(background);
          canvas.AlphaChannel()->Fill(0);
        }
        if (canvas.PixelFormat() != TIEPixelFormat::ie24RGB) canvas.SetPixelFormat(TIEPixelFormat::ie24RGB);
        if (canvas.Width() < sw || canvas.Height() < sh) {
          // Grown, never cut: a side already larger keeps what it holds.
          const int32_t nw = std::max(canvas.Width(), sw), nh = std::max(canvas.Height(), sh);
          if (!PlausibleScreen(nw, nh, bytes)) {
            AbortFlag = true;
            break;
          }
          canvas.Resize(nw, nh, background, 255, 0, 0);
        }
        // Transparent frame pixels leave the canvas as it was.
        TIEDestRowTable rows;
        TIEIndexTable columns, sourceRows;
        RenderToTIEBitmap(frame.get(), &canvas, rows, columns, sourceRows, nullptr, FParams->GIFXPos, FParams->GIFYPos,
                          fw, fh, 0, 0, fw, fh, true, false, 255, true, 0);
        frame->MergeAlphaRectTo(&canvas, 0, 0, FParams->GIFXPos, FParams->GIFYPos, fw, fh);
        canvas.AlphaChannel()->SetFull(false);
        previous = TPrevious{FParams->GIFXPos, FParams->GIFYPos, fw, fh, FParams->GIFDisposal};
        result = &canvas;
      } else {
        single = std::move(frame);
        result = single.get();
      }
      resultFormat = format;
      if (OnProgress) IEDoProgress(OnProgress, this, frameCount > 0 ? Trunc(i * (100.0 / frameCount)) : 0);
      if (AbortFlag || i + 1 >= frameCount || i == wanted) break;
    }

    if (result && frameCount > 0) {
      FIEBitmap->Assign(result);
      // A composed picture is in colour: made black and white again, as a
      // frame with a two-colour table would have it, it would be thresholded.
      if (!(result == &canvas && resultFormat == TIEPixelFormat::ie1g)) FIEBitmap->SetPixelFormat(resultFormat);
    }
    FParams->SetImageIndex(wanted);
    if (AutoAdjustDPI) AdjustDPI();
    SetBackground(FParams->GIFTransparent ? RGBToColor(FParams->GIFTransparentColor)
                                          : RGBToColor(FParams->GIFBackground));
    FParams->FileType = fcGIF;
    FParams->FileName = FileName;
    UpdateAttached();
  });
  return frameCount;
}
