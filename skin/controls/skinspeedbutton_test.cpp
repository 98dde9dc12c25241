#include "skin/controls/skinspeedbutton.h"

#include <gtest/gtest.h>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/imglist.h"
#include "skin/controls/buttongroups_testing.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

// A tool bar stand-in with image lists.
class TFakeBar : public TCustomControl, public IbsToolBarHost {
 public:
  using TCustomControl::TCustomControl;
  bool AdjustControls() const override { return false; }
  TRect AdjustedClientRect() override { return GetAdjustedClientRect(this); }
  TCustomImageList* Images() const override { return FImages; }
  TCustomImageList* HotImages() const override { return FHot; }
  TCustomImageList* DisabledImages() const override { return FDisabled; }
  TCustomImageList *FImages = nullptr, *FHot = nullptr, *FDisabled = nullptr;
};

// An images menu stand-in whose selected item shows one list image.
class TFakeImagesMenu : public TComponent, public IbsImagesMenu {
 public:
  using TComponent::TComponent;
  TCustomImageList* SelectedImages() const override { return FImages; }
  int32_t SelectedImageIndex() const override { return 0; }
  String SelectedCaption() const override { return "Item"; }
  void Popup(const TRect&) override {}
  void SetOnItemChange(TNotifyEvent) override {}
  void SetOnMenuClose(TNotifyEvent) override {}
  TCustomImageList* FImages = nullptr;
};

class SkinSpeedButton : public TSkinKitTest {
 public:
  TbsSkinSpeedButton* Add(TWinControl* Parent, const String& Caption, const TRect& R, bool Skinned) {
    auto* b = new TbsSkinSpeedButton(Form.get());
    b->SetParent(Parent);
    b->SetCaption(Caption);
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    b->OnClick = [this, b](TObject*) { Clicks.push_back(b); };
    if (Skinned) b->SetSkinData(Skin.get());
    return b;
  }
  static std::unique_ptr<TImageList> SolidList(TColor C) {
    auto list = std::make_unique<TImageList>(nullptr, 8, 8);
    TBitmap b;
    b.SetSize(8, 8);
    b.Canvas()->Brush()->SetColor(C);
    b.Canvas()->FillRect(TRect{0, 0, 8, 8});
    list->Add(&b, nullptr);
    return list;
  }
  // The colour of a point of a graphic control, on its parent's window.
  static TColor At(TControl* C, int32_t X, int32_t Y) {
    return PixelOf(C->Parent()->Handle(), C->Left() + X, C->Top() + Y);
  }
  std::vector<TbsSkinSpeedButton*> Clicks;
};

TEST_F(SkinSpeedButton, GroupsAsThePushButtons) {
  ShowForm();
  for (const TGroupPressCase& c : GroupPressCases()) {
    SCOPED_TRACE(c.AllowAllUp);
    TbsSkinSpeedButton* b[3];
    for (int32_t i = 0; i < 3; ++i) {
      b[i] = Add(Form.get(), "", TRect{10 + 40 * i, 10, 40 + 40 * i, 40}, true);
      b[i]->SetGroupIndex(1);
      b[i]->SetAllowAllUp(c.AllowAllUp);
    }
    for (const TGroupPressStep& s : c.Steps) {
      Clicks.clear();
      ClickAt(b[s.Press], 5, 5);
      String down;
      for (TbsSkinSpeedButton* x : b) down += x->Down() ? '1' : '0';
      EXPECT_EQ(down, s.Down) << "after pressing " << s.Press;
      if (s.Clicked < 0)
        EXPECT_TRUE(Clicks.empty());
      else
        EXPECT_EQ(Clicks, std::vector<TbsSkinSpeedButton*>{b[s.Clicked]});
    }
    for (TbsSkinSpeedButton* x : b) delete x;
  }
  // Ungrouped: one click on release over the button, none elsewhere.
  TbsSkinSpeedButton* u = Add(Form.get(), "", TRect{10, 60, 40, 90}, true);
  Clicks.clear();
  ClickAt(u, 5, 5);
  EXPECT_EQ(Clicks.size(), 1u) << "the platform adds no click of its own";
  EXPECT_FALSE(u->ControlStyle().Contains(TControlStyleItem::csClickEvents));
}

TEST_F(SkinSpeedButton, ShowCaptionSwitchesPresetWidths) {
  struct TCase {
    int32_t With, Without;
    int32_t WidthHidden, WidthShown;
  };
  const TCase cases[] = {{80, 30, 30, 80}, {80, 0, 60, 60}, {0, 30, 60, 60}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.With << "/" << c.Without);
    TbsSkinSpeedButton* b = Add(Form.get(), "Caption", TRect{10, 10, 70, 35}, false);
    b->SetWidthWithCaption(c.With);
    b->SetWidthWithoutCaption(c.Without);
    b->SetShowCaption(false);
    EXPECT_EQ(b->Width(), c.WidthHidden);
    b->SetShowCaption(true);
    EXPECT_EQ(b->Width(), c.WidthShown);
    delete b;
  }
}

TEST_F(SkinSpeedButton, FlatShowsItsBackgroundOnlyUnderTheMouse) {
  Form->SetColor(SkinKit::Rgb(250, 230, 200));
  const TColor parent = SkinKit::Rgb(250, 230, 200);
  ShowForm();
  TbsSkinSpeedButton* s = Add(Form.get(), "", TRect{10, 10, 40, 40}, true);
  TbsSkinSpeedButton* p = Add(Form.get(), "", TRect{60, 10, 90, 40}, false);
  for (TbsSkinSpeedButton* b : {s, p}) {
    b->SetFlat(true);
    EXPECT_TRUE(b->Transparent());
  }
  Pump();
  EXPECT_EQ(At(s, 10, 10), parent);
  EXPECT_EQ(At(p, 10, 10), parent);
  EXPECT_EQ(At(p, 0, 0), parent) << "no frame at rest";
  MoveTo(s, 10, 10);
  EXPECT_TRUE(s->PointerInside());
  EXPECT_EQ(At(s, 10, 10), BtnActive);
  MoveTo(p, 10, 10);
  EXPECT_EQ(At(s, 10, 10), parent) << "back at rest";
  EXPECT_EQ(At(p, 10, 10), Rgb(TColor(0xD2BDB6)));
  EXPECT_EQ(At(p, 0, 0), Rgb(TColor(0x800000)));
  SaveSheet(Form.get(), "skinspeedbutton-flat");
  // The program resets the hover look of buttons after a click.
  p->ResetHotState();
  EXPECT_FALSE(p->PointerInside());
  Pump();
  EXPECT_EQ(At(p, 10, 10), parent);
  s->ResetHotState();
  EXPECT_FALSE(s->PointerInside()) << "a left button stays as it is";
}

TEST_F(SkinSpeedButton, PicturesFromTheToolBarLists) {
  ShowForm();
  auto* bar = new TFakeBar(Form.get());
  bar->SetParent(Form.get());
  bar->SetBounds(0, 100, 300, 40);
  auto images = SolidList(clBlue), hot = SolidList(clLime), disabled = SolidList(clRed);
  bar->FImages = images.get();
  bar->FHot = hot.get();
  TbsSkinSpeedButton* b = Add(bar, "", TRect{5, 5, 35, 35}, false);
  b->SetImageIndex(0);
  Pump();
  EXPECT_EQ(At(b, 15, 15), Rgb(clBlue));
  MoveTo(b, 2, 2);
  EXPECT_EQ(At(b, 15, 15), Rgb(clLime)) << "hot list under the mouse";
  MoveTo(b, 200, -50);
  b->SetEnabled(false);
  Pump();
  EXPECT_NE(At(b, 15, 15), Rgb(clBlue)) << "greyed without a disabled list";
  bar->FDisabled = disabled.get();
  b->Invalidate();
  Pump();
  EXPECT_EQ(At(b, 15, 15), Rgb(clRed)) << "the disabled list's image, not greyed";
  bar->FImages = bar->FHot = bar->FDisabled = nullptr;
}

// The button forgets a freed images menu, whether the menu shares the
// button's owner (told through the owner) or has none (free notification).
TEST_F(SkinSpeedButton, ImagesMenuFreedBeforeTheButton) {
  ShowForm();
  auto images = SolidList(clLime);
  for (bool sameOwner : {false, true}) {
    SCOPED_TRACE(sameOwner);
    TbsSkinSpeedButton* b = Add(Form.get(), "", TRect{10, 10, 40, 40}, false);
    auto* menu = new TFakeImagesMenu(sameOwner ? Form.get() : nullptr);
    menu->FImages = images.get();
    b->SetUseImagesMenuImage(true);
    b->SetSkinImagesMenu(menu);
    Pump();
    EXPECT_EQ(At(b, 15, 15), Rgb(clLime)) << "the menu's selected picture";
    delete menu;
    EXPECT_EQ(b->SkinImagesMenu(), nullptr);
    b->Invalidate();
    Pump();
    EXPECT_EQ(At(b, 15, 15), Rgb(clBtnFace)) << "painted without the menu";
    delete b;
  }
}

TEST_F(SkinSpeedButton, ContactSheet) {
  Form->SetColor(TColor(0xF0F0F0));
  ShowForm();
  TBitmap glyph;
  glyph.SetSize(40, 10);
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect(TRect{0, 0, 40, 10});
  const TColor tints[] = {clBlue, clGray, clMaroon, clGreen};
  for (int32_t i = 0; i < 4; ++i) {
    glyph.Canvas()->Brush()->SetColor(tints[i]);
    glyph.Canvas()->FillRect(TRect{10 * i + 1, 1, 10 * i + 9, 9});
  }
  int32_t y = 5;
  TbsSkinSpeedButton* hot = nullptr;
  for (bool skinned : {false, true}) {
    for (bool flat : {false, true}) {
      const char* names[] = {"Up", "Hot", "Down", "Off"};
      for (int32_t i = 0; i < 4; ++i) {
        TbsSkinSpeedButton* b = Add(Form.get(), names[i], TRect{5 + 62 * i, y, 65 + 62 * i, y + 25}, skinned);
        b->SetGlyph(&glyph);
        b->SetNumGlyphs(4);
        b->SetFlat(flat);
        if (i == 2) {
          b->SetGroupIndex(1 + y);
          b->SetDown(true);
        }
        if (i == 3) b->SetEnabled(false);
        if (i == 1) hot = b;
      }
      y += 30;
    }
  }
  // The last row's hot button under the mouse (a skinned flat one).
  MoveTo(hot, 5, 5);
  SaveSheet(Form.get(), "skinspeedbutton-sheet");
}

}  // namespace
