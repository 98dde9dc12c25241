#include "app/convert/runbatch.h"

#include <sys/stat.h>

#include "app/convert/convertdialog.h"
#include "app/convert/convertfile.h"
#include "app/convert/outputnaming.h"
#include "app/settings/fileobject.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/forms.h"

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
