#include "platform/gui/win_menus.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/gui/win_menus_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/win_testing.h"

namespace {

TEST(WinMenuAccelerators, OfCaptions) {
  struct Case {
    const char* Caption;
    char32_t Hotkey;
    const char* Stripped;
  };
  const Case cases[] = {
      {"&File", 'F', "File"},
      {"Save &as", 'A', "Save as"},
      {"Fish && Chips", 0, "Fish & Chips"},
      {"A &&&B", 'B', "A &B"},
      {"Trailing&", 0, "Trailing"},
      {"", 0, ""},
      {"&\xC3\xBC"
       "ber",
       U'\u00DC',
       "\xC3\xBC"
       "ber"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Caption);
    EXPECT_EQ(GetHotkey(c.Caption), c.Hotkey);
    EXPECT_EQ(StripHotkey(c.Caption), c.Stripped);
  }
  EXPECT_TRUE(IsAccel('F', "&File"));
  EXPECT_TRUE(IsAccel('f', "&File"));
  EXPECT_FALSE(IsAccel('I', "&File"));
  EXPECT_FALSE(IsAccel('F', "File"));
}

// ================================================================================
// Menu handles and tracking
// ================================================================================

class WinMenus : public ::testing::Test, public TWinTestBase, public TMenuScript {
 protected:
  // Keys go to the focus window: an application window has it.
  WinMenus() : TMenuScript(H()) { SetFocus(Make("app", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20)); }

  // Runs TrackPopupMenu with the steps as idle actions (one per idle point).
  int32_t Track(HMENU menu, uint32_t flags, std::vector<std::function<void()>> steps, HWND owner = nullptr,
                TPoint at = {100, 100}) {
    for (auto& step : steps) H().QueueIdleAction(std::move(step));
    const int32_t r = TrackPopupMenu(menu, flags, at.X, at.Y, 0, owner, nullptr);
    EXPECT_EQ(H().PendingIdleActions(), 0u) << "the menu closed before the script ended";
    return r;
  }
  std::function<void()> Hover(HMENU menu, uint32_t pos) {
    return [this, menu, pos] {
      const TPoint p = Centre(menu, pos);
      H().MouseMove(p.X, p.Y);
    };
  }
  std::function<void()> Advance(uint32_t ms) {
    return [this, ms] { Session.Clock().Advance(ms); };
  }

  // Open 1, Save 2, a line, Sub (Inner 10, Other 11), Disabled 3, Exit 4.
  HMENU MakeNative() {
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 10, "&Inner");
    AppendMenu(sub, MF_STRING, 11, "O&ther");
    HMENU m = CreatePopupMenu();
    AppendMenu(m, MF_STRING, 1, "&Open");
    AppendMenu(m, MF_STRING, 2, "&Save\tCtrl+S");
    AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    AppendMenu(m, MF_POPUP, reinterpret_cast<uintptr_t>(sub), "S&ub");
    AppendMenu(m, MF_STRING | MF_GRAYED, 3, "&Disabled");
    AppendMenu(m, MF_STRING, 4, "E&xit");
    return m;
  }
};

TEST_F(WinMenus, TheMenuTableAnswersLikeThePlatform) {
  HMENU m = MakeNative();
  ASSERT_TRUE(IsMenu(m));
  EXPECT_EQ(GetMenuItemCount(m), 6);
  EXPECT_EQ(GetMenuItemID(m, 1), 2u);
  EXPECT_EQ(GetMenuItemID(m, 3), 0xFFFFFFFFu) << "a submenu item";
  HMENU sub = GetSubMenu(m, 3);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(GetMenuState(m, 3, MF_BYPOSITION), MF_POPUP | (2u << 8));
  EXPECT_EQ(GetMenuState(m, 3, MF_BYCOMMAND), MF_GRAYED | MF_DISABLED);
  EXPECT_EQ(GetMenuState(m, 11, MF_BYCOMMAND), 0u) << "commands are found in submenus";
  EXPECT_EQ(GetMenuState(m, 99, MF_BYCOMMAND), 0xFFFFFFFFu);
  char text[8];
  EXPECT_EQ(GetMenuString(m, 2, text, sizeof text, MF_BYCOMMAND), 7);
  EXPECT_STREQ(text, "&Save\tC");

  EXPECT_EQ(CheckMenuItem(m, 1, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(CheckMenuItem(m, 1, MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(m, 3, MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(GetMenuDefaultItem(m, false, 0), 0xFFFFFFFFu);
  EXPECT_TRUE(SetMenuDefaultItem(m, 4, false));
  EXPECT_EQ(GetMenuDefaultItem(m, false, 0), 4u);
  EXPECT_EQ(GetMenuDefaultItem(m, true, 0), 5u);

  MENUITEMINFO info;
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_DATA | MIIM_STATE;
  info.wID = 7;
  info.dwTypeData = "New";
  info.dwItemData = 0x1234;
  info.fState = MFS_CHECKED;
  EXPECT_TRUE(InsertMenuItem(m, 0, true, info));
  MENUITEMINFO back;
  back.fMask = MIIM_ID | MIIM_STRING | MIIM_DATA | MIIM_STATE;
  EXPECT_TRUE(GetMenuItemInfo(m, 7, false, &back));
  EXPECT_EQ(back.dwTypeData, "New");
  EXPECT_EQ(back.dwItemData, 0x1234u);
  EXPECT_EQ(back.fState, MFS_CHECKED);

  EXPECT_TRUE(RemoveMenu(m, 4, MF_BYPOSITION));  // the submenu item: sub stays
  EXPECT_TRUE(IsMenu(sub));
  EXPECT_TRUE(AppendMenu(m, MF_POPUP, reinterpret_cast<uintptr_t>(sub), "Again"));
  EXPECT_TRUE(DeleteMenu(m, GetMenuItemCount(m) - 1, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub)) << "DeleteMenu destroys the submenu";
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(IsMenu(m));
  EXPECT_EQ(GetMenuItemCount(m), -1);
  EXPECT_FALSE(DestroyMenu(m));
}

TEST_F(WinMenus, TrackPopupMenuReturnsTheCommandChosen) {
  HMENU m = MakeNative();
  HMENU sub = GetSubMenu(m, 3);
  struct Case {
    const char* Name;
    std::vector<std::function<void()>> Steps;
    uint32_t Flags;
    int32_t Expected;
  };
  const std::vector<Case> cases = {
      {"down, down, enter", {Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)}, 0, 2},
      {"up wraps to the last item", {Key(VK_UP), Key(VK_RETURN)}, 0, 4},
      {"down skips the line", {Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN), Key(VK_RETURN)}, 0, 10},
      {"right opens the submenu on its first item",
       {Key(VK_END), Key(VK_UP), Key(VK_UP), Key(VK_RIGHT), Key(VK_DOWN), Key(VK_RETURN)},
       0,
       11},
      {"left closes the submenu",
       {Key(VK_HOME), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RIGHT), Key(VK_LEFT), Key(VK_UP), Key(VK_RETURN)},
       0,
       2},
      {"an accelerator chooses", {Type("x")}, 0, 4},
      {"an accelerator opens a submenu", {Type("u"), Type("t")}, 0, 11},
      {"the accelerator of a disabled item does nothing", {Type("d"), Key(VK_ESCAPE)}, 0, 0},
      {"escape cancels", {Key(VK_ESCAPE)}, 0, 0},
      {"escape in a submenu closes only that", {Type("u"), Key(VK_ESCAPE), Type("o")}, 0, 1},
      {"a click chooses", {ClickItem(m, 1)}, 0, 2},
      {"a click on a disabled item keeps the menu", {ClickItem(m, 4), Key(VK_ESCAPE)}, 0, 0},
      {"a click on the line keeps the menu", {ClickItem(m, 2), Key(VK_ESCAPE)}, 0, 0},
      {"a press outside cancels", {[this] { H().Click(5, 5); }}, 0, 0},
      {"hovering opens the submenu after the delay",
       {Hover(m, 3), Advance(399), [] { EXPECT_EQ(GetMenuPopupWindows().size(), 1u); }, Advance(1),
        [] { EXPECT_EQ(GetMenuPopupWindows().size(), 2u); }, ClickItem(sub, 0)},
       0,
       10},
      {"leaving the item before the delay cancels it",
       {Hover(m, 3), Advance(200), Hover(m, 0), Advance(400), [] { EXPECT_EQ(GetMenuPopupWindows().size(), 1u); },
        Key(VK_ESCAPE)},
       0,
       0},
      {"a click on a submenu item opens it at once", {ClickItem(m, 3), ClickItem(sub, 1)}, 0, 11},
      {"the right button does not choose by default", {ClickItem(m, 0, TRawButton::Right), Key(VK_ESCAPE)}, 0, 0},
      {"the right button chooses with TPM_RIGHTBUTTON", {ClickItem(m, 0, TRawButton::Right)}, TPM_RIGHTBUTTON, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Track(m, c.Flags | TPM_RETURNCMD, c.Steps), c.Expected);
    EXPECT_EQ(GetTrackedMenu(), nullptr);
    EXPECT_TRUE(GetMenuPopupWindows().empty());
    EXPECT_EQ(GetCapture(), nullptr);
  }
  DestroyMenu(m);
}

TEST_F(WinMenus, TheOwnerHearsTheMenuLoopAndGetsThePostedCommand) {
  HWND owner = Make("owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
  HMENU m = MakeNative();
  HMENU sub = GetSubMenu(m, 3);
  Rec().Clear();
  // Sub opens with its first item selected; Enter chooses Inner.
  EXPECT_EQ(Track(m, 0, {Type("u"), Key(VK_RETURN)}, owner), 1);
  const std::map<uint32_t, const char*> names = {{WM_ENTERMENULOOP, "enter"}, {WM_INITMENUPOPUP, "init"},
                                                 {WM_MENUSELECT, "select"},   {WM_UNINITMENUPOPUP, "uninit"},
                                                 {WM_EXITMENULOOP, "exit"},   {WM_COMMAND, "command"}};
  auto menuTrace = [&] {
    std::vector<String> out;
    for (const TLoggedMsg& m : Rec().Log) {
      auto it = names.find(m.Msg);
      if (it != names.end()) out.push_back(it->second);
    }
    return out;
  };
  const std::vector<String> trace = menuTrace();
  // Sub opens (its item selected), its first item is selected, Enter.
  ASSERT_EQ(trace,
            (std::vector<String>{"enter", "init", "select", "init", "select", "uninit", "uninit", "select", "exit"}));
  const auto inits = Rec().Of(WM_INITMENUPOPUP);
  EXPECT_EQ(reinterpret_cast<HMENU>(inits[0].WParam), m);
  EXPECT_EQ(reinterpret_cast<HMENU>(inits[1].WParam), sub);
  EXPECT_EQ(LOWORD(inits[1].LParam), 3) << "the position of the submenu's item";
  const auto selects = Rec().Of(WM_MENUSELECT);
  EXPECT_EQ(LOWORD(selects[0].WParam), 3);
  EXPECT_EQ(HIWORD(selects[0].WParam) & MF_POPUP, MF_POPUP);
  EXPECT_EQ(LOWORD(selects[1].WParam), 10);
  EXPECT_EQ(HIWORD(selects[2].WParam), 0xFFFF);

  Rec().Clear();
  H().PumpMessages();
  ASSERT_EQ(Rec().Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(Rec().Of(WM_COMMAND)[0].WParam, WPARAM(10));

  Rec().Clear();
  EXPECT_EQ(Track(m, TPM_NONOTIFY, {Key(VK_DOWN), Key(VK_RETURN)}, owner), 1);
  H().PumpMessages();
  EXPECT_TRUE(menuTrace().empty()) << "TPM_NONOTIFY: not a word to the owner";
  DestroyMenu(m);
}

TEST_F(WinMenus, OnlyOneMenuIsTrackedAtATime) {
  HMENU m = MakeNative();
  int32_t inner = -1;
  H().QueueIdleAction([&] {
    inner = TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr);
    H().PressKey(VK_ESCAPE);
  });
  EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr), 0);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(TrackPopupMenu(reinterpret_cast<HMENU>(uintptr_t(12345)), TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr), 0);
  EXPECT_FALSE(EndMenu());
  DestroyMenu(m);
}

// An owner-drawn item is measured and drawn by the owner; what the owner
// leaves unanswered goes to the hooks of the layer that made the item.
TEST_F(WinMenus, OwnerDrawnItemsAskTheOwnerThenTheHooks) {
  HWND owner = Make("owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
  HMENU m = CreatePopupMenu();
  for (uint32_t i = 0; i < 2; ++i) {
    MENUITEMINFO info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.wID = i + 1;
    info.dwItemData = 0x11 * (i + 1);
    ASSERT_TRUE(InsertMenuItem(m, i, true, info));
  }
  auto fill = [](const DRAWITEMSTRUCT& dis, TColor color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dis.hDC, dis.rcItem, brush);
    DeleteObject(brush);
  };
  std::vector<uint32_t> ownerStates;
  Handle(owner, [&](HWND, uint32_t msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (mis->CtlType != ODT_MENU || mis->itemData != 0x11) return false;
      mis->itemWidth = 120;
      mis->itemHeight = 40;
      result = 1;
      return true;
    }
    if (msg == WM_DRAWITEM) {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (dis->CtlType != ODT_MENU || dis->itemData != 0x11) return false;
      ownerStates.push_back(dis->itemState);
      fill(*dis, (dis->itemState & ODS_SELECTED) ? clLime : clRed);
      result = 1;
      return true;
    }
    return false;
  });
  TMenuTrackHooks hooks;
  hooks.MeasureItem = [](MEASUREITEMSTRUCT& mis) {
    if (mis.itemData != 0x22) return false;
    mis.itemHeight = 30;
    return true;
  };
  hooks.DrawItem = [&](const DRAWITEMSTRUCT& dis) {
    if (dis.itemData != 0x22) return false;
    fill(dis, clBlue);
    return true;
  };
  SetMenuTrackHooks(hooks);

  std::map<String, TColor> seen;
  std::map<String, int32_t> heights;
  auto probe = [&](const char* name, uint32_t item) {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(nullptr, m, item, &r));
    seen[name] = DesktopPixels()->Canvas()->Pixels(r.Left + 5, (r.Top + r.Bottom) / 2);
    heights[name] = r.Height();
  };
  const int32_t chosen = Track(m, TPM_RETURNCMD,
                               {[&] {
                                  probe("owner", 0);
                                  probe("hook", 1);
                                  H().PressKey(VK_DOWN);
                                },
                                [&] {
                                  probe("owner selected", 0);
                                  H().PressKey(VK_ESCAPE);
                                }},
                               owner);
  SetMenuTrackHooks(TMenuTrackHooks());
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(seen["owner"], clRed);
  EXPECT_EQ(heights["owner"], 40);
  EXPECT_EQ(seen["hook"], clBlue);
  EXPECT_EQ(heights["hook"], 30);
  EXPECT_EQ(seen["owner selected"], clLime);
  ASSERT_FALSE(ownerStates.empty());
  EXPECT_EQ(ownerStates.front() & ODS_SELECTED, 0u);
  DestroyMenu(m);
}

}  // namespace
