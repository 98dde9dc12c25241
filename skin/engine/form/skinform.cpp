#include "skin/engine/form/skinform.h"

#include "platform/rtl/exceptions.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/base/skinintf.h"
#include "skin/engine/data/skinmessages.h"

namespace {

TTimer* MakeTimer(TComponent* Owner, uint32_t Interval) {
  auto* t = new TTimer(Owner);
  t->SetEnabled(false);
  t->SetInterval(Interval);
  return t;
}

TCustomForm* FormOwner(TComponent* AOwner) {
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) return form;
  throw EInvalidCast("Invalid class typecast");
}

}  // namespace

TbsSkinForm* FindFormSkinForm(TComponent* AComponent) {
  if (AComponent == nullptr) return nullptr;
  for (int32_t i = 0; i < AComponent->ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TbsSkinForm*>(AComponent->Components(i))) return f;
  return nullptr;
}

TbsSkinForm::TbsSkinForm(TComponent* AOwner) : TComponent(AOwner), FOwnerForm(FormOwner(AOwner)) {
  FOwnerForm->SetBorderIcons(TBorderIcons{});
  FOwnerForm->SetAutoSize(false);
  FOwnerForm->SetAutoScroll(false);
  FSkinMenu = new TbsSkinMenu(this, FOwnerForm);
  for (TFont* f : {FDefCaptionFont.get(), FDefInActiveCaptionFont.get()}) {
    f->SetName("Arial");
    f->SetStyle(TFontStyles{TFontStyle::fsBold});
    f->SetHeight(14);
  }
  FDefCaptionFont->SetColor(clBtnText);
  FDefInActiveCaptionFont->SetColor(clBtnShadow);
  // The frame's mouse tracking, hover morphing and animation; the frame
  // objects give them their handlers.
  FMouseTimer = MakeTimer(this, 50);
  FMorphTimer = MakeTimer(this, 25);
  FAnimateTimer = MakeTimer(this, 25);
  FSavedWindowProc = FOwnerForm->WindowProc;
  FOwnerForm->WindowProc = [this](TMessage& Message) { FormWindowProc(Message); };
  if (FOwnerForm->HandleAllocated()) FOwnerForm->RecreateWnd();
}

TbsSkinForm::~TbsSkinForm() {
  // A dying form frees its components while it is still a form.
  FOwnerForm->WindowProc = FSavedWindowProc;
  DestroyComponents();
}

void TbsSkinForm::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkinData) FSkinData = nullptr;
  if (AComponent == FMenusSkinData) FMenusSkinData = nullptr;
  if (AComponent == FSystemMenu) FSystemMenu = nullptr;
}

void TbsSkinForm::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  if (Value != nullptr && FOwnerForm->FormStyle() != TFormStyle::fsMDIChild) FSkinnable = Value->SkinnableForm();
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) ChangeSkinData();
}

void TbsSkinForm::SetMenusSkinData(TbsSkinData* Value) {
  FMenusSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinForm::SetSystemMenu(TPopupMenu* Value) {
  FSystemMenu = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinForm::SetBorderIcons(TbsBorderIcons Value) {
  FBorderIcons = Value;
  const TComponentState state = ComponentState();
  if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading)) return;
  if (FOwnerForm->HandleAllocated()) SendMessage(FOwnerForm->Handle(), WM_NCPAINT, 0, 0);
}

void TbsSkinForm::SetDefMenuItemHeight(int32_t Value) {
  if (Value > 0) FSkinMenu->DefMenuItemHeight = Value;
}

void TbsSkinForm::SetMaxMenuItemsInWindow(int32_t Value) {
  if (Value >= 0) FSkinMenu->MaxMenuItemsInWindow = Value;
}

// ---- Menus ---------------------------------------------------------------------------------------

void TbsSkinForm::SkinMenuOpened() {
  FSkinMenuOpen = true;
  if (OnSkinMenuOpen) OnSkinMenuOpen(this);
}

void TbsSkinForm::SkinMenuClosed() {
  FSkinMenuOpen = false;
  if (OnSkinMenuClose) OnSkinMenuClose(this);
}

void TbsSkinForm::CloseMenusOnMessage() {
  if (FSkinMenu->IsOpen)
    FSkinMenu->CloseMenu();
  else if (FSkinMenuOpen)
    SkinMenuClosed();
}

// ---- The replaced window procedure ------------------------------------------------------------

void TbsSkinForm::FormWindowProc(TMessage& Message) {
  if (IsMenuCloseMessage(Message.Msg)) CloseMenusOnMessage();
  switch (Message.Msg) {
    case WM_SKIN_MENUCLOSED: SkinMenuClosed(); break;
    case WM_SKIN_BEFORECHANGE: WMSkinBeforeChange(Message); break;
    case WM_SKIN_CHANGE: WMSkinChange(Message); break;
    case WM_SKIN_AFTERCHANGE: WMSkinAfterChange(Message); break;
    case WM_SKIN_SKINNABLECHANGED: WMSkinnableChanged(Message); break;
    case WM_DESTROY: StopTimers(); break;
    default: break;
  }
  if (FSavedWindowProc) FSavedWindowProc(Message);
}

// A menu open across the change holds the old skin's pictures and
// descriptions: it closes before they are freed.
void TbsSkinForm::WMSkinBeforeChange(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  if (skin != FSkinData || FSkinData == nullptr) return;
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  FSkinChanging = true;
  FSkinActive = false;
  StopTimers();
  BeforeChangeControlsSkinData(skin, FOwnerForm);
  BeforeChangeComponents();
  if (OnBeforeChangeSkinData) OnBeforeChangeSkinData(this);
}

void TbsSkinForm::WMSkinChange(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  FSkinChanging = false;
  if (skin == FSkinData && skin != nullptr) ChangeSkinData();
  ChangeControlsSkinData(skin, FOwnerForm);
  ChangeComponents();
}

void TbsSkinForm::WMSkinAfterChange(TMessage&) {
  if (OnAfterChangeSkinData) OnAfterChangeSkinData(this);
}

void TbsSkinForm::WMSkinnableChanged(TMessage& Message) {
  auto* skin = reinterpret_cast<TbsSkinData*>(Message.WParam);
  if (skin == FSkinData && skin != nullptr && FOwnerForm->FormStyle() != TFormStyle::fsMDIChild)
    SetSkinnable(skin->SkinnableForm());
}

void TbsSkinForm::StopTimers() {
  for (TTimer* t : {FMouseTimer, FMorphTimer, FAnimateTimer}) t->SetEnabled(false);
}

// ---- The skin-change walks ------------------------------------------------------------------------

void TbsSkinForm::BeforeChangeControlsSkinData(TbsSkinData* S, TControl* Control) {
  if (auto* c = dynamic_cast<TbsSkinControl*>(Control); c != nullptr && (S == nullptr || c->SkinData() == S))
    c->BeforeChangeSkinData();
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w == nullptr) return;
  for (int32_t i = 0; i < w->ControlCount(); ++i) BeforeChangeControlsSkinData(S, w->Controls(i));
}

void TbsSkinForm::ChangeControlsSkinData(TbsSkinData* S, TControl* Control) {
  ChangeControlSkinData(S, Control);
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w == nullptr) return;
  for (int32_t i = 0; i < w->ControlCount(); ++i) ChangeControlsSkinData(S, w->Controls(i));
}

// A frame goes through its skin component whatever skin it uses; every
// skin-aware control only for its own skin. Standard controls are left to
// their owners.
void TbsSkinForm::ChangeControlSkinData(TbsSkinData* S, TControl* Control) {
  if (dynamic_cast<TFrame*>(Control) != nullptr) {
    for (int32_t i = 0; i < Control->ComponentCount(); ++i)
      if (auto* f = dynamic_cast<TbsSkinFrame*>(Control->Components(i))) {
        f->ChangeSkinData();
        return;
      }
    return;
  }
  auto* aware = dynamic_cast<IbsSkinAware*>(Control);
  if (aware != nullptr && (S == nullptr || aware->SkinData() == S)) aware->ChangeSkinData();
}

void TbsSkinForm::BeforeChangeComponents() {
  for (int32_t i = 0; i < FOwnerForm->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TbsSkinComponent*>(FOwnerForm->Components(i))) c->BeforeChangeSkinData();
}

void TbsSkinForm::ChangeComponents() {
  for (int32_t i = 0; i < FOwnerForm->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TbsSkinComponent*>(FOwnerForm->Components(i))) c->ChangeSkinData();
}

// ---- Re-reading the skin -----------------------------------------------------------------------------

void TbsSkinForm::ChangeSkinData() {
  FSkinActive = FSkinData != nullptr && !FSkinData->Empty;
  if (FSkinnable && !FOwnerForm->BorderIcons().Empty()) FOwnerForm->SetBorderIcons(TBorderIcons{});
  FitMinimumSize();
  if (FOwnerForm->HandleAllocated()) FOwnerForm->Invalidate();
  FMouseTimer->SetEnabled(true);
  if (OnChangeSkinData) OnChangeSkinData(this);
  if (FRolledUp) return;
  if (FClientWidth > 0) FOwnerForm->SetClientWidth(FClientWidth);
  if (FClientHeight > 0) FOwnerForm->SetClientHeight(FClientHeight);
}

void TbsSkinForm::FitMinimumSize() {
  const int32_t w = FOwnerForm->Width(), h = FOwnerForm->Height();
  const bool narrow = w < FMinWidth, low = h < FMinHeight;
  if (narrow && low)
    FOwnerForm->SetBounds(FOwnerForm->Left(), FOwnerForm->Top(), FMinWidth, FMinHeight);
  else if (low)
    FOwnerForm->SetHeight(FMinHeight);
  else if (narrow)
    FOwnerForm->SetWidth(FMinWidth);
  else
    NudgeWidth();
  // A rolled-up or component-minimised form is exactly as high as the
  // minimum; a minimised one also exactly as wide.
  if (FRolledUp || FWindowState == 1) FOwnerForm->SetHeight(FMinHeight);
  if (FWindowState == 1) FOwnerForm->SetWidth(FMinWidth);
}

// Width down and up again (or up and down near the minimum): the window
// recomputes its frame and keeps its size.
void TbsSkinForm::NudgeWidth() {
  const int32_t w = FOwnerForm->Width();
  const int32_t step = w - 1 < FMinWidth ? 1 : -1;
  FOwnerForm->SetWidth(w + step);
  FOwnerForm->SetWidth(w);
}

void TbsSkinForm::SetSkinnable(bool Value) {
  if (Value == FSkinnable || ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  if (FOwnerForm->FormStyle() == TFormStyle::fsMDIForm && FOwnerForm->MDIChildCount() > 0) return;
  FSkinnable = Value;
  ChangeSkinData();
  ChangeControlsSkinData(nullptr, FOwnerForm);
  // The window manager decides on framing a window only when told its frame
  // changed.
  if (FOwnerForm->HandleAllocated())
    SetWindowPos(FOwnerForm->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
