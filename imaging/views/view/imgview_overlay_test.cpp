#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/processing/ieview.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/timers.h"

namespace {

// A clock whose tick count moves on by Step at every reading: drawing that
// reads the time twice takes Step milliseconds.
class TSlowClock : public Clock {
 public:
  TSlowClock(Clock& Inner, uint64_t Step) : FInner(Inner), FStep(Step) {}
  TDateTime Now() override { return FInner.Now(); }
  uint64_t GetTickCount64() override { return FInner.GetTickCount64() + FStep * FReads++; }
  void Sleep(uint32_t ms) override { FInner.Sleep(ms); }

 private:
  Clock& FInner;
  uint64_t FStep;
  uint64_t FReads = 0;
};

class ImgViewOverlay : public TImgViewTest {
 public:
  // A gray W x H image shown 1:1 at the client's top-left corner.
  TImgView* Gray(int32_t W, int32_t H) {
    TImgView* view = MakeView(W + 40, H + 40);
    view->SetCenter(false);
    TIEBitmap* b = view->GetIEBitmap();
    b->Allocate(W, H, TIEPixelFormat::ie24RGB);
    b->Fill(0x808080);
    view->SetBackground(TColor(0x808080));
    view->Update();
    ShowForm();
    return view;
  }
  // 'A', 'B' or '.' for each pixel of a row segment of the window.
  static std::string Dashes(TImgView* View, int32_t Y, int32_t X1, int32_t X2) {
    std::unique_ptr<TBitmap> shot = WindowPixels(View->Handle(), false);
    std::string s;
    for (int32_t x = X1; x < X2; ++x) {
      const TColor c = shot->Canvas()->Pixels(x, Y);
      s += c == TColor(0) ? 'A' : c == TColor(0xFFFFFF) ? 'B' : '.';
    }
    return s;
  }
  static std::string Repeat(const std::string& Unit, size_t Length) {
    std::string s;
    while (s.size() < Length) s += Unit;
    return s.substr(0, Length);
  }
  static void Select(TImgView* View, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    View->SelectionBase = TIESelectionBase::iesbBitmap;
    View->SelectRect(X1, Y1, X2, Y2, 0);
    View->SelectionHideCountdown = 0;
  }
};

TEST_F(ImgViewOverlay, DashesRunInFoursAndPhaseShiftsThem) {
  TImgView* view = Gray(160, 60);
  Select(view, 10, 10, 111, 40);
  // While a rectangle is drawn every edge starts its pattern at 0.
  view->RectSelecting = true;
  view->PolygonRecords[0]->Phase = 3;
  view->DrawSelectionOverlay(view, true);
  EXPECT_EQ(Dashes(view, 10, 10, 110), Repeat("AAAABBBB", 100));
  view->RectSelecting = false;

  // At rest the phase starts the top edge: 9 gives one B, then four A (the
  // corner pixel itself is drawn again by the left edge).
  view->PolygonRecords[0]->Phase = 9;
  view->Invalidate();
  view->TIEViewControl::Update();
  view->DrawSelectionOverlay(view, true);
  EXPECT_EQ(Dashes(view, 10, 11, 24), "AAAABBBBAAAAB");
}

TEST_F(ImgViewOverlay, TimerAdvancesThePhaseUnlessAGestureRuns) {
  TImgView* view = Gray(100, 60);
  Select(view, 10, 10, 50, 40);
  TIEPolygonRecord& r = *view->PolygonRecords[0];
  r.Phase = 9;
  view->DrawSelectionOverlay(view->AntsTimer.Get(), true);
  EXPECT_EQ(r.Phase, 0) << "back to 0 after 9";
  view->DrawSelectionOverlay(view, true);
  EXPECT_EQ(r.Phase, 0) << "only the timer advances it";
  view->MovingIndex = 0;
  view->DrawSelectionOverlay(view->AntsTimer.Get(), true);
  EXPECT_EQ(r.Phase, 0) << "not while the selection moves";
  EXPECT_TRUE(view->AntsTimer->Enabled());
}

TEST_F(ImgViewOverlay, GripsOnRectanglesOnly) {
  TImgView* view = Gray(120, 80);
  view->GripBrushColor = clLime;
  const auto repaint = [view] {
    view->Invalidate();
    view->TIEViewControl::Update();
  };
  // Probes inside each grip's square, off the outline.
  const auto grips = [&](const std::vector<TPoint>& Centres) {
    std::unique_ptr<TBitmap> shot = WindowPixels(view->Handle(), false);
    int32_t n = 0;
    for (TPoint c : Centres) n += shot->Canvas()->Pixels(c.X + 2, c.Y + 2) == clLime;
    return n;
  };
  const std::vector<TPoint> rectGrips = {{20, 20}, {81, 20}, {81, 61}, {20, 61},
                                         {50, 20}, {50, 61}, {20, 40}, {81, 40}};
  Select(view, 20, 20, 81, 61);
  repaint();
  EXPECT_EQ(grips(rectGrips), 8) << "4 corners and 4 side middles";
  EXPECT_EQ(PixelOf(view->Handle(), 20 - 4, 20 - 2), TColor(0)) << "black grip border";
  EXPECT_EQ(PixelOf(view->Handle(), 20 + 5, 20 + 2), TColor(0x808080)) << "9 pixels wide";

  view->MovingIndex = 0;
  repaint();
  EXPECT_EQ(grips(rectGrips), 0) << "no grips while moving";
  view->MovingIndex = -1;

  view->CenterGrips = false;
  repaint();
  EXPECT_EQ(grips(rectGrips), 4);

  view->ClearSelection();
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  for (TPoint p : {TPoint{20, 20}, TPoint{81, 20}, TPoint{60, 61}, TPoint{20, 50}}) view->AddSelectionPoint(p.X, p.Y);
  view->UpdateSelectionMask();
  repaint();
  EXPECT_EQ(CountColor(view->Handle(), view->ClientRect(), clLime), 0) << "a polygon has no grips";
  EXPECT_GT(CountColor(view->Handle(), view->ClientRect(), clBlack), 20) << "but its outline";
}

TEST_F(ImgViewOverlay, ThirdsGridWithTag168) {
  TImgView* view = Gray(120, 90);
  Select(view, 0, 0, 90, 60);
  const TPoint onLine{30, 35}, offLine{31, 35};
  EXPECT_EQ(PixelOf(view->Handle(), onLine.X, onLine.Y), TColor(0x808080));
  view->SetTag(168);
  view->Invalidate();
  view->TIEViewControl::Update();
  // Merge-pen-not of silver over mid gray gives white.
  EXPECT_EQ(PixelOf(view->Handle(), onLine.X, onLine.Y), TColor(0xFFFFFF));
  EXPECT_EQ(PixelOf(view->Handle(), 60, 10), TColor(0xFFFFFF));
  EXPECT_EQ(PixelOf(view->Handle(), 45, 20), TColor(0xFFFFFF));
  EXPECT_EQ(PixelOf(view->Handle(), offLine.X, offLine.Y), TColor(0x808080));
  EXPECT_EQ(view->Canvas()->Pen()->Mode(), TPenMode::pmCopy) << "the pen is restored";
}

TEST_F(ImgViewOverlay, TimerIntervalFollowsTheDrawingTime) {
  TImgView* view = Gray(100, 60);
  Select(view, 10, 10, 50, 40);
  const struct {
    uint64_t DrawMs;
    int32_t Share;
    uint32_t Interval;
  } cases[] = {{30, -20, 210}, {1000, -20, 5000}, {1000, -50, 2000}, {1000, 20, 210}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.DrawMs);
    view->AntsTimer->SetInterval(210);
    view->AntsTimeShare = c.Share;
    TSlowClock slow(Clock(), c.DrawMs);
    SetClock(&slow);
    view->DrawSelectionOverlay(view, true);
    SetClock(&Clock());
    EXPECT_EQ(view->AntsTimer->Interval(), c.Interval);
  }
}

TEST_F(ImgViewOverlay, RubberBandDrawnTwiceRestoresTheWindow) {
  TImgView* view = Gray(100, 80);
  view->SetMouseInteract(TIEMouseInteract{TIEMouseInteractItems::miSelectPolygon});
  view->BeginPolygon(10, 10, false, false);
  view->LastMouseX = 70, view->LastMouseY = 50;
  const std::unique_ptr<TBitmap> before = WindowPixels(view->Handle(), false);
  view->DrawRubberBand();
  EXPECT_NE(PixelOf(view->Handle(), 40, 30), PixelOf(view->Handle(), 40, 20)) << "the band crosses (40, 30)";
  view->DrawRubberBand();
  const std::unique_ptr<TBitmap> after = WindowPixels(view->Handle(), false);
  int32_t differ = 0;
  for (int32_t y = 0; y < before->Height(); ++y)
    for (int32_t x = 0; x < before->Width(); ++x)
      differ += before->Canvas()->Pixels(x, y) != after->Canvas()->Pixels(x, y);
  EXPECT_EQ(differ, 0);
}

}  // namespace

namespace {

// With IMGVIEW_LOOK_DIR set: the view with layers, frames and grips, and a
// selection with ants, grips and the thirds grid, saved as PNGs to look at.
TEST_F(ImgViewOverlay, LookPngs) {
  const char* dir = std::getenv("IMGVIEW_LOOK_DIR");
  if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "IMGVIEW_LOOK_DIR not set";
  Form->SetBounds(50, 50, 420, 320);
  TImgView* view = MakeView(400, 300);
  SetImage(view, 256, 200);
  view->SetBackground(clGray);
  view->SetSyncLayerExtent(false);
  view->SetEnableAlphaChannel(true);
  view->AddLayer();
  TIEBitmap* text = view->GetIEBitmap();
  text->Allocate(90, 40, TIEPixelFormat::ie24RGB);
  text->Fill(0xFF8000);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 90; ++x) text->SetAlpha(x, y, (x / 10 + y / 10) % 2 ? 255 : 90);
  view->GetLayer(1)->PosX = 30, view->GetLayer(1)->PosY = 20;
  view->AddLayer();
  TIELayer* lens = view->GetLayer(2);
  lens->Bitmap->Allocate(70, 70, TIEPixelFormat::ie24RGB);
  lens->PosX = 160, lens->PosY = 110;
  lens->Magnifier = true;
  lens->MagnifierShape = 1;
  view->SetCurrentLayer(1);
  view->ShowAllLayerFrames = true;
  view->SetMouseInteract(TIEMouseInteract{TIEMouseInteractItems::miMoveLayers, TIEMouseInteractItems::miResizeLayers});
  ShowForm();
  ASSERT_TRUE(SavePng(*WindowPixels(view->Handle(), false), std::string(dir) + "/imgview_layers.png"));

  TImgView* sel = MakeView(400, 300);
  SetImage(sel, 256, 200);
  sel->SetBackground(clGray);
  sel->SetTag(168);
  ShowForm();
  Select(sel, 40, 30, 200, 150);
  sel->Invalidate();
  sel->TIEViewControl::Update();
  ASSERT_TRUE(SavePng(*WindowPixels(sel->Handle(), false), std::string(dir) + "/imgview_selection.png"));
  sel->ClearSelection();
  sel->SelectionBase = TIESelectionBase::iesbBitmap;
  for (TPoint p : {TPoint{30, 20}, TPoint{200, 40}, TPoint{150, 180}, TPoint{60, 120}})
    sel->AddSelectionPoint(p.X, p.Y);
  sel->UpdateSelectionMask();
  sel->SelectionHideCountdown = 0;
  sel->Invalidate();
  sel->TIEViewControl::Update();
  ASSERT_TRUE(SavePng(*WindowPixels(sel->Handle(), false), std::string(dir) + "/imgview_polygon.png"));
}

}  // namespace
