// Collections: a list of items of one kind that the collection creates, owns
// and deletes, and that tells it about their changes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/types.h"

class TCollection;

// An item lives on the heap and belongs to at most one collection, which
// deletes it; deleting an item takes it out of its collection.
class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  const char* ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return FCollection; }
  // Leaves the current collection (if any) and joins Value at its end.
  void SetCollection(TCollection* Value);
  // Position in the collection; -1 without one.
  int32_t Index() const;
  // Moves the item to Value (EListError when out of range).
  virtual void SetIndex(int32_t Value);
  // Unique within the collection, never reused.
  int32_t ID() const { return FID; }
  String DisplayName() const { return GetDisplayName(); }
  virtual void SetDisplayName(const String& Value);

 protected:
  // Tells the collection: Update(this), or Update(nil) when AllItems.
  void Changed(bool AllItems);
  // The class name unless a derived item has a better one.
  virtual String GetDisplayName() const;
  TPersistent* GetOwner() const override;

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int32_t FID = 0;
};

// Creates one item in the given collection (the item's constructor joins it).
using TCollectionItemFactory = std::function<TCollectionItem*(TCollection* Collection)>;

// The factory for item class T: new T(Collection).
template <class T>
TCollectionItemFactory CollectionItemFactory() {
  return [](TCollection* Collection) -> TCollectionItem* { return new T(Collection); };
}

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemFactory ItemFactory);
  ~TCollection() override;
  const char* ClassName() const override { return "TCollection"; }

  // A new item at the end, made by the factory.
  TCollectionItem* Add();
  // A new item at Index (0..Count).
  TCollectionItem* Insert(int32_t Index);
  void Delete(int32_t Index);
  void Clear();
  TCollectionItem* Items(int32_t Index) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // The item with that ID, or nil.
  TCollectionItem* FindItemID(int32_t ID) const;

  // While updating, changes do not call Update; the last EndUpdate calls
  // Update(nil) once.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int32_t UpdateCount() const { return FUpdateCount; }

  // From another collection: clears, then adds one item per source item and
  // Assigns the source item to it.
  void Assign(TPersistent* Source) override;
  TPersistent* Owner() const { return GetOwner(); }

 protected:
  // After a change: Item is the changed item, or nil when the collection as a
  // whole changed (items added, removed, moved).
  virtual void Update(TCollectionItem* Item);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemFactory FItemFactory;
  std::vector<TCollectionItem*> FItems;
  int32_t FUpdateCount = 0;
  int32_t FNextID = 0;
};

// A collection that belongs to another object (its Owner).
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemFactory ItemFactory)
      : TCollection(std::move(ItemFactory)), FOwner(AOwner) {}
  const char* ClassName() const override { return "TOwnedCollection"; }

 protected:
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};
