#include "app/rename/renameengine.h"

#include <sys/stat.h>

#include <memory>

#include "app/main/picturedate.h"
#include "app/rename/renamedialog.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/forms.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinprogressdialog.h"

namespace {

// Characters kept after the counter run, counted in code points.
constexpr size_t kMaxTailCodePoints = 100;

TMyFileObject* RecordOf(TTreeNode* Node) {
  return Node != nullptr ? static_cast<TMyFileObject*>(Node->Data()) : nullptr;
}

// The first Count code points of a UTF-8 text.
String FirstCodePoints(const String& Text, size_t Count) {
  size_t seen = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    const bool lead = (uint8_t(Text[i]) & 0xC0) != 0x80;
    if (lead && seen++ == Count) return Text.substr(0, i);
  }
  return Text;
}

// Any directory entry at the path, links not followed: a candidate name that
// a folder or a dangling link holds is taken too.
bool EntryExists(const String& Path) {
  struct stat st;
  return !Path.empty() && lstat(Path.c_str(), &st) == 0;
}

String ReplaceAllIgnoringCase(const String& Text, const String& Token, const String& By) {
  return StringReplace(Text, Token, By, TReplaceFlags{TReplaceFlag::rfReplaceAll, TReplaceFlag::rfIgnoreCase});
}

String ReplaceDateTokens(String Name, const String& Path) {
  const String s = FormatDateTime("yyyymmddhhnnss", GetPictureDate(Path));
  static const struct {
    const char* Token;
    size_t Start, Length;
  } kTokens[] = {{"$Y", 0, 4}, {"$M", 4, 2}, {"$D", 6, 2}, {"$H", 8, 2}, {"$N", 10, 2}, {"$S", 12, 2}};
  for (const auto& t : kTokens) Name = ReplaceAllIgnoringCase(Name, t.Token, s.substr(t.Start, t.Length));
  return Name;
}

bool HasDateToken(const String& UpperTemplate) {
  for (const char* t : {"$Y", "$M", "$D", "$H", "$N", "$S"})
    if (UpperTemplate.find(t) != String::npos) return true;
  return false;
}

}  // namespace

bool SameFileOnDisk(const String& A, const String& B) {
  struct stat sa, sb;
  if (A.empty() || B.empty() || stat(A.c_str(), &sa) != 0 || stat(B.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsAcceptableNewName(const String& Name) {
  if (Name.empty() || Name == "." || Name == "..") return false;
  return Name.find_first_of(String("/\\\0", 3)) == String::npos;
}

String NameExtension(const String& Path) {
  const String name = ExtractFileName(Path);
  return name.substr(NameWithoutExtension(name).size());
}

TRenameEngine::~TRenameEngine() { delete FRenameDialog; }

int32_t TRenameEngine::FileCount() const {
  if (Host.Tree == nullptr) return 0;
  int32_t n = 0;
  for (TTreeNode* node = Host.Tree->Items()->GetFirstNode(); node != nullptr; node = node->GetNext()) {
    const TMyFileObject* rec = RecordOf(node);
    if (rec != nullptr && !rec->IsFolder) ++n;
  }
  return n;
}

bool TRenameEngine::Exists(const String& Path) const {
  return FileExistsProbe ? FileExistsProbe(Path) : FastFileExists(Path);
}

bool TRenameEngine::Cancelled() const {
  if (FPreviewRun) return Host.Progress != nullptr && Host.Progress->Tag() == 1;
  return FRenameDialog != nullptr && FRenameDialog->Cancelled();
}

// ---- Start --------------------------------------------------------------------------------

bool TRenameEngine::CheckSettings() {
  auto inform = [this](const String& Text) {
    if (Host.Messager != nullptr)
      Host.Messager->MessageDlg(Text, TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK}, 0);
  };
  if (FileCount() == 0) {
    inform(Texts.S05);
    return false;
  }
  if (Settings.TemplateMode) {
    if (Settings.Template.find_first_of("#*") != String::npos) return true;
    inform(Texts.S06);
    if (Host.FocusTemplate) Host.FocusTemplate();
    return false;
  }
  if (!Settings.Find[0].empty() || !Settings.Find[1].empty() || !Settings.Find[2].empty()) return true;
  inform(Texts.S11);
  if (Host.FocusFind) Host.FocusFind();
  return false;
}

String TRenameEngine::ConfirmationText() const {
  if (Settings.TemplateMode) return Texts.S07;
  String pairs;
  for (int32_t i = 0; i < 3; ++i)
    if (!Settings.Find[i].empty())
      pairs +=
          "\r     " + FormatMessageArgs(Texts.S12, "\"" + Settings.Find[i] + "\"", "\"" + Settings.Replace[i] + "\"");
  return Texts.S07 + "\r" + pairs;
}

bool TRenameEngine::Confirmed() {
  const bool yes = Host.Messager == nullptr ||
                   Host.Messager->MessageDlg(ConfirmationText(), TMsgDlgType::mtConfirmation,
                                             TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, 0) == mrYes;
  if (Host.Repaint) Host.Repaint();
  return yes;
}

void TRenameEngine::CreateRunDialog() {
  delete FRenameDialog;
  FRenameDialog = nullptr;
  TComponent* owner = Host.MainForm != nullptr ? static_cast<TComponent*>(Host.MainForm) : Application;
  FRenameDialog = new TBatchRenameDialog(owner);
  FRenameDialog->SetSkinData(Host.SkinData);
  FRenameDialog->SetMainForm(Host.MainForm);
  FRenameDialog->SetEngine(this);
  FRenameDialog->PBar->SetMinValue(0);
  FRenameDialog->PBar->SetMaxValue(FileCount());
  FRenameDialog->PBar->SetValue(0);
  FRenameDialog->SetDone(false);
  FRenameDialog->SetPreview(FPreviewRun);
}

// The run shows its percentage in the title; the title comes back after.
void TRenameEngine::ShowRunDialog() {
  const String title = Application != nullptr ? Application->Title() : String();
  auto restore = ScopeExit([&title] {
    if (Application != nullptr) Application->SetTitle(title);
  });
  FRenameDialog->ShowModal();
}

void TRenameEngine::AfterRealRun() {
  if (Host.Repaint) Host.Repaint();
  const int32_t renamed = FRenameDialog->RenamedCount();
  if (Host.ClearInput) Host.ClearInput();
  if (renamed > 0 && Host.RefreshList) Host.RefreshList();
}

void TRenameEngine::StartClick(bool Preview) {
  FPreviewRun = Preview;
  Guarded([&] {
    if (Host.ReadSettings) Settings = Host.ReadSettings();
    if (!CheckSettings() || (!Preview && !Confirmed())) return;
    // The dialog goes when the handler ends, however it ends.
    auto release = ScopeExit([this] {
      delete FRenameDialog;
      FRenameDialog = nullptr;
    });
    CreateRunDialog();
    if (Preview) FillPreview();
    ShowRunDialog();
    if (!Preview) AfterRealRun();
  });
}

void TRenameEngine::FillPreview() {
  TBatchRenameDialog* d = FRenameDialog;
  TbsSkinProgressDialog* p = Host.Progress;
  d->SetCaption(Host.PreviewCaption);
  d->ListView->Items()->BeginUpdate();
  auto finish = ScopeExit([d, p] {
    d->ListView->Items()->EndUpdate();
    if (p == nullptr) return;
    p->SetValue(p->MaxValue);  // closes it
    p->MaxValue = 100;
    p->SetValue(0);
  });
  if (p != nullptr) {
    p->ShowPercent = true;
    p->LabelCaption = Texts.S13;
    p->SetValue(0);
    p->MaxValue = FileCount();
    p->SetTag(0);
    p->Execute(true);
  }
  if (Application != nullptr) Application->ProcessMessages();
  RunRename();
  d->BntCancel->SetCaption("Close");
  d->LabelFiles->SetCaption(FormatMessageArgs(Texts.S08, IntToStr(d->ListView->Items()->Count())));
}

// ---- Walk ---------------------------------------------------------------------------------

void TRenameEngine::RunRename() {
  FCounter = Settings.StartFrom - 1;
  if (Host.Tree != nullptr) Guarded([this] { WalkLevel(Host.Tree->Items()->GetFirstNode()); });
}

void TRenameEngine::RenameFolderNode(TTreeNode* Folder) {
  if (Folder != nullptr) WalkLevel(Folder->GetFirstChild());
}

void TRenameEngine::WalkLevel(TTreeNode* First) {
  for (TTreeNode* node = First; node != nullptr; node = node->GetNextSibling()) {
    if (Cancelled()) return;
    if (Application != nullptr) Application->ProcessMessages();
    TMyFileObject* rec = RecordOf(node);
    if (rec == nullptr) continue;
    if (!rec->IsFolder) {
      RenameFileNode(node);
      continue;
    }
    if (!Settings.ContinueSN) FCounter = Settings.StartFrom - 1;
    RenameFolderNode(node);
    if (!Settings.ContinueSN) FCounter = Settings.StartFrom - 1;
  }
}

void TRenameEngine::RenameFileNode(TTreeNode* Node) {
  const TMyFileObject* rec = RecordOf(Node);
  const String name =
      Settings.TemplateMode ? BuildTemplateName(rec->Path, Settings.Template) : BuildReplacedName(rec->Path);
  const String folder = ExtractFilePath(rec->Path);
  RenameOneFile(Node, rec->Path, folder + rec->Name, folder + name);
}

// ---- Names --------------------------------------------------------------------------------

String TRenameEngine::BuildTemplateName(const String& Path, const String& Template) {
  ++FCounter;
  const String upper = AnsiUpperCase(Template);
  String t = StringReplace(Template, "*", NameWithoutExtension(Path), TReplaceFlags{TReplaceFlag::rfReplaceAll});
  if (HasDateToken(upper) && Exists(Path)) t = ReplaceDateTokens(t, Path);
  t = ReplaceAllIgnoringCase(t, "$P", ParentFolderName(Path));
  String name = t;
  const size_t p = t.find('#');
  if (p != String::npos) {
    const size_t end = t.find_first_not_of('#', p);
    const size_t k = (end == String::npos ? t.size() : end) - p;
    name = t.substr(0, p) + ZeroPad(FCounter, int32_t(k)) + FirstCodePoints(t.substr(p + k), kMaxTailCodePoints);
  }
  String ext = NameExtension(Path);
  if (Settings.CaseIndex == 1) ext = AnsiLowerCase(ext);
  if (Settings.CaseIndex == 2) ext = AnsiUpperCase(ext);
  return name + ext;
}

String TRenameEngine::BuildReplacedName(const String& Path) {
  String base = NameWithoutExtension(Path);
  TReplaceFlags flags{TReplaceFlag::rfReplaceAll};
  if (!Settings.MatchCase) flags.Include(TReplaceFlag::rfIgnoreCase);
  Guarded([&] {
    for (int32_t i = 0; i < 3; ++i)
      if (!Settings.Find[i].empty()) base = StringReplace(base, Settings.Find[i], Settings.Replace[i], flags);
  });
  return base + NameExtension(Path);
}

// ---- One file -----------------------------------------------------------------------------

void TRenameEngine::AddRow(TRenameKind Kind, const String& Old, const String& New, const String& Status) {
  if (FRenameDialog != nullptr) FRenameDialog->AddResultRow(int32_t(Kind), Old, New, Status);
}

void TRenameEngine::RenameOneFile(TTreeNode* Node, const String& OldPath, const String& ShownOldPath,
                                  const String& NewPath) {
  Guarded([&] {
    if (FPreviewRun)
      PreviewRow(Node, ShownOldPath, NewPath);
    else
      RealRename(Node, OldPath, ShownOldPath, NewPath);
  });
}

void TRenameEngine::PreviewRow(TTreeNode* Node, const String& ShownOldPath, const String& NewPath) {
  if (!Cancelled()) {
    if (Host.Progress != nullptr) Host.Progress->SetValue(Host.Progress->Value() + 1);
    AddRow(TRenameKind::Renamed, ShownOldPath, NewPath, String());
  }
  if (FRenameDialog == nullptr || Host.Tree == nullptr || Node == nullptr) return;
  TListItems* rows = FRenameDialog->ListView->Items();
  if (Host.Tree->SelectionCount() != 1 || Host.Tree->Selections(0) != Node || rows->Count() == 0) return;
  TListItem* last = rows->Item(rows->Count() - 1);
  last->SetSelected(true);
  last->MakeVisible(false);
}

void TRenameEngine::RealRename(TTreeNode* Node, const String& OldPath, const String& ShownOldPath,
                               const String& NewPath) {
  if (Cancelled()) return;
  if (OldPath == NewPath) return AddRow(TRenameKind::Skipped, ShownOldPath, NewPath, Texts.S16);
  if (!Exists(OldPath)) return;
  // A new name must stay a name in the file's own folder.
  const String folder = ExtractFilePath(OldPath);
  if (NewPath.compare(0, folder.size(), folder) != 0 || !IsAcceptableNewName(NewPath.substr(folder.size())))
    return AddRow(TRenameKind::Failed, ShownOldPath, NewPath, Texts.S15);
  if (Exists(NewPath)) {
    // Only the case changes, and the target is this very file.
    const bool sameFile = AnsiSameText(OldPath, NewPath) && SameFile(OldPath, NewPath);
    if (!sameFile) {
      if (!Settings.TemplateMode) return AddRow(TRenameKind::Failed, ShownOldPath, NewPath, Texts.S15);
      if (!MoveAsideBlockingFile(Node, NewPath)) return AddRow(TRenameKind::Skipped, ShownOldPath, NewPath, Texts.S17);
    }
  }
  if (RenameFile(OldPath, NewPath))
    AddRow(TRenameKind::Renamed, ShownOldPath, NewPath, Texts.S14);
  else
    AddRow(TRenameKind::Failed, ShownOldPath, NewPath, Texts.S15);
}

bool TRenameEngine::MoveAsideBlockingFile(TTreeNode* Node, const String& TargetPath) {
  bool moved = false;
  Guarded([&] {
    TMyFileObject* blocking = nullptr;
    for (TTreeNode* s = Node != nullptr ? Node->GetNextSibling() : nullptr; s != nullptr && blocking == nullptr;
         s = s->GetNextSibling()) {
      TMyFileObject* rec = RecordOf(s);
      if (rec == nullptr || rec->IsFolder || !AnsiSameText(rec->Path, TargetPath)) continue;
      // A name that differs in case only is another file on a case-sensitive disk.
      if (rec->Path == TargetPath || SameFile(rec->Path, TargetPath)) blocking = rec;
    }
    if (blocking == nullptr) return;
    const String stem = ExtractFilePath(blocking->Path) + NameWithoutExtension(blocking->Path) + "_";
    const String ext = NameExtension(blocking->Path);
    int64_t n = 2;
    while (EntryExists(stem + IntToStr(n) + ext)) ++n;
    const String candidate = stem + IntToStr(n) + ext;
    if (!RenameFile(blocking->Path, candidate) || EntryExists(blocking->Path) || !EntryExists(candidate)) return;
    blocking->Path = candidate;
    moved = true;
  });
  return moved;
}
