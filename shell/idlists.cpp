#include "shell/idlists.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/rtl/files.h"
#include "platform/rtl/version.h"
#include "platform/rtl/winerror.h"
#include "platform/shellapi/shellui.h"
#include "platform/shellapi/shellvolumes.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"

// By ordinal of TZavShellFolder.
const int32_t ZavShellFolderCSIDL[ZavShellFolderCount] = {
    CSIDL_DRIVES,
    CSIDL_BITBUCKET,
    CSIDL_CONTROLS,
    CSIDL_DESKTOP,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_DRIVES,
    CSIDL_FONTS,
    CSIDL_NETHOOD,
    CSIDL_NETWORK,
    CSIDL_PERSONAL,
    CSIDL_PRINTERS,
    CSIDL_PROGRAMS,
    CSIDL_RECENT,
    CSIDL_SENDTO,
    CSIDL_STARTMENU,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_FAVORITES,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_PRINTHOOD,
    CSIDL_COMMON_FAVORITES,
    CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,
    CSIDL_HISTORY,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_ALTSTARTUP,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_INTERNET,
    CSIDL_LOCAL_APPDATA,
    CSIDL_MYPICTURES,
    CSIDL_PROGRAM_FILES,
    CSIDL_SYSTEM,
    CSIDL_PROGRAM_FILES_COMMON,
};

const TZavDetailsColumn DefaultDetailsColumns[DefaultDetailsColumnCount] = {
    {"Name", TAlignment::taLeftJustify, 150},
    {"Size", TAlignment::taRightJustify, 60},
    {"Type", TAlignment::taLeftJustify, 120},
    {"Changed", TAlignment::taLeftJustify, 100},
};

// ---- Start-up and close-down ------------------------------------------------------------------

namespace {

std::once_flag gStartOnce;
TShellObjects* gObjects = nullptr;
const uint16_t kEmptyIDList = 0;

// Releases the shell objects at exit; the record stays, so code that runs
// later finds no folder instead of a dangling one.
void CloseDown() {
  gObjects->AutoComplete = nullptr;
  gObjects->DesktopFolder.Reset();
  gObjects->Allocator.Reset();
  OleUninitialize();
}

void ReadPlatformVersion(TShellObjects& o) {
  OSVERSIONINFO info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionEx(info)) return;
  o.MajorVersion = int32_t(info.dwMajorVersion);
  o.NTFamily = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  o.OldShell = info.dwMajorVersion == 4 && info.dwMinorVersion < 11;
}

void StartUp() {
  OleInitialize(nullptr);
  static TShellObjects objects;
  const bool haveMalloc = SUCCEEDED(SHGetMalloc(objects.Allocator.ReleaseAndGetAddressOf()));
  if (!haveMalloc || FAILED(SHGetDesktopFolder(objects.DesktopFolder.ReleaseAndGetAddressOf()))) {
    ShowMessage("Cannot find Shell!");
    if (Application) Application->Terminate();
  }
  objects.EmptyIDList = reinterpret_cast<LPCITEMIDLIST>(&kEmptyIDList);
  objects.AutoComplete = &SHAutoComplete;
  ReadPlatformVersion(objects);
  gObjects = &objects;
  std::atexit(CloseDown);
}

IShellFolder* Desktop() { return ShellObjects().DesktopFolder.Get(); }

// Whether the list names the same object as the special folder's own list.
bool IsSpecialFolder(IShellFolder* desktop, LPCITEMIDLIST List, int32_t csidl) {
  PIDLIST_ABSOLUTE own = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &own))) return false;
  const HRESULT hr = desktop->CompareIDs(0, own, List);
  ILFree(own);
  return SUCCEEDED(hr) && CompareIDsResult(hr) == 0;
}

}  // namespace

const TShellObjects& ShellObjects() {
  std::call_once(gStartOnce, StartUp);
  return *gObjects;
}

// ---- Item-ID lists --------------------------------------------------------------------------------

LPITEMIDLIST AllocIDList(uint32_t Size) {
  IMalloc* allocator = ShellObjects().Allocator.Get();
  void* block = allocator ? allocator->Alloc(Size) : nullptr;
  if (block) std::memset(block, 0, Size);
  return static_cast<LPITEMIDLIST>(block);
}

void FreeIDList(LPITEMIDLIST List) {
  if (List) ILFree(List);
}

uint32_t IDListSize(LPCITEMIDLIST List) { return List ? ILGetSize(List) : 0; }

LPITEMIDLIST CopyIDList(LPCITEMIDLIST List) { return List ? ILClone(List) : nullptr; }

LPITEMIDLIST ConcatIDLists(LPCITEMIDLIST First, LPCITEMIDLIST Second) { return ILCombine(First, Second); }

int32_t IDListCount(LPCITEMIDLIST List) {
  // A malformed list counts as empty: nothing past its bad count is read.
  return List ? std::max(ILCount(List), 0) : 0;
}

LPITEMIDLIST IDListItem(LPCITEMIDLIST List, int32_t Index) {
  if (Index < 0 || Index >= IDListCount(List)) return nullptr;
  LPCITEMIDLIST item = List;
  for (int32_t i = 0; i < Index && item; ++i) item = ILGetNext(item);
  return item ? ILCloneFirst(item) : nullptr;
}

LPITEMIDLIST IDListFromPath(IShellFolder* Folder, const String& Name) {
  IShellFolder* folder = Folder ? Folder : Desktop();
  if (!folder) return nullptr;
  PIDLIST_RELATIVE list = nullptr;
  uint32_t eaten = 0;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, Name, &eaten, &list, nullptr))) return nullptr;
  return list;
}

int32_t IDListSpecialFolder(LPCITEMIDLIST List) {
  IShellFolder* desktop = Desktop();
  if (!List || !desktop) return 0;
  for (int32_t ordinal = 1; ordinal < ZavShellFolderCount; ++ordinal)
    if (IsSpecialFolder(desktop, List, ZavShellFolderCSIDL[ordinal])) return ordinal;
  return 0;
}

bool IDListInNetwork(LPCITEMIDLIST List) {
  IShellFolder* desktop = Desktop();
  if (!List || !desktop || IDListCount(List) == 0) return false;
  LPITEMIDLIST first = ILCloneFirst(List);
  const bool inNetwork = first && IsSpecialFolder(desktop, first, CSIDL_NETWORK);
  FreeIDList(first);
  return inNetwork;
}

bool IDListIsSpecialFolder(LPCITEMIDLIST List, int32_t CSIDL) {
  IShellFolder* desktop = Desktop();
  return List && desktop && IsSpecialFolder(desktop, List, CSIDL);
}

String PathFromIDList(LPCITEMIDLIST List) {
  IShellFolder* desktop = Desktop();
  if (!List || !desktop) return String();
  // Top-level objects without find data (the desktop, Computer, Trash) are
  // virtual: they have no path. Home has one.
  if (IDListCount(List) < 2 && !IsSpecialFolder(desktop, List, CSIDL_PERSONAL)) {
    WIN32_FIND_DATA data;
    if (FAILED(SHGetDataFromIDList(desktop, List, SHGDFIL_FINDDATA, &data, int32_t(sizeof data)))) return String();
  }
  String path;
  return SHGetPathFromIDList(List, path) ? path : String();
}

String StrRetToString(LPCITEMIDLIST List, STRRET& StrRet) {
  String text;
  return SUCCEEDED(StrRetToStr(&StrRet, List, text)) ? text : String();
}

void FreeStrRet(STRRET& StrRet) {
  if (StrRet.uType != STRRET_WSTR || !StrRet.pOleStr) return;
  CoTaskMemFree(StrRet.pOleStr);
  StrRet.pOleStr = nullptr;
}

std::unique_ptr<TStringList> DropHandleToList(HDROP Drop) {
  if (!Drop) return nullptr;
  const uint32_t count = DragQueryFile(Drop, 0xFFFFFFFFu, nullptr, 0);
  if (count == 0) return nullptr;
  auto list = std::make_unique<TStringList>();
  for (uint32_t i = 0; i < count; ++i) {
    // The length first, then the whole name: no name is ever cut.
    String name(DragQueryFile(Drop, i, nullptr, 0), '\0');
    DragQueryFile(Drop, i, name.data(), uint32_t(name.size() + 1));
    list->Add(name);
  }
  return list;
}

// ---- Strings and files ----------------------------------------------------------------------------

String GetSystemErrorText(uint32_t ErrorCode) {
  String text;
  FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ErrorCode, 0, text);
  return text;
}

String AddBackslash(const String& Path) {
  if (Path.empty() || Path.back() == '/') return Path;
  return Path + "/";
}

bool IsDriveRoot(const String& Path) { return PathIsRoot(Path); }

namespace {

// The entry FindFirst finds for the path itself (not following a final link).
bool FindEntry(const String& Path, TSearchRec& Rec) {
  const bool found = !Path.empty() && FindFirst(Path, faAnyFile, Rec) == 0;
  FindClose(Rec);
  return found;
}

}  // namespace

bool PathExists(const String& Path) {
  TSearchRec rec;
  return IsDriveRoot(Path) || FindEntry(Path, rec);
}

int64_t FindFileSize(const String& Path) {
  TSearchRec rec;
  return FindEntry(Path, rec) ? rec.Size : -1;
}

String RelativePath(const String& Base, const String& Path) {
  String base = Base;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base.empty() || Path.compare(0, base.size(), base) != 0) return String();
  String rest = Path.substr(base.size());
  // The shared run must end at a folder boundary: "/data" is no base of "/database".
  if (!rest.empty() && base.back() != '/') {
    if (rest.front() != '/') return String();
    rest.erase(0, 1);
  }
  return rest.empty() ? String(".") : rest;
}

bool EnableFolderAutoComplete(TWinControl* Edit) {
  const TShellObjects& o = ShellObjects();
  if (!Edit || !o.AutoComplete || !o.NTFamily || o.MajorVersion < 5) return false;
  return o.AutoComplete(Edit->Handle(), SHACF_FILESYS_DIRS | SHACF_AUTOSUGGEST_FORCE_ON | SHACF_AUTOAPPEND_FORCE_OFF) ==
         S_OK;
}
