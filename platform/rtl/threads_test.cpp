#include "platform/rtl/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace {

// A thread running a given body; the body gets the thread for Synchronize etc.
class TLambdaThread : public TThread {
 public:
  using TBody = std::function<void(TLambdaThread&)>;
  TLambdaThread(bool CreateSuspended, TBody Body) : TThread(CreateSuspended), FBody(std::move(Body)) {}
  ~TLambdaThread() override {
    // Execute uses FBody: stop before it goes.
    if (Started() && !FreeOnTerminate()) WaitUntilStopped();
    if (Destroyed) *Destroyed = true;
  }
  using TThread::SetReturnValue;
  bool* Destroyed = nullptr;

 protected:
  void Execute() override { FBody(*this); }

 private:
  void WaitUntilStopped() {
    Terminate();
    WaitFor();
  }
  TBody FBody;
};

// Runs CheckSynchronize until done() holds, with a generous bound so a broken
// implementation fails instead of hanging.
template <class F>
bool PumpUntil(F done) {
  for (int i = 0; i < 200 && !done(); ++i) TThread::CheckSynchronize(50);
  return done();
}

}  // namespace

TEST(RtlThreads, MainThreadIdentity) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(MainThreadID.load(), GetCurrentThreadId());
  std::atomic<bool> workerIsMain{true};
  std::atomic<TThreadID> workerId{0};
  TLambdaThread t(true, [&](TLambdaThread&) {
    workerIsMain = IsMainThread();
    workerId = GetCurrentThreadId();
  });
  t.Start();
  t.WaitFor();
  EXPECT_FALSE(workerIsMain);
  EXPECT_NE(workerId.load(), GetCurrentThreadId());
  EXPECT_EQ(t.ThreadID(), workerId.load());
  EXPECT_FALSE(TThread::CheckSynchronize(0));  // nothing pending
}

TEST(RtlThreads, SynchronizeRunsWhileMainThreadWaits) {
  std::vector<int> seen;  // touched by the main thread only
  bool allOnMain = true;
  String caught;
  TLambdaThread t(true, [&](TLambdaThread& self) {
    for (int i = 0; i < 20; ++i)
      self.Synchronize([&, i] {
        allOnMain = allOnMain && IsMainThread();
        seen.push_back(i);
      });
    // An exception of the synchronized method comes back to the worker.
    try {
      self.Synchronize([] { throw EConvertError("bad value"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
    self.SetReturnValue(42);
  });
  t.Start();
  EXPECT_EQ(t.WaitFor(), 42);
  ASSERT_EQ(seen.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
  EXPECT_TRUE(allOnMain);
  EXPECT_EQ(caught, "bad value");
  EXPECT_EQ(t.FatalException(), nullptr);
}

TEST(RtlThreads, ManyWorkersSynchronizeWhileMainWaitsForEach) {
  int counter = 0;  // main thread only
  std::vector<std::unique_ptr<TLambdaThread>> workers;
  for (int w = 0; w < 4; ++w)
    workers.push_back(std::make_unique<TLambdaThread>(true, [&](TLambdaThread& self) {
      for (int i = 0; i < 25; ++i) self.Synchronize([&] { ++counter; });
    }));
  for (auto& w : workers) w->Start();
  for (auto& w : workers) w->WaitFor();
  EXPECT_EQ(counter, 100);
}

TEST(RtlThreads, QueueKeepsOrderAcrossQueueAndSynchronize) {
  std::vector<int> order;
  std::atomic<bool> queuedAfterSync{false};
  TLambdaThread t(true, [&](TLambdaThread& self) {
    for (int i = 0; i < 50; ++i) self.Queue([&order, i] { order.push_back(i); });
    // Synchronize waits behind everything queued before it.
    self.Synchronize([&] { queuedAfterSync = order.size() == 50; });
    for (int i = 50; i < 60; ++i) self.Queue([&order, i] { order.push_back(i); });
  });
  t.Start();
  t.WaitFor();
  PumpUntil([&] { return order.size() == 60; });
  ASSERT_EQ(order.size(), 60u);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_TRUE(queuedAfterSync);

  // On the main thread a queued method runs at once.
  bool ran = false;
  TThread::Queue(nullptr, [&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(RtlThreads, QueuedRequestsOfAThreadCanBeDropped) {
  TSimpleEvent queued;
  std::vector<String> ran;
  TLambdaThread t(true, [&](TLambdaThread& self) {
    self.Queue([&] { ran.push_back("mine"); });
    TThread::Queue(nullptr, [&] { ran.push_back("anonymous"); });
    self.Queue([&] { ran.push_back("mine again"); });
    queued.SetEvent();
  });
  t.Start();
  ASSERT_EQ(queued.WaitFor(10000), TWaitResult::wrSignaled);
  TThread::RemoveQueuedEvents(&t);
  t.WaitFor();
  PumpUntil([&] { return !ran.empty(); });
  EXPECT_EQ(ran, (std::vector<String>{"anonymous"}));
}

TEST(RtlThreads, WakeMainThreadIsCalledForEveryRequest) {
  std::atomic<int> wakes{0};
  WakeMainThread = [&] { ++wakes; };
  TLambdaThread t(true, [](TLambdaThread& self) {
    self.Queue([] {});
    self.Synchronize([] {});
  });
  t.Start();
  t.WaitFor();
  WakeMainThread = nullptr;
  EXPECT_EQ(wakes.load(), 2);
}

TEST(RtlThreads, CheckSynchronizeOffTheMainThreadRaises) {
  std::atomic<bool> raised{false};
  TLambdaThread t(true, [&](TLambdaThread&) {
    try {
      TThread::CheckSynchronize();
    } catch (const EThread&) {
      raised = true;
    }
  });
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(raised);
}

TEST(RtlThreads, FreeOnTerminateRunsOnTerminateThenDeletesOnMainThread) {
  std::vector<String> events;  // main thread only
  bool destroyed = false;
  auto* t = new TLambdaThread(true, [](TLambdaThread& self) { self.SetReturnValue(7); });
  t->Destroyed = &destroyed;
  t->SetFreeOnTerminate(true);
  t->OnTerminate = [&](TThread* sender) {
    events.push_back(IsMainThread() ? "terminate on main" : "terminate elsewhere");
    events.push_back("return " + std::to_string(sender->ReturnValue()));
  };
  t->Start();
  EXPECT_THROW(t->WaitFor(), EThread);  // it would free itself under the waiter
  ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(events, (std::vector<String>{"terminate on main", "return 7"}));
}

TEST(RtlThreads, WaitForOnMainThreadIncludesOnTerminate) {
  bool terminated = false;
  TLambdaThread t(true, [](TLambdaThread&) {});
  t.OnTerminate = [&](TThread*) { terminated = true; };
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(terminated);
  EXPECT_TRUE(t.Finished());
}

TEST(RtlThreads, ExceptionOfExecuteIsKeptInFatalException) {
  bool terminated = false;
  TLambdaThread t(true, [](TLambdaThread&) { throw EConvertError("worker failed"); });
  t.OnTerminate = [&](TThread*) { terminated = true; };
  t.Start();
  t.WaitFor();
  EXPECT_TRUE(terminated);
  ASSERT_NE(t.FatalException(), nullptr);
  try {
    std::rethrow_exception(t.FatalException());
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "worker failed");
  }
}

TEST(RtlThreads, LifeCycleStartSuspendedAndDestroy) {
  std::atomic<int> runs{0};
  auto body = [&](TLambdaThread&) { ++runs; };
  {
    TLambdaThread never(true, body);  // suspended, never started: destroyable
    EXPECT_THROW(never.WaitFor(), EThread);
  }
  {
    TLambdaThread notSuspended(false, body);  // waits for Start without the factory
    EXPECT_FALSE(notSuspended.Started());
  }
  EXPECT_EQ(runs.load(), 0);

  std::unique_ptr<TLambdaThread> created(TThread::Create<TLambdaThread>(false, body));
  EXPECT_TRUE(created->Started());
  created->WaitFor();
  EXPECT_THROW(created->Start(), EThread);
  EXPECT_EQ(runs.load(), 1);

  std::unique_ptr<TLambdaThread> suspended(TThread::Create<TLambdaThread>(true, body));
  EXPECT_FALSE(suspended->Started());
  suspended->Resume();
  suspended->Resume();  // already running: nothing
  suspended->WaitFor();
  EXPECT_EQ(runs.load(), 2);

  // A thread terminated before it runs does not execute.
  TLambdaThread early(true, body);
  early.Terminate();
  early.Start();
  early.WaitFor();
  EXPECT_EQ(runs.load(), 2);
}

namespace {
// Execute touches nothing of a derived class, so the base destructor alone may
// stop it.
class TSpinner : public TThread {
 public:
  TSpinner(TSimpleEvent& Running, bool& Terminated) : TThread(true), FRunning(Running) {
    // Runs inside ~TThread, so it must not touch this object's own members.
    OnTerminate = [&Terminated](TThread*) { Terminated = true; };
  }

 protected:
  void Execute() override {
    FRunning.SetEvent();
    while (!Terminated()) std::this_thread::yield();
  }

 private:
  TSimpleEvent& FRunning;
};
}  // namespace

TEST(RtlThreads, DestroyingARunningThreadTerminatesAndWaits) {
  TSimpleEvent running;
  bool terminated = false;
  auto* t = new TSpinner(running, terminated);
  t->Start();
  ASSERT_EQ(running.WaitFor(10000), TWaitResult::wrSignaled);
  delete t;
  EXPECT_TRUE(terminated);
}

TEST(RtlThreads, CriticalSectionIsReentrant) {
  TCriticalSection cs;
  cs.Enter();
  cs.Acquire();  // the same thread again
  std::atomic<bool> otherGotIt{true};
  TLambdaThread probe(true, [&](TLambdaThread&) {
    otherGotIt = cs.TryEnter();
    if (otherGotIt) cs.Leave();
  });
  probe.Start();
  probe.WaitFor();
  EXPECT_FALSE(otherGotIt);
  cs.Release();
  cs.Leave();
  TLambdaThread probe2(true, [&](TLambdaThread&) {
    otherGotIt = cs.TryEnter();
    if (otherGotIt) cs.Leave();
  });
  probe2.Start();
  probe2.WaitFor();
  EXPECT_TRUE(otherGotIt);
}

TEST(RtlThreads, EventsManualAndAutoReset) {
  TSimpleEvent manual;
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrTimeout);
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);  // stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(1), TWaitResult::wrTimeout);

  TEvent autoReset(false, true);
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrTimeout);  // consumed

  // Across threads: a ping-pong of two auto-reset events.
  TEvent ping(false, false), pong(false, false);
  std::atomic<int> rounds{0};
  TLambdaThread t(true, [&](TLambdaThread&) {
    for (int i = 0; i < 100; ++i) {
      if (ping.WaitFor() != TWaitResult::wrSignaled) return;
      ++rounds;
      pong.SetEvent();
    }
  });
  t.Start();
  for (int i = 0; i < 100; ++i) {
    ping.SetEvent();
    ASSERT_EQ(pong.WaitFor(10000), TWaitResult::wrSignaled);
  }
  t.WaitFor();
  EXPECT_EQ(rounds.load(), 100);
}
