// Shared by the native standard classes (not for other code).
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"

// The procedures of the native classes.
LRESULT StdButtonWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT StdStaticWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT StdEditWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT StdListBoxWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT StdComboBoxWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT StdComboLBoxWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

// WM_COMMAND to the parent: code in the high word, id in the low word.
void StdNotifyParent(HWND hwnd, uint32_t code);

// Asks the parent for colours (WM_CTLCOLOR*) with dc; answers the brush it
// gave, nullptr when it gave none (the caller then uses its defaults).
HBRUSH StdCtlColor(HWND hwnd, uint32_t msg, HDC dc);
// Whether brush is the stock null brush (fill nothing).
bool StdIsNullBrush(HBRUSH brush);

// A class built on the "Edit" engine (the rich edit) puts a host in the
// window's second extra slot; the engine then takes its colours, the
// permission for each WM_COMMAND code and extra scroll-information flags
// from the host instead of asking the parent.
class TEditHost {
 public:
  virtual ~TEditHost() = default;
  // Sets the DC's text and background colours; answers the background brush.
  virtual HBRUSH EditColors(HWND hwnd, HDC dc) = 0;
  virtual bool EditNotifies(HWND hwnd, uint32_t code) = 0;
  // Added to the fMask of the engine's SetScrollInfo calls (SIF_DISABLENOSCROLL).
  virtual uint32_t EditScrollFlags(HWND hwnd) = 0;
};
inline TEditHost* StdEditHost(HWND hwnd) {
  return reinterpret_cast<TEditHost*>(GetWindowLong(hwnd, int32_t(sizeof(intptr_t))));
}

// The state of a native control lives in its window's first extra slot.
template <class T>
T* StdState(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLong(hwnd, 0));
}
