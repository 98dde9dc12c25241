#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// Fills itself with its Color; remembers whether it painted a copy.
template <class Base>
class TFilled : public Base {
 public:
  explicit TFilled(TComponent* AOwner) : Base(AOwner) {}
  bool SawPaintCopy = false;
  int32_t Paints = 0;
  bool PaintNothing = false;

 protected:
  void Paint() override {
    ++Paints;
    if (this->ControlState().Contains(TControlStateItem::csPaintCopy)) SawPaintCopy = true;
    if (PaintNothing) return;
    this->Canvas()->Brush()->SetColor(this->Color());
    this->Canvas()->FillRect(this->ClientRect());
  }
};
using TFilledBox = TFilled<TCustomControl>;
using TFilledShape = TFilled<TGraphicControl>;

class VclPaint : public TVclTest {
 public:
  TColor PixelOf(HWND hwnd, int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(hwnd, false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }
  std::unique_ptr<TForm> MakeForm() {
    auto f = std::make_unique<TForm>(nullptr);
    f->SetBorderStyle(TBorderStyle::bsNone);
    f->SetBounds(20, 20, 200, 100);
    return f;
  }
};

TEST_F(VclPaint, WmPaintWithADcPaintsThereWithoutTouchingTheUpdateRegion) {
  auto form = MakeForm();
  auto* box = new TFilledBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(0, 0, 30, 20);
  box->SetColor(clRed);
  form->Show();
  Pump();
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf32bit);
  target.SetSize(30, 20);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect{0, 0, 30, 20});
  HDC dc = target.Canvas()->Handle();
  InvalidateRect(box->Handle(), nullptr, false);
  box->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(target.Canvas()->Pixels(15, 10), clRed);
  EXPECT_TRUE(GetUpdateRect(box->Handle(), nullptr, false)) << "no BeginPaint for a given DC";
  // WM_ERASEBKGND with a DC fills it with the brush and answers 1.
  box->Brush()->SetColor(clLime);
  EXPECT_EQ(box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  EXPECT_EQ(target.Canvas()->Pixels(15, 10), clLime);
}

TEST_F(VclPaint, PaintToPaintsTheTreeAsACopy) {
  auto form = MakeForm();
  form->SetColor(clYellow);
  auto* box = new TFilledBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(10, 10, 40, 40);
  box->SetColor(clNavy);
  auto* shape = new TFilledShape(form.get());
  shape->SetParent(box);
  shape->SetBounds(5, 5, 10, 10);
  shape->SetColor(clRed);
  form->Show();
  Pump();
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf32bit);
  target.SetSize(200, 100);
  form->PaintTo(target.Canvas()->Handle(), 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(100, 80), clYellow);
  EXPECT_EQ(target.Canvas()->Pixels(12, 12), clNavy);
  EXPECT_EQ(target.Canvas()->Pixels(17, 17), clRed);
  EXPECT_TRUE(shape->SawPaintCopy);
  EXPECT_FALSE(shape->ControlState().Contains(TControlStateItem::csPaintCopy));
}

TEST_F(VclPaint, OpaqueGraphicChildrenAreLeftOutOfTheParentsPainting) {
  auto form = MakeForm();
  form->OnPaint = [&](TObject*) {
    form->Canvas()->Brush()->SetColor(clBlue);
    form->Canvas()->FillRect(form->ClientRect());
  };
  auto* opaque = new TFilledShape(form.get());
  opaque->SetParent(form.get());
  opaque->SetBounds(10, 10, 20, 20);
  opaque->PaintNothing = true;
  TControlStyle style = opaque->ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  opaque->SetControlStyle(style);
  auto* plain = new TFilledShape(form.get());
  plain->SetParent(form.get());
  plain->SetBounds(50, 10, 20, 20);
  plain->PaintNothing = true;
  // Two overlapping ones paint in z-order.
  auto* lower = new TFilledShape(form.get());
  lower->SetParent(form.get());
  lower->SetBounds(100, 10, 30, 30);
  lower->SetColor(clRed);
  auto* upper = new TFilledShape(form.get());
  upper->SetParent(form.get());
  upper->SetBounds(110, 20, 30, 30);
  upper->SetColor(clLime);
  form->Show();
  Pump();
  HWND h = form->Handle();
  EXPECT_EQ(PixelOf(h, 150, 80), clBlue);
  EXPECT_EQ(PixelOf(h, 15, 15), TColor(ColorToRGB(clBtnFace))) << "only erased under the opaque child";
  EXPECT_EQ(PixelOf(h, 55, 15), clBlue);
  EXPECT_EQ(PixelOf(h, 115, 25), clLime);
  EXPECT_EQ(PixelOf(h, 105, 15), clRed);
  lower->BringToFront();
  lower->Repaint();
  Pump();
  EXPECT_EQ(PixelOf(h, 115, 25), clRed);
}

TEST_F(VclPaint, InvalidatingAGraphicControlErasesUnlessItIsOpaque) {
  TEventLog log;
  auto form = std::make_unique<TProbeOf<TForm>>(nullptr, &log, "form", std::set<uint32_t>{WM_ERASEBKGND});
  form->SetBorderStyle(TBorderStyle::bsNone);
  form->SetBounds(20, 20, 200, 100);
  auto* shape = new TFilledShape(form.get());
  shape->SetParent(form.get());
  shape->SetBounds(10, 20, 30, 40);
  form->Show();
  Pump();
  for (bool opaque : {false, true}) {
    TControlStyle style = shape->ControlStyle();
    if (opaque) style.Include(TControlStyleItem::csOpaque);
    shape->SetControlStyle(style);
    log.Clear();
    const int32_t paints = shape->Paints;
    shape->Invalidate();
    TRect r;
    ASSERT_TRUE(GetUpdateRect(form->Handle(), &r, false));
    EXPECT_EQ(r, Bounds(10, 20, 30, 40));
    form->Update();
    EXPECT_EQ(log.Lines.size(), opaque ? 0u : 1u) << (opaque ? "opaque" : "plain");
    EXPECT_EQ(shape->Paints, paints + 1);
  }
}

TEST_F(VclPaint, DoubleBufferedControlsEraseOnlyInMemory) {
  auto form = MakeForm();
  auto* box = new TFilledBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(0, 0, 40, 30);
  box->SetColor(clTeal);
  box->SetDoubleBuffered(true);
  form->Show();
  Pump();
  EXPECT_EQ(PixelOf(box->Handle(), 20, 15), clTeal);
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf32bit);
  target.SetSize(40, 30);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect{0, 0, 40, 30});
  HDC dc = target.Canvas()->Handle();
  EXPECT_EQ(box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), clWhite) << "a screen erase is skipped";
  box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dc));
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), TColor(ColorToRGB(clTeal))) << "painting to memory erases";
}

TEST_F(VclPaint, ControlCanvasDrawsOutsidePaintingAtTheControlsPlace) {
  auto form = MakeForm();
  form->SetColor(clWhite);
  auto* shape = new TFilledShape(form.get());
  shape->SetParent(form.get());
  shape->SetBounds(30, 30, 20, 20);
  shape->PaintNothing = true;
  form->Show();
  Pump();
  shape->Canvas()->Brush()->SetColor(clFuchsia);
  shape->Canvas()->FillRect(TRect{-100, -100, 200, 200});  // clipped to the control
  FreeDeviceContexts();
  EXPECT_EQ(PixelOf(form->Handle(), 35, 35), clFuchsia);
  EXPECT_EQ(PixelOf(form->Handle(), 25, 35), clWhite);
  EXPECT_EQ(PixelOf(form->Handle(), 55, 35), clWhite);
}

}  // namespace
