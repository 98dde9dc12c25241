#include "skin/engine/menus/skinmainmenubar.h"

#include "skin/engine/form/skinform.h"

void TbsSkinMainMenu::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMainMenu::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

TbsSkinMainMenuBar::TbsSkinMainMenuBar(TComponent* AOwner)
    : TbsSkinControl(AOwner), FDefItemFont(std::make_unique<TFont>()) {}
TbsSkinMainMenuBar::~TbsSkinMainMenuBar() = default;
void TbsSkinMainMenuBar::SetMainMenu(TMainMenu* Value) { FMainMenu = Value; }
void TbsSkinMainMenuBar::SetSkinForm(TbsSkinForm* Value) { FSkinForm = Value; }
void TbsSkinMainMenuBar::SetScrollMenu(bool Value) { FScrollMenu = Value; }
void TbsSkinMainMenuBar::SetUseSkinFont(bool Value) { FUseSkinFont = Value; }
void TbsSkinMainMenuBar::SetDefItemFont(TFont* Value) { FDefItemFont->Assign(Value); }
void TbsSkinMainMenuBar::SetDefaultWidth(int32_t Value) { FDefaultWidth = Value; }
void TbsSkinMainMenuBar::SetDefaultHeight(int32_t Value) { FDefaultHeight = Value; }
void TbsSkinMainMenuBar::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TbsSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}
void TbsSkinMainMenuBar::GetSkinData() { TbsSkinControl::GetSkinData(); }
void TbsSkinMainMenuBar::ChangeSkinData() { TbsSkinControl::ChangeSkinData(); }
void TbsSkinMainMenuBar::BeforeChangeSkinData() { TbsSkinControl::BeforeChangeSkinData(); }
void TbsSkinMainMenuBar::UpdateItems() {}
void TbsSkinMainMenuBar::CreateMenuItems() {}
void TbsSkinMainMenuBar::ShowMDIButtons() {}
void TbsSkinMainMenuBar::HideMDIButtons() {}
void TbsSkinMainMenuBar::RedrawObject(TbsMenuBarObject*) {}
bool TbsSkinMainMenuBar::ProcessAccel(uint32_t) { return false; }
void TbsSkinMainMenuBar::SelectNextItem() {}
void TbsSkinMainMenuBar::SelectPrevItem() {}
bool TbsSkinMainMenuBar::ExecuteHotItem() { return false; }
void TbsSkinMainMenuBar::EnterMenuMode() {}
void TbsSkinMainMenuBar::ReleaseDownItem() {}
void TbsSkinMainMenuBar::ResetItems() {}
TRect TbsSkinMainMenuBar::ChevronRect() const { return TRect{}; }
TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::Items(int32_t Index) const {
  return static_cast<TbsSkinMainMenuBarItem*>(Objects(Index + FButtonCount));
}
TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::FindItem(TMenuItem*) const { return nullptr; }
TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::HotItem() const { return nullptr; }
TbsSkinMainMenuBarItem* TbsSkinMainMenuBar::DownItem() const { return nullptr; }
int32_t TbsSkinMainMenuBar::ShownItemCount() const { return 0; }
TMainMenu* TbsSkinMainMenuBar::GetChildMainMenu() const { return nullptr; }
void TbsSkinMainMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinControl::Notification(AComponent, Operation);
}
void TbsSkinMainMenuBar::Dispatch(TMessage& Message) { TbsSkinControl::Dispatch(Message); }
void TbsSkinMainMenuBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseDown(Button, Shift, X, Y);
}
void TbsSkinMainMenuBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseUp(Button, Shift, X, Y);
}
void TbsSkinMainMenuBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) { TbsSkinControl::MouseMove(Shift, X, Y); }
