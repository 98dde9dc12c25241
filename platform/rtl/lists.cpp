#include "platform/rtl/lists.h"

#include <algorithm>

TList::~TList() { Clear(); }

void TList::Error(const char* Msg, int32_t Data) { throw EListError(Msg, {Data}); }

void TList::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

void* TList::Get(int32_t Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::Put(int32_t Index, void* Item) {
  CheckIndex(Index);
  void*& slot = FList[static_cast<size_t>(Index)];
  if (slot == Item) return;
  void* old = slot;
  slot = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

int32_t TList::Add(void* Item) {
  int32_t index = Count();
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return index;
}

void TList::Insert(int32_t Index, void* Item) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int32_t Index) {
  CheckIndex(Index);
  void* old = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (old) Notify(old, lnDeleted);
}

int32_t TList::IndexOf(void* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<int32_t>(it - FList.begin());
}

int32_t TList::Remove(void* Item) {
  int32_t index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  int32_t index = IndexOf(Item);
  if (index < 0) return nullptr;
  FList.erase(FList.begin() + index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

void TList::Exchange(int32_t Index1, int32_t Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  auto first = FList.begin();
  if (CurIndex < NewIndex)
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  else
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
}

void TList::Pack() { std::erase(FList, nullptr); }

void TList::Sort(TListSortCompare Compare) {
  if (!Compare || FList.size() < 2) return;
  // Sort a copy: a comparer that throws must not leave items duplicated or lost.
  std::vector<void*> sorted(FList);
  std::stable_sort(sorted.begin(), sorted.end(), [Compare](void* a, void* b) { return Compare(a, b) < 0; });
  FList.swap(sorted);
}

void* TList::First() const { return Get(0); }

void* TList::Last() const { return Get(Count() - 1); }

void TList::SetCapacity(int32_t NewCapacity) {
  if (NewCapacity < Count()) Error("List capacity out of bounds (%d)", NewCapacity);
  if (static_cast<size_t>(NewCapacity) > FList.capacity()) {
    FList.reserve(static_cast<size_t>(NewCapacity));
  } else if (static_cast<size_t>(NewCapacity) < FList.capacity()) {
    std::vector<void*> shrunk;
    shrunk.reserve(static_cast<size_t>(NewCapacity));
    shrunk.assign(FList.begin(), FList.end());
    FList.swap(shrunk);
  }
}

void TList::SetCount(int32_t NewCount) {
  if (NewCount < 0) Error("List count out of bounds (%d)", NewCount);
  if (NewCount > Count()) {
    FList.resize(static_cast<size_t>(NewCount), nullptr);
    return;
  }
  // One at a time from the end, so each Notify sees a consistent list.
  while (Count() > NewCount) Delete(Count() - 1);
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Assign(const TList& Source) {
  if (&Source == this) return;
  Clear();
  SetCapacity(Source.Count());
  for (void* item : Source.FList) Add(item);
}

void TList::Notify(void*, TListNotification) {}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
  TList::Notify(Ptr, Action);
}
