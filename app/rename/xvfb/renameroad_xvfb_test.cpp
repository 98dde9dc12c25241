// The rename road on real windows under a private X server: the main window
// on the SDL2 backend, driven by real input through XTest from a timer of the
// test while the program's own loops run: page 1, the folder typed into the
// source-folder edit, "Add all", the date template, Start, Yes, the run. A
// screenshot of the rename dialog is kept in the output folder and must pass
// pngcheck; the folder's digests stay the same. Every wait is bounded.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main/bconvert.h"
#include "app/main/xvfb_road_testing.h"
#include "app/main/tabregistry.h"
#include "app/rename/batchrenametab.h"
#include "app/rename/camerafixture_testing.h"
#include "app/rename/renamedialog.h"
#include "app/settings/commonclass.h"
#include "app/settings/marloutils.h"
#include "app/settings/settingsstore.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/gui/backends/sdl_backend.h"
#include "platform/gui/backends/xvfb/x11_probe.h"
#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_internal.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/forms.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinpagecontrol.h"

namespace {

constexpr uint64_t kRoadTimeoutMs = 60000;
const char* const kTemplate = "$Y$M$D_$H$N$S_#";

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

// A pause for the server to show a window whose controls keep animating.
TRoadDriver::TStep Pause(uint64_t Ms) {
  auto since = std::make_shared<uint64_t>(0);
  return [since, Ms] {
    gWorld->Backend->PumpEvents();
    if (*since == 0) *since = GetTickCount64();
    if (GetTickCount64() - *since < Ms) return false;
    *since = 0;
    return true;
  };
}

class RenameRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(gWorld, nullptr);
    if (!gWorld->SkipReason.empty()) GTEST_SKIP() << gWorld->SkipReason;
    ASSERT_TRUE(gWorld->FailReason.empty()) << gWorld->FailReason;
    char root[] = "/tmp/renameroad-XXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    Root = root;
    // The program's settings go to a home of the test's own.
    setenv("HOME", (Root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root + "/home/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (Root + "/home/.local/share").c_str(), 1);
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    std::filesystem::create_directories(Root + "/home");
    Dir = Root + "/pictures";
    std::filesystem::create_directories(Dir + "/sub");
    Scr = std::make_unique<TScreen>(nullptr);
    App = std::make_unique<TApplication>(nullptr);
    RegisterSettingsClasses();
    RegisterBatchRenameTab();
    IEInitImageIO();
    GraphicExInitialize();
  }
  void TearDown() override {
    RegisterTabFactory(1, nullptr);
    if (FileFormatList() != nullptr) GraphicExFinalize();
    App.reset();
    Scr.reset();
    std::error_code ec;
    if (!Root.empty()) std::filesystem::remove_all(Root, ec);
  }

  std::string Root, Dir;
  std::unique_ptr<TScreen> Scr;
  std::unique_ptr<TApplication> App;
};

TEST_F(RenameRoad, DateTemplateRunWithRealInput) {
  REQUIRE_CAMERA_FIXTURE();
  ASSERT_TRUE(MakeCameraJpegs(Dir));
  ASSERT_TRUE(MakePng(Dir + "/plain.png"));
  std::filesystem::copy_file(Dir + "/" + kCameraSamples[0], Dir + "/sub/camera.jpg");
  std::map<std::string, std::string> expected;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Dir)) {
    if (!e.is_regular_file()) continue;
    const std::string path = e.path().string();
    expected[path] = NameExtension(path) == ".png" ? FileDatePrefix(path) : ExifDatePrefix(path);
    ASSERT_EQ(expected[path].size(), 15u) << path;
  }
  const auto digests = Digests(Dir);
  const auto top = std::distance(std::filesystem::directory_iterator(Dir), std::filesystem::directory_iterator());

  TBatchConvert* form = nullptr;
  App->CreateForm(form);
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 1100, 700);
  form->Show();
  TBatchRenameTab* tab = nullptr;
  TForm* confirm = nullptr;
  TBatchRenameDialog* dialog = nullptr;
  std::vector<std::string> rows;
  bool saved = false;
  TRoadDriver driver({
                         [&] { return form->Loaded(); },
                         Settled(),
                         [&] {
                           const TRect r = form->Pages->GetTabRect(1);
                           ClickAt(form->Pages->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}));
                           return true;
                         },
                         [&] {
                           tab = dynamic_cast<TBatchRenameTab*>(form->RenameTab());
                           return tab != nullptr && tab->Showing();
                         },
                         Settled(),
                         [&] {
                           ClickOn(tab->SourceFolder);
                           return true;
                         },
                         [&] { return GetFocus() == tab->SourceFolder->Handle() && TypeKeys(Dir) && Press("Return"); },
                         [&] { return tab->ShellList->Items()->Count() == int32_t(top); },
                         Settled(),
                         [&] {
                           ClickOn(tab->BntAddAll);
                           return true;
                         },
                         [&] { return tab->FileCount() == int32_t(expected.size()); },
                         Settled(),
                         [&] {
                           ClickOn(tab->NameEdit);
                           return true;
                         },
                         [&] { return Press("End") && Press("Home", true) && TypeKeys(kTemplate); },
                         [&] { return tab->NameEdit->Text() == kTemplate; },
                         Settled(),
                         [&] {
                           ClickOn(tab->BntStart);
                           return true;
                         },
                         [&] {
                           confirm = dynamic_cast<TForm*>(Screen->ActiveCustomForm());
                           return confirm != nullptr && confirm != form && confirm->FindComponent("Yes") != nullptr;
                         },
                         Pause(500),
                         [&] {
                           ClickOn(dynamic_cast<TControl*>(confirm->FindComponent("Yes")));
                           return true;
                         },
                         [&] {
                           dialog = dynamic_cast<TBatchRenameDialog*>(Screen->ActiveCustomForm());
                           return dialog != nullptr && dialog->Done();
                         },
                         Pause(500),
                         [&] {
                           saved = SaveScreenShot("renamedialog-xvfb.png");
                           TListItems* items = dialog->ListView->Items();
                           for (int32_t i = 0; i < items->Count(); ++i) {
                             TStrings* s = items->Item(i)->SubItems();
                             rows.push_back(s->Strings(0) + s->Strings(1) + "|" + s->Strings(2) + "|" + s->Strings(3));
                           }
                           ClickOn(dialog->BntCancel);
                           return true;
                         },
                         [&] { return Screen->ActiveCustomForm() == form && tab->FileCount() == 0; },
                     },
                     kRoadTimeoutMs);
  driver.Run();
  EXPECT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepReached()
                                  << (tab != nullptr ? ", template \"" + tab->NameEdit->Text() + "\"" : String());
  delete form;

  EXPECT_TRUE(saved);
  if (saved) ExpectPngcheckPasses(gWorld->OutDir + "/renamedialog-xvfb.png");
  ASSERT_EQ(rows.size(), expected.size());
  for (const std::string& row : rows) {
    const size_t a = row.find('|'), b = row.find('|', a + 1);
    const std::string old = row.substr(0, a), name = row.substr(a + 1, b - a - 1);
    ASSERT_TRUE(expected.count(old)) << old;
    EXPECT_TRUE(IsDatedName(name, expected[old], NameExtension(old))) << name;
    EXPECT_EQ(row.substr(b + 1), "Renamed");
  }
  EXPECT_EQ(Digests(Dir), digests);
}

}  // namespace
