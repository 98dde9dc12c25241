// The window system: window classes and handles, the message queue, input
// routing, focus and activation, timers, cursors, monitors and metrics.
//
// One UI thread (the main thread) owns every window. Window functions must be
// called on it; PostMessage, PostThreadMessage and IsWindow work from any
// thread. Numeric values are those of the platform API this layer stands in
// for, so private message numbers of the program stay clear of ours.
//
// Coordinates: window rectangles are in screen coordinates; WINDOWPOS,
// WM_MOVE and NCCALCSIZE rectangles of child windows are in the parent's
// client coordinates (screen coordinates for top-level windows). Right and
// bottom edges are exclusive.
//
// Painting, the non-client frame, window scroll bars, the caret, the clipboard
// and drag and drop build on this layer and are declared in their own headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/gui/gdi.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"

// ---- Handles and basic types ------------------------------------------------------
struct HWND__;
struct HMENU__;
struct HINSTANCE__;
struct HMONITOR__;
using HWND = HWND__*;    // ids, never reused during a run
using HMENU = HMENU__*;  // for child windows: the control id
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HMONITOR = HMONITOR__*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;

using WNDPROC = LRESULT (*)(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// Called by DispatchMessage for a WM_TIMER whose lParam holds it; time is the tick count.
using TIMERPROC = void (*)(HWND hwnd, uint32_t msg, uintptr_t id, uint32_t time);
using WNDENUMPROC = bool (*)(HWND hwnd, LPARAM data);
using MONITORENUMPROC = bool (*)(HMONITOR monitor, HDC dc, TRect* rect, LPARAM data);

constexpr uint16_t LOWORD(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr uint32_t MAKELONG(uint16_t lo, uint16_t hi) { return uint32_t(lo) | (uint32_t(hi) << 16); }
// A packed coordinate pair as it travels in lParam: the low words of x and y
// (signed 16-bit values), sign-extended to LPARAM like the platform's.
constexpr LPARAM MAKELPARAM(int32_t lo, int32_t hi) {
  return static_cast<LPARAM>(static_cast<int32_t>(MAKELONG(uint16_t(lo), uint16_t(hi))));
}
constexpr WPARAM MAKEWPARAM(int32_t lo, int32_t hi) {
  return static_cast<WPARAM>(MAKELONG(uint16_t(lo), uint16_t(hi)));
}
constexpr LRESULT MAKELRESULT(int32_t lo, int32_t hi) { return MAKELPARAM(lo, hi); }
constexpr int32_t GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(LOWORD(uintptr_t(l))); }
constexpr int32_t GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>(HIWORD(uintptr_t(l))); }
constexpr int32_t GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<int16_t>(HIWORD(w)); }
constexpr uint16_t GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(w); }
// Resource ids passed where a name is expected (LoadCursor).
inline const char* MAKEINTRESOURCE(uint16_t id) { return reinterpret_cast<const char*>(static_cast<uintptr_t>(id)); }
inline bool IS_INTRESOURCE(const char* name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

// ---- Window messages -------------------------------------------------------------
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFOCUS = 0x0007;
inline constexpr uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t WM_ENABLE = 0x000A;
inline constexpr uint32_t WM_SETREDRAW = 0x000B;
inline constexpr uint32_t WM_SETTEXT = 0x000C;
inline constexpr uint32_t WM_GETTEXT = 0x000D;
inline constexpr uint32_t WM_GETTEXTLENGTH = 0x000E;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUERYENDSESSION = 0x0011;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_QUERYOPEN = 0x0013;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SYSCOLORCHANGE = 0x0015;
inline constexpr uint32_t WM_ENDSESSION = 0x0016;
inline constexpr uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr uint32_t WM_SETTINGCHANGE = 0x001A;
inline constexpr uint32_t WM_WININICHANGE = WM_SETTINGCHANGE;
inline constexpr uint32_t WM_DEVMODECHANGE = 0x001B;
inline constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
inline constexpr uint32_t WM_FONTCHANGE = 0x001D;
inline constexpr uint32_t WM_TIMECHANGE = 0x001E;
inline constexpr uint32_t WM_CANCELMODE = 0x001F;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_MOUSEACTIVATE = 0x0021;
inline constexpr uint32_t WM_CHILDACTIVATE = 0x0022;
inline constexpr uint32_t WM_QUEUESYNC = 0x0023;
inline constexpr uint32_t WM_GETMINMAXINFO = 0x0024;
inline constexpr uint32_t WM_PAINTICON = 0x0026;
inline constexpr uint32_t WM_ICONERASEBKGND = 0x0027;
inline constexpr uint32_t WM_NEXTDLGCTL = 0x0028;
inline constexpr uint32_t WM_DRAWITEM = 0x002B;
inline constexpr uint32_t WM_MEASUREITEM = 0x002C;
inline constexpr uint32_t WM_DELETEITEM = 0x002D;
inline constexpr uint32_t WM_VKEYTOITEM = 0x002E;
inline constexpr uint32_t WM_CHARTOITEM = 0x002F;
inline constexpr uint32_t WM_SETFONT = 0x0030;
inline constexpr uint32_t WM_GETFONT = 0x0031;
inline constexpr uint32_t WM_QUERYDRAGICON = 0x0037;
inline constexpr uint32_t WM_COMPAREITEM = 0x0039;
inline constexpr uint32_t WM_GETOBJECT = 0x003D;
inline constexpr uint32_t WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr uint32_t WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr uint32_t WM_COPYDATA = 0x004A;
inline constexpr uint32_t WM_NOTIFY = 0x004E;
inline constexpr uint32_t WM_INPUTLANGCHANGEREQUEST = 0x0050;
inline constexpr uint32_t WM_INPUTLANGCHANGE = 0x0051;
inline constexpr uint32_t WM_HELP = 0x0053;
inline constexpr uint32_t WM_USERCHANGED = 0x0054;
inline constexpr uint32_t WM_NOTIFYFORMAT = 0x0055;
inline constexpr uint32_t WM_CONTEXTMENU = 0x007B;
inline constexpr uint32_t WM_STYLECHANGING = 0x007C;
inline constexpr uint32_t WM_STYLECHANGED = 0x007D;
inline constexpr uint32_t WM_DISPLAYCHANGE = 0x007E;
inline constexpr uint32_t WM_GETICON = 0x007F;
inline constexpr uint32_t WM_SETICON = 0x0080;
inline constexpr uint32_t WM_NCCREATE = 0x0081;
inline constexpr uint32_t WM_NCDESTROY = 0x0082;
inline constexpr uint32_t WM_NCCALCSIZE = 0x0083;
inline constexpr uint32_t WM_NCHITTEST = 0x0084;
inline constexpr uint32_t WM_NCPAINT = 0x0085;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_GETDLGCODE = 0x0087;
inline constexpr uint32_t WM_SYNCPAINT = 0x0088;
inline constexpr uint32_t WM_NCMOUSEMOVE = 0x00A0;
inline constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr uint32_t WM_NCLBUTTONUP = 0x00A2;
inline constexpr uint32_t WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr uint32_t WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr uint32_t WM_NCRBUTTONUP = 0x00A5;
inline constexpr uint32_t WM_NCRBUTTONDBLCLK = 0x00A6;
inline constexpr uint32_t WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr uint32_t WM_NCMBUTTONUP = 0x00A8;
inline constexpr uint32_t WM_NCMBUTTONDBLCLK = 0x00A9;
inline constexpr uint32_t WM_KEYFIRST = 0x0100;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_DEADCHAR = 0x0103;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_SYSDEADCHAR = 0x0107;
inline constexpr uint32_t WM_UNICHAR = 0x0109;
inline constexpr uint32_t WM_KEYLAST = 0x0109;
inline constexpr uint32_t WM_INITDIALOG = 0x0110;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_HSCROLL = 0x0114;
inline constexpr uint32_t WM_VSCROLL = 0x0115;
inline constexpr uint32_t WM_INITMENU = 0x0116;
inline constexpr uint32_t WM_INITMENUPOPUP = 0x0117;
// Internal timers (caret blink, hover, scroll repeat) run at this priority;
// they never reach a window procedure.
inline constexpr uint32_t WM_SYSTIMER = 0x0118;
inline constexpr uint32_t WM_MENUSELECT = 0x011F;
inline constexpr uint32_t WM_MENUCHAR = 0x0120;
inline constexpr uint32_t WM_ENTERIDLE = 0x0121;
inline constexpr uint32_t WM_UNINITMENUPOPUP = 0x0125;
inline constexpr uint32_t WM_CHANGEUISTATE = 0x0127;
inline constexpr uint32_t WM_UPDATEUISTATE = 0x0128;
inline constexpr uint32_t WM_QUERYUISTATE = 0x0129;
inline constexpr uint32_t WM_CTLCOLORMSGBOX = 0x0132;
inline constexpr uint32_t WM_CTLCOLOREDIT = 0x0133;
inline constexpr uint32_t WM_CTLCOLORLISTBOX = 0x0134;
inline constexpr uint32_t WM_CTLCOLORBTN = 0x0135;
inline constexpr uint32_t WM_CTLCOLORDLG = 0x0136;
inline constexpr uint32_t WM_CTLCOLORSCROLLBAR = 0x0137;
inline constexpr uint32_t WM_CTLCOLORSTATIC = 0x0138;
inline constexpr uint32_t WM_MOUSEFIRST = 0x0200;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_MOUSEHWHEEL = 0x020E;
inline constexpr uint32_t WM_MOUSELAST = 0x020E;
inline constexpr uint32_t WM_PARENTNOTIFY = 0x0210;
inline constexpr uint32_t WM_ENTERMENULOOP = 0x0211;
inline constexpr uint32_t WM_EXITMENULOOP = 0x0212;
inline constexpr uint32_t WM_SIZING = 0x0214;
inline constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
inline constexpr uint32_t WM_MOVING = 0x0216;
inline constexpr uint32_t WM_ENTERSIZEMOVE = 0x0231;
inline constexpr uint32_t WM_EXITSIZEMOVE = 0x0232;
inline constexpr uint32_t WM_DROPFILES = 0x0233;
inline constexpr uint32_t WM_NCMOUSEHOVER = 0x02A0;
inline constexpr uint32_t WM_MOUSEHOVER = 0x02A1;
inline constexpr uint32_t WM_NCMOUSELEAVE = 0x02A2;
inline constexpr uint32_t WM_MOUSELEAVE = 0x02A3;
inline constexpr uint32_t WM_CUT = 0x0300;
inline constexpr uint32_t WM_COPY = 0x0301;
inline constexpr uint32_t WM_PASTE = 0x0302;
inline constexpr uint32_t WM_CLEAR = 0x0303;
inline constexpr uint32_t WM_UNDO = 0x0304;
inline constexpr uint32_t WM_RENDERFORMAT = 0x0305;
inline constexpr uint32_t WM_RENDERALLFORMATS = 0x0306;
inline constexpr uint32_t WM_DESTROYCLIPBOARD = 0x0307;
inline constexpr uint32_t WM_QUERYNEWPALETTE = 0x030F;
inline constexpr uint32_t WM_PALETTECHANGED = 0x0311;
inline constexpr uint32_t WM_HOTKEY = 0x0312;
inline constexpr uint32_t WM_PRINT = 0x0317;
inline constexpr uint32_t WM_PRINTCLIENT = 0x0318;
inline constexpr uint32_t WM_THEMECHANGED = 0x031A;
inline constexpr uint32_t WM_CLIPBOARDUPDATE = 0x031D;
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_APP = 0x8000;
// Numbers handed out by RegisterWindowMessage.
inline constexpr uint32_t WM_REGISTERED_FIRST = 0xC000;
inline constexpr uint32_t WM_REGISTERED_LAST = 0xFFFF;

// ---- Message parameters ----------------------------------------------------------
// WM_ACTIVATE
inline constexpr uint32_t WA_INACTIVE = 0;
inline constexpr uint32_t WA_ACTIVE = 1;
inline constexpr uint32_t WA_CLICKACTIVE = 2;
// WM_SIZE
inline constexpr uint32_t SIZE_RESTORED = 0;
inline constexpr uint32_t SIZE_MINIMIZED = 1;
inline constexpr uint32_t SIZE_MAXIMIZED = 2;
inline constexpr uint32_t SIZE_MAXSHOW = 3;
inline constexpr uint32_t SIZE_MAXHIDE = 4;
// WM_MOUSEACTIVATE answers
inline constexpr LRESULT MA_ACTIVATE = 1;
inline constexpr LRESULT MA_ACTIVATEANDEAT = 2;
inline constexpr LRESULT MA_NOACTIVATE = 3;
inline constexpr LRESULT MA_NOACTIVATEANDEAT = 4;
// WM_SHOWWINDOW lParam
inline constexpr LPARAM SW_PARENTCLOSING = 1;
inline constexpr LPARAM SW_OTHERZOOM = 2;
inline constexpr LPARAM SW_PARENTOPENING = 3;
inline constexpr LPARAM SW_OTHERUNZOOM = 4;

// WM_NCHITTEST answers. Codes a window invents pass through untouched.
inline constexpr LRESULT HTERROR = -2;
inline constexpr LRESULT HTTRANSPARENT = -1;
inline constexpr LRESULT HTNOWHERE = 0;
inline constexpr LRESULT HTCLIENT = 1;
inline constexpr LRESULT HTCAPTION = 2;
inline constexpr LRESULT HTSYSMENU = 3;
inline constexpr LRESULT HTGROWBOX = 4;
inline constexpr LRESULT HTSIZE = HTGROWBOX;
inline constexpr LRESULT HTMENU = 5;
inline constexpr LRESULT HTHSCROLL = 6;
inline constexpr LRESULT HTVSCROLL = 7;
inline constexpr LRESULT HTMINBUTTON = 8;
inline constexpr LRESULT HTREDUCE = HTMINBUTTON;
inline constexpr LRESULT HTMAXBUTTON = 9;
inline constexpr LRESULT HTZOOM = HTMAXBUTTON;
inline constexpr LRESULT HTLEFT = 10;
inline constexpr LRESULT HTRIGHT = 11;
inline constexpr LRESULT HTTOP = 12;
inline constexpr LRESULT HTTOPLEFT = 13;
inline constexpr LRESULT HTTOPRIGHT = 14;
inline constexpr LRESULT HTBOTTOM = 15;
inline constexpr LRESULT HTBOTTOMLEFT = 16;
inline constexpr LRESULT HTBOTTOMRIGHT = 17;
inline constexpr LRESULT HTBORDER = 18;
inline constexpr LRESULT HTOBJECT = 19;
inline constexpr LRESULT HTCLOSE = 20;
inline constexpr LRESULT HTHELP = 21;

// WM_SYSCOMMAND (the low four bits are used internally and masked off)
inline constexpr WPARAM SC_SIZE = 0xF000;
inline constexpr WPARAM SC_MOVE = 0xF010;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_NEXTWINDOW = 0xF040;
inline constexpr WPARAM SC_PREVWINDOW = 0xF050;
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_VSCROLL = 0xF070;
inline constexpr WPARAM SC_HSCROLL = 0xF080;
inline constexpr WPARAM SC_MOUSEMENU = 0xF090;
inline constexpr WPARAM SC_KEYMENU = 0xF100;
inline constexpr WPARAM SC_RESTORE = 0xF120;
inline constexpr WPARAM SC_TASKLIST = 0xF130;
inline constexpr WPARAM SC_DEFAULT = 0xF160;
inline constexpr WPARAM SC_CONTEXTHELP = 0xF180;

// Mouse key states in wParam of client mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr WPARAM MK_ALT = 0x0020;  // only in drag-and-drop key states
inline constexpr int32_t WHEEL_DELTA = 120;

// ---- Window styles -----------------------------------------------------------------
inline constexpr uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_SIZEBOX = WS_THICKFRAME;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr uint32_t WS_ICONIC = WS_MINIMIZE;
inline constexpr uint32_t WS_CHILDWINDOW = WS_CHILD;
inline constexpr uint32_t WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr uint32_t WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

inline constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr uint32_t WS_EX_NOPARENTNOTIFY = 0x00000004;
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr uint32_t WS_EX_ACCEPTFILES = 0x00000010;
inline constexpr uint32_t WS_EX_TRANSPARENT = 0x00000020;
inline constexpr uint32_t WS_EX_MDICHILD = 0x00000040;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr uint32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr uint32_t WS_EX_CONTEXTHELP = 0x00000400;
inline constexpr uint32_t WS_EX_RIGHT = 0x00001000;
inline constexpr uint32_t WS_EX_RTLREADING = 0x00002000;
inline constexpr uint32_t WS_EX_LEFTSCROLLBAR = 0x00004000;
inline constexpr uint32_t WS_EX_CONTROLPARENT = 0x00010000;
inline constexpr uint32_t WS_EX_STATICEDGE = 0x00020000;
inline constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;
inline constexpr uint32_t WS_EX_LAYERED = 0x00080000;
inline constexpr uint32_t WS_EX_NOINHERITLAYOUT = 0x00100000;
inline constexpr uint32_t WS_EX_LAYOUTRTL = 0x00400000;
inline constexpr uint32_t WS_EX_COMPOSITED = 0x02000000;
inline constexpr uint32_t WS_EX_NOACTIVATE = 0x08000000;
inline constexpr uint32_t WS_EX_OVERLAPPEDWINDOW = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;

// Class styles. CS_SAVEBITS and CS_DROPSHADOW are accepted and ignored.
inline constexpr uint32_t CS_VREDRAW = 0x0001;
inline constexpr uint32_t CS_HREDRAW = 0x0002;
inline constexpr uint32_t CS_DBLCLKS = 0x0008;
inline constexpr uint32_t CS_OWNDC = 0x0020;
inline constexpr uint32_t CS_CLASSDC = 0x0040;
inline constexpr uint32_t CS_PARENTDC = 0x0080;
inline constexpr uint32_t CS_NOCLOSE = 0x0200;
inline constexpr uint32_t CS_SAVEBITS = 0x0800;
inline constexpr uint32_t CS_BYTEALIGNCLIENT = 0x1000;
inline constexpr uint32_t CS_BYTEALIGNWINDOW = 0x2000;
inline constexpr uint32_t CS_GLOBALCLASS = 0x4000;
inline constexpr uint32_t CS_DROPSHADOW = 0x00020000;

// CreateWindowEx: "use the default" for x and width.
inline constexpr int32_t CW_USEDEFAULT = static_cast<int32_t>(0x80000000u);

// Special window handles.
inline const HWND HWND_DESKTOP = nullptr;
inline const HWND HWND_TOP = reinterpret_cast<HWND>(intptr_t(0));
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(intptr_t(1));
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(intptr_t(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(intptr_t(-2));
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(intptr_t(-3));
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(intptr_t(0xFFFF));

// Get/SetWindowLong
inline constexpr int32_t GWL_WNDPROC = -4;
inline constexpr int32_t GWL_HINSTANCE = -6;
inline constexpr int32_t GWL_HWNDPARENT = -8;
inline constexpr int32_t GWL_ID = -12;
inline constexpr int32_t GWL_STYLE = -16;
inline constexpr int32_t GWL_EXSTYLE = -20;
inline constexpr int32_t GWL_USERDATA = -21;
inline constexpr int32_t GWLP_WNDPROC = GWL_WNDPROC;
inline constexpr int32_t GWLP_HINSTANCE = GWL_HINSTANCE;
inline constexpr int32_t GWLP_HWNDPARENT = GWL_HWNDPARENT;
inline constexpr int32_t GWLP_ID = GWL_ID;
inline constexpr int32_t GWLP_USERDATA = GWL_USERDATA;

// Get/SetClassLong
inline constexpr int32_t GCL_MENUNAME = -8;
inline constexpr int32_t GCL_HBRBACKGROUND = -10;
inline constexpr int32_t GCL_HCURSOR = -12;
inline constexpr int32_t GCL_HICON = -14;
inline constexpr int32_t GCL_HMODULE = -16;
inline constexpr int32_t GCL_CBWNDEXTRA = -18;
inline constexpr int32_t GCL_CBCLSEXTRA = -20;
inline constexpr int32_t GCL_WNDPROC = -24;
inline constexpr int32_t GCL_STYLE = -26;
inline constexpr int32_t GCW_ATOM = -32;
inline constexpr int32_t GCL_HICONSM = -34;

// SetWindowPos
inline constexpr uint32_t SWP_NOSIZE = 0x0001;
inline constexpr uint32_t SWP_NOMOVE = 0x0002;
inline constexpr uint32_t SWP_NOZORDER = 0x0004;
inline constexpr uint32_t SWP_NOREDRAW = 0x0008;
inline constexpr uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr uint32_t SWP_FRAMECHANGED = 0x0020;
inline constexpr uint32_t SWP_DRAWFRAME = SWP_FRAMECHANGED;
inline constexpr uint32_t SWP_SHOWWINDOW = 0x0040;
inline constexpr uint32_t SWP_HIDEWINDOW = 0x0080;
inline constexpr uint32_t SWP_NOCOPYBITS = 0x0100;
inline constexpr uint32_t SWP_NOOWNERZORDER = 0x0200;
inline constexpr uint32_t SWP_NOREPOSITION = SWP_NOOWNERZORDER;
inline constexpr uint32_t SWP_NOSENDCHANGING = 0x0400;
// Added to the flags of WM_WINDOWPOSCHANGED when the client area kept its
// size or its origin; the default handler sends WM_SIZE / WM_MOVE otherwise.
inline constexpr uint32_t SWP_NOCLIENTSIZE = 0x0800;
inline constexpr uint32_t SWP_NOCLIENTMOVE = 0x1000;
inline constexpr uint32_t SWP_DEFERERASE = 0x2000;
inline constexpr uint32_t SWP_ASYNCWINDOWPOS = 0x4000;
// Added when the z-order changed (never passed by callers).
inline constexpr uint32_t SWP_STATECHANGED = 0x8000;

// ShowWindow
inline constexpr int32_t SW_HIDE = 0;
inline constexpr int32_t SW_SHOWNORMAL = 1;
inline constexpr int32_t SW_NORMAL = 1;
inline constexpr int32_t SW_SHOWMINIMIZED = 2;
inline constexpr int32_t SW_SHOWMAXIMIZED = 3;
inline constexpr int32_t SW_MAXIMIZE = 3;
inline constexpr int32_t SW_SHOWNOACTIVATE = 4;
inline constexpr int32_t SW_SHOW = 5;
inline constexpr int32_t SW_MINIMIZE = 6;
inline constexpr int32_t SW_SHOWMINNOACTIVE = 7;
inline constexpr int32_t SW_SHOWNA = 8;
inline constexpr int32_t SW_RESTORE = 9;
inline constexpr int32_t SW_SHOWDEFAULT = 10;
inline constexpr int32_t SW_FORCEMINIMIZE = 11;

// WINDOWPLACEMENT flags
inline constexpr uint32_t WPF_SETMINPOSITION = 0x0001;
inline constexpr uint32_t WPF_RESTORETOMAXIMIZED = 0x0002;
inline constexpr uint32_t WPF_ASYNCWINDOWPLACEMENT = 0x0004;

// GetWindow
inline constexpr uint32_t GW_HWNDFIRST = 0;
inline constexpr uint32_t GW_HWNDLAST = 1;
inline constexpr uint32_t GW_HWNDNEXT = 2;
inline constexpr uint32_t GW_HWNDPREV = 3;
inline constexpr uint32_t GW_OWNER = 4;
inline constexpr uint32_t GW_CHILD = 5;
inline constexpr uint32_t GW_ENABLEDPOPUP = 6;
// GetAncestor
inline constexpr uint32_t GA_PARENT = 1;
inline constexpr uint32_t GA_ROOT = 2;
inline constexpr uint32_t GA_ROOTOWNER = 3;
// ChildWindowFromPointEx
inline constexpr uint32_t CWP_ALL = 0;
inline constexpr uint32_t CWP_SKIPINVISIBLE = 1;
inline constexpr uint32_t CWP_SKIPDISABLED = 2;
inline constexpr uint32_t CWP_SKIPTRANSPARENT = 4;

// PeekMessage
inline constexpr uint32_t PM_NOREMOVE = 0;
inline constexpr uint32_t PM_REMOVE = 1;
inline constexpr uint32_t PM_NOYIELD = 2;

// TrackMouseEvent
inline constexpr uint32_t TME_HOVER = 0x00000001;
inline constexpr uint32_t TME_LEAVE = 0x00000002;
inline constexpr uint32_t TME_NONCLIENT = 0x00000010;
inline constexpr uint32_t TME_QUERY = 0x40000000;
inline constexpr uint32_t TME_CANCEL = 0x80000000;
inline constexpr uint32_t HOVER_DEFAULT = 0xFFFFFFFF;

// MessageBeep
inline constexpr uint32_t MB_OK = 0x00000000;
inline constexpr uint32_t MB_ICONHAND = 0x00000010;
inline constexpr uint32_t MB_ICONQUESTION = 0x00000020;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x00000030;
inline constexpr uint32_t MB_ICONASTERISK = 0x00000040;

// ---- Virtual keys ------------------------------------------------------------------
inline constexpr uint32_t VK_LBUTTON = 0x01;
inline constexpr uint32_t VK_RBUTTON = 0x02;
inline constexpr uint32_t VK_CANCEL = 0x03;
inline constexpr uint32_t VK_MBUTTON = 0x04;
inline constexpr uint32_t VK_BACK = 0x08;
inline constexpr uint32_t VK_TAB = 0x09;
inline constexpr uint32_t VK_CLEAR = 0x0C;
inline constexpr uint32_t VK_RETURN = 0x0D;
inline constexpr uint32_t VK_SHIFT = 0x10;
inline constexpr uint32_t VK_CONTROL = 0x11;
inline constexpr uint32_t VK_MENU = 0x12;
inline constexpr uint32_t VK_PAUSE = 0x13;
inline constexpr uint32_t VK_CAPITAL = 0x14;
inline constexpr uint32_t VK_ESCAPE = 0x1B;
inline constexpr uint32_t VK_SPACE = 0x20;
inline constexpr uint32_t VK_PRIOR = 0x21;
inline constexpr uint32_t VK_NEXT = 0x22;
inline constexpr uint32_t VK_END = 0x23;
inline constexpr uint32_t VK_HOME = 0x24;
inline constexpr uint32_t VK_LEFT = 0x25;
inline constexpr uint32_t VK_UP = 0x26;
inline constexpr uint32_t VK_RIGHT = 0x27;
inline constexpr uint32_t VK_DOWN = 0x28;
inline constexpr uint32_t VK_SELECT = 0x29;
inline constexpr uint32_t VK_PRINT = 0x2A;
inline constexpr uint32_t VK_SNAPSHOT = 0x2C;
inline constexpr uint32_t VK_INSERT = 0x2D;
inline constexpr uint32_t VK_DELETE = 0x2E;
inline constexpr uint32_t VK_HELP = 0x2F;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
inline constexpr uint32_t VK_LWIN = 0x5B;
inline constexpr uint32_t VK_RWIN = 0x5C;
inline constexpr uint32_t VK_APPS = 0x5D;
inline constexpr uint32_t VK_NUMPAD0 = 0x60;
inline constexpr uint32_t VK_NUMPAD1 = 0x61;
inline constexpr uint32_t VK_NUMPAD2 = 0x62;
inline constexpr uint32_t VK_NUMPAD3 = 0x63;
inline constexpr uint32_t VK_NUMPAD4 = 0x64;
inline constexpr uint32_t VK_NUMPAD5 = 0x65;
inline constexpr uint32_t VK_NUMPAD6 = 0x66;
inline constexpr uint32_t VK_NUMPAD7 = 0x67;
inline constexpr uint32_t VK_NUMPAD8 = 0x68;
inline constexpr uint32_t VK_NUMPAD9 = 0x69;
inline constexpr uint32_t VK_MULTIPLY = 0x6A;
inline constexpr uint32_t VK_ADD = 0x6B;
inline constexpr uint32_t VK_SEPARATOR = 0x6C;
inline constexpr uint32_t VK_SUBTRACT = 0x6D;
inline constexpr uint32_t VK_DECIMAL = 0x6E;
inline constexpr uint32_t VK_DIVIDE = 0x6F;
inline constexpr uint32_t VK_F1 = 0x70;
inline constexpr uint32_t VK_F2 = 0x71;
inline constexpr uint32_t VK_F3 = 0x72;
inline constexpr uint32_t VK_F4 = 0x73;
inline constexpr uint32_t VK_F5 = 0x74;
inline constexpr uint32_t VK_F6 = 0x75;
inline constexpr uint32_t VK_F7 = 0x76;
inline constexpr uint32_t VK_F8 = 0x77;
inline constexpr uint32_t VK_F9 = 0x78;
inline constexpr uint32_t VK_F10 = 0x79;
inline constexpr uint32_t VK_F11 = 0x7A;
inline constexpr uint32_t VK_F12 = 0x7B;
inline constexpr uint32_t VK_NUMLOCK = 0x90;
inline constexpr uint32_t VK_SCROLL = 0x91;
inline constexpr uint32_t VK_LSHIFT = 0xA0;
inline constexpr uint32_t VK_RSHIFT = 0xA1;
inline constexpr uint32_t VK_LCONTROL = 0xA2;
inline constexpr uint32_t VK_RCONTROL = 0xA3;
inline constexpr uint32_t VK_LMENU = 0xA4;
inline constexpr uint32_t VK_RMENU = 0xA5;
inline constexpr uint32_t VK_OEM_1 = 0xBA;       // ;:
inline constexpr uint32_t VK_OEM_PLUS = 0xBB;    // =+
inline constexpr uint32_t VK_OEM_COMMA = 0xBC;   // ,<
inline constexpr uint32_t VK_OEM_MINUS = 0xBD;   // -_
inline constexpr uint32_t VK_OEM_PERIOD = 0xBE;  // .>
inline constexpr uint32_t VK_OEM_2 = 0xBF;       // /?
inline constexpr uint32_t VK_OEM_3 = 0xC0;       // `~
inline constexpr uint32_t VK_OEM_4 = 0xDB;       // [{
inline constexpr uint32_t VK_OEM_5 = 0xDC;       // \|
inline constexpr uint32_t VK_OEM_6 = 0xDD;       // ]}
inline constexpr uint32_t VK_OEM_7 = 0xDE;       // '"
// A key carrying a character that no key of the layout types; TranslateMessage
// makes WM_CHAR of TMSG::lPrivate.
inline constexpr uint32_t VK_PACKET = 0xE7;

// Key message lParam bits (the low word is the repeat count).
inline constexpr uint32_t KF_EXTENDED = 0x0100;  // in the high word: bit 24 of lParam
inline constexpr uint32_t KF_ALTDOWN = 0x2000;   // bit 29
inline constexpr uint32_t KF_REPEAT = 0x4000;    // bit 30: the key was down before
inline constexpr uint32_t KF_UP = 0x8000;        // bit 31: released

// ---- Cursors -----------------------------------------------------------------------
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(uintptr_t(32512));
inline const char* const IDC_IBEAM = reinterpret_cast<const char*>(uintptr_t(32513));
inline const char* const IDC_WAIT = reinterpret_cast<const char*>(uintptr_t(32514));
inline const char* const IDC_CROSS = reinterpret_cast<const char*>(uintptr_t(32515));
inline const char* const IDC_UPARROW = reinterpret_cast<const char*>(uintptr_t(32516));
inline const char* const IDC_SIZENWSE = reinterpret_cast<const char*>(uintptr_t(32642));
inline const char* const IDC_SIZENESW = reinterpret_cast<const char*>(uintptr_t(32643));
inline const char* const IDC_SIZEWE = reinterpret_cast<const char*>(uintptr_t(32644));
inline const char* const IDC_SIZENS = reinterpret_cast<const char*>(uintptr_t(32645));
inline const char* const IDC_SIZEALL = reinterpret_cast<const char*>(uintptr_t(32646));
inline const char* const IDC_NO = reinterpret_cast<const char*>(uintptr_t(32648));
inline const char* const IDC_HAND = reinterpret_cast<const char*>(uintptr_t(32649));
inline const char* const IDC_APPSTARTING = reinterpret_cast<const char*>(uintptr_t(32650));
inline const char* const IDC_HELP = reinterpret_cast<const char*>(uintptr_t(32651));
// CopyImage: take the image again from its resource (cursors loaded by name).
inline constexpr uint32_t LR_COPYFROMRESOURCE = 0x4000;

// ---- Monitors and metrics ----------------------------------------------------------
inline constexpr uint32_t MONITOR_DEFAULTTONULL = 0;
inline constexpr uint32_t MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr uint32_t MONITOR_DEFAULTTONEAREST = 2;
inline constexpr uint32_t MONITORINFOF_PRIMARY = 1;

inline constexpr int32_t SM_CXSCREEN = 0;
inline constexpr int32_t SM_CYSCREEN = 1;
inline constexpr int32_t SM_CXVSCROLL = 2;
inline constexpr int32_t SM_CYHSCROLL = 3;
inline constexpr int32_t SM_CYCAPTION = 4;
inline constexpr int32_t SM_CXBORDER = 5;
inline constexpr int32_t SM_CYBORDER = 6;
inline constexpr int32_t SM_CXDLGFRAME = 7;
inline constexpr int32_t SM_CXFIXEDFRAME = SM_CXDLGFRAME;
inline constexpr int32_t SM_CYDLGFRAME = 8;
inline constexpr int32_t SM_CYFIXEDFRAME = SM_CYDLGFRAME;
inline constexpr int32_t SM_CYVTHUMB = 9;
inline constexpr int32_t SM_CXHTHUMB = 10;
inline constexpr int32_t SM_CXICON = 11;
inline constexpr int32_t SM_CYICON = 12;
inline constexpr int32_t SM_CXCURSOR = 13;
inline constexpr int32_t SM_CYCURSOR = 14;
inline constexpr int32_t SM_CYMENU = 15;
inline constexpr int32_t SM_CXFULLSCREEN = 16;
inline constexpr int32_t SM_CYFULLSCREEN = 17;
inline constexpr int32_t SM_CYKANJIWINDOW = 18;
inline constexpr int32_t SM_MOUSEPRESENT = 19;
inline constexpr int32_t SM_CYVSCROLL = 20;
inline constexpr int32_t SM_CXHSCROLL = 21;
inline constexpr int32_t SM_DEBUG = 22;
inline constexpr int32_t SM_SWAPBUTTON = 23;
inline constexpr int32_t SM_CXMIN = 28;
inline constexpr int32_t SM_CYMIN = 29;
inline constexpr int32_t SM_CXSIZE = 30;
inline constexpr int32_t SM_CYSIZE = 31;
inline constexpr int32_t SM_CXFRAME = 32;
inline constexpr int32_t SM_CXSIZEFRAME = SM_CXFRAME;
inline constexpr int32_t SM_CYFRAME = 33;
inline constexpr int32_t SM_CYSIZEFRAME = SM_CYFRAME;
inline constexpr int32_t SM_CXMINTRACK = 34;
inline constexpr int32_t SM_CYMINTRACK = 35;
inline constexpr int32_t SM_CXDOUBLECLK = 36;
inline constexpr int32_t SM_CYDOUBLECLK = 37;
inline constexpr int32_t SM_CXICONSPACING = 38;
inline constexpr int32_t SM_CYICONSPACING = 39;
inline constexpr int32_t SM_MENUDROPALIGNMENT = 40;
inline constexpr int32_t SM_CMOUSEBUTTONS = 43;
inline constexpr int32_t SM_SECURE = 44;
inline constexpr int32_t SM_CXEDGE = 45;
inline constexpr int32_t SM_CYEDGE = 46;
inline constexpr int32_t SM_CXMINSPACING = 47;
inline constexpr int32_t SM_CYMINSPACING = 48;
inline constexpr int32_t SM_CXSMICON = 49;
inline constexpr int32_t SM_CYSMICON = 50;
inline constexpr int32_t SM_CYSMCAPTION = 51;
inline constexpr int32_t SM_CXSMSIZE = 52;
inline constexpr int32_t SM_CYSMSIZE = 53;
inline constexpr int32_t SM_CXMENUSIZE = 54;
inline constexpr int32_t SM_CYMENUSIZE = 55;
inline constexpr int32_t SM_ARRANGE = 56;
inline constexpr int32_t SM_CXMINIMIZED = 57;
inline constexpr int32_t SM_CYMINIMIZED = 58;
inline constexpr int32_t SM_CXMAXTRACK = 59;
inline constexpr int32_t SM_CYMAXTRACK = 60;
inline constexpr int32_t SM_CXMAXIMIZED = 61;
inline constexpr int32_t SM_CYMAXIMIZED = 62;
inline constexpr int32_t SM_NETWORK = 63;
inline constexpr int32_t SM_CLEANBOOT = 67;
inline constexpr int32_t SM_CXDRAG = 68;
inline constexpr int32_t SM_CYDRAG = 69;
inline constexpr int32_t SM_SHOWSOUNDS = 70;
inline constexpr int32_t SM_CXMENUCHECK = 71;
inline constexpr int32_t SM_CYMENUCHECK = 72;
inline constexpr int32_t SM_SLOWMACHINE = 73;
inline constexpr int32_t SM_MIDEASTENABLED = 74;
inline constexpr int32_t SM_MOUSEWHEELPRESENT = 75;
inline constexpr int32_t SM_XVIRTUALSCREEN = 76;
inline constexpr int32_t SM_YVIRTUALSCREEN = 77;
inline constexpr int32_t SM_CXVIRTUALSCREEN = 78;
inline constexpr int32_t SM_CYVIRTUALSCREEN = 79;
inline constexpr int32_t SM_CMONITORS = 80;
inline constexpr int32_t SM_SAMEDISPLAYFORMAT = 81;
inline constexpr int32_t SM_CXFOCUSBORDER = 83;
inline constexpr int32_t SM_CYFOCUSBORDER = 84;
inline constexpr int32_t SM_REMOTESESSION = 0x1000;

inline constexpr uint32_t SPI_GETBEEP = 0x0001;
inline constexpr uint32_t SPI_GETKEYBOARDDELAY = 0x0016;
inline constexpr uint32_t SPI_GETICONTITLELOGFONT = 0x001F;
inline constexpr uint32_t SPI_GETDRAGFULLWINDOWS = 0x0026;
inline constexpr uint32_t SPI_GETNONCLIENTMETRICS = 0x0029;
inline constexpr uint32_t SPI_GETWORKAREA = 0x0030;
inline constexpr uint32_t SPI_GETKEYBOARDSPEED = 0x000A;
inline constexpr uint32_t SPI_GETMOUSEHOVERWIDTH = 0x0062;
inline constexpr uint32_t SPI_GETMOUSEHOVERHEIGHT = 0x0064;
inline constexpr uint32_t SPI_GETMOUSEHOVERTIME = 0x0066;
inline constexpr uint32_t SPI_GETWHEELSCROLLLINES = 0x0068;
inline constexpr uint32_t SPI_GETMENUSHOWDELAY = 0x006A;
inline constexpr uint32_t SPI_GETFOREGROUNDLOCKTIMEOUT = 0x2000;
inline constexpr uint32_t SPI_SETFOREGROUNDLOCKTIMEOUT = 0x2001;
inline constexpr uint32_t SPIF_UPDATEINIFILE = 0x0001;
inline constexpr uint32_t SPIF_SENDCHANGE = 0x0002;

// ---- Structures ----------------------------------------------------------------------

struct TMSG {
  HWND hwnd = nullptr;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint32_t time = 0;      // tick count when the message was posted or the input happened
  TPoint pt;              // pointer position in screen coordinates at that time
  uint32_t lPrivate = 0;  // the character of a VK_PACKET key message
};
using MSG = TMSG;

// The framework's message record; AllocateHWnd's method receives it.
struct TMessage {
  uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& Message)>;

struct WNDCLASS {
  uint32_t style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int32_t cbClsExtra = 0;
  int32_t cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;  // a brush, or (COLOR_* + 1) cast to HBRUSH
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

struct WNDCLASSEX {
  uint32_t cbSize = sizeof(WNDCLASSEX);
  uint32_t style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int32_t cbClsExtra = 0;
  int32_t cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

// lParam of WM_NCCREATE and WM_CREATE. Coordinates as given to CreateWindowEx
// (CW_USEDEFAULT resolved).
struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int32_t cy = 0;
  int32_t cx = 0;
  int32_t y = 0;
  int32_t x = 0;
  uint32_t style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  uint32_t dwExStyle = 0;
};

// lParam of WM_WINDOWPOSCHANGING (editable) and WM_WINDOWPOSCHANGED.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int32_t x = 0;
  int32_t y = 0;
  int32_t cx = 0;
  int32_t cy = 0;
  uint32_t flags = 0;
};

// lParam of WM_NCCALCSIZE with wParam TRUE: rgrc[0] holds the proposed window
// rectangle and receives the client rectangle; rgrc[1] is the old window
// rectangle and rgrc[2] the old client rectangle.
struct NCCALCSIZE_PARAMS {
  TRect rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

// rcNormalPosition is in workspace coordinates (relative to the work area of
// the window's monitor) for top-level windows that are not tool windows.
struct WINDOWPLACEMENT {
  uint32_t length = sizeof(WINDOWPLACEMENT);
  uint32_t flags = 0;
  uint32_t showCmd = 0;
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;
};

// lParam of WM_STYLECHANGING / WM_STYLECHANGED (wParam GWL_STYLE or GWL_EXSTYLE).
struct STYLESTRUCT {
  uint32_t styleOld = 0;
  uint32_t styleNew = 0;
};

struct TRACKMOUSEEVENT {
  uint32_t cbSize = sizeof(TRACKMOUSEEVENT);
  uint32_t dwFlags = 0;
  HWND hwndTrack = nullptr;
  uint32_t dwHoverTime = HOVER_DEFAULT;
};

struct MONITORINFO {
  uint32_t cbSize = 40;
  TRect rcMonitor;
  TRect rcWork;
  uint32_t dwFlags = 0;
};
struct MONITORINFOEX : MONITORINFO {
  MONITORINFOEX() { cbSize = 72; }
  char szDevice[32] = {};
};
static_assert(sizeof(MONITORINFO) == 40);
static_assert(sizeof(MONITORINFOEX) == 72);

struct NONCLIENTMETRICS {
  uint32_t cbSize = 0;
  int32_t iBorderWidth = 0;
  int32_t iScrollWidth = 0;
  int32_t iScrollHeight = 0;
  int32_t iCaptionWidth = 0;
  int32_t iCaptionHeight = 0;
  LOGFONT lfCaptionFont;
  int32_t iSmCaptionWidth = 0;
  int32_t iSmCaptionHeight = 0;
  LOGFONT lfSmCaptionFont;
  int32_t iMenuWidth = 0;
  int32_t iMenuHeight = 0;
  LOGFONT lfMenuFont;
  LOGFONT lfStatusFont;
  LOGFONT lfMessageFont;
  int32_t iPaddedBorderWidth = 0;
};

// ================================================================================
// Window classes
// ================================================================================

// Answers the class atom (0xC000 and up), 0 when a class of that name
// (compared ignoring ASCII case) exists or the description is incomplete.
ATOM RegisterClass(const WNDCLASS& wc);
ATOM RegisterClassEx(const WNDCLASSEX& wc);
// Fails while windows of the class exist.
bool UnregisterClass(const char* className, HINSTANCE instance);
bool GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* wc);
bool GetClassInfoEx(HINSTANCE instance, const char* className, WNDCLASSEX* wc);
// Copies the class name with a NUL (truncated to size - 1) and answers its length.
int32_t GetClassName(HWND hwnd, char* buffer, int32_t size);
String GetClassNameString(HWND hwnd);
intptr_t GetClassLong(HWND hwnd, int32_t index);
intptr_t SetClassLong(HWND hwnd, int32_t index, intptr_t value);
inline intptr_t GetClassLongPtr(HWND hwnd, int32_t index) { return GetClassLong(hwnd, index); }
inline intptr_t SetClassLongPtr(HWND hwnd, int32_t index, intptr_t value) { return SetClassLong(hwnd, index, value); }

// ================================================================================
// Windows
// ================================================================================

// Sends WM_GETMINMAXINFO (top-level windows; a WS_THICKFRAME window's size is
// kept within its track sizes), WM_NCCREATE, WM_NCCALCSIZE and WM_CREATE,
// WM_PARENTNOTIFY(WM_CREATE) up the parents of a child window, then shows the
// window when WS_VISIBLE was given (SW_SHOWMAXIMIZED / SW_SHOWMINIMIZED with
// WS_MAXIMIZE / WS_MINIMIZE). WM_SIZE and WM_MOVE come with the first show.
// Answers 0 when the class is unknown, the parent is invalid, WM_NCCREATE
// answers FALSE or WM_CREATE -1. A parent of HWND_MESSAGE makes a
// message-only window; another window as the parent of a non-child window
// makes its top-level window the owner. Top-level windows get
// WS_CLIPSIBLINGS, overlapped ones WS_CAPTION; new top-level windows go on
// top, new children below their siblings (creation order is z-order). For a
// child window `menu` is the control id (GWL_ID).
HWND CreateWindowEx(uint32_t exStyle, const char* className, const char* windowName, uint32_t style, int32_t x,
                    int32_t y, int32_t width, int32_t height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
inline HWND CreateWindow(const char* className, const char* windowName, uint32_t style, int32_t x, int32_t y,
                         int32_t width, int32_t height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
// Hides the window, hands on focus, capture and activation, destroys its
// owned windows, sends WM_DESTROY (parent first) and WM_NCDESTROY (children
// first), kills its timers and purges its posted messages. Called while the
// window or one of its descendants is handling a message, the destruction is
// carried out when that dispatch returns; until then the window stays valid.
bool DestroyWindow(HWND hwnd);
// Safe from any thread.
bool IsWindow(HWND hwnd);
bool IsWindowVisible(HWND hwnd);  // the window and all its ancestors
bool IsWindowEnabled(HWND hwnd);
// Sends WM_CANCELMODE (when disabling) and WM_ENABLE; answers whether the
// window was disabled before.
bool EnableWindow(HWND hwnd, bool enable);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);
bool IsChild(HWND parent, HWND hwnd);

intptr_t GetWindowLong(HWND hwnd, int32_t index);
// GWL_STYLE and GWL_EXSTYLE send WM_STYLECHANGING/WM_STYLECHANGED; nothing
// else happens until SetWindowPos(SWP_FRAMECHANGED). GWL_HWNDPARENT sets the
// owner of a top-level window. Offsets 0 and up address the window's extra
// bytes (pointer-sized values).
intptr_t SetWindowLong(HWND hwnd, int32_t index, intptr_t value);
inline intptr_t GetWindowLongPtr(HWND hwnd, int32_t index) { return GetWindowLong(hwnd, index); }
inline intptr_t SetWindowLongPtr(HWND hwnd, int32_t index, intptr_t value) { return SetWindowLong(hwnd, index, value); }
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);

// WM_WINDOWPOSCHANGING (editable), WM_NCCALCSIZE when the size or the frame
// changes, then WM_WINDOWPOSCHANGED, whose default sends WM_MOVE and WM_SIZE.
// Without SWP_NOACTIVATE a visible top-level window is activated.
bool SetWindowPos(HWND hwnd, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags);
bool MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);
bool BringWindowToTop(HWND hwnd);
// Answers whether the window was visible before.
bool ShowWindow(HWND hwnd, int32_t cmd);
bool GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
bool SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);

HWND GetDesktopWindow();
// The parent of a child window, the owner of a WS_POPUP window, else 0.
HWND GetParent(HWND hwnd);
// Answers the old parent; 0 as the new parent makes a top-level window,
// HWND_MESSAGE a message-only one. The window keeps its position relative to
// its parent's client area.
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND hwnd, uint32_t cmd);
HWND GetTopWindow(HWND hwnd);  // first child in z-order; 0: first top-level window
HWND GetAncestor(HWND hwnd, uint32_t flags);
// Top-level windows in z-order (not message-only ones), hidden ones included.
bool EnumWindows(WNDENUMPROC proc, LPARAM data);
// Every descendant, depth first in z-order.
bool EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM data);
bool EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM data);
// Class and title compared ignoring case; nullptr matches anything.
HWND FindWindow(const char* className, const char* windowName);
// Children of parent (0: top-level windows, HWND_MESSAGE: message-only
// windows) after childAfter.
HWND FindWindowEx(HWND parent, HWND childAfter, const char* className, const char* windowName);
// The deepest visible, enabled window under the point, asking WM_NCHITTEST on
// the way: HTTRANSPARENT passes the point to the window below; a window region
// that leaves the point out does too.
HWND WindowFromPoint(TPoint pt);
// The child of parent at the point (parent client coordinates), parent itself
// when no child is there, 0 when the point is outside parent.
HWND ChildWindowFromPoint(HWND parent, TPoint pt);
HWND ChildWindowFromPointEx(HWND parent, TPoint pt, uint32_t flags);

bool GetWindowRect(HWND hwnd, TRect* rect);
bool GetClientRect(HWND hwnd, TRect* rect);
bool ClientToScreen(HWND hwnd, TPoint* pt);
bool ScreenToClient(HWND hwnd, TPoint* pt);
// from/to 0 are screen coordinates. Answers dx in the low word and dy in the
// high word; rectangles are passed as two points.
int32_t MapWindowPoints(HWND from, HWND to, TPoint* points, uint32_t count);
int32_t MapWindowPoints(HWND from, HWND to, TRect* rect);

// UTF-8. Through WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH.
bool SetWindowText(HWND hwnd, const char* text);
// Copies at most size - 1 bytes (never a partial UTF-8 sequence) and a NUL;
// answers the bytes copied.
int32_t GetWindowText(HWND hwnd, char* buffer, int32_t size);
int32_t GetWindowTextLength(HWND hwnd);
String GetWindowTextString(HWND hwnd);

uint32_t GetWindowThreadProcessId(HWND hwnd, uint32_t* processId);
// One UI thread: succeeds without doing anything.
bool AttachThreadInput(uint32_t idAttach, uint32_t idAttachTo, bool attach);

// A message-only window whose messages go to method (which calls
// DefWindowProc itself for what it does not handle, through Result).
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND hwnd);

// ================================================================================
// Messages and the queue
// ================================================================================

// Any thread. Fails for an invalid window. HWND_BROADCAST posts to every
// top-level window.
bool PostMessage(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// Only the main thread has a queue.
bool PostThreadMessage(uint32_t threadId, uint32_t msg, WPARAM wParam, LPARAM lParam);
// WM_QUIT is retrieved once the posted messages before it are gone.
void PostQuitMessage(int32_t exitCode);
// Synchronous and re-entrant. Main thread only. 0 for an invalid window.
LRESULT SendMessage(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// Answers 0 for WM_QUIT, -1 for an invalid filter window, else 1. Waits when
// nothing can be retrieved (see the backend for what waiting means).
int32_t GetMessage(TMSG* msg, HWND hwnd, uint32_t filterMin, uint32_t filterMax);
// Order: posted messages, WM_QUIT, input, WM_PAINT (parents before
// children), WM_TIMER. hwnd (HWND)-1 selects thread messages only.
bool PeekMessage(TMSG* msg, HWND hwnd, uint32_t filterMin, uint32_t filterMax, uint32_t remove);
// Returns when something can be retrieved.
bool WaitMessage();
// Posts WM_CHAR / WM_SYSCHAR for key-downs that type a character (to be
// retrieved next); answers true for every key message.
bool TranslateMessage(const TMSG* msg);
// Calls the window procedure (or the TIMERPROC of a WM_TIMER).
LRESULT DispatchMessage(const TMSG* msg);
// Screen position and time of the last message retrieved.
uint32_t GetMessagePos();  // x | y << 16
uint32_t GetMessageTime();
// 0xC000..0xFFFF; equal names (ignoring case) give equal numbers.
uint32_t RegisterWindowMessage(const char* name);

// ================================================================================
// Input
// ================================================================================

// Answers the previous capture; the loser gets WM_CAPTURECHANGED.
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

bool TrackMouseEvent(TRACKMOUSEEVENT* tme);
bool GetCursorPos(TPoint* pt);
// Moves the pointer; a WM_MOUSEMOVE follows as if the user had moved it.
bool SetCursorPos(int32_t x, int32_t y);

// As of the message last retrieved: bit 15 down, bit 0 toggled.
int16_t GetKeyState(int32_t vk);
// As of now (the input injected so far).
int16_t GetAsyncKeyState(int32_t vk);
bool GetKeyboardState(uint8_t* state256);
bool SetKeyboardState(const uint8_t* state256);

// Focus and activation. SetFocus activates the window's top-level window
// first; disabled windows get no focus. Answers the previous focus window.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
bool SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

uint32_t GetDoubleClickTime();    // 500 ms
bool MessageBeep(uint32_t type);  // recorded (see the backend), silent

// ================================================================================
// Timers
// ================================================================================

// Same window and id replace the timer. Intervals under 10 ms become 10. A
// window of 0 makes a thread timer with a new id (answered).
uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs, TIMERPROC proc);
bool KillTimer(HWND hwnd, uintptr_t id);
inline constexpr uint32_t USER_TIMER_MINIMUM = 10;
inline constexpr uint32_t USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// ================================================================================
// Cursors
// ================================================================================

// instance 0 and an IDC_* id: the system cursor. Otherwise a name: the
// embedded resource of that name (or with ".cur" added) read as a cursor
// file; 0 when there is none.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
// Monochrome planes: the AND mask and the XOR image, rows padded to 16 bits.
HCURSOR CreateCursor(HINSTANCE instance, int32_t xHotSpot, int32_t yHotSpot, int32_t width, int32_t height,
                     const void* andPlane, const void* xorPlane);
bool DestroyCursor(HCURSOR cursor);
// Answers the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// The display counter; the cursor shows while it is >= 0.
int32_t ShowCursor(bool show);

// ================================================================================
// Monitors and metrics
// ================================================================================

bool EnumDisplayMonitors(HDC dc, const TRect* clip, MONITORENUMPROC proc, LPARAM data);
HMONITOR MonitorFromPoint(TPoint pt, uint32_t flags);
HMONITOR MonitorFromRect(const TRect* rect, uint32_t flags);
HMONITOR MonitorFromWindow(HWND hwnd, uint32_t flags);
// cbSize 40 (MONITORINFO) or 72 (MONITORINFOEX, adds the device name).
bool GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);
int32_t GetSystemMetrics(int32_t index);
bool SystemParametersInfo(uint32_t action, uint32_t uiParam, void* pvParam, uint32_t winIni);
