// The folder chooser: a modal dialog with the shell's folder tree, a button
// that makes a new folder below the selected one, and a tree menu to
// refresh, create, delete (to the trash, after asking) and rename folders in
// place. The tabs use it for their source and output folders.
#pragma once

#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/forms.h"

class TLabel;
class TMenuItem;
class TPopupMenu;
class TTreeNode;
class TCustomTreeView;
class TZavShellTree;
class TbsSkinButton;

class TMyBrowseForFolder : public TForm {
 public:
  // The base of new folders' names; the second is "New Folder (2)".
  static constexpr const char* NewFolderName = "New Folder";
  static constexpr int32_t LastNewFolderNumber = 201;

  explicit TMyBrowseForFolder(TComponent* AOwner);
  const char* ClassName() const override { return "TMyBrowseForFolder"; }

  // A non-empty title replaces the prompt; an existing initial folder is
  // selected.
  void Setup(const String& Title, const String& InitialFolder, bool ShowHidden);
  // The chosen folder without its trailing "/" ("/" stays); empty until OK.
  const String& ResultFolder() const { return FResultFolder; }
  TTreeNode* PopupNode() const { return FPopupNode; }

  TLabel* TitleTxt = nullptr;
  TZavShellTree* ShellTree = nullptr;
  TbsSkinButton* BntCreate = nullptr;
  TbsSkinButton* BntOK = nullptr;
  TbsSkinButton* BntCancel = nullptr;
  TPopupMenu* TreePopupMenu = nullptr;
  TMenuItem* Refresh1 = nullptr;
  TMenuItem* CreateFolder1 = nullptr;
  TMenuItem* Delete1 = nullptr;
  TMenuItem* Rename1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormResize(TObject* Sender);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void BntOKClick(TObject* Sender);
  void BntCancelClick(TObject* Sender);
  void BntCreateClick(TObject* Sender);
  void TreePopupMenuPopup(TObject* Sender);
  void Delete1Click(TObject* Sender);
  void Rename1Click(TObject* Sender);
  void Refresh1Click(TObject* Sender);
  void ShellTreeCustomDraw(TCustomTreeView* Sender, const TRect& ARect, bool& DefaultDraw);
  void ShellTreeCustomDrawItem(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw);

 private:
  void BuildControls();
  void BuildMenu();
  // The file-system folder of a node with a trailing "/"; empty for nodes
  // outside the file system.
  String NodeFolder(TTreeNode* Node);
  bool IsNode(TTreeNode* Node);
  void RunVerbOnPopupNode(const char* Verb);

  TTreeNode* FPopupNode = nullptr;
  String FNewFolderName;
  String FResultFolder;
  bool FTreeFocused = false;
};

// Shows the chooser; the chosen folder, or empty when it was cancelled.
String ChooseFolder(const String& Title, const String& InitialFolder, bool ShowHidden);
