// Test support for the painting, non-client, scroll-bar, caret, clipboard and
// drag-and-drop tests: a headless session, windows of a recording class whose
// messages are logged and can be answered per window, and pixel reading.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"

struct TLogged {
  HWND Wnd = nullptr;
  uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  friend bool operator==(const TLogged& a, const TLogged& b) { return a.Wnd == b.Wnd && a.Msg == b.Msg; }
};

// Answers true when it handled the message (the result in r).
using TTestHandler = std::function<bool(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& r)>;

// The class of test windows: no background brush unless one is given per
// window through Background().
inline constexpr const char* kW2TestClass = "W2TestWindow";
inline constexpr const char* kW2DblClass = "W2TestDblClk";

class TTestScene {
 public:
  TTestScene() {
    Current() = this;
    for (const char* name : {kW2TestClass, kW2DblClass}) {
      WNDCLASS wc;
      wc.lpfnWndProc = Proc;
      wc.lpszClassName = name;
      wc.style = name == kW2DblClass ? CS_DBLCLKS : 0;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOW + 1));
      RegisterClass(wc);  // registered once per process; later calls fail harmlessly
    }
  }
  ~TTestScene() {
    WinResetState();
    Current() = nullptr;
  }
  TTestScene(const TTestScene&) = delete;
  TTestScene& operator=(const TTestScene&) = delete;

  THeadlessBackend& Backend() { return FSession.Backend(); }
  VirtualClock& Clock() { return FSession.Clock(); }

  // A window in screen coordinates (parent client coordinates for children).
  HWND Make(uint32_t style, uint32_t exStyle, TRect r, HWND parent = nullptr, const char* text = "",
            const char* cls = kW2TestClass) {
    return CreateWindowEx(exStyle, cls, text, style, r.Left, r.Top, r.Width(), r.Height(), parent, nullptr, nullptr,
                          nullptr);
  }
  // Paints the window's client area in a solid colour on WM_PAINT (and
  // remembers each rcPaint).
  void PaintSolid(HWND hwnd, COLORREF color) { FSolid[hwnd] = color; }
  void On(HWND hwnd, TTestHandler handler) { FHandlers[hwnd] = std::move(handler); }

  void Pump() { Backend().PumpMessages(); }

  // Logged messages among msgs (all when empty), in order; the log is cleared.
  std::vector<TLogged> Take(std::initializer_list<uint32_t> msgs = {}) {
    std::vector<TLogged> out;
    for (const TLogged& l : Log)
      if (msgs.size() == 0 || std::find(msgs.begin(), msgs.end(), l.Msg) != msgs.end()) out.push_back(l);
    Log.clear();
    return out;
  }

  std::vector<TLogged> Log;
  std::map<HWND, std::vector<TRect>> Painted;  // rcPaint of each WM_PAINT handled by PaintSolid

 private:
  static TTestScene*& Current() {
    static TTestScene* scene = nullptr;
    return scene;
  }

  static LRESULT Proc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    TTestScene* s = Current();
    if (s == nullptr) return DefWindowProc(hwnd, msg, wParam, lParam);
    s->Log.push_back(TLogged{hwnd, msg, wParam, lParam});
    auto h = s->FHandlers.find(hwnd);
    if (h != s->FHandlers.end()) {
      TTestHandler handler = h->second;  // may replace itself
      LRESULT r = 0;
      if (handler(hwnd, msg, wParam, lParam, r)) return r;
    }
    auto c = s->FSolid.find(hwnd);
    if (msg == WM_PAINT && c != s->FSolid.end()) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HBRUSH brush = CreateSolidBrush(c->second);
      FillRect(dc, ps.rcPaint, brush);
      DeleteObject(brush);
      s->Painted[hwnd].push_back(ps.rcPaint);
      EndPaint(hwnd, &ps);
      return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }

  THeadlessSession FSession;
  std::map<HWND, TTestHandler> FHandlers;
  std::map<HWND, COLORREF> FSolid;
};

// The colour (0x00BBGGRR) of a pixel of a pf32bit bitmap.
inline COLORREF PixelAt(const TBitmap& b, int32_t x, int32_t y) {
  const uint8_t* p = b.ScanLine(y) + size_t(x) * 4;
  return COLORREF(p[2]) | (COLORREF(p[1]) << 8) | (COLORREF(p[0]) << 16);
}

inline COLORREF ClientPixel(HWND hwnd, int32_t x, int32_t y) {
  std::unique_ptr<TBitmap> b = WindowPixels(hwnd, false);
  return b ? PixelAt(*b, x, y) : CLR_INVALID;
}

inline COLORREF ScreenPixel(int32_t x, int32_t y) {
  std::unique_ptr<TBitmap> b = DesktopPixels();
  const TRect v{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  return b ? PixelAt(*b, x - v.Left, y - v.Top) : CLR_INVALID;
}
