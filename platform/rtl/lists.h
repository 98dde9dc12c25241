// Pointer lists: TList and the owning TObjectList.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/types.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Negative when a sorts before b, 0 when equal, positive otherwise.
using TListSortCompare = int (*)(void* Item1, void* Item2);

class TList {
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  // Frees the items through Clear; a derived class that needs its own Notify
  // to see them must call Clear in its own destructor.
  virtual ~TList();

  int32_t Add(void* Item);
  void Insert(int32_t Index, void* Item);
  void Delete(int32_t Index);
  // Deletes the first occurrence; answers its former index or -1.
  int32_t Remove(void* Item);
  // Takes the first occurrence out without deleting it; nil when absent.
  void* Extract(void* Item);
  int32_t IndexOf(void* Item) const;
  void Exchange(int32_t Index1, int32_t Index2);
  void Move(int32_t CurIndex, int32_t NewIndex);
  // Removes the nil items.
  void Pack();
  // Stable: items that compare equal keep their order.
  void Sort(TListSortCompare Compare);
  void* First() const;
  void* Last() const;
  virtual void Clear();
  // Makes this list a copy of Source (items are shared, not duplicated).
  void Assign(const TList& Source);

  int32_t Capacity() const { return static_cast<int32_t>(FList.capacity()); }
  void SetCapacity(int32_t NewCapacity);
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // Grows with nil items or deletes from the end.
  void SetCount(int32_t NewCount);
  void* Items(int32_t Index) const { return Get(Index); }
  void SetItems(int32_t Index, void* Item) { Put(Index, Item); }
  void* Get(int32_t Index) const;
  // Replacing an item reports the old one deleted and the new one added.
  void Put(int32_t Index, void* Item);

 protected:
  // Called after an item entered the list or left it; never for nil.
  virtual void Notify(void* Ptr, TListNotification Action);
  [[noreturn]] static void Error(const char* Msg, int32_t Data);

 private:
  void CheckIndex(int32_t Index) const;
  std::vector<void*> FList;
};

// Deletes its objects when they leave the list (Delete, Remove, Clear,
// replacement through Put, destruction) while OwnsObjects is true; Extract
// hands an object back without deleting it.
class TObjectList : public TList {
 public:
  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  int32_t Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(int32_t Index, TObject* AObject) { TList::Insert(Index, AObject); }
  int32_t Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* AObject) { return static_cast<TObject*>(TList::Extract(AObject)); }
  int32_t IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  TObject* Items(int32_t Index) const { return static_cast<TObject*>(TList::Get(Index)); }
  void SetItems(int32_t Index, TObject* AObject) { TList::Put(Index, AObject); }
  TObject* Get(int32_t Index) const { return Items(Index); }
  void Put(int32_t Index, TObject* AObject) { TList::Put(Index, AObject); }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects;
};

// Typed owning list for any class T (it need not derive from TObject); the
// objects are deleted as T. Same ownership rules as TObjectList.
template <class T>
class TObjectListOf : public TList {
 public:
  explicit TObjectListOf(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectListOf() override { Clear(); }

  int32_t Add(T* AObject) { return TList::Add(AObject); }
  void Insert(int32_t Index, T* AObject) { TList::Insert(Index, AObject); }
  int32_t Remove(T* AObject) { return TList::Remove(AObject); }
  T* Extract(T* AObject) { return static_cast<T*>(TList::Extract(AObject)); }
  int32_t IndexOf(T* AObject) const { return TList::IndexOf(AObject); }
  T* First() const { return static_cast<T*>(TList::First()); }
  T* Last() const { return static_cast<T*>(TList::Last()); }
  T* Items(int32_t Index) const { return static_cast<T*>(TList::Get(Index)); }
  void SetItems(int32_t Index, T* AObject) { TList::Put(Index, AObject); }
  T* Get(int32_t Index) const { return Items(Index); }
  void Put(int32_t Index, T* AObject) { TList::Put(Index, AObject); }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(void* Ptr, TListNotification Action) override {
    if (FOwnsObjects && Action == lnDeleted) delete static_cast<T*>(Ptr);
    TList::Notify(Ptr, Action);
  }

 private:
  bool FOwnsObjects;
};
