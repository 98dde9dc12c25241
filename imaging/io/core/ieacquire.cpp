#include "imaging/io/core/ieacquire.h"

#include <dlfcn.h>

#include <cstdio>

#include "platform/rtl/dates.h"

String IETWainLogName;

void IETWainLog(const String& Message) {
  if (IETWainLogName.empty()) return;
  FILE* f = std::fopen(IETWainLogName.c_str(), "ab");
  if (f == nullptr) return;
  const TDateTime now = Now();
  const String line = DateToStr(now) + " " + TimeToStr(now) + " : " + Message + "\n";
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
}

void IETWainRelease(TIETWainState& State) {
  if (State.ProxyWindow != nullptr) {
    IETWainLog("Destroying the proxy window");
    DestroyWindow(State.ProxyWindow);
    State.ProxyWindow = nullptr;
  }
  if (State.SourceManagerLibrary != nullptr) {
    IETWainLog("Unloading the source manager");
    dlclose(State.SourceManagerLibrary);
    State.SourceManagerLibrary = nullptr;
  }
  State.SourceManagerState = 0;
}

TIEWia::TIEWia(TComponent* Owner) : FOwner(Owner) {}
TIEWia::~TIEWia() = default;

HRESULT TWiaEventCallBack::ImageEventCallback(const GUID& EventGUID) {
  uint8_t event = 0;
  if (EventGUID == IEWiaEventTreeUpdated)
    event = 1;
  else if (EventGUID == IEWiaEventItemCreated)
    event = 2;
  else if (EventGUID == IEWiaEventItemDeleted)
    event = 3;
  if (event == 0 || FWia == nullptr) return 0;
  FWia->LastEvent = event;
  if (FWia->OnWiaEvent) FWia->OnWiaEvent(FWia);
  return 0;
}
