#include "app/main/bconvert.h"

#include <utility>

#include "app/main/aboutwindow.h"
#include "app/main/instanceguard.h"
#include "app/main/mainresources.h"
#include "app/main/maintab.h"
#include "app/main/picturedate.h"
#include "app/main/xphint.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skinframedlabel.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/controls/skinspeedbutton.h"
#include "skin/controls/skinstatusbar.h"
#include "skin/engine/data/storedskin.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinmainmenubar.h"

namespace {

TBatchConvert* gMainWindow = nullptr;

THelpLauncher& HelpLauncher() {
  static THelpLauncher launcher;
  return launcher;
}

// The help viewer of the original system does not exist here: the help file
// goes to the desktop's handler for it, which cannot take a topic.
void OpenHelpWithShell(const String& HelpFile, const String& /*Topic*/) {
  ShellExecute(Application != nullptr ? Application->Handle() : nullptr, "open", HelpFile.c_str(), nullptr, nullptr,
               SW_SHOWMAXIMIZED);
}

constexpr const char* kSkinCaptions[10] = {"Corona",
                                           "MacX",
                                           "MacX_II",
                                           "WinAqua",
                                           "Windows Classic",
                                           "Windows XP",
                                           "Windows XP (Green)",
                                           "Windows XP (Silver)",
                                           "Windows Vista / Windows 7",
                                           "Windows Dark"};

}  // namespace

TBatchConvert* MainWindow() { return gMainWindow; }

IMainTab* MainTabOf(TFrame* Tab) { return dynamic_cast<IMainTab*>(Tab); }

namespace {
// Carries a caught exception's class name to Guarded's report.
class EReported : public Exception {
 public:
  EReported(const Exception& E) : Exception(E.Message()), FClassName(E.ClassName()) {}
  const char* ClassName() const override { return FClassName.c_str(); }

 private:
  String FClassName;
};
}  // namespace

void IgnoreApplicationException(TObject*, const Exception& E) {
  // Guarded's hook is the one place swallowed exceptions are reported.
  try {
    throw EReported(E);
  } catch (...) {
    ReportCurrentException();
  }
}

TBatchConvert::TBatchConvert(TComponent* AOwner) : TForm(AOwner) {
  gMainWindow = this;
  SetCaption(kMainCaption);
  Font()->SetName("Arial");
  Font()->SetSize(8);
  SetKeyPreview(true);
  SetClientSize(TPoint{772, 446});
  BuildComponents();
  BindEvents();
  AfterConstruction();
}

TBatchConvert::~TBatchConvert() {
  // The tabs go before the settings they write to; the base destructor
  // would run OnDestroy only after this object's members are gone.
  OnDestroy = nullptr;
  FormDestroy(this);
  if (gMainWindow == this) gMainWindow = nullptr;
}

void TBatchConvert::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.WinClassName = kMainWindowClassName;
}

// ---- Building ---------------------------------------------------------------------

void TBatchConvert::BuildComponents() {
  bsSkinData1 = new TbsSkinData(this);
  bsSkinData1->SetName("bsSkinData1");
  bsSkinData1->SetSkinnableForm(false);
  bsSkinData1->SetEnableSkinEffects(false);
  for (int32_t i = 0; i < 10; ++i) {
    Skins[i] = new TbsCompressedStoredSkin(this);
    Skins[i]->SetName("Skin" + IntToStr(i + 1));
    Skins[i]->SetFileName("skin.ini");
    Skins[i]->SetCompressedFileName(IntToStr(i + 1) + ".skn");
  }
  LoadStoredSkins();
  bsSkinForm1 = new TbsSkinForm(this);
  bsSkinForm1->SetName("bsSkinForm1");
  bsSkinForm1->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMinimize,
                                             TbsBorderIcon::biMaximize, TbsBorderIcon::biRollUp});
  bsSkinForm1->SetSkinData(bsSkinData1);
  BuildMenus();
  BuildStatusBar();
  BuildPages();
  LoadingTimer = new TTimer(this);
  LoadingTimer->SetName("LoadingTimer");
  LoadingTimer->SetInterval(0);
}

TMenuItem* NewMenuItem(TComponent* Owner, TMenuItem* Parent, const String& Name, const String& Caption,
                       int32_t Tag = 0) {
  auto* item = new TMenuItem(Owner);
  if (!Name.empty()) item->SetName(Name);
  item->SetCaption(Caption);
  item->SetTag(Tag);
  Parent->Add(item);
  return item;
}

// Names, tags and captions are all set here; BindEvents attaches the handlers.
void TBatchConvert::BuildMenus() {
  bsSkinMainMenu1 = new TbsSkinMainMenu(this);
  bsSkinMainMenu1->SetName("bsSkinMainMenu1");
  bsSkinMainMenu1->SetSkinData(bsSkinData1);
  TMenuItem* file = NewMenuItem(this, bsSkinMainMenu1->Items(), "File1", "&File");
  d1 = NewMenuItem(this, file, "d1", "E&xit");
  TMenuItem* settings = NewMenuItem(this, bsSkinMainMenu1->Items(), "Settings1", "&Settings");
  TMenuItem* skins = NewMenuItem(this, settings, "ChangeSkin1", "Change &skin");
  SkinWinBorder = NewMenuItem(this, skins, "SkinWinBorder", "Use the skin for the window &border");
  NewMenuItem(this, skins, "N1", "-");
  for (int32_t i = 0; i < 10; ++i) {
    SkinMenus[i] = NewMenuItem(this, skins, "SkinMenu" + IntToStr(i + 1), kSkinCaptions[i], i + 1);
    SkinMenus[i]->SetRadioItem(true);
  }
  TMenuItem* help = NewMenuItem(this, bsSkinMainMenu1->Items(), "Help1", "&Help");
  Help2 = NewMenuItem(this, help, "Help2", "&Help");
  Help2->SetShortCut(ShortCut(VK_F1, TShiftState()));
  LicenseAgreement1 = NewMenuItem(this, help, "LicenseAgreement1", "&License agreement");
  HomePage1 = NewMenuItem(this, help, "HomePage1", "Home &page");
  NewMenuItem(this, help, "N2", "-");
  About1 = NewMenuItem(this, help, "About1", "&About...");
  BuildMenuBar();
}

// The skinned bar shows the main menu; the form keeps no platform menu.
void TBatchConvert::BuildMenuBar() {
  bsSkinMainMenuBar1 = new TbsSkinMainMenuBar(this);
  bsSkinMainMenuBar1->SetName("bsSkinMainMenuBar1");
  bsSkinMainMenuBar1->SetParent(this);
  bsSkinMainMenuBar1->SetAlign(TAlign::alTop);
  bsSkinMainMenuBar1->SetSkinForm(bsSkinForm1);
  bsSkinMainMenuBar1->DefItemFont()->SetName("Tahoma");
  bsSkinMainMenuBar1->SetSkinData(bsSkinData1);
  bsSkinMainMenuBar1->SetMainMenu(bsSkinMainMenu1);
  bsSkinForm1->SetMainMenuBar(bsSkinMainMenuBar1);
}

void TBatchConvert::BuildStatusBar() {
  bsSkinStatusBar1 = new TbsSkinStatusBar(this);
  bsSkinStatusBar1->SetName("bsSkinStatusBar1");
  bsSkinStatusBar1->SetParent(this);
  bsSkinStatusBar1->SetAlign(TAlign::alBottom);
  bsSkinStatusBar1->SetSkinData(bsSkinData1);
  CompanyLink = new TbsSkinStatusPanel(this);
  CompanyLink->SetName("CompanyLink");
  CompanyLink->SetParent(bsSkinStatusBar1);
  CompanyLink->SetAlign(TAlign::alLeft);
  CompanyLink->SetWidth(160);
  CompanyLink->SetCursor(crHandPoint);
  CompanyLink->SetCaption("www.corvane.example");
  CompanyLink->SetSkinData(bsSkinData1);
  FileplayingText = new TbsSkinStatusPanel(this);
  FileplayingText->SetName("FileplayingText");
  FileplayingText->SetParent(bsSkinStatusBar1);
  FileplayingText->SetAlign(TAlign::alClient);
  FileplayingText->SetCaption("");
  FileplayingText->SetSkinData(bsSkinData1);
}

void TBatchConvert::BuildPages() {
  Pages = new TbsSkinPageControl(this);
  Pages->SetName("Pages");
  Pages->SetParent(this);
  Pages->SetAlign(TAlign::alClient);
  Pages->SetSkinData(bsSkinData1);
  const char* captions[2] = {"Batch Convert", "Batch Rename"};
  TbsSkinTabSheet* sheets[2] = {};
  TbsSkinGauge* gauges[2] = {};
  for (int32_t i = 0; i < 2; ++i) {
    sheets[i] = new TbsSkinTabSheet(this);
    sheets[i]->SetName("Page" + IntToStr(i + 1));
    sheets[i]->SetPageControl(Pages);
    sheets[i]->SetCaption(captions[i]);
    gauges[i] = new TbsSkinGauge(this);
    gauges[i]->SetName(i == 0 ? "TabSheetLoading" : "TabSheetLoading2");
    gauges[i]->SetParent(sheets[i]);
    gauges[i]->SetUseSkinSize(false);
    gauges[i]->SetBounds(0, 0, 385, 25);
    gauges[i]->SetMinValue(0);
    gauges[i]->SetMaxValue(100);
    gauges[i]->SetValue(0);
    gauges[i]->SetProgressText("Loading, please wait...");
    gauges[i]->SetShowProgressText(true);
    gauges[i]->SetShowPercent(false);
    gauges[i]->SetVisible(false);
    gauges[i]->SetSkinData(bsSkinData1);
  }
  Page1 = sheets[0];
  Page2 = sheets[1];
  TabSheetLoading = gauges[0];
  TabSheetLoading2 = gauges[1];
  Pages->SetActivePageIndex(0);
}

// Tags and captions are in place before any handler is bound.
void TBatchConvert::BindEvents() {
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnActivate = [this](TObject* S) { FormActivate(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  OnDestroy = [this](TObject* S) { FormDestroy(S); };
  OnKeyDown = [this](TObject* S, uint16_t& K, TShiftState Sh) { FormKeyDown(S, K, Sh); };
  LoadingTimer->SetOnTimer([this](TObject* S) { LoadingTimerTimer(S); });
  Pages->OnChange = [this](TObject* S) { PagesChange(S); };
  for (TMenuItem* item : SkinMenus) item->OnClick = [this](TObject* S) { SkinMenu1Click(S); };
  SkinWinBorder->OnClick = [this](TObject* S) { SkinWinBorderClick(S); };
  Help2->OnClick = [this](TObject* S) { Help2Click(S); };
  LicenseAgreement1->OnClick = [this](TObject* S) { LicenseAgreement1Click(S); };
  HomePage1->OnClick = [this](TObject* S) { HomePage1Click(S); };
  About1->OnClick = [this](TObject* S) { About1Click(S); };
  d1->OnClick = [this](TObject* S) { d1Click(S); };
  CompanyLink->OnClick = [this](TObject* S) { CompanyLinkClick(S); };
  bsSkinForm1->OnSkinMenuClose = [this](TObject* S) { bsSkinForm1SkinMenuClose(S); };
}

// ---- Creation and messages ------------------------------------------------------

void TBatchConvert::FormCreate(TObject*) {
  FLoaded = false;
  FormatSettings().DecimalSeparator = '.';
  Application->SetHintWindowClass([](TComponent* Owner) -> THintWindow* { return new TXPHintWindow(Owner); });
  Application->SetHintHidePause(60000);
  Application->SetTitle(Caption());
  FOSCode = GetOSVersionCode();
  if (FOSCode == 7)
    Guarded([&] {
      SetAlphaBlendValue(0);
      SetAlphaBlend(true);
    });
  const TSettingsFolders folders = ChooseSettingsFolder(ExecutableFolder());
  FProgramFolder = folders.ProgramFolder;
  FSettingsFolder = folders.SettingsFolder;
  FProgramSettings = LoadProgramSettings(folders);
  TProgramSettings& ps = *FProgramSettings;
  if (ps.SkinWinBorder != bsSkinData1->SkinnableForm())
    Guarded([&] { bsSkinData1->SetSkinnableForm(ps.SkinWinBorder); });
  ps.SkinNo = ps.SkinNewNo;
  const int32_t n = ps.SkinNewNo >= 1 && ps.SkinNewNo <= 10 ? ps.SkinNewNo : 1;
  SelectSkin(IntToStr(n));
}

void TBatchConvert::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_RESTOREINSTANCE: WMRestoreInstance(Message); return;
    default: TForm::Dispatch(Message);
  }
}

void TBatchConvert::WMRestoreInstance(TMessage&) {
  if (FLoaded) RestoreAndActivate();
}

// The application window of the original is the main window here.
void TBatchConvert::RestoreAndActivate() {
  Guarded([&] {
    if (HandleAllocated() && IsIconic(Handle())) Application->Restore();
    Application->BringToFront();
    if (bsSkinForm1->RolledUp()) bsSkinForm1->SetRollUpState(false);
    ForceForegroundWindow(Handle());
  });
}

void TBatchConvert::FormShow(TObject*) {
  RestoreWindowBounds();
  LoadCursors();
}

void TBatchConvert::LoadCursors() {
  struct TCursorName {
    const char* Resource;
    int32_t Number;
  };
  static const TCursorName kCursors[] = {{"crMyOpenHand", 1225}, {"crMyCloseHand", 1782}, {"crMyManifier", 1226},
                                         {"crMyManifier", 1227}, {"crMyCross", 1780},     {"crMyZoom", 1228}};
  InitMainResources();
  for (const TCursorName& c : kCursors)
    if (HCURSOR cursor = LoadCursor(nullptr, c.Resource)) Screen->SetCursors(c.Number, cursor);
}

void TBatchConvert::FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState) {
  if (Key == VK_F1) Help2Click(Sender);
}

void TBatchConvert::d1Click(TObject*) { Close(); }

void TBatchConvert::bsSkinForm1SkinMenuClose(TObject*) {
  Guarded([&] { bsSkinMainMenuBar1->UpdateItems(); });
}

// ---- Help and About --------------------------------------------------------------

void TBatchConvert::SetHelpLauncher(THelpLauncher Launcher) { HelpLauncher() = std::move(Launcher); }

void TBatchConvert::ShowHelp(const String& Topic) {
  Guarded([&] {
    const String file = FProgramFolder + kHelpFileName;
    if (!FileExists(file)) return;
    (HelpLauncher() ? HelpLauncher() : OpenHelpWithShell)(file, Topic);
  });
}

void TBatchConvert::Help2Click(TObject*) {
  const String file = FProgramFolder + kHelpFileName;
  (HelpLauncher() ? HelpLauncher() : OpenHelpWithShell)(file, String());
}

void TBatchConvert::LicenseAgreement1Click(TObject*) { ShowHelp("License.htm"); }

void TBatchConvert::HomePage1Click(TObject*) {
  Guarded([&] { ShellExecute(Handle(), "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL); });
}

void TBatchConvert::About1Click(TObject*) {
  Guarded([&] {
    std::unique_ptr<TAboutWindow> about(new TAboutWindow(this));
    about->ShowModal();
  });
}

void TBatchConvert::CompanyLinkClick(TObject* Sender) { About1Click(Sender); }

// ---- Services ----------------------------------------------------------------------

namespace {
void CenterOnMonitor(TCustomForm* Form, TMonitor* Monitor) {
  if (Monitor == nullptr) return;
  const TRect m = Monitor->BoundsRect();
  Form->SetTop(m.Top + int32_t(Round((m.Height() - Form->Height() - 25) / 2.0)));
  Form->SetLeft(m.Left + int32_t(Round((m.Width() - Form->Width()) / 2.0)));
}
}  // namespace

void TBatchConvert::CenterOnMainMonitor(TCustomForm* Form) { CenterOnMonitor(Form, Monitor()); }

void CenterOnMainMonitor(TCustomForm* Form) {
  if (TBatchConvert* window = MainWindow()) return window->CenterOnMainMonitor(Form);
  CenterOnMonitor(Form, Screen != nullptr ? Screen->PrimaryMonitor() : nullptr);
}

void TBatchConvert::SetClientSize(TCustomForm* Form, int32_t W, int32_t H) {
  Form->SetWidth(Form->Width() + W - Form->ClientWidth());
  Form->SetHeight(Form->Height() + H - Form->ClientHeight());
}

TDateTime TBatchConvert::ReadExifDate(const String& Path) { return ::ReadExifDate(Path); }

TDateTime TBatchConvert::GetPictureDate(const String& Path) { return ::GetPictureDate(Path); }

void TBatchConvert::ClearPanelButtonHover(TWinControl* Panel, int32_t Height) {
  Guarded([&] {
    if (!IsCursorOutsidePanel(Panel, Height)) return;
    for (int32_t i = 0; i < Panel->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TbsSkinSpeedButton*>(Panel->Controls(i))) b->ResetHotState();
  });
}
