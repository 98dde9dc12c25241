#include "platform/gui/backends/sdl_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/gui/gdi_internal.h"

namespace {

struct TChannel {
  int32_t Shift = 0;
  int32_t Bits = 0;
};

bool ChannelOf(uint32_t mask, TChannel& c) {
  if (mask == 0) return false;
  c.Shift = std::countr_zero(mask);
  c.Bits = std::popcount(mask);
  // Contiguous and at most 8 bits wide.
  return c.Bits <= 8 && (mask >> c.Shift) == (1u << c.Bits) - 1;
}

uint32_t Pack(uint8_t v, const TChannel& c) { return uint32_t(v >> (8 - c.Bits)) << c.Shift; }

}  // namespace

bool SdlCopyPixels(const TSdlSource& src, int32_t sx, int32_t sy, const TSdlTarget& dst, int32_t dx, int32_t dy,
                   int32_t w, int32_t h) {
  TChannel r, g, b, a;
  if (!ChannelOf(dst.RMask, r) || !ChannelOf(dst.GMask, g) || !ChannelOf(dst.BMask, b)) return false;
  const bool alpha = dst.AMask != 0;
  if (alpha && !ChannelOf(dst.AMask, a)) return false;
  const int32_t bpp = dst.BytesPerPixel;
  if (bpp < 2 || bpp > 4) return false;
  if (bpp < 4 && ((dst.RMask | dst.GMask | dst.BMask | dst.AMask) >> (8 * bpp)) != 0) return false;
  if (!src.Bits || !dst.Pixels) return true;

  // Clip to the source, then to the target.
  if (sx < 0) {
    w += sx;
    dx -= sx;
    sx = 0;
  }
  if (sy < 0) {
    h += sy;
    dy -= sy;
    sy = 0;
  }
  if (dx < 0) {
    w += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  w = std::min({w, src.Width - sx, dst.Width - dx});
  h = std::min({h, src.Height - sy, dst.Height - dy});
  if (w <= 0 || h <= 0) return true;

  const bool same = bpp == 4 && dst.RMask == 0x00FF0000 && dst.GMask == 0x0000FF00 && dst.BMask == 0x000000FF &&
                    (dst.AMask == 0 || dst.AMask == 0xFF000000);
  const uint32_t opaque = alpha ? dst.AMask : 0;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* s = src.Row(sy + y) + size_t(sx) * 4;
    uint8_t* d = dst.Pixels + int64_t(dst.Pitch) * (dy + y) + int64_t(dx) * bpp;
    if (same) {
      std::memcpy(d, s, size_t(w) * 4);
      if (alpha)
        for (int32_t x = 0; x < w; ++x) d[x * 4 + 3] = 0xFF;
      continue;
    }
    for (int32_t x = 0; x < w; ++x, s += 4, d += bpp) {
      const uint32_t v = Pack(s[2], r) | Pack(s[1], g) | Pack(s[0], b) | opaque;
      for (int32_t k = 0; k < bpp; ++k) d[k] = uint8_t(v >> (8 * k));
    }
  }
  return true;
}

std::vector<uint32_t> SdlShapeMask(int32_t width, int32_t height, const TRegion* region, const TSdlSource* surface,
                                   bool useKey, COLORREF key) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  std::vector<uint32_t> mask(size_t(width) * size_t(height), 0);
  const uint32_t inside = 0xFFFFFFFFu;
  if (!region) {
    std::fill(mask.begin(), mask.end(), inside);
  } else {
    for (const TRect& r : region->Rects()) {
      const int32_t l = std::max(r.Left, 0), t = std::max(r.Top, 0);
      const int32_t rr = std::min(r.Right, width), b = std::min(r.Bottom, height);
      for (int32_t y = t; y < b; ++y)
        std::fill(mask.begin() + int64_t(y) * width + l, mask.begin() + int64_t(y) * width + std::max(l, rr), inside);
    }
  }
  if (useKey && surface && surface->Bits) {
    const uint8_t kr = uint8_t(key), kg = uint8_t(key >> 8), kb = uint8_t(key >> 16);
    const int32_t w = std::min(width, surface->Width), h = std::min(height, surface->Height);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* s = surface->Row(y);
      for (int32_t x = 0; x < w; ++x, s += 4)
        if (s[0] == kb && s[1] == kg && s[2] == kr) mask[size_t(y) * size_t(width) + size_t(x)] = 0;
    }
  }
  return mask;
}

bool SdlIconImage(HICON icon, TSdlImage& out) {
  ICONINFO ii;
  if (!icon || !GetIconInfo(icon, &ii)) return false;
  const TGdiRaster mask = GdiBitmapRaster(ii.hbmMask);
  const TGdiRaster color = ii.hbmColor ? GdiBitmapRaster(ii.hbmColor) : TGdiRaster();
  bool ok = mask.Valid() && (!ii.hbmColor || color.Valid());
  if (ok) {
    const int32_t w = ii.hbmColor ? color.Width : mask.Width;
    const int32_t h = ii.hbmColor ? color.Height : mask.Height / 2;
    ok = w > 0 && h > 0 && w <= 1024 && h <= 1024;
    if (ok) {
      out.Width = w;
      out.Height = h;
      out.HotX = int32_t(std::min<uint32_t>(ii.xHotspot, uint32_t(w - 1)));
      out.HotY = int32_t(std::min<uint32_t>(ii.yHotspot, uint32_t(h - 1)));
      out.Argb.assign(size_t(w) * size_t(h), 0);
      // Mask rows: the AND plane (1: transparent), then for monochrome
      // images the XOR plane.
      auto andBit = [&](int32_t x, int32_t y) {
        return x < mask.Width && y < mask.Height && GdiReadPixel(mask, x, y) != 0;
      };
      bool colorAlpha = false;
      if (ii.hbmColor && color.BitCount == 32)
        for (int32_t y = 0; y < h && !colorAlpha; ++y)
          for (int32_t x = 0; x < w && !colorAlpha; ++x) colorAlpha = (GdiReadPixel(color, x, y) >> 24) != 0;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          uint32_t& px = out.Argb[size_t(y) * size_t(w) + size_t(x)];
          if (!ii.hbmColor) {
            const bool a = andBit(x, y), xr = andBit(x, y + h);
            if (!a)
              px = xr ? 0xFFFFFFFFu : 0xFF000000u;
            else if (xr)
              px = 0xFF000000u;  // inverts the screen: shown black
            continue;
          }
          const uint32_t v = GdiReadPixel(color, x, y);
          const COLORREF c = GdiValueToColor(color, v);
          const uint32_t rgb = (uint32_t(c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
          if (colorAlpha) {
            px = (v & 0xFF000000u) | rgb;
          } else if (!andBit(x, y)) {
            px = 0xFF000000u | rgb;
          } else if (rgb != 0) {
            px = 0xFF000000u;  // inverting pixel
          }
        }
    }
  }
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  return ok;
}
