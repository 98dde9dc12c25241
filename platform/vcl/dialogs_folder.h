// The folder browser: a modal dialog with a tree of the shell namespace
// from a root folder, an optional name box, and a "Make New Folder" button.
// Main thread only.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"
#include "platform/shellapi/idlist.h"

// ---- Flags ----
inline constexpr uint32_t BIF_RETURNONLYFSDIRS = 0x0001;  // OK only on file-system folders
inline constexpr uint32_t BIF_DONTGOBELOWDOMAIN = 0x0002;
inline constexpr uint32_t BIF_STATUSTEXT = 0x0004;  // a status line the callback sets
inline constexpr uint32_t BIF_RETURNFSANCESTORS = 0x0008;
inline constexpr uint32_t BIF_EDITBOX = 0x0010;   // a name box under the tree
inline constexpr uint32_t BIF_VALIDATE = 0x0020;  // a name that is none: BFFM_VALIDATEFAILED
inline constexpr uint32_t BIF_NEWDIALOGSTYLE = 0x0040;
inline constexpr uint32_t BIF_USENEWUI = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
inline constexpr uint32_t BIF_NONEWFOLDERBUTTON = 0x0200;
inline constexpr uint32_t BIF_BROWSEINCLUDEFILES = 0x4000;  // files are listed (and returned) too

// ---- The callback: messages it gets ----
inline constexpr uint32_t BFFM_INITIALIZED = 1;     // the dialog is ready, before it shows
inline constexpr uint32_t BFFM_SELCHANGED = 2;      // lParam: the selected item's absolute list
inline constexpr uint32_t BFFM_VALIDATEFAILED = 3;  // lParam: the typed text (const char*); 0 ends the dialog
// ---- ... and messages it may send to the dialog ----
inline constexpr uint32_t BFFM_SETSTATUSTEXT = WM_USER + 100;  // lParam const char*
inline constexpr uint32_t BFFM_ENABLEOK = WM_USER + 101;       // lParam: non-zero enables OK
inline constexpr uint32_t BFFM_SETSELECTIONA = WM_USER + 102;  // wParam TRUE: lParam a path (const char*);
inline constexpr uint32_t BFFM_SETSELECTIONW = WM_USER + 103;  // FALSE: an absolute list. Answers TRUE when found
inline constexpr uint32_t BFFM_SETSELECTION = BFFM_SETSELECTIONA;
inline constexpr uint32_t BFFM_SETOKTEXT = WM_USER + 105;    // lParam const char*
inline constexpr uint32_t BFFM_SETEXPANDED = WM_USER + 106;  // as BFFM_SETSELECTION; expands the item

// The dialog's control ids.
inline constexpr int32_t IDC_BFF_TREE = 0x3741;
inline constexpr int32_t IDC_BFF_TITLE = 0x3742;
inline constexpr int32_t IDC_BFF_STATUS = 0x3743;
inline constexpr int32_t IDC_BFF_EDIT = 0x3744;
inline constexpr int32_t IDC_BFF_NEWFOLDER = 0x3746;

using BFFCALLBACK = int32_t (*)(HWND hwnd, uint32_t uMsg, LPARAM lParam, LPARAM lpData);

struct BROWSEINFO {
  HWND hwndOwner = nullptr;              // disabled while the dialog runs
  PCIDLIST_ABSOLUTE pidlRoot = nullptr;  // the tree's root; nullptr: the desktop
  String pszDisplayName;                 // out: the chosen item's shown name
  String lpszTitle;                      // the text above the tree
  uint32_t ulFlags = 0;
  BFFCALLBACK lpfn = nullptr;
  LPARAM lParam = 0;   // given to the callback
  int32_t iImage = 0;  // out: the chosen item's index in the system image list
};

// Runs the dialog. OK answers the chosen item's absolute list (from the
// shell's allocator: the caller frees it with ILFree) and fills
// pszDisplayName and iImage; Cancel, or a failed validation the callback
// ends the dialog on, answers nullptr.
//
// With BIF_EDITBOX the box shows the selected item's name; other text is a
// path ("~" the home folder) or a name inside the selected folder, which
// must exist. "Make New Folder" makes "New Folder" (or "New Folder (2)" ...,
// never replacing anything) in the selected folder and edits its name in
// place; the name typed renames it unless taken.
PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* lpbi);
