// SIGTERM and SIGINT close the main window as the user would, so its close
// handler runs and the settings are written. The signals are taken by a
// thread of their own through a signal descriptor; the window is asked by a
// posted WM_CLOSE.
#pragma once

#include <atomic>
#include <thread>

#include "platform/gui/windows.h"

class TCloseOnSignal {
 public:
  // Blocks the two signals in the calling thread and every thread it starts
  // from now on: construct it first, before other threads exist.
  TCloseOnSignal();
  ~TCloseOnSignal();
  TCloseOnSignal(const TCloseOnSignal&) = delete;
  TCloseOnSignal& operator=(const TCloseOnSignal&) = delete;

  // From now on a signal posts WM_CLOSE to Wnd; a signal that came before is
  // answered at once. nullptr: signals are only remembered.
  void SetTargetWindow(HWND Wnd);
  bool Signalled() const { return FSignalled.load(); }

 private:
  void Loop();
  void PostClose();

  int FSignalFd = -1;
  int FWakePipe[2] = {-1, -1};
  std::thread FThread;
  std::atomic<HWND> FTarget{nullptr};
  std::atomic<bool> FSignalled{false};
};
