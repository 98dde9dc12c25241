// The SDL2 backend: the window system's top-level windows as real windows on
// the desktop, real input, the desktop's text clipboard and file drops.
//
// The window system keeps all routing (hit testing, capture, focus, double
// clicks, timers); this backend turns SDL's events into raw input in screen
// coordinates and presents the retained surfaces of the top-level windows.
// A window whose style holds the whole caption and whose WM_NCCALCSIZE goes
// to the default procedure is framed by the window manager, and its SDL
// window shows what lies inside the frame and the caption (a menu bar and the
// client area); every other top-level window is borderless and shows its
// whole window rectangle, non-client area included (a skinned frame).
//
// Every SDL call is made on the main thread, except the event that Wake
// pushes to end a wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/gui/backend.h"

struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;

class TSdlBackend : public TWinBackend {
 public:
  // Starts SDL's video on the main thread; nullptr, with SDL's reason in
  // error, when there is no display to open. Install the result with
  // WinSetBackend.
  static std::unique_ptr<TSdlBackend> Create(String& error);
  // Destroys the SDL windows, uninstalls itself and quits SDL.
  ~TSdlBackend() override;
  TSdlBackend(const TSdlBackend&) = delete;
  TSdlBackend& operator=(const TSdlBackend&) = delete;

  // The session asked the program to end (SDL_QUIT: a signal, logging
  // out). Unassigned, WM_QUIT is posted.
  std::function<void()> OnQuit;

  // A message box through SDL_ShowMessageBox over the owner's window (0: the
  // active one): MB_* buttons, default button and icon in flags; answers the
  // ID* of the button pressed, IDCANCEL (IDNO for MB_YESNO) when closed, 0
  // when SDL could not show it.
  int32_t MessageBox(HWND owner, const String& text, const String& caption, uint32_t flags);

  // The icon of windows that have none of their own (nor their class or
  // owner): the application's. The caller keeps it alive.
  void SetApplicationIcon(HICON icon) { FApplicationIcon = icon; }

  // The SDL window of a top-level window; nullptr while it has none (never
  // shown yet, or not top-level).
  SDL_Window* WindowOf(HWND hwnd) const;
  // Whether the window manager frames the window (see above).
  bool IsFramed(HWND hwnd) const;
  // Handles what SDL has queued and presents changed pixels, without waiting.
  void PumpEvents();

  // ---- TWinBackend ----
  std::vector<TMonitorDesc> Monitors() override { return FMonitors; }
  void Wait(const char* loop, bool hasTimer, uint64_t nextDue) override;
  void Wake() override;
  bool CharsFromKeys() const override { return false; }
  void TopLevelChanged(HWND hwnd, const TWinPosChange& change) override;
  void TopLevelDestroyed(HWND hwnd) override;
  void Present(HWND hwnd, const TRect& dirty) override;
  void CursorChanged(HCURSOR cursor, bool visible) override;
  void CaptureChanged(HWND hwnd) override;
  void PointerMoved(TPoint screen) override;

 private:
  struct TWin;

  TSdlBackend();
  bool Start(String& error);

  // Windows.
  TWin* Find(HWND hwnd) const;
  TWin* FindById(uint32_t id) const;
  void CreateWindowFor(TWndRecord& w, const TWinPosChange& change);
  void DestroyWin(HWND hwnd);
  void SyncState(TWin& win, TWndRecord& w);
  void SyncGeometry(TWin& win, TWndRecord& w);
  void SyncMinSize(TWin& win, TWndRecord& w);
  void SyncLooks(TWin& win, TWndRecord& w);
  void SyncShape(TWin& win, TWndRecord& w, bool pixelsChanged);
  void AdoptSdlGeometry(TWin& win);
  void RaiseWithKeyboard(TWin& win);
  void FocusActive();
  void PresentWin(TWin& win, TWndRecord& w);
  void Flush();

  // Events.
  void Handle(const SDL_Event& e);
  void HandleWindowEvent(const SDL_Event& e);
  void FlushPointer();
  void EndBatch();
  void RefreshMonitors();
  void DeliverDrop(uint32_t windowId);

  std::map<HWND, std::unique_ptr<TWin>> FWins;
  std::set<HWND> FFailed;  // SDL could not make their windows
  std::unordered_map<uint32_t, HWND> FById;
  std::vector<TMonitorDesc> FMonitors;
  std::thread::id FMainThread;
  uint32_t FWakeEvent = 0;
  std::atomic<bool> FWakePending{false};
  std::atomic<bool> FAlive{false};
  bool FPointerPending = false;
  uint16_t FKeyMod = 0;  // modifiers of the last key event handled
  bool FFocusLost = false;
  HWND FLastActive = nullptr;
  SDL_Window* FKeyboardWindow = nullptr;  // the last activatable window that had the keyboard
  bool FKeyboardHidden = false;           // the program hid the window that had the keyboard
  std::map<uint32_t, std::vector<String>> FDrops;
  HICON FApplicationIcon = nullptr;
  // Cursors.
  HCURSOR FCursor = nullptr;
  bool FCursorSet = false;
  std::map<int32_t, SDL_Cursor*> FSystemCursors;
  SDL_Cursor* FImageCursor = nullptr;
  // Clipboard.
  bool FClipboardDirty = true;
  String FPublished;
};
