// The input tree: scanning folders, the duplicate question, adding, removing,
// the new-folder item and its rename, the file-type filter and drops.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "app/convert/inputtabbase.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/files.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinprogressdialog.h"

namespace {

const char* const kNewFolder = "New Folder";

// The node's children, or the top-level nodes for nil.
std::vector<TTreeNode*> Level(TTreeView* Tree, TTreeNode* Node) {
  std::vector<TTreeNode*> out;
  TTreeNode* n = Node != nullptr ? Node->GetFirstChild() : Tree->Items()->GetFirstNode();
  for (; n != nullptr; n = n->GetNextSibling()) out.push_back(n);
  return out;
}

bool NameTaken(const std::vector<TTreeNode*>& Nodes, const String& Name, TTreeNode* Except) {
  const String upper = UpperCase(Name);
  return std::any_of(Nodes.begin(), Nodes.end(),
                     [&](TTreeNode* n) { return n != Except && UpperCase(n->Text()) == upper; });
}

// The display name of a path: its last part; the first character of the
// trimmed path when it has none (the root "/" is "/").
String DisplayName(const String& Path) {
  String name = ExtractFileName(RemoveTrailingBackslash(Path));
  const String trimmed = Trim(Path);
  if (name.empty() && !trimmed.empty()) name = trimmed.substr(0, 1);
  return name;
}

bool SortByName(const TMyFileObject* A, const TMyFileObject* B) { return CompareByName(A, B) < 0; }

}  // namespace

bool TInputTabBase::Cancelled() const { return ProgressDialog->Tag() == 1; }

void TInputTabBase::SetProgress(int32_t Value) {
  if (ProgressDialog->Shown()) ProgressDialog->SetValue(Value);
}

bool TInputTabBase::IsKnownExtension(const String& Path) const {
  const String ext = UpperCase(ExtractFileExt(Path));
  if (ext.empty()) return false;
  return std::any_of(FKnownExtensions.begin(), FKnownExtensions.end(),
                     [&](const String& e) { return UpperCase(e) == ext; });
}

void TInputTabBase::ScanFolderNode(TTreeNode* Node) {
  std::vector<TDirId> chain;
  ScanFolder(Node, chain);
}

// Lists a folder's subfolders and accepted files under Node, subfolders
// scanned at once. Chain holds the folders from the added root down to this
// one: a folder met again through a link is listed but not entered, so a
// link to an ancestor cannot loop.
void TInputTabBase::ScanFolder(TTreeNode* Node, std::vector<TDirId>& Chain) {
  TMyFileObject* rec = Record(Node);
  if (rec == nullptr) return;
  const String folder = AddTrailingBackslash(rec->Path);
  struct stat self {};
  if (::stat(folder.c_str(), &self) != 0 || !S_ISDIR(self.st_mode)) return;
  const TDirId id{uint64_t(self.st_dev), uint64_t(self.st_ino)};
  if (std::find(Chain.begin(), Chain.end(), id) != Chain.end()) return;
  Chain.push_back(id);
  auto pop = ScopeExit([&] { Chain.pop_back(); });
  Application->ProcessMessages();

  std::vector<std::unique_ptr<TMyFileObject>> folders, files;
  if (DIR* dir = ::opendir(folder.c_str())) {
    auto close = ScopeExit([&] { ::closedir(dir); });
    while (dirent* e = ::readdir(dir)) {
      const String name = e->d_name;
      if (name == "." || name == "..") continue;
      const String path = folder + name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0) continue;  // a dangling link
      auto item = std::make_unique<TMyFileObject>();
      item->Path = path;
      item->Name = name;
      if (S_ISDIR(st.st_mode)) {
        item->IsFolder = true;
        folders.push_back(std::move(item));
      } else if (IsKnownExtension(name)) {
        item->Size = int64_t(st.st_size);
        item->FileDate = GetFileDate(path);
        files.push_back(std::move(item));
      }
    }
  }
  auto byName = [](const auto& A, const auto& B) { return SortByName(A.get(), B.get()); };
  std::stable_sort(folders.begin(), folders.end(), byName);
  std::stable_sort(files.begin(), files.end(), byName);
  for (auto& f : folders) {
    if (Cancelled()) return;
    TTreeNode* child = AddRecordNode(Node, f.release());
    ScanFolder(child, Chain);
    ++FFolderCount;
  }
  for (auto& f : files) {
    if (Cancelled()) return;
    AddRecordNode(Node, f.release());
    ++FFileCount;
  }
}

bool TInputTabBase::ResolveDuplicates(TTreeNode* Node, std::vector<String>& Paths) {
  const std::vector<TTreeNode*> existing = Level(TreeView, Node);
  std::vector<TTreeNode*> remove;
  std::vector<String> kept;
  int32_t answer = 0;
  for (const String& path : Paths) {
    const String name = DisplayName(path);
    const String upper = UpperCase(name);
    auto it =
        std::find_if(existing.begin(), existing.end(), [&](TTreeNode* n) { return UpperCase(n->Text()) == upper; });
    if (it == existing.end() || std::find(remove.begin(), remove.end(), *it) != remove.end()) {
      kept.push_back(path);
      continue;
    }
    if (answer != mrYesToAll) {
      if (FMainForm != nullptr && FMainForm->HandleAllocated()) ForceForegroundWindow(FMainForm->Handle());
      answer = Ask(FSwitches.DuplicateText, name, TMsgDlgType::mtConfirmation,
                   TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbYesToAll});
      if (answer == mrCancel) return false;
    }
    if (answer == mrYes || answer == mrYesToAll) {
      remove.push_back(*it);
      kept.push_back(path);
    }
  }
  Paths = std::move(kept);
  for (TTreeNode* n : remove) Guarded([&] { n->Delete(); });
  return true;
}

TTreeNode* TInputTabBase::AddTarget() {
  TTreeNode* sel = TreeView->Selected();
  if (sel == nullptr) return nullptr;
  TMyFileObject* rec = Record(sel);
  return rec != nullptr && rec->IsFolder ? sel : sel->Parent();
}

void TInputTabBase::AddPathsToInputList(std::vector<String> Paths, uint32_t DelayMs) {
  const TTVChangedEvent change = TreeView->OnChange;
  if (FSwitches.QuietTreeWhileAdding) TreeView->OnChange = nullptr;
  ProgressDialog->ShowPercent = true;
  ProgressDialog->LabelCaption = MyStringCollection->S(FSwitches.AddingText);
  ProgressDialog->MinValue = 0;
  ProgressDialog->MaxValue = 100;
  ProgressDialog->SetTag(0);
  bool sort = false;
  {
    TreeView->Items()->BeginUpdate();
    bool resolved = false;
    auto finish = ScopeExit([&] {
      if (resolved) {
        ProgressDialog->SetValue(ProgressDialog->MaxValue);
        if (DelayMs > 0) Sleep(DelayMs);
      }
      TreeView->ClearSelection();
      TreeView->Items()->EndUpdate();
      if (FSwitches.QuietTreeWhileAdding) TreeView->OnChange = change;
    });
    FTargetNode = AddTarget();
    resolved = ResolveDuplicates(FTargetNode, Paths);
    if (resolved && !Paths.empty()) {
      AddPaths(Paths);
      sort = SortList->ItemIndex() > 0 && !Cancelled();
    }
  }
  if (sort) SortListClick(SortList);
}

void TInputTabBase::AddPaths(const std::vector<String>& Paths) {
  ProgressDialog->SetTag(0);
  ProgressDialog->SetValue(0);
  ProgressDialog->Execute(true);
  Application->ProcessMessages();
  Application->ProcessMessages();
  const size_t n = Paths.size();
  for (size_t i = 0; i < n; ++i) {
    const String& path = Paths[i];
    auto item = std::make_unique<TMyFileObject>();
    item->Path = path;
    item->Name = DisplayName(path);
    if (DirectoryExists(path)) {
      item->Path = RemoveTrailingBackslash(path);
      item->IsFolder = true;
      TTreeNode* node = AddRecordNode(FTargetNode, item.release());
      ScanFolderNode(node);
      ++FFolderCount;
    } else if (FastFileExists(path)) {
      item->Size = GetFileSize64(path);
      item->FileDate = GetFileDate(path);
      AddRecordNode(FTargetNode, item.release());
      ++FFileCount;
    }
    SetProgress(int32_t(i * 100 / n));
    if (Cancelled()) break;
  }
  if (FTargetNode != nullptr) FTargetNode->Expand(false);
}

void TInputTabBase::SelectAllNodes() {
  TreeView->Items()->BeginUpdate();
  TreeView->ClearSelection();
  std::vector<TTreeNode*> all;
  for (TTreeNode* n = TreeView->Items()->GetFirstNode(); n != nullptr; n = n->GetNext()) all.push_back(n);
  TreeView->Select(all);
  TreeView->Items()->EndUpdate();
  DisplayFileNumberTimerTimer(this);
}

void TInputTabBase::ClearNodeSelection() {
  TreeView->Items()->BeginUpdate();
  TreeView->ClearSelection();
  TreeView->Items()->EndUpdate();
}

void TInputTabBase::RemoveNodes(std::vector<TTreeNode*> Nodes) {
  if (Nodes.empty()) return;
  TreeView->ClearSelection();
  TreeView->Items()->BeginUpdate();
  for (auto it = Nodes.rbegin(); it != Nodes.rend(); ++it) Guarded([&] { (*it)->Delete(); });
  TreeView->Items()->EndUpdate();
}

void TInputTabBase::ClearInputList() {
  TreeView->ClearSelection();
  TreeView->Items()->BeginUpdate();
  TreeView->Items()->Clear();
  TreeView->Items()->EndUpdate();
  DisplayFileNumberTimerTimer(this);
}

String TInputTabBase::UniqueNewFolderName(TTreeNode* Node) {
  const std::vector<TTreeNode*> level = Level(TreeView, Node);
  if (!NameTaken(level, kNewFolder, nullptr)) return kNewFolder;
  for (int32_t n = 1;; ++n) {
    const String name = String(kNewFolder) + "(" + IntToStr(n) + ")";
    if (!NameTaken(level, name, nullptr)) return name;
  }
}

bool TInputTabBase::IsNameFreeAtLevel(TTreeNode* Node, const String& Name) {
  return !NameTaken(Level(TreeView, Node->Parent()), Name, Node);
}

void TInputTabBase::SetKnownExtensionsFromPattern(const String& Pattern) {
  FKnownExtensions.clear();
  String current;
  bool open = false;
  for (size_t i = 0; i < Pattern.size(); ++i) {
    const char c = Pattern[i];
    if (c == '*') {
      current.clear();
      open = true;
    } else if (c == ';') {
      if (open && !current.empty()) FKnownExtensions.push_back(current);
      current.clear();
      open = false;
    } else {
      current += c;
    }
  }
  if (open && !current.empty()) FKnownExtensions.push_back(current);
}

void TInputTabBase::ApplyFileTypeFilter() {
  const int32_t i = FiletypeList->ItemIndex();
  if (i < 0) return;
  const String text = FiletypeList->Items()->Strings(i);
  const size_t a = text.find('(');
  const size_t b = text.find(')');
  if (a == String::npos || b == String::npos || a + 2 >= b) return;
  const String pattern = text.substr(a + 1, b - a - 1);
  if (pattern.size() <= 3) return;
  ShellList->SetFilter(pattern);
  ShellList->Refresh();
  SetKnownExtensionsFromPattern(pattern);
}

void TInputTabBase::FiletypeListChange(TObject*) {
  if (FiletypeList->Tag() != 0) return;
  Guarded([&] { ApplyFileTypeFilter(); });
}

// ---- Tree events ---------------------------------------------------------------

void TInputTabBase::TreeViewDeletion(TObject*, TTreeNode* Node) {
  FInputChanged = true;
  TMyFileObject* rec = Record(Node);
  if (rec == nullptr) return;
  if (rec->IsFolder)
    FFolderCount = std::max(0, FFolderCount - 1);
  else
    FFileCount = std::max(0, FFileCount - 1);
  if (FTargetNode == Node) FTargetNode = nullptr;
  Node->SetData(nullptr);
  delete rec;
}

void TInputTabBase::TreeViewAddition(TObject*, TTreeNode*) { FInputChanged = true; }

void TInputTabBase::TreeViewEditing(TObject*, TTreeNode* Node, bool& AllowEdit) {
  TMyFileObject* rec = Record(Node);
  AllowEdit = FSwitches.FolderEditing && rec != nullptr && rec->IsFolder;
}

void TInputTabBase::TreeViewEdited(TObject*, TTreeNode* Node, String& S) {
  Guarded([&] {
    FInputChanged = true;
    TMyFileObject* rec = Record(Node);
    if (rec == nullptr) {
      S = Node->Text();
      return;
    }
    const String name = Trim(S);
    const bool ok = !name.empty() && name.find('/') == String::npos && name.find('\\') == String::npos &&
                    UpperCase(ExtractFileExt(name)) == UpperCase(ExtractFileExt(rec->Name)) &&
                    IsNameFreeAtLevel(Node, name);
    if (!ok) {
      S = Node->Text();
      Ask(FSwitches.RenameRefusedText, String(), TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK});
      return;
    }
    S = name;
    rec->Name = name;
  });
}

void TInputTabBase::TreeViewKeyDown(TObject*, uint16_t& Key, TShiftState Shift) {
  Guarded([&] {
    if (TreeView->IsEditing()) return;
    if (Key == VK_DELETE) {
      BntRemoveClick(this);
    } else if (Shift == TShiftState{ssCtrl} && Key == 'A') {
      DiscardKeyboardMessages();
      SelectAllNodes();
    } else if (Shift == TShiftState{ssCtrl} && Key == 'D') {
      DiscardKeyboardMessages();
      ClearNodeSelection();
    }
  });
}

void TInputTabBase::TreeViewKeyUp(TObject* Sender, uint16_t& Key, TShiftState) {
  if (IsNavigationKey(Key)) TreeViewClick(Sender);
}

void TInputTabBase::TreeViewMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  Guarded([&] {
    TTreeNode* hit = TreeView->GetNodeAt(X, Y);
    if (Button == TMouseButton::mbLeft && Shift == TShiftState{ssLeft}) {
      if (hit == nullptr || (TreeView->Selected() != nullptr && TreeView->Selected() != hit))
        TreeView->ClearSelection();
    } else if (Button == TMouseButton::mbRight && Shift == TShiftState{ssRight}) {
      if (hit != nullptr)
        TreeView->Select(hit);
      else
        TreeView->ClearSelection();
      const TPoint p = TreeView->ClientToScreen(TPoint{X, Y});
      TreeViewMenu->Popup(p.X, p.Y);
    }
  });
}

void TInputTabBase::TreeViewMenuPopup(TObject*) {
  Remmove1->SetEnabled(TreeView->Selected() != nullptr);
  Remove1->SetEnabled(TreeView->Items()->Count() > 0);
}

// ---- Buttons -------------------------------------------------------------------

std::vector<String> TInputTabBase::SelectedListPaths() {
  std::vector<String> paths;
  for (int32_t i = 0; i < ShellList->Items()->Count(); ++i) {
    TListItem* item = ShellList->Items()->Item(i);
    if (item->Selected()) paths.push_back(ShellList->GetItemPath(item));
  }
  return paths;
}

void TInputTabBase::BntAddClick(TObject* Sender) {
  Guarded([&] {
    std::vector<String> paths = SelectedListPaths();
    if (paths.empty()) {
      Ask(FSwitches.NoSelectionText, String(), TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK});
      return;
    }
    if (Sender != nullptr) TreeView->ClearSelection();
    AddPathsToInputList(std::move(paths), Sender != nullptr ? 50 : 100);
    DisplayFileNumberTimerTimer(this);
  });
}

void TInputTabBase::BntAddAllClick(TObject*) {
  Guarded([&] {
    for (int32_t i = 0; i < ShellList->Items()->Count(); ++i) ShellList->Items()->Item(i)->SetSelected(true);
  });
  BntAddClick(BntAddAll);
}

void TInputTabBase::BntRemoveClick(TObject*) {
  Guarded([&] {
    std::vector<TTreeNode*> nodes;
    for (int32_t i = 0; i < TreeView->SelectionCount(); ++i) nodes.push_back(TreeView->Selections(i));
    // Children of a removed folder go with it.
    std::erase_if(nodes, [&](TTreeNode* n) {
      return std::any_of(nodes.begin(), nodes.end(), [&](TTreeNode* p) { return p != n && n->HasAsParent(p); });
    });
    std::sort(nodes.begin(), nodes.end(),
              [](TTreeNode* A, TTreeNode* B) { return A->AbsoluteIndex() < B->AbsoluteIndex(); });
    RemoveNodes(std::move(nodes));
    DisplayFileNumberTimerTimer(this);
  });
}

void TInputTabBase::BntClearClick(TObject*) {
  Guarded([&] { ClearInputList(); });
}

void TInputTabBase::ProgressDialogShow(TObject*) { ProgressDialog->SetTag(0); }
void TInputTabBase::ProgressDialogCancel(TObject*) { ProgressDialog->SetTag(1); }
void TInputTabBase::BeforeDelete(TObject*) { SetEnabled(false); }
void TInputTabBase::AfterDelete(TObject*) { SetEnabled(true); }

// ---- Drops ---------------------------------------------------------------------

void TInputTabBase::DropFileTargetDragOver(const TPoint& Client) {
  Guarded([&] {
    TTreeNode* node = FSwitches.DropIntoFolder ? TreeView->GetNodeAt(Client.X, Client.Y) : nullptr;
    TMyFileObject* rec = Record(node);
    if (rec != nullptr && rec->IsFolder) {
      const TRect text = node->DisplayRect(true);
      if (Client.X >= text.Left && Client.X < text.Right) {
        TreeView->ClearSelection();
        TreeView->Select(node);
        SafeFocus(TreeView);
        return;
      }
    }
    TreeView->ClearSelection();
  });
}

void TInputTabBase::DropFileTargetDrop(const std::vector<String>& Paths) {
  Guarded([&] {
    const int32_t os = GetOSVersionCode();
    if (os >= 0 && os <= 5) {
      BntAddClick(this);
      return;
    }
    std::vector<String> names;
    for (const String& p : Paths)
      if (DirectoryExists(p)) names.push_back(p);
    for (const String& p : Paths)
      if (!DirectoryExists(p) && IsKnownExtension(p)) names.push_back(p);
    FDroppedNames = std::make_unique<std::vector<String>>(std::move(names));
    HandleDropTimer->SetInterval(100);
    HandleDropTimer->SetEnabled(true);
  });
}

void TInputTabBase::HandleDropTimerTimer(TObject*) {
  HandleDropTimer->SetEnabled(false);
  Guarded([&] {
    if (FDroppedNames) AddPathsToInputList(*FDroppedNames, 50);
  });
  FDroppedNames.reset();
  DisplayFileNumberTimerTimer(this);
}
