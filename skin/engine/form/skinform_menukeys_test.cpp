#include "platform/gui/headless.h"
#include "skin/engine/form/appmessagehook.h"
#include "skin/engine/form/skinframe_testing.h"
#include "skin/engine/menus/skinmainmenubar.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

using TLog = std::vector<String>;

class MenuHookTest : public SkinFrameTest {
 public:
  void SetUp() override {
    SkinFrameTest::SetUp();
    App->OnMessage = [this](TMSG& Msg, bool&) {
      if (Msg.message == WM_KEYDOWN) Log.push_back("original key");
    };
  }
  void TearDown() override {
    App->OnMessage = nullptr;
    SkinFrameTest::TearDown();
  }
  // A message through whatever handler the application has now.
  bool Deliver(uint32_t Msg) {
    TMSG m;
    m.message = Msg;
    m.wParam = 'A';
    bool handled = false;
    if (App->OnMessage) App->OnMessage(m, handled);
    return handled;
  }
  TLog Log;
};

// Hooks that end out of order leave exactly the others in place, and the
// application's own handler once all have gone.
TEST_F(MenuHookTest, TwoHooksRemovedInEitherOrder) {
  for (const bool firstGoesFirst : {true, false}) {
    Log.clear();
    const int32_t a = PushAppMessageHook([this](TMSG&, bool& Handled) { Log.push_back("a"), Handled = true; });
    const int32_t b = PushAppMessageHook([this](TMSG&, bool& Handled) { Log.push_back("b"), Handled = true; });
    EXPECT_TRUE(Deliver(WM_KEYDOWN));
    RemoveAppMessageHook(firstGoesFirst ? a : b);
    EXPECT_TRUE(Deliver(WM_KEYDOWN));
    RemoveAppMessageHook(firstGoesFirst ? b : a);
    EXPECT_FALSE(Deliver(WM_KEYDOWN));
    EXPECT_EQ(Log, (TLog{"b", firstGoesFirst ? "b" : "a", "original key"}));
    EXPECT_EQ(AppMessageHookCount(), 0);
    RemoveAppMessageHook(a);  // a second removal changes nothing
    EXPECT_EQ(AppMessageHookCount(), 0);
  }
}

// A handler swapped in by hand over the stack and put back later finds
// the stack as it is by then.
TEST_F(MenuHookTest, AHandSwappedHandlerOnTopComesBackToTheStack) {
  const int32_t a = PushAppMessageHook([this](TMSG&, bool&) { Log.push_back("a"); });
  TMessageEvent saved = App->OnMessage;
  App->OnMessage = [this](TMSG&, bool&) { Log.push_back("by hand"); };
  RemoveAppMessageHook(a);
  Deliver(WM_KEYDOWN);
  App->OnMessage = saved;
  Deliver(WM_KEYDOWN);
  EXPECT_EQ(Log, (TLog{"by hand", "original key"}));
}

// Two forms' menus that close in the order they opened: keys reach the
// application again afterwards, and none is swallowed by a dead hook.
TEST_F(MenuHookTest, MenusOfTwoFormsClosingInOpeningOrder) {
  ShowActive();
  TForm second(nullptr);
  second.SetBounds(500, 300, 200, 150);
  auto* secondSkin = new TbsSkinForm(&second);
  second.Show();
  Pump();
  auto menuOf = [](TCustomForm* F) {
    auto* m = new TbsSkinPopupMenu(F);
    auto* item = new TMenuItem(m);
    item->SetCaption("Item");
    m->Items()->Add(item);
    return m;
  };
  menuOf(Form.get())->Popup(50, 50);
  menuOf(&second)->Popup(550, 350);
  // Opening twice keeps one entry per form.
  SF->SkinMenuOpened();
  EXPECT_EQ(AppMessageHookCount(), 2);
  EXPECT_TRUE(Deliver(WM_KEYDOWN));
  EXPECT_TRUE(Deliver(WM_MOUSEWHEEL));
  EXPECT_FALSE(Deliver(WM_MOUSEMOVE));
  SF->SkinMenu()->CloseMenu();
  EXPECT_TRUE(Deliver(WM_KEYDOWN));
  secondSkin->SkinMenu()->CloseMenu();
  EXPECT_EQ(AppMessageHookCount(), 0);
  EXPECT_TRUE(Log.empty());
  H().PressKey('A');
  Pump();
  EXPECT_EQ(Log, TLog{"original key"});
}

// A form that goes with its menu open takes its hook with it.
TEST_F(MenuHookTest, AFormThatGoesTakesItsHook) {
  ShowActive();
  SF->SkinMenuOpened();
  EXPECT_EQ(AppMessageHookCount(), 1);
  Form.reset();
  EXPECT_EQ(AppMessageHookCount(), 0);
  EXPECT_FALSE(Deliver(WM_KEYDOWN));
  EXPECT_EQ(Log, TLog{"original key"});
}

// A skin-9 form with a menu bar of three items, each with two children,
// driven from injected keys only.
class MenuKeysTest : public SkinFrameTest {
 public:
  void SetUp() override {
    SkinFrameTest::SetUp();
    Menu = new TbsSkinMainMenu(Form.get());
    for (const char* caption : {"&File", "&Edit", "&Settings"}) {
      const String name = String(caption).substr(1);
      TMenuItem* top = Add(Menu->Items(), name, caption);
      Add(top, name + "Open", "&Open");
      Add(top, name + "Close", "&Close");
    }
    Bar = new TbsSkinMainMenuBar(Form.get());
    Bar->SetParent(Form.get());
    Bar->SetSkinForm(SF);
    Bar->SetMainMenu(Menu);
    SF->SetMainMenuBar(Bar);
    SF->OnMainMenuEnter = [this](TObject*) { Log.push_back("enter"); };
    SF->OnMainMenuExit = [this](TObject*) { Log.push_back("exit"); };
    SF->OnSkinMenuClose = [this](TObject*) { Log.push_back("menu closed"); };
    Form->OnClose = [this](TObject*, TCloseAction& Action) {
      Log.push_back("form closed");
      Action = TCloseAction::caHide;
    };
    LoadSkin9();
    Bar->SetSkinData(Skin.get());
    ShowActive();
  }
  TMenuItem* Add(TMenuItem* Parent, const String& Name, const String& Caption) {
    auto* item = new TMenuItem(Form.get());
    item->SetName(Name);
    item->SetCaption(Caption);
    item->OnClick = [this, Name](TObject*) { Log.push_back("click " + Name); };
    Parent->Add(item);
    return item;
  }
  void Key(uint32_t Vk, uint32_t Modifiers = 0) {
    H().PressKey(Vk, Modifiers);
    Pump();
  }
  void AltAlone() {
    H().KeyDown(VK_MENU);
    H().KeyUp(VK_MENU);
    Pump();
  }
  // The index of the highlighted or pressed item, -1 for none.
  int32_t Hot() {
    for (int32_t i = 0; i < Bar->ItemCount(); ++i)
      if (Bar->Items(i) == Bar->HotItem()) return i;
    return -1;
  }
  bool DropDownOf(int32_t Index) {
    TbsSkinMenu* m = SF->SkinMenu();
    return m->IsOpen && m->WindowCount() == 1 && m->Windows(0)->ItemCount() > 0 &&
           m->Windows(0)->Items(0)->SourceItem->Parent() == Menu->Items()->Items(Index);
  }
  TbsSkinMainMenu* Menu = nullptr;
  TbsSkinMainMenuBar* Bar = nullptr;
  TLog Log;
};

TEST_F(MenuKeysTest, AltAloneArrowsAndEnterRunOneCommand) {
  AltAlone();
  EXPECT_TRUE(SF->MainMenuMode());
  EXPECT_EQ(Hot(), 0);
  EXPECT_EQ(Log, TLog{"enter"});
  // Right and Left move the highlight round the bar.
  const std::vector<std::pair<uint32_t, int32_t>> moves = {{VK_RIGHT, 1}, {VK_RIGHT, 2}, {VK_RIGHT, 0},
                                                           {VK_LEFT, 2},  {VK_LEFT, 1},  {VK_LEFT, 0}};
  for (const auto& [key, hot] : moves) {
    Key(key);
    EXPECT_EQ(Hot(), hot) << key;
  }
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  Key(VK_DOWN);
  ASSERT_TRUE(DropDownOf(0));
  // With a drop-down open the arrows take it along.
  Key(VK_RIGHT);
  EXPECT_TRUE(DropDownOf(1));
  Key(VK_LEFT);
  ASSERT_TRUE(DropDownOf(0));
  EXPECT_TRUE(SF->MainMenuMode());
  Key(VK_DOWN);
  TbsSkinPopupWindow* w = SF->SkinMenu()->Windows(0);
  ASSERT_GE(w->HotIndex, 0);
  const String chosen = w->Items(w->HotIndex)->SourceItem->Name();
  Log.clear();
  Key(VK_RETURN);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "click " + chosen), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "exit"), 1);
  EXPECT_FALSE(SF->MainMenuMode());
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  EXPECT_EQ(Hot(), -1);
  EXPECT_EQ(AppMessageHookCount(), 0);
  // F10 enters too, and Alt alone leaves.
  Key(VK_F10);
  EXPECT_TRUE(SF->MainMenuMode());
  AltAlone();
  EXPECT_FALSE(SF->MainMenuMode());
}

// Alt with an accelerator opens that item; Escape goes back to the bar, a
// second Escape leaves menu mode; Alt+F4 is the close, never an accelerator.
TEST_F(MenuKeysTest, AcceleratorsEscapeAndAltF4) {
  Key('E', hkAlt);
  ASSERT_TRUE(DropDownOf(1));
  EXPECT_EQ(Hot(), 1);
  Log.clear();
  Key(VK_ESCAPE);
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  EXPECT_TRUE(SF->MainMenuMode());
  EXPECT_EQ(Hot(), 1);
  EXPECT_FALSE(Bar->Items(1)->IsDown);
  EXPECT_EQ(Log, TLog{"menu closed"});
  // In menu mode a plain letter is an accelerator.
  Key('F');
  EXPECT_TRUE(DropDownOf(0));
  Key(VK_ESCAPE);
  Log.clear();
  Key(VK_ESCAPE);
  EXPECT_FALSE(SF->MainMenuMode());
  EXPECT_EQ(Log, TLog{"exit"});
  EXPECT_EQ(Hot(), -1);
  EXPECT_EQ(AppMessageHookCount(), 0);
  Log.clear();
  Key(VK_F4, hkAlt);
  EXPECT_EQ(Log, TLog{"form closed"});
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
}

// The form's own handler first, then the menu's short-cuts, each press
// once.
TEST_F(MenuKeysTest, ShortCutsGoToTheFormFirstThenToTheMenu) {
  Menu->Items()->Items(0)->Items(0)->SetShortCut(TextToShortCut("Ctrl+O"));
  bool take = true;
  SF->OnShortCut = [&](TWMKey& Msg, bool& Handled) {
    if (Msg.CharCode == 'O') Log.push_back("form short-cut");
    Handled = take;
  };
  Key('O', hkCtrl);
  take = false;
  Key('O', hkCtrl);
  Key('O', hkCtrl);
  EXPECT_EQ(Log, (TLog{"form short-cut", "form short-cut", "click FileOpen", "form short-cut", "click FileOpen"}));
  EXPECT_TRUE(SF->LastKeyWasShortCut());
  EXPECT_FALSE(SF->MainMenuMode());
}

}  // namespace
