// Strip and tile decoding of the TIFF reader: each strip or tile is read once
// into memory (never more than the stream holds), decompressed row by row
// and converted straight into the bitmap's rows.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/tiff/ieccitt.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieroutines.h"
#include "platform/rtl/streams.h"

namespace {

// How a decompressed row becomes bitmap pixels (one row of the conversion
// table each).
enum class TConv : uint8_t {
  None,
  RGB8,
  RGB16,
  RGB555,
  PaletteAlpha,
  Palette,
  Gray,
  GrayAlpha,
  Gray16,
  Bilevel,
  CMYK8,
  CMYK16,
  Lab,
};

TConv ChooseConversion(const TTIFFVars& v, TIEPixelFormat f) {
  const int32_t ph = v.PhotometricInterpretation, s = v.SamplesPerPixel, b = v.BitsPerSample;
  const bool rgb24 = f == TIEPixelFormat::ie24RGB;
  if (ph == 2 && (s == 3 || s == 4) && b == 8) return rgb24 ? TConv::RGB8 : TConv::None;
  if (ph == 2 && (s == 3 || s == 4) && b == 16)
    return rgb24 || f == TIEPixelFormat::ieRGB48 ? TConv::RGB16 : TConv::None;
  if (ph == 2 && s == 1 && b == 16) return rgb24 ? TConv::RGB555 : TConv::None;
  if (ph == 3 && s == 2 && b == 8) return rgb24 ? TConv::PaletteAlpha : TConv::None;
  if (ph == 3 && s >= 1 && b >= 1 && b <= 8) return rgb24 || f == TIEPixelFormat::ie8p ? TConv::Palette : TConv::None;
  if (ph <= 1 && s == 1 && b >= 2 && b <= 8) return rgb24 || f == TIEPixelFormat::ie8g ? TConv::Gray : TConv::None;
  if (ph <= 1 && s == 2 && b == 8) return rgb24 || f == TIEPixelFormat::ie8g ? TConv::GrayAlpha : TConv::None;
  if (ph <= 1 && s == 1 && b == 16) return rgb24 || f == TIEPixelFormat::ie16g ? TConv::Gray16 : TConv::None;
  if (ph <= 1 && s == 1 && b == 1) return f == TIEPixelFormat::ie1g ? TConv::Bilevel : TConv::None;
  if (ph == 5 && s >= 4 && b == 8) return rgb24 || f == TIEPixelFormat::ieCMYK ? TConv::CMYK8 : TConv::None;
  if (ph == 5 && s == 4 && b == 16) return rgb24 || f == TIEPixelFormat::ieCMYK ? TConv::CMYK16 : TConv::None;
  if (ph == 8 && s == 3 && b == 8) return rgb24 ? TConv::Lab : TConv::None;
  return TConv::None;
}

bool CompressionDecoded(int32_t c) { return (c >= 1 && c <= 5) || c == 7 || c == 32773; }

// Whether the page's rows can be decoded into Bitmap at all; unsupported
// data is a failure, never a blank page reported as read.
bool PageDecodable(const TTIFFVars& v, TIEBitmap* Bitmap) {
  if (!CompressionDecoded(v.Compression)) return false;
  if (v.Compression >= 2 && v.Compression <= 4 && (v.BitsPerSample != 1 || v.SamplesPerPixel != 1)) return false;
  if (v.Compression == 7) {
    const TIEPixelFormat f = Bitmap->PixelFormat();
    return f == TIEPixelFormat::ie24RGB || f == TIEPixelFormat::ie8g || f == TIEPixelFormat::ieCMYK;
  }
  return ChooseConversion(v, Bitmap->PixelFormat()) != TConv::None;
}

int32_t PixelXOf(TIEPixelFormat f, int32_t XOffset) {
  switch (f) {
    case TIEPixelFormat::ie24RGB: return XOffset / 3;
    case TIEPixelFormat::ie1g: return XOffset * 8;
    case TIEPixelFormat::ie16g: return XOffset / 2;
    default: return XOffset;
  }
}

inline uint16_t TiffWord(const uint8_t* p, bool little) {
  return little ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline const TRGB& MapEntry(const TTIFFVars& v, uint32_t Index) {
  static const TRGB black{};
  if (v.ColorMapCount <= 0 || v.ColorMap.empty()) return black;
  const auto last =
      static_cast<uint32_t>(std::min<size_t>(v.ColorMap.size(), static_cast<size_t>(v.ColorMapCount)) - 1);
  return v.ColorMap[std::min(Index, last)];
}

// Reads a page's strips or tiles. A byte count that is missing, 0 or past the
// stream stands for the rest of the chunk: the span up to the next chunk's
// offset (or the stream's end), and no more than an uncompressed block's rows.
// However the chunks overlap, a page copies at most twice the stream, so a
// file of many chunks without counts costs time linear in its size.
class TChunkReader {
 public:
  // BlockBytes: the bytes of one uncompressed block; 0 when compressed.
  // Data of fill order 2 comes back in the usual bit order, except fax and
  // JPEG data, whose decoders read either order themselves.
  TChunkReader(const TIEIFDReader& Reader, const TTIFFVars& Vars, const std::vector<int32_t>& Offsets,
               const std::vector<int32_t>& Counts, int64_t BlockBytes)
      : FReader(Reader),
        FOffsets(Offsets),
        FCounts(Counts),
        FBlockBytes(BlockBytes),
        FReverse(Vars.FillOrder == 2 && (Vars.Compression == 1 || Vars.Compression == 5 || Vars.Compression == 32773)) {
    FSize = Reader.Stream->Size();
    FBudget = 2 * std::max<int64_t>(FSize, 0) + 65536;
    for (const int32_t o : Offsets) FSorted.push_back(static_cast<uint32_t>(o));
    std::sort(FSorted.begin(), FSorted.end());
    FSorted.erase(std::unique(FSorted.begin(), FSorted.end()), FSorted.end());
  }

  // Buffer receives chunk I (empty when it lies outside the stream); false
  // once the page has spent its budget, and the caller stops.
  bool Read(size_t I, std::vector<uint8_t>& Buffer) {
    Buffer.clear();
    const auto offset = static_cast<uint32_t>(FOffsets[I]);
    const int64_t at = FReader.Base + offset;
    const int64_t available = FSize - at;
    if (at < 0 || available <= 0) return true;
    int64_t n = static_cast<uint32_t>(I < FCounts.size() ? FCounts[I] : 0);
    if (n == 0 || n > available) {
      n = available;
      const auto next = std::upper_bound(FSorted.begin(), FSorted.end(), offset);
      if (next != FSorted.end()) n = std::min<int64_t>(n, int64_t(*next) - offset);
      if (FBlockBytes > 0) n = std::min(n, FBlockBytes);
    }
    n = std::min<int64_t>(n, INT32_MAX);
    if (n > FBudget) return false;
    FBudget -= n;
    Buffer.resize(static_cast<size_t>(n));
    FReader.Stream->SetPosition(at);
    const int32_t got = FReader.Stream->Read(Buffer.data(), static_cast<int32_t>(n));
    Buffer.resize(static_cast<size_t>(std::max(got, 0)));
    if (FReverse)
      for (uint8_t& b : Buffer) IEReverseByteBits(b);
    return true;
  }

 private:
  const TIEIFDReader& FReader;
  const std::vector<int32_t>& FOffsets;
  const std::vector<int32_t>& FCounts;
  const int64_t FBlockBytes;
  const bool FReverse;
  int64_t FSize = 0;
  int64_t FBudget = 0;
  std::vector<uint32_t> FSorted;
};

// The bytes of Rows uncompressed rows of Width pixels of Samples samples; 0
// for compressed data, whose chunks only their offsets bound.
int64_t UncompressedBlockBytes(const TTIFFVars& v, int64_t Width, int64_t Rows, int64_t Samples) {
  if (v.Compression != 1) return 0;
  return (Width * Samples * std::max(v.BitsPerSample, 1) + 7) / 8 * Rows;
}

// The work of one block: buffers, the reference line and the LZW state.
struct TBlockState {
  std::vector<uint8_t> RowBuffer;
  std::vector<uint8_t> Reference;
  std::vector<uint8_t> Work;
  TIELZWDecoderState* LZW = nullptr;
  TIETIFFLZWDecoderFunc Hook = nullptr;
  TIETIFFSource Source;
  ~TBlockState() {
    if (LZW != nullptr && Hook != nullptr) Hook(nullptr, 0, 0, LZW);
  }
};

// Prepares the buffers of a block of Width pixels of Samples samples; false
// when a row would be absurdly larger than the bitmap row it fills.
bool PrepareBlock(TBlockState& b, const TTIFFVars& v, int32_t Width, int32_t Samples, int64_t TargetRowBytes,
                  int64_t& RowLength) {
  const int64_t samples = int64_t(Samples) * Width;
  RowLength = (samples * v.BitsPerSample + 7) / 8;
  const int64_t unpacked = std::max(RowLength, samples);
  // The work row takes six bytes a pixel: a row wider than 2^28 / 6 pixels
  // would make every block allocate and clear hundreds of megabytes.
  if (RowLength <= 0 || unpacked > 8 * TargetRowBytes + 64 || unpacked > INT32_MAX / 2 ||
      int64_t(Width) * 6 + 8 > (int64_t(1) << 28))
    return false;
  b.RowBuffer.assign(static_cast<size_t>(unpacked + 8), 0);
  if (v.Compression >= 2 && v.Compression <= 4) b.Reference.assign(static_cast<size_t>(RowLength), 0xFF);
  b.Work.assign(static_cast<size_t>(int64_t(Width) * 6 + 8), 0);
  b.Hook = v.LZWDecoder;
  return true;
}

// ---- Row conversion ----------------------------------------------------------------------
// CIE L*a*b* samples (L 0..255 for 0..100, a* and b* signed bytes) relative
// to the page's white point (D65 when the page gives none) into sRGB.
void LabToBGR(const uint8_t* Src, uint8_t* Dst, int32_t Width, const TIOParamsVals* Params) {
  double wx = 0.3127, wy = 0.329;
  if (Params != nullptr && Params->GetEXIFWhitePoint(1) > 0.01 && Params->GetEXIFWhitePoint(0) > 0.01) {
    wx = Params->GetEXIFWhitePoint(0);
    wy = Params->GetEXIFWhitePoint(1);
  }
  const double xn = wx / wy, zn = (1 - wx - wy) / wy;
  auto inverseF = [](double t) { return t * t * t > 216.0 / 24389.0 ? t * t * t : (116 * t - 16) / (24389.0 / 27.0); };
  auto encode = [](double c) {
    c = std::clamp(c, 0.0, 1.0);
    c = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return static_cast<uint8_t>(c * 255 + 0.5);
  };
  for (int32_t i = 0; i < Width; ++i, Src += 3, Dst += 3) {
    const double fy = (Src[0] * 100.0 / 255.0 + 16) / 116;
    const double fx = fy + static_cast<int8_t>(Src[1]) / 500.0, fz = fy - static_cast<int8_t>(Src[2]) / 200.0;
    const double x = inverseF(fx) * xn, y = inverseF(fy), z = inverseF(fz) * zn;
    Dst[2] = encode(3.2404542 * x - 1.5371385 * y - 0.4985314 * z);
    Dst[1] = encode(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z);
    Dst[0] = encode(0.0556434 * x - 0.2040259 * y + 1.0572252 * z);
  }
}

// Associated alpha: the stored colours were multiplied by the alpha; the
// bitmap holds them as they were before.
void Unpremultiply(uint8_t* Row, TIEPixelFormat Format, const uint8_t* Alpha, int32_t Width) {
  const int32_t channels = Format == TIEPixelFormat::ie24RGB ? 3 : Format == TIEPixelFormat::ie8g ? 1 : 0;
  for (int32_t x = 0; x < Width; ++x) {
    const int32_t a = Alpha[x];
    if (a == 0 || a == 255) continue;
    for (int32_t k = 0; k < channels; ++k) {
      uint8_t& c = Row[channels * x + k];
      c = static_cast<uint8_t>(std::min(255, (c * 255 + a / 2) / a));
    }
  }
}

void ConvertRow(const TTIFFVars& v, TConv conv, TIEBitmap* Bitmap, const uint8_t* src, uint8_t* dst, int32_t w,
                int32_t pixelX, int32_t y, uint8_t* work) {
  TIOParamsVals* params = v.Params;
  const int32_t s = v.SamplesPerPixel;
  const bool ph0 = v.PhotometricInterpretation == 0;
  const TIEPixelFormat f = Bitmap->PixelFormat();
  uint8_t* maskRow = nullptr;
  int32_t maskW = 0;
  if (v.Mask != nullptr && y < v.Mask->Height() && pixelX < v.Mask->Width()) {
    maskRow = v.Mask->ScanLine(y) + pixelX;
    maskW = std::min(w, v.Mask->Width() - pixelX);
  }
  auto* rgb = reinterpret_cast<TRGB*>(dst);
  switch (conv) {
    case TConv::RGB8:
      if (s == 4 && !v.IgnoreAlpha && maskRow != nullptr) {
        v.Mask->SetFull(false);
        for (int32_t x = 0; x < w; ++x, src += 4) {
          rgb[x].b = src[2];
          rgb[x].g = src[1];
          rgb[x].r = src[0];
          if (x < maskW) maskRow[x] = src[3];
        }
      } else if (s == 3) {
        IEColorConvertHook(src, TIEColorRowFormat::crfRGB, dst, TIEColorRowFormat::crfBGR, w, params);
      } else {
        for (int32_t x = 0; x < w; ++x) std::memcpy(work + 3 * x, src + 4 * x, 3);
        IEColorConvertHook(work, TIEColorRowFormat::crfRGB, dst, TIEColorRowFormat::crfBGR, w, params);
      }
      break;
    case TConv::RGB16:
      if (s == 4 && !v.IgnoreAlpha && maskRow != nullptr) {
        v.Mask->SetFull(false);
        for (int32_t x = 0; x < maskW; ++x) maskRow[x] = src[8 * x + 6 + (v.LittleEndian ? 1 : 0)];
      }
      if (f == TIEPixelFormat::ieRGB48) {
        auto* d = reinterpret_cast<TRGB48*>(dst);
        for (int32_t x = 0; x < w; ++x, src += 2 * s) {
          d[x].r = TiffWord(src, v.LittleEndian);
          d[x].g = TiffWord(src + 2, v.LittleEndian);
          d[x].b = TiffWord(src + 4, v.LittleEndian);
        }
      } else {
        const TIEColorRowFormat from = v.LittleEndian ? TIEColorRowFormat::crfRGB48 : TIEColorRowFormat::crfRGB48BE;
        if (s == 3) {
          IEColorConvertHook(src, from, dst, TIEColorRowFormat::crfBGR, w, params);
        } else {
          for (int32_t x = 0; x < w; ++x) std::memcpy(work + 6 * x, src + 8 * x, 6);
          IEColorConvertHook(work, from, dst, TIEColorRowFormat::crfBGR, w, params);
        }
      }
      break;
    case TConv::RGB555:
      for (int32_t x = 0; x < w; ++x, src += 2) {
        const uint16_t word = static_cast<uint16_t>(src[0] | src[1] << 8);
        rgb[x].r = static_cast<uint8_t>(((word >> 10) & 31) * 8);
        rgb[x].g = static_cast<uint8_t>(((word >> 5) & 31) * 8);
        rgb[x].b = static_cast<uint8_t>((word & 31) * 8);
      }
      break;
    case TConv::PaletteAlpha:
      if (maskRow != nullptr) v.Mask->SetFull(false);
      for (int32_t x = 0; x < w; ++x, src += 2) {
        rgb[x] = MapEntry(v, src[0]);
        if (x < maskW) maskRow[x] = src[1];
      }
      break;
    case TConv::Palette: {
      const auto entries =
          static_cast<uint32_t>(std::max(0, std::min(v.ColorMapCount, static_cast<int32_t>(v.ColorMap.size()))));
      if (f == TIEPixelFormat::ie8p) {
        const uint32_t last = entries > 0 ? entries - 1 : 0;
        for (int32_t x = 0; x < w; ++x, src += s) dst[x] = static_cast<uint8_t>(std::min<uint32_t>(src[0], last));
      } else {
        for (int32_t x = 0; x < w; ++x, src += s) rgb[x] = MapEntry(v, src[0]);
      }
      break;
    }
    case TConv::Gray:
    case TConv::GrayAlpha: {
      const int32_t step = conv == TConv::Gray ? 1 : 2;
      if (conv == TConv::GrayAlpha && !v.IgnoreAlpha && maskRow != nullptr) {
        v.Mask->SetFull(false);
        for (int32_t x = 0; x < maskW; ++x) maskRow[x] = src[2 * x + 1];
      }
      if (f == TIEPixelFormat::ie8g) {
        for (int32_t x = 0; x < w; ++x, src += step) dst[x] = ph0 ? static_cast<uint8_t>(255 - src[0]) : src[0];
      } else {
        for (int32_t x = 0; x < w; ++x, src += step) {
          const uint8_t g = ph0 ? static_cast<uint8_t>(255 - src[0]) : src[0];
          rgb[x] = TRGB{g, g, g};
        }
      }
      break;
    }
    case TConv::Gray16:
      if (f == TIEPixelFormat::ie16g) {
        auto* d = reinterpret_cast<uint16_t*>(dst);
        for (int32_t x = 0; x < w; ++x, src += 2) {
          const uint16_t word = TiffWord(src, v.LittleEndian);
          d[x] = ph0 ? static_cast<uint16_t>(65535 - word) : word;
        }
      } else {
        const int32_t shift = v.Software.compare(0, 15, "Look@Molli v1.1") == 0 ? 4 : 8;
        for (int32_t x = 0; x < w; ++x, src += 2) {
          uint32_t word = TiffWord(src, v.LittleEndian);
          if (ph0) word = 65535 - word;
          const auto g = static_cast<uint8_t>(word >> shift);
          rgb[x] = TRGB{g, g, g};
        }
      }
      break;
    case TConv::Bilevel: {
      const bool invert = (ph0 && (v.Compression == 1 || v.Compression >= 5)) ||
                          (v.PhotometricInterpretation == 1 && v.Compression >= 2 && v.Compression <= 4);
      const int32_t bytes = (w + 7) / 8;
      const int32_t shift = pixelX & 7;
      if (shift == 0) {
        if (invert) {
          for (int32_t i = 0; i < bytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
        } else {
          std::memcpy(dst, src, static_cast<size_t>(bytes));
        }
      } else {
        // A tile that starts inside a byte: place it bit by bit.
        for (int32_t x = 0; x < w; ++x) {
          const bool bit = ((src[x >> 3] >> (7 - (x & 7))) & 1) != invert;
          const int32_t at = shift + x;
          const auto m = static_cast<uint8_t>(0x80 >> (at & 7));
          dst[at >> 3] = static_cast<uint8_t>(bit ? dst[at >> 3] | m : dst[at >> 3] & ~m);
        }
      }
      break;
    }
    case TConv::CMYK8:
    case TConv::CMYK16: {
      const int32_t bytes = conv == TConv::CMYK8 ? 1 : 2;
      const int32_t hi = conv == TConv::CMYK16 && !v.LittleEndian ? 0 : bytes - 1;
      uint8_t* out = f == TIEPixelFormat::ieCMYK ? dst : work;
      for (int32_t x = 0; x < w; ++x, src += s * bytes)
        for (int32_t k = 0; k < 4; ++k) out[4 * x + k] = static_cast<uint8_t>(255 - src[k * bytes + hi]);
      if (f != TIEPixelFormat::ieCMYK)
        IEColorConvertHook(work, TIEColorRowFormat::crfCMYK, dst, TIEColorRowFormat::crfBGR, w, params);
      break;
    }
    case TConv::Lab: LabToBGR(src, dst, w, params); break;
    case TConv::None: break;
  }
  if (v.ExtraSamples == 1 && maskRow != nullptr && !v.IgnoreAlpha) Unpremultiply(dst, f, maskRow, maskW);
}

// ---- JPEG strips and tiles ---------------------------------------------------------------
// The size the JPEG stream of a block declares, or false.
bool JPEGSize(TStream* Stream, TStream* Tables, const TIECodecProgress& Progress, int32_t& Width, int32_t& Height) {
  TIOParamsVals scratch;
  TIEBitmap none;
  TIECodecProgress quiet;
  quiet.AbortFlag = Progress.AbortFlag;
  IEDecodeJPEG(Stream, Tables, &none, scratch, quiet, true, false, false, false, false);
  Stream->SetPosition(0);
  if (Tables != nullptr) Tables->SetPosition(0);
  Width = scratch.Width;
  Height = scratch.Height;
  return !IEAborting(Progress) && Width > 0 && Height > 0;
}

void DecodeJPEGBlock(TTIFFVars& v, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows,
                     int32_t Width, int32_t Length, uint8_t* Data, int32_t PixelX, int32_t NominalRows,
                     bool SingleBlock) {
  TIOParamsVals& p = *v.Params;
  TCustomMemoryStream strip;
  strip.SetPointer(Data, Length);
  TCustomMemoryStream tables;
  const bool hasTables = !v.JPEGTables.empty();
  if (hasTables) tables.SetPointer(v.JPEGTables.data(), static_cast<int64_t>(v.JPEGTables.size()));
  TStream* tablesStream = hasTables ? &tables : nullptr;

  // A block declaring more than the rows it stands for would allocate
  // without bound.
  int32_t jw = 0, jh = 0;
  if (!JPEGSize(&strip, tablesStream, Progress, jw, jh) || jw > Width + 16 || jh > std::max(Rows, NominalRows) + 16) {
    IESetAborting(Progress);
    return;
  }

  const bool keepYCbCr = hasTables && v.PhotometricInterpretation == 2;
  // The JPEG reader fills the record with the strip's own size, depth,
  // palette and resolution (1 x 1 when the strip has no JFIF header, as
  // strips with tables have not); the page's stay.
  const int32_t width = p.Width, height = p.Height, bits = p.BitsPerSample, samples = p.SamplesPerPixel;
  const int32_t dpiX = p.DpiX, dpiY = p.DpiY;
  const double exifX = p.EXIFXResolution, exifY = p.EXIFYResolution;
  const TIEJPEGScale scale = p.JPEGScale;
  const bool thumbnailOnly = p.JPEGThumbnailOnly;
  std::vector<TRGB> palette = p.Palette;
  p.JPEGScale = TIEJPEGScale::jsFull;
  p.JPEGThumbnailOnly = false;

  TIECodecProgress jpegProgress;
  if (SingleBlock) {
    jpegProgress = Progress;
  } else {
    jpegProgress.AbortFlag = Progress.AbortFlag;
  }
  TIEBitmap tmp;
  IEDecodeJPEG(&strip, tablesStream, &tmp, p, jpegProgress, false, keepYCbCr, false, true, false);

  p.Width = width;
  p.Height = height;
  p.BitsPerSample = bits;
  p.SamplesPerPixel = samples;
  p.Palette = std::move(palette);
  p.JPEGScale = scale;
  p.JPEGThumbnailOnly = thumbnailOnly;
  p.SetDpiX(dpiX);
  p.SetDpiY(dpiY);
  p.EXIFXResolution = exifX;
  p.EXIFYResolution = exifY;
  if (!SingleBlock && IEProgressStep(Progress, true)) return;
  if (IEAborting(Progress) || tmp.IsEmpty()) {
    IESetAborting(Progress);
    return;
  }
  if (keepYCbCr && tmp.PixelFormat() == TIEPixelFormat::ie24RGB) {
    for (int32_t y = 0; y < tmp.Height(); ++y) {
      auto* px = static_cast<TRGB*>(tmp.ScanLine(y));
      for (int32_t x = 0; x < tmp.Width(); ++x) std::swap(px[x].b, px[x].r);
    }
  }
  if (tmp.PixelFormat() == TIEPixelFormat::ieCMYK) {
    // The strip's inks are stored with 0 for no ink, the bitmap's with 255;
    // the JPEG reader inverts them only on its way to RGB.
    for (int32_t y = 0; y < tmp.Height(); ++y) {
      auto* px = static_cast<uint8_t*>(tmp.ScanLine(y));
      for (int64_t i = 0; i < int64_t(tmp.Width()) * 4; ++i) px[i] = static_cast<uint8_t>(~px[i]);
    }
  }
  if (tmp.PixelFormat() != Bitmap->PixelFormat()) tmp.SetPixelFormat(Bitmap->PixelFormat());
  if (tmp.PixelFormat() != Bitmap->PixelFormat()) {
    IESetAborting(Progress);
    return;
  }
  tmp.CopyRectTo(Bitmap, 0, 0, PixelX, Y, std::min(tmp.Width(), Width), std::min(tmp.Height(), Rows));
}

// ---- Blocks ----------------------------------------------------------------------------------
void DecodeBlock(TTIFFVars& v, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows, int32_t Width,
                 int32_t Length, uint8_t* Data, int32_t XOffset, int32_t PixelX, int32_t NominalRows,
                 bool SingleBlock) {
  if (Rows <= 0 || Width <= 0) return;
  const int32_t pixelX = PixelX;
  if (v.Compression == 7) {
    DecodeJPEGBlock(v, Bitmap, Y, Progress, Rows, Width, Length, Data, pixelX, NominalRows, SingleBlock);
    return;
  }
  const TConv conv = ChooseConversion(v, Bitmap->PixelFormat());
  if (conv == TConv::None || !PageDecodable(v, Bitmap)) {
    IESetAborting(Progress);
    return;
  }
  TBlockState b;
  int64_t rowLength = 0;
  if (!PrepareBlock(b, v, Width, v.SamplesPerPixel, Bitmap->RowLen(), rowLength)) {
    IESetAborting(Progress);
    return;
  }
  b.Source.Data = Data;
  b.Source.Length = Length;
  const int32_t w = std::min(Width, Bitmap->Width() - pixelX);
  if (w <= 0) return;
  for (int32_t r = 0; r < Rows; ++r) {
    const int32_t y = Y + r;
    if (y >= Bitmap->Height()) break;
    uint8_t* row = b.RowBuffer.data();
    if (!IETIFFDecodeRow(row, b.Source, b.Reference.empty() ? nullptr : b.Reference.data(), b.LZW,
                         static_cast<int32_t>(rowLength), Width, v.SamplesPerPixel, v)) {
      IESetAborting(Progress);
      break;
    }
    auto* dst = static_cast<uint8_t*>(Bitmap->ScanLine(y)) + XOffset;
    ConvertRow(v, conv, Bitmap, row, dst, w, pixelX, y, b.Work.data());
    if (IEProgressStep(Progress, false)) break;
  }
}

}  // namespace

// ---- Rows ------------------------------------------------------------------------------------
bool IETIFFDecodeRow(uint8_t*& Row, TIETIFFSource& Source, uint8_t* ReferenceLine, TIELZWDecoderState*& LZWState,
                     int32_t RowLength, int32_t Width, int32_t Samples, const TTIFFVars& v) {
  uint8_t* buffer = Row;
  const int64_t left = Source.Length - Source.Position;
  const uint8_t* at = Source.Data + Source.Position;
  const int32_t bits = v.BitsPerSample;
  switch (v.Compression) {
    case 1:
      // Data that ends before the row is a truncated strip.
      if (left < RowLength) {
        if (left > 0) std::memcpy(buffer, at, static_cast<size_t>(left));
        Source.Position = Source.Length;
        return false;
      }
      if (bits < 8) {
        std::memcpy(buffer, at, static_cast<size_t>(RowLength));
      } else {
        Row = Source.Data + Source.Position;
      }
      Source.Position += RowLength;
      break;
    case 2:
      if (left <= 0) return false;
      Source.Position +=
          IECCITTDecodeMHRow(buffer, at, static_cast<int32_t>(std::min<int64_t>(left, INT32_MAX)), v.FillOrder, Width);
      break;
    case 3:
    case 4: {
      if (ReferenceLine == nullptr) return false;
      const auto bytes = static_cast<int32_t>(std::min<int64_t>(Source.Length, INT32_MAX));
      if (v.Compression == 3 && (v.T4Options & 1) == 0)
        Source.BitPosition = IECCITTDecode1DRow(buffer, Source.Data, bytes, v.FillOrder, Source.BitPosition, Width);
      else
        Source.BitPosition =
            IECCITTDecode2DRow(buffer, Source.Data, bytes, v.Compression == 3 || (v.T4Options & 4) != 0, v.FillOrder,
                               Source.BitPosition, ReferenceLine, Width);
      break;
    }
    case 5: {
      if (v.LZWDecoder == nullptr) return false;
      const uint8_t* out = v.LZWDecoder(Source.Data, Source.Length, RowLength, LZWState);
      if (out == nullptr) return false;
      std::memcpy(buffer, out, static_cast<size_t>(RowLength));
      break;
    }
    case 32773: {
      int32_t n = 0;
      int64_t pos = Source.Position;
      while (n < RowLength) {
        if (pos >= Source.Length) {
          Source.Position = pos;
          return false;
        }
        const auto control = static_cast<int8_t>(Source.Data[pos++]);
        if (control >= 0) {
          const int64_t count = int64_t(control) + 1;
          const int64_t avail = std::min(count, Source.Length - pos);
          const int64_t keep = std::min<int64_t>(avail, RowLength - n);
          std::memcpy(buffer + n, Source.Data + pos, static_cast<size_t>(keep));
          n += static_cast<int32_t>(keep);
          pos += count;  // the whole literal is consumed, also what the row drops
          if (avail < count) {
            Source.Position = Source.Length;
            return n >= RowLength;
          }
        } else if (control != -128) {
          if (pos >= Source.Length) {
            Source.Position = pos;
            return false;
          }
          const int64_t count = 1 - int64_t(control);
          const int64_t keep = std::min<int64_t>(count, RowLength - n);
          std::memset(buffer + n, Source.Data[pos++], static_cast<size_t>(keep));
          n += static_cast<int32_t>(keep);
        }
      }
      Source.Position = pos;
      break;
    }
    default: return false;
  }

  const int64_t samples = int64_t(Samples) * Width;
  uint8_t* row = Row;
  // Samples of fewer than 8 bits become one byte each (1-bit rows only for
  // palette pages; bilevel rows stay packed).
  if (bits < 8 && (bits != 1 || v.PhotometricInterpretation == 3) && !(v.Compression >= 2 && v.Compression <= 4)) {
    const uint32_t mask = (1u << bits) - 1;
    for (int64_t i = samples - 1; i >= 0; --i) {
      const int64_t bit = i * bits;
      const int64_t byte = bit >> 3;
      const uint32_t pair = uint32_t(row[byte]) << 8 | (byte + 1 < RowLength ? row[byte + 1] : 0);
      row[i] = static_cast<uint8_t>((pair >> (16 - bits - (bit & 7))) & mask);
    }
  }
  if (v.Compression == 5 && v.Predictor == 2) {
    if (bits == 8) {
      for (int64_t i = Samples; i < samples; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - Samples]);
    } else if (bits == 16) {
      for (int64_t i = Samples; i < samples; ++i) {
        uint8_t* cur = row + 2 * i;
        const uint8_t* prev = cur - 2 * Samples;
        const auto sum = static_cast<uint16_t>(TiffWord(cur, v.LittleEndian) + TiffWord(prev, v.LittleEndian));
        if (v.LittleEndian) {
          cur[0] = static_cast<uint8_t>(sum);
          cur[1] = static_cast<uint8_t>(sum >> 8);
        } else {
          cur[0] = static_cast<uint8_t>(sum >> 8);
          cur[1] = static_cast<uint8_t>(sum);
        }
      }
    }
  }
  // Gray levels of 2 to 7 bits spread over 0..255 (the top level is white).
  if (bits >= 2 && bits <= 7 && v.PhotometricInterpretation <= 1)
    for (int64_t i = 0; i < samples; ++i)
      row[i] = static_cast<uint8_t>((row[i] & ((1 << bits) - 1)) * 255 / ((1 << bits) - 1));
  return true;
}

void IETIFFDecodeBlock(TTIFFVars& Vars, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows,
                       int32_t Width, int32_t Length, uint8_t* Data, int32_t XOffset) {
  DecodeBlock(Vars, Bitmap, Y, Progress, Rows, Width, Length, Data, XOffset, PixelXOf(Bitmap->PixelFormat(), XOffset),
              Rows, true);
}

void IETIFFDecodePlanarRGB(TTIFFVars& Vars, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows,
                           int32_t Width, std::vector<uint8_t>* Planes) {
  const TTIFFVars& v = Vars;
  if (!(v.PhotometricInterpretation == 2 && v.SamplesPerPixel == 3 && v.BitsPerSample == 8) ||
      Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Width > Bitmap->Width()) {
    IESetAborting(Progress);
    return;
  }
  TBlockState b[3];
  int64_t rowLength = 0;
  for (int32_t k = 0; k < 3; ++k) {
    if (!PrepareBlock(b[k], v, Width, 1, Bitmap->RowLen(), rowLength)) {
      IESetAborting(Progress);
      return;
    }
    b[k].Source.Data = Planes[k].data();
    b[k].Source.Length = static_cast<int64_t>(Planes[k].size());
  }
  for (int32_t r = 0; r < Rows && Y + r < Bitmap->Height(); ++r) {
    uint8_t* rows[3];
    for (int32_t k = 0; k < 3; ++k) {
      rows[k] = b[k].RowBuffer.data();
      if (b[k].Source.Data == nullptr ||
          !IETIFFDecodeRow(rows[k], b[k].Source, nullptr, b[k].LZW, static_cast<int32_t>(rowLength), Width, 1, v)) {
        IESetAborting(Progress);
        return;
      }
    }
    auto* dst = static_cast<TRGB*>(Bitmap->ScanLine(Y + r));
    for (int32_t x = 0; x < Width; ++x) dst[x] = TRGB{rows[2][x], rows[1][x], rows[0][x]};
    if (IEProgressStep(Progress, false)) return;
  }
}

void IETIFFDecodeStrips(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress) {
  TTIFFVars& v = Vars;
  const auto strips = v.StripOffsets.size();
  IEProgressStart(Progress, v.ImageLength, static_cast<int64_t>(strips));
  if (!PageDecodable(v, Bitmap)) {
    IESetAborting(Progress);
    return;
  }
  const int32_t rps = std::max(1, std::min(v.RowsPerStrip, v.ImageLength));
  std::vector<uint8_t> buffer;
  if (v.PlanarConfiguration != 2 || v.SamplesPerPixel == 1) {
    TChunkReader chunks(Reader, v, v.StripOffsets, v.StripByteCounts,
                        UncompressedBlockBytes(v, v.ImageWidth, rps, v.SamplesPerPixel));
    int64_t y = 0;
    bool any = false;
    for (size_t i = 0; i < strips && y < v.ImageLength; ++i, y += rps) {
      if (!chunks.Read(i, buffer)) {
        IESetAborting(Progress);
        return;
      }
      if (buffer.empty()) continue;
      any = true;
      const auto rows = static_cast<int32_t>(std::min<int64_t>(rps, v.ImageLength - y));
      DecodeBlock(v, Bitmap, static_cast<int32_t>(y), Progress, rows, v.ImageWidth, static_cast<int32_t>(buffer.size()),
                  buffer.data(), 0, 0, rps, strips == 1);
      if (IEAborting(Progress)) return;
    }
    // Not one strip in the stream: nothing of the page was read.
    if (!any) IESetAborting(Progress);
    return;
  }
  // Three planes of 8-bit RGB; other planar pages are not decoded.
  const size_t n = strips / 3;
  if (n == 0 || v.Compression == 7 || v.Compression == 2 || v.Compression == 3 || v.Compression == 4 ||
      !(v.PhotometricInterpretation == 2 && v.SamplesPerPixel == 3 && v.BitsPerSample == 8)) {
    IESetAborting(Progress);
    return;
  }
  std::vector<uint8_t> planes[3];
  TChunkReader chunks(Reader, v, v.StripOffsets, v.StripByteCounts, UncompressedBlockBytes(v, v.ImageWidth, rps, 1));
  int64_t y = 0;
  for (size_t i = 0; i < n && y < v.ImageLength; ++i, y += rps) {
    for (size_t k = 0; k < 3; ++k)
      if (!chunks.Read(k * n + i, planes[k])) {
        IESetAborting(Progress);
        return;
      }
    const auto rows = static_cast<int32_t>(std::min<int64_t>(rps, v.ImageLength - y));
    IETIFFDecodePlanarRGB(v, Bitmap, static_cast<int32_t>(y), Progress, rows, v.ImageWidth, planes);
    if (IEAborting(Progress)) return;
  }
}

void IETIFFDecodeTiles(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress) {
  TTIFFVars& v = Vars;
  const TIEPixelFormat f = Bitmap->PixelFormat();
  // Tiles far larger than the image are absurd: widening by one would
  // allocate and copy without need.
  if ((v.PlanarConfiguration == 2 && v.SamplesPerPixel > 1) || v.TileWidth <= 0 || v.TileLength <= 0 ||
      int64_t(v.TileWidth) > 2 * int64_t(v.ImageWidth) + 1024 ||
      int64_t(v.TileLength) > 2 * int64_t(v.ImageLength) + 1024 ||
      !(f == TIEPixelFormat::ie24RGB || f == TIEPixelFormat::ie1g || f == TIEPixelFormat::ie8p ||
        f == TIEPixelFormat::ie8g || f == TIEPixelFormat::ie16g) ||
      !PageDecodable(v, Bitmap)) {
    IESetAborting(Progress);
    return;
  }
  // Widened by one tile so that edge tiles fit whole (bounded as any image).
  const int64_t wideW = int64_t(v.ImageWidth) + v.TileWidth, wideH = int64_t(v.ImageLength) + v.TileLength;
  if (wideW > INT32_MAX || wideH > INT32_MAX || (wideW * IEBitsPerPixel(f) + 31) / 32 * 4 > IEMaxImageBytes / wideH) {
    IESetAborting(Progress);
    return;
  }
  const auto tiles = v.TileOffsets.size();
  IEProgressStart(Progress, v.ImageLength, static_cast<int64_t>(tiles));
  Bitmap->SetWidth(static_cast<int32_t>(wideW));
  Bitmap->SetHeight(static_cast<int32_t>(wideH));
  std::vector<uint8_t> buffer;
  TChunkReader chunks(Reader, v, v.TileOffsets, v.TileByteCounts,
                      UncompressedBlockBytes(v, v.TileWidth, v.TileLength, v.SamplesPerPixel));
  int64_t x = 0, y = 0;
  bool any = false;
  for (size_t i = 0; i < tiles && y < v.ImageLength; ++i) {
    if (!chunks.Read(i, buffer)) {
      IESetAborting(Progress);
      break;
    }
    if (!buffer.empty()) {
      any = true;
      int64_t xOffset = x;
      switch (f) {
        case TIEPixelFormat::ie24RGB: xOffset = x * 3; break;
        case TIEPixelFormat::ie1g: xOffset = x / 8; break;
        case TIEPixelFormat::ie16g: xOffset = x * 2; break;
        default: break;
      }
      // An ie1g tile that starts inside a byte is shifted by the pixel x.
      DecodeBlock(v, Bitmap, static_cast<int32_t>(y), Progress, v.TileLength, v.TileWidth,
                  static_cast<int32_t>(buffer.size()), buffer.data(), static_cast<int32_t>(xOffset),
                  static_cast<int32_t>(x), v.TileLength, tiles == 1);
      if (IEAborting(Progress)) break;
    }
    x += v.TileWidth;
    if (x >= v.ImageWidth) {
      x = 0;
      y += v.TileLength;
    }
  }
  Bitmap->SetWidth(v.ImageWidth);
  Bitmap->SetHeight(v.ImageLength);
  if (!any) IESetAborting(Progress);
}

namespace {

// Whether each strip of an old-style JPEG page is a JPEG stream of its own
// (no interchange-format offset, several strips, the first starting with SOI).
bool OldJPEGStripsAreStreams(const TIEIFDReader& Reader, const TTIFFVars& v) {
  if (v.JPEGInterchangeFormat != 0 || v.StripOffsets.size() < 2) return false;
  uint8_t soi[2] = {0, 0};
  const int64_t at = Reader.Base + static_cast<uint32_t>(v.StripOffsets[0]);
  if (at < 0 || at + 2 > Reader.Stream->Size()) return false;
  Reader.Stream->SetPosition(at);
  return Reader.Stream->Read(soi, 2) == 2 && soi[0] == 0xFF && soi[1] == 0xD8;
}

// Each strip's stream decoded into its rows of the page.
void DecodeOldJPEGStrips(TIEIFDReader& Reader, TTIFFVars& v, TIEBitmap* Bitmap, TIECodecProgress& Progress) {
  const int32_t w = v.ImageWidth, h = v.ImageLength;
  const int32_t rps = std::max(1, std::min(v.RowsPerStrip, h));
  if (w <= 0 || h <= 0 || (int64_t(w) * 3 + 3) / 4 * 4 > IEMaxImageBytes / h ||
      IEDataCannotFill(Reader.Stream->Size(), int64_t(w) * 3 * h, 4096)) {
    IESetAborting(Progress);
    return;
  }
  Bitmap->Allocate(w, h, TIEPixelFormat::ie24RGB);
  const auto strips = v.StripOffsets.size();
  IEProgressStart(Progress, h, static_cast<int64_t>(strips));
  TChunkReader chunks(Reader, v, v.StripOffsets, v.StripByteCounts, 0);
  std::vector<uint8_t> buffer;
  bool any = false;
  for (size_t i = 0; i < strips && int64_t(i) * rps < h; ++i) {
    if (!chunks.Read(i, buffer)) {
      IESetAborting(Progress);
      return;
    }
    if (buffer.empty()) continue;
    const auto y = static_cast<int32_t>(int64_t(i) * rps);
    const int32_t rows = std::min(rps, h - y);
    TCustomMemoryStream jpeg;
    jpeg.SetPointer(buffer.data(), static_cast<int64_t>(buffer.size()));
    int32_t jw = 0, jh = 0;
    if (!JPEGSize(&jpeg, nullptr, Progress, jw, jh) || jw > w + 16 || jh > rps + 16) {
      IESetAborting(Progress);
      return;
    }
    TIOParamsVals temp;
    TIECodecProgress quiet;
    quiet.AbortFlag = Progress.AbortFlag;
    TIEBitmap tmp;
    IEDecodeJPEG(&jpeg, nullptr, &tmp, temp, quiet, false, false, false, false, true);
    if (IEAborting(Progress) || tmp.IsEmpty()) {
      IESetAborting(Progress);
      return;
    }
    if (tmp.PixelFormat() != TIEPixelFormat::ie24RGB) tmp.SetPixelFormat(TIEPixelFormat::ie24RGB);
    tmp.CopyRectTo(Bitmap, 0, 0, 0, y, std::min(tmp.Width(), w), std::min(tmp.Height(), rows));
    any = true;
    if (IEProgressStep(Progress, true)) return;
  }
  if (!any) IESetAborting(Progress);
}

}  // namespace

void IETIFFDecodeOldJPEG(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress,
                         bool Thumbnail) {
  TTIFFVars& v = Vars;
  if (!Thumbnail && OldJPEGStripsAreStreams(Reader, v)) {
    DecodeOldJPEGStrips(Reader, v, Bitmap, Progress);
    return;
  }
  TStream* stream = Reader.Stream;
  const int64_t start = (v.JPEGInterchangeFormat != 0 || v.StripOffsets.empty())
                            ? Reader.Base + static_cast<uint32_t>(v.JPEGInterchangeFormat)
                            : Reader.Base + static_cast<uint32_t>(v.StripOffsets[0]);
  const int64_t size = stream->Size();
  if (start < 0 || start >= size) {
    IESetAborting(Progress);
    return;
  }
  stream->SetPosition(start);
  const int64_t length = IEJPEGStreamLength(stream);
  if (length <= 0 || start + length > size || length > INT32_MAX) {
    IESetAborting(Progress);
    return;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  stream->SetPosition(start);
  bytes.resize(static_cast<size_t>(std::max(stream->Read(bytes.data(), static_cast<int32_t>(length)), 0)));
  TCustomMemoryStream jpeg;
  jpeg.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));

  int32_t jw = 0, jh = 0;
  const bool sized = JPEGSize(&jpeg, nullptr, Progress, jw, jh);
  const bool tooLarge =
      Thumbnail ? (jw > 400 || jh > 400)
                : (v.ImageWidth > 0 && v.ImageLength > 0 && (jw > v.ImageWidth + 16 || jh > v.ImageLength + 16));
  if (!sized || tooLarge) {
    IESetAborting(Progress);
    return;
  }
  TIOParamsVals temp;
  IEDecodeJPEG(&jpeg, nullptr, Bitmap, temp, Progress, false, false, false, false, true);
  // The page keeps the size its tags give.
  if (!Thumbnail && !IEAborting(Progress) && v.ImageWidth > 0 && v.ImageLength > 0 && !Bitmap->IsEmpty()) {
    if (Bitmap->Width() != v.ImageWidth) Bitmap->SetWidth(v.ImageWidth);
    if (Bitmap->Height() != v.ImageLength) Bitmap->SetHeight(v.ImageLength);
  }
}
