#include "skin/controls/skinmenuspeedbutton.h"

#include <gtest/gtest.h>

#include "platform/vcl/menus.h"
#include "skin/controls/testkit/skinkit_bars.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/controls/testkit/skinkit_toolbars.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinpopupmenu.h"

namespace {

using namespace SkinKit;

// An images menu that records its pop-ups and closes when told.
class TFakeImagesMenu : public TComponent, public IbsImagesMenu {
 public:
  using TComponent::TComponent;
  TCustomImageList* SelectedImages() const override { return nullptr; }
  int32_t SelectedImageIndex() const override { return -1; }
  String SelectedCaption() const override { return "Item"; }
  void Popup(const TRect& R) override { Popups.push_back(R); }
  void SetOnItemChange(TNotifyEvent Value) override { OnItemChange = std::move(Value); }
  void SetOnMenuClose(TNotifyEvent Value) override { OnMenuClose = std::move(Value); }
  void Close() {
    if (OnMenuClose) OnMenuClose(this);
  }
  std::vector<TRect> Popups;
  TNotifyEvent OnItemChange, OnMenuClose;
};

class SkinMenuSpeedButton : public TSkinKitTest {
 public:
  TbsSkinMenuSpeedButton* Add(const TRect& R, bool Skinned) {
    auto* b = new TbsSkinMenuSpeedButton(Form.get());
    b->SetUseSkinSize(false);
    b->SetParent(Form.get());
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) b->SetSkinData(Skin.get());
    b->OnClick = [this](TObject*) { Log.push_back("click"); };
    b->OnShowTrackMenu = [this](TObject*) { Log.push_back("show"); };
    b->OnHideTrackMenu = [this](TObject*) { Log.push_back("hide"); };
    return b;
  }
  void Down(TControl* C, int32_t X, int32_t Y) {
    Clock().Advance(GetDoubleClickTime() + 1);
    const TPoint p = At(C, X, Y);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Up(TControl* C, int32_t X, int32_t Y) {
    const TPoint p = At(C, X, Y);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
  static TColor Pixel(TControl* C, int32_t X, int32_t Y) {
    return PixelOf(C->Parent()->Handle(), C->Left() + X, C->Top() + Y);
  }
  std::vector<String> Log;
};

TEST_F(SkinMenuSpeedButton, WholeButtonOpensTheImagesMenuAndStaysDownUntilItCloses) {
  ShowForm();
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned);
    TFakeImagesMenu menu(nullptr);
    TbsSkinMenuSpeedButton* b = Add(TRect{10, 10, 70, 30}, skinned);
    b->SetSkinImagesMenu(&menu);
    Log.clear();
    Down(b, 5, 5);
    ASSERT_EQ(menu.Popups.size(), 1u);
    const TPoint origin = b->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(menu.Popups[0], (TRect{origin.X, origin.Y, origin.X + 60, origin.Y + 20}));
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(b->MenuOpen());
    Up(b, 5, 5);
    EXPECT_TRUE(b->Down()) << "the release does not put it up";
    MoveTo(Form.get(), 200, 150);
    EXPECT_FALSE(b->PointerInside());
    EXPECT_TRUE(b->Down());
    menu.Close();
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(b->MenuOpen());
    EXPECT_EQ(Log, (std::vector<String>{"show", "hide"})) << "no click";
    delete b;
    EXPECT_FALSE(menu.OnMenuClose) << "a freed button leaves no notice behind";
    EXPECT_FALSE(menu.OnItemChange);
  }
}

TEST_F(SkinMenuSpeedButton, TrackButtonModeOpensOnlyFromTheDropDownArea) {
  struct TCase {
    const char* Name;
    bool Skinned, NewStyle, Bottom;
    TRect R;
    TPoint Outside, Inside;
  };
  // The skinned default section uses its "trackbuttonrect" (the last 18 of
  // 40 columns) moved with the width; the others a 15-pixel strip.
  const TCase cases[] = {
      {"plain", false, false, false, TRect{10, 10, 90, 30}, {64, 10}, {65, 0}},
      {"skinned", true, false, false, TRect{10, 10, 90, 30}, {61, 10}, {62, 19}},
      {"new style right", true, true, false, TRect{10, 10, 70, 40}, {44, 10}, {45, 29}},
      {"new style bottom", true, true, true, TRect{10, 10, 70, 40}, {59, 14}, {0, 15}},
  };
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeImagesMenu menu(nullptr);
    TbsSkinMenuSpeedButton* b = Add(c.R, c.Skinned);
    b->SetNewStyle(c.NewStyle);
    b->SetTrackPosition(c.Bottom ? TbsTrackPosition::bstpBottom : TbsTrackPosition::bstpRight);
    b->SetTrackButtonMode(true);
    b->GetSkinData();
    EXPECT_FALSE(b->InDropDownArea(c.Inside.X, c.Inside.Y)) << "no menu: an ordinary button";
    b->SetSkinImagesMenu(&menu);
    EXPECT_FALSE(b->InDropDownArea(c.Outside.X, c.Outside.Y));
    EXPECT_TRUE(b->InDropDownArea(c.Inside.X, c.Inside.Y));
    // Outside: a click on release, no menu.
    Log.clear();
    Down(b, c.Outside.X, c.Outside.Y);
    Up(b, c.Outside.X, c.Outside.Y);
    EXPECT_EQ(Log, std::vector<String>{"click"});
    EXPECT_TRUE(menu.Popups.empty());
    // Inside: the menu, the button down until it closes.
    Log.clear();
    Down(b, c.Inside.X, c.Inside.Y);
    Up(b, c.Inside.X, c.Inside.Y);
    EXPECT_EQ(menu.Popups.size(), 1u);
    EXPECT_TRUE(b->Down());
    menu.Close();
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(Log, (std::vector<String>{"show", "hide"}));
    delete b;
  }
}

TEST_F(SkinMenuSpeedButton, PopupMenuKeepsItDownUntilTheMenuClosedNotice) {
  auto* sf = new TbsSkinForm(Form.get());
  ShowForm();
  auto* popup = new TbsSkinPopupMenu(Form.get());
  for (int32_t i = 0; i < 2; ++i) {
    auto* item = new TMenuItem(popup);
    item->SetCaption("Item " + IntToStr(i));
    popup->Items()->Add(item);
  }
  TbsSkinMenuSpeedButton* b = Add(TRect{10, 10, 70, 30}, false);
  b->SetSkinPopupMenu(popup);
  Down(b, 20, 10);
  EXPECT_TRUE(sf->SkinMenu()->IsOpen);
  EXPECT_TRUE(b->Down());
  Up(b, 20, 10);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(Log, std::vector<String>{"show"});
  sf->SkinMenu()->CloseMenu();
  Pump();
  EXPECT_FALSE(b->Down());
  EXPECT_FALSE(b->MenuOpen());
  EXPECT_EQ(Log, (std::vector<String>{"show", "hide"}));
  // A freed menu is forgotten: the next press is an ordinary one.
  delete popup;
  EXPECT_EQ(b->SkinPopupMenu(), nullptr);
  Log.clear();
  ClickAt(b, 20, 10);
  EXPECT_EQ(Log, std::vector<String>{"click"});
}

TEST_F(SkinMenuSpeedButton, NewStyleSwitchesTheSectionOnlyOn) {
  TbsSkinMenuSpeedButton* b = Add(TRect{10, 10, 70, 30}, true);
  EXPECT_EQ(b->SkinDataName(), "toolmenubutton");
  b->SetNewStyle(true);
  EXPECT_EQ(b->SkinDataName(), "resizetoolbutton");
  b->SetNewStyle(false);
  EXPECT_EQ(b->SkinDataName(), "resizetoolbutton");
}

TEST_F(SkinMenuSpeedButton, OpenMenuLooksInTrackButtonMode) {
  ShowForm();
  TFakeImagesMenu menu(nullptr);
  TbsSkinMenuSpeedButton* p = Add(TRect{10, 10, 70, 30}, false);
  TbsSkinMenuSpeedButton* s = Add(TRect{10, 40, 70, 60}, true);
  TbsSkinMenuSpeedButton* n = Add(TRect{10, 70, 70, 100}, true);
  n->SetNewStyle(true);
  for (TbsSkinMenuSpeedButton* b : {p, s, n}) {
    b->SetTrackButtonMode(true);
    b->SetSkinImagesMenu(&menu);
    Down(b, 55, 2);
    Up(b, 55, 2);
    ASSERT_TRUE(b->MenuOpen()) << b->Top();
  }
  MoveTo(n, 30, 10);
  Pump();
  // Plain: a hot main part and a pressed strip.
  EXPECT_EQ(Pixel(p, 10, 10), Rgb(TColor(0xD2BDB6)));
  EXPECT_EQ(Pixel(p, 47, 2), Rgb(TColor(0xB59385)));
  EXPECT_EQ(Pixel(p, 0, 0), Rgb(TColor(0x800000)));
  // Default section: the active image with the drop-down part pressed.
  EXPECT_EQ(Pixel(s, 10, 10), MenuFace[1]);
  EXPECT_EQ(Pixel(s, 43, 2), MenuStrip[2]);
  // New style under the mouse: the main part active, the strip down.
  EXPECT_EQ(Pixel(n, 10, 10), ResizeToolFace[1]);
  EXPECT_EQ(Pixel(n, 47, 3), TrackFace[2]);
  SaveSheet(Form.get(), "skinmenuspeedbutton-open");
  menu.Close();
}

TEST_F(SkinMenuSpeedButton, StretchedAndNinePartSectionsSplitTheirStrip) {
  struct TCase {
    String Section;
    TColor Normal, Active, Down;
  };
  const TCase cases[] = {{"toolbutton", BtnNormal, BtnActive, BtnDown},
                         {"resizebutton", ResizeFace, ResizeHot, ResizeDown}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Section);
    TFakeImagesMenu menu(nullptr);
    TbsSkinMenuSpeedButton* b = Add(TRect{10, 10, 90, 40}, false);
    b->SetSkinDataName(c.Section);
    b->SetSkinData(Skin.get());
    b->SetTrackButtonMode(true);
    b->SetSkinImagesMenu(&menu);
    Pump();
    EXPECT_EQ(Pixel(b, 30, 15), c.Normal);
    EXPECT_EQ(Pixel(b, 70, 6), c.Normal);
    Down(b, 70, 25);
    Up(b, 70, 25);
    ASSERT_TRUE(b->MenuOpen());
    // Open: the main part active, the strip down.
    EXPECT_EQ(Pixel(b, 30, 15), c.Active);
    EXPECT_EQ(Pixel(b, 70, 6), c.Down);
    menu.Close();
    delete b;
  }
}

}  // namespace
