// The list box frame's look and its caption bar: text, glyph and the up,
// down and check buttons with their auto-repeat.
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/controls/skinlistbox.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr uintptr_t kRepeatTimer = 1;
constexpr uint32_t kFirstDelay = 500, kRepeatDelay = 100, kReenterDelay = 50;

const TColor kPlainHotFill = TColor(182 | (189 << 8) | (210 << 16));
const TColor kPlainDownFill = TColor(133 | (147 << 8) | (181 << 16));

}  // namespace

// ---- Looks ------------------------------------------------------------------------------

void TbsSkinCustomListBox::PlacePlainButtons(int32_t W) {
  if (!FCaptionMode) {
    for (TCaptionButton& b : FButtons) b.R = TRect{};
    return;
  }
  const int32_t A = IntMin(17, FDefaultCaptionHeight - 3);
  FButtons[0].R = TRect{W - A - 2, 2, W - 2, A + 1};
  for (int32_t i : {1, 2}) {
    const TRect& right = FButtons[i - 1].R;
    FButtons[i].R = TRect{right.Left - A, right.Top, right.Left, right.Bottom};
  }
}

void TbsSkinCustomListBox::CreateControlDefaultImage(TBitmap* B) {
  TbsSkinCustomControl::CreateControlDefaultImage(B);
  const int32_t W = Width(), H = Height();
  PlacePlainButtons(W);
  TCanvas* C = B->Canvas();
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(TRect{0, 0, W, H});
  if (FCaptionMode) {
    const int32_t A = IntMin(17, FDefaultCaptionHeight - 3);
    FCaptionRect = TRect{3, 2, W - 3 * A - 3, FDefaultCaptionHeight - 2};
    C->Font()->Assign(FDefaultCaptionFont.get());
    if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
      C->Font()->SetCharset(FSkinData->ResourceStrData()->CharSet());
    const int32_t y = Div(FDefaultCaptionHeight - 2, 2) - Div(C->TextHeight(Caption()), 2);
    DrawCaptionText(C, FCaptionRect, y, false);
    C->Pen()->SetColor(clBtnShadow);
    C->MoveTo(1, FDefaultCaptionHeight - 1);
    C->LineTo(W - 1, FDefaultCaptionHeight - 1);
  }
  for (int32_t i = 0; i < 3; ++i) DrawButton(C, i);
}

void TbsSkinCustomListBox::PlaceSkinButtons(int32_t W, int32_t H) {
  const int32_t dx = W - RectWidth(FSkinRect), dy = H - RectHeight(FSkinRect);
  if (!FCaptionMode) {
    for (TCaptionButton& b : FButtons) b.R = TRect{};
    return;
  }
  FCaptionRect = FSkinCaptionRect;
  if (FSkinCaptionRect.Right >= FRightTop.X) FCaptionRect.Right += dx;
  const TRect places[3] = {FUpButtonRect, FDownButtonRect, FCheckButtonRect};
  for (int32_t i = 0; i < 3; ++i) {
    TRect r = places[i];
    int32_t edge = FRightTop.X;
    if (r.Top > FLeftTop.Y) {
      OffsetRect(r, 0, dy);
      edge = FRightBottom.X;
    }
    if (edge < r.Left) OffsetRect(r, dx, 0);
    FButtons[i].R = r;
  }
}

void TbsSkinCustomListBox::CreateControlSkinImage(TBitmap* B) {
  TbsSkinCustomControl::CreateControlSkinImage(B);
  if (FPicture == nullptr) return;
  const int32_t W = Width(), H = Height();
  FListRect = FSkinClientRect;
  FListRect.Right += W - RectWidth(FSkinRect);
  FListRect.Bottom += H - RectHeight(FSkinRect);
  PlaceSkinButtons(W, H);
  TCanvas* C = B->Canvas();
  if (FCaptionMode && !IsNullRect(FSkinCaptionRect)) {
    SetSkinControlFont(C->Font(), true, FCaptionFontName, FCaptionTextHeight, FCaptionFontStyle,
                       FDefaultCaptionFont.get(), FSkinData);
    C->Font()->SetColor(FCaptionFontColor);
    const int32_t y = FCaptionRect.Top + Div(RectHeight(FCaptionRect), 2) - Div(C->TextHeight(Caption()), 2);
    DrawCaptionText(C, FCaptionRect, y, true);
  }
  for (int32_t i = 0; i < 3; ++i) DrawButton(C, i);
}

// Glyph first, then the text, placed by Alignment within R.
void TbsSkinCustomListBox::DrawCaptionText(TCanvas* C, const TRect& R, int32_t Y, bool Skinned) {
  const String text = Caption();
  const int32_t num = IntMax(1, FNumGlyphs);
  const bool glyph = !FGlyph->Empty() && FGlyph->Width() > 0;
  const int32_t glyphW = glyph ? Div(FGlyph->Width(), num) + FSpacing : 0;
  const int32_t w = C->TextWidth(text) + glyphW;
  const int32_t pad = Skinned ? 2 : 0;
  int32_t x = R.Left + pad;
  if (FAlignment == TAlignment::taRightJustify) x = R.Right - w - pad;
  if (FAlignment == TAlignment::taCenter) x = R.Left + pad + Div(RectWidth(R), 2) - Div(w, 2);
  if (glyph) {
    const int32_t index = !Enabled() && num == 2 ? 2 : 1;
    const int32_t gy = R.Top + Div(RectHeight(R), 2) - Div(FGlyph->Height() - (Skinned ? 0 : 1), 2);
    DrawStripGlyph(C, x, gy, FGlyph.get(), num, index);
  }
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  C->TextRect(R, x + glyphW, Y, text);
}

void TbsSkinCustomListBox::DrawPlainButton(TCanvas* C, int32_t i) {
  const TCaptionButton& b = FButtons[i];
  const bool down = b.Down && b.MouseIn;
  if (b.MouseIn) {
    C->Brush()->SetColor(down ? kPlainDownFill : kPlainHotFill);
    C->FillRect(b.R);
    C->Brush()->SetColor(clNavy);
    C->FrameRect(b.R);
  } else {
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(b.R);
  }
  if (i == 2)
    DrawCheckMark(C, b.R.Left + 4, b.R.Top + 4, clBlack);
  else
    DrawArrow(C, b.R, clBlack, i == 0 ? 3 : 4);
}

void TbsSkinCustomListBox::DrawButton(TCanvas* C, int32_t i) {
  const TCaptionButton& b = FButtons[i];
  if (IsNullRect(b.R)) return;
  if (FSkinIndex == -1 || FPicture == nullptr) {
    DrawPlainButton(C, i);
    return;
  }
  const TRect normal[3] = {FUpButtonRect, FDownButtonRect, FCheckButtonRect};
  const TRect hot[3] = {FActiveUpButtonRect, FActiveDownButtonRect, FActiveCheckButtonRect};
  const TRect pressed[3] = {FDownUpButtonRect, FDownDownButtonRect, FDownCheckButtonRect};
  TRect src = b.Down && b.MouseIn ? pressed[i] : (b.MouseIn ? hot[i] : TRect{});
  if (IsNullRect(src)) {
    src = normal[i];
    OffsetRect(src, FSkinRect.Left, FSkinRect.Top);
  }
  C->CopyRect(b.R, FPicture->Canvas(), src);
}

void TbsSkinCustomListBox::RedrawButton(int32_t i) {
  if (!HandleAllocated() || IsNullRect(FButtons[i].R)) return;
  GetSkinData();
  DrawButton(Canvas(), i);
}

// ---- Caption buttons ------------------------------------------------------------------

TNotifyEvent& TbsSkinCustomListBox::ButtonEvent(int32_t i) {
  return i == 0 ? OnUpButtonClick : (i == 1 ? OnDownButtonClick : OnCheckButtonClick);
}

void TbsSkinCustomListBox::TestActive(int32_t X, int32_t Y) {
  if (FSkinIndex != -1 && IsNullRect(FUpButtonRect) && IsNullRect(FDownButtonRect)) return;
  FOldActiveButton = FActiveButton;
  FActiveButton = -1;
  for (int32_t i = 0; i < 3; ++i)
    if (PtInRect(FButtons[i].R, TPoint{X, Y})) {
      FActiveButton = i;
      break;
    }
  if (FCaptureButton != -1 && FActiveButton != FCaptureButton) FActiveButton = -1;
  if (FActiveButton == FOldActiveButton) return;
  if (FOldActiveButton != -1) ButtonLeave(FOldActiveButton);
  if (FActiveButton != -1) ButtonEnter(FActiveButton);
}

void TbsSkinCustomListBox::ButtonDown(int32_t i) {
  FButtons[i].MouseIn = true;
  FButtons[i].Down = true;
  RedrawButton(i);
  if (ButtonEvent(i)) return;
  FRepeatAction = i == 0 ? 1 : (i == 1 ? 2 : 0);
  if (FRepeatAction == 0) return;
  FWaitMode = true;
  SetTimer(Handle(), kRepeatTimer, kFirstDelay, nullptr);
}

// The default action runs wherever the mouse was released; the event only
// over the button.
void TbsSkinCustomListBox::ButtonUp(int32_t i) {
  TCaptionButton& b = FButtons[i];
  b.Down = false;
  if (i != FActiveButton) b.MouseIn = false;
  RedrawButton(i);
  TNotifyEvent& event = ButtonEvent(i);
  if (b.MouseIn && event) {
    event(this);
    return;
  }
  if (i == 0) StepItem(-1);
  if (i == 1) StepItem(1);
  if (i == 2) FListBox->Click();
  StopRepeat();
}

void TbsSkinCustomListBox::ButtonEnter(int32_t i) {
  FButtons[i].MouseIn = true;
  RedrawButton(i);
  if (FRepeatAction != 0 && FButtons[i].Down) SetTimer(Handle(), kRepeatTimer, kReenterDelay, nullptr);
}

void TbsSkinCustomListBox::ButtonLeave(int32_t i) {
  FButtons[i].MouseIn = false;
  RedrawButton(i);
  if (FRepeatAction != 0 && FButtons[i].Down) KillTimer(Handle(), kRepeatTimer);
}

void TbsSkinCustomListBox::StepItem(int32_t Delta) {
  const int32_t index = ItemIndex();
  if (Delta < 0 && index > 0) SetItemIndex(index - 1);
  if (Delta > 0 && index < Items()->Count() - 1) SetItemIndex(index + 1);
}

void TbsSkinCustomListBox::StopRepeat() {
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
  FRepeatAction = 0;
}

void TbsSkinCustomListBox::WMTimer(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (FWaitMode) {
    FWaitMode = false;
    SetTimer(Handle(), kRepeatTimer, kRepeatDelay, nullptr);
    return;
  }
  if (FRepeatAction == 1) StepItem(-1);
  if (FRepeatAction == 2) StepItem(1);
}

void TbsSkinCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FCaptionMode) {
    TestActive(X, Y);
    if (FActiveButton != -1) {
      FCaptureButton = FActiveButton;
      ButtonDown(FActiveButton);
    }
  }
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TbsSkinCustomListBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (FCaptionMode && FCaptureButton != -1) {
    const int32_t i = FCaptureButton;
    FCaptureButton = -1;
    ButtonUp(i);
  }
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TbsSkinCustomListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TbsSkinCustomControl::MouseMove(Shift, X, Y);
  if (FCaptionMode) TestActive(X, Y);
}
