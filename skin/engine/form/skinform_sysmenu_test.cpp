#include "platform/gui/headless.h"
#include "skin/engine/form/appmessagehook.h"
#include "skin/engine/form/skinframe_testing.h"

namespace {

using TNames = std::vector<String>;

TNames NamesOf(TMenuItem* Items) {
  TNames names;
  for (int32_t i = 0; i < Items->Count(); ++i)
    names.push_back(Items->Items(i)->IsLine() ? "-" : Items->Items(i)->Name());
  return names;
}

TMenuItem* ItemNamed(TMenuItem* Items, const String& Name) {
  for (int32_t i = 0; i < Items->Count(); ++i)
    if (Items->Items(i)->Name() == Name) return Items->Items(i);
  return nullptr;
}

class SysMenuTest : public SkinFrameObjectsTest {
 public:
  void Start() {
    SkinFrameObjectsTest::Start();
    Form->OnClose = [this](TObject*, TCloseAction& Action) {
      ++Closes;
      Action = TCloseAction::caHide;
    };
  }
  // The first level of the open menu as the user sees it, with the form.
  void SaveShot(const char* Name) {
    TbsSkinPopupWindow* w = SF->SkinMenu()->Windows(0);
    TRect menu{};
    GetWindowRect(w->Handle(), &menu);
    const TRect form = Form->BoundsRect();
    const TRect area{std::max(0, form.Left - 10), std::max(0, form.Top - 10),
                     std::max(form.Left + 260, menu.Right + 10), std::max(form.Top + 120, menu.Bottom + 10)};
    auto desktop = DesktopPixels();
    TBitmap shot;
    shot.SetSize(area.Width(), area.Height());
    shot.Canvas()->CopyRect(TRect{0, 0, area.Width(), area.Height()}, desktop->Canvas(), area);
    Save(&shot, Name);
  }
};

// What the component's own menu holds in each state (default border icons:
// system menu, minimise, maximise, roll-up).
TEST_F(SysMenuTest, TheOwnMenuFollowsTheState) {
  Start();
  struct Case {
    const char* Name;
    std::function<void()> Set;
    TNames Items;
  };
  const std::vector<Case> cases = {
      {"normal", [] {}, {"BSF_MINITEM", "BSF_MAXITEM", "BSF_ROLLUP", "-", "BSF_CLOSE"}},
      {"maximised", [&] { SF->SetWindowState(2); }, {"BSF_MINITEM", "BSF_RESTORE", "BSF_ROLLUP", "-", "BSF_CLOSE"}},
      {"maximised and rolled up", [&] { SF->SetRollUpState(true); }, {"BSF_MINITEM", "BSF_RESTORE", "-", "BSF_CLOSE"}},
      {"rolled up",
       [&] {
         SF->SetWindowState(0);
         SF->SetRollUpState(true);
       },
       {"BSF_MINITEM", "BSF_MAXITEM", "BSF_RESTORE", "-", "BSF_CLOSE"}},
      {"minimised", [&] { SF->SetWindowState(1); }, {"BSF_MAXITEM", "BSF_RESTORE", "-", "BSF_CLOSE"}},
      {"to the tray, no roll-up",
       [&] {
         SF->SetWindowState(0);
         SF->SetRollUpState(false);
         SF->SetBorderIcons({TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMaximize, TbsBorderIcon::biMinimizeToTray});
       },
       {"BSF_MAXITEM", "BSF_MINTOTRAY", "-", "BSF_CLOSE"}},
      {"nothing but close", [&] { SF->SetBorderIcons({}); }, {"BSF_CLOSE"}},
  };
  for (const Case& c : cases) {
    c.Set();
    EXPECT_EQ(NamesOf(SF->GetSysMenuItems()), c.Items) << c.Name;
  }
}

TEST_F(SysMenuTest, CaptionsShortCutsAndCommands) {
  Start();
  TMenuItem* items = SF->GetSysMenuItems();
  EXPECT_EQ(ItemNamed(items, "BSF_MINITEM")->Caption(), "Mi&nimize");
  EXPECT_EQ(ItemNamed(items, "BSF_ROLLUP")->Caption(), "Ro&llUp");
  EXPECT_EQ(ShortCutToText(ItemNamed(items, "BSF_CLOSE")->ShortCut()), "Alt+F4");
  ItemNamed(items, "BSF_MAXITEM")->Click();
  EXPECT_EQ(SF->WindowState(), 2);
  // The menu is rebuilt at every display: the old items are gone.
  ItemNamed(SF->GetSysMenuItems(), "BSF_RESTORE")->Click();
  EXPECT_EQ(SF->WindowState(), 0);
  const int32_t height = Form->Height();
  ItemNamed(SF->GetSysMenuItems(), "BSF_ROLLUP")->Click();
  EXPECT_TRUE(SF->RolledUp());
  // A rolled-up form's Restore rolls it down.
  ItemNamed(SF->GetSysMenuItems(), "BSF_RESTORE")->Click();
  EXPECT_FALSE(SF->RolledUp());
  EXPECT_EQ(Form->Height(), height);
  ItemNamed(SF->GetSysMenuItems(), "BSF_CLOSE")->Click();
  EXPECT_EQ(Closes, 1);
  // The skin's texts, when it has them, at the next display.
  TbsResourceStrData texts(nullptr);
  texts.ResStrings()->Clear();
  texts.ResStrings()->Add("MI_MINCAPTION=Mi&nimieren");
  Skin->SetResourceStrData(&texts);
  items = SF->GetSysMenuItems();
  EXPECT_EQ(ItemNamed(items, "BSF_MINITEM")->Caption(), "Mi&nimieren");
  EXPECT_EQ(ItemNamed(items, "BSF_MAXITEM")->Caption(), "");
  Skin->SetResourceStrData(nullptr);
}

// A user's menu gets the standard items around its own, once however often
// it is shown, and they follow the state.
TEST_F(SysMenuTest, AUserMenuGetsTheStandardItemsOnce) {
  Start();
  auto* user = new TPopupMenu(Form.get());
  for (const char* name : {"UserHelp", "UserAbout"}) {
    auto* item = new TMenuItem(Form.get());
    item->SetName(name);
    item->SetCaption(name);
    user->Items()->Add(item);
  }
  SF->SetSystemMenu(user);
  const TNames normal{"BSF_MINITEM", "BSF_MAXITEM", "BSF_ROLLUP", "UserHelp", "UserAbout", "BSF_CLOSE"};
  for (int display = 0; display < 3; ++display) {
    SF->PopupSysMenuAt(100, 100);
    EXPECT_EQ(NamesOf(user->Items()), normal) << display;
    EXPECT_TRUE(SF->SkinMenu()->IsOpen);
    SF->SkinMenu()->CloseMenu();
  }
  SF->SetWindowState(2);
  EXPECT_EQ(NamesOf(SF->GetSysMenuItems()),
            (TNames{"BSF_MINITEM", "BSF_RESTORE", "BSF_ROLLUP", "UserHelp", "UserAbout", "BSF_CLOSE"}));
  EXPECT_EQ(NamesOf(SF->DefSysMenu()->Items()), TNames{});
  // Without UseDefaultSysMenu the user's menu is left as it is.
  SF->UseDefaultSysMenu = false;
  SF->SetWindowState(0);
  EXPECT_EQ(NamesOf(SF->GetSysMenuItems()),
            (TNames{"BSF_MINITEM", "BSF_RESTORE", "BSF_ROLLUP", "UserHelp", "UserAbout", "BSF_CLOSE"}));
}

TEST_F(SysMenuTest, TheTrayMenuIsBuiltOnceWithTheBuiltInCaptions) {
  Start();
  TMenuItem* tray = SF->TrayMenu()->Items();
  EXPECT_EQ(NamesOf(tray), (TNames{"TRAY_BSF_RESTORE", "-", "TRAY_BSF_CLOSE"}));
  EXPECT_EQ(tray->Items(0)->Caption(), "&Restore");
  EXPECT_EQ(tray->Items(2)->Caption(), "&Close");
  EXPECT_EQ(ShortCutToText(tray->Items(2)->ShortCut()), "Alt+F4");
  SF->GetSysMenuItems();
  EXPECT_EQ(tray->Count(), 3);
  tray->Items(2)->Click();
  EXPECT_EQ(Closes, 1);
}

// An MDI child closes with Ctrl+F4, and its system menu opens through the
// main form's menu controller (none without a component there).
TEST_F(SysMenuTest, AnMDIChildsCloseItemAndController) {
  LoadSkin9();
  TForm* main = nullptr;
  App->CreateForm(main);
  main->Show();
  Form->SetFormStyle(TFormStyle::fsMDIChild);
  Form->Show();
  Pump();
  EXPECT_EQ(ShortCutToText(ItemNamed(SF->GetSysMenuItems(), "BSF_CLOSE")->ShortCut()), "Ctrl+F4");
  SF->PopupSysMenuAt(50, 50);
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  auto* mainSkin = new TbsSkinForm(main);
  for (const bool byEscape : {false, true}) {
    SF->PopupSysMenuAt(50, 50);
    EXPECT_TRUE(mainSkin->SkinMenu()->IsOpen);
    EXPECT_FALSE(SF->SkinMenu()->IsOpen);
    EXPECT_TRUE(SF->SkinMenuOpen());
    if (byEscape)
      H().PressKey(VK_ESCAPE);
    else
      mainSkin->SkinMenu()->CloseMenu();
    Pump();
    // However it ended, the child's menu state and key hook end with it.
    EXPECT_FALSE(mainSkin->SkinMenu()->IsOpen) << byEscape;
    EXPECT_FALSE(SF->SkinMenuOpen()) << byEscape;
    EXPECT_EQ(AppMessageHookCount(), 0) << byEscape;
  }
}

// Alt+Space from the keyboard opens the menu below the system-menu button;
// Alt+F4 closes the form.
TEST_F(SysMenuTest, AltSpaceOpensBelowTheSystemMenuButton) {
  Start();
  TbsActiveSkinObject* sys = Named("sysmenubutton");
  ASSERT_NE(sys, nullptr);
  int opened = 0;
  SF->OnSkinMenuOpen = [&](TObject*) { ++opened; };
  H().PressKey(VK_SPACE, hkAlt);
  Pump();
  ASSERT_TRUE(SF->SkinMenu()->IsOpen);
  EXPECT_EQ(opened, 1);
  TRect menu{};
  GetWindowRect(SF->SkinMenu()->Windows(0)->Handle(), &menu);
  EXPECT_EQ(menu.Left, Form->Left() + sys->FBounds.Left);
  EXPECT_EQ(menu.Top, Form->Top() + sys->FBounds.Bottom);
  EXPECT_EQ(SF->SkinMenu()->Windows(0)->ItemCount(), SF->DefSysMenu()->Items()->Count());
  // Escape closes it; the keys are the form's again.
  H().PressKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  EXPECT_FALSE(SF->SkinMenuOpen());
  EXPECT_EQ(AppMessageHookCount(), 0);
  H().PressKey(VK_F4, hkAlt);
  Pump();
  EXPECT_EQ(Closes, 1);
}

TEST_F(SysMenuTest, AltSpaceWithoutASystemMenuObjectOpensNothing) {
  LoadSyntheticSkin(false);
  ShowActive();
  ASSERT_EQ(SF->ObjectCount(), 0);
  int opened = 0;
  SF->OnSkinMenuOpen = [&](TObject*) { ++opened; };
  H().PressKey(VK_SPACE, hkAlt);
  Pump();
  EXPECT_FALSE(SF->SkinMenu()->IsOpen);
  EXPECT_EQ(opened, 0);
}

TEST_F(SysMenuTest, ARightClickOnTheCaptionOpensAtTheCursor) {
  Start();
  TbsActiveSkinObject* caption = nullptr;
  for (int32_t i = 0; i < SF->ObjectCount(); ++i)
    if (dynamic_cast<TbsSkinCaptionObject*>(SF->Objects(i)) != nullptr) caption = SF->Objects(i);
  ASSERT_NE(caption, nullptr);
  const TPoint p{Form->Left() + caption->FBounds.Left + 40, Form->Top() + caption->FBounds.Top + 5};
  H().MouseMove(p.X, p.Y);
  Pump();
  SendMessage(Form->Handle(), WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(p.X, p.Y));
  ASSERT_TRUE(SF->SkinMenu()->IsOpen);
  TRect menu{};
  GetWindowRect(SF->SkinMenu()->Windows(0)->Handle(), &menu);
  EXPECT_EQ(TPoint(menu.Left, menu.Top), p);
  SF->SkinMenu()->CloseMenu();
}

// Pictures to look at: the menus of a normal, a maximised and a rolled-up
// skin-9 form.
TEST_F(SysMenuTest, SystemMenuPictures) {
  Start();
  const struct {
    const char* File;
    std::function<void()> Set;
    int32_t Items;
  } shots[] = {{"sysmenu_normal.png", [] {}, 5},
               {"sysmenu_maximised.png", [&] { SF->SetWindowState(2); }, 5},
               {"sysmenu_rolledup.png",
                [&] {
                  SF->SetWindowState(0);
                  SF->SetRollUpState(true);
                },
                5}};
  for (const auto& s : shots) {
    s.Set();
    Frame();
    SF->ShowSysMenuFromButton();
    Pump();
    ASSERT_TRUE(SF->SkinMenu()->IsOpen) << s.File;
    EXPECT_EQ(SF->SkinMenu()->Windows(0)->ItemCount(), s.Items) << s.File;
    SaveShot(s.File);
    SF->SkinMenu()->CloseMenu();
    Pump();
  }
}

}  // namespace
