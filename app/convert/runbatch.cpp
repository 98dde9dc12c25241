#include "app/convert/runbatch.h"

#include <sys/stat.h>

#include "app/convert/batchconverttab.h"
#include "app/convert/convertdialog.h"
#include "app/convert/convertfile.h"
#include "app/convert/outputnaming.h"
#include "app/convert/stringcollection.h"
#include "app/main/bconvert.h"
#include "app/settings/fileobject.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "shell/shelllist.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinspinedit.h"

bool TBatchRunner::Cancelled() const { return FConverter.Dialog != nullptr && FConverter.Dialog->Cancelled(); }

void TBatchRunner::ResetCounter() {
  if (!FOptions.ContinueSN) FCounter = FOptions.StartFromNO - 1;
}

void TBatchRunner::RunBatch(TTreeView* Tree, const TBatchRunOptions& Options) {
  try {
    FOptions = Options;
    FConverter.OverwriteAnswer = 0;
    FConverter.BesideSource = Options.BesideSource;
    FCounter = Options.StartFromNO - 1;
    FOptions.OutputFolder = Options.BesideSource ? String() : AddTrailingBackslash(Options.OutputFolder);
    FConverter.Lossless = CheckLosslessOnly ? CheckLosslessOnly() : false;
    ConvertLevel(Tree->Items()->GetFirstNode(), String());
  } catch (...) {
  }
}

void TBatchRunner::ConvertFolderNode(TTreeNode* Node, const String& RelPath) {
  ConvertLevel(Node->GetFirstChild(), RelPath);
}

void TBatchRunner::ConvertLevel(TTreeNode* First, const String& RelPath) {
  for (TTreeNode* n = First; n != nullptr; n = n->GetNextSibling()) {
    if (Cancelled()) return;
    if (Application != nullptr) Application->ProcessMessages();
    const auto* r = static_cast<const TMyFileObject*>(n->Data());
    if (r == nullptr) continue;
    if (r->IsFolder)
      ConvertFolderEntry(n, RelPath.empty() ? r->Name : RelPath + "/" + r->Name);
    else
      ConvertFileEntry(r, RelPath);
  }
}

// Numbering starts again around a folder whose outputs are kept apart (the
// structure, or beside the sources); into one flat folder it runs on.
void TBatchRunner::ConvertFolderEntry(TTreeNode* Node, const String& RelPath) {
  if (FOptions.BesideSource || !FOptions.FolderStructure) {
    if (FOptions.BesideSource) ResetCounter();
    ConvertFolderNode(Node, RelPath);
    if (FOptions.BesideSource) ResetCounter();
    return;
  }
  const String folder = FOptions.OutputFolder + RelPath;
  if (!DirectoryExists(folder)) ::mkdir(folder.c_str(), 0777);
  ResetCounter();
  if (DirectoryExists(folder))
    ConvertFolderNode(Node, RelPath);
  else
    ReportUnconverted(Node);
  ResetCounter();
}

void TBatchRunner::ConvertFileEntry(const TMyFileObject* Record, const String& RelPath) {
  const String name = FOptions.Rename ? BuildOutputName(Record->Path, FOptions.Pattern, FCounter, FOptions.OutputFormat,
                                                        FOptions.CaseIndex)
                                      : PlainOutputName(Record->Name, FOptions.OutputFormat);
  const bool below = !FOptions.BesideSource && FOptions.FolderStructure && !RelPath.empty();
  const String destination = FOptions.OutputFolder + (below ? RelPath + "/" : String()) + name;
  try {
    if (ConvertFile)
      ConvertFile(Record->Path, destination);
    else
      FConverter.ConvertFile(Record->Path, destination, false, nullptr, nullptr);
  } catch (...) {
  }
}

// The files of a folder that could not be made are reported as failed, so
// the rows, the gauge and the totals account for every file.
void TBatchRunner::ReportUnconverted(TTreeNode* Node) {
  TBatchConvertDialog* d = FConverter.Dialog;
  for (TTreeNode* n = Node->GetFirstChild(); n != nullptr && d != nullptr; n = n->GetNextSibling()) {
    const auto* r = static_cast<const TMyFileObject*>(n->Data());
    if (r == nullptr) continue;
    if (r->IsFolder) {
      ReportUnconverted(n);
      continue;
    }
    d->AddFileRow(crSkippedOrFailed, r->Path, String(), FConverter.Text(ctProcessing));
    d->ReportFileResult(crSkippedOrFailed, r->Path, String(), FConverter.Text(ctFailed), r->Size, 0);
  }
}

// ---- The tab's side ----------------------------------------------------------

void TBatchConvertTab::RunBatch() {
  FOverwriteAnswer = 0;
  FLossless = false;  // the lossless road comes with the advanced options
  TFileConverter& c = Converter();
  c.Dialog = FConvertDialog;
  if (!FRunner) FRunner = std::make_unique<TBatchRunner>(c);
  FRunner->ConvertFile = [this](const String& Source, const String& Destination) {
    ConvertFile(Source, Destination, false, nullptr, nullptr);
  };
  TBatchRunOptions o;
  o.BesideSource = FBesideSource;
  o.OutputFolder = FOutputFolder;
  o.FolderStructure = ChkFolderStructure->Checked();
  o.ContinueSN = ContinueSN->Checked();
  o.StartFromNO = int32_t(Round(StartFromNO->Value()));
  o.Rename = ChkRename->Checked();
  o.Pattern = NameEdit->Text();
  o.CaseIndex = CaseList->ItemIndex();
  o.OutputFormat = OutputFormat->ItemIndex();
  FRunner->RunBatch(TreeView, o);
  FCounter = FRunner->Counter();
  FOutputFolder = FRunner->OutputFolder();
}

void TBatchConvertTab::ConvertFolderNode(TTreeNode* Node, const String& RelPath) {
  if (FRunner) FRunner->ConvertFolderNode(Node, RelPath);
}

namespace {

constexpr int32_t kEmptyList = 6, kNoOutputFolder = 7, kCreateFolder = 8, kCreateFailed = 9, kPatternNeeds = 10;
const char* const kPatternSeparator = "The naming pattern may not contain / or \\.";

}  // namespace

// The checks of the Start button; false stops with the focus on the control
// to correct.
bool TBatchConvertTab::CheckStart() {
  const TMsgDlgButtons ok{TMsgDlgBtn::mbOK};
  FBesideSource = !ChkSaveInSameFolder->Checked();
  if (FFileCount <= 0) {
    Ask(kEmptyList, String(), TMsgDlgType::mtInformation, ok);
    return false;
  }
  FOutputFolder = Trim(OutputFolder->Text());
  if (!FBesideSource) {
    if (FOutputFolder.empty()) {
      Ask(kNoOutputFolder, String(), TMsgDlgType::mtInformation, ok);
      SafeFocus(OutputFolder);
      return false;
    }
    const String listFolder = ShellList->GetPath();
    if (!listFolder.empty() && DirectoryExists(listFolder)) {
      FOutputFolder = ExpandRelativeFolder(listFolder, FOutputFolder);
      OutputFolder->SetText(FOutputFolder);
    }
    if (!DirectoryExists(FOutputFolder) && !CreateOutputFolder()) {
      SafeFocus(OutputFolder);
      return false;
    }
  }
  if (!ChkRename->Checked()) return true;
  const String pattern = NameEdit->Text();
  // A separator would write outside the output folder.
  if (pattern.find_first_of("/\\") != String::npos) {
    Messager->MessageDlg(kPatternSeparator, TMsgDlgType::mtInformation, ok, 0);
    SafeFocus(NameEdit);
    return false;
  }
  if (pattern.find_first_of("#*") == String::npos) {
    Ask(kPatternNeeds, String(), TMsgDlgType::mtInformation, ok);
    if (NameEdit->Visible()) SafeFocus(NameEdit);
    return false;
  }
  return true;
}

bool TBatchConvertTab::CreateOutputFolder() {
  if (Ask(kCreateFolder, FOutputFolder, TMsgDlgType::mtConfirmation,
          TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) != mrYes)
    return false;
  bool made = false;
  try {
    made = ForceDirectories(FOutputFolder);
  } catch (...) {
  }
  if (made && DirectoryExists(FOutputFolder)) return true;
  Ask(kCreateFailed, String(), TMsgDlgType::mtError, TMsgDlgButtons{TMsgDlgBtn::mbOK});
  return false;
}

void TBatchConvertTab::ShowConvertDialog() {
  if (FConvertDialog == nullptr) {
    FConvertDialog = new TBatchConvertDialog(FMainForm);
    FConvertDialog->RunBatch = [this] { RunBatch(); };
    if (auto* main = dynamic_cast<TBatchConvert*>(FMainForm)) FConvertDialog->SetSkinData(main->bsSkinData1);
  }
  FConvertDialog->FileCount = FFileCount;
  FConvertDialog->PBar->SetMinValue(0);
  FConvertDialog->PBar->SetMaxValue(FFileCount);
  FConvertDialog->PBar->SetValue(0);
  const String title = Application->Title();
  auto restore = ScopeExit([&] { Application->SetTitle(title); });
  FConvertDialog->ShowModal();
  if (FMainForm != nullptr) ForceForegroundWindow(FMainForm->Handle());
}

void TBatchConvertTab::BntStartClick(TObject*) {
  try {
    if (!CheckStart()) return;
    Repaint();
    ShowConvertDialog();
    if (FBesideSource || SameFolder(ShellList->GetPath(), FOutputFolder)) ShellList->Populate();
    Repaint();
  } catch (...) {
  }
  delete FConvertDialog;
  FConvertDialog = nullptr;
  if (FConverter) FConverter->Dialog = nullptr;
}
