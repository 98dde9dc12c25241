// The TIFF reader: header, IFD chain, tags, metadata and the parameter
// record; the pixel data goes to the strip and tile decoding
// (ietiffdecode.cpp).
#include "imaging/io/codecs/tiff/ietiffread.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieannot.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iegeometry.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

// Reads up to Count bytes at Position; answers how many were read.
int64_t ReadAt(TStream* Stream, int64_t Position, void* Buffer, int64_t Count) {
  if (Position < 0 || Count <= 0) return 0;
  Stream->SetPosition(Position);
  return Stream->Read(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, INT32_MAX)));
}

// Count x type-size bytes of a tag's value (from the value field when they
// fit in it), bounded by the stream.
std::vector<uint8_t> ReadTagBlock(const TIEIFDReader& Reader, int32_t Tag) {
  std::vector<uint8_t> out;
  const int32_t i = IEIFDFindTag(Tag, Reader);
  if (i < 0) return out;
  const TIFDEntry& e = Reader.Entries[static_cast<size_t>(i)];
  const int64_t size = int64_t(e.DataNum) * IEIFDTypeSize(e.DataType);
  if (size <= 0) return out;
  if (size <= 4) {
    uint8_t field[4];
    const uint32_t v = e.DataPos;
    // The value field in file order.
    if (Reader.LittleEndian) {
      for (int k = 0; k < 4; ++k) field[k] = static_cast<uint8_t>(v >> (8 * k));
    } else {
      for (int k = 0; k < 4; ++k) field[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
    }
    out.assign(field, field + size);
    return out;
  }
  const int64_t at = Reader.Base + e.DataPos;
  const int64_t available = Reader.Stream->Size() - at;
  if (available <= 0) return out;
  out.resize(static_cast<size_t>(std::min(size, available)));
  out.resize(static_cast<size_t>(ReadAt(Reader.Stream, at, out.data(), static_cast<int64_t>(out.size()))));
  return out;
}

int32_t TruncDpi(double Value) {
  if (!(Value > -2147483648.0 && Value < 2147483648.0)) return 0;
  return static_cast<int32_t>(std::trunc(Value));
}

TIETIFFCompression MapCompression(int32_t Compression, int32_t T4Options) {
  switch (Compression) {
    case 1: return TIETIFFCompression::tcNone;
    case 2: return TIETIFFCompression::tcHuffman;
    case 3: return (T4Options & 1) ? TIETIFFCompression::tcG3Fax2D : TIETIFFCompression::tcG3Fax1D;
    case 4: return TIETIFFCompression::tcG4Fax;
    case 5: return TIETIFFCompression::tcLZW;
    case 6: return TIETIFFCompression::tcOldJPEG;
    case 7: return TIETIFFCompression::tcJPEG;
    case 32773: return TIETIFFCompression::tcPackBits;
    default: return static_cast<TIETIFFCompression>(9);
  }
}

// The tags of the page into Vars (the table of defaults).
bool ReadVars(const TIEIFDReader& r, TTIFFVars& v) {
  v.ImageWidth = IEIFDScalar(r, 256, 0);
  v.ImageLength = IEIFDScalar(r, 257, 0);
  v.SamplesPerPixel = IEIFDScalar(r, 277, 1);
  int32_t bits = 1;
  const bool sameBits = IEIFDReadBitsPerSample(r, bits);
  v.BitsPerSample = bits;
  const int64_t rps = static_cast<uint32_t>(IEIFDScalar(r, 278, v.ImageLength));
  v.RowsPerStrip = (rps <= 0 || rps >= v.ImageLength) ? v.ImageLength : static_cast<int32_t>(rps);
  v.TileWidth = IEIFDScalar(r, 322, -1);
  v.TileLength = IEIFDScalar(r, 323, -1);
  v.PhotometricInterpretation = static_cast<uint16_t>(IEIFDScalar(r, 262, 2));
  v.PlanarConfiguration = static_cast<uint16_t>(IEIFDScalar(r, 284, 1));
  v.Orientation = static_cast<uint16_t>(IEIFDScalar(r, 274, 1));
  v.Compression = static_cast<uint16_t>(IEIFDScalar(r, 259, 1));
  v.Predictor = IEIFDScalar(r, 317, 1);
  v.ResolutionUnit = IEIFDScalar(r, 296, 2);
  v.XResolution = IEIFDRational(r, 282);
  v.YResolution = IEIFDRational(r, 283);
  v.T4Options = IEIFDScalar(r, 292, 0);
  v.FillOrder = IEIFDScalar(r, 266, 1);
  v.XPosition = IEIFDRational(r, 286);
  v.YPosition = IEIFDRational(r, 287);
  IEIFDReadString(r, 269, v.DocumentName);
  IEIFDReadString(r, 270, v.ImageDescription);
  IEIFDReadString(r, 285, v.PageName);
  v.PageNumber[0] = IEIFDArrayItem(r, 297, 0);
  v.PageNumber[1] = IEIFDArrayItem(r, 297, 1);
  IEIFDReadString(r, 305, v.Software);
  IEIFDReadString(r, 315, v.Artist);
  v.JPEGProc = IEIFDScalar(r, 512, 0);
  v.JPEGInterchangeFormat = IEIFDScalar(r, 513, 0);
  v.ExtraSamples = IEIFDScalar(r, 338, 0);
  IEIFDReadIntArray(r, v.StripOffsets, 273);
  IEIFDReadIntArray(r, v.StripByteCounts, 279);
  IEIFDReadIntArray(r, v.TileOffsets, 324);
  IEIFDReadIntArray(r, v.TileByteCounts, 325);
  int32_t length = 0;
  v.JPEGTables = IEIFDReadBytes(r, 347, length);
  if (v.BitsPerSample >= 0 && v.BitsPerSample <= 16) IEIFDReadColorMap(r, v.BitsPerSample, v.ColorMap, v.ColorMapCount);
  // A bilevel page marked RGB (or without the tag) is WhiteIsZero.
  if (v.SamplesPerPixel == 1 && v.BitsPerSample == 1 && v.Compression >= 1 && v.Compression <= 4 &&
      v.PhotometricInterpretation == 2)
    v.PhotometricInterpretation = 0;
  return sameBits;
}

void ReadMetadataBlocks(const TIEIFDReader& r, TIOParamsVals& p) {
  // IPTC: count x type size bytes.
  if (IEIFDFindTag(33723, r) >= 0) {
    const std::vector<uint8_t> iptc = ReadTagBlock(r, 33723);
    p.IPTCInfo.LoadFromBuffer(iptc.data(), static_cast<int64_t>(iptc.size()));
  } else {
    p.IPTCInfo.Clear();
  }
  // XMP, only as bytes.
  p.XMPPacket.clear();
  const int32_t xmp = IEIFDFindTag(700, r);
  if (xmp >= 0) {
    const uint16_t type = r.Entries[static_cast<size_t>(xmp)].DataType;
    if (type == IEIFD_BYTE || type == IEIFD_UNDEFINED) {
      int32_t length = 0;
      const std::vector<uint8_t> bytes = IEIFDReadBytes(r, 700, length);
      p.XMPPacket.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
  }
  if (IEIFDFindTag(32932, r) >= 0) {
    int32_t length = 0;
    const std::vector<uint8_t> bytes = IEIFDReadBytes(r, 32932, length);
    p.GetImagingAnnot()->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  if (IEIFDFindTag(34675, r) >= 0) {
    int32_t length = 0;
    const std::vector<uint8_t> bytes = IEIFDReadBytes(r, 34675, length);
    p.GetInputICC()->LoadFromBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
}

void FillParams(const TIEIFDReader& r, const TIEIFDReader& exif, const TTIFFVars& v, int32_t PageCount,
                TIOParamsVals& p) {
  p.BitsPerSample = v.BitsPerSample;
  p.SamplesPerPixel = v.SamplesPerPixel;
  p.Width = v.ImageWidth;
  p.Height = v.ImageLength;
  p.SetImageCount(PageCount);
  p.SetTIFFOrientation(v.Orientation);
  p.TIFFCompression = MapCompression(v.Compression, v.T4Options);
  if (v.PhotometricInterpretation <= 6)
    p.TIFFPhotometric = static_cast<TIETIFFPhotometric>(v.PhotometricInterpretation);
  else if (v.PhotometricInterpretation == 8)
    p.TIFFPhotometric = TIETIFFPhotometric::tpCIELab;
  p.TIFFPlanarConfig = v.PlanarConfiguration;
  p.TIFFDocumentName = v.DocumentName;
  p.TIFFImageDescription = v.ImageDescription;
  p.TIFFPageName = v.PageName;
  p.TIFFPageNumber = v.PageNumber[0];
  p.TIFFPageCount = v.PageNumber[1];
  p.TIFFFillOrder = v.FillOrder;
  IEIFDReadString(r, 271, p.EXIFMake);
  IEIFDReadString(r, 272, p.EXIFModel);
  IEIFDReadString(r, 306, p.EXIFDateTime);
  p.SetEXIFOrientation(v.Orientation);
  p.EXIFResolutionUnit = v.ResolutionUnit;
  p.EXIFSoftware = v.Software;
  IEIFDReadWideString(r, 40091, p.EXIFXPTitle);
  IEIFDReadWideString(r, 40092, p.EXIFXPComment);
  IEIFDReadWideString(r, 40093, p.EXIFXPAuthor);
  IEIFDReadWideString(r, 40094, p.EXIFXPKeywords);
  IEIFDReadWideString(r, 40095, p.EXIFXPSubject);
  p.EXIFArtist = v.Artist;
  for (int32_t i = 0; i < 2; ++i) p.SetEXIFWhitePoint(i, IEIFDRationalItem(r, 318, i));
  p.EXIFYCbCrPositioning = IEIFDScalar(r, 531, 0);
  for (int32_t i = 0; i < 6; ++i) p.SetEXIFPrimaryChromaticities(i, IEIFDRationalItem(r, 319, i));
  for (int32_t i = 0; i < 3; ++i) p.SetEXIFYCbCrCoefficients(i, IEIFDRationalItem(r, 529, i));
  for (int32_t i = 0; i < 6; ++i) p.SetEXIFReferenceBlackWhite(i, IEIFDRationalItem(r, 532, i));
  IEIFDReadString(r, 33432, p.EXIFCopyright);

  // The EXIF sub-IFD (an empty reader when there is none gives 0 and empty).
  p.EXIFExposureTime = IEIFDRational(exif, 33434);
  p.EXIFFNumber = IEIFDRational(exif, 33437);
  p.EXIFExposureProgram = IEIFDScalar(exif, 34850, 0);
  p.SetEXIFISOSpeedRatings(0, IEIFDArrayItem(exif, 34855, 0));
  p.SetEXIFISOSpeedRatings(1, IEIFDArrayItem(exif, 34855, 1));
  p.EXIFVersion.clear();
  IEIFDReadInlineBytes(exif, 36864, p.EXIFVersion);
  IEIFDReadString(exif, 36867, p.EXIFDateTimeOriginal);
  IEIFDReadString(exif, 36868, p.EXIFDateTimeDigitized);
  p.EXIFCompressedBitsPerPixel = IEIFDRational(exif, 37122);
  p.EXIFShutterSpeedValue = IEIFDRational(exif, 37377);
  p.EXIFApertureValue = IEIFDRational(exif, 37378);
  p.EXIFBrightnessValue = IEIFDRational(exif, 37379);
  p.EXIFExposureBiasValue = IEIFDRational(exif, 37380);
  p.EXIFMaxApertureValue = IEIFDRational(exif, 37381);
  p.EXIFSubjectDistance = IEIFDRational(exif, 37382);
  p.EXIFMeteringMode = IEIFDScalar(exif, 37383, 0);
  p.EXIFLightSource = IEIFDScalar(exif, 37384, 0);
  p.EXIFFlash = IEIFDScalar(exif, 37385, 0);
  p.EXIFFocalLength = IEIFDRational(exif, 37386);
  IEIFDReadString(exif, 37520, p.EXIFSubsecTime);
  IEIFDReadString(exif, 37521, p.EXIFSubsecTimeOriginal);
  IEIFDReadString(exif, 37522, p.EXIFSubsecTimeDigitized);
  p.EXIFFlashPixVersion.clear();
  IEIFDReadInlineBytes(exif, 40960, p.EXIFFlashPixVersion);
  p.EXIFColorSpace = IEIFDScalar(exif, 40961, 0);
  p.EXIFImageWidth = IEIFDScalar(exif, 40962, 0);
  p.EXIFImageHeight = IEIFDScalar(exif, 40963, 0);
  IEIFDReadString(exif, 40964, p.EXIFRelatedSoundFile);
  p.EXIFFocalPlaneXResolution = IEIFDRational(exif, 41486);
  p.EXIFFocalPlaneYResolution = IEIFDRational(exif, 41487);
  p.EXIFFocalPlaneResolutionUnit = IEIFDScalar(exif, 41488, 0);
  p.EXIFExposureIndex = IEIFDRational(exif, 41493);
  p.EXIFSensingMethod = IEIFDScalar(exif, 41495, 0);
  p.EXIFFileSource = IEIFDScalar(exif, 41728, 0);
  p.EXIFSceneType = IEIFDScalar(exif, 41729, 0);
  String comment;
  IEIFDReadString(exif, 37510, comment);
  p.EXIFUserCommentCode = comment.substr(0, std::min<size_t>(8, comment.size()));
  p.EXIFUserComment = comment.size() > 8 ? comment.substr(8) : String();
  IEIFDReadMakerNote(exif, IEIFDTag_MakerNote, p.EXIFMakerNote);

  p.Palette.assign(
      v.ColorMap.begin(),
      v.ColorMap.begin() + std::min<size_t>(v.ColorMap.size(), static_cast<size_t>(std::max(0, v.ColorMapCount))));

  const double f = v.ResolutionUnit == 3 ? 2.54 : 1.0;
  const int32_t dpiX = TruncDpi(v.XResolution * f);
  const int32_t dpiY = TruncDpi(v.YResolution * f);
  p.SetDpiX(dpiX != 0 ? dpiX : IEDefaultDpiX);
  p.SetDpiY(dpiY != 0 ? dpiY : IEDefaultDpiY);
  p.TIFFXPos = TruncDpi(v.XPosition * f);
  p.TIFFYPos = TruncDpi(v.YPosition * f);
}

// The pixel format of the page (first matching row).
TIEPixelFormat ChoosePixelFormat(const TTIFFVars& v, const TIOParamsVals& p) {
  const int32_t b = v.BitsPerSample, s = v.SamplesPerPixel, ph = v.PhotometricInterpretation;
  if (b == 1 && s == 1 && ph != 3) return TIEPixelFormat::ie1g;
  if (!p.NativePixelFormat) return TIEPixelFormat::ie24RGB;
  if (b == 8 && s == 1 && ph == 3) return TIEPixelFormat::ie8p;
  if (b == 8 && s == 1 && ph == 1) return TIEPixelFormat::ie8g;
  if (b == 16 && s == 1 && ph == 1) return TIEPixelFormat::ie16g;
  if (b == 8 && s > 3 && ph == 5) return TIEPixelFormat::ieCMYK;
  if (b == 16 && s == 4 && ph == 5) return TIEPixelFormat::ieCMYK;
  if (b == 16 && s == 3 && ph == 2) return TIEPixelFormat::ieRGB48;
  return TIEPixelFormat::ie24RGB;
}

// Turns the mask like the bitmap, so that the two still match.
void OrientMask(TIEMask* Mask, int32_t Orientation) {
  if (Mask == nullptr || Mask->Width() == 0 || Orientation < 2 || Orientation > 8) return;
  TIEBitmap tmp;
  tmp.CopyFromMask(Mask);
  IEApplyOrientation(&tmp, Orientation);
  tmp.CopyToMask(Mask);
}

// True when the page's bitmap is within the library's limit.
bool PageFits(const TTIFFVars& v, const TIOParamsVals& p) {
  if (v.ImageWidth <= 0 || v.ImageLength <= 0) return false;
  const int64_t rowBytes = (int64_t(v.ImageWidth) * IEBitsPerPixel(ChoosePixelFormat(v, p)) + 31) / 32 * 4;
  return rowBytes <= IEMaxImageBytes / v.ImageLength;
}

// True unless the stream could never fill the page: fax rows take at least
// a bit each, other compressions no more than 4096 bytes from one, and
// uncompressed data below 1/64 of the rows is no cut file of this page.
bool DataCanFillPage(const TTIFFVars& v, int64_t StreamBytes) {
  const int64_t raw =
      (int64_t(v.ImageWidth) * std::max(v.SamplesPerPixel, 1) * std::max(v.BitsPerSample, 1) + 7) / 8 * v.ImageLength;
  if (v.Compression >= 2 && v.Compression <= 4) return !IEDataCannotFill(StreamBytes, v.ImageLength, 8);
  return !IEDataCannotFill(StreamBytes, raw, v.Compression == 1 ? 64 : 4096);
}

void DecodePage(TIEBitmap* Bitmap, TIEIFDReader& Reader, TTIFFVars& v, TIOParamsVals& p, TIECodecProgress& Progress,
                std::unique_ptr<TIEMask>& Mask, bool IgnoreAlpha, bool Thumbnail) {
  const int32_t s = v.SamplesPerPixel, b = v.BitsPerSample, ph = v.PhotometricInterpretation;
  if (!IgnoreAlpha) {
    if ((s == 4 && v.ExtraSamples == 2) || (s == 2 && b == 8) || (s == 4 && ph == 2)) {
      if (!Mask) Mask = std::make_unique<TIEMask>();
    }
    if (Mask) {
      // The bitmap's size is refused before the mask is allocated.
      const int64_t w = std::max(v.ImageWidth, 0), h = std::max(v.ImageLength, 0);
      if (w * h > IEMaxImageBytes || !PageFits(v, p)) {
        IESetAborting(Progress);
        return;
      }
      Mask->Allocate(static_cast<int32_t>(w), static_cast<int32_t>(h), 8);
      Mask->Fill(255);
      v.Mask = Mask.get();
    }
  }

  {
    TIEAccessScope access(Bitmap, TIEDataAccess{TIEDataAccessItem::iedWrite});
    if (Thumbnail && (v.ImageWidth > 400 || v.ImageLength > 400)) {
      IESetAborting(Progress);
      return;
    }
    if ((v.Compression == 6 || v.JPEGInterchangeFormat != 0) && v.JPEGProc < 2) {
      IETIFFDecodeOldJPEG(Reader, v, Bitmap, Progress, Thumbnail);
    } else {
      if (!PageFits(v, p) || !DataCanFillPage(v, Reader.Stream->Size())) {
        IESetAborting(Progress);
        return;
      }
      const TIEPixelFormat format = ChoosePixelFormat(v, p);
      Bitmap->Allocate(v.ImageWidth, v.ImageLength, format);
      if (format == TIEPixelFormat::ie8p)
        for (int32_t i = 0; i < std::min(p.PaletteCount(), 256); ++i)
          Bitmap->SetPaletteColor(i, p.Palette[static_cast<size_t>(i)]);
      if (Thumbnail) Bitmap->Fill(0);

      const bool tiled = v.TileWidth > 0 || v.TileLength > 0;
      if (tiled) {
        if (v.TileOffsets.empty() && !v.StripOffsets.empty()) {
          v.TileOffsets = v.StripOffsets;
          v.TileByteCounts = v.StripByteCounts;
        }
        if (!v.TileOffsets.empty())
          IETIFFDecodeTiles(Reader, v, Bitmap, Progress);
        else
          IESetAborting(Progress);  // nothing to decode: no pixels
      } else if (!v.StripOffsets.empty()) {
        IETIFFDecodeStrips(Reader, v, Bitmap, Progress);
      } else {
        IESetAborting(Progress);
      }
    }
    Bitmap->FreeRowBuffers();
  }
  if (p.TIFFAdjustOrientation && !Bitmap->IsEmpty()) {
    IEApplyOrientation(Bitmap, v.Orientation);
    OrientMask(v.Mask, v.Orientation);
  }
}

}  // namespace

void IEDecodeTIFF(TIEBitmap* Bitmap, TStream* Stream, int32_t& PageCount, TIOParamsVals* Params,
                  TIECodecProgress& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& Mask, bool BaseAtPosition,
                  bool IgnoreAlpha, bool Thumbnail) {
  TTIFFVars v;
  TIEIFDReader reader;
  TIEIFDReader exif;
  try {
    const int64_t base = BaseAtPosition ? Stream->Position() : 0;
    uint8_t header[8];
    if (Stream->Read(header, 8) != 8 ||
        !((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
      IESetAborting(Progress);
      return;
    }
    const bool little = header[0] == 'I';
    const uint32_t first = GetOrdered32(header + 4, little);
    // A file without an image directory is a failed load (a page count
    // asks for no image).
    if (first == 0) {
      if (Params != nullptr) IESetAborting(Progress);
      return;
    }
    reader.LittleEndian = little ? 1 : 0;
    reader.Stream = Stream;
    reader.Base = base;
    const int32_t wanted = Params != nullptr ? Params->TIFFImageIndex : -1;
    const bool found = IEIFDLoad(wanted, first, reader, PageCount);
    if (Params == nullptr || !found) return;
    TIOParamsVals& p = *Params;

    v.LittleEndian = little;
    v.Params = Params;
    v.IgnoreAlpha = IgnoreAlpha;
    const int32_t exifOffset = IEIFDScalar(reader, 34665, 0);
    exif.LittleEndian = reader.LittleEndian;
    exif.Stream = Stream;
    exif.Base = base;
    if (exifOffset > 0) {
      p.HasEXIFData = true;
      int32_t exifPages = 0;
      IEIFDLoad(0, exifOffset, exif, exifPages);
    }
    if (!ReadVars(reader, v)) {
      IESetAborting(Progress);
      return;
    }
    ReadMetadataBlocks(reader, p);
    FillParams(reader, exif, v, PageCount, p);

    if ((p.Width == 0 || p.Height == 0) && !Thumbnail) {
      IESetAborting(Progress);
    } else {
      if (v.Compression == 5) {
        v.LZWDecoder = p.TIFFLZWDecoder != nullptr ? p.TIFFLZWDecoder : IETIFFLZWDecoderHook;
        if (v.LZWDecoder == nullptr) IESetAborting(Progress);
      }
      if (!IEAborting(Progress) && !ParamsOnly && Bitmap != nullptr)
        DecodePage(Bitmap, reader, v, p, Progress, Mask, IgnoreAlpha, Thumbnail);
    }
    if (p.InputICC && p.InputICC->CachedTransform() != nullptr) p.InputICC->FreeTransform();
  } catch (...) {
    // Allocation failures and stream errors of a hostile file.
    IESetAborting(Progress);
  }
}

int32_t IETIFFPageCount(TStream* Stream) {
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  int32_t count = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeTIFF(nullptr, Stream, count, nullptr, progress, false, mask, true, true, false);
  return count;
}

bool IETestTIFF(TStream* Stream) {
  const int64_t size = Stream->Size();
  if (size <= 8) return false;
  const int64_t pos = Stream->Position();
  uint8_t header[8] = {};
  uint8_t byte8 = 0;
  const bool read = Stream->Read(header, 8) == 8;
  Stream->SetPosition(8);
  const bool read8 = Stream->Read(&byte8, 1) == 1;
  Stream->SetPosition(pos);
  if (!read) return false;
  if (header[0] == 'I' && header[1] == 'I') return int64_t(GetOrdered32(header + 4, true)) < size;
  if (header[0] == 'M' && header[1] == 'M')
    return int64_t(GetOrdered32(header + 4, false)) < size && !(read8 && byte8 == 0xBA);
  return false;
}

bool IETestDNG(TStream* Stream) {
  const int64_t pos = Stream->Position();
  bool result = false;
  try {
    uint8_t header[8];
    if (Stream->Read(header, 8) == 8 &&
        ((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
      TIEIFDReader r;
      r.LittleEndian = header[0] == 'I' ? 1 : 0;
      r.Stream = Stream;
      r.Base = 0;
      int32_t count = 0;
      if (IEIFDLoad(0, GetOrdered32(header + 4, r.LittleEndian != 0), r, count)) {
        const int32_t i = IEIFDFindTag(50706, r);
        result = i >= 0 && r.Entries[static_cast<size_t>(i)].DataType == IEIFD_BYTE &&
                 r.Entries[static_cast<size_t>(i)].DataNum == 4;
      }
    }
  } catch (...) {
    result = false;
  }
  Stream->SetPosition(pos);
  return result;
}
