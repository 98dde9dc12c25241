// The shell list with the user: keys and verbs with their reports, the
// shell menu, renaming in place, check boxes, and drag and drop.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/gui/win_clipboard.h"
#include "platform/rtl/scopeguard.h"
#include "platform/shellapi/shellui.h"
#include "platform/gui/win_menus.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/menus.h"
#include "shell/shelllist.h"
#include "shell/shelllist_ui_testing.h"

using namespace shelltest;

namespace {

class ShellListUi : public ShellUiTest {
 protected:
  // Dir holds a.jpg, b.txt and the folder sub; Other is a sibling folder.
  ShellListUi() : Dir(NewDir("ui")), Other(NewDir("uiother")) {
    WriteFile(Dir + "/a.jpg", "a");
    WriteFile(Dir + "/b.txt", "b");
    ForceDirectories(Dir + "/sub");
    Record(List);
    Show();
    List->SetPath(Dir);
  }

  TListItem* Item(const String& Caption) {
    TListItem* item = List->FindItemByCaption(Caption);
    EXPECT_NE(item, nullptr) << Caption;
    return item;
  }
  // Selects only the item and gives the list the focus.
  void Select(const String& Caption) {
    List->SetSelected(Item(Caption));
    Item(Caption)->SetFocused(true);
    List->SetFocus();
    Pump();
  }
  TPoint Centre(const String& Caption) {
    const TRect r = Item(Caption)->DisplayRect(TDisplayCode::drLabel);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }

  String Dir;
  String Other;
};

}  // namespace

TEST_F(ShellListUi, DeleteKeyOnReadOnlyAndWritableLists) {
  struct Case {
    bool ReadOnly;
    int32_t Answer;  // to the trash question; 0: none asked
    bool Deleted;
    std::vector<String> Events;
  };
  const Case cases[] = {
      {true, 0, false, {}},
      {false, IDNO, false, {"before", "after"}},
      {false, IDYES, true, {"before", "after"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ReadOnly ? "read-only" : c.Answer == IDYES ? "accepted" : "declined");
    Ops.clear();
    std::vector<String> events;
    List->OnBeforeDelete = [&](TObject*) { events.push_back("before"); };
    List->OnAfterDelete = [&](TObject*) { events.push_back("after"); };
    List->SetReadOnly(c.ReadOnly);
    Select("a.jpg");
    if (c.Answer != 0) QueueAnswer(c.Answer);
    Press(VK_DELETE);
    EXPECT_EQ(events, c.Events);
    EXPECT_EQ(Exists(Dir + "/a.jpg"), !c.Deleted);
    EXPECT_EQ(List->FindItemByCaption("a.jpg") == nullptr, c.Deleted);
    if (!c.Deleted) {
      EXPECT_TRUE(Ops.empty());
      continue;
    }
    ASSERT_EQ(Ops.size(), 1u);
    EXPECT_EQ(Ops[0].Code, 192);
    EXPECT_EQ(Ops[0].Files, std::vector<String>{Dir + "/a.jpg"});
    EXPECT_EQ(Ops[0].Destination, "");
  }
  // The refresh after the delete finds what is left.
  Clock().Advance(600);
  Pump();
  EXPECT_EQ(Captions(), (std::vector<String>{"sub", "b.txt"}));
  if (HaveTool("trash-list")) {
    const String out = RunCommand("trash-list 2>/dev/null");
    EXPECT_NE(out.find(" " + Dir + "/a.jpg\n"), String::npos) << out;
  }
}

TEST_F(ShellListUi, CopyAndCutThenPasteIntoTheListsFolder) {
  Select("a.jpg");
  Press('C', hkCtrl);
  Press('V', hkCtrl);
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 289);
  EXPECT_EQ(Ops[0].Files, std::vector<String>{Dir + "/a.jpg"});
  EXPECT_EQ(Ops[0].Destination, Dir + "/");
  EXPECT_EQ(ReadFile(Dir + "/a (2).jpg"), "a");
  EXPECT_EQ(ReadFile(Dir + "/a.jpg"), "a");

  // Cut: the item dims; pasted elsewhere the file moves.
  Ops.clear();
  Select("b.txt");
  Press('X', hkCtrl);
  EXPECT_TRUE(Item("b.txt")->Cut());
  EXPECT_TRUE(Ops.empty());
  List->SetPath(Other);
  List->SetFocus();
  Press('V', hkCtrl);
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 290);
  EXPECT_EQ(Ops[0].Files, std::vector<String>{Dir + "/b.txt"});
  EXPECT_EQ(Ops[0].Destination, Other + "/");
  EXPECT_EQ(ReadFile(Other + "/b.txt"), "b");
  EXPECT_FALSE(Exists(Dir + "/b.txt"));
}

TEST_F(ShellListUi, ContextMenuPasteOnAFolderItemPastesIntoThatFolder) {
  Select("a.jpg");
  Press('C', hkCtrl);
  Select("sub");
  const TPoint p = At(List, Centre("sub").X, Centre("sub").Y);
  H().QueueIdleAction(ClickMenuItem("Paste"));
  SendMessage(List->Handle(), WM_CONTEXTMENU, WPARAM(List->Handle()), MAKELPARAM(p.X, p.Y));
  EXPECT_EQ(H().PendingIdleActions(), 0u);
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 289);
  EXPECT_EQ(Ops[0].Destination, Dir + "/sub");
  EXPECT_EQ(ReadFile(Dir + "/sub/a.jpg"), "a");

  // Over empty space the background menu opens instead.
  TPopupMenu background(Form.get());
  auto* mine = new TMenuItem(&background);
  mine->SetCaption("Mine");
  int32_t clicked = 0;
  mine->OnClick = [&](TObject*) { ++clicked; };
  background.Items()->Add(mine);
  List->SetBackgroundPopupMenu(&background);
  const TPoint empty = At(List, 300, 300);
  H().QueueIdleAction(ClickMenuItem("Mine"));
  SendMessage(List->Handle(), WM_CONTEXTMENU, WPARAM(List->Handle()), MAKELPARAM(empty.X, empty.Y));
  Pump();
  EXPECT_EQ(clicked, 1);
}

TEST_F(ShellListUi, RenameInPlaceReportsOnlyARealRename) {
  int32_t populated = 0;
  List->OnPopulated = [&](TObject*) { ++populated; };
  struct Case {
    TViewStyle Style;
    String From, To;
    bool Renamed;
  };
  const Case cases[] = {
      {TViewStyle::vsReport, "a.jpg", "renamed.jpg", true},
      {TViewStyle::vsReport, "renamed.jpg", "b.txt", false},  // taken: nothing replaces it
      {TViewStyle::vsIcon, "renamed.jpg", "again.jpg", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.To);
    Ops.clear();
    List->SetViewStyle(c.Style);
    Select(c.From);
    TListItem* before = Item(c.From);
    populated = 0;
    Press(VK_F2);
    ASSERT_TRUE(List->IsEditing());
    H().PressKey('A', hkCtrl);
    H().TypeText(c.To);
    Press(VK_RETURN);
    EXPECT_FALSE(List->IsEditing());
    if (!c.Renamed) {
      EXPECT_TRUE(Ops.empty());
      EXPECT_EQ(before->Caption(), c.From);
      EXPECT_EQ(ReadFile(Dir + "/" + c.To), "b");
      continue;
    }
    ASSERT_EQ(Ops.size(), 1u);
    EXPECT_EQ(Ops[0].Code, 512);
    EXPECT_EQ(Ops[0].Files, std::vector<String>{Dir + "/" + c.From});
    EXPECT_EQ(Ops[0].Destination, c.To);
    EXPECT_TRUE(Exists(Dir + "/" + c.To));
    EXPECT_FALSE(Exists(Dir + "/" + c.From));
    ASSERT_NE(List->FindItemByCaption(c.To), nullptr);
    // The report view keeps its items; the icon view fills again.
    EXPECT_EQ(populated, c.Style == TViewStyle::vsIcon ? 1 : 0);
    if (c.Style == TViewStyle::vsReport) {
      EXPECT_EQ(List->FindItemByCaption(c.To), before);
    }
    EXPECT_EQ(List->GetItemPath(List->FindItemByCaption(c.To)), Dir + "/" + c.To);
  }
}

TEST_F(ShellListUi, BackspaceEnterAndLinksToFoldersNavigate) {
  ASSERT_EQ(::symlink(Other.c_str(), (Dir + "/elsewhere").c_str()), 0);
  List->Populate();
  struct Case {
    const char* Select;  // nullptr: none
    uint32_t Key;
    String Path;
  };
  const Case cases[] = {
      {"sub", VK_RETURN, Dir + "/sub/"},
      {nullptr, VK_BACK, Dir + "/"},
      {"elsewhere", VK_RETURN, Other + "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    if (c.Select != nullptr)
      Select(c.Select);
    else
      List->SetFocus();
    Press(c.Key);
    EXPECT_EQ(List->Path(), c.Path);
  }
  // The parent item goes up on Enter and on a double click.
  List->SetPath(Dir + "/sub");
  List->SetShowParentFolder(true);
  Select(" .. ");
  Press(VK_RETURN);
  EXPECT_EQ(List->Path(), Dir + "/");
  const TPoint p = At(List, Centre("sub").X, Centre("sub").Y);
  H().DoubleClick(p.X, p.Y);
  Pump();
  EXPECT_EQ(List->Path(), Dir + "/sub/");
  EXPECT_TRUE(Ops.empty());
}

TEST_F(ShellListUi, CheckBoxClicksEditTheLinksSelection) {
  TZavShellLink link(Form.get());
  List->SetShellLink(&link);
  List->SetCheckboxes(true);
  ASSERT_NE(List->StateImages(), nullptr);
  std::vector<uint32_t> heard;
  TRecordingWindow* peer = new TRecordingWindow(Form.get());
  peer->SetVisible(false);
  peer->SetParent(Form.get());
  link.RegisterWindow(peer->Handle());
  auto box = [&](const String& Caption) {
    const TRect icon = Item(Caption)->DisplayRect(TDisplayCode::drIcon);
    return TPoint{icon.Left - List->StateImages()->Width() / 2, icon.Bottom - List->StateImages()->Height() / 2};
  };
  EXPECT_EQ(Item("a.jpg")->StateIndex(), ZavCheckUnchecked);
  // A click on the label is no check.
  ClickAt(List, Centre("a.jpg").X, Centre("a.jpg").Y);
  EXPECT_EQ(link.Selection()->Paths()->Count(), 0);
  ClickAt(List, box("a.jpg").X, box("a.jpg").Y);
  ASSERT_EQ(link.Selection()->Paths()->Count(), 1);
  EXPECT_EQ(link.Selection()->Paths()->Strings(0), Dir + "/a.jpg");
  EXPECT_EQ(Item("a.jpg")->StateIndex(), ZavCheckChecked);
  EXPECT_EQ(std::count(peer->Received.begin(), peer->Received.end(), ZSL_REFRESH), 1);
  ClickAt(List, box("sub").X, box("sub").Y);
  EXPECT_EQ(Item("sub")->StateIndex(), ZavCheckChecked);
  SaveShot("shelllist_ui_checkboxes");
  // The picture of a checked item is the checked one (the second).
  ClickAt(List, box("a.jpg").X, box("a.jpg").Y);
  EXPECT_EQ(Item("a.jpg")->StateIndex(), ZavCheckUnchecked);
  EXPECT_EQ(link.Selection()->Paths()->Count(), 1);
  List->SetCheckboxes(false);
  EXPECT_EQ(List->StateImages(), nullptr);
}

TEST_F(ShellListUi, ExternalDropsCopyMoveOrLink) {
  struct Case {
    uint32_t Keys;
    bool Links;
    int32_t Code;
  };
  const Case cases[] = {{MK_CONTROL, false, 9}, {0, false, 10}, {0, true, 8}};
  int32_t n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    Ops.clear();
    const String one = Other + "/d" + std::to_string(++n) + "1.jpg";
    const String two = Other + "/d" + std::to_string(n) + "2.jpg";
    WriteFile(one, "1");
    WriteFile(two, "2");
    List->SetCreateLinkOnDrop(c.Links);
    const TPoint p = At(List, 300, 300);
    EXPECT_TRUE(H().DropFiles({one, two}, p.X, p.Y, c.Keys));
    Pump();
    ASSERT_EQ(Ops.size(), 1u);
    EXPECT_EQ(Ops[0].Code, c.Code);
    EXPECT_EQ(Ops[0].Files, (std::vector<String>{one, two}));
    EXPECT_EQ(Ops[0].Destination, Dir + "/");
    const String there = Dir + "/" + ExtractFileName(one);
    EXPECT_EQ(ReadFile(there), "1");
    EXPECT_EQ(Exists(one), c.Code != 10);
    struct stat st;
    ASSERT_EQ(::lstat(there.c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), c.Links);
  }
  // A read-only list takes nothing.
  Ops.clear();
  List->SetReadOnly(true);
  WriteFile(Other + "/ro.jpg", "r");
  const TPoint p = At(List, 300, 300);
  EXPECT_FALSE(H().DropFiles({Other + "/ro.jpg"}, p.X, p.Y, MK_CONTROL));
  EXPECT_FALSE(Exists(Dir + "/ro.jpg"));
  EXPECT_TRUE(Ops.empty());
}

TEST_F(ShellListUi, DragsInsideTheList) {
  // Onto the folder item: moved there, reported by both ends.
  Drag(List, Centre("a.jpg"), List, Centre("sub"), TRawButton::Left, {}, 0, [this] {
    EXPECT_TRUE(Item("sub")->DropTarget());
    SaveShot("shelllist_ui_drag_hover");
  });
  EXPECT_FALSE(Item("sub")->DropTarget());
  EXPECT_TRUE(Exists(Dir + "/sub/a.jpg"));
  EXPECT_FALSE(Exists(Dir + "/a.jpg"));
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Code, 10);
  EXPECT_EQ(Ops[0].Destination, Dir + "/sub");
  EXPECT_EQ(Ops[1].Code, 0x86);
  EXPECT_EQ(Ops[1].Files, std::vector<String>{Dir + "/a.jpg"});

  // Onto the list's own empty space: no effect, nothing moves.
  Ops.clear();
  Drag(List, Centre("b.txt"), List, TPoint{300, 300}, TRawButton::Left);
  EXPECT_TRUE(Exists(Dir + "/b.txt"));
  EXPECT_TRUE(Ops.empty());

  // A right drag asks; "Copy Here" copies.
  Drag(List, Centre("b.txt"), List, Centre("sub"), TRawButton::Right, {ClickMenuItem("Copy Here")});
  EXPECT_EQ(ReadFile(Dir + "/sub/b.txt"), "b");
  EXPECT_TRUE(Exists(Dir + "/b.txt"));
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Code, 9);
  EXPECT_EQ(Ops[1].Code, 5);

  // With CreateLinkOnDrop the drop makes a symbolic link.
  Ops.clear();
  List->SetCreateLinkOnDrop(true);
  List->Refresh();
  Drag(List, Centre("b.txt"), List, Centre("sub"), TRawButton::Left);
  struct stat st;
  ASSERT_EQ(::lstat((Dir + "/sub/b (2).txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(Ops.size(), 2u);
  EXPECT_EQ(Ops[0].Code, 8);
  EXPECT_EQ(Ops[1].Code, 4);
}

TEST_F(ShellListUi, DragSourceAnswersByTheStartingButton) {
  struct Case {
    bool Escape;
    uint32_t Keys;
    HRESULT Answer;
  };
  // Started with the left button.
  const Case cases[] = {
      {false, MK_LBUTTON, S_OK},
      {false, 0, DRAGDROP_S_DROP},
      {true, MK_LBUTTON, DRAGDROP_S_CANCEL},
      {false, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
      {false, MK_LBUTTON | MK_CONTROL, S_OK},
  };
  auto* source = new TShellDropSource(MK_LBUTTON);
  for (const Case& c : cases) EXPECT_EQ(source->QueryContinueDrag(c.Escape, c.Keys), c.Answer) << c.Keys;
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  source->Release();
  // Started with the right button, releasing the left one cancels nothing.
  source = new TShellDropSource(MK_RBUTTON);
  EXPECT_EQ(source->QueryContinueDrag(false, MK_RBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(false, MK_RBUTTON | MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(false, 0), DRAGDROP_S_DROP);
  source->Release();
}

// The same actions while the thumbnail thread fills the icon view.
TEST_F(ShellListUi, ActionsWithTheThumbnailThreadRunning) {
  for (int32_t i = 0; i < 40; ++i) WriteFile(Dir + "/t" + std::to_string(i) + ".jpg", "not a picture");
  List->SetViewStyle(TViewStyle::vsIcon);
  List->SetThumbnails(true);
  ASSERT_TRUE(List->ThumbnailThreadRunning());
  Select("a.jpg");
  QueueAnswer(IDYES);
  Press(VK_DELETE);
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 192);
  EXPECT_EQ(List->FindItemByCaption("a.jpg"), nullptr);
  Select("b.txt");
  Press('C', hkCtrl);
  Press('V', hkCtrl);
  EXPECT_EQ(ReadFile(Dir + "/b (2).txt"), "b");
  WriteFile(Other + "/x.jpg", "x");
  const TPoint p = At(List, 400, 300);
  EXPECT_TRUE(H().DropFiles({Other + "/x.jpg"}, p.X, p.Y, MK_CONTROL));
  Pump();
  List->Refresh();
  Drag(List, Centre("t1.jpg"), List, Centre("sub"), TRawButton::Left);
  EXPECT_TRUE(Exists(Dir + "/sub/t1.jpg"));
  ASSERT_GE(Ops.size(), 4u);
  EXPECT_EQ(Ops.back().Code, 0x86);
  EXPECT_TRUE(PumpUntil([this] { return !List->ThumbnailThreadRunning(); }));
}

// The parent item's target is the parent folder's.
TEST_F(ShellListUi, DropOntoTheParentItemDropsIntoTheParentFolder) {
  List->SetPath(Dir + "/sub");
  List->SetShowParentFolder(true);
  WriteFile(Other + "/p.jpg", "p");
  const TRect r = Item(" .. ")->DisplayRect(TDisplayCode::drLabel);
  const TPoint p = At(List, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  EXPECT_TRUE(H().DropFiles({Other + "/p.jpg"}, p.X, p.Y, MK_CONTROL));
  EXPECT_EQ(ReadFile(Dir + "/p.jpg"), "p");
  ASSERT_EQ(Ops.size(), 1u);
  EXPECT_EQ(Ops[0].Code, 9);
  EXPECT_EQ(Ops[0].Destination, Dir + "/sub/");
}

TEST_F(ShellListUi, KeysForSelectAllPropertiesAndRefill) {
  std::vector<String> shown;
  ShellUI().ShowProperties = [&](HWND, const std::vector<String>& Paths) {
    shown.insert(shown.end(), Paths.begin(), Paths.end());
    return S_OK;
  };
  auto restore = ScopeExit([] { ShellUI().ShowProperties = nullptr; });
  TZavShellLink link(Form.get());
  List->SetShellLink(&link);
  auto* peer = new TRecordingWindow(Form.get());
  peer->SetVisible(false);
  peer->SetParent(Form.get());
  link.RegisterWindow(peer->Handle());
  int32_t populated = 0;
  List->OnPopulated = [&](TObject*) { ++populated; };

  Select("b.txt");
  Press(VK_RETURN, hkAlt);
  EXPECT_EQ(shown, std::vector<String>{Dir + "/b.txt"});
  Press('A', hkCtrl);
  EXPECT_EQ(List->SelCount(), 3);
  // Shift+F10 opens the shell menu of the selection once.
  Select("b.txt");
  H().QueueIdleAction(ClickMenuItem("Copy"));
  Press(VK_F10, hkShift);
  EXPECT_EQ(H().PendingIdleActions(), 0u);
  EXPECT_EQ(ClipboardFileList()->Strings(0), Dir + "/b.txt");
  Press(VK_F5);
  EXPECT_EQ(populated, 1);
  EXPECT_EQ(std::count(peer->Received.begin(), peer->Received.end(), ZSL_REPOPULATE), 1);
  EXPECT_TRUE(Ops.empty());
}
