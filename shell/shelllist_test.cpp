// The shell file list over fixture folders under the test's own HOME: the
// fill, its columns, sorting, the incremental refresh, text asked on demand,
// the link messages and the view styles.
#include "shell/shelllist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "shell/shelllist_testing.h"

using namespace shelltest;

namespace {

class ShellListFill : public ShellListTest {
 protected:
  // b.jpg, A.png, c.txt, .hidden.jpg, app.desktop, a dangling link and the
  // folders zdir and x.zip.
  ShellListFill() : Dir(NewDir("list")) {
    for (const char* name : {"b.jpg", "A.png", "c.txt", ".hidden.jpg"}) WriteFile(Dir + "/" + name, "x");
    WriteFile(Dir + "/app.desktop", "[Desktop Entry]\nType=Link\nURL=file:///tmp\nName=app\n");
    EXPECT_EQ(::symlink((Dir + "/nowhere").c_str(), (Dir + "/dangling").c_str()), 0);
    ForceDirectories(Dir + "/zdir");
    ForceDirectories(Dir + "/x.zip");
  }

  String Dir;
};

}  // namespace

TEST_F(ShellListFill, PopulateListsFoldersFirstAndSkipsLinksAndHiddenObjects) {
  int32_t populated = 0;
  List->OnPopulated = [&](TObject*) { ++populated; };
  List->SetPath(Dir);
  EXPECT_EQ(List->Path(), Dir + "/");
  EXPECT_EQ(Captions(), (std::vector<String>{"x.zip", "zdir", "A.png", "b.jpg", "c.txt"}));
  EXPECT_GE(populated, 1);
  // Every object the walk found counts, shown or not.
  EXPECT_EQ(List->FolderCount(), 2);
  EXPECT_EQ(List->FileCount(), 6);
  for (int32_t i = 0; i < List->Items()->Count(); ++i) {
    TZavShellListItem* data = TZavShellList::Record(List->Items()->Item(i));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->IsFolder, i < 2) << i;
    EXPECT_FALSE(List->Items()->Item(i)->Cut()) << i;
  }
  EXPECT_EQ(List->GetItemPath(List->Items()->Item(3)), Dir + "/b.jpg");

  // Hidden objects appear dimmed, and only on request.
  List->SetShowHidden(true);
  const std::vector<String> shown = Captions();
  auto hidden = std::find(shown.begin(), shown.end(), ".hidden.jpg");
  ASSERT_NE(hidden, shown.end());
  EXPECT_TRUE(List->Items()->Item(int32_t(hidden - shown.begin()))->Cut());
  EXPECT_EQ(shown.size(), 6u);

  // A filter leaves folders in; ShowFolders off takes them out.
  List->SetShowHidden(false);
  List->SetFilter("*.JPG");
  EXPECT_EQ(Captions(), (std::vector<String>{"x.zip", "zdir", "b.jpg"}));
  List->SetShowFolders(false);
  EXPECT_EQ(Captions(), (std::vector<String>{"b.jpg"}));
}

TEST_F(ShellListFill, PopulateRefusesWhileDisabledAndSetPathReportsAMissingFolder) {
  List->SetPath(Dir);
  const int32_t before = List->Items()->Count();
  TListItem* first = List->Items()->Item(0);
  List->SetEnabled(false);
  WriteFile(Dir + "/new.txt", "x");
  EXPECT_FALSE(List->Populate());
  EXPECT_EQ(List->Items()->Count(), before);
  EXPECT_EQ(List->Items()->Item(0), first);
  List->SetEnabled(true);
  EXPECT_TRUE(List->Populate());
  EXPECT_EQ(List->Items()->Count(), before + 1);

  EXPECT_THROW(List->SetPath(Dir + "/missing"), EShellBrowserError);
  EXPECT_EQ(List->Path(), Dir + "/");
}

TEST_F(ShellListFill, ColumnsKeepTheirWidthsBetweenFileSystemFolders) {
  const String other = NewDir("list2");
  WriteFile(other + "/o.txt", "x");
  List->SetPath(Dir);
  ASSERT_EQ(List->Columns()->Count(), DefaultDetailsColumnCount);
  for (int32_t c = 0; c < DefaultDetailsColumnCount; ++c) {
    SCOPED_TRACE(c);
    TListColumn* column = List->Columns()->Items(c);
    EXPECT_EQ(column->Caption(), DefaultDetailsColumns[c].Caption);
    EXPECT_EQ(column->Alignment(), DefaultDetailsColumns[c].Alignment);
    const int32_t minimum = c == 0 ? 220 : DefaultDetailsColumns[c].Alignment == TAlignment::taLeftJustify ? 120 : 80;
    EXPECT_EQ(column->Width(), std::max(DefaultDetailsColumns[c].Width, minimum));
    EXPECT_EQ(List->ColumnMap(c), c);
  }
  // A width the user set stays by column index in the next folder.
  List->Columns()->Items(1)->SetWidth(175);
  List->SetPath(other);
  EXPECT_EQ(List->Columns()->Items(1)->Width(), 175);
  // Without details only the name column.
  List->SetDetails(false);
  EXPECT_EQ(List->Columns()->Count(), 1);
  EXPECT_EQ(Captions(), (std::vector<String>{"o.txt"}));
}

TEST_F(ShellListFill, SortTogglesWithTheParentItemFirstAndArrowsOnTheSortColumn) {
  List->SetShowParentFolder(true);
  List->SetPath(Dir);
  auto arrowBits = [&](int32_t column) {
    HDITEM item;
    item.mask = HDI_FORMAT;
    SendMessage(List->HeaderHandle(), HDM_GETITEM, WPARAM(column), reinterpret_cast<LPARAM>(&item));
    return item.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
  };
  struct TStep {
    int32_t Column;
    bool Descending;
    std::vector<String> Captions;
  };
  const TStep steps[] = {
      {0, true, {" .. ", "c.txt", "b.jpg", "A.png", "zdir", "x.zip"}},
      {0, false, {" .. ", "x.zip", "zdir", "A.png", "b.jpg", "c.txt"}},
      {0, true, {" .. ", "c.txt", "b.jpg", "A.png", "zdir", "x.zip"}},
      {2, false, {}},
  };
  EXPECT_EQ(Captions(), (std::vector<String>{" .. ", "x.zip", "zdir", "A.png", "b.jpg", "c.txt"}));
  EXPECT_EQ(arrowBits(0), 0x3000);
  for (const TStep& s : steps) {
    List->ColClick(List->Columns()->Items(s.Column));
    EXPECT_EQ(List->SortColumn(), s.Column);
    EXPECT_EQ(List->SortDescending(), s.Descending);
    if (!s.Captions.empty()) {
      EXPECT_EQ(Captions(), s.Captions);
    }
    EXPECT_EQ(Captions().front(), " .. ");
    for (int32_t c = 0; c < List->Columns()->Count(); ++c) EXPECT_EQ(arrowBits(c), c == s.Column ? 0x3000 : 0) << c;
  }
  // The parent item's path is the folder's.
  EXPECT_EQ(List->GetItemPath(List->Items()->Item(0)), Dir + "/");

  // None at the desktop.
  List->SetSpecialFolder(TZavShellFolder::SF_DESKTOP);
  EXPECT_EQ(List->Path(), "");
  for (const String& c : Captions()) EXPECT_NE(c, " .. ");
  // A link whose tree sits at its root switches it off.
  TZavShellLink link(nullptr);
  List->SetShellLink(&link);
  link.SetShowParentItem(false);
  List->SetPath(Dir);
  EXPECT_EQ(Captions().front(), "x.zip");
  List->SetShellLink(nullptr);
}

TEST_F(ShellListTest, RefreshUpdatesInPlaceUpTo300ItemsAndRefillsAbove) {
  const String dir = NewDir("refresh");
  // 300 objects with "A.jpg" and "a.jpg" among them.
  WriteFile(dir + "/A.jpg", "x");
  WriteFile(dir + "/a.jpg", "x");
  for (int i = 0; i < 298; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/f%03d.txt", i);
    WriteFile(dir + name, "x");
  }
  List->SetPath(dir);
  ASSERT_EQ(List->Items()->Count(), 300);
  auto itemOf = [&](const String& caption) -> TListItem* {
    for (int32_t i = 0; i < List->Items()->Count(); ++i)
      if (List->Items()->Item(i)->Caption() == caption) return List->Items()->Item(i);
    return nullptr;
  };
  TListItem* kept = itemOf("f100.txt");
  ASSERT_NE(kept, nullptr);
  ASSERT_EQ(::unlink((dir + "/f005.txt").c_str()), 0);
  WriteFile(dir + "/new.txt", "x");
  List->Refresh();
  EXPECT_EQ(List->Items()->Count(), 300);
  EXPECT_EQ(itemOf("f100.txt"), kept);  // in place, not filled again
  EXPECT_EQ(itemOf("f005.txt"), nullptr);
  EXPECT_NE(itemOf("new.txt"), nullptr);
  EXPECT_NE(itemOf("A.jpg"), nullptr);
  EXPECT_NE(itemOf("a.jpg"), nullptr);
  EXPECT_EQ(List->FileCount(), 300);

  // 301 items: filled again.
  WriteFile(dir + "/more.txt", "x");
  List->Refresh();
  ASSERT_EQ(List->Items()->Count(), 301);
  WriteFile(dir + "/last.txt", "x");
  List->Refresh();
  EXPECT_EQ(List->Items()->Count(), 302);
  EXPECT_NE(itemOf("f100.txt"), kept);
}

TEST_F(ShellListFill, RefreshReportsVanishedItemsInTheCutState) {
  List->SetPath(Dir);
  std::vector<std::pair<int32_t, std::vector<String>>> reports;
  List->OnOperation = [&](TObject*, int32_t Operation, TStrings* Files, const String&) {
    std::vector<String> files;
    for (int32_t i = 0; i < Files->Count(); ++i) files.push_back(Files->Strings(i));
    reports.emplace_back(Operation, files);
  };
  // b.jpg was cut; both it and c.txt vanish.
  List->Items()->Item(3)->SetCut(true);
  ASSERT_EQ(List->Items()->Item(3)->Caption(), "b.jpg");
  ::unlink((Dir + "/b.jpg").c_str());
  ::unlink((Dir + "/c.txt").c_str());
  List->RefreshSoon();
  Clock().Advance(499);
  Pump();
  EXPECT_TRUE(reports.empty());
  Clock().Advance(1);
  Pump();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, 144);
  EXPECT_EQ(reports[0].second, (std::vector<String>{Dir + "/b.jpg"}));
  EXPECT_EQ(Captions(), (std::vector<String>{"x.zip", "zdir", "A.png"}));
}

TEST_F(ShellListFill, TextIsAskedOncePerColumnAndAgainAfterACaptionChange) {
  List->SetFilter("c.txt");
  List->SetPath(Dir);
  Show();
  // zdir, x.zip and c.txt.
  ASSERT_EQ(List->Items()->Count(), 3);
  const auto param = reinterpret_cast<LPARAM>(List->Items()->Item(2));
  for (int pass = 0; pass < 2; ++pass)
    for (int32_t c = 0; c < 4; ++c) Text(2, c);
  List->Invalidate();
  UpdateWindow(List->Handle());
  for (int32_t c = 0; c < 4; ++c) EXPECT_EQ((List->TextAsks[{param, c}]), 1) << c;
  EXPECT_EQ(Text(2, 0), "c.txt");
  EXPECT_EQ(Text(2, 1), "1 KB");
  EXPECT_FALSE(Text(2, 2).empty());
  List->Items()->Item(2)->SetCaption("renamed");
  EXPECT_EQ(Text(2, 0), "renamed");
  EXPECT_EQ((List->TextAsks[{param, 0}]), 2);
  SaveShot("shelllist-report");
}

TEST_F(ShellListFill, LinkMessagesFollowAndReport) {
  const String sub = Dir + "/zdir";
  WriteFile(sub + "/inner.txt", "x");
  TZavShellLink link(nullptr);
  auto* peer = new TRecordingWindow(Form.get());
  peer->SetParent(Form.get());
  std::vector<String> folders;
  peer->OnMessage = [&](TMessage& m) {
    if (m.Msg == ZSL_FOLDERCHANGE) folders.push_back(PathFromIDList(reinterpret_cast<LPCITEMIDLIST>(m.WParam)));
  };
  Show();
  link.RegisterWindow(peer->Handle());
  List->SetShellLink(&link);
  EXPECT_EQ(link.WindowCount(), 2);

  // A folder set on the list goes to the others.
  List->SetPath(sub);
  EXPECT_EQ(folders, (std::vector<String>{sub}));
  // Selecting an item reports it (1669).
  peer->Received.clear();
  List->Items()->Item(0)->SetSelected(true);
  EXPECT_EQ(std::count(peer->Received.begin(), peer->Received.end(), ZSL_SELECTION), 1);
  // Going up: the peer does not answer 1, so the list goes up itself and
  // tells the others.
  List->GoUp();
  EXPECT_EQ(List->Path(), Dir + "/");
  EXPECT_EQ(folders.back(), Dir);

  // 1664 from another control moves the list; one that cannot be bound
  // (a file) clears it.
  LPITEMIDLIST folder = IDListFromPath(nullptr, sub);
  SendMessage(List->Handle(), ZSL_FOLDERCHANGE, reinterpret_cast<WPARAM>(folder), 0);
  FreeIDList(folder);
  EXPECT_EQ(Captions(), (std::vector<String>{"inner.txt"}));
  LPITEMIDLIST file = IDListFromPath(nullptr, sub + "/inner.txt");
  SendMessage(List->Handle(), ZSL_FOLDERCHANGE, reinterpret_cast<WPARAM>(file), 0);
  FreeIDList(file);
  EXPECT_EQ(List->Items()->Count(), 0);
  SendMessage(List->Handle(), ZSL_REPOPULATE, 0, 0);
  EXPECT_EQ(Captions(), (std::vector<String>{"inner.txt"}));
  SendMessage(List->Handle(), ZSL_SELECTALL, 0, 0);
  EXPECT_EQ(List->SelCount(), 1);
  EXPECT_EQ(SendMessage(List->Handle(), ZSL_GOUP, 0, 0), 1);
  EXPECT_EQ(List->Path(), Dir + "/");
  List->SetShellLink(nullptr);
  EXPECT_EQ(link.WindowCount(), 1);
}

TEST_F(ShellListFill, SelectedNamesRoundTrip) {
  List->SetPath(Dir);
  Show();
  List->Items()->Item(3)->SetSelected(true);
  List->Items()->Item(4)->SetSelected(true);
  TStrings* names = List->SelectedNames();
  ASSERT_EQ(names->Count(), 2);
  EXPECT_EQ(names->Strings(0), "b.jpg");
  EXPECT_EQ(names->Strings(1), "c.txt");
  TStringList wanted;
  wanted.Add("zdir");
  wanted.Add("A.png");
  List->SetSelectedNames(&wanted);
  EXPECT_EQ(List->SelCount(), 2);
  EXPECT_TRUE(List->Items()->Item(1)->Selected());
  EXPECT_TRUE(List->Items()->Item(2)->Selected());
  EXPECT_EQ(List->FindItemByIDList(IDListFromPath(List->Browser()->ShellFolder(), "c.txt")), 4);
  EXPECT_EQ(List->FindItemByIDList(IDListFromPath(List->Browser()->ShellFolder(), "C.txt")), -1);
}

TEST_F(ShellListFill, ReportStyleTurnsThumbnailsOff) {
  List->SetPath(Dir);
  List->SetThumbnails(true);
  EXPECT_EQ(List->ViewStyle(), TViewStyle::vsIcon);
  EXPECT_EQ(List->LargeImages()->Width(), 100);
  List->SetViewStyle(TViewStyle::vsReport);
  EXPECT_FALSE(List->Thumbnails());
  EXPECT_EQ(List->ViewStyle(), TViewStyle::vsReport);
  EXPECT_EQ(List->LargeImages()->Width(), 32);
  EXPECT_EQ(Captions().size(), 5u);
  // A plain icon view keeps them off; the list view draws the system icons.
  List->SetViewStyle(TViewStyle::vsList);
  Show();
  SaveShot("shelllist-list");
}

TEST_F(ShellListFill, CheckBoxesShowTheLinksSelection) {
  TZavShellLink link(nullptr);
  link.Selection()->AddPath(Dir + "/b.jpg");
  link.Selection()->AddPath(Dir + "/zdir/");
  List->SetShellLink(&link);
  List->SetCheckboxes(true);
  List->SetPath(Dir);
  ASSERT_EQ(Captions(), (std::vector<String>{"x.zip", "zdir", "A.png", "b.jpg", "c.txt"}));
  const int32_t expected[] = {ZavCheckUnchecked, ZavCheckChecked, ZavCheckUnchecked, ZavCheckChecked,
                              ZavCheckUnchecked};
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(List->Items()->Item(i)->StateIndex(), expected[i]) << i;
  // A refresh shows a change made meanwhile.
  link.Selection()->RemovePath(Dir + "/b.jpg");
  List->Refresh();
  EXPECT_EQ(List->Items()->Item(3)->StateIndex(), ZavCheckUnchecked);
  List->SetShellLink(nullptr);
  while (link.Selection()->RunningSizeThreads() > 0) TThread::CheckSynchronize(5);
}
