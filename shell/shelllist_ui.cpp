// The shell list with the user and other programs: verbs, keys, the shell
// menu, in-place renaming, check boxes, and drag and drop both ways.
#include <vector>

#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/files.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "shell/shellbrowser_internal.h"
#include "shell/shelllist.h"

namespace {

constexpr uint64_t kScrollInterval = 100;
constexpr int32_t kScrollZone = 20;
constexpr uint32_t kDropEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

bool IsVerb(const String& Verb, const char* Name) { return SameText(Verb, Name); }

TPoint BottomRight(const TRect& R) { return TPoint{R.Right, R.Bottom}; }

}  // namespace

// ---- Operations ------------------------------------------------------------------------------

void TZavShellList::DoOperation(int32_t Operation, std::unique_ptr<TStringList> Files, const String& Destination) {
  TComponentRef<TZavShellList> self(this);
  if ((Operation & ZavOperationRemovesSelection) != 0) DeleteSelectedItems();
  if (Files && Files->Count() > 0 && OnOperation) {
    const TOnOperation handler = OnOperation;
    handler(this, Operation, Files.get(), Destination);
    if (!self) return;
  }
  if ((Operation & ZavOperationChangesFolders) != 0 && FShellLink != nullptr) FShellLink->RefreshOthers(this);
}

// The thumbnail thread holds copies of the records' lists; it stops all
// the same, so that no picture arrives for an item in the middle of going.
void TZavShellList::DeleteSelectedItems() {
  StopThumbnailThread();
  Items()->BeginUpdate();
  {
    auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
    for (int32_t i = Items()->Count() - 1; i >= 0; --i)
      if (Items()->Item(i)->Selected()) Items()->Item(i)->Delete();
  }
  if (FThumbnails) StartThumbnailThread();
}

// ---- Verbs ---------------------------------------------------------------------------------------

void TZavShellList::SetBrowserRename() {
  if (ReadOnly())
    FBrowser->OnRename = nullptr;
  else
    FBrowser->OnRename = [this](TObject*) { EditSelectedCaption(); };
}

void TZavShellList::EditSelectedCaption() {
  if (TListItem* item = Selected()) item->EditCaption();
}

std::unique_ptr<TStringList> TZavShellList::SelectedPaths() {
  auto paths = std::make_unique<TStringList>();
  for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item != nullptr;
       item = GetNextItem(item, LVNI_SELECTED)) {
    TZavShellListItem* data = Record(item);
    if (data != nullptr && !data->IsParentItem) paths->Add(GetItemPath(item));
  }
  return paths;
}

bool TZavShellList::FillMultiObjects() {
  FBrowser->MultiObjects()->Clear();
  for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item != nullptr;
       item = GetNextItem(item, LVNI_SELECTED)) {
    TZavShellListItem* data = Record(item);
    if (data == nullptr || data->IsParentItem) continue;
    FBrowser->SetCurrentIDList(data->IDList);
    FBrowser->MultiObjects()->Add(FBrowser->GetObjectName());
  }
  return FBrowser->MultiObjects()->Count() > 0;
}

bool TZavShellList::ExecuteVerb(const String& Verb) {
  TListItem* selected = Selected();
  if (selected == nullptr) return false;
  TZavShellListItem* data = Record(selected);
  if (SelCount() == 1 && data != nullptr && data->IsParentItem) {
    if (AnsiUpperCase(Verb) == "DEFAULT") GoUp();
    return true;
  }
  SetBrowserRename();
  std::unique_ptr<TStringList> files;
  if (IsVerb(Verb, "paste")) files = ClipboardFileList();
  if (IsVerb(Verb, "delete")) files = SelectedPaths();
  TComponentRef<TZavShellList> self(this);
  bool ran = false;
  if (SelCount() == 1 && data != nullptr) {
    FBrowser->SetCurrentIDList(data->IDList);
    if (IsVerb(Verb, "default") || IsVerb(Verb, "open")) {
      if (OpenSelected()) return true;
    }
    ran = FBrowser->ExecuteVerb(Verb);
  } else {
    ran = FillMultiObjects() && FBrowser->ExecuteVerb(Verb);
  }
  if (!self) return ran;
  if (ran) AfterVerb(Verb, std::move(files), GetPath());
  return ran;
}

// A folder, or a link to one, is entered; false for anything else.
bool TZavShellList::OpenSelected() {
  const String target = FBrowser->ResolveLink();
  if (target.empty() && FBrowser->IsFolder()) {
    if (!FBrowser->EnterFolder()) return false;
    TellLinkFolder();
    Populate();
    return true;
  }
  if (target.empty() || !DirectoryExists(target)) return false;
  FBrowser->SetFolder(target);
  Populate();
  TellLinkFolder();
  return true;
}

void TZavShellList::AfterVerb(const String& Verb, std::unique_ptr<TStringList> Files, const String& Destination) {
  if (IsVerb(Verb, "delete")) {
    TComponentRef<TZavShellList> self(this);
    DoOperation(ZavOperationDelete, std::move(Files), String());
    if (self) RefreshSoon();
  } else if (IsVerb(Verb, "paste")) {
    const int32_t code = PasteOperation(Files.get());
    DoOperation(code, std::move(Files), Destination);
  } else if (IsVerb(Verb, "cut")) {
    CutSelected();
  }
}

void TZavShellList::CutSelected() {
  for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item != nullptr; item = GetNextItem(item, LVNI_SELECTED))
    item->SetCut(true);
}

bool TZavShellList::PasteToFolder(const String& Verb) {
  std::unique_ptr<TStringList> files;
  if (IsVerb(Verb, "paste")) files = ClipboardFileList();
  bool ran = false;
  {
    // The folder as the object of its parent: the verb acts on the folder.
    TShellBrowser browser(nullptr);
    browser.SetShowErrorMessages(false);
    TOwnedIDList folder = Own(FBrowser->GetFolderIDList());
    try {
      browser.SetFolderIDList(folder.get());
      browser.GoUp();
      TComponentRef<TZavShellList> self(this);
      ran = browser.ExecuteVerb(Verb);
      if (!self) return ran;
    } catch (const EShellBrowserError&) {
      return false;
    }
  }
  TComponentRef<TZavShellList> self(this);
  if (ran && IsVerb(Verb, "paste")) {
    const int32_t code = PasteOperation(files.get());
    DoOperation(code, std::move(files), GetPath());
  }
  if (self) RefreshSoon();
  return ran;
}

void TZavShellList::ShowShellMenu(const TPoint& Point, String& Verb) {
  Verb.clear();
  if (!FillMultiObjects()) return;
  SetBrowserRename();
  std::unique_ptr<TStringList> clipboard = ClipboardFileList();
  std::unique_ptr<TStringList> paths = SelectedPaths();
  TListItem* selected = Selected();
  const String caption = selected != nullptr ? selected->Caption() : String();
  FBrowser->SetReadOnly(ReadOnly());
  TComponentRef<TZavShellList> self(this);
  FBrowser->PopupShellMenu(Point, PopupMenu(), Verb);
  if (!self) return;
  if (IsVerb(Verb, "delete"))
    DoOperation(ZavOperationDelete, std::move(paths), String());
  else if (IsVerb(Verb, "paste"))
    DoOperation(PasteOperation(clipboard.get()), std::move(clipboard), GetPath() + caption);
  else if (IsVerb(Verb, "cut"))
    CutSelected();
}

void TZavShellList::ContextMenu(TMessage& Message) {
  Message.Result = 1;
  TPoint point = LParamToPoint(Message.LParam);
  TListItem* item = nullptr;
  if (point.X == -1 && point.Y == -1) {
    item = Selected();
    point =
        item != nullptr ? ClientToScreen(BottomRight(item->DisplayRect(TDisplayCode::drSelectBounds))) : TPoint{1, 1};
  } else {
    const TPoint client = ScreenToClient(point);
    item = GetItemAt(client.X, client.Y);
  }
  if (item == nullptr) {
    if (FBackgroundPopupMenu != nullptr) FBackgroundPopupMenu->Popup(point.X, point.Y);
    return;
  }
  if (FShellContextMenu) {
    String verb;
    ShowShellMenu(point, verb);
    return;
  }
  Message.Result = 0;
  TCustomListView::Dispatch(Message);
  Message.Result = 1;
}

// ---- Keys and mouse --------------------------------------------------------------------------------

void TZavShellList::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (IsEditing()) {
    TCustomListView::KeyDown(Key, Shift);
    return;
  }
  TComponentRef<TZavShellList> self(this);
  const bool ctrl = Shift.Contains(ssCtrl);
  bool consumed = false;
  switch (Key) {
    case VK_RETURN:
      if (Shift.Contains(ssAlt)) {
        ExecuteVerb("properties");
        consumed = true;
      }
      break;
    case VK_DELETE:
      if (ReadOnly()) break;
      if (OnBeforeDelete) OnBeforeDelete(this);
      if (self) ExecuteVerb("delete");
      if (self && OnAfterDelete) OnAfterDelete(this);
      break;
    case 'A':
      if (!ctrl) break;
      for (int32_t i = 0; i < Items()->Count(); ++i) Items()->Item(i)->SetSelected(true);
      consumed = true;
      break;
    case 'C':
      if (!ctrl) break;
      ExecuteVerb("copy");
      consumed = true;
      break;
    case 'V':
      if (!ctrl) break;
      consumed = true;
      if (ReadOnly()) break;
      if (OnBeforeDelete) OnBeforeDelete(this);
      if (self) PasteToFolder("paste");
      if (self && OnAfterDelete) OnAfterDelete(this);
      break;
    case 'X':
      if (!ctrl) break;
      consumed = true;
      if (!ReadOnly()) ExecuteVerb("cut");
      break;
    case VK_F2:
      if (Selected() != nullptr) ExecuteVerb("rename");
      break;
    case VK_F5:
      Populate();
      if (self && FShellLink != nullptr) FShellLink->RepopulateOthers(this);
      break;
    case VK_F10:
      if (Shift.Contains(ssShift) && FShellContextMenu && Selected() != nullptr) {
        String verb;
        ShowShellMenu(ClientToScreen(BottomRight(Selected()->DisplayRect(TDisplayCode::drSelectBounds))), verb);
      }
      break;
    default: break;
  }
  if (!self) return;
  if (consumed) Key = 0;
  TCustomListView::KeyDown(Key, Shift);
}

void TZavShellList::KeyPress(char32_t& Key) {
  if (!IsEditing()) {
    if (Key == VK_BACK) {
      Key = 0;
      GoUp();
      return;
    }
    if (Key == VK_RETURN) {
      Key = 0;
      ExecuteVerb("default");
      return;
    }
  }
  TCustomListView::KeyPress(Key);
}

void TZavShellList::DblClick() {
  if (OnDblClick && Owner() != nullptr) {
    TCustomListView::DblClick();
    return;
  }
  ExecuteVerb("default");
}

void TZavShellList::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TZavShellList> self(this);
  TCustomListView::MouseDown(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft || Shift.Contains(ssDouble)) return;
  if (FShellLink == nullptr || !Checkboxes()) return;
  TListItem* item = GetItemAt(X, Y);
  if (item != nullptr && InCheckZone(item, X, Y)) ToggleCheck(item);
}

bool TZavShellList::InCheckZone(TListItem* Item, int32_t X, int32_t Y) {
  TZavShellListItem* data = Record(Item);
  if (data == nullptr || data->IDList == nullptr || StateImages() == nullptr) return false;
  TRect icon = Item->DisplayRect(TDisplayCode::drIcon);
  if (ViewStyle() == TViewStyle::vsIcon) icon.Left += 6;
  return X < icon.Left && Y >= icon.Bottom - StateImages()->Height();
}

void TZavShellList::ToggleCheck(TListItem* Item) {
  THourglass hourglass;
  TZavSelectionList* selection = FShellLink->Selection();
  FBrowser->SetCurrentIDList(Record(Item)->IDList);
  TOwnedIDList absolute = Own(CopyIDList(FBrowser->GetAbsoluteIDList()));
  bool viaAncestor = false;
  if (selection->GetStateOfIDList(absolute.get(), viaAncestor) == ZavCheckChecked) {
    selection->RemoveIDList(absolute.get());
  } else {
    selection->AddIDList(absolute.get());
    TOwnedIDList highest = Own(selection->GetFullyCheckedAncestor(absolute.get()));
    if (highest) selection->AddIDList(highest.get());
  }
  TComponentRef<TZavShellList> self(this);
  Refresh();
  if (self && FShellLink != nullptr) FShellLink->RefreshOthers(this);
}

void TZavShellList::SetCheckboxes(bool Value) {
  if (!Value) {
    if (auto* own = dynamic_cast<TZavSelectionStateImageList*>(StateImages())) {
      SetStateImages(nullptr);
      delete own;
    }
    SetStateImages(nullptr);
  } else if (StateImages() == nullptr && !ComponentState().Contains(TComponentStateItem::csDesigning)) {
    SetStateImages(new TZavSelectionStateImageList(this));
  }
  TCustomListView::SetCheckboxes(Value);
  Populate();
}

// ---- Renaming ----------------------------------------------------------------------------------------

bool TZavShellList::CanEdit(TListItem* Item) {
  if (!TCustomListView::CanEdit(Item)) return false;
  TZavShellListItem* data = Record(Item);
  if (data == nullptr || data->IDList == nullptr) return false;
  FBrowser->SetCurrentIDList(data->IDList);
  return FBrowser->CanRename();
}

void TZavShellList::Edit(const LVITEM& Item) {
  TListItem* item = ItemOf(Item.lParam);
  TZavShellListItem* data = Record(item);
  if (data == nullptr || data->IDList == nullptr || Item.pszText == nullptr) return;
  FBrowser->SetCurrentIDList(data->IDList);
  const String oldName = FBrowser->GetObjectName();
  auto oldPath = std::make_unique<TStringList>();
  oldPath->Add(GetPath() + oldName);
  String name = Item.pszText;
  FBrowser->Rename(name);
  // A refused rename (a taken name, no right to write) leaves the object
  // and the caption as they were, and reports nothing.
  if (FBrowser->GetObjectName() == oldName) return;
  item->SetCaption(name);
  StopThumbnailThread();
  FreeIDList(data->IDList);
  data->IDList = FBrowser->GetCurrentIDList();
  TComponentRef<TZavShellList> self(this);
  if (ViewStyle() == TViewStyle::vsIcon) {
    Populate();
  } else {
    Change(item, LVIF_TEXT);
    if (self && FThumbnails) StartThumbnailThread();
  }
  if (self) DoOperation(ZavOperationRename, std::move(oldPath), name);
}

// ---- Drag out ----------------------------------------------------------------------------------------------

void TZavShellList::SetOleDragDrop(bool Value) {
  FOleDragDrop = Value;
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || !HandleAllocated()) return;
  RevokeDragDrop(WindowHandle());
  if (Value && !RegisterShellDropTarget(WindowHandle(), this, this)) FOleDragDrop = false;
}

HRESULT TZavShellList::QueryContinueDrag(bool EscapePressed, uint32_t KeyState) {
  auto* source = new TShellDropSource(FDragButton);
  const HRESULT hr = source->QueryContinueDrag(EscapePressed, KeyState);
  source->Release();
  return hr;
}

void TZavShellList::BeginDragOut(NMLISTVIEW*, bool Right) {
  if (!FOleDragDrop || Selected() == nullptr || FBrowser->ShellFolder() == nullptr) return;
  std::vector<PCUITEMID_CHILD> lists;
  for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item != nullptr; item = GetNextItem(item, LVNI_SELECTED))
    if (TZavShellListItem* data = Record(item); data != nullptr && !data->IsParentItem && data->IDList != nullptr)
      lists.push_back(data->IDList);
  if (lists.empty()) return;
  IShellFolder* folder = FBrowser->ShellFolder();
  SFGAOF allowed = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
  if (FAILED(folder->GetAttributesOf(uint32_t(lists.size()), lists.data(), &allowed))) return;
  void* object = nullptr;
  if (FAILED(
          folder->GetUIObjectOf(Handle(), uint32_t(lists.size()), lists.data(), IID_IDataObject, nullptr, &object)) ||
      object == nullptr)
    return;
  auto* data = static_cast<IDataObject*>(object);
  FDragButton = Right ? MK_RBUTTON : MK_LBUTTON;
  auto* source = new TShellDropSource(FDragButton);
  uint32_t effect = DROPEFFECT_NONE;
  TComponentRef<TZavShellList> self(this);
  DoDragDrop(data, source, allowed & kDropEffects, &effect);
  source->Release();
  std::unique_ptr<TStringList> files = DataObjectFileList(data);
  data->Release();
  // The drag loop ran every message: the list may be gone.
  if (!self) return;
  FDragButton = 0;
  if (effect == DROPEFFECT_NONE) return;
  const int32_t code = effect == DROPEFFECT_COPY   ? ZavOperationDragCopy
                       : effect == DROPEFFECT_MOVE ? ZavOperationDragMove
                                                   : ZavOperationDragOther;
  DoOperation(code, std::move(files), String());
}

// ---- Drop target -----------------------------------------------------------------------------------------

// The drop target of Folder's ancestor Ups levels up (0: Folder's own);
// nil when there is none (the desktop, Computer).
IDropTarget* TZavShellList::FolderDropTarget(LPCITEMIDLIST Folder, int32_t Ups) {
  TShellBrowser browser(nullptr);
  browser.SetShowErrorMessages(false);
  try {
    browser.SetFolderIDList(Folder);
    for (int32_t i = 0; i <= Ups; ++i) browser.GoUp();
  } catch (const EShellBrowserError&) {
    return nullptr;
  }
  TOwnedIDList object = Own(browser.GetCurrentIDList());
  if (!object || browser.ShellFolder() == nullptr) return nullptr;
  const PCUITEMID_CHILD items[1] = {object.get()};
  void* target = nullptr;
  if (FAILED(browser.ShellFolder()->GetUIObjectOf(Handle(), 1, items, IID_IDropTarget, nullptr, &target)))
    return nullptr;
  return static_cast<IDropTarget*>(target);
}

HRESULT TZavShellList::DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  ClearDrop(true);
  FDropData = Data;
  if (FDropData != nullptr) FDropData->AddRef();
  TOwnedIDList folder = Own(FBrowser->GetFolderIDList());
  FFolderTarget = FolderDropTarget(folder.get(), 0);
  const uint32_t allowed = *Effect;
  if (FFolderTarget == nullptr || FAILED(FFolderTarget->DragEnter(Data, KeyState, Point, Effect))) {
    ReleaseRef(FFolderTarget);
    *Effect = DROPEFFECT_NONE;
  }
  *Effect = ReadOnly() ? DROPEFFECT_NONE : *Effect & allowed;
  FDropStartTick = GetTickCount64();
  return S_OK;
}

HRESULT TZavShellList::DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (ReadOnly()) {
    *Effect = DROPEFFECT_NONE;
    return S_OK;
  }
  const TPoint client = ScreenToClient(TPoint{Point.x, Point.y});
  FDropKeyState = KeyState & ZavDropButtons;
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  const uint32_t allowed = *Effect;
  TListItem* item = GetItemAt(client.X, client.Y);
  if (item != FDropItem) ChangeDropItem(item, KeyState, Point, allowed);
  AutoScroll(client);
  if (FItemTarget != nullptr) return FItemTarget->DragOver(KeyState, Point, Effect);
  // The list does not drop onto its own folder from a left drag of its own.
  if (FFolderTarget != nullptr && FDragButton != MK_LBUTTON) return FFolderTarget->DragOver(KeyState, Point, Effect);
  *Effect = DROPEFFECT_NONE;
  return S_OK;
}

void TZavShellList::ChangeDropItem(TListItem* Item, uint32_t KeyState, POINTL Point, uint32_t Effect) {
  if (FDropItem != nullptr) FDropItem->SetDropTarget(false);
  if (FItemTarget != nullptr) FItemTarget->DragLeave();
  ReleaseRef(FItemTarget);
  FDropItem = Item;
  TZavShellListItem* data = Record(Item);
  if (data == nullptr) return;
  TOwnedIDList folder = Own(FBrowser->GetFolderIDList());
  if (data->IsParentItem) {
    FItemTarget = FolderDropTarget(folder.get(), 1);
  } else if (data->IDList != nullptr && FBrowser->ShellFolder() != nullptr) {
    const PCUITEMID_CHILD items[1] = {data->IDList};
    void* target = nullptr;
    if (SUCCEEDED(FBrowser->ShellFolder()->GetUIObjectOf(Handle(), 1, items, IID_IDropTarget, nullptr, &target)))
      FItemTarget = static_cast<IDropTarget*>(target);
  }
  uint32_t effect = Effect;
  if (FItemTarget != nullptr && SUCCEEDED(FItemTarget->DragEnter(FDropData, KeyState, Point, &effect)))
    Item->SetDropTarget(true);
  else
    ReleaseRef(FItemTarget);
  Update();
}

void TZavShellList::AutoScroll(const TPoint& Client) {
  const uint64_t now = GetTickCount64();
  if (now - FLastScrollTick < kScrollInterval) return;
  if (Client.Y < kScrollZone) {
    Perform(WM_VSCROLL, SB_LINEUP, 0);
  } else if (Client.Y > ClientHeight() - kScrollZone) {
    Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  } else {
    return;
  }
  FLastScrollTick = now;
}

HRESULT TZavShellList::DragLeave() {
  ClearDrop(true);
  return S_OK;
}

void TZavShellList::ClearDrop(bool TellTargets) {
  if (FDropItem != nullptr && !FDestroying) FDropItem->SetDropTarget(false);
  FDropItem = nullptr;
  if (TellTargets) {
    if (FItemTarget != nullptr) FItemTarget->DragLeave();
    if (FFolderTarget != nullptr) FFolderTarget->DragLeave();
  }
  ReleaseRef(FItemTarget);
  ReleaseRef(FFolderTarget);
  ReleaseRef(FDropData);
  FDropKeyState = 0;
}

HRESULT TZavShellList::Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (FCreateLinkOnDrop) KeyState |= MK_ALT;
  IDropTarget* target = FItemTarget != nullptr ? FItemTarget : FFolderTarget;
  if (target == nullptr || ReadOnly()) {
    ClearDrop(true);
    *Effect = DROPEFFECT_NONE;
    return E_UNEXPECTED;
  }
  String destination = GetPath();
  if (FItemTarget != nullptr && FDropItem != nullptr && !Record(FDropItem)->IsParentItem)
    destination += FDropItem->Caption();
  // The other target hears that the drag left it; the one dropped on does not.
  IDropTarget* other = target == FItemTarget ? FFolderTarget : nullptr;
  if (other != nullptr) other->DragLeave();
  target->AddRef();
  TComponentRef<TZavShellList> self(this);
  const HRESULT hr = target->Drop(Data, KeyState, Point, Effect);
  target->Release();
  if (!self) return hr;
  ClearDrop(false);
  if (FAILED(hr)) return hr;
  std::unique_ptr<TStringList> files = DataObjectFileList(Data);
  // Nothing answered, yet the first file left: the files were moved.
  if (*Effect == DROPEFFECT_NONE && files->Count() > 0 && !ShellPathExists(files->Strings(0)))
    *Effect = DROPEFFECT_MOVE;
  if (const int32_t code = DropOperation(*Effect)) DoOperation(code, std::move(files), destination);
  return hr;
}
