// Item-ID lists of the shell browsing controls: creating, copying, joining,
// splitting, measuring and translating them; the file probes the controls
// share; the special folders and their folder numbers; the default details
// columns; and the process-wide shell objects every control uses.
//
// Lists are raw pointers into the shell allocator's blocks: every list a
// routine returns is new and belongs to the caller (FreeIDList). A routine
// given nil answers its empty value (nil, 0, "", false) and never raises.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/win_ole.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/stringlist.h"
#include "platform/shellapi/shlobj.h"

class TWinControl;

// ---- The process-wide shell objects ---------------------------------------------------
// Made once, on first use from any thread, and released at exit. Never
// changed afterwards, so workers may read them without a lock.
struct TShellObjects {
  ComPtr<IMalloc> Allocator;
  ComPtr<IShellFolder> DesktopFolder;
  // The desktop's own list (the two zero bytes); never freed.
  LPCITEMIDLIST EmptyIDList = nullptr;
  // The folder auto-suggest entry; nil when the shell has none.
  HRESULT (*AutoComplete)(HWND edit, uint32_t flags) = nullptr;
  // Shells before version 4.11: no thumbnails, and ".ZIP" files count as folders.
  bool OldShell = false;
  // The NT family of the platform: its drop handling.
  bool NTFamily = false;
  int32_t MajorVersion = 0;
};
const TShellObjects& ShellObjects();

// ---- Special folders -----------------------------------------------------------------------
enum class TZavShellFolder : uint8_t {
  SF_FILESYSTEMFOLDER,
  SF_BITBUCKET,
  SF_CONTROLS,
  SF_DESKTOP,
  SF_DESKTOPDIRECTORY,
  SF_DRIVES,
  SF_FONTS,
  SF_NETHOOD,
  SF_NETWORK,
  SF_PERSONAL,
  SF_PRINTERS,
  SF_PROGRAMS,
  SF_RECENT,
  SF_SENDTO,
  SF_STARTMENU,
  SF_STARTUP,
  SF_TEMPLATES,
  SF_FAVORITES,
  SF_COMMON_STARTMENU,
  SF_COMMON_STARTUP,
  SF_COMMON_DESKTOPDIRECTORY,
  SF_APPDATA,
  SF_PRINTHOOD,
  SF_COMMON_FAVORITES,
  SF_INTERNET_CACHE,
  SF_COOKIES,
  SF_HISTORY,
  SF_COMMON_PROGRAMS,
  SF_ALTSTARTUP,
  SF_COMMON_APPDATA,
  SF_COMMON_DOCUMENTS,
  SF_INTERNET,
  SF_LOCAL_APPDATA,
  SF_MYPICTURES,
  SF_PROGRAM_FILES,
  SF_SYSTEM,
  SF_PROGRAM_FILES_COMMON,
};
inline constexpr int32_t ZavShellFolderCount = 37;
// The platform's folder number of each special folder, by ordinal. A plain
// file-system folder stands for the drives folder where a special folder
// is needed.
extern const int32_t ZavShellFolderCSIDL[ZavShellFolderCount];
inline int32_t ShellFolderCSIDL(TZavShellFolder folder) { return ZavShellFolderCSIDL[static_cast<int>(folder)]; }

// ---- Default details columns ------------------------------------------------------------------
// For folders that offer no details of their own.
struct TZavDetailsColumn {
  const char* Caption;
  TAlignment Alignment;
  int32_t Width;  // pixels
};
inline constexpr int32_t DefaultDetailsColumnCount = 4;
extern const TZavDetailsColumn DefaultDetailsColumns[DefaultDetailsColumnCount];

// ---- Item-ID lists -----------------------------------------------------------------------------
// Size bytes from the shell allocator, zero-filled; nil when none are left.
LPITEMIDLIST AllocIDList(uint32_t Size);
void FreeIDList(LPITEMIDLIST List);
// Bytes with the terminator; 0 for nil.
uint32_t IDListSize(LPCITEMIDLIST List);
LPITEMIDLIST CopyIDList(LPCITEMIDLIST List);
// The items of First, then those of Second, one terminator; either may be nil.
LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST First, LPCITEMIDLIST Second);
// 0 for nil and the empty list.
int32_t IDListCount(LPCITEMIDLIST List);
// A one-item list of the item at Index (from 0); nil past the last item.
LPITEMIDLIST IDListItem(LPCITEMIDLIST List, int32_t Index);
// The list Folder (nil: the desktop) parses Name into, relative to it; nil
// on any failure. Names of any length and bytes.
LPITEMIDLIST IDListFromPath(IShellFolder* Folder, const String& Name);
// The ordinal of the first special folder (1 to 36, in table order) whose
// own list names the same object; 0 when none does.
int32_t IDListSpecialFolder(LPCITEMIDLIST List);
// Whether the absolute list names the special folder of that number.
bool IDListIsSpecialFolder(LPCITEMIDLIST List, int32_t CSIDL);
// Whether the list lies in the network folder.
bool IDListInNetwork(LPCITEMIDLIST List);
// The file-system path of the object; "" for virtual objects.
String PathFromIDList(LPCITEMIDLIST List);
// The text of a display-name record; frees what the record owned. Paths
// come from PathFromIDList, never from here.
String StrRetToString(LPCITEMIDLIST List, STRRET& StrRet);
void FreeStrRet(STRRET& StrRet);
// Every path of a drop, in drop order (the caller owns the list); nil for
// no handle or no file.
std::unique_ptr<TStringList> DropHandleToList(HDROP Drop);

// ---- Strings and files --------------------------------------------------------------------------
String GetSystemErrorText(uint32_t ErrorCode);
// Appends "/" unless the path is empty or already ends in one.
String AddBackslash(const String& Path);
// "/" and the volumes' mount points.
bool IsDriveRoot(const String& Path);
// A root, or an entry that exists (a dangling link counts).
bool PathExists(const String& Path);
// -1 when nothing is found.
int64_t FindFileSize(const String& Path);
// Path below Base, relative to it ("sub/x.jpg"); "." for Base itself; ""
// when Path is not Base or below it. Compared byte for byte.
String RelativePath(const String& Base, const String& Path);
// Turns on the folder auto-suggest of an edit; true when it is on.
bool EnableFolderAutoComplete(TWinControl* Edit);
