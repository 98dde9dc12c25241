#include "platform/rtl/collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int gAlive = 0;

class TPointItem : public TCollectionItem {
 public:
  explicit TPointItem(TCollection* Collection) : TCollectionItem(Collection) { ++gAlive; }
  ~TPointItem() override { --gAlive; }
  const char* ClassName() const override { return "TPointItem"; }

  int X = 0;
  void SetX(int Value) {
    X = Value;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* p = dynamic_cast<TPointItem*>(Source)) {
      X = p->X;
      return;
    }
    TCollectionItem::Assign(Source);
  }

 protected:
  String GetDisplayName() const override { return "Point " + std::to_string(X); }
};

// Records what Update was told: -1 for the whole collection, else the item's X.
class TPoints : public TOwnedCollection {
 public:
  explicit TPoints(TPersistent* AOwner = nullptr) : TOwnedCollection(AOwner, CollectionItemFactory<TPointItem>()) {}
  std::vector<int> Updates;
  TPointItem* Point(int32_t Index) const { return static_cast<TPointItem*>(Items(Index)); }

 protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item ? static_cast<TPointItem*>(Item)->X : -1); }
};

std::vector<int> Xs(const TPoints& c) {
  std::vector<int> r;
  for (int32_t i = 0; i < c.Count(); ++i) r.push_back(c.Point(i)->X);
  return r;
}

TPointItem* AddPoint(TPoints& c, int x) {
  auto* p = static_cast<TPointItem*>(c.Add());
  p->X = x;
  return p;
}

}  // namespace

TEST(RtlLists, CollectionItemsAndIndexes) {
  {
    TPoints points;
    for (int x : {10, 20, 30, 40}) AddPoint(points, x);
    EXPECT_EQ(gAlive, 4);
    EXPECT_EQ(points.Count(), 4);
    EXPECT_EQ(points.Point(2)->Index(), 2);
    EXPECT_EQ(points.Point(3)->ID(), 3);
    EXPECT_EQ(points.Point(0)->Collection(), &points);
    EXPECT_EQ(points.Point(1)->DisplayName(), "Point 20");

    points.Point(0)->SetIndex(2);  // moves, the others close up
    EXPECT_EQ(Xs(points), (std::vector<int>{20, 30, 10, 40}));
    points.Point(3)->SetIndex(0);
    EXPECT_EQ(Xs(points), (std::vector<int>{40, 20, 30, 10}));
    EXPECT_THROW(points.Point(0)->SetIndex(4), EListError);

    auto* inserted = static_cast<TPointItem*>(points.Insert(1));
    inserted->X = 15;
    EXPECT_EQ(Xs(points), (std::vector<int>{40, 15, 20, 30, 10}));
    EXPECT_EQ(inserted->ID(), 4);
    EXPECT_THROW(points.Insert(7), EListError);
    EXPECT_EQ(points.Count(), 5);

    points.Delete(0);
    EXPECT_EQ(gAlive, 4);
    EXPECT_EQ(static_cast<TPointItem*>(points.FindItemID(2))->X, 30);
    EXPECT_EQ(points.FindItemID(3), nullptr);  // deleted with 40
    delete points.Point(0);                    // deleting an item takes it out
    EXPECT_EQ(Xs(points), (std::vector<int>{20, 30, 10}));
    EXPECT_EQ(AddPoint(points, 50)->ID(), 5);  // IDs are never reused

    // An item can change collections.
    TPoints other;
    TPointItem* moved = points.Point(0);
    moved->SetCollection(&other);
    EXPECT_EQ(Xs(points), (std::vector<int>{30, 10, 50}));
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(moved->Index(), 0);
    EXPECT_EQ(moved->ID(), 0);

    try {
      points.Items(3);
      ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    points.Clear();
    EXPECT_EQ(points.Count(), 0);
    EXPECT_EQ(gAlive, 1);
  }  // the collections delete what they still hold
  EXPECT_EQ(gAlive, 0);
}

TEST(RtlLists, CollectionUpdateCalls) {
  TPoints points;
  TPointItem* a = AddPoint(points, 1);
  TPointItem* b = AddPoint(points, 2);
  EXPECT_EQ(points.Updates, (std::vector<int>{-1, -1}));  // one per Add, with the item complete

  points.Updates.clear();
  b->SetX(5);              // one item: Update(item)
  a->SetIndex(1);          // the order: Update(nil)
  b->SetDisplayName("x");  // a change of the item
  points.Delete(0);
  EXPECT_EQ(points.Updates, (std::vector<int>{5, -1, 5, -1}));

  points.Updates.clear();
  points.BeginUpdate();
  AddPoint(points, 7)->SetX(8);
  points.BeginUpdate();
  points.Delete(0);
  points.EndUpdate();
  EXPECT_TRUE(points.Updates.empty());
  points.EndUpdate();
  EXPECT_EQ(points.Updates, (std::vector<int>{-1}));  // once at the end
  EXPECT_EQ(points.UpdateCount(), 0);
}

TEST(RtlLists, CollectionAssignAndOwner) {
  TComponent owner(nullptr);
  TPoints source(&owner);
  for (int x : {3, 1, 4}) AddPoint(source, x);
  EXPECT_EQ(source.Owner(), &owner);

  TPoints target;
  AddPoint(target, 99);
  target.Updates.clear();
  target.Assign(&source);
  EXPECT_EQ(Xs(target), (std::vector<int>{3, 1, 4}));
  EXPECT_NE(target.Point(0), source.Point(0));  // copies, not shared items
  EXPECT_EQ(target.Updates, (std::vector<int>{-1}));
  EXPECT_EQ(target.Owner(), nullptr);
  target.Assign(&target);  // self-assignment keeps the items
  EXPECT_EQ(target.Count(), 3);

  // An item class without Assign cannot copy: EConvertError, and the update
  // the copy opened is closed again.
  TCollection plain(CollectionItemFactory<TCollectionItem>());
  plain.Add();
  TCollection plainCopy(CollectionItemFactory<TCollectionItem>());
  EXPECT_THROW(plainCopy.Assign(&plain), EConvertError);
  EXPECT_EQ(plainCopy.UpdateCount(), 0);
  EXPECT_THROW(plain.Assign(&owner), EConvertError);
  EXPECT_STREQ(plain.Items(0)->ClassName(), "TCollectionItem");
  EXPECT_EQ(plain.Items(0)->DisplayName(), "TCollectionItem");
}
