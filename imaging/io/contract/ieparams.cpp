#include "imaging/io/contract/ieparams.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/model/containers/ieannot.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/dates.h"

// The LZW hooks every parameter record copies; the I/O start-up fills them.
TIEGIFLZWDecoderFunc IEGIFLZWDecoderHook = nullptr;
TIEGIFLZWEncoderFunc IEGIFLZWEncoderHook = nullptr;
TIETIFFLZWDecoderFunc IETIFFLZWDecoderHook = nullptr;
TIETIFFLZWEncoderFunc IETIFFLZWEncoderHook = nullptr;

String IETIFFCompressionWord(TIETIFFCompression Value) {
  static const char* const kWords[] = {" Uncompressed", " Huffman",  " Group 3 Fax", " Group 3 Fax 2D", " Group 4 Fax",
                                       " LZW",          " Jpeg v.5", " Jpeg",        " PackBits RLE"};
  const auto i = static_cast<uint8_t>(Value);
  return i < std::size(kWords) ? String(kWords[i]) : String();
}

String IEJPEGColorSpaceWord(TIEJPEGColorSpace Value) {
  static const char* const kWords[] = {"", " Gray level", " YCbCr", " CMYK", " YCbCrK"};
  const auto i = static_cast<uint8_t>(Value);
  return i < std::size(kWords) ? String(kWords[i]) : String();
}

namespace {

// Trunc for resolutions taken from files: NaN gives 0 and values beyond the
// 32-bit range are held at its ends, where the rtl Trunc would raise.
int32_t TruncResolution(double Value) {
  if (std::isnan(Value)) return 0;
  if (Value >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (Value <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(Trunc(Value));
}

template <typename T, size_t N>
T GetChecked(const std::array<T, N>& A, int32_t Index) {
  return Index >= 0 && static_cast<size_t>(Index) < N ? A[static_cast<size_t>(Index)] : T{};
}

template <typename T, size_t N>
void SetChecked(std::array<T, N>& A, int32_t Index, T Value) {
  if (Index >= 0 && static_cast<size_t>(Index) < N) A[static_cast<size_t>(Index)] = Value;
}

void CopyTagsHandler(TIETagsHandler& Dest, const TIETagsHandler& Source) {
  TMemoryStream* d = Dest.Data();
  TMemoryStream* s = const_cast<TIETagsHandler&>(Source).Data();
  d->Clear();
  if (s->Size() > 0) {
    d->SetSize(s->Size());
    std::memcpy(d->Memory(), s->Memory(), static_cast<size_t>(s->Size()));
  }
  Dest.Update();
}

// Dest becomes a copy of Source, or nil when Source is nil. The library's
// built-in sRGB profile has no bytes to copy, so it is made again.
void CopyProfile(std::unique_ptr<TIEICC>& Dest, const TIEICC* Source) {
  if (Source == nullptr) {
    Dest.reset();
    return;
  }
  if (!Dest) Dest = std::make_unique<TIEICC>();
  if (Source->IsValid() && Source->RawSize() == 0) {
    Dest->AssignStandardRGB();
  } else {
    Dest->Assign(Source);
  }
}

}  // namespace

TIOParamsVals::TIOParamsVals(TIEIOParamsOwner* AOwner) : Owner(AOwner) { SetDefaults(); }

TIOParamsVals::~TIOParamsVals() = default;

TIEView* TIOParamsVals::AttachedView() const { return Owner != nullptr ? Owner->GetAttachedView() : nullptr; }

// ---- Resolution and the coupled setters -------------------------------------------

void TIOParamsVals::SetDpiX(int32_t Value) {
  DpiX = Value;
  EXIFXResolution = Value;
  if (TIEView* view = AttachedView()) view->SetDpiX(Value);
}

void TIOParamsVals::SetDpiY(int32_t Value) {
  DpiY = Value;
  EXIFYResolution = Value;
  if (TIEView* view = AttachedView()) view->SetDpiY(Value);
}

void TIOParamsVals::SetDpi(int32_t Value) {
  SetDpiX(Value);
  SetDpiY(Value);
}

void TIOParamsVals::SetEXIFXResolution(double Value) { SetDpiX(TruncResolution(Value)); }
void TIOParamsVals::SetEXIFYResolution(double Value) { SetDpiY(TruncResolution(Value)); }

void TIOParamsVals::SetImageIndex(int32_t Value) {
  ImageIndex = Value;
  TIFFImageIndex = Value;
  DCXImageIndex = Value;
  GIFImageIndex = Value;
  ICOImageIndex = Value;
  CURImageIndex = Value;
}

void TIOParamsVals::SetImageCount(int32_t Value) {
  ImageCount = Value;
  TIFFImageCount = Value;
  AVIFrameCount = Value;
  GIFImageCount = Value;
  MediaFrameCount = Value;
}

void TIOParamsVals::SetThumbnailOnly(bool Value) {
  ThumbnailOnly = Value;
  JPEGThumbnailOnly = Value;
  RAWOptions.RAWThumbnailOnly = Value;
}

void TIOParamsVals::SetTIFFOrientation(int32_t Value) {
  TIFFOrientation = Value;
  EXIFOrientation = Value;
}

void TIOParamsVals::SetEXIFOrientation(int32_t Value) {
  EXIFOrientation = Value;
  TIFFOrientation = Value;
}

// ---- EXIF arrays ------------------------------------------------------------------------

int32_t TIOParamsVals::GetEXIFISOSpeedRatings(int32_t Index) const { return GetChecked(EXIFISOSpeedRatings, Index); }
void TIOParamsVals::SetEXIFISOSpeedRatings(int32_t Index, int32_t Value) {
  SetChecked(EXIFISOSpeedRatings, Index, Value);
}
double TIOParamsVals::GetEXIFReferenceBlackWhite(int32_t Index) const {
  return GetChecked(EXIFReferenceBlackWhite, Index);
}
void TIOParamsVals::SetEXIFReferenceBlackWhite(int32_t Index, double Value) {
  SetChecked(EXIFReferenceBlackWhite, Index, Value);
}
double TIOParamsVals::GetEXIFWhitePoint(int32_t Index) const { return GetChecked(EXIFWhitePoint, Index); }
void TIOParamsVals::SetEXIFWhitePoint(int32_t Index, double Value) { SetChecked(EXIFWhitePoint, Index, Value); }
double TIOParamsVals::GetEXIFPrimaryChromaticities(int32_t Index) const {
  return GetChecked(EXIFPrimaryChromaticities, Index);
}
void TIOParamsVals::SetEXIFPrimaryChromaticities(int32_t Index, double Value) {
  SetChecked(EXIFPrimaryChromaticities, Index, Value);
}
double TIOParamsVals::GetEXIFYCbCrCoefficients(int32_t Index) const { return GetChecked(EXIFYCbCrCoefficients, Index); }
void TIOParamsVals::SetEXIFYCbCrCoefficients(int32_t Index, double Value) {
  SetChecked(EXIFYCbCrCoefficients, Index, Value);
}

// ---- Optional objects ------------------------------------------------------------------

TIEICC* TIOParamsVals::GetInputICC() {
  if (!InputICC) InputICC = std::make_unique<TIEICC>();
  return InputICC.get();
}

TIEICC* TIOParamsVals::GetOutputICC() {
  if (!OutputICC) {
    OutputICC = std::make_unique<TIEICC>();
    OutputICC->AssignStandardRGB();
  }
  return OutputICC.get();
}

TIEImagingAnnot* TIOParamsVals::GetImagingAnnot() {
  if (!ImagingAnnot) ImagingAnnot = std::make_unique<TIEImagingAnnot>();
  return ImagingAnnot.get();
}

// ---- Defaults and clearing ----------------------------------------------------------------

void TIOParamsVals::SetDefaults() {
  // Common fields that do not depend on the owner.
  Palette.clear();
  FileName.clear();
  FileType = 0;
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  NativePixelFormat = false;
  JPEGSkipMarkers = false;

  // Size and resolution come from the owner; a standalone record keeps its own.
  if (Owner != nullptr) {
    if (TBitmap* bitmap = Owner->GetPlatformBitmap()) {
      Width = bitmap->Width();
      Height = bitmap->Height();
    }
    SetDpiX(IEDefaultDpiX);
    SetDpiY(IEDefaultDpiY);
  }

  // Every group field.
  SetImageIndex(0);
  ImageCount = 0;
  SetThumbnailOnly(false);

  TIFFCompression = TIETIFFCompression::tcNone;
  TIFFPhotometric = TIETIFFPhotometric::tpRGB;
  TIFFPlanarConfig = 1;
  TIFFXPos = 0;
  TIFFYPos = 0;
  TIFFDocumentName.clear();
  TIFFImageDescription.clear();
  TIFFPageName.clear();
  TIFFPageNumber = 0;
  TIFFPageCount = 0;
  SetTIFFOrientation(1);
  TIFFLZWDecoder = IETIFFLZWDecoderHook;
  TIFFLZWEncoder = IETIFFLZWEncoderHook;
  TIFFAdjustOrientation = false;
  TIFFJPEGQuality = 80;
  TIFFJPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
  TIFFImageCount = 0;
  TIFFFillOrder = 1;

  GIFVersion = "GIF89a";
  GIFXPos = 0;
  GIFYPos = 0;
  GIFDelayTime = 0;
  GIFTransparent = false;
  GIFTransparentColor = TRGB{};
  GIFInterlaced = false;
  GIFScreenWidth = 0;
  GIFScreenHeight = 0;
  GIFBackground = TRGB{};
  GIFAspectRatio = 0;
  GIFDisposal = 0;
  GIFLZWDecoder = IEGIFLZWDecoderHook;
  GIFLZWEncoder = IEGIFLZWEncoderHook;
  GIFImageCount = 0;

  JPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
  JPEGQuality = 80;
  JPEGDCTMethod = TIEJPEGDCTMethod::jdIntSlow;
  JPEGSubSampling = 2;
  JPEGOptimalHuffman = true;
  JPEGSmoothing = 0;
  JPEGProgressive = false;
  JPEGScale = TIEJPEGScale::jsFull;
  JPEGScaleUsed = 1;
  JPEGOriginalWidth = 0;
  JPEGOriginalHeight = 0;
  JPEGAdjustOrientation = false;

  J2000ColorSpace = 1;
  J2000Rate = 1.0;
  J2000Progression = 0;
  PCXVersion = 5;
  PCXCompression = true;
  BMPVersion = 1;
  BMPCompression = 0;
  ICOBackground = MakeTRGB(255, 255, 255);
  CURXHotSpot = 0;
  CURYHotSpot = 0;
  CURBackground = MakeTRGB(255, 255, 255);

  PNGInterlaced = false;
  PNGBackground = TRGB{};
  PNGFilter = TIEPNGFilter::pfNone;
  PNGCompression = 9;
  TGAXPos = 0;
  TGAYPos = 0;
  TGACompressed = true;
  TGAIdentifier.clear();
  TGAAuthor.clear();
  TGADate = Date();
  TGAJobName.clear();
  TGAKeyColor = TRGB{};
  TGAAspectRatio = 1.0;
  TGAGamma = 2.2;
  TGAGrayLevel = false;

  AVIFrameCount = 0;
  AVIFrameDelay = 0;

  ICOSizes.fill(TIEICOSize{});
  ICOSizes[0] = TIEICOSize{64, 64};
  ICOBitCounts.fill(0);
  ICOBitCounts[0] = 8;

  // Lists.
  JPEGMarkers.Clear();
  GIFComments.Clear();
  PNGTextKeys.Clear();
  PNGTextValues.Clear();
  IPTCInfo.Clear();
  PXMComments.Clear();

  // After the resolution setters, so the EXIF mirrors end at 0.
  ClearEXIF();

  // PostScript, PDF, the optional objects, RAW and XMP.
  PSPaperWidth = 595;
  PSPaperHeight = 842;
  PSCompression = 1;
  PSTitle = "No Title";
  PDFPaperWidth = 595;
  PDFPaperHeight = 842;
  PDFCompression = 2;
  PDFTitle.clear();
  PDFAuthor.clear();
  PDFSubject.clear();
  PDFKeywords.clear();
  PDFCreator.clear();
  PDFProducer.clear();
  ImagingAnnot.reset();
  InputICC.reset();
  OutputICC.reset();
  RAWOptions = TIERAWOptions{};
  XMPPacket.clear();
}

void TIOParamsVals::ClearEXIF() {
  HasEXIFData = false;
  EXIFThumbnail.reset();
  EXIFImageDescription.clear();
  EXIFMake.clear();
  EXIFModel.clear();
  EXIFOrientation = 0;
  EXIFXResolution = 0;
  EXIFYResolution = 0;
  EXIFResolutionUnit = 0;
  EXIFSoftware.clear();
  EXIFArtist.clear();
  EXIFDateTime.clear();
  EXIFWhitePoint.fill(0);
  EXIFPrimaryChromaticities.fill(0);
  EXIFYCbCrCoefficients.fill(0);
  EXIFYCbCrPositioning = 0;
  EXIFReferenceBlackWhite.fill(0);
  EXIFCopyright.clear();
  EXIFExposureTime = 0;
  EXIFFNumber = 0;
  EXIFExposureProgram = 0;
  EXIFISOSpeedRatings.fill(0);
  EXIFVersion.clear();
  EXIFDateTimeOriginal.clear();
  EXIFDateTimeDigitized.clear();
  EXIFCompressedBitsPerPixel = 0;
  EXIFShutterSpeedValue = 0;
  EXIFApertureValue = 0;
  EXIFBrightnessValue = 0;
  EXIFExposureBiasValue = 0;
  EXIFMaxApertureValue = 0;
  EXIFSubjectDistance = 0;
  EXIFMeteringMode = 0;
  EXIFLightSource = 0;
  EXIFFlash = 0;
  EXIFFocalLength = 0;
  EXIFSubsecTime.clear();
  EXIFSubsecTimeOriginal.clear();
  EXIFSubsecTimeDigitized.clear();
  EXIFFlashPixVersion.clear();
  EXIFColorSpace = 0;
  EXIFImageWidth = 0;
  EXIFImageHeight = 0;
  EXIFRelatedSoundFile.clear();
  EXIFFocalPlaneXResolution = 0;
  EXIFFocalPlaneYResolution = 0;
  EXIFFocalPlaneResolutionUnit = 0;
  EXIFExposureIndex = 0;
  EXIFSensingMethod = 0;
  EXIFFileSource = 0;
  EXIFSceneType = 0;
  EXIFUserComment.clear();
  EXIFUserCommentCode.clear();
  EXIFMakerNote.Data()->Clear();
  EXIFMakerNote.Update();
  EXIFXPTitle.clear();
  EXIFXPComment.clear();
  EXIFXPAuthor.clear();
  EXIFXPKeywords.clear();
  EXIFXPSubject.clear();
}

void TIOParamsVals::ResetMetadata() {
  IPTCInfo.Clear();
  ImagingAnnot.reset();
  JPEGMarkers.Clear();
  ClearEXIF();
  GIFComments.Clear();
  PNGTextKeys.Clear();
  PNGTextValues.Clear();
  TIFFDocumentName.clear();
  TIFFImageDescription.clear();
  TIFFPageName.clear();
  TGAIdentifier.clear();
  TGAAuthor.clear();
  TGAJobName.clear();
  XMPPacket.clear();
  PXMComments.Clear();
  InputICC.reset();
}

// ---- Copies ----------------------------------------------------------------------------------

void TIOParamsVals::Assign(const TIOParamsVals* Source) {
  if (Source == nullptr || Source == this) return;
  const TIOParamsVals& s = *Source;
  auto& src = const_cast<TIOParamsVals&>(s);  // the model's Assign operations take non-const sources

  // Common group; the resolution through its setters (view notification), the
  // EXIF mirrors are copied further down as plain values.
  BitsPerSample = s.BitsPerSample;
  FileName = s.FileName;
  SamplesPerPixel = s.SamplesPerPixel;
  Width = s.Width;
  Height = s.Height;
  SetDpiX(s.DpiX);
  SetDpiY(s.DpiY);
  FileType = s.FileType;
  ImageIndex = s.ImageIndex;
  ImageCount = s.ImageCount;
  ThumbnailOnly = s.ThumbnailOnly;

  // TIFF group.
  TIFFCompression = s.TIFFCompression;
  TIFFPhotometric = s.TIFFPhotometric;
  TIFFPlanarConfig = s.TIFFPlanarConfig;
  TIFFXPos = s.TIFFXPos;
  TIFFYPos = s.TIFFYPos;
  TIFFDocumentName = s.TIFFDocumentName;
  TIFFImageDescription = s.TIFFImageDescription;
  TIFFPageName = s.TIFFPageName;
  TIFFPageNumber = s.TIFFPageNumber;
  TIFFPageCount = s.TIFFPageCount;
  TIFFLZWDecoder = s.TIFFLZWDecoder;
  TIFFLZWEncoder = s.TIFFLZWEncoder;
  TIFFAdjustOrientation = s.TIFFAdjustOrientation;
  TIFFJPEGQuality = s.TIFFJPEGQuality;
  TIFFJPEGColorSpace = s.TIFFJPEGColorSpace;
  TIFFImageCount = s.TIFFImageCount;
  TIFFFillOrder = s.TIFFFillOrder;

  // GIF group.
  GIFVersion = s.GIFVersion;
  GIFXPos = s.GIFXPos;
  GIFYPos = s.GIFYPos;
  GIFDelayTime = s.GIFDelayTime;
  GIFTransparent = s.GIFTransparent;
  GIFTransparentColor = s.GIFTransparentColor;
  GIFInterlaced = s.GIFInterlaced;
  GIFScreenWidth = s.GIFScreenWidth;
  GIFScreenHeight = s.GIFScreenHeight;
  GIFBackground = s.GIFBackground;
  GIFAspectRatio = s.GIFAspectRatio;
  GIFComments.Assign(&src.GIFComments);
  GIFDisposal = s.GIFDisposal;
  GIFLZWDecoder = s.GIFLZWDecoder;
  GIFLZWEncoder = s.GIFLZWEncoder;
  GIFImageCount = s.GIFImageCount;

  // JPEG group.
  JPEGColorSpace = s.JPEGColorSpace;
  JPEGQuality = s.JPEGQuality;
  JPEGDCTMethod = s.JPEGDCTMethod;
  JPEGSubSampling = s.JPEGSubSampling;
  JPEGOptimalHuffman = s.JPEGOptimalHuffman;
  JPEGSmoothing = s.JPEGSmoothing;
  JPEGProgressive = s.JPEGProgressive;
  JPEGScale = s.JPEGScale;
  JPEGMarkers.Assign(&s.JPEGMarkers);
  JPEGScaleUsed = s.JPEGScaleUsed;
  JPEGOriginalWidth = s.JPEGOriginalWidth;
  JPEGOriginalHeight = s.JPEGOriginalHeight;
  JPEGAdjustOrientation = s.JPEGAdjustOrientation;
  JPEGThumbnailOnly = s.JPEGThumbnailOnly;

  // JPEG 2000, PCX, BMP, ICO, CUR.
  J2000ColorSpace = s.J2000ColorSpace;
  J2000Rate = s.J2000Rate;
  J2000Progression = s.J2000Progression;
  PCXVersion = s.PCXVersion;
  PCXCompression = s.PCXCompression;
  BMPVersion = s.BMPVersion;
  BMPCompression = s.BMPCompression;
  ICOBackground = s.ICOBackground;
  CURXHotSpot = s.CURXHotSpot;
  CURYHotSpot = s.CURYHotSpot;
  CURBackground = s.CURBackground;

  // PNG and TGA.
  PNGInterlaced = s.PNGInterlaced;
  PNGBackground = s.PNGBackground;
  PNGFilter = s.PNGFilter;
  PNGCompression = s.PNGCompression;
  PNGTextKeys.Assign(&src.PNGTextKeys);
  PNGTextValues.Assign(&src.PNGTextValues);
  TGAXPos = s.TGAXPos;
  TGAYPos = s.TGAYPos;
  TGACompressed = s.TGACompressed;
  TGAIdentifier = s.TGAIdentifier;
  TGAAuthor = s.TGAAuthor;
  TGADate = s.TGADate;
  TGAJobName = s.TGAJobName;
  TGAKeyColor = s.TGAKeyColor;
  TGAAspectRatio = s.TGAAspectRatio;
  TGAGamma = s.TGAGamma;
  TGAGrayLevel = s.TGAGrayLevel;

  // Metadata.
  IPTCInfo.Assign(&s.IPTCInfo);
  if (s.ImagingAnnot) {
    GetImagingAnnot()->Assign(s.ImagingAnnot.get());
  } else {
    ImagingAnnot.reset();
  }
  PXMComments.Assign(&src.PXMComments);

  // EXIF. A target keeps its own thumbnail when the source has none.
  HasEXIFData = s.HasEXIFData;
  if (s.EXIFThumbnail) {
    if (!EXIFThumbnail) EXIFThumbnail = std::make_unique<TIEBitmap>();
    EXIFThumbnail->Assign(s.EXIFThumbnail.get());
  }
  EXIFImageDescription = s.EXIFImageDescription;
  EXIFMake = s.EXIFMake;
  EXIFModel = s.EXIFModel;
  EXIFXResolution = s.EXIFXResolution;
  EXIFYResolution = s.EXIFYResolution;
  EXIFResolutionUnit = s.EXIFResolutionUnit;
  EXIFSoftware = s.EXIFSoftware;
  EXIFArtist = s.EXIFArtist;
  EXIFDateTime = s.EXIFDateTime;
  EXIFWhitePoint = s.EXIFWhitePoint;
  EXIFPrimaryChromaticities = s.EXIFPrimaryChromaticities;
  EXIFYCbCrCoefficients = s.EXIFYCbCrCoefficients;
  EXIFYCbCrPositioning = s.EXIFYCbCrPositioning;
  EXIFReferenceBlackWhite = s.EXIFReferenceBlackWhite;
  EXIFCopyright = s.EXIFCopyright;
  EXIFExposureTime = s.EXIFExposureTime;
  EXIFFNumber = s.EXIFFNumber;
  EXIFExposureProgram = s.EXIFExposureProgram;
  EXIFISOSpeedRatings = s.EXIFISOSpeedRatings;
  EXIFVersion = s.EXIFVersion;
  EXIFDateTimeOriginal = s.EXIFDateTimeOriginal;
  EXIFDateTimeDigitized = s.EXIFDateTimeDigitized;
  EXIFCompressedBitsPerPixel = s.EXIFCompressedBitsPerPixel;
  EXIFShutterSpeedValue = s.EXIFShutterSpeedValue;
  EXIFApertureValue = s.EXIFApertureValue;
  EXIFBrightnessValue = s.EXIFBrightnessValue;
  EXIFExposureBiasValue = s.EXIFExposureBiasValue;
  EXIFMaxApertureValue = s.EXIFMaxApertureValue;
  EXIFSubjectDistance = s.EXIFSubjectDistance;
  EXIFMeteringMode = s.EXIFMeteringMode;
  EXIFLightSource = s.EXIFLightSource;
  EXIFFlash = s.EXIFFlash;
  EXIFFocalLength = s.EXIFFocalLength;
  EXIFSubsecTime = s.EXIFSubsecTime;
  EXIFSubsecTimeOriginal = s.EXIFSubsecTimeOriginal;
  EXIFSubsecTimeDigitized = s.EXIFSubsecTimeDigitized;
  EXIFFlashPixVersion = s.EXIFFlashPixVersion;
  EXIFColorSpace = s.EXIFColorSpace;
  EXIFImageWidth = s.EXIFImageWidth;
  EXIFImageHeight = s.EXIFImageHeight;
  EXIFRelatedSoundFile = s.EXIFRelatedSoundFile;
  EXIFFocalPlaneXResolution = s.EXIFFocalPlaneXResolution;
  EXIFFocalPlaneYResolution = s.EXIFFocalPlaneYResolution;
  EXIFFocalPlaneResolutionUnit = s.EXIFFocalPlaneResolutionUnit;
  EXIFExposureIndex = s.EXIFExposureIndex;
  EXIFSensingMethod = s.EXIFSensingMethod;
  EXIFFileSource = s.EXIFFileSource;
  EXIFSceneType = s.EXIFSceneType;
  EXIFUserComment = s.EXIFUserComment;
  EXIFUserCommentCode = s.EXIFUserCommentCode;
  CopyTagsHandler(EXIFMakerNote, s.EXIFMakerNote);
  EXIFXPTitle = s.EXIFXPTitle;
  EXIFXPComment = s.EXIFXPComment;
  EXIFXPAuthor = s.EXIFXPAuthor;
  EXIFXPKeywords = s.EXIFXPKeywords;
  EXIFXPSubject = s.EXIFXPSubject;

  // Video, PostScript, PDF, RAW.
  AVIFrameCount = s.AVIFrameCount;
  AVIFrameDelay = s.AVIFrameDelay;
  PSPaperWidth = s.PSPaperWidth;
  PSPaperHeight = s.PSPaperHeight;
  PSCompression = s.PSCompression;
  PSTitle = s.PSTitle;
  PDFPaperWidth = s.PDFPaperWidth;
  PDFPaperHeight = s.PDFPaperHeight;
  PDFCompression = s.PDFCompression;
  PDFTitle = s.PDFTitle;
  PDFAuthor = s.PDFAuthor;
  PDFSubject = s.PDFSubject;
  PDFKeywords = s.PDFKeywords;
  PDFCreator = s.PDFCreator;
  PDFProducer = s.PDFProducer;
  RAWOptions = s.RAWOptions;
  XMPPacket = s.XMPPacket;

  // Palette (deep), icon layout, profiles.
  Palette = s.Palette;
  ICOSizes = s.ICOSizes;
  ICOBitCounts = s.ICOBitCounts;
  CopyProfile(InputICC, s.InputICC.get());
  CopyProfile(OutputICC, s.OutputICC.get());

  // The six indexes, once per source index: all end equal to CURImageIndex.
  // The orientation pair follows the source's TIFFOrientation.
  SetImageIndex(s.TIFFImageIndex);
  SetImageIndex(s.GIFImageIndex);
  SetImageIndex(s.DCXImageIndex);
  SetImageIndex(s.ICOImageIndex);
  SetImageIndex(s.CURImageIndex);
  SetTIFFOrientation(s.TIFFOrientation);
}

void TIOParamsVals::AssignCompression(const TIOParamsVals* Source) {
  if (Source == nullptr || Source == this) return;
  const TIOParamsVals& s = *Source;
  BitsPerSample = s.BitsPerSample;
  SamplesPerPixel = s.SamplesPerPixel;
  TIFFCompression = s.TIFFCompression;
  TIFFPhotometric = s.TIFFPhotometric;
  TIFFPlanarConfig = s.TIFFPlanarConfig;
  SetTIFFOrientation(s.TIFFOrientation);
  TIFFLZWDecoder = s.TIFFLZWDecoder;
  TIFFLZWEncoder = s.TIFFLZWEncoder;
  TIFFAdjustOrientation = s.TIFFAdjustOrientation;
  TIFFJPEGQuality = s.TIFFJPEGQuality;
  TIFFJPEGColorSpace = s.TIFFJPEGColorSpace;
  TIFFFillOrder = s.TIFFFillOrder;
  GIFInterlaced = s.GIFInterlaced;
  GIFLZWDecoder = s.GIFLZWDecoder;
  GIFLZWEncoder = s.GIFLZWEncoder;
  JPEGColorSpace = s.JPEGColorSpace;
  JPEGQuality = s.JPEGQuality;
  JPEGDCTMethod = s.JPEGDCTMethod;
  JPEGSubSampling = s.JPEGSubSampling;
  JPEGOptimalHuffman = s.JPEGOptimalHuffman;
  JPEGSmoothing = s.JPEGSmoothing;
  JPEGProgressive = s.JPEGProgressive;
  J2000ColorSpace = s.J2000ColorSpace;
  J2000Rate = s.J2000Rate;
  J2000Progression = s.J2000Progression;
  PCXVersion = s.PCXVersion;
  PCXCompression = s.PCXCompression;
  BMPVersion = s.BMPVersion;
  BMPCompression = s.BMPCompression;
  PNGInterlaced = s.PNGInterlaced;
  PNGFilter = s.PNGFilter;
  PNGCompression = s.PNGCompression;
  TGACompressed = s.TGACompressed;
  TGAGrayLevel = s.TGAGrayLevel;
}
