// What the convert tab and the rename tab share: the shell file list on the
// left with its folder edit, view-mode buttons and file-type filter; the
// input tree on the right (one TMyFileObject per node, owned by the node)
// with its add, remove, clear, duplicate question, folder scan, drop and
// sort; the counts; and the small preview with its file information. The
// tabs differ only in the switches below and in their own controls.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "app/convert/stringcollection.h"
#include "app/convert/maintabframe.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"

class TDropFileTarget;
class TTreeView;
class TTreeNode;
class TZavShellList;
class TZavShellLink;
class TZavSystemImageList;
class TbsSkinButton;
class TbsSkinCheckRadioBox;
class TbsSkinComboBox;
class TbsSkinCustomEdit;
class TbsSkinData;
class TbsSkinMessage;
class TbsSkinPanel;
class TbsSkinProgressDialog;
class TbsSkinSpeedButton;
class TbsSkinStdLabel;
class TImgView;
class TMenuItem;
class TMyFileObject;
class TPanel;
class TPictovalSettings;
class TPopupMenu;
class TTimer;

// The switches a tab sets in its constructor.
struct TInputTabSwitches {
  // Extensions (with their dot) that folder scans and drops accept at start.
  std::vector<String> KnownExtensions;
  // Folder items can be renamed in place and the new-folder command exists.
  bool FolderEditing = true;
  // A drop over a folder node's text goes into that folder; otherwise every
  // drop goes to the top level.
  bool DropIntoFolder = true;
  // A real run empties the input list afterwards.
  bool ClearAfterRun = false;
  // The tree's change event is switched off while paths are added.
  bool QuietTreeWhileAdding = false;
  // Message-table slots: the progress label of an addition, "%1% files"
  // and "%1% folders".
  int32_t AddingText = 12;
  int32_t FilesText = 20;
  int32_t FoldersText = 23;
  // Slots of the duplicate question and of "select items first".
  int32_t DuplicateText = 1;
  int32_t NoSelectionText = 3;
  int32_t RenameRefusedText = 2;
};

// The 14 extensions the convert tab accepts at start.
std::vector<String> ConvertKnownExtensions();
// The items of the file-type list: all formats, then one per type.
std::vector<String> FileTypeItems();
// The file list's filter of all formats.
extern const char* const kAllFormatsFilter;

class TInputTabBase : public TMainTabFrame {
 public:
  // Built on its parent: the lists and the shell list need windows.
  TInputTabBase(TComponent* AOwner, TWinControl* AParent, TInputTabSwitches Switches);
  ~TInputTabBase() override;
  const char* ClassName() const override { return "TInputTabBase"; }

  // ---- Host (the main window through IMainTab) ----
  // The main window: its skin, its page control (disabled while the tree is
  // sorted or the list deletes) and its live convert settings.
  void SetMainForm(TBatchConvert* Form) override;
  // The same for a plain host form (tests).
  void SetMainForm(TForm* MainForm, TWinControl* Pages);
  String ShellListPath() override;
  void OpenFolder(const String& Folder) override;
  void FinishLoading() override;
  void ShowInformation(const String& Text) override;
  TForm* MainForm() const { return FMainForm; }
  void SetLiveSettings(TPictovalSettings* Settings) { FSettings = Settings; }
  TPictovalSettings* LiveSettings() const { return FSettings; }
  // Skins every skinned control and dialog of the tab.
  virtual void SetSkinData(TbsSkinData* Skin);
  const TInputTabSwitches& Switches() const { return FSwitches; }

  // ---- Input tree ----
  void ScanFolderNode(TTreeNode* Node);
  bool ResolveDuplicates(TTreeNode* Node, std::vector<String>& Paths);
  void AddPathsToInputList(std::vector<String> Paths, uint32_t DelayMs);
  void SelectAllNodes();
  void ClearNodeSelection();
  // The node additions go under: the selected folder, the parent of a
  // selected file, nil (top level) without a selection.
  virtual TTreeNode* AddTarget();
  void SortInputTree(TTreeNode* Node, int32_t Key);
  // Every node deleted (the after-run clearing of the rename tab).
  void ClearInputList();
  String UniqueNewFolderName(TTreeNode* Node);
  bool IsNameFreeAtLevel(TTreeNode* Node, const String& Name);
  void ApplyFileTypeFilter();
  bool IsKnownExtension(const String& Path) const;
  const std::vector<String>& KnownExtensions() const { return FKnownExtensions; }
  int32_t FileCount() const { return FFileCount; }
  int32_t FolderCount() const { return FFolderCount; }
  bool InputChanged() const { return FInputChanged; }
  void SetInputChanged(bool Value) { FInputChanged = Value; }
  static TMyFileObject* Record(TTreeNode* Node);

  // ---- Small preview ----
  bool LoadSelectedPreview(const String& Path, int32_t N);
  void ShowFileInfo(const String& Path, int32_t Width, int32_t Height, int32_t N);
  // A PSD file through the picture classes into the view (file type 19).
  static bool LoadPsdIntoView(TImgView* View, const String& Path);

  // ---- Handlers shared by both tabs ----
  void TreeViewDeletion(TObject* Sender, TTreeNode* Node);
  void TreeViewAddition(TObject* Sender, TTreeNode* Node);
  void TreeViewEditing(TObject* Sender, TTreeNode* Node, bool& AllowEdit);
  void TreeViewEdited(TObject* Sender, TTreeNode* Node, String& S);
  void TreeViewKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void TreeViewKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void TreeViewMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void TreeViewClick(TObject* Sender);
  void TreeViewMenuPopup(TObject* Sender);
  void BntAddClick(TObject* Sender);
  void BntAddAllClick(TObject* Sender);
  void BntRemoveClick(TObject* Sender);
  void BntClearClick(TObject* Sender);
  void FiletypeListChange(TObject* Sender);
  void SortListClick(TObject* Sender);
  void ProgressDialogShow(TObject* Sender);
  void ProgressDialogCancel(TObject* Sender);
  void BeforeDelete(TObject* Sender);
  void AfterDelete(TObject* Sender);
  // The drop target bound to the tree, and unbound.
  void RegisterDropTarget();
  void RevokeDropTarget();
  // A drag over the tree at a client point of it; the drop of paths.
  void DropFileTargetDragOver(const TPoint& Client);
  void DropFileTargetDrop(const std::vector<String>& Paths);
  void HandleDropTimerTimer(TObject* Sender);
  virtual void DisplayFileNumberTimerTimer(TObject* Sender);
  void ChkPreviewClick(TObject* Sender);
  void ShellListClick(TObject* Sender);
  void ShellListKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void ShellListKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void ShellListDblClick(TObject* Sender);
  void ShellListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void ShellListPopulated(TObject* Sender);
  void ShellListChange(TObject* Sender);
  void LVMenuPopup(TObject* Sender);
  void OpenWindowsExplorer1Click(TObject* Sender);
  void Properties1Click(TObject* Sender);
  void Refresh1Click(TObject* Sender);
  void ParentButtonClick(TObject* Sender);
  void IconListButtonClick(TObject* Sender);
  void DetailsButtonClick(TObject* Sender);
  void TumbnailsButtonClick(TObject* Sender);
  void SourceFolderKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void BntSourceFolderClick(TObject* Sender);
  void PosTimerTimer(TObject* Sender);
  void PP1Resize(TObject* Sender);
  void BntCloseClick(TObject* Sender);
  // The picture viewer of a file of the list (its window comes later).
  virtual void Open1Click(TObject* Sender);

  // ---- Controls ----
  TbsSkinPanel* PP0 = nullptr;  // right side
  TbsSkinPanel* PP1 = nullptr;  // left side: the file list
  TbsSkinPanel* PP2 = nullptr;  // right bottom: settings, preview, start
  TbsSkinPanel* PP3 = nullptr;  // right top: the input tree
  TZavShellList* ShellList = nullptr;
  TZavShellLink* ZavShellLink1 = nullptr;
  TZavSystemImageList* ZavSystemImageList = nullptr;
  TbsSkinCustomEdit* SourceFolder = nullptr;
  TbsSkinButton* BntSourceFolder = nullptr;
  TbsSkinSpeedButton* ParentButton = nullptr;
  TbsSkinSpeedButton* DetailsButton = nullptr;
  TbsSkinSpeedButton* IconListButton = nullptr;
  TbsSkinSpeedButton* TumbnailsButton = nullptr;
  TbsSkinSpeedButton* RefreshButton = nullptr;
  TbsSkinComboBox* FiletypeList = nullptr;
  TbsSkinStdLabel* SourceFileCount = nullptr;
  TPanel* NoFilesMessage = nullptr;
  TTreeView* TreeView = nullptr;
  TbsSkinButton* BntAdd = nullptr;
  TbsSkinButton* BntAddAll = nullptr;
  TbsSkinButton* BntRemove = nullptr;
  TbsSkinButton* BntClear = nullptr;
  TbsSkinStdLabel* Label1 = nullptr;
  TbsSkinStdLabel* LabelFileNumber = nullptr;
  TbsSkinStdLabel* TxtSort = nullptr;
  TbsSkinComboBox* SortList = nullptr;
  TbsSkinCheckRadioBox* ChkPreview = nullptr;
  TbsSkinPanel* bsSkinPanel2 = nullptr;  // frame of the preview views
  TImgView* ThumbIOView1 = nullptr;      // the tree's selection
  TImgView* ThumbIOView2 = nullptr;      // the file list's selection
  TbsSkinStdLabel* FileInfo1 = nullptr;
  TbsSkinStdLabel* FileInfo2 = nullptr;
  TbsSkinStdLabel* FileInfo3 = nullptr;
  TbsSkinButton* BntStart = nullptr;
  TbsSkinButton* BntPreview = nullptr;
  TbsSkinButton* BntClose = nullptr;
  TPopupMenu* TreeViewMenu = nullptr;
  TMenuItem* Remmove1 = nullptr;  // remove the selection
  TMenuItem* Remove1 = nullptr;   // remove all
  TPopupMenu* LVMenu = nullptr;
  TMenuItem* AddtoInputList1 = nullptr;
  TMenuItem* Open1 = nullptr;
  TMenuItem* OpenWindowsExplorer1 = nullptr;
  TMenuItem* Properties1 = nullptr;
  TMenuItem* Refresh1 = nullptr;
  TbsSkinProgressDialog* ProgressDialog = nullptr;
  TTimer* DisplayFileNumberTimer = nullptr;
  TTimer* PosTimer = nullptr;
  TTimer* HandleDropTimer = nullptr;
  TbsSkinMessage* Messager = nullptr;
  TMyStringCollection30* MyStringCollection = nullptr;
  TDropFileTarget* DropFileTarget = nullptr;  // bound to TreeView by the host

 protected:
  TDropFileTarget* PageDropTarget() override { return DropFileTarget; }
  TWinControl* PageTree() override;
  // The shared controls, their design values, then their events (design
  // values first, so that no handler runs while the tab is built).
  void BuildSharedControls();
  void BindSharedEvents();
  // The list's filter and the known extensions from a pattern such as
  // "*.jpg;*.jpeg;*.jpe".
  void SetKnownExtensionsFromPattern(const String& Pattern);
  // The message box of the tab: the text of a slot with "%1%" filled.
  int32_t Ask(int32_t Slot, const String& Arg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
  // The counts label, the root and the lines of the tree.
  void ShowCounts();
  // Whether this tab's page is the one shown (its preview box then leads the
  // other tab's).
  bool PageShown();
  // The preview box of the other tab, set to the same value.
  virtual void SyncPartnerPreview(bool Checked);
  // The files of the list's selection, in list order.
  std::vector<String> SelectedListPaths();
  // A node for a record under Parent with the record's icon.
  TTreeNode* AddRecordNode(TTreeNode* Parent, TMyFileObject* Record);
  int32_t IconOf(const String& Path);

  TInputTabSwitches FSwitches;
  TForm* FMainForm = nullptr;
  TWinControl* FPages = nullptr;
  TPictovalSettings* FSettings = nullptr;
  int32_t FFileCount = 0;
  int32_t FFolderCount = 0;
  int32_t FSortCount = 0;
  TTreeNode* FTargetNode = nullptr;
  std::vector<String> FKnownExtensions;
  std::unique_ptr<std::vector<String>> FDroppedNames;  // paths of the last drop
  bool FInputChanged = false;
  String FLastPreview1;
  String FLastPreview2;
  std::array<String, 3> FInfoCache1;
  std::array<String, 3> FInfoCache2;
  TPoint FLastScreenPos{-1234, -1234};

 private:
  using TDirId = std::pair<uint64_t, uint64_t>;  // device and inode
  void ScanFolder(TTreeNode* Node, std::vector<TDirId>& Chain);
  void AddPaths(const std::vector<String>& Paths);
  bool Cancelled() const;
  void SetProgress(int32_t Value);
  void RemoveNodes(std::vector<TTreeNode*> Nodes);
  void ScrollFolderIntoView(int32_t Index);
  bool LoadPictureIntoView(TImgView* View, const String& Path);
  bool LoadPsdPreview(TImgView* View, const String& Path);
  void PreviewFocusedSelection();
};
