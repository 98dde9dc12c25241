// Test support for the rename tests (included by *_test.cpp only): an input
// tree on a headless form, filled from files made in a temporary folder, and
// the rows of the rename dialog as texts.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "app/rename/renamedialog.h"
#include "app/rename/renameengine.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded_testing.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/files.h"
#include "platform/rtl/tempdir_testing.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/stdctrls_testing.h"
#include "skin/controls/skingauge.h"

class TRenameTest : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetMultiSelect(true);
    Tree->SetBounds(0, 0, 200, 200);
    Engine.Host.Tree = Tree;
  }
  void TearDown() override {
    Engine.SetRenameDialog(nullptr);
    Dialog.reset();
    Tree->Items()->Clear();
    Records.clear();
    TStdTest::TearDown();
  }

  // Writes a file whose content is its own name (so every file is distinct).
  static void Write(const String& Path, const String& Content = String()) {
    std::ofstream(Path, std::ios::binary) << (Content.empty() ? ExtractFileName(Path) : Content);
  }
  static String Read(const String& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Every file below Dir (relative name -> content), folders recursed.
  static std::map<String, String> Listing(const String& Dir) {
    std::map<String, String> r;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Dir))
      if (e.is_regular_file()) r[e.path().string().substr(Dir.size())] = Read(e.path().string());
    return r;
  }
  static std::map<String, int64_t> MTimes(const String& Dir) {
    std::map<String, int64_t> r;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Dir)) {
      struct stat st;
      stat(e.path().c_str(), &st);
      r[e.path().string()] = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return r;
  }

  // A node for an existing file or folder under Parent (top level for nil).
  TTreeNode* Add(TTreeNode* Parent, const String& Path, bool Folder = false) {
    auto rec = std::make_unique<TMyFileObject>();
    rec->Path = Path;
    rec->Name = ExtractFileName(Path);
    rec->IsFolder = Folder;
    TTreeNode* n = Tree->Items()->AddChildObject(Parent, rec->Name, rec.get());
    Records.push_back(std::move(rec));
    return n;
  }
  TTreeNode* AddFile(TTreeNode* Parent, const String& Path) {
    Write(Path);
    return Add(Parent, Path);
  }

  // A dialog for a real run that is not shown: rows are added as the walk
  // goes.
  TBatchRenameDialog* RealRunDialog() {
    Dialog = std::make_unique<TBatchRenameDialog>(nullptr);
    Dialog->SetEngine(&Engine);
    Dialog->PBar->SetMaxValue(Engine.FileCount());
    Engine.SetRenameDialog(Dialog.get());
    Engine.SetPreviewRun(false);
    return Dialog.get();
  }

  // The rows of a dialog as "old name -> new name status".
  static std::vector<String> Rows(TBatchRenameDialog* D) {
    std::vector<String> r;
    TListItems* items = D->ListView->Items();
    for (int32_t i = 0; i < items->Count(); ++i) {
      TStrings* s = items->Item(i)->SubItems();
      String row = s->Strings(1) + " -> " + s->Strings(2);
      if (s->Count() > 3) row += " " + s->Strings(3);
      r.push_back(row);
    }
    return r;
  }

  TGuardedRecorder Guard;  // every exception a handler swallows fails the test
  TempDir Dir{"renametest"};
  TTreeView* Tree = nullptr;
  TRenameEngine Engine;
  std::unique_ptr<TBatchRenameDialog> Dialog;
  std::vector<std::unique_ptr<TMyFileObject>> Records;
};
