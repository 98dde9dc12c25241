// The sort of the input tree: files are permuted among the file positions of
// each level, folders keep their places; equal keys keep their tree order.
#include <algorithm>

#include "app/convert/inputtabbase.h"
#include "app/main/picturedate.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/scopeguard.h"
#include "platform/vcl/comctrls_treeview.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinprogressdialog.h"

namespace {

using TComparator = int32_t (*)(const TMyFileObject*, const TMyFileObject*);

TComparator ComparatorOf(int32_t Key) {
  static const TComparator kOrders[] = {nullptr,           CompareByName,     CompareBySize,
                                        CompareByDate,     CompareByType,     CompareByNameDesc,
                                        CompareBySizeDesc, CompareByDateDesc, CompareByTypeDesc};
  return Key >= 1 && Key <= 8 ? kOrders[Key] : nullptr;
}

bool IsDateKey(int32_t Key) { return Key == 3 || Key == 7; }

// The picture date, read once per entry and kept in it.
void FillPictureDate(TMyFileObject* Rec) {
  if (Rec->PictureDate > 0) return;
  if (FastFileExists(Rec->Path)) Rec->PictureDate = GetPictureDate(Rec->Path);
  if (Rec->PictureDate <= 0) Rec->PictureDate = Rec->FileDate;
}

struct TSortEntry {
  TMyFileObject* Rec;
  int32_t Image;
  int32_t SelectedImage;
};

}  // namespace

void TInputTabBase::SortListClick(TObject*) {
  Guarded([&] {
    const int32_t key = SortList->ItemIndex();
    if (FFileCount <= 0 || key < 1 || key > 8) return;
    if (FPages != nullptr) FPages->SetEnabled(false);
    FSortCount = 0;
    auto done = ScopeExit([&] {
      if (FPages != nullptr) FPages->SetEnabled(true);
      ProgressDialog->SetValue(ProgressDialog->MaxValue);
      SafeFocus(TreeView);
      TreeView->ClearSelection();
    });
    ProgressDialog->ShowPercent = true;
    ProgressDialog->LabelCaption = TxtSort->Caption() + " " + SortList->Items()->Strings(key);
    ProgressDialog->MinValue = 0;
    ProgressDialog->MaxValue = 100;
    ProgressDialog->SetTag(0);
    ProgressDialog->SetValue(0);
    ProgressDialog->Execute(true);
    Application->ProcessMessages();
    Application->ProcessMessages();
    SortInputTree(nullptr, key);
  });
}

void TInputTabBase::SortInputTree(TTreeNode* Node, int32_t Key) {
  const TComparator compare = ComparatorOf(Key);
  if (compare == nullptr) return;
  std::vector<TTreeNode*> nodes;
  std::vector<TSortEntry> entries;
  TTreeNode* child = Node != nullptr ? Node->GetFirstChild() : TreeView->Items()->GetFirstNode();
  for (; child != nullptr; child = child->GetNextSibling()) {
    TMyFileObject* rec = Record(child);
    if (rec == nullptr) continue;
    if (rec->IsFolder) {
      SortInputTree(child, Key);
      continue;
    }
    nodes.push_back(child);
    entries.push_back(TSortEntry{rec, child->ImageIndex(), child->SelectedIndex()});
    if (IsDateKey(Key)) FillPictureDate(rec);
    ++FSortCount;
    Application->ProcessMessages();
    SetProgress(FFileCount > 0 ? FSortCount * 100 / FFileCount : 0);
    if (Cancelled()) return;
  }
  if (entries.size() < 2) return;
  std::stable_sort(entries.begin(), entries.end(),
                   [compare](const TSortEntry& A, const TSortEntry& B) { return compare(A.Rec, B.Rec) < 0; });
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i]->SetData(entries[i].Rec);
    nodes[i]->SetText(entries[i].Rec->Name);
    nodes[i]->SetImageIndex(entries[i].Image);
    nodes[i]->SetSelectedIndex(entries[i].SelectedImage);
  }
}
