// Painting: update regions, WM_PAINT and WM_ERASEBKGND, retained surfaces and
// window DCs, scrolling, window regions and layered attributes.
//
// The defaults of this layer (painting, the non-client frame, scroll bars,
// the caret, drag and drop) reach the core through WinHooks(), which
// WinInstallPaintHooks() fills; the core calls it when it starts.
//
// Window DCs carry the window's position on its top-level surface as their
// device origin: their device coordinates are the window's own (client or
// window area), their viewport and brush origins start at (0, 0), and their
// system clip is in surface coordinates.
#include "platform/gui/win_paint.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint_internal.h"

void WinInstallPaintHooks();
HBITMAP WinComposeDesktop(TRect* bounds);

namespace {

// ---- Regions ----------------------------------------------------------------------

TRegion And(const TRegion& a, const TRegion& b) {
  TRegion d;
  TRegion::Combine(d, a, b, RGN_AND);
  return d;
}
TRegion Or(const TRegion& a, const TRegion& b) {
  TRegion d;
  TRegion::Combine(d, a, b, RGN_OR);
  return d;
}
TRegion Diff(const TRegion& a, const TRegion& b) {
  TRegion d;
  TRegion::Combine(d, a, b, RGN_DIFF);
  return d;
}
TRegion Moved(TRegion r, int32_t dx, int32_t dy) {
  r.Offset(dx, dy);
  return r;
}
TRect MovedRect(TRect r, int32_t dx, int32_t dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }
TRect ClientBox(const TWndRecord& w) { return TRect{0, 0, w.ClientRect.Width(), w.ClientRect.Height()}; }

bool Shown(const TWndRecord* w) { return w && w->Alive() && (w->Style & WS_VISIBLE) != 0; }

// The window's rectangle and region in coordinates whose origin is o (screen).
TRegion ShapeOf(const TWndRecord& w, TPoint o) {
  TRegion r(MovedRect(w.WindowRect, -o.X, -o.Y));
  if (w.WindowRgn) r = And(r, Moved(*w.WindowRgn, w.WindowRect.Left - o.X, w.WindowRect.Top - o.Y));
  return r;
}

}  // namespace

// ---- Surfaces -----------------------------------------------------------------------

TSurfaceImage::~TSurfaceImage() {
  if (Bitmap) DeleteObject(Bitmap);
}

std::shared_ptr<TSurfaceImage> WinSurfaceOf(TWndRecord& w) {
  TWndRecord* root = WinRootOf(&w);
  if (!root || root->IsMessageOnly()) return nullptr;
  if (!root->Surface) root->Surface = std::make_shared<TWndSurface>();
  TWndSurface& s = *root->Surface;
  const int32_t width = root->WindowRect.Width() > 0 ? root->WindowRect.Width() : 1;
  const int32_t height = root->WindowRect.Height() > 0 ? root->WindowRect.Height() : 1;
  if (!s.Image || s.Image->Width != width || s.Image->Height != height) {
    auto image = std::make_shared<TSurfaceImage>();
    image->Bitmap = GdiCreateDIB(width, height, GdiFormat32, nullptr, 0, false);
    if (!image->Bitmap) return s.Image;  // out of memory: keep drawing on the old one
    image->Width = width;
    image->Height = height;
    if (s.Image) {
      // Pixels stay where they were relative to the window's top-left corner.
      const TGdiRaster from = GdiBitmapRaster(s.Image->Bitmap);
      const TGdiRaster to = GdiBitmapRaster(image->Bitmap);
      GdiConvertPixels(from, 0, 0, to, 0, 0, std::min(width, s.Image->Width), std::min(height, s.Image->Height));
    }
    s.Image = image;
  }
  return s.Image;
}

TWndPaintState& WinPaintStateOf(TWndRecord& w) {
  if (!w.PaintState) w.PaintState = std::make_shared<TWndPaintState>();
  return *w.PaintState;
}

TPoint WinSurfaceOrigin(TWndRecord& w) {
  TWndRecord* root = WinRootOf(&w);
  return root ? TPoint{root->WindowRect.Left, root->WindowRect.Top} : TPoint{};
}

bool WinRedrawFrozen(const TWndRecord& w) {
  for (const TWndRecord* c = &w; c && !c->IsRoot(); c = c->Parent)
    if (c->RedrawDisabled) return true;
  return false;
}

TRegion WinVisibleRegion(TWndRecord& w, bool windowArea, bool clipChildren, bool clipSiblings) {
  TWndRecord* root = WinRootOf(&w);
  if (!root || root->IsMessageOnly() || !w.Alive()) return TRegion();
  if (WinRedrawFrozen(w)) return TRegion();
  const TPoint o{root->WindowRect.Left, root->WindowRect.Top};
  TRegion rgn(MovedRect(windowArea ? w.WindowRect : w.ClientRect, -o.X, -o.Y));
  if (w.WindowRgn) rgn = And(rgn, ShapeOf(w, o));
  for (TWndRecord* c = &w; c != root; c = c->Parent) {
    if (!(c->Style & WS_VISIBLE)) return TRegion();
    TWndRecord* p = c->Parent;
    rgn = And(rgn, TRegion(MovedRect(p->ClientRect, -o.X, -o.Y)));
    if (p->WindowRgn) rgn = And(rgn, ShapeOf(*p, o));
    if ((c->Style & WS_CLIPSIBLINGS) || (c == &w && clipSiblings)) {
      for (TWndRecord* s : p->Children) {
        if (s == c) break;
        if (Shown(s)) rgn = Diff(rgn, ShapeOf(*s, o));
      }
    }
    if (rgn.Empty()) return rgn;
  }
  // A transparent child leaves its parent's pixels under it to the parent.
  if (clipChildren)
    for (TWndRecord* child : w.Children)
      if (Shown(child) && !(child->ExStyle & WS_EX_TRANSPARENT)) rgn = Diff(rgn, ShapeOf(*child, o));
  return rgn;
}

void WinReportChanged(TWndRecord& top, const TRect& rect) {
  if (IsRectEmpty(rect) || !top.Alive()) return;
  if (!(top.Style & WS_VISIBLE)) return;
  WinBackend().Present(top.Handle, rect);
}

HBRUSH WinClassBackground(const TWndRecord& w) { return w.Class ? w.Class->Background : nullptr; }

// ---- Window DCs ---------------------------------------------------------------------

namespace {

enum class TDCKind : uint8_t { Client, Window, Paint, Desktop };

struct TWinDC {
  HWND Wnd = nullptr;
  TDCKind Kind = TDCKind::Client;
  std::shared_ptr<TSurfaceImage> Image;  // window DCs
  HBITMAP DesktopBitmap = nullptr;       // the desktop DC's composition
};

std::unordered_map<HDC, TWinDC>& DCTable() {
  static auto* table = new std::unordered_map<HDC, TWinDC>;
  return *table;
}

// A DC on the window's surface whose device (0, 0) is at `origin` (screen),
// with the system clip `clip` (surface coordinates).
HDC MakeWindowDC(TWndRecord& w, TPoint origin, const TRegion& clip, TDCKind kind) {
  std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(w);
  if (!image) return nullptr;
  const TPoint s = WinSurfaceOrigin(w);
  HDC dc = GdiCreateWindowDC(image->Bitmap, TPoint{origin.X - s.X, origin.Y - s.Y});
  if (!dc) return nullptr;
  GdiSetSystemClip(dc, &clip);
  DCTable()[dc] = TWinDC{w.Handle, kind, image, nullptr};
  return dc;
}

void ReportDC(HDC dc, const TWinDC& info) {
  TWndRecord* w = WinFind(info.Wnd);
  if (!w || info.Kind == TDCKind::Desktop) return;
  TWndRecord* root = WinRootOf(w);
  TDC* d = GdiDC(dc);
  if (!root || !d || !root->Surface || root->Surface->Image != info.Image) return;
  WinReportChanged(*root, d->Visible().Box());
}

void FreeDC(HDC dc) {
  auto& table = DCTable();
  auto it = table.find(dc);
  if (it == table.end()) return;
  ReportDC(dc, it->second);
  HBITMAP desktop = it->second.DesktopBitmap;
  DeleteDC(dc);  // before the image goes, which it holds selected
  table.erase(it);
  if (desktop) DeleteObject(desktop);
}

}  // namespace

HDC GetDCEx(HWND hwnd, HRGN clip, uint32_t flags) {
  WinAssertMainThread("GetDCEx");
  HRGN owned = reinterpret_cast<uintptr_t>(clip) > 1 ? clip : nullptr;
  TRegion extra;
  const bool haveExtra = owned && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) && GdiRegion(owned);
  if (haveExtra) extra = GdiRegion(owned)->Region;
  if (owned) DeleteObject(owned);
  if (!hwnd) {
    TRect bounds;
    HBITMAP bmp = WinComposeDesktop(&bounds);
    if (!bmp) return nullptr;
    // Device coordinates of the desktop are screen coordinates.
    HDC dc = GdiCreateWindowDC(bmp, TPoint{-bounds.Left, -bounds.Top});
    if (!dc) {
      DeleteObject(bmp);
      return nullptr;
    }
    DCTable()[dc] = TWinDC{nullptr, TDCKind::Desktop, nullptr, bmp};
    return dc;
  }
  TWndRecord* w = WinFind(hwnd);
  if (!w) return nullptr;
  const bool windowArea = (flags & DCX_WINDOW) != 0;
  const bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->Style & WS_CLIPCHILDREN);
  const bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->Style & WS_CLIPSIBLINGS);
  TRegion vis;
  if ((flags & DCX_PARENTCLIP) && w->IsChild())
    vis = WinVisibleRegion(*w->Parent, false, false, true);
  else
    vis = WinVisibleRegion(*w, windowArea, clipChildren, clipSiblings);
  if (haveExtra) {
    // The caller's region is in screen coordinates.
    const TPoint s = WinSurfaceOrigin(*w);
    extra.Offset(-s.X, -s.Y);
    vis = (flags & DCX_INTERSECTRGN) ? And(vis, extra) : Diff(vis, extra);
  }
  const TPoint origin = windowArea ? TPoint{w->WindowRect.Left, w->WindowRect.Top} : w->ClientOrigin();
  return MakeWindowDC(*w, origin, vis, windowArea ? TDCKind::Window : TDCKind::Client);
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_CACHE); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_CACHE); }

int32_t ReleaseDC(HWND, HDC dc) {
  auto& table = DCTable();
  auto it = table.find(dc);
  if (it == table.end() || it->second.Kind == TDCKind::Paint) return 0;
  FreeDC(dc);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto& table = DCTable();
  auto it = table.find(dc);
  return it == table.end() ? nullptr : it->second.Wnd;
}

// ---- Update regions -------------------------------------------------------------------

namespace {

bool NeedsPaint(const TWndRecord& w) {
  if (w.UpdateRgn.Empty() && !w.InternalPaint && !w.NcPaintPending) return false;
  return w.Alive() && w.VisibleTree() && !WinRedrawFrozen(w);
}

// The heart of RedrawWindow without the immediate painting. area: client
// coordinates, nullptr for the whole client area.
void Redraw(TWndRecord& w, const TRegion* area, uint32_t flags) {
  const TRegion box(ClientBox(w));
  const TRegion part = area ? And(*area, box) : box;
  if (flags & RDW_INVALIDATE) {
    if (!part.Empty()) {
      w.UpdateRgn = Or(w.UpdateRgn, part);
      if (flags & RDW_ERASE) w.ErasePending = true;
    }
    if (flags & RDW_FRAME) w.NcPaintPending = true;
  }
  if (flags & RDW_INTERNALPAINT) w.InternalPaint = true;
  if (flags & RDW_VALIDATE) {
    w.UpdateRgn = Diff(w.UpdateRgn, part);
    if (w.UpdateRgn.Empty()) w.ErasePending = false;
    if (flags & RDW_NOFRAME) w.NcPaintPending = false;
    if (flags & RDW_NOERASE) w.ErasePending = false;
    if (flags & RDW_NOINTERNALPAINT) w.InternalPaint = false;
  }
  if (flags & RDW_NOCHILDREN) return;
  if (!(flags & RDW_ALLCHILDREN) && (w.Style & WS_CLIPCHILDREN)) return;
  // The part over each child, in the parent's client coordinates: a child
  // whose frame lies in it gets its frame repainted as well.
  const TPoint o = w.ClientOrigin();
  for (TWndRecord* c : std::vector<TWndRecord*>(w.Children)) {
    if (!Shown(c)) continue;
    TRegion over = And(part, ShapeOf(*c, o));
    if (over.Empty()) continue;
    uint32_t childFlags = flags & ~RDW_FRAME;
    if ((flags & RDW_INVALIDATE) && !Diff(over, TRegion(MovedRect(c->ClientRect, -o.X, -o.Y))).Empty())
      childFlags |= RDW_FRAME;
    over.Offset(o.X - c->ClientRect.Left, o.Y - c->ClientRect.Top);
    Redraw(*c, area ? &over : nullptr, childFlags);
  }
}

// Sends WM_ERASEBKGND now with a DC clipped to the update region.
void EraseNow(TWndRecord& w) {
  // A window that cannot paint now keeps its erase for later.
  if (!w.ErasePending || w.UpdateRgn.Empty() || !NeedsPaint(w)) return;
  w.ErasePending = false;
  const TPoint s = WinSurfaceOrigin(w);
  TRegion clip = WinVisibleRegion(w, false, (w.Style & WS_CLIPCHILDREN) != 0, (w.Style & WS_CLIPSIBLINGS) != 0);
  clip = And(clip, Moved(w.UpdateRgn, w.ClientRect.Left - s.X, w.ClientRect.Top - s.Y));
  HDC dc = MakeWindowDC(w, w.ClientOrigin(), clip, TDCKind::Client);
  if (!dc) return;
  const HWND h = w.Handle;
  const LRESULT erased = SendMessage(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  FreeDC(dc);
  if (!erased)
    if (TWndRecord* again = WinFind(h)) again->ErasePending = true;
}

void UpdateNow(HWND hwnd, uint32_t flags) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return;
  if (NeedsPaint(*w)) {
    if (flags & RDW_UPDATENOW) {
      SendMessage(hwnd, WM_PAINT, 0, 0);
    } else {
      WinPaintFrameIfPending(*w);
      if ((w = WinFind(hwnd)) != nullptr) EraseNow(*w);
    }
  }
  if (flags & RDW_NOCHILDREN) return;
  w = WinFind(hwnd);
  if (!w) return;
  std::vector<HWND> children;
  for (TWndRecord* c : w->Children) children.push_back(c->Handle);
  for (HWND c : children) UpdateNow(c, flags & ~RDW_NOCHILDREN);
}

TRegion RegionArg(HRGN rgn) {
  TGdiRegion* r = GdiRegion(rgn);
  return r ? r->Region : TRegion();
}

}  // namespace

void WinPaintFrameIfPending(TWndRecord& w) {
  if (!w.NcPaintPending) return;
  w.NcPaintPending = false;
  if (!w.Alive() || !w.VisibleTree() || WinRedrawFrozen(w)) return;
  SendMessage(w.Handle, WM_NCPAINT, 1, 0);
}

void WinRepaintFrameNow(HWND hwnd) {
  if (TWndRecord* w = WinFind(hwnd)) {
    w->NcPaintPending = true;
    WinPaintFrameIfPending(*w);
  }
}

bool RedrawWindow(HWND hwnd, const TRect* rect, HRGN region, uint32_t flags) {
  WinAssertMainThread("RedrawWindow");
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  if (rect) {
    const TRegion area(*rect);
    Redraw(*w, &area, flags);
  } else if (region) {
    const TRegion area = RegionArg(region);
    Redraw(*w, &area, flags);
  } else {
    Redraw(*w, nullptr, flags);
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateNow(hwnd, flags);
  return true;
}

bool InvalidateRect(HWND hwnd, const TRect* rect, bool erase) {
  if (!hwnd) return false;
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

bool InvalidateRgn(HWND hwnd, HRGN rgn, bool erase) {
  if (!hwnd) return false;
  if (rgn && !GdiRegion(rgn)) return false;
  return RedrawWindow(hwnd, nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

bool ValidateRect(HWND hwnd, const TRect* rect) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  // Validating everything paints a frame still due first, so a WM_PAINT
  // handler that never calls BeginPaint does not see WM_PAINT forever.
  if (!rect) WinPaintFrameIfPending(*w);
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN | (rect ? 0 : RDW_NOINTERNALPAINT));
}

bool ValidateRgn(HWND hwnd, HRGN rgn) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  if (!rgn) return ValidateRect(hwnd, nullptr);
  return RedrawWindow(hwnd, nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

bool GetUpdateRect(HWND hwnd, TRect* rect, bool erase) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  if (erase) EraseNow(*w);
  if ((w = WinFind(hwnd)) == nullptr) return false;
  if (rect) *rect = w->UpdateRgn.Box();
  return !w->UpdateRgn.Empty();
}

int32_t GetUpdateRgn(HWND hwnd, HRGN rgn, bool erase) {
  TWndRecord* w = WinFind(hwnd);
  TGdiRegion* r = GdiRegion(rgn);
  if (!w || !r) return ERROR;
  if (erase) EraseNow(*w);
  if ((w = WinFind(hwnd)) == nullptr) return ERROR;
  r->Region = w->UpdateRgn;
  return r->Region.Kind();
}

bool UpdateWindow(HWND hwnd) {
  if (!WinFind(hwnd)) return false;
  UpdateNow(hwnd, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return true;
}

bool IsRedrawFrozen(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  return w && w->RedrawDisabled;
}

// ---- BeginPaint / EndPaint ------------------------------------------------------------

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WinAssertMainThread("BeginPaint");
  TWndRecord* w = WinFind(hwnd);
  if (!w || !ps) return nullptr;
  *ps = PAINTSTRUCT{};
  WinCaretHideForPaint(hwnd);
  WinPaintFrameIfPending(*w);
  if ((w = WinFind(hwnd)) == nullptr) return nullptr;
  const TRegion update = And(w->UpdateRgn, TRegion(ClientBox(*w)));
  const bool erase = w->ErasePending;
  w->UpdateRgn = TRegion();
  w->InternalPaint = false;
  w->ErasePending = false;
  const TPoint s = WinSurfaceOrigin(*w);
  TRegion clip = WinVisibleRegion(*w, false, (w->Style & WS_CLIPCHILDREN) != 0, (w->Style & WS_CLIPSIBLINGS) != 0);
  clip = And(clip, Moved(update, w->ClientRect.Left - s.X, w->ClientRect.Top - s.Y));
  HDC dc = MakeWindowDC(*w, w->ClientOrigin(), clip, TDCKind::Paint);
  if (!dc) {
    WinCaretShowAfterPaint(hwnd);
    return nullptr;
  }
  ps->hdc = dc;
  ps->rcPaint = update.Box();
  if (erase) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return false;
  auto& table = DCTable();
  auto it = table.find(ps->hdc);
  if (it != table.end() && it->second.Kind == TDCKind::Paint) FreeDC(ps->hdc);
  WinCaretShowAfterPaint(hwnd);
  return true;
}

// ---- Scrolling ---------------------------------------------------------------------------

namespace {

// Moves the pixels of the raster that land in dst (raster coordinates) from
// dst - (dx, dy). Every source pixel is read before any is written.
void MovePixels(const TGdiRaster& r, const TRegion& dstIn, int32_t dx, int32_t dy) {
  if (!r.Valid() || r.BitCount != 32) return;
  const TRegion dst = And(dstIn, TRegion(TRect{0, 0, r.Width, r.Height}));
  if (dst.Empty()) return;
  const TRect box = dst.Box();
  const TRect src = MovedRect(box, -dx, -dy);
  const int32_t w = box.Width(), h = box.Height();
  std::vector<uint32_t> copy(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const int32_t sy = src.Top + y;
    if (sy < 0 || sy >= r.Height) continue;
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = src.Left + x;
      if (sx < 0 || sx >= r.Width) continue;
      std::memcpy(&copy[size_t(y) * size_t(w) + size_t(x)], r.Row(sy) + size_t(sx) * 4, 4);
    }
  }
  for (const TRect& rc : dst.Rects())
    for (int32_t y = rc.Top; y < rc.Bottom; ++y)
      std::memcpy(r.Row(y) + size_t(rc.Left) * 4, &copy[size_t(y - box.Top) * size_t(w) + size_t(rc.Left - box.Left)],
                  size_t(rc.Width()) * 4);
}

TRegion ToClient(const TRegion& surface, TWndRecord& w) {
  const TPoint s = WinSurfaceOrigin(w);
  return Moved(surface, s.X - w.ClientRect.Left, s.Y - w.ClientRect.Top);
}

}  // namespace

int32_t ScrollWindowEx(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip, HRGN update,
                       TRect* updateRect, uint32_t flags) {
  WinAssertMainThread("ScrollWindowEx");
  TWndRecord* w = WinFind(hwnd);
  if (!w) return ERROR;
  const TRegion box(ClientBox(*w));
  const TRegion scrollArea = scroll ? And(TRegion(*scroll), box) : box;
  const TRegion clipArea = clip ? And(TRegion(*clip), box) : box;
  const TRegion limits = And(scrollArea, clipArea);
  WinCaretHideForPaint(hwnd);
  const TRegion visible =
      ToClient(WinVisibleRegion(*w, false, (w->Style & WS_CLIPCHILDREN) != 0, (w->Style & WS_CLIPSIBLINGS) != 0), *w);
  const TRegion area = And(limits, visible);
  const TRegion source = And(scrollArea, visible);
  const TRegion dest = And(Moved(source, dx, dy), area);
  if (std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(*w)) {
    const TPoint s = WinSurfaceOrigin(*w);
    const TRegion destSurface = Moved(dest, w->ClientRect.Left - s.X, w->ClientRect.Top - s.Y);
    MovePixels(GdiBitmapRaster(image->Bitmap), destSurface, dx, dy);
    if (TWndRecord* root = WinRootOf(w)) WinReportChanged(*root, destSurface.Box());
  }
  // A pending update inside the scrolled area moves with the pixels.
  const TRegion pending = And(w->UpdateRgn, limits);
  if (!pending.Empty()) w->UpdateRgn = Or(Diff(w->UpdateRgn, limits), And(Moved(pending, dx, dy), limits));
  const TRegion uncovered = Diff(limits, dest);
  if (flags & SW_INVALIDATE)
    Redraw(*w, &uncovered,
           RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) | ((flags & SW_SCROLLCHILDREN) ? RDW_ALLCHILDREN : 0));
  if (flags & SW_SCROLLCHILDREN) {
    std::vector<HWND> children;
    for (TWndRecord* c : w->Children) {
      const TRect r = MovedRect(c->WindowRect, -w->ClientRect.Left, -w->ClientRect.Top);
      if (!scroll || scrollArea.IntersectsRect(r)) children.push_back(c->Handle);
    }
    for (HWND c : children) {
      TWndRecord* cw = WinFind(c);
      if (!cw) continue;
      const TRect r = cw->RectInParent();
      SetWindowPos(c, nullptr, r.Left + dx, r.Top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  WinCaretShowAfterPaint(hwnd);
  if (TGdiRegion* u = GdiRegion(update)) u->Region = uncovered;
  if (updateRect) *updateRect = uncovered.Box();
  return uncovered.Kind();
}

bool ScrollWindow(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip) {
  // Without a scroll rectangle the children move as well.
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr,
                        SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}

bool ScrollDC(HDC dc, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip, HRGN update, TRect* updateRect) {
  TDC* d = GdiDC(dc);
  if (!d) return false;
  const TRegion visible = d->Visible();
  auto toRaster = [&](const TRect& r) {
    const TPoint a = d->ToRaster(r.Left, r.Top), b = d->ToRaster(r.Right, r.Bottom);
    return TRegion(TRect{a.X, a.Y, b.X, b.Y});
  };
  const TRegion scrollArea = scroll ? And(toRaster(*scroll), visible) : visible;
  const TRegion limits = clip ? And(toRaster(*clip), visible) : visible;
  const TRegion dest = And(Moved(scrollArea, dx, dy), limits);
  MovePixels(d->Target(), dest, dx, dy);
  TRegion uncovered = Diff(And(scrollArea, limits), dest);
  auto it = DCTable().find(dc);
  if (it != DCTable().end()) ReportDC(dc, it->second);
  // Answered in logical coordinates.
  const TPoint shift = d->RasterToLogical(0, 0);
  uncovered.Offset(shift.X, shift.Y);
  if (TGdiRegion* u = GdiRegion(update)) u->Region = uncovered;
  if (updateRect) *updateRect = uncovered.Box();
  return true;
}

// ---- Window regions and layered windows -----------------------------------------------------

namespace {

// Repaints what a change of the window's shape or place uncovers: the window
// itself and, for a child, the old area in its parent.
void RedrawShapeChange(TWndRecord& w, const TRegion& oldShapeInParent) {
  if (!Shown(&w)) return;
  Redraw(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  if (w.IsChild() && !oldShapeInParent.Empty())
    Redraw(*w.Parent, &oldShapeInParent, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

int32_t SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw) {
  WinAssertMainThread("SetWindowRgn");
  TWndRecord* w = WinFind(hwnd);
  if (!w) return 0;
  if (rgn && !GdiRegion(rgn)) return 0;
  const TRegion old = w->IsChild() ? ShapeOf(*w, w->Parent->ClientOrigin()) : TRegion();
  if (rgn) {
    w->WindowRgn = std::make_unique<TRegion>(GdiRegion(rgn)->Region);
    DeleteObject(rgn);
  } else {
    w->WindowRgn.reset();
  }
  if (redraw) RedrawShapeChange(*w, old);
  if (TWndRecord* root = WinRootOf(w))
    WinReportChanged(*root, MovedRect(root->WindowRect, -root->WindowRect.Left, -root->WindowRect.Top));
  return 1;
}

int32_t GetWindowRgn(HWND hwnd, HRGN rgn) {
  TWndRecord* w = WinFind(hwnd);
  TGdiRegion* r = GdiRegion(rgn);
  if (!w || !r || !w->WindowRgn) return ERROR;
  r->Region = *w->WindowRgn;
  return r->Region.Kind();
}

int32_t GetWindowRgnBox(HWND hwnd, TRect* rect) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !rect || !w->WindowRgn) return ERROR;
  *rect = w->WindowRgn->Box();
  return w->WindowRgn->Kind();
}

bool SetLayeredWindowAttributes(HWND hwnd, COLORREF key, uint8_t alpha, uint32_t flags) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !(w->ExStyle & WS_EX_LAYERED)) return false;
  w->LayeredFlags = flags & (LWA_COLORKEY | LWA_ALPHA);
  w->LayeredKey = key & 0x00FFFFFF;
  w->LayeredAlpha = alpha;
  if (TWndRecord* root = WinRootOf(w))
    WinReportChanged(*root, TRect{0, 0, root->WindowRect.Width(), root->WindowRect.Height()});
  return true;
}

bool GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, uint8_t* alpha, uint32_t* flags) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !(w->ExStyle & WS_EX_LAYERED)) return false;
  if (key) *key = w->LayeredKey;
  if (alpha) *alpha = w->LayeredAlpha;
  if (flags) *flags = w->LayeredFlags;
  return true;
}

// ---- Hooks --------------------------------------------------------------------------------

namespace {

void PosChanged(TWndRecord& w, const TWinPosChange& ch) {
  if (ch.Flags & SWP_NOREDRAW) return;
  const TRect oldInParent =
      w.IsChild() ? MovedRect(ch.OldWindow, -w.Parent->ClientRect.Left, -w.Parent->ClientRect.Top) : TRect{};
  if (!ch.Visible) {
    if (ch.WasVisible && w.IsChild() && Shown(w.Parent)) {
      const TRegion old(oldInParent);
      Redraw(*w.Parent, &old, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    return;
  }
  if (!ch.WasVisible) {
    Redraw(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return;
  }
  const bool frameChanged = (ch.Flags & SWP_FRAMECHANGED) != 0;
  const TPoint oldClientInWindow{ch.OldClient.Left - ch.OldWindow.Left, ch.OldClient.Top - ch.OldWindow.Top};
  const TPoint newClientInWindow{w.ClientRect.Left - w.WindowRect.Left, w.ClientRect.Top - w.WindowRect.Top};
  const bool clientShifted = !(oldClientInWindow == newClientInWindow);
  const bool childMoved = w.IsChild() && (ch.Moved || ch.Resized || ch.ZOrderChanged);
  if (childMoved) {
    // The child's pixels do not travel with it: repaint it all and the part
    // of the parent it left.
    const TRegion left = Diff(TRegion(oldInParent), ShapeOf(w, w.Parent->ClientOrigin()));
    if (!left.Empty()) Redraw(*w.Parent, &left, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Redraw(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return;
  }
  if (!ch.Resized && !frameChanged) return;
  w.NcPaintPending = true;
  const uint32_t classStyle = w.Class ? w.Class->Style : 0;
  const bool widthChanged = ch.OldClient.Width() != w.ClientRect.Width();
  const bool heightChanged = ch.OldClient.Height() != w.ClientRect.Height();
  if (clientShifted || frameChanged || ((classStyle & CS_HREDRAW) && widthChanged) ||
      ((classStyle & CS_VREDRAW) && heightChanged)) {
    Redraw(w, nullptr, RDW_INVALIDATE | RDW_ERASE | (clientShifted ? RDW_ALLCHILDREN : 0));
    return;
  }
  // Only the newly uncovered strips of the client area.
  const TRegion fresh = Diff(TRegion(ClientBox(w)), TRegion(TRect{0, 0, ch.OldClient.Width(), ch.OldClient.Height()}));
  if (!fresh.Empty()) Redraw(w, &fresh, RDW_INVALIDATE | RDW_ERASE);
}

void WindowGone(TWndRecord& w) {
  WinCaretWindowGone(w.Handle);
  WinOleWindowGone(w.Handle);
  // DCs still out keep their image; they only lose their window.
  for (auto& [dc, info] : DCTable())
    if (info.Wnd == w.Handle) info.Wnd = nullptr;
}

void ParentChanged(TWndRecord& w, TWndRecord* oldParent) {
  if (!w.IsTopLevel()) w.Surface.reset();
  if (oldParent && !oldParent->IsRoot() && Shown(oldParent))
    Redraw(*oldParent, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (Shown(&w)) Redraw(w, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void ResetAll() {
  std::vector<HDC> dcs;
  for (auto& [dc, info] : DCTable()) dcs.push_back(dc);
  for (HDC dc : dcs) FreeDC(dc);
  WinCaretReset();
  WinOleReset();
  WinClipboardReset();
}

bool DefaultProc(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w.Handle, &ps);
      EndPaint(w.Handle, &ps);
      result = 0;
      return true;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = WinClassBackground(w);
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!brush || !GdiDC(dc)) {
        result = 0;
        return true;
      }
      TRect box;
      GetClipBox(dc, &box);
      FillRect(dc, box, brush);
      result = 1;
      return true;
    }
    case WM_SETREDRAW:
      w.RedrawDisabled = wParam == 0;
      result = 0;
      return true;
    default: return WinNcDefault(w, msg, wParam, lParam, result);
  }
}

}  // namespace

void WinInstallPaintHooks() {
  TWinHooks& h = WinHooks();
  h.DefWindowProc = DefaultProc;
  h.WindowPosChanged = PosChanged;
  h.WindowDestroyed = WindowGone;
  h.ParentChanged = ParentChanged;
  h.NeedsPaint = NeedsPaint;
  h.DropFiles = WinOleDropFiles;
  h.Reset = ResetAll;
}
