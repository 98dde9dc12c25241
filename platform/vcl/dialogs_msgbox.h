// Message boxes in the plain look: the flat PlainMessageBox and the framework's
// MessageDlg family. In a box Ctrl+C copies caption, text and buttons as
// text, and a button's "&" letter (with Alt or alone) presses it. Both run the dialog manager's modal loop, so timers
// and painting of other windows go on while a box is open.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"
#include "platform/vcl/forms.h"

// A box owned by hwnd's top-level window (disabled while the box is open;
// MB_TASKMODAL disables every window of the task instead). Answers the ID* of
// the button pressed. Escape and the close box work where a Cancel button
// exists (IDCANCEL) or OK stands alone (IDOK); Enter presses the default
// button (MB_DEFBUTTON2/3). The icon beeps through MessageBeep.
int32_t PlainMessageBox(HWND hwnd, const String& Text, const String& Caption, uint32_t Type);
// Makes PlainMessageBox the box of the window system's MessageBox (and so
// of Application->MessageBox).
void InstallPlainMessageBox();

enum class TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn : uint8_t {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = Set<TMsgDlgBtn>;

inline const TMsgDlgButtons mbYesNoCancel{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbYesToAll, TMsgDlgBtn::mbNo,
                                                TMsgDlgBtn::mbNoToAll, TMsgDlgBtn::mbCancel};
inline const TMsgDlgButtons mbOKCancel{TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{TMsgDlgBtn::mbAbort, TMsgDlgBtn::mbRetry, TMsgDlgBtn::mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{TMsgDlgBtn::mbAbort, TMsgDlgBtn::mbIgnore};

// "Warning", "Error", "Information", "Confirm"; mtCustom: the application's title.
String MsgDlgCaption(TMsgDlgType DlgType);
// "&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All",
// "N&o to All", "Yes to &All", "&Help".
String MsgDlgButtonCaption(TMsgDlgBtn Button);
// mrYes ... mrYesToAll; mbHelp: mrNone (it does not close the box).
TModalResult MsgDlgModalResult(TMsgDlgBtn Button);
// The default button: OK, else Yes, else the first; the Escape button:
// Cancel, else No, else OK (none otherwise).
TMsgDlgBtn MsgDlgDefaultButton(TMsgDlgButtons Buttons);
bool MsgDlgCancelButton(TMsgDlgButtons Buttons, TMsgDlgBtn& Button);

// The box as a form of the caller's (owned by Application): caption, icon,
// the message wrapped to at most two thirds of the work area's width, and a
// TButton per button with its modal result, the default and the cancel
// button set as MessageDlg chooses them. The form is centred on the active
// form's monitor; the caller runs ShowModal and frees it.
TForm* CreateMessageDialog(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);

// The box centred on the active window's monitor (MessageDlgPos: its top-left
// at X, Y when both are not -1). Answers the modal result of the button.
int32_t MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx);
int32_t MessageDlgPos(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx, int32_t X,
                      int32_t Y);
// An information-less box with OK and the application's title.
void ShowMessage(const String& Msg);
