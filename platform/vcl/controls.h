// The control classes: TControl (position, alignment, visibility, mouse and
// the message plumbing every control shares), TWinControl (a control with a
// window of its own: lazy handle, focus, keys, children, painting),
// TGraphicControl and TCustomControl (the two bases that paint on a canvas),
// TScrollingWinControl, TFrame, and the minimal action classes.
//
// Messages reach a control through WindowProc (replaceable; a replacement
// calls the procedure it saved), which is WndProc by default; WndProc does
// the framework's preprocessing and calls Dispatch, whose overrides handle
// messages by number and pass the rest to the base class, the last base
// handing them to DefaultHandler. Windowed controls receive window messages
// through MainWndProc, which hands every exception escaping a handler to
// Application->HandleException.
//
// Controls are used on the main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"
#include "platform/vcl/messages.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;   // platform/vcl/menus.h
class THintWindow;  // platform/vcl/hints.h
class TDragObject;
class TBasicAction;
class TCustomAction;
class TCustomActionList;
class TCustomImageList;

// ---- Enumerations ------------------------------------------------------------------
enum class TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = Set<TAlign>;

enum class TAnchorKind : uint8_t { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;

enum class TControlStyleItem : uint8_t {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents
};
using TControlStyle = Set<TControlStyleItem>;

enum class TControlStateItem : uint8_t {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = Set<TControlStateItem>;

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum class TDragMode : uint8_t { dmManual, dmAutomatic };
enum class TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
enum class TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// ---- Cursors ------------------------------------------------------------------------
// Numbers of Screen->Cursors(); the application registers its own (1777 ...).
using TCursor = int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSize = -22;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// ---- Events -------------------------------------------------------------------------
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key is the character typed (a code point); setting it to 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
// MousePos in client coordinates; (-1, -1) when the menu key asked.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int32_t X, int32_t Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int32_t X, int32_t Y)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int32_t& NewWidth, int32_t& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent =
    std::function<void(TObject* Sender, int32_t& MinWidth, int32_t& MinHeight, int32_t& MaxWidth, int32_t& MaxHeight)>;

// ---- Hints ---------------------------------------------------------------------------
// Makes the hint window (owned by AOwner); empty means the plain THintWindow.
using THintWindowClass = std::function<THintWindow*(TComponent* AOwner)>;

// lParam of CM_HINTSHOW and the record OnShowHint may change.
struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass;
  TPoint HintPos;            // screen coordinates of the window's top-left corner
  int32_t HintMaxWidth = 0;  // 0: no wrapping
  TColor HintColor = clInfoBk;
  TRect CursorRect;           // HintControl client coordinates; leaving it hides the hint
  TPoint CursorPos;           // HintControl client coordinates
  int32_t ReshowTimeout = 0;  // ms; > 0 shows the hint again after that time
  int32_t HideTimeout = 0;    // ms; 0: HintHidePause
  String HintStr;
  void* HintData = nullptr;
};

// ---- Size constraints ----------------------------------------------------------------
// 0 means no limit.
class TSizeConstraints : public TPersistent {
 public:
  explicit TSizeConstraints(TControl* Control) : FControl(Control) {}
  const char* ClassName() const override { return "TSizeConstraints"; }
  void Assign(TPersistent* Source) override;

  int32_t MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int32_t Value);
  int32_t MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int32_t Value);
  int32_t MinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t Value);
  int32_t MinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  TControl* Control() const { return FControl; }

 private:
  TControl* FControl;
  int32_t FMaxHeight = 0;
  int32_t FMaxWidth = 0;
  int32_t FMinHeight = 0;
  int32_t FMinWidth = 0;
};

// ---- Action links ----------------------------------------------------------------------
// Ties a control to an action: the action's Caption, Enabled, Hint, Visible
// (and Checked / ImageIndex for controls that show them) are copied into the
// control when they change; Click executes the action.
class TControlActionLink : public TObject {
 public:
  explicit TControlActionLink(TControl* Client) : FClient(Client) {}
  ~TControlActionLink() override;
  const char* ClassName() const override { return "TControlActionLink"; }

  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* Value);
  TControl* Client() const { return FClient; }
  // Runs the action's OnUpdate (through its list); answers whether someone handled it.
  bool Update();
  bool Execute(TComponent* Target);
  // The action changed one of its properties.
  void Change();

 private:
  TControl* FClient;
  TBasicAction* FAction = nullptr;
};

// ---- Canvases -------------------------------------------------------------------------
// A canvas on a control: for a windowed control its client area, for a
// graphic control its rectangle on the parent (origin moved, clipped). The DC
// is taken on first drawing and given back by FreeHandle, before the window
// goes and when the application falls idle (FreeDeviceContexts).
class TControlCanvas : public TCanvas {
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  const char* ClassName() const override { return "TControlCanvas"; }

  TControl* Control() const { return FControl; }
  void SetControl(TControl* AControl);
  void FreeHandle();
  // Text flags follow the control's reading order (always left to right here).
  void UpdateTextFlags() {}

 protected:
  friend void FreeDeviceContextsOf(HWND hwnd);
  friend void FreeDeviceContexts();
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// Gives back every DC a control canvas holds.
void FreeDeviceContexts();

// ---- TControl ---------------------------------------------------------------------------
class TControl : public TComponent {
  friend class TWinControl;
  friend class TControlActionLink;

 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  // ---- Parent and position ----
  TWinControl* Parent() const { return FParent; }
  // nullptr takes the control out of its parent (a window handle is
  // destroyed, the object kept).
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const { return FParent != nullptr; }

  int32_t Left() const { return FLeft; }
  void SetLeft(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  int32_t Top() const { return FTop; }
  void SetTop(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  int32_t Width() const { return FWidth; }
  void SetWidth(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  // Position in the parent's client area. Constraints, CanResize and the
  // parent's alignment apply; OnResize fires when the size changed.
  virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }

  // Client area in client coordinates (origin 0, 0).
  virtual TRect ClientRect();
  int32_t ClientWidth() { return ClientRect().Right; }
  void SetClientWidth(int32_t Value) { SetClientSize(TPoint{Value, ClientHeight()}); }
  int32_t ClientHeight() { return ClientRect().Bottom; }
  void SetClientHeight(int32_t Value) { SetClientSize(TPoint{ClientWidth(), Value}); }
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);
  // Client coordinates of this control to those of its parent and back.
  TPoint ClientToParent(const TPoint& Point, TWinControl* AParent = nullptr);
  TPoint ParentToClient(const TPoint& Point, TWinControl* AParent = nullptr);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);

  // ---- Visibility and state ----
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show();
  void Hide();
  virtual bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState ControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }

  // ---- Text ----
  // Caption and Text are one value (CM_TEXTCHANGED when it changes). A
  // windowed control with a handle keeps it in its window.
  String Caption() { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  String Text() { return GetText(); }
  void SetText(const String& Value);
  int32_t GetTextLen();
  // Copies at most BufSize - 1 bytes and a NUL; answers the bytes copied.
  int32_t GetTextBuf(char* Buffer, int32_t BufSize);
  void SetTextBuf(const char* Buffer);

  // ---- Appearance ----
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  bool IsRightToLeft() const { return false; }

  // ---- Hints ----
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);

  // ---- Popup menu ----
  // The menu type is complete only where menus.h is included; the setter
  // is a template so that this header needs no more than its name.
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  template <class TMenuClass>
  void SetPopupMenu(TMenuClass* Value) {
    AssignPopupMenu(Value, static_cast<TComponent*>(Value));
  }
  void SetPopupMenu(std::nullptr_t) { AssignPopupMenu(nullptr, nullptr); }

  // ---- Actions ----
  TBasicAction* Action() const;
  void SetAction(TBasicAction* Value);
  // Lets the action update this control (called on idle).
  virtual void InitiateAction();

  // ---- Drag slots (stored; no internal drag) ----
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }

  // ---- Painting ----
  // Invalidates the control's area (on the parent for a graphic control,
  // erasing unless csOpaque).
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }

  // ---- Z-order ----
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool TopMost);

  // ---- Messages ----
  LRESULT Perform(uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  void Perform(TMessage& Message) {
    TWndMethod proc = WindowProc;
    proc(Message);
  }
  // The procedure messages go through; WndProc until replaced.
  TWndMethod WindowProc;
  // Whether WindowProc is still the control's own WndProc.
  bool HasOwnWindowProc() const;
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // ---- Mouse ----
  bool MouseCapture();
  void SetMouseCapture(bool Value);
  virtual void Click();
  virtual void DblClick();
  // Fires the events of a context popup and pops the popup menu up (the
  // WM_CONTEXTMENU path).
  virtual TPopupMenu* GetPopupMenu();

  // ---- Events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;
  TCanResizeEvent OnCanResize;
  TConstrainedResizeEvent OnConstrainedResize;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Text storage used by Caption/Text; windowed controls read their window.
  virtual String GetText();
  virtual void SetClientSize(const TPoint& Value);
  // Writes the new bounds without asking anyone (alignment uses it too).
  void UpdateBoundsRect(const TRect& R);
  // Asks the parent to re-align its children after a change of this one.
  virtual void RequestAlign();
  // Measures the anchors against the parent's client size.
  void UpdateAnchorRules();
  virtual void Resize();
  virtual bool CanResize(int32_t& NewWidth, int32_t& NewHeight);
  virtual bool CanAutoSize(int32_t& NewWidth, int32_t& NewHeight);
  virtual void ConstrainedResize(int32_t& MinWidth, int32_t& MinHeight, int32_t& MaxWidth, int32_t& MaxHeight);
  void DoConstrainedResize(int32_t& NewWidth, int32_t& NewHeight);
  virtual void AdjustSize();
  void DoAutoSize();
  virtual void Changed();
  virtual void VisibleChanging() {}
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // CM_CANCELMODE to the focused control of the forms above (unless it is
  // Sender itself) and to the application.
  void SendCancelMode(TControl* Sender);

  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  TControlActionLink* ActionLink() const { return FActionLink.get(); }

  void AssignPopupMenu(TPopupMenu* Menu, TComponent* AsComponent);

  // Handlers (Dispatch calls them).
  void WMMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double);
  void WMMouseMove(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void CMMouseWheel(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentShowHintChanged(TMessage& Message);

  TWinControl* FParent = nullptr;
  int32_t FLeft = 0;
  int32_t FTop = 0;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TControlStyle FControlStyle;
  TControlState FControlState;
  bool FVisible = true;
  bool FEnabled = true;
  String FText;
  TColor FColor = clWindow;
  bool FParentFont = true;
  bool FParentColor = true;
  bool FDesktopFont = false;

 private:
  void FontChanged(TObject* Sender);
  bool CheckNewSize(int32_t& NewWidth, int32_t& NewHeight);

  TAlign FAlign = TAlign::alNone;
  TAnchors FAnchors{TAnchorKind::akLeft, TAnchorKind::akTop};
  TRect FAnchorBounds;         // bounds when the anchors were last measured
  TPoint FOriginalParentSize;  // the parent's client size then
  bool FAnchorMove = false;    // the parent is applying the anchors
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FAutoSize = false;
  int32_t FAutoSizing = 0;
  std::unique_ptr<TFont> FFont;
  int32_t FFontUpdating = 0;
  TCursor FCursor = crDefault;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TPopupMenu* FPopupMenu = nullptr;
  TComponent* FPopupMenuComponent = nullptr;
  std::unique_ptr<TControlActionLink> FActionLink;
  TDragMode FDragMode = TDragMode::dmManual;
  TCursor FDragCursor = crDrag;
  int32_t FWheelAccumulator = 0;
  bool FLastResizeValid = false;
  int32_t FLastResizeWidth = 0;
  int32_t FLastResizeHeight = 0;
};

// ---- TWinControl ----------------------------------------------------------------------

struct TCreateParams {
  String Caption;
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass;  // lpszClassName is set from WinClassName
  String WinClassName;
};

using TTabOrder = int16_t;

class TWinControl : public TControl {
  friend class TControl;
  friend class TCustomForm;
  friend LRESULT VclWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  // ---- The window ----
  // Creates the window (and its parents') on first use.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // A raw window to live in when there is no Parent control.
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);
  // Whether the window is shown (the control and all its parents visible).
  bool Showing() const { return FShowing; }
  // Destroys the window (children first) and lets it be made again when
  // next needed; the object keeps its state and WindowProc.
  void RecreateWnd();
  void DestroyHandle();
  // Calls the window class's own procedure (DefWindowProc for our classes).
  void DefWndProc(TMessage& Message);
  // Entry point of window messages: WindowProc, exceptions to the application.
  void MainWndProc(TMessage& Message);
  // Shows or hides the window according to Visible and the parents.
  void UpdateControlState();

  // ---- Children ----
  // Graphic children (in paint order) first, then windowed ones.
  int32_t ControlCount() const { return int32_t(FControls.size() + FWinControls.size()); }
  TControl* Controls(int32_t Index) const;
  // The topmost visible child at Pos (client coordinates): graphic ones, and
  // windowed ones with AllowWinControls; disabled ones with AllowDisabled.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
  // Sends Message to every child until one answers nonzero.
  void Broadcast(TMessage& Message);
  void NotifyControls(uint32_t Msg);
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;

  // ---- Focus and tab order ----
  TTabOrder TabOrder() const;
  void SetTabOrder(TTabOrder Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  virtual bool Focused();
  virtual bool CanFocus();
  virtual void SetFocus();

  // ---- Alignment ----
  void DisableAlign();
  void EnableAlign();
  bool AlignDisabled() const { return FAlignLevel != 0; }
  void Realign();
  // Re-applies alignment after AControl changed.
  void AlignControl(TControl* AControl);

  // ---- Painting ----
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
  TBrush* Brush() const { return FBrush.get(); }
  int32_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t Value);
  void PaintHandler(TMessage& Message);
  // Paints the graphic children (from First on; nullptr: all) into DC.
  void PaintControls(HDC DC, TControl* First);
  // Paints this control and its children into DC at (X, Y).
  void PaintTo(HDC DC, int32_t X, int32_t Y);
  // The window's own content alone (no children) into DC, for callers that
  // paint what lies under a transparent child.
  void PaintWindowOnly(HDC DC) { PaintWindow(DC); }
  // Rect through this control's AdjustClientRect, for layout code that
  // needs another control's adjusted client area.
  void AdjustClientRectOf(TRect& Rect) { AdjustClientRect(Rect); }
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  void ScrollBy(int32_t DeltaX, int32_t DeltaY);

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  void SetZOrder(bool TopMost) override;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  // ---- Events ----
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  // Describes the window to make. The base: a child window (WS_CHILD |
  // WS_CLIPSIBLINGS) of class WinClassName (ClassName()) over DefWindowProc.
  virtual void CreateParams(TCreateParams& Params);
  // Makes the window through CreateWindowHandle and sets it up.
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Keeps the text, then destroys the window.
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void CreateHandle();
  // The window class of Params becomes ControlClassName's (its procedure
  // becomes the default procedure of this control).
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);

  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AdjustClientRect(TRect& Rect);
  void SetClientSize(const TPoint& Value) override;
  String GetText() override;
  virtual void PaintWindow(HDC DC);
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual void DoEnter();
  virtual void DoExit();
  bool DoKeyDown(TWMKey& Message);
  bool DoKeyUp(TWMKey& Message);
  bool DoKeyPress(TMessage& Message);
  // Popup-menu short-cuts up the parent chain, the form's, the application's.
  virtual bool IsMenuKey(TWMKey& Message);
  // Routes a mouse message to the graphic child under it or holding the capture.
  bool IsControlMouseMsg(TMessage& Message);
  // Reflects a notification to the child control whose window ControlHandle is.
  bool DoControlMsg(HWND ControlHandle, TMessage& Message);
  void ControlsListChanged(TControl* Control, bool Inserting);
  void UpdateShowing();
  void UpdateBounds();
  // Z-order of a child window after Control's list position changed.
  void SetChildOrder(TWinControl* Child, int32_t Order);

  HWND WindowHandle() const { return FHandle; }
  // Our window class procedure and the original one of a subclassed class.
  WNDPROC FDefWndProc = nullptr;

 private:
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMKeyUp(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  void WMReflected(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  void CNChar(TMessage& Message);
  void CMChildKey(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);
  void CMInvalidate(TMessage& Message);
  void CMShowHintChanged(TMessage& Message);
  void CMCursorChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void DoAlign(TAlign AAlign, TControl* AControl, TRect& Rect);
  void RemoveFocus(bool Removing);
  void PlaceWindowInZOrder();
  void AnchorControls();
  void FixupTabList();
  void BrushChanged(TObject* Sender);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;        // graphic children, paint order
  std::vector<TWinControl*> FWinControls;  // windowed children, insertion / z-order
  std::vector<TWinControl*> FTabList;
  std::unique_ptr<TBrush> FBrush;
  bool FTabStop = false;
  bool FShowing = false;
  bool FDoubleBuffered = false;
  bool FRecreating = false;
  bool FDestroyingHandle = false;
  int32_t FAlignLevel = 0;
  int32_t FBorderWidth = 0;
  String FSavedText;
};

// ---- The two painting bases ----------------------------------------------------------

// A control without a window: painted by its parent's PaintControls through
// a canvas on the parent's DC.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  const char* ClassName() const override { return "TGraphicControl"; }
  TCanvas* Canvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  const char* ClassName() const override { return "TCustomControl"; }
  TCanvas* Canvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;
  void DestroyWnd() override;

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---- Scrolling -----------------------------------------------------------------------
enum class TScrollBarKind : uint8_t { sbHorizontal, sbVertical };

class TScrollingWinControl;

// A window scroll bar of a scrolling control: Range is the extent of the
// content, Position the scrolled distance.
class TControlScrollBar : public TPersistent {
 public:
  TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind);
  const char* ClassName() const override { return "TControlScrollBar"; }
  void Assign(TPersistent* Source) override;

  TScrollBarKind Kind() const { return FKind; }
  int32_t Range() const { return FRange; }
  void SetRange(int32_t Value);
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int32_t Increment() const { return FIncrement; }
  void SetIncrement(int32_t Value) { FIncrement = Value; }
  // Whether the bar shows now (visible, and the range exceeds the client size).
  bool IsScrollBarVisible();
  // The client extent this bar scrolls over.
  int32_t ControlSize();

 private:
  friend class TScrollingWinControl;
  void ScrollMessage(TMessage& Message);
  void Update();

  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  int32_t FRange = 0;
  int32_t FPosition = 0;
  int32_t FIncrement = 8;
  bool FVisible = true;
};

class TScrollingWinControl : public TWinControl {
 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  ~TScrollingWinControl() override;
  const char* ClassName() const override { return "TScrollingWinControl"; }

  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value);
  TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
  TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
  // Scrolls so that AControl is in view.
  void ScrollInView(TControl* AControl);
  void Dispatch(TMessage& Message) override;

 protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void CreateWnd() override;
  // Computes the ranges from the children (AutoScroll) and shows the bars.
  void UpdateScrollBars();
  // Scrolls the content by the change of a bar's position.
  void ScrollContent(int32_t DeltaX, int32_t DeltaY);

 private:
  friend class TControlScrollBar;
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
  bool FAutoScroll = true;
  int32_t FUpdatingScrollBars = 0;
};

// A container of controls built like a form and placed on one.
class TFrame : public TScrollingWinControl {
 public:
  explicit TFrame(TComponent* AOwner);
  const char* ClassName() const override { return "TFrame"; }
};

// ---- Actions ----------------------------------------------------------------------------
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TBasicAction : public TComponent {
  friend class TControlActionLink;

 public:
  explicit TBasicAction(TComponent* AOwner);
  ~TBasicAction() override;
  const char* ClassName() const override { return "TBasicAction"; }

  // OnExecute (through the list's and the application's handlers first);
  // answers whether something ran.
  virtual bool Execute();
  // OnUpdate (through the list's handler first); answers whether handled.
  virtual bool Update();
  virtual bool HandlesTarget(TObject*) { return false; }
  TComponent* ActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value) { FActionComponent = Value; }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  // Tells the linked clients that a property changed.
  void Change();
  void RegisterLink(TControlActionLink* Link);
  void UnregisterLink(TControlActionLink* Link);

 private:
  std::vector<TControlActionLink*> FClients;
  TComponent* FActionComponent = nullptr;
};

class TCustomAction : public TBasicAction {
 public:
  explicit TCustomAction(TComponent* AOwner);
  ~TCustomAction() override;
  const char* ClassName() const override { return "TCustomAction"; }

  bool Execute() override;
  bool Update() override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  uint16_t ShortCut() const { return FShortCut; }
  void SetShortCut(uint16_t Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t Value) { FGroupIndex = Value; }
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  const String& Category() const { return FCategory; }
  void SetCategory(const String& Value) { FCategory = Value; }

  TCustomActionList* ActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  int32_t Index() const;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TCustomActionList;
  String FCaption;
  bool FEnabled = true;
  bool FChecked = false;
  bool FVisible = true;
  String FHint;
  int32_t FImageIndex = -1;
  uint16_t FShortCut = 0;
  int32_t FGroupIndex = 0;
  bool FAutoCheck = false;
  String FCategory;
  TCustomActionList* FActionList = nullptr;
};

class TAction : public TCustomAction {
 public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
  const char* ClassName() const override { return "TAction"; }
};

class TCustomActionList : public TComponent {
 public:
  explicit TCustomActionList(TComponent* AOwner);
  ~TCustomActionList() override;
  const char* ClassName() const override { return "TCustomActionList"; }

  int32_t ActionCount() const { return int32_t(FActions.size()); }
  TCustomAction* Actions(int32_t Index) const;
  // Runs Action's OnExecute through the list's OnExecute first.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);
  // Updates every visible action (idle processing).
  void UpdateActions();
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TCustomAction;
  void AddAction(TCustomAction* Action);
  void RemoveAction(TCustomAction* Action);
  std::vector<TCustomAction*> FActions;
  TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
 public:
  explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
  const char* ClassName() const override { return "TActionList"; }
};

// ---- Free functions ----------------------------------------------------------------

// The control whose window hwnd is (nullptr for a foreign window).
TWinControl* FindControl(HWND Handle);
// The control whose window is at the screen point (or contains the window there).
TWinControl* FindVCLWindow(const TPoint& Pos);
// The control under the screen point, graphic children included.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// The form the control is on (its top-level form), nullptr when none.
TCustomForm* GetParentForm(TControl* Control);
// As GetParentForm; EInvalidOperation "Control '%s' has no parent window" when none.
TCustomForm* ValidParentForm(TControl* Control);
// The control holding the mouse capture (graphic controls included).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// A window procedure that calls Method (with the message in a TMessage), for
// subclassing raw windows through GWL_WNDPROC. Each call makes a distinct
// procedure; FreeObjectInstance gives it back. EOutOfResources when all
// procedures are in use.
WNDPROC MakeObjectInstance(TWndMethod Method);
void FreeObjectInstance(WNDPROC Instance);

// Debug builds: called when a form is destroyed while its WindowProc is still
// a replacement installed by someone else (the subclassing code forgot to
// restore it). The default writes a line to stderr.
extern std::function<void(TControl* Control)> OnForeignWindowProc;

// ---- Menu services (defined in menus.cpp) ----------------------------------------------
// Looks the key up among the popup menu's short-cuts and clicks the item;
// answers whether one took it.
bool MenuIsShortCut(TPopupMenu* Menu, TWMKey& Message);
// When the menu's AutoPopup is on: sets PopupComponent and pops the menu up at
// the screen point (OnPopup first); answers whether it did.
bool PopupMenuAutoPopup(TPopupMenu* Menu, TComponent* PopupComponent, const TPoint& ScreenPos);
