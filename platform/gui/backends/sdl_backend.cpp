#include "platform/gui/backends/sdl_backend.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <deque>

#include "platform/gui/backends/sdl_keymap.h"
#include "platform/gui/backends/sdl_pixels.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_core.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_paint_internal.h"
#include "platform/rtl/clock.h"

namespace {

// Longest single wait for SDL events; a loop with nothing due simply waits again.
constexpr int kMaxWaitMs = 1000;
// Events handled in one loop turn before control goes back to the loop.
constexpr int kBatch = 512;
// Geometry requests whose echo is still expected, per window.
constexpr size_t kPendingLimit = 16;
constexpr uint64_t kPendingLifeMs = 2000;
// Beyond this many changed rectangles one bounding box is presented.
constexpr size_t kRectLimit = 32;

// Message box flags and answers (the framework's values).
constexpr uint32_t kMbTypeMask = 0x0F;
constexpr uint32_t kMbOkCancel = 1, kMbAbortRetryIgnore = 2, kMbYesNoCancel = 3, kMbYesNo = 4, kMbRetryCancel = 5;
constexpr int32_t kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7;

struct TPending {
  int32_t A = 0, B = 0;  // position or size
  uint64_t Time = 0;
};

// Drops requests that are too old to be echoed any more; answers whether
// (a, b) is the echo of one, forgetting it and those before it.
bool EchoOf(std::deque<TPending>& list, int32_t a, int32_t b) {
  const uint64_t now = GetTickCount64();
  while (!list.empty() && now - list.front().Time > kPendingLifeMs) list.pop_front();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].A == a && list[i].B == b) {
      list.erase(list.begin(), list.begin() + std::ptrdiff_t(i) + 1);
      return true;
    }
  return false;
}

void Expect(std::deque<TPending>& list, int32_t a, int32_t b) {
  list.push_back(TPending{a, b, GetTickCount64()});
  while (list.size() > kPendingLimit) list.pop_front();
}

TPoint GlobalPointer() {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return TPoint{x, y};
}

bool SamePoint(TPoint a, TPoint b) { return a.X == b.X && a.Y == b.Y; }

// Decodes UTF-8 text from SDL (always well formed).
std::vector<uint32_t> CodePoints(const char* s) {
  std::vector<uint32_t> out;
  const auto* p = reinterpret_cast<const uint8_t*>(s);
  while (*p) {
    uint32_t c = *p++;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (more) c &= 0x3Fu >> more;
    for (; more > 0 && (*p & 0xC0) == 0x80; --more) c = (c << 6) | (*p++ & 0x3F);
    out.push_back(c);
  }
  return out;
}

// Hint windows are tooltips to the window manager.
bool IsHintClass(const TWndRecord& w) {
  if (!w.Class) return false;
  String n = w.Class->Name;
  for (char& c : n) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  return n.find("hint") != String::npos;
}

// Whether the window manager frames the window: its style holds the whole
// caption and the default procedure answers its WM_NCCALCSIZE (a skinned
// frame answers it itself and draws its own frame; a menu bar is laid out
// inside the default frame).
bool WantsNativeFrame(TWndRecord& w) {
  if ((w.Style & WS_CAPTION) != WS_CAPTION || (w.Style & WS_CHILD) != 0) return false;
  const HWND hwnd = w.Handle;
  bool viaDefault = false;
  TWinHooks& hooks = WinHooks();
  struct TRestore {
    TWinHooks& Hooks;
    decltype(TWinHooks::DefWindowProc) Saved;
    ~TRestore() { Hooks.DefWindowProc = std::move(Saved); }
  } restore{hooks, hooks.DefWindowProc};
  hooks.DefWindowProc = [&](TWndRecord& r, uint32_t msg, WPARAM wp, LPARAM lp, LRESULT& res) {
    if (msg == WM_NCCALCSIZE && r.Handle == hwnd) viaDefault = true;
    return restore.Saved ? restore.Saved(r, msg, wp, lp, res) : false;
  };
  TRect asked = w.WindowRect;
  SendMessage(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&asked));
  return viaDefault;
}

// The part of a window the SDL window shows, in window coordinates: all of
// it, or for a framed window what lies inside the frame and the caption that
// the window manager draws instead (menu bar, client edge, scroll bars and
// client area).
TRect ShownPart(bool framed, const TWndRecord& w, const TRect& windowRect) {
  if (!framed) return TRect{0, 0, windowRect.Width(), windowRect.Height()};
  return WinNcLayout(w.Style, w.ExStyle, windowRect.Width(), windowRect.Height()).EdgeRect;
}

HICON IconOf(const TWndRecord& w) {
  for (const TWndRecord* r = &w; r != nullptr; r = r->Owner) {
    if (r->IconBig) return r->IconBig;
    if (r->IconSmall) return r->IconSmall;
    if (r->Class && r->Class->Icon) return r->Class->Icon;
    if (r->Class && r->Class->IconSm) return r->Class->IconSm;
  }
  return nullptr;
}

SDL_Surface* SurfaceOfImage(TSdlImage& img) {
  return SDL_CreateRGBSurfaceWithFormatFrom(img.Argb.data(), img.Width, img.Height, 32, img.Width * 4,
                                            SDL_PIXELFORMAT_ARGB8888);
}

struct TSystemCursor {
  uint16_t Id;
  SDL_SystemCursor Sdl;
};
constexpr TSystemCursor kSystemCursors[] = {
    {32512, SDL_SYSTEM_CURSOR_ARROW},     {32513, SDL_SYSTEM_CURSOR_IBEAM},    {32514, SDL_SYSTEM_CURSOR_WAIT},
    {32515, SDL_SYSTEM_CURSOR_CROSSHAIR}, {32642, SDL_SYSTEM_CURSOR_SIZENWSE}, {32643, SDL_SYSTEM_CURSOR_SIZENESW},
    {32644, SDL_SYSTEM_CURSOR_SIZEWE},    {32645, SDL_SYSTEM_CURSOR_SIZENS},   {32646, SDL_SYSTEM_CURSOR_SIZEALL},
    {32648, SDL_SYSTEM_CURSOR_NO},        {32649, SDL_SYSTEM_CURSOR_HAND},     {32650, SDL_SYSTEM_CURSOR_WAITARROW},
};

}  // namespace

struct TSdlBackend::TWin {
  HWND Hwnd = nullptr;
  SDL_Window* Window = nullptr;
  uint32_t Id = 0;
  bool Framed = false;  // the window manager's frame replaces the window system's
  bool Shaped = false;  // made with SDL_CreateShapedWindow
  bool Popup = false;   // never takes activation
  bool Visible = false;
  bool Minimized = false;
  bool Maximized = false;
  bool Topmost = false;
  int32_t Applying = 0;  // SDL's changes are being applied to the window record
  TRect Shown;           // screen rectangle the SDL window shows, as last requested or reported
  std::deque<TPending> PendingPos, PendingSize;
  // Presentation.
  std::vector<TRect> Dirty;  // surface coordinates
  bool AllDirty = true;
  // Looks.
  String Title;
  HICON Icon = nullptr;
  uint8_t Alpha = 255;
  // Shape: what the current mask was made from.
  int32_t DriverW = 0, DriverH = 0;  // the size SDL's shape buffer was made for
  bool ShapeSet = false;
  bool ShapeHasRgn = false;
  TRegion ShapeRgn;
  bool ShapeKeyOn = false;
  COLORREF ShapeKey = 0;
  int32_t ShapeW = 0, ShapeH = 0;
};

// ================================================================================
// Life cycle
// ================================================================================

TSdlBackend::TSdlBackend() : FMainThread(std::this_thread::get_id()) {}

std::unique_ptr<TSdlBackend> TSdlBackend::Create(String& error) {
  std::unique_ptr<TSdlBackend> b(new TSdlBackend);
  if (!b->Start(error)) return nullptr;
  return b;
}

bool TSdlBackend::Start(String& error) {
  // The click that activates a window is also delivered, as the controls
  // expect of the window system; windows close only when the program says so.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Window surfaces stay in memory (shared memory images on X11): a GPU
  // texture would make SDL create the window again as an OpenGL one, which
  // loses its shape and needs GL on the display.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return false;
  }
  // Without a display SDL falls back to drivers that show nothing; they
  // count only when asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
      !(asked && SDL_strcasecmp(asked, driver) == 0)) {
    error = String("SDL offers only its \"") + driver + "\" video driver";
    SDL_Quit();
    return false;
  }
  FWakeEvent = SDL_RegisterEvents(1);
  if (FWakeEvent == uint32_t(-1)) {
    error = "no SDL user event left";
    SDL_Quit();
    return false;
  }
  SDL_StartTextInput();
  FAlive = true;
  RefreshMonitors();
  SetClipboardMirror(TClipboardMirror{[this](const String& text) {
                                        SDL_SetClipboardText(text.c_str());
                                        FPublished = text;
                                      },
                                      [this](String& text) {
                                        if (!FClipboardDirty) return false;
                                        FClipboardDirty = false;
                                        if (!SDL_HasClipboardText()) return false;
                                        char* t = SDL_GetClipboardText();
                                        String s = t ? t : "";
                                        SDL_free(t);
                                        if (s == FPublished) return false;
                                        FPublished = s;
                                        text = s;
                                        return true;
                                      }});
  return true;
}

TSdlBackend::~TSdlBackend() {
  if (!FAlive) return;
  FAlive = false;
  SetClipboardMirror(TClipboardMirror{});
  if (&WinBackend() == this) WinSetBackend(nullptr);
  for (auto& [hwnd, win] : FWins) SDL_DestroyWindow(win->Window);
  FWins.clear();
  FById.clear();
  SDL_SetCursor(SDL_GetDefaultCursor());
  if (FImageCursor) SDL_FreeCursor(FImageCursor);
  for (auto& [id, c] : FSystemCursors) SDL_FreeCursor(c);
  SDL_Quit();
}

void TSdlBackend::RefreshMonitors() {
  std::vector<TMonitorDesc> list;
  const int n = SDL_GetNumVideoDisplays();
  for (int i = 0; i < n; ++i) {
    SDL_Rect b, u;
    if (SDL_GetDisplayBounds(i, &b) != 0) continue;
    if (SDL_GetDisplayUsableBounds(i, &u) != 0) u = b;
    list.push_back(
        TMonitorDesc{Bounds(b.x, b.y, b.w, b.h), Bounds(u.x, u.y, u.w, u.h), "\\\\.\\DISPLAY" + std::to_string(i + 1)});
  }
  if (list.empty()) list.push_back(TMonitorDesc{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 1024), "\\\\.\\DISPLAY1"});
  FMonitors = std::move(list);
  GdiSetScreenSize(FMonitors[0].Bounds.Width(), FMonitors[0].Bounds.Height());
  WinMonitorsChanged();
}

// ================================================================================
// Waiting and events
// ================================================================================

void TSdlBackend::Wake() {
  if (!FAlive.load() || std::this_thread::get_id() == FMainThread) return;
  if (FWakePending.exchange(true)) return;
  SDL_Event e;
  SDL_zero(e);
  e.type = FWakeEvent;
  if (SDL_PushEvent(&e) <= 0) FWakePending = false;
}

void TSdlBackend::Wait(const char* /*loop*/, bool hasTimer, uint64_t nextDue) {
  Flush();
  if (WinPostedSinceBaseline()) return;  // a post landed while the loop looked
  int timeout = kMaxWaitMs;
  if (hasTimer) {
    const uint64_t now = GetTickCount64();
    timeout = nextDue > now ? int(std::min<uint64_t>(nextDue - now, kMaxWaitMs)) : 0;
  }
  SDL_Event e;
  if (timeout > 0 ? SDL_WaitEventTimeout(&e, timeout) : SDL_PollEvent(&e)) {
    Handle(e);
    for (int n = 0; n < kBatch && SDL_PollEvent(&e); ++n) Handle(e);
  }
  EndBatch();
}

void TSdlBackend::PumpEvents() {
  WinAssertMainThread("TSdlBackend::PumpEvents");
  SDL_Event e;
  for (int n = 0; n < kBatch && SDL_PollEvent(&e); ++n) Handle(e);
  EndBatch();
  Flush();
}

void TSdlBackend::FlushPointer() {
  if (!FPointerPending) return;
  FPointerPending = false;
  const TPoint p = GlobalPointer();
  if (!SamePoint(p, WinCursorPosition())) WinInputMouseMove(p);
}

void TSdlBackend::EndBatch() {
  FlushPointer();
  if (FFocusLost) {
    FFocusLost = false;
    // The application lost the keyboard unless another of its windows took
    // it, or the program hid the window that had it: without a window
    // manager the keyboard then goes nowhere, and the active window takes it.
    if (SDL_GetKeyboardFocus() == nullptr) {
      if (FKeyboardHidden)
        FocusActive();
      else
        WinInputAppActive(false);
    }
    FKeyboardHidden = false;
  }
}

void TSdlBackend::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      if (OnQuit)
        OnQuit();
      else
        PostQuitMessage(0);
      return;
    case SDL_WINDOWEVENT: HandleWindowEvent(e); return;
    case SDL_MOUSEMOTION: FPointerPending = true; return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      TRawButton b;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT: b = TRawButton::Left; break;
        case SDL_BUTTON_MIDDLE: b = TRawButton::Middle; break;
        case SDL_BUTTON_RIGHT: b = TRawButton::Right; break;
        default: return;
      }
      // Positions are read from the pointer itself: a window that moves
      // under it (dragging a frame) never skews them.
      FPointerPending = false;
      WinInputMouseButton(b, e.type == SDL_MOUSEBUTTONDOWN, GlobalPointer());
      return;
    }
    case SDL_MOUSEWHEEL: {
      int32_t dx = e.wheel.x, dy = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
        dx = -dx;
        dy = -dy;
      }
      FPointerPending = true;
      FlushPointer();
      const TPoint p = WinCursorPosition();
      if (dy != 0) WinInputWheel(p, dy * WHEEL_DELTA);
      if (dx != 0) WinInputWheel(p, dx * WHEEL_DELTA, true);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      FlushPointer();
      FKeyMod = e.key.keysym.mod;
      const TSdlKey k = SdlKeyToVk(e.key.keysym.sym, e.key.keysym.scancode, e.key.keysym.mod);
      if (k.Vk != 0) WinInputKey(k.Vk, e.type == SDL_KEYDOWN, k.Scan);
      return;
    }
    case SDL_TEXTINPUT:
      // Modifiers as of the key that typed the text: the whole batch of
      // events was read before any of it is handled.
      if (SdlTextSuppressed(FKeyMod)) return;
      for (uint32_t c : CodePoints(e.text.text)) WinInputChar(c);
      return;
    case SDL_DROPBEGIN: FDrops[e.drop.windowID].clear(); return;
    case SDL_DROPFILE:
      if (e.drop.file) {
        FDrops[e.drop.windowID].push_back(e.drop.file);
        SDL_free(e.drop.file);
      }
      return;
    case SDL_DROPTEXT:
      if (e.drop.file) SDL_free(e.drop.file);
      return;
    case SDL_DROPCOMPLETE: DeliverDrop(e.drop.windowID); return;
    case SDL_CLIPBOARDUPDATE: FClipboardDirty = true; return;
    case SDL_DISPLAYEVENT: RefreshMonitors(); return;
    default:
      if (e.type == FWakeEvent) FWakePending = false;
      return;
  }
}

void TSdlBackend::DeliverDrop(uint32_t windowId) {
  auto it = FDrops.find(windowId);
  if (it == FDrops.end()) return;
  std::vector<String> files = std::move(it->second);
  FDrops.erase(it);
  if (files.empty()) return;
  TPoint p = GlobalPointer();
  if (TWin* win = FindById(windowId))
    if (TWndRecord* w = WinFind(win->Hwnd)) {
      const TRect& r = w->WindowRect;
      if (!PtInRect(r, p)) p = TPoint{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    }
  // Drops carry no key state: the effect follows the modifiers held now.
  const SDL_Keymod m = SDL_GetModState();
  uint32_t keys = 0;
  if ((m & KMOD_SHIFT) != 0) keys |= MK_SHIFT;
  if ((m & KMOD_CTRL) != 0) keys |= MK_CONTROL;
  if ((m & KMOD_ALT) != 0) keys |= MK_ALT;
  WinInputDropFiles(files, p, keys);
}

void TSdlBackend::HandleWindowEvent(const SDL_Event& e) {
  TWin* win = FindById(e.window.windowID);
  if (!win) return;
  const HWND h = win->Hwnd;
  TWndRecord* w = WinFind(h);
  if (!w) return;
  auto apply = [&](const std::function<void()>& fn) {
    win->Applying++;
    fn();
    if (TWin* again = Find(h)) again->Applying--;
  };
  switch (e.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: win->AllDirty = true; return;
    case SDL_WINDOWEVENT_MOVED: {
      const int32_t x = e.window.data1, y = e.window.data2;
      if (win->Minimized || EchoOf(win->PendingPos, x, y)) return;
      // Moved by the window manager or the user.
      win->Shown = Bounds(x, y, win->Shown.Width(), win->Shown.Height());
      const TRect part = ShownPart(win->Framed, *w, w->WindowRect);
      const TPoint off{part.Left, part.Top};
      if (w->WindowRect.Left != x - off.X || w->WindowRect.Top != y - off.Y)
        apply(
            [&] { SetWindowPos(h, nullptr, x - off.X, y - off.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); });
      if ((w = WinFind(h)) != nullptr && (win = Find(h)) != nullptr) SyncGeometry(*win, *w);
      return;
    }
    case SDL_WINDOWEVENT_RESIZED: {
      const int32_t cx = e.window.data1, cy = e.window.data2;
      if (win->Minimized || EchoOf(win->PendingSize, cx, cy)) return;
      win->Shown = Bounds(win->Shown.Left, win->Shown.Top, cx, cy);
      win->AllDirty = true;
      const TRect part = ShownPart(win->Framed, *w, w->WindowRect);
      const int32_t ncx = w->WindowRect.Width() - part.Width(), ncy = w->WindowRect.Height() - part.Height();
      if (w->WindowRect.Width() != cx + ncx || w->WindowRect.Height() != cy + ncy)
        apply([&] { SetWindowPos(h, nullptr, 0, 0, cx + ncx, cy + ncy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); });
      // The program may have kept another size (WM_WINDOWPOSCHANGING): it wins.
      if ((w = WinFind(h)) != nullptr && (win = Find(h)) != nullptr) SyncGeometry(*win, *w);
      return;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      if (win->Minimized) return;
      win->Minimized = true;
      apply([&] { ShowWindow(h, SW_MINIMIZE); });
      return;
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (win->Maximized && !win->Minimized) return;
      win->Maximized = true;
      win->Minimized = false;
      apply([&] { ShowWindow(h, SW_SHOWMAXIMIZED); });
      if ((win = Find(h)) != nullptr) AdoptSdlGeometry(*win);
      return;
    case SDL_WINDOWEVENT_RESTORED:
      if (!win->Minimized && !win->Maximized) return;
      win->Minimized = win->Maximized = false;
      apply([&] { ShowWindow(h, SW_RESTORE); });
      if ((w = WinFind(h)) != nullptr && (win = Find(h)) != nullptr) {
        win->Maximized = (w->Style & WS_MAXIMIZE) != 0;
        AdoptSdlGeometry(*win);
      }
      return;
    case SDL_WINDOWEVENT_CLOSE: PostMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0); return;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      // Late news of a window the program hid since.
      if (!win->Visible) return FocusActive();
      if (win->Popup || !WinIsActivatable(*w)) {
        // Without a window manager SDL focuses every window it shows: hand
        // the keyboard back to the window that had it.
        if (FKeyboardWindow && FKeyboardWindow != win->Window) SDL_SetWindowInputFocus(FKeyboardWindow);
        return;
      }
      FKeyboardWindow = win->Window;
      if (GetActiveWindow() == nullptr) WinInputAppActive(true);
      if (IsWindow(h) && GetActiveWindow() != h) SetActiveWindow(h);
      return;
    case SDL_WINDOWEVENT_FOCUS_LOST: FFocusLost = true; return;
    case SDL_WINDOWEVENT_ENTER:
    case SDL_WINDOWEVENT_LEAVE: FPointerPending = true; return;
    default: return;
  }
}

// ================================================================================
// Windows
// ================================================================================

TSdlBackend::TWin* TSdlBackend::Find(HWND hwnd) const {
  auto it = FWins.find(hwnd);
  return it == FWins.end() ? nullptr : it->second.get();
}

TSdlBackend::TWin* TSdlBackend::FindById(uint32_t id) const {
  auto it = FById.find(id);
  return it == FById.end() ? nullptr : Find(it->second);
}

SDL_Window* TSdlBackend::WindowOf(HWND hwnd) const {
  TWin* w = Find(hwnd);
  return w ? w->Window : nullptr;
}

bool TSdlBackend::IsFramed(HWND hwnd) const {
  TWin* w = Find(hwnd);
  return w && w->Framed;
}

void TSdlBackend::CreateWindowFor(TWndRecord& w, const TWinPosChange& change) {
  auto win = std::make_unique<TWin>();
  win->Hwnd = w.Handle;
  win->Framed = WantsNativeFrame(w);
  if (!IsWindow(win->Hwnd)) return;
  const bool noActivate = (w.ExStyle & WS_EX_NOACTIVATE) != 0 || (change.Flags & SWP_NOACTIVATE) != 0;
  win->Popup = !win->Framed && (w.Style & WS_POPUP) != 0 && noActivate;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (win->Framed) {
    if ((w.Style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;
  } else {
    flags |= SDL_WINDOW_BORDERLESS;
  }
  win->Topmost = (w.ExStyle & WS_EX_TOPMOST) != 0;
  if (win->Topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  // Menus, drop-down lists and hints are override-redirect on X11: the
  // keyboard stays with the form and the window system routes it. SDL takes
  // one window type only.
  if (win->Popup)
    flags |= SDL_WINDOW_SKIP_TASKBAR | (IsHintClass(w) ? SDL_WINDOW_TOOLTIP : SDL_WINDOW_POPUP_MENU);
  else if ((w.ExStyle & WS_EX_TOOLWINDOW) != 0)
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY;

  const TRect wr = (w.Style & WS_MINIMIZE) != 0 ? w.NormalRect : w.WindowRect;
  TRect r = ShownPart(win->Framed, w, wr);
  OffsetRect(r, wr.Left, wr.Top);
  const int32_t cw = std::max(r.Width(), 1), ch = std::max(r.Height(), 1);
  win->Title = w.Text;
  if (!win->Framed) {
    win->Window = SDL_CreateShapedWindow(win->Title.c_str(), unsigned(r.Left), unsigned(r.Top), unsigned(cw),
                                         unsigned(ch), flags);
    win->Shaped = win->Window != nullptr;
  }
  if (!win->Window) win->Window = SDL_CreateWindow(win->Title.c_str(), r.Left, r.Top, cw, ch, flags);
  if (!win->Window) {
    // The window stays invisible to the user; the program goes on.
    std::fprintf(stderr, "SDL could not make a window for \"%s\": %s\n", w.Text.c_str(), SDL_GetError());
    FFailed.insert(w.Handle);
    return;
  }
  win->Id = SDL_GetWindowID(win->Window);
  win->DriverW = cw;
  win->DriverH = ch;
  win->Shown = Bounds(r.Left, r.Top, cw, ch);
  TWin& ref = *win;
  FById[ref.Id] = w.Handle;
  FWins[w.Handle] = std::move(win);
  if (ref.Framed) SyncMinSize(ref, w);
  SyncLooks(ref, w);
  // A shaped window is placed when its first shape is set, before it shows.
  SyncShape(ref, w, true);
  SDL_SetWindowPosition(ref.Window, r.Left, r.Top);
}

void TSdlBackend::DestroyWin(HWND hwnd) {
  auto it = FWins.find(hwnd);
  if (it == FWins.end()) return;
  TWin& win = *it->second;
  if (FKeyboardWindow == win.Window) FKeyboardWindow = nullptr;
  if (SDL_GetKeyboardFocus() == win.Window || hwnd == GetActiveWindow()) FKeyboardHidden = true;
  FById.erase(win.Id);
  FDrops.erase(win.Id);
  SDL_DestroyWindow(win.Window);
  FWins.erase(it);
}

void TSdlBackend::TopLevelChanged(HWND hwnd, const TWinPosChange& change) {
  TWndRecord* w = WinFind(hwnd);
  if (!w || !w->IsTopLevel() || w->IsMessageOnly()) return;
  TWin* win = Find(hwnd);
  if (win && win->Applying > 0) return;  // the change came from SDL
  if (win && (change.Flags & SWP_FRAMECHANGED) != 0) {
    const bool framed = WantsNativeFrame(*w);
    if (!(w = WinFind(hwnd))) return;
    if (framed != win->Framed) {
      // A skinned frame turned on or off: the window is made again.
      DestroyWin(hwnd);
      win = nullptr;
    } else if (win->Framed) {
      SyncMinSize(*win, *w);
    }
  }
  if (!win) {
    if (!change.Visible || FFailed.count(hwnd) != 0) return;
    CreateWindowFor(*w, change);
    win = Find(hwnd);
    if (!win) return;
  }
  if (!change.Visible) {
    if (win->Visible) {
      // SDL learns of a focus change late: the active window has it too.
      if (SDL_GetKeyboardFocus() == win->Window || hwnd == GetActiveWindow()) FKeyboardHidden = true;
      SDL_HideWindow(win->Window);
    }
    win->Visible = false;
    return;
  }
  const bool topmost = (w->ExStyle & WS_EX_TOPMOST) != 0;
  if (topmost != win->Topmost) {
    SDL_SetWindowAlwaysOnTop(win->Window, topmost ? SDL_TRUE : SDL_FALSE);
    win->Topmost = topmost;
  }
  SyncGeometry(*win, *w);
  if (!win->Visible) {
    SDL_ShowWindow(win->Window);
    win->Visible = true;
    win->AllDirty = true;
  }
  SyncState(*win, *w);
}

void TSdlBackend::TopLevelDestroyed(HWND hwnd) {
  DestroyWin(hwnd);
  FFailed.erase(hwnd);
}

void TSdlBackend::SyncState(TWin& win, TWndRecord& w) {
  const bool min = (w.Style & WS_MINIMIZE) != 0;
  const bool max = (w.Style & WS_MAXIMIZE) != 0;
  if (min != win.Minimized) {
    if (min)
      SDL_MinimizeWindow(win.Window);
    else
      SDL_RestoreWindow(win.Window);
    win.Minimized = min;
  }
  if (win.Framed && !min && max != win.Maximized) {
    if (max)
      SDL_MaximizeWindow(win.Window);
    else
      SDL_RestoreWindow(win.Window);
  }
  win.Maximized = max;
}

void TSdlBackend::SyncGeometry(TWin& win, TWndRecord& w) {
  if ((w.Style & WS_MINIMIZE) != 0 || win.Minimized) return;
  // The window manager sizes a maximised framed window.
  if (win.Framed && win.Maximized && (w.Style & WS_MAXIMIZE) != 0) return;
  TRect t = ShownPart(win.Framed, w, w.WindowRect);
  OffsetRect(t, w.WindowRect.Left, w.WindowRect.Top);
  const int32_t cw = std::max(t.Width(), 1), ch = std::max(t.Height(), 1);
  if (cw != win.Shown.Width() || ch != win.Shown.Height()) {
    SDL_SetWindowSize(win.Window, cw, ch);
    Expect(win.PendingSize, cw, ch);
    win.DriverW = cw;
    win.DriverH = ch;
    win.AllDirty = true;
  }
  if (t.Left != win.Shown.Left || t.Top != win.Shown.Top) {
    SDL_SetWindowPosition(win.Window, t.Left, t.Top);
    Expect(win.PendingPos, t.Left, t.Top);
  }
  win.Shown = Bounds(t.Left, t.Top, cw, ch);
}

void TSdlBackend::AdoptSdlGeometry(TWin& win) {
  TWndRecord* w = WinFind(win.Hwnd);
  if (!w || win.Minimized) return;
  int x = 0, y = 0, cx = 0, cy = 0;
  SDL_GetWindowPosition(win.Window, &x, &y);
  SDL_GetWindowSize(win.Window, &cx, &cy);
  win.Shown = Bounds(x, y, cx, cy);
  win.AllDirty = true;
  const TRect part = ShownPart(win.Framed, *w, w->WindowRect);
  const TRect target{x - part.Left, y - part.Top, x - part.Left + cx + w->WindowRect.Width() - part.Width(),
                     y - part.Top + cy + w->WindowRect.Height() - part.Height()};
  if (target == w->WindowRect) return;
  const HWND h = win.Hwnd;
  win.Applying++;
  SetWindowPos(h, nullptr, target.Left, target.Top, target.Width(), target.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (TWin* again = Find(h)) again->Applying--;
}

void TSdlBackend::SyncMinSize(TWin& win, TWndRecord& w) {
  const MINMAXINFO mmi = WinQueryMinMax(w);
  TWndRecord* again = WinFind(win.Hwnd);
  if (!again) return;
  const TRect part = ShownPart(true, *again, again->WindowRect);
  const int32_t ncx = again->WindowRect.Width() - part.Width();
  const int32_t ncy = again->WindowRect.Height() - part.Height();
  SDL_SetWindowMinimumSize(win.Window, std::max(mmi.ptMinTrackSize.X - ncx, 1),
                           std::max(mmi.ptMinTrackSize.Y - ncy, 1));
}

void TSdlBackend::SyncLooks(TWin& win, TWndRecord& w) {
  if (w.Text != win.Title) {
    win.Title = w.Text;
    SDL_SetWindowTitle(win.Window, win.Title.c_str());
  }
  HICON icon = IconOf(w);
  if (!icon) icon = FApplicationIcon;
  if (icon != win.Icon) {
    win.Icon = icon;
    TSdlImage img;
    if (icon && SdlIconImage(icon, img)) {
      if (SDL_Surface* s = SurfaceOfImage(img)) {
        SDL_SetWindowIcon(win.Window, s);
        SDL_FreeSurface(s);
      }
    }
  }
}

void TSdlBackend::SyncShape(TWin& win, TWndRecord& w, bool pixelsChanged) {
  if (win.Framed) return;
  // Opacity needs a compositor; without one SDL fails and the window stays opaque.
  const bool layered = (w.ExStyle & WS_EX_LAYERED) != 0;
  const uint8_t alpha = layered && (w.LayeredFlags & LWA_ALPHA) != 0 ? w.LayeredAlpha : 255;
  if (alpha != win.Alpha) {
    SDL_SetWindowOpacity(win.Window, float(alpha) / 255.0f);
    win.Alpha = alpha;
  }
  if (!win.Shaped) return;
  int sw = 0, sh = 0;
  SDL_GetWindowSize(win.Window, &sw, &sh);
  // SDL keeps its shape buffer at the size it last set itself.
  if (sw != win.DriverW || sh != win.DriverH) return;
  const bool keyOn = layered && (w.LayeredFlags & LWA_COLORKEY) != 0;
  const bool hasRgn = w.WindowRgn != nullptr;
  const bool changed = !win.ShapeSet || sw != win.ShapeW || sh != win.ShapeH || hasRgn != win.ShapeHasRgn ||
                       (hasRgn && !(*w.WindowRgn == win.ShapeRgn)) || keyOn != win.ShapeKeyOn ||
                       (keyOn && (w.LayeredKey != win.ShapeKey || pixelsChanged));
  if (!changed) return;
  std::vector<uint32_t> mask;
  if (keyOn) {
    std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(w);
    const TGdiRaster r = image ? GdiBitmapRaster(image->Bitmap) : TGdiRaster();
    const TSdlSource src{r.Bits, r.Width, r.Height, r.Stride, r.TopDown};
    mask = SdlShapeMask(sw, sh, w.WindowRgn.get(), &src, true, w.LayeredKey);
  } else {
    mask = SdlShapeMask(sw, sh, w.WindowRgn.get(), nullptr, false, 0);
  }
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(mask.data(), sw, sh, 32, sw * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return;
  SDL_WindowShapeMode mode;
  mode.mode = ShapeModeBinarizeAlpha;
  mode.parameters.binarizationCutoff = 128;
  SDL_SetWindowShape(win.Window, s, &mode);
  SDL_FreeSurface(s);
  win.ShapeSet = true;
  win.ShapeW = sw;
  win.ShapeH = sh;
  win.ShapeHasRgn = hasRgn;
  win.ShapeRgn = hasRgn ? *w.WindowRgn : TRegion();
  win.ShapeKeyOn = keyOn;
  win.ShapeKey = w.LayeredKey;
}

// ================================================================================
// Presentation
// ================================================================================

void TSdlBackend::Present(HWND hwnd, const TRect& dirty) {
  TWin* win = Find(hwnd);
  if (!win || win->AllDirty) return;
  win->Dirty.push_back(dirty);
  if (win->Dirty.size() > 4 * kRectLimit) {
    win->Dirty.clear();
    win->AllDirty = true;
  }
}

void TSdlBackend::PresentWin(TWin& win, TWndRecord& w) {
  if (!win.AllDirty && win.Dirty.empty()) return;
  std::vector<TRect> dirty;
  dirty.swap(win.Dirty);
  const bool all = win.AllDirty;
  win.AllDirty = false;
  if (!win.Visible || win.Minimized || (w.Style & WS_MINIMIZE) != 0) return;
  SDL_Surface* s = SDL_GetWindowSurface(win.Window);
  if (!s) return;
  std::shared_ptr<TSurfaceImage> image = WinSurfaceOf(w);
  if (!image) return;
  const TGdiRaster r = GdiBitmapRaster(image->Bitmap);
  const TSdlSource src{r.Bits, r.Width, r.Height, r.Stride, r.TopDown};
  // Surface coordinates of the SDL window's top-left pixel.
  const TRect part = ShownPart(win.Framed, w, w.WindowRect);
  const TPoint off{part.Left, part.Top};
  const TRect area{0, 0, s->w, s->h};
  std::vector<SDL_Rect> rects;
  TRect box;
  auto add = [&](TRect d) {
    OffsetRect(d, -off.X, -off.Y);
    TRect c;
    if (!IntersectRect(c, d, area)) return;
    rects.push_back(SDL_Rect{c.Left, c.Top, c.Width(), c.Height()});
    UnionRect(box, box, c);
  };
  if (all)
    add(Bounds(off.X, off.Y, s->w, s->h));
  else
    for (const TRect& d : dirty) add(d);
  if (rects.empty()) return;
  if (rects.size() > kRectLimit) rects.assign(1, SDL_Rect{box.Left, box.Top, box.Width(), box.Height()});

  const bool lock = SDL_MUSTLOCK(s);
  if (lock && SDL_LockSurface(s) != 0) return;
  const TSdlTarget t{static_cast<uint8_t*>(s->pixels),
                     s->w,
                     s->h,
                     s->pitch,
                     s->format->BytesPerPixel,
                     s->format->Rmask,
                     s->format->Gmask,
                     s->format->Bmask,
                     s->format->Amask};
  bool direct = true;
  for (const SDL_Rect& q : rects)
    if (!SdlCopyPixels(src, q.x + off.X, q.y + off.Y, t, q.x, q.y, q.w, q.h)) direct = false;
  if (lock) SDL_UnlockSurface(s);
  if (!direct) {
    // A frame buffer format of its own (a palette, deep colour): through a
    // 32-bit surface and SDL's blit.
    for (const SDL_Rect& q : rects) {
      SDL_Surface* tmp = SDL_CreateRGBSurfaceWithFormat(0, q.w, q.h, 32, SDL_PIXELFORMAT_XRGB8888);
      if (!tmp) continue;
      const TSdlTarget tt{
          static_cast<uint8_t*>(tmp->pixels), tmp->w, tmp->h, tmp->pitch, 4, 0x00FF0000, 0x0000FF00, 0x000000FF, 0};
      SdlCopyPixels(src, q.x + off.X, q.y + off.Y, tt, 0, 0, q.w, q.h);
      SDL_Rect dst = q;
      SDL_BlitSurface(tmp, nullptr, s, &dst);
      SDL_FreeSurface(tmp);
    }
  }
  SDL_UpdateWindowSurfaceRects(win.Window, rects.data(), int(rects.size()));
}

// Raising alone moves no keyboard without a window manager (and SDL's own
// windows revert the focus to none when they go): the window the program
// activated asks for it too.
void TSdlBackend::RaiseWithKeyboard(TWin& win) {
  SDL_RaiseWindow(win.Window);
  SDL_SetWindowInputFocus(win.Window);
}

void TSdlBackend::FocusActive() {
  TWin* a = Find(GetActiveWindow());
  if (a && a->Visible && !a->Popup) RaiseWithKeyboard(*a);
}

void TSdlBackend::Flush() {
  if (!FAlive) return;
  // Outside our windows SDL reports no motion: keep GetCursorPos current.
  if (SDL_GetMouseFocus() == nullptr && GetCapture() == nullptr) {
    const TPoint p = GlobalPointer();
    if (!SamePoint(p, WinCursorPosition())) WinStoreCursorPosition(p);
  }
  // The window system activated a window: bring it up, keeping the
  // popups that stand above it there.
  const HWND active = GetActiveWindow();
  if (active != FLastActive) {
    FLastActive = active;
    TWin* a = Find(active);
    if (a && a->Visible && !a->Popup && SDL_GetKeyboardFocus() != a->Window) {
      RaiseWithKeyboard(*a);
      std::vector<TWin*> above;
      for (TWndRecord* t : WinDesktop().Children) {
        if (t->Handle == active) break;
        TWin* p = Find(t->Handle);
        if (p && p->Visible && p->Popup) above.push_back(p);
      }
      for (auto it = above.rbegin(); it != above.rend(); ++it) SDL_RaiseWindow((*it)->Window);
    }
  }
  // SetParent tells the backend nothing: a window that stopped being a
  // top-level one loses its SDL window, a shown one that became one gets it.
  std::vector<HWND> handles;
  handles.reserve(FWins.size());
  for (auto& [h, win] : FWins) handles.push_back(h);
  for (HWND h : handles) {
    TWndRecord* w = WinFind(h);
    if (!w || !w->IsTopLevel()) DestroyWin(h);
  }
  std::vector<HWND> adopted;
  for (TWndRecord* t : WinDesktop().Children)
    if (t->Alive() && (t->Style & WS_VISIBLE) != 0 && !Find(t->Handle) && !FFailed.count(t->Handle))
      adopted.push_back(t->Handle);
  for (HWND h : adopted) {
    TWinPosChange change;
    change.Visible = change.WasVisible = true;
    change.Flags = SWP_NOACTIVATE;
    TopLevelChanged(h, change);
  }
  handles.clear();
  for (auto& [h, win] : FWins) handles.push_back(h);
  for (HWND h : handles) {
    TWin* win = Find(h);
    TWndRecord* w = WinFind(h);
    if (!win || !w) continue;
    SyncLooks(*win, *w);
    SyncShape(*win, *w, win->AllDirty || !win->Dirty.empty());
    PresentWin(*win, *w);
  }
}

// ================================================================================
// Pointer, cursor, capture
// ================================================================================

void TSdlBackend::CursorChanged(HCURSOR cursor, bool visible) {
  SDL_ShowCursor(visible && cursor ? SDL_ENABLE : SDL_DISABLE);
  if (FCursorSet && cursor == FCursor) return;
  FCursorSet = true;
  FCursor = cursor;
  if (!cursor) return;
  for (const TSystemCursor& sc : kSystemCursors) {
    if (WinSystemCursor(sc.Id) != cursor) continue;
    SDL_Cursor*& c = FSystemCursors[sc.Id];
    if (!c) c = SDL_CreateSystemCursor(sc.Sdl);
    if (c) SDL_SetCursor(c);
    return;
  }
  TSdlImage img;
  if (!SdlIconImage(cursor, img)) return;
  SDL_Surface* s = SurfaceOfImage(img);
  if (!s) return;
  SDL_Cursor* c = SDL_CreateColorCursor(s, img.HotX, img.HotY);
  SDL_FreeSurface(s);
  if (!c) return;
  SDL_SetCursor(c);
  if (FImageCursor) SDL_FreeCursor(FImageCursor);
  FImageCursor = c;
}

void TSdlBackend::CaptureChanged(HWND hwnd) {
  // Drags, the move/size loop and drop-down tracking follow the pointer
  // outside our windows. Fails quietly when no window has the keyboard.
  SDL_CaptureMouse(hwnd ? SDL_TRUE : SDL_FALSE);
}

void TSdlBackend::PointerMoved(TPoint screen) { SDL_WarpMouseGlobal(screen.X, screen.Y); }

// ================================================================================
// Message boxes
// ================================================================================

int32_t TSdlBackend::MessageBox(HWND owner, const String& text, const String& caption, uint32_t flags) {
  if (!owner) owner = GetActiveWindow();
  SDL_Window* parent = nullptr;
  if (TWndRecord* w = WinFind(owner))
    if (TWndRecord* root = WinRootOf(w)) parent = WindowOf(root->Handle);
  struct TButton {
    int32_t Id;
    const char* Text;
  };
  std::vector<TButton> list;
  int32_t escape = kIdCancel;
  switch (flags & kMbTypeMask) {
    case kMbOkCancel: list = {{kIdOk, "OK"}, {kIdCancel, "Cancel"}}; break;
    case kMbAbortRetryIgnore:
      list = {{kIdAbort, "Abort"}, {kIdRetry, "Retry"}, {kIdIgnore, "Ignore"}};
      escape = 0;
      break;
    case kMbYesNoCancel: list = {{kIdYes, "Yes"}, {kIdNo, "No"}, {kIdCancel, "Cancel"}}; break;
    case kMbYesNo:
      list = {{kIdYes, "Yes"}, {kIdNo, "No"}};
      escape = 0;
      break;
    case kMbRetryCancel: list = {{kIdRetry, "Retry"}, {kIdCancel, "Cancel"}}; break;
    default:
      list = {{kIdOk, "OK"}};
      escape = kIdOk;
      break;
  }
  const size_t def = std::min<size_t>((flags >> 8) & 0x0F, list.size() - 1);
  std::vector<SDL_MessageBoxButtonData> buttons;
  for (size_t i = 0; i < list.size(); ++i) {
    SDL_MessageBoxButtonData b;
    SDL_zero(b);
    b.buttonid = list[i].Id;
    b.text = list[i].Text;
    if (i == def) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (list[i].Id == escape) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons.push_back(b);
  }
  Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
  switch (flags & 0xF0) {
    case MB_ICONHAND: kind = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONEXCLAMATION: kind = SDL_MESSAGEBOX_WARNING; break;
    default: break;
  }
  SDL_MessageBoxData data;
  SDL_zero(data);
  data.flags = kind | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.window = parent;
  data.title = caption.c_str();
  data.message = text.c_str();
  data.numbuttons = int(buttons.size());
  data.buttons = buttons.data();
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return 0;
  if (pressed < 0) return (flags & kMbTypeMask) == kMbYesNo ? kIdNo : escape ? escape : kIdCancel;
  return pressed;
}
