// A small browser form driven end to end by injected input only: a folder
// tree filled on demand beside a page control whose first page holds a report
// list of files. Each step checks the controls' model, the notifications
// that reached the parents (in one log, in order) and pixels read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/vcl_testing.h"

namespace {

using Lines = std::vector<String>;

String CodeName(uint32_t Code) {
  static const std::map<uint32_t, const char*> names = {
      {TVN_SELCHANGING, "SELCHANGING"}, {TVN_SELCHANGED, "SELCHANGED"},    {TVN_ITEMEXPANDING, "EXPANDING"},
      {TVN_ITEMEXPANDED, "EXPANDED"},   {TVN_BEGINLABELEDIT, "BEGINEDIT"}, {TVN_ENDLABELEDIT, "ENDEDIT"},
      {LVN_ITEMCHANGED, "CHANGED"},     {LVN_BEGINLABELEDIT, "BEGINEDIT"}, {LVN_ENDLABELEDIT, "ENDEDIT"},
      {TCN_SELCHANGING, "SELCHANGING"}, {TCN_SELCHANGE, "SELCHANGE"},      {NM_CLICK, "CLICK"},
      {NM_SETFOCUS, "SETFOCUS"},        {NM_KILLFOCUS, "KILLFOCUS"},
  };
  auto it = names.find(Code);
  return it == names.end() ? String() : String(it->second);
}

class ComEndToEnd : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(40, 40, 520, 280);

    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(8, 8, 180, 260);
    Tree->SetMultiSelect(true);
    Tree->SetMultiSelectStyle(
        TMultiSelectStyle{TMultiSelectStyles::msControlSelect, TMultiSelectStyles::msShiftSelect});
    Pictures = Tree->Items()->AddChild(nullptr, "Pictures");
    Pictures->SetHasChildren(true);
    Documents = Tree->Items()->AddChild(nullptr, "Documents");
    // The folders come when their node first opens.
    Tree->OnExpanding = [this](TObject*, TTreeNode* Node, bool& Allow) {
      Events.push_back("expanding " + Node->Text());
      if (Node == Pictures && Node->Count() == 0)
        for (const char* name : {"2024", "2025", "Holidays"}) Tree->Items()->AddChild(Node, name);
      Allow = true;
    };
    Tree->OnEdited = [this](TObject*, TTreeNode* Node, String& S) {
      Events.push_back("tree edited " + Node->Text() + ">" + S);
    };

    Pages = new TPageControl(Form.get());
    Pages->SetParent(Form.get());
    Pages->SetBounds(200, 8, 312, 260);
    Pages->SetTabHeight(20);
    Pages->SetTabWidth(60);
    FilesPage = new TTabSheet(Form.get());
    FilesPage->SetCaption("Files");
    FilesPage->SetPageControl(Pages);
    DetailsPage = new TTabSheet(Form.get());
    DetailsPage->SetCaption("Details");
    DetailsPage->SetPageControl(Pages);
    Pages->OnChanging = [this](TObject*, bool& Allow) {
      Events.push_back("pages changing");
      Allow = true;
    };
    Pages->OnChange = [this](TObject*) { Events.push_back("pages change " + Pages->ActivePage()->Caption()); };

    List = new TListView(Form.get());
    List->SetParent(FilesPage);
    List->SetAlign(TAlign::alClient);
    List->SetViewStyle(TViewStyle::vsReport);
    List->SetMultiSelect(true);
    List->Columns()->Add()->SetCaption("Name");
    List->Columns()->Items(0)->SetWidth(140);
    List->Columns()->Add()->SetCaption("Size");
    List->Columns()->Items(1)->SetWidth(80);
    for (const char* name : {"a.jpg", "b.png", "c.tif", "d.bmp", "e.gif"}) {
      TListItem* item = List->Items()->Add();
      item->SetCaption(name);
      item->SubItems()->Add("12 KB");
    }
    List->OnEdited = [this](TObject*, TListItem* Item, String& S) {
      Events.push_back("list edited " + Item->Caption() + ">" + S);
    };

    // Both parents of the controls log the notifications they receive.
    for (TWinControl* parent : std::vector<TWinControl*>{Form.get(), FilesPage}) {
      TWndMethod inner = parent->WindowProc;
      Hooked.push_back({parent, inner});
      parent->WindowProc = [this, inner](TMessage& M) {
        if (M.Msg == WM_NOTIFY) Note(*reinterpret_cast<const NMHDR*>(M.LParam), M.LParam);
        inner(M);
      };
    }
    Form->Show();
    Pump();
    Log.clear();
  }
  void TearDown() override {
    Recording = false;
    for (auto& [parent, inner] : Hooked) parent->WindowProc = inner;
    Form.reset();
    TVclTest::TearDown();
  }

  void Note(const NMHDR& Hdr, LPARAM LParam) {
    const String code = CodeName(Hdr.code);
    if (!Recording || code.empty()) return;
    String line;
    if (Hdr.hwndFrom == Tree->Handle()) {
      line = "tree " + code;
      const auto* nm = reinterpret_cast<const NMTREEVIEW*>(LParam);
      if (Hdr.code == TVN_SELCHANGED || Hdr.code == TVN_ITEMEXPANDED)
        line += " " + reinterpret_cast<TTreeNode*>(nm->itemNew.lParam)->Text();
      if (Hdr.code == TVN_ENDLABELEDIT) {
        const auto* di = reinterpret_cast<const NMTVDISPINFO*>(LParam);
        line += " " + String(di->item.pszText != nullptr ? di->item.pszText : "(cancelled)");
      }
    } else if (Hdr.hwndFrom == List->Handle()) {
      line = "list " + code;
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(LParam);
      if (Hdr.code == LVN_ITEMCHANGED) {
        line += " " + std::to_string(nm->iItem);
        if ((nm->uChanged & LVIF_STATE) != 0)
          line += " " + std::to_string(nm->uOldState & 3) + ">" + std::to_string(nm->uNewState & 3);
        if ((nm->uChanged & LVIF_TEXT) != 0) line += " text";
      }
      if (Hdr.code == LVN_ENDLABELEDIT) {
        const auto* di = reinterpret_cast<const NMLVDISPINFO*>(LParam);
        line += " " + String(di->item.pszText != nullptr ? di->item.pszText : "(cancelled)");
      }
    } else if (Hdr.hwndFrom == Pages->Handle()) {
      line = "pages " + code;
    } else {
      return;
    }
    Log.push_back(line);
  }
  Lines TakeLog() {
    Lines r;
    r.swap(Log);
    return r;
  }
  Lines TakeEvents() {
    Lines r;
    r.swap(Events);
    return r;
  }

  static TColor Rgb(TColor C) { return TColor(ColorToRGB(C)); }
  static TColor PixelOf(HWND Wnd, int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(Wnd, false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }
  int32_t RowH() { return int32_t(Tree->Perform(TVM_GETITEMHEIGHT, 0, 0)); }
  void ClickNode(TTreeNode* Node) {
    const TRect r = Node->DisplayRect(true);
    ClickAt(Tree, r.Left + 4, (r.Top + r.Bottom) / 2);
  }
  TRect ItemLabel(int32_t Index) { return List->Items()->Item(Index)->DisplayRect(TDisplayCode::drLabel); }
  void ClickItem(int32_t Index) {
    const TRect r = ItemLabel(Index);
    ClickAt(List, r.Left + 8, (r.Top + r.Bottom) / 2);
  }
  // Whether a node's or an item's label shows the focused selection colour.
  bool NodeLit(TTreeNode* Node) {
    const TRect r = Node->DisplayRect(true);
    return PixelOf(Tree->Handle(), r.Left + 1, r.Top + 1) == Rgb(clHighlight);
  }
  bool ItemLit(int32_t Index) {
    const TRect r = ItemLabel(Index);
    return PixelOf(List->Handle(), r.Right - 3, r.Top + 1) == Rgb(clHighlight);
  }
  String Captions() {
    String s;
    for (int32_t i = 0; i < List->Items()->Count(); ++i) s += List->Items()->Item(i)->Caption() + " ";
    return s;
  }

  std::unique_ptr<TForm> Form;
  TTreeView* Tree = nullptr;
  TTreeNode* Pictures = nullptr;
  TTreeNode* Documents = nullptr;
  TPageControl* Pages = nullptr;
  TTabSheet* FilesPage = nullptr;
  TTabSheet* DetailsPage = nullptr;
  TListView* List = nullptr;
  Lines Log;
  Lines Events;
  bool Recording = true;
  std::vector<std::pair<TWinControl*, TWndMethod>> Hooked;
};

TEST_F(ComEndToEnd, BrowseSelectRenameAndSwitchPagesByInputOnly) {
  ASSERT_EQ(Pages->ActivePage(), FilesPage);
  ASSERT_TRUE(IsWindowVisible(List->Handle()));
  const int32_t rh = RowH();

  // ---- Expand by the button: the children come from OnExpanding. ----
  // The button of a top node is centred in the 19-pixel cell left of its content.
  const int32_t mid = rh / 2;
  EXPECT_EQ(PixelOf(Tree->Handle(), 10, mid - 2), Rgb(clWindowText)) << "the plus's vertical bar";
  EXPECT_EQ(Documents->DisplayRect(false).Top, rh);
  ClickAt(Tree, 10, mid);
  EXPECT_EQ(TakeEvents(), (Lines{"expanding Pictures"}));
  EXPECT_EQ(TakeLog(), (Lines{"tree EXPANDING", "tree EXPANDED Pictures", "tree CLICK"}));
  EXPECT_TRUE(Pictures->Expanded());
  ASSERT_EQ(Pictures->Count(), 3);
  EXPECT_EQ(Documents->DisplayRect(false).Top, 4 * rh) << "below the three new rows";
  EXPECT_EQ(PixelOf(Tree->Handle(), 10, mid - 2), Rgb(clWindow)) << "a minus now";
  EXPECT_EQ(PixelOf(Tree->Handle(), 10, mid), Rgb(clWindowText));
  EXPECT_EQ(Tree->Selected(), nullptr) << "a press on the button selects nothing";

  // ---- Shift-select a range of the new folders. ----
  TTreeNode* first = Pictures->Item(0);
  TTreeNode* last = Pictures->Item(2);
  ClickNode(first);
  H().KeyDown(VK_SHIFT);
  ClickNode(last);
  H().KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(TakeLog(), (Lines{"tree SELCHANGING", "tree SELCHANGED 2024", "tree CLICK", "tree SELCHANGING",
                              "tree SELCHANGED Holidays", "tree CLICK"}));
  ASSERT_EQ(Tree->SelectionCount(), 3);
  EXPECT_EQ(Tree->Selected(), last);
  String picked;
  for (int32_t i = 0; i < Tree->SelectionCount(); ++i) picked += Tree->Selections(i)->Text() + " ";
  EXPECT_EQ(picked, "2024 2025 Holidays ");
  for (TTreeNode* n : {first, Pictures->Item(1), last}) EXPECT_TRUE(NodeLit(n)) << n->Text();
  EXPECT_FALSE(NodeLit(Pictures));
  EXPECT_FALSE(NodeLit(Documents));

  // ---- Rename the caret folder in place: F2, typing, Enter. ----
  Press(VK_F2);
  ASSERT_TRUE(Tree->IsEditing());
  const HWND treeEdit = reinterpret_cast<HWND>(Tree->Perform(TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(treeEdit, nullptr);
  EXPECT_EQ(GetFocus(), treeEdit);
  H().TypeText("Trips");
  Press(VK_RETURN);
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_FALSE(IsWindow(treeEdit)) << "the editor is gone once the edit ended";
  EXPECT_EQ(last->Text(), "Trips");
  EXPECT_EQ(TakeEvents(), (Lines{"tree edited Holidays>Trips"}));
  EXPECT_EQ(TakeLog(), (Lines{"tree BEGINEDIT", "tree KILLFOCUS", "tree ENDEDIT Trips", "tree SETFOCUS"}));
  EXPECT_EQ(GetFocus(), Tree->Handle());
  EXPECT_EQ(Tree->SelectionCount(), 3) << "the selection outlives the edit";

  // ---- The list: a click, then a slow second click renames the file. ----
  ClickItem(1);
  EXPECT_EQ(GetFocus(), List->Handle());
  EXPECT_EQ(TakeLog(), (Lines{"tree KILLFOCUS", "list SETFOCUS", "list CHANGED 1 0>3", "list CLICK"}));
  EXPECT_FALSE(NodeLit(last)) << "the tree's selection hides while it is unfocused";
  EXPECT_EQ(Tree->SelectionCount(), 3);
  EXPECT_TRUE(ItemLit(1));
  ClickItem(1);
  EXPECT_FALSE(List->IsEditing()) << "only once the double-click time has passed";
  H().AdvanceClock(GetDoubleClickTime() + 1);
  Pump();
  ASSERT_TRUE(List->IsEditing());
  const HWND listEdit = reinterpret_cast<HWND>(List->Perform(LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(listEdit, nullptr);
  EXPECT_EQ(GetFocus(), listEdit);
  // The editor sits over the label, its whole text selected.
  TRect er;
  GetWindowRect(listEdit, &er);
  const TPoint labelAt = List->ClientToScreen(TPoint{ItemLabel(1).Left, ItemLabel(1).Top});
  EXPECT_LE(std::abs(er.Left - labelAt.X), 4);
  EXPECT_LE(std::abs(er.Top - labelAt.Y), 4);
  {
    std::unique_ptr<TBitmap> shot = WindowPixels(listEdit, false);
    ASSERT_TRUE(shot);
    int32_t lit = 0;
    for (int32_t y = 0; y < shot->Height(); ++y)
      for (int32_t x = 0; x < shot->Width(); ++x)
        if (shot->Canvas()->Pixels(x, y) == Rgb(clHighlight)) ++lit;
    EXPECT_GT(lit, 50) << "the selected text's background";
  }
  H().TypeText("beach.png");
  Press(VK_RETURN);
  EXPECT_FALSE(List->IsEditing());
  EXPECT_FALSE(IsWindow(listEdit));
  EXPECT_EQ(Captions(), "a.jpg beach.png c.tif d.bmp e.gif ");
  EXPECT_EQ(TakeEvents(), (Lines{"list edited b.png>beach.png"}));
  EXPECT_EQ(TakeLog(), (Lines{"list CLICK", "list BEGINEDIT", "list KILLFOCUS", "list ENDEDIT beach.png",
                              "list CHANGED 1 text", "list SETFOCUS"}));
  EXPECT_EQ(GetFocus(), List->Handle());

  // ---- Shift-click takes the range from the anchor. ----
  H().KeyDown(VK_SHIFT);
  ClickItem(3);
  H().KeyUp(VK_SHIFT);
  Pump();
  // The anchor's focus goes while the new focus item changes (between its ITEMCHANGING and ITEMCHANGED).
  EXPECT_EQ(TakeLog(), (Lines{"list CHANGED 2 0>2", "list CHANGED 3 0>2", "list CHANGED 1 3>2", "list CHANGED 3 2>3",
                              "list CLICK"}));
  EXPECT_EQ(List->SelCount(), 3);
  EXPECT_EQ(List->ItemFocused(), List->Items()->Item(3));
  const bool lit[] = {false, true, true, true, false};
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(ItemLit(i), lit[i]) << "item " << i;

  // ---- Switch pages by their tabs. ----
  const TRect files = ItemLabel(4);
  const TPoint probe{files.Left + 2, files.Bottom + 10};  // the list's empty area below its rows
  const TPoint inPages = Pages->ScreenToClient(List->ClientToScreen(probe));
  EXPECT_EQ(PixelOf(Pages->Handle(), inPages.X, inPages.Y), Rgb(clWindow));
  const TRect tab = Pages->TabRect(1);
  ClickAt(Pages, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
  EXPECT_EQ(Pages->ActivePage(), DetailsPage);
  EXPECT_EQ(Pages->TabIndex(), 1);
  EXPECT_EQ(TakeEvents(), (Lines{"pages changing", "pages change Details"}));
  EXPECT_EQ(TakeLog(),
            (Lines{"list KILLFOCUS", "pages SETFOCUS", "pages SELCHANGING", "pages SELCHANGE", "pages CLICK"}));
  EXPECT_FALSE(IsWindowVisible(List->Handle()));
  EXPECT_TRUE(IsWindowVisible(DetailsPage->Handle()));
  EXPECT_EQ(PixelOf(Pages->Handle(), inPages.X, inPages.Y), Rgb(clBtnFace)) << "the details page shows instead";

  // Ctrl+Tab, with the focus left on the tabs by the click, goes on to the
  // next page, wrapping back to the files.
  EXPECT_EQ(GetFocus(), Pages->Handle());
  Press(VK_TAB, hkCtrl);
  EXPECT_EQ(Pages->ActivePage(), FilesPage);
  EXPECT_EQ(TakeEvents(), (Lines{"pages changing", "pages change Files"}));
  Log.clear();
  EXPECT_TRUE(IsWindowVisible(List->Handle()));
  EXPECT_EQ(PixelOf(Pages->Handle(), inPages.X, inPages.Y), Rgb(clWindow));
  // The list kept its model through the hiding; its selection shows again with the focus.
  EXPECT_EQ(List->SelCount(), 3);
  EXPECT_EQ(Captions(), "a.jpg beach.png c.tif d.bmp e.gif ");
  EXPECT_FALSE(ItemLit(2));
  ClickItem(4);
  EXPECT_EQ(List->SelCount(), 1);
  EXPECT_TRUE(ItemLit(4));
  EXPECT_FALSE(ItemLit(2));

  // Ctrl+Tab from the list: the focus moves to the tabs, not lost with the hidden page.
  Log.clear();
  Press(VK_TAB, hkCtrl);
  EXPECT_EQ(Pages->ActivePage(), DetailsPage);
  EXPECT_EQ(GetFocus(), Pages->Handle());
  EXPECT_EQ(TakeLog(), (Lines{"list KILLFOCUS", "pages SETFOCUS"}));
  Press(VK_TAB, hkCtrl | hkShift);
  EXPECT_EQ(Pages->ActivePage(), FilesPage);
  EXPECT_EQ(TakeEvents(), (Lines{"pages changing", "pages change Details", "pages changing", "pages change Files"}));
  // The tree was left alone throughout.
  EXPECT_EQ(Tree->SelectionCount(), 3);
  EXPECT_EQ(Pictures->Item(2)->Text(), "Trips");
}

}  // namespace
