#include "platform/gui/headless.h"
#include "skin/engine/form/appmessagehook.h"
#include "skin/engine/form/skinframe_testing.h"
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

}  // namespace
