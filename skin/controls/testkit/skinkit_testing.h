// Fixture of the skinned-control tests: the standard-control test form, the
// kit's skin data, pixel probes and contact sheets saved as PNG artefacts.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/gui/win_readback.h"
#include "platform/vcl/stdctrls_testing.h"
#include "skin/controls/testkit/skinkit.h"

class TSkinKitTest : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Skin = CreateKitSkinData(nullptr);
  }
  void TearDown() override {
    Skin.reset();
    TStdTest::TearDown();
  }

  // Colour of a client pixel of a windowed control.
  static TColor Probe(TWinControl* C, int32_t X, int32_t Y) { return PixelOf(C->Handle(), X, Y); }

  // Saves a window with its children as $TMPDIR/pictoval-artifacts/Name.png
  // and checks it with pngcheck when installed; answers the path.
  static std::filesystem::path SaveSheet(TWinControl* Host, const String& Name) {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / (Name + ".png");
    std::filesystem::remove(file);
    std::unique_ptr<TBitmap> shot = WindowPixels(Host->Handle(), true);
    EXPECT_TRUE(shot != nullptr);
    if (!shot) return file;
    EXPECT_TRUE(SavePng(*shot, file.string()));
    if (std::filesystem::exists("/usr/bin/pngcheck")) {
      const String cmd = "/usr/bin/pngcheck -q '" + file.string() + "' >/dev/null 2>&1";
      EXPECT_EQ(std::system(cmd.c_str()), 0) << "pngcheck " << file;
    }
    return file;
  }

  std::unique_ptr<TbsSkinData> Skin;
};
