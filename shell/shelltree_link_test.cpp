// The shell folder tree on a link: the selection passed on after its delay,
// following a linked list, going up through the tree, and its check boxes
// showing the link's checked selection.
#include <gtest/gtest.h>

#include <functional>

#include "shell/shelltree.h"
#include "shell/shelltree_testing.h"

using namespace shelltest;

namespace {

class ShellTreeLinked : public ShellTreeTest {
 protected:
  ShellTreeLinked() {
    Tree->SetRootedAtFileSystemFolder(Base);
    Peer(Link, Folders);
  }

  void Advance(uint32_t Ms) {
    Clock().Advance(Ms);
    Pump();
  }

  TZavShellLink Link{nullptr};
  std::vector<String> Folders;
};

}  // namespace

TEST_F(ShellTreeLinked, ClicksPassTheSelectionOnAfter100MsAndKeysAfter800Ms) {
  Show();
  Tree->SetShellLink(&Link);
  TTreeNode* root = TopNode();
  TTreeNode* docs = Child(root, "docs");
  ASSERT_NE(docs, nullptr);
  Folders.clear();

  ClickNode(docs);
  ASSERT_EQ(Tree->Selected(), docs);
  EXPECT_EQ(Tree->SelectionDelay(), ZavTreeMouseDelay);
  Advance(ZavTreeMouseDelay - 1);
  EXPECT_TRUE(Folders.empty());
  Advance(1);
  EXPECT_EQ(Folders, (std::vector<String>{Base + "/docs"}));
  EXPECT_TRUE(Link.ShowParentItem());
  Advance(1000);
  EXPECT_EQ(Folders.size(), 1u);  // once

  // Each key restarts the wait; the folder goes out 800 ms after the last.
  Folders.clear();
  Tree->SetFocus();
  Press(VK_UP);
  EXPECT_NE(Tree->Selected(), docs);
  Advance(500);
  Press(VK_DOWN);
  EXPECT_EQ(Tree->Selected(), docs);
  EXPECT_EQ(Tree->SelectionDelay(), ZavTreeKeyDelay);
  Advance(ZavTreeKeyDelay - 1);
  EXPECT_TRUE(Folders.empty());
  Advance(1);
  EXPECT_EQ(Folders, (std::vector<String>{Base + "/docs"}));

  // The root hides the lists' parent item.
  ClickNode(root);
  Advance(ZavTreeMouseDelay);
  EXPECT_EQ(Folders.back(), Base);
  EXPECT_FALSE(Link.ShowParentItem());
}

TEST_F(ShellTreeLinked, AFileNodeIsReportedAsASelectedObject) {
  Show();
  Tree->SetShowFiles(true);
  Tree->SetShellLink(&Link);
  TTreeNode* file = Child(TopNode(), "a.jpg");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->HasChildren());
  auto* peer = new TRecordingWindow(Form.get());
  peer->SetVisible(false);
  peer->SetParent(Form.get());
  String folder, object;
  peer->OnMessage = [&](TMessage& m) {
    if (m.Msg != ZSL_SELECTION) return;
    const auto parent = reinterpret_cast<LPCITEMIDLIST>(m.WParam);
    const auto item = reinterpret_cast<LPCITEMIDLIST>(m.LParam);
    folder = PathFromIDList(parent);
    EXPECT_EQ(IDListCount(item), 1);
    LPITEMIDLIST whole = ConcatIDLists(parent, item);
    object = PathFromIDList(whole);
    FreeIDList(whole);
  };
  Link.RegisterWindow(peer->Handle());
  Folders.clear();
  ClickNode(file);
  Advance(ZavTreeMouseDelay);
  EXPECT_EQ(peer->Received, (std::vector<uint32_t>{ZSL_SELECTION}));
  EXPECT_EQ(folder, Base);
  EXPECT_EQ(object, Base + "/a.jpg");
  EXPECT_TRUE(Folders.empty());
}

TEST_F(ShellTreeLinked, TheTreeFollowsAListWithoutANoticeOfItsOwn) {
  Show();
  Tree->SetShellLink(&Link);
  List->SetShellLink(&Link);
  // A click on the tree is still waiting when the list moves elsewhere.
  ClickNode(Child(TopNode(), "docs"));
  Advance(50);
  Folders.clear();
  List->SetPath(Base + "/Photos/2023");
  EXPECT_EQ(Folders, (std::vector<String>{Base + "/Photos/2023"}));
  EXPECT_EQ(Tree->SelectedFolder(), Base + "/Photos/2023");
  // The tree's own change went out during the list's round (nothing sent),
  // and the click it replaced is not sent later.
  Advance(1000);
  EXPECT_EQ(Folders.size(), 1u);
  EXPECT_EQ(List->Path(), Base + "/Photos/2023/");

  // A folder outside the tree's root: the nearest node there is, no box.
  List->SetPath(Root + "/based");
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Tree->SelectedFolder(), Base);
}

TEST_F(ShellTreeLinked, GoingUpFromAListLinkedToTheTreeMovesTheTreeFirst) {
  Show();
  Tree->SetShellLink(&Link);
  List->SetShellLink(&Link);
  List->SetPath(Base + "/Photos/2024");
  ASSERT_EQ(Tree->SelectedFolder(), Base + "/Photos/2024");
  Folders.clear();

  List->GoUp();
  // The tree went up and answered; the list waits for the tree's notice.
  EXPECT_EQ(Tree->SelectedFolder(), Base + "/Photos");
  EXPECT_EQ(List->Path(), Base + "/Photos/2024/");
  Advance(ZavTreeMouseDelay);
  EXPECT_EQ(List->Path(), Base + "/Photos/");
  EXPECT_EQ(Folders, (std::vector<String>{Base + "/Photos"}));

  // A list alone on its link goes up by itself.
  TZavShellLink alone(nullptr);
  List->SetShellLink(&alone);
  List->GoUp();
  EXPECT_EQ(List->Path(), Base + "/");
  EXPECT_EQ(Tree->SelectedFolder(), Base + "/Photos");
}

TEST_F(ShellTreeLinked, CheckBoxesShowTheLinksCheckedSelection) {
  Show();
  Tree->SetShellLink(&Link);
  TZavSelectionList* selection = Link.Selection();
  selection->AddPath(Base + "/Photos/2023");
  selection->AddPath(Base + "/a.jpg");
  ASSERT_TRUE(PumpUntil([&] { return selection->RunningSizeThreads() == 0; }));
  Tree->SetCheckBoxes(true);
  TTreeNode* root = TopNode();
  TTreeNode* photos = Child(root, "Photos");
  photos->Expand(false);
  photos->GetFirstChild()->Expand(false);
  struct TCase {
    TTreeNode* Node;
    int32_t State;
  };
  const TCase cases[] = {
      {root, ZavCheckGrayed},
      {photos, ZavCheckGrayed},
      {Child(photos, "2023"), ZavCheckChecked},
      {Child(photos, "2024"), ZavCheckUnchecked},
      {Child(root, "docs"), ZavCheckUnchecked},
  };
  for (const TCase& c : cases) {
    ASSERT_NE(c.Node, nullptr);
    EXPECT_EQ(c.Node->StateIndex(), c.State) << c.Node->Text();
  }
  Tree->SetSelectedFolder(Base + "/Photos/2024/summer");
  SaveTreeShot("shelltree-checkboxes");

  // Checked elsewhere: RefreshSelected shows it on the selected node and above.
  selection->AddPath(Base + "/Photos/2024/summer");
  ASSERT_TRUE(PumpUntil([&] { return selection->RunningSizeThreads() == 0; }));
  Tree->RefreshSelected();
  EXPECT_EQ(Tree->Selected()->StateIndex(), ZavCheckChecked);

  Tree->SetCheckBoxes(false);
  EXPECT_EQ(Tree->StateImages(), nullptr);
  EXPECT_EQ(root->StateIndex(), -1);
}

TEST_F(ShellTreeLinked, RepopulateAndRefreshFromTheOthersFindNewFolders) {
  Show();
  Tree->SetShellLink(&Link);
  List->SetShellLink(&Link);
  List->SetPath(Base + "/Photos");
  TTreeNode* photos = Tree->Selected();
  ASSERT_EQ(photos->Text(), "Photos");
  struct TCase {
    std::function<void()> Send;
    const char* Made;
    TTreeNode* Parent;
  };
  const TCase cases[] = {
      {[&] { Link.RepopulateOthers(List); }, "/fresh", TopNode()},
      {[&] { Link.RefreshOthers(List); }, "/Photos/2025", photos},
  };
  for (const TCase& c : cases) {
    ForceDirectories(Base + c.Made);
    c.Send();
    EXPECT_TRUE(Contains(Texts(c.Parent), ExtractFileName(Base + c.Made))) << c.Made;
  }
  EXPECT_EQ(Tree->Selected(), photos);
}
