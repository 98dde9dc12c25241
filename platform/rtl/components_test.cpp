#include "platform/rtl/components.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace {

using Log = std::vector<String>;

// Records notifications and its own destruction into a shared log, keyed by a
// label given at construction (names are set only after insertion).
class TProbe : public TComponent {
 public:
  TProbe(TComponent* AOwner, Log* ALog, String ALabel) : TComponent(AOwner), FLog(ALog), FLabel(std::move(ALabel)) {
    Labels()[this] = FLabel;
  }
  ~TProbe() override {
    if (FLog) FLog->push_back("~" + FLabel + (ComponentState().Contains(TComponentStateItem::csDestroying) ? "" : "!"));
    if (Ref != nullptr) FRefName = Ref->Name();  // a dangling Ref shows up under ASan
  }
  const char* ClassName() const override { return "TProbe"; }

  TComponent* Ref = nullptr;             // cleared when Ref goes away
  TComponent* DeleteOnRemove = nullptr;  // deleted when any component goes away

  static std::map<const TComponent*, String>& Labels() {
    static std::map<const TComponent*, String> labels;
    return labels;
  }
  static String LabelOf(const TComponent* c) {
    auto it = Labels().find(c);
    return it == Labels().end() ? String("?") : it->second;
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (FLog) FLog->push_back(FLabel + (Operation == TOperation::opInsert ? "+" : "-") + LabelOf(AComponent));
    if (Operation == TOperation::opRemove) {
      if (AComponent == Ref) Ref = nullptr;
      if (TComponent* victim = DeleteOnRemove) {
        DeleteOnRemove = nullptr;
        delete victim;
      }
    }
    TComponent::Notification(AComponent, Operation);
  }

 private:
  Log* FLog;
  String FLabel;
  String FRefName;
};

template <class E, class F>
String MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

}  // namespace

TEST(RtlComponents, OwnerDeletesOwnedLastCreatedFirst) {
  Log log;
  auto* owner = new TProbe(nullptr, nullptr, "O");
  auto* a = new TProbe(owner, &log, "A");
  auto* b = new TProbe(owner, &log, "B");
  auto* c = new TProbe(a, &log, "C");  // grandchild
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(owner->ComponentIndex(), -1);
  EXPECT_EQ(c->Owner(), a);
  EXPECT_EQ(MessageOf<EListError>([&] { owner->Components(2); }), "List index out of bounds (2)");
  log.clear();
  delete owner;
  // Everything owned dies marked as destroying, last created first; A (and
  // through it C) hears that B left. C goes while A's base part is torn down.
  EXPECT_EQ(log, (Log{"~B", "A-B", "C-B", "~A", "~C"}));
}

TEST(RtlComponents, EarlyDeleteLeavesOwnerAndBroadcastsLastToFirst) {
  Log log;
  TProbe owner(nullptr, &log, "O");
  auto* a = new TProbe(&owner, &log, "A");
  auto* b = new TProbe(&owner, &log, "B");
  auto* c = new TProbe(&owner, &log, "C");
  auto* d = new TProbe(c, &log, "D");  // owned one level down still hears
  (void)a;
  (void)d;
  log.clear();
  delete b;
  EXPECT_EQ(log, (Log{"~B!", "O-B", "C-B", "D-B", "A-B"}));
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(c->ComponentIndex(), 1);
}

TEST(RtlComponents, InsertNotifiesAndMovesBetweenOwners) {
  Log log;
  TProbe first(nullptr, &log, "F");
  TProbe second(nullptr, &log, "S");
  auto* x = new TProbe(nullptr, &log, "X");
  first.InsertComponent(x);
  EXPECT_EQ(log, (Log{"F+X", "X+X"}));
  log.clear();
  second.InsertComponent(x);
  EXPECT_EQ(log, (Log{"F-X", "X-X", "S+X", "X+X"}));
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(x->Owner(), &second);
  second.RemoveComponent(x);
  EXPECT_EQ(x->Owner(), nullptr);
  EXPECT_EQ(second.ComponentCount(), 0);
  delete x;

  // An ownership cycle is refused.
  TComponent root(nullptr);
  auto* child = new TComponent(&root);
  EXPECT_THROW(child->InsertComponent(&root), EComponentError);
  EXPECT_THROW(root.InsertComponent(&root), EComponentError);
  EXPECT_EQ(root.Owner(), nullptr);
}

TEST(RtlComponents, SiblingReferencesAreClearedDuringTeardown) {
  // A refers to a later sibling, which dies first; A must not be left with a
  // dangling pointer (ASan would catch a use after free in ~A or later).
  Log log;
  auto* owner = new TComponent(nullptr);
  auto* a = new TProbe(owner, nullptr, "A");
  auto* b = new TProbe(owner, nullptr, "B");
  a->Ref = b;
  b->Ref = a;
  owner->DestroyComponents();
  EXPECT_EQ(owner->ComponentCount(), 0);
  delete owner;
}

TEST(RtlComponents, HandlerDeletingComponentsDuringBroadcastIsSafe) {
  TComponent owner(nullptr);
  auto* a = new TProbe(&owner, nullptr, "A");
  auto* b = new TProbe(&owner, nullptr, "B");
  auto* c = new TProbe(&owner, nullptr, "C");
  auto* d = new TProbe(&owner, nullptr, "D");
  (void)a;
  // Hearing of a removal, E deletes C and D deletes A: the lists being walked
  // shrink under the walkers.
  auto* e = new TProbe(&owner, nullptr, "E");
  e->DeleteOnRemove = c;
  d->DeleteOnRemove = a;
  delete b;
  ASSERT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.Components(0), d);
  EXPECT_EQ(owner.Components(1), e);
}

TEST(RtlComponents, NamesAreIdentifiersUniqueIgnoringCase) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  for (const char* good : {"Button1", "_x", "a", "Z_9"}) {
    EXPECT_NO_THROW(a->SetName(good)) << good;
    EXPECT_EQ(a->Name(), good);
  }
  for (const char* bad : {"1abc", "a b", "a-b", "a.b", " x", "Ä"}) {
    EXPECT_EQ(MessageOf<EComponentError>([&] { a->SetName(bad); }),
              String("''") + bad + "'' is not a valid component name")
        << bad;
    EXPECT_EQ(a->Name(), "Z_9");
  }
  a->SetName("OkButton");
  EXPECT_EQ(MessageOf<EComponentError>([&] { b->SetName("OKBUTTON"); }), "A component named OKBUTTON already exists");
  EXPECT_EQ(b->Name(), "");
  EXPECT_NO_THROW(a->SetName("OKBUTTON"));  // only the case of its own name changes
  EXPECT_EQ(owner.FindComponent("okbutton"), a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_EQ(owner.FindComponent("Missing"), nullptr);
  // Unnamed components never clash.
  auto* c = new TComponent(&owner);
  EXPECT_EQ(c->Name(), "");
  EXPECT_EQ(a->GetNamePath(), "OKBUTTON");

  // A named stray cannot join an owner that has that name already.
  TComponent stray(nullptr);
  stray.SetName("okButton");
  EXPECT_THROW(owner.InsertComponent(&stray), EComponentError);
  EXPECT_EQ(stray.Owner(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 3);
  // A root cannot take the name of one of its own components.
  EXPECT_THROW(owner.SetName("OkButton"), EComponentError);
  EXPECT_NO_THROW(owner.SetName("Form1"));
}

TEST(RtlComponents, FreeNotificationAcrossOwners) {
  Log log;
  TProbe left(nullptr, nullptr, "L");
  TProbe right(nullptr, nullptr, "R");
  auto* image = new TProbe(&left, &log, "Img");
  auto* user = new TProbe(&right, &log, "User");
  user->Ref = image;
  image->FreeNotification(user);
  EXPECT_TRUE(image->ComponentState().Contains(TComponentStateItem::csFreeNotification));
  log.clear();
  delete image;
  EXPECT_EQ(user->Ref, nullptr);
  EXPECT_EQ(log, (Log{"~Img!", "User-Img"}));

  // Removed again: no notification; and either side may die first.
  auto* image2 = new TProbe(&left, &log, "Img2");
  image2->FreeNotification(user);
  image2->RemoveFreeNotification(user);
  log.clear();
  delete image2;
  EXPECT_EQ(log, (Log{"~Img2!"}));

  auto* image3 = new TProbe(&left, &log, "Img3");
  image3->FreeNotification(user);
  delete user;  // image3 must forget user, or deleting image3 touches freed memory
  log.clear();
  delete image3;
  EXPECT_EQ(log, (Log{"~Img3!"}));
}

TEST(RtlComponents, WeakReferenceReadsNilOnceDestroyed) {
  auto* owner = new TComponent(nullptr);
  auto* probe = new TProbe(owner, nullptr, "P");
  TComponentRef<TProbe> ref = probe;
  TComponentRef<TProbe> copy = ref;
  TComponentRef<TComponent> asBase = probe;
  TComponentRef<TProbe> empty;
  EXPECT_EQ(ref.Get(), probe);
  EXPECT_TRUE(copy);
  EXPECT_FALSE(empty);
  EXPECT_EQ(ref->ClassName(), String("TProbe"));

  // Gone with its owner; the references outlive both.
  delete owner;
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_EQ(copy.Get(), nullptr);
  EXPECT_EQ(asBase.Get(), nullptr);
  EXPECT_FALSE(copy.Assigned());

  // Deleted directly; a reference taken once destruction began reads nil too.
  auto* solo = new TComponent(nullptr);
  TComponentRef<TComponent> soloRef(solo);
  solo->Destroying();
  EXPECT_EQ(soloRef.Get(), nullptr);
  EXPECT_EQ(TComponentRef<TComponent>(solo).Get(), nullptr);
  delete solo;
  EXPECT_EQ(soloRef.Get(), nullptr);

  auto* again = new TComponent(nullptr);
  soloRef = again;
  EXPECT_TRUE(soloRef == again);
  delete again;
  EXPECT_FALSE(soloRef);
}

TEST(RtlComponents, StateAndLoaded) {
  class TLoadable : public TComponent {
   public:
    using TComponent::TComponent;
    void BeginLoad() { SetComponentState(ComponentState() + TComponentState{TComponentStateItem::csLoading}); }
  };
  TLoadable c(nullptr);
  EXPECT_TRUE(c.ComponentState().Empty());
  EXPECT_EQ(c.ComponentStyle(), TComponentStyle{TComponentStyleItem::csInheritable});
  c.BeginLoad();
  EXPECT_TRUE(c.ComponentState().Contains(TComponentStateItem::csLoading));
  c.Loaded();
  EXPECT_FALSE(c.ComponentState().Contains(TComponentStateItem::csLoading));
  c.SetTag(-7);
  EXPECT_EQ(c.Tag(), -7);
  int seen = 0;
  c.GetChildren([&](TComponent*) { ++seen; }, &c);
  EXPECT_EQ(seen, 0);
}

namespace {

class TPair : public TPersistent {
 public:
  int First = 0, Second = 0;
  const char* ClassName() const override { return "TPair"; }
  void Assign(TPersistent* Source) override {
    if (auto* p = dynamic_cast<TPair*>(Source)) {
      First = p->First;
      Second = p->Second;
      return;
    }
    TPersistent::Assign(Source);
  }
};

// Knows how to write itself into a TPair, but TPair does not know it.
class TTriple : public TPersistent {
 public:
  int A = 1, B = 2, C = 3;
  const char* ClassName() const override { return "TTriple"; }

 protected:
  void AssignTo(TPersistent* Dest) override {
    if (auto* p = dynamic_cast<TPair*>(Dest)) {
      p->First = A;
      p->Second = B + C;
      return;
    }
    TPersistent::AssignTo(Dest);
  }
};

class TOwnedItem : public TPersistent {
 public:
  explicit TOwnedItem(TPersistent* owner) : FOwner(owner) {}
  const char* ClassName() const override { return "TOwnedItem"; }

 protected:
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

}  // namespace

TEST(RtlComponents, PersistentAssignAndAssignTo) {
  TPair a, b;
  b.First = 4;
  b.Second = 5;
  a.Assign(&b);
  EXPECT_EQ(a.First, 4);
  EXPECT_EQ(a.Second, 5);

  TTriple t;
  a.Assign(&t);  // falls back to TTriple::AssignTo
  EXPECT_EQ(a.First, 1);
  EXPECT_EQ(a.Second, 5);

  EXPECT_EQ(MessageOf<EConvertError>([&] { t.Assign(&a); }), "Cannot assign a TPair to a TTriple");
  EXPECT_EQ(MessageOf<EConvertError>([&] { a.Assign(nullptr); }), "Cannot assign a nil to a TPair");
  TComponent comp(nullptr);
  EXPECT_EQ(MessageOf<EConvertError>([&] { comp.Assign(&t); }), "Cannot assign a TTriple to a TComponent");

  EXPECT_EQ(a.GetNamePath(), "TPair");
  TOwnedItem item(&a);
  EXPECT_EQ(item.GetNamePath(), "TPair.TOwnedItem");
}
