#include "skin/engine/menus/skinmainmenubar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/gui/text.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/form/skinform.h"

namespace {

using TLog = std::vector<String>;

// A main form that can act as an MDI frame over stub children.
class TFrameForm : public TForm {
 public:
  using TForm::TForm;
  int32_t MDIChildCount() const override { return int32_t(Children.size()); }
  TCustomForm* MDIChildren(int32_t Index) const override { return Children[size_t(Index)]; }
  TCustomForm* ActiveMDIChild() const override { return Children.empty() ? nullptr : Children.front(); }
  std::vector<TCustomForm*> Children;
};

class MenuBarTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    App->CreateForm(Form);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(40, 40, 400, 200);
    SF = new TbsSkinForm(Form);
    Menu = new TbsSkinMainMenu(Form);
    Bar = new TbsSkinMainMenuBar(Form);
    Bar->SetParent(Form);
    Bar->SetSkinForm(SF);
    SF->SetMainMenuBar(Bar);
    SF->OnMainMenuEnter = [this](TObject* Sender) { Log.push_back(Sender == Bar ? "enter bar" : "enter ?"); };
  }
  void TearDown() override {
    delete Form;
    Skin.reset();
    Pump();
    TVclTest::TearDown();
  }

  TMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const String& Name, const String& Caption) {
    auto* item = new TMenuItem(Owner);
    item->SetName(Name);
    item->SetCaption(Caption);
    item->OnClick = [this, Name](TObject*) { Log.push_back("click " + Name); };
    Parent->Add(item);
    return item;
  }
  // Top-level items named T0, T1 ... with two children each, except those
  // listed as childless.
  void BuildMenu(const std::vector<String>& Captions, const std::vector<int32_t>& Childless = {}) {
    for (size_t i = 0; i < Captions.size(); ++i) {
      const String name = "T" + IntToStr(int32_t(i));
      TMenuItem* top = AddItem(Form, Menu->Items(), name, Captions[i]);
      if (std::find(Childless.begin(), Childless.end(), int32_t(i)) != Childless.end()) continue;
      AddItem(Form, top, name + "A", "Alpha " + name);
      AddItem(Form, top, name + "B", "Beta " + name);
    }
    Bar->SetMainMenu(Menu);
  }
  void ShowForm() {
    Form->Show();
    Pump();
  }
  void LoadSkin9() {
    Skin = std::make_unique<TbsSkinData>(nullptr);
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
    SF->SetSkinData(Skin.get());
    Bar->SetSkinData(Skin.get());
    Pump();
  }
  TbsDataSkinMainMenuBar* BarDescription() {
    return dynamic_cast<TbsDataSkinMainMenuBar*>(
        Skin->ControlDescriptions[size_t(Skin->GetControlIndex("mainmenubar"))].get());
  }
  TPoint Centre(const TRect& R) { return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }
  void HoverItem(int32_t Index) {
    const TPoint p = Centre(Bar->Items(Index)->BarRect);
    MoveTo(Bar, p.X, p.Y);
  }
  void ClickItem(int32_t Index) {
    const TPoint p = Centre(Bar->Items(Index)->BarRect);
    MoveTo(Bar, p.X, p.Y);
    ClickAt(Bar, p.X, p.Y);
  }
  void Tick(int32_t Ms) {
    for (int32_t t = 0; t < Ms; t += 10) {
      Clock().Advance(10);
      Pump();
    }
  }
  TbsSkinMenu* Controller() { return SF->SkinMenu(); }
  // The source items the open drop-down lists.
  std::vector<TMenuItem*> DropDown() {
    std::vector<TMenuItem*> r;
    if (Controller()->WindowCount() == 0) return r;
    TbsSkinPopupWindow* w = Controller()->Windows(0);
    for (int32_t i = 0; i < w->ItemCount(); ++i) r.push_back(w->Items(i)->SourceItem);
    return r;
  }
  std::vector<TMenuItem*> Children(int32_t Top) {
    std::vector<TMenuItem*> r;
    TMenuItem* t = Menu->Items()->Items(Top);
    for (int32_t i = 0; i < t->Count(); ++i) r.push_back(t->Items(i));
    return r;
  }
  std::vector<String> ItemNames() {
    std::vector<String> r;
    for (int32_t i = 0; i < Bar->ItemCount(); ++i) r.push_back(Bar->Items(i)->ObjectName);
    return r;
  }
  // Caption width as DrawText measures it in the bar's item font.
  int32_t CaptionWidth(const String& Caption) {
    TBitmap b;
    b.SetSize(10, 10);
    b.Canvas()->Font()->Assign(Bar->DefItemFont());
    TRect r{0, 0, 0, 0};
    DrawTextWide(b.Canvas(), UTF8ToUTF16(Caption), r, DT_CALCRECT | DT_SINGLELINE);
    return RectWidth(r);
  }
  TColor BarPixel(int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(Bar->Handle(), false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }
  int32_t CountColour(const TRect& R, TColor Colour) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(Bar->Handle(), false);
    int32_t n = 0;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x)
        if (bmp->Canvas()->Pixels(x, y) == TColor(ColorToRGB(Colour))) ++n;
    return n;
  }

  TFrameForm* Form = nullptr;
  TbsSkinForm* SF = nullptr;
  TbsSkinMainMenu* Menu = nullptr;
  TbsSkinMainMenuBar* Bar = nullptr;
  std::unique_ptr<TbsSkinData> Skin;
  TLog Log;
};

std::filesystem::path ArtifactDir() {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

const std::vector<String> kSix = {"&File", "&Edit", "&View", "&Image", "&Tools", "&Help"};

// Unskinned items sit side by side from the area's left edge (2), each as
// wide as its caption in the item font plus 12, over the area's height.
TEST_F(MenuBarTest, MenuBarPlacesItemsFromFontMeasurements) {
  auto font = std::make_unique<TFont>();
  font->SetName("Tahoma");
  font->SetHeight(14);
  Bar->SetDefItemFont(font.get());
  BuildMenu(kSix);
  ShowForm();
  EXPECT_EQ(Bar->Height(), 22);
  int32_t x = 2;
  for (int32_t i = 0; i < 6; ++i) {
    const int32_t w = CaptionWidth(kSix[size_t(i)]) + 12;
    EXPECT_EQ(Bar->Items(i)->BarRect, (TRect{x, 2, x + w, 20})) << i;
    x += w;
  }
  EXPECT_FALSE(Bar->HasHiddenItems());
}

// A bar narrower than its items: with ScrollMenu an item must end 5 pixels
// before the area's right edge (room for the chevron), without it at the
// edge itself. The bar is sized so that the third item ends exactly at the
// edge: it shows only without ScrollMenu.
TEST_F(MenuBarTest, MenuBarNarrowBarHidesItemsAndChevronOnlyWithScrollMenu) {
  BuildMenu(kSix);
  int32_t right = 2;
  for (int32_t i = 0; i < 3; ++i) right += CaptionWidth(kSix[size_t(i)]) + 12;
  struct TCase {
    bool ScrollMenu;
    int32_t Shown;
  };
  Bar->SetAlign(TAlign::alNone);
  for (const TCase& c : {TCase{true, 2}, TCase{false, 3}}) {
    SCOPED_TRACE(c.ScrollMenu);
    Bar->SetScrollMenu(c.ScrollMenu);
    Bar->SetWidth(right + 2);
    ShowForm();
    EXPECT_TRUE(Bar->HasHiddenItems());
    EXPECT_EQ(Bar->ShownItemCount(), c.Shown);
    for (int32_t i = 0; i < 6; ++i) {
      EXPECT_EQ(Bar->Items(i)->ShownInBar, i < c.Shown) << i;
      EXPECT_EQ(Bar->Items(i)->IsEnabled, i < c.Shown) << i;
    }
    // The chevron's arrow is drawn in clBtnShadow only with ScrollMenu.
    EXPECT_EQ(CountColour(Bar->ChevronRect(), clBtnShadow) > 0, c.ScrollMenu);
    // A hidden item cannot be hovered.
    const TRect hidden = Bar->Items(c.Shown)->BarRect;
    MoveTo(Bar, std::min(hidden.Left + 1, Bar->Width() - 8), 10);
    EXPECT_FALSE(Bar->Items(c.Shown)->IsHot);
    MoveTo(Form, 200, 150);
  }
  // Wide again: every item comes back enabled.
  Bar->SetWidth(400);
  Bar->Repaint();
  EXPECT_EQ(Bar->ShownItemCount(), 6);
  EXPECT_TRUE(Bar->Items(5)->IsEnabled);
}

// The chevron opens the rest of the menu: the popup starts at the first
// item the bar could not show.
TEST_F(MenuBarTest, MenuBarChevronPopupStartsAtFirstHiddenItem) {
  BuildMenu(kSix);
  Bar->SetAlign(TAlign::alNone);
  Bar->SetWidth(160);
  ShowForm();
  const int32_t n = Bar->ShownItemCount();
  ASSERT_GT(n, 0);
  ASSERT_LT(n, 6);
  const TPoint p = Centre(Bar->ChevronRect());
  MoveTo(Bar, p.X, p.Y);
  EXPECT_TRUE(Bar->ChevronHot());
  ClickAt(Bar, p.X, p.Y);
  std::vector<TMenuItem*> expected;
  for (int32_t i = n; i < 6; ++i) expected.push_back(Menu->Items()->Items(i));
  EXPECT_EQ(DropDown(), expected);
  EXPECT_TRUE(SF->SkinMenuOpen());
}

TEST_F(MenuBarTest, MenuBarUpdateItemsFollowsVisible) {
  BuildMenu(kSix);
  ShowForm();
  Menu->Items()->Items(1)->SetVisible(false);
  Bar->UpdateItems();
  EXPECT_EQ(ItemNames(), (std::vector<String>{"T0", "T2", "T3", "T4", "T5"}));
  Menu->Items()->Items(1)->SetVisible(true);
  Bar->UpdateItems();
  EXPECT_EQ(ItemNames(), (std::vector<String>{"T0", "T1", "T2", "T3", "T4", "T5"}));
}

// A menu item freed under the bar takes its bar item with it.
TEST_F(MenuBarTest, MenuBarDropsTheItemOfAFreedMenuItem) {
  BuildMenu(kSix);
  ShowForm();
  delete Menu->Items()->Items(2);
  EXPECT_EQ(ItemNames(), (std::vector<String>{"T0", "T1", "T3", "T4", "T5"}));
  Bar->Repaint();
  Pump();
}

TEST_F(MenuBarTest, MenuBarSkinnedHeightIsTheSkinRectHeight) {
  BuildMenu(kSix);
  ShowForm();
  EXPECT_EQ(Bar->Height(), 22);
  LoadSkin9();
  ASSERT_TRUE(Bar->IsSkinned());
  const int32_t h = RectHeight(BarDescription()->SkinRect);
  ASSERT_NE(h, 40);
  EXPECT_EQ(Bar->Height(), h);
  Bar->SetBounds(0, 0, 300, 40);
  EXPECT_EQ(Bar->Height(), h);
  Bar->SetHeight(5);
  EXPECT_EQ(Bar->Height(), h);
}

// Click opens; hovering to the neighbour moves the drop-down without a
// click; a press held on one item keeps the others from lighting up.
TEST_F(MenuBarTest, MenuBarMouseOpensAndSwitchesDropDowns) {
  BuildMenu(kSix);
  ShowForm();
  ClickItem(0);
  EXPECT_TRUE(Bar->Items(0)->IsDown);
  EXPECT_EQ(DropDown(), Children(0));
  EXPECT_TRUE(SF->MainMenuMode());
  EXPECT_EQ(Log, (TLog{"enter bar"}));

  HoverItem(1);
  EXPECT_FALSE(Bar->Items(0)->IsDown);
  EXPECT_TRUE(Bar->Items(1)->IsDown);
  EXPECT_EQ(DropDown(), Children(1));
  EXPECT_EQ(Controller()->WindowCount(), 1);
  EXPECT_EQ(Log, (TLog{"enter bar"}));

  SF->SkinMenu()->CloseMenu();
  Bar->ResetItems();
  Pump();
  const TPoint p3 = Centre(Bar->Items(3)->BarRect), p4 = Centre(Bar->Items(4)->BarRect);
  MoveTo(Bar, p3.X, p3.Y);
  H().MouseDown(At(Bar, p3.X, p3.Y).X, At(Bar, p3.X, p3.Y).Y);
  Pump();
  MoveTo(Bar, p4.X, p4.Y);
  Tick(60);
  EXPECT_FALSE(Bar->Items(4)->IsHot);
  EXPECT_EQ(Bar->HotIndex(), -1);
  H().MouseUp(At(Bar, p4.X, p4.Y).X, At(Bar, p4.X, p4.Y).Y);
  Pump();
  EXPECT_EQ(Bar->PressedIndex(), -1);
}

// From an open drop-down to an item without children, then a click on it:
// its command runs once, menu mode ends and the menu-open state is gone,
// also when the application rebuilds the bar as the menu closes.
TEST_F(MenuBarTest, MenuBarItemWithoutChildrenRunsItsCommand) {
  BuildMenu(kSix, {2});
  SF->OnSkinMenuClose = [this](TObject*) { Bar->UpdateItems(); };
  SF->OnMainMenuExit = [this](TObject*) { Log.push_back("exit"); };
  ShowForm();
  ClickItem(1);
  ASSERT_TRUE(SF->SkinMenuOpen());
  HoverItem(2);
  EXPECT_TRUE(DropDown().empty());
  ClickItem(2);
  EXPECT_EQ(Log, (TLog{"enter bar", "exit", "click T2"}));
  EXPECT_FALSE(SF->MainMenuMode());
  EXPECT_FALSE(SF->SkinMenuOpen());
  EXPECT_EQ(Bar->ItemCount(), 6);
}

// The entry points the form's keyboard menu mode drives.
TEST_F(MenuBarTest, MenuBarKeyboardEntryPoints) {
  BuildMenu({"&File", "&Edit", "&View"}, {1});
  ShowForm();
  const auto hot = [this] {
    TbsSkinMainMenuBarItem* i = Bar->HotItem();
    if (i == nullptr) return String("none");
    return i->ObjectName + (i->IsDown ? " down" : " hot");
  };
  Bar->EnterMenuMode();
  EXPECT_TRUE(SF->MainMenuMode());
  EXPECT_EQ(Log, (TLog{"enter bar"}));
  EXPECT_EQ(hot(), "T0 hot");
  struct TStep {
    std::function<void()> Do;
    String Expected;
    size_t OpenWindows;
  };
  const TStep steps[] = {
      {[this] { Bar->SelectPrevItem(); }, "T2 hot", 0},
      {[this] { Bar->SelectNextItem(); }, "T0 hot", 0},
      {[this] { Bar->SelectNextItem(); }, "T1 hot", 0},
      {[this] { Bar->SelectPrevItem(); }, "T0 hot", 0},
      {[this] { EXPECT_TRUE(Bar->ExecuteHotItem()); }, "T0 down", 1},
      {[this] { Bar->SelectPrevItem(); }, "T2 down", 1},
      {[this] { Bar->ReleaseDownItem(); }, "T2 hot", 1},
      {[this] { Controller()->CloseMenu(), Bar->ResetItems(); }, "none", 0},
      {[this] { EXPECT_TRUE(Bar->ProcessAccel('V')); }, "T2 down", 1},
      {[this] { EXPECT_FALSE(Bar->ProcessAccel('Q')); }, "T2 down", 1},
  };
  for (const TStep& s : steps) {
    s.Do();
    Pump();
    EXPECT_EQ(hot(), s.Expected);
    EXPECT_EQ(size_t(Controller()->WindowCount()), s.OpenWindows) << s.Expected;
  }
  EXPECT_EQ(DropDown(), Children(2));
}

// Child groups 0 and 5 merged into main groups 0, 1 and 9: child 0 takes
// main 0's place, and the rest follow by group.
TEST_F(MenuBarTest, MenuBarMergesChildMenuByGroupIndex) {
  Form->SetFormStyle(TFormStyle::fsMDIForm);
  auto* child = new TForm(Form);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  Form->Children.push_back(child);
  auto* childMenu = new TMainMenu(child);
  const std::pair<const char*, uint8_t> main[] = {{"Main0", 0}, {"Main1", 1}, {"Main9", 9}};
  for (const auto& [name, group] : main) AddItem(Form, Menu->Items(), name, name)->SetGroupIndex(group);
  const std::pair<const char*, uint8_t> sub[] = {{"Child0", 0}, {"Child5", 5}};
  for (const auto& [name, group] : sub) AddItem(child, childMenu->Items(), name, name)->SetGroupIndex(group);
  Bar->SetMainMenu(Menu);
  EXPECT_EQ(ItemNames(), (std::vector<String>{"Child0", "Main1", "Child5", "Main9"}));
  EXPECT_TRUE(Bar->HasMergedMenu());
  EXPECT_FALSE(Bar->ScrollMenu());
  EXPECT_EQ(Bar->GetChildMainMenu(), childMenu);
}

// A maximised child without biMinimize: its minimise button is disabled,
// drawn in clBtnShadow, and a click on it does nothing, while the restore
// button next to it works.
TEST_F(MenuBarTest, MenuBarMDIMinimizeButtonDisabledWithoutBiMinimize) {
  Form->SetFormStyle(TFormStyle::fsMDIForm);
  BuildMenu(kSix);
  auto* child = new TForm(Form);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  child->SetBounds(10, 10, 200, 100);
  auto* childSkin = new TbsSkinForm(child);
  childSkin->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMaximize});
  Form->Children.push_back(child);
  childSkin->SetWindowState(2);
  ShowForm();
  Bar->ShowMDIButtons();
  Pump();
  ASSERT_EQ(Bar->ButtonCount(), 4);
  TbsSkinMainMenuBarButton* min = nullptr;
  TbsSkinMainMenuBarButton* restore = nullptr;
  for (int32_t i = 0; i < 4; ++i) {
    auto* b = static_cast<TbsSkinMainMenuBarButton*>(Bar->Objects(i));
    if (b->ButtonCommand == 2) min = b;
    if (b->ButtonCommand == 1) restore = b;
    EXPECT_EQ(b->IsEnabled, b->ButtonCommand != 2) << int(b->ButtonCommand);
  }
  ASSERT_TRUE(min != nullptr && restore != nullptr);
  EXPECT_GT(CountColour(min->BarRect, clBtnShadow), 0);
  EXPECT_EQ(CountColour(min->BarRect, clBtnText), 0);
  EXPECT_GT(CountColour(restore->BarRect, clBtnText), 0);
  std::unique_ptr<TBitmap> shot = WindowPixels(Bar->Handle(), false);
  EXPECT_TRUE(SavePng(*shot, (ArtifactDir() / "menubar-mdi-default.png").string()));
  // Items start right of the system-menu button.
  EXPECT_GE(Bar->Items(0)->BarRect.Left, Bar->Objects(0)->BarRect.Right + 2);

  const TPoint pm = Centre(min->BarRect);
  ClickAt(Bar, pm.X, pm.Y);
  EXPECT_EQ(childSkin->WindowState(), 2);
  const TPoint pr = Centre(restore->BarRect);
  MoveTo(Bar, pr.X, pr.Y);
  ClickAt(Bar, pr.X, pr.Y);
  EXPECT_EQ(childSkin->WindowState(), 0);
  Bar->HideMDIButtons();
  EXPECT_EQ(Bar->ButtonCount(), 0);
  EXPECT_EQ(Bar->ItemCount(), 6);
}

// Transparent skin items copy the bar's background: after a hover ends the
// item shows the bar background again, not the hot image it had.
TEST_F(MenuBarTest, MenuBarTransparentItemsRepaintOverTheBackground) {
  BuildMenu(kSix);
  ShowForm();
  LoadSkin9();
  Skin->SetEnableSkinEffects(false);
  BarDescription()->ItemTransparent = true;
  Bar->Repaint();
  Pump();
  const TRect r = Bar->Items(1)->BarRect;
  const int32_t x = r.Left + 1, y = r.Top + 1;
  const TColor background = BarPixel(x, y);
  HoverItem(1);
  ASSERT_TRUE(Bar->Items(1)->IsHot);
  ASSERT_NE(BarPixel(x, y), background);
  MoveTo(Bar, Bar->Width() - 3, 3);
  ASSERT_FALSE(Bar->Items(1)->IsHot);
  EXPECT_EQ(BarPixel(x, y), background);
}

// After a rebuild the item under the cursor lights up again at the leave
// timer's next 50 ms tick, on the program's clock.
TEST_F(MenuBarTest, MenuBarLeaveTimerFindsTheHotItemAfterRebuild) {
  BuildMenu(kSix);
  ShowForm();
  HoverItem(2);
  ASSERT_TRUE(Bar->Items(2)->IsHot);
  Bar->UpdateItems();
  EXPECT_FALSE(Bar->Items(2)->IsHot);
  Tick(40);
  EXPECT_FALSE(Bar->Items(2)->IsHot);
  Tick(20);
  EXPECT_TRUE(Bar->Items(2)->IsHot);
  EXPECT_EQ(Bar->HotIndex(), 2);
}

// The system-menu button of a maximised child stays pressed while the
// child's system menu is open and comes up when that menu closes.
TEST_F(MenuBarTest, MenuBarSysMenuButtonReleasedWhenItsMenuCloses) {
  Form->SetFormStyle(TFormStyle::fsMDIForm);
  BuildMenu(kSix);
  auto* child = new TForm(Form);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  auto* childSkin = new TbsSkinForm(child);
  auto* sysMenu = new TPopupMenu(child);
  AddItem(child, sysMenu->Items(), "ChildClose", "&Close");
  childSkin->UseDefaultSysMenu = false;
  childSkin->SetSystemMenu(sysMenu);
  Form->Children.push_back(child);
  childSkin->SetWindowState(2);
  ShowForm();
  Bar->ShowMDIButtons();
  Pump();
  auto* sys = static_cast<TbsSkinMainMenuBarButton*>(Bar->Objects(0));
  ASSERT_TRUE(sys->IsSysMenuButton());
  const TPoint p = Centre(sys->BarRect);
  MoveTo(Bar, p.X, p.Y);
  ClickAt(Bar, p.X, p.Y);
  EXPECT_TRUE(sys->IsDown);
  ASSERT_EQ(Controller()->WindowCount(), 1);
  EXPECT_EQ(Controller()->Windows(0)->Items(0)->SourceItem->Name(), "ChildClose");
  Controller()->CloseMenu();
  Pump();
  EXPECT_FALSE(sys->IsDown);
}

// Hover effects of skinned items on the program's clock: a morphing item
// moves 0.2 per 25 ms tick and stops at 1; without a hot image it never
// morphs; an animated item of three frames plays 1, 2, 3 and then shows its
// hot image, and with "inactiveanimation" plays back when the mouse leaves.
TEST_F(MenuBarTest, MenuBarItemEffectsRunOnTheClock) {
  BuildMenu(kSix);
  ShowForm();
  LoadSkin9();
  auto* d = dynamic_cast<TbsDataSkinMainMenuItem*>(Skin->SkinObjects[size_t(Skin->GetIndex("mainmenubaritem"))].get());
  ASSERT_NE(d, nullptr);
  const TbsDataSkinMainMenuItem saved = *d;
  // The values an item takes over time (one sample per 10 ms), repeats dropped.
  const auto trace = [this](std::function<double()> Value, int32_t Ms) {
    std::vector<double> r{Value()};
    for (int32_t t = 0; t < Ms; t += 10) {
      Tick(10);
      if (Value() != r.back()) r.push_back(Value());
    }
    return r;
  };
  const auto morph = [this] { return Bar->Items(1)->MorphPos; };
  const auto frame = [this] { return double(Bar->Items(1)->FrameIndex); };

  d->Morphing = true;
  Bar->UpdateItems();
  Pump();
  HoverItem(1);
  ASSERT_TRUE(Bar->Items(1)->IsHot);
  std::vector<double> seen = trace(morph, 200);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_DOUBLE_EQ(seen.back(), 1.0);
  EXPECT_FALSE(Bar->MorphTimer()->Enabled());
  MoveTo(Form, 200, 150);

  d->ActiveSkinRect = TRect{0, 0, 0, 0};
  Bar->UpdateItems();
  Pump();
  HoverItem(1);
  ASSERT_TRUE(Bar->Items(1)->IsHot);
  EXPECT_EQ(trace(morph, 100), (std::vector<double>{0}));
  EXPECT_FALSE(Bar->MorphTimer()->Enabled());
  MoveTo(Form, 200, 150);

  *d = saved;
  d->AnimateSkinRect = d->SkinRect;
  d->FrameCount = 3;
  d->InActiveAnimation = true;
  Bar->UpdateItems();
  Pump();
  HoverItem(1);
  ASSERT_TRUE(Bar->Items(1)->IsHot);
  EXPECT_EQ(trace(frame, 200), (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(Bar->AnimTimer()->Enabled());
  MoveTo(Form, 200, 150);
  EXPECT_EQ(trace(frame, 200), (std::vector<double>{4, 3, 2, 1, 0}));
  *d = saved;
}

// With skin 9 the child's buttons are the skin's objects at their own size:
// the system-menu button first (left end), then close, minimise and
// maximise from the right end leftwards.
TEST_F(MenuBarTest, MenuBarSkinnedMDIButtons) {
  Form->SetFormStyle(TFormStyle::fsMDIForm);
  BuildMenu(kSix);
  auto* child = new TForm(Form);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  auto* childSkin = new TbsSkinForm(child);
  Form->Children.push_back(child);
  childSkin->SetWindowState(2);
  ShowForm();
  LoadSkin9();
  Bar->ShowMDIButtons();
  Bar->Repaint();
  Pump();
  ASSERT_EQ(Bar->ButtonCount(), 4);
  const TRect& area = Bar->ItemsArea();
  const auto button = [this](int32_t I) { return static_cast<TbsSkinMainMenuBarButton*>(Bar->Objects(I)); };
  int32_t right = area.Right;
  for (int32_t i = 1; i < 4; ++i) right += RectWidth(button(i)->BarRect) + 2;
  std::vector<int32_t> commands;
  for (int32_t i = 0; i < 4; ++i) {
    TbsSkinMainMenuBarButton* b = button(i);
    commands.push_back(b->ButtonCommand);
    EXPECT_TRUE(b->Skinned);
    EXPECT_EQ(RectWidth(b->BarRect), RectWidth(b->NormalRect));
    if (i == 0) {
      EXPECT_EQ(b->BarRect.Right + 2, area.Left);
    } else {
      EXPECT_EQ(b->BarRect.Right, right) << i;
      right -= RectWidth(b->BarRect) + 2;
    }
  }
  EXPECT_EQ(commands, (std::vector<int32_t>{3, 0, 2, 1}));
  std::unique_ptr<TBitmap> shot = WindowPixels(Bar->Handle(), false);
  ASSERT_TRUE(shot != nullptr);
  EXPECT_TRUE(SavePng(*shot, (ArtifactDir() / "menubar-mdi-skin9.png").string()));
}

}  // namespace
