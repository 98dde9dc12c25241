// The private window messages of the skin library. All are sent with
// SendMessage on the main thread, never posted: a receiver of WM_SKIN_CHANGE
// has finished with it before the sender clears SkinChanging.
//
// The skin-change family (BEFORECHANGE, CHANGE, AFTERCHANGE, RESSTRCHANGED,
// SKINNABLECHANGED) carries the sending TbsSkinData in wParam and
// bsSkinMessageLParam in lParam; a receiver acts only when wParam is its own
// skin data.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"

inline constexpr uint32_t WM_SKIN_BEFORECHANGE = WM_USER + 201;       // 1225
inline constexpr uint32_t WM_SKIN_CHANGE = WM_USER + 202;             // 1226
inline constexpr uint32_t WM_SKIN_AFTERCHANGE = WM_USER + 203;        // 1227
inline constexpr uint32_t WM_SKIN_MENUCLOSED = WM_USER + 204;         // 1228
inline constexpr uint32_t WM_SKIN_MENUCOMMAND = WM_USER + 205;        // 1229
inline constexpr uint32_t WM_SKIN_MDICHILDRESIZE = WM_USER + 206;     // 1230
inline constexpr uint32_t WM_SKIN_MDICHILDMAXIMIZED = WM_USER + 207;  // 1231
inline constexpr uint32_t WM_SKIN_MDICHILDRESTORED = WM_USER + 208;   // 1232
inline constexpr uint32_t WM_SKIN_RESSTRCHANGED = WM_USER + 250;      // 1274
inline constexpr uint32_t WM_SKIN_PARENTCHANGED = WM_USER + 260;      // 1284
inline constexpr uint32_t WM_SKIN_SKINNABLECHANGED = WM_USER + 270;   // 1294
// Both lie in the reflected-notification range at offsets the framework
// never reflects (WM_COPYDATA and 0x4B), so they meet no CN_ message.
inline constexpr uint32_t WM_SKIN_PAINTBACKGROUND = 0xBC4A;  // 48202
inline constexpr uint32_t WM_SKIN_PAINTFRAME = 0xBC4B;       // 48203

// lParam of the skin-change family.
inline constexpr intptr_t bsSkinMessageLParam = 1000;
// lParam of PAINTBACKGROUND and PAINTFRAME, and the receiver's answer.
inline constexpr intptr_t bsSkinPaintAnswer = 16802;
