// Device-context state: origins, clipping, modes, colours, device queries.
#include <algorithm>
#include <atomic>

#include "platform/gui/gdi_internal.h"

namespace {

std::atomic<int32_t> GScreenWidth{1280};
std::atomic<int32_t> GScreenHeight{1024};

// The bitmap's area in raster coordinates.
TRegion Surface(const TDC& dc) {
  if (!dc.Bitmap) return TRegion();
  return TRegion(TRect{0, 0, dc.Bitmap->Width, dc.Bitmap->Height});
}

// Moves a region by (dx, dy); empty when it would leave the coordinate space.
TRegion Moved(TRegion r, int64_t dx, int64_t dy) {
  if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) return TRegion();
  if (!r.Offset(int32_t(dx), int32_t(dy))) return TRegion();
  return r;
}

// The clip region, or the whole bitmap when there is none (device
// coordinates).
TRegion ClipOrSurface(const TDC& dc) {
  if (dc.State.HasClip) return dc.State.Clip;
  return Moved(Surface(dc), -int64_t(dc.DeviceOrg.X), -int64_t(dc.DeviceOrg.Y));
}

int32_t SetClip(TDC& dc, TRegion region) {
  dc.State.HasClip = true;
  dc.State.Clip = std::move(region);
  dc.InvalidateVisible();
  return dc.Visible().Kind();
}

TRect DeviceRect(const TDC& dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const TPoint a = dc.LogicalToDevice(left, top), b = dc.LogicalToDevice(right, bottom);
  return TRect{a.X, a.Y, b.X, b.Y};
}

}  // namespace

// ---- TDC ---------------------------------------------------------------------------------------

TGdiRaster TDC::Target() const { return Bitmap ? Bitmap->Raster() : TGdiRaster{}; }

const TRegion& TDC::Visible() {
  if (!FVisibleValid) {
    FVisible = Surface(*this);
    if (State.HasClip) {
      // Cut to the bitmap before moving, so a clip reaching to the ends of
      // the coordinate space still moves.
      TRegion clip;
      TRegion::Combine(clip, State.Clip, Moved(FVisible, -int64_t(DeviceOrg.X), -int64_t(DeviceOrg.Y)), RGN_AND);
      TRegion::Combine(FVisible, FVisible, Moved(std::move(clip), DeviceOrg.X, DeviceOrg.Y), RGN_AND);
    }
    if (HasSystemClip) TRegion::Combine(FVisible, FVisible, SystemClip, RGN_AND);
    FVisibleValid = true;
  }
  return FVisible;
}

const LOGFONT& TDC::LogFont() const {
  static const LOGFONT kNone;
  return Font ? Font->LogFont : kNone;
}

COLORREF TDC::ResolveColor(COLORREF color) const {
  if ((color >> 24) == 0x01) {
    if (!Palette || Palette->Entries.empty()) return 0;
    const size_t i = std::min<size_t>(color & 0xFFFF, Palette->Entries.size() - 1);
    const PALETTEENTRY& e = Palette->Entries[i];
    return COLORREF(e.peRed) | (COLORREF(e.peGreen) << 8) | (COLORREF(e.peBlue) << 16);
  }
  return color & 0x00FFFFFF;
}

// ---- Window system hooks ---------------------------------------------------------------------

bool GdiSetSystemClip(HDC h, const TRegion* clip) {
  TDC* dc = GdiDC(h);
  if (!dc) return false;
  dc->HasSystemClip = clip != nullptr;
  dc->SystemClip = clip ? *clip : TRegion();
  dc->InvalidateVisible();
  return true;
}

void GdiSetScreenSize(int32_t width, int32_t height) {
  if (width > 0) GScreenWidth = width;
  if (height > 0) GScreenHeight = height;
}

int32_t GetDeviceCaps(HDC h, int32_t index) {
  if (!GdiDC(h)) return 0;
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return GScreenWidth;
    case VERTRES: return GScreenHeight;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

// ---- Origins --------------------------------------------------------------------------------------

namespace {

bool SetOrigin(HDC h, TPoint TDCState::*field, int32_t x, int32_t y, bool relative, TPoint* old) {
  TDC* dc = GdiDC(h);
  if (!dc) return false;
  TPoint& p = dc->State.*field;
  if (old) *old = p;
  p = relative ? TPoint{p.X + x, p.Y + y} : TPoint{x, y};
  return true;
}

bool GetPoint(HDC h, TPoint TDCState::*field, TPoint* out) {
  TDC* dc = GdiDC(h);
  if (!dc || !out) return false;
  *out = dc->State.*field;
  return true;
}

}  // namespace

bool SetViewportOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  return SetOrigin(dc, &TDCState::ViewportOrg, x, y, false, old);
}
bool GetViewportOrgEx(HDC dc, TPoint* org) { return GetPoint(dc, &TDCState::ViewportOrg, org); }
bool OffsetViewportOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old) {
  return SetOrigin(dc, &TDCState::ViewportOrg, dx, dy, true, old);
}
bool SetWindowOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  return SetOrigin(dc, &TDCState::WindowOrg, x, y, false, old);
}
bool GetWindowOrgEx(HDC dc, TPoint* org) { return GetPoint(dc, &TDCState::WindowOrg, org); }
bool SetBrushOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  return SetOrigin(dc, &TDCState::BrushOrg, x, y, false, old);
}
bool GetBrushOrgEx(HDC dc, TPoint* org) { return GetPoint(dc, &TDCState::BrushOrg, org); }
bool MoveToEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  return SetOrigin(dc, &TDCState::CurrentPos, x, y, false, old);
}
bool GetCurrentPositionEx(HDC dc, TPoint* pos) { return GetPoint(dc, &TDCState::CurrentPos, pos); }

// ---- Clipping ---------------------------------------------------------------------------------------

int32_t SelectClipRgn(HDC h, HRGN rgn) { return ExtSelectClipRgn(h, rgn, RGN_COPY); }

int32_t ExtSelectClipRgn(HDC h, HRGN rgn, int32_t mode) {
  TDC* dc = GdiDC(h);
  if (!dc || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (!rgn) {
    if (mode != RGN_COPY) return ERROR;
    dc->State.HasClip = false;
    dc->State.Clip = TRegion();
    dc->InvalidateVisible();
    return dc->Visible().Kind();
  }
  TGdiRegion* r = GdiRegion(rgn);
  if (!r) return ERROR;
  if (mode == RGN_COPY) return SetClip(*dc, r->Region);
  TRegion clip;
  TRegion::Combine(clip, ClipOrSurface(*dc), r->Region, mode);
  return SetClip(*dc, std::move(clip));
}

int32_t IntersectClipRect(HDC h, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TDC* dc = GdiDC(h);
  if (!dc) return ERROR;
  TRegion clip;
  TRegion::Combine(clip, ClipOrSurface(*dc), TRegion(DeviceRect(*dc, left, top, right, bottom)), RGN_AND);
  return SetClip(*dc, std::move(clip));
}

int32_t ExcludeClipRect(HDC h, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TDC* dc = GdiDC(h);
  if (!dc) return ERROR;
  TRegion clip;
  TRegion::Combine(clip, ClipOrSurface(*dc), TRegion(DeviceRect(*dc, left, top, right, bottom)), RGN_DIFF);
  return SetClip(*dc, std::move(clip));
}

int32_t GetClipBox(HDC h, TRect* rect) {
  TDC* dc = GdiDC(h);
  if (!dc || !rect) return ERROR;
  const TRegion& v = dc->Visible();
  const TRect box = v.Box();
  const TPoint a = dc->RasterToLogical(box.Left, box.Top), b = dc->RasterToLogical(box.Right, box.Bottom);
  *rect = v.Empty() ? TRect{} : TRect{a.X, a.Y, b.X, b.Y};
  return v.Kind();
}

int32_t GetClipRgn(HDC h, HRGN rgn) {
  TDC* dc = GdiDC(h);
  TGdiRegion* r = GdiRegion(rgn);
  if (!dc || !r) return -1;
  if (!dc->State.HasClip) return 0;
  r->Region = dc->State.Clip;
  return 1;
}

// ---- Modes and colours --------------------------------------------------------------------------

namespace {

template <class T>
T SetField(HDC h, T TDCState::*field, T value, T failure) {
  TDC* dc = GdiDC(h);
  if (!dc) return failure;
  T old = dc->State.*field;
  dc->State.*field = value;
  return old;
}

template <class T>
T GetField(HDC h, T TDCState::*field, T failure) {
  TDC* dc = GdiDC(h);
  return dc ? dc->State.*field : failure;
}

}  // namespace

int32_t SetROP2(HDC dc, int32_t mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  return SetField(dc, &TDCState::Rop2, mode, 0);
}
int32_t GetROP2(HDC dc) { return GetField(dc, &TDCState::Rop2, 0); }
int32_t SetBkMode(HDC dc, int32_t mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return SetField(dc, &TDCState::BkMode, mode, 0);
}
int32_t GetBkMode(HDC dc) { return GetField(dc, &TDCState::BkMode, 0); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return SetField(dc, &TDCState::BkColor, color, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetField(dc, &TDCState::BkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF color) { return SetField(dc, &TDCState::TextColor, color, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return GetField(dc, &TDCState::TextColor, CLR_INVALID); }
uint32_t SetTextAlign(HDC dc, uint32_t align) { return SetField(dc, &TDCState::TextAlign, align, GDI_ERROR); }
uint32_t GetTextAlign(HDC dc) { return GetField(dc, &TDCState::TextAlign, GDI_ERROR); }
int32_t SetStretchBltMode(HDC dc, int32_t mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return SetField(dc, &TDCState::StretchMode, mode, 0);
}
int32_t GetStretchBltMode(HDC dc) { return GetField(dc, &TDCState::StretchMode, 0); }
int32_t SetPolyFillMode(HDC dc, int32_t mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return SetField(dc, &TDCState::PolyFillMode, mode, 0);
}
int32_t GetPolyFillMode(HDC dc) { return GetField(dc, &TDCState::PolyFillMode, 0); }
int32_t SetArcDirection(HDC dc, int32_t direction) {
  if (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE) return 0;
  return SetField(dc, &TDCState::ArcDirection, direction, 0);
}
int32_t GetArcDirection(HDC dc) { return GetField(dc, &TDCState::ArcDirection, 0); }
