#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Items are small integers disguised as pointers; 0 is nil.
void* P(intptr_t v) { return reinterpret_cast<void*>(v); }
intptr_t V(void* p) { return reinterpret_cast<intptr_t>(p); }

std::vector<intptr_t> Contents(const TList& list) {
  std::vector<intptr_t> r;
  for (int32_t i = 0; i < list.Count(); ++i) r.push_back(V(list.Items(i)));
  return r;
}

using Event = std::pair<intptr_t, TListNotification>;

class TRecordingList : public TList {
 public:
  ~TRecordingList() override { Clear(); }
  std::vector<Event> Events;

 protected:
  void Notify(void* Ptr, TListNotification Action) override { Events.emplace_back(V(Ptr), Action); }
};

class TCounted : public TObject {
 public:
  explicit TCounted(int* alive) : FAlive(alive) { ++*FAlive; }
  ~TCounted() override { --*FAlive; }
  const char* ClassName() const override { return "TCounted"; }

 private:
  int* FAlive;
};

// Not a TObject: the typed owning list must still delete it.
struct Plain {
  explicit Plain(int* alive) : Alive(alive) { ++*Alive; }
  ~Plain() { --*Alive; }
  int* Alive;
};

}  // namespace

TEST(RtlLists, ListEditing) {
  TList list;
  EXPECT_EQ(list.Add(P(1)), 0);
  EXPECT_EQ(list.Add(P(2)), 1);
  list.Insert(0, P(3));
  list.Insert(3, P(4));  // Insert at Count appends
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{3, 1, 2, 4}));
  EXPECT_EQ(V(list.First()), 3);
  EXPECT_EQ(V(list.Last()), 4);
  EXPECT_EQ(list.IndexOf(P(2)), 2);
  EXPECT_EQ(list.IndexOf(P(9)), -1);

  list.Exchange(0, 3);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{4, 1, 2, 3}));
  list.Move(0, 2);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 2, 4, 3}));
  list.Move(3, 0);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{3, 1, 2, 4}));

  list.Add(P(1));
  EXPECT_EQ(list.Remove(P(1)), 1);  // first occurrence only
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{3, 2, 4, 1}));
  EXPECT_EQ(list.Remove(P(9)), -1);
  EXPECT_EQ(V(list.Extract(P(4))), 4);
  EXPECT_EQ(list.Extract(P(9)), nullptr);
  list.Delete(0);
  list.SetItems(1, P(7));
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{2, 7}));

  list.SetCount(5);  // grows with nil
  list.SetItems(3, P(8));
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{2, 7, 0, 8, 0}));
  list.Pack();
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{2, 7, 8}));
  list.SetCount(1);
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{2}));

  TList copy;
  copy.Add(P(5));
  copy.Assign(list);
  EXPECT_EQ(Contents(copy), Contents(list));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(RtlLists, ListCapacity) {
  TList list;
  list.SetCapacity(100);
  EXPECT_EQ(list.Capacity(), 100);
  for (int i = 1; i <= 10; ++i) list.Add(P(i));
  EXPECT_EQ(list.Capacity(), 100);
  list.SetCapacity(10);
  EXPECT_EQ(list.Capacity(), 10);
  EXPECT_EQ(list.Count(), 10);
  EXPECT_THROW(list.SetCapacity(9), EListError);
  EXPECT_THROW(list.SetCount(-1), EListError);
}

TEST(RtlLists, ListIndexErrors) {
  TList list;
  list.Add(P(1));
  list.Add(P(2));
  struct Case {
    const char* what;
    std::function<void()> op;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"Get past end", [&] { list.Items(2); }, "List index out of bounds (2)"},
      {"Get negative", [&] { list.Items(-1); }, "List index out of bounds (-1)"},
      {"Put", [&] { list.SetItems(5, P(1)); }, "List index out of bounds (5)"},
      {"Delete", [&] { list.Delete(2); }, "List index out of bounds (2)"},
      {"Insert past Count", [&] { list.Insert(3, P(1)); }, "List index out of bounds (3)"},
      {"Exchange", [&] { list.Exchange(0, 7); }, "List index out of bounds (7)"},
      {"Move target", [&] { list.Move(0, 2); }, "List index out of bounds (2)"},
      {"Move source", [&] { list.Move(4, 0); }, "List index out of bounds (4)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.op();
      ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(Contents(list), (std::vector<intptr_t>{1, 2}));  // nothing changed
  }
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
  EXPECT_THROW(empty.Last(), EListError);
}

TEST(RtlLists, ListNotifications) {
  TRecordingList list;
  list.Add(P(1));
  list.Add(nullptr);  // nil items are never reported
  list.Insert(0, P(2));
  list.SetItems(0, P(3));  // replacement: old deleted, new added
  list.SetItems(0, P(3));  // same item: nothing
  list.Extract(P(1));
  list.Add(P(4));
  list.Add(P(5));
  list.Delete(0);
  list.Remove(P(5));
  list.Add(P(6));
  list.Add(P(7));
  list.SetCount(1);  // deletes from the end, one by one
  list.Move(0, 0);
  list.Clear();
  const std::vector<Event> expected = {
      {1, lnAdded},   {2, lnAdded},   {2, lnDeleted}, {3, lnAdded}, {1, lnExtracted}, {4, lnAdded},   {5, lnAdded},
      {3, lnDeleted}, {5, lnDeleted}, {6, lnAdded},   {7, lnAdded}, {7, lnDeleted},   {6, lnDeleted}, {4, lnDeleted},
  };
  EXPECT_EQ(list.Events, expected);
}

TEST(RtlLists, ListSortIsStable) {
  // Keys in the tens, insertion order in the units: equal keys must keep it.
  TList list;
  for (intptr_t v : {31, 12, 33, 11, 22, 34, 13, 21}) list.Add(P(v));
  list.Sort([](void* a, void* b) { return static_cast<int>(V(a) / 10 - V(b) / 10); });
  EXPECT_EQ(Contents(list), (std::vector<intptr_t>{12, 11, 13, 22, 21, 31, 33, 34}));

  // A comparer that throws leaves the items intact (no loss, no duplicates).
  TList other;
  for (intptr_t v : {5, 3, 9, 1}) other.Add(P(v));
  static int calls;
  calls = 0;
  EXPECT_THROW(other.Sort([](void*, void*) -> int {
    if (++calls == 3) throw EListError("boom");
    return -1;
  }),
               EListError);
  std::vector<intptr_t> got = Contents(other);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<intptr_t>{1, 3, 5, 9}));
}

TEST(RtlLists, ObjectListOwnership) {
  int alive = 0;
  {
    TObjectList list;
    EXPECT_TRUE(list.OwnsObjects());
    for (int i = 0; i < 6; ++i) list.Add(new TCounted(&alive));
    EXPECT_EQ(alive, 6);
    list.Delete(0);
    EXPECT_EQ(alive, 5);
    EXPECT_EQ(list.Remove(list.Last()), 4);
    EXPECT_EQ(alive, 4);
    list.SetItems(0, new TCounted(&alive));  // the replaced object goes
    EXPECT_EQ(alive, 4);

    std::unique_ptr<TObject> kept(list.Extract(list.First()));
    EXPECT_STREQ(kept->ClassName(), "TCounted");
    EXPECT_EQ(alive, 4);
    EXPECT_EQ(list.Count(), 3);

    list.SetOwnsObjects(false);
    TObject* borrowed = list.Items(0);
    list.Delete(0);
    EXPECT_EQ(alive, 4);
    delete borrowed;
    list.SetOwnsObjects(true);
    EXPECT_EQ(alive, 3);
  }  // destruction frees the rest
  EXPECT_EQ(alive, 0);

  TObjectList cleared;
  cleared.Add(new TCounted(&alive));
  cleared.Add(new TCounted(&alive));
  cleared.Clear();
  EXPECT_EQ(alive, 0);

  int plain = 0;
  {
    TObjectListOf<Plain> typed;
    typed.Add(new Plain(&plain));
    typed.Add(new Plain(&plain));
    Plain* first = typed.First();
    EXPECT_EQ(first->Alive, &plain);
    typed.Delete(1);
    EXPECT_EQ(plain, 1);

    TObjectListOf<Plain> borrowed(false);
    borrowed.Add(first);
  }  // the borrowing list leaves it alone; the owning one deletes it once
  EXPECT_EQ(plain, 0);
}
