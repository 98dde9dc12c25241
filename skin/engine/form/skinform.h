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

enum class TbsBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biRollUp, biMinimizeToTray };
using TbsBorderIcons = Set<TbsBorderIcon>;
enum class TbsPositionInMonitor : uint8_t { bspDefault, bspScreenCenter, bspDesktopCenter };

using TbsCaptionPaintEvent = std::function<void(TObject* Sender, TCanvas* Cnvs, const TRect& R, bool AActive)>;
using TbsPaintEvent =
    std::function<void(TObject* Sender, const String& IDName, TCanvas* Canvas, const TRect& ObjectRect)>;
using TbsMouseEnterEvent = std::function<void(TObject* Sender, const String& IDName)>;
using TbsMouseLeaveEvent = TbsMouseEnterEvent;
using TbsMouseDownEvent = std::function<void(TObject* Sender, const String& IDName, int32_t X, int32_t Y,
                                             const TRect& ObjectRect, TMouseButton Button)>;
using TbsMouseUpEvent = TbsMouseDownEvent;
using TbsMouseMoveEvent =
    std::function<void(TObject* Sender, const String& IDName, int32_t X, int32_t Y, const TRect& ObjectRect)>;
using TbsActivateCustomObjectEvent = std::function<void(TObject* Sender, const String& IDName, bool& ObjectVisible)>;

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

  TbsBorderIcons BorderIcons() const { return FBorderIcons; }
  // Stores the set and repaints the frame; the caption buttons stay as they
  // are, with their hover and capture state.
  void SetBorderIcons(TbsBorderIcons Value);

  // Settings the frame, its hints and the window states read.
  bool HideCaptionButtons = false;
  bool ShowIcon = false;
  bool LogoBitMapTransparent = false;
  TbsPositionInMonitor PositionInMonitor = TbsPositionInMonitor::bspDefault;
  bool MaximizeOnFullScreen = false;
  bool Magnetic = false;
  uint8_t MagneticSize = 5;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  uint8_t AlphaBlendValue = 200;
  bool ShowObjectHint = false;
  bool UseDefaultObjectHint = true;
  bool UseFormCursorInNCArea = false;
  bool UseDefaultSysMenu = true;
  bool AlwaysMinimizeToTray = false;
  bool AlwaysShowInTray = false;
  TBitmap* LogoBitMap() const { return FLogoBitMap.get(); }
  void SetLogoBitMap(TBitmap* Value) { FLogoBitMap->Assign(Value); }
  TFont* DefCaptionFont() const { return FDefCaptionFont.get(); }
  void SetDefCaptionFont(TFont* Value) { FDefCaptionFont->Assign(Value); }
  TFont* DefInActiveCaptionFont() const { return FDefInActiveCaptionFont.get(); }
  void SetDefInActiveCaptionFont(TFont* Value) { FDefInActiveCaptionFont->Assign(Value); }
  TPopupMenu* SystemMenu() const { return FSystemMenu; }
  void SetSystemMenu(TPopupMenu* Value);

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

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeActivate;
  TbsCaptionPaintEvent OnCaptionPaint;
  TbsPaintEvent OnPaintEvent;
  TbsMouseEnterEvent OnMouseEnterEvent;
  TbsMouseLeaveEvent OnMouseLeaveEvent;
  TbsMouseDownEvent OnMouseDownEvent;
  TbsMouseUpEvent OnMouseUpEvent;
  TbsMouseMoveEvent OnMouseMoveEvent;
  TbsActivateCustomObjectEvent OnActivateCustomObject;
  TNotifyEvent OnMainMenuEnter;
  TNotifyEvent OnMainMenuExit;
  TNotifyEvent OnChangeRollUpState;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnMaximize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnMinimizeToTray;
  TNotifyEvent OnRestoreFromTray;
  TShortCutEvent OnShortCut;
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
  TbsBorderIcons FBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMinimize, TbsBorderIcon::biMaximize,
                              TbsBorderIcon::biRollUp};
  std::unique_ptr<TBitmap> FLogoBitMap = std::make_unique<TBitmap>();
  std::unique_ptr<TFont> FDefCaptionFont = std::make_unique<TFont>();
  std::unique_ptr<TFont> FDefInActiveCaptionFont = std::make_unique<TFont>();
  TPopupMenu* FSystemMenu = nullptr;
  TTimer* FMouseTimer = nullptr;
  TTimer* FMorphTimer = nullptr;
  TTimer* FAnimateTimer = nullptr;
};

// The first TbsSkinForm among the components AComponent owns, or nullptr.
TbsSkinForm* FindFormSkinForm(TComponent* AComponent);
