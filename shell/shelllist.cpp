#include "shell/shelllist.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "shell/shellbrowser_internal.h"
#include "shell/shellcontrolresources.h"

namespace {

// The incremental refresh finds items by a linear search per object.
constexpr int32_t kRefreshLimit = 300;
constexpr uint32_t kRefreshDelay = 500;
constexpr uint32_t kStopBound = 5000;
// Items drawn with their thumbnails from this far above the view on.
constexpr int32_t kDrawAbove = 200;
constexpr int32_t kHeaderArrowBits = HDF_BITMAP | HDF_BITMAP_ON_RIGHT;

// The 8 x 8 top-left block of the resource bitmap, its transparent colour
// left out, on the button face; nil when the resource cannot be had.
std::unique_ptr<TBitmap> SortArrow(const char* Resource) {
  TBitmap art;
  try {
    art.LoadFromResourceName(nullptr, Resource);
  } catch (const Exception&) {
    return nullptr;
  }
  auto arrow = std::make_unique<TBitmap>();
  arrow->SetPixelFormat(TPixelFormat::pf24bit);
  arrow->SetSize(art.Width(), art.Height());
  arrow->Canvas()->Brush()->SetColor(clBtnFace);
  arrow->Canvas()->FillRect(TRect{0, 0, art.Width(), art.Height()});
  const TColor transparent = art.TransparentColor() & 0xFFFFFF;
  for (int32_t y = 0; y < std::min(8, art.Height()); ++y)
    for (int32_t x = 0; x < std::min(8, art.Width()); ++x) {
      const TColor c = art.Canvas()->Pixels(x, y);
      if (c != transparent) arrow->Canvas()->SetPixels(x, y, c);
    }
  return arrow;
}

bool TracksFirstVisible(uint32_t Msg) {
  switch (Msg) {
    case WM_PAINT:
    case WM_SIZE:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case LVM_SCROLL:
    case LVM_ENSUREVISIBLE:
    case LVM_ARRANGE: return true;
    default: return false;
  }
}

}  // namespace

// ---- Life ------------------------------------------------------------------------------------

TZavShellList::TZavShellList(TComponent* AOwner)
    : TCustomListView(AOwner), FFirstVisible(std::make_shared<std::atomic<int32_t>>(0)) {
  InitShellControlResources();
  FBrowser = new TShellBrowser(this);
  FBrowser->SetShowErrorMessages(false);
  FSmallImages = new TZavSystemImageList(this);
  SetSmallImages(FSmallImages);
  FLargeImages = new TZavSystemImageList(this);
  FLargeImages->SetSize(TZavImageListSize::si_large);
  SetLargeImages(FLargeImages);
  FThumbnailImages = new TCustomImageList(this, ThumbnailPictureWidth, ThumbnailPictureWidth);
  FThumbnailImages->SetMasked(false);
  FRefreshTimer = new TTimer(this);
  FRefreshTimer->SetEnabled(false);
  FRefreshTimer->SetInterval(kRefreshDelay);
  FRefreshTimer->SetOnTimer([this](TObject*) {
    FRefreshTimer->SetEnabled(false);
    Refresh();
  });
  TCustomListView::SetViewStyle(TViewStyle::vsReport);
  SetMultiSelect(true);
  SetAllocBy(32);
  IconOptions()->SetAutoArrange(true);
  FArrowUp = SortArrow("TZAVSHELLLIST_LV_ARROWUP");
  FArrowDown = SortArrow("TZAVSHELLLIST_LV_ARROWDOWN");
  if (!FArrowUp || !FArrowDown) {
    FArrowUp.reset();
    FArrowDown.reset();
  }
}

TZavShellList::~TZavShellList() {
  FDestroying = true;
  // No pump here: a message handled now would reach a control half taken
  // down. A thread still running is let go; it delivers nothing more.
  ForgetThumbnailThread();
  ClearDrop(false);
  if (FShellLink != nullptr && HandleAllocated()) FShellLink->UnregisterWindow(WindowHandle());
  // The base frees its items without Delete: the records go first.
  ClearRecords();
}

void TZavShellList::ClearRecords() {
  if (!HandleAllocated()) {
    for (int32_t i = 0; i < Items()->Count(); ++i) FreeRecord(Items()->Item(i));
    return;
  }
  const int32_t count = Items()->Count();
  for (int32_t i = 0; i < count; ++i) FreeRecord(Items()->Item(i));
}

void TZavShellList::Loaded() {
  TCustomListView::Loaded();
  if (FShellLink == nullptr || Items()->Count() == 0) Populate();
}

void TZavShellList::CreateWnd() {
  TCustomListView::CreateWnd();
  if (FOleDragDrop) SetOleDragDrop(true);
  if (!FCreatedOnce) {
    LOGFONT icon;
    if (SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0))
      if (HFONT font = CreateFontIndirect(icon)) Font()->SetHandle(font);
    FBrowser->Loaded();
    FCreatedOnce = true;
    // The drives folder unless a folder was chosen before the window.
    if (!FFolderChosen && GetPath().empty()) SetPath(String());
    return;
  }
  if (FShellLink != nullptr) FShellLink->RegisterWindow(WindowHandle());
  FBrowser->Loaded();
  Populate();
}

void TZavShellList::DestroyWnd() {
  if (FShellLink != nullptr) FShellLink->UnregisterWindow(WindowHandle());
  RevokeDragDrop(WindowHandle());
  TCustomListView::DestroyWnd();
}

void TZavShellList::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomListView::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FShellLink) FShellLink = nullptr;
  if (AComponent == FHostPageControl) FHostPageControl = nullptr;
  if (AComponent == FBackgroundPopupMenu) FBackgroundPopupMenu = nullptr;
}

// ---- Messages ----------------------------------------------------------------------------------

void TZavShellList::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY:
      if (AnswerDispInfo(reinterpret_cast<NMLVDISPINFO*>(Message.LParam))) return;
      if (const auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
          hdr->code == LVN_BEGINDRAG || hdr->code == LVN_BEGINRDRAG) {
        BeginDragOut(reinterpret_cast<NMLISTVIEW*>(Message.LParam), hdr->code == LVN_BEGINRDRAG);
        return;
      }
      break;
    case WM_CONTEXTMENU: ContextMenu(Message); return;
    case ZSL_FOLDERCHANGE: LinkFolderChange(Message); return;
    case ZSL_SELECTALL: LinkSelectAll(Message); return;
    case ZSL_REPOPULATE: Populate(); return;
    case ZSL_REFRESH: Refresh(); return;
    case ZSL_GOUP: LinkGoUp(Message); return;
    default: break;
  }
  TCustomListView::Dispatch(Message);
  if (TracksFirstVisible(Message.Msg)) PublishFirstVisible();
}

void TZavShellList::LinkFolderChange(TMessage& Message) {
  if (Message.WParam == 0) return;
  try {
    FBrowser->SetFolderIDList(reinterpret_cast<LPCITEMIDLIST>(Message.WParam));
    FFolderChosen = true;
    Populate();
  } catch (const Exception&) {
    StopThumbnailThread();
    Items()->Clear();
  }
}

void TZavShellList::LinkSelectAll(TMessage&) {
  for (int32_t i = 0; i < Items()->Count(); ++i) Items()->Item(i)->SetSelected(true);
  TakeFocus();
}

void TZavShellList::TakeFocus() {
  if (HandleAllocated() && IsWindowVisible(WindowHandle()) && CanFocus()) SetFocus();
}

void TZavShellList::LinkGoUp(TMessage& Message) {
  FBrowser->GoUp();
  Populate();
  TellLinkFolder();
  Message.Result = 1;
}

void TZavShellList::TellLinkFolder() {
  if (FShellLink == nullptr || Loading()) return;
  TOwnedIDList folder = Own(FBrowser->GetFolderIDList());
  FShellLink->NotifyFolderChange(this, folder.get());
}

// ---- Folder and properties ----------------------------------------------------------------------

void TZavShellList::SetPath(const String& Value) {
  if (Loading()) {
    if (GetSpecialFolder() == TZavShellFolder::SF_DESKTOP) return;
    try {
      FBrowser->SetFolder(Value);
    } catch (const EShellBrowserError&) {
    }
  } else {
    FBrowser->SetFolder(Value);
  }
  FFolderChosen = true;
  TellLinkFolder();
  Populate();
}

void TZavShellList::SetFilter(const String& Value) {
  FBrowser->SetFilter(Value);
  Populate();
}

void TZavShellList::SetFileSystemOnly(bool Value) {
  FBrowser->SetFileSystemOnly(Value);
  Populate();
}

TZavShellFolder TZavShellList::GetSpecialFolder() {
  const int32_t folder = FBrowser->GetFolderSpecialFolder();
  if (folder == int32_t(TZavShellFolder::SF_DRIVES) && !GetPath().empty()) return TZavShellFolder::SF_FILESYSTEMFOLDER;
  return folder >= 0 && folder < ZavShellFolderCount ? TZavShellFolder(folder) : TZavShellFolder::SF_FILESYSTEMFOLDER;
}

void TZavShellList::SetSpecialFolder(TZavShellFolder Value) {
  if (Value != TZavShellFolder::SF_FILESYSTEMFOLDER && FBrowser->SetSpecialFolder(Value)) FFolderChosen = true;
  Populate();
  TellLinkFolder();
}

void TZavShellList::SetViewStyle(TViewStyle Value) {
  TCustomListView::SetViewStyle(Value);
  if (!Loading()) UpdateHeaderArrows();
  if (Value != TViewStyle::vsIcon) SetThumbnails(false);
}

void TZavShellList::SetThumbnails(bool Value) {
  if (Value == FThumbnails) return;
  FThumbnails = Value;
  StopThumbnailThread();
  Items()->BeginUpdate();
  Items()->Clear();
  Items()->EndUpdate();
  if (Value) {
    SetLargeImages(FThumbnailImages);
    TCustomListView::SetViewStyle(TViewStyle::vsIcon);
    OnCustomDrawItem = [this](TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw) {
      DrawThumbnail(Sender, Item, State, DefaultDraw);
    };
  } else {
    SetLargeImages(FLargeImages);
    OnCustomDrawItem = nullptr;
  }
  Populate();
}

void TZavShellList::SetIconSpacing(int32_t X, int32_t Y) {
  HandleNeeded();
  Perform(LVM_SETICONSPACING, 0, MAKELPARAM(X, Y));
}

void TZavShellList::SetDetails(bool Value) {
  if (Value == FDetails) return;
  FDetails = Value;
  Populate();
}

void TZavShellList::SetShowFolders(bool Value) {
  if (Value == FShowFolders) return;
  FShowFolders = Value;
  Populate();
}

void TZavShellList::SetShowParentFolder(bool Value) {
  if (Value == FShowParentFolder) return;
  FShowParentFolder = Value;
  Populate();
}

void TZavShellList::SetShowOptions(TZavShellShowOptions Value) {
  if (Value == FShowOptions) return;
  FShowOptions = Value;
  FBrowser->SetShowErrorMessages(Value.Contains(TZavShellShowOption::soShowErrorMessages));
  Populate();
}

void TZavShellList::SetShowHidden(bool Value) {
  TZavShellShowOptions options = FShowOptions;
  if (Value)
    options.Include(TZavShellShowOption::soShowHidden);
  else
    options.Exclude(TZavShellShowOption::soShowHidden);
  SetShowOptions(options);
}

void TZavShellList::SetShellLink(TZavShellLink* Value) {
  if (Value == FShellLink) return;
  if (FShellLink != nullptr) {
    if (HandleAllocated()) FShellLink->UnregisterWindow(WindowHandle());
    FShellLink->RemoveFreeNotification(this);
  }
  FShellLink = Value;
  if (FShellLink != nullptr) {
    FShellLink->FreeNotification(this);
    FShellLink->RegisterWindow(Handle());
  }
}

void TZavShellList::SetHostPageControl(TWinControl* Value) {
  if (FHostPageControl != nullptr) FHostPageControl->RemoveFreeNotification(this);
  FHostPageControl = Value;
  if (FHostPageControl != nullptr) FHostPageControl->FreeNotification(this);
}

void TZavShellList::GoUp() {
  if (FShellLink != nullptr) {
    FShellLink->GoUp(this);
    return;
  }
  FBrowser->GoUp();
  Populate();
}

String TZavShellList::GetItemPath(TListItem* Item) {
  TZavShellListItem* data = Record(Item);
  if (data == nullptr || data->IDList == nullptr) return GetPath();
  FBrowser->SetCurrentIDList(data->IDList);
  return GetPath() + FBrowser->GetObjectName();
}

// ---- Filling -------------------------------------------------------------------------------------

bool TZavShellList::Populate() {
  if (Loading() || !Enabled() || FBusy) return false;
  FBusy = true;
  TComponentRef<TZavShellList> self(this);
  auto idle = ScopeExit([&] {
    if (self) FBusy = false;
  });
  THourglass hourglass;
  try {
    return FillItems() && self;
  } catch (...) {
    // Every failure ends the fill; the items stay as far as they got.
    return false;
  }
}

bool TZavShellList::FillItems() {
  TComponentRef<TZavShellList> self(this);
  StopThumbnailThread();
  if (!self) return false;
  FCanDrawThumbnails = false;
  Items()->BeginUpdate();
  Items()->Clear();
  Items()->EndUpdate();
  Items()->BeginUpdate();
  {
    auto endUpdate = ScopeExit([this] { Items()->EndUpdate(); });
    Items()->Clear();
    FThumbnailImages->Clear();
    CreateColumns();
    if (OnCreateColumns) OnCreateColumns(this);
    FFileCount = 0;
    FFolderCount = 0;
    while (FBrowser->Next()) {
      AddItem();
      ++(FBrowser->IsFolder() ? FFolderCount : FFileCount);
    }
    if (FShowParentFolder) AddParentItem();
    SortItems();
    UpdateHeaderArrows();
  }
  if (OnPopulated) OnPopulated(this);
  FCanDrawThumbnails = true;
  Invalidate();
  if (FThumbnails) StartThumbnailThread();
  return true;
}

void TZavShellList::CreateColumns() {
  if (FFolderHadPath)
    for (int32_t i = 0; i < std::min(Columns()->Count(), 256); ++i) FSavedWidths[i] = Columns()->Items(i)->Width();
  FFolderHadPath = !GetPath().empty();
  Columns()->Clear();
  String caption = FBrowser->GetDetails(0, true);
  for (int32_t c = 0;;) {
    AddColumn(c, caption);
    if (!FDetails) break;
    caption = FBrowser->GetDetails(++c, true);
    if (caption.empty()) break;
  }
  FColumnCount = Columns()->Count();
}

void TZavShellList::AddColumn(int32_t ShellColumn, const String& Caption) {
  int32_t width = 0;
  const TAlignment alignment = FBrowser->GetColumnInfo(ShellColumn, width);
  // A column the folder hides is left out; the map keeps the later ones right.
  if (width <= 0) return;
  const int32_t index = Columns()->Count();
  if (FFolderHadPath && index < 255 && FSavedWidths[index] >= 1) width = FSavedWidths[index];
  if (index == 0)
    width = std::max(width, 220);
  else if (alignment == TAlignment::taLeftJustify && width <= 119)
    width = 120;
  else
    width = std::max(width, 80);
  TListColumn* column = Columns()->Add();
  column->SetCaption(Caption);
  column->SetAlignment(alignment);
  column->SetWidth(width);
  if (index < 256) FColumnMap[index] = ShellColumn;
}

void TZavShellList::AddItem() {
  const uint32_t attributes = FBrowser->GetAttributes(SFGAO_LINK | SFGAO_HIDDEN | SFGAO_FOLDER);
  const bool folder = (attributes & SFGAO_FOLDER) != 0;
  const bool hidden = (attributes & SFGAO_HIDDEN) != 0;
  if ((attributes & SFGAO_LINK) != 0 || (hidden && !GetShowHidden()) || (folder && !FShowFolders)) return;
  // Archives are no folders here, so no folder is left out for its extension.
  TListItem* item = Items()->Add();
  item->SetCaption(FBrowser->GetDisplayName());
  TZavShellListItem* data = NewRecord(item);
  data->IDList = FBrowser->GetCurrentIDList();
  data->IsFolder = folder;
  AskDetailsOnDemand(item);
  if (FThumbnails && folder) data->Thumbnail = FolderPicture();
  // Dimmed: the list asks no state by callback, so the state is set here.
  if (hidden) item->SetCut(true);
  UpdateCheckState(item);
  if (!OnAddItem) return;
  bool canAdd = true;
  if (FDetails)
    for (int32_t c = 1; c < FColumnCount; ++c) item->SubItems()->Add(FBrowser->GetDetails(FColumnMap[c], false));
  OnAddItem(item, canAdd);
  if (!canAdd) item->Delete();
}

// The details columns are callbacks too: the control asks for them when it
// shows them, and keeps the answers.
void TZavShellList::AskDetailsOnDemand(TListItem* Item) {
  if (!FDetails || FColumnCount < 2) return;
  const int32_t index = Item->Index();
  for (int32_t c = 1; c < FColumnCount; ++c) {
    LVITEM text;
    text.mask = LVIF_TEXT;
    text.iSubItem = c;
    text.pszText = LPSTR_TEXTCALLBACK;
    Perform(LVM_SETITEMTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text));
  }
}

// Linked with check boxes: the item shows its object's state in the link's
// checked selection.
void TZavShellList::UpdateCheckState(TListItem* Item) {
  TZavShellListItem* data = Record(Item);
  if (FShellLink == nullptr || !Checkboxes() || data == nullptr || data->IDList == nullptr) return;
  FBrowser->SetCurrentIDList(data->IDList);
  bool viaAncestor = false;
  // The state image's index is the check state.
  Item->SetStateIndex(FShellLink->Selection()->GetStateOfIDList(FBrowser->GetAbsoluteIDList(), viaAncestor));
}

std::unique_ptr<TBitmap> TZavShellList::FolderPicture() {
  auto picture = std::make_unique<TBitmap>();
  picture->SetPixelFormat(TPixelFormat::pf24bit);
  picture->SetSize(ThumbnailPictureWidth, ThumbnailPictureHeight);
  picture->Canvas()->Brush()->SetColor(clWindow);
  picture->Canvas()->FillRect(TRect{0, 0, ThumbnailPictureWidth, ThumbnailPictureHeight});
  FLargeImages->Draw(picture->Canvas(), (ThumbnailPictureWidth - FLargeImages->Width()) / 2,
                     (ThumbnailPictureHeight - FLargeImages->Height()) / 2, FBrowser->GetIconIndex());
  return picture;
}

void TZavShellList::AddParentItem(const String& Caption) {
  if (FShellLink != nullptr && !FShellLink->ShowParentItem()) return;
  if (FBrowser->GetFolderSpecialFolder() == int32_t(TZavShellFolder::SF_DESKTOP)) return;
  TListItem* item = Items()->Add();
  item->SetCaption(Caption.empty() ? String(" .. ") : Caption);
  item->SetImageIndex(TShellBrowser::GetFolderImageIndex());
  TZavShellListItem* data = NewRecord(item);
  data->IsParentItem = true;
  data->IsFolder = true;
  item->SetStateIndex(1);
  item->SetOverlayIndex(-1);
}

TZavShellListItem* TZavShellList::NewRecord(TListItem* Item) {
  auto* data = new TZavShellListItem;
  data->Generation = FNextGeneration++;
  Item->SetData(data);
  FRecords[data->Generation] = Item;
  return data;
}

void TZavShellList::FreeRecord(TListItem* Item) {
  TZavShellListItem* data = Record(Item);
  if (data == nullptr) return;
  FRecords.erase(data->Generation);
  Item->SetData(nullptr);
  delete data;
}

void TZavShellList::Delete(TListItem* Item) {
  FreeRecord(Item);
  TCustomListView::Delete(Item);
}

// ---- Sorting -------------------------------------------------------------------------------------

void TZavShellList::SortItems() {
  if (FSortColumn >= FColumnCount || OnCompare) {
    AlphaSort();
    return;
  }
  const int32_t direction = FSortDescending ? -1 : 1;
  CustomSort([this, direction](TListItem* A, TListItem* B, intptr_t) { return CompareItems(A, B, direction); }, 0);
}

int32_t TZavShellList::CompareItems(TListItem* A, TListItem* B, int32_t Direction) {
  TZavShellListItem* a = Record(A);
  TZavShellListItem* b = Record(B);
  const bool parentA = a != nullptr && a->IsParentItem;
  const bool parentB = b != nullptr && b->IsParentItem;
  if (parentA || parentB) return parentA == parentB ? 0 : parentA ? -1 : 1;
  if (a == nullptr || b == nullptr || FBrowser->ShellFolder() == nullptr) return 0;
  const HRESULT hr = FBrowser->ShellFolder()->CompareIDs(LPARAM(FSortColumn), a->IDList, b->IDList);
  if (FAILED(hr)) return 0;
  return CompareIDsResult(hr) * Direction;
}

void TZavShellList::ColClick(TListColumn* Column) {
  const int32_t index = Column->Index();
  FSortDescending = index == FSortColumn && !FSortDescending;
  FSortColumn = index;
  SortItems();
  UpdateHeaderArrows();
  TCustomListView::ColClick(Column);
}

void TZavShellList::UpdateHeaderArrows() {
  if (!FArrowUp || !FArrowDown || !HandleAllocated()) return;
  for (int32_t c = 0; c < Columns()->Count(); ++c) SetHeaderArrow(c);
}

void TZavShellList::SetHeaderArrow(int32_t Column) {
  const HWND header = HeaderHandle();
  if (header == nullptr) return;
  HDITEM item;
  item.mask = HDI_FORMAT;
  if (SendMessage(header, HDM_GETITEM, WPARAM(Column), reinterpret_cast<LPARAM>(&item)) == 0) return;
  item.mask = HDI_FORMAT | HDI_BITMAP;
  if (Column == FSortColumn) {
    item.fmt |= kHeaderArrowBits;
    item.hbm = (FSortDescending ? FArrowDown : FArrowUp)->Handle();
  } else {
    item.fmt &= ~kHeaderArrowBits;
    item.hbm = nullptr;
  }
  SendMessage(header, HDM_SETITEM, WPARAM(Column), reinterpret_cast<LPARAM>(&item));
}

// ---- Refresh -------------------------------------------------------------------------------------

void TZavShellList::RefreshSoon() {
  FRefreshTimer->SetEnabled(false);
  FRefreshTimer->SetEnabled(true);
}

void TZavShellList::Refresh() {
  if (Loading() || !Enabled() || FBusy) return;
  if (Items()->Count() > kRefreshLimit) {
    Populate();
    return;
  }
  FBusy = true;
  TComponentRef<TZavShellList> self(this);
  auto idle = ScopeExit([&] {
    if (self) FBusy = false;
  });
  try {
    RefreshItems();
  } catch (...) {
    // A refresh that fails leaves the list as far as it got.
  }
}

bool TZavShellList::RefreshItems() {
  TComponentRef<TZavShellList> self(this);
  StopThumbnailThread();
  if (!self) return false;
  FCanDrawThumbnails = false;
  for (int32_t i = 0; i < Items()->Count(); ++i)
    if (TZavShellListItem* data = Record(Items()->Item(i)); data != nullptr && !data->IsParentItem) data->Seen = 0;
  FFileCount = 0;
  FFolderCount = 0;
  while (FBrowser->Next()) {
    // Captions compare exactly: "A.jpg" and "a.jpg" are two objects.
    const String name = FBrowser->GetDisplayName();
    TListItem* found = nullptr;
    for (int32_t i = 0; i < Items()->Count() && found == nullptr; ++i)
      if (Items()->Item(i)->Caption() == name && Record(Items()->Item(i)) != nullptr) found = Items()->Item(i);
    if (found != nullptr)
      Record(found)->Seen = 1;
    else
      AddItem();
    ++(FBrowser->IsFolder() ? FFolderCount : FFileCount);
  }
  TStringList vanished;
  for (int32_t i = Items()->Count() - 1; i >= 0; --i) {
    TListItem* item = Items()->Item(i);
    TZavShellListItem* data = Record(item);
    if (data == nullptr || data->IsParentItem) continue;
    if (data->Seen != 0) {
      UpdateCheckState(item);
      continue;
    }
    if (item->Cut()) vanished.Add(GetPath() + item->Caption());
    item->Delete();
  }
  if (vanished.Count() > 0 && OnOperation) OnOperation(this, ZavOperationCutVanished, &vanished, String());
  FCanDrawThumbnails = true;
  Invalidate();
  if (FThumbnails) StartThumbnailThread();
  return true;
}

// ---- Text and images on demand ---------------------------------------------------------------------

bool TZavShellList::AnswerDispInfo(NMLVDISPINFO* Info) {
  if (Info == nullptr || Info->hdr.code != LVN_GETDISPINFO) return false;
  TListItem* item = ItemOf(Info->item.lParam);
  TZavShellListItem* data = Record(item);
  if (data == nullptr) return false;
  const bool text = (Info->item.mask & LVIF_TEXT) != 0;
  if (text && Info->item.iSubItem != 0 &&
      (!FDetails || data->IsParentItem || data->IDList == nullptr || Info->item.iSubItem >= FColumnCount))
    return false;
  if (text) AnswerText(item, data, Info);
  if ((Info->item.mask & LVIF_IMAGE) != 0 && Info->item.iSubItem == 0) AnswerImage(item, data, Info);
  // Kept by the control: the shell is asked once per item and column.
  Info->item.mask |= LVIF_DI_SETITEM;
  return true;
}

void TZavShellList::AnswerText(TListItem* Item, TZavShellListItem* Data, NMLVDISPINFO* Info) {
  const int32_t column = Info->item.iSubItem;
  if (column == 0) {
    ComCopyText(Item->Caption(), Info->item.pszText, Info->item.cchTextMax);
    return;
  }
  FBrowser->SetCurrentIDList(Data->IDList);
  ComCopyText(FBrowser->GetDetails(FColumnMap[column], false), Info->item.pszText, Info->item.cchTextMax);
}

void TZavShellList::AnswerImage(TListItem* Item, TZavShellListItem* Data, NMLVDISPINFO* Info) {
  if (FThumbnails && ViewStyle() == TViewStyle::vsIcon) {
    Info->item.iImage = I_IMAGENONE;
  } else if (Data->IsParentItem || Data->IDList == nullptr) {
    Info->item.iImage = Item->ImageIndex() < 0 ? I_IMAGENONE : Item->ImageIndex();
  } else {
    FBrowser->SetCurrentIDList(Data->IDList);
    Info->item.iImage = FBrowser->GetIconIndex();
  }
}

// ---- Changes and selection -------------------------------------------------------------------------

void TZavShellList::Change(TListItem* Item, uint32_t Change) {
  if ((Change & LVIF_STATE) != 0) {
    if (!FInSelectionChange) FSelectedNames.reset();
    TZavShellListItem* data = Record(Item);
    if (FShellLink != nullptr && SelCount() > 0 && data != nullptr && !data->IsParentItem && !Loading() &&
        Item->Selected()) {
      TOwnedIDList folder = Own(FBrowser->GetFolderIDList());
      FShellLink->NotifySelection(this, folder.get(), data->IDList);
    }
  }
  TCustomListView::Change(Item, Change);
}

TStrings* TZavShellList::SelectedNames() {
  if (!FSelectedNames) FSelectedNames = std::make_unique<TStringList>();
  if (FSelectedNames->Count() > 0 || !HandleAllocated()) return FSelectedNames.get();
  for (TListItem* item = GetNextItem(nullptr, LVNI_SELECTED); item != nullptr;
       item = GetNextItem(item, LVNI_SELECTED)) {
    TZavShellListItem* data = Record(item);
    if (data == nullptr || data->IsParentItem) continue;
    FBrowser->SetCurrentIDList(data->IDList);
    const String name = FBrowser->GetObjectName();
    FSelectedNames->Add(name.empty() ? FBrowser->GetDisplayName() : name);
  }
  return FSelectedNames.get();
}

void TZavShellList::SetSelectedNames(TStrings* Value) {
  auto names = std::make_unique<TStringList>();
  if (Value != nullptr) names->Assign(Value);
  if (!HandleAllocated()) {
    FSelectedNames = std::move(names);
    return;
  }
  FInSelectionChange = true;
  auto done = ScopeExit([this] { FInSelectionChange = false; });
  SetSelected(nullptr);
  for (int32_t i = 0; i < names->Count(); ++i) {
    try {
      FBrowser->SetObjectName(names->Strings(i));
    } catch (const EShellBrowserError&) {
      continue;
    }
    const int32_t index = FindItemByIDList(FBrowser->GetCurrentIDList());
    if (index < 0) continue;
    TListItem* item = Items()->Item(index);
    item->SetSelected(true);
    item->SetFocused(true);
    item->MakeVisible(false);
  }
  FSelectedNames = std::move(names);
  TakeFocus();
}

int32_t TZavShellList::FindItemByIDList(LPITEMIDLIST List) {
  TOwnedIDList owned = Own(List);
  IShellFolder* folder = FBrowser->ShellFolder();
  if (List == nullptr || folder == nullptr) return -1;
  for (int32_t i = 0; i < Items()->Count(); ++i) {
    TZavShellListItem* data = Record(Items()->Item(i));
    if (data == nullptr || data->IDList == nullptr) continue;
    const HRESULT hr = folder->CompareIDs(0, data->IDList, List);
    if (SUCCEEDED(hr) && CompareIDsResult(hr) == 0) return i;
  }
  return -1;
}

TListItem* TZavShellList::FindItemByCaption(const String& Text) {
  for (int32_t i = 0; i < Items()->Count(); ++i)
    if (AnsiCompareText(Items()->Item(i)->Caption(), Text) == 0) return Items()->Item(i);
  return nullptr;
}

// ---- Thumbnails ------------------------------------------------------------------------------------

void TZavShellList::StartThumbnailThread() {
  auto job = std::make_shared<TThumbnailJob>();
  job->FirstVisible = FFirstVisible;
  job->Folder = FBrowser->GetFolderIDList();
  const int32_t count = Items()->Count();
  job->Items.reserve(size_t(count));
  for (int32_t i = 0; i < count; ++i) {
    TZavShellListItem* data = Record(Items()->Item(i));
    TThumbnailSource source;
    source.Done = data == nullptr || data->Thumbnail != nullptr;
    if (data != nullptr) {
      source.Generation = data->Generation;
      if (data->IDList != nullptr) source.IDList = std::shared_ptr<ITEMIDLIST>(CopyIDList(data->IDList), FreeIDList);
    }
    job->Items.push_back(std::move(source));
  }
  PublishFirstVisible();
  TScanThumbnailThread* thread = nullptr;
  try {
    thread = new TScanThumbnailThread(job);
  } catch (const Exception&) {
    return;
  }
  job->Deliver = [this](int32_t Index, uint64_t Generation, std::unique_ptr<TBitmap> Picture) {
    ThumbnailArrived(Index, Generation, std::move(Picture));
  };
  TThumbnailJob* raw = job.get();
  job->OnEnded = [this, raw] {
    if (FThumbnailJob.get() == raw) FThumbnailJob.reset();
  };
  thread->OnTerminate = [job](TThread*) {
    job->Ended = true;
    if (job->OnEnded) job->OnEnded();
  };
  thread->SetFreeOnTerminate(true);
  FThumbnailJob = job;
  try {
    thread->Start();
  } catch (const Exception&) {
    FThumbnailJob.reset();
    delete thread;
  }
}

void TZavShellList::StopThumbnailThread() {
  if (!FThumbnailJob) return;
  if (FDestroying) {
    ForgetThumbnailThread();
    return;
  }
  const std::shared_ptr<TThumbnailJob> job = FThumbnailJob;
  TComponentRef<TWinControl> host(FHostPageControl);
  const bool reenable = host && host->Enabled();
  if (reenable) host->SetEnabled(false);
  TComponentRef<TZavShellList> self(this);
  const bool wasBusy = FBusy;
  FBusy = true;
  auto idle = ScopeExit([&] {
    if (self) FBusy = wasBusy;
  });
  job->Stop = true;
  const uint64_t start = GetTickCount64();
  // The pump runs the worker's queued pictures and its end; a click may
  // start a nested fill here, which the busy flag refuses.
  while (!job->Ended && GetTickCount64() - start < kStopBound) {
    if (Application != nullptr) Application->ProcessMessages();
    if (job->Ended) break;
    Sleep(10);
  }
  job->Deliver = nullptr;
  job->OnEnded = nullptr;
  if (self && FThumbnailJob == job) FThumbnailJob.reset();
  if (reenable && host) host->SetEnabled(true);
}

void TZavShellList::ForgetThumbnailThread() {
  if (!FThumbnailJob) return;
  FThumbnailJob->Stop = true;
  FThumbnailJob->Deliver = nullptr;
  FThumbnailJob->OnEnded = nullptr;
  FThumbnailJob.reset();
}

void TZavShellList::ThumbnailArrived(int32_t Index, uint64_t Generation, std::unique_ptr<TBitmap> Picture) {
  auto found = FRecords.find(Generation);
  if (found == FRecords.end()) return;
  TListItem* item = found->second;
  TZavShellListItem* data = Record(item);
  if (data == nullptr || data->Thumbnail) return;
  data->Thumbnail = std::move(Picture);
  // The snapshot's index first: it holds unless the items were sorted since.
  const int32_t index = Index < Items()->Count() && Items()->Item(Index) == item ? Index : item->Index();
  if (index >= 0 && HandleAllocated()) Perform(LVM_REDRAWITEMS, WPARAM(index), LPARAM(index));
}

void TZavShellList::PublishFirstVisible() {
  if (!HandleAllocated()) return;
  int32_t first = -1;
  for (int32_t y : {30, 80}) {
    LVHITTESTINFO info;
    info.pt = TPoint{50, y};
    const int32_t i = int32_t(Perform(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (i >= 0 && (info.flags & LVHT_ONITEM) != 0) {
      first = i;
      break;
    }
  }
  FFirstVisible->store(first);
}

void TZavShellList::DrawThumbnail(TCustomListView*, TListItem* Item, TCustomDrawState State, bool& DefaultDraw) {
  DefaultDraw = true;
  if (!FCanDrawThumbnails || !FThumbnails || ViewStyle() != TViewStyle::vsIcon) return;
  const TRect r = Item->DisplayRect(TDisplayCode::drIcon);
  if (r.Top < -kDrawAbove || r.Top > ClientHeight()) return;
  TCanvas* canvas = Canvas();
  canvas->Font()->SetName("Tahoma");
  canvas->Font()->SetSize(8);
  canvas->Font()->SetStyle(TFontStyles());
  TZavShellListItem* data = Record(Item);
  if (data != nullptr && data->Thumbnail)
    canvas->Draw(r.Left + 1 + (ThumbnailPictureWidth - data->Thumbnail->Width()) / 2,
                 r.Top + 9 + (ThumbnailPictureHeight - data->Thumbnail->Height()) / 2, data->Thumbnail.get());
  const bool selected = State.Contains(TCustomDrawStateItem::cdsSelected);
  const int32_t inset = selected ? 0 : 1;
  canvas->Pen()->SetColor(selected ? clBlue : TColor(0xC0C0C0));
  canvas->Pen()->SetWidth(selected ? 3 : 1);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->Rectangle(r.Left + 1, r.Top + 1 + inset, r.Right - 1 - inset, r.Bottom - 2 - inset);
}
