#include "skin/controls/slider.h"

#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/controls/skincontrolresources.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"

namespace {

constexpr uintptr_t kTrackTimer = 1;
// Gap between the control's edge and ruler and thumb.
constexpr int32_t kMargin = 6;

// Jump directions: to MinValue, to MaxValue, one step up, one step down.
constexpr int32_t jdHome = 1, jdEnd = 2, jdUp = 3, jdDown = 4;

const char* const kBuiltInNames[4] = {"BS_HTB", "BS_HRL", "BS_VTB", "BS_VRL"};

// Sets a flag for the lifetime of the scope.
class TStateScope {
 public:
  TStateScope(TControl* Control, TControlStateItem Item) : FControl(Control), FItem(Item) {
    TControlState s = Control->ControlState();
    s.Include(Item);
    Control->SetControlState(s);
  }
  ~TStateScope() {
    TControlState s = FControl->ControlState();
    s.Exclude(FItem);
    FControl->SetControlState(s);
  }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  TControl* FControl;
  TControlStateItem FItem;
};

bool NoShiftKey(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl);
}

}  // namespace

TbsSkinCustomSlider::TbsSkinCustomSlider(TComponent* AOwner) : TbsSkinControl(AOwner) {
  TStateScope creating(this, TControlStateItem::csCreating);
  using S = TControlStyleItem;
  SetControlStyle(
      TControlStyle{S::csAcceptsControls, S::csCaptureMouse, S::csClickEvents, S::csOpaque, S::csDoubleClicks});
  SetTabStop(true);
  SetBounds(Left(), Top(), 150, 40);
  FOptions = TbsSliderOptions{TbsSliderOption::soShowFocus, TbsSliderOption::soShowPoints, TbsSliderOption::soSmooth};
  FRulerImage = std::make_unique<TBitmap>();
  for (int32_t i = 0; i < 4; ++i) {
    FImages[i] = std::make_unique<TBitmap>();
    LoadBuiltInImage(TbsSliderImage(i));
  }
  AdjustElements();
  SetSkinDataName("slider");
}

TbsSkinCustomSlider::~TbsSkinCustomSlider() {
  OnChange = nullptr;
  OnChanged = nullptr;
  OnDrawPoints = nullptr;
}

// ---- Images --------------------------------------------------------------------------------

void TbsSkinCustomSlider::LoadBuiltInImage(TbsSliderImage Which) {
  InitSkinControlResources();
  FImages[size_t(Which)]->LoadFromResourceName(nullptr, kBuiltInNames[size_t(Which)]);
}

void TbsSkinCustomSlider::SetImage(TbsSliderImage Which, TBitmap* AValue) {
  const uint8_t bit = uint8_t(1u << uint8_t(Which));
  if (AValue != nullptr) {
    FImages[size_t(Which)]->Assign(AValue);
    FUserImages |= bit;
  } else {
    LoadBuiltInImage(Which);
    FUserImages &= uint8_t(~bit);
    const bool thumb = Which == TbsSliderImage::siHThumb || Which == TbsSliderImage::siVThumb;
    FOptions.Exclude(thumb ? TbsSliderOption::soThumbOpaque : TbsSliderOption::soRulerOpaque);
    Invalidate();
  }
  ImageChanged();
}

void TbsSkinCustomSlider::ImageChanged() {
  if (!ControlState().Contains(TControlStateItem::csCreating)) AdjustElements();
}

// ---- Properties ---------------------------------------------------------------------------

void TbsSkinCustomSlider::SetValue(int32_t AValue) {
  int32_t v = AValue > FMaxValue ? FMaxValue : AValue;
  if (v < FMinValue) v = FMinValue;
  const bool changed = v != FValue;
  FValue = v;
  MoveThumbTo(ValueToOffset(v));
  if (changed) Change();
}

void TbsSkinCustomSlider::SetRange(int32_t AMin, int32_t AMax) {
  if (AMin >= AMax) return;
  FMinValue = AMin;
  FMaxValue = AMax;
  if (FMaxValue < FMinValue + FIncrement) FIncrement = FMaxValue - FMinValue;
  if (FOptions.Contains(TbsSliderOption::soShowPoints)) Invalidate();
  SetValue(FValue);
  RangeChanged();
}

void TbsSkinCustomSlider::SetIncrement(int32_t AValue) {
  if (AValue <= 0 || AValue == FIncrement) return;
  FIncrement = AValue;
  SetValue(FValue);
  Invalidate();
}

void TbsSkinCustomSlider::SetOrientation(TbsSliderOrientation AValue) {
  if (AValue == FOrientation) return;
  FOrientation = AValue;
  AdjustElements();
  const TComponentState state = ComponentState();
  if (!state.Contains(TComponentStateItem::csLoading) && !state.Contains(TComponentStateItem::csUpdating))
    SetBounds(Left(), Top(), Height(), Width());
}

void TbsSkinCustomSlider::SetOptions(TbsSliderOptions AValue) {
  if (AValue == FOptions) return;
  FOptions = AValue;
  Invalidate();
}

void TbsSkinCustomSlider::SetNumThumbStates(TbsNumThumbStates AValue) {
  if (AValue < 1 || AValue > 2 || AValue == FNumThumbStates) return;
  FNumThumbStates = AValue;
  AdjustElements();
}

void TbsSkinCustomSlider::SetEdgeSize(int32_t AValue) {
  TBitmap* ruler = Image(Horizontal() ? TbsSliderImage::siHRuler : TbsSliderImage::siVRuler);
  const int32_t length = Horizontal() ? ruler->Width() : ruler->Height();
  if (2 * AValue >= length || AValue == FEdgeSize) return;
  FEdgeSize = AValue;
  AdjustElements();
}

void TbsSkinCustomSlider::SetTransparent(bool AValue) {
  FTransparent = AValue;
  Invalidate();
}

void TbsSkinCustomSlider::SetUseSkinThumb(bool AValue) {
  FUseSkinThumb = AValue;
  AdjustElements();
}

// ---- Skin data and layout ------------------------------------------------------------------

void TbsSkinCustomSlider::GetSkinData() {
  TbsSkinControl::GetSkinData();
  FSkinDescription = false;
  FSourcePicture = nullptr;
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinSlider*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FSkinDescription = true;
  FSourcePicture = SkinActivePicture(FSkinData, D->PictureIndex);
  FSkinHRulerRect = D->HRulerRect;
  FSkinHThumbRect = D->HThumbRect;
  FSkinVRulerRect = D->VRulerRect;
  FSkinVThumbRect = D->VThumbRect;
  FSkinEdgeSize = D->EdgeSize;
  FSkinBGColor = D->BGColor;
  FSkinPointsColor = D->PointsColor;
  // A description without its picture draws like no skin.
  if (FSourcePicture == nullptr) FSkinDescription = false;
}

void TbsSkinCustomSlider::ChangeSkinData() {
  GetSkinData();
  AdjustElements();
}

TSize TbsSkinCustomSlider::ThumbStateSize() {
  if (SkinThumb()) {
    const TRect& r = Horizontal() ? FSkinHThumbRect : FSkinVThumbRect;
    return TSize{Div(RectWidth(r), 2), RectHeight(r)};
  }
  TBitmap* thumb = Image(Horizontal() ? TbsSliderImage::siHThumb : TbsSliderImage::siVThumb);
  return TSize{Div(thumb->Width(), FNumThumbStates), thumb->Height()};
}

void TbsSkinCustomSlider::AdjustElements() {
  GetSkinData();
  const TRect R = GetSliderRect();
  BuildRuler(R);
  const TSize t = ThumbStateSize();
  const int32_t rw = FRulerImage->Width(), rh = FRulerImage->Height();
  const int32_t bottom = R.Bottom - R.Top - 1, right = R.Right - R.Left - 1;
  TPoint thumb;
  if (Horizontal()) {
    if (rh < t.cy) {
      thumb = TPoint{R.Left + kMargin, R.Top + kMargin};
      FRulerOrigin = TPoint{R.Left + kMargin, R.Top + Div(t.cy - rh, 2) + kMargin};
      FTickArea = TRect{FRulerOrigin.X, R.Top + t.cy + 7, FRulerOrigin.X + rw, bottom};
    } else {
      thumb = TPoint{R.Left + kMargin, R.Top + Div(rh - t.cy, 2) + kMargin};
      FRulerOrigin = TPoint{R.Left + kMargin, R.Top + kMargin};
      FTickArea = TRect{FRulerOrigin.X, R.Top + rh + 7, FRulerOrigin.X + rw, bottom};
    }
  } else if (rw < t.cx) {
    thumb = TPoint{R.Left + kMargin, R.Top + kMargin};
    FRulerOrigin = TPoint{R.Left + Div(t.cx - rw, 2) + kMargin, R.Top + kMargin};
    FTickArea = TRect{R.Left + t.cx + 7, FRulerOrigin.Y, right, FRulerOrigin.Y + rh};
  } else {
    thumb = TPoint{R.Left + Div(rw - t.cx, 2) + kMargin, R.Top + kMargin};
    FRulerOrigin = TPoint{R.Left + kMargin, R.Top + kMargin};
    FTickArea = TRect{R.Left + rw + 7, FRulerOrigin.Y, right, FRulerOrigin.Y + rh};
  }
  FThumbBounds = TRect{thumb.X, thumb.Y, thumb.X + t.cx, thumb.Y + t.cy};
  SetValue(FValue);
  Invalidate();
}

void TbsSkinCustomSlider::BuildRuler(const TRect& R) {
  const int32_t W = RectWidth(R) - 2 * kMargin, H = RectHeight(R) - 2 * kMargin;
  if (FSkinDescription) {
    const TRect& src = Horizontal() ? FSkinHRulerRect : FSkinVRulerRect;
    FRulerImage = std::make_unique<TBitmap>();
    if (Horizontal() && W > 0)
      BuildHSkinImage(FSkinEdgeSize, FSkinEdgeSize, FRulerImage.get(), FSourcePicture, src, W, RectHeight(src), false);
    else if (!Horizontal() && H > 0)
      BuildVSkinImage(FSkinEdgeSize, FSkinEdgeSize, FRulerImage.get(), FSourcePicture, src, RectWidth(src), H, false);
    return;
  }
  BuildPlainRuler(Image(Horizontal() ? TbsSliderImage::siHRuler : TbsSliderImage::siVRuler), Horizontal() ? W : H);
}

// The ruler image stretched to Length by repeating its middle: the first
// piece keeps the leading edge, the last the trailing one.
void TbsSkinCustomSlider::BuildPlainRuler(TBitmap* Source, int32_t Length) {
  const bool h = Horizontal();
  const int32_t L = Length > 0 ? Length : 0;
  const int32_t len = h ? Source->Width() : Source->Height(), across = h ? Source->Height() : Source->Width();
  FRulerImage = std::make_unique<TBitmap>();
  FRulerImage->SetSize(h ? L : across, h ? across : L);
  const int32_t E = FEdgeSize, S = len - 2 * E;
  if (L == 0 || len == 0) return;
  // Copies Count pixels from source position From to ruler position To.
  const auto piece = [&](int32_t From, int32_t To, int32_t Count) {
    if (Count <= 0) return;
    const TRect dst = h ? TRect{To, 0, To + Count, across} : TRect{0, To, across, To + Count};
    const TRect src = h ? TRect{From, 0, From + Count, across} : TRect{0, From, across, From + Count};
    FRulerImage->Canvas()->CopyRect(dst, Source->Canvas(), src);
  };
  if (S <= 0) {
    FRulerImage->Canvas()->StretchDraw(TRect{0, 0, FRulerImage->Width(), FRulerImage->Height()}, Source);
    return;
  }
  const int32_t N = Div(L - 2 * E, S), Q = Mod(L - 2 * E, S);
  piece(0, 0, len - E);
  for (int32_t i = 1; i <= N - 1; ++i) piece(E, E + i * S, S);
  piece(len - (E + Q), E + N * S, E + Q);
}

// ---- Geometry --------------------------------------------------------------------------------

int32_t TbsSkinCustomSlider::Range() {
  const TSize t = ThumbStateSize();
  return Horizontal() ? FRulerImage->Width() - t.cx : FRulerImage->Height() - t.cy;
}

int32_t TbsSkinCustomSlider::ValueToOffset(int32_t AValue) {
  const int32_t span = FMaxValue - FMinValue;
  const int32_t term = span == 0 ? 0 : int32_t(Round(double(Range()) * (AValue - FMinValue) / span));
  if (Horizontal()) return kMargin + term;
  const int32_t offset = Height() - kMargin - ThumbStateSize().cy - term;
  return offset < kMargin ? kMargin : offset;
}

int32_t TbsSkinCustomSlider::OffsetToValue(int32_t Offset) {
  const int32_t range = Range();
  if (range <= 0) return FMinValue;
  const int32_t p = Horizontal() ? Offset : ClientHeight() - Offset - ThumbStateSize().cy;
  int32_t t = int32_t(Round(double(p - kMargin) * (FMaxValue - FMinValue) / range));
  if (!FOptions.Contains(TbsSliderOption::soSmooth) && FIncrement > 0)
    t = int32_t(Round(double(t) / FIncrement)) * FIncrement;
  const int32_t v = FMinValue + (t > 0 ? t : 0);
  return v > FMaxValue ? FMaxValue : v;
}

int32_t TbsSkinCustomSlider::SnapOffset(int32_t Offset) {
  const int32_t top = kMargin + Range();
  int32_t p = Offset > top ? top : Offset;
  if (p < kMargin) p = kMargin;
  p = ValueToOffset(OffsetToValue(p));
  return p > top ? top : p;
}

void TbsSkinCustomSlider::MoveThumbTo(int32_t Offset) {
  const int32_t w = RectWidth(FThumbBounds), h = RectHeight(FThumbBounds);
  const TRect old = FThumbBounds;
  if (Horizontal())
    FThumbBounds = TRect{Offset, FThumbBounds.Top, Offset + w, FThumbBounds.Top + h};
  else
    FThumbBounds = TRect{FThumbBounds.Left, Offset, FThumbBounds.Left + w, Offset + h};
  if (old == FThumbBounds || !HandleAllocated()) return;
  InvalidateRect(Handle(), &old, false);
  InvalidateThumb();
}

void TbsSkinCustomSlider::InvalidateThumb() {
  if (HandleAllocated()) InvalidateRect(Handle(), &FThumbBounds, false);
}

// ---- Mouse: thumb drag and ruler tracking ------------------------------------------------------

void TbsSkinCustomSlider::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinControl::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft || Shift.Contains(ssDouble)) return;
  if (CanFocus()) SetFocus();
  const TPoint P{X, Y};
  if (PtInRect(FThumbBounds, P)) {
    ThumbMouseDown(Button, Shift, X, Y);
    return;
  }
  if (!PtInRect(RulerHitRect(), P) || !CanModify()) return;
  SetMouseCapture(true);
  FTracking = true;
  FLastPointer = P;
  FJumpPending = JumpDirection(P);
  TrackStep();
}

TRect TbsSkinCustomSlider::RulerHitRect() {
  TRect r{FRulerOrigin.X, FRulerOrigin.Y, FRulerOrigin.X + FRulerImage->Width(),
          FRulerOrigin.Y + FRulerImage->Height()};
  if (Horizontal())
    InflateRect(r, 0, 3);
  else
    InflateRect(r, 3, 0);
  return r;
}

int32_t TbsSkinCustomSlider::JumpDirection(const TPoint& P) {
  if (Horizontal()) {
    if (P.X < FThumbBounds.Left) return jdDown;
    if (P.X >= FThumbBounds.Right) return jdUp;
    return 0;
  }
  if (P.Y < FThumbBounds.Top) return jdUp;
  if (P.Y >= FThumbBounds.Bottom) return jdDown;
  return 0;
}

void TbsSkinCustomSlider::TrackStep() {
  // Once the thumb has reached the mouse the direction no longer matches.
  if (JumpDirection(FLastPointer) != FJumpPending) return;
  Jump(FJumpPending);
  if (FRepeatTimerOn) return;
  SetTimer(Handle(), kTrackTimer, 400, nullptr);
  FRepeatTimerOn = true;
}

void TbsSkinCustomSlider::StopTracking() {
  if (FRepeatTimerOn) KillTimer(Handle(), kTrackTimer);
  FRepeatTimerOn = false;
  FTracking = false;
  SetMouseCapture(false);
  Changed();
}

void TbsSkinCustomSlider::ThumbMouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
  if (CanFocus()) SetFocus();
  if (Button != TMouseButton::mbLeft || !CanModify()) return;
  FThumbDragging = true;
  FThumbPressed = true;
  FHitPart = Horizontal() ? X - FThumbBounds.Left : Y - FThumbBounds.Top;
  InvalidateThumb();
  Update();
}

void TbsSkinCustomSlider::ThumbMouseMove(TShiftState, int32_t X, int32_t Y) {
  const int32_t offset = SnapOffset((Horizontal() ? X : Y) - FHitPart);
  MoveThumbTo(offset);
  SetValue(OffsetToValue(offset));
}

void TbsSkinCustomSlider::ThumbMouseUp(TMouseButton Button, TShiftState, int32_t, int32_t) {
  if (Button != TMouseButton::mbLeft) return;
  FThumbDragging = false;
  FThumbPressed = false;
  InvalidateThumb();
  Update();
  Changed();
}

void TbsSkinCustomSlider::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (Shift.Contains(ssLeft) && FThumbDragging) ThumbMouseMove(Shift, X, Y);
  if (FTracking) FLastPointer = TPoint{X, Y};
  TbsSkinControl::MouseMove(Shift, X, Y);
}

void TbsSkinCustomSlider::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FTracking) StopTracking();
  if (FThumbDragging) ThumbMouseUp(Button, Shift, X, Y);
  TbsSkinControl::MouseUp(Button, Shift, X, Y);
}

// ---- Keys ----------------------------------------------------------------------------------------

void TbsSkinCustomSlider::Jump(int32_t Direction) {
  const int32_t base = FIncrement * int32_t(Round(double(FValue) / FIncrement));
  int32_t target = FValue;
  switch (Direction) {
    case jdHome: target = FMinValue; break;
    case jdEnd: target = FMaxValue; break;
    case jdUp: target = base + FIncrement; break;
    case jdDown: target = base - FIncrement; break;
    default: break;
  }
  if (target < FMinValue) target = FMinValue;
  if (target > FMaxValue) target = FMaxValue;
  if (target != FValue) SetValue(target);
}

void TbsSkinCustomSlider::KeyDown(uint16_t& Key, TShiftState Shift) {
  int32_t jump = 0;
  if (NoShiftKey(Shift)) {
    if (Key == VK_HOME) jump = jdHome;
    if (Key == VK_END) jump = jdEnd;
    if (Key == (Horizontal() ? VK_RIGHT : VK_UP)) jump = jdUp;
    if (Key == (Horizontal() ? VK_LEFT : VK_DOWN)) jump = jdDown;
  }
  if (jump != 0 && CanModify()) {
    Key = 0;
    Jump(jump);
    Changed();
  }
  TbsSkinControl::KeyDown(Key, Shift);
}

// ---- Painting -----------------------------------------------------------------------------------

void TbsSkinCustomSlider::PaintSlider(TCanvas* C) {
  FPaintCanvas = C;
  PaintBackground(C);
  if (FRulerImage->Width() > 0) {
    FRulerImage->SetTransparent(FSkinDescription || !FOptions.Contains(TbsSliderOption::soRulerOpaque));
    C->Draw(FRulerOrigin.X, FRulerOrigin.Y, FRulerImage.get());
  }
  if (FOptions.Contains(TbsSliderOption::soShowFocus) && FHasFocus) {
    TRect r = GetSliderRect();
    InflateRect(r, -2, -2);
    C->DrawFocusRect(r);
  }
  if (FOptions.Contains(TbsSliderOption::soShowPoints)) {
    if (OnDrawPoints)
      OnDrawPoints(this);
    else
      DefaultDrawPoints(FIncrement, 3, 5);
  }
  PaintThumb(C, TPoint{FThumbBounds.Left, FThumbBounds.Top});
  FPaintCanvas = nullptr;
}

void TbsSkinCustomSlider::PaintBackground(TCanvas* C) {
  const TRect all{0, 0, Width(), Height()};
  if (FTransparent) {
    TBitmap under;
    under.SetSize(Width(), Height());
    PaintParentImage(this, under.Canvas());
    C->Draw(0, 0, &under);
    return;
  }
  C->Brush()->SetColor(FSkinDescription ? FSkinBGColor : Color());
  C->FillRect(all);
}

void TbsSkinCustomSlider::PaintThumb(TCanvas* C, const TPoint& At) {
  const int32_t state = FThumbPressed || !Enabled() ? 1 : 0;
  TBitmap image;
  if (SkinThumb()) {
    const TRect& r = Horizontal() ? FSkinHThumbRect : FSkinVThumbRect;
    const int32_t w = Div(RectWidth(r), 2), h = RectHeight(r);
    image.SetSize(w, h);
    image.Canvas()->CopyRect(TRect{0, 0, w, h}, FSourcePicture->Canvas(),
                             TRect{r.Left + state * w, r.Top, r.Left + (state + 1) * w, r.Bottom});
    image.SetTransparent(true);
  } else {
    TBitmap* thumb = Image(Horizontal() ? TbsSliderImage::siHThumb : TbsSliderImage::siVThumb);
    const int32_t w = Div(thumb->Width(), FNumThumbStates), h = thumb->Height();
    const int32_t from = FNumThumbStates == 2 ? state * w : 0;
    image.SetSize(w, h);
    image.Canvas()->CopyRect(TRect{0, 0, w, h}, thumb->Canvas(), TRect{from, 0, from + w, h});
    image.SetTransparent(!FOptions.Contains(TbsSliderOption::soThumbOpaque));
  }
  C->Draw(At.X, At.Y, &image);
}

void TbsSkinCustomSlider::DefaultDrawPoints(int32_t PointsStep, int32_t PointsHeight, int32_t ExtremePointsHeight) {
  TCanvas* C = PaintCanvas();
  C->Pen()->SetColor(FSkinDescription ? FSkinPointsColor : clWindowText);
  const int32_t D = Range(), span = FMaxValue - FMinValue;
  if (PointsStep <= 0) return;
  int32_t k = 0, M = 0, spacing = 0;
  do {
    ++k;
    M = int32_t(Round(double(span) / (double(PointsStep) * k)));
    spacing = M + 1 <= 1 ? D : Div(D, M);
  } while (spacing < 4 && spacing < D);
  const TSize t = ThumbStateSize();
  for (int32_t i = 0; i <= M; ++i) {
    const int32_t v = i == M ? FMaxValue : FMinValue + PointsStep * k * i;
    const int32_t len = i == 0 || i == M ? ExtremePointsHeight : PointsHeight;
    const int32_t at = ValueToOffset(v) + (Horizontal() ? Div(t.cx, 2) : Div(t.cy, 2));
    if (Horizontal()) {
      C->MoveTo(at, FTickArea.Top);
      C->LineTo(at, FTickArea.Top + len);
    } else {
      C->MoveTo(FTickArea.Left, at);
      C->LineTo(FTickArea.Left + len, at);
    }
  }
}

// ---- Messages -------------------------------------------------------------------------------------

void TbsSkinCustomSlider::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
      TbsSkinControl::Dispatch(Message);
      InvalidateThumb();
      break;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); break;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; break;
    case WM_SIZE:
      TbsSkinControl::Dispatch(Message);
      AdjustElements();
      break;
    case WM_TIMER:
      if (FTracking) TrackStep();
      break;
    case WM_MOVE:
      TbsSkinControl::Dispatch(Message);
      if (FTransparent) Invalidate();
      break;
    default: TbsSkinControl::Dispatch(Message); break;
  }
}

void TbsSkinCustomSlider::CMFocusChanged(TMessage& Message) {
  const bool focus = reinterpret_cast<TControl*>(Message.LParam) == this;
  if (focus != FHasFocus) {
    FHasFocus = focus;
    if (FOptions.Contains(TbsSliderOption::soShowFocus)) Invalidate();
  }
  TbsSkinControl::Dispatch(Message);
}

void TbsSkinCustomSlider::ParentBackgroundChanged() {
  if (FTransparent) Repaint();
}
