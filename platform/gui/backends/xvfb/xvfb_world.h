// The private X server, XTest input and SDL backend that the window tests
// on Xvfb share: started once per test program by TXvfbEnvironment, which
// each program registers. A test skips when Xvfb is not installed and fails
// when it is but cannot start.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_internal.h"
#include "platform/gui/win_readback.h"

// The first executable of that name on PATH, or "".
inline std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string candidate = all.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

struct TXvfbWorld {
  TXServer Server;
  TXInput Input;
  std::unique_ptr<TSdlBackend> Backend;
  std::string SkipReason;
  std::string FailReason;
  std::string OutDir = XVFB_TEST_OUTPUT_DIR;
};
inline TXvfbWorld* gWorld = nullptr;

class TXvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    gWorld = new TXvfbWorld;
    TXvfbWorld& w = *gWorld;
    mkdir(w.OutDir.c_str(), 0755);
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
      w.SkipReason = "Xvfb is not installed";
      std::printf("window test skipped: %s\n", w.SkipReason.c_str());
      return;
    }
    std::string error;
    if (!w.Server.Start(xvfb, w.OutDir + "/xvfb.log", 10000, error)) {
      w.FailReason = error;
      return;
    }
    setenv("DISPLAY", w.Server.Display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    if (!w.Input.Open(w.Server.Display(), error)) {
      w.FailReason = error;
      return;
    }
    w.Backend = TSdlBackend::Create(error);
    if (!w.Backend) {
      w.FailReason = "SDL did not start: " + error;
      return;
    }
    WinSetBackend(w.Backend.get());
  }
  void TearDown() override {
    if (!gWorld) return;
    WinResetState();
    gWorld->Backend.reset();
    gWorld->Input.Close();
    gWorld->Server.Stop();
    delete gWorld;
    gWorld = nullptr;
  }
};

// ---- Real input and the screen, for the tests' steps --------------------------------

inline void ClickAt(TPoint P) {
  gWorld->Input.MoveTo(P.X, P.Y);
  gWorld->Input.Button(1, true);
  gWorld->Input.Button(1, false);
}

// A click on the middle of a control (anything with a size and
// ClientToScreen).
template <class TCtl>
void ClickOn(TCtl* C) {
  ClickAt(C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2}));
}

// One key pressed and let go, Shift held around it when asked.
inline bool Press(const char* Keysym, bool Shift = false) {
  if (Shift && !gWorld->Input.Key("Shift_L", true)) return false;
  const bool ok = gWorld->Input.Key(Keysym, true) && gWorld->Input.Key(Keysym, false);
  if (Shift) gWorld->Input.Key("Shift_L", false);
  return ok;
}

// Keys of the US layout for the characters of a path or a template; false
// for a character it has no key for.
inline bool TypeKeys(const std::string& Text) {
  static const std::map<char, std::pair<const char*, bool>> kSpecial = {
      {'/', {"slash", false}}, {'.', {"period", false}}, {'-', {"minus", false}},
      {'_', {"minus", true}},  {'$', {"4", true}},       {'#', {"3", true}}};
  for (char ch : Text) {
    const auto special = kSpecial.find(ch);
    bool ok = false;
    if (special != kSpecial.end())
      ok = Press(special->second.first, special->second.second);
    else if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))
      ok = Press(std::string(1, ch).c_str());
    else if (ch >= 'A' && ch <= 'Z')
      ok = Press(std::string(1, char(ch - 'A' + 'a')).c_str(), true);
    if (!ok) return false;
  }
  return true;
}

// The server's whole screen into a PNG of the output folder.
inline bool SaveScreenShot(const std::string& Name) {
  const int32_t w = 1280, h = 1024;
  std::vector<uint32_t> pixels;
  if (!gWorld->Input.Grab(0, 0, w, h, pixels)) return false;
  TBitmap shot;
  shot.SetPixelFormat(TPixelFormat::pf32bit);
  shot.SetSize(w, h);
  for (int32_t y = 0; y < h; ++y) std::memcpy(shot.ScanLine(y), &pixels[size_t(y) * size_t(w)], size_t(w) * 4);
  return SavePng(shot, gWorld->OutDir + "/" + Name);
}

// pngcheck's verdict on a file; skipped when the tool is missing (a failure
// under CI).
inline void ExpectPngcheckPasses(const std::string& File) {
  if (FindProgram("pngcheck").empty()) {
    if (std::getenv("CI") != nullptr) ADD_FAILURE() << "pngcheck is not installed";
    return;
  }
  const std::string cmd = "pngcheck -q '" + File + "' >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << "pngcheck refused " << File;
}
