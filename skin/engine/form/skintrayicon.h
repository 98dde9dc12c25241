// TbsTrayIcon: one icon in the notification area. Its mouse messages come
// to a hidden message window and become events: clicks told apart from
// double clicks by the double-click time, a skinned popup menu on the right
// (or left) button, and icon cycling from an image list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/shellapi/shellapi.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/timers.h"
#include "platform/vcl/imglist.h"
#include "skin/engine/menus/skinpopupmenu.h"

using TbsCycleEvent = std::function<void(TObject* Sender, int32_t NextIndex)>;

class TbsTrayIcon : public TComponent {
 public:
  explicit TbsTrayIcon(TComponent* AOwner);
  ~TbsTrayIcon() override;
  const char* ClassName() const override { return "TbsTrayIcon"; }

  bool Enabled = true;
  bool PopupByLeftButton = false;
  bool MinimizedOnStart = false;
  bool MinimizeToTray = true;

  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value);
  bool IconVisible() const { return FIconVisible; }
  void SetIconVisible(bool Value);
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  TbsSkinPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TbsSkinPopupMenu* Value);
  TCustomImageList* IconList() const { return FIconList; }
  void SetIconList(TCustomImageList* Value);
  int32_t IconIndex() const { return FIconIndex; }
  void SetIconIndex(int32_t Value);
  bool CycleIcons() const { return FCycleIcons; }
  void SetCycleIcons(bool Value);
  uint32_t AnimateTimerInterval() const { return FAnimateTimer->Interval(); }
  void SetAnimateTimerInterval(uint32_t Value) { FAnimateTimer->SetInterval(Value); }
  // Kept for the form designer only; never shown at run time.
  bool DesignPreview() const { return FDesignPreview; }
  void SetDesignPreview(bool Value) { FDesignPreview = Value; }

  // MinimizedOnStart: the application starts hidden, in the tray.
  void Loaded() override;

  virtual void ShowIcon();
  virtual void HideIcon();
  virtual void ModifyIcon();
  // Opens the popup menu at the cursor.
  void PopupAtCursor();
  // The application window and its main form come back, or go away.
  void ShowMainForm();
  void HideMainForm();
  // Hides the main form and shows the icon.
  virtual void DoMinimizeToTray();

  HWND Handle() const { return FWindow; }
  const NOTIFYICONDATA& NotifyData() const { return FNotifyData; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnBalloonHintClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TbsCycleEvent OnCycle;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool UpdateNotifyData();
  void WndProc(TMessage& Message);
  void IconMessage(uint32_t Mouse);
  void ClickTimerTick();
  void Animate();
  void ClickDefaultItem();
  // The application window's messages, before the application sees them.
  bool AppHook(TMessage& Message);
  // The owner window's messages, before the owner sees them.
  void OwnerHook(TMessage& Message);
  void OwnerActivated(TMessage& Message);
  void OwnerShown(TMessage& Message);
  void CheckMDIStart();
  bool OwnerWindowed() const;

  std::unique_ptr<TIcon> FIcon = std::make_unique<TIcon>();
  bool FIconVisible = true;
  String FHint;
  bool FShowHint = true;
  TbsSkinPopupMenu* FPopupMenu = nullptr;
  TCustomImageList* FIconList = nullptr;
  int32_t FIconIndex = 0;
  bool FCycleIcons = false;
  bool FClickStarted = false;
  bool FSingleClickPending = false;
  bool FDoubleClicked = false;
  TTimer* FClickTimer = nullptr;
  TTimer* FAnimateTimer = nullptr;
  HWND FWindow = nullptr;
  NOTIFYICONDATA FNotifyData;
  uint32_t FTaskbarCreated = 0;
  int32_t FAppHookId = 0;
  TWinControl* FHookedOwner = nullptr;
  TWndMethod FSavedOwnerWndProc;
  bool FCheckMDIStart = true;
  bool FDesignPreview = false;
};

// Text cut to at most MaxBytes bytes, never inside a UTF-8 character.
String CutUtf8(const String& S, size_t MaxBytes);
