// Private to the window-system core (the win_*.cpp files): what its parts
// call of each other. Other layers use win_internal.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/win_internal.h"

// ---- win_windows.cpp ----
void WinEnsureInit();
std::shared_ptr<TWndRecord> WinSharedOf(TWndRecord& w);
// Destroys windows whose deferred destruction can run now.
void WinRunPendingDestroys();
// Where a top-level window's coordinates count from: (0, 0); for a child the
// parent's client origin.
TPoint WinParentOrigin(const TWndRecord& w);
// Frame thickness the style implies (for MINMAXINFO defaults).
int32_t WinStyleFrame(uint32_t style, uint32_t exStyle);
// Default MINMAXINFO of a window on its monitor (sends nothing).
MINMAXINFO WinDefaultMinMax(TWndRecord& w);
// Sends WM_GETMINMAXINFO with the defaults and answers the result.
MINMAXINFO WinQueryMinMax(TWndRecord& w);
bool WinIsActivatable(const TWndRecord& w);
bool WinIsOwnedBy(const TWndRecord& w, const TWndRecord& owner);
// Brings a top-level window to the top of its band without messages
// (activation); answers whether the order changed.
bool WinRaiseSilently(TWndRecord& w);
void WinResetWindows();
// Top-level windows (not message-only ones); any thread.
std::vector<HWND> WinTopLevelHandles();

// ---- win_queue.cpp ----
void WinPurgePosted(HWND hwnd);
void WinPostFront(const TMSG& m);
void WinKillTimersOf(HWND hwnd);
void WinResetQueue();
void WinSetLastMessage(const TMSG& m);
// Cursor position readable from any thread (stamped on posted messages).
TPoint WinCursorPosition();
void WinStoreCursorPosition(TPoint pt);
void WinInstallWakeHook();

// ---- win_input.cpp ----
bool WinInputPeek(HWND hwnd, uint32_t filterMin, uint32_t filterMax, bool remove, TMSG& out);
bool WinInputQueued();
void WinResetInput();
// Focus, capture, activation and tracking leave a window that is destroyed.
void WinInputWindowGone(TWndRecord& w);
// A window (and its descendants) became hidden: focus and activation move on.
void WinInputWindowHidden(TWndRecord& w);
// Activation: answers the previously active window. how: WA_ACTIVE or WA_CLICKACTIVE.
HWND WinActivate(TWndRecord* w, uint32_t how);
// Activates the owner of `leaving` or the next window in z-order.
void WinActivateOther(TWndRecord* leaving);
HWND WinActiveHandle();
HWND WinFocusHandle();
// Default handling of the input messages (true when handled).
bool WinDefInputProc(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
// Character of a key-down through the US layout, 0 for none.
uint32_t WinKeyToChar(uint32_t vk, bool shift, bool ctrl, bool alt, bool capsLock);
// The key of the US layout that types ch (with Shift when shift); false for none.
bool WinCharToKey(uint32_t ch, uint32_t& vk, bool& shift);

// ---- win_cursors.cpp ----
void WinResetCursors();

// ---- win_metrics.cpp ----
void WinResetMetrics();
TRect WinVirtualScreen();
TMonitorDesc WinMonitorOfRect(const TRect& r);
