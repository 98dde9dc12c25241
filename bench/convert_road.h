// The library's conversion road for one file, as the batch converts it: a
// fresh TImgIO with a processing component on the component's own bitmap
// loads the file by content at full size, the image is resampled so that its
// longer side is LongSide pixels (the other side rounded half to even), and
// saved as JPEG (the batch's output defaults with quality 85) or PNG. The
// convert benchmark times it; the road's checksum test pins its output bytes.
#pragma once

#include <chrono>
#include <cstdint>

#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/arith.h"

namespace convert_road {

using Clock = std::chrono::steady_clock;

struct TRoadOptions {
  int32_t LongSide = 1600;
  TResampleFilter Filter = TResampleFilter::rfLanczos3;
  bool Png = false;
};

// What one file took, step by step.
struct TRoadTimes {
  Clock::duration Load{}, Resample{}, Save{};
};

struct TRoadResult {
  int32_t Width = 0, Height = 0;
  // The size of the loaded image's pixels.
  int64_t DecodedBytes = 0;
  // Nil when the file was converted, else what failed.
  const char* Failure = nullptr;
};

// The one-side rule on the longer side: S x round(ih * S / iw) for a wide or
// square image, round(iw * S / ih) x S for a tall one, halves to even.
inline void TargetSize(int32_t W, int32_t H, int32_t S, int32_t& NewW, int32_t& NewH) {
  if (W >= H) {
    NewW = S;
    NewH = static_cast<int32_t>(Round(static_cast<double>(int64_t{H} * S) / W));
  } else {
    NewW = static_cast<int32_t>(Round(static_cast<double>(int64_t{W} * S) / H));
    NewH = S;
  }
}

// The output parameters of the batch for JPEG (its output-format defaults
// with quality 85); PNG keeps the record's own options.
inline void SetJpegParams(TIOParamsVals& P) {
  P.JPEGQuality = 85;
  P.JPEGDCTMethod = TIEJPEGDCTMethod::jdIntSlow;
  P.JPEGSubSampling = 2;  // 2x2
  P.JPEGSmoothing = 0;
  P.JPEGOptimalHuffman = true;
  P.JPEGProgressive = false;
}

// Converts Input into Target; the times of the steps reached are added to
// Times.
inline TRoadResult ConvertFile(const TRoadOptions& O, const String& Input, const String& Target, TRoadTimes& Times) {
  TRoadResult r;
  auto t0 = Clock::now();
  TImgIO io(nullptr);
  TImgProc proc(nullptr);
  // Without undo copies, as the batch's working view has it.
  proc.SetAttachedBitmap(io.IEBitmap());
  proc.SetAutoUndo(false);
  TIOParamsVals& params = io.Params();
  params.SetDefaults();
  // The batch loads photos upright by their orientation tags.
  params.JPEGAdjustOrientation = true;
  params.TIFFAdjustOrientation = true;
  io.LoadFromFileByContent(Input);
  TIEBitmap* image = io.IEBitmap();
  const bool loaded = !io.AbortFlag && params.FileType != 0 && image->Width() > 0 && image->Height() > 0;
  auto t1 = Clock::now();
  Times.Load += t1 - t0;
  if (!loaded) {
    r.Failure = "cannot be loaded";
    return r;
  }

  r.DecodedBytes = static_cast<int64_t>(image->RowLen()) * image->Height();
  TargetSize(image->Width(), image->Height(), O.LongSide, r.Width, r.Height);
  proc.Resample(r.Width, r.Height, O.Filter);
  image = io.IEBitmap();
  auto t2 = Clock::now();
  Times.Resample += t2 - t1;
  if (image->Width() != r.Width || image->Height() != r.Height) {
    r.Failure = "was not resampled";
    return r;
  }

  if (O.Png) {
    io.SavePNGFile(Target);
  } else {
    SetJpegParams(params);
    io.SaveJPEGFile(Target);
  }
  Times.Save += Clock::now() - t2;
  if (io.AbortFlag) r.Failure = "cannot be saved";
  return r;
}

}  // namespace convert_road
