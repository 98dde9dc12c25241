#include "imaging/io/codecs/exif/ieexifblock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "imaging/io/codecs/exif/exifblock_testing.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"

using namespace exiftest;

namespace {

bool Load(const TBytes& Block, TIOParamsVals& Params) {
  return IELoadEXIFFromBlock(Block.data(), static_cast<int32_t>(Block.size()), Params);
}

TBytes Text(const std::string& S) { return TBytes(S.begin(), S.end()); }

// The RGB strip of a W x H picture whose pixel (x, y) is (x, y, 200) as R, G, B.
TBytes Strip(int32_t W, int32_t H) {
  TBytes b;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b.insert(b.end(), {uint8_t(x), uint8_t(y), 200});
  return b;
}

std::vector<TEntry> RGBPage(int32_t W, int32_t H, int32_t Compression = 1) {
  return {Long(256, {W}),  Long(257, {H}),  Short(258, {8, 8, 8}), Short(259, {Compression}),
          Short(262, {2}), Short(277, {3}), Long(278, {H})};
}

}  // namespace

TEST(ExifBlockLoad, OtherBlocksAnswerFalseAndLeaveParamsAlone) {
  const TBytes tiff = TExifBuilder(false).Block({{Short(274, {6})}, {}, {}, {}, false});
  const TBytes noTiff = Text(std::string("Exif\0\0", 6) + "not a tiff structure");
  struct Case {
    const char* Name;
    TBytes Block;
  };
  const Case cases[] = {
      {"empty", {}},
      {"too short", Text(std::string("Exif", 4))},
      {"another start", Text(std::string("Exig\0\0", 6) + std::string(tiff.begin() + 6, tiff.end()))},
      {"no zero after Exif", Text(std::string("Exif ", 5) + std::string(tiff.begin() + 5, tiff.end()))},
      {"no TIFF header", noTiff},
      {"header cut short", TBytes(tiff.begin(), tiff.begin() + 12)},
      {"XMP", Text("http://ns.adobe.com/xap/1.0/")},
  };
  for (const Case& c : cases) {
    TIOParamsVals params;
    params.EXIFMake = "kept";
    params.SetDpi(300);
    params.SetEXIFOrientation(3);
    EXPECT_FALSE(Load(c.Block, params)) << c.Name;
    EXPECT_FALSE(params.HasEXIFData) << c.Name;
    EXPECT_EQ(params.EXIFThumbnail, nullptr) << c.Name;
    EXPECT_EQ(params.EXIFMake, "kept") << c.Name;
    EXPECT_EQ(params.DpiX, 300) << c.Name;
    EXPECT_EQ(params.EXIFOrientation, 3) << c.Name;
  }
  TIOParamsVals params;
  EXPECT_FALSE(IELoadEXIFFromBlock(nullptr, 100, params));
}

TEST(ExifBlockLoad, ReadsTheTagsInBothByteOrders) {
  const TBytes title = {'L', 0, 'a', 0, 'k', 0, 'e', 0, 0, 0};
  for (const bool big : {false, true}) {
    TExifLayout layout;
    layout.IFD0 = {Ascii(270, "A lake"),   Ascii(271, "Maker"),    Ascii(272, "Model 7"),
                   Short(274, {8}),        Rational(282, 180, 1),  Rational(283, 90, 1),
                   Short(296, {3}),        Ascii(305, "Pictoval"), Ascii(306, "2024:05:01 10:20:30"),
                   ByteArray(40091, title)};
    layout.Exif = {Rational(33434, 1, 125),  Rational(33437, 28, 10),
                   Short(34855, {200}),      Undefined(36864, "0230"),
                   SRational(37380, -7, 10), SRational(37377, -3, 2),
                   Short(40961, {1}),        Undefined(37510, std::string("ASCII\0\0\0", 8) + "hi there")};
    TIOParamsVals params;
    params.TIFFImageDescription = "a TIFF field stays";
    ASSERT_TRUE(Load(TExifBuilder(big).Block(layout), params)) << big;
    EXPECT_TRUE(params.HasEXIFData);
    EXPECT_EQ(params.EXIFImageDescription, "A lake");
    EXPECT_EQ(params.TIFFImageDescription, "a TIFF field stays");
    EXPECT_EQ(params.EXIFMake, "Maker");
    EXPECT_EQ(params.EXIFModel, "Model 7");
    EXPECT_EQ(params.EXIFSoftware, "Pictoval");
    EXPECT_EQ(params.EXIFDateTime, "2024:05:01 10:20:30");
    EXPECT_EQ(params.EXIFOrientation, 8);
    EXPECT_EQ(params.TIFFOrientation, 8);
    EXPECT_EQ(params.EXIFXPTitle, u"Lake");
    // Centimetres arrive as dots per inch, with their unit.
    EXPECT_EQ(params.EXIFXResolution, 457);
    EXPECT_EQ(params.EXIFYResolution, 228);
    EXPECT_EQ(params.DpiX, 457);
    EXPECT_EQ(params.EXIFResolutionUnit, 2);
    EXPECT_DOUBLE_EQ(params.EXIFExposureTime, 0.008);
    EXPECT_DOUBLE_EQ(params.EXIFFNumber, 2.8);
    EXPECT_EQ(params.GetEXIFISOSpeedRatings(0), 200);
    EXPECT_EQ(params.EXIFVersion, "0230");
    EXPECT_DOUBLE_EQ(params.EXIFExposureBiasValue, -0.7);
    EXPECT_DOUBLE_EQ(params.EXIFShutterSpeedValue, -1.5);
    EXPECT_EQ(params.EXIFColorSpace, 1);
    EXPECT_EQ(params.EXIFUserCommentCode, std::string("ASCII\0\0\0", 8));
    EXPECT_EQ(params.EXIFUserComment, "hi there");
    ASSERT_NE(params.EXIFThumbnail, nullptr);
    EXPECT_TRUE(params.EXIFThumbnail->IsEmpty());
  }
}

TEST(ExifBlockLoad, ThumbnailIsTurnedByTheOrientation) {
  constexpr int32_t W = 3, H = 2;
  struct Case {
    int32_t Orientation;
    bool Swapped;
    // The source pixel shown at (x, y) of the turned thumbnail.
    int32_t (*SourceX)(int32_t x, int32_t y);
    int32_t (*SourceY)(int32_t x, int32_t y);
  };
  const Case cases[] = {
      {1, false, [](int32_t x, int32_t) { return x; }, [](int32_t, int32_t y) { return y; }},
      {3, false, [](int32_t x, int32_t) { return W - 1 - x; }, [](int32_t, int32_t y) { return H - 1 - y; }},
      {5, true, [](int32_t, int32_t y) { return y; }, [](int32_t x, int32_t) { return x; }},  // transpose
      {6, true, [](int32_t, int32_t y) { return y; }, [](int32_t x, int32_t) { return H - 1 - x; }},
      {7, true, [](int32_t, int32_t y) { return W - 1 - y; },
       [](int32_t x, int32_t) { return H - 1 - x; }},  // transverse
      {8, true, [](int32_t, int32_t y) { return W - 1 - y; }, [](int32_t x, int32_t) { return x; }},
  };
  for (const Case& c : cases) {
    TExifLayout layout{{Short(274, {c.Orientation})}, {}, RGBPage(W, H), Strip(W, H), false};
    TIOParamsVals params;
    ASSERT_TRUE(Load(TExifBuilder(c.Orientation % 2 == 0).Block(layout), params));
    TIEBitmap* thumb = params.EXIFThumbnail.get();
    ASSERT_NE(thumb, nullptr);
    ASSERT_EQ(thumb->Width(), c.Swapped ? H : W) << c.Orientation;
    ASSERT_EQ(thumb->Height(), c.Swapped ? W : H) << c.Orientation;
    for (int32_t y = 0; y < thumb->Height(); ++y)
      for (int32_t x = 0; x < thumb->Width(); ++x) {
        const TRGB p = *thumb->PixelRGB(x, y);
        EXPECT_EQ(p.r, c.SourceX(x, y)) << "orientation " << c.Orientation << " at " << x << "," << y;
        EXPECT_EQ(p.g, c.SourceY(x, y)) << "orientation " << c.Orientation << " at " << x << "," << y;
        EXPECT_EQ(p.b, 200);
      }
    // The main record is no thumbnail page: its size and index are untouched.
    EXPECT_EQ(params.Width, 0);
    EXPECT_EQ(params.TIFFImageIndex, 0);
  }
}

TEST(ExifBlockLoad, MissingOrDamagedThumbnailLeavesItEmpty) {
  const TBytes garbage(64, 0x5A);
  struct Case {
    const char* Name;
    TExifLayout Layout;
  };
  const Case cases[] = {
      {"no IFD 1", {{Short(274, {1})}, {}, {}, {}, false}},
      {"JPEG thumbnail that is no JPEG", {{Short(274, {1})}, {}, {Short(259, {6})}, garbage, true}},
      {"thumbnail over 400 pixels", {{Short(274, {1})}, {}, RGBPage(401, 1), Strip(401, 1), false}},
      {"LZW strip that does not decode", {{Short(274, {1})}, {}, RGBPage(8, 8, 5), garbage, false}},
  };
  IEInstallTIFFLZWHooks();
  for (const Case& c : cases) {
    TIOParamsVals params;
    params.EXIFThumbnail = std::make_unique<TIEBitmap>();
    params.EXIFThumbnail->Allocate(5, 5, TIEPixelFormat::ie24RGB);  // from an earlier load
    ASSERT_TRUE(Load(TExifBuilder(false).Block(c.Layout), params)) << c.Name;
    EXPECT_TRUE(params.HasEXIFData) << c.Name;
    ASSERT_NE(params.EXIFThumbnail, nullptr);
    EXPECT_TRUE(params.EXIFThumbnail->IsEmpty()) << c.Name;
  }
}

TEST(ExifBlockLoad, AnExceptionOnTheWayAnswersFalse) {
  struct TFailingOwner : TIEIOParamsOwner {
    TBitmap* GetPlatformBitmap() override { throw std::runtime_error("no bitmap"); }
    TIEView* GetAttachedView() override { return nullptr; }
  } owner;
  TIOParamsVals params;
  params.Owner = &owner;  // the temporary record is made for the same owner
  EXPECT_FALSE(Load(TExifBuilder(false).Block({{Short(274, {6})}, {}, {}, {}, false}), params));
  EXPECT_FALSE(params.HasEXIFData);
  params.Owner = nullptr;
}

TEST(ExifCopy, CopiesEveryExifFieldButTheFlagAndThumbnail) {
  TIOParamsVals s;
  s.TIFFImageDescription = "from tag 270";
  s.EXIFImageDescription = "not this one";
  s.EXIFMake = "Make";
  s.EXIFModel = "Model";
  s.SetEXIFOrientation(6);
  s.SetEXIFXResolution(240);
  s.SetEXIFYResolution(120);
  s.EXIFResolutionUnit = 2;
  s.EXIFSoftware = "Software";
  s.EXIFArtist = "Artist";
  s.EXIFDateTime = "2001:02:03 04:05:06";
  s.SetEXIFWhitePoint(1, 0.329);
  s.SetEXIFPrimaryChromaticities(5, 0.06);
  s.SetEXIFYCbCrCoefficients(2, 0.114);
  s.EXIFYCbCrPositioning = 2;
  s.SetEXIFReferenceBlackWhite(3, 255);
  s.EXIFCopyright = "Copyright";
  s.EXIFExposureTime = 0.004;
  s.EXIFFNumber = 5.6;
  s.EXIFExposureProgram = 3;
  s.SetEXIFISOSpeedRatings(1, 800);
  s.EXIFVersion = "0231";
  s.EXIFDateTimeOriginal = "original";
  s.EXIFDateTimeDigitized = "digitized";
  s.EXIFCompressedBitsPerPixel = 4;
  s.EXIFShutterSpeedValue = 7.97;
  s.EXIFApertureValue = 4.97;
  s.EXIFBrightnessValue = -1.25;
  s.EXIFExposureBiasValue = -0.7;
  s.EXIFMaxApertureValue = 3.2;
  s.EXIFSubjectDistance = 1.5;
  s.EXIFMeteringMode = 5;
  s.EXIFLightSource = 4;
  s.EXIFFlash = 16;
  s.EXIFFocalLength = 35;
  s.EXIFSubsecTime = "12";
  s.EXIFSubsecTimeOriginal = "34";
  s.EXIFSubsecTimeDigitized = "56";
  s.EXIFFlashPixVersion = "0100";
  s.EXIFColorSpace = 65535;
  s.EXIFImageWidth = 4000;
  s.EXIFImageHeight = 3000;
  s.EXIFRelatedSoundFile = "SND00001.WAV";
  s.EXIFFocalPlaneXResolution = 3000.5;
  s.EXIFFocalPlaneYResolution = 2000.25;
  s.EXIFFocalPlaneResolutionUnit = 3;
  s.EXIFExposureIndex = 100;
  s.EXIFSensingMethod = 2;
  s.EXIFFileSource = 3;
  s.EXIFSceneType = 1;
  s.EXIFUserComment = "comment";
  s.EXIFUserCommentCode = std::string("ASCII\0\0\0", 8);
  s.EXIFXPTitle = u"title";
  s.EXIFXPComment = u"comment";
  s.EXIFXPAuthor = u"author";
  s.EXIFXPKeywords = u"keywords";
  s.EXIFXPSubject = u"subject";
  // A maker-note block with one SHORT entry 0x0001 = 42.
  const uint8_t note[] = {1, 0, 1, 0, 3, 0, 1, 0, 0, 0, 42, 0, 0, 0};
  s.EXIFMakerNote.Data()->Write(note, sizeof(note));
  s.EXIFMakerNote.Update();
  s.HasEXIFData = true;
  s.EXIFThumbnail = std::make_unique<TIEBitmap>();
  s.EXIFThumbnail->Allocate(2, 2, TIEPixelFormat::ie24RGB);

  TIOParamsVals d;
  const uint8_t old[] = {1, 0, 2, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0};
  d.EXIFMakerNote.Data()->Write(old, sizeof(old));
  d.EXIFMakerNote.Update();
  IECopyEXIF(s, d);

  EXPECT_FALSE(d.HasEXIFData);
  EXPECT_EQ(d.EXIFThumbnail, nullptr);
  EXPECT_EQ(d.EXIFImageDescription, "from tag 270");
  EXPECT_EQ(d.TIFFOrientation, 6);  // through the setters
  EXPECT_EQ(d.DpiX, 240);
  EXPECT_EQ(d.DpiY, 120);
  // Every other field as in the source.
  TIOParamsVals expected;
  expected.Assign(&s);
  expected.HasEXIFData = false;
  expected.EXIFThumbnail.reset();
  expected.EXIFImageDescription = "from tag 270";
  const auto same = [](TIOParamsVals& a, TIOParamsVals& b) {
    return a.EXIFMake == b.EXIFMake && a.EXIFModel == b.EXIFModel && a.EXIFOrientation == b.EXIFOrientation &&
           a.EXIFXResolution == b.EXIFXResolution && a.EXIFYResolution == b.EXIFYResolution &&
           a.EXIFResolutionUnit == b.EXIFResolutionUnit && a.EXIFSoftware == b.EXIFSoftware &&
           a.EXIFArtist == b.EXIFArtist && a.EXIFDateTime == b.EXIFDateTime && a.EXIFWhitePoint == b.EXIFWhitePoint &&
           a.EXIFPrimaryChromaticities == b.EXIFPrimaryChromaticities &&
           a.EXIFYCbCrCoefficients == b.EXIFYCbCrCoefficients && a.EXIFYCbCrPositioning == b.EXIFYCbCrPositioning &&
           a.EXIFReferenceBlackWhite == b.EXIFReferenceBlackWhite && a.EXIFCopyright == b.EXIFCopyright &&
           a.EXIFExposureTime == b.EXIFExposureTime && a.EXIFFNumber == b.EXIFFNumber &&
           a.EXIFExposureProgram == b.EXIFExposureProgram && a.EXIFISOSpeedRatings == b.EXIFISOSpeedRatings &&
           a.EXIFVersion == b.EXIFVersion && a.EXIFDateTimeOriginal == b.EXIFDateTimeOriginal &&
           a.EXIFDateTimeDigitized == b.EXIFDateTimeDigitized &&
           a.EXIFCompressedBitsPerPixel == b.EXIFCompressedBitsPerPixel &&
           a.EXIFShutterSpeedValue == b.EXIFShutterSpeedValue && a.EXIFApertureValue == b.EXIFApertureValue &&
           a.EXIFBrightnessValue == b.EXIFBrightnessValue && a.EXIFExposureBiasValue == b.EXIFExposureBiasValue &&
           a.EXIFMaxApertureValue == b.EXIFMaxApertureValue && a.EXIFSubjectDistance == b.EXIFSubjectDistance &&
           a.EXIFMeteringMode == b.EXIFMeteringMode && a.EXIFLightSource == b.EXIFLightSource &&
           a.EXIFFlash == b.EXIFFlash && a.EXIFFocalLength == b.EXIFFocalLength &&
           a.EXIFSubsecTime == b.EXIFSubsecTime && a.EXIFSubsecTimeOriginal == b.EXIFSubsecTimeOriginal &&
           a.EXIFSubsecTimeDigitized == b.EXIFSubsecTimeDigitized && a.EXIFFlashPixVersion == b.EXIFFlashPixVersion &&
           a.EXIFColorSpace == b.EXIFColorSpace && a.EXIFImageWidth == b.EXIFImageWidth &&
           a.EXIFImageHeight == b.EXIFImageHeight && a.EXIFRelatedSoundFile == b.EXIFRelatedSoundFile &&
           a.EXIFFocalPlaneXResolution == b.EXIFFocalPlaneXResolution &&
           a.EXIFFocalPlaneYResolution == b.EXIFFocalPlaneYResolution &&
           a.EXIFFocalPlaneResolutionUnit == b.EXIFFocalPlaneResolutionUnit &&
           a.EXIFExposureIndex == b.EXIFExposureIndex && a.EXIFSensingMethod == b.EXIFSensingMethod &&
           a.EXIFFileSource == b.EXIFFileSource && a.EXIFSceneType == b.EXIFSceneType &&
           a.EXIFUserComment == b.EXIFUserComment && a.EXIFUserCommentCode == b.EXIFUserCommentCode &&
           a.EXIFXPTitle == b.EXIFXPTitle && a.EXIFXPComment == b.EXIFXPComment && a.EXIFXPAuthor == b.EXIFXPAuthor &&
           a.EXIFXPKeywords == b.EXIFXPKeywords && a.EXIFXPSubject == b.EXIFXPSubject &&
           a.EXIFImageDescription == b.EXIFImageDescription;
  };
  EXPECT_TRUE(same(d, expected));
  // The maker-note block: the source's bytes, its directory read again.
  ASSERT_EQ(d.EXIFMakerNote.Data()->Size(), int64_t(sizeof(note)));
  EXPECT_EQ(std::memcmp(d.EXIFMakerNote.Data()->Memory(), note, sizeof(note)), 0);
  EXPECT_EQ(d.EXIFMakerNote.GetIntegerIndexed(1, 0), 42);
  EXPECT_FALSE(d.EXIFMakerNote.TagExists(2));
}
