// The native "ListBox" class: items with data, single, multiple and extended
// selection, owner drawing, columns, and its scroll information in items.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_internal.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

struct TLbItem {
  String Text;
  uintptr_t Data = 0;
  bool Selected = false;
  int32_t Height = 0;
};

struct TListState {
  std::vector<TLbItem> Items;
  int32_t Cur = -1;    // the selection of a single-selection list
  int32_t Caret = 0;   // the focused item
  int32_t Anchor = 0;  // extended selection
  int32_t Top = 0;
  int32_t ItemHeight = 0;
  int32_t ColumnWidth = 120;
  int32_t HorzExtent = 0;
  int32_t ScrollX = 0;
  HFONT Font = nullptr;
  bool Focused = false;
  bool Captured = false;
  bool Redraw = true;
};

uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
bool MultiSel(HWND h) { return (Style(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool ExtSel(HWND h) { return (Style(h) & LBS_EXTENDEDSEL) != 0; }
bool OwnerDraw(HWND h) { return (Style(h) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool Variable(HWND h) { return (Style(h) & LBS_OWNERDRAWVARIABLE) != 0 && (Style(h) & LBS_MULTICOLUMN) == 0; }
bool Columns(HWND h) { return (Style(h) & LBS_MULTICOLUMN) != 0; }
int32_t Count(TListState* s) { return int32_t(s->Items.size()); }

void NotifyIf(HWND h, uint32_t code) {
  if ((Style(h) & LBS_NOTIFY) != 0) StdNotifyParent(h, code);
}

int32_t FontHeight(HWND h, TListState* s) {
  HDC dc = GetDC(h);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  RestoreDC(dc, saved);
  ReleaseDC(h, dc);
  return std::max<int32_t>(1, tm.tmHeight);
}

// WM_MEASUREITEM to the parent: once for fixed heights, per item for variable ones.
int32_t Measure(HWND h, TListState* s, int32_t index, uintptr_t data) {
  MEASUREITEMSTRUCT m;
  m.CtlType = ODT_LISTBOX;
  m.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
  m.itemID = uint32_t(std::max(index, 0));
  m.itemHeight = uint32_t(FontHeight(h, s));
  m.itemData = data;
  TRect c;
  GetClientRect(h, &c);
  m.itemWidth = uint32_t(c.Width());
  SendMessage(GetParent(h), WM_MEASUREITEM, m.CtlID, reinterpret_cast<LPARAM>(&m));
  return std::max<int32_t>(1, int32_t(m.itemHeight));
}

int32_t HeightOf(HWND h, TListState* s, int32_t i) {
  if (Variable(h) && i >= 0 && i < Count(s)) return s->Items[size_t(i)].Height;
  return s->ItemHeight;
}

TRect Client(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return c;
}

int32_t PerColumn(HWND h, TListState* s) { return std::max<int32_t>(1, Client(h).Height() / s->ItemHeight); }

// Items wholly visible from the top.
int32_t PageItems(HWND h, TListState* s) {
  const TRect c = Client(h);
  if (Columns(h)) return PerColumn(h, s) * std::max<int32_t>(1, c.Width() / s->ColumnWidth);
  if (!Variable(h)) return std::max<int32_t>(1, c.Height() / s->ItemHeight);
  int32_t y = 0, n = 0;
  for (int32_t i = s->Top; i < Count(s); ++i) {
    y += HeightOf(h, s, i);
    if (y > c.Height()) break;
    ++n;
  }
  return std::max<int32_t>(1, n);
}

TRect ItemRect(HWND h, TListState* s, int32_t i) {
  const TRect c = Client(h);
  if (Columns(h)) {
    const int32_t per = PerColumn(h, s);
    const int32_t col = i / per - s->Top / per, row = i % per;
    return Bounds(col * s->ColumnWidth, row * s->ItemHeight, s->ColumnWidth, s->ItemHeight);
  }
  int32_t y = 0;
  if (i >= s->Top)
    for (int32_t k = s->Top; k < i; ++k) y += HeightOf(h, s, k);
  else
    for (int32_t k = i; k < s->Top; ++k) y -= HeightOf(h, s, k);
  return TRect{-s->ScrollX, y, std::max(c.Width(), s->HorzExtent) - s->ScrollX, y + HeightOf(h, s, i)};
}

// The item at a client point; outside when the point is below the last item.
int32_t ItemAt(HWND h, TListState* s, TPoint p, bool& outside) {
  outside = false;
  const int32_t n = Count(s);
  if (n == 0) {
    outside = true;
    return 0;
  }
  if (Columns(h)) {
    const int32_t per = PerColumn(h, s);
    const int32_t col = std::max<int32_t>(0, p.X / s->ColumnWidth) + s->Top / per;
    const int32_t row = std::clamp<int32_t>(p.Y / s->ItemHeight, 0, per - 1);
    int32_t i = col * per + row;
    if (i >= n) outside = true;
    return std::min(i, n - 1);
  }
  if (p.Y < 0) return std::max<int32_t>(0, s->Top - 1);
  int32_t y = 0;
  for (int32_t i = s->Top; i < n; ++i) {
    y += HeightOf(h, s, i);
    if (p.Y < y) return i;
  }
  outside = true;
  return n - 1;
}

void UpdateScroll(HWND h, TListState* s) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (Columns(h)) {
    SCROLLINFO none;
    none.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    SetScrollInfo(h, SB_VERT, &none, true);
    const int32_t per = PerColumn(h, s);
    si.nMin = 0;
    si.nMax = std::max<int32_t>(0, (Count(s) + per - 1) / per - 1);
    si.nPage = uint32_t(std::max<int32_t>(1, Client(h).Width() / s->ColumnWidth));
    si.nPos = s->Top / per;
    SetScrollInfo(h, SB_HORZ, &si, true);
    return;
  }
  // The horizontal bar first: showing or hiding it changes the page.
  si.nMin = 0;
  si.nMax = std::max<int32_t>(0, s->HorzExtent - 1);
  si.nPage = uint32_t(Client(h).Width());
  si.nPos = s->ScrollX;
  SetScrollInfo(h, SB_HORZ, &si, true);
  si.nMax = std::max<int32_t>(0, Count(s) - 1);
  si.nPage = uint32_t(PageItems(h, s));
  si.nPos = s->Top;
  SetScrollInfo(h, SB_VERT, &si, true);
}

void Invalidate(HWND h, TListState* s) {
  if (s->Redraw) InvalidateRect(h, nullptr, true);
}

int32_t MaxTop(HWND h, TListState* s) {
  if (Columns(h)) {
    const int32_t per = PerColumn(h, s);
    const int32_t cols = (Count(s) + per - 1) / per;
    const int32_t vis = std::max<int32_t>(1, Client(h).Width() / s->ColumnWidth);
    return std::max<int32_t>(0, cols - vis) * per;
  }
  // The top that shows the last item at the bottom.
  int32_t y = 0, top = Count(s);
  const int32_t height = Client(h).Height();
  while (top > 0 && y + HeightOf(h, s, top - 1) <= height) y += HeightOf(h, s, --top);
  return std::min(top, std::max<int32_t>(0, Count(s) - 1));
}

void SetTop(HWND h, TListState* s, int32_t top) {
  top = std::clamp<int32_t>(top, 0, MaxTop(h, s));
  if (Columns(h)) top -= top % PerColumn(h, s);
  if (top == s->Top) return;
  s->Top = top;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void ShowItem(HWND h, TListState* s, int32_t i) {
  if (i < 0 || i >= Count(s)) return;
  if (Columns(h)) {
    const int32_t per = PerColumn(h, s);
    const int32_t vis = std::max<int32_t>(1, Client(h).Width() / s->ColumnWidth);
    const int32_t col = i / per, top = s->Top / per;
    if (col < top) SetTop(h, s, col * per);
    if (col >= top + vis) SetTop(h, s, (col - vis + 1) * per);
    return;
  }
  if (i < s->Top) {
    SetTop(h, s, i);
    return;
  }
  const int32_t height = Client(h).Height();
  int32_t top = s->Top;
  for (;;) {
    int32_t y = 0;
    for (int32_t k = top; k <= i; ++k) y += HeightOf(h, s, k);
    if (y <= height || top >= i) break;
    ++top;
  }
  SetTop(h, s, top);
}

bool IsSelected(HWND h, TListState* s, int32_t i) {
  if (i < 0 || i >= Count(s)) return false;
  return MultiSel(h) ? s->Items[size_t(i)].Selected : i == s->Cur;
}

// Redraws one item at once: WM_DRAWITEM with a DC clipped to it for owner
// drawing, otherwise an invalidation.
void DrawItemNow(HWND h, TListState* s, int32_t i, uint32_t action) {
  if (i < 0 || i >= Count(s) || !s->Redraw) return;
  TRect r = ItemRect(h, s, i);
  if (!OwnerDraw(h)) {
    InvalidateRect(h, &r, true);
    return;
  }
  if (!IsWindowVisible(h)) return;
  HDC dc = GetDC(h);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  DRAWITEMSTRUCT d;
  d.CtlType = ODT_LISTBOX;
  d.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
  d.itemID = uint32_t(i);
  d.itemAction = action;
  d.itemState = (IsSelected(h, s, i) ? ODS_SELECTED : 0) | (IsWindowEnabled(h) ? 0 : ODS_DISABLED) |
                (s->Focused && i == s->Caret ? ODS_FOCUS : 0);
  d.hwndItem = h;
  d.hDC = dc;
  d.rcItem = r;
  d.itemData = s->Items[size_t(i)].Data;
  SendMessage(GetParent(h), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
  ReleaseDC(h, dc);
}

void SetCaret(HWND h, TListState* s, int32_t i) {
  if (i == s->Caret) return;
  const int32_t old = s->Caret;
  s->Caret = i;
  if (s->Focused) {
    DrawItemNow(h, s, old, ODA_FOCUS);
    DrawItemNow(h, s, i, ODA_FOCUS);
  }
}

void SelectItem(HWND h, TListState* s, int32_t i, bool on) {
  if (i < 0 || i >= Count(s)) return;
  if (s->Items[size_t(i)].Selected == on) return;
  s->Items[size_t(i)].Selected = on;
  DrawItemNow(h, s, i, ODA_SELECT);
}

// Single selection: answers whether it changed.
bool SetCur(HWND h, TListState* s, int32_t i) {
  if (i == s->Cur) return false;
  const int32_t old = s->Cur;
  s->Cur = i;
  DrawItemNow(h, s, old, ODA_SELECT);
  DrawItemNow(h, s, i, ODA_SELECT);
  return true;
}

void SelectRange(HWND h, TListState* s, int32_t a, int32_t b, bool clearOthers) {
  if (a > b) std::swap(a, b);
  for (int32_t k = 0; k < Count(s); ++k) {
    const bool in = k >= a && k <= b;
    if (in)
      SelectItem(h, s, k, true);
    else if (clearOthers)
      SelectItem(h, s, k, false);
  }
}

int32_t Find(TListState* s, int32_t after, const char* text, bool exact) {
  const int32_t n = int32_t(s->Items.size());
  if (n == 0 || text == nullptr) return LB_ERR;
  const String key = AnsiLowerCase(text);
  int32_t start = after < 0 || after >= n ? 0 : after + 1;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = (start + k) % n;
    const String item = AnsiLowerCase(s->Items[size_t(i)].Text);
    if (exact ? item == key : item.compare(0, key.size(), key) == 0) return i;
  }
  return LB_ERR;
}

int32_t InsertItem(HWND h, TListState* s, int32_t index, const char* text, bool sorted) {
  TLbItem item;
  item.Text = text != nullptr ? text : "";
  const int32_t n = Count(s);
  if (sorted) {
    index = n;
    for (int32_t i = 0; i < n; ++i)
      if (AnsiCompareText(item.Text, s->Items[size_t(i)].Text) < 0) {
        index = i;
        break;
      }
  } else if (index < 0 || index > n) {
    if (index != -1 && index > n) return LB_ERR;
    index = n;
  }
  s->Items.insert(s->Items.begin() + index, item);
  if (Variable(h)) s->Items[size_t(index)].Height = Measure(h, s, index, 0);
  if (s->Cur >= index) ++s->Cur;
  if (s->Caret >= index && n > 0) ++s->Caret;
  if (s->Anchor >= index && n > 0) ++s->Anchor;
  UpdateScroll(h, s);
  Invalidate(h, s);
  return index;
}

void DeleteItem(HWND h, TListState* s, int32_t i) {
  s->Items.erase(s->Items.begin() + i);
  if (s->Cur == i)
    s->Cur = -1;
  else if (s->Cur > i)
    --s->Cur;
  if (s->Caret > i || s->Caret >= Count(s)) s->Caret = std::max<int32_t>(0, s->Caret - 1);
  if (s->Anchor > i || s->Anchor >= Count(s)) s->Anchor = std::max<int32_t>(0, s->Anchor - 1);
  s->Top = std::clamp<int32_t>(s->Top, 0, MaxTop(h, s));
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void Paint(HWND h, HDC dc, TListState* s) {
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  HBRUSH brush = StdCtlColor(h, WM_CTLCOLORLISTBOX, dc);
  if (brush == nullptr) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    brush = GetSysColorBrush(COLOR_WINDOW);
  }
  const TRect c = Client(h);
  if (!StdIsNullBrush(brush)) FillRect(dc, c, brush);
  const bool enabled = IsWindowEnabled(h);
  for (int32_t i = s->Top; i < Count(s); ++i) {
    const TRect r = ItemRect(h, s, i);
    if (r.Top >= c.Bottom || r.Left >= c.Right) break;
    if (OwnerDraw(h)) {
      const int32_t inner = SaveDC(dc);
      IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
      DRAWITEMSTRUCT d;
      d.CtlType = ODT_LISTBOX;
      d.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
      d.itemID = uint32_t(i);
      d.itemAction = ODA_DRAWENTIRE;
      d.itemState = (IsSelected(h, s, i) ? ODS_SELECTED : 0) | (enabled ? 0 : ODS_DISABLED) |
                    (s->Focused && i == s->Caret ? ODS_FOCUS : 0);
      d.hwndItem = h;
      d.hDC = dc;
      d.rcItem = r;
      d.itemData = s->Items[size_t(i)].Data;
      SendMessage(GetParent(h), WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
      RestoreDC(dc, inner);
      continue;
    }
    const bool sel = IsSelected(h, s, i);
    const int32_t inner = SaveDC(dc);
    if (sel) {
      FillRect(dc, r, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else if (!enabled) {
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    TRect tr = r;
    tr.Left += 2;
    String text = s->Items[size_t(i)].Text;
    DrawText(dc, text, &tr,
             DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | ((Style(h) & LBS_USETABSTOPS) != 0 ? DT_EXPANDTABS : 0));
    RestoreDC(dc, inner);
    if (s->Focused && i == s->Caret) DrawFocusRect(dc, r);
  }
  if (Count(s) == 0 && s->Focused) DrawFocusRect(dc, Bounds(0, 0, c.Width(), s->ItemHeight));
  RestoreDC(dc, saved);
}

// A press or drag on item i.
void PointerSelect(HWND h, TListState* s, int32_t i, uint32_t keys, bool press) {
  bool changed = false;
  if (!MultiSel(h)) {
    changed = SetCur(h, s, i);
    SetCaret(h, s, i);
  } else if (!ExtSel(h)) {
    if (press) {
      SelectItem(h, s, i, !s->Items[size_t(i)].Selected);
      changed = true;
    }
    SetCaret(h, s, i);
  } else {
    const bool shift = (keys & MK_SHIFT) != 0, ctrl = (keys & MK_CONTROL) != 0;
    std::vector<bool> before;
    for (const TLbItem& it : s->Items) before.push_back(it.Selected);
    if (press && !shift) s->Anchor = i;
    if (press && ctrl && !shift) {
      SelectItem(h, s, i, !s->Items[size_t(i)].Selected);
    } else {
      SelectRange(h, s, s->Anchor, i, !ctrl);
    }
    SetCaret(h, s, i);
    for (int32_t k = 0; k < Count(s); ++k) changed = changed || before[size_t(k)] != s->Items[size_t(k)].Selected;
  }
  ShowItem(h, s, i);
  if (changed) NotifyIf(h, LBN_SELCHANGE);
}

void KeyMove(HWND h, TListState* s, int32_t target) {
  if (Count(s) == 0) return;
  target = std::clamp<int32_t>(target, 0, Count(s) - 1);
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  bool changed = false;
  if (!MultiSel(h)) {
    changed = SetCur(h, s, target);
    SetCaret(h, s, target);
  } else if (ExtSel(h)) {
    std::vector<bool> before;
    for (const TLbItem& it : s->Items) before.push_back(it.Selected);
    if (!shift) s->Anchor = target;
    SelectRange(h, s, s->Anchor, target, true);
    SetCaret(h, s, target);
    for (int32_t k = 0; k < Count(s); ++k) changed = changed || before[size_t(k)] != s->Items[size_t(k)].Selected;
  } else {
    SetCaret(h, s, target);
  }
  ShowItem(h, s, target);
  if (changed) NotifyIf(h, LBN_SELCHANGE);
}

}  // namespace

LRESULT StdListBoxWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TListState* s = StdState<TListState>(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  const int32_t n = s != nullptr ? Count(s) : 0;
  const int32_t index = int32_t(intptr_t(wParam));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TListState));
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_CREATE:
      s->ItemHeight = (Style(h) & LBS_OWNERDRAWFIXED) != 0 ? Measure(h, s, 0, 0) : FontHeight(h, s);
      UpdateScroll(h, s);
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      if (!OwnerDraw(h)) s->ItemHeight = FontHeight(h, s);
      UpdateScroll(h, s);
      if (lParam != 0) Invalidate(h, s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SIZE:
    case WM_STYLECHANGED:
      s->Top = std::clamp<int32_t>(s->Top, 0, MaxTop(h, s));
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case WM_SETREDRAW:
      s->Redraw = wParam != 0;
      if (s->Redraw) InvalidateRect(h, nullptr, true);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      if (wParam != 0) {
        Paint(h, reinterpret_cast<HDC>(wParam), s);
      } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Paint(h, dc, s);
        EndPaint(h, &ps);
      }
      return 0;
    case WM_ENABLE: Invalidate(h, s); return 0;
    case WM_SETFOCUS:
      s->Focused = true;
      DrawItemNow(h, s, s->Caret, ODA_FOCUS);
      if (n == 0) Invalidate(h, s);
      NotifyIf(h, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->Focused = false;
      if (s->Captured) ReleaseCapture();
      DrawItemNow(h, s, s->Caret, ODA_FOCUS);
      if (n == 0) Invalidate(h, s);
      NotifyIf(h, LBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != h) SetFocus(h);
      bool outside = false;
      const int32_t i = ItemAt(h, s, LParamToPoint(lParam), outside);
      SetCapture(h);
      s->Captured = true;
      if (n > 0 && !outside) PointerSelect(h, s, i, uint32_t(wParam), true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->Captured && n > 0 && !(MultiSel(h) && !ExtSel(h))) {
        bool outside = false;
        TPoint p = LParamToPoint(lParam);
        const TRect c = Client(h);
        int32_t i = ItemAt(h, s, p, outside);
        if (!Columns(h) && p.Y >= c.Bottom) i = std::min(n - 1, s->Top + PageItems(h, s));
        if (!Columns(h) && p.Y < 0) i = std::max(0, s->Top - 1);
        PointerSelect(h, s, i, uint32_t(wParam) | MK_SHIFT, false);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->Captured) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: s->Captured = false; return 0;
    case WM_LBUTTONDBLCLK: {
      bool outside = false;
      const int32_t i = ItemAt(h, s, LParamToPoint(lParam), outside);
      if (n > 0 && !outside) {
        if (!MultiSel(h) || ExtSel(h)) PointerSelect(h, s, i, uint32_t(wParam), true);
        NotifyIf(h, LBN_DBLCLK);
      }
      return 0;
    }
    case WM_MOUSEWHEEL: {
      uint32_t lines = 3;
      SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      SetTop(h, s, s->Top - GET_WHEEL_DELTA_WPARAM(wParam) * int32_t(lines) / WHEEL_DELTA);
      return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const bool columns = Columns(h);
      if ((msg == WM_HSCROLL) != columns) {
        if (msg == WM_HSCROLL && s->HorzExtent > 0) {
          int32_t x = s->ScrollX;
          switch (LOWORD(wParam)) {
            case SB_LINEUP: x -= 8; break;
            case SB_LINEDOWN: x += 8; break;
            case SB_PAGEUP: x -= Client(h).Width(); break;
            case SB_PAGEDOWN: x += Client(h).Width(); break;
            case SB_THUMBPOSITION:
            case SB_THUMBTRACK: x = int16_t(HIWORD(wParam)); break;
            default: return 0;
          }
          s->ScrollX = std::clamp<int32_t>(x, 0, std::max<int32_t>(0, s->HorzExtent - Client(h).Width()));
          UpdateScroll(h, s);
          Invalidate(h, s);
        }
        return 0;
      }
      const int32_t unit = columns ? PerColumn(h, s) : 1;
      const int32_t page = columns ? PageItems(h, s) : PageItems(h, s);
      int32_t top = s->Top;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: top -= unit; break;
        case SB_LINEDOWN: top += unit; break;
        case SB_PAGEUP: top -= page; break;
        case SB_PAGEDOWN: top += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: top = int16_t(HIWORD(wParam)) * unit; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = n; break;
        default: return 0;
      }
      SetTop(h, s, top);
      return 0;
    }
    case WM_KEYDOWN: {
      const int32_t page = std::max<int32_t>(1, PageItems(h, s) - 1);
      const int32_t step = Columns(h) ? PerColumn(h, s) : 1;
      switch (wParam) {
        case VK_UP: KeyMove(h, s, s->Caret - 1); break;
        case VK_DOWN: KeyMove(h, s, s->Caret + 1); break;
        case VK_LEFT: KeyMove(h, s, s->Caret - (Columns(h) ? step : 1)); break;
        case VK_RIGHT: KeyMove(h, s, s->Caret + (Columns(h) ? step : 1)); break;
        case VK_PRIOR: KeyMove(h, s, s->Caret - page); break;
        case VK_NEXT: KeyMove(h, s, s->Caret + page); break;
        case VK_HOME: KeyMove(h, s, 0); break;
        case VK_END: KeyMove(h, s, n - 1); break;
        case VK_SPACE:
          if (MultiSel(h) && n > 0) {
            if (ExtSel(h) && GetKeyState(VK_CONTROL) >= 0) break;
            SelectItem(h, s, s->Caret, !s->Items[size_t(s->Caret)].Selected);
            NotifyIf(h, LBN_SELCHANGE);
          }
          break;
        default: break;
      }
      return 0;
    }
    case WM_CHAR: {
      if (wParam < 0x21 || (OwnerDraw(h) && (Style(h) & LBS_HASSTRINGS) == 0)) return 0;
      String key;
      const char32_t c = char32_t(wParam);
      AppendUTF8(key, c);
      const int32_t i = Find(s, s->Caret, key.c_str(), false);
      if (i >= 0) KeyMove(h, s, i);
      return 0;
    }
    case LB_ADDSTRING: return InsertItem(h, s, -1, reinterpret_cast<const char*>(lParam), (Style(h) & LBS_SORT) != 0);
    case LB_INSERTSTRING: return InsertItem(h, s, index, reinterpret_cast<const char*>(lParam), false);
    case LB_DELETESTRING:
      if (index < 0 || index >= n) return LB_ERR;
      DeleteItem(h, s, index);
      return Count(s);
    case LB_RESETCONTENT:
      s->Items.clear();
      s->Cur = -1;
      s->Caret = s->Anchor = s->Top = 0;
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case LB_GETCOUNT: return n;
    case LB_GETTEXT:
      if (index < 0 || index >= n) return LB_ERR;
      if (lParam != 0)
        std::memcpy(reinterpret_cast<char*>(lParam), s->Items[size_t(index)].Text.c_str(),
                    s->Items[size_t(index)].Text.size() + 1);
      return LRESULT(s->Items[size_t(index)].Text.size());
    case LB_GETTEXTLEN: return index < 0 || index >= n ? LB_ERR : LRESULT(s->Items[size_t(index)].Text.size());
    case LB_GETITEMDATA: return index < 0 || index >= n ? LB_ERR : LRESULT(s->Items[size_t(index)].Data);
    case LB_SETITEMDATA:
      if (index < 0 || index >= n) return LB_ERR;
      s->Items[size_t(index)].Data = uintptr_t(lParam);
      return 0;
    case LB_SETCURSEL:
      if (MultiSel(h)) return LB_ERR;
      if (index < -1 || index >= n) {
        SetCur(h, s, -1);
        return LB_ERR;
      }
      SetCur(h, s, index);
      if (index >= 0) {
        SetCaret(h, s, index);
        ShowItem(h, s, index);
      }
      return index;
    case LB_GETCURSEL:
      if (MultiSel(h)) return n == 0 ? LB_ERR : s->Caret;
      return s->Cur;
    case LB_SETSEL: {
      if (!MultiSel(h)) return LB_ERR;
      const int32_t i = int32_t(lParam);
      if (i == -1) {
        for (int32_t k = 0; k < n; ++k) SelectItem(h, s, k, wParam != 0);
        return 0;
      }
      if (i < 0 || i >= n) return LB_ERR;
      SelectItem(h, s, i, wParam != 0);
      return 0;
    }
    case LB_GETSEL: return index < 0 || index >= n ? LB_ERR : (IsSelected(h, s, index) ? 1 : 0);
    case LB_GETSELCOUNT: {
      if (!MultiSel(h)) return LB_ERR;
      return std::count_if(s->Items.begin(), s->Items.end(), [](const TLbItem& it) { return it.Selected; });
    }
    case LB_GETSELITEMS: {
      if (!MultiSel(h)) return LB_ERR;
      int32_t* out = reinterpret_cast<int32_t*>(lParam);
      int32_t k = 0;
      for (int32_t i = 0; i < n && k < int32_t(wParam); ++i)
        if (s->Items[size_t(i)].Selected) out[k++] = i;
      return k;
    }
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX: {
      if (!MultiSel(h)) return LB_ERR;
      int32_t a = msg == LB_SELITEMRANGE ? LOWORD(lParam) : index;
      int32_t b = msg == LB_SELITEMRANGE ? HIWORD(lParam) : int32_t(lParam);
      bool on = msg == LB_SELITEMRANGE ? wParam != 0 : a <= b;
      if (a > b) std::swap(a, b);
      for (int32_t i = std::max(0, a); i <= std::min(b, n - 1); ++i) SelectItem(h, s, i, on);
      return 0;
    }
    case LB_SELECTSTRING: {
      const int32_t i = Find(s, index, reinterpret_cast<const char*>(lParam), false);
      if (i < 0) return LB_ERR;
      if (MultiSel(h)) return LB_ERR;
      SetCur(h, s, i);
      SetCaret(h, s, i);
      ShowItem(h, s, i);
      return i;
    }
    case LB_FINDSTRING: return Find(s, index, reinterpret_cast<const char*>(lParam), false);
    case LB_FINDSTRINGEXACT: return Find(s, index, reinterpret_cast<const char*>(lParam), true);
    case LB_GETTOPINDEX: return s->Top;
    case LB_SETTOPINDEX:
      if (index < 0 || (index >= n && n > 0)) return LB_ERR;
      SetTop(h, s, index);
      return 0;
    case LB_GETITEMRECT: {
      if (index < 0 || (index >= n && !(n == 0 && index == 0))) return LB_ERR;
      if (lParam != 0) *reinterpret_cast<TRect*>(lParam) = ItemRect(h, s, index);
      return 0;
    }
    case LB_SETITEMHEIGHT:
      if (Variable(h)) {
        if (index < 0 || index >= n) return LB_ERR;
        s->Items[size_t(index)].Height = std::max<int32_t>(1, int32_t(lParam));
      } else {
        s->ItemHeight = std::max<int32_t>(1, int32_t(LOWORD(lParam)));
      }
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case LB_GETITEMHEIGHT:
      return Variable(h) && index >= 0 && index < n ? s->Items[size_t(index)].Height : s->ItemHeight;
    case LB_SETCARETINDEX:
      if (index < 0 || index >= n) return LB_ERR;
      SetCaret(h, s, index);
      ShowItem(h, s, index);
      return 0;
    case LB_GETCARETINDEX: return s->Caret;
    case LB_SETANCHORINDEX:
      if (index < 0 || index >= n) return LB_ERR;
      s->Anchor = index;
      return 0;
    case LB_GETANCHORINDEX: return s->Anchor;
    case LB_SETCOLUMNWIDTH:
      s->ColumnWidth = std::max<int32_t>(1, index);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case LB_SETHORIZONTALEXTENT:
      s->HorzExtent = std::max<int32_t>(0, index);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case LB_GETHORIZONTALEXTENT: return s->HorzExtent;
    case LB_ITEMFROMPOINT: {
      bool outside = false;
      const int32_t i = ItemAt(h, s, LParamToPoint(lParam), outside);
      return LRESULT(MAKELONG(uint16_t(i), uint16_t(outside ? 1 : 0)));
    }
    case LB_SETTABSTOPS:
    case LB_SETLOCALE:
    case LB_INITSTORAGE: return 0;
    case LB_GETLOCALE: return 0x0409;
    case LB_SETCOUNT:
    case LB_DIR:
    case LB_ADDFILE: return LB_ERR;
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}
