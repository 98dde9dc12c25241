// The menu bar of forms: a row of the non-client area in the plain look of
// the window system, tracked from a click on an item, F10 or an accelerator.
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/gui/win_menus.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus_internal.h"

namespace {

struct TBarState {
  TMainMenu* Menu = nullptr;
  int32_t Height = 0;
  int32_t Hot = -1;
  bool Pushed = false;
  std::vector<TRect> Rects;  // window coordinates, by position in the bar menu
};

std::map<HWND, TBarState>& Bars() {
  static std::map<HWND, TBarState> bars;
  return bars;
}

// The bar's rectangle in window coordinates, from the client area.
TRect BarRect(HWND form, const TBarState& st) {
  TRect wr, cr;
  GetWindowRect(form, &wr);
  GetClientRect(form, &cr);
  TPoint origin{0, 0};
  ClientToScreen(form, &origin);
  const int32_t left = origin.X - wr.Left, top = origin.Y - wr.Top;
  return TRect{left, top - st.Height, left + cr.Width(), top};
}

// Lays the items out for the form's current size; the bar's rectangle
// (window coordinates), or nullptr when the form shows no bar.
TBarState* PlaceBar(HWND form, TRect& bar) {
  auto it = Bars().find(form);
  if (it == Bars().end() || !IsWindow(form) || it->second.Height == 0 || it->second.Menu == nullptr) return nullptr;
  TBarState& st = it->second;
  bar = BarRect(form, st);
  LayoutPlainMenuBar(st.Menu->Handle(), TPoint{bar.Left, bar.Top}, bar.Width(), st.Rects);
  return &st;
}

void PaintBar(HWND form) {
  TRect bar;
  TBarState* placed = PlaceBar(form, bar);
  if (placed == nullptr) return;
  HDC dc = GetWindowDC(form);
  if (dc == nullptr) return;
  DrawPlainMenuBar(dc, bar, placed->Menu->Handle(), placed->Rects, placed->Hot, placed->Pushed);
  ReleaseDC(form, dc);
}

void TrackBar(HWND form, int32_t index, bool open, bool selectFirst) {
  if (GetTrackedMenu() != nullptr) return;
  auto it = Bars().find(form);
  if (it == Bars().end() || it->second.Menu == nullptr) return;
  TMainMenu* menu = it->second.Menu;
  if (menu->Items()->LineReduction()) menu->Items()->RethinkLines();
  TMenuBarTracking tracking;
  tracking.Window = form;
  tracking.Menu = menu->Handle();
  TRect bar;
  if (PlaceBar(form, bar) == nullptr) return;
  TRect wr;
  GetWindowRect(form, &wr);
  for (const TRect& r : Bars()[form].Rects)
    tracking.ItemRects.push_back(TRect{r.Left + wr.Left, r.Top + wr.Top, r.Right + wr.Left, r.Bottom + wr.Top});
  tracking.Show = [form](int32_t current, bool pushed) {
    auto found = Bars().find(form);
    if (found == Bars().end()) return;
    found->second.Hot = current;
    found->second.Pushed = pushed;
    PaintBar(form);
  };
  const HWND owner = MenuNotifyWindow();
  const uint32_t chosen = TrackMenuBar(std::move(tracking), owner, index, open, selectFirst);
  if (chosen != 0 && IsWindow(owner)) PostMessage(owner, WM_COMMAND, MAKEWPARAM(int32_t(chosen), 0), 0);
}

int32_t BarItemAtScreen(HWND form, TPoint screen) {
  auto it = Bars().find(form);
  if (it == Bars().end()) return -1;
  TRect wr;
  GetWindowRect(form, &wr);
  const TPoint p{screen.X - wr.Left, screen.Y - wr.Top};
  for (size_t i = 0; i < it->second.Rects.size(); ++i)
    if (PtInRect(it->second.Rects[i], p)) return int32_t(i);
  return -1;
}

}  // namespace

bool MenuBarHandleMessage(TCustomForm* Form, TMainMenu* Menu, TMessage& Message) {
  if (Form == nullptr || Menu == nullptr) return false;
  HWND h = Form->Handle();
  TBarState& st = Bars()[h];
  st.Menu = Menu;
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
      TRect* rect = Message.WParam ? &params->rgrc[0] : reinterpret_cast<TRect*>(Message.LParam);
      const TRect window = *rect;
      Message.Result = DefWindowProc(h, Message.Msg, Message.WParam, Message.LParam);
      st.Height = LayoutPlainMenuBar(Menu->Handle(), TPoint{rect->Left - window.Left, rect->Top - window.Top},
                                     rect->Width(), st.Rects);
      rect->Top = std::min(rect->Top + st.Height, rect->Bottom);
      return true;
    }
    case WM_NCPAINT:
    case WM_NCACTIVATE:
      Message.Result = DefWindowProc(h, Message.Msg, Message.WParam, Message.LParam);
      PaintBar(h);
      return true;
    case WM_NCHITTEST: {
      Message.Result = DefWindowProc(h, Message.Msg, Message.WParam, Message.LParam);
      const TPoint pt{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      TRect wr;
      GetWindowRect(h, &wr);
      TRect bar = BarRect(h, st);
      bar = TRect{bar.Left + wr.Left, bar.Top + wr.Top, bar.Right + wr.Left, bar.Bottom + wr.Top};
      if (st.Height > 0 && PtInRect(bar, pt)) Message.Result = HTMENU;
      return true;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      if (Message.WParam != WPARAM(HTMENU)) return false;
      const int32_t i = BarItemAtScreen(h, TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
      if (i >= 0) TrackBar(h, i, true, false);
      Message.Result = 0;
      return true;
    }
    case WM_NCLBUTTONUP:
      if (Message.WParam != WPARAM(HTMENU)) return false;
      Message.Result = 0;
      return true;
    case WM_SYSCOMMAND: {
      if ((Message.WParam & 0xFFF0) != SC_KEYMENU) return false;
      const uint32_t ch = uint32_t(Message.LParam);
      if (ch == ' ') return false;  // the window menu
      const HMENU handle = Menu->Handle();
      const int32_t count = GetMenuItemCount(handle);
      if (count <= 0 || st.Height == 0) return false;
      Message.Result = 0;
      if (ch == 0) {
        TrackBar(h, 0, false, false);
        return true;
      }
      for (int32_t i = 0; i < count; ++i) {
        MENUITEMINFO item;
        item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_STATE | MIIM_ID;
        if (!GetMenuItemInfo(handle, uint32_t(i), true, &item) || !IsAccel(ch, item.dwTypeData)) continue;
        if (item.hSubMenu != nullptr)
          TrackBar(h, i, true, true);
        else if ((item.fState & MFS_GRAYED) == 0)  // a command in the bar runs at once
          PostMessage(MenuNotifyWindow(), WM_COMMAND, MAKEWPARAM(int32_t(item.wID), 0), 0);
        return true;
      }
      MessageBeep(0);
      return true;
    }
    case CM_MENUCHANGED:
      MenuBarMenuChanged(Menu);
      Message.Result = 0;
      return true;
    default: return false;
  }
}

void MenuBarMenuChanged(TMainMenu* Menu) {
  auto& bars = Bars();
  for (auto it = bars.begin(); it != bars.end();) {
    if (!IsWindow(it->first)) {
      it = bars.erase(it);
      continue;
    }
    if (it->second.Menu == Menu) {
      TBarState& st = it->second;
      TRect cr;
      GetClientRect(it->first, &cr);
      std::vector<TRect> rects;
      const int32_t height = LayoutPlainMenuBar(Menu->Handle(), TPoint{0, 0}, cr.Width(), rects);
      if (height != st.Height)
        SetWindowPos(it->first, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      else
        PaintBar(it->first);
    }
    ++it;
  }
}

void MenuBarMenuDestroyed(TMainMenu* Menu) {
  auto& bars = Bars();
  for (auto it = bars.begin(); it != bars.end();) {
    if (it->second.Menu == Menu)
      it = bars.erase(it);
    else
      ++it;
  }
}

bool MenuBarItemRect(HWND Wnd, HMENU Menu, uint32_t Item, TRect& Rect) {
  auto it = Bars().find(Wnd);
  if (it == Bars().end() || !IsWindow(Wnd) || it->second.Menu == nullptr || it->second.Menu->Handle() != Menu)
    return false;
  TRect bar;
  if (PlaceBar(Wnd, bar) == nullptr || Item >= it->second.Rects.size()) return false;
  TRect wr;
  GetWindowRect(Wnd, &wr);
  Rect = it->second.Rects[Item];
  OffsetRect(Rect, wr.Left, wr.Top);
  return true;
}
