#include "platform/vcl/drawframe.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"

namespace {

struct TSurface {
  TBitmap Bmp;
  explicit TSurface(int32_t W = 40, int32_t H = 40) {
    Bmp.SetPixelFormat(TPixelFormat::pf32bit);
    Bmp.SetSize(W, H);
    Bmp.Canvas()->Brush()->SetColor(clFuchsia);
    Bmp.Canvas()->FillRect(Rect(0, 0, W, H));
  }
  HDC DC() { return Bmp.Canvas()->Handle(); }
  TColor At(int32_t X, int32_t Y) { return Bmp.Canvas()->Pixels(X, Y); }
  int32_t Count(const TRect& R, TColor C) {
    int32_t n = 0;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x) n += At(x, y) == C ? 1 : 0;
    return n;
  }
};

TColor Sys(int Index) { return TColor(GetSysColor(Index)); }

TEST(StdDrawFrame, CheckBoxStates) {
  struct TCase {
    uint32_t State;
    int Inside;  // colour of the box's inside
    int Mark;    // colour of the mark, -1: none
  };
  const TCase cases[] = {
      {0, COLOR_WINDOW, -1},
      {DFCS_CHECKED, COLOR_WINDOW, COLOR_WINDOWTEXT},
      {DFCS_CHECKED | DFCS_INACTIVE, COLOR_BTNFACE, COLOR_GRAYTEXT},
      {DFCS_PUSHED, COLOR_BTNFACE, -1},
      {DFCS_CHECKED | DFCS_BUTTON3STATE, COLOR_BTNFACE, COLOR_BTNSHADOW},
  };
  for (const TCase& c : cases) {
    TSurface s;
    TRect r = Rect(5, 5, 30, 30);
    ASSERT_TRUE(DrawFrameControl(s.DC(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | c.State));
    SCOPED_TRACE(c.State);
    // 13 x 13 at the top-left of the rectangle, nothing outside.
    EXPECT_EQ(s.Count(Rect(0, 0, 40, 40), clFuchsia), 40 * 40 - 13 * 13);
    EXPECT_EQ(s.At(5, 5), Sys(COLOR_BTNSHADOW)) << "sunken edge";
    EXPECT_EQ(s.At(17, 17), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(8, 8), Sys(c.Inside));  // the tick leaves this corner free
    const int32_t marks = c.Mark < 0 ? 0 : s.Count(Rect(8, 8, 15, 15), Sys(c.Mark));
    EXPECT_EQ(marks, c.Mark < 0 ? 0 : 21) << "a 7 x 7 tick of 7 columns of 3 pixels";
  }
}

TEST(StdDrawFrame, RadioDotAndCircle) {
  for (bool checked : {false, true}) {
    TSurface s;
    TRect r = Rect(10, 10, 30, 30);
    DrawFrameControl(s.DC(), &r, DFC_BUTTON, DFCS_BUTTONRADIO | (checked ? DFCS_CHECKED : 0));
    EXPECT_EQ(s.At(10, 10), clFuchsia) << "corners stay outside the circle";
    EXPECT_EQ(s.At(21, 21), clFuchsia);
    EXPECT_EQ(s.At(10, 15), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(21, 15), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.Count(Rect(14, 14, 18, 18), Sys(COLOR_WINDOWTEXT)), checked ? 12 : 0);
    EXPECT_EQ(s.At(12, 15), Sys(COLOR_WINDOW));
  }
}

TEST(StdDrawFrame, PushFramesAndAdjustedRect) {
  struct TCase {
    uint32_t State;
    int TopLeft, BottomRight;
    int Inset;
  };
  const TCase cases[] = {
      {0, COLOR_3DLIGHT, COLOR_3DDKSHADOW, 2},
      {DFCS_PUSHED, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, 2},
      {DFCS_FLAT, COLOR_BTNSHADOW, COLOR_BTNSHADOW, 1},
  };
  for (const TCase& c : cases) {
    TSurface s;
    TRect r = Rect(0, 0, 30, 20);
    DrawFrameControl(s.DC(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | c.State);
    SCOPED_TRACE(c.State);
    EXPECT_EQ(s.At(0, 0), Sys(c.TopLeft));
    EXPECT_EQ(s.At(29, 19), Sys(c.BottomRight));
    EXPECT_EQ(r, Rect(c.Inset, c.Inset, 30 - c.Inset, 20 - c.Inset));
    EXPECT_EQ(s.At(15, 10), Sys(COLOR_BTNFACE));
  }
}

TEST(StdDrawFrame, ScrollArrowsPointTheirWay) {
  // The arrow's tip row or column is narrower than its base.
  struct TCase {
    uint32_t Part;
    bool Vertical;
    bool TipFirst;  // the tip is at the smaller coordinate
  };
  const TCase cases[] = {{DFCS_SCROLLUP, true, true},
                         {DFCS_SCROLLDOWN, true, false},
                         {DFCS_SCROLLLEFT, false, true},
                         {DFCS_SCROLLRIGHT, false, false},
                         {DFCS_SCROLLCOMBOBOX, true, false}};
  for (const TCase& c : cases) {
    TSurface s(17, 17);
    TRect r = Rect(0, 0, 17, 17);
    ASSERT_TRUE(DrawFrameControl(s.DC(), &r, DFC_SCROLL, c.Part));
    std::vector<int32_t> widths;
    for (int32_t i = 2; i < 15; ++i) {
      const int32_t n = c.Vertical ? s.Count(Rect(2, i, 15, i + 1), Sys(COLOR_BTNTEXT))
                                   : s.Count(Rect(i, 2, i + 1, 15), Sys(COLOR_BTNTEXT));
      if (n > 0) widths.push_back(n);
    }
    SCOPED_TRACE(c.Part);
    ASSERT_GE(widths.size(), 2u);
    EXPECT_EQ(widths.front() < widths.back(), c.TipFirst);
  }
  TSurface s(17, 17);
  TRect r = Rect(0, 0, 17, 17);
  DrawFrameControl(s.DC(), &r, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE);
  EXPECT_EQ(s.Count(Rect(2, 2, 15, 15), Sys(COLOR_BTNTEXT)), 0);
  EXPECT_GT(s.Count(Rect(2, 2, 15, 15), Sys(COLOR_BTNSHADOW)), 0);
  EXPECT_FALSE(DrawFrameControl(s.DC(), &r, 99, 0));
}

TEST(StdDrawFrame, DisabledCaptionIsEmbossed) {
  TSurface s(60, 20);
  TRect r = Rect(0, 0, 60, 20);
  StdDrawCaption(s.DC(), "W", r, DT_LEFT | DT_TOP | DT_SINGLELINE, false, clBlack);
  EXPECT_GT(s.Count(Rect(0, 0, 60, 20), Sys(COLOR_BTNHIGHLIGHT)), 0);
  EXPECT_GT(s.Count(Rect(0, 0, 60, 20), Sys(COLOR_BTNSHADOW)), 0);
  EXPECT_EQ(s.Count(Rect(0, 0, 60, 20), clBlack), 0);
  TSurface e(60, 20);
  r = Rect(0, 0, 60, 20);
  StdDrawCaption(e.DC(), "W", r, DT_LEFT | DT_TOP | DT_SINGLELINE, true, clBlack);
  EXPECT_GT(e.Count(Rect(0, 0, 60, 20), clBlack), 0);
  EXPECT_EQ(e.Count(Rect(0, 0, 60, 20), Sys(COLOR_BTNHIGHLIGHT)), 0);
}

}  // namespace
