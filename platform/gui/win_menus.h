// Menus of the window system: menu handles and their items, the plain look
// (popup windows tracked in a modal loop, and the drawing of a menu bar that
// a window shows in its frame), and the "&" accelerators of captions.
//
// The plain look: a popup menu is a top-most popup window that never takes
// activation. While a menu is open a modal loop owns the mouse and the
// keyboard: the pointer highlights, a press outside closes, a release on an
// item chooses it; Up/Down move, Right/Enter open a submenu, Left/Escape
// close one, characters pick "&" accelerators. Submenus also open after the
// menu show delay of hovering, on the program's clock.
//
// A higher layer whose objects stand behind menu items (the class
// framework's TMenuItem) adds to the tracker through SetMenuTrackHooks.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/win_ownerdraw.h"
#include "platform/gui/windows.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

// ================================================================================
// Accelerators
// ================================================================================

// The "&" accelerator character of a caption (upper case; "&&" is a literal
// ampersand), 0 when there is none.
char32_t GetHotkey(const String& Text);
// The caption without its "&" marks ("&&" becomes "&").
String StripHotkey(const String& Text);
// Whether the key (a virtual key or character) is the caption's accelerator.
bool IsAccel(uint32_t VK, const String& Str);

// ================================================================================
// Menu handles
// ================================================================================

// MENUITEMINFO masks, types and states.
inline constexpr uint32_t MIIM_STATE = 0x0001;
inline constexpr uint32_t MIIM_ID = 0x0002;
inline constexpr uint32_t MIIM_SUBMENU = 0x0004;
inline constexpr uint32_t MIIM_CHECKMARKS = 0x0008;
inline constexpr uint32_t MIIM_TYPE = 0x0010;
inline constexpr uint32_t MIIM_DATA = 0x0020;
inline constexpr uint32_t MIIM_STRING = 0x0040;
inline constexpr uint32_t MIIM_BITMAP = 0x0080;
inline constexpr uint32_t MIIM_FTYPE = 0x0100;

inline constexpr uint32_t MFT_STRING = 0x0000;
inline constexpr uint32_t MFT_BITMAP = 0x0004;
inline constexpr uint32_t MFT_MENUBARBREAK = 0x0020;
inline constexpr uint32_t MFT_MENUBREAK = 0x0040;
inline constexpr uint32_t MFT_OWNERDRAW = 0x0100;
inline constexpr uint32_t MFT_RADIOCHECK = 0x0200;
inline constexpr uint32_t MFT_SEPARATOR = 0x0800;
inline constexpr uint32_t MFT_RIGHTORDER = 0x2000;
inline constexpr uint32_t MFT_RIGHTJUSTIFY = 0x4000;

inline constexpr uint32_t MFS_ENABLED = 0x0000;
inline constexpr uint32_t MFS_UNCHECKED = 0x0000;
inline constexpr uint32_t MFS_GRAYED = 0x0003;
inline constexpr uint32_t MFS_DISABLED = MFS_GRAYED;
inline constexpr uint32_t MFS_CHECKED = 0x0008;
inline constexpr uint32_t MFS_HILITE = 0x0080;
inline constexpr uint32_t MFS_DEFAULT = 0x1000;

// Flags of AppendMenu, InsertMenu, DeleteMenu, CheckMenuItem ...
inline constexpr uint32_t MF_BYCOMMAND = 0x0000;
inline constexpr uint32_t MF_BYPOSITION = 0x0400;
inline constexpr uint32_t MF_STRING = 0x0000;
inline constexpr uint32_t MF_ENABLED = 0x0000;
inline constexpr uint32_t MF_GRAYED = 0x0001;
inline constexpr uint32_t MF_DISABLED = 0x0002;
inline constexpr uint32_t MF_UNCHECKED = 0x0000;
inline constexpr uint32_t MF_CHECKED = 0x0008;
inline constexpr uint32_t MF_POPUP = 0x0010;
inline constexpr uint32_t MF_MENUBARBREAK = 0x0020;
inline constexpr uint32_t MF_MENUBREAK = 0x0040;
inline constexpr uint32_t MF_HILITE = 0x0080;
inline constexpr uint32_t MF_OWNERDRAW = 0x0100;
inline constexpr uint32_t MF_SEPARATOR = 0x0800;
inline constexpr uint32_t MF_DEFAULT = 0x1000;
inline constexpr uint32_t MF_MOUSESELECT = 0x8000;
// GetMenuDefaultItem
inline constexpr uint32_t GMDI_USEDISABLED = 0x0001;
inline constexpr uint32_t GMDI_GOINTOPOPUPS = 0x0002;

// TrackPopupMenu
inline constexpr uint32_t TPM_LEFTBUTTON = 0x0000;
inline constexpr uint32_t TPM_RIGHTBUTTON = 0x0002;
inline constexpr uint32_t TPM_LEFTALIGN = 0x0000;
inline constexpr uint32_t TPM_CENTERALIGN = 0x0004;
inline constexpr uint32_t TPM_RIGHTALIGN = 0x0008;
inline constexpr uint32_t TPM_TOPALIGN = 0x0000;
inline constexpr uint32_t TPM_VCENTERALIGN = 0x0010;
inline constexpr uint32_t TPM_BOTTOMALIGN = 0x0020;
inline constexpr uint32_t TPM_NONOTIFY = 0x0080;
inline constexpr uint32_t TPM_RETURNCMD = 0x0100;

struct MENUITEMINFO {
  uint32_t cbSize = sizeof(MENUITEMINFO);
  uint32_t fMask = 0;
  uint32_t fType = MFT_STRING;
  uint32_t fState = MFS_ENABLED;
  uint32_t wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  uintptr_t dwItemData = 0;
  String dwTypeData;  // the text (UTF-8); a tab separates the short-cut text
  uint32_t cch = 0;   // out: the text's length
  HBITMAP hbmpItem = nullptr;
};

// Menus are ids into a table: a destroyed or made-up handle fails (false,
// -1, 0), never crashes. A menu bar (CreateMenu) and a popup menu
// (CreatePopupMenu) differ only in how they are shown. Main thread only.
HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
bool DestroyMenu(HMENU Menu);
bool IsMenu(HMENU Menu);

int32_t GetMenuItemCount(HMENU Menu);  // -1 for a bad handle
// The command of the item at Pos; 0xFFFFFFFF for a submenu item or a bad position.
uint32_t GetMenuItemID(HMENU Menu, int32_t Pos);
HMENU GetSubMenu(HMENU Menu, int32_t Pos);
// Item: a position (ByPosition) or a command, searched through the submenus too.
bool InsertMenuItem(HMENU Menu, uint32_t Item, bool ByPosition, const MENUITEMINFO& Info);
bool GetMenuItemInfo(HMENU Menu, uint32_t Item, bool ByPosition, MENUITEMINFO* Info);
bool SetMenuItemInfo(HMENU Menu, uint32_t Item, bool ByPosition, const MENUITEMINFO& Info);
// Flags MF_*; with MF_POPUP, IdNewItem is the submenu's handle.
bool AppendMenu(HMENU Menu, uint32_t Flags, uintptr_t IdNewItem, const char* NewItem);
bool InsertMenu(HMENU Menu, uint32_t Position, uint32_t Flags, uintptr_t IdNewItem, const char* NewItem);
// DeleteMenu destroys the submenu of the item; RemoveMenu leaves it alone.
bool DeleteMenu(HMENU Menu, uint32_t Position, uint32_t Flags);
bool RemoveMenu(HMENU Menu, uint32_t Position, uint32_t Flags);
// MF_* state bits of the item (for a submenu the item count in the high
// byte and MF_POPUP); 0xFFFFFFFF when there is no such item.
uint32_t GetMenuState(HMENU Menu, uint32_t Id, uint32_t Flags);
// Copies the text (cut to MaxCount - 1 bytes, with a NUL) and answers its length.
int32_t GetMenuString(HMENU Menu, uint32_t Id, char* Buffer, int32_t MaxCount, uint32_t Flags);
// Answer the previous MF_CHECKED / MF_GRAYED state, 0xFFFFFFFF for no item.
uint32_t CheckMenuItem(HMENU Menu, uint32_t Id, uint32_t Check);
uint32_t EnableMenuItem(HMENU Menu, uint32_t Id, uint32_t Enable);
// The default item's command (or position); 0xFFFFFFFF when there is none.
uint32_t GetMenuDefaultItem(HMENU Menu, bool ByPosition, uint32_t Flags);
// 0xFFFFFFFF clears the default.
bool SetMenuDefaultItem(HMENU Menu, uint32_t Item, bool ByPosition);

// ================================================================================
// Tracking
// ================================================================================

// Shows Menu at the screen point and tracks it until the user chooses or
// cancels. Owner receives WM_ENTERMENULOOP, WM_INITMENUPOPUP (before each
// popup shows), WM_MENUSELECT, WM_MEASUREITEM / WM_DRAWITEM for owner-drawn
// items, WM_UNINITMENUPOPUP and WM_EXITMENULOOP, unless TPM_NONOTIFY. With
// TPM_RETURNCMD the answer is the chosen command (0: none); otherwise a
// chosen command is posted to Owner as WM_COMMAND and the answer is nonzero
// when something was chosen. The right button chooses only with
// TPM_RIGHTBUTTON. Fails (0) while another menu is being tracked.
int32_t TrackPopupMenu(HMENU Menu, uint32_t Flags, int32_t X, int32_t Y, int32_t Reserved, HWND Owner,
                       const TRect* ExcludeRect);
// Ends the menu being tracked (as if cancelled).
bool EndMenu();
// The menu being tracked and the windows of its open levels (tests and the
// hint engine look at them); nullptr / empty when none is open.
HMENU GetTrackedMenu();
std::vector<HWND> GetMenuPopupWindows();
// Screen rectangle of item Item (a position) of Menu where it is shown now:
// in an open popup level, or in the menu bar of the window Wnd (through
// the MenuBarItemRect hook). False when the menu is not on the screen.
bool GetMenuItemRect(HWND Wnd, HMENU Menu, uint32_t Item, TRect* Rect);

// A menu bar that a window draws in its frame, tracked from one of its items:
// Show is told which item is highlighted and whether its drop-down is open
// (-1 when tracking ends); a drop-down opens below its item.
struct TMenuBarTracking {
  HWND Window = nullptr;  // tracking ends when it goes
  HMENU Menu = nullptr;
  std::vector<TRect> ItemRects;  // screen coordinates, by position in Menu
  std::function<void(int32_t Current, bool Pushed)> Show;
};
// Tracks the bar from item Index, its drop-down open when Open (with its
// first item selected when SelectFirst). Left/Right move along the bar.
// Owner hears what it hears from TrackPopupMenu (WM_INITMENU too). Answers
// the chosen command without posting it (0: none; also while another menu
// is being tracked).
uint32_t TrackMenuBar(TMenuBarTracking Bar, HWND Owner, int32_t Index, bool Open, bool SelectFirst);

// ================================================================================
// The plain look
// ================================================================================

// One item as it is drawn, shared by the popup windows and whoever draws an
// owner-drawn item in the plain look. Image, when given, draws the item's
// image at the point (left of the caption, vertically centred).
struct TPlainMenuItem {
  String Text;  // caption, a tab, the short-cut text
  bool Separator = false;
  bool Checked = false;
  bool Radio = false;
  bool Enabled = true;
  bool Default = false;
  bool SubMenu = false;
  std::function<void(HDC DC, int32_t X, int32_t Y)> Image;
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
};
// Draws the item into Rect of DC (selected: highlighted).
void DrawPlainMenuItem(HDC DC, const TRect& Rect, const TPlainMenuItem& Item, bool Selected);
// The size the item needs in a popup.
TSize MeasurePlainMenuItem(HDC DC, const TPlainMenuItem& Item);

// Lays the items of a menu bar out in rows from Origin within Width (the
// rectangles in Origin's coordinates, by position); answers the bar's height
// with the line under it, 0 without items.
int32_t LayoutPlainMenuBar(HMENU Menu, TPoint Origin, int32_t Width, std::vector<TRect>& Rects);
// Draws the bar into Bar of DC with its items at Rects; item Hot raised, or
// sunk when Pushed.
void DrawPlainMenuBar(HDC DC, const TRect& Bar, HMENU Menu, const std::vector<TRect>& Rects, int32_t Hot, bool Pushed);

// ================================================================================
// Hooks of a higher layer
// ================================================================================

// What the layer that made the items adds to their tracking. Each hook is
// optional.
struct TMenuTrackHooks {
  // The plain look of an item from its item data (caption, short-cut,
  // image); false leaves the item's own text and marks. The item's states
  // come from the menu either way.
  std::function<bool(uintptr_t ItemData, TPlainMenuItem& Look)> ItemLook;
  // WM_MEASUREITEM / WM_DRAWITEM of an owner-drawn item that the owner left
  // unanswered; false leaves the plain look's size and drawing.
  std::function<bool(MEASUREITEMSTRUCT& Info)> MeasureItem;
  std::function<bool(const DRAWITEMSTRUCT& Info)> DrawItem;
  // A menu is about to be tracked.
  std::function<void()> TrackStarting;
  // The screen rectangle of an item of a menu bar that Wnd draws itself.
  std::function<bool(HWND Wnd, HMENU Menu, uint32_t Item, TRect& Rect)> MenuBarItemRect;
};
// Replaces the hooks (empty ones: none).
void SetMenuTrackHooks(TMenuTrackHooks Hooks);
