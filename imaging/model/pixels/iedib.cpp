// Packed DIBs to and from TIEBitmap, and copies of platform bitmaps.
#include "imaging/model/pixels/iedib.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/ieconvert24.h"
#include "imaging/model/pixels/iedibbitmap.h"
#include "imaging/model/pixels/iedrawdib.h"
#include "imaging/model/pixels/ieroutines.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr size_t kHeaderSize = 40;

bool ReadHeader(const uint8_t* DIB, size_t Length, BITMAPINFOHEADER& H) {
  if (!DIB || Length < kHeaderSize) return false;
  H.biSize = GetLE32(DIB);
  H.biWidth = static_cast<int32_t>(GetLE32(DIB + 4));
  H.biHeight = static_cast<int32_t>(GetLE32(DIB + 8));
  H.biPlanes = GetLE16(DIB + 12);
  H.biBitCount = GetLE16(DIB + 14);
  H.biCompression = GetLE32(DIB + 16);
  H.biSizeImage = GetLE32(DIB + 20);
  H.biXPelsPerMeter = static_cast<int32_t>(GetLE32(DIB + 24));
  H.biYPelsPerMeter = static_cast<int32_t>(GetLE32(DIB + 28));
  H.biClrUsed = GetLE32(DIB + 32);
  H.biClrImportant = GetLE32(DIB + 36);
  return true;
}

// ---- YUV --------------------------------------------------------------------------------

uint8_t ClampLevel(double v) {
  const double r = std::nearbyint(v);  // halves to even
  return r <= 0 ? 0 : r >= 255 ? 255 : static_cast<uint8_t>(r);
}

TRGB YUVToRGB(int32_t Y, int32_t U, int32_t V) {
  const double y = (Y - 16) * 1.164;
  TRGB c;
  c.b = ClampLevel(y + 2.018 * (U - 128));
  c.g = ClampLevel(y - 0.813 * (V - 128) - 0.391 * (U - 128));
  c.r = ClampLevel(y + 1.596 * (V - 128));
  return c;
}

// One pixel of a packed block: its luma and the block's chroma.
struct TYUV {
  uint8_t Y, U, V;
};

using TBlockReader = TYUV (*)(const uint8_t* Block, int32_t Pixel);

struct TPackedLayout {
  uint32_t FourCC;
  int32_t BlockPixels;
  int32_t BlockBytes;
  bool Reversed;  // rows run the other way round from the other frames
  TBlockReader Read;
};

// 5-bit luma and 6-bit chroma samples widened to 8 bits by bit replication.
uint8_t Widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t Widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

const TPackedLayout kPackedLayouts[] = {
    {IEFourCC("YUY2"), 2, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[i * 2], b[1], b[3]};
     }},
    {IEFourCC("YUNV"), 2, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[i * 2], b[1], b[3]};
     }},
    {IEFourCC("UYVY"), 2, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[1 + i * 2], b[0], b[2]};
     }},
    {IEFourCC("UYNV"), 2, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[1 + i * 2], b[0], b[2]};
     }},
    {IEFourCC("cyuv"), 2, 4, true,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[1 + i * 2], b[0], b[2]};
     }},
    {IEFourCC("YVYU"), 2, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[i * 2], b[3], b[1]};
     }},
    {IEFourCC("IYU1"), 4, 6, false,
     [](const uint8_t* b, int32_t i) {
       static constexpr int kY[4] = {1, 2, 4, 5};
       return TYUV{b[kY[i]], b[0], b[3]};
     }},
    {IEFourCC("IYU2"), 1, 3, false,
     [](const uint8_t* b, int32_t) {
       return TYUV{b[1], b[0], b[2]};
     }},
    {IEFourCC("Y41P"), 8, 12, true,
     [](const uint8_t* b, int32_t i) {
       static constexpr int kY[8] = {1, 3, 5, 7, 8, 9, 10, 11};
       return i < 4 ? TYUV{b[kY[i]], b[0], b[2]} : TYUV{b[kY[i]], b[4], b[6]};
     }},
    {IEFourCC("Y211"), 4, 4, false,
     [](const uint8_t* b, int32_t i) {
       return TYUV{b[i < 2 ? 0 : 2], b[1], b[3]};
     }},
    {IEFourCC("CLJR"), 4, 4, false,
     [](const uint8_t* b, int32_t i) {
       const uint32_t w = GetLE32(b);
       return TYUV{Widen5((w >> (12 + 5 * i)) & 31), Widen6((w >> 6) & 63), Widen6(w & 63)};
     }},
};

struct TPlanarLayout {
  uint32_t FourCC;
  int32_t Subsampling;  // chroma samples per this many pixels in each direction
  bool UFirst;          // the U plane comes before the V plane
};

const TPlanarLayout kPlanarLayouts[] = {
    {IEFourCC("I420"), 2, true},
    {IEFourCC("IYUV"), 2, true},
    {IEFourCC("YV12"), 2, false},
    {IEFourCC("YVU9"), 4, false},
};

const TPackedLayout* FindPacked(uint32_t FourCC) {
  for (const auto& l : kPackedLayouts)
    if (l.FourCC == FourCC) return &l;
  return nullptr;
}

const TPlanarLayout* FindPlanar(uint32_t FourCC) {
  for (const auto& l : kPlanarLayouts)
    if (l.FourCC == FourCC) return &l;
  return nullptr;
}

// ---- Reading ----------------------------------------------------------------------------

// The pixel data of a DIB: Size bytes at Data, stored rows of Stride bytes.
struct TPixelData {
  const uint8_t* Data = nullptr;
  uint64_t Size = 0;

  // Bytes of the range at Offset that lie in the data, at most Count.
  uint64_t Available(uint64_t Offset, uint64_t Count) const {
    if (Offset >= Size) return 0;
    return std::min(Count, Size - Offset);
  }
};

// The image row a stored row lands on.
int32_t TargetRow(int64_t Stored, int32_t Rows, bool TopDown) {
  return static_cast<int32_t>(TopDown ? Stored : Rows - 1 - Stored);
}

void DecodePacked(const TPackedLayout& L, const TPixelData& Pixels, int32_t Width, int32_t Rows, bool TopDown,
                  TIEBitmap* Bitmap) {
  const int64_t blocks = (int64_t{Width} + L.BlockPixels - 1) / L.BlockPixels;
  const uint64_t stride = static_cast<uint64_t>(blocks) * static_cast<uint64_t>(L.BlockBytes);
  for (int64_t s = 0; s < Rows; ++s) {
    const uint64_t offset = static_cast<uint64_t>(s) * stride;
    const uint64_t available = Pixels.Available(offset, stride);
    if (available < static_cast<uint64_t>(L.BlockBytes)) break;  // rows further on are not there either
    const uint8_t* row = Pixels.Data + offset;
    auto* d = static_cast<TRGB*>(Bitmap->ScanLine(TargetRow(s, Rows, TopDown)));
    const int64_t wholeBlocks = static_cast<int64_t>(available / static_cast<uint64_t>(L.BlockBytes));
    for (int64_t b = 0; b < wholeBlocks; ++b) {
      const uint8_t* block = row + b * L.BlockBytes;
      const int64_t x0 = b * L.BlockPixels;
      const int32_t count = static_cast<int32_t>(std::min<int64_t>(L.BlockPixels, Width - x0));
      for (int32_t i = 0; i < count; ++i) {
        const TYUV p = L.Read(block, i);
        d[x0 + i] = YUVToRGB(p.Y, p.U, p.V);
      }
    }
  }
}

void DecodePlanar(const TPlanarLayout& L, const TPixelData& Pixels, int32_t Width, int32_t Rows, bool TopDown,
                  TIEBitmap* Bitmap) {
  const uint64_t lumaSize = uint64_t(uint32_t(Width)) * uint64_t(uint32_t(Rows));
  const int64_t chromaWidth = Width / L.Subsampling;
  const int64_t chromaRows = Rows / L.Subsampling;
  const uint64_t chromaSize = uint64_t(chromaWidth) * uint64_t(chromaRows);
  const uint64_t first = lumaSize, second = lumaSize + chromaSize;
  const uint64_t uPlane = L.UFirst ? first : second;
  const uint64_t vPlane = L.UFirst ? second : first;
  const bool hasChroma = chromaSize > 0;
  for (int64_t s = 0; s < Rows; ++s) {
    const uint64_t lumaRow = uint64_t(s) * uint64_t(uint32_t(Width));
    if (Pixels.Available(lumaRow, 1) == 0) break;
    const uint64_t chromaRow = uint64_t(std::min<int64_t>(s / L.Subsampling, chromaRows - 1)) * uint64_t(chromaWidth);
    auto* d = static_cast<TRGB*>(Bitmap->ScanLine(TargetRow(s, Rows, TopDown)));
    for (int64_t x = 0; x < Width; ++x) {
      const uint64_t yAt = lumaRow + uint64_t(x);
      if (yAt >= Pixels.Size) break;
      int32_t u = 128, v = 128;  // a frame too small for any chroma sample
      if (hasChroma) {
        const uint64_t c = chromaRow + uint64_t(std::min<int64_t>(x / L.Subsampling, chromaWidth - 1));
        if (uPlane + c >= Pixels.Size || vPlane + c >= Pixels.Size) continue;
        u = Pixels.Data[uPlane + c];
        v = Pixels.Data[vPlane + c];
      }
      d[x] = YUVToRGB(Pixels.Data[yAt], u, v);
    }
  }
}

// (p and Mask) moved by Shift bits: right for a positive shift, left for a
// negative one; bits moved out of 32 are lost.
uint32_t ShiftMasked(uint32_t p, uint32_t Mask, int32_t Shift) {
  const uint32_t v = p & Mask;
  if (Shift >= 32 || Shift <= -32) return 0;
  return Shift >= 0 ? v >> Shift : v << -Shift;
}

void DecodeRGB(const BITMAPINFOHEADER& H, const TPixelData& Pixels, const TRGB* Table, int32_t TableCount,
               const uint32_t Masks[3], int32_t Width, int32_t Rows, bool TopDown, TIEBitmap* Bitmap) {
  const int32_t bits = H.biBitCount;
  const uint64_t stride = static_cast<uint64_t>(IEBitmapRowLen(Width, bits, 32));
  if (stride == 0) return;
  auto lookup = [&](uint32_t i) { return Table[std::min<uint32_t>(i, uint32_t(TableCount - 1))]; };
  const int32_t nR = IEBitMaskWidth(Masks[0]), nG = IEBitMaskWidth(Masks[1]), nB = IEBitMaskWidth(Masks[2]);
  const int32_t shiftR = nR + nG + nB - 8, shiftG = nG + nB - 8, shiftB = nB - 8;
  const size_t destBytes = static_cast<size_t>(Bitmap->RowLen());
  for (int64_t s = 0; s < Rows; ++s) {
    const uint64_t offset = static_cast<uint64_t>(s) * stride;
    const uint64_t available = Pixels.Available(offset, stride);
    if (available == 0) break;
    const uint8_t* src = Pixels.Data + offset;
    auto* d = static_cast<uint8_t*>(Bitmap->ScanLine(TargetRow(s, Rows, TopDown)));
    auto* rgb = reinterpret_cast<TRGB*>(d);
    switch (bits) {
      case 1:
        std::memcpy(d, src, std::min<size_t>(std::min<uint64_t>(available, (uint64_t(Width) + 7) / 8), destBytes));
        break;
      case 4: {
        const int64_t n = std::min<int64_t>(Width, int64_t(available) * 2);
        for (int64_t x = 0; x < n; ++x) {
          const uint8_t b = src[x >> 1];
          rgb[x] = lookup((x & 1) ? (b & 0x0F) : (b >> 4));
        }
        break;
      }
      case 8: {
        const int64_t n = std::min<int64_t>(Width, int64_t(available));
        for (int64_t x = 0; x < n; ++x) rgb[x] = lookup(src[x]);
        break;
      }
      case 16: {
        const int64_t n = std::min<int64_t>(Width, int64_t(available / 2));
        for (int64_t x = 0; x < n; ++x) {
          const uint32_t p = GetLE16(src + 2 * x);
          rgb[x] = MakeTRGB(static_cast<uint8_t>(ShiftMasked(p, Masks[0], shiftR)),
                            static_cast<uint8_t>(ShiftMasked(p, Masks[1], shiftG)),
                            static_cast<uint8_t>(ShiftMasked(p, Masks[2], shiftB)));
        }
        break;
      }
      case 24:
        std::memcpy(d, src, std::min<size_t>(std::min<uint64_t>(available, uint64_t(Width) * 3), destBytes));
        break;
      case 32: {
        const int64_t n = std::min<int64_t>(Width, int64_t(available / 4));
        for (int64_t x = 0; x < n; ++x) rgb[x] = TRGB{src[4 * x], src[4 * x + 1], src[4 * x + 2]};
        break;
      }
      default: break;
    }
  }
}

// Where the parts of a DIB are. Offsets may lie beyond the buffer.
struct TDibLayout {
  uint64_t TableOffset = 0;  // colour table (after the masks)
  uint64_t TableCount = 0;   // entries declared
  uint64_t PixelOffset = 0;
  bool BitFields = false;
};

bool UsesBitFields(const BITMAPINFOHEADER& H) {
  return H.biCompression == BI_BITFIELDS && (H.biBitCount == 16 || H.biBitCount == 32);
}

TDibLayout LayoutOf(const BITMAPINFOHEADER& H) {
  TDibLayout l;
  l.BitFields = UsesBitFields(H);
  const uint64_t headerSize = std::max<uint64_t>(H.biSize, kHeaderSize);
  // The three masks follow a 40-byte header; later header versions hold them.
  const uint64_t masks = l.BitFields && H.biSize < 52 ? 12 : 0;
  l.TableOffset = headerSize + masks;
  l.TableCount = H.biClrUsed;
  // A full table is implied only for uncompressed indexed rows: YUV frames
  // of 8 bits or less (CLJR, Y211) carry none.
  const bool indexed = H.biCompression == BI_RGB || H.biCompression == BI_BITFIELDS || H.biCompression == BI_RLE8 ||
                       H.biCompression == BI_RLE4;
  if (l.TableCount == 0 && indexed) {
    if (H.biBitCount == 1)
      l.TableCount = 2;
    else if (H.biBitCount == 4)
      l.TableCount = 16;
    else if (H.biBitCount == 8)
      l.TableCount = 256;
  }
  l.PixelOffset = l.TableOffset + l.TableCount * 4;
  return l;
}

enum class TDibKind { None, RGB, Packed, Planar };

TDibKind KindOf(const BITMAPINFOHEADER& H) {
  if (FindPacked(H.biCompression)) return TDibKind::Packed;
  if (FindPlanar(H.biCompression)) return TDibKind::Planar;
  switch (H.biBitCount) {
    case 1:
    case 4:
    case 8:
      // Run-length compressions (1 and 2) are not decoded.
      return H.biCompression == BI_RGB || H.biCompression == BI_BITFIELDS ? TDibKind::RGB : TDibKind::None;
    case 16:
    case 32: return H.biCompression == BI_RGB || H.biCompression == BI_BITFIELDS ? TDibKind::RGB : TDibKind::None;
    case 24: return H.biCompression == BI_RGB ? TDibKind::RGB : TDibKind::None;
    default: return TDibKind::None;
  }
}

// Whether a W x Rows image of this format fits the pixel buffer's limit.
bool FitsLimit(int64_t W, int64_t Rows, TIEPixelFormat Format, int32_t Alignment) {
  if (W <= 0 || Rows <= 0 || W > INT32_MAX || Rows > INT32_MAX) return false;
  const int64_t rowLen = IEBitmapRowLen(W, IEBitsPerPixel(Format), Alignment > 0 ? Alignment : 32);
  return rowLen > 0 && rowLen <= IEMaxImageBytes && rowLen * Rows <= IEMaxImageBytes;
}

// A cut DIB keeps the rows it has, but above 16 MB of stored rows pixel data
// below 1/64 of them (1/128 for run-length and other compressed data, whose
// longest runs pack 255 pixels into two bytes) is no picture of the declared
// size: a few bytes never make gigabytes of bitmap.
bool DataCanFill(const BITMAPINFOHEADER& H, TDibKind Kind, int64_t W, int64_t Rows, uint64_t DataBytes) {
  const int64_t stored = (W * std::max<int64_t>(H.biBitCount, 1) + 31) / 32 * 4 * Rows;
  const int64_t share = Kind == TDibKind::None ? 128 : 64;
  return stored <= (int64_t(1) << 24) || stored / share <= int64_t(std::min<uint64_t>(DataBytes, uint64_t(INT64_MAX)));
}

}  // namespace

// ---- Platform-bitmap rows ----------------------------------------------------------------

int32_t IETBitmapFormatBits(TPixelFormat PixelFormat) {
  switch (PixelFormat) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit: return 15;
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    default: return 0;
  }
}

int32_t IETBitmapRowLen(int32_t Width, TPixelFormat PixelFormat) {
  return static_cast<int32_t>(IEBitmapRowLen(Width, IETBitmapFormatBits(PixelFormat), 32));
}

// ---- Packed DIBs -------------------------------------------------------------------------

int32_t IEScreenPelsPerMeter() {
  HDC dc = CreateCompatibleDC(nullptr);
  const int32_t ppi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  if (dc) DeleteDC(dc);
  if (ppi <= 0 || ppi >= 1000) return 0;
  return static_cast<int32_t>(Round(ppi * 39.37));
}

bool IEDIBIsDecodable(const BITMAPINFOHEADER& Header) { return KindOf(Header) != TDibKind::None; }

std::vector<uint8_t> IEBitmapToDIB(TIEBitmap* Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (!Bitmap) return {};
  std::unique_ptr<TIEBitmap> converted;
  TIEBitmap* source = Bitmap;
  switch (Bitmap->PixelFormat()) {
    case TIEPixelFormat::ie1g:
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie8g:
    case TIEPixelFormat::ie24RGB: break;
    default:
      converted = IEConvertTo24RGB(Bitmap);
      if (converted->IsEmpty())
        converted.reset();
      else
        source = converted.get();
  }

  const TIEPixelFormat format = source->PixelFormat();
  const int32_t width = source->Width(), height = source->Height();
  const bool empty = source->IsEmpty();
  if (X2 == 0) X2 = width;
  if (Y2 == 0) Y2 = height;
  // Clipped to the image, so that no row is read outside it.
  X1 = std::clamp(X1, 0, empty ? 0 : width);
  Y1 = std::clamp(Y1, 0, empty ? 0 : height);
  X2 = std::clamp(X2, X1, empty ? X1 : width);
  Y2 = std::clamp(Y2, Y1, empty ? Y1 : height);
  const int32_t w = X2 - X1, h = Y2 - Y1;

  int32_t bits = 0;
  size_t tableEntries = 0;
  switch (format) {
    case TIEPixelFormat::ie1g:
      bits = 1;
      tableEntries = 2;
      break;
    case TIEPixelFormat::ie8p:
      bits = 8;
      tableEntries = static_cast<size_t>(source->PaletteLength());
      break;
    case TIEPixelFormat::ie8g:
      bits = 8;
      tableEntries = 256;
      break;
    case TIEPixelFormat::ie24RGB: bits = 24; break;
    default: break;
  }
  const int64_t rowLen = bits ? IEBitmapRowLen(w, bits, 32) : 0;
  const size_t pixelOffset = kHeaderSize + tableEntries * 4;
  std::vector<uint8_t> dib(pixelOffset + static_cast<size_t>(rowLen * h), 0);

  uint8_t* p = dib.data();
  PutLE32(p, 40);
  PutLE32(p + 4, static_cast<uint32_t>(w));
  PutLE32(p + 8, static_cast<uint32_t>(h));
  PutLE16(p + 12, 1);
  PutLE16(p + 14, static_cast<uint16_t>(bits));
  PutLE32(p + 16, BI_RGB);
  if (bits == 24) PutLE32(p + 20, static_cast<uint32_t>(rowLen * h));
  const int32_t pels = IEScreenPelsPerMeter();
  PutLE32(p + 24, static_cast<uint32_t>(pels));
  PutLE32(p + 28, static_cast<uint32_t>(pels));

  uint8_t* table = p + kHeaderSize;
  if (format == TIEPixelFormat::ie1g) {
    std::memset(table + 4, 0xFF, 4);
  } else if (format == TIEPixelFormat::ie8p) {
    for (size_t i = 0; i < tableEntries; ++i) {
      TRGB c;
      source->GetPaletteColor(static_cast<int32_t>(i), c);
      table[i * 4] = c.b;
      table[i * 4 + 1] = c.g;
      table[i * 4 + 2] = c.r;
    }
  } else if (format == TIEPixelFormat::ie8g) {
    for (size_t i = 0; i < 256; ++i) std::memset(table + i * 4, static_cast<int>(i), 3);
  }

  if (bits == 0 || w == 0 || h == 0) return dib;
  TIEAccessScope readOnly(source, TIEDataAccess{TIEDataAccessItem::iedRead});
  const int32_t sourceRowLen = source->RowLen();
  uint8_t* rows = p + pixelOffset;
  for (int32_t k = 0; k < h; ++k) {
    const auto* s = static_cast<const uint8_t*>(source->ScanLine(Y2 - 1 - k));
    uint8_t* d = rows + rowLen * k;
    switch (bits) {
      case 1: CopyBitRun(d, s, 0, sourceRowLen, w, X1); break;
      case 8: std::memcpy(d, s + X1, static_cast<size_t>(w)); break;
      case 24: std::memcpy(d, s + static_cast<size_t>(X1) * 3, static_cast<size_t>(w) * 3); break;
    }
  }
  return dib;
}

// 1-bit only for plain 1-bit rows; YUV frames decode to 24 bits whatever
// their header's bit count says (they write 24-bit pixels).
static TIEPixelFormat DecodedFormat(const BITMAPINFOHEADER& h, TDibKind kind) {
  const bool yuv = kind == TDibKind::Packed || kind == TDibKind::Planar;
  return h.biBitCount == 1 && !yuv ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB;
}

int32_t DIBToIEBitmap(const uint8_t* DIB, size_t Length, TIEBitmap* Bitmap, const uint8_t* Bits, size_t BitsLength) {
  BITMAPINFOHEADER h;
  if (!ReadHeader(DIB, Length, h)) {
    if (Bitmap) Bitmap->Allocate(0, 0, TIEPixelFormat::ie24RGB);
    return 0;
  }
  const int32_t result = h.biBitCount;
  if (!Bitmap) return result;

  const TDibKind kind = KindOf(h);
  const TIEPixelFormat format = DecodedFormat(h, kind);
  const int64_t width = h.biWidth;
  const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : int64_t{h.biHeight};
  const TDibLayout layout = LayoutOf(h);
  TPixelData pixels;
  if (Bits) {
    pixels.Data = Bits;
    pixels.Size = BitsLength;
  } else if (layout.PixelOffset < Length) {
    pixels.Data = DIB + layout.PixelOffset;
    pixels.Size = Length - layout.PixelOffset;
  }
  if (!FitsLimit(width, rows, format, Bitmap->RowAlignment()) || !DataCanFill(h, kind, width, rows, pixels.Size)) {
    Bitmap->Allocate(0, 0, format);
    return result;
  }
  const auto w = static_cast<int32_t>(width);
  const auto n = static_cast<int32_t>(rows);
  Bitmap->Allocate(w, n, format);
  if (Bitmap->IsEmpty()) return result;
  if (kind == TDibKind::None) return result;
  if (!pixels.Data || pixels.Size == 0) return result;

  // A file image's row buffers are read (zero, like the rows that are not
  // reached) and written back, whatever access the caller had set.
  TIEAccessScope access(Bitmap, TIEDataAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite});
  const bool topDown = h.biHeight < 0;
  if (kind == TDibKind::Packed) {
    const TPackedLayout& l = *FindPacked(h.biCompression);
    // YUV frames store the top row first unless the height is negative.
    DecodePacked(l, pixels, w, n, !topDown != l.Reversed, Bitmap);
  } else if (kind == TDibKind::Planar) {
    DecodePlanar(*FindPlanar(h.biCompression), pixels, w, n, !topDown, Bitmap);
  } else {
    TRGB table[256];
    const int32_t tableCount = static_cast<int32_t>(std::min<uint64_t>(layout.TableCount, 256));
    for (int32_t i = 0; i < tableCount; ++i) {
      const uint64_t at = layout.TableOffset + uint64_t(i) * 4;
      if (at + 3 <= Length) table[i] = TRGB{DIB[at], DIB[at + 1], DIB[at + 2]};
    }
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (layout.BitFields) {
      for (int i = 0; i < 3; ++i)
        masks[i] = kHeaderSize + 4 * (i + 1) <= Length ? GetLE32(DIB + kHeaderSize + 4 * i) : 0;
    }
    DecodeRGB(h, pixels, table, std::max(tableCount, 1), masks, w, n, topDown, Bitmap);
  }
  Bitmap->FreeRowBuffers();
  return result;
}

int32_t DIBToDibbitmap(const uint8_t* DIB, size_t Length, TIEDibbitmap* Dest, const uint8_t* Bits, size_t BitsLength) {
  BITMAPINFOHEADER h;
  if (!ReadHeader(DIB, Length, h)) return 0;
  const int32_t result = h.biBitCount;
  if (!Dest) return result;
  const int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : int64_t{h.biHeight};
  const TIEPixelFormat format = DecodedFormat(h, KindOf(h));
  if (!FitsLimit(h.biWidth, rows, format, 32)) return result;
  const auto w = h.biWidth;
  const auto n = static_cast<int32_t>(rows);
  Dest->AllocateBits(w, n, format == TIEPixelFormat::ie1g ? 1 : 24);
  if (!IEDIBIsDecodable(h)) return result;
  HDRAWDIB dd = IEDrawDibOpen();
  IEDrawDibDraw(dd, Dest->DC(), 0, 0, w, n, DIB, Length, Bits, BitsLength, 0, 0, w, n, 0);
  IEDrawDibClose(dd);
  return result;
}

// ---- Platform bitmaps ---------------------------------------------------------------------

void CopyTBitmap(TBitmap* Source, TBitmap* Dest) {
  if (!Source || !Dest || Source == Dest) return;
  const TPixelFormat format = Source->PixelFormat();
  const int32_t width = Source->Width(), height = Source->Height();
  if (width == 0 || height == 0) {
    Dest->SetSize(0, 0);
    if (format != TPixelFormat::pfCustom) Dest->SetPixelFormat(format);
    Dest->SetSize(1, 1);
    return;
  }
  const int32_t rowLen = IETBitmapRowLen(width, format);
  if (rowLen == 0) {
    // pfDevice and pfCustom rows have no layout of their own: the platform
    // copies them.
    Dest->Assign(Source);
    return;
  }
  if (Dest->Width() != width || Dest->Height() != height || Dest->PixelFormat() != format) {
    Dest->SetSize(0, 0);  // drops the old pixels before the new format is set
    Dest->SetPixelFormat(format);
    Dest->SetSize(width, height);
  }
  if (IETBitmapFormatBits(format) <= 8) {
    // The indexes mean nothing without their colours.
    if (HPALETTE palette = Source->Palette()) {
      const uint32_t count = GetPaletteEntries(palette, 0, 0, nullptr);
      std::vector<uint8_t> mem(sizeof(LOGPALETTE) + std::max<uint32_t>(count, 1) * sizeof(PALETTEENTRY));
      auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
      lp->palVersion = 0x300;
      lp->palNumEntries = static_cast<uint16_t>(GetPaletteEntries(palette, 0, count, lp->palPalEntry));
      if (HPALETTE copy = CreatePalette(lp)) Dest->SetPalette(copy);
    }
  }
  const uint8_t* s0 = Source->ScanLine(0);
  const uint8_t* sN = Source->ScanLine(height - 1);
  uint8_t* d0 = Dest->ScanLine(0);
  uint8_t* dN = Dest->ScanLine(height - 1);
  if ((s0 <= sN) == (d0 <= dN)) {
    // Both keep their rows in one block in the same order.
    std::memcpy(std::min(d0, dN), std::min(s0, sN), static_cast<size_t>(rowLen) * static_cast<size_t>(height));
  } else {
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(Dest->ScanLine(y), Source->ScanLine(y), static_cast<size_t>(rowLen));
  }
}

std::unique_ptr<TBitmap> CloneTBitmap(TBitmap* Source) {
  auto copy = std::make_unique<TBitmap>();
  CopyTBitmap(Source, copy.get());
  return copy;
}
