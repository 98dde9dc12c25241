#include "platform/vcl/menus.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/gui/headless.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/win_menus_testing.h"
#include "platform/gui/win_testing.h"
#include "platform/vcl/hints.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// ================================================================================
// Short-cuts
// ================================================================================

TEST(VclShortCuts, TextsOfTheTable) {
  struct Case {
    TShortCut Value;
    const char* Text;
  };
  const Case cases[] = {
      {VK_BACK, "BkSp"},
      {VK_TAB, "Tab"},
      {VK_ESCAPE, "Esc"},
      {VK_RETURN, "Enter"},
      {VK_SPACE, "Space"},
      {VK_PRIOR, "PgUp"},
      {VK_NEXT, "PgDn"},
      {VK_END, "End"},
      {VK_HOME, "Home"},
      {VK_LEFT, "Left"},
      {VK_UP, "Up"},
      {VK_RIGHT, "Right"},
      {VK_DOWN, "Down"},
      {VK_INSERT, "Ins"},
      {VK_DELETE, "Del"},
      {VK_F1, "F1"},
      {VK_F10, "F10"},
      {VK_F12, "F12"},
      {'A', "A"},
      {'Z', "Z"},
      {'0', "0"},
      {'9', "9"},
      {scCtrl | 'S', "Ctrl+S"},
      {scShift | VK_DELETE, "Shift+Del"},
      {scAlt | VK_F4, "Alt+F4"},
      {scCtrl | VK_F4, "Ctrl+F4"},
      {scShift | scCtrl | VK_F5, "Shift+Ctrl+F5"},
      {scShift | scCtrl | scAlt | 'Z', "Shift+Ctrl+Alt+Z"},
      {scAlt | VK_BACK, "Alt+BkSp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ShortCutToText(c.Value), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.Value);
  }
}

TEST(VclShortCuts, ParsingIgnoresCaseAndRefusesWhatItCannotName) {
  struct Case {
    const char* Text;
    TShortCut Value;
  };
  const Case cases[] = {
      {"ctrl+shift+a", scCtrl | scShift | 'A'},
      {"ALT+f4", scAlt | VK_F4},
      {"pgdn", VK_NEXT},
      {"", 0},
      {"Ctrl+", 0},
      {"Ctrl+Foo", 0},
      {"F13", 0},
      {"Ctrl+AB", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.Value);
  }
  EXPECT_EQ(ShortCutToText(VK_NUMPAD0), "") << "keys outside the table have no name";
  EXPECT_EQ(ShortCutToText(scCtrl | VK_MULTIPLY), "");
}

TEST(VclShortCuts, KeysAndShiftStates) {
  EXPECT_EQ(ShortCut('S', TShiftState{ssCtrl}), TShortCut(scCtrl | 'S'));
  EXPECT_EQ(ShortCut(VK_F2, TShiftState{ssShift, ssAlt}), TShortCut(scShift | scAlt | VK_F2));
  EXPECT_EQ(ShortCut(0x1FF, TShiftState{ssCtrl}), 0) << "only one-byte keys";
  uint16_t key = 0;
  TShiftState shift;
  ShortCutToKey(scShift | scCtrl | VK_DELETE, key, shift);
  EXPECT_EQ(key, VK_DELETE);
  EXPECT_EQ(shift, (TShiftState{ssShift, ssCtrl}));
}

// ================================================================================
// Menus
// ================================================================================

class VclMenus : public TVclTest, public TMenuScript {
 protected:
  VclMenus() : TMenuScript(H()) {
    TMsgRecorder::Get().Reset();
    RegisterTestClasses();
    // Keys go to the focus window: an application window has it.
    SetFocus(Make("app", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20));
  }
  ~VclMenus() override { TMsgRecorder::Get().Reset(); }

  TMsgRecorder& Rec() { return TMsgRecorder::Get(); }
  // A named window of the recording class.
  HWND Make(const char* name, uint32_t style, int32_t x, int32_t y, int32_t w, int32_t h) {
    HWND hwnd = CreateWindowEx(0, kTestClass, name, style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    if (hwnd != nullptr) Rec().Names[hwnd] = name;
    return hwnd;
  }
};

TEST_F(VclMenus, ItemsFollowTheirParentsAndOwners) {
  TComponent owner(nullptr);
  TMenuItem root(nullptr);
  auto* a = new TMenuItem(&owner);
  auto* b = new TMenuItem(&owner);
  auto* c = new TMenuItem(&owner);
  a->SetCaption("&Alpha");
  b->SetCaption("Beta");
  c->SetCaption("Gamma");
  root.Add(a);
  root.Add(c);
  root.Insert(1, b);
  EXPECT_EQ(root.Count(), 3);
  EXPECT_EQ(root.IndexOf(b), 1);
  EXPECT_EQ(b->Parent(), &root);
  EXPECT_EQ(root.Find("alpha"), a);
  EXPECT_EQ(root.Find("Delta"), nullptr);
  EXPECT_THROW(root.Add(a), EMenuError) << "inserted twice";
  EXPECT_THROW(a->Add(&root), EMenuError) << "a cycle";
  EXPECT_THROW(root.Items(3), EMenuError);
  c->SetMenuIndex(0);
  EXPECT_EQ(root.Items(0), c);
  EXPECT_EQ(a->MenuIndex(), 1);

  root.Delete(0);  // taken out, not freed
  EXPECT_EQ(c->Parent(), nullptr);
  EXPECT_EQ(root.Count(), 2);
  delete b;  // the owner lets go and the parent forgets it
  EXPECT_EQ(root.Count(), 1);
  EXPECT_EQ(owner.ComponentCount(), 2);
  EXPECT_THROW(root.Remove(c), EMenuError);

  auto* child = new TMenuItem(&owner);
  a->Add(child);
  root.Clear();  // frees a and, with it, its child, whoever owns them
  EXPECT_EQ(root.Count(), 0);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), c);
}

TEST_F(VclMenus, RadioItemsOfAGroupCheckEachOther) {
  TPopupMenu menu(nullptr);
  std::vector<TMenuItem*> items;
  for (uint8_t group : {1, 1, 1, 2}) {
    auto* item = new TMenuItem(&menu);
    item->SetRadioItem(true);
    item->SetGroupIndex(group);
    menu.Items()->Add(item);
    items.push_back(item);
  }
  items[0]->SetChecked(true);
  items[3]->SetChecked(true);
  items[1]->SetChecked(true);
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(items[1]->Checked());
  EXPECT_FALSE(items[2]->Checked());
  EXPECT_TRUE(items[3]->Checked()) << "another group";

  // AutoCheck checks before OnClick; a disabled item does nothing.
  std::vector<String> log;
  items[2]->SetAutoCheck(true);
  items[2]->OnClick = [&](TObject*) { log.push_back(items[2]->Checked() ? "checked" : "unchecked"); };
  items[2]->Click();
  EXPECT_EQ(log, std::vector<String>{"checked"});
  EXPECT_FALSE(items[1]->Checked());
  items[2]->SetEnabled(false);
  items[2]->Click();
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(VclMenus, ActionsSupplyTheItemsProperties) {
  TAction action(nullptr);
  action.SetCaption("&Run");
  action.SetShortCut(VK_F9);
  action.SetHint("Run|Runs it");
  action.SetAutoCheck(true);
  int runs = 0;
  bool enabledByUpdate = true;
  action.OnExecute = [&](TObject*) { ++runs; };
  action.OnUpdate = [&](TObject*) { action.SetEnabled(enabledByUpdate); };
  TMainMenu menu(nullptr);
  auto* item = new TMenuItem(&menu);
  menu.Items()->Add(item);
  item->SetAction(&action);
  EXPECT_EQ(item->Caption(), "&Run");
  EXPECT_EQ(item->ShortCut(), TShortCut(VK_F9));
  EXPECT_EQ(item->Hint(), "Run|Runs it");

  item->Click();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(item->Checked()) << "the action's AutoCheck checked it";

  // The short-cut asks the action first: disabled by its update, the key goes on.
  enabledByUpdate = false;
  TWMKey key;
  key.Msg = WM_KEYDOWN;
  key.CharCode = VK_F9;
  EXPECT_FALSE(menu.IsShortCut(key));
  EXPECT_FALSE(item->Enabled());
  enabledByUpdate = true;
  EXPECT_TRUE(menu.IsShortCut(key));
  EXPECT_EQ(runs, 2);

  {
    TAction gone(nullptr);
    item->SetAction(&gone);
  }
  EXPECT_EQ(item->Action(), nullptr);
}

TEST_F(VclMenus, TheHandleMirrorsTheItems) {
  TPopupMenu menu(nullptr);
  auto add = [&](TMenuItem* parent, const char* caption) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  };
  TMenuItem* save = add(menu.Items(), "&Save");
  save->SetShortCut(scCtrl | 'S');
  add(menu.Items(), "-");
  TMenuItem* more = add(menu.Items(), "More");
  TMenuItem* inner = add(more, "Inner");
  TMenuItem* hidden = add(menu.Items(), "Hidden");
  hidden->SetVisible(false);

  HMENU h = menu.Handle();
  ASSERT_EQ(GetMenuItemCount(h), 3);
  char text[32];
  GetMenuString(h, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Save\tCtrl+S");
  EXPECT_EQ(GetMenuItemID(h, 0), save->Command());
  EXPECT_EQ(GetMenuState(h, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(GetSubMenu(h, 2), more->Handle());
  EXPECT_EQ(GetMenuItemID(more->Handle(), 0), inner->Command());
  EXPECT_EQ(menu.FindItem(reinterpret_cast<uintptr_t>(more->Handle()), TFindItemKind::fkHandle), more);
  EXPECT_EQ(menu.FindItem(inner->Command(), TFindItemKind::fkCommand), inner);
  EXPECT_EQ(menu.FindItem(scCtrl | 'S', TFindItemKind::fkShortCut), save);

  // Later changes show at once, the handle staying the same.
  save->SetEnabled(false);
  save->SetChecked(true);
  hidden->SetVisible(true);
  EXPECT_EQ(menu.Handle(), h);
  EXPECT_EQ(GetMenuItemCount(h), 4);
  EXPECT_EQ(GetMenuState(h, 0, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED), MF_GRAYED | MF_CHECKED);
  delete inner;
  EXPECT_EQ(GetMenuItemCount(more->Handle()), 0);
  EXPECT_EQ(GetSubMenu(h, 2), nullptr) << "an item without children is no submenu";
}

TEST_F(VclMenus, LineReductionHidesRedundantSeparators) {
  struct Case {
    const char* Name;
    std::vector<const char*> Captions;  // a leading '!' marks a hidden item
    TMenuAutoFlag Mode;
    std::vector<String> Shown;
  };
  const std::vector<Case> cases = {
      {"leading, doubled and trailing lines",
       {"-", "a", "-", "-", "b", "-"},
       TMenuAutoFlag::maAutomatic,
       {"a", "-", "b"}},
      {"a line before a hidden item", {"a", "-", "!b", "-", "c"}, TMenuAutoFlag::maAutomatic, {"a", "-", "c"}},
      {"only lines", {"-", "-"}, TMenuAutoFlag::maAutomatic, {}},
      {"everything after the line hidden", {"a", "-", "!b"}, TMenuAutoFlag::maAutomatic, {"a"}},
      {"manual keeps every line", {"-", "a", "-", "-"}, TMenuAutoFlag::maManual, {"-", "a", "-", "-"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TPopupMenu menu(nullptr);
    menu.SetAutoLineReduction(c.Mode);
    for (const char* caption : c.Captions) {
      auto* item = new TMenuItem(&menu);
      const bool hidden = caption[0] == '!';
      item->SetCaption(hidden ? caption + 1 : caption);
      item->SetVisible(!hidden);
      menu.Items()->Add(item);
    }
    H().QueueIdleAction([] { EndMenu(); });
    menu.Popup(10, 10);
    std::vector<String> shown;
    HMENU h = menu.Handle();
    for (int32_t i = 0; i < GetMenuItemCount(h); ++i) {
      char text[16] = "";
      GetMenuString(h, uint32_t(i), text, sizeof text, MF_BYPOSITION);
      shown.push_back((GetMenuState(h, uint32_t(i), MF_BYPOSITION) & MF_SEPARATOR) ? "-" : text);
    }
    EXPECT_EQ(shown, c.Shown);
  }
  // Showing again after a change re-thinks the lines.
  TPopupMenu menu(nullptr);
  TMenuItem* items[3];
  for (int i = 0; i < 3; ++i) {
    items[i] = new TMenuItem(&menu);
    items[i]->SetCaption(i == 1 ? "-" : "x");
    menu.Items()->Add(items[i]);
  }
  items[2]->SetVisible(false);
  EXPECT_TRUE(menu.Items()->RethinkLines());
  EXPECT_TRUE(items[1]->LineReduced());
  EXPECT_TRUE(items[1]->Visible());
  items[2]->SetVisible(true);
  EXPECT_TRUE(menu.Items()->RethinkLines());
  EXPECT_FALSE(items[1]->LineReduced());
  EXPECT_FALSE(menu.Items()->RethinkLines());
}

TEST_F(VclMenus, MergingOrdersTopItemsByGroup) {
  auto build = [](TMainMenu& menu, std::vector<std::pair<const char*, uint8_t>> items) {
    std::vector<TMenuItem*> out;
    for (auto& [caption, group] : items) {
      auto* item = new TMenuItem(&menu);
      item->SetCaption(caption);
      item->SetGroupIndex(group);
      menu.Items()->Add(item);
      out.push_back(item);
    }
    return out;
  };
  TMainMenu main(nullptr), child(nullptr);
  auto mine = build(main, {{"main0", 0}, {"main1", 1}, {"main9", 9}});
  auto theirs = build(child, {{"child0", 0}, {"child5", 5}});
  auto captions = [](const std::vector<TMenuItem*>& items) {
    std::vector<String> out;
    for (TMenuItem* i : items) out.push_back(i->Caption());
    return out;
  };
  HMENU bar = main.Handle();
  main.Merge(&child);
  EXPECT_EQ(captions(main.BarItems()), (std::vector<String>{"child0", "main1", "child5", "main9"}));
  EXPECT_EQ(GetMenuItemCount(bar), 4);
  EXPECT_EQ(GetMenuItemID(bar, 0), theirs[0]->Command());

  // The merged items work through the main menu.
  int clicks = 0;
  theirs[1]->SetShortCut(VK_F7);
  theirs[1]->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_TRUE(main.DispatchCommand(theirs[1]->Command()));
  TWMKey key;
  key.Msg = WM_KEYDOWN;
  key.CharCode = VK_F7;
  EXPECT_TRUE(main.IsShortCut(key));
  EXPECT_EQ(clicks, 2);
  // A change of a merged item shows in the main menu's bar.
  theirs[0]->SetCaption("renamed");
  char text[16];
  GetMenuString(bar, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "renamed");

  main.Unmerge(&child);
  EXPECT_EQ(captions(main.BarItems()), (std::vector<String>{"main0", "main1", "main9"}));
  EXPECT_FALSE(main.IsShortCut(key));
  main.Merge(&child);
  {
    TMainMenu gone(nullptr);
    main.Merge(&gone);  // ends the merge with child
    EXPECT_EQ(main.Merged(), &gone);
  }
  EXPECT_EQ(main.Merged(), nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 3);
  (void)mine;
}

TEST_F(VclMenus, ShortCutsClickEnabledItemsHiddenOrNot) {
  TMainMenu menu(nullptr);
  std::map<String, int> clicks;
  auto add = [&](const char* caption, TShortCut sc) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    item->SetShortCut(sc);
    item->OnClick = [&clicks, caption](TObject*) { ++clicks[caption]; };
    menu.Items()->Add(item);
    return item;
  };
  add("save", scCtrl | 'S');
  add("hidden", VK_F5)->SetVisible(false);
  add("off", VK_F6)->SetEnabled(false);
  add("alt", scAlt | 'X');

  struct Case {
    const char* Name;
    uint32_t Key;
    uint32_t Modifiers;  // hk* held while the key goes down
    bool Taken;
  };
  const Case cases[] = {
      {"ctrl+s", 'S', hkCtrl, true}, {"s alone", 'S', 0, false},    {"shift+ctrl+s", 'S', hkCtrl | hkShift, false},
      {"hidden", VK_F5, 0, true},    {"disabled", VK_F6, 0, false}, {"alt+x", 'X', hkAlt, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // The modifiers down as of the last message retrieved.
    if (c.Modifiers & hkCtrl) H().KeyDown(VK_CONTROL);
    if (c.Modifiers & hkShift) H().KeyDown(VK_SHIFT);
    H().PumpMessages();
    TWMKey key;
    key.Msg = WM_KEYDOWN;
    key.CharCode = uint16_t(c.Key);
    key.KeyData = (c.Modifiers & hkAlt) ? 0x20000000 : 0;
    EXPECT_EQ(menu.IsShortCut(key), c.Taken);
    if (c.Modifiers & hkCtrl) H().KeyUp(VK_CONTROL);
    if (c.Modifiers & hkShift) H().KeyUp(VK_SHIFT);
    H().PumpMessages();
  }
  EXPECT_EQ(clicks, (std::map<String, int>{{"save", 1}, {"hidden", 1}, {"alt", 1}}));
}

TEST_F(VclMenus, PopupFiresOnPopupFirstAndTheClickAfterTheMenuCloses) {
  TComponent owner(nullptr);
  TPopupMenu menu(&owner);
  std::vector<String> log;
  menu.OnPopup = [&](TObject*) {
    log.push_back(GetTrackedMenu() == nullptr ? "OnPopup before the menu" : "OnPopup with the menu open");
  };
  auto* first = new TMenuItem(&owner);
  first->SetCaption("&First");
  first->OnClick = [&](TObject*) { log.push_back("First"); };
  auto* more = new TMenuItem(&owner);
  more->SetCaption("&More");
  more->OnClick = [&](TObject*) { log.push_back("More opens"); };
  auto* inner = new TMenuItem(&owner);
  inner->SetCaption("&Inner");
  inner->OnClick = [&](TObject*) { log.push_back("Inner"); };
  menu.Items()->Add(first);
  menu.Items()->Add(more);
  more->Add(inner);
  menu.SetPopupComponent(&owner);

  H().QueueIdleAction([&] {
    log.push_back("shown");
    H().TypeText("m");
  });
  H().QueueIdleAction([&] { H().TypeText("i"); });
  menu.Popup(40, 50);
  log.push_back("Popup returned");
  H().PumpMessages();
  EXPECT_EQ(log, (std::vector<String>{"OnPopup before the menu", "shown", "More opens", "Popup returned", "Inner"}));
  EXPECT_EQ(menu.PopupPoint(), (TPoint{40, 50}));
  EXPECT_EQ(menu.PopupComponent(), &owner);

  // An exception of the chosen item's handler reaches the application.
  first->OnClick = [](TObject*) { throw EConvertError("bad click"); };
  H().QueueIdleAction([&] { H().TypeText("f"); });
  menu.Popup(40, 50);
  Pump();
  const auto recorded = TakeExceptions();
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].Message, "bad click");
}

TEST_F(VclMenus, OwnerDrawnItemsAndImagesAreDrawnInThePopup) {
  TPopupMenu menu(nullptr);
  auto* drawn = new TMenuItem(&menu);
  drawn->SetCaption("Drawn");
  std::vector<bool> selections;
  drawn->OnMeasureItem = [](TObject*, TCanvas*, int32_t& w, int32_t& h) {
    w = 120;
    h = 40;
  };
  drawn->OnDrawItem = [&](TObject*, TCanvas* canvas, const TRect& r, bool selected) {
    selections.push_back(selected);
    canvas->Brush()->SetColor(selected ? clLime : clRed);
    canvas->FillRect(r);
  };
  menu.Items()->Add(drawn);
  auto* pictured = new TMenuItem(&menu);
  pictured->SetCaption("Pictured");
  pictured->SetImageIndex(0);
  menu.Items()->Add(pictured);
  TImageList images(nullptr, 8, 8);
  TBitmap blue;
  blue.SetSize(8, 8);
  blue.Canvas()->Brush()->SetColor(clBlue);
  blue.Canvas()->FillRect(TRect{0, 0, 8, 8});
  images.Add(&blue, nullptr);
  menu.SetImages(&images);

  std::map<String, TColor> seen;
  auto probe = [&](const char* name, int32_t item, int32_t dx) {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(nullptr, menu.Handle(), uint32_t(item), &r));
    auto pixels = DesktopPixels();
    seen[name] = pixels->Canvas()->Pixels(r.Left + dx, (r.Top + r.Bottom) / 2);
  };
  H().QueueIdleAction([&] {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(nullptr, menu.Handle(), 0, &r));
    EXPECT_EQ(r.Height(), 40);
    probe("drawn", 0, 5);
    probe("image", 1, 10);
    H().PressKey(VK_DOWN);
  });
  H().QueueIdleAction([&] {
    probe("drawn selected", 0, 5);
    EndMenu();
  });
  menu.Popup(10, 10);
  EXPECT_EQ(seen["drawn"], clRed);
  EXPECT_EQ(seen["drawn selected"], clLime);
  EXPECT_EQ(seen["image"], clBlue);
  ASSERT_FALSE(selections.empty());
  EXPECT_FALSE(selections.front());
  EXPECT_TRUE(selections.back());
}

// ================================================================================
// Menus on forms
// ================================================================================

class VclMenusOnForms : public VclMenus {
 protected:
  // File (Open, Save Ctrl+S, a line, Exit), Edit (Cut, Copy), Help (About).
  VclMenusOnForms() {
    MenuForm = std::make_unique<TForm>(nullptr);
    MenuForm->SetBounds(60, 60, 420, 300);
    Bar = new TMainMenu(MenuForm.get());
    File = AddItem(Bar->Items(), "&File");
    AddItem(File, "&Open");
    AddItem(File, "&Save", scCtrl | 'S');
    AddItem(File, "-");
    AddItem(File, "E&xit");
    Edit = AddItem(Bar->Items(), "&Edit");
    AddItem(Edit, "Cu&t");
    AddItem(Edit, "&Copy");
    Help = AddItem(Bar->Items(), "&Help");
    AddItem(Help, "&About");
    Panel = new TCustomControl(MenuForm.get());
    Panel->SetParent(MenuForm.get());
    Panel->SetBounds(20, 20, 150, 100);
    Panel->SetTabStop(true);
    MenuForm->Show();
    Pump();
    ClientBefore = MenuForm->ClientHeight();
    MenuForm->SetMenu(Bar);
    Pump();
  }

  // Items without children log their click.
  TMenuItem* AddItem(TMenuItem* parent, const char* caption, TShortCut sc = 0) {
    auto* item = new TMenuItem(MenuForm.get());
    item->SetCaption(caption);
    item->SetShortCut(sc);
    const String name = StripHotkey(caption);
    item->OnClick = [this, item, name](TObject*) {
      if (item->Count() == 0) Clicked.push_back(name);
    };
    parent->Add(item);
    return item;
  }

  TPoint BarItem(int32_t index) {
    TRect r;
    EXPECT_TRUE(GetMenuItemRect(MenuForm->Handle(), Bar->Handle(), uint32_t(index), &r));
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  std::function<void()> ClickBar(int32_t index) {
    return [this, index] {
      const TPoint p = BarItem(index);
      H().MouseMove(p.X, p.Y);
      H().Click(p.X, p.Y);
    };
  }

  std::unique_ptr<TForm> MenuForm;
  TMainMenu* Bar = nullptr;
  TMenuItem* File = nullptr;
  TMenuItem* Edit = nullptr;
  TMenuItem* Help = nullptr;
  TCustomControl* Panel = nullptr;
  int32_t ClientBefore = 0;
  std::vector<String> Clicked;
};

TEST_F(VclMenusOnForms, TheBarTakesItsRowFromTheClientArea) {
  EXPECT_EQ(MenuForm->ClientHeight(), ClientBefore - 20);
  TRect r;
  ASSERT_TRUE(GetMenuItemRect(MenuForm->Handle(), Bar->Handle(), 0, &r));
  const TPoint client = MenuForm->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(r.Top, client.Y - 20);
  EXPECT_EQ(r.Left, client.X);
  TRect next;
  ASSERT_TRUE(GetMenuItemRect(MenuForm->Handle(), Bar->Handle(), 1, &next));
  EXPECT_EQ(next.Left, r.Right) << "items side by side";
  const TPoint p = BarItem(1);
  EXPECT_EQ(SendMessage(MenuForm->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y)), HTMENU);

  // Items that do not fit wrap to a second row, which the client area gives up too.
  for (int i = 0; i < 12; ++i) AddItem(Bar->Items(), "A long top-level item");
  Pump();
  EXPECT_LT(MenuForm->ClientHeight(), ClientBefore - 20);
  MenuForm->SetMenu(nullptr);
  Pump();
  EXPECT_EQ(MenuForm->ClientHeight(), ClientBefore);
}

TEST_F(VclMenusOnForms, TheBarByMouseF10AndAccelerators) {
  struct Case {
    const char* Name;
    std::function<void()> Start;
    std::vector<std::function<void()>> Steps;
    std::vector<String> Expected;
  };
  const std::vector<Case> cases = {
      {"a click on the bar, a click in the drop-down", ClickBar(1), {ClickItem(Edit->Handle(), 1)}, {"Copy"}},
      {"moving along the bar switches drop-downs",
       ClickBar(0),
       {[this] {
          const TPoint p = BarItem(2);
          H().MouseMove(p.X, p.Y);
        },
        ClickItem(Help->Handle(), 0)},
       {"About"}},
      {"a second click on the open item closes it", ClickBar(0), {ClickBar(0)}, {}},
      {"F10, right, down, down, enter",
       [this] { H().PressKey(VK_F10); },
       {Key(VK_RIGHT), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)},
       {"Copy"}},
      {"F10 and a letter", [this] { H().PressKey(VK_F10); }, {Type("h"), Key(VK_RETURN)}, {"About"}},
      {"F10, escape", [this] { H().PressKey(VK_F10); }, {Key(VK_ESCAPE)}, {}},
      {"Alt+E opens Edit on its first item", [this] { H().PressKey('E', hkAlt); }, {Key(VK_RETURN)}, {"Cut"}},
      {"Alt+F, left wraps to Help", [this] { H().PressKey('F', hkAlt); }, {Key(VK_LEFT), Key(VK_RETURN)}, {"About"}},
      {"escape in a drop-down keeps the bar",
       [this] { H().PressKey('F', hkAlt); },
       {Key(VK_ESCAPE), Key(VK_RIGHT), Key(VK_DOWN), Key(VK_RETURN)},
       {"Cut"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Clicked.clear();
    for (const auto& step : c.Steps) H().QueueIdleAction(step);
    c.Start();
    Pump();
    EXPECT_EQ(H().PendingIdleActions(), 0u);
    EXPECT_EQ(Clicked, c.Expected);
    EXPECT_EQ(GetTrackedMenu(), nullptr);
  }
}

TEST_F(VclMenusOnForms, CommandsInTheBarRunAtOnce) {
  AddItem(Bar->Items(), "&Now");
  Pump();
  Press('N', hkAlt);
  EXPECT_EQ(Clicked, std::vector<String>{"Now"});
  const TPoint p = BarItem(3);
  H().Click(p.X, p.Y);
  Pump();
  EXPECT_EQ(Clicked, (std::vector<String>{"Now", "Now"}));
  Bar->Items()->Items(3)->SetEnabled(false);
  Press('N', hkAlt);
  EXPECT_EQ(Clicked.size(), 2u);
}

TEST_F(VclMenusOnForms, ShortCutsGoThroughTheKeyPipeline) {
  // The popup menu of the focused control comes before the form's menu.
  TPopupMenu popup(MenuForm.get());
  auto* own = new TMenuItem(&popup);
  own->SetShortCut(scCtrl | 'S');
  own->OnClick = [this](TObject*) { Clicked.push_back("popup Save"); };
  popup.Items()->Add(own);
  Panel->SetPopupMenu(&popup);

  auto* other = new TCustomControl(MenuForm.get());
  other->SetParent(MenuForm.get());
  other->SetBounds(200, 20, 50, 50);
  other->SetTabStop(true);
  other->SetFocus();
  Press('S', hkCtrl);
  EXPECT_EQ(Clicked, (std::vector<String>{"Save"}));
  Panel->SetFocus();
  Press('S', hkCtrl);
  EXPECT_EQ(Clicked, (std::vector<String>{"Save", "popup Save"}));
  own->SetEnabled(false);
  Press('S', hkCtrl);
  EXPECT_EQ(Clicked, (std::vector<String>{"Save", "popup Save", "Save"})) << "a disabled item lets the key on";
  Panel->SetPopupMenu(nullptr);
}

TEST_F(VclMenusOnForms, ContextMenusPopUpAtThePointerOrTheControl) {
  TPopupMenu popup(MenuForm.get());
  auto* item = new TMenuItem(&popup);
  item->SetCaption("&Item");
  popup.Items()->Add(item);
  Panel->SetPopupMenu(&popup);
  std::vector<TPoint> opened;
  auto escapeAfterLooking = [&] {
    H().QueueIdleAction([&] {
      TRect r;
      GetWindowRect(GetMenuPopupWindows().at(0), &r);
      opened.push_back(TPoint{r.Left, r.Top});
      H().PressKey(VK_ESCAPE);
    });
  };
  escapeAfterLooking();
  ClickAt(Panel, 30, 40, TRawButton::Right);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], At(Panel, 30, 40));
  EXPECT_EQ(popup.PopupPoint(), At(Panel, 30, 40));
  EXPECT_EQ(popup.PopupComponent(), Panel);  // the control, not the menu

  // The menu key's position (-1, -1): the control's top-left corner.
  escapeAfterLooking();
  SendMessage(Panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Panel->Handle()), MAKELPARAM(-1, -1));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1], At(Panel, 0, 0));

  // The service the controls call records the control.
  escapeAfterLooking();
  EXPECT_TRUE(PopupMenuAutoPopup(&popup, Panel, TPoint{300, 200}));
  EXPECT_EQ(popup.PopupComponent(), Panel);
  EXPECT_EQ(opened.at(2), (TPoint{300, 200}));

  // AutoPopup off: nothing opens.
  popup.SetAutoPopup(false);
  ClickAt(Panel, 30, 40, TRawButton::Right);
  EXPECT_FALSE(PopupMenuAutoPopup(&popup, Panel, TPoint{300, 200}));
  EXPECT_EQ(opened.size(), 3u);
  Panel->SetPopupMenu(nullptr);
}

TEST_F(VclMenusOnForms, MenuItemHintsReachTheApplication) {
  File->Items(0)->SetHint("Open|Opens a file");
  std::vector<String> hints;
  App->OnHint = [&](TObject*) { hints.push_back(App->Hint()); };
  H().QueueIdleAction(Key(VK_DOWN));
  H().QueueIdleAction(Key(VK_ESCAPE));
  H().QueueIdleAction(Key(VK_ESCAPE));
  H().PressKey('F', hkAlt);
  Pump();
  ASSERT_FALSE(hints.empty());
  EXPECT_EQ(hints.front(), "Opens a file");
  EXPECT_EQ(App->Hint(), "");
}

// A picture of the plain look for people to look at: a form with its menu
// bar, a drop-down open on a highlighted item, and a hint.
TEST_F(VclMenusOnForms, APictureOfThePlainLook) {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "vcl_plain_look.png";
  std::filesystem::remove(file);
  File->Items(1)->SetChecked(true);
  File->Items(3)->SetEnabled(false);
  THintWindow hint(nullptr);
  bool saved = false;
  H().QueueIdleAction(Key(VK_DOWN));  // Save
  H().QueueIdleAction([&] {
    TRect r;
    ASSERT_TRUE(GetMenuItemRect(nullptr, File->Handle(), 1, &r));
    TRect h = hint.CalcHintRect(300, "Saves the picture", nullptr);
    OffsetRect(h, r.Right + 8, r.Top);
    hint.ActivateHint(h, "Saves the picture");
    auto desktop = DesktopPixels();
    TBitmap shot;
    shot.SetSize(520, 400);
    shot.Canvas()->CopyRect(TRect{0, 0, 520, 400}, desktop->Canvas(), TRect{40, 40, 560, 440});
    saved = SavePng(shot, file.string());
    H().PressKey(VK_ESCAPE);
    H().PressKey(VK_ESCAPE);
  });
  H().PressKey('F', hkAlt);
  Pump();
  ASSERT_TRUE(saved);
  std::FILE* f = std::fopen(file.string().c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char sig[8] = {};
  EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
  std::fclose(f);
  EXPECT_EQ(sig[1], 'P');
  EXPECT_EQ(sig[2], 'N');
  EXPECT_EQ(sig[3], 'G');
}

}  // namespace
