// TbsSkinCustomComboBox: the control image, its drop-down button and the
// shown item, plain and skinned.
#include "platform/rtl/arith.h"
#include "skin/controls/arrowbuttons.h"
#include "skin/controls/listboxdraw.h"
#include "skin/controls/skincombobox.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr TColor clDisabledItemText = TColor(0x808080);

// The part of C under R, for an item without a picture of its own.
void CopyArea(TBitmap* B, TCanvas* C, const TRect& R) {
  B->Canvas()->CopyRect(TRect{0, 0, B->Width(), B->Height()}, C,
                        TRect{R.Left, R.Top, R.Left + B->Width(), R.Top + B->Height()});
}

TbsDataSkinButtonControl* ComboButtonDescription(TbsSkinData* SkinData) {
  for (const char* name : {"combobutton", "editbutton", "resizebutton"}) {
    const int32_t index = SkinDescriptionIndex(SkinData, name);
    if (index != -1) return dynamic_cast<TbsDataSkinButtonControl*>(SkinData->ControlDescriptions[size_t(index)].get());
  }
  return nullptr;
}

}  // namespace

int32_t TbsSkinCustomComboBox::ShownIndex() const {
  return GetDroppedDown() ? FPrevItemIndex : const_cast<TbsSkinCustomComboBox*>(this)->ItemIndex();
}

void TbsSkinCustomComboBox::CreateControlDefaultImage(TBitmap* B) {
  CalcRects();
  FItemState = Focused() ? TOwnerDrawState{TOwnerDrawStateItem::odFocused} : TOwnerDrawState{};
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, Width(), Height()};
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(R);
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(FDefaultColor);
  C->FillRect(TRect{2, 2, R.Right - 2, R.Bottom - 2});
  DrawButton(C);
  if (FEdit == nullptr) DrawDefaultItem(C);
}

void TbsSkinCustomComboBox::CreateControlSkinImage(TBitmap* B) {
  CalcRects();
  if (FPicture == nullptr) return CreateControlDefaultImage(B);
  FItemState = Focused() ? TOwnerDrawState{TOwnerDrawStateItem::odFocused} : TOwnerDrawState{};
  const bool hot = Hot();
  if (!FUseSkinSize)
    BuildStretchedSkinImage(B, FPicture, hot ? FActiveSkinRect : FSkinRect, FSkinClientRect, true);
  else if (hot)
    BuildHSkinImage(FLeftTop.X, RectWidth(FActiveSkinRect) - FRightTop.X, B, FPicture, FActiveSkinRect, Width(),
                    Height(), FStretchEffect);
  else
    TbsSkinCustomControl::CreateControlSkinImage(B);
  TCanvas* C = B->Canvas();
  if (FUseSkinSize)
    DrawButton(C);
  else
    DrawSkinButton(C);
  if (FEdit != nullptr && FEdit->Enabled() != Enabled()) FEdit->SetEnabled(Enabled());
  if (FEdit != nullptr) return;
  if (FUseSkinSize)
    DrawSkinItem(C);
  else
    DrawStretchItem(C);
}

// ---- The button -----------------------------------------------------------------------------

void TbsSkinCustomComboBox::DrawButton(TCanvas* C) {
  const bool pressed = FButtonDown && FMouseInButton;
  if (FSkinIndex == -1 || FPicture == nullptr) {
    DrawPlainPartFrame(C, FButtonRect, pressed, FMouseInButton);
    DrawArrow(C, FButtonRect, Enabled() ? clBlack : clBtnShadow, 4);
    return;
  }
  TRect src;
  if (!Enabled() && !IsNullRect(FSUnEnabledButtonRect))
    src = FSUnEnabledButtonRect;
  else if (pressed)
    src = FSDownButtonRect;
  else if (FMouseInButton)
    src = FSActiveButtonRect;
  if (!IsNullRect(src)) C->CopyRect(FButtonRect, FPicture->Canvas(), src);
}

// A freely sized button from the skin's first button description of the
// three names, with an arrow or the description's marker image.
void TbsSkinCustomComboBox::DrawSkinButton(TCanvas* C) {
  TbsDataSkinButtonControl* D = ComboButtonDescription(FSkinData);
  TBitmap* picture = D != nullptr ? SkinActivePicture(FSkinData, D->PictureIndex) : nullptr;
  const TRect& R = FButtonRect;
  if (picture == nullptr || R.Width() <= 0 || R.Height() <= 0) return;
  const bool pressed = FButtonDown && FMouseInButton, hot = FMouseInButton;
  const TRect active = IsNullRect(D->ActiveSkinRect) ? D->SkinRect : D->ActiveSkinRect;
  const TRect down = IsNullRect(D->DownSkinRect) ? active : D->DownSkinRect;
  const TRect src = pressed ? down : (hot ? active : D->SkinRect);
  TBitmap image;
  image.SetSize(R.Width(), R.Height());
  const int32_t dW = R.Width() - RectWidth(D->SkinRect), dH = R.Height() - RectHeight(D->SkinRect);
  const TPoint NRT{D->RightTopPoint.X + dW, D->RightTopPoint.Y};
  const TPoint NLB{D->LeftBottomPoint.X, D->LeftBottomPoint.Y + dH};
  const TPoint NRB{D->RightBottomPoint.X + dW, D->RightBottomPoint.Y + dH};
  const TRect NCR{D->ClientRect.Left, D->ClientRect.Top, D->ClientRect.Right + dW, D->ClientRect.Bottom + dH};
  BuildSkinImage(D->LeftTopPoint, D->RightTopPoint, D->LeftBottomPoint, D->RightBottomPoint, D->ClientRect,
                 D->LeftTopPoint, NRT, NLB, NRB, NCR, &image, picture, src, image.Width(), image.Height(), true,
                 D->LeftStretch, D->TopStretch, D->RightStretch, D->BottomStretch, D->StretchEffect, D->StretchType);
  TCanvas* IC = image.Canvas();
  if (IsNullRect(D->MenuMarkerRect)) {
    if (Enabled()) {
      const TColor color = pressed ? D->DownFontColor : (hot ? D->ActiveFontColor : D->FontColor);
      const int32_t dy = pressed ? 2 : 0;
      DrawArrow(IC, TRect{0, dy, image.Width(), image.Height() + dy}, color, 4);
    }
  } else {
    TRect mark = D->MenuMarkerRect;
    if (pressed && !IsNullRect(D->MenuMarkerDownRect))
      mark = D->MenuMarkerDownRect;
    else if (hot && !IsNullRect(D->MenuMarkerActiveRect))
      mark = D->MenuMarkerActiveRect;
    TBitmap marker;
    marker.SetSize(RectWidth(mark), RectHeight(mark));
    marker.Canvas()->CopyRect(TRect{0, 0, marker.Width(), marker.Height()}, FPicture->Canvas(), mark);
    marker.SetTransparentMode(TTransparentMode::tmFixed);
    marker.SetTransparentColor(D->MenuMarkerTransparentColor);
    marker.SetTransparent(true);
    const int32_t x = Div(image.Width() - marker.Width(), 2);
    const int32_t y = Div(image.Height() - marker.Height(), 2) + (pressed ? 1 : 0);
    IC->Draw(x, y, &marker);
  }
  C->Draw(R.Left, R.Top, &image);
}

// ---- The shown item ------------------------------------------------------------------------

void TbsSkinCustomComboBox::SetItemFont(TCanvas* C, bool Skinned) {
  TFont* f = C->Font();
  if (!Skinned) {
    f->SetName(Font()->Name());
    f->SetStyle(Font()->Style());
    f->SetHeight(Font()->Height());
  } else if (FUseSkinFont) {
    f->SetName(FSkinFontName);
    f->SetStyle(FSkinFontStyle);
    f->SetHeight(FSkinFontHeight);
  } else {
    f->Assign(DefaultFont());
  }
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    f->SetCharset(FSkinData->ResourceStrData()->CharSet());
  else
    f->SetCharset(DefaultFont()->Charset());
}

void TbsSkinCustomComboBox::DrawDefaultItem(TCanvas* C) {
  const TRect& A = FItemAreaRect;
  if (A.Width() <= 0 || A.Height() <= 0) return;
  TBitmap b;
  b.SetSize(A.Width(), A.Height());
  TCanvas* c = b.Canvas();
  SetItemFont(c, false);
  const bool focused = Focused();
  c->Brush()->SetColor(focused ? clHighlight : FDefaultColor);
  c->Font()->SetColor(focused ? clHighlightText : DefaultFont()->Color());
  c->FillRect(TRect{0, 0, b.Width(), b.Height()});
  const int32_t index = ShownIndex();
  if (index >= 0 && index < Items()->Count()) {
    const TRect T{2, 0, b.Width() - 2, b.Height()};
    if (OnComboBoxDrawItem)
      OnComboBoxDrawItem(c, index, b.Width(), b.Height(), T, FItemState);
    else
      DrawItemContent(c, index, T);
  }
  if (focused) c->DrawFocusRect(TRect{0, 0, b.Width(), b.Height()});
  C->Draw(A.Left, A.Top, &b);
}

void TbsSkinCustomComboBox::DrawSkinItem(TCanvas* C) {
  const TRect& A = FItemAreaRect;
  const int32_t w = A.Width();
  const int32_t h = !IsNullRect(FSItemRect)       ? RectHeight(FSItemRect)
                    : !IsNullRect(FFocusItemRect) ? RectHeight(FFocusItemRect)
                                                  : A.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  const bool focused = Focused(), hot = Hot();
  TRect src = FSItemRect;
  bool stretch = FItemStretchEffect;
  if (focused) {
    src = FFocusItemRect;
    stretch = FFocusItemStretchEffect;
  } else if (hot && !IsNullRect(FActiveItemRect)) {
    src = FActiveItemRect;
  }
  if (IsNullRect(src))
    CopyArea(&b, C, A);
  else
    BuildHSkinImage(FItemLeftOffset, FItemRightOffset, &b, FPicture, src, w, h, stretch);
  TRect T = FItemTextRect;
  T.Right += w - (IsNullRect(FSItemRect) ? RectWidth(FSkinClientRect) : RectWidth(FSItemRect));
  TCanvas* c = b.Canvas();
  SetItemFont(c, true);
  c->Font()->SetColor(focused ? FFocusFontColor : (hot ? FActiveFontColor : FFontColor));
  if (!Enabled()) c->Font()->SetColor(clDisabledItemText);
  FinishSkinItem(c, b, T);
  C->Draw(A.Left, A.Top, &b);
}

void TbsSkinCustomComboBox::DrawStretchItem(TCanvas* C) {
  const TRect& A = FItemAreaRect;
  const int32_t w = A.Width(), h = A.Height();
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetSize(w, h);
  const bool focused = Focused(), hot = Hot();
  // The text area of a state picture smaller than "itemrect" shrinks with it.
  auto client = [this](const TRect& Src) {
    TRect R = FItemTextRect;
    const int32_t dW = RectWidth(Src) - RectWidth(FSItemRect), dH = RectHeight(Src) - RectHeight(FSItemRect);
    if (dW < 0) R.Right += dW;
    if (dH < 0) R.Top += dH;
    return R;
  };
  if (focused && !IsNullRect(FFocusItemRect)) {
    TRect CR = client(FFocusItemRect);
    InflateRect(CR, -1, -1);
    BuildStretchedSkinImage(&b, FPicture, FFocusItemRect, CR, true);
  } else if (!focused && hot && !IsNullRect(FActiveItemRect)) {
    BuildStretchedSkinImage(&b, FPicture, FActiveItemRect, client(FActiveItemRect), true);
  } else if (!focused && !IsNullRect(FSItemRect)) {
    BuildStretchedSkinImage(&b, FPicture, FSItemRect, FItemTextRect, true);
  } else {
    CopyArea(&b, C, A);
  }
  TRect T = FItemTextRect;
  T.Right += w - (IsNullRect(FSItemRect) ? RectWidth(FSkinClientRect) : RectWidth(FSItemRect));
  T.Bottom += Height() - RectHeight(FSkinRect);
  TCanvas* c = b.Canvas();
  SetItemFont(c, true);
  c->Font()->SetColor(focused ? FFocusFontColor : (hot ? FActiveFontColor : FFontColor));
  FinishSkinItem(c, b, T);
  C->Draw(A.Left, A.Top, &b);
}

// The text (or the box's own drawing) over an item picture.
void TbsSkinCustomComboBox::FinishSkinItem(TCanvas* c, TBitmap& b, const TRect& T) {
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const int32_t index = ShownIndex();
  if (index < 0 || index >= Items()->Count()) return;
  if (OnComboBoxDrawItem) return OnComboBoxDrawItem(c, index, b.Width(), b.Height(), T, FItemState);
  if (Focused() && FShowFocus) {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(FSkinData->SkinColors.CBtnFace);
    c->DrawFocusRect(TRect{0, 0, b.Width(), b.Height()});
    c->Brush()->SetStyle(TBrushStyle::bsClear);
  }
  DrawItemContent(c, index, T);
}

void TbsSkinCustomComboBox::DrawItemContent(TCanvas* C, int32_t Index, TRect T) {
  if (TCustomImageList* images = Images()) {
    const int32_t n = ImageIndex() >= 0 ? ImageIndex() : Index;
    if (n < images->Count()) {
      images->Draw(C, T.Left, T.Top + Div(T.Height() - images->Height(), 2), n, true);
      T.Left += images->Width() + 2;
    }
  }
  const String text = Items()->Strings(Index);
  if (TabWidths()->Count() > 0)
    DrawTabbedText(C, text, TabWidths(), 0, T);
  else
    DrawRectText(C, text, T);
}
