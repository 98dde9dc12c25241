#include "platform/vcl/extctrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/drawframe.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class StdExtCtrls : public TStdTest {};

TEST_F(StdExtCtrls, BevelShapesAndStyles) {
  // Pixels probed on a 20 x 10 bevel at (10, 10): (point, expected colour) per shape.
  struct TProbe {
    int32_t X, Y;
    TColor C;  // clNone: the form's colour
  };
  struct TCase {
    TBevelShape Shape;
    TBevelStyle Style;
    std::vector<TProbe> Probes;
  };
  const TColor hi = clBtnHighlight, sh = clBtnShadow;
  using S = TBevelShape;
  const TCase cases[] = {
      {S::bsBox, TBevelStyle::bsLowered, {{0, 5, sh}, {10, 0, sh}, {19, 5, hi}, {10, 9, hi}, {10, 5, clNone}}},
      {S::bsBox, TBevelStyle::bsRaised, {{0, 5, hi}, {10, 0, hi}, {19, 5, sh}, {10, 9, sh}}},
      {S::bsFrame,
       TBevelStyle::bsLowered,
       {{0, 5, sh}, {1, 5, hi}, {18, 5, sh}, {19, 5, hi}, {10, 8, sh}, {10, 9, hi}}},
      {S::bsTopLine, TBevelStyle::bsLowered, {{5, 0, sh}, {5, 1, hi}, {5, 2, clNone}}},
      {S::bsBottomLine, TBevelStyle::bsLowered, {{5, 8, sh}, {5, 9, hi}, {5, 7, clNone}}},
      {S::bsLeftLine, TBevelStyle::bsRaised, {{0, 5, hi}, {1, 5, sh}, {2, 5, clNone}}},
      {S::bsRightLine, TBevelStyle::bsRaised, {{18, 5, hi}, {19, 5, sh}, {17, 5, clNone}}},
      {S::bsSpacer, TBevelStyle::bsLowered, {{0, 0, clNone}, {19, 9, clNone}}},
  };
  Form->SetColor(clTeal);
  auto* bevel = new TBevel(Form.get());
  bevel->SetParent(Form.get());
  bevel->SetBounds(10, 10, 20, 10);
  ShowForm();
  for (const TCase& c : cases) {
    bevel->SetShape(c.Shape);
    bevel->SetStyle(c.Style);
    Pump();
    for (const TProbe& p : c.Probes)
      EXPECT_EQ(PixelOf(Form->Handle(), 10 + p.X, 10 + p.Y), Rgb(p.C == clNone ? clTeal : p.C))
          << int(c.Shape) << " " << int(c.Style) << " at " << p.X << "," << p.Y;
  }
}

TEST_F(StdExtCtrls, ShapesDrawHalfAPenInside) {
  Form->SetColor(clWhite);
  auto* shape = new TShape(Form.get());
  shape->SetParent(Form.get());
  shape->SetBounds(10, 10, 40, 20);
  shape->Pen()->SetWidth(4);
  shape->Pen()->SetColor(clRed);
  shape->Brush()->SetColor(clBlue);
  ShowForm();
  HWND f = Form->Handle();
  // Edges' middles (a wide pen's corners are round).
  EXPECT_EQ(PixelOf(f, 10, 20), Rgb(clRed)) << "a wide pen stays inside the bounds";
  EXPECT_EQ(PixelOf(f, 30, 10), Rgb(clRed));
  EXPECT_EQ(PixelOf(f, 49, 20), Rgb(clRed));
  EXPECT_EQ(PixelOf(f, 30, 29), Rgb(clRed));
  EXPECT_EQ(PixelOf(f, 9, 20), Rgb(clWhite));
  EXPECT_EQ(PixelOf(f, 50, 20), Rgb(clWhite));
  EXPECT_EQ(PixelOf(f, 30, 20), Rgb(clBlue));
  shape->SetShape(TShapeType::stSquare);
  Pump();
  EXPECT_EQ(PixelOf(f, 10, 20), Rgb(clWhite)) << "a square centred in a wide box";
  EXPECT_EQ(PixelOf(f, 20, 20), Rgb(clRed));
  EXPECT_EQ(PixelOf(f, 39, 20), Rgb(clRed));
  EXPECT_EQ(PixelOf(f, 41, 20), Rgb(clWhite));
  shape->SetShape(TShapeType::stCircle);
  Pump();
  EXPECT_EQ(PixelOf(f, 20, 10), Rgb(clWhite)) << "the circle leaves the corners";
  EXPECT_EQ(PixelOf(f, 30, 20), Rgb(clBlue));
}

TEST_F(StdExtCtrls, PaintBoxAndImage) {
  auto* box = new TPaintBox(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(0, 0, 30, 30);
  int paints = 0;
  box->OnPaint = [&](TObject*) {
    ++paints;
    box->Canvas()->Brush()->SetColor(clLime);
    box->Canvas()->FillRect(Rect(0, 0, 10, 10));
  };
  auto* image = new TImage(Form.get());
  image->SetParent(Form.get());
  image->SetBounds(50, 50, 100, 60);
  // Without a picture the canvas is a bitmap of the control's size.
  image->Canvas()->Brush()->SetColor(clNavy);
  image->Canvas()->FillRect(Rect(0, 0, 100, 60));
  EXPECT_EQ(image->Picture()->Width(), 100);
  ShowForm();
  EXPECT_GT(paints, 0);
  EXPECT_EQ(PixelOf(Form->Handle(), 5, 5), Rgb(clLime));
  EXPECT_EQ(PixelOf(Form->Handle(), 149, 109), Rgb(clNavy));

  // Where a 40 x 20 picture goes in the 100 x 60 image.
  struct TCase {
    bool Stretch, Proportional, Center;
    TRect Expected;
  };
  const TCase cases[] = {
      {false, false, false, Rect(0, 0, 40, 20)}, {false, false, true, Rect(30, 20, 70, 40)},
      {true, false, false, Rect(0, 0, 100, 60)}, {true, true, false, Rect(0, 0, 100, 50)},
      {true, true, true, Rect(0, 5, 100, 55)},   {false, true, false, Rect(0, 0, 40, 20)},
  };
  TBitmap small;
  small.SetSize(40, 20);
  image->Picture()->SetGraphic(&small);
  for (const TCase& c : cases) {
    image->SetStretch(c.Stretch);
    image->SetProportional(c.Proportional);
    image->SetCenter(c.Center);
    EXPECT_EQ(image->DestRect(), c.Expected) << c.Stretch << c.Proportional << c.Center;
  }
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 20);

  TIcon icon;
  image->Picture()->SetGraphic(&icon);
  try {
    image->Canvas();
    ADD_FAILURE() << "an icon has no canvas";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Can only modify an image if it contains a bitmap");
  }
}

TEST_F(StdExtCtrls, PanelAndGroupBoxClientRects) {
  struct TCase {
    TBevelCut Outer, Inner;
    int32_t BevelWidth, BorderWidth;
    int32_t Inset;
  };
  const TCase cases[] = {
      {TBevelCut::bvRaised, TBevelCut::bvNone, 1, 0, 1},
      {TBevelCut::bvNone, TBevelCut::bvNone, 1, 0, 0},
      {TBevelCut::bvRaised, TBevelCut::bvLowered, 2, 0, 4},
      {TBevelCut::bvLowered, TBevelCut::bvSpace, 1, 3, 5},
  };
  auto* panel = new TPanel(Form.get());
  panel->SetParent(Form.get());
  panel->SetBounds(10, 10, 100, 60);
  auto* child = new TWinProbe(Form.get(), nullptr, "child", {0xFFFF});
  child->SetParent(panel);
  child->SetAlign(TAlign::alClient);
  ShowForm();
  for (const TCase& c : cases) {
    panel->SetBevelOuter(c.Outer);
    panel->SetBevelInner(c.Inner);
    panel->SetBevelWidth(c.BevelWidth);
    panel->SetBorderWidth(c.BorderWidth);
    EXPECT_EQ(child->BoundsRect(), Rect(c.Inset, c.Inset, 100 - c.Inset, 60 - c.Inset))
        << int(c.Outer) << " " << int(c.Inner);
  }
  // Raised outer bevel: highlight on the top-left, shadow on the bottom-right.
  child->SetVisible(false);
  panel->SetBevelInner(TBevelCut::bvNone);
  panel->SetBorderWidth(0);
  panel->SetBevelWidth(1);
  panel->SetBevelOuter(TBevelCut::bvRaised);
  panel->SetCaption("Panel");
  Pump();
  HWND p = panel->Handle();
  EXPECT_EQ(PixelOf(p, 0, 30), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(p, 99, 30), Rgb(clBtnShadow));
  EXPECT_EQ(PixelOf(p, 5, 30), Rgb(clBtnFace));
  EXPECT_GT(CountColor(p, Rect(20, 10, 80, 50), Rgb(clWindowText)), 0) << "caption centred";
  EXPECT_EQ(CountColor(p, Rect(1, 1, 20, 59), Rgb(clWindowText)), 0);
  panel->SetColor(clRed);
  Pump();
  EXPECT_EQ(PixelOf(p, 5, 30), Rgb(clRed));

  auto* group = new TGroupBox(Form.get());
  group->SetParent(Form.get());
  group->SetBounds(120, 10, 150, 100);
  group->SetCaption("Group");
  auto* inner = new TWinProbe(Form.get(), nullptr, "inner", {0xFFFF});
  inner->SetParent(group);
  inner->SetAlign(TAlign::alClient);
  Pump();
  const int32_t line = StdFontHeight(group->Font()->Handle());
  EXPECT_EQ(inner->BoundsRect(), Rect(2, line + 2, 148, 98));
  inner->SetVisible(false);
  Pump();
  HWND g = group->Handle();
  EXPECT_EQ(PixelOf(g, 0, line / 2), Rgb(clBtnShadow)) << "etched frame half a line down";
  EXPECT_EQ(PixelOf(g, 1, line / 2 + 1), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelOf(g, 4, line / 2), Rgb(clBtnShadow));
  EXPECT_NE(PixelOf(g, 9, line / 2), Rgb(clBtnShadow)) << "the caption interrupts the frame";
}

}  // namespace
