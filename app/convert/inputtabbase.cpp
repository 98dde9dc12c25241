#include "app/convert/inputtabbase.h"

#include "app/convert/tabcontrols.h"
#include "app/settings/commonclass.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/main/bconvert.h"
#include "app/main/droptarget.h"
#include "app/settings/marloutils.h"
#include "imaging/views/view/imgview.h"
#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "platform/shellapi/shellui.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "shell/imagelists.h"
#include "shell/shelllink.h"
#include "shell/shelllist.h"
#include "skin/controls/base/skinintf.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinprogressdialog.h"
#include "skin/controls/skinspeedbutton.h"

const char* const kAllFormatsFilter =
    "*.jpg;*.jpe;*.jpeg;*.bmp;*.gif;*.tif;*.tiff;*.cur;*.ico;*.png;*.pcx;*.jp2;*.j2k;*.tga;*.ppm;*.wmf;*.psd";

std::vector<String> ConvertKnownExtensions() {
  return {".JPG", ".JPEG", ".BMP", ".GIF", ".TIF", ".TIFF", ".PNG",
          ".PCX", ".WMF",  ".ICO", ".JP2", ".J2K", ".TGA",  ".PSD"};
}

std::vector<String> FileTypeItems() {
  return {String("All supported formats (") + kAllFormatsFilter + ")",
          "BMP (*.bmp)",
          "CUR (*.cur)",
          "GIF (*.gif)",
          "ICO (*.ico)",
          "JPEG (*.jpg;*.jpeg;*.jpe)",
          "JPEG2000 (*.jp2;*.j2k)",
          "PCX (*.pcx)",
          "PNG (*.png)",
          "PPM (*.ppm)",
          "PSD (*.psd)",
          "TGA (*.tga)",
          "TIFF (*.tif;*.tiff)",
          "WMF (*.wmf)"};
}

TInputTabBase::TInputTabBase(TComponent* AOwner, TWinControl* AParent, TInputTabSwitches Switches)
    : TMainTabFrame(AOwner), FSwitches(std::move(Switches)) {
  FKnownExtensions = FSwitches.KnownExtensions;
  SetParent(AParent);
  BuildSharedControls();
}

TInputTabBase::~TInputTabBase() {
  // The tree fires no deletion event while its owner goes, so the records are
  // freed here, while the tree and its handler still exist.
  Guarded([&] {
    if (ShellList != nullptr) ShellList->StopThumbnailThread();
  });
  Guarded([&] {
    if (TreeView != nullptr) TreeView->Items()->Clear();
  });
}

void TInputTabBase::SetMainForm(TForm* MainForm, TWinControl* Pages) {
  FMainForm = MainForm;
  FPages = Pages;
  if (ShellList != nullptr) ShellList->SetHostPageControl(Pages);
}

void TInputTabBase::SetMainForm(TBatchConvert* Form) {
  SetMainForm(Form, Form->Pages);
  FSettings = Form->Settings();
  SetSkinData(Form->bsSkinData1);
}

String TInputTabBase::ShellListPath() {
  const String path = ShellList->GetPath();
  return !path.empty() && DirectoryExists(path) ? path : String();
}

void TInputTabBase::OpenFolder(const String& Folder) {
  ShellList->SetPath(Folder);
  SourceFolder->SetText(ShellList->GetPath());
}

void TInputTabBase::FinishLoading() {
  SourceFolder->SetText(ShellList->GetPath());
  SHAutoComplete(SourceFolder->Handle(), SHACF_FILESYS_DIRS);
}

void TInputTabBase::ShowInformation(const String& Text) {
  Messager->MessageDlg(Text, TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK}, 0);
}

TWinControl* TInputTabBase::PageTree() { return TreeView; }

void TInputTabBase::RegisterDropTarget() { DropFileTarget->Register(TreeView); }

void TInputTabBase::RevokeDropTarget() { DropFileTarget->Revoke(); }

void TInputTabBase::SetSkinData(TbsSkinData* Skin) {
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* aware = dynamic_cast<IbsSkinAware*>(Components(i))) aware->SetSkinData(Skin);
  Messager->SetSkinData(Skin);
  Messager->SetCtrlSkinData(Skin);
  ProgressDialog->SetSkinData(Skin);
  ProgressDialog->SetCtrlSkinData(Skin);
}

void TInputTabBase::BuildSharedControls() {
  using namespace tabcontrols;
  SetBounds(0, 0, 850, 467);
  PP1 = Make<TbsSkinPanel>(this, this, "PP1", 0, 0, 350, 467);
  PP0 = Make<TbsSkinPanel>(this, this, "PP0", 350, 0, 500, 467);
  PP3 = Make<TbsSkinPanel>(this, PP0, "PP3", 0, 0, 500, 254);
  PP2 = Make<TbsSkinPanel>(this, PP0, "PP2", 0, 254, 500, 213);
  // The file list keeps its width; the rest takes what the page gives.
  PP1->SetAlign(TAlign::alLeft);
  PP0->SetAlign(TAlign::alClient);
  PP2->SetAlign(TAlign::alBottom);
  PP3->SetAlign(TAlign::alClient);

  ZavSystemImageList = new TZavSystemImageList(this);
  ZavSystemImageList->SetName("ZavSystemImageList");
  ZavShellLink1 = new TZavShellLink(this);
  ZavShellLink1->SetName("ZavShellLink1");
  MyStringCollection = new TMyStringCollection30(this);
  MyStringCollection->SetName("MyStringCollection");
  Messager = new TbsSkinMessage(this);
  Messager->SetName("Messager");
  ProgressDialog = new TbsSkinProgressDialog(this);
  ProgressDialog->SetName("ProgressDialog");
  ProgressDialog->ShowType = TbsPDShowType::stStayOnTop;
  ProgressDialog->ShowCancelButton = true;
  DropFileTarget = new TDropFileTarget(this);
  DropFileTarget->SetName("DropFileTarget");
  DropFileTarget->SetDragtypes(TDragTypes{dtCopy, dtMove});
  DropFileTarget->SetGetDataOnEnter(true);
  DropFileTarget->SetShowImage(true);

  // The file list side.
  SourceFolder = Make<TbsSkinCustomEdit>(this, PP1, "SourceFolder", 4, 4, 188, 21);
  BntSourceFolder = MakeButton(this, PP1, "BntSourceFolder", "...", 196, 4, 25, 21);
  BntSourceFolder->SetHint("Choose the folder to browse");
  ParentButton = MakeSpeedButton(this, PP1, "ParentButton", TToolGlyph::Up, 223, 3, "Up one folder");
  RefreshButton = MakeSpeedButton(this, PP1, "RefreshButton", TToolGlyph::Refresh, 248, 3, "");
  DetailsButton = MakeSpeedButton(this, PP1, "DetailsButton", TToolGlyph::Details, 273, 3, "Details");
  IconListButton = MakeSpeedButton(this, PP1, "IconListButton", TToolGlyph::List, 298, 3, "List");
  TumbnailsButton = MakeSpeedButton(this, PP1, "TumbnailsButton", TToolGlyph::Thumbnails, 323, 3, "Thumbnails");
  ShellList = Make<TZavShellList>(this, PP1, "ShellList", 4, 30, 343, 388);
  ShellList->SetShellLink(ZavShellLink1);
  ShellList->SetShellContextMenu(false);
  ShellList->SetFileSystemOnly(true);
  ShellList->SetViewStyle(TViewStyle::vsReport);
  ShellList->SetThumbnailWidth(100);
  ShellList->SetThumbnailHeight(90);
  ShellList->SetOleDragDrop(true);
  ShellList->SetReadOnly(true);
  ShellList->SetHideSelection(false);
  ShellList->SetMultiSelect(true);
  ShellList->SetDoubleBuffered(true);
  ShellList->SetFilter(kAllFormatsFilter);
  NoFilesMessage = Make<TPanel>(this, PP1, "NoFilesMessage", 75, 150, 200, 40);
  NoFilesMessage->SetCaption("No supported files or folders");
  NoFilesMessage->SetColor(clWhite);
  NoFilesMessage->Font()->SetColor(clGray);
  NoFilesMessage->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
  NoFilesMessage->SetVisible(false);
  SourceFileCount = MakeLabel(this, PP1, "SourceFileCount", "", 6, 421);
  FiletypeList = Make<TbsSkinComboBox>(this, PP1, "FiletypeList", 4, 438, 343, 22);
  for (const String& item : FileTypeItems()) FiletypeList->Items()->Add(item);

  // The input tree side.
  Label1 = MakeLabel(this, PP3, "Label1", "Input list:", 8, 8);
  LabelFileNumber = MakeLabel(this, PP3, "LabelFileNumber", "", 80, 8);
  TxtSort = MakeLabel(this, PP3, "TxtSort", "Sort:", 212, 8);
  SortList = Make<TbsSkinComboBox>(this, PP3, "SortList", 246, 4, 150, 22);
  for (const char* item :
       {"No sorting", "By file name", "By file size", "By date taken", "By file type", "By file name, descending",
        "By file size, descending", "By date taken, descending", "By file type, descending"})
    SortList->Items()->Add(item);
  TreeView = Make<TTreeView>(this, PP3, "TreeView", 6, 30, 390, 204);
  TreeView->SetMultiSelect(true);
  TreeView->SetMultiSelectStyle(
      TMultiSelectStyle{TMultiSelectStyles::msControlSelect, TMultiSelectStyles::msShiftSelect});
  TreeView->SetHideSelection(false);
  TreeView->SetShowLines(false);
  TreeView->SetShowRoot(false);
  TreeView->SetImages(ZavSystemImageList);
  TreeView->SetIndent(19);
  TreeView->SetReadOnly(!FSwitches.FolderEditing);
  BntAdd = MakeButton(this, PP3, "BntAdd", "Add", 402, 30, 92, 25);
  BntAddAll = MakeButton(this, PP3, "BntAddAll", "Add all", 402, 60, 92, 25);
  BntRemove = MakeButton(this, PP3, "BntRemove", "Remove", 402, 100, 92, 25);
  BntClear = MakeButton(this, PP3, "BntClear", "Clear", 402, 130, 92, 25);

  // The preview and the buttons at the bottom right.
  bsSkinPanel2 = Make<TbsSkinPanel>(this, PP2, "bsSkinPanel2", 382, 4, 105, 80);
  ThumbIOView1 = MakePreviewView(this, bsSkinPanel2, "ThumbIOView1");
  ThumbIOView2 = MakePreviewView(this, bsSkinPanel2, "ThumbIOView2");
  FileInfo1 = MakeLabel(this, PP2, "FileInfo1", "", 382, 86);
  FileInfo2 = MakeLabel(this, PP2, "FileInfo2", "", 382, 99);
  FileInfo3 = MakeLabel(this, PP2, "FileInfo3", "", 382, 112);
  for (TbsSkinStdLabel* l : {FileInfo1, FileInfo2, FileInfo3}) {
    l->SetAutoSize(false);
    l->SetWidth(l == FileInfo3 ? 116 : 105);
    l->SetAlignment(l == FileInfo3 ? TAlignment::taLeftJustify : TAlignment::taCenter);
  }
  ChkPreview = MakeCheck(this, PP2, "ChkPreview", "Preview", 382, 127, 105);
  ChkPreview->SetChecked(true);
  BntPreview = MakeButton(this, PP2, "BntPreview", "Preview", 382, 150, 51, 24);
  BntClose = MakeButton(this, PP2, "BntClose", "Close", 436, 150, 51, 24);
  BntStart = MakeButton(this, PP2, "BntStart", "Start", 382, 179, 105, 28);

  const TAnchors topRight{TAnchorKind::akTop, TAnchorKind::akRight};
  TreeView->SetAnchors(TAnchors{TAnchorKind::akLeft, TAnchorKind::akTop, TAnchorKind::akRight});
  for (TControl* c :
       std::initializer_list<TControl*>{BntAdd, BntAddAll, BntRemove, BntClear, TxtSort, SortList, bsSkinPanel2,
                                        FileInfo1, FileInfo2, FileInfo3, ChkPreview, BntPreview, BntClose, BntStart})
    c->SetAnchors(topRight);

  // Menus and timers.
  TreeViewMenu = new TPopupMenu(this);
  TreeViewMenu->SetName("TreeViewMenu");
  Remmove1 = AddMenuItem(this, TreeViewMenu, "Remmove1", "Remove");
  Remove1 = AddMenuItem(this, TreeViewMenu, "Remove1", "Remove all");
  LVMenu = new TPopupMenu(this);
  LVMenu->SetName("LVMenu");
  AddtoInputList1 = AddMenuItem(this, LVMenu, "AddtoInputList1", "Add to the input list");
  Open1 = AddMenuItem(this, LVMenu, "Open1", "View");
  OpenWindowsExplorer1 = AddMenuItem(this, LVMenu, "OpenWindowsExplorer1", "Open the folder");
  Properties1 = AddMenuItem(this, LVMenu, "Properties1", "Properties");
  Refresh1 = AddMenuItem(this, LVMenu, "Refresh1", "Refresh");
  RefreshButton->SetHint(Refresh1->Caption());
  DisplayFileNumberTimer = MakeTimer(this, "DisplayFileNumberTimer", 1000, true);
  PosTimer = MakeTimer(this, "PosTimer", 3000, true);
  HandleDropTimer = MakeTimer(this, "HandleDropTimer", 100, false);

  FiletypeList->SetTag(1);
  FiletypeList->SetItemIndex(0);
  FiletypeList->SetTag(0);
  SortList->SetItemIndex(0);
  ShellList->Font()->Assign(TreeView->Font());
}

void TInputTabBase::BindSharedEvents() {
  TreeView->OnDeletion = [this](TObject* s, TTreeNode* n) { TreeViewDeletion(s, n); };
  TreeView->OnAddition = [this](TObject* s, TTreeNode* n) { TreeViewAddition(s, n); };
  TreeView->OnEditing = [this](TObject* s, TTreeNode* n, bool& a) { TreeViewEditing(s, n, a); };
  TreeView->OnEdited = [this](TObject* s, TTreeNode* n, String& t) { TreeViewEdited(s, n, t); };
  TreeView->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { TreeViewKeyDown(s, k, sh); };
  TreeView->OnKeyUp = [this](TObject* s, uint16_t& k, TShiftState sh) { TreeViewKeyUp(s, k, sh); };
  TreeView->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int32_t x, int32_t y) {
    TreeViewMouseDown(s, b, sh, x, y);
  };
  TreeView->OnClick = [this](TObject* s) { TreeViewClick(s); };
  // Drags of the window framework are welcome over the tree.
  TreeView->OnDragOver = [](TObject*, TObject*, int32_t, int32_t, TDragState, bool& Accept) { Accept = true; };
  TreeViewMenu->OnPopup = [this](TObject* s) { TreeViewMenuPopup(s); };
  Remmove1->OnClick = [this](TObject* s) { BntRemoveClick(s); };
  Remove1->OnClick = [this](TObject* s) { BntClearClick(s); };
  BntAdd->OnClick = [this](TObject* s) { BntAddClick(s); };
  BntAddAll->OnClick = [this](TObject* s) { BntAddAllClick(s); };
  BntRemove->OnClick = [this](TObject* s) { BntRemoveClick(s); };
  BntClear->OnClick = [this](TObject* s) { BntClearClick(s); };
  BntClose->OnClick = [this](TObject* s) { BntCloseClick(s); };
  FiletypeList->OnChange = [this](TObject* s) { FiletypeListChange(s); };
  SortList->OnChange = [this](TObject* s) { SortListClick(s); };
  ProgressDialog->OnShow = [this](TObject* s) { ProgressDialogShow(s); };
  ProgressDialog->OnCancel = [this](TObject* s) { ProgressDialogCancel(s); };
  ShellList->OnBeforeDelete = [this](TObject* s) { BeforeDelete(s); };
  ShellList->OnAfterDelete = [this](TObject* s) { AfterDelete(s); };
  ShellList->OnClick = [this](TObject* s) { ShellListClick(s); };
  ShellList->OnDblClick = [this](TObject* s) { ShellListDblClick(s); };
  ShellList->OnKeyUp = [this](TObject* s, uint16_t& k, TShiftState sh) { ShellListKeyUp(s, k, sh); };
  ShellList->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { ShellListKeyDown(s, k, sh); };
  ShellList->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int32_t x, int32_t y) {
    ShellListMouseDown(s, b, sh, x, y);
  };
  ShellList->OnPopulated = [this](TObject* s) { ShellListPopulated(s); };
  ShellList->OnChange = [this](TObject* s, TListItem*, TItemChange) { ShellListChange(s); };
  LVMenu->OnPopup = [this](TObject* s) { LVMenuPopup(s); };
  AddtoInputList1->OnClick = [this](TObject* s) { BntAddClick(s); };
  Open1->OnClick = [this](TObject* s) { Open1Click(s); };
  OpenWindowsExplorer1->OnClick = [this](TObject* s) { OpenWindowsExplorer1Click(s); };
  Properties1->OnClick = [this](TObject* s) { Properties1Click(s); };
  Refresh1->OnClick = [this](TObject* s) { Refresh1Click(s); };
  RefreshButton->OnClick = [this](TObject* s) { Refresh1Click(s); };
  ParentButton->OnClick = [this](TObject* s) { ParentButtonClick(s); };
  DetailsButton->OnClick = [this](TObject* s) { DetailsButtonClick(s); };
  IconListButton->OnClick = [this](TObject* s) { IconListButtonClick(s); };
  TumbnailsButton->OnClick = [this](TObject* s) { TumbnailsButtonClick(s); };
  SourceFolder->OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { SourceFolderKeyDown(s, k, sh); };
  BntSourceFolder->OnClick = [this](TObject* s) { BntSourceFolderClick(s); };
  ChkPreview->OnClick = [this](TObject* s) { ChkPreviewClick(s); };
  PP1->OnResize = [this](TObject* s) { PP1Resize(s); };
  DisplayFileNumberTimer->SetOnTimer([this](TObject* s) { DisplayFileNumberTimerTimer(s); });
  PosTimer->SetOnTimer([this](TObject* s) { PosTimerTimer(s); });
  HandleDropTimer->SetOnTimer([this](TObject* s) { HandleDropTimerTimer(s); });
  DropFileTarget->OnDragOver = [this](TObject*, TShiftState, TPoint p, uint32_t&) { DropFileTargetDragOver(p); };
  DropFileTarget->OnDrop = [this](TObject*, TShiftState, TPoint, uint32_t&) {
    std::vector<String> paths;
    for (int32_t i = 0; i < DropFileTarget->Files()->Count(); ++i) paths.push_back(DropFileTarget->Files()->Strings(i));
    DropFileTargetDrop(paths);
  };
}

int32_t TInputTabBase::Ask(int32_t Slot, const String& Arg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  return Messager->MessageDlg(FormatMessageArgs(MyStringCollection->S(Slot), Arg), DlgType, Buttons, 0);
}

TMyFileObject* TInputTabBase::Record(TTreeNode* Node) {
  return Node != nullptr ? static_cast<TMyFileObject*>(Node->Data()) : nullptr;
}

int32_t TInputTabBase::IconOf(const String& Path) { return ZavSystemImageList->GetFileIconIndex(Path); }

TTreeNode* TInputTabBase::AddRecordNode(TTreeNode* Parent, TMyFileObject* Item) {
  TTreeNode* node = TreeView->Items()->AddChildObject(Parent, Item->Name, Item);
  Guarded([&] {
    const int32_t icon = IconOf(Item->Path);
    node->SetImageIndex(icon);
    node->SetSelectedIndex(icon);
  });
  return node;
}

bool TInputTabBase::PageShown() { return Parent() != nullptr && Showing(); }

void TInputTabBase::SyncPartnerPreview(bool Checked) {
  if (!PageShown() || Owner() == nullptr) return;
  for (int32_t i = 0; i < Owner()->ComponentCount(); ++i) {
    auto* other = dynamic_cast<TInputTabBase*>(Owner()->Components(i));
    if (other != nullptr && other != this && other->ChkPreview->Checked() != Checked)
      other->ChkPreview->SetChecked(Checked);
  }
}

void TInputTabBase::ShowCounts() {
  LabelFileNumber->SetCaption(FormatMessageArgs(MyStringCollection->S(FSwitches.FilesText), IntToStr(FFileCount)));
  const bool folders = FFolderCount > 0;
  if (TreeView->ShowRoot() != folders) TreeView->SetShowRoot(folders);
  if (TreeView->ShowLines() != folders) TreeView->SetShowLines(folders);
}

void TInputTabBase::DisplayFileNumberTimerTimer(TObject*) {
  Guarded([&] { ShowCounts(); });
}

void TInputTabBase::BntCloseClick(TObject*) {
  Guarded([&] {
    if (FMainForm != nullptr) FMainForm->Close();
  });
}

void TInputTabBase::Open1Click(TObject*) {}
