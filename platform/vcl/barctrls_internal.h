// Shared by the native bar classes (not for other code).
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"

LRESULT BarProgressWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT BarScrollWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT BarUpDownWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT BarTrackWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

// A solid fill in a COLORREF.
void BarFillRect(HDC dc, const TRect& rect, COLORREF color);

// The state of a native bar lives in its window's first extra slot.
template <class T>
T* BarState(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLong(hwnd, 0));
}
