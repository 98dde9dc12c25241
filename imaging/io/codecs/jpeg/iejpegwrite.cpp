// The JPEG writer.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg/iejpegmgr.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"  // IEDefaultDpiX, IEDefaultDpiY
#include "platform/rtl/streams.h"

namespace {

struct TWriteState {
  jpeg_compress_struct Info;
  TIEJpegErrorMgr Err;
  TIEJpegDest Dest;
  // Arguments of the library calls made through IEJpegCall.
  J_COLOR_SPACE Target = JCS_YCbCr;
  int32_t Quality = 80;
  const TIEMarkerList* Markers = nullptr;
  JSAMPROW Row = nullptr;
};

// Destroys the compressor on every way out (the state starts zeroed).
struct TWriteStateHolder {
  std::unique_ptr<TWriteState> State = std::make_unique<TWriteState>();
  ~TWriteStateHolder() {
    if (State->Info.mem != nullptr) jpeg_destroy_compress(&State->Info);
  }
};

void CallCreate(void* p) { jpeg_create_compress(&static_cast<TWriteState*>(p)->Info); }
void CallDefaults(void* p) {
  auto* s = static_cast<TWriteState*>(p);
  jpeg_set_defaults(&s->Info);
  jpeg_set_colorspace(&s->Info, s->Target);
}
void CallQuality(void* p) {
  auto* s = static_cast<TWriteState*>(p);
  jpeg_set_quality(&s->Info, s->Quality, TRUE);
}
void CallProgression(void* p) { jpeg_simple_progression(&static_cast<TWriteState*>(p)->Info); }
void CallStart(void* p) { jpeg_start_compress(&static_cast<TWriteState*>(p)->Info, TRUE); }
void CallMarkers(void* p) {
  auto* s = static_cast<TWriteState*>(p);
  const TIEMarkerList& list = *s->Markers;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const uint8_t type = list.MarkerType(i);
    if (type == JPEG_APP0 + 14) continue;  // libjpeg wrote its own Adobe marker where one belongs
    jpeg_write_marker(&s->Info, type, list.MarkerData(i), static_cast<unsigned int>(list.MarkerLength(i)));
  }
}
void CallWriteRow(void* p) {
  auto* s = static_cast<TWriteState*>(p);
  jpeg_write_scanlines(&s->Info, &s->Row, 1);
}
void CallFinish(void* p) { jpeg_finish_compress(&static_cast<TWriteState*>(p)->Info); }

// Fails the write with the text of libjpeg's error code.
[[noreturn]] void Raise(const TWriteState& s) { throw EIEJpegException(IEJpegMessageText(s.Err.ErrorCode)); }

uint16_t Density(int32_t Dpi, int32_t Default) {
  const int32_t v = Dpi != 0 ? Dpi : Default;
  return static_cast<uint16_t>(std::clamp(v, 1, 65535));
}

// One ie1g row as TRGB (1 = white).
void ExpandBits(const uint8_t* Source, uint8_t* Dest, int32_t Width) {
  for (int32_t x = 0; x < Width; ++x, Dest += 3) {
    const uint8_t v = (Source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    Dest[0] = Dest[1] = Dest[2] = v;
  }
}

// One TRGB row flattened onto white by its alpha row: white + round((c -
// white) * a / 255), the rule of IEMergeAlphaWithBackground (no ties occur,
// since 255 is odd).
void FlattenOnWhite(const uint8_t* Source, const uint8_t* Alpha, uint8_t* Dest, int32_t Width) {
  for (int32_t x = 0; x < Width; ++x) {
    const int32_t a = Alpha[x];
    for (int32_t c = 0; c < 3; ++c) {
      const int32_t v = (Source[x * 3 + c] - 255) * a;  // <= 0
      Dest[x * 3 + c] = static_cast<uint8_t>(255 - (-2 * v + 255) / 510);
    }
  }
}

}  // namespace

void IEEncodeJPEG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const TIEPixelFormat format = Bitmap->PixelFormat();
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  // An empty image, and formats the writer does not take (callers convert first).
  if (width <= 0 || height <= 0 || Bitmap->IsEmpty() ||
      (format != TIEPixelFormat::ie24RGB && format != TIEPixelFormat::ie1g)) {
    IESetAborting(Progress);
    return;
  }
  // The caller's bitmap stays untouched: an alpha channel with
  // transparency is flattened onto white row by row, and ie1g rows are
  // widened row by row, into a work row.
  const bool flatten = format == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel() && IEHasTransparency(Bitmap);
  const bool bits = format == TIEPixelFormat::ie1g;

  TWriteStateHolder holder;
  TWriteState& s = *holder.State;
  IEJpegInitError(s.Err, Progress.AbortFlag);
  s.Info.err = &s.Err.Pub;

  // BGR rows in, as the bitmap holds them.
  if (!IEJpegCall(s.Err, CallCreate, &s)) Raise(s);
  IEJpegStreamDest(&s.Info, s.Dest, Stream, Progress.AbortFlag);
  if (IEAborting(Progress)) return;
  s.Info.image_width = static_cast<JDIMENSION>(width);
  s.Info.image_height = static_cast<JDIMENSION>(height);
  s.Info.input_components = 3;
  s.Info.in_color_space = JCS_EXT_BGR;

  // RGB, gray and YCbCr targets take TRGB rows directly (libjpeg
  // stores RGB in file order); CMYK targets take TCMYK rows.
  bool cmykInput = false;
  switch (Params.JPEGColorSpace) {
    case TIEJPEGColorSpace::jcGray: s.Target = JCS_GRAYSCALE; break;
    case TIEJPEGColorSpace::jcYCbCr: s.Target = JCS_YCbCr; break;
    case TIEJPEGColorSpace::jcCMYK:
      s.Target = JCS_CMYK;
      cmykInput = true;
      break;
    case TIEJPEGColorSpace::jcYCbCrK:
      s.Target = JCS_YCCK;
      cmykInput = true;
      break;
    default: s.Target = JCS_RGB; break;
  }
  if (cmykInput) {
    s.Info.input_components = 4;
    s.Info.in_color_space = JCS_CMYK;
  }
  if (!IEJpegCall(s.Err, CallDefaults, &s)) Raise(s);

  // Resolution in dots per inch, the DCT method, Huffman tables, smoothing, quality.
  s.Info.density_unit = 1;
  s.Info.X_density = Density(Params.DpiX, IEDefaultDpiX);
  s.Info.Y_density = Density(Params.DpiY, IEDefaultDpiY);
  switch (Params.JPEGDCTMethod) {
    case TIEJPEGDCTMethod::jdIntSlow: s.Info.dct_method = JDCT_ISLOW; break;
    case TIEJPEGDCTMethod::jdIntFast: s.Info.dct_method = JDCT_IFAST; break;
    case TIEJPEGDCTMethod::jdFloat: s.Info.dct_method = JDCT_FLOAT; break;
  }
  s.Info.optimize_coding = Params.JPEGOptimalHuffman ? TRUE : FALSE;
  s.Info.smoothing_factor = std::clamp(Params.JPEGSmoothing, 0, 100);
  s.Quality = Params.JPEGQuality;
  if (!IEJpegCall(s.Err, CallQuality, &s)) Raise(s);

  // Subsampling of the chroma: 0 none, 1 horizontal, 2 both ways.
  if (s.Target == JCS_YCbCr) {
    const int h = Params.JPEGSubSampling == 0 ? 1 : 2;
    const int v = Params.JPEGSubSampling <= 1 ? 1 : 2;
    s.Info.comp_info[0].h_samp_factor = h;
    s.Info.comp_info[0].v_samp_factor = v;
    for (int c = 1; c < 3; ++c) {
      s.Info.comp_info[c].h_samp_factor = 1;
      s.Info.comp_info[c].v_samp_factor = 1;
    }
  }
  // A CMYK file carries both a JFIF and an Adobe marker.
  if (s.Target == JCS_CMYK) s.Info.write_JFIF_header = TRUE;

  // Progressive scans, then the saved markers right after the start.
  if (Params.JPEGProgressive && !IEJpegCall(s.Err, CallProgression, &s)) Raise(s);
  if (!IEJpegCall(s.Err, CallStart, &s)) Raise(s);
  s.Markers = &Params.JPEGMarkers;
  if (!IEJpegCall(s.Err, CallMarkers, &s)) Raise(s);

  // Rows one at a time, through the work rows where a conversion is needed.
  std::vector<uint8_t> work, flat;
  if (bits || flatten || cmykInput) work.resize(static_cast<size_t>(width) * 4);
  if ((bits || flatten) && cmykInput) flat.resize(static_cast<size_t>(width) * 3);
  TIEBitmap* alpha = flatten ? Bitmap->AlphaChannel() : nullptr;
  IEProgressStart(Progress, height);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    uint8_t* rgb = row;  // the TRGB row to write or convert
    if (bits) {
      uint8_t* into = cmykInput ? flat.data() : work.data();
      ExpandBits(row, into, width);
      rgb = into;
    } else if (flatten) {
      uint8_t* into = cmykInput ? flat.data() : work.data();
      FlattenOnWhite(row, static_cast<const uint8_t*>(alpha->ScanLine(y)), into, width);
      rgb = into;
    }
    if (cmykInput) {
      IEColorConvertHook(rgb, TIEColorRowFormat::crfBGR, work.data(), TIEColorRowFormat::crfCMYK, width, &Params);
      rgb = work.data();
    }
    s.Row = rgb;
    if (!IEJpegCall(s.Err, CallWriteRow, &s)) Raise(s);
    if (Progress.Event) IEDoProgress(Progress, IEProgressPercent(y + 1, Progress.Per1));
    if (IEAborting(Progress)) break;
  }

  // Finished only when every row went out; the save frame discards an aborted file.
  if (!IEAborting(Progress) && !IEJpegCall(s.Err, CallFinish, &s)) Raise(s);
}
