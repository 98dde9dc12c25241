#include "skin/engine/menus/menubarobjects.h"

#include "skin/engine/menus/skinmainmenubar.h"

TbsMenuBarObject::TbsMenuBarObject(TbsSkinMainMenuBar* AOwner, TbsDataSkinObject*) : OwnerBar(AOwner) {}
void TbsMenuBarObject::StartEffect() {}
void TbsMenuBarObject::MouseEnter() {}
void TbsMenuBarObject::MouseLeave() {}
bool TbsMenuBarObject::MorphPending() const { return false; }
bool TbsMenuBarObject::CanMorph() const { return false; }
void TbsMenuBarObject::MorphStep() {}
void TbsMenuBarObject::SetMorphPos(double Value) { MorphPos = Value; }

TbsSkinMainMenuBarItem::TbsSkinMainMenuBarItem(TbsSkinMainMenuBar* AOwner, TbsDataSkinMainMenuItem* AData)
    : TbsMenuBarObject(AOwner, AData), Skinned(AData != nullptr) {}
void TbsSkinMainMenuBarItem::StartEffect() {}
void TbsSkinMainMenuBarItem::Draw(TCanvas*) {}
void TbsSkinMainMenuBarItem::MouseDown(int32_t, int32_t, TMouseButton) {}
void TbsSkinMainMenuBarItem::MouseEnter() {}
void TbsSkinMainMenuBarItem::MouseLeave() {}
bool TbsSkinMainMenuBarItem::CanAnimate() const { return false; }
void TbsSkinMainMenuBarItem::SetDown(bool) {}
void TbsSkinMainMenuBarItem::OpenMenu() {}
void TbsSkinMainMenuBarItem::LeaveOtherHotItem() {}
void TbsSkinMainMenuBarItem::ReleaseOtherDownItem() {}
bool TbsSkinMainMenuBarItem::AnimStep() { return false; }

TbsSkinMainMenuBarButton::TbsSkinMainMenuBarButton(TbsSkinMainMenuBar* AOwner, TbsDataSkinButton* AData,
                                                   uint8_t ACommand)
    : TbsMenuBarObject(AOwner, AData), Skinned(AData != nullptr), ButtonCommand(ACommand) {}
void TbsSkinMainMenuBarButton::Draw(TCanvas*) {}
void TbsSkinMainMenuBarButton::MouseDown(int32_t, int32_t, TMouseButton) {}
void TbsSkinMainMenuBarButton::MouseUp(int32_t, int32_t, TMouseButton) {}
void TbsSkinMainMenuBarButton::DblClick() {}
void TbsSkinMainMenuBarButton::MouseEnter() {}
void TbsSkinMainMenuBarButton::MouseLeave() {}
void TbsSkinMainMenuBarButton::DoCommand() {}
