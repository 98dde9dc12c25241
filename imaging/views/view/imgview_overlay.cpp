// The selection overlay: marching ants, grips and the thirds grid, drawn on
// the window after every paint and on every tick of the ants timer. It is
// never part of the back buffer, so it animates without re-rendering.
#include <algorithm>

#include "imaging/model/processing/ieview.h"
#include "imaging/views/view/imgview.h"
#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/timers.h"

namespace {

constexpr int32_t kBand = 30;
constexpr int32_t kThirdsTag = 168;
constexpr TColor kThirdsColor = 12632256;

bool IsSeparator(const TPoint& P) { return P.X == IEPolygonSeparator && P.Y == IEPolygonSeparator; }

bool IsRectangle(const std::vector<TPoint>& P) {
  return P.size() == 4 && P[0].Y == P[1].Y && P[1].X == P[2].X && P[2].Y == P[3].Y && P[3].X == P[0].X;
}

struct TDashPen {
  HDC DC;
  TIEPolygonRecord* Record;
};

// Runs of four pixels in each colour; the counter carries the pattern from
// one line to the next.
void PlotDash(int32_t X, int32_t Y, intptr_t Data) {
  auto* pen = reinterpret_cast<TDashPen*>(Data);
  int32_t& counter = pen->Record->DashCounter;
  TColor colour = pen->Record->ColorB;
  if (counter < 4) {
    colour = pen->Record->ColorA;
    ++counter;
  } else if (counter < 7) {
    ++counter;
  } else {
    counter = 0;
  }
  SetPixel(pen->DC, X, Y, ColorToRGB(colour));
}

void DashLine(TDashPen& Pen, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  LineDDA(X1, Y1, X2, Y2, PlotDash, reinterpret_cast<intptr_t>(&Pen));
}

// Cuts the segment [A, B] of one axis to [Lo, Hi]; false when nothing is left.
bool CutToBand(int32_t& A, int32_t& B, int32_t Lo, int32_t Hi) {
  if (std::max(A, B) < Lo || std::min(A, B) > Hi) return false;
  A = std::clamp(A, Lo, Hi);
  B = std::clamp(B, Lo, Hi);
  return true;
}

}  // namespace

// ---- Entry -----------------------------------------------------------------------------------

void TImgView::DrawSelectionOverlay(TObject* Caller, bool FromTimerOrRequest) {
  if (!HasParentWindow() || !HandleAllocated()) return;
  const bool fromTimer = Caller != nullptr && Caller == AntsTimer.Get();
  bool animated = false;
  for (const auto& record : PolygonRecords) {
    TIEPolygonRecord& r = *record;
    if (!r.Visible) continue;
    if (r.Animated) {
      animated = animated || !r.Points.empty();
      if (fromTimer && !OverlayGestureRunning()) {
        r.Phase = r.Phase >= 9 ? 0 : r.Phase + 1;
        ++OutlinePhase;
      }
    }
    TCanvas* canvas = r.Canvas ? r.Canvas : Canvas();
    const TRect clip = canvas->ClipRect();
    if (clip.Right <= clip.Left || clip.Bottom <= clip.Top || PaintLock > 0 ||
        (canvas->LockCount() > 0 && FromTimerOrRequest) || InAutoScroll)
      continue;
    DrawRecordOverlay(r, canvas);
  }
  OverlayCommonEnd(animated);
}

bool TImgView::OverlayGestureRunning() const {
  return RectSelecting || PolygonSelecting || CircleSelecting || Grip > 0 || MovingIndex >= 0 || RectangleMoving;
}

void TImgView::DrawRecordOverlay(TIEPolygonRecord& R, TCanvas* ACanvas) {
  const bool own = &R == PolygonRecords[0].get();
  const bool moving = MovingIndex >= 0 || RectangleMoving;
  if (R.Sizeable && IsRectangle(R.Points) && !RectSelecting && !moving) DrawSelectionGrips(R, ACanvas);
  if (!own || Mask->IsEmpty() || OverlayGestureRunning())
    DrawEditingOutline(R, ACanvas);
  else
    DrawRestingOutline(R, ACanvas);
  if (Tag() == kThirdsTag && IsRectangle(R.Points)) DrawThirdsGrid(R, ACanvas);
}

// ---- Grips -----------------------------------------------------------------------------------

void TImgView::DrawSelectionGrips(const TIEPolygonRecord& R, TCanvas* ACanvas) {
  ACanvas->Brush()->SetStyle(GripBrushStyle);
  ACanvas->Brush()->SetColor(GripBrushColor);
  ACanvas->Pen()->SetColor(GripPenColor);
  ACanvas->Pen()->SetMode(TPenMode::pmCopy);
  ACanvas->Pen()->SetStyle(TPenStyle::psSolid);
  ACanvas->Pen()->SetWidth(1);
  const auto grip = [&](int32_t X, int32_t Y) {
    ACanvas->Rectangle(X - GripSize + 1, Y - GripSize + 1, X + GripSize, Y + GripSize);
  };
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  for (size_t i = 0; i < R.Points.size(); ++i) {
    const int32_t x = BitmapToScreenX(R.Points[i].X), y = BitmapToScreenY(R.Points[i].Y);
    grip(x, y);
    left = i == 0 ? x : std::min(left, x), right = i == 0 ? x : std::max(right, x);
    top = i == 0 ? y : std::min(top, y), bottom = i == 0 ? y : std::max(bottom, y);
  }
  if (!CenterGrips) return;
  const int32_t mx = (left + right) / 2, my = (top + bottom) / 2;
  grip(mx, top);
  grip(mx, bottom);
  grip(left, my);
  grip(right, my);
}

// ---- Outlines --------------------------------------------------------------------------------

// The screen rectangle of a rectangle selection: inclusive corners.
TRect TImgView::OutlineRect(const TIEPolygonRecord& R) {
  const TPoint a = R.Points[0], c = R.Points[2];
  int32_t x1 = BitmapToScreenX(a.X), y1 = BitmapToScreenY(a.Y);
  const int32_t x2 = BitmapToScreenX(c.X) - 1, y2 = BitmapToScreenY(c.Y) - 1;
  if (Zoom() > 200) {
    if (a.X > 0) --x1;
    if (a.Y > 0) --y1;
  }
  return TRect{x1, y1, x2, y2};
}

void TImgView::DrawEditingOutline(TIEPolygonRecord& R, TCanvas* ACanvas) {
  R.DashCounter = R.Phase;
  ACanvas->Pen()->SetMode(TPenMode::pmCopy);
  if (R.Points.empty()) return;
  TDashPen pen{ACanvas->Handle(), &R};
  const bool own = &R == PolygonRecords[0].get();
  if (IsRectangle(R.Points)) {
    const TRect b = OutlineRect(R);
    const TRect edges[4] = {{b.Left, b.Top, b.Right, b.Top},
                            {b.Left, b.Top, b.Left, b.Bottom},
                            {b.Left, b.Bottom, b.Right, b.Bottom},
                            {b.Right, b.Top, b.Right, b.Bottom}};
    for (const TRect& e : edges) {
      if (own) R.DashCounter = 0;
      DashLine(pen, e.Left, e.Top, e.Right, e.Bottom);
    }
    return;
  }
  DrawPolygonOutline(R, pen.DC);
}

void TImgView::DrawPolygonOutline(TIEPolygonRecord& R, HDC DC) {
  TDashPen Pen{DC, &R};
  const auto screen = [this](const TPoint& P) { return TPoint{BitmapToScreenX(P.X), BitmapToScreenY(P.Y)}; };
  size_t first = 0;
  for (size_t i = 0; i < R.Points.size(); ++i) {
    const bool last = i + 1 == R.Points.size();
    if (IsSeparator(R.Points[i])) {
      first = i + 1;
      continue;
    }
    const TPoint p = screen(R.Points[i]);
    if (!last && !IsSeparator(R.Points[i + 1])) {
      const TPoint q = screen(R.Points[i + 1]);
      DashLine(Pen, p.X, p.Y, q.X, q.Y);
      continue;
    }
    // The end of a sub-polygon closes it, unless it is still being drawn.
    if (last && PolygonSelecting) continue;
    const TPoint q = screen(R.Points[first]);
    DashLine(Pen, p.X, p.Y, q.X, q.Y);
  }
}

void TImgView::DrawRestingOutline(TIEPolygonRecord& R, TCanvas* ACanvas) {
  if (HideSelectionWhileMoving && SelectionHideCountdown > 0) return;
  const uint32_t start = GetTickCount();
  if (IsRectangle(R.Points)) {
    R.DashCounter = R.Phase;
    TDashPen pen{ACanvas->Handle(), &R};
    const TRect b = OutlineRect(R);
    const int32_t loX = OffsetX - kBand, hiX = OffsetX + Width() + kBand;
    const int32_t loY = OffsetY - kBand, hiY = OffsetY + Height() + kBand;
    const auto horizontal = [&](int32_t Y, int32_t X1, int32_t X2) {
      if (Y >= loY && Y <= hiY && CutToBand(X1, X2, loX, hiX)) DashLine(pen, X1, Y, X2, Y);
    };
    const auto vertical = [&](int32_t X, int32_t Y1, int32_t Y2) {
      if (X >= loX && X <= hiX && CutToBand(Y1, Y2, loY, hiY)) DashLine(pen, X, Y1, X, Y2);
    };
    horizontal(b.Top, b.Left, b.Right);
    vertical(b.Left, b.Top, b.Bottom);
    horizontal(b.Bottom, b.Left, b.Right);
    vertical(b.Right, b.Top, b.Bottom);
  } else {
    Mask->DrawOutline(ACanvas, OffsetX, OffsetY, PaintWidth, PaintHeight, VisibleBitmapX, VisibleBitmapY,
                      VisibleBitmapWidth, VisibleBitmapHeight, AntsColorB, AntsColorA, OutlinePhase);
  }
  if (AntsTimeShare < 0) {
    const uint32_t t = GetTickCount() - start;
    AntsTimer->SetInterval(static_cast<uint32_t>(
        std::max<int64_t>(210, Trunc(static_cast<double>(t) * 100 / -static_cast<double>(AntsTimeShare)))));
  }
}

// ---- Thirds grid and rubber band -------------------------------------------------------------

void TImgView::DrawThirdsGrid(const TIEPolygonRecord& R, TCanvas* ACanvas) {
  const int32_t x1 = BitmapToScreenX(R.Points[0].X), y1 = BitmapToScreenY(R.Points[0].Y);
  const int32_t x2 = BitmapToScreenX(R.Points[2].X), y2 = BitmapToScreenY(R.Points[2].Y);
  const int32_t tw = (x2 - x1) / 3, th = (y2 - y1) / 3;
  if (tw <= 1 || th <= 1) return;
  TPen* pen = ACanvas->Pen();
  const TColor savedColour = pen->Color();
  const TPenMode savedMode = pen->Mode();
  pen->SetColor(kThirdsColor);
  pen->SetMode(TPenMode::pmMergePenNot);
  pen->SetStyle(TPenStyle::psSolid);
  for (int32_t k = 1; k <= 2; ++k) {
    ACanvas->MoveTo(x1 + k * tw, y1 + 1);
    ACanvas->LineTo(x1 + k * tw, y2 - 1);
    ACanvas->MoveTo(x1 + 1, y1 + k * th);
    ACanvas->LineTo(x2 - 1, y1 + k * th);
  }
  pen->SetColor(savedColour);
  pen->SetMode(savedMode);
}

void TImgView::DrawRubberBand() {
  const auto& points = PolygonRecords[0]->Points;
  if (!PolygonSelecting || Lasso || points.empty() || IsSeparator(points.back())) return;
  if (!HasParentWindow() || !HandleAllocated()) return;
  TCanvas* canvas = Canvas();
  TPen* pen = canvas->Pen();
  pen->SetMode(TPenMode::pmNot);
  pen->SetStyle(TPenStyle::psSolid);
  pen->SetWidth(1);
  canvas->MoveTo(LastMouseX, LastMouseY);
  canvas->LineTo(BitmapToScreenX(points.back().X), BitmapToScreenY(points.back().Y));
  pen->SetMode(TPenMode::pmCopy);
}

// ---- Timer and countdowns --------------------------------------------------------------------

void TImgView::OverlayCommonEnd(bool Animated) {
  AntsTimer->SetEnabled(ZoomFilterCountdown > 0 || SelectionHideCountdown > 0 || Animated);
  if (ZoomFilterCountdown > 0 && --ZoomFilterCountdown == 0) Update();
  if (SelectionHideCountdown > 0) --SelectionHideCountdown;
}

void TImgView::AntsTick(TObject* Sender) { DrawSelectionOverlay(Sender, true); }
