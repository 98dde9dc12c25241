#include "skin/engine/form/skinform.h"

#include "platform/rtl/exceptions.h"
#include "skin/engine/data/skinmessages.h"

namespace {

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
}

void TbsSkinForm::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinForm::SetMenusSkinData(TbsSkinData* Value) {
  FMenusSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
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
    default: break;
  }
  if (FSavedWindowProc) FSavedWindowProc(Message);
}

// A menu open across the change holds the old skin's pictures and
// descriptions: it closes before they are freed.
void TbsSkinForm::WMSkinBeforeChange(TMessage& Message) {
  if (reinterpret_cast<TbsSkinData*>(Message.WParam) != FSkinData || FSkinData == nullptr) return;
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  FSkinChanging = true;
  if (OnBeforeChangeSkinData) OnBeforeChangeSkinData(this);
}

void TbsSkinForm::WMSkinChange(TMessage& Message) {
  if (reinterpret_cast<TbsSkinData*>(Message.WParam) == FSkinData) FSkinChanging = false;
}

void TbsSkinForm::WMSkinAfterChange(TMessage&) {
  if (OnAfterChangeSkinData) OnAfterChangeSkinData(this);
}
