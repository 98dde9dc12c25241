// What the conversion copies from the output-format options into the writer's
// parameter record, the colour-depth step that overrides the bits afterwards,
// and two small routines used around JPEG output.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

class TIOParas;
class TIOParamsVals;
class TImgIO;
class TImgView;

// Output formats in the order of the convert tab's list.
enum TOutputFormatIndex : int32_t {
  ofJPEG = 0,
  ofBMP = 1,
  ofGIF = 2,
  ofPNG = 3,
  ofJPEG2000 = 4,
  ofTIFF = 5,
};

// Writes the options of OutputFormat only; fields of the other formats stay.
// Out-of-range option values leave the field (bits, photometric) or fall to
// a safe default (subsampling 2, smoothing 0, filter Paeth, TIFF none).
// Never raises.
void ApplyOutputParams(const TIOParas& Paras, int32_t OutputFormat, TIOParamsVals& Params);

// The colour-depth step, after every other option: an alpha channel is
// dropped without blending, 167 asks for 24 bits, any other count is reduced
// with ordered dithering; then the writer's bits are set for BMP, GIF, PNG and
// TIFF (JPEG and JPEG 2000 are quantised but keep their own layout).
// Never raises.
void ReduceColorDepth(TImgView& Img, int32_t OutputFormat, int32_t Count);

// The quality 1..100 a JPEG file was written with, or -1 when the file is
// missing or not a JPEG by its content.
int32_t EstimateSourceJpegQuality(const String& Path);

// Passes the component's parameter record through a fresh, unattached
// component and back, so the record ends as a plain copy would leave it.
void ReassignIOParams(TImgIO& IO);
