// The file list side: its clicks, keys and menu, going up a folder, the view
// modes, the folder edit, the counts of the shown folder and the layout.
#include <algorithm>

#include "app/convert/inputtabbase.h"
#include "app/main/bconvert.h"
#include "app/main/browseforfolder.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinspeedbutton.h"

namespace {

TZavShellListItem* ListRecord(TListItem* Item) {
  return Item != nullptr ? static_cast<TZavShellListItem*>(Item->Data()) : nullptr;
}

}  // namespace

void TInputTabBase::ShellListKeyUp(TObject* Sender, uint16_t& Key, TShiftState) {
  if (IsNavigationKey(Key)) ShellListClick(Sender);
}

void TInputTabBase::ShellListKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  Guarded([&] {
    DiscardKeyboardMessages();
    TListItem* focused = ShellList->ItemFocused();
    if (focused != nullptr && FastFileExists(ShellList->GetItemPath(focused)))
      Open1Click(this);
    else
      ShellList->ExecuteVerb("default");
  });
}

void TInputTabBase::ShellListDblClick(TObject*) {
  Guarded([&] {
    TListItem* focused = ShellList->ItemFocused();
    TZavShellListItem* rec = ListRecord(focused);
    if (rec == nullptr) return;
    if (rec->IsFolder)
      ShellList->ExecuteVerb("default");
    else if (FastFileExists(ShellList->GetItemPath(focused)))
      Open1Click(this);
  });
}

void TInputTabBase::ShellListMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button != TMouseButton::mbRight || Shift != TShiftState{ssRight}) return;
  Guarded([&] {
    const TPoint p = ShellList->ClientToScreen(TPoint{X, Y});
    LVMenu->Popup(p.X, p.Y);
  });
}

void TInputTabBase::LVMenuPopup(TObject*) {
  const bool any = ShellList->SelCount() > 0;
  AddtoInputList1->SetEnabled(any);
  Open1->SetEnabled(any);
  Properties1->SetEnabled(any);
}

void TInputTabBase::OpenWindowsExplorer1Click(TObject*) {
  Guarded([&] {
    TListItem* focused = ShellList->ItemFocused();
    TZavShellListItem* rec = ListRecord(focused);
    String folder = ShellList->GetPath();
    if (rec != nullptr && rec->IsFolder && focused == ShellList->Selected()) folder = ShellList->GetItemPath(focused);
    if (DirectoryExists(folder)) ShellExecute(Handle(), "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  });
}

void TInputTabBase::Properties1Click(TObject*) {
  Guarded([&] { ShellList->ExecuteVerb("Properties"); });
}

void TInputTabBase::Refresh1Click(TObject*) {
  Guarded([&] { ShellList->Populate(); });
}

void TInputTabBase::ShellListPopulated(TObject*) {
  Guarded([&] {
    NoFilesMessage->SetVisible(ShellList->Items()->Count() == 0);
    String text;
    if (ShellList->FolderCount() > 0)
      text = FormatMessageArgs(MyStringCollection->S(FSwitches.FoldersText), IntToStr(ShellList->FolderCount())) + ", ";
    text += FormatMessageArgs(MyStringCollection->S(FSwitches.FilesText), IntToStr(ShellList->FileCount()));
    SourceFileCount->SetCaption(text);
  });
}

void TInputTabBase::ShellListChange(TObject*) {
  Guarded([&] {
    const String path = ShellList->GetPath();
    if (SourceFolder->Text() != path) SourceFolder->SetText(path);
  });
}

// ---- Going up and the view modes ------------------------------------------------

void TInputTabBase::ParentButtonClick(TObject*) {
  Guarded([&] {
    const String left = ShellList->GetPath();
    ShellList->GoUp();
    int32_t index = -1;
    for (int32_t i = 0; i < ShellList->Items()->Count() && index < 0; ++i)
      if (SameFolder(ShellList->GetItemPath(ShellList->Items()->Item(i)), left)) index = i;
    if (index >= 0) {
      TListItem* item = ShellList->Items()->Item(index);
      ShellList->SetSelected(item);
      ShellList->SetItemFocused(item);
      ScrollFolderIntoView(index);
    }
    SafeFocus(ShellList);
  });
}

// Scrolls the item at Index into view so that it stands near the middle.
void TInputTabBase::ScrollFolderIntoView(int32_t Index) {
  TListItems* items = ShellList->Items();
  const int32_t last = items->Count() - 1;
  const TViewStyle style = ShellList->ViewStyle();
  int32_t show = Index;
  if (style == TViewStyle::vsReport && ShellList->VisibleRowCount() > 2) {
    show = std::min(Index + ShellList->VisibleRowCount() / 2, last);
  } else if (style == TViewStyle::vsIcon && Index < last && ShellList->Height() > 300) {
    const int32_t top = items->Item(Index)->Position().Y;
    for (int32_t i = Index + 1; i <= last; ++i)
      if (items->Item(i)->Position().Y - top < ShellList->Height() / 2) show = i;
  }
  items->Item(show)->MakeVisible(false);
}

void TInputTabBase::IconListButtonClick(TObject*) {
  Guarded([&] {
    ShellList->SetThumbnails(false);
    ShellList->SetViewStyle(TViewStyle::vsList);
    DetailsButton->ResetHotState();
    TumbnailsButton->ResetHotState();
    ShellList->Invalidate();
  });
}

void TInputTabBase::DetailsButtonClick(TObject*) {
  Guarded([&] {
    ShellList->SetThumbnails(false);
    ShellList->SetViewStyle(TViewStyle::vsReport);
    IconListButton->ResetHotState();
    TumbnailsButton->ResetHotState();
    ShellList->Invalidate();
  });
}

void TInputTabBase::TumbnailsButtonClick(TObject*) {
  Guarded([&] {
    SetIconSpacing(ShellList, 105, 135);
    ShellList->SetThumbnails(true);
    DetailsButton->ResetHotState();
    IconListButton->ResetHotState();
    ShellList->Invalidate();
  });
}

// ---- The folder edit ----------------------------------------------------------------

void TInputTabBase::SourceFolderKeyDown(TObject*, uint16_t& Key, TShiftState Shift) {
  Guarded([&] {
    if (Key == VK_RETURN) {
      const String folder = Trim(SourceFolder->Text());
      if (DirectoryExists(folder)) ShellList->SetPath(AddTrailingBackslash(folder));
      SafeFocus(ShellList);
      DiscardKeyboardMessages();
    } else if (Shift == TShiftState{ssCtrl} && Key == 'A') {
      SourceFolder->SelectAll();
      DiscardKeyboardMessages();
    }
  });
}

void TInputTabBase::BntSourceFolderClick(TObject*) {
  Guarded([&] {
    const String current = Trim(ShellList->GetPath());
    const String chosen = ChooseFolder(BntSourceFolder->Hint(), DirectoryExists(current) ? current : String(), false);
    if (chosen.empty()) return;
    Application->ProcessMessages();
    SourceFolder->SetText(AddTrailingBackslash(chosen));
    uint16_t enter = VK_RETURN;
    SourceFolderKeyDown(SourceFolder, enter, TShiftState());
  });
}

// ---- Timers and layout ----------------------------------------------------------------

void TInputTabBase::PosTimerTimer(TObject*) {
  Guarded([&] {
    if (!HandleAllocated() || !Showing()) return;
    // The tool buttons above the list lose a hover the mouse left unseen.
    TBatchConvert::ClearPanelButtonHover(PP1, ShellList->Top());
    const TPoint pos = ClientToScreen(TPoint{0, 0});
    if (pos.X == FLastScreenPos.X && pos.Y == FLastScreenPos.Y) return;
    // Shown again so that the bars are drawn at the new place.
    const intptr_t style = GetWindowLong(ShellList->Handle(), GWL_STYLE);
    for (auto [bit, bar] : {std::pair{WS_VSCROLL, SB_VERT}, std::pair{WS_HSCROLL, SB_HORZ}})
      if ((style & bit) != 0) {
        ShowScrollBar(ShellList->Handle(), bar, false);
        ShowScrollBar(ShellList->Handle(), bar, true);
      }
    if ((GetWindowLong(TreeView->Handle(), GWL_STYLE) & WS_VSCROLL) != 0) {
      ShowScrollBar(TreeView->Handle(), SB_VERT, false);
      ShowScrollBar(TreeView->Handle(), SB_VERT, true);
    }
    FLastScreenPos = pos;
  });
}

void TInputTabBase::PP1Resize(TObject*) {
  Guarded([&] {
    const int32_t w = PP1->Width(), h = PP1->Height();
    TumbnailsButton->SetLeft(w - 27);
    IconListButton->SetLeft(w - 52);
    DetailsButton->SetLeft(w - 77);
    RefreshButton->SetLeft(w - 102);
    ParentButton->SetLeft(w - 127);
    BntSourceFolder->SetLeft(w - 154);
    SourceFolder->SetWidth(std::max(30, w - 162));
    ShellList->SetWidth(std::max(30, w - 7));
    ShellList->SetHeight(std::max(30, h - FiletypeList->Height() - 58));
    NoFilesMessage->SetLeft(ShellList->Left() + (ShellList->Width() - NoFilesMessage->Width()) / 2);
    NoFilesMessage->BringToFront();
    FiletypeList->SetWidth(ShellList->Width());
    FiletypeList->SetTop(h - FiletypeList->Height() - 8);
    SourceFileCount->SetTop(ShellList->Top() + ShellList->Height() + 3);
  });
}
