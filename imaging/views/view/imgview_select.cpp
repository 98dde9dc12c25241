// The selection of the image view: polygons in bitmap coordinates (separated
// by IEPolygonSeparator points) kept in step with a 1-bit mask of the image.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/model/containers/iegeom.h"
#include "imaging/model/processing/iemagicwand.h"
#include "imaging/model/processing/ieview.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_internal.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"

namespace {

constexpr TPoint kSeparator{IEPolygonSeparator, IEPolygonSeparator};

bool IsSeparator(const TPoint& P) { return P.X == IEPolygonSeparator && P.Y == IEPolygonSeparator; }

// Wide, so that a shift of coordinates read from a stream cannot overflow.
int32_t Limit(int64_t V, int32_t Hi) { return static_cast<int32_t>(std::clamp<int64_t>(V, 0, std::max(Hi, 0))); }

int32_t RoundI(double V) { return static_cast<int32_t>(Round(V)); }

// Grip pairs exchanged when the rectangle turns over.
TIEGrip FlipH(TIEGrip G) {
  switch (G) {
    case 1: return 2;
    case 2: return 1;
    case 3: return 4;
    case 4: return 3;
    case 5: return 6;
    case 6: return 5;
    default: return G;
  }
}

TIEGrip FlipV(TIEGrip G) {
  switch (G) {
    case 1: return 4;
    case 4: return 1;
    case 2: return 3;
    case 3: return 2;
    case 7: return 8;
    case 8: return 7;
    default: return G;
  }
}

bool In(TIEGrip G, std::initializer_list<TIEGrip> Set) { return std::find(Set.begin(), Set.end(), G) != Set.end(); }

}  // namespace

// ---- Points ----------------------------------------------------------------------------------

const TPoint* TImgView::GetSelectionPoints() {
  const auto& points = PolygonRecords[0]->Points;
  return points.empty() ? nullptr : points.data();
}

int32_t TImgView::GetSelectionPointCount() { return static_cast<int32_t>(PolygonRecords[0]->Points.size()); }

void TImgView::AppendSelectionPoint(int32_t X, int32_t Y) {
  TIEPolygonRecord& r = *PolygonRecords[0];
  r.Points.push_back(TPoint{X, Y});
  Selected = true;
  if (r.Points.size() == 2) {
    const TPoint a = r.Points[0];
    r.BoxLeft = std::min(a.X, X), r.BoxRight = std::max(a.X, X);
    r.BoxTop = std::min(a.Y, Y), r.BoxBottom = std::max(a.Y, Y);
  } else if (r.Points.size() > 2) {
    r.BoxLeft = std::min(r.BoxLeft, X), r.BoxRight = std::max(r.BoxRight, X);
    r.BoxTop = std::min(r.BoxTop, Y), r.BoxBottom = std::max(r.BoxBottom, Y);
  }
}

void TImgView::StartNewPolygon() {
  auto& points = PolygonRecords[0]->Points;
  if (!points.empty()) points.push_back(kSeparator);
}

void TImgView::ClearSelectionPoints() { PolygonRecords[0]->Points.clear(); }

void TImgView::DropGesturePolygon() {
  auto& points = PolygonRecords[0]->Points;
  if (GetSelectionPointCount() == PointCountAtMouseDown) return;
  while (!points.empty() && !IsSeparator(points.back())) points.pop_back();
  if (!points.empty()) points.pop_back();
}

void TImgView::AddSelectionPoint(int32_t X, int32_t Y) {
  if (SelectionBase == TIESelectionBase::iesbClientArea) X = ScreenToBitmapX(X), Y = ScreenToBitmapY(Y);
  AppendSelectionPoint(Limit(X, Bitmap->Width()), Limit(Y, Bitmap->Height()));
  ShowSelection();
  BackBufferDirty = true;
  RepaintNow();
}

void TImgView::UpdateSelectionMask() {
  const auto& points = PolygonRecords[0]->Points;
  Mask->FillPolygon(static_cast<uint8_t>(SelectionFillValue), points.data(), GetSelectionPointCount());
  if (Mask->IsEmpty()) {
    Selected = false;
    ClearSelectionPoints();
  }
}

bool TImgView::IsSingleRectangle() const {
  const auto& p = PolygonRecords[0]->Points;
  return p.size() == 4 && p[0].Y == p[1].Y && p[1].X == p[2].X && p[2].Y == p[3].Y && p[3].X == p[0].X;
}

// ---- Showing and events ------------------------------------------------------------------------

// The outline shows from the next paint of the overlay.
void TImgView::ShowSelection() {
  PolygonRecords[0]->Visible = true;
  if (HasParentWindow() && HandleAllocated()) Invalidate();
}

void TImgView::RepaintNow() {
  if (!HasParentWindow() || !HandleAllocated()) return;
  Invalidate();
  TIEViewControl::Update();
}

void TImgView::FireSelectionEvent(const TNotifyEvent& Event) {
  if (!Event) return;
  WithOwnSelectionBase([&] { Event(this); });
}

// ---- Clearing and options ----------------------------------------------------------------------

void TImgView::ClearSelection() {
  if (Selected) {
    Selected = false;
    PolygonRecords[0]->Visible = false;
    if (HasParentWindow() && HandleAllocated()) Invalidate();
  }
  ClearSelectionPoints();
  Mask->Empty();
  Selected = PolygonSelecting = Lasso = RectSelecting = CircleSelecting = false;
  Grip = 0;
  MovingIndex = -1;
  ApplyCursor(CursorSetting);
  Update();
}

void TImgView::SetSelectionOptions(TIESelectionOptions Value) {
  SelectionOptions = Value;
  PolygonRecords[0]->Animated = Value.Contains(TIESelectionOptionsItem::iesoAnimated);
  PolygonRecords[0]->Sizeable = Value.Contains(TIESelectionOptionsItem::iesoSizeable);
  Update();
}

void TImgView::SetSelectionAspectRatio(double Value) {
  if (Value == SelectionAspectRatio) return;
  SelectionAspectRatio = Value;
  // A fixed-size selection cannot be resized.
  TIESelectionOptions options = SelectionOptions;
  if (Value != 0)
    options.Include(TIESelectionOptionsItem::iesoSizeable);
  else
    options.Exclude(TIESelectionOptionsItem::iesoSizeable);
  SetSelectionOptions(options);
}

void TImgView::SetAntsColors(TColor A, TColor B) {
  AntsColorA = PolygonRecords[0]->ColorA = A;
  AntsColorB = PolygonRecords[0]->ColorB = B;
}

// ---- Rectangles --------------------------------------------------------------------------------

int32_t TImgView::ClientToBitmapEdgeX(int32_t X) {
  const int32_t last = Bitmap->Width() - 1;
  return X < BitmapToScreenX(last) ? ScreenToBitmapX(X) : last;
}

int32_t TImgView::ClientToBitmapEdgeY(int32_t Y) {
  const int32_t last = Bitmap->Height() - 1;
  return Y < BitmapToScreenY(last) ? ScreenToBitmapY(Y) : last;
}

void TImgView::SelectRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op) {
  BuildRectangle(X1, Y1, X2, Y2, Op, SelectionBase == TIESelectionBase::iesbClientArea, false, false, false);
  UpdateSelectionMask();
  BackBufferDirty = true;
  RepaintNow();
}

void TImgView::ApplyAspectRatio(int32_t X1, int32_t Y1, int32_t& X2, int32_t& Y2, bool Square) const {
  const double ratio = SelectionAspectRatio;
  if (Square && ratio == -1) Y2 = X2 + Y1 - X1;
  if (ratio <= 0) return;
  Y2 = RoundI((X2 - X1) * ratio) + Y1;
  if (Y2 > Bitmap->Height())
    X2 = RoundI((Bitmap->Height() - Y1) / ratio + X1);
  else if (Y2 < 0)
    X2 = RoundI((X1 * ratio - Y1) / ratio);
}

void TImgView::BuildRectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool ClientBase, bool Square,
                              bool KeepInside, bool FromAnchor) {
  if (X1 == X2 || Y1 == Y2) return;
  if (ClientBase) {
    if (FromAnchor && AnchorX >= 0 && AnchorY >= 0)
      X1 = AnchorX, Y1 = AnchorY;
    else
      X1 = ClientToBitmapEdgeX(X1), Y1 = ClientToBitmapEdgeY(Y1);
    X2 = ClientToBitmapEdgeX(X2), Y2 = ClientToBitmapEdgeY(Y2);
    // The far edge becomes exclusive.
    ++(X1 > X2 ? X1 : X2);
    ++(Y1 > Y2 ? Y1 : Y2);
  }
  Selected = true;
  if (Op == 1 && GetSelectionPointCount() > 0)
    StartNewPolygon();
  else
    ClearSelectionPoints();
  if (Op == 0) Mask->Empty();
  ApplyAspectRatio(X1, Y1, X2, Y2, Square);
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (KeepInside) {
    // Shifted, not cut.
    if (X1 < 0) X2 -= X1, X1 = 0;
    if (Y1 < 0) Y2 -= Y1, Y1 = 0;
    if (X2 >= w) X1 += w - X2 - 1, X2 = w - 1;
    if (Y2 >= h) Y1 += h - Y2 - 1, Y2 = h - 1;
  }
  if (X1 > X2) std::swap(X1, X2);
  if (Y1 > Y2) std::swap(Y1, Y2);
  X1 = Limit(X1, w - 1), Y1 = Limit(Y1, h - 1), X2 = Limit(X2, w), Y2 = Limit(Y2, h);
  AppendSelectionPoint(X1, Y1);
  AppendSelectionPoint(X2, Y1);
  AppendSelectionPoint(X2, Y2);
  AppendSelectionPoint(X1, Y2);
  ShowSelection();
}

void TImgView::DragSelectionRect(int32_t CX, int32_t CY, int32_t PX, int32_t PY, bool Adding, bool Constrain) {
  if (SelectionAspectRatio == 0) {
    const int32_t w2 = RoundI(FixedSelectionWidth * ZoomFactor) / 2, h2 = RoundI(FixedSelectionHeight * ZoomFactor) / 2;
    CX = PX - w2, CY = PY - h2;
    PX += w2 - 1, PY += h2 - 1;
  }
  const bool square = Constrain || ConstrainAlways;
  const bool keepInside = !SelectionOptions.Contains(TIESelectionOptionsItem::iesoSizeable);
  if (Adding) {
    DropGesturePolygon();
    BuildRectangle(CX, CY, PX, PY, 1, true, square, keepInside, false);
  } else {
    BuildRectangle(CX, CY, PX, PY, 0, true, square, keepInside, true);
  }
  FireSelectionEvent(OnSelectionChanging);
}

// ---- Ellipses, polygons and the wand -----------------------------------------------------------

void TImgView::DragSelectionEllipse(int32_t CX, int32_t CY, int32_t PX, int32_t PY, bool Adding, bool Constrain) {
  const double ratio = SelectionAspectRatio;
  if (ratio == 0) {
    CX = PX, CY = PY;
    PX += RoundI(FixedSelectionWidth * ZoomFactor) / 2;
    PY += RoundI(FixedSelectionHeight * ZoomFactor) / 2;
  }
  if (Adding) {
    DropGesturePolygon();
    StartNewPolygon();
  } else {
    ClearSelectionPoints();
  }
  const int32_t dx = std::abs(PX - CX), dy = std::abs(PY - CY);
  int32_t rx = dx, ry = dy;
  if ((Constrain || ConstrainAlways) && ratio == -1)
    rx = ry = std::max(dx, dy);
  else if (ratio > 0)
    rx = std::max(dx, dy), ry = RoundI(rx * ratio);
  const int32_t ex = Trunc(rx * InvZoomFactor), ey = Trunc(ry * InvZoomFactor);
  const double twoPi = 2 * std::numbers::pi;
  const int32_t n = std::max(static_cast<int32_t>(Trunc(std::min(ex, ey) * twoPi)), 50);
  const int32_t cx = ScreenToBitmapX(CX), cy = ScreenToBitmapY(CY);
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  for (int32_t k = 0; k < n; ++k) {
    const double a = twoPi * k / n;
    AppendSelectionPoint(Limit(RoundI(cx + std::cos(a) * ex), w), Limit(RoundI(cy + std::sin(a) * ey), h));
  }
  ShowSelection();
  FireSelectionEvent(OnSelectionChanging);
}

void TImgView::BeginPolygon(int32_t X, int32_t Y, bool Adding, bool IsLasso) {
  if (Adding)
    StartNewPolygon();
  else
    ClearSelection();
  AppendSelectionPoint(Limit(ScreenToBitmapX(X), Bitmap->Width()), Limit(ScreenToBitmapY(Y), Bitmap->Height()));
  ShowSelection();
  BackBufferDirty = true;
  RepaintNow();
  PolygonSelecting = true;
  Lasso = IsLasso;
}

void TImgView::ClosePolygon(bool Adding, bool DropLastPoint) {
  auto& points = PolygonRecords[0]->Points;
  if (DropLastPoint && !points.empty()) points.pop_back();
  while (!points.empty() && IsSeparator(points.back())) points.pop_back();
  if (!Adding) Mask->Empty();
  UpdateSelectionMask();
  Update();
  PolygonSelecting = false;
  Lasso = false;
  FireSelectionEvent(OnSelectionChange);
}

void TImgView::MagicWandSelect(int32_t BX, int32_t BY, bool Adding) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (BX < 0 || BY < 0 || BX >= w || BY >= h) return;
  const auto value = static_cast<int32_t>(SelectionFillValue);
  if (WandMode == 1 || WandMode == 2) {
    if (!Adding) {
      ClearSelectionPoints();
      Mask->Empty();
    }
    if (WandMode == 1)
      MagicWandFill(Bitmap, BX, BY, WandMaxFilter, WandTolerance, Mask.get(), value);
    else
      SelectSimilarColors(Bitmap, BX, BY, WandTolerance, Mask.get(), value);
    Selected = !Mask->IsEmpty();
  } else {
    int32_t count = 0;
    const std::vector<TPoint> outline = MagicWandOutline(Bitmap, BX, BY, WandMaxFilter, WandTolerance, count);
    if (count > 0) {
      Selected = true;
      if (Adding && GetSelectionPointCount() > 0) {
        StartNewPolygon();
      } else {
        ClearSelectionPoints();
        Mask->Empty();
      }
      for (int32_t i = 0; i < count && i < static_cast<int32_t>(outline.size()); ++i)
        AppendSelectionPoint(Limit(outline[static_cast<size_t>(i)].X, w), Limit(outline[static_cast<size_t>(i)].Y, h));
      if (!Adding) Mask->Empty();
      UpdateSelectionMask();
    }
  }
  ShowSelection();
  BackBufferDirty = true;
  RepaintNow();
}

// ---- Bounds, copies and zoom -------------------------------------------------------------------

// While a shape is drawn, held by a grip or moved, the points lead the mask.
bool TImgView::ShapeInProgress() const {
  return RectSelecting || PolygonSelecting || CircleSelecting || Grip > 0 || RectangleMoving;
}

int32_t TImgView::SelectionLeft() { return ShapeInProgress() ? PolygonRecords[0]->BoxLeft : Mask->X1(); }

int32_t TImgView::SelectionTop() { return ShapeInProgress() ? PolygonRecords[0]->BoxTop : Mask->Y1(); }

int32_t TImgView::SelectionRight() { return ShapeInProgress() ? PolygonRecords[0]->BoxRight - 1 : Mask->X2(); }

int32_t TImgView::SelectionBottom() { return ShapeInProgress() ? PolygonRecords[0]->BoxBottom - 1 : Mask->Y2(); }

void TImgView::CopySelectionToBitmap(TIEBitmap* Dest) {
  if (Grip > 0 || MovingIndex >= 0 || RectSelecting) {
    Mask->Empty();
    UpdateSelectionMask();
  }
  if (Mask->IsEmpty()) return;
  Dest->Allocate(Mask->X2() - Mask->X1() + 1, Mask->Y2() - Mask->Y1() + 1, Bitmap->PixelFormat());
  Dest->Fill(BackgroundFillValue(Background()));
  Mask->CopyBitmap(Dest, Bitmap, true, false, true);
}

void TImgView::ZoomToSelection() {
  if (!Selected) return;
  const int32_t left = SelectionLeft(), top = SelectionTop();
  const int32_t w = SelectionRight() - left + 1, h = SelectionBottom() - top + 1;
  if (left < 0 || top < 0 || w < 2 || h < 2) return;
  ClearSelection();
  SetZoom(std::min(Height() / (h / 100.0), Width() / (w / 100.0)));
  const double z = Zoom() / 100;
  SetViewOrigin(Trunc(left * z) - (GetViewWidth() - Trunc(w * z)) / 2,
                Trunc(top * z) - (GetViewHeight() - Trunc(h * z)) / 2);
}

// ---- Moving and resizing -----------------------------------------------------------------------

void TImgView::ShiftSelectionPoints(int32_t dx, int32_t dy) {
  TIEPolygonRecord& r = *PolygonRecords[0];
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const int64_t x = dx, y = dy;
  r.BoxLeft = Limit(r.BoxLeft + x, w), r.BoxRight = Limit(r.BoxRight + x, w);
  r.BoxTop = Limit(r.BoxTop + y, h), r.BoxBottom = Limit(r.BoxBottom + y, h);
  for (TPoint& p : r.Points)
    if (!IsSeparator(p)) p = TPoint{Limit(p.X + x, w), Limit(p.Y + y, h)};
}

void TImgView::MoveSelectionPoints(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  BackBufferDirty = true;
  if (PaintLock == 0 && HasParentWindow() && HandleAllocated()) Invalidate();
  const TIEPolygonRecord& r = *PolygonRecords[0];
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const bool cut = SelectionOptions.Contains(TIESelectionOptionsItem::iesoCutBorders);
  // In 64 bits: a box read from a stream may lie anywhere.
  const auto limit = [cut](int64_t& d, int64_t Lo, int64_t Hi, int64_t Extent) {
    if (cut && Hi + d > 0 && Lo + d < Extent) return;
    if (Lo + d < 0) d = -Lo;
    if (Hi + d > Extent) d -= Hi + d - Extent;
  };
  int64_t x = dx, y = dy;
  limit(x, r.BoxLeft, r.BoxRight, w);
  limit(y, r.BoxTop, r.BoxBottom, h);
  // A box larger than the image cannot move without leaving it.
  if (!cut && (r.BoxLeft + x < 0 || r.BoxTop + y < 0 || r.BoxRight + x > w || r.BoxBottom + y > h)) return;
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return;
  ShiftSelectionPoints(static_cast<int32_t>(x), static_cast<int32_t>(y));
  ShowSelection();
}

void TImgView::MoveSelection(int32_t dx, int32_t dy) {
  RectangleMoving = IsSingleRectangle();
  if (!RectangleMoving) {
    int32_t mx = dx, my = dy;
    Mask->Translate(mx, my, SelectionOptions.Contains(TIESelectionOptionsItem::iesoCutBorders));
  }
  MoveSelectionPoints(dx, dy);
}

TIEGrip TImgView::GripAt(int32_t X, int32_t Y, bool Shift) {
  const TIEPolygonRecord& r = *PolygonRecords[0];
  if ((Shift && ShiftAddsSelection) || !r.Visible || !r.Sizeable || !IsSingleRectangle() || RectSelecting) return 0;
  for (int32_t i = 0; i < 4; ++i) {
    const TPoint p = r.Points[static_cast<size_t>(i)];
    if (std::abs(X - BitmapToScreenX(p.X)) <= GripSize && std::abs(Y - BitmapToScreenY(p.Y)) <= GripSize) return i + 1;
  }
  const int32_t l = BitmapToScreenX(r.BoxLeft), t = BitmapToScreenY(r.BoxTop);
  const int32_t rr = BitmapToScreenX(r.BoxRight), b = BitmapToScreenY(r.BoxBottom);
  if (IEPointSegmentDistance(X, Y, l, t, l, b) < 3) return 5;
  if (IEPointSegmentDistance(X, Y, rr, t, rr, b) < 3) return 6;
  if (IEPointSegmentDistance(X, Y, l, t, rr, t) < 3) return 7;
  if (IEPointSegmentDistance(X, Y, l, b, rr, b) < 3) return 8;
  return 0;
}

int32_t TImgView::SelectionIndexAt(int32_t X, int32_t Y, bool Shift) {
  if ((Shift && ShiftAddsSelection) || RectSelecting || PolygonSelecting || CircleSelecting) return -1;
  const bool inside = Mask->IsPointInside(ScreenToBitmapX(X), ScreenToBitmapY(Y));
  return inside && SelectionOptions.Contains(TIESelectionOptionsItem::iesoMoveable) ? 0 : -1;
}

// The moved coordinate decides the other one so that the ratio R (width per
// height) holds with the opposite corner fixed; side grips act as corners.
void TImgView::ConstrainGrip(TIEGrip& G, int32_t& X, int32_t& Y, double R) {
  const TIEPolygonRecord& r = *PolygonRecords[0];
  const int32_t left = r.BoxLeft, top = r.BoxTop, right = r.BoxRight, bottom = r.BoxBottom;
  switch (G) {
    case 1:
    case 5: Y = RoundI(bottom + 1 + (X - right - 1) / R), G = 1; return;
    case 4: Y = RoundI(top + 1 + (right - X + 1) / R); return;
    case 2: Y = RoundI(bottom + (left - X - 1) / R); return;
    case 3:
    case 6: Y = RoundI(top - 1 + (X - left + 1) / R), G = 3; return;
    case 7: X = RoundI(R * (Y - bottom - 1) + right + 1), G = 1; return;
    case 8: X = RoundI(R * (Y - top + 1) + left - 1), G = 3; return;
    default: return;
  }
}

// An edge that left the image comes back with the adjacent edge recomputed
// from the ratio.
void TImgView::FitConstrainedBox(TRect& Box, TIEGrip G, double R) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const bool topMoves = In(G, {1, 2, 7});
  const bool leftMoves = In(G, {1, 4, 5});
  if (Box.Left < 0 || Box.Right > w) {
    Box.Left = std::max(Box.Left, 0), Box.Right = std::min(Box.Right, w);
    const int32_t side = RoundI((Box.Right - Box.Left) / R);
    (topMoves ? Box.Top = Box.Bottom - side : Box.Bottom = Box.Top + side);
  }
  if (Box.Top < 0 || Box.Bottom > h) {
    Box.Top = std::max(Box.Top, 0), Box.Bottom = std::min(Box.Bottom, h);
    const int32_t side = RoundI((Box.Bottom - Box.Top) * R);
    (leftMoves ? Box.Left = Box.Right - side : Box.Right = Box.Left + side);
  }
}

TIEGrip TImgView::ResizeSelectionByGrip(TIEGrip G, int32_t X, int32_t Y, bool Constrain) {
  if (!IsSingleRectangle()) return G;
  int32_t x = ClientToBitmapEdgeX(X), y = ClientToBitmapEdgeY(Y);
  const bool constrain = Constrain || ConstrainAlways || SelectionAspectRatio > 0;
  double r = 1;
  if (constrain) {
    if (SelectionAspectRatio > 0) {
      r = 1 / SelectionAspectRatio;
    } else {
      if (GripStartRect.Bottom - GripStartRect.Top == 0) return G;
      r = double(GripStartRect.Right - GripStartRect.Left) / (GripStartRect.Bottom - GripStartRect.Top);
    }
    ConstrainGrip(G, x, y, r);
  }
  if (In(G, {2, 3, 6})) ++x;
  if (In(G, {3, 4, 8})) ++y;
  const TIEPolygonRecord& rec = *PolygonRecords[0];
  TRect box{rec.BoxLeft, rec.BoxTop, rec.BoxRight, rec.BoxBottom};
  if (In(G, {2, 3, 6})) box.Right = x == box.Left ? box.Left + 1 : x;
  if (In(G, {1, 4, 5})) box.Left = x == box.Right ? box.Right - 1 : x;
  if (In(G, {1, 2, 7})) box.Top = y == box.Bottom ? box.Bottom - 1 : y;
  if (In(G, {3, 4, 8})) box.Bottom = y == box.Top ? box.Top + 1 : y;
  if (box.Right < box.Left) G = FlipH(G);
  if (box.Bottom < box.Top) G = FlipV(G);
  ClearSelectionPoints();
  const auto order = [&box] {
    if (box.Left > box.Right) std::swap(box.Left, box.Right);
    if (box.Top > box.Bottom) std::swap(box.Top, box.Bottom);
  };
  order();
  if (constrain) FitConstrainedBox(box, G, r);
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  box = TRect{Limit(box.Left, w), Limit(box.Top, h), Limit(box.Right, w), Limit(box.Bottom, h)};
  order();
  AppendSelectionPoint(box.Left, box.Top);
  AppendSelectionPoint(box.Right, box.Top);
  AppendSelectionPoint(box.Right, box.Bottom);
  AppendSelectionPoint(box.Left, box.Bottom);
  ShowSelection();
  Grip = G;
  return G;
}

// ---- Streams and snapshots ---------------------------------------------------------------------

void TImgView::SaveSelectionToStream(TStream* Stream) {
  const TIEPolygonRecord& r = *PolygonRecords[0];
  const int32_t box[4] = {r.BoxLeft, r.BoxTop, r.BoxRight, r.BoxBottom};
  IEWriteSelectionState(Stream, *Mask, r.Points, box, Selected);
}

bool TImgView::LoadSelectionFromStream(TStream* Stream) {
  TIEPolygonRecord& r = *PolygonRecords[0];
  int32_t box[4] = {r.BoxLeft, r.BoxTop, r.BoxRight, r.BoxBottom};
  // Read at the stored size; fitting to the image follows below.
  if (!IEReadSelectionState(Stream, *Mask, r.Points, box, Selected, 0, 0)) throw EReadError("Stream read error");
  r.BoxLeft = box[0], r.BoxTop = box[1], r.BoxRight = box[2], r.BoxBottom = box[3];
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (Mask->Width() == 0 || Mask->Height() == 0) {
    // A stored mask without pixels still leaves one of the image size.
    Mask->Allocate(w, h, MaskBitsPerPixel);
  } else if (Mask->Width() != w || Mask->Height() != h) {
    // A selection from a larger image moves to the right (bottom) edge.
    int32_t dx = 0, dy = 0;
    if (!Mask->IsEmpty()) {
      if (w < Mask->Width()) dx = (w - (Mask->X2() - Mask->X1() + 1)) - Mask->X1();
      if (h < Mask->Height()) dy = (h - (Mask->Y2() - Mask->Y1() + 1)) - Mask->Y1();
    }
    if (dx != 0 || dy != 0) {
      int32_t mx = dx, my = dy;
      Mask->Translate(mx, my, true);
      ShiftSelectionPoints(dx, dy);
    }
    Mask->Resize(w, h);
  }
  ShowSelection();
  Update();
  return true;
}

void TImgView::PushSelection() {
  auto stream = std::make_unique<TMemoryStream>();
  SaveSelectionToStream(stream.get());
  SelectionUndo.push_back(std::move(stream));
}

bool TImgView::PopSelection() {
  if (SelectionUndo.empty()) return false;
  std::unique_ptr<TMemoryStream> stream = std::move(SelectionUndo.back());
  SelectionUndo.pop_back();
  stream->SetPosition(0);
  return LoadSelectionFromStream(stream.get());
}
