#include <gtest/gtest.h>

#include "imaging/model/containers/ieresample.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/headless.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/timers.h"

namespace {

class ImgViewPaint : public TImgViewTest {
 public:
  // The back buffer's pixel as a colour.
  static TColor Back(TImgView* View, int32_t X, int32_t Y) { return View->BackBuffer->Canvas()->Pixels(X, Y); }
  // Repaints from a rebuilt back buffer.
  void Repaint(TImgView* View) {
    View->Update();
    Pump();
  }
};

// Counts the background paints of the back buffer.
struct TBackgroundCounter {
  explicit TBackgroundCounter(TImgView* View) {
    View->OnDrawBackground = [this](TObject*, TCanvas*, const TRect&, bool&) { ++Count; };
  }
  int32_t Count = 0;
};

TEST_F(ImgViewPaint, EachBackgroundStyleAroundTheImage) {
  TImgView* view = MakeView(120, 90);
  view->SetBackground(RGB(200, 210, 220));
  SetImage(view, 60, 40);
  ShowForm();
  const char* names[] = {"solid",     "horizontal", "vertical",  "fdiagonal", "bdiagonal",  "cross",
                         "diagcross", "chessboard", "diagonals", "cropped",   "cropshadow", "gradient"};
  for (int32_t s = 0; s < 12; ++s) {
    view->SetBackgroundStyle(static_cast<TIEBackgroundStyle>(s));
    Pump();
    std::unique_ptr<TBitmap> shot = WindowPixels(view->Handle(), false);
    ASSERT_TRUE(shot);
    SavePng(*shot, String("imgview_background_") + names[s] + ".png");
    EXPECT_EQ(shot->Canvas()->Pixels(30, 25), TColor(RGB(0, 0, 0))) << names[s] << ": the image at its place";
    EXPECT_EQ(shot->Canvas()->Pixels(89, 64), TColor(RGB(59, 39, 0))) << names[s];
  }
  EXPECT_EQ(PixelOf(view->Handle(), 0, 0), TColor(RGB(200, 210, 220))) << "gradient from the background";
  EXPECT_EQ(PixelOf(view->Handle(), 0, 89), TColor(RGB(0, 0, 255))) << "to the gradient end colour";
  view->SetBackgroundStyle(TIEBackgroundStyle::iebsChessboard);
  Pump();
  EXPECT_EQ(PixelOf(view->Handle(), 0, 0), TColor(RGB(200, 210, 220)));
  EXPECT_EQ(PixelOf(view->Handle(), 16, 0), TColor(RGB(55, 45, 35)));
  view->SetChessboardStyle(8, TBrushStyle::bsSolid);
  Repaint(view);
  EXPECT_EQ(PixelOf(view->Handle(), 8, 0), TColor(RGB(55, 45, 35))) << "the stored size";
}

TEST_F(ImgViewPaint, BackgroundSkippedOnlyUnderAnOpaqueCoveringImage) {
  TImgView* view = MakeView(40, 30);
  TBackgroundCounter counter(view);
  SetImage(view, 40, 30);
  ShowForm();
  EXPECT_EQ(counter.Count, 0) << "covered by the opaque image";

  view->Layers[0]->Transparency = 200;
  Repaint(view);
  EXPECT_EQ(counter.Count, 1) << "a translucent layer shows the background";
  view->Layers[0]->Transparency = 255;

  view->GetAlphaChannel()->Fill(128);
  view->GetAlphaChannel()->SetFull(false);
  view->SetEnableAlphaChannel(true);
  Pump();
  EXPECT_EQ(counter.Count, 2) << "an alpha channel that is not full";

  SetImage(view, 20, 30);
  view->RemoveAlphaChannel(false);
  Repaint(view);
  EXPECT_EQ(counter.Count, 3) << "not covering the buffer";

  SetImage(view, 1, 1);
  Repaint(view);
  EXPECT_EQ(counter.Count, 4) << "no layer drawn forces it";
}

TEST_F(ImgViewPaint, AnAlphaChannelOfAnotherSizePaintsNothing) {
  TImgView* view = MakeView(40, 30);
  SetImage(view, 20, 20);
  ShowForm();
  view->BackBuffer->Canvas()->Brush()->SetColor(clFuchsia);
  view->BackBuffer->Canvas()->FillRect(TRect{0, 0, 40, 30});
  view->GetAlphaChannel()->Allocate(5, 5, TIEPixelFormat::ie8g);
  view->BackBufferDirty = true;
  view->Invalidate();
  Pump();
  EXPECT_EQ(Back(view, 20, 15), clFuchsia);
  view->GetAlphaChannel()->Allocate(20, 20, TIEPixelFormat::ie8g);
  view->GetAlphaChannel()->Fill(255);
  Repaint(view);
  EXPECT_EQ(Back(view, 20, 15), TColor(RGB(10, 10, 0))) << "painted once the sizes agree";
}

TEST_F(ImgViewPaint, TheZoomFilterWaitsForTheViewToRest) {
  TImgView* view = MakeView(60, 60);
  auto* b = view->GetIEBitmap();
  b->Allocate(40, 40, TIEPixelFormat::ie24RGB);
  // Columns alternate black and white: filtered, they blend to grey.
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 40; ++x) *b->PixelRGB(x, y) = x % 2 ? TRGB{255, 255, 255} : TRGB{0, 0, 0};
  view->DelayZoomFilter = true;
  view->SetZoomFilter(TResampleFilter::rfFastLinear);
  view->SetZoom(250);
  ShowForm();
  const auto greys = [&] {
    int32_t n = 0;
    for (int32_t x = 0; x < 60; ++x) {
      const uint32_t c = ColorToRGB(Back(view, x, 30)) & 0xFF;
      n += c != 0 && c != 255;
    }
    return n;
  };
  EXPECT_GT(greys(), 10) << "filtered at rest";
  view->SetViewOriginX(7);
  Pump();
  EXPECT_EQ(greys(), 0) << "unfiltered while moving";
  EXPECT_EQ(view->ZoomFilterCountdown, 3);
  for (int32_t tick = 0; tick < 4; ++tick) {
    DefaultHeadlessBackend().AdvanceClock(210);
    Pump();
  }
  EXPECT_EQ(view->ZoomFilterCountdown, 0);
  EXPECT_GT(greys(), 10) << "filtered after the countdown";
  EXPECT_FALSE(view->AntsTimer->Enabled()) << "nothing left to count or animate";
}

TEST_F(ImgViewPaint, PixelGridSelectionMarksAndDegenerateViews) {
  TImgView* view = MakeView(100, 80);
  SetImage(view, 20, 16);
  view->ShowPixelGrid = true;
  view->SetZoom(500);
  ShowForm();
  std::unique_ptr<TBitmap> shot = WindowPixels(view->Handle(), false);
  SavePng(*shot, "imgview_pixelgrid.png");
  const int32_t x0 = view->BitmapToScreenX(3), y0 = view->BitmapToScreenY(3);
  EXPECT_EQ(shot->Canvas()->Pixels(x0, y0 + 2), TColor(~ColorToRGB(RGB(3, 3, 0)) & 0xFFFFFF)) << "inverted column";
  EXPECT_EQ(shot->Canvas()->Pixels(x0 + 2, y0 + 2), TColor(RGB(3, 3, 0)));
  view->SetZoom(300);
  Pump();
  EXPECT_EQ(PixelOf(view->Handle(), view->BitmapToScreenX(3), view->BitmapToScreenY(3) + 1), TColor(RGB(3, 3, 0)))
      << "no grid below 400 %";

  TImgView* width0 = MakeView(0, 40);
  SetImage(width0, 10, 10);
  Pump();
  EXPECT_NO_THROW(width0->Repaint());
  EXPECT_EQ(width0->BackBuffer->Width(), 0) << "nothing painted";
}

}  // namespace
