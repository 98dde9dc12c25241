// The shell folder tree: a tree view of the folder hierarchy below a root
// (the desktop, a special folder or a file-system folder) whose nodes get
// their children only when first expanded. It owns the browser it asks the
// shell through; linked to a TZavShellLink it tells the linked file lists
// which folder is selected and follows their navigation. The selection is
// passed on after a delay (100 ms after a click, 800 ms after a key), so
// that walking through the tree does not fill a list at every step.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/lists.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/timers.h"
#include "shell/idlists.h"
#include "shell/imagelists.h"
#include "shell/shell_dragdrop.h"
#include "shell/shellbrowser.h"
#include "shell/shelllink.h"
#include "shell/shelllist.h"

// Selected folders in order, with a current entry. Owns its lists. Keeps
// the last MaxEntries: a long session does not grow it without bound.
class TPidlHistory : public TList {
 public:
  static constexpr int32_t MaxEntries = 100;

  TPidlHistory() = default;
  ~TPidlHistory() override;

  // Takes the list: drops every entry after the current one, appends it
  // and makes it current.
  virtual void Add(LPITEMIDLIST List);
  // Frees the entry's list and removes it.
  virtual void Delete(int32_t Index);
  // Moves the current entry up to Count steps towards the end / the start.
  virtual void GoForward(int32_t Count);
  virtual void GoBack(int32_t Count);
  void Clear() override;

  // -1 while empty.
  int32_t CurrentIndex() const { return FCurrentIndex; }
  LPCITEMIDLIST Current() const { return Entry(FCurrentIndex); }
  LPCITEMIDLIST Entry(int32_t Index) const;

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  int32_t FCurrentIndex = -1;
};

// The record of one node (its Data), owned by the tree.
struct TZavShellTreeItem {
  TZavShellTreeItem() = default;
  TZavShellTreeItem(const TZavShellTreeItem&) = delete;
  TZavShellTreeItem& operator=(const TZavShellTreeItem&) = delete;
  // Frees the lists unless they are the desktop's shared empty list.
  ~TZavShellTreeItem();

  // The object's list relative to ParentFolder (the root: its absolute list).
  LPITEMIDLIST IDList = nullptr;
  LPITEMIDLIST AbsoluteIDList = nullptr;
  bool Seen = true;  // found again by the last RefreshNode
  ComPtr<IShellFolder> ParentFolder;
  bool IsFolder = false;
  // The node's own folder; the root's only.
  ComPtr<IShellFolder> ShellFolder;
};

using TOnAddNode = std::function<void(TTreeNode* Node, const String& Path, bool& CanAdd)>;

// The selection delays after a click and after a key.
inline constexpr uint32_t ZavTreeMouseDelay = 100;
inline constexpr uint32_t ZavTreeKeyDelay = 800;

class TZavShellTree : public TCustomTreeView, public IShellDropHandler {
 public:
  explicit TZavShellTree(TComponent* AOwner);
  ~TZavShellTree() override;
  const char* ClassName() const override { return "TZavShellTree"; }
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

  // ---- Root ----
  TZavShellFolder RootedAt() const { return FRootedAt; }
  // Rebuilds the tree with the new root (once the window exists).
  void SetRootedAt(TZavShellFolder Value);
  const String& RootedAtFileSystemFolder() const { return FRootedAtFileSystemFolder; }
  // Roots the tree at the folder when it is an existing directory.
  void SetRootedAtFileSystemFolder(const String& Value);

  // ---- Selection ----
  // Finds the node of an absolute list, expanding on the way (refresh-only:
  // within the nodes there are, then refreshes there instead of selecting);
  // false when no node was reached.
  bool SelectIDList(LPCITEMIDLIST List, bool RefreshOnly);
  // The selected node's path; "" without one and for the desktop root.
  String GetSelectedFolder();
  String SelectedFolder() { return GetSelectedFolder(); }
  // "" selects Computer on a desktop tree, the first node on others. A path
  // no top-level node can parse is reported in a message box.
  void SetSelectedFolder(const String& Path);
  // A copy of the selected node's absolute list (the caller frees it); nil
  // without a selection.
  LPITEMIDLIST GetSelectedIDList();
  TZavShellFolder GetSpecialFolder();
  TZavShellFolder SpecialFolder() { return GetSpecialFolder(); }
  void SetSpecialFolder(TZavShellFolder Value);
  String NodePath(TTreeNode* Node);
  // Selects the parent of the selected node; the change goes out after the
  // mouse delay.
  void GoUp();
  // The delay before a selection change is passed on; the click and key
  // handlers set it.
  void SetSelectionDelay(uint32_t Milliseconds);
  uint32_t SelectionDelay() const { return FSelectionDelayTimer->Interval(); }
  TPidlHistory* History() const { return FHistory.get(); }

  // ---- Refresh ----
  // Finds the node's objects again: new ones are added, vanished ones (and
  // ones renamed in letter case) deleted; expanded children are refreshed in
  // turn when Recursive, the others fill again when next expanded.
  void RefreshNode(TTreeNode* Node, bool Recursive = true);
  void RefreshTree();
  void RefreshSelected();

  // ---- Properties ----
  TZavShellLink* ShellLink() const { return FShellLink; }
  void SetShellLink(TZavShellLink* Value);
  TZavShellShowOptions ShowOptions() const { return FShowOptions; }
  void SetShowOptions(TZavShellShowOptions Value);
  bool ShowHidden() const { return FShowOptions.Contains(TZavShellShowOption::soShowHidden); }
  void SetShowHidden(bool Value) { SetShowOption(TZavShellShowOption::soShowHidden, Value); }
  bool ShowNetHood() const { return FShowOptions.Contains(TZavShellShowOption::soShowNethood); }
  void SetShowNetHood(bool Value) { SetShowOption(TZavShellShowOption::soShowNethood, Value); }
  bool ShowFiles() const { return FShowOptions.Contains(TZavShellShowOption::soShowFiles); }
  void SetShowFiles(bool Value) { SetShowOption(TZavShellShowOption::soShowFiles, Value); }
  bool FileSystemOnly() const { return FBrowser->FileSystemOnly(); }
  void SetFileSystemOnly(bool Value);
  String Filter() const { return FBrowser->GetFilter(); }
  void SetFilter(const String& Value);
  bool ExpandOnSelected() const { return FExpandOnSelected; }
  void SetExpandOnSelected(bool Value) { FExpandOnSelected = Value; }
  // Check boxes show each node's state in the link's checked selection.
  bool CheckBoxes() const { return FCheckBoxes; }
  void SetCheckBoxes(bool Value);
  bool OleDragDrop() const { return FOleDragDrop; }
  // On: the window takes drops and the tree reports drag starts.
  void SetOleDragDrop(bool Value);
  bool ShellContextMenu() const { return FShellContextMenu; }
  void SetShellContextMenu(bool Value) { FShellContextMenu = Value; }
  bool CreateLinkOnDrop() const { return FCreateLinkOnDrop; }
  void SetCreateLinkOnDrop(bool Value) { FCreateLinkOnDrop = Value; }
  String Version() const { return String(ClassName()) + " V3.02"; }
  void SetVersion(const String&) {}

  // ---- Interaction ----
  // Runs a verb on the selected folder; true when it ran.
  bool ExecuteVerb(const String& Verb);
  // The shell menu of the selected node at a screen point; Verb: what ran.
  void ShowShellMenu(const TPoint& Point, String& Verb);
  void EditSelectedText();
  HRESULT DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;

  TShellBrowser* Browser() const { return FBrowser; }
  static TZavShellTreeItem* Record(TTreeNode* Node) {
    return Node != nullptr ? static_cast<TZavShellTreeItem*>(Node->Data()) : nullptr;
  }

  TOnAddNode OnAddFolder;
  TOnOperation OnOperation;
  TNotifyEvent OnMarloDropStart;
  TNotifyEvent OnMarloDropEnd;

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool CanExpand(TTreeNode* Node) override;
  void Expand(TTreeNode* Node) override;
  void Delete(TTreeNode* Node) override;
  void Change(TTreeNode* Node) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool CanEdit(TTreeNode* Node) override;
  void Edit(const TVITEM& Item) override;
  // Reports an operation (and frees the list).
  void DoOperation(int32_t Operation, std::unique_ptr<TStringList> Files, const String& Destination);

 private:
  bool Loading() const { return ComponentState().Contains(TComponentStateItem::csLoading); }
  bool IsDesktopRoot(TTreeNode* Node);
  void BuildRoot();
  void FillRootRecord(TTreeNode* Root, TZavShellTreeItem* Data);
  void FillChildren(TTreeNode* Node);
  void SortChildren(TTreeNode* Node);
  TTreeNode* AddFolderNode(TTreeNode* Parent);
  void FreeRecord(TTreeNode* Node);
  void FreeAllRecords();
  TTreeNode* FindNode(TTreeNode* Top, LPCITEMIDLIST List, bool RefreshOnly);
  TTreeNode* MatchChild(TTreeNode* Node, LPCITEMIDLIST Item);
  void SelectFound(TTreeNode* Node, bool RefreshOnly);
  // Parses the path with each top-level node in turn; HRESULT of the last
  // failure in Result when none could.
  LPITEMIDLIST ParseWithTopNodes(const String& Path, bool ReportFailures);
  LPITEMIDLIST ParseWithNode(TTreeNode* Node, const String& Path, HRESULT& Result);
  void RefreshChildren(TTreeNode* Node, bool Recursive);
  bool SeeObject(TTreeNode* Node);
  void RefreshCutParents();
  void UpdateStateImage(TTreeNode* Node);
  void UpdateAncestorStates(TTreeNode* Node);
  void SetShowOption(TZavShellShowOption Option, bool On);
  void SelectionDelayTick();
  void SelectionChanged(TTreeNode* Node);
  void LinkFolderChange(TMessage& Message);
  void LinkGoUp(TMessage& Message);
  void SetBrowserRename();
  bool HandleKey(uint16_t Key, TShiftState Shift);
  void PasteByKey();
  void AfterMenuVerb(const String& Verb, std::unique_ptr<TStringList> Clipboard);
  void ContextMenu(TMessage& Message);
  bool InCheckZone(TTreeNode* Node, int32_t X, int32_t Y);
  void ToggleCheck(TTreeNode* Node);
  void UpdateExpandedStates(TTreeNode* Node);
  void BeginDragOut(NMTREEVIEW* Info, bool Right);
  bool StillANode(TTreeNode* Node);
  void ChangeDropNode(TTreeNode* Node, uint32_t KeyState, POINTL Point, uint32_t Effect);
  void AutoScroll(const TPoint& Client);
  HRESULT DropOnNode(TTreeNode* Node, IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect);
  void ClearDrop(bool TellTarget);

  bool FCreatedOnce = false;
  bool FExpandAllowed = true;
  TShellBrowser* FBrowser = nullptr;
  TZavShellLink* FShellLink = nullptr;
  TZavShellFolder FRootedAt = TZavShellFolder::SF_DESKTOP;
  TZavSystemImageList* FSmallImages = nullptr;
  TZavSelectionStateImageList* FStateImages = nullptr;
  TTimer* FSelectionDelayTimer = nullptr;
  bool FImmediateChange = true;
  bool FExpandFilled = false;
  String FRootedAtFileSystemFolder;
  bool FOleDragDrop = true;
  bool FShellContextMenu = true;
  TZavShellShowOptions FShowOptions{TZavShellShowOption::soShowNethood, TZavShellShowOption::soShowRecycleBin,
                                    TZavShellShowOption::soShowErrorMessages};
  bool FCreateLinkOnDrop = false;
  String FStoredSelectedFolder;
  bool FExpandOnSelected = false;
  std::unique_ptr<TPidlHistory> FHistory;
  bool FCheckBoxes = false;
  // While the window goes and comes back: the folder that was selected, and
  // no change goes out to the link.
  LPITEMIDLIST FRecreateSelection = nullptr;
  bool FRecreating = false;
  bool FDestroying = false;
  bool FLeftDouble = false;

  // Drags: the button a drag out started with, when and from which node.
  uint32_t FDragButton = 0;
  uint64_t FDragStartTick = 0;
  TTreeNode* FDragNode = nullptr;
  IDataObject* FDropData = nullptr;
  IDropTarget* FNodeTarget = nullptr;
  TTreeNode* FDropNode = nullptr;
  uint32_t FDropKeyState = 0;
  uint32_t FLastEffect = 0;
  uint64_t FHoverTick = 0;
  uint64_t FLastScrollTick = 0;
};
