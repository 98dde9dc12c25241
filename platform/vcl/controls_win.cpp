// TWinControl: the window handle and its life cycle, children and z-order,
// tab order and focus, the key pipeline, reflection of notifications,
// alignment and anchors; raw-window subclassing through object instances.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_internal.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/controls_internal.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

int32_t VclRecreatingFocus = 0;

namespace {

std::unordered_map<HWND, TWinControl*>& HandleMap() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// Controls whose CreateWindowEx is running: the first message of a new
// window of one of our classes binds it to the innermost one.
std::vector<TWinControl*>& CreationStack() {
  static std::vector<TWinControl*> stack;
  return stack;
}

// The procedure each class of ours stands in for (lower-case class name).
std::map<String, WNDPROC>& ClassProcs() {
  static std::map<String, WNDPROC> procs;
  return procs;
}

uint16_t gNextControlId = 0x100;

String ClassKey(const String& name) { return LowerCase(name); }

WNDPROC ClassProcOf(HWND hwnd) {
  auto it = ClassProcs().find(ClassKey(GetClassNameString(hwnd)));
  if (it == ClassProcs().end() || it->second == nullptr || it->second == VclWndProc) return DefWindowProc;
  return it->second;
}

// ---- Object instances -------------------------------------------------------------

constexpr size_t kInstanceCount = 256;

struct TInstanceSlot {
  TWndMethod Method;
  bool Used = false;
};

std::array<TInstanceSlot, kInstanceCount>& InstanceSlots() {
  static std::array<TInstanceSlot, kInstanceCount> slots;
  return slots;
}

template <size_t N>
LRESULT InstanceProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TWndMethod method = InstanceSlots()[N].Method;  // the slot may be freed meanwhile
  if (!method) return DefWindowProc(hwnd, msg, wParam, lParam);
  TMessage m = MakeMessage(msg, wParam, lParam);
  try {
    method(m);
  } catch (...) {
    if (Application == nullptr) throw;
    Application->HandleException(nullptr);
  }
  return m.Result;
}

template <size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeInstanceTable(std::index_sequence<I...>) {
  return {&InstanceProc<I>...};
}

const std::array<WNDPROC, kInstanceCount>& InstanceTable() {
  static const std::array<WNDPROC, kInstanceCount> table =
      MakeInstanceTable(std::make_index_sequence<kInstanceCount>());
  return table;
}

}  // namespace

// ================================================================================
// Binding windows to controls
// ================================================================================

TWinControl* FindControl(HWND Handle) {
  if (Handle == nullptr) return nullptr;
  auto it = HandleMap().find(Handle);
  return it == HandleMap().end() ? nullptr : it->second;
}

void VclBindHandle(HWND hwnd, TWinControl* Control) { HandleMap()[hwnd] = Control; }

void VclUnbindHandle(HWND hwnd) {
  auto it = HandleMap().find(hwnd);
  if (it != HandleMap().end()) HandleMap().erase(it);
}

LRESULT VclWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* c = FindControl(hwnd);
  if (c == nullptr) {
    auto& stack = CreationStack();
    if (!stack.empty() && stack.back()->FHandle == nullptr) {
      c = stack.back();
      c->FHandle = hwnd;
      VclBindHandle(hwnd, c);
    } else {
      // A window that outlived its control (destruction deferred by the
      // window system): the class's own procedure.
      return CallWindowProc(ClassProcOf(hwnd), hwnd, msg, wParam, lParam);
    }
  }
  TMessage m = MakeMessage(msg, wParam, lParam);
  c->MainWndProc(m);
  return m.Result;
}

WNDPROC MakeObjectInstance(TWndMethod Method) {
  auto& slots = InstanceSlots();
  for (size_t i = 0; i < kInstanceCount; ++i) {
    if (!slots[i].Used) {
      slots[i].Used = true;
      slots[i].Method = std::move(Method);
      return InstanceTable()[i];
    }
  }
  throw EOutOfResources("Out of system resources");
}

void FreeObjectInstance(WNDPROC Instance) {
  auto& table = InstanceTable();
  for (size_t i = 0; i < kInstanceCount; ++i) {
    if (table[i] == Instance) {
      InstanceSlots()[i].Method = nullptr;
      InstanceSlots()[i].Used = false;
      return;
    }
  }
}

// ================================================================================
// TWinControl: life cycle
// ================================================================================

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FBrush = std::make_unique<TBrush>();
  FBrush->SetColor(FColor);
  FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
}

TWinControl::~TWinControl() {
  Destroying();
  if (FParent != nullptr) RemoveFocus(true);
  // The parent destroys its children, whoever owns them.
  while (!FWinControls.empty() || !FControls.empty()) {
    TControl* c;
    if (!FWinControls.empty()) {
      c = FWinControls.back();
      FWinControls.pop_back();
      FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), c), FTabList.end());
    } else {
      c = FControls.back();
      FControls.pop_back();
    }
    c->FParent = nullptr;
    delete c;
  }
  if (FHandle != nullptr) {
    HWND h = FHandle;
    FreeDeviceContextsOf(h);
    VclUnbindHandle(h);
    FHandle = nullptr;
    FShowing = false;
    DestroyWindow(h);
  }
}

void TWinControl::BrushChanged(TObject*) { Invalidate(); }

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle != nullptr) return;
  if (FParent != nullptr) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams();
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(TControlStyleItem::csAcceptsControls)) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent != nullptr ? FParent->Handle() : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = DefWindowProc;
  Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  WNDCLASS wc;
  if (!GetClassInfo(nullptr, ControlClassName, &wc)) return;
  Params.WindowClass = wc;
  Params.WindowClass.lpszClassName = nullptr;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) != 0 && params.WndParent == nullptr)
    throw EInvalidOperation("Control '%s' has no parent window", {Name()});
  FDefWndProc = params.WindowClass.lpfnWndProc != nullptr ? params.WindowClass.lpfnWndProc : DefWindowProc;

  WNDCLASS existing;
  const bool registered = GetClassInfo(nullptr, params.WinClassName.c_str(), &existing);
  if (!registered || existing.lpfnWndProc != VclWndProc) {
    if (registered) UnregisterClass(params.WinClassName.c_str(), nullptr);
    WNDCLASS wc = params.WindowClass;
    wc.lpfnWndProc = VclWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    if (RegisterClass(wc) == 0) throw EOutOfResources("Error creating window class");
  }
  ClassProcs()[ClassKey(params.WinClassName)] = FDefWndProc;

  CreateWindowHandle(params);
  if (FHandle == nullptr) throw EOutOfResources("Error creating window");
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
  UpdateBounds();
  if (AutoSize()) DoAutoSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  intptr_t id = 0;
  if ((Params.Style & WS_CHILD) != 0) {
    id = gNextControlId++;
    if (gNextControlId == 0) gNextControlId = 0x100;
  }
  CreationStack().push_back(this);
  HWND h;
  {
    auto cleanup = ScopeExit([&] { CreationStack().pop_back(); });
    h = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style, Params.X,
                       Params.Y, Params.Width, Params.Height, Params.WndParent, reinterpret_cast<HMENU>(id), nullptr,
                       Params.Param);
  }
  if (h == nullptr) {
    if (FHandle != nullptr) VclUnbindHandle(FHandle);
    FHandle = nullptr;
    return;
  }
  if (FHandle != h) {
    if (FHandle != nullptr) VclUnbindHandle(FHandle);
    FHandle = h;
    VclBindHandle(h, this);
  }
}

void TWinControl::PlaceWindowInZOrder() {
  if (FParent == nullptr || FHandle == nullptr) return;
  auto& list = FParent->FWinControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  HWND above = HWND_TOP;
  for (++it; it != list.end(); ++it)
    if ((*it)->FHandle != nullptr) {
      above = (*it)->FHandle;
      break;
    }
  SetWindowPos(FHandle, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::CreateHandle() {
  if (FHandle != nullptr) return;
  FControlState.Include(TControlStateItem::csCreating);
  {
    auto cleanup = ScopeExit([&] { FControlState.Exclude(TControlStateItem::csCreating); });
    CreateWnd();
  }
  PlaceWindowInZOrder();
  // Positions were given against a client area guessed before the window
  // existed; measure the anchors again against the real one.
  for (TControl* c : FControls) c->UpdateAnchorRules();
  for (TWinControl* c : FWinControls) c->UpdateAnchorRules();
  Realign();
}

void TWinControl::DestroyHandle() {
  if (FHandle == nullptr) return;
  std::vector<TWinControl*> children = FWinControls;
  for (TWinControl* c : children) c->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  FSavedText = GetText();
  FText = FSavedText;
  FreeDeviceContextsOf(FHandle);
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  HWND h = FHandle;
  if (h == nullptr) return;
  FControlState.Include(TControlStateItem::csDestroyingHandle);
  FDestroyingHandle = true;
  {
    auto cleanup = ScopeExit([&] {
      FControlState.Exclude(TControlStateItem::csDestroyingHandle);
      FDestroyingHandle = false;
    });
    DestroyWindow(h);
  }
  // Destruction may be deferred while the window is in a dispatch: the
  // control lets go of it now.
  if (FHandle == h) {
    VclUnbindHandle(h);
    FHandle = nullptr;
    FShowing = false;
  }
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  if (FHandle != nullptr) {
    FreeDeviceContextsOf(FHandle);
    VclUnbindHandle(FHandle);
  }
  FHandle = nullptr;
  FShowing = false;
}

void TWinControl::RecreateWnd() {
  if (FHandle != nullptr) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  const bool wasFocused = Focused();
  FRecreating = true;
  ++VclRecreatingFocus;
  {
    auto cleanup = ScopeFail([&] {
      --VclRecreatingFocus;
      FRecreating = false;
    });
    DestroyHandle();
    UpdateControlState();
  }
  if (wasFocused && FHandle != nullptr) ::SetFocus(FHandle);
  --VclRecreatingFocus;
  FRecreating = false;
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent != nullptr || FParentWindow == Value) return;
  if (FHandle != nullptr && Value != nullptr) {
    FParentWindow = Value;
    ::SetParent(FHandle, Value);
    return;
  }
  DestroyHandle();
  FParentWindow = Value;
  UpdateControlState();
}

void TWinControl::DefWndProc(TMessage& Message) {
  if (FHandle == nullptr) return;
  Message.Result = CallWindowProc(FDefWndProc != nullptr ? FDefWndProc : DefWindowProc, FHandle, Message.Msg,
                                  Message.WParam, Message.LParam);
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (FHandle != nullptr)
    DefWndProc(Message);
  else
    TControl::DefaultHandler(Message);
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    TWndMethod proc = WindowProc;  // a handler may replace WindowProc while it runs
    proc(Message);
  } catch (...) {
    if (Application == nullptr) {
      std::fprintf(stderr, "exception in a window procedure without an application\n");
      return;
    }
    Application->HandleException(this);
  }
}

String TWinControl::GetText() {
  if (FHandle == nullptr) return FText;
  return TControl::GetText();
}

// ---- Showing ------------------------------------------------------------------------

void TWinControl::UpdateShowing() {
  const bool show = FVisible && !FControlState.Contains(TControlStateItem::csReadingState);
  if (show) {
    if (FHandle == nullptr) CreateHandle();
    std::vector<TWinControl*> children = FWinControls;
    for (TWinControl* c : children) c->UpdateShowing();
  }
  if (FHandle != nullptr && FShowing != show) {
    FShowing = show;
    auto cleanup = ScopeFail([&] { FShowing = !show; });
    Perform(CM_SHOWINGCHANGED, 0, 0);
  }
}

void TWinControl::UpdateControlState() {
  TWinControl* root = this;
  while (root->FParent != nullptr) {
    root = root->FParent;
    if (!root->FShowing) return;
  }
  if (dynamic_cast<TCustomForm*>(root) != nullptr || root->FParentWindow != nullptr ||
      (root == this && FHandle != nullptr))
    UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  const uint32_t flags =
      SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, flags);
}

void TWinControl::CMVisibleChanged(TMessage&) {
  if (!FVisible && FParent != nullptr) RemoveFocus(false);
  UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (!Enabled() && FParent != nullptr) RemoveFocus(false);
  if (FHandle != nullptr) EnableWindow(FHandle, Enabled());
  Invalidate();
}

void TWinControl::CMFontChanged(TMessage&) {
  Invalidate();
  if (FHandle != nullptr) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage&) {
  FBrush->SetColor(FColor);
  Invalidate();
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMShowHintChanged(TMessage&) { NotifyControls(CM_PARENTSHOWHINTCHANGED); }

void TWinControl::CMCursorChanged(TMessage&) {
  if (FHandle == nullptr || GetCapture() != nullptr) return;
  TPoint p;
  GetCursorPos(&p);
  if (WindowFromPoint(p) == FHandle)
    SendMessage(FHandle, WM_SETCURSOR, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TWinControl::CMTextChanged(TMessage&) {
  if (FHandle == nullptr && FControlStyle.Contains(TControlStyleItem::csSetCaption)) Invalidate();
}

void TWinControl::CMInvalidate(TMessage&) {
  if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(TControlStyleItem::csOpaque));
}

// ---- Geometry ---------------------------------------------------------------------------

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  const bool sized = AWidth != FWidth || AHeight != FHeight;
  if (FHandle != nullptr && !IsIconic(FHandle)) {
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (FHandle != nullptr) UpdateBounds();
  } else {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    UpdateAnchorRules();
  }
  if (sized) {
    Realign();
    Resize();
  }
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (FHandle == nullptr) return;
  TRect r;
  GetWindowRect(FHandle, &r);
  if ((GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD) != 0) {
    if (HWND p = GetParent(FHandle)) MapWindowPoints(nullptr, p, &r);
  }
  if (r.Left != FLeft || r.Top != FTop || r.Width() != FWidth || r.Height() != FHeight) {
    UpdateBoundsRect(r);
    UpdateAnchorRules();
  }
}

TRect TWinControl::ClientRect() {
  if (FHandle != nullptr) {
    TRect r;
    ::GetClientRect(FHandle, &r);
    return r;
  }
  return TControl::ClientRect();
}

TPoint TWinControl::ClientOrigin() {
  if (FHandle != nullptr) {
    TPoint p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  if (FParent != nullptr) return TControl::ClientOrigin();
  return TPoint{FLeft, FTop};
}

void TWinControl::SetClientSize(const TPoint& Value) { TControl::SetClientSize(Value); }

void TWinControl::SetBorderWidth(int32_t Value) {
  if (FBorderWidth == Value) return;
  FBorderWidth = Value;
  Realign();
  Invalidate();
}

void TWinControl::WMSize(TMessage& Message) {
  if (!FDestroyingHandle) UpdateBounds();
  DefaultHandler(Message);
  Realign();
  Resize();
}

void TWinControl::WMMove(TMessage& Message) {
  if (!FDestroyingHandle) UpdateBounds();
  DefaultHandler(Message);
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  if (!FControlState.Contains(TControlStateItem::csDestroyingHandle)) UpdateBounds();
  DefaultHandler(Message);
}

void TWinControl::ScrollBy(int32_t DeltaX, int32_t DeltaY) {
  const bool visible = FHandle != nullptr && IsWindowVisible(FHandle);
  if (visible)
    ScrollWindowEx(FHandle, DeltaX, DeltaY, nullptr, nullptr, nullptr, nullptr,
                   SW_INVALIDATE | SW_ERASE | SW_SCROLLCHILDREN);
  std::vector<TControl*> all;
  for (int32_t i = 0; i < ControlCount(); ++i) all.push_back(Controls(i));
  for (TControl* c : all) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w == nullptr || w->FHandle == nullptr) {
      c->FLeft += DeltaX;
      c->FTop += DeltaY;
    } else if (!visible) {
      SetWindowPos(w->FHandle, nullptr, w->FLeft + DeltaX, w->FTop + DeltaY, w->FWidth, w->FHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      w->UpdateBounds();
    }
  }
  Realign();
}

// ---- Z-order ---------------------------------------------------------------------------------

void TWinControl::SetZOrder(bool TopMost) {
  if (FParent != nullptr) {
    auto& list = FParent->FWinControls;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
      list.erase(it);
      if (TopMost)
        list.push_back(this);
      else
        list.insert(list.begin(), this);
    }
    if (FHandle != nullptr)
      SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  if (FHandle != nullptr) SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TWinControl::SetChildOrder(TWinControl* Child, int32_t Order) {
  auto& list = FWinControls;
  auto it = std::find(list.begin(), list.end(), Child);
  if (it == list.end()) return;
  list.erase(it);
  Order = std::clamp<int32_t>(Order, 0, int32_t(list.size()));
  list.insert(list.begin() + Order, Child);
  Child->PlaceWindowInZOrder();
}

// ================================================================================
// Children
// ================================================================================

TControl* TWinControl::Controls(int32_t Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError("List index out of bounds (%d)", {Index});
  if (size_t(Index) < FControls.size()) return FControls[size_t(Index)];
  return FWinControls[size_t(Index) - FControls.size()];
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control != nullptr && Control != this) Control = Control->FParent;
  return Control == this;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  auto hit = [&](TControl* c) {
    TPoint p{Pos.X - c->FLeft, Pos.Y - c->FTop};
    return PtInRect(c->ClientRect(), p) && c->FVisible && (c->Enabled() || AllowDisabled) &&
           c->Perform(CM_HITTEST, 0, PointToLParam(p)) != 0;
  };
  if (AllowWinControls)
    for (size_t i = FWinControls.size(); i-- > 0;)
      if (hit(FWinControls[i])) return FWinControls[i];
  for (size_t i = FControls.size(); i-- > 0;)
    if (hit(FControls[i])) return FControls[i];
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  std::vector<TControl*> all;
  for (int32_t i = 0; i < ControlCount(); ++i) all.push_back(Controls(i));
  for (TControl* c : all) {
    if (!ContainsControl(c) || c->FParent != this) continue;  // gone meanwhile
    TWndMethod proc = c->WindowProc;
    proc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(uint32_t Msg) {
  TMessage m = MakeMessage(Msg, 0, 0);
  Broadcast(m);
}

void TWinControl::InsertControl(TControl* AControl) {
  if (AControl == nullptr || AControl->FParent == this) return;
  if (AControl->FParent != nullptr) AControl->FParent->RemoveControl(AControl);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    FWinControls.push_back(w);
    FTabList.push_back(w);
    if (w->FParentWindow != nullptr) w->FParentWindow = nullptr;
  } else {
    FControls.push_back(AControl);
  }
  AControl->FParent = this;
  AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
  AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl))
    w->UpdateControlState();
  else if (FHandle != nullptr)
    AControl->Invalidate();
  AlignControl(AControl);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  if (AControl == nullptr || AControl->FParent != this) return;
  const bool dying = ComponentState().Contains(TComponentStateItem::csDestroying);
  if (!dying) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  // During the control's own destructor it is only a TControl by now, and
  // its window is already gone.
  auto* w = dynamic_cast<TWinControl*>(AControl);
  if (w != nullptr) {
    w->RemoveFocus(true);
    w->DestroyHandle();
  } else if (FHandle != nullptr) {
    AControl->InvalidateControl(AControl->FVisible, false);
  }
  FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
  FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), AControl), FWinControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), AControl), FTabList.end());
  AControl->FParent = nullptr;
  if (VclCaptureControl == AControl) SetCaptureControl(nullptr);
  if (!dying) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    Realign();
  }
}

void TWinControl::ControlsListChanged(TControl*, bool) {}

// ================================================================================
// Focus and tab order
// ================================================================================

void TWinControl::RemoveFocus(bool Removing) {
  if (TCustomForm* f = GetParentForm(this)) f->DefocusControl(this, Removing);
}

TTabOrder TWinControl::TabOrder() const {
  if (FParent == nullptr) return -1;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? TTabOrder(-1) : TTabOrder(it - list.begin());
}

void TWinControl::SetTabOrder(TTabOrder Value) {
  if (FParent == nullptr) return;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  const int32_t cur = int32_t(it - list.begin());
  int32_t v = std::clamp<int32_t>(Value, 0, int32_t(list.size()) - 1);
  if (v == cur) return;
  list.erase(it);
  list.insert(list.begin() + v, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle != nullptr) {
    intptr_t style = GetWindowLong(FHandle, GWL_STYLE);
    SetWindowLong(FHandle, GWL_STYLE, Value ? (style | WS_TABSTOP) : (style & ~intptr_t(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int32_t count = int32_t(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int32_t start = found == list.end() ? (GoForward ? count - 1 : 0) : int32_t(found - list.begin());
  int32_t i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[size_t(i)];
    if (c->CanFocus() && (!CheckTabStop || c->FTabStop) && (!CheckParent || c->FParent == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (next != nullptr) next->SetFocus();
}

bool TWinControl::Focused() { return FHandle != nullptr && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form == nullptr) return false;
  for (TWinControl* c = this; c != nullptr && c != form; c = c->FParent)
    if (!c->FVisible || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* f = GetParentForm(this)) {
    f->FocusControl(this);
  } else if (FParentWindow != nullptr) {
    ::SetFocus(Handle());
  } else {
    ValidParentForm(this);
  }
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }

// ================================================================================
// Keys
// ================================================================================

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(TWMKey& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyDown(Message))
    return true;
  if (!FControlStyle.Contains(TControlStyleItem::csNoStdEvents)) {
    uint16_t key = Message.CharCode;
    KeyDown(key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TWMKey& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyUp(Message))
    return true;
  if (!FControlStyle.Contains(TControlStyleItem::csNoStdEvents)) {
    uint16_t key = Message.CharCode;
    KeyUp(key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyPress(Message))
    return true;
  if (!FControlStyle.Contains(TControlStyleItem::csNoStdEvents)) {
    char32_t ch = char32_t(Message.WParam);
    KeyPress(ch);
    Message.WParam = WPARAM(ch);
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TMessage& Message) {
  TWMKey k(Message);
  TComponentRef<TWinControl> self(this);
  const bool handled = DoKeyDown(k);
  if (!self) return;
  k.Store(Message);
  if (!handled) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  TWMKey k(Message);
  TComponentRef<TWinControl> self(this);
  const bool handled = DoKeyUp(k);
  if (!self) return;
  k.Store(Message);
  if (!handled) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  TComponentRef<TWinControl> self(this);
  const bool handled = DoKeyPress(Message);
  if (!self) return;
  if (!handled) DefaultHandler(Message);
}

bool TWinControl::IsMenuKey(TWMKey& Message) {
  TComponentRef<TWinControl> self(this);
  for (TControl* c = this; c != nullptr; c = c->FParent) {
    if (c->FPopupMenu != nullptr && MenuIsShortCut(c->FPopupMenu, Message)) return true;
    if (!self) return true;
  }
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form->IsShortCut(Message)) return true;
  if (!self) return true;
  if (Application == nullptr) return false;
  TComponentRef<TCustomForm> formRef(form);
  Application->FShortCutAsked = form;  // the main form need not be asked twice
  const LRESULT r = SendMessage(Application->Handle(), CM_APPKEYDOWN, Message.CharCode, Message.KeyData);
  if (Application != nullptr) Application->FShortCutAsked = nullptr;
  return r != 0;
}

void TWinControl::CNKeyDown(TMessage& Message) {
  TWMKey k(Message);
  Message.Result = 1;
  TComponentRef<TWinControl> self(this);
  if (IsMenuKey(k) || !self) return;
  if (Perform(CM_CHILDKEY, k.CharCode, reinterpret_cast<LPARAM>(this)) != 0 || !self) return;
  if (Message.Msg == CN_KEYDOWN) {
    LRESULT mask = 0;
    switch (k.CharCode) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN:
      case VK_ESCAPE:
      case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
      default: break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, k.CharCode, k.KeyData) == 0 && self &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 && self) {
      TCustomForm* form = GetParentForm(this);
      if (form != nullptr && form->Perform(CM_DIALOGKEY, k.CharCode, k.KeyData) != 0) return;
    }
  }
  if (self) Message.Result = 0;
}

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 1;
  TComponentRef<TWinControl> self(this);
  TCustomForm* form = GetParentForm(this);
  if (Message.Msg == CN_SYSCHAR) {
    if (Message.WParam != VK_SPACE && form != nullptr &&
        form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
      return;
  } else if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0 && self && form != nullptr &&
             form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) {
    return;
  }
  if (self) Message.Result = 0;
}

void TWinControl::CMChildKey(TMessage& Message) {
  if (FParent != nullptr) Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

// ================================================================================
// Messages
// ================================================================================

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* c = nullptr;
  const TPoint pos = LParamToPoint(Message.LParam);
  if (FHandle != nullptr && GetCapture() == FHandle) {
    if (VclCaptureControl != nullptr && VclCaptureControl->FParent == this) c = VclCaptureControl;
  } else {
    c = ControlAtPos(pos, false);
  }
  if (c == nullptr) return false;
  TPoint p{pos.X - c->FLeft, pos.Y - c->FTop};
  Message.Result = c->Perform(Message.Msg, Message.WParam, PointToLParam(p));
  return true;
}

bool TWinControl::DoControlMsg(HWND ControlHandle, TMessage& Message) {
  TWinControl* c = FindControl(ControlHandle);
  if (c == nullptr || c == this) return false;
  Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}

void TWinControl::WMReflected(TMessage& Message) {
  HWND child = nullptr;
  switch (Message.Msg) {
    case WM_NOTIFY:
      if (auto* h = reinterpret_cast<const NMHDR*>(Message.LParam)) child = h->hwndFrom;
      break;
    case WM_DRAWITEM:
      if (auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam))
        if (d->CtlType != ODT_MENU) child = d->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (auto* m = reinterpret_cast<const MEASUREITEMSTRUCT*>(Message.LParam)) {
        if (m->CtlType != ODT_MENU)
          for (TWinControl* c : FWinControls)
            if (c->FHandle != nullptr && GetWindowLong(c->FHandle, GWL_ID) == intptr_t(m->CtlID)) {
              child = c->FHandle;
              break;
            }
      }
      break;
    case WM_DELETEITEM:
      if (auto* d = reinterpret_cast<const DELETEITEMSTRUCT*>(Message.LParam)) child = d->hwndItem;
      break;
    case WM_COMPAREITEM:
      if (auto* c = reinterpret_cast<const COMPAREITEMSTRUCT*>(Message.LParam)) child = c->hwndItem;
      break;
    default: child = reinterpret_cast<HWND>(Message.LParam); break;
  }
  if (child != nullptr && DoControlMsg(child, Message)) return;
  DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TMessage& Message) {
  if (reinterpret_cast<HWND>(Message.WParam) == FHandle && FHandle != nullptr &&
      int16_t(LOWORD(uintptr_t(Message.LParam))) == HTCLIENT) {
    TCursor cursor = Screen != nullptr ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
      TPoint p;
      GetCursorPos(&p);
      if (TControl* c = ControlAtPos(ScreenToClient(p), false)) cursor = c->Cursor();
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault && Screen != nullptr) {
      ::SetCursor(Screen->Cursors(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form != nullptr && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (FControlState.Contains(TControlStateItem::csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(Message);
      if (Message.Result == HTTRANSPARENT && ControlAtPos(ScreenToClient(LParamToPoint(Message.LParam)), false))
        Message.Result = HTCLIENT;
      return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (IsControlMouseMsg(Message)) {
        // What the window system does after a click (WM_CONTEXTMENU on a
        // right release) still happens.
        if (Message.Result == 0 && FHandle != nullptr)
          DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      break;
    default: break;
  }
  TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_MOVE: WMMove(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(Message); return;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(Message); return;
    case WM_CHAR: WMChar(Message); return;
    case WM_NCDESTROY: WMNCDestroy(Message); return;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM: WMReflected(Message); return;
    case WM_CONTEXTMENU:
      if (Message.Result == 0 && FHandle != nullptr) {
        TPoint screen = LParamToPoint(Message.LParam);
        if (!(screen.X == -1 && screen.Y == -1)) {
          if (TControl* c = ControlAtPos(ScreenToClient(screen), false)) {
            Message.Result = c->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
            if (Message.Result != 0) return;
          }
        }
      }
      TControl::Dispatch(Message);
      return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(Message); return;
    case CN_CHAR:
    case CN_SYSCHAR: CNChar(Message); return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      SetTextColor(dc, ColorToRGB(FFont->Color()));
      SetBkColor(dc, ColorToRGB(FBrush->Color()));
      Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
      return;
    }
    case CM_CHILDKEY: CMChildKey(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_RECREATEWND: CMRecreateWnd(Message); return;
    case CM_INVALIDATE: CMInvalidate(Message); return;
    case CM_SHOWHINTCHANGED: CMShowHintChanged(Message); return;
    case CM_CURSORCHANGED: CMCursorChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    default: TControl::Dispatch(Message); return;
  }
}

// ================================================================================
// Alignment
// ================================================================================

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
  if (FAlignLevel == 0 && FControlState.Contains(TControlStateItem::csAlignmentNeeded)) AlignControl(nullptr);
}

void TWinControl::Realign() {
  FControlState.Include(TControlStateItem::csAlignmentNeeded);
  DisableAlign();
  EnableAlign();
}

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  if (FAlignLevel != 0) {
    FControlState.Include(TControlStateItem::csAlignmentNeeded);
    return;
  }
  ++FAlignLevel;
  auto cleanup = ScopeExit([&] {
    --FAlignLevel;
    FControlState.Exclude(TControlStateItem::csAlignmentNeeded);
  });
  TRect r = ClientRect();
  AlignControls(AControl, r);
}

void TWinControl::AdjustClientRect(TRect& Rect) { InflateRect(Rect, -FBorderWidth, -FBorderWidth); }

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  if (ControlCount() == 0) return;
  AdjustClientRect(Rect);
  DoAlign(TAlign::alTop, AControl, Rect);
  DoAlign(TAlign::alBottom, AControl, Rect);
  DoAlign(TAlign::alLeft, AControl, Rect);
  DoAlign(TAlign::alRight, AControl, Rect);
  DoAlign(TAlign::alClient, AControl, Rect);
  AnchorControls();
}

void TWinControl::DoAlign(TAlign AAlign, TControl* AControl, TRect& Rect) {
  std::vector<TControl*> list;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->FAlign == AAlign && c->FVisible) list.push_back(c);
  }
  if (list.empty()) return;
  // The edge order: by position, equal positions keeping list order except
  // that the control being moved goes first.
  auto key = [AAlign](TControl* c) -> int64_t {
    switch (AAlign) {
      case TAlign::alTop: return c->FTop;
      case TAlign::alBottom: return -(int64_t(c->FTop) + c->FHeight);
      case TAlign::alLeft: return c->FLeft;
      case TAlign::alRight: return -(int64_t(c->FLeft) + c->FWidth);
      default: return 0;
    }
  };
  std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
    const int64_t ka = key(a), kb = key(b);
    if (ka != kb) return ka < kb;
    return a == AControl && b != AControl;
  });
  for (TControl* c : list) {
    int32_t w = Rect.Right - Rect.Left;
    if (w < 0 || AAlign == TAlign::alLeft || AAlign == TAlign::alRight) w = c->FWidth;
    int32_t h = Rect.Bottom - Rect.Top;
    if (h < 0 || AAlign == TAlign::alTop || AAlign == TAlign::alBottom) h = c->FHeight;
    int32_t l = Rect.Left, t = Rect.Top;
    switch (AAlign) {
      case TAlign::alTop: Rect.Top += h; break;
      case TAlign::alBottom:
        Rect.Bottom -= h;
        t = Rect.Bottom;
        break;
      case TAlign::alLeft: Rect.Left += w; break;
      case TAlign::alRight:
        Rect.Right -= w;
        l = Rect.Right;
        break;
      default: break;
    }
    c->FAnchorMove = true;
    {
      auto cleanup = ScopeExit([&] { c->FAnchorMove = false; });
      c->SetBounds(l, t, w, h);
    }
    // Constraints may have given another size: the rest of the area follows.
    if (c->FWidth != w || c->FHeight != h) {
      switch (AAlign) {
        case TAlign::alTop: Rect.Top -= h - c->FHeight; break;
        case TAlign::alBottom: Rect.Bottom += h - c->FHeight; break;
        case TAlign::alLeft: Rect.Left -= w - c->FWidth; break;
        case TAlign::alRight: Rect.Right += w - c->FWidth; break;
        default: break;
      }
    }
  }
}

void TWinControl::AnchorControls() {
  const TAnchors standard{TAnchorKind::akLeft, TAnchorKind::akTop};
  TRect pr = ClientRect();
  std::vector<TControl*> list;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->FAlign == TAlign::alNone && c->FAnchors != standard && c->FVisible) list.push_back(c);
  }
  for (TControl* c : list) {
    if (c->FOriginalParentSize.X == 0 && c->FOriginalParentSize.Y == 0 && IsRectEmpty(c->FAnchorBounds)) continue;
    const TRect b = c->FAnchorBounds;
    int32_t l = b.Left, t = b.Top, w = b.Width(), h = b.Height();
    const int32_t dx = pr.Right - c->FOriginalParentSize.X;
    const int32_t dy = pr.Bottom - c->FOriginalParentSize.Y;
    const bool akL = c->FAnchors.Contains(TAnchorKind::akLeft), akR = c->FAnchors.Contains(TAnchorKind::akRight);
    const bool akT = c->FAnchors.Contains(TAnchorKind::akTop), akB = c->FAnchors.Contains(TAnchorKind::akBottom);
    if (akL && akR)
      w = std::max(0, w + dx);
    else if (akR)
      l += dx;
    else if (!akL && c->FOriginalParentSize.X > 0)
      l = MulDiv(b.Left + b.Width() / 2, pr.Right, c->FOriginalParentSize.X) - b.Width() / 2;
    if (akT && akB)
      h = std::max(0, h + dy);
    else if (akB)
      t += dy;
    else if (!akT && c->FOriginalParentSize.Y > 0)
      t = MulDiv(b.Top + b.Height() / 2, pr.Bottom, c->FOriginalParentSize.Y) - b.Height() / 2;
    c->FAnchorMove = true;
    auto cleanup = ScopeExit([&] { c->FAnchorMove = false; });
    c->SetBounds(l, t, w, h);
  }
}
