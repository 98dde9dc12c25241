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

// A non-visual component of a form that re-reads the skin with the form's
// controls (menu bars, hints, tray icons and the like build on it).
class TbsSkinComponent : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TbsSkinComponent"; }
  virtual void BeforeChangeSkinData() {}
  virtual void ChangeSkinData() {}
};

// The skin component of a frame: a form's walk updates a frame through it.
class TbsSkinFrame : public TbsSkinComponent {
 public:
  using TbsSkinComponent::TbsSkinComponent;
  const char* ClassName() const override { return "TbsSkinFrame"; }
};

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

  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value) { FMinWidth = Value; }
  int32_t MinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t Value) { FMinHeight = Value; }
  int32_t MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int32_t Value) { FMaxWidth = Value; }
  int32_t MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int32_t Value) { FMaxHeight = Value; }
  // The design's ClientWidth and ClientHeight (names the form already has):
  // re-applied after each skin change when positive.
  int32_t SkinClientWidth() const { return FClientWidth; }
  void SetSkinClientWidth(int32_t Value) { FClientWidth = Value; }
  int32_t SkinClientHeight() const { return FClientHeight; }
  void SetSkinClientHeight(int32_t Value) { FClientHeight = Value; }

  TCustomForm* OwnerForm() const { return FOwnerForm; }
  TbsSkinMenu* SkinMenu() const { return FSkinMenu; }
  bool SkinMenuOpen() const { return FSkinMenuOpen; }
  bool SkinChanging() const { return FSkinChanging; }
  bool SkinActive() const { return FSkinActive; }
  bool Skinnable() const { return FSkinnable; }
  void SetSkinnable(bool Value);
  TTimer* MouseTimer() const { return FMouseTimer; }
  TTimer* MorphTimer() const { return FMorphTimer; }
  TTimer* AnimateTimer() const { return FAnimateTimer; }

  // Re-reads the skin for the frame and fits the form to its minimum size.
  void ChangeSkinData();
  // The walks over a control and all its descendants (a control, then its
  // children in control order): S is the changing skin, nullptr for every
  // skin.
  void BeforeChangeControlsSkinData(TbsSkinData* S, TControl* Control);
  void ChangeControlsSkinData(TbsSkinData* S, TControl* Control);
  void ChangeControlSkinData(TbsSkinData* S, TControl* Control);

  // A skinned menu of the form opened or ended: the open flag and the
  // OnSkinMenuOpen / OnSkinMenuClose events.
  void SkinMenuOpened();
  void SkinMenuClosed();

  TNotifyEvent OnSkinMenuOpen;
  TNotifyEvent OnSkinMenuClose;
  TNotifyEvent OnBeforeChangeSkinData;
  TNotifyEvent OnChangeSkinData;
  TNotifyEvent OnAfterChangeSkinData;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void FormWindowProc(TMessage& Message);
  void CloseMenusOnMessage();
  void WMSkinBeforeChange(TMessage& Message);
  void WMSkinChange(TMessage& Message);
  void WMSkinAfterChange(TMessage& Message);
  void WMSkinnableChanged(TMessage& Message);
  void StopTimers();
  void BeforeChangeComponents();
  void ChangeComponents();
  void FitMinimumSize();
  void NudgeWidth();

  TCustomForm* FOwnerForm = nullptr;
  TWndMethod FSavedWindowProc;
  TbsSkinMenu* FSkinMenu = nullptr;
  TbsSkinData* FSkinData = nullptr;
  TbsSkinData* FMenusSkinData = nullptr;
  bool FSkinMenuOpen = false;
  bool FSkinChanging = false;
  bool FSkinActive = false;
  bool FSkinnable = true;
  bool FRolledUp = false;
  uint8_t FWindowState = 0;
  int32_t FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
  int32_t FClientWidth = 0, FClientHeight = 0;
  TTimer* FMouseTimer = nullptr;
  TTimer* FMorphTimer = nullptr;
  TTimer* FAnimateTimer = nullptr;
};

// The first TbsSkinForm among the components AComponent owns, or nullptr.
TbsSkinForm* FindFormSkinForm(TComponent* AComponent);
