#include "app/main/browseforfolder.h"

#include <algorithm>
#include <memory>

#include "app/main/bconvert.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "shell/shellbrowser.h"
#include "shell/shelltree.h"
#include "skin/controls/skinbutton.h"

namespace {

// The pause that lets an open in-place edit of a folder name finish before
// OK reads the selection.
constexpr uint32_t kEditSettleMs = 150;

bool NameTaken(const String& Path) { return FileExists(Path) || DirectoryExists(Path); }

String NewFolderCandidate(const String& Base, int32_t Number) {
  return Number <= 1 ? Base : Base + " (" + std::to_string(Number) + ")";
}

TbsSkinButton* MakeButton(TMyBrowseForFolder* Form, const String& Caption, int32_t Left, int32_t Width) {
  auto* b = new TbsSkinButton(Form);
  b->SetParent(Form);
  b->SetCaption(Caption);
  b->SetBounds(Left, 388, Width, 25);
  return b;
}

}  // namespace

TMyBrowseForFolder::TMyBrowseForFolder(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Browse for Folder");
  SetBorderIcons(TBorderIcons{TBorderIcon::biSystemMenu});
  SetBounds(0, 0, 458, 454);
  Font()->SetName("Tahoma");
  Font()->SetSize(8);
  SetKeyPreview(true);
  BuildControls();
  BuildMenu();
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnActivate = [this](TObject* Sender) { FormActivate(Sender); };
  OnResize = [this](TObject* Sender) { FormResize(Sender); };
  OnKeyDown = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
  FormCreate(this);
}

void TMyBrowseForFolder::BuildControls() {
  TitleTxt = new TLabel(this);
  TitleTxt->SetParent(this);
  TitleTxt->SetBounds(10, 9, 430, 14);
  TitleTxt->SetCaption("Choose a folder:");

  ShellTree = new TZavShellTree(this);
  ShellTree->SetParent(this);
  ShellTree->SetBounds(10, 28, 430, 355);
  ShellTree->SetFileSystemOnly(true);
  ShellTree->SetFilter("*");
  ShellTree->SetShowNetHood(true);
  ShellTree->SetOleDragDrop(true);
  ShellTree->SetShellContextMenu(false);
  ShellTree->SetRightClickSelect(true);
  ShellTree->SetHideSelection(false);
  ShellTree->OnCustomDraw = [this](TCustomTreeView* Sender, const TRect& R, bool& Default) {
    ShellTreeCustomDraw(Sender, R, Default);
  };
  ShellTree->OnCustomDrawItem = [this](TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                       bool& Default) { ShellTreeCustomDrawItem(Sender, Node, State, Default); };

  BntCreate = MakeButton(this, "Make New Folder", 10, 110);
  BntCreate->OnClick = [this](TObject* Sender) { BntCreateClick(Sender); };
  BntOK = MakeButton(this, "OK", 280, 75);
  BntOK->SetDefault(true);
  BntOK->OnClick = [this](TObject* Sender) { BntOKClick(Sender); };
  BntCancel = MakeButton(this, "Cancel", 365, 75);
  BntCancel->SetCancel(true);
  BntCancel->OnClick = [this](TObject* Sender) { BntCancelClick(Sender); };
  SetActiveControl(ShellTree);
}

void TMyBrowseForFolder::BuildMenu() {
  TreePopupMenu = new TPopupMenu(this);
  auto item = [this](const String& Caption, void (TMyBrowseForFolder::*Handler)(TObject*)) {
    auto* it = new TMenuItem(TreePopupMenu);
    it->SetCaption(Caption);
    it->OnClick = [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
    TreePopupMenu->Items()->Add(it);
    return it;
  };
  Refresh1 = item("&Refresh", &TMyBrowseForFolder::Refresh1Click);
  CreateFolder1 = item("", &TMyBrowseForFolder::BntCreateClick);
  Delete1 = item("&Delete", &TMyBrowseForFolder::Delete1Click);
  Rename1 = item("Re&name", &TMyBrowseForFolder::Rename1Click);
  TreePopupMenu->OnPopup = [this](TObject* Sender) { TreePopupMenuPopup(Sender); };
  ShellTree->SetPopupMenu(TreePopupMenu);
}

void TMyBrowseForFolder::FormCreate(TObject*) {
  FPopupNode = nullptr;
  FNewFolderName = NewFolderName;
  CreateFolder1->SetCaption(BntCreate->Caption());
  FResultFolder.clear();
}

void TMyBrowseForFolder::Setup(const String& Title, const String& InitialFolder, bool ShowHidden) {
  if (!Title.empty()) TitleTxt->SetCaption(Title);
  ShellTree->SetShowHidden(ShowHidden);
  if (!InitialFolder.empty() && DirectoryExists(InitialFolder)) ShellTree->SetSelectedFolder(InitialFolder);
}

void TMyBrowseForFolder::FormShow(TObject*) {
  Guarded([&] {
    TBatchConvert::SetClientSize(this, 450, 420);
    CenterOnMainMonitor(this);
  });
}

void TMyBrowseForFolder::FormActivate(TObject*) {
  Guarded([&] {
    if (Application != nullptr) Application->BringToFront();
    BringToFront();
  });
}

void TMyBrowseForFolder::FormResize(TObject*) {
  const int32_t w = ClientWidth(), h = ClientHeight();
  ShellTree->SetBounds(ShellTree->Left(), ShellTree->Top(), std::max(30, w - 20), std::max(30, h - 65));
  for (TbsSkinButton* b : {BntCreate, BntOK, BntCancel}) b->SetTop(h - 32);
  BntCancel->SetLeft(w - BntCancel->Width() - 9);
  BntOK->SetLeft(BntCancel->Left() - BntOK->Width() - 10);
}

void TMyBrowseForFolder::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE) Close();
}

String TMyBrowseForFolder::NodeFolder(TTreeNode* Node) {
  TZavShellTreeItem* data = TZavShellTree::Record(Node);
  if (data == nullptr) return String();
  TShellBrowser browser(nullptr);
  browser.SetFolderIDList(data->AbsoluteIDList);
  const String folder = browser.Folder();
  return !folder.empty() && DirectoryExists(folder) ? folder : String();
}

// OK first lets an open rename finish (the edit ends when the button takes
// the focus), then takes the selected folder; a node outside the file system
// keeps the dialog open.
void TMyBrowseForFolder::BntOKClick(TObject*) {
  Guarded([&] {
    SafeFocus(BntOK);
    Sleep(kEditSettleMs);
    SafeFocus(BntOK);
    Application->ProcessMessages();
  });
  Guarded([&] {
    const String folder = NodeFolder(ShellTree->Selected());
    if (folder.empty()) return;
    FResultFolder = RemoveTrailingBackslash(folder);
    SetModalResult(mrOk);
  });
}

void TMyBrowseForFolder::BntCancelClick(TObject*) { Close(); }

// The first free name of "New Folder", "New Folder (2)" .. "(201)" is made
// (never over anything that exists) and opened for renaming; with all of
// them taken the last one is.
void TMyBrowseForFolder::BntCreateClick(TObject*) {
  Guarded([&] {
    TTreeNode* node = ShellTree->Selected();
    if (node == nullptr) return;
    ShellTree->SetFocus();
    const String folder = NodeFolder(node);
    if (folder.empty()) return;
    String name;
    for (int32_t n = 1; n <= LastNewFolderNumber; ++n) {
      name = NewFolderCandidate(FNewFolderName, n);
      if (NameTaken(folder + name)) continue;
      CreateDir(folder + name);
      break;
    }
    node->Expand(false);
    ShellTree->RefreshNode(node);
    for (TTreeNode* c = node->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) {
      if (!SameText(c->Text(), name)) continue;
      ShellTree->SetSelected(c);
      c->EditText();
      return;
    }
  });
}

void TMyBrowseForFolder::TreePopupMenuPopup(TObject*) { FPopupNode = ShellTree->Selected(); }

bool TMyBrowseForFolder::IsNode(TTreeNode* Node) {
  for (TTreeNode* n = ShellTree->Items()->GetFirstNode(); n != nullptr; n = n->GetNext())
    if (n == Node) return true;
  return false;
}

// The shell tree's verbs: delete asks first and moves to the trash; rename
// opens the in-place edit, whose rename never replaces another folder.
void TMyBrowseForFolder::RunVerbOnPopupNode(const char* Verb) {
  Guarded([&] {
    if (FPopupNode == nullptr || !IsNode(FPopupNode)) return;
    ShellTree->SetSelected(FPopupNode);
    ShellTree->ExecuteVerb(Verb);
  });
}

void TMyBrowseForFolder::Delete1Click(TObject*) { RunVerbOnPopupNode("delete"); }

void TMyBrowseForFolder::Rename1Click(TObject*) { RunVerbOnPopupNode("rename"); }

void TMyBrowseForFolder::Refresh1Click(TObject*) {
  Guarded([&] {
    ShellTree->RefreshTree();
    ShellTree->RefreshTree();
  });
}

void TMyBrowseForFolder::ShellTreeCustomDraw(TCustomTreeView*, const TRect&, bool&) {
  FTreeFocused = ShellTree->Focused();
}

// The chosen folder stays plainly selected while a button has the focus.
void TMyBrowseForFolder::ShellTreeCustomDrawItem(TCustomTreeView* Sender, TTreeNode*, TCustomDrawState State, bool&) {
  if (!FTreeFocused && State.Contains(TCustomDrawStateItem::cdsSelected))
    Sender->Canvas()->Brush()->SetColor(clHighlight);
}

String ChooseFolder(const String& Title, const String& InitialFolder, bool ShowHidden) {
  auto dialog = std::make_unique<TMyBrowseForFolder>(nullptr);
  dialog->Setup(Title, InitialFolder, ShowHidden);
  dialog->ShowModal();
  return dialog->ResultFolder();
}
