// Window scroll bars: state, the show/hide rule, geometry, drawing and
// tracking.
#include "platform/gui/win_scrollbars.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_paint_internal.h"

namespace {

constexpr int32_t kMinThumb = 8;
constexpr uint32_t kRepeatDelay = 500;  // first repeat of a held arrow or page area
constexpr uint32_t kRepeatRate = 50;    // the repeats after it

TScrollBarState* BarOf(TWndRecord& w, int32_t bar) {
  if (bar == SB_VERT) return &w.VScroll;
  if (bar == SB_HORZ) return &w.HScroll;
  return nullptr;
}

uint32_t StyleBit(int32_t bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

// The largest position: max - max(page - 1, 0), never below min.
int64_t MaxPos(const TScrollBarState& s) {
  const int64_t m = int64_t(s.Max) - std::max<int64_t>(int64_t(s.Page) - 1, 0);
  return std::max<int64_t>(m, s.Min);
}

bool Scrollable(const TScrollBarState& s) {
  const int64_t range = int64_t(s.Max) - s.Min + 1;
  return s.Page ? range > int64_t(s.Page) : s.Max > s.Min;
}

void Normalize(TScrollBarState& s) {
  if (s.Max < s.Min) s.Max = s.Min;
  const int64_t range = int64_t(s.Max) - s.Min + 1;
  if (int64_t(s.Page) > range) s.Page = static_cast<uint32_t>(std::min<int64_t>(range, UINT32_MAX));
  s.Pos = static_cast<int32_t>(std::clamp<int64_t>(s.Pos, s.Min, MaxPos(s)));
}

// Shows or hides a bar by its style bit; the frame is recomputed, which
// changes the client area (WM_NCCALCSIZE, WM_SIZE).
void SetBarShown(HWND hwnd, int32_t bar, bool show) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return;
  const uint32_t bit = StyleBit(bar);
  if (((w->Style & bit) != 0) == show) return;
  if (show)
    w->Style |= bit;
  else
    w->Style &= ~bit;
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RedrawBars(HWND hwnd) {
  if (TWndRecord* w = WinFind(hwnd))
    if (w->Style & (WS_HSCROLL | WS_VSCROLL)) w->NcPaintPending = true;
}

}  // namespace

int32_t SetScrollInfo(HWND hwnd, int32_t bar, const SCROLLINFO* si, bool redraw) {
  WinAssertMainThread("SetScrollInfo");
  if (bar == SB_CTL)
    return si ? int32_t(SendMessage(hwnd, SBM_SETSCROLLINFO, redraw ? 1 : 0, reinterpret_cast<LPARAM>(si))) : 0;
  TWndRecord* w = WinFind(hwnd);
  TScrollBarState* s = w ? BarOf(*w, bar) : nullptr;
  if (!s || !si) return 0;
  if (si->fMask & SIF_RANGE) {
    s->Min = si->nMin;
    s->Max = si->nMax;
  }
  if (si->fMask & SIF_PAGE) s->Page = si->nPage;
  if (si->fMask & SIF_POS) s->Pos = si->nPos;
  Normalize(*s);
  const int32_t pos = s->Pos;
  if (si->fMask & (SIF_RANGE | SIF_PAGE)) {
    TWndPaintState& ps = WinPaintStateOf(*w);
    bool& noScroll = ps.NoScrollDisabled[bar];
    if (Scrollable(*s)) {
      if (noScroll) {
        s->DisabledArrows = ESB_ENABLE_BOTH;
        noScroll = false;
      }
      SetBarShown(hwnd, bar, true);
    } else if (si->fMask & SIF_DISABLENOSCROLL) {
      s->DisabledArrows = ESB_DISABLE_BOTH;
      noScroll = true;
      SetBarShown(hwnd, bar, true);
    } else {
      SetBarShown(hwnd, bar, false);
    }
  }
  if (redraw) RedrawBars(hwnd);
  return pos;
}

bool GetScrollInfo(HWND hwnd, int32_t bar, SCROLLINFO* si) {
  if (bar == SB_CTL) return si && SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(si)) != 0;
  TWndRecord* w = WinFind(hwnd);
  TScrollBarState* s = w ? BarOf(*w, bar) : nullptr;
  if (!s || !si) return false;
  if (si->fMask & SIF_RANGE) {
    si->nMin = s->Min;
    si->nMax = s->Max;
  }
  if (si->fMask & SIF_PAGE) si->nPage = s->Page;
  if (si->fMask & SIF_POS) si->nPos = s->Pos;
  if (si->fMask & SIF_TRACKPOS) si->nTrackPos = s->Tracking ? s->TrackPos : s->Pos;
  return true;
}

int32_t SetScrollPos(HWND hwnd, int32_t bar, int32_t pos, bool redraw) {
  if (bar == SB_CTL) return int32_t(SendMessage(hwnd, SBM_SETPOS, WPARAM(pos), redraw ? 1 : 0));
  TWndRecord* w = WinFind(hwnd);
  TScrollBarState* s = w ? BarOf(*w, bar) : nullptr;
  if (!s) return 0;
  const int32_t old = s->Pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int32_t GetScrollPos(HWND hwnd, int32_t bar) {
  if (bar == SB_CTL) return int32_t(SendMessage(hwnd, SBM_GETPOS, 0, 0));
  TWndRecord* w = WinFind(hwnd);
  TScrollBarState* s = w ? BarOf(*w, bar) : nullptr;
  return s ? s->Pos : 0;
}

bool SetScrollRange(HWND hwnd, int32_t bar, int32_t min, int32_t max, bool redraw) {
  if (bar == SB_CTL) {
    if (!IsWindow(hwnd)) return false;
    SendMessage(hwnd, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, WPARAM(min), LPARAM(max));
    return true;
  }
  TWndRecord* w = WinFind(hwnd);
  if (!w || !BarOf(*w, bar)) return false;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = min;
  si.nMax = max;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return true;
}

bool GetScrollRange(HWND hwnd, int32_t bar, int32_t* min, int32_t* max) {
  if (bar == SB_CTL) {
    if (!IsWindow(hwnd)) return false;
    SendMessage(hwnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(min), reinterpret_cast<LPARAM>(max));
    return true;
  }
  TWndRecord* w = WinFind(hwnd);
  TScrollBarState* s = w ? BarOf(*w, bar) : nullptr;
  if (!s) return false;
  if (min) *min = s->Min;
  if (max) *max = s->Max;
  return true;
}

bool ShowScrollBar(HWND hwnd, int32_t bar, bool show) {
  WinAssertMainThread("ShowScrollBar");
  if (!WinFind(hwnd)) return false;
  switch (bar) {
    case SB_HORZ:
    case SB_VERT: SetBarShown(hwnd, bar, show); return true;
    case SB_BOTH:
      SetBarShown(hwnd, SB_HORZ, show);
      SetBarShown(hwnd, SB_VERT, show);
      return true;
    case SB_CTL: ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE); return true;
    default: return false;
  }
}

bool EnableScrollBar(HWND hwnd, uint32_t bar, uint32_t arrows) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || (bar != uint32_t(SB_HORZ) && bar != uint32_t(SB_VERT) && bar != uint32_t(SB_BOTH))) return false;
  bool changed = false;
  for (int32_t b : {SB_HORZ, SB_VERT}) {
    if (bar != uint32_t(SB_BOTH) && bar != uint32_t(b)) continue;
    TScrollBarState* s = BarOf(*w, b);
    WinPaintStateOf(*w).NoScrollDisabled[b] = false;
    if (s->DisabledArrows != (arrows & ESB_DISABLE_BOTH)) {
      s->DisabledArrows = arrows & ESB_DISABLE_BOTH;
      changed = true;
    }
  }
  if (changed) RedrawBars(hwnd);
  return changed;
}

bool InitializeFlatSB(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  w->FlatScrollBars = true;
  return true;
}

bool UninitializeFlatSB(HWND hwnd) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return false;
  w->FlatScrollBars = false;
  return true;
}

// ---- Geometry and drawing ---------------------------------------------------------------

TScrollGeometry WinScrollGeometry(TWndRecord& w, bool vertical, const TRect& bar) {
  TScrollGeometry g;
  g.Bar = bar;
  g.Vertical = vertical;
  const TScrollBarState& s = vertical ? w.VScroll : w.HScroll;
  const int32_t len = vertical ? bar.Height() : bar.Width();
  const int32_t thick = vertical ? bar.Width() : bar.Height();
  g.Arrow = std::max(0, std::min(thick, len / 2));
  g.Enabled = Scrollable(s) && s.DisabledArrows != ESB_DISABLE_BOTH;
  const int32_t track = len - 2 * g.Arrow;
  if (!g.Enabled || track <= 0) return g;
  const int64_t range = int64_t(s.Max) - s.Min + 1;
  int64_t thumb = s.Page ? std::max<int64_t>(int64_t(track) * s.Page / range, kMinThumb) : g.Arrow;
  if (thumb > track) return g;
  const int64_t span = MaxPos(s) - s.Min;
  const int64_t pos = (s.Tracking ? s.TrackPos : s.Pos) - int64_t(s.Min);
  const int64_t offset = span > 0 ? (int64_t(track) - thumb) * std::clamp<int64_t>(pos, 0, span) / span : 0;
  g.ThumbStart = g.Arrow + static_cast<int32_t>(offset);
  g.ThumbEnd = g.ThumbStart + static_cast<int32_t>(thumb);
  return g;
}

namespace {

// The rectangle of a part in window coordinates.
TRect PartRect(const TScrollGeometry& g, int32_t part) {
  const int32_t len = g.Vertical ? g.Bar.Height() : g.Bar.Width();
  int32_t a = 0, b = 0;
  switch (part) {
    case spArrowUp: a = 0, b = g.Arrow; break;
    case spArrowDown: a = len - g.Arrow, b = len; break;
    case spThumb: a = g.ThumbStart, b = g.ThumbEnd; break;
    case spPageUp: a = g.Arrow, b = g.ThumbEnd > g.ThumbStart ? g.ThumbStart : g.Arrow; break;
    case spPageDown: a = g.ThumbEnd > g.ThumbStart ? g.ThumbEnd : len - g.Arrow, b = len - g.Arrow; break;
    default: return TRect{};
  }
  if (g.Vertical) return TRect{g.Bar.Left, g.Bar.Top + a, g.Bar.Right, g.Bar.Top + b};
  return TRect{g.Bar.Left + a, g.Bar.Top, g.Bar.Left + b, g.Bar.Bottom};
}

int32_t PartAt(const TScrollGeometry& g, TPoint windowPt) {
  if (!PtInRect(g.Bar, windowPt)) return spNone;
  const int32_t p = g.Vertical ? windowPt.Y - g.Bar.Top : windowPt.X - g.Bar.Left;
  const int32_t len = g.Vertical ? g.Bar.Height() : g.Bar.Width();
  if (p < g.Arrow) return spArrowUp;
  if (p >= len - g.Arrow) return spArrowDown;
  if (g.ThumbEnd <= g.ThumbStart) return spNone;
  if (p < g.ThumbStart) return spPageUp;
  if (p < g.ThumbEnd) return spThumb;
  return spPageDown;
}

bool ArrowEnabled(const TScrollBarState& s, const TScrollGeometry& g, int32_t part) {
  if (!g.Enabled) return false;
  if (part == spArrowUp) return !(s.DisabledArrows & ESB_DISABLE_LTUP);
  if (part == spArrowDown) return !(s.DisabledArrows & ESB_DISABLE_RTDN);
  return true;
}

void DrawArrow(HDC dc, const TRect& rect, bool vertical, bool first, bool pressed, bool enabled) {
  TRect r = rect;
  DrawEdge(dc, r, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT | BF_MIDDLE | (pressed ? BF_FLAT : 0));
  const int32_t cx = (rect.Left + rect.Right) / 2 + (pressed ? 1 : 0);
  const int32_t cy = (rect.Top + rect.Bottom) / 2 + (pressed ? 1 : 0);
  TPoint pts[3];
  if (vertical) {
    const int32_t tip = first ? cy - 2 : cy + 2, base = first ? cy + 1 : cy - 1;
    pts[0] = TPoint{cx, tip};
    pts[1] = TPoint{cx - 3, base};
    pts[2] = TPoint{cx + 3, base};
  } else {
    const int32_t tip = first ? cx - 2 : cx + 2, base = first ? cx + 1 : cx - 1;
    pts[0] = TPoint{tip, cy};
    pts[1] = TPoint{base, cy - 3};
    pts[2] = TPoint{base, cy + 3};
  }
  auto glyph = [&](COLORREF color, int32_t shift) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    TPoint moved[3];
    for (int i = 0; i < 3; ++i) moved[i] = TPoint{pts[i].X + shift, pts[i].Y + shift};
    Polygon(dc, moved, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  };
  if (enabled) {
    glyph(GetSysColor(COLOR_BTNTEXT), 0);
  } else {
    glyph(GetSysColor(COLOR_BTNHIGHLIGHT), 1);
    glyph(GetSysColor(COLOR_GRAYTEXT), 0);
  }
}

}  // namespace

void WinDrawScrollBar(HDC dc, TWndRecord& w, bool vertical, const TRect& bar) {
  const TScrollGeometry g = WinScrollGeometry(w, vertical, bar);
  const TScrollBarState& s = vertical ? w.VScroll : w.HScroll;
  const TWndPaintState& ps = WinPaintStateOf(w);
  const int32_t pressed = ps.ScrollPressedVertical == vertical ? ps.ScrollPressedPart : spNone;
  const HBRUSH track = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_SCROLLBAR + 1));
  const HBRUSH held = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_3DDKSHADOW + 1));
  for (int32_t part : {spPageUp, spPageDown}) {
    const TRect r = PartRect(g, part);
    if (!IsRectEmpty(r)) FillRect(dc, r, pressed == part ? held : track);
  }
  if (g.ThumbEnd <= g.ThumbStart) {
    // No thumb: the whole track is plain.
    const TRect all = g.Vertical ? TRect{bar.Left, bar.Top + g.Arrow, bar.Right, bar.Bottom - g.Arrow}
                                 : TRect{bar.Left + g.Arrow, bar.Top, bar.Right - g.Arrow, bar.Bottom};
    if (!IsRectEmpty(all)) FillRect(dc, all, track);
  } else {
    TRect r = PartRect(g, spThumb);
    DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  DrawArrow(dc, PartRect(g, spArrowUp), vertical, true, pressed == spArrowUp, ArrowEnabled(s, g, spArrowUp));
  DrawArrow(dc, PartRect(g, spArrowDown), vertical, false, pressed == spArrowDown, ArrowEnabled(s, g, spArrowDown));
}

bool GetScrollBarInfo(HWND hwnd, int32_t object, SCROLLBARINFO* info) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !info || (object != OBJID_VSCROLL && object != OBJID_HSCROLL)) return false;
  const bool vertical = object == OBJID_VSCROLL;
  const TNcLayout L = WinNcLayout(w->Style, w->ExStyle, w->WindowRect.Width(), w->WindowRect.Height());
  const TRect bar = vertical ? L.VScroll : L.HScroll;
  *info = SCROLLBARINFO{};
  const TScrollBarState& s = vertical ? w->VScroll : w->HScroll;
  if (IsRectEmpty(bar)) {
    info->rgstate[0] = STATE_SYSTEM_INVISIBLE;
    return true;
  }
  const TScrollGeometry g = WinScrollGeometry(*w, vertical, bar);
  info->rcScrollBar = TRect{bar.Left + w->WindowRect.Left, bar.Top + w->WindowRect.Top, bar.Right + w->WindowRect.Left,
                            bar.Bottom + w->WindowRect.Top};
  info->dxyLineButton = g.Arrow;
  info->xyThumbTop = g.ThumbStart;
  info->xyThumbBottom = g.ThumbEnd;
  if (!g.Enabled) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (!ArrowEnabled(s, g, spArrowUp)) info->rgstate[spArrowUp] |= STATE_SYSTEM_UNAVAILABLE;
  if (!ArrowEnabled(s, g, spArrowDown)) info->rgstate[spArrowDown] |= STATE_SYSTEM_UNAVAILABLE;
  if (g.ThumbEnd <= g.ThumbStart)
    for (int32_t p : {spPageUp, spThumb, spPageDown}) info->rgstate[p] |= STATE_SYSTEM_INVISIBLE;
  const TWndPaintState& ps = WinPaintStateOf(*w);
  if (ps.ScrollPressedPart != spNone && ps.ScrollPressedVertical == vertical)
    info->rgstate[ps.ScrollPressedPart] |= STATE_SYSTEM_PRESSED;
  return true;
}

// ---- Tracking ------------------------------------------------------------------------------

namespace {

struct TTrackState {
  HWND Wnd = nullptr;
  bool Vertical = true;
  int32_t Part = spNone;
  uint32_t Code = 0;
  uintptr_t Timer = 0;
  bool Repeating = false;
};

TScrollGeometry GeometryNow(TWndRecord& w, bool vertical) {
  const TNcLayout L = WinNcLayout(w.Style, w.ExStyle, w.WindowRect.Width(), w.WindowRect.Height());
  return WinScrollGeometry(w, vertical, vertical ? L.VScroll : L.HScroll);
}

int32_t PartUnder(HWND hwnd, bool vertical, TPoint screen) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return spNone;
  const TScrollGeometry g = GeometryNow(*w, vertical);
  return PartAt(g, TPoint{screen.X - w->WindowRect.Left, screen.Y - w->WindowRect.Top});
}

void SetPressed(HWND hwnd, bool vertical, int32_t part) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return;
  TWndPaintState& ps = WinPaintStateOf(*w);
  if (ps.ScrollPressedPart == part && ps.ScrollPressedVertical == vertical) return;
  ps.ScrollPressedPart = part;
  ps.ScrollPressedVertical = vertical;
  WinRepaintFrameNow(hwnd);
}

void SendScroll(HWND hwnd, bool vertical, uint32_t code, int32_t pos) {
  SendMessage(hwnd, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(int32_t(code), pos), 0);
}

void TrackThumb(HWND hwnd, bool vertical, TPoint start) {
  TWndRecord* w = WinFind(hwnd);
  if (!w) return;
  TScrollBarState& s0 = vertical ? w->VScroll : w->HScroll;
  const TScrollGeometry g = GeometryNow(*w, vertical);
  const int32_t len = vertical ? g.Bar.Height() : g.Bar.Width();
  const int32_t thumb = g.ThumbEnd - g.ThumbStart;
  const int32_t room = len - 2 * g.Arrow - thumb;
  const int32_t along0 = vertical ? start.Y - w->WindowRect.Top - g.Bar.Top : start.X - w->WindowRect.Left - g.Bar.Left;
  const int32_t grab = along0 - g.ThumbStart;
  s0.Tracking = true;
  s0.TrackPos = s0.Pos;
  SetPressed(hwnd, vertical, spThumb);
  WinCaptureLoop(hwnd, "scroll-bar tracking", [&](const TMSG& m) {
    if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
      TWndRecord* cur = WinFind(hwnd);
      if (!cur) return true;
      TScrollBarState& s = vertical ? cur->VScroll : cur->HScroll;
      const int32_t along =
          vertical ? m.pt.Y - cur->WindowRect.Top - g.Bar.Top : m.pt.X - cur->WindowRect.Left - g.Bar.Left;
      const int32_t offset = std::clamp(along - grab - g.Arrow, 0, std::max(room, 0));
      const int64_t span = MaxPos(s) - s.Min;
      const int32_t pos = room > 0 ? static_cast<int32_t>(s.Min + (span * offset + room / 2) / room) : s.Min;
      if (pos != s.TrackPos) {
        s.TrackPos = pos;
        WinRepaintFrameNow(hwnd);
        SendScroll(hwnd, vertical, SB_THUMBTRACK, pos);
      }
      return false;
    }
    if (m.message == WM_LBUTTONUP || m.message == WM_NCLBUTTONUP) return true;
    if (WinIsMouseOrKey(m.message)) return false;
    TranslateMessage(&m);
    DispatchMessage(&m);
    return false;
  });
  TWndRecord* cur = WinFind(hwnd);
  if (!cur) return;
  TScrollBarState& s = vertical ? cur->VScroll : cur->HScroll;
  const int32_t pos = s.TrackPos;
  SendScroll(hwnd, vertical, SB_THUMBPOSITION, pos);
  if ((cur = WinFind(hwnd)) != nullptr) (vertical ? cur->VScroll : cur->HScroll).Tracking = false;
}

void TrackRepeating(HWND hwnd, bool vertical, int32_t part) {
  static const uint32_t codes[] = {0, SB_LINEUP, SB_PAGEUP, 0, SB_PAGEDOWN, SB_LINEDOWN};
  const uint32_t code = codes[part];
  TTrackState t;
  t.Wnd = hwnd;
  t.Vertical = vertical;
  t.Part = part;
  t.Code = code;
  SetPressed(hwnd, vertical, part);
  SendScroll(hwnd, vertical, code, 0);
  // Held down: again after the delay, then at the repeat rate, while the
  // pointer is over the part (a page area ends where the thumb now is).
  std::function<void()> fire = [&t, &fire]() {
    if (!t.Repeating) {
      WinKillInternalTimer(t.Timer);
      t.Repeating = true;
      t.Timer = WinSetInternalTimer(t.Wnd, kRepeatRate, fire);
    }
    TPoint at;
    GetCursorPos(&at);
    if (PartUnder(t.Wnd, t.Vertical, at) == t.Part) SendScroll(t.Wnd, t.Vertical, t.Code, 0);
  };
  t.Timer = WinSetInternalTimer(hwnd, kRepeatDelay, fire);
  WinCaptureLoop(hwnd, "scroll-bar tracking", [&](const TMSG& m) {
    if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
      SetPressed(hwnd, vertical, PartUnder(hwnd, vertical, m.pt) == part ? part : spNone);
      return false;
    }
    if (m.message == WM_LBUTTONUP || m.message == WM_NCLBUTTONUP) return true;
    if (WinIsMouseOrKey(m.message)) return false;
    TranslateMessage(&m);
    DispatchMessage(&m);
    return false;
  });
  WinKillInternalTimer(t.Timer);
}

}  // namespace

void WinTrackScrollBar(TWndRecord& w, bool vertical, TPoint screen) {
  const HWND hwnd = w.Handle;
  const TScrollGeometry g = GeometryNow(w, vertical);
  const TScrollBarState& s = vertical ? w.VScroll : w.HScroll;
  const int32_t part = PartAt(g, TPoint{screen.X - w.WindowRect.Left, screen.Y - w.WindowRect.Top});
  if (part == spNone || !ArrowEnabled(s, g, part)) return;
  if (part == spThumb)
    TrackThumb(hwnd, vertical, screen);
  else
    TrackRepeating(hwnd, vertical, part);
  SetPressed(hwnd, vertical, spNone);
  if (IsWindow(hwnd)) SendScroll(hwnd, vertical, SB_ENDSCROLL, 0);
}
