// Shared between menus.cpp (the component classes) and menus_bar.cpp (the
// menu bar of forms). Not for other files.
#pragma once

#include <cstdint>

#include "platform/vcl/menus.h"

// The live item whose address is Data (the dwItemData the component classes
// give their entries); nullptr when Data is not one.
TMenuItem* MenuItemFromData(uintptr_t Data);
// The live item of a command id.
TMenuItem* MenuItemFromCommand(uint16_t Command);

// The plain-look entry of a component item (caption, short-cut, marks, image).
TPlainMenuItem PlainLookOf(TMenuItem* Item);

// The menu bar of a form: tracking from a click on an item, F10 or an
// accelerator.
bool MenuBarHandleMessage(TCustomForm* Form, TMainMenu* Menu, TMessage& Message);
// A main menu changed: the bars that show it follow.
void MenuBarMenuChanged(TMainMenu* Menu);
// A main menu is going: the bars forget it.
void MenuBarMenuDestroyed(TMainMenu* Menu);
// Screen rectangle of an item of the bar that the form Wnd shows.
bool MenuBarItemRect(HWND Wnd, HMENU Menu, uint32_t Item, TRect& Rect);
