// TSpeedButton: a graphic button drawn on its parent.
#include "platform/vcl/speedctrls.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/menus.h"

namespace {

void StdFrame(TCanvas* c, const TRect& r, TColor color) {
  c->Brush()->SetColor(color);
  c->FrameRect(r);
}

}  // namespace

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 23, 22);
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csSetCaption});
  FParentColor = true;
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* Value) {
  if (Value != nullptr)
    FGlyph->Assign(Value);
  else
    FGlyph = std::make_unique<TBitmap>();
  // A strip of square images tells its own count.
  if (Value != nullptr && FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0) {
    const int32_t n = FGlyph->Width() / FGlyph->Height();
    if (n >= 1 && n <= 4) FNumGlyphs = n;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int32_t Value) {
  Value = std::clamp(Value, 1, 4);
  if (Value == FNumGlyphs) return;
  FNumGlyphs = Value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Invalidate();
}

void TSpeedButton::SetMargin(int32_t Value) {
  if (Value == FMargin || Value < -1) return;
  FMargin = Value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int32_t Value) {
  if (Value == FSpacing) return;
  FSpacing = Value;
  Invalidate();
}

void TSpeedButton::SetFlat(bool Value) {
  if (Value == FFlat) return;
  FFlat = Value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Invalidate();
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = Value;
  FState = Value ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
  Invalidate();
  if (Value) UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int32_t Value) {
  if (Value == FGroupIndex) return;
  FGroupIndex = Value;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  if (Value == FAllowAllUp) return;
  FAllowAllUp = Value;
  UpdateExclusive();
}

// Tells the other buttons of the group (same parent, same index) about this
// one: they raise themselves when it went down, and share AllowAllUp.
void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || Parent() == nullptr) return;
  TMessage m;
  m.Msg = CM_BUTTONPRESSED;
  m.WParam = WPARAM(FGroupIndex);
  m.LParam = reinterpret_cast<LPARAM>(this);
  m.Result = 0;
  Parent()->Broadcast(m);
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSpeedButton> self(this);
  TGraphicControl::MouseDown(Button, Shift, X, Y);  // OnMouseDown first
  if (!self || Button != TMouseButton::mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = TSpeedButtonState::bsDown;
    Invalidate();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSpeedButton> self(this);
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!self || !FDragging) return;
  const bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
  TSpeedButtonState now = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
  if (inside) now = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsDown;
  if (now != FState) {
    FState = now;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSpeedButton> self(this);
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!self || !FDragging || Button != TMouseButton::mbLeft) return;
  FDragging = false;
  const bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
  if (FGroupIndex == 0) {
    FState = TSpeedButtonState::bsUp;
    Invalidate();
  } else if (inside) {
    SetDown(!FDown);
    FState = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
    Invalidate();
  } else {
    FState = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
    Invalidate();
  }
  if (inside) Click();
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
      if (int32_t(Message.WParam) == FGroupIndex && sender != nullptr && sender != this) {
        if (sender->Down() && FDown) {
          FDown = false;
          FState = TSpeedButtonState::bsUp;
          Invalidate();
        }
        FAllowAllUp = sender->AllowAllUp();
      }
      return;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      const bool enter = Message.Msg == CM_MOUSEENTER;
      if (Message.LParam != 0 && reinterpret_cast<TControl*>(Message.LParam) != this) break;
      if (enter != FMouseInControl && Enabled()) {
        FMouseInControl = enter;
        if (FFlat) Invalidate();
      }
      break;
    }
    case CM_ENABLEDCHANGED:
      if (!Enabled()) {
        FMouseInControl = false;
        FDragging = false;
      }
      Invalidate();
      break;
    case CM_TEXTCHANGED: Invalidate(); break;
    case CM_DIALOGCHAR:
      // The caption's accelerator acts as a click released on the button.
      if (IsAccel(uint32_t(Message.WParam), Caption()) && Enabled() && Visible() && Parent() != nullptr &&
          Parent()->Showing()) {
        if (FGroupIndex != 0) {
          SetDown(!FDown);
          FState = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
          Invalidate();
        }
        Message.Result = 1;
        Click();
        return;
      }
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

// Image index State of the strip, or the first one greyed when the disabled
// image is missing.
void TSpeedButton::DrawGlyph(int32_t X, int32_t Y, TSpeedButtonState State) {
  if (FGlyph->Empty() || FGlyph->Width() <= 0) return;
  const int32_t w = FGlyph->Width() / FNumGlyphs, h = FGlyph->Height();
  if (w <= 0) return;
  int32_t index = int32_t(State);
  if (index >= FNumGlyphs) index = 0;
  TCanvas* src = FGlyph->Canvas();
  const TColor clear = src->Pixels(0, h - 1);
  TCanvas* dst = Canvas();
  if (State == TSpeedButtonState::bsDisabled && FNumGlyphs < 2) {
    // Embossed: every opaque pixel in clBtnHighlight one pixel down-right,
    // then in clBtnShadow.
    const TColor light = TColor(ColorToRGB(clBtnHighlight)), shadow = TColor(ColorToRGB(clBtnShadow));
    for (int32_t pass = 0; pass < 2; ++pass)
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          if (src->Pixels(x, y) != clear)
            SetPixel(dst->Handle(), X + x + (pass == 0 ? 1 : 0), Y + y + (pass == 0 ? 1 : 0),
                     COLORREF(pass == 0 ? light : shadow));
    return;
  }
  TransparentStretchBlt(dst->Handle(), X, Y, w, h, FGlyph->Handle(), index * w, 0, w, h, COLORREF(clear));
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  const TRect client{0, 0, Width(), Height()};
  if (!Enabled())
    FState = TSpeedButtonState::bsDisabled;
  else if (FState == TSpeedButtonState::bsDisabled)
    FState = FDown ? TSpeedButtonState::bsExclusive : TSpeedButtonState::bsUp;
  const bool pushed = FState == TSpeedButtonState::bsDown || FState == TSpeedButtonState::bsExclusive;
  HDC dc = c->Handle();

  TRect inside = client;
  if (!FFlat) {
    uint32_t state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (pushed) state |= DFCS_PUSHED;
    DrawFrameControl(dc, &inside, DFC_BUTTON, state);
  } else {
    if (!FTransparent || pushed) {
      c->Brush()->SetColor(Color());
      c->FillRect(client);
    }
    if (pushed || (FMouseInControl && Enabled())) {
      TRect r = client;
      DrawEdge(dc, r, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    InflateRect(inside, -1, -1);
  }
  if (FState == TSpeedButtonState::bsExclusive && (!FFlat || !FMouseInControl)) {
    // The latched look: a checker of the face and the highlight.
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    for (int32_t y = inside.Top; y < inside.Bottom; ++y)
      for (int32_t x = inside.Left + ((y - inside.Top) & 1); x < inside.Right; x += 2) SetPixel(dc, x, y, light);
  }

  // Layout of the glyph and the caption within the client area.
  const int32_t offset = pushed ? 1 : 0;
  c->Font()->Assign(Font());
  const String caption = Caption();
  TRect textSize{0, 0, 0, 0};
  if (!caption.empty()) {
    String s = caption;
    DrawText(dc, s, &textSize, DT_CALCRECT | DT_SINGLELINE);
  }
  const int32_t gw = FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs, gh = FGlyph->Empty() ? 0 : FGlyph->Height();
  const bool horz = FLayout == TButtonLayout::blGlyphLeft || FLayout == TButtonLayout::blGlyphRight;
  const int32_t extent = horz ? Width() : Height();
  const int32_t glyphLen = horz ? gw : gh, textLen = horz ? textSize.Width() : textSize.Height();
  int32_t spacing = FSpacing, margin = FMargin;
  if (glyphLen == 0 || textLen == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      spacing = (extent - glyphLen - textLen) / 3;
      margin = spacing;
    } else {
      margin = (extent - (glyphLen + spacing + textLen) + 1) / 2;
    }
  } else if (spacing == -1) {
    spacing = (extent - margin - glyphLen - textLen) / 2;
  }
  TPoint glyphAt{(Width() - gw + 1) / 2, (Height() - gh + 1) / 2};
  TPoint textAt{(Width() - textSize.Width() + 1) / 2, (Height() - textSize.Height() + 1) / 2};
  switch (FLayout) {
    case TButtonLayout::blGlyphLeft:
      glyphAt.X = margin;
      textAt.X = margin + gw + spacing;
      break;
    case TButtonLayout::blGlyphRight:
      glyphAt.X = Width() - margin - gw;
      textAt.X = glyphAt.X - spacing - textSize.Width();
      break;
    case TButtonLayout::blGlyphTop:
      glyphAt.Y = margin;
      textAt.Y = margin + gh + spacing;
      break;
    case TButtonLayout::blGlyphBottom:
      glyphAt.Y = Height() - margin - gh;
      textAt.Y = glyphAt.Y - spacing - textSize.Height();
      break;
  }
  DrawGlyph(glyphAt.X + offset, glyphAt.Y + offset, FState);
  if (!caption.empty()) {
    TRect tr{textAt.X + offset, textAt.Y + offset, textAt.X + offset + textSize.Width(),
             textAt.Y + offset + textSize.Height()};
    StdDrawCaption(dc, caption, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled(),
                   COLORREF(ColorToRGB(Font()->Color())));
  }
}

// ================================================================================
// TSplitter
// ================================================================================

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(TAlign::alLeft);
  SetCursor(crHSplit);
  FParentColor = true;
}

TSplitter::~TSplitter() {
  UnhookFocusedKeys();
  ReleaseLineDC();
}

void TSplitter::SetBeveled(bool Value) {
  if (Value == FBeveled) return;
  FBeveled = Value;
  Invalidate();
}

void TSplitter::RequestAlign() {
  TGraphicControl::RequestAlign();
  if (Cursor() != crHSplit && Cursor() != crVSplit) return;
  SetCursor(Horizontal() ? crHSplit : crVSplit);
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  TRect r{0, 0, Width(), Height()};
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (!FBeveled) return;
  // A light line pair down-right of a dark one: a groove along the bar.
  if (Horizontal())
    InflateRect(r, -1, 2);
  else
    InflateRect(r, 2, -1);
  OffsetRect(r, 1, 1);
  StdFrame(c, r, clBtnHighlight);
  OffsetRect(r, -2, -2);
  StdFrame(c, r, clBtnShadow);
}

TControl* TSplitter::FindControl() {
  TWinControl* parent = Parent();
  if (parent == nullptr) return nullptr;
  TPoint p{Left(), Top()};
  switch (Align()) {
    case TAlign::alLeft: p.X -= 1; break;
    case TAlign::alRight: p.X += Width(); break;
    case TAlign::alTop: p.Y -= 1; break;
    case TAlign::alBottom: p.Y += Height(); break;
    default: return nullptr;
  }
  for (int32_t i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || !c->Enabled() || c->Align() != Align()) continue;
    TRect r = c->BoundsRect();
    // A neighbour collapsed to nothing still touches.
    if (r.Width() == 0) r.Left -= 1;
    if (r.Height() == 0) r.Top -= 1;
    if (PtInRect(r, p)) return c;
  }
  return nullptr;
}

void TSplitter::CalcSplitSize(int32_t X, int32_t Y, int32_t& NewSize, int32_t& Split) {
  Split = Horizontal() ? X - FDownPos.X : Y - FDownPos.Y;
  int32_t s = 0;
  switch (Align()) {
    case TAlign::alLeft: s = FControl->Width() + Split; break;
    case TAlign::alRight: s = FControl->Width() - Split; break;
    case TAlign::alTop: s = FControl->Height() + Split; break;
    case TAlign::alBottom: s = FControl->Height() - Split; break;
    default: break;
  }
  NewSize = std::clamp(s, FMinSize, std::max(FMinSize, FMaxSize));
  if (s != NewSize) {
    if (Align() == TAlign::alRight || Align() == TAlign::alBottom)
      Split += s - NewSize;
    else
      Split += NewSize - s;
  }
}

bool TSplitter::CanResize(int32_t& NewSize) {
  bool accept = true;
  if (OnCanResize) OnCanResize(this, NewSize, accept);
  return accept;
}

bool TSplitter::DoCanResize(int32_t& NewSize) {
  const bool ok = CanResize(NewSize);
  if (ok && NewSize <= FMinSize && FAutoSnap) NewSize = 0;
  return ok;
}

void TSplitter::Moved() {
  if (OnMoved) OnMoved(this);
}

void TSplitter::AllocateLineDC() {
  if (FLineDC != nullptr || Parent() == nullptr) return;
  FLineWnd = Parent()->Handle();
  FLineDC = GetDCEx(FLineWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (FResizeStyle == TResizeStyle::rsPattern) {
    // A one-pixel checker: every other pixel inverted.
    TBitmap pattern;
    pattern.SetPixelFormat(TPixelFormat::pf24bit);
    pattern.SetSize(8, 8);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x) SetPixel(pattern.Canvas()->Handle(), x, y, ((x + y) & 1) != 0 ? 0xFFFFFF : 0);
    FBrush = CreatePatternBrush(pattern.Handle());
  }
}

void TSplitter::ReleaseLineDC() {
  if (FLineDC != nullptr) ReleaseDC(FLineWnd, FLineDC);
  FLineDC = nullptr;
  FLineWnd = nullptr;
  if (FBrush != nullptr) DeleteObject(FBrush);
  FBrush = nullptr;
}

// Inverts the bar at the split; a second call erases it.
void TSplitter::DrawLine() {
  if (FLineDC == nullptr) return;
  FLineVisible = !FLineVisible;
  TPoint p{Left(), Top()};
  if (Horizontal())
    p.X += FSplit;
  else
    p.Y += FSplit;
  if (FBrush != nullptr) {
    HGDIOBJ old = SelectObject(FLineDC, FBrush);
    PatBlt(FLineDC, p.X, p.Y, Width(), Height(), PATINVERT);
    SelectObject(FLineDC, old);
  } else {
    PatBlt(FLineDC, p.X, p.Y, Width(), Height(), DSTINVERT);
  }
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSplitter> self(this);
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft) return;
  FControl = FindControl();
  FDownPos = TPoint{X, Y};
  if (FControl == nullptr) return;
  // The neighbour may grow until the rest of the parent keeps MinSize.
  TWinControl* parent = Parent();
  const bool horz = Horizontal();
  FMaxSize = (horz ? parent->ClientWidth() : parent->ClientHeight()) - FMinSize;
  for (int32_t i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    const TAlign a = c->Align();
    if (horz && (a == TAlign::alLeft || a == TAlign::alRight)) FMaxSize -= c->Width();
    if (!horz && (a == TAlign::alTop || a == TAlign::alBottom)) FMaxSize -= c->Height();
  }
  FMaxSize += horz ? FControl->Width() : FControl->Height();
  FOldSize = horz ? FControl->Width() : FControl->Height();
  FStartSize = FOldSize;
  CalcSplitSize(X, Y, FNewSize, FSplit);
  HookFocusedKeys();
  if (FResizeStyle == TResizeStyle::rsLine || FResizeStyle == TResizeStyle::rsPattern) {
    AllocateLineDC();
    DrawLine();
  }
}

void TSplitter::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSplitter> self(this);
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!self || FControl == nullptr || !Shift.Contains(TShiftStateItem::ssLeft)) return;
  int32_t newSize = 0, split = 0;
  CalcSplitSize(X, Y, newSize, split);
  if (!DoCanResize(newSize)) return;
  const bool line = FResizeStyle == TResizeStyle::rsLine || FResizeStyle == TResizeStyle::rsPattern;
  if (line) DrawLine();
  FNewSize = newSize;
  FSplit = split;
  if (FResizeStyle == TResizeStyle::rsUpdate) {
    const int32_t old = FOldSize;
    UpdateControlSize();
    FOldSize = old;  // OnMoved waits for the release
  }
  if (line) DrawLine();
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TSplitter> self(this);
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!self || FControl == nullptr || Button != TMouseButton::mbLeft) return;
  if (FLineVisible) DrawLine();
  const bool changed = FNewSize != FOldSize;
  UpdateControlSize();
  StopSizing();
  if (changed && self) Moved();
}

void TSplitter::UpdateControlSize() {
  if (FControl == nullptr) return;
  const int32_t current = Horizontal() ? FControl->Width() : FControl->Height();
  if (FNewSize == current) {
    FOldSize = FNewSize;
    return;
  }
  TWinControl* parent = Parent();
  parent->DisableAlign();
  switch (Align()) {
    case TAlign::alLeft: FControl->SetWidth(FNewSize); break;
    case TAlign::alTop: FControl->SetHeight(FNewSize); break;
    case TAlign::alRight:
      FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize,
                          FControl->Height());
      break;
    case TAlign::alBottom:
      FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(),
                          FNewSize);
      break;
    default: break;
  }
  parent->EnableAlign();
  parent->Update();
  FOldSize = FNewSize;
}

void TSplitter::HookFocusedKeys() {
  TWinControl* target = ::FindControl(GetFocus());
  if (target == nullptr || FKeyControl) return;
  FKeyControl = target;
  FOldKeyProc = target->WindowProc;
  target->WindowProc = [self = this](TMessage& Message) {
    // The hook may be removed while it runs: nothing captured is used after.
    TSplitter* splitter = self;
    if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_ESCAPE && splitter->FControl != nullptr) {
      splitter->CancelSizing();
      Message.Result = 0;
      return;
    }
    TWndMethod old = splitter->FOldKeyProc;
    old(Message);
  };
}

void TSplitter::UnhookFocusedKeys() {
  if (FKeyControl) FKeyControl->WindowProc = FOldKeyProc;
  FKeyControl = nullptr;
  FOldKeyProc = nullptr;
}

// Puts the neighbour back to its size at the press; no OnMoved.
void TSplitter::CancelSizing() {
  if (FControl == nullptr) return;
  if (FLineVisible) DrawLine();
  FNewSize = FStartSize;
  UpdateControlSize();
  StopSizing();
  SetMouseCapture(false);
}

void TSplitter::StopSizing() {
  UnhookFocusedKeys();
  FControl = nullptr;
  FLineVisible = false;
  ReleaseLineDC();
}

// ================================================================================
// TScrollBox
// ================================================================================

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  FControlStyle.Include(TControlStyleItem::csCaptureMouse);
  FControlStyle.Include(TControlStyleItem::csClickEvents);
  FControlStyle.Include(TControlStyleItem::csSetCaption);
  FControlStyle.Include(TControlStyleItem::csDoubleClicks);
  SetTabStop(false);
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
  if (Value != TBorderStyle::bsSingle) Value = TBorderStyle::bsNone;
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params) {
  TScrollingWinControl::CreateParams(Params);
  if (FBorderStyle == TBorderStyle::bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}
