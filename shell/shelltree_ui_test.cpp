// The shell tree with the user: drags between the list and the tree, hover
// expansion, drops that are clicks, the paste reports, check boxes shared
// with the list, verbs and renaming.
#include <gtest/gtest.h>

#include "platform/gui/win_clipboard.h"
#include "platform/rtl/scopeguard.h"
#include "platform/shellapi/shellapi.h"
#include "shell/shelllist_ui_testing.h"
#include "shell/shelltree.h"

using namespace shelltest;

namespace {

class ShellTreeUi : public ShellTreeUiTest {
 protected:
  ShellTreeUi() {
    Tree->SetRootedAtFileSystemFolder(Base);
    Record(List);
    Record(Tree);
    Show();
    List->SetPath(Base);
  }

  TPoint NodeCentre(TTreeNode* Node) {
    const TRect r = Node->DisplayRect(true);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  TPoint ItemCentre(const String& Caption) {
    TListItem* item = List->FindItemByCaption(Caption);
    EXPECT_NE(item, nullptr) << Caption;
    const TRect r = item->DisplayRect(TDisplayCode::drLabel);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  TTreeNode* Node(const String& Text) {
    TTreeNode* node = Child(TopNode(), Text);
    EXPECT_NE(node, nullptr) << Text;
    return node;
  }
};

}  // namespace

TEST_F(ShellTreeUi, ListItemDraggedOntoATreeFolderMoves) {
  std::vector<String> events;
  Tree->OnMarloDropStart = [&](TObject*) { events.push_back("start"); };
  Tree->OnMarloDropEnd = [&](TObject*) { events.push_back("end"); };
  Drag(List, ItemCentre("a.jpg"), Tree, NodeCentre(Node("docs")), TRawButton::Left, {}, 0, [this] {
    SaveShot("shelltree_ui_drag_list");
    SaveTreeShot("shelltree_ui_drag_tree");
    EXPECT_EQ(Tree->DropTarget(), Node("docs"));
  });
  EXPECT_EQ(ReadFile(Base + "/docs/a.jpg"), "x");
  EXPECT_FALSE(Exists(Base + "/a.jpg"));
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Sender, Tree);
  EXPECT_EQ(Ops[0].Code, 10);
  EXPECT_EQ(Ops[0].Files, std::vector<String>{Base + "/a.jpg"});
  EXPECT_EQ(Ops[0].Destination, Base + "/docs");
  EXPECT_EQ(Ops[1].Sender, List);
  EXPECT_EQ(Ops[1].Code, 0x86);
  EXPECT_EQ(Tree->DropTarget(), nullptr);
  EXPECT_EQ(events, (std::vector<String>{"start", "end"}));
}

TEST_F(ShellTreeUi, NodeDroppedOnItselfOrAtOnceIsAClick) {
  struct Case {
    const char* To;
    uint64_t Hover;
    bool Moved;
  };
  const Case cases[] = {{"docs", 400, false}, {"Photos", 0, false}, {"Photos", 400, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.To) + " after " + std::to_string(c.Hover));
    Ops.clear();
    Tree->SetSelected(TopNode());
    Drag(Tree, NodeCentre(Node("docs")), Tree, NodeCentre(Node(c.To)), TRawButton::Left, {}, c.Hover);
    EXPECT_EQ(Exists(Base + "/Photos/docs"), c.Moved);
    if (c.Moved) {
      ASSERT_EQ(Ops.size(), 1u);
      EXPECT_EQ(Ops[0].Code, 10);
      EXPECT_EQ(Ops[0].Destination, Base + "/Photos");
    } else {
      EXPECT_TRUE(Ops.empty());
      ASSERT_NE(Tree->Selected(), nullptr);
      EXPECT_EQ(Tree->Selected()->Text(), c.To);
    }
  }
}

TEST_F(ShellTreeUi, HoveringAFolderNodeFor1500MsExpandsIt) {
  WriteFile(Base + "/h1.jpg", "1");
  WriteFile(Base + "/h2.jpg", "2");
  List->Refresh();
  for (auto [file, hover, expands] : {std::tuple{"h1.jpg", 1000, false}, std::tuple{"h2.jpg", 1600, true}}) {
    SCOPED_TRACE(hover);
    TTreeNode* photos = Node("Photos");
    photos->Collapse(false);
    Drag(List, ItemCentre(file), Tree, NodeCentre(photos), TRawButton::Left, {}, uint64_t(hover),
         [this, want = expands] { EXPECT_EQ(Node("Photos")->Expanded(), want); });
    EXPECT_TRUE(Exists(Base + "/Photos/" + file));
  }
}

TEST_F(ShellTreeUi, TheRootCannotBeDragged) {
  const TPoint from = At(Tree, NodeCentre(TopNode()).X, NodeCentre(TopNode()).Y);
  H().MouseMove(from.X, from.Y);
  H().MouseDown(from.X, from.Y);
  Pump();
  // A drag loop would wait here for input that never comes.
  H().MouseMove(from.X + 30, from.Y + 60);
  Pump();
  H().MouseUp(from.X + 30, from.Y + 60);
  Pump();
  EXPECT_TRUE(Ops.empty());
  EXPECT_TRUE(DirectoryExists(Base));
  // A child node does start one.
  EXPECT_NE(TopNode()->GetFirstChild(), nullptr);
}

TEST_F(ShellTreeUi, CtrlVReportsThePasteTwice) {
  List->SetSelected(List->FindItemByCaption("a.jpg"));
  List->SetFocus();
  Press('C', hkCtrl);
  Tree->SetSelected(Node("docs"));
  Tree->SetFocus();
  Pump();
  Ops.clear();
  Press('V', hkCtrl);
  EXPECT_EQ(ReadFile(Base + "/docs/a.jpg"), "x");
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Code, 289);
  EXPECT_EQ(Ops[1].Code, 288);
  for (const TReportedOperation& op : Ops) {
    EXPECT_EQ(op.Files, std::vector<String>{Base + "/a.jpg"});
    EXPECT_EQ(op.Destination, Base + "/docs");
  }
}

TEST_F(ShellTreeUi, CheckBoxClicksReachTheLinkAndTheList) {
  TZavShellLink link(Form.get());
  Tree->SetShellLink(&link);
  List->SetShellLink(&link);
  Tree->SetCheckBoxes(true);
  List->SetCheckboxes(true);
  Tree->SetSelected(TopNode());
  Pump();
  auto treeBox = [this](TTreeNode* N) {
    const TRect row = N->DisplayRect(false);
    return TPoint{row.Left + (N->Level() + 1) * Tree->Indent() + Tree->StateImages()->Width() / 2,
                  row.Top + Tree->StateImages()->Height() / 2};
  };
  const TPoint docs = treeBox(Node("docs"));
  ClickAt(Tree, docs.X, docs.Y);
  ASSERT_EQ(link.Selection()->Paths()->Count(), 1);
  EXPECT_EQ(link.Selection()->Paths()->Strings(0), Base + "/docs/*");
  EXPECT_EQ(Node("docs")->StateIndex(), ZavCheckChecked);
  EXPECT_EQ(TopNode()->StateIndex(), ZavCheckGrayed);
  EXPECT_EQ(List->FindItemByCaption("docs")->StateIndex(), ZavCheckChecked);

  // Checked in the list, the tree's root shows it too.
  const TRect icon = List->FindItemByCaption("a.jpg")->DisplayRect(TDisplayCode::drIcon);
  ClickAt(List, icon.Left - 6, icon.Bottom - 4);
  EXPECT_EQ(link.Selection()->Paths()->Count(), 2);
  EXPECT_EQ(List->FindItemByCaption("a.jpg")->StateIndex(), ZavCheckChecked);
  SaveTreeShot("shelltree_ui_checkboxes");

  // A second click unchecks.
  ClickAt(Tree, docs.X, docs.Y);
  EXPECT_EQ(Node("docs")->StateIndex(), ZavCheckUnchecked);
  EXPECT_EQ(List->FindItemByCaption("docs")->StateIndex(), ZavCheckUnchecked);
  while (link.Selection()->RunningSizeThreads() > 0) TThread::CheckSynchronize(5);
}

TEST_F(ShellTreeUi, DeleteAndRenameVerbsOnTheSelectedFolder) {
  ForceDirectories(Base + "/gone");
  ForceDirectories(Base + "/old/inner");
  Tree->RefreshNode(TopNode(), true);
  Tree->SetSelected(Node("gone"));
  QueueAnswer(IDYES);
  EXPECT_TRUE(Tree->ExecuteVerb("delete"));
  EXPECT_FALSE(Exists(Base + "/gone"));
  EXPECT_EQ(Child(TopNode(), "gone"), nullptr);
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 192);
  EXPECT_EQ(Ops[0].Files, std::vector<String>{Base + "/gone"});

  // Renamed in place, the node keeps its children under the new name.
  TZavShellLink link(Form.get());
  std::vector<String> folders;
  Peer(link, folders);
  Tree->SetShellLink(&link);
  Tree->SetSelected(Node("old"));
  Node("old")->Expand(false);
  Tree->SetFocus();
  Pump();
  folders.clear();
  EXPECT_TRUE(Tree->ExecuteVerb("rename"));
  ASSERT_TRUE(Tree->IsEditing());
  H().PressKey('A', hkCtrl);
  H().TypeText("new");
  Press(VK_RETURN);
  EXPECT_TRUE(DirectoryExists(Base + "/new/inner"));
  TTreeNode* renamed = Child(TopNode(), "new");
  ASSERT_NE(renamed, nullptr);
  EXPECT_TRUE(renamed->Expanded());
  EXPECT_NE(Child(renamed, "inner"), nullptr);
  EXPECT_EQ(Tree->NodePath(renamed), Base + "/new");
  EXPECT_EQ(folders, std::vector<String>{Base + "/new"});
}

// The tree answers E_FAIL whenever the effect changed; the drag loop takes
// the effect it wrote all the same (the drags above drop through it).
TEST_F(ShellTreeUi, DragOverAnswersEFailWhenTheEffectChanges) {
  IDataObject* data = CreateFileListDataObject({Base + "/a.jpg"});
  const TPoint c = NodeCentre(Node("docs"));
  const TPoint s = At(Tree, c.X, c.Y);
  const POINTL p{s.X, s.Y};
  uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(Tree->DragEnter(data, 0, p, &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  struct Case {
    uint32_t Keys;
    HRESULT Answer;
    uint32_t Effect;
  };
  const Case cases[] = {{0, E_FAIL, DROPEFFECT_MOVE},
                        {0, S_OK, DROPEFFECT_MOVE},
                        {MK_CONTROL, E_FAIL, DROPEFFECT_COPY},
                        {MK_CONTROL, S_OK, DROPEFFECT_COPY}};
  for (const Case& k : cases) {
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(Tree->DragOver(k.Keys, p, &effect), k.Answer) << k.Keys;
    EXPECT_EQ(effect, k.Effect) << k.Keys;
  }
  EXPECT_EQ(Tree->DropTarget(), Node("docs"));
  EXPECT_EQ(Tree->DragLeave(), S_OK);
  EXPECT_EQ(Tree->DropTarget(), nullptr);
  data->Release();
  EXPECT_TRUE(Exists(Base + "/a.jpg"));
}

TEST_F(ShellTreeUi, DoubleClickOpensFileNodesOnly) {
  Tree->SetShowFiles(true);
  for (const char* text : {"docs", "a.jpg"}) {
    const TPoint c = NodeCentre(Node(text));
    const TPoint s = At(Tree, c.X, c.Y);
    Clock().Advance(1000);
    H().DoubleClick(s.X, s.Y);
    Pump();
  }
  EXPECT_EQ(Launched, std::vector<String>{Base + "/a.jpg"});
  Launched.clear();
}

TEST_F(ShellTreeUi, ContextMenuCutDimsTheNode) {
  Tree->SetSelected(Node("docs"));
  // Shift+F10 opens the menu once.
  Tree->SetFocus();
  H().QueueIdleAction(ClickMenuItem("Copy"));
  Press(VK_F10, hkShift);
  EXPECT_EQ(H().PendingIdleActions(), 0u);
  EXPECT_EQ(ClipboardFileList()->Strings(0), Base + "/docs");
  const TPoint c = NodeCentre(Node("docs"));
  const TPoint s = At(Tree, c.X, c.Y);
  H().QueueIdleAction(ClickMenuItem("Cut"));
  SendMessage(Tree->Handle(), WM_CONTEXTMENU, WPARAM(Tree->Handle()), MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(H().PendingIdleActions(), 0u);
  EXPECT_TRUE(Node("docs")->Cut());
  // Pasted elsewhere through the menu: reported once, with the clipboard's list.
  Tree->SetSelected(Node("Photos"));
  H().QueueIdleAction(ClickMenuItem("Paste"));
  SendMessage(Tree->Handle(), WM_CONTEXTMENU, WPARAM(Tree->Handle()), MAKELPARAM(0, 0));
  EXPECT_TRUE(DirectoryExists(Base + "/Photos/docs"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 290);
  EXPECT_EQ(Ops[0].Files, std::vector<String>{Base + "/docs"});
  EXPECT_EQ(Ops[0].Destination, Base + "/Photos");
  EXPECT_EQ(Child(TopNode(), "docs"), nullptr);
}

TEST_F(ShellTreeUi, FilesDroppedFromOutsideOntoANode) {
  int32_t started = 0, ended = 0;
  Tree->OnMarloDropStart = [&](TObject*) { ++started; };
  Tree->OnMarloDropEnd = [&](TObject*) { ++ended; };
  const String from = NewDir("outside");
  WriteFile(from + "/o.jpg", "o");
  const TPoint c = NodeCentre(Node("docs"));
  const TPoint s = At(Tree, c.X, c.Y);
  EXPECT_TRUE(H().DropFiles({from + "/o.jpg"}, s.X, s.Y, MK_CONTROL));
  Pump();
  EXPECT_EQ(ReadFile(Base + "/docs/o.jpg"), "o");
  EXPECT_TRUE(Exists(from + "/o.jpg"));
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 9);
  EXPECT_EQ(Ops[0].Destination, Base + "/docs");
  EXPECT_EQ(started, 1);
  EXPECT_EQ(ended, 1);
  // A read-only tree takes nothing.
  Tree->SetReadOnly(true);
  WriteFile(from + "/r.jpg", "r");
  EXPECT_FALSE(H().DropFiles({from + "/r.jpg"}, s.X, s.Y, MK_CONTROL));
  EXPECT_FALSE(Exists(Base + "/docs/r.jpg"));
  EXPECT_EQ(Ops.size(), 1u);
}
