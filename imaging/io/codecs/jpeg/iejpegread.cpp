// The JPEG reader.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg/iejpegmgr.h"

#include <jerror.h>
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iegeometry.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"

TIELoadEXIFFromBlockProc IELoadEXIFFromBlockHook = nullptr;

namespace {

// Rows handed to one jpeg_read_scanlines call when they can be written
// straight into a memory bitmap.
constexpr int32_t kRowBatch = 16;

// Real encoders write a few dozen scans at most. Each scan of a progressive
// file costs a pass over the whole image however few bytes it has, so a
// hostile file of many tiny scans would keep the reader busy for minutes.
constexpr int kMaxScans = 1000;

void LimitScans(j_common_ptr Info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(Info);
  if (d->input_scan_number > kMaxScans) {
    Info->err->msg_code = JERR_BAD_SCAN_SCRIPT;
    Info->err->error_exit(Info);
  }
}

// Everything one read keeps; libjpeg's state and the managers live on the
// heap (the source buffer is 64 KiB) and are reached by the trampoline
// bodies through this record.
struct TReadState {
  jpeg_decompress_struct Info;
  TIEJpegErrorMgr Err;
  TIEJpegSource Source;
  jpeg_progress_mgr Progress;
  TIEJpegCoefArrays CoefArrays;
  // Arguments of the library calls made through IEJpegCall.
  boolean RequireImage = TRUE;
  JSAMPROW Rows[kRowBatch];
  JDIMENSION RowCount = 0;
  JDIMENSION RowsRead = 0;
};

void CallCreate(void* p) { jpeg_create_decompress(&static_cast<TReadState*>(p)->Info); }
void CallReadHeader(void* p) {
  auto* s = static_cast<TReadState*>(p);
  jpeg_read_header(&s->Info, s->RequireImage);
}
void CallSaveMarkers(void* p) {
  auto* s = static_cast<TReadState*>(p);
  jpeg_save_markers(&s->Info, JPEG_COM, 0xFFFF);
  for (int m = 0; m < 16; ++m) jpeg_save_markers(&s->Info, JPEG_APP0 + m, 0xFFFF);
}
void CallCalcOutput(void* p) { jpeg_calc_output_dimensions(&static_cast<TReadState*>(p)->Info); }
void CallStart(void* p) { jpeg_start_decompress(&static_cast<TReadState*>(p)->Info); }
void CallReadRows(void* p) {
  auto* s = static_cast<TReadState*>(p);
  s->RowsRead = jpeg_read_scanlines(&s->Info, s->Rows, s->RowCount);
}
void CallFinish(void* p) { jpeg_finish_decompress(&static_cast<TReadState*>(p)->Info); }

// Destroys the decompressor on every way out of the read. The state starts
// zeroed, so a decompressor exists exactly when its memory manager does.
struct TReadStateHolder {
  std::unique_ptr<TReadState> State = std::make_unique<TReadState>();
  ~TReadStateHolder() {
    if (State->Info.mem != nullptr) jpeg_destroy_decompress(&State->Info);
  }
};

// The JFIF density as the resolution.
void ApplyJFIFDensity(const jpeg_decompress_struct& Info, TIOParamsVals& Params) {
  switch (Info.density_unit) {
    case 0:
    case 1:
      Params.SetDpiX(Info.X_density);
      Params.SetDpiY(Info.Y_density);
      break;
    case 2:  // dots per centimetre
      Params.SetDpiX(static_cast<int32_t>(Trunc(Info.X_density * 2.54)));
      Params.SetDpiY(static_cast<int32_t>(Trunc(Info.Y_density * 2.54)));
      break;
    default: break;
  }
}

// The scale denominator for the record's JPEGScale; 0 leaves
// libjpeg's default.
uint32_t ScaleDenominator(const TIOParamsVals& Params, uint32_t StoredWidth, uint32_t StoredHeight) {
  switch (Params.JPEGScale) {
    case TIEJPEGScale::jsAuto: {
      if (Params.Width <= 0 || Params.Height <= 0) return 1;
      const auto w = static_cast<uint32_t>(Params.Width), h = static_cast<uint32_t>(Params.Height);
      for (int n = 3; n > 0; --n)
        if ((StoredWidth >> n) >= w && (StoredHeight >> n) >= h) return 1u << n;
      return 1;
    }
    case TIEJPEGScale::jsFull: return 1;
    case TIEJPEGScale::jsHalf: return 2;
    case TIEJPEGScale::jsQuarter: return 4;
    case TIEJPEGScale::jsEighth: return 8;
  }
  return 0;
}

// The saved markers into the record, in file order, without the
// file's first APP0 (libjpeg writes its own JFIF marker).
void StoreMarkers(const jpeg_decompress_struct& Info, TIOParamsVals& Params) {
  Params.JPEGMarkers.Clear();
  bool firstAPP0 = true;
  for (jpeg_saved_marker_ptr m = Info.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 && firstAPP0) {
      firstAPP0 = false;
      continue;
    }
    Params.JPEGMarkers.AddMarker(m->marker, m->data, static_cast<int32_t>(m->data_length));
  }
}

// IPTC from the first APP13, EXIF from the first APP1 and the
// orientation.
void ReadMetadataFromMarkers(TIEBitmap* Bitmap, TIOParamsVals& Params, bool PixelsDelivered) {
  const TIEMarkerList& markers = Params.JPEGMarkers;
  const int32_t iptc = markers.IndexOf(JPEG_APP0 + 13);
  if (iptc >= 0) {
    try {
      Params.IPTCInfo.LoadFromBuffer(markers.MarkerData(iptc), markers.MarkerLength(iptc));
    } catch (...) {
      // A damaged IPTC block costs the IPTC data, not the image.
    }
  }
  const int32_t exif = markers.IndexOf(JPEG_APP0 + 1);
  if (exif >= 0 && IELoadEXIFFromBlockHook != nullptr) {
    const int32_t dpiX = Params.DpiX, dpiY = Params.DpiY;
    bool parsed = false;
    try {
      parsed = IELoadEXIFFromBlockHook(markers.MarkerData(exif), markers.MarkerLength(exif), Params);
    } catch (...) {
      parsed = false;
    }
    if (parsed && dpiX == 1 && dpiY == 1) {
      // No JFIF resolution: the EXIF one, in inches.
      const double f = Params.EXIFResolutionUnit == 3 ? 2.54 : 1.0;
      Params.SetDpiX(static_cast<int32_t>(Trunc(Params.EXIFXResolution * f)));
      Params.SetDpiY(static_cast<int32_t>(Trunc(Params.EXIFYResolution * f)));
    } else {
      Params.SetDpiX(dpiX);
      Params.SetDpiY(dpiY);
    }
  }
  if (Params.JPEGAdjustOrientation && PixelsDelivered) IEApplyOrientation(Bitmap, Params.EXIFOrientation);
}

void ReportRows(TIECodecProgress& Progress, int64_t Counter) {
  if (Progress.Event) IEDoProgress(Progress, IEProgressPercent(static_cast<double>(Counter), Progress.Per1));
}

void DecodeJPEG(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                TIECodecProgress& Progress, bool ParamsOnly, bool KeepYCbCr, bool ReadMetadata, bool InvertCMYK,
                bool AllowColorManagement) {
  // Warnings of an earlier read do not carry over. The image may start a
  // little past the stream's position (a short preamble), so it is found first.
  Params.JPEGWarnings = TIEJPEGWarnings{};
  const int64_t start = IEFindJPEGStart(Stream);
  if (start < 0) {
    IESetAborting(Progress);
    return;
  }
  Stream->SetPosition(start);

  // The ICC profile is read before the library so rows can be converted as
  // they come.
  if (IEColorManagement && !Params.JPEGSkipMarkers) IEReadJPEGICCProfile(Stream, Params);
  const bool useICC = IEColorManagement && Params.InputICC != nullptr;

  // The holder destroys the decompressor however the read below ends.
  TReadStateHolder holder;
  TReadState& s = *holder.State;
  IEJpegInitError(s.Err, Progress.AbortFlag);
  s.Info.err = &s.Err.Pub;
  bool pixels = false;
  [&] {
    if (!IEJpegCall(s.Err, CallCreate, &s)) return;
    s.Info.mem->max_memory_to_use = IEJpegMaxMemory;
    IEJpegKeepCoefficientsInBlocks(&s.Info, s.CoefArrays);
    s.Progress.progress_monitor = LimitScans;
    s.Info.progress = &s.Progress;
    if (TablesStream != nullptr && TablesStream != Stream) {
      IEJpegStreamSource(&s.Info, s.Source, TablesStream, Progress.AbortFlag);
      s.RequireImage = FALSE;
      if (!IEJpegCall(s.Err, CallReadHeader, &s)) return;
    }
    IEJpegStreamSource(&s.Info, s.Source, Stream, Progress.AbortFlag);
    if (IEAborting(Progress)) return;

    // Markers are kept for the metadata and for saving them again.
    if (!Params.JPEGSkipMarkers && !IEJpegCall(s.Err, CallSaveMarkers, &s)) return;
    s.RequireImage = TRUE;
    if (!IEJpegCall(s.Err, CallReadHeader, &s)) return;

    // Rows come out as TRGB through libjpeg-turbo's BGR output.
    Params.BitsPerSample = 8;
    J_COLOR_SPACE out = JCS_UNKNOWN;
    switch (s.Info.jpeg_color_space) {
      case JCS_GRAYSCALE:
        Params.JPEGColorSpace = TIEJPEGColorSpace::jcGray;
        Params.SamplesPerPixel = 1;
        // Gray is widened to TRGB by libjpeg unless ie8g is kept.
        out = Params.NativePixelFormat ? JCS_GRAYSCALE : JCS_EXT_BGR;
        break;
      case JCS_RGB:
        Params.JPEGColorSpace = TIEJPEGColorSpace::jcRGB;
        Params.SamplesPerPixel = 3;
        out = KeepYCbCr ? JCS_RGB : JCS_EXT_BGR;
        break;
      case JCS_YCbCr:
        Params.JPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
        Params.SamplesPerPixel = 3;
        out = KeepYCbCr ? JCS_YCbCr : JCS_EXT_BGR;
        break;
      case JCS_CMYK:
        Params.JPEGColorSpace = TIEJPEGColorSpace::jcCMYK;
        Params.SamplesPerPixel = 4;
        out = JCS_CMYK;
        break;
      case JCS_YCCK:
        Params.JPEGColorSpace = TIEJPEGColorSpace::jcYCbCrK;
        Params.SamplesPerPixel = 4;
        out = JCS_CMYK;
        break;
      default: break;
    }
    if (out == JCS_UNKNOWN) {
      // Two components, or more than four: nothing this reader can show.
      IESetAborting(Progress);
      return;
    }
    s.Info.out_color_space = out;

    // The caller's speed and precision trade-off for the inverse DCT.
    switch (Params.JPEGDCTMethod) {
      case TIEJPEGDCTMethod::jdIntSlow: s.Info.dct_method = JDCT_ISLOW; break;
      case TIEJPEGDCTMethod::jdIntFast: s.Info.dct_method = JDCT_IFAST; break;
      case TIEJPEGDCTMethod::jdFloat: s.Info.dct_method = JDCT_FLOAT; break;
    }

    // Resolution, the stored size and the scale the caller asked for.
    ApplyJFIFDensity(s.Info, Params);
    Params.Palette.clear();
    Params.JPEGProgressive = s.Info.progressive_mode != FALSE;
    Params.JPEGOriginalWidth = static_cast<int32_t>(s.Info.image_width);
    Params.JPEGOriginalHeight = static_cast<int32_t>(s.Info.image_height);
    const uint32_t denom = ScaleDenominator(Params, s.Info.image_width, s.Info.image_height);
    if (denom != 0) {
      s.Info.scale_num = 1;
      s.Info.scale_denom = denom;
    }
    Params.JPEGScaleUsed = static_cast<int32_t>(s.Info.scale_denom);

    // A parameters-only read needs the output size only; starting
    // the decompressor would read a progressive file whole.
    if (ParamsOnly) {
      if (IEJpegCall(s.Err, CallCalcOutput, &s)) {
        Params.Width = static_cast<int32_t>(s.Info.output_width);
        Params.Height = static_cast<int32_t>(s.Info.output_height);
      }
      return;
    }
    // A cut file still decodes what it holds, but data below 1/64 of one bit
    // for each 8 x 8 block is no picture of this size: a few hundred bytes
    // never make the decoder claim gigabytes.
    const int64_t blocks = (int64_t(s.Info.image_width) + 7) / 8 * ((int64_t(s.Info.image_height) + 7) / 8);
    if (IEDataCannotFill(Stream->Size() - start, blocks, 64 * 8)) {
      IESetAborting(Progress);
      return;
    }
    if (!IEJpegCall(s.Err, CallStart, &s)) return;
    const auto width = static_cast<int32_t>(s.Info.output_width);
    const auto height = static_cast<int32_t>(s.Info.output_height);
    Params.Width = width;
    Params.Height = height;

    // The bitmap is allocated before any row is decoded: a size it cannot
    // hold fails the read instead of the process.
    TIEPixelFormat format = TIEPixelFormat::ie24RGB;
    if (Params.NativePixelFormat) {
      if (out == JCS_GRAYSCALE) format = TIEPixelFormat::ie8g;
      if (out == JCS_CMYK) format = TIEPixelFormat::ieCMYK;
    }
    // The work row is needed only where a conversion follows the library.
    const bool viaICC = useICC && out == JCS_EXT_BGR && s.Info.jpeg_color_space != JCS_GRAYSCALE;
    const bool viaCMYK = out == JCS_CMYK && format == TIEPixelFormat::ie24RGB;
    std::vector<uint8_t> work;
    try {
      Bitmap->Allocate(width, height, format);
      if (viaICC || viaCMYK) work.resize(static_cast<size_t>(width) * 4);
    } catch (...) {
      IESetAborting(Progress);
      return;
    }
    pixels = true;

    // Rows go straight into the bitmap when no conversion follows,
    // several at a time when it is in memory.
    IEProgressStart(Progress, height);
    const bool direct = !viaICC && !viaCMYK;
    const int32_t batch =
        direct && Bitmap->Location() == TIELocation::ieMemory ? std::min<int32_t>(kRowBatch, height) : 1;
    int32_t delivered = 0;
    try {
      while (s.Info.output_scanline < s.Info.output_height && delivered < Bitmap->Height()) {
        const int32_t n = std::min(batch, height - delivered);
        if (direct) {
          for (int32_t i = 0; i < n; ++i) s.Rows[i] = static_cast<JSAMPROW>(Bitmap->ScanLine(delivered + i));
        } else {
          s.Rows[0] = work.data();
        }
        s.RowCount = static_cast<JDIMENSION>(n);
        s.RowsRead = 0;
        if (!IEJpegCall(s.Err, CallReadRows, &s)) break;
        const auto got = static_cast<int32_t>(s.RowsRead);
        if (got == 0) break;  // cannot happen with a source that never suspends
        if (viaICC) {
          IEColorConvertHook(work.data(), TIEColorRowFormat::crfBGR, Bitmap->ScanLine(delivered),
                             TIEColorRowFormat::crfBGR, width, &Params);
        } else if (viaCMYK) {
          if (InvertCMYK) {
            for (auto& v : work) v = static_cast<uint8_t>(255 - v);
          }
          IEColorConvertHook(work.data(), TIEColorRowFormat::crfCMYK, Bitmap->ScanLine(delivered),
                             TIEColorRowFormat::crfBGR, width, &Params);
        }
        delivered += got;
        ReportRows(Progress, delivered);
        if (IEAborting(Progress)) break;
      }
      Bitmap->FreeRowBuffers();
    } catch (...) {
      IESetAborting(Progress);
    }
    if (delivered < height) IESetAborting(Progress);
  }();

  // Markers, warnings and the profile are kept also after a failure.
  if (s.Info.mem != nullptr) {
    StoreMarkers(s.Info, Params);
    if (IEColorManagement && AllowColorManagement && Params.InputICC != nullptr && Params.InputICC->IsValid()) {
      Params.InputICC->FreeTransform();
      for (int32_t i = Params.JPEGMarkers.Count() - 1; i >= 0; --i)
        if (Params.JPEGMarkers.MarkerType(i) == JPEG_APP0 + 2) Params.JPEGMarkers.DeleteMarker(i);
    }
    if (!IEAborting(Progress) && !ParamsOnly && pixels) {
      s.Err.AbortFlag = nullptr;  // failures past the last row do not fail the read
      IEJpegCall(s.Err, CallFinish, &s);
    }
    if (s.Err.Warnings != 0) Params.JPEGWarnings = TIEJPEGWarnings{s.Err.Warnings, s.Err.LastWarning};
  }

  // Metadata last: orientation and resolution apply to the finished image.
  if (ReadMetadata) ReadMetadataFromMarkers(Bitmap, Params, pixels);
}

}  // namespace

void IEDecodeJPEG(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIECodecProgress& Progress, bool ParamsOnly, bool KeepYCbCr, bool ReadMetadata, bool InvertCMYK,
                  bool AllowColorManagement) {
  // The EXIF thumbnail instead of the image, when there is one.
  if (Params.JPEGThumbnailOnly) {
    if (Params.EXIFThumbnail) Params.EXIFThumbnail->FreeImage(true);
    Params.SetThumbnailOnly(false);
    // The read starts where the caller put the stream (a JPEG may follow a
    // header block), so that is where it goes back to.
    const int64_t start = Stream->Position();
    DecodeJPEG(Stream, TablesStream, Bitmap, Params, Progress, true, KeepYCbCr, true, InvertCMYK, AllowColorManagement);
    Stream->SetPosition(start);
    Params.SetThumbnailOnly(true);
    if (Params.EXIFThumbnail && !Params.EXIFThumbnail->IsEmpty()) {
      Bitmap->Assign(Params.EXIFThumbnail.get());
      return;
    }
  }
  DecodeJPEG(Stream, TablesStream, Bitmap, Params, Progress, ParamsOnly, KeepYCbCr, ReadMetadata, InvertCMYK,
             AllowColorManagement);
}
