// TbsSkinForm: the component every skinned window carries. It takes over its
// form's window procedure, owns the form's menu controller, keeps the state
// the frame is drawn from and hands every skin change on to the form's
// controls and skin components.
//
// Sources: skinform.cpp (construction, settings, references),
// skinform_messages.cpp (the window procedure), skinform_skinchange.cpp (the
// skin-change cycle and its walks), skinform_frame.cpp (size limits, window
// states, roll-up and the frame entry points), skinform_objects.cpp and
// skinform_objectlist.cpp (the frame objects), skinform_caption.cpp (the
// caption object and its activation), skinform_hittest.cpp (hit testing,
// moving, sizing and the magnet), skinform_states.cpp (window states), skinform_paint.cpp (geometry
// and painting), skinform_region.cpp (region, background, alpha blending),
// skinform_sysmenu.cpp (system and tray menus, short-cuts),
// skinform_menukeys.cpp (open menus, menu mode and its keys),
// skinform_menubar.cpp (the menu bar's share), skinform_windowmenu.cpp
// (an MDI child's item in the main form's window menu).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/form/skincomponent.h"
#include "skin/engine/form/skinformobjects.h"
#include "skin/engine/menus/skinmenus.h"
#include "skin/engine/menus/skinpopupmenu.h"

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

// The menu bar, the MDI tabs bar, the tray icon and the hint component are
// held as components here; the frame code reaches them through their own
// classes. The status bar is a skinned control reached through
// IbsSizeGripBar.
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
  // Stores the set, re-enables the caption buttons accordingly and repaints
  // the frame; the buttons are not rebuilt, so hover and capture survive.
  void SetBorderIcons(TbsBorderIcons Value);

  // Settings the frame, its hints and the window states read.
  bool HideCaptionButtons = false;
  bool LogoBitMapTransparent = false;
  TbsPositionInMonitor PositionInMonitor = TbsPositionInMonitor::bspDefault;
  bool MaximizeOnFullScreen = false;
  bool Magnetic = false;
  uint8_t MagneticSize = 5;
  // Layered with constant alpha (applied at once).
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value);
  // Fades the form in when it is shown.
  bool AlphaBlendAnimation = false;
  bool ShowObjectHint = false;
  bool UseDefaultObjectHint = true;
  bool UseFormCursorInNCArea = false;
  bool UseDefaultSysMenu = true;
  bool AlwaysMinimizeToTray = false;
  bool AlwaysShowInTray = false;
  bool ShowIcon() const { return FShowIcon; }
  // Repaints the frame.
  void SetShowIcon(bool Value);
  TBitmap* LogoBitMap() const { return FLogoBitMap.get(); }
  void SetLogoBitMap(TBitmap* Value) { FLogoBitMap->Assign(Value); }
  // The caption fonts of the unskinned look: a change repaints the frame
  // when no skin is active.
  TFont* DefCaptionFont() const { return FDefCaptionFont.get(); }
  void SetDefCaptionFont(TFont* Value);
  TFont* DefInActiveCaptionFont() const { return FDefInActiveCaptionFont.get(); }
  void SetDefInActiveCaptionFont(TFont* Value);

  // References, cleared when the component they name goes.
  TPopupMenu* SystemMenu() const { return FSystemMenu; }
  void SetSystemMenu(TPopupMenu* Value) { SetReference(FSystemMenu, Value); }
  TComponent* SkinHint() const { return FSkinHint; }
  void SetSkinHint(TComponent* Value) { SetReference(FSkinHint, Value); }
  TComponent* TrayIcon() const { return FTrayIcon; }
  // A tray icon starts hidden, leaves minimising to the component, and gets
  // the tray menu and the restore on its double click when it has none.
  void SetTrayIcon(TComponent* Value);
  TComponent* MainMenuBar() const { return FMainMenuBar; }
  void SetMainMenuBar(TComponent* Value) { SetReference(FMainMenuBar, Value); }
  TComponent* MDITabsBar() const { return FMDITabsBar; }
  void SetMDITabsBar(TComponent* Value) { SetReference(FMDITabsBar, Value); }
  TControl* StatusBar() const { return FStatusBar; }
  void SetStatusBar(TControl* Value) { SetReference(FStatusBar, Value); }

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

  // The size limits in force: the published ones, the skin's frame picture
  // and the monitor.
  int32_t GetMinWidth() const;
  int32_t GetMinHeight() const;
  int32_t GetMaxWidth() const;
  int32_t GetMaxHeight() const;

  // The state the component keeps itself: 0 normal, 1 minimised, 2
  // maximised.
  uint8_t WindowState() const { return FWindowState; }
  void SetWindowState(uint8_t Value);
  void GetRestoreRect(TRect& Rect) const { Rect = FRestoreRect; }
  bool RolledUp() const { return FRolledUp; }
  void SetRollUpState(bool Value);

  // The hit-test code of a window point on the skinned and the plain frame.
  LRESULT HitTestSkin(const TPoint& P) const;
  LRESULT HitTestPlain(const TPoint& P) const;
  // A window point inside the skin's mask.
  bool PointInMask(const TPoint& P) const;
  // The magnetic position of a form of size W x H moved to (X, Y).
  void Snap(int32_t& X, int32_t& Y, int32_t H, int32_t W);

  TCustomForm* OwnerForm() const { return FOwnerForm; }
  TbsSkinMenu* SkinMenu() const { return FSkinMenu; }
  TPopupMenu* DefSysMenu() const { return FDefSysMenu; }
  TbsSkinPopupMenu* TrayMenu() const { return FTrayMenu; }
  bool SkinMenuOpen() const { return FSkinMenuOpen; }
  bool MainMenuMode() const { return FMainMenuMode; }
  bool SkinChanging() const { return FSkinChanging; }
  bool SkinActive() const { return FSkinActive; }
  bool Skinnable() const { return FSkinnable; }
  void SetSkinnable(bool Value);
  bool NCActive() const { return FNCActive; }
  bool InSizeMove() const { return FInSizeMove; }
  int32_t ObjectCount() const { return int32_t(FObjects.size()); }
  TTimer* MouseTimer() const { return FMouseTimer; }
  TTimer* MorphTimer() const { return FMorphTimer; }
  TTimer* AnimateTimer() const { return FAnimateTimer; }
  TbsActiveSkinObject* Objects(int32_t Index) const;
  int32_t ActiveObject() const { return FActiveObject; }
  int32_t CapturedObject() const { return FCapturedObject; }
  HRGN Region() const { return FRegion; }

  // ---- For the frame objects ----
  // Active for the frame: an MDI window by its non-client state, any other
  // form by its own.
  bool IsFormActive() const;
  // Paints one object into the window at once (not for a borderless form
  // or a maximised MDI child).
  void DrawObject(TbsActiveSkinObject* Object);
  void DrawSmallIcon(TCanvas* C, int32_t X, int32_t Y);
  TSize GetSmallIconSize() const;
  void ExecuteStdCommand(TbsStdCommand Command);
  void CloseByObject();
  // Both do nothing without a tray icon.
  void MinimizeToTray();
  void RestoreFromTray();

  // ---- The system menu ----
  // The user's SystemMenu brought up to date, else the component's own menu
  // rebuilt for the current state; answers the items to show.
  TMenuItem* GetSysMenuItems();
  // The component's own menu: the standard items the state allows.
  void CreateSysMenuItems();
  // The standard items re-inserted into the user's SystemMenu (with
  // UseDefaultSysMenu), each once however often it is shown.
  void UpdateUserSysMenu();
  // Opens the system menu at a screen point, or below a screen rectangle.
  void PopupSysMenuAt(int32_t X, int32_t Y);
  void PopupSysMenuFromRect(const TRect& R);
  // Opens it below the frame's system-menu object (Alt+Space); nothing
  // without one.
  void ShowSysMenuFromButton();
  // Opens Item's items below Bounds (window coordinates).
  void PopupObjectMenu(TMenuItem* Item, const TRect& Bounds, bool Upwards);
  void FireObjectPaint(TbsActiveSkinObject* O, TCanvas* Cnvs);
  void FireObjectMouseDown(TbsActiveSkinObject* O, int32_t X, int32_t Y, TMouseButton B);
  void FireObjectMouseUp(TbsActiveSkinObject* O, int32_t X, int32_t Y, TMouseButton B);
  void FireObjectMouseMove(TbsActiveSkinObject* O, int32_t X, int32_t Y);
  void FireObjectMouseEnter(TbsActiveSkinObject* O);
  void FireObjectMouseLeave(TbsActiveSkinObject* O);

  // ---- Geometry for the current frame size ----
  void CalcSizedGeometry();
  // A rect of the skin picture placed for the frame size.
  TRect MapSkinRect(const TRect& R) const;
  void ArrangeObjects();
  TRect SizedClientRect() const { return FSizedClientRect; }
  TRect SizedCaptionRect() const { return FSizedCaptionRect; }
  TRect SizedButtonsRect() const { return FSizedButtonsRect; }
  TRect PlainCaptionRect() const { return FPlainCaptionRect; }
  int32_t PlainCaptionHeight() const;
  int32_t PlainButtonSize() const;
  // The frame into DC (UseDC) or into the window.
  void PaintNCSkin(HDC DC, bool UseDC);
  void PaintNCDefault(HDC DC, bool UseDC);
  void DrawLogo(TCanvas* C);

  // Re-reads the skin for the frame and fits the form to its minimum size.
  void ChangeSkinData();
  // The walks over a control and all its descendants (a control, then its
  // children in control order): S is the changing skin, nullptr for every
  // skin.
  void BeforeChangeControlsSkinData(TbsSkinData* S, TControl* Control);
  void ChangeControlsSkinData(TbsSkinData* S, TControl* Control);
  void ChangeControlSkinData(TbsSkinData* S, TControl* Control);

  // A skinned menu of the form opened or ended: the open flag, the keys
  // taken from the application, the objects and menu bar released and the
  // OnSkinMenuOpen / OnSkinMenuClose (and OnMainMenuExit) events.
  void SkinMenuOpened();
  void SkinMenuClosed();
  // The menu bar's keyboard menu mode starts (the bar fires
  // OnMainMenuEnter) and ends.
  void StartMainMenuMode();
  void EndMainMenuMode();
  // Escape closed the last drop-down of the menu bar: menu mode goes on.
  void MenuBarMenuClosed();
  // The application's messages while a menu is open or menu mode runs:
  // keys go to MenuKeyDown, wheel turns are swallowed. Hooking twice keeps
  // one entry.
  void HookApplicationMessages();
  void UnhookApplicationMessages();
  void AppMessageHook(TMSG& Msg, bool& Handled);
  // One key of the keyboard menu: the bar's accelerators and moves, the
  // open popup's keys.
  void MenuKeyDown(uint32_t Key);
  // The last key was a short-cut of the bar's main menu (the child menu is
  // not asked for it).
  bool LastKeyWasShortCut() const { return FLastKeyWasShortCut; }

  // ---- The main form's window-menu items of an MDI child ----
  void AddChildMenuItem();
  void RemoveChildMenuItem();
  void UpdateChildMenuItemCaption();
  void CheckActiveChildMenuItem();
  void ChildMenuItemClick(TObject* Sender);
  // Closes the menus of the form before a message that ends them (a click,
  // a move, a change of focus...).
  void CloseMenusOnMessage();

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
  template <class T>
  void SetReference(T*& Field, T* Value) {
    Field = Value;
    if (Value != nullptr) Value->FreeNotification(this);
  }
  bool IsMDIFrame() const { return FOwnerForm->FormStyle() == TFormStyle::fsMDIForm; }
  bool IsMDIChild() const { return FOwnerForm->FormStyle() == TFormStyle::fsMDIChild; }
  bool IsMaximizedMDIChild() const { return IsMDIChild() && FWindowState == 2; }
  bool Designing() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  // Tells the window system the frame changed hands, so it asks again who
  // draws it.
  void FrameChanged();
  void RepaintFrame();

  // ---- The window procedure (skinform_messages.cpp) ----
  void FormWindowProc(TMessage& Message);
  void CallOld(TMessage& Message);
  void WMDestroy(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMActivate(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMShowWindow(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMMouseActivate(TMessage& Message);
  void WMGetMinMaxInfo(TMessage& Message);
  void WMNCCalcSize(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMNCActivate(TMessage& Message);
  void WMSyncPaint(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMTimer(TMessage& Message);
  void WMEnterSizeMove(TMessage& Message);
  void WMExitSizeMove(TMessage& Message);
  void WMSkinPaintFrame(TMessage& Message);
  void WMNCLButtonDblClk(TMessage& Message);

  // ---- Window states (skinform_states.cpp) ----
  void MinimizeForm();
  void MaximizeForm();
  void RestoreForm();
  TPoint GetMinimizedPosition() const;
  TPoint GetMonitorPosition(int32_t X, int32_t Y, int32_t Width, int32_t Height) const;
  void PlaceInMonitor();
  void FirstShow();
  void ShowSizeGrip(bool Value);

  // ---- Hit testing, moving and sizing (skinform_hittest.cpp) ----
  bool IsSizeable() const;
  bool OverCaptionObject(const TPoint& P) const;
  bool OnSkinBorder(const TPoint& P) const;
  LRESULT SkinBorderCode(const TPoint& P) const;
  void CaptionDoubleClick();
  void WMSizing(TMessage& Message);
  void WMMoving(TMessage& Message);
  TRect MagnetArea() const;
  void NCMouseAfterOld(TMessage& Message);

  // ---- System menu, short-cuts and menu keys (skinform_sysmenu.cpp,
  // skinform_menukeys.cpp, skinform_windowmenu.cpp) ----
  void FormShortCut(TWMKey& Msg, bool& Handled);
  bool SysMenuItemAllowed(const String& Name) const;
  TMenuItem* NewSysMenuItem(const String& Name);
  void SysMenuItemClick(const String& Name);
  // The form skin component whose controller opens this form's menus:
  // the main form's for an MDI child (nullptr when it has none).
  TbsSkinForm* MenuHost();
  void PopupSysMenu(const TRect& R);
  void WMSysKeyMenu(TMessage& Message);
  // The main form's component when this MDI child's keys belong to its
  // open menu or menu mode.
  TbsSkinForm* MenuKeyRedirect();
  bool MenuBarKeys(uint32_t Key);
  // The menu bar's share (nothing without a bar).
  bool BarProcessAccel(uint32_t Key);
  bool BarHasMenu() const;
  bool BarHasChildMenu() const;
  bool BarIsChildMenuShortCut(TWMKey& Msg);
  void BarSelectNextItem();
  void BarSelectPrevItem();
  bool BarExecuteHotItem();
  void BarEnterMenuMode();
  void BarReleaseDownItem();
  void BarResetItems();
  bool BarIsShortCut(TWMKey& Msg);

  // ---- The skin-change cycle (skinform_skinchange.cpp) ----
  void WMSkinBeforeChange(TMessage& Message);
  void WMSkinChange(TMessage& Message);
  void WMSkinAfterChange(TMessage& Message);
  void WMSkinnableChanged(TMessage& Message);
  void StopTimers();
  void BeforeChangeComponents();
  void ChangeComponents();
  void UpdateFormBorderIcons();
  void FitMinimumSize();
  void NudgeWidth();

  // ---- The frame objects (skinform_objectlist.cpp) ----
  void CreateSkinObjects();
  // The six buttons of the plain look.
  void CreateDefaultButtons();
  void FreeObjects();
  void UpdateObjectStates();
  void ResetObjectStates();
  void UpdateObjectHints();
  void ShowObjectHintText(const String& Text);
  void HideObjectHint();
  // The object the mouse takes at P (window coordinates), -1 for none.
  int32_t ObjectAt(const TPoint& P) const;
  void UpdateHotObject(int32_t X, int32_t Y, bool Track);
  void ObjectMouseDown(TMouseButton Button, int32_t X, int32_t Y);
  void ObjectMouseUp(TMouseButton Button, int32_t X, int32_t Y);
  TPoint ScreenToWindow(LPARAM LParam) const;
  // Window coordinates of the frame to screen coordinates.
  TRect WindowToScreen(const TRect& R) const;
  void NCMouseMove(const TPoint& P);
  void NCButtonDown(const TPoint& P, TMouseButton Button, bool OnCaption);
  void NCLeftDoubleClick(const TPoint& P, bool OnCaption);
  // A menu an object opened has closed: its button comes up, its
  // animation plays back.
  void ObjectMenuClosed();

  // ---- Geometry and painting (skinform_paint.cpp) ----
  bool UseInactiveImage() const;
  std::vector<TbsActiveSkinObject*> StripButtons() const;
  TbsActiveSkinObject* FindObject(TbsStdCommand Command, bool OwnPicture) const;
  TbsActiveSkinObject* CaptionObject() const;
  TSize ObjectSize(TbsActiveSkinObject* O);
  TRect FrameClientRect() const;
  HDC FrameDC(HDC DC, bool UseDC) const;
  void DrawObjectsInto(TBitmap* Top, TBitmap* Bottom);
  void DrawStrip(HDC DC, TBitmap* Strip, int32_t X, int32_t Y, bool InactiveEffect);
  void LayoutDefaultButtons();
  String PlainCaptionText() const;
  void PaintPlainCaptionText(TCanvas* C, int32_t L, int32_t R, int32_t CH);
  void PaintPlainBorders(HDC DC);

  // ---- Region, background, icon and alpha (skinform_region.cpp) ----
  void InstallRegion(HRGN Region);
  HRGN BuildMaskRegion();
  bool HasLogo() const;
  bool PaintSkinBackground(TCanvas* C, const TRect& Client);
  void LoadSmallIcon();
  void SetLayered(bool Value);
  void FadeIn();

  // ---- Entry points of the menus and the MDI parts ----
  void SetSkinRegion();
  void UpdateSkinFrame(bool DoArrange);
  void PaintClientBackground(HDC DC);
  void UpdateCaptionActive(bool Animate);
  void FillTrayMenu();
  void MouseTrackTick(TObject* Sender);
  void MorphTick(TObject* Sender);
  void AnimateTick(TObject* Sender);
  void UpdateMDIFrameBars();
  void ResizeMDIChildren();
  void CancelFrameEditModes();

  TCustomForm* FOwnerForm = nullptr;
  TWndMethod FSavedWindowProc;
  TbsSkinMenu* FSkinMenu = nullptr;
  TPopupMenu* FDefSysMenu = nullptr;
  TbsSkinPopupMenu* FTrayMenu = nullptr;
  TbsSkinData* FSkinData = nullptr;
  TbsSkinData* FMenusSkinData = nullptr;
  TPopupMenu* FSystemMenu = nullptr;
  TComponent* FSkinHint = nullptr;
  TComponent* FTrayIcon = nullptr;
  TComponent* FMainMenuBar = nullptr;
  TComponent* FMDITabsBar = nullptr;
  TControl* FStatusBar = nullptr;

  bool FSkinnable = true;
  // The frame keeps its window-manager caption style on every system here.
  bool FNewOS = true;
  bool FRollUpBeforeMaximize = false;
  bool FSkinChanging = false;
  bool FFirstShow = true;
  bool FMagnetLeft = false, FMagnetTop = false, FMagnetRight = false, FMagnetBottom = false;
  int32_t FMagnetMouseX = -1, FMagnetMouseY = -1;
  std::unique_ptr<TIcon> FSmallIcon;  // made on first use
  bool FSkinActive = false;
  bool FChildMaximized = false;
  bool FNCActive = false;
  bool FInSizeMove = false;
  bool FFullDrag = false;
  int32_t FFrameWidth = 0, FFrameHeight = 0;
  bool FRolledUp = false;
  bool FMaxRolledUp = false;
  std::unique_ptr<TBitmap> FMaskTop = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> FMaskBottom = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> FMaskLeft = std::make_unique<TBitmap>();
  std::unique_ptr<TBitmap> FMaskRight = std::make_unique<TBitmap>();
  TColor FMaskColor = clBlack;
  TRect FRestoreRect{0, 0, 0, 0};
  int32_t FRollUpOldHeight = 0;
  int32_t FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
  int32_t FClientWidth = 0, FClientHeight = 0;
  uint8_t FWindowState = 0;
  bool FSkinMenuOpen = false;
  bool FMainMenuMode = false;
  bool FLastKeyWasShortCut = false;
  // The entry of the application message hook stack, 0 when not hooked.
  int32_t FAppHookId = 0;
  // The region last handed to the window, which owns and deletes it.
  HRGN FRegion = nullptr;
  TPoint FSizedLeftTop{}, FSizedRightTop{}, FSizedLeftBottom{}, FSizedRightBottom{};
  TRect FSizedClientRect{}, FSizedCaptionRect{}, FSizedButtonsRect{};
  int32_t FButtonsOffset = 0;
  bool FButtonsInLeft = false;
  TPoint FSizedHitLeftTop{}, FSizedHitRightTop{}, FSizedHitLeftBottom{}, FSizedHitRightBottom{};
  TRect FSizedMaskArea{};
  TRect FPlainCaptionRect{};
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 200;
  TTimer* FMouseTimer = nullptr;
  TTimer* FMorphTimer = nullptr;
  TTimer* FAnimateTimer = nullptr;
  int32_t FActiveObject = -1, FOldActiveObject = -1, FCapturedObject = -1;
  std::vector<std::unique_ptr<TbsActiveSkinObject>> FObjects;

  bool FShowIcon = false;
  TbsBorderIcons FBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMinimize, TbsBorderIcon::biMaximize,
                              TbsBorderIcon::biRollUp};
  std::unique_ptr<TBitmap> FLogoBitMap = std::make_unique<TBitmap>();
  std::unique_ptr<TFont> FDefCaptionFont = std::make_unique<TFont>();
  std::unique_ptr<TFont> FDefInActiveCaptionFont = std::make_unique<TFont>();
};

// The first TbsSkinForm among the components AComponent owns, or nullptr.
TbsSkinForm* FindFormSkinForm(TComponent* AComponent);
// The same for a form.
TbsSkinForm* FindSkinForm(TCustomForm* Form);
// The component of the application's main form's first MDI child that the
// component holds maximised, else nullptr.
TbsSkinForm* FindMaximizedMDISkinForm();
// The component of the main form's active MDI child, else nullptr.
TbsSkinForm* FindActiveMDISkinForm();
