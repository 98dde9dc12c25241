// A watch on one folder (optionally its whole subtree) that reports every
// change on the thread owning the component. A raw worker thread waits for
// the folder's change notification and posts a message to the component's
// hidden window; it never touches the component itself.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/kernelsync.h"
#include "platform/rtl/sets.h"

enum class TDirMonValue : uint8_t { dmcFileName, dmcDirName, dmcAttributes, dmcSize, dmcLastWrite, dmcSecurity };
using TDirMonType = Set<TDirMonValue>;

// Posted (wParam 0, lParam 0) for each wake-up of the worker.
inline constexpr uint32_t WM_DIRMON_CHANGE = WM_USER + 1;
// Posted by a worker that ended on its own after an error (wParam: its
// start number), so that the owner joins it and reports the stop.
inline constexpr uint32_t WM_DIRMON_ENDED = WM_USER + 2;

class TDirMon : public TComponent {
 public:
  explicit TDirMon(TComponent* AOwner);
  ~TDirMon() override;
  const char* ClassName() const override { return "TDirMon"; }

  // Without a trailing "/" except for "/" itself. Setting other text
  // restarts the watch on it; the same text does nothing.
  const String& Directory() const { return FDirectory; }
  void SetDirectory(const String& Value);
  // Setting it stops the watch; the next Directory change or Start uses it.
  TDirMonType GetNotifyFilter() const;
  void SetNotifyFilter(TDirMonType Value);
  // Watch the whole subtree; read by the next Start.
  bool Nested() const { return FNested; }
  void SetNested(bool Value) { FNested = Value; }

  void Start();
  // Returns once the worker has ended.
  void Stop();
  bool Active() const { return FThread != nullptr; }

  TNotifyEvent OnDirChange;
  TNotifyEvent OnStarted;
  TNotifyEvent OnStopped;

 protected:
  virtual void DoDirChange();
  virtual void DoStarted();
  virtual void DoStopped();

 private:
  struct TBlock;
  static uint32_t Worker(void* Parameter);
  static uint32_t EndedOnError(const TBlock& Block, uint32_t Error);

  void WndProc(TMessage& Message);
  void WMDirChange(TMessage& Message);
  void WMWorkerEnded(TMessage& Message);
  // Wakes the worker through the mutex and waits for its end.
  void JoinWorker();

  String FDirectory;
  uint32_t FFilter = FILE_NOTIFY_CHANGE_FILE_NAME;
  HWND FWindow = nullptr;
  std::unique_ptr<TBlock> FBlock;
  HANDLE FMutex = nullptr;
  bool FNested = false;
  HANDLE FThread = nullptr;
  uint32_t FThreadId = 0;
  // Counts the starts, so that a late message of an earlier worker is known.
  uintptr_t FStarts = 0;
};
