#include "skin/controls/scrollbar.h"

#include <gtest/gtest.h>

#include "skin/controls/arrowbuttons.h"
#include "skin/controls/bars_testing.h"
#include "skin/controls/testkit/skinkit_bars.h"

namespace {

using namespace SkinKit;

class SkinScrollBar : public TSkinBarTest {
 public:
  TbsSkinScrollBar* Add(TScrollBarKind Kind, bool Skinned, const TRect& R) {
    auto* b = new TbsSkinScrollBar(Form.get());
    b->SetParent(Form.get());
    if (Kind == TScrollBarKind::sbVertical) {
      b->SetKind(Kind);
      b->SetSkinDataName("vscrollbar");
    }
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) b->SetSkinData(Skin.get());
    b->OnChange = [this](TObject*) { ++Changes; };
    return b;
  }
  TbsSkinScrollBar* Plain() {
    ShowForm();
    return Add(TScrollBarKind::sbHorizontal, false, TRect{10, 10, 210, 29});
  }
  int32_t Changes = 0;
};

// The plain horizontal bar at 200 x 19: arrows of 16, track 17..183 (166).
TEST_F(SkinScrollBar, PlainLayoutAndThumbTable) {
  struct {
    int32_t Min, Max, Position, Page;
    TRect Thumb;
  } cases[] = {
      {0, 100, 0, 0, {17, 1, 33, 18}},
      {0, 100, 50, 0, {92, 1, 108, 18}},
      {0, 100, 100, 0, {167, 1, 183, 18}},
      // Max = Min: the thumb stays at the track start.
      {5, 5, 5, 0, {17, 1, 33, 18}},
      // Page 10 of 100: Round(16.6) = 17 long, halved to 8; the top is 90.
      {0, 99, 90, 10, {167, 1, 183, 18}},
      {0, 99, 45, 10, {92, 1, 108, 18}},
      // Half the range: 83 long, 41 each side.
      {0, 99, 0, 50, {17, 1, 99, 18}},
      // A page larger than the range: longer than the track, starting before it.
      {0, 99, 0, 200, {17 - 166, 1, 183, 18}},
  };
  TbsSkinScrollBar* b = Plain();
  b->Layout();
  EXPECT_EQ(b->PartRect(2), (TRect{1, 1, 17, 18}));
  EXPECT_EQ(b->PartRect(1), (TRect{183, 1, 199, 18}));
  EXPECT_EQ(b->TrackRect(), (TRect{17, 1, 183, 18}));
  for (const auto& c : cases) {
    b->SetRange(c.Min, c.Max, c.Position, c.Page);
    b->Layout();
    EXPECT_EQ(b->PartRect(0), c.Thumb) << c.Min << ".." << c.Max << " at " << c.Position << " page " << c.Page;
  }
  // A vertical bar with a page larger than its range starts at the track start.
  TbsSkinScrollBar* v = Add(TScrollBarKind::sbVertical, false, TRect{230, 10, 249, 210});
  v->SetRange(0, 99, 0, 200);
  v->Layout();
  EXPECT_EQ(v->PartRect(0).Top, 17);
  EXPECT_EQ(v->PartRect(1), (TRect{1, 183, 18, 199}));
  // Both: the corner square is left out of the plain layout.
  b->SetBoth(true);
  b->Layout();
  EXPECT_EQ(b->PartRect(1), (TRect{164, 1, 180, 18}));
  EXPECT_EQ(Changes, 0);
  // An erase from elsewhere paints the whole bar into the given DC.
  b->SetRange(0, 100, 0, 0);
  TBitmap target;
  target.SetSize(200, 19);
  target.Canvas()->Brush()->SetColor(clRed);
  target.Canvas()->FillRect(TRect{0, 0, 200, 19});
  EXPECT_EQ(b->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.Canvas()->Handle()), 0), 1);
  EXPECT_EQ(target.Canvas()->Pixels(1, 9), Rgb(clBtnShadow));
  EXPECT_EQ(target.Canvas()->Pixels(190, 9), Rgb(clBtnFace)) << "the corner square";
}

TEST_F(SkinScrollBar, ArrowRepeatPausesOffTheArrowAndResumes) {
  TbsSkinScrollBar* b = Plain();
  int32_t t = 0;
  const auto advance = [&](int32_t To) {
    H().AdvanceClock(uint64_t(To - t));
    t = To;
  };
  Down(b, 190, 9);
  EXPECT_EQ(b->Position(), 1) << "one step at once";
  // The first tick at 500 ms only switches to 50 ms.
  struct {
    int32_t Ms, Position;
  } steps[] = {{499, 1}, {500, 1}, {549, 1}, {550, 2}, {600, 3}, {650, 4}};
  for (const auto& s : steps) {
    advance(s.Ms);
    EXPECT_EQ(b->Position(), s.Position) << s.Ms << " ms";
  }
  MoveTo(b, 100, 9);
  EXPECT_EQ(b->HotPart(), -1) << "nothing is hot while the arrow is held";
  advance(1200);
  EXPECT_EQ(b->Position(), 4) << "paused off the arrow";
  MoveTo(b, 190, 9);
  advance(1249);
  EXPECT_EQ(b->Position(), 4);
  advance(1250);
  EXPECT_EQ(b->Position(), 5) << "resumed at 50 ms";
  Up(b, 190, 9);
  advance(2000);
  EXPECT_EQ(b->Position(), 5);
  EXPECT_EQ(Changes, 5);
}

TEST_F(SkinScrollBar, ArrowEventsReplaceTheStep) {
  TbsSkinScrollBar* b = Plain();
  int32_t ups = 0, downs = 0;
  b->OnUpButtonClick = [&](TObject*) { ++ups; };
  b->OnDownButtonClick = [&](TObject*) { ++downs; };
  b->SetPosition(50);
  Changes = 0;
  Down(b, 190, 9);
  H().AdvanceClock(600);
  Up(b, 190, 9);
  EXPECT_EQ(ups, 3);  // the press, 550 and 600 ms
  Down(b, 5, 9);
  Up(b, 5, 9);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(b->Position(), 50);
  EXPECT_EQ(Changes, 0);
}

// Page repeat from the track after the thumb: a step at once, then at 550 ms
// and every 50 ms until the thumb passes the mouse (x 150).
TEST_F(SkinScrollBar, PageRepeatEndsWhenTheThumbPassesTheMouse) {
  TbsSkinScrollBar* b = Plain();
  b->SetLargeChange(10);
  int32_t pages = 0;
  b->OnPageDown = [&](TObject*) { ++pages; };
  Down(b, 150, 9);
  EXPECT_EQ(b->Position(), 10);
  struct {
    int32_t Ms, Position;
  } steps[] = {{500, 10}, {550, 20}, {600, 30}, {850, 80}, {900, 80}, {2000, 80}};
  int32_t t = 0;
  for (const auto& s : steps) {
    H().AdvanceClock(uint64_t(s.Ms - t));
    t = s.Ms;
    EXPECT_EQ(b->Position(), s.Position) << s.Ms << " ms";
  }
  EXPECT_EQ(pages, 8);
  Up(b, 150, 9);

  // Leaving the bar stops a page-down repeat but not a page-up one.
  b->SetPosition(50);
  Down(b, 160, 9);
  b->Perform(CM_MOUSELEAVE, 0, 0);
  H().AdvanceClock(1000);
  EXPECT_EQ(b->Position(), 60);
  Up(b, 160, 9);
  Down(b, 20, 9);
  EXPECT_EQ(b->Position(), 50);
  b->Perform(CM_MOUSELEAVE, 0, 0);
  H().AdvanceClock(550);
  EXPECT_EQ(b->Position(), 40);
  Up(b, 20, 9);
}

TEST_F(SkinScrollBar, ThumbDragMapping) {
  struct {
    int32_t Page, Start, Move, Position;
  } cases[] = {
      // Without a page: travel 150 between centres 25 and 175.
      {0, 0, 75, 50},
      {0, 0, 3, 2},
      {0, 0, 500, 100},
      {0, 0, -50, 0},
      {0, 50, -75, 0},
      {0, 50, 30, 70},
      // Page 10 of 0..99: travel 150, span 90.
      {10, 0, 75, 45},
      {10, 0, 150, 90},
      {10, 45, 50, 75},
  };
  TbsSkinScrollBar* b = Plain();
  int32_t last = 0;
  b->OnLastChange = [&](TObject*) { ++last; };
  for (const auto& c : cases) {
    b->SetRange(0, c.Page ? 99 : 100, c.Start, c.Page);
    b->Layout();
    const TRect thumb = b->PartRect(0);
    const int32_t x = thumb.Left + 4;
    Down(b, x, 9);
    EXPECT_EQ(b->DownPart(), 0);
    MoveTo(b, x + c.Move, 9);
    EXPECT_EQ(b->Position(), c.Position) << "page " << c.Page << " from " << c.Start << " by " << c.Move;
    Up(b, x + c.Move, 9);
  }
  EXPECT_EQ(last, int32_t(std::size(cases)));
}

TEST_F(SkinScrollBar, RightClickOnlyFiresMouseEventsAndDisabledShowsNoThumb) {
  TbsSkinScrollBar* b = Plain();
  std::vector<String> events;
  b->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { events.push_back("down"); };
  b->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { events.push_back("up"); };
  Down(b, 190, 9, TRawButton::Right);
  H().AdvanceClock(1000);
  Up(b, 190, 9, TRawButton::Right);
  EXPECT_EQ(events, (std::vector<String>{"down", "up"}));
  EXPECT_EQ(b->Position(), 0);
  EXPECT_EQ(Changes, 0);

  Pump();
  EXPECT_EQ(Probe(b, 17, 9), Rgb(clBtnShadow)) << "the thumb's frame";
  b->SetEnabled(false);
  Pump();
  EXPECT_EQ(Probe(b, 17, 9), Rgb(clBtnFace));
  EXPECT_EQ(Probe(b, 1, 9), Rgb(clBtnShadow)) << "the arrows stay";
  SaveSheet(b, "skinscrollbar-plain-disabled");
}

TEST_F(SkinScrollBar, KeysAndWheelOnlyWhenFocusable) {
  TbsSkinScrollBar* b = Plain();
  b->SetPosition(10);
  Changes = 0;
  EXPECT_EQ(b->Perform(CM_WANTSPECIALKEY, VK_LEFT, 0), 0);
  b->SetCanFocused(true);
  EXPECT_TRUE(b->TabStop());
  EXPECT_EQ(b->Perform(CM_WANTSPECIALKEY, VK_LEFT, 0), 1);
  EXPECT_EQ(b->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 0);
  ClickAt(b, 100, 9);
  EXPECT_TRUE(b->Focused());
  const int32_t afterClick = b->Position();
  struct {
    uint32_t Key;
    int32_t Delta;
  } steps[] = {{VK_RIGHT, 1}, {VK_DOWN, 1}, {VK_LEFT, -1}, {VK_UP, -1}};
  int32_t expected = afterClick;
  for (const auto& s : steps) {
    Press(s.Key);
    expected += s.Delta;
    EXPECT_EQ(b->Position(), expected) << s.Key;
  }
  const TPoint p = At(b, 100, 9);
  H().Wheel(p.X, p.Y, 120);
  Pump();
  EXPECT_EQ(b->Position(), expected - 1);
  H().Wheel(p.X, p.Y, -120);
  Pump();
  EXPECT_EQ(b->Position(), expected);
}

TEST_F(SkinScrollBar, SkinnedLayoutAndStateImages) {
  ShowForm();
  TbsSkinScrollBar* b = Add(TScrollBarKind::sbHorizontal, true, TRect{10, 10, 110, 40});
  EXPECT_EQ(b->Height(), 15) << "the skin's height";
  b->Layout();
  EXPECT_EQ(b->TrackRect(), (TRect{15, 0, 85, 15}));
  EXPECT_EQ(b->PartRect(1), (TRect{85, 0, 100, 15}));
  EXPECT_EQ(b->PartRect(2), (TRect{0, 0, 15, 15}));
  EXPECT_EQ(b->PartRect(0), (TRect{15, 1, 25, 14}));
  Pump();
  EXPECT_EQ(Probe(b, 90, 7), BarArrow);
  EXPECT_EQ(Probe(b, 50, 7), BarTrack);
  EXPECT_EQ(Probe(b, 20, 7), Thumb);
  SaveSheet(b, "skinscrollbar-kit-normal");
  struct {
    int32_t X;
    TColor Hot, Pressed;
    const char* Name;
  } parts[] = {{90, HotUp, DownUp, "up"}, {5, HotDown, DownDown, "down"}, {20, HotThumb, DownThumb, "thumb"}};
  for (const auto& p : parts) {
    MoveTo(b, p.X, 7);
    EXPECT_EQ(Probe(b, p.X, 7), p.Hot) << p.Name;
    SaveSheet(b, String("skinscrollbar-kit-hot-") + p.Name);
    Down(b, p.X, 7);
    EXPECT_EQ(Probe(b, p.X, 7), p.Pressed) << p.Name;
    SaveSheet(b, String("skinscrollbar-kit-pressed-") + p.Name);
    Up(b, p.X, 7);
    b->SetPosition(0);
  }
  // With a page size the thumb is a three-part image of its length.
  MoveTo(b, 60, 7);
  b->SetRange(0, 9, 0, 5);
  Pump();
  EXPECT_EQ(b->PartRect(0), (TRect{15, 1, 49, 14}));
  EXPECT_EQ(Probe(b, 48, 7), Thumb);
  // Both switches to its own description and back.
  b->SetBoth(true);
  EXPECT_EQ(b->SkinDataName(), "bothhscrollbar");
  Pump();
  EXPECT_EQ(Probe(b, 95, 7), BarCorner);
  EXPECT_EQ(b->PartRect(1), (TRect{70, 0, 85, 15}));
  b->SetBoth(false);
  EXPECT_EQ(b->SkinDataName(), "hscrollbar");
}

}  // namespace
