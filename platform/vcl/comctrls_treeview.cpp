// The native "SysTreeView32" class: a tree of items with one caret item,
// expansion on demand (children may be inserted while TVN_ITEMEXPANDING is
// being answered), callbacks answered by TVN_GETDISPINFO, custom draw, label
// editing, drag starts, and scroll information in rows (vertical) and pixels
// (horizontal) kept in the window whatever its style.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/messages.h"
#include "platform/rtl/scopeguard.h"

namespace {

struct TTvItem {
  TTvItem* Parent = nullptr;
  TTvItem* Child = nullptr;  // first child
  TTvItem* Next = nullptr;
  TTvItem* Prev = nullptr;
  String Text;
  bool TextCallback = false;
  int32_t Image = 0;
  int32_t SelImage = 0;
  // cChildren as given (ChildrenGiven); otherwise the children decide.
  int32_t Children = 0;
  bool ChildrenGiven = false;
  uint32_t State = 0;
  LPARAM Param = 0;
  int32_t Id = 0;
  int32_t Width = -1;  // the label text's width, measured on demand
  bool Deleting = false;
  bool Expanding = false;  // TVN_ITEMEXPANDING is out for it
};

HTREEITEM ToHandle(TTvItem* it) { return reinterpret_cast<HTREEITEM>(it); }

struct TTreeState {
  TTvItem Root;
  std::unordered_set<TTvItem*> Live;
  int32_t NextId = 1;
  int32_t Count = 0;
  TTvItem* Caret = nullptr;
  TTvItem* Drop = nullptr;
  TTvItem* SavedDrop = nullptr;  // the drop target under a right press's highlight
  bool RightHighlight = false;
  TTvItem* Hot = nullptr;
  std::vector<TTvItem*> Rows;
  bool RowsDirty = true;
  int32_t Top = 0;
  int32_t ScrollX = 0;
  int32_t Indent = TreeDefaultIndent;
  int32_t ItemHeight = 0;  // TVM_SETITEMHEIGHT; 0: from font and images
  int32_t FontHeight = 0;
  HIMAGELIST Normal = nullptr;
  HIMAGELIST StateList = nullptr;
  HFONT Font = nullptr;
  COLORREF BkColor = CLR_NONE;
  COLORREF TextColor = CLR_NONE;
  bool Focused = false;
  bool Redraw = true;
  // Items deleted while a notification is out are freed when it returns.
  int32_t NotifyDepth = 0;
  std::vector<TTvItem*> Graveyard;
  // Mouse.
  bool Captured = false;
  bool PressedRight = false;
  TTvItem* Pressed = nullptr;
  bool SlowEditOnRelease = false;
  TComDragDetect Drag;
  TComSlowClick SlowClick;
  // Keys.
  bool SkipChar = false;
  String Search;
  uint64_t SearchTime = 0;
  // Label editing.
  TComLabelEditor Editor;
  TTvItem* EditItem = nullptr;
};

TTreeState* StateOf(HWND h) { return reinterpret_cast<TTreeState*>(GetWindowLong(h, 0)); }
uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
bool Has(HWND h, uint32_t bit) { return (Style(h) & bit) != 0; }

TRect Client(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return c;
}

bool IsLive(TTreeState* s, TTvItem* it) { return it != nullptr && s->Live.count(it) != 0; }

TTvItem* FromHandle(TTreeState* s, HTREEITEM hItem) {
  TTvItem* it = reinterpret_cast<TTvItem*>(hItem);
  return IsLive(s, it) ? it : nullptr;
}

// ---- Notifications -------------------------------------------------------------------------

void FlushGraveyard(TTreeState* s) {
  std::vector<TTvItem*> dead;
  dead.swap(s->Graveyard);
  for (TTvItem* it : dead) delete it;
}

LRESULT Notify(HWND h, TTreeState* s, uint32_t code, NMHDR* hdr) {
  ++s->NotifyDepth;
  LRESULT r = 0;
  {
    auto cleanup = ScopeExit([&] {
      if (--s->NotifyDepth == 0) FlushGraveyard(s);
    });
    r = ComNotify(h, code, hdr);
  }
  return r;
}

void FillItem(TVITEM& item, TTvItem* it) {
  item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
  if (it == nullptr) return;
  item.hItem = ToHandle(it);
  item.state = it->State;
  item.stateMask = 0xFFFF;
  item.lParam = it->Param;
}

LRESULT NotifyTree(HWND h, TTreeState* s, uint32_t code, uint32_t action, TTvItem* oldItem, TTvItem* newItem,
                   TPoint drag = TPoint{0, 0}) {
  NMTREEVIEW nm;
  nm.action = action;
  FillItem(nm.itemOld, oldItem);
  FillItem(nm.itemNew, newItem);
  nm.ptDrag = drag;
  return Notify(h, s, code, &nm.hdr);
}

// ---- Callbacks ----------------------------------------------------------------------------

// The fields of mask that are callbacks on it.
uint32_t CallbackMask(TTvItem* it, uint32_t mask) {
  uint32_t r = 0;
  if ((mask & TVIF_TEXT) != 0 && it->TextCallback) r |= TVIF_TEXT;
  if ((mask & TVIF_IMAGE) != 0 && it->Image == I_IMAGECALLBACK) r |= TVIF_IMAGE;
  if ((mask & TVIF_SELECTEDIMAGE) != 0 && it->SelImage == I_IMAGECALLBACK) r |= TVIF_SELECTEDIMAGE;
  if ((mask & TVIF_CHILDREN) != 0 && it->ChildrenGiven && it->Children == I_CHILDRENCALLBACK) r |= TVIF_CHILDREN;
  return r;
}

struct TDisplay {
  String Text;
  int32_t Image = -1;
  int32_t SelImage = -1;
  int32_t Children = 0;
};

// The item's values for mask, asking TVN_GETDISPINFO for the callbacks
// among them; an answer with TVIF_DI_SETITEM is stored.
TDisplay Display(HWND h, TTreeState* s, TTvItem* it, uint32_t mask) {
  TDisplay d;
  d.Text = it->Text;
  d.Image = it->Image;
  d.SelImage = it->SelImage;
  d.Children = it->ChildrenGiven ? it->Children : (it->Child != nullptr ? 1 : 0);
  const uint32_t ask = CallbackMask(it, mask);
  if (ask == 0) return d;
  char buffer[1024];
  buffer[0] = '\0';
  NMTVDISPINFO di;
  di.item.mask = ask;
  di.item.hItem = ToHandle(it);
  di.item.state = it->State;
  di.item.stateMask = 0xFFFF;
  di.item.lParam = it->Param;
  di.item.pszText = buffer;
  di.item.cchTextMax = int32_t(sizeof(buffer));
  di.item.iImage = 0;
  di.item.iSelectedImage = 0;
  di.item.cChildren = 0;
  Notify(h, s, TVN_GETDISPINFO, &di.hdr);
  if ((ask & TVIF_TEXT) != 0)
    d.Text = di.item.pszText != nullptr && di.item.pszText != LPSTR_TEXTCALLBACK ? String(di.item.pszText) : String();
  if ((ask & TVIF_IMAGE) != 0) d.Image = di.item.iImage;
  if ((ask & TVIF_SELECTEDIMAGE) != 0) d.SelImage = di.item.iSelectedImage;
  if ((ask & TVIF_CHILDREN) != 0) d.Children = di.item.cChildren;
  if ((di.item.mask & TVIF_DI_SETITEM) != 0 && IsLive(s, it)) {
    if ((ask & TVIF_TEXT) != 0) {
      it->Text = d.Text;
      it->Width = -1;
      it->TextCallback = false;
    }
    if ((ask & TVIF_IMAGE) != 0) it->Image = d.Image;
    if ((ask & TVIF_SELECTEDIMAGE) != 0) it->SelImage = d.SelImage;
    if ((ask & TVIF_CHILDREN) != 0) it->Children = d.Children;
  }
  return d;
}

bool HasButton(HWND h, TTreeState* s, TTvItem* it) {
  if (it->Child != nullptr) return true;
  if (!it->ChildrenGiven) return false;
  if (it->Children != I_CHILDRENCALLBACK) return it->Children != 0;
  return Display(h, s, it, TVIF_CHILDREN).Children != 0;
}

// ---- Structure ------------------------------------------------------------------------------

int32_t LevelOf(TTreeState* s, TTvItem* it) {
  int32_t n = 0;
  for (TTvItem* p = it->Parent; p != nullptr && p != &s->Root; p = p->Parent) ++n;
  return n;
}

bool IsAncestor(TTvItem* ancestor, TTvItem* it) {
  for (TTvItem* p = it; p != nullptr; p = p->Parent)
    if (p == ancestor) return true;
  return false;
}

TTvItem* LastChild(TTvItem* parent) {
  TTvItem* c = parent->Child;
  while (c != nullptr && c->Next != nullptr) c = c->Next;
  return c;
}

void Unlink(TTvItem* it) {
  if (it->Prev != nullptr)
    it->Prev->Next = it->Next;
  else if (it->Parent != nullptr)
    it->Parent->Child = it->Next;
  if (it->Next != nullptr) it->Next->Prev = it->Prev;
  it->Prev = it->Next = nullptr;
}

void LinkAfter(TTvItem* parent, TTvItem* after, TTvItem* it) {
  it->Parent = parent;
  if (after == nullptr) {
    it->Next = parent->Child;
    it->Prev = nullptr;
    if (parent->Child != nullptr) parent->Child->Prev = it;
    parent->Child = it;
    return;
  }
  it->Prev = after;
  it->Next = after->Next;
  if (after->Next != nullptr) after->Next->Prev = it;
  after->Next = it;
}

bool ExpandedInView(TTreeState* s, TTvItem* it) {
  for (TTvItem* p = it; p != nullptr && p != &s->Root; p = p->Parent)
    if ((p->State & TVIS_EXPANDED) == 0) return false;
  return true;
}

// Whether the item has a row (all its ancestors are expanded).
bool InView(TTreeState* s, TTvItem* it) { return it->Parent == &s->Root || ExpandedInView(s, it->Parent); }

const std::vector<TTvItem*>& Rows(TTreeState* s) {
  if (!s->RowsDirty) return s->Rows;
  s->Rows.clear();
  std::vector<TTvItem*> stack;
  for (TTvItem* c = LastChild(&s->Root); c != nullptr; c = c->Prev) stack.push_back(c);
  while (!stack.empty()) {
    TTvItem* it = stack.back();
    stack.pop_back();
    s->Rows.push_back(it);
    if ((it->State & TVIS_EXPANDED) != 0)
      for (TTvItem* c = LastChild(it); c != nullptr; c = c->Prev) stack.push_back(c);
  }
  s->RowsDirty = false;
  return s->Rows;
}

int32_t RowOf(TTreeState* s, TTvItem* it) {
  const std::vector<TTvItem*>& rows = Rows(s);
  auto pos = std::find(rows.begin(), rows.end(), it);
  return pos == rows.end() ? -1 : int32_t(pos - rows.begin());
}

// ---- Geometry -------------------------------------------------------------------------------

HIMAGELIST StateImages(HWND h, TTreeState* s) {
  if (s->StateList != nullptr) return s->StateList;
  return Has(h, TVS_CHECKBOXES) ? ComCheckBoxStateList() : nullptr;
}

TSize ListSize(HIMAGELIST list) {
  TSize sz{0, 0};
  int32_t cx = 0, cy = 0;
  if (list != nullptr && ImageList_GetIconSize(list, &cx, &cy)) sz = TSize{cx, cy};
  return sz;
}

int32_t RowHeight(HWND h, TTreeState* s) {
  if (s->ItemHeight > 0) return s->ItemHeight;
  if (s->FontHeight == 0) s->FontHeight = std::max<int32_t>(1, StdFontHeight(s->Font));
  return std::max({s->FontHeight + 2, ListSize(s->Normal).cy, ListSize(StateImages(h, s)).cy, 1});
}

int32_t VisibleCount(HWND h, TTreeState* s) { return std::max<int32_t>(0, Client(h).Height() / RowHeight(h, s)); }

int32_t ContentX(HWND h, TTreeState* s, TTvItem* it) {
  return (LevelOf(s, it) + (Has(h, TVS_LINESATROOT) ? 1 : 0)) * s->Indent - s->ScrollX;
}

struct TRowGeometry {
  TRect Row;
  int32_t X = 0;       // the content start
  int32_t StateW = 0;  // the state-image zone
  int32_t ImageW = 0;
  TRect Label;
  String Text;
};

TRowGeometry Geometry(HWND h, TTreeState* s, TTvItem* it, int32_t row) {
  TRowGeometry g;
  const int32_t rh = RowHeight(h, s);
  const int32_t y = (row - s->Top) * rh;
  g.Row = TRect{0, y, Client(h).Width(), y + rh};
  g.X = ContentX(h, s, it);
  g.StateW = ListSize(StateImages(h, s)).cx;
  g.ImageW = ListSize(s->Normal).cx;
  const int32_t left = g.X + g.StateW + g.ImageW;
  g.Text = Display(h, s, it, TVIF_TEXT).Text;
  if (it->TextCallback || it->Width < 0) it->Width = ComTextWidth(h, s->Font, g.Text);
  g.Label = TRect{left, y, left + it->Width + 4, y + rh};
  return g;
}

int32_t MaxTop(HWND h, TTreeState* s) {
  return std::max<int32_t>(0, int32_t(Rows(s).size()) - std::max<int32_t>(1, VisibleCount(h, s)));
}

// The width of the widest row, in pixels from the left edge of the content.
// Widths measured once are reused (callback texts are measured again
// whenever their row is laid out).
int32_t ContentWidth(HWND h, TTreeState* s) {
  int32_t w = 0;
  const int32_t stateW = ListSize(StateImages(h, s)).cx, imageW = ListSize(s->Normal).cx;
  const int32_t root = Has(h, TVS_LINESATROOT) ? 1 : 0;
  const std::vector<TTvItem*> rows = Rows(s);
  for (TTvItem* it : rows) {
    if (it->Width < 0) it->Width = ComTextWidth(h, s->Font, Display(h, s, it, TVIF_TEXT).Text);
    w = std::max(w, (LevelOf(s, it) + root) * s->Indent + stateW + imageW + it->Width + 4);
  }
  return w;
}

void UpdateScroll(HWND h, TTreeState* s) {
  if (!s->Redraw) return;
  if (Has(h, TVS_NOSCROLL)) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  const int32_t width = ContentWidth(h, s);
  const int32_t cw = Client(h).Width();
  s->ScrollX = std::clamp<int32_t>(s->ScrollX, 0, std::max<int32_t>(0, width - cw));
  si.nMin = 0;
  si.nMax = std::max<int32_t>(0, width - 1);
  si.nPage = uint32_t(std::max<int32_t>(0, cw));
  si.nPos = s->ScrollX;
  SetScrollInfo(h, SB_HORZ, &si, true);
  const int32_t rows = int32_t(Rows(s).size());
  s->Top = std::clamp<int32_t>(s->Top, 0, MaxTop(h, s));
  si.nMax = std::max<int32_t>(0, rows - 1);
  si.nPage = uint32_t(std::max<int32_t>(0, VisibleCount(h, s)));
  si.nPos = s->Top;
  SetScrollInfo(h, SB_VERT, &si, true);
}

void Invalidate(HWND h, TTreeState* s) {
  if (s->Redraw) InvalidateRect(h, nullptr, true);
}

void Changed(HWND h, TTreeState* s) {
  s->RowsDirty = true;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void SetTop(HWND h, TTreeState* s, int32_t top) {
  top = std::clamp<int32_t>(top, 0, MaxTop(h, s));
  if (top == s->Top) return;
  s->Top = top;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

void SetScrollX(HWND h, TTreeState* s, int32_t x) {
  const int32_t limit = std::max<int32_t>(0, ContentWidth(h, s) - Client(h).Width());
  x = std::clamp<int32_t>(x, 0, limit);
  if (x == s->ScrollX) return;
  s->ScrollX = x;
  UpdateScroll(h, s);
  Invalidate(h, s);
}

uint32_t HitTest(HWND h, TTreeState* s, TPoint p, TTvItem** item) {
  *item = nullptr;
  const TRect c = Client(h);
  uint32_t flags = 0;
  if (p.X < c.Left) flags |= TVHT_TOLEFT;
  if (p.X >= c.Right) flags |= TVHT_TORIGHT;
  if (p.Y < c.Top) flags |= TVHT_ABOVE;
  if (p.Y >= c.Bottom) flags |= TVHT_BELOW;
  if (flags != 0) return flags;
  const int32_t row = s->Top + p.Y / RowHeight(h, s);
  const std::vector<TTvItem*>& rows = Rows(s);
  if (row < 0 || row >= int32_t(rows.size())) return TVHT_NOWHERE;
  TTvItem* it = rows[size_t(row)];
  *item = it;
  TRowGeometry g = Geometry(h, s, it, row);
  if (p.X < g.X) {
    const bool buttons = Has(h, TVS_HASBUTTONS) && (LevelOf(s, it) > 0 || Has(h, TVS_LINESATROOT));
    if (buttons && p.X >= g.X - s->Indent && HasButton(h, s, it)) return TVHT_ONITEMBUTTON;
    return TVHT_ONITEMINDENT;
  }
  if (p.X < g.X + g.StateW) return TVHT_ONITEMSTATEICON;
  if (p.X < g.X + g.StateW + g.ImageW) return TVHT_ONITEMICON;
  if (p.X < g.Label.Right) return TVHT_ONITEMLABEL;
  return TVHT_ONITEMRIGHT;
}

// ---- Painting -------------------------------------------------------------------------------

COLORREF BackColor(TTreeState* s) { return s->BkColor != CLR_NONE ? s->BkColor : GetSysColor(COLOR_WINDOW); }
COLORREF ForeColor(TTreeState* s) { return s->TextColor != CLR_NONE ? s->TextColor : GetSysColor(COLOR_WINDOWTEXT); }

void DottedH(HDC dc, int32_t x0, int32_t x1, int32_t y, COLORREF c) {
  for (int32_t x = x0; x < x1; ++x)
    if (((x + y) & 1) == 0) SetPixel(dc, x, y, c);
}

void DottedV(HDC dc, int32_t x, int32_t y0, int32_t y1, COLORREF c) {
  for (int32_t y = y0; y < y1; ++y)
    if (((x + y) & 1) == 0) SetPixel(dc, x, y, c);
}

void FillSolid(HDC dc, const TRect& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, r, b);
  DeleteObject(b);
}

void PaintLines(HWND h, TTreeState* s, HDC dc, TTvItem* it, const TRowGeometry& g) {
  const bool atRoot = Has(h, TVS_LINESATROOT);
  const COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
  const int32_t mid = g.Row.Top + g.Row.Height() / 2;
  const int32_t level = LevelOf(s, it);
  if (level > 0 || atRoot) {
    const int32_t cx = g.X - s->Indent / 2;
    DottedH(dc, cx, g.X, mid, gray);
    const bool first = it->Prev == nullptr && it->Parent == &s->Root;
    DottedV(dc, cx, first ? mid : g.Row.Top, it->Next != nullptr ? g.Row.Bottom : mid + 1, gray);
  }
  // The lines of the ancestors that have siblings below.
  int32_t x = g.X - s->Indent;
  for (TTvItem* p = it->Parent; p != nullptr && p != &s->Root; p = p->Parent) {
    x -= s->Indent;
    if (LevelOf(s, p) == 0 && !atRoot) break;
    if (p->Next != nullptr) DottedV(dc, x + s->Indent / 2, g.Row.Top, g.Row.Bottom, gray);
  }
}

void PaintButton(HDC dc, const TRowGeometry& g, int32_t indent, bool expanded) {
  const int32_t cx = g.X - indent / 2;
  const int32_t cy = g.Row.Top + g.Row.Height() / 2;
  const TRect box{cx - 4, cy - 4, cx + 5, cy + 5};
  FillSolid(dc, box, GetSysColor(COLOR_WINDOW));
  StdFrameRect(dc, box, COLOR_GRAYTEXT);
  const COLORREF mark = GetSysColor(COLOR_WINDOWTEXT);
  for (int32_t x = cx - 2; x <= cx + 2; ++x) SetPixel(dc, x, cy, mark);
  if (!expanded)
    for (int32_t y = cy - 2; y <= cy + 2; ++y) SetPixel(dc, cx, y, mark);
}

void PaintItem(HWND h, TTreeState* s, HDC dc, TTvItem* it, int32_t row, uint32_t stages) {
  TRowGeometry g = Geometry(h, s, it, row);
  const bool enabled = IsWindowEnabled(h);
  const bool drop = s->Drop == it || (it->State & TVIS_DROPHILITED) != 0;
  const bool selected = (it->State & TVIS_SELECTED) != 0;
  // Drop highlight shows as a focused selection.
  enum { kNone, kFocused, kInactive } look = kNone;
  if (drop || (selected && s->Focused))
    look = kFocused;
  else if (selected && Has(h, TVS_SHOWSELALWAYS))
    look = kInactive;
  NMTVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = g.Row;
  cd.nmcd.dwItemSpec = uintptr_t(it);
  cd.nmcd.lItemlParam = it->Param;
  cd.nmcd.uItemState = (selected || drop ? CDIS_SELECTED : 0) | (s->Focused && s->Caret == it ? CDIS_FOCUS : 0) |
                       (s->Hot == it ? CDIS_HOT : 0) | (enabled ? 0 : CDIS_DISABLED);
  cd.iLevel = LevelOf(s, it);
  cd.clrText = look == kFocused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ForeColor(s);
  cd.clrTextBk = look == kFocused    ? GetSysColor(COLOR_HIGHLIGHT)
                 : look == kInactive ? GetSysColor(COLOR_BTNFACE)
                                     : BackColor(s);
  if (look == kNone && s->Hot == it && Has(h, TVS_TRACKSELECT)) cd.clrText = GetSysColor(COLOR_HOTLIGHT);
  if (!enabled) cd.clrText = GetSysColor(COLOR_GRAYTEXT);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  uint32_t answer = 0;
  if ((stages & CDRF_NOTIFYITEMDRAW) != 0) {
    answer = ComCustomDraw(h, &cd.nmcd, CDDS_ITEMPREPAINT);
    if (!IsLive(s, it)) {
      RestoreDC(dc, saved);
      return;
    }
  }
  if ((answer & CDRF_SKIPDEFAULT) == 0) {
    if (Has(h, TVS_HASLINES)) PaintLines(h, s, dc, it, g);
    if (Has(h, TVS_HASBUTTONS) && (cd.iLevel > 0 || Has(h, TVS_LINESATROOT)) && HasButton(h, s, it))
      PaintButton(dc, g, s->Indent, (it->State & TVIS_EXPANDED) != 0);
    HIMAGELIST states = StateImages(h, s);
    const uint32_t stateImage = STATEIMAGEMASKTOINDEX(it->State);
    if (states != nullptr && stateImage > 0) {
      const int32_t y = g.Row.Top + (g.Row.Height() - ListSize(states).cy) / 2;
      ImageList_Draw(states, int32_t(stateImage) - 1, dc, g.X, y, ILD_TRANSPARENT);
    }
    if (s->Normal != nullptr) {
      const TDisplay d = Display(h, s, it, selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE);
      const int32_t image = selected ? d.SelImage : d.Image;
      if (image >= 0) {
        const int32_t y = g.Row.Top + (g.Row.Height() - ListSize(s->Normal).cy) / 2;
        uint32_t style = ILD_TRANSPARENT | (it->State & TVIS_OVERLAYMASK);
        if ((it->State & TVIS_CUT) != 0) style |= ILD_BLEND50;
        ImageList_DrawEx(s->Normal, image, dc, g.X + g.StateW, y, 0, 0, CLR_NONE, CLR_DEFAULT, style);
      }
    }
    TRect back = g.Label;
    if (Has(h, TVS_FULLROWSELECT)) back = TRect{g.Label.Left, g.Row.Top, g.Row.Right, g.Row.Bottom};
    if (cd.clrTextBk != BackColor(s)) FillSolid(dc, back, cd.clrTextBk);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, cd.clrText);
    TRect tr = g.Label;
    tr.Left += 2;
    DrawText(dc, g.Text.c_str(), int32_t(g.Text.size()), &tr, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    if (s->Focused && s->Caret == it && s->EditItem != it) DrawFocusRect(dc, back);
  }
  RestoreDC(dc, saved);
  if ((answer & CDRF_NOTIFYPOSTPAINT) != 0 && IsLive(s, it)) {
    cd.nmcd.hdc = dc;
    ComCustomDraw(h, &cd.nmcd, CDDS_ITEMPOSTPAINT);
  }
}

void Paint(HWND h, TTreeState* s, HDC dc) {
  const TRect c = Client(h);
  FillSolid(dc, c, BackColor(s));
  NMTVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = c;
  const uint32_t pre = ComCustomDraw(h, &cd.nmcd, CDDS_PREPAINT);
  if ((pre & CDRF_SKIPDEFAULT) != 0) return;
  const int32_t rh = RowHeight(h, s);
  // A copy: a custom-draw handler may change the tree.
  const std::vector<TTvItem*> rows = Rows(s);
  for (int32_t row = s->Top; row < int32_t(rows.size()); ++row) {
    if ((row - s->Top) * rh >= c.Bottom) break;
    if (!IsLive(s, rows[size_t(row)])) continue;
    PaintItem(h, s, dc, rows[size_t(row)], row, pre);
  }
  if ((pre & CDRF_NOTIFYPOSTPAINT) != 0) {
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = c;
    ComCustomDraw(h, &cd.nmcd, CDDS_POSTPAINT);
  }
}

// ---- Selection, expansion, deletion -------------------------------------------------------------

bool Expand(HWND h, TTreeState* s, TTvItem* it, uint32_t code);

// Expands the item's collapsed ancestors (with notifications) and scrolls
// as little as needed; false when an ancestor would not expand.
bool EnsureVisible(HWND h, TTreeState* s, TTvItem* it) {
  std::vector<TTvItem*> chain;
  for (TTvItem* p = it->Parent; p != nullptr && p != &s->Root; p = p->Parent) chain.push_back(p);
  for (auto p = chain.rbegin(); p != chain.rend(); ++p) {
    if (((*p)->State & TVIS_EXPANDED) == 0) Expand(h, s, *p, TVE_EXPAND);
    if (!IsLive(s, it)) return false;
  }
  if (!InView(s, it)) return false;
  const int32_t row = RowOf(s, it);
  const int32_t visible = std::max<int32_t>(1, VisibleCount(h, s));
  if (row < s->Top)
    SetTop(h, s, row);
  else if (row >= s->Top + visible)
    SetTop(h, s, row - visible + 1);
  return true;
}

void InvalidateItem(HWND h, TTreeState* s, TTvItem* it) {
  if (it == nullptr || !s->Redraw) return;
  const int32_t row = RowOf(s, it);
  if (row < 0) return;
  const int32_t rh = RowHeight(h, s);
  TRect r{0, (row - s->Top) * rh, Client(h).Width(), (row - s->Top + 1) * rh};
  InvalidateRect(h, &r, true);
}

// Moves the caret with TVN_SELCHANGING (refusable unless Force) and
// TVN_SELCHANGED.
bool Select(HWND h, TTreeState* s, TTvItem* it, uint32_t action, bool force = false) {
  if (it == s->Caret) {
    if (it != nullptr) EnsureVisible(h, s, it);
    return true;
  }
  TTvItem* old = s->Caret;
  if (NotifyTree(h, s, TVN_SELCHANGING, action, old, it) != 0 && !force) return false;
  if (it != nullptr && !IsLive(s, it)) return false;
  old = IsLive(s, s->Caret) ? s->Caret : nullptr;
  if (old != nullptr) {
    old->State &= ~TVIS_SELECTED;
    InvalidateItem(h, s, old);
  }
  s->Caret = it;
  if (it != nullptr) {
    it->State |= TVIS_SELECTED;
    EnsureVisible(h, s, it);
    InvalidateItem(h, s, it);
  }
  NotifyTree(h, s, TVN_SELCHANGED, action, old, it);
  return true;
}

void DeleteItem(HWND h, TTreeState* s, TTvItem* it);

void DeleteChildren(HWND h, TTreeState* s, TTvItem* it) {
  // A handler may add children while its siblings go; a second pass takes those.
  for (int32_t pass = 0; pass < 2 && it->Child != nullptr; ++pass) {
    while (it->Child != nullptr && !it->Child->Deleting) DeleteItem(h, s, it->Child);
    if (it->Child != nullptr && it->Child->Deleting) break;
  }
}

void EndEditOf(HWND h, TTreeState* s, TTvItem* it) {
  (void)h;
  if (s->EditItem != nullptr && IsAncestor(it, s->EditItem) && s->Editor.Active()) s->Editor.End(false);
}

// Children first (depth first), each with TVN_DELETEITEM, then the item.
void DeleteItem(HWND h, TTreeState* s, TTvItem* it) {
  if (it->Deleting) return;
  EndEditOf(h, s, it);
  if (!IsLive(s, it)) return;
  if (s->Caret != nullptr && IsAncestor(it, s->Caret)) {
    TTvItem* next = it->Next != nullptr ? it->Next : it->Prev;
    if (next == nullptr && it->Parent != &s->Root) next = it->Parent;
    Select(h, s, next, TVC_UNKNOWN, true);
    if (!IsLive(s, it)) return;
    if (s->Caret != nullptr && IsAncestor(it, s->Caret)) s->Caret = nullptr;
  }
  it->Deleting = true;
  DeleteChildren(h, s, it);
  NotifyTree(h, s, TVN_DELETEITEM, 0, it, nullptr);
  // Whatever was added below it meanwhile goes silently.
  while (it->Child != nullptr) {
    TTvItem* c = it->Child;
    DeleteChildren(h, s, c);
    Unlink(c);
    s->Live.erase(c);
    --s->Count;
    if (s->NotifyDepth > 0)
      s->Graveyard.push_back(c);
    else
      delete c;
  }
  for (TTvItem** ref : {&s->Caret, &s->Drop, &s->SavedDrop, &s->Hot, &s->Pressed, &s->EditItem})
    if (*ref == it) *ref = nullptr;
  Unlink(it);
  s->Live.erase(it);
  --s->Count;
  if (s->NotifyDepth > 0)
    s->Graveyard.push_back(it);
  else
    delete it;
  s->RowsDirty = true;
}

// The caret leaves first (once, with notifications unless the window is
// going), so that no item about to go is selected on the way.
void DeleteAll(HWND h, TTreeState* s, bool notify) {
  if (s->Caret != nullptr) {
    if (notify) {
      Select(h, s, nullptr, TVC_UNKNOWN, true);
    } else {
      s->Caret->State &= ~TVIS_SELECTED;
      s->Caret = nullptr;
    }
  }
  while (s->Root.Child != nullptr && !s->Root.Child->Deleting) {
    TTvItem* it = s->Root.Child;
    if (s->Caret != nullptr && IsAncestor(it, s->Caret)) {
      s->Caret->State &= ~TVIS_SELECTED;
      s->Caret = nullptr;
    }
    DeleteItem(h, s, it);
  }
}

bool Expand(HWND h, TTreeState* s, TTvItem* it, uint32_t code) {
  const bool expanded = (it->State & TVIS_EXPANDED) != 0;
  uint32_t op = code & TVE_ACTIONMASK;
  if (op == TVE_TOGGLE) op = expanded ? TVE_COLLAPSE : TVE_EXPAND;
  if (op == TVE_EXPAND) {
    if (expanded) return true;
    // A handler expanding the item again from its own notification gets nothing.
    if (it->Expanding || !HasButton(h, s, it)) return false;
    it->Expanding = true;
    const LRESULT refused = NotifyTree(h, s, TVN_ITEMEXPANDING, TVE_EXPAND, nullptr, it);
    if (!IsLive(s, it)) return false;
    it->Expanding = false;
    if (refused != 0 || (it->State & TVIS_EXPANDED) != 0) return refused == 0;
    if (it->Child == nullptr) {
      // Marked as having children but none came: the button goes.
      it->ChildrenGiven = true;
      it->Children = 0;
      InvalidateItem(h, s, it);
      return false;
    }
    it->State |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    Changed(h, s);
    NotifyTree(h, s, TVN_ITEMEXPANDED, TVE_EXPAND, nullptr, it);
    return true;
  }
  if (op != TVE_COLLAPSE) return false;
  const bool reset = (code & TVE_COLLAPSERESET) != 0;
  if (!expanded) {
    if (reset && it->Child != nullptr) {
      DeleteChildren(h, s, it);
      it->State &= ~TVIS_EXPANDEDONCE;
      Changed(h, s);
    }
    return false;
  }
  if (NotifyTree(h, s, TVN_ITEMEXPANDING, TVE_COLLAPSE | (code & TVE_COLLAPSERESET), nullptr, it) != 0 ||
      !IsLive(s, it))
    return false;
  it->State &= ~TVIS_EXPANDED;
  s->RowsDirty = true;
  if (s->Caret != nullptr && s->Caret != it && IsAncestor(it, s->Caret)) Select(h, s, it, TVC_UNKNOWN, true);
  if (!IsLive(s, it)) return false;
  if (reset) {
    DeleteChildren(h, s, it);
    it->State &= ~TVIS_EXPANDEDONCE;
  }
  Changed(h, s);
  NotifyTree(h, s, TVN_ITEMEXPANDED, TVE_COLLAPSE | (code & TVE_COLLAPSERESET), nullptr, it);
  return true;
}

void ExpandAll(HWND h, TTreeState* s, TTvItem* it) {
  Expand(h, s, it, TVE_EXPAND);
  if (!IsLive(s, it) || (it->State & TVIS_EXPANDED) == 0) return;
  std::vector<TTvItem*> children;
  for (TTvItem* c = it->Child; c != nullptr; c = c->Next) children.push_back(c);
  for (TTvItem* c : children)
    if (IsLive(s, c)) ExpandAll(h, s, c);
}

// ---- Items in and out ---------------------------------------------------------------------------

void ApplyItem(HWND h, TTreeState* s, TTvItem* it, const TVITEM& item) {
  if ((item.mask & TVIF_TEXT) != 0) {
    it->Width = -1;
    it->TextCallback = item.pszText == LPSTR_TEXTCALLBACK;
    it->Text = it->TextCallback || item.pszText == nullptr ? String() : String(item.pszText);
  }
  if ((item.mask & TVIF_IMAGE) != 0) it->Image = item.iImage;
  if ((item.mask & TVIF_SELECTEDIMAGE) != 0) it->SelImage = item.iSelectedImage;
  if ((item.mask & TVIF_PARAM) != 0) it->Param = item.lParam;
  if ((item.mask & TVIF_CHILDREN) != 0) {
    it->ChildrenGiven = true;
    it->Children = item.cChildren;
  }
  if ((item.mask & TVIF_STATE) != 0) {
    const uint32_t mask = item.stateMask;
    const uint32_t before = it->State;
    it->State = (it->State & ~mask) | (item.state & mask);
    if (((before ^ it->State) & TVIS_EXPANDED) != 0) s->RowsDirty = true;
  }
  (void)h;
}

TTvItem* Insert(HWND h, TTreeState* s, const TVINSERTSTRUCT& is) {
  TTvItem* parent = &s->Root;
  if (is.hParent != nullptr && is.hParent != TVI_ROOT) {
    parent = FromHandle(s, is.hParent);
    if (parent == nullptr || parent->Deleting) return nullptr;
  }
  auto* it = new TTvItem;
  it->Id = s->NextId++;
  TVITEM item = is.item;
  item.mask &= ~TVIF_DI_SETITEM;
  ApplyItem(h, s, it, item);
  it->State &= ~(TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE);
  if (Has(h, TVS_CHECKBOXES) && STATEIMAGEMASKTOINDEX(it->State) == 0) it->State |= INDEXTOSTATEIMAGEMASK(1);
  TTvItem* after = LastChild(parent);
  if (is.hInsertAfter == TVI_FIRST) {
    after = nullptr;
  } else if (is.hInsertAfter == TVI_SORT) {
    const String text = Display(h, s, it, TVIF_TEXT).Text;
    after = nullptr;
    for (TTvItem* c = parent->Child; c != nullptr; c = c->Next) {
      if (AnsiCompareText(Display(h, s, c, TVIF_TEXT).Text, text) > 0) break;
      after = c;
    }
  } else if (is.hInsertAfter != TVI_LAST && is.hInsertAfter != nullptr) {
    TTvItem* a = FromHandle(s, is.hInsertAfter);
    if (a != nullptr && a->Parent == parent) after = a;
  }
  LinkAfter(parent, after, it);
  s->Live.insert(it);
  ++s->Count;
  if (parent == &s->Root || ExpandedInView(s, parent)) {
    Changed(h, s);
  } else if (InView(s, parent)) {
    InvalidateItem(h, s, parent);  // its button may appear
  }
  return it;
}

void FillOut(HWND h, TTreeState* s, TTvItem* it, TVITEM& item) {
  if ((item.mask & TVIF_TEXT) != 0 && item.pszText != nullptr && item.pszText != LPSTR_TEXTCALLBACK) {
    if (it->TextCallback)
      ComCopyText(Display(h, s, it, TVIF_TEXT).Text, item.pszText, item.cchTextMax);
    else
      ComCopyText(it->Text, item.pszText, item.cchTextMax);
  }
  if ((item.mask & TVIF_IMAGE) != 0) item.iImage = it->Image;
  if ((item.mask & TVIF_SELECTEDIMAGE) != 0) item.iSelectedImage = it->SelImage;
  if ((item.mask & TVIF_PARAM) != 0) item.lParam = it->Param;
  if ((item.mask & TVIF_CHILDREN) != 0)
    item.cChildren = it->Child != nullptr ? 1 : it->ChildrenGiven ? it->Children : 0;
  if ((item.mask & TVIF_STATE) != 0) {
    uint32_t state = it->State;
    if (s->Drop == it) state |= TVIS_DROPHILITED;
    item.state = state & item.stateMask;
  }
}

// Stable sort of the children (and their children with Recurse).
template <class Less>
void SortChildren(TTvItem* parent, bool recurse, Less less) {
  std::vector<TTvItem*> children;
  for (TTvItem* c = parent->Child; c != nullptr; c = c->Next) children.push_back(c);
  std::stable_sort(children.begin(), children.end(), less);
  parent->Child = nullptr;
  TTvItem* prev = nullptr;
  for (TTvItem* c : children) {
    c->Prev = prev;
    c->Next = nullptr;
    if (prev != nullptr)
      prev->Next = c;
    else
      parent->Child = c;
    prev = c;
  }
  if (recurse)
    for (TTvItem* c : children) SortChildren(c, true, less);
}

// ---- Label editing ------------------------------------------------------------------------------

void EndLabelEdit(HWND h, bool accepted, const String& text) {
  TTreeState* s = StateOf(h);
  if (s == nullptr) return;
  TTvItem* it = s->EditItem;
  s->EditItem = nullptr;
  if (!IsLive(s, it)) return;
  InvalidateItem(h, s, it);
  String buffer = text;
  NMTVDISPINFO di;
  di.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  di.item.hItem = ToHandle(it);
  di.item.lParam = it->Param;
  di.item.state = it->State;
  di.item.pszText = accepted ? buffer.data() : nullptr;
  di.item.cchTextMax = int32_t(buffer.size() + 1);
  const LRESULT r = Notify(h, s, TVN_ENDLABELEDIT, &di.hdr);
  if (accepted && r != 0 && IsLive(s, it)) {
    it->Text = text;
    it->Width = -1;
    it->TextCallback = false;
    Changed(h, s);
  }
}

HWND EditLabel(HWND h, TTreeState* s, TTvItem* it) {
  if (s->Editor.Active()) s->Editor.End(true);
  s->SlowClick.Disarm();
  if (!IsLive(s, it) || !EnsureVisible(h, s, it)) return nullptr;
  const String text = Display(h, s, it, TVIF_TEXT).Text;
  String buffer = text;
  NMTVDISPINFO di;
  di.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  di.item.hItem = ToHandle(it);
  di.item.lParam = it->Param;
  di.item.state = it->State;
  di.item.pszText = buffer.data();
  di.item.cchTextMax = int32_t(buffer.size() + 1);
  if (Notify(h, s, TVN_BEGINLABELEDIT, &di.hdr) != 0 || !IsLive(s, it)) return nullptr;
  UpdateWindow(h);
  const int32_t row = RowOf(s, it);
  if (row < 0) return nullptr;
  TRowGeometry g = Geometry(h, s, it, row);
  TRect r = g.Label;
  r.Right = std::max(r.Right + 16, std::min(Client(h).Right, r.Left + 64));
  s->EditItem = it;
  InvalidateItem(h, s, it);
  HWND edit =
      s->Editor.Start(h, r, text, s->Font, [h](bool accepted, const String& t) { EndLabelEdit(h, accepted, t); });
  if (edit == nullptr) s->EditItem = nullptr;
  return edit;
}

// ---- Input ----------------------------------------------------------------------------------------

LRESULT NotifyClick(HWND h, TTreeState* s, uint32_t code, TPoint p) {
  NMITEMACTIVATE nm;
  nm.iItem = -1;
  nm.ptAction = p;
  return Notify(h, s, code, &nm.hdr);
}

void ToggleCheck(HWND h, TTreeState* s, TTvItem* it) {
  const uint32_t v = STATEIMAGEMASKTOINDEX(it->State);
  const uint32_t next = v == 1 ? 2 : 1;
  it->State = (it->State & ~TVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(next);
  InvalidateItem(h, s, it);
}

void KeyMove(HWND h, TTreeState* s, int32_t row) {
  const std::vector<TTvItem*>& rows = Rows(s);
  if (rows.empty()) return;
  row = std::clamp<int32_t>(row, 0, int32_t(rows.size()) - 1);
  Select(h, s, rows[size_t(row)], TVC_BYKEYBOARD);
}

void KeyDown(HWND h, TTreeState* s, uint32_t vk) {
  NMTVKEYDOWN kd;
  kd.wVKey = uint16_t(vk);
  s->SkipChar = Notify(h, s, TVN_KEYDOWN, &kd.hdr) != 0;
  const int32_t rows = int32_t(Rows(s).size());
  const int32_t cur = s->Caret != nullptr ? RowOf(s, s->Caret) : -1;
  const int32_t page = std::max<int32_t>(1, VisibleCount(h, s) - 1);
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  TTvItem* caret = s->Caret;
  switch (vk) {
    case VK_UP:
      if (ctrl)
        SetTop(h, s, s->Top - 1);
      else
        KeyMove(h, s, cur < 0 ? 0 : cur - 1);
      break;
    case VK_DOWN:
      if (ctrl)
        SetTop(h, s, s->Top + 1);
      else
        KeyMove(h, s, cur < 0 ? 0 : cur + 1);
      break;
    case VK_HOME: KeyMove(h, s, 0); break;
    case VK_END: KeyMove(h, s, rows - 1); break;
    case VK_PRIOR: KeyMove(h, s, cur < 0 ? 0 : cur - page); break;
    case VK_NEXT: KeyMove(h, s, cur < 0 ? 0 : cur + page); break;
    case VK_LEFT:
      if (caret == nullptr) break;
      if ((caret->State & TVIS_EXPANDED) != 0 && caret->Child != nullptr)
        Expand(h, s, caret, TVE_COLLAPSE);
      else if (caret->Parent != &s->Root)
        Select(h, s, caret->Parent, TVC_BYKEYBOARD);
      break;
    case VK_RIGHT:
      if (caret == nullptr) break;
      if ((caret->State & TVIS_EXPANDED) == 0) {
        if (HasButton(h, s, caret)) Expand(h, s, caret, TVE_EXPAND);
      } else if (caret->Child != nullptr) {
        Select(h, s, caret->Child, TVC_BYKEYBOARD);
      }
      break;
    case VK_BACK:
      if (caret != nullptr && caret->Parent != &s->Root) Select(h, s, caret->Parent, TVC_BYKEYBOARD);
      break;
    // The keypad's + - * act here; their characters do not search.
    case VK_ADD:
      s->SkipChar = true;
      if (caret != nullptr) Expand(h, s, caret, TVE_EXPAND);
      break;
    case VK_SUBTRACT:
      s->SkipChar = true;
      if (caret != nullptr) Expand(h, s, caret, TVE_COLLAPSE);
      break;
    case VK_MULTIPLY:
      s->SkipChar = true;
      if (caret != nullptr) ExpandAll(h, s, caret);
      break;
    case VK_RETURN: ComNotifyCode(h, NM_RETURN); break;
    case VK_SPACE:
      if (caret != nullptr && Has(h, TVS_CHECKBOXES)) {
        ToggleCheck(h, s, caret);
        s->SkipChar = true;
      }
      break;
    case VK_F2:
      if (caret != nullptr && Has(h, TVS_EDITLABELS)) EditLabel(h, s, caret);
      break;
    default: break;
  }
}

// A typed character as UTF-8 (through the rtl's UTF-16 conversion).
String Utf8Of(char32_t c) {
  std::u16string w;
  if (c >= 0x10000) {
    const char32_t v = c - 0x10000;
    w += char16_t(0xD800 + (v >> 10));
    w += char16_t(0xDC00 + (v & 0x3FF));
  } else {
    w += char16_t(c);
  }
  return UTF16ToUTF8(w);
}

// Typed characters within the search window make one prefix; the search
// starts after the caret for a new prefix, at it for a longer one.
void SearchChar(HWND h, TTreeState* s, char32_t c) {
  const uint64_t now = GetTickCount64();
  if (now - s->SearchTime > TreeSearchWindowMs) s->Search.clear();
  s->SearchTime = now;
  s->Search += Utf8Of(c);
  const std::vector<TTvItem*> rows = Rows(s);
  if (rows.empty()) return;
  const String key = AnsiLowerCase(s->Search);
  const int32_t n = int32_t(rows.size());
  int32_t start = s->Caret != nullptr ? RowOf(s, s->Caret) : 0;
  if (start < 0) start = 0;
  const bool fresh = s->Search.size() == Utf8Of(c).size();
  if (fresh) start = (start + 1) % n;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = (start + k) % n;
    const String text = AnsiLowerCase(Display(h, s, rows[size_t(i)], TVIF_TEXT).Text);
    if (text.compare(0, key.size(), key) == 0) {
      if (IsLive(s, rows[size_t(i)])) Select(h, s, rows[size_t(i)], TVC_BYKEYBOARD);
      return;
    }
  }
}

void PressLeft(HWND h, TTreeState* s, TPoint p) {
  const bool wasFocused = s->Focused;
  if (GetFocus() != h) SetFocus(h);
  s->SlowClick.Disarm();
  s->SlowEditOnRelease = false;
  TTvItem* it = nullptr;
  const uint32_t hit = HitTest(h, s, p, &it);
  SetCapture(h);
  s->Captured = true;
  s->PressedRight = false;
  s->Pressed = nullptr;
  s->Drag.Reset();
  if (it == nullptr) return;
  if (hit == TVHT_ONITEMBUTTON) {
    Expand(h, s, it, TVE_TOGGLE);
    return;
  }
  if (hit == TVHT_ONITEMSTATEICON && Has(h, TVS_CHECKBOXES)) {
    ToggleCheck(h, s, it);
    return;
  }
  const bool onItem = (hit & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) != 0 ||
                      (Has(h, TVS_FULLROWSELECT) && (hit & (TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT)) != 0);
  if (!onItem) return;
  const bool wasCaret = s->Caret == it && wasFocused;
  Select(h, s, it, TVC_BYMOUSE);
  if (!IsLive(s, it)) return;
  s->Pressed = it;
  if (!Has(h, TVS_DISABLEDRAGDROP)) s->Drag.Press(p, false, it->Id);
  s->SlowEditOnRelease = wasCaret && hit == TVHT_ONITEMLABEL && Has(h, TVS_EDITLABELS);
}

void DoubleLeft(HWND h, TTreeState* s, TPoint p) {
  s->SlowClick.Disarm();
  s->SlowEditOnRelease = false;
  TTvItem* it = nullptr;
  const uint32_t hit = HitTest(h, s, p, &it);
  NMITEMACTIVATE nm;
  nm.iItem = -1;
  nm.ptAction = p;
  if (Notify(h, s, NM_DBLCLK, &nm.hdr) != 0) return;
  if (!IsLive(s, it)) return;
  if ((hit & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON | TVHT_ONITEMBUTTON)) != 0 ||
      (Has(h, TVS_FULLROWSELECT) && (hit & (TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT)) != 0))
    Expand(h, s, it, TVE_TOGGLE);
}

void EndRightHighlight(HWND h, TTreeState* s) {
  if (!s->RightHighlight) return;
  s->RightHighlight = false;
  InvalidateItem(h, s, s->Drop);
  s->Drop = IsLive(s, s->SavedDrop) ? s->SavedDrop : nullptr;
  s->SavedDrop = nullptr;
  InvalidateItem(h, s, s->Drop);
}

void PressRight(HWND h, TTreeState* s, TPoint p) {
  if (GetFocus() != h) SetFocus(h);
  s->SlowClick.Disarm();
  TTvItem* it = nullptr;
  const uint32_t hit = HitTest(h, s, p, &it);
  SetCapture(h);
  s->Captured = true;
  s->PressedRight = true;
  s->Pressed = nullptr;
  s->Drag.Reset();
  if (it == nullptr || (hit & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) == 0) return;
  s->Pressed = it;
  EndRightHighlight(h, s);
  s->RightHighlight = true;
  s->SavedDrop = s->Drop;
  InvalidateItem(h, s, s->Drop);
  s->Drop = it;
  InvalidateItem(h, s, it);
  if (!Has(h, TVS_DISABLEDRAGDROP)) s->Drag.Press(p, true, it->Id);
}

void MouseMove(HWND h, TTreeState* s, TPoint p) {
  if (Has(h, TVS_TRACKSELECT)) {
    TTvItem* it = nullptr;
    const uint32_t hit = HitTest(h, s, p, &it);
    if ((hit & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)) == 0) it = nullptr;
    if (it != s->Hot) {
      InvalidateItem(h, s, s->Hot);
      s->Hot = it;
      InvalidateItem(h, s, it);
      if (it != nullptr) {
        TRACKMOUSEEVENT tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = h;
        TrackMouseEvent(&tme);
      }
    }
  }
  if (!s->Captured || !s->Drag.Armed() || s->Drag.Started()) return;
  if (!s->Drag.Move(p)) return;
  TTvItem* it = s->Pressed;
  const bool right = s->Drag.Right();
  const TPoint start = s->Drag.Start();
  s->SlowEditOnRelease = false;
  if (right) EndRightHighlight(h, s);
  if (!IsLive(s, it)) return;
  NotifyTree(h, s, right ? TVN_BEGINRDRAG : TVN_BEGINDRAG, 0, nullptr, it, start);
}

// Answers whether the click was reported and not handled by the parent
// (a right click then shows the context menu).
bool Release(HWND h, TTreeState* s, TPoint p, bool right) {
  const bool dragged = s->Drag.Started();
  const bool captured = s->Captured;
  TTvItem* pressed = s->Pressed;
  const bool slow = s->SlowEditOnRelease;
  s->SlowEditOnRelease = false;
  s->Drag.Reset();
  s->Pressed = nullptr;
  if (captured && GetCapture() == h) ReleaseCapture();
  s->Captured = false;
  if (right) EndRightHighlight(h, s);
  if (!captured || dragged) return false;
  if (slow && IsLive(s, pressed) && s->Caret == pressed) s->SlowClick.Arm(h, pressed->Id);
  return NotifyClick(h, s, right ? NM_RCLICK : NM_CLICK, p) == 0;
}

LRESULT TreeViewWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TTreeState* s = StateOf(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE: {
      auto* st = new TTreeState;
      st->Root.State = TVIS_EXPANDED;
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(st));
      return DefWindowProc(h, msg, wParam, lParam);
    }
    case WM_CREATE: UpdateScroll(h, s); return 0;
    case WM_DESTROY:
      s->Editor.Abandon();
      s->EditItem = nullptr;
      s->SlowClick.Disarm();
      DeleteAll(h, s, false);
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_NCDESTROY: {
      SetWindowLong(h, 0, 0);
      // Items a handler kept alive past WM_DESTROY go without notice.
      std::vector<TTvItem*> stack;
      for (TTvItem* c = s->Root.Child; c != nullptr; c = c->Next) stack.push_back(c);
      while (!stack.empty()) {
        TTvItem* it = stack.back();
        stack.pop_back();
        for (TTvItem* c = it->Child; c != nullptr; c = c->Next) stack.push_back(c);
        delete it;
      }
      FlushGraveyard(s);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      s->FontHeight = 0;
      for (TTvItem* it : s->Live) it->Width = -1;
      Changed(h, s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SIZE:
    case WM_STYLECHANGED:
      if (msg == WM_STYLECHANGED && wParam == WPARAM(GWL_STYLE) && lParam != 0) {
        const auto* ss = reinterpret_cast<const STYLESTRUCT*>(lParam);
        if (((ss->styleNew & ~ss->styleOld) & TVS_CHECKBOXES) != 0)
          for (TTvItem* it : s->Live)
            if (STATEIMAGEMASKTOINDEX(it->State) == 0) it->State |= INDEXTOSTATEIMAGEMASK(1);
      }
      Changed(h, s);
      return 0;
    case WM_SETREDRAW:
      s->Redraw = wParam != 0;
      if (s->Redraw) Changed(h, s);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { Paint(h, s, dc); });
    case WM_ENABLE: Invalidate(h, s); return 0;
    case WM_SETFOCUS:
      s->Focused = true;
      Invalidate(h, s);
      ComNotifyCode(h, NM_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->Focused = false;
      Invalidate(h, s);
      ComNotifyCode(h, NM_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN: PressLeft(h, s, LParamToPoint(lParam)); return 0;
    case WM_LBUTTONDBLCLK: DoubleLeft(h, s, LParamToPoint(lParam)); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: PressRight(h, s, LParamToPoint(lParam)); return 0;
    case WM_MOUSEMOVE: MouseMove(h, s, LParamToPoint(lParam)); return 0;
    case WM_MOUSELEAVE:
      InvalidateItem(h, s, s->Hot);
      s->Hot = nullptr;
      return 0;
    case WM_LBUTTONUP: Release(h, s, LParamToPoint(lParam), false); return 0;
    case WM_RBUTTONUP: {
      const bool wasPressed = s->PressedRight;
      // The answer to NM_RCLICK was 0: the context menu follows.
      if (Release(h, s, LParamToPoint(lParam), true) && wasPressed) return DefWindowProc(h, msg, wParam, lParam);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != h) {
        s->Captured = false;
        s->Drag.Reset();
        EndRightHighlight(h, s);
      }
      return 0;
    case WM_TIMER: {
      const int32_t id = s->SlowClick.Fire(wParam);
      if (id < 0) return DefWindowProc(h, msg, wParam, lParam);
      if (s->Caret != nullptr && s->Caret->Id == id && s->Focused) EditLabel(h, s, s->Caret);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      uint32_t lines = 3;
      SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      SetTop(h, s, s->Top - GET_WHEEL_DELTA_WPARAM(wParam) * int32_t(lines) / WHEEL_DELTA);
      return 0;
    }
    case WM_VSCROLL: {
      const int32_t page = std::max<int32_t>(1, VisibleCount(h, s));
      int32_t top = s->Top;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= page; break;
        case SB_PAGEDOWN: top += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
          SCROLLINFO si;
          si.fMask = SIF_TRACKPOS;
          top = GetScrollInfo(h, SB_VERT, &si) && LOWORD(wParam) == SB_THUMBTRACK ? si.nTrackPos
                                                                                  : int32_t(HIWORD(wParam));
          break;
        }
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = int32_t(Rows(s).size()); break;
        default: return 0;
      }
      SetTop(h, s, top);
      return 0;
    }
    case WM_HSCROLL: {
      const int32_t cw = Client(h).Width();
      int32_t x = s->ScrollX;
      switch (LOWORD(wParam)) {
        case SB_LINELEFT: x -= 8; break;
        case SB_LINERIGHT: x += 8; break;
        case SB_PAGELEFT: x -= cw; break;
        case SB_PAGERIGHT: x += cw; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: x = int32_t(HIWORD(wParam)); break;
        case SB_LEFT: x = 0; break;
        case SB_RIGHT: x = ContentWidth(h, s); break;
        default: return 0;
      }
      SetScrollX(h, s, x);
      return 0;
    }
    case WM_KEYDOWN: KeyDown(h, s, uint32_t(wParam)); return 0;
    case WM_CHAR: {
      const bool skip = s->SkipChar;
      s->SkipChar = false;
      if (skip || wParam < 0x20) return 0;
      SearchChar(h, s, char32_t(wParam));
      return 0;
    }

    // ---- Tree messages ----
    case TVM_INSERTITEM: {
      const auto* is = reinterpret_cast<const TVINSERTSTRUCT*>(lParam);
      if (is == nullptr) return 0;
      return reinterpret_cast<LRESULT>(ToHandle(Insert(h, s, *is)));
    }
    case TVM_DELETEITEM: {
      HTREEITEM hItem = reinterpret_cast<HTREEITEM>(lParam);
      if (hItem == TVI_ROOT || hItem == nullptr) {
        DeleteAll(h, s, true);
        s->Top = 0;
        Changed(h, s);
        return 1;
      }
      TTvItem* it = FromHandle(s, hItem);
      if (it == nullptr) return 0;
      if (it->Deleting) return 1;
      TTvItem* parent = it->Parent;
      DeleteItem(h, s, it);
      if (parent != &s->Root && IsLive(s, parent) && parent->Child == nullptr) parent->State &= ~TVIS_EXPANDED;
      Changed(h, s);
      return 1;
    }
    case TVM_EXPAND: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(lParam));
      return it != nullptr && Expand(h, s, it, uint32_t(wParam)) ? 1 : 0;
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr) return 0;
      TTvItem* it = FromHandle(s, *reinterpret_cast<HTREEITEM*>(r));
      if (it == nullptr || !InView(s, it)) return 0;
      const int32_t row = RowOf(s, it);
      TRowGeometry g = Geometry(h, s, it, row);
      *r = wParam != 0 ? g.Label : g.Row;
      return 1;
    }
    case TVM_GETCOUNT: return s->Count;
    case TVM_GETINDENT: return s->Indent;
    case TVM_SETINDENT:
      s->Indent = std::max<int32_t>(1, int32_t(wParam));
      Changed(h, s);
      return 1;
    case TVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == TVSIL_STATE    ? s->StateList
                                       : wParam == TVSIL_NORMAL ? s->Normal
                                                                : nullptr);
    case TVM_SETIMAGELIST: {
      HIMAGELIST* slot = wParam == TVSIL_STATE ? &s->StateList : wParam == TVSIL_NORMAL ? &s->Normal : nullptr;
      if (slot == nullptr) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      Changed(h, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETNEXTITEM: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(lParam));
      TTvItem* r = nullptr;
      switch (wParam) {
        case TVGN_ROOT: r = s->Root.Child; break;
        case TVGN_NEXT: r = it != nullptr ? it->Next : nullptr; break;
        case TVGN_PREVIOUS: r = it != nullptr ? it->Prev : nullptr; break;
        case TVGN_PARENT: r = it != nullptr && it->Parent != &s->Root ? it->Parent : nullptr; break;
        case TVGN_CHILD:
          if (lParam == 0 || reinterpret_cast<HTREEITEM>(lParam) == TVI_ROOT)
            r = s->Root.Child;
          else
            r = it != nullptr ? it->Child : nullptr;
          break;
        case TVGN_FIRSTVISIBLE: {
          const std::vector<TTvItem*>& rows = Rows(s);
          r = s->Top < int32_t(rows.size()) ? rows[size_t(s->Top)] : nullptr;
          break;
        }
        case TVGN_NEXTVISIBLE:
        case TVGN_PREVIOUSVISIBLE: {
          if (it == nullptr || !InView(s, it)) break;
          const std::vector<TTvItem*>& rows = Rows(s);
          const int32_t row = RowOf(s, it) + (wParam == TVGN_NEXTVISIBLE ? 1 : -1);
          r = row >= 0 && row < int32_t(rows.size()) ? rows[size_t(row)] : nullptr;
          break;
        }
        case TVGN_LASTVISIBLE: {
          const std::vector<TTvItem*>& rows = Rows(s);
          r = rows.empty() ? nullptr : rows.back();
          break;
        }
        case TVGN_DROPHILITE: r = s->RightHighlight ? s->SavedDrop : s->Drop; break;
        case TVGN_CARET: r = s->Caret; break;
        default: break;
      }
      return reinterpret_cast<LRESULT>(ToHandle(r));
    }
    case TVM_SELECTITEM: {
      HTREEITEM hItem = reinterpret_cast<HTREEITEM>(lParam);
      TTvItem* it = FromHandle(s, hItem);
      if (hItem != nullptr && it == nullptr) return 0;
      switch (wParam & 0xFF) {
        case TVGN_CARET: return Select(h, s, it, TVC_UNKNOWN) ? 1 : 0;
        case TVGN_DROPHILITE:
          if (s->RightHighlight) {
            s->SavedDrop = it;
            return 1;
          }
          InvalidateItem(h, s, s->Drop);
          s->Drop = it;
          InvalidateItem(h, s, it);
          return 1;
        case TVGN_FIRSTVISIBLE:
          if (it == nullptr || !EnsureVisible(h, s, it)) return 0;
          SetTop(h, s, RowOf(s, it));
          return 1;
        default: return 0;
      }
    }
    case TVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(s->Editor.Edit());
    case TVM_GETVISIBLECOUNT: return VisibleCount(h, s);
    case TVM_HITTEST: {
      auto* ht = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (ht == nullptr) return 0;
      TTvItem* it = nullptr;
      ht->flags = HitTest(h, s, ht->pt, &it);
      ht->hItem = ToHandle(it);
      return reinterpret_cast<LRESULT>(ht->hItem);
    }
    case TVM_CREATEDRAGIMAGE: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(lParam));
      if (it == nullptr || !InView(s, it)) return 0;
      TRowGeometry g = Geometry(h, s, it, RowOf(s, it));
      const int32_t left = g.X + g.StateW;
      const int32_t w = std::max<int32_t>(1, g.Label.Right - left), ht = g.Row.Height();
      HDC screen = GetDC(h);
      HDC mem = CreateCompatibleDC(screen);
      HBITMAP bmp = CreateCompatibleBitmap(screen, w, ht);
      HGDIOBJ oldBmp = SelectObject(mem, bmp);
      FillSolid(mem, TRect{0, 0, w, ht}, BackColor(s));
      if (s->Normal != nullptr) {
        const TDisplay d = Display(h, s, it, TVIF_IMAGE);
        if (d.Image >= 0)
          ImageList_Draw(s->Normal, d.Image, mem, 0, (ht - ListSize(s->Normal).cy) / 2, ILD_TRANSPARENT);
      }
      if (s->Font != nullptr) SelectObject(mem, s->Font);
      SetBkMode(mem, TRANSPARENT);
      SetTextColor(mem, ForeColor(s));
      TRect tr{g.ImageW + 2, 0, w, ht};
      const String text = Display(h, s, it, TVIF_TEXT).Text;
      DrawText(mem, text.c_str(), int32_t(text.size()), &tr, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
      SelectObject(mem, oldBmp);
      HIMAGELIST list = ImageList_Create(w, ht, ILC_COLOR32, 1, 0);
      if (list != nullptr) ImageList_Add(list, bmp, nullptr);
      DeleteObject(bmp);
      DeleteDC(mem);
      ReleaseDC(h, screen);
      return reinterpret_cast<LRESULT>(list);
    }
    case TVM_SORTCHILDREN:
    case TVM_SORTCHILDRENCB: {
      TTvItem* parent = &s->Root;
      HTREEITEM hParent = msg == TVM_SORTCHILDREN ? reinterpret_cast<HTREEITEM>(lParam)
                          : lParam != 0           ? reinterpret_cast<const TVSORTCB*>(lParam)->hParent
                                                  : nullptr;
      if (msg == TVM_SORTCHILDRENCB &&
          (lParam == 0 || reinterpret_cast<const TVSORTCB*>(lParam)->lpfnCompare == nullptr))
        return 0;
      if (hParent != nullptr && hParent != TVI_ROOT) {
        parent = FromHandle(s, hParent);
        if (parent == nullptr) return 0;
      }
      if (msg == TVM_SORTCHILDREN) {
        // Texts asked once per item.
        std::unordered_map<TTvItem*, String> keys;
        std::vector<TTvItem*> stack{parent};
        while (!stack.empty()) {
          TTvItem* p = stack.back();
          stack.pop_back();
          for (TTvItem* c = p->Child; c != nullptr; c = c->Next) {
            keys[c] = Display(h, s, c, TVIF_TEXT).Text;
            if (wParam != 0) stack.push_back(c);
          }
        }
        // An answer may have deleted items: sort only what is still there.
        if (!IsLive(s, parent) && parent != &s->Root) return 0;
        SortChildren(parent, wParam != 0,
                     [&](TTvItem* a, TTvItem* b) { return AnsiCompareText(keys[a], keys[b]) < 0; });
      } else {
        const TVSORTCB cb = *reinterpret_cast<const TVSORTCB*>(lParam);
        SortChildren(parent, wParam != 0,
                     [&](TTvItem* a, TTvItem* b) { return cb.lpfnCompare(a->Param, b->Param, cb.lParam) < 0; });
      }
      Changed(h, s);
      return 1;
    }
    case TVM_ENSUREVISIBLE: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(lParam));
      return it != nullptr && EnsureVisible(h, s, it) ? 1 : 0;
    }
    case TVM_ENDEDITLABELNOW:
      if (s->Editor.Active()) s->Editor.End(wParam == 0);
      return 1;
    case TVM_SETITEMHEIGHT: {
      const int32_t old = RowHeight(h, s);
      const int32_t v = int32_t(intptr_t(wParam));
      s->ItemHeight = v <= 0 ? 0 : v;
      Changed(h, s);
      return old;
    }
    case TVM_GETITEMHEIGHT: return RowHeight(h, s);
    case TVM_GETITEMSTATE: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(wParam));
      if (it == nullptr) return 0;
      uint32_t state = it->State;
      if (s->Drop == it) state |= TVIS_DROPHILITED;
      return LRESULT(state & uint32_t(lParam));
    }
    case TVM_SETBKCOLOR: {
      const COLORREF old = s->BkColor;
      s->BkColor = COLORREF(lParam);
      Invalidate(h, s);
      return LRESULT(old);
    }
    case TVM_SETTEXTCOLOR: {
      const COLORREF old = s->TextColor;
      s->TextColor = COLORREF(lParam);
      Invalidate(h, s);
      return LRESULT(old);
    }
    case TVM_GETITEM: {
      auto* item = reinterpret_cast<TVITEM*>(lParam);
      TTvItem* it = item != nullptr ? FromHandle(s, item->hItem) : nullptr;
      if (it == nullptr) return 0;
      FillOut(h, s, it, *item);
      return 1;
    }
    case TVM_SETITEM: {
      const auto* item = reinterpret_cast<const TVITEM*>(lParam);
      TTvItem* it = item != nullptr ? FromHandle(s, item->hItem) : nullptr;
      if (it == nullptr) return 0;
      ApplyItem(h, s, it, *item);
      Changed(h, s);
      return 1;
    }
    case TVM_EDITLABEL: {
      TTvItem* it = FromHandle(s, reinterpret_cast<HTREEITEM>(lParam));
      return reinterpret_cast<LRESULT>(it != nullptr ? EditLabel(h, s, it) : nullptr);
    }
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterTreeViewClass() { ComRegisterClass("SysTreeView32", TreeViewWndProc); }
