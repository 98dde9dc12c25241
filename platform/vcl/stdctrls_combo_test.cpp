#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Codes = std::vector<uint32_t>;
using Lines = std::vector<String>;

class StdComboBox : public TStdTest {
 public:
  void SetUp() override {
    TStdTest::SetUp();
    Combo = new TComboBox(Form.get());
    Combo->SetParent(Form.get());
    Combo->SetBounds(10, 10, 150, 21);
    Combo->SetStyle(TComboBoxStyle::csDropDownList);
    for (const char* s : {"red", "green", "blue", "black"}) Combo->Items()->Add(s);
    Combo->SetItemIndex(0);
    Combo->OnClick = [this](TObject*) { Events.push_back("click " + Combo->Text()); };
    Combo->OnChange = [this](TObject*) { Events.push_back("change " + Combo->Text()); };
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(10, 150, 100, 21);
    ShowForm();
    Combo->SetFocus();
    Pump();
    Form->Notes.clear();
  }
  HWND ListWnd() { return FindWindow("ComboLBox", nullptr); }
  // Screen point of item i in the shown list.
  TPoint ItemPoint(int32_t i) {
    HWND list = ListWnd();
    TRect r;
    SendMessage(list, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    TPoint p{r.Left + 5, r.Top + r.Height() / 2};
    ClientToScreen(list, &p);
    return p;
  }
  Codes Codes_() { return Form->Codes(Combo->Handle()); }

  TComboBox* Combo = nullptr;
  TEdit* Other = nullptr;
  Lines Events;
};

TEST_F(StdComboBox, NotificationOrders) {
  const TPoint box = At(Combo, 20, 10);
  struct TCase {
    const char* Name;
    std::function<void()> Do;
    Codes Expected;
    int32_t Index;
  };
  auto down = [this](TPoint p) { H().MouseDown(p.X, p.Y); };
  auto up = [this](TPoint p) { H().MouseUp(p.X, p.Y); };
  auto move = [this](TPoint p) { H().MouseMove(p.X, p.Y); };
  const std::vector<TCase> cases = {
      {"press, drag, release on an item",
       [&] {
         down(box);
         Pump();
         move(ItemPoint(2));
         up(ItemPoint(2));
       },
       {CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE},
       2},
      {"click, then click an item",
       [&] {
         down(box);
         up(box);
         Pump();
         EXPECT_TRUE(Combo->DroppedDown()) << "a click that does not enter the list leaves it open";
         Clock().Advance(1000);
         move(ItemPoint(1));
         down(ItemPoint(1));
         up(ItemPoint(1));
       },
       {CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE},
       1},
      {"a press outside",
       [&] {
         Combo->SetDroppedDown(true);
         TPoint out = At(Other, 5, 5);
         down(out);
         up(out);
       },
       {CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP},
       1},
      {"F4 and Escape",
       [&] {
         Press(VK_F4);
         Press(VK_DOWN);
         Press(VK_ESCAPE);
       },
       {CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP},
       1},
      {"Alt+Down, Down, Enter",
       [&] {
         Press(VK_DOWN, hkAlt);
         Press(VK_DOWN);
         Press(VK_RETURN);
       },
       {CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE},
       2},
      {"loss of focus",
       [&] {
         Combo->SetDroppedDown(true);
         Other->SetFocus();
       },
       {CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS},
       2},
      {"keys while closed",
       [&] {
         Combo->SetFocus();
         Pump();
         Form->Notes.clear();
         Press(VK_UP);
         Press(VK_END);
         H().TypeText("g");
       },
       {CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE},
       1},
  };
  for (const TCase& c : cases) {
    Form->Notes.clear();
    Clock().Advance(1000);
    c.Do();
    Pump();
    EXPECT_EQ(Codes_(), c.Expected) << c.Name;
    EXPECT_EQ(Combo->ItemIndex(), c.Index) << c.Name;
    EXPECT_FALSE(Combo->DroppedDown()) << c.Name;
    EXPECT_EQ(GetCapture(), nullptr) << c.Name;
  }
}

TEST_F(StdComboBox, TheListNeverActivatesAndGoesAboveNearTheBottom) {
  HWND form = Form->Handle();
  Combo->SetDroppedDown(true);
  Pump();
  HWND list = ListWnd();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(GetActiveWindow(), form);
  EXPECT_EQ(GetFocus(), Combo->Handle());
  EXPECT_NE(GetWindowLong(list, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_NE(GetWindowLong(list, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // A press inside the list does not activate it either.
  TPoint p = ItemPoint(3);
  H().MouseDown(p.X, p.Y);
  Pump();
  EXPECT_EQ(GetActiveWindow(), form);
  H().MouseUp(p.X, p.Y);
  Pump();
  EXPECT_EQ(Combo->ItemIndex(), 3);
  TRect box, lr;
  GetWindowRect(Combo->Handle(), &box);
  GetWindowRect(list, &lr);
  EXPECT_EQ(lr.Top, box.Bottom) << "under the box";
  // Near the bottom of the work area (984) it opens above the box.
  Form->SetTop(984 - 40);
  Pump();
  Combo->SetDroppedDown(true);
  Pump();
  GetWindowRect(Combo->Handle(), &box);
  GetWindowRect(list, &lr);
  EXPECT_EQ(lr.Bottom, box.Top);
  Combo->SetDroppedDown(false);
}

TEST_F(StdComboBox, UserAndProgrammaticSelectionEvents) {
  Press(VK_DOWN);
  EXPECT_EQ(Events, (Lines{"click green", "change green"})) << "OnClick, then OnChange";
  Events.clear();
  int selects = 0;
  Combo->OnSelect = [&](TObject*) { ++selects; };
  Press(VK_DOWN);
  EXPECT_EQ(Events, (Lines{"click blue"})) << "OnSelect instead of OnChange";
  EXPECT_EQ(selects, 1);
  Events.clear();
  Form->Notes.clear();
  Combo->SetItemIndex(0);
  Combo->SetText("black");
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Combo->ItemIndex(), 3);
  EXPECT_TRUE(Form->Codes(Combo->Handle()).empty()) << "CB_SETCURSEL and WM_SETTEXT notify nothing";
  // A new style keeps the items and the selection.
  Combo->SetStyle(TComboBoxStyle::csDropDown);
  Pump();
  EXPECT_EQ(Combo->Items()->Count(), 4);
  EXPECT_EQ(Combo->ItemIndex(), 3);
  EXPECT_EQ(Combo->Text(), "black");
  EXPECT_TRUE(Events.empty());
}

TEST_F(StdComboBox, TypingInTheEditChild) {
  Combo->SetStyle(TComboBoxStyle::csDropDown);
  Combo->SetItemIndex(-1);
  Combo->SetFocus();
  Pump();
  Form->Notes.clear();
  Events.clear();
  H().TypeText("ab");
  Pump();
  EXPECT_EQ(Combo->Text(), "ab");
  EXPECT_EQ(Form->Codes(Combo->Handle()), (Codes{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));
  EXPECT_EQ(Events, (Lines{"change a", "change ab"}));
  Events.clear();
  Press(VK_DOWN);
  EXPECT_EQ(Combo->Text(), "red");
  EXPECT_EQ(Events, (Lines{"click red", "change red"}));
}

}  // namespace
