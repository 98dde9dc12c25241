// Test helpers for the window system: a window class whose procedure records
// every message it gets (with per-window handlers to answer some), and names
// for message numbers so failures read as sequences.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/gui/headless.h"
#include "platform/gui/windows.h"

struct TLoggedMsg {
  HWND Hwnd = nullptr;
  uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// Answers a message instead of DefWindowProc when it returns true.
using TTestHandler = std::function<bool(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

class TMsgRecorder {
 public:
  static TMsgRecorder& Get() {
    static TMsgRecorder r;
    return r;
  }

  void Clear() { Log.clear(); }
  void Reset() {
    Log.clear();
    Names.clear();
    Handlers.clear();
    Ignored = DefaultIgnored();
  }

  // Messages not recorded by default: painting and the frame, which the
  // painting layer sends on its own schedule, and questions asked in passing.
  static std::set<uint32_t> DefaultIgnored() {
    return {WM_NCPAINT, WM_ERASEBKGND,    WM_PAINT,     WM_SYNCPAINT,  WM_GETICON,
            WM_GETTEXT, WM_GETTEXTLENGTH, WM_NCHITTEST, WM_CTLCOLORDLG};
  }

  std::vector<TLoggedMsg> Log;
  std::map<HWND, String> Names;
  std::map<HWND, TTestHandler> Handlers;
  std::set<uint32_t> Ignored = DefaultIgnored();

  // "name WM_X" entries of the log (windows without a name show as "?").
  std::vector<String> Trace() const {
    std::vector<String> out;
    for (const TLoggedMsg& m : Log) out.push_back(NameOf(m.Hwnd) + " " + MsgName(m.Msg));
    return out;
  }
  // The log entries of one message.
  std::vector<TLoggedMsg> Of(uint32_t msg) const {
    std::vector<TLoggedMsg> out;
    for (const TLoggedMsg& m : Log)
      if (m.Msg == msg) out.push_back(m);
    return out;
  }
  String NameOf(HWND h) const {
    auto it = Names.find(h);
    return it == Names.end() ? String("?") : it->second;
  }

  static String MsgName(uint32_t msg) {
    static const std::map<uint32_t, const char*> names = {{WM_NULL, "WM_NULL"},
                                                          {WM_CREATE, "WM_CREATE"},
                                                          {WM_DESTROY, "WM_DESTROY"},
                                                          {WM_MOVE, "WM_MOVE"},
                                                          {WM_SIZE, "WM_SIZE"},
                                                          {WM_ACTIVATE, "WM_ACTIVATE"},
                                                          {WM_SETFOCUS, "WM_SETFOCUS"},
                                                          {WM_KILLFOCUS, "WM_KILLFOCUS"},
                                                          {WM_ENABLE, "WM_ENABLE"},
                                                          {WM_SETTEXT, "WM_SETTEXT"},
                                                          {WM_PAINT, "WM_PAINT"},
                                                          {WM_CLOSE, "WM_CLOSE"},
                                                          {WM_QUIT, "WM_QUIT"},
                                                          {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
                                                          {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
                                                          {WM_CANCELMODE, "WM_CANCELMODE"},
                                                          {WM_SETCURSOR, "WM_SETCURSOR"},
                                                          {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
                                                          {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
                                                          {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
                                                          {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
                                                          {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
                                                          {WM_STYLECHANGING, "WM_STYLECHANGING"},
                                                          {WM_STYLECHANGED, "WM_STYLECHANGED"},
                                                          {WM_NCCREATE, "WM_NCCREATE"},
                                                          {WM_NCDESTROY, "WM_NCDESTROY"},
                                                          {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
                                                          {WM_NCHITTEST, "WM_NCHITTEST"},
                                                          {WM_NCACTIVATE, "WM_NCACTIVATE"},
                                                          {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
                                                          {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
                                                          {WM_NCLBUTTONUP, "WM_NCLBUTTONUP"},
                                                          {WM_NCLBUTTONDBLCLK, "WM_NCLBUTTONDBLCLK"},
                                                          {WM_KEYDOWN, "WM_KEYDOWN"},
                                                          {WM_KEYUP, "WM_KEYUP"},
                                                          {WM_CHAR, "WM_CHAR"},
                                                          {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
                                                          {WM_SYSKEYUP, "WM_SYSKEYUP"},
                                                          {WM_SYSCHAR, "WM_SYSCHAR"},
                                                          {WM_COMMAND, "WM_COMMAND"},
                                                          {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
                                                          {WM_TIMER, "WM_TIMER"},
                                                          {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
                                                          {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
                                                          {WM_LBUTTONUP, "WM_LBUTTONUP"},
                                                          {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
                                                          {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
                                                          {WM_RBUTTONUP, "WM_RBUTTONUP"},
                                                          {WM_RBUTTONDBLCLK, "WM_RBUTTONDBLCLK"},
                                                          {WM_MBUTTONDOWN, "WM_MBUTTONDOWN"},
                                                          {WM_MBUTTONUP, "WM_MBUTTONUP"},
                                                          {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
                                                          {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
                                                          {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
                                                          {WM_MOUSELEAVE, "WM_MOUSELEAVE"},
                                                          {WM_MOUSEHOVER, "WM_MOUSEHOVER"},
                                                          {WM_ERASEBKGND, "WM_ERASEBKGND"},
                                                          {WM_NCPAINT, "WM_NCPAINT"}};
    auto it = names.find(msg);
    if (it != names.end()) return it->second;
    return "msg" + std::to_string(msg);
  }
};

inline LRESULT RecordingWndProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TMsgRecorder& r = TMsgRecorder::Get();
  if (r.Ignored.count(msg) == 0) r.Log.push_back(TLoggedMsg{hwnd, msg, wParam, lParam});
  auto it = r.Handlers.find(hwnd);
  if (it != r.Handlers.end() && it->second) {
    TTestHandler handler = it->second;  // may be replaced or erased while it runs
    LRESULT result = 0;
    if (handler(hwnd, msg, wParam, lParam, result)) return result;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// The recording classes: "WinTestWindow" (CS_DBLCLKS) and "WinTestPlain"
// (no double clicks), registered once per process.
inline const char* const kTestClass = "WinTestWindow";
inline const char* const kTestPlainClass = "WinTestPlain";

inline void RegisterTestClasses() {
  WNDCLASS wc;
  wc.lpfnWndProc = RecordingWndProc;
  wc.style = CS_DBLCLKS;
  wc.lpszClassName = kTestClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.cbWndExtra = 16;
  WNDCLASS existing;
  if (!GetClassInfo(nullptr, kTestClass, &existing)) RegisterClass(wc);
  wc.style = 0;
  wc.lpszClassName = kTestPlainClass;
  if (!GetClassInfo(nullptr, kTestPlainClass, &existing)) RegisterClass(wc);
}

// A session plus a fresh recorder and the test classes.
class TWinTestBase {
 public:
  TWinTestBase() {
    TMsgRecorder::Get().Reset();
    RegisterTestClasses();
  }
  ~TWinTestBase() { TMsgRecorder::Get().Reset(); }

  THeadlessSession Session;
  THeadlessBackend& H() { return Session.Backend(); }
  TMsgRecorder& Rec() { return TMsgRecorder::Get(); }

  // A named window of the recording class.
  HWND Make(const char* name, uint32_t style, int32_t x, int32_t y, int32_t w, int32_t h, HWND parent = nullptr,
            uint32_t exStyle = 0, const char* cls = kTestClass, intptr_t id = 0) {
    HWND hwnd =
        CreateWindowEx(exStyle, cls, name, style, x, y, w, h, parent, reinterpret_cast<HMENU>(id), nullptr, nullptr);
    if (hwnd != nullptr) Rec().Names[hwnd] = name;
    return hwnd;
  }
  void Handle(HWND hwnd, TTestHandler handler) { Rec().Handlers[hwnd] = std::move(handler); }
  // The log restricted to some messages: "window MESSAGE" lines.
  std::vector<String> Only(std::initializer_list<uint32_t> msgs) {
    std::vector<String> out;
    for (const TLoggedMsg& m : Rec().Log)
      for (uint32_t k : msgs)
        if (m.Msg == k) out.push_back(Rec().NameOf(m.Hwnd) + " " + TMsgRecorder::MsgName(m.Msg));
    return out;
  }
};
