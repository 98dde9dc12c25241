// The interface between the window system and what shows it: a backend hands
// in raw input in screen coordinates and is told about top-level windows,
// surfaces to present, the cursor and waits. All routing happens in the
// window system, so every backend behaves alike.
//
// Two backends implement it: headless (in memory, for tests and for runs
// without a display; platform/gui/headless.h) and the SDL2 one.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/win_internal.h"
#include "platform/gui/windows.h"

enum class TRawButton : uint8_t { Left, Right, Middle };

struct TMonitorDesc {
  TRect Bounds;  // screen coordinates; the primary monitor has its top-left at (0, 0)
  TRect Work;    // the part not covered by task bars
  String Name;   // device name ("\\.\DISPLAY1")
};

class TWinBackend {
 public:
  virtual ~TWinBackend() = default;

  // The monitors, the primary one first. Never empty.
  virtual std::vector<TMonitorDesc> Monitors() = 0;

  // A loop would block: nothing is queued and no timer is due. Return when
  // something may have arrived (a post, an input, time passing), or throw
  // when nothing ever can. loop names the waiting loop; nextDue is the tick
  // of the next timer when hasTimer.
  virtual void Wait(const char* loop, bool hasTimer, uint64_t nextDue) = 0;
  // Any thread: a post arrived; a Wait in progress should return.
  virtual void Wake() {}

  // Whether TranslateMessage makes printable characters from key-downs
  // (true) or the backend delivers text itself through WinInputChar and only
  // control characters come from keys (false).
  virtual bool CharsFromKeys() const { return true; }

  // A top-level window was shown, hidden, moved, resized or restacked.
  virtual void TopLevelChanged(HWND /*hwnd*/, const TWinPosChange& /*change*/) {}
  virtual void TopLevelDestroyed(HWND /*hwnd*/) {}
  // The painting layer changed these pixels of a top-level window's surface
  // (window coordinates).
  virtual void Present(HWND /*hwnd*/, const TRect& /*dirty*/) {}
  virtual void CursorChanged(HCURSOR /*cursor*/, bool /*visible*/) {}
  virtual void CaptureChanged(HWND /*hwnd*/) {}
  // SetCursorPos moved the pointer.
  virtual void PointerMoved(TPoint /*screen*/) {}
  virtual void Beep(uint32_t /*type*/) {}
};

// Installs a backend (the caller keeps ownership; nullptr uninstalls). With
// none installed the window system creates a headless one on first use.
void WinSetBackend(TWinBackend* backend);
TWinBackend& WinBackend();
// The monitors changed: metrics and the desktop window follow.
void WinMonitorsChanged();

// ---- Raw input (main thread) ----------------------------------------------------
// Stamped with the clock and queued; routed when the loop retrieves it.

void WinInputMouseMove(TPoint screen);
void WinInputMouseButton(TRawButton button, bool down, TPoint screen);
// delta: WHEEL_DELTA (120) per notch, positive away from the user.
void WinInputWheel(TPoint screen, int32_t delta, bool horizontal = false);
// scan 0: the scan code of the US layout. extended: the key's extended bit
// (arrows, Insert, Delete, Home, End, Page Up/Down, right Ctrl/Alt, keypad
// divide) is added from the key itself.
void WinInputKey(uint32_t vk, bool down, uint32_t scan = 0);
// A key carrying a character no key of the layout types (VK_PACKET).
void WinInputPacket(uint32_t codePoint, bool down);
// Text from the backend's text events: WM_CHAR to the focus window.
void WinInputChar(uint32_t codePoint);
// Files dropped from outside at a screen point with MK_* key states: handed
// to the drag-and-drop layer (WinHooks().DropFiles); false when nothing took them.
bool WinInputDropFiles(const std::vector<String>& files, TPoint screen, uint32_t keys);
// The application lost or regained the desktop focus.
void WinInputAppActive(bool active);

// Waiting loops mark the post count before they look at the queue, so that
// a post landing between their look and the backend's wait is not missed.
void WinMarkPostBaseline();
// Whether anything was posted (or WinWakeLoop called) since the mark.
bool WinPostedSinceBaseline();
// Waits in real time until something was posted since the mark (at once
// when it already was) or timeoutMs pass; true when something arrived.
bool WinWaitForPost(uint32_t timeoutMs);
// The cursor image and show counter, for backends.
HCURSOR WinCurrentCursor();
bool WinCursorVisible();
