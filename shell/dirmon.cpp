#include "shell/dirmon.h"

#include "platform/rtl/exceptions.h"

// What the worker reads: filled before it starts and left alone until it
// has ended.
struct TDirMon::TBlock {
  HWND Window = nullptr;
  HANDLE Mutex = nullptr;
  // Set once the worker watches (or failed to): Start waits for it.
  HANDLE Armed = nullptr;
  String Directory;
  uint32_t Filter = 0;
  bool Subtree = false;
  uintptr_t Start = 0;  // the owner's count of starts, for its end message
};

namespace {

constexpr uint32_t kFilterBits[] = {FILE_NOTIFY_CHANGE_FILE_NAME,  FILE_NOTIFY_CHANGE_DIR_NAME,
                                    FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE,
                                    FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_SECURITY};

}  // namespace

// ---- The worker -------------------------------------------------------------------------

uint32_t TDirMon::EndedOnError(const TBlock& Block, uint32_t Error) {
  PostMessage(Block.Window, WM_DIRMON_ENDED, Block.Start, 0);
  return Error;
}

uint32_t TDirMon::Worker(void* Parameter) {
  const auto* block = static_cast<const TBlock*>(Parameter);
  if (!block) return 1;
  HANDLE change = FindFirstChangeNotification(block->Directory, block->Subtree, block->Filter);
  const uint32_t watchError = GetLastError();
  SetEvent(block->Armed);
  if (change == INVALID_HANDLE_VALUE) return EndedOnError(*block, watchError);
  const HANDLE objects[2] = {change, block->Mutex};
  for (;;) {
    const uint32_t woke = WaitForMultipleObjects(2, objects, false, INFINITE);
    if (woke != WAIT_OBJECT_0 && woke != WAIT_FAILED) break;  // the owner released the mutex: stop
    if (woke == WAIT_OBJECT_0) PostMessage(block->Window, WM_DIRMON_CHANGE, 0, 0);
    if (woke == WAIT_FAILED || !FindNextChangeNotification(change)) {
      const uint32_t error = GetLastError();
      FindCloseChangeNotification(change);
      return EndedOnError(*block, error);
    }
  }
  FindCloseChangeNotification(change);
  ReleaseMutex(block->Mutex);  // taken by the wait that woke us
  return 0;
}

// ---- The component -------------------------------------------------------------------------

TDirMon::TDirMon(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TDirMon::~TDirMon() {
  if (FThread) JoinWorker();
  FBlock.reset();
  if (FMutex) CloseHandle(FMutex);
  DeallocateHWnd(FWindow);
}

void TDirMon::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_DIRMON_CHANGE: WMDirChange(Message); break;
    case WM_DIRMON_ENDED: WMWorkerEnded(Message); break;
    default: Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TDirMon::WMDirChange(TMessage&) { DoDirChange(); }

void TDirMon::WMWorkerEnded(TMessage& Message) {
  // Only the worker of the current start; an earlier one was joined already.
  if (FThread && Message.WParam == FStarts) Stop();
}

void TDirMon::SetDirectory(const String& Value) {
  String dir = Value;
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir == FDirectory) return;
  Stop();
  FDirectory = dir;
  Start();
}

TDirMonType TDirMon::GetNotifyFilter() const {
  TDirMonType result;
  for (size_t i = 0; i < std::size(kFilterBits); ++i)
    if (FFilter & kFilterBits[i]) result.Include(static_cast<TDirMonValue>(i));
  return result;
}

void TDirMon::SetNotifyFilter(TDirMonType Value) {
  Stop();
  FFilter = 0;
  for (size_t i = 0; i < std::size(kFilterBits); ++i)
    if (Value.Contains(static_cast<TDirMonValue>(i))) FFilter |= kFilterBits[i];
}

void TDirMon::Start() {
  Stop();
  if (FDirectory.empty() || ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  FMutex = CreateMutex(nullptr, false, nullptr);
  if (!FMutex) throw Exception("TDirMon: CreateMutex failed");
  // Held by this thread until Stop: its release is the worker's stop signal.
  WaitForSingleObject(FMutex, INFINITE);
  HANDLE armed = CreateEvent(nullptr, true, false, nullptr);
  FBlock = std::make_unique<TBlock>(TBlock{FWindow, FMutex, armed, FDirectory, FFilter, FNested, ++FStarts});
  FThread = CreateThread(nullptr, 0, Worker, FBlock.get(), 0, &FThreadId);
  if (!FThread) {
    CloseHandle(armed);
    FBlock.reset();
    CloseHandle(FMutex);
    FMutex = nullptr;
    throw Exception("TDirMon: CreateThread failed");
  }
  // A change made once Start has returned is never missed.
  WaitForSingleObject(armed, INFINITE);
  CloseHandle(armed);
  DoStarted();
}

void TDirMon::Stop() {
  if (!FThread) return;
  JoinWorker();
  CloseHandle(FMutex);
  FMutex = nullptr;
  FBlock.reset();
  DoStopped();
}

void TDirMon::JoinWorker() {
  ReleaseMutex(FMutex);
  WaitForSingleObject(FThread, INFINITE);
  CloseHandle(FThread);
  FThread = nullptr;
  FThreadId = 0;
}

void TDirMon::DoDirChange() {
  if (!OnDirChange) return;
  // A failing handler must not end the watch's message handling.
  try {
    OnDirChange(this);
  } catch (...) {
  }
}

void TDirMon::DoStarted() {
  if (OnStarted) OnStarted(this);
}

void TDirMon::DoStopped() {
  if (OnStopped) OnStopped(this);
}
