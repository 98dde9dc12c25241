// The utility routines that stand on the framework's controls and forms: the
// owner window of a component, centring a window on the main form's monitor,
// and the scroll-bar calls with their flat variants.
#pragma once

#include <cstdint>

#include "platform/gui/win_scrollbars.h"
#include "platform/gui/windows.h"

class TComponent;

// Follows the owner chain from Component (itself included) to the first
// windowed control: its handle when allocated, else nil; nil without one.
HWND IEFindOwnerWindowHandle(TComponent* Component);

// Calls IECenterWindowHook when assigned. Otherwise moves Window, keeping its
// size, to the main form's monitor (the first monitor without a main form,
// the index kept within the monitors): left = (monitor width - width) div 2,
// top = (monitor height - height) div 3 from the monitor's corner. Neither
// activates it nor changes the z-order.
void IECenterWindow(HWND Window);

// The scroll-bar calls: Flat selects the flat-scroll-bar variant, which takes
// the same arguments.
bool IESetScrollRange(HWND Handle, int32_t Bar, int32_t Min, int32_t Max, bool Redraw, bool Flat);
int32_t IESetScrollInfo(HWND Handle, int32_t Bar, const SCROLLINFO& ScrollInfo, bool Redraw, bool Flat);
int32_t IESetScrollPos(HWND Handle, int32_t Bar, int32_t Position, bool Redraw, bool Flat);
bool IEEnableScrollBar(HWND Handle, uint32_t Bar, uint32_t Arrows, bool Flat);
bool IEShowScrollBar(HWND Handle, int32_t Bar, bool Show, bool Flat);
// Sets only the page size, through IESetScrollInfo.
int32_t IESetScrollPage(HWND Handle, int32_t Bar, int32_t Page, bool Redraw, bool Flat);
