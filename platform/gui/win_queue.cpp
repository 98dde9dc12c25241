// The message queue: posted messages (from any thread), WM_QUIT, retrieval in
// priority order, timers, sending, dispatching, waiting, registered messages
// and the connection of the thread layer's wake-up to the loop.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/gui/headless.h"
#include "platform/gui/win_core.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/threads.h"

namespace {

// lPrivate of the WM_NULL that wakes the loop for TThread requests.
constexpr uint32_t kWakeMarker = 0x57414B45;

struct TTimer {
  HWND Hwnd = nullptr;
  uintptr_t Id = 0;
  uint32_t Interval = 0;
  uint64_t Due = 0;
  TIMERPROC Proc = nullptr;
  bool Internal = false;
  std::function<void()> Fn;
  uint64_t Seq = 0;
};

struct TQueue {
  std::mutex Lock;
  std::condition_variable Arrived;
  std::deque<TMSG> Posted;
  uint64_t Seq = 0;       // changes on every post and wake
  uint64_t Baseline = 0;  // Seq when a waiting loop last looked at the queue
  std::atomic<bool> WakePosted{false};
  std::atomic<HWND> AppWindow{nullptr};
  bool QuitPending = false;
  int32_t QuitCode = 0;
  TMSG Last;
  std::atomic<uint64_t> CursorPos{0};

  std::vector<TTimer> Timers;
  uint64_t TimerSeq = 0;
  uintptr_t NextThreadTimerId = 1;
  uintptr_t NextInternalId = 1;

  std::vector<const char*> Loops;
  std::map<String, uint32_t> Registered;
  uint32_t NextRegistered = WM_REGISTERED_FIRST;
};

TQueue& Q() {
  static TQueue* q = new TQueue;
  return *q;
}

std::atomic<TWinBackend*> gBackend{nullptr};

bool InRange(uint32_t msg, uint32_t min, uint32_t max) {
  if (min == 0 && max == 0) return true;
  if (min > max) return msg >= min || msg <= max;  // an inverted range selects outside it
  return msg >= min && msg <= max;
}

bool HwndMatches(HWND filter, HWND hwnd) {
  if (filter == nullptr) return true;
  if (filter == reinterpret_cast<HWND>(intptr_t(-1))) return hwnd == nullptr;
  return filter == hwnd;
}

void Notify() {
  TQueue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.Lock);
    q.Seq++;
  }
  q.Arrived.notify_all();
  if (TWinBackend* b = gBackend.load()) b->Wake();
}

void Push(const TMSG& m, bool front) {
  TQueue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.Lock);
    if (front)
      q.Posted.push_front(m);
    else
      q.Posted.push_back(m);
    q.Seq++;
  }
  q.Arrived.notify_all();
  if (TWinBackend* b = gBackend.load()) b->Wake();
}

TMSG Stamp(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TMSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  m.pt = WinCursorPosition();
  return m;
}

void PostWake() {
  TQueue& q = Q();
  if (q.WakePosted.exchange(true)) {
    Notify();
    return;
  }
  TMSG m = Stamp(q.AppWindow.load(), WM_NULL, 0, 0);
  if (m.hwnd != nullptr && !IsWindow(m.hwnd)) m.hwnd = nullptr;
  m.lPrivate = kWakeMarker;
  Push(m, false);
}

uint64_t NextDue(const TTimer& t, uint64_t now) {
  uint64_t next = t.Due + t.Interval;
  return next <= now ? now + t.Interval : next;
}

bool NeedsPaint(const TWndRecord& w) {
  if (WinHooks().NeedsPaint) return WinHooks().NeedsPaint(w);
  return (!w.UpdateRgn.Empty() || w.InternalPaint) && !w.RedrawDisabled;
}

enum class TFetch { None, Found, Retry };

TFetch FetchOnce(TMSG* out, HWND hwnd, uint32_t min, uint32_t max, bool remove) {
  TQueue& q = Q();
  // Posted messages come first.
  {
    std::unique_lock<std::mutex> lock(q.Lock);
    for (auto it = q.Posted.begin(); it != q.Posted.end();) {
      if (it->hwnd != nullptr && !IsWindow(it->hwnd)) {
        it = q.Posted.erase(it);  // its window is gone
        continue;
      }
      if (HwndMatches(hwnd, it->hwnd) && InRange(it->message, min, max)) {
        *out = *it;
        const bool wake = it->message == WM_NULL && it->lPrivate == kWakeMarker;
        if (remove) q.Posted.erase(it);
        lock.unlock();
        if (wake && remove) {
          q.WakePosted = false;
          TThread::CheckSynchronize();
        }
        return TFetch::Found;
      }
      ++it;
    }
  }
  // WM_QUIT once the posted messages are gone.
  if (q.QuitPending && (hwnd == nullptr || hwnd == reinterpret_cast<HWND>(intptr_t(-1))) &&
      InRange(WM_QUIT, min, max)) {
    *out = Stamp(nullptr, WM_QUIT, WPARAM(intptr_t(q.QuitCode)), 0);
    if (remove) q.QuitPending = false;
    return TFetch::Found;
  }
  // Then input.
  if (WinInputPeek(hwnd, min, max, remove, *out)) return TFetch::Found;
  // Then WM_PAINT, parents before children.
  if (InRange(WM_PAINT, min, max)) {
    for (TWndRecord* w : WinAllWindows()) {
      if (!w->Alive() || !HwndMatches(hwnd, w->Handle) || !w->VisibleTree()) continue;
      if (NeedsPaint(*w)) {
        *out = Stamp(w->Handle, WM_PAINT, 0, 0);
        return TFetch::Found;
      }
    }
  }
  // Timers last.
  const bool userTimers = InRange(WM_TIMER, min, max);
  const bool internalTimers = InRange(WM_SYSTIMER, min, max);
  if (!userTimers && !internalTimers) return TFetch::None;
  const uint64_t now = GetTickCount64();
  TTimer* best = nullptr;
  for (TTimer& t : q.Timers) {
    if (t.Due > now) continue;
    if (t.Internal ? !internalTimers : (!userTimers || !HwndMatches(hwnd, t.Hwnd))) continue;
    if (best == nullptr || t.Due < best->Due || (t.Due == best->Due && t.Seq < best->Seq)) best = &t;
  }
  if (best == nullptr) return TFetch::None;
  if (best->Internal) {
    best->Due = NextDue(*best, now);
    std::function<void()> fn = best->Fn;
    if (fn) fn();
    return TFetch::Retry;
  }
  *out = Stamp(best->Hwnd, WM_TIMER, best->Id, reinterpret_cast<LPARAM>(best->Proc));
  if (remove) best->Due = NextDue(*best, now);
  return TFetch::Found;
}

void WaitFiltered(HWND hwnd, uint32_t min, uint32_t max, const char* fallbackName) {
  WinMarkPostBaseline();
  TMSG m;
  if (PeekMessage(&m, hwnd, min, max, PM_NOREMOVE)) return;
  // Only timers still to come can end the wait: one already due that the
  // filter leaves out never will.
  TQueue& q = Q();
  const uint64_t now = GetTickCount64();
  uint64_t due = 0;
  bool has = false;
  for (const TTimer& t : q.Timers)
    if (t.Due > now && (!has || t.Due < due)) {
      due = t.Due;
      has = true;
    }
  const char* name = q.Loops.empty() ? fallbackName : q.Loops.back();
  WinBackend().Wait(name, has, due);
}

}  // namespace

// ================================================================================
// Backend
// ================================================================================

void WinSetBackend(TWinBackend* backend) { gBackend.store(backend); }

TWinBackend& WinBackend() {
  TWinBackend* b = gBackend.load();
  if (b == nullptr) {
    b = &DefaultHeadlessBackend();
    gBackend.store(b);
  }
  return *b;
}

void WinMarkPostBaseline() {
  TQueue& q = Q();
  std::lock_guard<std::mutex> lock(q.Lock);
  q.Baseline = q.Seq;
}

bool WinPostedSinceBaseline() {
  TQueue& q = Q();
  std::lock_guard<std::mutex> lock(q.Lock);
  return q.Seq != q.Baseline;
}

bool WinWaitForPost(uint32_t timeoutMs) {
  TQueue& q = Q();
  std::unique_lock<std::mutex> lock(q.Lock);
  return q.Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return q.Seq != q.Baseline; });
}

void WinWakeLoop() { Notify(); }

void WinInstallWakeHook() {
  if (!WakeMainThread) WakeMainThread = [] { PostWake(); };
}

void WinSetApplicationWindow(HWND hwnd) { Q().AppWindow = hwnd; }

TPoint WinCursorPosition() {
  uint64_t v = Q().CursorPos.load();
  return TPoint{int32_t(uint32_t(v >> 32)), int32_t(uint32_t(v))};
}

void WinStoreCursorPosition(TPoint pt) { Q().CursorPos.store((uint64_t(uint32_t(pt.X)) << 32) | uint32_t(pt.Y)); }

// ================================================================================
// Posting and sending
// ================================================================================

bool PostMessage(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : WinTopLevelHandles()) PostMessage(h, msg, wParam, lParam);
    // The application's message-only window hears broadcasts too.
    if (HWND app = Q().AppWindow.load(); app != nullptr && IsWindow(app)) PostMessage(app, msg, wParam, lParam);
    return true;
  }
  if (hwnd != nullptr && !IsWindow(hwnd)) return false;
  Push(Stamp(hwnd, msg, wParam, lParam), false);
  return true;
}

bool PostThreadMessage(uint32_t threadId, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != MainThreadID.load()) return false;
  Push(Stamp(nullptr, msg, wParam, lParam), false);
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  TQueue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.Lock);
    q.QuitPending = true;
    q.QuitCode = exitCode;
  }
  Notify();
}

LRESULT SendMessage(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  WinAssertMainThread("SendMessage");
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    for (TWndRecord* w : WinDesktop().Children) tops.push_back(w->Handle);
    if (HWND app = Q().AppWindow.load(); app != nullptr && IsWindow(app)) tops.push_back(app);
    for (HWND h : tops) SendMessage(h, msg, wParam, lParam);
    return 0;
  }
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return 0;
  return WinCallProc(*w, msg, wParam, lParam);
}

void WinPostFront(const TMSG& m) { Push(m, true); }

void WinPurgePosted(HWND hwnd) {
  TQueue& q = Q();
  std::lock_guard<std::mutex> lock(q.Lock);
  q.Posted.erase(std::remove_if(q.Posted.begin(), q.Posted.end(), [&](const TMSG& m) { return m.hwnd == hwnd; }),
                 q.Posted.end());
}

// ================================================================================
// Retrieval
// ================================================================================

bool PeekMessage(TMSG* msg, HWND hwnd, uint32_t filterMin, uint32_t filterMax, uint32_t remove) {
  WinAssertMainThread("PeekMessage");
  WinEnsureInit();
  TMSG local;
  TMSG* out = msg != nullptr ? msg : &local;
  for (int guard = 0; guard < 100000; ++guard) {
    TFetch f = FetchOnce(out, hwnd, filterMin, filterMax, (remove & PM_REMOVE) != 0);
    if (f == TFetch::Found) {
      WinSetLastMessage(*out);
      return true;
    }
    if (f == TFetch::None) return false;
  }
  return false;
}

int32_t GetMessage(TMSG* msg, HWND hwnd, uint32_t filterMin, uint32_t filterMax) {
  WinAssertMainThread("GetMessage");
  if (hwnd != nullptr && hwnd != reinterpret_cast<HWND>(intptr_t(-1)) && !IsWindow(hwnd)) return -1;
  for (;;) {
    if (PeekMessage(msg, hwnd, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? 0 : 1;
    WaitFiltered(hwnd, filterMin, filterMax, "GetMessage");
  }
}

bool WaitMessage() {
  WinAssertMainThread("WaitMessage");
  WaitFiltered(nullptr, 0, 0, "WaitMessage");
  return true;
}

bool WinHasWork() {
  TMSG m;
  return PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);
}

void WinWaitForWork() { WaitFiltered(nullptr, 0, 0, "a modal loop"); }

LRESULT DispatchMessage(const TMSG* msg) {
  WinAssertMainThread("DispatchMessage");
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  TWndRecord* w = WinFind(msg->hwnd);
  if (w == nullptr) return 0;
  return WinCallProc(*w, msg->message, msg->wParam, msg->lParam);
}

void WinSetLastMessage(const TMSG& m) { Q().Last = m; }

uint32_t GetMessagePos() {
  const TMSG& m = Q().Last;
  return MAKELONG(uint16_t(m.pt.X), uint16_t(m.pt.Y));
}

uint32_t GetMessageTime() { return Q().Last.time; }

uint32_t RegisterWindowMessage(const char* name) {
  if (name == nullptr || name[0] == 0) return 0;
  String key;
  for (const char* p = name; *p != 0; ++p) key += (*p >= 'A' && *p <= 'Z') ? char(*p - 'A' + 'a') : *p;
  TQueue& q = Q();
  std::lock_guard<std::mutex> lock(q.Lock);
  auto it = q.Registered.find(key);
  if (it != q.Registered.end()) return it->second;
  if (q.NextRegistered > WM_REGISTERED_LAST) return 0;
  uint32_t v = q.NextRegistered++;
  q.Registered[key] = v;
  return v;
}

// ================================================================================
// Loop names
// ================================================================================

TWinLoopScope::TWinLoopScope(const char* name) { Q().Loops.push_back(name); }
TWinLoopScope::~TWinLoopScope() {
  if (!Q().Loops.empty()) Q().Loops.pop_back();
}
const char* WinCurrentLoopName() {
  TQueue& q = Q();
  return q.Loops.empty() ? "the message loop" : q.Loops.back();
}

void WinCaptureLoop(HWND hwnd, const char* name, const std::function<bool(const TMSG&)>& handle) {
  SetCapture(hwnd);
  TWinLoopScope scope(name);
  TMSG m;
  while (IsWindow(hwnd) && GetCapture() == hwnd) {
    const int32_t r = GetMessage(&m, nullptr, 0, 0);
    if (r == 0) {
      PostQuitMessage(static_cast<int32_t>(m.wParam));
      break;
    }
    if (r < 0) break;
    if (handle(m)) break;
  }
  if (GetCapture() == hwnd) ReleaseCapture();
}

bool WinIsMouseOrKey(uint32_t msg) {
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK) ||
         (msg >= WM_KEYFIRST && msg <= WM_KEYLAST);
}

// ================================================================================
// Timers
// ================================================================================

uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs, TIMERPROC proc) {
  WinAssertMainThread("SetTimer");
  if (hwnd != nullptr && WinFind(hwnd) == nullptr) return 0;
  TQueue& q = Q();
  const uint32_t interval = std::clamp<uint32_t>(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  auto existing = [&](uintptr_t tid) {
    return std::find_if(q.Timers.begin(), q.Timers.end(),
                        [&](const TTimer& t) { return !t.Internal && t.Hwnd == hwnd && t.Id == tid; });
  };
  if (hwnd == nullptr && (id == 0 || existing(id) == q.Timers.end())) {
    do {
      id = q.NextThreadTimerId++;
    } while (existing(id) != q.Timers.end());
  }
  const uint64_t now = GetTickCount64();
  auto it = existing(id);
  if (it != q.Timers.end()) {
    it->Interval = interval;
    it->Due = now + interval;
    it->Proc = proc;
    it->Seq = q.TimerSeq++;
  } else {
    TTimer t;
    t.Hwnd = hwnd;
    t.Id = id;
    t.Interval = interval;
    t.Due = now + interval;
    t.Proc = proc;
    t.Seq = q.TimerSeq++;
    q.Timers.push_back(std::move(t));
  }
  return id != 0 ? id : 1;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  WinAssertMainThread("KillTimer");
  TQueue& q = Q();
  auto it = std::find_if(q.Timers.begin(), q.Timers.end(),
                         [&](const TTimer& t) { return !t.Internal && t.Hwnd == hwnd && t.Id == id; });
  if (it == q.Timers.end()) return false;
  q.Timers.erase(it);
  return true;
}

uintptr_t WinSetInternalTimer(HWND owner, uint32_t elapseMs, std::function<void()> fn) {
  TQueue& q = Q();
  TTimer t;
  t.Hwnd = owner;
  t.Id = q.NextInternalId++;
  t.Interval = std::max<uint32_t>(elapseMs, 1);
  t.Due = GetTickCount64() + t.Interval;
  t.Internal = true;
  t.Fn = std::move(fn);
  t.Seq = q.TimerSeq++;
  q.Timers.push_back(std::move(t));
  return q.Timers.back().Id;
}

void WinKillInternalTimer(uintptr_t id) {
  TQueue& q = Q();
  q.Timers.erase(
      std::remove_if(q.Timers.begin(), q.Timers.end(), [&](const TTimer& t) { return t.Internal && t.Id == id; }),
      q.Timers.end());
}

void WinKillTimersOf(HWND hwnd) {
  if (hwnd == nullptr) return;
  TQueue& q = Q();
  q.Timers.erase(std::remove_if(q.Timers.begin(), q.Timers.end(), [&](const TTimer& t) { return t.Hwnd == hwnd; }),
                 q.Timers.end());
}

bool WinNextTimerDue(uint64_t& due) {
  TQueue& q = Q();
  bool any = false;
  for (const TTimer& t : q.Timers)
    if (!any || t.Due < due) {
      due = t.Due;
      any = true;
    }
  return any;
}

// ================================================================================
// Reset
// ================================================================================

void WinResetQueue() {
  TQueue& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.Lock);
    q.Posted.clear();
    q.QuitPending = false;
    q.QuitCode = 0;
    q.Seq++;
  }
  q.WakePosted = false;
  q.AppWindow = nullptr;
  q.Last = TMSG();
  q.Timers.clear();
  q.Loops.clear();
}
