// What the common controls share: WM_NOTIFY records and codes, custom draw
// (the native side's stages and the framework's canvas driver), the
// in-place label editor, the drag-start detector, the state and overlay
// image bits with the built-in check-box state list, and the drag-image
// functions of image lists.
//
// Native common controls tell their parent by WM_NOTIFY (wParam the control
// id, lParam a record starting with NMHDR); the framework reflects it to the
// control as CN_NOTIFY and hands the message result back.
#pragma once

#include <cstdint>
#include <algorithm>
#include <functional>

#include "platform/gui/gdi.h"
#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/rtl/types.h"
#include "platform/vcl/messages.h"

class TCanvas;
class TFont;

// ---- Notification codes shared by the common controls -----------------------------------
inline constexpr uint32_t NM_OUTOFMEMORY = uint32_t(-1);
inline constexpr uint32_t NM_CLICK = uint32_t(-2);
inline constexpr uint32_t NM_DBLCLK = uint32_t(-3);
inline constexpr uint32_t NM_RETURN = uint32_t(-4);
inline constexpr uint32_t NM_RCLICK = uint32_t(-5);
inline constexpr uint32_t NM_RDBLCLK = uint32_t(-6);
inline constexpr uint32_t NM_SETFOCUS = uint32_t(-7);
inline constexpr uint32_t NM_KILLFOCUS = uint32_t(-8);
inline constexpr uint32_t NM_CUSTOMDRAW = uint32_t(-12);
inline constexpr uint32_t NM_HOVER = uint32_t(-13);

// Callback marks of item texts and images (list and tree views).
inline char* const LPSTR_TEXTCALLBACK = reinterpret_cast<char*>(intptr_t(-1));
inline constexpr int32_t I_IMAGECALLBACK = -1;
inline constexpr int32_t I_IMAGENONE = -2;

// How the framework's list and tree views sort their items.
enum class TSortType : uint8_t { stNone, stData, stText, stBoth };

// Fills hdr (hwndFrom = hwnd, idFrom = its id, code) and sends WM_NOTIFY to
// the parent; answers the parent's result (0 without a parent).
LRESULT ComNotify(HWND hwnd, uint32_t code, NMHDR* hdr);
// A notification that carries nothing but the header.
LRESULT ComNotifyCode(HWND hwnd, uint32_t code);

// NM_CLICK / NM_DBLCLK / NM_RCLICK of the list and tree views carry the
// item and point (list views fill iItem/iSubItem; trees leave them -1).
struct NMITEMACTIVATE {
  NMHDR hdr;
  int32_t iItem = -1;
  int32_t iSubItem = 0;
  uint32_t uNewState = 0;
  uint32_t uOldState = 0;
  uint32_t uChanged = 0;
  TPoint ptAction;
  LPARAM lParam = 0;
  uint32_t uKeyFlags = 0;
};

// ---- Custom draw ----------------------------------------------------------------------
inline constexpr uint32_t CDDS_PREPAINT = 0x00000001;
inline constexpr uint32_t CDDS_POSTPAINT = 0x00000002;
inline constexpr uint32_t CDDS_PREERASE = 0x00000003;
inline constexpr uint32_t CDDS_POSTERASE = 0x00000004;
inline constexpr uint32_t CDDS_ITEM = 0x00010000;
inline constexpr uint32_t CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr uint32_t CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
inline constexpr uint32_t CDDS_SUBITEM = 0x00020000;

inline constexpr uint32_t CDRF_DODEFAULT = 0x00;
inline constexpr uint32_t CDRF_NEWFONT = 0x02;
inline constexpr uint32_t CDRF_SKIPDEFAULT = 0x04;
inline constexpr uint32_t CDRF_NOTIFYPOSTPAINT = 0x10;
inline constexpr uint32_t CDRF_NOTIFYITEMDRAW = 0x20;
inline constexpr uint32_t CDRF_NOTIFYSUBITEMDRAW = 0x20;

inline constexpr uint32_t CDIS_SELECTED = 0x01;
inline constexpr uint32_t CDIS_GRAYED = 0x02;
inline constexpr uint32_t CDIS_DISABLED = 0x04;
inline constexpr uint32_t CDIS_CHECKED = 0x08;
inline constexpr uint32_t CDIS_FOCUS = 0x10;
inline constexpr uint32_t CDIS_DEFAULT = 0x20;
inline constexpr uint32_t CDIS_HOT = 0x40;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  uint32_t dwDrawStage = 0;
  HDC hdc = nullptr;
  TRect rc;
  uintptr_t dwItemSpec = 0;
  uint32_t uItemState = 0;
  LPARAM lItemlParam = 0;
};

// List form: the colours are filled with what the control would use and read
// back after CDRF_NEWFONT (together with the font then selected in hdc).
struct NMLVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText = 0;
  COLORREF clrTextBk = 0;
  int32_t iSubItem = 0;
};

struct NMTVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText = 0;
  COLORREF clrTextBk = 0;
  int32_t iLevel = 0;
};

// Native side: sends NM_CUSTOMDRAW for one stage and answers the CDRF_ bits
// (0 when the parent does not answer).
uint32_t ComCustomDraw(HWND hwnd, NMCUSTOMDRAW* cd, uint32_t stage);

// Framework side: lends Canvas to a custom-draw handler on the stage's DC.
// Begin sets the canvas's font from Font and its brush to Color; Finish
// reads back what the handler did: DefaultDraw False answers
// CDRF_SKIPDEFAULT; for item stages (clrText/clrTextBk given), a changed font
// colour or brush colour is written to them and a changed font is selected
// into the DC, both answered by CDRF_NEWFONT. The canvas is released in Finish.
class TComCustomDrawDriver {
 public:
  void Begin(TCanvas* Canvas, HDC DC, TFont* Font, TColor Color);
  uint32_t Finish(bool DefaultDraw, COLORREF* ClrText, COLORREF* ClrTextBk);

 private:
  TCanvas* FCanvas = nullptr;
  HDC FDC = nullptr;
  int32_t FSaved = 0;
  TColor FFontColor = 0;
  TColor FBrushColor = 0;
  String FFontName;
  int32_t FFontHeight = 0;
  uint32_t FFontStyle = 0;
};

// ---- Framework custom-draw vocabulary (the tree view's events use it too) --------------------
enum class TCustomDrawTarget : uint8_t { dtControl, dtItem, dtSubItem };
enum class TCustomDrawStage : uint8_t { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
enum class TCustomDrawStateItem : uint8_t {
  cdsSelected,
  cdsGrayed,
  cdsDisabled,
  cdsChecked,
  cdsFocused,
  cdsDefault,
  cdsHot,
  cdsMarked,
  cdsIndeterminate
};
using TCustomDrawState = Set<TCustomDrawStateItem>;

// The CDIS_ bits of uItemState as a state.
inline TCustomDrawState ComCustomDrawState(uint32_t ItemState) {
  TCustomDrawState r;
  if ((ItemState & CDIS_SELECTED) != 0) r.Include(TCustomDrawStateItem::cdsSelected);
  if ((ItemState & CDIS_GRAYED) != 0) r.Include(TCustomDrawStateItem::cdsGrayed);
  if ((ItemState & CDIS_DISABLED) != 0) r.Include(TCustomDrawStateItem::cdsDisabled);
  if ((ItemState & CDIS_CHECKED) != 0) r.Include(TCustomDrawStateItem::cdsChecked);
  if ((ItemState & CDIS_FOCUS) != 0) r.Include(TCustomDrawStateItem::cdsFocused);
  if ((ItemState & CDIS_DEFAULT) != 0) r.Include(TCustomDrawStateItem::cdsDefault);
  if ((ItemState & CDIS_HOT) != 0) r.Include(TCustomDrawStateItem::cdsHot);
  return r;
}
// ---- (end of the custom-draw vocabulary) ------------------------------------------------------

// ---- In-place label editor ----------------------------------------------------------------
// An "Edit" child of Owner over a label, its text selected and focused.
// Enter, or the edit losing focus (synchronously, inside the SetFocus that
// takes it), ends it with the text; Escape ends it cancelled. OnEnd runs
// once, while the edit still exists; the edit is destroyed after OnEnd
// returns. The owner keeps one editor and asks it whether it is active.
class TComLabelEditor {
 public:
  // Accepted: false for Escape or Cancel(); Text is the edit's text.
  using TEndEvent = std::function<void(bool Accepted, const String& Text)>;

  TComLabelEditor() = default;
  ~TComLabelEditor();
  TComLabelEditor(const TComLabelEditor&) = delete;
  TComLabelEditor& operator=(const TComLabelEditor&) = delete;

  // Answers the edit window (nullptr when it could not be made).
  HWND Start(HWND Owner, const TRect& Rect, const String& Text, HFONT Font, TEndEvent OnEnd);
  bool Active() const { return FEdit != nullptr; }
  HWND Edit() const { return FEdit; }
  // Ends the edit as Enter (Accept) or Escape would.
  void End(bool Accept);
  // Destroys the edit without OnEnd (the owner is going away).
  void Abandon();

 private:
  static LRESULT EditProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

  HWND FEdit = nullptr;
  HWND FOwner = nullptr;
  WNDPROC FOldProc = nullptr;
  TEndEvent FOnEnd;
  bool FEnding = false;
};

// The delayed start of editing by a slow second click: Arm at the release of
// a click on the label of the item that was already focused and selected; a
// WM_TIMER with TimerId after the double-click time (on the one clock) calls
// for the edit; a double click or any other press disarms it.
class TComSlowClick {
 public:
  static constexpr uintptr_t TimerId = 0x5C11;
  void Arm(HWND Owner, int32_t Item);
  void Disarm();
  // On WM_TIMER: answers the item to edit (and disarms), -1 for another timer.
  int32_t Fire(WPARAM TimerIdParam);
  bool Armed() const { return FOwner != nullptr; }

 private:
  HWND FOwner = nullptr;
  int32_t FItem = -1;
};

// ---- Drag start ----------------------------------------------------------------------------
// A press on an item, then moves with the button down: Move answers true
// once when the pointer has gone SM_CXDRAG / SM_CYDRAG pixels from the press
// (the caller sends its begin-drag notification). No modal loop: the release
// still reaches the control.
class TComDragDetect {
 public:
  void Press(const TPoint& Pos, bool Right, int32_t Item);
  bool Move(const TPoint& Pos);
  void Reset() {
    FArmed = false;
    FStarted = false;
  }
  bool Armed() const { return FArmed; }
  bool Started() const { return FStarted; }
  bool Right() const { return FRight; }
  int32_t Item() const { return FItem; }
  TPoint Start() const { return FStart; }

 private:
  bool FArmed = false;
  bool FStarted = false;
  bool FRight = false;
  int32_t FItem = -1;
  TPoint FStart;
};

// ---- State and overlay images -------------------------------------------------------------
// State image s + 1 lives in bits 12..15 of an item's state, overlay o in
// bits 8..11 (also the overlay bits of ImageList_Draw's style).
inline constexpr uint32_t INDEXTOSTATEIMAGEMASK(uint32_t i) { return i << 12; }
inline constexpr uint32_t STATEIMAGEMASKTOINDEX(uint32_t state) { return (state >> 12) & 0xF; }
inline constexpr uint32_t OVERLAYMASKTOINDEX(uint32_t state) { return (state >> 8) & 0xF; }

// StateIndex (-1: none) to the state bits and back.
inline uint32_t ComStateIndexToBits(int32_t StateIndex) {
  return StateIndex < 0 ? 0u : INDEXTOSTATEIMAGEMASK(uint32_t(std::min<int32_t>(StateIndex, 14) + 1));
}
inline int32_t ComStateBitsToIndex(uint32_t State) { return int32_t(STATEIMAGEMASKTOINDEX(State)) - 1; }
// OverlayIndex (-1: none) to the overlay bits and back.
inline uint32_t ComOverlayIndexToBits(int32_t OverlayIndex) {
  return OverlayIndex < 0 ? 0u : INDEXTOOVERLAYMASK(uint32_t(std::min<int32_t>(OverlayIndex, 14) + 1));
}
inline int32_t ComOverlayBitsToIndex(uint32_t State) { return int32_t(OVERLAYMASKTOINDEX(State)) - 1; }

// The built-in state list of the check-box styles: image 0 unchecked, image 1
// checked (16 x 16, the 13-pixel box centred). Made once per process and
// never destroyed; stored state 1 shows image 0, 2 image 1.
HIMAGELIST ComCheckBoxStateList();

// ---- Drag images --------------------------------------------------------------------------
// While a drag runs, the image is shown half-transparent on a topmost popup
// that never activates. Positions are relative to the window rectangle of
// the window given to DragEnter (the screen when nullptr). The image is
// copied, so the list may be destroyed after BeginDrag.
bool ImageList_BeginDrag(HIMAGELIST list, int32_t index, int32_t dxHotspot, int32_t dyHotspot);
bool ImageList_DragEnter(HWND hwndLock, int32_t x, int32_t y);
bool ImageList_DragMove(int32_t x, int32_t y);
bool ImageList_DragLeave(HWND hwndLock);
void ImageList_EndDrag();
// The popup of the drag in progress (nullptr when none); for tests.
HWND ComDragImageWindow();

// Registers a native common class once per process (one extra slot).
void ComRegisterClass(const char* Name, WNDPROC Proc);

// Text to a UTF-8 buffer of Size bytes (cut on a character start, always
// terminated when Size > 0).
void ComCopyText(const String& Text, char* Buffer, int32_t Size);

// ---- Text measuring (added with the tree view) ----------------------------------------------
// The width of a single line of Text in Font (the stock font for nullptr),
// measured on hwnd's DC.
int32_t ComTextWidth(HWND hwnd, HFONT Font, const String& Text);
