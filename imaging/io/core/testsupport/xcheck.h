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

#include "imaging/model/pixels/testsupport/pnm.h"  // RunTool, HaveTool, IE_REQUIRE_TOOL

// The outcome of one tool run.
struct TIEToolRun {
  int ExitStatus = -1;          // -1: could not be run
  std::vector<uint8_t> Output;  // its standard output
};

// Runs Argv[0] (looked up on PATH) with Argv, standard input from
// InputPath when not empty, standard output captured and standard error
// discarded. Never goes through a shell.
TIEToolRun IERunTool(const std::vector<std::string>& Argv, const std::string& InputPath = std::string());

// A fresh folder for a test's files under the system's temporary folder,
// removed with the object.
class TIETempDir {
 public:
  TIETempDir();
  ~TIETempDir();
  TIETempDir(const TIETempDir&) = delete;
  TIETempDir& operator=(const TIETempDir&) = delete;
  const std::string& Path() const { return FPath; }
  // Path() + "/" + Name.
  std::string File(const std::string& Name) const;

 private:
  std::string FPath;
};

bool IEWriteBytesFile(const std::string& Path, const std::vector<uint8_t>& Bytes);
bool IEReadBytesFile(const std::string& Path, std::vector<uint8_t>& Bytes);
