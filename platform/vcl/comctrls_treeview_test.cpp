#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/vcl_testing.h"

namespace {

String CodeName(uint32_t code) {
  switch (code) {
    case TVN_SELCHANGING: return "SELCHANGING";
    case TVN_SELCHANGED: return "SELCHANGED";
    case TVN_ITEMEXPANDING: return "EXPANDING";
    case TVN_ITEMEXPANDED: return "EXPANDED";
    case TVN_DELETEITEM: return "DELETE";
    case TVN_BEGINDRAG: return "BEGINDRAG";
    case TVN_BEGINRDRAG: return "BEGINRDRAG";
    case TVN_BEGINLABELEDIT: return "BEGINEDIT";
    case TVN_ENDLABELEDIT: return "ENDEDIT";
    case TVN_KEYDOWN: return "KEYDOWN";
    case NM_CLICK: return "CLICK";
    case NM_RCLICK: return "RCLICK";
    case NM_DBLCLK: return "DBLCLK";
    case NM_RETURN: return "RETURN";
    default: return "";
  }
}

String TextOf(const TVITEM& item) {
  auto* node = reinterpret_cast<TTreeNode*>(item.lParam);
  return node != nullptr ? node->Text() : String("-");
}

// A form that logs the tree notifications of its children before they are
// reflected: "CODE action node" (selection: the new node; deletion: the old).
class TTreeForm : public TForm {
 public:
  explicit TTreeForm(TComponent* AOwner) : TForm(AOwner) {}
  const char* ClassName() const override { return "TTreeForm"; }
  std::vector<String> Log;
  bool Framework = true;  // lParam holds node objects
  void Dispatch(TMessage& M) override {
    if (M.Msg == WM_NOTIFY) {
      const auto* hdr = reinterpret_cast<const NMHDR*>(M.LParam);
      const String name = CodeName(hdr->code);
      if (!name.empty()) {
        const auto* nm = reinterpret_cast<const NMTREEVIEW*>(M.LParam);
        String entry = name;
        switch (hdr->code) {
          case TVN_SELCHANGING:
          case TVN_SELCHANGED:
          case TVN_ITEMEXPANDING:
          case TVN_ITEMEXPANDED:
          case TVN_BEGINDRAG:
          case TVN_BEGINRDRAG:
            entry += " " + std::to_string(nm->action & 0xFF) + " " + (Framework ? TextOf(nm->itemNew) : String("?"));
            break;
          case TVN_DELETEITEM:
            entry += " " + (Framework ? TextOf(nm->itemOld) : std::to_string(nm->itemOld.lParam));
            break;
          default: break;
        }
        Log.push_back(entry);
      }
    }
    if (M.Msg == WM_CONTEXTMENU) Log.push_back("CONTEXTMENU");
    TForm::Dispatch(M);
  }
  std::vector<String> Take() {
    std::vector<String> r;
    r.swap(Log);
    return r;
  }
};

using Strings = std::vector<String>;

class ComTreeView : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TTreeForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(50, 50, 320, 240);
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(10, 10, 200, 160);
    Form->Show();
    Pump();
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }
  HWND TH() { return Tree->Handle(); }
  int32_t RowH() { return int32_t(Tree->Perform(TVM_GETITEMHEIGHT, 0, 0)); }
  TPoint LabelCenter(TTreeNode* Node) {
    const TRect r = Node->DisplayRect(true);
    return TPoint{r.Left + 4, (r.Top + r.Bottom) / 2};
  }
  void ClickNode(TTreeNode* Node, TRawButton Button = TRawButton::Left) {
    const TPoint p = LabelCenter(Node);
    ClickAt(Tree, p.X, p.Y, Button);
  }
  void Down(int32_t X, int32_t Y, TRawButton Button = TRawButton::Left) {
    const TPoint p = At(Tree, X, Y);
    H().MouseDown(p.X, p.Y, Button);
    Pump();
  }
  void Up(int32_t X, int32_t Y, TRawButton Button = TRawButton::Left) {
    const TPoint p = At(Tree, X, Y);
    H().MouseUp(p.X, p.Y, Button);
    Pump();
  }
  // Top-level nodes named by the letters of Names.
  std::vector<TTreeNode*> AddRoots(const String& Names) {
    std::vector<TTreeNode*> r;
    for (char c : Names) r.push_back(Tree->Items()->AddChild(nullptr, String(1, c)));
    return r;
  }
  static String Texts(TCustomTreeView* View) {
    String s;
    for (TTreeNode* n = View->Items()->GetFirstNode(); n != nullptr; n = n->GetNext()) s += n->Text();
    return s;
  }
  static TColor Rgb(TColor C) { return TColor(ColorToRGB(C)); }
  TColor PixelOf(int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(TH(), false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }

  std::unique_ptr<TTreeForm> Form;
  TTreeView* Tree = nullptr;
};

// ---- Expansion on demand ------------------------------------------------------------------

TEST_F(ComTreeView, ChildrenAddedWhileExpandingBelongToTheExpansionAndEmptyNodesLoseTheirButton) {
  auto roots = AddRoots("AB");
  roots[0]->SetHasChildren(true);
  roots[1]->SetHasChildren(true);
  Strings events;
  Tree->OnExpanding = [&](TObject*, TTreeNode* Node, bool& Allow) {
    events.push_back("expanding " + Node->Text());
    if (Node == roots[0] && Node->Count() == 0) {
      Tree->Items()->AddChild(Node, "x");
      Tree->Items()->AddChild(Node, "y");
    }
    Allow = true;
  };
  Tree->OnExpanded = [&](TObject*, TTreeNode* Node) { events.push_back("expanded " + Node->Text()); };
  Form->Take();

  // The button sits in the cell left of the content: x 0 .. 18 of row 0.
  EXPECT_EQ(Tree->GetHitTestInfoAt(9, RowH() / 2), TVHT_ONITEMBUTTON);
  ClickAt(Tree, 9, RowH() / 2);
  EXPECT_EQ(events, (Strings{"expanding A", "expanded A"}));
  EXPECT_TRUE(roots[0]->Expanded());
  EXPECT_EQ(Form->Take(), (Strings{"EXPANDING 2 A", "EXPANDED 2 A", "CLICK"}));
  EXPECT_EQ(Tree->Perform(TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(roots[0]->ItemId())),
            reinterpret_cast<LRESULT>(roots[0]->GetFirstChild()->ItemId()));
  EXPECT_EQ(roots[1]->DisplayRect(false).Top, 3 * RowH()) << "B moved below the two children";

  // B finds nothing: no TVN_ITEMEXPANDED, and its button is gone.
  events.clear();
  roots[1]->Expand(false);
  EXPECT_EQ(events, (Strings{"expanding B"}));
  EXPECT_FALSE(roots[1]->Expanded());
  EXPECT_FALSE(roots[1]->HasChildren());
  const int32_t by = roots[1]->DisplayRect(false).Top + RowH() / 2;
  EXPECT_EQ(Tree->GetHitTestInfoAt(9, by), TVHT_ONITEMINDENT);
  events.clear();
  roots[1]->Expand(false);
  EXPECT_TRUE(events.empty()) << "no second TVN_ITEMEXPANDING for a node without a button";

  // TVE_COLLAPSERESET deletes the children (with OnDeletion) and lets A fill again.
  Strings deleted;
  Tree->OnDeletion = [&](TObject*, TTreeNode* Node) { deleted.push_back(Node->Text()); };
  Tree->Perform(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(roots[0]->ItemId()));
  EXPECT_EQ(deleted, (Strings{"x", "y"}));
  EXPECT_EQ(roots[0]->Count(), 0);
}

TEST_F(ComTreeView, RefusedExpansionAndCollapseLeaveTheState) {
  auto roots = AddRoots("A");
  Tree->Items()->AddChild(roots[0], "a");
  bool allow = false;
  Tree->OnExpanding = [&](TObject*, TTreeNode*, bool& Allow) { Allow = allow; };
  Tree->OnCollapsing = [&](TObject*, TTreeNode*, bool& Allow) { Allow = allow; };
  roots[0]->Expand(false);
  EXPECT_FALSE(roots[0]->Expanded());
  allow = true;
  roots[0]->Expand(false);
  EXPECT_TRUE(roots[0]->Expanded());
  allow = false;
  roots[0]->Collapse(false);
  EXPECT_TRUE(roots[0]->Expanded());
}

// ---- Deletion ------------------------------------------------------------------------------

TEST_F(ComTreeView, DeletionGoesChildrenFirstAndClearReportsEveryNode) {
  auto roots = AddRoots("RS");
  TTreeNode* c1 = Tree->Items()->AddChild(roots[0], "c1");
  Tree->Items()->AddChild(c1, "g1");
  Tree->Items()->AddChild(c1, "g2");
  Tree->Items()->AddChild(roots[0], "c2");
  Strings deleted;
  Tree->OnDeletion = [&](TObject*, TTreeNode* Node) { deleted.push_back(Node->Text()); };
  Form->Take();
  roots[0]->Delete();
  EXPECT_EQ(deleted, (Strings{"g1", "g2", "c1", "c2", "R"}));
  EXPECT_EQ(Form->Take(), (Strings{"DELETE g1", "DELETE g2", "DELETE c1", "DELETE c2", "DELETE R"}));
  EXPECT_EQ(Tree->Items()->Count(), 1);

  deleted.clear();
  for (int i = 0; i < 4; ++i) Tree->Items()->AddChild(roots[1], "k" + std::to_string(i));
  Tree->Items()->AddChild(nullptr, "T");
  Tree->SetSelected(roots[1]);
  Strings changes;
  Tree->OnChange = [&](TObject*, TTreeNode* Node) { changes.push_back(Node != nullptr ? Node->Text() : "nil"); };
  Tree->Items()->Clear();
  EXPECT_EQ(deleted, (Strings{"k0", "k1", "k2", "k3", "S", "T"}));
  EXPECT_EQ(changes, (Strings{"nil"})) << "no doomed node gets selected on the way";
  EXPECT_EQ(Tree->Items()->Count(), 0);
}

TEST_F(ComTreeView, DeletingTheSelectedNodeSelectsNextSiblingThenPreviousThenParent) {
  TTreeNode* p = Tree->Items()->AddChild(nullptr, "P");
  TTreeNode* a = Tree->Items()->AddChild(p, "a");
  TTreeNode* b = Tree->Items()->AddChild(p, "b");
  TTreeNode* c = Tree->Items()->AddChild(p, "c");
  (void)a;
  Strings changes;
  Tree->OnChange = [&](TObject*, TTreeNode* Node) { changes.push_back(Node != nullptr ? Node->Text() : "nil"); };
  // b has a next sibling; then c is last (previous: a); then a is alone (parent).
  Tree->SetSelected(b);
  b->Delete();
  EXPECT_EQ(Tree->Selected(), c);
  c->Delete();
  EXPECT_EQ(Tree->Selected()->Text(), "a");
  Tree->Selected()->Delete();
  EXPECT_EQ(Tree->Selected(), p);
  EXPECT_EQ(changes, (Strings{"b", "c", "a", "P"}));
  // DeleteChildren with the selection among them moves it to the parent once.
  for (const char* k : {"x", "y", "z"}) Tree->Items()->AddChild(p, k);
  Tree->SetSelected(p->GetFirstChild());
  changes.clear();
  p->DeleteChildren();
  EXPECT_EQ(changes, (Strings{"P"}));
  EXPECT_EQ(p->Count(), 0);
}

TEST_F(ComTreeView, ANodeDeletedInsideItsOwnNotificationLivesUntilItReturns) {
  auto roots = AddRoots("AB");
  String seen;
  Tree->OnChange = [&](TObject*, TTreeNode* Node) {
    if (Node == roots[0]) {
      Node->Delete();
      seen = Node->Text();  // still readable: freed after the notification
    }
  };
  Tree->SetSelected(roots[0]);
  EXPECT_EQ(seen, "A");
  EXPECT_EQ(Texts(Tree), "B");
}

// ---- Selection -------------------------------------------------------------------------------

TEST_F(ComTreeView, SelectionChangesNotifyWithTheirCause) {
  auto roots = AddRoots("ABC");
  Strings events;
  bool allow = true;
  Tree->OnChanging = [&](TObject*, TTreeNode* Node, bool& Allow) {
    events.push_back("changing " + Node->Text());
    Allow = allow;
  };
  Tree->OnChange = [&](TObject*, TTreeNode* Node) { events.push_back("change " + Node->Text()); };
  Form->Take();
  struct TCase {
    const char* What;
    std::function<void()> Act;
    Strings Log;
    const char* Selected;
  };
  const std::vector<TCase> cases = {
      {"code", [&] { Tree->SetSelected(roots[1]); }, {"SELCHANGING 0 B", "SELCHANGED 0 B"}, "B"},
      {"key", [&] { Press(VK_DOWN); }, {"KEYDOWN", "SELCHANGING 2 C", "SELCHANGED 2 C"}, "C"},
      {"mouse", [&] { ClickNode(roots[0]); }, {"SELCHANGING 1 A", "SELCHANGED 1 A", "CLICK"}, "A"},
      {"same node", [&] { Tree->SetSelected(roots[0]); }, {}, "A"},
  };
  for (const TCase& c : cases) {
    events.clear();
    c.Act();
    EXPECT_EQ(Form->Take(), c.Log) << c.What;
    EXPECT_EQ(Tree->Selected()->Text(), c.Selected) << c.What;
  }
  // A refusal keeps the selection and fires no OnChange.
  allow = false;
  events.clear();
  Tree->SetSelected(roots[2]);
  EXPECT_EQ(events, (Strings{"changing C"}));
  EXPECT_EQ(Tree->Selected(), roots[0]);
  // The drop highlight notifies nothing.
  Form->Take();
  roots[2]->SetDropTarget(true);
  EXPECT_TRUE(Form->Take().empty());
  EXPECT_EQ(Tree->DropTarget(), roots[2]);
}

TEST_F(ComTreeView, MultiSelectByControlAndShiftBeforeOnMouseDown) {
  auto n = AddRoots("ABCDE");
  Tree->SetMultiSelect(true);
  Tree->SetMultiSelectStyle(TMultiSelectStyle{TMultiSelectStyles::msControlSelect, TMultiSelectStyles::msShiftSelect});
  Strings atMouseDown;
  Tree->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) {
    String s;
    for (int32_t i = 0; i < Tree->SelectionCount(); ++i) s += Tree->Selections(i)->Text();
    atMouseDown.push_back(s);
  };
  auto clickWith = [&](TTreeNode* Node, uint32_t Vk) {
    if (Vk != 0) H().KeyDown(Vk);
    ClickNode(Node);
    if (Vk != 0) H().KeyUp(Vk);
    Pump();
  };
  clickWith(n[0], 0);
  clickWith(n[2], VK_CONTROL);
  clickWith(n[0], VK_CONTROL);
  clickWith(n[1], 0);
  clickWith(n[3], VK_SHIFT);
  EXPECT_EQ(atMouseDown, (Strings{"A", "AC", "C", "B", "BCD"}));
  // Every selected node carries TVIS_SELECTED; the others do not.
  String bits;
  for (TTreeNode* x : n) bits += x->Selected() ? "1" : "0";
  EXPECT_EQ(bits, "01110");
  // Keys: Shift+Down extends from the anchor, a plain Down selects one.
  Tree->SetFocus();
  H().KeyDown(VK_SHIFT);
  Press(VK_DOWN);
  H().KeyUp(VK_SHIFT);
  Pump();
  String keyed;
  for (int32_t i = 0; i < Tree->SelectionCount(); ++i) keyed += Tree->Selections(i)->Text();
  EXPECT_EQ(keyed, "BCDE");
  Press(VK_UP);
  EXPECT_EQ(Tree->SelectionCount(), 1);
  EXPECT_EQ(Tree->Selections(0), n[3]);
  // A press that OnChanging refuses leaves the selection as it was.
  Tree->OnChanging = [](TObject*, TTreeNode*, bool& Allow) { Allow = false; };
  clickWith(n[0], VK_CONTROL);
  EXPECT_EQ(Tree->SelectionCount(), 1);
  EXPECT_EQ(Tree->Selections(0), n[3]);
  EXPECT_FALSE(n[0]->Selected());
  Tree->OnChanging = nullptr;
  // Code selects one node alone.
  clickWith(n[4], VK_SHIFT);
  EXPECT_EQ(Tree->SelectionCount(), 2);
  Tree->SetSelected(n[1]);
  EXPECT_EQ(Tree->SelectionCount(), 1);
  EXPECT_EQ(Tree->Selections(0), n[1]);
  EXPECT_FALSE(n[4]->Selected());
  Tree->ClearSelection();
  EXPECT_EQ(Tree->SelectionCount(), 0);
  EXPECT_FALSE(n[1]->Selected());
}

TEST_F(ComTreeView, RightClickSelectSelectsBeforeTheContextMenu) {
  auto n = AddRoots("AB");
  Tree->SetSelected(n[0]);
  String atContext;
  Tree->OnContextPopup = [&](TObject*, TPoint, bool& Handled) {
    atContext = Tree->Selected() != nullptr ? Tree->Selected()->Text() : "nil";
    Form->Log.push_back("CONTEXTMENU");
    Handled = true;
  };
  const TPoint p = LabelCenter(n[1]);
  // While held, B shows a temporary drop highlight.
  Down(p.X, p.Y, TRawButton::Right);
  EXPECT_NE(Tree->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(n[1]->ItemId()), TVIS_DROPHILITED), 0);
  Form->Take();
  Up(p.X, p.Y, TRawButton::Right);
  EXPECT_EQ(Tree->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(n[1]->ItemId()), TVIS_DROPHILITED), 0);
  EXPECT_EQ(atContext, "A") << "without RightClickSelect the selection stays";
  EXPECT_EQ(Form->Take(), (Strings{"RCLICK", "CONTEXTMENU"}));

  Tree->SetRightClickSelect(true);
  ClickNode(n[1], TRawButton::Right);
  EXPECT_EQ(atContext, "B");
  EXPECT_EQ(Form->Take(), (Strings{"RCLICK", "SELCHANGING 0 B", "SELCHANGED 0 B", "CONTEXTMENU"}));
}

// ---- Drag start -------------------------------------------------------------------------------

TEST_F(ComTreeView, DragStartsAfterFourPixelsOnlyWithoutDisabledDragDrop) {
  auto n = AddRoots("AB");
  int32_t ups = 0;
  Tree->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) {
    ++ups;
    Form->Log.push_back("UP");
  };
  auto style = [&] { return uint32_t(GetWindowLong(TH(), GWL_STYLE)); };
  const HWND before = TH();
  EXPECT_NE(style() & TVS_DISABLEDRAGDROP, 0u) << "dmManual";
  const TPoint p = LabelCenter(n[0]);
  auto drag = [&](int32_t dx, TRawButton b) {
    Clock().Advance(GetDoubleClickTime() + 1);
    Down(p.X, p.Y, b);
    for (int32_t x = 1; x <= dx; ++x) MoveTo(Tree, p.X + x, p.Y);
    Up(p.X + dx, p.Y, b);
  };
  Form->Take();
  drag(10, TRawButton::Left);
  EXPECT_EQ(Form->Take(), (Strings{"SELCHANGING 1 A", "SELCHANGED 1 A", "CLICK", "UP"}));

  Tree->SetDragMode(TDragMode::dmAutomatic);
  EXPECT_EQ(style() & TVS_DISABLEDRAGDROP, 0u);
  EXPECT_EQ(TH(), before) << "no re-creation";
  drag(3, TRawButton::Left);
  EXPECT_EQ(Form->Take(), (Strings{"CLICK", "UP"}));
  drag(4, TRawButton::Left);
  EXPECT_EQ(Form->Take(), (Strings{"BEGINDRAG 0 A", "UP"})) << "no NM_CLICK after a drag";
  drag(6, TRawButton::Right);
  EXPECT_EQ(Form->Take(), (Strings{"BEGINRDRAG 0 A", "UP"}));
  EXPECT_EQ(ups, 4) << "every release reaches OnMouseUp";
}

// ---- Styles ------------------------------------------------------------------------------------

TEST_F(ComTreeView, LinesAndRootFollowTheStyleWithoutRecreation) {
  auto n = AddRoots("AB");
  TTreeNode* child = Tree->Items()->AddChild(n[0], "a");
  n[0]->Expand(false);
  const HWND h = TH();
  const int32_t indent = Tree->Indent();
  EXPECT_EQ(indent, TreeDefaultIndent);
  EXPECT_EQ(child->DisplayRect(true).Left, 2 * indent);
  Pump();
  // The horizontal line of A's row runs from the cell's centre to its content.
  const int32_t mid = RowH() / 2;
  auto countGray = [&] {
    int32_t k = 0;
    for (int32_t x = indent / 2; x < indent; ++x)
      if (PixelOf(x, mid) == Rgb(clGrayText)) ++k;
    return k;
  };
  Tree->SetShowButtons(false);
  Pump();
  EXPECT_GT(countGray(), 2);
  Tree->SetShowLines(false);
  Pump();
  EXPECT_EQ(countGray(), 0);
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & TVS_HASLINES, 0);
  Tree->SetShowRoot(false);
  EXPECT_EQ(child->DisplayRect(true).Left, indent);
  EXPECT_EQ(n[1]->DisplayRect(true).Left, 0);
  EXPECT_EQ(TH(), h);
}

// ---- Geometry, hit testing, scroll information ----------------------------------------------------

TEST_F(ComTreeView, GeometryHitTestAndScrollInformation) {
  auto images = std::make_unique<TImageList>(nullptr);
  images->SetWidth(16);
  images->SetHeight(16);
  auto states = std::make_unique<TImageList>(nullptr);
  states->SetWidth(13);
  states->SetHeight(13);
  Tree->SetImages(images.get());
  Tree->SetStateImages(states.get());
  const int32_t natural = int32_t(Tree->Perform(TVM_GETITEMHEIGHT, 0, 0));
  EXPECT_EQ(natural, std::max(StdFontHeight(Tree->Font()->Handle()) + 2, 16));
  EXPECT_EQ(Tree->Perform(TVM_SETITEMHEIGHT, 18, 0), natural);
  ASSERT_EQ(RowH(), 18);

  TTreeNode* top = nullptr;
  for (int i = 0; i < 12; ++i) {
    TTreeNode* n = Tree->Items()->AddChild(nullptr, "n" + std::to_string(i));
    if (i == 0) top = n;
  }
  TTreeNode* kid = Tree->Items()->AddChild(top, "kid");
  kid->SetStateIndex(1);
  top->Expand(false);

  // Level 1 with ShowRoot: content at 2 x 19; state image 13, image 16, label.
  TRect r;
  *reinterpret_cast<HTREEITEM*>(&r) = kid->ItemId();
  ASSERT_NE(Tree->Perform(TVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(r.Left, 38 + 13 + 16);
  EXPECT_EQ(r.Top, 18);
  EXPECT_EQ(r.Bottom, 36);
  const int32_t labelRight = r.Right;
  *reinterpret_cast<HTREEITEM*>(&r) = kid->ItemId();
  Tree->Perform(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (TRect{0, 18, Tree->ClientRect().Width(), 36}));

  struct THit {
    int32_t X, Y;
    uint32_t Flags;
    TTreeNode* Node;
  };
  const THit hits[] = {
      {9, 9, TVHT_ONITEMBUTTON, top},            // the cell left of a top node with children
      {5, 27, TVHT_ONITEMINDENT, kid},           // the parent's column
      {25, 27, TVHT_ONITEMINDENT, kid},          // kid's own cell (no children: no button)
      {38, 27, TVHT_ONITEMSTATEICON, kid},       // from (level + ShowRoot) x Indent ...
      {38 + 12, 27, TVHT_ONITEMSTATEICON, kid},  // ... plus the state-image width
      {38 + 13, 27, TVHT_ONITEMICON, kid},      {38 + 29, 27, TVHT_ONITEMLABEL, kid},
      {labelRight, 27, TVHT_ONITEMRIGHT, kid},
  };
  for (const THit& h : hits) {
    TVHITTESTINFO ht;
    ht.pt = TPoint{h.X, h.Y};
    Tree->Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
    EXPECT_EQ(ht.flags, h.Flags) << h.X << "," << h.Y;
    EXPECT_EQ(ht.hItem, h.Node->ItemId()) << h.X << "," << h.Y;
  }
  // Part of the rows fill the client area: 13 rows in all.
  const int32_t clientH = Tree->ClientRect().Height();
  const int32_t visible = int32_t(Tree->Perform(TVM_GETVISIBLECOUNT, 0, 0));
  EXPECT_EQ(visible, clientH / 18);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(TH(), SB_VERT, &si));
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 12);
  EXPECT_EQ(int32_t(si.nPage), visible);
  EXPECT_EQ(si.nPos, 0);
  TVHITTESTINFO below;
  below.pt = TPoint{10, clientH - 1};
  Tree->Perform(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&below));
  EXPECT_NE(below.hItem, nullptr);

  // Scrolling is in rows; the information stays without WS_VSCROLL/WS_HSCROLL.
  Tree->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Tree->TopItem(), kid);
  SetWindowLong(TH(), GWL_STYLE, GetWindowLong(TH(), GWL_STYLE) & ~intptr_t(WS_VSCROLL | WS_HSCROLL));
  Tree->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(TH(), SB_VERT, &si));
  EXPECT_EQ(si.nPos, 13 - int32_t(Tree->Perform(TVM_GETVISIBLECOUNT, 0, 0)));
  EXPECT_EQ(si.nMax, 12);
  // Horizontal information is in pixels.
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(TH(), SB_HORZ, &si));
  EXPECT_EQ(si.nMax + 1, labelRight) << "the widest row is kid's";
  EXPECT_EQ(int32_t(si.nPage), std::min(Tree->ClientRect().Width(), labelRight));

  // TVM_ENSUREVISIBLE scrolls as little as needed.
  Tree->Perform(WM_VSCROLL, SB_TOP, 0);
  TTreeNode* last = Tree->Items()->Item(12);
  last->MakeVisible();
  EXPECT_EQ(last->DisplayRect(false).Bottom, int32_t(Tree->Perform(TVM_GETVISIBLECOUNT, 0, 0)) * 18);
  Tree->SetImages(nullptr);
  Tree->SetStateImages(nullptr);
}

TEST_F(ComTreeView, EnsureVisibleExpandsTheParentsWithNotifications) {
  auto n = AddRoots("A");
  TTreeNode* b = Tree->Items()->AddChild(n[0], "b");
  TTreeNode* c = Tree->Items()->AddChild(b, "c");
  Form->Take();
  c->MakeVisible();
  EXPECT_EQ(Form->Take(), (Strings{"EXPANDING 2 A", "EXPANDED 2 A", "EXPANDING 2 b", "EXPANDED 2 b"}));
  EXPECT_TRUE(c->IsVisible());
  EXPECT_EQ(c->Level(), 2);
  EXPECT_EQ(c->AbsoluteIndex(), 2);
}

// ---- Keys --------------------------------------------------------------------------------------

TEST_F(ComTreeView, KeysWalkExpandAndSearch) {
  auto n = AddRoots("ABC");
  Tree->Items()->AddChild(n[0], "apple");
  Tree->Items()->AddChild(n[0], "avocado");
  Tree->SetFocus();
  Tree->SetSelected(n[0]);
  struct TKey {
    uint32_t Vk;
    const char* Selected;
    bool AExpanded;
  };
  const TKey keys[] = {
      {VK_RIGHT, "A", true},     {VK_RIGHT, "apple", true}, {VK_DOWN, "avocado", true}, {VK_BACK, "A", true},
      {VK_LEFT, "A", false},     {VK_END, "C", false},      {VK_HOME, "A", false},      {VK_ADD, "A", true},
      {VK_SUBTRACT, "A", false}, {VK_DOWN, "B", false},     {VK_LEFT, "B", false},
  };
  for (const TKey& k : keys) {
    Press(k.Vk);
    EXPECT_EQ(Tree->Selected()->Text(), k.Selected) << k.Vk;
    EXPECT_EQ(n[0]->Expanded(), k.AExpanded) << k.Vk;
  }
  n[0]->Expand(false);
  // Typed characters within 1000 ms make one prefix; later ones start anew.
  H().TypeText("av");
  Pump();
  EXPECT_EQ(Tree->Selected()->Text(), "avocado");
  Clock().Advance(TreeSearchWindowMs + 1);
  H().TypeText("c");
  Pump();
  EXPECT_EQ(Tree->Selected()->Text(), "C");
  Form->Take();
  Press(VK_RETURN);
  EXPECT_EQ(Form->Take(), (Strings{"KEYDOWN", "RETURN"}));
}

TEST_F(ComTreeView, CheckBoxesToggleByClickOnTheStateImageAndBySpace) {
  Tree->SetCheckBoxes(true);
  auto n = AddRoots("AB");
  EXPECT_EQ(n[0]->StateIndex(), 0) << "unchecked";
  auto stateImage = [&](TTreeNode* x) {
    return ComStateBitsToIndex(
        uint32_t(Tree->Perform(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(x->ItemId()), TVIS_STATEIMAGEMASK)));
  };
  EXPECT_EQ(stateImage(n[0]), 0) << "unchecked";
  const TRect r = n[1]->DisplayRect(false);
  const TRect label = n[1]->DisplayRect(true);
  // The built-in list is 16 pixels wide: the zone left of the label.
  ClickAt(Tree, label.Left - 8, (r.Top + r.Bottom) / 2);
  EXPECT_EQ(stateImage(n[1]), 1) << "checked";
  EXPECT_EQ(n[1]->StateIndex(), 1);
  EXPECT_EQ(Tree->Selected(), nullptr) << "the check box does not select";
  Tree->SetSelected(n[0]);
  Tree->SetFocus();
  Press(VK_SPACE);
  EXPECT_EQ(stateImage(n[0]), 1);
  Press(VK_SPACE);
  EXPECT_EQ(stateImage(n[0]), 0);
}

// ---- Label editing ---------------------------------------------------------------------------------

TEST_F(ComTreeView, LabelEditingEndsByEnterEscapeFocusLossAndSlowClick) {
  auto n = AddRoots("AB");
  auto* other = new TEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(220, 10, 80, 20);
  Strings events;
  Tree->OnEditing = [&](TObject*, TTreeNode* Node, bool& Allow) {
    events.push_back("editing " + Node->Text());
    Allow = Node != n[1] || Node->Text() != "locked";
  };
  Tree->OnEdited = [&](TObject*, TTreeNode* Node, String& S) {
    events.push_back("edited " + Node->Text() + ">" + S);
    if (S == "refused") S = Node->Text();
  };
  auto edit = [&] { return reinterpret_cast<HWND>(Tree->Perform(TVM_GETEDITCONTROL, 0, 0)); };
  auto typeInto = [&](const String& Text) { SetWindowText(edit(), Text.c_str()); };

  // Enter.
  ASSERT_TRUE(n[0]->EditText());
  EXPECT_TRUE(Tree->IsEditing());
  EXPECT_EQ(GetFocus(), edit());
  EXPECT_EQ(GetWindowTextString(edit()), "A");
  typeInto("Alpha");
  Press(VK_RETURN);
  Pump();
  EXPECT_EQ(n[0]->Text(), "Alpha");
  EXPECT_FALSE(Tree->IsEditing());
  // Escape.
  ASSERT_TRUE(n[0]->EditText());
  typeInto("Gone");
  Press(VK_ESCAPE);
  Pump();
  EXPECT_EQ(n[0]->Text(), "Alpha");
  // Focus loss ends the edit inside SetFocus.
  ASSERT_TRUE(n[0]->EditText());
  typeInto("refused");
  other->SetFocus();
  EXPECT_EQ(events.back(), "edited Alpha>refused") << "before SetFocus returned";
  EXPECT_EQ(n[0]->Text(), "Alpha") << "OnEdited set S back";
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_EQ(events, (Strings{"editing A", "edited A>Alpha", "editing Alpha", "editing Alpha", "edited Alpha>refused"}));
  Pump();

  // The slow second click on the focused, selected node's label.
  events.clear();
  ClickNode(n[1]);
  EXPECT_FALSE(Tree->IsEditing());
  ClickNode(n[1]);
  EXPECT_FALSE(Tree->IsEditing()) << "only after the double-click time";
  H().AdvanceClock(GetDoubleClickTime() + 1);
  Pump();
  EXPECT_TRUE(Tree->IsEditing());
  Press(VK_ESCAPE);
  Pump();
  // A double click instead never edits.
  const TPoint p = LabelCenter(n[1]);
  const TPoint s = At(Tree, p.X, p.Y);
  Clock().Advance(GetDoubleClickTime() + 1);
  H().DoubleClick(s.X, s.Y);
  Pump();
  H().AdvanceClock(GetDoubleClickTime() + 1);
  Pump();
  EXPECT_FALSE(Tree->IsEditing());
  // OnEditing refuses.
  n[1]->SetText("locked");
  events.clear();
  EXPECT_FALSE(n[1]->EditText());
  EXPECT_EQ(events, (Strings{"editing locked"}));
}

// ---- Node API ----------------------------------------------------------------------------------

TEST_F(ComTreeView, NodesAddedByCodeFireOnAdditionAndMoveKeepTheirObjects) {
  Strings added;
  Tree->OnAddition = [&](TObject*, TTreeNode* Node) { added.push_back(Node->Text()); };
  Tree->Items()->BeginUpdate();
  auto n = AddRoots("AC");
  TTreeNode* b = Tree->Items()->Insert(n[1], "B");
  TTreeNode* first = Tree->Items()->AddFirst(n[0], "0");
  TTreeNode* a2 = Tree->Items()->AddChild(n[0], "a2");
  Tree->Items()->AddChildFirst(n[0], "a1");
  Tree->Items()->EndUpdate();
  EXPECT_EQ(added, (Strings{"A", "C", "B", "0", "a2", "a1"}));
  EXPECT_EQ(Texts(Tree), "0Aa1a2BC");
  EXPECT_EQ(Tree->Items()->Item(3), a2);
  EXPECT_EQ(a2->AbsoluteIndex(), 3);
  EXPECT_EQ(a2->Index(), 1);
  EXPECT_EQ(a2->Parent(), n[0]);
  EXPECT_EQ(first->GetNextSibling(), n[0]);
  EXPECT_EQ(b->GetPrev(), a2);

  // MoveTo keeps the node objects: no deletion or addition.
  int32_t deletions = 0;
  Tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
  added.clear();
  n[0]->Expand(false);
  n[0]->MoveTo(n[1], TNodeAttachMode::naAddChild);
  EXPECT_EQ(Texts(Tree), "0BCAa1a2");
  EXPECT_EQ(n[0]->Parent(), n[1]);
  EXPECT_EQ(a2->Level(), 2);
  EXPECT_TRUE(n[0]->Expanded());
  EXPECT_EQ(deletions, 0);
  EXPECT_TRUE(added.empty());

  // A drag image of the label.
  HIMAGELIST drag =
      reinterpret_cast<HIMAGELIST>(Tree->Perform(TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(b->ItemId())));
  ASSERT_NE(drag, nullptr);
  int32_t cx = 0, cy = 0;
  ImageList_GetIconSize(drag, &cx, &cy);
  EXPECT_EQ(cx, b->DisplayRect(true).Width());
  EXPECT_EQ(cy, RowH());
  ImageList_Destroy(drag);
}

// ---- Re-creation -----------------------------------------------------------------------------------

TEST_F(ComTreeView, CreateWndRestoresKeepsNodeObjectsOrDeletesThem) {
  auto n = AddRoots("AB");
  TTreeNode* a1 = Tree->Items()->AddChild(n[0], "a1");
  int data = 7;
  a1->SetData(&data);
  a1->SetImageIndex(3);
  n[0]->Expand(false);
  Tree->SetSelected(a1);
  int32_t deletions = 0, additions = 0, changes = 0;
  Tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
  Tree->OnAddition = [&](TObject*, TTreeNode*) { ++additions; };
  Tree->OnChange = [&](TObject*, TTreeNode*) { ++changes; };
  const HWND before = TH();
  ASSERT_TRUE(Tree->CreateWndRestores());
  Tree->RecreateWnd();
  Tree->HandleNeeded();
  EXPECT_NE(TH(), before);
  EXPECT_EQ(deletions, 0);
  EXPECT_EQ(additions, 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Tree->Items()->GetFirstNode(), n[0]);
  EXPECT_EQ(n[0]->GetFirstChild(), a1);
  EXPECT_EQ(a1->Data(), &data);
  EXPECT_EQ(a1->ImageIndex(), 3);
  EXPECT_TRUE(n[0]->Expanded());
  EXPECT_EQ(Tree->Selected(), a1);
  EXPECT_EQ(Texts(Tree), "Aa1B");

  Tree->SetCreateWndRestores(false);
  Tree->RecreateWnd();
  Tree->HandleNeeded();
  EXPECT_EQ(deletions, 3);
  EXPECT_EQ(Tree->Items()->Count(), 0);
}

// ---- Callbacks and sorting (native) ----------------------------------------------------------------

TEST_F(ComTreeView, CallbacksAreAskedUntilAnAnswerStoresThem) {
  Form->Framework = false;
  RegisterTreeViewClass();
  // A native window of its own: no framework object answers for it.
  HWND h = CreateWindowEx(0, "SysTreeView32", "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT, 10, 10, 200,
                          160, Form->Handle(), reinterpret_cast<HMENU>(intptr_t(900)), nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  int32_t asks = 0;
  bool store = false;
  struct TAnswer {
    int32_t* Asks;
    bool* Store;
  } answer{&asks, &store};
  TWndMethod saved = Form->WindowProc;
  Form->WindowProc = [&, saved](TMessage& M) {
    if (M.Msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(M.LParam)->code == TVN_GETDISPINFO) {
      auto* di = reinterpret_cast<NMTVDISPINFO*>(M.LParam);
      ++*answer.Asks;
      if ((di->item.mask & TVIF_TEXT) != 0)
        ComCopyText("dyn" + std::to_string(di->item.lParam), di->item.pszText, di->item.cchTextMax);
      if ((di->item.mask & TVIF_CHILDREN) != 0) di->item.cChildren = 1;
      if (*answer.Store) di->item.mask |= TVIF_DI_SETITEM;
      M.Result = 0;
      return;
    }
    saved(M);
  };
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
  is.item.pszText = LPSTR_TEXTCALLBACK;
  is.item.cChildren = I_CHILDRENCALLBACK;
  is.item.lParam = 5;
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(h, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  ASSERT_NE(item, nullptr);
  auto repaint = [&] {
    InvalidateRect(h, nullptr, true);
    UpdateWindow(h);
  };
  repaint();
  EXPECT_GT(asks, 0);
  asks = 0;
  repaint();
  EXPECT_GT(asks, 0) << "not stored: asked again";
  TVHITTESTINFO ht;
  ht.pt = TPoint{9, int32_t(SendMessage(h, TVM_GETITEMHEIGHT, 0, 0)) / 2};
  SendMessage(h, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
  EXPECT_EQ(ht.flags, TVHT_ONITEMBUTTON) << "the children callback answered 1";
  store = true;
  repaint();
  asks = 0;
  repaint();
  EXPECT_EQ(asks, 0) << "stored with TVIF_DI_SETITEM";
  char buf[32] = {};
  TVITEM get;
  get.mask = TVIF_TEXT;
  get.hItem = item;
  get.pszText = buf;
  get.cchTextMax = 32;
  SendMessage(h, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_STREQ(buf, "dyn5");
  // The stored children answer still has no items behind it: expanding
  // finds none and the button goes.
  EXPECT_EQ(SendMessage(h, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)), 0);
  SendMessage(h, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
  EXPECT_EQ(ht.flags, TVHT_ONITEMINDENT);
  SendMessage(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  DestroyWindow(h);
  Form->WindowProc = saved;
}

TEST_F(ComTreeView, SortingIsStableByTextAndByCallback) {
  const char* names[] = {"b2", "A1", "a2", "B1", "c"};
  int32_t order = 0;
  for (const char* name : names)
    Tree->Items()->AddChildObject(nullptr, name, reinterpret_cast<void*>(intptr_t(order++)));
  // Case-insensitive by text: equal keys keep their order.
  Tree->AlphaSort(false);
  EXPECT_EQ(Texts(Tree), "A1a2B1b2c");
  // By data parity: evens first, in the current order.
  Tree->CustomSort(
      [](TTreeNode* A, TTreeNode* B, LPARAM) {
        return int32_t(reinterpret_cast<intptr_t>(A->Data()) % 2) - int32_t(reinterpret_cast<intptr_t>(B->Data()) % 2);
      },
      0, false);
  EXPECT_EQ(Texts(Tree), "a2b2cA1B1");
}

TEST_F(ComTreeView, ImagesComeFromTheNodeSelectedIndexOverlayAndCut) {
  // Images: 0 red, 1 green, 2 a blue 4 x 4 corner mark used as overlay 0.
  auto images = std::make_unique<TImageList>(nullptr);
  images->SetWidth(16);
  images->SetHeight(16);
  TBitmap strip;
  strip.SetPixelFormat(TPixelFormat::pf24bit);
  strip.SetSize(48, 16);
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(TRect{0, 0, 16, 16});
  strip.Canvas()->Brush()->SetColor(clLime);
  strip.Canvas()->FillRect(TRect{16, 0, 32, 16});
  strip.Canvas()->Brush()->SetColor(clWhite);
  strip.Canvas()->FillRect(TRect{32, 0, 48, 16});
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(TRect{32, 0, 36, 4});
  images->AddMasked(&strip, clWhite);
  ASSERT_TRUE(images->Overlay(2, 0));
  Tree->SetImages(images.get());
  auto n = AddRoots("AB");
  for (TTreeNode* x : n) {
    x->SetImageIndex(0);
    x->SetSelectedIndex(1);
  }
  int32_t asked = 0;
  Tree->OnGetImageIndex = [&](TObject*, TTreeNode*) { ++asked; };
  Tree->SetSelected(n[1]);
  Tree->SetFocus();
  Pump();
  // Row content at 19 (ShowRoot); the image is centred in the row.
  auto iconPixel = [&](TTreeNode* x, int32_t dx, int32_t dy) {
    const TRect r = x->DisplayRect(false);
    return PixelOf(19 + dx, r.Top + (r.Height() - 16) / 2 + dy);
  };
  EXPECT_EQ(iconPixel(n[0], 8, 8), Rgb(clRed));
  EXPECT_EQ(iconPixel(n[1], 8, 8), Rgb(clLime)) << "SelectedIndex while selected";
  EXPECT_GT(asked, 0) << "images are answered through OnGetImageIndex";
  n[0]->SetOverlayIndex(0);
  EXPECT_EQ(n[0]->OverlayIndex(), 0);
  Pump();
  EXPECT_EQ(iconPixel(n[0], 1, 1), Rgb(clBlue)) << "overlay drawn over the image";
  EXPECT_EQ(iconPixel(n[0], 8, 8), Rgb(clRed));
  n[0]->SetCut(true);
  Pump();
  const TColor cut = iconPixel(n[0], 8, 8);
  EXPECT_NE(cut, Rgb(clRed)) << "blended 50 %";
  EXPECT_TRUE(n[0]->Cut());
  Tree->SetImages(nullptr);
}

// ---- Painting and custom draw ------------------------------------------------------------------------

TEST_F(ComTreeView, SelectionLookAndCustomDrawColoursBothWays) {
  auto n = AddRoots("AB");
  Tree->SetSelected(n[0]);
  Tree->SetFocus();
  Pump();
  TRect a = n[0]->DisplayRect(true);
  EXPECT_EQ(PixelOf(a.Left + 1, a.Top + 1), Rgb(clHighlight));
  // Unfocused: hidden by default, clBtnFace with show-selection-always.
  auto* other = new TEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(220, 10, 80, 20);
  other->SetFocus();
  Pump();
  EXPECT_EQ(PixelOf(a.Left + 1, a.Top + 1), Rgb(clWindow));
  Tree->SetHideSelection(false);
  Pump();
  EXPECT_EQ(PixelOf(a.Left + 1, a.Top + 1), Rgb(clBtnFace));

  // A brush colour given by the handler shows behind the label.
  Tree->OnCustomDrawItem = [&](TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState, bool&) {
    if (Node == n[1]) Sender->Canvas()->Brush()->SetColor(clRed);
  };
  Tree->Invalidate();
  Pump();
  TRect b = n[1]->DisplayRect(true);
  EXPECT_EQ(PixelOf(b.Left + 1, b.Top + 1), Rgb(clRed));
  // DefaultDraw false keeps what the handler drew.
  Tree->OnCustomDrawItem = [&](TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState, bool& DefaultDraw) {
    if (Node != n[1]) return;
    Sender->Canvas()->Brush()->SetColor(clBlue);
    TRect r = Node->DisplayRect(false);
    Sender->Canvas()->FillRect(r);
    DefaultDraw = false;
  };
  Tree->Invalidate();
  Pump();
  std::unique_ptr<TBitmap> shot = WindowPixels(TH(), false);
  ASSERT_TRUE(shot);
  int32_t blue = 0;
  for (int32_t x = b.Left; x < b.Right; ++x)
    for (int32_t y = b.Top; y < b.Bottom; ++y)
      if (shot->Canvas()->Pixels(x, y) == Rgb(clBlue)) ++blue;
  EXPECT_EQ(blue, b.Width() * b.Height()) << "no label drawn over the handler's pixels";
}

}  // namespace
