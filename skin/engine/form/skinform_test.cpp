#include "skin/engine/form/skinform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/data/storedskin_testing.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

using TLog = std::vector<String>;

// A form that logs the messages reaching its own window procedure.
class TProbeForm : public TForm {
 public:
  TProbeForm(TComponent* AOwner, TLog& ALog) : TForm(AOwner), Log(ALog) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_SKIN_MENUCLOSED) Log.push_back("form closed");
    if (Message.Msg == WM_USER + 77) Log.push_back("form probe");
    Seen.push_back(Message);
    TForm::Dispatch(Message);
  }
  int32_t Count(uint32_t Msg) const {
    return int32_t(std::count_if(Seen.begin(), Seen.end(), [Msg](const TMessage& m) { return m.Msg == Msg; }));
  }
  TLog& Log;
  std::vector<TMessage> Seen;
};

// A skinned control that logs the walk.
class TWalked : public TbsSkinControl {
 public:
  TWalked(TComponent* AOwner, const String& AName, TLog& ALog) : TbsSkinControl(AOwner), Tag(AName), Log(ALog) {}
  void BeforeChangeSkinData() override {
    Log.push_back("before " + Tag);
    TbsSkinControl::BeforeChangeSkinData();
  }
  void ChangeSkinData() override { Log.push_back("change " + Tag); }
  String Tag;
  TLog& Log;
};

class TLoggedFrameSkin : public TbsSkinFrame {
 public:
  TLoggedFrameSkin(TComponent* AOwner, TLog& ALog) : TbsSkinFrame(AOwner), Log(ALog) {}
  void ChangeSkinData() override { Log.push_back("change frame"); }
  TLog& Log;
};

class SkinFormTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TProbeForm>(nullptr, Log);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(40, 40, 300, 200);
  }
  void TearDown() override {
    Skin.reset();
    Form.reset();
    Pump();
    TVclTest::TearDown();
  }
  void LoadSkin9() {
    Skin = std::make_unique<TbsSkinData>(nullptr);
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
  }
  // Switches the skin in force to the fixture skin (a 40 x 30 picture whose
  // client part leaves a 22-pixel frame).
  void LoadFixtureSkin() {
    if (!Skin) Skin = std::make_unique<TbsSkinData>(nullptr);
    auto* c = new TbsCompressedStoredSkin(Skin.get());
    SetPacked(c, Deflate(FixtureLayout(3, Folder, FixtureSkinIni())));
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(c));
  }
  void ReloadSkin9() {
    TbsCompressedStoredSkin container(nullptr);
    container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
  }
  TbsSkinPopupMenu* MakeMenu(TComponent* Owner, int32_t Items = 3) {
    auto* menu = new TbsSkinPopupMenu(Owner);
    for (int32_t i = 0; i < Items; ++i) {
      auto* item = new TMenuItem(menu);
      item->SetCaption("Item " + IntToStr(i));
      menu->Items()->Add(item);
    }
    menu->OnPopup = [this](TObject*) { Log.push_back("popup"); };
    return menu;
  }

  TLog Log;
  TSkinFolder Folder;
  std::unique_ptr<TProbeForm> Form;
  std::unique_ptr<TbsSkinData> Skin;
};

TEST_F(SkinFormTest, ConstructionTakesOverTheFormAndGivesItBack) {
  Form->Show();
  Pump();
  const HWND before = Form->Handle();
  auto* sf = new TbsSkinForm(Form.get());
  EXPECT_TRUE(Form->BorderIcons().Empty());
  EXPECT_FALSE(Form->HasOwnWindowProc());
  EXPECT_EQ(FindFormSkinForm(Form.get()), sf);
  // The hook survives a re-created window: menus still close on a click.
  Form->RecreateWnd();
  Form->HandleNeeded();
  EXPECT_NE(Form->Handle(), before);
  SendMessage(Form->Handle(), WM_USER + 77, 0, 0);
  EXPECT_EQ(Log, (TLog{"form probe"}));
  sf->SkinMenuOpened();
  SendMessage(Form->Handle(), WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(sf->SkinMenuOpen());
  delete sf;
  EXPECT_TRUE(Form->HasOwnWindowProc());
}

TEST_F(SkinFormTest, OwnerMustBeAForm) {
  TComponent plain(nullptr);
  EXPECT_THROW(TbsSkinForm{&plain}, EInvalidCast);
  TCustomForm custom(nullptr);
  EXPECT_NO_THROW({ TbsSkinForm f(&custom); });
}

TEST_F(SkinFormTest, MenuSettingsGoToTheControllerAndBadValuesAreIgnored) {
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetDefMenuItemHeight(24);
  sf->SetDefMenuItemHeight(0);
  sf->SetMaxMenuItemsInWindow(7);
  sf->SetMaxMenuItemsInWindow(-1);
  EXPECT_EQ(sf->SkinMenu()->DefMenuItemHeight, 24);
  EXPECT_EQ(sf->SkinMenu()->MaxMenuItemsInWindow, 7);
}

// An MDI frame with a child, as a container of MDI children answers.
class TMDIFrame : public TForm {
 public:
  using TForm::TForm;
  int32_t MDIChildCount() const override { return 1; }
};

TEST_F(SkinFormTest, InitialValuesBorderIconsAndSkinnableSwitch) {
  auto* sf = new TbsSkinForm(Form.get());
  EXPECT_EQ(sf->BorderIcons(), (TbsBorderIcons{TbsBorderIcon::biSystemMenu, TbsBorderIcon::biMinimize,
                                               TbsBorderIcon::biMaximize, TbsBorderIcon::biRollUp}));
  EXPECT_EQ(sf->AlphaBlendValue(), 200);
  EXPECT_EQ(sf->MagneticSize, 5);
  EXPECT_TRUE(sf->DefCaptionFont()->Style().Contains(TFontStyle::fsBold));
  EXPECT_EQ(sf->DefInActiveCaptionFont()->Color(), clBtnShadow);
  for (TTimer* t : {sf->MouseTimer(), sf->MorphTimer(), sf->AnimateTimer()}) EXPECT_FALSE(t->Enabled());
  Form->Show();
  Pump();
  sf->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu});
  EXPECT_EQ(sf->BorderIcons(), TbsBorderIcons{TbsBorderIcon::biSystemMenu});
  EXPECT_TRUE(Form->BorderIcons().Empty());
  sf->SetSkinnable(false);
  EXPECT_FALSE(sf->Skinnable());

  TMDIFrame frame(nullptr);
  frame.SetFormStyle(TFormStyle::fsMDIForm);
  TbsSkinForm mdi(&frame);
  mdi.SetSkinnable(false);
  EXPECT_TRUE(mdi.Skinnable());  // a frame with children refuses
}

// ---- The skin-change cycle -----------------------------------------------------------------------

TEST_F(SkinFormTest, SkinChangeWalksTheControlsOfItsSkinOnly) {
  LoadSkin9();
  TbsSkinData other(nullptr);
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  const auto walked = [&](TWinControl* Parent, const String& Name, TbsSkinData* S) {
    auto* c = new TWalked(Form.get(), Name, Log);
    c->SetParent(Parent);
    c->SetSkinData(S);
    return c;
  };
  TWalked* a = walked(Form.get(), "a", Skin.get());
  walked(a, "a1", Skin.get());
  walked(a, "a2", &other);
  auto* frame = new TFrame(Form.get());
  frame->SetParent(Form.get());
  new TLoggedFrameSkin(frame, Log);
  walked(frame, "f1", Skin.get());
  walked(Form.get(), "b", Skin.get());
  sf->OnBeforeChangeSkinData = [this](TObject*) { Log.push_back("OnBefore"); };
  sf->OnChangeSkinData = [this](TObject*) { Log.push_back("OnChange"); };
  sf->OnAfterChangeSkinData = [this](TObject*) { Log.push_back("OnAfter"); };
  Form->Show();
  Pump();

  Log.clear();
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
  EXPECT_EQ(Log, (TLog{"before a", "before a1", "before f1", "before b", "OnBefore", "OnChange", "change a",
                       "change a1", "change frame", "change f1", "change b", "OnAfter"}));
  EXPECT_FALSE(sf->SkinChanging());
  EXPECT_TRUE(sf->SkinActive());

  // Another skin: BEFORECHANGE is ignored, CHANGE reaches its controls only.
  Log.clear();
  SendMessage(Form->Handle(), WM_SKIN_BEFORECHANGE, WPARAM(&other), bsSkinMessageLParam);
  SendMessage(Form->Handle(), WM_SKIN_CHANGE, WPARAM(&other), bsSkinMessageLParam);
  EXPECT_EQ(Log, (TLog{"change a2", "change frame"}));
  EXPECT_TRUE(sf->MouseTimer()->Enabled());
}

TEST_F(SkinFormTest, SkinChangeGrowsAFormBelowTheMinimum) {
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetMinWidth(350);
  sf->SetMinHeight(150);
  Form->Show();
  Pump();
  struct TCase {
    int32_t W, H, ExpectedW, ExpectedH;
  };
  const TCase cases[] = {{300, 100, 350, 150}, {400, 100, 400, 150}, {300, 200, 350, 200}, {400, 200, 400, 200}};
  for (const TCase& c : cases) {
    Form->SetBounds(40, 40, c.W, c.H);
    sf->ChangeSkinData();
    EXPECT_EQ(Form->Width(), c.ExpectedW) << c.W << "x" << c.H;
    EXPECT_EQ(Form->Height(), c.ExpectedH) << c.W << "x" << c.H;
  }
  sf->SetSkinClientWidth(222);
  sf->ChangeSkinData();
  EXPECT_EQ(Form->ClientWidth(), 222);
}

// The skin data may go before the form: the limits fall back to the
// unskinned ones instead of reading the pictures of a freed skin.
TEST_F(SkinFormTest, TheFormOutlivesItsSkinData) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();
  EXPECT_EQ(sf->GetMinWidth(), 238);
  Skin.reset();
  EXPECT_EQ(sf->SkinData(), nullptr);
  EXPECT_FALSE(sf->SkinActive());
  Form->SetBounds(40, 40, 250, 150);
  MINMAXINFO info{};
  SendMessage(Form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(info.ptMinTrackSize, (TPoint{120, 25}));
}

// Keyboard mode of the menu bar ends at a click, and before a skin change
// frees what the bar draws with.
TEST_F(SkinFormTest, MenuBarModeEndsAtAClickAndAtASkinChange) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  sf->OnMainMenuExit = [this](TObject*) { Log.push_back("exit"); };
  sf->OnBeforeChangeSkinData = [this](TObject*) { Log.push_back("before"); };
  Form->Show();
  Pump();
  sf->StartMainMenuMode();
  SendMessage(Form->Handle(), WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(sf->MainMenuMode());
  sf->StartMainMenuMode();
  ReloadSkin9();
  EXPECT_FALSE(sf->MainMenuMode());
  EXPECT_EQ(Log, (TLog{"exit", "exit", "before"}));
}

// Skin 9 (320 x 200, client 304 x 162, formminwidth 238) and the fixture
// skin (40 x 30, client 30 x 8) in turn: the form grows to the new minimum,
// a rolled-up form takes exactly the new frame height.
TEST_F(SkinFormTest, SkinSwitchFitsTheFormToTheNewSkin) {
  LoadFixtureSkin();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();
  EXPECT_EQ(sf->GetMinWidth(), 40);
  EXPECT_EQ(sf->GetMinHeight(), 22);
  Form->SetBounds(40, 40, 100, 30);
  ReloadSkin9();
  EXPECT_EQ(Form->BoundsRect(), (TRect{40, 40, 278, 78}));

  Form->SetBounds(40, 40, 400, 300);
  sf->SetRollUpState(true);
  EXPECT_EQ(Form->Height(), 38);
  LoadFixtureSkin();
  EXPECT_EQ(Form->Height(), 22);
  EXPECT_EQ(Form->Width(), 400);
  ReloadSkin9();
  EXPECT_EQ(Form->Height(), 38);
  sf->SetRollUpState(false);
  EXPECT_EQ(Form->Height(), 300);
  // No roll-up without its border icon.
  sf->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu});
  sf->SetRollUpState(true);
  EXPECT_FALSE(sf->RolledUp());
  EXPECT_EQ(Form->Height(), 300);
}

// A skin the loader rejects sends nothing: no BEFORECHANGE without its
// CHANGE, so the frame never stays half changed.
TEST_F(SkinFormTest, ARejectedSkinLeavesTheFormAsItWas) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  auto* c = new TWalked(Form.get(), "c", Log);
  c->SetParent(Form.get());
  c->SetSkinData(Skin.get());
  sf->OnBeforeChangeSkinData = [this](TObject*) { Log.push_back("OnBefore"); };
  Form->Show();
  Pump();
  Log.clear();
  auto* cut = new TbsCompressedStoredSkin(Skin.get());
  const String packed = Deflate(FixtureLayout(3, Folder, FixtureSkinIni()));
  SetPacked(cut, packed.substr(0, packed.size() - 40));
  EXPECT_THROW(Skin->LoadCompressedStoredSkin(cut), Exception);
  EXPECT_TRUE(Log.empty());
  EXPECT_FALSE(sf->SkinChanging());
  EXPECT_TRUE(sf->SkinActive());
  EXPECT_TRUE(sf->MouseTimer()->Enabled());
}

TEST_F(SkinFormTest, SkinnableSwitchKeepsAMaximisedFormMaximised) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();
  const TRect work = Form->Monitor()->WorkareaRect();
  sf->SetWindowState(2);
  EXPECT_EQ(Form->BoundsRect(), work);

  const int32_t calcs = Form->Count(WM_NCCALCSIZE);
  Skin->SetSkinnableForm(false);
  EXPECT_EQ(Form->WindowState(), TWindowState::wsMaximized);
  EXPECT_EQ(sf->WindowState(), 0);
  EXPECT_TRUE(Form->Visible());
  // The window system asked again who frames the window.
  EXPECT_GT(Form->Count(WM_NCCALCSIZE), calcs);

  Skin->SetSkinnableForm(true);
  EXPECT_EQ(Form->WindowState(), TWindowState::wsNormal);
  EXPECT_EQ(sf->WindowState(), 2);
  EXPECT_EQ(Form->BoundsRect(), work);
  EXPECT_TRUE(Form->Visible());
  sf->SetWindowState(0);
  EXPECT_EQ(Form->BoundsRect(), (TRect{40, 40, 340, 240}));
}

// An unskinned frame shows the native caption buttons the component allows.
TEST_F(SkinFormTest, NativeBorderIconsFollowTheComponent) {
  using B = TBorderIcon;
  using S = TbsBorderIcon;
  struct TCase {
    bool Hide;
    TbsBorderIcons Icons;
    TBorderIcons Expected;
  };
  const TCase cases[] = {
      {false,
       {S::biSystemMenu, S::biMinimize, S::biMaximize, S::biRollUp},
       {B::biSystemMenu, B::biMinimize, B::biMaximize}},
      {true, {S::biSystemMenu, S::biMinimize, S::biMaximize}, {B::biMinimize, B::biMaximize}},
      {false, {S::biMaximize, S::biMinimizeToTray}, {B::biSystemMenu, B::biMaximize}},
      {true, {S::biRollUp}, {}},
  };
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinnable(false);
  for (const TCase& c : cases) {
    sf->HideCaptionButtons = c.Hide;
    sf->SetBorderIcons(c.Icons);
    sf->ChangeSkinData();
    EXPECT_EQ(Form->BorderIcons(), c.Expected);
  }
  sf->SetSkinnable(true);
  EXPECT_TRUE(Form->BorderIcons().Empty());
}

// What the form's own procedure receives after the component's rows.
TEST_F(SkinFormTest, TheComponentRewritesOrAnswersItsRows) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();
  const HWND h = Form->Handle();
  const auto seenHit = [&](LRESULT Hit) {
    Form->Seen.clear();
    SendMessage(h, WM_SETCURSOR, WPARAM(h), MAKELPARAM(int32_t(Hit), WM_MOUSEMOVE));
    return Form->Seen.empty() ? LRESULT(-1) : LRESULT(LOWORD(uintptr_t(Form->Seen.back().LParam)));
  };
  struct TCase {
    LRESULT Hit, Seen;
  };
  // Sizing borders keep their cursors; the rest of the frame takes the form's.
  const TCase cursorCases[] = {{HTCAPTION, HTCLIENT},          {HTCLIENT, HTCLIENT}, {HTLEFT, HTLEFT},
                               {HTBOTTOMRIGHT, HTBOTTOMRIGHT}, {HTTOP, HTTOP},       {19, HTCLIENT}};
  EXPECT_EQ(seenHit(HTCAPTION), HTCAPTION);
  sf->UseFormCursorInNCArea = true;
  for (const TCase& c : cursorCases) EXPECT_EQ(seenHit(c.Hit), c.Seen) << c.Hit;

  MINMAXINFO info{};
  SendMessage(h, WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(info.ptMinTrackSize, (TPoint{238, 38}));
  const TRect work = Form->Monitor()->WorkareaRect();
  EXPECT_EQ(info.ptMaxTrackSize, (TPoint{work.Width(), work.Height()}));
  sf->SetMaxWidth(500);
  SendMessage(h, WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(info.ptMaxTrackSize.X, 500);

  // The skinned frame draws its own active look: the form never sees it.
  Form->Seen.clear();
  EXPECT_EQ(SendMessage(h, WM_NCACTIVATE, 0, 0), 1);
  EXPECT_FALSE(sf->NCActive());
  EXPECT_EQ(Form->Count(WM_NCACTIVATE), 0);
  SendMessage(h, WM_NCACTIVATE, 1, 0);
  EXPECT_TRUE(sf->NCActive());

  // The client background is the component's, whoever draws the frame.
  for (bool skinnable : {true, false}) {
    sf->SetSkinnable(skinnable);  // native caption buttons re-create the window
    Form->Seen.clear();
    HDC dc = GetDC(Form->Handle());
    EXPECT_EQ(SendMessage(Form->Handle(), WM_ERASEBKGND, WPARAM(dc), 0), 1);
    ReleaseDC(Form->Handle(), dc);
    EXPECT_EQ(Form->Count(WM_ERASEBKGND), 0);
  }

  int32_t restores = 0;
  sf->OnRestore = [&](TObject*) { ++restores; };
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(restores, 1);

  // A border icon change repaints the frame.
  const int32_t paints = Form->Count(WM_NCPAINT);
  sf->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biMaximize});
  EXPECT_EQ(Form->Count(WM_NCPAINT), paints + 1);
}

TEST_F(SkinFormTest, ShowingTheFormDropsItsNativeMenu) {
  new TbsSkinForm(Form.get());
  auto* menu = new TMainMenu(Form.get());
  Form->SetMenu(menu);
  Form->Show();
  Pump();
  EXPECT_EQ(Form->Menu(), nullptr);
}

TEST_F(SkinFormTest, ReferencesAreClearedWhenTheirComponentsGo) {
  auto* sf = new TbsSkinForm(Form.get());
  auto* hint = new TComponent(Form.get());
  auto* tray = new TComponent(Form.get());
  auto* bar = new TComponent(Form.get());
  auto* tabs = new TComponent(Form.get());
  auto* status = new TWalked(Form.get(), "status", Log);
  auto* sysMenu = new TPopupMenu(Form.get());
  auto* menusSkin = new TbsSkinData(Form.get());
  sf->SetSkinHint(hint);
  sf->SetTrayIcon(tray);
  sf->SetMainMenuBar(bar);
  sf->SetMDITabsBar(tabs);
  sf->SetStatusBar(status);
  sf->SetSystemMenu(sysMenu);
  sf->SetMenusSkinData(menusSkin);
  for (TComponent* c : std::initializer_list<TComponent*>{hint, tray, bar, tabs, status, sysMenu, menusSkin}) delete c;
  EXPECT_EQ(sf->SkinHint(), nullptr);
  EXPECT_EQ(sf->TrayIcon(), nullptr);
  EXPECT_EQ(sf->MainMenuBar(), nullptr);
  EXPECT_EQ(sf->MDITabsBar(), nullptr);
  EXPECT_EQ(sf->StatusBar(), nullptr);
  EXPECT_EQ(sf->SystemMenu(), nullptr);
  EXPECT_EQ(sf->MenusSkinData(), nullptr);
}

TEST_F(SkinFormTest, ShortCutsGoThroughTheComponentAndTimersStopWithTheWindow) {
  auto* sf = new TbsSkinForm(Form.get());
  int32_t asked = 0;
  sf->OnShortCut = [&](TWMKey&, bool& Handled) {
    ++asked;
    Handled = true;
  };
  TWMKey key;
  key.Msg = WM_KEYDOWN;
  key.CharCode = 'S';
  EXPECT_TRUE(Form->IsShortCut(key));
  EXPECT_EQ(asked, 1);

  Form->Show();
  Pump();
  sf->ChangeSkinData();
  sf->MorphTimer()->SetEnabled(true);
  ASSERT_TRUE(sf->MouseTimer()->Enabled());
  Form->DestroyHandle();
  for (TTimer* t : {sf->MouseTimer(), sf->MorphTimer(), sf->AnimateTimer()}) EXPECT_FALSE(t->Enabled());
  delete sf;
  EXPECT_FALSE(bool(Form->OnShortCut));
}

// The form as it looks today with skin 9: the window manager's frame, the
// client in the form's colour.
TEST_F(SkinFormTest, RenderedWithSkin9) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->SetBorderStyle(TBorderStyle::bsSizeable);
  Form->SetCaption("Skinned form");
  Form->SetColor(clBtnFace);
  Form->Show();
  Pump();
  std::unique_ptr<TBitmap> shot = WindowPixels(Form->Handle(), true);
  ASSERT_TRUE(shot != nullptr);
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(SavePng(*shot, (dir / "skinform-skin9.png").string()));
  std::unique_ptr<TBitmap> client = WindowPixels(Form->Handle(), false);
  ASSERT_TRUE(client != nullptr);
  EXPECT_EQ(uint32_t(client->Canvas()->Pixels(10, 10)), ColorToRGB(clBtnFace));
}

// ---- The popup menu component -------------------------------------------------------------------

TEST_F(SkinFormTest, PopupMenuResolvesItsSkinForm) {
  LoadSkin9();
  TbsSkinData menusSkin(nullptr);
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();

  // On a frame of the form: the owner's owner.
  auto* frame = new TFrame(Form.get());
  TbsSkinPopupMenu* onFrame = MakeMenu(frame);
  onFrame->Popup(100, 100);
  EXPECT_TRUE(sf->SkinMenu()->IsOpen);
  EXPECT_EQ(onFrame->SkinData(), Skin.get());
  EXPECT_EQ(onFrame->LastPopupPoint(), (TPoint{100, 100}));
  sf->SkinMenu()->CloseMenu();

  // MenusSkinData wins over SkinData and stays with the menu.
  sf->SetMenusSkinData(&menusSkin);
  TbsSkinPopupMenu* own = MakeMenu(Form.get());
  own->Popup(50, 50);
  EXPECT_EQ(own->SkinData(), &menusSkin);
  sf->SetMenusSkinData(nullptr);
  own->Popup(50, 50);
  EXPECT_EQ(own->SkinData(), &menusSkin);
  sf->SkinMenu()->CloseMenu();

  // No skin component on the form: OnPopup fires, nothing opens.
  TForm bare(nullptr);
  TbsSkinPopupMenu* lone = MakeMenu(&bare);
  Log.clear();
  lone->Popup(10, 10);
  EXPECT_EQ(Log, (TLog{"popup"}));
  EXPECT_EQ(lone->SkinData(), nullptr);
  EXPECT_FALSE(sf->SkinMenu()->IsOpen);
}

// An MDI child's menus open through the main form, in its skin.
TEST_F(SkinFormTest, AnMDIChildsMenuOpensThroughTheMainForm) {
  LoadSkin9();
  TForm* main = nullptr;
  App->CreateForm(main);
  auto* mainSkin = new TbsSkinForm(main);
  mainSkin->SetSkinData(Skin.get());
  main->Show();
  auto* childSkin = new TbsSkinForm(Form.get());
  Form->SetFormStyle(TFormStyle::fsMDIChild);
  Form->Show();
  Pump();
  TbsSkinPopupMenu* menu = MakeMenu(Form.get());
  menu->Popup(20, 20);
  EXPECT_TRUE(mainSkin->SkinMenu()->IsOpen);
  EXPECT_FALSE(childSkin->SkinMenu()->IsOpen);
  EXPECT_EQ(menu->SkinData(), Skin.get());
  mainSkin->SkinMenu()->CloseMenu();
}

TEST_F(SkinFormTest, ASecondMenuClosesTheFirstBeforeItOpens) {
  auto* sf = new TbsSkinForm(Form.get());
  Form->Show();
  Pump();
  sf->OnSkinMenuOpen = [this](TObject*) { Log.push_back("open"); };
  sf->OnSkinMenuClose = [this](TObject*) { Log.push_back("close"); };
  TbsSkinPopupMenu* a = MakeMenu(Form.get());
  TbsSkinPopupMenu* b = MakeMenu(Form.get());
  int32_t ends = 0;
  b->OnMenuClose = [&](TObject*) { ++ends; };
  a->Popup(20, 20);
  Log.clear();
  b->Popup(30, 30);
  EXPECT_EQ(Log, (TLog{"popup", "close", "open"}));
  // The component's OnMenuClose reaches the controller and fires once.
  sf->SkinMenu()->LastWindow()->ProcessKey(27);
  Pump();
  EXPECT_EQ(ends, 1);
  // The form hears of a menu ended by Escape at its next closing message.
  EXPECT_TRUE(sf->SkinMenuOpen());
  Log.clear();
  SendMessage(Form->Handle(), WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(sf->SkinMenuOpen());
  EXPECT_EQ(Log, (TLog{"close"}));
}

TEST_F(SkinFormTest, PopupFromControlNeedsASkin) {
  auto* sf = new TbsSkinForm(Form.get());
  Form->Show();
  Pump();
  TbsSkinPopupMenu* menu = MakeMenu(Form.get());
  menu->PopupFromControl(Form.get(), 10, 10);
  EXPECT_FALSE(sf->SkinMenu()->IsOpen);
  menu->Popup(10, 10);  // the plain entry point opens in the default look
  EXPECT_TRUE(sf->SkinMenu()->IsOpen);
}

// A skin change while a menu of the form is open closes the menu before the
// old skin's pictures go.
TEST_F(SkinFormTest, SkinChangeClosesAnOpenMenuFirst) {
  LoadSkin9();
  auto* sf = new TbsSkinForm(Form.get());
  sf->SetSkinData(Skin.get());
  Form->Show();
  Pump();
  TbsSkinPopupMenu* menu = MakeMenu(Form.get());
  menu->Popup(60, 60);
  ASSERT_TRUE(sf->SkinMenu()->IsOpen);
  bool openAtBefore = true;
  sf->OnBeforeChangeSkinData = [&](TObject*) { openAtBefore = sf->SkinMenu()->IsOpen; };
  Log.clear();
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(Skin->LoadCompressedStoredSkin(&container));
  Pump();
  EXPECT_FALSE(openAtBefore);
  EXPECT_EQ(Log, (TLog{"form closed"}));
  EXPECT_EQ(sf->SkinMenu()->WindowCount(), 0);
  EXPECT_FALSE(sf->SkinChanging());
}

}  // namespace
