// The contact sheets of the built skin 9, left as test artefacts for review.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/files.h"
#include "skins/gen/sheets.h"

TEST(ContactSheets, EveryPageOfSkin9IsWritten) {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts" / "skins";
  const std::vector<String> files = WriteContactSheets(SKINS_BUILD_DIR "/skn/9.skn", 9, dir.string());
  ASSERT_EQ(files.size(), SheetPages().size());
  for (const String& f : files) EXPECT_GT(std::filesystem::file_size(f.c_str()), 1000u) << f;
}
