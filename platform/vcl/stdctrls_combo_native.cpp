// The native "ComboBox" class and its "ComboLBox" list: an edit child (the
// edit styles) or a drawn field, and a list shown permanently (CBS_SIMPLE)
// or as a non-activating popup that the box tracks by mouse capture.
#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_internal.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

struct TComboState {
  HWND Edit = nullptr;
  HWND List = nullptr;
  WNDPROC EditProc = nullptr;
  HFONT Font = nullptr;
  int32_t Cur = -1;
  int32_t Rows = 8;
  int32_t FieldHeight = 0;
  bool Dropped = false;
  bool Focused = false;
  bool ButtonDown = false;  // the press that opened the list is still held
  bool EnteredList = false;
  bool PressInList = false;
  bool Busy = false;  // programmatic edit text: no CBN_EDIT*
};

uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
uint32_t Kind(HWND h) { return Style(h) & CBS_TYPEMASK; }
bool HasEdit(HWND h) { return Kind(h) != CBS_DROPDOWNLIST; }
TComboState* State(HWND h) { return StdState<TComboState>(h); }

LRESULT L(TComboState* s, uint32_t msg, WPARAM w = 0, LPARAM l = 0) { return SendMessage(s->List, msg, w, l); }

void Notify(HWND h, uint32_t code) { StdNotifyParent(h, code); }

TRect ClientOf(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return c;
}

int32_t ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

// The field (edit or drawn selection) inside the sunken edge.
TRect FieldRect(HWND h, TComboState* s) {
  TRect c = ClientOf(h);
  InflateRect(c, -2, -2);
  if (Kind(h) == CBS_SIMPLE) {
    c.Bottom = c.Top + s->FieldHeight;
    return c;
  }
  c.Right -= ButtonWidth();
  return c;
}

TRect ButtonRect(HWND h) {
  TRect c = ClientOf(h);
  InflateRect(c, -2, -2);
  c.Left = c.Right - ButtonWidth();
  return c;
}

String ItemText(TComboState* s, int32_t i) {
  const LRESULT len = L(s, LB_GETTEXTLEN, WPARAM(i));
  if (len < 0) return String();
  String t(size_t(len) + 1, '\0');
  L(s, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t.data()));
  t.resize(size_t(len));
  return t;
}

void SetEditText(HWND h, TComboState* s, const String& text) {
  if (s->Edit == nullptr) {
    InvalidateRect(h, nullptr, false);
    return;
  }
  s->Busy = true;
  SetWindowText(s->Edit, text.c_str());
  SendMessage(s->Edit, EM_SETSEL, 0, -1);
  s->Busy = false;
}

void SetCur(HWND h, TComboState* s, int32_t i, bool notify) {
  const int32_t n = int32_t(L(s, LB_GETCOUNT));
  if (i < -1 || i >= n) i = -1;
  const bool changed = i != s->Cur;
  s->Cur = i;
  L(s, LB_SETCURSEL, WPARAM(i));
  SetEditText(h, s, i >= 0 ? ItemText(s, i) : String());
  InvalidateRect(h, nullptr, false);
  if (notify && changed) Notify(h, CBN_SELCHANGE);
}

void Close(HWND h, TComboState* s, bool accept) {
  if (!s->Dropped) return;
  Notify(h, accept ? CBN_SELENDOK : CBN_SELENDCANCEL);
  s->Dropped = false;
  s->ButtonDown = s->EnteredList = s->PressInList = false;
  ShowWindow(s->List, SW_HIDE);
  if (GetCapture() == h) ReleaseCapture();
  InvalidateRect(h, nullptr, false);
  Notify(h, CBN_CLOSEUP);
  if (accept) {
    const int32_t sel = int32_t(L(s, LB_GETCURSEL));
    if (sel >= 0 && sel != s->Cur) SetCur(h, s, sel, true);
  } else {
    L(s, LB_SETCURSEL, WPARAM(s->Cur));
  }
}

void Open(HWND h, TComboState* s) {
  if (s->Dropped || Kind(h) == CBS_SIMPLE) return;
  Notify(h, CBN_DROPDOWN);
  if (!IsWindow(h)) return;
  const int32_t n = int32_t(L(s, LB_GETCOUNT));
  const int32_t ih = std::max<int32_t>(1, int32_t(L(s, LB_GETITEMHEIGHT, 0)));
  const int32_t rows = std::max<int32_t>(1, std::min(s->Rows, std::max<int32_t>(n, 1)));
  TRect box;
  GetWindowRect(h, &box);
  const int32_t height = rows * ih + 2;
  MONITORINFO mi;
  GetMonitorInfo(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
  int32_t top = box.Bottom;
  if (top + height > mi.rcWork.Bottom) top = box.Top - height;  // above the box
  SetWindowPos(s->List, HWND_TOPMOST, box.Left, top, box.Width(), height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  L(s, LB_SETCURSEL, WPARAM(s->Cur));
  if (s->Cur >= 0) L(s, LB_SETTOPINDEX, WPARAM(s->Cur));
  s->Dropped = true;
  s->EnteredList = s->PressInList = false;
  SetCapture(h);
  InvalidateRect(h, nullptr, false);
}

// Whether a point of the box's client area lies in the list; pt is converted.
bool InList(HWND h, TComboState* s, TPoint& pt) {
  MapWindowPoints(h, s->List, &pt, 1);
  return PtInRect(ClientOf(s->List), pt);
}

int32_t ListItemAt(TComboState* s, TPoint pt) {
  const LRESULT r = L(s, LB_ITEMFROMPOINT, 0, PointToLParam(pt));
  return HIWORD(uint32_t(r)) == 0 ? int32_t(LOWORD(uint32_t(r))) : -1;
}

void KeySelect(HWND h, TComboState* s, int32_t i) {
  const int32_t n = int32_t(L(s, LB_GETCOUNT));
  if (n == 0) return;
  i = std::clamp<int32_t>(i, 0, n - 1);
  if (s->Dropped) {
    L(s, LB_SETCURSEL, WPARAM(i));
    return;
  }
  SetCur(h, s, i, true);
}

bool KeyDown(HWND h, TComboState* s, uint32_t vk, bool alt) {
  const int32_t base = s->Dropped ? int32_t(L(s, LB_GETCURSEL)) : s->Cur;
  const int32_t n = int32_t(L(s, LB_GETCOUNT));
  if ((vk == VK_DOWN || vk == VK_UP) && alt) {
    if (s->Dropped)
      Close(h, s, false);
    else if (vk == VK_DOWN)
      Open(h, s);
    return true;
  }
  switch (vk) {
    case VK_F4:
      if (s->Dropped)
        Close(h, s, false);
      else
        Open(h, s);
      return true;
    case VK_UP: KeySelect(h, s, base < 0 ? 0 : base - 1); return true;
    case VK_DOWN: KeySelect(h, s, base + 1); return true;
    case VK_PRIOR: KeySelect(h, s, base - std::max<int32_t>(1, s->Rows - 1)); return true;
    case VK_NEXT: KeySelect(h, s, base + std::max<int32_t>(1, s->Rows - 1)); return true;
    case VK_HOME:
      if (HasEdit(h) && !s->Dropped) return false;
      KeySelect(h, s, 0);
      return true;
    case VK_END:
      if (HasEdit(h) && !s->Dropped) return false;
      KeySelect(h, s, n - 1);
      return true;
    case VK_RETURN:
      if (!s->Dropped) return false;
      Close(h, s, true);
      return true;
    case VK_ESCAPE:
      if (!s->Dropped) return false;
      Close(h, s, false);
      return true;
    default: return false;
  }
}

LRESULT CALLBACK_EditProc(HWND e, uint32_t msg, WPARAM w, LPARAM l) {
  HWND h = GetParent(e);
  TComboState* s = State(h);
  if (s == nullptr || s->EditProc == nullptr) return DefWindowProc(e, msg, w, l);
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (w == VK_UP || w == VK_DOWN || w == VK_PRIOR || w == VK_NEXT || w == VK_F4 ||
          (s->Dropped && (w == VK_RETURN || w == VK_ESCAPE || w == VK_HOME || w == VK_END)))
        if (KeyDown(h, s, uint32_t(w), msg == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0)) return 0;
      break;
    case WM_CHAR:
      if (s->Dropped && (w == 13 || w == 27)) return 0;
      break;
    case WM_KILLFOCUS: {
      LRESULT r = CallWindowProc(s->EditProc, e, msg, w, l);
      HWND to = reinterpret_cast<HWND>(w);
      if (to != h && to != s->List) {
        Close(h, s, false);
        s->Focused = false;
        Notify(h, CBN_KILLFOCUS);
      }
      return r;
    }
    case WM_SETFOCUS:
      if (!s->Focused) {
        s->Focused = true;
        Notify(h, CBN_SETFOCUS);
      }
      break;
    default: break;
  }
  return CallWindowProc(s->EditProc, e, msg, w, l);
}

void Layout(HWND h, TComboState* s) {
  const TRect f = FieldRect(h, s);
  if (s->Edit != nullptr) MoveWindow(s->Edit, f.Left, f.Top, f.Width(), f.Height(), true);
  if (Kind(h) == CBS_SIMPLE && s->List != nullptr) {
    TRect c = ClientOf(h);
    MoveWindow(s->List, 0, f.Bottom + 2, c.Width(), std::max<int32_t>(0, c.Height() - f.Bottom - 2), true);
  }
}

void Paint(HWND h, HDC dc, TComboState* s) {
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  TRect c = ClientOf(h);
  const bool enabled = IsWindowEnabled(h);
  if (Kind(h) == CBS_SIMPLE) {
    FillRect(dc, c, GetSysColorBrush(COLOR_BTNFACE));
    TRect e{0, 0, c.Width(), FieldRect(h, s).Bottom + 2};
    DrawEdge(dc, e, EDGE_SUNKEN, BF_RECT);
    RestoreDC(dc, saved);
    return;
  }
  TRect edge = c;
  DrawEdge(dc, edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  TRect b = ButtonRect(h);
  DrawFrameControl(dc, &b, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (s->Dropped && s->ButtonDown ? DFCS_PUSHED | DFCS_FLAT : 0) |
                       (enabled ? 0 : DFCS_INACTIVE));
  if (HasEdit(h)) {
    RestoreDC(dc, saved);
    return;
  }
  const TRect f = FieldRect(h, s);
  HBRUSH brush = StdCtlColor(h, WM_CTLCOLOREDIT, dc);
  if (brush == nullptr) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    brush = GetSysColorBrush(COLOR_WINDOW);
  }
  if ((Style(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0) {
    if (!StdIsNullBrush(brush)) FillRect(dc, f, brush);
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_COMBOBOX;
    d.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
    d.itemID = uint32_t(s->Cur);
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState =
        ODS_COMBOBOXEDIT | (s->Focused && !s->Dropped ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    d.hwndItem = h;
    d.hDC = dc;
    d.rcItem = f;
    d.itemData = s->Cur >= 0 ? uintptr_t(L(s, LB_GETITEMDATA, WPARAM(s->Cur))) : 0;
    SendMessage(GetParent(h), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    RestoreDC(dc, saved);
    return;
  }
  const bool highlight = s->Focused && !s->Dropped;
  TRect inner = f;
  if (!StdIsNullBrush(brush)) FillRect(dc, f, brush);
  if (highlight) {
    InflateRect(inner, -1, -1);
    FillRect(dc, inner, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  if (s->Cur >= 0) {
    String t = ItemText(s, s->Cur);
    TRect tr = f;
    tr.Left += 2;
    DrawText(dc, t, &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (highlight) DrawFocusRect(dc, inner);
  RestoreDC(dc, saved);
}

// Owner-draw requests of the list go to the box's parent as the box's.
LRESULT ForwardOwnerDraw(HWND h, uint32_t msg, LPARAM l) {
  const uint32_t id = uint32_t(GetWindowLong(h, GWL_ID));
  if (msg == WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    d->CtlType = ODT_COMBOBOX;
    d->CtlID = id;
    d->hwndItem = h;
  } else {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
    m->CtlType = ODT_COMBOBOX;
    m->CtlID = id;
  }
  return SendMessage(GetParent(h), msg, id, l);
}

}  // namespace

LRESULT StdComboLBoxWndProc(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return StdListBoxWndProc(h, msg, w, l);
}

LRESULT StdComboBoxWndProc(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  TComboState* s = State(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, w, l);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TComboState));
      return DefWindowProc(h, msg, w, l);
    case WM_CREATE: {
      const uint32_t style = Style(h);
      // The field's height: the font's, or the owner's answer for itemID -1.
      HDC dc = GetDC(h);
      TEXTMETRIC tm;
      GetTextMetrics(dc, &tm);
      ReleaseDC(h, dc);
      s->FieldHeight = tm.tmHeight + 2;
      uint32_t listStyle = LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
      if ((style & CBS_SORT) != 0) listStyle |= LBS_SORT;
      if ((style & CBS_OWNERDRAWFIXED) != 0) listStyle |= LBS_OWNERDRAWFIXED;
      if ((style & CBS_OWNERDRAWVARIABLE) != 0) listStyle |= LBS_OWNERDRAWVARIABLE;
      if ((style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0) {
        MEASUREITEMSTRUCT m;
        m.itemID = uint32_t(-1);
        m.itemHeight = uint32_t(tm.tmHeight);
        ForwardOwnerDraw(h, WM_MEASUREITEM, reinterpret_cast<LPARAM>(&m));
        s->FieldHeight = int32_t(m.itemHeight) + 2;
      }
      if (Kind(h) == CBS_SIMPLE)
        s->List = CreateWindowEx(WS_EX_CLIENTEDGE, "ComboLBox", "", WS_CHILD | WS_VISIBLE | listStyle, 0, 0, 10, 10, h,
                                 reinterpret_cast<HMENU>(intptr_t(1000)), nullptr, nullptr);
      else
        s->List = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ComboLBox", "", WS_POPUP | WS_BORDER | listStyle, 0,
                                 0, 10, 10, h, nullptr, nullptr, nullptr);
      if (HasEdit(h)) {
        s->Edit = CreateWindowEx(0, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 10, 10, h,
                                 reinterpret_cast<HMENU>(intptr_t(kComboEditId)), nullptr, nullptr);
        s->EditProc = reinterpret_cast<WNDPROC>(GetWindowLong(s->Edit, GWL_WNDPROC));
        SetWindowLong(s->Edit, GWL_WNDPROC, reinterpret_cast<intptr_t>(&CALLBACK_EditProc));
      }
      Layout(h, s);
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      if (s->List != nullptr && IsWindow(s->List) && Kind(h) != CBS_SIMPLE) DestroyWindow(s->List);
      delete s;
      return DefWindowProc(h, msg, w, l);
    case WM_SIZE: Layout(h, s); return 0;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(w);
      if (s->Edit != nullptr) SendMessage(s->Edit, WM_SETFONT, w, l);
      L(s, WM_SETFONT, w, l);
      if (l != 0) InvalidateRect(h, nullptr, false);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->Dropped ? DLGC_WANTALLKEYS : 0);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      if (w != 0) {
        Paint(h, reinterpret_cast<HDC>(w), s);
      } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc, s);
        EndPaint(h, &ps);
      }
      return 0;
    case WM_ENABLE:
      if (s->Edit != nullptr) EnableWindow(s->Edit, w != 0);
      InvalidateRect(h, nullptr, false);
      return 0;
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(l);
      if (s->Edit != nullptr) {
        s->Busy = true;
        SetWindowText(s->Edit, text != nullptr ? text : "");
        s->Busy = false;
        return 1;
      }
      const LRESULT i = L(s, LB_FINDSTRINGEXACT, WPARAM(-1), l);
      if (i < 0) return CB_ERR;
      SetCur(h, s, int32_t(i), false);
      return 1;
    }
    case WM_GETTEXT: {
      if (s->Edit != nullptr) return SendMessage(s->Edit, msg, w, l);
      if (w == 0 || l == 0) return 0;
      const String t = s->Cur >= 0 ? ItemText(s, s->Cur) : String();
      const size_t n = std::min<size_t>(t.size(), size_t(w) - 1);
      std::memcpy(reinterpret_cast<char*>(l), t.data(), n);
      reinterpret_cast<char*>(l)[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      if (s->Edit != nullptr) return SendMessage(s->Edit, msg, w, l);
      return s->Cur >= 0 ? LRESULT(ItemText(s, s->Cur).size()) : 0;
    case WM_SETFOCUS:
      if (s->Edit != nullptr) {
        SetFocus(s->Edit);
        return 0;
      }
      s->Focused = true;
      InvalidateRect(h, nullptr, false);
      Notify(h, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (s->Edit != nullptr) return 0;
      if (reinterpret_cast<HWND>(w) != s->List) Close(h, s, false);
      s->Focused = false;
      InvalidateRect(h, nullptr, false);
      Notify(h, CBN_KILLFOCUS);
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(l) == s->Edit && s->Edit != nullptr && !s->Busy) {
        if (HIWORD(w) == EN_UPDATE) Notify(h, CBN_EDITUPDATE);
        if (HIWORD(w) == EN_CHANGE) Notify(h, CBN_EDITCHANGE);
      }
      if (reinterpret_cast<HWND>(l) == s->List && Kind(h) == CBS_SIMPLE && HIWORD(w) == LBN_SELCHANGE) {
        const int32_t sel = int32_t(L(s, LB_GETCURSEL));
        if (sel != s->Cur) SetCur(h, s, sel, true);
      }
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: {
      HWND parent = GetParent(h);
      return SendMessage(parent, reinterpret_cast<HWND>(l) == s->List ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT, w,
                         reinterpret_cast<LPARAM>(h));
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM: return ForwardOwnerDraw(h, msg, l);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      TPoint pt = LParamToPoint(l);
      if (s->Dropped) {
        TPoint lp = pt;
        if (InList(h, s, lp)) {
          s->PressInList = true;
          const int32_t i = ListItemAt(s, lp);
          if (i >= 0) L(s, LB_SETCURSEL, WPARAM(i));
          return 0;
        }
        Close(h, s, false);  // a press on the box or outside both
        return 0;
      }
      if (GetFocus() != h && GetFocus() != s->Edit) SetFocus(h);
      if (Kind(h) == CBS_SIMPLE) return 0;
      if (Kind(h) == CBS_DROPDOWNLIST || PtInRect(ButtonRect(h), pt)) {
        s->ButtonDown = true;
        Open(h, s);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->Dropped) {
        TPoint lp = LParamToPoint(l);
        if (InList(h, s, lp)) {
          s->EnteredList = s->EnteredList || s->ButtonDown || s->PressInList;
          const int32_t i = ListItemAt(s, lp);
          if (i >= 0 && (w & MK_LBUTTON) != 0) L(s, LB_SETCURSEL, WPARAM(i));
          if (i >= 0 && (w & MK_LBUTTON) == 0) L(s, LB_SETCURSEL, WPARAM(i));
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->Dropped) {
        TPoint lp = LParamToPoint(l);
        const bool inList = InList(h, s, lp);
        if (inList && (s->EnteredList || s->PressInList) && ListItemAt(s, lp) >= 0) {
          L(s, LB_SETCURSEL, WPARAM(ListItemAt(s, lp)));
          Close(h, s, true);
          return 0;
        }
        s->ButtonDown = false;
        s->PressInList = false;
        InvalidateRect(h, nullptr, false);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s->Dropped && reinterpret_cast<HWND>(l) != h) Close(h, s, false);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (KeyDown(h, s, uint32_t(w), msg == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0)) return 0;
      return DefWindowProc(h, msg, w, l);
    case WM_CHAR:
      if (Kind(h) == CBS_DROPDOWNLIST && w >= 0x21) {
        char key[2] = {char(w < 0x80 ? w : '?'), 0};
        const int32_t from = s->Dropped ? int32_t(L(s, LB_GETCURSEL)) : s->Cur;
        const LRESULT i = L(s, LB_FINDSTRING, WPARAM(from), reinterpret_cast<LPARAM>(key));
        if (i >= 0) KeySelect(h, s, int32_t(i));
      }
      return 0;
    case WM_MOUSEWHEEL:
      if (!s->Dropped) KeySelect(h, s, s->Cur + (GET_WHEEL_DELTA_WPARAM(w) > 0 ? -1 : 1));
      return 0;
    // ---- CB_ messages ----
    case CB_ADDSTRING: return L(s, LB_ADDSTRING, w, l);
    case CB_INSERTSTRING: return L(s, LB_INSERTSTRING, w, l);
    case CB_DELETESTRING: {
      const LRESULT r = L(s, LB_DELETESTRING, w, l);
      if (r >= 0) {
        const int32_t i = int32_t(w);
        if (i == s->Cur)
          SetCur(h, s, -1, false);
        else if (i < s->Cur)
          --s->Cur;
      }
      return r;
    }
    case CB_RESETCONTENT:
      L(s, LB_RESETCONTENT);
      s->Cur = -1;
      SetEditText(h, s, String());
      return 0;
    case CB_GETCOUNT: return L(s, LB_GETCOUNT);
    case CB_GETCURSEL: return s->Cur;
    case CB_SETCURSEL: {
      const int32_t n = int32_t(L(s, LB_GETCOUNT));
      const int32_t i = int32_t(intptr_t(w));
      SetCur(h, s, i, false);
      return i >= 0 && i < n ? i : CB_ERR;
    }
    case CB_GETLBTEXT: return L(s, LB_GETTEXT, w, l);
    case CB_GETLBTEXTLEN: return L(s, LB_GETTEXTLEN, w, l);
    case CB_FINDSTRING: return L(s, LB_FINDSTRING, w, l);
    case CB_FINDSTRINGEXACT: return L(s, LB_FINDSTRINGEXACT, w, l);
    case CB_SELECTSTRING: {
      const LRESULT i = L(s, LB_FINDSTRING, w, l);
      if (i >= 0) SetCur(h, s, int32_t(i), false);
      return i;
    }
    case CB_GETITEMDATA: return L(s, LB_GETITEMDATA, w, l);
    case CB_SETITEMDATA: return L(s, LB_SETITEMDATA, w, l);
    case CB_SHOWDROPDOWN:
      if (w != 0)
        Open(h, s);
      else
        Close(h, s, false);
      return 1;
    case CB_GETDROPPEDSTATE: return s->Dropped ? 1 : 0;
    case CB_GETDROPPEDCONTROLRECT:
      if (l != 0) GetWindowRect(s->List, reinterpret_cast<TRect*>(l));
      return 1;
    case CB_SETITEMHEIGHT:
      if (intptr_t(w) == -1) {
        s->FieldHeight = int32_t(l) + 2;
        Layout(h, s);
        return 0;
      }
      return L(s, LB_SETITEMHEIGHT, w, l);
    case CB_GETITEMHEIGHT: return intptr_t(w) == -1 ? s->FieldHeight - 2 : L(s, LB_GETITEMHEIGHT, w, l);
    case CB_GETEDITSEL:
    case CB_SETEDITSEL:
    case CB_LIMITTEXT: {
      if (s->Edit == nullptr) return CB_ERR;
      if (msg == CB_GETEDITSEL) return SendMessage(s->Edit, EM_GETSEL, w, l);
      if (msg == CB_LIMITTEXT) return SendMessage(s->Edit, EM_LIMITTEXT, w, 0);
      return SendMessage(s->Edit, EM_SETSEL, WPARAM(int16_t(LOWORD(l))), int16_t(HIWORD(l))), 1;
    }
    case CB_GETTOPINDEX: return L(s, LB_GETTOPINDEX);
    case CB_SETTOPINDEX: return L(s, LB_SETTOPINDEX, w);
    case CB_GETHORIZONTALEXTENT: return L(s, LB_GETHORIZONTALEXTENT);
    case CB_SETHORIZONTALEXTENT: return L(s, LB_SETHORIZONTALEXTENT, w);
    case CB_SETMINVISIBLE: s->Rows = std::max<int32_t>(1, int32_t(w)); return 1;
    case CB_GETMINVISIBLE: return s->Rows;
    case CB_SETEXTENDEDUI:
    case CB_GETEXTENDEDUI:
    case CB_SETLOCALE:
    case CB_GETDROPPEDWIDTH:
    case CB_SETDROPPEDWIDTH: return 0;
    case CB_GETLOCALE: return 0x0409;
    case CB_DIR: return CB_ERR;
    default: return DefWindowProc(h, msg, w, l);
  }
}
