#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

String CodeName(uint32_t code) {
  static const std::map<uint32_t, const char*> names = {
      {LVN_ITEMCHANGING, "changing"},
      {LVN_ITEMCHANGED, "changed"},
      {LVN_INSERTITEM, "insert"},
      {LVN_DELETEITEM, "delete"},
      {LVN_DELETEALLITEMS, "deleteall"},
      {LVN_COLUMNCLICK, "colclick"},
      {LVN_BEGINDRAG, "begindrag"},
      {LVN_BEGINRDRAG, "beginrdrag"},
      {LVN_ITEMACTIVATE, "activate"},
      {LVN_KEYDOWN, "keydown"},
      {LVN_BEGINLABELEDIT, "beginedit"},
      {LVN_ENDLABELEDIT, "endedit"},
      {NM_CLICK, "click"},
      {NM_DBLCLK, "dblclk"},
      {NM_RCLICK, "rclick"},
      {NM_RETURN, "return"},
  };
  auto it = names.find(code);
  return it == names.end() ? String() : String(it->second);
}

// A form that logs the list notifications it gets (before they are
// reflected): "name item" with the state change "old>new" for ITEMCHANGING/
// ITEMCHANGED of state.
class TLogForm : public TForm {
 public:
  explicit TLogForm(TComponent* AOwner) : TForm(AOwner) {}
  std::vector<String> Log;
  int32_t DispInfo = 0;
  bool Recording = true;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_NOTIFY && Recording) {
      const auto* hdr = reinterpret_cast<const NMHDR*>(Message.LParam);
      if (hdr->code == LVN_GETDISPINFO) ++DispInfo;
      const String name = CodeName(hdr->code);
      if (!name.empty()) {
        String line = name;
        const auto* nm = reinterpret_cast<const NMLISTVIEW*>(Message.LParam);
        if (hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_INSERTITEM ||
            hdr->code == LVN_DELETEITEM || hdr->code == LVN_BEGINDRAG)
          line += " " + std::to_string(nm->iItem);
        if ((hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_ITEMCHANGED) && (nm->uChanged & LVIF_STATE) != 0)
          line += " " + std::to_string(nm->uOldState & 3) + ">" + std::to_string(nm->uNewState & 3);
        if (hdr->code == LVN_COLUMNCLICK) line += " " + std::to_string(nm->iSubItem);
        Log.push_back(line);
      }
    }
    TForm::Dispatch(Message);
  }
  std::vector<String> Take() {
    std::vector<String> r;
    r.swap(Log);
    return r;
  }
};

using Lines = std::vector<String>;

class ComListView : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TLogForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(50, 50, 400, 300);
    LV = new TListView(Form.get());
    LV->SetParent(Form.get());
    LV->SetBounds(10, 10, 300, 200);
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }
  void Show() {
    Form->Show();
    Pump();
  }
  // Report view with two columns and Count items "item0" .. with sub-item "s<i>".
  void Report(int32_t Count, bool MultiSelect = true) {
    LV->SetViewStyle(TViewStyle::vsReport);
    LV->SetMultiSelect(MultiSelect);
    LV->Columns()->Add()->SetCaption("Name");
    LV->Columns()->Items(0)->SetWidth(120);
    LV->Columns()->Add()->SetCaption("Size");
    LV->Columns()->Items(1)->SetWidth(80);
    for (int32_t i = 0; i < Count; ++i) {
      TListItem* item = LV->Items()->Add();
      item->SetCaption("item" + std::to_string(i));
      item->SubItems()->Add("s" + std::to_string(i));
    }
    Show();
    Form->Take();
  }
  HWND H() const { return LV->Handle(); }
  TRect ItemRect(int32_t i, int32_t code) {
    TRect r{code, 0, 0, 0};
    SendMessage(LV->Handle(), LVM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  TPoint Mid(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  void ClickItem(int32_t i, uint32_t Modifiers = 0, TRawButton Button = TRawButton::Left) {
    const TPoint p = Mid(ItemRect(i, LVIR_LABEL));
    if (Modifiers != 0) {
      if (Modifiers & 1) TVclTest::H().KeyDown(VK_SHIFT);
      if (Modifiers & 2) TVclTest::H().KeyDown(VK_CONTROL);
    }
    ClickAt(LV, p.X, p.Y, Button);
    if (Modifiers & 1) TVclTest::H().KeyUp(VK_SHIFT);
    if (Modifiers & 2) TVclTest::H().KeyUp(VK_CONTROL);
    Pump();
  }
  int32_t RowHeight() {
    const TRect a = ItemRect(0, LVIR_BOUNDS), b = ItemRect(1, LVIR_BOUNDS);
    return b.Top - a.Top;
  }
  SCROLLINFO Bar(int32_t Which) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(LV->Handle(), Which, &si);
    return si;
  }

  std::unique_ptr<TLogForm> Form;
  TListView* LV = nullptr;
};

// ---- Notification sequences --------------------------------------------------------------

TEST_F(ComListView, InsertAndClearNotifyOncePerItemInIndexOrder) {
  std::vector<String> events;
  LV->OnInsert = [&](TObject*, TListItem* Item) { events.push_back("insert " + std::to_string(Item->Index())); };
  LV->OnDeletion = [&](TObject*, TListItem* Item) { events.push_back("deletion " + Item->Caption()); };
  Report(0);
  for (const char* c : {"a", "b", "c"}) LV->Items()->Add()->SetCaption(c);
  const Lines log = Form->Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), "insert 0"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "insert 2"), 1);
  LV->Items()->Clear();
  EXPECT_EQ(Form->Take(), (Lines{"deleteall", "delete 0", "delete 1", "delete 2"}));
  EXPECT_EQ(events, (Lines{"insert 0", "insert 1", "insert 2", "deletion a", "deletion b", "deletion c"}));
  EXPECT_EQ(LV->Items()->Count(), 0);
  // One item deleted by index: its own notification, the rest keep their places.
  for (const char* c : {"x", "y"}) LV->Items()->Add()->SetCaption(c);
  Form->Take();
  LV->Items()->Delete(0);
  EXPECT_EQ(Form->Take(), (Lines{"delete 0"}));
  EXPECT_EQ(LV->Items()->Item(0)->Caption(), "y");
}

TEST_F(ComListView, StateChangesByMouseKeysAndCode) {
  Report(5);
  struct TCase {
    const char* What;
    std::function<void()> Act;
    Lines Expected;
  };
  bool refuse = false;
  LV->OnChanging = [&](TObject*, TListItem*, TItemChange, bool& Allow) { Allow = !refuse; };
  // A change implied by another (the old focus, the single selection) comes
  // between the item's ITEMCHANGING and ITEMCHANGED.
  const TCase cases[] = {
      {"click selects and focuses", [&] { ClickItem(1); }, {"changing 1 0>3", "changed 1 0>3", "click"}},
      {"Down moves both",
       [&] { Press(VK_DOWN); },
       {"keydown", "changing 1 3>1", "changed 1 3>1", "changing 2 0>3", "changing 1 1>0", "changed 1 1>0",
        "changed 2 0>3"}},
      {"ctrl click adds",
       [&] { ClickItem(4, 2); },
       {"keydown", "changing 4 0>2", "changed 4 0>2", "changing 4 2>3", "changing 2 3>2", "changed 2 3>2",
        "changed 4 2>3", "click"}},
      {"Selected := by code",
       [&] { LV->SetSelected(LV->Items()->Item(0)); },
       {"changing 2 2>0", "changed 2 2>0", "changing 4 3>1", "changed 4 3>1", "changing 0 0>2", "changed 0 0>2",
        "changing 0 2>3", "changing 4 1>0", "changed 4 1>0", "changed 0 2>3"}},
      {"refused by OnChanging",
       [&] {
         refuse = true;
         LV->Items()->Item(3)->SetSelected(true);
         refuse = false;
       },
       {"changing 3 0>2"}},
      {"shift click takes the range from the anchor (the last click)",
       [&] { ClickItem(2, 1); },
       {"keydown", "changing 0 3>1", "changed 0 3>1", "changing 2 0>2", "changed 2 0>2", "changing 3 0>2",
        "changed 3 0>2", "changing 4 0>2", "changed 4 0>2", "changing 2 2>3", "changing 0 1>0", "changed 0 1>0",
        "changed 2 2>3", "click"}},
      {"press on empty space clears",
       [&] { ClickAt(LV, 250, 180); },
       {"changing 2 3>1", "changed 2 3>1", "changing 3 2>0", "changed 3 2>0", "changing 4 2>0", "changed 4 2>0",
        "click"}},
  };
  for (const TCase& c : cases) {
    Form->Take();
    c.Act();
    Pump();
    EXPECT_EQ(Form->Take(), c.Expected) << c.What;
  }
  EXPECT_FALSE(LV->Items()->Item(3)->Selected());
}

TEST_F(ComListView, SelectedAndChangeEventsComeFromItemChanged) {
  Report(3);
  std::vector<String> events;
  LV->OnChange = [&](TObject*, TListItem* Item, TItemChange Change) {
    events.push_back("change " + Item->Caption() + " " + std::to_string(int(Change)));
  };
  LV->OnSelectItem = [&](TObject*, TListItem* Item, bool Sel) {
    events.push_back("select " + Item->Caption() + (Sel ? " on" : " off"));
  };
  LV->Items()->Item(1)->SetSelected(true);
  LV->Items()->Item(1)->SetCaption("renamed");
  EXPECT_EQ(events, (Lines{"change item1 2", "select item1 on", "change renamed 0"}));
  EXPECT_EQ(LV->Selected(), LV->Items()->Item(1));
  EXPECT_EQ(LV->SelCount(), 1);
}

// ---- Callbacks ----------------------------------------------------------------------------------

// A descendant answering the text itself, as a shell list does: it keeps
// its answers with LVIF_DI_SETITEM while Store is set.
class TStoringListView : public TListView {
 public:
  using TListView::TListView;
  int32_t Asked = 0;
  bool Store = true;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CN_NOTIFY) {
      auto* di = reinterpret_cast<NMLVDISPINFO*>(Message.LParam);
      if (di->hdr.code == LVN_GETDISPINFO && di->item.iSubItem == 0 && (di->item.mask & LVIF_TEXT) != 0) {
        ++Asked;
        ComCopyText("shell " + std::to_string(Asked), di->item.pszText, di->item.cchTextMax);
        if (Store) di->item.mask |= LVIF_DI_SETITEM;
        return;
      }
    }
    TListView::Dispatch(Message);
  }
};

TEST_F(ComListView, DispInfoIsAskedUntilAnAnswerIsStoredAndAgainAfterCaption) {
  auto* lv = new TStoringListView(Form.get());
  lv->SetParent(Form.get());
  lv->SetBounds(10, 10, 300, 200);
  lv->SetViewStyle(TViewStyle::vsReport);
  lv->Columns()->Add()->SetWidth(150);
  lv->Store = false;
  lv->Items()->Add();
  Show();
  auto text = [&] {
    char buf[64];
    LVITEM it;
    it.iSubItem = 0;
    it.pszText = buf;
    it.cchTextMax = 64;
    SendMessage(lv->Handle(), LVM_GETITEMTEXT, 0, reinterpret_cast<LPARAM>(&it));
    return String(buf);
  };
  // Without DI_SETITEM every use asks again.
  const int32_t before = lv->Asked;
  EXPECT_EQ(text(), "shell " + std::to_string(before + 1));
  EXPECT_EQ(text(), "shell " + std::to_string(before + 2));
  lv->Store = true;
  EXPECT_EQ(text(), "shell " + std::to_string(before + 3));
  // Stored: neither reading nor painting asks again.
  lv->Invalidate();
  lv->Update();
  EXPECT_EQ(text(), "shell " + std::to_string(before + 3));
  EXPECT_EQ(lv->Asked, before + 3);
  // The framework puts the callback back when the caption is set.
  lv->Items()->Item(0)->SetCaption("x");
  EXPECT_EQ(text(), "shell " + std::to_string(before + 4));
}

TEST_F(ComListView, FrameworkAnswersCaptionSubItemsAndImageIndex) {
  Report(2);
  int32_t asked = 0;
  LV->OnGetImageIndex = [&](TObject*, TListItem* Item) {
    ++asked;
    Item->SetImageIndex(Item->Index() + 3);
  };
  char buf[32];
  LVITEM it;
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.iItem = 1;
  it.iSubItem = 1;
  it.pszText = buf;
  it.cchTextMax = 32;
  ASSERT_NE(SendMessage(H(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)), 0);
  EXPECT_STREQ(buf, "s1");
  it.iSubItem = 0;
  SendMessage(H(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
  EXPECT_STREQ(buf, "item1");
  EXPECT_EQ(it.iImage, 4);
  EXPECT_GE(asked, 1);
}

// ---- Geometry and scrolling ----------------------------------------------------------------------

std::unique_ptr<TImageList> MakeImages(TComponent* Owner, int32_t W, int32_t H, int32_t Count, TColor Color) {
  auto list = std::make_unique<TImageList>(Owner, W, H);
  TBitmap bmp;
  bmp.SetSize(W * Count, H);
  bmp.Canvas()->Brush()->SetColor(Color);
  bmp.Canvas()->FillRect(TRect{0, 0, W * Count, H});
  list->Add(&bmp, nullptr);
  return list;
}

TEST_F(ComListView, ReportRowsHeaderRectsAndHitTests) {
  auto small = MakeImages(nullptr, 5, 18, 2, clRed);
  LV->SetSmallImages(small.get());
  Report(30);
  HWND header = LV->HeaderHandle();
  ASSERT_NE(header, nullptr);
  TRect hr;
  GetWindowRect(header, &hr);
  const int32_t headerH = hr.Height();
  EXPECT_EQ(RowHeight(), 18) << "the 18-pixel images set the row";
  EXPECT_EQ(ItemRect(0, LVIR_BOUNDS), (TRect{0, headerH, 200, headerH + 18}));
  EXPECT_EQ(ItemRect(2, LVIR_ICON), (TRect{2, headerH + 36, 7, headerH + 54}));
  EXPECT_EQ(ItemRect(2, LVIR_LABEL), (TRect{7, headerH + 36, 120, headerH + 54}));
  struct THit {
    TPoint P;
    int32_t Item;
    uint32_t Flags;
  };
  const THit hits[] = {
      {{4, headerH + 20}, 1, LVHT_ONITEMICON}, {{50, headerH + 20}, 1, LVHT_ONITEMLABEL},
      {{150, headerH + 20}, -1, LVHT_NOWHERE},                               // another column without full-row select
      {{250, headerH + 20}, -1, LVHT_NOWHERE}, {{50, 5}, -1, LVHT_NOWHERE},  // under the header
  };
  for (const THit& t : hits) {
    LVHITTESTINFO info;
    info.pt = t.P;
    EXPECT_EQ(SendMessage(H(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), t.Item) << t.P.X << "," << t.P.Y;
    EXPECT_EQ(info.flags, t.Flags) << t.P.X << "," << t.P.Y;
  }
  LV->SetRowSelect(true);
  LVHITTESTINFO info;
  info.pt = TPoint{150, headerH + 20};
  EXPECT_EQ(SendMessage(H(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
  LV->SetSmallImages(nullptr);
}

TEST_F(ComListView, ReportScrollInformationInRowsAtPageBoundaries) {
  Report(0);
  const int32_t perPage = int32_t(SendMessage(H(), LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(perPage, 3);
  struct TCase {
    int32_t Count;
    int32_t Max;
  };
  for (const TCase& c : {TCase{perPage, perPage - 1}, TCase{perPage + 1, perPage}}) {
    LV->Items()->Clear();
    for (int32_t i = 0; i < c.Count; ++i) LV->Items()->Add()->SetCaption("r" + std::to_string(i));
    const SCROLLINFO si = Bar(SB_VERT);
    EXPECT_EQ(si.nMax, c.Max);
    EXPECT_EQ(int32_t(si.nPage), perPage);
    EXPECT_EQ(si.nPos, 0);
  }
  // Rows move by WM_VSCROLL and by LVM_SCROLL in pixels rounded to rows;
  // the position is the top index.
  SendMessage(H(), WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessage(H(), LVM_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(Bar(SB_VERT).nPos, 1) << "clamped at count - page";
  SendMessage(H(), LVM_SCROLL, 0, -RowHeight() / 2 - 1);
  EXPECT_EQ(SendMessage(H(), LVM_GETTOPINDEX, 0, 0), 0);
  // Horizontal information in pixels: the columns are 200 wide.
  const SCROLLINFO hs = Bar(SB_HORZ);
  EXPECT_EQ(hs.nMax, 199);
  // The information stays when the bars leave the style.
  SetWindowLong(H(), GWL_STYLE, GetWindowLong(H(), GWL_STYLE) & ~(WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(Bar(SB_VERT).nMax, perPage);
}

TEST_F(ComListView, IconListAndSmallIconGeometry) {
  auto large = MakeImages(nullptr, 32, 32, 1, clBlue);
  LV->SetLargeImages(large.get());
  for (int32_t i = 0; i < 40; ++i) LV->Items()->Add()->SetCaption("n" + std::to_string(i));
  Show();
  const int32_t textH = StdFontHeight(reinterpret_cast<HFONT>(SendMessage(H(), WM_GETFONT, 0, 0)));
  // Icon view: cells of 32 + 43 by 32 + 2 lines + 10, left to right.
  const int32_t cx = 75, cy = 32 + 2 * textH + 10;
  EXPECT_EQ(SendMessage(H(), LVM_GETITEMSPACING, 0, 0), MAKELONG(cx, cy));
  const int32_t perRow = (300 - 4 - GetSystemMetrics(SM_CXVSCROLL)) / cx;
  TRect clientR;
  GetClientRect(H(), &clientR);
  const int32_t cols = clientR.Width() / cx;
  EXPECT_GE(cols, 1);
  (void)perRow;
  EXPECT_EQ(ItemRect(0, LVIR_ICON), (TRect{(cx - 36) / 2, 0, (cx - 36) / 2 + 36, 36}));
  EXPECT_EQ(ItemRect(1, LVIR_ICON).Left, cx + (cx - 36) / 2);
  EXPECT_EQ(ItemRect(cols, LVIR_ICON).Top, cy) << "the next row";
  EXPECT_EQ(ItemRect(0, LVIR_LABEL).Top, 36);
  // Scroll information in pixels; the position is the origin.
  const int32_t rows = (40 + cols - 1) / cols;
  EXPECT_EQ(Bar(SB_VERT).nMax, rows * cy - 1);
  SendMessage(H(), WM_VSCROLL, SB_LINEDOWN, 0);
  TPoint origin{0, 0};
  EXPECT_NE(SendMessage(H(), LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)), 0);
  EXPECT_EQ(origin.Y, Bar(SB_VERT).nPos);
  EXPECT_GT(origin.Y, 0);
  // LVM_SETICONSPACING: cx low word, cy high word, -1 the default.
  SendMessage(H(), LVM_SETICONSPACING, 0, MAKELONG(100, 90));
  EXPECT_EQ(SendMessage(H(), LVM_GETITEMSPACING, 0, 0), MAKELONG(100, 90));
  SendMessage(H(), LVM_SETICONSPACING, 0, -1);
  EXPECT_EQ(SendMessage(H(), LVM_GETITEMSPACING, 0, 0), MAKELONG(cx, cy));

  // List view: columns of the widest item, SB_HORZ in columns (page: the
  // whole columns visible).
  LV->SetBounds(10, 10, 80, 200);
  LV->SetViewStyle(TViewStyle::vsList);
  const int32_t colW = int32_t(SendMessage(H(), LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_GT(colW, 10);
  const TRect r0 = ItemRect(0, LVIR_BOUNDS), r1 = ItemRect(1, LVIR_BOUNDS);
  EXPECT_EQ(r1.Top, r0.Bottom);
  GetClientRect(H(), &clientR);
  const int32_t per = clientR.Height() / r0.Height();
  EXPECT_EQ(ItemRect(per, LVIR_BOUNDS).Left, colW);
  const SCROLLINFO hs = Bar(SB_HORZ);
  EXPECT_EQ(hs.nMax, (40 + per - 1) / per - 1);
  EXPECT_EQ(int32_t(hs.nPage), clientR.Width() / colW);
  EXPECT_LT(int32_t(hs.nPage), hs.nMax + 1);
  SendMessage(H(), WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(Bar(SB_HORZ).nPos, 1);
  EXPECT_EQ(SendMessage(H(), LVM_GETTOPINDEX, 0, 0), per);
  EXPECT_FALSE(SendMessage(H(), LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)));

  // Small icons: one line each, arranged in rows.
  LV->SetViewStyle(TViewStyle::vsSmallIcon);
  EXPECT_EQ(ItemRect(1, LVIR_BOUNDS).Top, ItemRect(0, LVIR_BOUNDS).Top);
  LV->SetLargeImages(nullptr);
}

TEST_F(ComListView, CustomSortIsStableAndKeepsSelection) {
  Report(0);
  const char* names[] = {"b1", "a1", "b2", "a2", "b3"};
  for (const char* n : names) LV->Items()->Add()->SetCaption(n);
  LV->Items()->Item(2)->SetSelected(true);
  LV->Items()->Item(2)->SetFocused(true);
  // Compare by the first letter only: equal items keep their order.
  LV->CustomSort(
      [](TListItem* A, TListItem* B, intptr_t) { return int32_t(A->Caption()[0]) - int32_t(B->Caption()[0]); }, 0);
  Lines order;
  for (int32_t i = 0; i < 5; ++i) order.push_back(LV->Items()->Item(i)->Caption());
  EXPECT_EQ(order, (Lines{"a1", "a2", "b1", "b2", "b3"}));
  EXPECT_EQ(LV->Selected()->Caption(), "b2");
  EXPECT_EQ(LV->ItemFocused()->Caption(), "b2");
  // AlphaSort with OnCompare reversed.
  LV->OnCompare = [](TObject*, TListItem* A, TListItem* B, intptr_t, int32_t& C) {
    C = AnsiCompareText(B->Caption(), A->Caption());
  };
  LV->AlphaSort();
  EXPECT_EQ(LV->Items()->Item(0)->Caption(), "b3");
}

// ---- Label editing ---------------------------------------------------------------------------------

TEST_F(ComListView, LabelEditingEndsByEnterEscapeAndFocusLoss) {
  Report(3);
  auto* other = new TEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(320, 10, 60, 20);
  std::vector<String> events;
  LV->OnEditing = [&](TObject*, TListItem* Item, bool& Allow) {
    events.push_back("editing " + Item->Caption());
    Allow = Item->Index() != 2;
  };
  LV->OnEdited = [&](TObject*, TListItem* Item, String& S) {
    events.push_back("edited " + Item->Caption() + " " + S);
    if (S == "refused") S = Item->Caption();
  };
  struct TCase {
    const char* What;
    int32_t Item;
    std::function<void(HWND Edit)> End;
    String Caption;
    Lines Events;
  };
  const TCase cases[] = {
      {"Enter", 0, [&](HWND) { Press(VK_RETURN); }, "new0", {"editing item0", "edited item0 new0"}},
      {"Escape", 1, [&](HWND) { Press(VK_ESCAPE); }, "item1", {"editing item1"}},
      {"focus loss inside SetFocus",
       1,
       [&](HWND) {
         other->SetFocus();
         EXPECT_EQ(events.size(), 2u) << "ended before SetFocus returned";
       },
       "new1",
       {"editing item1", "edited item1 new1"}},
      {"refused by OnEdited", 0, [&](HWND) { Press(VK_RETURN); }, "new0", {"editing new0", "edited new0 refused"}},
  };
  for (const TCase& c : cases) {
    events.clear();
    LV->SetFocus();
    Pump();
    ASSERT_TRUE(LV->Items()->Item(c.Item)->EditCaption()) << c.What;
    HWND edit = reinterpret_cast<HWND>(SendMessage(H(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetFocus(), edit);
    String text = c.What == String("refused by OnEdited") ? "refused" : "new" + std::to_string(c.Item);
    SetWindowText(edit, text.c_str());
    c.End(edit);
    Pump();
    EXPECT_FALSE(LV->IsEditing()) << c.What;
    EXPECT_FALSE(IsWindow(edit)) << c.What;
    EXPECT_EQ(LV->Items()->Item(c.Item)->Caption(), c.Caption) << c.What;
    EXPECT_EQ(events, c.Events) << c.What;
  }
  EXPECT_FALSE(LV->Items()->Item(2)->EditCaption()) << "refused by OnEditing";
  EXPECT_FALSE(LV->IsEditing());
}

TEST_F(ComListView, SlowSecondClickStartsEditingUnlessADoubleClickComes) {
  Report(3);
  ClickItem(1);
  EXPECT_FALSE(LV->IsEditing());
  ClickItem(1);
  EXPECT_FALSE(LV->IsEditing()) << "only after the double-click time";
  TVclTest::H().AdvanceClock(GetDoubleClickTime() + 1);
  Pump();
  EXPECT_TRUE(LV->IsEditing());
  Press(VK_ESCAPE);
  // A double click instead: activation, no editing.
  ClickItem(2);
  Form->Take();
  const TPoint p = At(LV, Mid(ItemRect(2, LVIR_LABEL)).X, Mid(ItemRect(2, LVIR_LABEL)).Y);
  Clock().Advance(GetDoubleClickTime() + 1);
  TVclTest::H().DoubleClick(p.X, p.Y);
  Pump();
  TVclTest::H().AdvanceClock(GetDoubleClickTime() + 1);
  Pump();
  EXPECT_FALSE(LV->IsEditing());
  const Lines log = Form->Take();
  EXPECT_NE(std::find(log.begin(), log.end(), "dblclk"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "activate"), log.end());
}

// ---- Drag start ------------------------------------------------------------------------------------

TEST_F(ComListView, BeginDragAfterFourPixelsAndTheReleaseStillArrives) {
  Report(3);
  std::vector<String> mouse;
  LV->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { mouse.push_back("up"); };
  const TPoint p = At(LV, Mid(ItemRect(1, LVIR_LABEL)).X, Mid(ItemRect(1, LVIR_LABEL)).Y);
  TVclTest::H().MouseDown(p.X, p.Y);
  Pump();
  Form->Take();
  TVclTest::H().MouseMove(p.X + 3, p.Y);
  Pump();
  EXPECT_TRUE(Form->Take().empty()) << "3 pixels start nothing";
  TVclTest::H().MouseMove(p.X + 4, p.Y);
  Pump();
  EXPECT_EQ(Form->Take(), (Lines{"begindrag 1"}));
  TVclTest::H().MouseMove(p.X + 9, p.Y);
  TVclTest::H().MouseUp(p.X + 9, p.Y);
  Pump();
  EXPECT_TRUE(Form->Take().empty()) << "one start, no click after a drag";
  EXPECT_EQ(mouse, (Lines{"up"}));
  // Without the move: a click and the mouse-up.
  ClickItem(0);
  EXPECT_EQ(mouse.size(), 2u);
}

// ---- Custom draw ---------------------------------------------------------------------------------

TEST_F(ComListView, CustomDrawBrushShowsBehindTheLabelAndSkipKeepsTheHandlersPixels) {
  Report(3);
  LV->OnCustomDrawItem = [&](TCustomListView* Sender, TListItem* Item, TCustomDrawState, bool& DefaultDraw) {
    if (Item->Index() == 0) Sender->Canvas()->Brush()->SetColor(clLime);
    if (Item->Index() == 1) {
      const TRect r = Item->DisplayRect(TDisplayCode::drBounds);
      Sender->Canvas()->Brush()->SetColor(clFuchsia);
      Sender->Canvas()->FillRect(r);
      DefaultDraw = false;
    }
  };
  LV->Invalidate();
  Pump();
  std::unique_ptr<TBitmap> bmp = WindowPixels(H(), false);
  ASSERT_TRUE(bmp);
  const TRect l0 = ItemRect(0, LVIR_LABEL);
  EXPECT_EQ(bmp->Canvas()->Pixels(l0.Right - 3, l0.Top + 1), TColor(ColorToRGB(clLime)));
  const TRect b1 = ItemRect(1, LVIR_LABEL);
  int32_t fuchsia = 0;
  for (int32_t x = b1.Left; x < b1.Right; ++x)
    if (bmp->Canvas()->Pixels(x, (b1.Top + b1.Bottom) / 2) == TColor(ColorToRGB(clFuchsia))) ++fuchsia;
  EXPECT_EQ(fuchsia, b1.Width()) << "no default text over the handler's drawing";
  const TRect l2 = ItemRect(2, LVIR_LABEL);
  EXPECT_EQ(bmp->Canvas()->Pixels(l2.Right - 3, l2.Top + 1), TColor(ColorToRGB(clWindow)));
}

// ---- Header child ----------------------------------------------------------------------------------

// A skin-like hook: on WM_PARENTNOTIFY for a new "SysHeader32" it replaces
// the header's procedure; the header is then 4 pixels wider and red.
WNDPROC gOldHeaderProc = nullptr;
int32_t gHooked = 0;

LRESULT RedHeaderProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGING) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
    if ((wp->flags & SWP_NOSIZE) == 0) wp->cx += 4;
    return 0;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = wParam != 0 ? reinterpret_cast<HDC>(wParam) : BeginPaint(h, &ps);
    TRect r;
    GetClientRect(h, &r);
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, r, b);
    DeleteObject(b);
    if (wParam == 0) EndPaint(h, &ps);
    return 0;
  }
  return CallWindowProc(gOldHeaderProc, h, msg, wParam, lParam);
}

TEST_F(ComListView, HeaderIsARealChildThatAHookCanSkinAcrossRecreation) {
  gHooked = 0;
  TWndMethod old = LV->WindowProc;
  LV->WindowProc = [&, old](TMessage& M) {
    if (M.Msg == WM_PARENTNOTIFY && LOWORD(M.WParam) == WM_CREATE) {
      HWND child = reinterpret_cast<HWND>(M.LParam);
      if (GetClassNameString(child) == "SysHeader32") {
        ++gHooked;
        gOldHeaderProc =
            reinterpret_cast<WNDPROC>(SetWindowLong(child, GWL_WNDPROC, reinterpret_cast<intptr_t>(&RedHeaderProc)));
      }
    }
    old(M);
  };
  std::vector<String> clicks;
  LV->OnColumnClick = [&](TObject*, TListColumn* C) {
    clicks.push_back(C->Caption());
    LV->AlphaSort();
  };
  Report(3);
  EXPECT_EQ(gHooked, 1);
  HWND header = LV->HeaderHandle();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(GetParent(header), H());
  TRect hr, cr;
  GetWindowRect(header, &hr);
  GetClientRect(H(), &cr);
  EXPECT_EQ(hr.Width(), cr.Width() + 4) << "the list tolerates the wider header";
  Pump();
  std::unique_ptr<TBitmap> bmp = WindowPixels(H(), false);
  EXPECT_EQ(bmp->Canvas()->Pixels(5, 3), TColor(ColorToRGB(clRed)));
  // Column clicks still sort.
  LV->Items()->Item(0)->SetCaption("zz");
  ClickAt(LV, 150, 5);
  EXPECT_EQ(clicks, (Lines{"Size"}));
  EXPECT_EQ(LV->Items()->Item(2)->Caption(), "zz");
  // A re-created list makes a new header, hooked again; the items stay.
  LV->Perform(CM_RECREATEWND, 0, 0);
  LV->HandleNeeded();
  Pump();
  EXPECT_EQ(gHooked, 2);
  EXPECT_EQ(LV->Items()->Count(), 3);
  EXPECT_EQ(LV->Items()->Item(2)->Caption(), "zz");
  bmp = WindowPixels(H(), false);
  EXPECT_EQ(bmp->Canvas()->Pixels(5, 3), TColor(ColorToRGB(clRed)));
}

TEST_F(ComListView, RecreationKeepsItemsWithoutEvents) {
  Report(3);
  int32_t inserted = 0, deleted = 0;
  LV->OnInsert = [&](TObject*, TListItem*) { ++inserted; };
  LV->OnDeletion = [&](TObject*, TListItem*) { ++deleted; };
  LV->Items()->Item(1)->SetSelected(true);
  TListItem* second = LV->Items()->Item(1);
  LV->SetViewStyle(TViewStyle::vsIcon);
  LV->SetViewStyle(TViewStyle::vsReport);
  LV->Perform(CM_RECREATEWND, 0, 0);
  LV->HandleNeeded();
  EXPECT_EQ(inserted, 0);
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(LV->Items()->Item(1), second);
  EXPECT_TRUE(second->Selected());
  EXPECT_EQ(LV->Columns()->Items(0)->Width(), 120);
}

TEST_F(ComListView, KeysSearchCheckBoxesAndActivation) {
  Report(5);
  LV->SetCheckboxes(true);
  LV->SetFocus();
  Pump();
  Form->Take();
  TVclTest::H().TypeText("ITEM3");
  Pump();
  EXPECT_EQ(LV->ItemFocused()->Caption(), "item3");
  Clock().Advance(1000);
  TVclTest::H().TypeText("i");
  Pump();
  EXPECT_EQ(LV->ItemFocused()->Caption(), "item4") << "a new search starts after the focused item";
  EXPECT_FALSE(LV->Items()->Item(4)->Checked());
  Press(VK_SPACE);
  EXPECT_TRUE(LV->Items()->Item(4)->Checked());
  Form->Take();
  Press(VK_RETURN);
  EXPECT_EQ(Form->Take(), (Lines{"keydown", "return", "activate"}));
  Press(VK_HOME, hkCtrl);
  EXPECT_EQ(LV->ItemFocused()->Index(), 0);
  EXPECT_TRUE(LV->Items()->Item(4)->Selected()) << "Ctrl moves the focus only";
}

TEST_F(ComListView, RightClickSelectsThenContextMenu) {
  Report(3);
  std::vector<String> events;
  LV->OnContextPopup = [&](TObject*, TPoint, bool& Handled) {
    events.push_back("popup " + std::to_string(LV->SelCount()));
    Handled = true;
  };
  ClickItem(2, 0, TRawButton::Right);
  EXPECT_EQ(events, (Lines{"popup 1"}));
  EXPECT_TRUE(LV->Items()->Item(2)->Selected());
  const Lines log = Form->Take();
  EXPECT_NE(std::find(log.begin(), log.end(), "rclick"), log.end());
}

TEST_F(ComListView, SelectionLookFollowsFocusAndHideSelection) {
  Report(3);
  auto* other = new TEdit(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(320, 10, 60, 20);
  ClickItem(1);
  const TRect l = ItemRect(1, LVIR_LABEL);
  auto at = [&] {
    Pump();
    return WindowPixels(H(), false)->Canvas()->Pixels(l.Right - 3, l.Top + 1);
  };
  EXPECT_EQ(at(), TColor(ColorToRGB(clHighlight)));
  other->SetFocus();
  EXPECT_EQ(at(), TColor(ColorToRGB(clWindow))) << "hidden while unfocused";
  LV->SetHideSelection(false);
  EXPECT_EQ(at(), TColor(ColorToRGB(clBtnFace))) << "show-selection-always";
  // The drop highlight looks like a focused selection.
  LV->Items()->Item(2)->SetDropTarget(true);
  Pump();
  const TRect l2 = ItemRect(2, LVIR_LABEL);
  EXPECT_EQ(WindowPixels(H(), false)->Canvas()->Pixels(l2.Right - 3, l2.Top + 1), TColor(ColorToRGB(clHighlight)));
  // The header stays a hidden child in the other views.
  HWND header = LV->HeaderHandle();
  LV->SetViewStyle(TViewStyle::vsIcon);
  EXPECT_FALSE(IsWindowVisible(header));
  LV->SetViewStyle(TViewStyle::vsReport);
  EXPECT_EQ(LV->HeaderHandle(), header);
  EXPECT_TRUE(IsWindowVisible(header));
  // A drag image of the item's icon and label.
  TPoint origin{-1, -1};
  HIMAGELIST img =
      reinterpret_cast<HIMAGELIST>(SendMessage(H(), LVM_CREATEDRAGIMAGE, 1, reinterpret_cast<LPARAM>(&origin)));
  ASSERT_NE(img, nullptr);
  int32_t cx = 0, cy = 0;
  ImageList_GetIconSize(img, &cx, &cy);
  const TRect sel = ItemRect(1, LVIR_SELECTBOUNDS);
  EXPECT_EQ(cx, sel.Width());
  EXPECT_EQ(cy, sel.Height());
  EXPECT_EQ(origin.X, sel.Left);
  ImageList_Destroy(img);
}

TEST_F(ComListView, AnItemDeletedInsideANotificationAboutItIsFreedAfterwards) {
  Report(4);
  std::vector<String> events;
  LV->OnSelectItem = [&](TObject*, TListItem* Item, bool Sel) {
    if (Sel && Item->Caption() == "item1") Item->Delete();
  };
  LV->OnChange = [&](TObject*, TListItem* Item, TItemChange) { events.push_back(Item->Caption()); };
  LV->OnDeletion = [&](TObject*, TListItem* Item) { events.push_back("deleted " + Item->Caption()); };
  ClickItem(1);
  EXPECT_EQ(LV->Items()->Count(), 3);
  EXPECT_EQ(LV->Items()->Item(1)->Caption(), "item2");
  ASSERT_FALSE(events.empty());
  EXPECT_NE(std::find(events.begin(), events.end(), "deleted item1"), events.end());
}

TEST_F(ComListView, CheckBoxesToggleOnTheStateImage) {
  Report(3);
  LV->SetCheckboxes(true);
  Pump();
  const TRect icon = ItemRect(1, LVIR_ICON);
  LVHITTESTINFO info;
  info.pt = TPoint{icon.Left - 8, (icon.Top + icon.Bottom) / 2};
  ASSERT_EQ(SendMessage(H(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
  EXPECT_EQ(info.flags, LVHT_ONITEMSTATEICON);
  EXPECT_EQ(LV->Items()->Item(1)->StateIndex(), 0) << "stored as 1: unchecked";
  ClickAt(LV, info.pt.X, info.pt.Y);
  EXPECT_TRUE(LV->Items()->Item(1)->Checked());
  EXPECT_EQ(SendMessage(H(), LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(2)));
  LV->Items()->Item(1)->SetChecked(false);
  EXPECT_FALSE(LV->Items()->Item(1)->Checked());
}

// ---- Overlay and state images -----------------------------------------------------------------------

TEST(ComImageList, OverlayBitsDrawTheOverlayImage) {
  HIMAGELIST list = ImageList_Create(4, 4, ILC_MASK | ILC_COLOR32, 2, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(8, 4, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255)), key = CreateSolidBrush(RGB(255, 0, 255)),
         red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, TRect{0, 0, 4, 4}, blue);
  FillRect(dc, TRect{4, 0, 8, 4}, key);
  FillRect(dc, TRect{4, 0, 6, 2}, red);  // the overlay: a red corner
  SelectObject(dc, old);
  ASSERT_EQ(ImageList_AddMasked(list, bmp, RGB(255, 0, 255)), 0);
  EXPECT_FALSE(ImageList_SetOverlayImage(list, 1, 0));
  EXPECT_FALSE(ImageList_SetOverlayImage(list, 5, 1));
  ASSERT_TRUE(ImageList_SetOverlayImage(list, 1, 1));
  HBITMAP target = CreateBitmap(4, 4, 1, 32, nullptr);
  SelectObject(dc, target);
  ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 0, 255)) << "the overlay's transparent part shows the image";
  ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  SelectObject(dc, old);
  for (HGDIOBJ o : {HGDIOBJ(bmp), HGDIOBJ(target), HGDIOBJ(blue), HGDIOBJ(key), HGDIOBJ(red)}) DeleteObject(o);
  DeleteDC(dc);
  ImageList_Destroy(list);
}

TEST(ComImageList, ComponentOverlayIsTheHandlesOverlayPlusOne) {
  THeadlessSession session;
  auto list = MakeImages(nullptr, 4, 4, 2, clBlue);
  EXPECT_FALSE(list->Overlay(2, 0)) << "no image 2";
  EXPECT_FALSE(list->Overlay(1, 15));
  EXPECT_TRUE(list->Overlay(1, 0));
  EXPECT_TRUE(list->Overlay(1, 14));
}

TEST(ComImageList, StateAndOverlayBitsRoundTrip) {
  struct TCase {
    int32_t Index;
    uint32_t StateBits;
    uint32_t OverlayBits;
  };
  for (const TCase& c : {TCase{-1, 0, 0}, TCase{0, 0x1000, 0x100}, TCase{1, 0x2000, 0x200}, TCase{4, 0x5000, 0x500}}) {
    EXPECT_EQ(ComStateIndexToBits(c.Index), c.StateBits);
    EXPECT_EQ(ComStateBitsToIndex(c.StateBits), c.Index);
    EXPECT_EQ(ComOverlayIndexToBits(c.Index), c.OverlayBits);
    EXPECT_EQ(ComOverlayBitsToIndex(c.OverlayBits), c.Index);
  }
  int32_t cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(ComCheckBoxStateList(), &cx, &cy));
  EXPECT_EQ(ImageList_GetImageCount(ComCheckBoxStateList()), 2);
}

}  // namespace

TEST_F(ComListView, LeavingReportBeforeShowingHidesTheHeaderAndPaintsItsPlace) {
  Report(3);
  LV->Handle();
  LV->SetViewStyle(TViewStyle::vsList);
  Show();
  const HWND header = LV->HeaderHandle();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(uint32_t(GetWindowLong(header, GWL_STYLE)) & WS_VISIBLE, 0u);
  // The first row sits where the header was, painted over its face.
  EXPECT_EQ(LV->GetItemAt(20, 5), LV->Items()->Item(0));
  EXPECT_EQ(WindowPixels(LV->Handle(), false)->Canvas()->Pixels(250, 5), TColor(ColorToRGB(clWindow)));
  // Going back to report shows it again.
  LV->SetViewStyle(TViewStyle::vsReport);
  EXPECT_NE(uint32_t(GetWindowLong(header, GWL_STYLE)) & WS_VISIBLE, 0u);
}
