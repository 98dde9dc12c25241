// Makes a windowed control take drops of the object model: the drag is
// reported through events with an effect chosen from the modifier keys, the
// control scrolls while the pointer rests near an edge, and the file variant
// delivers the dropped paths as a string list. The tabs bind one to their
// input trees; the main window binds and unbinds them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/win_ole.h"
#include "platform/rtl/components.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/messages.h"

class TTimer;
class TWinControl;

// A component that is also a reference-counted interface object. The
// constructor holds one reference on the object itself, so the releases of
// the window system never free a component its owner still holds.
class TInterfacedComponent : public TComponent, public IUnknown {
 public:
  explicit TInterfacedComponent(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TInterfacedComponent"; }

  HRESULT QueryInterface(REFIID riid, void** object) override;
  uint32_t AddRef() override { return FRefCount.AddRefCount(); }
  // Frees the object when the count reaches 0.
  uint32_t Release() override;
  uint32_t RefCount() const { return FRefCount.RefCount(); }

 protected:
  // The interface of this object for the id, or nil.
  virtual void* GetInterface(REFIID riid);

 private:
  TComRefCount FRefCount;
};

enum class TDragType : uint8_t { dtCopy, dtMove, dtLink };
using TDragTypes = Set<TDragType>;
inline constexpr TDragType dtCopy = TDragType::dtCopy;
inline constexpr TDragType dtMove = TDragType::dtMove;
inline constexpr TDragType dtLink = TDragType::dtLink;

// Point in the bound control's client coordinates; Effect in and out.
using TDropTargetEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint Point, uint32_t& Effect)>;

class TDropTarget : public TInterfacedComponent, public IDropTarget {
 public:
  // The scroll step's period and the edge band that scrolls.
  static constexpr uint32_t ScrollInterval = 100;
  static constexpr int32_t ScrollMargin = 15;

  explicit TDropTarget(TComponent* AOwner);
  ~TDropTarget() override;
  const char* ClassName() const override { return "TDropTarget"; }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return TInterfacedComponent::QueryInterface(riid, object);
  }
  uint32_t AddRef() override { return TInterfacedComponent::AddRef(); }
  uint32_t Release() override { return TInterfacedComponent::Release(); }

  // Binds to Control (another control's binding is revoked first; the same
  // control does nothing). Refusals of the window system are not reported.
  void Register(TWinControl* Control);
  void Revoke();
  TWinControl* Control() const { return FControl; }
  bool Registered() const { return FRegistered; }

  HRESULT DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) override;
  HRESULT DragLeave() override;
  // Reads the data object of the entry, not Data.
  HRESULT Drop(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) override;

  // Copy, move or link (other bits of Effect kept) among those offered and
  // allowed by Dragtypes; OnGetDropEffect decides when assigned.
  virtual uint32_t GetDropEffect(TShiftState Shift, TPoint Point, uint32_t Effect);

  TDragTypes Dragtypes() const { return FDragtypes; }
  void SetDragtypes(TDragTypes Value) { FDragtypes = Value; }
  bool GetDataOnEnter() const { return FGetDataOnEnter; }
  void SetGetDataOnEnter(bool Value) { FGetDataOnEnter = Value; }
  // Kept for the drag image, which this platform does not draw.
  bool ShowImage() const { return FShowImage; }
  void SetShowImage(bool Value) { FShowImage = Value; }
  bool Scrolling() const;

  // The data of the current drag read into the target; false when it could
  // not be read.
  virtual bool GetData() = 0;
  virtual void ClearData() = 0;
  // The current drag's data object offers the target's format.
  virtual bool HasValidFormats() = 0;

  TDropTargetEvent OnEnter;
  TDropTargetEvent OnDragOver;
  TDropTargetEvent OnDrop;
  TDropTargetEvent OnGetDropEffect;
  TNotifyEvent OnLeave;

 protected:
  void* GetInterface(REFIID riid) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  IDataObject* DataObject() const { return FDataObject; }

 private:
  TPoint ClientPoint(POINTL Point) const;
  void ReleaseDataObject();
  void ScrollStep(TObject* Sender);
  void Fire(const TDropTargetEvent& Event, TShiftState Shift, TPoint Point, uint32_t& Effect);

  IDataObject* FDataObject = nullptr;
  TDragTypes FDragtypes;
  bool FRegistered = false;
  TWinControl* FControl = nullptr;
  bool FGetDataOnEnter = false;
  bool FShowImage = true;
  // The entry's read, when GetDataOnEnter made it.
  bool FDataRead = false;
  TPoint FLastPoint;
  bool FCanScroll = false;
  TTimer* FScrollTimer = nullptr;
};

// Takes the file lists of the desktop and of the shell controls (CF_HDROP).
class TDropFileTarget : public TDropTarget {
 public:
  explicit TDropFileTarget(TComponent* AOwner);
  const char* ClassName() const override { return "TDropFileTarget"; }

  // The paths of the current drag: inside OnDrop, and from the entry on
  // with GetDataOnEnter.
  TStringList* Files() const { return FFiles.get(); }

  bool GetData() override;
  void ClearData() override;
  bool HasValidFormats() override;

 private:
  std::unique_ptr<TStringList> FFiles;
};
