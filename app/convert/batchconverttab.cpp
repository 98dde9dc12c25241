#include "app/convert/batchconverttab.h"

#include "app/convert/tabcontrols.h"
#include "app/main/browseforfolder.h"
#include "app/main/tabregistry.h"
#include "app/settings/commonclass.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "app/settings/settingsstore.h"
#include "imaging/io/codecs/gif/lzw/iegiflzw.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/ielzwhooks.h"
#include "imaging/io/metadata/exifreader.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview.h"
#include "platform/rtl/files.h"
#include "platform/shellapi/shellui.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/menus.h"
#include "shell/imagelists.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinspinedit.h"

namespace {

TInputTabSwitches ConvertSwitches() {
  TInputTabSwitches s;
  s.KnownExtensions = ConvertKnownExtensions();
  return s;
}

const char* const kOutputFormats[] = {"JPEG (*.jpg)", "BMP (*.bmp)",       "GIF (*.gif)",
                                      "PNG (*.png)",  "JPEG 2000 (*.jp2)", "TIFF (*.tif)"};

}  // namespace

TBatchConvertTab::TBatchConvertTab(TComponent* AOwner, TWinControl* AParent)
    : TInputTabBase(AOwner, AParent, ConvertSwitches()) {
  Guarded([&] {
    SetTexts();
    BuildOutputControls();
    FExifReader = std::make_unique<TimgData>();
    // The library's start-up installed these already; the tab relies on them.
    IEGIFLZWDecoderHook = IEGIFLZWDecode;
    IEGIFLZWEncoderHook = IEGIFLZWEncode;
    IEInstallTIFFLZWHooks();
    FTextLines = std::make_unique<TStringList>();
    BindSharedEvents();
    BindOutputEvents();
  });
}

TBatchConvertTab::~TBatchConvertTab() = default;

void TBatchConvertTab::SetTexts() {
  static const char* const kTexts[] = {
      "The file \"%1%\" is already in the input list.\r\rReplace it?",
      "The name cannot be used: it may not contain \"/\" or \"\\\", repeat the name of another item or change "
      "the extension.",
      "Select one or more files or folders on the left first.",
      "Characters of the pattern:\r  #  one digit of the counter\r  *  the name of the source file\r  $P  the "
      "name of the parent folder\r  $Y $M $D  year, month and day\r  $H $N $S  hour, minute and second\r\r"
      "Examples:\r  Image#####  gives Image00032.jpg for the 32nd picture\r  $P_#####  gives ABC_00032.jpg in "
      "folder ABC\r  $Y-$M-$D_#####  gives 2004-09-30_00032.jpg for a picture taken 2004/09/30\r  *_tn  turns "
      "x.jpg into x_tn.jpg",
      "The file \"%1%\" exists.\r\rOverwrite it?",
      "The input list is empty.",
      "No output folder is given.",
      "The output folder \"%1%\" does not exist.\r\rCreate it?",
      "The folder cannot be created.",
      "The pattern needs at least one \"#\" or \"*\".",
      "Convert the files of the input list?",
      "Adding to the input list...",
      "Processing",
      "Does not exist",
      "Cancelled",
      "Skipped",
      "Format not recognised",
      "Replaced",
      "Done",
      "%1% files",
      "Choose the output folder",
      "Failed",
      "%1% folders",
      "The outputs go to the folders of their sources."};
  for (int32_t i = 0; i < int32_t(std::size(kTexts)); ++i) MyStringCollection->SetS(i + 1, kTexts[i]);
}

void TBatchConvertTab::BuildOutputControls() {
  using namespace tabcontrols;
  OutputFormat = Make<TbsSkinComboBox>(this, PP2, "OutputFormat", 8, 4, 150, 22);
  for (const char* f : kOutputFormats) OutputFormat->Items()->Add(f);
  OutputFormat->SetItemIndex(0);
  bsSkinButton3 = MakeButton(this, PP2, "bsSkinButton3", "Options...", 164, 3, 80, 23);
  ChkSaveInSameFolder = MakeCheck(this, PP2, "ChkSaveInSameFolder", "Output folder:", 8, 28, 200);
  ChkSaveInSameFolder->SetChecked(true);
  OutputFolder = Make<TbsSkinCustomEdit>(this, PP2, "OutputFolder", 24, 49, 300, 21);
  BntSelectFolder = MakeButton(this, PP2, "BntSelectFolder", "...", 328, 49, 25, 21);
  BntSelectFolder->SetHint(MyStringCollection->S(21));
  OriFolderTips =
      MakeLabel(this, PP2, "OriFolderTips", "Outputs go beside their sources and may overwrite them.", 24, 52);
  OriFolderTips->SetVisible(false);
  ChkFolderStructure = MakeCheck(this, PP2, "ChkFolderStructure", "Keep the folder structure", 24, 72, 250);
  ChkFolderStructure->SetChecked(true);
  ChkAdvancedOptions = MakeCheck(this, PP2, "ChkAdvancedOptions", "Advanced options", 8, 93, 160);
  BntAdvancedOptions = MakeButton(this, PP2, "BntAdvancedOptions", "Edit...", 172, 92, 70, 22);
  BntAdvancedOptions->SetVisible(false);
  ChkRename = MakeCheck(this, PP2, "ChkRename", "Rename:", 8, 115, 76);
  NameEdit = Make<TbsSkinComboBox>(this, PP2, "NameEdit", 86, 115, 100, 22);
  NameEdit->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  for (const char* p : {"Image#####", "$P_#####", "$Y-$M-$D_#####", "*_tn"}) NameEdit->Items()->Add(p);
  NameEdit->SetText("Image#####");
  NameEdit->SetHint("The name pattern of the outputs");
  NameEdit->SetShowHint(true);
  StartFromNO = Make<TbsSkinSpinEdit>(this, PP2, "StartFromNO", 190, 115, 54, 21);
  StartFromNO->SetMinValue(0);
  StartFromNO->SetMaxValue(100000);
  StartFromNO->SetValue(1);
  StartFromNO->SetHint("The first number of the counter");
  StartFromNO->SetShowHint(true);
  StartFromNO->SetVisible(false);
  BntRename = MakeButton(this, PP2, "BntRename", "?", 248, 115, 22, 21);
  CaseLabel = MakeLabel(this, PP2, "CaseLabel", "Ext.:", 276, 118);
  CaseList = Make<TbsSkinComboBox>(this, PP2, "CaseList", 306, 115, 70, 22);
  for (const char* c : {"lower", "UPPER"}) CaseList->Items()->Add(c);
  CaseList->SetItemIndex(0);
  for (TControl* c : std::initializer_list<TControl*>{NameEdit, BntRename, CaseLabel, CaseList}) c->SetVisible(false);
  ContinueSN = MakeCheck(this, PP2, "ContinueSN", "Count on across folders", 24, 139, 250);
  ContinueSN->SetVisible(false);
  ChkKeepDataTime = MakeCheck(this, PP2, "ChkKeepDataTime", "Keep the file date", 8, 139, 250);
  ChkKeepDataTime->SetChecked(true);
  BntAsk = MakeCheck(this, PP2, "BntAsk", "Ask before overwriting", 8, 163, 250);
  BntAsk->SetChecked(true);

  Img = Make<TImgView>(this, this, "Img", 0, 0, 64, 64);
  Img->SetVisible(false);
  Img->GetImageProc()->SetAutoUndo(false);
  Img->GetImageProc()->SetUndoLimit(1);
  Img->SelectionBase = TIESelectionBase::iesbBitmap;
  ImgViewTemp = Make<TImgView>(this, this, "ImgViewTemp", 0, 0, 64, 64);
  ImgViewTemp->SetVisible(false);

  Preview1 = AddMenuItem(this, TreeViewMenu, "Preview1", "Preview");
  CreateFolder1 = AddMenuItem(this, TreeViewMenu, "CreateFolder1", "New folder");
  // The menu reads: preview, new folder, then remove and remove all.
  TreeViewMenu->Items()->Remove(Preview1);
  TreeViewMenu->Items()->Remove(CreateFolder1);
  TreeViewMenu->Items()->Insert(0, Preview1);
  TreeViewMenu->Items()->Insert(1, CreateFolder1);
}

void TBatchConvertTab::BindOutputEvents() {
  ChkSaveInSameFolder->OnClick = [this](TObject* s) { ChkSaveInSameFolderClick(s); };
  ChkAdvancedOptions->OnClick = [this](TObject* s) { ChkAdvancedOptionsClick(s); };
  BntAdvancedOptions->OnClick = [this](TObject* s) { BntAdvancedOptionsClick(s); };
  ChkRename->OnClick = [this](TObject* s) { ChkRenameClick(s); };
  ContinueSN->OnClick = [this](TObject* s) { ContinueSNClick(s); };
  bsSkinButton3->OnClick = [this](TObject* s) { bsSkinButton3Click(s); };
  NameEdit->OnChange = [this](TObject* s) { NameEditChange(s); };
  BntRename->OnClick = [this](TObject* s) { BntRenameClick(s); };
  BntSelectFolder->OnClick = [this](TObject* s) { BntSelectFolderClick(s); };
  BntStart->OnClick = [this](TObject* s) { BntStartClick(s); };
  BntPreview->OnClick = [this](TObject* s) { BntPreviewClick(s); };
  Preview1->OnClick = [this](TObject* s) { Preview1Click(s); };
  CreateFolder1->OnClick = [this](TObject* s) { CreateFolder1Click(s); };
  TreeView->OnDblClick = [this](TObject* s) { TreeViewDblClick(s); };
  PP3->OnResize = [this](TObject* s) { PP3Resize(s); };
}

// ---- Counts and what they show ------------------------------------------------------

void TBatchConvertTab::DisplayFileNumberTimerTimer(TObject*) {
  Guarded([&] {
    ShowCounts();
    ChkFolderStructure->SetVisible(FFolderCount > 0 && ChkSaveInSameFolder->Checked());
    ContinueSN->SetVisible(ChkRename->Checked() && FFolderCount > 0 && NameEdit->Text().find('#') != String::npos);
    ChkKeepDataTime->SetTop(ContinueSN->Visible() ? ContinueSN->Top() + 24 : ContinueSN->Top());
    BntAsk->SetTop(ChkKeepDataTime->Top() + 24);
  });
}

void TBatchConvertTab::ChkSaveInSameFolderClick(TObject*) {
  Guarded([&] {
    const bool toFolder = ChkSaveInSameFolder->Checked();
    OutputFolder->SetVisible(toFolder);
    BntSelectFolder->SetVisible(toFolder);
    OriFolderTips->SetVisible(!toFolder);
    ChkFolderStructure->SetVisible(toFolder && FFolderCount > 0);
  });
}

void TBatchConvertTab::ChkRenameClick(TObject*) {
  Guarded([&] {
    const bool on = ChkRename->Checked();
    for (TControl* c : std::initializer_list<TControl*>{NameEdit, BntRename, CaseLabel, CaseList}) c->SetVisible(on);
    NameEditChange(this);
    DisplayFileNumberTimerTimer(this);
  });
}

void TBatchConvertTab::ContinueSNClick(TObject*) {
  if (FSettings != nullptr) FSettings->ContinueSN = ContinueSN->Checked();
}

void TBatchConvertTab::CreateFolder1Click(TObject*) {
  Guarded([&] {
    FTargetNode = AddTarget();
    auto* rec = new TMyFileObject();
    rec->Name = UniqueNewFolderName(FTargetNode);
    rec->Path = rec->Name;
    rec->IsFolder = true;
    TTreeNode* node = TreeView->Items()->AddChildObject(FTargetNode, rec->Name, rec);
    const int32_t icon = IconOf(ExecutableFolder());
    node->SetImageIndex(icon);
    node->SetSelectedIndex(icon);
    if (FTargetNode != nullptr) FTargetNode->Expand(false);
    ++FFolderCount;
    TreeView->SetShowRoot(true);
    TreeView->SetShowLines(true);
    node->EditText();
  });
}

void TBatchConvertTab::TreeViewDblClick(TObject* Sender) {
  Guarded([&] {
    TMyFileObject* rec = Record(TreeView->Selected());
    if (TreeView->Items()->Count() > 0 && rec != nullptr && !rec->IsFolder) Preview1Click(Sender);
  });
}

void TBatchConvertTab::BntSelectFolderClick(TObject*) {
  Guarded([&] {
    const String current = Trim(OutputFolder->Text());
    const String chosen = ChooseFolder(BntSelectFolder->Hint(), DirectoryExists(current) ? current : String(), false);
    if (!chosen.empty()) OutputFolder->SetText(chosen);
  });
}

void TBatchConvertTab::PP3Resize(TObject*) {
  Guarded([&] { TreeView->SetHeight(std::max(30, PP3->Height() - 50)); });
}

// ---- Settings --------------------------------------------------------------------------

void TBatchConvertTab::LoadControls(TPictovalSettings& S) {
  FSettings = &S;
  if (S.OutputFormat >= 0 && S.OutputFormat < OutputFormat->Items()->Count())
    OutputFormat->SetItemIndex(S.OutputFormat);
  if (!S.OutputFolder.empty() && DirectoryExists(S.OutputFolder)) OutputFolder->SetText(S.OutputFolder);
  ChkSaveInSameFolder->SetChecked(!S.SaveInSameFolder);
  ChkFolderStructure->SetChecked(S.UsefolderStructure);
  ChkAdvancedOptions->SetChecked(S.UseAdvancedOptions);
  ChkRename->SetChecked(S.UseRename);
  NameEdit->SetText(UTF16ToUTF8(S.RenameFormatString));
  if (S.CaseNo >= 0 && S.CaseNo < CaseList->Items()->Count()) CaseList->SetItemIndex(S.CaseNo);
  BntAsk->SetChecked(S.AskBeforeOverwrite);
  ChkKeepDataTime->SetChecked(S.KeepOriginalDate);
  ChkPreview->SetChecked(S.MainPreviewEnabled);
}

void TBatchConvertTab::StoreControls(TPictovalSettings& S) {
  S.OutputFormat = OutputFormat->ItemIndex();
  const String folder = Trim(OutputFolder->Text());
  S.OutputFolder = !folder.empty() && DirectoryExists(folder) ? folder : String();
  S.SaveInSameFolder = !ChkSaveInSameFolder->Checked();
  S.UsefolderStructure = ChkFolderStructure->Checked();
  S.UseAdvancedOptions = ChkAdvancedOptions->Checked();
  S.UseRename = ChkRename->Checked();
  S.RenameFormatString = UTF8ToUTF16(NameEdit->Text());
  S.CaseNo = CaseList->ItemIndex();
  S.AskBeforeOverwrite = BntAsk->Checked();
  S.KeepOriginalDate = ChkKeepDataTime->Checked();
}

void TBatchConvertTab::SetPlainButtonsSkin(TbsSkinData* SkinData) { BntRename->SetSkinData(SkinData); }

void TBatchConvertTab::FinishLoading() {
  TInputTabBase::FinishLoading();
  SHAutoComplete(OutputFolder->Handle(), SHACF_FILESYS_DIRS);
}

void RegisterBatchConvertTab() {
  RegisterTabFactory(
      0, [](TComponent* Owner, TWinControl* Parent) -> TFrame* { return new TBatchConvertTab(Owner, Parent); });
}
