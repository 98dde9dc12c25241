// Mouse and keyboard of the image view: the interaction set and its
// exclusivity rules, button-down, move and button-up dispatch, click zoom,
// the wheel, edge auto-scrolling, cursors and the keys the view claims.
#include <algorithm>

#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/ieview.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_internal.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/vcl/messages.h"

namespace {

using MI = TIEMouseInteractItems;

// Screen cursors of the view's states.
constexpr TCursor kCursorDragImage = 1782;
constexpr TCursor kCursorSelect = 1785;
constexpr TCursor kCursorSelectAdd = 1791;
constexpr TCursor kCursorPolygon = 1793;
constexpr TCursor kCursorPolygonAdd = 1794;

constexpr double kZoomInSteps[] = {2, 5, 10, 25, 33, 50, 75, 100};
constexpr double kZoomOutSteps[] = {100, 75, 50, 33, 25, 10, 5, 2};

constexpr int32_t kAutoScrollLimit = 30;
constexpr uint32_t kAutoScrollPace = 25;

bool IsSeparator(const TPoint& P) { return P.X == IEPolygonSeparator && P.Y == IEPolygonSeparator; }

// The auto-scroll step of one axis: 0 inside the drawn area, at least Least
// pixels past an edge.
int32_t EdgeStep(int32_t P, int32_t Offset, int32_t Drawn, int32_t Least, bool Half) {
  const int32_t last = Offset + Drawn - 1;
  const auto scale = [Half](int32_t D) { return Half ? D / 2 : D; };
  if (P > Offset && P < last) return 0;
  if (P >= last) return std::max(Least, scale(P - last));
  return std::min(-Least, scale(P - Offset));
}

TCursor GripCursor(int32_t G) {
  switch (G) {
    case 1:
    case 3: return crSizeNWSE;
    case 2:
    case 4: return crSizeNESW;
    case 5:
    case 6: return crSizeWE;
    default: return crSizeNS;
  }
}

}  // namespace

// ---- The interaction set ---------------------------------------------------------------------

void TImgView::SetMouseInteract(TIEMouseInteract Value) {
  if (Value == FMouseInteract) return;
  if (PolygonSelecting && FMouseInteract.Contains(MI::miSelectPolygon)) {
    auto& points = PolygonRecords[0]->Points;
    if (!points.empty()) points.pop_back();
    Mask->Empty();
    UpdateSelectionMask();
    PolygonSelecting = false;
    if (HasParentWindow() && HandleAllocated()) Invalidate();
  }
  const TIEMouseInteract current = FMouseInteract;
  const auto isNew = [&](MI Item) { return Value.Contains(Item) && !current.Contains(Item); };
  const MI exclusive[] = {MI::miScroll,       MI::miSelect,      MI::miSelectPolygon,
                          MI::miSelectCircle, MI::miSelectLasso, MI::miSelectZoom};
  bool trimmed = false;
  for (MI item : exclusive) {
    if (!isNew(item)) continue;
    Value = Value * TIEMouseInteract{MI::miZoom, item};
    trimmed = true;
    break;
  }
  if (trimmed) {
  } else if (isNew(MI::miZoom)) {
    Value -= TIEMouseInteract{MI::miSelectPolygon, MI::miSelectMagicWand, MI::miMoveLayers, MI::miResizeLayers};
  } else if (isNew(MI::miSelectMagicWand)) {
    Value = TIEMouseInteract{MI::miSelectMagicWand};
  } else if (Value.Contains(MI::miMoveLayers) || Value.Contains(MI::miResizeLayers)) {
    Value = Value * TIEMouseInteract{MI::miMoveLayers, MI::miResizeLayers};
  }
  FMouseInteract = Value;
}

void TImgView::OffsetMouseAnchors(int32_t dx, int32_t dy) {
  LastMouseX -= dx, LastMouseY -= dy;
  PrevX -= dx, PrevY -= dy;
  PrevRawX -= dx, PrevRawY -= dy;
}

double TImgView::NextZoomIn(double Z) {
  if (Z >= 100) return Z + 100;
  for (double step : kZoomInSteps)
    if (step > Z) return step;
  return 100;
}

double TImgView::NextZoomOut(double Z) {
  if (Z >= 200) return Z - 100;
  for (double step : kZoomOutSteps)
    if (step < Z) return step;
  return 2;
}

// ---- Shared steps ----------------------------------------------------------------------------

TPoint TImgView::LimitMousePoint(int32_t X, int32_t Y) const {
  if (RawMousePoints()) return TPoint{X, Y};
  return TPoint{std::clamp(X, OffsetX, OffsetX + DrawnWidth), std::clamp(Y, OffsetY, OffsetY + DrawnHeight)};
}

void TImgView::SwapInClientBase() {
  SavedSelectionBase = SelectionBase;
  SelectionBase = TIESelectionBase::iesbClientArea;
  SelectionBaseSwapped = true;
}

void TImgView::RestoreSelectionBase() {
  SelectionBase = SavedSelectionBase;
  SelectionBaseSwapped = false;
}

bool TImgView::AddsSelection(TShiftState Shift) const { return Shift.Contains(ssShift) && ShiftAddsSelection; }

bool TImgView::Constrained(TShiftState Shift) const { return Shift.Contains(ssAlt) || ConstrainAlways; }

bool TImgView::AnySelectMode() const {
  return FMouseInteract.Contains(MI::miSelect) || FMouseInteract.Contains(MI::miSelectPolygon) ||
         FMouseInteract.Contains(MI::miSelectCircle) || FMouseInteract.Contains(MI::miSelectMagicWand) ||
         FMouseInteract.Contains(MI::miSelectLasso);
}

bool TImgView::LayerMode() const {
  return FMouseInteract.Contains(MI::miMoveLayers) || FMouseInteract.Contains(MI::miResizeLayers);
}

// ---- Button down -----------------------------------------------------------------------------

void TImgView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEViewControl::MouseDown(Button, Shift, X, Y);
  if (CanFocus()) SetFocus();
  SavedZoomFilter = FZoomFilter;
  if (Button == TMouseButton::mbRight && Shift.Contains(ssLeft)) return;
  if (Button != TMouseButton::mbLeft && !FMouseInteract.Contains(MI::miZoom)) return;
  if (!FMouseInteract.Contains(MI::miScroll) && DelayZoomFilter) FZoomFilter = TResampleFilter::rfNone;
  SwapInClientBase();
  const TPoint p = LimitMousePoint(X, Y);
  PrevRawX = X, PrevRawY = Y;
  PrevX = MouseDownX = p.X, PrevY = MouseDownY = p.Y;
  AnchorX = AnchorY = -1;
  if (FMouseInteract.Contains(MI::miSelect) && !Selected)
    AnchorX = ScreenToBitmapClampX(p.X), AnchorY = ScreenToBitmapClampY(p.Y);
  OriginAtMouseDown = TPoint{FViewOriginX, FViewOriginY};
  LastMouseX = p.X, LastMouseY = p.Y;
  PointCountAtMouseDown = GetSelectionPointCount();
  if (Button == TMouseButton::mbLeft) {
    LeftButtonDown(Shift, X, Y, p);
    if (FMouseInteract.Contains(MI::miScroll) && IsScrollable()) ApplyCursor(kCursorDragImage);
  }
  RestoreSelectionBase();
}

void TImgView::LeftButtonDown(TShiftState Shift, int32_t X, int32_t Y, TPoint P) {
  if (FMouseInteract.Contains(MI::miSelectPolygon) || FMouseInteract.Contains(MI::miSelectLasso))
    PolygonButtonDown(Shift, P);
  else if (FMouseInteract.Contains(MI::miSelect))
    RectButtonDown(Shift, X, Y, P);
  else if (FMouseInteract.Contains(MI::miSelectZoom))
    ZoomRectButtonDown();
  else if (FMouseInteract.Contains(MI::miSelectCircle))
    CircleButtonDown(Shift, P);
  else if (FMouseInteract.Contains(MI::miSelectMagicWand)) {
    FireSelectionEvent(OnBeforeSelectionChange);
    MovingIndex = SelectionIndexAt(P.X, P.Y, Shift.Contains(ssShift));
  } else if (LayerMode())
    LayerButtonDown(X, Y);
}

void TImgView::PolygonButtonDown(TShiftState Shift, TPoint P) {
  FireSelectionEvent(OnBeforeSelectionChange);
  MovingIndex = SelectionIndexAt(P.X, P.Y, Shift.Contains(ssShift));
  if (MovingIndex != -1) return;
  const auto& points = PolygonRecords[0]->Points;
  if (Constrained(Shift) && !points.empty() && !IsSeparator(points.back())) {
    const TPoint last = points.back();
    IEConstrainLine(last.X + OffsetX - FViewOriginX, last.Y + OffsetY - FViewOriginY, P.X, P.Y);
  }
  if (!PolygonSelecting)
    BeginPolygon(P.X, P.Y, AddsSelection(Shift), FMouseInteract.Contains(MI::miSelectLasso));
  else
    AddSelectionPoint(P.X, P.Y);
  PolygonSelecting = true;
  Lasso = FMouseInteract.Contains(MI::miSelectLasso);
  FireSelectionEvent(OnSelectionChanging);
}

void TImgView::RectButtonDown(TShiftState Shift, int32_t X, int32_t Y, TPoint P) {
  FireSelectionEvent(OnBeforeSelectionChange);
  const bool shift = Shift.Contains(ssShift);
  Grip = GripAt(X, Y, shift);
  if (Grip == 0) MovingIndex = SelectionIndexAt(X, Y, shift);
  if (Grip > 0) {
    const TIEPolygonRecord& r = *PolygonRecords[0];
    GripStartRect = TRect{r.BoxLeft, r.BoxTop, r.BoxRight, r.BoxBottom};
    return;
  }
  if (MovingIndex >= 0) return;
  RectSelecting = true;
  // A fixed-size selection follows the mouse from the first press.
  if (SelectionAspectRatio == 0)
    DragSelectionRect(P.X, P.Y, P.X, P.Y, AddsSelection(Shift), false);
  else
    FireSelectionEvent(OnSelectionChanging);
}

void TImgView::ZoomRectButtonDown() {
  RectSelecting = true;
  FireSelectionEvent(OnSelectionChanging);
  PushSelection();
}

void TImgView::CircleButtonDown(TShiftState Shift, TPoint P) {
  FireSelectionEvent(OnBeforeSelectionChange);
  MovingIndex = SelectionIndexAt(P.X, P.Y, Shift.Contains(ssShift));
  if (MovingIndex != -1) return;
  CircleSelecting = true;
  PolygonRecords[0]->Visible = true;
  if (SelectionAspectRatio == 0)
    DragSelectionEllipse(P.X, P.Y, P.X, P.Y, AddsSelection(Shift), false);
  else
    FireSelectionEvent(OnSelectionChanging);
}

void TImgView::LayerButtonDown(int32_t X, int32_t Y) {
  LayerGrip = FMouseInteract.Contains(MI::miResizeLayers) ? static_cast<uint8_t>(LayerGripAt(X, Y)) : 0;
  if (LayerGrip > 0) {
    const TIELayer* layer = CurrentLayerObject();
    LayerRectAtGrip = TRect{layer->BoxLeft, layer->BoxTop, layer->BoxRight, layer->BoxBottom};
    return;
  }
  if (!FMouseInteract.Contains(MI::miMoveLayers)) return;
  MovingLayer = LayerAt(X, Y);
  if (MovingLayer < 0) return;
  SetCurrentLayer(MovingLayer);
  if (!CurrentLayerObject()->Locked) ApplyCursor(crSizeAll);
}

// ---- Moves -----------------------------------------------------------------------------------

void TImgView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TIEViewControl::MouseMove(Shift, X, Y);
  SwapInClientBase();
  TPoint p = LimitMousePoint(X, Y);
  bool keepLastMouse = false;
  if (MouseCapture())
    HeldMove(Shift, X, Y, p);
  else if (!PolygonSelecting || Lasso)
    HoverMove(Shift, X, Y);
  else
    keepLastMouse = MoveRubberBand(Shift, p);
  if (OnMouseInSel && Mask->IsPointInside(ScreenToBitmapX(p.X), ScreenToBitmapY(p.Y))) FireSelectionEvent(OnMouseInSel);
  if (!keepLastMouse) LastMouseX = p.X, LastMouseY = p.Y;
  PrevX = p.X, PrevY = p.Y;
  PrevRawX = X, PrevRawY = Y;
  RestoreSelectionBase();
}

void TImgView::HeldMove(TShiftState Shift, int32_t X, int32_t Y, TPoint& P) {
  const bool adding = AddsSelection(Shift);
  if (FMouseInteract.Contains(MI::miScroll)) {
    SetViewOrigin(OriginAtMouseDown.X + MouseDownX - X, OriginAtMouseDown.Y + MouseDownY - Y);
  } else if (Grip > 0) {
    AutoScroll();
    Grip = ResizeSelectionByGrip(Grip, P.X, P.Y, Constrained(Shift) || SelectionAspectRatio > 0);
    FireSelectionEvent(OnSelectionChanging);
  } else if (MovingIndex == 0) {
    if (SelectionOptions.Contains(TIESelectionOptionsItem::iesoCanScroll)) AutoScroll();
    MoveSelection(ScreenToBitmapX(P.X) - ScreenToBitmapX(PrevX), ScreenToBitmapY(P.Y) - ScreenToBitmapY(PrevY));
    FireSelectionEvent(OnSelectionChanging);
  } else if (RectSelecting) {
    AutoScroll();
    DragSelectionRect(MouseDownX, MouseDownY, P.X, P.Y, adding, Constrained(Shift));
  } else if (PolygonSelecting) {
    AutoScroll();
    AppendSelectionPoint(ScreenToBitmapX(P.X), ScreenToBitmapY(P.Y));
    ShowSelection();
    RepaintNow();
    FireSelectionEvent(OnSelectionChanging);
  } else if (CircleSelecting) {
    AutoScroll();
    DragSelectionEllipse(MouseDownX, MouseDownY, P.X, P.Y, adding, Constrained(Shift));
  } else {
    HeldLayerMove(Shift, X, Y);
  }
}

void TImgView::HeldLayerMove(TShiftState Shift, int32_t X, int32_t Y) {
  TIELayer* layer = CurrentLayerObject();
  if (!layer || layer->Locked) return;
  if (LayerGrip > 0) {
    AutoScroll();
    ResizeLayerByGrip(X, Y, Constrained(Shift));
    Update();
    DoLayerNotify(CurrentLayer, 4);
  } else if (MovingLayer >= 0) {
    AutoScroll();
    layer->PosX += ScreenToBitmapX(X) - ScreenToBitmapX(PrevRawX);
    layer->PosY += ScreenToBitmapY(Y) - ScreenToBitmapY(PrevRawY);
    Update();
    DoLayerNotify(CurrentLayer, 3);
  }
}

void TImgView::HoverMove(TShiftState Shift, int32_t X, int32_t Y) {
  const bool shift = Shift.Contains(ssShift);
  if (AnySelectMode()) {
    const TIEGrip g = GripAt(X, Y, shift);
    if (OnMouseInResizingGrip) OnMouseInResizingGrip(this, g);
    if (g != 0)
      ApplyCursor(GripCursor(g));
    else
      ApplyCursor(SelectionIndexAt(X, Y, shift) == 0 ? crSizeAll : CursorSetting);
    return;
  }
  if (!LayerMode()) return;
  const TIELayer* current = CurrentLayerObject();
  const int32_t g = FMouseInteract.Contains(MI::miResizeLayers) && current && !current->Locked ? LayerGripAt(X, Y) : 0;
  if (g != 0) {
    ApplyCursor(GripCursor(g));
    return;
  }
  const int32_t under = LayerAt(X, Y);
  if (under < 0 || GetLayer(under)->Locked)
    ApplyCursor(CursorSetting);
  else
    ApplyCursor(FMouseInteract.Contains(MI::miMoveLayers) ? crSizeAll : CursorSetting);
}

// Erases the band at the old mouse point and draws it to the new one; the
// drawn end is kept as the last mouse point.
bool TImgView::MoveRubberBand(TShiftState Shift, TPoint P) {
  DrawRubberBand();
  const auto& points = PolygonRecords[0]->Points;
  if (Constrained(Shift) && !points.empty() && !IsSeparator(points.back()))
    IEConstrainLine(BitmapToScreenX(points.back().X), BitmapToScreenY(points.back().Y), P.X, P.Y);
  LastMouseX = P.X, LastMouseY = P.Y;
  DrawRubberBand();
  FireSelectionEvent(OnSelectionChanging);
  return true;
}

// ---- Button up -------------------------------------------------------------------------------

void TImgView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEViewControl::MouseUp(Button, Shift, X, Y);
  const TPoint p = LimitMousePoint(X, Y);
  SwapInClientBase();
  const bool left = Button == TMouseButton::mbLeft;
  bool changed = false;
  if (FMouseInteract.Contains(MI::miZoom) && p.X == MouseDownX && p.Y == MouseDownY && !IsEmpty())
    ClickZoom(Button, p);
  else if (left)
    changed = LeftButtonUp(Shift, X, Y, p);
  if (left) FinishLeftGesture(changed);
  if (FZoomFilter != SavedZoomFilter) {
    FZoomFilter = SavedZoomFilter;
    Update();
  }
  RestoreSelectionBase();
}

void TImgView::ClickZoom(TMouseButton Button, TPoint P) {
  double z = FZoom;
  if (Button == TMouseButton::mbLeft) {
    if (FMouseInteract.Contains(MI::miScroll)) ApplyCursor(CursorSetting);
    z = NextZoomIn(FZoom);
    if (OnZoomIn) OnZoomIn(this, z);
  } else if (Button == TMouseButton::mbRight) {
    z = NextZoomOut(FZoom);
    if (OnZoomOut) OnZoomOut(this, z);
  }
  if (z != FZoom) ZoomAroundPoint(P.X, P.Y, false, z);
  PolygonSelecting = false;
}

bool TImgView::LeftButtonUp(TShiftState Shift, int32_t X, int32_t Y, TPoint P) {
  const bool moved = P.X != MouseDownX || P.Y != MouseDownY;
  const bool adding = AddsSelection(Shift);
  const auto rebuild = [&] {
    if (!adding) Mask->Empty();
    UpdateSelectionMask();
  };
  if (FMouseInteract.Contains(MI::miScroll) && IsScrollable()) {
    SetViewOrigin(OriginAtMouseDown.X + MouseDownX - X, OriginAtMouseDown.Y + MouseDownY - Y);
    ApplyCursor(CursorSetting);
    return false;
  }
  if (FMouseInteract.Contains(MI::miSelectZoom)) {
    ZoomToSelection();
    RectSelecting = false;
    PopSelection();
    return false;
  }
  if (FMouseInteract.Contains(MI::miSelect)) {
    if (!moved && Grip == 0 && MovingIndex != 0) {
      ClearSelection();
      return true;
    }
    if (RectSelecting || Grip > 0) rebuild();
    RectSelecting = false, Grip = 0, MovingIndex = -1;
    Update();
    return true;
  }
  if (FMouseInteract.Contains(MI::miSelectCircle)) {
    if (!moved && MovingIndex != 0 && SelectionAspectRatio != 0)
      ClearSelection();
    else if (CircleSelecting)
      rebuild();
    CircleSelecting = false, MovingIndex = -1;
    Update();
    return true;
  }
  if (FMouseInteract.Contains(MI::miSelectLasso)) {
    if (!moved && MovingIndex != 0) {
      ClearSelection();
    } else {
      if (PolygonSelecting) rebuild();
      Lasso = PolygonSelecting = false, MovingIndex = -1;
    }
    Update();
    return true;
  }
  if (FMouseInteract.Contains(MI::miSelectPolygon)) {
    const bool finishedMove = MovingIndex == 0;
    if (finishedMove) MovingIndex = -1;
    Update();
    return finishedMove;
  }
  if (FMouseInteract.Contains(MI::miSelectMagicWand)) {
    if (MovingIndex < 0) {
      ApplyCursor(crHourGlass);
      MagicWandSelect(ScreenToBitmapX(P.X), ScreenToBitmapY(P.Y), adding);
      ApplyCursor(CursorSetting);
    }
    MovingIndex = -1;
    Update();
    return true;
  }
  return false;
}

void TImgView::FinishLeftGesture(bool Changed) {
  if (RectangleMoving) {
    RectangleMoving = false;
    Mask->Empty();
    UpdateSelectionMask();
  }
  if (MovingLayer >= 0) {
    MovingLayer = -1;
    ApplyCursor(CursorSetting);
    DoLayerNotify(CurrentLayer, 1);
  }
  if (LayerGrip > 0) {
    LayerGrip = 0;
    DoLayerNotify(CurrentLayer, 2);
    Update();
  }
  MovingIndex = -1;
  Grip = 0;
  RectSelecting = CircleSelecting = Lasso = false;
  if (Changed) FireSelectionEvent(OnSelectionChange);
}

// ---- Edge auto-scroll ------------------------------------------------------------------------

bool TImgView::AutoScroll() {
  TFlagScope running(InAutoScroll, true);
  bool scrolled = false;
  for (;;) {
    const uint32_t start = GetTickCount();
    TPoint mouse;
    GetCursorPos(&mouse);
    mouse = ScreenToClient(mouse);
    int32_t dx = EdgeStep(mouse.X, OffsetX, DrawnWidth, 20, false);
    int32_t dy = EdgeStep(mouse.Y, OffsetY, DrawnHeight, 15, true);
    if (dx == 0 && dy == 0) break;
    dx = std::clamp(dx, -kAutoScrollLimit, kAutoScrollLimit);
    dy = std::clamp(dy, -kAutoScrollLimit, kAutoScrollLimit);
    const TPoint before{FViewOriginX, FViewOriginY};
    SetViewOrigin(before.X + dx, before.Y + dy);
    try {
      TMSG msg;
      PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    } catch (const std::exception&) {
      // Only a look at the queue; what it throws changes nothing here.
    }
    if (FViewOriginX == before.X && FViewOriginY == before.Y) break;
    scrolled = true;
    MouseDownX -= FViewOriginX - before.X;
    MouseDownY -= FViewOriginY - before.Y;
    OffsetMouseAnchors(dx, dy);
    const uint32_t spent = GetTickCount() - start;
    if (spent < kAutoScrollPace) Sleep(kAutoScrollPace - spent);
  }
  return scrolled;
}

// ---- Wheel, double click and keys -------------------------------------------------------------

void TImgView::WMMouseWheel(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  const TIEMouseWheelParams& w = WheelParams;
  if (w.Action == TIEMouseWheelAction::iemwNone || FAutoFit) return;
  const TPoint mouse = ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
  const int32_t delta = GET_WHEEL_DELTA_WPARAM(Message.WParam);
  const bool ctrl = (LOWORD(Message.WParam) & MK_CONTROL) != 0;
  int32_t d = delta > 0 ? -1 : 1;
  if (w.InvertDirection) d = -d;
  if (w.Action == TIEMouseWheelAction::iemwScroll)
    WheelScroll(d, ctrl);
  else if (w.Action == TIEMouseWheelAction::iemwZoom)
    WheelZoom(d, mouse);
}

void TImgView::WheelScroll(int32_t D, bool Ctrl) {
  const TIEMouseWheelParams& w = WheelParams;
  const bool horizontal = Ctrl || (MaxOriginX() > 0 && MaxOriginY() == 0);
  const int32_t extent = horizontal ? GetViewWidth() : GetViewHeight();
  int32_t step = 0;
  if (w.Variation == TIEMouseWheelVariation::iemwPercentage)
    step = std::max<int32_t>(1, static_cast<int32_t>(Round(static_cast<double>(extent) * w.Value / 100)));
  else if (w.Variation == TIEMouseWheelVariation::iemwAbsolute)
    step = w.Value * std::max<int32_t>(1, static_cast<int32_t>(Trunc(ZoomFactor)));
  else
    return;
  if (horizontal)
    SetViewOriginX(FViewOriginX + D * step);
  else
    SetViewOriginY(FViewOriginY + D * step);
}

void TImgView::WheelZoom(int32_t D, TPoint Mouse) {
  const TIEMouseWheelParams& w = WheelParams;
  double z = FZoom;
  if (w.Variation == TIEMouseWheelVariation::iemwAbsolute)
    z = FZoom + D * w.Value;
  else if (w.Variation == TIEMouseWheelVariation::iemwPercentage)
    z = FZoom + D * std::max<double>(1, Round(w.Value * FZoom / 100));
  else
    return;
  if (z > FZoom && OnZoomIn) OnZoomIn(this, z);
  if (z < FZoom && OnZoomOut) OnZoomOut(this, z);
  if (w.ZoomPosition)
    ZoomAroundPoint(Mouse.X, Mouse.Y, false, z);
  else
    SetZoom(z);
}

void TImgView::WMLButtonDblClk(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  if (PolygonSelecting && !Lasso) ClosePolygon((Message.WParam & MK_SHIFT) != 0 && ShiftAddsSelection, true);
}

void TImgView::KeyDown(uint16_t& Key, TShiftState Shift) {
  TIEViewControl::KeyDown(Key, Shift);
  if (!Shift.Contains(ssShift) || !ShiftAddsSelection) return;
  if (ShownCursor == kCursorSelect)
    ApplyCursor(kCursorSelectAdd);
  else if (ShownCursor == kCursorPolygon)
    ApplyCursor(kCursorPolygonAdd);
}

void TImgView::KeyUp(uint16_t& Key, TShiftState Shift) {
  TIEViewControl::KeyUp(Key, Shift);
  if (!Shift.Contains(ssShift) && ShiftAddsSelection) ApplyCursor(CursorSetting);
}

// Navigation keys belong to the view; their key-up handling runs at the claim.
void TImgView::CMWantSpecialKey(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  bool handled = false;
  const auto key = static_cast<uint16_t>(Message.WParam);
  if (OnSpecialKey) OnSpecialKey(this, key, handled);
  if (handled) {
    Message.Result = 1;
    return;
  }
  if (key < VK_PRIOR || key > VK_DOWN) return;
  Message.Result = 1;
  uint16_t k = key;
  KeyUp(k, KeyDataToShiftState(static_cast<int32_t>(Message.LParam)));
}
