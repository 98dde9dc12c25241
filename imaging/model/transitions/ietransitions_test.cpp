#include "imaging/model/transitions/ietransitions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/transitions/ieeffects.h"
#include "imaging/model/transitions/transitions_testing.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/timers.h"

namespace {

constexpr int32_t kW = 64, kH = 48;

class Transitions : public TVclTest {
 public:
  void Make(int32_t W = kW, int32_t H = kH) {
    From = MakePicture(TSide::From, W, H);
    To = MakePicture(TSide::To, W, H);
    View = std::make_unique<TTransitionTestView>(W, H);
    View->SetBackground(clTeal);
    Engine = std::make_unique<TIETransitionEffects>(View.get());
    // The pan-zoom source: twice the area, from its top-left quarter to its
    // bottom-right one.
    PanSource = std::make_unique<TIEBitmap>();
    PanSource->Allocate(2 * W, 2 * H, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 2 * H; ++y) {
      auto* row = static_cast<TRGB*>(PanSource->ScanLine(y));
      for (int32_t x = 0; x < 2 * W; ++x) row[x] = TRGB{uint8_t(x), uint8_t(3 * y), uint8_t(x ^ y)};
    }
  }
  void TearDown() override {
    Engine.reset();
    View.reset();
    TVclTest::TearDown();
  }

  bool StartType(int32_t Type, int32_t Duration = 1000, bool UpdateOnEnd = true) {
    SetRandSeed(7);
    if (Type == 164) {
      const int32_t W = From->Width(), H = From->Height();
      return Engine->StartPanZoom(PanSource.get(), Rect(0, 0, W, H), Rect(W, H, 2 * W, 2 * H), W, H, Duration,
                                  UpdateOnEnd);
    }
    return Engine->Start(static_cast<TIETransitionType>(Type), From.get(), To.get(), Duration, UpdateOnEnd);
  }
  // A tick after Ms more milliseconds of the program's clock.
  void TickAfter(uint64_t Ms) {
    Clock().Advance(Ms);
    Engine->Tick();
  }

  std::unique_ptr<TBitmap> From, To;
  std::unique_ptr<TIEBitmap> PanSource;
  std::unique_ptr<TTransitionTestView> View;
  std::unique_ptr<TIETransitionEffects> Engine;
};

// The frame every type starts from, and the background-coloured one of
// "Fade In".
TEST_F(Transitions, EveryTypeRunsFromTheFromPictureToTheToPicture) {
  Make();
  for (int32_t type = 1; type <= 164; ++type) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(StartType(type));
    EXPECT_EQ(View->Locks, 1);
    // The pan-zoom's pictures are its first and last frames.
    TBitmap first, last;
    first.Assign(Engine->FromBitmap.get());
    last.Assign(Engine->ToBitmap.get());
    if (type != 164) {
      ASSERT_EQ(DifferentPixels(first, *From), 0);
    }
    Engine->Tick();
    if (type == 3) {
      EXPECT_EQ(PixelOf(*Engine->FrameBitmap, 5, 5), ColorToTRGB(clTeal));
    } else if (type == 6 || type == 10) {
      // Their red line starts at the left or top edge.
      EXPECT_EQ(DifferentPixels(*Engine->FrameBitmap, first), type == 6 ? kH : kW);
      EXPECT_EQ(PixelOf(*Engine->FrameBitmap, 0, 0), (TRGB{0, 0, 255}));
    } else {
      EXPECT_EQ(DifferentPixels(*Engine->FrameBitmap, first), 0);
      EXPECT_EQ(DifferentPixels(*View->Shown(), first), 0);
    }
    TickAfter(300);
    TickAfter(400);
    EXPECT_TRUE(Engine->Running);
    const int32_t updates = View->Updates;
    TickAfter(300);
    EXPECT_FALSE(Engine->Running);
    EXPECT_EQ(Engine->Progress, 1024);
    EXPECT_EQ(View->Locks, 0);
    EXPECT_EQ(View->Updates, updates + 1);
    EXPECT_EQ(Engine->FrameBitmap->Width(), 1);
    EXPECT_EQ(DifferentPixels(*View->Shown(), last), 0);
  }
}

TEST_F(Transitions, StartRefusesWhatItCannotRun) {
  Make();
  EXPECT_FALSE(Engine->Start(TIETransitionType::iettNone, From.get(), To.get(), 1000, false));
  EXPECT_FALSE(Engine->Start(TIETransitionType::iettPanZoom, From.get(), To.get(), 1000, false));
  EXPECT_FALSE(Engine->Start(TIETransitionType::iettCrossDissolve, nullptr, To.get(), 1000, false));
  EXPECT_FALSE(Engine->Start(TIETransitionType::iettCrossDissolve, From.get(), To.get(), -1, false));
  EXPECT_FALSE(Engine->StartPanZoom(nullptr, TRect{}, TRect{}, 10, 10, 100, false));
  EXPECT_FALSE(Engine->Running);
  EXPECT_EQ(View->Locks, 0);
}

TEST_F(Transitions, StartSetsUpEverythingTheTicksNeed) {
  Make();
  Clock().Advance(12345);
  ASSERT_TRUE(StartType(1));
  EXPECT_EQ(Engine->StartTick, GetTickCount());
  EXPECT_EQ(Engine->Width, kW);
  for (TBitmap* b : {Engine->FromBitmap.get(), Engine->ToBitmap.get(), Engine->FrameBitmap.get()}) {
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(b->Width(), kW);
    EXPECT_EQ(b->Height(), kH);
  }
  ASSERT_EQ(Engine->ToRows.size(), size_t(kH));
  EXPECT_EQ(Engine->ToRows[0], Engine->ToBitmap->ScanLine(0));
  EXPECT_EQ(Engine->Progress, 0);
  EXPECT_EQ(Engine->RandomDone, 0);
  ASSERT_TRUE(Engine->Timer);
  EXPECT_TRUE(Engine->Timer->Enabled());
  EXPECT_EQ(Engine->Timer->Interval(), 1u);
  // A second start replaces the first without taking the paint lock twice.
  ASSERT_TRUE(StartType(2));
  EXPECT_EQ(View->Locks, 1);
}

TEST_F(Transitions, TheTimerRunsTheTransitionFromTheClock) {
  Make();
  ASSERT_TRUE(StartType(31, 40, false));
  H().AdvanceClock(10);
  EXPECT_GT(Engine->TickCount, 0);
  EXPECT_TRUE(Engine->Running);
  H().AdvanceClock(40);
  EXPECT_FALSE(Engine->Running);
  EXPECT_FALSE(Engine->Timer->Enabled());
  // Without UpdateOnEnd the view is neither given the to-picture nor updated.
  EXPECT_EQ(View->Updates, 0);
  EXPECT_NE(DifferentPixels(*View->Shown(), *To), 0);
}

TEST_F(Transitions, StopDoesNothingForTypeNone) {
  Make();
  Engine->Running = true;
  Engine->Stop();
  EXPECT_TRUE(Engine->Running);
  Engine->Running = false;
  // Not running: nothing either.
  ASSERT_TRUE(StartType(1));
  Engine->Stop();
  Engine->Stop();
  EXPECT_EQ(View->Locks, 0);
}

// Each frame uses the progress of the tick before: the third tick draws 512.
TEST_F(Transitions, CrossDissolveAtHalfIsTheMeanOfBothPictures) {
  Make();
  ASSERT_TRUE(StartType(1, 1024));
  Engine->Tick();
  TickAfter(512);
  EXPECT_EQ(Engine->Progress, 512);
  Engine->Tick();
  for (int32_t y = 0; y < kH; y += 7) {
    for (int32_t x = 0; x < kW; x += 5) {
      const TRGB f = PixelOf(*From, x, y), t = PixelOf(*To, x, y), m = PixelOf(*Engine->FrameBitmap, x, y);
      EXPECT_EQ(m, (TRGB{uint8_t((f.b + t.b) >> 1), uint8_t((f.g + t.g) >> 1), uint8_t((f.r + t.r) >> 1)}));
    }
  }
}

// Built-in types by rows: the to-picture's last columns push in from the left.
TEST_F(Transitions, PushLeftToRightTakesTheLastColumnsOfTheToPicture) {
  Make();
  ASSERT_TRUE(StartType(17, 1024));
  Engine->Tick();
  TickAfter(256);
  Engine->Tick();  // p = 256: c = 16 columns
  EXPECT_EQ(PixelOf(*Engine->FrameBitmap, 0, 3), PixelOf(*To, kW - 16, 3));
  EXPECT_EQ(PixelOf(*Engine->FrameBitmap, 15, 3), PixelOf(*To, kW - 1, 3));
  EXPECT_EQ(PixelOf(*Engine->FrameBitmap, 16, 3), PixelOf(*From, 0, 3));
}

// At a quarter: the wipes have opened 16 columns or 12 rows from their edge;
// the second type of each pair draws the red line at the edge.
TEST_F(Transitions, WipesOpenFromTheirEdge) {
  Make();
  struct {
    int32_t Type;
    TPoint To, From, Red;
  } cases[] = {
      {5, {15, 5}, {16, 5}, {-1, -1}},  {6, {15, 5}, {17, 5}, {16, 5}},  {7, {48, 5}, {47, 5}, {-1, -1}},
      {8, {49, 5}, {47, 5}, {48, 5}},   {9, {5, 11}, {5, 12}, {-1, -1}}, {10, {5, 11}, {5, 13}, {5, 12}},
      {11, {5, 36}, {5, 35}, {-1, -1}}, {12, {5, 37}, {5, 35}, {5, 36}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Type);
    ASSERT_TRUE(StartType(c.Type, 1024));
    Engine->Tick();
    TickAfter(256);
    Engine->Tick();
    TBitmap& f = *Engine->FrameBitmap;
    EXPECT_EQ(PixelOf(f, c.To.X, c.To.Y), PixelOf(*To, c.To.X, c.To.Y));
    EXPECT_EQ(PixelOf(f, c.From.X, c.From.Y), PixelOf(*From, c.From.X, c.From.Y));
    if (c.Red.X >= 0) {
      EXPECT_EQ(PixelOf(f, c.Red.X, c.Red.Y), (TRGB{0, 0, 255}));
    }
    Engine->Stop();
  }
}

// Progress 1 to 5 of 1024 is 0 percent: X = Y = 0.
TEST_F(Transitions, TheFirstStepsLeaveExpandsAndWipesAloneButDrawEdgeStrips) {
  Make();
  for (int32_t type : {31, 32, 33, 34, 35, 36, 37, 38, 49, 50, 51, 52, 53, 55, 54, 68, 74}) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(StartType(type, 1024));
    Engine->Tick();
    TickAfter(5);
    Engine->Tick();
    TBitmap& f = *Engine->FrameBitmap;
    int32_t changed = DifferentPixels(f, *From);
    if (type == 54) {
      EXPECT_EQ(changed, 2 * kH);
      EXPECT_EQ(PixelOf(f, 0, 9), PixelOf(*To, 0, 9));
      EXPECT_EQ(PixelOf(f, kW - 1, 9), PixelOf(*To, kW - 1, 9));
    } else if (type == 68) {
      EXPECT_EQ(changed, 2 * kW);
      EXPECT_EQ(PixelOf(f, 9, kH - 1), PixelOf(*To, 9, kH - 1));
    } else if (type == 74) {
      EXPECT_EQ(changed, 4);
      EXPECT_EQ(PixelOf(f, kW - 1, kH - 1), PixelOf(*To, kW - 1, kH - 1));
    } else {
      EXPECT_EQ(changed, 0);
    }
    Engine->Stop();
  }
}

// Small areas: U is 0 below 45 pixels; nothing may divide by it.
TEST_F(Transitions, ASmallAreaRunsEveryTypeWithoutFault) {
  Make(30, 20);
  for (int32_t type = 1; type <= 164; ++type) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(StartType(type, 100));
    for (int32_t i = 0; i < 12; ++i) TickAfter(9);
    EXPECT_FALSE(Engine->Running);
  }
}

// A visual check: mid-transition frames of a few types on the headless
// screen, written as PNG files for a person to look at.
TEST_F(Transitions, MidTransitionScreenshots) {
  Make(160, 120);
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "transition_frames";
  std::filesystem::create_directories(dir);
  for (int32_t type : {1, 29, 60, 81, 97, 115, 137, 141, 143, 160}) {
    ASSERT_TRUE(StartType(type, 1000, false));
    Engine->Tick();
    TickAfter(550);
    Engine->Tick();
    const std::unique_ptr<TBitmap> shot = View->Shown();
    const std::filesystem::path png = dir / ("type" + std::to_string(type) + ".png");
    EXPECT_TRUE(SavePng(*shot, png.string()));
    Engine->Stop();
  }
  std::printf("frames written to %s\n", dir.string().c_str());
}

}  // namespace
