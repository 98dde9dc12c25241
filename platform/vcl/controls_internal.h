// Private to the control and form implementation (controls*.cpp, forms*.cpp).
#pragma once

#include <cstdint>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

// ---- Window binding (controls_win.cpp) ----
// The procedure of every window class the controls register.
LRESULT VclWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
void VclBindHandle(HWND hwnd, TWinControl* Control);
void VclUnbindHandle(HWND hwnd);

extern TControl* VclCaptureControl;

// ---- Focus ----
// Set while a window is re-created: focus moves caused by it fire no
// CM_ENTER / CM_EXIT.
extern int32_t VclRecreatingFocus;

// ---- Canvases (controls_paint.cpp) ----
// Gives back the DCs canvases hold on the window.
void FreeDeviceContextsOf(HWND hwnd);

// ---- Shared helpers ----
bool VclFontsEqual(TFont* A, TFont* B);
// Puts the control's own WndProc back as its WindowProc.
void VclResetWindowProc(TControl* Control);
// Debug builds: the thread check of D-G14.
void VclCheckThread(const char* Where);
// Runs fn and hands an exception to the application (or stderr without one).
template <class F>
void VclGuard(TObject* Sender, F&& fn) {
  try {
    fn();
  } catch (...) {
    if (Application != nullptr)
      Application->HandleException(Sender);
    else
      throw;
  }
}
