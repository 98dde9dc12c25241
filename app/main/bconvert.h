// The main window: skin data shared by every window, the program settings and
// the live convert settings, the two work tabs behind loading gauges, the
// menus, the window placement kept between runs, and the restore request of
// a second start. The tabs come from factories their libraries register
// (tabregistry.h) and answer the window through IMainTab (maintab.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/settings/settingsstore.h"
#include "platform/vcl/forms.h"

class TbsCompressedStoredSkin;
class TbsSkinData;
class TbsSkinForm;
class TbsSkinGauge;
class TbsSkinPageControl;
class TbsSkinStatusBar;
class TbsSkinStatusPanel;
class TbsSkinTabSheet;
class TFrame;
class TbsSkinMainMenu;
class TbsSkinMainMenuBar;
class TMenuItem;
class TTimer;
class IMainTab;

inline constexpr const char* kMainWindowClassName = "CorvanePictovalMainForm";
inline constexpr const char* kMainCaption = "Corvane Pictoval 2.9";
inline constexpr const char* kHelpFileName = "CVPictovalHelp.chm";
inline constexpr const char* kHomePage = "https://www.corvane.example/pictoval";

// Opens the help file at a topic (empty: its start page).
using THelpLauncher = std::function<void(const String& HelpFile, const String& Topic)>;

class TBatchConvert : public TForm {
 public:
  explicit TBatchConvert(TComponent* AOwner);
  ~TBatchConvert() override;
  const char* ClassName() const override { return "TBatchConvert"; }
  using TForm::SetClientSize;

  // ---- Components -----------------------------------------------------------
  TbsSkinForm* bsSkinForm1 = nullptr;
  TbsSkinData* bsSkinData1 = nullptr;
  TbsCompressedStoredSkin* Skins[10] = {};  // Skin1 .. Skin10
  TbsSkinMainMenu* bsSkinMainMenu1 = nullptr;
  TbsSkinMainMenuBar* bsSkinMainMenuBar1 = nullptr;
  TMenuItem* d1 = nullptr;
  TMenuItem* SkinWinBorder = nullptr;
  TMenuItem* SkinMenus[10] = {};  // SkinMenu1 .. SkinMenu10
  TMenuItem* Help2 = nullptr;
  TMenuItem* LicenseAgreement1 = nullptr;
  TMenuItem* HomePage1 = nullptr;
  TMenuItem* About1 = nullptr;
  TbsSkinPageControl* Pages = nullptr;
  TbsSkinTabSheet* Page1 = nullptr;
  TbsSkinTabSheet* Page2 = nullptr;
  TbsSkinGauge* TabSheetLoading = nullptr;
  TbsSkinGauge* TabSheetLoading2 = nullptr;
  TbsSkinStatusBar* bsSkinStatusBar1 = nullptr;
  TbsSkinStatusPanel* CompanyLink = nullptr;
  TbsSkinStatusPanel* FileplayingText = nullptr;
  TTimer* LoadingTimer = nullptr;

  // ---- State other windows read and keep --------------------------------------
  // The conversion preview window's state between its showings.
  int32_t FPreviewItemIndex = 0;
  int32_t FPreview0ViewX = 0, FPreview0ViewY = 0, FPreview1ViewX = 0, FPreview1ViewY = 0;
  bool FPreviewZ0_100 = false;
  bool FPreviewZ1_100 = true;
  bool FPreviewZ0_Force100 = false;
  bool FPreviewZ1_Force100 = true;
  double FPreviewZoom = 0;
  bool FPreview0First = true;
  bool FPreview1First = true;
  // The source picture last loaded by the conversion.
  int32_t FSourceWidth = 0;
  int32_t FSourceHeight = 0;

  bool Loaded() const { return FLoaded; }
  int32_t OSCode() const { return FOSCode; }
  const String& ProgramFolder() const { return FProgramFolder; }
  const String& SettingsFolder() const { return FSettingsFolder; }
  TProgramSettings& ProgramSettings() const { return *FProgramSettings; }
  // The live convert settings; nullptr until the convert tab is loaded.
  TPictovalSettings* Settings() const { return FSettings.get(); }
  TFrame* ConvertTab() const { return FConvertTab; }
  TFrame* RenameTab() const { return FRenameTab; }

  // ---- Services of the other windows -------------------------------------------
  // Centres Form on the main window's monitor, 12.5 pixels above the middle.
  void CenterOnMainMonitor(TCustomForm* Form);
  // The outer size that gives Form the client size W x H with its frame.
  static void SetClientSize(TCustomForm* Form, int32_t W, int32_t H);
  static TDateTime ReadExifDate(const String& Path);
  static TDateTime GetPictureDate(const String& Path);
  // Clears the hover state of the panel's speed buttons once the mouse has
  // left its first Height rows.
  static void ClearPanelButtonHover(TWinControl* Panel, int32_t Height);
  // The help file of the program folder at Topic; nothing when it is missing.
  void ShowHelp(const String& Topic);
  // Replaces how help is opened (tests); an empty launcher restores the shell's.
  static void SetHelpLauncher(THelpLauncher Launcher);

  // ---- Window routines ---------------------------------------------------------
  void SelectSkin(const String& Number);
  void StoreSkinChoice();
  void ToggleSkinWinBorder();
  void RestoreWindowBounds();
  void LoadCursors();
  void RestoreAndActivate();
  void LoadTabSettings();
  void StoreTabSettings();

  // ---- Events ------------------------------------------------------------------
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormDestroy(TObject* Sender);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void LoadingTimerTimer(TObject* Sender);
  void PagesChange(TObject* Sender);
  void SkinMenu1Click(TObject* Sender);
  void SkinWinBorderClick(TObject* Sender);
  void Help2Click(TObject* Sender);
  void LicenseAgreement1Click(TObject* Sender);
  void HomePage1Click(TObject* Sender);
  void About1Click(TObject* Sender);
  void CompanyLinkClick(TObject* Sender);
  void d1Click(TObject* Sender);
  void bsSkinForm1SkinMenuClose(TObject* Sender);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  void BuildComponents();
  void BuildMenus();
  void BuildMenuBar();
  void BuildPages();
  void BuildStatusBar();
  void BindEvents();
  void LoadStoredSkins();
  void WMRestoreInstance(TMessage& Message);
  // The window's placement into the program settings.
  void StoreWindowBounds();
  void ShowGauge(TbsSkinGauge* Gauge);
  void StepGauge(TbsSkinGauge* Gauge, int32_t Value);
  void LoadConvertTab();
  void LoadRenameTab();
  // The tab made by the page's factory, or an empty frame.
  TFrame* MakeTab(int32_t PageIndex, TWinControl* Page);
  void PlaceTab(TFrame* Tab, TWinControl* Page);
  void ApplyPlainButtonsSkin(const String& Number);
  // The number of the ticked skin item, 1 when none of 2..10 is ticked.
  int32_t CheckedSkin() const;

  int32_t FOSCode = 0;
  String FProgramFolder;
  String FSettingsFolder;
  TFrame* FRenameTab = nullptr;
  TFrame* FConvertTab = nullptr;
  std::unique_ptr<TPictovalSettings> FSettings;
  std::unique_ptr<TProgramSettings> FProgramSettings;
  bool FLoaded = false;
};

// The tab's IMainTab, or nullptr for a frame without one.
IMainTab* MainTabOf(TFrame* Tab);
// The main window while it exists.
TBatchConvert* MainWindow();
// Centres Form on the main window's monitor, or on the primary monitor while
// there is no main window, 12.5 pixels above the middle.
void CenterOnMainMonitor(TCustomForm* Form);
// Application.OnException: drops the exception without a box and reports it
// to the Guarded hook, so nothing vanishes unseen.
void IgnoreApplicationException(TObject* Sender, const Exception& E);
