// The conversion road on real windows: the main window with its convert tab
// on the SDL2 backend under a private X server, driven only by real input
// through XTest. For each output format: the source folder typed, "Add all"
// clicked, the output folder typed, the format chosen in the opened format
// box, Start clicked, the folder question and the error boxes of the
// unreadable files answered by clicks, and Done clicked once the run is over.
// A screenshot of the progress dialog with its rows is kept per format.
// Steps run from a timer of the test, inside whatever loop runs; every wait
// is bounded.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/convert/batchconverttab.h"
#include "app/convert/convert_fixture_testing.h"
#include "app/convert/convertdialog.h"
#include "app/main/bconvert.h"
#include "app/main/xvfb_road_testing.h"
#include "app/main/tabregistry.h"
#include "app/settings/marloutils.h"
#include "app/settings/settingsstore.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/gui/backends/xvfb/xvfb_world.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/forms.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kRunTimeoutMs = 90000;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TXvfbEnvironment);

// ---- Steps run from a timer -------------------------------------------------

using TStep = TRoadDriver::TStep;

TStep Do(std::function<void()> Action) {
  return [Action] {
    Action();
    return true;
  };
}

int64_t MTime(const std::string& Path) {
  struct stat st {};
  return ::stat(Path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : -1;
}

struct TFormat {
  int32_t Index;
  const char* Name;
  const char* Ext;
  const char* Magick;
};
const TFormat kFormats[] = {{0, "jpeg", ".jpg", "JPEG"}, {1, "bmp", ".bmp", "BMP"}, {2, "gif", ".gif", "GIF"},
                            {3, "png", ".png", "PNG"},   {4, "jp2", ".jp2", "JP2"}, {5, "tiff", ".tif", "TIFF"}};

class ConvertRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(gWorld, nullptr);
    if (!gWorld->SkipReason.empty()) GTEST_SKIP() << gWorld->SkipReason;
    ASSERT_TRUE(gWorld->FailReason.empty()) << gWorld->FailReason;
    std::string missing;
    if (!ConvertFixtureAvailable(missing)) {
      if (RunningInCI()) FAIL() << "missing " << missing;
      GTEST_SKIP() << "missing " << missing;
    }
    IEInitImageIO();
    GraphicExInitialize();
    RegisterSettingsClasses();
    RegisterBatchConvertTab();
    In = Root.File("in");
    fs::create_directories(In);
    Fixture = MakeConvertFixture(In);
    // The photos and the unreadable files; the derived formats are the
    // headless tests' business.
    for (const char* derived : {"alpha.png", "pages.tif", "frames.gif", "alpha32.bmp", "flowers_tga.tga",
                                "flowers_psd.psd", "flowers_jp2.jp2"}) {
      fs::remove(In + "/" + derived);
      std::erase(Fixture.Readable, derived);
    }
    fs::remove_all(In + "/sub");
    Fixture.InSub.clear();
    Scr = std::make_unique<TScreen>(nullptr);
    App = std::make_unique<TApplication>(nullptr);
    App->CreateForm(Form);
    Form->Show();
  }
  void TearDown() override {
    if (Form != nullptr) {
      Form->Close();
      App->ProcessMessages();
      delete Form;
    }
    App.reset();
    Scr.reset();
    RegisterTabFactory(0, nullptr);
    GraphicExFinalize();
  }
  TBatchConvertTab* Tab() const { return dynamic_cast<TBatchConvertTab*>(Form->ConvertTab()); }

  // The steps of one run into Out with Format.
  std::vector<TStep> RunSteps(const TFormat& F, const std::string& Out);
  TStep AnswerBoxesUntilDone(const TFormat& F);
  void CheckRun(const TFormat& F, const std::string& Out);

  TIETempDir Root;
  std::string In;
  TConvertFixture Fixture;
  std::unique_ptr<TScreen> Scr;
  std::unique_ptr<TApplication> App;
  TBatchConvert* Form = nullptr;
  struct TRow {
    String Status, OldSize, NewSize;
  };
  std::map<String, TRow> Rows;
  bool ScreenshotSaved = false;
};

// The typed text of an edit replaced: a click, End, Shift+Home, the keys.
std::vector<TStep> TypeInto(std::function<TWinControl*()> Edit, const std::string& Text) {
  return {Do([Edit] { ClickOn(Edit()); }),
          // The click has arrived: the keys go to the edit.
          [Edit] {
            gWorld->Backend->PumpEvents();
            return Edit()->HandleAllocated() && GetFocus() == Edit()->Handle();
          },
          Settled(150), [Text] { return Press("End") && Press("Home", true) && TypeKeys(Text); }, Settled(150)};
}

// Answers the folder question and the error boxes by clicks; once the run is
// over, takes the picture, reads the rows and clicks Done.
TStep ConvertRoad::AnswerBoxesUntilDone(const TFormat& F) {
  auto doneSince = std::make_shared<uint64_t>(0);
  auto lastAnswer = std::make_shared<uint64_t>(0);
  return [this, F, doneSince, lastAnswer] {
    TCustomForm* active = Screen->ActiveCustomForm();
    if (active == nullptr) return false;
    const String caption = active->Caption();
    if (caption == "Confirm" || caption == "Error") {
      // One answer per box: the next waits until the box had time to go.
      if (GetTickCount64() - *lastAnswer < 500) return false;
      *lastAnswer = GetTickCount64();
      if (TControl* b = FindCaptionedControl(active, caption == "Error" ? "OK" : "Yes")) ClickOn(b);
      return false;
    }
    auto* d = dynamic_cast<TBatchConvertDialog*>(active);
    if (d == nullptr || d->BntCancel->Caption() != "Done") return false;
    gWorld->Backend->PumpEvents();
    if (*doneSince == 0) *doneSince = GetTickCount64();
    if (GetTickCount64() - *doneSince < 400) return false;
    ScreenshotSaved = SaveScreenShot(std::string("convertroad-") + F.Name + ".png");
    Rows.clear();
    for (int32_t r = 0; r < d->ListView->Items()->Count(); ++r) {
      TStrings* s = d->ListView->Items()->Item(r)->SubItems();
      Rows[s->Strings(0)] = TRow{s->Strings(2), s->Strings(3), s->Strings(4)};
    }
    ClickOn(d->BntCancel);
    return true;
  };
}

std::vector<TStep> ConvertRoad::RunSteps(const TFormat& F, const std::string& Out) {
  std::vector<TStep> s{Settled(), [this] { return Tab() != nullptr && Tab()->Visible(); }, Settled()};
  auto add = [&s](std::vector<TStep> More) { s.insert(s.end(), More.begin(), More.end()); };
  // The list of the run before cleared, the source folder typed and opened,
  // every file added.
  add({[this] {
         if (Tab()->FileCount() > 0) ClickOn(Tab()->BntClear);
         return true;
       },
       [this] { return Tab()->FileCount() == 0; }, Settled()});
  add(TypeInto([this] { return Tab()->SourceFolder; }, In));
  add({[this] { return Tab()->SourceFolder->Text() == In && Press("Return"); },
       [this] { return Tab()->ShellList->GetPath().rfind(In, 0) == 0 && Tab()->ShellList->Items()->Count() > 0; },
       Settled(), Do([this] { ClickOn(Tab()->BntAddAll); }),
       [this] { return Tab()->FileCount() == int32_t(Fixture.Readable.size() + Fixture.Unreadable.size()); },
       Settled()});
  add(TypeInto([this] { return Tab()->OutputFolder; }, Out));
  s.push_back([this, Out] { return Tab()->OutputFolder->Text() == Out; });
  // The format box opened by a click, the format chosen with the keys.
  add({Do([this] { ClickOn(Tab()->OutputFormat); }),
       [this] {
         gWorld->Backend->PumpEvents();
         return Tab()->OutputFormat->GetDroppedDown();
       },
       Settled(300),
       [F] {
         // The open list moves by Up and Down from the chosen format.
         bool ok = true;
         for (int32_t i = 0; i < int32_t(std::size(kFormats)); ++i) ok = ok && Press("Up");
         for (int32_t i = 0; i < F.Index; ++i) ok = ok && Press("Down");
         return ok && Press("Return");
       },
       Settled(200), [this, F] { return Tab()->OutputFormat->ItemIndex() == F.Index; }});
  add({Do([this] { ClickOn(Tab()->BntStart); }), AnswerBoxesUntilDone(F),
       [this] { return Tab()->ConvertDialog() == nullptr; }, Settled()});
  return s;
}

void ConvertRoad::CheckRun(const TFormat& F, const std::string& Out) {
  EXPECT_TRUE(ScreenshotSaved);
  if (ScreenshotSaved) ExpectPngcheckPasses(gWorld->OutDir + "/convertroad-" + F.Name + ".png");
  EXPECT_EQ(Rows.size(), Fixture.Readable.size() + Fixture.Unreadable.size());
  for (const std::string& name : Fixture.Readable) {
    SCOPED_TRACE(name);
    const std::string src = In + "/" + name, out = Out + "/" + fs::path(name).stem().string() + F.Ext;
    ASSERT_TRUE(fs::exists(out)) << out;
    const TRow& row = Rows[src];
    EXPECT_EQ(row.Status, "Done");
    EXPECT_EQ(row.OldSize, FormatSizeKB(" ", int64_t(fs::file_size(src))));
    EXPECT_EQ(row.NewSize, FormatSizeKB(" ", int64_t(fs::file_size(out))));
    EXPECT_EQ(MTime(out), MTime(src));
    // The format, and the upright size (the turned photo swaps its sides).
    const std::string got = Identify(out);
    EXPECT_EQ(got.substr(0, std::string(F.Magick).size()), F.Magick) << got;
    EXPECT_EQ(got.substr(got.find(' ') + 1), ToolText({"convert", src, "-auto-orient", "-format", "%w %h", "info:"}));
  }
  for (const std::string& name : Fixture.Unreadable) {
    SCOPED_TRACE(name);
    const TRow& row = Rows[In + "/" + name];
    EXPECT_TRUE(row.Status == "Failed" || row.Status == "Format not recognised") << row.Status;
    EXPECT_EQ(row.NewSize, "");
    EXPECT_FALSE(fs::exists(Out + "/" + fs::path(name).stem().string() + F.Ext));
  }
}

// One run per format, each a test of its own (ctest runs them one by one).
class ConvertRoadFormat : public ConvertRoad, public ::testing::WithParamInterface<TFormat> {};

TEST_P(ConvertRoadFormat, ByRealInput) {
  const TFormat& F = GetParam();
  const std::string out = Root.File(std::string("out_") + F.Name);
  TRoadDriver driver(RunSteps(F, out), kRunTimeoutMs);
  driver.Run();
  ASSERT_FALSE(driver.TimedOut()) << "stopped at step " << driver.StepReached() << " in \"" << driver.WaitingIn()
                                  << "\"";
  CheckRun(F, out);
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertRoadFormat, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<TFormat>& I) { return std::string(I.param.Name); });

}  // namespace
