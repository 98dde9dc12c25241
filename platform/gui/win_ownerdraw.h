// Owner-draw records: what WM_MEASUREITEM, WM_DRAWITEM, WM_DELETEITEM and
// WM_COMPAREITEM carry to the owner of an owner-drawn menu item or control.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"
#include "platform/rtl/graphtypes.h"

inline constexpr uint32_t ODT_MENU = 1;
inline constexpr uint32_t ODT_LISTBOX = 2;
inline constexpr uint32_t ODT_COMBOBOX = 3;
inline constexpr uint32_t ODT_BUTTON = 4;
inline constexpr uint32_t ODT_STATIC = 5;
inline constexpr uint32_t ODA_DRAWENTIRE = 1;
inline constexpr uint32_t ODA_SELECT = 2;
inline constexpr uint32_t ODA_FOCUS = 4;
inline constexpr uint32_t ODS_SELECTED = 0x0001;
inline constexpr uint32_t ODS_GRAYED = 0x0002;
inline constexpr uint32_t ODS_DISABLED = 0x0004;
inline constexpr uint32_t ODS_CHECKED = 0x0008;
inline constexpr uint32_t ODS_FOCUS = 0x0010;
inline constexpr uint32_t ODS_DEFAULT = 0x0020;
inline constexpr uint32_t ODS_COMBOBOXEDIT = 0x1000;
inline constexpr uint32_t ODS_HOTLIGHT = 0x0040;
inline constexpr uint32_t ODS_NOACCEL = 0x0100;

// lParam of WM_DRAWITEM (wParam: the control id, 0 for menus).
struct DRAWITEMSTRUCT {
  uint32_t CtlType = 0;
  uint32_t CtlID = 0;
  uint32_t itemID = 0;
  uint32_t itemAction = 0;
  uint32_t itemState = 0;
  HWND hwndItem = nullptr;  // for ODT_MENU the menu handle
  HDC hDC = nullptr;
  TRect rcItem;
  uintptr_t itemData = 0;
};

// lParam of WM_MEASUREITEM; it names the control only by its id.
struct MEASUREITEMSTRUCT {
  uint32_t CtlType = 0;
  uint32_t CtlID = 0;
  uint32_t itemID = 0;
  uint32_t itemWidth = 0;
  uint32_t itemHeight = 0;
  uintptr_t itemData = 0;
};

struct DELETEITEMSTRUCT {
  uint32_t CtlType = 0;
  uint32_t CtlID = 0;
  uint32_t itemID = 0;
  HWND hwndItem = nullptr;
  uintptr_t itemData = 0;
};

struct COMPAREITEMSTRUCT {
  uint32_t CtlType = 0;
  uint32_t CtlID = 0;
  HWND hwndItem = nullptr;
  uint32_t itemID1 = 0;
  uintptr_t itemData1 = 0;
  uint32_t itemID2 = 0;
  uintptr_t itemData2 = 0;
  uint32_t dwLocaleId = 0;
};
