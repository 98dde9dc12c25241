#include "platform/gui/win_msgbox.h"

#include <cstdio>
#include <utility>

namespace {

int32_t DefaultMessageBox(HWND, const String& Text, const String& Caption, uint32_t Flags) {
  std::fprintf(stderr, "[message box] %s: %s\n", Caption.c_str(), Text.c_str());
  switch (Flags & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
  }
}

TMessageBoxHook& HookSlot() {
  static TMessageBoxHook hook = DefaultMessageBox;
  return hook;
}

}  // namespace

void SetMessageBoxHook(TMessageBoxHook Hook) { HookSlot() = Hook ? std::move(Hook) : DefaultMessageBox; }

const TMessageBoxHook& MessageBoxHook() { return HookSlot(); }

int32_t MessageBox(HWND Owner, const String& Text, const String& Caption, uint32_t Type) {
  HWND active = GetActiveWindow();
  HWND focus = GetFocus();
  // A copy: the box may install another one while it is open.
  TMessageBoxHook hook = MessageBoxHook();
  const int32_t result = hook(Owner, Text, Caption, Type);
  if (active != nullptr && IsWindow(active) && GetActiveWindow() != active) SetActiveWindow(active);
  if (focus != nullptr && IsWindow(focus) && GetFocus() != focus && IsWindowVisible(focus)) SetFocus(focus);
  return result;
}
