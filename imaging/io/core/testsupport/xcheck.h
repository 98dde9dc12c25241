// Cross-checks against Debian command-line tools: run a tool by argument
// vector (no shell). A test that needs a tool starts with
// IE_REQUIRE_TOOL("pngcheck", "pngcheck"): when the tool is missing the test
// fails if the environment variable CI is set, and is skipped otherwise,
// naming the package to install.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/model/pixels/testsupport/pnm.h"  // RunTool
#include "platform/rtl/tools_testing.h"

// The runner lives in the platform's test support; these names are kept for
// the image library's tests.
using TIEToolRun = TToolRun;
inline TIEToolRun IERunTool(const std::vector<std::string>& Argv, const std::string& InputPath = std::string()) {
  return RunToolCaptured(Argv, InputPath);
}
using TIETempDir = TTestTempDir;

bool IEWriteBytesFile(const std::string& Path, const std::vector<uint8_t>& Bytes);
bool IEReadBytesFile(const std::string& Path, std::vector<uint8_t>& Bytes);
