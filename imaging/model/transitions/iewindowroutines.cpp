#include "imaging/model/transitions/iewindowroutines.h"

#include <algorithm>

#include "imaging/model/pixels/ieroutines.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

HWND IEFindOwnerWindowHandle(TComponent* Component) {
  while (Component && !dynamic_cast<TWinControl*>(Component)) Component = Component->Owner();
  auto* control = static_cast<TWinControl*>(Component);
  return control && control->HandleAllocated() ? control->Handle() : nullptr;
}

void IECenterWindow(HWND Window) {
  if (IECenterWindowHook) {
    IECenterWindowHook(Window);
    return;
  }
  if (!Screen || Screen->MonitorCount() == 0) return;
  int32_t index = 0;
  if (Application && Application->MainForm()) {
    TMonitor* own = Application->MainForm()->Monitor();
    index = own ? own->MonitorNum() : 0;
  }
  index = std::max(0, std::min(index, Screen->MonitorCount() - 1));
  const TRect m = Screen->Monitors(index)->BoundsRect();
  TRect w;
  if (!GetWindowRect(Window, &w)) return;
  const int32_t left = m.Left + (m.Width() - w.Width()) / 2, top = m.Top + (m.Height() - w.Height()) / 3;
  SetWindowPos(Window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IESetScrollRange(HWND Handle, int32_t Bar, int32_t Min, int32_t Max, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollRange(Handle, Bar, Min, Max, Redraw) : SetScrollRange(Handle, Bar, Min, Max, Redraw);
}

int32_t IESetScrollInfo(HWND Handle, int32_t Bar, const SCROLLINFO& ScrollInfo, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollInfo(Handle, Bar, &ScrollInfo, Redraw)
              : SetScrollInfo(Handle, Bar, &ScrollInfo, Redraw);
}

int32_t IESetScrollPos(HWND Handle, int32_t Bar, int32_t Position, bool Redraw, bool Flat) {
  return Flat ? FlatSB_SetScrollPos(Handle, Bar, Position, Redraw) : SetScrollPos(Handle, Bar, Position, Redraw);
}

bool IEEnableScrollBar(HWND Handle, uint32_t Bar, uint32_t Arrows, bool Flat) {
  return Flat ? FlatSB_EnableScrollBar(Handle, Bar, Arrows) : EnableScrollBar(Handle, Bar, Arrows);
}

bool IEShowScrollBar(HWND Handle, int32_t Bar, bool Show, bool Flat) {
  return Flat ? FlatSB_ShowScrollBar(Handle, Bar, Show) : ShowScrollBar(Handle, Bar, Show);
}

int32_t IESetScrollPage(HWND Handle, int32_t Bar, int32_t Page, bool Redraw, bool Flat) {
  SCROLLINFO si;
  si.cbSize = 28;
  si.fMask = SIF_PAGE;
  si.nPage = static_cast<uint32_t>(Page);
  return IESetScrollInfo(Handle, Bar, si, Redraw, Flat);
}
