// Helpers shared by the tests of the pixel buffer: a private temporary folder
// for the library's temporary files, and reading those files back.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iefilebuffer.h"

// Points the library's temporary directory at a fresh folder for the test and
// restores the library-wide settings afterwards.
class PixelsTempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = std::string(std::getenv("HOME")) + "/pixels-XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    Dir = templ;
    IETempDirectory = Dir;
  }
  void TearDown() override {
    IETempDirectory.clear();
    IEMemoryThresholdOverride = -1;
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }

  // Names (without folder) of the files in the temporary folder, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The only file of the folder, as a full path.
  std::string OnlyFile() const {
    const auto names = Files();
    EXPECT_EQ(names.size(), 1u);
    return names.empty() ? std::string() : Dir + "/" + names.front();
  }

  static std::vector<uint8_t> ReadAll(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

  static unsigned Mode(const std::string& Path) {
    struct stat st {};
    ::lstat(Path.c_str(), &st);
    return st.st_mode & 07777;
  }

  std::string Dir;
};

// Prefix + "-" + 8 upper-case hexadecimal digits + ".tmp".
inline bool IsTempName(const std::string& Name, const std::string& Prefix) {
  const std::string tail = ".tmp";
  if (Name.size() != Prefix.size() + 1 + 8 + tail.size()) return false;
  if (Name.compare(0, Prefix.size(), Prefix) != 0 || Name[Prefix.size()] != '-') return false;
  for (size_t i = Prefix.size() + 1; i < Prefix.size() + 9; ++i)
    if (!((Name[i] >= '0' && Name[i] <= '9') || (Name[i] >= 'A' && Name[i] <= 'F'))) return false;
  return Name.compare(Name.size() - tail.size(), tail.size(), tail) == 0;
}

// A bitmap that stays in memory whatever the machine's memory.
inline void PreferMemory(TIEBitmap& B) {
  B.SetMemoryThreshold(2147483647);
  B.SetLocation(TIELocation::ieMemory);
}

// A bitmap that goes to a temporary file whatever its size.
inline void PreferFile(TIEBitmap& B) {
  B.SetMemoryThreshold(0);
  B.SetLocation(TIELocation::ieFile);
}
