// Pixel formats, colour mapping, the ROP3 evaluator and the row engine that
// fills and blits write through.
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/gui/gdi_internal.h"

namespace {

struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
};

TChannel ChannelOf(uint32_t mask) {
  TChannel c;
  c.Mask = mask;
  if (mask != 0) {
    c.Shift = std::countr_zero(mask);
    c.Bits = std::popcount(mask);
  }
  return c;
}

// An n-bit channel value widened to 8 bits by repeating its bits.
uint32_t Widen(uint32_t v, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return (v >> (bits - 8)) & 0xFF;
  uint32_t r = 0;
  int filled = 0;
  while (filled < 8) {
    r = (r << bits) | v;
    filled += bits;
  }
  return (r >> (filled - 8)) & 0xFF;
}

uint32_t Narrow(uint32_t c8, int bits) {
  if (bits <= 0) return 0;
  if (bits >= 8) return c8 << (bits - 8);
  return c8 >> (8 - bits);
}

bool ContiguousMask(uint32_t m) {
  if (m == 0) return false;
  const uint32_t shifted = m >> std::countr_zero(m);
  return (shifted & (shifted + 1)) == 0;
}

uint32_t ChannelGet(uint32_t value, uint32_t mask) {
  const TChannel c = ChannelOf(mask);
  return Widen((value & c.Mask) >> c.Shift, c.Bits);
}

uint32_t ChannelPut(uint32_t c8, uint32_t mask) {
  const TChannel c = ChannelOf(mask);
  return (Narrow(c8, c.Bits) << c.Shift) & c.Mask;
}

constexpr COLORREF MakeColor(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

int BytesPerPixel(const TGdiRaster& r) { return r.BitCount / 8; }

void StoreValue(uint8_t* p, int bpp, uint32_t v) {
  switch (bpp) {
    case 1: p[0] = uint8_t(v); break;
    case 2:
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      break;
    case 3:
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
      break;
    default:
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
      p[3] = uint8_t(v >> 24);
      break;
  }
}

// Packs n values into bytes (8+ bit targets).
void PackValues(const uint32_t* v, int32_t n, int bpp, uint8_t* out) {
  switch (bpp) {
    case 1:
      for (int32_t i = 0; i < n; ++i) out[i] = uint8_t(v[i]);
      break;
    case 2:
      for (int32_t i = 0; i < n; ++i) StoreValue(out + 2 * i, 2, v[i]);
      break;
    case 3:
      for (int32_t i = 0; i < n; ++i) StoreValue(out + 3 * i, 3, v[i]);
      break;
    default:
      for (int32_t i = 0; i < n; ++i) StoreValue(out + 4 * i, 4, v[i]);
      break;
  }
}

// Fills n bytes with a repeated pixel of bpp bytes.
void FillRepeated(uint8_t* out, size_t n, int bpp, uint32_t value) {
  if (n == 0) return;
  uint8_t px[4];
  StoreValue(px, bpp, value);
  if (bpp == 1 || (bpp == 2 && px[0] == px[1]) || (bpp == 3 && px[0] == px[1] && px[1] == px[2]) ||
      (bpp == 4 && px[0] == px[1] && px[1] == px[2] && px[2] == px[3])) {
    std::memset(out, px[0], n);
    return;
  }
  const size_t first = std::min<size_t>(n, size_t(bpp));
  std::memcpy(out, px, first);
  size_t done = first;
  while (done < n) {  // doubling copies
    const size_t chunk = std::min(done, n - done);
    std::memcpy(out + done, out, chunk);
    done += chunk;
  }
}

uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
void Store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }

template <class T>
inline T RopGeneric(uint8_t rop, T p, T s, T d) {
  T r = 0;
  if (rop & 0x01) r |= ~p & ~s & ~d;
  if (rop & 0x02) r |= ~p & ~s & d;
  if (rop & 0x04) r |= ~p & s & ~d;
  if (rop & 0x08) r |= ~p & s & d;
  if (rop & 0x10) r |= p & ~s & ~d;
  if (rop & 0x20) r |= p & ~s & d;
  if (rop & 0x40) r |= p & s & ~d;
  if (rop & 0x80) r |= p & s & d;
  return r;
}

// Per-thread scratch rows.
struct TScratch {
  std::vector<uint8_t> Pat, Src;
  std::vector<uint32_t> Values;
};
TScratch& Scratch() {
  thread_local TScratch s;
  return s;
}

}  // namespace

// ---- Formats ---------------------------------------------------------------------------

int64_t GdiDibStride(int64_t width, int32_t bitCount) { return ((width * bitCount + 31) / 32) * 4; }

bool GdiLayoutOf(const TGdiPixelFormat& f, TGdiLayout& layout) {
  switch (f.BitCount) {
    case 1: layout = TGdiLayout::Index1; return true;
    case 4: layout = TGdiLayout::Index4; return true;
    case 8: layout = TGdiLayout::Index8; return true;
    case 24: layout = TGdiLayout::Bgr24; return true;
    case 16:
    case 32: {
      const uint32_t r = f.RedMask, g = f.GreenMask, b = f.BlueMask;
      if (r == 0 && g == 0 && b == 0) {
        layout = f.BitCount == 16 ? TGdiLayout::Rgb555 : TGdiLayout::Bgr32;
        return true;
      }
      if (!ContiguousMask(r) || !ContiguousMask(g) || !ContiguousMask(b)) return false;
      if ((r & g) || (r & b) || (g & b)) return false;
      if (f.BitCount == 16 && ((r | g | b) & 0xFFFF0000u)) return false;
      if (f.BitCount == 16) {
        if (r == 0x7C00 && g == 0x03E0 && b == 0x001F)
          layout = TGdiLayout::Rgb555;
        else if (r == 0xF800 && g == 0x07E0 && b == 0x001F)
          layout = TGdiLayout::Rgb565;
        else
          layout = TGdiLayout::Bitfields16;
      } else {
        layout = (r == 0x00FF0000 && g == 0x0000FF00 && b == 0x000000FF) ? TGdiLayout::Bgr32 : TGdiLayout::Bitfields32;
      }
      return true;
    }
    default: return false;
  }
}

// ---- Pixels --------------------------------------------------------------------------------

uint32_t GdiReadPixel(const TGdiRaster& r, int32_t x, int32_t y) {
  const uint8_t* row = r.Row(y);
  switch (r.BitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
    case 8: return row[x];
    case 16: return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case 24: return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default: {
      const uint8_t* p = row + 4 * size_t(x);
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    }
  }
}

void GdiWritePixel(const TGdiRaster& r, int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = r.Row(y);
  switch (r.BitCount) {
    case 1: {
      const uint8_t bit = uint8_t(0x80u >> (x & 7));
      if (value & 1)
        row[x >> 3] |= bit;
      else
        row[x >> 3] &= uint8_t(~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1)
        b = uint8_t((b & 0xF0) | (value & 0x0F));
      else
        b = uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
      break;
    }
    case 8: row[x] = uint8_t(value); break;
    case 16: StoreValue(row + 2 * size_t(x), 2, value); break;
    case 24: StoreValue(row + 3 * size_t(x), 3, value); break;
    default: StoreValue(row + 4 * size_t(x), 4, value); break;
  }
}

COLORREF GdiValueToColor(const TGdiRaster& r, uint32_t value) {
  switch (r.Layout) {
    case TGdiLayout::Index1:
    case TGdiLayout::Index4:
    case TGdiLayout::Index8: {
      if (r.ColorCount <= 0 || r.Colors == nullptr) {
        if (r.Monochrome) return (value & 1) ? 0xFFFFFF : 0x000000;
        return 0;
      }
      const RGBQUAD& q = r.Colors[std::min<int64_t>(value, r.ColorCount - 1)];
      return MakeColor(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case TGdiLayout::Bgr24:
    case TGdiLayout::Bgr32: return MakeColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    case TGdiLayout::Rgb555: {
      const uint32_t rr = (value >> 10) & 31, gg = (value >> 5) & 31, bb = value & 31;
      return MakeColor((rr << 3) | (rr >> 2), (gg << 3) | (gg >> 2), (bb << 3) | (bb >> 2));
    }
    case TGdiLayout::Rgb565: {
      const uint32_t rr = (value >> 11) & 31, gg = (value >> 5) & 63, bb = value & 31;
      return MakeColor((rr << 3) | (rr >> 2), (gg << 2) | (gg >> 4), (bb << 3) | (bb >> 2));
    }
    default:
      return MakeColor(ChannelGet(value, r.RedMask), ChannelGet(value, r.GreenMask), ChannelGet(value, r.BlueMask));
  }
}

uint32_t GdiNearestColorIndex(const RGBQUAD* colors, int32_t count, COLORREF color) {
  if (colors == nullptr || count <= 0) return 0;
  const int r = int(color & 0xFF), g = int((color >> 8) & 0xFF), b = int((color >> 16) & 0xFF);
  uint32_t best = 0;
  int bestDist = 1 << 30;
  for (int32_t i = 0; i < count; ++i) {
    const int dr = r - colors[i].rgbRed, dg = g - colors[i].rgbGreen, db = b - colors[i].rgbBlue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      bestDist = d;
      best = uint32_t(i);
      if (d == 0) break;
    }
  }
  return best;
}

uint32_t GdiColorToValue(const TGdiRaster& r, COLORREF color) {
  const uint32_t cr = color & 0xFF, cg = (color >> 8) & 0xFF, cb = (color >> 16) & 0xFF;
  switch (r.Layout) {
    case TGdiLayout::Index1:
    case TGdiLayout::Index4:
    case TGdiLayout::Index8:
      if (r.ColorCount <= 0 || r.Colors == nullptr) {
        if (r.Monochrome) {
          static const RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
          return GdiNearestColorIndex(kBlackWhite, 2, color);
        }
        return 0;
      }
      return GdiNearestColorIndex(r.Colors, r.ColorCount, color);
    case TGdiLayout::Bgr24:
    case TGdiLayout::Bgr32: return (cr << 16) | (cg << 8) | cb;
    case TGdiLayout::Rgb555: return ((cr >> 3) << 10) | ((cg >> 3) << 5) | (cb >> 3);
    case TGdiLayout::Rgb565: return ((cr >> 3) << 11) | ((cg >> 2) << 5) | (cb >> 3);
    default: return ChannelPut(cr, r.RedMask) | ChannelPut(cg, r.GreenMask) | ChannelPut(cb, r.BlueMask);
  }
}

// ---- ROP -----------------------------------------------------------------------------------

uint32_t GdiRop3(uint8_t rop3, uint32_t p, uint32_t s, uint32_t d) { return RopGeneric<uint32_t>(rop3, p, s, d); }

uint8_t GdiRop2ToRop3(int32_t rop2) {
  const int t = std::clamp(rop2, 1, 16) - 1;  // truth table over pen 0xC, destination 0xA
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) {
    const int p = (i >> 2) & 1, d = i & 1;
    if ((t >> (p * 2 + d)) & 1) r = uint8_t(r | (1 << i));
  }
  return r;
}

bool GdiRopUsesPattern(uint8_t rop3) { return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F); }
bool GdiRopUsesSource(uint8_t rop3) { return ((rop3 >> 2) & 0x33) != (rop3 & 0x33); }
bool GdiRopUsesDest(uint8_t rop3) { return ((rop3 >> 1) & 0x55) != (rop3 & 0x55); }

void GdiRop3Bytes(uint8_t rop3, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n) {
  switch (rop3) {
    case 0xAA: return;  // destination unchanged
    case 0x00: std::memset(d, 0, n); return;
    case 0xFF: std::memset(d, 0xFF, n); return;
    case 0xCC: std::memmove(d, s, n); return;
    case 0xF0: std::memmove(d, p, n); return;
    default: break;
  }
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t pv = p ? Load64(p + i) : 0, sv = s ? Load64(s + i) : 0, dv = Load64(d + i);
    Store64(d + i, RopGeneric<uint64_t>(rop3, pv, sv, dv));
  }
  for (; i < n; ++i) {
    const uint8_t pv = p ? p[i] : 0, sv = s ? s[i] : 0;
    d[i] = RopGeneric<uint8_t>(rop3, pv, sv, d[i]);
  }
}

// ---- Spans -------------------------------------------------------------------------------

void GdiSpan(const TGdiRaster& dst, int32_t y, int32_t x0, int32_t n, const TGdiSpanOp& op) {
  if (n <= 0) return;
  const bool usesP = GdiRopUsesPattern(op.Rop3), usesS = GdiRopUsesSource(op.Rop3);
  if (dst.BitCount < 8) {
    for (int32_t i = 0; i < n; ++i) {
      if (op.Mask && !op.Mask[i]) continue;
      const uint32_t p = usesP ? (op.PatSolid ? op.PatValue : (op.Pat ? op.Pat[i] : 0)) : 0;
      const uint32_t s = usesS && op.Src ? op.Src[i] : 0;
      const uint32_t d = GdiReadPixel(dst, x0 + i, y);
      GdiWritePixel(dst, x0 + i, y, GdiRop3(op.Rop3, p, s, d));
    }
    return;
  }
  const int bpp = BytesPerPixel(dst);
  const size_t bytes = size_t(n) * size_t(bpp);
  TScratch& sc = Scratch();
  const uint8_t* pb = nullptr;
  const uint8_t* sb = nullptr;
  if (usesP) {
    if (sc.Pat.size() < bytes) sc.Pat.resize(bytes);
    if (op.PatSolid)
      FillRepeated(sc.Pat.data(), bytes, bpp, op.PatValue);
    else if (op.Pat)
      PackValues(op.Pat, n, bpp, sc.Pat.data());
    else
      std::memset(sc.Pat.data(), 0, bytes);
    pb = sc.Pat.data();
  }
  if (usesS) {
    if (op.SrcBytes) {
      sb = op.SrcBytes;
    } else {
      if (sc.Src.size() < bytes) sc.Src.resize(bytes);
      if (op.Src)
        PackValues(op.Src, n, bpp, sc.Src.data());
      else
        std::memset(sc.Src.data(), 0, bytes);
      sb = sc.Src.data();
    }
  }
  uint8_t* d = dst.Row(y) + size_t(x0) * size_t(bpp);
  if (!op.Mask) {
    GdiRop3Bytes(op.Rop3, pb, sb, d, bytes);
    return;
  }
  int32_t i = 0;
  while (i < n) {
    while (i < n && !op.Mask[i]) ++i;
    int32_t j = i;
    while (j < n && op.Mask[j]) ++j;
    if (j > i) {
      const size_t off = size_t(i) * size_t(bpp);
      GdiRop3Bytes(op.Rop3, pb ? pb + off : nullptr, sb ? sb + off : nullptr, d + off, size_t(j - i) * size_t(bpp));
    }
    i = j;
  }
}

void GdiFillRectValue(const TGdiRaster& dst, const TRect& r, uint32_t value, uint8_t rop3) {
  const int32_t w = r.Right - r.Left;
  if (w <= 0 || r.Bottom <= r.Top) return;
  if (dst.BitCount < 8) {
    TGdiSpanOp op;
    op.Rop3 = rop3;
    op.PatSolid = true;
    op.PatValue = value;
    for (int32_t y = r.Top; y < r.Bottom; ++y) GdiSpan(dst, y, r.Left, w, op);
    return;
  }
  const int bpp = BytesPerPixel(dst);
  const size_t bytes = size_t(w) * size_t(bpp);
  std::vector<uint8_t>& pat = Scratch().Pat;
  if (pat.size() < bytes) pat.resize(bytes);
  FillRepeated(pat.data(), bytes, bpp, value);
  const bool usesP = GdiRopUsesPattern(rop3);
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* d = dst.Row(y) + size_t(r.Left) * size_t(bpp);
    GdiRop3Bytes(rop3, usesP ? pat.data() : nullptr, nullptr, d, bytes);
  }
}

// ---- Nearest colours -------------------------------------------------------------------------

namespace {
constexpr size_t kNearestCacheSize = 4096;
}

TGdiNearest::TGdiNearest(const RGBQUAD* colors, int32_t count) : FColors(colors), FCount(count) {}

uint32_t TGdiNearest::Index(COLORREF color) {
  color &= 0xFFFFFF;
  if (FKeys.empty()) {
    FKeys.assign(kNearestCacheSize, 0xFFFFFFFFu);
    FValues.assign(kNearestCacheSize, 0);
  }
  const size_t slot = ((color * 2654435761u) >> 20) & (kNearestCacheSize - 1);
  if (FKeys[slot] == color) return FValues[slot];
  const uint32_t idx = GdiNearestColorIndex(FColors, FCount, color);
  FKeys[slot] = color;
  FValues[slot] = uint8_t(idx);
  return idx;
}

// ---- Row conversion ---------------------------------------------------------------------------

namespace {

bool SameTable(const TGdiRaster& a, const TGdiRaster& b) {
  if (a.Monochrome || b.Monochrome) return a.Monochrome && b.Monochrome;
  if (a.ColorCount != b.ColorCount) return false;
  if (a.ColorCount == 0) return true;
  for (int32_t i = 0; i < a.ColorCount; ++i) {
    const RGBQUAD &x = a.Colors[i], &y = b.Colors[i];
    if (x.rgbRed != y.rgbRed || x.rgbGreen != y.rgbGreen || x.rgbBlue != y.rgbBlue) return false;
  }
  return true;
}

const RGBQUAD* TableOf(const TGdiRaster& r) { return r.Colors; }

}  // namespace

TGdiRowConverter::TGdiRowConverter(const TGdiRaster& src, const TGdiRaster& dst, const TGdiConvertColors& colors)
    : FMode(kColor), FSrc(src), FDst(dst), FColors(colors), FNearest(TableOf(dst), dst.ColorCount) {
  const bool sameLayout = src.Layout == dst.Layout && src.RedMask == dst.RedMask && src.GreenMask == dst.GreenMask &&
                          src.BlueMask == dst.BlueMask;
  if (sameLayout && (!src.Indexed() || SameTable(src, dst))) {
    FMode = kIdentity;
    return;
  }
  if (src.Indexed()) {
    FMode = kLut;
    const int n = 1 << src.BitCount;
    for (int i = 0; i < n; ++i) FLut[i] = Convert(uint32_t(i));
  }
}

uint32_t TGdiRowConverter::SourceColor(uint32_t value) const {
  if (FSrc.Monochrome) return (value & 1) ? (FColors.MonoOne & 0xFFFFFF) : (FColors.MonoZero & 0xFFFFFF);
  const COLORREF c = GdiValueToColor(FSrc, value);
  if (FSrc.Layout == TGdiLayout::Bgr32) return c | (value & 0xFF000000u);
  return c;
}

uint32_t TGdiRowConverter::TargetValue(COLORREF color) {
  color &= 0xFFFFFF;
  if (FDst.Monochrome) {
    if (FColors.MonoByBk) return color == (FColors.SrcBk & 0xFFFFFF) ? 1u : 0u;
    return GdiColorToValue(FDst, color);
  }
  if (FDst.Indexed()) return FNearest.Index(color);
  return GdiColorToValue(FDst, color);
}

uint32_t TGdiRowConverter::Convert(uint32_t value) {
  const uint32_t c = SourceColor(value);
  uint32_t v = TargetValue(c & 0xFFFFFF);
  if (FDst.Layout == TGdiLayout::Bgr32 && FSrc.Layout == TGdiLayout::Bgr32) v |= c & 0xFF000000u;
  return v;
}

void TGdiRowConverter::Gather(int32_t sy, const int32_t* xs, int32_t n, uint32_t* out) {
  switch (FMode) {
    case kIdentity:
      for (int32_t i = 0; i < n; ++i) out[i] = GdiReadPixel(FSrc, xs[i], sy);
      break;
    case kLut:
      for (int32_t i = 0; i < n; ++i) out[i] = FLut[GdiReadPixel(FSrc, xs[i], sy) & 0xFF];
      break;
    default:
      for (int32_t i = 0; i < n; ++i) out[i] = Convert(GdiReadPixel(FSrc, xs[i], sy));
      break;
  }
}

void TGdiRowConverter::Run(int32_t sy, int32_t sx, int32_t n, uint32_t* out) {
  const uint8_t* row = FSrc.Row(sy);
  if (FMode != kIdentity && FSrc.Layout == TGdiLayout::Bgr24 && !FDst.Indexed() && FDst.Layout == TGdiLayout::Bgr32) {
    const uint8_t* p = row + 3 * size_t(sx);
    for (int32_t i = 0; i < n; ++i, p += 3) out[i] = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    return;
  }
  if (FMode != kIdentity && FSrc.Layout == TGdiLayout::Bgr32 && FDst.Layout == TGdiLayout::Bgr24) {
    const uint8_t* p = row + 4 * size_t(sx);
    for (int32_t i = 0; i < n; ++i, p += 4) out[i] = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    return;
  }
  switch (FMode) {
    case kIdentity:
      for (int32_t i = 0; i < n; ++i) out[i] = GdiReadPixel(FSrc, sx + i, sy);
      break;
    case kLut:
      for (int32_t i = 0; i < n; ++i) out[i] = FLut[GdiReadPixel(FSrc, sx + i, sy) & 0xFF];
      break;
    default:
      for (int32_t i = 0; i < n; ++i) out[i] = Convert(GdiReadPixel(FSrc, sx + i, sy));
      break;
  }
}

// ---- Whole-block conversion ------------------------------------------------------------------

void GdiConvertPixels(const TGdiRaster& src, int32_t sx, int32_t sy, const TGdiRaster& dst, int32_t dx, int32_t dy,
                      int32_t w, int32_t h) {
  if (!src.Valid() || !dst.Valid()) return;
  // Clip to both rasters.
  int64_t x0 = 0, y0 = 0, x1 = w, y1 = h;
  x0 = std::max<int64_t>({x0, -int64_t(sx), -int64_t(dx)});
  y0 = std::max<int64_t>({y0, -int64_t(sy), -int64_t(dy)});
  x1 = std::min<int64_t>({x1, int64_t(src.Width) - sx, int64_t(dst.Width) - dx});
  y1 = std::min<int64_t>({y1, int64_t(src.Height) - sy, int64_t(dst.Height) - dy});
  if (x1 <= x0 || y1 <= y0) return;
  const int32_t n = int32_t(x1 - x0);
  TGdiConvertColors colors;  // plain black and white for monochrome rasters
  TGdiRowConverter conv(src, dst, colors);
  std::vector<uint32_t> values(size_t(n), 0);
  TGdiSpanOp op;
  op.Rop3 = 0xCC;
  // Within one raster, walk rows so that no source row is overwritten first.
  const bool upward = src.Bits == dst.Bits && dy > sy;
  for (int64_t k = y0; k < y1; ++k) {
    const int64_t y = upward ? y1 - 1 - (k - y0) : k;
    const int32_t srow = int32_t(sy + y), drow = int32_t(dy + y);
    if (conv.Identity() && dst.BitCount >= 8) {
      const int bpp = dst.BitCount / 8;
      std::memmove(dst.Row(drow) + size_t(dx + x0) * size_t(bpp), src.Row(srow) + size_t(sx + x0) * size_t(bpp),
                   size_t(n) * size_t(bpp));
      continue;
    }
    conv.Run(srow, int32_t(sx + x0), n, values.data());
    op.Src = values.data();
    GdiSpan(dst, drow, int32_t(dx + x0), n, op);
  }
}

// ---- Bitmaps -------------------------------------------------------------------------------

bool TGdiBitmap::Allocate(int32_t width, int32_t height, const TGdiPixelFormat& format, bool topDown) {
  TGdiLayout layout;
  if (width <= 0 || height <= 0 || !GdiLayoutOf(format, layout)) return false;
  const int64_t stride = GdiDibStride(width, format.BitCount);
  if (stride > INT32_MAX) return false;
  const int64_t size = stride * int64_t(height);
  if (size > INT32_MAX) return false;
  uint8_t* mem = new (std::nothrow) uint8_t[size_t(size)]();
  if (mem == nullptr) return false;
  Memory.reset(mem);
  MemorySize = size_t(size);
  Width = width;
  Height = height;
  Format = format;
  Layout = layout;
  TopDown = topDown;
  Stride = int32_t(stride);
  switch (layout) {  // the standard masks, spelt out
    case TGdiLayout::Rgb555: Format.RedMask = 0x7C00, Format.GreenMask = 0x03E0, Format.BlueMask = 0x001F; break;
    case TGdiLayout::Rgb565: Format.RedMask = 0xF800, Format.GreenMask = 0x07E0, Format.BlueMask = 0x001F; break;
    case TGdiLayout::Bgr32:
    case TGdiLayout::Bgr24:
      Format.RedMask = 0x00FF0000, Format.GreenMask = 0x0000FF00, Format.BlueMask = 0x000000FF;
      break;
    case TGdiLayout::Index1:
    case TGdiLayout::Index4:
    case TGdiLayout::Index8: Format.RedMask = Format.GreenMask = Format.BlueMask = 0; break;
    default: break;
  }
  return true;
}

TGdiRaster TGdiBitmap::Raster() const {
  TGdiRaster r;
  r.Bits = Memory.get();
  r.Width = Width;
  r.Height = Height;
  r.Stride = Stride;
  r.TopDown = TopDown;
  r.Layout = Layout;
  r.BitCount = Format.BitCount;
  r.RedMask = Format.RedMask;
  r.GreenMask = Format.GreenMask;
  r.BlueMask = Format.BlueMask;
  r.Colors = ColorTable.empty() ? nullptr : ColorTable.data();
  r.ColorCount = int32_t(ColorTable.size());
  r.Monochrome = Monochrome;
  return r;
}

std::vector<RGBQUAD> GdiDefaultColorTable(int32_t bitCount) {
  auto q = [](int r, int g, int b) { return RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), 0}; };
  std::vector<RGBQUAD> t;
  static const uint8_t kStandard16[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                             {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                             {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                             {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  if (bitCount == 1) {
    t = {q(0, 0, 0), q(255, 255, 255)};
  } else if (bitCount == 4) {
    for (auto& c : kStandard16) t.push_back(q(c[0], c[1], c[2]));
  } else if (bitCount == 8) {
    for (auto& c : kStandard16) t.push_back(q(c[0], c[1], c[2]));
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) t.push_back(q(r * 51, g * 51, b * 51));
    for (int i = 0; i < 24; ++i) {  // greys between the cube's steps
      const int v = 8 + i * 10;
      t.push_back(q(v, v, v));
    }
  }
  return t;
}
