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

// The state of a native control lives in its window's first extra slot.
template <class T>
T* StdState(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLong(hwnd, 0));
}
