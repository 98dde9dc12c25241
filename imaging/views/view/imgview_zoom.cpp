// Zoom, view origin, fit rules, scroll bars and the mapping between client
// and bitmap coordinates through lookup tables.
#include <algorithm>
#include <cmath>

#include "imaging/model/transitions/iewindowroutines.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_internal.h"
#include "platform/rtl/arith.h"

namespace {

int32_t Clamp32(int64_t Value, int32_t Low, int32_t High) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, Low, High));
}

int32_t ToInt32(int64_t Value) {
  return Clamp32(Value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

}  // namespace

// ---- Zoom ------------------------------------------------------------------------------------

double TImgView::LimitZoom(double Value) const {
  const int32_t side = std::max(ExtentWidth, ExtentHeight);
  if (side <= 0) return Value;
  double limit = static_cast<double>(IEMaxZoomedSide) * 100.0 / side;
  while (Round(side * (limit / 100.0)) > IEMaxZoomedSide) limit = std::nextafter(limit, 0.0);
  return std::min(Value, limit);
}

void TImgView::SetZoomFields(double Value) {
  FZoom = Value;
  ZoomFactor = Value / 100.0;
  InvZoomFactor = 100.0 / Value;
}

void TImgView::SetZoom(double Value) {
  if (!(Value > 0) || Value == FZoom) return;
  Value = LimitZoom(Value);
  if (Value == FZoom) return;
  if (DelayZoomFilter && FZoomFilter != TResampleFilter::rfNone && FZoom != 100)
    ZoomFilterCountdown = ZoomFilterDelayTicks;
  SelectionHideCountdown = SelectionHideTicks;
  LockPaint();
  ApplyZoom(Value);
  Update();
  Update();
  UpdateDisplayRect();
  BuildCoordinateTables();
  UnlockPaintNoUpdate();
  if (HasParentWindow() && HandleAllocated()) {
    Invalidate();
    TIEViewControl::Update();
  }
  DoViewChange(1);
}

void TImgView::ApplyZoom(double NewZoom) {
  NewZoom = LimitZoom(NewZoom);
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  const int32_t halfX = static_cast<int32_t>(static_cast<uint32_t>(std::max(GetViewWidth(), 0)) >> 1);
  const int32_t halfY = static_cast<int32_t>(static_cast<uint32_t>(std::max(GetViewHeight(), 0)) >> 1);
  const int64_t bx = Round((FViewOriginX + halfX - OffsetX) * InvZoomFactor);
  const int64_t by = Round((FViewOriginY + halfY - OffsetY) * InvZoomFactor);
  FViewOriginX = Clamp32(Trunc(bx * NewZoom / 100.0 - halfX), 0, std::max(mx, 0));
  FViewOriginY = Clamp32(Trunc(by * NewZoom / 100.0 - halfY), 0, std::max(my, 0));
  SetZoomFields(NewZoom);
}

void TImgView::ZoomAroundPoint(int32_t X, int32_t Y, bool KeepCentre, double NewZoom) {
  LockPaint();
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  int64_t ox = 0, oy = 0;
  const bool small = ZoomedWidth < 10 || ZoomedHeight < 10 || Bitmap->Width() < 10 || Bitmap->Height() < 10;
  if (KeepCentre && small) {
    const int32_t bx = ScreenToBitmapX(X), by = ScreenToBitmapY(Y);
    SetZoom(NewZoom);
    const double z = FZoom / 100.0;
    ox = Ceil(bx * z - Div(vw, 2)) + Round(z / 2);
    oy = Ceil(by * z - Div(vh, 2)) + Round(z / 2);
  } else if (KeepCentre) {
    const int32_t oldOriginX = FViewOriginX, oldOriginY = FViewOriginY;
    const int32_t oldZW = ZoomedWidth, oldZH = ZoomedHeight, oldOffX = OffsetX, oldOffY = OffsetY;
    SetZoom(NewZoom);
    const double rx = oldZW != 0 ? (Div(vw, 2) + oldOriginX) / static_cast<double>(oldZW) : 0;
    const double ry = oldZH != 0 ? (Div(vh, 2) + oldOriginY) / static_cast<double>(oldZH) : 0;
    ox = oldOffX < 1 ? Round(ZoomedWidth * rx) - Div(vw, 2) : Div(ZoomedWidth, 2) - Div(vw, 2);
    oy = oldOffY < 1 ? Round(ZoomedHeight * ry) - Div(vh, 2) : Div(ZoomedHeight, 2) - Div(vh, 2);
  } else {
    const int32_t bx = ScreenToBitmapX(X), by = ScreenToBitmapY(Y);
    SetZoom(NewZoom);
    ox = OriginKeeping(bx, X, ZoomedToBitmapX, BitmapToZoomedX);
    oy = OriginKeeping(by, Y, ZoomedToBitmapY, BitmapToZoomedY);
  }
  SetViewOrigin(ToInt32(ox), ToInt32(oy));
  UnlockPaint();
  UpdateDisplayRect();
  BuildCoordinateTables();
  DoViewChange(1);
}

int64_t TImgView::OriginKeeping(int32_t B, int32_t X, const TIECoordTable& ZToB, const TIECoordTable& BToZ) {
  const double z = FZoom / 100.0;
  const int32_t zCount = static_cast<int32_t>(ZToB.size()), bCount = static_cast<int32_t>(BToZ.size());
  if (B < 0 || B + 1 >= bCount) return Trunc(B * z - X + z / 2);
  const int32_t start = BToZ[static_cast<size_t>(B)];
  // Below 100 % every zoomed column starts itself; the column's first bitmap
  // column is the one under the mouse.
  if (FZoom <= 100) return int64_t(start) - X;
  // The painted origin is where a bitmap column starts: pick the column whose
  // start puts the mouse inside B.
  const int32_t next = BToZ[static_cast<size_t>(B + 1)];
  const int32_t guess = std::clamp(start - X, 0, zCount - 1);
  for (int32_t p = ZToB[static_cast<size_t>(guess)] - 1; p <= ZToB[static_cast<size_t>(guess)] + 2; ++p) {
    if (p < 0 || p >= bCount) continue;
    const int32_t at = BToZ[static_cast<size_t>(p)] + X;
    if (at >= start && at < next) return BToZ[static_cast<size_t>(p)];
  }
  return int64_t(start) - X;
}

double TImgView::GetFitZoom() {
  if (ExtentWidth == 0 || ExtentHeight == 0) return 100;
  int32_t bw = 0, bh = 0;
  if (FBackgroundStyle == TIEBackgroundStyle::iebsCropped) {
    bw = GetSystemMetrics(SM_CXEDGE), bh = GetSystemMetrics(SM_CYEDGE);
  } else if (FBackgroundStyle == TIEBackgroundStyle::iebsCropShadow) {
    bw = 5, bh = 5;
  } else if (BorderStyle() != TBorderStyle::bsNone) {
    bw = GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
    bh = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
  }
  return std::min((Height() - 2 * bh) / (ExtentHeight / 100.0), (Width() - 2 * bw) / (ExtentWidth / 100.0));
}

double TImgView::GetControlFitZoom() {
  if (ExtentWidth == 0 || ExtentHeight == 0) return 100;
  return std::min(Height() / (ExtentHeight / 100.0), Width() / (ExtentWidth / 100.0));
}

void TImgView::FitToWindow() {
  if (ExtentWidth == 0 || ExtentHeight == 0) return;
  {
    // The size change of hiding a bar must not update at the old zoom, which
    // would show the bar again.
    TFlagScope hiding(InUpdate, true);
    HideScrollBar(SB_HORZ, HScrollShown);
    HideScrollBar(SB_VERT, VScrollShown);
  }
  SetZoom(GetFitZoom());
}

double TImgView::FitRuleZoom() {
  int32_t mx = 0, my = 0;
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (FBackgroundStyle == TIEBackgroundStyle::iebsCropped) {
    mx = GetSystemMetrics(SM_CXEDGE), my = GetSystemMetrics(SM_CYEDGE);
  } else if (FBackgroundStyle == TIEBackgroundStyle::iebsCropShadow) {
    mx = 5, my = 5;
  } else {
    mx = Div(Width() - vw, 2), my = Div(Height() - vh, 2);
  }
  const int32_t aw = vw - 2 * mx, ah = vh - 2 * my;
  double zoom = 100;
  if (ExtentWidth > 1 || ExtentHeight > 1) {
    const bool shrink = FAutoShrink || FAutoFit, stretch = FAutoStretch || FAutoFit;
    if (ExtentWidth != 0 && ExtentHeight != 0 && aw != 0 && ah != 0) {
      const double fit = std::min(ah / (ExtentHeight / 100.0), aw / (ExtentWidth / 100.0));
      const bool widthLimits = ExtentWidth / static_cast<double>(aw) > ExtentHeight / static_cast<double>(ah);
      const int32_t avail = widthLimits ? aw : ah, extent = widthLimits ? ExtentWidth : ExtentHeight;
      if ((avail < extent && shrink) || (avail >= extent && stretch)) zoom = fit;
    }
  }
  return zoom < 1 ? 1 : zoom;
}

// ---- Origin ----------------------------------------------------------------------------------

void TImgView::MaxOrigin(int32_t& MX, int32_t& MY) {
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  int64_t zw = Trunc(ExtentWidth * ZoomFactor), zh = Trunc(ExtentHeight * ZoomFactor);
  // One more bitmap pixel of room, so that the last one can be shown whole.
  if (FZoom > 100 && (zw > vw + 10 || zh > vh + 10)) {
    zw = Trunc((ExtentWidth + 1) * ZoomFactor);
    zh = Trunc((ExtentHeight + 1) * ZoomFactor);
  }
  MX = MY = 0;
  if (zw <= 0 || zh <= 0 || (zw <= vw && zh <= vh)) return;
  MX = ToInt32(zw - vw);
  MY = ToInt32(zh - vh);
  if (MX < 0 || ScreenToBitmapX(MX) == 0) MX = 0;
  if (MY < 0 || ScreenToBitmapY(MY) == 0) MY = 0;
}

int32_t TImgView::MaxOriginX() {
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  return mx;
}

int32_t TImgView::MaxOriginY() {
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  return my;
}

bool TImgView::IsScrollable() {
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  return mx > 0 || my > 0;
}

void TImgView::SetViewOrigin(int32_t X, int32_t Y) {
  UpdateDisplayTables();
  if (X == FViewOriginX && Y == FViewOriginY) return;
  int32_t mx = 0, my = 0;
  MaxOrigin(mx, my);
  X = std::max(0, std::min(X, mx));
  Y = std::max(0, std::min(Y, my));
  if (X == FViewOriginX && Y == FViewOriginY) return;
  FViewOriginX = X;
  FViewOriginY = Y;
  MarkMoved();
}

void TImgView::SetViewOriginX(int32_t X) {
  X = std::max(0, std::min(X, MaxOriginX()));
  if (X == FViewOriginX) return;
  FViewOriginX = X;
  MarkMoved();
}

void TImgView::SetViewOriginY(int32_t Y) {
  Y = std::max(0, std::min(Y, MaxOriginY()));
  if (Y == FViewOriginY) return;
  FViewOriginY = Y;
  MarkMoved();
}

void TImgView::MarkMoved() {
  if (DelayZoomFilter && FZoomFilter != TResampleFilter::rfNone && FZoom != 100)
    ZoomFilterCountdown = ZoomFilterDelayTicks;
  SelectionHideCountdown = SelectionHideTicks;
  BackBufferDirty = true;
  FullRepaint = true;
  // The tables follow the origin at once, so that conversions made before
  // the next paint see the moved view.
  UpdateDisplayTables();
  if (HasParentWindow() && HandleAllocated()) {
    Invalidate();
    TIEViewControl::Update();
  }
  DoViewChange(0);
  MoveThumbs();
}

void TImgView::MoveThumbs() {
  if (!HasParentWindow()) return;
  if (BarAllowed(SB_HORZ))
    IESetScrollPos(Handle(), SB_HORZ, ToInt32(Trunc(FViewOriginX / HScrollFactor)), true, FFlatScrollBars);
  if (BarAllowed(SB_VERT))
    IESetScrollPos(Handle(), SB_VERT, ToInt32(Trunc(FViewOriginY / VScrollFactor)), true, FFlatScrollBars);
}

void TImgView::CenterView() { SetViewOrigin(Div(Bitmap->Width() - Width(), 2), Div(Bitmap->Height() - Height(), 2)); }

// ---- Scroll bars -----------------------------------------------------------------------------

bool TImgView::BarAllowed(int32_t Bar) const {
  if (FScrollBars == TScrollStyle::ssBoth) return true;
  return Bar == SB_HORZ ? FScrollBars == TScrollStyle::ssHorizontal : FScrollBars == TScrollStyle::ssVertical;
}

void TImgView::HideScrollBar(int32_t Bar, bool& Shown) {
  if (!Shown) return;
  Shown = false;
  if (HasParentWindow()) IEShowScrollBar(Handle(), Bar, false, FFlatScrollBars);
}

void TImgView::SetupScrollBar(int32_t Bar, int32_t MaxOrigin, int32_t ViewSize, int32_t Origin, double& Factor,
                              bool& Shown) {
  HWND h = Handle();
  if (MaxOrigin < 1) {
    if (FScrollBarsAlwaysVisible) {
      Shown = true;
      IEEnableScrollBar(h, static_cast<uint32_t>(Bar), ESB_DISABLE_BOTH, FFlatScrollBars);
      IEShowScrollBar(h, Bar, true, FFlatScrollBars);
    } else {
      HideScrollBar(Bar, Shown);
    }
    return;
  }
  Shown = true;
  Factor = (ViewSize + static_cast<double>(MaxOrigin)) / 65536.0;
  IESetScrollRange(h, Bar, 0, 65535, false, FFlatScrollBars);
  IESetScrollPage(h, Bar, ToInt32(Trunc(ViewSize / Factor)), false, FFlatScrollBars);
  IEEnableScrollBar(h, static_cast<uint32_t>(Bar), ESB_ENABLE_BOTH, FFlatScrollBars);
  IEShowScrollBar(h, Bar, true, FFlatScrollBars);
  IESetScrollPos(h, Bar, ToInt32(Trunc(Origin / Factor)), false, FFlatScrollBars);
}

void TImgView::SetScrollBars(TScrollStyle Value) {
  FScrollBars = Value;
  if (Value != TScrollStyle::ssVertical && Value != TScrollStyle::ssBoth) HideScrollBar(SB_VERT, VScrollShown);
  if (Value != TScrollStyle::ssHorizontal && Value != TScrollStyle::ssBoth) HideScrollBar(SB_HORZ, HScrollShown);
  Update();
}

void TImgView::SetFlatScrollBars(bool Value) {
  if (Value == FFlatScrollBars) return;
  FFlatScrollBars = Value;
  if (!HasParentWindow()) return;
  HWND h = Handle();
  if (!Value) {
    UninitializeFlatSB(h);
    return;
  }
  IESetScrollRange(h, SB_HORZ, 0, 65535, false, true);
  IESetScrollRange(h, SB_VERT, 0, 65535, false, true);
  InitializeFlatSB(h);
  IEShowScrollBar(h, SB_BOTH, false, true);
  HScrollShown = VScrollShown = false;
}

int32_t TImgView::ScrollTarget(uint32_t Code, int32_t Pos, int32_t Origin, int32_t ViewSize, int32_t Max,
                               const TIEScrollBarParams& Params, double Factor) {
  const int64_t u = std::max<int64_t>(1, Trunc(ZoomFactor));
  switch (Code) {
    case SB_LINEUP: return ToInt32(Params.LineStep == -1 ? Origin - u : Origin - u * Params.LineStep);
    case SB_LINEDOWN: return ToInt32(Params.LineStep == -1 ? Origin + u : Origin + u * Params.LineStep);
    case SB_PAGEUP: return ToInt32(Params.PageStep == -1 ? int64_t(Origin) - ViewSize : Origin - u * Params.PageStep);
    case SB_PAGEDOWN: return ToInt32(Params.PageStep == -1 ? int64_t(Origin) + ViewSize : Origin + u * Params.PageStep);
    case SB_THUMBPOSITION: return ToInt32(Trunc(Pos * Factor));
    case SB_THUMBTRACK: return Params.Tracking ? ToInt32(Trunc(Pos * Factor)) : Origin;
    case SB_TOP: return 0;
    case SB_BOTTOM: return Max;
    default: return Origin;
  }
}

void TImgView::WMHScroll(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  const uint32_t code = Message.WParam & 0xFFFF;
  const int32_t pos = static_cast<int32_t>((Message.WParam >> 16) & 0xFFFF);
  SetViewOriginX(ScrollTarget(code, pos, FViewOriginX, GetViewWidth(), MaxOriginX(), HScrollParams, HScrollFactor));
}

void TImgView::WMVScroll(TMessage& Message) {
  TIEViewControl::Dispatch(Message);
  const uint32_t code = Message.WParam & 0xFFFF;
  const int32_t pos = static_cast<int32_t>((Message.WParam >> 16) & 0xFFFF);
  SetViewOriginY(ScrollTarget(code, pos, FViewOriginY, GetViewHeight(), MaxOriginY(), VScrollParams, VScrollFactor));
}

// ---- Extent and display rectangle -------------------------------------------------------------

void TImgView::UpdateExtent() {
  // A zoom set before the image grew may no longer fit the side limit.
  const double limited = LimitZoom(FZoom);
  if (limited != FZoom) SetZoomFields(limited);
  ZoomedWidth = ToInt32(Round(ExtentWidth * ZoomFactor));
  ZoomedHeight = ToInt32(Round(ExtentHeight * ZoomFactor));
  OffsetX = OffsetY = 0;
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) {
    DrawnWidth = std::min(ZoomedWidth, Width());
    DrawnHeight = std::min(ZoomedHeight, Height());
    return;
  }
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  DrawnWidth = std::min(ZoomedWidth, vw);
  DrawnHeight = std::min(ZoomedHeight, vh);
  if (FCenter && DrawnWidth < vw) OffsetX = static_cast<int32_t>(static_cast<uint32_t>(vw - DrawnWidth) >> 1);
  if (FCenter && DrawnHeight < vh) OffsetY = static_cast<int32_t>(static_cast<uint32_t>(vh - DrawnHeight) >> 1);
}

void TImgView::UpdateDisplayRect() {
  VisibleBitmapX = VisibleBitmapY = VisibleBitmapWidth = VisibleBitmapHeight = PaintWidth = PaintHeight = 0;
  if (ZoomedWidth != 0) {
    const double s = ExtentWidth / static_cast<double>(ZoomedWidth);
    VisibleBitmapX = ToInt32(Round(AlignX(FViewOriginX) * s));
    VisibleBitmapWidth = ToInt32(Round(s * DrawnWidth));
    if (VisibleBitmapX + VisibleBitmapWidth > ExtentWidth) --VisibleBitmapWidth;
  }
  if (ZoomedHeight != 0) {
    const double s = ExtentHeight / static_cast<double>(ZoomedHeight);
    VisibleBitmapY = ToInt32(Round(AlignY(FViewOriginY) * s));
    VisibleBitmapHeight = ToInt32(Round(s * DrawnHeight));
    if (VisibleBitmapY + VisibleBitmapHeight > ExtentHeight) --VisibleBitmapHeight;
  }
  if (FZoom <= 100) {
    PaintWidth = DrawnWidth;
    PaintHeight = DrawnHeight;
    return;
  }
  // A partly visible last pixel is painted too.
  PaintWidth = ToInt32(Trunc(VisibleBitmapWidth * ZoomFactor));
  if (PaintWidth < DrawnWidth && VisibleBitmapX + VisibleBitmapWidth < ExtentWidth) {
    ++VisibleBitmapWidth;
    PaintWidth = ToInt32(Trunc(VisibleBitmapWidth * ZoomFactor));
  }
  PaintHeight = ToInt32(Trunc(VisibleBitmapHeight * ZoomFactor));
  if (PaintHeight < DrawnHeight && VisibleBitmapY + VisibleBitmapHeight < ExtentHeight) {
    ++VisibleBitmapHeight;
    PaintHeight = ToInt32(Trunc(VisibleBitmapHeight * ZoomFactor));
  }
}

void TImgView::UpdateDisplayTables() {
  try {
    UpdateDisplayRect();
    BuildCoordinateTables();
  } catch (const Exception&) {
    // Stale tables only make one paint or hit test imprecise.
  }
}

// ---- Coordinate tables ------------------------------------------------------------------------

int32_t TImgView::AlignX(int32_t ZX) {
  if (ZX >= 0 && ZX < ZoomedWidth && ZX < static_cast<int32_t>(ZoomedToBitmapX.size()))
    return BitmapToZoomedX[static_cast<size_t>(ZoomedToBitmapX[static_cast<size_t>(ZX)])];
  return std::max(ZX, 0);
}

int32_t TImgView::AlignY(int32_t ZY) {
  if (ZY >= 0 && ZY < ZoomedHeight && ZY < static_cast<int32_t>(ZoomedToBitmapY.size()))
    return BitmapToZoomedY[static_cast<size_t>(ZoomedToBitmapY[static_cast<size_t>(ZY)])];
  return std::max(ZY, 0);
}

void TImgView::BuildAxisTables(int32_t Zoomed, int32_t Paint, int32_t Extent, TIECoordTable& ZToB,
                               TIECoordTable& BToZ) {
  const int64_t j = int64_t(Zoomed) + Paint;
  const int64_t k = Trunc((j + 1) * InvZoomFactor);
  ZToB.assign(static_cast<size_t>(j + 2), 0);
  BToZ.assign(static_cast<size_t>(k + 2), 0);
  const int32_t last = std::max(Extent - 1, 0);
  if (FZoom > 100) {
    // Going down leaves the first zoomed column of each bitmap column.
    for (int64_t zx = j; zx >= 0; --zx) {
      const int64_t bx = Trunc(zx * InvZoomFactor);
      BToZ[static_cast<size_t>(bx)] = static_cast<int32_t>(zx);
      ZToB[static_cast<size_t>(zx)] = static_cast<int32_t>(std::min<int64_t>(bx, last));
    }
  } else {
    // The smallest bitmap column landing on a zoomed column wins.
    for (int64_t bx = k; bx >= 0; --bx) {
      const int64_t zx = Trunc(bx * ZoomFactor);
      BToZ[static_cast<size_t>(bx)] = static_cast<int32_t>(zx);
      ZToB[static_cast<size_t>(zx)] = static_cast<int32_t>(std::min<int64_t>(bx, last));
    }
  }
}

void TImgView::PlaceAxisWindows(int32_t Origin, int32_t VisibleStart, const TIECoordTable& ZToB,
                                const TIECoordTable& BToZ, int32_t PaintSize, TIECoordWindow& SToB,
                                TIECoordWindow& BToS) {
  const int32_t zCount = static_cast<int32_t>(ZToB.size()), bCount = static_cast<int32_t>(BToZ.size());
  const int32_t a = std::clamp(Origin, 0, zCount - 1);
  SToB = TIECoordWindow{&ZToB, a, std::clamp(PaintSize, 0, zCount - a), 0};
  // Zoomed columns are taken relative to the aligned origin, so that the two
  // directions agree at every zoom and origin, not only where the origin's
  // bitmap column starts on a whole multiple of the zoom.
  const int32_t b = std::clamp(VisibleStart, 0, bCount - 1);
  BToS = TIECoordWindow{&BToZ, b, std::clamp(ToInt32(Trunc(PaintSize * InvZoomFactor)), 0, bCount - b), a};
}

void TImgView::BuildCoordinateTables() {
  const int32_t sizes[4] = {PaintWidth, PaintHeight, ExtentWidth, ExtentHeight};
  if (TableZoom != FZoom || !std::equal(sizes, sizes + 4, TableSizes)) {
    for (TIECoordTable* t : {&ZoomedToBitmapX, &ZoomedToBitmapY, &BitmapToZoomedX, &BitmapToZoomedY}) t->clear();
    for (TIECoordWindow* w :
         {&ScreenToBitmapXTable, &ScreenToBitmapYTable, &BitmapToScreenXTable, &BitmapToScreenYTable})
      *w = TIECoordWindow();
    TableZoom = -1;
    if (PaintWidth == 0 || PaintHeight == 0 || Bitmap->Width() == 0 || Bitmap->Height() == 0) return;
    BuildAxisTables(ZoomedWidth, PaintWidth, ExtentWidth, ZoomedToBitmapX, BitmapToZoomedX);
    BuildAxisTables(ZoomedHeight, PaintHeight, ExtentHeight, ZoomedToBitmapY, BitmapToZoomedY);
    TableZoom = FZoom;
    std::copy(sizes, sizes + 4, TableSizes);
  }
  if (ZoomedToBitmapX.empty() || ZoomedToBitmapY.empty()) return;
  PlaceAxisWindows(AlignX(FViewOriginX), VisibleBitmapX, ZoomedToBitmapX, BitmapToZoomedX, PaintWidth,
                   ScreenToBitmapXTable, BitmapToScreenXTable);
  PlaceAxisWindows(AlignY(FViewOriginY), VisibleBitmapY, ZoomedToBitmapY, BitmapToZoomedY, PaintHeight,
                   ScreenToBitmapYTable, BitmapToScreenYTable);
}

// ---- Conversions ----------------------------------------------------------------------------

int32_t TImgView::ScreenToBitmapX(int32_t X) {
  const int32_t d = X - OffsetX;
  if (d >= 0 && d < PaintWidth && d < ScreenToBitmapXTable.Count) return ScreenToBitmapXTable.At(d);
  return ToInt32(Trunc(d * InvZoomFactor + VisibleBitmapX));
}

int32_t TImgView::ScreenToBitmapY(int32_t Y) {
  const int32_t d = Y - OffsetY;
  if (d >= 0 && d < PaintHeight && d < ScreenToBitmapYTable.Count) return ScreenToBitmapYTable.At(d);
  return ToInt32(Trunc(d * InvZoomFactor + VisibleBitmapY));
}

int32_t TImgView::ScreenToBitmapClampX(int32_t X) {
  const int32_t d = X - OffsetX;
  if (d < 0) return 0;
  if (d < ScreenToBitmapXTable.Count) return ScreenToBitmapXTable.At(d);
  return std::max(Bitmap->Width() - 1, 0);
}

int32_t TImgView::ScreenToBitmapClampY(int32_t Y) {
  const int32_t d = Y - OffsetY;
  if (d < 0) return 0;
  if (d < ScreenToBitmapYTable.Count) return ScreenToBitmapYTable.At(d);
  return std::max(Bitmap->Height() - 1, 0);
}

int32_t TImgView::BitmapToScreenX(int32_t BX) {
  const int32_t d = BX - VisibleBitmapX;
  if (d >= 0 && d < BitmapToScreenXTable.Count) return BitmapToScreenXTable.At(d) + OffsetX;
  return ToInt32(Round((BX + Round(-AlignX(FViewOriginX) * InvZoomFactor)) * ZoomFactor + OffsetX));
}

int32_t TImgView::BitmapToScreenY(int32_t BY) {
  const int32_t d = BY - VisibleBitmapY;
  if (d >= 0 && d < BitmapToScreenYTable.Count) return BitmapToScreenYTable.At(d) + OffsetY;
  return ToInt32(Round((BY + Round(-AlignY(FViewOriginY) * InvZoomFactor)) * ZoomFactor + OffsetY));
}
