#include "app/main/browseforfolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/gui/win_menus.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/files.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/vcl_testing.h"
#include "shell/shelltree.h"
#include "skin/controls/skinbutton.h"

using namespace shelltest;

namespace {

const char* const kCaption = "Browse for Folder";

using TAction = std::function<void(TScriptTarget, const std::function<void(const String&)>&)>;

class FolderChooser : public TVclTest {
 protected:
  FolderChooser() : Dir(NewDir("chooser")) { InstallPlainMessageBox(); }

  static TMyBrowseForFolder* Chooser(TScriptTarget T) { return dynamic_cast<TMyBrowseForFolder*>(T.Form); }

  static TTreeNode* Child(TTreeNode* Parent, const String& Text) {
    for (TTreeNode* c = Parent->GetFirstChild(); c != nullptr; c = c->GetNextSibling())
      if (c->Text() == Text) return c;
    return nullptr;
  }

  // The node of a folder directly in Path, among the nodes there are.
  static TTreeNode* NodeIn(TMyBrowseForFolder* F, const String& Name, const String& Path) {
    for (TTreeNode* n = F->ShellTree->Items()->GetFirstNode(); n != nullptr; n = n->GetNext()) {
      if (F->ShellTree->NodePath(n) != Path) continue;
      n->Expand(false);
      return Child(n, Name);
    }
    return nullptr;
  }
  TTreeNode* NodeIn(TMyBrowseForFolder* F, const String& Name) const { return NodeIn(F, Name, Dir); }

  // Clicks a node's label with the injected mouse.
  static void ClickNode(TZavShellTree* Tree, TTreeNode* Node, TRawButton Button = TRawButton::Left) {
    Node->MakeVisible();
    const TRect r = Node->DisplayRect(true);
    const TPoint p = Tree->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    Headless().Click(p.X, p.Y, Button);
  }

  // Right-clicks the node below Dir (the tree's menu opens), then clicks the
  // menu's item.
  void MenuOnNode(TDialogExpectation& E, const String& Name, const String& Item) {
    E.Do([Name, this](TScriptTarget t, const auto& fail) {
       TTreeNode* n = NodeIn(Chooser(t), Name);
       if (n == nullptr) return fail("no node " + Name);
       ClickNode(Chooser(t)->ShellTree, n, TRawButton::Right);
     }).Do([Item](TScriptTarget, const auto& fail) {
      HMENU menu = GetTrackedMenu();
      for (int32_t i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuString(menu, uint32_t(i), text, sizeof text, MF_BYPOSITION);
        if (StripHotkey(text) != Item) continue;
        TRect r;
        GetMenuItemRect(nullptr, menu, uint32_t(i), &r);
        Headless().MouseMove((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        Headless().Click((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        return;
      }
      fail("no menu item " + Item);
    });
  }

  // An action of a message box that runs Then at the idle point after the
  // box's own actions (once it has gone).
  static TAction AfterBox(std::function<void()> Then) {
    return [Then](TScriptTarget, const auto&) { Headless().QueueIdleAction(Then); };
  }

  static void PressCancel(TMyBrowseForFolder* F) {
    const TPoint p = F->BntCancel->ClientToScreen(TPoint{10, 10});
    Headless().Click(p.X, p.Y);
  }

  void Shot(TCustomForm* Form, const String& Name) {
    const char* dir = std::getenv("PICTOVAL_SHOTS");
    if (dir == nullptr) return;
    UpdateWindow(Form->Handle());
    auto shot = WindowPixels(Form->Handle(), true);
    ASSERT_TRUE(shot);
    EXPECT_TRUE(SavePng(*shot, String(dir) + "/" + Name + ".png"));
  }

  String Dir;
};

TEST_F(FolderChooser, NewFolderTakesTheFirstFreeNumberAndOpensForRenaming) {
  ForceDirectories(Dir + "/New Folder");
  ForceDirectories(Dir + "/New Folder (2)");
  TDialogScript script;
  script.ExpectModalForm(kCaption)
      .PressCaption("Make New Folder")
      .Do([&](TScriptTarget t, const auto&) {
        TMyBrowseForFolder* f = Chooser(t);
        EXPECT_TRUE(DirectoryExists(Dir + "/New Folder (3)"));
        ASSERT_NE(f->ShellTree->Selected(), nullptr);
        EXPECT_EQ(f->ShellTree->Selected()->Text(), "New Folder (3)");
        EXPECT_TRUE(f->ShellTree->IsEditing());
        Shot(f, "folderchooser_new_folder");
      })
      .Key(VK_ESCAPE)  // ends the edit only
      .Do([&](TScriptTarget t, const auto&) {
        EXPECT_FALSE(Chooser(t)->ShellTree->IsEditing());
        EXPECT_EQ(Chooser(t)->ModalResult(), mrNone);
      })
      .PressCaption("Cancel");
  EXPECT_EQ(ChooseFolder("", Dir, false), "");
  EXPECT_FALSE(DirectoryExists(Dir + "/New Folder (4)"));

  // All names taken: nothing is made and the last one opens for renaming.
  for (int32_t n = 3; n <= TMyBrowseForFolder::LastNewFolderNumber; ++n)
    ForceDirectories(Dir + "/New Folder (" + std::to_string(n) + ")");
  script.ExpectModalForm(kCaption)
      .PressCaption("Make New Folder")
      .Do([&](TScriptTarget t, const auto&) {
        TMyBrowseForFolder* f = Chooser(t);
        ASSERT_NE(f->ShellTree->Selected(), nullptr);
        EXPECT_EQ(f->ShellTree->Selected()->Text(), "New Folder (201)");
        EXPECT_TRUE(f->ShellTree->IsEditing());
      })
      .Key(VK_ESCAPE)
      .PressCaption("Cancel");
  EXPECT_EQ(ChooseFolder("", Dir, false), "");
  EXPECT_FALSE(DirectoryExists(Dir + "/New Folder (202)"));
}

TEST_F(FolderChooser, OkTakesOnlyFileSystemFolders) {
  TDialogScript script;
  auto& e = script.ExpectModalForm(kCaption);
  for (const char* name : {"Computer", "Desktop"}) {
    e.Do([name](TScriptTarget t, const auto& fail) {
       TZavShellTree* tree = Chooser(t)->ShellTree;
       TTreeNode* root = tree->Items()->GetFirstNode();
       TTreeNode* n = String(name) == "Desktop" ? root : Child(root, name);
       if (n == nullptr) return fail(String("no node ") + name);
       ClickNode(tree, n);
     })
        .PressCaption("OK")
        .Do([name](TScriptTarget t, const auto&) {
          EXPECT_EQ(Chooser(t)->ModalResult(), mrNone) << name << ": the dialog stays";
          EXPECT_TRUE(t.Form->Visible());
          EXPECT_EQ(Chooser(t)->ResultFolder(), "");
        });
  }
  // The root keeps its "/".
  e.Do([](TScriptTarget t, const auto& fail) {
     TZavShellTree* tree = Chooser(t)->ShellTree;
     TTreeNode* computer = Child(tree->Items()->GetFirstNode(), "Computer");
     computer->Expand(false);
     TTreeNode* root = computer->GetFirstChild();
     if (root == nullptr || tree->NodePath(root) != "/") return fail("no node for /");
     ClickNode(tree, root);
   }).PressCaption("OK");
  EXPECT_EQ(ChooseFolder("", "", false), "/");

  ForceDirectories(Dir + "/deeper/inside");
  ForceDirectories(Dir + "/deeper/beside");
  script.ExpectModalForm(kCaption)
      .Do([](TScriptTarget t, const auto&) {
        EXPECT_EQ(Chooser(t)->TitleTxt->Caption(), "Pick the output folder");
        EXPECT_EQ(Chooser(t)->ClientWidth(), 450);
        EXPECT_EQ(Chooser(t)->ClientHeight(), 420);
        // Centred on the monitor, 12.5 pixels above the middle (halves to even).
        const TRect m = Screen->PrimaryMonitor()->BoundsRect();
        const TCustomForm* f = t.Form;
        EXPECT_EQ(f->Left(), m.Left + Round((m.Width() - f->Width()) / 2.0));
        EXPECT_EQ(f->Top(), m.Top + Round((m.Height() - f->Height() - 25) / 2.0));
      })
      .Do([&](TScriptTarget t, const auto&) {
        // With the focus on a button the chosen folder keeps the highlight.
        TMyBrowseForFolder* f = Chooser(t);
        f->BntCreate->SetFocus();
        UpdateWindow(f->Handle());
        const TRect r = f->ShellTree->Selected()->DisplayRect(true);
        auto pixels = WindowPixels(f->ShellTree->Handle(), false);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->Canvas()->Pixels(r.Left + 2, r.Top + 2), ColorToRGB(clHighlight));
        Shot(f, "folderchooser_unfocused_selection");
      })
      .PressCaption("OK");
  EXPECT_EQ(ChooseFolder("Pick the output folder", Dir + "/deeper/inside/", false), Dir + "/deeper/inside");

  // A missing initial folder keeps the tree's default selection.
  script.ExpectModalForm(kCaption)
      .Do([](TScriptTarget t, const auto&) {
        ASSERT_NE(Chooser(t)->ShellTree->Selected(), nullptr);
        EXPECT_EQ(Chooser(t)->ShellTree->Selected()->Text(), "Desktop");
      })
      .Key(VK_RETURN)  // the default button: OK on the desktop
      .Do([](TScriptTarget t, const auto&) { EXPECT_EQ(Chooser(t)->ModalResult(), mrNone); })
      .Key(VK_ESCAPE);
  EXPECT_EQ(ChooseFolder("", Dir + "/missing", false), "");
}

TEST_F(FolderChooser, EscapeAndCancelGiveAnEmptyString) {
  TDialogScript script;
  script.ExpectModalForm(kCaption).Key(VK_ESCAPE);
  EXPECT_EQ(ChooseFolder("", Dir, false), "");
  script.ExpectModalForm(kCaption).PressCaption("Cancel");
  EXPECT_EQ(ChooseFolder("", Dir, false), "");
}

TEST_F(FolderChooser, DeleteAsksAndMovesToTheTrashOnlyOnYes) {
  const String victim = Dir + "/victim";
  ForceDirectories(victim + "/inner");
  for (int32_t answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "yes" : "no");
    TMyBrowseForFolder* chooser = nullptr;
    TTreeNode* dirNode = nullptr;
    TDialogScript script;
    auto& form = script.ExpectModalForm(kCaption);
    form.Do([&](TScriptTarget t, const auto&) {
      chooser = Chooser(t);
      dirNode = chooser->ShellTree->Selected();
    });
    MenuOnNode(form, "victim", "Delete");
    script.ExpectMessageBox()
        .Text("Trash")
        .Do(AfterBox([&] {
          EXPECT_EQ(DirectoryExists(victim), answer == IDNO);
          EXPECT_EQ(Child(dirNode, "victim") != nullptr, answer == IDNO);
          PressCancel(chooser);
        }))
        .Press(answer);
    EXPECT_EQ(ChooseFolder("", Dir, false), "");
  }
  EXPECT_FALSE(DirectoryExists(victim));
  if (HaveTool("trash-list")) {
    const String out = RunCommand("trash-list 2>/dev/null");
    EXPECT_NE(out.find(" " + victim + "\n"), String::npos) << out;
  }
}

TEST_F(FolderChooser, TreeMenuRefreshesAndCreatesAndHiddenFoldersShowOnRequest) {
  ForceDirectories(Dir + "/target");
  ForceDirectories(Dir + "/.secret");
  TDialogScript script;
  auto& form = script.ExpectModalForm(kCaption);
  form.Do([&](TScriptTarget t, const auto&) {
    EXPECT_EQ(NodeIn(Chooser(t), ".secret"), nullptr);
    EXPECT_EQ(Chooser(t)->CreateFolder1->Caption(), Chooser(t)->BntCreate->Caption());
    ForceDirectories(Dir + "/made outside");
    EXPECT_EQ(NodeIn(Chooser(t), "made outside"), nullptr) << "seen only when read again";
  });
  MenuOnNode(form, "target", "Refresh");
  form.Do([&](TScriptTarget t, const auto&) { EXPECT_NE(NodeIn(Chooser(t), "made outside"), nullptr); });
  MenuOnNode(form, "target", "Make New Folder");
  form.Do([&](TScriptTarget t, const auto&) {
        EXPECT_TRUE(DirectoryExists(Dir + "/target/New Folder"));
        ASSERT_NE(Chooser(t)->ShellTree->Selected(), nullptr);
        EXPECT_EQ(Chooser(t)->ShellTree->NodePath(Chooser(t)->ShellTree->Selected()), Dir + "/target/New Folder");
        EXPECT_TRUE(Chooser(t)->ShellTree->IsEditing());
      })
      .Key(VK_ESCAPE)
      .Key(VK_ESCAPE);
  EXPECT_EQ(ChooseFolder("", Dir, false), "");

  script.ExpectModalForm(kCaption)
      .Do([&](TScriptTarget t, const auto&) { EXPECT_NE(NodeIn(Chooser(t), ".secret"), nullptr); })
      .Key(VK_ESCAPE);
  EXPECT_EQ(ChooseFolder("", Dir, true), "");
}

// Enter ends the edit and, being the default button's key, confirms: OK lets
// the rename finish first and takes the folder under its final name.
TEST_F(FolderChooser, RenameInPlaceNeverReplacesAFolder) {
  ForceDirectories(Dir + "/first/a-dir");
  ForceDirectories(Dir + "/second/b-dir");
  struct TCase {
    String Name;
    String Result;
  };
  const TCase cases[] = {{"second", Dir + "/first"}, {"third", Dir + "/third"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDialogScript script;
    auto& form = script.ExpectModalForm(kCaption);
    MenuOnNode(form, "first", "Rename");
    form.Do([](TScriptTarget t, const auto&) { EXPECT_TRUE(Chooser(t)->ShellTree->IsEditing()); })
        .Key('A', hkCtrl)
        .Type(c.Name)
        .Key(VK_RETURN);
    EXPECT_EQ(ChooseFolder("", Dir, false), c.Result);
    EXPECT_TRUE(DirectoryExists(c.Result + "/a-dir"));
    EXPECT_TRUE(DirectoryExists(Dir + "/second/b-dir"));
    EXPECT_FALSE(DirectoryExists(Dir + "/second/a-dir"));
  }
  EXPECT_FALSE(DirectoryExists(Dir + "/first"));
}

}  // namespace
