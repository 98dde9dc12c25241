// TControl: geometry, alignment requests, visibility, text, font and colour
// notifications, mouse messages and events; size constraints; helpers.
#include "platform/vcl/controls.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gui/win_paint.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/controls_internal.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

namespace {

// The WindowProc a control starts with; recognisable so that a replacement
// can be told apart.
struct TOwnWndProc {
  TControl* Self;
  void operator()(TMessage& Message) const { Self->WndProc(Message); }
};

TAnchors AnchorsFor(TAlign Align) {
  using A = TAnchorKind;
  switch (Align) {
    case TAlign::alTop: return TAnchors{A::akLeft, A::akTop, A::akRight};
    case TAlign::alBottom: return TAnchors{A::akLeft, A::akRight, A::akBottom};
    case TAlign::alLeft: return TAnchors{A::akLeft, A::akTop, A::akBottom};
    case TAlign::alRight: return TAnchors{A::akRight, A::akTop, A::akBottom};
    case TAlign::alClient: return TAnchors{A::akLeft, A::akTop, A::akRight, A::akBottom};
    default: return TAnchors{A::akLeft, A::akTop};
  }
}

bool Horizontal(TAlign A) { return A == TAlign::alTop || A == TAlign::alBottom; }
bool Vertical(TAlign A) { return A == TAlign::alLeft || A == TAlign::alRight; }

// Copies at most size - 1 bytes without splitting a UTF-8 sequence.
LRESULT CopyText(const String& text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  size_t n = std::min(text.size(), size - 1);
  if (n < text.size())
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

}  // namespace

// ================================================================================
// Shared helpers
// ================================================================================

TControl* VclCaptureControl = nullptr;

bool VclFontsEqual(TFont* A, TFont* B) {
  return A->Name() == B->Name() && A->Height() == B->Height() && A->Style() == B->Style() && A->Color() == B->Color() &&
         A->Charset() == B->Charset() && A->Pitch() == B->Pitch() && A->Orientation() == B->Orientation();
}

void VclResetWindowProc(TControl* Control) { Control->WindowProc = TOwnWndProc{Control}; }

void VclCheckThread(const char* Where) {
#ifndef NDEBUG
  if (!IsMainThread()) {
    std::fprintf(stderr, "%s: controls are used on the main thread only\n", Where);
    std::abort();
  }
#else
  (void)Where;
#endif
}

TShiftState KeysToShiftState(uint32_t Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(int32_t KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if ((uint32_t(KeyData) & (1u << 29)) != 0 || GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

#ifndef NDEBUG
std::function<void(TControl* Control)> OnForeignWindowProc = [](TControl* Control) {
  std::fprintf(stderr, "%s '%s' destroyed with a replaced WindowProc still installed\n", Control->ClassName(),
               Control->Name().c_str());
};
#else
std::function<void(TControl* Control)> OnForeignWindowProc;
#endif

// ================================================================================
// Free functions
// ================================================================================

TCustomForm* GetParentForm(TControl* Control) {
  if (Control == nullptr) return nullptr;
  while (Control->Parent() != nullptr) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

TCustomForm* ValidParentForm(TControl* Control) {
  TCustomForm* f = GetParentForm(Control);
  if (f == nullptr)
    throw EInvalidOperation("Control '%s' has no parent window", {Control != nullptr ? Control->Name() : String()});
  return f;
}

TWinControl* FindVCLWindow(const TPoint& Pos) {
  HWND h = WindowFromPoint(Pos);
  while (h != nullptr) {
    if (TWinControl* c = FindControl(h)) return c;
    h = GetParent(h);
  }
  return nullptr;
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
  TWinControl* w = FindVCLWindow(Pos);
  if (w == nullptr) return nullptr;
  if (TControl* c = w->ControlAtPos(w->ScreenToClient(Pos), AllowDisabled)) return c;
  return w;
}

TControl* GetCaptureControl() {
  TControl* c = FindControl(GetCapture());
  if (c != nullptr && VclCaptureControl != nullptr && VclCaptureControl->Parent() == c) return VclCaptureControl;
  return c;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  VclCaptureControl = nullptr;
  if (Control == nullptr) return;
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w == nullptr) {
    if (Control->Parent() == nullptr) return;
    VclCaptureControl = Control;
    w = Control->Parent();
  }
  SetCapture(w->Handle());
}

// ================================================================================
// TSizeConstraints
// ================================================================================

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
    FMinHeight = s->FMinHeight;
    FMaxHeight = s->FMaxHeight;
    FMinWidth = s->FMinWidth;
    FMaxWidth = s->FMaxWidth;
    Change();
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::SetMaxHeight(int32_t Value) {
  if (Value == FMaxHeight) return;
  FMaxHeight = Value;
  if (Value > 0 && Value < FMinHeight) FMinHeight = Value;
  Change();
}

void TSizeConstraints::SetMaxWidth(int32_t Value) {
  if (Value == FMaxWidth) return;
  FMaxWidth = Value;
  if (Value > 0 && Value < FMinWidth) FMinWidth = Value;
  Change();
}

void TSizeConstraints::SetMinHeight(int32_t Value) {
  if (Value == FMinHeight) return;
  FMinHeight = Value;
  if (FMaxHeight > 0 && Value > FMaxHeight) FMaxHeight = Value;
  Change();
}

void TSizeConstraints::SetMinWidth(int32_t Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  if (FMaxWidth > 0 && Value > FMaxWidth) FMaxWidth = Value;
  Change();
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

// ================================================================================
// TControl
// ================================================================================

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  VclCheckThread("TControl");
  WindowProc = TOwnWndProc{this};
  FControlStyle = TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csClickEvents,
                                TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks};
  FFont = std::make_unique<TFont>();
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FConstraints = std::make_unique<TSizeConstraints>(this);
  FConstraints->OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl() {
  Destroying();
  if (Application != nullptr && Application->FMouseControl == this) Application->FMouseControl = nullptr;
  if (VclCaptureControl == this) {
    VclCaptureControl = nullptr;
    if (FParent != nullptr && FParent->HandleAllocated() && GetCapture() == FParent->WindowHandle()) ReleaseCapture();
  }
  FActionLink.reset();
  if (FParent != nullptr) FParent->RemoveControl(this);
}

bool TControl::HasOwnWindowProc() const {
  const TOwnWndProc* p = WindowProc.target<TOwnWndProc>();
  return p != nullptr && p->Self == this;
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove) {
    if (AComponent == FPopupMenuComponent) {
      FPopupMenu = nullptr;
      FPopupMenuComponent = nullptr;
    }
    if (FActionLink && static_cast<TComponent*>(FActionLink->Action()) == AComponent) FActionLink.reset();
  }
}

// ---- Parent --------------------------------------------------------------------

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent != nullptr) FParent->RemoveControl(this);
  if (AParent != nullptr) {
    AParent->InsertControl(this);
    UpdateAnchorRules();
  }
}

// ---- Geometry --------------------------------------------------------------------

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  InvalidateControl(FVisible, false);
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
}

TRect TControl::ClientRect() { return TRect{0, 0, FWidth, FHeight}; }

void TControl::SetClientSize(const TPoint& Value) {
  TRect r = ClientRect();
  SetBounds(FLeft, FTop, FWidth - r.Right + Value.X, FHeight - r.Bottom + Value.Y);
}

TPoint TControl::ClientOrigin() {
  if (FParent == nullptr) throw EInvalidOperation("Control '%s' has no parent window", {Name()});
  TPoint p = FParent->ClientOrigin();
  return TPoint{p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  TPoint o = ClientOrigin();
  return TPoint{Point.X + o.X, Point.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  TPoint o = ClientOrigin();
  return TPoint{Point.X - o.X, Point.Y - o.Y};
}

TPoint TControl::ClientToParent(const TPoint& Point, TWinControl* AParent) {
  if (AParent == nullptr) AParent = FParent;
  if (AParent == nullptr) throw EInvalidOperation("Control '%s' has no parent window", {Name()});
  TPoint r = Point;
  TControl* c = this;
  while (c != AParent) {
    if (c->FParent == nullptr) throw EInvalidOperation("'%s' is not a parent of '%s'", {AParent->Name(), Name()});
    r.X += c->FLeft;
    r.Y += c->FTop;
    c = c->FParent;
  }
  return r;
}

TPoint TControl::ParentToClient(const TPoint& Point, TWinControl* AParent) {
  TPoint o = ClientToParent(TPoint{0, 0}, AParent);
  return TPoint{Point.X - o.X, Point.Y - o.Y};
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  TAlign old = FAlign;
  FAlign = Value;
  FAnchors = AnchorsFor(Value);
  if (old != TAlign::alNone && old != TAlign::alClient && Value != TAlign::alNone && Value != TAlign::alClient &&
      Value != TAlign::alCustom && old != TAlign::alCustom && Horizontal(old) == Vertical(Value)) {
    SetBounds(FLeft, FTop, FHeight, FWidth);  // turned between a row and a column
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value) return;
  FAnchors = Value;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (FAnchorMove || FParent == nullptr) return;
  TRect pr = FParent->ClientRect();
  FOriginalParentSize = TPoint{pr.Right, pr.Bottom};
  FAnchorBounds = BoundsRect();
}

void TControl::RequestAlign() {
  if (FParent != nullptr) FParent->AlignControl(this);
}

void TControl::Resize() {
  if (FLastResizeValid && FLastResizeWidth == FWidth && FLastResizeHeight == FHeight) return;
  FLastResizeValid = true;
  FLastResizeWidth = FWidth;
  FLastResizeHeight = FHeight;
  if (OnResize) OnResize(this);
}

bool TControl::CanResize(int32_t& NewWidth, int32_t& NewHeight) {
  bool result = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, result);
  return result;
}

bool TControl::CanAutoSize(int32_t&, int32_t&) { return true; }

void TControl::ConstrainedResize(int32_t& MinWidth, int32_t& MinHeight, int32_t& MaxWidth, int32_t& MaxHeight) {
  if (OnConstrainedResize) OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

void TControl::DoConstrainedResize(int32_t& NewWidth, int32_t& NewHeight) {
  int32_t minW = FConstraints->MinWidth(), minH = FConstraints->MinHeight();
  int32_t maxW = FConstraints->MaxWidth(), maxH = FConstraints->MaxHeight();
  ConstrainedResize(minW, minH, maxW, maxH);
  if (maxW > 0 && NewWidth > maxW) NewWidth = maxW;
  if (minW > 0 && NewWidth < minW) NewWidth = minW;
  if (maxH > 0 && NewHeight > maxH) NewHeight = maxH;
  if (minH > 0 && NewHeight < minH) NewHeight = minH;
}

bool TControl::CheckNewSize(int32_t& NewWidth, int32_t& NewHeight) {
  int32_t w = NewWidth, h = NewHeight;
  if (!CanResize(w, h)) return false;
  DoConstrainedResize(w, h);
  if (FAutoSize && FAutoSizing == 0) {
    int32_t w2 = w, h2 = h;
    if (CanAutoSize(w2, h2)) {
      DoConstrainedResize(w2, h2);
      w = w2;
      h = h2;
    }
  }
  NewWidth = w;
  NewHeight = h;
  return true;
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TControl::AdjustSize() { DoAutoSize(); }

void TControl::DoAutoSize() {
  if (!FAutoSize || FAutoSizing != 0) return;
  int32_t w = FWidth, h = FHeight;
  if (!CanAutoSize(w, h)) return;
  ++FAutoSizing;
  auto cleanup = ScopeExit([&] { --FAutoSizing; });
  SetBounds(FLeft, FTop, w, h);
}

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

// ---- Visibility ---------------------------------------------------------------------

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, WPARAM(Value), 0);
  RequestAlign();
}

void TControl::Show() { SetVisible(true); }

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

// ---- Text ------------------------------------------------------------------------------

String TControl::GetText() {
  int32_t len = GetTextLen();
  if (len <= 0) return String();
  String s(size_t(len) + 1, '\0');
  int32_t n = GetTextBuf(s.data(), len + 1);
  s.resize(size_t(std::max(n, 0)));
  return s;
}

void TControl::SetText(const String& Value) {
  if (GetText() == Value) return;
  SetTextBuf(Value.c_str());
}

int32_t TControl::GetTextLen() { return int32_t(Perform(WM_GETTEXTLENGTH, 0, 0)); }

int32_t TControl::GetTextBuf(char* Buffer, int32_t BufSize) {
  if (Buffer == nullptr || BufSize <= 0) return 0;
  return int32_t(Perform(WM_GETTEXT, WPARAM(BufSize), reinterpret_cast<LPARAM>(Buffer)));
}

void TControl::SetTextBuf(const char* Buffer) {
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Buffer != nullptr ? Buffer : ""));
  Perform(CM_TEXTCHANGED, 0, 0);
}

// ---- Appearance -----------------------------------------------------------------------

void TControl::FontChanged(TObject*) {
  if (FFontUpdating == 0) FParentFont = false;
  FDesktopFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetFont(TFont* Value) {
  if (Value == nullptr || VclFontsEqual(FFont.get(), Value)) return;
  FFont->Assign(Value);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (FParent != nullptr && Value) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  if (FParent != nullptr && Value) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetShowHint(bool Value) {
  if (FShowHint != Value) {
    FShowHint = Value;
    FParentShowHint = false;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
  } else {
    FParentShowHint = false;
  }
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  if (FParent != nullptr && Value) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!FParentFont || FParent == nullptr) return;
  if (VclFontsEqual(FFont.get(), FParent->Font())) return;
  ++FFontUpdating;
  auto cleanup = ScopeExit([&] { --FFontUpdating; });
  FFont->Assign(FParent->Font());
}

void TControl::CMParentColorChanged(TMessage& Message) {
  if (!FParentColor) return;
  TColor c = Message.WParam != 0 ? TColor(Message.LParam) : (FParent != nullptr ? FParent->Color() : FColor);
  SetColor(c);
  FParentColor = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || FParent == nullptr) return;
  SetShowHint(FParent->ShowHint());
  FParentShowHint = true;
}

// ---- Popup menu and actions -------------------------------------------------------------

void TControl::AssignPopupMenu(TPopupMenu* Menu, TComponent* AsComponent) {
  if (FPopupMenuComponent == AsComponent) return;
  if (FPopupMenuComponent != nullptr) FPopupMenuComponent->RemoveFreeNotification(this);
  FPopupMenu = Menu;
  FPopupMenuComponent = AsComponent;
  if (AsComponent != nullptr) AsComponent->FreeNotification(this);
}

TPopupMenu* TControl::GetPopupMenu() { return FPopupMenu; }

TBasicAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TBasicAction* Value) {
  if (Value == nullptr) {
    FActionLink.reset();
    FControlStyle.Exclude(TControlStyleItem::csActionClient);
    return;
  }
  if (!FActionLink) FActionLink = std::make_unique<TControlActionLink>(this);
  FActionLink->SetAction(Value);
  FControlStyle.Include(TControlStyleItem::csActionClient);
  ActionChange(Value, false);
  Value->FreeNotification(this);
}

void TControl::ActionChange(TObject* Sender, bool) {
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (a == nullptr) return;
  SetCaption(a->Caption());
  SetEnabled(a->Enabled());
  SetHint(a->Hint());
  SetVisible(a->Visible());
}

void TControl::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

// ---- Painting (the parent does the work) ---------------------------------------------------

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || FParent == nullptr || !FParent->HandleAllocated()) return;
  TRect r = BoundsRect();
  const bool parentOpaque = FParent->ControlStyle().Contains(TControlStyleItem::csOpaque);
  InvalidateRect(FParent->WindowHandle(), &r, !(IsOpaque || parentOpaque));
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(TControlStyleItem::csOpaque)); }

void TControl::Update() {
  if (FParent != nullptr) FParent->Update();
}

void TControl::Repaint() {
  if (!FVisible || FParent == nullptr || !FParent->HandleAllocated()) return;
  if (FControlStyle.Contains(TControlStyleItem::csOpaque)) {
    HDC dc = GetDC(FParent->WindowHandle());
    if (dc == nullptr) return;
    IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
    auto cleanup = ScopeExit([&] { ReleaseDC(FParent->WindowHandle(), dc); });
    FParent->PaintControls(dc, this);
  } else {
    Invalidate();
    Update();
  }
}

void TControl::SetZOrder(bool TopMost) {
  if (FParent == nullptr) return;
  auto& list = FParent->FControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (TopMost)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  InvalidateControl(FVisible, true);
}

// ---- Messages -----------------------------------------------------------------------------

LRESULT TControl::Perform(uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  VclCheckThread("TControl::Perform");
  TMessage m = MakeMessage(Msg, WParam, LParam);
  TWndMethod proc = WindowProc;  // a handler may replace WindowProc while it runs
  proc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
    if (!FControlStyle.Contains(TControlStyleItem::csDoubleClicks)) {
      switch (Message.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK: Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN; break;
        default: break;
      }
    }
    switch (Message.Msg) {
      case WM_MOUSEMOVE:
        if (Application != nullptr) Application->HintMouseMessage(this, Message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: FControlState.Include(TControlStateItem::csLButtonDown); break;
      case WM_LBUTTONUP: FControlState.Exclude(TControlStateItem::csLButtonDown); break;
      default: break;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: WMMouseButton(Message, TMouseButton::mbLeft, true, false); return;
    case WM_RBUTTONDOWN: WMMouseButton(Message, TMouseButton::mbRight, true, false); return;
    case WM_MBUTTONDOWN: WMMouseButton(Message, TMouseButton::mbMiddle, true, false); return;
    case WM_LBUTTONDBLCLK: WMMouseButton(Message, TMouseButton::mbLeft, true, true); return;
    case WM_RBUTTONDBLCLK: WMMouseButton(Message, TMouseButton::mbRight, true, true); return;
    case WM_MBUTTONDBLCLK: WMMouseButton(Message, TMouseButton::mbMiddle, true, true); return;
    case WM_LBUTTONUP: WMMouseButton(Message, TMouseButton::mbLeft, false, false); return;
    case WM_RBUTTONUP: WMMouseButton(Message, TMouseButton::mbRight, false, false); return;
    case WM_MBUTTONUP: WMMouseButton(Message, TMouseButton::mbMiddle, false, false); return;
    case WM_MOUSEMOVE: WMMouseMove(Message); return;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); return;
    case WM_CONTEXTMENU: WMContextMenu(Message); return;
    case WM_CANCELMODE:
      if (GetCaptureControl() == this) SetCaptureControl(nullptr);
      DefaultHandler(Message);
      return;
    case CM_MOUSEWHEEL: CMMouseWheel(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); return;
    case CM_VISIBLECHANGED:
      InvalidateControl(true, FVisible && FControlStyle.Contains(TControlStyleItem::csOpaque));
      return;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_COLORCHANGED: Invalidate(); return;
    case CM_TEXTCHANGED:
      if (FControlStyle.Contains(TControlStyleItem::csSetCaption)) Invalidate();
      return;
    case CM_HITTEST: Message.Result = HTCLIENT; return;
    case CM_CURSORCHANGED:
      // Under the pointer the new cursor shows at once.
      if (FParent != nullptr && FParent->HandleAllocated() && GetCapture() == nullptr) {
        TPoint p;
        GetCursorPos(&p);
        HWND h = FParent->WindowHandle();
        if (WindowFromPoint(p) == h)
          SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      }
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // Containers hear about their children too.
      if (FParent != nullptr)
        FParent->Perform(Message.Msg, 0, Message.LParam != 0 ? Message.LParam : reinterpret_cast<LPARAM>(this));
      return;
    default: DefaultHandler(Message); return;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT:
      Message.Result = CopyText(FText, reinterpret_cast<char*>(Message.LParam), size_t(Message.WParam));
      return;
    case WM_GETTEXTLENGTH: Message.Result = LRESULT(FText.size()); return;
    case WM_SETTEXT:
      FText = Message.LParam != 0 ? reinterpret_cast<const char*>(Message.LParam) : "";
      Message.Result = 1;
      return;
    default: return;
  }
}

// ---- Mouse ------------------------------------------------------------------------------

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value) return;
  SetCaptureControl(Value ? this : nullptr);
}

void TControl::SendCancelMode(TControl* Sender) {
  for (TControl* c = this; c != nullptr; c = c->FParent) {
    if (auto* f = dynamic_cast<TCustomForm*>(c)) {
      TWinControl* focused = f->ActiveControl();
      if (f->Active() && focused != nullptr && focused != Sender)
        focused->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
    }
  }
  if (Application != nullptr && Application->FHandle != nullptr)
    SendMessage(Application->FHandle, CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

void TControl::WMMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double) {
  TWMMouse m(Message);
  TComponentRef<TControl> self(this);
  if (Down) {
    SendCancelMode(this);
    if (!self) return;
    DefaultHandler(Message);
    if (FControlStyle.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(true);
    if (Double) {
      if (FControlStyle.Contains(TControlStyleItem::csClickEvents)) DblClick();
      if (!self) return;
    } else if (Button == TMouseButton::mbLeft && FControlStyle.Contains(TControlStyleItem::csClickEvents)) {
      FControlState.Include(TControlStateItem::csClicked);
    }
    if (!FControlStyle.Contains(TControlStyleItem::csNoStdEvents)) {
      TShiftState shift = KeysToShiftState(m.Keys);
      if (Double) shift.Include(ssDouble);
      MouseDown(Button, shift, m.XPos, m.YPos);
    }
    return;
  }
  DefaultHandler(Message);
  if (!self) return;
  if (FControlStyle.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(false);
  if (Button == TMouseButton::mbLeft && FControlState.Contains(TControlStateItem::csClicked)) {
    FControlState.Exclude(TControlStateItem::csClicked);
    if (PtInRect(ClientRect(), m.Pos())) Click();
    if (!self) return;
  }
  if (!FControlStyle.Contains(TControlStyleItem::csNoStdEvents))
    MouseUp(Button, KeysToShiftState(m.Keys), m.XPos, m.YPos);
}

void TControl::WMMouseMove(TMessage& Message) {
  DefaultHandler(Message);
  if (FControlStyle.Contains(TControlStyleItem::csNoStdEvents)) return;
  TWMMouse m(Message);
  MouseMove(KeysToShiftState(m.Keys), m.XPos, m.YPos);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  // An assigned OnClick wins over a linked action.
  if (OnClick)
    OnClick(this);
  else if (FActionLink && FActionLink->Action() != nullptr)
    FActionLink->Execute(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::WMMouseWheel(TMessage& Message) {
  const uint32_t keys = LOWORD(Message.WParam);
  const int32_t delta = GET_WHEEL_DELTA_WPARAM(Message.WParam);
  const uint64_t bits = KeysToShiftState(keys).ToBits();
  Message.Result = Perform(CM_MOUSEWHEEL, MAKEWPARAM(int32_t(bits), delta), Message.LParam);
  // The parent chain has had its turn through CM_MOUSEWHEEL; only a control
  // at the top lets the window system pass the wheel on.
  if (Message.Result == 0 && FParent == nullptr) DefaultHandler(Message);
}

void TControl::CMMouseWheel(TMessage& Message) {
  TCMMouseWheel w(Message);
  Message.Result = 0;
  if (DoMouseWheel(w.ShiftState, w.WheelDelta, w.Pos()))
    Message.Result = 1;
  else if (FParent != nullptr)
    Message.Result = FParent->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
}

bool TControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled) return true;
  FWheelAccumulator += WheelDelta;
  while (FWheelAccumulator >= WHEEL_DELTA || FWheelAccumulator <= -WHEEL_DELTA) {
    if (FWheelAccumulator < 0) {
      FWheelAccumulator += WHEEL_DELTA;
      handled = DoMouseWheelDown(Shift, MousePos);
    } else {
      FWheelAccumulator -= WHEEL_DELTA;
      handled = DoMouseWheelUp(Shift, MousePos);
    }
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint screen = LParamToPoint(Message.LParam);
  const bool byKey = screen.X == -1 && screen.Y == -1;
  TPoint client = byKey ? TPoint{-1, -1} : ScreenToClient(screen);
  bool handled = false;
  TComponentRef<TControl> self(this);
  DoContextPopup(client, handled);
  if (!self) return;
  Message.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = GetPopupMenu();
  if (menu != nullptr) {
    SendCancelMode(nullptr);
    if (!self) return;
    if (byKey) screen = ClientToScreen(TPoint{0, 0});
    // The control that was right-clicked becomes the menu's PopupComponent.
    if (PopupMenuAutoPopup(menu, this, screen)) {
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

// ================================================================================
// Action links and actions
// ================================================================================

TControlActionLink::~TControlActionLink() { SetAction(nullptr); }

void TControlActionLink::SetAction(TBasicAction* Value) {
  if (FAction == Value) return;
  if (FAction != nullptr) FAction->UnregisterLink(this);
  FAction = Value;
  if (FAction != nullptr) FAction->RegisterLink(this);
}

bool TControlActionLink::Update() { return FAction != nullptr && FAction->Update(); }

bool TControlActionLink::Execute(TComponent* Target) {
  if (FAction == nullptr) return false;
  FAction->SetActionComponent(Target);
  bool r = false;
  {
    auto cleanup = ScopeExit([&] {
      if (FAction != nullptr) FAction->SetActionComponent(nullptr);
    });
    r = FAction->Execute();
  }
  return r;
}

void TControlActionLink::Change() {
  if (FClient != nullptr && FAction != nullptr) FClient->ActionChange(FAction, false);
}

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
  Destroying();
  while (!FClients.empty()) {
    TControlActionLink* link = FClients.back();
    link->SetAction(nullptr);  // unregisters
  }
}

bool TBasicAction::Execute() {
  if (OnExecute) {
    OnExecute(this);
    return true;
  }
  return false;
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return false;
}

void TBasicAction::Change() {
  std::vector<TControlActionLink*> clients = FClients;
  for (TControlActionLink* l : clients)
    if (std::find(FClients.begin(), FClients.end(), l) != FClients.end()) l->Change();
}

void TBasicAction::RegisterLink(TControlActionLink* Link) { FClients.push_back(Link); }

void TBasicAction::UnregisterLink(TControlActionLink* Link) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Link), FClients.end());
}

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TCustomAction::~TCustomAction() {
  Destroying();
  SetActionList(nullptr);
}

bool TCustomAction::Execute() {
  if (!FEnabled) return false;
  Update();
  if (!FEnabled) return false;
  if (FAutoCheck) SetChecked(!FChecked);
  if (FActionList != nullptr && FActionList->ExecuteAction(this)) return true;
  return TBasicAction::Execute();
}

bool TCustomAction::Update() {
  if (FActionList != nullptr && FActionList->UpdateAction(this)) return true;
  return TBasicAction::Update();
}

void TCustomAction::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Change();
}

void TCustomAction::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Change();
}

void TCustomAction::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  // Radio groups: checking one unchecks the others of the list.
  if (Value && FGroupIndex > 0 && FActionList != nullptr)
    for (TCustomAction* a : FActionList->FActions)
      if (a != this && a->FGroupIndex == FGroupIndex) a->SetChecked(false);
  Change();
}

void TCustomAction::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Change();
}

void TCustomAction::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  Change();
}

void TCustomAction::SetImageIndex(int32_t Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Change();
}

void TCustomAction::SetShortCut(uint16_t Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  Change();
}

void TCustomAction::SetActionList(TCustomActionList* Value) {
  if (FActionList == Value) return;
  if (FActionList != nullptr) FActionList->RemoveAction(this);
  if (Value != nullptr) Value->AddAction(this);
}

int32_t TCustomAction::Index() const {
  if (FActionList == nullptr) return -1;
  auto& l = FActionList->FActions;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : int32_t(it - l.begin());
}

void TCustomAction::Notification(TComponent* AComponent, TOperation Operation) {
  TBasicAction::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FActionList) FActionList = nullptr;
}

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomActionList::~TCustomActionList() {
  Destroying();
  while (!FActions.empty()) RemoveAction(FActions.back());
}

TCustomAction* TCustomActionList::Actions(int32_t Index) const {
  if (Index < 0 || Index >= ActionCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FActions[size_t(Index)];
}

void TCustomActionList::AddAction(TCustomAction* Action) {
  FActions.push_back(Action);
  Action->FActionList = this;
  Action->FreeNotification(this);
  if (OnChange) OnChange(this);
}

void TCustomActionList::RemoveAction(TCustomAction* Action) {
  auto it = std::find(FActions.begin(), FActions.end(), Action);
  if (it == FActions.end()) return;
  FActions.erase(it);
  Action->FActionList = nullptr;
  if (!ComponentState().Contains(TComponentStateItem::csDestroying) && OnChange) OnChange(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  bool handled = false;
  if (OnExecute) OnExecute(Action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(Action, handled);
  return handled;
}

void TCustomActionList::UpdateActions() {
  std::vector<TCustomAction*> list = FActions;
  for (TCustomAction* a : list)
    if (std::find(FActions.begin(), FActions.end(), a) != FActions.end() && a->Visible()) a->Update();
}

void TCustomActionList::SetImages(TCustomImageList* Value) { FImages = Value; }

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  auto it = std::find(FActions.begin(), FActions.end(), AComponent);
  if (it != FActions.end()) FActions.erase(it);
}
