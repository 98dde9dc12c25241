// The private X server, XTest input and SDL backend that the window tests
// on Xvfb share: started once per test program by TXvfbEnvironment, which
// each program registers. A test skips when Xvfb is not installed and fails
// when it is but cannot start.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/win_internal.h"

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
