// Blits: BitBlt, StretchBlt, PatBlt, the packed-DIB transfers, GetDIBits,
// nearest-pixel copies and icon drawing.
#include <algorithm>
#include <cstring>

#include "platform/gui/gdi_internal.h"

namespace {

constexpr int64_t kMaxCoord = int64_t(1) << 27;

bool CoordOk(int64_t v) { return v > -kMaxCoord && v < kMaxCoord; }

// Dest index i of an extent of dn pixels samples source index
// ((2i + 1) * sn) div (2 * dn), counted from the far end when mirrored.
int64_t Sample(int64_t i, int64_t dn, int64_t sn, bool mirror) {
  const int64_t j = ((2 * i + 1) * sn) / (2 * dn);
  return mirror ? sn - 1 - j : j;
}

struct TBlitSpec {
  TRect Dst;  // raster, ordered
  bool MirrorX = false;
  bool MirrorY = false;
  const TGdiRaster* Src = nullptr;  // nullptr: no source
  TRect SrcRect;                    // in the source raster, ordered
  uint8_t Rop3 = 0xCC;
  TGdiConvertColors Colors;
  bool Halftone = false;
};

// Area-average weights of one axis: for each dest index, the source indexes
// inside the source it covers and their overlaps (in 1/dn source pixels).
struct TWeights {
  std::vector<int32_t> Start;  // per dest index, into Items
  std::vector<std::pair<int32_t, int64_t>> Items;
  std::vector<int64_t> Total;  // per dest index
};

TWeights AreaWeights(int64_t i0, int64_t i1, int64_t dn, int64_t sn, bool mirror, int64_t srcStart, int32_t srcSize) {
  // Source index s = srcStart + k (mirrored: srcStart + sn - 1 - k) must lie
  // in [0, srcSize): the usable k.
  const int64_t kLo = mirror ? srcStart + sn - srcSize : -srcStart;
  const int64_t kHi = mirror ? srcStart + sn : srcSize - srcStart;  // exclusive
  TWeights w;
  for (int64_t i = i0; i < i1; ++i) {
    w.Start.push_back(int32_t(w.Items.size()));
    const int64_t a = i * sn, b = (i + 1) * sn;
    int64_t total = 0;
    for (int64_t k = std::max(a / dn, kLo); k * dn < b && k < kHi; ++k) {
      const int64_t overlap = std::min(b, (k + 1) * dn) - std::max(a, k * dn);
      if (overlap <= 0) continue;
      w.Items.emplace_back(int32_t(srcStart + (mirror ? sn - 1 - k : k)), overlap);
      total += overlap;
    }
    w.Total.push_back(total);
  }
  w.Start.push_back(int32_t(w.Items.size()));
  return w;
}

bool DoBlit(TDC& d, const TBlitSpec& spec) {
  const TGdiRaster dst = d.Target();
  if (!dst.Valid()) return false;
  const TRect& D = spec.Dst;
  if (D.Right <= D.Left || D.Bottom <= D.Top) return true;
  const TRegion& vis = d.Visible();
  TRect clip;
  if (!IntersectRect(clip, D, vis.Box())) return true;
  const bool usesP = GdiRopUsesPattern(spec.Rop3);
  TGdiBrushFill brush;
  if (usesP) brush = GdiRealizeBrush(d, d.Brush);
  if (!spec.Src || !GdiRopUsesSource(spec.Rop3)) {
    // A null brush gives no pattern: nothing is drawn by pattern operations.
    GdiPaintRect(d, D, usesP ? brush : GdiSolidFill(0), spec.Rop3);
    return true;
  }
  if (!spec.Src->Valid()) return false;
  const int64_t W = int64_t(D.Right) - D.Left, H = int64_t(D.Bottom) - D.Top;
  const int64_t SW = int64_t(spec.SrcRect.Right) - spec.SrcRect.Left;
  const int64_t SH = int64_t(spec.SrcRect.Bottom) - spec.SrcRect.Top;
  if (SW <= 0 || SH <= 0) return true;

  // A source in the target's own memory is copied first, so the blit reads
  // what was there before it started.
  TGdiRaster src = *spec.Src;
  TRect srcRect = spec.SrcRect;
  TGdiBitmap temp;
  if (src.Bits == dst.Bits) {
    TRect part;
    if (!IntersectRect(part, srcRect, TRect{0, 0, src.Width, src.Height})) return true;
    TGdiPixelFormat f{src.BitCount, src.RedMask, src.GreenMask, src.BlueMask};
    if (!temp.Allocate(part.Right - part.Left, part.Bottom - part.Top, f, true)) return false;
    if (src.Colors) temp.ColorTable.assign(src.Colors, src.Colors + src.ColorCount);
    temp.Monochrome = src.Monochrome;
    const TGdiRaster t = temp.Raster();
    for (int32_t y = part.Top; y < part.Bottom; ++y) {
      for (int32_t x = part.Left; x < part.Right; ++x)
        GdiWritePixel(t, x - part.Left, y - part.Top, GdiReadPixel(src, x, y));
    }
    src = t;
    srcRect =
        TRect{srcRect.Left - part.Left, srcRect.Top - part.Top, srcRect.Right - part.Left, srcRect.Bottom - part.Top};
  }

  // Source coordinates of the clipped dest columns and rows (-1: outside).
  const int32_t cw = clip.Right - clip.Left, ch = clip.Bottom - clip.Top;
  std::vector<int32_t> xs(static_cast<size_t>(cw)), ys(static_cast<size_t>(ch));
  for (int32_t i = 0; i < cw; ++i) {
    const int64_t s = srcRect.Left + Sample(int64_t(clip.Left - D.Left) + i, W, SW, spec.MirrorX);
    xs[size_t(i)] = s >= 0 && s < src.Width ? int32_t(s) : -1;
  }
  for (int32_t j = 0; j < ch; ++j) {
    const int64_t s = srcRect.Top + Sample(int64_t(clip.Top - D.Top) + j, H, SH, spec.MirrorY);
    ys[size_t(j)] = s >= 0 && s < src.Height ? int32_t(s) : -1;
  }
  int32_t first = 0, last = cw;  // valid columns are contiguous
  while (first < cw && xs[size_t(first)] < 0) ++first;
  while (last > first && xs[size_t(last - 1)] < 0) --last;
  if (first >= last) return true;

  TGdiRowConverter conv(src, dst, spec.Colors);
  const bool contiguous = W == SW && !spec.MirrorX;
  const bool halftone = spec.Halftone && (W != SW || H != SH) && double(SW) * double(SH) < 4.0e15;
  const int bpp = dst.BitCount / 8;
  std::vector<uint32_t> values(static_cast<size_t>(cw)), pat(usesP ? static_cast<size_t>(cw) : 0);
  std::vector<uint8_t> mask(usesP ? size_t(cw) : 0);

  TWeights wx, wy;
  std::vector<uint64_t> sums;
  std::vector<uint32_t> colorRow;
  int32_t colMin = 0, colMax = 0;
  if (halftone) {
    wx = AreaWeights(clip.Left - D.Left, clip.Right - D.Left, W, SW, spec.MirrorX, srcRect.Left, src.Width);
    wy = AreaWeights(clip.Top - D.Top, clip.Bottom - D.Top, H, SH, spec.MirrorY, srcRect.Top, src.Height);
    colMin = src.Width, colMax = -1;
    for (const auto& it : wx.Items) colMin = std::min(colMin, it.first), colMax = std::max(colMax, it.first);
    colorRow.resize(colMax >= colMin ? size_t(colMax - colMin + 1) : 0);
    sums.resize(size_t(cw) * 4);
  }
  const bool alpha = src.Layout == TGdiLayout::Bgr32 && dst.Layout == TGdiLayout::Bgr32;

  for (int32_t j = 0; j < ch; ++j) {
    const int32_t sy = ys[size_t(j)];
    if (sy < 0) continue;
    const int32_t y = clip.Top + j;
    if (halftone) {
      // Average every covered source pixel of the whole visible row once.
      std::fill(sums.begin(), sums.end(), 0);
      for (int32_t k = wy.Start[size_t(j)]; k < wy.Start[size_t(j) + 1]; ++k) {
        const auto [row, wyk] = wy.Items[size_t(k)];
        for (int32_t x = colMin; x <= colMax; ++x)
          colorRow[size_t(x - colMin)] = conv.SourceColor(GdiReadPixel(src, x, row));
        for (int32_t i = first; i < last; ++i) {
          uint64_t* s = &sums[size_t(i) * 4];
          for (int32_t q = wx.Start[size_t(i)]; q < wx.Start[size_t(i) + 1]; ++q) {
            const auto [col, wxq] = wx.Items[size_t(q)];
            const uint32_t c = colorRow[size_t(col - colMin)];
            const uint64_t w = uint64_t(wyk) * uint64_t(wxq);
            s[0] += (c & 0xFF) * w;
            s[1] += ((c >> 8) & 0xFF) * w;
            s[2] += ((c >> 16) & 0xFF) * w;
            s[3] += (c >> 24) * w;
          }
        }
      }
      for (int32_t i = first; i < last; ++i) {
        const uint64_t* s = &sums[size_t(i) * 4];
        const uint64_t total = uint64_t(wx.Total[size_t(i)]) * uint64_t(wy.Total[size_t(j)]);
        auto avg = [&](uint64_t v) { return total ? uint32_t((v + total / 2) / total) : 0u; };
        uint32_t v = conv.TargetValue(avg(s[0]) | (avg(s[1]) << 8) | (avg(s[2]) << 16));
        if (alpha) v = (v & 0x00FFFFFF) | (avg(s[3]) << 24);
        values[size_t(i)] = v;
      }
    }
    GdiForEachVisible(vis, y, clip.Left + first, clip.Left + last, [&](int32_t a, int32_t b) {
      const int32_t i0 = a - clip.Left, n = b - a;
      TGdiSpanOp op;
      op.Rop3 = spec.Rop3;
      if (halftone) {
        op.Src = values.data() + i0;
      } else if (contiguous && conv.Identity() && bpp >= 1) {
        op.SrcBytes = src.Row(sy) + size_t(xs[size_t(i0)]) * size_t(bpp);
      } else if (contiguous) {
        conv.Run(sy, xs[size_t(i0)], n, values.data() + i0);
        op.Src = values.data() + i0;
      } else {
        conv.Gather(sy, xs.data() + i0, n, values.data() + i0);
        op.Src = values.data() + i0;
      }
      if (usesP) {
        if (brush.Null) {
          op.PatSolid = true;
        } else if (brush.Solid) {
          op.PatSolid = true;
          op.PatValue = brush.Value;
        } else {
          brush.Row(y, a, n, pat.data() + i0, brush.Opaque.empty() ? nullptr : mask.data() + i0);
          op.Pat = pat.data() + i0;
          if (!brush.Opaque.empty()) op.Mask = mask.data() + i0;
        }
      }
      GdiSpan(dst, y, a, n, op);
    });
  }
  return true;
}

bool RasterRect(TDC& dc, int64_t x, int64_t y, int64_t w, int64_t h, TRect& out, bool& mirrorX, bool& mirrorY) {
  if (!CoordOk(x) || !CoordOk(y) || !CoordOk(x + w) || !CoordOk(y + h)) return false;
  const TPoint a = dc.ToRaster(int32_t(x), int32_t(y)), b = dc.ToRaster(int32_t(x + w), int32_t(y + h));
  if (!CoordOk(a.X) || !CoordOk(a.Y) || !CoordOk(b.X) || !CoordOk(b.Y)) return false;
  mirrorX = w < 0;
  mirrorY = h < 0;
  out = TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  return true;
}

TGdiConvertColors DCColors(TDC& d, TDC* s) {
  TGdiConvertColors c;
  c.MonoZero = d.ResolveColor(d.State.TextColor);
  c.MonoOne = d.ResolveColor(d.State.BkColor);
  c.MonoByBk = s != nullptr;
  if (s) c.SrcBk = s->ResolveColor(s->State.BkColor);
  return c;
}

bool StretchCommon(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC srcDC, int32_t xs, int32_t ys, int32_t ws,
                   int32_t hs, uint32_t rop, bool stretch) {
  TDC* d = GdiDC(dst);
  if (!d) return false;
  TBlitSpec spec;
  spec.Rop3 = uint8_t(rop >> 16);
  bool mx = false, my = false;
  if (!RasterRect(*d, x, y, w, h, spec.Dst, mx, my)) return false;
  if (!GdiRopUsesSource(spec.Rop3)) return DoBlit(*d, spec);
  TDC* s = GdiDC(srcDC);
  if (!s) return false;
  bool smx = false, smy = false;
  if (!RasterRect(*s, xs, ys, ws, hs, spec.SrcRect, smx, smy)) return false;
  spec.MirrorX = mx != smx;
  spec.MirrorY = my != smy;
  if (!stretch) spec.MirrorX = spec.MirrorY = false;
  const TGdiRaster src = s->Target();
  spec.Src = &src;
  spec.Colors = DCColors(*d, s);
  spec.Halftone = stretch && d->State.StretchMode == HALFTONE;
  return DoBlit(*d, spec);
}

}  // namespace

bool BitBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t xSrc, int32_t ySrc,
            uint32_t rop) {
  return StretchCommon(dst, x, y, width, height, src, xSrc, ySrc, width, height, rop, false);
}

bool StretchBlt(HDC dst, int32_t x, int32_t y, int32_t width, int32_t height, HDC src, int32_t xSrc, int32_t ySrc,
                int32_t widthSrc, int32_t heightSrc, uint32_t rop) {
  return StretchCommon(dst, x, y, width, height, src, xSrc, ySrc, widthSrc, heightSrc, rop, true);
}

bool PatBlt(HDC h, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
  TDC* d = GdiDC(h);
  if (!d) return false;
  TBlitSpec spec;
  spec.Rop3 = uint8_t(rop >> 16);
  if (GdiRopUsesSource(spec.Rop3)) return false;
  bool mx, my;
  if (!RasterRect(*d, x, y, width, height, spec.Dst, mx, my)) return false;
  return DoBlit(*d, spec);
}

int32_t StretchDIBits(HDC h, int32_t xDst, int32_t yDst, int32_t widthDst, int32_t heightDst, int32_t xSrc,
                      int32_t ySrc, int32_t widthSrc, int32_t heightSrc, const void* bits, const BITMAPINFO* info,
                      uint32_t usage, uint32_t rop) {
  TDC* d = GdiDC(h);
  TGdiDibInfo di;
  if (!d || usage != DIB_RGB_COLORS || !GdiParseBitmapInfo(info, di)) return 0;
  const TGdiRaster src = GdiRasterOver(di, bits);
  TBlitSpec spec;
  spec.Rop3 = uint8_t(rop >> 16);
  bool mx, my;
  if (!RasterRect(*d, xDst, yDst, widthDst, heightDst, spec.Dst, mx, my)) return 0;
  if (GdiRopUsesSource(spec.Rop3)) {
    if (!src.Valid()) return 0;
    // Bottom-up images count source rows from the bottom.
    const int64_t top = di.TopDown ? int64_t(ySrc) : int64_t(di.Height) - ySrc - heightSrc;
    const int64_t x0 = xSrc, x1 = int64_t(xSrc) + widthSrc, y0 = top, y1 = top + heightSrc;
    if (!CoordOk(x0) || !CoordOk(x1) || !CoordOk(y0) || !CoordOk(y1)) return 0;
    spec.SrcRect = TRect{int32_t(std::min(x0, x1)), int32_t(std::min(y0, y1)), int32_t(std::max(x0, x1)),
                         int32_t(std::max(y0, y1))};
    spec.MirrorX = mx != (widthSrc < 0);
    spec.MirrorY = my != (heightSrc < 0);
    spec.Src = &src;
    spec.Colors = DCColors(*d, nullptr);
    spec.Halftone = d->State.StretchMode == HALFTONE;
  }
  if (!DoBlit(*d, spec)) return 0;
  return int32_t(std::min<int64_t>(std::abs(int64_t(heightSrc)), INT32_MAX));
}

int32_t SetDIBitsToDevice(HDC h, int32_t xDst, int32_t yDst, uint32_t width, uint32_t height, int32_t xSrc,
                          int32_t ySrc, uint32_t startScan, uint32_t scanLines, const void* bits,
                          const BITMAPINFO* info, uint32_t usage) {
  TDC* d = GdiDC(h);
  TGdiDibInfo di;
  if (!d || usage != DIB_RGB_COLORS || !bits || !GdiParseBitmapInfo(info, di)) return 0;
  if (width > uint32_t(kMaxCoord) || height > uint32_t(kMaxCoord) || scanLines == 0 ||
      scanLines > uint32_t(INT32_MAX) || startScan > uint32_t(INT32_MAX)) {
    return 0;
  }
  // The bits hold scanLines rows starting at scan line startScan.
  di.Height = int32_t(std::min<uint32_t>(scanLines, uint32_t(di.Height)));
  const TGdiRaster src = GdiRasterOver(di, bits);
  TBlitSpec spec;
  spec.Rop3 = 0xCC;
  bool mx, my;
  if (!RasterRect(*d, xDst, yDst, int32_t(width), int32_t(height), spec.Dst, mx, my)) return 0;
  const int64_t top = di.TopDown ? int64_t(ySrc) - startScan : int64_t(di.Height) - ySrc - int64_t(height) + startScan;
  if (!CoordOk(top) || !CoordOk(int64_t(xSrc) + width)) return 0;
  spec.SrcRect = TRect{xSrc, int32_t(top), int32_t(xSrc + int64_t(width)), int32_t(top + height)};
  spec.Src = &src;
  spec.Colors = DCColors(*d, nullptr);
  if (!DoBlit(*d, spec)) return 0;
  return di.Height;
}

int32_t GetDIBits(HDC h, HBITMAP bitmap, uint32_t startScan, uint32_t scanLines, void* bits, BITMAPINFO* info,
                  uint32_t usage) {
  TDC* d = GdiDC(h);
  TGdiBitmap* b = GdiBitmap(bitmap);
  if (!d || !b || !info || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& hdr = info->bmiHeader;
  if (hdr.biSize < 40) return 0;
  if (hdr.biBitCount == 0) {
    if (bits) return 0;
    hdr.biWidth = b->Width;
    hdr.biHeight = b->Height;
    hdr.biPlanes = 1;
    hdr.biBitCount = uint16_t(b->Format.BitCount);
    const bool bitfields =
        b->Layout == TGdiLayout::Rgb565 || b->Layout == TGdiLayout::Bitfields16 || b->Layout == TGdiLayout::Bitfields32;
    hdr.biCompression = bitfields ? BI_BITFIELDS : BI_RGB;
    hdr.biSizeImage = uint32_t(GdiDibStride(b->Width, b->Format.BitCount) * b->Height);
    hdr.biXPelsPerMeter = hdr.biYPelsPerMeter = 0;
    hdr.biClrUsed = hdr.biClrImportant = 0;
    return 1;
  }
  TGdiDibInfo want;
  if (hdr.biWidth <= 0) return 0;
  {
    // Parse the request without reading a colour table it has not got yet.
    BITMAPINFOHEADER probe = hdr;
    probe.biClrUsed = 0;
    const int bpp = probe.biBitCount;
    std::vector<uint8_t> buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    probe.biSize = 40;
    std::memcpy(buffer.data(), &probe, sizeof probe);
    if (probe.biCompression == BI_BITFIELDS) {
      uint32_t masks[3];
      if (hdr.biSize >= 52)
        std::memcpy(masks, reinterpret_cast<uint8_t*>(info) + 40, sizeof masks);
      else
        std::memcpy(masks, reinterpret_cast<uint8_t*>(info) + hdr.biSize, sizeof masks);
      std::memcpy(buffer.data() + 40, masks, sizeof masks);
    }
    if (!GdiParseBitmapInfo(reinterpret_cast<const BITMAPINFO*>(buffer.data()), want) || bpp != want.Format.BitCount)
      return 0;
  }
  // The colour table of the copy: the bitmap's own when the depth matches.
  std::vector<RGBQUAD> table;
  if (want.Format.BitCount <= 8) {
    const size_t n = size_t(1) << want.Format.BitCount;
    if (b->Format.BitCount == want.Format.BitCount && !b->Monochrome)
      table = b->ColorTable;
    else
      table = GdiDefaultColorTable(want.Format.BitCount);
    table.resize(n);
    std::memcpy(reinterpret_cast<uint8_t*>(info) + hdr.biSize, table.data(), n * sizeof(RGBQUAD));
    hdr.biClrUsed = 0;
  }
  const int64_t stride = GdiDibStride(hdr.biWidth, want.Format.BitCount);
  hdr.biSizeImage = uint32_t(stride * want.Height);
  if (!bits) return 1;
  if (startScan >= uint32_t(b->Height) || scanLines == 0) return 0;
  const int32_t lines = int32_t(std::min<uint64_t>(scanLines, uint64_t(b->Height) - startScan));
  want.Height = lines;
  want.Colors = table;
  TGdiRaster dst = GdiRasterOver(want, bits);
  const int32_t srcTop = want.TopDown ? int32_t(startScan) : b->Height - int32_t(startScan) - lines;
  GdiConvertPixels(b->Raster(), 0, srcTop, dst, 0, 0, std::min(hdr.biWidth, b->Width), lines);
  return lines;
}

void GdiStretchRaster(const TGdiRaster& src, const TGdiRaster& dst) {
  if (!src.Valid() || !dst.Valid()) return;
  TGdiConvertColors colors;
  TGdiRowConverter conv(src, dst, colors);
  std::vector<int32_t> xs(size_t(dst.Width));
  for (int32_t i = 0; i < dst.Width; ++i) xs[size_t(i)] = int32_t(Sample(i, dst.Width, src.Width, false));
  std::vector<uint32_t> values(size_t(dst.Width));
  TGdiSpanOp op;
  op.Rop3 = 0xCC;
  op.Src = values.data();
  for (int32_t y = 0; y < dst.Height; ++y) {
    conv.Gather(int32_t(Sample(y, dst.Height, src.Height, false)), xs.data(), dst.Width, values.data());
    GdiSpan(dst, y, 0, dst.Width, op);
  }
}

// ---- Icons ------------------------------------------------------------------------------------

bool DrawIconEx(HDC h, int32_t x, int32_t y, HICON icon, int32_t cx, int32_t cy, uint32_t step, HBRUSH flickerFreeBrush,
                uint32_t flags) {
  (void)step;
  TDC* d = GdiDC(h);
  TGdiIcon* ic = GdiIcon(icon);
  if (!d || !ic || cx < 0 || cy < 0) return false;
  if (cx == 0) cx = ic->Width;
  if (cy == 0) cy = ic->Height;
  TRect box;
  bool mx, my;
  if (!RasterRect(*d, x, y, cx, cy, box, mx, my)) return false;
  if (flickerFreeBrush) {
    TGdiBrush* fb = GdiBrushArg(flickerFreeBrush);
    if (!fb) return false;
    GdiPaintRect(*d, box, GdiRealizeBrush(*d, fb), 0xF0);
  }
  const TGdiRaster dst = d->Target();
  if (!dst.Valid() || (flags & DI_NORMAL) == 0) return true;
  const TGdiRaster mask = ic->Mask->Raster();
  const TGdiRaster color = ic->Color ? ic->Color->Raster() : TGdiRaster{};
  const bool both = (flags & DI_NORMAL) == DI_NORMAL;
  const TRegion& vis = d->Visible();
  TGdiNearest nearest(dst.Colors, dst.ColorCount);
  auto bw = [](uint32_t bit) -> COLORREF { return bit ? 0xFFFFFF : 0x000000; };
  for (int32_t py = box.Top; py < box.Bottom; ++py) {
    const int32_t sy = int32_t(Sample(py - box.Top, cy, ic->Height, false));
    GdiForEachVisible(vis, py, box.Left, box.Right, [&](int32_t a, int32_t b) {
      for (int32_t px = a; px < b; ++px) {
        const int32_t sx = int32_t(Sample(px - box.Left, cx, ic->Width, false));
        const COLORREF m = bw(GdiReadPixel(mask, sx, sy));
        uint32_t image = 0, alpha = 255;
        if (ic->Color) {
          const uint32_t v = GdiReadPixel(color, sx, sy);
          image = GdiValueToColor(color, v);
          if (ic->HasAlpha) alpha = v >> 24;
        } else {
          image = bw(GdiReadPixel(mask, sx, ic->Height + sy));
        }
        const uint32_t old = GdiReadPixel(dst, px, py);
        const COLORREF dc = GdiValueToColor(dst, old);
        COLORREF out;
        if (both && ic->HasAlpha) {
          auto mix = [&](int shift) {
            const uint32_t f = (image >> shift) & 0xFF, g = (dc >> shift) & 0xFF;
            return ((f * alpha + g * (255 - alpha) + 127) / 255) << shift;
          };
          out = mix(0) | mix(8) | mix(16);
        } else if (both) {
          out = (dc & m) ^ image;
        } else if (flags & DI_MASK) {
          out = m;
        } else {
          out = image;
        }
        uint32_t v = dst.Indexed() && !dst.Monochrome ? nearest.Index(out) : GdiColorToValue(dst, out);
        if (dst.Layout == TGdiLayout::Bgr32) v |= old & 0xFF000000u;
        GdiWritePixel(dst, px, py, v);
      }
    });
  }
  return true;
}
