#include "platform/vcl/stdctrls_native.h"

#include "platform/gui/win_paint.h"
#include "platform/vcl/stdctrls_internal.h"

namespace {

void RegisterOne(const char* name, WNDPROC proc, uint32_t style) {
  WNDCLASS existing;
  if (GetClassInfo(nullptr, name, &existing)) return;
  WNDCLASS wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(intptr_t);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClass(wc);
}

}  // namespace

void RegisterStdControlClasses() {
  RegisterOne("Button", StdButtonWndProc, CS_DBLCLKS);
  RegisterOne("Static", StdStaticWndProc, CS_DBLCLKS);
  RegisterOne("Edit", StdEditWndProc, CS_DBLCLKS);
  RegisterOne("ListBox", StdListBoxWndProc, CS_DBLCLKS);
  RegisterOne("ComboBox", StdComboBoxWndProc, CS_DBLCLKS);
  RegisterOne("ComboLBox", StdComboLBoxWndProc, CS_DBLCLKS);
}

void StdNotifyParent(HWND hwnd, uint32_t code) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  const int32_t id = int32_t(GetWindowLong(hwnd, GWL_ID));
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, int32_t(code)), reinterpret_cast<LPARAM>(hwnd));
}

HBRUSH StdCtlColor(HWND hwnd, uint32_t msg, HDC dc) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return nullptr;
  return reinterpret_cast<HBRUSH>(
      SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
}

bool StdIsNullBrush(HBRUSH brush) { return brush != nullptr && brush == GetStockObject(NULL_BRUSH); }
