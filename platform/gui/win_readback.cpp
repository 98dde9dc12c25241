// Read-back of surfaces and the composed desktop, and PNG writing through
// libpng (errors come back through setjmp/longjmp inside one plain C frame).
#include "platform/gui/win_readback.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_paint_internal.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/safewriter.h"

HBITMAP WinComposeDesktop(TRect* bounds);

namespace {

uint32_t Blend(uint32_t fg, uint32_t bg, uint32_t a) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
    out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

std::unique_ptr<TBitmap> Wrap(HBITMAP dib) {
  if (!dib) return nullptr;
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetHandle(dib);
  bmp->SetPixelFormat(TPixelFormat::pf32bit);
  return bmp;
}

}  // namespace

// Surface pixels are 0x00RRGGBB values (the top byte is not looked at).
HBITMAP WinComposeDesktop(TRect* bounds) {
  const TRect v{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (bounds) *bounds = v;
  if (v.Width() <= 0 || v.Height() <= 0) return nullptr;
  HBITMAP bmp = GdiCreateDIB(v.Width(), v.Height(), GdiFormat32, nullptr, 0, false);
  if (!bmp) return nullptr;
  const TGdiRaster dst = GdiBitmapRaster(bmp);
  const COLORREF desk = GetSysColor(COLOR_DESKTOP);
  const uint32_t deskValue = ((desk & 0xFF) << 16) | (desk & 0xFF00) | ((desk >> 16) & 0xFF);
  for (int32_t y = 0; y < dst.Height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(dst.Row(y));
    std::fill(row, row + dst.Width, deskValue);
  }
  std::vector<TWndRecord*> tops(WinDesktop().Children.begin(), WinDesktop().Children.end());
  std::reverse(tops.begin(), tops.end());  // bottom first
  const TRegion screen(TRect{0, 0, v.Width(), v.Height()});
  for (TWndRecord* w : tops) {
    if (!w->Alive() || !(w->Style & WS_VISIBLE) || (w->Style & WS_MINIMIZE)) continue;
    std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(*w);
    if (!image) continue;
    const TGdiRaster src = GdiBitmapRaster(image->Bitmap);
    TRegion shape(TRect{w->WindowRect.Left - v.Left, w->WindowRect.Top - v.Top, w->WindowRect.Right - v.Left,
                        w->WindowRect.Bottom - v.Top});
    if (w->WindowRgn) {
      TRegion r = *w->WindowRgn;
      r.Offset(w->WindowRect.Left - v.Left, w->WindowRect.Top - v.Top);
      TRegion::Combine(shape, shape, r, RGN_AND);
    }
    TRegion::Combine(shape, shape, screen, RGN_AND);
    const bool layered = (w->ExStyle & WS_EX_LAYERED) != 0;
    const uint32_t alpha = layered && (w->LayeredFlags & LWA_ALPHA) ? w->LayeredAlpha : 255;
    const bool keyed = layered && (w->LayeredFlags & LWA_COLORKEY);
    const COLORREF k = w->LayeredKey;
    const uint32_t keyValue = ((k & 0xFF) << 16) | (k & 0xFF00) | ((k >> 16) & 0xFF);
    const int32_t ox = w->WindowRect.Left - v.Left, oy = w->WindowRect.Top - v.Top;
    for (const TRect& r : shape.Rects()) {
      for (int32_t y = r.Top; y < r.Bottom; ++y) {
        const int32_t sy = y - oy;
        if (sy < 0 || sy >= src.Height) continue;
        uint32_t* d = reinterpret_cast<uint32_t*>(dst.Row(y));
        const uint32_t* s = reinterpret_cast<const uint32_t*>(src.Row(sy));
        for (int32_t x = r.Left; x < r.Right; ++x) {
          const int32_t sx = x - ox;
          if (sx < 0 || sx >= src.Width) continue;
          const uint32_t p = s[sx] & 0x00FFFFFF;
          if (keyed && p == keyValue) continue;
          d[x] = alpha == 255 ? p : Blend(p, d[x], alpha);
        }
      }
    }
  }
  return bmp;
}

HBITMAP WindowPixelsDib(HWND hwnd, bool withFrame) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return nullptr;
  std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(*w);
  if (!image) return nullptr;
  const TRect r = withFrame ? w->WindowRect : w->ClientRect;
  const TPoint s = WinSurfaceOrigin(*w);
  if (r.Width() <= 0 || r.Height() <= 0) return nullptr;
  HBITMAP dib = GdiCreateDIB(r.Width(), r.Height(), GdiFormat32, nullptr, 0, false);
  if (!dib) return nullptr;
  GdiConvertPixels(GdiBitmapRaster(image->Bitmap), r.Left - s.X, r.Top - s.Y, GdiBitmapRaster(dib), 0, 0, r.Width(),
                   r.Height());
  return dib;
}

HBITMAP DesktopPixelsDib() { return WinComposeDesktop(nullptr); }

std::unique_ptr<TBitmap> WindowPixels(HWND hwnd, bool withFrame) { return Wrap(WindowPixelsDib(hwnd, withFrame)); }

std::unique_ptr<TBitmap> DesktopPixels() { return Wrap(DesktopPixelsDib()); }

// ---- PNG writing ---------------------------------------------------------------------

namespace {

struct TPngSink {
  std::vector<uint8_t>* Out = nullptr;
  const char* Error = nullptr;
};

void PngWriteData(png_structp png, png_bytep data, size_t length) {
  TPngSink* sink = static_cast<TPngSink*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    sink->Out->insert(sink->Out->end(), data, data + length);
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, "out of memory");
}

void PngFlush(png_structp) {}

void PngError(png_structp png, png_const_charp message) {
  TPngSink* sink = static_cast<TPngSink*>(png_get_error_ptr(png));
  if (sink) sink->Error = message;
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Encodes rows (RGB, 3 bytes a pixel, top row first) into *out. Only plain
// data lives in this frame, so the longjmp of an error skips no destructor.
bool WritePngRows(const uint8_t* const* rows, uint32_t width, uint32_t height, TPngSink* sink) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, sink, PngWriteData, PngFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y) png_write_row(png, rows[y]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool EncodePng(HBITMAP bitmap, std::vector<uint8_t>& out) {
  out.clear();
  const TGdiRaster src = GdiBitmapRaster(bitmap);
  if (!src.Valid()) return false;
  // Through a 24-bit top-down copy: every source format becomes plain RGB.
  const int32_t w = src.Width, h = src.Height;
  const size_t stride = size_t(w) * 3;
  std::vector<uint8_t> pixels(stride * size_t(h));
  std::vector<const uint8_t*> rows(static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* d = pixels.data() + stride * size_t(y);
    rows[size_t(y)] = d;
    for (int32_t x = 0; x < w; ++x) {
      const COLORREF c = GdiValueToColor(src, GdiReadPixel(src, x, y));
      d[3 * x] = static_cast<uint8_t>(c & 0xFF);
      d[3 * x + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
      d[3 * x + 2] = static_cast<uint8_t>((c >> 16) & 0xFF);
    }
  }
  TPngSink sink;
  sink.Out = &out;
  if (!WritePngRows(rows.data(), uint32_t(w), uint32_t(h), &sink)) {
    out.clear();
    return false;
  }
  return true;
}

bool SavePng(HBITMAP bitmap, const String& fileName) {
  std::vector<uint8_t> bytes;
  if (!EncodePng(bitmap, bytes)) return false;
  try {
    SaveBytesToFile(fileName, bytes.data(), bytes.size(), true);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

bool SavePng(const TBitmap& bitmap, const String& fileName) {
  return bitmap.Handle() != nullptr && SavePng(bitmap.Handle(), fileName);
}
