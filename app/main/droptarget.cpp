#include "app/main/droptarget.h"

#include "app/settings/guarded.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/timers.h"

namespace {

constexpr uint32_t kTypeBits = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// The key state of a drag as a shift state; Alt is MK_ALT here, not the
// keyboard's state.
TShiftState DragShiftState(uint32_t KeyState) {
  TShiftState s;
  if (KeyState & MK_SHIFT) s.Include(ssShift);
  if (KeyState & MK_CONTROL) s.Include(ssCtrl);
  if (KeyState & MK_ALT) s.Include(ssAlt);
  if (KeyState & MK_LBUTTON) s.Include(ssLeft);
  if (KeyState & MK_RBUTTON) s.Include(ssRight);
  if (KeyState & MK_MBUTTON) s.Include(ssMiddle);
  return s;
}

FORMATETC FileListFormat() {
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  f.ptd = nullptr;
  f.dwAspect = DVASPECT_CONTENT;
  f.lindex = -1;
  f.tymed = TYMED_HGLOBAL;
  return f;
}

}  // namespace

// ---- TInterfacedComponent ----------------------------------------------------------------------

HRESULT TInterfacedComponent::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = GetInterface(riid);
  if (*object == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

uint32_t TInterfacedComponent::Release() {
  const uint32_t left = FRefCount.ReleaseCount();
  if (left == 0) delete this;
  return left;
}

void* TInterfacedComponent::GetInterface(REFIID riid) {
  return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
}

// ---- TDropTarget --------------------------------------------------------------------------------

TDropTarget::TDropTarget(TComponent* AOwner) : TInterfacedComponent(AOwner) {
  OleInitialize(nullptr);
  FScrollTimer = new TTimer(this);
  FScrollTimer->SetEnabled(false);
  FScrollTimer->SetInterval(ScrollInterval);
  FScrollTimer->SetOnTimer([this](TObject* Sender) { ScrollStep(Sender); });
}

TDropTarget::~TDropTarget() {
  Revoke();
  ReleaseDataObject();
  OleUninitialize();
}

void* TDropTarget::GetInterface(REFIID riid) {
  if (riid == IID_IDropTarget || riid == IID_IUnknown) return static_cast<IDropTarget*>(this);
  return TInterfacedComponent::GetInterface(riid);
}

void TDropTarget::Register(TWinControl* Control) {
  if (Control == FControl) return;
  if (FControl != nullptr) Revoke();
  if (Control == nullptr) return;
  FControl = Control;
  FControl->FreeNotification(this);
  RegisterDragDrop(FControl->Handle(), static_cast<IDropTarget*>(this));
  FRegistered = true;
}

void TDropTarget::Revoke() {
  FRegistered = false;
  FScrollTimer->SetEnabled(false);
  if (FControl == nullptr) return;
  if (FControl->HandleAllocated()) RevokeDragDrop(FControl->Handle());
  FControl->RemoveFreeNotification(this);
  FControl = nullptr;
}

// A bound control that goes takes its registration with its window; only
// the pointer is left to forget.
void TDropTarget::Notification(TComponent* AComponent, TOperation Operation) {
  TInterfacedComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || AComponent != static_cast<TComponent*>(FControl)) return;
  FControl = nullptr;
  FRegistered = false;
  FScrollTimer->SetEnabled(false);
}

bool TDropTarget::Scrolling() const { return FScrollTimer->Enabled(); }

TPoint TDropTarget::ClientPoint(POINTL Point) const {
  const TPoint screen{Point.x, Point.y};
  return FControl != nullptr ? FControl->ScreenToClient(screen) : screen;
}

void TDropTarget::ReleaseDataObject() {
  if (FDataObject == nullptr) return;
  IDataObject* data = FDataObject;
  FDataObject = nullptr;
  data->Release();
}

// The handlers of the application must not let an exception into the drag
// loop of the window system.
void TDropTarget::Fire(const TDropTargetEvent& Event, TShiftState Shift, TPoint Point, uint32_t& Effect) {
  if (!Event) return;
  const TDropTargetEvent handler = Event;
  Guarded([&] { handler(this, Shift, Point, Effect); });
}

HRESULT TDropTarget::DragEnter(IDataObject* Data, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (Effect == nullptr) return E_INVALIDARG;
  ClearData();
  ReleaseDataObject();
  FDataRead = false;
  if (Data != nullptr) Data->AddRef();
  FDataObject = Data;
  if (FDataObject == nullptr || !HasValidFormats()) {
    ReleaseDataObject();
    *Effect = DROPEFFECT_NONE;
    return E_FAIL;
  }
  FCanScroll = FControl != nullptr && FControl->HandleAllocated() &&
               (GetWindowLong(FControl->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) != 0;
  if (FGetDataOnEnter) FDataRead = GetData();
  const TShiftState shift = DragShiftState(KeyState);
  FLastPoint = ClientPoint(Point);
  *Effect = GetDropEffect(shift, FLastPoint, *Effect);
  Fire(OnEnter, shift, FLastPoint, *Effect);
  return S_OK;
}

// The scroll timer runs while the effect carries the scroll bit; each step
// scrolls when the pointer is near an edge.
HRESULT TDropTarget::DragOver(uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (Effect == nullptr) return E_INVALIDARG;
  const TPoint point = ClientPoint(Point);
  const TShiftState shift = DragShiftState(KeyState);
  *Effect = GetDropEffect(shift, point, *Effect);
  Fire(OnDragOver, shift, point, *Effect);
  const bool scroll = (*Effect & DROPEFFECT_SCROLL) != 0;
  if (!scroll) FScrollTimer->SetEnabled(false);
  if (point != FLastPoint && FCanScroll && scroll) FScrollTimer->SetEnabled(true);
  FLastPoint = point;
  return S_OK;
}

HRESULT TDropTarget::DragLeave() {
  ClearData();
  FScrollTimer->SetEnabled(false);
  ReleaseDataObject();
  if (OnLeave) {
    const TNotifyEvent handler = OnLeave;
    Guarded([&] { handler(this); });
  }
  return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* /*Data*/, uint32_t KeyState, POINTL Point, uint32_t* Effect) {
  if (Effect == nullptr) return E_INVALIDARG;
  FScrollTimer->SetEnabled(false);
  const TShiftState shift = DragShiftState(KeyState);
  const TPoint point = ClientPoint(Point);
  *Effect = GetDropEffect(shift, point, *Effect);
  const bool read = FDataObject != nullptr && (FGetDataOnEnter ? FDataRead : GetData());
  if (!read)
    *Effect = DROPEFFECT_NONE;
  else
    Fire(OnDrop, shift, point, *Effect);
  ClearData();
  ReleaseDataObject();
  return S_OK;
}

uint32_t TDropTarget::GetDropEffect(TShiftState Shift, TPoint Point, uint32_t Effect) {
  uint32_t allowed = Effect & ~kTypeBits;
  if (FDragtypes.Contains(dtCopy)) allowed |= Effect & DROPEFFECT_COPY;
  if (FDragtypes.Contains(dtMove)) allowed |= Effect & DROPEFFECT_MOVE;
  if (FDragtypes.Contains(dtLink)) allowed |= Effect & DROPEFFECT_LINK;
  if (OnGetDropEffect) {
    Fire(OnGetDropEffect, Shift, Point, allowed);
    return allowed;
  }
  const uint32_t other = allowed & ~kTypeBits;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
  if (ctrl && shift && (allowed & DROPEFFECT_LINK)) return other | DROPEFFECT_LINK;
  if (shift && !ctrl && (allowed & DROPEFFECT_MOVE)) return other | DROPEFFECT_MOVE;
  for (uint32_t e : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
    if (allowed & e) return other | e;
  return other;
}

void TDropTarget::ScrollStep(TObject*) {
  if (FControl == nullptr || !FControl->HandleAllocated()) return;
  const HWND wnd = FControl->Handle();
  const TPoint p = FLastPoint;
  if (p.Y < ScrollMargin) SendMessage(wnd, WM_VSCROLL, SB_LINEUP, 0);
  if (p.Y > FControl->ClientHeight() - ScrollMargin) SendMessage(wnd, WM_VSCROLL, SB_LINEDOWN, 0);
  if (p.X < ScrollMargin) SendMessage(wnd, WM_HSCROLL, SB_LINELEFT, 0);
  if (p.X > FControl->ClientWidth() - ScrollMargin) SendMessage(wnd, WM_HSCROLL, SB_LINERIGHT, 0);
}

// ---- TDropFileTarget ---------------------------------------------------------------------------

TDropFileTarget::TDropFileTarget(TComponent* AOwner) : TDropTarget(AOwner), FFiles(std::make_unique<TStringList>()) {}

bool TDropFileTarget::HasValidFormats() {
  const FORMATETC f = FileListFormat();
  return DataObject() != nullptr && DataObject()->QueryGetData(&f) == S_OK;
}

void TDropFileTarget::ClearData() { FFiles->Clear(); }

// The names come from the list readers of the window system, which stay
// within the block; the medium is released whatever it held.
bool TDropFileTarget::GetData() {
  FFiles->Clear();
  if (DataObject() == nullptr) return false;
  const FORMATETC f = FileListFormat();
  STGMEDIUM medium;
  if (DataObject()->GetData(&f, &medium) != S_OK) return false;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != 0) {
    const HDROP drop = medium.hGlobal;
    const uint32_t count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
    for (uint32_t i = 0; i < count; ++i) {
      String name(DragQueryFile(drop, i, nullptr, 0) + 1, '\0');
      name.resize(DragQueryFile(drop, i, name.data(), static_cast<uint32_t>(name.size())));
      if (!name.empty()) FFiles->Add(name);
    }
  }
  ReleaseStgMedium(&medium);
  return FFiles->Count() > 0;
}
