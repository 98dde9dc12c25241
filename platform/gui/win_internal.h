// Internals of the window system shared inside platform/gui: the window
// record, lookup and tree walks, the hooks through which painting, the
// non-client frame, scroll bars, the caret and drag and drop plug into the
// core, internal timers, and the pieces of the message loop that modal loops
// (move/size, scroll tracking, drag and drop) build on.
//
// Everything here is main-thread only unless said otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/region.h"
#include "platform/gui/windows.h"

// ---- Classes ---------------------------------------------------------------------

struct TWndClass {
  ATOM Atom = 0;
  String Name;
  uint32_t Style = 0;
  WNDPROC WndProc = nullptr;
  int32_t ClsExtraBytes = 0;
  int32_t WndExtraBytes = 0;
  HINSTANCE Instance = nullptr;
  HICON Icon = nullptr;
  HICON IconSm = nullptr;
  HCURSOR Cursor = nullptr;
  // A brush, or (COLOR_* + 1) cast to HBRUSH (see WinClassBackground in the
  // painting layer).
  HBRUSH Background = nullptr;
  String MenuName;
  std::vector<uint8_t> Extra;  // class extra bytes
  int32_t WindowCount = 0;     // live windows of the class
};

// ---- Records ---------------------------------------------------------------------

// One window scroll bar (SB_HORZ or SB_VERT). Whether it shows is the
// WS_HSCROLL / WS_VSCROLL bit of the style; the rules live in the
// scroll-bar code.
struct TScrollBarState {
  int32_t Min = 0;
  int32_t Max = 100;
  uint32_t Page = 0;
  int32_t Pos = 0;
  int32_t TrackPos = 0;
  uint32_t DisabledArrows = 0;  // ESB_DISABLE_* bits
  bool Tracking = false;
};

// Opaque slots for the painting layer: the retained surface of a top-level
// window and whatever per-window state painting keeps. Defined there; the
// core only carries and releases them.
struct TWndSurface;
struct TWndPaintState;

struct TWndRecord {
  HWND Handle = nullptr;
  std::shared_ptr<TWndClass> Class;
  WNDPROC WndProc = nullptr;
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  intptr_t Id = 0;  // GWL_ID (the hMenu of CreateWindowEx for child windows)
  intptr_t UserData = 0;
  HINSTANCE Instance = nullptr;
  std::vector<uint8_t> Extra;  // window extra bytes (cbWndExtra)
  String Text;                 // UTF-8
  HICON IconBig = nullptr;     // WM_SETICON
  HICON IconSmall = nullptr;
  TWndMethod Method;  // AllocateHWnd windows

  // Tree. Parent is the desktop record for top-level windows, the
  // message-only root for message-only windows, nullptr for those two roots.
  TWndRecord* Parent = nullptr;
  TWndRecord* Owner = nullptr;        // top-level windows only
  std::vector<TWndRecord*> Children;  // z-order, topmost first

  // Geometry, in screen coordinates. Descendants move with their parent.
  TRect WindowRect;
  TRect ClientRect;

  // Placement: the restored rectangle (screen) and the minimised / maximised
  // positions (-1, -1 when not set).
  TRect NormalRect;
  TPoint MinPosition{-1, -1};
  TPoint MaxPosition{-1, -1};
  bool RestoreToMaximized = false;

  // Life cycle.
  int32_t DispatchDepth = 0;    // calls into the window procedure on the stack
  bool Created = false;         // WM_NCCREATE went through
  bool DestroyPending = false;  // DestroyWindow deferred until the dispatch returns
  bool Destroying = false;      // inside the destroy sequence
  bool Destroyed = false;       // gone from the table; the record only lives on
  bool NeedSizeMove = true;     // WM_SIZE/WM_MOVE not sent yet (sent on the first show)

  // Mouse tracking (TrackMouseEvent).
  uint32_t TrackFlags = 0;  // TME_LEAVE | TME_HOVER | TME_NONCLIENT
  uint32_t HoverTime = 0;
  uintptr_t HoverTimer = 0;

  // ---- Slots kept by the painting and non-client layers ----
  // Update region in client coordinates; InternalPaint makes WM_PAINT without
  // one (RDW_INTERNALPAINT). RedrawDisabled: WM_SETREDRAW(FALSE) is in force.
  TRegion UpdateRgn;
  bool InternalPaint = false;
  bool ErasePending = false;
  bool NcPaintPending = false;
  bool RedrawDisabled = false;
  // SetWindowRgn: window coordinates (origin at WindowRect's top-left);
  // nullptr: no window region. Hit testing consults it.
  std::unique_ptr<TRegion> WindowRgn;
  // SetLayeredWindowAttributes.
  uint32_t LayeredFlags = 0;  // LWA_COLORKEY 1 | LWA_ALPHA 2
  COLORREF LayeredKey = 0;
  uint8_t LayeredAlpha = 255;
  TScrollBarState HScroll;
  TScrollBarState VScroll;
  bool FlatScrollBars = false;
  std::shared_ptr<TWndSurface> Surface;
  std::shared_ptr<TWndPaintState> PaintState;

  bool IsRoot() const { return Parent == nullptr; }
  // Child of another window (not of the desktop or the message-only root).
  bool IsChild() const { return Parent != nullptr && Parent->Parent != nullptr; }
  bool IsTopLevel() const { return Parent != nullptr && Parent->Parent == nullptr; }
  bool IsMessageOnly() const;
  bool Alive() const { return !Destroyed && !Destroying; }
  // The window and its ancestors have WS_VISIBLE (false for message-only windows).
  bool VisibleTree() const;
  // The window and its ancestors are enabled.
  bool EnabledTree() const;
  // Window rectangle in the parent's client coordinates.
  TRect RectInParent() const;
  TPoint ClientOrigin() const { return TPoint{ClientRect.Left, ClientRect.Top}; }
};

// Live windows only (not destroyed); nullptr for 0, special handles and stale
// ids. Any thread may call WinFindShared; the others are main-thread only.
TWndRecord* WinFind(HWND hwnd);
std::shared_ptr<TWndRecord> WinFindShared(HWND hwnd);
TWndRecord& WinDesktop();
TWndRecord& WinMessageRoot();
// The top-level ancestor (the window itself when top-level); nullptr for the roots.
TWndRecord* WinRootOf(TWndRecord* w);
// Pre-order walk over the window and its descendants in z-order (parents before
// children, front before back). The visitor answers false to stop the walk;
// the walk answers false when stopped. Children lists may not change during it.
bool WinWalk(TWndRecord& w, const std::function<bool(TWndRecord&)>& visit);
// All live windows in paint order: top-level windows front to back, each
// followed by its descendants (pre-order). Message-only windows are left out.
std::vector<TWndRecord*> WinAllWindows();
// Windows owned by w (direct), in z-order.
std::vector<TWndRecord*> WinOwnedWindows(TWndRecord& w);

// Calls the window procedure with the dispatch depth counted (what SendMessage
// does after validating).
LRESULT WinCallProc(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam);

// The hit test of the point (screen) over the visible, enabled windows, as
// mouse routing and WindowFromPoint see it: sends WM_NCHITTEST, passes
// HTTRANSPARENT and points outside a window region to the window below.
struct TWinHit {
  HWND Window = nullptr;
  LRESULT Code = HTNOWHERE;
};
TWinHit WinHitTest(TPoint screen);
// Whether the window's region (if any) contains the screen point.
bool WinRegionContains(const TWndRecord& w, TPoint screen);

// ---- Hooks -----------------------------------------------------------------------

// What changed in a SetWindowPos (or show/hide, SetParent), reported after the
// record holds the new state and before WM_WINDOWPOSCHANGED is sent.
struct TWinPosChange {
  TRect OldWindow;  // screen
  TRect OldClient;  // screen
  bool WasVisible = false;
  bool Visible = false;
  bool Moved = false;
  bool Resized = false;
  bool ZOrderChanged = false;
  uint32_t Flags = 0;  // SWP_* as applied
};

struct TWinHooks {
  // Default handling by the painting / non-client / scroll-bar / caret layer.
  // DefWindowProc asks it first; true means handled, with the answer in
  // result. Defaults the core keeps for itself (when this declines) are
  // simple: WM_NCCALCSIZE leaves the client area equal to the window,
  // WM_NCHITTEST answers HTCLIENT inside the window, WM_PAINT validates.
  std::function<bool(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result)> DefWindowProc;
  // Geometry, visibility or z-order changed (descendants moved with it).
  std::function<void(TWndRecord& w, const TWinPosChange& change)> WindowPosChanged;
  // The window is about to leave the tree (after WM_NCDESTROY); release
  // surfaces, the caret, drop targets.
  std::function<void(TWndRecord& w)> WindowDestroyed;
  // SetParent moved the window (its rectangles already updated).
  std::function<void(TWndRecord& w, TWndRecord* oldParent)> ParentChanged;
  // Overrides "has an update region or internal paint and redraw is on" when set.
  std::function<bool(const TWndRecord& w)> NeedsPaint;
  // External file drop from the backend (DropFiles of the headless backend).
  std::function<bool(const std::vector<String>& files, TPoint screen, uint32_t keys)> DropFiles;
  // Test reset: forget global state (caret, clipboard, drag and drop).
  std::function<void()> Reset;
};
TWinHooks& WinHooks();

// ---- Internal timers ---------------------------------------------------------------

// Runs fn every elapseMs on the clock at WM_TIMER priority, without a message
// (caret blink, hover, scroll repeat). owner 0: not tied to a window;
// otherwise killed with it. Answers the id.
uintptr_t WinSetInternalTimer(HWND owner, uint32_t elapseMs, std::function<void()> fn);
void WinKillInternalTimer(uintptr_t id);
// Tick of the next due timer of either kind; false when there is none.
bool WinNextTimerDue(uint64_t& due);

// ---- The loop ------------------------------------------------------------------

// Names the innermost blocking loop for the never-hang failure
// ("GetMessage", "WaitMessage", "move/size loop", "DoDragDrop" ...).
class TWinLoopScope {
 public:
  explicit TWinLoopScope(const char* name);
  ~TWinLoopScope();
  TWinLoopScope(const TWinLoopScope&) = delete;
  TWinLoopScope& operator=(const TWinLoopScope&) = delete;
};
const char* WinCurrentLoopName();
// A mouse-driven modal loop with the capture on hwnd (moving, sizing,
// tracking a scroll bar or a caption button): handle answers true to end it;
// the loop ends too when the window goes or loses the capture. WM_QUIT is
// posted again for the outer loop; the capture is released at the end.
void WinCaptureLoop(HWND hwnd, const char* name, const std::function<bool(const TMSG&)>& handle);
// Mouse and keyboard messages, client and non-client: a capture loop owns them.
bool WinIsMouseOrKey(uint32_t msg);
// Whether anything could be retrieved now (posted, quit, input, paint, due timer).
bool WinHasWork();
// Blocks until WinHasWork (the backend decides how to wait; see backend.h).
void WinWaitForWork();
// Any thread: wakes a waiting loop.
void WinWakeLoop();
// The window that receives the WM_NULL with which worker threads wake the
// loop (TThread requests run when it is retrieved); 0: a thread message.
void WinSetApplicationWindow(HWND hwnd);

// ---- Input helpers ---------------------------------------------------------------

// The WM_SETCURSOR default: the cursor for a hit code.
HCURSOR WinCursorForHit(TWndRecord& w, LRESULT hit);
// The system cursor of an IDC_* id.
HCURSOR WinSystemCursor(uint16_t id);

// ---- Tests and backends ----------------------------------------------------------

// Destroys every window, empties the queues, forgets timers, focus, capture,
// activation, key state, tracking and the hooks' global state (Reset hook).
// Classes stay registered.
void WinResetState();
// Debug assertion that the caller is the main thread.
void WinAssertMainThread(const char* function);
