// The dialog manager: dialog templates built in code and registered by name,
// modeless and modal dialogs run by a dialog procedure, the dialog window
// class with its default procedure, the dialog keyboard interface and dialog
// units.
//
// A modal dialog runs its own loop, which dispatches every message of the
// thread (timers of other windows keep firing) and ends once EndDialog was
// called; the window is destroyed after the handler that ended it returned.
// Exceptions escaping a dialog procedure go to Application->HandleException.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"

// Answers TRUE (non-zero) for a message it handled.
using DLGPROC = intptr_t (*)(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);

// ---- Dialog styles ----
inline constexpr uint32_t DS_ABSALIGN = 0x0001;
inline constexpr uint32_t DS_SYSMODAL = 0x0002;
inline constexpr uint32_t DS_3DLOOK = 0x0004;
inline constexpr uint32_t DS_FIXEDSYS = 0x0008;
inline constexpr uint32_t DS_NOFAILCREATE = 0x0010;
inline constexpr uint32_t DS_LOCALEDIT = 0x0020;
inline constexpr uint32_t DS_SETFONT = 0x0040;
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
inline constexpr uint32_t DS_NOIDLEMSG = 0x0100;
inline constexpr uint32_t DS_SETFOREGROUND = 0x0200;
inline constexpr uint32_t DS_CONTROL = 0x0400;
inline constexpr uint32_t DS_CENTER = 0x0800;
inline constexpr uint32_t DS_CENTERMOUSE = 0x1000;
inline constexpr uint32_t DS_CONTEXTHELP = 0x2000;
inline constexpr uint32_t DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// ---- Window extra bytes of a dialog (Get/SetWindowLong) ----
inline constexpr int32_t DWLP_MSGRESULT = 0;
inline constexpr int32_t DWLP_DLGPROC = DWLP_MSGRESULT + int32_t(sizeof(LRESULT));
inline constexpr int32_t DWLP_USER = DWLP_DLGPROC + int32_t(sizeof(DLGPROC));
inline constexpr int32_t DLGWINDOWEXTRA = DWLP_USER + int32_t(sizeof(intptr_t));

// ---- Dialog messages ----
inline constexpr uint32_t DM_GETDEFID = WM_USER + 0;
inline constexpr uint32_t DM_SETDEFID = WM_USER + 1;
inline constexpr uint32_t DM_REPOSITION = WM_USER + 2;
inline constexpr uint16_t DC_HASDEFID = 0x534B;

// ---- Standard control ids beyond IDOK .. IDNO (forms.h) ----
inline constexpr int32_t IDCLOSE = 8;
inline constexpr int32_t IDHELP = 9;

// The class of dialog windows.
inline constexpr const char* WC_DIALOG = "#32770";

// One control of a template. The rectangle is in dialog units.
struct TDialogItemTemplate {
  String ClassName;  // "Button", "Edit", "Static", "ListBox", "ComboBox" or a registered class
  int32_t Id = 0;
  String Text;
  uint32_t Style = WS_CHILD | WS_VISIBLE;
  uint32_t ExStyle = 0;
  int32_t X = 0, Y = 0, CX = 0, CY = 0;
};

// A dialog built in code. With DS_SETFONT, FontName and PointSize give the
// dialog font (and so its dialog units); otherwise the default GUI font.
struct TDialogTemplate {
  uint32_t Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  uint32_t ExStyle = 0;
  int32_t X = 0, Y = 0, CX = 0, CY = 0;
  String Title;
  String FontName = "MS Shell Dlg";
  int32_t PointSize = 8;
  std::vector<TDialogItemTemplate> Items;
};

// Registers (or replaces) a template under a name (compared ignoring case).
void RegisterDialogTemplate(const String& Name, const TDialogTemplate& Template);
bool UnregisterDialogTemplate(const String& Name);
// nullptr for an unknown name.
const TDialogTemplate* FindDialogTemplate(const String& Name);

// Modeless: answers the dialog (0 for an unknown template or a failed
// creation). The dialog procedure gets WM_INITDIALOG with lParam InitParam;
// a TRUE answer gives the focus to the first tab stop.
HWND CreateDialogParam(HINSTANCE Instance, const char* TemplateName, HWND Parent, DLGPROC DialogFunc, LPARAM InitParam);
HWND CreateDialogIndirectParam(HINSTANCE Instance, const TDialogTemplate& Template, HWND Parent, DLGPROC DialogFunc,
                               LPARAM InitParam);
// Modal: disables the owner (the top-level window of Parent) while the
// dialog runs and enables it again; answers the EndDialog result, -1 when the
// dialog could not be made.
intptr_t DialogBoxParam(HINSTANCE Instance, const char* TemplateName, HWND Parent, DLGPROC DialogFunc,
                        LPARAM InitParam);
intptr_t DialogBoxIndirectParam(HINSTANCE Instance, const TDialogTemplate& Template, HWND Parent, DLGPROC DialogFunc,
                                LPARAM InitParam);
// Ends a modal dialog with Result (destroyed once the current handler
// returned); hides a modeless one.
bool EndDialog(HWND hdlg, intptr_t Result);

// The window procedure of WC_DIALOG: asks the dialog procedure first.
LRESULT DefDlgProc(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam);

HWND GetDlgItem(HWND hdlg, int32_t Id);
int32_t GetDlgCtrlID(HWND hwnd);
bool SetDlgItemText(HWND hdlg, int32_t Id, const char* Text);
uint32_t GetDlgItemText(HWND hdlg, int32_t Id, char* Buffer, int32_t Size);
String GetDlgItemTextString(HWND hdlg, int32_t Id);
bool SetDlgItemInt(HWND hdlg, int32_t Id, uint32_t Value, bool Signed);
uint32_t GetDlgItemInt(HWND hdlg, int32_t Id, bool* Translated, bool Signed);
LRESULT SendDlgItemMessage(HWND hdlg, int32_t Id, uint32_t msg, WPARAM wParam, LPARAM lParam);
bool CheckDlgButton(HWND hdlg, int32_t Id, uint32_t Check);
uint32_t IsDlgButtonChecked(HWND hdlg, int32_t Id);
bool CheckRadioButton(HWND hdlg, int32_t FirstId, int32_t LastId, int32_t CheckId);
// The next (or previous) visible, enabled WS_TABSTOP control, wrapping.
HWND GetNextDlgTabItem(HWND hdlg, HWND Control, bool Previous);
// The next (or previous) control of Control's WS_GROUP group, wrapping.
HWND GetNextDlgGroupItem(HWND hdlg, HWND Control, bool Previous);

// Tab and Shift+Tab over WS_TABSTOP, arrows within groups, Enter to the
// focused push button or DM_GETDEFID (else IDOK), Escape to IDCANCEL, for
// messages of the dialog and its controls; other messages of those windows
// are translated and dispatched. Answers whether the message was taken.
bool IsDialogMessage(HWND hdlg, TMSG* msg);

// Dialog units to pixels of the dialog's font: x by MulDiv(x, cx, 4), y by
// MulDiv(y, cy, 8).
bool MapDialogRect(HWND hdlg, TRect* rect);
// The base units of the default GUI font: cx in the low word, cy in the high.
int32_t GetDialogBaseUnits();
// The base units of a font: cx the width of "A".."Z" then "a".."z" over 52
// (rounded), cy its height.
TSize DialogBaseUnitsOfFont(HFONT Font);
// "Helv", "MS Shell Dlg" and "MS Shell Dlg 2" are the dialog font "MS Sans Serif".
String DialogFontFace(const String& Name);

// ---- Observing modal dialogs (test scripting) ----
// What a modal dialog of the manager is, for whoever watches them.
enum class TDialogKind : uint8_t { dkOther, dkMessageBox, dkOpen, dkSave, dkColor, dkFont, dkFolder, dkProperties };
struct TDialogInfo {
  TDialogKind Kind = TDialogKind::dkOther;
  String Caption;
  String Text;
  std::vector<String> Buttons;  // captions of the push buttons
};
// Sets the description the watcher gets for a dialog (before its loop runs).
void SetDialogInfo(HWND hdlg, const TDialogInfo& Info);
struct TDialogWatcher {
  // The modal loop of the dialog is about to run (the dialog is shown).
  std::function<void(HWND hdlg, const TDialogInfo& Info)> OnStart;
  // The modal loop ended with Result.
  std::function<void(HWND hdlg, const TDialogInfo& Info, intptr_t Result)> OnEnd;
};
// Empty members: nobody watches.
void SetDialogWatcher(TDialogWatcher Watcher);
