#include "skin/controls/slider.h"

#include <gtest/gtest.h>

#include "skin/controls/scrollbar.h"
#include "skin/controls/bars_testing.h"
#include "skin/controls/testkit/skinkit_bars.h"
#include "skin/controls/updown.h"

namespace {

using namespace SkinKit;

class SkinSlider : public TSkinBarTest {
 public:
  // A plain horizontal slider 150 x 40: ruler 138 x 8 at (6, 10), thumb
  // states 9 x 17 at top 6, travel 129, ticks from y 24.
  TbsSkinSlider* Add(const TRect& R = TRect{10, 10, 160, 50}) {
    ShowForm();
    auto* s = new TbsSkinSlider(Form.get());
    s->SetParent(Form.get());
    s->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    s->OnChange = [this](TObject*) { ++Changes; };
    s->OnChanged = [this](TObject*) { ++Finished; };
    return s;
  }
  int32_t Changes = 0, Finished = 0;
};

// What the application relies on when it writes the three bars' values.
TEST_F(SkinSlider, ProgrammaticSettersOfTheThreeBars) {
  struct TRow {
    const char* Name;
    std::function<int32_t(TbsSkinScrollBar*, TbsSkinUpDown*, TbsSkinSlider*)> Act;
    int32_t Value, Events;
  };
  const TRow rows[] = {
      {"bar position", [](auto* b, auto*, auto*) { return b->SetPosition(40), b->Position(); }, 40, 1},
      {"bar equal position", [](auto* b, auto*, auto*) { return b->SetPosition(0), b->Position(); }, 0, 0},
      {"bar above max", [](auto* b, auto*, auto*) { return b->SetPosition(150), b->Position(); }, 100, 1},
      {"bar below min", [](auto* b, auto*, auto*) { return b->SetPosition(-5), b->Position(); }, 0, 0},
      {"bar SetRange", [](auto* b, auto*, auto*) { return b->SetRange(0, 99, 95, 10), b->Position(); }, 90, 0},
      {"bar page top",
       [](auto* b, auto*, auto*) { return b->SetMax(99), b->SetPageSize(10), b->SetPosition(99), b->Position(); }, 90,
       1},
      {"bar page refused", [](auto* b, auto*, auto*) { return b->SetPosition(50), b->SetPageSize(60), b->PageSize(); },
       0, 1},
      {"bar min pulls", [](auto* b, auto*, auto*) { return b->SetMin(20), b->Position(); }, 20, 0},
      {"bar max pulls", [](auto* b, auto*, auto*) { return b->SetRange(0, 100, 80, 0), b->SetMax(30), b->Position(); },
       30, 0},
      {"bar max with page",
       [](auto* b, auto*, auto*) { return b->SetRange(0, 100, 80, 10), b->SetMax(50), b->Position(); }, 41, 0},
      {"bar max = min", [](auto* b, auto*, auto*) { return b->SetRange(5, 5, 9, 0), b->SetPosition(7), b->Position(); },
       5, 0},
      {"updown position", [](auto*, auto* u, auto*) { return u->SetPosition(50), u->Position(); }, 50, 1},
      {"updown equal position", [](auto*, auto* u, auto*) { return u->SetPosition(0), u->Position(); }, 0, 1},
      {"updown above max", [](auto*, auto* u, auto*) { return u->SetPosition(101), u->Position(); }, 0, 0},
      {"updown below min", [](auto*, auto* u, auto*) { return u->SetPosition(-1), u->Position(); }, 0, 0},
      {"updown min pulls", [](auto*, auto* u, auto*) { return u->SetMin(60), u->Position(); }, 60, 0},
      {"updown max pulls",
       [](auto*, auto* u, auto*) { return u->SetMax(40), u->SetMin(-10), u->SetMax(-5), u->Position(); }, -5, 0},
      {"slider value", [](auto*, auto*, auto* s) { return s->SetValue(150), s->Value(); }, 100, 1},
      {"slider equal value", [](auto*, auto*, auto* s) { return s->SetValue(0), s->Value(); }, 0, 0},
      {"slider below min", [](auto*, auto*, auto* s) { return s->SetValue(-20), s->Value(); }, 0, 0},
      {"slider equal bounds ignored", [](auto*, auto*, auto* s) { return s->SetMinValue(100), s->MinValue(); }, 0, 0},
      {"slider max pulls value", [](auto*, auto*, auto* s) { return s->SetValue(80), s->SetMaxValue(50), s->Value(); },
       50, 2},
      {"slider small range lowers increment", [](auto*, auto*, auto* s) { return s->SetMaxValue(5), s->Increment(); },
       5, 0},
      {"slider increment 0 ignored", [](auto*, auto*, auto* s) { return s->SetIncrement(0), s->Increment(); }, 10, 0},
  };
  ShowForm();
  for (const TRow& r : rows) {
    int32_t events = 0;
    auto bar = std::make_unique<TbsSkinScrollBar>(nullptr);
    auto updown = std::make_unique<TbsSkinUpDown>(nullptr);
    auto slider = std::make_unique<TbsSkinSlider>(nullptr);
    bar->OnChange = updown->OnChange = slider->OnChange = [&](TObject*) { ++events; };
    EXPECT_EQ(r.Act(bar.get(), updown.get(), slider.get()), r.Value) << r.Name;
    EXPECT_EQ(events, r.Events) << r.Name;
  }
}

TEST_F(SkinSlider, BuiltInImagesWithoutASkin) {
  TbsSkinSlider* s = Add();
  EXPECT_EQ(s->RulerImage()->Width(), 138);
  EXPECT_EQ(s->RulerImage()->Height(), 8);
  EXPECT_EQ(s->RulerOrigin(), (TPoint{6, 10}));
  EXPECT_EQ(s->ThumbBounds(), (TRect{6, 6, 15, 23}));
  EXPECT_EQ(s->TickArea(), (TRect{6, 24, 144, 39}));
  Pump();
  EXPECT_EQ(Probe(s, 60, 10), SkinKit::Rgb(128, 128, 128)) << "ruler: groove edge";
  EXPECT_EQ(Probe(s, 60, 11), SkinKit::Rgb(64, 64, 64));
  EXPECT_EQ(Probe(s, 60, 13), SkinKit::Rgb(255, 255, 255));
  EXPECT_EQ(Probe(s, 143, 10), Probe(s, 70, 30)) << "the ruler's key corner shows the background";
  EXPECT_EQ(Probe(s, 9, 10), SkinKit::Rgb(212, 208, 200)) << "thumb at rest";
  EXPECT_EQ(Probe(s, 6, 22), Probe(s, 70, 30)) << "the thumb's key pixels show what lies under it";
  // Ticks every 10 from 0 to 100 under the thumb's middle: ends 5 long, others 3.
  EXPECT_EQ(Probe(s, 10, 28), Rgb(clWindowText));
  EXPECT_EQ(Probe(s, 10, 29), Probe(s, 70, 30));
  EXPECT_EQ(Probe(s, 23, 26), Rgb(clWindowText));
  EXPECT_EQ(Probe(s, 23, 27), Probe(s, 70, 30));
  SaveSheet(s, "skinslider-plain-normal");
  Down(s, 9, 10);
  EXPECT_EQ(Probe(s, 9, 10), SkinKit::Rgb(176, 172, 166)) << "thumb pressed";
  SaveSheet(s, "skinslider-plain-pressed");
  Up(s, 9, 10);
  s->SetEnabled(false);
  Pump();
  EXPECT_EQ(Probe(s, 9, 10), SkinKit::Rgb(176, 172, 166)) << "thumb disabled";
  SaveSheet(s, "skinslider-plain-disabled");

  // A user image replaces the thumb; nil brings the built-in one back.
  TBitmap user;
  user.SetSize(10, 20);
  user.Canvas()->Brush()->SetColor(clRed);
  user.Canvas()->FillRect(TRect{0, 0, 10, 20});
  s->SetOptions(s->Options() + TbsSliderOptions{TbsSliderOption::soThumbOpaque});
  s->SetImage(TbsSliderImage::siHThumb, &user);
  EXPECT_TRUE(s->IsUserImage(TbsSliderImage::siHThumb));
  EXPECT_EQ(s->ThumbBounds(), (TRect{6, 6, 11, 26}));
  s->SetImage(TbsSliderImage::siHThumb, nullptr);
  EXPECT_FALSE(s->IsUserImage(TbsSliderImage::siHThumb));
  EXPECT_FALSE(s->Options().Contains(TbsSliderOption::soThumbOpaque));
  EXPECT_EQ(s->ThumbBounds(), (TRect{6, 6, 15, 23}));
}

TEST_F(SkinSlider, KitSkinRulerThumbAndPoints) {
  TbsSkinSlider* s = Add();
  s->SetSkinData(Skin.get());
  Pump();
  EXPECT_EQ(s->ThumbBounds(), (TRect{6, 6, 17, 19}));
  EXPECT_EQ(s->RulerOrigin(), (TPoint{6, 9}));
  EXPECT_EQ(Probe(s, 60, 9), SliderRuler);
  EXPECT_EQ(Probe(s, 60, 14), SliderBG) << "the ruler's key row";
  EXPECT_EQ(Probe(s, 100, 35), SliderBG);
  EXPECT_EQ(Probe(s, 10, 10), SliderThumb);
  EXPECT_EQ(Probe(s, 11, 20), SliderPoints);
  SaveSheet(s, "skinslider-kit-normal");
  Down(s, 10, 10);
  EXPECT_EQ(Probe(s, 10, 10), SliderThumbDown);
  SaveSheet(s, "skinslider-kit-pressed");
  Up(s, 10, 10);
}

TEST_F(SkinSlider, DragSnapsFromMinWhileKeysStepFromZero) {
  TbsSkinSlider* s = Add();
  s->SetOptions(TbsSliderOptions{TbsSliderOption::soShowPoints});
  s->SetMaxValue(105);
  s->SetMinValue(5);
  struct {
    int32_t Move, Value, Left;
  } drags[] = {{40, 35, 45}, {3, 5, 6}, {200, 105, 135}, {-40, 5, 6}};
  for (const auto& d : drags) {
    s->SetValue(5);
    Changes = 0;
    Down(s, 10, 12);
    EXPECT_TRUE(s->ThumbDragging());
    MoveTo(s, 10 + d.Move, 12);
    EXPECT_EQ(s->Value(), d.Value) << d.Move;
    EXPECT_EQ(s->ThumbBounds().Left, d.Left) << d.Move;
    Up(s, 10 + d.Move, 12);
    EXPECT_EQ(Changes, d.Value != 5 ? 1 : 0) << d.Move;
  }
  s->SetFocus();
  struct {
    int32_t From;
    uint32_t Key;
    int32_t To;
  } keys[] = {{15, VK_RIGHT, 30}, {15, VK_LEFT, 10}, {25, VK_RIGHT, 30},   {35, VK_RIGHT, 50},
              {15, VK_HOME, 5},   {15, VK_END, 105}, {100, VK_RIGHT, 105}, {15, VK_UP, 15}};
  for (const auto& k : keys) {
    s->SetValue(k.From);
    Finished = 0;
    Press(k.Key);
    EXPECT_EQ(s->Value(), k.To) << k.From << " key " << k.Key;
    EXPECT_EQ(Finished, k.Key == VK_UP ? 0 : 1);
  }
}

TEST_F(SkinSlider, RulerTrackingJumpsEvery400MsUntilTheThumbPassesTheMouse) {
  TbsSkinSlider* s = Add();
  Down(s, 100, 14);
  EXPECT_TRUE(s->Tracking());
  struct {
    int32_t Ms, Value;
  } steps[] = {{0, 10}, {399, 10}, {400, 20}, {800, 30}, {2400, 70}, {2800, 70}, {6000, 70}};
  int32_t t = 0;
  for (const auto& st : steps) {
    H().AdvanceClock(uint64_t(st.Ms - t));
    t = st.Ms;
    EXPECT_EQ(s->Value(), st.Value) << st.Ms << " ms";
  }
  // The pointer moved on: the same press goes on towards it.
  MoveTo(s, 130, 14);
  H().AdvanceClock(400);
  EXPECT_EQ(s->Value(), 80);
  Up(s, 130, 14);
  EXPECT_FALSE(s->Tracking());
  EXPECT_EQ(Finished, 1);
  // Left of the thumb the jumps go down.
  Down(s, 20, 14);
  H().AdvanceClock(400);
  EXPECT_EQ(s->Value(), 60);
  Up(s, 20, 14);
}

TEST_F(SkinSlider, VerticalHasMinAtTheBottomAndSwitchingSwapsTheSize) {
  TbsSkinSlider* s = Add();
  s->SetOrientation(TbsSliderOrientation::soVertical);
  EXPECT_EQ(s->Width(), 40);
  EXPECT_EQ(s->Height(), 150);
  EXPECT_EQ(s->ThumbBounds(), (TRect{6, 135, 25, 144}));
  EXPECT_EQ(s->RulerOrigin(), (TPoint{11, 6}));
  s->SetValue(100);
  EXPECT_EQ(s->ThumbBounds().Top, 6);
  Pump();
  SaveSheet(s, "skinslider-plain-vertical");
  s->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(s->Value(), 90);
  // Dragging up raises the value.
  s->SetValue(0);
  Down(s, 10, 139);
  MoveTo(s, 10, 139 - 64);
  EXPECT_EQ(s->Value(), 50);
  Up(s, 10, 75);
}

TEST_F(SkinSlider, RulerShorterThanTheThumbNeverDividesByZero) {
  TbsSkinSlider* s = Add(TRect{10, 10, 24, 40});
  // Ruler 2 wide, thumb 9: the travel is -7.
  EXPECT_EQ(s->RulerImage()->Width(), 2);
  EXPECT_EQ(s->OffsetToValue(40), 0);
  s->SetValue(60);
  EXPECT_EQ(s->ThumbBounds().Left, 2);
  Pump();
  Down(s, 8, 12);
  MoveTo(s, 12, 12);
  Up(s, 12, 12);
  EXPECT_EQ(s->Value(), 0) << "no travel maps every offset to MinValue";
  Press(VK_RIGHT);
  EXPECT_EQ(s->Value(), 10);
  s->SetBounds(10, 10, 0, 0);
  Pump();
  EXPECT_EQ(s->RulerImage()->Width(), 0);
  EXPECT_EQ(s->ValueToOffset(50), 6 + int32_t(Round(-9 * 0.5)));
}

// The bars' contact sheet: plain and kit-skinned, both orientations.
TEST_F(SkinSlider, ContactSheetOfTheBars) {
  Form->SetBounds(0, 0, 420, 300);
  ShowForm();
  const auto bar = [&](bool Skinned, TScrollBarKind Kind, const TRect& R) {
    auto* b = new TbsSkinScrollBar(Form.get());
    b->SetParent(Form.get());
    if (Kind == TScrollBarKind::sbVertical) {
      b->SetKind(Kind);
      b->SetSkinDataName("vscrollbar");
    }
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    b->SetRange(0, 99, 30, 20);
    if (Skinned) b->SetSkinData(Skin.get());
  };
  bar(false, TScrollBarKind::sbHorizontal, TRect{10, 10, 210, 29});
  bar(true, TScrollBarKind::sbHorizontal, TRect{10, 40, 210, 59});
  bar(false, TScrollBarKind::sbVertical, TRect{380, 10, 399, 210});
  bar(true, TScrollBarKind::sbVertical, TRect{400, 10, 419, 210});
  const auto updown = [&](bool Skinned, bool Vertical, const TRect& R) {
    auto* u = new TbsSkinUpDown(Form.get());
    u->SetParent(Form.get());
    if (Vertical) {
      u->SetOrientation(TUDOrientation::udVertical);
      u->SetSkinDataName("vupdown");
    }
    u->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) u->SetSkinData(Skin.get());
  };
  updown(false, false, TRect{220, 10, 270, 35});
  updown(true, false, TRect{280, 10, 330, 35});
  updown(false, true, TRect{220, 45, 240, 85});
  updown(true, true, TRect{280, 45, 300, 85});
  const auto slider = [&](bool Skinned, bool Vertical, const TRect& R) {
    auto* s = new TbsSkinSlider(Form.get());
    s->SetParent(Form.get());
    if (Vertical) s->SetOrientation(TbsSliderOrientation::soVertical);
    s->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    s->SetValue(40);
    if (Skinned) s->SetSkinData(Skin.get());
  };
  slider(false, false, TRect{10, 70, 160, 110});
  slider(true, false, TRect{10, 120, 160, 160});
  slider(false, true, TRect{250, 100, 290, 250});
  slider(true, true, TRect{300, 100, 340, 250});
  Pump();
  const auto file = SaveSheet(Form.get(), "skinbars-contact-sheet");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
