// Persistent objects and components: assignment between objects, ownership of
// components with notification, and weak references that survive destruction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

class TFiler;

// Base of every object that can be copied with Assign and streamed.
class TPersistent : public TObject {
  friend class TReader;  // streaming calls DefineProperties
  friend class TWriter;

 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  // Copies Source into this object. The base asks Source to do it (AssignTo);
  // an object that knows how to read Source overrides this.
  virtual void Assign(TPersistent* Source);
  const char* ClassName() const override { return "TPersistent"; }
  // Dotted path used in messages: the owner's path, then this class name.
  virtual String GetNamePath() const;

 protected:
  // Copies this object into Dest. The base cannot: EConvertError.
  virtual void AssignTo(TPersistent* Dest);
  // Hook for properties that are streamed by hand (not published ones).
  virtual void DefineProperties(TFiler* Filer);
  // The object this one belongs to, for GetNamePath; nil by default.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // EConvertError "Cannot assign a <Source> to a <this>"; Source may be nil.
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

enum class TOperation : uint8_t { opInsert, opRemove };

enum class TComponentStateItem : uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,  // never set: there is no designer
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = Set<TComponentStateItem>;

enum class TComponentStyleItem : uint8_t { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = Set<TComponentStyleItem>;

template <class T>
class TComponentRef;

// A component owns the components created with it as owner and deletes them
// (last created first) when it is destroyed. A component deleted earlier leaves
// its owner's list; the owner and every component that asked for a free
// notification hear about it through Notification(..., opRemove). By then
// only its TComponent part is left: receivers compare the pointer, nothing more.
//
// Destruction note: a derived class whose Notification override must see its
// owned components go (or whose owned components use its members while they
// die) calls DestroyComponents() in its own destructor, because by the time
// the base destructor runs the derived part is gone.
class TComponent : public TPersistent {
  friend class TReader;  // streaming sets csLoading, csReading, csWriting
  friend class TWriter;

 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  const char* ClassName() const override { return "TComponent"; }
  String GetNamePath() const override { return FName; }

  TComponent* Owner() const { return FOwner; }
  TComponent* Components(int32_t Index) const;
  int32_t ComponentCount() const { return static_cast<int32_t>(FComponents.size()); }
  // Position in the owner's list; -1 without an owner.
  int32_t ComponentIndex() const;

  const String& Name() const { return FName; }
  // Empty, or an identifier unique (ignoring case) among the owner's components.
  virtual void SetName(const String& NewName);

  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  TComponentStyle ComponentStyle() const { return FComponentStyle; }

  // Adds AComponent to this component's list (it leaves its previous owner).
  void InsertComponent(TComponent* AComponent);
  // Takes AComponent out of this component's list; it is then unowned.
  void RemoveComponent(TComponent* AComponent);
  // The owned component of that name (ignoring case), or nil.
  TComponent* FindComponent(const String& AName) const;
  // Deletes every owned component, last created first.
  void DestroyComponents();
  // Marks this component and its owned ones as being destroyed; their weak
  // references read nil from here on. A derived destructor may call it first.
  void Destroying();

  // AComponent is told (opRemove) when this component is destroyed, and the
  // other way round, also across owners.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Called once the component has been read from a stream.
  virtual void Loaded();
  // Calls Proc for every child that is streamed with this component.
  virtual void GetChildren(std::function<void(TComponent*)> Proc, TComponent* Root);

 protected:
  // The base passes the notification on to every owned component, last to first.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Tells the free-notification partners that this component goes, frees the
  // owned components and leaves the owner. The base destructor does it when
  // only its own part is left; a derived destructor whose partners call back
  // into it (to unregister, say) calls this first, while the whole object
  // still stands.
  void NotifyRemoval();

  void SetComponentState(TComponentState Value) { FComponentState = Value; }
  void SetComponentStyle(TComponentStyle Value) { FComponentStyle = Value; }

 private:
  template <class T>
  friend class TComponentRef;

  // Shared with weak references; cleared when this component starts to die.
  struct TLiveCell {
    TComponent* Instance;
  };

  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) const;
  void RemoveNotification(TComponent* AComponent);
  std::shared_ptr<TLiveCell> LiveCell();

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  String FName;
  intptr_t FTag = 0;
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{TComponentStyleItem::csInheritable};
  std::shared_ptr<TLiveCell> FLiveCell;
};

// Weak reference to a component: reads nullptr once the component is being
// destroyed (from Destroying() on). The way to re-check an object after
// pumping messages. Copies share the same target.
template <class T>
class TComponentRef {
 public:
  TComponentRef() = default;
  TComponentRef(T* AComponent) { Reset(AComponent); }  // NOLINT: implicit like a pointer
  TComponentRef& operator=(T* AComponent) {
    Reset(AComponent);
    return *this;
  }

  T* Get() const { return FCell && FCell->Instance ? static_cast<T*>(FCell->Instance) : nullptr; }
  T* operator->() const { return Get(); }
  T& operator*() const { return *Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  bool Assigned() const { return Get() != nullptr; }

  friend bool operator==(const TComponentRef& a, const TComponentRef& b) { return a.Get() == b.Get(); }
  friend bool operator==(const TComponentRef& a, const T* b) { return a.Get() == b; }

 private:
  void Reset(T* AComponent) {
    if (AComponent == nullptr) {
      FCell.reset();
      return;
    }
    TComponent* base = AComponent;  // T must derive from TComponent
    FCell = base->LiveCell();
  }
  std::shared_ptr<TComponent::TLiveCell> FCell;
};
