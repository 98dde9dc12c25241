#include "imaging/io/codecs/exif/ieexifblock.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iegeometry.h"
#include "platform/rtl/streams.h"

namespace {

// "Exif", a zero byte and one more (normally zero) before the TIFF header.
constexpr int32_t ExifHeaderSize = 6;

bool HasTIFFHeader(const uint8_t* Data, int64_t Size) {
  if (Size < 8) return false;
  return (Data[0] == 'I' && Data[1] == 'I') || (Data[0] == 'M' && Data[1] == 'M');
}

// One TIFF read of the payload from its start; answers whether it aborted.
bool ReadTIFF(const uint8_t* Data, int64_t Size, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly) {
  TCustomMemoryStream stream;
  stream.SetPointer(Data, Size);
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  int32_t pages = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeTIFF(Bitmap, &stream, pages, &Params, progress, ParamsOnly, mask, false, true, true);
  return abort.load();
}

}  // namespace

void IECopyEXIF(const TIOParamsVals& Source, TIOParamsVals& Dest) {
  const TIOParamsVals& s = Source;
  TIOParamsVals& d = Dest;
  d.EXIFImageDescription = s.TIFFImageDescription;
  d.EXIFMake = s.EXIFMake;
  d.EXIFModel = s.EXIFModel;
  d.SetEXIFOrientation(s.EXIFOrientation);
  d.SetEXIFXResolution(s.EXIFXResolution);
  d.SetEXIFYResolution(s.EXIFYResolution);
  d.EXIFResolutionUnit = s.EXIFResolutionUnit;
  d.EXIFSoftware = s.EXIFSoftware;
  d.EXIFArtist = s.EXIFArtist;
  d.EXIFDateTime = s.EXIFDateTime;
  for (int32_t i = 0; i < 2; ++i) d.SetEXIFWhitePoint(i, s.GetEXIFWhitePoint(i));
  for (int32_t i = 0; i < 6; ++i) d.SetEXIFPrimaryChromaticities(i, s.GetEXIFPrimaryChromaticities(i));
  for (int32_t i = 0; i < 3; ++i) d.SetEXIFYCbCrCoefficients(i, s.GetEXIFYCbCrCoefficients(i));
  d.EXIFYCbCrPositioning = s.EXIFYCbCrPositioning;
  for (int32_t i = 0; i < 6; ++i) d.SetEXIFReferenceBlackWhite(i, s.GetEXIFReferenceBlackWhite(i));
  d.EXIFCopyright = s.EXIFCopyright;
  d.EXIFExposureTime = s.EXIFExposureTime;
  d.EXIFFNumber = s.EXIFFNumber;
  d.EXIFExposureProgram = s.EXIFExposureProgram;
  for (int32_t i = 0; i < 2; ++i) d.SetEXIFISOSpeedRatings(i, s.GetEXIFISOSpeedRatings(i));
  d.EXIFVersion = s.EXIFVersion;
  d.EXIFDateTimeOriginal = s.EXIFDateTimeOriginal;
  d.EXIFDateTimeDigitized = s.EXIFDateTimeDigitized;
  d.EXIFCompressedBitsPerPixel = s.EXIFCompressedBitsPerPixel;
  d.EXIFShutterSpeedValue = s.EXIFShutterSpeedValue;
  d.EXIFApertureValue = s.EXIFApertureValue;
  d.EXIFBrightnessValue = s.EXIFBrightnessValue;
  d.EXIFExposureBiasValue = s.EXIFExposureBiasValue;
  d.EXIFMaxApertureValue = s.EXIFMaxApertureValue;
  d.EXIFSubjectDistance = s.EXIFSubjectDistance;
  d.EXIFMeteringMode = s.EXIFMeteringMode;
  d.EXIFLightSource = s.EXIFLightSource;
  d.EXIFFlash = s.EXIFFlash;
  d.EXIFFocalLength = s.EXIFFocalLength;
  d.EXIFSubsecTime = s.EXIFSubsecTime;
  d.EXIFSubsecTimeOriginal = s.EXIFSubsecTimeOriginal;
  d.EXIFSubsecTimeDigitized = s.EXIFSubsecTimeDigitized;
  d.EXIFFlashPixVersion = s.EXIFFlashPixVersion;
  d.EXIFColorSpace = s.EXIFColorSpace;
  d.EXIFImageWidth = s.EXIFImageWidth;
  d.EXIFImageHeight = s.EXIFImageHeight;
  d.EXIFRelatedSoundFile = s.EXIFRelatedSoundFile;
  d.EXIFFocalPlaneXResolution = s.EXIFFocalPlaneXResolution;
  d.EXIFFocalPlaneYResolution = s.EXIFFocalPlaneYResolution;
  d.EXIFFocalPlaneResolutionUnit = s.EXIFFocalPlaneResolutionUnit;
  d.EXIFExposureIndex = s.EXIFExposureIndex;
  d.EXIFSensingMethod = s.EXIFSensingMethod;
  d.EXIFFileSource = s.EXIFFileSource;
  d.EXIFSceneType = s.EXIFSceneType;
  d.EXIFUserComment = s.EXIFUserComment;
  d.EXIFUserCommentCode = s.EXIFUserCommentCode;
  d.EXIFXPTitle = s.EXIFXPTitle;
  d.EXIFXPComment = s.EXIFXPComment;
  d.EXIFXPAuthor = s.EXIFXPAuthor;
  d.EXIFXPKeywords = s.EXIFXPKeywords;
  d.EXIFXPSubject = s.EXIFXPSubject;
  if (&s != &d) {
    // The tag block holds its bytes; Dest's directory is read again from them.
    TMemoryStream* to = d.EXIFMakerNote.Data();
    TMemoryStream* from = const_cast<TIOParamsVals&>(s).EXIFMakerNote.Data();
    to->Clear();
    if (from->Size() > 0) {
      to->SetSize(from->Size());
      std::memcpy(to->Memory(), from->Memory(), static_cast<size_t>(from->Size()));
    }
    d.EXIFMakerNote.Update();
  }
}

bool IELoadEXIFFromBlock(const void* Block, int32_t Size, TIOParamsVals& Params) {
  try {
    const auto* bytes = static_cast<const uint8_t*>(Block);
    if (bytes == nullptr || Size < ExifHeaderSize || std::memcmp(bytes, "Exif\0", 5) != 0) return false;
    const uint8_t* tiff = bytes + ExifHeaderSize;
    const int64_t tiffSize = Size - ExifHeaderSize;
    // A payload that holds no TIFF structure would otherwise load as empty
    // EXIF data reported as found.
    if (!HasTIFFHeader(tiff, tiffSize)) return false;

    TIOParamsVals temp(Params.Owner);
    if (!Params.EXIFThumbnail) Params.EXIFThumbnail = std::make_unique<TIEBitmap>();
    Params.EXIFThumbnail->FreeImage(true);

    // Tags first. Their IFD need not describe an image, so a missing size is
    // no failure here.
    ReadTIFF(tiff, tiffSize, nullptr, temp, true);
    IECopyEXIF(temp, Params);
    // The reader hands the resolution over already converted to dots per
    // inch, so the unit that goes with the copied values is inches.
    if (Params.EXIFResolutionUnit == 3) Params.EXIFResolutionUnit = 2;
    Params.HasEXIFData = true;

    // Then the thumbnail: the picture of IFD 1.
    temp.TIFFImageIndex = 1;
    TIEBitmap* thumb = Params.EXIFThumbnail.get();
    if (ReadTIFF(tiff, tiffSize, thumb, temp, false)) {
      thumb->FreeImage(true);  // a damaged thumbnail is none
    } else if (!thumb->IsEmpty()) {
      IEApplyOrientation(thumb, Params.TIFFOrientation);
    }
    return true;
  } catch (...) {
    return false;
  }
}
