#include <gtest/gtest.h>

#include <cmath>

#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/rtl/arith.h"

namespace {

class ImgViewZoom : public TImgViewTest {};

// The conversions of one axis.
struct TAxis {
  const char* Name;
  int32_t (TImgView::*ToBitmap)(int32_t);
  int32_t (TImgView::*ToBitmapClamp)(int32_t);
  int32_t (TImgView::*ToScreen)(int32_t);
  int32_t TImgView::*Offset;
  int32_t TImgView::*Paint;
  int32_t TImgView::*Visible;
  int32_t (TImgView::*Origin)() const;
  int32_t (TImgView::*AlignFn)(int32_t);
  int32_t (TIEBitmap::*Size)() const;
  TIECoordWindow TImgView::*ToScreenTable;
};

const TAxis Axes[] = {
    {"x", &TImgView::ScreenToBitmapX, &TImgView::ScreenToBitmapClampX, &TImgView::BitmapToScreenX, &TImgView::OffsetX,
     &TImgView::PaintWidth, &TImgView::VisibleBitmapX, &TImgView::ViewOriginX, &TImgView::AlignX, &TIEBitmap::Width,
     &TImgView::BitmapToScreenXTable},
    {"y", &TImgView::ScreenToBitmapY, &TImgView::ScreenToBitmapClampY, &TImgView::BitmapToScreenY, &TImgView::OffsetY,
     &TImgView::PaintHeight, &TImgView::VisibleBitmapY, &TImgView::ViewOriginY, &TImgView::AlignY, &TIEBitmap::Height,
     &TImgView::BitmapToScreenYTable},
};

void CheckAxis(TImgView* v, const TAxis& a, int32_t ViewSize) {
  SCOPED_TRACE(a.Name);
  auto s2b = [&](int32_t x) { return (v->*a.ToBitmap)(x); };
  auto b2s = [&](int32_t b) { return (v->*a.ToScreen)(b); };
  const int32_t off = v->*a.Offset, paint = v->*a.Paint, size = (v->GetIEBitmap()->*a.Size)();
  const int32_t count = (v->*a.ToScreenTable).Count, first = v->*a.Visible;
  ASSERT_GT(paint, 0);
  for (int32_t x = off; x < off + paint; ++x) {
    const int32_t b = s2b(x);
    ASSERT_TRUE(b >= 0 && b < size) << x;
    if (v->Zoom() < 100) {
      // Several columns share a client pixel: the first of them answers.
      ASSERT_EQ(b2s(b), x);
      if (b > first) {
        ASSERT_LT(b2s(b - 1), x);
      }
    } else {
      ASSERT_LE(b2s(b), x) << "the pixel starts at or before the point";
      if (b + 1 < first + count) {
        ASSERT_GT(b2s(b + 1), x) << "and the next one after it";
      }
    }
  }
  // Outside the painted area: the formula, which may leave the bitmap.
  for (int32_t x : {off - 5, off + paint + 7}) {
    const int32_t d = x - off;
    EXPECT_EQ(s2b(x), Trunc(d * (100 / v->Zoom()) + first)) << x;
  }
  const int32_t bOut = first + count + 3;
  EXPECT_EQ(b2s(bOut),
            Round((bOut + Round(-(v->*a.AlignFn)((v->*a.Origin)()) * (100 / v->Zoom()))) * (v->Zoom() / 100) + off));
  for (int32_t x = -30; x < ViewSize + 30; ++x) {
    const int32_t b = (v->*a.ToBitmapClamp)(x);
    ASSERT_TRUE(b >= 0 && b < size) << "clamped " << x;
  }
}

TEST_F(ImgViewZoom, CoordinatesCentredAndScrolled) {
  TImgView* v = MakeView(200, 150);
  for (double zoom : {25.0, 33.0, 100.0, 250.0, 400.0}) {
    for (bool centred : {true, false}) {
      SCOPED_TRACE(testing::Message() << zoom << (centred ? " centred" : " scrolled"));
      SetImage(v, centred ? 40 : 1000, centred ? 30 : 800);
      v->SetZoom(zoom);
      v->SetViewOrigin(centred ? 0 : 37, centred ? 0 : 23);
      if (centred) {
        EXPECT_EQ(v->OffsetX, (200 - v->ZoomedWidth) / 2);
        EXPECT_EQ(v->MaxOriginX(), 0);
      } else {
        EXPECT_EQ(v->OffsetX, 0);
        EXPECT_EQ(v->ViewOriginX(), 37);
      }
      CheckAxis(v, Axes[0], 200);
      CheckAxis(v, Axes[1], 150);
    }
  }
}

TEST_F(ImgViewZoom, MaximumOriginAndSetViewOrigin) {
  TImgView* v = MakeView(200, 200);
  SetImage(v, 100, 100);
  v->SetZoom(400);
  EXPECT_EQ(v->MaxOriginX(), 204) << "Trunc(101 x 4) - 200";
  EXPECT_EQ(v->MaxOriginY(), 204);
  std::vector<int32_t> changes;
  v->OnViewChange = [&](TObject*, int32_t c) { changes.push_back(c); };
  v->SetViewOrigin(-5, -5);
  EXPECT_EQ(v->ViewOriginX(), 0);
  EXPECT_TRUE(changes.empty()) << "(0, 0) already";
  v->SetViewOrigin(1000, 30);
  EXPECT_EQ(v->ViewOriginX(), 204);
  EXPECT_EQ(v->ViewOriginY(), 30);
  EXPECT_EQ(changes, std::vector<int32_t>{0});
  v->SetViewOrigin(2000, 30);
  v->SetViewOriginX(204);
  v->SetZoom(400);
  v->SetZoom(0);
  v->SetZoom(-3);
  EXPECT_EQ(changes.size(), 1u) << "unchanged fires nothing";
  v->CenterView();
  EXPECT_EQ(v->ViewOriginX(), 0) << "(bitmap width - control width) div 2 is negative";
}

TEST_F(ImgViewZoom, FitRules) {
  struct TCase {
    const char* Name;
    bool Fit, Shrink, Stretch;
    int32_t W, H;
    double Zoom;
  };
  const TCase cases[] = {
      {"fit large", true, false, false, 4000, 3000, 10},
      {"shrink alone, small image", false, true, false, 200, 100, 100},
      {"shrink alone, large image", false, true, false, 4000, 3000, 10},
      {"stretch alone", false, false, true, 200, 100, 200},
      {"stretch alone, large image", false, false, true, 4000, 3000, 100},
      {"fit 1 x 1", true, false, false, 1, 1, 100},
      {"fit tall", true, false, false, 100, 600, 50},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TImgView* v = MakeView(400, 300);
    v->SetZoom(77);
    SetImage(v, c.W, c.H);
    int32_t zoomChanges = 0;
    v->OnViewChange = [&](TObject*, int32_t ch) { zoomChanges += ch == 1; };
    v->SetAutoFit(c.Fit);
    v->SetAutoShrink(c.Shrink);
    v->SetAutoStretch(c.Stretch);
    EXPECT_DOUBLE_EQ(v->Zoom(), c.Zoom);
    EXPECT_GT(zoomChanges, 0);
    EXPECT_EQ(v->ViewOriginX(), 0);
    delete v;
  }
  TImgView* empty = MakeView(400, 300);
  empty->SetExternalBitmap(nullptr);
  empty->SetAutoFit(true);
  EXPECT_EQ(empty->Zoom(), 100) << "an empty extent keeps the zoom";
  EXPECT_EQ(empty->GetControlFitZoom(), 100);
  SetImage(empty, 800, 100);
  EXPECT_DOUBLE_EQ(empty->GetControlFitZoom(), 50);
}

TEST_F(ImgViewZoom, FitToWindowUsesTheEdgeMargins) {
  TImgView* v = MakeView(400, 300, TScrollStyle::ssBoth);
  v->SetBorderStyle(TBorderStyle::bsSingle);
  SetImage(v, 800, 600);
  ShowForm();
  EXPECT_TRUE(v->HScrollShown);
  v->FitToWindow();
  const int32_t edge = GetSystemMetrics(SM_CXEDGE);
  EXPECT_DOUBLE_EQ(v->Zoom(), std::min((300 - 2.0 * edge) / 6, (400 - 2.0 * edge) / 8));
  EXPECT_FALSE(v->HScrollShown);
  EXPECT_FALSE(v->VScrollShown);
}

TEST_F(ImgViewZoom, ScrollCodes) {
  TImgView* v = MakeView(100, 100, TScrollStyle::ssBoth);
  SetImage(v, 400, 300);
  ShowForm();
  const int32_t vw = v->GetViewWidth();
  ASSERT_EQ(vw, 100 - GetSystemMetrics(SM_CXVSCROLL));
  const int32_t max = v->MaxOriginX();
  ASSERT_EQ(max, 400 - vw);
  const double factor = v->HScrollFactor;
  EXPECT_DOUBLE_EQ(factor, 400 / 65536.0);
  struct TCase {
    uint32_t Code;
    uint32_t Pos;
    int32_t LineStep;
    bool Tracking;
    int32_t Expected;
  };
  const TCase cases[] = {
      {SB_LINELEFT, 0, -1, true, 49},
      {SB_LINERIGHT, 0, -1, true, 51},
      {SB_LINERIGHT, 0, 4, true, 54},
      {SB_PAGELEFT, 0, -1, true, 0},
      {SB_PAGERIGHT, 0, -1, true, 50 + vw},
      {SB_THUMBPOSITION, 30000, -1, true, int32_t(Trunc(30000 * factor))},
      {SB_THUMBPOSITION, 0xFFFF, -1, true, max},
      {SB_THUMBTRACK, 20000, -1, true, int32_t(Trunc(20000 * factor))},
      {SB_THUMBTRACK, 20000, -1, false, 50},
      {SB_LEFT, 0, -1, true, 0},
      {SB_RIGHT, 0, -1, true, max},
      {SB_ENDSCROLL, 0, -1, true, 50},
      {200, 0, -1, true, 50},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.Code << " pos " << c.Pos);
    v->SetViewOriginX(50);
    v->HScrollParams.LineStep = c.LineStep;
    v->HScrollParams.Tracking = c.Tracking;
    v->Perform(WM_HSCROLL, MAKEWPARAM(c.Code, c.Pos), 0);
    EXPECT_EQ(v->ViewOriginX(), c.Expected);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(v->Handle(), SB_HORZ, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 65535);
    EXPECT_EQ(si.nPage, uint32_t(Trunc(vw / factor)));
    EXPECT_EQ(si.nPos, Trunc(c.Expected / factor));
  }
  // Above 100 % a line is Trunc(zoom factor) pixels.
  v->SetZoom(250);
  v->SetViewOriginY(50);
  v->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(v->ViewOriginY(), 52);
}

TEST_F(ImgViewZoom, ScrollBarsAlwaysVisibleAreDisabled) {
  TImgView* v = MakeView(200, 200, TScrollStyle::ssBoth);
  SetImage(v, 50, 50);
  v->SetScrollBarsAlwaysVisible(true);
  ShowForm();
  EXPECT_TRUE(v->HScrollShown);
  SCROLLBARINFO info;
  ASSERT_TRUE(GetScrollBarInfo(v->Handle(), OBJID_HSCROLL, &info));
  EXPECT_NE(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE, 0u);
  EXPECT_EQ(info.rgstate[0] & STATE_SYSTEM_INVISIBLE, 0u);
  v->SetScrollBarsAlwaysVisible(false);
  EXPECT_FALSE(v->HScrollShown);
}

TEST_F(ImgViewZoom, ZoomAroundPoint) {
  TImgView* v = MakeView(200, 200);
  SetImage(v, 1200, 1200);
  v->SetViewOrigin(400, 400);
  for (double zoom : {300.0, 150.0, 75.0, 800.0, 33.0}) {
    const int32_t bx = v->ScreenToBitmapX(150), by = v->ScreenToBitmapY(160);
    v->ZoomAroundPoint(150, 160, false, zoom);
    EXPECT_EQ(v->Zoom(), zoom);
    if (zoom >= 100) {
      EXPECT_EQ(v->ScreenToBitmapX(150), bx) << zoom;
      EXPECT_EQ(v->ScreenToBitmapY(160), by) << zoom;
    } else {
      // A column that shares its client pixel with others still lands there.
      EXPECT_EQ(v->BitmapToScreenX(bx), 150) << zoom;
      EXPECT_EQ(v->BitmapToScreenY(by), 160) << zoom;
    }
  }
  // A small image zoomed around the centre stays centred on its pixel.
  SetImage(v, 8, 6);
  v->SetZoom(100);
  v->ZoomAroundPoint(100, 100, true, 2000);
  EXPECT_EQ(v->OffsetX, 20);
  EXPECT_EQ(v->ViewOriginX(), 0);
  const int32_t bx = v->ScreenToBitmapX(100);
  v->ZoomAroundPoint(100, 100, true, 4000);
  EXPECT_EQ(v->ScreenToBitmapX(100), bx);
  EXPECT_EQ(v->OffsetX, 0);
}

TEST_F(ImgViewZoom, ZoomIsCappedAtAMillionPixelsASide) {
  TImgView* v = MakeView(300, 200);
  SetImage(v, 10000, 4);
  v->SetZoom(1e9);
  EXPECT_LT(v->Zoom(), 1e9);
  EXPECT_LE(v->ZoomedWidth, IEMaxZoomedSide);
  EXPECT_GT(v->ZoomedWidth, IEMaxZoomedSide - 2);
  EXPECT_LT(v->ZoomedToBitmapX.size(), size_t(IEMaxZoomedSide + 1000)) << "zoomed width + painted width + 2";
  v->SetViewOrigin(v->MaxOriginX(), 0);
  EXPECT_EQ(v->ScreenToBitmapX(v->OffsetX + v->PaintWidth - 1), 9999) << "the last column in view";
  EXPECT_EQ(v->ScreenToBitmapClampX(299), 9999);
  v->SetAutoStretch(true);
  EXPECT_LE(v->ZoomedHeight, IEMaxZoomedSide) << "the fit rules are capped as well";
}

}  // namespace
