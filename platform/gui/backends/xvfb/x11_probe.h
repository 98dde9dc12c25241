// The X side of the window test: a private X server, real input through the
// XTest extension, screen grabs and the keyboard focus, on a connection of
// the test's own. X11's headers stay inside x11_probe.cpp (their Bool,
// Status, None and Time clash with the window system's names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

// Xvfb on a display number it picks itself (-displayfd).
class TXServer {
 public:
  TXServer() = default;
  ~TXServer() { Stop(); }
  TXServer(const TXServer&) = delete;
  TXServer& operator=(const TXServer&) = delete;

  // Starts the server with one 1280 x 1024 x 24 screen and waits at most
  // timeoutMs for it to take connections; its messages go to logFile.
  // False with the reason in error.
  bool Start(const std::string& program, const std::string& logFile, int timeoutMs, std::string& error);
  // Terminates it (killed when it does not end within a few seconds).
  void Stop();
  // ":N" once started.
  const std::string& Display() const { return FDisplay; }

 private:
  int FPid = -1;
  std::string FDisplay;
};

class TXInput {
 public:
  TXInput() = default;
  ~TXInput() { Close(); }
  TXInput(const TXInput&) = delete;
  TXInput& operator=(const TXInput&) = delete;

  // False when the display cannot be opened or lacks XTest.
  bool Open(const std::string& display, std::string& error);
  void Close();

  // Real input events, as the devices would send them; sent at once.
  void MoveTo(int32_t x, int32_t y);
  void Button(int32_t button, bool down);  // 1 left, 2 middle, 3 right, 4/5 wheel
  // keysym: an X keysym name ("a", "1", "Shift_L", "Alt_L"); false when the
  // keyboard map has no key for it.
  bool Key(const char* keysym, bool down);

  // The pixels of the screen rectangle from the server, top-down rows of
  // 0x00RRGGBB; false when the grab fails.
  bool Grab(int32_t x, int32_t y, int32_t w, int32_t h, std::vector<uint32_t>& out);
  // The window that has the keyboard focus (0: none).
  unsigned long FocusWindow();
  // Moves and sizes a window as a window manager would.
  void MoveResize(unsigned long window, int32_t x, int32_t y, int32_t w, int32_t h);
  // The window's rectangle on the screen (left, top, width, height); false
  // for a window that is gone.
  bool Geometry(unsigned long window, int32_t& x, int32_t& y, int32_t& w, int32_t& h);
  // The window's title (WM_NAME).
  std::string Title(unsigned long window);

 private:
  void* FDisplay = nullptr;
};

// The X window of an SDL window (0 when SDL runs on another video driver).
unsigned long SdlX11Window(SDL_Window* window);
