// Private to platform/shellapi: item coding, the resolution of lists to
// places, and the factories the folders use for their UI objects.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <vector>

#include "platform/shellapi/shlobj.h"

// ---- Items ---------------------------------------------------------------------------
struct TItem {
  uint8_t Kind = 0;
  uint8_t Flags = 0;
  String Payload;
};
using TItems = std::vector<TItem>;

// Reads one item (its count already checked to fit); false for an unknown
// kind or a payload the kind does not allow.
bool DecodeItem(const uint8_t* item, size_t cb, TItem& out);
// Every item of a list; false when it is malformed or holds a foreign item.
bool DecodeList(PCUIDLIST_RELATIVE pidl, TItems& out);
// A new list of the items from the task allocator (nullptr without memory).
ITEMIDLIST* EncodeList(const TItems& items);
TItem FileItem(const String& name, uint8_t flags);
// The hint flags of an entry as lstat/stat see it now.
uint8_t EntryFlags(const String& path, const String& name, bool hiddenListed);

// ---- Places ----------------------------------------------------------------------------
enum class TLocKind : uint8_t { Desktop, Home, Computer, Volume, Trash, Entry };

struct TLocation {
  TLocKind Kind = TLocKind::Desktop;
  String Path;            // empty for the desktop, Computer
  bool InTrash = false;   // Trash or below it
  bool TrashTop = false;  // a direct entry of Trash (named by its .trashinfo)
};

// Where an absolute list leads; false for an impossible order of items.
bool ResolveItems(const TItems& abs, TLocation& loc);
// The place of child item of the folder place parent.
bool ChildLocation(const TLocation& parent, const TItem& child, TLocation& loc);
String JoinPath(const String& dir, const String& name);
// Absolute path with "." dropped, ".." popped and repeated "/" collapsed;
// links are not followed.
String ShellNormalizePath(const String& path);
String DesktopDirectory();
bool IsFolderLocation(const TLocation& loc);

// Names listed in the folder's .hidden file (read within 64 KiB).
std::vector<String> HiddenNames(const String& dir);
// Whether name is hidden in dir (a leading "." or listed in .hidden).
bool IsHiddenName(const String& dir, const String& name);

// ---- Attributes, names, order ---------------------------------------------------------
SFGAOF ItemAttributes(const TLocation& parent, const TItem& item, SFGAOF asked);
String ItemDisplayName(const TLocation& parent, const TItem& item);
// Whether the folder has a subfolder, scanning at most 4096 entries.
bool HasSubFolder(const String& dir);

// ---- Objects ---------------------------------------------------------------------------
IShellFolder* CreateShellFolder(const TItems& abs);
// The verbs of items of a folder, or of the folder's background (no items).
IContextMenu* CreateShellContextMenu(HWND owner, const TItems& folder, const TItems& items);
// A file-list data object: UTF-16 names, or 8-bit raw names when some path
// is not valid UTF-8.
IDataObject* CreateShellDataObject(const std::vector<String>& paths, uint32_t effect);
HGLOBAL CreateShellDropBlock(const std::vector<String>& paths);
IDropTarget* CreateFolderDropTarget(HWND owner, const String& folderPath);
IExtractImage* CreateThumbnailExtractor(const String& path);

// ---- Trash ------------------------------------------------------------------------------
String HomeTrashDir();
// The original path of a home-trash entry (from its .trashinfo), or "".
String TrashOriginalPath(const String& entryName);

// ---- Caches -----------------------------------------------------------------------------
void ShellResetMounts();
void ShellResetIcons();

// The paths the clipboard's CF_HDROP holds (raw bytes kept) and its
// preferred effect (DROPEFFECT_COPY when none is stated).
bool ClipboardFiles(std::vector<String>& paths, uint32_t& effect);
// Reads the names of a CF_HDROP block (UTF-16 converted, 8-bit kept).
std::vector<String> DropBlockFiles(HGLOBAL block);

// A new shell link object (IShellLinkA with IPersistFile), one reference.
IShellLinkA* CreateShellLinkObject();

// The type name of a file-system object ("JPEG image", "Folder", "TXT File").
String ShellTypeName(const String& path, bool isDir);
// Whether the mode bits (and a read-only mount) let us write / read the
// object; the bits are read as they stand, also for the superuser.
bool PathWritable(const String& path);
bool PathReadable(const String& path);
// Case-insensitive order with digit runs compared as numbers.
int NaturalCompare(const String& a, const String& b);
// Runs on the main thread only; RPC_E_WRONG_THREAD elsewhere.
bool OnMainThread();

// rename(2) that never replaces: renameat2(RENAME_NOREPLACE); where the file
// system refuses the flag, link + unlink for files and, for folders, a
// rename after lstat found the target absent. 0 or an errno value.
int ShellRenameNoReplace(const String& from, const String& to);
// "stem (2).ext", "stem (3).ext" ... the first name not taken in dir (name
// itself when free). Folders keep their whole name as the stem.
String FreeNameIn(const String& dir, const String& name, bool isDir);
// Asks "Move N item(s) to the Trash?" (Yes/No) through the application's
// message box; true for Yes. Main thread only.
bool ConfirmTrash(HWND owner, size_t count);
// Makes a symbolic link to target in dir under a free name; 0 or errno.
int MakeLinkIn(const String& dir, const String& target, String* made);
