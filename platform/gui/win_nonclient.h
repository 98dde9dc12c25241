// The default non-client model: frame metrics (WM_NCCALCSIZE), the plain
// frame (WM_NCPAINT), hit codes (WM_NCHITTEST) and the default handling of
// presses on the frame, with the move/size loop. The defaults run inside
// DefWindowProc; windows that answer these messages themselves replace them.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"

// wParam of WM_SIZING (and the low four bits of SC_SIZE): the edge dragged.
inline constexpr uint32_t WMSZ_LEFT = 1;
inline constexpr uint32_t WMSZ_RIGHT = 2;
inline constexpr uint32_t WMSZ_TOP = 3;
inline constexpr uint32_t WMSZ_TOPLEFT = 4;
inline constexpr uint32_t WMSZ_TOPRIGHT = 5;
inline constexpr uint32_t WMSZ_BOTTOM = 6;
inline constexpr uint32_t WMSZ_BOTTOMLEFT = 7;
inline constexpr uint32_t WMSZ_BOTTOMRIGHT = 8;
