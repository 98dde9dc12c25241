// The native standard window classes: their styles, messages and
// notifications. Each class keeps its state in its own window and tells its
// parent about changes by WM_COMMAND (notification code in the high word of
// wParam, control id in the low word, the window in lParam).
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"

// Registers the native classes ("Button", ...) once per process.
void RegisterStdControlClasses();

// ---- "Button" --------------------------------------------------------------------------
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr uint32_t BS_CHECKBOX = 0x0002;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr uint32_t BS_3STATE = 0x0005;
inline constexpr uint32_t BS_AUTO3STATE = 0x0006;
inline constexpr uint32_t BS_GROUPBOX = 0x0007;
inline constexpr uint32_t BS_AUTORADIOBUTTON = 0x0009;
inline constexpr uint32_t BS_OWNERDRAW = 0x000B;
inline constexpr uint32_t BS_TYPEMASK = 0x000F;
inline constexpr uint32_t BS_LEFTTEXT = 0x0020;
inline constexpr uint32_t BS_MULTILINE = 0x2000;

inline constexpr uint32_t BM_GETCHECK = 0x00F0;
inline constexpr uint32_t BM_SETCHECK = 0x00F1;
inline constexpr uint32_t BM_GETSTATE = 0x00F2;
inline constexpr uint32_t BM_SETSTATE = 0x00F3;
inline constexpr uint32_t BM_SETSTYLE = 0x00F4;  // wParam style, lParam redraw
inline constexpr uint32_t BM_CLICK = 0x00F5;

inline constexpr uint32_t BST_UNCHECKED = 0x0000;
inline constexpr uint32_t BST_CHECKED = 0x0001;
inline constexpr uint32_t BST_INDETERMINATE = 0x0002;
inline constexpr uint32_t BST_PUSHED = 0x0004;
inline constexpr uint32_t BST_FOCUS = 0x0008;

inline constexpr uint32_t BN_CLICKED = 0;
inline constexpr uint32_t BN_DOUBLECLICKED = 5;

// ---- "Static" --------------------------------------------------------------------------
inline constexpr uint32_t SS_LEFT = 0x0000;
inline constexpr uint32_t SS_CENTER = 0x0001;
inline constexpr uint32_t SS_RIGHT = 0x0002;
inline constexpr uint32_t SS_TYPEMASK = 0x001F;
inline constexpr uint32_t SS_NOPREFIX = 0x0080;
inline constexpr uint32_t SS_NOTIFY = 0x0100;
inline constexpr uint32_t SS_SUNKEN = 0x1000;

inline constexpr uint32_t STN_CLICKED = 0;
inline constexpr uint32_t STN_DBLCLK = 1;

// ---- "Edit" ----------------------------------------------------------------------------
// Positions are byte offsets into the UTF-8 text, always on character starts.
inline constexpr uint32_t ES_LEFT = 0x0000;
inline constexpr uint32_t ES_CENTER = 0x0001;
inline constexpr uint32_t ES_RIGHT = 0x0002;
inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_UPPERCASE = 0x0008;
inline constexpr uint32_t ES_LOWERCASE = 0x0010;
inline constexpr uint32_t ES_PASSWORD = 0x0020;
inline constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t ES_NOHIDESEL = 0x0100;
inline constexpr uint32_t ES_READONLY = 0x0800;
inline constexpr uint32_t ES_WANTRETURN = 0x1000;
inline constexpr uint32_t ES_NUMBER = 0x2000;

inline constexpr uint32_t EM_GETSEL = 0x00B0;      // wParam/lParam: int32_t* start/end; answers MAKELONG
inline constexpr uint32_t EM_SETSEL = 0x00B1;      // (0, -1) all; start -1 none
inline constexpr uint32_t EM_GETRECT = 0x00B2;     // lParam TRect*
inline constexpr uint32_t EM_SETRECT = 0x00B3;     // lParam TRect* (nullptr: the default)
inline constexpr uint32_t EM_SETRECTNP = 0x00B4;   // as EM_SETRECT without repainting
inline constexpr uint32_t EM_SCROLL = 0x00B5;      // wParam SB_LINEUP ...
inline constexpr uint32_t EM_LINESCROLL = 0x00B6;  // wParam columns, lParam lines
inline constexpr uint32_t EM_SCROLLCARET = 0x00B7;
inline constexpr uint32_t EM_GETMODIFY = 0x00B8;
inline constexpr uint32_t EM_SETMODIFY = 0x00B9;
inline constexpr uint32_t EM_GETLINECOUNT = 0x00BA;
inline constexpr uint32_t EM_LINEINDEX = 0x00BB;  // wParam line (-1: the caret's)
inline constexpr uint32_t EM_GETHANDLE = 0x00BD;
inline constexpr uint32_t EM_GETTHUMB = 0x00BE;
inline constexpr uint32_t EM_LINELENGTH = 0x00C1;  // wParam a position (-1: the selected lines' rest)
inline constexpr uint32_t EM_REPLACESEL = 0x00C2;  // wParam can undo, lParam const char*
inline constexpr uint32_t EM_GETLINE = 0x00C4;     // wParam line, lParam buffer (first word: its size)
inline constexpr uint32_t EM_LIMITTEXT = 0x00C5;   // wParam bytes (0: the maximum)
inline constexpr uint32_t EM_SETLIMITTEXT = EM_LIMITTEXT;
inline constexpr uint32_t EM_CANUNDO = 0x00C6;
inline constexpr uint32_t EM_UNDO = 0x00C7;
inline constexpr uint32_t EM_FMTLINES = 0x00C8;
inline constexpr uint32_t EM_LINEFROMCHAR = 0x00C9;  // wParam position (-1: the caret's line)
inline constexpr uint32_t EM_SETTABSTOPS = 0x00CB;
inline constexpr uint32_t EM_SETPASSWORDCHAR = 0x00CC;
inline constexpr uint32_t EM_EMPTYUNDOBUFFER = 0x00CD;
inline constexpr uint32_t EM_GETFIRSTVISIBLELINE = 0x00CE;
inline constexpr uint32_t EM_SETREADONLY = 0x00CF;
inline constexpr uint32_t EM_SETWORDBREAKPROC = 0x00D0;
inline constexpr uint32_t EM_GETWORDBREAKPROC = 0x00D1;
inline constexpr uint32_t EM_GETPASSWORDCHAR = 0x00D2;
inline constexpr uint32_t EM_SETMARGINS = 0x00D3;  // wParam EC_*, lParam MAKELONG(left, right)
inline constexpr uint32_t EM_GETMARGINS = 0x00D4;
inline constexpr uint32_t EM_GETLIMITTEXT = 0x00D5;
inline constexpr uint32_t EM_POSFROMCHAR = 0x00D6;  // answers MAKELONG(x, y) in client coordinates
inline constexpr uint32_t EM_CHARFROMPOS = 0x00D7;  // lParam point; answers MAKELONG(position, line)

inline constexpr uint32_t EC_LEFTMARGIN = 1;
inline constexpr uint32_t EC_RIGHTMARGIN = 2;

inline constexpr uint32_t EN_SETFOCUS = 0x0100;
inline constexpr uint32_t EN_KILLFOCUS = 0x0200;
inline constexpr uint32_t EN_CHANGE = 0x0300;
inline constexpr uint32_t EN_UPDATE = 0x0400;
inline constexpr uint32_t EN_MAXTEXT = 0x0501;

// ---- "ListBox" -------------------------------------------------------------------------
inline constexpr uint32_t LBS_NOTIFY = 0x0001;
inline constexpr uint32_t LBS_SORT = 0x0002;
inline constexpr uint32_t LBS_NOREDRAW = 0x0004;
inline constexpr uint32_t LBS_MULTIPLESEL = 0x0008;
inline constexpr uint32_t LBS_OWNERDRAWFIXED = 0x0010;
inline constexpr uint32_t LBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr uint32_t LBS_HASSTRINGS = 0x0040;
inline constexpr uint32_t LBS_USETABSTOPS = 0x0080;
inline constexpr uint32_t LBS_NOINTEGRALHEIGHT = 0x0100;
inline constexpr uint32_t LBS_MULTICOLUMN = 0x0200;
inline constexpr uint32_t LBS_WANTKEYBOARDINPUT = 0x0400;
inline constexpr uint32_t LBS_EXTENDEDSEL = 0x0800;

inline constexpr uint32_t LB_ADDSTRING = 0x0180;
inline constexpr uint32_t LB_INSERTSTRING = 0x0181;
inline constexpr uint32_t LB_DELETESTRING = 0x0182;
inline constexpr uint32_t LB_SELITEMRANGEEX = 0x0183;
inline constexpr uint32_t LB_RESETCONTENT = 0x0184;
inline constexpr uint32_t LB_SETSEL = 0x0185;
inline constexpr uint32_t LB_SETCURSEL = 0x0186;
inline constexpr uint32_t LB_GETSEL = 0x0187;
inline constexpr uint32_t LB_GETCURSEL = 0x0188;
inline constexpr uint32_t LB_GETTEXT = 0x0189;
inline constexpr uint32_t LB_GETTEXTLEN = 0x018A;
inline constexpr uint32_t LB_GETCOUNT = 0x018B;
inline constexpr uint32_t LB_SELECTSTRING = 0x018C;
inline constexpr uint32_t LB_DIR = 0x018D;
inline constexpr uint32_t LB_GETTOPINDEX = 0x018E;
inline constexpr uint32_t LB_FINDSTRING = 0x018F;
inline constexpr uint32_t LB_GETSELCOUNT = 0x0190;
inline constexpr uint32_t LB_GETSELITEMS = 0x0191;
inline constexpr uint32_t LB_SETTABSTOPS = 0x0192;
inline constexpr uint32_t LB_GETHORIZONTALEXTENT = 0x0193;
inline constexpr uint32_t LB_SETHORIZONTALEXTENT = 0x0194;
inline constexpr uint32_t LB_SETCOLUMNWIDTH = 0x0195;
inline constexpr uint32_t LB_ADDFILE = 0x0196;
inline constexpr uint32_t LB_SETTOPINDEX = 0x0197;
inline constexpr uint32_t LB_GETITEMRECT = 0x0198;
inline constexpr uint32_t LB_GETITEMDATA = 0x0199;
inline constexpr uint32_t LB_SETITEMDATA = 0x019A;
inline constexpr uint32_t LB_SELITEMRANGE = 0x019B;
inline constexpr uint32_t LB_SETANCHORINDEX = 0x019C;
inline constexpr uint32_t LB_GETANCHORINDEX = 0x019D;
inline constexpr uint32_t LB_SETCARETINDEX = 0x019E;
inline constexpr uint32_t LB_GETCARETINDEX = 0x019F;
inline constexpr uint32_t LB_SETITEMHEIGHT = 0x01A0;
inline constexpr uint32_t LB_GETITEMHEIGHT = 0x01A1;
inline constexpr uint32_t LB_FINDSTRINGEXACT = 0x01A2;
inline constexpr uint32_t LB_SETLOCALE = 0x01A5;
inline constexpr uint32_t LB_GETLOCALE = 0x01A6;
inline constexpr uint32_t LB_SETCOUNT = 0x01A7;
inline constexpr uint32_t LB_INITSTORAGE = 0x01A8;
inline constexpr uint32_t LB_ITEMFROMPOINT = 0x01A9;  // answers MAKELONG(index, 1 when outside an item)

inline constexpr LRESULT LB_OKAY = 0;
inline constexpr LRESULT LB_ERR = -1;
inline constexpr LRESULT LB_ERRSPACE = -2;

inline constexpr uint32_t LBN_ERRSPACE = uint32_t(-2);
inline constexpr uint32_t LBN_SELCHANGE = 1;
inline constexpr uint32_t LBN_DBLCLK = 2;
inline constexpr uint32_t LBN_SELCANCEL = 3;
inline constexpr uint32_t LBN_SETFOCUS = 4;
inline constexpr uint32_t LBN_KILLFOCUS = 5;

// ---- "ComboBox" and its list "ComboLBox" --------------------------------------------------
inline constexpr uint32_t CBS_SIMPLE = 0x0001;
inline constexpr uint32_t CBS_DROPDOWN = 0x0002;
inline constexpr uint32_t CBS_DROPDOWNLIST = 0x0003;
inline constexpr uint32_t CBS_TYPEMASK = 0x0003;
inline constexpr uint32_t CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr uint32_t CBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr uint32_t CBS_AUTOHSCROLL = 0x0040;
inline constexpr uint32_t CBS_SORT = 0x0100;
inline constexpr uint32_t CBS_HASSTRINGS = 0x0200;

inline constexpr uint32_t CB_GETEDITSEL = 0x0140;
inline constexpr uint32_t CB_LIMITTEXT = 0x0141;
inline constexpr uint32_t CB_SETEDITSEL = 0x0142;  // lParam MAKELONG(start, end)
inline constexpr uint32_t CB_ADDSTRING = 0x0143;
inline constexpr uint32_t CB_DELETESTRING = 0x0144;
inline constexpr uint32_t CB_DIR = 0x0145;
inline constexpr uint32_t CB_GETCOUNT = 0x0146;
inline constexpr uint32_t CB_GETCURSEL = 0x0147;
inline constexpr uint32_t CB_GETLBTEXT = 0x0148;
inline constexpr uint32_t CB_GETLBTEXTLEN = 0x0149;
inline constexpr uint32_t CB_INSERTSTRING = 0x014A;
inline constexpr uint32_t CB_RESETCONTENT = 0x014B;
inline constexpr uint32_t CB_FINDSTRING = 0x014C;
inline constexpr uint32_t CB_SELECTSTRING = 0x014D;
inline constexpr uint32_t CB_SETCURSEL = 0x014E;
inline constexpr uint32_t CB_SHOWDROPDOWN = 0x014F;
inline constexpr uint32_t CB_GETITEMDATA = 0x0150;
inline constexpr uint32_t CB_SETITEMDATA = 0x0151;
inline constexpr uint32_t CB_GETDROPPEDCONTROLRECT = 0x0152;
inline constexpr uint32_t CB_SETITEMHEIGHT = 0x0153;
inline constexpr uint32_t CB_GETITEMHEIGHT = 0x0154;
inline constexpr uint32_t CB_SETEXTENDEDUI = 0x0155;
inline constexpr uint32_t CB_GETEXTENDEDUI = 0x0156;
inline constexpr uint32_t CB_GETDROPPEDSTATE = 0x0157;
inline constexpr uint32_t CB_FINDSTRINGEXACT = 0x0158;
inline constexpr uint32_t CB_SETLOCALE = 0x0159;
inline constexpr uint32_t CB_GETLOCALE = 0x015A;
inline constexpr uint32_t CB_GETTOPINDEX = 0x015B;
inline constexpr uint32_t CB_SETTOPINDEX = 0x015C;
inline constexpr uint32_t CB_GETHORIZONTALEXTENT = 0x015D;
inline constexpr uint32_t CB_SETHORIZONTALEXTENT = 0x015E;
inline constexpr uint32_t CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr uint32_t CB_SETDROPPEDWIDTH = 0x0160;
inline constexpr uint32_t CB_SETMINVISIBLE = 0x1701;  // rows of the drop-down list
inline constexpr uint32_t CB_GETMINVISIBLE = 0x1702;
inline constexpr LRESULT CB_ERR = -1;

inline constexpr uint32_t CBN_SELCHANGE = 1;
inline constexpr uint32_t CBN_DBLCLK = 2;
inline constexpr uint32_t CBN_SETFOCUS = 3;
inline constexpr uint32_t CBN_KILLFOCUS = 4;
inline constexpr uint32_t CBN_EDITCHANGE = 5;
inline constexpr uint32_t CBN_EDITUPDATE = 6;
inline constexpr uint32_t CBN_DROPDOWN = 7;
inline constexpr uint32_t CBN_CLOSEUP = 8;
inline constexpr uint32_t CBN_SELENDOK = 9;
inline constexpr uint32_t CBN_SELENDCANCEL = 10;

// The id of a combo box's edit child.
inline constexpr int32_t kComboEditId = 1001;
