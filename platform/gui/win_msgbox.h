// Message boxes of the window system: the MB_* styles, the ID* answers, and
// MessageBox, shown by the box a higher layer installs.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"

// MB_OK and the MB_ICON* values are in windows.h (MessageBeep takes them).
inline constexpr uint32_t MB_OKCANCEL = 0x00000001;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr uint32_t MB_YESNOCANCEL = 0x00000003;
inline constexpr uint32_t MB_YESNO = 0x00000004;
inline constexpr uint32_t MB_RETRYCANCEL = 0x00000005;
inline constexpr uint32_t MB_TYPEMASK = 0x0000000F;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0x000000F0;
inline constexpr uint32_t MB_DEFBUTTON1 = 0x00000000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x00000100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x00000200;
inline constexpr uint32_t MB_APPLMODAL = 0x00000000;
inline constexpr uint32_t MB_TASKMODAL = 0x00002000;
inline constexpr uint32_t MB_TOPMOST = 0x00040000;
inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;
inline constexpr int32_t IDABORT = 3;
inline constexpr int32_t IDRETRY = 4;
inline constexpr int32_t IDIGNORE = 5;
inline constexpr int32_t IDYES = 6;
inline constexpr int32_t IDNO = 7;

// Shows a message box owned by Owner and answers the button pressed (ID*).
// The active window and the focus are given back when the box has gone.
int32_t MessageBox(HWND Owner, const String& Text, const String& Caption, uint32_t Type);

// The box MessageBox shows. Replaceable: headless tests script the answer,
// the class framework installs its plain look. The default answers without
// showing anything: IDOK for MB_OK, else IDCANCEL (IDNO for MB_YESNO), and
// writes the text to stderr.
using TMessageBoxHook = std::function<int32_t(HWND Owner, const String& Text, const String& Caption, uint32_t Flags)>;
void SetMessageBoxHook(TMessageBoxHook Hook);  // empty restores the default
const TMessageBoxHook& MessageBoxHook();
