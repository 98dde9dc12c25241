// Test support (included by *_test.cpp only): the fixture folder of the
// end-to-end conversions, made from the photos of two Debian packages and
// derived with ImageMagick, exiftool and the OpenJPEG tools.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/convert/convert_testing.h"

struct TConvertFixture {
  // Readable inputs by file name, and the unreadable ones.
  std::vector<std::string> Readable;
  std::vector<std::string> Unreadable;
  // Inputs in the subfolder "sub".
  std::vector<std::string> InSub;
};

// True when every tool and package file is there; otherwise Missing names
// the first one lacking.
inline bool ConvertFixtureAvailable(std::string& Missing) {
  for (const char* tool : {"convert", "identify", "exiftool", "opj_compress"})
    if (!HaveTool(tool)) {
      Missing = tool;
      return false;
    }
  for (const std::string& f : {std::string(kGoexifDir) + "/sample1.jpg", std::string(kImagingDir) + "/branches.jpg"})
    if (!std::filesystem::exists(f)) {
      Missing = f;
      return false;
    }
  return true;
}

// Builds the fixture in Dir (which exists); answers the inputs.
inline TConvertFixture MakeConvertFixture(const std::string& Dir) {
  namespace fs = std::filesystem;
  auto run = [](std::vector<std::string> Argv) { EXPECT_EQ(IERunTool(Argv).ExitStatus, 0) << Argv[0]; };
  auto file = [&](const std::string& Name) { return Dir + "/" + Name; };
  auto copy = [&](const std::string& From, const std::string& Name) {
    fs::copy_file(From, file(Name), fs::copy_options::overwrite_existing);
  };
  const std::string goexif = kGoexifDir, imaging = kImagingDir;
  TConvertFixture f;
  // The photos, one of them turned by its tag.
  copy(goexif + "/sample1.jpg", "camera.jpg");
  copy(goexif + "/sample1.jpg", "camera_turned.jpg");
  run({"exiftool", "-q", "-overwrite_original", "-Orientation=6", "-n", file("camera_turned.jpg")});
  copy(imaging + "/branches.jpg", "branches.jpg");
  run({"convert", imaging + "/flowers.png", "-quality", "90", file("flowers.jpg")});
  run({"convert", "-seed", "1", "-size", "1024x768", "plasma:", "-quality", "90", file("plasma.jpg")});
  copy(goexif + "/samples/has-lens-info.jpg", "phone.jpg");
  copy(goexif + "/samples/geodegrees_as_string.jpg", "geo.jpg");
  // Derived formats.
  run({"convert", "-size", "120x80", "xc:none", "-fill", "#c03020", "-draw", "circle 60,40 60,5",
       "PNG32:" + file("alpha.png")});
  run({"convert", "-size", "64x48", "xc:red", "xc:lime", "xc:blue", file("pages.tif")});
  run({"convert", "-size", "64x48", "xc:red", "xc:lime", "xc:blue", "-set", "delay", "20", file("frames.gif")});
  run({"convert", file("alpha.png"), "-define", "bmp:format=bmp4", "BMP:" + file("alpha32.bmp")});
  run({"convert", imaging + "/flowers.png", "-resize", "160x", file("flowers_tga.tga")});
  run({"convert", imaging + "/flowers.png", "-resize", "160x", file("flowers_psd.psd")});
  run({"convert", imaging + "/flowers.png", "-resize", "160x", file("flowers_src.ppm")});
  run({"opj_compress", "-i", file("flowers_src.ppm"), "-o", file("flowers_jp2.jp2")});
  fs::remove(file("flowers_src.ppm"));
  f.Readable = {"camera.jpg",  "camera_turned.jpg", "branches.jpg",    "flowers.jpg",    "plasma.jpg",
                "phone.jpg",   "geo.jpg",           "alpha.png",       "pages.tif",      "frames.gif",
                "alpha32.bmp", "flowers_tga.tga",   "flowers_psd.psd", "flowers_jp2.jp2"};
  // Unreadable inputs: a PNG cut in its middle, an empty JPEG, text.
  {
    std::ifstream in(file("alpha.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(file("cut.png"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }
  std::ofstream(file("empty.jpg"), std::ios::binary).flush();
  std::ofstream(file("notes.png"), std::ios::binary) << "shopping list: milk, bread\n";
  f.Unreadable = {"cut.png", "empty.jpg", "notes.png"};
  fs::create_directory(file("sub"));
  copy(imaging + "/branches.jpg", "sub/branches_copy.jpg");
  copy(goexif + "/sample1.jpg", "sub/camera_copy.jpg");
  f.InSub = {"branches_copy.jpg", "camera_copy.jpg"};
  return f;
}
