// The settings kept between runs: one TProgramSettings streamed to
// "CVPictovalSettings.db", carrying the window placement, the skin, the last
// folder and the three convert-settings objects as nested component texts.
// The main window calls these routines; the copying to and from the tab's
// controls stays with the tab.
#pragma once

#include <cstdint>
#include <memory>

#include "app/settings/commonclass.h"
#include "platform/rtl/components.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/types.h"

inline constexpr const char* kSettingsFileName = "CVPictovalSettings.db";
inline constexpr const char* kPortableMarkerName = "Portable.db";

class TProgramSettings : public TComponent {
 public:
  // The defaults; SkinNewNo follows the OS version code.
  explicit TProgramSettings(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TProgramSettings"; }

  String LastAccessFolder;
  int32_t lastX = 0;
  int32_t lastY = 0;
  int32_t lastWidth = 0;
  int32_t lastHeight = 0;
  int32_t lastScreenWidth = 0;
  int32_t lastScreenHeight = 0;
  bool WinMaximized = false;
  int32_t SortNo = 0;
  bool Maximized = true;
  int32_t SkinNo = 1;
  int32_t SkinNewNo = 1;
  bool SkinWinBorder = false;
  TColor NormalBKColor = RGB(200, 200, 200);
  TColor FullBKColor = clNavy;
  int32_t JPEGQuality = 90;
  bool BestFitWhenOpen = true;
  String StartUpFolder = "0";
  int32_t LeftPanelW = 265;
  int32_t ImageMainPanelH = 220;
  bool ShowFileName = true;
  bool SmoothView = false;
  int32_t MagnifierZoom = 20;
  int32_t MagnifierSize = 500;
  String ImageViewerPath;
  bool FirstTimeInFullScreen = false;
  bool FirstTimeForSmooth = true;
  int32_t SS_SlideSize = 1;
  TColor SS_BColor = clWhite;
  bool SS_AutoPlay = true;
  int32_t SS_DelayTime = 3;
  bool SS_RandomPlay = false;
  bool SS_UseEffects = true;
  bool SS_UseRepeat = true;
  int32_t DropShadowRadius = 3;
  int32_t DropShadowDepth = 3;
  bool DropShadowPOS = false;
  TColor DropShadowBC = clWhite;
  TColor DropShadowSC = clBlack;
  int32_t OldPictureSN = 0;
  String PictovalSettings1;  // text form of the TPictovalSettings
  String PictovalSettings2;  // of its TIOParas
  String PictovalSettings3;  // of its TOptionsInfo
  double Print_Top = 1.0;
  double Print_Bottem = 1.0;  // the key's spelling is part of the file
  double Print_Left = 1.0;
  double Print_Right = 1.0;
  int32_t Print_Position = 5;
  double Print_GammaCorrection = 1.0;
  double Print_CustomedWidth = 6.0;
  double Print_CustomedHeight = 4.0;
  int32_t Print_Size = 1;
  int32_t Print_Unit = 0;
  String ExProgramsStringText;
};

const TClassInfo& ProgramSettingsClass();
// Registers TProgramSettings and the convert-settings classes.
void RegisterSettingsClasses();

// The default skin for an OS version code.
int32_t DefaultSkinNo(int32_t OSCode);

// ---- Folders -----------------------------------------------------------------

struct TSettingsFolders {
  String ProgramFolder;   // with a trailing "/"
  String SettingsFolder;  // with a trailing "/"
};

// The running executable's folder, with a trailing "/".
String ExecutableFolder();
// "Portable.db" beside the program keeps the settings there; otherwise the
// per-user folder below the application-data folder, created when missing;
// the program folder when that cannot be had.
TSettingsFolders ChooseSettingsFolder(const String& ProgramFolder);

// ---- The settings file ---------------------------------------------------------

// The file of the settings folder, else that of the program folder; defaults
// when neither exists, and when the file found is unreadable or of another
// class (the program folder is then not tried).
std::unique_ptr<TProgramSettings> LoadProgramSettings(const TSettingsFolders& Folders);
// The settings stream read from its position; nil when it is malformed or of
// another class.
std::unique_ptr<TProgramSettings> ReadProgramSettings(TStream& Stream);
// Writes the file of the settings folder, replacing the old one only once the
// new one is complete. Errors propagate.
void SaveProgramSettings(TProgramSettings& Settings, const String& SettingsFolder);

// ---- The convert settings inside it --------------------------------------------

// The main window's four preview flags.
struct TPreviewFlags {
  bool Z0_100 = false;
  bool Z1_100 = false;
  bool Z0_Force100 = false;
  bool Z1_Force100 = false;
};

struct TLoadedConvertSettings {
  std::unique_ptr<TPictovalSettings> Settings;
  // Only the Z1 flags come from the file; the Z0 ones start false every run.
  TPreviewFlags Preview;
};

// The live convert settings from the three texts, each object falling back to
// its defaults on its own, with the rules applied after loading: outputs go to
// the output folder (a stored "same folder" empties it) and overwriting is
// asked again.
TLoadedConvertSettings LoadConvertSettings(const TProgramSettings& Program);
// The convert settings to store: the existing ones (given any option object
// they lack), or new defaults.
TPictovalSettings& EnsureConvertSettings(std::unique_ptr<TPictovalSettings>& Settings);
void StorePreviewFlags(TPictovalSettings& Settings, const TPreviewFlags& Preview);
// The three texts, each on its own: a text that cannot be made keeps its old
// value (the failure is reported through Guarded).
void StoreSettingsTexts(TProgramSettings& Program, TPictovalSettings& Settings);
// The folder to remember: the shell list's folder when it exists, else empty.
String LastFolderToStore(const String& ShellListPath);
