// The caret: one per program, owned by a window, drawn by inverting its
// rectangle on the window's surface and blinking on the clock.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"

// bitmap nullptr: a solid caret of width x height (0 takes the border
// width / height, 1 pixel); (HBITMAP)1: a grey caret (every other pixel);
// otherwise the bitmap's pixels are XORed and its size is used. The caret
// starts hidden; a caret of another window is destroyed first.
bool CreateCaret(HWND hwnd, HBITMAP bitmap, int32_t width, int32_t height);
bool DestroyCaret();
// Counted: each HideCaret needs a ShowCaret. hwnd 0 means the caret's
// window; another window fails.
bool ShowCaret(HWND hwnd);
bool HideCaret(HWND hwnd);
// Client coordinates of the caret's window. A visible caret shows at once
// at the new place and its blinking starts over.
bool SetCaretPos(int32_t x, int32_t y);
bool GetCaretPos(TPoint* pt);
// Milliseconds between turning on and off (530 by default); INFINITE
// (0xFFFFFFFF) keeps the caret on.
uint32_t GetCaretBlinkTime();
bool SetCaretBlinkTime(uint32_t ms);
// Whether the caret is drawn on its window right now (for tests).
bool CaretDrawn();
