// One running instance per user: the first start holds an flock on a lock
// file and listens on a Unix-domain socket beside it; a later start that
// finds the lock held sends a restore request over the socket and ends. Both
// live in the user's runtime folder under the guard's name.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"

inline constexpr const char* kInstanceGuardName = "Corvane_Pictoval";
// The restore request as a window message (WM_USER + 100).
inline constexpr uint32_t WM_RESTOREINSTANCE = 1124;

enum class TInstanceStart : uint8_t {
  isFirst,    // the lock is ours; requests are listened for
  isExit,     // another instance holds the lock: end this one
  isNoGuard,  // the lock could not be tried: run without the guard
};

// XDG_RUNTIME_DIR, else a folder of our own (mode 0700) under the temporary
// folder; empty when neither can be had.
String InstanceRuntimeFolder();

class TInstanceGuard {
 public:
  // Folder empty: InstanceRuntimeFolder().
  explicit TInstanceGuard(const String& Name = kInstanceGuardName, const String& Folder = String());
  // Stops listening, removes the socket and releases the lock.
  ~TInstanceGuard();
  TInstanceGuard(const TInstanceGuard&) = delete;
  TInstanceGuard& operator=(const TInstanceGuard&) = delete;

  // Takes the lock, or, when another instance holds it, sends that instance
  // the restore request (whether or not it can be delivered).
  TInstanceStart Start();
  // Requests arriving from now on are posted to Wnd as WM_RESTOREINSTANCE;
  // nullptr drops them (before the window exists and once it is gone).
  void SetTargetWindow(HWND Wnd) { FTarget.store(Wnd); }

  bool RequestSent() const { return FRequestSent; }
  // Requests taken from the socket so far (posted or dropped).
  int32_t RequestsReceived() const { return FReceived.load(); }
  const String& LockPath() const { return FLockPath; }
  const String& SocketPath() const { return FSocketPath; }

 private:
  bool Listen();
  void SendRequest();
  void ListenLoop();
  void ServeOne(int Conn);

  String FFolder;
  String FLockPath;
  String FSocketPath;
  int FLockFd = -1;
  int FListenFd = -1;
  int FWakePipe[2] = {-1, -1};
  std::thread FListener;
  std::atomic<HWND> FTarget{nullptr};
  std::atomic<int32_t> FReceived{0};
  bool FRequestSent = false;
};
