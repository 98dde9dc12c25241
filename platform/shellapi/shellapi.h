// Shell services on paths: opening documents, the file operation engine
// (copy, move, rename, delete to the trash), file information with the
// system image lists, the freedesktop trash and the UI hooks the dialog
// layer installs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/rtl/winerror.h"
#include "platform/shellapi/shlobj.h"

// ---- Opening -----------------------------------------------------------------------------
inline constexpr uint32_t SE_ERR_FNF = 2;
inline constexpr uint32_t SE_ERR_PNF = 3;
inline constexpr uint32_t SE_ERR_ACCESSDENIED = 5;
inline constexpr uint32_t SE_ERR_OOM = 8;
inline constexpr uint32_t SE_ERR_NOASSOC = 31;

// Hands a document, folder or URL to the launcher, with directory as the
// child's working folder (the program's own never changes). The answer, as
// an integer in the handle: > 32 when an opener started; ERROR_FILE_NOT_FOUND
// for a missing file; SE_ERR_NOASSOC for a program file (never run), an
// unknown operation, or when no opener can be started. Operations: nullptr,
// "open", "explore".
HINSTANCE ShellExecute(HWND hwnd, const char* operation, const char* file, const char* parameters,
                       const char* directory, int32_t showCmd);
inline uintptr_t ShellExecuteResult(HINSTANCE h) { return reinterpret_cast<uintptr_t>(h); }

// Starts the opener for target (a path or URL) with the working folder dir;
// true when it started. The default spawns "xdg-open TARGET" (or
// "gio open TARGET" without xdg-open) found in PATH, with an argument vector
// and no shell, detached and reaped.
using TShellLauncher = std::function<bool(const String& target, const String& directory)>;
// An empty function restores the default.
void SetShellLauncher(TShellLauncher launcher);
// Waits (up to timeoutMs) until every opener the default launcher started
// has ended; true when none is left.
bool WaitForShellLaunches(uint32_t timeoutMs);

// ---- File operations ----------------------------------------------------------------------
inline constexpr uint32_t FO_MOVE = 1;
inline constexpr uint32_t FO_COPY = 2;
inline constexpr uint32_t FO_DELETE = 3;
inline constexpr uint32_t FO_RENAME = 4;

inline constexpr uint16_t FOF_MULTIDESTFILES = 0x0001;
inline constexpr uint16_t FOF_SILENT = 0x0004;
inline constexpr uint16_t FOF_RENAMEONCOLLISION = 0x0008;
inline constexpr uint16_t FOF_NOCONFIRMATION = 0x0010;
inline constexpr uint16_t FOF_ALLOWUNDO = 0x0040;
inline constexpr uint16_t FOF_NOERRORUI = 0x0400;

struct SHFILEOPSTRUCT {
  HWND hwnd = nullptr;
  uint32_t wFunc = 0;
  std::vector<String> pFrom;
  // FO_COPY / FO_MOVE: the target folder; FO_RENAME: the new path.
  std::vector<String> pTo;
  uint16_t fFlags = 0;
  bool fAnyOperationsAborted = false;
  void* hNameMappings = nullptr;
  String lpszProgressTitle;
};

// Synchronous. Nothing is ever replaced: a name taken in the target becomes
// "stem (2).ext", "stem (3).ext" ... (also for a copy into its own folder);
// FOF_ALLOWUNDO and FOF_RENAMEONCOLLISION are always in force. A file is
// copied to an exclusive temporary name in the target (mode without set-id
// bits, mtime, synced) and renamed into place; links are copied as links,
// special files skipped, folders recursively. A move renames without
// replacing; across file systems it copies everything first and removes the
// sources only once all of it succeeded. A folder into itself or below it is
// refused. FO_DELETE moves to the trash (asking first unless
// FOF_NOCONFIRMATION; a declined question sets fAnyOperationsAborted and
// answers ERROR_CANCELLED). A failure leaves every source and removes only
// what the operation made. Answers 0 or a system error code.
int32_t SHFileOperation(SHFILEOPSTRUCT* op);

// For tests: called before each rename and each data write of the engine
// with the step ("rename", "write") and the path; a nonzero answer is taken
// as that errno. An empty function removes the hook.
void SetFileOperationFaultHook(std::function<int(const char* step, const String& path)> hook);

// ---- Trash ---------------------------------------------------------------------------------
// Moves the item to the freedesktop trash of its file system: the home trash
// ($XDG_DATA_HOME/Trash) for items on its file system, else $topdir/.Trash/$uid
// (sticky, not a link) or $topdir/.Trash-$uid. The .trashinfo is reserved
// first (exclusive create); the item is then renamed into files/. Answers 0
// or a system error code; the item stays when no trash can take it.
uint32_t MoveToTrash(const String& path);

struct TTrashEntry {
  String Name;          // the name in Trash/files
  String OriginalPath;  // decoded Path= (absolute)
  String DeletionDate;  // as written
};
// The entries of the home trash, by name.
std::vector<TTrashEntry> ListHomeTrash();

// ---- File information and icons -----------------------------------------------------------
inline constexpr uint32_t SHGFI_LARGEICON = 0x0000;
inline constexpr uint32_t SHGFI_SMALLICON = 0x0001;
inline constexpr uint32_t SHGFI_OPENICON = 0x0002;
inline constexpr uint32_t SHGFI_PIDL = 0x0008;
inline constexpr uint32_t SHGFI_USEFILEATTRIBUTES = 0x0010;
inline constexpr uint32_t SHGFI_ICON = 0x0100;
inline constexpr uint32_t SHGFI_DISPLAYNAME = 0x0200;
inline constexpr uint32_t SHGFI_TYPENAME = 0x0400;
inline constexpr uint32_t SHGFI_ATTRIBUTES = 0x0800;
inline constexpr uint32_t SHGFI_SYSICONINDEX = 0x4000;

struct SHFILEINFO {
  HICON hIcon = nullptr;  // with SHGFI_ICON; the caller destroys it
  int32_t iIcon = -1;
  uint32_t dwAttributes = 0;  // SFGAO_* with SHGFI_ATTRIBUTES
  String szDisplayName;
  String szTypeName;
};

// Information on a path (or, with SHGFI_PIDL, an absolute list). With
// SHGFI_USEFILEATTRIBUTES the path need not exist and attributes
// (FILE_ATTRIBUTE_DIRECTORY) says what it is. With SHGFI_SYSICONINDEX the
// answer is the system image list (16 px with SHGFI_SMALLICON, else 32 px);
// otherwise nonzero on success. 0 on failure.
uintptr_t SHGetFileInfo(const String& path, uint32_t attributes, SHFILEINFO* info, uint32_t size, uint32_t flags);
uintptr_t SHGetFileInfo(PCIDLIST_ABSOLUTE pidl, uint32_t attributes, SHFILEINFO* info, uint32_t size, uint32_t flags);
// The process-wide image lists (made on first use): one index per icon in
// both sizes. They belong to the system: callers share the handle and must
// neither destroy nor change it.
HIMAGELIST ShellSystemImageList(bool small);
// The index of a built-in icon by its freedesktop name ("folder",
// "image-x-generic", ...); -1 for an unknown name.
int32_t ShellIconIndex(const String& iconName);

// ---- The notification area -----------------------------------------------------------------
inline constexpr uint32_t NIM_ADD = 0;
inline constexpr uint32_t NIM_MODIFY = 1;
inline constexpr uint32_t NIM_DELETE = 2;
inline constexpr uint32_t NIF_MESSAGE = 1;
inline constexpr uint32_t NIF_ICON = 2;
inline constexpr uint32_t NIF_TIP = 4;

// An icon of the area is known by its window and id. The tip is a
// NUL-terminated UTF-8 string.
struct NOTIFYICONDATA {
  uint32_t cbSize = 0;
  HWND hWnd = nullptr;
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  HICON hIcon = nullptr;
  char szTip[128] = {};
};

// Where the icons are shown.
class TNotifyAreaBackend {
 public:
  virtual ~TNotifyAreaBackend() = default;
  virtual bool NotifyIcon(uint32_t message, const NOTIFYICONDATA& data) = 0;
};

// Installs an area (the caller keeps it; nullptr uninstalls). Without one
// every call answers false, as on a desktop with no area.
void SetNotifyAreaBackend(TNotifyAreaBackend* backend);
bool Shell_NotifyIcon(uint32_t message, const NOTIFYICONDATA* data);

// An area in memory: what it shows can be read, and the user's clicks and a
// restart of the area (which broadcasts "TaskbarCreated") can be played.
class TMemoryNotifyArea : public TNotifyAreaBackend {
 public:
  struct TIcon {
    HWND Wnd = nullptr;
    uint32_t Id = 0;
    uint32_t CallbackMessage = 0;
    HICON Icon = nullptr;
    String Tip;
  };
  bool NotifyIcon(uint32_t message, const NOTIFYICONDATA& data) override;
  const std::vector<TIcon>& Icons() const { return FIcons; }
  const TIcon* Find(HWND wnd, uint32_t id) const;
  // Posts the callback message with each mouse message in lParam: a click
  // is a button-down and -up, a double click down, up, double-click, up.
  bool Click(HWND wnd, uint32_t id, bool right = false);
  bool DoubleClick(HWND wnd, uint32_t id);
  // The area starts again empty and tells every window.
  void Restart();

 private:
  bool Post(HWND wnd, uint32_t id, std::initializer_list<uint32_t> mouse);
  std::vector<TIcon> FIcons;
};
