#include "app/main/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "app/settings/marloutils.h"

namespace {

namespace fs = std::filesystem;

TEST(Startup, UninstallSwitchIsTheExactFirstArgument) {
  struct TCase {
    std::vector<const char*> Args;
    bool Expected;
  };
  const TCase cases[] = {
      {{"pictoval", "-Unstall"}, true},
      {{"pictoval", "-Unstall", "more"}, true},
      {{"pictoval"}, false},
      {{"pictoval", "-unstall"}, false},
      {{"pictoval", "-UNSTALL"}, false},
      {{"pictoval", "-Unstall "}, false},
      {{"pictoval", "x", "-Unstall"}, false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(IsUninstallSwitch(int(c.Args.size()), c.Args.data()), c.Expected) << c.Args.back();
}

TEST(Startup, UninstallDeletesThePlainFilesOfThePerUserFolderOnly) {
  const fs::path root = fs::path(GetAppDataFolder()) / "Corvane";
  const fs::path user = root / "CVPV";
  fs::create_directories(user / "sub");
  for (const fs::path& p : {user / "CVPictovalSettings.db", user / "other.ccf", user / ".hidden", user / "sub/kept.txt",
                            root / "beside.txt"})
    std::ofstream(p) << "x";
  RunUninstallSwitch();
  EXPECT_FALSE(fs::exists(user / "CVPictovalSettings.db"));
  EXPECT_FALSE(fs::exists(user / "other.ccf"));
  EXPECT_TRUE(fs::exists(user / ".hidden"));
  EXPECT_TRUE(fs::exists(user / "sub/kept.txt"));
  EXPECT_TRUE(fs::exists(root / "beside.txt"));
  EXPECT_TRUE(fs::is_directory(user));
}

}  // namespace
