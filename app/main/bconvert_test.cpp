#include "app/main/bconvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/main/aboutwindow.h"
#include "app/main/mainwindow_testing.h"
#include "app/main/xphint.h"
#include "app/settings/marloutils.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/files.h"
#include "platform/rtl/tempdir_testing.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/storedskin.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinmainmenubar.h"
#include "skin/engine/menus/skinmenus.h"

namespace {

int32_t Half(int32_t V) { return int32_t(Round(V / 2.0)); }

// $TMPDIR/pictoval-artifacts/Name.png, checked with pngcheck when installed.
void SavePicture(HWND Wnd, const String& Name) {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  const String file = (dir / (Name + ".png")).string();
  std::unique_ptr<TBitmap> shot = WindowPixels(Wnd, true);
  ASSERT_NE(shot, nullptr);
  ASSERT_TRUE(SavePng(*shot, file));
  if (std::filesystem::exists("/usr/bin/pngcheck")) {
    EXPECT_EQ(std::system(("/usr/bin/pngcheck -q '" + file + "' >/dev/null 2>&1").c_str()), 0) << file;
  }
}

class MainWindow : public TMainWindowTest {};

TEST_F(MainWindow, LoadingTimerMakesTheConvertTabOnceBehindTheGauge) {
  Boot(false);
  EXPECT_FALSE(Form->Loaded());
  EXPECT_EQ(FactoryCalls[0], 0);
  EXPECT_EQ(Form->LoadingTimer->Interval(), 30u);
  Load();
  EXPECT_TRUE(Form->Loaded());
  EXPECT_EQ(FactoryCalls[0], 1);
  EXPECT_EQ(Form->TabSheetLoading->Value(), 95);
  EXPECT_FALSE(Form->TabSheetLoading->Visible());
  ASSERT_NE(Tabs[0], nullptr);
  EXPECT_EQ(Tabs[0]->Parent(), static_cast<TWinControl*>(Form->Page1));
  EXPECT_EQ(Tabs[0]->MainForm, Form);
  EXPECT_EQ(Tabs[0]->Loads, 1);
  EXPECT_TRUE(Tabs[0]->Drop->Registered());
  EXPECT_EQ(Tabs[0]->Drop->Control(), Tabs[0]->Tree);
  EXPECT_EQ(Tabs[0]->Finished, 1);
  ASSERT_NE(Form->Settings(), nullptr);
  // Every later activation arms the timer again; the work is not repeated.
  Form->FormActivate(Form);
  Load();
  EXPECT_EQ(FactoryCalls[0], 1);
  EXPECT_EQ(FactoryCalls[1], 0);
}

TEST_F(MainWindow, WithoutARegisteredTabAnEmptyFrameStandsIn) {
  RegisterTabFactory(0, nullptr);
  Boot();
  EXPECT_TRUE(Form->Loaded());
  ASSERT_NE(Form->ConvertTab(), nullptr);
  EXPECT_EQ(MainTabOf(Form->ConvertTab()), nullptr);
  EXPECT_EQ(Form->ConvertTab()->Parent(), static_cast<TWinControl*>(Form->Page1));
}

TEST_F(MainWindow, RenameTabIsMadeOnItsFirstShowing) {
  Boot();
  Tabs[0]->Folder = Folders.SettingsFolder;
  Form->Pages->SetActivePageIndex(1);
  Form->PagesChange(Form->Pages);
  ASSERT_EQ(FactoryCalls[1], 1);
  EXPECT_EQ(Tabs[1]->Parent(), static_cast<TWinControl*>(Form->Page2));
  EXPECT_EQ(Tabs[1]->Loads, 1);
  EXPECT_TRUE(Tabs[1]->Drop->Registered());
  EXPECT_EQ(Tabs[1]->Opened, std::vector<String>{Folders.SettingsFolder});
  Form->PagesChange(Form->Pages);
  EXPECT_EQ(FactoryCalls[1], 1);
}

TEST_F(MainWindow, BootCloseBootKeepsBoundsSkinAndLastFolder) {
  TempDir dir("mainwin");
  MakeFixed(dir.Path());
  Boot();
  EXPECT_EQ(Form->WindowState(), TWindowState::wsMaximized);  // the first start
  Form->SetWindowState(TWindowState::wsNormal);
  Form->SetBounds(120, 90, 900, 640);
  Form->SkinMenu1Click(Form->SkinMenus[4]);
  Tabs[0]->Folder = dir.Path();
  CloseAndFree();
  ASSERT_TRUE(FileExists(SettingsFile()));

  Boot();
  EXPECT_EQ(Form->WindowState(), TWindowState::wsNormal);
  EXPECT_EQ(Form->BoundsRect(), (TRect{120, 90, 1020, 730}));
  EXPECT_TRUE(Form->SkinMenus[4]->Checked());
  EXPECT_EQ(Form->bsSkinData1->CompressedStoredSkin(), Form->Skins[4]);
  EXPECT_EQ(Tabs[0]->Opened, std::vector<String>{dir.Path()});
  EXPECT_TRUE(Tabs[0]->Drop->Registered());
  CloseAndFree();
  EXPECT_EQ(StoredSettings()->SkinNewNo, 5);
}

TEST_F(MainWindow, LastFolderOffAFixedDiskIsForgotten) {
  TempDir dir("mainwin");
  SetMountTableSource([] { return String("/dev/sda1 / ext4 rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n"); });
  TProgramSettings stored;
  stored.LastAccessFolder = dir.Path();
  Store(stored);
  Boot();
  EXPECT_TRUE(Tabs[0]->Opened.empty());
  EXPECT_EQ(Form->ProgramSettings().LastAccessFolder, "");
}

struct TBoundsCase {
  const char* Name;
  int32_t ScreenW, ScreenH;
  bool Stored;  // write a settings file with the fields below
  int32_t LastScreenW, LastScreenH, X, Y, W, H;
  bool Maximized;
  // Expected: maximised, and the restored window's client size (0: the
  // stored outer size) and position (-1: centred on the screen).
  bool ExpectMaximized;
  int32_t ClientW, ClientH, Left, Top;
};

TEST_F(MainWindow, RestoreWindowBoundsByScreenAndStoredPlacement) {
  const TBoundsCase cases[] = {
      {"first start on 1366 x 768", 1366, 768, false, 0, 0, 0, 0, 0, 0, true, true, 1130, 570, -1, -1},
      {"lastX beyond the right edge", 1280, 1024, true, 1280, 1024, 5000, 50, 800, 600, false, false, 0, 0, 1180, 50},
      {"lastY above the top", 1280, 1024, true, 1280, 1024, 40, -300, 800, 600, false, false, 0, 0, 40, 0},
      {"another desktop size", 1280, 1024, true, 1600, 1200, 10, 10, 800, 600, false, false, 1130, 760, -1, -1},
      {"stored width too small", 1600, 1200, true, 1600, 1200, 10, 10, 100, 600, false, false, 1270, 900, -1, -1},
      {"800 wide always maximised", 800, 600, true, 800, 600, 10, 10, 700, 500, false, true, 0, 0, 10, 10},
      {"1024 x 768 not maximised", 1024, 768, false, 0, 0, 0, 0, 0, 0, false, false, 870, 570, -1, -1},
  };
  for (const TBoundsCase& c : cases) {
    SCOPED_TRACE(c.Name);
    H().SetMonitors({TMonitorDesc{TRect{0, 0, c.ScreenW, c.ScreenH}, TRect{0, 0, c.ScreenW, c.ScreenH - 40}, "M1"}});
    TProgramSettings stored;
    stored.Maximized = c.Maximized;
    if (c.Stored) {
      stored.lastScreenWidth = c.LastScreenW;
      stored.lastScreenHeight = c.LastScreenH;
      stored.lastX = c.X;
      stored.lastY = c.Y;
      stored.lastWidth = c.W;
      stored.lastHeight = c.H;
    }
    Store(stored);
    Boot(false);
    EXPECT_EQ(Form->WindowState() == TWindowState::wsMaximized, c.ExpectMaximized);
    Form->SetWindowState(TWindowState::wsNormal);
    if (c.ClientW != 0) {
      EXPECT_EQ(Form->ClientWidth(), c.ClientW);
      EXPECT_EQ(Form->ClientHeight(), c.ClientH);
    } else {
      EXPECT_EQ(Form->Width(), c.W);
      EXPECT_EQ(Form->Height(), c.H);
    }
    EXPECT_EQ(Form->Left(), c.Left >= 0 ? c.Left : Half(c.ScreenW - Form->Width()));
    EXPECT_EQ(Form->Top(), c.Top >= 0 ? c.Top : Half(c.ScreenH - Form->Height()));
    delete Form;
    Form = nullptr;
  }
}

TEST_F(MainWindow, ClosingStoresTheRestoredPlacementOfAMaximisedWindow) {
  Boot();
  Form->SetWindowState(TWindowState::wsNormal);
  Form->SetBounds(30, 40, 700, 500);
  Form->SetWindowState(TWindowState::wsMaximized);
  CloseAndFree();
  auto s = StoredSettings();
  EXPECT_EQ((TRect{s->lastX, s->lastY, s->lastX + s->lastWidth, s->lastY + s->lastHeight}), (TRect{30, 40, 730, 540}));
  EXPECT_TRUE(s->Maximized);
  EXPECT_EQ(s->lastScreenWidth, 1280);
  EXPECT_EQ(s->lastScreenHeight, 1024);
}

TEST_F(MainWindow, StoredSkinNumbersOutsideTheMenuSelectSkinOne) {
  for (int32_t stored : {0, 11}) {
    SCOPED_TRACE(stored);
    TProgramSettings s;
    s.SkinNewNo = stored;
    Store(s);
    Boot();
    EXPECT_TRUE(Form->SkinMenus[0]->Checked());
    for (int32_t i = 1; i < 10; ++i) EXPECT_FALSE(Form->SkinMenus[i]->Checked());
    EXPECT_EQ(Form->bsSkinData1->CompressedStoredSkin(), Form->Skins[0]);
    EXPECT_EQ(Form->ProgramSettings().SkinNo, stored);
    CloseAndFree();
    EXPECT_EQ(StoredSettings()->SkinNewNo, 1);
    EXPECT_EQ(StoredSettings()->SkinNo, 1);
  }
}

TEST_F(MainWindow, SkinFourLeavesTheRenameButtonsPlain) {
  Boot();
  TbsSkinButton* button = Tabs[0]->BntRename;
  EXPECT_EQ(button->SkinData(), Form->bsSkinData1);
  Form->SkinMenu1Click(Form->SkinMenus[3]);
  EXPECT_EQ(button->SkinData(), nullptr);
  EXPECT_TRUE(Form->SkinMenus[3]->Checked());
  Form->SkinMenu1Click(Form->SkinMenus[4]);
  EXPECT_EQ(button->SkinData(), Form->bsSkinData1);
  EXPECT_FALSE(Form->SkinMenus[3]->Checked());
}

TEST_F(MainWindow, EveryMenuSkinIsAStoredSkinWithData) {
  Boot(false);
  for (int32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(Form->SkinMenus[i]->Tag(), i + 1);
    EXPECT_FALSE(Form->Skins[i]->IsEmpty()) << "Skin" << i + 1;
  }
  EXPECT_EQ(Form->SkinMenus[8]->Caption(), "Windows Vista / Windows 7");
  EXPECT_FALSE(Form->bsSkinData1->Empty);
}

TEST_F(MainWindow, FrameSkinToggleNeedsTheConvertTab) {
  Boot(false);
  Form->ToggleSkinWinBorder();
  EXPECT_FALSE(Form->ProgramSettings().SkinWinBorder);
  EXPECT_FALSE(App->Terminated());
  Load();
  Form->SkinWinBorderClick(Form->SkinWinBorder);
  EXPECT_EQ(Tabs[0]->Messages, std::vector<String>{"Restart the application for this change to take effect."});
  Pump();
  EXPECT_TRUE(App->Terminated());
  EXPECT_TRUE(StoredSettings()->SkinWinBorder);
}

TEST_F(MainWindow, CloseWritesThroughLiveSettingsAndFreesThemAfterTheTabs) {
  Boot();
  Form->FPreviewZ0_100 = true;
  Form->Close();
  Pump();
  EXPECT_EQ(Tabs[0]->Stores, 1);
  EXPECT_FALSE(Tabs[0]->Drop->Registered());
  EXPECT_FALSE(Form->Visible());
  // The tab still may write to the settings while the window goes.
  EXPECT_NE(Form->Settings(), nullptr);
  EXPECT_FALSE(StoredSettings()->PictovalSettings1.empty());
}

TEST_F(MainWindow, ServicesPlaceDialogs) {
  Boot();
  TForm dialog(nullptr);
  dialog.SetBounds(0, 0, 301, 200);
  Form->CenterOnMainMonitor(&dialog);
  // (1280 - 301) / 2 = 489.5 -> 490; (1024 - 200 - 25) / 2 = 399.5 -> 400.
  EXPECT_EQ(dialog.Left(), 490);
  EXPECT_EQ(dialog.Top(), 400);
  TBatchConvert::SetClientSize(&dialog, 250, 150);
  EXPECT_EQ(dialog.ClientWidth(), 250);
  EXPECT_EQ(dialog.ClientHeight(), 150);
}

TEST_F(MainWindow, HelpGoesToTheLauncherOnlyWhenTheFileExists) {
  std::vector<String> opened;
  TBatchConvert::SetHelpLauncher(
      [&](const String& File, const String& Topic) { opened.push_back(File + "::" + Topic); });
  Boot();
  Form->ShowHelp("License.htm");
  EXPECT_TRUE(opened.empty());
  const String help = Form->ProgramFolder() + kHelpFileName;
  { TFileStream(help, fmCreate); }
  Form->ShowHelp("License.htm");
  DeleteFile(help);
  EXPECT_EQ(opened, std::vector<String>{help + "::License.htm"});
  TBatchConvert::SetHelpLauncher(nullptr);
}

TEST_F(MainWindow, HandlerExceptionsAreDroppedButReported) {
  Boot();
  App->OnException = IgnoreApplicationException;
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    throw EConvertError("bad number");
  });
  H().AdvanceClock(10);
  const std::vector<TGuardedRecord> r = Recorder.Take();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].ClassName, "EConvertError");
  EXPECT_EQ(r[0].Message, "bad number");
}

}  // namespace

namespace {

TEST_F(MainWindow, PictureInSkinNineWithItsFrame) {
  TProgramSettings stored;
  stored.SkinNewNo = 9;
  stored.SkinWinBorder = true;
  stored.Maximized = false;
  Store(stored);
  // The gauge as it stands when the tab is made.
  RegisterTabFactory(0, [this](TComponent* Owner, TWinControl*) -> TFrame* {
    EXPECT_EQ(Form->TabSheetLoading->Value(), 40);
    EXPECT_TRUE(Form->TabSheetLoading->Visible());
    SavePicture(Form->Handle(), "main-window-skin9-loading");
    return Tabs[0] = new TTestTab(Owner);
  });
  Boot();
  EXPECT_TRUE(Form->bsSkinData1->SkinnableForm());
  Form->SetBounds(40, 30, 800, 520);
  Pump();
  SavePicture(Form->Handle(), "main-window-skin9");
  Form->Pages->SetActivePageIndex(1);
  Form->PagesChange(Form->Pages);
  Pump();
  SavePicture(Form->Handle(), "main-window-skin9-rename-page");
}

}  // namespace

namespace {

TEST_F(MainWindow, WindowClassCaptionAndClientSize) {
  Boot(false);
  EXPECT_EQ(FindWindow(kMainWindowClassName, nullptr), Form->Handle());
  EXPECT_EQ(Form->Caption(), "Corvane Pictoval 2.9");
  EXPECT_EQ(App->Title(), "Corvane Pictoval 2.9");
  EXPECT_TRUE(Form->KeyPreview());
  EXPECT_EQ(Form->Font()->Name(), "Arial");
}

TEST_F(MainWindow, InvisibleUntilTheConvertTabIsLoaded) {
  Boot(false);
  ASSERT_EQ(Form->OSCode(), 7);
  EXPECT_TRUE(Form->AlphaBlend());
  EXPECT_EQ(Form->AlphaBlendValue(), 0);
  Load();
  EXPECT_FALSE(Form->AlphaBlend());
  EXPECT_EQ(Form->AlphaBlendValue(), 255);
}

TEST_F(MainWindow, ShowLoadsTheApplicationCursors) {
  Boot(false);
  for (int32_t number : {1225, 1226, 1227, 1228, 1780, 1782})
    EXPECT_NE(Screen->Cursors(number), Screen->Cursors(crDefault)) << number;
  EXPECT_EQ(Screen->Cursors(1226), Screen->Cursors(1227));
}

TEST_F(MainWindow, AboutRunsModallyAndGoesAfterwards) {
  Boot();
  TDialogScript script;
  script.ExpectModalForm("About")
      .Do([&](TScriptTarget t, const auto&) {
        ASSERT_NE(dynamic_cast<TAboutWindow*>(t.Form), nullptr);
        SavePicture(t.Form->Handle(), "about-window");
      })
      .Key(VK_ESCAPE);
  Form->CompanyLinkClick(Form);
  EXPECT_EQ(script.Log().size(), 1u);
  for (int32_t i = 0; i < Form->ComponentCount(); ++i)
    EXPECT_EQ(dynamic_cast<TAboutWindow*>(Form->Components(i)), nullptr) << "the About window was freed";
}

TEST_F(MainWindow, F1OpensTheHelpFile) {
  std::vector<String> opened;
  TBatchConvert::SetHelpLauncher(
      [&](const String& File, const String& Topic) { opened.push_back(File + "|" + Topic); });
  Boot();
  Press(VK_F1);
  EXPECT_EQ(opened, std::vector<String>{Form->ProgramFolder() + kHelpFileName + "|"});
  TBatchConvert::SetHelpLauncher(nullptr);
}

TEST_F(MainWindow, HintWindowStaysOnTheDesktop) {
  Boot(false);
  std::unique_ptr<THintWindow> hint(App->HintWindowClass()(nullptr));
  ASSERT_NE(dynamic_cast<TXPHintWindow*>(hint.get()), nullptr);
  struct TCase {
    TRect Rect;
    TPoint Expected;
  };
  // The default desktop is 1280 x 1024; the height grows by 4.
  const TCase cases[] = {
      {TRect{100, 100, 200, 116}, TPoint{100, 100}},
      {TRect{1250, 100, 1350, 116}, TPoint{1280 - 100 - 5, 100}},
      {TRect{100, 1020, 200, 1036}, TPoint{100, 1024 - 20 - 32}},
      {TRect{-40, 100, 60, 116}, TPoint{0, 100}},
  };
  for (const TCase& c : cases) {
    hint->ActivateHint(c.Rect, "Hint text");
    EXPECT_EQ((TPoint{hint->Left(), hint->Top()}), c.Expected) << c.Rect.Left << "," << c.Rect.Top;
    EXPECT_EQ(hint->Height(), 20);
  }
  Pump();
  SavePicture(hint->Handle(), "xp-hint-window");
}

}  // namespace

namespace {

TEST_F(MainWindow, SkinnedFramePlacementGoesThroughTheSkinForm) {
  TProgramSettings stored;
  stored.SkinWinBorder = true;
  stored.SkinNewNo = 9;
  stored.lastScreenWidth = 1280;
  stored.lastScreenHeight = 1024;
  stored.lastX = 50;
  stored.lastY = 60;
  stored.lastWidth = 700;
  stored.lastHeight = 500;
  stored.Maximized = true;
  Store(stored);
  Boot();
  EXPECT_EQ(Form->bsSkinForm1->WindowState(), 2);
  TRect restore;
  Form->bsSkinForm1->GetRestoreRect(restore);
  EXPECT_EQ(restore, (TRect{50, 60, 750, 560}));
  CloseAndFree();
  auto s = StoredSettings();
  EXPECT_EQ((TRect{s->lastX, s->lastY, s->lastX + s->lastWidth, s->lastY + s->lastHeight}), (TRect{50, 60, 750, 560}));
  EXPECT_TRUE(s->Maximized);

  // Rolled up and not maximised: the placement is left as it was.
  s->Maximized = false;
  Store(*s);
  Boot();
  Form->bsSkinForm1->SetRollUpState(true);
  Form->SetLeft(300);
  CloseAndFree();
  EXPECT_EQ(StoredSettings()->lastX, 50);
  EXPECT_FALSE(StoredSettings()->Maximized);
}

}  // namespace

namespace {

TbsSkinMainMenuBarItem* BarItem(TbsSkinMainMenuBar* Bar, const String& Caption) {
  for (int32_t i = 0; i < Bar->ObjectCount(); ++i)
    if (auto* item = dynamic_cast<TbsSkinMainMenuBarItem*>(Bar->Objects(i)))
      if (item->SourceItem != nullptr && item->SourceItem->Caption() == Caption) return item;
  return nullptr;
}

TbsSkinMenuItem* WindowItem(TbsSkinPopupWindow* W, const String& Caption) {
  for (int32_t i = 0; i < W->ItemCount(); ++i)
    if (W->Items(i)->SourceItem->Caption() == Caption) return W->Items(i);
  return nullptr;
}

TEST_F(MainWindow, SkinChosenThroughTheMenuBar) {
  Boot();
  TbsSkinMainMenuBarItem* settings = BarItem(Form->bsSkinMainMenuBar1, "&Settings");
  ASSERT_NE(settings, nullptr);
  const TRect r = settings->BarRect;
  ClickAt(Form->bsSkinMainMenuBar1, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  TbsSkinMenu* menu = Form->bsSkinForm1->SkinMenu();
  ASSERT_EQ(menu->WindowCount(), 1);
  TbsSkinMenuItem* change = WindowItem(menu->Windows(0), "Change &skin");
  ASSERT_NE(change, nullptr);
  const TRect c = change->ItemRect;
  MoveTo(menu->Windows(0), (c.Left + c.Right) / 2, (c.Top + c.Bottom) / 2);
  H().AdvanceClock(1000);
  ASSERT_EQ(menu->WindowCount(), 2);
  TbsSkinPopupWindow* skins = menu->Windows(1);
  ASSERT_EQ(skins->ItemCount(), 12);
  SavePicture(skins->Handle(), "main-window-skin-menu");
  TbsSkinMenuItem* xp = WindowItem(skins, "Windows XP");
  ASSERT_NE(xp, nullptr);
  ClickAt(skins, (xp->ItemRect.Left + xp->ItemRect.Right) / 2, (xp->ItemRect.Top + xp->ItemRect.Bottom) / 2);
  EXPECT_TRUE(Form->SkinMenus[5]->Checked());
  EXPECT_FALSE(Form->SkinMenus[8]->Checked());
  EXPECT_EQ(Form->bsSkinData1->CompressedStoredSkin(), Form->Skins[5]);
}

}  // namespace
