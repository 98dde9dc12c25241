// The shell folder tree over fixture folders under the test's own HOME: the
// desktop root, filling on demand, selecting by path and by item-ID list,
// trees rooted at a folder, refreshing, window re-creation and the history.
#include "shell/shelltree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "shell/shelltree_testing.h"

using namespace shelltest;

TEST_F(ShellTreeTest, DesktopRootShowsHomeComputerTrashAndDesktopEntriesFilledOnDemand) {
  const String desktop = String(std::getenv("HOME")) + "/Desktop";
  ForceDirectories(desktop + "/tree-desk-dir");
  WriteFile(desktop + "/tree-desk-note.txt", "x");
  Show();
  TTreeNode* root = TopNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), "Desktop");
  EXPECT_EQ(root->GetNextSibling(), nullptr);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(Tree->Selected(), root);
  EXPECT_EQ(Tree->SelectedFolder(), "");
  EXPECT_EQ(Tree->GetSpecialFolder(), TZavShellFolder::SF_DESKTOP);
  const std::vector<String> top = Texts(root);
  ASSERT_GE(top.size(), 4u);
  EXPECT_EQ(std::vector<String>(top.begin(), top.begin() + 3), (std::vector<String>{"Home", "Computer", "Trash"}));
  EXPECT_TRUE(Contains(top, "tree-desk-dir"));
  EXPECT_FALSE(Contains(top, "tree-desk-note.txt"));

  // Nothing below the first level until a node is expanded.
  TTreeNode* home = Child(root, "Home");
  TTreeNode* computer = Child(root, "Computer");
  ASSERT_TRUE(home && computer);
  EXPECT_EQ(Tree->NodePath(home), std::getenv("HOME"));
  EXPECT_EQ(Tree->NodePath(computer), "");
  for (TTreeNode* n : {home, computer}) {
    EXPECT_TRUE(n->HasChildren()) << n->Text();
    EXPECT_EQ(n->GetFirstChild(), nullptr) << n->Text();
  }
  computer->Expand(false);
  ASSERT_NE(computer->GetFirstChild(), nullptr);
  EXPECT_EQ(Tree->NodePath(computer->GetFirstChild()), "/");
  EXPECT_EQ(computer->GetFirstChild()->GetFirstChild(), nullptr);

  // Files show on request.
  Tree->SetShowFiles(true);
  EXPECT_TRUE(Contains(Texts(root), "tree-desk-note.txt"));
  EXPECT_EQ(Tree->Version(), "TZavShellTree V3.02");
}

TEST_F(ShellTreeTest, SelectedFolderExpandsOnlyTheWayAndReadsBack) {
  Show();
  struct TCase {
    String Path;
    String Folder;
    String Text;
  };
  const TCase cases[] = {
      {Base + "/Photos/2024/summer", Base + "/Photos/2024/summer", "summer"},
      {Base + "/Photos/2024/summer/", Base + "/Photos/2024/summer", "summer"},
      {"", "", "Computer"},
      {Base, Base, "base"},
      {Root + "/based", Root + "/based", "based"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path);
    Tree->SetSelectedFolder(c.Path);
    ASSERT_NE(Tree->Selected(), nullptr);
    EXPECT_EQ(Tree->Selected()->Text(), c.Text);
    EXPECT_EQ(Tree->SelectedFolder(), c.Folder);
    EXPECT_EQ(Tree->NodePath(Tree->Selected()), c.Folder);
  }
  EXPECT_TRUE(Boxes.empty());

  // The way down was filled, nothing beside it.
  Tree->SetSelectedFolder(Base + "/Photos/2024/summer");
  TTreeNode* summer = Tree->Selected();
  TTreeNode* photos = summer->Parent()->Parent();
  TTreeNode* base = photos->Parent();
  EXPECT_TRUE(photos->Expanded());
  TTreeNode* docs = Child(base, "docs");
  TTreeNode* older = Child(photos, "2023");
  ASSERT_TRUE(docs && older);
  EXPECT_EQ(older->GetFirstChild(), nullptr);
  EXPECT_FALSE(docs->HasChildren());  // no subfolders: no button
  TTreeNode* based = Child(base->Parent(), "based");
  ASSERT_NE(based, nullptr);
  EXPECT_TRUE(based->HasChildren());
  EXPECT_EQ(based->GetFirstChild(), nullptr);
  SaveTreeShot("shelltree-desktop");

  // The folder chooser's road: the selected list bound by a browser.
  LPITEMIDLIST list = Tree->GetSelectedIDList();
  ASSERT_NE(list, nullptr);
  TShellBrowser browser(nullptr);
  browser.SetFolderIDList(list);
  FreeIDList(list);
  EXPECT_EQ(browser.Folder(), Base + "/Photos/2024/summer/");
  EXPECT_EQ(Tree->GetSpecialFolder(), TZavShellFolder::SF_FILESYSTEMFOLDER);

  // A path that is not there: one message box, the selection stays.
  QueueAnswer(IDOK);
  Tree->SetSelectedFolder(Base + "/missing/deeper");
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, GetSystemErrorText(0x800A004Cu));
  EXPECT_EQ(Tree->Selected(), summer);
}

TEST_F(ShellTreeTest, TreeRootedAtAFolderSelectsBelowItByRelativePath) {
  Tree->SetRootedAtFileSystemFolder(Base);
  Show();
  TTreeNode* root = TopNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), "base");
  EXPECT_EQ(Tree->NodePath(root), Base);
  EXPECT_EQ(Tree->RootedAt(), TZavShellFolder::SF_FILESYSTEMFOLDER);
  const std::vector<String> children = Texts(root);
  EXPECT_EQ(children.size(), 2u);
  EXPECT_TRUE(Contains(children, "Photos") && Contains(children, "docs"));

  struct TCase {
    String Path;
    String Folder;  // "" when the path lies outside and a box is expected
  };
  const TCase cases[] = {
      {Base + "/Photos/2023", Base + "/Photos/2023"},
      {Base, Base},
      {Base + "/docs", Base + "/docs"},
      {Root + "/based/inner", ""},  // shares base's name as a prefix only
      {Root, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path);
    const String before = Tree->SelectedFolder();
    const size_t boxes = Boxes.size();
    if (c.Folder.empty()) QueueAnswer(IDOK);
    Tree->SetSelectedFolder(c.Path);
    if (c.Folder.empty()) {
      ASSERT_EQ(Boxes.size(), boxes + 1);
      EXPECT_EQ(Boxes.back().Text, "Path not found.");
      EXPECT_EQ(Tree->SelectedFolder(), before);
    } else {
      EXPECT_EQ(Boxes.size(), boxes);
      EXPECT_EQ(Tree->SelectedFolder(), c.Folder);
    }
  }
  // "" selects the first node of a tree not rooted at the desktop.
  Tree->SetSelectedFolder("");
  EXPECT_EQ(Tree->Selected(), root);

  // Rooted at Computer, which parses whole paths itself; the folder path
  // is cleared.
  Tree->SetRootedAt(TZavShellFolder::SF_DRIVES);
  EXPECT_EQ(Tree->RootedAtFileSystemFolder(), "");
  EXPECT_EQ(TopNode()->Text(), "Computer");
  EXPECT_EQ(Tree->SelectedFolder(), "");
  Tree->SetSelectedFolder(Base + "/docs");
  EXPECT_EQ(Tree->SelectedFolder(), Base + "/docs");
  EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(ShellTreeTest, RefreshNodeFollowsOutsideChanges) {
  ForceDirectories(Base + "/gone/sub");
  Tree->SetRootedAtFileSystemFolder(Base);
  Show();
  TTreeNode* root = TopNode();
  TTreeNode* photos = Child(root, "Photos");
  TTreeNode* docs = Child(root, "docs");
  ASSERT_TRUE(photos && docs);
  photos->Expand(false);
  TTreeNode* newer = Child(photos, "2024");
  TTreeNode* older = Child(photos, "2023");
  ASSERT_TRUE(newer && older);
  // Filled once, then folded: its children go and come back on the next expansion.
  newer->Expand(false);
  newer->Collapse(false);
  ASSERT_NE(newer->GetFirstChild(), nullptr);

  // Outside: docs renamed in letter case only, gone removed, fresh made.
  ASSERT_EQ(std::rename((Base + "/docs").c_str(), (Base + "/Docs").c_str()), 0);
  ASSERT_EQ(::rmdir((Base + "/gone/sub").c_str()), 0);
  ASSERT_EQ(::rmdir((Base + "/gone").c_str()), 0);
  ForceDirectories(Base + "/fresh");
  Tree->RefreshNode(root);

  const std::vector<String> children = Texts(root);
  EXPECT_EQ(children.size(), 3u);
  for (const char* text : {"Docs", "Photos", "fresh"}) EXPECT_TRUE(Contains(children, text)) << text;
  EXPECT_NE(Child(root, "Docs"), docs);  // a new node, not the old one renamed
  EXPECT_EQ(Child(root, "Photos"), photos);
  EXPECT_TRUE(photos->Expanded());
  EXPECT_EQ(Child(photos, "2024"), newer);
  EXPECT_EQ(Child(photos, "2023"), older);
  EXPECT_EQ(newer->GetFirstChild(), nullptr);
  EXPECT_TRUE(newer->HasChildren());
  newer->Expand(false);
  EXPECT_EQ(Texts(newer), (std::vector<String>{"summer"}));

  // Refresh-only finding stays within the nodes there are and refreshes
  // around the node it reached, selecting nothing.
  ForceDirectories(Base + "/Photos/2022");
  TTreeNode* selected = Tree->Selected();
  ForceDirectories(Base + "/Photos/2023/x");
  TPidl made = Parse(Base + "/Photos/2023/x");
  EXPECT_TRUE(Tree->SelectIDList(made.P, true));
  EXPECT_EQ(Tree->Selected(), selected);
  EXPECT_TRUE(Contains(Texts(photos), "2022"));
  EXPECT_EQ(older->GetFirstChild(), nullptr);  // not expanded on the way
  EXPECT_FALSE(Tree->SelectIDList(nullptr, false));

  // Not recursive: the expanded Photos folds and fills again later.
  ForceDirectories(Base + "/Photos/2025");
  Tree->RefreshNode(root, false);
  EXPECT_EQ(photos->GetFirstChild(), nullptr);
  photos->Expand(false);
  EXPECT_EQ(Texts(photos).size(), 4u);
}

TEST_F(ShellTreeTest, ReCreatingTheWindowRebuildsFromTheRootAndKeepsTheFolder) {
  TZavShellLink link(nullptr);
  std::vector<String> folders;
  Peer(link, folders);
  Show();
  Tree->SetShellLink(&link);
  Tree->SetSelectedFolder(Base + "/Photos/2024");
  Clock().Advance(1000);
  Pump();
  folders.clear();
  const HWND before = Tree->Handle();

  Tree->RecreateWnd();
  Pump();
  EXPECT_NE(Tree->Handle(), before);
  EXPECT_EQ(TopNode()->Text(), "Desktop");
  EXPECT_EQ(Tree->SelectedFolder(), Base + "/Photos/2024");
  // The new window is on the link instead of the old one.
  EXPECT_EQ(link.WindowCount(), 2);
  Clock().Advance(1000);
  Pump();
  EXPECT_TRUE(folders.empty());

  // A tree destroyed with its window frees every node record (ASan).
  delete Tree;
  EXPECT_EQ(link.WindowCount(), 1);
}

TEST(PidlHistory, AddDropsTheEntriesAfterTheCurrentOneAndStepsStayInside) {
  TPidlHistory history;
  auto add = [&](const char* Path) { history.Add(IDListFromPath(nullptr, Path)); };
  auto current = [&] { return PathFromIDList(history.Current()); };
  EXPECT_EQ(history.Current(), nullptr);
  history.GoBack(1);
  EXPECT_EQ(history.CurrentIndex(), -1);
  for (const char* p : {"/", "/usr", "/tmp"}) add(p);
  struct TStep {
    int32_t Move;  // < 0 back, > 0 forward
    String Current;
  };
  const TStep steps[] = {{-1, "/usr"}, {-5, "/"}, {1, "/usr"}, {9, "/tmp"}, {0, "/tmp"}, {-2, "/"}};
  for (const TStep& s : steps) {
    if (s.Move < 0)
      history.GoBack(-s.Move);
    else
      history.GoForward(s.Move);
    EXPECT_EQ(current(), s.Current) << s.Move;
  }
  // From "/" a new entry replaces "/usr" and "/tmp".
  add("/var");
  EXPECT_EQ(history.Count(), 2);
  EXPECT_EQ(current(), "/var");
  history.Delete(0);
  EXPECT_EQ(history.CurrentIndex(), 0);
  EXPECT_EQ(current(), "/var");

  // Bounded: the oldest entries leave.
  for (int32_t i = 0; i < TPidlHistory::MaxEntries + 20; ++i) add(i % 2 ? "/usr" : "/tmp");
  EXPECT_EQ(history.Count(), TPidlHistory::MaxEntries);
  EXPECT_EQ(history.CurrentIndex(), TPidlHistory::MaxEntries - 1);
  EXPECT_EQ(current(), "/usr");
}

TEST_F(ShellTreeTest, WhatTheTreeShowsFollowsTheOptions) {
  ForceDirectories(Base + "/.hid");
  ForceDirectories(Base + "/x.zip");
  WriteFile(Base + "/pack.zip", "x");
  WriteFile(Base + "/app.desktop", "[Desktop Entry]\nType=Link\nURL=file:///tmp\nName=app\n");
  std::vector<String> asked;
  Tree->OnAddFolder = [&](TTreeNode*, const String& Path, bool& CanAdd) {
    asked.push_back(Path);
    CanAdd = ExtractFileName(Path) != "x.zip";
  };
  Tree->SetRootedAtFileSystemFolder(Base);
  Show();
  TTreeNode* root = TopNode();
  EXPECT_EQ(Texts(root).size(), 2u);  // docs and Photos; x.zip refused by the handler
  EXPECT_TRUE(Contains(asked, Base + "/x.zip"));
  Tree->OnAddFolder = nullptr;
  Tree->RefreshNode(root);
  // A directory named like an archive is a folder like any other.
  EXPECT_TRUE(Contains(Texts(root), "x.zip"));

  struct TStep {
    std::function<void()> Set;
    std::vector<String> Shown;
    std::vector<String> Hidden;
  };
  const TStep steps[] = {
      {[&] { Tree->SetShowHidden(true); }, {".hid", "docs", "Photos", "x.zip"}, {"a.jpg"}},
      {[&] { Tree->SetShowFiles(true); }, {".hid", "a.jpg"}, {"pack.zip", "app.desktop", "app"}},
      {[&] { Tree->SetFilter("*.txt"); }, {"docs"}, {"a.jpg"}},
      {[&] { Tree->SetShowHidden(false); }, {"docs"}, {".hid"}},
      {[&] { Tree->SetShowFiles(false); }, {"x.zip"}, {"a.jpg"}},
  };
  for (const TStep& s : steps) {
    s.Set();
    const std::vector<String> texts = Texts(root);
    for (const String& t : s.Shown) EXPECT_TRUE(Contains(texts, t)) << t;
    for (const String& t : s.Hidden) EXPECT_FALSE(Contains(texts, t)) << t;
  }
  Tree->SetShowHidden(true);
  TTreeNode* hidden = Child(root, ".hid");
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(hidden->Cut());
  EXPECT_FALSE(Child(root, "docs")->Cut());
}
