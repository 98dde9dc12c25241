// Test support (included by *_test.cpp only): a folder of camera pictures for
// the rename tests. The dated EXIF samples of the goexif package are EXIF
// heads without image data, so each sample's APP1 segment is put right after
// the start marker of a small JPEG made with `convert`, under the sample's
// name (which encodes its DateTimeOriginal). A PNG and a subfolder join them.
// The expected date prefixes come from exiftool and `date -r`, never from the
// code under test; the digests from sha256sum.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/tools_testing.h"

inline const char* const kGoexifSamples = "/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/samples/";

// Three of them carry an APP0 before their APP1.
inline const std::vector<std::string> kCameraSamples = {
    "2004-01-11-22-45-15-sep-2004-01-11-22-45-15a.jpg", "2007-01-01-12-00-00-sep-2007-01-01-12-00-00a.jpg",
    "2009-06-11-19-23-18-sep-2009-06-11-19-23-18a.jpg", "2011-10-28-17-50-18-sep-2011-10-28-17-50-18a.jpg",
    "2011-10-28-18-25-43-sep-2011-10-28-18-25-43.jpg"};

inline std::string ReadBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first APP1 segment (marker and length included) of a JPEG head;
// empty when the segments before it do not parse.
inline std::string FirstApp1(const std::string& Jpeg) {
  size_t i = 2;
  while (i + 4 <= Jpeg.size() && uint8_t(Jpeg[i]) == 0xFF) {
    const size_t length = (uint8_t(Jpeg[i + 2]) << 8) | uint8_t(Jpeg[i + 3]);
    if (length < 2 || i + 2 + length > Jpeg.size()) break;
    if (uint8_t(Jpeg[i + 1]) == 0xE1) return Jpeg.substr(i, 2 + length);
    i += 2 + length;
  }
  return std::string();
}

// Stops the test when the tools or the samples are missing (a failure in CI).
#define REQUIRE_CAMERA_FIXTURE()                                                                            \
  do {                                                                                                      \
    REQUIRE_TOOL("convert", "imagemagick");                                                                 \
    REQUIRE_TOOL("exiftool", "libimage-exiftool-perl");                                                     \
    REQUIRE_TOOL("sha256sum", "coreutils");                                                                 \
    if (!std::filesystem::exists(kGoexifSamples)) {                                                         \
      if (RunningInCI()) FAIL() << "missing " << kGoexifSamples << " (golang-github-rwcarlsen-goexif-dev)"; \
      GTEST_SKIP() << "EXIF samples not installed (Debian package golang-github-rwcarlsen-goexif-dev)";     \
    }                                                                                                       \
  } while (0)

// Writes the camera JPEGs into Folder; true when every one was made.
inline bool MakeCameraJpegs(const std::string& Folder) {
  const std::string base = Folder + "/.base.jpg";
  if (RunToolCaptured({"convert", "-size", "24x16", "gradient:red-blue", "-quality", "80", base}).ExitStatus != 0)
    return false;
  const std::string jpeg = ReadBytes(base);
  std::filesystem::remove(base);
  if (jpeg.size() < 4) return false;
  for (const std::string& name : kCameraSamples) {
    const std::string app1 = FirstApp1(ReadBytes(kGoexifSamples + name));
    if (app1.empty()) return false;
    std::ofstream(Folder + "/" + name, std::ios::binary) << jpeg.substr(0, 2) << app1 << jpeg.substr(2);
  }
  return true;
}

inline bool MakePng(const std::string& Path) {
  return RunToolCaptured({"convert", "-size", "20x10", "xc:green", Path}).ExitStatus == 0;
}

inline std::string Trimmed(const std::vector<uint8_t>& Bytes) {
  std::string s(Bytes.begin(), Bytes.end());
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

// "YYYYMMDD_HHMMSS" of the picture's DateTimeOriginal as exiftool reads it.
inline std::string ExifDatePrefix(const std::string& Path) {
  return Trimmed(RunToolCaptured({"exiftool", "-d", "%Y%m%d_%H%M%S", "-DateTimeOriginal", "-s3", Path}).Output);
}

// The same of the file's modification date as `date -r` prints it.
inline std::string FileDatePrefix(const std::string& Path) {
  return Trimmed(RunToolCaptured({"date", "-r", Path, "+%Y%m%d_%H%M%S"}).Output);
}

// Name is Prefix, "_", a number and Extension.
inline bool IsDatedName(const std::string& Name, const std::string& Prefix, const std::string& Extension) {
  const size_t head = Prefix.size() + 1;
  if (Name.size() <= head + Extension.size() || Name.compare(0, Prefix.size(), Prefix) != 0 ||
      Name[Prefix.size()] != '_')
    return false;
  if (Name.compare(Name.size() - Extension.size(), Extension.size(), Extension) != 0) return false;
  const std::string number = Name.substr(head, Name.size() - head - Extension.size());
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The multiset of SHA-256 digests of the files below Folder.
inline std::multiset<std::string> Digests(const std::string& Folder) {
  std::multiset<std::string> r;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Folder)) {
    if (!e.is_regular_file()) continue;
    const std::string out = Trimmed(RunToolCaptured({"sha256sum", e.path().string()}).Output);
    r.insert(out.substr(0, out.find(' ')));
  }
  return r;
}
