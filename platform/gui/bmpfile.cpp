#include "platform/gui/bmpfile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/byteorder.h"

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Random access to the bytes of one BMP (offset 0 = its first byte).
class TByteSource {
 public:
  explicit TByteSource(uint64_t size) : Size(size) {}
  virtual ~TByteSource() = default;
  // The caller has checked offset + n <= Size.
  virtual void ReadAt(uint64_t offset, void* dst, size_t n) = 0;
  const uint64_t Size;
};

class TStreamSource : public TByteSource {
 public:
  TStreamSource(TStream& s, int64_t start, uint64_t size) : TByteSource(size), FS(s), FStart(start) {}
  void ReadAt(uint64_t offset, void* dst, size_t n) override {
    if (n == 0) return;
    if (FPos != offset) FS.SetPosition(FStart + int64_t(offset));
    FS.ReadBuffer(dst, int64_t(n));
    FPos = offset + n;
  }

 private:
  TStream& FS;
  int64_t FStart;
  uint64_t FPos = UINT64_MAX;
};

class TMemorySource : public TByteSource {
 public:
  TMemorySource(const uint8_t* p, size_t n) : TByteSource(n), FP(p) {}
  void ReadAt(uint64_t offset, void* dst, size_t n) override {
    if (n) std::memcpy(dst, FP + offset, n);
  }

 private:
  const uint8_t* FP;
};

struct TBmpInfo {
  uint32_t HeaderSize = 0;
  bool Core = false;
  int32_t Width = 0;
  int32_t Height = 0;
  bool TopDown = false;
  int32_t BitCount = 0;
  uint32_t Compression = BI_RGB;
  uint32_t SizeImage = 0;
  uint32_t ClrUsed = 0;
  uint32_t Masks[3] = {0, 0, 0};
};

bool AcceptedHeaderSize(uint32_t size) {
  switch (size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124: return true;
    default: return false;
  }
}

// Reads and checks the info header (and the masks that follow a 40-byte
// header). Answers the offset where the colour table starts.
uint64_t ReadInfo(TByteSource& src, uint64_t at, TBmpInfo& info) {
  if (at + 4 > src.Size) InvalidBitmap();
  uint8_t h[124];
  src.ReadAt(at, h, 4);
  const uint32_t size = GetLE32(h);
  if (!AcceptedHeaderSize(size) || at + size > src.Size) InvalidBitmap();
  src.ReadAt(at + 4, h + 4, size - 4);
  info.HeaderSize = size;
  int64_t height = 0;
  if (size == 12) {
    info.Core = true;
    info.Width = GetLE16(h + 4);
    height = GetLE16(h + 6);
    info.BitCount = GetLE16(h + 10);
    if (info.BitCount != 1 && info.BitCount != 4 && info.BitCount != 8 && info.BitCount != 24) InvalidBitmap();
  } else {
    info.Width = int32_t(GetLE32(h + 4));
    height = int32_t(GetLE32(h + 8));
    info.BitCount = GetLE16(h + 14);
    info.Compression = GetLE32(h + 16);
    info.SizeImage = GetLE32(h + 20);
    info.ClrUsed = GetLE32(h + 32);
    // OS/2's 64-byte header numbers its compressions differently past RLE4.
    if (size == 64 && info.Compression > BI_RLE4) InvalidBitmap();
    if (size >= 52 && size != 64)
      for (int i = 0; i < 3; ++i) info.Masks[i] = GetLE32(h + 40 + 4 * i);
  }
  if (height < 0) {
    info.TopDown = true;
    height = -height;
  }
  if (info.Width <= 0 || height <= 0 || info.Width > BmpMaxSide || height > BmpMaxSide) InvalidBitmap();
  info.Height = int32_t(height);
  const int32_t bits = info.BitCount;
  switch (info.Compression) {
    case BI_RGB:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) InvalidBitmap();
      break;
    case BI_RLE8:
      if (bits != 8) InvalidBitmap();
      break;
    case BI_RLE4:
      if (bits != 4) InvalidBitmap();
      break;
    case BI_BITFIELDS:
      if (bits != 16 && bits != 32) InvalidBitmap();
      break;
    default: InvalidBitmap();
  }
  uint64_t next = at + size;
  if (size == 40 && info.Compression == BI_BITFIELDS) {
    if (next + 12 > src.Size) InvalidBitmap();
    uint8_t m[12];
    src.ReadAt(next, m, 12);
    for (int i = 0; i < 3; ++i) info.Masks[i] = GetLE32(m + 4 * i);
    next += 12;
  }
  return next;
}

TGdiPixelFormat FormatOf(const TBmpInfo& info) {
  switch (info.BitCount) {
    case 1: return GdiFormat1;
    case 4: return GdiFormat4;
    case 8: return GdiFormat8;
    case 24: return GdiFormat24;
    case 16:
      if (info.Compression == BI_BITFIELDS) return TGdiPixelFormat{16, info.Masks[0], info.Masks[1], info.Masks[2]};
      return GdiFormat15;
    default:
      if (info.Compression == BI_BITFIELDS && (info.Masks[0] | info.Masks[1] | info.Masks[2]) != 0)
        return TGdiPixelFormat{32, info.Masks[0], info.Masks[1], info.Masks[2]};
      return GdiFormat32;
  }
}

// Deletes a bitmap unless released.
class TBitmapGuard {
 public:
  explicit TBitmapGuard(HBITMAP h) : FH(h) {}
  ~TBitmapGuard() {
    if (FH) DeleteObject(FH);
  }
  HBITMAP Release() {
    HBITMAP h = FH;
    FH = nullptr;
    return h;
  }

 private:
  HBITMAP FH;
};

// Clamps palette indexes to the table.
void ClampIndexes(const TGdiRaster& r, int32_t count) {
  if (count >= (1 << r.BitCount) || count <= 0) return;
  const uint32_t last = uint32_t(count - 1);
  for (int32_t y = 0; y < r.Height; ++y)
    for (int32_t x = 0; x < r.Width; ++x)
      if (GdiReadPixel(r, x, y) > last) GdiWritePixel(r, x, y, last);
}

// Decodes BI_RLE8 / BI_RLE4 data into r; answers the bytes used (up to and
// including the end-of-bitmap mark, or all of them when it is missing).
size_t DecodeRle(const uint8_t* p, size_t n, bool rle8, bool topDown, int32_t count, const TGdiRaster& r) {
  const int64_t w = r.Width, h = r.Height;
  const uint32_t last = count > 0 ? uint32_t(count - 1) : 255u;
  int64_t x = 0, line = 0;
  auto put = [&](uint32_t v) {
    if (x < w && line < h) {
      const int32_t y = topDown ? int32_t(line) : int32_t(h - 1 - line);
      GdiWritePixel(r, int32_t(x), y, std::min(v, last));
    }
    ++x;
  };
  size_t i = 0;
  while (i + 2 <= n && line < h) {
    const uint8_t a = p[i], b = p[i + 1];
    i += 2;
    if (a > 0) {
      if (x >= w) {
        x += a;
        continue;
      }
      for (int k = 0; k < a; ++k) put(rle8 ? b : ((k & 1) ? (b & 0x0F) : (b >> 4)));
      continue;
    }
    switch (b) {
      case 0:  // end of line
        x = 0;
        ++line;
        break;
      case 1:  // end of bitmap
        return i;
      case 2:  // delta
        if (i + 2 > n) return n;
        x += p[i];
        line += p[i + 1];
        i += 2;
        break;
      default: {  // absolute run of b pixels, padded to a 16-bit boundary
        const size_t bytes = rle8 ? b : (size_t(b) + 1) / 2;
        const size_t avail = std::min(bytes, n - i);
        for (int k = 0; k < b; ++k) {
          const size_t at = rle8 ? size_t(k) : size_t(k) / 2;
          if (at >= avail) break;
          put(rle8 ? p[i + at] : ((k & 1) ? (p[i + at] & 0x0F) : (p[i + at] >> 4)));
        }
        i += (bytes + 1) & ~size_t(1);
        if (i > n) return n;
        break;
      }
    }
  }
  return std::min(i, n);
}

// Reads the colour table, creates the DIB and fills it. offBits: where the
// pixels start (0: right after the colour table); rleLimit: end of the data
// an RLE stream may use. consumed receives the end of the pixel data.
HBITMAP Decode(TByteSource& src, uint64_t headerAt, uint64_t offBits, bool iconImage, uint64_t rleLimit,
               uint64_t& consumed) {
  TBmpInfo info;
  const uint64_t tableAt = ReadInfo(src, headerAt, info);
  if (iconImage) {
    info.Height /= 2;
    if (info.Height <= 0) InvalidBitmap();
  }
  const int32_t bits = info.BitCount;
  const uint64_t entrySize = info.Core ? 3 : 4;
  uint64_t declared = 0;  // entries the header says are stored
  if (info.Core)
    declared = bits <= 8 ? (1u << bits) : 0;
  else if (info.ClrUsed != 0)
    declared = info.ClrUsed;
  else if (bits <= 8)
    declared = 1u << bits;
  uint64_t bitsAt = offBits != 0 ? offBits : tableAt + declared * entrySize;
  if (bitsAt < tableAt || bitsAt > src.Size) InvalidBitmap();
  uint64_t entries = 0;
  if (bits <= 8) entries = std::min<uint64_t>({declared, (bitsAt - tableAt) / entrySize, uint64_t(1) << bits});
  std::vector<RGBQUAD> colors(static_cast<size_t>(entries));
  if (entries) {
    std::vector<uint8_t> raw(size_t(entries * entrySize));
    src.ReadAt(tableAt, raw.data(), raw.size());
    for (size_t i = 0; i < colors.size(); ++i) {
      const uint8_t* q = raw.data() + i * entrySize;
      colors[i] = RGBQUAD{q[0], q[1], q[2], 0};
    }
  } else if (bits <= 8) {
    colors = GdiDefaultColorTable(bits);
  }

  const TGdiPixelFormat format = FormatOf(info);
  TGdiLayout layout;
  if (!GdiLayoutOf(format, layout)) InvalidBitmap();
  const bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
  const uint64_t stride = uint64_t(GdiDibStride(info.Width, bits));
  const uint64_t rowBytes = stride * uint64_t(info.Height);
  if (!rle && bitsAt + rowBytes > src.Size) InvalidBitmap();

  HBITMAP handle = GdiCreateDIB(info.Width, info.Height, format, colors.data(), int32_t(colors.size()), false);
  if (!handle) throw EOutOfMemory("Out of memory");
  TBitmapGuard guard(handle);
  const TGdiRaster r = GdiBitmapRaster(handle);
  if (!r.Valid() || uint64_t(r.Stride) != stride) InvalidBitmap();

  if (!rle) {
    for (int32_t i = 0; i < info.Height; ++i) {
      const int32_t y = info.TopDown ? i : info.Height - 1 - i;
      src.ReadAt(bitsAt + uint64_t(i) * stride, r.Row(y), size_t(stride));
    }
    if (bits <= 8 && entries > 0) ClampIndexes(r, int32_t(entries));
    consumed = bitsAt + rowBytes;
  } else {
    uint64_t end = std::min(rleLimit, src.Size);
    if (info.SizeImage != 0) end = std::min(end, bitsAt + info.SizeImage);
    if (end < bitsAt) end = bitsAt;
    std::vector<uint8_t> data(size_t(end - bitsAt));
    src.ReadAt(bitsAt, data.data(), data.size());
    const size_t used =
        DecodeRle(data.data(), data.size(), info.Compression == BI_RLE8, info.TopDown, int32_t(entries), r);
    consumed = bitsAt + used;
  }
  return guard.Release();
}

}  // namespace

HBITMAP ReadBmpFile(TStream& Stream) {
  const int64_t start = Stream.Position();
  const int64_t size = Stream.Size();
  if (size - start < 18) InvalidBitmap();
  const uint64_t avail = uint64_t(size - start);
  uint8_t fh[14];
  Stream.ReadBuffer(fh, sizeof(fh));
  if (fh[0] != 'B' || fh[1] != 'M') InvalidBitmap();
  const uint32_t bfSize = GetLE32(fh + 2);
  const uint32_t offBits = GetLE32(fh + 10);
  if (offBits != 0 && offBits < 14 + 12) InvalidBitmap();
  // The data an RLE stream may take: the file's own length when it is
  // plausible, else everything left.
  const uint64_t rleLimit = (bfSize > 14 && bfSize <= avail) ? bfSize : avail;
  TStreamSource src(Stream, start, avail);
  uint64_t consumed = 0;
  HBITMAP h = Decode(src, 14, offBits, false, rleLimit, consumed);
  const uint64_t length = (bfSize >= consumed && bfSize <= avail) ? bfSize : consumed;
  Stream.SetPosition(start + int64_t(length));
  return h;
}

HBITMAP ReadPackedDib(const uint8_t* Data, size_t Size, bool IconImage, size_t* Used) {
  if (Data == nullptr) InvalidBitmap();
  TMemorySource src(Data, Size);
  uint64_t consumed = 0;
  HBITMAP h = Decode(src, 0, 0, IconImage, Size, consumed);
  if (Used) *Used = size_t(consumed);
  return h;
}

void WriteBmpFile(TStream& Stream, HBITMAP Bitmap) {
  const TGdiRaster r = GdiBitmapRaster(Bitmap);
  if (!r.Valid()) InvalidBitmap();
  uint32_t compression = BI_RGB;
  bool masks = false;
  switch (r.Layout) {
    case TGdiLayout::Rgb565:
    case TGdiLayout::Bitfields16:
    case TGdiLayout::Bitfields32:
      compression = BI_BITFIELDS;
      masks = true;
      break;
    default: break;
  }
  std::vector<RGBQUAD> table;
  if (r.Indexed()) {
    if (r.Colors && r.ColorCount > 0)
      table.assign(r.Colors, r.Colors + std::min(r.ColorCount, 1 << r.BitCount));
    else
      table = GdiDefaultColorTable(r.BitCount);  // a monochrome bitmap: black and white
  }
  const uint32_t stride = uint32_t(r.Stride);
  const uint32_t imageSize = stride * uint32_t(r.Height);
  const uint32_t offBits = 14 + 40 + (masks ? 12 : 0) + uint32_t(table.size()) * 4;
  std::vector<uint8_t> head;
  head.reserve(offBits);
  AppendLE16(head, 0x4D42);
  AppendLE32(head, offBits + imageSize);
  AppendLE32(head, 0);
  AppendLE32(head, offBits);
  AppendLE32(head, 40);
  AppendLE32(head, uint32_t(r.Width));
  AppendLE32(head, uint32_t(r.Height));
  AppendLE16(head, 1);
  AppendLE16(head, uint32_t(r.BitCount));
  AppendLE32(head, compression);
  AppendLE32(head, imageSize);
  AppendLE32(head, 0);
  AppendLE32(head, 0);
  const bool fullTable = table.size() == (size_t(1) << (r.Indexed() ? r.BitCount : 0));
  AppendLE32(head, r.Indexed() && !fullTable ? uint32_t(table.size()) : 0);
  AppendLE32(head, 0);
  if (masks) {
    AppendLE32(head, r.RedMask);
    AppendLE32(head, r.GreenMask);
    AppendLE32(head, r.BlueMask);
  }
  for (const RGBQUAD& q : table) {
    head.push_back(q.rgbBlue);
    head.push_back(q.rgbGreen);
    head.push_back(q.rgbRed);
    head.push_back(0);
  }
  Stream.WriteBuffer(head.data(), int64_t(head.size()));
  for (int32_t y = r.Height - 1; y >= 0; --y) Stream.WriteBuffer(r.Row(y), stride);
}
