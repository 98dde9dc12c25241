// Test support (included by *_test.cpp only): the convert tab on a plain
// headless form, the image library started, a temporary folder under HOME,
// and the input tree read back as text.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "app/convert/batchconverttab.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded_testing.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/stdctrls_testing.h"
#include "shell/shelllist.h"
#include "skin/controls/skinprogressdialog.h"

namespace converttest {

// The texts of the node's children (the top level for nil), a folder with
// its children in brackets: "s1[x.jpg], a.jpg".
inline String TreeText(TTreeView* Tree, TTreeNode* Node = nullptr) {
  String out;
  TTreeNode* n = Node != nullptr ? Node->GetFirstChild() : Tree->Items()->GetFirstNode();
  for (; n != nullptr; n = n->GetNextSibling()) {
    if (!out.empty()) out += ", ";
    out += n->Text();
    auto* rec = static_cast<TMyFileObject*>(n->Data());
    if (rec != nullptr && rec->IsFolder) out += "[" + TreeText(Tree, n) + "]";
  }
  return out;
}

inline TTreeNode* FindNode(TTreeView* Tree, const String& Text) {
  for (TTreeNode* n = Tree->Items()->GetFirstNode(); n != nullptr; n = n->GetNext())
    if (n->Text() == Text) return n;
  return nullptr;
}

class ConvertTabTest : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    IEInitImageIO();
    GraphicExInitialize();
    Dir = String(std::getenv("HOME")) + "/convert-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter);
    ForceDirectories(Dir);
    Form->SetBounds(0, 0, 850, 467);
    Tab = new TBatchConvertTab(Form.get(), Form.get());
    Tab->SetMainForm(Form.get(), nullptr);
  }
  void TearDown() override {
    Form.reset();
    GraphicExFinalize();
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
    TStdTest::TearDown();
  }
  // A file with content under the test folder; answers its path.
  String Write(const String& Relative, const String& Content = "x") {
    const String path = Dir + "/" + Relative;
    ForceDirectories(ExtractFilePath(path));
    std::ofstream(path, std::ios::binary) << Content;
    return path;
  }
  String MakeDir(const String& Relative) {
    ForceDirectories(Dir + "/" + Relative);
    return Dir + "/" + Relative;
  }
  String Tree() { return TreeText(Tab->TreeView); }
  // The tab's paths added at the top level, without a duplicate question.
  void Add(std::vector<String> Paths) {
    Tab->TreeView->ClearSelection();
    Tab->AddPathsToInputList(std::move(Paths), 0);
  }

  TGuardedRecorder Guards;
  TBatchConvertTab* Tab = nullptr;
  String Dir;
  static inline int Counter = 0;
};

}  // namespace converttest
