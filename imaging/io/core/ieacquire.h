// What remains of scanner and camera acquisition. Nothing in this system
// starts an acquisition: the TWAIN state stays empty and no WIA device is
// opened, but the release of TWAIN state (with its log) and the WIA object
// with its event mapping are kept for the settings that name them.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gui/win_ole.h"
#include "platform/gui/windows.h"
#include "platform/rtl/types.h"

class TComponent;

// The TWAIN state a parameter object keeps: all zero unless an acquisition
// ran, which never happens here.
struct TIETWainState {
  uintptr_t SourceManagerState = 0;
  void* SourceManagerLibrary = nullptr;  // a loaded source manager
  HWND ProxyWindow = nullptr;
};

// The library-wide TWAIN log: lines "date time : message" are appended to
// this file when its name is not empty (it is empty at start-up).
extern String IETWainLogName;
void IETWainLog(const String& Message);

// Destroys the proxy window and unloads the source manager when set,
// logging each step; the state is zero afterwards.
void IETWainRelease(TIETWainState& State);

// WIA device events.
inline constexpr GUID IEWiaEventTreeUpdated{
    0xC9859B91, 0x4AB2, 0x4CD6, {0xA1, 0xFC, 0x58, 0x2E, 0xEC, 0x55, 0xE5, 0x85}};
inline constexpr GUID IEWiaEventItemCreated{
    0x4C8F4EF5, 0xE14F, 0x11D2, {0xB3, 0x26, 0x00, 0xC0, 0x4F, 0x68, 0xCE, 0x61}};
inline constexpr GUID IEWiaEventItemDeleted{
    0x1D22A559, 0xE14F, 0x11D2, {0xB3, 0x26, 0x00, 0xC0, 0x4F, 0x68, 0xCE, 0x61}};

// The WIA device manager of a component. There is no WIA service here, so
// DeviceManager stays nil and no event is registered.
class TIEWia {
 public:
  explicit TIEWia(TComponent* Owner);
  ~TIEWia();
  TIEWia(const TIEWia&) = delete;
  TIEWia& operator=(const TIEWia&) = delete;

  void* DeviceManager = nullptr;
  uint8_t LastEvent = 0;  // 1 tree updated, 2 item created, 3 item deleted
  std::function<void(TIEWia* Sender)> OnWiaEvent;
  TComponent* Owner() const { return FOwner; }

 private:
  TComponent* FOwner;
};

// The event callback registered for each of the three events: records the
// event in its WIA object and calls OnWiaEvent; other events are ignored.
class TWiaEventCallBack {
 public:
  explicit TWiaEventCallBack(TIEWia* Wia) : FWia(Wia) {}
  // Always S_OK (0).
  HRESULT ImageEventCallback(const GUID& EventGUID);

 private:
  TIEWia* FWia;
};
