// The native list view class "SysListView32".
//
// Items keep their texts (or the callback mark), image, state bits and
// lParam. Geometry: report rows of max(text height + 2, small image height,
// state image height) below the header child; icon cells of the icon
// spacing; small-icon cells and list columns of the widest item. The header
// is a real "SysHeader32" child, placed by HDM_LAYOUT and SetWindowPos and
// asked only by messages.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

constexpr int32_t kTextBuffer = 1024;

struct TLvText {
  String Text;
  bool Callback = false;
};

struct TLvItem {
  std::vector<TLvText> Texts;  // per sub-item; index 0 is the caption
  int32_t Image = I_IMAGENONE;
  uint32_t State = 0;
  LPARAM Param = 0;
  int32_t Indent = 0;
  uint64_t Id = 0;
};

struct TLvColumn {
  String Text;
  int32_t Width = 50;
  int32_t Fmt = LVCFMT_LEFT;
  int32_t SubItem = 0;
  int32_t Image = -1;
};

struct TLvState {
  std::vector<TLvItem> Items;
  std::vector<TLvColumn> Columns;
  uint64_t NextId = 1;
  HWND Header = nullptr;
  int32_t HeaderHeight = 0;
  HFONT Font = nullptr;
  int32_t TextHeight = 13;
  HIMAGELIST Normal = nullptr, Small = nullptr, StateList = nullptr;
  bool BuiltinStates = false;
  uint32_t ExStyle = 0;
  COLORREF BkColor = CLR_DEFAULT, TextColor = CLR_DEFAULT, TextBkColor = CLR_DEFAULT;
  uint32_t CallbackMask = 0;
  int32_t SpacingCx = -1, SpacingCy = -1;  // -1: the default
  int32_t CellWidth = -1;                  // small-icon and list cells; -1: measure again
  // Scrolling: report and list use Top (rows / first column), icon views Origin.
  int32_t Top = 0;
  int32_t ScrollX = 0;
  TPoint Origin;
  int32_t Focus = -1;
  int32_t Anchor = -1;
  bool Focused = false;
  bool Redraw = true;
  bool ScrollDirty = false;
  // Mouse.
  TComDragDetect Drag;
  bool Captured = false;
  int32_t PressItem = -1;
  bool PressSelectOnly = false;  // a plain press on a selected item: select only it on release
  bool PressEditCandidate = false;
  TComSlowClick SlowClick;
  TComLabelEditor Editor;
  int32_t EditItem = -1;
  // Incremental search.
  String Search;
  uint64_t SearchTime = 0;
};

TLvState* State(HWND h) { return reinterpret_cast<TLvState*>(GetWindowLong(h, 0)); }
uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
uint32_t View(HWND h) { return Style(h) & LVS_TYPEMASK; }
int32_t Count(const TLvState* s) { return int32_t(s->Items.size()); }
bool Valid(const TLvState* s, int32_t i) { return i >= 0 && i < Count(s); }

TRect Client(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return c;
}

COLORREF Resolve(COLORREF c, int32_t sys) { return c == CLR_DEFAULT ? GetSysColor(sys) : c; }

void ImageSize(HIMAGELIST l, int32_t& cx, int32_t& cy) {
  cx = cy = 0;
  if (l != nullptr) ImageList_GetIconSize(l, &cx, &cy);
}

int32_t RowHeight(TLvState* s) {
  int32_t sw, sh, tw, th;
  ImageSize(s->Small, sw, sh);
  ImageSize(s->StateList, tw, th);
  return std::max({s->TextHeight + 2, sh, th, 1});
}

int32_t StateWidth(TLvState* s) {
  int32_t w, hh;
  ImageSize(s->StateList, w, hh);
  return w;
}

// ---- Text and image (with callbacks) ----------------------------------------------------

void Notify(HWND h, uint32_t code, NMHDR* hdr) { ComNotify(h, code, hdr); }

// Asks for the fields of mask that are callbacks, storing answers that carry
// LVIF_DI_SETITEM. Answers nothing; the caller re-reads the item.
String TextOf(HWND h, TLvState* s, int32_t i, int32_t sub);
int32_t ImageOf(HWND h, TLvState* s, int32_t i);

bool FindById(TLvState* s, uint64_t id, int32_t& i) {
  if (Valid(s, i) && s->Items[size_t(i)].Id == id) return true;
  for (int32_t k = 0; k < Count(s); ++k)
    if (s->Items[size_t(k)].Id == id) {
      i = k;
      return true;
    }
  return false;
}

String TextOf(HWND h, TLvState* s, int32_t i, int32_t sub) {
  if (!Valid(s, i) || sub < 0) return String();
  TLvItem& it = s->Items[size_t(i)];
  if (size_t(sub) >= it.Texts.size()) return String();
  if (!it.Texts[size_t(sub)].Callback) return it.Texts[size_t(sub)].Text;
  char buffer[kTextBuffer];
  buffer[0] = '\0';
  NMLVDISPINFO di;
  di.item.mask = LVIF_TEXT;
  di.item.iItem = i;
  di.item.iSubItem = sub;
  di.item.lParam = it.Param;
  di.item.state = it.State;
  di.item.pszText = buffer;
  di.item.cchTextMax = kTextBuffer;
  const uint64_t id = it.Id;
  Notify(h, LVN_GETDISPINFO, &di.hdr);
  String text =
      di.item.pszText != nullptr && di.item.pszText != LPSTR_TEXTCALLBACK ? String(di.item.pszText) : String();
  if ((di.item.mask & LVIF_DI_SETITEM) != 0 && FindById(s, id, i)) {
    TLvItem& again = s->Items[size_t(i)];
    if (size_t(sub) < again.Texts.size()) again.Texts[size_t(sub)] = TLvText{text, false};
  }
  return text;
}

int32_t ImageOf(HWND h, TLvState* s, int32_t i) {
  if (!Valid(s, i)) return I_IMAGENONE;
  TLvItem& it = s->Items[size_t(i)];
  if (it.Image != I_IMAGECALLBACK) return it.Image;
  NMLVDISPINFO di;
  di.item.mask = LVIF_IMAGE;
  di.item.iItem = i;
  di.item.lParam = it.Param;
  di.item.iImage = I_IMAGENONE;
  const uint64_t id = it.Id;
  Notify(h, LVN_GETDISPINFO, &di.hdr);
  const int32_t image = di.item.iImage == I_IMAGECALLBACK ? I_IMAGENONE : di.item.iImage;
  if ((di.item.mask & LVIF_DI_SETITEM) != 0 && FindById(s, id, i)) s->Items[size_t(i)].Image = image;
  return image;
}

int32_t TextWidth(HWND h, TLvState* s, const String& text) { return ComTextWidth(h, s->Font, text); }

// ---- Geometry ------------------------------------------------------------------------------

struct TItemGeom {
  TRect Bounds;  // LVIR_BOUNDS
  TRect State;   // the state image (empty when none)
  TRect Icon;    // LVIR_ICON
  TRect Label;   // LVIR_LABEL
};

std::vector<int32_t> ColumnOrder(TLvState* s) {
  std::vector<int32_t> order(s->Columns.size());
  std::iota(order.begin(), order.end(), 0);
  if (s->Header != nullptr && !order.empty()) {
    std::vector<int32_t> got(order.size());
    if (SendMessage(s->Header, HDM_GETORDERARRAY, WPARAM(got.size()), reinterpret_cast<LPARAM>(got.data())) != 0)
      order = got;
  }
  return order;
}

int32_t TotalWidth(TLvState* s) {
  int32_t w = 0;
  for (const TLvColumn& c : s->Columns) w += c.Width;
  return w;
}

// Left edge of column col (content coordinates, before the scroll).
int32_t ColumnLeft(TLvState* s, const std::vector<int32_t>& order, int32_t col) {
  int32_t x = 0;
  for (int32_t c : order) {
    if (c == col) return x;
    x += s->Columns[size_t(c)].Width;
  }
  return x;
}

void IconSpacing(TLvState* s, int32_t& cx, int32_t& cy) {
  int32_t iw, ih;
  ImageSize(s->Normal, iw, ih);
  if (s->Normal == nullptr) iw = ih = 32;
  cx = s->SpacingCx > 0 ? s->SpacingCx : iw + 43;
  cy = s->SpacingCy > 0 ? s->SpacingCy : ih + 2 * s->TextHeight + 10;
}

int32_t SmallItemWidth(HWND h, TLvState* s, int32_t i) {
  int32_t sw, sh;
  ImageSize(s->Small, sw, sh);
  return 2 + StateWidth(s) + sw + 2 + TextWidth(h, s, TextOf(h, s, i, 0)) + 6;
}

// Width of the cells of small-icon and list views: the widest item,
// measured again after changes of texts, items, images or font.
int32_t WideCell(HWND h, TLvState* s) {
  if (s->CellWidth > 0) return s->CellWidth;
  int32_t w = 16;
  for (int32_t i = 0; i < Count(s); ++i) w = std::max(w, SmallItemWidth(h, s, i));
  s->CellWidth = w;
  return w;
}

int32_t PerColumn(HWND h, TLvState* s) { return std::max<int32_t>(1, Client(h).Height() / RowHeight(s)); }

int32_t IconColumns(HWND h, TLvState*, int32_t cellW) {
  return std::max<int32_t>(1, Client(h).Width() / std::max<int32_t>(1, cellW));
}

// Fully visible report rows.
int32_t RowsPerPage(HWND h, TLvState* s) {
  return std::max<int32_t>(0, (Client(h).Height() - s->HeaderHeight) / RowHeight(s));
}

// Lays out column 0's parts in a cell starting at (x, top) of height rowH.
void LineParts(TLvState* s, int32_t x, int32_t top, int32_t rowH, int32_t right, TItemGeom& g) {
  int32_t sw, sh, iw, ih;
  ImageSize(s->StateList, sw, sh);
  ImageSize(s->Small, iw, ih);
  x += 2;
  const int32_t iconTop = top + (rowH - ih) / 2;
  if (s->StateList != nullptr) {
    const int32_t bottom = s->Small != nullptr ? iconTop + ih : top + (rowH + sh) / 2;
    g.State = TRect{x, bottom - sh, x + sw, bottom};
    x += sw;
  } else {
    g.State = TRect{x, top, x, top};
  }
  g.Icon = TRect{x, iconTop, x + iw, iconTop + ih};
  x += iw;
  g.Label = TRect{x, top, std::max(x, right), top + rowH};
}

TItemGeom Geometry(HWND h, TLvState* s, int32_t i, int32_t cellW = 0) {
  TItemGeom g;
  const int32_t rowH = RowHeight(s);
  switch (View(h)) {
    case LVS_REPORT: {
      const std::vector<int32_t> order = ColumnOrder(s);
      const int32_t y = s->HeaderHeight + (i - s->Top) * rowH;
      const int32_t x0 = -s->ScrollX;
      const int32_t left = s->Columns.empty() ? 0 : ColumnLeft(s, order, 0);
      const int32_t width = s->Columns.empty() ? 0 : s->Columns[0].Width;
      g.Bounds = TRect{x0, y, x0 + TotalWidth(s), y + rowH};
      LineParts(s, x0 + left, y, rowH, x0 + left + width, g);
      return g;
    }
    case LVS_LIST:
    case LVS_SMALLICON: {
      const int32_t w = cellW > 0 ? cellW : WideCell(h, s);
      int32_t x, y;
      if (View(h) == LVS_LIST) {
        const int32_t per = PerColumn(h, s);
        x = (i / per - s->Top) * w;
        y = (i % per) * rowH;
      } else {
        const int32_t cols = IconColumns(h, s, w);
        x = (i % cols) * w - s->Origin.X;
        y = (i / cols) * rowH - s->Origin.Y;
      }
      g.Bounds = TRect{x, y, x + w, y + rowH};
      LineParts(s, x, y, rowH, x + w, g);
      // The label ends after its text.
      const int32_t tw = TextWidth(h, s, TextOf(h, s, i, 0));
      g.Label.Right = std::min(g.Bounds.Right, g.Label.Left + tw + 4);
      return g;
    }
    default: {
      int32_t cx, cy, iw, ih, sw, sh;
      IconSpacing(s, cx, cy);
      ImageSize(s->Normal, iw, ih);
      if (s->Normal == nullptr) iw = ih = 32;
      ImageSize(s->StateList, sw, sh);
      const int32_t cols = IconColumns(h, s, cx);
      const int32_t x = (i % cols) * cx - s->Origin.X;
      const int32_t y = (i / cols) * cy - s->Origin.Y;
      g.Bounds = TRect{x, y, x + cx, y + cy};
      g.Icon = TRect{x + (cx - (iw + 4)) / 2, y, x + (cx - (iw + 4)) / 2 + iw + 4, y + ih + 4};
      g.State = s->StateList != nullptr
                    ? TRect{g.Icon.Left - sw, g.Icon.Bottom - 2 - sh, g.Icon.Left, g.Icon.Bottom - 2}
                    : TRect{g.Icon.Left, g.Icon.Top, g.Icon.Left, g.Icon.Top};
      // The label: centred below, wrapped to the cell, two lines unless focused.
      const String text = TextOf(h, s, i, 0);
      const int32_t maxW = std::max<int32_t>(1, cx - 4);
      TRect calc{0, 0, maxW, 0};
      int32_t lines = 1;
      if (!text.empty()) {
        HDC dc = GetDC(h);
        const int32_t saved = SaveDC(dc);
        if (s->Font != nullptr) SelectObject(dc, s->Font);
        String t = text;
        DrawText(dc, t.c_str(), int32_t(t.size()), &calc, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
        RestoreDC(dc, saved);
        ReleaseDC(h, dc);
        lines = std::max<int32_t>(1, calc.Height() / std::max<int32_t>(1, s->TextHeight));
      }
      const bool focused = s->Focus == i && s->Focused;
      if (!focused) lines = std::min<int32_t>(lines, 2);
      const int32_t lw = std::min(maxW, std::max<int32_t>(calc.Width(), 1)) + 4;
      g.Label =
          TRect{x + (cx - lw) / 2, g.Icon.Bottom, x + (cx - lw) / 2 + lw, g.Icon.Bottom + lines * s->TextHeight + 2};
      return g;
    }
  }
}

TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.Width() <= 0 && a.Height() <= 0) return b;
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

TRect SelectBounds(HWND h, TLvState* s, const TItemGeom& g) {
  if (View(h) == LVS_REPORT && (s->ExStyle & LVS_EX_FULLROWSELECT) != 0) return g.Bounds;
  TRect r = UnionRect(g.Icon, g.Label);
  return r;
}

// Content extent of icon views (for scrolling).
TSize IconExtent(HWND h, TLvState* s) {
  const int32_t n = Count(s);
  if (View(h) == LVS_SMALLICON) {
    const int32_t w = WideCell(h, s), cols = IconColumns(h, s, w);
    const int32_t rows = (n + cols - 1) / cols;
    return TSize{std::min(n, cols) * w, rows * RowHeight(s)};
  }
  int32_t cx, cy;
  IconSpacing(s, cx, cy);
  const int32_t cols = IconColumns(h, s, cx);
  const int32_t rows = (n + cols - 1) / cols;
  return TSize{std::min(n, cols) * cx, rows * cy};
}

// ---- Scrolling -----------------------------------------------------------------------------

int32_t MaxTop(HWND h, TLvState* s) {
  if (View(h) == LVS_LIST) {
    const int32_t per = PerColumn(h, s);
    const int32_t cols = (Count(s) + per - 1) / per;
    const int32_t vis = std::max<int32_t>(1, Client(h).Width() / WideCell(h, s));
    return std::max<int32_t>(0, cols - vis);
  }
  return std::max<int32_t>(0, Count(s) - std::max<int32_t>(1, RowsPerPage(h, s)));
}

void SetBar(HWND h, int32_t bar, int32_t max, int32_t page, int32_t pos) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max<int32_t>(0, max);
  si.nPage = uint32_t(std::max<int32_t>(0, page));
  si.nPos = pos;
  SetScrollInfo(h, bar, &si, true);
}

void UpdateScroll(HWND h, TLvState* s) {
  if (!s->Redraw) {
    s->ScrollDirty = true;
    return;
  }
  s->ScrollDirty = false;
  const TRect c = Client(h);
  switch (View(h)) {
    case LVS_REPORT:
      SetBar(h, SB_HORZ, TotalWidth(s) - 1, c.Width(), s->ScrollX);
      SetBar(h, SB_VERT, Count(s) - 1, RowsPerPage(h, s), s->Top);
      break;
    case LVS_LIST: {
      const int32_t per = PerColumn(h, s);
      const int32_t cols = (Count(s) + per - 1) / per;
      SetBar(h, SB_VERT, 0, 0, 0);
      SetBar(h, SB_HORZ, cols - 1, c.Width() / WideCell(h, s), s->Top);
      break;
    }
    default: {
      const TSize e = IconExtent(h, s);
      SetBar(h, SB_HORZ, e.cx - 1, c.Width(), s->Origin.X);
      SetBar(h, SB_VERT, e.cy - 1, c.Height(), s->Origin.Y);
      break;
    }
  }
}

void Invalidate(HWND h, TLvState* s) {
  if (s->Redraw) InvalidateRect(h, nullptr, true);
}

void InvalidateItem(HWND h, TLvState* s, int32_t i) {
  if (!s->Redraw || !Valid(s, i)) return;
  if (View(h) == LVS_ICON) {
    Invalidate(h, s);  // labels change height with the focus
    return;
  }
  TRect r = Geometry(h, s, i).Bounds;
  if (View(h) == LVS_REPORT) {
    r.Left = 0;
    r.Right = Client(h).Right;
  }
  InvalidateRect(h, &r, true);
}

void LayoutHeader(HWND h, TLvState* s) {
  s->HeaderHeight = 0;
  if (s->Header == nullptr) return;
  const bool show = View(h) == LVS_REPORT && (Style(h) & LVS_NOCOLUMNHEADER) == 0;
  if (!show) {
    // Its own style: a list not shown yet still hides the header it leaves.
    // The rows move up into its place.
    if ((uint32_t(GetWindowLong(s->Header, GWL_STYLE)) & WS_VISIBLE) != 0) {
      ShowWindow(s->Header, SW_HIDE);
      InvalidateRect(h, nullptr, true);
    }
    return;
  }
  TRect rc = Client(h);
  WINDOWPOS wp;
  HDLAYOUT layout;
  layout.prc = &rc;
  layout.pwpos = &wp;
  if (SendMessage(s->Header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)) == 0) return;
  s->HeaderHeight = wp.cy;
  SetWindowPos(s->Header, nullptr, wp.x - s->ScrollX, wp.y, wp.cx + s->ScrollX, wp.cy,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ClampScroll(HWND h, TLvState* s) {
  const TRect c = Client(h);
  if (View(h) == LVS_REPORT) {
    s->Top = std::clamp<int32_t>(s->Top, 0, MaxTop(h, s));
    s->ScrollX = std::clamp<int32_t>(s->ScrollX, 0, std::max<int32_t>(0, TotalWidth(s) - c.Width()));
  } else if (View(h) == LVS_LIST) {
    s->Top = std::clamp<int32_t>(s->Top, 0, MaxTop(h, s));
  } else {
    const TSize e = IconExtent(h, s);
    s->Origin.X = std::clamp<int32_t>(s->Origin.X, 0, std::max<int32_t>(0, e.cx - c.Width()));
    s->Origin.Y = std::clamp<int32_t>(s->Origin.Y, 0, std::max<int32_t>(0, e.cy - c.Height()));
  }
}

void SetTop(HWND h, TLvState* s, int32_t top) {
  top = std::clamp<int32_t>(top, 0, MaxTop(h, s));
  if (top == s->Top) return;
  s->Top = top;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void SetScrollX(HWND h, TLvState* s, int32_t x) {
  x = std::clamp<int32_t>(x, 0, std::max<int32_t>(0, TotalWidth(s) - Client(h).Width()));
  if (x == s->ScrollX) return;
  s->ScrollX = x;
  LayoutHeader(h, s);
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void SetOrigin(HWND h, TLvState* s, TPoint o) {
  const TPoint old = s->Origin;
  s->Origin = o;
  ClampScroll(h, s);
  if (s->Origin.X == old.X && s->Origin.Y == old.Y) return;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void EnsureVisible(HWND h, TLvState* s, int32_t i, bool partial) {
  if (!Valid(s, i)) return;
  switch (View(h)) {
    case LVS_REPORT: {
      const int32_t page = std::max<int32_t>(1, RowsPerPage(h, s));
      if (i < s->Top) {
        SetTop(h, s, i);
      } else if (i >= s->Top + page) {
        if (partial && i == s->Top + page && s->HeaderHeight + (page + 1) * RowHeight(s) > Client(h).Height() &&
            s->HeaderHeight + page * RowHeight(s) < Client(h).Height())
          return;
        SetTop(h, s, i - page + 1);
      }
      return;
    }
    case LVS_LIST: {
      const int32_t per = PerColumn(h, s);
      const int32_t vis = std::max<int32_t>(1, Client(h).Width() / WideCell(h, s));
      const int32_t col = i / per;
      if (col < s->Top)
        SetTop(h, s, col);
      else if (col >= s->Top + vis)
        SetTop(h, s, col - vis + 1);
      return;
    }
    default: {
      const TItemGeom g = Geometry(h, s, i);
      const TRect c = Client(h);
      TPoint o = s->Origin;
      const TRect r = UnionRect(g.Icon, g.Label);
      if (partial && r.Bottom > c.Top && r.Top < c.Bottom) return;
      if (r.Top < 0)
        o.Y += r.Top;
      else if (r.Bottom > c.Bottom)
        o.Y += r.Bottom - c.Bottom;
      if (r.Left < 0)
        o.X += r.Left;
      else if (r.Right > c.Right)
        o.X += r.Right - c.Right;
      SetOrigin(h, s, o);
      return;
    }
  }
}

// ---- Hit testing ---------------------------------------------------------------------------

int32_t HitTest(HWND h, TLvState* s, TPoint p, uint32_t& flags, int32_t* subItem = nullptr) {
  flags = 0;
  if (subItem != nullptr) *subItem = 0;
  const TRect c = Client(h);
  if (p.Y < 0) flags |= LVHT_ABOVE;
  if (p.Y >= c.Bottom) flags |= LVHT_BELOW;
  if (p.X < 0) flags |= LVHT_TOLEFT;
  if (p.X >= c.Right) flags |= LVHT_TORIGHT;
  if (flags != 0) return -1;
  auto classify = [&](int32_t i, const TItemGeom& g) -> bool {
    if (g.State.Width() > 0 && PtInRect(g.State, p))
      flags = LVHT_ONITEMSTATEICON;
    else if (g.Icon.Width() > 0 && PtInRect(g.Icon, p))
      flags = LVHT_ONITEMICON;
    else if (PtInRect(g.Label, p))
      flags = LVHT_ONITEMLABEL;
    else
      return false;
    (void)i;
    return true;
  };
  const int32_t rowH = RowHeight(s);
  switch (View(h)) {
    case LVS_REPORT: {
      if (p.Y < s->HeaderHeight) break;
      const int32_t i = s->Top + (p.Y - s->HeaderHeight) / rowH;
      if (!Valid(s, i)) break;
      const TItemGeom g = Geometry(h, s, i);
      if (classify(i, g)) return i;
      if (p.X < g.Bounds.Right && p.X >= g.Bounds.Left) {
        // Another column of the row.
        if (subItem != nullptr) {
          const std::vector<int32_t> order = ColumnOrder(s);
          int32_t x = -s->ScrollX;
          for (int32_t col : order) {
            const int32_t w = s->Columns[size_t(col)].Width;
            if (p.X >= x && p.X < x + w) *subItem = s->Columns[size_t(col)].SubItem;
            x += w;
          }
        }
        if ((s->ExStyle & LVS_EX_FULLROWSELECT) != 0 || subItem != nullptr) {
          flags = LVHT_ONITEMLABEL;
          return i;
        }
      }
      break;
    }
    case LVS_LIST:
    case LVS_SMALLICON: {
      const int32_t w = WideCell(h, s);
      int32_t i = -1;
      if (View(h) == LVS_LIST) {
        const int32_t per = PerColumn(h, s);
        const int32_t row = p.Y / rowH;
        if (row < per) i = (s->Top + p.X / w) * per + row;
      } else {
        const int32_t cols = IconColumns(h, s, w);
        const int32_t col = (p.X + s->Origin.X) / w;
        if (col < cols) i = ((p.Y + s->Origin.Y) / rowH) * cols + col;
      }
      if (Valid(s, i) && classify(i, Geometry(h, s, i, w))) return i;
      break;
    }
    default: {
      int32_t cx, cy;
      IconSpacing(s, cx, cy);
      const int32_t cols = IconColumns(h, s, cx);
      const int32_t col = (p.X + s->Origin.X) / cx;
      const int32_t i = col < cols ? ((p.Y + s->Origin.Y) / cy) * cols + col : -1;
      if (Valid(s, i) && classify(i, Geometry(h, s, i))) return i;
      break;
    }
  }
  flags = LVHT_NOWHERE;
  return -1;
}

// ---- States and notifications --------------------------------------------------------------

LRESULT NotifyItem(HWND h, uint32_t code, int32_t i, LPARAM param, uint32_t oldState = 0, uint32_t newState = 0,
                   uint32_t changed = 0, TPoint pt = TPoint{0, 0}, int32_t sub = 0) {
  NMLISTVIEW nm;
  nm.iItem = i;
  nm.iSubItem = sub;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.uChanged = changed;
  nm.ptAction = pt;
  nm.lParam = param;
  return ComNotify(h, code, &nm.hdr);
}

// Changes the state bits of mask on item i, with ITEMCHANGING (which may
// refuse) and ITEMCHANGED; keeps the single focus and, with LVS_SINGLESEL,
// the single selection. Answers false when refused or gone.
bool SetState(HWND h, TLvState* s, int32_t i, uint32_t state, uint32_t mask);

void ClearOthers(HWND h, TLvState* s, uint32_t bit, int32_t except) {
  for (int32_t k = 0; k < Count(s); ++k)
    if (k != except && (s->Items[size_t(k)].State & bit) != 0) SetState(h, s, k, 0, bit);
}

bool SetState(HWND h, TLvState* s, int32_t i, uint32_t state, uint32_t mask) {
  if (!Valid(s, i)) return false;
  TLvItem& it = s->Items[size_t(i)];
  const uint32_t oldState = it.State;
  const uint32_t newState = (oldState & ~mask) | (state & mask);
  if (newState == oldState) return true;
  const uint64_t id = it.Id;
  const LPARAM param = it.Param;
  if (NotifyItem(h, LVN_ITEMCHANGING, i, param, oldState, newState, LVIF_STATE) != 0) return false;
  if (!FindById(s, id, i)) return false;
  // Only one focused item, and one selected with LVS_SINGLESEL.
  if ((newState & ~oldState & LVIS_FOCUSED) != 0) {
    if (Valid(s, s->Focus) && s->Focus != i) SetState(h, s, s->Focus, 0, LVIS_FOCUSED);
    if (!FindById(s, id, i)) return false;
  }
  if ((newState & ~oldState & LVIS_SELECTED) != 0 && (Style(h) & LVS_SINGLESEL) != 0) {
    ClearOthers(h, s, LVIS_SELECTED, i);
    if (!FindById(s, id, i)) return false;
  }
  TLvItem& again = s->Items[size_t(i)];
  const uint32_t before = again.State;
  again.State = (before & ~mask) | (state & mask);
  if ((again.State & LVIS_FOCUSED) != 0)
    s->Focus = i;
  else if (s->Focus == i)
    s->Focus = -1;
  InvalidateItem(h, s, i);
  NotifyItem(h, LVN_ITEMCHANGED, i, param, before, again.State, LVIF_STATE);
  return true;
}

void SelectOnly(HWND h, TLvState* s, int32_t i) {
  for (int32_t k = 0; k < Count(s); ++k)
    if (k != i && (s->Items[size_t(k)].State & LVIS_SELECTED) != 0) SetState(h, s, k, 0, LVIS_SELECTED);
  if (Valid(s, i)) SetState(h, s, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void SelectRange(HWND h, TLvState* s, int32_t a, int32_t b, bool clearOthers) {
  if (a > b) std::swap(a, b);
  for (int32_t k = 0; k < Count(s); ++k) {
    const bool in = k >= a && k <= b;
    if (in)
      SetState(h, s, k, LVIS_SELECTED, LVIS_SELECTED);
    else if (clearOthers)
      SetState(h, s, k, 0, LVIS_SELECTED);
  }
}

void ToggleCheck(HWND h, TLvState* s, int32_t i) {
  if (!Valid(s, i)) return;
  const uint32_t idx = STATEIMAGEMASKTOINDEX(s->Items[size_t(i)].State);
  SetState(h, s, i, INDEXTOSTATEIMAGEMASK(idx == 2 ? 1 : 2), LVIS_STATEIMAGEMASK);
}

// ---- Items ---------------------------------------------------------------------------------

void SetText(TLvItem& it, int32_t sub, const char* text) {
  if (sub < 0) return;
  if (size_t(sub) >= it.Texts.size()) it.Texts.resize(size_t(sub) + 1);
  if (text == LPSTR_TEXTCALLBACK)
    it.Texts[size_t(sub)] = TLvText{String(), true};
  else
    it.Texts[size_t(sub)] = TLvText{text != nullptr ? String(text) : String(), false};
}

int32_t CompareText(HWND h, TLvState* s, const String& text, int32_t k) {
  return AnsiCompareText(text, TextOf(h, s, k, 0));
}

int32_t InsertItem(HWND h, TLvState* s, const LVITEM* in) {
  if (in == nullptr || in->iSubItem != 0) return -1;
  TLvItem it;
  it.Id = s->NextId++;
  it.Texts.resize(1);
  if (in->mask & LVIF_TEXT) SetText(it, 0, in->pszText);
  it.Image = (in->mask & LVIF_IMAGE) != 0 ? in->iImage : I_IMAGENONE;
  if (in->mask & LVIF_PARAM) it.Param = in->lParam;
  if (in->mask & LVIF_STATE) it.State = in->state & in->stateMask;
  if (in->mask & LVIF_INDENT) it.Indent = in->iIndent;
  if ((s->ExStyle & LVS_EX_CHECKBOXES) != 0 && (it.State & LVIS_STATEIMAGEMASK) == 0)
    it.State |= INDEXTOSTATEIMAGEMASK(1);
  const int32_t n = Count(s);
  int32_t index = std::clamp<int32_t>(in->iItem, 0, n);
  const uint32_t style = Style(h);
  if ((style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) != 0) {
    const String text = it.Texts[0].Callback ? String() : it.Texts[0].Text;
    const bool desc = (style & LVS_SORTDESCENDING) != 0;
    // After equal texts, so insertion keeps their order.
    int32_t lo = 0, hi = n;
    while (lo < hi) {
      const int32_t mid = (lo + hi) / 2;
      const int32_t c = CompareText(h, s, text, mid);
      if (desc ? c <= 0 : c >= 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    index = lo;
  }
  const bool focused = (it.State & LVIS_FOCUSED) != 0;
  if (focused && Valid(s, s->Focus)) s->Items[size_t(s->Focus)].State &= ~LVIS_FOCUSED;
  const LPARAM param = it.Param;
  s->Items.insert(s->Items.begin() + index, std::move(it));
  s->CellWidth = -1;
  if (focused)
    s->Focus = index;
  else if (s->Focus >= index)
    ++s->Focus;
  if (s->Anchor >= index) ++s->Anchor;
  if (s->EditItem >= index) ++s->EditItem;
  UpdateScroll(h, s);
  if (s->Redraw) {
    if (View(h) == LVS_REPORT && index >= s->Top) {
      TRect r = Client(h);
      r.Top = std::max(r.Top, s->HeaderHeight + (index - s->Top) * RowHeight(s));
      if (r.Top < r.Bottom) InvalidateRect(h, &r, true);
    } else {
      Invalidate(h, s);
    }
  }
  NotifyItem(h, LVN_INSERTITEM, index, param);
  return index;
}

void RemoveAt(HWND h, TLvState* s, int32_t i) {
  const bool hadFocus = s->Focus == i;
  if (s->EditItem == i) {
    s->Editor.Abandon();
    s->EditItem = -1;
  } else if (s->EditItem > i) {
    --s->EditItem;
  }
  if (s->SlowClick.Armed()) s->SlowClick.Disarm();
  s->Items.erase(s->Items.begin() + i);
  s->CellWidth = -1;
  if (s->Focus > i)
    --s->Focus;
  else if (hadFocus)
    s->Focus = -1;
  if (s->Anchor > i)
    --s->Anchor;
  else if (s->Anchor == i)
    s->Anchor = -1;
  if (s->PressItem == i)
    s->PressItem = -1;
  else if (s->PressItem > i)
    --s->PressItem;
  s->Drag.Reset();
  ClampScroll(h, s);
  UpdateScroll(h, s);
  Invalidate(h, s);
  // The focus passes to the item now in the deleted one's place.
  if (hadFocus && Count(s) > 0) SetState(h, s, std::min(i, Count(s) - 1), LVIS_FOCUSED, LVIS_FOCUSED);
}

bool DeleteItem(HWND h, TLvState* s, int32_t i) {
  if (!Valid(s, i)) return false;
  const uint64_t id = s->Items[size_t(i)].Id;
  NotifyItem(h, LVN_DELETEITEM, i, s->Items[size_t(i)].Param);
  if (!FindById(s, id, i)) return true;  // deleted from inside the notification
  RemoveAt(h, s, i);
  return true;
}

void DeleteAll(HWND h, TLvState* s) {
  if (s->Editor.Active()) {
    s->Editor.Abandon();
    s->EditItem = -1;
  }
  s->SlowClick.Disarm();
  if (NotifyItem(h, LVN_DELETEALLITEMS, -1, 0) == 0) {
    // One notification per item in index order, by their ids: a handler may
    // delete items itself.
    std::vector<std::pair<uint64_t, LPARAM>> ids;
    ids.reserve(s->Items.size());
    for (const TLvItem& it : s->Items) ids.emplace_back(it.Id, it.Param);
    int32_t hint = 0;
    for (size_t k = 0; k < ids.size(); ++k) {
      int32_t i = hint;
      if (!FindById(s, ids[k].first, i)) continue;
      NotifyItem(h, LVN_DELETEITEM, i, ids[k].second);
      hint = i + 1;
    }
  }
  s->Items.clear();
  s->CellWidth = -1;
  s->Focus = s->Anchor = s->PressItem = -1;
  s->Top = 0;
  s->Origin = TPoint{0, 0};
  s->Drag.Reset();
  UpdateScroll(h, s);
  Invalidate(h, s);
}

bool GetItem(HWND h, TLvState* s, LVITEM* out) {
  if (out == nullptr || !Valid(s, out->iItem)) return false;
  const int32_t i = out->iItem;
  if (out->mask & LVIF_TEXT) ComCopyText(TextOf(h, s, i, out->iSubItem), out->pszText, out->cchTextMax);
  if (!Valid(s, i)) return false;
  if ((out->mask & LVIF_IMAGE) && out->iSubItem == 0) out->iImage = ImageOf(h, s, i);
  if (!Valid(s, i)) return false;
  const TLvItem& it = s->Items[size_t(i)];
  if (out->mask & LVIF_PARAM) out->lParam = it.Param;
  if (out->mask & LVIF_STATE) out->state = it.State & out->stateMask;
  if (out->mask & LVIF_INDENT) out->iIndent = it.Indent;
  return true;
}

// A change of text, image or lParam: ITEMCHANGING (which may refuse), the
// change, ITEMCHANGED.
bool SetItem(HWND h, TLvState* s, const LVITEM* in) {
  if (in == nullptr || !Valid(s, in->iItem)) return false;
  int32_t i = in->iItem;
  const uint32_t fields =
      in->mask & (in->iSubItem == 0 ? (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT) : LVIF_TEXT);
  if (fields != 0) {
    const uint64_t id = s->Items[size_t(i)].Id;
    const LPARAM param = s->Items[size_t(i)].Param;
    const uint32_t changed = fields & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM);
    if (changed != 0 && NotifyItem(h, LVN_ITEMCHANGING, i, param, 0, 0, changed) != 0) return false;
    if (!FindById(s, id, i)) return false;
    TLvItem& it = s->Items[size_t(i)];
    if (fields & LVIF_TEXT) SetText(it, in->iSubItem, in->pszText);
    if ((fields & LVIF_TEXT) != 0 && in->iSubItem == 0) s->CellWidth = -1;
    if (fields & LVIF_IMAGE) it.Image = in->iImage;
    if (fields & LVIF_PARAM) it.Param = in->lParam;
    if (fields & LVIF_INDENT) it.Indent = in->iIndent;
    InvalidateItem(h, s, i);
    if (View(h) != LVS_REPORT && (fields & LVIF_TEXT) != 0) {
      UpdateScroll(h, s);
      Invalidate(h, s);
    }
    if (changed != 0) NotifyItem(h, LVN_ITEMCHANGED, i, it.Param, 0, 0, changed);
    if (!FindById(s, id, i)) return false;
  }
  if ((in->mask & LVIF_STATE) != 0 && in->iSubItem == 0) return SetState(h, s, i, in->state, in->stateMask);
  return true;
}

int32_t GetNext(HWND h, TLvState* s, int32_t start, uint32_t flags);

int32_t Neighbour(HWND h, TLvState* s, int32_t i, uint32_t vk) {
  const int32_t n = Count(s);
  if (n == 0) return -1;
  if (!Valid(s, i)) return 0;
  int32_t step = 1;
  bool vertical = vk == VK_UP || vk == VK_DOWN;
  switch (View(h)) {
    case LVS_REPORT:
      if (!vertical) return i;
      break;
    case LVS_LIST:
      if (!vertical) step = PerColumn(h, s);
      break;
    case LVS_SMALLICON:
      if (vertical) step = IconColumns(h, s, WideCell(h, s));
      break;
    default: {
      int32_t cx, cy;
      IconSpacing(s, cx, cy);
      if (vertical) step = IconColumns(h, s, cx);
      break;
    }
  }
  const bool back = vk == VK_UP || vk == VK_LEFT;
  const int32_t j = back ? i - step : i + step;
  if (j < 0 || j >= n) return i;
  return j;
}

int32_t GetNext(HWND h, TLvState* s, int32_t start, uint32_t flags) {
  const uint32_t dir = flags & (LVNI_ABOVE | LVNI_BELOW | LVNI_TOLEFT | LVNI_TORIGHT);
  if (dir != 0) {
    const uint32_t vk = dir == LVNI_ABOVE    ? VK_UP
                        : dir == LVNI_BELOW  ? VK_DOWN
                        : dir == LVNI_TOLEFT ? VK_LEFT
                                             : VK_RIGHT;
    const int32_t j = Neighbour(h, s, start, vk);
    return j == start ? -1 : j;
  }
  const uint32_t want = flags & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
  if (want == LVNI_FOCUSED && start < s->Focus) return s->Focus;
  for (int32_t k = std::max(0, start + 1); k < Count(s); ++k)
    if ((s->Items[size_t(k)].State & want) == want) return k;
  return -1;
}

int32_t FindItem(HWND h, TLvState* s, int32_t start, const LVFINDINFO* f) {
  if (f == nullptr) return -1;
  const int32_t n = Count(s);
  const String key =
      (f->flags & (LVFI_STRING | LVFI_PARTIAL)) != 0 && f->psz != nullptr ? AnsiLowerCase(f->psz) : String();
  const int32_t first = start < 0 ? 0 : start + 1;
  const int32_t span = (f->flags & LVFI_WRAP) != 0 ? n : n - first;
  for (int32_t k = 0; k < span; ++k) {
    const int32_t i = (first + k) % std::max(n, 1);
    if (!Valid(s, i)) break;
    if (f->flags & LVFI_PARAM) {
      if (s->Items[size_t(i)].Param == f->lParam) return i;
      continue;
    }
    if ((f->flags & (LVFI_STRING | LVFI_PARTIAL)) != 0) {
      const String text = AnsiLowerCase(TextOf(h, s, i, 0));
      const bool hit = (f->flags & LVFI_PARTIAL) != 0 ? text.compare(0, key.size(), key) == 0 : text == key;
      if (hit) return i;
    }
  }
  return -1;
}

bool SortItems(HWND h, TLvState* s, LPARAM sortParam, PFNLVCOMPARE compare) {
  if (compare == nullptr) return false;
  const int32_t n = Count(s);
  std::vector<int32_t> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::vector<LPARAM> params(static_cast<size_t>(n));
  std::vector<uint64_t> ids(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    params[size_t(i)] = s->Items[size_t(i)].Param;
    ids[size_t(i)] = s->Items[size_t(i)].Id;
  }
  // A merge sort: equal items keep their order.
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return compare(params[size_t(a)], params[size_t(b)], sortParam) < 0; });
  // The compare function may have changed the items: apply the order by id.
  std::vector<TLvItem> sorted;
  sorted.reserve(s->Items.size());
  std::vector<bool> used(s->Items.size(), false);
  for (int32_t k : order) {
    int32_t i = k;
    if (FindById(s, ids[size_t(k)], i) && !used[size_t(i)]) {
      used[size_t(i)] = true;
      sorted.push_back(std::move(s->Items[size_t(i)]));
    }
  }
  for (size_t i = 0; i < s->Items.size(); ++i)
    if (!used[i]) sorted.push_back(std::move(s->Items[i]));
  s->Items = std::move(sorted);
  s->Focus = -1;
  for (int32_t i = 0; i < Count(s); ++i)
    if (s->Items[size_t(i)].State & LVIS_FOCUSED) s->Focus = i;
  s->Anchor = s->Focus;
  Invalidate(h, s);
  return true;
}

// ---- Header --------------------------------------------------------------------------------

HDITEM ColumnHdItem(const TLvColumn& c) {
  HDITEM it;
  it.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
  it.cxy = c.Width;
  it.pszText = const_cast<char*>(c.Text.c_str());
  it.fmt = HDF_STRING | (c.Fmt & LVCFMT_JUSTIFYMASK);
  return it;
}

uint32_t HeaderStyle(HWND h, TLvState* s) {
  uint32_t st = WS_CHILD | HDS_HORZ | HDS_FULLDRAG;
  if ((Style(h) & LVS_NOSORTHEADER) == 0) st |= HDS_BUTTONS;
  if ((s->ExStyle & LVS_EX_HEADERDRAGDROP) != 0) st |= HDS_DRAGDROP;
  return st;
}

void EnsureHeader(HWND h, TLvState* s) {
  if (s->Header != nullptr && !IsWindow(s->Header)) s->Header = nullptr;
  if (s->Header == nullptr && View(h) == LVS_REPORT && (Style(h) & LVS_NOCOLUMNHEADER) == 0) {
    RegisterHeaderClass();
    const TRect c = Client(h);
    // Created after the list's own window; its creation tells us by
    // WM_PARENTNOTIFY, where a skin may subclass it.
    HWND header =
        CreateWindowEx(0, "SysHeader32", "", HeaderStyle(h, s), 0, 0, c.Width(), 0, h, nullptr, nullptr, nullptr);
    s->Header = header;
    if (header == nullptr) return;
    if (s->Font != nullptr) SendMessage(header, WM_SETFONT, reinterpret_cast<WPARAM>(s->Font), 0);
    for (size_t k = 0; k < s->Columns.size(); ++k) {
      HDITEM it = ColumnHdItem(s->Columns[k]);
      SendMessage(header, HDM_INSERTITEM, WPARAM(k), reinterpret_cast<LPARAM>(&it));
    }
  }
  LayoutHeader(h, s);
}

void HeaderSetItem(TLvState* s, int32_t col) {
  if (s->Header == nullptr) return;
  HDITEM it = ColumnHdItem(s->Columns[size_t(col)]);
  SendMessage(s->Header, HDM_SETITEM, WPARAM(col), reinterpret_cast<LPARAM>(&it));
}

LRESULT HeaderNotify(HWND h, TLvState* s, WPARAM wParam, NMHDR* hdr) {
  auto* nm = reinterpret_cast<NMHEADER*>(hdr);
  // The parent hears the header too (it may refuse tracks and changes).
  HWND parent = GetParent(h);
  LRESULT answer = parent != nullptr ? SendMessage(parent, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(hdr)) : 0;
  switch (hdr->code) {
    case HDN_ITEMCLICK:
      if (nm->iItem >= 0 && nm->iItem < int32_t(s->Columns.size()))
        NotifyItem(h, LVN_COLUMNCLICK, -1, 0, 0, 0, 0, TPoint{0, 0}, nm->iItem);
      return 0;
    case HDN_ITEMCHANGED:
      if (nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH) != 0 && nm->iItem >= 0 &&
          nm->iItem < int32_t(s->Columns.size())) {
        s->Columns[size_t(nm->iItem)].Width = nm->pitem->cxy;
        ClampScroll(h, s);
        UpdateScroll(h, s);
        Invalidate(h, s);
      }
      return 0;
    case HDN_ENDDRAG: Invalidate(h, s); return answer;
    default: return answer;
  }
}

// ---- Painting --------------------------------------------------------------------------------

struct TPaintCtx {
  HDC dc;
  HFONT font;
  bool notifyItems = false;
  COLORREF window, text;
};

void DrawImage(HIMAGELIST list, int32_t index, HDC dc, int32_t x, int32_t y, uint32_t state, bool selectedBlend,
               COLORREF bk) {
  if (list == nullptr || index < 0) return;
  uint32_t style = ILD_TRANSPARENT | (state & LVIS_OVERLAYMASK);
  if ((state & LVIS_CUT) != 0) {
    ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_NONE, bk, style | ILD_BLEND50);
  } else if (selectedBlend) {
    ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT, style | ILD_BLEND50);
  } else {
    ImageList_Draw(list, index, dc, x, y, style);
  }
}

void DrawLabel(HDC dc, const String& text, TRect r, uint32_t format, COLORREF color) {
  if (text.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawText(dc, text.c_str(), int32_t(text.size()), &r, format | DT_NOPREFIX);
}

void FillColor(HDC dc, const TRect& r, COLORREF c) {
  if (c == CLR_NONE) return;
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, r, b);
  DeleteObject(b);
}

uint32_t JustifyFormat(int32_t fmt) {
  switch (fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT: return DT_RIGHT;
    case LVCFMT_CENTER: return DT_CENTER;
    default: return DT_LEFT;
  }
}

void PaintItem(HWND h, TLvState* s, TPaintCtx& ctx, int32_t i, int32_t cellW) {
  HDC dc = ctx.dc;
  TItemGeom g = Geometry(h, s, i, cellW);
  const uint64_t id = s->Items[size_t(i)].Id;
  const uint32_t state = s->Items[size_t(i)].State;
  const bool drop = (state & LVIS_DROPHILITED) != 0;
  const bool selected = (state & LVIS_SELECTED) != 0;
  const bool showSel = drop || (selected && (s->Focused || (Style(h) & LVS_SHOWSELALWAYS) != 0));
  const bool activeSel = drop || (selected && s->Focused);
  const bool fullRow = View(h) == LVS_REPORT && (s->ExStyle & LVS_EX_FULLROWSELECT) != 0;
  NMLVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = g.Bounds;
  cd.nmcd.dwItemSpec = uintptr_t(i);
  cd.nmcd.uItemState = (selected ? CDIS_SELECTED : 0) | (s->Focused && s->Focus == i ? CDIS_FOCUS : 0) |
                       (STATEIMAGEMASKTOINDEX(state) == 2 ? CDIS_CHECKED : 0) |
                       (IsWindowEnabled(h) ? 0 : CDIS_DISABLED);
  cd.nmcd.lItemlParam = s->Items[size_t(i)].Param;
  cd.clrText = showSel ? GetSysColor(activeSel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT) : ctx.text;
  cd.clrTextBk = showSel ? GetSysColor(activeSel ? COLOR_HIGHLIGHT : COLOR_BTNFACE)
                         : (s->TextBkColor == CLR_DEFAULT ? ctx.window : s->TextBkColor);
  const COLORREF defaultBk = cd.clrTextBk;
  cd.iSubItem = 0;
  uint32_t itemAnswer = CDRF_DODEFAULT;
  const int32_t saved = SaveDC(dc);
  if (ctx.notifyItems) {
    itemAnswer = ComCustomDraw(h, &cd.nmcd, CDDS_ITEMPREPAINT);
    if (!FindById(s, id, i)) {
      RestoreDC(dc, saved);
      return;
    }
    if ((itemAnswer & CDRF_SKIPDEFAULT) != 0) {
      RestoreDC(dc, saved);
      if (itemAnswer & CDRF_NOTIFYPOSTPAINT) ComCustomDraw(h, &cd.nmcd, CDDS_ITEMPOSTPAINT);
      return;
    }
    if ((itemAnswer & CDRF_NEWFONT) == 0) SelectObject(dc, ctx.font);
    g = Geometry(h, s, i, cellW);
  }
  const TLvItem& it = s->Items[size_t(i)];
  const bool customBk = cd.clrTextBk != defaultBk;
  const String caption = TextOf(h, s, i, 0);
  if (!FindById(s, id, i)) {
    RestoreDC(dc, saved);
    return;
  }
  const int32_t image = ImageOf(h, s, i);
  if (!FindById(s, id, i)) {
    RestoreDC(dc, saved);
    return;
  }
  // Selection (or the handler's background) behind the label.
  TRect labelBack = g.Label;
  if (View(h) == LVS_ICON) {
    // Only behind the text lines.
  } else if (View(h) != LVS_REPORT) {
    labelBack.Right = std::min(g.Bounds.Right, labelBack.Right);
  }
  if (showSel || customBk) {
    TRect back = fullRow ? TRect{g.Label.Left, g.Bounds.Top, g.Bounds.Right, g.Bounds.Bottom} : labelBack;
    FillColor(dc, back, cd.clrTextBk);
  }
  // State image, image, label.
  if (s->StateList != nullptr) {
    const int32_t si = int32_t(STATEIMAGEMASKTOINDEX(it.State)) - 1;
    if (si >= 0) ImageList_Draw(s->StateList, si, dc, g.State.Left, g.State.Top, ILD_TRANSPARENT);
  }
  if (View(h) == LVS_ICON) {
    DrawImage(s->Normal, image, dc, g.Icon.Left + 2, g.Icon.Top + 2, it.State, showSel && activeSel, ctx.window);
    TRect tr{g.Label.Left + 2, g.Label.Top + 1, g.Label.Right - 2, g.Label.Bottom};
    DrawLabel(dc, caption, tr, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS, cd.clrText);
  } else {
    DrawImage(s->Small, image, dc, g.Icon.Left, g.Icon.Top, it.State, false, ctx.window);
    TRect tr{g.Label.Left + 2, g.Label.Top, g.Label.Right - 2, g.Label.Bottom};
    const int32_t fmt0 = View(h) == LVS_REPORT && !s->Columns.empty() ? s->Columns[0].Fmt : LVCFMT_LEFT;
    DrawLabel(dc, caption, tr,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | JustifyFormat(fmt0 & ~LVCFMT_CENTER & ~LVCFMT_RIGHT),
              cd.clrText);
  }
  // The other columns of a report row.
  if (View(h) == LVS_REPORT && s->Columns.size() > 1) {
    const std::vector<int32_t> order = ColumnOrder(s);
    int32_t x = -s->ScrollX;
    for (int32_t col : order) {
      const TLvColumn c = s->Columns[size_t(col)];
      const TRect cell{x, g.Bounds.Top, x + c.Width, g.Bounds.Bottom};
      x += c.Width;
      if (col == 0 || c.SubItem == 0 || cell.Right <= 0) continue;
      const TRect clip = Client(h);
      if (cell.Left >= clip.Right) break;
      COLORREF color =
          fullRow && showSel ? cd.clrText : (customBk || (itemAnswer & CDRF_NEWFONT) ? cd.clrText : ctx.text);
      if ((itemAnswer & CDRF_NOTIFYSUBITEMDRAW) != 0) {
        NMLVCUSTOMDRAW sub = cd;
        sub.nmcd.rc = cell;
        sub.iSubItem = c.SubItem;
        sub.clrText = color;
        const uint32_t a = ComCustomDraw(h, &sub.nmcd, CDDS_ITEMPREPAINT | CDDS_SUBITEM);
        if (!FindById(s, id, i)) break;
        if (a & CDRF_SKIPDEFAULT) continue;
        color = sub.clrText;
        if (sub.clrTextBk != cd.clrTextBk) FillColor(dc, cell, sub.clrTextBk);
      }
      const String text = TextOf(h, s, i, c.SubItem);
      if (!FindById(s, id, i)) break;
      TRect tr{cell.Left + 6, cell.Top, cell.Right - 6, cell.Bottom};
      DrawLabel(dc, text, tr, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | JustifyFormat(c.Fmt), color);
    }
  }
  if (s->Focused && s->Focus == i && s->EditItem != i) {
    const TRect fr = fullRow ? TRect{g.Label.Left, g.Bounds.Top, g.Bounds.Right, g.Bounds.Bottom} : labelBack;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, fr);
  }
  RestoreDC(dc, saved);
  if (ctx.notifyItems && (itemAnswer & CDRF_NOTIFYPOSTPAINT) != 0) ComCustomDraw(h, &cd.nmcd, CDDS_ITEMPOSTPAINT);
}

void Paint(HWND h, TLvState* s, HDC dc) {
  const int32_t saved = SaveDC(dc);
  HFONT font = s->Font != nullptr ? s->Font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SelectObject(dc, font);
  const TRect c = Client(h);
  TPaintCtx ctx{dc, font, false, Resolve(s->BkColor, COLOR_WINDOW), Resolve(s->TextColor, COLOR_WINDOWTEXT)};
  if (s->BkColor != CLR_NONE) FillColor(dc, c, ctx.window);
  NMLVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = c;
  cd.clrText = ctx.text;
  cd.clrTextBk = ctx.window;
  const uint32_t pre = ComCustomDraw(h, &cd.nmcd, CDDS_PREPAINT);
  if (State(h) != s) return;
  if ((pre & CDRF_SKIPDEFAULT) == 0) {
    ctx.notifyItems = (pre & CDRF_NOTIFYITEMDRAW) != 0;
    const int32_t rowH = RowHeight(s);
    switch (View(h)) {
      case LVS_REPORT: {
        const int32_t last = std::min(Count(s) - 1, s->Top + (c.Height() - s->HeaderHeight) / rowH + 1);
        for (int32_t i = s->Top; i <= last && i < Count(s); ++i) PaintItem(h, s, ctx, i, 0);
        if ((s->ExStyle & LVS_EX_GRIDLINES) != 0) {
          HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
          HGDIOBJ oldPen = SelectObject(dc, pen);
          const int32_t right = std::min(c.Right, TotalWidth(s) - s->ScrollX);
          for (int32_t y = s->HeaderHeight + rowH - 1; y < c.Bottom; y += rowH) {
            MoveToEx(dc, 0, y, nullptr);
            LineTo(dc, right, y);
          }
          int32_t x = -s->ScrollX;
          for (int32_t col : ColumnOrder(s)) {
            x += s->Columns[size_t(col)].Width;
            MoveToEx(dc, x - 1, s->HeaderHeight, nullptr);
            LineTo(dc, x - 1, c.Bottom);
          }
          SelectObject(dc, oldPen);
          DeleteObject(pen);
        }
        break;
      }
      case LVS_LIST:
      case LVS_SMALLICON: {
        const int32_t w = WideCell(h, s);
        for (int32_t i = 0; i < Count(s); ++i) {
          const TItemGeom g = Geometry(h, s, i, w);
          if (g.Bounds.Right <= 0 || g.Bounds.Bottom <= 0 || g.Bounds.Left >= c.Right || g.Bounds.Top >= c.Bottom)
            continue;
          PaintItem(h, s, ctx, i, w);
        }
        break;
      }
      default:
        for (int32_t i = 0; i < Count(s); ++i) {
          const TItemGeom g = Geometry(h, s, i);
          if (g.Bounds.Bottom <= 0 || g.Bounds.Top >= c.Bottom || g.Bounds.Right <= 0 || g.Bounds.Left >= c.Right)
            continue;
          PaintItem(h, s, ctx, i, 0);
        }
        break;
    }
  }
  if (pre & CDRF_NOTIFYPOSTPAINT) ComCustomDraw(h, &cd.nmcd, CDDS_POSTPAINT);
  RestoreDC(dc, saved);
}

// ---- Label editing ---------------------------------------------------------------------------

HWND EditLabel(HWND h, TLvState* s, int32_t i) {
  if (s->Editor.Active()) s->Editor.End(true);
  s->SlowClick.Disarm();
  if (!Valid(s, i)) return nullptr;
  EnsureVisible(h, s, i, false);
  const uint64_t id = s->Items[size_t(i)].Id;
  String text = TextOf(h, s, i, 0);
  if (!FindById(s, id, i)) return nullptr;
  NMLVDISPINFO di;
  di.item.mask = LVIF_TEXT | LVIF_PARAM;
  di.item.iItem = i;
  di.item.lParam = s->Items[size_t(i)].Param;
  di.item.pszText = text.data();
  di.item.cchTextMax = int32_t(text.size() + 1);
  if (ComNotify(h, LVN_BEGINLABELEDIT, &di.hdr) != 0) return nullptr;
  if (!FindById(s, id, i)) return nullptr;
  const TItemGeom g = Geometry(h, s, i);
  TRect r = g.Label;
  if (View(h) == LVS_REPORT) {
    r.Left -= 1;
    r.Top -= 1;
    r.Bottom += 1;
  } else {
    r.Right = std::max<int32_t>(r.Right, r.Left + std::max<int32_t>(40, TextWidth(h, s, text) + 16));
    r.Bottom = r.Top + s->TextHeight + 4;
  }
  s->EditItem = i;
  InvalidateItem(h, s, i);
  HWND edit = s->Editor.Start(h, r, text, s->Font, [h, id](bool accepted, const String& newText) {
    TLvState* st = State(h);
    if (st == nullptr) return;
    int32_t item = st->EditItem;
    st->EditItem = -1;
    if (!FindById(st, id, item)) return;
    String buffer = newText;
    NMLVDISPINFO end;
    end.item.mask = LVIF_TEXT | LVIF_PARAM;
    end.item.iItem = item;
    end.item.lParam = st->Items[size_t(item)].Param;
    end.item.pszText = accepted ? buffer.data() : nullptr;
    end.item.cchTextMax = int32_t(buffer.size() + 1);
    const LRESULT answer = ComNotify(h, LVN_ENDLABELEDIT, &end.hdr);
    st = State(h);
    if (st == nullptr || !FindById(st, id, item)) return;
    if (accepted && answer != 0) {
      SetText(st->Items[size_t(item)], 0, buffer.c_str());
      st->CellWidth = -1;
    }
    InvalidateItem(h, st, item);
  });
  if (edit == nullptr) s->EditItem = -1;
  return edit;
}

// ---- Mouse and keys --------------------------------------------------------------------------

void PointerPress(HWND h, TLvState* s, LPARAM lParam, WPARAM keys, bool right, bool dbl) {
  const TPoint p = LParamToPoint(lParam);
  const bool wasFocused = s->Focused && GetFocus() == h;
  s->SlowClick.Disarm();
  if (GetFocus() != h) SetFocus(h);
  s = State(h);
  if (s == nullptr) return;
  uint32_t flags = 0;
  int32_t i = HitTest(h, s, p, flags);
  s->PressItem = i;
  s->PressSelectOnly = false;
  s->PressEditCandidate = false;
  const bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
  const bool single = (Style(h) & LVS_SINGLESEL) != 0;
  if (i >= 0) {
    const uint64_t id = s->Items[size_t(i)].Id;
    if (!right && (flags & LVHT_ONITEMSTATEICON) != 0 && (s->ExStyle & LVS_EX_CHECKBOXES) != 0) {
      ToggleCheck(h, s, i);
      return;
    }
    const uint32_t st = s->Items[size_t(i)].State;
    const bool wasSelected = (st & LVIS_SELECTED) != 0;
    if (right) {
      if (!wasSelected)
        SelectOnly(h, s, i);
      else
        SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
      if (FindById(s, id, i)) s->Anchor = i;
    } else if (ctrl && !single && !dbl) {
      SetState(h, s, i, (st & LVIS_SELECTED) ^ LVIS_SELECTED, LVIS_SELECTED);
      if (FindById(s, id, i)) SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
      if (FindById(s, id, i)) s->Anchor = i;
    } else if (shift && !single && Valid(s, s->Anchor)) {
      SelectRange(h, s, s->Anchor, i, !ctrl);
      if (FindById(s, id, i)) SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
      s->PressEditCandidate = !dbl && wasFocused && wasSelected && (st & LVIS_FOCUSED) != 0 &&
                              (flags & LVHT_ONITEMLABEL) != 0 && (Style(h) & LVS_EDITLABELS) != 0;
      if (wasSelected && GetNext(h, s, -1, LVNI_SELECTED) != -1 && !dbl) {
        // Others stay selected until the release, so a drag takes them all.
        s->PressSelectOnly = true;
        SetState(h, s, i, LVIS_FOCUSED, LVIS_FOCUSED);
      } else {
        SelectOnly(h, s, i);
      }
      if (FindById(s, id, i)) s->Anchor = i;
    }
    if (!FindById(s, id, i)) return;
    s->PressItem = i;
    if (!dbl) s->Drag.Press(p, right, i);
  } else if (!ctrl && !shift) {
    ClearOthers(h, s, LVIS_SELECTED, -1);
  }
  SetCapture(h);
  s->Captured = true;
}

void PointerRelease(HWND h, TLvState* s, LPARAM lParam, bool right) {
  const TPoint p = LParamToPoint(lParam);
  const bool dragged = s->Drag.Started();
  const int32_t item = s->PressItem;
  if (s->PressSelectOnly && !dragged && Valid(s, item)) SelectOnly(h, s, item);
  s = State(h);
  if (s == nullptr) return;
  const bool editCandidate = s->PressEditCandidate && !dragged && Valid(s, item);
  s->PressSelectOnly = false;
  s->PressEditCandidate = false;
  s->Drag.Reset();
  if (s->Captured) {
    s->Captured = false;
    if (GetCapture() == h) ReleaseCapture();
  }
  if (dragged) return;
  NMITEMACTIVATE nm;
  uint32_t flags = 0;
  int32_t sub = 0;
  nm.iItem = HitTest(h, s, p, flags, &sub);
  nm.iSubItem = sub;
  nm.ptAction = p;
  nm.lParam = Valid(s, nm.iItem) ? s->Items[size_t(nm.iItem)].Param : 0;
  ComNotify(h, right ? NM_RCLICK : NM_CLICK, &nm.hdr);
  s = State(h);
  if (s == nullptr) return;
  if (editCandidate && Valid(s, item) && nm.iItem == item) s->SlowClick.Arm(h, item);
}

void KeySelect(HWND h, TLvState* s, int32_t target) {
  if (!Valid(s, target)) return;
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool single = (Style(h) & LVS_SINGLESEL) != 0;
  const uint64_t id = s->Items[size_t(target)].Id;
  if (ctrl && !shift) {
    SetState(h, s, target, LVIS_FOCUSED, LVIS_FOCUSED);
  } else if (shift && !single && Valid(s, s->Anchor)) {
    SelectRange(h, s, s->Anchor, target, !ctrl);
    if (FindById(s, id, target)) SetState(h, s, target, LVIS_FOCUSED, LVIS_FOCUSED);
  } else {
    SelectOnly(h, s, target);
    if (FindById(s, id, target)) s->Anchor = target;
  }
  if (FindById(s, id, target)) EnsureVisible(h, s, target, false);
}

int32_t PageStep(HWND h, TLvState* s) {
  switch (View(h)) {
    case LVS_REPORT: return std::max<int32_t>(1, RowsPerPage(h, s) - 1);
    case LVS_LIST: return PerColumn(h, s);
    default: return std::max<int32_t>(1, Client(h).Height() / std::max<int32_t>(1, RowHeight(s)));
  }
}

void KeyDown(HWND h, TLvState* s, WPARAM vk, LPARAM lParam) {
  NMLVKEYDOWN kd;
  kd.wVKey = uint16_t(vk);
  kd.flags = uint32_t(lParam);
  ComNotify(h, LVN_KEYDOWN, &kd.hdr);
  s = State(h);
  if (s == nullptr) return;
  const int32_t n = Count(s);
  const int32_t cur = Valid(s, s->Focus) ? s->Focus : -1;
  switch (vk) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
      if (View(h) == LVS_REPORT && (vk == VK_LEFT || vk == VK_RIGHT)) {
        SetScrollX(h, s, s->ScrollX + (vk == VK_LEFT ? -8 : 8));
        return;
      }
      KeySelect(h, s, cur < 0 ? 0 : Neighbour(h, s, cur, uint32_t(vk)));
      return;
    case VK_HOME: KeySelect(h, s, 0); return;
    case VK_END: KeySelect(h, s, n - 1); return;
    case VK_PRIOR: KeySelect(h, s, std::max(0, (cur < 0 ? 0 : cur) - PageStep(h, s))); return;
    case VK_NEXT: KeySelect(h, s, std::min(n - 1, (cur < 0 ? 0 : cur) + PageStep(h, s))); return;
    case VK_SPACE:
      if (cur < 0) return;
      if (GetKeyState(VK_CONTROL) < 0) {
        SetState(h, s, cur, (s->Items[size_t(cur)].State & LVIS_SELECTED) ^ LVIS_SELECTED, LVIS_SELECTED);
      } else if ((s->ExStyle & LVS_EX_CHECKBOXES) != 0) {
        ToggleCheck(h, s, cur);
      } else {
        SetState(h, s, cur, LVIS_SELECTED, LVIS_SELECTED);
      }
      return;
    case VK_RETURN: {
      ComNotifyCode(h, NM_RETURN);
      s = State(h);
      if (s == nullptr || !Valid(s, s->Focus)) return;
      NMITEMACTIVATE nm;
      nm.iItem = s->Focus;
      nm.lParam = s->Items[size_t(s->Focus)].Param;
      ComNotify(h, LVN_ITEMACTIVATE, &nm.hdr);
      return;
    }
    case VK_F2:
      if ((Style(h) & LVS_EDITLABELS) != 0 && cur >= 0) EditLabel(h, s, cur);
      return;
    default: return;
  }
}

void CharSearch(HWND h, TLvState* s, char32_t c) {
  if (c < 0x20 || Count(s) == 0) return;
  const uint64_t now = GetTickCount64();
  const bool fresh = s->Search.empty() || now - s->SearchTime >= 1000;
  if (fresh) s->Search.clear();
  s->SearchTime = now;
  AppendUTF8(s->Search, c);
  LVFINDINFO f;
  f.flags = LVFI_PARTIAL | LVFI_WRAP;
  f.psz = s->Search.c_str();
  // A new search starts after the focused item; a longer prefix may stay on it.
  const int32_t start = Valid(s, s->Focus) ? (fresh ? s->Focus : s->Focus - 1) : -1;
  const int32_t i = FindItem(h, s, start, &f);
  if (i >= 0) {
    SelectOnly(h, s, i);
    s = State(h);
    if (s != nullptr && Valid(s, i)) {
      s->Anchor = i;
      EnsureVisible(h, s, i, false);
    }
  }
}

void ScrollMsg(HWND h, TLvState* s, uint32_t msg, WPARAM wParam) {
  if (s->Editor.Active()) s->Editor.End(true);
  const int32_t code = LOWORD(wParam);
  const int32_t thumb = int32_t(HIWORD(wParam));
  const TRect c = Client(h);
  const bool vert = msg == WM_VSCROLL;
  auto step = [&](int32_t pos, int32_t line, int32_t page, int32_t max) {
    switch (code) {
      case SB_LINEUP: return pos - line;
      case SB_LINEDOWN: return pos + line;
      case SB_PAGEUP: return pos - page;
      case SB_PAGEDOWN: return pos + page;
      case SB_THUMBPOSITION:
      case SB_THUMBTRACK: return thumb;
      case SB_TOP: return 0;
      case SB_BOTTOM: return max;
      default: return pos;
    }
  };
  switch (View(h)) {
    case LVS_REPORT:
      if (vert)
        SetTop(h, s, step(s->Top, 1, std::max<int32_t>(1, RowsPerPage(h, s)), Count(s)));
      else
        SetScrollX(h, s, step(s->ScrollX, 8, c.Width(), TotalWidth(s)));
      return;
    case LVS_LIST:
      if (!vert) {
        const int32_t vis = std::max<int32_t>(1, c.Width() / WideCell(h, s));
        SetTop(h, s, step(s->Top, 1, vis, Count(s)));
      }
      return;
    default: {
      const TSize e = IconExtent(h, s);
      TPoint o = s->Origin;
      if (vert)
        o.Y = step(o.Y, RowHeight(s), c.Height(), e.cy);
      else
        o.X = step(o.X, RowHeight(s), c.Width(), e.cx);
      SetOrigin(h, s, o);
      return;
    }
  }
}

void ScrollPixels(HWND h, TLvState* s, int32_t dx, int32_t dy) {
  switch (View(h)) {
    case LVS_REPORT: {
      const int32_t rowH = RowHeight(s);
      // Rounded to whole rows.
      const int32_t rows = dy >= 0 ? (dy + rowH / 2) / rowH : -((-dy + rowH / 2) / rowH);
      SetTop(h, s, s->Top + rows);
      SetScrollX(h, s, s->ScrollX + dx);
      return;
    }
    case LVS_LIST: {
      const int32_t w = WideCell(h, s);
      SetTop(h, s, s->Top + dx / w);
      return;
    }
    default: SetOrigin(h, s, TPoint{s->Origin.X + dx, s->Origin.Y + dy}); return;
  }
}

void StyleChanged(HWND h, TLvState* s) {
  if (s->Editor.Active()) s->Editor.End(true);
  s->CellWidth = -1;
  EnsureHeader(h, s);
  if (s->Header != nullptr) {
    // Sorting buttons and drag-and-drop follow the list's styles.
    const uint32_t keep = uint32_t(GetWindowLong(s->Header, GWL_STYLE)) & ~(HDS_BUTTONS | HDS_DRAGDROP);
    const uint32_t want = keep | (HeaderStyle(h, s) & (HDS_BUTTONS | HDS_DRAGDROP));
    if (want != uint32_t(GetWindowLong(s->Header, GWL_STYLE))) SetWindowLong(s->Header, GWL_STYLE, intptr_t(want));
  }
  LayoutHeader(h, s);
  ClampScroll(h, s);
  UpdateScroll(h, s);
  Invalidate(h, s);
}

int32_t FontHeight(HWND h, TLvState* s) {
  HDC dc = GetDC(h);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  RestoreDC(dc, saved);
  ReleaseDC(h, dc);
  return std::max<int32_t>(1, tm.tmHeight);
}

HIMAGELIST CreateDragImage(HWND h, TLvState* s, int32_t i, TPoint* origin) {
  if (!Valid(s, i)) return nullptr;
  const TItemGeom g = Geometry(h, s, i);
  const TRect r = SelectBounds(h, s, g);
  const int32_t w = std::max<int32_t>(1, r.Width()), hh = std::max<int32_t>(1, r.Height());
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(w, hh, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  SetViewportOrgEx(dc, -r.Left, -r.Top, nullptr);
  TPaintCtx ctx{dc, s->Font != nullptr ? s->Font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false,
                GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
  SelectObject(dc, ctx.font);
  FillColor(dc, r, ctx.window);
  const uint32_t saved = s->Items[size_t(i)].State;
  const bool focused = s->Focused;
  s->Items[size_t(i)].State &= ~(LVIS_SELECTED | LVIS_DROPHILITED);
  s->Focused = false;
  PaintItem(h, s, ctx, i, 0);
  if (Valid(s, i)) s->Items[size_t(i)].State = saved;
  s->Focused = focused;
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  HIMAGELIST list = ImageList_Create(w, hh, ILC_COLOR32, 1, 0);
  ImageList_Add(list, bmp, nullptr);
  DeleteObject(bmp);
  if (origin != nullptr) *origin = TPoint{r.Left, r.Top};
  return list;
}

int32_t AutoWidth(HWND h, TLvState* s, int32_t col, bool useHeader) {
  int32_t w = 0;
  const int32_t sub = s->Columns[size_t(col)].SubItem;
  for (int32_t i = 0; i < Count(s); ++i) w = std::max(w, TextWidth(h, s, TextOf(h, s, i, sub)));
  if (col == 0) {
    int32_t iw, ih;
    ImageSize(s->Small, iw, ih);
    w += 2 + StateWidth(s) + iw + 4;
  } else {
    w += 12;
  }
  if (useHeader) w = std::max(w, TextWidth(h, s, s->Columns[size_t(col)].Text) + 12);
  return w;
}

LRESULT ListViewWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TLvState* s = State(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  const int32_t index = int32_t(intptr_t(wParam));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TLvState));
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_CREATE:
      s->TextHeight = FontHeight(h, s);
      EnsureHeader(h, s);
      UpdateScroll(h, s);
      return 0;
    case WM_DESTROY:
      s->Editor.Abandon();
      s->SlowClick.Disarm();
      return 0;
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      s->CellWidth = -1;
      s->TextHeight = FontHeight(h, s);
      if (s->Header != nullptr) SendMessage(s->Header, WM_SETFONT, wParam, lParam);
      LayoutHeader(h, s);
      ClampScroll(h, s);
      UpdateScroll(h, s);
      if (lParam != 0) Invalidate(h, s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SIZE:
      LayoutHeader(h, s);
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 0;
    case WM_STYLECHANGED: StyleChanged(h, s); return 0;
    case WM_SETREDRAW:
      s->Redraw = wParam != 0;
      if (s->Redraw) {
        ClampScroll(h, s);
        if (s->ScrollDirty) UpdateScroll(h, s);
        InvalidateRect(h, nullptr, true);
      }
      return 0;
    case WM_ERASEBKGND:
      if (wParam != 0 && s->BkColor != CLR_NONE)
        FillColor(reinterpret_cast<HDC>(wParam), Client(h), Resolve(s->BkColor, COLOR_WINDOW));
      return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { Paint(h, s, dc); });
    case WM_ENABLE: Invalidate(h, s); return 0;
    case WM_SETFOCUS:
      s->Focused = true;
      InvalidateItem(h, s, s->Focus);
      if (View(h) != LVS_REPORT || (Style(h) & LVS_SHOWSELALWAYS) == 0) Invalidate(h, s);
      ComNotifyCode(h, NM_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->Focused = false;
      Invalidate(h, s);
      ComNotifyCode(h, NM_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: PointerPress(h, s, lParam, wParam, false, false); return 0;
    case WM_RBUTTONDOWN: PointerPress(h, s, lParam, wParam, true, false); return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
      const bool right = msg == WM_RBUTTONDBLCLK;
      PointerPress(h, s, lParam, wParam, right, true);
      s = State(h);
      if (s == nullptr) return 0;
      uint32_t flags = 0;
      NMITEMACTIVATE nm;
      nm.ptAction = LParamToPoint(lParam);
      nm.iItem = HitTest(h, s, nm.ptAction, flags);
      nm.lParam = Valid(s, nm.iItem) ? s->Items[size_t(nm.iItem)].Param : 0;
      ComNotify(h, right ? NM_RDBLCLK : NM_DBLCLK, &nm.hdr);
      s = State(h);
      if (!right && s != nullptr && Valid(s, nm.iItem)) ComNotify(h, LVN_ITEMACTIVATE, &nm.hdr);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->Drag.Armed() && (wParam & (s->Drag.Right() ? MK_RBUTTON : MK_LBUTTON)) != 0 &&
          s->Drag.Move(LParamToPoint(lParam))) {
        s->SlowClick.Disarm();
        const int32_t i = s->Drag.Item();
        if (Valid(s, i)) {
          // The handler may run a drag loop of its own; the list stops tracking first.
          const bool right = s->Drag.Right();
          if (s->Captured) {
            s->Captured = false;
            if (GetCapture() == h) ReleaseCapture();
          }
          NotifyItem(h, right ? LVN_BEGINRDRAG : LVN_BEGINDRAG, i, s->Items[size_t(i)].Param, 0, 0, 0, s->Drag.Start());
        }
      }
      return 0;
    case WM_LBUTTONUP: PointerRelease(h, s, lParam, false); return 0;
    case WM_RBUTTONUP:
      PointerRelease(h, s, lParam, true);
      // The window system's WM_CONTEXTMENU follows the release.
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != h) {
        s->Captured = false;
      }
      return 0;
    case WM_TIMER: {
      const int32_t i = s->SlowClick.Fire(wParam);
      if (i >= 0 && Valid(s, i) && s->Focus == i) EditLabel(h, s, i);
      return 0;
    }
    case WM_KEYDOWN: KeyDown(h, s, wParam, lParam); return 0;
    case WM_CHAR: CharSearch(h, s, char32_t(wParam)); return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: ScrollMsg(h, s, msg, wParam); return 0;
    case WM_MOUSEWHEEL: {
      const int32_t notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      if (View(h) == LVS_REPORT)
        SetTop(h, s, s->Top - 3 * notches);
      else if (View(h) == LVS_LIST)
        SetTop(h, s, s->Top - notches);
      else
        SetOrigin(h, s, TPoint{s->Origin.X, s->Origin.Y - 3 * RowHeight(s) * notches});
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr != nullptr && s->Header != nullptr && hdr->hwndFrom == s->Header) return HeaderNotify(h, s, wParam, hdr);
      return 0;
    }
    // ---- LVM_ ----
    case LVM_GETITEMCOUNT: return Count(s);
    case LVM_INSERTITEM: return InsertItem(h, s, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM: return DeleteItem(h, s, index) ? 1 : 0;
    case LVM_DELETEALLITEMS: DeleteAll(h, s); return 1;
    case LVM_GETITEM: return GetItem(h, s, reinterpret_cast<LVITEM*>(lParam)) ? 1 : 0;
    case LVM_SETITEM: return SetItem(h, s, reinterpret_cast<const LVITEM*>(lParam)) ? 1 : 0;
    case LVM_SETITEMTEXT: {
      auto* in = reinterpret_cast<const LVITEM*>(lParam);
      if (in == nullptr || !Valid(s, index)) return 0;
      LVITEM it;
      it.mask = LVIF_TEXT;
      it.iItem = index;
      it.iSubItem = in->iSubItem;
      it.pszText = in->pszText;
      return SetItem(h, s, &it) ? 1 : 0;
    }
    case LVM_GETITEMTEXT: {
      auto* out = reinterpret_cast<LVITEM*>(lParam);
      if (out == nullptr || !Valid(s, index)) return 0;
      const String text = TextOf(h, s, index, out->iSubItem);
      ComCopyText(text, out->pszText, out->cchTextMax);
      return LRESULT(std::min<size_t>(text.size(), size_t(std::max<int32_t>(0, out->cchTextMax - 1))));
    }
    case LVM_SETITEMSTATE: {
      auto* in = reinterpret_cast<const LVITEM*>(lParam);
      if (in == nullptr) return 0;
      if (index == -1) {
        for (int32_t k = 0; k < Count(s); ++k) SetState(h, s, k, in->state, in->stateMask);
        return 1;
      }
      return SetState(h, s, index, in->state, in->stateMask) ? 1 : 0;
    }
    case LVM_GETITEMSTATE: return Valid(s, index) ? LRESULT(s->Items[size_t(index)].State & uint32_t(lParam)) : 0;
    case LVM_GETNEXTITEM: return GetNext(h, s, index, uint32_t(lParam));
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(s->Items.begin(), s->Items.end(),
                           [](const TLvItem& it) { return (it.State & LVIS_SELECTED) != 0; });
    case LVM_FINDITEM: return FindItem(h, s, index, reinterpret_cast<const LVFINDINFO*>(lParam));
    case LVM_SORTITEMS: return SortItems(h, s, LPARAM(wParam), reinterpret_cast<PFNLVCOMPARE>(lParam)) ? 1 : 0;
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || !Valid(s, index)) return 0;
      const int32_t code = r->Left;
      const TItemGeom g = Geometry(h, s, index);
      switch (code) {
        case LVIR_ICON: *r = g.Icon; break;
        case LVIR_LABEL: *r = g.Label; break;
        case LVIR_SELECTBOUNDS: *r = SelectBounds(h, s, g); break;
        default: *r = View(h) == LVS_ICON ? UnionRect(g.Icon, g.Label) : g.Bounds; break;
      }
      return 1;
    }
    case LVM_GETSUBITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || !Valid(s, index) || View(h) != LVS_REPORT) return 0;
      const int32_t sub = r->Top, code = r->Left;
      const TItemGeom g = Geometry(h, s, index);
      if (sub == 0) {
        *r = code == LVIR_ICON ? g.Icon : code == LVIR_LABEL ? g.Label : g.Bounds;
        return 1;
      }
      const std::vector<int32_t> order = ColumnOrder(s);
      for (int32_t col : order)
        if (s->Columns[size_t(col)].SubItem == sub) {
          const int32_t x = ColumnLeft(s, order, col) - s->ScrollX;
          *r = TRect{x, g.Bounds.Top, x + s->Columns[size_t(col)].Width, g.Bounds.Bottom};
          return 1;
        }
      return 0;
    }
    case LVM_GETITEMPOSITION: {
      auto* p = reinterpret_cast<TPoint*>(lParam);
      if (p == nullptr || !Valid(s, index)) return 0;
      const TItemGeom g = Geometry(h, s, index);
      *p = View(h) == LVS_ICON ? TPoint{g.Icon.Left, g.Icon.Top} : TPoint{g.Bounds.Left, g.Bounds.Top};
      return 1;
    }
    case LVM_SETITEMPOSITION: return 0;  // items are always arranged
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (info == nullptr) return -1;
      int32_t sub = 0;
      info->iItem = HitTest(h, s, info->pt, info->flags, msg == LVM_SUBITEMHITTEST ? &sub : nullptr);
      info->iSubItem = sub;
      return info->iItem;
    }
    case LVM_ENSUREVISIBLE: EnsureVisible(h, s, index, lParam != 0); return Valid(s, index) ? 1 : 0;
    case LVM_SCROLL: ScrollPixels(h, s, index, int32_t(lParam)); return 1;
    case LVM_GETTOPINDEX: return View(h) == LVS_REPORT ? s->Top : View(h) == LVS_LIST ? s->Top * PerColumn(h, s) : 0;
    case LVM_GETCOUNTPERPAGE:
      switch (View(h)) {
        case LVS_REPORT: return RowsPerPage(h, s);
        case LVS_LIST: return PerColumn(h, s) * std::max<int32_t>(1, Client(h).Width() / WideCell(h, s));
        default: return Count(s);
      }
    case LVM_GETORIGIN: {
      auto* p = reinterpret_cast<TPoint*>(lParam);
      if (p == nullptr) return 0;
      if (View(h) == LVS_REPORT || View(h) == LVS_LIST) {
        *p = TPoint{0, 0};
        return 0;
      }
      *p = s->Origin;
      return 1;
    }
    case LVM_GETVIEWRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || View(h) == LVS_REPORT || View(h) == LVS_LIST) return 0;
      const TSize e = IconExtent(h, s);
      *r = TRect{-s->Origin.X, -s->Origin.Y, e.cx - s->Origin.X, e.cy - s->Origin.Y};
      return 1;
    }
    case LVM_REDRAWITEMS:
      for (int32_t k = std::max(0, index); k <= std::min<int32_t>(int32_t(lParam), Count(s) - 1); ++k)
        InvalidateItem(h, s, k);
      return 1;
    case LVM_UPDATE: InvalidateItem(h, s, index); return 1;
    case LVM_ARRANGE:
      s->CellWidth = -1;
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 1;
    case LVM_EDITLABEL:
      if (index < 0) {
        s->Editor.End(false);
        return 0;
      }
      return reinterpret_cast<LRESULT>(EditLabel(h, s, index));
    case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(s->Editor.Edit());
    case LVM_SETIMAGELIST: {
      HIMAGELIST* slot = index == LVSIL_NORMAL  ? &s->Normal
                         : index == LVSIL_SMALL ? &s->Small
                         : index == LVSIL_STATE ? &s->StateList
                                                : nullptr;
      if (slot == nullptr) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      s->CellWidth = -1;
      if (index == LVSIL_STATE) {
        if (s->BuiltinStates) old = nullptr;
        s->BuiltinStates = false;
        if (*slot == nullptr && (s->ExStyle & LVS_EX_CHECKBOXES) != 0) {
          *slot = ComCheckBoxStateList();
          s->BuiltinStates = true;
        }
      }
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(index == LVSIL_NORMAL  ? s->Normal
                                       : index == LVSIL_SMALL ? s->Small
                                       : index == LVSIL_STATE ? s->StateList
                                                              : nullptr);
    case LVM_SETBKCOLOR:
      s->BkColor = COLORREF(lParam);
      Invalidate(h, s);
      return 1;
    case LVM_GETBKCOLOR: return LRESULT(Resolve(s->BkColor, COLOR_WINDOW));
    case LVM_SETTEXTCOLOR:
      s->TextColor = COLORREF(lParam);
      Invalidate(h, s);
      return 1;
    case LVM_GETTEXTCOLOR: return LRESULT(Resolve(s->TextColor, COLOR_WINDOWTEXT));
    case LVM_SETTEXTBKCOLOR:
      s->TextBkColor = COLORREF(lParam);
      Invalidate(h, s);
      return 1;
    case LVM_GETTEXTBKCOLOR: return LRESULT(Resolve(s->TextBkColor, COLOR_WINDOW));
    case LVM_SETCALLBACKMASK: s->CallbackMask = uint32_t(wParam); return 1;
    case LVM_GETCALLBACKMASK: return s->CallbackMask;
    case LVM_SETICONSPACING: {
      int32_t cx, cy;
      IconSpacing(s, cx, cy);
      const LRESULT old = LRESULT(MAKELONG(cx, cy));
      const uint32_t v = uint32_t(lParam);
      const int32_t nx = int16_t(LOWORD(v)), ny = int16_t(HIWORD(v));
      s->SpacingCx = int32_t(lParam) == -1 || nx <= 0 ? -1 : nx;
      s->SpacingCy = int32_t(lParam) == -1 || ny <= 0 ? -1 : ny;
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return old;
    }
    case LVM_GETITEMSPACING: {
      int32_t cx, cy;
      if (wParam != 0) {
        cx = WideCell(h, s);
        cy = RowHeight(s);
      } else {
        IconSpacing(s, cx, cy);
      }
      return LRESULT(MAKELONG(cx, cy));
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const uint32_t old = s->ExStyle;
      const uint32_t mask = wParam == 0 ? 0xFFFFFFFFu : uint32_t(wParam);
      s->ExStyle = (old & ~mask) | (uint32_t(lParam) & mask);
      if ((s->ExStyle & LVS_EX_CHECKBOXES) != 0 && (old & LVS_EX_CHECKBOXES) == 0) {
        if (s->StateList == nullptr) {
          s->StateList = ComCheckBoxStateList();
          s->BuiltinStates = true;
        }
        for (TLvItem& it : s->Items)
          if ((it.State & LVIS_STATEIMAGEMASK) == 0) it.State |= INDEXTOSTATEIMAGEMASK(1);
      } else if ((s->ExStyle & LVS_EX_CHECKBOXES) == 0 && (old & LVS_EX_CHECKBOXES) != 0 && s->BuiltinStates) {
        s->StateList = nullptr;
        s->BuiltinStates = false;
        for (TLvItem& it : s->Items) it.State &= ~LVIS_STATEIMAGEMASK;
      }
      s->CellWidth = -1;
      StyleChanged(h, s);
      return LRESULT(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return LRESULT(s->ExStyle);
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(s->Header);
    case LVM_INSERTCOLUMN: {
      auto* in = reinterpret_cast<const LVCOLUMN*>(lParam);
      if (in == nullptr || index < 0) return -1;
      const int32_t i = std::min<int32_t>(index, int32_t(s->Columns.size()));
      TLvColumn c;
      if (in->mask & LVCF_TEXT) c.Text = in->pszText != nullptr ? in->pszText : "";
      if (in->mask & LVCF_WIDTH) c.Width = std::max<int32_t>(0, in->cx);
      if (in->mask & LVCF_FMT) c.Fmt = in->fmt;
      if (in->mask & LVCF_IMAGE) c.Image = in->iImage;
      c.SubItem = (in->mask & LVCF_SUBITEM) != 0 ? in->iSubItem : i;
      s->Columns.insert(s->Columns.begin() + i, c);
      if (s->Header != nullptr) {
        HDITEM it = ColumnHdItem(c);
        SendMessage(s->Header, HDM_INSERTITEM, WPARAM(i), reinterpret_cast<LPARAM>(&it));
      }
      UpdateScroll(h, s);
      Invalidate(h, s);
      return i;
    }
    case LVM_DELETECOLUMN: {
      if (index < 0 || index >= int32_t(s->Columns.size())) return 0;
      s->Columns.erase(s->Columns.begin() + index);
      if (s->Header != nullptr) SendMessage(s->Header, HDM_DELETEITEM, WPARAM(index), 0);
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 1;
    }
    case LVM_GETCOLUMN: {
      auto* out = reinterpret_cast<LVCOLUMN*>(lParam);
      if (out == nullptr || index < 0 || index >= int32_t(s->Columns.size())) return 0;
      const TLvColumn& c = s->Columns[size_t(index)];
      if (out->mask & LVCF_TEXT) ComCopyText(c.Text, out->pszText, out->cchTextMax);
      if (out->mask & LVCF_WIDTH) out->cx = c.Width;
      if (out->mask & LVCF_FMT) out->fmt = c.Fmt;
      if (out->mask & LVCF_SUBITEM) out->iSubItem = c.SubItem;
      if (out->mask & LVCF_IMAGE) out->iImage = c.Image;
      if (out->mask & LVCF_ORDER) {
        const std::vector<int32_t> order = ColumnOrder(s);
        out->iOrder = int32_t(std::find(order.begin(), order.end(), index) - order.begin());
      }
      return 1;
    }
    case LVM_SETCOLUMN: {
      auto* in = reinterpret_cast<const LVCOLUMN*>(lParam);
      if (in == nullptr || index < 0 || index >= int32_t(s->Columns.size())) return 0;
      TLvColumn& c = s->Columns[size_t(index)];
      if (in->mask & LVCF_TEXT) c.Text = in->pszText != nullptr ? in->pszText : "";
      if (in->mask & LVCF_WIDTH) c.Width = std::max<int32_t>(0, in->cx);
      if (in->mask & LVCF_FMT) c.Fmt = in->fmt;
      if (in->mask & LVCF_IMAGE) c.Image = in->iImage;
      if (in->mask & LVCF_SUBITEM) c.SubItem = in->iSubItem;
      HeaderSetItem(s, index);
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 1;
    }
    case LVM_GETCOLUMNWIDTH:
      if (View(h) == LVS_LIST) return WideCell(h, s);
      if (index < 0 || index >= int32_t(s->Columns.size())) return 0;
      return s->Columns[size_t(index)].Width;
    case LVM_SETCOLUMNWIDTH: {
      if (View(h) == LVS_LIST) return 0;
      if (index < 0 || index >= int32_t(s->Columns.size())) return 0;
      int32_t w = int32_t(lParam);
      if (w == LVSCW_AUTOSIZE)
        w = AutoWidth(h, s, index, false);
      else if (w == LVSCW_AUTOSIZE_USEHEADER) {
        w = AutoWidth(h, s, index, true);
        if (index == int32_t(s->Columns.size()) - 1)
          w = std::max(w, Client(h).Width() - (TotalWidth(s) - s->Columns[size_t(index)].Width));
      }
      s->Columns[size_t(index)].Width = std::max<int32_t>(0, w);
      HeaderSetItem(s, index);
      ClampScroll(h, s);
      UpdateScroll(h, s);
      Invalidate(h, s);
      return 1;
    }
    case LVM_GETCOLUMNORDERARRAY: {
      auto* out = reinterpret_cast<int32_t*>(lParam);
      if (out == nullptr || index < int32_t(s->Columns.size())) return 0;
      const std::vector<int32_t> order = ColumnOrder(s);
      std::copy(order.begin(), order.end(), out);
      return 1;
    }
    case LVM_SETCOLUMNORDERARRAY:
      if (s->Header == nullptr) return 0;
      Invalidate(h, s);
      return SendMessage(s->Header, HDM_SETORDERARRAY, wParam, lParam);
    case LVM_GETSTRINGWIDTH: return lParam != 0 ? TextWidth(h, s, reinterpret_cast<const char*>(lParam)) : 0;
    case LVM_CREATEDRAGIMAGE:
      return reinterpret_cast<LRESULT>(CreateDragImage(h, s, index, reinterpret_cast<TPoint*>(lParam)));
    case LVM_SETITEMCOUNT: s->Items.reserve(size_t(std::max(0, index))); return 1;
    case LVM_GETSELECTIONMARK: return s->Anchor;
    case LVM_SETSELECTIONMARK: {
      const int32_t old = s->Anchor;
      s->Anchor = int32_t(lParam);
      return old;
    }
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterListViewClass() {
  RegisterHeaderClass();
  ComRegisterClass("SysListView32", ListViewWndProc);
}
