#include "skin/controls/skincombobox.h"

#include <gtest/gtest.h>

#include "platform/gui/headless.h"
#include "platform/gui/windows.h"
#include "skin/controls/testkit/skinkit_combos.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

class SkinComboBox : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(200, 150, 100, 20);
    Box = MakeBox(10, 10);
    for (const char* s :
         {"alpha", "beta", "bravo", "brown", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india", "juliet"})
      Box->Items()->Add(s);
    ShowForm();
  }
  TbsSkinComboBox* MakeBox(int32_t X, int32_t Y) {
    auto* B = new TbsSkinComboBox(Form.get());
    B->SetParent(Form.get());
    B->SetBounds(X, Y, 120, 20);
    B->OnChange = [this](TObject*) { Log.push_back("change"); };
    B->OnClick = [this](TObject*) { Log.push_back("click"); };
    B->OnCloseUp = [this](TObject*) { Log.push_back("closeup"); };
    B->OnDropDown = [this](TObject*) { Log.push_back("dropdown"); };
    return B;
  }
  TbsListBox* Inner() const { return Box->ListBox()->ListBox(); }
  TPoint ItemPoint(int32_t Index) {
    const TRect R = Inner()->ItemRect(Index);
    return At(Inner(), 5, R.Top + R.Height() / 2);
  }
  TPoint ButtonPoint() { return At(Box, 110, 10); }
  void Down(const TPoint& P) {
    Clock().Advance(GetDoubleClickTime() + 1);
    H().MouseMove(P.X, P.Y);
    H().MouseDown(P.X, P.Y);
    Pump();
  }
  void MoveMouse(const TPoint& P) {
    H().MouseMove(P.X, P.Y);
    Pump();
  }
  void Up(const TPoint& P) {
    H().MouseMove(P.X, P.Y);
    H().MouseUp(P.X, P.Y);
    Pump();
  }
  void Click(const TPoint& P) {
    Down(P);
    Up(P);
  }
  // Opens the list by a click on the button, with the focus in the box.
  void Open() {
    Click(ButtonPoint());
    ASSERT_TRUE(Box->GetDroppedDown());
    Log.clear();
  }

  TbsSkinComboBox* Box = nullptr;
  TEdit* Other = nullptr;
  std::vector<String> Log;
};

using Events = std::vector<String>;

// ---- ItemIndex -----------------------------------------------------------------------------

TEST_F(SkinComboBox, ItemIndexWriteRaisesChangeOnlyWhenTheTextChanges) {
  struct TCase {
    int32_t Index;
    Events Expected;
    String Text;
  };
  const TCase cases[] = {
      {2, {"change", "click"}, "bravo"},
      {2, {"click"}, "bravo"},
      {-1, {"click"}, "bravo"},
      {0, {"change", "click"}, "alpha"},
  };
  for (const TCase& c : cases) {
    Log.clear();
    Box->SetItemIndex(c.Index);
    EXPECT_EQ(Log, c.Expected) << c.Index;
    EXPECT_EQ(Box->ItemIndex(), c.Index);
    EXPECT_EQ(Box->Text(), c.Text);
  }
}

// ---- Drop-down by mouse ---------------------------------------------------------------------

TEST_F(SkinComboBox, PressDragReleaseOntoAnItemSelectsIt) {
  Box->SetItemIndex(1);
  Log.clear();
  Down(ButtonPoint());
  EXPECT_TRUE(Box->GetDroppedDown());
  MoveMouse(ItemPoint(4));
  EXPECT_EQ(Box->ListBox()->ItemIndex(), 4);
  Up(ItemPoint(4));
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->ItemIndex(), 4);
  EXPECT_EQ(Box->Text(), "charlie");
  EXPECT_EQ(Log, (Events{"dropdown", "change", "click", "closeup"}));
}

TEST_F(SkinComboBox, ReleaseOutsideTheListRestoresTheSelection) {
  Box->SetItemIndex(1);
  Log.clear();
  Down(ButtonPoint());
  MoveMouse(ItemPoint(4));
  Up(At(Form.get(), 300, 200));
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(Log, (Events{"dropdown"}));
}

// Ways to close an open list without accepting it, and two that keep it.
enum class TCloser { Escape, AltUp, FocusElsewhere, PressOtherControl, PressButtonAgain, ScrollBarPress, ButtonClick };

class SkinComboBoxClosing : public SkinComboBox, public ::testing::WithParamInterface<TCloser> {};

TEST_P(SkinComboBoxClosing, CancelsOrKeepsTheList) {
  Box->SetItemIndex(1);
  Box->SetFocus();
  Pump();
  Open();
  Inner()->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(5, Inner()->ItemRect(3).Top + 2));
  ASSERT_EQ(Box->ListBox()->ItemIndex(), 3);
  bool stays = false;
  switch (GetParam()) {
    case TCloser::Escape: Press(VK_ESCAPE); break;
    case TCloser::AltUp: Press(VK_UP, hkAlt); break;
    case TCloser::FocusElsewhere:
      Other->SetFocus();
      Pump();
      break;
    case TCloser::PressOtherControl: ClickAt(Other, 5, 5); break;
    case TCloser::PressButtonAgain: Click(ButtonPoint()); break;
    case TCloser::ScrollBarPress: {
      TbsSkinScrollBar* bar = Box->ListBox()->ScrollBar();
      ASSERT_NE(bar, nullptr);
      ClickAt(bar, 5, bar->Height() / 2);
      stays = true;
      break;
    }
    case TCloser::ButtonClick: stays = true; break;
  }
  EXPECT_EQ(Box->GetDroppedDown(), stays);
  if (stays) return;
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(Box->Text(), "beta");
  EXPECT_TRUE(Log.empty()) << Log.front();
}

INSTANTIATE_TEST_SUITE_P(Each, SkinComboBoxClosing,
                         ::testing::Values(TCloser::Escape, TCloser::AltUp, TCloser::FocusElsewhere,
                                           TCloser::PressOtherControl, TCloser::PressButtonAgain,
                                           TCloser::ScrollBarPress, TCloser::ButtonClick));

TEST_F(SkinComboBox, ClickThenClickOnAnItemAccepts) {
  Box->SetFocus();
  Open();
  Click(ItemPoint(2));
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->ItemIndex(), 2);
  EXPECT_EQ(Log, (Events{"change", "click", "closeup"}));
}

TEST_F(SkinComboBox, EnterAcceptsTheItemChosenByTheWheel) {
  Box->SetItemIndex(0);
  Box->SetFocus();
  Open();
  // The wheel while open moves only the list; the box keeps showing item 0.
  const TPoint p = At(Box, 50, 10);
  H().Wheel(p.X, p.Y, -WHEEL_DELTA);
  Pump();
  EXPECT_EQ(Box->ListBox()->ItemIndex(), 1);
  EXPECT_EQ(Box->Text(), "alpha");
  EXPECT_TRUE(Log.empty());
  Press(VK_RETURN);
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->Text(), "beta");
  EXPECT_EQ(Log, (Events{"change", "click", "closeup"}));
  // Closed, the wheel selects through ItemIndex, with events.
  Log.clear();
  H().Wheel(p.X, p.Y, WHEEL_DELTA);
  Pump();
  EXPECT_EQ(Box->Text(), "alpha");
  EXPECT_EQ(Log, (Events{"change", "click"}));
}

TEST_F(SkinComboBox, OpenListKeepsActivationAndFocus) {
  Box->SetFocus();
  Pump();
  const HWND active = GetActiveWindow(), focus = GetFocus();
  ASSERT_EQ(focus, Box->Handle());
  std::vector<String> log;
  std::vector<std::pair<TControl*, TWndMethod>> saved;
  auto watch = [&log, &saved](TControl* C, const String& Tag) {
    TWndMethod old = C->WindowProc;
    saved.emplace_back(C, old);
    C->WindowProc = [&log, old, Tag](TMessage& M) {
      if (M.Msg == WM_ACTIVATE || M.Msg == WM_NCACTIVATE || M.Msg == WM_KILLFOCUS)
        log.push_back(Tag + " " + std::to_string(M.Msg));
      old(M);
    };
  };
  watch(Form.get(), "form");
  watch(Box, "box");
  Down(ButtonPoint());
  MoveMouse(ItemPoint(2));
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);
  Up(ItemPoint(2));
  Open();
  Click(ItemPoint(3));
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_TRUE(log.empty()) << log.front();
  for (auto it = saved.rbegin(); it != saved.rend(); ++it) it->first->WindowProc = it->second;
}

TEST_F(SkinComboBox, ListOpensAsHighAsItsItemsAndAboveNearTheBottom) {
  Box->Items()->Clear();
  for (const char* s : {"one", "two", "three"}) Box->Items()->Add(s);
  Box->DropDown();
  TbsPopupListBox* L = Box->ListBox();
  EXPECT_EQ(L->RowCount(), 3);
  EXPECT_EQ(L->Height(), L->CalcHeight(3));
  TRect R;
  GetWindowRect(L->Handle(), &R);
  const TPoint below = At(Box, 0, Box->Height());
  EXPECT_EQ(R.Left, below.X);
  EXPECT_EQ(R.Top, below.Y);
  Box->CloseUp(false);
  // Near the bottom of the 984-pixel work area.
  Form->SetBounds(50, 900, 320, 80);
  Pump();
  Box->DropDown();
  GetWindowRect(L->Handle(), &R);
  EXPECT_EQ(R.Bottom, At(Box, 0, 0).Y);
  Box->CloseUp(false);
}

TEST_F(SkinComboBox, HoldingBelowTheListScrollsItEvery25Ms) {
  Box->SetItemIndex(0);
  Down(ButtonPoint());
  MoveMouse(ItemPoint(1));
  const TRect R = Inner()->ClientRect();
  MoveMouse(At(Inner(), 5, R.Bottom + 10));
  const int32_t start = Box->ListBox()->ItemIndex();
  for (int32_t i = 0; i < 3; ++i) {
    Clock().Advance(25);
    Pump();
  }
  EXPECT_EQ(Box->ListBox()->ItemIndex(), start + 3);
  EXPECT_EQ(Box->ItemIndex(), start + 3);
  EXPECT_EQ(Box->Text(), "alpha");
  Up(At(Form.get(), 300, 200));
  EXPECT_EQ(Box->ItemIndex(), 0);
}

TEST_F(SkinComboBox, EmptyListDoesNotDropDown) {
  Box->Items()->Clear();
  Box->DropDown();
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_TRUE(Log.empty());
}

// ---- Keyboard -------------------------------------------------------------------------------

TEST_F(SkinComboBox, PagingMovesByDropDownCountAndStopsAtTheEnds) {
  Box->SetFocus();
  Box->SetItemIndex(0);
  struct TStep {
    uint32_t Key;
    int32_t Index;
  };
  // 12 items, DropDownCount 8: Page Down 7, Page Up 9.
  const TStep steps[] = {{VK_NEXT, 7}, {VK_NEXT, 11}, {VK_PRIOR, 2}, {VK_PRIOR, 0},
                         {VK_DOWN, 1}, {VK_UP, 0},    {VK_UP, 0},    {VK_END, 0}};
  for (const TStep& s : steps) {
    Press(s.Key);
    EXPECT_EQ(Box->ItemIndex(), s.Index) << s.Key;
  }
  Press(VK_DOWN, hkAlt);
  EXPECT_TRUE(Box->GetDroppedDown());
}

TEST_F(SkinComboBox, TypedSearchExtendsWithinHalfASecond) {
  Box->SetFocus();
  Box->SetItemIndex(0);
  Clock().Advance(1000);
  H().TypeText("b");
  Pump();
  EXPECT_EQ(Box->Text(), "beta");
  Clock().Advance(100);
  H().TypeText("r");
  Pump();
  EXPECT_EQ(Box->Text(), "bravo");
  // After a pause a single letter searches on after the current item.
  Clock().Advance(600);
  H().TypeText("b");
  Pump();
  EXPECT_EQ(Box->Text(), "brown");
  Clock().Advance(600);
  H().TypeText("b");
  Pump();
  EXPECT_EQ(Box->Text(), "beta");
}

// ---- Edit style -----------------------------------------------------------------------------

TEST_F(SkinComboBox, EditStyleTypingChangesAndCompletes) {
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  TbsCustomEdit* E = Box->Edit();
  ASSERT_NE(E, nullptr);
  E->SetFocus();
  Pump();
  Log.clear();
  Clock().Advance(1000);
  H().TypeText("c");
  Pump();
  EXPECT_EQ(Box->Text(), "charlie");
  EXPECT_EQ(E->SelStart(), 1);
  EXPECT_EQ(E->SelLength(), 6);
  // Within 200 ms only the text changes; the rest is not appended.
  Log.clear();
  Press(VK_BACK);
  Press(VK_BACK);
  EXPECT_EQ(E->Text(), "");
  Log.clear();
  Clock().Advance(50);
  H().TypeText("d");
  Pump();
  EXPECT_EQ(Box->Text(), "d");
  EXPECT_EQ(Box->ItemIndex(), 5);
  EXPECT_EQ(Log, (Events{"change"}));
  Clock().Advance(250);
  H().TypeText("e");
  Pump();
  EXPECT_EQ(Box->Text(), "delta");
  EXPECT_EQ(E->SelStart(), 2);
  EXPECT_EQ(E->SelLength(), 3);
}

TEST_F(SkinComboBox, StyleSetTwiceKeepsOneEditPartAndTheTabStop) {
  auto editParts = [this] {
    int32_t n = 0;
    for (int32_t i = 0; i < Box->ControlCount(); ++i)
      if (dynamic_cast<TbsCustomEdit*>(Box->Controls(i)) != nullptr) ++n;
    return n;
  };
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  EXPECT_EQ(editParts(), 1);
  EXPECT_FALSE(Box->TabStop());
  EXPECT_TRUE(Box->Edit()->TabStop());
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbFixedStyle);
  EXPECT_EQ(editParts(), 0);
  EXPECT_EQ(Box->Edit(), nullptr);
  EXPECT_TRUE(Box->TabStop());
}

TEST_F(SkinComboBox, EditStyleAcceptCopiesTheItemIntoTheEdit) {
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  Box->Edit()->SetFocus();
  Pump();
  Log.clear();
  Down(ButtonPoint());
  EXPECT_EQ(GetFocus(), Box->Edit()->Handle());
  MoveMouse(ItemPoint(3));
  Up(ItemPoint(3));
  EXPECT_EQ(Box->Edit()->Text(), "brown");
  EXPECT_EQ(Box->ItemIndex(), 3);
  EXPECT_EQ(Log, (Events{"dropdown", "change", "click", "closeup"}));
}

// The edit part's hook survives the window re-creation of skinning (its
// transparent drawing), and a press elsewhere closes the list without
// accepting it.
TEST_F(SkinComboBox, SkinnedEditPartKeepsItsHookAndCancelsOnPressesElsewhere) {
  Box->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
  Box->SetSkinData(Skin.get());
  Pump();
  TbsCustomEdit* E = Box->Edit();
  ASSERT_TRUE(E->TransparentText());
  Box->SetItemIndex(2);
  Box->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), E->Handle());
  Log.clear();
  Press(VK_DOWN);
  EXPECT_EQ(Box->ItemIndex(), 3);
  EXPECT_EQ(E->Text(), "brown");
  EXPECT_EQ(Log, (Events{"change", "click"}));
  Box->DropDown();
  ASSERT_TRUE(Box->GetDroppedDown());
  Log.clear();
  ClickAt(Other, 5, 5);
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->ItemIndex(), 3);
  EXPECT_TRUE(Log.empty());
}

// ---- Painting -------------------------------------------------------------------------------

TEST_F(SkinComboBox, PlainGeometry) {
  EXPECT_EQ(Box->ButtonRect(), (TRect{101, 2, 118, 18}));
  EXPECT_EQ(Box->ItemAreaRect(), (TRect{2, 2, 100, 18}));
  Box->SetItemIndex(-1);
  Pump();
  EXPECT_EQ(Probe(Box, 0, 0), Rgb(clBtnShadow));
  EXPECT_EQ(Probe(Box, 1, 1), Rgb(clBtnFace));
  EXPECT_EQ(Probe(Box, 101, 2), Rgb(clBtnShadow));
  EXPECT_EQ(Probe(Box, 117, 17), Rgb(clBtnShadow));
  EXPECT_EQ(Probe(Box, 105, 5), Rgb(clBtnFace));
  EXPECT_EQ(Probe(Box, 50, 10), Rgb(clWindow));
  // The item text starts a few pixels into the area, never at its edge.
  Box->SetItemIndex(7);
  Pump();
  const int32_t ink = CountColor(Box->Handle(), TRect{2, 2, 6, 18}, clWindowText);
  EXPECT_EQ(ink, 0);
  EXPECT_GT(CountColor(Box->Handle(), TRect{6, 2, 40, 18}, clWindowText), 0);
}

TEST_F(SkinComboBox, FocusedFixedStyleShowsTheHighlightAndPassesOdFocused) {
  Box->SetItemIndex(2);
  std::vector<TOwnerDrawState> states;
  Box->OnComboBoxDrawItem = [&states](TCanvas*, int32_t, int32_t, int32_t, TRect, TOwnerDrawState S) {
    states.push_back(S);
  };
  Box->SetFocus();
  Box->Repaint();
  Pump();
  ASSERT_FALSE(states.empty());
  EXPECT_TRUE(states.back().Contains(TOwnerDrawStateItem::odFocused));
  EXPECT_EQ(Probe(Box, 50, 10), Rgb(clHighlight));
  Box->OnComboBoxDrawItem = nullptr;
  Other->SetFocus();
  Pump();
  EXPECT_EQ(Probe(Box, 50, 10), Rgb(clWindow));
}

TEST_F(SkinComboBox, ShownItemStaysWhileTheListTracks) {
  Box->SetItemIndex(1);
  Down(ButtonPoint());
  MoveMouse(ItemPoint(6));
  ASSERT_EQ(Box->ListBox()->ItemIndex(), 6);
  std::vector<int32_t> drawn;
  Box->OnComboBoxDrawItem = [&drawn](TCanvas*, int32_t Index, int32_t, int32_t, TRect, TOwnerDrawState) {
    drawn.push_back(Index);
  };
  Box->Repaint();
  Pump();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), 1);
  Box->OnComboBoxDrawItem = nullptr;
  Up(At(Form.get(), 300, 200));
}

TEST_F(SkinComboBox, SkinnedLookFromTheDescription) {
  using namespace SkinKit;
  Box->SetSkinData(Skin.get());
  Box->SetItemIndex(0);
  Pump();
  EXPECT_EQ(Box->Height(), 20);
  EXPECT_EQ(Box->ButtonRect(), (TRect{100, 2, 117, 18}));
  EXPECT_EQ(Box->ItemAreaRect(), (TRect{3, 3, 98, 17}));
  EXPECT_EQ(Probe(Box, 0, 0), ComboFrame);
  EXPECT_EQ(Probe(Box, 105, 10), ComboButtonFace);
  EXPECT_EQ(Probe(Box, 3, 5), ComboItemCap);
  EXPECT_EQ(Probe(Box, 60, 15), ComboItem);
  EXPECT_GT(CountColor(Box->Handle(), Box->ItemAreaRect(), ComboFont), 0);
  EXPECT_EQ(Box->ListBox()->SkinDataName(), "listbox");
  Box->SetEnabled(false);
  Pump();
  EXPECT_EQ(Probe(Box, 105, 10), ComboButtonDisabled);
  EXPECT_GT(CountColor(Box->Handle(), Box->ItemAreaRect(), TColor(0x808080)), 0);
  EXPECT_EQ(CountColor(Box->Handle(), Box->ItemAreaRect(), ComboFont), 0);
}

TEST_F(SkinComboBox, StretchedLookDrawsTheComboButtonDescription) {
  using namespace SkinKit;
  Box->SetUseSkinSize(false);
  Box->SetSkinData(Skin.get());
  Box->SetBounds(10, 10, 140, 30);
  Pump();
  EXPECT_EQ(Box->Height(), 30);
  const TRect B = Box->ButtonRect();
  EXPECT_EQ(B, (TRect{120, 2, 137, 28}));
  EXPECT_EQ(Probe(Box, B.Left, B.Top), ComboFrame);
  EXPECT_EQ(Probe(Box, B.Left + 4, B.Top + 4), ComboNineFace);
}

TEST_F(SkinComboBox, ContactSheet) {
  Form->SetBounds(50, 50, 560, 300);
  Box->SetBounds(10, 10, 120, 20);
  Box->SetItemIndex(1);
  auto add = [this](int32_t X, int32_t Y, bool Skinned, bool Edit) {
    TbsSkinComboBox* B = MakeBox(X, Y);
    for (const char* s : {"alpha", "beta", "gamma"}) B->Items()->Add(s);
    if (Skinned) B->SetSkinData(Skin.get());
    if (Edit) B->SetStyle(TbsSkinCustomComboBoxStyle::bscbEditStyle);
    B->SetItemIndex(1);
    return B;
  };
  // Rows: closed, hot, focused, disabled; columns: plain fixed, plain edit,
  // skinned fixed, skinned edit.
  std::vector<TbsSkinComboBox*> boxes;
  for (int32_t row = 0; row < 4; ++row)
    for (int32_t col = 0; col < 4; ++col) boxes.push_back(add(10 + col * 135, 40 + row * 30, col >= 2, col % 2 == 1));
  Pump();
  // Hot: the pointer over the box and its button.
  for (int32_t col = 0; col < 4; ++col) {
    TbsSkinComboBox* hot = boxes[size_t(4 + col)];
    hot->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(hot));
    hot->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(110, 10));
    boxes[size_t(12 + col)]->SetEnabled(false);
  }
  boxes[8]->SetFocus();
  Pump();
  SaveSheet(Form.get(), "skincombobox");
  // Focused skinned box with its list open (the list is a window of its own).
  Box->SetSkinData(Skin.get());
  Box->SetFocus();
  Pump();
  Box->DropDown();
  Pump();
  SaveSheet(Form.get(), "skincombobox_open");
  SaveSheet(Box->ListBox(), "skincombobox_list");
  Box->CloseUp(false);
}

}  // namespace
