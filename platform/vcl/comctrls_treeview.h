// The tree view: the native class "SysTreeView32" with its styles, messages
// and notifications, and the framework's TCustomTreeView / TTreeView with
// TTreeNode and TTreeNodes over it.
//
// The native class keeps the items (a tree of nodes, one caret item, the
// expanded rows) and tells its parent about everything by WM_NOTIFY; the
// framework reflects those as CN_NOTIFY and turns them into events. Node
// objects of the framework live in the items' lParam.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/imagelist.h"
#include "platform/gui/windows.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/controls.h"

class TCustomImageList;
class TChangeLink;

// Registers "SysTreeView32" once per process.
void RegisterTreeViewClass();

// ---- Items --------------------------------------------------------------------------------
struct HTREEITEM__;
using HTREEITEM = HTREEITEM__*;

inline const HTREEITEM TVI_ROOT = reinterpret_cast<HTREEITEM>(intptr_t(-0x10000));
inline const HTREEITEM TVI_FIRST = reinterpret_cast<HTREEITEM>(intptr_t(-0x0FFFF));
inline const HTREEITEM TVI_LAST = reinterpret_cast<HTREEITEM>(intptr_t(-0x0FFFE));
inline const HTREEITEM TVI_SORT = reinterpret_cast<HTREEITEM>(intptr_t(-0x0FFFD));

// ---- Styles -------------------------------------------------------------------------------
inline constexpr uint32_t TVS_HASBUTTONS = 0x0001;
inline constexpr uint32_t TVS_HASLINES = 0x0002;
inline constexpr uint32_t TVS_LINESATROOT = 0x0004;
inline constexpr uint32_t TVS_EDITLABELS = 0x0008;
inline constexpr uint32_t TVS_DISABLEDRAGDROP = 0x0010;
inline constexpr uint32_t TVS_SHOWSELALWAYS = 0x0020;
inline constexpr uint32_t TVS_RTLREADING = 0x0040;
inline constexpr uint32_t TVS_NOTOOLTIPS = 0x0080;
inline constexpr uint32_t TVS_CHECKBOXES = 0x0100;
inline constexpr uint32_t TVS_TRACKSELECT = 0x0200;
inline constexpr uint32_t TVS_SINGLEEXPAND = 0x0400;
inline constexpr uint32_t TVS_INFOTIP = 0x0800;
inline constexpr uint32_t TVS_FULLROWSELECT = 0x1000;
inline constexpr uint32_t TVS_NOSCROLL = 0x2000;
inline constexpr uint32_t TVS_NONEVENHEIGHT = 0x4000;

// ---- Messages -----------------------------------------------------------------------------
inline constexpr uint32_t TV_FIRST = 0x1100;
inline constexpr uint32_t TVM_DELETEITEM = 0x1101;   // lParam item (TVI_ROOT: all)
inline constexpr uint32_t TVM_EXPAND = 0x1102;       // wParam TVE_*, lParam item
inline constexpr uint32_t TVM_GETITEMRECT = 0x1104;  // wParam TRUE: label only; lParam TRect* holding the item
inline constexpr uint32_t TVM_GETCOUNT = 0x1105;
inline constexpr uint32_t TVM_GETINDENT = 0x1106;
inline constexpr uint32_t TVM_SETINDENT = 0x1107;
inline constexpr uint32_t TVM_GETIMAGELIST = 0x1108;  // wParam TVSIL_*
inline constexpr uint32_t TVM_SETIMAGELIST = 0x1109;  // wParam TVSIL_*, lParam list; answers the old one
inline constexpr uint32_t TVM_GETNEXTITEM = 0x110A;   // wParam TVGN_*, lParam item
inline constexpr uint32_t TVM_SELECTITEM = 0x110B;    // wParam TVGN_CARET/DROPHILITE/FIRSTVISIBLE
inline constexpr uint32_t TVM_GETEDITCONTROL = 0x110F;
inline constexpr uint32_t TVM_GETVISIBLECOUNT = 0x1110;  // fully visible rows
inline constexpr uint32_t TVM_HITTEST = 0x1111;          // lParam TVHITTESTINFO*
inline constexpr uint32_t TVM_CREATEDRAGIMAGE = 0x1112;  // lParam item; answers a new image list
inline constexpr uint32_t TVM_SORTCHILDREN = 0x1113;     // wParam recurse, lParam parent
inline constexpr uint32_t TVM_ENSUREVISIBLE = 0x1114;
inline constexpr uint32_t TVM_SORTCHILDRENCB = 0x1115;   // wParam recurse, lParam TVSORTCB*
inline constexpr uint32_t TVM_ENDEDITLABELNOW = 0x1116;  // wParam TRUE: cancel
inline constexpr uint32_t TVM_SETITEMHEIGHT = 0x111B;    // wParam height (-1: the default); answers the old
inline constexpr uint32_t TVM_SETBKCOLOR = 0x111D;       // lParam colour (CLR_NONE: clWindow); answers the old
inline constexpr uint32_t TVM_SETTEXTCOLOR = 0x111E;     // lParam colour (CLR_NONE: clWindowText); answers the old
inline constexpr uint32_t TVM_GETITEMHEIGHT = 0x111C;
inline constexpr uint32_t TVM_GETITEMSTATE = 0x1127;  // wParam item, lParam mask
inline constexpr uint32_t TVM_INSERTITEM = 0x1132;    // lParam TVINSERTSTRUCT*
inline constexpr uint32_t TVM_GETITEM = 0x113E;       // lParam TVITEM*
inline constexpr uint32_t TVM_SETITEM = 0x113F;       // lParam TVITEM*
inline constexpr uint32_t TVM_EDITLABEL = 0x1141;     // lParam item; answers the edit

inline constexpr uint32_t TVE_COLLAPSE = 0x0001;
inline constexpr uint32_t TVE_EXPAND = 0x0002;
inline constexpr uint32_t TVE_TOGGLE = 0x0003;
inline constexpr uint32_t TVE_ACTIONMASK = 0x0003;
inline constexpr uint32_t TVE_COLLAPSERESET = 0x8000;

inline constexpr uint32_t TVSIL_NORMAL = 0;
inline constexpr uint32_t TVSIL_STATE = 2;

inline constexpr uint32_t TVGN_ROOT = 0x0000;
inline constexpr uint32_t TVGN_NEXT = 0x0001;
inline constexpr uint32_t TVGN_PREVIOUS = 0x0002;
inline constexpr uint32_t TVGN_PARENT = 0x0003;
inline constexpr uint32_t TVGN_CHILD = 0x0004;
inline constexpr uint32_t TVGN_FIRSTVISIBLE = 0x0005;
inline constexpr uint32_t TVGN_NEXTVISIBLE = 0x0006;
inline constexpr uint32_t TVGN_PREVIOUSVISIBLE = 0x0007;
inline constexpr uint32_t TVGN_DROPHILITE = 0x0008;
inline constexpr uint32_t TVGN_CARET = 0x0009;
inline constexpr uint32_t TVGN_LASTVISIBLE = 0x000A;

inline constexpr uint32_t TVHT_NOWHERE = 0x0001;
inline constexpr uint32_t TVHT_ONITEMICON = 0x0002;
inline constexpr uint32_t TVHT_ONITEMLABEL = 0x0004;
inline constexpr uint32_t TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | 0x0040;
inline constexpr uint32_t TVHT_ONITEMINDENT = 0x0008;
inline constexpr uint32_t TVHT_ONITEMBUTTON = 0x0010;
inline constexpr uint32_t TVHT_ONITEMRIGHT = 0x0020;
inline constexpr uint32_t TVHT_ONITEMSTATEICON = 0x0040;
inline constexpr uint32_t TVHT_ABOVE = 0x0100;
inline constexpr uint32_t TVHT_BELOW = 0x0200;
inline constexpr uint32_t TVHT_TORIGHT = 0x0400;
inline constexpr uint32_t TVHT_TOLEFT = 0x0800;

inline constexpr uint32_t TVIF_TEXT = 0x0001;
inline constexpr uint32_t TVIF_IMAGE = 0x0002;
inline constexpr uint32_t TVIF_PARAM = 0x0004;
inline constexpr uint32_t TVIF_STATE = 0x0008;
inline constexpr uint32_t TVIF_HANDLE = 0x0010;
inline constexpr uint32_t TVIF_SELECTEDIMAGE = 0x0020;
inline constexpr uint32_t TVIF_CHILDREN = 0x0040;
inline constexpr uint32_t TVIF_DI_SETITEM = 0x1000;

inline constexpr uint32_t TVIS_SELECTED = 0x0002;
inline constexpr uint32_t TVIS_CUT = 0x0004;
inline constexpr uint32_t TVIS_DROPHILITED = 0x0008;
inline constexpr uint32_t TVIS_BOLD = 0x0010;
inline constexpr uint32_t TVIS_EXPANDED = 0x0020;
inline constexpr uint32_t TVIS_EXPANDEDONCE = 0x0040;
inline constexpr uint32_t TVIS_OVERLAYMASK = 0x0F00;
inline constexpr uint32_t TVIS_STATEIMAGEMASK = 0xF000;
inline constexpr uint32_t TVIS_USERMASK = 0xF000;

inline constexpr int32_t I_CHILDRENCALLBACK = -1;

// Causes of a selection change (NMTREEVIEW action).
inline constexpr uint32_t TVC_UNKNOWN = 0;
inline constexpr uint32_t TVC_BYMOUSE = 1;
inline constexpr uint32_t TVC_BYKEYBOARD = 2;

// ---- Notifications --------------------------------------------------------------------------
inline constexpr uint32_t TVN_KEYDOWN = uint32_t(-412);
inline constexpr uint32_t TVN_SELCHANGING = uint32_t(-450);  // non-zero refuses
inline constexpr uint32_t TVN_SELCHANGED = uint32_t(-451);
inline constexpr uint32_t TVN_GETDISPINFO = uint32_t(-452);
inline constexpr uint32_t TVN_SETDISPINFO = uint32_t(-453);
inline constexpr uint32_t TVN_ITEMEXPANDING = uint32_t(-454);  // non-zero refuses
inline constexpr uint32_t TVN_ITEMEXPANDED = uint32_t(-455);
inline constexpr uint32_t TVN_BEGINDRAG = uint32_t(-456);
inline constexpr uint32_t TVN_BEGINRDRAG = uint32_t(-457);
inline constexpr uint32_t TVN_DELETEITEM = uint32_t(-458);
inline constexpr uint32_t TVN_BEGINLABELEDIT = uint32_t(-459);  // non-zero refuses
inline constexpr uint32_t TVN_ENDLABELEDIT = uint32_t(-460);

// ---- Records ------------------------------------------------------------------------------
// Text is UTF-8; cchTextMax counts bytes.
struct TVITEM {
  uint32_t mask = 0;
  HTREEITEM hItem = nullptr;
  uint32_t state = 0;
  uint32_t stateMask = 0;
  char* pszText = nullptr;
  int32_t cchTextMax = 0;
  int32_t iImage = 0;
  int32_t iSelectedImage = 0;
  int32_t cChildren = 0;
  LPARAM lParam = 0;
};

struct TVINSERTSTRUCT {
  HTREEITEM hParent = nullptr;  // nullptr or TVI_ROOT: a top-level item
  HTREEITEM hInsertAfter = TVI_LAST;
  TVITEM item;
};

struct NMTREEVIEW {
  NMHDR hdr;
  uint32_t action = 0;
  TVITEM itemOld;
  TVITEM itemNew;
  TPoint ptDrag;
};

// TVN_GETDISPINFO asks for the fields of item.mask; the answer writes them
// (the text into pszText, or points pszText at its own text) and may add
// TVIF_DI_SETITEM to have them stored. TVN_BEGINLABELEDIT / TVN_ENDLABELEDIT
// carry the item; the end has pszText nullptr when the edit was cancelled.
struct NMTVDISPINFO {
  NMHDR hdr;
  TVITEM item;
};

struct NMTVKEYDOWN {
  NMHDR hdr;
  uint16_t wVKey = 0;
  uint32_t flags = 0;
};

struct TVHITTESTINFO {
  TPoint pt;
  uint32_t flags = 0;
  HTREEITEM hItem = nullptr;
};

using PFNTVCOMPARE = int32_t (*)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

struct TVSORTCB {
  HTREEITEM hParent = nullptr;
  PFNTVCOMPARE lpfnCompare = nullptr;
  LPARAM lParam = 0;
};

// The default indent and its smallest value.
inline constexpr int32_t TreeDefaultIndent = 19;
// Incremental search: typed characters within this many ms make one prefix.
inline constexpr uint32_t TreeSearchWindowMs = 1000;

// ================================================================================
// Framework
// ================================================================================

class TTreeNode;
class TTreeNodes;
class TCustomTreeView;

enum class TNodeAttachMode : uint8_t { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
enum class TMultiSelectStyles : uint8_t { msControlSelect, msShiftSelect, msVisibleOnly, msSiblingOnly };
using TMultiSelectStyle = Set<TMultiSelectStyles>;

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, String& S)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVCompareEvent =
    std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int32_t Data, int32_t& Compare)>;
using TTVCustomDrawEvent = std::function<void(TCustomTreeView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTVCustomDrawItemEvent =
    std::function<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawEvent =
    std::function<void(TCustomTreeView* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawItemEvent =
    std::function<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                       bool& PaintImages, bool& DefaultDraw)>;
// Compares two nodes' data for CustomSort: < 0, 0, > 0.
using TTVCompare = std::function<int32_t(TTreeNode* Node1, TTreeNode* Node2, LPARAM Data)>;

// One item of the tree. Made and freed by TTreeNodes; its item's lParam
// points back at it.
class TTreeNode : public TPersistent {
  friend class TTreeNodes;
  friend class TCustomTreeView;

 public:
  explicit TTreeNode(TTreeNodes* AOwner);
  ~TTreeNode() override;
  const char* ClassName() const override { return "TTreeNode"; }

  TTreeNodes* Owner() const { return FOwner; }
  TCustomTreeView* TreeView() const;
  HTREEITEM ItemId() const { return FItemId; }
  HTREEITEM Handle() const { return FItemId; }

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  int32_t SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int32_t Value);
  // -1: none. Read from the item: a check box click changes it.
  int32_t StateIndex() const;
  void SetStateIndex(int32_t Value);
  int32_t OverlayIndex() const;
  void SetOverlayIndex(int32_t Value);
  // Whether the node shows a button (it has children or is marked).
  bool HasChildren();
  void SetHasChildren(bool Value);
  bool Expanded();
  void SetExpanded(bool Value) {
    if (Value)
      Expand(false);
    else
      Collapse(false);
  }
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Cut();
  void SetCut(bool Value);
  bool DropTarget();
  void SetDropTarget(bool Value);
  // The caret item (with MultiSelect: also one of the selection).
  bool Selected();
  void SetSelected(bool Value);
  bool Focused();
  void SetFocused(bool Value);
  bool IsVisible();
  void MakeVisible();
  // The label's rectangle (TextOnly) or the row's; empty while hidden.
  TRect DisplayRect(bool TextOnly);
  bool EditText();
  void EndEdit(bool Cancel);

  TTreeNode* Parent();
  int32_t Level();
  int32_t Count();
  TTreeNode* Item(int32_t Index);
  int32_t Index();
  // Position among all nodes, depth first.
  int32_t AbsoluteIndex();
  TTreeNode* GetFirstChild();
  TTreeNode* GetLastChild();
  TTreeNode* GetNextSibling();
  TTreeNode* GetPrevSibling();
  TTreeNode* GetNext();  // depth first
  TTreeNode* GetPrev();
  TTreeNode* GetNextVisible();
  TTreeNode* GetPrevVisible();
  bool HasAsParent(TTreeNode* Value);

  void Delete();
  void DeleteChildren();
  bool AlphaSort(bool ARecurse = false);
  bool CustomSort(TTVCompare SortProc, LPARAM Data, bool ARecurse = false);
  void MoveTo(TTreeNode* Destination, TNodeAttachMode Mode);

 private:
  TTreeNode* NodeOf(HTREEITEM Item) const;
  HTREEITEM Next(uint32_t Code) const;
  void SetState(uint32_t Bits, uint32_t Mask);
  uint32_t State(uint32_t Mask) const;

  TTreeNodes* FOwner;
  HTREEITEM FItemId = nullptr;
  String FText;
  void* FData = nullptr;
  int32_t FImageIndex = -1;
  int32_t FSelectedIndex = -1;
  int32_t FStateIndex = -1;
  int32_t FOverlayIndex = -1;
  bool FDeleting = false;
};

// The nodes of a tree view. Every change is a message to the view's window
// (made on demand).
class TTreeNodes : public TPersistent {
  friend class TTreeNode;
  friend class TCustomTreeView;

 public:
  explicit TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}
  ~TTreeNodes() override;
  const char* ClassName() const override { return "TTreeNodes"; }

  TCustomTreeView* Owner() const { return FOwner; }
  int32_t Count();
  // Depth first over all nodes.
  TTreeNode* Item(int32_t Index);
  TTreeNode* GetFirstNode();
  TTreeNode* GetNode(HTREEITEM ItemId);

  // A sibling after the last one of Sibling's level (a top-level node for nullptr).
  TTreeNode* Add(TTreeNode* Sibling, const String& S) { return AddObject(Sibling, S, nullptr); }
  TTreeNode* AddObject(TTreeNode* Sibling, const String& S, void* Ptr);
  TTreeNode* AddFirst(TTreeNode* Sibling, const String& S) { return AddObjectFirst(Sibling, S, nullptr); }
  TTreeNode* AddObjectFirst(TTreeNode* Sibling, const String& S, void* Ptr);
  // The last child of Parent (top level for nullptr).
  TTreeNode* AddChild(TTreeNode* Parent, const String& S) { return AddChildObject(Parent, S, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* Parent, const String& S, void* Ptr);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const String& S) { return AddChildObjectFirst(Parent, S, nullptr); }
  TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const String& S, void* Ptr);
  // Before Sibling (at the end of the top level for nullptr).
  TTreeNode* Insert(TTreeNode* Sibling, const String& S) { return InsertObject(Sibling, S, nullptr); }
  TTreeNode* InsertObject(TTreeNode* Sibling, const String& S, void* Ptr);
  void Delete(TTreeNode* Node);
  // One TVN_DELETEITEM (OnDeletion) per node, children first.
  void Clear();
  void BeginUpdate();
  void EndUpdate();

 private:
  TTreeNode* InternalAdd(TTreeNode* Parent, HTREEITEM After, const String& S, void* Ptr);
  TCustomTreeView* FOwner;
  int32_t FUpdateCount = 0;
};

class TCustomTreeView : public TWinControl {
  friend class TTreeNode;
  friend class TTreeNodes;

 public:
  explicit TCustomTreeView(TComponent* AOwner);
  ~TCustomTreeView() override;
  const char* ClassName() const override { return "TCustomTreeView"; }

  TTreeNodes* Items() const { return FTreeNodes.get(); }
  // The caret node; setting it selects by TVM_SELECTITEM (OnChanging and
  // OnChange fire, TVC_UNKNOWN).
  TTreeNode* Selected();
  void SetSelected(TTreeNode* Value);
  TTreeNode* DropTarget();
  void SetDropTarget(TTreeNode* Value);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* Value);
  // The node of the row under a client point (nullptr below the last row).
  TTreeNode* GetNodeAt(int32_t X, int32_t Y);
  // TVHT_ bits of a client point.
  uint32_t GetHitTestInfoAt(int32_t X, int32_t Y);
  bool IsEditing();
  void FullExpand();
  void FullCollapse();
  bool AlphaSort(bool ARecurse = true);
  bool CustomSort(TTVCompare SortProc, LPARAM Data, bool ARecurse = true);
  TCanvas* Canvas() const { return FCanvas.get(); }

  int32_t Indent();
  void SetIndent(int32_t Value);
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value) { SetStyleBit(TVS_HASBUTTONS, FShowButtons = Value); }
  bool ShowLines() const { return FShowLines; }
  void SetShowLines(bool Value) { SetStyleBit(TVS_HASLINES, FShowLines = Value); }
  bool ShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool Value) { SetStyleBit(TVS_LINESATROOT, FShowRoot = Value); }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value) { SetStyleBit(TVS_SHOWSELALWAYS, !(FHideSelection = Value)); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { SetStyleBit(TVS_EDITLABELS, !(FReadOnly = Value)); }
  bool HotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value) { SetStyleBit(TVS_TRACKSELECT, FHotTrack = Value); }
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value) { SetStyleBit(TVS_FULLROWSELECT, FRowSelect = Value); }
  bool CheckBoxes() const { return FCheckBoxes; }
  void SetCheckBoxes(bool Value);
  // dmManual sets TVS_DISABLEDRAGDROP, dmAutomatic clears it at once.
  void SetDragMode(TDragMode Value);
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
  // True keeps the node objects whenever the window goes and comes back
  // (RecreateWnd, a parent's re-creation) without OnDeletion or OnAddition;
  // False deletes them with OnDeletion when the window goes.
  bool CreateWndRestores() const { return FCreateWndRestores; }
  void SetCreateWndRestores(bool Value) { FCreateWndRestores = Value; }
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);

  // ---- Multi-selection ----
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  TMultiSelectStyle MultiSelectStyle() const { return FMultiSelectStyle; }
  void SetMultiSelectStyle(TMultiSelectStyle Value) { FMultiSelectStyle = Value; }
  // In the order they were selected.
  int32_t SelectionCount();
  TTreeNode* Selections(int32_t Index);
  // Adds Node (ShiftState ssCtrl: toggles it, ssShift: the visible range
  // from the anchor; otherwise Node alone).
  void Select(TTreeNode* Node, TShiftState ShiftState = TShiftState());
  void Select(const std::vector<TTreeNode*>& Nodes);
  void Deselect(TTreeNode* Node);
  void ClearSelection(bool KeepPrimary = false);

  void Dispatch(TMessage& Message) override;

  // ---- Events ----
  TTVChangingEvent OnChanging;
  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVExpandedEvent OnDeletion;
  TTVExpandedEvent OnAddition;
  TTVExpandedEvent OnGetImageIndex;
  TTVExpandedEvent OnGetSelectedIndex;
  TTVCompareEvent OnCompare;
  TTVCustomDrawEvent OnCustomDraw;
  TTVCustomDrawItemEvent OnCustomDrawItem;
  TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
  TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Dynamic methods over the notifications.
  virtual bool CanChange(TTreeNode* Node);
  virtual void Change(TTreeNode* Node);
  virtual bool CanExpand(TTreeNode* Node);
  virtual void Expand(TTreeNode* Node);
  virtual bool CanCollapse(TTreeNode* Node);
  virtual void Collapse(TTreeNode* Node);
  virtual bool CanEdit(TTreeNode* Node);
  virtual void Edit(const TVITEM& Item);
  virtual void Delete(TTreeNode* Node);
  virtual void Added(TTreeNode* Node);
  virtual void GetImageIndex(TTreeNode* Node);
  virtual void GetSelectedIndex(TTreeNode* Node);
  // Makes the node object of a new item (a descendant's own class).
  virtual TTreeNode* CreateNode();
  virtual bool CustomDraw(const TRect& ARect, TCustomDrawStage Stage);
  virtual bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage, bool& PaintImages);
  virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage);

 private:
  void SetStyleBit(uint32_t Bit, bool On);
  void CNNotify(TMessage& Message);
  void ImageListChange(TObject* Sender);
  void SetImageList(HIMAGELIST List, uint32_t Flags);
  void SyncSelectionBits();
  void SelectRange(TTreeNode* From, TTreeNode* To, bool KeepOthers);
  void PressSelect(TTreeNode* Node, TShiftState Shift);
  void FreeNodeObject(TTreeNode* Node, bool Notify);
  void RestoreNodes();
  void FreePending();

  struct TSavedNode {
    TTreeNode* Node = nullptr;
    int32_t Depth = 0;
    uint32_t State = 0;
    int32_t Children = 0;
  };

  std::unique_ptr<TTreeNodes> FTreeNodes;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  std::unique_ptr<TChangeLink> FStateChangeLink;
  TComCustomDrawDriver FDrawDriver;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  std::vector<TTreeNode*> FSelections;
  TTreeNode* FShiftAnchor = nullptr;
  std::vector<TSavedNode> FSaved;
  TTreeNode* FSavedSelected = nullptr;
  TTreeNode* FSavedTop = nullptr;
  TTreeNode* FEditNode = nullptr;
  int32_t FIndent = TreeDefaultIndent;
  bool FShowButtons = true;
  bool FShowLines = true;
  bool FShowRoot = true;
  bool FHideSelection = true;
  bool FReadOnly = false;
  bool FHotTrack = false;
  bool FRowSelect = false;
  bool FCheckBoxes = false;
  bool FRightClickSelect = false;
  bool FCreateWndRestores = true;
  bool FMultiSelect = false;
  TMultiSelectStyle FMultiSelectStyle{TMultiSelectStyles::msControlSelect};
  TSortType FSortType = TSortType::stNone;
  std::vector<TTreeNode*> FBitNodes;  // nodes whose TVIS_SELECTED the selection set
  std::vector<TTreeNode*> FPendingFree;
  int32_t FNotifyDepth = 0;
  uint32_t FDeleteCount = 0;  // node objects freed so far
  bool FDetaching = false;
  bool FMousePressSelecting = false;
};

class TTreeView : public TCustomTreeView {
 public:
  explicit TTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
  const char* ClassName() const override { return "TTreeView"; }
};
