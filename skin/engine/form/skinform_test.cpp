#include "skin/engine/form/skinform.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skinmessages.h"
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
    TForm::Dispatch(Message);
  }
  TLog& Log;
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
  EXPECT_EQ(sf->AlphaBlendValue, 200);
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
