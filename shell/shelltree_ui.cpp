// The shell tree with the user and other programs: verbs on the selected
// folder, keys, the shell menu, check boxes, renaming, and drag and drop
// with hover expansion.
#include <vector>

#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "shell/shellbrowser_internal.h"
#include "shell/shelltree.h"

namespace {

constexpr uint64_t kHoverExpand = 1500;
constexpr uint64_t kDropAsClick = 250;
constexpr uint64_t kScrollInterval = 100;
constexpr int32_t kScrollZone = 20;
constexpr uint32_t kDropEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

bool IsVerb(const String& Verb, const char* Name) { return SameText(Verb, Name); }

TPoint BottomRight(const TRect& R) { return TPoint{R.Right, R.Bottom}; }

std::unique_ptr<TStringList> OnePath(const String& Path) {
  auto list = std::make_unique<TStringList>();
  list->Add(Path);
  return list;
}

}  // namespace

void TZavShellTree::DoOperation(int32_t Operation, std::unique_ptr<TStringList> Files, const String& Destination) {
  if (!Files || Files->Count() == 0 || !OnOperation) return;
  const TOnOperation handler = OnOperation;
  handler(this, Operation, Files.get(), Destination);
}

// ---- Verbs -------------------------------------------------------------------------------------------

void TZavShellTree::SetBrowserRename() {
  if (ReadOnly())
    FBrowser->OnRename = nullptr;
  else
    FBrowser->OnRename = [this](TObject*) { EditSelectedText(); };
}

void TZavShellTree::EditSelectedText() {
  if (TTreeNode* node = Selected()) node->EditText();
}

bool TZavShellTree::ExecuteVerb(const String& Verb) {
  TTreeNode* node = Selected();
  if (node == nullptr) return false;
  SetBrowserRename();
  const String folder = SelectedFolder();
  std::unique_ptr<TStringList> files = IsVerb(Verb, "paste") ? ClipboardFileList() : OnePath(folder);
  TComponentRef<TZavShellTree> self(this);
  bool ran = true;
  if (TZavShellTreeItem* data = Record(node)) {
    FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
    ran = FBrowser->ExecuteVerb(Verb);
  }
  if (!self || !ran) return ran;
  if (IsVerb(Verb, "delete")) {
    FImmediateChange = true;
    if (StillANode(node)) node->Delete();
    DoOperation(ZavOperationDelete, std::move(files), String());
  } else if (IsVerb(Verb, "paste")) {
    if (Application != nullptr) Application->ProcessMessages();
    if (!self) return ran;
    RefreshSelected();
    DoOperation(PasteOperation(files.get()) - ZavOperationPasteCopied + ZavOperationTreePaste + 1, std::move(files),
                SelectedFolder());
  } else if (IsVerb(Verb, "cut")) {
    if (StillANode(node)) node->SetCut(true);
  }
  return ran;
}

void TZavShellTree::ShowShellMenu(const TPoint& Point, String& Verb) {
  Verb.clear();
  TTreeNode* node = Selected();
  TZavShellTreeItem* data = Record(node);
  if (data == nullptr) return;
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  SetBrowserRename();
  std::unique_ptr<TStringList> clipboard = ClipboardFileList();
  FBrowser->SetReadOnly(ReadOnly());
  TComponentRef<TZavShellTree> self(this);
  FBrowser->PopupShellMenu(Point, PopupMenu(), Verb);
  if (self) AfterMenuVerb(Verb, std::move(clipboard));
}

void TZavShellTree::AfterMenuVerb(const String& Verb, std::unique_ptr<TStringList> Clipboard) {
  TTreeNode* node = Selected();
  if (IsVerb(Verb, "delete")) {
    FImmediateChange = true;
    const String folder = SelectedFolder();
    TComponentRef<TZavShellTree> self(this);
    DoOperation(ZavOperationDelete, OnePath(folder), String());
    if (self && StillANode(node)) node->Delete();
  } else if (IsVerb(Verb, "cut")) {
    if (node != nullptr) node->SetCut(true);
  } else if (IsVerb(Verb, "paste")) {
    TComponentRef<TZavShellTree> self(this);
    if (Application != nullptr) Application->ProcessMessages();
    if (!self) return;
    RefreshSelected();
    const int32_t code = Clipboard->Count() == 0
                             ? ZavOperationPasteCopied
                             : PasteOperation(Clipboard.get()) - ZavOperationPasteCopied + ZavOperationTreePaste + 1;
    DoOperation(code, std::move(Clipboard), SelectedFolder());
  }
}

void TZavShellTree::ContextMenu(TMessage& Message) {
  if (Selected() == nullptr || !FShellContextMenu) {
    TCustomTreeView::Dispatch(Message);
    return;
  }
  TPoint point = LParamToPoint(Message.LParam);
  if (point.X <= 0) point = ClientToScreen(BottomRight(Selected()->DisplayRect(true)));
  String verb;
  ShowShellMenu(point, verb);
  Message.Result = 1;
}

// ---- Keys and mouse ----------------------------------------------------------------------------------

void TZavShellTree::KeyDown(uint16_t& Key, TShiftState Shift) {
  TComponentRef<TZavShellTree> self(this);
  if (!IsEditing() && HandleKey(Key, Shift)) Key = 0;
  if (!self) return;
  SetSelectionDelay(ZavTreeKeyDelay);
  TCustomTreeView::KeyDown(Key, Shift);
}

// True when the key is consumed.
bool TZavShellTree::HandleKey(uint16_t Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_RETURN:
      if (!Shift.Contains(ssAlt)) return false;
      ExecuteVerb("properties");
      return true;
    case VK_DELETE:
      if (!ReadOnly()) ExecuteVerb("delete");
      return false;
    case 'A':
      if (ctrl && FShellLink != nullptr) FShellLink->SelectAllOthers(this);
      return ctrl;
    case 'C':
      if (ctrl) ExecuteVerb("copy");
      return ctrl;
    case 'V':
      if (ctrl && !ReadOnly()) PasteByKey();
      return ctrl;
    case 'X':
      if (ctrl && !ReadOnly()) ExecuteVerb("cut");
      return ctrl;
    case VK_F2:
      if (Selected() != nullptr) ExecuteVerb("rename");
      return false;
    case VK_F5: {
      TComponentRef<TZavShellTree> self(this);
      RefreshTree();
      if (self && FShellLink != nullptr) FShellLink->RepopulateOthers(this);
      return false;
    }
    case VK_F10:
      if (Shift.Contains(ssShift) && Selected() != nullptr) {
        String verb;
        ShowShellMenu(ClientToScreen(BottomRight(Selected()->DisplayRect(true))), verb);
      }
      return false;
    default: return ctrl;
  }
}

// The paste verb reports what it did; the key reports the list again with
// the node's path, as the host has always been told.
void TZavShellTree::PasteByKey() {
  std::unique_ptr<TStringList> files = ClipboardFileList();
  TComponentRef<TZavShellTree> self(this);
  ExecuteVerb("paste");
  if (self) DoOperation(ZavOperationTreePaste, std::move(files), NodePath(Selected()));
}

void TZavShellTree::KeyPress(char32_t& Key) {
  if (Key == 3 || Key == 22 || Key == 24) Key = 0;
  SetSelectionDelay(ZavTreeKeyDelay);
  TCustomTreeView::KeyPress(Key);
}

void TZavShellTree::DblClick() {
  if (!FLeftDouble || (OnDblClick && Owner() != nullptr)) {
    TCustomTreeView::DblClick();
    return;
  }
  TZavShellTreeItem* data = Record(Selected());
  if (data == nullptr) return;
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  if (ShowFiles() && !data->IsFolder) ExecuteVerb("default");
}

void TZavShellTree::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TZavShellTree> self(this);
  TCustomTreeView::MouseDown(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft || Shift.Contains(ssDouble)) return;
  if (FShellLink == nullptr || !FCheckBoxes) return;
  TTreeNode* node = GetNodeAt(X, Y);
  if (node != nullptr && InCheckZone(node, X, Y)) ToggleCheck(node);
}

bool TZavShellTree::InCheckZone(TTreeNode* Node, int32_t X, int32_t Y) {
  if (Record(Node) == nullptr || StateImages() == nullptr) return false;
  const TRect row = Node->DisplayRect(false);
  const int32_t left = row.Left + (Node->Level() + (ShowRoot() ? 1 : 0)) * Indent();
  return X >= left && X < left + StateImages()->Width() && Y >= row.Top && Y < row.Top + StateImages()->Height();
}

void TZavShellTree::ToggleCheck(TTreeNode* Node) {
  THourglass hourglass;
  TZavSelectionList* selection = FShellLink->Selection();
  LPCITEMIDLIST absolute = Record(Node)->AbsoluteIDList;
  bool viaAncestor = false;
  if (selection->GetStateOfIDList(absolute, viaAncestor) == ZavCheckChecked) {
    selection->RemoveIDList(absolute);
  } else {
    selection->AddIDList(absolute);
    TOwnedIDList highest = Own(selection->GetFullyCheckedAncestor(absolute));
    if (highest) selection->AddIDList(highest.get());
  }
  UpdateAncestorStates(Node);
  UpdateExpandedStates(Node);
  TComponentRef<TZavShellTree> self(this);
  RefreshSelected();
  if (self && FShellLink != nullptr) FShellLink->RefreshOthers(this);
}

void TZavShellTree::UpdateExpandedStates(TTreeNode* Node) {
  if (!Node->Expanded()) return;
  for (TTreeNode* c = Node->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) {
    UpdateStateImage(c);
    UpdateExpandedStates(c);
  }
}

// ---- Renaming ----------------------------------------------------------------------------------------

bool TZavShellTree::CanEdit(TTreeNode* Node) {
  if (!TCustomTreeView::CanEdit(Node)) return false;
  TZavShellTreeItem* data = Record(Node);
  if (data == nullptr) return true;
  if (Node->Parent() == nullptr) return false;
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  return FBrowser->CanRename();
}

void TZavShellTree::Edit(const TVITEM& Item) {
  TTreeNode* node = reinterpret_cast<TTreeNode*>(Item.lParam);
  TZavShellTreeItem* data = Record(node);
  if (Item.pszText == nullptr || data == nullptr || node->Parent() == nullptr) return;
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  const String oldName = FBrowser->GetObjectName();
  String name = Item.pszText;
  FBrowser->Rename(name);
  // Refused (a taken name): the node keeps its text and its lists.
  if (FBrowser->GetObjectName() == oldName) return;
  node->SetText(name);
  FreeIDList(data->IDList);
  FreeIDList(data->AbsoluteIDList);
  data->IDList = FBrowser->GetCurrentIDList();
  data->AbsoluteIDList = CopyIDList(FBrowser->GetAbsoluteIDList());
  const bool expanded = node->Expanded();
  const bool hasChildren = node->HasChildren();
  node->DeleteChildren();
  node->SetHasChildren(hasChildren);
  if (expanded) node->Expand(false);
  RefreshNode(node, true);
  if (FShellLink != nullptr) FShellLink->NotifyFolderChange(this, data->AbsoluteIDList);
}

// ---- Drag out ----------------------------------------------------------------------------------------

void TZavShellTree::SetOleDragDrop(bool Value) {
  FOleDragDrop = Value;
  if (!ComponentState().Contains(TComponentStateItem::csDesigning) && HandleAllocated()) {
    RevokeDragDrop(WindowHandle());
    if (Value && !RegisterShellDropTarget(WindowHandle(), this, this)) FOleDragDrop = false;
  }
  SetDragMode(FOleDragDrop ? TDragMode::dmAutomatic : TDragMode::dmManual);
}

void TZavShellTree::BeginDragOut(NMTREEVIEW* Info, bool Right) {
  TTreeNode* node = Items()->GetNode(Info->itemNew.hItem);
  TZavShellTreeItem* data = Record(node);
  // The root cannot be dragged.
  if (!FOleDragDrop || data == nullptr || node->Parent() == nullptr) return;
  FDragStartTick = GetTickCount64();
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  const uint32_t allowed = FBrowser->GetAttributes(kDropEffects);
  TOwnedIDList object = Own(FBrowser->GetCurrentIDList());
  if (!object || FBrowser->ShellFolder() == nullptr) return;
  const PCUITEMID_CHILD items[1] = {object.get()};
  void* found = nullptr;
  if (FAILED(FBrowser->ShellFolder()->GetUIObjectOf(Handle(), 1, items, IID_IDataObject, nullptr, &found)) ||
      found == nullptr)
    return;
  auto* dataObject = static_cast<IDataObject*>(found);
  FDragButton = Right ? MK_RBUTTON : MK_LBUTTON;
  FDragNode = node;
  auto* source = new TShellDropSource(FDragButton);
  uint32_t effect = DROPEFFECT_NONE;
  TComponentRef<TZavShellTree> self(this);
  DoDragDrop(dataObject, source, allowed, &effect);
  source->Release();
  dataObject->Release();
  if (!self) return;
  FDragButton = 0;
  FDragNode = nullptr;
  if (Application != nullptr) Application->ProcessMessages();
}

// ---- Drop target ---------------------------------------------------------------------------------------

// Whether the node is still one of the tree's (the pumps of a drop may have
// refreshed it away).
bool TZavShellTree::StillANode(TTreeNode* Node) {
  if (Node == nullptr) return false;
  for (TTreeNode* n = Items()->GetFirstNode(); n != nullptr; n = n->GetNext())
    if (n == Node) return true;
  return false;
}

HRESULT TZavShellTree::DragEnter(IDataObject* Data, uint32_t, POINTL, uint32_t* Effect) {
  ClearDrop(true);
  *Effect = DROPEFFECT_NONE;
  FDropData = Data;
  if (FDropData != nullptr) FDropData->AddRef();
  FLastEffect = 0;
  FLastScrollTick = GetTickCount64();
  return S_OK;
}

HRESULT TZavShellTree::DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (ReadOnly()) {
    *Effect = DROPEFFECT_NONE;
    return S_OK;
  }
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  FDropKeyState = KeyState & ZavDropButtons;
  const TPoint client = ScreenToClient(TPoint{Point.x, Point.y});
  const uint32_t allowed = *Effect;
  TTreeNode* node = GetNodeAt(client.X, client.Y);
  if (node != FDropNode) ChangeDropNode(node, KeyState, Point, allowed);
  AutoScroll(client);
  if (FDropNode != nullptr && !FDropNode->Expanded() && GetTickCount64() - FHoverTick > kHoverExpand)
    FDropNode->Expand(false);
  HRESULT hr = E_FAIL;
  if (FNodeTarget != nullptr)
    hr = FNodeTarget->DragOver(KeyState, Point, Effect);
  else
    *Effect = DROPEFFECT_NONE;
  // The window system takes the effect whatever the answer.
  if (*Effect != FLastEffect) {
    FLastEffect = *Effect;
    return E_FAIL;
  }
  return hr;
}

void TZavShellTree::ChangeDropNode(TTreeNode* Node, uint32_t KeyState, POINTL Point, uint32_t Effect) {
  Items()->BeginUpdate();
  auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
  SetDropTarget(nullptr);
  if (FNodeTarget != nullptr) FNodeTarget->DragLeave();
  ReleaseRef(FNodeTarget);
  FDropNode = Node;
  FHoverTick = GetTickCount64();
  TZavShellTreeItem* data = Record(Node);
  if (data == nullptr) return;
  FBrowser->SelectAbsoluteIDList(data->AbsoluteIDList);
  TOwnedIDList object = Own(FBrowser->GetCurrentIDList());
  void* found = nullptr;
  if (object && FBrowser->ShellFolder() != nullptr) {
    const PCUITEMID_CHILD items[1] = {object.get()};
    if (SUCCEEDED(FBrowser->ShellFolder()->GetUIObjectOf(Handle(), 1, items, IID_IDropTarget, nullptr, &found)))
      FNodeTarget = static_cast<IDropTarget*>(found);
  }
  uint32_t effect = Effect;
  if (FNodeTarget != nullptr && FAILED(FNodeTarget->DragEnter(FDropData, KeyState, Point, &effect)))
    ReleaseRef(FNodeTarget);
  SetDropTarget(Node);
}

void TZavShellTree::AutoScroll(const TPoint& Client) {
  const uint64_t now = GetTickCount64();
  if (now - FLastScrollTick < kScrollInterval) return;
  if (Client.Y < kScrollZone)
    Perform(WM_VSCROLL, SB_LINEUP, 0);
  else if (Client.Y > ClientHeight() - kScrollZone)
    Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  else
    return;
  FLastScrollTick = now;
}

HRESULT TZavShellTree::DragLeave() {
  ClearDrop(true);
  return S_OK;
}

void TZavShellTree::ClearDrop(bool TellTarget) {
  if (!FDestroying && HandleAllocated()) SetDropTarget(nullptr);
  if (TellTarget && FNodeTarget != nullptr) FNodeTarget->DragLeave();
  ReleaseRef(FNodeTarget);
  ReleaseRef(FDropData);
  FDropNode = nullptr;
  FDropKeyState = 0;
}

HRESULT TZavShellTree::Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  const TPoint client = ScreenToClient(TPoint{Point.x, Point.y});
  TTreeNode* node = GetNodeAt(client.X, client.Y);
  // A node let go on itself, or at once, was clicked, not dragged.
  if (FDragButton != 0 && (node == FDragNode || GetTickCount64() - FDragStartTick < kDropAsClick)) {
    *Effect = DROPEFFECT_NONE;
    ClearDrop(true);
    if (node != nullptr) SetSelected(node);
    return E_UNEXPECTED;
  }
  if (FNodeTarget == nullptr || FLastEffect == DROPEFFECT_NONE || FDropNode == nullptr) {
    *Effect = DROPEFFECT_NONE;
    ClearDrop(true);
    return E_UNEXPECTED;
  }
  TComponentRef<TZavShellTree> self(this);
  const TNotifyEvent started = OnMarloDropStart;
  if (started) started(this);
  if (!self) return E_UNEXPECTED;
  HRESULT hr = E_UNEXPECTED;
  try {
    hr = DropOnNode(FDropNode, Data, KeyState, Point, Effect);
  } catch (const Exception&) {
    // A shell failure ends the drop like any refused one.
  }
  if (!self) return hr;
  ClearDrop(false);
  if (started && OnMarloDropEnd) OnMarloDropEnd(this);
  return hr;
}

HRESULT TZavShellTree::DropOnNode(TTreeNode* Node, IDataObject* Data, uint32_t KeyState, POINTL Point,
                                  uint32_t* Effect) {
  const String destination = NodePath(Node);
  IDropTarget* target = FNodeTarget;
  FNodeTarget = nullptr;
  TComponentRef<TZavShellTree> self(this);
  const HRESULT hr = target->Drop(Data, KeyState, Point, Effect);
  target->Release();
  if (Application != nullptr) Application->ProcessMessages();
  if (!self || FAILED(hr)) return hr;
  std::unique_ptr<TStringList> files = DataObjectFileList(Data);
  // Nothing answered, yet the first file left: the files were moved.
  if (*Effect == DROPEFFECT_NONE && files->Count() > 0 && !ShellPathExists(files->Strings(0)))
    *Effect = DROPEFFECT_MOVE;
  if (const int32_t code = DropOperation(*Effect)) DoOperation(code, std::move(files), destination);
  if (self && StillANode(Node) && Node->GetFirstChild() != nullptr) RefreshNode(Node, true);
  return hr;
}
