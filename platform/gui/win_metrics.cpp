// Monitors (from the backend), system metrics, system parameters, the
// double-click time and MessageBeep.
#include <algorithm>
#include <cstring>

#include "platform/gui/win_core.h"

namespace {

uint32_t gForegroundLockTimeout = 200000;

std::vector<TMonitorDesc> Monitors() {
  std::vector<TMonitorDesc> m = WinBackend().Monitors();
  if (m.empty()) m.push_back(TMonitorDesc{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), "\\\\.\\DISPLAY1"});
  return m;
}

HMONITOR HandleOfIndex(size_t i) { return reinterpret_cast<HMONITOR>(uintptr_t(i + 1)); }

int64_t Area(const TRect& a, const TRect& b) {
  TRect r;
  if (!IntersectRect(r, a, b)) return 0;
  return int64_t(r.Width()) * r.Height();
}

int64_t DistanceSq(const TRect& r, TPoint p) {
  int64_t dx = p.X < r.Left ? r.Left - p.X : p.X >= r.Right ? p.X - r.Right + 1 : 0;
  int64_t dy = p.Y < r.Top ? r.Top - p.Y : p.Y >= r.Bottom ? p.Y - r.Bottom + 1 : 0;
  return dx * dx + dy * dy;
}

int64_t RectDistanceSq(const TRect& a, const TRect& b) {
  int64_t dx = b.Right <= a.Left ? a.Left - b.Right + 1 : b.Left >= a.Right ? b.Left - a.Right + 1 : 0;
  int64_t dy = b.Bottom <= a.Top ? a.Top - b.Bottom + 1 : b.Top >= a.Bottom ? b.Top - a.Bottom + 1 : 0;
  return dx * dx + dy * dy;
}

HMONITOR FromRect(const TRect& r, uint32_t flags) {
  std::vector<TMonitorDesc> ms = Monitors();
  int64_t best = 0;
  size_t at = 0;
  bool found = false;
  for (size_t i = 0; i < ms.size(); ++i) {
    int64_t a = Area(ms[i].Bounds, r);
    if (a > best) {
      best = a;
      at = i;
      found = true;
    }
  }
  if (found) return HandleOfIndex(at);
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOfIndex(0);
  if (flags != MONITOR_DEFAULTTONEAREST) return nullptr;
  int64_t bestD = -1;
  for (size_t i = 0; i < ms.size(); ++i) {
    int64_t d = RectDistanceSq(ms[i].Bounds, r);
    if (bestD < 0 || d < bestD) {
      bestD = d;
      at = i;
    }
  }
  return HandleOfIndex(at);
}

LOGFONT UiFont(bool bold) {
  LOGFONT f;
  f.lfHeight = -11;
  f.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  f.lfCharSet = DEFAULT_CHARSET;
  f.lfFaceName = "Tahoma";
  return f;
}

}  // namespace

TRect WinVirtualScreen() {
  std::vector<TMonitorDesc> ms = Monitors();
  TRect r = ms[0].Bounds;
  for (const TMonitorDesc& m : ms) UnionRect(r, r, m.Bounds);
  return r;
}

TMonitorDesc WinMonitorOfRect(const TRect& r) {
  std::vector<TMonitorDesc> ms = Monitors();
  HMONITOR h = FromRect(r, MONITOR_DEFAULTTONEAREST);
  size_t i = reinterpret_cast<uintptr_t>(h) - 1;
  return i < ms.size() ? ms[i] : ms[0];
}

bool EnumDisplayMonitors(HDC dc, const TRect* clip, MONITORENUMPROC proc, LPARAM data) {
  if (proc == nullptr) return false;
  std::vector<TMonitorDesc> ms = Monitors();
  for (size_t i = 0; i < ms.size(); ++i) {
    TRect r = ms[i].Bounds;
    if (clip != nullptr && !IntersectRect(r, r, *clip)) continue;
    if (!proc(HandleOfIndex(i), dc, &r, data)) return false;
  }
  return true;
}

HMONITOR MonitorFromPoint(TPoint pt, uint32_t flags) {
  std::vector<TMonitorDesc> ms = Monitors();
  for (size_t i = 0; i < ms.size(); ++i)
    if (PtInRect(ms[i].Bounds, pt)) return HandleOfIndex(i);
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleOfIndex(0);
  if (flags != MONITOR_DEFAULTTONEAREST) return nullptr;
  size_t at = 0;
  int64_t best = -1;
  for (size_t i = 0; i < ms.size(); ++i) {
    int64_t d = DistanceSq(ms[i].Bounds, pt);
    if (best < 0 || d < best) {
      best = d;
      at = i;
    }
  }
  return HandleOfIndex(at);
}

HMONITOR MonitorFromRect(const TRect* rect, uint32_t flags) {
  if (rect == nullptr) return nullptr;
  TRect r = *rect;
  if (r.Right <= r.Left) r.Right = r.Left + 1;
  if (r.Bottom <= r.Top) r.Bottom = r.Top + 1;
  return FromRect(r, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, uint32_t flags) {
  TWndRecord* w = WinFind(hwnd);
  if (w == nullptr) return flags == MONITOR_DEFAULTTONULL ? nullptr : HandleOfIndex(0);
  TRect r = (w->Style & WS_MINIMIZE) != 0 ? w->NormalRect : w->WindowRect;
  return MonitorFromRect(&r, flags);
}

bool GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (info == nullptr || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEX))) return false;
  std::vector<TMonitorDesc> ms = Monitors();
  size_t i = reinterpret_cast<uintptr_t>(monitor) - 1;
  if (monitor == nullptr || i >= ms.size()) return false;
  info->rcMonitor = ms[i].Bounds;
  info->rcWork = ms[i].Work;
  info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEX)) {
    auto* ex = static_cast<MONITORINFOEX*>(info);
    std::memset(ex->szDevice, 0, sizeof ex->szDevice);
    std::strncpy(ex->szDevice, ms[i].Name.c_str(), sizeof ex->szDevice - 1);
  }
  return true;
}

int32_t GetSystemMetrics(int32_t index) {
  switch (index) {
    case SM_CXSCREEN: return Monitors()[0].Bounds.Width();
    case SM_CYSCREEN: return Monitors()[0].Bounds.Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return Monitors()[0].Work.Width();
    case SM_CYFULLSCREEN: return Monitors()[0].Work.Height() - 19;
    case SM_MOUSEPRESENT: return 1;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXMINSPACING: return 160;
    case SM_CYMINSPACING: return 28;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 14;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 18;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 28;
    case SM_CXMAXTRACK: return WinVirtualScreen().Width() + 12;
    case SM_CYMAXTRACK: return WinVirtualScreen().Height() + 12;
    case SM_CXMAXIMIZED: return Monitors()[0].Work.Width() + 8;
    case SM_CYMAXIMIZED: return Monitors()[0].Work.Height() + 8;
    case SM_NETWORK: return 1;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_XVIRTUALSCREEN: return WinVirtualScreen().Left;
    case SM_YVIRTUALSCREEN: return WinVirtualScreen().Top;
    case SM_CXVIRTUALSCREEN: return WinVirtualScreen().Width();
    case SM_CYVIRTUALSCREEN: return WinVirtualScreen().Height();
    case SM_CMONITORS: return int32_t(Monitors().size());
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    case SM_REMOTESESSION: return 0;
    default: return 0;
  }
}

bool SystemParametersInfo(uint32_t action, uint32_t /*uiParam*/, void* pvParam, uint32_t /*winIni*/) {
  switch (action) {
    case SPI_GETWORKAREA:
      if (pvParam == nullptr) return false;
      *static_cast<TRect*>(pvParam) = Monitors()[0].Work;
      return true;
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETBEEP:
      if (pvParam == nullptr) return false;
      *static_cast<int32_t*>(pvParam) = 1;
      return true;
    case SPI_GETICONTITLELOGFONT:
      if (pvParam == nullptr) return false;
      *static_cast<LOGFONT*>(pvParam) = UiFont(false);
      return true;
    case SPI_GETNONCLIENTMETRICS: {
      auto* m = static_cast<NONCLIENTMETRICS*>(pvParam);
      if (m == nullptr) return false;
      m->iBorderWidth = 1;
      m->iScrollWidth = 17;
      m->iScrollHeight = 17;
      m->iCaptionWidth = 18;
      m->iCaptionHeight = 18;
      m->lfCaptionFont = UiFont(true);
      m->iSmCaptionWidth = 14;
      m->iSmCaptionHeight = 14;
      m->lfSmCaptionFont = UiFont(true);
      m->iMenuWidth = 18;
      m->iMenuHeight = 18;
      m->lfMenuFont = UiFont(false);
      m->lfStatusFont = UiFont(false);
      m->lfMessageFont = UiFont(false);
      m->iPaddedBorderWidth = 0;
      return true;
    }
    case SPI_GETWHEELSCROLLLINES:
      if (pvParam == nullptr) return false;
      *static_cast<uint32_t*>(pvParam) = 3;
      return true;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      if (pvParam == nullptr) return false;
      *static_cast<uint32_t*>(pvParam) = 4;
      return true;
    case SPI_GETMOUSEHOVERTIME:
    case SPI_GETMENUSHOWDELAY:
      if (pvParam == nullptr) return false;
      *static_cast<uint32_t*>(pvParam) = 400;
      return true;
    case SPI_GETKEYBOARDDELAY:
      if (pvParam == nullptr) return false;
      *static_cast<int32_t*>(pvParam) = 1;
      return true;
    case SPI_GETKEYBOARDSPEED:
      if (pvParam == nullptr) return false;
      *static_cast<uint32_t*>(pvParam) = 31;
      return true;
    case SPI_GETFOREGROUNDLOCKTIMEOUT:
      if (pvParam == nullptr) return false;
      *static_cast<uint32_t*>(pvParam) = gForegroundLockTimeout;
      return true;
    case SPI_SETFOREGROUNDLOCKTIMEOUT:
      gForegroundLockTimeout = uint32_t(reinterpret_cast<uintptr_t>(pvParam));
      return true;
    default: return false;
  }
}

uint32_t GetDoubleClickTime() { return 500; }

bool MessageBeep(uint32_t type) {
  WinBackend().Beep(type);
  return true;
}

void WinResetMetrics() {
  gForegroundLockTimeout = 200000;
  WinMonitorsChanged();
}
