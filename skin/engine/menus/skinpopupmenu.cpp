#include "skin/engine/menus/skinpopupmenu.h"

#include "skin/engine/form/skinform.h"

TbsSkinPopupMenu::TbsSkinPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {}

void TbsSkinPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TPopupMenu::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

void TbsSkinPopupMenu::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

TbsSkinForm* TbsSkinPopupMenu::Prepare() {
  DoPopup(this);
  TbsSkinForm* form = nullptr;
  if (FHostForm != nullptr) {
    form = FindFormSkinForm(FHostForm);
  } else {
    // A menu on a frame: the frame's owner is the form.
    TComponent* owner = Owner();
    if (dynamic_cast<TCustomForm*>(owner) == nullptr && owner != nullptr) owner = owner->Owner();
    auto* ownerForm = dynamic_cast<TCustomForm*>(owner);
    form = FindFormSkinForm(ownerForm);
    // An MDI child's menus open through the main form.
    if (form != nullptr && ownerForm->FormStyle() == TFormStyle::fsMDIChild && Application != nullptr)
      form = FindFormSkinForm(Application->MainForm());
  }
  if (form != nullptr && FSkinData == nullptr)
    SetSkinData(form->MenusSkinData() != nullptr ? form->MenusSkinData() : form->SkinData());
  return form;
}

void TbsSkinPopupMenu::Show(TbsSkinForm* Form, TControl* Opener, const TRect& R, bool PopupUp) {
  if (Form->SkinMenu()->IsOpen) Form->SkinMenuClosed();
  Form->SkinMenuOpened();
  FLastPopupPoint = TPoint{R.Left, R.Top};
  Form->SkinMenu()->Popup(Opener, FSkinData, PopupUp, Items(), R, 0);
  // The controller clears its one-shot handler when the menu ends.
  if (OnMenuClose) Form->SkinMenu()->OnMenuClose = OnMenuClose;
}

void TbsSkinPopupMenu::Popup(int32_t X, int32_t Y) {
  if (TbsSkinForm* form = Prepare()) Show(form, nullptr, TRect{X, Y, X, Y}, false);
}

void TbsSkinPopupMenu::PopupFromRect(TControl* Button, const TRect& R, bool PopupUp) {
  if (TbsSkinForm* form = Prepare()) Show(form, Button, R, PopupUp);
}

void TbsSkinPopupMenu::PopupFromControl(TControl* Edit, int32_t X, int32_t Y) {
  TbsSkinForm* form = Prepare();
  if (form != nullptr && FSkinData != nullptr) Show(form, Edit, TRect{X, Y, X, Y}, false);
}

void TbsSkinPopupMenu::PopupAtRect(const TRect& R, bool PopupUp) {
  if (TbsSkinForm* form = Prepare()) Show(form, nullptr, R, PopupUp);
}

void PopupSkinMenuAtRect(TbsSkinPopupMenu* Menu, const TRect& R, bool PopupUp) { Menu->PopupAtRect(R, PopupUp); }
