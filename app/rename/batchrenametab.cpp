#include "app/rename/batchrenametab.h"

#include <algorithm>

#include "app/convert/tabcontrols.h"
#include "app/main/bconvert.h"
#include "platform/rtl/arith.h"
#include "skin/controls/skinpagecontrol.h"
#include "app/main/tabregistry.h"
#include "app/settings/commonclass.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "app/settings/settingsstore.h"
#include "imaging/io/codecs/gif/lzw/iegiflzw.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/ielzwhooks.h"
#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_treeview.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinspinedit.h"

namespace {

// Camera RAW files are renamed too.
const char* const kRenameExtensions[] = {".JPG", ".JPEG", ".BMP", ".GIF", ".TIF", ".TIFF", ".PNG", ".PCX", ".WMF",
                                         ".ICO", ".JP2",  ".J2K", ".TGA", ".PSD", ".CRW",  ".NEF", ".CR2", ".RAF",
                                         ".ORF", ".DNG",  ".MRW", ".PEF", ".SRF", ".ARW",  ".RW2", ".X3F"};

TInputTabSwitches RenameSwitches() {
  TInputTabSwitches s;
  s.KnownExtensions.assign(std::begin(kRenameExtensions), std::end(kRenameExtensions));
  s.FolderEditing = false;
  s.DropIntoFolder = false;
  s.ClearAfterRun = true;
  s.QuietTreeWhileAdding = true;
  s.AddingText = 9;
  s.FilesText = 8;
  s.FoldersText = 10;
  s.DuplicateText = 1;
  s.NoSelectionText = 3;
  s.RenameRefusedText = 2;
  return s;
}

constexpr int32_t kTabWidth = 853, kTabHeight = 491, kListWidth = 353, kSettingsHeight = 183;
constexpr int32_t kSkinWithGreyEdits = 10;

}  // namespace

TBatchRenameTab::TBatchRenameTab(TComponent* AOwner, TWinControl* AParent)
    : TInputTabBase(AOwner, AParent, RenameSwitches()) {
  FHost = dynamic_cast<TBatchConvert*>(AOwner);
  Guarded([&] {
    SetName("BatchRenameTab");
    SetTexts();
    BuildRenameControls();
    PlaceForRename();
    IEGIFLZWDecoderHook = IEGIFLZWDecode;
    IEGIFLZWEncoderHook = IEGIFLZWEncode;
    IEInstallTIFFLZWHooks();
    ApplySkinColours(FHost != nullptr ? FHost->ProgramSettings().SkinNewNo : 1);
    BindSharedEvents();
    BindRenameEvents();
    BindEngine();
    ChkFileTemplateClick(ChkFileTemplate);
  });
}

TBatchRenameTab::~TBatchRenameTab() = default;

void TBatchRenameTab::SetTexts() {
  static const char* const kTexts[] = {
      "The file \"%1%\" is already in the input list.\r\rReplace it?",
      "",
      "Select one or more files or folders on the left first.",
      "Characters of the template:\r  #  one digit of the counter\r  *  the name of the file\r  $P  the name of "
      "the parent folder\r  $Y $M $D  year, month and day\r  $H $N $S  hour, minute and second\r\rExamples:\r"
      "  Image#####  gives Image00032.jpg for the 32nd picture\r  $P_#####  gives ABC_00032.jpg in folder ABC\r"
      "  $Y-$M-$D_#####  gives 2004-09-30_00032.jpg for a picture taken 2004/09/30\r  *_tn  turns x.jpg into "
      "x_tn.jpg",
      "The input list is empty.",
      "The template needs at least one \"#\" or \"*\".",
      "Rename the files of the input list?",
      "%1% files",
      "Adding to the input list...",
      "%1% folders",
      "Enter the text to find first.",
      "Find %1% and replace it with %2%",
      "Building the preview list...",
      "Renamed",
      "Failed",
      "Unchanged",
      "Exists, skipped"};
  for (int32_t i = 0; i < int32_t(std::size(kTexts)); ++i) MyStringCollection->SetS(i + 1, kTexts[i]);
}

// ---- Building -------------------------------------------------------------------------

void TBatchRenameTab::BuildRenameControls() {
  using namespace tabcontrols;
  ChkFileTemplate = MakeCheck(this, PP3, "ChkFileTemplate", "Name template", 8, 0, 140);
  ChkReplace = MakeCheck(this, PP3, "ChkReplace", "Find and replace", 160, 0, 160);
  for (TbsSkinCheckRadioBox* r : {ChkFileTemplate, ChkReplace}) {
    r->SetRadio(true);
    r->SetSkinDataName("radiobox");
    r->SetGroupIndex(1);
  }
  ChkFileTemplate->SetChecked(true);
  BuildTemplateControls();
  BuildReplaceControls();
}

void TBatchRenameTab::BuildTemplateControls() {
  using namespace tabcontrols;
  Label3 = MakeLabel(this, PP2, "Label3", "Template:", 8, 10);
  NameEdit = Make<TbsSkinComboBox>(this, PP2, "NameEdit", 74, 6, 150, 21);
  NameEdit->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  for (const char* p : {"Image#####", "$P_#####", "$Y-$M-$D_#####", "*_tn"}) NameEdit->Items()->Add(p);
  NameEdit->SetText("Image#####");
  StartFromNO = Make<TbsSkinSpinEdit>(this, PP2, "StartFromNO", 228, 6, 64, 21);
  StartFromNO->SetMinValue(0);
  StartFromNO->SetMaxValue(100000);
  StartFromNO->SetValue(1);
  StartFromNO->SetHint("The number of the first file");
  StartFromNO->SetShowHint(true);
  BntRename = MakeButton(this, PP2, "BntRename", "?", 294, 6, 22, 21);
  CaseLabel = MakeLabel(this, PP2, "CaseLabel", "Extension:", 8, 38);
  CaseList = Make<TbsSkinComboBox>(this, PP2, "CaseList", 74, 34, 120, 21);
  for (const char* c : {"Unchanged", "Lower case", "Upper case"}) CaseList->Items()->Add(c);
  CaseList->SetItemIndex(0);
  ContinueSN = MakeCheck(this, PP2, "ContinueSN", "Count on across folders", 8, 60, 250);
  ContinueSN->SetVisible(false);
  Label4 = MakeLabel(this, PP2, "Label4", "#  counter      *  file name      $P  parent folder", 8, 88);
  Label5 = MakeLabel(this, PP2, "Label5", "$Y $M $D  date taken      $H $N $S  time", 8, 104);
}

void TBatchRenameTab::BuildReplaceControls() {
  using namespace tabcontrols;
  static const char* const kNames[3][4] = {
      {"TX1", "SF1", "RW1", "RS1"}, {"TX2", "SF2", "RW2", "RS2"}, {"TX3", "SF3", "RW3", "RS3"}};
  Label2 = MakeLabel(this, PP2, "Label2", "Find", 26, 8);
  Label7 = MakeLabel(this, PP2, "Label7", "Replace with", 178, 8);
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t y = 26 + 26 * i;
    TX[i] = MakeLabel(this, PP2, kNames[i][0], IntToStr(i + 1) + ".", 8, y + 3);
    SF[i] = Make<TbsSkinCustomEdit>(this, PP2, kNames[i][1], 24, y, 148, 21);
    RW[i] = Make<TbsSkinCustomEdit>(this, PP2, kNames[i][2], 176, y, 148, 21);
    RS[i] = MakeButton(this, PP2, kNames[i][3], "x", 328, y, 21, 21);
    SF[i]->SetText(String());
    RW[i]->SetText(String());
  }
  ChkSearchCase = MakeCheck(this, PP2, "ChkSearchCase", "Match case", 24, 106, 200);
  for (TControl* c : std::initializer_list<TControl*>{Label2, Label7, TX[0], TX[1], TX[2], SF[0], SF[1], SF[2], RW[0],
                                                      RW[1], RW[2], RS[0], RS[1], RS[2], ChkSearchCase})
    c->SetVisible(false);
}

// The shared controls stand where the convert tab has them; this tab is taller
// and its settings area lower.
void TBatchRenameTab::PlaceForRename() {
  SetBounds(0, 0, kTabWidth, kTabHeight);
  PP1->SetBounds(0, 0, kListWidth, kTabHeight);
  PP0->SetBounds(kListWidth, 0, 500, kTabHeight);
  PP3->SetBounds(0, 0, 500, kTabHeight - kSettingsHeight);
  PP2->SetBounds(0, kTabHeight - kSettingsHeight, 500, kSettingsHeight);
  // The list side takes what the page gives beyond the fixed right side.
  PP0->SetAlign(TAlign::alRight);
  PP2->SetAlign(TAlign::alBottom);
  PP3->SetAlign(TAlign::alClient);
  PP1->SetAlign(TAlign::alClient);
  ChkPreview->SetTop(126);
  BntStart->SetBounds(388, 150, 105, 26);
  BntPreview->SetBounds(200, 150, 90, 26);
  BntPreview->SetCaption("Preview");
  BntPreview->SetHint("Rename preview");
  BntClose->SetBounds(294, 150, 90, 26);
  PP1Resize(PP1);
  PP3Resize(PP3);
}

void TBatchRenameTab::ApplySkinColours(int32_t SkinNo) {
  const bool grey = SkinNo == kSkinWithGreyEdits;
  Label4->Font()->SetColor(grey ? clBlack : TColor(RGB(89, 89, 89)));
  Label5->Font()->SetColor(Label4->Font()->Color());
  const TColor edit = grey ? TColor(RGB(240, 240, 240)) : clWhite;
  for (int32_t i = 0; i < 3; ++i) {
    SF[i]->SetColor(edit);
    RW[i]->SetColor(edit);
  }
}

void TBatchRenameTab::BindRenameEvents() {
  ChkFileTemplate->OnClick = [this](TObject* s) { ChkFileTemplateClick(s); };
  ChkReplace->OnClick = [this](TObject* s) { ChkFileTemplateClick(s); };
  NameEdit->OnChange = [this](TObject* s) { NameEditChange(s); };
  BntRename->OnClick = [this](TObject* s) { BntRenameClick(s); };
  for (int32_t i = 0; i < 3; ++i) {
    SF[i]->OnChange = [this, i](TObject*) { SFChange(i); };
    RS[i]->OnClick = [this, i](TObject*) { RSClick(i); };
  }
  BntStart->OnClick = [this](TObject* s) { BntStartClick(s); };
  BntPreview->OnClick = [this](TObject* s) { BntStartClick(s); };
  PP3->OnResize = [this](TObject* s) { PP3Resize(s); };
}

void TBatchRenameTab::BindEngine() {
  TRenameHost& h = FEngine.Host;
  h.Tree = TreeView;
  h.MainForm = FHost;
  h.Messager = Messager;
  h.Progress = ProgressDialog;
  h.ReadSettings = [this] { return NamingSettings(); };
  h.FocusTemplate = [this] {
    if (NameEdit->Visible()) SafeFocus(NameEdit);
  };
  h.FocusFind = [this] {
    if (SF[0]->Visible()) SafeFocus(SF[0]);
  };
  h.Repaint = [this] { Repaint(); };
  h.ClearInput = [this] { BntClearClick(this); };
  h.RefreshList = [this] { ShellList->Populate(); };
}

// ---- The main window --------------------------------------------------------------------

void TBatchRenameTab::SetMainForm(TBatchConvert* Form) {
  FHost = Form;
  FEngine.Host.MainForm = Form;
  TInputTabBase::SetMainForm(Form);
}

void TBatchRenameTab::SetSkinData(TbsSkinData* Skin) {
  TInputTabBase::SetSkinData(Skin);
  FEngine.Host.SkinData = Skin;
}

void TBatchRenameTab::LoadControls(TPictovalSettings& Settings) {
  SetLiveSettings(&Settings);
  NameEdit->SetText(UTF16ToUTF8(Settings.RenameFormatString2));
  ContinueSN->SetChecked(Settings.ContinueSN);
  if (Settings.CaseNo2 >= 0 && Settings.CaseNo2 < CaseList->Items()->Count()) CaseList->SetItemIndex(Settings.CaseNo2);
  ChkPreview->SetChecked(Settings.MainPreviewEnabled);
  NameEditChange(NameEdit);
}

void TBatchRenameTab::StoreControls(TPictovalSettings& Settings) {
  Settings.RenameFormatString2 = UTF8ToUTF16(NameEdit->Text());
  Settings.ContinueSN = ContinueSN->Checked();
  Settings.CaseNo2 = CaseList->ItemIndex();
}

void TBatchRenameTab::SetPlainButtonsSkin(TbsSkinData* SkinData) {
  BntRename->SetSkinData(SkinData);
  for (TbsSkinButton* b : RS) b->SetSkinData(SkinData);
}

// ---- The rename run ---------------------------------------------------------------------

TRenameSettings TBatchRenameTab::NamingSettings() {
  TRenameSettings s;
  s.TemplateMode = !ChkReplace->Checked();
  s.Template = NameEdit->Text();
  s.StartFrom = int32_t(Round(StartFromNO->Value()));
  s.ContinueSN = ContinueSN->Checked();
  s.CaseIndex = CaseList->ItemIndex();
  for (int32_t i = 0; i < 3; ++i) {
    s.Find[i] = SF[i]->Text();
    s.Replace[i] = RW[i]->Text();
  }
  s.MatchCase = ChkSearchCase->Checked();
  return s;
}

void TBatchRenameTab::BntStartClick(TObject* Sender) {
  TRenameTexts& t = FEngine.Texts;
  const TMyStringCollection30& m = *MyStringCollection;
  t = TRenameTexts{m.S(5), m.S(6), m.S(7), m.S(8), m.S(11), m.S(12), m.S(13), m.S(14), m.S(15), m.S(16), m.S(17)};
  FEngine.Host.PreviewCaption = BntPreview->Hint();
  FEngine.StartClick(Sender == BntPreview);
}

// ---- Naming controls ----------------------------------------------------------------------

bool TBatchRenameTab::TemplateHasCounter() { return NameEdit->Text().find('#') != String::npos; }

void TBatchRenameTab::DisplayFileNumberTimerTimer(TObject*) {
  Guarded([&] {
    ShowCounts();
    ContinueSN->SetVisible(ChkFileTemplate->Checked() && FFolderCount > 0 && TemplateHasCounter());
  });
}

void TBatchRenameTab::ChkFileTemplateClick(TObject*) {
  Guarded([&] {
    const bool byTemplate = ChkFileTemplate->Checked();
    for (TControl* c :
         std::initializer_list<TControl*>{NameEdit, Label3, BntRename, CaseLabel, CaseList, Label4, Label5})
      c->SetVisible(byTemplate);
    StartFromNO->SetVisible(byTemplate && TemplateHasCounter());
    ContinueSN->SetVisible(byTemplate && FFolderCount > 0);
    for (TControl* c : std::initializer_list<TControl*>{Label2, Label7, ChkSearchCase}) c->SetVisible(!byTemplate);
    for (int32_t i = 0; i < 3; ++i) {
      TX[i]->SetVisible(!byTemplate);
      SF[i]->SetVisible(!byTemplate);
      RW[i]->SetVisible(!byTemplate);
      RS[i]->SetVisible(!byTemplate && !SF[i]->Text().empty());
    }
    if (!byTemplate) SafeFocus(SF[0]);
  });
}

void TBatchRenameTab::NameEditChange(TObject*) {
  Guarded([&] {
    StartFromNO->SetVisible(ChkFileTemplate->Checked() && TemplateHasCounter());
    BntRename->SetLeft(StartFromNO->Visible() ? StartFromNO->Left() + StartFromNO->Width() + 2 : StartFromNO->Left());
    DisplayFileNumberTimerTimer(this);
  });
}

void TBatchRenameTab::SFChange(int32_t Pair) {
  Guarded([&] {
    const bool given = !SF[Pair]->Text().empty();
    TFontStyles style;
    if (given) style.Include(TFontStyle::fsBold);
    TX[Pair]->Font()->SetStyle(style);
    RS[Pair]->SetVisible(ChkReplace->Checked() && given);
  });
}

void TBatchRenameTab::RSClick(int32_t Pair) {
  Guarded([&] {
    SF[Pair]->SetText(String());
    RW[Pair]->SetText(String());
    RS[Pair]->SetVisible(false);
    SafeFocus(SF[Pair]);
  });
}

void TBatchRenameTab::BntRenameClick(TObject*) {
  Guarded([&] { Ask(4, String(), TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK}); });
}

void TBatchRenameTab::PP3Resize(TObject*) {
  Guarded([&] {
    const int32_t h = PP3->Height();
    ChkFileTemplate->SetTop(h - 25);
    ChkReplace->SetTop(h - 25);
    TreeView->SetHeight(std::max(30, h - 77));
  });
}

void RegisterBatchRenameTab() {
  RegisterTabFactory(
      1, [](TComponent* Owner, TWinControl* Parent) -> TFrame* { return new TBatchRenameTab(Owner, Parent); });
}
