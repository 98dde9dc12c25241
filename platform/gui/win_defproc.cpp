// DefWindowProc: the painting / non-client layer's hook first, then the input
// defaults, then what the core does itself.
#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_core.h"

namespace {

inline constexpr WPARAM kIconSmall = 0;
inline constexpr WPARAM kIconBig = 1;
inline constexpr WPARAM kIconSmall2 = 2;

// Copies at most size - 1 bytes, not splitting a UTF-8 sequence.
LRESULT CopyText(const String& text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  if (n < text.size())
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

void WindowPosChangedDefault(TWndRecord& w, const WINDOWPOS& wp) {
  const HWND h = w.Handle;
  const bool move = (wp.flags & SWP_NOCLIENTMOVE) == 0;
  const bool size = (wp.flags & SWP_NOCLIENTSIZE) == 0;
  if (move) {
    TPoint po = WinParentOrigin(w);
    WinCallProc(w, WM_MOVE, 0, MAKELPARAM(w.ClientRect.Left - po.X, w.ClientRect.Top - po.Y));
  }
  TWndRecord* again = WinFind(h);
  if (again == nullptr) return;
  if (size) {
    WPARAM type = (again->Style & WS_MINIMIZE) != 0   ? SIZE_MINIMIZED
                  : (again->Style & WS_MAXIMIZE) != 0 ? SIZE_MAXIMIZED
                                                      : SIZE_RESTORED;
    int32_t cw = type == SIZE_MINIMIZED ? 0 : std::max(again->ClientRect.Width(), 0);
    int32_t ch = type == SIZE_MINIMIZED ? 0 : std::max(again->ClientRect.Height(), 0);
    WinCallProc(*again, WM_SIZE, type, MAKELPARAM(cw, ch));
  }
  if (move && size)
    if (TWndRecord* w2 = WinFind(h)) w2->NeedSizeMove = false;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return 0;
  LRESULT r = 0;
  if (WinHooks().DefWindowProc && WinHooks().DefWindowProc(*w, msg, wParam, lParam, r)) return r;
  if (WinDefInputProc(*w, msg, wParam, lParam, r)) return r;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) w->Text = cs->lpszName;
      return 1;
    }
    case WM_NCCALCSIZE: return 0;  // the client area is the whole window
    case WM_NCHITTEST: {
      TPoint pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(w->ClientRect, pt)) return HTCLIENT;
      return PtInRect(w->WindowRect, pt) ? HTBORDER : HTNOWHERE;
    }
    case WM_PAINT:
      w->UpdateRgn = TRegion();
      w->InternalPaint = false;
      w->ErasePending = false;
      return 0;
    case WM_NCACTIVATE: return 1;
    case WM_SETREDRAW: w->RedrawDisabled = wParam == 0; return 0;
    case WM_WINDOWPOSCHANGED:
      if (lParam != 0) WindowPosChangedDefault(*w, *reinterpret_cast<const WINDOWPOS*>(lParam));
      return 0;
    case WM_SETTEXT: w->Text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : ""; return 1;
    case WM_GETTEXT: return CopyText(w->Text, reinterpret_cast<char*>(lParam), size_t(wParam));
    case WM_GETTEXTLENGTH: return LRESULT(w->Text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
      }
      return 0;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN: return 1;
    case WM_SETICON: {
      HICON old;
      if (wParam == kIconBig) {
        old = w->IconBig;
        w->IconBig = reinterpret_cast<HICON>(lParam);
      } else {
        old = w->IconSmall;
        w->IconSmall = reinterpret_cast<HICON>(lParam);
      }
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      if (wParam == kIconBig) return reinterpret_cast<LRESULT>(w->IconBig);
      if (wParam == kIconSmall) return reinterpret_cast<LRESULT>(w->IconSmall);
      if (wParam == kIconSmall2) return reinterpret_cast<LRESULT>(w->IconSmall != nullptr ? w->IconSmall : w->IconBig);
      return 0;
    case WM_RBUTTONUP: {
      TPoint pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &pt);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(pt.X, pt.Y));
      return 0;
    }
    case WM_CONTEXTMENU:
      if (w->IsChild()) SendMessage(w->Parent->Handle, WM_CONTEXTMENU, wParam, lParam);
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
      // A scroll bar control's channel keeps the scroll bar colour.
      const int back = msg == WM_CTLCOLORSCROLLBAR ? COLOR_SCROLLBAR : window ? COLOR_WINDOW : COLOR_3DFACE;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(back));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
    }
    default: return 0;
  }
}
