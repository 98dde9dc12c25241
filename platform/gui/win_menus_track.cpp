// The plain look of menus: popup windows, the modal tracking loop, and the
// layout and drawing of menu bars.
#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/win_menus_internal.h"
#include "platform/gui/win_paint.h"

namespace {

constexpr int32_t kCheckColumn = 20;  // marks and images
constexpr int32_t kArrowColumn = 20;  // submenu arrows
constexpr int32_t kShortCutGap = 24;  // between caption and short-cut text
constexpr int32_t kFrame = 3;         // popup frame and padding
constexpr int32_t kSeparatorHeight = 9;
constexpr int32_t kMinItemHeight = 19;
constexpr int32_t kBarItemPadding = 7;
constexpr uintptr_t kHoverTimer = 1;
constexpr const char* kPopupClass = "PlainMenuPopup";

HFONT MenuFont(bool bold) {
  static HFONT normal = nullptr, heavy = nullptr;
  HFONT& slot = bold ? heavy : normal;
  if (slot == nullptr) {
    NONCLIENTMETRICS ncm;
    ncm.cbSize = sizeof(ncm);
    LOGFONT lf;
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
      lf = ncm.lfMenuFont;
    } else {
      lf.lfHeight = -11;
      lf.lfFaceName = "MS Sans Serif";
    }
    if (bold) lf.lfWeight = FW_BOLD;
    slot = CreateFontIndirect(lf);
  }
  return slot;
}

void SplitText(const String& text, String& caption, String& shortCut) {
  const size_t tab = text.find('\t');
  caption = text.substr(0, tab);
  shortCut = tab == String::npos ? String() : text.substr(tab + 1);
}

int32_t TextWidth(HDC dc, const String& text, uint32_t format) {
  if (text.empty()) return 0;
  TRect r{0, 0, 0, 0};
  DrawText(dc, text.c_str(), -1, &r, format | DT_CALCRECT | DT_SINGLELINE);
  return r.Width();
}

int32_t CheckColumn(const TPlainMenuItem& item) { return std::max(kCheckColumn, item.ImageWidth + 4); }

// The look of an item: what the hooks say of the object behind it, else its
// own text and marks; its states from the menu either way.
TPlainMenuItem LookOf(const TNativeMenuItem& native) {
  TPlainMenuItem look;
  const TMenuTrackHooks& hooks = MenuTrackHooks();
  if (!hooks.ItemLook || !hooks.ItemLook(native.Data, look)) {
    look = TPlainMenuItem();
    look.Text = native.Text;
    look.Separator = (native.Type & MFT_SEPARATOR) != 0;
    look.Radio = (native.Type & MFT_RADIOCHECK) != 0;
  }
  look.Checked = (native.State & MFS_CHECKED) != 0;
  look.Enabled = (native.State & MFS_GRAYED) == 0;
  look.Default = (native.State & MFS_DEFAULT) != 0;
  look.SubMenu = native.SubMenu != nullptr;
  return look;
}

// GDI objects made for one drawing, deleted once the DC is restored.
class TDrawScope {
 public:
  explicit TDrawScope(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
  ~TDrawScope() {
    RestoreDC(FDC, FSaved);
    for (HGDIOBJ o : FObjects) DeleteObject(o);
  }
  TDrawScope(const TDrawScope&) = delete;
  TDrawScope& operator=(const TDrawScope&) = delete;
  void Use(HGDIOBJ o) {
    FObjects.push_back(o);
    SelectObject(FDC, o);
  }

 private:
  HDC FDC;
  int32_t FSaved;
  std::vector<HGDIOBJ> FObjects;
};

}  // namespace

TSize MeasurePlainMenuItem(HDC DC, const TPlainMenuItem& Item) {
  if (Item.Separator) return TSize{kCheckColumn + kArrowColumn, kSeparatorHeight};
  const int32_t saved = SaveDC(DC);
  SelectObject(DC, MenuFont(Item.Default));
  TEXTMETRIC tm;
  GetTextMetrics(DC, &tm);
  String caption, shortCut;
  SplitText(Item.Text, caption, shortCut);
  const int32_t w1 = TextWidth(DC, caption, 0);
  const int32_t w2 = TextWidth(DC, shortCut, DT_NOPREFIX);
  RestoreDC(DC, saved);
  TSize size;
  size.cx = CheckColumn(Item) + w1 + (w2 > 0 ? kShortCutGap + w2 : 0) + kArrowColumn;
  size.cy = std::max({tm.tmHeight + 6, kMinItemHeight, Item.ImageHeight + 4});
  return size;
}

void DrawPlainMenuItem(HDC DC, const TRect& Rect, const TPlainMenuItem& Item, bool Selected) {
  TDrawScope scope(DC);
  const int32_t h = Rect.Height();
  if (Item.Separator) {
    FillRect(DC, Rect, GetSysColorBrush(COLOR_MENU));
    const int32_t y = Rect.Top + h / 2 - 1;
    scope.Use(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    MoveToEx(DC, Rect.Left + 1, y, nullptr);
    LineTo(DC, Rect.Right - 1, y);
    scope.Use(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    MoveToEx(DC, Rect.Left + 1, y + 1, nullptr);
    LineTo(DC, Rect.Right - 1, y + 1);
    return;
  }
  FillRect(DC, Rect, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  const COLORREF ink = GetSysColor(!Item.Enabled ? COLOR_GRAYTEXT : Selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, ink);
  SelectObject(DC, MenuFont(Item.Default));
  const int32_t column = CheckColumn(Item);
  const int32_t cy = Rect.Top + h / 2;

  if (Item.Image) {
    const int32_t ix = Rect.Left + (column - Item.ImageWidth) / 2;
    const int32_t iy = Rect.Top + (h - Item.ImageHeight) / 2;
    Item.Image(DC, ix, iy);
    if (Item.Checked) {
      HBRUSH frame = CreateSolidBrush(ink);
      FrameRect(DC, TRect{ix - 2, iy - 2, ix + Item.ImageWidth + 2, iy + Item.ImageHeight + 2}, frame);
      DeleteObject(frame);
    }
  } else if (Item.Checked) {
    const int32_t cx = Rect.Left + column / 2;
    scope.Use(CreatePen(PS_SOLID, 1, ink));
    scope.Use(CreateSolidBrush(ink));
    if (Item.Radio) {
      Ellipse(DC, cx - 3, cy - 3, cx + 3, cy + 3);
    } else {
      // A tick of three strokes.
      for (int32_t i = 0; i < 3; ++i) {
        MoveToEx(DC, cx - 4, cy - 1 + i, nullptr);
        LineTo(DC, cx - 2, cy + 1 + i);
        LineTo(DC, cx + 3, cy - 4 + i);
      }
    }
  }

  String caption, shortCut;
  SplitText(Item.Text, caption, shortCut);
  TRect text{Rect.Left + column, Rect.Top, Rect.Right - kArrowColumn, Rect.Bottom};
  DrawText(DC, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (!shortCut.empty()) {
    TRect sc = text;
    DrawText(DC, shortCut.c_str(), -1, &sc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  if (Item.SubMenu) {
    scope.Use(CreatePen(PS_SOLID, 1, ink));
    scope.Use(CreateSolidBrush(ink));
    const int32_t ax = Rect.Right - 12;
    const TPoint arrow[3] = {{ax, cy - 4}, {ax + 4, cy}, {ax, cy + 4}};
    Polygon(DC, arrow, 3);
  }
}

// ================================================================================
// Tracking
// ================================================================================

namespace {

struct TLayoutItem {
  TRect Rect;  // client coordinates of the level's window
  TNativeMenuItem Native;
  TPlainMenuItem Look;
  bool OwnerDraw = false;
  bool Enabled() const { return (Native.State & MFS_GRAYED) == 0; }
  bool Separator() const { return (Native.Type & MFT_SEPARATOR) != 0; }
};

struct TLevel {
  HMENU Menu = nullptr;
  HWND Wnd = nullptr;
  std::vector<TLayoutItem> Items;
  int32_t Hot = -1;
  int32_t Open = -1;  // item whose submenu is the next level
  TSize Size;
};

// The menu bar being tracked: its items' screen rectangles and what to
// repaint when the highlighted item changes.
struct TBarContext {
  HWND Form = nullptr;
  HMENU Menu = nullptr;
  std::vector<TRect> Rects;  // screen coordinates, by position in Menu
  int32_t Current = -1;
  bool Pushed = false;
  std::function<void(int32_t Current, bool Pushed)> Show;
};

enum class TPlace : uint8_t { AtPoint, Beside, Below };

class TMenuTracker;
TMenuTracker* gActive = nullptr;

LRESULT PopupWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

void RegisterPopupClass() {
  WNDCLASS existing;
  if (GetClassInfo(nullptr, kPopupClass, &existing)) return;
  WNDCLASS wc;
  wc.lpfnWndProc = PopupWndProc;
  wc.style = CS_SAVEBITS;
  wc.lpszClassName = kPopupClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClass(wc);
}

TRect WorkAreaAt(TPoint pt) {
  MONITORINFO mi;
  if (GetMonitorInfo(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi)) return mi.rcWork;
  return TRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

class TMenuTracker {
 public:
  TMenuTracker(HWND owner, uint32_t flags) : FOwner(owner), FFlags(flags) {
    FNotify = (flags & TPM_NONOTIFY) == 0;
    RegisterPopupClass();
    FHelper = AllocateHWnd([this](TMessage& m) { HelperProc(m); });
    gActive = this;
  }
  ~TMenuTracker() {
    KillHover();
    while (!FLevels.empty()) {
      DestroyWindow(FLevels.back().Wnd);
      FLevels.pop_back();
    }
    if (GetCapture() == FHelper) ReleaseCapture();
    DeallocateHWnd(FHelper);
    gActive = nullptr;
  }
  TMenuTracker(const TMenuTracker&) = delete;
  TMenuTracker& operator=(const TMenuTracker&) = delete;

  // A popup menu at a point.
  uint32_t RunPopup(HMENU menu, int32_t x, int32_t y) {
    FRoot = menu;
    Send(WM_ENTERMENULOOP, 1, 0);
    const TRect anchor{x, y, x, y};
    if (!OpenLevel(menu, anchor, TPlace::AtPoint, 0)) {
      Finish();
      return 0;
    }
    return Loop();
  }

  // A menu bar: item index highlighted, its drop-down open when open.
  uint32_t RunBar(TMenuBarTracking bar, int32_t index, bool open, bool selectFirst) {
    FBar = std::make_unique<TBarContext>();
    FBar->Form = bar.Window;
    FBar->Menu = bar.Menu;
    FBar->Rects = std::move(bar.ItemRects);
    FBar->Show = std::move(bar.Show);
    FRoot = FBar->Menu;
    Send(WM_ENTERMENULOOP, 0, 0);
    Send(WM_INITMENU, reinterpret_cast<WPARAM>(FRoot), 0);
    SwitchBar(index, open, selectFirst);
    return Loop();
  }

  void Cancel() {
    FChosen = 0;
    FDone = true;
  }
  HMENU Root() const { return FRoot; }
  bool ItemRect(HMENU menu, uint32_t item, TRect& out) const {
    for (const TLevel& lv : FLevels)
      if (lv.Menu == menu && item < lv.Items.size()) {
        out = ScreenRect(lv, int32_t(item));
        return true;
      }
    return false;
  }
  std::vector<HWND> Windows() const {
    std::vector<HWND> out;
    for (const TLevel& lv : FLevels) out.push_back(lv.Wnd);
    return out;
  }

  void Paint(HWND hwnd, HDC dc) {
    for (TLevel& lv : FLevels) {
      if (lv.Wnd != hwnd) continue;
      TRect frame{0, 0, lv.Size.cx, lv.Size.cy};
      FillRect(dc, frame, GetSysColorBrush(COLOR_MENU));
      DrawEdge(dc, frame, EDGE_RAISED, BF_RECT);
      for (size_t i = 0; i < lv.Items.size(); ++i) PaintItem(lv, i, dc);
      return;
    }
  }

 private:
  // ---- Notifications ----
  LRESULT Send(uint32_t msg, WPARAM w, LPARAM l) {
    if (!FNotify || FOwner == nullptr || !IsWindow(FOwner)) return 0;
    return SendMessage(FOwner, msg, w, l);
  }

  // ---- Levels ----
  void Layout(TLevel& lv) {
    lv.Items.clear();
    TNativeMenu* m = NativeMenu(lv.Menu);
    if (m == nullptr) return;
    HDC dc = CreateCompatibleDC(nullptr);
    int32_t x = kFrame, y = kFrame, columnStart = 0, bottom = kFrame, right = kFrame;
    auto closeColumn = [&](size_t end) {
      int32_t width = 0;
      for (size_t k = size_t(columnStart); k < end; ++k) width = std::max(width, lv.Items[k].Rect.Right);
      for (size_t k = size_t(columnStart); k < end; ++k) {
        lv.Items[k].Rect.Left = x;
        lv.Items[k].Rect.Right = x + width;
      }
      x += width;
      right = x;
    };
    for (const TNativeMenuItem& native : m->Items) {
      TLayoutItem item;
      item.Native = native;
      item.Look = LookOf(native);
      item.OwnerDraw = (native.Type & MFT_OWNERDRAW) != 0 && !item.Look.Separator;
      TSize size = MeasurePlainMenuItem(dc, item.Look);
      if (item.OwnerDraw) size = MeasureOwnerDrawn(native, size);
      if ((native.Type & (MFT_MENUBREAK | MFT_MENUBARBREAK)) != 0 && !lv.Items.empty()) {
        closeColumn(lv.Items.size());
        columnStart = int32_t(lv.Items.size());
        y = kFrame;
      }
      item.Rect = TRect{0, y, size.cx, y + size.cy};
      y += size.cy;
      bottom = std::max(bottom, y);
      lv.Items.push_back(std::move(item));
    }
    closeColumn(lv.Items.size());
    DeleteDC(dc);
    lv.Size = TSize{right + kFrame, bottom + kFrame};
  }

  // The owner's size of an owner-drawn item, else the hooks', else the plain one.
  TSize MeasureOwnerDrawn(const TNativeMenuItem& native, TSize plain) {
    MEASUREITEMSTRUCT mis;
    mis.CtlType = ODT_MENU;
    mis.itemID = native.Id;
    mis.itemWidth = uint32_t(plain.cx);
    mis.itemHeight = uint32_t(plain.cy);
    mis.itemData = native.Data;
    LRESULT handled = (FOwner != nullptr && IsWindow(FOwner))
                          ? SendMessage(FOwner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis))
                          : 0;
    const TMenuTrackHooks& hooks = MenuTrackHooks();
    if (handled == 0 && hooks.MeasureItem) hooks.MeasureItem(mis);
    return TSize{int32_t(mis.itemWidth), int32_t(mis.itemHeight)};
  }

  bool OpenLevel(HMENU menu, const TRect& anchor, TPlace place, int32_t posInParent) {
    Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(posInParent, 0));
    if (FDone || !IsMenu(menu)) return false;
    TLevel lv;
    lv.Menu = menu;
    Layout(lv);
    if (lv.Items.empty()) return false;
    const int32_t w = lv.Size.cx, h = lv.Size.cy;
    const TRect work = WorkAreaAt(TPoint{anchor.Left, anchor.Top});
    int32_t x = anchor.Left, y = anchor.Top;
    switch (place) {
      case TPlace::AtPoint:
        if (FFlags & TPM_CENTERALIGN)
          x -= w / 2;
        else if (FFlags & TPM_RIGHTALIGN)
          x -= w;
        if (FFlags & TPM_VCENTERALIGN)
          y -= h / 2;
        else if (FFlags & TPM_BOTTOMALIGN)
          y -= h;
        if (x + w > work.Right) x = (FFlags & (TPM_CENTERALIGN | TPM_RIGHTALIGN)) ? work.Right - w : x - w;
        if (y + h > work.Bottom) y = y - h >= work.Top ? y - h : work.Bottom - h;
        break;
      case TPlace::Beside:
        x = anchor.Right - kFrame;
        y = anchor.Top - kFrame;
        if (x + w > work.Right) x = anchor.Left - w + kFrame;
        if (y + h > work.Bottom) y = work.Bottom - h;
        break;
      case TPlace::Below:
        x = anchor.Left;
        y = anchor.Bottom;
        if (y + h > work.Bottom && anchor.Top - h >= work.Top) y = anchor.Top - h;
        if (x + w > work.Right) x = work.Right - w;
        break;
    }
    x = std::max(x, work.Left);
    y = std::max(y, work.Top);
    lv.Wnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, "", WS_POPUP, x, y, w, h,
                            nullptr, nullptr, nullptr, nullptr);
    if (lv.Wnd == nullptr) return false;
    FLevels.push_back(std::move(lv));
    HWND wnd = FLevels.back().Wnd;
    SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(wnd);
    return true;
  }

  void CloseLevels(size_t keep) {
    KillHover();
    while (FLevels.size() > keep) {
      TLevel lv = std::move(FLevels.back());
      FLevels.pop_back();
      DestroyWindow(lv.Wnd);
      Send(WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(lv.Menu), 0);
    }
    if (!FLevels.empty()) FLevels.back().Open = -1;
  }

  TRect ScreenRect(const TLevel& lv, int32_t i) const {
    TRect r = lv.Items[size_t(i)].Rect;
    TRect wr;
    GetWindowRect(lv.Wnd, &wr);
    return TRect{r.Left + wr.Left, r.Top + wr.Top, r.Right + wr.Left, r.Bottom + wr.Top};
  }

  void InvalidateItem(const TLevel& lv, int32_t i) {
    if (i >= 0 && size_t(i) < lv.Items.size()) InvalidateRect(lv.Wnd, &lv.Items[size_t(i)].Rect, false);
  }

  void SetHot(size_t l, int32_t i, bool mouse) {
    TLevel& lv = FLevels[l];
    if (lv.Hot == i) return;
    InvalidateItem(lv, lv.Hot);
    lv.Hot = i;
    InvalidateItem(lv, i);
    UpdateWindow(lv.Wnd);
    if (i < 0) return;
    const TLayoutItem& item = lv.Items[size_t(i)];
    uint32_t flags = MF_HILITE;
    if (item.Native.SubMenu) flags |= MF_POPUP;
    if (!item.Enabled()) flags |= MF_GRAYED | MF_DISABLED;
    if (item.Native.State & MFS_CHECKED) flags |= MF_CHECKED;
    if (item.Separator()) flags |= MF_SEPARATOR;
    if (mouse) flags |= MF_MOUSESELECT;
    const uint32_t id = item.Native.SubMenu ? uint32_t(i) : item.Native.Id;
    Send(WM_MENUSELECT, MAKEWPARAM(int32_t(id), int32_t(flags)), reinterpret_cast<LPARAM>(lv.Menu));
  }

  void SelectStep(size_t l, int32_t dir) {
    TLevel& lv = FLevels[l];
    const int32_t n = int32_t(lv.Items.size());
    int32_t i = lv.Hot;
    for (int32_t k = 0; k < n; ++k) {
      i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
      if (!lv.Items[size_t(i)].Separator()) {
        if (lv.Open >= 0 && lv.Open != i) CloseLevels(l + 1);
        SetHot(l, i, false);
        return;
      }
    }
  }

  void OpenSub(size_t l, int32_t i, bool selectFirst) {
    KillHover();
    TLevel& lv = FLevels[l];
    const TLayoutItem& item = lv.Items[size_t(i)];
    if (item.Native.SubMenu == nullptr || !item.Enabled()) return;
    if (lv.Open != i) {
      CloseLevels(l + 1);
      const HMENU sub = item.Native.SubMenu;
      if (!OpenLevel(sub, ScreenRect(lv, i), TPlace::Beside, i)) return;
      FLevels[l].Open = i;
    }
    if (selectFirst && FLevels.size() > l + 1 && FLevels[l + 1].Hot < 0) SelectStep(l + 1, 1);
  }

  // Enter, a click or an accelerator on an item.
  void Activate(size_t l, int32_t i, bool keyboard) {
    const TLayoutItem& item = FLevels[l].Items[size_t(i)];
    if (item.Separator() || !item.Enabled()) return;
    if (item.Native.SubMenu != nullptr) {
      OpenSub(l, i, keyboard);
      return;
    }
    FChosen = item.Native.Id;
    FDone = true;
  }

  // ---- The bar ----
  void SwitchBar(int32_t index, bool open, bool selectFirst) {
    const int32_t n = int32_t(FBar->Rects.size());
    if (n == 0) {
      Cancel();
      return;
    }
    index = ((index % n) + n) % n;
    CloseLevels(0);
    FBar->Current = index;
    FBar->Pushed = open;
    TNativeMenu* m = NativeMenu(FBar->Menu);
    const TNativeMenuItem* item = m && size_t(index) < m->Items.size() ? &m->Items[size_t(index)] : nullptr;
    if (item != nullptr) {
      uint32_t flags =
          MF_HILITE | (item->SubMenu ? MF_POPUP : 0) | ((item->State & MFS_GRAYED) ? MF_GRAYED | MF_DISABLED : 0);
      Send(WM_MENUSELECT, MAKEWPARAM(item->SubMenu ? index : int32_t(item->Id), int32_t(flags)),
           reinterpret_cast<LPARAM>(FBar->Menu));
    }
    if (FBar->Show) FBar->Show(FBar->Current, FBar->Pushed);
    if (open && item != nullptr && item->SubMenu != nullptr && (item->State & MFS_GRAYED) == 0) {
      if (OpenLevel(item->SubMenu, FBar->Rects[size_t(index)], TPlace::Below, index) && selectFirst) SelectStep(0, 1);
    }
  }

  void ActivateBarItem(bool keyboard) {
    TNativeMenu* m = NativeMenu(FBar->Menu);
    if (m == nullptr || size_t(FBar->Current) >= m->Items.size()) return;
    const TNativeMenuItem& item = m->Items[size_t(FBar->Current)];
    if (item.State & MFS_GRAYED) return;
    if (item.SubMenu != nullptr) {
      SwitchBar(FBar->Current, true, keyboard);
      return;
    }
    FChosen = item.Id;
    FDone = true;
  }

  int32_t BarItemAt(TPoint pt) const {
    if (!FBar) return -1;
    for (size_t i = 0; i < FBar->Rects.size(); ++i)
      if (PtInRect(FBar->Rects[i], pt)) return int32_t(i);
    return -1;
  }

  // ---- Mouse ----
  int32_t LevelAt(TPoint pt) const {
    for (size_t l = FLevels.size(); l-- > 0;) {
      TRect wr;
      GetWindowRect(FLevels[l].Wnd, &wr);
      if (PtInRect(wr, pt)) return int32_t(l);
    }
    return -1;
  }

  int32_t ItemAt(size_t l, TPoint pt) const {
    TRect wr;
    GetWindowRect(FLevels[l].Wnd, &wr);
    const TPoint local{pt.X - wr.Left, pt.Y - wr.Top};
    const auto& items = FLevels[l].Items;
    for (size_t i = 0; i < items.size(); ++i)
      if (PtInRect(items[i].Rect, local)) return int32_t(i);
    return -1;
  }

  void MouseOver(size_t l, int32_t i) {
    TLevel& lv = FLevels[l];
    if (i < 0 || lv.Items[size_t(i)].Separator()) {
      if (lv.Open < 0) {
        KillHover();
        SetHot(l, -1, true);
      }
      return;
    }
    if (lv.Hot == i) {
      if (lv.Open == i) CloseLevels(l + 2);
      return;
    }
    KillHover();
    if (lv.Open >= 0) CloseLevels(l + 1);
    SetHot(l, i, true);
    const TLayoutItem& item = lv.Items[size_t(i)];
    if (item.Native.SubMenu != nullptr && item.Enabled()) StartHover(l, i);
  }

  void HandleMouse(const TMSG& msg) {
    const TPoint pt = msg.pt;
    const int32_t l = LevelAt(pt);
    const int32_t bar = l < 0 ? BarItemAt(pt) : -1;
    switch (msg.message) {
      case WM_MOUSEMOVE:
        if (l >= 0) {
          MouseOver(size_t(l), ItemAt(size_t(l), pt));
        } else if (bar >= 0 && bar != FBar->Current && FBar->Pushed) {
          SwitchBar(bar, true, false);
        } else if (!FLevels.empty() && FLevels.back().Open < 0) {
          KillHover();
          SetHot(FLevels.size() - 1, -1, true);
        }
        return;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDBLCLK:
        if (l >= 0) {
          const int32_t i = ItemAt(size_t(l), pt);
          if (i >= 0 && !FLevels[size_t(l)].Items[size_t(i)].Separator()) {
            MouseOver(size_t(l), i);
            if (FLevels[size_t(l)].Items[size_t(i)].Native.SubMenu != nullptr) OpenSub(size_t(l), i, false);
          }
        } else if (bar >= 0) {
          if (bar == FBar->Current && FBar->Pushed)
            Cancel();
          else
            SwitchBar(bar, true, false);
        } else {
          Cancel();
        }
        return;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: {
        if (msg.message == WM_RBUTTONUP && !FBar && (FFlags & TPM_RIGHTBUTTON) == 0) return;
        if (l >= 0) {
          const int32_t i = ItemAt(size_t(l), pt);
          if (i >= 0 && FLevels[size_t(l)].Items[size_t(i)].Native.SubMenu == nullptr) Activate(size_t(l), i, false);
        } else if (bar >= 0 && bar == FBar->Current) {
          TNativeMenu* m = NativeMenu(FBar->Menu);
          if (m && size_t(bar) < m->Items.size() && m->Items[size_t(bar)].SubMenu == nullptr) ActivateBarItem(false);
        }
        return;
      }
      default: return;
    }
  }

  // ---- Keyboard ----
  void HandleKey(const TMSG& msg) {
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
      HandleChar(uint32_t(msg.wParam));
      return;
    }
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;
    const uint32_t vk = uint32_t(msg.wParam);
    if (vk == VK_MENU || vk == VK_F10) {
      Cancel();
      return;
    }
    if (FLevels.empty()) {
      if (!FBar) {
        Cancel();
        return;
      }
      switch (vk) {
        case VK_LEFT: SwitchBar(FBar->Current - 1, false, false); break;
        case VK_RIGHT: SwitchBar(FBar->Current + 1, false, false); break;
        case VK_DOWN:
        case VK_UP:
        case VK_RETURN: ActivateBarItem(true); break;
        case VK_ESCAPE: Cancel(); break;
        default: break;
      }
      return;
    }
    const size_t last = FLevels.size() - 1;
    TLevel& lv = FLevels[last];
    switch (vk) {
      case VK_DOWN: SelectStep(last, 1); break;
      case VK_UP: SelectStep(last, -1); break;
      case VK_HOME:
        lv.Hot = -1;
        SelectStep(last, 1);
        break;
      case VK_END:
        lv.Hot = -1;
        SelectStep(last, -1);
        break;
      case VK_RIGHT:
        if (lv.Hot >= 0 && lv.Items[size_t(lv.Hot)].Native.SubMenu != nullptr && lv.Items[size_t(lv.Hot)].Enabled())
          OpenSub(last, lv.Hot, true);
        else if (FBar)
          SwitchBar(FBar->Current + 1, true, true);
        break;
      case VK_LEFT:
        if (FLevels.size() > 1)
          CloseLevels(last);
        else if (FBar)
          SwitchBar(FBar->Current - 1, true, true);
        break;
      case VK_RETURN:
        if (lv.Hot >= 0) Activate(last, lv.Hot, true);
        break;
      case VK_ESCAPE:
        if (FLevels.size() > 1) {
          CloseLevels(last);
        } else if (FBar) {
          CloseLevels(0);
          FBar->Pushed = false;
          if (FBar->Show) FBar->Show(FBar->Current, false);
        } else {
          Cancel();
        }
        break;
      default: break;
    }
  }

  void HandleChar(uint32_t ch) {
    if (ch < 0x20) return;
    if (FLevels.empty()) {
      TNativeMenu* m = FBar ? NativeMenu(FBar->Menu) : nullptr;
      if (m != nullptr)
        for (size_t i = 0; i < m->Items.size(); ++i)
          if (IsAccel(ch, m->Items[i].Text)) {
            FBar->Current = int32_t(i);
            ActivateBarItem(true);
            return;
          }
      MessageBeep(0);
      return;
    }
    const size_t last = FLevels.size() - 1;
    const auto& items = FLevels[last].Items;
    for (size_t i = 0; i < items.size(); ++i) {
      String caption, shortCut;
      SplitText(items[i].Native.Text, caption, shortCut);
      if (!items[i].Separator() && items[i].Enabled() && IsAccel(ch, caption)) {
        SetHot(last, int32_t(i), false);
        Activate(last, int32_t(i), true);
        return;
      }
    }
    MessageBeep(0);
  }

  // ---- Hover delay ----
  void StartHover(size_t l, int32_t i) {
    KillHover();
    uint32_t delay = 400;
    SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0);
    FHoverLevel = int32_t(l);
    FHoverItem = i;
    SetTimer(FHelper, kHoverTimer, std::max<uint32_t>(delay, USER_TIMER_MINIMUM), nullptr);
  }
  void KillHover() {
    if (FHoverLevel >= 0 && FHelper != nullptr) KillTimer(FHelper, kHoverTimer);
    FHoverLevel = FHoverItem = -1;
  }

  void HelperProc(TMessage& m) {
    switch (m.Msg) {
      case WM_TIMER:
        if (m.WParam == kHoverTimer) {
          const int32_t l = FHoverLevel, i = FHoverItem;
          KillHover();
          if (l >= 0 && size_t(l) < FLevels.size() && FLevels[size_t(l)].Hot == i) OpenSub(size_t(l), i, false);
        }
        return;
      case WM_CAPTURECHANGED:
        if (!FDone && reinterpret_cast<HWND>(m.LParam) != FHelper) FCaptureLost = true;
        return;
      default: m.Result = DefWindowProc(FHelper, m.Msg, m.WParam, m.LParam);
    }
  }

  // ---- Painting ----
  void PaintItem(TLevel& lv, size_t i, HDC dc) {
    const TLayoutItem& item = lv.Items[i];
    const bool selected = int32_t(i) == lv.Hot && !item.Separator();
    if (item.OwnerDraw) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_MENU;
      dis.itemID = item.Native.Id;
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (selected ? ODS_SELECTED : 0) | (item.Enabled() ? 0 : ODS_GRAYED | ODS_DISABLED) |
                      ((item.Native.State & MFS_CHECKED) ? ODS_CHECKED : 0) |
                      ((item.Native.State & MFS_DEFAULT) ? ODS_DEFAULT : 0);
      dis.hwndItem = reinterpret_cast<HWND>(lv.Menu);
      dis.hDC = dc;
      dis.rcItem = item.Rect;
      dis.itemData = item.Native.Data;
      const int32_t saved = SaveDC(dc);
      LRESULT handled = (FOwner != nullptr && IsWindow(FOwner))
                            ? SendMessage(FOwner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis))
                            : 0;
      RestoreDC(dc, saved);
      if (handled != 0) return;
      const TMenuTrackHooks& hooks = MenuTrackHooks();
      if (hooks.DrawItem && hooks.DrawItem(dis)) return;
    }
    DrawPlainMenuItem(dc, item.Rect, item.Look, selected);
  }

  // ---- The loop ----
  static bool IsMouse(uint32_t msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }
  static bool IsKey(uint32_t msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

  uint32_t Loop() {
    SetCapture(FHelper);
    while (!FDone) {
      if (FCaptureLost || GetCapture() != FHelper || (FOwner != nullptr && !IsWindow(FOwner)) ||
          (FBar && !IsWindow(FBar->Form))) {
        Cancel();
        break;
      }
      TMSG msg;
      if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        WaitMessage();
        continue;
      }
      if (msg.message == WM_QUIT) {
        PostQuitMessage(int32_t(msg.wParam));
        Cancel();
        break;
      }
      if (IsMouse(msg.message)) {
        HandleMouse(msg);
      } else if (IsKey(msg.message)) {
        TranslateMessage(&msg);
        HandleKey(msg);
      } else {
        DispatchMessage(&msg);
      }
    }
    return Finish();
  }

  uint32_t Finish() {
    CloseLevels(0);
    if (GetCapture() == FHelper) ReleaseCapture();
    Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    Send(WM_EXITMENULOOP, FBar ? 0 : 1, 0);
    if (FBar && FBar->Show) FBar->Show(-1, false);
    return FChosen;
  }

  HWND FOwner;
  uint32_t FFlags;
  bool FNotify = true;
  HWND FHelper = nullptr;
  HMENU FRoot = nullptr;
  std::vector<TLevel> FLevels;
  std::unique_ptr<TBarContext> FBar;
  bool FDone = false;
  bool FCaptureLost = false;
  uint32_t FChosen = 0;
  int32_t FHoverLevel = -1;
  int32_t FHoverItem = -1;
};

LRESULT PopupWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (gActive != nullptr) gActive->Paint(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

void TrackStarting() {
  const TMenuTrackHooks& hooks = MenuTrackHooks();
  if (hooks.TrackStarting) hooks.TrackStarting();
}

}  // namespace

int32_t TrackPopupMenu(HMENU Menu, uint32_t Flags, int32_t X, int32_t Y, int32_t, HWND Owner, const TRect*) {
  if (gActive != nullptr || !IsMenu(Menu)) return 0;
  TrackStarting();
  const HWND owner = Owner;
  uint32_t chosen = 0;
  {
    TMenuTracker tracker(owner, Flags);
    chosen = tracker.RunPopup(Menu, X, Y);
  }
  if (Flags & TPM_RETURNCMD) return int32_t(chosen);
  if (chosen != 0 && (Flags & TPM_NONOTIFY) == 0 && owner != nullptr && IsWindow(owner))
    PostMessage(owner, WM_COMMAND, MAKEWPARAM(int32_t(chosen), 0), 0);
  return chosen != 0 ? 1 : 0;
}

bool EndMenu() {
  if (gActive == nullptr) return false;
  gActive->Cancel();
  return true;
}

HMENU GetTrackedMenu() { return gActive ? gActive->Root() : nullptr; }

std::vector<HWND> GetMenuPopupWindows() { return gActive ? gActive->Windows() : std::vector<HWND>{}; }

bool GetMenuItemRect(HWND Wnd, HMENU Menu, uint32_t Item, TRect* Rect) {
  if (Rect == nullptr) return false;
  if (gActive != nullptr && gActive->ItemRect(Menu, Item, *Rect)) return true;
  const TMenuTrackHooks& hooks = MenuTrackHooks();
  return hooks.MenuBarItemRect && hooks.MenuBarItemRect(Wnd, Menu, Item, *Rect);
}

uint32_t TrackMenuBar(TMenuBarTracking Bar, HWND Owner, int32_t Index, bool Open, bool SelectFirst) {
  if (gActive != nullptr || !IsMenu(Bar.Menu)) return 0;
  TrackStarting();
  TMenuTracker tracker(Owner, TPM_RIGHTBUTTON);
  return tracker.RunBar(std::move(Bar), Index, Open, SelectFirst);
}

// ================================================================================
// Menu bars
// ================================================================================

namespace {

int32_t RowHeight() {
  const int32_t h = GetSystemMetrics(SM_CYMENU);
  return h > 0 ? h : kMinItemHeight;
}

}  // namespace

int32_t LayoutPlainMenuBar(HMENU Menu, TPoint Origin, int32_t Width, std::vector<TRect>& Rects) {
  Rects.clear();
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr || m->Items.empty()) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  const int32_t saved = SaveDC(dc);
  SelectObject(dc, MenuFont(false));
  const int32_t row = RowHeight();
  int32_t x = Origin.X, y = Origin.Y;
  for (const TNativeMenuItem& item : m->Items) {
    String caption, shortCut;
    SplitText(item.Text, caption, shortCut);
    const int32_t w = TextWidth(dc, caption, 0) + 2 * kBarItemPadding;
    if (x + w > Origin.X + Width && x > Origin.X) {
      x = Origin.X;
      y += row;
    }
    Rects.push_back(TRect{x, y, x + w, y + row});
    x += w;
  }
  RestoreDC(dc, saved);
  DeleteDC(dc);
  return y + row - Origin.Y + 1;  // a line under the last row
}

void DrawPlainMenuBar(HDC DC, const TRect& Bar, HMENU Menu, const std::vector<TRect>& Rects, int32_t Hot, bool Pushed) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return;
  TDrawScope scope(DC);
  IntersectClipRect(DC, Bar.Left, Bar.Top, Bar.Right, Bar.Bottom);
  FillRect(DC, Bar, GetSysColorBrush(COLOR_MENU));
  scope.Use(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
  MoveToEx(DC, Bar.Left, Bar.Bottom - 1, nullptr);
  LineTo(DC, Bar.Right, Bar.Bottom - 1);
  SelectObject(DC, MenuFont(false));
  SetBkMode(DC, TRANSPARENT);
  for (size_t i = 0; i < Rects.size() && i < m->Items.size(); ++i) {
    TRect r = Rects[i];
    const TNativeMenuItem& item = m->Items[i];
    if (int32_t(i) == Hot) {
      TRect edge = r;
      DrawEdge(DC, edge, Pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    SetTextColor(DC, GetSysColor((item.State & MFS_GRAYED) ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    String caption, shortCut;
    SplitText(item.Text, caption, shortCut);
    if (int32_t(i) == Hot && Pushed) {
      r.Left += 1;
      r.Top += 1;
      r.Right += 1;
      r.Bottom += 1;
    }
    DrawText(DC, caption.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
}
