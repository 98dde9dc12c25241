// Threads and synchronisation: TThread over std::thread with Synchronize/Queue
// onto the main thread, re-entrant critical sections and events.
//
// The main thread runs requests of workers only when it calls CheckSynchronize
// (the message loop does, woken through WakeMainThread) or waits in
// TThread::WaitFor, which keeps running them so a worker blocked in
// Synchronize cannot deadlock the wait.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/rtl/types.h"

using TThreadID = uint32_t;

// Wait without a time limit.
inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// Id of the main thread: the thread that ran static initialisation, or the
// last caller of SetMainThread.
extern std::atomic<TThreadID> MainThreadID;
void SetMainThread();
TThreadID GetCurrentThreadId();
bool IsMainThread();

// Called (from any thread) whenever a request for the main thread is queued.
// Assign it before any worker starts; the message loop connects it.
extern std::function<void()> WakeMainThread;

class TThread {
 public:
  // A thread starts when Start is called. C++ cannot run Execute before the
  // derived constructor has finished, so CreateSuspended = false takes effect
  // through TThread::Create<T>(...) (or AfterConstruction()).
  explicit TThread(bool CreateSuspended);
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // A running thread is terminated and waited for. A derived class whose
  // Execute uses its own members stops the thread (Terminate + WaitFor) in its
  // own destructor, since those members are gone by the time this one runs.
  virtual ~TThread();

  // Constructs T and starts it unless it was created suspended.
  template <class T, class... Args>
  static T* Create(Args&&... args) {
    T* thread = new T(std::forward<Args>(args)...);
    thread->AfterConstruction();
    return thread;
  }
  // Starts the thread when it was constructed with CreateSuspended = false.
  void AfterConstruction();

  // EThread when already started.
  void Start();
  // Starts a thread that has not started yet; nothing otherwise.
  void Resume();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Waits until Execute has returned (on the main thread: also until
  // OnTerminate ran) and answers ReturnValue. On the main thread, requests of
  // workers keep running meanwhile.
  int32_t WaitFor();

  bool Started() const { return FStarted; }
  bool Finished() const { return FFinished; }
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  // The object deletes itself on the main thread after OnTerminate.
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  int32_t ReturnValue() const { return FReturnValue; }
  // What Execute threw, or null.
  std::exception_ptr FatalException() const { return FFatalException; }
  TThreadID ThreadID() const { return FThreadID; }

  // Runs on the main thread once Execute has returned. Assign before Start.
  std::function<void(TThread* Sender)> OnTerminate;

  // Runs Method on the main thread and waits for it; an exception it raises is
  // raised again in the caller. Runs directly when called on the main thread.
  void Synchronize(std::function<void()> Method) { Synchronize(this, std::move(Method)); }
  static void Synchronize(TThread* AThread, std::function<void()> Method);
  // Runs Method on the main thread later, in the order queued; runs directly
  // when called on the main thread. Requests queued for a thread are dropped
  // when the thread object is destroyed.
  void Queue(std::function<void()> Method) { Queue(this, std::move(Method)); }
  static void Queue(TThread* AThread, std::function<void()> Method);
  // Drops the queued (not the synchronous) requests of AThread.
  static void RemoveQueuedEvents(TThread* AThread);

  // Main thread only: runs the requests pending at the call (waiting up to
  // TimeoutMs for one to arrive when none is) and answers whether any ran. An
  // exception of a queued request leaves through here; the rest stay queued.
  static bool CheckSynchronize(int TimeoutMs = 0);

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(int32_t Value) { FReturnValue = Value; }

 private:
  void ThreadProc();
  void FinishOnMainThread();
  void WaitUntilDone();

  std::thread FThread;
  std::mutex FLock;
  std::condition_variable FFinishedCV;
  const bool FCreateSuspended;
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FTerminationPending{false};
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<bool> FDestroying{false};
  std::atomic<int32_t> FReturnValue{0};
  std::atomic<TThreadID> FThreadID{0};
  std::exception_ptr FFatalException;
};

// Re-entrant lock: the owning thread may enter again (and leaves as often).
class TCriticalSection {
 public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }
  bool TryEnter() { return FMutex.try_lock(); }

 private:
  std::recursive_mutex FMutex;
};

enum class TWaitResult : uint8_t { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TEvent {
 public:
  // A manual-reset event stays signalled until ResetEvent; an auto-reset event
  // releases one waiter and resets itself.
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : FManualReset(ManualReset), FSignaled(InitialState) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  virtual ~TEvent() = default;

  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(uint32_t TimeoutMs = INFINITE);

 private:
  std::mutex FMutex;
  std::condition_variable FCond;
  const bool FManualReset;
  bool FSignaled;
};

// Manual-reset event, initially not signalled.
class TSimpleEvent : public TEvent {
 public:
  TSimpleEvent() : TEvent(true, false) {}
};
