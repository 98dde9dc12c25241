#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Lines = std::vector<String>;
using Codes = std::vector<uint32_t>;

// Logs the data the list box restores through its virtual item-data methods.
class TLoggingListBox : public TListBox {
 public:
  explicit TLoggingListBox(TComponent* AOwner) : TListBox(AOwner) {}
  Lines Log;

 protected:
  void SetItemData(int32_t Index, uintptr_t AData) override {
    Log.push_back("set " + std::to_string(Index) + " " + std::to_string(AData));
    TListBox::SetItemData(Index, AData);
  }
  void DeleteString(int32_t Index) override {
    Log.push_back("delete " + std::to_string(Index));
    TListBox::DeleteString(Index);
  }
  void ResetContent() override {
    Log.push_back("reset");
    TListBox::ResetContent();
  }
};

class StdListBox : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    List = new TLoggingListBox(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(10, 10, 150, 100);
    List->OnClick = [this](TObject*) { ++Clicks; };
    ShowForm();
    LineHeight = List->ItemHeight();
  }
  void Fill(int n) {
    List->Items()->BeginUpdate();
    List->Clear();
    for (int i = 0; i < n; ++i) List->Items()->Add("item " + std::to_string(i));
    List->Items()->EndUpdate();
    List->Log.clear();
  }
  // Sizes the list so that Rows items are fully visible.
  void Rows(int32_t N) { List->SetHeight(N * LineHeight + 4); }
  SCROLLINFO Info(int32_t Bar) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(List->Handle(), Bar, &si);
    return si;
  }
  TPoint ItemPoint(int32_t Index) {
    TRect r = List->ItemRect(Index);
    return TPoint{r.Left + 5, r.Top + r.Height() / 2};
  }

  TLoggingListBox* List = nullptr;
  int Clicks = 0;
  int32_t LineHeight = 0;
};

TEST_F(StdListBox, ItemsOperationsAreMessagesThroughTheWindow) {
  Lines seen;
  TWndMethod old = List->WindowProc;
  List->WindowProc = [&seen, old](TMessage& M) {
    switch (M.Msg) {
      case LB_ADDSTRING: seen.push_back("add"); break;
      case LB_INSERTSTRING: seen.push_back("insert " + std::to_string(M.WParam)); break;
      case LB_DELETESTRING: seen.push_back("delete " + std::to_string(M.WParam)); break;
      case LB_RESETCONTENT: seen.push_back("reset"); break;
      default: break;
    }
    old(M);
  };
  List->Items()->Add("b");
  List->Items()->Insert(0, "a");
  List->Items()->AddObject("c", reinterpret_cast<void*>(uintptr_t(7)));
  EXPECT_EQ(List->Items()->IndexOf("C"), 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(List->Items()->Objects(2)), 7u);
  List->Items()->Delete(1);
  EXPECT_EQ(List->Items()->Text(), "a\r\nc\r\n");
  List->Items()->Clear();
  EXPECT_EQ(seen, (Lines{"add", "insert 0", "add", "delete 1", "reset"}));
  EXPECT_EQ(List->Log, (Lines{"set 2 7", "delete 1", "reset"})) << "through the virtual methods";
  List->WindowProc = old;
}

TEST_F(StdListBox, FindStringWrapsAndSortedInsertion) {
  for (const char* s : {"apple", "Banana", "avocado", "cherry", "APPLE"}) List->Items()->Add(s);
  struct TCase {
    int32_t After;
    const char* Text;
    uint32_t Msg;
    LRESULT Expected;
  };
  const TCase cases[] = {
      {-1, "a", LB_FINDSTRING, 0},         {0, "a", LB_FINDSTRING, 2},
      {2, "a", LB_FINDSTRING, 4},          {4, "a", LB_FINDSTRING, 0},  // wraps
      {-1, "BAN", LB_FINDSTRING, 1},       {-1, "x", LB_FINDSTRING, LB_ERR},
      {0, "apple", LB_FINDSTRINGEXACT, 4}, {-1, "appl", LB_FINDSTRINGEXACT, LB_ERR},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(List->Perform(c.Msg, WPARAM(c.After), reinterpret_cast<LPARAM>(c.Text)), c.Expected)
        << c.After << " " << c.Text;
  List->SetSorted(true);
  EXPECT_EQ(List->Items()->Text(), "apple\r\nAPPLE\r\navocado\r\nBanana\r\ncherry\r\n");
  EXPECT_EQ(List->Items()->Add("Apple"), 2) << "after the equal items";
}

TEST_F(StdListBox, ScrollInformationAroundThePageAndInColumns) {
  Rows(10);
  for (int n : {9, 10, 11}) {
    Fill(n);
    SCROLLINFO si = Info(SB_VERT);
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, n - 1) << n;
    EXPECT_EQ(si.nPage, uint32_t(std::min(n, 10))) << n;
    EXPECT_EQ(si.nPos, 0);
  }
  List->SetItemIndex(10);
  EXPECT_EQ(List->TopIndex(), 1) << "LB_SETCURSEL scrolls the item into view";
  EXPECT_EQ(Info(SB_VERT).nPos, 1);
  EXPECT_EQ(Clicks, 0) << "LB_SETCURSEL notifies nothing";
  List->Perform(WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(List->TopIndex(), 0);

  List->SetColumns(3);  // 150 pixels wide: columns of 50
  Fill(35);
  const int32_t per = List->ClientHeight() / LineHeight;  // under the horizontal bar
  ASSERT_GT(per, 0);
  SCROLLINFO si = Info(SB_HORZ);
  EXPECT_EQ(si.nMax, (35 + per - 1) / per - 1) << "in columns";
  EXPECT_EQ(si.nPage, uint32_t(List->ClientWidth() / 50)) << "whole visible columns";
  List->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
  EXPECT_EQ(List->TopIndex(), per) << "shows that column";
  EXPECT_EQ(Info(SB_HORZ).nPos, 1);
  EXPECT_EQ(List->ItemAtPos(TPoint{60, 2}, true), 2 * per);
  EXPECT_FALSE(GetScrollInfo(List->Handle(), SB_VERT, &si) && si.nMax > 0) << "no vertical range";
}

TEST_F(StdListBox, SelectionNotificationsAndOwnerDrawRequests) {
  List->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
  Fill(5);
  HWND h = List->Handle();
  List->SetFocus();
  Pump();
  struct TStep {
    const char* Name;
    std::function<void()> Do;
    int SelChanges;
    Lines Draws;  // "item action state"
  };
  auto click = [this](int32_t i, uint32_t mods = 0) {
    return [this, i, mods] {
      Clock().Advance(1000);
      TPoint p = List->ClientToScreen(ItemPoint(i));
      if (mods & hkShift) H().KeyDown(VK_SHIFT);
      if (mods & hkCtrl) H().KeyDown(VK_CONTROL);
      H().Click(p.X, p.Y);
      if (mods & hkShift) H().KeyUp(VK_SHIFT);
      if (mods & hkCtrl) H().KeyUp(VK_CONTROL);
      Pump();
    };
  };
  const std::vector<TStep> steps = {
      {"click 2", click(2), 1, {"2 2 1", "0 4 0", "2 4 17"}},
      {"click 2 again", click(2), 0, {}},
      {"down", [this] { Press(VK_DOWN); }, 1, {"2 2 16", "3 2 1", "2 4 0", "3 4 17"}},
      {"drag 3 to 1",
       [this] {
         Clock().Advance(1000);
         TPoint a = List->ClientToScreen(ItemPoint(3)), b = List->ClientToScreen(ItemPoint(1));
         H().MouseDown(a.X, a.Y);
         H().MouseMove(b.X, b.Y);
         H().MouseUp(b.X, b.Y);
         Pump();
       },
       1,
       {"3 2 16", "1 2 1", "3 4 0", "1 4 17"}},
  };
  for (const TStep& st : steps) {
    Form->Notes.clear();
    Form->Draws.clear();
    Clicks = 0;
    st.Do();
    const Codes codes = Form->Codes(h);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), LBN_SELCHANGE), st.SelChanges) << st.Name;
    EXPECT_EQ(Clicks, st.SelChanges) << st.Name;
    EXPECT_EQ(Form->Draws, st.Draws) << st.Name;
  }
  EXPECT_EQ(List->ItemIndex(), 1);

  // Extended selection: Shift from the anchor, Ctrl toggles.
  List->SetMultiSelect(true);
  EXPECT_EQ(List->Count(), 5) << "re-created with its items";
  List->SetFocus();
  Pump();
  Clicks = 0;
  click(1)();
  click(3, hkShift)();
  EXPECT_EQ(List->SelCount(), 3);
  click(2, hkCtrl)();
  EXPECT_EQ(List->SelCount(), 2);
  EXPECT_FALSE(List->Selected(2));
  EXPECT_EQ(Clicks, 3);
  Press(VK_END, hkShift);
  EXPECT_EQ(List->SelCount(), 3) << "anchor 2 to 4";
  EXPECT_EQ(Clicks, 4);
}

TEST_F(StdListBox, SortedToggleRestoresTextsAndDataInOrder) {
  List->Items()->AddObject("zeta", reinterpret_cast<void*>(uintptr_t(26)));
  List->Items()->AddObject("alpha", reinterpret_cast<void*>(uintptr_t(1)));
  List->Items()->Add("mid");
  List->SetItemIndex(1);
  List->Log.clear();
  List->SetSorted(true);
  EXPECT_EQ(List->Log, (Lines{"set 0 26", "set 0 1", "set 1 0"})) << "in item order, data 0 included";
  EXPECT_EQ(List->Items()->Text(), "alpha\r\nmid\r\nzeta\r\n");
  EXPECT_EQ(reinterpret_cast<uintptr_t>(List->Items()->Objects(2)), 26u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(List->Items()->Objects(0)), 1u);
  EXPECT_EQ(List->ItemIndex(), 1);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(StdListBox, ItemAtPosAndDoubleClick) {
  Fill(3);
  struct TCase {
    TPoint P;
    bool Existing;
    int32_t Expected;
  };
  const TCase cases[] = {
      {{5, 1}, true, 0},
      {{5, LineHeight + 1}, true, 1},
      {{5, 3 * LineHeight + 2}, true, -1},
      {{5, 3 * LineHeight + 2}, false, 3},
      {{500, 1}, true, -1},
  };
  for (const TCase& c : cases) EXPECT_EQ(List->ItemAtPos(c.P, c.Existing), c.Expected) << c.P.Y;
  int dbl = 0;
  List->OnDblClick = [&](TObject*) { ++dbl; };
  Clock().Advance(1000);
  TPoint p = List->ClientToScreen(ItemPoint(1));
  H().DoubleClick(p.X, p.Y);
  Pump();
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(List->ItemIndex(), 1);
}

TEST_F(StdListBox, AutoCompleteWithinHalfASecond) {
  for (const char* s : {"alpha", "beta", "bingo", "gamma", "bet"}) List->Items()->Add(s);
  List->SetFocus();
  Pump();
  struct TStep {
    uint64_t Wait;
    const char* Typed;
    int32_t Index;
  };
  const TStep steps[] = {
      {0, "b", 1}, {100, "i", 2}, {400, "x", 2}, {600, "g", 3}, {499, "a", 3}, {501, "be", 1},
  };
  for (const TStep& st : steps) {
    Clock().Advance(st.Wait);
    H().TypeText(st.Typed);
    Pump();
    EXPECT_EQ(List->ItemIndex(), st.Index) << st.Typed;
  }
  EXPECT_EQ(Clicks, 6) << "OnClick for each typed prefix found";
  // Without AutoComplete a letter cycles through the items starting with it.
  List->SetAutoComplete(false);
  List->SetItemIndex(0);
  std::vector<int32_t> seen;
  for (int i = 0; i < 4; ++i) {
    Press('B');
    seen.push_back(List->ItemIndex());
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 4, 1}));
}

}  // namespace
