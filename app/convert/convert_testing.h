// Test support of the conversion tests (included by *_test.cpp only): tools
// run by argument vector and their output as text, the fixture photos of the
// Debian packages, and a hidden work view on a form.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/io/core/testsupport/xcheck.h"

// The standard output of a tool, trailing line breaks removed; "" when it
// could not run or failed.
inline std::string ToolText(const std::vector<std::string>& Argv) {
  const TIEToolRun r = IERunTool(Argv);
  if (r.ExitStatus != 0) return std::string();
  std::string s(r.Output.begin(), r.Output.end());
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// One EXIF tag of a file as exiftool prints it with -s3 (-n: numbers).
inline std::string ExifTag(const std::string& Path, const std::string& Tag) {
  return ToolText({"exiftool", "-s3", "-n", "-" + Tag, Path});
}

// "format width height" of identify.
inline std::string Identify(const std::string& Path) { return ToolText({"identify", "-format", "%m %w %h", Path}); }

inline const char* kGoexifDir = "/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif";
inline const char* kImagingDir = "/usr/share/gocode/src/github.com/disintegration/imaging/testdata";

// Stops the test when a fixture file of a Debian package is missing: fails
// under CI, skips otherwise.
#define REQUIRE_FIXTURE(Path, Package)                                                         \
  do {                                                                                         \
    if (!std::filesystem::exists(Path)) {                                                      \
      if (RunningInCI()) {                                                                     \
        FAIL() << "missing " << (Path) << " (install the Debian package " << (Package) << ")"; \
      }                                                                                        \
      GTEST_SKIP() << "missing " << (Path) << " (Debian package " << (Package) << ")";         \
    }                                                                                          \
  } while (0)
