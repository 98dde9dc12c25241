// Forms, the application object and the screen: TCustomForm / TForm with
// the modal loop, TApplication (message loop, exceptions, short-cuts, idle
// processing, hints), TScreen (forms in creation order, active form and
// control, cursors, monitors) and the replaceable message box.
//
// `Application` and `Screen` point at the one TApplication and TScreen of the
// program; each sets the pointer in its constructor and clears it in its
// destructor (the program's main and the test fixtures make both).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/win_msgbox.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/messages.h"

class TMenu;
class TMainMenu;  // platform/vcl/menus.h
class TMenuItem;
class TApplication;
class TScreen;
class TMonitor;
struct THintState;  // the hint engine's state (hints.cpp)

// ---- Forms ----------------------------------------------------------------------------
using TModalResult = int32_t;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;
inline constexpr TModalResult mrAll = mrNo + 1;
inline constexpr TModalResult mrNoToAll = mrAll + 1;
inline constexpr TModalResult mrYesToAll = mrNoToAll + 1;

enum class TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TBorderIcon : uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum class TPosition : uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TDefaultMonitor : uint8_t { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };
enum class TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
enum class TFormStateItem : uint8_t { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateItem>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = std::function<void(TWMKey& Msg, bool& Handled)>;

class TCustomForm : public TScrollingWinControl {
  friend class TApplication;
  friend class TScreen;

 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }

  // The end of construction: a form's constructor creates its controls,
  // sets their values, binds its events and then calls this, which fires
  // OnCreate (once; Application->CreateForm calls it for forms that did not).
  void AfterConstruction();

  // ---- Showing ----
  void Show();
  void Hide();
  // Runs a modal loop until ModalResult is set; answers it. EInvalidOperation
  // for a visible, disabled or already modal form.
  TModalResult ShowModal();
  // OnCloseQuery then OnClose; a modal form only gets mrCancel; closing the
  // main form ends the application.
  void Close();
  virtual bool CloseQuery();
  // Destroys the form once the current message has been handled (CM_RELEASE).
  void Release();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TFormState FormState() const { return FFormState; }
  bool Active() const { return FActive; }

  // ---- Appearance ----
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  // The MDI client window of an MDI frame; no form makes one yet, so 0.
  HWND ClientHandle() const { return nullptr; }
  // The MDI children of an MDI frame, the active one and the menu that
  // lists them. No form has MDI children yet: a container that makes them
  // answers for them by overriding these.
  virtual int32_t MDIChildCount() const { return 0; }
  virtual TCustomForm* MDIChildren(int32_t) const { return nullptr; }
  virtual TCustomForm* ActiveMDIChild() const { return nullptr; }
  virtual TMenuItem* WindowMenu() const { return nullptr; }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TDefaultMonitor DefaultMonitor() const { return FDefaultMonitor; }
  void SetDefaultMonitor(TDefaultMonitor Value) { FDefaultMonitor = Value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value);
  bool AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  uint8_t AlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value);
  // The form's canvas (for OnPaint).
  TCanvas* Canvas() const { return FCanvas.get(); }
  TMonitor* Monitor();

  // ---- Menu ----
  TMainMenu* Menu() const { return FMenu; }
  template <class TMenuClass>
  void SetMenu(TMenuClass* Value) {
    AssignMenu(Value, static_cast<TComponent*>(Value));
  }
  void SetMenu(std::nullptr_t) { AssignMenu(nullptr, nullptr); }

  // ---- Focus ----
  TWinControl* ActiveControl() const { return FActiveControl; }
  // EInvalidOperation "Cannot focus a disabled or invisible window" for a
  // control that cannot take the focus.
  void SetActiveControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  // A control of the form got the focus: CM_EXIT / CM_ENTER along the way,
  // CM_ACTIVATE / CM_DEACTIVATE between forms. False when a handler moved
  // the focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* Control);
  // Control is going (Removing) or hidden: the focus moves off it.
  void DefocusControl(TWinControl* Control, bool Removing);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  // OnShortCut, then the menu's short-cuts.
  virtual bool IsShortCut(TWMKey& Message);
  // Lets the actions of the visible action clients update themselves.
  void UpdateActions();

  // ---- Help (stored) ----
  const String& HelpFile() const { return FHelpFile; }
  void SetHelpFile(const String& Value) { FHelpFile = Value; }

  void SetFocus() override;
  bool CanFocus() override;
  void Dispatch(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

  // ---- Events ----
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetClientSize(const TPoint& Value) override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();
  // The modal loop ended with ModalResult set: CloseQuery / OnClose.
  void CloseModal();
  void AssignMenu(TMainMenu* Menu, TComponent* AsComponent);

 private:
  void SetActive(bool Value);
  void SetWindowFocus();
  void PlaceOnShow();
  void ApplyWindowState();
  void CMShowingChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMActivate(TMessage& Message);
  void CMDeactivate(TMessage& Message);
  void CMRelease(TMessage& Message);
  void WMActivate(TMessage& Message);
  void WMClose(TMessage& Message);
  void WMCommand(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMGetMinMaxInfo(TMessage& Message);

  TBorderStyle FBorderStyle = TBorderStyle::bsSizeable;
  TBorderIcons FBorderIcons{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize, TBorderIcon::biMaximize};
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  TPosition FPosition = TPosition::poDesigned;
  TDefaultMonitor FDefaultMonitor = TDefaultMonitor::dmActiveForm;
  TWindowState FWindowState = TWindowState::wsNormal;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TControlCanvas> FCanvas;
  TMainMenu* FMenu = nullptr;
  TComponent* FMenuComponent = nullptr;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TModalResult FModalResult = mrNone;
  TFormState FFormState;
  bool FActive = false;
  bool FKeyPreview = false;
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 255;
  bool FCreated = false;
  bool FReleasePending = false;  // released while modal: done when the loop ends
  bool FClientSizeWanted = false;
  TPoint FWantedClientSize;
  String FHelpFile;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  const char* ClassName() const override { return "TForm"; }
};

// ---- Monitors -------------------------------------------------------------------------
class TMonitor : public TObject {
 public:
  const char* ClassName() const override { return "TMonitor"; }
  HMONITOR Handle() const { return FHandle; }
  int32_t MonitorNum() const { return FMonitorNum; }
  int32_t Left() const { return BoundsRect().Left; }
  int32_t Top() const { return BoundsRect().Top; }
  int32_t Width() const { return BoundsRect().Width(); }
  int32_t Height() const { return BoundsRect().Height(); }
  TRect BoundsRect() const;
  TRect WorkareaRect() const;
  bool Primary() const;

 private:
  friend class TScreen;
  HMONITOR FHandle = nullptr;
  int32_t FMonitorNum = 0;
};

enum class TMonitorDefaultTo : uint8_t { mdNearest, mdNull, mdPrimary };

// ---- Screen ---------------------------------------------------------------------------
class TScreen : public TComponent {
  friend class TCustomForm;
  friend class TApplication;

 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;
  const char* ClassName() const override { return "TScreen"; }

  // Every form, in creation order (CustomForms is the same list).
  int32_t FormCount() const { return int32_t(FForms.size()); }
  TCustomForm* Forms(int32_t Index) const;
  int32_t CustomFormCount() const { return int32_t(FForms.size()); }
  TCustomForm* CustomForms(int32_t Index) const { return Forms(Index); }
  TCustomForm* ActiveForm() const { return FActiveCustomForm; }
  TCustomForm* ActiveCustomForm() const { return FActiveCustomForm; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  TCustomForm* FocusedForm() const { return FFocusedForm; }

  // While not crDefault it is the cursor everywhere.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor registered under the number (the arrow for unknown ones).
  HCURSOR Cursors(int32_t Index) const;
  void SetCursors(int32_t Index, HCURSOR Handle);

  int32_t Width() const;
  int32_t Height() const;
  TRect DesktopRect() const;
  TRect WorkAreaRect() const;
  int32_t PixelsPerInch() const { return 96; }

  int32_t MonitorCount();
  TMonitor* Monitors(int32_t Index);
  TMonitor* PrimaryMonitor();
  TMonitor* MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default = TMonitorDefaultTo::mdNearest);
  TMonitor* MonitorFromPoint(const TPoint& Point, TMonitorDefaultTo Default = TMonitorDefaultTo::mdNearest);
  TMonitor* MonitorFromRect(const TRect& Rect, TMonitorDefaultTo Default = TMonitorDefaultTo::mdNearest);

  // Font family names (sorted).
  TStrings* Fonts();
  TFont* HintFont() const { return FHintFont.get(); }
  TFont* IconFont() const { return FIconFont.get(); }
  TFont* MenuFont() const { return FMenuFont.get(); }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

 private:
  void AddForm(TCustomForm* AForm);
  void RemoveForm(TCustomForm* AForm);
  void SetActive(TCustomForm* Form, TWinControl* Control);
  void FormDestroyed(TCustomForm* Form);
  void UpdateMonitors();
  TMonitor* FindMonitor(HMONITOR Handle);

  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveCustomForm = nullptr;
  TCustomForm* FFocusedForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCustomForm* FLastActiveCustomForm = nullptr;
  TCursor FCursor = crDefault;
  std::map<int32_t, HCURSOR> FCursorMap;
  std::vector<std::unique_ptr<TMonitor>> FMonitors;
  std::unique_ptr<TStringList> FFonts;
  std::unique_ptr<TFont> FHintFont;
  std::unique_ptr<TFont> FIconFont;
  std::unique_ptr<TFont> FMenuFont;
};

// ---- Application ------------------------------------------------------------------------
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TMessageEvent = std::function<void(TMSG& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = std::function<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;
using TWindowHook = std::function<bool(TMessage& Message)>;

class TApplication : public TComponent {
  friend class TCustomForm;
  friend class TControl;
  friend class TWinControl;

 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  void Initialize();
  // Makes a form owned by the application (constructed as T(this, args...));
  // the first one becomes MainForm.
  template <class T, class... Args>
  void CreateForm(T*& Reference, Args&&... args) {
    Reference = new T(this, std::forward<Args>(args)...);
    AdoptForm(Reference);
  }
  TCustomForm* MainForm() const { return FMainForm; }
  // Shows the main form and runs the message loop until Terminate; returns
  // at once without a main form.
  void Run();
  // Handles every message that can be retrieved now (timers, paints and
  // thread requests included), then returns.
  void ProcessMessages();
  // Handles one message, or idles (OnIdle, action updates) and waits.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // An exception escaped a handler: OnException when assigned, else
  // ShowException; EAbort is silent. Call inside a catch block.
  void HandleException(TObject* Sender);
  void ShowException(const Exception& E);
  // For exceptions that are not Exceptions (std::exception and others).
  void ShowException(const String& ClassName, const String& Message);

  int32_t MessageBox(const String& Text, const String& Caption, uint32_t Flags = MB_OK);

  void Minimize();
  void Restore();
  void BringToFront();
  bool Active() const { return FActive; }

  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  TIcon* Icon() const { return FIcon.get(); }
  const String& ExeName() const { return FExeName; }
  void SetExeName(const String& Value) { FExeName = Value; }
  // A message-only window that stands for the application.
  HWND Handle();
  // Hooks see every message of Handle first (true: handled); answers an id
  // for UnhookMainWindow.
  int32_t HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(int32_t HookId);
  const String& HelpFile() const { return FHelpFile; }
  void SetHelpFile(const String& Value) { FHelpFile = Value; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }

  // OnShortCut, then the main form's short-cuts.
  bool IsShortCut(TWMKey& Message);
  // The control under the mouse as of the last mouse message or idle.
  TControl* MouseControl() const { return FMouseControl; }
  // Sends CM_MOUSELEAVE / CM_MOUSEENTER when the control under the screen
  // point changed (after each mouse message and on idle).
  void UpdateMouseControl(const TPoint& ScreenPos);
  // Runs the idle work once (OnIdle, actions, mouse control, canvases).
  bool DoIdle();

  // ---- Hints ----
  // hints.cpp defines SetHint, SetShowHint, CancelHint, ActivateHint,
  // HideHint, HintMouseMessage, IsHintMsg, HintIdle and DoneHints; the rest
  // of the hint state lives in FHintState, which hints.cpp owns.
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);  // hints.cpp: OnHint when it changes
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);  // hints.cpp
  int32_t HintPause() const { return FHintPause; }
  void SetHintPause(int32_t Value) { FHintPause = Value; }
  int32_t HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int32_t Value) { FHintShortPause = Value; }
  int32_t HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int32_t Value) { FHintHidePause = Value; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  const THintWindowClass& HintWindowClass() const { return FHintWindowClass; }
  void SetHintWindowClass(THintWindowClass Value) { FHintWindowClass = std::move(Value); }
  void CancelHint();                           // hints.cpp
  void ActivateHint(const TPoint& CursorPos);  // hints.cpp
  void HideHint();                             // hints.cpp
  // Every WM_MOUSEMOVE a control handles (TControl::WndProc calls it).
  void HintMouseMessage(TControl* Control, TMessage& Message);  // hints.cpp
  // Every retrieved message, after OnMessage: input cancels a hint. Answers
  // true to swallow the message.
  bool IsHintMsg(TMSG& Msg);  // hints.cpp
  // Idle: MouseControl is the control under the mouse (nullptr: none).
  void HintIdle(TControl* MouseControl);  // hints.cpp
  THintState* HintState() const { return FHintState; }
  void SetHintState(THintState* Value) { FHintState = Value; }

  // ---- Events ----
  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  TIdleEvent OnIdle;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TShortCutEvent OnShortCut;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void AdoptForm(TCustomForm* Form);
  // Forms released while one of their handlers ran: destroyed once none runs.
  void DeferRelease(TCustomForm* Form);
  void ReleasePending();
  bool ProcessMessage(TMSG& Msg);
  // Sends key messages to the control as CN_ messages; true when it took them.
  bool IsKeyMsg(TMSG& Msg);
  void Idle(const TMSG& Msg);
  void WndProc(TMessage& Message);
  void DoneHints();  // hints.cpp: releases FHintState

  HWND FHandle = nullptr;
  TCustomForm* FMainForm = nullptr;
  TCustomForm* FShortCutAsked = nullptr;  // the focused form's short-cuts were tried
  bool FTerminated = false;
  bool FRunning = false;
  bool FActive = true;
  bool FShowMainForm = true;
  String FTitle;
  String FExeName;
  std::unique_ptr<TIcon> FIcon;
  String FHelpFile;
  int32_t FHelpContext = 0;
  std::vector<std::pair<int32_t, TWindowHook>> FWindowHooks;
  int32_t FNextHookId = 1;
  TControl* FMouseControl = nullptr;
  int32_t FHandleExceptionDepth = 0;
  std::vector<TComponentRef<TCustomForm>> FPendingReleases;

  String FHint;
  bool FShowHint = true;
  int32_t FHintPause = 500;
  int32_t FHintShortPause = 50;
  int32_t FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  THintWindowClass FHintWindowClass;
  THintState* FHintState = nullptr;
};

extern TApplication* Application;
extern TScreen* Screen;

// ---- Menu bar services (defined in menus.cpp) ---------------------------------------------
// The main menu's short-cuts; clicks the item; answers whether one took the key.
bool MenuIsShortCut(TMainMenu* Menu, TWMKey& Message);
// A WM_COMMAND of the form for a menu item; answers whether an item took it.
bool MenuDispatchCommand(TMainMenu* Menu, uint16_t Command);
// The menu bar of a form with a Menu: called first for WM_NCCALCSIZE,
// WM_NCPAINT, WM_NCHITTEST, WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN/UP/DBLCLK,
// WM_NCACTIVATE, WM_SYSCOMMAND, WM_SYSCHAR and CM_MENUCHANGED; answers
// whether it handled the message (the answer in Message.Result). It may call
// DefWindowProc itself for the frame around the bar.
bool MenuBarMessage(TCustomForm* Form, TMainMenu* Menu, TMessage& Message);
