#include "app/convert/inputtabbase.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "app/convert/converttab_testing.h"
#include "app/main/picturedate.h"
#include "platform/vcl/menus.h"
#include "shell/imagelists.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinprogressdialog.h"

namespace {

using converttest::ConvertTabTest;
using converttest::FindNode;
using converttest::TreeText;

using InputList = ConvertTabTest;

// A script step that keeps the text of the message box.
auto MessageText(String& Out) {
  return [&Out](TScriptTarget t, const auto&) {
    if (auto* f = dynamic_cast<TbsMessageForm*>(t.Form)) Out = f->MessageLabel()->Caption();
  };
}

// Folders first in natural order, then the accepted files; unknown types
// and links that lead back up are left out of the descent; hidden entries
// with a known extension are listed.
TEST_F(InputList, AddingAFolderScansItOnceWithFoldersFirst) {
  const String root = MakeDir("photos");
  MakeDir("photos/sub10");
  MakeDir("photos/sub9");
  Write("photos/sub9/IMG2.jpg");
  Write("photos/sub9/IMG10.JPG");
  Write("photos/b.png");
  Write("photos/a.tif");
  Write("photos/notes.txt");
  Write("photos/.hidden.gif");
  Write("photos/c.jpe");  // not among the 14 until a file type is chosen
  ASSERT_EQ(::symlink(root.c_str(), (root + "/sub9/back").c_str()), 0);

  Add({root});

  EXPECT_EQ(Tree(), "photos[sub9[back[], IMG2.jpg, IMG10.JPG], sub10[], .hidden.gif, a.tif, b.png]");
  EXPECT_EQ(Tab->FolderCount(), 4);
  EXPECT_EQ(Tab->FileCount(), 5);
  Tab->DisplayFileNumberTimerTimer(nullptr);
  EXPECT_TRUE(Tab->TreeView->ShowRoot());
  EXPECT_TRUE(Tab->TreeView->ShowLines());
  EXPECT_EQ(Tab->LabelFileNumber->Caption(), "5 files");

  Tab->BntClearClick(nullptr);
  EXPECT_EQ(Tab->FileCount(), 0);
  EXPECT_EQ(Tab->FolderCount(), 0);
  EXPECT_FALSE(Tab->TreeView->ShowRoot());
  EXPECT_FALSE(Tab->TreeView->ShowLines());
}

// Cancel in the progress window stops a scan at the next entry: what was
// placed stays, the rest of the folder is left out, and no sort follows.
TEST_F(InputList, CancelStopsTheScan) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) Write(String("big/") + name);
  Tab->SortList->SetItemIndex(5);
  const TTVExpandedEvent added = Tab->TreeView->OnAddition;
  Tab->TreeView->OnAddition = [&](TObject* S, TTreeNode* N) {
    added(S, N);
    if (N->Text() == "b.jpg") Tab->ProgressDialog->Window()->Close();
  };
  Add({Dir + "/big", Write("after.jpg")});
  EXPECT_EQ(Tree(), "big[a.jpg, b.jpg]");
  EXPECT_EQ(Tab->FileCount(), 2);
  EXPECT_EQ(Tab->FolderCount(), 1);
}

// Files given by name are taken whatever their type; missing paths are
// skipped; the root "/" is a folder item named "/".
TEST_F(InputList, ExplicitFilesAreNotCheckedAndMissingPathsAreSkipped) {
  Add({Write("readme.txt"), Dir + "/gone.jpg", Write("x.jpg")});
  EXPECT_EQ(Tree(), "readme.txt, x.jpg");
  EXPECT_EQ(Tab->FileCount(), 2);
}

// One table for the duplicate question: each row adds a file whose name is
// already at the level and answers the question.
TEST_F(InputList, DuplicateQuestionAnswers) {
  struct TCase {
    const char* Name;
    std::vector<const char*> Presses;  // one per question asked
    const char* Tree;
    int32_t Files;
  };
  const TCase cases[] = {
      {"Yes replaces the item, No keeps it", {"Yes", "No"}, "b.jpg, new/a.jpg, new/c.jpg", 3},
      {"No keeps the old items and drops the new", {"No", "No"}, "a.jpg, b.jpg, new/c.jpg", 3},
      {"Cancel adds and removes nothing", {"No", "Cancel"}, "a.jpg, b.jpg", 2},
      {"Yes to all replaces the rest unasked", {"&YesToAll"}, "new/a.jpg, new/b.jpg, new/c.jpg", 3},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Tab->BntClearClick(nullptr);
    Add({Write("old/a.jpg"), Write("old/b.jpg")});
    TDialogScript script;
    for (const char* press : c.Presses) script.ExpectModalForm("Confirm").PressCaption(press);
    Add({Write("new/a.jpg"), Write("new/b.jpg"), Write("new/c.jpg")});
    script.Verify();
    // The tree shows names; the records tell old from new.
    String shown;
    for (TTreeNode* n = Tab->TreeView->Items()->GetFirstNode(); n != nullptr; n = n->GetNextSibling()) {
      const String path = TInputTabBase::Record(n)->Path;
      if (!shown.empty()) shown += ", ";
      shown += path.find("/new/") != String::npos ? "new/" + n->Text() : n->Text();
    }
    EXPECT_EQ(shown, c.Tree);
    EXPECT_EQ(Tab->FileCount(), c.Files);
  }
}

// A folder item of the same name counts as a duplicate too.
TEST_F(InputList, AFolderItemOfTheSameNameIsADuplicate) {
  Add({MakeDir("one/pics")});
  TDialogScript script;
  String text;
  script.ExpectModalForm("Confirm").Do(MessageText(text)).PressCaption("Yes");
  Add({Write("two/pics")});
  EXPECT_NE(text.find("\"pics\" is already in the input list"), String::npos) << text;
  EXPECT_EQ(Tree(), "pics");
  EXPECT_EQ(Tab->FolderCount(), 0);
  EXPECT_EQ(Tab->FileCount(), 1);
}

TEST_F(InputList, ChoosingJpegLimitsLaterScans) {
  Write("mix/a.jpe");
  Write("mix/b.png");
  Write("mix/c.JPEG");
  Add({Dir + "/mix"});
  EXPECT_EQ(Tree(), "mix[b.png, c.JPEG]");
  Tab->BntClearClick(nullptr);

  Tab->FiletypeList->SetItemIndex(5);  // "JPEG (*.jpg;*.jpeg;*.jpe)"
  EXPECT_EQ(Tab->KnownExtensions(), (std::vector<String>{".jpg", ".jpeg", ".jpe"}));
  EXPECT_EQ(Tab->ShellList->GetFilter(), "*.jpg;*.jpeg;*.jpe");
  Add({Dir + "/mix"});
  EXPECT_EQ(Tree(), "mix[a.jpe, c.JPEG]");
}

TEST_F(InputList, RenamingAFolderItem) {
  Tab->CreateFolder1Click(nullptr);
  Tab->TreeView->Items()->GetFirstNode()->EndEdit(true);
  Tab->TreeView->ClearSelection();
  Tab->CreateFolder1Click(nullptr);
  Tab->TreeView->Items()->GetFirstNode()->GetNextSibling()->EndEdit(true);
  Tab->TreeView->ClearSelection();
  Add({Write("photo.jpg")});
  EXPECT_EQ(Tree(), "New Folder[], New Folder(1)[], photo.jpg");
  EXPECT_EQ(Tab->UniqueNewFolderName(nullptr), "New Folder(2)");
  EXPECT_EQ(Tab->UniqueNewFolderName(Tab->TreeView->Items()->GetFirstNode()), "New Folder");

  struct TCase {
    const char* Text;
    const char* Result;  // the name afterwards
    bool Refused;
  };
  const TCase cases[] = {
      {"  Holiday  ", "Holiday", false},  {"", "Holiday", true},
      {"a/b", "Holiday", true},           {"a\\b", "Holiday", true},
      {"new folder(1)", "Holiday", true}, {"Holiday.jpg", "Holiday", true},
      {"PHOTO.JPG", "Holiday", true},     {"Trip", "Trip", false},
  };
  TTreeNode* node = Tab->TreeView->Items()->GetFirstNode();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    TDialogScript script;
    String text;
    if (c.Refused) script.ExpectModalForm("Information").Do(MessageText(text)).PressCaption("OK");
    String s = c.Text;
    Tab->TreeViewEdited(Tab->TreeView, node, s);
    script.Verify();
    EXPECT_EQ(text.empty(), !c.Refused);
    EXPECT_EQ(s, c.Refused ? node->Text() : String(c.Result));
    if (!c.Refused) node->SetText(s);
    EXPECT_EQ(TInputTabBase::Record(node)->Name, c.Result);
  }
  // Only folder items can be edited.
  bool allow = true;
  Tab->TreeViewEditing(Tab->TreeView, FindNode(Tab->TreeView, "photo.jpg"), allow);
  EXPECT_FALSE(allow);
  Tab->TreeViewEditing(Tab->TreeView, node, allow);
  EXPECT_TRUE(allow);
}

// Additions go under the selected folder, beside a selected file.
TEST_F(InputList, AdditionsGoUnderTheSelectedFolder) {
  Tab->CreateFolder1Click(nullptr);
  TTreeNode* folder = Tab->TreeView->Items()->GetFirstNode();
  folder->EndEdit(true);
  Tab->TreeView->Select(folder);
  Tab->AddPathsToInputList({Write("in.jpg")}, 0);
  Tab->TreeView->Select(folder->GetFirstChild());
  Tab->AddPathsToInputList({Write("beside.jpg")}, 0);
  EXPECT_EQ(Tree(), "New Folder[in.jpg, beside.jpg]");
}

TEST_F(InputList, RemoveDeletesTheSelectionAndItsRecords) {
  Add({Write("a.jpg"), Write("b.jpg"), Write("d/c.jpg")});
  EXPECT_EQ(Tree(), "a.jpg, b.jpg, c.jpg");
  Write("f/x.jpg");
  Write("f/y.jpg");
  Add({Dir + "/f"});
  Tab->TreeView->Select(std::vector<TTreeNode*>{FindNode(Tab->TreeView, "a.jpg"), FindNode(Tab->TreeView, "f"),
                                                FindNode(Tab->TreeView, "x.jpg")});
  Tab->BntRemoveClick(nullptr);
  EXPECT_EQ(Tree(), "b.jpg, c.jpg");
  EXPECT_EQ(Tab->FileCount(), 2);
  EXPECT_EQ(Tab->FolderCount(), 0);
  EXPECT_TRUE(Tab->InputChanged());
}

// Drops through the window system: folders before files whatever the
// order, unknown types left out, and a drop over a folder item's text lands
// inside it (beside the text it goes to the top level).
TEST_F(InputList, DroppedPathsFoldersFirstAndIntoAFolderItem) {
  const String folder = MakeDir("dropped");
  Write("dropped/in.png");
  ShowForm();
  Tab->RegisterDropTarget();
  auto dropAt = [&](const std::vector<String>& Paths, TPoint Client) {
    const TPoint s = Tab->TreeView->ClientToScreen(Client);
    const int32_t before = Tab->TreeView->Items()->Count();
    EXPECT_TRUE(H().DropFiles(Paths, s.X, s.Y));
    EXPECT_EQ(Tab->TreeView->Items()->Count(), before) << "added by the timer, not at once";
    Clock().Advance(100);
    Pump();
  };
  dropAt({Write("one.jpg"), Write("notes.txt"), folder, Write("two.bmp")}, TPoint{40, 150});
  EXPECT_EQ(Tree(), "dropped[in.png], one.jpg, two.bmp");

  const TRect text = converttest::FindNode(Tab->TreeView, "dropped")->DisplayRect(true);
  const int32_t y = (text.Top + text.Bottom) / 2;
  dropAt({Write("three.gif")}, TPoint{text.Right + 30, y});
  EXPECT_EQ(Tree(), "dropped[in.png], one.jpg, two.bmp, three.gif");
  dropAt({Write("four.tga")}, TPoint{text.Left + 2, y});
  EXPECT_EQ(Tree(), "dropped[in.png, four.tga], one.jpg, two.bmp, three.gif");
  Tab->RevokeDropTarget();
  EXPECT_FALSE(H().DropFiles({Write("five.jpg")}, 0, 0));
}

// A right press on an item selects it alone and opens the tree's menu.
TEST_F(InputList, RightPressSelectsAndOpensTheMenu) {
  Add({Write("a.jpg"), Write("b.jpg")});
  ShowForm();
  TTreeNode* b = FindNode(Tab->TreeView, "b.jpg");
  Tab->TreeView->Select(FindNode(Tab->TreeView, "a.jpg"));
  int32_t popups = 0;
  Tab->TreeViewMenu->OnPopup = [&](TObject* S) {
    ++popups;
    Tab->TreeViewMenuPopup(S);
  };
  const TRect r = b->DisplayRect(true);
  H().QueueIdleAction([&] { H().PressKey(VK_ESCAPE); });
  Tab->TreeViewMouseDown(Tab->TreeView, TMouseButton::mbRight, TShiftState{ssRight}, r.Left + 2, r.Top + 2);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(Tab->TreeView->Selected(), b);
  EXPECT_EQ(Tab->TreeView->SelectionCount(), 1);
  EXPECT_TRUE(Tab->Remmove1->Enabled());
  EXPECT_TRUE(Tab->Remove1->Enabled());
  // A plain left press on nothing clears the selection.
  Tab->TreeViewMouseDown(Tab->TreeView, TMouseButton::mbLeft, TShiftState{ssLeft}, 5, 150);
  EXPECT_EQ(Tab->TreeView->SelectionCount(), 0);
}

// ---- Sorting -------------------------------------------------------------------------

class InputSort : public ConvertTabTest {
 public:
  void SetUp() override {
    ConvertTabTest::SetUp();
    MakeDir("f/s2");
    MakeDir("f/s1");
    Write("f/s1/x.jpg");
    Folder = FindOrAdd();
  }
  TTreeNode* FindOrAdd() {
    Add({Dir + "/f"});
    TTreeNode* f = FindNode(Tab->TreeView, "f");
    // The files go in by hand in the order b, a, c (a scan would sort them).
    Tab->TreeView->Select(f);
    Tab->AddPathsToInputList({Write("b.jpg", "bbbb"), Write("a.png", "a"), Write("c.gif", "cc")}, 0);
    return f;
  }
  void SortBy(int32_t Key) { Tab->SortList->SetItemIndex(Key); }
  TTreeNode* Folder = nullptr;
};

TEST_F(InputSort, FilesSortWithinTheirLevelAfterTheFolders) {
  struct TCase {
    int32_t Key;
    const char* Tree;
  };
  const TCase cases[] = {
      {1, "s1[x.jpg], s2[], a.png, b.jpg, c.gif"}, {5, "s1[x.jpg], s2[], c.gif, b.jpg, a.png"},
      {2, "s1[x.jpg], s2[], a.png, c.gif, b.jpg"}, {6, "s1[x.jpg], s2[], b.jpg, c.gif, a.png"},
      {4, "s1[x.jpg], s2[], c.gif, b.jpg, a.png"}, {8, "s1[x.jpg], s2[], a.png, b.jpg, c.gif"},
  };
  EXPECT_EQ(TreeText(Tab->TreeView, Folder), "s1[x.jpg], s2[], b.jpg, a.png, c.gif");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Key);
    SortBy(c.Key);
    EXPECT_EQ(TreeText(Tab->TreeView, Folder), c.Tree);
  }
}

// Each node keeps its file's record and icon together, and the record's name
// as its text.
TEST_F(InputSort, IconsAndRecordsFollowTheirFiles) {
  auto iconOf = [&](const char* name) { return FindNode(Tab->TreeView, name)->ImageIndex(); };
  const int32_t png = iconOf("a.png"), jpg = iconOf("b.jpg"), gif = iconOf("c.gif");
  SortBy(1);
  EXPECT_EQ(iconOf("a.png"), png);
  EXPECT_EQ(iconOf("b.jpg"), jpg);
  EXPECT_EQ(iconOf("c.gif"), gif);
  for (TTreeNode* n = Folder->GetFirstChild(); n != nullptr; n = n->GetNextSibling())
    EXPECT_EQ(n->Text(), TInputTabBase::Record(n)->Name);
  EXPECT_EQ(TInputTabBase::Record(FindNode(Tab->TreeView, "b.jpg"))->Size, 4);
}

TEST_F(InputSort, DatesAreReadOnceAndKept) {
  std::vector<String> reads;
  SetPictureDateObserver([&](const String& Path) { reads.push_back(ExtractFileName(Path)); });
  SortBy(3);
  EXPECT_EQ(reads.size(), 4u);  // x.jpg, b.jpg, a.png, c.gif
  reads.clear();
  SortBy(7);
  SortBy(3);
  SetPictureDateObserver(nullptr);
  EXPECT_TRUE(reads.empty());
  // A JPEG without an EXIF date keeps its file date as the picture date.
  const TMyFileObject* b = TInputTabBase::Record(FindNode(Tab->TreeView, "b.jpg"));
  EXPECT_GT(b->PictureDate, 0);
  EXPECT_EQ(b->PictureDate, b->FileDate);
}

TEST_F(InputSort, CancelLeavesTheLevelUnsorted) {
  SetPictureDateObserver([&](const String& Path) {
    if (ExtractFileName(Path) == "a.png") Tab->ProgressDialog->Window()->Close();
  });
  SortBy(3);
  SetPictureDateObserver(nullptr);
  EXPECT_EQ(TreeText(Tab->TreeView, Folder), "s1[x.jpg], s2[], b.jpg, a.png, c.gif");
  EXPECT_FALSE(Tab->ProgressDialog->Shown());
}

TEST_F(InputSort, NothingRunsWithoutFilesOrWithIndexZero) {
  std::vector<String> reads;
  SetPictureDateObserver([&](const String& Path) { reads.push_back(Path); });
  SortBy(0);
  Tab->BntClearClick(nullptr);
  Add({MakeDir("only/folders")});
  SortBy(3);
  SetPictureDateObserver(nullptr);
  EXPECT_TRUE(reads.empty());
  EXPECT_FALSE(Tab->ProgressDialog->Shown());
}

}  // namespace
