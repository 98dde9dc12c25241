#include "imaging/io/metadata/exiftags.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"

namespace {

struct TTagRowDef {
  uint16_t Tag;
  const char* Name;
  const char* Description;
  const char* DecodeList;
  const char* FormatString;
  TTagDecoder Decoder;
};

// EXIF and TIFF tags of the main, EXIF, interoperability and thumbnail
// directories. Rows without a description get one made from the name.
const TTagRowDef kExifRows[] = {
    {0x0001, "InteroperabilityIndex", nullptr, nullptr, nullptr, nullptr},
    {0x0002, "InteroperabilityVersion", nullptr, nullptr, nullptr, nullptr},
    {0x000B, "ACDComment", nullptr, nullptr, nullptr, nullptr},
    {0x00FE, "NewSubfileType", nullptr, nullptr, nullptr, nullptr},
    {0x00FF, "SubfileType", nullptr, nullptr, nullptr, nullptr},
    {0x0100, "ImageWidth", nullptr, nullptr, nullptr, nullptr},
    {0x0101, "ImageLength", nullptr, nullptr, nullptr, nullptr},
    {0x0102, "BitsPerSample", nullptr, nullptr, nullptr, nullptr},
    {0x0103, "Compression", nullptr, "6:Jpeg,3:Uncompressed,1:TIFF", nullptr, nullptr},
    {0x0106, "PhotometricInterpretation", nullptr, "1:Monochrome,2:RGB,6:YCbCr", nullptr, nullptr},
    {0x010A, "FillOrder", nullptr, nullptr, nullptr, nullptr},
    {0x010D, "DocumentName", nullptr, nullptr, nullptr, nullptr},
    {0x010E, "ImageDescription", nullptr, nullptr, nullptr, nullptr},
    {0x010F, "Make", nullptr, nullptr, nullptr, nullptr},
    {0x0110, "Model", nullptr, nullptr, nullptr, nullptr},
    {0x0111, "StripOffsets", nullptr, nullptr, nullptr, nullptr},
    {0x0112, "Orientation", nullptr, "1:Normal,3:Rotated 180°,6:CounterClockwise 90°,8:Clockwise 90°", nullptr,
     nullptr},
    {0x0115, "SamplesPerPixel", nullptr, nullptr, nullptr, nullptr},
    {0x0116, "RowsPerStrip", nullptr, nullptr, nullptr, nullptr},
    {0x0117, "StripByteCounts", nullptr, nullptr, nullptr, nullptr},
    {0x0118, "MinSampleValue", nullptr, nullptr, nullptr, nullptr},
    {0x0119, "MaxSampleValue", nullptr, nullptr, nullptr, nullptr},
    {0x011A, "XResolution", nullptr, nullptr, "%5.2f", nullptr},
    {0x011B, "YResolution", nullptr, nullptr, "%5.2f", nullptr},
    {0x011C, "PlanarConfiguration", nullptr, nullptr, nullptr, nullptr},
    {0x011D, "PageName", nullptr, nullptr, nullptr, nullptr},
    {0x011E, "XPosition", nullptr, nullptr, nullptr, nullptr},
    {0x011F, "YPosition", nullptr, nullptr, nullptr, nullptr},
    {0x0120, "FreeOffsets", nullptr, nullptr, nullptr, nullptr},
    {0x0121, "FreeByteCounts", nullptr, nullptr, nullptr, nullptr},
    {0x0122, "GrayReponseUnit", nullptr, nullptr, nullptr, nullptr},
    {0x0123, "GrayReponseCurve", nullptr, nullptr, nullptr, nullptr},
    {0x0124, "T4Options", nullptr, nullptr, nullptr, nullptr},
    {0x0125, "T6Options", nullptr, nullptr, nullptr, nullptr},
    {0x0128, "ResolutionUnit", nullptr, "1:None Specified,2:Inch,3:Centimeter", nullptr, nullptr},
    {0x0129, "PageNumber", nullptr, nullptr, nullptr, nullptr},
    {0x012D, "TransferFunction", nullptr, nullptr, nullptr, nullptr},
    {0x0131, "Software", nullptr, nullptr, nullptr, nullptr},
    {0x0132, "DateTime", nullptr, nullptr, nullptr, nullptr},
    {0x013B, "Artist", nullptr, nullptr, nullptr, nullptr},
    {0x013C, "HostComputer", nullptr, nullptr, nullptr, nullptr},
    {0x013D, "Predictor", nullptr, nullptr, nullptr, nullptr},
    {0x013E, "WhitePoint", nullptr, nullptr, nullptr, nullptr},
    {0x013F, "PrimaryChromaticities", nullptr, nullptr, nullptr, nullptr},
    {0x0140, "ColorMap", nullptr, nullptr, nullptr, nullptr},
    {0x0141, "HalfToneHints", nullptr, nullptr, nullptr, nullptr},
    {0x0142, "TileWidth", nullptr, nullptr, nullptr, nullptr},
    {0x0143, "TileLength", nullptr, nullptr, nullptr, nullptr},
    {0x0144, "TileOffsets", nullptr, nullptr, nullptr, nullptr},
    {0x0145, "TileByteCounts", nullptr, nullptr, nullptr, nullptr},
    {0x014A, "SubIFDs", nullptr, nullptr, nullptr, nullptr},
    {0x014C, "InkSet", nullptr, nullptr, nullptr, nullptr},
    {0x014D, "InkNames", nullptr, nullptr, nullptr, nullptr},
    {0x014E, "NumberOfInks", nullptr, nullptr, nullptr, nullptr},
    {0x0150, "DotRange", nullptr, nullptr, nullptr, nullptr},
    {0x0151, "TargetPrinter", nullptr, nullptr, nullptr, nullptr},
    {0x0152, "ExtraSample", nullptr, nullptr, nullptr, nullptr},
    {0x0153, "SampleFormat", nullptr, nullptr, nullptr, nullptr},
    {0x0154, "SMinSampleValue", nullptr, nullptr, nullptr, nullptr},
    {0x0155, "SMaxSampleValue", nullptr, nullptr, nullptr, nullptr},
    {0x0156, "TransferRange", nullptr, nullptr, nullptr, nullptr},
    {0x0157, "ClipPath", nullptr, nullptr, nullptr, nullptr},
    {0x0158, "XClipPathUnits", nullptr, nullptr, nullptr, nullptr},
    {0x0159, "YClipPathUnits", nullptr, nullptr, nullptr, nullptr},
    {0x015A, "Indexed", nullptr, nullptr, nullptr, nullptr},
    {0x015B, "JPEGTables", nullptr, nullptr, nullptr, nullptr},
    {0x015F, "OPIProxy", nullptr, nullptr, nullptr, nullptr},
    {0x0200, "JPEGProc", nullptr, nullptr, nullptr, nullptr},
    {0x0201, "JPEGInterchangeFormat", nullptr, nullptr, nullptr, nullptr},
    {0x0202, "JPEGInterchangeFormatLength", nullptr, nullptr, nullptr, nullptr},
    {0x0203, "JPEGRestartInterval", nullptr, nullptr, nullptr, nullptr},
    {0x0205, "JPEGLosslessPredictors", nullptr, nullptr, nullptr, nullptr},
    {0x0206, "JPEGPointTransforms", nullptr, nullptr, nullptr, nullptr},
    {0x0207, "JPEGQTables", nullptr, nullptr, nullptr, nullptr},
    {0x0208, "JPEGDCTables", nullptr, nullptr, nullptr, nullptr},
    {0x0209, "JPEGACTables", nullptr, nullptr, nullptr, nullptr},
    {0x0211, "YCbCrCoefficients", nullptr, nullptr, nullptr, nullptr},
    {0x0212, "YCbCrSubSampling", nullptr, nullptr, nullptr, nullptr},
    {0x0213, "YCbCrPositioning", nullptr, "1:Centered,2:Co-sited", nullptr, nullptr},
    {0x0214, "ReferenceBlackWhite", nullptr, nullptr, nullptr, nullptr},
    {0x02BC, "ExtensibleMetadataPlatform", nullptr, nullptr, nullptr, nullptr},
    {0x0301, "Gamma", nullptr, nullptr, nullptr, nullptr},
    {0x0302, "ICCProfileDescriptor", nullptr, nullptr, nullptr, nullptr},
    {0x0303, "SRGBRenderingIntent", nullptr, nullptr, nullptr, nullptr},
    {0x0304, "ImageTitle", nullptr, nullptr, nullptr, nullptr},
    {0x1000, "RelatedImageFileFormat", nullptr, nullptr, nullptr, nullptr},
    {0x1001, "RelatedImageWidth", nullptr, nullptr, nullptr, nullptr},
    {0x1002, "RelatedImageHeight", nullptr, nullptr, nullptr, nullptr},
    {0x5001, "ResolutionXUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5002, "ResolutionYUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5003, "ResolutionXLengthUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5004, "ResolutionYLengthUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5005, "PrintFlags", nullptr, nullptr, nullptr, nullptr},
    {0x5006, "PrintFlagsVersion", nullptr, nullptr, nullptr, nullptr},
    {0x5007, "PrintFlagsCrop", nullptr, nullptr, nullptr, nullptr},
    {0x5008, "PrintFlagsBleedWidth", nullptr, nullptr, nullptr, nullptr},
    {0x5009, "PrintFlagsBleedWidthScale", nullptr, nullptr, nullptr, nullptr},
    {0x500A, "HalftoneLPI", nullptr, nullptr, nullptr, nullptr},
    {0x500B, "HalftoneLPIUnit", nullptr, nullptr, nullptr, nullptr},
    {0x500C, "HalftoneDegree", nullptr, nullptr, nullptr, nullptr},
    {0x500D, "HalftoneShape", nullptr, nullptr, nullptr, nullptr},
    {0x500E, "HalftoneMisc", nullptr, nullptr, nullptr, nullptr},
    {0x500F, "HalftoneScreen", nullptr, nullptr, nullptr, nullptr},
    {0x5010, "JPEGQuality", nullptr, nullptr, nullptr, nullptr},
    {0x5011, "GridSize", nullptr, nullptr, nullptr, nullptr},
    {0x5012, "ThumbnailFormat", nullptr, nullptr, nullptr, nullptr},
    {0x5013, "ThumbnailWidth", nullptr, nullptr, nullptr, nullptr},
    {0x5014, "ThumbnailHeight", nullptr, nullptr, nullptr, nullptr},
    {0x5015, "ThumbnailColorDepth", nullptr, nullptr, nullptr, nullptr},
    {0x5016, "ThumbnailPlanes", nullptr, nullptr, nullptr, nullptr},
    {0x5017, "ThumbnailRawBytes", nullptr, nullptr, nullptr, nullptr},
    {0x5018, "ThumbnailSize", nullptr, nullptr, nullptr, nullptr},
    {0x5019, "ThumbnailCompressedSize", nullptr, nullptr, nullptr, nullptr},
    {0x501A, "ColorTransferFunction", nullptr, nullptr, nullptr, nullptr},
    {0x501B, "ThumbnailData", nullptr, nullptr, nullptr, nullptr},
    {0x5020, "ThumbnailImageWidth", nullptr, nullptr, nullptr, nullptr},
    {0x5021, "ThumbnailImageHeight", nullptr, nullptr, nullptr, nullptr},
    {0x5022, "ThumbnailBitsPerSample", nullptr, nullptr, nullptr, nullptr},
    {0x5023, "ThumbnailCompression", nullptr, nullptr, nullptr, nullptr},
    {0x5024, "ThumbnailPhotometricInterp", nullptr, nullptr, nullptr, nullptr},
    {0x5025, "ThumbnailImageDescription", nullptr, nullptr, nullptr, nullptr},
    {0x5026, "ThumbnailEquipMake", nullptr, nullptr, nullptr, nullptr},
    {0x5027, "ThumbnailEquipModel", nullptr, nullptr, nullptr, nullptr},
    {0x5028, "ThumbnailStripOffsets", nullptr, nullptr, nullptr, nullptr},
    {0x5029, "ThumbnailOrientation", nullptr, nullptr, nullptr, nullptr},
    {0x502A, "ThumbnailSamplesPerPixel", nullptr, nullptr, nullptr, nullptr},
    {0x502B, "ThumbnailRowsPerStrip", nullptr, nullptr, nullptr, nullptr},
    {0x502C, "ThumbnailStripBytesCount", nullptr, nullptr, nullptr, nullptr},
    {0x502D, "ThumbnailResolutionX", nullptr, nullptr, nullptr, nullptr},
    {0x502E, "ThumbnailResolutionY", nullptr, nullptr, nullptr, nullptr},
    {0x502F, "ThumbnailPlanarConfig", nullptr, nullptr, nullptr, nullptr},
    {0x5030, "ThumbnailResolutionUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5031, "ThumbnailTransferFunction", nullptr, nullptr, nullptr, nullptr},
    {0x5032, "ThumbnailSoftwareUsed", nullptr, nullptr, nullptr, nullptr},
    {0x5033, "ThumbnailDateTime", nullptr, nullptr, nullptr, nullptr},
    {0x5034, "ThumbnailArtist", nullptr, nullptr, nullptr, nullptr},
    {0x5035, "ThumbnailWhitePoint", nullptr, nullptr, nullptr, nullptr},
    {0x5036, "ThumbnailPrimaryChromaticities", nullptr, nullptr, nullptr, nullptr},
    {0x5037, "ThumbnailYCbCrCoefficients", nullptr, nullptr, nullptr, nullptr},
    {0x5038, "ThumbnailYCbCrSubsampling", nullptr, nullptr, nullptr, nullptr},
    {0x5039, "ThumbnailYCbCrPositioning", nullptr, nullptr, nullptr, nullptr},
    {0x503A, "ThumbnailRefBlackWhite", nullptr, nullptr, nullptr, nullptr},
    {0x503B, "ThumbnailCopyRight", nullptr, nullptr, nullptr, nullptr},
    {0x5090, "LuminanceTable", nullptr, nullptr, nullptr, nullptr},
    {0x5091, "ChrominanceTable", nullptr, nullptr, nullptr, nullptr},
    {0x5100, "FrameDelay", nullptr, nullptr, nullptr, nullptr},
    {0x5101, "LoopCount", nullptr, nullptr, nullptr, nullptr},
    {0x5110, "PixelUnit", nullptr, nullptr, nullptr, nullptr},
    {0x5111, "PixelPerUnitX", nullptr, nullptr, nullptr, nullptr},
    {0x5112, "PixelPerUnitY", nullptr, nullptr, nullptr, nullptr},
    {0x5113, "PaletteHistogram", nullptr, nullptr, nullptr, nullptr},
    {0x800D, "ImageID", nullptr, nullptr, nullptr, nullptr},
    {0x80E3, "Matteing", nullptr, nullptr, nullptr, nullptr},
    {0x80E4, "DataType", nullptr, nullptr, nullptr, nullptr},
    {0x80E5, "ImageDepth", nullptr, nullptr, nullptr, nullptr},
    {0x80E6, "TileDepth", nullptr, nullptr, nullptr, nullptr},
    {0x828D, "CFARepeatPatternDim", nullptr, nullptr, nullptr, nullptr},
    {0x828E, "CFAPattern", nullptr, nullptr, nullptr, nullptr},
    {0x828F, "BatteryLevel", nullptr, nullptr, nullptr, nullptr},
    {0x8298, "Copyright", nullptr, nullptr, nullptr, nullptr},
    {0x829A, "ExposureTime", nullptr, nullptr, "%s sec", nullptr},
    {0x829D, "FNumber", nullptr, nullptr, "F%0.1f", nullptr},
    {0x83BB, "IPTC/NAA", "IPTC/NAA", nullptr, nullptr, nullptr},
    {0x84E3, "IT8RasterPadding", nullptr, nullptr, nullptr, nullptr},
    {0x84E5, "IT8ColorTable", nullptr, nullptr, nullptr, nullptr},
    {0x8649, "ImageResourceInformation", nullptr, nullptr, nullptr, nullptr},
    {0x8769, "ExifOffset", nullptr, nullptr, nullptr, nullptr},
    {0x8773, "InterColorProfile", nullptr, nullptr, nullptr, nullptr},
    {0x8822, "ExposureProgram", nullptr,
     "0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter "
     "priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode",
     nullptr, nullptr},
    {0x8824, "SpectralSensitivity", nullptr, nullptr, nullptr, nullptr},
    {0x8825, "GPSInfo", nullptr, nullptr, nullptr, nullptr},
    {0x8827, "ISOSpeedRatings", nullptr, nullptr, nullptr, nullptr},
    {0x8828, "OECF", nullptr, nullptr, nullptr, nullptr},
    {0x8829, "Interlace", nullptr, nullptr, nullptr, nullptr},
    {0x882A, "TimeZoneOffset", nullptr, nullptr, nullptr, nullptr},
    {0x882B, "SelfTimerMode", nullptr, nullptr, nullptr, nullptr},
    {0x9000, "ExifVersion", nullptr, nullptr, nullptr, nullptr},
    {0x9003, "DateTimeOriginal", nullptr, nullptr, nullptr, nullptr},
    {0x9004, "DateTimeDigitized", nullptr, nullptr, nullptr, nullptr},
    {0x9101, "ComponentsConfiguration", nullptr, nullptr, nullptr, DecodeComponents},
    {0x9102, "CompressedBitsPerPixel", nullptr, nullptr, nullptr, nullptr},
    {0x9201, "ShutterSpeedValue", nullptr, nullptr, nullptr, DecodeShutterSpeed},
    {0x9202, "ApertureValue", nullptr, nullptr, "F%0.1f", nullptr},
    {0x9203, "BrightnessValue", nullptr, nullptr, nullptr, nullptr},
    {0x9204, "ExposureBiasValue", nullptr, nullptr, nullptr, nullptr},
    {0x9205, "MaxApertureValue", nullptr, nullptr, "F%0.1f", nullptr},
    {0x9206, "SubjectDistance", nullptr, nullptr, nullptr, nullptr},
    {0x9207, "MeteringMode", nullptr, "0:Unknown,1:Average,2:Center,3:Spot,4:MultiSpot,5:MultiSegment,6:Partial",
     nullptr, nullptr},
    {0x9208, "LightSource", nullptr,
     "0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std B,19:Std C", nullptr, nullptr},
    {0x9209, "Flash", nullptr, nullptr, nullptr, DecodeFlash},
    {0x920A, "FocalLength", nullptr, nullptr, "%5.2f mm", nullptr},
    {0x920B, "FlashEnergy", nullptr, nullptr, nullptr, nullptr},
    {0x920C, "SpatialFrequencyResponse", nullptr, nullptr, nullptr, nullptr},
    {0x920D, "Noise", nullptr, nullptr, nullptr, nullptr},
    {0x920E, "FocalPlaneXResolution", nullptr, nullptr, nullptr, nullptr},
    {0x920F, "FocalPlaneYResolution", nullptr, nullptr, nullptr, nullptr},
    {0x9210, "FocalPlaneResolutionUnit", nullptr, "1:None Specified,2:Inch,3:Centimeter", nullptr, nullptr},
    {0x9211, "ImageNumber", nullptr, nullptr, nullptr, nullptr},
    {0x9212, "SecurityClassification", nullptr, nullptr, nullptr, nullptr},
    {0x9213, "ImageHistory", nullptr, nullptr, nullptr, nullptr},
    {0x9214, "SubjectLocation", nullptr, nullptr, nullptr, nullptr},
    {0x9215, "ExposureIndex", nullptr, nullptr, nullptr, nullptr},
    {0x9216, "TIFF/EPStandardID", nullptr, nullptr, nullptr, nullptr},
    {0x9217, "SensingMethod", nullptr, nullptr, nullptr, nullptr},
    {0x923F, "StoNits", nullptr, nullptr, nullptr, nullptr},
    {0x927C, "MakerNote", nullptr, nullptr, nullptr, nullptr},
    {0x9286, "UserComment", nullptr, nullptr, nullptr, DecodeUserComment},
    {0x9290, "SubSecTime", nullptr, nullptr, nullptr, nullptr},
    {0x9291, "SubSecTimeOriginal", nullptr, nullptr, nullptr, nullptr},
    {0x9292, "SubSecTimeDigitized", nullptr, nullptr, nullptr, nullptr},
    {0x953C, "ImageSourceData", nullptr, nullptr, nullptr, nullptr},
    {0x9C9B, "Title", nullptr, nullptr, nullptr, Decode16BitText},
    {0x9C9C, "Comments", nullptr, nullptr, nullptr, Decode16BitText},
    {0x9C9D, "Author", nullptr, nullptr, nullptr, Decode16BitText},
    {0x9C9E, "Keywords", nullptr, nullptr, nullptr, Decode16BitText},
    {0x9C9F, "Subject", nullptr, nullptr, nullptr, Decode16BitText},
    {0xA000, "FlashPixVersion", nullptr, nullptr, nullptr, nullptr},
    {0xA001, "ColorSpace", nullptr, "0:sBW,1:sRGB", nullptr, nullptr},
    {0xA002, "ExifImageWidth", nullptr, nullptr, nullptr, nullptr},
    {0xA003, "ExifImageLength", nullptr, nullptr, nullptr, nullptr},
    {0xA004, "RelatedSoundFile", nullptr, nullptr, nullptr, nullptr},
    {0xA005, "InteroperabilityOffset", nullptr, nullptr, nullptr, nullptr},
    {0xA20B, "FlashEnergy", nullptr, nullptr, nullptr, nullptr},
    {0xA20C, "SpatialFrequencyResponse", nullptr, nullptr, nullptr, nullptr},
    {0xA20E, "FocalPlaneXResolution", nullptr, nullptr, nullptr, nullptr},
    {0xA20F, "FocalPlaneYResolution", nullptr, nullptr, nullptr, nullptr},
    {0xA210, "FocalPlaneResolutionUnit", nullptr, "1:None Specified,2:Inch,3:Centimeter", nullptr, nullptr},
    {0xA211, "ImageNumber", nullptr, nullptr, nullptr, nullptr},
    {0xA212, "SecurityClassification", nullptr, nullptr, nullptr, nullptr},
    {0xA213, "ImageHistory", nullptr, nullptr, nullptr, nullptr},
    {0xA214, "SubjectLocation", nullptr, nullptr, nullptr, nullptr},
    {0xA215, "ExposureIndex", nullptr, nullptr, nullptr, nullptr},
    {0xA216, "TIFF/EPStandardID", "TIFF/EPStandardID", nullptr, nullptr, nullptr},
    {0xA217, "SensingMethod", nullptr,
     "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,5:ColorSequentialArea,6:"
     "MonochromeLinear,7:TriLinear,8:ColorSequentialLinear",
     nullptr, nullptr},
    {0xA300, "FileSource", nullptr, "1:Unknown,3:Digital Still Camera", nullptr, nullptr},
    {0xA301, "SceneType", nullptr, "0:Unknown,1:Directly Photographed", nullptr, nullptr},
    {0xA302, "CFAPattern", nullptr, nullptr, nullptr, nullptr},
    {0xA401, "CustomRendered", nullptr, "0:Normal process,1:Custom process", nullptr, nullptr},
    {0xA402, "ExposureMode", nullptr, "0:Auto,1:Manual,2:Auto bracket", nullptr, nullptr},
    {0xA403, "WhiteBalance", nullptr, "0:Auto,1:Manual", nullptr, nullptr},
    {0xA404, "DigitalZoomRatio", nullptr, nullptr, nullptr, nullptr},
    {0xA405, "FocalLengthin35mmFilm", "Focal Length in 35mm Film", nullptr, "%5.2f", nullptr},
    {0xA406, "SceneCaptureType", nullptr, "0:Standard,1:Landscape,2:Portrait,3:Night scene", nullptr, nullptr},
    {0xA407, "GainControl", nullptr, "0:None,1:Low gain up,2:High gain up,3:Low gain down,4:High gain down", nullptr,
     nullptr},
    {0xA408, "Contrast", nullptr, "0:Normal,1:Soft,2:Hard", nullptr, nullptr},
    {0xA409, "Saturation", nullptr, "0:Normal,1:Low,2:High", nullptr, nullptr},
    {0xA40A, "Sharpness", nullptr, "0:Normal,1:Soft,2:Hard", nullptr, nullptr},
    {0xA40B, "DeviceSettingDescription", nullptr, nullptr, nullptr, nullptr},
    {0xA40C, "SubjectDistanceRange", nullptr, "0:Unknown,1:Macro,2:Close view,3:Distant view", nullptr, nullptr},
    {0xA420, "ImageUniqueID", nullptr, nullptr, nullptr, nullptr},
};

const TTagRowDef kGpsRows[] = {
    {0, "GPSVersionID", nullptr, nullptr, nullptr, nullptr},
    {1, "GPSLatitudeRef", nullptr, nullptr, nullptr, nullptr},
    {2, "GPSLatitude", nullptr, nullptr, nullptr, DecodeCoordinate},
    {3, "GPSLongitudeRef", nullptr, nullptr, nullptr, nullptr},
    {4, "GPSLongitude", nullptr, nullptr, nullptr, DecodeCoordinate},
    {5, "GPSAltitudeRef", nullptr, "0:Sealevel", nullptr, nullptr},
    {6, "GPSAltitude", nullptr, nullptr, nullptr, nullptr},
    {7, "GPSTimeStamp", nullptr, nullptr, nullptr, DecodeGpsTime},
    {8, "GPSSatellites", nullptr, nullptr, nullptr, nullptr},
    {9, "GPSStatus", nullptr, nullptr, nullptr, nullptr},
    {10, "GPSMeasureMode", nullptr, nullptr, nullptr, nullptr},
    {11, "GPSDOP", nullptr, nullptr, nullptr, nullptr},
    {12, "GPSSpeedRef", nullptr, nullptr, nullptr, nullptr},
    {13, "GPSSpeed", nullptr, nullptr, nullptr, nullptr},
    {14, "GPSTrackRef", nullptr, nullptr, nullptr, nullptr},
    {15, "GPSTrack", nullptr, nullptr, nullptr, nullptr},
    {16, "GPSImageDirectionRef", nullptr, nullptr, nullptr, nullptr},
    {17, "GPSImageDirection", nullptr, nullptr, nullptr, nullptr},
    {18, "GPSMapDatum", nullptr, nullptr, nullptr, nullptr},
    {19, "GPSDestLatitudeRef", nullptr, nullptr, nullptr, nullptr},
    {20, "GPSDestLatitude", nullptr, nullptr, nullptr, DecodeCoordinate},
    {21, "GPSDestLongitudeRef", nullptr, nullptr, nullptr, nullptr},
    {22, "GPSDestLongitude", nullptr, nullptr, nullptr, DecodeCoordinate},
    {23, "GPSDestBearingkRef", nullptr, nullptr, nullptr, nullptr},
    {24, "GPSDestBearing", nullptr, nullptr, nullptr, nullptr},
    {25, "GPSDestDistanceRef", nullptr, nullptr, nullptr, nullptr},
    {26, "GPSDestDistance", nullptr, nullptr, nullptr, nullptr},
    {27, "GPSProcessingMode", nullptr, nullptr, nullptr, nullptr},
    {28, "GPSAreaInformation", nullptr, nullptr, nullptr, nullptr},
    {29, "GPSDateStamp", nullptr, nullptr, nullptr, nullptr},
};

struct TTagTables {
  std::vector<TTagEntry> Exif;
  std::vector<TTagEntry> Gps;
  TTagEntry Default;
};

TTagTables& Tables() {
  static TTagTables tables;
  return tables;
}

TTagEntry MakeRow(const TTagRowDef& def) {
  TTagEntry row;
  row.Tag = def.Tag;
  row.Name = def.Name;
  if (def.Description) row.Description = def.Description;
  if (def.DecodeList) row.DecodeList = def.DecodeList;
  if (def.FormatString) row.FormatString = def.FormatString;
  row.Decoder = def.Decoder;
  return row;
}

void BuildTables() {
  TTagTables& t = Tables();
  for (const TTagRowDef& def : kExifRows) t.Exif.push_back(MakeRow(def));
  for (const TTagRowDef& def : kGpsRows) t.Gps.push_back(MakeRow(def));
  t.Default.Name = "Unknown";
  auto fill = [](TTagEntry& row) {
    if (row.Description.empty()) row.Description = MakeTagDescription(row.Name);
  };
  for (TTagEntry& row : t.Exif) fill(row);
  for (TTagEntry& row : t.Gps) fill(row);
  fill(t.Default);
}

std::once_flag gTablesOnce;

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

bool IsIntegerType(int32_t type) {
  return type == ttByte || type == ttShort || type == ttLong || type == ttSByte || type == ttSShort || type == ttSLong;
}

// The bytes of s as one unsigned number in the given order, kept to its low
// 32 bits.
uint32_t Accumulate(std::string_view s, bool bigEndian) {
  uint32_t v = 0;
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = static_cast<uint8_t>(bigEndian ? s[i] : s[n - 1 - i]);
    v = (v << 8) | b;
  }
  return v;
}

uint32_t Read32At(std::string_view s, size_t offset, bool bigEndian) {
  return Accumulate(s.substr(offset, 4), bigEndian);
}

// "n/d", "w n/d" or a plain number; anything unreadable counts as 0.
double RationalTextValue(const String& text) {
  String s = Trim(text);
  double whole = 0;
  const int32_t blank = Pos(' ', s);
  if (blank > 0) {
    if (!TryStrToFloat(Copy(s, 1, blank - 1), whole)) return 0;
    s = Trim(Copy(s, blank + 1, Length(s)));
  }
  const int32_t slash = Pos('/', s);
  double value = 0;
  if (slash == 0) {
    if (!TryStrToFloat(s, value)) return 0;
    return whole + value;
  }
  double num = 0, den = 0;
  if (!TryStrToFloat(Trim(Copy(s, 1, slash - 1)), num) || !TryStrToFloat(Trim(Copy(s, slash + 1, Length(s))), den) ||
      den == 0)
    return 0;
  return whole + num / den;
}

// The comma-separated items of a value text.
std::vector<String> SplitItems(const String& text) {
  std::vector<String> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == String::npos ? String::npos : comma - start));
    if (comma == String::npos) break;
    start = comma + 1;
  }
  return items;
}

// Length of the UTF-8 sequence led by b (1 for a stray byte).
size_t SequenceLength(uint8_t b) {
  if (b >= 0xF0 && b <= 0xF4) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC2) return 2;
  return 1;
}

}  // namespace

int32_t TagTypeSize(int32_t Type) {
  switch (Type) {
    case ttByte:
    case ttAscii:
    case ttSByte:
    case ttUndefined: return 1;
    case ttShort:
    case ttSShort: return 2;
    case ttLong:
    case ttSLong:
    case ttFloat: return 4;
    case ttRational:
    case ttSRational:
    case ttDouble: return 8;
    default: return 0;
  }
}

void FillTagDescriptions() { std::call_once(gTablesOnce, BuildTables); }

String MakeTagDescription(const String& Name) {
  String out;
  for (size_t i = 0; i < Name.size(); ++i) {
    if (i > 0 && IsCapital(Name[i]) && !IsCapital(Name[i - 1])) out += ' ';
    out += Name[i];
  }
  return out;
}

int32_t ExifTagRowCount() {
  FillTagDescriptions();
  return static_cast<int32_t>(Tables().Exif.size());
}

const TTagEntry& ExifTagRow(int32_t Index) {
  FillTagDescriptions();
  return Tables().Exif.at(static_cast<size_t>(Index));
}

int32_t GpsTagRowCount() {
  FillTagDescriptions();
  return static_cast<int32_t>(Tables().Gps.size());
}

const TTagEntry& GpsTagRow(int32_t Index) {
  FillTagDescriptions();
  return Tables().Gps.at(static_cast<size_t>(Index));
}

const TTagEntry& DefaultTagRow() {
  FillTagDescriptions();
  return Tables().Default;
}

const TTagEntry& FindTagRow(uint16_t Tag, int32_t Kind) {
  FillTagDescriptions();
  const std::vector<TTagEntry>& table = Kind == dkGPS ? Tables().Gps : Tables().Exif;
  for (auto it = table.rbegin(); it != table.rend(); ++it)
    if (it->Tag == Tag) return *it;
  return Tables().Default;
}

String DecodeListLabel(const String& DecodeList, const String& Text) {
  const String key = "," + Trim(Text) + ":";
  const String list = "," + DecodeList + ",";
  const int32_t p = Pos(key, list);
  if (p == 0) return String();
  const int32_t start = p + Length(key);
  const int32_t end = PosEx(",", list, start);
  return Copy(list, start, end - start);
}

double TagNumericValue(const String& Value, int32_t Type, bool BigEndian) {
  if (IsIntegerType(Type)) return static_cast<int32_t>(Accumulate(Value, BigEndian));
  if ((Type == ttRational || Type == ttSRational) && Value.size() >= 8) {
    const uint32_t num = Read32At(Value, 0, BigEndian);
    const uint32_t den = Read32At(Value, 4, BigEndian);
    if (den == 0) return 0;
    if (Type == ttSRational) {
      if (static_cast<int32_t>(den) == 0) return 0;
      return static_cast<double>(static_cast<int32_t>(num)) / static_cast<int32_t>(den);
    }
    return static_cast<double>(num) / den;
  }
  return 0;
}

String FormatTagValue(const String& Value, int32_t Type, const String& DecodeList, const String& FormatString,
                      bool BigEndian) {
  const int32_t size = TagTypeSize(Type);
  if (size == 0) return "0";
  const size_t count = std::min<size_t>(Value.size() / static_cast<size_t>(size), 128);
  String text;
  for (size_t i = 0; i < count; ++i) {
    const std::string_view component = std::string_view(Value).substr(i * static_cast<size_t>(size), size);
    String item;
    if (IsIntegerType(Type)) {
      item = IntToStr(static_cast<int32_t>(Accumulate(component, BigEndian)));
      if (!DecodeList.empty()) item = DecodeListLabel(DecodeList, item);
    } else if (Type == ttRational) {
      item = IntToStr(Read32At(component, 0, BigEndian)) + "/" + IntToStr(Read32At(component, 4, BigEndian));
    } else if (Type == ttSRational) {
      item = IntToStr(static_cast<int32_t>(Read32At(component, 0, BigEndian))) + "/" +
             IntToStr(static_cast<int32_t>(Read32At(component, 4, BigEndian)));
    } else if (Type == ttFloat || Type == ttDouble) {
      item = "-9999.99";
    } else {
      item = "?";
    }
    if (i > 0) text += ", ";
    text += item;
  }
  if (!FormatString.empty()) {
    try {
      if (Pos("%s", FormatString) > 0)
        text = Format(FormatString, {text});
      else
        text = Format(FormatString, {TagNumericValue(Value, Type, BigEndian)});
    } catch (const EConvertError&) {
      // A format that does not fit the value leaves the plain text.
    }
  }
  return text;
}

String SanitizeTagText(const String& Text) {
  const String shown = DisplayText(Text);
  String out;
  size_t i = 0;
  for (int chars = 0; chars < 50 && i < shown.size(); ++chars) {
    const uint8_t lead = static_cast<uint8_t>(shown[i]);
    const size_t n = std::min(SequenceLength(lead), shown.size() - i);
    if (lead < 32)
      out += '.';
    else
      out.append(shown, i, n);
    i += n;
  }
  return out;
}

String TagValueText(const TTagEntry& Row, const String& Value, int32_t Type, bool BigEndian) {
  String text;
  if (Type == ttAscii) {
    text = Value;
    if (!text.empty() && text.back() == '\0') text.pop_back();
  } else if (Type == ttUndefined) {
    text = "\"" + Value + "\"";
  } else {
    text = FormatTagValue(Value, Type, Row.DecodeList, Row.FormatString, BigEndian);
  }
  if (Row.Decoder && Row.Tag != 0) return Row.Decoder(text);
  return SanitizeTagText(text);
}

// ---------------------------------------------------------------- decoders

String DecodeComponents(const String& Text) {
  String bytes = Text;
  // An UNDEFINED value arrives quoted.
  if (bytes.size() >= 2 && bytes.front() == '"' && bytes.back() == '"') bytes = bytes.substr(1, bytes.size() - 2);
  static const char* const kNames[] = {"", "Y", "Cb", "Cr", "R", "G", "B"};
  String out;
  for (size_t i = 0; i < 4 && i < bytes.size(); ++i) {
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b >= 1 && b <= 6) out += kNames[b];
  }
  return out;
}

String DecodeShutterSpeed(const String& Text) {
  const double v = RationalTextValue(SplitItems(Text).front());
  const double t = std::pow(2.0, -v);
  String out = Format("%4.4f sec", {t});
  if (t <= 0.5) {
    const double inverse = 1.0 / t;
    if (std::isfinite(inverse) && inverse <= std::numeric_limits<int32_t>::max())
      out += Format(" (1/%d)", {static_cast<int32_t>(Round(inverse))});
  }
  return out;
}

String DecodeFlash(const String& Text) {
  const int32_t n = StrToIntDef(Trim(Text), 0);
  String out = (n & 1) ? "On" : "Off";
  switch (n & 6) {
    case 2: out += ", UNKNOWN"; break;
    case 4: out += ", no strobe return"; break;
    case 6: out += ", strobe return"; break;
  }
  switch (n & 24) {
    case 8: out += ", forced"; break;
    case 16: out += ", surpressed"; break;
    case 24: out += ", auto mode"; break;
  }
  if (n & 32) out += ", no flash function";
  if (n & 64) out += ", red-eye reduction";
  return out;
}

String Decode16BitText(const String& Text) {
  const std::vector<String> items = SplitItems(Text);
  const size_t commas = items.size() - 1;
  String out;
  // Items 1, 3, 5 ... (1-based) hold the low bytes of the UCS-2 characters.
  for (size_t i = 1; i <= commas; i += 2) {
    const uint8_t code = static_cast<uint8_t>(StrToIntDef(Trim(items[i - 1]), 0) & 0xFF);
    if (code != 0) out += CP1252ToUTF8(String(1, static_cast<char>(code)));
  }
  return out;
}

String DecodeCoordinate(const String& Text) {
  const std::vector<String> items = SplitItems(Text);
  auto item = [&](size_t i) { return i < items.size() ? RationalTextValue(items[i]) : 0.0; };
  const double degrees = item(0);
  double minutes = item(1);
  double seconds = item(2);
  if (seconds == 0) {
    seconds = Frac(minutes) * 60;
    minutes = Int(minutes);
  }
  return FormatFloat("0", degrees) + " " + FormatFloat("00", minutes) + "' " + FormatFloat("0.00000000000", seconds) +
         "\"";
}

String DecodeGpsTime(const String& Text) {
  const std::vector<String> items = SplitItems(Text);
  auto item = [&](size_t i) { return i < items.size() ? RationalTextValue(items[i]) : 0.0; };
  return Format("%0.0f:%0.0f:%0.0f", {item(0), item(1), item(2)});
}

String DecodeUserComment(const String& Text) { return DisplayText(Text); }
