// TCustomListView over the native "SysListView32": items are inserted with
// text and image callbacks (lParam the TListItem) and answered from the
// objects; every change goes to the window by a message.
#include "platform/vcl/comctrls_listview.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/vcl/imglist.h"
#include "platform/rtl/scopeguard.h"

namespace {

LVITEM CallbackText(int32_t Sub) {
  LVITEM it;
  it.mask = LVIF_TEXT;
  it.iSubItem = Sub;
  it.pszText = LPSTR_TEXTCALLBACK;
  return it;
}

struct TSortContext {
  TCustomListView* ListView;
  const TLVCompare* Proc;
  const TLVCompareEvent* Event;
  intptr_t Data;
};

int32_t SortTrampoline(LPARAM A, LPARAM B, LPARAM Context) {
  auto* c = reinterpret_cast<TSortContext*>(Context);
  auto* a = reinterpret_cast<TListItem*>(A);
  auto* b = reinterpret_cast<TListItem*>(B);
  if (c->Proc != nullptr && *c->Proc) return (*c->Proc)(a, b, c->Data);
  if (c->Event != nullptr && *c->Event) {
    int32_t r = 0;
    (*c->Event)(c->ListView, a, b, c->Data, r);
    return r;
  }
  return AnsiCompareText(a->Caption(), b->Caption());
}

TItemChange ChangeKind(uint32_t Changed) {
  if (Changed & LVIF_TEXT) return TItemChange::ctText;
  if (Changed & LVIF_IMAGE) return TItemChange::ctImage;
  return TItemChange::ctState;
}

}  // namespace

// ================================================================================
// TListItem
// ================================================================================

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(std::make_unique<TStringList>()) {
  FSubItems->OnChange = [this](TObject*) { SubItemsChanged(); };
}

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

int32_t TListItem::Index() {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) {
    const auto& saved = lv->FSavedItems;
    auto it = std::find(saved.begin(), saved.end(), this);
    return it == saved.end() ? -1 : int32_t(it - saved.begin());
  }
  // The last known index first: most calls come right after an insertion.
  LVITEM probe;
  probe.mask = LVIF_PARAM;
  probe.iItem = FIndexHint;
  if (FIndexHint >= 0 && lv->Perform(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&probe)) != 0 &&
      probe.lParam == reinterpret_cast<LPARAM>(this))
    return FIndexHint;
  LVFINDINFO f;
  f.flags = LVFI_PARAM;
  f.lParam = reinterpret_cast<LPARAM>(this);
  FIndexHint = int32_t(lv->Perform(LVM_FINDITEM, WPARAM(-1), reinterpret_cast<LPARAM>(&f)));
  return FIndexHint;
}

void TListItem::SetCaption(const String& Value) {
  FCaption = Value;
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return;
  const int32_t i = Index();
  if (i < 0) return;
  LVITEM it = CallbackText(0);
  lv->Perform(LVM_SETITEMTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&it));
}

void TListItem::SubItemsChanged() {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return;
  const int32_t i = Index();
  if (i < 0) return;
  for (int32_t k = 1; k <= FSubItems->Count(); ++k) {
    LVITEM it = CallbackText(k);
    lv->Perform(LVM_SETITEMTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&it));
  }
}

void TListItem::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return;
  const int32_t i = Index();
  if (i < 0) return;
  LVITEM it;
  it.mask = LVIF_IMAGE;
  it.iItem = i;
  it.iImage = I_IMAGECALLBACK;
  lv->Perform(LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it));
}

bool TListItem::GetState(uint32_t Bit) {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return (FSavedState & Bit) != 0;
  const int32_t i = Index();
  return i >= 0 && lv->Perform(LVM_GETITEMSTATE, WPARAM(i), LPARAM(Bit)) != 0;
}

void TListItem::SetState(uint32_t Bit, bool Value) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  const int32_t i = Index();
  if (i < 0) return;
  LVITEM it;
  it.stateMask = Bit;
  it.state = Value ? Bit : 0;
  lv->Perform(LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&it));
}

int32_t TListItem::StateIndex() {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return ComStateBitsToIndex(FSavedState);
  const int32_t i = Index();
  return i < 0 ? -1 : ComStateBitsToIndex(uint32_t(lv->Perform(LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK)));
}

void TListItem::SetStateIndex(int32_t Value) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  const int32_t i = Index();
  if (i < 0) return;
  LVITEM it;
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = ComStateIndexToBits(Value);
  lv->Perform(LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&it));
}

int32_t TListItem::OverlayIndex() {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return ComOverlayBitsToIndex(FSavedState);
  const int32_t i = Index();
  return i < 0 ? -1 : ComOverlayBitsToIndex(uint32_t(lv->Perform(LVM_GETITEMSTATE, WPARAM(i), LVIS_OVERLAYMASK)));
}

void TListItem::SetOverlayIndex(int32_t Value) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  const int32_t i = Index();
  if (i < 0) return;
  LVITEM it;
  it.stateMask = LVIS_OVERLAYMASK;
  it.state = ComOverlayIndexToBits(Value);
  lv->Perform(LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&it));
}

bool TListItem::Checked() { return StateIndex() == 1; }

void TListItem::SetChecked(bool Value) { SetStateIndex(Value ? 1 : 0); }

TPoint TListItem::Position() {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  TPoint p{0, 0};
  lv->Perform(LVM_GETITEMPOSITION, WPARAM(Index()), reinterpret_cast<LPARAM>(&p));
  return p;
}

void TListItem::SetPosition(const TPoint& Value) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  lv->Perform(LVM_SETITEMPOSITION, WPARAM(Index()), MAKELPARAM(Value.X, Value.Y));
}

TRect TListItem::DisplayRect(TDisplayCode Code) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  TRect r{int32_t(Code), 0, 0, 0};
  if (lv->Perform(LVM_GETITEMRECT, WPARAM(Index()), reinterpret_cast<LPARAM>(&r)) == 0) return TRect{0, 0, 0, 0};
  return r;
}

void TListItem::MakeVisible(bool PartialOK) {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  lv->Perform(LVM_ENSUREVISIBLE, WPARAM(Index()), PartialOK ? 1 : 0);
}

bool TListItem::EditCaption() {
  TCustomListView* lv = ListView();
  lv->HandleNeeded();
  return lv->Perform(LVM_EDITLABEL, WPARAM(Index()), 0) != 0;
}

void TListItem::CancelEdit() {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) lv->Perform(LVM_EDITLABEL, WPARAM(-1), 0);
}

void TListItem::Update() {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated()) lv->Perform(LVM_UPDATE, WPARAM(Index()), 0);
}

void TListItem::Delete() {
  if (FDeleting) return;
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) {
    auto& saved = lv->FSavedItems;
    saved.erase(std::remove(saved.begin(), saved.end(), this), saved.end());
    lv->Delete(this);
    lv->FreeItem(this);
    return;
  }
  // LVN_DELETEITEM frees the object (after the notification returns).
  lv->Perform(LVM_DELETEITEM, WPARAM(Index()), 0);
}

// ================================================================================
// TListItems
// ================================================================================

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int32_t Index) {
  FOwner->HandleNeeded();
  TListItem* item = FOwner->NewItem();
  LVITEM it;
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  it.iItem = Index;
  it.pszText = LPSTR_TEXTCALLBACK;
  it.iImage = I_IMAGECALLBACK;
  it.lParam = reinterpret_cast<LPARAM>(item);
  const LRESULT i = FOwner->Perform(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  if (i < 0) {
    FOwner->FreeItem(item);
    throw EOutOfResources("Unable to insert an item");
  }
  item->FIndexHint = int32_t(i);
  return item;
}

void TListItems::Delete(int32_t Index) { Item(Index)->Delete(); }

void TListItems::Clear() {
  if (!FOwner->HandleAllocated()) {
    std::vector<TListItem*> saved;
    saved.swap(FOwner->FSavedItems);
    for (TListItem* item : saved) {
      FOwner->Delete(item);
      FOwner->FreeItem(item);
    }
    return;
  }
  FOwner->Perform(LVM_DELETEALLITEMS, 0, 0);
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) FOwner->Perform(WM_SETREDRAW, 0, 0);
}

void TListItems::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FOwner->HandleAllocated()) {
    FOwner->Perform(WM_SETREDRAW, 1, 0);
    FOwner->Invalidate();
  }
}

int32_t TListItems::Count() {
  if (!FOwner->HandleAllocated()) return int32_t(FOwner->FSavedItems.size());
  return int32_t(FOwner->Perform(LVM_GETITEMCOUNT, 0, 0));
}

TListItem* TListItems::Item(int32_t Index) {
  if (!FOwner->HandleAllocated()) {
    if (Index < 0 || Index >= int32_t(FOwner->FSavedItems.size()))
      throw EListError("List index out of bounds (%d)", {Index});
    return FOwner->FSavedItems[size_t(Index)];
  }
  LVITEM it;
  it.mask = LVIF_PARAM;
  it.iItem = Index;
  if (FOwner->Perform(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) == 0)
    throw EListError("List index out of bounds (%d)", {Index});
  TListItem* item = FOwner->ItemOf(it.lParam);
  if (item != nullptr) item->FIndexHint = Index;
  return item;
}

int32_t TListItems::IndexOf(TListItem* Value) { return Value != nullptr ? Value->Index() : -1; }

// ================================================================================
// Columns
// ================================================================================

int32_t TListColumn::Index() const {
  const auto& v = FOwner->FItems;
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == this) return int32_t(i);
  return -1;
}

void TListColumn::SetCaption(const String& Value) {
  FCaption = Value;
  FOwner->Owner()->UpdateColumnNative(Index());
}

int32_t TListColumn::Width() {
  TCustomListView* lv = FOwner->Owner();
  if (lv->HandleAllocated() && lv->ViewStyle() == TViewStyle::vsReport)
    return int32_t(lv->Perform(LVM_GETCOLUMNWIDTH, WPARAM(Index()), 0));
  return FWidth;
}

void TListColumn::SetWidth(int32_t Value) {
  FWidth = Value;
  TCustomListView* lv = FOwner->Owner();
  if (lv->HandleAllocated()) lv->Perform(LVM_SETCOLUMNWIDTH, WPARAM(Index()), LPARAM(Value));
}

void TListColumn::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  FOwner->Owner()->UpdateColumnNative(Index());
}

void TListColumn::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  FOwner->Owner()->UpdateColumnNative(Index());
}

TListColumn* TListColumns::Add() {
  FItems.push_back(std::make_unique<TListColumn>(this));
  FOwner->InsertColumnNative(Count() - 1);
  return FItems.back().get();
}

void TListColumns::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  if (FOwner->HandleAllocated()) FOwner->Perform(LVM_DELETECOLUMN, WPARAM(Index), 0);
  FItems.erase(FItems.begin() + Index);
}

void TListColumns::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

TListColumn* TListColumns::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  return FItems[size_t(Index)].get();
}

void TIconOptions::SetArrangement(TIconArrangement Value) { FArrangement = Value; }

void TIconOptions::SetAutoArrange(bool Value) {
  FAutoArrange = Value;
  FOwner->RecreateStyle();
}

void TIconOptions::SetWrapText(bool Value) {
  FWrapText = Value;
  FOwner->RecreateStyle();
}

// ================================================================================
// TCustomListView
// ================================================================================

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csDoubleClicks});
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  FColor = clWindow;
  FParentColor = false;
  Brush()->SetColor(clWindow);
  FItems = std::make_unique<TListItems>(this);
  FColumns = std::make_unique<TListColumns>(this);
  FIconOptions = std::make_unique<TIconOptions>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
  auto link = [this](int32_t Which, TCustomImageList** Field) {
    auto l = std::make_unique<TChangeLink>();
    l->OnChange = [this, Which, Field](TObject*) {
      if (HandleAllocated())
        Perform(LVM_SETIMAGELIST, WPARAM(Which), reinterpret_cast<LPARAM>(*Field ? (*Field)->Handle() : nullptr));
    };
    return l;
  };
  FLargeLink = link(LVSIL_NORMAL, &FLargeImages);
  FSmallLink = link(LVSIL_SMALL, &FSmallImages);
  FStateLink = link(LVSIL_STATE, &FStateImages);
}

TCustomListView::~TCustomListView() {
  // The window goes first (its items hold pointers to the objects); the
  // objects then go without events.
  FRecreating = true;
  DestroyHandle();
  for (TCustomImageList* l : {FLargeImages, FSmallImages, FStateImages})
    if (l != nullptr) {
      l->UnRegisterChanges(l == FLargeImages   ? FLargeLink.get()
                           : l == FSmallImages ? FSmallLink.get()
                                               : FStateLink.get());
      l->RemoveFreeNotification(this);
    }
  for (TListItem* item : FAllItems) delete item;
  FAllItems.clear();
  FSavedItems.clear();
  FCanvas->FreeHandle();
}

TListItem* TCustomListView::NewItem() {
  auto* item = new TListItem(FItems.get());
  FAllItems.insert(item);
  return item;
}

void TCustomListView::FreeItem(TListItem* Item) {
  if (FAllItems.erase(Item) == 0) return;
  if (FNotifyDepth > 0) {
    Item->FDeleting = true;
    FDeferred.push_back(Item);
  } else {
    delete Item;
  }
}

void TCustomListView::FlushDeleted() {
  std::vector<TListItem*> list;
  list.swap(FDeferred);
  for (TListItem* item : list) delete item;
}

TListItem* TCustomListView::ItemOf(LPARAM Param) const {
  auto* item = reinterpret_cast<TListItem*>(Param);
  return FAllItems.count(item) != 0 ? item : nullptr;
}

uint32_t TCustomListView::ViewBits() const {
  switch (FViewStyle) {
    case TViewStyle::vsReport: return LVS_REPORT;
    case TViewStyle::vsSmallIcon: return LVS_SMALLICON;
    case TViewStyle::vsList: return LVS_LIST;
    default: return LVS_ICON;
  }
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  RegisterListViewClass();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SysListView32");
  Params.Style |= WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | LVS_SHAREIMAGELISTS | ViewBits();
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
  if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
  if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
  if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
  if (!FColumnClick) Params.Style |= LVS_NOSORTHEADER;
  if (FIconOptions->AutoArrange()) Params.Style |= LVS_AUTOARRANGE;
  if (!FIconOptions->WrapText()) Params.Style |= LVS_NOLABELWRAP;
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateExStyle();
  if (FLargeImages) Perform(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FLargeImages->Handle()));
  if (FSmallImages) Perform(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FSmallImages->Handle()));
  if (FStateImages) Perform(LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages->Handle()));
  for (int32_t i = 0; i < FColumns->Count(); ++i) InsertColumnNative(i);
  if (!FHasSaved) return;
  // The items come back without OnInsert.
  FHasSaved = false;
  std::vector<TListItem*> saved;
  saved.swap(FSavedItems);
  FRecreating = true;
  Perform(WM_SETREDRAW, 0, 0);
  for (size_t k = 0; k < saved.size(); ++k) {
    TListItem* item = saved[k];
    LVITEM it;
    it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
    it.iItem = int32_t(k);
    it.pszText = LPSTR_TEXTCALLBACK;
    it.iImage = I_IMAGECALLBACK;
    it.lParam = reinterpret_cast<LPARAM>(item);
    it.state = item->FSavedState;
    it.stateMask = 0xFFFFFFFFu;
    const LRESULT i = Perform(LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
    item->FIndexHint = int32_t(i);
    for (int32_t s = 1; s <= item->FSubItems->Count(); ++s) {
      LVITEM t = CallbackText(s);
      Perform(LVM_SETITEMTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&t));
    }
  }
  Perform(WM_SETREDRAW, 1, 0);
  FRecreating = false;
}

void TCustomListView::DestroyWnd() {
  if (HandleAllocated()) {
    const int32_t n = int32_t(Perform(LVM_GETITEMCOUNT, 0, 0));
    FSavedItems.clear();
    for (int32_t i = 0; i < n; ++i) {
      LVITEM it;
      it.mask = LVIF_PARAM | LVIF_STATE;
      it.iItem = i;
      it.stateMask = 0xFFFFFFFFu;
      if (Perform(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) == 0) continue;
      if (TListItem* item = ItemOf(it.lParam)) {
        item->FSavedState = it.state;
        FSavedItems.push_back(item);
      }
    }
    FHasSaved = true;
    for (auto& c : FColumns->FItems) c->FWidth = c->Width();
  }
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FLargeImages) SetLargeImages(nullptr);
  if (AComponent == FSmallImages) SetSmallImages(nullptr);
  if (AComponent == FStateImages) SetStateImages(nullptr);
}

void TCustomListView::SetImageList(int32_t Which, TCustomImageList* Value, TCustomImageList*& Field) {
  TChangeLink* link = Which == LVSIL_NORMAL  ? FLargeLink.get()
                      : Which == LVSIL_SMALL ? FSmallLink.get()
                                             : FStateLink.get();
  if (!ReplaceImageList(this, Field, Value, link)) return;
  if (HandleAllocated())
    Perform(LVM_SETIMAGELIST, WPARAM(Which), reinterpret_cast<LPARAM>(Field ? Field->Handle() : nullptr));
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) { SetImageList(LVSIL_NORMAL, Value, FLargeImages); }
void TCustomListView::SetSmallImages(TCustomImageList* Value) { SetImageList(LVSIL_SMALL, Value, FSmallImages); }
void TCustomListView::SetStateImages(TCustomImageList* Value) { SetImageList(LVSIL_STATE, Value, FStateImages); }

void TCustomListView::RecreateStyle() {
  if (!HandleAllocated()) return;
  uint32_t style = uint32_t(GetWindowLong(WindowHandle(), GWL_STYLE));
  const uint32_t mine = LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_NOCOLUMNHEADER |
                        LVS_NOSORTHEADER | LVS_AUTOARRANGE | LVS_NOLABELWRAP;
  style &= ~mine;
  style |= ViewBits();
  if (!FMultiSelect) style |= LVS_SINGLESEL;
  if (!FHideSelection) style |= LVS_SHOWSELALWAYS;
  if (!FReadOnly) style |= LVS_EDITLABELS;
  if (!FShowColumnHeaders) style |= LVS_NOCOLUMNHEADER;
  if (!FColumnClick) style |= LVS_NOSORTHEADER;
  if (FIconOptions->AutoArrange()) style |= LVS_AUTOARRANGE;
  if (!FIconOptions->WrapText()) style |= LVS_NOLABELWRAP;
  if (style != uint32_t(GetWindowLong(WindowHandle(), GWL_STYLE)))
    SetWindowLong(WindowHandle(), GWL_STYLE, intptr_t(style));
}

void TCustomListView::UpdateExStyle() {
  if (!HandleAllocated()) return;
  uint32_t ex = 0;
  if (FRowSelect) ex |= LVS_EX_FULLROWSELECT;
  if (FGridLines) ex |= LVS_EX_GRIDLINES;
  if (FCheckboxes) ex |= LVS_EX_CHECKBOXES;
  if (FHeaderDragDrop) ex |= LVS_EX_HEADERDRAGDROP;
  Perform(LVM_SETEXTENDEDLISTVIEWSTYLE,
          LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_HEADERDRAGDROP, LPARAM(ex));
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
  FViewStyle = Value;
  RecreateStyle();
}

void TCustomListView::SetMultiSelect(bool Value) {
  FMultiSelect = Value;
  RecreateStyle();
}

void TCustomListView::SetRowSelect(bool Value) {
  FRowSelect = Value;
  UpdateExStyle();
}

void TCustomListView::SetGridLines(bool Value) {
  FGridLines = Value;
  UpdateExStyle();
}

void TCustomListView::SetHideSelection(bool Value) {
  FHideSelection = Value;
  RecreateStyle();
  Invalidate();
}

void TCustomListView::SetReadOnly(bool Value) {
  FReadOnly = Value;
  RecreateStyle();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
  FShowColumnHeaders = Value;
  RecreateStyle();
}

void TCustomListView::SetColumnClick(bool Value) {
  FColumnClick = Value;
  RecreateStyle();
}

void TCustomListView::SetCheckboxes(bool Value) {
  FCheckboxes = Value;
  UpdateExStyle();
}

void TCustomListView::SetHeaderDragDrop(bool Value) {
  FHeaderDragDrop = Value;
  UpdateExStyle();
}

void TCustomListView::SetAllocBy(int32_t Value) {
  FAllocBy = Value;
  if (HandleAllocated()) Perform(LVM_SETITEMCOUNT, WPARAM(Value), 0);
}

void TCustomListView::SetSortType(TSortType Value) {
  FSortType = Value;
  if (Value != TSortType::stNone && HandleAllocated()) AlphaSort();
}

void TCustomListView::InsertColumnNative(int32_t Index) {
  if (!HandleAllocated() || Index < 0) return;
  TListColumn* c = FColumns->FItems[size_t(Index)].get();
  LVCOLUMN col;
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  col.fmt = c->FAlignment == TAlignment::taRightJustify ? LVCFMT_RIGHT
            : c->FAlignment == TAlignment::taCenter     ? LVCFMT_CENTER
                                                        : LVCFMT_LEFT;
  col.cx = c->FWidth;
  col.pszText = const_cast<char*>(c->FCaption.c_str());
  col.iSubItem = Index;
  Perform(LVM_INSERTCOLUMN, WPARAM(Index), reinterpret_cast<LPARAM>(&col));
}

void TCustomListView::UpdateColumnNative(int32_t Index) {
  if (!HandleAllocated() || Index < 0) return;
  TListColumn* c = FColumns->FItems[size_t(Index)].get();
  LVCOLUMN col;
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = c->FAlignment == TAlignment::taRightJustify ? LVCFMT_RIGHT
            : c->FAlignment == TAlignment::taCenter     ? LVCFMT_CENTER
                                                        : LVCFMT_LEFT;
  col.pszText = const_cast<char*>(c->FCaption.c_str());
  Perform(LVM_SETCOLUMN, WPARAM(Index), reinterpret_cast<LPARAM>(&col));
}

TListItem* TCustomListView::Selected() { return GetNextItem(nullptr, LVNI_SELECTED); }

void TCustomListView::SetSelected(TListItem* Value) {
  HandleNeeded();
  LVITEM none;
  none.stateMask = LVIS_SELECTED;
  none.state = 0;
  // Every other selected item leaves the selection (each with its notifications).
  for (int32_t i = int32_t(Perform(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
       i = int32_t(Perform(LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) {
    LVITEM probe;
    probe.mask = LVIF_PARAM;
    probe.iItem = i;
    Perform(LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&probe));
    if (ItemOf(probe.lParam) != Value) Perform(LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&none));
  }
  if (Value != nullptr) {
    Value->SetSelected(true);
    Value->SetFocused(true);
  }
}

TListItem* TCustomListView::ItemFocused() { return GetNextItem(nullptr, LVNI_FOCUSED); }

void TCustomListView::SetItemFocused(TListItem* Value) {
  if (Value != nullptr) {
    Value->SetFocused(true);
    return;
  }
  if (TListItem* f = ItemFocused()) f->SetFocused(false);
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, uint32_t Flags) {
  HandleNeeded();
  const int32_t start = StartItem != nullptr ? StartItem->Index() : -1;
  const int32_t i = int32_t(Perform(LVM_GETNEXTITEM, WPARAM(start), LPARAM(Flags)));
  return i >= 0 ? FItems->Item(i) : nullptr;
}

int32_t TCustomListView::SelCount() {
  HandleNeeded();
  return int32_t(Perform(LVM_GETSELECTEDCOUNT, 0, 0));
}

TListItem* TCustomListView::TopItem() {
  HandleNeeded();
  const int32_t i = int32_t(Perform(LVM_GETTOPINDEX, 0, 0));
  return i >= 0 && i < FItems->Count() ? FItems->Item(i) : nullptr;
}

TListItem* TCustomListView::GetItemAt(int32_t X, int32_t Y) {
  HandleNeeded();
  LVHITTESTINFO info;
  info.pt = TPoint{X, Y};
  const int32_t i = int32_t(Perform(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
  return i >= 0 && (info.flags & LVHT_ONITEM) != 0 ? FItems->Item(i) : nullptr;
}

int32_t TCustomListView::VisibleRowCount() {
  HandleNeeded();
  return int32_t(Perform(LVM_GETCOUNTPERPAGE, 0, 0));
}

void TCustomListView::Scroll(int32_t DX, int32_t DY) {
  HandleNeeded();
  Perform(LVM_SCROLL, WPARAM(intptr_t(DX)), LPARAM(DY));
}

bool TCustomListView::AlphaSort() { return CustomSort(nullptr, 0); }

bool TCustomListView::CustomSort(TLVCompare SortProc, intptr_t Data) {
  HandleNeeded();
  TSortContext context{this, SortProc ? &SortProc : nullptr, &OnCompare, Data};
  return Perform(LVM_SORTITEMS, WPARAM(reinterpret_cast<LPARAM>(&context)),
                 reinterpret_cast<LPARAM>(&SortTrampoline)) != 0;
}

bool TCustomListView::IsEditing() { return HandleAllocated() && Perform(LVM_GETEDITCONTROL, 0, 0) != 0; }

HWND TCustomListView::HeaderHandle() {
  HandleNeeded();
  return reinterpret_cast<HWND>(Perform(LVM_GETHEADER, 0, 0));
}

// ---- Dynamic methods --------------------------------------------------------------------------

bool TCustomListView::CanChange(TListItem* Item, uint32_t Change) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Item, ChangeKind(Change), allow);
  return allow;
}

void TCustomListView::Change(TListItem* Item, uint32_t Change) {
  if (OnChange) OnChange(this, Item, ChangeKind(Change));
}

bool TCustomListView::CanEdit(TListItem* Item) {
  bool allow = true;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(const LVITEM& Item) {
  TListItem* item = ItemOf(Item.lParam);
  if (item == nullptr || Item.pszText == nullptr) return;
  String s = Item.pszText;
  if (OnEdited) OnEdited(this, item, s);
  if (FAllItems.count(item) != 0 && !item->FDeleting) item->SetCaption(s);
}

void TCustomListView::Delete(TListItem* Item) {
  if (OnDeletion) OnDeletion(this, Item);
}

void TCustomListView::InsertItem(TListItem* Item) {
  if (OnInsert) OnInsert(this, Item);
}

void TCustomListView::ColClick(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::GetImageIndex(TListItem* Item) {
  if (OnGetImageIndex) OnGetImageIndex(this, Item);
}

bool TCustomListView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) {
  switch (Target) {
    case TCustomDrawTarget::dtControl:
      return (Stage == TCustomDrawStage::cdPrePaint && OnCustomDraw) || bool(OnAdvancedCustomDraw);
    case TCustomDrawTarget::dtItem:
      return (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawItem) || bool(OnAdvancedCustomDrawItem);
    default: return (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawSubItem) || bool(OnAdvancedCustomDrawSubItem);
  }
}

bool TCustomListView::CustomDraw(const TRect& ARect, TCustomDrawStage Stage) {
  bool dd = true;
  if (Stage == TCustomDrawStage::cdPrePaint && OnCustomDraw) OnCustomDraw(this, ARect, dd);
  if (OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, ARect, Stage, dd);
  return dd;
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) {
  bool dd = true;
  if (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, Item, State, dd);
  if (OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, Item, State, Stage, dd);
  return dd;
}

bool TCustomListView::CustomDrawSubItem(TListItem* Item, int32_t SubItem, TCustomDrawState State,
                                        TCustomDrawStage Stage) {
  bool dd = true;
  if (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawSubItem) OnCustomDrawSubItem(this, Item, SubItem, State, dd);
  if (OnAdvancedCustomDrawSubItem) OnAdvancedCustomDrawSubItem(this, Item, SubItem, State, Stage, dd);
  return dd;
}

// ---- Notifications ----------------------------------------------------------------------------

void TCustomListView::GetDispInfo(NMLVDISPINFO* Info) {
  TListItem* item = ItemOf(Info->item.lParam);
  if (item == nullptr || item->FDeleting) return;
  if ((Info->item.mask & LVIF_TEXT) != 0) {
    const int32_t sub = Info->item.iSubItem;
    const String& text = sub == 0                             ? item->FCaption
                         : sub - 1 < item->FSubItems->Count() ? item->FSubItems->Strings(sub - 1)
                                                              : FDispBuffer;
    if (sub != 0 && sub - 1 >= item->FSubItems->Count()) FDispBuffer.clear();
    ComCopyText(text, Info->item.pszText, Info->item.cchTextMax);
  }
  if ((Info->item.mask & LVIF_IMAGE) != 0 && Info->item.iSubItem == 0) {
    GetImageIndex(item);
    Info->item.iImage = item->FImageIndex < 0 ? I_IMAGENONE : item->FImageIndex;
  }
}

void TCustomListView::CustomDrawNotify(TMessage& Message) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(Message.LParam);
  const uint32_t stage = cd->nmcd.dwDrawStage;
  uint32_t result = CDRF_DODEFAULT;
  const TCustomDrawState state = ComCustomDrawState(cd->nmcd.uItemState);
  switch (stage) {
    case CDDS_PREPAINT:
      if (IsCustomDrawn(TCustomDrawTarget::dtControl, TCustomDrawStage::cdPrePaint)) {
        FDrawDriver.Begin(FCanvas.get(), cd->nmcd.hdc, Font(), Color());
        bool dd = true;
        {
          auto cleanup = ScopeFail([&] { FDrawDriver.Finish(true, nullptr, nullptr); });
          dd = CustomDraw(cd->nmcd.rc, TCustomDrawStage::cdPrePaint);
        }
        result = FDrawDriver.Finish(dd, nullptr, nullptr);
        if (!dd) break;
      }
      if (IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPrePaint) ||
          IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPostPaint) ||
          IsCustomDrawn(TCustomDrawTarget::dtSubItem, TCustomDrawStage::cdPrePaint))
        result |= CDRF_NOTIFYITEMDRAW;
      if (IsCustomDrawn(TCustomDrawTarget::dtControl, TCustomDrawStage::cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
      break;
    case CDDS_POSTPAINT:
      FDrawDriver.Begin(FCanvas.get(), cd->nmcd.hdc, Font(), Color());
      FDrawDriver.Finish(CustomDraw(cd->nmcd.rc, TCustomDrawStage::cdPostPaint), nullptr, nullptr);
      break;
    case CDDS_ITEMPREPAINT:
    case CDDS_ITEMPOSTPAINT:
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      TListItem* item = ItemOf(cd->nmcd.lItemlParam);
      if (item == nullptr) break;
      const bool post = stage == CDDS_ITEMPOSTPAINT;
      const bool sub = (stage & CDDS_SUBITEM) != 0;
      const TCustomDrawStage st = post ? TCustomDrawStage::cdPostPaint : TCustomDrawStage::cdPrePaint;
      if (IsCustomDrawn(sub ? TCustomDrawTarget::dtSubItem : TCustomDrawTarget::dtItem, st)) {
        FDrawDriver.Begin(FCanvas.get(), cd->nmcd.hdc, Font(), Color());
        bool dd = true;
        {
          auto cleanup = ScopeFail([&] { FDrawDriver.Finish(true, nullptr, nullptr); });
          dd = sub ? CustomDrawSubItem(item, cd->iSubItem, state, st) : CustomDrawItem(item, state, st);
        }
        result = FDrawDriver.Finish(dd, post ? nullptr : &cd->clrText, post ? nullptr : &cd->clrTextBk);
        if (!dd) break;
      }
      if (!post && !sub) {
        if (IsCustomDrawn(TCustomDrawTarget::dtSubItem, TCustomDrawStage::cdPrePaint)) result |= CDRF_NOTIFYSUBITEMDRAW;
        if (IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
      }
      break;
    }
    default: break;
  }
  Message.Result = LRESULT(result);
}

void TCustomListView::CNNotify(TMessage& Message) {
  auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
  auto* nm = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
  Message.Result = 0;
  switch (hdr->code) {
    case LVN_GETDISPINFO: GetDispInfo(reinterpret_cast<NMLVDISPINFO*>(Message.LParam)); return;
    case NM_CUSTOMDRAW: CustomDrawNotify(Message); return;
    case LVN_INSERTITEM:
      if (!FRecreating)
        if (TListItem* item = ItemOf(nm->lParam)) InsertItem(item);
      return;
    case LVN_DELETEALLITEMS: Message.Result = 0; return;
    case LVN_DELETEITEM:
      if (TListItem* item = ItemOf(nm->lParam)) {
        if (FRecreating) return;
        item->FDeleting = true;
        Delete(item);
        FreeItem(item);
      }
      return;
    case LVN_ITEMCHANGING:
      if (TListItem* item = ItemOf(nm->lParam))
        if (!item->FDeleting && !CanChange(item, nm->uChanged)) Message.Result = 1;
      return;
    case LVN_ITEMCHANGED:
      if (TListItem* item = ItemOf(nm->lParam)) {
        if (item->FDeleting) return;
        Change(item, nm->uChanged);
        if ((nm->uChanged & LVIF_STATE) != 0 && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) != 0 &&
            OnSelectItem && FAllItems.count(item) != 0)
          OnSelectItem(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
      }
      return;
    case LVN_COLUMNCLICK:
      if (nm->iSubItem >= 0 && nm->iSubItem < FColumns->Count()) ColClick(FColumns->Items(nm->iSubItem));
      return;
    case LVN_BEGINLABELEDIT: {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(Message.LParam);
      TListItem* item = ItemOf(di->item.lParam);
      Message.Result = item == nullptr || !CanEdit(item) ? 1 : 0;
      return;
    }
    case LVN_ENDLABELEDIT: {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(Message.LParam);
      if (di->item.pszText != nullptr) Edit(di->item);
      return;
    }
    case NM_CLICK: Click(); return;
    case NM_DBLCLK: DblClick(); return;
    default: return;
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_NOTIFY) {
    ++FNotifyDepth;
    {
      auto cleanup = ScopeExit([&] {
        if (--FNotifyDepth == 0) FlushDeleted();
      });
      CNNotify(Message);
    }
    return;
  }
  TWinControl::Dispatch(Message);
}
