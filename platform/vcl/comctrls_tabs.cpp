// The tab control: the native class "SysTabControl32" (state in the window's
// first extra slot, painting into a DC given in wParam, notifications by
// WM_NOTIFY) and the framework's tab and page controls over it.
#include "platform/vcl/comctrls_tabs.h"

#include <algorithm>

#include "platform/gui/imagelist.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/barctrls.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/imglist.h"
#include "platform/rtl/scopeguard.h"

// ================================================================================
// "SysTabControl32"
// ================================================================================

namespace {

struct TTabItem {
  String Text;
  int32_t Image = -1;
  LPARAM Param = 0;
  uint32_t State = 0;
  // Layout: the tab's length along the row, its row and its offset in the row.
  int32_t Length = 0;
  int32_t Row = 0;
  int32_t Offset = 0;
};

struct TTabState {
  std::vector<TTabItem> Items;
  int32_t Sel = -1;
  int32_t Focus = -1;
  HIMAGELIST Images = nullptr;
  HFONT Font = nullptr;
  int32_t ItemWidth = 0;  // TCM_SETITEMSIZE
  int32_t ItemHeight = 0;
  int32_t MinTabWidth = -1;
  int32_t Rows = 1;
  int32_t First = 0;  // the first visible tab of a single row
  HWND Scroller = nullptr;
  bool Focused = false;
  int32_t Pressed = -1;  // a button (TCS_BUTTONS) held down
};

TTabState* State(HWND h) { return reinterpret_cast<TTabState*>(GetWindowLong(h, 0)); }
uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
bool Vertical(HWND h) { return (Style(h) & TCS_VERTICAL) != 0; }
bool MultiRow(HWND h) { return (Style(h) & (TCS_MULTILINE | TCS_VERTICAL)) != 0; }
// Bottom tabs, or right tabs with TCS_VERTICAL.
bool FarSide(HWND h) { return (Style(h) & TCS_BOTTOM) != 0; }

TSize ClientSize(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return TSize{c.Width(), c.Height()};
}

int32_t ImageWidth(const TTabState& s) {
  int32_t cx = 0, cy = 0;
  if (s.Images == nullptr || !ImageList_GetIconSize(s.Images, &cx, &cy)) return 0;
  return cx;
}
int32_t ImageHeight(const TTabState& s) {
  int32_t cx = 0, cy = 0;
  if (s.Images == nullptr || !ImageList_GetIconSize(s.Images, &cx, &cy)) return 0;
  return cy;
}

// Tab height: the set height, else the taller of text and image plus 6.
int32_t TabHeight(const TTabState& s) {
  if (s.ItemHeight > 0) return s.ItemHeight;
  return std::max(StdFontHeight(s.Font), ImageHeight(s)) + 6;
}

int32_t TextWidth(HWND h, const TTabState& s, const String& text) {
  if (text.empty()) return 0;
  HDC dc = GetDC(h);
  const int32_t saved = SaveDC(dc);
  if (s.Font != nullptr) SelectObject(dc, s.Font);
  TRect r{0, 0, 0, 0};
  DrawText(dc, text.c_str(), int32_t(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
  RestoreDC(dc, saved);
  ReleaseDC(h, dc);
  return r.Width();
}

bool HasImage(const TTabState& s, const TTabItem& it) {
  return s.Images != nullptr && it.Image >= 0 && it.Image < ImageList_GetImageCount(s.Images);
}

int32_t TabLength(HWND h, const TTabState& s, const TTabItem& it) {
  if ((Style(h) & TCS_FIXEDWIDTH) != 0 && s.ItemWidth > 0) return s.ItemWidth;
  int32_t w = TextWidth(h, s, it.Text) + 12;
  if (HasImage(s, it)) w += ImageWidth(s) + 3;
  if (s.MinTabWidth > 0) w = std::max(w, s.MinTabWidth);
  return w;
}

// The room along the rows.
int32_t RowRoom(HWND h) {
  const TSize sz = ClientSize(h);
  return Vertical(h) ? sz.cy : sz.cx;
}

// Whether single-row tabs overflow the window.
bool Overflows(HWND h, const TTabState& s) {
  if (MultiRow(h) || s.Items.empty()) return false;
  const TTabItem& last = s.Items.back();
  return 2 + last.Offset + last.Length > RowRoom(h);
}

// The largest first visible tab: the one from which the remaining tabs fit
// left of the scroller.
int32_t MaxFirst(HWND h, const TTabState& s) {
  if (!Overflows(h, s)) return 0;
  const int32_t room = RowRoom(h) - 2 * TabHeight(s);
  int32_t f = int32_t(s.Items.size()) - 1, len = s.Items.back().Length;
  while (f > 0 && len + s.Items[size_t(f - 1)].Length <= room) len += s.Items[size_t(--f)].Length;
  return f;
}

void DestroyScroller(TTabState& s) {
  HWND scroller = s.Scroller;
  s.Scroller = nullptr;
  if (scroller != nullptr && IsWindow(scroller)) DestroyWindow(scroller);
}

// The scroller is a child somebody else may destroy: it counts only while it
// is still our child window.
bool ScrollerAlive(HWND h, TTabState& s) {
  if (s.Scroller != nullptr && (!IsWindow(s.Scroller) || GetParent(s.Scroller) != h)) s.Scroller = nullptr;
  return s.Scroller != nullptr;
}

void PlaceScroller(HWND h, TTabState& s) {
  if (!Overflows(h, s)) {
    DestroyScroller(s);
    s.First = 0;
    return;
  }
  const int32_t th = TabHeight(s);
  const TSize sz = ClientSize(h);
  const int32_t x = sz.cx - 2 * th, y = FarSide(h) ? sz.cy - 2 - th : 2;
  if (!ScrollerAlive(h, s)) {
    RegisterBarControlClasses();
    s.Scroller = CreateWindowEx(0, "msctls_updown32", "", WS_CHILD | WS_VISIBLE | UDS_HORZ, x, y, 2 * th, th, h,
                                nullptr, nullptr, nullptr);
  } else {
    SetWindowPos(s.Scroller, nullptr, x, y, 2 * th, th, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (s.Scroller == nullptr) return;
  SendMessage(s.Scroller, UDM_SETRANGE32, 0, MaxFirst(h, s));
  SendMessage(s.Scroller, UDM_SETPOS32, 0, s.First);
}

// Lays the tabs out in rows; rows are numbered by their distance from the
// display area (row 0 holds the selected tab).
void Layout(HWND h, TTabState& s, bool scroller = true) {
  for (TTabItem& it : s.Items) it.Length = TabLength(h, s, it);
  int32_t rows = 1;
  if (MultiRow(h)) {
    const int32_t room = RowRoom(h) - 4;
    int32_t offset = 0, row = 0;
    for (TTabItem& it : s.Items) {
      if (offset > 0 && offset + it.Length > room) {
        ++row;
        offset = 0;
      }
      it.Row = row;
      it.Offset = offset;
      offset += it.Length;
    }
    rows = row + 1;
    const int32_t selRow = s.Sel >= 0 && s.Sel < int32_t(s.Items.size()) ? s.Items[size_t(s.Sel)].Row : 0;
    for (TTabItem& it : s.Items) it.Row = (it.Row - selRow + rows) % rows;
  } else {
    int32_t offset = 0;
    for (TTabItem& it : s.Items) {
      it.Row = 0;
      it.Offset = offset;
      offset += it.Length;
    }
  }
  s.Rows = rows;
  s.First = std::clamp(s.First, 0, MaxFirst(h, s));
  if (scroller) PlaceScroller(h, s);
}

// The band of the tab rows: its depth across the rows.
int32_t BandDepth(const TTabState& s) { return 2 + s.Rows * TabHeight(s) + 4; }

TRect ItemRect(HWND h, const TTabState& s, int32_t i) {
  const TTabItem& it = s.Items[size_t(i)];
  const int32_t th = TabHeight(s);
  const TSize sz = ClientSize(h);
  int32_t along = 2 + it.Offset;
  if (!MultiRow(h) && s.First > 0)  // scrolled: the first visible tab starts at the edge
    along = it.Offset - s.Items[size_t(s.First)].Offset;
  // The row's distance from the window's tab side.
  const int32_t across =
      FarSide(h) ? (Vertical(h) ? sz.cx : sz.cy) - 2 - (s.Rows - it.Row) * th : 2 + (s.Rows - 1 - it.Row) * th;
  if (Vertical(h)) return TRect{across, along, across + th, along + it.Length};
  return TRect{along, across, along + it.Length, across + th};
}

// TCM_ADJUSTRECT: window -> display area (or back with larger).
void AdjustRect(HWND h, const TTabState& s, bool larger, TRect& r) {
  const int32_t sign = larger ? -1 : 1;
  const int32_t band = BandDepth(s);
  r.Left += sign * 4;
  r.Top += sign * 4;
  r.Right -= sign * 4;
  r.Bottom -= sign * 4;
  if (Vertical(h)) {
    if (FarSide(h))
      r.Right -= sign * (band - 4);
    else
      r.Left += sign * (band - 4);
  } else {
    if (FarSide(h))
      r.Bottom -= sign * (band - 4);
    else
      r.Top += sign * (band - 4);
  }
}

int32_t HitTest(HWND h, const TTabState& s, TPoint p, uint32_t* flags) {
  for (int32_t i = 0; i < int32_t(s.Items.size()); ++i) {
    const TRect r = ItemRect(h, s, i);
    if (!PtInRect(r, p)) continue;
    if (flags != nullptr) {
      *flags = TCHT_ONITEMLABEL;
      if (HasImage(s, s.Items[size_t(i)]) && p.X < r.Left + 6 + ImageWidth(s)) *flags = TCHT_ONITEMICON;
    }
    return i;
  }
  if (flags != nullptr) *flags = TCHT_NOWHERE;
  return -1;
}

LRESULT Notify(HWND h, uint32_t code) { return ComNotifyCode(h, code); }

void EnsureVisible(HWND h, TTabState& s, int32_t i) {
  if (MultiRow(h) || i < 0 || i >= int32_t(s.Items.size())) return;
  if (i < s.First) {
    s.First = i;
  } else {
    const int32_t limit = RowRoom(h) - (ScrollerAlive(h, s) ? 2 * TabHeight(s) : 0);
    while (s.First < i && ItemRect(h, s, i).Right > limit) ++s.First;
  }
  s.First = std::clamp(s.First, 0, MaxFirst(h, s));
  if (ScrollerAlive(h, s)) SendMessage(s.Scroller, UDM_SETPOS32, 0, s.First);
}

void Select(HWND h, TTabState& s, int32_t i) {
  s.Sel = i;
  s.Focus = i;
  Layout(h, s, false);
  EnsureVisible(h, s, i);
  InvalidateRect(h, nullptr, true);
}

// A selection by the user: TCN_SELCHANGING may refuse it.
void UserSelect(HWND h, int32_t i) {
  TTabState* s = State(h);
  if (s == nullptr || i < 0 || i >= int32_t(s->Items.size()) || i == s->Sel) return;
  if (Notify(h, TCN_SELCHANGING) != 0) return;
  if ((s = State(h)) == nullptr || i >= int32_t(s->Items.size())) return;
  Select(h, *s, i);
  Notify(h, TCN_SELCHANGE);
}

void FillColor(HDC dc, const TRect& r, int32_t sysColor) { FillRect(dc, r, GetSysColorBrush(sysColor)); }

// Left tabs read upwards, right tabs downwards; the image comes first.
void PaintVerticalLabel(HWND h, HDC dc, const TTabState& s, const TTabItem& it, const TRect& r, const TRect& content,
                        bool focused) {
  const bool right = FarSide(h);
  int32_t along = right ? r.Top + 6 : r.Bottom - 6;
  if (HasImage(s, it)) {
    const int32_t ix = r.Left + (r.Width() - ImageWidth(s)) / 2;
    ImageList_Draw(s.Images, it.Image, dc, ix, right ? along : along - ImageHeight(s), ILD_TRANSPARENT);
    along += (right ? 1 : -1) * (ImageHeight(s) + 3);
  }
  LOGFONT lf;
  if (s.Font == nullptr || GetObject(s.Font, int32_t(sizeof lf), &lf) == 0)
    GetObject(GetStockObject(DEFAULT_GUI_FONT), int32_t(sizeof lf), &lf);
  lf.lfEscapement = lf.lfOrientation = right ? 2700 : 900;
  HFONT rotated = CreateFontIndirect(lf);
  const int32_t saved = SaveDC(dc);
  SelectObject(dc, rotated);
  IntersectClipRect(dc, content.Left, content.Top, content.Right, content.Bottom);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(h) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const int32_t th = StdFontHeight(s.Font);
  const int32_t across = right ? r.Right - (r.Width() - th) / 2 : r.Left + (r.Width() - th) / 2;
  TextOut(dc, across, along, it.Text.c_str(), int32_t(it.Text.size()));
  RestoreDC(dc, saved);
  DeleteObject(rotated);
  if (focused) {
    const int32_t len = TextWidth(h, s, it.Text);
    TRect fr = right ? TRect{r.Left + 3, along - 2, r.Right - 3, along + len + 2}
                     : TRect{r.Left + 3, along - len - 2, r.Right - 3, along + 2};
    DrawFocusRect(dc, fr);
  }
}

void PaintTab(HWND h, HDC dc, TTabState& s, int32_t i) {
  const TTabItem& it = s.Items[size_t(i)];
  const bool selected = i == s.Sel;
  const bool buttons = (Style(h) & TCS_BUTTONS) != 0;
  TRect r = ItemRect(h, s, i);
  if ((Style(h) & TCS_OWNERDRAWFIXED) != 0) {
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_TAB;
    d.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
    d.itemID = uint32_t(i);
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = selected ? ODS_SELECTED : 0;
    if (selected && s.Focused) d.itemState |= ODS_FOCUS;
    d.hwndItem = h;
    d.hDC = dc;
    d.rcItem = r;
    d.itemData = uintptr_t(it.Param);
    if (HWND parent = GetParent(h)) SendMessage(parent, WM_DRAWITEM, WPARAM(d.CtlID), reinterpret_cast<LPARAM>(&d));
    return;
  }
  if (buttons) {
    const bool down = selected || i == s.Pressed;
    if ((Style(h) & TCS_FLATBUTTONS) == 0 || down) {
      TRect e = r;
      DrawEdge(dc, e, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
  } else {
    uint32_t sides;
    if (Vertical(h))
      sides = FarSide(h) ? BF_TOP | BF_RIGHT | BF_BOTTOM : BF_LEFT | BF_TOP | BF_BOTTOM;
    else
      sides = FarSide(h) ? BF_LEFT | BF_BOTTOM | BF_RIGHT : BF_LEFT | BF_TOP | BF_RIGHT;
    if (selected) {
      // Two pixels larger on the free sides and joined to the frame.
      if (Vertical(h)) {
        InflateRect(r, 0, 2);
        if (FarSide(h))
          r.Right += 2, r.Left -= 2;
        else
          r.Left -= 2, r.Right += 2;
      } else {
        InflateRect(r, 2, 0);
        if (FarSide(h))
          r.Bottom += 2, r.Top -= 2;
        else
          r.Top -= 2, r.Bottom += 2;
      }
    }
    FillColor(dc, r, COLOR_BTNFACE);
    TRect e = r;
    DrawEdge(dc, e, EDGE_RAISED, sides);
  }
  TRect content = r;
  InflateRect(content, -3, -3);
  if (Vertical(h)) {
    PaintVerticalLabel(h, dc, s, it, r, content, selected && s.Focused);
    return;
  }
  int32_t x = r.Left + 6;
  if (selected && !buttons) x += 2;
  if (HasImage(s, it)) {
    const int32_t iy = r.Top + (r.Height() - ImageHeight(s)) / 2;
    ImageList_Draw(s.Images, it.Image, dc, x, iy, ILD_TRANSPARENT);
    x += ImageWidth(s) + 3;
  }
  const int32_t saved = SaveDC(dc);
  if (s.Font != nullptr) SelectObject(dc, s.Font);
  TRect tr{x, r.Top, r.Right - 3, r.Bottom};
  IntersectClipRect(dc, content.Left, content.Top, content.Right, content.Bottom);
  StdDrawCaption(dc, it.Text, tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT, IsWindowEnabled(h), GetSysColor(COLOR_BTNTEXT));
  RestoreDC(dc, saved);
  if (selected && s.Focused) {
    TRect fr{x - 2, r.Top + 3, std::min(r.Right - 2, x + TextWidth(h, s, it.Text) + 2), r.Bottom - 3};
    DrawFocusRect(dc, fr);
  }
}

void Paint(HWND h, HDC dc, TTabState& s) {
  const TSize sz = ClientSize(h);
  const TRect client{0, 0, sz.cx, sz.cy};
  FillColor(dc, client, COLOR_BTNFACE);
  if ((Style(h) & TCS_BUTTONS) == 0) {
    TRect frame = client;
    const int32_t band = BandDepth(s) - 4;
    if (Vertical(h)) {
      if (FarSide(h))
        frame.Right -= band;
      else
        frame.Left += band;
    } else {
      if (FarSide(h))
        frame.Bottom -= band;
      else
        frame.Top += band;
    }
    DrawEdge(dc, frame, EDGE_RAISED, BF_RECT);
  }
  const int32_t saved = SaveDC(dc);
  if (ScrollerAlive(h, s)) {
    TRect sr;
    GetWindowRect(s.Scroller, &sr);
    TPoint tl{sr.Left, sr.Top};
    ScreenToClient(h, &tl);
    ExcludeClipRect(dc, tl.X, tl.Y, tl.X + sr.Width(), tl.Y + sr.Height());
  }
  for (int32_t i = 0; i < int32_t(s.Items.size()); ++i)
    if (i != s.Sel) PaintTab(h, dc, s, i);
  if (s.Sel >= 0 && s.Sel < int32_t(s.Items.size())) PaintTab(h, dc, s, s.Sel);
  RestoreDC(dc, saved);
}

void ReadItem(const TCITEM& ti, TTabItem& it) {
  if ((ti.mask & TCIF_TEXT) != 0) it.Text = ti.pszText != nullptr ? String(ti.pszText) : String();
  if ((ti.mask & TCIF_IMAGE) != 0) it.Image = ti.iImage;
  if ((ti.mask & TCIF_PARAM) != 0) it.Param = ti.lParam;
  if ((ti.mask & TCIF_STATE) != 0) it.State = (it.State & ~ti.dwStateMask) | (ti.dwState & ti.dwStateMask);
}

void KeyDown(HWND h, uint32_t vk) {
  NMTCKEYDOWN nm;
  nm.wVKey = uint16_t(vk);
  ComNotify(h, TCN_KEYDOWN, &nm.hdr);
  TTabState* st = State(h);
  if (st == nullptr || st->Items.empty()) return;
  const int32_t n = int32_t(st->Items.size());
  int32_t cur = st->Sel < 0 ? 0 : st->Sel;
  switch (vk) {
    case VK_LEFT:
    case VK_UP: UserSelect(h, std::max(0, cur - 1)); break;
    case VK_RIGHT:
    case VK_DOWN: UserSelect(h, std::min(n - 1, cur + 1)); break;
    case VK_HOME: UserSelect(h, 0); break;
    case VK_END: UserSelect(h, n - 1); break;
    default: break;
  }
}

LRESULT TabWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TTabState* s = State(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TTabState));
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_CREATE: Layout(h, *s); return 0;
    case WM_DESTROY: DestroyScroller(*s); return 0;
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_DESTROY && reinterpret_cast<HWND>(lParam) == s->Scroller) s->Scroller = nullptr;
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { Paint(h, dc, *s); });
    case WM_SIZE:
    case WM_STYLECHANGED:
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return 0;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      Layout(h, *s);
      if (lParam != 0) InvalidateRect(h, nullptr, true);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_ENABLE: InvalidateRect(h, nullptr, true); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->Focused = msg == WM_SETFOCUS;
      InvalidateRect(h, nullptr, true);
      ComNotifyCode(h, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int32_t i = HitTest(h, *s, LParamToPoint(lParam), nullptr);
      // Tabs take the focus on a press (so the keys switch them next); buttons only when asked.
      const uint32_t st = Style(h);
      if ((st & TCS_FOCUSNEVER) == 0 && ((st & TCS_BUTTONS) == 0 || (st & TCS_FOCUSONBUTTONDOWN) != 0) &&
          GetFocus() != h)
        SetFocus(h);
      if (i >= 0) UserSelect(h, i);
      return 0;
    }
    case WM_LBUTTONUP: ComNotifyCode(h, NM_CLICK); return 0;
    case WM_RBUTTONUP: ComNotifyCode(h, NM_RCLICK); return DefWindowProc(h, msg, wParam, lParam);
    case WM_KEYDOWN: KeyDown(h, uint32_t(wParam)); return 0;
    case WM_HSCROLL:
      if (LOWORD(wParam) == SB_THUMBPOSITION && !MultiRow(h)) {
        const int32_t want = int16_t(HIWORD(wParam));
        s->First = std::clamp(want, 0, std::max(0, int32_t(s->Items.size()) - 1));
        if (ScrollerAlive(h, *s)) SendMessage(s->Scroller, UDM_SETPOS32, 0, s->First);
        InvalidateRect(h, nullptr, true);
      }
      return 0;
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->Images);
    case TCM_SETIMAGELIST: {
      HIMAGELIST old = s->Images;
      s->Images = reinterpret_cast<HIMAGELIST>(lParam);
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETITEMCOUNT: return LRESULT(s->Items.size());
    case TCM_INSERTITEM: {
      const auto* ti = reinterpret_cast<const TCITEM*>(lParam);
      if (ti == nullptr || int32_t(wParam) < 0) return -1;
      const int32_t i = std::min<int32_t>(int32_t(wParam), int32_t(s->Items.size()));
      TTabItem it;
      ReadItem(*ti, it);
      s->Items.insert(s->Items.begin() + i, it);
      if (s->Sel >= i) ++s->Sel;
      if (s->Focus >= i) ++s->Focus;
      if (s->Sel < 0 && s->Items.size() == 1) s->Sel = s->Focus = 0;
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return i;
    }
    case TCM_SETITEM:
    case TCM_GETITEM: {
      const int32_t i = int32_t(wParam);
      auto* ti = reinterpret_cast<TCITEM*>(lParam);
      if (ti == nullptr || i < 0 || i >= int32_t(s->Items.size())) return 0;
      TTabItem& it = s->Items[size_t(i)];
      if (msg == TCM_SETITEM) {
        ReadItem(*ti, it);
        Layout(h, *s);
        InvalidateRect(h, nullptr, true);
        return 1;
      }
      if ((ti->mask & TCIF_TEXT) != 0 && ti->pszText != nullptr) ComCopyText(it.Text, ti->pszText, ti->cchTextMax);
      if ((ti->mask & TCIF_IMAGE) != 0) ti->iImage = it.Image;
      if ((ti->mask & TCIF_PARAM) != 0) ti->lParam = it.Param;
      if ((ti->mask & TCIF_STATE) != 0) ti->dwState = it.State & ti->dwStateMask;
      return 1;
    }
    case TCM_DELETEITEM: {
      const int32_t i = int32_t(wParam);
      if (i < 0 || i >= int32_t(s->Items.size())) return 0;
      s->Items.erase(s->Items.begin() + i);
      // The selection is gone with its tab; a later one moves down.
      if (s->Sel == i)
        s->Sel = -1;
      else if (s->Sel > i)
        --s->Sel;
      if (s->Focus == i)
        s->Focus = -1;
      else if (s->Focus > i)
        --s->Focus;
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return 1;
    }
    case TCM_DELETEALLITEMS:
      s->Items.clear();
      s->Sel = s->Focus = -1;
      s->First = 0;
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return 1;
    case TCM_GETITEMRECT: {
      const int32_t i = int32_t(wParam);
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || i < 0 || i >= int32_t(s->Items.size())) return 0;
      *r = ItemRect(h, *s, i);
      return 1;
    }
    case TCM_GETCURSEL: return s->Sel;
    case TCM_SETCURSEL: {
      const int32_t old = s->Sel;
      const int32_t i = int32_t(wParam);
      if (i < -1 || i >= int32_t(s->Items.size())) return -1;
      Select(h, *s, i);
      return old;
    }
    case TCM_GETCURFOCUS: return s->Focus;
    case TCM_SETCURFOCUS: UserSelect(h, int32_t(wParam)); return 0;
    case TCM_HITTEST: {
      auto* ht = reinterpret_cast<TCHITTESTINFO*>(lParam);
      if (ht == nullptr) return -1;
      return HitTest(h, *s, ht->pt, &ht->flags);
    }
    case TCM_ADJUSTRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r != nullptr) AdjustRect(h, *s, wParam != 0, *r);
      return 0;
    }
    case TCM_SETITEMSIZE: {
      const LRESULT old = MAKELONG(uint16_t(s->ItemWidth), uint16_t(TabHeight(*s)));
      s->ItemWidth = int16_t(LOWORD(uintptr_t(lParam)));
      s->ItemHeight = int16_t(HIWORD(uintptr_t(lParam)));
      Layout(h, *s);
      InvalidateRect(h, nullptr, true);
      return old;
    }
    case TCM_SETMINTABWIDTH: {
      const int32_t old = s->MinTabWidth;
      s->MinTabWidth = int32_t(lParam);
      Layout(h, *s);
      return old;
    }
    case TCM_SETPADDING: return 0;
    case TCM_GETROWCOUNT: return s->Rows;
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterTabControlClass() { ComRegisterClass("SysTabControl32", TabWndProc); }

// ================================================================================
// TCustomTabControl
// ================================================================================

// The tabs of the window; kept in the control while there is none.
class TTabControlStrings : public TStrings {
 public:
  explicit TTabControlStrings(TCustomTabControl* Control) : FControl(Control) {}
  const char* ClassName() const override { return "TTabControlStrings"; }

  void Put(int32_t Index, const String& S) override {
    Check(Index, GetCount());
    if (!FControl->HandleAllocated()) {
      FControl->FSaved[size_t(Index)].Text = S;
      return;
    }
    TCITEM ti;
    ti.mask = TCIF_TEXT;
    ti.pszText = const_cast<char*>(S.c_str());
    FControl->Perform(TCM_SETITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti));
    FControl->TabsChanged();
  }
  void PutObject(int32_t Index, void* AObject) override {
    Check(Index, GetCount());
    if (!FControl->HandleAllocated()) {
      FControl->FSaved[size_t(Index)].Object = AObject;
      return;
    }
    TCITEM ti;
    ti.mask = TCIF_PARAM;
    ti.lParam = reinterpret_cast<LPARAM>(AObject);
    FControl->Perform(TCM_SETITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti));
  }
  void Insert(int32_t Index, const String& S) override { InsertObject(Index, S, nullptr); }
  void InsertObject(int32_t Index, const String& S, void* AObject) override {
    Check(Index, GetCount() + 1);
    if (!FControl->HandleAllocated()) {
      FControl->FSaved.insert(FControl->FSaved.begin() + Index, TCustomTabControl::TSavedTab{S, AObject});
      if (FControl->FSavedIndex >= Index) ++FControl->FSavedIndex;
      if (FControl->FSavedIndex < 0 && FControl->FSaved.size() == 1) FControl->FSavedIndex = 0;
      return;
    }
    TCITEM ti;
    ti.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    ti.pszText = const_cast<char*>(S.c_str());
    ti.lParam = reinterpret_cast<LPARAM>(AObject);
    ti.iImage = FControl->GetImageIndex(Index);
    if (FControl->Perform(TCM_INSERTITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti)) < 0)
      Error("Failed to insert tab %d", Index);
    FControl->TabsChanged();
  }
  void Delete(int32_t Index) override {
    Check(Index, GetCount());
    if (!FControl->HandleAllocated()) {
      FControl->FSaved.erase(FControl->FSaved.begin() + Index);
      if (FControl->FSavedIndex == Index)
        FControl->FSavedIndex = -1;
      else if (FControl->FSavedIndex > Index)
        --FControl->FSavedIndex;
      return;
    }
    FControl->Perform(TCM_DELETEITEM, WPARAM(Index), 0);
    FControl->TabsChanged();
  }
  void Clear() override {
    if (!FControl->HandleAllocated()) {
      FControl->FSaved.clear();
      FControl->FSavedIndex = -1;
      return;
    }
    FControl->Perform(TCM_DELETEALLITEMS, 0, 0);
    FControl->TabsChanged();
  }

 protected:
  String Get(int32_t Index) const override {
    Check(Index, GetCount());
    if (!FControl->HandleAllocated()) return FControl->FSaved[size_t(Index)].Text;
    char buf[4096];
    TCITEM ti;
    ti.mask = TCIF_TEXT;
    ti.pszText = buf;
    ti.cchTextMax = int32_t(sizeof buf);
    buf[0] = 0;
    FControl->Perform(TCM_GETITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti));
    return buf;
  }
  void* GetObject(int32_t Index) const override {
    Check(Index, GetCount());
    if (!FControl->HandleAllocated()) return FControl->FSaved[size_t(Index)].Object;
    TCITEM ti;
    ti.mask = TCIF_PARAM;
    FControl->Perform(TCM_GETITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&ti));
    return reinterpret_cast<void*>(ti.lParam);
  }
  int32_t GetCount() const override {
    if (!FControl->HandleAllocated()) return int32_t(FControl->FSaved.size());
    return int32_t(FControl->Perform(TCM_GETITEMCOUNT, 0, 0));
  }

 private:
  void Check(int32_t Index, int32_t Limit) const {
    if (Index < 0 || Index >= Limit) Error("List index out of bounds (%d)", Index);
  }
  TCustomTabControl* FControl;
};

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csDoubleClicks});
  // WM_PAINT always goes through PaintWindow, children or not.
  FControlState.Include(TControlStateItem::csCustomPaint);
  FTabs = std::make_unique<TTabControlStrings>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TCustomTabControl::~TCustomTabControl() {
  if (FImages != nullptr) FImages->UnRegisterChanges(FImageChangeLink.get());
}

void TCustomTabControl::CreateParams(TCreateParams& Params) {
  RegisterTabControlClass();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SysTabControl32");
  Params.Style |= WS_CLIPCHILDREN;
  if (FMultiLine) Params.Style |= TCS_MULTILINE;
  if (FTabWidth > 0) Params.Style |= TCS_FIXEDWIDTH;
  if (FHotTrack) Params.Style |= TCS_HOTTRACK;
  if (FRaggedRight) Params.Style |= TCS_RAGGEDRIGHT;
  if (FScrollOpposite) Params.Style |= TCS_SCROLLOPPOSITE;
  if (FOwnerDraw) Params.Style |= TCS_OWNERDRAWFIXED;
  switch (FStyle) {
    case TTabStyle::tsButtons: Params.Style |= TCS_BUTTONS; break;
    case TTabStyle::tsFlatButtons: Params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS; break;
    default: break;
  }
  switch (FTabPosition) {
    case TTabPosition::tpBottom: Params.Style |= TCS_BOTTOM; break;
    case TTabPosition::tpLeft: Params.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
    case TTabPosition::tpRight: Params.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
    default: break;
  }
}

void TCustomTabControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (FImages != nullptr) Perform(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
  ApplyItemSize();
  std::vector<TSavedTab> saved;
  saved.swap(FSaved);
  for (size_t i = 0; i < saved.size(); ++i) {
    TCITEM ti;
    ti.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    ti.pszText = const_cast<char*>(saved[i].Text.c_str());
    ti.lParam = reinterpret_cast<LPARAM>(saved[i].Object);
    ti.iImage = GetImageIndex(int32_t(i));
    Perform(TCM_INSERTITEM, WPARAM(i), reinterpret_cast<LPARAM>(&ti));
  }
  Perform(TCM_SETCURSEL, WPARAM(FSavedIndex), 0);
  FSavedIndex = -1;
  TabsChanged();
}

void TCustomTabControl::DestroyWnd() {
  FSaved.clear();
  const int32_t n = int32_t(Perform(TCM_GETITEMCOUNT, 0, 0));
  for (int32_t i = 0; i < n; ++i) {
    char buf[4096];
    TCITEM ti;
    ti.mask = TCIF_TEXT | TCIF_PARAM;
    ti.pszText = buf;
    ti.cchTextMax = int32_t(sizeof buf);
    buf[0] = 0;
    Perform(TCM_GETITEM, WPARAM(i), reinterpret_cast<LPARAM>(&ti));
    FSaved.push_back(TSavedTab{buf, reinterpret_cast<void*>(ti.lParam)});
  }
  FSavedIndex = int32_t(Perform(TCM_GETCURSEL, 0, 0));
  TWinControl::DestroyWnd();
}

void TCustomTabControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) SetImages(nullptr);
}

int32_t TCustomTabControl::TabIndex() {
  if (!HandleAllocated()) return FSavedIndex;
  return int32_t(Perform(TCM_GETCURSEL, 0, 0));
}

void TCustomTabControl::SetTabIndex(int32_t Value) {
  if (!HandleAllocated()) {
    if (Value >= -1 && Value < int32_t(FSaved.size())) FSavedIndex = Value;
    return;
  }
  Perform(TCM_SETCURSEL, WPARAM(Value), 0);
  TabsChanged();
}

void TCustomTabControl::SetMultiLine(bool Value) {
  if (Value == FMultiLine) return;
  FMultiLine = Value;
  if (!Value && (FTabPosition == TTabPosition::tpLeft || FTabPosition == TTabPosition::tpRight))
    FTabPosition = TTabPosition::tpTop;
  RecreateWnd();
}

void TCustomTabControl::SetTabPosition(TTabPosition Value) {
  if (Value == FTabPosition) return;
  FTabPosition = Value;
  if (Value == TTabPosition::tpLeft || Value == TTabPosition::tpRight) FMultiLine = true;
  RecreateWnd();
}

void TCustomTabControl::ApplyItemSize() {
  if (HandleAllocated()) Perform(TCM_SETITEMSIZE, 0, MAKELPARAM(std::max<int16_t>(FTabWidth, 0), FTabHeight));
}

void TCustomTabControl::SetTabHeight(int16_t Value) {
  if (Value == FTabHeight) return;
  FTabHeight = Value;
  ApplyItemSize();
  TabsChanged();
}

void TCustomTabControl::SetTabWidth(int16_t Value) {
  if (Value == FTabWidth) return;
  const bool fixed = (FTabWidth > 0) != (Value > 0);
  FTabWidth = Value;
  if (fixed) {
    RecreateWnd();
  } else {
    ApplyItemSize();
    TabsChanged();
  }
}

void TCustomTabControl::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageChangeLink.get())) return;
  if (HandleAllocated()) {
    Perform(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(Value != nullptr ? Value->Handle() : nullptr));
    TabsChanged();
  }
}

void TCustomTabControl::ImageListChange(TObject*) {
  if (!HandleAllocated() || FImages == nullptr) return;
  Perform(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
  TabsChanged();
}

void TCustomTabControl::SetStyle(TTabStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomTabControl::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  RecreateWnd();
}

void TCustomTabControl::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  RecreateWnd();
}

void TCustomTabControl::SetRaggedRight(bool Value) {
  if (Value == FRaggedRight) return;
  FRaggedRight = Value;
  RecreateWnd();
}

void TCustomTabControl::SetScrollOpposite(bool Value) {
  if (Value == FScrollOpposite) return;
  FScrollOpposite = Value;
  RecreateWnd();
}

TRect TCustomTabControl::DisplayRect() {
  TRect r = ClientRect();
  Perform(TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

TRect TCustomTabControl::TabRect(int32_t Index) {
  TRect r{0, 0, 0, 0};
  Perform(TCM_GETITEMRECT, WPARAM(Index), reinterpret_cast<LPARAM>(&r));
  return r;
}

int32_t TCustomTabControl::IndexOfTabAt(int32_t X, int32_t Y) {
  if (!HandleAllocated()) return -1;
  TCHITTESTINFO ht;
  ht.pt = TPoint{X, Y};
  return int32_t(Perform(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht)));
}

int32_t TCustomTabControl::RowCount() { return int32_t(Perform(TCM_GETROWCOUNT, 0, 0)); }

void TCustomTabControl::AdjustClientRect(TRect& Rect) {
  Rect = DisplayRect();
  TWinControl::AdjustClientRect(Rect);
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::TabsChanged() {
  // The display area may have grown or shrunk with the rows.
  if (HandleAllocated()) Realign();
}

int32_t TCustomTabControl::GetImageIndex(int32_t TabIndex) {
  int32_t index = TabIndex;
  if (OnGetImageIndex) OnGetImageIndex(this, TabIndex, index);
  return index;
}

void TCustomTabControl::UpdateTabImages() {
  if (!HandleAllocated()) return;
  const int32_t n = int32_t(Perform(TCM_GETITEMCOUNT, 0, 0));
  for (int32_t i = 0; i < n; ++i) {
    TCITEM ti;
    ti.mask = TCIF_IMAGE;
    ti.iImage = GetImageIndex(i);
    Perform(TCM_SETITEM, WPARAM(i), reinterpret_cast<LPARAM>(&ti));
  }
  TabsChanged();
}

void TCustomTabControl::DrawTab(int32_t TabIndex, const TRect& Rect, bool Active) {
  if (OnDrawTab) {
    OnDrawTab(this, TabIndex, Rect, Active);
    return;
  }
  FCanvas->FillRect(Rect);
  FCanvas->TextOut(Rect.Left + 4, Rect.Top + 2, FTabs->Strings(TabIndex));
}

bool TCustomTabControl::UserSelect(int32_t Index) {
  if (!HandleAllocated() || Index < 0 || Index >= FTabs->Count() || Index == TabIndex()) return false;
  TComponentRef<TCustomTabControl> self(this);
  if (!CanChange() || !self) return false;
  Perform(TCM_SETCURSEL, WPARAM(Index), 0);
  Change();
  return true;
}

void TCustomTabControl::SelectNextTab(bool GoForward) {
  const int32_t n = FTabs->Count();
  if (n == 0) return;
  const int32_t cur = TabIndex();
  const int32_t next = cur < 0 ? 0 : (cur + (GoForward ? 1 : n - 1)) % n;
  UserSelect(next);
}

void TCustomTabControl::CMDialogKey(TMessage& Message) {
  // Ctrl+Tab and Ctrl+Shift+Tab switch tabs while the focus is in the control.
  if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 && HandleAllocated()) {
    const HWND focus = GetFocus();
    if (focus == Handle() || IsChild(Handle(), focus)) {
      SelectNextTab(GetKeyState(VK_SHIFT) >= 0);
      Message.Result = 1;
      return;
    }
  }
  TWinControl::Dispatch(Message);
}

void TCustomTabControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMHDR*>(Message.LParam);
      if (nm == nullptr) break;
      if (nm->code == TCN_SELCHANGING) {
        Message.Result = CanChange() ? 0 : 1;
        return;
      }
      if (nm->code == TCN_SELCHANGE) {
        Change();
        Message.Result = 0;
        return;
      }
      break;
    }
    case CN_DRAWITEM: {
      const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
      if (d == nullptr) break;
      FCanvas->Lock();
      const int32_t saved = SaveDC(d->hDC);
      FCanvas->SetHandle(d->hDC);
      FCanvas->Font()->Assign(Font());
      FCanvas->Brush()->Assign(Brush());
      {
        auto cleanup = ScopeExit([&] {
          FCanvas->SetHandle(nullptr);
          RestoreDC(d->hDC, saved);
          FCanvas->Unlock();
        });
        DrawTab(int32_t(d->itemID), d->rcItem, (d->itemState & ODS_SELECTED) != 0);
      }
      Message.Result = 1;
      return;
    }
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      TabsChanged();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

// ================================================================================
// TTabSheet
// ================================================================================

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls});
  SetAlign(TAlign::alClient);
  SetColor(clBtnFace);
  FVisible = false;
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl != nullptr) FPageControl->RemovePage(this);
  SetParent(Value);
  if (Value != nullptr) Value->InsertPage(this);
}

int32_t TTabSheet::PageIndex() const {
  if (FPageControl == nullptr) return -1;
  const auto& pages = FPageControl->FPages;
  return int32_t(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int32_t Value) {
  if (FPageControl != nullptr) FPageControl->MovePage(this, Value);
}

int32_t TTabSheet::TabIndex() const {
  if (FPageControl == nullptr || !FTabShowing) return -1;
  int32_t n = 0;
  for (TTabSheet* p : FPageControl->FPages) {
    if (p == this) return n;
    if (p->FTabShowing) ++n;
  }
  return -1;
}

void TTabSheet::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  if (FPageControl != nullptr) FPageControl->UpdateTabImages();
}

void TTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (FPageControl != nullptr) FPageControl->UpdateTab(this);
}

void TTabSheet::DoShow() {
  if (OnShow) OnShow(this);
}

void TTabSheet::DoHide() {
  if (OnHide) OnHide(this);
}

void TTabSheet::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      TWinControl::Dispatch(Message);
      if (FPageControl != nullptr && FTabShowing) {
        const int32_t i = TabIndex();
        if (i >= 0) FPageControl->Tabs()->Put(i, Caption());
      }
      return;
    case CM_SHOWINGCHANGED: {
      TWinControl::Dispatch(Message);
      if (Showing())
        DoShow();
      else
        DoHide();
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}

// ================================================================================
// TPageControl
// ================================================================================

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csDoubleClicks});
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : FPages) p->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int32_t Index) const {
  if (Index < 0 || Index >= int32_t(FPages.size()))
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FPages[size_t(Index)];
}

int32_t TPageControl::ActivePageIndex() const { return FActivePage != nullptr ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int32_t Value) {
  SetActivePage(Value >= 0 && Value < int32_t(FPages.size()) ? FPages[size_t(Value)] : nullptr);
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  Page->FPageControl = this;
  UpdateTab(Page);
  if (FActivePage == nullptr && Page->FTabVisible) SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  TTabSheet* next = nullptr;
  if (Page == FActivePage) {
    next = FindNextPage(Page, true, true);
    if (next == Page) next = nullptr;
  }
  if (Page->FTabShowing) {
    const int32_t i = Page->TabIndex();
    Page->FTabShowing = false;
    if (i >= 0) Tabs()->Delete(i);
  }
  FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
  Page->FPageControl = nullptr;
  if (Page == FActivePage) {
    FActivePage = nullptr;
    SetActivePage(next);
  }
  SyncTabIndex();
}

void TPageControl::MovePage(TTabSheet* Page, int32_t NewIndex) {
  const int32_t old = Page->PageIndex();
  NewIndex = std::clamp<int32_t>(NewIndex, 0, int32_t(FPages.size()) - 1);
  if (old < 0 || old == NewIndex) return;
  if (Page->FTabShowing) {
    Tabs()->Delete(Page->TabIndex());
    Page->FTabShowing = false;
  }
  FPages.erase(FPages.begin() + old);
  FPages.insert(FPages.begin() + NewIndex, Page);
  UpdateTab(Page);
  SyncTabIndex();
}

void TPageControl::UpdateTab(TTabSheet* Page) {
  if (Page->FTabVisible == Page->FTabShowing) return;
  if (Page->FTabVisible) {
    Page->FTabShowing = true;
    Tabs()->InsertObject(Page->TabIndex(), Page->Caption(), Page);
    SyncTabIndex();
    return;
  }
  const int32_t i = Page->TabIndex();
  Page->FTabShowing = false;
  Tabs()->Delete(i);
  if (Page == FActivePage) {
    // A hidden tab cannot stay selected: its neighbour takes over.
    TTabSheet* next = FindNextPage(Page, true, true);
    SetActivePage(next != Page ? next : nullptr);
  }
  SyncTabIndex();
}

int32_t TPageControl::GetImageIndex(int32_t TabIndex) {
  int32_t index = TabIndex;
  int32_t n = 0;
  for (TTabSheet* p : FPages)
    if (p->FTabShowing && n++ == TabIndex) {
      index = p->FImageIndex;
      break;
    }
  if (OnGetImageIndex) OnGetImageIndex(this, TabIndex, index);
  return index;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible) const {
  const int32_t n = int32_t(FPages.size());
  if (n == 0) return nullptr;
  int32_t start = -1;
  for (int32_t i = 0; i < n; ++i)
    if (FPages[size_t(i)] == CurrentPage) start = i;
  if (start < 0) start = GoForward ? n - 1 : 0;
  int32_t i = start;
  for (int32_t k = 0; k < n; ++k) {
    i = GoForward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet* p = FPages[size_t(i)];
    if (!CheckTabVisible || p->FTabVisible) return p;
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
  TTabSheet* page = FindNextPage(FActivePage, GoForward, CheckTabVisible);
  if (page == nullptr || page == FActivePage) return;
  TComponentRef<TPageControl> self(this);
  if (!CanChange() || !self) return;
  ChangeActivePage(page);
  if (self) TCustomTabControl::Change();
}

void TPageControl::SyncTabIndex() {
  const int32_t i = FActivePage != nullptr ? FActivePage->TabIndex() : -1;
  if (TabIndex() != i) TCustomTabControl::SetTabIndex(i);
}

void TPageControl::ChangeActivePage(TTabSheet* Page) {
  if (Page == FActivePage) {
    SyncTabIndex();
    return;
  }
  TComponentRef<TPageControl> self(this);
  TTabSheet* old = FActivePage;
  FActivePage = Page;
  // A focus inside the old page moves to the tabs before the page hides, so it
  // is not lost to the form (Ctrl+Tab from a control on the page goes on working).
  if (old != nullptr && old->HandleAllocated() && CanFocus() &&
      (GetFocus() == old->Handle() || IsChild(old->Handle(), GetFocus())))
    SetFocus();
  if (!self) return;
  // The old page hides first, then the new one shows.
  if (old != nullptr) old->SetVisible(false);
  if (!self) return;
  if (Page != nullptr) {
    Page->BringToFront();
    Page->SetVisible(true);
  }
  if (!self) return;
  SyncTabIndex();
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page != nullptr && Page->FPageControl != this) return;
  ChangeActivePage(Page);
}

void TPageControl::Change() {
  // The user picked a tab: its sheet becomes the active page.
  const int32_t i = TabIndex();
  TTabSheet* page = nullptr;
  if (i >= 0) page = static_cast<TTabSheet*>(Tabs()->Objects(i));
  TComponentRef<TPageControl> self(this);
  ChangeActivePage(page);
  if (self) TCustomTabControl::Change();
}
