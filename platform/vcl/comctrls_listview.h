// The list view: the native class "SysListView32" (items with sub-item
// texts, images and states in icon, small-icon, list and report views, a
// "SysHeader32" child for the report columns, callbacks answered by
// LVN_GETDISPINFO, selection, sorting, in-place label editing, custom draw)
// and the framework's TCustomListView / TListView with their items and
// columns.
//
// Text is UTF-8 and every text message exists once, under the wide number.
// Owner data (LVS_OWNERDATA) is not supported.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/comctrls_header.h"
#include "platform/vcl/controls.h"

// Registers "SysListView32" (and "SysHeader32") once per process.
void RegisterListViewClass();

// ---- Styles -------------------------------------------------------------------------------
inline constexpr uint32_t LVS_ICON = 0x0000;
inline constexpr uint32_t LVS_REPORT = 0x0001;
inline constexpr uint32_t LVS_SMALLICON = 0x0002;
inline constexpr uint32_t LVS_LIST = 0x0003;
inline constexpr uint32_t LVS_TYPEMASK = 0x0003;
inline constexpr uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr uint32_t LVS_SHOWSELALWAYS = 0x0008;
inline constexpr uint32_t LVS_SORTASCENDING = 0x0010;
inline constexpr uint32_t LVS_SORTDESCENDING = 0x0020;
inline constexpr uint32_t LVS_SHAREIMAGELISTS = 0x0040;
inline constexpr uint32_t LVS_NOLABELWRAP = 0x0080;
inline constexpr uint32_t LVS_AUTOARRANGE = 0x0100;
inline constexpr uint32_t LVS_EDITLABELS = 0x0200;
inline constexpr uint32_t LVS_NOSCROLL = 0x2000;
inline constexpr uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr uint32_t LVS_NOSORTHEADER = 0x8000;

inline constexpr uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr uint32_t LVS_EX_SUBITEMIMAGES = 0x0002;
inline constexpr uint32_t LVS_EX_CHECKBOXES = 0x0004;
inline constexpr uint32_t LVS_EX_TRACKSELECT = 0x0008;
inline constexpr uint32_t LVS_EX_HEADERDRAGDROP = 0x0010;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;
inline constexpr uint32_t LVS_EX_ONECLICKACTIVATE = 0x0040;
inline constexpr uint32_t LVS_EX_DOUBLEBUFFER = 0x00010000;  // accepted; painting is already buffered

// ---- Messages -----------------------------------------------------------------------------
inline constexpr uint32_t LVM_FIRST = 0x1000;
inline constexpr uint32_t LVM_GETBKCOLOR = 0x1000;
inline constexpr uint32_t LVM_SETBKCOLOR = 0x1001;    // lParam colour (CLR_NONE: none)
inline constexpr uint32_t LVM_GETIMAGELIST = 0x1002;  // wParam LVSIL_*
inline constexpr uint32_t LVM_SETIMAGELIST = 0x1003;  // wParam LVSIL_*, lParam list; answers the old
inline constexpr uint32_t LVM_GETITEMCOUNT = 0x1004;
inline constexpr uint32_t LVM_DELETEITEM = 0x1008;
inline constexpr uint32_t LVM_DELETEALLITEMS = 0x1009;
inline constexpr uint32_t LVM_GETCALLBACKMASK = 0x100A;
inline constexpr uint32_t LVM_SETCALLBACKMASK = 0x100B;
inline constexpr uint32_t LVM_GETNEXTITEM = 0x100C;  // wParam start (-1: from the first), lParam LVNI_*
inline constexpr uint32_t LVM_GETITEMRECT = 0x100E;  // lParam TRect* (Left = LVIR_* on input)
inline constexpr uint32_t LVM_SETITEMPOSITION = 0x100F;
inline constexpr uint32_t LVM_GETITEMPOSITION = 0x1010;  // lParam TPoint*
inline constexpr uint32_t LVM_GETSTRINGWIDTH = 0x1057;   // lParam const char*
inline constexpr uint32_t LVM_HITTEST = 0x1012;          // lParam LVHITTESTINFO*; answers the item or -1
inline constexpr uint32_t LVM_ENSUREVISIBLE = 0x1013;    // lParam: partly visible is enough
inline constexpr uint32_t LVM_SCROLL = 0x1014;           // wParam dx, lParam dy (pixels)
inline constexpr uint32_t LVM_REDRAWITEMS = 0x1015;
inline constexpr uint32_t LVM_ARRANGE = 0x1016;
inline constexpr uint32_t LVM_GETEDITCONTROL = 0x1018;
inline constexpr uint32_t LVM_DELETECOLUMN = 0x101C;
inline constexpr uint32_t LVM_GETCOLUMNWIDTH = 0x101D;
inline constexpr uint32_t LVM_SETCOLUMNWIDTH = 0x101E;  // lParam width or LVSCW_*
inline constexpr uint32_t LVM_GETHEADER = 0x101F;
inline constexpr uint32_t LVM_CREATEDRAGIMAGE = 0x1021;  // lParam TPoint* (the image's origin)
inline constexpr uint32_t LVM_GETVIEWRECT = 0x1022;
inline constexpr uint32_t LVM_GETTEXTCOLOR = 0x1023;
inline constexpr uint32_t LVM_SETTEXTCOLOR = 0x1024;
inline constexpr uint32_t LVM_GETTEXTBKCOLOR = 0x1025;
inline constexpr uint32_t LVM_SETTEXTBKCOLOR = 0x1026;
inline constexpr uint32_t LVM_GETTOPINDEX = 0x1027;
inline constexpr uint32_t LVM_GETCOUNTPERPAGE = 0x1028;
inline constexpr uint32_t LVM_GETORIGIN = 0x1029;  // lParam TPoint*; FALSE in report and list views
inline constexpr uint32_t LVM_UPDATE = 0x102A;
inline constexpr uint32_t LVM_SETITEMSTATE = 0x102B;  // wParam item (-1: all), lParam LVITEM*
inline constexpr uint32_t LVM_GETITEMSTATE = 0x102C;  // lParam mask
inline constexpr uint32_t LVM_SETITEMCOUNT = 0x102F;
inline constexpr uint32_t LVM_SORTITEMS = 0x1030;  // wParam lParamSort, lParam PFNLVCOMPARE
inline constexpr uint32_t LVM_GETSELECTEDCOUNT = 0x1032;
inline constexpr uint32_t LVM_GETITEMSPACING = 0x1033;
inline constexpr uint32_t LVM_SETICONSPACING = 0x1035;            // lParam cx low word, cy high word, -1 default
inline constexpr uint32_t LVM_SETEXTENDEDLISTVIEWSTYLE = 0x1036;  // wParam mask (0: all), lParam bits
inline constexpr uint32_t LVM_GETEXTENDEDLISTVIEWSTYLE = 0x1037;
inline constexpr uint32_t LVM_GETSUBITEMRECT = 0x1038;  // lParam TRect* (Top = sub-item, Left = LVIR_*)
inline constexpr uint32_t LVM_SUBITEMHITTEST = 0x1039;
inline constexpr uint32_t LVM_SETCOLUMNORDERARRAY = 0x103A;
inline constexpr uint32_t LVM_GETCOLUMNORDERARRAY = 0x103B;
inline constexpr uint32_t LVM_GETSELECTIONMARK = 0x1042;
inline constexpr uint32_t LVM_SETSELECTIONMARK = 0x1043;
inline constexpr uint32_t LVM_GETITEM = 0x104B;
inline constexpr uint32_t LVM_SETITEM = 0x104C;
inline constexpr uint32_t LVM_INSERTITEM = 0x104D;
inline constexpr uint32_t LVM_FINDITEM = 0x1053;  // wParam start (-1), lParam LVFINDINFO*
inline constexpr uint32_t LVM_GETCOLUMN = 0x105F;
inline constexpr uint32_t LVM_SETCOLUMN = 0x1060;
inline constexpr uint32_t LVM_INSERTCOLUMN = 0x1061;
inline constexpr uint32_t LVM_GETITEMTEXT = 0x1073;  // answers the length
inline constexpr uint32_t LVM_SETITEMTEXT = 0x1074;
inline constexpr uint32_t LVM_EDITLABEL = 0x1076;  // wParam item (-1 ends); answers the edit

inline constexpr int32_t LVSIL_NORMAL = 0;
inline constexpr int32_t LVSIL_SMALL = 1;
inline constexpr int32_t LVSIL_STATE = 2;

inline constexpr uint32_t LVIF_TEXT = 0x0001;
inline constexpr uint32_t LVIF_IMAGE = 0x0002;
inline constexpr uint32_t LVIF_PARAM = 0x0004;
inline constexpr uint32_t LVIF_STATE = 0x0008;
inline constexpr uint32_t LVIF_INDENT = 0x0010;
inline constexpr uint32_t LVIF_DI_SETITEM = 0x1000;

inline constexpr uint32_t LVIS_FOCUSED = 0x0001;
inline constexpr uint32_t LVIS_SELECTED = 0x0002;
inline constexpr uint32_t LVIS_CUT = 0x0004;
inline constexpr uint32_t LVIS_DROPHILITED = 0x0008;
inline constexpr uint32_t LVIS_OVERLAYMASK = 0x0F00;
inline constexpr uint32_t LVIS_STATEIMAGEMASK = 0xF000;

inline constexpr uint32_t LVNI_ALL = 0x0000;
inline constexpr uint32_t LVNI_FOCUSED = 0x0001;
inline constexpr uint32_t LVNI_SELECTED = 0x0002;
inline constexpr uint32_t LVNI_CUT = 0x0004;
inline constexpr uint32_t LVNI_DROPHILITED = 0x0008;
inline constexpr uint32_t LVNI_ABOVE = 0x0100;
inline constexpr uint32_t LVNI_BELOW = 0x0200;
inline constexpr uint32_t LVNI_TOLEFT = 0x0400;
inline constexpr uint32_t LVNI_TORIGHT = 0x0800;

inline constexpr int32_t LVIR_BOUNDS = 0;
inline constexpr int32_t LVIR_ICON = 1;
inline constexpr int32_t LVIR_LABEL = 2;
inline constexpr int32_t LVIR_SELECTBOUNDS = 3;

inline constexpr uint32_t LVHT_NOWHERE = 0x0001;
inline constexpr uint32_t LVHT_ONITEMICON = 0x0002;
inline constexpr uint32_t LVHT_ONITEMLABEL = 0x0004;
inline constexpr uint32_t LVHT_ONITEMSTATEICON = 0x0008;
inline constexpr uint32_t LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
inline constexpr uint32_t LVHT_ABOVE = 0x0008;
inline constexpr uint32_t LVHT_BELOW = 0x0010;
inline constexpr uint32_t LVHT_TORIGHT = 0x0020;
inline constexpr uint32_t LVHT_TOLEFT = 0x0040;

inline constexpr uint32_t LVCF_FMT = 0x0001;
inline constexpr uint32_t LVCF_WIDTH = 0x0002;
inline constexpr uint32_t LVCF_TEXT = 0x0004;
inline constexpr uint32_t LVCF_SUBITEM = 0x0008;
inline constexpr uint32_t LVCF_IMAGE = 0x0010;
inline constexpr uint32_t LVCF_ORDER = 0x0020;

inline constexpr int32_t LVCFMT_LEFT = 0;
inline constexpr int32_t LVCFMT_RIGHT = 1;
inline constexpr int32_t LVCFMT_CENTER = 2;
inline constexpr int32_t LVCFMT_JUSTIFYMASK = 3;

inline constexpr int32_t LVSCW_AUTOSIZE = -1;
inline constexpr int32_t LVSCW_AUTOSIZE_USEHEADER = -2;

inline constexpr uint32_t LVFI_PARAM = 0x0001;
inline constexpr uint32_t LVFI_STRING = 0x0002;
inline constexpr uint32_t LVFI_PARTIAL = 0x0008;
inline constexpr uint32_t LVFI_WRAP = 0x0020;

// ---- Notifications -------------------------------------------------------------------------
inline constexpr uint32_t LVN_ITEMCHANGING = uint32_t(-100);
inline constexpr uint32_t LVN_ITEMCHANGED = uint32_t(-101);
inline constexpr uint32_t LVN_INSERTITEM = uint32_t(-102);
inline constexpr uint32_t LVN_DELETEITEM = uint32_t(-103);
inline constexpr uint32_t LVN_DELETEALLITEMS = uint32_t(-104);
inline constexpr uint32_t LVN_COLUMNCLICK = uint32_t(-108);
inline constexpr uint32_t LVN_BEGINDRAG = uint32_t(-109);
inline constexpr uint32_t LVN_BEGINRDRAG = uint32_t(-111);
inline constexpr uint32_t LVN_ITEMACTIVATE = uint32_t(-114);
inline constexpr uint32_t LVN_KEYDOWN = uint32_t(-155);
inline constexpr uint32_t LVN_BEGINLABELEDIT = uint32_t(-175);
inline constexpr uint32_t LVN_ENDLABELEDIT = uint32_t(-176);
inline constexpr uint32_t LVN_GETDISPINFO = uint32_t(-177);

// ---- Records -------------------------------------------------------------------------------
struct LVITEM {
  uint32_t mask = 0;
  int32_t iItem = 0;
  int32_t iSubItem = 0;
  uint32_t state = 0;
  uint32_t stateMask = 0;
  char* pszText = nullptr;  // UTF-8; LPSTR_TEXTCALLBACK asks by LVN_GETDISPINFO
  int32_t cchTextMax = 0;   // bytes of pszText's buffer
  int32_t iImage = 0;
  LPARAM lParam = 0;
  int32_t iIndent = 0;
};

struct LVCOLUMN {
  uint32_t mask = 0;
  int32_t fmt = 0;
  int32_t cx = 0;
  char* pszText = nullptr;
  int32_t cchTextMax = 0;
  int32_t iSubItem = 0;
  int32_t iImage = 0;
  int32_t iOrder = 0;
};

struct LVFINDINFO {
  uint32_t flags = 0;
  const char* psz = nullptr;
  LPARAM lParam = 0;
  TPoint pt;
  uint32_t vkDirection = 0;
};

struct LVHITTESTINFO {
  TPoint pt;
  uint32_t flags = 0;
  int32_t iItem = -1;
  int32_t iSubItem = 0;
};

// LVN_ITEMCHANGING/CHANGED, INSERTITEM, DELETEITEM, DELETEALLITEMS,
// COLUMNCLICK (iSubItem the column), BEGINDRAG/BEGINRDRAG (ptAction).
struct NMLISTVIEW {
  NMHDR hdr;
  int32_t iItem = -1;
  int32_t iSubItem = 0;
  uint32_t uNewState = 0;
  uint32_t uOldState = 0;
  uint32_t uChanged = 0;
  TPoint ptAction;
  LPARAM lParam = 0;
};

// LVN_GETDISPINFO: fill what mask asks for (text into pszText, at most
// cchTextMax bytes, or point pszText at text of your own that lives until
// the next message); add LVIF_DI_SETITEM to have the list keep the answer.
// LVN_BEGINLABELEDIT/ENDLABELEDIT: pszText the text (nullptr when cancelled).
struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};

struct NMLVKEYDOWN {
  NMHDR hdr;
  uint16_t wVKey = 0;
  uint32_t flags = 0;
};

using PFNLVCOMPARE = int32_t (*)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

// ================================================================================
// The framework
// ================================================================================

class TCustomListView;
class TListItems;
class TListColumns;
class TCustomImageList;
class TChangeLink;

enum class TViewStyle : uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };
enum class TItemChange : uint8_t { ctText, ctImage, ctState };
enum class TDisplayCode : uint8_t { drBounds, drIcon, drLabel, drSelectBounds };
enum class TItemState : uint8_t { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
enum class TIconArrangement : uint8_t { iaTop, iaLeft };

class TListItem : public TObject {
 public:
  explicit TListItem(TListItems* AOwner);
  const char* ClassName() const override { return "TListItem"; }

  TListItems* Owner() const { return FOwner; }
  TCustomListView* ListView() const;
  // Setting the caption or a sub-item puts the callback back in the window.
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TStrings* SubItems() const { return FSubItems.get(); }
  // -1: none.
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  int32_t StateIndex();
  void SetStateIndex(int32_t Value);
  int32_t OverlayIndex();
  void SetOverlayIndex(int32_t Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int32_t Indent() const { return FIndent; }

  bool Selected() { return GetState(LVIS_SELECTED); }
  void SetSelected(bool Value) { SetState(LVIS_SELECTED, Value); }
  bool Focused() { return GetState(LVIS_FOCUSED); }
  void SetFocused(bool Value) { SetState(LVIS_FOCUSED, Value); }
  bool Cut() { return GetState(LVIS_CUT); }
  void SetCut(bool Value) { SetState(LVIS_CUT, Value); }
  bool DropTarget() { return GetState(LVIS_DROPHILITED); }
  void SetDropTarget(bool Value) { SetState(LVIS_DROPHILITED, Value); }
  // The check box of the check-box styles (state image 2 checked, 1 not).
  bool Checked();
  void SetChecked(bool Value);

  int32_t Index();
  TPoint Position();
  void SetPosition(const TPoint& Value);
  TRect DisplayRect(TDisplayCode Code);
  void MakeVisible(bool PartialOK);
  bool EditCaption();
  void CancelEdit();
  void Update();
  void Delete();

 private:
  friend class TCustomListView;
  friend class TListItems;
  bool GetState(uint32_t Bit);
  void SetState(uint32_t Bit, bool Value);
  void SubItemsChanged();

  TListItems* FOwner;
  String FCaption;
  std::unique_ptr<TStringList> FSubItems;
  int32_t FImageIndex = -1;
  void* FData = nullptr;
  int32_t FIndent = 0;
  // Kept while the window is re-created.
  uint32_t FSavedState = 0;
  bool FDeleting = false;
  int32_t FIndexHint = -1;  // checked before use
};

class TListItems : public TObject {
 public:
  explicit TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}
  const char* ClassName() const override { return "TListItems"; }

  TCustomListView* Owner() const { return FOwner; }
  TListItem* Add();
  TListItem* Insert(int32_t Index);
  void Delete(int32_t Index);
  // One LVN_DELETEITEM (so one OnDeletion) per item, in index order.
  void Clear();
  // WM_SETREDRAW off and on, nested.
  void BeginUpdate();
  void EndUpdate();
  int32_t Count();
  TListItem* Item(int32_t Index);
  TListItem* operator[](int32_t Index) { return Item(Index); }
  int32_t IndexOf(TListItem* Value);

 private:
  TCustomListView* FOwner;
  int32_t FUpdateCount = 0;
};

class TListColumn : public TObject {
 public:
  explicit TListColumn(TListColumns* AOwner) : FOwner(AOwner) {}
  const char* ClassName() const override { return "TListColumn"; }

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  // Read back by LVM_GETCOLUMNWIDTH while the window exists.
  int32_t Width();
  void SetWidth(int32_t Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  int32_t Index() const;

 private:
  friend class TCustomListView;
  friend class TListColumns;
  TListColumns* FOwner;
  String FCaption;
  int32_t FWidth = 50;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  int32_t FImageIndex = -1;
};

class TListColumns : public TObject {
 public:
  explicit TListColumns(TCustomListView* AOwner) : FOwner(AOwner) {}
  const char* ClassName() const override { return "TListColumns"; }

  TListColumn* Add();
  void Delete(int32_t Index);
  void Clear();
  int32_t Count() const { return int32_t(FItems.size()); }
  TListColumn* Items(int32_t Index) const;
  TListColumn* operator[](int32_t Index) const { return Items(Index); }
  TCustomListView* Owner() const { return FOwner; }

 private:
  friend class TCustomListView;
  friend class TListColumn;
  TCustomListView* FOwner;
  std::vector<std::unique_ptr<TListColumn>> FItems;
};

class TIconOptions : public TObject {
 public:
  explicit TIconOptions(TCustomListView* AOwner) : FOwner(AOwner) {}
  const char* ClassName() const override { return "TIconOptions"; }
  TIconArrangement Arrangement() const { return FArrangement; }
  void SetArrangement(TIconArrangement Value);
  bool AutoArrange() const { return FAutoArrange; }
  void SetAutoArrange(bool Value);
  bool WrapText() const { return FWrapText; }
  void SetWrapText(bool Value);

 private:
  TCustomListView* FOwner;
  TIconArrangement FArrangement = TIconArrangement::iaTop;
  bool FAutoArrange = false;
  bool FWrapText = true;
};

using TLVNotifyEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, intptr_t Data, int32_t& Compare)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, String& S)>;
using TLVCustomDrawEvent = std::function<void(TCustomListView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVCustomDrawSubItemEvent = std::function<void(TCustomListView* Sender, TListItem* Item, int32_t SubItem,
                                                     TCustomDrawState State, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawEvent =
    std::function<void(TCustomListView* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawItemEvent = std::function<void(
    TCustomListView* Sender, TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawSubItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, int32_t SubItem, TCustomDrawState State,
                       TCustomDrawStage Stage, bool& DefaultDraw)>;
// Answers < 0, 0 or > 0.
using TLVCompare = std::function<int32_t(TListItem* Item1, TListItem* Item2, intptr_t Data)>;

class TCustomListView : public TWinControl {
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;
  const char* ClassName() const override { return "TCustomListView"; }

  TListItems* Items() const { return FItems.get(); }
  TListColumns* Columns() const { return FColumns.get(); }
  TIconOptions* IconOptions() const { return FIconOptions.get(); }
  TCanvas* Canvas() const { return FCanvas.get(); }

  TViewStyle ViewStyle() const { return FViewStyle; }
  // Through the window's style: no re-creation.
  void SetViewStyle(TViewStyle Value);
  TCustomImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* Value);
  TCustomImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  bool ColumnClick() const { return FColumnClick; }
  void SetColumnClick(bool Value);
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool Value);
  bool HeaderDragDrop() const { return FHeaderDragDrop; }
  void SetHeaderDragDrop(bool Value);
  int32_t AllocBy() const { return FAllocBy; }
  void SetAllocBy(int32_t Value);
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);

  // The first selected item (nullptr: none); setting it selects only that item.
  TListItem* Selected();
  void SetSelected(TListItem* Value);
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* Value);
  int32_t SelCount();
  TListItem* TopItem();
  TListItem* GetItemAt(int32_t X, int32_t Y);
  TListItem* GetNextItem(TListItem* StartItem, uint32_t Flags);
  int32_t VisibleRowCount();
  void Scroll(int32_t DX, int32_t DY);
  // By caption (OnCompare when assigned).
  bool AlphaSort();
  bool CustomSort(TLVCompare SortProc, intptr_t Data);
  bool IsEditing();
  HWND HeaderHandle();

  void Dispatch(TMessage& Message) override;

  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVSelectItemEvent OnSelectItem;
  TLVNotifyEvent OnInsert;
  TLVNotifyEvent OnDeletion;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVNotifyEvent OnGetImageIndex;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVCustomDrawEvent OnCustomDraw;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVCustomDrawSubItemEvent OnCustomDrawSubItem;
  TLVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
  TLVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;
  TLVAdvancedCustomDrawSubItemEvent OnAdvancedCustomDrawSubItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual bool CanChange(TListItem* Item, uint32_t Change);
  virtual void Change(TListItem* Item, uint32_t Change);
  virtual bool CanEdit(TListItem* Item);
  // The edit ended with text S: OnEdited, then the caption becomes S.
  virtual void Edit(const LVITEM& Item);
  virtual void Delete(TListItem* Item);
  virtual void InsertItem(TListItem* Item);
  virtual void ColClick(TListColumn* Column);
  virtual void GetImageIndex(TListItem* Item);
  virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage);
  virtual bool CustomDraw(const TRect& ARect, TCustomDrawStage Stage);
  virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage);
  virtual bool CustomDrawSubItem(TListItem* Item, int32_t SubItem, TCustomDrawState State, TCustomDrawStage Stage);
  // The item of the window's lParam.
  TListItem* ItemOf(LPARAM Param) const;

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;
  friend class TIconOptions;
  void CNNotify(TMessage& Message);
  void GetDispInfo(NMLVDISPINFO* Info);
  void CustomDrawNotify(TMessage& Message);
  void UpdateExStyle();
  void SetImageList(int32_t Which, TCustomImageList* Value, TCustomImageList*& Field);
  void InsertColumnNative(int32_t Index);
  void UpdateColumnNative(int32_t Index);
  void RecreateStyle();
  uint32_t ViewBits() const;
  // Frees items whose deletion came inside a notification, once it returned.
  void FlushDeleted();
  TListItem* NewItem();
  void FreeItem(TListItem* Item);

  std::unique_ptr<TListItems> FItems;
  std::unique_ptr<TListColumns> FColumns;
  std::unique_ptr<TIconOptions> FIconOptions;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unordered_set<TListItem*> FAllItems;
  std::vector<TListItem*> FDeferred;
  std::vector<TListItem*> FSavedItems;
  bool FHasSaved = false;
  bool FRecreating = false;
  int32_t FNotifyDepth = 0;
  TViewStyle FViewStyle = TViewStyle::vsIcon;
  TCustomImageList* FLargeImages = nullptr;
  TCustomImageList* FSmallImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  std::unique_ptr<TChangeLink> FLargeLink;
  std::unique_ptr<TChangeLink> FSmallLink;
  std::unique_ptr<TChangeLink> FStateLink;
  bool FMultiSelect = false;
  bool FRowSelect = false;
  bool FGridLines = false;
  bool FHideSelection = true;
  bool FReadOnly = false;
  bool FShowColumnHeaders = true;
  bool FColumnClick = true;
  bool FCheckboxes = false;
  bool FHeaderDragDrop = false;
  int32_t FAllocBy = 0;
  TSortType FSortType = TSortType::stNone;
  TComCustomDrawDriver FDrawDriver;
  TLVCompare FSortProc;
  String FEditBuffer;
  String FDispBuffer;
};

class TListView : public TCustomListView {
 public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
  const char* ClassName() const override { return "TListView"; }
};
