#include <gtest/gtest.h>

#include <memory>

#include "platform/vcl/stdctrls.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/form/skintrayicon.h"

namespace {

class TrayIconTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    SetNotifyAreaBackend(&Area);
    Owner = std::make_unique<TForm>(nullptr);
    Tray = new TbsTrayIcon(Owner.get());
    Tray->OnClick = [this](TObject*) { ++Clicks; };
    Tray->OnDblClick = [this](TObject*) { ++DoubleClicks; };
  }
  void TearDown() override {
    Owner.reset();
    Pump();
    SetNotifyAreaBackend(nullptr);
    TVclTest::TearDown();
  }
  TbsSkinPopupMenu* Menu() {
    auto* menu = new TbsSkinPopupMenu(Owner.get());
    for (int i = 0; i < 2; ++i) {
      auto* item = new TMenuItem(menu);
      item->SetCaption(i == 0 ? "Restore" : "Close");
      item->SetDefault(i == 0);
      item->OnClick = [this, i](TObject*) { ItemClicks.push_back(i); };
      menu->Items()->Add(item);
    }
    menu->OnPopup = [this](TObject*) { ++Popups; };
    return menu;
  }
  void Wait(uint32_t Ms) {
    Clock().Advance(Ms);
    Pump();
  }

  TMemoryNotifyArea Area;
  std::unique_ptr<TForm> Owner;
  TbsTrayIcon* Tray = nullptr;
  int Clicks = 0, DoubleClicks = 0, Popups = 0;
  std::vector<int> ItemClicks;
};

TEST_F(TrayIconTest, TheNotifyRecordAndTheTipCutAt127Bytes) {
  const NOTIFYICONDATA& d = Tray->NotifyData();
  EXPECT_EQ(d.cbSize, 488u);
  EXPECT_EQ(d.uID, 1u);
  EXPECT_EQ(d.uFlags, 7u);
  EXPECT_EQ(d.uCallbackMessage, 0x800u);
  EXPECT_TRUE(Tray->MinimizeToTray);
  Tray->SetHint(String(200, 'a'));
  Tray->ShowIcon();
  const TMemoryNotifyArea::TIcon* icon = Area.Find(Tray->Handle(), 1);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Tip, String(127, 'a'));
  // Two-byte characters: the cut never splits one.
  String accents;
  for (int i = 0; i < 100; ++i) accents += "\xC3\xA9";
  Tray->SetHint(accents);
  EXPECT_EQ(Area.Find(Tray->Handle(), 1)->Tip.size(), 126u);
  Tray->SetShowHint(false);
  EXPECT_EQ(Area.Find(Tray->Handle(), 1)->Tip, "");
  Tray->HideIcon();
  EXPECT_EQ(Area.Find(Tray->Handle(), 1), nullptr);
}

TEST_F(TrayIconTest, ASingleClickIsReportedOneDoubleClickTimeLater) {
  Tray->ShowIcon();
  Area.Click(Tray->Handle(), 1);
  Pump();
  EXPECT_EQ(Clicks, 0);
  Wait(GetDoubleClickTime() - 10);
  EXPECT_EQ(Clicks, 0);
  Wait(20);
  EXPECT_EQ(Clicks, 1);
  // Released after the double-click time: reported at the release.
  PostMessage(Tray->Handle(), 0x800, 1, WM_LBUTTONDOWN);
  Pump();
  Wait(GetDoubleClickTime() + 10);
  EXPECT_EQ(Clicks, 1);
  PostMessage(Tray->Handle(), 0x800, 1, WM_LBUTTONUP);
  Pump();
  EXPECT_EQ(Clicks, 2);
}

TEST_F(TrayIconTest, ADoubleClickReportsNoClickAndClicksTheDefaultItem) {
  Tray->SetPopupMenu(Menu());
  Tray->ShowIcon();
  Area.DoubleClick(Tray->Handle(), 1);
  Pump();
  Wait(GetDoubleClickTime() + 10);
  EXPECT_EQ(DoubleClicks, 1);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(ItemClicks, std::vector<int>{0});
}

TEST_F(TrayIconTest, PopupByLeftButtonOpensOnThePressAndClicksNoDefault) {
  Tray->SetPopupMenu(Menu());
  Tray->PopupByLeftButton = true;
  Tray->ShowIcon();
  PostMessage(Tray->Handle(), 0x800, 1, WM_LBUTTONDOWN);
  Pump();
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(Tray->PopupMenu()->PopupComponent(), Tray);
  PostMessage(Tray->Handle(), 0x800, 1, WM_LBUTTONUP);
  PostMessage(Tray->Handle(), 0x800, 1, WM_LBUTTONDBLCLK);
  Pump();
  EXPECT_EQ(DoubleClicks, 1);
  EXPECT_TRUE(ItemClicks.empty());
}

TEST_F(TrayIconTest, IconIndexAndCycling) {
  auto* list = new TImageList(Owner.get());
  for (int i = 0; i < 4; ++i) {
    TBitmap b;
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(TColor(0x101010 * (i + 1)));
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    list->Add(&b, nullptr);
  }
  Tray->SetIconList(list);
  Tray->SetIconIndex(9);
  EXPECT_EQ(Tray->IconIndex(), 3);
  std::vector<int32_t> next;
  Tray->OnCycle = [&](TObject*, int32_t Next) { next.push_back(Next); };
  Tray->SetAnimateTimerInterval(100);
  Tray->SetCycleIcons(true);
  for (int i = 0; i < 5; ++i) Wait(100);
  EXPECT_EQ(next, (std::vector<int32_t>{1, 2, 3, 0, 1}));
}

// The tray icon of the application's main form.
class TrayIconFormTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    SetNotifyAreaBackend(&Area);
    App->CreateForm(Main);
    Tray = new TbsTrayIcon(Main);
    Main->Show();
    Pump();
  }
  void TearDown() override {
    Pump();
    SetNotifyAreaBackend(nullptr);
    TVclTest::TearDown();
  }
  bool Shown() { return Area.Find(Tray->Handle(), 1) != nullptr; }
  // The application window is message-only: its own style tells.
  bool AppShown() { return (GetWindowLong(App->Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }
  TMemoryNotifyArea Area;
  TForm* Main = nullptr;
  TbsTrayIcon* Tray = nullptr;
};

TEST_F(TrayIconFormTest, ARestartedAreaGetsTheVisibleIconAgain) {
  Tray->ShowIcon();
  Area.Restart();
  EXPECT_FALSE(Shown());
  Pump();
  EXPECT_TRUE(Shown());
  Tray->HideIcon();
  Area.Restart();
  Pump();
  EXPECT_FALSE(Shown());
}

TEST_F(TrayIconFormTest, MinimisingTheApplicationGoesToTheTray) {
  Tray->SetIconVisible(false);
  App->Minimize();
  Pump();
  EXPECT_FALSE(Main->Visible());
  EXPECT_TRUE(Shown());
}

TEST_F(TrayIconFormTest, TheSkinFormMinimisesToTheTrayAndRestores) {
  for (bool always : {false, true}) {
    auto* skin = new TbsSkinForm(Main);
    skin->AlwaysShowInTray = always;
    int toTray = 0, fromTray = 0;
    skin->OnMinimizeToTray = [&](TObject*) { ++toTray; };
    skin->OnRestoreFromTray = [&](TObject*) { ++fromTray; };
    Tray->OnDblClick = nullptr;
    Tray->ShowIcon();
    skin->SetTrayIcon(Tray);
    EXPECT_EQ(Shown(), always);
    EXPECT_FALSE(Tray->MinimizeToTray);
    EXPECT_EQ(Tray->PopupMenu(), skin->TrayMenu());
    skin->MinimizeToTray();
    Pump();
    EXPECT_FALSE(Main->Visible());
    EXPECT_TRUE(Shown());
    EXPECT_EQ(toTray, 1);
    // A double click on the icon restores.
    Area.DoubleClick(Tray->Handle(), 1);
    Pump();
    EXPECT_TRUE(Main->Visible());
    EXPECT_FALSE(IsIconic(Main->Handle()));
    EXPECT_EQ(Shown(), always);
    EXPECT_EQ(fromTray, 1);
    skin->SetTrayIcon(nullptr);
    Tray->SetPopupMenu(nullptr);
    delete skin;
    Pump();
  }
}

TEST_F(TrayIconFormTest, ShownByShowWindowTheOwnerComesToTheFront) {
  struct Case {
    WPARAM Show;
    LPARAM Status;
    bool Front;
  };
  auto Other = std::make_unique<TForm>(nullptr);
  Other->Show();
  for (const Case& c : {Case{1, 0, true}, Case{0, 0, false}, Case{1, SW_PARENTOPENING, false}}) {
    ShowWindow(App->Handle(), SW_HIDE);
    SetForegroundWindow(Other->Handle());
    SendMessage(Main->Handle(), WM_SHOWWINDOW, c.Show, c.Status);
    EXPECT_EQ(AppShown(), c.Front) << c.Show << "/" << c.Status;
    EXPECT_EQ(GetForegroundWindow() == Main->Handle(), c.Front) << c.Show << "/" << c.Status;
  }
}

TEST_F(TrayIconFormTest, ActivationGivesTheFocusBackToTheActiveControl) {
  auto* edit = new TEdit(Main);
  edit->SetParent(Main);
  edit->SetFocus();
  Pump();
  ASSERT_EQ(Screen->ActiveControl(), edit);
  // Under the hook, a procedure that keeps WM_ACTIVATE from the form (whose
  // own activation would focus the edit anyway).
  delete Tray;
  TWndMethod own = Main->WindowProc;
  Main->WindowProc = [&](TMessage& M) {
    if (M.Msg != WM_ACTIVATE) own(M);
  };
  Tray = new TbsTrayIcon(Main);
  struct Case {
    WPARAM State;
    bool FromParent;
    bool Back;
  };
  for (const Case& c : {Case{WA_ACTIVE, false, true}, Case{WA_CLICKACTIVE, false, true}, Case{WA_ACTIVE, true, false},
                        Case{WA_INACTIVE, false, false}}) {
    ::SetFocus(nullptr);
    ASSERT_EQ(Screen->ActiveControl(), edit);
    const HWND losing = c.FromParent ? Main->Handle() : Tray->Handle();
    SendMessage(Main->Handle(), WM_ACTIVATE, c.State, reinterpret_cast<LPARAM>(losing));
    EXPECT_EQ(GetFocus() == edit->Handle(), c.Back) << c.State << "/" << c.FromParent;
  }
  delete Tray;
  Tray = nullptr;
  Main->WindowProc = own;
}

TEST_F(TrayIconFormTest, MinimizedOnStartHidesTheApplicationInTheTray) {
  for (bool onStart : {false, true}) {
    App->SetShowMainForm(true);
    ShowWindow(App->Handle(), SW_RESTORE);
    Tray->SetIconVisible(false);
    Tray->MinimizeToTray = false;
    Tray->MinimizedOnStart = onStart;
    Tray->Loaded();
    EXPECT_EQ(App->ShowMainForm(), !onStart);
    EXPECT_EQ(AppShown(), !onStart);
    EXPECT_EQ(Shown(), onStart);
    EXPECT_EQ(Tray->MinimizeToTray, onStart);
  }
}

TEST_F(TrayIconFormTest, AnMDIMainFormStartingInTheTrayHidesTheApplicationOnce) {
  Main->SetFormStyle(TFormStyle::fsMDIForm);
  Tray = new TbsTrayIcon(Main);
  Tray->MinimizedOnStart = true;
  WINDOWPOS pos{};
  pos.hwnd = App->Handle();
  ShowWindow(App->Handle(), SW_RESTORE);
  SendMessage(App->Handle(), WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  EXPECT_FALSE(AppShown());
  ShowWindow(App->Handle(), SW_RESTORE);
  SendMessage(App->Handle(), WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  EXPECT_TRUE(AppShown());
}

}  // namespace
