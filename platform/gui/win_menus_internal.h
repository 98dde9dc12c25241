// Shared between win_menus.cpp (the menu table and the hooks) and
// win_menus_track.cpp (the plain look and the tracking loop). Not for other
// files.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/win_menus.h"

struct TNativeMenuItem {
  uint32_t Type = MFT_STRING;
  uint32_t State = MFS_ENABLED;
  uint32_t Id = 0;
  HMENU SubMenu = nullptr;
  uintptr_t Data = 0;
  String Text;
  HBITMAP Bitmap = nullptr;
};

struct TNativeMenu {
  bool Bar = false;
  std::vector<TNativeMenuItem> Items;
};

// The record of a live menu handle; nullptr otherwise.
TNativeMenu* NativeMenu(HMENU Menu);

// The hooks installed by SetMenuTrackHooks.
const TMenuTrackHooks& MenuTrackHooks();
