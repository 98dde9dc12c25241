// Worker threads of the image I/O component's asynchronous mode. A public
// load or save that finds itself in asynchronous mode hands a call of itself,
// with its arguments captured by value, to a new worker and returns at once;
// on the worker the same operation runs to its end, end events included.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/rtl/threads.h"

class TIEIOThreadList;

// One asynchronous operation. Lives from its start (already listed as
// running) until its owner's list reaps it after Method returned.
class TIEIOThread : public TThread {
 public:
  TIEIOThread(TIEIOThreadList* AList, std::function<void()> AMethod);
  ~TIEIOThread() override;

  // The worker's thread id once it runs; 0 before.
  TThreadID ThreadId = 0;

 protected:
  void Execute() override;

 private:
  TIEIOThreadList* FList;
  std::function<void()> FMethod;
};

// The running workers of one component and the lock that guards them.
// Finished workers are joined by Wait and by the next Start, never by
// themselves, so the list can always be waited for.
class TIEIOThreadList {
 public:
  // Called on the worker when Method raised (the worker carries on to its end).
  explicit TIEIOThreadList(std::function<void()> AOnException) : FOnException(std::move(AOnException)) {}
  // Waits for every worker (without touching any flag).
  ~TIEIOThreadList();
  TIEIOThreadList(const TIEIOThreadList&) = delete;
  TIEIOThreadList& operator=(const TIEIOThreadList&) = delete;

  // Lists a new worker running Method and starts it.
  void Start(std::function<void()> Method);
  // True on the thread of a listed worker.
  bool InWorkerThread();
  int32_t Count();
  // Returns once no worker is listed, then joins the finished ones. EachPass
  // runs before every check (and again on every wake-up while workers run),
  // which lets a caller keep a cancel flag raised that a starting operation
  // would clear. Must not be called from a worker of this list.
  void Wait(const std::function<void()>& EachPass);

 private:
  friend class TIEIOThread;
  void Started(TIEIOThread* Thread);
  void Ended(TIEIOThread* Thread, bool Raised);
  // Deletes (joins) the finished workers.
  void Reap();

  std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<TIEIOThread*> FRunning;
  std::vector<std::unique_ptr<TIEIOThread>> FFinished;
  std::function<void()> FOnException;
};
