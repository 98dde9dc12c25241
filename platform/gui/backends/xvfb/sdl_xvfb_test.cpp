// Real windows under a private X server: the SDL2 backend shows a form with a
// test control and a borderless, shaped, layered popup that never takes
// activation; real input comes through XTest, the screen is grabbed from the
// server, the text clipboard is checked against xclip and a file drop goes
// through SDL's drop events. Every wait is bounded.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_clipboard.h"
#include "platform/gui/win_ole.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/globalmem.h"
#include "platform/rtl/strings.h"

extern char** environ;

namespace {

constexpr int kStepMs = 5000;  // longest wait for one expected event

// ---- Programs ------------------------------------------------------------------------

// Runs a program with input on its standard input and its standard output
// collected, calling pump while it runs (the program may need answers from
// our windows); killed after timeoutMs. False when it could not run, did not
// end in time or failed.
bool RunPumping(const std::vector<std::string>& args, const std::string& input, std::string& output, int timeoutMs,
                const std::function<void()>& pump) {
  int in[2], out[2];
  if (pipe(in) != 0) return false;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  fcntl(in[1], F_SETFD, FD_CLOEXEC);
  fcntl(out[0], F_SETFD, FD_CLOEXEC);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, in[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    return false;
  }
  // Small inputs fit the pipe.
  const bool wrote = input.empty() || write(in[1], input.data(), input.size()) == ssize_t(input.size());
  close(in[1]);
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  output.clear();
  const uint64_t deadline = GetTickCount64() + uint64_t(timeoutMs);
  bool eof = false, exited = false;
  int status = 0;
  while (!(eof && exited) && GetTickCount64() < deadline) {
    pump();
    pollfd p{out[0], POLLIN, 0};
    if (!eof && poll(&p, 1, 10) > 0) {
      char buf[256];
      const ssize_t n = read(out[0], buf, sizeof buf);
      if (n > 0)
        output.append(buf, size_t(n));
      else if (n == 0)
        eof = true;
    }
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    if (exited && !eof && poll(&p, 1, 0) <= 0) eof = true;  // a forked child may hold the pipe: stop reading
  }
  close(out[0]);
  if (!exited) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
  }
  return wrote && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- The shared server and backend ----------------------------------------------------

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

// ---- Windows that record what they get ----------------------------------------------

struct TLog {
  HWND Hwnd;
  uint32_t Msg;
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TLog> gLog;

bool Recorded(uint32_t m) {
  switch (m) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
    case WM_MOUSEACTIVATE:
    case WM_MOVE:
    case WM_SIZE:
    case WM_SYSCOMMAND:
    case WM_CLOSE: return true;
    default: return false;
  }
}

void Paint(HWND hwnd, const std::function<void(HDC, const TRect&)>& draw) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  TRect r;
  GetClientRect(hwnd, &r);
  draw(dc, r);
  EndPaint(hwnd, &ps);
}

void Fill(HDC dc, const TRect& r, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, r, b);
  DeleteObject(b);
}

LRESULT RecordingProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam,
                      const std::function<void(HDC, const TRect&)>& draw) {
  if (Recorded(msg)) gLog.push_back(TLog{hwnd, msg, wParam, lParam});
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    Paint(hwnd, draw);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT FormProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return RecordingProc(hwnd, msg, wParam, lParam, [](HDC dc, const TRect& r) {
    Fill(dc, r, RGB(176, 200, 232));
    // Stripes so that a misplaced copy shows.
    for (int32_t x = 0; x < r.Right; x += 16) Fill(dc, Rect(x, r.Bottom - 40, x + 8, r.Bottom), RGB(x & 0xFF, 90, 40));
    Fill(dc, Rect(300, 20, 340, 60), RGB(220, 30, 30));
  });
}

LRESULT ControlProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return RecordingProc(hwnd, msg, wParam, lParam, [](HDC dc, const TRect& r) {
    Fill(dc, r, RGB(250, 236, 120));
    Fill(dc, Rect(4, 4, 24, 24), RGB(0, 128, 0));
  });
}

LRESULT PopupProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return RecordingProc(hwnd, msg, wParam, lParam, [](HDC dc, const TRect& r) {
    for (int32_t y = 0; y < r.Bottom; y += 8)
      for (int32_t x = 0; x < r.Right; x += 8)
        Fill(dc, Rect(x, y, x + 8, y + 8), ((x + y) / 8) % 2 ? RGB(200, 0, 200) : RGB(0, 200, 90));
  });
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  const struct {
    const char* Name;
    WNDPROC Proc;
    uint32_t Style;
  } classes[] = {
      {"PvXvfbForm", FormProc, 0}, {"PvXvfbControl", ControlProc, CS_DBLCLKS}, {"PvXvfbPopup", PopupProc, 0}};
  for (const auto& c : classes) {
    WNDCLASS wc;
    wc.style = c.Style;
    wc.lpfnWndProc = c.Proc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = c.Name;
    RegisterClass(wc);
  }
}

std::vector<TLog> Of(HWND hwnd, std::initializer_list<uint32_t> msgs) {
  std::vector<TLog> out;
  for (const TLog& l : gLog)
    if (l.Hwnd == hwnd)
      for (uint32_t m : msgs)
        if (l.Msg == m) out.push_back(l);
  return out;
}

size_t Count(HWND hwnd, uint32_t msg) { return Of(hwnd, {msg}).size(); }

// Dispatches messages (the backend waits for SDL's events in between) until
// done holds or ms pass.
bool PumpUntil(const std::function<bool()>& done, int ms = kStepMs) {
  const uint64_t deadline = GetTickCount64() + uint64_t(ms);
  const uintptr_t timer = SetTimer(nullptr, 0, 20, nullptr);
  bool ok = false;
  for (;;) {
    TMSG m;
    for (int n = 0; n < 10000 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++n) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    if (done()) {
      ok = true;
      break;
    }
    if (GetTickCount64() >= deadline) break;
    WaitMessage();
  }
  KillTimer(nullptr, timer);
  return ok;
}

// Everything painted and presented.
void Settle() {
  PumpUntil([] { return !WinHasWork(); }, 2000);
  gWorld->Backend->PumpEvents();
}

// ---- The fixture ---------------------------------------------------------------------

class Sdl2Xvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(gWorld, nullptr);
    if (!gWorld->SkipReason.empty()) GTEST_SKIP() << gWorld->SkipReason;
    ASSERT_TRUE(gWorld->FailReason.empty()) << gWorld->FailReason;
    RegisterClasses();
    gLog.clear();
    Form = CreateWindowEx(0, "PvXvfbForm", "Xvfb form", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 80, 480, 360,
                          nullptr, nullptr, nullptr, nullptr);
    Control = CreateWindowEx(0, "PvXvfbControl", "", WS_CHILD | WS_VISIBLE, 20, 20, 200, 120, Form, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(Form, nullptr);
    ASSERT_NE(Control, nullptr);
    ShowWindow(Form, SW_SHOW);
    SetFocus(Control);
    ASSERT_TRUE(gWorld->Backend->IsFramed(Form)) << "a form with the default frame is framed by the window manager";
    FormX = SdlX11Window(gWorld->Backend->WindowOf(Form));
    ASSERT_NE(FormX, 0u);
    ASSERT_TRUE(PumpUntil([&] { return gWorld->Input.FocusWindow() == FormX; })) << "the form never got the keyboard";

    // A popup over the form's client area: elliptic, layered, never active.
    TPoint o{0, 0};
    ClientToScreen(Form, &o);
    Popup = CreateWindowEx(WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "PvXvfbPopup", "",
                           WS_POPUP, o.X + 250, o.Y + 150, 120, 80, Form, nullptr, nullptr, nullptr);
    ASSERT_NE(Popup, nullptr);
    SetWindowRgn(Popup, CreateEllipticRgn(0, 0, 120, 80), false);
    SetLayeredWindowAttributes(Popup, 0, 230, LWA_ALPHA);
    ShowWindow(Popup, SW_SHOWNOACTIVATE);
    ASSERT_FALSE(gWorld->Backend->IsFramed(Popup));
    PopupX = SdlX11Window(gWorld->Backend->WindowOf(Popup));
    ASSERT_NE(PopupX, 0u);
    // Without a window manager SDL focuses the popup it maps; the backend
    // hands the keyboard back to the form.
    ASSERT_TRUE(PumpUntil([&] { return gWorld->Input.FocusWindow() == FormX; }));
    Settle();
  }

  void TearDown() override {
    if (Popup) DestroyWindow(Popup);
    if (Form) DestroyWindow(Form);
    if (gWorld && gWorld->Backend) Settle();
  }

  TPoint ControlToScreen(int32_t x, int32_t y) {
    TPoint p{x, y};
    ClientToScreen(Control, &p);
    return p;
  }

  void Click(int32_t button) {
    gWorld->Input.Button(button, true);
    gWorld->Input.Button(button, false);
  }

  void Keys(std::initializer_list<std::pair<const char*, bool>> keys) {
    for (const auto& [name, down] : keys) ASSERT_TRUE(gWorld->Input.Key(name, down)) << name;
  }

  HWND Form = nullptr;
  HWND Control = nullptr;
  HWND Popup = nullptr;
  unsigned long FormX = 0;
  unsigned long PopupX = 0;
};

TEST_F(Sdl2Xvfb, RealInputReachesTheControlInClientCoordinates) {
  TXInput& in = gWorld->Input;
  gLog.clear();

  // Move.
  const TPoint a = ControlToScreen(30, 40);
  in.MoveTo(a.X, a.Y);
  ASSERT_TRUE(PumpUntil([&] {
    for (const TLog& l : Of(Control, {WM_MOUSEMOVE}))
      if (GET_X_LPARAM(l.LParam) == 30 && GET_Y_LPARAM(l.LParam) == 40) return true;
    return false;
  })) << "no WM_MOUSEMOVE at (30, 40)";

  // Click, then a double click elsewhere.
  Click(1);
  ASSERT_TRUE(PumpUntil([&] { return Count(Control, WM_LBUTTONUP) == 1; }));
  const TPoint b = ControlToScreen(60, 50);
  in.MoveTo(b.X, b.Y);
  Click(1);
  Click(1);
  ASSERT_TRUE(PumpUntil([&] { return Count(Control, WM_LBUTTONUP) == 3; }));
  const std::vector<TLog> buttons = Of(Control, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
  const struct {
    uint32_t Msg;
    int32_t X, Y;
  } want[] = {{WM_LBUTTONDOWN, 30, 40}, {WM_LBUTTONUP, 30, 40},     {WM_LBUTTONDOWN, 60, 50},
              {WM_LBUTTONUP, 60, 50},   {WM_LBUTTONDBLCLK, 60, 50}, {WM_LBUTTONUP, 60, 50}};
  ASSERT_EQ(buttons.size(), std::size(want));
  for (size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i].Msg, want[i].Msg) << i;
    EXPECT_EQ(GET_X_LPARAM(buttons[i].LParam), want[i].X) << i;
    EXPECT_EQ(GET_Y_LPARAM(buttons[i].LParam), want[i].Y) << i;
  }
  EXPECT_EQ(buttons[0].WParam & MK_LBUTTON, MK_LBUTTON);

  // The wheel goes to the focus window, in screen coordinates.
  Click(4);
  ASSERT_TRUE(PumpUntil([&] { return Count(Control, WM_MOUSEWHEEL) == 1; }));
  const TLog wheel = Of(Control, {WM_MOUSEWHEEL})[0];
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel.WParam), WHEEL_DELTA);
  EXPECT_EQ(GET_X_LPARAM(wheel.LParam), b.X);
  EXPECT_EQ(GET_Y_LPARAM(wheel.LParam), b.Y);

  // Typing: one WM_CHAR per character, from the text events.
  Keys({{"Shift_L", true},
        {"a", true},
        {"a", false},
        {"Shift_L", false},
        {"b", true},
        {"b", false},
        {"1", true},
        {"1", false}});
  ASSERT_TRUE(PumpUntil([&] { return Count(Control, WM_KEYUP) == 4; }));
  std::vector<uint32_t> downs, chars;
  for (const TLog& l : Of(Control, {WM_KEYDOWN})) downs.push_back(uint32_t(l.WParam));
  for (const TLog& l : Of(Control, {WM_CHAR})) chars.push_back(uint32_t(l.WParam));
  EXPECT_EQ(downs, (std::vector<uint32_t>{VK_SHIFT, 'A', 'B', '1'}));
  EXPECT_EQ(chars, (std::vector<uint32_t>{'A', 'b', '1'}));

  // Alt+F: system keys and WM_SYSCHAR, no WM_CHAR.
  Keys({{"Alt_L", true}, {"f", true}, {"f", false}, {"Alt_L", false}});
  ASSERT_TRUE(PumpUntil(
      [&] { return Count(Control, WM_SYSCHAR) == 1 && Count(Control, WM_KEYUP) + Count(Control, WM_SYSKEYUP) >= 6; }));
  std::vector<uint32_t> sysDowns;
  for (const TLog& l : Of(Control, {WM_SYSKEYDOWN})) sysDowns.push_back(uint32_t(l.WParam));
  EXPECT_EQ(sysDowns, (std::vector<uint32_t>{VK_MENU, 'F'}));
  EXPECT_EQ(Of(Control, {WM_SYSCHAR})[0].WParam, WPARAM('f'));
  EXPECT_EQ(Count(Control, WM_CHAR), 3u) << "Alt+F typed a character";

  // The popup never took activation, the focus or the keyboard.
  EXPECT_EQ(GetActiveWindow(), Form);
  EXPECT_EQ(GetFocus(), Control);
  for (uint32_t m : {WM_SETFOCUS, WM_ACTIVATE, WM_KEYDOWN, WM_CHAR, WM_SYSKEYDOWN})
    EXPECT_EQ(Count(Popup, m), 0u) << "popup got message " << m;
  for (const TLog& l : Of(Popup, {WM_NCACTIVATE})) EXPECT_EQ(l.WParam, 0u);
  EXPECT_EQ(in.FocusWindow(), FormX);
}

// Without a window manager nobody moves the keyboard but the program: a
// second form shown takes it, and when the program hides or destroys that
// form, or activates the first one itself, the first one gets it back and
// real keys reach its control.
TEST_F(Sdl2Xvfb, TheKeyboardFollowsTheActivationOfTheProgram) {
  enum class TEnd { Hide, Destroy, Activate };
  for (const TEnd end : {TEnd::Hide, TEnd::Destroy, TEnd::Activate}) {
    SCOPED_TRACE(int(end));
    HWND other = CreateWindowEx(0, "PvXvfbForm", "Second form", WS_OVERLAPPEDWINDOW, 300, 200, 300, 200, Form, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ShowWindow(other, SW_SHOW);
    const unsigned long otherX = SdlX11Window(gWorld->Backend->WindowOf(other));
    ASSERT_TRUE(PumpUntil([&] { return gWorld->Input.FocusWindow() == otherX && GetActiveWindow() == other; }));
    Settle();
    if (end == TEnd::Hide) ShowWindow(other, SW_HIDE);
    if (end == TEnd::Destroy) DestroyWindow(other);
    if (end == TEnd::Activate) SetActiveWindow(Form);
    ASSERT_TRUE(PumpUntil([&] { return gWorld->Input.FocusWindow() == FormX && GetActiveWindow() == Form; }))
        << "the keyboard stayed away from the form";
    SetFocus(Control);
    gLog.clear();
    Keys({{"x", true}, {"x", false}});
    EXPECT_TRUE(PumpUntil([&] { return Count(Control, WM_CHAR) == 1; })) << "the key went nowhere";
    if (end != TEnd::Destroy) DestroyWindow(other);
    Settle();
  }
}

TEST_F(Sdl2Xvfb, TheScreenShowsTheSurfacesThroughTheShape) {
  // Grabbed from the server, not from our surfaces.
  std::vector<uint32_t> screen;
  ASSERT_TRUE(gWorld->Input.Grab(0, 0, 1280, 1024, screen));
  TBitmap shot;
  shot.SetPixelFormat(TPixelFormat::pf32bit);
  shot.SetSize(1280, 1024);
  for (int32_t y = 0; y < 1024; ++y) std::memcpy(shot.ScanLine(y), &screen[size_t(y) * 1280], 1280 * 4);
  EXPECT_TRUE(SavePng(shot, gWorld->OutDir + "/screen.png"));

  TRect client, popup;
  GetClientRect(Form, &client);
  MapWindowPoints(Form, nullptr, &client);
  GetWindowRect(Popup, &popup);
  std::unique_ptr<TBitmap> formPixels = WindowPixels(Form, false);
  std::unique_ptr<TBitmap> popupPixels = WindowPixels(Popup, true);
  ASSERT_TRUE(formPixels && popupPixels);
  HRGN shape = CreateEllipticRgn(0, 0, popup.Width(), popup.Height());
  auto pixel = [](const TBitmap& b, int32_t x, int32_t y) {
    const uint8_t* p = b.ScanLine(y) + x * 4;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
  };
  int32_t wrong = 0, inside = 0, outside = 0;
  for (int32_t y = client.Top; y < client.Bottom; ++y)
    for (int32_t x = client.Left; x < client.Right; ++x) {
      const bool over = PtInRect(popup, TPoint{x, y});
      const bool in = over && PtInRegion(shape, x - popup.Left, y - popup.Top);
      if (in)
        ++inside;
      else if (over)
        ++outside;
      const uint32_t want =
          in ? pixel(*popupPixels, x - popup.Left, y - popup.Top) : pixel(*formPixels, x - client.Left, y - client.Top);
      const uint32_t got = screen[size_t(y) * 1280 + size_t(x)];
      if (got != want && ++wrong <= 5)
        ADD_FAILURE() << "screen (" << x << ", " << y << ") " << std::hex << got << ", expected " << want
                      << (in     ? " (popup)"
                          : over ? " (form beside the popup's shape)"
                                 : " (form)");
    }
  DeleteObject(shape);
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(inside, 1000);
  EXPECT_GT(outside, 500) << "the popup's corners lie over the form";
}

TEST_F(Sdl2Xvfb, TextClipboardBothWays) {
  const std::string xclip = FindProgram("xclip");
  if (xclip.empty()) GTEST_SKIP() << "xclip is not installed";
  auto pump = [] { gWorld->Backend->PumpEvents(); };

  // From the program to the desktop.
  const std::string mine = "from the program \xc3\xa9\xe2\x9c\x93";
  const WideString wide = UTF8ToUTF16(mine);
  HGLOBAL block = GlobalAlloc(GHND, (wide.size() + 1) * 2);
  std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * 2);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(Form));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  std::string seen;
  ASSERT_TRUE(RunPumping({xclip, "-selection", "clipboard", "-o"}, "", seen, kStepMs, pump));
  EXPECT_EQ(seen, mine);

  // From the desktop to the program: xclip takes the selection and stays
  // in the background serving it.
  const std::string theirs = "from the desktop \xe2\x82\xac";
  std::string ignored;
  ASSERT_TRUE(RunPumping({xclip, "-selection", "clipboard", "-i"}, theirs, ignored, kStepMs, pump));
  std::string got;
  EXPECT_TRUE(PumpUntil([&] {
    if (!OpenClipboard(Form)) return false;
    got.clear();
    if (HGLOBAL h = GetClipboardData(CF_TEXT)) {
      got = static_cast<const char*>(GlobalLock(h));
      GlobalUnlock(h);
    }
    CloseClipboard();
    return got == theirs;
  })) << "the program reads \""
      << got << "\"";
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_F(Sdl2Xvfb, GeometryTitleAndCloseFollowTheWindowSystem) {
  TXInput& in = gWorld->Input;
  auto shown = [&](const TRect& want) {
    int32_t x = 0, y = 0, w = 0, h = 0;
    return in.Geometry(FormX, x, y, w, h) && TRect{x, y, x + w, y + h} == want;
  };
  auto clientOnScreen = [&] {
    TRect r;
    GetClientRect(Form, &r);
    MapWindowPoints(Form, nullptr, &r);
    return r;
  };

  // The screen and the form's smallest size (the default track size less
  // the frame the window manager draws instead).
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
  int minW = 0, minH = 0;
  SDL_GetWindowMinimumSize(gWorld->Backend->WindowOf(Form), &minW, &minH);
  TRect wr, cr;
  GetWindowRect(Form, &wr);
  GetClientRect(Form, &cr);
  EXPECT_EQ(minW, std::max(GetSystemMetrics(SM_CXMINTRACK) - (wr.Width() - cr.Width()), 1));
  EXPECT_EQ(minH, std::max(GetSystemMetrics(SM_CYMINTRACK) - (wr.Height() - cr.Height()), 1));

  // The program places the form: the X window shows its client area there.
  SetWindowPos(Form, nullptr, 150, 120, 500, 380, SWP_NOZORDER | SWP_NOACTIVATE);
  const TRect placed = clientOnScreen();
  EXPECT_TRUE(PumpUntil([&] { return shown(placed); })) << "the X window does not show the client area";

  // The window manager moves and sizes the X window: the form follows.
  gLog.clear();
  in.MoveResize(FormX, 260, 210, 420, 300);
  EXPECT_TRUE(PumpUntil([&] { return clientOnScreen() == TRect{260, 210, 680, 510}; }));
  const std::vector<TLog> moves = Of(Form, {WM_MOVE}), sizes = Of(Form, {WM_SIZE});
  ASSERT_FALSE(moves.empty());
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(GET_X_LPARAM(moves.back().LParam), 260);
  EXPECT_EQ(GET_Y_LPARAM(moves.back().LParam), 210);
  EXPECT_EQ(sizes.back().WParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(GET_X_LPARAM(sizes.back().LParam), 420);
  EXPECT_EQ(GET_Y_LPARAM(sizes.back().LParam), 300);
  EXPECT_TRUE(shown(TRect{260, 210, 680, 510})) << "the form's answer was sent back";

  // The title follows WM_SETTEXT.
  SetWindowText(Form, "Renamed form");
  EXPECT_TRUE(PumpUntil([&] { return in.Title(FormX) == "Renamed form"; })) << in.Title(FormX);

  // The close button asks the form to close (WM_SYSCOMMAND SC_CLOSE), and
  // its default closes it.
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(gWorld->Backend->WindowOf(Form));
  SDL_PushEvent(&e);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(Form); }));
  const std::vector<TLog> closing = Of(Form, {WM_SYSCOMMAND, WM_CLOSE});
  ASSERT_EQ(closing.size(), 2u);
  EXPECT_EQ(closing[0].Msg, WM_SYSCOMMAND);
  EXPECT_EQ(closing[0].WParam & 0xFFF0, SC_CLOSE);
  EXPECT_EQ(closing[1].Msg, WM_CLOSE);
  EXPECT_EQ(gWorld->Backend->WindowOf(Form), nullptr);
  Form = nullptr;
  Popup = nullptr;  // owned by the form: gone with it
}

TEST_F(Sdl2Xvfb, CursorsPostsFromWorkersAndTheSessionEnding) {
  // System cursors and cursors of our own images both reach SDL.
  SDL_Cursor* const before = SDL_GetCursor();
  SetCursor(LoadCursor(nullptr, IDC_HAND));
  SDL_Cursor* const hand = SDL_GetCursor();
  EXPECT_NE(hand, before);
  const uint8_t andPlane[2 * 16] = {};
  uint8_t xorPlane[2 * 16] = {};
  for (int y = 0; y < 16; ++y) xorPlane[y * 2] = 0xF0;
  HCURSOR own = CreateCursor(nullptr, 2, 3, 16, 16, andPlane, xorPlane);
  ASSERT_NE(own, nullptr);
  SetCursor(own);
  EXPECT_NE(SDL_GetCursor(), hand);
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_EQ(ShowCursor(true), 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  DestroyCursor(own);

  // A post from another thread ends the wait at once, not when the
  // longest wait runs out.
  Settle();
  std::atomic<bool> waiting{false};
  std::thread worker([&] {
    while (!waiting) std::this_thread::yield();
    PostMessage(Control, WM_APP + 7, 1, 2);
  });
  const uint64_t start = GetTickCount64();
  waiting = true;
  TMSG m;
  ASSERT_EQ(GetMessage(&m, nullptr, WM_APP + 7, WM_APP + 7), 1);
  const uint64_t took = GetTickCount64() - start;
  worker.join();
  EXPECT_EQ(m.hwnd, Control);
  EXPECT_LT(took, 500u) << "the worker's post did not wake the wait";

  // The session asks the program to end.
  bool quit = false;
  gWorld->Backend->OnQuit = [&] { quit = true; };
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  EXPECT_TRUE(PumpUntil([&] { return quit; }));
  gWorld->Backend->OnQuit = nullptr;
}

// Records what a drop target is given.
class TDropRecorder : public IDropTarget {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++FRefs; }
  uint32_t Release() override { return --FRefs; }  // lives on the test's stack
  HRESULT DragEnter(IDataObject* data, uint32_t keys, POINTL pt, uint32_t* effect) override {
    Events.push_back("enter");
    Point = pt;
    Keys = keys;
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    STGMEDIUM m;
    if (data->GetData(&f, &m) == S_OK) {
      const uint32_t n = DragQueryFile(m.hGlobal, 0xFFFFFFFF, nullptr, 0);
      for (uint32_t i = 0; i < n; ++i) {
        char buf[512];
        DragQueryFile(m.hGlobal, i, buf, sizeof buf);
        Files.push_back(buf);
      }
      ReleaseStgMedium(&m);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT DragOver(uint32_t, POINTL, uint32_t* effect) override {
    Events.push_back("over");
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT DragLeave() override {
    Events.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject*, uint32_t, POINTL, uint32_t* effect) override {
    Events.push_back("drop");
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }

  std::vector<std::string> Events;
  std::vector<std::string> Files;
  POINTL Point;
  uint32_t Keys = 0;

 private:
  uint32_t FRefs = 1;
};

TEST_F(Sdl2Xvfb, FileDropsReachTheRegisteredTarget) {
  TDropRecorder target;
  ASSERT_EQ(RegisterDragDrop(Form, &target), S_OK);
  const TPoint at = ControlToScreen(50, 60);
  gWorld->Input.MoveTo(at.X, at.Y);
  ASSERT_TRUE(PumpUntil([&] {
    TPoint p;
    GetCursorPos(&p);
    return p.X == at.X && p.Y == at.Y;
  }));

  const std::vector<std::string> paths = {gWorld->OutDir + "/dropped one.png",
                                          gWorld->OutDir + "/d\xc3\xa9j\xc3\xa0.jpg"};
  const uint32_t id = SDL_GetWindowID(gWorld->Backend->WindowOf(Form));
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_DROPBEGIN;
  e.drop.windowID = id;
  SDL_PushEvent(&e);
  for (const std::string& p : paths) {
    SDL_zero(e);
    e.type = SDL_DROPFILE;
    e.drop.windowID = id;
    e.drop.file = SDL_strdup(p.c_str());
    SDL_PushEvent(&e);
  }
  SDL_zero(e);
  e.type = SDL_DROPCOMPLETE;
  e.drop.windowID = id;
  SDL_PushEvent(&e);

  ASSERT_TRUE(PumpUntil([&] { return !target.Events.empty() && target.Events.back() == "drop"; }));
  EXPECT_EQ(target.Events, (std::vector<std::string>{"enter", "over", "drop"}));
  EXPECT_EQ(target.Files, paths);
  EXPECT_EQ(target.Point, (POINTL{at.X, at.Y}));
  EXPECT_EQ(target.Keys, 0u);
  RevokeDragDrop(Form);
}

}  // namespace
