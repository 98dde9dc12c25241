// The non-visual shell browser: stands on one folder of the shell namespace
// and one current object in it. It binds folders by path, item-ID list or
// special folder, walks a folder's objects through a wildcard filter, names
// and renames objects, answers their attributes, icons and details columns,
// and watches the folder while OnFileChange is assigned. Every shell list and
// tree owns one; the application makes them to turn an item-ID list into a
// path. It also runs the shell's context menu merged with the caller's own
// items, runs verbs without a menu, resolves links to folders and extracts
// thumbnails. A browser is used by one thread at a time; menus and verbs
// belong to the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/gdi.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "shell/dirmon.h"
#include "shell/idlists.h"

class TMenuItem;
class TPopupMenu;

RTL_DECLARE_EXCEPTION(EShellBrowserError, Exception);

using TOnContextMenuSelectEvent = std::function<void(const String& Command, bool& Execute)>;

class TShellBrowser : public TComponent {
 public:
  explicit TShellBrowser(TComponent* AOwner);
  ~TShellBrowser() override;
  const char* ClassName() const override { return "TShellBrowser"; }
  void Loaded() override;

  // ---- Folder ----
  // The folder's path with a trailing "/"; empty for folders outside the
  // file system (Computer, the desktop, Trash).
  const String& Folder() const { return FFolder; }
  // "" binds to Computer. Raises EShellBrowserError for a path that does
  // not parse; the browser stays as it was.
  void SetFolder(const String& Path);
  // Binds to a copy of the list. A failed bind raises EShellBrowserError and
  // leaves the browser as it was. Nil only drops the folder's list.
  void SetFolderIDList(LPCITEMIDLIST List);
  LPITEMIDLIST GetFolderIDList() const;  // a copy; the caller frees it
  bool SetSpecialFolder(TZavShellFolder Value);
  // The parent becomes the folder and the folder left the current object;
  // the desktop stays. Always true.
  bool GoUp();
  // The list without its last item becomes the folder, the last item the
  // current object. Nil does nothing.
  void SelectAbsoluteIDList(LPCITEMIDLIST List);
  // Binds to the current object when it is a folder.
  bool EnterFolder();
  IShellFolder* ShellFolder() const { return FShellFolder.Get(); }

  // ---- Current object ----
  // Keeps a copy; nil clears the object.
  void SetCurrentIDList(LPCITEMIDLIST List);
  LPITEMIDLIST GetCurrentIDList() const;  // a copy; the caller frees it
  // Folder list + object list, owned by the browser until the object changes.
  LPCITEMIDLIST GetAbsoluteIDList();
  // The object's file name; a volume's root path whole.
  String GetObjectName();
  String ObjectName() { return GetObjectName(); }
  // Selects an object by name in the folder, or by path (moving the folder).
  void SetObjectName(const String& Name);
  String GetDisplayName();
  // Renames the object; Name becomes its display name. A failure leaves it.
  void Rename(String& Name);
  uint32_t GetAttributes(uint32_t Mask);
  bool IsFolder() { return GetAttributes(SFGAO_FOLDER) != 0; }
  bool IsLink() { return GetAttributes(SFGAO_LINK) != 0; }
  bool IsHidden() { return GetAttributes(SFGAO_HIDDEN) != 0; }
  bool CanRename() { return GetAttributes(SFGAO_CANRENAME) != 0; }
  bool HasSubFolders();
  String GetNetworkName();
  int32_t GetFolderSpecialFolder();
  int32_t GetObjectSpecialFolder();

  // ---- Icons (indexes into the system image list) ----
  int32_t GetIconIndex();
  int32_t GetOpenIconIndex();
  int32_t GetDesktopIconIndex();
  String GetDesktopName();
  // The common closed-folder image (that of the temporary-files folder).
  static int32_t GetFolderImageIndex();
  int32_t GetOverlayImageIndex() { return -1; }

  // ---- Enumeration and filter ----
  // The next object of the folder that passes the filters; false at the
  // end, after which the walk starts again.
  bool Next();
  // ";"-separated wildcard patterns; "" counts as "*".
  String GetFilter() const;
  void SetFilter(const String& Text);
  bool MatchesFilter();
  // "*" any run, "?" any one character; letters compared without case.
  static bool MatchWildcard(const String& Name, const String& Pattern);

  // ---- Details columns ----
  bool HasDetails();
  // A column's caption (Header) or the current object's text in it.
  String GetDetails(int32_t Column, bool Header);
  TAlignment GetColumnInfo(int32_t Column, int32_t& Width);

  // ---- Other ----
  HWND OwnerWindow();
  const TNotifyEvent& OnFileChange() const { return FOnFileChange; }
  // Assigned: the folder is watched and each change calls the handler on
  // this thread. Cleared: the watch ends.
  void SetOnFileChange(TNotifyEvent Handler);
  void DoFileChange();
  // ---- Actions on the current object, or on the names in MultiObjects ----
  // (MultiObjects is emptied by each of these that uses it.)
  // Shows the shell's verbs followed by copies of Menu's items (and their
  // direct sub-items) at the screen point. A chosen own item runs its click
  // handler with the copy as sender; a chosen verb runs unless
  // OnContextMenuSelect, or without it ReadOnly for "delete", "cut" and
  // "paste", refuses it. Verb is the verb that ran, "" otherwise (also for
  // a delete that left the first object in place).
  void PopupShellMenu(const TPoint& Point, TPopupMenu* Menu, String& Verb);
  // Runs a verb without a menu ("" or "default": the default verb;
  // "rename": OnRename). True when the shell ran it.
  bool ExecuteVerb(const String& Verb);
  // The shell menu's owner-drawn messages; the platform's menus draw
  // themselves, so nothing is forwarded.
  void HandleMenuMessage(TMessage&) {}
  // The target folder of a link (a .desktop link or a symbolic link) to a
  // folder; "" for anything else.
  String ResolveLink();
  // The object's thumbnail fitting Width x Height (64 x 64 when either is 0
  // or less), never enlarged; the caller deletes it. Nil when the object
  // gives none. Safe on a worker thread that owns this browser.
  HBITMAP ExtractThumbnail(int32_t Width, int32_t Height);
  // A copy of Item for the merged menu: caption, short-cut, click handler,
  // break, checked, default, enabled, group, help context, radio item, tag,
  // visibility, name and image index. It has no owner: the menu it is added
  // to frees it.
  TMenuItem* CloneMenuItem(TMenuItem* Item);

  bool FileSystemOnly() const { return FFileSystemOnly; }
  void SetFileSystemOnly(bool Value) { FFileSystemOnly = Value; }
  TStringList* MultiObjects() const { return FMultiObjects.get(); }
  bool ShowErrorMessages() const { return FShowErrorMessages; }
  void SetShowErrorMessages(bool Value) { FShowErrorMessages = Value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  String Version() const { return String(ClassName()) + " V3.02"; }
  void SetVersion(const String&) {}

  TNotifyEvent OnRename;
  TOnContextMenuSelectEvent OnContextMenuSelect;

 private:
  void ClearDetails();
  bool FetchFindData();
  bool KeepOutsideFileSystem();
  String SizeText();
  struct TActedObjects;
  TActedObjects CollectObjects();
  String ObjectPath(LPCITEMIDLIST Item, const String& Name);
  ComPtr<IContextMenu> ContextMenuOf(const TActedObjects& Objects, HRESULT& Result);
  std::unique_ptr<TPopupMenu> MergedPopup(TPopupMenu* Menu);
  String TrackShellMenu(IContextMenu* Shell, TPopupMenu* Popup, const TPoint& Point, TPopupMenu* Menu);
  String RunChosenCommand(IContextMenu* Shell, uint32_t Command);
  bool MayRun(const String& Verb);
  HRESULT RunVerb(IContextMenu* Shell, const String& Verb);

  String FFolder;
  LPITEMIDLIST FFolderIDList = nullptr;
  ComPtr<IShellFolder> FShellFolder;
  LPITEMIDLIST FObjectIDList = nullptr;
  LPITEMIDLIST FAbsoluteIDList = nullptr;
  ComPtr<IEnumIDList> FEnumList;
  bool FFileSystemOnly = false;
  std::unique_ptr<TStringList> FMultiObjects;
  std::unique_ptr<TStringList> FFilterList;
  ComPtr<IUnknown> FShellDetails;
  ComPtr<IUnknown> FShellFolder2;
  bool FNoDetails = false;
  WIN32_FIND_DATA FFindData;
  bool FFindDataValid = false;
  TNotifyEvent FOnFileChange;
  TDirMon* FDirMon = nullptr;
  bool FWasLoaded = false;
  bool FReadOnly = false;
  int32_t FHasSubFolders = -1;
  bool FShowErrorMessages = true;
};

// The text of the Changed column: the local date and time in the short
// formats; "" for a time whose high word is 0.
String FileTimeToText(const FILETIME& Time);
