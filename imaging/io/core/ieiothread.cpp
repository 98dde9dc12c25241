#include "imaging/io/core/ieiothread.h"
#include "platform/rtl/scopeguard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

TIEIOThread::TIEIOThread(TIEIOThreadList* AList, std::function<void()> AMethod)
    : TThread(true), FList(AList), FMethod(std::move(AMethod)) {}

TIEIOThread::~TIEIOThread() {
  // Execute uses this object's members: stop here, not in the base.
  if (Started()) WaitFor();
}

void TIEIOThread::Execute() {
  FList->Started(this);
  bool raised = false;
  try {
    FMethod();
  } catch (...) {
    raised = true;
  }
  FList->Ended(this, raised);
}

TIEIOThreadList::~TIEIOThreadList() { Wait({}); }

void TIEIOThreadList::Start(std::function<void()> Method) {
  Reap();
  auto thread = std::make_unique<TIEIOThread>(this, std::move(Method));
  {
    std::lock_guard<std::mutex> lk(FLock);
    FRunning.push_back(thread.get());
  }
  {
    auto cleanup = ScopeFail([&] {
      std::lock_guard<std::mutex> lk(FLock);
      FRunning.erase(std::find(FRunning.begin(), FRunning.end(), thread.get()));
    });
    thread->Start();
  }
  thread.release();  // owned by the list from here on (FRunning, then FFinished)
}

void TIEIOThreadList::Started(TIEIOThread* Thread) {
  std::lock_guard<std::mutex> lk(FLock);
  Thread->ThreadId = GetCurrentThreadId();
}

void TIEIOThreadList::Ended(TIEIOThread* Thread, bool Raised) {
  if (Raised) {
    // The debugger output of the original platform has no counterpart here.
    std::fputs("Exception in TIEIOThread.Execute\n", stderr);
    if (FOnException) FOnException();
  }
  std::lock_guard<std::mutex> lk(FLock);
  FRunning.erase(std::find(FRunning.begin(), FRunning.end(), Thread));
  FFinished.emplace_back(Thread);
  FChanged.notify_all();
}

bool TIEIOThreadList::InWorkerThread() {
  const TThreadID self = GetCurrentThreadId();
  std::lock_guard<std::mutex> lk(FLock);
  return std::any_of(FRunning.begin(), FRunning.end(), [&](TIEIOThread* t) { return t->ThreadId == self; });
}

int32_t TIEIOThreadList::Count() {
  std::lock_guard<std::mutex> lk(FLock);
  return static_cast<int32_t>(FRunning.size());
}

void TIEIOThreadList::Wait(const std::function<void()>& EachPass) {
  {
    std::unique_lock<std::mutex> lk(FLock);
    for (;;) {
      if (EachPass) EachPass();
      if (FRunning.empty()) break;
      if (EachPass)
        // Wake up now and then to raise the flag again.
        FChanged.wait_for(lk, std::chrono::milliseconds(2));
      else
        FChanged.wait(lk);
    }
  }
  Reap();
}

void TIEIOThreadList::Reap() {
  std::vector<std::unique_ptr<TIEIOThread>> done;
  {
    std::lock_guard<std::mutex> lk(FLock);
    done.swap(FFinished);
  }
  done.clear();  // joins each
}
