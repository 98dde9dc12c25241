// Test main of every test executable: each process gets a fresh HOME with its
// own XDG folders, a fixed random seed and the real clock, so no test touches
// the user's files and runs are repeatable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"

namespace {

class FreshHome {
 public:
  FreshHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    std::string templ = base + "/pictoval-test-XXXXXX";
    if (!mkdtemp(templ.data())) {
      std::perror("mkdtemp");
      std::exit(2);
    }
    FRoot = templ;
    setenv("HOME", FRoot.c_str(), 1);
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      std::string dir = FRoot + "/" + (var + 4);
      std::filesystem::create_directories(dir);
      setenv(var, dir.c_str(), 1);
    }
  }
  ~FreshHome() {
    std::error_code ec;
    std::filesystem::remove_all(FRoot, ec);
  }

 private:
  std::string FRoot;
};

}  // namespace

int main(int argc, char** argv) {
  FreshHome home;
  SetRandSeed(20061210u);
  InstallRealClock();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
