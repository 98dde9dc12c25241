#include "app/convert/outputparams.h"

#include <algorithm>
#include <cmath>

#include "app/settings/commonclass.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/iecounts.h"
#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview.h"
#include "platform/rtl/arith.h"

namespace {

void SetLayout(TIOParamsVals& P, int32_t Bits, int32_t Samples) {
  P.BitsPerSample = Bits;
  P.SamplesPerPixel = Samples;
}

void ApplyJPEG(const TIOParas& S, TIOParamsVals& P) {
  // The dialog's slider reaches 0, which is no JPEG quality.
  P.JPEGQuality = std::clamp<int32_t>(S.JPEGQuality, 1, 100);
  P.JPEGDCTMethod = TIEJPEGDCTMethod::jdIntSlow;
  P.JPEGSubSampling = S.JPEGSubSampling == 0 ? 0 : S.JPEGSubSampling == 1 ? 1 : 2;
  P.JPEGSmoothing = S.JPEGSmoothing >= 0 && S.JPEGSmoothing <= 100 ? S.JPEGSmoothing : 0;
  P.JPEGOptimalHuffman = S.JPEGOptimalHuffman;
  P.JPEGProgressive = S.JPEGProgressive;
  // 0 keeps the colour space read from the file; 1..5 name the five spaces.
  if (S.JPEGPhotometric > 0 && S.JPEGPhotometric <= 5)
    P.JPEGColorSpace = static_cast<TIEJPEGColorSpace>(S.JPEGPhotometric - 1);
}

void ApplyBMP(const TIOParas& S, TIOParamsVals& P) {
  P.BMPCompression = S.BMPCompression != 0 ? 1 : 0;
  static const int32_t layouts[][2] = {{8, 3}, {5, 3}, {8, 1}, {4, 1}, {1, 1}};
  if (S.BMPColor >= 0 && S.BMPColor <= 4) SetLayout(P, layouts[S.BMPColor][0], layouts[S.BMPColor][1]);
}

void ApplyGIF(const TIOParas& S, TIOParamsVals& P) {
  if (S.GIFColor >= 0 && S.GIFColor <= 7) SetLayout(P, 8 - S.GIFColor, 1);
  P.GIFTransparent = S.GIFTransparent;
  if (S.GIFTransparent) P.GIFTransparentColor = ColorToTRGB(S.GIFTransColor);
  P.GIFInterlaced = S.GIFInterlaced;
}

void ApplyPNG(const TIOParas& S, TIOParamsVals& P) {
  static const int32_t layouts[][2] = {{8, 3}, {8, 1}, {1, 1}};
  if (S.PNGColor >= 0 && S.PNGColor <= 2) SetLayout(P, layouts[S.PNGColor][0], layouts[S.PNGColor][1]);
  P.PNGCompression = S.PNGCompression;
  P.PNGFilter = S.PNGFilter == 0   ? TIEPNGFilter::pfNone
                : S.PNGFilter == 1 ? TIEPNGFilter::pfSub
                                   : TIEPNGFilter::pfPaeth;
  P.PNGInterlaced = S.PNGInterlaced;
  P.PNGBackground = ColorToTRGB(S.PNGBackground);
}

void ApplyJPEG2000(const TIOParas& S, TIOParamsVals& P) {
  // The writer takes any rate of 1.0 or more, and 0, as lossless, so the
  // slider's lowest end is written as the smallest real rate instead.
  P.J2000Rate = std::max<int32_t>(S.JPEG2000Rate, 1) / 1000.0;
  P.J2000ColorSpace = S.JPEG2000Photometric == 0 ? 1 : 0;
}

void ApplyTIFF(const TIOParas& S, TIOParamsVals& P) {
  using C = TIETIFFCompression;
  static const C compressions[] = {C::tcNone,    C::tcLZW,     C::tcJPEG, C::tcPackBits,
                                   C::tcG3Fax1D, C::tcG3Fax2D, C::tcG4Fax};
  P.TIFFCompression = S.TIFFCompression >= 0 && S.TIFFCompression <= 6 ? compressions[S.TIFFCompression] : C::tcNone;
  using Ph = TIETIFFPhotometric;
  struct Layout {
    Ph Photometric;
    int32_t Bits, Samples;
  };
  static const Layout layouts[] = {
      {Ph::tpRGB, 8, 3}, {Ph::tpPalette, 8, 1}, {Ph::tpCMYK, 8, 4}, {Ph::tpYCbCr, 8, 3}, {Ph::tpCIELab, 8, 3}};
  if (S.TIFFPhotometric < 1 || S.TIFFPhotometric > 5) return;
  const Layout& l = layouts[S.TIFFPhotometric - 1];
  P.TIFFPhotometric = l.Photometric;
  SetLayout(P, l.Bits, l.Samples);
}

// The writer's bits for a colour count, by output format.
void SetDepthBits(TIOParamsVals& P, int32_t OutputFormat, int32_t Count) {
  if (OutputFormat == ofJPEG || OutputFormat == ofJPEG2000) return;
  if (OutputFormat != ofBMP && OutputFormat != ofGIF && OutputFormat != ofPNG && OutputFormat != ofTIFF) return;
  if (Count == 167) return SetLayout(P, 8, 3);
  if (Count < 2 || Count > 256 || (Count & (Count - 1)) != 0) return;
  if (OutputFormat == ofPNG) return SetLayout(P, 8, 1);
  SetLayout(P, static_cast<int32_t>(Round(std::log2(Count))), 1);
}

}  // namespace

void ApplyOutputParams(const TIOParas& Paras, int32_t OutputFormat, TIOParamsVals& Params) {
  // A failure keeps what was written so far.
  Guarded([&] {
    switch (OutputFormat) {
      case ofJPEG: return ApplyJPEG(Paras, Params);
      case ofBMP: return ApplyBMP(Paras, Params);
      case ofGIF: return ApplyGIF(Paras, Params);
      case ofPNG: return ApplyPNG(Paras, Params);
      case ofJPEG2000: return ApplyJPEG2000(Paras, Params);
      case ofTIFF: return ApplyTIFF(Paras, Params);
      default: return;
    }
  });
}

void ReduceColorDepth(TImgView& Img, int32_t OutputFormat, int32_t Count) {
  // A failure leaves the picture to be written as it stands.
  Guarded([&] {
    if (Img.HasAlphaChannel()) Img.RemoveAlphaChannel(false);
    TImgProc* proc = Img.GetImageProc();
    if (Count == 167)
      proc->ConvertTo24Bit();
    else
      proc->ConvertTo(Count, false);
    SetDepthBits(Img.GetImageIO()->Params(), OutputFormat, Count);
  });
}

int32_t EstimateSourceJpegQuality(const String& Path) {
  int32_t quality = -1;
  Guarded([&] {
    if (FastFileExists(Path) && IEDetectFileFormat(Path) == fcJPEG) quality = IEEstimateFileJPEGQuality(Path);
  });
  return quality;
}

void ReassignIOParams(TImgIO& IO) {
  Guarded([&] {
    TImgIO fresh(nullptr);
    fresh.AssignParams(&IO.Params());
    IO.AssignParams(&fresh.Params());
  });
}
