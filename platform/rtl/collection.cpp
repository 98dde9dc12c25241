#include "platform/rtl/collection.h"

#include <algorithm>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/scopeguard.h"

namespace {
[[noreturn]] void IndexError(int32_t Index) { throw EListError("List index out of bounds (%d)", {Index}); }
}  // namespace

// ---------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int32_t TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

void TCollectionItem::SetIndex(int32_t Value) {
  int32_t current = Index();
  if (current < 0 || current == Value) return;
  auto& items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<int32_t>(items.size())) IndexError(Value);
  auto first = items.begin();
  if (current < Value)
    std::rotate(first + current, first + current + 1, first + Value + 1);
  else
    std::rotate(first + Value, first + current, first + current + 1);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

String TCollectionItem::GetDisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TCollectionItemFactory ItemFactory) : FItemFactory(std::move(ItemFactory)) {}

TCollection::~TCollection() {
  // No Update while dying: the derived part is already gone.
  FUpdateCount = 1;
  Clear();
}

TCollectionItem* TCollection::Add() {
  if (!FItemFactory) throw EInvalidOperation("Collection has no item factory");
  // Update runs once the item is fully constructed, not from its base constructor.
  BeginUpdate();
  TCollectionItem* item;
  {
    auto cleanup = ScopeExit([&] { EndUpdate(); });
    item = FItemFactory(this);
    if (!item) throw EInvalidOperation("Collection item factory made no item");
    item->SetCollection(this);
  }
  return item;
}

TCollectionItem* TCollection::Insert(int32_t Index) {
  if (Index < 0 || Index > Count()) IndexError(Index);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int32_t Index) { delete Items(Index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int32_t ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TCollection*>(Source)) {
    if (source == this) return;
    BeginUpdate();
    {
      auto cleanup = ScopeExit([&] { EndUpdate(); });
      Clear();
      for (TCollectionItem* item : source->FItems) Add()->Assign(item);
    }
    return;
  }
  TPersistent::Assign(Source);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  // Searched from the end: Clear and destruction remove the last item.
  auto it = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (it != FItems.rend()) FItems.erase(std::next(it).base());
  Item->FCollection = nullptr;
  Changed();
}
