#include "platform/rtl/threads.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <system_error>

#include "platform/rtl/exceptions.h"

std::atomic<TThreadID> MainThreadID{0};
std::function<void()> WakeMainThread;

TThreadID GetCurrentThreadId() { return static_cast<TThreadID>(gettid()); }

void SetMainThread() { MainThreadID = GetCurrentThreadId(); }

bool IsMainThread() {
  TThreadID current = GetCurrentThreadId();
  TThreadID expected = 0;
  // Without static initialisation having run yet, the first caller is main.
  if (MainThreadID.compare_exchange_strong(expected, current)) return true;
  return expected == current;
}

namespace {

[[maybe_unused]] const bool kMainThreadKnown = IsMainThread();

// Handshake of one Synchronize call; shared so neither side outlives it.
struct TSyncWaiter {
  std::mutex Lock;
  std::condition_variable Cond;
  bool Done = false;
  std::exception_ptr Error;
};

struct TSyncRequest {
  TThread* Thread;
  std::function<void()> Method;
  std::shared_ptr<TSyncWaiter> Waiter;  // null for queued requests
};

struct TSyncState {
  std::mutex Lock;
  std::condition_variable Arrived;  // a request was queued or a thread finished
  std::deque<TSyncRequest> Pending;
};

// Never destroyed: a worker may still queue while the program exits.
TSyncState& Sync() {
  static TSyncState* state = new TSyncState;
  return *state;
}

void PushRequest(TSyncRequest request) {
  TSyncState& s = Sync();
  {
    std::lock_guard<std::mutex> lk(s.Lock);
    s.Pending.push_back(std::move(request));
    s.Arrived.notify_all();
  }
  if (WakeMainThread) WakeMainThread();
}

// Wakes a main thread waiting in TThread::WaitFor for a thread to finish.
void SignalArrived() {
  TSyncState& s = Sync();
  std::lock_guard<std::mutex> lk(s.Lock);
  s.Arrived.notify_all();
}

}  // namespace

// ---------------------------------------------------------------------------
// Requests to the main thread

void TThread::Synchronize(TThread* AThread, std::function<void()> Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto waiter = std::make_shared<TSyncWaiter>();
  PushRequest({AThread, std::move(Method), waiter});
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lk(waiter->Lock);
    waiter->Cond.wait(lk, [&] { return waiter->Done; });
    error = std::move(waiter->Error);  // this thread alone holds it from here on
  }
  if (error) std::rethrow_exception(error);
}

void TThread::Queue(TThread* AThread, std::function<void()> Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  PushRequest({AThread, std::move(Method), nullptr});
}

void TThread::RemoveQueuedEvents(TThread* AThread) {
  TSyncState& s = Sync();
  std::lock_guard<std::mutex> lk(s.Lock);
  auto& q = s.Pending;
  q.erase(std::remove_if(q.begin(), q.end(), [&](const TSyncRequest& r) { return r.Thread == AThread && !r.Waiter; }),
          q.end());
}

bool TThread::CheckSynchronize(int TimeoutMs) {
  if (!IsMainThread()) throw EThread("CheckSynchronize called from a thread that is not the main thread");
  TSyncState& s = Sync();
  size_t count;
  {
    std::unique_lock<std::mutex> lk(s.Lock);
    if (s.Pending.empty() && TimeoutMs > 0)
      s.Arrived.wait_for(lk, std::chrono::milliseconds(TimeoutMs), [&] { return !s.Pending.empty(); });
    count = s.Pending.size();
  }
  // Only what was pending at the start: workers that keep queueing cannot hold
  // the main thread here for ever.
  bool ran = false;
  for (size_t i = 0; i < count; ++i) {
    TSyncRequest request;
    {
      std::lock_guard<std::mutex> lk(s.Lock);
      if (s.Pending.empty()) break;
      request = std::move(s.Pending.front());
      s.Pending.pop_front();
    }
    ran = true;
    if (!request.Waiter) {
      request.Method();
      continue;
    }
    std::exception_ptr error;
    try {
      request.Method();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> lk(request.Waiter->Lock);
    request.Waiter->Error = std::move(error);
    request.Waiter->Done = true;
    request.Waiter->Cond.notify_all();
  }
  return ran;
}

// ---------------------------------------------------------------------------
// TThread

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

TThread::~TThread() {
  FDestroying = true;
  if (FStarted) {
    if (!FFinished || FTerminationPending) {
      Terminate();
      // A queued request that throws here has nowhere to go; keep waiting.
      for (;;) {
        try {
          WaitUntilDone();
          break;
        } catch (...) {
        }
      }
    }
    if (FThread.joinable()) FThread.join();
  }
  RemoveQueuedEvents(this);
}

void TThread::AfterConstruction() {
  if (!FCreateSuspended && !FStarted) Start();
}

void TThread::Start() {
  std::lock_guard<std::mutex> lk(FLock);
  if (FStarted) throw EThread("Cannot call Start on a running or terminated thread");
  try {
    FThread = std::thread(&TThread::ThreadProc, this);
  } catch (const std::system_error& e) {
    throw EThread("Thread creation error: %s", {String(e.what())});
  }
  FStarted = true;
}

void TThread::Resume() {
  if (!FStarted) Start();
}

int32_t TThread::WaitFor() {
  if (!FStarted) throw EThread("Cannot wait for a thread that was never started");
  if (FThreadID == GetCurrentThreadId()) throw EThread("A thread cannot wait for itself");
  if (FFreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself on termination");
  WaitUntilDone();
  return FReturnValue;
}

void TThread::WaitUntilDone() {
  if (!IsMainThread()) {
    std::unique_lock<std::mutex> lk(FLock);
    FFinishedCV.wait(lk, [&] { return FFinished.load(); });
    return;
  }
  // The main thread keeps serving requests, among them a worker blocked in
  // Synchronize and this thread's own OnTerminate.
  TSyncState& s = Sync();
  std::unique_lock<std::mutex> lk(s.Lock);
  while (!FFinished || FTerminationPending) {
    if (!s.Pending.empty()) {
      lk.unlock();
      CheckSynchronize(0);
      lk.lock();
      continue;
    }
    // Every state change signals Arrived under its lock; the bound is a backstop.
    s.Arrived.wait_for(lk, std::chrono::milliseconds(500));
  }
}

void TThread::ThreadProc() {
  FThreadID = GetCurrentThreadId();
  if (!FTerminated) {
    try {
      Execute();
    } catch (...) {
      FFatalException = std::current_exception();
    }
  }
  if (FFreeOnTerminate || OnTerminate) {
    FTerminationPending = true;
    PushRequest({this, [this] { FinishOnMainThread(); }, nullptr});
  }
  {
    std::lock_guard<std::mutex> lk(FLock);
    FFinished = true;
    FFinishedCV.notify_all();
  }
  SignalArrived();
}

void TThread::FinishOnMainThread() {
  FTerminationPending = false;
  std::exception_ptr error;
  if (OnTerminate) {
    try {
      OnTerminate(this);
    } catch (...) {
      error = std::current_exception();
    }
  }
  if (FFreeOnTerminate && !FDestroying) delete this;
  if (error) std::rethrow_exception(error);
}

// ---------------------------------------------------------------------------
// TEvent

void TEvent::SetEvent() {
  std::lock_guard<std::mutex> lk(FMutex);
  FSignaled = true;
  if (FManualReset)
    FCond.notify_all();
  else
    FCond.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> lk(FMutex);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t TimeoutMs) {
  std::unique_lock<std::mutex> lk(FMutex);
  auto signaled = [&] { return FSignaled; };
  if (TimeoutMs == INFINITE)
    FCond.wait(lk, signaled);
  else if (!FCond.wait_for(lk, std::chrono::milliseconds(TimeoutMs), signaled))
    return TWaitResult::wrTimeout;
  if (!FManualReset) FSignaled = false;
  return TWaitResult::wrSignaled;
}
