#include "platform/gui/graphics.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gui/bmpfile.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/guiresources.h"
#include "platform/gui/syscolors.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/byteorder.h"

namespace {

[[noreturn]] void OutOfResources() { throw EOutOfResources("Out of system resources"); }

TGdiPixelFormat FormatFor(TPixelFormat pf) {
  switch (pf) {
    case TPixelFormat::pf1bit: return GdiFormat1;
    case TPixelFormat::pf4bit: return GdiFormat4;
    case TPixelFormat::pf8bit: return GdiFormat8;
    case TPixelFormat::pf15bit: return GdiFormat15;
    case TPixelFormat::pf16bit: return GdiFormat16;
    case TPixelFormat::pf24bit: return GdiFormat24;
    default: return GdiFormat32;
  }
}

TPixelFormat PixelFormatOf(const TGdiBitmap& b) {
  switch (b.Layout) {
    case TGdiLayout::Index1: return TPixelFormat::pf1bit;
    case TGdiLayout::Index4: return TPixelFormat::pf4bit;
    case TGdiLayout::Index8: return TPixelFormat::pf8bit;
    case TGdiLayout::Rgb555: return TPixelFormat::pf15bit;
    case TGdiLayout::Rgb565: return TPixelFormat::pf16bit;
    case TGdiLayout::Bgr24: return TPixelFormat::pf24bit;
    case TGdiLayout::Bgr32: return b.IsDIB ? TPixelFormat::pf32bit : TPixelFormat::pfDevice;
    default: return TPixelFormat::pfCustom;
  }
}

TGdiLayout LayoutOf(const TGdiPixelFormat& f) {
  TGdiLayout l = TGdiLayout::Bgr32;
  GdiLayoutOf(f, l);
  return l;
}

// A copy of src at the given size and format. A monochrome source (no colour
// table) keeps black and white.
HBITMAP CopyBitmap(HBITMAP src, int32_t w, int32_t h, const TGdiPixelFormat& format) {
  const TGdiBitmap* b = GdiBitmap(src);
  if (b && b->Monochrome && format.BitCount == 1) {
    const std::vector<RGBQUAD> bw = GdiDefaultColorTable(1);
    return GdiCopyDIB(src, w, h, format, bw.data(), int32_t(bw.size()));
  }
  return GdiCopyDIB(src, w, h, format, nullptr, 0);
}

HBITMAP NewBitmap(int32_t w, int32_t h, const TGdiPixelFormat& format) {
  const std::vector<RGBQUAD> table = GdiDefaultColorTable(format.BitCount);
  return GdiCreateDIB(w, h, format, table.empty() ? nullptr : table.data(), int32_t(table.size()));
}

String LowerAscii(String s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

// ================================================================================
// TGraphic
// ================================================================================

void TGraphic::SetSize(int32_t AWidth, int32_t AHeight) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed(this);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    FModified = false;
}

void TGraphic::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const String& FileName) {
  TSafeFileWriter writer(FileName);
  SaveToStream(&writer.Stream());
  writer.Commit(true);
}

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const TRect& R,
                        const String& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

// ================================================================================
// TBitmap
// ================================================================================

// The bitmap's canvas: a memory DC with the bitmap selected, made when first
// needed and let go whenever the bitmap changes its image.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  const char* ClassName() const override { return "TBitmapCanvas"; }

  void FreeContext() {
    if (!FDC) return;
    Lock();
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(FDC, FOldBitmap);
    DeleteDC(FDC);
    FDC = nullptr;
    FOldBitmap = nullptr;
    Unlock();
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    if (FBitmap->FHandle) FOldBitmap = SelectObject(dc, FBitmap->FHandle);
    FDC = dc;
    SetHandle(dc);
  }

 private:
  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  FCanvas.reset();
  FreePalette();
  if (FHandle) DeleteObject(FHandle);
}

void TBitmap::FreePalette() {
  if (FPalette) DeleteObject(FPalette);
  FPalette = nullptr;
}

void TBitmap::ReplaceImage(HBITMAP NewHandle, int32_t AWidth, int32_t AHeight) {
  if (FCanvas) FCanvas->FreeContext();
  FreePalette();
  if (FHandle && FHandle != NewHandle) DeleteObject(FHandle);
  FHandle = NewHandle;
  FWidth = AWidth;
  FHeight = AHeight;
  FBits = nullptr;
  FStride = 0;
  FTopDown = false;
  if (FHandle) {
    const TGdiRaster r = GdiBitmapRaster(FHandle);
    FBits = r.Bits;
    FStride = r.Stride;
    FTopDown = r.TopDown;
  }
}

void TBitmap::Adopt(HBITMAP NewHandle) {
  const TGdiBitmap* b = GdiBitmap(NewHandle);
  if (!b) throw EInvalidGraphic("Bitmap image is not valid");
  const TPixelFormat pf = PixelFormatOf(*b);
  const bool dib = b->IsDIB;
  ReplaceImage(NewHandle, b->Width, b->Height);
  FPixelFormat = pf;
  FHandleType = dib ? TBitmapHandleType::bmDIB : TBitmapHandleType::bmDDB;
}

void TBitmap::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    ReplaceImage(nullptr, 0, 0);
    Changed(this);
    return;
  }
  if (auto* src = dynamic_cast<TBitmap*>(Source)) {
    if (src == this) return;
    HBITMAP copy = nullptr;
    if (src->FHandle) {
      copy = CopyBitmap(src->FHandle, src->FWidth, src->FHeight, GdiBitmap(src->FHandle)->Format);
      if (!copy) OutOfResources();
    }
    ReplaceImage(copy, src->FWidth, src->FHeight);
    FPixelFormat = src->FPixelFormat;
    FHandleType = src->FHandleType;
    FTransparent = src->FTransparent;
    FTransparentColor = src->FTransparentColor;
    FTransparentMode = src->FTransparentMode;
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::SetSize(int32_t AWidth, int32_t AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight) return;
  HBITMAP h = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    if (FHandle)
      h = CopyBitmap(FHandle, AWidth, AHeight, GdiBitmap(FHandle)->Format);
    else
      h = NewBitmap(AWidth, AHeight, FormatFor(FPixelFormat));
    if (!h) OutOfResources();
    if (!FHandle && FPixelFormat == TPixelFormat::pfCustom) FPixelFormat = TPixelFormat::pf32bit;
  }
  ReplaceImage(h, AWidth, AHeight);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == TPixelFormat::pfCustom) throw EInvalidGraphic("Invalid pixel format");
  if (Value == FPixelFormat) return;
  const TGdiPixelFormat format = FormatFor(Value);
  if (FHandle) {
    const TGdiBitmap* b = GdiBitmap(FHandle);
    if (!b || b->Layout != LayoutOf(format) || b->Monochrome) {
      HBITMAP h = CopyBitmap(FHandle, FWidth, FHeight, format);
      if (!h) OutOfResources();
      ReplaceImage(h, FWidth, FHeight);
    }
  }
  FPixelFormat = Value;
  Changed(this);
}

bool TBitmap::Monochrome() const {
  if (FHandle) {
    const TGdiBitmap* b = GdiBitmap(FHandle);
    return b && b->Format.BitCount == 1;
  }
  return FPixelFormat == TPixelFormat::pf1bit;
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == Monochrome()) return;
  SetPixelFormat(Value ? TPixelFormat::pf1bit : TPixelFormat::pfDevice);
}

uint8_t* TBitmap::ScanLine(int32_t Row) {
  if (!FBits || Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation("Scan line index out of range");
  return FBits + size_t(FStride) * size_t(FTopDown ? Row : FHeight - 1 - Row);
}

const uint8_t* TBitmap::ScanLine(int32_t Row) const { return const_cast<TBitmap*>(this)->ScanLine(Row); }

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TBitmapCanvas>(this);
    FCanvas->OnChange = [this](TObject*) { Changed(this); };
  }
  return FCanvas.get();
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  if (Value == nullptr)
    ReplaceImage(nullptr, 0, 0);
  else
    Adopt(Value);
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  HBITMAP old = FHandle;
  if (!old) return nullptr;
  HBITMAP copy = CopyBitmap(old, FWidth, FHeight, GdiBitmap(old)->Format);
  if (!copy) OutOfResources();
  FHandle = nullptr;  // ReplaceImage must not delete what the caller now owns
  ReplaceImage(copy, FWidth, FHeight);
  return old;
}

HPALETTE TBitmap::Palette() {
  if (FPalette || !FHandle) return FPalette;
  const TGdiBitmap* b = GdiBitmap(FHandle);
  if (!b || b->Format.BitCount > 8) return nullptr;
  std::vector<RGBQUAD> table = b->ColorTable;
  if (table.empty()) table = GdiDefaultColorTable(b->Format.BitCount);
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = uint16_t(table.size());
  for (size_t i = 0; i < table.size(); ++i)
    lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  FPalette = CreatePalette(lp);
  return FPalette;
}

void TBitmap::SetPalette(HPALETTE Value) {
  if (Value == FPalette) return;
  if (Value && FHandle) {
    TGdiBitmap* b = GdiBitmap(FHandle);
    if (b && b->Format.BitCount <= 8) {
      const uint32_t n = GetPaletteEntries(Value, 0, 0, nullptr);
      std::vector<PALETTEENTRY> entries(n);
      if (n) GetPaletteEntries(Value, 0, n, entries.data());
      if (b->ColorTable.empty()) b->ColorTable = GdiDefaultColorTable(b->Format.BitCount);
      const size_t count = std::min(b->ColorTable.size(), entries.size());
      for (size_t i = 0; i < count; ++i)
        b->ColorTable[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
      b->Monochrome = false;
    }
  }
  FreePalette();
  FPalette = Value;
  Changed(this);
}

TColor TBitmap::TransparentColor() const {
  uint32_t c = 0;
  if (FTransparentColor == clDefault) {
    if (FHandle) {
      const TGdiRaster r = GdiBitmapRaster(FHandle);
      if (r.Valid()) c = GdiValueToColor(r, GdiReadPixel(r, 0, r.Height - 1));
    }
  } else {
    c = ColorToRGB(FTransparentColor);
  }
  return static_cast<TColor>((c & 0x00FFFFFFu) | 0x02000000u);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor) return;
  FTransparentMode = Value == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
  FTransparentColor = Value;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  if (Value == TTransparentMode::tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());
}

void TBitmap::Mask(TColor TransparentColor) {
  if (!FHandle) return;
  const COLORREF key = ColorToRGB(TransparentColor) & 0x00FFFFFFu;
  const std::vector<RGBQUAD> bw = GdiDefaultColorTable(1);
  HBITMAP h = GdiCreateDIB(FWidth, FHeight, GdiFormat1, bw.data(), int32_t(bw.size()));
  if (!h) OutOfResources();
  const TGdiRaster s = GdiBitmapRaster(FHandle);
  const TGdiRaster d = GdiBitmapRaster(h);
  for (int32_t y = 0; y < FHeight; ++y)
    for (int32_t x = 0; x < FWidth; ++x)
      if (GdiValueToColor(s, GdiReadPixel(s, x, y)) == key) GdiWritePixel(d, x, y, 1);
  ReplaceImage(h, FWidth, FHeight);
  FPixelFormat = TPixelFormat::pf1bit;
  Changed(this);
}

void TBitmap::LoadFromStream(TStream* Stream) {
  if (Stream->Position() >= Stream->Size()) {
    ReplaceImage(nullptr, 0, 0);
    Changed(this);
    return;
  }
  Adopt(ReadBmpFile(*Stream));
  Changed(this);
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (FHandle) WriteBmpFile(*Stream, FHandle);
}

void TBitmap::LoadFromResourceName(const void*, const String& ResName) {
  InitGuiResources();
  const EmbeddedResource* res = FindEmbeddedResource(ResName.c_str());
  if (!res) res = FindEmbeddedResource((ResName + ".bmp").c_str());
  if (!res) throw EResNotFound("Resource %s not found", {ResName});
  if (res->Size >= 2 && res->Data[0] == 'B' && res->Data[1] == 'M') {
    TCustomMemoryStream stream;
    stream.SetPointer(res->Data, int64_t(res->Size));
    Adopt(ReadBmpFile(stream));
  } else {
    Adopt(ReadPackedDib(res->Data, res->Size));
  }
  Changed(this);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!FHandle) return;
  HDC dst = ACanvas->Handle();
  if (Transparent()) {
    const COLORREF key = uint32_t(TransparentColor()) & 0x00FFFFFFu;
    TransparentStretchBlt(dst, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), FHandle, 0, 0, FWidth, FHeight, key,
                          ACanvas->CopyMode());
    return;
  }
  StretchBlt(dst, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), Canvas()->Handle(), 0, 0, FWidth, FHeight,
             ACanvas->CopyMode());
}

// ================================================================================
// TIcon
// ================================================================================

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }

class TBitmapHolder {
 public:
  TBitmapHolder() = default;
  explicit TBitmapHolder(HBITMAP h) : H(h) {}
  ~TBitmapHolder() {
    if (H) DeleteObject(H);
  }
  TBitmapHolder(const TBitmapHolder&) = delete;
  TBitmapHolder& operator=(const TBitmapHolder&) = delete;
  HBITMAP H = nullptr;
};

// Reads an .ico/.cur file from the stream's position into a new icon handle.
HICON ReadIconFile(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t avail = stream.Size() - start;
  if (avail < 6) InvalidIcon();
  uint8_t dir[6];
  stream.ReadBuffer(dir, 6);
  const uint16_t type = GetLE16(dir + 2);
  const uint32_t count = GetLE16(dir + 4);
  if (GetLE16(dir) != 0 || (type != 1 && type != 2) || count == 0) InvalidIcon();
  if (6 + int64_t(count) * 16 > avail) InvalidIcon();
  std::vector<uint8_t> entries(size_t(count) * 16);
  stream.ReadBuffer(entries.data(), int64_t(entries.size()));
  int64_t end = 6 + int64_t(count) * 16;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + i * 16;
    const int64_t last = int64_t(GetLE32(e + 12)) + int64_t(GetLE32(e + 8));
    if (last <= avail) end = std::max(end, last);
  }
  std::vector<uint8_t> data(static_cast<size_t>(end));
  stream.SetPosition(start);
  stream.ReadBuffer(data.data(), end);

  // The image nearest to 32 x 32, then the one with the most bits per pixel.
  int best = -1;
  int64_t bestScore = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries.data() + i * 16;
    const uint32_t size = GetLE32(e + 8), offset = GetLE32(e + 12);
    if (size < 40 || int64_t(offset) + size > end) continue;
    const uint8_t* img = data.data() + offset;
    if (img[0] == 0x89 && img[1] == 'P' && img[2] == 'N' && img[3] == 'G') continue;
    const uint32_t hdr = GetLE32(img);
    if (hdr < 40 || hdr > size) continue;
    const int64_t w = int32_t(GetLE32(img + 4)), h = int32_t(GetLE32(img + 8)) / 2;
    const int64_t bits = GetLE16(img + 14);
    const int64_t score = (std::abs(w - 32) + std::abs(h - 32)) * 256 - bits;
    if (best < 0 || score < bestScore) {
      best = int(i);
      bestScore = score;
    }
  }
  if (best < 0) InvalidIcon();
  const uint8_t* e = entries.data() + best * 16;
  const uint32_t size = GetLE32(e + 8), offset = GetLE32(e + 12);
  const uint8_t* img = data.data() + offset;

  size_t used = 0;
  TBitmapHolder color;
  try {
    color.H = ReadPackedDib(img, size, true, &used);
  } catch (const EInvalidGraphic&) {
    InvalidIcon();
  }
  const TGdiRaster cr = GdiBitmapRaster(color.H);
  const int32_t w = cr.Width, h = cr.Height;
  // The AND mask follows the colour rows, bottom-up, 32-bit padded; a
  // missing mask leaves every pixel opaque.
  const size_t maskStride = size_t(GdiDibStride(w, 1));
  const bool hasMask = used + maskStride * size_t(h) <= size;
  const size_t rowBytes = (size_t(w) + 15) / 16 * 2;
  std::vector<uint8_t> maskBits(rowBytes * size_t(h), 0);
  if (hasMask)
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(maskBits.data() + size_t(y) * rowBytes, img + used + size_t(h - 1 - y) * maskStride,
                  (size_t(w) + 7) / 8);
  TBitmapHolder mask(CreateBitmap(w, h, 1, 1, maskBits.data()));
  if (!mask.H) InvalidIcon();
  ICONINFO ii;
  ii.fIcon = type == 1;
  if (type == 2) {
    ii.xHotspot = GetLE16(e + 4);
    ii.yHotspot = GetLE16(e + 6);
  }
  ii.hbmMask = mask.H;
  ii.hbmColor = color.H;
  HICON icon = CreateIconIndirect(ii);
  if (!icon) InvalidIcon();
  stream.SetPosition(start + end);
  return icon;
}

}  // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    SetHandle(nullptr);
    return;
  }
  if (auto* src = dynamic_cast<TIcon*>(Source)) {
    if (src == this) return;
    HICON copy = nullptr;
    if (src->FHandle) {
      copy = static_cast<HICON>(CopyImage(src->FHandle, IMAGE_ICON, 0, 0, 0));
      if (!copy) OutOfResources();
    }
    SetHandle(copy);
    return;
  }
  TGraphic::Assign(Source);
}

int32_t TIcon::Width() const {
  const TGdiIcon* i = GdiIcon(FHandle);
  return i ? i->Width : 0;
}

int32_t TIcon::Height() const {
  const TGdiIcon* i = GdiIcon(FHandle);
  return i ? i->Height : 0;
}

void TIcon::SetWidth(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int32_t) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle) return;
  if (FHandle) DestroyIcon(FHandle);
  FHandle = Value;
  Changed(this);
}

void TIcon::LoadFromStream(TStream* Stream) { SetHandle(ReadIconFile(*Stream)); }

void TIcon::SaveToStream(TStream* Stream) {
  if (!FHandle) return;
  ICONINFO ii;
  if (!GetIconInfo(FHandle, &ii)) InvalidIcon();
  TBitmapHolder maskHolder(ii.hbmMask), colorHolder(ii.hbmColor);
  const TGdiRaster m = GdiBitmapRaster(ii.hbmMask);
  if (!m.Valid()) InvalidIcon();
  const int32_t w = m.Width;
  const int32_t h = ii.hbmColor ? m.Height : m.Height / 2;
  if (h <= 0) InvalidIcon();

  // The colour rows: 32 bits when there is alpha, else 24 (or 1 for a
  // monochrome icon, whose mask carries the image in its lower half).
  int32_t bits = 24;
  TBitmapHolder xorImage;
  std::vector<RGBQUAD> table;
  if (ii.hbmColor) {
    const TGdiRaster c = GdiBitmapRaster(ii.hbmColor);
    if (!c.Valid()) InvalidIcon();
    const TGdiIcon* info = GdiIcon(FHandle);
    bits = info && info->HasAlpha ? 32 : 24;
    xorImage.H = GdiCreateDIB(w, h, bits == 32 ? GdiFormat32 : GdiFormat24, nullptr, 0);
    if (!xorImage.H) OutOfResources();
    GdiConvertPixels(c, 0, 0, GdiBitmapRaster(xorImage.H), 0, 0, w, h);
  } else {
    bits = 1;
    table = GdiDefaultColorTable(1);
    xorImage.H = GdiCreateDIB(w, h, GdiFormat1, table.data(), 2);
    if (!xorImage.H) OutOfResources();
    GdiConvertPixels(m, 0, h, GdiBitmapRaster(xorImage.H), 0, 0, w, h);
  }
  const TGdiRaster x = GdiBitmapRaster(xorImage.H);
  const size_t maskStride = size_t(GdiDibStride(w, 1));
  const size_t imageBytes = 40 + table.size() * 4 + size_t(x.Stride) * h + maskStride * h;

  std::vector<uint8_t> out;
  AppendLE16(out, 0);
  AppendLE16(out, 1);
  AppendLE16(out, 1);
  out.push_back(uint8_t(w >= 256 ? 0 : w));
  out.push_back(uint8_t(h >= 256 ? 0 : h));
  out.push_back(uint8_t(bits == 1 ? 2 : 0));
  out.push_back(0);
  AppendLE16(out, 1);
  AppendLE16(out, uint32_t(bits));
  AppendLE32(out, uint32_t(imageBytes));
  AppendLE32(out, 22);
  AppendLE32(out, 40);
  AppendLE32(out, uint32_t(w));
  AppendLE32(out, uint32_t(2 * h));
  AppendLE16(out, 1);
  AppendLE16(out, uint32_t(bits));
  AppendLE32(out, BI_RGB);
  AppendLE32(out, uint32_t(imageBytes - 40 - table.size() * 4));
  for (int i = 0; i < 4; ++i) AppendLE32(out, 0);
  for (const RGBQUAD& q : table) {
    out.push_back(q.rgbBlue);
    out.push_back(q.rgbGreen);
    out.push_back(q.rgbRed);
    out.push_back(0);
  }
  for (int32_t y = h - 1; y >= 0; --y) out.insert(out.end(), x.Row(y), x.Row(y) + x.Stride);
  for (int32_t y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int32_t i = 0; i < w; ++i)
      if ((GdiValueToColor(m, GdiReadPixel(m, i, y)) & 0xFFFFFF) == 0xFFFFFF)
        row[size_t(i) / 8] |= uint8_t(0x80 >> (i & 7));
    out.insert(out.end(), row.begin(), row.end());
  }
  Stream->WriteBuffer(out.data(), int64_t(out.size()));
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!FHandle) return;
  DrawIconEx(ACanvas->Handle(), Rect.Left, Rect.Top, FHandle, Rect.Width(), Rect.Height(), 0, nullptr, DI_NORMAL);
}

HICON LoadIcon(const void*, uint32_t IconId) {
  static const std::map<uint32_t, const char*> kNames = {{IDI_APPLICATION, "stdicons/application.ico"},
                                                         {IDI_HAND, "stdicons/hand.ico"},
                                                         {IDI_QUESTION, "stdicons/question.ico"},
                                                         {IDI_EXCLAMATION, "stdicons/exclamation.ico"},
                                                         {IDI_ASTERISK, "stdicons/asterisk.ico"}};
  static std::mutex lock;
  static std::map<uint32_t, HICON> cache;
  const auto name = kNames.find(IconId);
  if (name == kNames.end()) return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  auto it = cache.find(IconId);
  if (it != cache.end() && GdiIcon(it->second)) return it->second;
  InitGuiResources();
  const EmbeddedResource* res = FindEmbeddedResource(name->second);
  if (!res) return nullptr;
  TCustomMemoryStream stream;
  stream.SetPointer(res->Data, int64_t(res->Size));
  HICON icon = nullptr;
  try {
    icon = ReadIconFile(stream);
  } catch (const Exception&) {
    return nullptr;
  }
  cache[IconId] = icon;
  return icon;
}

// ================================================================================
// TPicture
// ================================================================================

namespace {

struct TFileFormat {
  String Extension;  // lower case, without the dot
  String Description;
  TGraphicClass GraphicClass;
};

std::mutex& FormatsLock() {
  static std::mutex m;
  return m;
}

// Newest first.
std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats = {{"bmp", "Bitmaps", &NewGraphic<TBitmap>},
                                             {"ico", "Icons", &NewGraphic<TIcon>}};
  return formats;
}

}  // namespace

void TPicture::RegisterFileFormat(const String& AExtension, const String& ADescription, TGraphicClass AGraphicClass) {
  if (AGraphicClass == nullptr) return;
  String ext = LowerAscii(AExtension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  std::lock_guard<std::mutex> guard(FormatsLock());
  auto& formats = FileFormats();
  formats.insert(formats.begin(), TFileFormat{ext, ADescription, AGraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass AClass) {
  std::lock_guard<std::mutex> guard(FormatsLock());
  auto& formats = FileFormats();
  formats.erase(
      std::remove_if(formats.begin(), formats.end(), [&](const TFileFormat& f) { return f.GraphicClass == AClass; }),
      formats.end());
}

TPicture::~TPicture() = default;

void TPicture::Install(TGraphic* NewGraphic) {
  FGraphic.reset(NewGraphic);
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject*) { Changed(this); };
    FGraphic->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool Redraw, const TRect& R,
                                  const String& Msg) {
      if (OnProgress) OnProgress(Sender, Stage, Percent, Redraw, R, Msg);
    };
  }
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic.get() && Value != nullptr) return;
  std::unique_ptr<TGraphic> copy;
  if (Value) {
    copy.reset(Value->CreateNew());
    copy->Assign(Value);
  }
  Install(copy.release());
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) Install(new TBitmap());
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(FGraphic.get())) Install(new TIcon());
  return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p != this) SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::AssignTo(TPersistent* Dest) {
  if (FGraphic && dynamic_cast<TGraphic*>(Dest)) {
    Dest->Assign(FGraphic.get());
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::LoadFromFile(const String& FileName) {
  const size_t slash = FileName.find_last_of('/');
  const size_t dot = FileName.find_last_of('.');
  String ext;
  if (dot != String::npos && (slash == String::npos || dot > slash)) ext = FileName.substr(dot + 1);
  TGraphicClass graphicClass = nullptr;
  {
    std::lock_guard<std::mutex> guard(FormatsLock());
    const String key = LowerAscii(ext);
    for (const TFileFormat& f : FileFormats())
      if (f.Extension == key) {
        graphicClass = f.GraphicClass;
        break;
      }
  }
  if (!graphicClass) throw EInvalidGraphic("Unknown picture file extension (.%s)", {ext});
  std::unique_ptr<TGraphic> graphic(graphicClass());
  graphic->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool Redraw, const TRect& R,
                               const String& Msg) {
    if (OnProgress) OnProgress(Sender, Stage, Percent, Redraw, R, Msg);
  };
  graphic->LoadFromFile(FileName);
  Install(graphic.release());
  Changed(this);
}

void TPicture::SaveToFile(const String& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}
