// Shared between menus.cpp (the menu table and the component classes) and
// menus_track.cpp (the plain look: popup windows, the tracking loop and the
// menu bar of forms). Not for other files.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/vcl/menus.h"

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

// The live item whose address is Data (the dwItemData the component classes
// give their entries); nullptr when Data is not one.
TMenuItem* MenuItemFromData(uintptr_t Data);
// The live item of a command id.
TMenuItem* MenuItemFromCommand(uint16_t Command);

// The plain-look entry of a component item (caption, short-cut, marks, image).
TPlainMenuItem PlainLookOf(TMenuItem* Item);

// The menu bar of a form: tracking from a click on an item, F10 or an
// accelerator (menus_track.cpp).
bool MenuBarHandleMessage(TCustomForm* Form, TMainMenu* Menu, TMessage& Message);
// A main menu changed: the bars that show it follow.
void MenuBarMenuChanged(TMainMenu* Menu);
// A main menu is going: the bars forget it.
void MenuBarMenuDestroyed(TMainMenu* Menu);
