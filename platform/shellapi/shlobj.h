// The shell namespace over the POSIX file system: folders and their items,
// attributes, display names, order, special folders, verbs, thumbnails and
// links, with the shell's names, shapes and numbers.
//
// The desktop (the empty list, "Desktop") holds Home ($HOME), Computer (the
// volumes: "/" first, then mounts under /media, /run/media/$USER and /mnt),
// Trash (the entries of the home trash) and the entries of the XDG desktop
// folder. Folder objects hold only their absolute list and path; they are
// immutable and may be used from any thread. Menus, message boxes and the UI
// hooks belong to the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/win_ole.h"
#include "platform/gui/windows.h"
#include "platform/rtl/filetime.h"
#include "platform/rtl/kernelsync.h"
#include "platform/rtl/winerror.h"
#include "platform/shellapi/comframe.h"
#include "platform/shellapi/idlist.h"

// ---- Names ---------------------------------------------------------------------------
inline constexpr uint32_t STRRET_WSTR = 0;
inline constexpr uint32_t STRRET_OFFSET = 1;
inline constexpr uint32_t STRRET_CSTR = 2;

// A name handed out by a folder. STRRET_WSTR: pOleStr from the task
// allocator (the receiver frees it); STRRET_CSTR: the bytes in cStr (used
// for a parsing name that is not valid UTF-8, so its bytes survive);
// STRRET_OFFSET: a zero-terminated text at uOffset inside the item.
struct STRRET {
  uint32_t uType = STRRET_WSTR;
  char16_t* pOleStr = nullptr;
  uint32_t uOffset = 0;
  String cStr;
};
// The text of the record (UTF-8 from STRRET_WSTR, the bytes of the other
// kinds) and frees pOleStr. E_INVALIDARG for a bad record.
HRESULT StrRetToStr(STRRET* strret, PCUITEMID_CHILD pidl, String& out);

// ---- Enumeration ---------------------------------------------------------------------------
inline constexpr uint32_t SHCONTF_FOLDERS = 0x20;
inline constexpr uint32_t SHCONTF_NONFOLDERS = 0x40;
inline constexpr uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;

struct IEnumIDList : IUnknown {
  // Up to count new child lists (the caller frees them); S_OK when all were
  // given, S_FALSE otherwise.
  virtual HRESULT Next(uint32_t count, PITEMID_CHILD* items, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumIDList** clone) = 0;
};

// ---- Attributes ----------------------------------------------------------------------------
using SFGAOF = uint32_t;
inline constexpr SFGAOF SFGAO_CANCOPY = 0x00000001;
inline constexpr SFGAOF SFGAO_CANMOVE = 0x00000002;
inline constexpr SFGAOF SFGAO_CANLINK = 0x00000004;
inline constexpr SFGAOF SFGAO_CANRENAME = 0x00000010;
inline constexpr SFGAOF SFGAO_CANDELETE = 0x00000020;
inline constexpr SFGAOF SFGAO_HASPROPSHEET = 0x00000040;
inline constexpr SFGAOF SFGAO_DROPTARGET = 0x00000100;
inline constexpr SFGAOF SFGAO_LINK = 0x00010000;
inline constexpr SFGAOF SFGAO_READONLY = 0x00040000;
inline constexpr SFGAOF SFGAO_HIDDEN = 0x00080000;
inline constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
inline constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
inline constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000;

// ---- Display names ---------------------------------------------------------------------
inline constexpr uint32_t SHGDN_NORMAL = 0x0000;
inline constexpr uint32_t SHGDN_INFOLDER = 0x0001;
inline constexpr uint32_t SHGDN_FOREDITING = 0x1000;
inline constexpr uint32_t SHGDN_FORADDRESSBAR = 0x4000;
inline constexpr uint32_t SHGDN_FORPARSING = 0x8000;

// CompareIDs: the column in the low word; these bits above it.
inline constexpr uint32_t SHCIDS_ALLFIELDS = 0x80000000u;
inline constexpr uint32_t SHCIDS_CANONICALONLY = 0x10000000u;
inline constexpr uint32_t SHCIDS_COLUMNMASK = 0x0000FFFFu;
// The signed result CompareIDs carries in its low 16 bits.
constexpr int16_t CompareIDsResult(HRESULT hr) { return static_cast<int16_t>(static_cast<uint32_t>(hr) & 0xFFFF); }

// ---- Folders -------------------------------------------------------------------------------
struct IShellFolder : IUnknown {
  // A path or name relative to this folder becomes a list relative to it.
  // The desktop takes absolute paths and "::Home", "::Computer", "::Trash".
  virtual HRESULT ParseDisplayName(HWND hwnd, void* bindCtx, const String& displayName, uint32_t* eaten,
                                   PIDLIST_RELATIVE* pidl, SFGAOF* attributes) = 0;
  virtual HRESULT EnumObjects(HWND hwnd, uint32_t flags, IEnumIDList** enumList) = 0;
  virtual HRESULT BindToObject(PCUIDLIST_RELATIVE pidl, void* bindCtx, REFIID riid, void** object) = 0;
  virtual HRESULT BindToStorage(PCUIDLIST_RELATIVE pidl, void* bindCtx, REFIID riid, void** object) = 0;
  virtual HRESULT CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) = 0;
  virtual HRESULT CreateViewObject(HWND owner, REFIID riid, void** object) = 0;
  // In: the attributes asked; out: those that hold for every item given.
  virtual HRESULT GetAttributesOf(uint32_t count, PCUITEMID_CHILD_ARRAY items, SFGAOF* inOut) = 0;
  virtual HRESULT GetUIObjectOf(HWND owner, uint32_t count, PCUITEMID_CHILD_ARRAY items, REFIID riid,
                                uint32_t* reserved, void** object) = 0;
  virtual HRESULT GetDisplayNameOf(PCUITEMID_CHILD pidl, uint32_t flags, STRRET* name) = 0;
  virtual HRESULT SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, const String& name, uint32_t flags,
                            PITEMID_CHILD* newPidl) = 0;
};

// The one desktop folder (with a reference for the caller). Always S_OK.
HRESULT SHGetDesktopFolder(IShellFolder** folder);

// ---- Special folders -----------------------------------------------------------------------
inline constexpr int32_t CSIDL_DESKTOP = 0x00;
inline constexpr int32_t CSIDL_INTERNET = 0x01;
inline constexpr int32_t CSIDL_PROGRAMS = 0x02;
inline constexpr int32_t CSIDL_CONTROLS = 0x03;
inline constexpr int32_t CSIDL_PRINTERS = 0x04;
inline constexpr int32_t CSIDL_PERSONAL = 0x05;
inline constexpr int32_t CSIDL_FAVORITES = 0x06;
inline constexpr int32_t CSIDL_STARTUP = 0x07;
inline constexpr int32_t CSIDL_RECENT = 0x08;
inline constexpr int32_t CSIDL_SENDTO = 0x09;
inline constexpr int32_t CSIDL_BITBUCKET = 0x0A;
inline constexpr int32_t CSIDL_STARTMENU = 0x0B;
inline constexpr int32_t CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int32_t CSIDL_DRIVES = 0x11;
inline constexpr int32_t CSIDL_NETWORK = 0x12;
inline constexpr int32_t CSIDL_NETHOOD = 0x13;
inline constexpr int32_t CSIDL_FONTS = 0x14;
inline constexpr int32_t CSIDL_TEMPLATES = 0x15;
inline constexpr int32_t CSIDL_COMMON_STARTMENU = 0x16;
inline constexpr int32_t CSIDL_COMMON_PROGRAMS = 0x17;
inline constexpr int32_t CSIDL_COMMON_STARTUP = 0x18;
inline constexpr int32_t CSIDL_COMMON_DESKTOPDIRECTORY = 0x19;
inline constexpr int32_t CSIDL_APPDATA = 0x1A;
inline constexpr int32_t CSIDL_PRINTHOOD = 0x1B;
inline constexpr int32_t CSIDL_LOCAL_APPDATA = 0x1C;
inline constexpr int32_t CSIDL_ALTSTARTUP = 0x1D;
inline constexpr int32_t CSIDL_COMMON_FAVORITES = 0x1F;
inline constexpr int32_t CSIDL_INTERNET_CACHE = 0x20;
inline constexpr int32_t CSIDL_COOKIES = 0x21;
inline constexpr int32_t CSIDL_HISTORY = 0x22;
inline constexpr int32_t CSIDL_COMMON_APPDATA = 0x23;
inline constexpr int32_t CSIDL_SYSTEM = 0x25;
inline constexpr int32_t CSIDL_PROGRAM_FILES = 0x26;
inline constexpr int32_t CSIDL_MYPICTURES = 0x27;
inline constexpr int32_t CSIDL_PROGRAM_FILES_COMMON = 0x2B;
inline constexpr int32_t CSIDL_COMMON_DOCUMENTS = 0x2E;
inline constexpr int32_t CSIDL_FLAG_MASK = 0xFF00;

// The folder's absolute list: the desktop, Computer, Trash and Home as
// virtual items, file-system folders as parsed paths. E_FAIL for folders
// that do not exist here (network, printers, control panel, ...), and for a
// user folder that is missing.
HRESULT SHGetSpecialFolderLocation(HWND owner, int32_t csidl, PIDLIST_ABSOLUTE* pidl);
// The folder's path (no trailing "/"). APPDATA, LOCAL_APPDATA and
// INTERNET_CACHE are made (0700) when missing. E_FAIL for virtual folders
// and those that do not exist.
HRESULT SHGetFolderPath(HWND owner, int32_t csidl, HANDLE token, uint32_t flags, String& path);

// The path of an absolute list: no trailing "/" except on volume roots
// ("/", "/media/u/USB/"); false for the desktop, Computer and Trash.
bool SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, String& path);

inline constexpr int32_t SHGDFIL_FINDDATA = 1;
inline constexpr int32_t SHGDFIL_NETRESOURCE = 2;
// Find data of a file-system entry of the folder (size is ignored; the
// record is a WIN32_FIND_DATA). Volumes and virtual items fail (E_INVALIDARG),
// as does SHGDFIL_NETRESOURCE.
HRESULT SHGetDataFromIDList(IShellFolder* folder, PCUITEMID_CHILD pidl, int32_t format, void* data, int32_t size);

// ---- Verbs ----------------------------------------------------------------------------------
inline constexpr uint32_t CMF_NORMAL = 0x00;
inline constexpr uint32_t CMF_DEFAULTONLY = 0x01;
inline constexpr uint32_t CMF_VERBSONLY = 0x02;
inline constexpr uint32_t CMF_EXPLORE = 0x04;
inline constexpr uint32_t CMF_CANRENAME = 0x10;

inline constexpr uint32_t GCS_VERBA = 0x0;
inline constexpr uint32_t GCS_HELPTEXTA = 0x1;
inline constexpr uint32_t GCS_VALIDATEA = 0x2;

inline constexpr uint32_t CMIC_MASK_FLAG_NO_UI = 0x00000400;

// lpVerb: a verb index (MAKEINTRESOURCE) or the verb's text.
struct CMINVOKECOMMANDINFO {
  uint32_t cbSize = sizeof(CMINVOKECOMMANDINFO);
  uint32_t fMask = 0;
  HWND hwnd = nullptr;
  const char* lpVerb = nullptr;
  const char* lpParameters = nullptr;
  const char* lpDirectory = nullptr;
  int32_t nShow = 1;
  uint32_t dwHotKey = 0;
  HANDLE hIcon = nullptr;
};

inline const char* MAKEINTRESOURCEA(uintptr_t i) { return reinterpret_cast<const char*>(i & 0xFFFF); }
inline bool IS_INTRESOURCE(const void* p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }

struct IContextMenu : IUnknown {
  // Inserts the verbs at index with commands from idCmdFirst (command =
  // idCmdFirst + verb index); answers MAKE_HRESULT(0, 0, commands used).
  virtual HRESULT QueryContextMenu(HMENU menu, uint32_t index, uint32_t idCmdFirst, uint32_t idCmdLast,
                                   uint32_t flags) = 0;
  virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) = 0;
  // The verb (GCS_VERBA) or a help line (GCS_HELPTEXTA) of a verb index.
  virtual HRESULT GetCommandString(uintptr_t idCmd, uint32_t type, uint32_t* reserved, String& name) = 0;
};

// ---- Thumbnails ----------------------------------------------------------------------------
inline constexpr uint32_t IEIFLAG_ASYNC = 0x0001;
inline constexpr uint32_t IEIFLAG_CACHE = 0x0002;
inline constexpr uint32_t IEIFLAG_ASPECT = 0x0004;
inline constexpr uint32_t IEIFLAG_OFFLINE = 0x0008;
inline constexpr uint32_t IEIFLAG_SCREEN = 0x0020;
inline constexpr uint32_t IEIFLAG_ORIGSIZE = 0x0040;

struct IExtractImage : IUnknown {
  // Stores the size, priority and flags; the location text is the file's
  // path. Always S_OK (never E_PENDING).
  virtual HRESULT GetLocation(String& location, uint32_t* priority, const TSize* size, uint32_t colorDepth,
                              uint32_t* flags) = 0;
  // A 24-bit DIB section that fits the size asked with its aspect kept and is
  // never enlarged (the caller deletes it); a failed result when the file
  // gives no picture.
  virtual HRESULT Extract(HBITMAP* bitmap) = 0;
};

// ---- Links ---------------------------------------------------------------------------------
struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistFile : IPersist {
  virtual HRESULT IsDirty() = 0;  // S_FALSE: nothing changed since the load
  virtual HRESULT Load(const String& fileName, uint32_t mode) = 0;
  virtual HRESULT Save(const String& fileName, bool remember) = 0;
  virtual HRESULT SaveCompleted(const String& fileName) = 0;
  virtual HRESULT GetCurFile(String& fileName) = 0;
};

inline constexpr uint32_t SLGP_SHORTPATH = 0x1;
inline constexpr uint32_t SLGP_UNCPRIORITY = 0x2;
inline constexpr uint32_t SLGP_RAWPATH = 0x4;

struct IShellLinkA : IUnknown {
  // The local target path and, when data is given, its find data
  // (FILE_ATTRIBUTE_DIRECTORY for a folder); S_FALSE with an empty path
  // when the link has no local target.
  virtual HRESULT GetPath(String& file, WIN32_FIND_DATA* data, uint32_t flags) = 0;
  virtual HRESULT GetDescription(String& description) = 0;
  virtual HRESULT SetPath(const String& file) = 0;
  virtual HRESULT SetDescription(const String& description) = 0;
  virtual HRESULT GetArguments(String& arguments) = 0;
  virtual HRESULT GetWorkingDirectory(String& dir) = 0;
  // Nothing to resolve here: S_OK.
  virtual HRESULT Resolve(HWND hwnd, uint32_t flags) = 0;
};
