// The per-image parameter record every reader and writer receives: what a
// reader found in a file (size, depth, resolution, format options, metadata)
// and what a writer is to produce. Fields are grouped by format; a codec
// touches its own group, the common group, the metadata and the palette.
// A few related fields are kept equal by setters (resolution and its EXIF
// mirror, the orientation pair, the image indexes and counts, the thumbnail
// switches); write those through the setters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/contract/ieformatcode.h"
#include "imaging/io/contract/ielzwhooks.h"
#include "imaging/model/containers/ieiptcinfo.h"
#include "imaging/model/containers/iemarkers.h"
#include "imaging/model/containers/ietagshandler.h"
#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/object.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/types.h"

class TBitmap;
class TIEBitmap;
class TIEICC;
class TIEImagingAnnot;
class TIEView;

// What the record needs of the component that owns it (the image I/O
// component): the size of its platform bitmap for the defaults, and the view
// that is told about resolution changes.
class TIEIOParamsOwner {
 public:
  virtual ~TIEIOParamsOwner() = default;
  // Nil when the owner has no platform bitmap.
  virtual TBitmap* GetPlatformBitmap() = 0;
  // Nil when no view is attached.
  virtual TIEView* GetAttachedView() = 0;
};

// ---- Enumerations of the record (byte-sized, documented values) --------------
enum class TIETIFFCompression : uint8_t {
  tcNone = 0,
  tcHuffman = 1,
  tcG3Fax1D = 2,
  tcG3Fax2D = 3,
  tcG4Fax = 4,
  tcLZW = 5,
  tcOldJPEG = 6,
  tcJPEG = 7,
  tcPackBits = 8,
  // The TIFF reader stores 9 for compressions it does not know; there is no
  // name and no display word for it.
};

enum class TIETIFFPhotometric : uint8_t {
  tpWhiteIsZero = 0,
  tpBlackIsZero = 1,
  tpRGB = 2,
  tpPalette = 3,
  tpMask = 4,
  tpCMYK = 5,
  tpYCbCr = 6,
  tpCIELab = 7,  // stored in the file as 8
};

enum class TIEJPEGColorSpace : uint8_t { jcRGB = 0, jcGray = 1, jcYCbCr = 2, jcCMYK = 3, jcYCbCrK = 4 };

enum class TIEJPEGDCTMethod : uint8_t { jdIntSlow = 0, jdIntFast = 1, jdFloat = 2 };

// jsAuto: the largest reduction of 1/8, 1/4, 1/2 (tried in that order) that
// still gives at least Width × Height; full size when Width or Height is not
// positive.
enum class TIEJPEGScale : uint8_t { jsAuto = 0, jsFull = 1, jsHalf = 2, jsQuarter = 3, jsEighth = 4 };

enum class TIEPNGFilter : uint8_t { pfNone = 0, pfSub = 1, pfPaeth = 2 };

// Display words (with their leading space) used by IEFormatDescription.
// Values without a word, the TIFF reader's 9 included, give an empty text.
String IETIFFCompressionWord(TIETIFFCompression Value);
String IEJPEGColorSpaceWord(TIEJPEGColorSpace Value);  // jcRGB has none

// ---- Small records -----------------------------------------------------------
// Camera RAW decoding options. No reader of this system interprets them; only
// RAWCamera (shown in the format description) and RAWThumbnailOnly (set with
// the other thumbnail switches) are used.
struct TIERAWOptions {
  bool Switch1 = false;
  std::array<double, 4> Values{0.6, 1.0, 1.0, 1.0};
  bool Switch2 = true;
  std::array<bool, 3> Switches3{false, false, false};
  String RAWCamera;
  bool RAWThumbnailOnly = false;
  std::array<bool, 3> Switches4{false, false, false};
  int32_t Level1 = 8;
  int32_t Level2 = 0;
  friend bool operator==(const TIERAWOptions&, const TIERAWOptions&) = default;
};

// Library warnings of the last JPEG read.
struct TIEJPEGWarnings {
  int32_t Count = 0;     // number of warnings
  int32_t LastCode = 0;  // code of the last one
};

// One size of the images an icon file is written with.
struct TIEICOSize {
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const TIEICOSize&, const TIEICOSize&) = default;
};

// Number of entries of the icon-layout arrays.
inline constexpr int32_t IEMaxICOImages = 16;

// A TObject, so that a routine taking any object (AssignParams) can be
// given a parameter record.
class TIOParamsVals : public TObject {
 public:
  // Creates the owned lists, leaves the optional objects nil, then SetDefaults.
  // SetDefaults already asks the owner for its bitmap and view, so an owner
  // creates its record only once it can answer.
  explicit TIOParamsVals(TIEIOParamsOwner* AOwner = nullptr);
  ~TIOParamsVals() override;
  const char* ClassName() const override { return "TIOParamsVals"; }
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  // ---- Operations ---------------------------------------------------------------
  // Every field to its default, in the documented order (the resolution setters
  // run before ClearEXIF, so an owned record ends with DpiX 300 and
  // EXIFXResolution 0). Leaves Owner, JPEGWarnings, MediaFrameCount and
  // MediaFrameDelay alone.
  void SetDefaults();
  // Clears what a reader fills as metadata (before every load); sizes,
  // resolution, palette, FileType, TGADate and encoding options stay.
  void ResetMetadata();
  // Clears the EXIF group.
  void ClearEXIF();
  // Copies every field except Owner, JPEGWarnings, MediaFrameCount,
  // MediaFrameDelay, JPEGSkipMarkers and NativePixelFormat. Kept on purpose:
  // the six image indexes end equal to the source's CURImageIndex;
  // EXIFOrientation follows the source's TIFFOrientation; a target keeps its
  // own EXIFThumbnail when the source has none; ImagingAnnot and the ICC
  // objects are freed when the source has none. Nothing for nil or self.
  void Assign(const TIOParamsVals* Source);
  // Copies only the encoding choices (compression, quality, depth, version).
  void AssignCompression(const TIOParamsVals* Source);

  // Resolution with its EXIF mirror and the attached view's resolution.
  void SetDpi(int32_t Value);
  void SetDpiX(int32_t Value);
  void SetDpiY(int32_t Value);
  // SetDpiX(Trunc(Value)): 72.9 gives DpiX 72 and EXIFXResolution 72.0.
  void SetEXIFXResolution(double Value);
  void SetEXIFYResolution(double Value);
  // ImageIndex, TIFFImageIndex, DCXImageIndex, GIFImageIndex, ICOImageIndex,
  // CURImageIndex.
  void SetImageIndex(int32_t Value);
  // ImageCount, TIFFImageCount, AVIFrameCount, GIFImageCount, MediaFrameCount.
  void SetImageCount(int32_t Value);
  // ThumbnailOnly, JPEGThumbnailOnly, RAWOptions.RAWThumbnailOnly.
  void SetThumbnailOnly(bool Value);
  // The orientation pair, the named one first.
  void SetTIFFOrientation(int32_t Value);
  void SetEXIFOrientation(int32_t Value);

  // EXIF arrays by index: a get outside the range answers 0, a set outside it
  // does nothing.
  int32_t GetEXIFISOSpeedRatings(int32_t Index) const;  // 0..1
  void SetEXIFISOSpeedRatings(int32_t Index, int32_t Value);
  double GetEXIFReferenceBlackWhite(int32_t Index) const;  // 0..5
  void SetEXIFReferenceBlackWhite(int32_t Index, double Value);
  double GetEXIFWhitePoint(int32_t Index) const;  // 0..1
  void SetEXIFWhitePoint(int32_t Index, double Value);
  double GetEXIFPrimaryChromaticities(int32_t Index) const;  // 0..5
  void SetEXIFPrimaryChromaticities(int32_t Index, double Value);
  double GetEXIFYCbCrCoefficients(int32_t Index) const;  // 0..2
  void SetEXIFYCbCrCoefficients(int32_t Index, double Value);

  // The optional objects, created on first use: the input profile empty (not
  // valid until a reader fills it), the output profile as sRGB.
  TIEICC* GetInputICC();
  TIEICC* GetOutputICC();
  TIEImagingAnnot* GetImagingAnnot();

  // Entries of Palette.
  int32_t PaletteCount() const { return static_cast<int32_t>(Palette.size()); }

  // ---- Common group ---------------------------------------------------------------
  TIEIOParamsOwner* Owner = nullptr;  // back reference, never owned
  int32_t BitsPerSample = 8;
  String FileName;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;      // written through SetDpiX
  int32_t DpiY = 0;      // written through SetDpiY
  int32_t FileType = 0;  // a TIEFormatCode value
  int32_t ImageIndex = 0;
  int32_t ImageCount = 0;
  bool ThumbnailOnly = false;

  // ---- TIFF group -------------------------------------------------------------------
  TIETIFFCompression TIFFCompression = TIETIFFCompression::tcNone;
  int32_t TIFFImageIndex = 0;
  TIETIFFPhotometric TIFFPhotometric = TIETIFFPhotometric::tpRGB;
  int32_t TIFFPlanarConfig = 1;
  int32_t TIFFXPos = 0;
  int32_t TIFFYPos = 0;
  String TIFFDocumentName;
  String TIFFImageDescription;
  String TIFFPageName;
  int32_t TIFFPageNumber = 0;
  int32_t TIFFPageCount = 0;
  int32_t TIFFOrientation = 1;  // written through SetTIFFOrientation
  TIETIFFLZWDecoderFunc TIFFLZWDecoder = nullptr;
  TIETIFFLZWEncoderFunc TIFFLZWEncoder = nullptr;
  bool TIFFAdjustOrientation = false;
  int32_t TIFFJPEGQuality = 80;
  TIEJPEGColorSpace TIFFJPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
  int32_t TIFFImageCount = 0;
  int32_t TIFFFillOrder = 1;
  int32_t DCXImageIndex = 0;

  // ---- GIF group ----------------------------------------------------------------------
  String GIFVersion = "GIF89a";
  int32_t GIFImageIndex = 0;
  int32_t GIFXPos = 0;
  int32_t GIFYPos = 0;
  int32_t GIFDelayTime = 0;
  bool GIFTransparent = false;
  TRGB GIFTransparentColor{};
  bool GIFInterlaced = false;
  int32_t GIFScreenWidth = 0;
  int32_t GIFScreenHeight = 0;
  TRGB GIFBackground{};
  int32_t GIFAspectRatio = 0;
  TStringList GIFComments;
  uint8_t GIFDisposal = 0;
  TIEGIFLZWDecoderFunc GIFLZWDecoder = nullptr;
  TIEGIFLZWEncoderFunc GIFLZWEncoder = nullptr;
  int32_t GIFImageCount = 0;

  // ---- JPEG group -------------------------------------------------------------------------
  TIEJPEGColorSpace JPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
  int32_t JPEGQuality = 80;
  TIEJPEGDCTMethod JPEGDCTMethod = TIEJPEGDCTMethod::jdIntSlow;
  uint8_t JPEGSubSampling = 2;  // 0 none, 1 horizontal, 2 horizontal and vertical
  bool JPEGOptimalHuffman = true;
  int32_t JPEGSmoothing = 0;
  bool JPEGProgressive = false;
  TIEJPEGScale JPEGScale = TIEJPEGScale::jsFull;
  TIEMarkerList JPEGMarkers;
  int32_t JPEGScaleUsed = 1;
  TIEJPEGWarnings JPEGWarnings;
  int32_t JPEGOriginalWidth = 0;
  int32_t JPEGOriginalHeight = 0;
  bool JPEGAdjustOrientation = false;
  bool JPEGThumbnailOnly = false;

  // ---- JPEG 2000, PCX, BMP, ICO, CUR groups --------------------------------------------------
  uint8_t J2000ColorSpace = 1;  // 0 gray, 1 RGB, 2 YCbCr
  double J2000Rate = 1.0;
  uint8_t J2000Progression = 0;
  int32_t PCXVersion = 5;
  bool PCXCompression = true;
  uint8_t BMPVersion = 1;      // 0 version 1, 1 version 3, 2 OS/2 version 1, 3 OS/2 version 2
  uint8_t BMPCompression = 0;  // 0 none, 1 run-length
  int32_t ICOImageIndex = 0;
  TRGB ICOBackground = MakeTRGB(255, 255, 255);
  int32_t CURImageIndex = 0;
  int32_t CURXHotSpot = 0;
  int32_t CURYHotSpot = 0;
  TRGB CURBackground = MakeTRGB(255, 255, 255);

  // ---- PNG and TGA groups -------------------------------------------------------------------
  bool PNGInterlaced = false;
  TRGB PNGBackground{};
  TIEPNGFilter PNGFilter = TIEPNGFilter::pfNone;
  int32_t PNGCompression = 9;
  TStringList PNGTextKeys;
  TStringList PNGTextValues;
  int32_t TGAXPos = 0;
  int32_t TGAYPos = 0;
  bool TGACompressed = true;
  String TGAIdentifier;
  String TGAAuthor;
  TDateTime TGADate = 0;  // today's date from the program clock
  String TGAJobName;
  TRGB TGAKeyColor{};
  double TGAAspectRatio = 1.0;
  double TGAGamma = 2.2;
  bool TGAGrayLevel = false;

  // ---- Metadata and EXIF groups ---------------------------------------------------------------
  TIEIPTCInfoList IPTCInfo;
  std::unique_ptr<TIEImagingAnnot> ImagingAnnot;  // nil until GetImagingAnnot
  TStringList PXMComments;
  bool HasEXIFData = false;
  std::unique_ptr<TIEBitmap> EXIFThumbnail;
  String EXIFImageDescription;
  String EXIFMake;
  String EXIFModel;
  int32_t EXIFOrientation = 0;  // written through SetEXIFOrientation
  double EXIFXResolution = 0;
  double EXIFYResolution = 0;
  int32_t EXIFResolutionUnit = 0;
  String EXIFSoftware;
  String EXIFArtist;
  String EXIFDateTime;
  std::array<double, 2> EXIFWhitePoint{};
  std::array<double, 6> EXIFPrimaryChromaticities{};
  std::array<double, 3> EXIFYCbCrCoefficients{};
  int32_t EXIFYCbCrPositioning = 0;
  std::array<double, 6> EXIFReferenceBlackWhite{};
  String EXIFCopyright;
  double EXIFExposureTime = 0;
  double EXIFFNumber = 0;
  int32_t EXIFExposureProgram = 0;
  std::array<int32_t, 2> EXIFISOSpeedRatings{};
  String EXIFVersion;
  String EXIFDateTimeOriginal;
  String EXIFDateTimeDigitized;
  double EXIFCompressedBitsPerPixel = 0;
  double EXIFShutterSpeedValue = 0;
  double EXIFApertureValue = 0;
  double EXIFBrightnessValue = 0;
  double EXIFExposureBiasValue = 0;
  double EXIFMaxApertureValue = 0;
  double EXIFSubjectDistance = 0;
  int32_t EXIFMeteringMode = 0;
  int32_t EXIFLightSource = 0;
  int32_t EXIFFlash = 0;
  double EXIFFocalLength = 0;
  String EXIFSubsecTime;
  String EXIFSubsecTimeOriginal;
  String EXIFSubsecTimeDigitized;
  String EXIFFlashPixVersion;
  int32_t EXIFColorSpace = 0;
  int32_t EXIFImageWidth = 0;
  int32_t EXIFImageHeight = 0;
  String EXIFRelatedSoundFile;
  double EXIFFocalPlaneXResolution = 0;
  double EXIFFocalPlaneYResolution = 0;
  int32_t EXIFFocalPlaneResolutionUnit = 0;
  double EXIFExposureIndex = 0;
  int32_t EXIFSensingMethod = 0;
  int32_t EXIFFileSource = 0;
  int32_t EXIFSceneType = 0;
  String EXIFUserComment;      // UserComment without its first 8 characters
  String EXIFUserCommentCode;  // those 8 characters (the character-code identifier)
  TIETagsHandler EXIFMakerNote;
  WideString EXIFXPTitle;
  WideString EXIFXPComment;
  WideString EXIFXPAuthor;
  WideString EXIFXPKeywords;
  WideString EXIFXPSubject;

  // ---- Video, PostScript, PDF and RAW groups -------------------------------------------------
  int32_t AVIFrameCount = 0;
  int32_t AVIFrameDelay = 0;
  int32_t MediaFrameCount = 0;
  int32_t MediaFrameDelay = 0;  // hundredths of a second
  int32_t PSPaperWidth = 595;
  int32_t PSPaperHeight = 842;
  uint8_t PSCompression = 1;
  String PSTitle = "No Title";
  int32_t PDFPaperWidth = 595;
  int32_t PDFPaperHeight = 842;
  uint8_t PDFCompression = 2;
  String PDFTitle;
  String PDFAuthor;
  String PDFSubject;
  String PDFKeywords;
  String PDFCreator;
  String PDFProducer;
  TIERAWOptions RAWOptions;
  String XMPPacket;

  // ---- Reader switches, palette, icon layout, colour profiles ---------------------------------
  bool JPEGSkipMarkers = false;
  bool NativePixelFormat = false;
  // The palette of the image read, as RGB triples; empty for other images.
  std::vector<TRGB> Palette;
  std::array<TIEICOSize, IEMaxICOImages> ICOSizes{};  // the list ends at the first width of 0
  std::array<int32_t, IEMaxICOImages> ICOBitCounts{};
  std::unique_ptr<TIEICC> InputICC;   // nil until GetInputICC
  std::unique_ptr<TIEICC> OutputICC;  // nil until GetOutputICC

 private:
  TIEView* AttachedView() const;
};
