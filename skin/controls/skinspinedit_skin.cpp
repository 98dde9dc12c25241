// TbsSkinSpinEdit: description, layout of the buttons and the editor, and
// the control image.
#include "platform/rtl/arith.h"
#include "platform/vcl/drawframe.h"
#include "skin/controls/skinspinedit.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

TRect MoveRight(const TRect& R, int32_t DX) { return TRect{R.Left + DX, R.Top, R.Right + DX, R.Bottom}; }

}  // namespace

void TbsSkinSpinEdit::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  auto* D = FSkinIndex == -1
                ? nullptr
                : dynamic_cast<TbsDataSkinSpinEditControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FActiveSkinRect = D->ActiveSkinRect;
  FSkinFontName = D->FontName;
  FSkinFontStyle = D->FontStyle;
  FSkinFontHeight = D->FontHeight;
  FSkinFontColor = D->FontColor;
  FSkinActiveFontColor = D->ActiveFontColor;
  FSkinDisabledFontColor = D->DisabledFontColor;
  FUpButtonRect = D->UpButtonRect;
  FActiveUpButtonRect = D->ActiveUpButtonRect;
  FDownUpButtonRect = IsNullRect(D->DownUpButtonRect) ? D->ActiveUpButtonRect : D->DownUpButtonRect;
  FDownButtonRect = D->DownButtonRect;
  FActiveDownButtonRect = D->ActiveDownButtonRect;
  FDownDownButtonRect = IsNullRect(D->DownDownButtonRect) ? D->ActiveDownButtonRect : D->DownDownButtonRect;
  FLeftCapWidth = D->LeftTopPoint.X;
  FRightCapWidth = RectWidth(D->SkinRect) - D->RightTopPoint.X;
}

void TbsSkinSpinEdit::ChangeSkinData() {
  TbsSkinCustomControl::ChangeSkinData();
  TFont* font = FEditor->Font();
  if (FSkinIndex == -1) {
    font->Assign(DefaultFont());
  } else if (FUseSkinFont) {
    font->SetStyle(FSkinFontStyle);
    font->SetColor(FSkinFontColor);
    font->SetHeight(FSkinFontHeight);
    font->SetName(FSkinFontName);
  } else {
    font->Assign(DefaultFont());
    font->SetColor(FSkinFontColor);
  }
  if (FSkinData != nullptr && FSkinData->ResourceStrData() != nullptr)
    font->SetCharset(FSkinData->ResourceStrData()->CharSet());
  else
    font->SetCharset(DefaultFont()->Charset());
  FEditor->SetTransparentText(FSkinIndex != -1);
  if (FSkinIndex != -1 && FUseSkinSize) SetHeight(RectHeight(FSkinRect));
  Layout();
  if (Enabled())
    font->SetColor(FSkinIndex == -1 ? DefaultFont()->Color() : (Active() ? FSkinActiveFontColor : FSkinFontColor));
  else
    font->SetColor(FSkinIndex == -1 ? clGrayText : FSkinDisabledFontColor);
  Repaint();
}

void TbsSkinSpinEdit::DefaultFontChanged() {
  if (FSkinIndex != -1 && FUseSkinFont) return;
  FEditor->Font()->Assign(DefaultFont());
  Layout();
}

void TbsSkinSpinEdit::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize) return TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  const int32_t dW = AWidth - RectWidth(FSkinRect);
  FSizedRightTop = TPoint{FRightTop.X + dW, FRightTop.Y};
  FSizedClientRect = FSkinClientRect;
  FSizedClientRect.Right += dW;
}

void TbsSkinSpinEdit::SetControlRegion() {
  if (FUseSkinSize) TbsSkinCustomControl::SetControlRegion();
}

void TbsSkinSpinEdit::Layout() {
  if (FEditor == nullptr) return;
  const int32_t W = Width(), H = Height();
  TbsArrowButtonPair::TButton* b = FPair.Buttons;
  GetSkinData();
  if (FSkinIndex == -1) {
    b[0].R = TRect{W - 17, 2, W - 2, Div(H, 2)};
    b[1].R = TRect{W - 17, Div(H, 2), W - 2, H - 2};
    const int32_t h = StdFontHeight(FEditor->Font()->Handle());
    FEditor->SetBounds(2, Div(H, 2) - Div(h, 2), W - 19, h);
    return;
  }
  const int32_t SW = RectWidth(FSkinRect), SH = RectHeight(FSkinRect);
  b[0].R = FUpButtonRect;
  b[1].R = FDownButtonRect;
  for (int32_t i = 0; i < 2; ++i)
    if (b[i].R.Left > FRightTop.X) b[i].R = MoveRight(b[i].R, W - SW);
  TRect area = FSkinClientRect;
  area.Right += W - SW;
  if (!FUseSkinSize) {
    const int32_t dH = H - SH;
    area.Bottom += dH;
    if (b[1].R.Bottom < b[0].R.Bottom) {
      b[0].R.Bottom += dH;
      b[1].R.Bottom += dH;
    } else {
      const TRect R{b[0].R.Left, b[0].R.Top, b[1].R.Right, b[1].R.Bottom + dH};
      // The split line is written Top + Bottom div 2 of R.
      const int32_t split = R.Top + Div(R.Bottom, 2);
      b[0].R = TRect{R.Left, R.Top, R.Right, split};
      b[1].R = TRect{R.Left, split, R.Right, R.Bottom};
    }
  }
  PlaceEditor(area);
}

void TbsSkinSpinEdit::PlaceEditor(const TRect& Area) {
  const int32_t h = StdFontHeight(FEditor->Font()->Handle());
  FEditor->SetBounds(Area.Left, Area.Top + Div(Area.Height(), 2) - Div(h, 2), Area.Width(), h);
}

// ---- Painting ---------------------------------------------------------------------------

void TbsSkinSpinEdit::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, Width(), Height()};
  C->Brush()->SetColor(FDefaultColor);
  C->FillRect(R);
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(clBtnFace);
  C->FrameRect(TRect{1, 1, R.Right - 1, R.Bottom - 1});
  for (int32_t i = 0; i < 2; ++i) DrawPlainButton(C, i);
}

void TbsSkinSpinEdit::DrawPlainButton(TCanvas* C, int32_t Index) {
  const TbsArrowButtonPair::TButton& b = FPair.Buttons[Index];
  if (b.MouseIn) {
    DrawPlainPartFrame(C, b.R, b.Down, true);
  } else {
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(b.R);
  }
  DrawArrow(C, b.R, clBlack, Index == 0 ? 3 : 4);
}

void TbsSkinSpinEdit::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr) return CreateControlDefaultImage(B);
  const bool active = Active() && !IsNullRect(FActiveSkinRect);
  if (FUseSkinSize) {
    if (!active)
      TbsSkinCustomControl::CreateControlSkinImage(B);
    else
      BuildHSkinImage(FLeftCapWidth, FRightCapWidth, B, FPicture, FActiveSkinRect, Width(), Height(), FStretchEffect);
    for (int32_t i = 0; i < 2; ++i) DrawPictureButton(B->Canvas(), i);
    return;
  }
  BuildStretchedSkinImage(B, FPicture, active ? FActiveSkinRect : FSkinRect, FSkinClientRect, true);
  for (int32_t i = 0; i < 2; ++i) {
    const TbsArrowButtonPair::TButton& b = FPair.Buttons[i];
    DrawSkinEditButton(B->Canvas(), FSkinData, b.R, b.Down && b.MouseIn, b.MouseIn, i == 0 ? 3 : 4);
  }
}

void TbsSkinSpinEdit::DrawPictureButton(TCanvas* C, int32_t Index) {
  const TbsArrowButtonPair::TButton& b = FPair.Buttons[Index];
  if (!b.MouseIn) return;
  const TRect& src = Index == 0 ? (b.Down ? FDownUpButtonRect : FActiveUpButtonRect)
                                : (b.Down ? FDownDownButtonRect : FActiveDownButtonRect);
  if (!IsNullRect(src)) C->CopyRect(b.R, FPicture->Canvas(), src);
}
