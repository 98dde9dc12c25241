// A fresh folder below $TMPDIR (or /tmp) for one test, removed with its
// contents at the end. Path() ends with a slash.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/rtl/types.h"

class TempDir {
 public:
  explicit TempDir(const char* Prefix = "rtltest") {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + Prefix + "-XXXXXX";
    if (!mkdtemp(templ.data())) std::abort();
    FPath = templ + "/";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const String& Path() const { return FPath; }
  String operator/(const String& name) const { return FPath + name; }
  // The names of the files in the folder, sorted.
  std::vector<String> Names() const {
    std::vector<String> names;
    for (const auto& e : std::filesystem::directory_iterator(FPath)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  String FPath;
};
