#include "shell/shelltree.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "shell/shellbrowser_internal.h"
#include "shell/shellcontrolresources.h"

namespace {

bool SameIDs(IShellFolder* Folder, LPCITEMIDLIST A, LPCITEMIDLIST B) {
  if (Folder == nullptr || A == nullptr || B == nullptr) return false;
  const HRESULT hr = Folder->CompareIDs(0, A, B);
  return SUCCEEDED(hr) && CompareIDsResult(hr) == 0;
}

bool IsSharedEmpty(LPCITEMIDLIST List) { return List != nullptr && List == ShellObjects().EmptyIDList; }

// Archive files counted as folders by other shells; a real directory with
// such a name is a folder like any other.
bool IsArchiveObject(TShellBrowser* Browser, bool Folder) {
  if (Folder) return false;
  const String ext = AnsiUpperCase(ExtractFileExt(Browser->GetObjectName()));
  return ext == ".ZIP" || ext == ".CAB";
}

}  // namespace

// ---- History -----------------------------------------------------------------------------------

TPidlHistory::~TPidlHistory() { Clear(); }

void TPidlHistory::Notify(void* Ptr, TListNotification Action) {
  if (Action == lnDeleted) FreeIDList(static_cast<LPITEMIDLIST>(Ptr));
}

void TPidlHistory::Add(LPITEMIDLIST List) {
  while (Count() > FCurrentIndex + 1) TList::Delete(Count() - 1);
  TList::Add(List);
  FCurrentIndex = Count() - 1;
  while (Count() > MaxEntries) Delete(0);
}

void TPidlHistory::Delete(int32_t Index) {
  TList::Delete(Index);
  if (Index < FCurrentIndex || FCurrentIndex >= Count()) --FCurrentIndex;
}

void TPidlHistory::GoForward(int32_t Count) {
  FCurrentIndex = std::min(FCurrentIndex + std::max(Count, 0), this->Count() - 1);
}

void TPidlHistory::GoBack(int32_t Count) {
  if (FCurrentIndex >= 0) FCurrentIndex = std::max(FCurrentIndex - std::max(Count, 0), 0);
}

void TPidlHistory::Clear() {
  TList::Clear();
  FCurrentIndex = -1;
}

LPCITEMIDLIST TPidlHistory::Entry(int32_t Index) const {
  return Index >= 0 && Index < Count() ? static_cast<LPCITEMIDLIST>(Get(Index)) : nullptr;
}

// ---- Node records --------------------------------------------------------------------------------

TZavShellTreeItem::~TZavShellTreeItem() {
  if (!IsSharedEmpty(IDList)) FreeIDList(IDList);
  if (!IsSharedEmpty(AbsoluteIDList)) FreeIDList(AbsoluteIDList);
}

// ---- Life ------------------------------------------------------------------------------------------

TZavShellTree::TZavShellTree(TComponent* AOwner) : TCustomTreeView(AOwner), FHistory(std::make_unique<TPidlHistory>()) {
  InitShellControlResources();
  FBrowser = new TShellBrowser(this);
  FBrowser->SetFileSystemOnly(false);
  FSmallImages = new TZavSystemImageList(this);
  SetImages(FSmallImages);
  FSelectionDelayTimer = new TTimer(this);
  FSelectionDelayTimer->SetEnabled(false);
  FSelectionDelayTimer->SetInterval(ZavTreeMouseDelay);
  FSelectionDelayTimer->SetOnTimer([this](TObject*) { SelectionDelayTick(); });
  SetBounds(Left(), Top(), 150, 200);
  SetHideSelection(false);
  // The nodes are rebuilt when the window comes back.
  SetCreateWndRestores(false);
  SetDragMode(TDragMode::dmAutomatic);
}

TZavShellTree::~TZavShellTree() {
  FDestroying = true;
  FSelectionDelayTimer->SetEnabled(false);
  ClearDrop(false);
  if (FShellLink != nullptr && HandleAllocated()) FShellLink->UnregisterWindow(WindowHandle());
  // The base deletes the nodes without Delete reaching this class.
  FreeAllRecords();
  FreeIDList(FRecreateSelection);
}

void TZavShellTree::FreeAllRecords() {
  if (!HandleAllocated()) return;
  for (TTreeNode* n = Items()->GetFirstNode(); n != nullptr; n = n->GetNext()) FreeRecord(n);
}

void TZavShellTree::FreeRecord(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  if (data == nullptr) return;
  Node->SetData(nullptr);
  delete data;
}

void TZavShellTree::CreateWnd() {
  TCustomTreeView::CreateWnd();
  if (FOleDragDrop) SetOleDragDrop(true);
  const bool again = FCreatedOnce;
  if (!again) {
    LOGFONT icon;
    if (SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0))
      if (HFONT font = CreateFontIndirect(icon)) Font()->SetHandle(font);
    FBrowser->Loaded();
    SetRightClickSelect(true);
    FCreatedOnce = true;
  } else if (FShellLink != nullptr) {
    FShellLink->RegisterWindow(WindowHandle());
  }
  // Coming back, the tree returns to the folder that was selected and tells
  // nobody: nothing changed for the linked controls.
  const bool immediate = FImmediateChange;
  FRecreating = again;
  auto quiet = ScopeExit([this, again, immediate] {
    if (!again) return;
    FRecreating = false;
    FImmediateChange = immediate;
    FSelectionDelayTimer->SetEnabled(false);
  });
  TTreeNode* first = Items()->GetFirstNode();
  try {
    if (first == nullptr || !first->HasChildren()) BuildRoot();
  } catch (const EShellBrowserError&) {
    // A root folder that is gone leaves the tree empty.
  }
  if (!again) return;
  RefreshNode(Items()->GetFirstNode(), true);
  if (FRecreateSelection != nullptr) SelectIDList(FRecreateSelection, false);
  FreeIDList(FRecreateSelection);
  FRecreateSelection = nullptr;
}

void TZavShellTree::DestroyWnd() {
  if (FShellLink != nullptr) FShellLink->UnregisterWindow(WindowHandle());
  RevokeDragDrop(WindowHandle());
  FreeIDList(FRecreateSelection);
  FRecreateSelection = GetSelectedIDList();
  FRecreating = true;
  auto done = ScopeExit([this] { FRecreating = false; });
  TCustomTreeView::DestroyWnd();
}

void TZavShellTree::Loaded() {
  TCustomTreeView::Loaded();
  if (!FStoredSelectedFolder.empty()) {
    const String stored = FStoredSelectedFolder;
    FStoredSelectedFolder.clear();
    SetSelectedFolder(stored);
  }
  SelectionChanged(Selected());
  TTreeNode* top = Items()->GetFirstNode();
  if (top == nullptr) return;
  top->Expand(false);
  UpdateStateImage(top);
}

void TZavShellTree::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomTreeView::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FShellLink) FShellLink = nullptr;
}

// ---- Messages ----------------------------------------------------------------------------------------

void TZavShellTree::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case ZSL_FOLDERCHANGE: LinkFolderChange(Message); return;
    case ZSL_REPOPULATE: RefreshTree(); return;
    case ZSL_REFRESH: RefreshSelected(); return;
    case ZSL_GOUP: LinkGoUp(Message); return;
    case WM_LBUTTONDOWN: SetSelectionDelay(ZavTreeMouseDelay); break;
    case WM_CONTEXTMENU: ContextMenu(Message); return;
    case CN_NOTIFY:
      if (const auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
          hdr->code == TVN_BEGINDRAG || hdr->code == TVN_BEGINRDRAG) {
        BeginDragOut(reinterpret_cast<NMTREEVIEW*>(Message.LParam), hdr->code == TVN_BEGINRDRAG);
        return;
      }
      break;
    case WM_LBUTTONDBLCLK: {
      FLeftDouble = true;
      auto done = ScopeExit([this] { FLeftDouble = false; });
      TCustomTreeView::Dispatch(Message);
      return;
    }
    default: break;
  }
  TCustomTreeView::Dispatch(Message);
}

void TZavShellTree::LinkFolderChange(TMessage& Message) {
  const auto list = reinterpret_cast<LPCITEMIDLIST>(Message.WParam);
  if (list == nullptr) return;
  if (SameIDs(ShellObjects().DesktopFolder.Get(), list, ShellObjects().EmptyIDList)) {
    SetSpecialFolder(TZavShellFolder::SF_DESKTOP);
    return;
  }
  String path;
  try {
    FBrowser->SetFolderIDList(list);
    path = FBrowser->Folder();
  } catch (const EShellBrowserError&) {
  }
  // A folder outside this tree's root is no error worth a message box here.
  if (!path.empty()) {
    if (LPITEMIDLIST parsed = ParseWithTopNodes(path, false)) {
      TOwnedIDList owned = Own(parsed);
      if (SelectIDList(parsed, false)) return;
    }
  }
  SelectIDList(list, false);
}

void TZavShellTree::LinkGoUp(TMessage& Message) {
  GoUp();
  Message.Result = 1;
}

// ---- Root --------------------------------------------------------------------------------------------

void TZavShellTree::SetRootedAt(TZavShellFolder Value) {
  FRootedAt = Value;
  if (Value != TZavShellFolder::SF_FILESYSTEMFOLDER) FRootedAtFileSystemFolder.clear();
  // Without a window the tree is built when the window is made.
  if (HandleAllocated()) BuildRoot();
}

void TZavShellTree::SetRootedAtFileSystemFolder(const String& Value) {
  FRootedAtFileSystemFolder = Value;
  if (DirectoryExists(Value)) SetRootedAt(TZavShellFolder::SF_FILESYSTEMFOLDER);
}

void TZavShellTree::BuildRoot() {
  THourglass hourglass;
  Items()->BeginUpdate();
  auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
  SetSelected(nullptr);
  Items()->Clear();
  auto data = std::make_unique<TZavShellTreeItem>();
  TTreeNode* root = nullptr;
  if (FRootedAt == TZavShellFolder::SF_DESKTOP) {
    const TShellObjects& shell = ShellObjects();
    data->IDList = data->AbsoluteIDList = const_cast<LPITEMIDLIST>(shell.EmptyIDList);
    data->IsFolder = true;
    data->ShellFolder = data->ParentFolder = shell.DesktopFolder;
    root = Items()->AddChildObject(nullptr, FBrowser->GetDesktopName(), data.release());
    root->SetImageIndex(FBrowser->GetDesktopIconIndex());
    root->SetSelectedIndex(FBrowser->GetDesktopIconIndex());
    root->SetHasChildren(true);
  } else {
    // Bound first: a folder that cannot be had leaves the tree empty.
    if (FRootedAt != TZavShellFolder::SF_FILESYSTEMFOLDER) {
      if (!FBrowser->SetSpecialFolder(FRootedAt)) throw EShellBrowserError("Cannot Find Folder");
    } else {
      FBrowser->SetFolder(FRootedAtFileSystemFolder);
    }
    root = Items()->AddChildObject(nullptr, String(), data.get());
    FillRootRecord(root, data.release());
  }
  if (!Loading()) root->Expand(false);
  SetSelected(root);
}

// The browser stands on the root's folder.
void TZavShellTree::FillRootRecord(TTreeNode* Root, TZavShellTreeItem* Data) {
  Data->IDList = FBrowser->GetFolderIDList();
  Data->AbsoluteIDList = FBrowser->GetFolderIDList();
  Data->IsFolder = true;
  Data->ShellFolder = ComPtr<IShellFolder>(FBrowser->ShellFolder());
  // The folder as an object of its parent, for its name and icons.
  FBrowser->GoUp();
  Data->ParentFolder = ComPtr<IShellFolder>(FBrowser->ShellFolder());
  Root->SetImageIndex(FBrowser->GetIconIndex());
  Root->SetSelectedIndex(FBrowser->GetOpenIconIndex());
  Root->SetText(FBrowser->GetDisplayName());
  Root->SetHasChildren(FBrowser->HasSubFolders() || ShowFiles());
}

bool TZavShellTree::IsDesktopRoot(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  return data != nullptr && IsSharedEmpty(data->AbsoluteIDList);
}

// ---- Filling -------------------------------------------------------------------------------------------

bool TZavShellTree::CanExpand(TTreeNode* Node) {
  const bool allowed =
      TCustomTreeView::CanExpand(Node) && (FExpandAllowed || (Node->Parent() == nullptr && !Loading()));
  FExpandFilled = true;
  // The children exist before the control expands the node.
  if (allowed) FillChildren(Node);
  return allowed;
}

void TZavShellTree::Expand(TTreeNode* Node) {
  if (Node->GetFirstChild() == nullptr)
    FillChildren(Node);
  else
    FExpandFilled = false;
  TCustomTreeView::Expand(Node);
}

void TZavShellTree::FillChildren(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  if (data == nullptr || Node->GetFirstChild() != nullptr) return;
  THourglass hourglass;
  Items()->BeginUpdate();
  auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
  try {
    FBrowser->SetFolderIDList(data->AbsoluteIDList);
    while (FBrowser->Next())
      if (ShowFiles() || FBrowser->IsFolder()) AddFolderNode(Node);
  } catch (const Exception&) {
    // The children found so far stay.
  }
  SortChildren(Node);
  Node->SetHasChildren(Node->GetFirstChild() != nullptr);
}

void TZavShellTree::SortChildren(TTreeNode* Node) {
  Node->CustomSort(
      [](TTreeNode* A, TTreeNode* B, LPARAM) -> int32_t {
        TZavShellTreeItem* a = Record(A);
        TZavShellTreeItem* b = Record(B);
        if (a == nullptr || b == nullptr || !a->ParentFolder) return 0;
        const HRESULT hr = a->ParentFolder->CompareIDs(0, a->IDList, b->IDList);
        return SUCCEEDED(hr) ? CompareIDsResult(hr) : 0;
      },
      0, false);
}

// Adds the browser's current object under Parent; nil when it is left out.
TTreeNode* TZavShellTree::AddFolderNode(TTreeNode* Parent) {
  const uint32_t attributes = FBrowser->GetAttributes(SFGAO_LINK | SFGAO_HIDDEN | SFGAO_FOLDER);
  const bool folder = (attributes & SFGAO_FOLDER) != 0;
  const bool hidden = (attributes & SFGAO_HIDDEN) != 0;
  if ((attributes & SFGAO_LINK) != 0 || IsArchiveObject(FBrowser, folder) || (hidden && !ShowHidden())) return nullptr;
  auto data = std::make_unique<TZavShellTreeItem>();
  data->IDList = FBrowser->GetCurrentIDList();
  data->AbsoluteIDList = CopyIDList(FBrowser->GetAbsoluteIDList());
  data->ParentFolder = ComPtr<IShellFolder>(FBrowser->ShellFolder());
  data->IsFolder = folder;
  TTreeNode* node = Items()->AddChildObject(Parent, FBrowser->GetDisplayName(), data.release());
  node->SetImageIndex(FBrowser->GetIconIndex());
  node->SetSelectedIndex(FBrowser->GetOpenIconIndex());
  node->SetHasChildren(ShowFiles() ? folder : FBrowser->HasSubFolders());
  if (hidden) node->SetCut(true);
  node->SetOverlayIndex(FBrowser->GetOverlayImageIndex());
  if (OnAddFolder) {
    bool canAdd = true;
    TComponentRef<TZavShellTree> self(this);
    OnAddFolder(node, NodePath(node), canAdd);
    if (!self) return nullptr;
    if (!canAdd) {
      node->Delete();
      return nullptr;
    }
  }
  UpdateStateImage(node);
  return node;
}

void TZavShellTree::Delete(TTreeNode* Node) {
  FreeRecord(Node);
  TCustomTreeView::Delete(Node);
}

// ---- Finding and selecting ------------------------------------------------------------------------------

bool TZavShellTree::SelectIDList(LPCITEMIDLIST List, bool RefreshOnly) {
  if (List == nullptr) return false;
  HandleNeeded();
  THourglass hourglass;
  Items()->BeginUpdate();
  auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
  const bool wasAllowed = FExpandAllowed;
  FExpandAllowed = !RefreshOnly;
  TTreeNode* answer = nullptr;
  {
    auto restore = ScopeExit([&] { FExpandAllowed = wasAllowed; });
    int32_t deepest = -1;
    for (TTreeNode* top = Items()->GetFirstNode(); top != nullptr; top = top->GetNextSibling()) {
      TTreeNode* found = FindNode(top, List, RefreshOnly);
      if (found == nullptr) continue;
      const int32_t level = IDListCount(Record(found)->AbsoluteIDList);
      if (level > deepest) {
        deepest = level;
        answer = found;
      }
      if (level >= IDListCount(List)) break;
    }
  }
  if (answer != nullptr) SelectFound(answer, RefreshOnly);
  return answer != nullptr;
}

// The deepest node below Top on the way to List; Top itself when nothing
// below it matches, nil when Top has no record.
TTreeNode* TZavShellTree::FindNode(TTreeNode* Top, LPCITEMIDLIST List, bool RefreshOnly) {
  TZavShellTreeItem* data = Record(Top);
  if (data == nullptr) return nullptr;
  if (SameIDs(ShellObjects().DesktopFolder.Get(), List, data->AbsoluteIDList)) return Top;
  TTreeNode* node = Top;
  const int32_t count = IDListCount(List);
  // Below a root other than the desktop the walk starts at the root's depth.
  for (int32_t level = IDListCount(data->AbsoluteIDList); level < count; ++level) {
    if (!RefreshOnly) {
      node->SetHasChildren(true);
      node->Expand(false);
    }
    TOwnedIDList item = Own(IDListItem(List, level));
    TTreeNode* match = MatchChild(node, item.get());
    if (match == nullptr) break;
    node = match;
  }
  return node;
}

TTreeNode* TZavShellTree::MatchChild(TTreeNode* Node, LPCITEMIDLIST Item) {
  for (TTreeNode* c = Node->GetFirstChild(); c != nullptr; c = c->GetNextSibling())
    if (TZavShellTreeItem* data = Record(c); data != nullptr && SameIDs(data->ParentFolder.Get(), Item, data->IDList))
      return c;
  return nullptr;
}

void TZavShellTree::SelectFound(TTreeNode* Node, bool RefreshOnly) {
  if (RefreshOnly) {
    TTreeNode* parent = Node->Parent();
    RefreshNode(parent != nullptr ? parent : Node, true);
    return;
  }
  FImmediateChange = true;
  SetSelected(Node);
  Node->MakeVisible();
}

String TZavShellTree::GetSelectedFolder() {
  if (Loading()) return FStoredSelectedFolder;
  return NodePath(Selected());
}

void TZavShellTree::SetSelectedFolder(const String& Path) {
  if (Loading()) {
    FStoredSelectedFolder = Path;
    return;
  }
  HandleNeeded();
  if (Path.empty()) {
    if (FRootedAt == TZavShellFolder::SF_DESKTOP)
      SetSpecialFolder(TZavShellFolder::SF_DRIVES);
    else if (TTreeNode* first = Items()->GetFirstNode())
      SetSelected(first);
    return;
  }
  if (LPITEMIDLIST list = ParseWithTopNodes(Path, true)) {
    TOwnedIDList owned = Own(list);
    SelectIDList(list, false);
  }
}

LPITEMIDLIST TZavShellTree::ParseWithTopNodes(const String& Path, bool ReportFailures) {
  for (TTreeNode* top = Items()->GetFirstNode(); top != nullptr; top = top->GetNextSibling()) {
    HRESULT result = S_OK;
    TComponentRef<TZavShellTree> self(this);
    if (LPITEMIDLIST list = ParseWithNode(top, Path, result)) return list;
    if (ReportFailures && Application != nullptr) Application->MessageBox(GetSystemErrorText(uint32_t(result)), "");
    if (!self) return nullptr;
  }
  return nullptr;
}

// The absolute list of the path as the node's folder parses it, first
// whole, then relative to the node's own path.
LPITEMIDLIST TZavShellTree::ParseWithNode(TTreeNode* Node, const String& Path, HRESULT& Result) {
  TZavShellTreeItem* data = Record(Node);
  IShellFolder* folder = data != nullptr ? data->ShellFolder.Get() : nullptr;
  if (folder == nullptr) {
    Result = E_FAIL;
    return nullptr;
  }
  LPITEMIDLIST relative = nullptr;
  Result = folder->ParseDisplayName(Handle(), nullptr, Path, nullptr, &relative, nullptr);
  if (FAILED(Result) || relative == nullptr) {
    const String rest = RelativePath(NodePath(Node), Path);
    if (rest == ".") return CopyIDList(data->AbsoluteIDList);
    constexpr HRESULT kPathNotFound = HRESULT(0x800A004Cu);
    Result =
        rest.empty() ? kPathNotFound : folder->ParseDisplayName(Handle(), nullptr, rest, nullptr, &relative, nullptr);
    if (FAILED(Result) || relative == nullptr) return nullptr;
  }
  TOwnedIDList owned = Own(relative);
  return ConcatIDLists(data->AbsoluteIDList, relative);
}

LPITEMIDLIST TZavShellTree::GetSelectedIDList() {
  TZavShellTreeItem* data = Record(Selected());
  return data != nullptr ? CopyIDList(data->AbsoluteIDList) : nullptr;
}

TZavShellFolder TZavShellTree::GetSpecialFolder() {
  TZavShellTreeItem* data = Record(Selected());
  if (data == nullptr) return TZavShellFolder::SF_FILESYSTEMFOLDER;
  const int32_t folder = IDListSpecialFolder(data->AbsoluteIDList);
  if (folder == int32_t(TZavShellFolder::SF_DRIVES) && !GetSelectedFolder().empty())
    return TZavShellFolder::SF_FILESYSTEMFOLDER;
  return folder > 0 && folder < ZavShellFolderCount ? TZavShellFolder(folder) : TZavShellFolder::SF_FILESYSTEMFOLDER;
}

void TZavShellTree::SetSpecialFolder(TZavShellFolder Value) {
  FStoredSelectedFolder.clear();
  if (Value == TZavShellFolder::SF_FILESYSTEMFOLDER || !FBrowser->SetSpecialFolder(Value)) return;
  TOwnedIDList list = Own(FBrowser->GetFolderIDList());
  SelectIDList(list.get(), false);
}

String TZavShellTree::NodePath(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  if (data == nullptr || IsDesktopRoot(Node)) return String();
  return PathFromIDList(data->AbsoluteIDList);
}

void TZavShellTree::GoUp() {
  TTreeNode* selected = Selected();
  TTreeNode* parent = selected != nullptr ? selected->Parent() : nullptr;
  if (parent == nullptr) return;
  // Through the timer: during a link round the link is disabled, and the
  // others hear of the parent once the round is over.
  FImmediateChange = false;
  SetSelectionDelay(ZavTreeMouseDelay);
  SetSelected(parent);
}

void TZavShellTree::SetSelectionDelay(uint32_t Milliseconds) { FSelectionDelayTimer->SetInterval(Milliseconds); }

// ---- Selection changes ------------------------------------------------------------------------------------

void TZavShellTree::Change(TTreeNode* Node) {
  if (Node != nullptr && !FRecreating && !FDestroying) {
    if (FImmediateChange) {
      // Passed on now; a change still waiting on the timer is this one.
      FImmediateChange = false;
      FSelectionDelayTimer->SetEnabled(false);
      SelectionChanged(Node);
    } else {
      FSelectionDelayTimer->SetEnabled(false);
      FSelectionDelayTimer->SetEnabled(true);
    }
  }
  TComponentRef<TZavShellTree> self(this);
  TCustomTreeView::Change(Node);
  if (!self || Node == nullptr || Node->ItemId() == nullptr) return;
  if (FExpandOnSelected) Node->Expand(false);
  if (TZavShellTreeItem* data = Record(Node)) FHistory->Add(CopyIDList(data->AbsoluteIDList));
}

void TZavShellTree::SelectionDelayTick() {
  FSelectionDelayTimer->SetEnabled(false);
  if (HandleAllocated()) SelectionChanged(Selected());
}

void TZavShellTree::SelectionChanged(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  if (FShellLink == nullptr || data == nullptr || FRecreating) return;
  FShellLink->SetShowParentItem(Node->Parent() != nullptr);
  if (Loading()) return;
  TZavShellTreeItem* parent = Record(Node->Parent());
  if (ShowFiles() && !data->IsFolder && parent != nullptr)
    FShellLink->NotifySelection(this, parent->AbsoluteIDList, data->IDList);
  else
    FShellLink->NotifyFolderChange(this, data->AbsoluteIDList);
}

// ---- Refresh ------------------------------------------------------------------------------------------------

void TZavShellTree::RefreshNode(TTreeNode* Node, bool Recursive) {
  TZavShellTreeItem* data = Record(Node);
  if (Loading() || data == nullptr || !data->IsFolder) return;
  for (TTreeNode* c = Node->GetFirstChild(); c != nullptr; c = c->GetNextSibling())
    if (TZavShellTreeItem* child = Record(c)) child->Seen = false;
  bool added = false;
  try {
    FBrowser->SetFolderIDList(data->AbsoluteIDList);
    while (FBrowser->Next()) added = SeeObject(Node) || added;
  } catch (const Exception&) {
    // What was found so far counts; the rest is left as it was.
    for (TTreeNode* c = Node->GetFirstChild(); c != nullptr; c = c->GetNextSibling())
      if (TZavShellTreeItem* child = Record(c)) child->Seen = true;
  }
  RefreshChildren(Node, Recursive);
  if (added) SortChildren(Node);
}

// Marks the child of the browser's current object seen, or adds one; true
// when a node was added.
bool TZavShellTree::SeeObject(TTreeNode* Node) {
  const uint32_t attributes = FBrowser->GetAttributes(SFGAO_LINK | SFGAO_HIDDEN | SFGAO_FOLDER);
  const bool folder = (attributes & SFGAO_FOLDER) != 0;
  if ((attributes & SFGAO_LINK) != 0 || (!folder && !ShowFiles()) ||
      ((attributes & SFGAO_HIDDEN) != 0 && !ShowHidden()))
    return false;
  // Texts compare exactly: a folder renamed in letter case is a new node.
  const String name = FBrowser->GetDisplayName();
  for (TTreeNode* c = Node->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) {
    TZavShellTreeItem* child = Record(c);
    if (child == nullptr || child->Seen || c->Text() != name) continue;
    child->Seen = true;
    c->SetHasChildren(ShowFiles() ? folder || FBrowser->HasSubFolders() : FBrowser->HasSubFolders());
    return false;
  }
  return AddFolderNode(Node) != nullptr;
}

void TZavShellTree::RefreshChildren(TTreeNode* Node, bool Recursive) {
  TTreeNode* c = Node->GetFirstChild();
  while (c != nullptr) {
    TTreeNode* next = c->GetNextSibling();
    TZavShellTreeItem* child = Record(c);
    if (child == nullptr || !child->Seen) {
      c->Delete();
    } else if (Recursive && c->Expanded()) {
      RefreshNode(c, true);
      UpdateStateImage(c);
    } else {
      if (c->GetFirstChild() != nullptr) {
        // Filled again when next expanded.
        const bool hasChildren = c->HasChildren();
        if (c->Expanded()) c->Collapse(false);
        c->DeleteChildren();
        c->SetHasChildren(hasChildren);
      }
      UpdateStateImage(c);
    }
    c = next;
  }
}

void TZavShellTree::RefreshTree() {
  THourglass hourglass;
  TComponentRef<TZavShellTree> self(this);
  if (Application != nullptr) Application->ProcessMessages();
  if (!self || !HandleAllocated()) return;
  TTreeNode* root = Items()->GetFirstNode();
  if (root != nullptr && root->GetFirstChild() != nullptr) RefreshNode(root, true);
}

void TZavShellTree::RefreshSelected() {
  if (Selected() == nullptr) return;
  TComponentRef<TZavShellTree> self(this);
  if (Application != nullptr) Application->ProcessMessages();
  if (!self || !HandleAllocated()) return;
  TTreeNode* selected = Selected();
  if (selected == nullptr) return;
  Items()->BeginUpdate();
  auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
  RefreshNode(selected->Text().empty() && selected->Parent() != nullptr ? selected->Parent() : selected, true);
  // Folders cut to the clipboard and moved elsewhere vanish from their parents.
  RefreshCutParents();
  UpdateAncestorStates(Selected());
}

void TZavShellTree::RefreshCutParents() {
  std::vector<TTreeNode*> done;
  for (;;) {
    TTreeNode* target = nullptr;
    for (TTreeNode* n = Items()->GetFirstNode(); n != nullptr && target == nullptr; n = n->GetNext())
      if (TTreeNode* parent = n->Parent();
          parent != nullptr && n->Cut() && std::find(done.begin(), done.end(), parent) == done.end())
        target = parent;
    if (target == nullptr) return;
    done.push_back(target);
    RefreshNode(target, true);
  }
}

// ---- Check boxes -----------------------------------------------------------------------------------------------

void TZavShellTree::SetCheckBoxes(bool Value) {
  FCheckBoxes = Value;
  if (!Value) {
    if (StateImages() == FStateImages) SetStateImages(nullptr);
    delete FStateImages;
    FStateImages = nullptr;
  } else if (StateImages() == nullptr) {
    FStateImages = new TZavSelectionStateImageList(this);
    SetStateImages(FStateImages);
  }
  if (!HandleAllocated()) return;
  TTreeNode* top = Items()->GetFirstNode();
  if (top == nullptr) return;
  // Off: the pictures go with the state images.
  for (TTreeNode* n = top; !Value && n != nullptr; n = n->GetNext()) n->SetStateIndex(-1);
  UpdateStateImage(top);
  RefreshNode(top, true);
}

// The node's check state in the link's selection, as its state image.
void TZavShellTree::UpdateStateImage(TTreeNode* Node) {
  TZavShellTreeItem* data = Record(Node);
  if (FShellLink == nullptr || !FCheckBoxes || data == nullptr) return;
  bool viaAncestor = false;
  // The state image's index is the check state.
  Node->SetStateIndex(FShellLink->Selection()->GetStateOfIDList(data->AbsoluteIDList, viaAncestor));
}

void TZavShellTree::UpdateAncestorStates(TTreeNode* Node) {
  for (TTreeNode* n = Node; n != nullptr; n = n->Parent()) UpdateStateImage(n);
}

// ---- Properties ------------------------------------------------------------------------------------------------

void TZavShellTree::SetShellLink(TZavShellLink* Value) {
  if (Value == FShellLink) return;
  if (FShellLink != nullptr) {
    if (HandleAllocated()) FShellLink->UnregisterWindow(WindowHandle());
    FShellLink->RemoveFreeNotification(this);
  }
  FShellLink = Value;
  if (FShellLink != nullptr) {
    FShellLink->FreeNotification(this);
    FShellLink->RegisterWindow(Handle());
  }
}

void TZavShellTree::SetShowOptions(TZavShellShowOptions Value) {
  if (Value == FShowOptions) return;
  FShowOptions = Value;
  FBrowser->SetShowErrorMessages(Value.Contains(TZavShellShowOption::soShowErrorMessages));
  RefreshTree();
}

void TZavShellTree::SetShowOption(TZavShellShowOption Option, bool On) {
  TZavShellShowOptions options = FShowOptions;
  if (On)
    options.Include(Option);
  else
    options.Exclude(Option);
  SetShowOptions(options);
}

void TZavShellTree::SetFileSystemOnly(bool Value) {
  FBrowser->SetFileSystemOnly(Value);
  RefreshTree();
}

void TZavShellTree::SetFilter(const String& Value) {
  FBrowser->SetFilter(Value);
  RefreshTree();
}
