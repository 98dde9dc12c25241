// TbsSkinForm: the component every skinned window carries. It takes over its
// form's window procedure, owns the form's menu controller and hands skin
// changes on. This is the first part of it: construction and destruction,
// the skin references, the menu settings, the menu-closing pre-step and the
// open-menu bookkeeping; the frame, the control walks and the window states
// come with the rest of the component.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/menus/skinmenus.h"

class TbsSkinForm : public TComponent {
 public:
  // AOwner must be a form (EInvalidCast otherwise).
  explicit TbsSkinForm(TComponent* AOwner);
  // Gives the form its window procedure back.
  ~TbsSkinForm() override;
  const char* ClassName() const override { return "TbsSkinForm"; }

  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value);
  TbsSkinData* MenusSkinData() const { return FMenusSkinData; }
  void SetMenusSkinData(TbsSkinData* Value);

  // The menu settings live in the form's menu controller.
  bool UseSkinFontInMenu() const { return FSkinMenu->UseSkinFont; }
  void SetUseSkinFontInMenu(bool Value) { FSkinMenu->UseSkinFont = Value; }
  int32_t DefMenuItemHeight() const { return FSkinMenu->DefMenuItemHeight; }
  void SetDefMenuItemHeight(int32_t Value);
  TFont* DefMenuItemFont() const { return FSkinMenu->DefMenuItemFont(); }
  void SetDefMenuItemFont(TFont* Value) { FSkinMenu->SetDefMenuItemFont(Value); }
  bool MenusAlphaBlend() const { return FSkinMenu->AlphaBlend; }
  void SetMenusAlphaBlend(bool Value) { FSkinMenu->AlphaBlend = Value; }
  bool MenusAlphaBlendAnimation() const { return FSkinMenu->AlphaBlendAnimation; }
  void SetMenusAlphaBlendAnimation(bool Value) { FSkinMenu->AlphaBlendAnimation = Value; }
  uint8_t MenusAlphaBlendValue() const { return FSkinMenu->AlphaBlendValue; }
  void SetMenusAlphaBlendValue(uint8_t Value) { FSkinMenu->AlphaBlendValue = Value; }
  int32_t MaxMenuItemsInWindow() const { return FSkinMenu->MaxMenuItemsInWindow; }
  void SetMaxMenuItemsInWindow(int32_t Value);

  TCustomForm* OwnerForm() const { return FOwnerForm; }
  TbsSkinMenu* SkinMenu() const { return FSkinMenu; }
  bool SkinMenuOpen() const { return FSkinMenuOpen; }
  bool SkinChanging() const { return FSkinChanging; }

  // A skinned menu of the form opened or ended: the open flag and the
  // OnSkinMenuOpen / OnSkinMenuClose events.
  void SkinMenuOpened();
  void SkinMenuClosed();

  TNotifyEvent OnSkinMenuOpen;
  TNotifyEvent OnSkinMenuClose;
  TNotifyEvent OnBeforeChangeSkinData;
  TNotifyEvent OnAfterChangeSkinData;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void FormWindowProc(TMessage& Message);
  void CloseMenusOnMessage();
  void WMSkinBeforeChange(TMessage& Message);
  void WMSkinChange(TMessage& Message);
  void WMSkinAfterChange(TMessage& Message);

  TCustomForm* FOwnerForm = nullptr;
  TWndMethod FSavedWindowProc;
  TbsSkinMenu* FSkinMenu = nullptr;
  TbsSkinData* FSkinData = nullptr;
  TbsSkinData* FMenusSkinData = nullptr;
  bool FSkinMenuOpen = false;
  bool FSkinChanging = false;
};

// The first TbsSkinForm among the components AComponent owns, or nullptr.
TbsSkinForm* FindFormSkinForm(TComponent* AComponent);
