// The convert tab on the real main window: loaded from the settings file,
// stored back at close, its drop target bound by the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/convert/batchconverttab.h"
#include "app/main/mainwindow_testing.h"
#include "app/settings/commonclass.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_treeview.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"

namespace {

class ConvertTabOnMainWindow : public TMainWindowTest {
 public:
  ConvertTabOnMainWindow() {
    IEInitImageIO();
    RegisterBatchConvertTab();
    Dir = String(std::getenv("HOME")) + "/mainwindow-" + std::to_string(::getpid());
    ForceDirectories(Dir + "/out");
  }
  ~ConvertTabOnMainWindow() override {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }
  TBatchConvertTab* Tab() const { return dynamic_cast<TBatchConvertTab*>(Form->ConvertTab()); }
  String Dir;
};

TEST_F(ConvertTabOnMainWindow, SettingsFileToControlsAndBack) {
  {
    TProgramSettings program;
    std::unique_ptr<TPictovalSettings> s = NewPictovalSettings();
    s->OutputFormat = 2;
    s->OutputFolder = Dir + "/out";
    s->SaveInSameFolder = false;
    s->UseAdvancedOptions = true;
    s->RenameFormatString = u"$P_#####";
    s->KeepOriginalDate = false;
    StoreSettingsTexts(program, *s);
    Store(program);
  }
  Boot();
  ASSERT_NE(Tab(), nullptr);
  EXPECT_EQ(Tab()->OutputFormat->ItemIndex(), 2);
  EXPECT_EQ(Tab()->OutputFolder->Text(), Dir + "/out");
  EXPECT_TRUE(Tab()->ChkSaveInSameFolder->Checked());
  // The stored box ran its handler while loading.
  EXPECT_TRUE(Tab()->BntAdvancedOptions->Visible());
  EXPECT_EQ(Tab()->NameEdit->Text(), "$P_#####");
  EXPECT_FALSE(Tab()->ChkKeepDataTime->Checked());
  EXPECT_EQ(Tab()->LiveSettings(), Form->Settings());

  Tab()->OutputFormat->SetItemIndex(5);
  Tab()->ChkRename->SetChecked(true);
  Tab()->BntAsk->SetChecked(false);
  Tab()->ChkPreview->SetChecked(false);
  CloseAndFree();

  std::unique_ptr<TProgramSettings> stored = StoredSettings();
  TLoadedConvertSettings loaded = LoadConvertSettings(*stored);
  const TPictovalSettings& back = *loaded.Settings;
  EXPECT_EQ(back.OutputFormat, 5);
  EXPECT_EQ(back.OutputFolder, Dir + "/out");
  EXPECT_TRUE(back.UseAdvancedOptions);
  EXPECT_TRUE(back.UseRename);
  EXPECT_EQ(back.RenameFormatString, u"$P_#####");
  EXPECT_FALSE(back.KeepOriginalDate);
  EXPECT_FALSE(back.MainPreviewEnabled);
  // Asking before overwriting is always on again after loading.
  EXPECT_TRUE(back.AskBeforeOverwrite);
}

TEST_F(ConvertTabOnMainWindow, DropOntoTheTreeOfTheLoadedTab) {
  Boot();
  ASSERT_NE(Tab(), nullptr);
  const String file = Dir + "/dropped.jpg";
  std::ofstream(file) << "x";
  const TPoint p = Tab()->TreeView->ClientToScreen(TPoint{30, 30});
  EXPECT_TRUE(H().DropFiles({file, Dir + "/notes.txt"}, p.X, p.Y));
  H().AdvanceClock(100);
  Pump();
  EXPECT_EQ(Tab()->FileCount(), 1);
  EXPECT_EQ(Tab()->TreeView->Items()->GetFirstNode()->Text(), "dropped.jpg");
  // A picture of the window with the tab, for looking at.
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  UpdateWindow(Form->Handle());
  std::unique_ptr<TBitmap> shot = WindowPixels(Form->Handle(), true);
  ASSERT_TRUE(shot);
  EXPECT_TRUE(SavePng(*shot, (dir / "converttab-mainwindow.png").string()));
  CloseAndFree();
}

}  // namespace
