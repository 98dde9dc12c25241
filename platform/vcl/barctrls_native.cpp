// The native bar classes: their state lives in the window's first extra
// slot, they paint into a DC given in wParam without BeginPaint, and they
// tell the parent about user actions.
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/barctrls.h"
#include "platform/vcl/barctrls_internal.h"
#include "platform/vcl/drawframe.h"

namespace {

void RegisterOne(const char* name, WNDPROC proc) {
  WNDCLASS existing;
  if (GetClassInfo(nullptr, name, &existing)) return;
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(intptr_t);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClass(wc);
}

}  // namespace

void RegisterBarControlClasses() {
  RegisterOne("msctls_progress32", BarProgressWndProc);
  RegisterOne("ScrollBar", BarScrollWndProc);
  RegisterOne("msctls_updown32", BarUpDownWndProc);
  RegisterOne("msctls_trackbar32", BarTrackWndProc);
}

void BarFillRect(HDC dc, const TRect& rect, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, rect, brush);
  DeleteObject(brush);
}

// ================================================================================
// "msctls_progress32"
// ================================================================================

namespace {

struct TProgressState {
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Pos = 0;
  int32_t Step = 10;
  COLORREF Bar = CLR_DEFAULT;
  COLORREF Back = CLR_DEFAULT;
};

int32_t ProgressClamp(const TProgressState& s, int64_t pos) {
  return int32_t(std::clamp<int64_t>(pos, std::min(s.Min, s.Max), std::max(s.Min, s.Max)));
}

// Sets the position; answers the old one and repaints when it changed.
LRESULT ProgressMove(HWND hwnd, TProgressState* s, int64_t pos) {
  const int32_t old = s->Pos;
  s->Pos = ProgressClamp(*s, pos);
  if (s->Pos != old) InvalidateRect(hwnd, nullptr, false);
  return old;
}

void PaintProgress(HWND hwnd, HDC dc, const TProgressState* s) {
  const uint32_t style = uint32_t(GetWindowLong(hwnd, GWL_STYLE));
  const bool vertical = (style & PBS_VERTICAL) != 0;
  TRect client;
  GetClientRect(hwnd, &client);
  TRect inner = client;
  DrawEdge(dc, inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  BarFillRect(dc, inner, s->Back == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : s->Back);
  InflateRect(inner, -1, -1);
  if (IsRectEmpty(inner)) return;
  const COLORREF bar = s->Bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : s->Bar;
  const int64_t span = int64_t(s->Max) - s->Min;
  const int64_t done = span > 0 ? int64_t(s->Pos) - s->Min : 0;
  const int32_t length = vertical ? inner.Height() : inner.Width();
  const int32_t filled = span > 0 ? int32_t(length * done / span) : 0;
  if (filled <= 0) return;
  if ((style & PBS_SMOOTH) != 0) {
    TRect r = inner;
    if (vertical)
      r.Top = r.Bottom - filled;
    else
      r.Right = r.Left + filled;
    BarFillRect(dc, r, bar);
    return;
  }
  // Blocks two thirds of the client's thickness long, two pixels apart, the
  // last one cut at the end of the channel.
  const int32_t block = std::max(1, (vertical ? client.Width() : client.Height()) * 2 / 3);
  for (int32_t at = 0; at < filled; at += block + 2) {
    const int32_t end = std::min(at + block, length);
    TRect r = inner;
    if (vertical) {
      r.Bottom = inner.Bottom - at;
      r.Top = inner.Bottom - end;
    } else {
      r.Left = inner.Left + at;
      r.Right = inner.Left + end;
    }
    BarFillRect(dc, r, bar);
  }
}

}  // namespace

LRESULT BarProgressWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TProgressState* s = BarState<TProgressState>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TProgressState));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers the client area
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintProgress(hwnd, dc, s); });
    case WM_STYLECHANGED: InvalidateRect(hwnd, nullptr, false); return 0;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      const LRESULT old = LRESULT(MAKELONG(uint16_t(s->Min), uint16_t(s->Max)));
      if (msg == PBM_SETRANGE) {
        s->Min = LOWORD(uintptr_t(lParam));
        s->Max = HIWORD(uintptr_t(lParam));
      } else {
        s->Min = int32_t(wParam);
        s->Max = int32_t(lParam);
      }
      s->Pos = ProgressClamp(*s, s->Pos);
      InvalidateRect(hwnd, nullptr, false);
      return old;
    }
    case PBM_SETPOS: return ProgressMove(hwnd, s, int32_t(wParam));
    case PBM_DELTAPOS: return ProgressMove(hwnd, s, int64_t(s->Pos) + int32_t(wParam));
    case PBM_STEPIT: return ProgressMove(hwnd, s, int64_t(s->Pos) + s->Step);
    case PBM_SETSTEP: {
      const int32_t old = s->Step;
      s->Step = int32_t(wParam);
      return old;
    }
    case PBM_GETRANGE:
      if (lParam != 0) {
        auto* r = reinterpret_cast<PBRANGE*>(lParam);
        r->iLow = s->Min;
        r->iHigh = s->Max;
      }
      return wParam != 0 ? s->Min : s->Max;
    case PBM_GETPOS: return s->Pos;
    case PBM_SETBARCOLOR:
    case PBM_SETBKCOLOR: {
      COLORREF& c = msg == PBM_SETBARCOLOR ? s->Bar : s->Back;
      const COLORREF old = c;
      c = COLORREF(lParam);
      InvalidateRect(hwnd, nullptr, false);
      return LRESULT(old);
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// ================================================================================
// "ScrollBar"
// ================================================================================

namespace {

constexpr int32_t kMinThumb = 8;
constexpr uint32_t kRepeatDelay = 500;  // as the window scroll bars
constexpr uint32_t kRepeatRate = 50;
constexpr uintptr_t kRepeatTimer = 1;

enum TSbPart : int32_t { sbpNone = 0, sbpArrowUp = 1, sbpPageUp = 2, sbpThumb = 3, sbpPageDown = 4, sbpArrowDown = 5 };

struct TScrollBarCtl {
  int32_t Min = 0;
  int32_t Max = 100;
  uint32_t Page = 0;
  int32_t Pos = 0;
  int32_t TrackPos = 0;
  bool Tracking = false;
  uint32_t DisabledArrows = ESB_ENABLE_BOTH;
  int32_t Part = sbpNone;     // the part held down
  int32_t Pressed = sbpNone;  // the part shown pushed
  bool Captured = false;
  bool Repeating = false;
  int32_t Grab = 0;  // pointer offset into the thumb while dragging
};

struct TSbGeometry {
  bool Vertical = false;
  int32_t Length = 0;
  int32_t Thick = 0;
  int32_t Arrow = 0;
  int32_t ThumbStart = 0;
  int32_t ThumbEnd = 0;
  bool Enabled = false;
};

int64_t SbMaxPos(const TScrollBarCtl& s) {
  return std::max<int64_t>(int64_t(s.Max) - std::max<int64_t>(int64_t(s.Page) - 1, 0), s.Min);
}

void SbNormalize(TScrollBarCtl& s) {
  if (s.Max < s.Min) s.Max = s.Min;
  const int64_t range = int64_t(s.Max) - s.Min + 1;
  if (int64_t(s.Page) > range) s.Page = uint32_t(std::min<int64_t>(range, UINT32_MAX));
  s.Pos = int32_t(std::clamp<int64_t>(s.Pos, s.Min, SbMaxPos(s)));
}

bool SbVertical(HWND hwnd) { return (uint32_t(GetWindowLong(hwnd, GWL_STYLE)) & SBS_VERT) != 0; }

TSbGeometry SbGeometry(HWND hwnd, const TScrollBarCtl& s) {
  TSbGeometry g;
  g.Vertical = SbVertical(hwnd);
  TRect c;
  GetClientRect(hwnd, &c);
  g.Length = g.Vertical ? c.Height() : c.Width();
  g.Thick = g.Vertical ? c.Width() : c.Height();
  g.Arrow = std::max(0, std::min(g.Thick, g.Length / 2));
  const int64_t range = int64_t(s.Max) - s.Min + 1;
  const bool scrollable = s.Page != 0 ? range > int64_t(s.Page) : s.Max > s.Min;
  g.Enabled = scrollable && s.DisabledArrows != ESB_DISABLE_BOTH && IsWindowEnabled(hwnd);
  const int32_t track = g.Length - 2 * g.Arrow;
  if (!g.Enabled || track <= 0) return g;
  const int64_t thumb = s.Page != 0 ? std::max<int64_t>(int64_t(track) * s.Page / range, kMinThumb) : g.Arrow;
  if (thumb > track) return g;
  const int64_t span = SbMaxPos(s) - s.Min;
  const int64_t pos = int64_t(s.Tracking ? s.TrackPos : s.Pos) - s.Min;
  const int64_t offset = span > 0 ? (int64_t(track) - thumb) * std::clamp<int64_t>(pos, 0, span) / span : 0;
  g.ThumbStart = g.Arrow + int32_t(offset);
  g.ThumbEnd = g.ThumbStart + int32_t(thumb);
  return g;
}

TRect SbPartRect(const TSbGeometry& g, int32_t part) {
  int32_t a = 0, b = 0;
  const bool thumb = g.ThumbEnd > g.ThumbStart;
  switch (part) {
    case sbpArrowUp: a = 0, b = g.Arrow; break;
    case sbpArrowDown: a = g.Length - g.Arrow, b = g.Length; break;
    case sbpThumb: a = g.ThumbStart, b = g.ThumbEnd; break;
    case sbpPageUp: a = g.Arrow, b = thumb ? g.ThumbStart : g.Arrow; break;
    case sbpPageDown: a = thumb ? g.ThumbEnd : g.Length - g.Arrow, b = g.Length - g.Arrow; break;
    default: return TRect{};
  }
  return g.Vertical ? TRect{0, a, g.Thick, b} : TRect{a, 0, b, g.Thick};
}

int32_t SbPartAt(const TSbGeometry& g, TPoint pt) {
  if (pt.X < 0 || pt.Y < 0 || (g.Vertical ? pt.X : pt.Y) >= g.Thick) return sbpNone;
  const int32_t p = g.Vertical ? pt.Y : pt.X;
  if (p >= g.Length) return sbpNone;
  if (p < g.Arrow) return sbpArrowUp;
  if (p >= g.Length - g.Arrow) return sbpArrowDown;
  if (g.ThumbEnd <= g.ThumbStart) return sbpNone;
  if (p < g.ThumbStart) return sbpPageUp;
  if (p < g.ThumbEnd) return sbpThumb;
  return sbpPageDown;
}

bool SbPartEnabled(const TScrollBarCtl& s, const TSbGeometry& g, int32_t part) {
  if (!g.Enabled || part == sbpNone) return false;
  if (part == sbpArrowUp) return (s.DisabledArrows & ESB_DISABLE_LTUP) == 0;
  if (part == sbpArrowDown) return (s.DisabledArrows & ESB_DISABLE_RTDN) == 0;
  return true;
}

void PaintScrollBar(HWND hwnd, HDC dc, const TScrollBarCtl& s) {
  const TSbGeometry g = SbGeometry(hwnd, s);
  // The parent may colour the channel (WM_CTLCOLORSCROLLBAR); NULL_BRUSH leaves it unpainted.
  HBRUSH track = nullptr;
  if (HWND parent = GetParent(hwnd))
    track = reinterpret_cast<HBRUSH>(
        SendMessage(parent, WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  if (track == nullptr) track = GetSysColorBrush(COLOR_SCROLLBAR);
  const bool fillTrack = track != GetStockObject(NULL_BRUSH);
  const HBRUSH held = GetSysColorBrush(COLOR_3DDKSHADOW);
  if (g.ThumbEnd <= g.ThumbStart) {
    const TRect all =
        g.Vertical ? TRect{0, g.Arrow, g.Thick, g.Length - g.Arrow} : TRect{g.Arrow, 0, g.Length - g.Arrow, g.Thick};
    if (fillTrack && !IsRectEmpty(all)) FillRect(dc, all, track);
  } else {
    for (int32_t part : {sbpPageUp, sbpPageDown}) {
      const TRect r = SbPartRect(g, part);
      if (IsRectEmpty(r)) continue;
      if (s.Pressed == part)
        FillRect(dc, r, held);
      else if (fillTrack)
        FillRect(dc, r, track);
    }
    TRect r = SbPartRect(g, sbpThumb);
    DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  for (int32_t part : {sbpArrowUp, sbpArrowDown}) {
    TRect r = SbPartRect(g, part);
    if (IsRectEmpty(r)) continue;
    uint32_t kind = g.Vertical ? (part == sbpArrowUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN)
                               : (part == sbpArrowUp ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT);
    if (s.Pressed == part) kind |= DFCS_PUSHED;
    if (!SbPartEnabled(s, g, part)) kind |= DFCS_INACTIVE;
    DrawFrameControl(dc, &r, DFC_SCROLL, kind);
  }
}

void SbNotify(HWND hwnd, uint32_t code, int32_t pos) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessage(parent, SbVertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(int32_t(code), pos),
              reinterpret_cast<LPARAM>(hwnd));
}

uint32_t SbPartCode(int32_t part) {
  switch (part) {
    case sbpArrowUp: return SB_LINEUP;
    case sbpArrowDown: return SB_LINEDOWN;
    case sbpPageUp: return SB_PAGEUP;
    default: return SB_PAGEDOWN;
  }
}

void SbSetPressed(HWND hwnd, TScrollBarCtl* s, int32_t part) {
  if (s->Pressed == part) return;
  s->Pressed = part;
  InvalidateRect(hwnd, nullptr, false);
}

int32_t SbPartUnderCursor(HWND hwnd, const TScrollBarCtl& s) {
  TPoint at;
  GetCursorPos(&at);
  ScreenToClient(hwnd, &at);
  return SbPartAt(SbGeometry(hwnd, s), at);
}

// Ends a press: the thumb's final position, then SB_ENDSCROLL.
void SbEndTracking(HWND hwnd, TScrollBarCtl* s, bool notify) {
  const int32_t part = s->Part;
  s->Part = sbpNone;
  s->Captured = false;
  KillTimer(hwnd, kRepeatTimer);
  s->Repeating = false;
  SbSetPressed(hwnd, s, sbpNone);
  if (!notify) {
    s->Tracking = false;
    return;
  }
  if (part == sbpThumb) SbNotify(hwnd, SB_THUMBPOSITION, s->TrackPos);
  if (TScrollBarCtl* now = BarState<TScrollBarCtl>(hwnd)) {
    now->Tracking = false;
    InvalidateRect(hwnd, nullptr, false);
    SbNotify(hwnd, SB_ENDSCROLL, 0);
  }
}

LRESULT SbSetInfo(HWND hwnd, TScrollBarCtl* s, const SCROLLINFO* si, bool redraw) {
  if (si == nullptr) return s->Pos;
  if (si->fMask & SIF_RANGE) {
    s->Min = si->nMin;
    s->Max = si->nMax;
  }
  if (si->fMask & SIF_PAGE) s->Page = si->nPage;
  if (si->fMask & SIF_POS) s->Pos = si->nPos;
  SbNormalize(*s);
  if (redraw) InvalidateRect(hwnd, nullptr, false);
  return s->Pos;
}

}  // namespace

LRESULT BarScrollWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TScrollBarCtl* s = BarState<TScrollBarCtl>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TScrollBarCtl));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      KillTimer(hwnd, kRepeatTimer);
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintScrollBar(hwnd, dc, *s); });
    case WM_ENABLE:
    case WM_STYLECHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SIZE: InvalidateRect(hwnd, nullptr, false); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const TSbGeometry g = SbGeometry(hwnd, *s);
      const int32_t part = SbPartAt(g, LParamToPoint(lParam));
      if (!SbPartEnabled(*s, g, part)) return 0;
      if ((GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) != 0 && GetFocus() != hwnd) SetFocus(hwnd);
      SetCapture(hwnd);
      s->Captured = true;
      s->Part = part;
      SbSetPressed(hwnd, s, part);
      if (part == sbpThumb) {
        const TPoint p = LParamToPoint(lParam);
        s->Grab = (g.Vertical ? p.Y : p.X) - g.ThumbStart;
        s->Tracking = true;
        s->TrackPos = s->Pos;
      } else {
        s->Repeating = false;
        SetTimer(hwnd, kRepeatTimer, kRepeatDelay, nullptr);
        SbNotify(hwnd, SbPartCode(part), 0);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!s->Captured) return 0;
      if (s->Part != sbpThumb) {
        SbSetPressed(hwnd, s, SbPartUnderCursor(hwnd, *s) == s->Part ? s->Part : sbpNone);
        return 0;
      }
      const TSbGeometry g = SbGeometry(hwnd, *s);
      const TPoint p = LParamToPoint(lParam);
      const int32_t thumb = g.ThumbEnd - g.ThumbStart;
      const int32_t room = g.Length - 2 * g.Arrow - thumb;
      const int32_t offset = std::clamp((g.Vertical ? p.Y : p.X) - s->Grab - g.Arrow, 0, std::max(room, 0));
      const int64_t span = SbMaxPos(*s) - s->Min;
      const int32_t pos = room > 0 ? int32_t(s->Min + (span * offset + room / 2) / room) : s->Min;
      if (pos != s->TrackPos) {
        s->TrackPos = pos;
        InvalidateRect(hwnd, nullptr, false);
        SbNotify(hwnd, SB_THUMBTRACK, pos);
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam != kRepeatTimer || !s->Captured) return 0;
      if (!s->Repeating) {
        s->Repeating = true;
        SetTimer(hwnd, kRepeatTimer, kRepeatRate, nullptr);
      }
      // Only while the pointer is over the part: a page area ends where the
      // thumb has moved to.
      if (SbPartUnderCursor(hwnd, *s) == s->Part) SbNotify(hwnd, SbPartCode(s->Part), 0);
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) {
        s->Captured = false;  // WM_CAPTURECHANGED then leaves the ending to us
        ReleaseCapture();
        s->Captured = true;
        SbEndTracking(hwnd, s, true);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->Captured) SbEndTracking(hwnd, s, true);
      return 0;
    case WM_KEYDOWN: {
      uint32_t code;
      switch (wParam) {
        case VK_UP:
        case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN:
        case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: return DefWindowProc(hwnd, msg, wParam, lParam);
      }
      if (!SbGeometry(hwnd, *s).Enabled) return 0;
      SbNotify(hwnd, code, 0);
      SbNotify(hwnd, SB_ENDSCROLL, 0);
      return 0;
    }
    case SBM_SETPOS: {
      const int32_t old = s->Pos;
      s->Pos = int32_t(wParam);
      SbNormalize(*s);
      if (lParam != 0 && s->Pos != old) InvalidateRect(hwnd, nullptr, false);
      return old;
    }
    case SBM_GETPOS: return s->Pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      const int32_t old = s->Pos;
      s->Min = int32_t(wParam);
      s->Max = int32_t(lParam);
      SbNormalize(*s);
      if (msg == SBM_SETRANGEREDRAW) InvalidateRect(hwnd, nullptr, false);
      return old;
    }
    case SBM_GETRANGE:
      if (wParam != 0) *reinterpret_cast<int32_t*>(wParam) = s->Min;
      if (lParam != 0) *reinterpret_cast<int32_t*>(lParam) = s->Max;
      return 0;
    case SBM_ENABLE_ARROWS: {
      const uint32_t arrows = uint32_t(wParam) & ESB_DISABLE_BOTH;
      if (arrows == s->DisabledArrows) return 0;
      s->DisabledArrows = arrows;
      InvalidateRect(hwnd, nullptr, false);
      return 1;
    }
    case SBM_SETSCROLLINFO: return SbSetInfo(hwnd, s, reinterpret_cast<const SCROLLINFO*>(lParam), wParam != 0);
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(lParam);
      if (si == nullptr) return 0;
      if (si->fMask & SIF_RANGE) {
        si->nMin = s->Min;
        si->nMax = s->Max;
      }
      if (si->fMask & SIF_PAGE) si->nPage = s->Page;
      if (si->fMask & SIF_POS) si->nPos = s->Pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = s->Tracking ? s->TrackPos : s->Pos;
      return 1;
    }
    case SBM_GETSCROLLBARINFO: {
      auto* info = reinterpret_cast<SCROLLBARINFO*>(lParam);
      if (info == nullptr) return 0;
      const TSbGeometry g = SbGeometry(hwnd, *s);
      GetWindowRect(hwnd, &info->rcScrollBar);
      info->dxyLineButton = g.Arrow;
      info->xyThumbTop = g.ThumbStart;
      info->xyThumbBottom = g.ThumbEnd;
      for (uint32_t& st : info->rgstate) st = 0;
      if (!g.Enabled) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
      if (!IsWindowVisible(hwnd)) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
      for (int32_t part : {sbpArrowUp, sbpArrowDown})
        if (!SbPartEnabled(*s, g, part)) info->rgstate[part] |= STATE_SYSTEM_UNAVAILABLE;
      if (g.ThumbEnd <= g.ThumbStart)
        for (int32_t part : {sbpPageUp, sbpThumb, sbpPageDown}) info->rgstate[part] |= STATE_SYSTEM_INVISIBLE;
      if (s->Pressed != sbpNone) info->rgstate[s->Pressed] |= STATE_SYSTEM_PRESSED;
      return 1;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// ================================================================================
// "msctls_updown32"
// ================================================================================

namespace {

constexpr uint32_t kSpinDelay = 500;  // a held arrow repeats after this, then at the rate
constexpr uint32_t kSpinRate = 100;
constexpr uintptr_t kSpinTimer = 1;

struct TUpDownState {
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Pos = 0;
  HWND Buddy = nullptr;
  std::vector<UDACCEL> Accel{UDACCEL{0, 1}};
  int32_t Base = 10;
  int32_t Held = 0;  // +1 up/right half held, -1 down/left half, 0 none
  bool Captured = false;
  bool Repeating = false;
  bool Over = false;  // the pointer is over the held half
};

// Buddies subclassed for UDS_ARROWKEYS: their previous procedure and the up-down.
struct TBuddyHook {
  WNDPROC Previous = nullptr;
  HWND UpDown = nullptr;
};
std::map<HWND, TBuddyHook>& BuddyHooks() {
  static std::map<HWND, TBuddyHook> hooks;
  return hooks;
}

uint32_t UdStyle(HWND hwnd) { return uint32_t(GetWindowLong(hwnd, GWL_STYLE)); }

int32_t UdLow(const TUpDownState& s) { return std::min(s.Min, s.Max); }
int32_t UdHigh(const TUpDownState& s) { return std::max(s.Min, s.Max); }

String UdFormat(HWND hwnd, const TUpDownState& s, int32_t value) {
  if (s.Base == 16) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", uint32_t(value));
    return buf;
  }
  const String digits = std::to_string(value < 0 ? -int64_t(value) : int64_t(value));
  String text = value < 0 ? "-" : "";
  const bool group = (UdStyle(hwnd) & UDS_NOTHOUSANDS) == 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (group && i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

// The buddy's text as a number: digits with optional "," groups (decimal) or
// a 0x prefix (hexadecimal); false when it is none.
bool UdParse(const TUpDownState& s, const String& text, int32_t& value) {
  String t;
  for (char c : text)
    if (c != ',' && c != ' ') t += c;
  if (t.empty()) return false;
  int64_t v = 0;
  size_t i = 0;
  bool negative = false;
  int32_t base = 10;
  if (s.Base == 16) {
    base = 16;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) i = 2;
  } else if (t[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i >= t.size()) return false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int32_t d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > int64_t(UINT32_MAX)) return false;
  }
  value = int32_t(negative ? -v : v);
  return true;
}

void UdSetBuddyText(HWND hwnd, const TUpDownState& s) {
  if (s.Buddy == nullptr || (UdStyle(hwnd) & UDS_SETBUDDYINT) == 0 || !IsWindow(s.Buddy)) return;
  const String text = UdFormat(hwnd, s, s.Pos);
  SetWindowText(s.Buddy, text.c_str());
}

// Reads the buddy's number into the position; false when it is no number
// in range.
bool UdReadBuddy(HWND hwnd, TUpDownState& s) {
  if (s.Buddy == nullptr || (UdStyle(hwnd) & UDS_SETBUDDYINT) == 0 || !IsWindow(s.Buddy)) return true;
  int32_t v = 0;
  if (!UdParse(s, GetWindowTextString(s.Buddy), v)) return false;
  if (v < UdLow(s) || v > UdHigh(s)) return false;
  s.Pos = v;
  return true;
}

void UdNotifyScroll(HWND hwnd, uint32_t code, int32_t pos) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessage(parent, (UdStyle(hwnd) & UDS_HORZ) != 0 ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(int32_t(code), pos),
              reinterpret_cast<LPARAM>(hwnd));
}

// One user step in direction dir (+1 up, -1 down): asks the parent, moves,
// shows the position in the buddy and reports it.
void UdStep(HWND hwnd, int32_t dir) {
  TUpDownState* s = BarState<TUpDownState>(hwnd);
  if (s == nullptr) return;
  UdReadBuddy(hwnd, *s);
  int32_t delta = int32_t(s->Accel.empty() ? 1 : s->Accel.front().nInc) * dir;
  if (s->Min > s->Max) delta = -delta;  // a reversed range counts down on the up arrow
  NMUPDOWN nm;
  nm.hdr.hwndFrom = hwnd;
  nm.hdr.idFrom = uintptr_t(GetWindowLong(hwnd, GWL_ID));
  nm.hdr.code = UDN_DELTAPOS;
  nm.iPos = s->Pos;
  nm.iDelta = delta;
  HWND parent = GetParent(hwnd);
  if (parent != nullptr && SendMessage(parent, WM_NOTIFY, WPARAM(nm.hdr.idFrom), reinterpret_cast<LPARAM>(&nm)) != 0)
    return;
  if ((s = BarState<TUpDownState>(hwnd)) == nullptr) return;
  const int64_t want = int64_t(s->Pos) + nm.iDelta;
  int32_t pos;
  if (want > UdHigh(*s))
    pos = (UdStyle(hwnd) & UDS_WRAP) != 0 ? UdLow(*s) : UdHigh(*s);
  else if (want < UdLow(*s))
    pos = (UdStyle(hwnd) & UDS_WRAP) != 0 ? UdHigh(*s) : UdLow(*s);
  else
    pos = int32_t(want);
  s->Pos = pos;
  UdSetBuddyText(hwnd, *s);
  UdNotifyScroll(hwnd, SB_THUMBPOSITION, pos);
}

LRESULT BuddyWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto it = BuddyHooks().find(hwnd);
  if (it == BuddyHooks().end()) return DefWindowProc(hwnd, msg, wParam, lParam);
  const TBuddyHook hook = it->second;
  if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && IsWindow(hook.UpDown) &&
      (UdStyle(hook.UpDown) & UDS_ARROWKEYS) != 0 && IsWindowEnabled(hook.UpDown)) {
    UdStep(hook.UpDown, wParam == VK_UP ? 1 : -1);
    return 0;
  }
  if (msg == WM_KEYUP && (wParam == VK_UP || wParam == VK_DOWN) && IsWindow(hook.UpDown) &&
      (UdStyle(hook.UpDown) & UDS_ARROWKEYS) != 0) {
    if (TUpDownState* s = BarState<TUpDownState>(hook.UpDown)) UdNotifyScroll(hook.UpDown, SB_ENDSCROLL, s->Pos);
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLong(hwnd, GWL_WNDPROC, reinterpret_cast<intptr_t>(hook.Previous));
    BuddyHooks().erase(hwnd);
  }
  return CallWindowProc(hook.Previous, hwnd, msg, wParam, lParam);
}

void UdUnhookBuddy(HWND buddy) {
  auto it = BuddyHooks().find(buddy);
  if (it == BuddyHooks().end()) return;
  // Only when nobody subclassed the buddy after us; else leave our procedure
  // passing everything on.
  if (IsWindow(buddy) && GetWindowLong(buddy, GWL_WNDPROC) == reinterpret_cast<intptr_t>(&BuddyWndProc)) {
    SetWindowLong(buddy, GWL_WNDPROC, reinterpret_cast<intptr_t>(it->second.Previous));
    BuddyHooks().erase(it);
  } else {
    it->second.UpDown = nullptr;
  }
}

// Places the up-down at the buddy's left or right edge, the buddy giving up
// the width.
void UdAlign(HWND hwnd, HWND buddy) {
  const uint32_t style = UdStyle(hwnd);
  if ((style & (UDS_ALIGNLEFT | UDS_ALIGNRIGHT)) == 0 || GetParent(hwnd) != GetParent(buddy)) return;
  TRect b, me;
  GetWindowRect(buddy, &b);
  GetWindowRect(hwnd, &me);
  TPoint tl{b.Left, b.Top};
  ScreenToClient(GetParent(hwnd), &tl);
  const int32_t w = me.Width();
  const int32_t bw = std::max(0, b.Width() - w);
  if ((style & UDS_ALIGNRIGHT) != 0) {
    SetWindowPos(buddy, nullptr, 0, 0, bw, b.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hwnd, nullptr, tl.X + bw, tl.Y, w, b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(buddy, nullptr, tl.X + w, tl.Y, bw, b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hwnd, nullptr, tl.X, tl.Y, w, b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HWND UdSetBuddy(HWND hwnd, TUpDownState* s, HWND buddy) {
  const HWND old = s->Buddy;
  if (old != nullptr) UdUnhookBuddy(old);
  s->Buddy = buddy != nullptr && IsWindow(buddy) ? buddy : nullptr;
  if (s->Buddy == nullptr) return old;
  auto it = BuddyHooks().find(buddy);
  if (it != BuddyHooks().end()) {
    it->second.UpDown = hwnd;
  } else {
    TBuddyHook hook;
    hook.UpDown = hwnd;
    hook.Previous = reinterpret_cast<WNDPROC>(GetWindowLong(buddy, GWL_WNDPROC));
    BuddyHooks()[buddy] = hook;
    SetWindowLong(buddy, GWL_WNDPROC, reinterpret_cast<intptr_t>(&BuddyWndProc));
  }
  UdAlign(hwnd, buddy);
  UdSetBuddyText(hwnd, *s);
  return old;
}

// The half under a client point: +1 up (right with UDS_HORZ), -1 down (left).
int32_t UdHalfAt(HWND hwnd, TPoint p) {
  TRect c;
  GetClientRect(hwnd, &c);
  if (!PtInRect(c, p)) return 0;
  if ((UdStyle(hwnd) & UDS_HORZ) != 0) return p.X >= c.Width() / 2 ? 1 : -1;
  return p.Y < c.Height() / 2 ? 1 : -1;
}

void PaintUpDown(HWND hwnd, HDC dc, const TUpDownState& s) {
  TRect c;
  GetClientRect(hwnd, &c);
  const bool horz = (UdStyle(hwnd) & UDS_HORZ) != 0;
  const bool enabled = IsWindowEnabled(hwnd);
  TRect first = c, second = c;  // up/left, then down/right
  if (horz)
    first.Right = second.Left = c.Left + c.Width() / 2;
  else
    first.Bottom = second.Top = c.Top + c.Height() / 2;
  const bool wrap = (UdStyle(hwnd) & UDS_WRAP) != 0;
  // Without wrapping an arrow that cannot move shows inactive.
  const bool atHigh = !wrap && s.Pos >= UdHigh(s), atLow = !wrap && s.Pos <= UdLow(s);
  const bool upFirst = !horz;  // vertical: "up" is the first half; horizontal: "right" is the second
  for (int32_t i = 0; i < 2; ++i) {
    TRect r = i == 0 ? first : second;
    const int32_t dir = (i == 0) == upFirst ? 1 : -1;
    const bool reversed = s.Min > s.Max;
    const bool stuck = dir * (reversed ? -1 : 1) > 0 ? atHigh : atLow;
    uint32_t kind = horz ? (i == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT) : (i == 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN);
    if (s.Held == dir && s.Over) kind |= DFCS_PUSHED;
    if (!enabled || stuck) kind |= DFCS_INACTIVE;
    DrawFrameControl(dc, &r, DFC_SCROLL, kind);
  }
}

void UdEndPress(HWND hwnd, TUpDownState* s) {
  KillTimer(hwnd, kSpinTimer);
  s->Captured = false;
  s->Held = 0;
  s->Repeating = false;
  InvalidateRect(hwnd, nullptr, false);
  UdNotifyScroll(hwnd, SB_ENDSCROLL, s->Pos);
}

}  // namespace

LRESULT BarUpDownWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TUpDownState* s = BarState<TUpDownState>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TUpDownState));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_CREATE:
      if ((UdStyle(hwnd) & UDS_AUTOBUDDY) != 0)
        if (HWND prev = GetWindow(hwnd, GW_HWNDPREV)) UdSetBuddy(hwnd, s, prev);
      return 0;
    case WM_DESTROY:
      if (s->Buddy != nullptr) UdUnhookBuddy(s->Buddy);
      s->Buddy = nullptr;
      return 0;
    case WM_NCDESTROY:
      KillTimer(hwnd, kSpinTimer);
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintUpDown(hwnd, dc, *s); });
    case WM_ENABLE:
    case WM_STYLECHANGED: InvalidateRect(hwnd, nullptr, false); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int32_t half = UdHalfAt(hwnd, LParamToPoint(lParam));
      if (half == 0 || s->Captured) return 0;
      if (s->Buddy != nullptr && GetFocus() != s->Buddy && IsWindowVisible(s->Buddy)) SetFocus(s->Buddy);
      SetCapture(hwnd);
      s->Captured = true;
      s->Held = half;
      s->Over = true;
      s->Repeating = false;
      InvalidateRect(hwnd, nullptr, false);
      SetTimer(hwnd, kSpinTimer, kSpinDelay, nullptr);
      UdStep(hwnd, half);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->Captured) {
        const bool over = UdHalfAt(hwnd, LParamToPoint(lParam)) == s->Held;
        if (over != s->Over) {
          s->Over = over;
          InvalidateRect(hwnd, nullptr, false);
        }
      }
      return 0;
    case WM_TIMER:
      if (wParam != kSpinTimer || !s->Captured) return 0;
      if (!s->Repeating) {
        s->Repeating = true;
        SetTimer(hwnd, kSpinTimer, kSpinRate, nullptr);
      }
      if (s->Over) UdStep(hwnd, s->Held);
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) {
        s->Captured = false;
        ReleaseCapture();
        UdEndPress(hwnd, s);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->Captured) UdEndPress(hwnd, s);
      return 0;
    case UDM_SETRANGE:
      s->Max = int16_t(LOWORD(uintptr_t(lParam)));
      s->Min = int16_t(HIWORD(uintptr_t(lParam)));
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    case UDM_GETRANGE: return LRESULT(MAKELONG(uint16_t(s->Max), uint16_t(s->Min)));
    case UDM_SETRANGE32:
      s->Min = int32_t(wParam);
      s->Max = int32_t(lParam);
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    case UDM_GETRANGE32:
      if (wParam != 0) *reinterpret_cast<int32_t*>(wParam) = s->Min;
      if (lParam != 0) *reinterpret_cast<int32_t*>(lParam) = s->Max;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int32_t old = s->Pos;
      const int32_t want = msg == UDM_SETPOS ? int16_t(LOWORD(uintptr_t(lParam))) : int32_t(lParam);
      s->Pos = std::clamp(want, UdLow(*s), UdHigh(*s));
      UdSetBuddyText(hwnd, *s);
      InvalidateRect(hwnd, nullptr, false);
      return msg == UDM_SETPOS ? LRESULT(int16_t(old)) : LRESULT(old);
    }
    case UDM_GETPOS: {
      const bool ok = UdReadBuddy(hwnd, *s);
      return LRESULT(MAKELONG(uint16_t(s->Pos), ok ? 0 : 1));
    }
    case UDM_GETPOS32: {
      const bool ok = UdReadBuddy(hwnd, *s);
      if (lParam != 0) *reinterpret_cast<int32_t*>(lParam) = ok ? 0 : 1;
      return s->Pos;
    }
    case UDM_SETBUDDY: return reinterpret_cast<LRESULT>(UdSetBuddy(hwnd, s, reinterpret_cast<HWND>(wParam)));
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(s->Buddy);
    case UDM_SETACCEL: {
      const auto* a = reinterpret_cast<const UDACCEL*>(lParam);
      if (a == nullptr || wParam == 0) return 0;
      s->Accel.assign(a, a + std::min<size_t>(wParam, 64));
      return 1;
    }
    case UDM_GETACCEL: {
      auto* a = reinterpret_cast<UDACCEL*>(lParam);
      if (a != nullptr)
        for (size_t i = 0; i < std::min<size_t>(wParam, s->Accel.size()); ++i) a[i] = s->Accel[i];
      return LRESULT(s->Accel.size());
    }
    case UDM_SETBASE: {
      if (wParam != 10 && wParam != 16) return 0;
      const int32_t old = s->Base;
      s->Base = int32_t(wParam);
      UdSetBuddyText(hwnd, *s);
      return old;
    }
    case UDM_GETBASE: return s->Base;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// ================================================================================
// "msctls_trackbar32"
// ================================================================================

namespace {

constexpr uintptr_t kTrackTimer = 1;

struct TTrackState {
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Pos = 0;
  int32_t Line = 1;
  int32_t Page = 20;
  int32_t Freq = 1;
  int32_t ThumbLength = 20;
  int32_t SelStart = 0;
  int32_t SelEnd = 0;
  std::vector<int32_t> Ticks;  // manual ticks, sorted
  bool Focused = false;
  // A press: on the thumb (dragging) or on the channel (paging toward Target).
  bool Captured = false;
  bool Dragging = false;
  bool Repeating = false;
  int32_t Grab = 0;
  int32_t Target = 0;  // the channel coordinate pressed
  int32_t Dir = 0;     // the paging direction of this press (0 before the first page)
  bool KeyTracking = false;
};

struct TTrackGeometry {
  bool Vertical = false;
  TRect Channel;     // 4 pixels across
  TRect Thumb;       // empty with TBS_NOTHUMB
  int32_t From = 0;  // channel coordinates of Min and Max along the bar
  int32_t To = 0;
  int32_t TicksBefore = -1;  // across coordinate of the ticks above/left of the thumb (-1 none)
  int32_t TicksAfter = -1;
};

uint32_t TbStyle(HWND hwnd) { return uint32_t(GetWindowLong(hwnd, GWL_STYLE)); }

int32_t TbAlong(const TTrackState& s, const TTrackGeometry& g, int32_t value) {
  const int64_t span = int64_t(s.Max) - s.Min;
  if (span <= 0) return g.From;
  return g.From + int32_t((int64_t(g.To) - g.From) * (int64_t(value) - s.Min) / span);
}

TTrackGeometry TbGeometry(HWND hwnd, const TTrackState& s) {
  TTrackGeometry g;
  const uint32_t style = TbStyle(hwnd);
  g.Vertical = (style & TBS_VERT) != 0;
  TRect c;
  GetClientRect(hwnd, &c);
  const int32_t len = g.Vertical ? c.Height() : c.Width();
  const int32_t thick = g.Vertical ? c.Width() : c.Height();
  const bool ticks = (style & TBS_NOTICKS) == 0;
  const bool before = ticks && (style & (TBS_TOP | TBS_BOTH)) != 0;
  const bool after = ticks && ((style & TBS_BOTH) != 0 || (style & TBS_TOP) == 0);
  const int32_t length = (style & TBS_FIXEDLENGTH) != 0 ? s.ThumbLength : std::max(8, thick - 8 - (ticks ? 6 : 0));
  const int32_t width = std::max(5, length / 2 | 1);  // odd, so the point has a middle
  const int32_t top = 2 + (before ? 6 : 0);
  g.From = width / 2 + 4;
  g.To = std::max(g.From, len - width / 2 - 5);
  const int32_t mid = top + length / 2;
  const int32_t along = TbAlong(s, g, s.Pos);
  auto rect = [&](int32_t a0, int32_t a1, int32_t b0, int32_t b1) {
    return g.Vertical ? TRect{b0, a0, b1, a1} : TRect{a0, b0, a1, b1};
  };
  g.Channel = rect(g.From - width / 2 - 2, g.To + width / 2 + 3, mid - 2, mid + 2);
  if ((style & TBS_NOTHUMB) == 0) g.Thumb = rect(along - width / 2, along - width / 2 + width, top, top + length);
  if (before) g.TicksBefore = top - 2;
  if (after) g.TicksAfter = top + length + 1;
  return g;
}

void TbNotify(HWND hwnd, uint32_t code, int32_t pos) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  const bool withPos = code == TB_THUMBPOSITION || code == TB_THUMBTRACK;
  SendMessage(parent, (TbStyle(hwnd) & TBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL,
              MAKEWPARAM(int32_t(code), withPos ? pos : 0), reinterpret_cast<LPARAM>(hwnd));
}

int32_t TbClamp(const TTrackState& s, int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::min(s.Min, s.Max), std::max(s.Min, s.Max)));
}

void TbMove(HWND hwnd, TTrackState* s, int64_t pos) {
  const int32_t p = TbClamp(*s, pos);
  if (p == s->Pos) return;
  s->Pos = p;
  InvalidateRect(hwnd, nullptr, false);
}

// A page toward the pressed point, unless the thumb is already there.
void TbPageStep(HWND hwnd, TTrackState* s) {
  const TTrackGeometry g = TbGeometry(hwnd, *s);
  const int32_t at = TbAlong(*s, g, s->Pos);
  const int32_t half = (g.Vertical ? g.Thumb.Height() : g.Thumb.Width()) / 2;
  if (std::abs(s->Target - at) <= half) return;
  const bool down = s->Target > at;
  // Never back: once the thumb passes the pointer the press is done.
  if (s->Dir != 0 && s->Dir != (down ? 1 : -1)) return;
  s->Dir = down ? 1 : -1;
  TbMove(hwnd, s, int64_t(s->Pos) + (down ? s->Page : -s->Page));
  TbNotify(hwnd, down ? TB_PAGEDOWN : TB_PAGEUP, 0);
}

// The value under a channel coordinate.
int32_t TbValueAt(const TTrackState& s, const TTrackGeometry& g, int32_t along) {
  const int64_t room = int64_t(g.To) - g.From;
  if (room <= 0) return s.Min;
  const int64_t span = int64_t(s.Max) - s.Min;
  const int64_t off = std::clamp<int64_t>(along - g.From, 0, room);
  return TbClamp(s, s.Min + (span * off * 2 + room) / (room * 2));
}

void TbLine(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintTrackBar(HWND hwnd, HDC dc, const TTrackState& s) {
  const uint32_t style = TbStyle(hwnd);
  const TTrackGeometry g = TbGeometry(hwnd, s);
  TRect c;
  GetClientRect(hwnd, &c);
  HBRUSH back = reinterpret_cast<HBRUSH>(GetParent(hwnd) != nullptr
                                             ? SendMessage(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
                                             : 0);
  if (back == nullptr) back = GetSysColorBrush(COLOR_BTNFACE);
  if (back != GetStockObject(NULL_BRUSH)) FillRect(dc, c, back);

  // The channel: sunken, white inside; the selection range in clHighlight.
  TRect ch = g.Channel;
  DrawEdge(dc, ch, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  BarFillRect(dc, ch, GetSysColor(COLOR_WINDOW));
  if ((style & TBS_ENABLESELRANGE) != 0 && s.SelEnd > s.SelStart) {
    TRect sel = ch;
    const int32_t a = TbAlong(s, g, s.SelStart), b = TbAlong(s, g, s.SelEnd);
    if (g.Vertical)
      sel.Top = a, sel.Bottom = b + 1;
    else
      sel.Left = a, sel.Right = b + 1;
    BarFillRect(dc, sel, GetSysColor(COLOR_HIGHLIGHT));
  }

  // Ticks: the ends always, every Freq with TBS_AUTOTICKS, and the manual ones.
  if ((style & TBS_NOTICKS) == 0) {
    std::vector<int32_t> values{s.Min, s.Max};
    if ((style & TBS_AUTOTICKS) != 0 && s.Freq > 0)
      for (int64_t v = int64_t(s.Min) + s.Freq; v < s.Max && values.size() < 10000; v += s.Freq)
        values.push_back(int32_t(v));
    values.insert(values.end(), s.Ticks.begin(), s.Ticks.end());
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    for (int32_t v : values) {
      const int32_t a = TbAlong(s, g, v);
      const bool end = v == s.Min || v == s.Max;
      for (int32_t base : {g.TicksBefore, g.TicksAfter}) {
        if (base < 0) continue;
        const int32_t n = end ? 4 : 3;
        const int32_t b0 = base == g.TicksBefore ? base - n + 1 : base;
        if (g.Vertical)
          TbLine(dc, b0, a, b0 + n, a, ink);
        else
          TbLine(dc, a, b0, a, b0 + n, ink);
      }
    }
  }

  if (IsRectEmpty(g.Thumb)) return;
  // The thumb: raised, pointed toward the ticks when they are on one side.
  TRect t = g.Thumb;
  const bool pointAfter = (style & (TBS_BOTH | TBS_NOTICKS)) == 0 && (style & TBS_TOP) == 0;
  const bool pointBefore = (style & (TBS_BOTH | TBS_NOTICKS)) == 0 && (style & TBS_TOP) != 0;
  const int32_t w = g.Vertical ? t.Height() : t.Width();
  const int32_t tip = w / 2;
  TRect body = t;
  if (pointAfter) (g.Vertical ? body.Right : body.Bottom) -= tip;
  if (pointBefore) (g.Vertical ? body.Left : body.Top) += tip;
  const COLORREF face = IsWindowEnabled(hwnd) ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_SCROLLBAR);
  TRect b = body;
  DrawEdge(dc, b, EDGE_RAISED, BF_RECT | BF_ADJUST);
  BarFillRect(dc, b, face);
  if (pointAfter || pointBefore) {
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW),
                   shadow = GetSysColor(COLOR_BTNSHADOW);
    for (int32_t i = 0; i < tip; ++i) {
      // Row i of the point, narrowing by one pixel on each side.
      const int32_t lo = i, hi = w - 1 - i;
      if (hi < lo) break;
      const int32_t across =
          pointAfter ? (g.Vertical ? body.Right : body.Bottom) + i : (g.Vertical ? body.Left : body.Top) - 1 - i;
      auto px = [&](int32_t a0, int32_t a1, COLORREF color) {
        const int32_t base = g.Vertical ? t.Top : t.Left;
        if (a1 < a0) return;
        TRect r = g.Vertical ? TRect{across, base + a0, across + 1, base + a1 + 1}
                             : TRect{base + a0, across, base + a1 + 1, across + 1};
        BarFillRect(dc, r, color);
      };
      px(lo + 1, hi - 1, face);
      px(lo, lo, pointAfter ? light : light);
      px(hi, hi, pointAfter ? dark : shadow);
    }
  }
  if (s.Focused) {
    TRect f = c;
    DrawFocusRect(dc, f);
  }
}

void TbEndPress(HWND hwnd, TTrackState* s, bool notify) {
  KillTimer(hwnd, kTrackTimer);
  const bool dragging = s->Dragging;
  s->Captured = false;
  s->Dragging = false;
  s->Repeating = false;
  if (!notify) return;
  if (dragging) TbNotify(hwnd, TB_THUMBPOSITION, s->Pos);
  if (BarState<TTrackState>(hwnd) != nullptr) TbNotify(hwnd, TB_ENDTRACK, 0);
}

}  // namespace

LRESULT BarTrackWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TTrackState* s = BarState<TTrackState>(hwnd);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wParam, lParam);
  const bool redraw = wParam != 0;
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(hwnd, 0, reinterpret_cast<intptr_t>(new TTrackState));
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_NCDESTROY:
      KillTimer(hwnd, kTrackTimer);
      SetWindowLong(hwnd, 0, 0);
      delete s;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(hwnd, wParam, [&](HDC dc) { PaintTrackBar(hwnd, dc, *s); });
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->Focused = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
    case WM_SIZE: InvalidateRect(hwnd, nullptr, false); return 0;
    case WM_KEYDOWN: {
      int64_t to;
      uint32_t code;
      switch (wParam) {
        case VK_LEFT:
        case VK_UP: to = int64_t(s->Pos) - s->Line, code = TB_LINEUP; break;
        case VK_RIGHT:
        case VK_DOWN: to = int64_t(s->Pos) + s->Line, code = TB_LINEDOWN; break;
        case VK_PRIOR: to = int64_t(s->Pos) - s->Page, code = TB_PAGEUP; break;
        case VK_NEXT: to = int64_t(s->Pos) + s->Page, code = TB_PAGEDOWN; break;
        case VK_HOME: to = s->Min, code = TB_TOP; break;
        case VK_END: to = s->Max, code = TB_BOTTOM; break;
        default: return DefWindowProc(hwnd, msg, wParam, lParam);
      }
      TbMove(hwnd, s, to);
      s->KeyTracking = true;
      TbNotify(hwnd, code, 0);
      return 0;
    }
    case WM_KEYUP:
      if (s->KeyTracking) {
        s->KeyTracking = false;
        TbNotify(hwnd, TB_ENDTRACK, 0);
        return 0;
      }
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (s->Captured) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      const TTrackGeometry g = TbGeometry(hwnd, *s);
      const TPoint p = LParamToPoint(lParam);
      const int32_t along = g.Vertical ? p.Y : p.X;
      SetCapture(hwnd);
      s->Captured = true;
      if (!IsRectEmpty(g.Thumb) && PtInRect(g.Thumb, p)) {
        s->Dragging = true;
        s->Grab = along - TbAlong(*s, g, s->Pos);
        return 0;
      }
      s->Target = along;
      s->Dir = 0;
      s->Repeating = false;
      SetTimer(hwnd, kTrackTimer, kRepeatDelay, nullptr);
      TbPageStep(hwnd, s);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->Captured && s->Dragging) {
        const TTrackGeometry g = TbGeometry(hwnd, *s);
        const TPoint p = LParamToPoint(lParam);
        const int32_t v = TbValueAt(*s, g, (g.Vertical ? p.Y : p.X) - s->Grab);
        if (v != s->Pos) {
          TbMove(hwnd, s, v);
          TbNotify(hwnd, TB_THUMBTRACK, v);
        }
      } else if (s->Captured) {
        const TPoint p = LParamToPoint(lParam);
        s->Target = TbGeometry(hwnd, *s).Vertical ? p.Y : p.X;
      }
      return 0;
    case WM_TIMER:
      if (wParam != kTrackTimer || !s->Captured || s->Dragging) return 0;
      if (!s->Repeating) {
        s->Repeating = true;
        SetTimer(hwnd, kTrackTimer, kRepeatRate, nullptr);
      }
      TbPageStep(hwnd, s);
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) {
        s->Captured = false;
        ReleaseCapture();
        s->Captured = true;
        TbEndPress(hwnd, s, true);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->Captured) TbEndPress(hwnd, s, true);
      return 0;
    case TBM_GETPOS: return s->Pos;
    case TBM_GETRANGEMIN: return s->Min;
    case TBM_GETRANGEMAX: return s->Max;
    case TBM_SETPOS:
      s->Pos = TbClamp(*s, int32_t(lParam));
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      if (msg == TBM_SETRANGE) {
        s->Min = int16_t(LOWORD(uintptr_t(lParam)));
        s->Max = int16_t(HIWORD(uintptr_t(lParam)));
      } else if (msg == TBM_SETRANGEMIN) {
        s->Min = int32_t(lParam);
      } else {
        s->Max = int32_t(lParam);
      }
      s->Pos = TbClamp(*s, s->Pos);
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_SETTIC: {
      const int32_t v = int32_t(lParam);
      if (v <= s->Min || v >= s->Max) return 0;
      auto at = std::lower_bound(s->Ticks.begin(), s->Ticks.end(), v);
      if (at == s->Ticks.end() || *at != v) s->Ticks.insert(at, v);
      InvalidateRect(hwnd, nullptr, false);
      return 1;
    }
    case TBM_GETTIC: return wParam < s->Ticks.size() ? s->Ticks[wParam] : -1;
    case TBM_CLEARTICS:
      s->Ticks.clear();
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_GETPTICS: return s->Ticks.empty() ? 0 : reinterpret_cast<LRESULT>(s->Ticks.data());
    case TBM_GETNUMTICS:
      if ((TbStyle(hwnd) & TBS_NOTICKS) != 0) return 0;
      if ((TbStyle(hwnd) & TBS_AUTOTICKS) != 0 && s->Freq > 0 && s->Max > s->Min)
        return (int64_t(s->Max) - s->Min - 1) / s->Freq + 2;
      return LRESULT(s->Ticks.size() + 2);
    case TBM_GETTICPOS:
      if (wParam >= s->Ticks.size()) return -1;
      return TbAlong(*s, TbGeometry(hwnd, *s), s->Ticks[wParam]);
    case TBM_SETSEL:
      s->SelStart = int16_t(LOWORD(uintptr_t(lParam)));
      s->SelEnd = int16_t(HIWORD(uintptr_t(lParam)));
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_SETSELSTART:
    case TBM_SETSELEND:
      (msg == TBM_SETSELSTART ? s->SelStart : s->SelEnd) = int32_t(lParam);
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_GETSELSTART: return s->SelStart;
    case TBM_GETSELEND: return s->SelEnd;
    case TBM_CLEARSEL:
      s->SelStart = s->SelEnd = 0;
      if (redraw) InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_SETTICFREQ:
      s->Freq = int32_t(wParam);
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_SETPAGESIZE: {
      const int32_t old = s->Page;
      s->Page = int32_t(lParam);
      return old;
    }
    case TBM_GETPAGESIZE: return s->Page;
    case TBM_SETLINESIZE: {
      const int32_t old = s->Line;
      s->Line = int32_t(lParam);
      return old;
    }
    case TBM_GETLINESIZE: return s->Line;
    case TBM_GETTHUMBRECT:
      if (lParam != 0) *reinterpret_cast<TRect*>(lParam) = TbGeometry(hwnd, *s).Thumb;
      return 0;
    case TBM_GETCHANNELRECT:
      if (lParam != 0) *reinterpret_cast<TRect*>(lParam) = TbGeometry(hwnd, *s).Channel;
      return 0;
    case TBM_SETTHUMBLENGTH:
      s->ThumbLength = std::max(4, int32_t(wParam));
      InvalidateRect(hwnd, nullptr, false);
      return 0;
    case TBM_GETTHUMBLENGTH: {
      const TTrackGeometry g = TbGeometry(hwnd, *s);
      return g.Vertical ? g.Thumb.Width() : g.Thumb.Height();
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}
