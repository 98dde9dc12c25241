// The settings file and the convert settings nested in it.
#include "app/settings/settingsstore.h"

#include <exception>
#include <utility>

#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"

TProgramSettings::TProgramSettings(TComponent* AOwner)
    : TComponent(AOwner), SkinNewNo(DefaultSkinNo(GetOSVersionCode())) {}

int32_t DefaultSkinNo(int32_t OSCode) {
  if (OSCode >= 0 && OSCode <= 5) return 5;
  if (OSCode == 6) return 6;
  if (OSCode == 7) return 9;
  return 1;
}

const TClassInfo& ProgramSettingsClass() {
  using T = TProgramSettings;
  static const TClassInfo info = TClassBuilder<T>("TProgramSettings")
                                     .String("LastAccessFolder", &T::LastAccessFolder)
                                     .Int("lastX", &T::lastX)
                                     .Int("lastY", &T::lastY)
                                     .Int("lastWidth", &T::lastWidth)
                                     .Int("lastHeight", &T::lastHeight)
                                     .Int("lastScreenWidth", &T::lastScreenWidth)
                                     .Int("lastScreenHeight", &T::lastScreenHeight)
                                     .Bool("WinMaximized", &T::WinMaximized)
                                     .Int("SortNo", &T::SortNo)
                                     .Bool("Maximized", &T::Maximized)
                                     .Int("SkinNo", &T::SkinNo)
                                     .Int("SkinNewNo", &T::SkinNewNo)
                                     .Bool("SkinWinBorder", &T::SkinWinBorder)
                                     .Color("NormalBKColor", &T::NormalBKColor)
                                     .Color("FullBKColor", &T::FullBKColor)
                                     .Int("JPEGQuality", &T::JPEGQuality)
                                     .Bool("BestFitWhenOpen", &T::BestFitWhenOpen)
                                     .String("StartUpFolder", &T::StartUpFolder)
                                     .Int("LeftPanelW", &T::LeftPanelW)
                                     .Int("ImageMainPanelH", &T::ImageMainPanelH)
                                     .Bool("ShowFileName", &T::ShowFileName)
                                     .Bool("SmoothView", &T::SmoothView)
                                     .Int("MagnifierZoom", &T::MagnifierZoom)
                                     .Int("MagnifierSize", &T::MagnifierSize)
                                     .String("ImageViewerPath", &T::ImageViewerPath)
                                     .Bool("FirstTimeInFullScreen", &T::FirstTimeInFullScreen)
                                     .Bool("FirstTimeForSmooth", &T::FirstTimeForSmooth)
                                     .Int("SS_SlideSize", &T::SS_SlideSize)
                                     .Color("SS_BColor", &T::SS_BColor)
                                     .Bool("SS_AutoPlay", &T::SS_AutoPlay)
                                     .Int("SS_DelayTime", &T::SS_DelayTime)
                                     .Bool("SS_RandomPlay", &T::SS_RandomPlay)
                                     .Bool("SS_UseEffects", &T::SS_UseEffects)
                                     .Bool("SS_UseRepeat", &T::SS_UseRepeat)
                                     .Int("DropShadowRadius", &T::DropShadowRadius)
                                     .Int("DropShadowDepth", &T::DropShadowDepth)
                                     .Bool("DropShadowPOS", &T::DropShadowPOS)
                                     .Color("DropShadowBC", &T::DropShadowBC)
                                     .Color("DropShadowSC", &T::DropShadowSC)
                                     .Int("OldPictureSN", &T::OldPictureSN)
                                     .String("PictovalSettings1", &T::PictovalSettings1)
                                     .String("PictovalSettings2", &T::PictovalSettings2)
                                     .String("PictovalSettings3", &T::PictovalSettings3)
                                     .Float("Print_Top", &T::Print_Top)
                                     .Float("Print_Bottem", &T::Print_Bottem)
                                     .Float("Print_Left", &T::Print_Left)
                                     .Float("Print_Right", &T::Print_Right)
                                     .Int("Print_Position", &T::Print_Position)
                                     .Float("Print_GammaCorrection", &T::Print_GammaCorrection)
                                     .Float("Print_CustomedWidth", &T::Print_CustomedWidth)
                                     .Float("Print_CustomedHeight", &T::Print_CustomedHeight)
                                     .Int("Print_Size", &T::Print_Size)
                                     .Int("Print_Unit", &T::Print_Unit)
                                     .String("ExProgramsStringText", &T::ExProgramsStringText)
                                     .Build();
  return info;
}

namespace {

// The component when it is a T; nil otherwise (the component is freed).
template <class T>
std::unique_ptr<T> Downcast(std::unique_ptr<TComponent> Component) {
  if (dynamic_cast<T*>(Component.get()) == nullptr) return nullptr;
  return std::unique_ptr<T>(static_cast<T*>(Component.release()));
}

std::unique_ptr<TProgramSettings> ReadSettingsFile(const String& Path) {
  try {
    TFileStream file(Path, fmOpenRead | fmShareDenyWrite);
    return ReadProgramSettings(file);
  } catch (const std::exception&) {
    return nullptr;
  }
}

// The text as a T; T's defaults when it is empty, malformed or of another class.
template <class T>
std::unique_ptr<T> ObjectFromText(const String& Text) {
  std::unique_ptr<T> object;
  if (!Text.empty()) {
    try {
      object = Downcast<T>(std::unique_ptr<TComponent>(TextToComponent(Text)));
    } catch (const std::exception&) {
    }
  }
  return object ? std::move(object) : std::make_unique<T>();
}

void StoreText(String& Target, TComponent* Object) {
  if (Object == nullptr) return;
  Guarded([&] { Target = ComponentToText(Object); });
}

}  // namespace

void RegisterSettingsClasses() {
  RegisterClass(ProgramSettingsClass());
  RegisterConvertSettingsClasses();
}

String ExecutableFolder() { return ExtractFilePath(GetModuleFileName()); }

TSettingsFolders ChooseSettingsFolder(const String& ProgramFolder) {
  TSettingsFolders folders{AddTrailingBackslash(ProgramFolder), AddTrailingBackslash(ProgramFolder)};
  if (FastFileExists(folders.ProgramFolder + kPortableMarkerName)) return folders;
  const int32_t os = GetOSVersionCode();
  if (os >= 0 && os <= 4) return folders;
  const String appData = GetAppDataFolder();
  if (appData.empty() || !DirectoryExists(appData)) return folders;
  const String candidate = AddTrailingBackslash(appData) + kSettingsSubFolder;
  if (!DirectoryExists(candidate)) ForceDirectories(candidate);
  if (DirectoryExists(candidate)) folders.SettingsFolder = candidate;
  return folders;
}

std::unique_ptr<TProgramSettings> ReadProgramSettings(TStream& Stream) {
  RegisterSettingsClasses();
  try {
    return Downcast<TProgramSettings>(std::unique_ptr<TComponent>(ReadComponent(&Stream)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::unique_ptr<TProgramSettings> LoadProgramSettings(const TSettingsFolders& Folders) {
  RegisterSettingsClasses();
  std::unique_ptr<TProgramSettings> settings;
  const String inSettings = Folders.SettingsFolder + kSettingsFileName;
  const String inProgram = Folders.ProgramFolder + kSettingsFileName;
  if (FileExists(inSettings))
    settings = ReadSettingsFile(inSettings);
  else if (FileExists(inProgram))
    settings = ReadSettingsFile(inProgram);
  if (!settings) settings = std::make_unique<TProgramSettings>();
  return settings;
}

void SaveProgramSettings(TProgramSettings& Settings, const String& SettingsFolder) {
  RegisterSettingsClasses();
  // Streamed into memory first: the file is replaced only by a complete one.
  TMemoryStream stream;
  WriteComponent(&stream, &Settings);
  stream.SaveToFile(AddTrailingBackslash(SettingsFolder) + kSettingsFileName);
}

TLoadedConvertSettings LoadConvertSettings(const TProgramSettings& Program) {
  RegisterSettingsClasses();
  TLoadedConvertSettings loaded;
  loaded.Settings = ObjectFromText<TPictovalSettings>(Program.PictovalSettings1);
  TPictovalSettings& s = *loaded.Settings;
  s.IOPara = ObjectFromText<TIOParas>(Program.PictovalSettings2);
  s.AdvancedOptions = ObjectFromText<TOptionsInfo>(Program.PictovalSettings3);
  if (s.SaveInSameFolder) s.OutputFolder.clear();
  s.SaveInSameFolder = false;
  s.AskBeforeOverwrite = true;
  loaded.Preview.Z1_100 = s.previewZ1_100;
  loaded.Preview.Z1_Force100 = s.previewZ1_Force100;
  return loaded;
}

TPictovalSettings& EnsureConvertSettings(std::unique_ptr<TPictovalSettings>& Settings) {
  if (!Settings) Settings = std::make_unique<TPictovalSettings>();
  if (!Settings->IOPara) Settings->IOPara = std::make_unique<TIOParas>();
  if (!Settings->AdvancedOptions) Settings->AdvancedOptions = std::make_unique<TOptionsInfo>();
  return *Settings;
}

void StorePreviewFlags(TPictovalSettings& Settings, const TPreviewFlags& Preview) {
  Settings.previewZ0_100 = Preview.Z0_100;
  Settings.previewZ1_100 = Preview.Z1_100;
  Settings.previewZ0_Force100 = Preview.Z0_Force100;
  Settings.previewZ1_Force100 = Preview.Z1_Force100;
}

void StoreSettingsTexts(TProgramSettings& Program, TPictovalSettings& Settings) {
  RegisterSettingsClasses();
  StoreText(Program.PictovalSettings1, &Settings);
  StoreText(Program.PictovalSettings2, Settings.IOPara.get());
  StoreText(Program.PictovalSettings3, Settings.AdvancedOptions.get());
}

String LastFolderToStore(const String& ShellListPath) {
  return !ShellListPath.empty() && DirectoryExists(ShellListPath) ? ShellListPath : String();
}
