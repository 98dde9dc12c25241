#include "app/convert/jpegexifsave.h"

#include <memory>

#include "app/convert/outputparams.h"
#include "app/settings/marloutils.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/io/metadata/exifreader.h"
#include "imaging/views/view/imgview.h"
#include "platform/rtl/streams.h"
#include "skin/controls/skinmessage.h"

namespace {

// What the view's record gives the fresh writer: the image's layout, the
// resolution and every JPEG encoding choice, but no metadata.
void CopyEncodingParams(const TIOParamsVals& From, TIOParamsVals& To) {
  To.BitsPerSample = From.BitsPerSample;
  To.SamplesPerPixel = From.SamplesPerPixel;
  To.FileName = From.FileName;
  To.FileType = From.FileType;
  To.Width = From.Width;
  To.Height = From.Height;
  To.SetDpi(From.DpiX);
  To.SetDpiX(From.DpiX);
  To.SetDpiY(From.DpiY);
  To.JPEGColorSpace = From.JPEGColorSpace;
  To.JPEGQuality = From.JPEGQuality;
  To.JPEGDCTMethod = From.JPEGDCTMethod;
  To.JPEGSubSampling = From.JPEGSubSampling;
  To.JPEGOptimalHuffman = From.JPEGOptimalHuffman;
  To.JPEGSmoothing = From.JPEGSmoothing;
  To.JPEGProgressive = From.JPEGProgressive;
  To.JPEGScale = From.JPEGScale;
  To.JPEGOriginalWidth = From.JPEGOriginalWidth;
  To.JPEGOriginalHeight = From.JPEGOriginalHeight;
  To.JPEGAdjustOrientation = From.JPEGAdjustOrientation;
  To.HasEXIFData = false;
}

// A file save counts only when the writer raised nothing, left no abort flag
// and the file is there.
bool SavedFile(TImgIO& IO, const String& Target) {
  IO.SaveJPEGFile(Target);
  return !IO.AbortFlag && FastFileExists(Target);
}

// The encoded image with the source's segments, its EXIF block patched.
bool SaveWithSourceSegments(TImgView* View, const String& Source, const String& Target) {
  TMemoryStream encoded;
  if (!SaveJpegWithoutExif(View, String(), &encoded)) return false;
  TimgData reader(255);
  reader.ReadFromFile(Source);
  if (reader.HasEXIFSegment() && reader.ExifInfo) {
    const TIOParamsVals& p = View->GetImageIO()->Params();
    reader.ExifInfo->PatchResolution(p.DpiX, p.DpiY);
    reader.ExifInfo->PatchImageSize(View->GetIEBitmap()->Width(), View->GetIEBitmap()->Height());
    // The image was turned upright when it was loaded.
    reader.ExifInfo->PatchTagByName("Orientation", 1);
  }
  encoded.SetPosition(0);
  return reader.SaveJPEGWithSegments(&encoded, Target);
}

}  // namespace

bool SaveJpegWithoutExif(TImgView* View, const String& Target, TStream* Stream) {
  try {
    TImgIO io(nullptr);
    io.SetIEBitmap(View->GetIEBitmap());
    CopyEncodingParams(View->GetImageIO()->Params(), io.Params());
    if (Stream != nullptr) {
      io.SaveJPEGStream(Stream);
      return !io.AbortFlag;
    }
    return SavedFile(io, Target);
  } catch (...) {
    return false;
  }
}

bool SaveJpegWithSourceExif(TImgView* View, const String& Source, const String& Target, bool KeepExif, bool ShowErrors,
                            TbsSkinMessage* Messager) {
  bool result = false;
  try {
    if (!KeepExif) {
      result = SaveJpegWithoutExif(View, Target, nullptr);
    } else {
      TImgIO* io = View->GetImageIO();
      ReassignIOParams(*io);
      result = io->Params().HasEXIFData ? SaveWithSourceSegments(View, Source, Target) : SavedFile(*io, Target);
    }
  } catch (...) {
    result = false;
  }
  if (!result && ShowErrors && Messager != nullptr)
    Messager->MessageDlg("The picture could not be saved with its metadata:\r\r" + Target, TMsgDlgType::mtError,
                         TMsgDlgButtons{TMsgDlgBtn::mbOK}, 0);
  return result;
}
