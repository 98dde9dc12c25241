#include "skin/controls/scrollbar.h"

#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/controls/arrowbuttons.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr uintptr_t kRepeatTimer = 1;
// The plain look's arrow length and fixed thumb length.
constexpr int32_t kPlainArrow = 17;
constexpr int32_t kPlainThumb = 16;

TRect SizedRect(const TRect& R, int32_t W, int32_t H) { return TRect{R.Left, R.Top, R.Left + W, R.Top + H}; }

bool IsArrowKey(uint32_t Key) { return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN; }

TRect StateRect(bool Down, bool Hot, const TRect& Normal, const TRect& Active, const TRect& Pressed) {
  return Down ? Pressed : (Hot ? Active : Normal);
}

}  // namespace

TbsSkinScrollBar::TbsSkinScrollBar(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetTabStop(false);
  SetBounds(Left(), Top(), 200, 19);
  SetDefaultHeight(19);
  SetSkinDataName("hscrollbar");
}

// ---- Properties -----------------------------------------------------------------------

// The upper limit first, then Min: with a page larger than the range the
// limit lies below Min, and Position stays at Min.
int32_t TbsSkinScrollBar::Clamped(int32_t Value) const {
  const int32_t limit = UpperLimit();
  const int32_t v = Value > limit ? limit : Value;
  return v < FMin ? FMin : v;
}

void TbsSkinScrollBar::SetRange(int32_t AMin, int32_t AMax, int32_t APosition, int32_t APageSize) {
  FMin = AMin;
  FMax = AMax;
  FPageSize = APageSize;
  FPosition = Clamped(APosition);
  Repaint();
}

void TbsSkinScrollBar::SetPosition(int32_t Value) {
  const int32_t v = Clamped(Value);
  if (v == FPosition) return;
  FPosition = v;
  Repaint();
  if (OnChange) OnChange(this);
}

void TbsSkinScrollBar::SetMin(int32_t Value) {
  FMin = Value;
  if (FPosition < FMin) FPosition = FMin;
  Repaint();
}

void TbsSkinScrollBar::SetMax(int32_t Value) {
  FMax = Value;
  if (FPageSize > 0) {
    if (FMax - FMin < FPageSize + FPosition) FPosition = FMax - FMin - FPageSize + 1;
    if (FPosition < FMin) FPosition = FMin;
  } else if (FPosition > FMax) {
    FPosition = FMax;
  }
  Repaint();
}

void TbsSkinScrollBar::SetPageSize(int32_t Value) {
  if (FMax - FMin + 1 >= Value + FPosition) FPageSize = Value;
  Repaint();
}

void TbsSkinScrollBar::SetSmallChange(int32_t Value) {
  FSmallChange = Value;
  Repaint();
}

void TbsSkinScrollBar::SetLargeChange(int32_t Value) {
  FLargeChange = Value;
  Repaint();
}

void TbsSkinScrollBar::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  Repaint();
}

void TbsSkinScrollBar::SetBoth(bool Value) {
  if (FBoth == Value) return;
  FBoth = Value;
  if (Value) {
    FSavedSkinDataName = SkinDataName();
    SetSkinDataName(FBothSkinDataName);
  } else if (!FSavedSkinDataName.empty()) {
    SetSkinDataName(FSavedSkinDataName);
  }
  GetSkinData();
  if (FSkinIndex == -1)
    Repaint();
  else
    ChangeSkinData();
}

void TbsSkinScrollBar::SetBothMarkerWidth(int32_t Value) {
  if (Value < 0) return;
  FBothMarkerWidth = Value;
  if (FSkinIndex == -1) Repaint();
}

void TbsSkinScrollBar::SetCanFocused(bool Value) {
  FCanFocused = Value;
  SetTabStop(Value);
}

// ---- Skin data and layout ----------------------------------------------------------------

void TbsSkinScrollBar::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinScrollBarControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FSkinTrackArea = D->TrackArea;
  FSkinUpButtonRect = D->UpButtonRect;
  FActiveUpButtonRect = D->ActiveUpButtonRect;
  FDownUpButtonRect = IsNullRect(D->DownUpButtonRect) ? FActiveUpButtonRect : D->DownUpButtonRect;
  FSkinDownButtonRect = D->DownButtonRect;
  FActiveDownButtonRect = D->ActiveDownButtonRect;
  FDownDownButtonRect = IsNullRect(D->DownDownButtonRect) ? FActiveDownButtonRect : D->DownDownButtonRect;
  FThumbRect = D->ThumbRect;
  FActiveThumbRect = IsNullRect(D->ActiveThumbRect) ? FThumbRect : D->ActiveThumbRect;
  FDownThumbRect = IsNullRect(D->DownThumbRect) ? FActiveThumbRect : D->DownThumbRect;
  FThumbOffset1 = D->ThumbOffset1;
  FThumbOffset2 = D->ThumbOffset2;
  FThumbTransparent = D->ThumbTransparent;
  FThumbTransparentColor = D->ThumbTransparentColor;
  FGlyphRect = D->GlyphRect;
  FActiveGlyphRect = IsNullRect(D->ActiveGlyphRect) ? FGlyphRect : D->ActiveGlyphRect;
  FDownGlyphRect = IsNullRect(D->DownGlyphRect) ? FActiveGlyphRect : D->DownGlyphRect;
}

void TbsSkinScrollBar::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  CalcRects();
}

void TbsSkinScrollBar::CalcRects() {
  if (FSkinIndex == -1 || FPicture == nullptr)
    CalcPlainRects();
  else
    CalcSkinRects();
}

void TbsSkinScrollBar::CalcPlainRects() {
  const int32_t W = Width(), H = Height();
  if (Horizontal()) {
    const int32_t w = FBoth ? W - FBothMarkerWidth : W;
    FParts[2].R = TRect{1, 1, kPlainArrow, H - 1};
    FParts[1].R = TRect{w - kPlainArrow, 1, w - 1, H - 1};
    FTrackRect = TRect{kPlainArrow, 1, w - kPlainArrow, H - 1};
  } else {
    FParts[2].R = TRect{1, 1, W - 1, kPlainArrow};
    FParts[1].R = TRect{1, H - kPlainArrow, W - 1, H - 1};
    FTrackRect = TRect{1, kPlainArrow, W - 1, H - kPlainArrow};
  }
  PlaceThumb(kPlainThumb, FTrackRect);
}

void TbsSkinScrollBar::CalcSkinRects() {
  const int32_t dW = Width() - RectWidth(FSkinRect), dH = Height() - RectHeight(FSkinRect);
  FTrackRect = FSkinTrackArea;
  FParts[1].R = FSkinUpButtonRect;
  FParts[2].R = FSkinDownButtonRect;
  if (Horizontal()) {
    FTrackRect.Right += dW;
    for (int32_t i : {1, 2})
      if (FParts[i].R.Left >= FRightTop.X) OffsetRect(FParts[i].R, dW, 0);
  } else {
    FTrackRect.Bottom += dH;
    for (int32_t i : {1, 2})
      if (FParts[i].R.Top >= FLeftBottom.Y) OffsetRect(FParts[i].R, 0, dH);
  }
  // Across the track the thumb keeps the skin thumb's size, centred.
  const int32_t tw = RectWidth(FThumbRect), th = RectHeight(FThumbRect);
  TRect across = FTrackRect;
  if (Horizontal()) {
    across.Top = FTrackRect.Top + Div(RectHeight(FTrackRect), 2) - Div(th, 2);
    across.Bottom = across.Top + th;
  } else {
    across.Left = FTrackRect.Left + Div(RectWidth(FTrackRect), 2) - Div(tw, 2);
    across.Right = across.Left + tw;
  }
  PlaceThumb(Horizontal() ? tw : th, across);
}

void TbsSkinScrollBar::PlaceThumb(int32_t FixedLength, const TRect& Across) {
  const int32_t start = Horizontal() ? FTrackRect.Left : FTrackRect.Top;
  const int32_t end = Horizontal() ? FTrackRect.Right : FTrackRect.Bottom;
  int32_t length;
  if (FPageSize == 0) {
    const double F = FMax == FMin ? 0.0 : double(FPosition - FMin) / double(FMax - FMin);
    length = FixedLength;
    FThumbMinCentre = start + Div(FixedLength, 2);
    FThumbMaxCentre = end - Div(FixedLength, 2);
    FThumbOffset = int32_t(Round(F * (end - start - FixedLength)));
  } else {
    const int32_t range = FMax - FMin + 1;
    int32_t L = range == 0 ? 0 : int32_t(Round(double(end - start) * FPageSize / range));
    if (L < FixedLength) L = FixedLength;
    const int32_t half = Div(L, 2);
    const int32_t divisor = FMax - FPageSize - FMin + 1;
    const double P = divisor > 0 ? double(FPosition - FMin) / divisor : (Horizontal() ? 1.0 : 0.0);
    length = 2 * half;
    FThumbMinCentre = start + half;
    FThumbMaxCentre = end - half;
    FThumbOffset = int32_t(Round(P * (end - start - 2 * half)));
  }
  if (Horizontal())
    FParts[0].R = TRect{start + FThumbOffset, Across.Top, start + FThumbOffset + length, Across.Bottom};
  else
    FParts[0].R = TRect{Across.Left, start + FThumbOffset, Across.Right, start + FThumbOffset + length};
}

// ---- Painting ----------------------------------------------------------------------------

bool TbsSkinScrollBar::ThumbPressed() { return FParts[0].Down || (FCanFocused && Focused()); }

void TbsSkinScrollBar::CreateControlDefaultImage(TBitmap* B) {
  CalcPlainRects();
  TCanvas* C = B->Canvas();
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(TRect{0, 0, B->Width(), B->Height()});
  for (int32_t i : {1, 2}) DrawPlainPart(C, i);
  if (Enabled()) DrawPlainPart(C, 0);
}

void TbsSkinScrollBar::DrawPlainPart(TCanvas* C, int32_t Index) {
  const TPart& p = FParts[Index];
  if (Index == 0) {
    DrawPlainPartFrame(C, p.R, ThumbPressed(), p.MouseIn);
    return;
  }
  const int32_t dir = Index == 1 ? (Horizontal() ? 2 : 4) : (Horizontal() ? 1 : 3);
  DrawPlainArrowButton(C, p.R, p.Down && p.MouseIn, p.MouseIn, dir);
}

void TbsSkinScrollBar::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr) {
    CreateControlDefaultImage(B);
    return;
  }
  TbsSkinCustomControl::CreateControlSkinImage(B);
  CalcSkinRects();
  for (int32_t i : {1, 2}) DrawSkinArrow(B->Canvas(), i);
  if (Enabled()) DrawSkinThumb(B->Canvas());
}

void TbsSkinScrollBar::DrawSkinArrow(TCanvas* C, int32_t Index) {
  const TPart& p = FParts[Index];
  if (!p.MouseIn) return;
  const bool pressed = p.Down;
  const TRect& src = Index == 1 ? (pressed ? FDownUpButtonRect : FActiveUpButtonRect)
                                : (pressed ? FDownDownButtonRect : FActiveDownButtonRect);
  if (IsNullRect(src)) return;
  C->CopyRect(p.R, FPicture->Canvas(), src);
}

void TbsSkinScrollBar::DrawSkinThumb(TCanvas* C) {
  const TRect& R = FParts[0].R;
  const int32_t W = RectWidth(R), H = RectHeight(R);
  if (W <= 0 || H <= 0) return;
  const bool down = ThumbPressed(), hot = FParts[0].MouseIn;
  const TRect src = StateRect(down, hot, FThumbRect, FActiveThumbRect, FDownThumbRect);
  TBitmap image;
  if (FPageSize == 0) {
    image.SetSize(W, H);
    image.Canvas()->CopyRect(TRect{0, 0, W, H}, FPicture->Canvas(), SizedRect(src, W, H));
  } else if (Horizontal()) {
    BuildHSkinImage(FThumbOffset1, FThumbOffset2, &image, FPicture, src, W, H, false);
  } else {
    BuildVSkinImage(FThumbOffset1, FThumbOffset2, &image, FPicture, src, W, H, false);
  }
  const TRect glyph = StateRect(down, hot, FGlyphRect, FActiveGlyphRect, FDownGlyphRect);
  if (!IsNullRect(glyph)) {
    const int32_t gw = RectWidth(glyph), gh = RectHeight(glyph);
    const int32_t gx = Div(image.Width(), 2) - Div(gw, 2), gy = Div(image.Height(), 2) - Div(gh, 2);
    image.Canvas()->CopyRect(TRect{gx, gy, gx + gw, gy + gh}, FPicture->Canvas(), glyph);
  }
  if (FThumbTransparent) {
    image.SetTransparentMode(TTransparentMode::tmFixed);
    image.SetTransparentColor(FThumbTransparentColor);
    image.SetTransparent(true);
  }
  C->Draw(R.Left, R.Top, &image);
}

// ---- Mouse ------------------------------------------------------------------------------

int32_t TbsSkinScrollBar::PartAt(int32_t X, int32_t Y) const {
  for (int32_t i = 0; i < 3; ++i)
    if (PtInRect(FParts[i].R, TPoint{X, Y})) return i;
  return -1;
}

bool TbsSkinScrollBar::PointBeforeThumb(int32_t X, int32_t Y) const {
  return Horizontal() ? X < FParts[0].R.Left : Y < FParts[0].R.Top;
}

bool TbsSkinScrollBar::PointAfterThumb(int32_t X, int32_t Y) const {
  return Horizontal() ? X > FParts[0].R.Right : Y > FParts[0].R.Bottom;
}

void TbsSkinScrollBar::StartRepeat(int32_t Mode) {
  FRepeatMode = Mode;
  SetTimer(Handle(), kRepeatTimer, 500, nullptr);
}

void TbsSkinScrollBar::StopRepeat() {
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
  FRepeatMode = 0;
}

void TbsSkinScrollBar::StepUp() {
  if (OnUpButtonClick)
    OnUpButtonClick(this);
  else
    SetPosition(FPosition + FSmallChange);
}

void TbsSkinScrollBar::StepDown() {
  if (OnDownButtonClick)
    OnDownButtonClick(this);
  else
    SetPosition(FPosition - FSmallChange);
}

void TbsSkinScrollBar::PageUp() {
  SetPosition(FPosition - FLargeChange);
  if (OnPageUp) OnPageUp(this);
}

void TbsSkinScrollBar::PageDown() {
  SetPosition(FPosition + FLargeChange);
  if (OnPageDown) OnPageDown(this);
}

void TbsSkinScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
  // Other buttons only fire the mouse events.
  if (Button != TMouseButton::mbLeft) return;
  FMouseDown = true;
  CalcRects();
  FRepeatMode = 0;
  FFirstTick = true;
  const int32_t part = PartAt(X, Y);
  if (part == -1) {
    if (!PtInRect(FTrackRect, TPoint{X, Y})) return;
    const bool before = PointBeforeThumb(X, Y);
    StartRepeat(before ? 3 : 4);
    if (before)
      PageUp();
    else
      PageDown();
    return;
  }
  FDownPart = part;
  FParts[part].Down = true;
  if (part == 0) {
    FDragStartCoord = Horizontal() ? X : Y;
    FDragStartOffset = FThumbOffset;
    FDragActive = true;
    Repaint();
    return;
  }
  Repaint();
  if (part == 1) {
    StepUp();
    StartRepeat(2);
  } else {
    StepDown();
    StartRepeat(1);
  }
}

void TbsSkinScrollBar::UpdateHotPart(int32_t X, int32_t Y) {
  int32_t hot = PartAt(X, Y);
  if (FDownPart != -1 && hot != FDownPart) hot = -1;
  if (hot == FHotPart) return;
  FOldHotPart = FHotPart;
  FHotPart = hot;
  if (FOldHotPart != -1) {
    TPart& old = FParts[FOldHotPart];
    old.MouseIn = false;
    Repaint();
    if (FOldHotPart != 0 && old.Down) KillTimer(Handle(), kRepeatTimer);
  }
  if (FHotPart != -1) {
    TPart& now = FParts[FHotPart];
    now.MouseIn = true;
    Repaint();
    if (FHotPart != 0 && now.Down) SetTimer(Handle(), kRepeatTimer, 50, nullptr);
  }
}

void TbsSkinScrollBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseMove(Shift, X, Y);
  FLastMouseX = X;
  FLastMouseY = Y;
  CalcRects();
  UpdateHotPart(X, Y);
  if (FDragActive) DragTo(X, Y);
}

void TbsSkinScrollBar::DragTo(int32_t X, int32_t Y) {
  const int32_t D = (Horizontal() ? X : Y) - FDragStartCoord;
  double R;
  if (FPageSize > 0) {
    const int32_t start = Horizontal() ? FTrackRect.Left : FTrackRect.Top;
    const int32_t end = Horizontal() ? FTrackRect.Right : FTrackRect.Bottom;
    const int32_t length = Horizontal() ? RectWidth(FParts[0].R) : RectHeight(FParts[0].R);
    FThumbMinCentre = start + Div(length, 2);
    FThumbMaxCentre = end - Div(length, 2);
  }
  const int32_t travel = FThumbMaxCentre - FThumbMinCentre;
  R = travel > 0 ? double(D + FDragStartOffset) / travel : 0.0;
  if (R < 0) R = 0;
  if (R > 1) R = 1;
  const int32_t span = FPageSize > 0 ? FMax - FMin - FPageSize + 1 : FMax - FMin;
  SetPosition(FMin + int32_t(Round(span * R)));
}

void TbsSkinScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
  FMouseDown = false;
  if (FRepeatMode == 3 || FRepeatMode == 4) StopRepeat();
  if (FDownPart == -1) return;
  const int32_t part = FDownPart;
  TPart& p = FParts[part];
  p.Down = false;
  if (part != FHotPart) p.MouseIn = false;
  Repaint();
  if (part == 0)
    FDragActive = false;
  else
    StopRepeat();
  FDownPart = -1;
  if (part == 0 && Button == TMouseButton::mbLeft && OnLastChange) OnLastChange(this);
}

// ---- Messages -----------------------------------------------------------------------------

void TbsSkinScrollBar::WndProc(TMessage& Message) {
  const bool click = Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK;
  if (FCanFocused && click && !Focused()) {
    FFocusing = true;
    SetFocus();
    FFocusing = false;
    // A click that could not take the focus does nothing more.
    if (!Focused()) return;
  }
  if (Message.Msg == CN_COMMAND && FFocusing) return;
  TbsSkinCustomControl::WndProc(Message);
}

void TbsSkinScrollBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TIMER: WMTimer(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case WM_ERASEBKGND: EraseBackground(Message); break;
    case CM_MOUSELEAVE: BarMouseLeave(Message); break;
    case CM_WANTSPECIALKEY: Message.Result = FCanFocused && IsArrowKey(uint32_t(Message.WParam)) ? 1 : 0; break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: FocusChanged(Message); break;
    case CM_ENABLEDCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      Repaint();
      break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinScrollBar::WMTimer(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FFirstTick) {
    FFirstTick = false;
    SetTimer(Handle(), kRepeatTimer, 50, nullptr);
    return;
  }
  switch (FRepeatMode) {
    case 1: StepDown(); break;
    case 2: StepUp(); break;
    case 3:
    case 4: {
      CalcRects();
      UpdateHotPart(FLastMouseX, FLastMouseY);
      const bool go =
          FRepeatMode == 3 ? PointBeforeThumb(FLastMouseX, FLastMouseY) : PointAfterThumb(FLastMouseX, FLastMouseY);
      if (!go)
        StopRepeat();
      else if (FRepeatMode == 3)
        PageUp();
      else
        PageDown();
      break;
    }
    default: break;
  }
}

void TbsSkinScrollBar::KeyDown(uint16_t& Key, TShiftState Shift) {
  TbsSkinCustomControl::KeyDown(Key, Shift);
  if (!FCanFocused) return;
  if (Key == VK_LEFT || Key == VK_UP)
    SetPosition(FPosition - FSmallChange);
  else if (Key == VK_RIGHT || Key == VK_DOWN)
    SetPosition(FPosition + FSmallChange);
}

void TbsSkinScrollBar::WMMouseWheel(TMessage& Message) {
  if (!(FCanFocused && Focused())) {
    TbsSkinCustomControl::Dispatch(Message);
    return;
  }
  if (GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0)
    SetPosition(FPosition - FSmallChange);
  else
    SetPosition(FPosition + FSmallChange);
  Message.Result = 1;
}

void TbsSkinScrollBar::EraseBackground(TMessage& Message) {
  // The whole bar is painted at once, also when the erase comes from
  // elsewhere: nothing is erased first.
  Message.Result = 1;
  if (FInPaintMessage || Message.WParam == 0 || Width() < 1 || Height() < 1) return;
  GetSkinData();
  TCanvas C;
  C.SetHandle(reinterpret_cast<HDC>(Message.WParam));
  PaintImageTo(&C);
  C.SetHandle(nullptr);
}

void TbsSkinScrollBar::BarMouseLeave(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FHotPart != -1 && FDownPart == -1 && !FDragActive) {
    FParts[FHotPart].MouseIn = false;
    FHotPart = -1;
    Repaint();
  }
  if (FMouseDown && FRepeatMode == 4) StopRepeat();
}

void TbsSkinScrollBar::FocusChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FCanFocused) Repaint();
}
