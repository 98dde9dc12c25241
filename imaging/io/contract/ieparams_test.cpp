#include "imaging/io/contract/ieparams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "imaging/model/containers/ieannot.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/clock.h"

namespace {

// The owner the image I/O component will be: a platform bitmap and a view.
class TFakeOwner : public TIEIOParamsOwner {
 public:
  TBitmap* GetPlatformBitmap() override { return HasBitmap ? &Bitmap : nullptr; }
  TIEView* GetAttachedView() override { return HasView ? &View : nullptr; }
  TBitmap Bitmap;
  TIEFakeView View;
  bool HasBitmap = true;
  bool HasView = true;
};

const uint8_t* FakeTIFFDecode(const uint8_t*, int64_t, int32_t, TIELZWDecoderState*&) { return nullptr; }
void FakeTIFFEncode(const uint8_t*, int32_t, TStream*, TIELZWEncoderState*&) {}
void FakeGIFDecode(TStream*, int32_t, int32_t, bool, uint8_t*) {}
void FakeGIFEncode(TStream*, int32_t, int32_t, bool, const uint8_t*, int32_t) {}

TEST(IOParamsDefaults, StandaloneAndOwnedRecordsDifferOnlyInSizeAndResolution) {
  TFakeOwner owner;
  owner.Bitmap.SetSize(40, 30);
  struct Row {
    const char* Name;
    std::function<double(const TIOParamsVals&)> Get;
    double Standalone, Owned;
  };
  const std::vector<Row> rows = {
      {"Width", [](auto& p) { return p.Width; }, 0, 40},
      {"Height", [](auto& p) { return p.Height; }, 0, 30},
      {"DpiX", [](auto& p) { return p.DpiX; }, 0, 300},
      {"DpiY", [](auto& p) { return p.DpiY; }, 0, 300},
      // ClearEXIF runs after the resolution setters.
      {"EXIFXResolution", [](auto& p) { return p.EXIFXResolution; }, 0, 0},
      {"EXIFYResolution", [](auto& p) { return p.EXIFYResolution; }, 0, 0},
      {"EXIFOrientation", [](auto& p) { return p.EXIFOrientation; }, 0, 0},
      {"TIFFOrientation", [](auto& p) { return p.TIFFOrientation; }, 1, 1},
      {"BitsPerSample", [](auto& p) { return p.BitsPerSample; }, 8, 8},
      {"SamplesPerPixel", [](auto& p) { return p.SamplesPerPixel; }, 3, 3},
      {"TIFFPhotometric", [](auto& p) { return double(p.TIFFPhotometric); }, 2, 2},
      {"TIFFJPEGColorSpace", [](auto& p) { return double(p.TIFFJPEGColorSpace); }, 2, 2},
      {"JPEGQuality", [](auto& p) { return p.JPEGQuality; }, 80, 80},
      {"JPEGSubSampling", [](auto& p) { return p.JPEGSubSampling; }, 2, 2},
      {"JPEGOptimalHuffman", [](auto& p) { return p.JPEGOptimalHuffman; }, 1, 1},
      {"JPEGScale", [](auto& p) { return double(p.JPEGScale); }, 1, 1},
      {"JPEGScaleUsed", [](auto& p) { return p.JPEGScaleUsed; }, 1, 1},
      {"J2000ColorSpace", [](auto& p) { return p.J2000ColorSpace; }, 1, 1},
      {"J2000Rate", [](auto& p) { return p.J2000Rate; }, 1.0, 1.0},
      {"PCXVersion", [](auto& p) { return p.PCXVersion; }, 5, 5},
      {"PCXCompression", [](auto& p) { return p.PCXCompression; }, 1, 1},
      {"BMPVersion", [](auto& p) { return p.BMPVersion; }, 1, 1},
      {"ICOBackground.r", [](auto& p) { return p.ICOBackground.r; }, 255, 255},
      {"PNGCompression", [](auto& p) { return p.PNGCompression; }, 9, 9},
      {"TGACompressed", [](auto& p) { return p.TGACompressed; }, 1, 1},
      {"TGAGamma", [](auto& p) { return p.TGAGamma; }, 2.2, 2.2},
      {"PSPaperHeight", [](auto& p) { return p.PSPaperHeight; }, 842, 842},
      {"PDFCompression", [](auto& p) { return p.PDFCompression; }, 2, 2},
      {"ICOSizes[0].Width", [](auto& p) { return p.ICOSizes[0].Width; }, 64, 64},
      {"ICOSizes[1].Width", [](auto& p) { return p.ICOSizes[1].Width; }, 0, 0},
      {"ICOBitCounts[0]", [](auto& p) { return p.ICOBitCounts[0]; }, 8, 8},
      {"RAWOptions.Values[0]", [](auto& p) { return p.RAWOptions.Values[0]; }, 0.6, 0.6},
      {"RAWOptions.Switch2", [](auto& p) { return p.RAWOptions.Switch2; }, 1, 1},
      {"RAWOptions.Level1", [](auto& p) { return p.RAWOptions.Level1; }, 8, 8},
  };
  TIOParamsVals standalone;
  TIOParamsVals owned(&owner);
  for (const Row& r : rows) {
    EXPECT_DOUBLE_EQ(r.Get(standalone), r.Standalone) << r.Name;
    EXPECT_DOUBLE_EQ(r.Get(owned), r.Owned) << r.Name;
  }
  EXPECT_EQ(standalone.GIFVersion, "GIF89a");
  EXPECT_EQ(standalone.PSTitle, "No Title");
  EXPECT_EQ(owner.View.DpiX, 300);
  EXPECT_EQ(standalone.TIFFLZWDecoder, IETIFFLZWDecoderHook);
  EXPECT_EQ(standalone.GIFLZWEncoder, IEGIFLZWEncoderHook);
  EXPECT_EQ(standalone.InputICC, nullptr);
  EXPECT_EQ(standalone.OutputICC, nullptr);
  EXPECT_EQ(standalone.ImagingAnnot, nullptr);
}

TEST(IOParamsDefaults, OwnerWithoutBitmapKeepsTheSizeButSetsTheResolution) {
  TFakeOwner owner;
  owner.HasBitmap = false;
  TIOParamsVals p(&owner);
  p.Width = 12;
  p.Height = 34;
  p.SetDefaults();
  EXPECT_EQ(p.Width, 12);
  EXPECT_EQ(p.Height, 34);
  EXPECT_EQ(p.DpiX, 300);
}

TEST(IOParamsDefaults, SetDefaultsResetsEverythingButItsFourExceptions) {
  VirtualClock clock(45000.75);
  SetClock(&clock);
  TIOParamsVals p;
  p.JPEGWarnings = {3, 7};
  p.MediaFrameCount = 11;
  p.MediaFrameDelay = 4;
  p.Palette.resize(4);
  p.JPEGQuality = 20;
  p.JPEGMarkers.AddMarker(0xE1, "x", 1);
  p.GIFComments.Add("c");
  p.GetInputICC();
  p.GetOutputICC();
  p.GetImagingAnnot();
  p.EXIFThumbnail = std::make_unique<TIEBitmap>();
  p.RAWOptions.RAWCamera = "cam";
  p.SetDefaults();
  SetClock(nullptr);

  EXPECT_EQ(p.JPEGWarnings.Count, 3);
  EXPECT_EQ(p.JPEGWarnings.LastCode, 7);
  EXPECT_EQ(p.MediaFrameCount, 11);
  EXPECT_EQ(p.MediaFrameDelay, 4);
  EXPECT_EQ(p.PaletteCount(), 0);
  EXPECT_EQ(p.JPEGQuality, 80);
  EXPECT_EQ(p.JPEGMarkers.Count(), 0);
  EXPECT_EQ(p.GIFComments.Count(), 0);
  EXPECT_EQ(p.InputICC, nullptr);
  EXPECT_EQ(p.OutputICC, nullptr);
  EXPECT_EQ(p.ImagingAnnot, nullptr);
  EXPECT_EQ(p.EXIFThumbnail, nullptr);
  EXPECT_TRUE(p.RAWOptions == TIERAWOptions{});
  EXPECT_DOUBLE_EQ(p.TGADate, 45000.0);  // today, from the program clock
}

TEST(IOParamsSetters, CoupledFieldsMoveTogether) {
  TFakeOwner owner;
  TIOParamsVals p(&owner);

  p.SetEXIFXResolution(72.9);
  EXPECT_EQ(p.DpiX, 72);
  EXPECT_DOUBLE_EQ(p.EXIFXResolution, 72.0);
  EXPECT_EQ(owner.View.DpiX, 72);
  p.SetEXIFYResolution(-3.7);
  EXPECT_EQ(p.DpiY, -3);
  EXPECT_DOUBLE_EQ(p.EXIFYResolution, -3.0);
  // Values from hostile files: no trap, held within 32 bits.
  p.SetEXIFXResolution(1e300);
  EXPECT_EQ(p.DpiX, INT32_MAX);
  p.SetEXIFXResolution(std::nan(""));
  EXPECT_EQ(p.DpiX, 0);
  EXPECT_EQ(owner.View.DpiX, INT32_MAX);  // the view ignores 0

  p.SetDpi(150);
  EXPECT_EQ(p.DpiX, 150);
  EXPECT_EQ(p.DpiY, 150);
  EXPECT_DOUBLE_EQ(p.EXIFYResolution, 150.0);
  EXPECT_EQ(owner.View.DpiY, 150);
  p.DpiX = 96;  // a direct write leaves the mirror alone
  EXPECT_DOUBLE_EQ(p.EXIFXResolution, 150.0);

  p.SetImageIndex(4);
  for (int32_t v : {p.ImageIndex, p.TIFFImageIndex, p.DCXImageIndex, p.GIFImageIndex, p.ICOImageIndex, p.CURImageIndex})
    EXPECT_EQ(v, 4);
  p.SetImageCount(5);
  for (int32_t v : {p.ImageCount, p.TIFFImageCount, p.GIFImageCount, p.AVIFrameCount, p.MediaFrameCount})
    EXPECT_EQ(v, 5);
  p.SetThumbnailOnly(true);
  EXPECT_TRUE(p.ThumbnailOnly && p.JPEGThumbnailOnly && p.RAWOptions.RAWThumbnailOnly);
  p.SetTIFFOrientation(6);
  EXPECT_EQ(p.EXIFOrientation, 6);
  p.SetEXIFOrientation(8);
  EXPECT_EQ(p.TIFFOrientation, 8);
}

TEST(IOParamsSetters, EXIFArrayAccessorsCheckTheirIndex) {
  TIOParamsVals p;
  struct Row {
    const char* Name;
    int32_t Size;
    std::function<void(int32_t, double)> Set;
    std::function<double(int32_t)> Get;
  };
  const std::vector<Row> rows = {
      {"ISOSpeedRatings", 2, [&](int32_t i, double v) { p.SetEXIFISOSpeedRatings(i, int32_t(v)); },
       [&](int32_t i) { return p.GetEXIFISOSpeedRatings(i); }},
      {"ReferenceBlackWhite", 6, [&](int32_t i, double v) { p.SetEXIFReferenceBlackWhite(i, v); },
       [&](int32_t i) { return p.GetEXIFReferenceBlackWhite(i); }},
      {"WhitePoint", 2, [&](int32_t i, double v) { p.SetEXIFWhitePoint(i, v); },
       [&](int32_t i) { return p.GetEXIFWhitePoint(i); }},
      {"PrimaryChromaticities", 6, [&](int32_t i, double v) { p.SetEXIFPrimaryChromaticities(i, v); },
       [&](int32_t i) { return p.GetEXIFPrimaryChromaticities(i); }},
      {"YCbCrCoefficients", 3, [&](int32_t i, double v) { p.SetEXIFYCbCrCoefficients(i, v); },
       [&](int32_t i) { return p.GetEXIFYCbCrCoefficients(i); }},
  };
  for (const Row& r : rows) {
    for (int32_t i = 0; i < r.Size; ++i) r.Set(i, 10 + i);
    r.Set(-1, 99);
    r.Set(r.Size, 99);
    r.Set(INT32_MAX, 99);
    for (int32_t i = 0; i < r.Size; ++i) EXPECT_EQ(r.Get(i), 10 + i) << r.Name << " " << i;
    EXPECT_EQ(r.Get(-1), 0) << r.Name;
    EXPECT_EQ(r.Get(r.Size), 0) << r.Name;
  }
  EXPECT_EQ(p.EXIFISOSpeedRatings[1], 11);
}

TEST(IOParamsProfiles, OutputIsSRGBAndInputStaysInvalidUntilFilled) {
  TIOParamsVals p;
  EXPECT_TRUE(p.GetOutputICC()->IsValid());
  EXPECT_FALSE(p.GetInputICC()->IsValid());
  EXPECT_EQ(p.GetInputICC(), p.InputICC.get());  // created once
  EXPECT_NE(p.GetImagingAnnot(), nullptr);
}

// ---- Copies --------------------------------------------------------------------------------

// Every plain field with a value no default has; Assign copies all of them.
struct FieldRow {
  std::string Name;
  std::function<void(TIOParamsVals&)> Set;
  std::function<bool(const TIOParamsVals&, const TIOParamsVals&)> Same;
};

#define FIELD(f, v)                                                                                                   \
  FieldRow {                                                                                                          \
#f, [](TIOParamsVals & p) { p.f = v; }, [](const TIOParamsVals& a, const TIOParamsVals& b) { return a.f == b.f; } \
  }

std::vector<FieldRow> PlainFields() {
  using C = TIETIFFCompression;
  return {
      FIELD(BitsPerSample, 16),
      FIELD(FileName, "a.tif"),
      FIELD(SamplesPerPixel, 4),
      FIELD(Width, 17),
      FIELD(Height, 19),
      FIELD(DpiX, 150),
      FIELD(DpiY, 120),
      FIELD(FileType, fcTIFF),
      FIELD(ImageCount, 7),
      FIELD(ThumbnailOnly, true),
      FIELD(TIFFCompression, C::tcLZW),
      FIELD(TIFFPhotometric, TIETIFFPhotometric::tpCMYK),
      FIELD(TIFFPlanarConfig, 2),
      FIELD(TIFFXPos, 3),
      FIELD(TIFFYPos, 4),
      FIELD(TIFFDocumentName, "doc"),
      FIELD(TIFFImageDescription, "desc"),
      FIELD(TIFFPageName, "page"),
      FIELD(TIFFPageNumber, 2),
      FIELD(TIFFPageCount, 5),
      FIELD(TIFFOrientation, 6),
      FIELD(EXIFOrientation, 6),
      FIELD(TIFFLZWDecoder, FakeTIFFDecode),
      FIELD(TIFFLZWEncoder, FakeTIFFEncode),
      FIELD(TIFFAdjustOrientation, true),
      FIELD(TIFFJPEGQuality, 55),
      FIELD(TIFFJPEGColorSpace, TIEJPEGColorSpace::jcGray),
      FIELD(TIFFImageCount, 6),
      FIELD(TIFFFillOrder, 2),
      FIELD(GIFVersion, "GIF87a"),
      FIELD(GIFXPos, 1),
      FIELD(GIFYPos, 2),
      FIELD(GIFDelayTime, 30),
      FIELD(GIFTransparent, true),
      FIELD(GIFTransparentColor, MakeTRGB(1, 2, 3)),
      FIELD(GIFInterlaced, true),
      FIELD(GIFScreenWidth, 40),
      FIELD(GIFScreenHeight, 50),
      FIELD(GIFBackground, MakeTRGB(4, 5, 6)),
      FIELD(GIFAspectRatio, 49),
      FIELD(GIFDisposal, 2),
      FIELD(GIFLZWDecoder, FakeGIFDecode),
      FIELD(GIFLZWEncoder, FakeGIFEncode),
      FIELD(GIFImageCount, 3),
      FIELD(JPEGColorSpace, TIEJPEGColorSpace::jcCMYK),
      FIELD(JPEGQuality, 90),
      FIELD(JPEGDCTMethod, TIEJPEGDCTMethod::jdFloat),
      FIELD(JPEGSubSampling, 1),
      FIELD(JPEGOptimalHuffman, false),
      FIELD(JPEGSmoothing, 10),
      FIELD(JPEGProgressive, true),
      FIELD(JPEGScale, TIEJPEGScale::jsHalf),
      FIELD(JPEGScaleUsed, 2),
      FIELD(JPEGOriginalWidth, 100),
      FIELD(JPEGOriginalHeight, 80),
      FIELD(JPEGAdjustOrientation, true),
      FIELD(JPEGThumbnailOnly, true),
      FIELD(J2000ColorSpace, 2),
      FIELD(J2000Rate, 0.5),
      FIELD(J2000Progression, 3),
      FIELD(PCXVersion, 3),
      FIELD(PCXCompression, false),
      FIELD(BMPVersion, 3),
      FIELD(BMPCompression, 1),
      FIELD(ICOBackground, MakeTRGB(9, 9, 9)),
      FIELD(CURXHotSpot, 4),
      FIELD(CURYHotSpot, 5),
      FIELD(CURBackground, MakeTRGB(8, 8, 8)),
      FIELD(PNGInterlaced, true),
      FIELD(PNGBackground, MakeTRGB(7, 7, 7)),
      FIELD(PNGFilter, TIEPNGFilter::pfPaeth),
      FIELD(PNGCompression, 3),
      FIELD(TGAXPos, 6),
      FIELD(TGAYPos, 7),
      FIELD(TGACompressed, false),
      FIELD(TGAIdentifier, "id"),
      FIELD(TGAAuthor, "me"),
      FIELD(TGADate, 12345.0),
      FIELD(TGAJobName, "job"),
      FIELD(TGAKeyColor, MakeTRGB(1, 1, 1)),
      FIELD(TGAAspectRatio, 2.0),
      FIELD(TGAGamma, 1.8),
      FIELD(TGAGrayLevel, true),
      FIELD(HasEXIFData, true),
      FIELD(EXIFImageDescription, "d"),
      FIELD(EXIFMake, "make"),
      FIELD(EXIFModel, "model"),
      FIELD(EXIFXResolution, 72.5),
      FIELD(EXIFYResolution, 96.5),
      FIELD(EXIFResolutionUnit, 2),
      FIELD(EXIFSoftware, "sw"),
      FIELD(EXIFArtist, "art"),
      FIELD(EXIFDateTime, "2001:01:01 00:00:00"),
      FIELD(EXIFWhitePoint, (std::array<double, 2>{0.3, 0.4})),
      FIELD(EXIFPrimaryChromaticities, (std::array<double, 6>{1, 2, 3, 4, 5, 6})),
      FIELD(EXIFYCbCrCoefficients, (std::array<double, 3>{0.1, 0.2, 0.3})),
      FIELD(EXIFYCbCrPositioning, 1),
      FIELD(EXIFReferenceBlackWhite, (std::array<double, 6>{0, 255, 128, 255, 128, 255})),
      FIELD(EXIFCopyright, "(c)"),
      FIELD(EXIFExposureTime, 0.01),
      FIELD(EXIFFNumber, 2.8),
      FIELD(EXIFExposureProgram, 2),
      FIELD(EXIFISOSpeedRatings, (std::array<int32_t, 2>{100, 200})),
      FIELD(EXIFVersion, "0220"),
      FIELD(EXIFDateTimeOriginal, "o"),
      FIELD(EXIFDateTimeDigitized, "g"),
      FIELD(EXIFCompressedBitsPerPixel, 4.0),
      FIELD(EXIFShutterSpeedValue, 6.6),
      FIELD(EXIFApertureValue, 3.0),
      FIELD(EXIFBrightnessValue, 1.5),
      FIELD(EXIFExposureBiasValue, -0.3),
      FIELD(EXIFMaxApertureValue, 2.0),
      FIELD(EXIFSubjectDistance, 3.3),
      FIELD(EXIFMeteringMode, 5),
      FIELD(EXIFLightSource, 1),
      FIELD(EXIFFlash, 16),
      FIELD(EXIFFocalLength, 35.0),
      FIELD(EXIFSubsecTime, "1"),
      FIELD(EXIFSubsecTimeOriginal, "2"),
      FIELD(EXIFSubsecTimeDigitized, "3"),
      FIELD(EXIFFlashPixVersion, "0100"),
      FIELD(EXIFColorSpace, 1),
      FIELD(EXIFImageWidth, 640),
      FIELD(EXIFImageHeight, 480),
      FIELD(EXIFRelatedSoundFile, "s.wav"),
      FIELD(EXIFFocalPlaneXResolution, 10.5),
      FIELD(EXIFFocalPlaneYResolution, 11.5),
      FIELD(EXIFFocalPlaneResolutionUnit, 3),
      FIELD(EXIFExposureIndex, 1.25),
      FIELD(EXIFSensingMethod, 2),
      FIELD(EXIFFileSource, 3),
      FIELD(EXIFSceneType, 1),
      FIELD(EXIFUserComment, "hello"),
      FIELD(EXIFUserCommentCode, std::string("ASCII\0\0\0", 8)),
      FIELD(EXIFXPTitle, u"title"),
      FIELD(EXIFXPComment, u"comment"),
      FIELD(EXIFXPAuthor, u"author"),
      FIELD(EXIFXPKeywords, u"keys"),
      FIELD(EXIFXPSubject, u"subject"),
      FIELD(AVIFrameCount, 9),
      FIELD(AVIFrameDelay, 40),
      FIELD(PSPaperWidth, 600),
      FIELD(PSPaperHeight, 800),
      FIELD(PSCompression, 2),
      FIELD(PSTitle, "T"),
      FIELD(PDFPaperWidth, 612),
      FIELD(PDFPaperHeight, 792),
      FIELD(PDFCompression, 1),
      FIELD(PDFTitle, "pt"),
      FIELD(PDFAuthor, "pa"),
      FIELD(PDFSubject, "ps"),
      FIELD(PDFKeywords, "pk"),
      FIELD(PDFCreator, "pc"),
      FIELD(PDFProducer, "pp"),
      FIELD(RAWOptions, (TIERAWOptions{true, {1, 2, 3, 4}, false, {}, "cam", true})),
      FIELD(XMPPacket, "<x/>"),
      FIELD(ICOSizes[2], (TIEICOSize{32, 32})),
      FIELD(ICOBitCounts[2], 24),
  };
}

// Fields Assign leaves to the target.
std::vector<FieldRow> ExcludedFields() {
  return {
      FIELD(JPEGWarnings.Count, 5), FIELD(MediaFrameCount, 8),      FIELD(MediaFrameDelay, 12),
      FIELD(JPEGSkipMarkers, true), FIELD(NativePixelFormat, true),
  };
}
#undef FIELD

TEST(IOParamsAssign, CopiesEveryPlainFieldButTheExcludedOnes) {
  TFakeOwner sourceOwner, targetOwner;
  TIOParamsVals source(&sourceOwner), target(&targetOwner);
  for (const auto& f : PlainFields()) f.Set(source);
  for (const auto& f : ExcludedFields()) f.Set(source);
  target.Assign(&source);
  for (const auto& f : PlainFields()) EXPECT_TRUE(f.Same(target, source)) << f.Name << " not copied";
  TIOParamsVals fresh;
  for (const auto& f : ExcludedFields()) EXPECT_TRUE(f.Same(target, fresh)) << f.Name << " copied";
  EXPECT_EQ(target.Owner, &targetOwner);
  // The resolution went through the setters: the target's view follows.
  EXPECT_EQ(targetOwner.View.DpiX, 150);
  EXPECT_EQ(targetOwner.View.DpiY, 120);
}

TEST(IOParamsAssign, KeepsItsDocumentedQuirks) {
  TIOParamsVals source, target;
  source.SetImageIndex(0);
  source.TIFFImageIndex = 2;
  source.GIFImageIndex = 3;
  target.SetImageIndex(9);
  source.TIFFOrientation = 3;
  source.EXIFOrientation = 7;  // not copied on its own
  source.SetDpiX(200);
  source.EXIFXResolution = 72;  // copied after the setter
  target.Assign(&source);
  for (int32_t v : {target.ImageIndex, target.TIFFImageIndex, target.DCXImageIndex, target.GIFImageIndex,
                    target.ICOImageIndex, target.CURImageIndex})
    EXPECT_EQ(v, 0);  // the source's CURImageIndex
  EXPECT_EQ(target.TIFFOrientation, 3);
  EXPECT_EQ(target.EXIFOrientation, 3);
  EXPECT_EQ(target.DpiX, 200);
  EXPECT_DOUBLE_EQ(target.EXIFXResolution, 72);
}

TEST(IOParamsAssign, CopiesOwnedObjectsDeepAndFollowsTheSourceOnAbsentOnes) {
  TIOParamsVals source, target;
  source.Palette = {MakeTRGB(1, 2, 3), MakeTRGB(4, 5, 6)};
  source.GIFComments.Add("one");
  source.PNGTextKeys.Add("k");
  source.PNGTextValues.Add("v");
  source.PXMComments.Add("p");
  source.JPEGMarkers.AddMarker(0xFE, "abc", 3);
  source.IPTCInfo.AddItem(2, 5, 4, "name");
  source.GetImagingAnnot()->Objects().push_back(std::make_unique<TIEImagingObject>());
  source.GetOutputICC();
  const uint8_t note[] = {1, 0, 0x0F, 0x01, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0};
  source.EXIFMakerNote.Data()->Write(note, sizeof note);
  source.EXIFMakerNote.Update();
  source.EXIFThumbnail = std::make_unique<TIEBitmap>();
  source.EXIFThumbnail->Allocate(2, 2, TIEPixelFormat::ie24RGB);

  target.Assign(&source);
  source.Palette[0] = MakeTRGB(9, 9, 9);
  source.GIFComments.Clear();
  EXPECT_EQ(target.PaletteCount(), 2);
  EXPECT_EQ(target.Palette[0], MakeTRGB(1, 2, 3));
  EXPECT_EQ(target.GIFComments.Count(), 1);
  EXPECT_EQ(target.PNGTextKeys.Count(), 1);
  EXPECT_EQ(target.PNGTextValues.Count(), 1);
  EXPECT_EQ(target.PXMComments.Count(), 1);
  EXPECT_EQ(target.JPEGMarkers.Count(), 1);
  EXPECT_EQ(target.IPTCInfo.Count(), 1);
  ASSERT_NE(target.ImagingAnnot, nullptr);
  EXPECT_EQ(target.ImagingAnnot->Count(), 1);
  ASSERT_NE(target.OutputICC, nullptr);
  EXPECT_TRUE(target.OutputICC->IsValid());  // the built-in sRGB profile survives the copy
  EXPECT_EQ(target.InputICC, nullptr);
  EXPECT_TRUE(target.EXIFMakerNote.TagExists(0x010F));
  ASSERT_NE(target.EXIFThumbnail, nullptr);
  EXPECT_NE(target.EXIFThumbnail.get(), source.EXIFThumbnail.get());
  EXPECT_EQ(target.EXIFThumbnail->Width(), 2);

  // From a source without those objects: the thumbnail stays, the others go.
  TIOParamsVals bare;
  TIEBitmap* thumbnail = target.EXIFThumbnail.get();
  target.GetInputICC();
  target.Assign(&bare);
  EXPECT_EQ(target.EXIFThumbnail.get(), thumbnail);
  EXPECT_EQ(target.ImagingAnnot, nullptr);
  EXPECT_EQ(target.InputICC, nullptr);
  EXPECT_EQ(target.OutputICC, nullptr);
  EXPECT_EQ(target.PaletteCount(), 0);
  EXPECT_FALSE(target.EXIFMakerNote.TagExists(0x010F));
}

TEST(IOParamsAssign, AssignCompressionMovesExactlyTheEncodingChoices) {
  const std::set<std::string> expected = {"BitsPerSample",
                                          "SamplesPerPixel",
                                          "TIFFCompression",
                                          "TIFFPhotometric",
                                          "TIFFPlanarConfig",
                                          "TIFFOrientation",
                                          "EXIFOrientation" /* through SetTIFFOrientation */,
                                          "TIFFLZWDecoder",
                                          "TIFFLZWEncoder",
                                          "TIFFAdjustOrientation",
                                          "TIFFJPEGQuality",
                                          "TIFFJPEGColorSpace",
                                          "TIFFFillOrder",
                                          "GIFInterlaced",
                                          "GIFLZWDecoder",
                                          "GIFLZWEncoder",
                                          "JPEGColorSpace",
                                          "JPEGQuality",
                                          "JPEGDCTMethod",
                                          "JPEGSubSampling",
                                          "JPEGOptimalHuffman",
                                          "JPEGSmoothing",
                                          "JPEGProgressive",
                                          "J2000ColorSpace",
                                          "J2000Rate",
                                          "J2000Progression",
                                          "PCXVersion",
                                          "PCXCompression",
                                          "BMPVersion",
                                          "BMPCompression",
                                          "PNGInterlaced",
                                          "PNGFilter",
                                          "PNGCompression",
                                          "TGACompressed",
                                          "TGAGrayLevel"};
  TIOParamsVals source, target;
  std::vector<FieldRow> all = PlainFields();
  for (auto& f : ExcludedFields()) all.push_back(f);
  for (const auto& f : all) f.Set(source);
  target.AssignCompression(&source);
  std::set<std::string> moved;
  for (const auto& f : all)
    if (f.Same(target, source)) moved.insert(f.Name);
  EXPECT_EQ(moved, expected);
}

TEST(IOParamsMetadata, ResetMetadataClearsWhatReadersFillAndKeepsTheRest) {
  TIOParamsVals p;
  p.SetDpiX(200);
  p.Width = 33;
  p.Palette = {MakeTRGB(1, 2, 3)};
  p.FileType = fcPNG;
  p.JPEGQuality = 42;
  p.TGADate = 1234.0;
  p.TIFFCompression = TIETIFFCompression::tcLZW;
  p.IPTCInfo.AddItem(2, 5, 1, "x");
  p.GetImagingAnnot();
  p.JPEGMarkers.AddMarker(0xE1, "e", 1);
  p.HasEXIFData = true;
  p.EXIFMake = "make";
  p.EXIFXPTitle = u"t";
  p.GIFComments.Add("g");
  p.PNGTextKeys.Add("k");
  p.PNGTextValues.Add("v");
  p.PXMComments.Add("c");
  p.TIFFDocumentName = p.TIFFImageDescription = p.TIFFPageName = "t";
  p.TGAIdentifier = p.TGAAuthor = p.TGAJobName = "g";
  p.XMPPacket = "<x/>";
  p.GetInputICC();
  p.GetOutputICC();

  p.ResetMetadata();
  // Kept.
  EXPECT_EQ(p.DpiX, 200);
  EXPECT_EQ(p.Width, 33);
  EXPECT_EQ(p.PaletteCount(), 1);
  EXPECT_EQ(p.FileType, fcPNG);
  EXPECT_EQ(p.JPEGQuality, 42);
  EXPECT_DOUBLE_EQ(p.TGADate, 1234.0);
  EXPECT_EQ(p.TIFFCompression, TIETIFFCompression::tcLZW);
  EXPECT_NE(p.OutputICC, nullptr);
  // Cleared.
  EXPECT_EQ(p.IPTCInfo.Count(), 0);
  EXPECT_EQ(p.ImagingAnnot, nullptr);
  EXPECT_EQ(p.JPEGMarkers.Count(), 0);
  EXPECT_FALSE(p.HasEXIFData);
  EXPECT_TRUE(p.EXIFMake.empty());
  EXPECT_TRUE(p.EXIFXPTitle.empty());
  EXPECT_DOUBLE_EQ(p.EXIFXResolution, 0);
  EXPECT_EQ(p.GIFComments.Count() + p.PNGTextKeys.Count() + p.PNGTextValues.Count() + p.PXMComments.Count(), 0);
  EXPECT_EQ(p.TIFFDocumentName + p.TIFFImageDescription + p.TIFFPageName, "");
  EXPECT_EQ(p.TGAIdentifier + p.TGAAuthor + p.TGAJobName + p.XMPPacket, "");
  EXPECT_EQ(p.InputICC, nullptr);
}

}  // namespace
