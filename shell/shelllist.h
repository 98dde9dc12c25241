// The shell file list: a list view of the objects of one shell folder with
// their names, icons and details columns (text and icons asked on demand and
// kept by the control), optional thumbnails made by a worker thread, an
// optional parent-folder item, folders sorted first through the folder's own
// comparison, and an incremental refresh. It owns the browser that holds its
// folder; linked to a TZavShellLink it follows and drives the other linked
// controls.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/rtl/sets.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/timers.h"
#include "shell/idlists.h"
#include "shell/imagelists.h"
#include "shell/shell_dragdrop.h"
#include "shell/shellbrowser.h"
#include "shell/shelllink.h"
#include "shell/thumbthread.h"

enum class TZavShellShowOption : uint8_t {
  soShowNethood,
  soShowRecycleBin,
  soShowErrorMessages,
  soShowHidden,
  soShowFiles
};
using TZavShellShowOptions = Set<TZavShellShowOption>;

// The record of one list item (its Data), owned by the list.
struct TZavShellListItem {
  TZavShellListItem() = default;
  TZavShellListItem(const TZavShellListItem&) = delete;
  TZavShellListItem& operator=(const TZavShellListItem&) = delete;
  ~TZavShellListItem() { FreeIDList(IDList); }

  // Relative one-item list of the object in the list's folder; nil for the
  // parent-folder item.
  LPITEMIDLIST IDList = nullptr;
  int32_t Seen = 1;  // found again by the last refresh
  bool IsParentItem = false;
  std::unique_ptr<TBitmap> Thumbnail;
  bool IsFolder = false;
  // Tells a thumbnail for this record from one for a record made later.
  uint64_t Generation = 0;
};

using TOnAddItem = std::function<void(TListItem* Item, bool& CanAdd)>;
using TOnOperation =
    std::function<void(TObject* Sender, int32_t Operation, TStrings* Files, const String& Destination)>;

// Reported for items in the cut state that vanished from the folder.
inline constexpr int32_t ZavOperationCutVanished = 144;

class TZavShellList : public TCustomListView, public IShellDropHandler {
 public:
  explicit TZavShellList(TComponent* AOwner);
  ~TZavShellList() override;
  const char* ClassName() const override { return "TZavShellList"; }
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

  // Refills the list from the folder; false when it did not (loading,
  // disabled, busy in another fill, or any failure during the fill).
  bool Populate();
  // Finds the folder's objects again: adds the new, removes the vanished;
  // more than 300 items are filled again instead.
  void Refresh();
  // Refresh, 500 ms after the last call.
  void RefreshSoon();
  void GoUp();
  // Path and the object name of the item's object.
  String GetItemPath(TListItem* Item);

  // The folder's path with a trailing "/"; "" for virtual folders.
  String GetPath() const { return FBrowser->Folder(); }
  String Path() const { return GetPath(); }
  // Raises EShellBrowserError for a folder that cannot be bound (swallowed
  // while loading); then fills the list.
  void SetPath(const String& Value);
  String GetFilter() const { return FBrowser->GetFilter(); }
  String Filter() const { return GetFilter(); }
  void SetFilter(const String& Value);
  bool GetFileSystemOnly() const { return FBrowser->FileSystemOnly(); }
  bool FileSystemOnly() const { return GetFileSystemOnly(); }
  void SetFileSystemOnly(bool Value);
  TZavShellFolder GetSpecialFolder();
  TZavShellFolder SpecialFolder() { return GetSpecialFolder(); }
  void SetSpecialFolder(TZavShellFolder Value);

  // Any style but vsIcon turns thumbnails off.
  void SetViewStyle(TViewStyle Value);
  TViewStyle GetViewStyle() const { return ViewStyle(); }
  bool Thumbnails() const { return FThumbnails; }
  void SetThumbnails(bool Value);
  int32_t ThumbnailWidth() const { return FThumbnailImages->Width(); }
  void SetThumbnailWidth(int32_t Value) { FThumbnailImages->SetWidth(Value); }
  int32_t ThumbnailHeight() const { return FThumbnailImages->Height(); }
  void SetThumbnailHeight(int32_t Value) { FThumbnailImages->SetHeight(Value); }
  // The icon view's cell spacing (cx, cy).
  void SetIconSpacing(int32_t X, int32_t Y);

  bool Details() const { return FDetails; }
  void SetDetails(bool Value);
  bool ShowFolders() const { return FShowFolders; }
  void SetShowFolders(bool Value);
  bool ShowParentFolder() const { return FShowParentFolder; }
  void SetShowParentFolder(bool Value);
  TZavShellShowOptions ShowOptions() const { return FShowOptions; }
  void SetShowOptions(TZavShellShowOptions Value);
  bool GetShowHidden() const { return FShowOptions.Contains(TZavShellShowOption::soShowHidden); }
  bool ShowHidden() const { return GetShowHidden(); }
  void SetShowHidden(bool Value);
  bool OleDragDrop() const { return FOleDragDrop; }
  // On: the window takes drops (a refusal turns it off again).
  void SetOleDragDrop(bool Value);
  // Check boxes show each object's state in the link's checked selection.
  void SetCheckboxes(bool Value);
  bool ShellContextMenu() const { return FShellContextMenu; }
  void SetShellContextMenu(bool Value) { FShellContextMenu = Value; }
  bool CreateLinkOnDrop() const { return FCreateLinkOnDrop; }
  void SetCreateLinkOnDrop(bool Value) { FCreateLinkOnDrop = Value; }
  TPopupMenu* BackgroundPopupMenu() const { return FBackgroundPopupMenu; }
  void SetBackgroundPopupMenu(TPopupMenu* Value) { FBackgroundPopupMenu = Value; }
  TZavShellLink* ShellLink() const { return FShellLink; }
  void SetShellLink(TZavShellLink* Value);
  // A control of the host disabled while the thumbnail thread stops (so
  // that the user cannot switch tabs meanwhile); only Enabled is used.
  TWinControl* HostPageControl() const { return FHostPageControl; }
  void SetHostPageControl(TWinControl* Value);
  String Version() const { return String(ClassName()) + " V3.02"; }
  void SetVersion(const String&) {}

  TShellBrowser* Browser() const { return FBrowser; }
  // Objects found by the last fill or refresh, by kind (also those the list
  // does not show).
  int32_t FileCount() const { return FFileCount; }
  int32_t FolderCount() const { return FFolderCount; }
  int32_t SortColumn() const { return FSortColumn; }
  bool SortDescending() const { return FSortDescending; }
  // For each list column, the folder's details column it shows.
  int32_t ColumnMap(int32_t Column) const { return Column >= 0 && Column < 256 ? FColumnMap[Column] : -1; }
  static TZavShellListItem* Record(TListItem* Item) {
    return Item != nullptr ? static_cast<TZavShellListItem*>(Item->Data()) : nullptr;
  }

  // The object names of the selected items (built when asked); setting
  // them selects those items.
  TStrings* SelectedNames();
  void SetSelectedNames(TStrings* Value);
  // The first item from the top whose object the folder finds the same as
  // List (consumed); -1 when none.
  int32_t FindItemByIDList(LPITEMIDLIST List);
  // The first item whose caption equals Text ignoring case.
  TListItem* FindItemByCaption(const String& Text);

  // ---- Interaction ----
  // Runs a verb on the selected items; a folder or a link to one is
  // entered on "default" and "open", the parent item goes up. True when
  // the verb ran.
  bool ExecuteVerb(const String& Verb);
  // Runs the verb with the list's own folder as the object (Ctrl+V).
  bool PasteToFolder(const String& Verb);
  // The shell menu of the selected items at a screen point; Verb: what ran.
  void ShowShellMenu(const TPoint& Point, String& Verb);
  // The browser's MultiObjects get the selected names; false without any.
  bool FillMultiObjects();
  void EditSelectedCaption();
  HRESULT QueryContinueDrag(bool EscapePressed, uint32_t KeyState);
  HRESULT GiveFeedback(uint32_t) { return DRAGDROP_S_USEDEFAULTCURSORS; }
  HRESULT DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;

  void StartThumbnailThread();
  // Asks the thread to stop and waits for its end, pumping messages, at most
  // 5000 ms; then lets it go.
  void StopThumbnailThread();
  bool ThumbnailThreadRunning() const { return FThumbnailJob != nullptr; }
  // The index the thumbnail thread starts from (-1: none visible).
  int32_t FirstVisibleIndex() const { return FFirstVisible->load(); }

  TOnAddItem OnAddItem;
  TNotifyEvent OnPopulated;
  TNotifyEvent OnCreateColumns;
  TOnOperation OnOperation;
  TNotifyEvent OnBeforeDelete;
  TNotifyEvent OnAfterDelete;

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Change(TListItem* Item, uint32_t Change) override;
  void Delete(TListItem* Item) override;
  void ColClick(TListColumn* Column) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool CanEdit(TListItem* Item) override;
  void Edit(const LVITEM& Item) override;
  // Reports an operation (and frees the list); see the operation codes.
  void DoOperation(int32_t Operation, std::unique_ptr<TStringList> Files, const String& Destination);

 private:
  bool Loading() const { return ComponentState().Contains(TComponentStateItem::csLoading); }
  bool FillItems();
  void CreateColumns();
  void AddColumn(int32_t ShellColumn, const String& Caption);
  void AddItem();
  void AddParentItem(const String& Caption = String());
  TZavShellListItem* NewRecord(TListItem* Item);
  void FreeRecord(TListItem* Item);
  void AskDetailsOnDemand(TListItem* Item);
  void UpdateCheckState(TListItem* Item);
  std::unique_ptr<TBitmap> FolderPicture();
  void SortItems();
  int32_t CompareItems(TListItem* A, TListItem* B, int32_t Direction);
  void UpdateHeaderArrows();
  void SetHeaderArrow(int32_t Column);
  bool RefreshItems();
  bool AnswerDispInfo(NMLVDISPINFO* Info);
  void AnswerText(TListItem* Item, TZavShellListItem* Data, NMLVDISPINFO* Info);
  void AnswerImage(TListItem* Item, TZavShellListItem* Data, NMLVDISPINFO* Info);
  void DrawThumbnail(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw);
  void ThumbnailArrived(int32_t Index, uint64_t Generation, std::unique_ptr<TBitmap> Picture);
  void ForgetThumbnailThread();
  void PublishFirstVisible();
  void TellLinkFolder();
  void LinkFolderChange(TMessage& Message);
  void LinkSelectAll(TMessage& Message);
  void LinkGoUp(TMessage& Message);
  void TakeFocus();
  void ClearRecords();
  void SetBrowserRename();
  std::unique_ptr<TStringList> SelectedPaths();
  bool OpenSelected();
  void AfterVerb(const String& Verb, std::unique_ptr<TStringList> Files, const String& Destination);
  void CutSelected();
  void ContextMenu(TMessage& Message);
  void DeleteSelectedItems();
  void ToggleCheck(TListItem* Item);
  bool InCheckZone(TListItem* Item, int32_t X, int32_t Y);
  void BeginDragOut(NMLISTVIEW* Info, bool Right);
  IDropTarget* FolderDropTarget(LPCITEMIDLIST Folder, int32_t Ups);
  void ChangeDropItem(TListItem* Item, uint32_t KeyState, POINTL Point, uint32_t Effect);
  void AutoScroll(const TPoint& Client);
  void ClearDrop(bool TellTargets);

  TShellBrowser* FBrowser = nullptr;
  TZavSystemImageList* FSmallImages = nullptr;
  TZavSystemImageList* FLargeImages = nullptr;
  TCustomImageList* FThumbnailImages = nullptr;
  TTimer* FRefreshTimer = nullptr;
  TZavShellLink* FShellLink = nullptr;
  TWinControl* FHostPageControl = nullptr;
  TPopupMenu* FBackgroundPopupMenu = nullptr;
  std::unique_ptr<TBitmap> FArrowUp;
  std::unique_ptr<TBitmap> FArrowDown;
  std::unique_ptr<TStringList> FSelectedNames;

  bool FCreatedOnce = false;
  bool FFolderChosen = false;
  int32_t FColumnCount = 0;
  bool FDetails = true;
  bool FShowFolders = true;
  TZavShellShowOptions FShowOptions{TZavShellShowOption::soShowNethood, TZavShellShowOption::soShowRecycleBin,
                                    TZavShellShowOption::soShowErrorMessages};
  int32_t FSortColumn = 0;
  bool FSortDescending = false;
  int32_t FSavedWidths[256] = {};
  int32_t FColumnMap[256] = {};
  bool FFolderHadPath = false;
  bool FShellContextMenu = true;
  bool FOleDragDrop = true;
  bool FInSelectionChange = false;
  bool FShowParentFolder = false;
  bool FCreateLinkOnDrop = false;
  bool FThumbnails = false;
  bool FCanDrawThumbnails = false;
  bool FBusy = false;
  bool FDestroying = false;
  int32_t FFileCount = 0;
  int32_t FFolderCount = 0;

  std::shared_ptr<TThumbnailJob> FThumbnailJob;
  std::shared_ptr<std::atomic<int32_t>> FFirstVisible;
  uint64_t FNextGeneration = 1;
  std::unordered_map<uint64_t, TListItem*> FRecords;

  // Drags: the button a drag out started with (MK_LBUTTON, MK_RBUTTON, 0).
  uint32_t FDragButton = 0;
  IDataObject* FDropData = nullptr;
  IDropTarget* FFolderTarget = nullptr;
  IDropTarget* FItemTarget = nullptr;
  TListItem* FDropItem = nullptr;
  uint32_t FDropKeyState = 0;
  uint64_t FDropStartTick = 0;
  uint64_t FLastScrollTick = 0;
};
