// Input: the raw input queue filled by the backend and its routing into
// window messages (capture, hit testing, WM_SETCURSOR, WM_MOUSEACTIVATE,
// double clicks, the wheel, keys), key state, mouse tracking, focus,
// activation and capture, TranslateMessage and the input defaults of
// DefWindowProc.
#include <algorithm>
#include <cstdlib>
#include <deque>

#include "platform/gui/win_core.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scopeguard.h"

namespace {

struct TRawEvent {
  enum TKind : uint8_t { Move, Button, Wheel, Key, Char } Kind = Move;
  uint64_t Serial = 0;
  TRawButton Btn = TRawButton::Left;
  bool Down = false;
  TPoint Pt;
  int32_t Delta = 0;
  bool Horizontal = false;
  uint32_t Vk = 0;
  uint32_t KeyLParam = 0;
  bool AltDown = false;   // before the event
  bool CtrlDown = false;  // before the event
  uint32_t Chr = 0;
  WPARAM Keys = 0;  // MK_* after the event
  uint32_t Time = 0;
  bool Cooked = false;
  bool Cooking = false;  // being routed (a handler on the way may pump)
  bool Dropped = false;
  TMSG Msg;
};

struct TClickTrack {
  bool Valid = false;
  TRawButton Btn = TRawButton::Left;
  HWND Hwnd = nullptr;
  bool Client = true;
  uint32_t Time = 0;
  TPoint Pt;
};

struct TInput {
  std::deque<TRawEvent> Raw;
  uint64_t Serial = 0;
  uint8_t Async[256] = {};
  uint8_t Sync[256] = {};
  HWND Focus = nullptr;
  HWND Active = nullptr;
  HWND Capture = nullptr;
  HWND SavedActive = nullptr;  // while the application is inactive
  int32_t ActivatingForFocus = 0;
  bool AltAlone = false;
  TClickTrack Click;
  HWND Track = nullptr;
  uint32_t TrackFlags = 0;
  uint32_t HoverTime = 400;
  uintptr_t HoverTimer = 0;
  HWND LastMouseHwnd = nullptr;
  bool LastMouseClient = false;
};

TInput& I() {
  static TInput* input = new TInput;
  return *input;
}

bool InRange(uint32_t msg, uint32_t min, uint32_t max) {
  if (min == 0 && max == 0) return true;
  return msg >= min && msg <= max;
}

bool Overlaps(uint32_t lo, uint32_t hi, uint32_t min, uint32_t max) {
  if (min == 0 && max == 0) return true;
  return lo <= max && min <= hi;
}

bool HwndMatches(HWND filter, HWND hwnd) {
  if (filter == nullptr) return true;
  if (filter == reinterpret_cast<HWND>(intptr_t(-1))) return hwnd == nullptr;
  return filter == hwnd;
}

bool Possible(const TRawEvent& e, uint32_t min, uint32_t max) {
  switch (e.Kind) {
    case TRawEvent::Move:
    case TRawEvent::Button:
    case TRawEvent::Wheel:
      return Overlaps(WM_MOUSEFIRST, WM_MOUSELAST, min, max) || Overlaps(WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, min, max);
    case TRawEvent::Key: return Overlaps(WM_KEYDOWN, WM_SYSKEYUP, min, max);
    case TRawEvent::Char: return InRange(WM_CHAR, min, max);
  }
  return false;
}

bool IsDown(const uint8_t* state, uint32_t vk) { return (state[vk & 0xFF] & 0x80) != 0; }

WPARAM MouseKeys(const uint8_t* s) {
  WPARAM k = 0;
  if (IsDown(s, VK_LBUTTON)) k |= MK_LBUTTON;
  if (IsDown(s, VK_RBUTTON)) k |= MK_RBUTTON;
  if (IsDown(s, VK_MBUTTON)) k |= MK_MBUTTON;
  if (IsDown(s, VK_SHIFT)) k |= MK_SHIFT;
  if (IsDown(s, VK_CONTROL)) k |= MK_CONTROL;
  return k;
}

// Sets a key in a state table, with the generic and the left-hand codes of
// the modifiers kept together; a fresh press flips the toggle bit.
void SetKey(uint8_t* s, uint32_t vk, bool down) {
  auto set = [&](uint32_t k) {
    k &= 0xFF;
    if (down) {
      if ((s[k] & 0x80) == 0) s[k] ^= 1;
      s[k] |= 0x80;
    } else {
      s[k] &= uint8_t(~0x80);
    }
  };
  set(vk);
  switch (vk) {
    case VK_SHIFT: set(VK_LSHIFT); break;
    case VK_CONTROL: set(VK_LCONTROL); break;
    case VK_MENU: set(VK_LMENU); break;
    case VK_LSHIFT:
    case VK_RSHIFT: set(VK_SHIFT); break;
    case VK_LCONTROL:
    case VK_RCONTROL: set(VK_CONTROL); break;
    case VK_LMENU:
    case VK_RMENU: set(VK_MENU); break;
    default: break;
  }
}

uint32_t ButtonVk(TRawButton b) {
  return b == TRawButton::Left ? VK_LBUTTON : b == TRawButton::Right ? VK_RBUTTON : VK_MBUTTON;
}

uint32_t ButtonMessage(TRawButton b, bool down) {
  switch (b) {
    case TRawButton::Left: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case TRawButton::Right: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case TRawButton::Middle: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  }
  return WM_LBUTTONDOWN;
}

// Set-1 scan codes of the US layout; 0x100 marks extended keys.
uint32_t ScanOf(uint32_t vk) {
  static const char kRow1[] = "1234567890";
  static const char kQ[] = "QWERTYUIOP";
  static const char kA[] = "ASDFGHJKL";
  static const char kZ[] = "ZXCVBNM";
  for (int i = 0; i < 10; ++i)
    if (vk == uint32_t(kRow1[i])) return 0x02 + uint32_t(i);
  for (int i = 0; i < 10; ++i)
    if (vk == uint32_t(kQ[i])) return 0x10 + uint32_t(i);
  for (int i = 0; i < 9; ++i)
    if (vk == uint32_t(kA[i])) return 0x1E + uint32_t(i);
  for (int i = 0; i < 7; ++i)
    if (vk == uint32_t(kZ[i])) return 0x2C + uint32_t(i);
  if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + (vk - VK_F1);
  switch (vk) {
    case VK_ESCAPE: return 0x01;
    case VK_OEM_MINUS: return 0x0C;
    case VK_OEM_PLUS: return 0x0D;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_OEM_4: return 0x1A;
    case VK_OEM_6: return 0x1B;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL:
    case VK_LCONTROL: return 0x1D;
    case VK_RCONTROL: return 0x11D;
    case VK_OEM_1: return 0x27;
    case VK_OEM_7: return 0x28;
    case VK_OEM_3: return 0x29;
    case VK_SHIFT:
    case VK_LSHIFT: return 0x2A;
    case VK_OEM_5: return 0x2B;
    case VK_OEM_COMMA: return 0x33;
    case VK_OEM_PERIOD: return 0x34;
    case VK_OEM_2: return 0x35;
    case VK_RSHIFT: return 0x36;
    case VK_MULTIPLY: return 0x37;
    case VK_MENU:
    case VK_LMENU: return 0x38;
    case VK_RMENU: return 0x138;
    case VK_SPACE: return 0x39;
    case VK_CAPITAL: return 0x3A;
    case VK_NUMLOCK: return 0x45;
    case VK_SCROLL: return 0x46;
    case VK_NUMPAD7: return 0x47;
    case VK_NUMPAD8: return 0x48;
    case VK_NUMPAD9: return 0x49;
    case VK_SUBTRACT: return 0x4A;
    case VK_NUMPAD4: return 0x4B;
    case VK_NUMPAD5: return 0x4C;
    case VK_NUMPAD6: return 0x4D;
    case VK_ADD: return 0x4E;
    case VK_NUMPAD1: return 0x4F;
    case VK_NUMPAD2: return 0x50;
    case VK_NUMPAD3: return 0x51;
    case VK_NUMPAD0: return 0x52;
    case VK_DECIMAL: return 0x53;
    case VK_F11: return 0x57;
    case VK_F12: return 0x58;
    case VK_HOME: return 0x147;
    case VK_UP: return 0x148;
    case VK_PRIOR: return 0x149;
    case VK_LEFT: return 0x14B;
    case VK_RIGHT: return 0x14D;
    case VK_END: return 0x14F;
    case VK_DOWN: return 0x150;
    case VK_NEXT: return 0x151;
    case VK_INSERT: return 0x152;
    case VK_DELETE: return 0x153;
    case VK_DIVIDE: return 0x135;
    case VK_LWIN: return 0x15B;
    case VK_RWIN: return 0x15C;
    case VK_APPS: return 0x15D;
    default: return 0;
  }
}

// US layout: unshifted and shifted characters of the OEM keys.
struct TOemKey {
  uint32_t Vk;
  char Plain;
  char Shifted;
};
const TOemKey kOemKeys[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},
};
const char kShiftedDigits[] = ")!@#$%^&*(";

TWndRecord* Live(HWND h) { return WinFind(h); }

bool Inside(TWndRecord* w, TWndRecord& ancestor) {
  for (; w != nullptr; w = w->Parent)
    if (w == &ancestor) return true;
  return false;
}

void ClearTracking() {
  TInput& in = I();
  if (in.HoverTimer != 0) WinKillInternalTimer(in.HoverTimer);
  in.HoverTimer = 0;
  in.Track = nullptr;
  in.TrackFlags = 0;
}

void PostLeave() {
  TInput& in = I();
  const uint32_t msg = (in.TrackFlags & TME_NONCLIENT) != 0 ? WM_NCMOUSELEAVE : WM_MOUSELEAVE;
  HWND h = in.Track;
  ClearTracking();
  PostMessage(h, msg, 0, 0);
}

void StartHover() {
  TInput& in = I();
  if (in.HoverTimer != 0) WinKillInternalTimer(in.HoverTimer);
  in.HoverTimer = WinSetInternalTimer(in.Track, in.HoverTime, [] {
    TInput& s = I();
    if (s.HoverTimer != 0) WinKillInternalTimer(s.HoverTimer);
    s.HoverTimer = 0;
    if ((s.TrackFlags & TME_HOVER) == 0) return;
    s.TrackFlags &= ~TME_HOVER;
    TWndRecord* w = Live(s.Track);
    if (w == nullptr) return;
    TPoint pt = WinCursorPosition();
    if ((s.TrackFlags & TME_NONCLIENT) != 0) {
      PostMessage(w->Handle, WM_NCMOUSEHOVER, WPARAM(s.LastMouseClient ? HTCLIENT : HTNOWHERE), MAKELPARAM(pt.X, pt.Y));
    } else {
      PostMessage(w->Handle, WM_MOUSEHOVER, MouseKeys(s.Async),
                  MAKELPARAM(pt.X - w->ClientRect.Left, pt.Y - w->ClientRect.Top));
    }
    if (s.TrackFlags == 0) s.Track = nullptr;
  });
}

void CheckTracking(HWND target, bool client) {
  TInput& in = I();
  in.LastMouseHwnd = target;
  in.LastMouseClient = client;
  if (in.Track == nullptr) return;
  const bool nonclient = (in.TrackFlags & TME_NONCLIENT) != 0;
  const bool over = target == in.Track && (nonclient ? !client : client);
  if (!over && (in.TrackFlags & TME_LEAVE) != 0) {
    PostLeave();
    return;
  }
  if (!over) {
    ClearTracking();
    return;
  }
  if ((in.TrackFlags & TME_HOVER) != 0) StartHover();
}

void CookMouse(TRawEvent& e) {
  TInput& in = I();
  uint32_t msg = e.Kind == TRawEvent::Move ? WM_MOUSEMOVE : ButtonMessage(e.Btn, e.Down);
  const bool press = e.Kind == TRawEvent::Button && e.Down;
  if (press) in.AltAlone = false;
  HWND target = nullptr;
  LRESULT code = HTCLIENT;
  if (TWndRecord* cap = Live(in.Capture)) {
    target = cap->Handle;
  } else {
    TWinHit hit = WinHitTest(e.Pt);
    TWndRecord* w = Live(hit.Window);
    if (w == nullptr) {
      CheckTracking(nullptr, false);
      e.Dropped = true;
      return;
    }
    target = hit.Window;
    code = hit.Code;
    const uint32_t shown = code == HTCLIENT ? msg : msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    TWndRecord* root = WinRootOf(w);
    if (press && code != HTERROR && root != nullptr && root->Handle != in.Active) {
      LRESULT r = WinCallProc(*w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->Handle),
                              MAKELPARAM(int32_t(code), int32_t(shown)));
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) && Live(root->Handle) != nullptr &&
          WinIsActivatable(*root))
        WinActivate(root, WA_CLICKACTIVE);
      if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) {
        e.Dropped = true;
        return;
      }
    }
    w = Live(target);
    if (w == nullptr) {
      e.Dropped = true;
      return;
    }
    WinCallProc(*w, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(int32_t(code), int32_t(shown)));
    if (code == HTERROR || Live(target) == nullptr) {
      e.Dropped = true;
      return;
    }
  }
  TWndRecord* w = Live(target);
  const bool client = code == HTCLIENT;
  CheckTracking(target, client);
  TMSG& m = e.Msg;
  m.hwnd = target;
  m.time = e.Time;
  m.pt = e.Pt;
  if (client) {
    m.message = msg;
    m.wParam = e.Keys;
    m.lParam = MAKELPARAM(e.Pt.X - w->ClientRect.Left, e.Pt.Y - w->ClientRect.Top);
  } else {
    m.message = msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    m.wParam = WPARAM(code);
    m.lParam = MAKELPARAM(e.Pt.X, e.Pt.Y);
  }
  if (press) {
    TClickTrack& c = in.Click;
    const int32_t boxX = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
    const int32_t boxY = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    const bool second = c.Valid && c.Btn == e.Btn && c.Hwnd == target && c.Client == client &&
                        e.Time - c.Time < GetDoubleClickTime() && std::abs(e.Pt.X - c.Pt.X) <= boxX &&
                        std::abs(e.Pt.Y - c.Pt.Y) <= boxY;
    const bool wants = !client || (w->Class->Style & CS_DBLCLKS) != 0;
    if (second && wants) {
      m.message += 2;  // ...BUTTONDOWN -> ...BUTTONDBLCLK
      c.Valid = false;
    } else {
      c = TClickTrack{true, e.Btn, target, client, e.Time, e.Pt};
    }
  }
}

HWND KeyTarget(bool& forcedSys) {
  TInput& in = I();
  forcedSys = false;
  if (Live(in.Focus) != nullptr) return in.Focus;
  forcedSys = true;
  return Live(in.Active) != nullptr ? in.Active : nullptr;
}

void Cook(TRawEvent& e) {
  TInput& in = I();
  e.Cooked = true;
  switch (e.Kind) {
    case TRawEvent::Move:
    case TRawEvent::Button: CookMouse(e); return;
    case TRawEvent::Wheel: {
      HWND t = Live(in.Focus) != nullptr ? in.Focus : in.Active;
      TWndRecord* w = Live(t);
      if (w == nullptr || !w->EnabledTree()) {
        e.Dropped = true;
        return;
      }
      e.Msg.hwnd = t;
      e.Msg.message = e.Horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
      e.Msg.wParam = MAKEWPARAM(int32_t(e.Keys), e.Delta);
      e.Msg.lParam = MAKELPARAM(e.Pt.X, e.Pt.Y);
      e.Msg.time = e.Time;
      e.Msg.pt = e.Pt;
      return;
    }
    case TRawEvent::Key: {
      // Alt pressed and released with nothing in between opens the menu.
      if (e.Down) {
        const bool repeat = ((e.KeyLParam >> 30) & 1) != 0;
        if (e.Vk != VK_MENU)
          in.AltAlone = false;
        else if (!repeat)
          in.AltAlone = !e.CtrlDown;
      }
      bool forced = false;
      HWND t = KeyTarget(forced);
      TWndRecord* w = Live(t);
      if (w == nullptr || !w->EnabledTree()) {
        e.Dropped = true;
        return;
      }
      const bool sys = forced || e.Vk == VK_F10 || ((e.AltDown || e.Vk == VK_MENU) && !e.CtrlDown);
      e.Msg.hwnd = t;
      e.Msg.message = e.Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
      e.Msg.wParam = e.Vk;
      e.Msg.lParam = LPARAM(int32_t(e.KeyLParam));
      e.Msg.time = e.Time;
      e.Msg.pt = e.Pt;
      e.Msg.lPrivate = e.Chr;
      return;
    }
    case TRawEvent::Char: {
      bool forced = false;
      HWND t = KeyTarget(forced);
      TWndRecord* w = Live(t);
      if (w == nullptr || !w->EnabledTree()) {
        e.Dropped = true;
        return;
      }
      e.Msg.hwnd = t;
      e.Msg.message = WM_CHAR;
      e.Msg.wParam = e.Chr;
      e.Msg.lParam = 1;
      e.Msg.time = e.Time;
      e.Msg.pt = e.Pt;
      return;
    }
  }
}

void Removed(const TRawEvent& e) {
  TInput& in = I();
  if (e.Kind == TRawEvent::Key) SetKey(in.Sync, e.Vk, e.Down);
  if (e.Kind == TRawEvent::Button) SetKey(in.Sync, ButtonVk(e.Btn), e.Down);
}

TRawEvent& Queue(TRawEvent::TKind kind) {
  WinEnsureInit();
  TInput& in = I();
  TRawEvent e;
  e.Kind = kind;
  e.Serial = ++in.Serial;
  e.Time = GetTickCount();
  e.Pt = WinCursorPosition();
  in.Raw.push_back(e);
  return in.Raw.back();
}

void Wake() { WinWakeLoop(); }

}  // namespace

// ================================================================================
// Raw input from the backend
// ================================================================================

void WinInputMouseMove(TPoint screen) {
  WinAssertMainThread("WinInputMouseMove");
  TInput& in = I();
  WinStoreCursorPosition(screen);
  if (!in.Raw.empty() && in.Raw.back().Kind == TRawEvent::Move && !in.Raw.back().Cooked && !in.Raw.back().Cooking) {
    TRawEvent& last = in.Raw.back();  // moves coalesce
    last.Pt = screen;
    last.Time = GetTickCount();
    last.Keys = MouseKeys(in.Async);
  } else {
    TRawEvent& e = Queue(TRawEvent::Move);
    e.Keys = MouseKeys(in.Async);
  }
  Wake();
}

void WinInputMouseButton(TRawButton button, bool down, TPoint screen) {
  WinAssertMainThread("WinInputMouseButton");
  TInput& in = I();
  TPoint cur = WinCursorPosition();
  if (cur.X != screen.X || cur.Y != screen.Y) WinInputMouseMove(screen);
  SetKey(in.Async, ButtonVk(button), down);
  TRawEvent& e = Queue(TRawEvent::Button);
  e.Btn = button;
  e.Down = down;
  e.Keys = MouseKeys(in.Async);
  Wake();
}

void WinInputWheel(TPoint screen, int32_t delta, bool horizontal) {
  WinAssertMainThread("WinInputWheel");
  TInput& in = I();
  WinStoreCursorPosition(screen);
  TRawEvent& e = Queue(TRawEvent::Wheel);
  e.Delta = delta;
  e.Horizontal = horizontal;
  e.Keys = MouseKeys(in.Async);
  Wake();
}

namespace {
void QueueKey(uint32_t vk, bool down, uint32_t scan, uint32_t chr) {
  TInput& in = I();
  vk &= 0xFF;
  const bool prev = IsDown(in.Async, vk);
  const bool alt = IsDown(in.Async, VK_MENU);
  const bool ctrl = IsDown(in.Async, VK_CONTROL);
  const uint32_t code = scan != 0 ? scan : ScanOf(vk);
  uint32_t l = 1u | ((code & 0xFF) << 16);
  if ((code & 0x100) != 0) l |= 1u << 24;
  if (alt || (vk == VK_MENU && down)) l |= 1u << 29;
  if (down ? prev : true) l |= 1u << 30;
  if (!down) l |= 1u << 31;
  SetKey(in.Async, vk, down);
  TRawEvent& e = Queue(TRawEvent::Key);
  e.Vk = vk;
  e.Down = down;
  e.KeyLParam = l;
  e.AltDown = alt;
  e.CtrlDown = ctrl;
  e.Chr = chr;
  Wake();
}
}  // namespace

void WinInputKey(uint32_t vk, bool down, uint32_t scan) {
  WinAssertMainThread("WinInputKey");
  QueueKey(vk, down, scan, 0);
}

void WinInputPacket(uint32_t codePoint, bool down) {
  WinAssertMainThread("WinInputPacket");
  QueueKey(VK_PACKET, down, 0, codePoint);
}

void WinInputChar(uint32_t codePoint) {
  WinAssertMainThread("WinInputChar");
  TRawEvent& e = Queue(TRawEvent::Char);
  e.Chr = codePoint;
  Wake();
}

bool WinInputDropFiles(const std::vector<String>& files, TPoint screen, uint32_t keys) {
  WinAssertMainThread("WinInputDropFiles");
  WinStoreCursorPosition(screen);
  if (!WinHooks().DropFiles) return false;
  return WinHooks().DropFiles(files, screen, keys);
}

void WinInputAppActive(bool active) {
  TInput& in = I();
  if (!active) {
    if (Live(in.Active) == nullptr) return;
    in.SavedActive = in.Active;
    WinActivate(nullptr, WA_INACTIVE);
  } else if (Live(in.Active) == nullptr) {
    TWndRecord* w = Live(in.SavedActive);
    in.SavedActive = nullptr;
    if (w != nullptr && w->VisibleTree() && WinIsActivatable(*w))
      WinActivate(w, WA_ACTIVE);
    else
      WinActivateOther(nullptr);
  }
}

// ================================================================================
// Retrieval of input
// ================================================================================

bool WinInputPeek(HWND hwnd, uint32_t filterMin, uint32_t filterMax, bool remove, TMSG& out) {
  TInput& in = I();
  for (size_t guard = 0; guard < 100000; ++guard) {
    bool restart = false;
    for (size_t i = 0; i < in.Raw.size(); ++i) {
      if (in.Raw[i].Cooking || !Possible(in.Raw[i], filterMin, filterMax)) continue;
      if (!in.Raw[i].Cooked) {
        const uint64_t serial = in.Raw[i].Serial;
        in.Raw[i].Cooking = true;
        TRawEvent copy = in.Raw[i];
        auto find = [&] {
          return std::find_if(in.Raw.begin(), in.Raw.end(), [&](const TRawEvent& r) { return r.Serial == serial; });
        };
        {
          auto cleanup = ScopeFail([&] {
            auto it = find();
            if (it != in.Raw.end()) in.Raw.erase(it);
          });
          Cook(copy);  // sends messages; the queue may change meanwhile
        }
        copy.Cooking = false;
        auto it = find();
        if (it != in.Raw.end()) *it = copy;
        restart = true;
        break;
      }
      TRawEvent& e = in.Raw[i];
      if (e.Dropped) {
        in.Raw.erase(in.Raw.begin() + std::ptrdiff_t(i));
        restart = true;
        break;
      }
      if (!HwndMatches(hwnd, e.Msg.hwnd) || !InRange(e.Msg.message, filterMin, filterMax)) continue;
      out = e.Msg;
      if (remove) {
        TRawEvent done = e;
        in.Raw.erase(in.Raw.begin() + std::ptrdiff_t(i));
        Removed(done);
      }
      return true;
    }
    if (!restart) return false;
  }
  return false;
}

bool WinInputQueued() { return !I().Raw.empty(); }

// ================================================================================
// Capture
// ================================================================================

HWND SetCapture(HWND hwnd) {
  WinAssertMainThread("SetCapture");
  TInput& in = I();
  HWND old = in.Capture;
  if (Live(hwnd) == nullptr || old == hwnd) return old;
  in.Capture = hwnd;
  if (TWndRecord* o = Live(old)) WinCallProc(*o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  WinBackend().CaptureChanged(in.Capture);
  return old;
}

bool ReleaseCapture() {
  WinAssertMainThread("ReleaseCapture");
  TInput& in = I();
  HWND old = in.Capture;
  if (old == nullptr) return true;
  in.Capture = nullptr;
  if (TWndRecord* o = Live(old)) WinCallProc(*o, WM_CAPTURECHANGED, 0, 0);
  WinBackend().CaptureChanged(nullptr);
  return true;
}

HWND GetCapture() { return Live(I().Capture) != nullptr ? I().Capture : nullptr; }

// ================================================================================
// Mouse tracking, pointer, key state
// ================================================================================

bool TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  WinAssertMainThread("TrackMouseEvent");
  TInput& in = I();
  if (tme == nullptr || tme->cbSize != sizeof(TRACKMOUSEEVENT)) return false;
  if ((tme->dwFlags & TME_QUERY) != 0) {
    tme->dwFlags = Live(in.Track) != nullptr ? in.TrackFlags : 0;
    tme->hwndTrack = Live(in.Track) != nullptr ? in.Track : nullptr;
    tme->dwHoverTime = in.HoverTime;
    return true;
  }
  TWndRecord* w = Live(tme->hwndTrack);
  if (w == nullptr) return false;
  if ((tme->dwFlags & TME_CANCEL) != 0) {
    if (in.Track == tme->hwndTrack) {
      in.TrackFlags &= ~(tme->dwFlags & (TME_LEAVE | TME_HOVER));
      if ((in.TrackFlags & TME_HOVER) == 0 && in.HoverTimer != 0) {
        WinKillInternalTimer(in.HoverTimer);
        in.HoverTimer = 0;
      }
      if ((in.TrackFlags & (TME_LEAVE | TME_HOVER)) == 0) ClearTracking();
    }
    return true;
  }
  const bool nonclient = (tme->dwFlags & TME_NONCLIENT) != 0;
  if (in.Track != tme->hwndTrack) ClearTracking();
  in.Track = tme->hwndTrack;
  in.TrackFlags = (in.TrackFlags & (TME_LEAVE | TME_HOVER)) | (tme->dwFlags & (TME_LEAVE | TME_HOVER | TME_NONCLIENT));
  in.HoverTime = tme->dwHoverTime == HOVER_DEFAULT ? 400u : std::max<uint32_t>(tme->dwHoverTime, 1);
  const bool over = in.LastMouseHwnd == tme->hwndTrack && (nonclient ? !in.LastMouseClient : in.LastMouseClient);
  if (!over && (tme->dwFlags & TME_LEAVE) != 0) {
    PostLeave();
    return true;
  }
  if ((in.TrackFlags & TME_HOVER) != 0) StartHover();
  return true;
}

bool GetCursorPos(TPoint* pt) {
  if (pt == nullptr) return false;
  *pt = WinCursorPosition();
  return true;
}

bool SetCursorPos(int32_t x, int32_t y) {
  WinAssertMainThread("SetCursorPos");
  WinInputMouseMove(TPoint{x, y});
  WinBackend().PointerMoved(TPoint{x, y});
  return true;
}

int16_t GetKeyState(int32_t vk) {
  uint8_t s = I().Sync[uint32_t(vk) & 0xFF];
  return int16_t(((s & 0x80) != 0 ? 0x8000 : 0) | (s & 1));
}

int16_t GetAsyncKeyState(int32_t vk) {
  uint8_t s = I().Async[uint32_t(vk) & 0xFF];
  return int16_t((s & 0x80) != 0 ? 0x8000 : 0);
}

bool GetKeyboardState(uint8_t* state256) {
  if (state256 == nullptr) return false;
  std::copy(std::begin(I().Sync), std::end(I().Sync), state256);
  return true;
}

bool SetKeyboardState(const uint8_t* state256) {
  if (state256 == nullptr) return false;
  std::copy(state256, state256 + 256, I().Sync);
  return true;
}

// ================================================================================
// Focus and activation
// ================================================================================

HWND WinActiveHandle() { return Live(I().Active) != nullptr ? I().Active : nullptr; }
HWND WinFocusHandle() { return Live(I().Focus) != nullptr ? I().Focus : nullptr; }

HWND WinActivate(TWndRecord* w, uint32_t how) {
  TInput& in = I();
  TWndRecord* old = Live(in.Active);
  const HWND oldHandle = old != nullptr ? old->Handle : nullptr;
  if (w == old) return oldHandle;
  if (w != nullptr && !WinIsActivatable(*w)) return oldHandle;
  const HWND newHandle = w != nullptr ? w->Handle : nullptr;
  in.Active = newHandle;
  if (w != nullptr) in.SavedActive = nullptr;
  if (old != nullptr) {
    auto keep = WinSharedOf(*old);
    WinCallProc(*old, WM_NCACTIVATE, 0, reinterpret_cast<LPARAM>(newHandle));
    if (Live(oldHandle) != nullptr)
      WinCallProc(*old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->Style & WS_MINIMIZE) != 0 ? 1 : 0),
                  reinterpret_cast<LPARAM>(newHandle));
    TWndRecord* f = Live(in.Focus);
    if (f != nullptr && Inside(f, *old) && (w == nullptr || !Inside(f, *w))) {
      in.Focus = nullptr;
      WinCallProc(*f, WM_KILLFOCUS, 0, 0);
    }
  }
  if ((old == nullptr) != (w == nullptr)) {
    std::vector<HWND> tops;
    for (TWndRecord* t : WinDesktop().Children) tops.push_back(t->Handle);
    for (HWND h : tops)
      if (TWndRecord* t = Live(h)) WinCallProc(*t, WM_ACTIVATEAPP, w != nullptr ? 1 : 0, 0);
  }
  if (w != nullptr && Live(newHandle) != nullptr && in.Active == newHandle) {
    auto keep = WinSharedOf(*w);
    WinRaiseSilently(*w);
    WinCallProc(*w, WM_NCACTIVATE, 1, reinterpret_cast<LPARAM>(oldHandle));
    if (Live(newHandle) != nullptr)
      WinCallProc(*w, WM_ACTIVATE, MAKEWPARAM(int32_t(how), (w->Style & WS_MINIMIZE) != 0 ? 1 : 0),
                  reinterpret_cast<LPARAM>(oldHandle));
  }
  return oldHandle;
}

void WinActivateOther(TWndRecord* leaving) {
  TWndRecord* cand = nullptr;
  if (leaving != nullptr && leaving->Owner != nullptr) {
    TWndRecord* o = leaving->Owner;
    if (o->VisibleTree() && WinIsActivatable(*o) && (o->Style & WS_MINIMIZE) == 0) cand = o;
  }
  if (cand == nullptr) {
    for (TWndRecord* t : WinDesktop().Children) {
      if (t == leaving || (leaving != nullptr && WinIsOwnedBy(*t, *leaving))) continue;
      if (t->VisibleTree() && WinIsActivatable(*t) && (t->Style & WS_MINIMIZE) == 0) {
        cand = t;
        break;
      }
    }
  }
  WinActivate(cand, WA_ACTIVE);
}

HWND SetActiveWindow(HWND hwnd) {
  WinAssertMainThread("SetActiveWindow");
  TWndRecord* w = Live(hwnd);
  if (hwnd != nullptr && w == nullptr) return nullptr;
  if (w != nullptr) w = WinRootOf(w);
  if (w != nullptr && !WinIsActivatable(*w)) return nullptr;
  return WinActivate(w, WA_ACTIVE);
}

HWND GetActiveWindow() { return WinActiveHandle(); }

bool SetForegroundWindow(HWND hwnd) {
  SetActiveWindow(hwnd);
  return true;
}

HWND GetForegroundWindow() { return WinActiveHandle(); }

HWND SetFocus(HWND hwnd) {
  WinAssertMainThread("SetFocus");
  TInput& in = I();
  if (hwnd == nullptr) {
    HWND old = in.Focus;
    in.Focus = nullptr;
    if (TWndRecord* o = Live(old)) WinCallProc(*o, WM_KILLFOCUS, 0, 0);
    return Live(old) != nullptr ? old : nullptr;
  }
  TWndRecord* w = Live(hwnd);
  if (w == nullptr || w->IsRoot() || w->IsMessageOnly() || !w->EnabledTree()) return nullptr;
  TWndRecord* root = WinRootOf(w);
  if (root->Handle != in.Active) {
    if (!WinIsActivatable(*root)) return nullptr;
    struct TForFocus {
      TInput& In;
      explicit TForFocus(TInput& i) : In(i) { In.ActivatingForFocus++; }
      ~TForFocus() { In.ActivatingForFocus--; }
    };
    {
      TForFocus scope(in);
      WinActivate(root, WA_ACTIVE);
    }
    if (in.Active != root->Handle || Live(hwnd) == nullptr) return nullptr;
  }
  HWND old = Live(in.Focus) != nullptr ? in.Focus : nullptr;
  if (old == hwnd) return old;
  in.Focus = hwnd;
  if (TWndRecord* o = Live(old)) WinCallProc(*o, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (in.Focus == hwnd)
    if (TWndRecord* n = Live(hwnd)) WinCallProc(*n, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return WinFocusHandle(); }

void WinInputWindowHidden(TWndRecord& w) {
  TInput& in = I();
  if (w.IsTopLevel() && in.Active == w.Handle) WinActivateOther(&w);
  TWndRecord* f = Live(in.Focus);
  if (f != nullptr && Inside(f, w) && !f->VisibleTree()) {
    TWndRecord* p = w.IsChild() ? w.Parent : nullptr;
    SetFocus(p != nullptr && p->VisibleTree() ? p->Handle : nullptr);
  }
}

void WinInputWindowGone(TWndRecord& w) {
  TInput& in = I();
  if (TWndRecord* c = Live(in.Capture))
    if (Inside(c, w)) ReleaseCapture();
  if (TWndRecord* f = Live(in.Focus)) {
    if (Inside(f, w)) {
      TWndRecord* p = w.IsChild() ? w.Parent : nullptr;
      if (p != nullptr && p->Alive() && !p->DestroyPending && p->VisibleTree())
        SetFocus(p->Handle);
      else
        SetFocus(nullptr);
    }
  }
  if (in.Active == w.Handle) {
    WinActivateOther(&w);
    if (in.Active == w.Handle) in.Active = nullptr;
  }
  if (in.SavedActive == w.Handle) in.SavedActive = nullptr;
  if (in.Track == w.Handle) ClearTracking();
  if (in.Click.Hwnd == w.Handle) in.Click.Valid = false;
  if (in.LastMouseHwnd == w.Handle) in.LastMouseHwnd = nullptr;
}

// ================================================================================
// Keys to characters
// ================================================================================

uint32_t WinKeyToChar(uint32_t vk, bool shift, bool ctrl, bool alt, bool capsLock) {
  if (ctrl && alt) return 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    return (shift != capsLock) ? vk : vk - 'A' + 'a';
  }
  if (vk >= '0' && vk <= '9') {
    if (ctrl) return 0;
    return shift ? uint32_t(uint8_t(kShiftedDigits[vk - '0'])) : vk;
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return ctrl ? 0 : '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return ctrl ? 10 : 13;
    case VK_BACK: return ctrl ? 127 : 8;
    case VK_TAB: return ctrl ? 0 : 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return ctrl ? 0 : '*';
    case VK_ADD: return ctrl ? 0 : '+';
    case VK_SUBTRACT: return ctrl ? 0 : '-';
    case VK_DECIMAL: return ctrl ? 0 : '.';
    case VK_DIVIDE: return ctrl ? 0 : '/';
    default: break;
  }
  for (const TOemKey& k : kOemKeys) {
    if (k.Vk != vk) continue;
    if (ctrl) {
      if (vk == VK_OEM_4) return 27;
      if (vk == VK_OEM_5) return 28;
      if (vk == VK_OEM_6) return 29;
      return 0;
    }
    return uint32_t(uint8_t(shift ? k.Shifted : k.Plain));
  }
  return 0;
}

bool WinCharToKey(uint32_t ch, uint32_t& vk, bool& shift) {
  shift = false;
  if (ch >= 'a' && ch <= 'z') {
    vk = ch - 'a' + 'A';
    return true;
  }
  if (ch >= 'A' && ch <= 'Z') {
    vk = ch;
    shift = true;
    return true;
  }
  if (ch >= '0' && ch <= '9') {
    vk = ch;
    return true;
  }
  for (uint32_t d = 0; d < 10; ++d)
    if (uint32_t(uint8_t(kShiftedDigits[d])) == ch) {
      vk = '0' + d;
      shift = true;
      return true;
    }
  switch (ch) {
    case ' ': vk = VK_SPACE; return true;
    case '\r':
    case '\n': vk = VK_RETURN; return true;
    case '\t': vk = VK_TAB; return true;
    case 8: vk = VK_BACK; return true;
    case 27: vk = VK_ESCAPE; return true;
    default: break;
  }
  for (const TOemKey& k : kOemKeys) {
    if (uint32_t(uint8_t(k.Plain)) == ch) {
      vk = k.Vk;
      return true;
    }
    if (uint32_t(uint8_t(k.Shifted)) == ch) {
      vk = k.Vk;
      shift = true;
      return true;
    }
  }
  return false;
}

bool TranslateMessage(const TMSG* msg) {
  if (msg == nullptr) return false;
  const uint32_t m = msg->message;
  if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return false;
  if (m == WM_KEYUP || m == WM_SYSKEYUP) return true;
  const uint32_t vk = uint32_t(msg->wParam) & 0xFF;
  uint32_t ch = 0;
  if (vk == VK_PACKET) {
    ch = msg->lPrivate;
  } else {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    if (WinBackend().CharsFromKeys()) {
      ch = WinKeyToChar(vk, shift, ctrl, alt, caps);
    } else {
      // Printable text comes from the backend's text events.
      if (vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE)
        ch = WinKeyToChar(vk, false, false, false, false);
      else if (vk >= 'A' && vk <= 'Z' && ctrl && !alt)
        ch = vk - 'A' + 1;
      else if (m == WM_SYSKEYDOWN && alt && !ctrl)
        ch = WinKeyToChar(vk, shift, false, false, caps);
    }
  }
  if (ch != 0) {
    TMSG c = *msg;
    c.message = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    c.wParam = ch;
    c.lPrivate = 0;
    WinPostFront(c);
  }
  return true;
}

// ================================================================================
// Input defaults of DefWindowProc
// ================================================================================

bool WinDefInputProc(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  TInput& in = I();
  result = 0;
  switch (msg) {
    case WM_SETCURSOR: {
      if (w.IsChild()) {
        if (WinCallProc(*w.Parent, WM_SETCURSOR, wParam, lParam) != 0) {
          result = 1;
          return true;
        }
      }
      if (reinterpret_cast<HWND>(wParam) != w.Handle) return true;  // about a child: its own turn
      const LRESULT hit = int16_t(LOWORD(uintptr_t(lParam)));
      const uint32_t mouse = HIWORD(uintptr_t(lParam));
      if (hit == HTERROR) {
        if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN ||
            mouse == WM_NCLBUTTONDOWN || mouse == WM_NCRBUTTONDOWN || mouse == WM_NCMBUTTONDOWN)
          MessageBeep(0);
        return true;
      }
      if (HCURSOR c = WinCursorForHit(w, hit)) {
        SetCursor(c);
        result = 1;
      }
      return true;
    }
    case WM_MOUSEACTIVATE:
      if (w.IsChild()) {
        result = WinCallProc(*w.Parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (result != 0) return true;
      }
      result = MA_ACTIVATE;
      return true;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if (w.IsChild()) result = WinCallProc(*w.Parent, msg, wParam, lParam);
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0 && in.ActivatingForFocus == 0) SetFocus(w.Handle);
      return true;
    case WM_CANCELMODE:
      if (in.Capture == w.Handle) ReleaseCapture();
      return true;
    case WM_SYSKEYDOWN:
      // Shift+F10 asks for the context menu at no point of the mouse.
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
        WinCallProc(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.Handle), LPARAM(-1));
        return true;
      }
      if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)) != 0 && (lParam & (LPARAM(1) << 30)) == 0) {
        if (TWndRecord* root = WinRootOf(&w)) WinCallProc(*root, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      // The menu key asks on its release.
      if (msg == WM_KEYUP && wParam == VK_APPS) {
        WinCallProc(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.Handle), LPARAM(-1));
        return true;
      }
      if ((wParam == VK_MENU && in.AltAlone) ||
          (msg == WM_SYSKEYUP && wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0)) {
        in.AltAlone = false;
        if (TWndRecord* root = WinRootOf(&w)) WinCallProc(*root, WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      return true;
    case WM_SYSCHAR:
      if (TWndRecord* root = WinRootOf(&w)) WinCallProc(*root, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wParam));
      return true;
    default: return false;
  }
}

// ================================================================================
// Reset
// ================================================================================

void WinResetInput() {
  TInput& in = I();
  if (in.HoverTimer != 0) WinKillInternalTimer(in.HoverTimer);
  in = TInput();
}
