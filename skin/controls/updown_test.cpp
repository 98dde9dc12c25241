#include "skin/controls/updown.h"

#include <gtest/gtest.h>

#include "skin/controls/bars_testing.h"
#include "skin/controls/testkit/skinkit_bars.h"

namespace {

using namespace SkinKit;

class SkinUpDown : public TSkinBarTest {
 public:
  // A plain horizontal up-down 50 x 25: button 1 (decrease) on the left half
  // 0..25, button 0 (increase) on the right half 25..50.
  TbsSkinUpDown* Add(const TRect& R = TRect{10, 10, 60, 35}) {
    ShowForm();
    auto* u = new TbsSkinUpDown(Form.get());
    u->SetParent(Form.get());
    u->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    u->OnChange = [this](TObject*) { Log.push_back("change"); };
    u->OnUpButtonClick = [this](TObject*) { Log.push_back("up"); };
    u->OnDownButtonClick = [this](TObject*) { Log.push_back("down"); };
    return u;
  }
  std::vector<String> Log;
};

TEST_F(SkinUpDown, HoldingButtonZeroRepeatsFrom600MsAndOnceMoreOnRelease) {
  TbsSkinUpDown* u = Add();
  EXPECT_EQ(u->Button(0).R, (TRect{25, 0, 50, 25}));
  EXPECT_EQ(u->Button(1).R, (TRect{0, 0, 25, 25}));
  Down(u, 40, 10);
  struct {
    int32_t Ms, Position;
  } steps[] = {{500, 0}, {599, 0}, {600, 1}, {700, 2}, {1000, 5}};
  int32_t t = 0;
  for (const auto& s : steps) {
    H().AdvanceClock(uint64_t(s.Ms - t));
    t = s.Ms;
    EXPECT_EQ(u->Position(), s.Position) << s.Ms << " ms";
  }
  Up(u, 40, 10);
  EXPECT_EQ(u->Position(), 6);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "up"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "change"), 6);
  H().AdvanceClock(1000);
  EXPECT_EQ(u->Position(), 6);
}

TEST_F(SkinUpDown, MovingToTheOtherButtonStopsAndComingBackResumesAt50Ms) {
  TbsSkinUpDown* u = Add();
  Down(u, 40, 10);
  H().AdvanceClock(600);
  EXPECT_EQ(u->Position(), 1);
  MoveTo(u, 10, 10);
  EXPECT_FALSE(u->Button(0).MouseIn);
  EXPECT_FALSE(u->Button(1).MouseIn) << "a captured button lets no other become active";
  H().AdvanceClock(1000);
  EXPECT_EQ(u->Position(), 1);
  MoveTo(u, 40, 10);
  H().AdvanceClock(50);
  EXPECT_EQ(u->Position(), 2);
  // Released outside both buttons: no click, no step.
  MoveTo(u, 40, 100);
  Log.clear();
  Up(u, 40, 100);
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(u->Position(), 2);
}

TEST_F(SkinUpDown, ClicksAtTheEdgesOfTheRange) {
  struct {
    int32_t Increment, Position, X;
    TRawButton Button;
    int32_t HoldMs, After;
    std::vector<String> Log;
  } cases[] = {
      // Increment 0: no timer, only the click event.
      {0, 5, 40, TRawButton::Left, 2000, 5, {"up"}},
      {0, 5, 10, TRawButton::Left, 2000, 5, {"down"}},
      // At Max the step is refused (no OnChange) but the click fires.
      {1, 100, 40, TRawButton::Left, 2000, 100, {"up"}},
      {1, 0, 10, TRawButton::Left, 300, 0, {"down"}},
      // Any mouse button presses; the shared middle column is button 0's.
      {2, 10, 40, TRawButton::Right, 300, 12, {"change", "up"}},
      {2, 10, 25, TRawButton::Left, 300, 12, {"change", "up"}},
      {2, 10, 24, TRawButton::Middle, 300, 8, {"change", "down"}},
  };
  TbsSkinUpDown* u = Add();
  for (const auto& c : cases) {
    u->SetIncrement(c.Increment);
    u->SetPosition(c.Position);
    Log.clear();
    Down(u, c.X, 10, c.Button);
    H().AdvanceClock(uint64_t(c.HoldMs));
    Up(u, c.X, 10, c.Button);
    EXPECT_EQ(u->Position(), c.After) << c.Increment << " " << c.Position << " " << c.X;
    EXPECT_EQ(Log, c.Log) << c.Increment << " " << c.Position << " " << c.X;
  }
}

TEST_F(SkinUpDown, PlainAndSkinnedLooks) {
  TbsSkinUpDown* u = Add();
  u->SetOrientation(TUDOrientation::udVertical);
  u->SetBounds(10, 10, 20, 30);
  EXPECT_EQ(u->Button(0).R, (TRect{0, 0, 20, 15}));
  EXPECT_EQ(u->Button(1).R, (TRect{0, 15, 20, 30}));
  Pump();
  EXPECT_EQ(Probe(u, 0, 5), Rgb(clBtnShadow));
  EXPECT_EQ(Probe(u, 3, 5), Rgb(clBtnFace));
  SaveSheet(u, "skinupdown-plain-normal");
  MoveTo(u, 10, 5);
  EXPECT_EQ(Probe(u, 0, 5), Rgb(clNavy));
  EXPECT_EQ(Probe(u, 3, 5), Rgb(clPlainHotFill));
  SaveSheet(u, "skinupdown-plain-hot");
  Down(u, 10, 5);
  EXPECT_EQ(Probe(u, 3, 5), Rgb(clPlainDownFill));
  SaveSheet(u, "skinupdown-plain-pressed");
  Up(u, 10, 5);

  // The kit's "hupdown": 30 x 15, decrease 0..15, increase 15..30.
  TbsSkinUpDown* s = Add(TRect{100, 10, 150, 40});
  s->SetSkinData(Skin.get());
  EXPECT_EQ(s->Width(), 30);
  EXPECT_EQ(s->Height(), 15);
  EXPECT_EQ(s->Button(0).R, (TRect{15, 0, 30, 15}));
  Pump();
  EXPECT_EQ(Probe(s, 20, 7), UpDownFace);
  struct {
    int32_t X;
    TColor Hot, Pressed;
  } buttons[] = {{20, HotUp, DownUp}, {5, HotDown, DownDown}};
  for (const auto& b : buttons) {
    MoveTo(s, b.X, 7);
    EXPECT_EQ(Probe(s, b.X, 7), b.Hot) << b.X;
    SaveSheet(s, "skinupdown-kit-hot-" + std::to_string(b.X));
    Down(s, b.X, 7);
    EXPECT_EQ(Probe(s, b.X, 7), b.Pressed) << b.X;
    SaveSheet(s, "skinupdown-kit-pressed-" + std::to_string(b.X));
    Up(s, b.X, 7);
  }

  // Without the skin's size: resize buttons from "resizebutton" at any size.
  TbsSkinUpDown* r = Add(TRect{160, 10, 220, 30});
  r->SetUseSkinSize(false);
  r->SetSkinData(Skin.get());
  EXPECT_EQ(r->Width(), 60);
  EXPECT_EQ(r->Button(0).R, (TRect{30, 0, 60, 20}));
  Pump();
  EXPECT_EQ(Probe(r, 45, 17), ResizeFace);
  SaveSheet(r, "skinupdown-resize-normal");
  MoveTo(r, 40, 3);
  EXPECT_EQ(Probe(r, 40, 3), ResizeHot);
  EXPECT_EQ(Probe(r, 10, 3), ResizeFace);
  SaveSheet(r, "skinupdown-resize-hot");
  Down(r, 40, 3);
  EXPECT_EQ(Probe(r, 40, 3), ResizeDown);
  SaveSheet(r, "skinupdown-resize-pressed");
  Up(r, 40, 3);
}

TEST_F(SkinUpDown, ResizeLookWithoutItsDescriptionIsBlank) {
  TbsSkinUpDown* r = Add(TRect{10, 10, 70, 30});
  r->SetUseSkinSize(false);
  auto& list = Skin->ControlDescriptions;
  list.erase(std::remove_if(list.begin(), list.end(), [](const auto& d) { return d->SectionName == "resizebutton"; }),
             list.end());
  r->SetSkinData(Skin.get());
  Pump();
  const TColor blank = Probe(r, 5, 5);
  EXPECT_EQ(Probe(r, 45, 10), blank);
  EXPECT_EQ(Probe(r, 30, 10), blank) << "no arrow";
}

}  // namespace
