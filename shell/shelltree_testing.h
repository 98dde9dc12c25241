// Test support of the shell tree tests: a form with a tree beside a file
// list, a fixture folder, and finding nodes by their texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "shell/shelllist_testing.h"
#include "shell/shelltree.h"

namespace shelltest {

inline bool Contains(const std::vector<String>& Texts, const String& Text) {
  return std::find(Texts.begin(), Texts.end(), Text) != Texts.end();
}

class ShellTreeTest : public ShellListTest {
 protected:
  // Root holds base (with Photos/2024/summer, Photos/2023, docs and a file
  // a.jpg) and based, a sibling that shares base's name as a prefix.
  ShellTreeTest() : Root(NewDir("tree")), Base(Root + "/base") {
    for (const char* dir : {"/Photos/2024/summer", "/Photos/2023", "/docs"}) ForceDirectories(Base + dir);
    WriteFile(Base + "/a.jpg", "x");
    ForceDirectories(Root + "/based/inner");
    Form->SetBounds(0, 0, 780, 380);
    Tree = new TZavShellTree(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(0, 0, 260, 340);
    List->SetBounds(270, 0, 500, 340);
  }

  static std::vector<String> Texts(TTreeNode* Parent) {
    std::vector<String> out;
    for (TTreeNode* c = Parent->GetFirstChild(); c != nullptr; c = c->GetNextSibling()) out.push_back(c->Text());
    return out;
  }

  // The child node with the text among the nodes there are; nil when none.
  static TTreeNode* Child(TTreeNode* Parent, const String& Text) {
    for (TTreeNode* c = Parent->GetFirstChild(); c != nullptr; c = c->GetNextSibling())
      if (c->Text() == Text) return c;
    return nullptr;
  }

  TTreeNode* TopNode() { return Tree->Items()->GetFirstNode(); }

  // Clicks the node's label.
  void ClickNode(TTreeNode* Node) {
    const TRect r = Node->DisplayRect(true);
    ClickAt(Tree, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }

  // A hidden window on the link that keeps the paths of the folder changes
  // it hears.
  TRecordingWindow* Peer(TZavShellLink& Link, std::vector<String>& Folders) {
    auto* w = new TRecordingWindow(Form.get());
    w->SetVisible(false);
    w->SetParent(Form.get());
    w->OnMessage = [&Folders](TMessage& m) {
      if (m.Msg == ZSL_FOLDERCHANGE) Folders.push_back(PathFromIDList(reinterpret_cast<LPCITEMIDLIST>(m.WParam)));
    };
    Link.RegisterWindow(w->Handle());
    return w;
  }

  void SaveTreeShot(const String& Name) {
    UpdateWindow(Form->Handle());
    auto shot = WindowPixels(Tree->Handle(), true);
    ASSERT_TRUE(shot);
    const char* dir = std::getenv("PICTOVAL_SHOTS");
    EXPECT_TRUE(SavePng(*shot, String(dir ? dir : std::getenv("HOME")) + "/" + Name + ".png"));
  }

  String Root;
  String Base;
  TZavShellTree* Tree;
};

}  // namespace shelltest
