// The headless backend.
#include "platform/gui/headless.h"

#include <dirent.h>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/win_core.h"
#include "platform/rtl/format.h"

namespace {

VirtualClock* CurrentVirtualClock() { return dynamic_cast<VirtualClock*>(&CurrentClock()); }

VirtualClock& RequireVirtualClock(const char* who) {
  VirtualClock* c = CurrentVirtualClock();
  if (c == nullptr) throw EInvalidOperation(String(who) + " needs a virtual clock");
  return *c;
}

// Decodes UTF-8; a byte that starts no valid sequence stands for itself
// (Windows-1252 is close enough for injected text).
std::vector<uint32_t> CodePoints(const String& s) {
  std::vector<uint32_t> out;
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = uint8_t(s[i]);
    int n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    uint32_t cp = n == 0 ? b : n == 1 ? (b & 0x1F) : n == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = n >= 0 && i + size_t(n) < s.size() + (n == 0 ? 1 : 0);
    for (int k = 1; ok && k <= n; ++k) {
      if (i + size_t(k) >= s.size() || (uint8_t(s[i + size_t(k)]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (uint8_t(s[i + size_t(k)]) & 0x3F);
    }
    if (!ok) {
      out.push_back(b);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += size_t(n) + 1;
  }
  return out;
}

}  // namespace

bool HeadlessWorkersRunning() {
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return false;
  int count = 0;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') ++count;
  closedir(d);
  return count > 1;
}

THeadlessBackend::THeadlessBackend() {
  FMonitors.push_back(TMonitorDesc{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), "\\\\.\\DISPLAY1"});
}

void THeadlessBackend::SetMonitors(std::vector<TMonitorDesc> monitors) {
  if (monitors.empty()) throw EInvalidOperation("SetMonitors needs at least one monitor");
  FMonitors = std::move(monitors);
  GdiSetScreenSize(FMonitors[0].Bounds.Width(), FMonitors[0].Bounds.Height());
  WinMonitorsChanged();
}

// ---- Input ----

void THeadlessBackend::MouseMove(int32_t x, int32_t y) { WinInputMouseMove(TPoint{x, y}); }

void THeadlessBackend::MouseDown(int32_t x, int32_t y, TRawButton button) {
  WinInputMouseButton(button, true, TPoint{x, y});
}

void THeadlessBackend::MouseUp(int32_t x, int32_t y, TRawButton button) {
  WinInputMouseButton(button, false, TPoint{x, y});
}

void THeadlessBackend::Click(int32_t x, int32_t y, TRawButton button) {
  MouseDown(x, y, button);
  MouseUp(x, y, button);
}

void THeadlessBackend::DoubleClick(int32_t x, int32_t y, TRawButton button) {
  Click(x, y, button);
  Click(x, y, button);
}

void THeadlessBackend::Wheel(int32_t x, int32_t y, int32_t delta) { WinInputWheel(TPoint{x, y}, delta); }

void THeadlessBackend::KeyDown(uint32_t vk) { WinInputKey(vk, true); }

void THeadlessBackend::KeyUp(uint32_t vk) { WinInputKey(vk, false); }

void THeadlessBackend::PressKey(uint32_t vk, uint32_t modifiers) {
  if ((modifiers & hkShift) != 0) KeyDown(VK_SHIFT);
  if ((modifiers & hkCtrl) != 0) KeyDown(VK_CONTROL);
  if ((modifiers & hkAlt) != 0) KeyDown(VK_MENU);
  KeyDown(vk);
  KeyUp(vk);
  if ((modifiers & hkAlt) != 0) KeyUp(VK_MENU);
  if ((modifiers & hkCtrl) != 0) KeyUp(VK_CONTROL);
  if ((modifiers & hkShift) != 0) KeyUp(VK_SHIFT);
}

void THeadlessBackend::TypeText(const String& utf8) {
  for (uint32_t cp : CodePoints(utf8)) {
    uint32_t vk = 0;
    bool shift = false;
    if (WinCharToKey(cp, vk, shift)) {
      PressKey(vk, shift ? hkShift : 0);
    } else {
      WinInputPacket(cp, true);
      WinInputPacket(cp, false);
    }
  }
}

bool THeadlessBackend::DropFiles(const std::vector<String>& files, int32_t x, int32_t y, uint32_t keys) {
  return WinInputDropFiles(files, TPoint{x, y}, keys);
}

// ---- Running ----

bool THeadlessBackend::PumpMessages() {
  constexpr size_t kLimit = 200000;
  TMSG m;
  for (size_t n = 0; n < kLimit; ++n) {
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) return true;
    if (m.message == WM_QUIT) {
      FQuitCode = int32_t(intptr_t(m.wParam));
      return false;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  throw EHeadlessHang(Format("PumpMessages did not settle after %d messages (last: %d to $%x)",
                             {int32_t(kLimit), int32_t(m.message), int32_t(reinterpret_cast<uintptr_t>(m.hwnd))}));
}

void THeadlessBackend::AdvanceClock(uint64_t ms) {
  VirtualClock& clock = RequireVirtualClock("AdvanceClock");
  const uint64_t target = clock.GetTickCount64() + ms;
  if (!PumpMessages()) return;
  for (;;) {
    const uint64_t now = clock.GetTickCount64();
    uint64_t due = 0;
    if (WinNextTimerDue(due) && due <= target) {
      if (due <= now) {
        // Still due after pumping: only a filter-less pump could have
        // missed it, which means the loop stopped at WM_QUIT.
        return;
      }
      clock.Advance(due - now);
      if (!PumpMessages()) return;
      continue;
    }
    if (target > now) clock.Advance(target - now);
    PumpMessages();
    return;
  }
}

bool THeadlessBackend::RunUntil(const std::function<bool()>& predicate, uint64_t virtualTimeoutMs) {
  VirtualClock& clock = RequireVirtualClock("RunUntil");
  const uint64_t deadline = clock.GetTickCount64() + virtualTimeoutMs;
  for (;;) {
    WinMarkPostBaseline();
    if (!PumpMessages()) return predicate();
    if (predicate()) return true;
    const uint64_t now = clock.GetTickCount64();
    if (now >= deadline) return false;
    const bool workers = HeadlessWorkersRunning();
    if (workers && WinWaitForPost(10)) continue;
    uint64_t due = 0;
    if (WinNextTimerDue(due) && due <= deadline) {
      clock.Advance(due > now ? due - now : 1);
      continue;
    }
    if (workers) {
      if (WinWaitForPost(FWatchdogMs)) continue;
      throw EHeadlessHang(
          Format("RunUntil waited %d ms for worker threads and nothing arrived", {int32_t(FWatchdogMs)}));
    }
    clock.Advance(deadline - now);
    PumpMessages();
    return predicate();
  }
}

void THeadlessBackend::QueueIdleAction(std::function<void()> action) { FIdle.push_back(std::move(action)); }

void THeadlessBackend::Wait(const char* loop, bool hasTimer, uint64_t nextDue) {
  if (!FIdle.empty()) {
    std::function<void()> action = std::move(FIdle.front());
    FIdle.pop_front();
    action();
    return;
  }
  VirtualClock* clock = CurrentVirtualClock();
  if (clock == nullptr) {
    // A real run: sleep until the next timer or a post.
    uint64_t now = GetTickCount64();
    uint64_t wait = hasTimer ? (nextDue > now ? nextDue - now : 0) : 1000;
    WinWaitForPost(uint32_t(std::min<uint64_t>(wait, 1000)));
    return;
  }
  if (hasTimer && FAutoAdvance) {
    const uint64_t now = clock->GetTickCount64();
    clock->Advance(nextDue > now ? nextDue - now : 0);
    return;
  }
  if (WinPostedSinceBaseline()) return;  // a worker posted while the loop looked
  if (HeadlessWorkersRunning()) {
    if (WinWaitForPost(FWatchdogMs)) return;
    throw EHeadlessHang(
        Format("%s waited %d ms for worker threads and nothing arrived", {String(loop), int32_t(FWatchdogMs)}));
  }
  // A worker may have posted and ended between the two looks above.
  if (WinPostedSinceBaseline()) return;
  throw EHeadlessHang(Format(
      "%s would block forever: nothing is queued%s and no worker thread is running",
      {String(loop), String(hasTimer ? ", timers wait for the clock (auto-advance is off)" : ", no timer is set")}));
}

// ---- Accessors and the session ----

THeadlessBackend& DefaultHeadlessBackend() {
  static THeadlessBackend* backend = new THeadlessBackend;
  return *backend;
}

THeadlessBackend& Headless() {
  auto* h = dynamic_cast<THeadlessBackend*>(&WinBackend());
  if (h == nullptr) throw EInvalidOperation("the installed backend is not the headless one");
  return *h;
}

THeadlessSession::THeadlessSession() : FClock(36526.0, 100000), FPreviousClock(&CurrentClock()) {
  WinAssertMainThread("THeadlessSession");
  SetClock(&FClock);
  WinSetBackend(&FBackend);
  GdiSetScreenSize(1280, 1024);
  WinResetState();
}

THeadlessSession::~THeadlessSession() {
  WinResetState();
  WinSetBackend(nullptr);
  SetClock(FPreviousClock);
}
