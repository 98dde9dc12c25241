// The framework's tree view over the native "SysTreeView32" class: node
// objects in the items' lParam, images answered by TVN_GETDISPINFO, the
// notifications as dynamic methods and events, multi-selection kept here,
// and the nodes kept or deleted across a window re-creation.
#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/imglist.h"
#include "platform/rtl/scopeguard.h"

// ================================================================================
// TTreeNode
// ================================================================================

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

TTreeNode* TTreeNode::NodeOf(HTREEITEM Item) const { return FOwner->GetNode(Item); }

HTREEITEM TTreeNode::Next(uint32_t Code) const {
  if (FItemId == nullptr) return nullptr;
  return reinterpret_cast<HTREEITEM>(TreeView()->Perform(TVM_GETNEXTITEM, Code, reinterpret_cast<LPARAM>(FItemId)));
}

void TTreeNode::SetState(uint32_t Bits, uint32_t Mask) {
  if (FItemId == nullptr) return;
  TVITEM item;
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = FItemId;
  item.state = Bits;
  item.stateMask = Mask;
  TreeView()->Perform(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

uint32_t TTreeNode::State(uint32_t Mask) const {
  if (FItemId == nullptr) return 0;
  return uint32_t(TreeView()->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), LPARAM(Mask)));
}

void TTreeNode::SetText(const String& Value) {
  FText = Value;
  if (FItemId == nullptr) return;
  TVITEM item;
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = FItemId;
  String copy = Value;
  item.pszText = copy.data();
  TreeView()->Perform(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetImageIndex(int32_t Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FItemId != nullptr) TreeView()->Invalidate();
}

void TTreeNode::SetSelectedIndex(int32_t Value) {
  if (FSelectedIndex == Value) return;
  FSelectedIndex = Value;
  if (FItemId != nullptr) TreeView()->Invalidate();
}

int32_t TTreeNode::StateIndex() const {
  if (FItemId == nullptr) return FStateIndex;
  return ComStateBitsToIndex(State(TVIS_STATEIMAGEMASK));
}

int32_t TTreeNode::OverlayIndex() const {
  if (FItemId == nullptr) return FOverlayIndex;
  return ComOverlayBitsToIndex(State(TVIS_OVERLAYMASK));
}

void TTreeNode::SetStateIndex(int32_t Value) {
  FStateIndex = Value < 0 ? -1 : Value;
  SetState(ComStateIndexToBits(FStateIndex), TVIS_STATEIMAGEMASK);
}

void TTreeNode::SetOverlayIndex(int32_t Value) {
  FOverlayIndex = Value < 0 ? -1 : Value;
  SetState(ComOverlayIndexToBits(FOverlayIndex), TVIS_OVERLAYMASK);
}

bool TTreeNode::HasChildren() {
  if (FItemId == nullptr) return false;
  TVITEM item;
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = FItemId;
  TreeView()->Perform(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
  return item.cChildren != 0;
}

void TTreeNode::SetHasChildren(bool Value) {
  if (FItemId == nullptr) return;
  TVITEM item;
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = FItemId;
  item.cChildren = Value ? 1 : 0;
  TreeView()->Perform(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

bool TTreeNode::Expanded() { return (State(TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }

void TTreeNode::Expand(bool Recurse) {
  if (FItemId == nullptr) return;
  TComponentRef<TCustomTreeView> view(TreeView());
  TreeView()->Perform(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
  if (!Recurse || !view || FItemId == nullptr) return;
  for (TTreeNode* c = GetFirstChild(); c != nullptr; c = c->GetNextSibling()) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  if (FItemId == nullptr) return;
  if (Recurse)
    for (TTreeNode* c = GetFirstChild(); c != nullptr; c = c->GetNextSibling()) c->Collapse(true);
  if (FItemId != nullptr) TreeView()->Perform(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
}

bool TTreeNode::Cut() { return (State(TVIS_CUT) & TVIS_CUT) != 0; }
void TTreeNode::SetCut(bool Value) { SetState(Value ? TVIS_CUT : 0, TVIS_CUT); }

bool TTreeNode::DropTarget() { return FItemId != nullptr && TreeView()->DropTarget() == this; }

void TTreeNode::SetDropTarget(bool Value) {
  if (Value)
    TreeView()->SetDropTarget(this);
  else if (DropTarget())
    TreeView()->SetDropTarget(nullptr);
}

bool TTreeNode::Selected() { return (State(TVIS_SELECTED) & TVIS_SELECTED) != 0; }

void TTreeNode::SetSelected(bool Value) {
  TCustomTreeView* view = TreeView();
  if (Value) {
    view->SetSelected(this);
  } else if (view->MultiSelect()) {
    view->Deselect(this);
  } else if (Focused()) {
    view->SetSelected(nullptr);
  }
}

bool TTreeNode::Focused() { return FItemId != nullptr && Next(TVGN_CARET) == FItemId; }

void TTreeNode::SetFocused(bool Value) {
  if (Value) TreeView()->Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FItemId));
}

bool TTreeNode::IsVisible() {
  if (FItemId == nullptr) return false;
  TRect r;
  std::memcpy(static_cast<void*>(&r), &FItemId, sizeof FItemId);  // the item goes in at the rectangle's start
  return TreeView()->Perform(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)) != 0;
}

void TTreeNode::MakeVisible() {
  if (FItemId != nullptr) TreeView()->Perform(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
}

TRect TTreeNode::DisplayRect(bool TextOnly) {
  TRect r{0, 0, 0, 0};
  if (FItemId == nullptr) return r;
  std::memcpy(static_cast<void*>(&r), &FItemId, sizeof FItemId);  // the item goes in at the rectangle's start
  if (TreeView()->Perform(TVM_GETITEMRECT, TextOnly ? 1 : 0, reinterpret_cast<LPARAM>(&r)) == 0) r = TRect{0, 0, 0, 0};
  return r;
}

bool TTreeNode::EditText() {
  if (FItemId == nullptr) return false;
  return TreeView()->Perform(TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool Cancel) {
  if (TreeView()->HandleAllocated()) TreeView()->Perform(TVM_ENDEDITLABELNOW, Cancel ? 1 : 0, 0);
}

TTreeNode* TTreeNode::Parent() { return NodeOf(Next(TVGN_PARENT)); }

int32_t TTreeNode::Level() {
  int32_t n = 0;
  for (TTreeNode* p = Parent(); p != nullptr; p = p->Parent()) ++n;
  return n;
}

int32_t TTreeNode::Count() {
  int32_t n = 0;
  for (TTreeNode* c = GetFirstChild(); c != nullptr; c = c->GetNextSibling()) ++n;
  return n;
}

TTreeNode* TTreeNode::Item(int32_t Index) {
  TTreeNode* c = GetFirstChild();
  for (int32_t i = 0; c != nullptr && i < Index; ++i) c = c->GetNextSibling();
  if (c == nullptr || Index < 0) throw EListError("List index out of bounds (%d)", {Index});
  return c;
}

int32_t TTreeNode::Index() {
  int32_t n = 0;
  for (TTreeNode* p = GetPrevSibling(); p != nullptr; p = p->GetPrevSibling()) ++n;
  return n;
}

int32_t TTreeNode::AbsoluteIndex() {
  int32_t n = 0;
  for (TTreeNode* p = FOwner->GetFirstNode(); p != nullptr; p = p->GetNext()) {
    if (p == this) return n;
    ++n;
  }
  return -1;
}

TTreeNode* TTreeNode::GetFirstChild() { return NodeOf(Next(TVGN_CHILD)); }

TTreeNode* TTreeNode::GetLastChild() {
  TTreeNode* c = GetFirstChild();
  while (c != nullptr) {
    TTreeNode* n = c->GetNextSibling();
    if (n == nullptr) break;
    c = n;
  }
  return c;
}

TTreeNode* TTreeNode::GetNextSibling() { return NodeOf(Next(TVGN_NEXT)); }
TTreeNode* TTreeNode::GetPrevSibling() { return NodeOf(Next(TVGN_PREVIOUS)); }
TTreeNode* TTreeNode::GetNextVisible() { return NodeOf(Next(TVGN_NEXTVISIBLE)); }
TTreeNode* TTreeNode::GetPrevVisible() { return NodeOf(Next(TVGN_PREVIOUSVISIBLE)); }

TTreeNode* TTreeNode::GetNext() {
  if (TTreeNode* c = GetFirstChild()) return c;
  for (TTreeNode* p = this; p != nullptr; p = p->Parent())
    if (TTreeNode* n = p->GetNextSibling()) return n;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() {
  TTreeNode* p = GetPrevSibling();
  if (p == nullptr) return Parent();
  for (TTreeNode* last = p->GetLastChild(); last != nullptr; last = p->GetLastChild()) p = last;
  return p;
}

bool TTreeNode::HasAsParent(TTreeNode* Value) {
  for (TTreeNode* p = Parent(); p != nullptr; p = p->Parent())
    if (p == Value) return true;
  return false;
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
  // The selection leaves the children once rather than walking through them.
  TTreeNode* selected = TreeView()->Selected();
  if (selected != nullptr && selected->HasAsParent(this)) TreeView()->SetSelected(this);
  TTreeNode* c = GetFirstChild();
  while (c != nullptr) {
    TTreeNode* next = c->GetNextSibling();
    c->Delete();
    c = next;
  }
}

bool TTreeNode::AlphaSort(bool ARecurse) {
  if (FItemId == nullptr) return false;
  return TreeView()->Perform(TVM_SORTCHILDREN, ARecurse ? 1 : 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

namespace {

// The comparison of CustomSort reaches the native callback through a record.
struct TSortContext {
  TTreeNodes* Nodes;
  TTVCompare Compare;
  LPARAM Data;
};

int32_t SortThunk(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
  auto* ctx = reinterpret_cast<TSortContext*>(lParamSort);
  return ctx->Compare(reinterpret_cast<TTreeNode*>(lParam1), reinterpret_cast<TTreeNode*>(lParam2), ctx->Data);
}

bool SortNodes(TCustomTreeView* View, HTREEITEM Parent, TTVCompare Compare, LPARAM Data, bool Recurse) {
  TSortContext ctx{View->Items(), std::move(Compare), Data};
  TVSORTCB cb;
  cb.hParent = Parent;
  cb.lpfnCompare = SortThunk;
  cb.lParam = reinterpret_cast<LPARAM>(&ctx);
  return View->Perform(TVM_SORTCHILDRENCB, Recurse ? 1 : 0, reinterpret_cast<LPARAM>(&cb)) != 0;
}

}  // namespace

bool TTreeNode::CustomSort(TTVCompare SortProc, LPARAM Data, bool ARecurse) {
  if (FItemId == nullptr) return false;
  if (!SortProc) return AlphaSort(ARecurse);
  return SortNodes(TreeView(), FItemId, std::move(SortProc), Data, ARecurse);
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  // Moves by copying: the subtree is rebuilt at the destination with the
  // same node objects (no deletion or addition events).
  TCustomTreeView* view = TreeView();
  if (Destination == this || (Destination != nullptr && Destination->HasAsParent(this))) return;
  struct TMove {
    TTreeNode* Node;
    int32_t Depth;
    uint32_t State;
  };
  std::vector<TMove> moves;
  const int32_t base = Level();
  for (TTreeNode* n = this; n != nullptr; n = n->GetNext()) {
    if (n != this && !n->HasAsParent(this)) break;
    moves.push_back(TMove{n, n->Level() - base, n->State(0xFFFF) & ~TVIS_SELECTED});
  }
  const bool wasSelected = Focused();
  view->FDetaching = true;
  {
    auto cleanup = ScopeExit([&] { view->FDetaching = false; });
    view->Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(FItemId));
  }
  TTreeNode* parent = nullptr;
  HTREEITEM after = TVI_LAST;
  switch (Mode) {
    case TNodeAttachMode::naAdd: parent = Destination != nullptr ? Destination->Parent() : nullptr; break;
    case TNodeAttachMode::naAddFirst:
      parent = Destination != nullptr ? Destination->Parent() : nullptr;
      after = TVI_FIRST;
      break;
    case TNodeAttachMode::naAddChild: parent = Destination; break;
    case TNodeAttachMode::naAddChildFirst:
      parent = Destination;
      after = TVI_FIRST;
      break;
    case TNodeAttachMode::naInsert:
      parent = Destination != nullptr ? Destination->Parent() : nullptr;
      if (Destination != nullptr) {
        TTreeNode* prev = Destination->GetPrevSibling();
        after = prev != nullptr ? prev->FItemId : TVI_FIRST;
      }
      break;
  }
  std::vector<TTreeNode*> chain;
  for (const TMove& m : moves) {
    chain.resize(size_t(m.Depth));
    TTreeNode* p = m.Depth == 0 ? parent : chain[size_t(m.Depth - 1)];
    TVINSERTSTRUCT is;
    is.hParent = p != nullptr ? p->FItemId : TVI_ROOT;
    is.hInsertAfter = m.Depth == 0 ? after : TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    String text = m.Node->FText;
    is.item.pszText = text.data();
    is.item.iImage = I_IMAGECALLBACK;
    is.item.iSelectedImage = I_IMAGECALLBACK;
    is.item.lParam = reinterpret_cast<LPARAM>(m.Node);
    is.item.state = m.State & ~(TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    is.item.stateMask = 0xFFFF;
    m.Node->FItemId = reinterpret_cast<HTREEITEM>(view->Perform(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
    chain.push_back(m.Node);
  }
  for (auto m = moves.rbegin(); m != moves.rend(); ++m)
    if ((m->State & TVIS_EXPANDED) != 0) m->Node->SetState(TVIS_EXPANDED, TVIS_EXPANDED);
  if (wasSelected) view->SetSelected(this);
}

// ================================================================================
// TTreeNodes
// ================================================================================

TTreeNodes::~TTreeNodes() = default;

int32_t TTreeNodes::Count() {
  if (!FOwner->HandleAllocated()) return int32_t(FOwner->FSaved.size());
  return int32_t(FOwner->Perform(TVM_GETCOUNT, 0, 0));
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) {
  if (ItemId == nullptr || !FOwner->HandleAllocated()) return nullptr;
  TVITEM item;
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = ItemId;
  if (FOwner->Perform(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)) == 0) return nullptr;
  return reinterpret_cast<TTreeNode*>(item.lParam);
}

TTreeNode* TTreeNodes::GetFirstNode() {
  if (!FOwner->HandleAllocated()) {
    if (FOwner->FSaved.empty()) return nullptr;
    FOwner->HandleNeeded();
  }
  return GetNode(reinterpret_cast<HTREEITEM>(FOwner->Perform(TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

TTreeNode* TTreeNodes::Item(int32_t Index) {
  int32_t i = 0;
  for (TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext(), ++i)
    if (i == Index) return n;
  throw EListError("List index out of bounds (%d)", {Index});
}

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* Parent, HTREEITEM After, const String& S, void* Ptr) {
  FOwner->HandleNeeded();
  TTreeNode* node = FOwner->CreateNode();
  node->FText = S;
  node->FData = Ptr;
  TVINSERTSTRUCT is;
  is.hParent = Parent != nullptr ? Parent->FItemId : TVI_ROOT;
  if (After == TVI_LAST && (FOwner->FSortType == TSortType::stText || FOwner->FSortType == TSortType::stBoth) &&
      !FOwner->OnCompare)
    After = TVI_SORT;
  is.hInsertAfter = After;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  String text = S;
  is.item.pszText = text.data();
  is.item.iImage = I_IMAGECALLBACK;
  is.item.iSelectedImage = I_IMAGECALLBACK;
  is.item.lParam = reinterpret_cast<LPARAM>(node);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(FOwner->Perform(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  if (item == nullptr) {
    delete node;
    throw EOutOfResources("Failed to create tree node");
  }
  node->FItemId = item;
  FOwner->Added(node);
  return node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  return InternalAdd(Sibling != nullptr ? Sibling->Parent() : nullptr, TVI_LAST, S, Ptr);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const String& S, void* Ptr) {
  return InternalAdd(Sibling != nullptr ? Sibling->Parent() : nullptr, TVI_FIRST, S, Ptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const String& S, void* Ptr) {
  return InternalAdd(Parent, TVI_LAST, S, Ptr);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const String& S, void* Ptr) {
  return InternalAdd(Parent, TVI_FIRST, S, Ptr);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const String& S, void* Ptr) {
  if (Sibling == nullptr) return InternalAdd(nullptr, TVI_LAST, S, Ptr);
  TTreeNode* prev = Sibling->GetPrevSibling();
  return InternalAdd(Sibling->Parent(), prev != nullptr ? prev->FItemId : TVI_FIRST, S, Ptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (Node == nullptr || Node->FItemId == nullptr) return;
  FOwner->Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItemId));
}

void TTreeNodes::Clear() {
  if (!FOwner->HandleAllocated()) {
    if (FOwner->FSaved.empty()) return;
    FOwner->HandleNeeded();
  }
  FOwner->Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TTreeNodes::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) FOwner->Perform(WM_SETREDRAW, 0, 0);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FOwner->HandleAllocated()) {
    FOwner->Perform(WM_SETREDRAW, 1, 0);
    FOwner->Invalidate();
  }
}

// ================================================================================
// TCustomTreeView
// ================================================================================

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csReflector});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  FColor = clWindow;
  FParentColor = false;
  Brush()->SetColor(clWindow);
  FTreeNodes = std::make_unique<TTreeNodes>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
  FStateChangeLink = std::make_unique<TChangeLink>();
  FStateChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TCustomTreeView::~TCustomTreeView() {
  // The owner's handlers may be half gone when it destroys its components:
  // OnDeletion fires only while the owner stands.
  const bool quiet = Owner() != nullptr && Owner()->ComponentState().Contains(TComponentStateItem::csDestroying);
  auto silent = [this] {
    FDetaching = true;
    Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FDetaching = false;
  };
  if (HandleAllocated()) {
    try {
      if (quiet) {
        // Collect the node objects first: a detached deletion keeps them.
        std::vector<TTreeNode*> nodes;
        for (TTreeNode* n = FTreeNodes->GetFirstNode(); n != nullptr; n = n->GetNext()) nodes.push_back(n);
        silent();
        for (TTreeNode* n : nodes) delete n;
      } else {
        FTreeNodes->Clear();
      }
    } catch (...) {
    }
  }
  for (const TSavedNode& s : FSaved) delete s.Node;
  FSaved.clear();
  FreePending();
  if (FImages != nullptr) FImages->UnRegisterChanges(FImageChangeLink.get());
  if (FStateImages != nullptr) FStateImages->UnRegisterChanges(FStateChangeLink.get());
  FCanvas->FreeHandle();
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
  RegisterTreeViewClass();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SysTreeView32");
  Params.Style |= WS_VSCROLL | WS_HSCROLL;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (FShowButtons) Params.Style |= TVS_HASBUTTONS;
  if (FShowLines) Params.Style |= TVS_HASLINES;
  if (FShowRoot) Params.Style |= TVS_LINESATROOT;
  if (!FReadOnly) Params.Style |= TVS_EDITLABELS;
  if (!FHideSelection) Params.Style |= TVS_SHOWSELALWAYS;
  if (FHotTrack) Params.Style |= TVS_TRACKSELECT;
  if (FRowSelect) Params.Style |= TVS_FULLROWSELECT;
  if (FCheckBoxes) Params.Style |= TVS_CHECKBOXES;
  if (DragMode() == TDragMode::dmManual) Params.Style |= TVS_DISABLEDRAGDROP;
}

void TCustomTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  if (FIndent != TreeDefaultIndent) Perform(TVM_SETINDENT, WPARAM(FIndent), 0);
  if (ColorToRGB(Color()) != ColorToRGB(clWindow)) Perform(TVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(Color())));
  if (FImages != nullptr) SetImageList(FImages->Handle(), TVSIL_NORMAL);
  if (FStateImages != nullptr) SetImageList(FStateImages->Handle(), TVSIL_STATE);
  if (!FSaved.empty()) RestoreNodes();
}

// The nodes go into the new window as they were, with the same objects.
void TCustomTreeView::RestoreNodes() {
  std::vector<TSavedNode> saved;
  saved.swap(FSaved);
  TTreeNode* selected = FSavedSelected;
  TTreeNode* top = FSavedTop;
  FSavedSelected = FSavedTop = nullptr;
  Perform(WM_SETREDRAW, 0, 0);
  std::vector<TTreeNode*> chain;
  for (const TSavedNode& s : saved) {
    chain.resize(size_t(s.Depth));
    TTreeNode* parent = s.Depth == 0 ? nullptr : chain[size_t(s.Depth - 1)];
    TVINSERTSTRUCT is;
    is.hParent = parent != nullptr ? parent->FItemId : TVI_ROOT;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    if (s.Children >= 0) is.item.mask |= TVIF_CHILDREN;
    String text = s.Node->FText;
    is.item.pszText = text.data();
    is.item.iImage = I_IMAGECALLBACK;
    is.item.iSelectedImage = I_IMAGECALLBACK;
    is.item.cChildren = s.Children;
    is.item.lParam = reinterpret_cast<LPARAM>(s.Node);
    is.item.state = s.State & ~(TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    is.item.stateMask = 0xFFFF;
    s.Node->FItemId = reinterpret_cast<HTREEITEM>(Perform(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
    chain.push_back(s.Node);
  }
  // Expanded from the bottom up: a parent shows its children's rows at once.
  for (auto s = saved.rbegin(); s != saved.rend(); ++s)
    if ((s->State & TVIS_EXPANDED) != 0 && s->Node->FItemId != nullptr) s->Node->SetState(TVIS_EXPANDED, TVIS_EXPANDED);
  if (selected != nullptr && selected->FItemId != nullptr) {
    // The selection comes back without notifications: nothing changed for the user.
    FDetaching = true;
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected->FItemId));
    FDetaching = false;
  }
  Perform(WM_SETREDRAW, 1, 0);
  if (top != nullptr && top->FItemId != nullptr)
    Perform(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(top->FItemId));
  SyncSelectionBits();
}

void TCustomTreeView::DestroyWnd() {
  if (FCreateWndRestores && Perform(TVM_GETCOUNT, 0, 0) > 0) {
    FSaved.clear();
    for (TTreeNode* n = FTreeNodes->GetFirstNode(); n != nullptr; n = n->GetNext()) {
      TVITEM item;
      item.mask = TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
      item.hItem = n->FItemId;
      item.stateMask = 0xFFFF;
      Perform(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
      FSaved.push_back(TSavedNode{n, n->Level(), item.state, item.cChildren});
    }
    FSavedSelected = Selected();
    FSavedTop = TopItem();
    FDetaching = true;
    auto cleanup = ScopeExit([&] { FDetaching = false; });
    Perform(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  } else {
    FTreeNodes->Clear();
  }
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FStateImages) SetStateImages(nullptr);
}

void TCustomTreeView::SetStyleBit(uint32_t Bit, bool On) {
  if (!HandleAllocated()) return;
  const uint32_t style = uint32_t(GetWindowLong(Handle(), GWL_STYLE));
  const uint32_t next = On ? style | Bit : style & ~Bit;
  if (next != style) SetWindowLong(Handle(), GWL_STYLE, intptr_t(next));
}

void TCustomTreeView::SetCheckBoxes(bool Value) {
  FCheckBoxes = Value;
  SetStyleBit(TVS_CHECKBOXES, Value);
}

void TCustomTreeView::SetDragMode(TDragMode Value) {
  TControl::SetDragMode(Value);
  SetStyleBit(TVS_DISABLEDRAGDROP, Value == TDragMode::dmManual);
}

void TCustomTreeView::SetSortType(TSortType Value) {
  if (FSortType == Value) return;
  FSortType = Value;
  if ((Value == TSortType::stText || Value == TSortType::stBoth) && HandleAllocated()) AlphaSort(true);
}

int32_t TCustomTreeView::Indent() {
  if (HandleAllocated()) return int32_t(Perform(TVM_GETINDENT, 0, 0));
  return FIndent;
}

void TCustomTreeView::SetIndent(int32_t Value) {
  FIndent = Value;
  if (HandleAllocated()) Perform(TVM_SETINDENT, WPARAM(Value), 0);
}

void TCustomTreeView::SetImageList(HIMAGELIST List, uint32_t Flags) {
  if (HandleAllocated()) Perform(TVM_SETIMAGELIST, Flags, reinterpret_cast<LPARAM>(List));
}

void TCustomTreeView::ImageListChange(TObject* Sender) {
  if (!HandleAllocated()) return;
  if (Sender == FImages) SetImageList(FImages->Handle(), TVSIL_NORMAL);
  if (Sender == FStateImages) SetImageList(FStateImages->Handle(), TVSIL_STATE);
}

void TCustomTreeView::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageChangeLink.get())) return;
  SetImageList(FImages != nullptr ? FImages->Handle() : nullptr, TVSIL_NORMAL);
}

void TCustomTreeView::SetStateImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FStateImages, Value, FStateChangeLink.get())) return;
  SetImageList(FStateImages != nullptr ? FStateImages->Handle() : nullptr, TVSIL_STATE);
}

TTreeNode* TCustomTreeView::Selected() {
  if (!HandleAllocated()) return FSavedSelected;
  return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(Perform(TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
  HandleNeeded();
  // With MultiSelect, code selects the node alone once the change is allowed
  // (TVN_SELCHANGED does it).
  TTreeNode* before = Selected();
  Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value != nullptr ? Value->FItemId : nullptr));
  if (!FMultiSelect) return;
  if (Value != nullptr && Value == before) {
    FSelections.assign(1, Value);
    FShiftAnchor = Value;
  }
  SyncSelectionBits();
}

TTreeNode* TCustomTreeView::DropTarget() {
  if (!HandleAllocated()) return nullptr;
  return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(Perform(TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)));
}

void TCustomTreeView::SetDropTarget(TTreeNode* Value) {
  HandleNeeded();
  Perform(TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(Value != nullptr ? Value->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() {
  if (!HandleAllocated()) return nullptr;
  return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(Perform(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

void TCustomTreeView::SetTopItem(TTreeNode* Value) {
  if (Value != nullptr && Value->FItemId != nullptr)
    Perform(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(Value->FItemId));
}

TTreeNode* TCustomTreeView::GetNodeAt(int32_t X, int32_t Y) {
  HandleNeeded();
  TVHITTESTINFO ht;
  ht.pt = TPoint{X, Y};
  Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
  return FTreeNodes->GetNode(ht.hItem);
}

uint32_t TCustomTreeView::GetHitTestInfoAt(int32_t X, int32_t Y) {
  HandleNeeded();
  TVHITTESTINFO ht;
  ht.pt = TPoint{X, Y};
  Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
  return ht.flags;
}

bool TCustomTreeView::IsEditing() { return HandleAllocated() && Perform(TVM_GETEDITCONTROL, 0, 0) != 0; }

void TCustomTreeView::FullExpand() {
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n != nullptr; n = n->GetNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n != nullptr; n = n->GetNextSibling()) n->Collapse(true);
}

bool TCustomTreeView::AlphaSort(bool ARecurse) {
  HandleNeeded();
  if (OnCompare) return CustomSort(nullptr, 0, ARecurse);
  return Perform(TVM_SORTCHILDREN, ARecurse ? 1 : 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
}

bool TCustomTreeView::CustomSort(TTVCompare SortProc, LPARAM Data, bool ARecurse) {
  HandleNeeded();
  if (!SortProc) {
    if (!OnCompare) return Perform(TVM_SORTCHILDREN, ARecurse ? 1 : 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
    SortProc = [this](TTreeNode* A, TTreeNode* B, LPARAM D) {
      int32_t r = 0;
      OnCompare(this, A, B, int32_t(D), r);
      return r;
    };
  }
  return SortNodes(this, TVI_ROOT, std::move(SortProc), Data, ARecurse);
}

// ---- Multi-selection -----------------------------------------------------------------------

int32_t TCustomTreeView::SelectionCount() {
  if (FMultiSelect) return int32_t(FSelections.size());
  return Selected() != nullptr ? 1 : 0;
}

TTreeNode* TCustomTreeView::Selections(int32_t Index) {
  if (!FMultiSelect) {
    TTreeNode* s = Selected();
    if (Index == 0 && s != nullptr) return s;
    return nullptr;
  }
  return Index >= 0 && Index < int32_t(FSelections.size()) ? FSelections[size_t(Index)] : nullptr;
}

void TCustomTreeView::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  FSelections.clear();
  if (Value) {
    if (TTreeNode* s = Selected()) FSelections.push_back(s);
  }
  SyncSelectionBits();
}

// TVIS_SELECTED follows the selection list; the caret item keeps it only
// while it is selected.
void TCustomTreeView::SyncSelectionBits() {
  if (!HandleAllocated() || !FMultiSelect) {
    FBitNodes.clear();
    return;
  }
  TTreeNode* caret = Selected();
  std::vector<TTreeNode*> old;
  old.swap(FBitNodes);
  if (caret != nullptr) old.push_back(caret);
  for (TTreeNode* n : old)
    if (n->FItemId != nullptr && std::find(FSelections.begin(), FSelections.end(), n) == FSelections.end())
      n->SetState(0, TVIS_SELECTED);
  for (TTreeNode* n : FSelections)
    if (n->FItemId != nullptr) n->SetState(TVIS_SELECTED, TVIS_SELECTED);
  FBitNodes = FSelections;
}

void TCustomTreeView::SelectRange(TTreeNode* From, TTreeNode* To, bool KeepOthers) {
  if (!KeepOthers) FSelections.clear();
  if (From == nullptr) From = To;
  // The visible nodes between the two, in row order.
  std::vector<TTreeNode*> rows;
  for (TTreeNode* n = TopItem(); n != nullptr; n = n->GetPrevVisible()) rows.insert(rows.begin(), n);
  if (!rows.empty()) rows.pop_back();
  for (TTreeNode* n = TopItem(); n != nullptr; n = n->GetNextVisible()) rows.push_back(n);
  auto a = std::find(rows.begin(), rows.end(), From);
  auto b = std::find(rows.begin(), rows.end(), To);
  if (a == rows.end() || b == rows.end()) {
    if (std::find(FSelections.begin(), FSelections.end(), To) == FSelections.end()) FSelections.push_back(To);
    return;
  }
  const bool siblings = FMultiSelectStyle.Contains(TMultiSelectStyles::msSiblingOnly);
  TTreeNode* parent = siblings ? To->Parent() : nullptr;
  const bool down = a <= b;
  for (auto it = a;; down ? ++it : --it) {
    if ((!siblings || (*it)->Parent() == parent) &&
        std::find(FSelections.begin(), FSelections.end(), *it) == FSelections.end())
      FSelections.push_back(*it);
    if (it == b) break;
  }
}

void TCustomTreeView::PressSelect(TTreeNode* Node, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl) && FMultiSelectStyle.Contains(TMultiSelectStyles::msControlSelect);
  const bool shift = Shift.Contains(ssShift) && FMultiSelectStyle.Contains(TMultiSelectStyles::msShiftSelect);
  if (shift) {
    SelectRange(FShiftAnchor != nullptr ? FShiftAnchor : Selected(), Node, ctrl);
    return;
  }
  FShiftAnchor = Node;
  // msSiblingOnly: a node of another parent starts a new selection.
  if (ctrl && FMultiSelectStyle.Contains(TMultiSelectStyles::msSiblingOnly) && !FSelections.empty() &&
      FSelections.front()->Parent() != Node->Parent())
    FSelections.clear();
  if (ctrl) {
    auto pos = std::find(FSelections.begin(), FSelections.end(), Node);
    if (pos != FSelections.end())
      FSelections.erase(pos);
    else
      FSelections.push_back(Node);
    return;
  }
  FSelections.assign(1, Node);
}

void TCustomTreeView::Select(TTreeNode* Node, TShiftState ShiftState) {
  if (Node == nullptr) return;
  HandleNeeded();
  if (!FMultiSelect) {
    SetSelected(Node);
    return;
  }
  PressSelect(Node, ShiftState);
  FMousePressSelecting = true;
  {
    auto cleanup = ScopeExit([&] { FMousePressSelecting = false; });
    Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Node->FItemId));
  }
  SyncSelectionBits();
}

void TCustomTreeView::Select(const std::vector<TTreeNode*>& Nodes) {
  if (!FMultiSelect) {
    if (!Nodes.empty()) SetSelected(Nodes.back());
    return;
  }
  FSelections.clear();
  for (TTreeNode* n : Nodes)
    if (n != nullptr && std::find(FSelections.begin(), FSelections.end(), n) == FSelections.end())
      FSelections.push_back(n);
  SyncSelectionBits();
}

void TCustomTreeView::Deselect(TTreeNode* Node) {
  auto pos = std::find(FSelections.begin(), FSelections.end(), Node);
  if (pos != FSelections.end()) FSelections.erase(pos);
  SyncSelectionBits();
}

void TCustomTreeView::ClearSelection(bool KeepPrimary) {
  TTreeNode* caret = KeepPrimary ? Selected() : nullptr;
  FSelections.clear();
  if (caret != nullptr) FSelections.push_back(caret);
  if (!FMultiSelect && !KeepPrimary && HandleAllocated()) Perform(TVM_SELECTITEM, TVGN_CARET, 0);
  SyncSelectionBits();
}

// ---- Dynamic methods ---------------------------------------------------------------------------

bool TCustomTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}

void TCustomTreeView::Expand(TTreeNode* Node) {
  if (OnExpanded) OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}

void TCustomTreeView::Collapse(TTreeNode* Node) {
  if (OnCollapsed) OnCollapsed(this, Node);
}

bool TCustomTreeView::CanEdit(TTreeNode* Node) {
  bool allow = true;
  if (OnEditing) OnEditing(this, Node, allow);
  return allow;
}

void TCustomTreeView::Edit(const TVITEM& Item) {
  if (Item.pszText == nullptr) return;
  String s = Item.pszText;
  TTreeNode* node = reinterpret_cast<TTreeNode*>(Item.lParam);
  TComponentRef<TCustomTreeView> self(this);
  if (OnEdited) OnEdited(this, node, s);
  if (!self || node == nullptr || node->FItemId == nullptr) return;
  node->SetText(s);
}

void TCustomTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion) OnDeletion(this, Node);
}

void TCustomTreeView::Added(TTreeNode* Node) {
  if (OnAddition) OnAddition(this, Node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* Node) {
  if (OnGetImageIndex) OnGetImageIndex(this, Node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* Node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, Node);
}

TTreeNode* TCustomTreeView::CreateNode() { return new TTreeNode(FTreeNodes.get()); }

bool TCustomTreeView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) {
  if (Target == TCustomDrawTarget::dtControl)
    return (Stage == TCustomDrawStage::cdPrePaint && OnCustomDraw) || OnAdvancedCustomDraw;
  if (Target == TCustomDrawTarget::dtItem)
    return (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawItem) || OnAdvancedCustomDrawItem;
  return false;
}

bool TCustomTreeView::CustomDraw(const TRect& ARect, TCustomDrawStage Stage) {
  bool defaultDraw = true;
  if (Stage == TCustomDrawStage::cdPrePaint && OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
  if (OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, ARect, Stage, defaultDraw);
  return defaultDraw;
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                                     bool& PaintImages) {
  bool defaultDraw = true;
  if (Stage == TCustomDrawStage::cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, Node, State, defaultDraw);
  if (OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, Node, State, Stage, PaintImages, defaultDraw);
  return defaultDraw;
}

// ---- Notifications ------------------------------------------------------------------------------

void TCustomTreeView::FreeNodeObject(TTreeNode* Node, bool Notify) {
  if (Node == nullptr) return;
  ++FDeleteCount;
  Node->FItemId = nullptr;
  Node->FDeleting = true;
  FSelections.erase(std::remove(FSelections.begin(), FSelections.end(), Node), FSelections.end());
  FBitNodes.erase(std::remove(FBitNodes.begin(), FBitNodes.end(), Node), FBitNodes.end());
  if (FShiftAnchor == Node) FShiftAnchor = nullptr;
  if (FSavedSelected == Node) FSavedSelected = nullptr;
  if (FSavedTop == Node) FSavedTop = nullptr;
  if (FEditNode == Node) FEditNode = nullptr;
  if (Notify) Delete(Node);
  // A node deleted from inside a notification about it lives until that returns.
  if (FNotifyDepth > 1)
    FPendingFree.push_back(Node);
  else
    delete Node;
}

void TCustomTreeView::FreePending() {
  std::vector<TTreeNode*> pending;
  pending.swap(FPendingFree);
  for (TTreeNode* n : pending) delete n;
}

void TCustomTreeView::CNNotify(TMessage& Message) {
  auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
  auto* nm = reinterpret_cast<NMTREEVIEW*>(Message.LParam);
  auto nodeOf = [](const TVITEM& item) { return reinterpret_cast<TTreeNode*>(item.lParam); };
  Message.Result = 0;
  switch (hdr->code) {
    case TVN_DELETEITEM: {
      TTreeNode* node = nodeOf(nm->itemOld);
      if (node == nullptr) return;
      if (FDetaching) {
        node->FItemId = nullptr;
        return;
      }
      FreeNodeObject(node, true);
      return;
    }
    case TVN_SELCHANGING:
      if (FDetaching) return;
      Message.Result = CanChange(nodeOf(nm->itemNew)) ? 0 : 1;
      return;
    case TVN_SELCHANGED: {
      if (FDetaching) return;
      TTreeNode* node = nodeOf(nm->itemNew);
      if (FMultiSelect && !FMousePressSelecting && node == nullptr) FSelections.clear();
      if (FMultiSelect && !FMousePressSelecting && node != nullptr) {
        if (nm->action == TVC_BYKEYBOARD && GetKeyState(VK_SHIFT) < 0 &&
            FMultiSelectStyle.Contains(TMultiSelectStyles::msShiftSelect)) {
          SelectRange(FShiftAnchor != nullptr ? FShiftAnchor : nodeOf(nm->itemOld), node, false);
        } else if (nm->action != TVC_BYMOUSE) {
          FSelections.assign(1, node);
          FShiftAnchor = node;
        }
      }
      if (FMultiSelect) SyncSelectionBits();
      Change(node);
      return;
    }
    case TVN_ITEMEXPANDING: {
      TTreeNode* node = nodeOf(nm->itemNew);
      if ((nm->action & TVE_ACTIONMASK) == TVE_EXPAND)
        Message.Result = CanExpand(node) ? 0 : 1;
      else
        Message.Result = CanCollapse(node) ? 0 : 1;
      return;
    }
    case TVN_ITEMEXPANDED: {
      TTreeNode* node = nodeOf(nm->itemNew);
      if ((nm->action & TVE_ACTIONMASK) == TVE_EXPAND)
        Expand(node);
      else
        Collapse(node);
      return;
    }
    case TVN_GETDISPINFO: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(Message.LParam);
      TTreeNode* node = nodeOf(di->item);
      if (node == nullptr) return;
      TComponentRef<TCustomTreeView> self(this);
      if ((di->item.mask & TVIF_TEXT) != 0) ComCopyText(node->FText, di->item.pszText, di->item.cchTextMax);
      if ((di->item.mask & TVIF_IMAGE) != 0) {
        GetImageIndex(node);
        if (!self) return;
        di->item.iImage = node->FImageIndex;
      }
      if ((di->item.mask & TVIF_SELECTEDIMAGE) != 0) {
        GetSelectedIndex(node);
        if (!self) return;
        di->item.iSelectedImage = node->FSelectedIndex;
      }
      return;
    }
    case TVN_BEGINLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(Message.LParam);
      TTreeNode* node = nodeOf(di->item);
      if (!CanEdit(node)) {
        Message.Result = 1;
        return;
      }
      FEditNode = node;
      return;
    }
    case TVN_ENDLABELEDIT: {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(Message.LParam);
      FEditNode = nullptr;
      Edit(di->item);
      return;
    }
    case NM_RCLICK: {
      if (!FRightClickSelect) return;
      TPoint p;
      GetCursorPos(&p);
      p = ScreenToClient(p);
      TTreeNode* node = GetNodeAt(p.X, p.Y);
      if (node == nullptr) return;
      if (FMultiSelect && std::find(FSelections.begin(), FSelections.end(), node) != FSelections.end()) {
        // A right click inside the selection keeps it.
        FMousePressSelecting = true;
        Perform(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node->FItemId));
        FMousePressSelecting = false;
        SyncSelectionBits();
        return;
      }
      SetSelected(node);
      return;
    }
    case NM_CUSTOMDRAW: {
      auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(Message.LParam);
      const uint32_t stage = cd->nmcd.dwDrawStage;
      if (stage == CDDS_PREPAINT || stage == CDDS_POSTPAINT) {
        const TCustomDrawStage st =
            stage == CDDS_PREPAINT ? TCustomDrawStage::cdPrePaint : TCustomDrawStage::cdPostPaint;
        uint32_t r = CDRF_DODEFAULT;
        if (IsCustomDrawn(TCustomDrawTarget::dtControl, st)) {
          FDrawDriver.Begin(FCanvas.get(), cd->nmcd.hdc, Font(), Color());
          bool defaultDraw = true;
          {
            auto cleanup = ScopeFail([&] { FDrawDriver.Finish(true, nullptr, nullptr); });
            defaultDraw = CustomDraw(cd->nmcd.rc, st);
          }
          r = FDrawDriver.Finish(defaultDraw, nullptr, nullptr);
          if ((r & CDRF_SKIPDEFAULT) != 0) {
            Message.Result = LRESULT(r);
            return;
          }
        }
        if (stage == CDDS_PREPAINT) {
          if (IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPrePaint) ||
              IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPostPaint))
            r |= CDRF_NOTIFYITEMDRAW;
          if (IsCustomDrawn(TCustomDrawTarget::dtControl, TCustomDrawStage::cdPostPaint)) r |= CDRF_NOTIFYPOSTPAINT;
        }
        Message.Result = LRESULT(r);
        return;
      }
      if (stage == CDDS_ITEMPREPAINT || stage == CDDS_ITEMPOSTPAINT) {
        const TCustomDrawStage st =
            stage == CDDS_ITEMPREPAINT ? TCustomDrawStage::cdPrePaint : TCustomDrawStage::cdPostPaint;
        TTreeNode* node = reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam);
        uint32_t r = CDRF_DODEFAULT;
        if (node != nullptr && IsCustomDrawn(TCustomDrawTarget::dtItem, st)) {
          FDrawDriver.Begin(FCanvas.get(), cd->nmcd.hdc, Font(), Color());
          bool paintImages = true, defaultDraw = true;
          {
            auto cleanup = ScopeFail([&] { FDrawDriver.Finish(true, nullptr, nullptr); });
            defaultDraw = CustomDrawItem(node, ComCustomDrawState(cd->nmcd.uItemState), st, paintImages);
          }
          r = FDrawDriver.Finish(defaultDraw, &cd->clrText, &cd->clrTextBk);
        }
        if (stage == CDDS_ITEMPREPAINT && (r & CDRF_SKIPDEFAULT) == 0 &&
            IsCustomDrawn(TCustomDrawTarget::dtItem, TCustomDrawStage::cdPostPaint))
          r |= CDRF_NOTIFYPOSTPAINT;
        Message.Result = LRESULT(r);
        return;
      }
      return;
    }
    default: return;
  }
}

void TCustomTreeView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY:
      ++FNotifyDepth;
      {
        auto cleanup = ScopeExit([&] {
          if (--FNotifyDepth == 0) FreePending();
        });
        CNNotify(Message);
      }
      return;
    case CM_COLORCHANGED:
      TWinControl::Dispatch(Message);
      if (HandleAllocated())
        Perform(TVM_SETBKCOLOR, 0,
                ColorToRGB(Color()) == ColorToRGB(clWindow) ? LPARAM(CLR_NONE) : LPARAM(ColorToRGB(Color())));
      return;
    case WM_LBUTTONDOWN: {
      // The press changes the multi-selection before the native press and
      // before OnMouseDown.
      if (!FMultiSelect) break;
      const TPoint p = LParamToPoint(Message.LParam);
      const uint32_t hit = GetHitTestInfoAt(p.X, p.Y);
      TTreeNode* node = GetNodeAt(p.X, p.Y);
      const bool onItem = (hit & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)) != 0 ||
                          ((hit & TVHT_ONITEMSTATEICON) != 0 && !FCheckBoxes) ||
                          (FRowSelect && (hit & (TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT)) != 0);
      if (node == nullptr || !onItem) break;
      const std::vector<TTreeNode*> before = FSelections;
      TTreeNode* anchor = FShiftAnchor;
      const uint32_t deletions = FDeleteCount;
      PressSelect(node, KeysToShiftState(uint32_t(Message.WParam)));
      TComponentRef<TCustomTreeView> self(this);
      FMousePressSelecting = true;
      SyncSelectionBits();
      {
        auto cleanup = ScopeFail([&] {
          if (self) FMousePressSelecting = false;
        });
        TWinControl::Dispatch(Message);
      }
      if (!self) return;
      FMousePressSelecting = false;
      if (deletions == FDeleteCount && Selected() != node) {
        // OnChanging refused the caret: the selection stays as it was.
        FSelections = before;
        FShiftAnchor = anchor;
      }
      SyncSelectionBits();
      return;
    }
    default: break;
  }
  TWinControl::Dispatch(Message);
}
