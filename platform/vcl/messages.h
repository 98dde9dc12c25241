// The framework's own messages (CM_*), the notifications reflected from a
// parent window to the child control they concern (CN_*), the dialog codes
// and owner-draw records that travel with them, and typed views of TMessage
// for the mouse, key and wheel messages.
//
// CM_ numbers are CM_BASE + a small offset of ours; CN_ numbers are CN_BASE +
// the window message they reflect. CN_BASE + 0x4A and + 0x4B are used by the
// window system for private purposes, so WM_COPYDATA and 0x4B are never
// reflected.
#pragma once

#include <cstdint>

#include "platform/gui/win_ownerdraw.h"
#include "platform/gui/windows.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/sets.h"

// ---- Framework messages ------------------------------------------------------------
inline constexpr uint32_t CM_BASE = 0xB000;
inline constexpr uint32_t CM_ACTIVATE = CM_BASE + 0;
inline constexpr uint32_t CM_DEACTIVATE = CM_BASE + 1;
inline constexpr uint32_t CM_GOTFOCUS = CM_BASE + 2;
inline constexpr uint32_t CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr uint32_t CM_CANCELMODE = CM_BASE + 4;    // lParam: the control that caused it
inline constexpr uint32_t CM_DIALOGKEY = CM_BASE + 5;     // wParam: key, lParam: key data
inline constexpr uint32_t CM_DIALOGCHAR = CM_BASE + 6;    // wParam: character, lParam: key data
inline constexpr uint32_t CM_FOCUSCHANGED = CM_BASE + 7;  // lParam: the new focused control
inline constexpr uint32_t CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr uint32_t CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr uint32_t CM_HITTEST = CM_BASE + 10;         // lParam: point (client); answer nonzero = hit
inline constexpr uint32_t CM_VISIBLECHANGED = CM_BASE + 11;  // wParam: new value
inline constexpr uint32_t CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr uint32_t CM_COLORCHANGED = CM_BASE + 13;
inline constexpr uint32_t CM_FONTCHANGED = CM_BASE + 14;
inline constexpr uint32_t CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr uint32_t CM_TEXTCHANGED = CM_BASE + 16;
inline constexpr uint32_t CM_MOUSEENTER = CM_BASE + 17;  // lParam: the control entered
inline constexpr uint32_t CM_MOUSELEAVE = CM_BASE + 18;  // lParam: the control left
inline constexpr uint32_t CM_MENUCHANGED = CM_BASE + 19;
inline constexpr uint32_t CM_APPKEYDOWN = CM_BASE + 20;
inline constexpr uint32_t CM_APPSYSCOMMAND = CM_BASE + 21;
inline constexpr uint32_t CM_BUTTONPRESSED = CM_BASE + 22;  // wParam: group index, lParam: the button
inline constexpr uint32_t CM_SHOWINGCHANGED = CM_BASE + 23;
inline constexpr uint32_t CM_ENTER = CM_BASE + 24;
inline constexpr uint32_t CM_EXIT = CM_BASE + 25;
inline constexpr uint32_t CM_DESIGNHITTEST = CM_BASE + 26;
inline constexpr uint32_t CM_ICONCHANGED = CM_BASE + 27;
inline constexpr uint32_t CM_WANTSPECIALKEY = CM_BASE + 28;  // wParam: key; answer nonzero = wanted
inline constexpr uint32_t CM_INVOKEHELP = CM_BASE + 29;
inline constexpr uint32_t CM_WINDOWHOOK = CM_BASE + 30;
inline constexpr uint32_t CM_RELEASE = CM_BASE + 31;
inline constexpr uint32_t CM_SHOWHINTCHANGED = CM_BASE + 32;
inline constexpr uint32_t CM_PARENTSHOWHINTCHANGED = CM_BASE + 33;
inline constexpr uint32_t CM_SYSCOLORCHANGE = CM_BASE + 34;
inline constexpr uint32_t CM_WININICHANGE = CM_BASE + 35;
inline constexpr uint32_t CM_FONTCHANGE = CM_BASE + 36;
inline constexpr uint32_t CM_TIMECHANGE = CM_BASE + 37;
inline constexpr uint32_t CM_TABSTOPCHANGED = CM_BASE + 38;
inline constexpr uint32_t CM_UIACTIVATE = CM_BASE + 39;
inline constexpr uint32_t CM_UIDEACTIVATE = CM_BASE + 40;
inline constexpr uint32_t CM_DOCWINDOWACTIVATE = CM_BASE + 41;
inline constexpr uint32_t CM_CONTROLLISTCHANGE = CM_BASE + 42;  // wParam: the control, lParam: inserted
inline constexpr uint32_t CM_GETDATALINK = CM_BASE + 43;
inline constexpr uint32_t CM_CHILDKEY = CM_BASE + 44;  // wParam: key, lParam: the control
inline constexpr uint32_t CM_DRAG = CM_BASE + 45;
inline constexpr uint32_t CM_HINTSHOW = CM_BASE + 46;  // lParam: THintInfo*
inline constexpr uint32_t CM_DIALOGHANDLE = CM_BASE + 47;
inline constexpr uint32_t CM_ISTOOLCONTROL = CM_BASE + 48;
inline constexpr uint32_t CM_RECREATEWND = CM_BASE + 49;
inline constexpr uint32_t CM_INVALIDATE = CM_BASE + 50;
inline constexpr uint32_t CM_SYSFONTCHANGED = CM_BASE + 51;
inline constexpr uint32_t CM_CONTROLCHANGE = CM_BASE + 52;  // wParam: the control, lParam: inserted
inline constexpr uint32_t CM_CHANGED = CM_BASE + 53;
inline constexpr uint32_t CM_BORDERCHANGED = CM_BASE + 55;
inline constexpr uint32_t CM_MOUSEWHEEL = CM_BASE + 57;     // parameters of WM_MOUSEWHEEL
inline constexpr uint32_t CM_ACTIONUPDATE = CM_BASE + 63;   // lParam: TBasicAction*
inline constexpr uint32_t CM_ACTIONEXECUTE = CM_BASE + 64;  // lParam: TBasicAction*
inline constexpr uint32_t CM_HINTSHOWPAUSE = CM_BASE + 65;  // wParam: was showing, lParam: int32_t* pause
inline constexpr uint32_t CM_PARENTBIDIMODECHANGED = CM_BASE + 67;
inline constexpr uint32_t CM_POPUPHWNDDESTROY = CM_BASE + 70;
inline constexpr uint32_t CM_CREATEPOPUP = CM_BASE + 71;
inline constexpr uint32_t CM_DESTROYHANDLE = CM_BASE + 72;
inline constexpr uint32_t CM_MOUSEACTIVATE = CM_BASE + 73;
inline constexpr uint32_t CM_CONTROLLISTCHANGING = CM_BASE + 74;
inline constexpr uint32_t CM_BUFFEREDPRINTCLIENT = CM_BASE + 75;
inline constexpr uint32_t CM_UNTHEMECONTROL = CM_BASE + 76;
inline constexpr uint32_t CM_LAST = CM_BASE + 0x3FF;  // framework messages stay below this

// ---- Reflected notifications -------------------------------------------------------
inline constexpr uint32_t CN_BASE = 0xBC00;
inline constexpr uint32_t CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
inline constexpr uint32_t CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr uint32_t CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
inline constexpr uint32_t CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
inline constexpr uint32_t CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
inline constexpr uint32_t CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
inline constexpr uint32_t CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
inline constexpr uint32_t CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
inline constexpr uint32_t CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
inline constexpr uint32_t CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
inline constexpr uint32_t CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
inline constexpr uint32_t CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
inline constexpr uint32_t CN_HSCROLL = CN_BASE + WM_HSCROLL;
inline constexpr uint32_t CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
inline constexpr uint32_t CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
inline constexpr uint32_t CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
inline constexpr uint32_t CN_VSCROLL = CN_BASE + WM_VSCROLL;
inline constexpr uint32_t CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr uint32_t CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr uint32_t CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr uint32_t CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr uint32_t CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
inline constexpr uint32_t CN_NOTIFY = CN_BASE + WM_NOTIFY;
static_assert(CM_LAST < CN_BASE, "framework and reflected ranges must not meet");

// ---- Dialog codes (answers to WM_GETDLGCODE) ----------------------------------------
inline constexpr LRESULT DLGC_WANTARROWS = 0x0001;
inline constexpr LRESULT DLGC_WANTTAB = 0x0002;
inline constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
inline constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
inline constexpr LRESULT DLGC_HASSETSEL = 0x0008;
inline constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
inline constexpr LRESULT DLGC_WANTCHARS = 0x0080;
inline constexpr LRESULT DLGC_STATIC = 0x0100;
inline constexpr LRESULT DLGC_BUTTON = 0x2000;

// ---- Notification records (the owner-draw records are in platform/gui/win_ownerdraw.h)
// lParam of WM_NOTIFY: every notification record starts with this header.
struct NMHDR {
  HWND hwndFrom = nullptr;
  uintptr_t idFrom = 0;
  uint32_t code = 0;
};

// ---- Shift state --------------------------------------------------------------------
enum class TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;
inline constexpr TShiftStateItem ssShift = TShiftStateItem::ssShift;
inline constexpr TShiftStateItem ssAlt = TShiftStateItem::ssAlt;
inline constexpr TShiftStateItem ssCtrl = TShiftStateItem::ssCtrl;
inline constexpr TShiftStateItem ssLeft = TShiftStateItem::ssLeft;
inline constexpr TShiftStateItem ssRight = TShiftStateItem::ssRight;
inline constexpr TShiftStateItem ssMiddle = TShiftStateItem::ssMiddle;
inline constexpr TShiftStateItem ssDouble = TShiftStateItem::ssDouble;

// MK_* bits of a mouse message's wParam as a shift state (Alt from the keyboard).
TShiftState KeysToShiftState(uint32_t Keys);
// Shift, Ctrl and Alt as of the message being handled; Alt also from bit 29
// of a key message's lParam.
TShiftState KeyDataToShiftState(int32_t KeyData);
// The modifier and button keys as they are down now (as of the last message).
TShiftState KeyboardStateToShiftState();

// ---- Typed views of TMessage ----------------------------------------------------------
// Each view copies the fields out of a TMessage and writes back what a handler
// may change with Store (the result, and for keys the key code).

// WM_MOUSEMOVE, WM_xBUTTONDOWN/UP/DBLCLK: wParam MK_* keys, lParam the
// client position as two signed 16-bit values.
struct TWMMouse {
  uint32_t Msg = 0;
  uint32_t Keys = 0;
  int16_t XPos = 0;
  int16_t YPos = 0;
  LRESULT Result = 0;

  TWMMouse() = default;
  explicit TWMMouse(const TMessage& M)
      : Msg(M.Msg),
        Keys(uint32_t(M.WParam)),
        XPos(int16_t(GET_X_LPARAM(M.LParam))),
        YPos(int16_t(GET_Y_LPARAM(M.LParam))),
        Result(M.Result) {}
  TPoint Pos() const { return TPoint{XPos, YPos}; }
  void Store(TMessage& M) const { M.Result = Result; }
};
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMMouseMove = TWMMouse;

// WM_KEYDOWN/UP, WM_CHAR, WM_SYSKEYDOWN/UP, WM_SYSCHAR and their CN_ and
// CM_DIALOGKEY/CM_DIALOGCHAR forms: wParam the key (or character), lParam the
// key data.
struct TWMKey {
  uint32_t Msg = 0;
  uint16_t CharCode = 0;
  int32_t KeyData = 0;
  LRESULT Result = 0;

  TWMKey() = default;
  explicit TWMKey(const TMessage& M)
      : Msg(M.Msg), CharCode(uint16_t(M.WParam)), KeyData(int32_t(M.LParam)), Result(M.Result) {}
  // Writes the key code and the result back.
  void Store(TMessage& M) const {
    M.WParam = CharCode;
    M.Result = Result;
  }
  TMessage ToMessage() const {
    TMessage M;
    M.Msg = Msg;
    M.WParam = CharCode;
    M.LParam = KeyData;
    M.Result = Result;
    return M;
  }
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;

// CM_MOUSEWHEEL: wParam low word the shift state bits (TShiftState::ToBits),
// high word the signed wheel delta; lParam the screen position.
struct TCMMouseWheel {
  uint32_t Msg = 0;
  TShiftState ShiftState;
  int16_t WheelDelta = 0;
  int16_t XPos = 0;
  int16_t YPos = 0;
  LRESULT Result = 0;

  TCMMouseWheel() = default;
  explicit TCMMouseWheel(const TMessage& M)
      : Msg(M.Msg),
        ShiftState(TShiftState::FromBits(LOWORD(M.WParam))),
        WheelDelta(int16_t(HIWORD(M.WParam))),
        XPos(int16_t(GET_X_LPARAM(M.LParam))),
        YPos(int16_t(GET_Y_LPARAM(M.LParam))),
        Result(M.Result) {}
  TPoint Pos() const { return TPoint{XPos, YPos}; }
  void Store(TMessage& M) const { M.Result = Result; }
};

// Builds a TMessage.
inline TMessage MakeMessage(uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0) {
  TMessage M;
  M.Msg = Msg;
  M.WParam = WParam;
  M.LParam = LParam;
  return M;
}

// Client points travel in lParam as two signed 16-bit values.
inline LPARAM PointToLParam(const TPoint& P) { return MAKELPARAM(P.X, P.Y); }
inline TPoint LParamToPoint(LPARAM L) { return TPoint{GET_X_LPARAM(L), GET_Y_LPARAM(L)}; }
