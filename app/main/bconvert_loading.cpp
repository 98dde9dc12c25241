#include <algorithm>

#include "app/main/bconvert.h"
#include "app/main/droptarget.h"
#include "app/main/maintab.h"
#include "app/main/tabregistry.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/files.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinpagecontrol.h"

// ---- Loading the tabs ------------------------------------------------------------

// The gauge is centred with the first page's size, which the second shares.
void TBatchConvert::ShowGauge(TbsSkinGauge* Gauge) {
  Repaint();
  Gauge->SetLeft(int32_t(Round((Page1->Width() - TabSheetLoading->Width()) / 2.0)));
  Gauge->SetTop(int32_t(Round((Page1->Height() - TabSheetLoading->Height()) / 2.0)));
  Gauge->SetValue(0);
  Gauge->Show();
  Gauge->Repaint();
  for (int32_t value : {10, 20, 30, 40}) {
    Sleep(20);
    StepGauge(Gauge, value);
  }
}

// The message loop does not run while a tab is made: each step paints itself.
void TBatchConvert::StepGauge(TbsSkinGauge* Gauge, int32_t Value) {
  Gauge->SetValue(Value);
  Gauge->Repaint();
}

TFrame* TBatchConvert::MakeTab(int32_t PageIndex, TWinControl* Page) {
  TFrame* tab = nullptr;
  if (TTabFactory factory = FindTabFactory(PageIndex)) Guarded([&] { tab = factory(this, Page); });
  return tab != nullptr ? tab : new TFrame(this);
}

void TBatchConvert::PlaceTab(TFrame* Tab, TWinControl* Page) {
  Tab->SetBounds(0, 0, Page->Width(), Page->Height());
  if (IMainTab* t = MainTabOf(Tab)) t->SetMainForm(this);
  Tab->SetAlign(TAlign::alClient);
  Tab->SetParent(Page);
}

void TBatchConvert::FormActivate(TObject*) { LoadingTimer->SetInterval(30); }

void TBatchConvert::LoadingTimerTimer(TObject*) {
  LoadingTimer->SetInterval(0);
  if (LoadingTimer->Tag() == 1) return;
  if (FOSCode == 7)
    Guarded([&] {
      SetAlphaBlend(false);
      SetAlphaBlendValue(255);
    });
  LoadingTimer->SetTag(1);
  if (FConvertTab == nullptr) LoadConvertTab();
  FLoaded = true;
}

void TBatchConvert::LoadConvertTab() {
  ShowGauge(TabSheetLoading);
  FConvertTab = MakeTab(0, Page1);
  Guarded([&] { LoadTabSettings(); });
  StepGauge(TabSheetLoading, 60);
  StepGauge(TabSheetLoading, 95);
  IMainTab* tab = MainTabOf(FConvertTab);
  Guarded([&] {
    TProgramSettings& ps = *FProgramSettings;
    const String folder = ps.LastAccessFolder;
    if (!folder.empty() && IsFixedDrivePath(folder) && DirectoryExists(folder)) {
      if (tab != nullptr) tab->OpenFolder(folder);
    } else {
      ps.LastAccessFolder = String();
    }
  });
  PlaceTab(FConvertTab, Page1);
  if (tab != nullptr) Guarded([&] { tab->DropFileTarget()->Register(tab->TreeView()); });
  TabSheetLoading->Hide();
  if (tab != nullptr) Guarded([&] { tab->FinishLoading(); });
  ApplyPlainButtonsSkin(IntToStr(CheckedSkin()));
}

void TBatchConvert::PagesChange(TObject*) {
  if (Pages->ActivePageIndex() == 1 && FRenameTab == nullptr) LoadRenameTab();
}

void TBatchConvert::LoadRenameTab() {
  ShowGauge(TabSheetLoading2);
  FRenameTab = MakeTab(1, Page2);
  IMainTab* tab = MainTabOf(FRenameTab);
  if (tab != nullptr && FSettings) Guarded([&] { tab->LoadControls(*FSettings); });
  StepGauge(TabSheetLoading2, 60);
  StepGauge(TabSheetLoading2, 95);
  if (IMainTab* convert = MainTabOf(FConvertTab); tab != nullptr && convert != nullptr)
    Guarded([&] {
      const String folder = convert->ShellListPath();
      if (!folder.empty() && DirectoryExists(folder)) tab->OpenFolder(folder);
    });
  PlaceTab(FRenameTab, Page2);
  if (tab != nullptr) Guarded([&] { tab->DropFileTarget()->Register(tab->TreeView()); });
  TabSheetLoading2->Hide();
  if (tab != nullptr) Guarded([&] { tab->FinishLoading(); });
  ApplyPlainButtonsSkin(IntToStr(CheckedSkin()));
}

// ---- The tab settings ------------------------------------------------------------

void TBatchConvert::LoadTabSettings() {
  TLoadedConvertSettings loaded = LoadConvertSettings(*FProgramSettings);
  FSettings = std::move(loaded.Settings);
  FPreviewZ1_100 = loaded.Preview.Z1_100;
  FPreviewZ1_Force100 = loaded.Preview.Z1_Force100;
  if (IMainTab* tab = MainTabOf(FConvertTab)) tab->LoadControls(*FSettings);
}

void TBatchConvert::StoreTabSettings() {
  TPictovalSettings& s = EnsureConvertSettings(FSettings);
  StorePreviewFlags(s, TPreviewFlags{FPreviewZ0_100, FPreviewZ1_100, FPreviewZ0_Force100, FPreviewZ1_Force100});
  if (IMainTab* tab = MainTabOf(FConvertTab)) tab->StoreControls(s);
  if (IMainTab* tab = MainTabOf(FRenameTab)) Guarded([&] { tab->StoreControls(s); });
  StoreSettingsTexts(*FProgramSettings, s);
  Guarded([&] {
    // Without a tab that knows its folder the stored one stays.
    IMainTab* tab = MainTabOf(Pages->ActivePageIndex() == 1 ? FRenameTab : FConvertTab);
    if (tab != nullptr) FProgramSettings->LastAccessFolder = LastFolderToStore(tab->ShellListPath());
  });
  SaveProgramSettings(*FProgramSettings, FSettingsFolder);
}

// ---- Closing -----------------------------------------------------------------------

// The settings objects stay until FormDestroy: the tabs' handlers still
// write to them while the window goes.
void TBatchConvert::FormClose(TObject*, TCloseAction&) {
  StoreWindowBounds();
  Guarded([&] {
    StoreSkinChoice();
    StoreTabSettings();
  });
  for (TFrame* t : {FConvertTab, FRenameTab})
    if (IMainTab* tab = MainTabOf(t)) Guarded([&] { tab->DropFileTarget()->Revoke(); });
  Guarded([&] { Hide(); });
  Application->Terminate();
}

void TBatchConvert::FormDestroy(TObject*) {
  Guarded([&] { delete FConvertTab; });
  FConvertTab = nullptr;
  Guarded([&] { delete FRenameTab; });
  FRenameTab = nullptr;
  FSettings.reset();
}
