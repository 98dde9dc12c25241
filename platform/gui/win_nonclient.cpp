// The default non-client model: metrics, the plain frame, hit codes, presses
// on the frame, the move/size loop and caption-button tracking.
#include "platform/gui/win_nonclient.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_core.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_paint_internal.h"
#include "platform/gui/win_scrollbars.h"

namespace {

constexpr int32_t kCaption = 19;      // SM_CYCAPTION
constexpr int32_t kToolCaption = 15;  // SM_CYSMCAPTION
constexpr int32_t kScrollBar = 17;    // SM_CXVSCROLL / SM_CYHSCROLL
constexpr int32_t kCorner = 18;       // length of a sizing corner along each edge

TRect Inset(TRect r, int32_t d) {
  r.Left += d;
  r.Top += d;
  r.Right -= d;
  r.Bottom -= d;
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

bool Has(const TRect& r) { return !IsRectEmpty(r); }

HBRUSH SysBrush(int index) { return reinterpret_cast<HBRUSH>(uintptr_t(index + 1)); }

}  // namespace

TNcLayout WinNcLayout(uint32_t style, uint32_t exStyle, int32_t width, int32_t height) {
  TNcLayout L;
  L.Window = TRect{0, 0, std::max(width, 0), std::max(height, 0)};
  if (style & WS_THICKFRAME)
    L.Frame = 4;
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    L.Frame = 3;
  else if (style & WS_BORDER)
    L.Frame = 1;
  L.Sizable = (style & WS_THICKFRAME) != 0;
  TRect r = Inset(L.Window, L.Frame);
  if ((style & WS_CAPTION) == WS_CAPTION) {
    L.ToolCaption = (exStyle & WS_EX_TOOLWINDOW) != 0;
    const int32_t ch = std::min(L.ToolCaption ? kToolCaption : kCaption, r.Height());
    L.Caption = TRect{r.Left, r.Top, r.Right, r.Top + ch};
    r.Top += ch;
    const int32_t bh = std::max(ch - 4, 0), bw = bh + 1;
    const int32_t top = L.Caption.Top + 2;
    int32_t right = L.Caption.Right - 2;
    if (style & WS_SYSMENU) {
      L.CloseButton = TRect{right - bw, top, right, top + bh};
      right = L.CloseButton.Left - 2;
      if (!L.ToolCaption && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
        L.MaxButton = TRect{right - bw, top, right, top + bh};
        L.MinButton = TRect{L.MaxButton.Left - bw, top, L.MaxButton.Left, top + bh};
      } else if (exStyle & WS_EX_CONTEXTHELP) {
        L.HelpButton = TRect{right - bw, top, right, top + bh};
      }
      if (!L.ToolCaption && !(exStyle & WS_EX_DLGMODALFRAME)) {
        const int32_t t = L.Caption.Top + (ch - 16) / 2;
        L.SysIcon = TRect{L.Caption.Left + 2, t, L.Caption.Left + 18, t + 16};
      }
    }
  }
  L.EdgeRect = r;
  L.Edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : (exStyle & WS_EX_STATICEDGE) ? 1 : 0;
  r = Inset(r, L.Edge);
  if ((style & WS_VSCROLL) && r.Width() >= kScrollBar) {
    L.VScroll = TRect{r.Right - kScrollBar, r.Top, r.Right, r.Bottom};
    r.Right -= kScrollBar;
  }
  if ((style & WS_HSCROLL) && r.Height() >= kScrollBar) {
    L.HScroll = TRect{r.Left, r.Bottom - kScrollBar, r.Right, r.Bottom};
    r.Bottom -= kScrollBar;
    if (Has(L.VScroll)) {
      L.VScroll.Bottom = r.Bottom;
      L.SizeBox = TRect{L.VScroll.Left, r.Bottom, L.VScroll.Right, L.HScroll.Bottom};
    }
  }
  L.Client = r;
  return L;
}

namespace {

TNcLayout LayoutOf(const TWndRecord& w) {
  return WinNcLayout(w.Style, w.ExStyle, w.WindowRect.Width(), w.WindowRect.Height());
}

// ---- WM_NCHITTEST ----------------------------------------------------------------

LRESULT HitTest(const TWndRecord& w, TPoint screen) {
  const TPoint p{screen.X - w.WindowRect.Left, screen.Y - w.WindowRect.Top};
  const TNcLayout L = LayoutOf(w);
  if (!PtInRect(L.Window, p)) return HTNOWHERE;
  const TPoint c{screen.X - w.ClientRect.Left, screen.Y - w.ClientRect.Top};
  if (PtInRect(TRect{0, 0, w.ClientRect.Width(), w.ClientRect.Height()}, c)) return HTCLIENT;
  const int32_t W = L.Window.Right, H = L.Window.Bottom, f = L.Frame;
  if (f > 0 && (p.X < f || p.X >= W - f || p.Y < f || p.Y >= H - f)) {
    if (!L.Sizable || (w.Style & WS_MAXIMIZE)) return HTBORDER;
    if (p.Y < f) return p.X < kCorner ? HTTOPLEFT : p.X >= W - kCorner ? HTTOPRIGHT : HTTOP;
    if (p.Y >= H - f) return p.X < kCorner ? HTBOTTOMLEFT : p.X >= W - kCorner ? HTBOTTOMRIGHT : HTBOTTOM;
    if (p.X < f) return p.Y < kCorner ? HTTOPLEFT : p.Y >= H - kCorner ? HTBOTTOMLEFT : HTLEFT;
    return p.Y < kCorner ? HTTOPRIGHT : p.Y >= H - kCorner ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if (PtInRect(L.Caption, p)) {
    if (PtInRect(L.CloseButton, p)) return HTCLOSE;
    if (PtInRect(L.MaxButton, p)) return HTMAXBUTTON;
    if (PtInRect(L.MinButton, p)) return HTMINBUTTON;
    if (PtInRect(L.HelpButton, p)) return HTHELP;
    if (PtInRect(L.SysIcon, p)) return HTSYSMENU;
    return HTCAPTION;
  }
  if (PtInRect(L.VScroll, p)) return HTVSCROLL;
  if (PtInRect(L.HScroll, p)) return HTHSCROLL;
  if (PtInRect(L.SizeBox, p)) return HTGROWBOX;
  return HTBORDER;
}

// ---- WM_NCPAINT -----------------------------------------------------------------------

bool ButtonEnabled(const TWndRecord& w, LRESULT code) {
  switch (code) {
    case HTCLOSE: return !(w.Class && (w.Class->Style & CS_NOCLOSE));
    case HTMAXBUTTON: return (w.Style & WS_MAXIMIZEBOX) != 0;
    case HTMINBUTTON: return (w.Style & WS_MINIMIZEBOX) != 0;
    case HTHELP: return true;
    default: return false;
  }
}

void Line(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

void DrawCaptionButton(HDC dc, const TRect& rect, LRESULT code, bool pressed, bool enabled, bool zoomed) {
  if (!Has(rect)) return;
  TRect r = rect;
  DrawEdge(dc, r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  const int32_t o = pressed ? 1 : 0;
  const int32_t l = rect.Left + 3 + o, t = rect.Top + 3 + o;
  const int32_t rr = rect.Right - 4 + o, b = rect.Bottom - 4 + o;
  auto glyph = [&](COLORREF color, int32_t shift) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    const int32_t L2 = l + shift, T2 = t + shift, R2 = rr + shift, B2 = b + shift;
    switch (code) {
      case HTCLOSE:
        for (int32_t i = 0; i < 2; ++i) {
          Line(dc, L2 + i, T2, R2 + i, B2 + 1);
          Line(dc, R2 - 1 + i, T2, L2 - 1 + i, B2 + 1);
        }
        break;
      case HTMAXBUTTON:
        if (zoomed) {
          const int32_t m = (R2 - L2) / 3;
          Rectangle(dc, L2 + m, T2, R2 + 1, B2 - m + 1);
          Rectangle(dc, L2, T2 + m, R2 - m + 1, B2 + 1);
        } else {
          Line(dc, L2, T2 + 1, R2 + 1, T2 + 1);
          Line(dc, L2, T2, R2 + 1, T2);
          Line(dc, L2, T2, L2, B2 + 1);
          Line(dc, R2, T2, R2, B2 + 1);
          Line(dc, L2, B2, R2 + 1, B2);
        }
        break;
      case HTMINBUTTON:
        Line(dc, L2 + 1, B2, R2 - 1, B2);
        Line(dc, L2 + 1, B2 - 1, R2 - 1, B2 - 1);
        break;
      case HTHELP: {
        const int32_t cx = (L2 + R2) / 2;
        Line(dc, cx - 2, T2 + 1, cx - 1, T2);
        Line(dc, cx - 1, T2, cx + 2, T2);
        Line(dc, cx + 2, T2, cx + 2, T2 + 3);
        Line(dc, cx + 2, T2 + 3, cx, T2 + 5);
        Line(dc, cx, T2 + 5, cx, B2 - 2);
        Line(dc, cx, B2, cx + 1, B2);
        break;
      }
      default: break;
    }
    SelectObject(dc, old);
    DeleteObject(pen);
  };
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  if (enabled) {
    glyph(GetSysColor(COLOR_BTNTEXT), 0);
  } else {
    glyph(GetSysColor(COLOR_BTNHIGHLIGHT), 1);
    glyph(GetSysColor(COLOR_GRAYTEXT), 0);
  }
  SelectObject(dc, oldBrush);
}

HICON SmallIconOf(const TWndRecord& w) {
  if (w.IconSmall) return w.IconSmall;
  if (w.IconBig) return w.IconBig;
  if (w.Class && w.Class->IconSm) return w.Class->IconSm;
  return w.Class ? w.Class->Icon : nullptr;
}

void PaintFrame(TWndRecord& w, WPARAM updateRgn) {
  const TNcLayout L = LayoutOf(w);
  if (L.Client == L.Window) return;  // nothing outside the client area
  HRGN clip = nullptr;
  uint32_t flags = DCX_WINDOW | DCX_CACHE;
  if (updateRgn > 1) {
    HRGN given = reinterpret_cast<HRGN>(updateRgn);
    clip = CreateRectRgn(0, 0, 0, 0);
    if (CombineRgn(clip, given, nullptr, RGN_COPY) != ERROR) {
      flags |= DCX_INTERSECTRGN;
    } else {
      DeleteObject(clip);
      clip = nullptr;
    }
  }
  HDC dc = GetDCEx(w.Handle, clip, flags);
  if (!dc) return;
  // The client area is left alone.
  const TRect client{w.ClientRect.Left - w.WindowRect.Left, w.ClientRect.Top - w.WindowRect.Top,
                     w.ClientRect.Right - w.WindowRect.Left, w.ClientRect.Bottom - w.WindowRect.Top};
  ExcludeClipRect(dc, client.Left, client.Top, client.Right, client.Bottom);
  const TWndPaintState& state = WinPaintStateOf(w);
  // Frame.
  if (L.Frame == 1) {
    FrameRect(dc, L.Window, SysBrush(COLOR_WINDOWFRAME));
  } else if (L.Frame > 1) {
    TRect r = L.Window;
    DrawEdge(dc, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const int32_t ring = L.Frame - 2;
    if (ring > 0) {
      const TRect in = Inset(L.Window, L.Frame);
      HBRUSH face = SysBrush(COLOR_BTNFACE);
      FillRect(dc, TRect{r.Left, r.Top, r.Right, in.Top}, face);
      FillRect(dc, TRect{r.Left, in.Bottom, r.Right, r.Bottom}, face);
      FillRect(dc, TRect{r.Left, in.Top, in.Left, in.Bottom}, face);
      FillRect(dc, TRect{in.Right, in.Top, r.Right, in.Bottom}, face);
    }
  }
  // Caption.
  if (Has(L.Caption)) {
    const bool active = state.NcActive;
    FillRect(dc, L.Caption, SysBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    int32_t textLeft = L.Caption.Left + 2;
    if (Has(L.SysIcon)) {
      if (HICON icon = SmallIconOf(w))
        DrawIconEx(dc, L.SysIcon.Left, L.SysIcon.Top, icon, 16, 16, 0, nullptr, DI_NORMAL);
      textLeft = L.SysIcon.Right + 2;
    }
    int32_t textRight = L.Caption.Right - 2;
    for (const TRect* b : {&L.MinButton, &L.HelpButton, &L.CloseButton})
      if (Has(*b)) textRight = std::min(textRight, b->Left - 2);
    if (!w.Text.empty() && textRight > textLeft) {
      NONCLIENTMETRICS ncm;
      ncm.cbSize = sizeof ncm;
      HFONT font = nullptr;
      if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        font = CreateFontIndirect(L.ToolCaption ? ncm.lfSmCaptionFont : ncm.lfCaptionFont);
      HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
      TRect tr{textLeft, L.Caption.Top, textRight, L.Caption.Bottom};
      DrawText(dc, w.Text.c_str(), -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
      if (font) {
        SelectObject(dc, old);
        DeleteObject(font);
      }
    }
    const bool zoomed = (w.Style & WS_MAXIMIZE) != 0;
    const std::pair<const TRect*, LRESULT> buttons[] = {
        {&L.CloseButton, HTCLOSE}, {&L.MaxButton, HTMAXBUTTON}, {&L.MinButton, HTMINBUTTON}, {&L.HelpButton, HTHELP}};
    for (const auto& [rect, code] : buttons)
      DrawCaptionButton(dc, *rect, code, state.PressedButton == code, ButtonEnabled(w, code), zoomed);
  }
  // Client edge.
  if (L.Edge == 2) {
    TRect r = L.EdgeRect;
    DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT);
  } else if (L.Edge == 1) {
    TRect r = L.EdgeRect;
    DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
  }
  // Scroll bars.
  if (Has(L.VScroll)) WinDrawScrollBar(dc, w, true, L.VScroll);
  if (Has(L.HScroll)) WinDrawScrollBar(dc, w, false, L.HScroll);
  if (Has(L.SizeBox)) FillRect(dc, L.SizeBox, SysBrush(COLOR_BTNFACE));
  ReleaseDC(w.Handle, dc);
}

// ---- The move/size loop -------------------------------------------------------------

void MoveSizeLoop(HWND hwnd, uint32_t edge, TPoint start) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || (w->Style & (WS_MAXIMIZE | WS_MINIMIZE))) return;
  const bool moving = edge == 0;
  const MINMAXINFO mmi = WinQueryMinMax(*w);
  if ((w = WinFind(hwnd)) == nullptr) return;
  // Rectangles are in the parent's client coordinates for child windows.
  const TPoint po = w->IsChild() ? w->Parent->ClientOrigin() : TPoint{};
  const TRect startRect{w->WindowRect.Left - po.X, w->WindowRect.Top - po.Y, w->WindowRect.Right - po.X,
                        w->WindowRect.Bottom - po.Y};
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  auto place = [&](TRect r) {
    TWndRecord* cur = WinFind(hwnd);
    if (!cur) return;
    const TRect now = cur->RectInParent();
    if (r == now) return;
    SetWindowPos(hwnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto track = [&](TPoint pt) {
    const int32_t dx = pt.X - start.X, dy = pt.Y - start.Y;
    TRect r = startRect;
    if (moving) {
      OffsetRect(r, dx, dy);
      SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    } else {
      const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
      const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
      const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
      const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
      if (left) r.Left += dx;
      if (right) r.Right += dx;
      if (top) r.Top += dy;
      if (bottom) r.Bottom += dy;
      const int32_t cw =
          std::clamp(r.Width(), mmi.ptMinTrackSize.X, std::max(mmi.ptMinTrackSize.X, mmi.ptMaxTrackSize.X));
      const int32_t ch =
          std::clamp(r.Height(), mmi.ptMinTrackSize.Y, std::max(mmi.ptMinTrackSize.Y, mmi.ptMaxTrackSize.Y));
      if (left)
        r.Left = r.Right - cw;
      else
        r.Right = r.Left + cw;
      if (top)
        r.Top = r.Bottom - ch;
      else
        r.Bottom = r.Top + ch;
      SendMessage(hwnd, WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
    }
    place(r);
  };
  WinCaptureLoop(hwnd, "move/size loop", [&](const TMSG& m) {
    switch (m.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE: track(m.pt); return false;
      case WM_LBUTTONUP:
      case WM_NCLBUTTONUP: return true;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (m.wParam == VK_ESCAPE) {
          place(startRect);
          return true;
        }
        return m.wParam == VK_RETURN;
      default:
        if (WinIsMouseOrKey(m.message)) return false;  // the loop owns the input
        TranslateMessage(&m);
        DispatchMessage(&m);
        return false;
    }
  });
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

// ---- Caption buttons ----------------------------------------------------------------

TRect ButtonRect(const TNcLayout& L, LRESULT code) {
  switch (code) {
    case HTCLOSE: return L.CloseButton;
    case HTMAXBUTTON: return L.MaxButton;
    case HTMINBUTTON: return L.MinButton;
    case HTHELP: return L.HelpButton;
    default: return TRect{};
  }
}

void TrackCaptionButton(HWND hwnd, LRESULT code) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !ButtonEnabled(*w, code) || IsRectEmpty(ButtonRect(LayoutOf(*w), code))) return;
  auto over = [&](TPoint screen) {
    TWndRecord* cur = WinFind(hwnd);
    if (!cur) return false;
    const TRect b = ButtonRect(LayoutOf(*cur), code);
    return PtInRect(b, TPoint{screen.X - cur->WindowRect.Left, screen.Y - cur->WindowRect.Top});
  };
  auto show = [&](bool pressed) {
    TWndRecord* cur = WinFind(hwnd);
    if (!cur) return;
    TWndPaintState& s = WinPaintStateOf(*cur);
    const LRESULT want = pressed ? code : 0;
    if (s.PressedButton == want) return;
    s.PressedButton = want;
    WinRepaintFrameNow(hwnd);
  };
  show(true);
  bool released = false;
  TPoint at;
  WinCaptureLoop(hwnd, "caption button", [&](const TMSG& m) {
    switch (m.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE: show(over(m.pt)); return false;
      case WM_LBUTTONUP:
      case WM_NCLBUTTONUP:
        released = over(m.pt);
        at = m.pt;
        return true;
      case WM_KEYDOWN: return m.wParam == VK_ESCAPE;
      default:
        if (WinIsMouseOrKey(m.message)) return false;
        TranslateMessage(&m);
        DispatchMessage(&m);
        return false;
    }
  });
  show(false);
  if (!released || !IsWindow(hwnd)) return;
  WPARAM cmd = 0;
  switch (code) {
    case HTCLOSE: cmd = SC_CLOSE; break;
    case HTMAXBUTTON: cmd = IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE; break;
    case HTMINBUTTON: cmd = IsIconic(hwnd) ? SC_RESTORE : SC_MINIMIZE; break;
    case HTHELP: cmd = SC_CONTEXTHELP; break;
    default: return;
  }
  SendMessage(hwnd, WM_SYSCOMMAND, cmd, MAKELPARAM(at.X, at.Y));
}

TPoint PointOf(LPARAM lParam) {
  if (lParam == 0) {
    TPoint p;
    GetCursorPos(&p);
    return p;
  }
  return TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// Answers what DefWindowProc of the core does with the message, this layer
// left out (for messages whose core default must run before ours).
LRESULT CoreDefault(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  struct TBypass {
    decltype(TWinHooks::DefWindowProc) Saved;
    TBypass() : Saved(std::move(WinHooks().DefWindowProc)) { WinHooks().DefWindowProc = nullptr; }
    ~TBypass() { WinHooks().DefWindowProc = std::move(Saved); }
  } bypass;
  return DefWindowProc(w.Handle, msg, wParam, lParam);
}

}  // namespace

bool WinNcDefault(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_NCCALCSIZE: {
      TRect* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<TRect*>(lParam);
      if (r) {
        const TNcLayout L = WinNcLayout(w.Style, w.ExStyle, r->Width(), r->Height());
        *r = TRect{r->Left + L.Client.Left, r->Top + L.Client.Top, r->Left + L.Client.Right, r->Top + L.Client.Bottom};
      }
      result = 0;
      return true;
    }
    case WM_NCHITTEST: result = HitTest(w, TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return true;
    case WM_NCPAINT:
      PaintFrame(w, wParam);
      result = 0;
      return true;
    case WM_NCACTIVATE:
      WinPaintStateOf(w).NcActive = wParam != 0;
      if (lParam != -1) w.NcPaintPending = true;
      result = 1;
      return true;
    case WM_SETTEXT:
      result = CoreDefault(w, msg, wParam, lParam);
      if (TWndRecord* cur = WinFind(w.Handle); cur && (cur->Style & WS_CAPTION) == WS_CAPTION)
        cur->NcPaintPending = true;
      return true;
    case WM_NCLBUTTONDOWN: {
      const HWND hwnd = w.Handle;
      const LRESULT code = static_cast<LRESULT>(wParam);
      if (code == HTCAPTION) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      } else if (code >= HTLEFT && code <= HTBOTTOMRIGHT) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | WPARAM(code - HTLEFT + WMSZ_LEFT), lParam);
      } else if (code == HTGROWBOX) {
        if (w.Style & WS_THICKFRAME) SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, lParam);
      } else if (code == HTCLOSE || code == HTMAXBUTTON || code == HTMINBUTTON || code == HTHELP) {
        TrackCaptionButton(hwnd, code);
      } else if (code == HTVSCROLL || code == HTHSCROLL) {
        WinTrackScrollBar(w, code == HTVSCROLL, PointOf(lParam));
      }
      result = 0;
      return true;
    }
    case WM_NCLBUTTONDBLCLK:
      // On the caption it maximises or restores; elsewhere it is one more press.
      if (static_cast<LRESULT>(wParam) == HTCAPTION) {
        if (w.Style & WS_MAXIMIZEBOX)
          SendMessage(w.Handle, WM_SYSCOMMAND, IsZoomed(w.Handle) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        result = 0;
        return true;
      }
      return WinNcDefault(w, WM_NCLBUTTONDOWN, wParam, lParam, result);
    case WM_SYSCOMMAND: {
      const WPARAM cmd = wParam & 0xFFF0;
      if (cmd == SC_MOVE) {
        MoveSizeLoop(w.Handle, 0, PointOf(lParam));
      } else if (cmd == SC_SIZE) {
        const uint32_t edge = static_cast<uint32_t>(wParam & 0xF);
        MoveSizeLoop(w.Handle, edge >= WMSZ_LEFT && edge <= WMSZ_BOTTOMRIGHT ? edge : WMSZ_BOTTOMRIGHT,
                     PointOf(lParam));
      } else {
        return false;
      }
      result = 0;
      return true;
    }
    default: return false;
  }
}
