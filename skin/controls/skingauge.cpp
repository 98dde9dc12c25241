#include "skin/controls/skingauge.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "skin/engine/data/skindraw.h"

namespace {

constexpr TColor BarFill = TColor(0xD2BDB6);

}  // namespace

TbsSkinGauge::TbsSkinGauge(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetBounds(Left(), Top(), 100, 20);
  SetSkinDataName("gauge");
}

// ---- Values ----------------------------------------------------------------------------

void TbsSkinGauge::SetMinValue(int32_t Value) {
  FMinValue = Value;
  if (FValue < Value) FValue = Value;
  Repaint();
}

void TbsSkinGauge::SetMaxValue(int32_t Value) {
  FMaxValue = Value;
  if (FValue > Value) FValue = Value;
  Repaint();
}

void TbsSkinGauge::SetValue(int32_t Value) {
  const int32_t v = Value > FMaxValue ? FMaxValue : Value < FMinValue ? FMinValue : Value;
  if (v == FValue) return;
  FValue = v;
  Repaint();
}

void TbsSkinGauge::SetProgressText(const String& Value) {
  FProgressText = Value;
  Repaint();
}

void TbsSkinGauge::SetShowProgressText(bool Value) {
  FShowProgressText = Value;
  Repaint();
}

void TbsSkinGauge::SetShowPercent(bool Value) {
  FShowPercent = Value;
  Repaint();
}

// Bounds set in either order may leave the value outside them: the fraction
// stays within 0..1 so that no fill is negative or wider than its area.
double TbsSkinGauge::Fraction(int32_t V) const {
  if (FMaxValue == FMinValue) return 0;
  const double k = (double(V) - FMinValue) / (double(FMaxValue) - FMinValue);
  return std::clamp(k, 0.0, 1.0);
}

TRect TbsSkinGauge::FillRect(const TRect& A, int32_t V) const {
  const double k = Fraction(V);
  TRect R = A;
  if (FVertical)
    R.Top = A.Bottom - Trunc(RectHeight(A) * k);
  else
    R.Right = A.Left + Trunc(RectWidth(A) * k);
  return R;
}

int32_t TbsSkinGauge::Percent(int32_t V) const {
  const int32_t p = Trunc(Fraction(V) * 100);
  return p == 100 && V < FMaxValue ? 99 : p;
}

String TbsSkinGauge::GaugeText(int32_t V) const {
  String s;
  if (FShowProgressText) s = FProgressText;
  if (FShowPercent) s += std::to_string(Percent(V)) + "%";
  return s;
}

// ---- Skin data -------------------------------------------------------------------------

void TbsSkinGauge::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinGaugeControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  if (!FUseSkinSize && D->MaskPictureIndex != -1) FMaskPicture = nullptr;
  FVertical = D->Vertical;
  FFillRect = D->ProgressRect;
  FProgressArea = D->ProgressArea;
  FBeginOffset = D->BeginOffset;
  FEndOffset = D->EndOffset;
  FFontName = D->FontName;
  FFontStyle = D->FontStyle;
  FFontHeight = D->FontHeight;
  FFontColor = D->FontColor;
  FProgressTransparent = D->ProgressTransparent;
  FProgressTransparentColor = D->ProgressTransparentColor;
  FProgressStretch = D->ProgressStretch;
}

void TbsSkinGauge::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  const int32_t askedW = AWidth, askedH = AHeight;
  TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  FSkinWidth = AWidth;
  FSkinHeight = AHeight;
  FNewProgressArea = FProgressArea;
  if (FSkinIndex != -1 && FResizeMode >= 1 && FResizeMode <= 3) {
    if (FVertical)
      FNewProgressArea.Bottom += AHeight - RectHeight(FSkinRect);
    else
      FNewProgressArea.Right += AWidth - RectWidth(FSkinRect);
  }
  if (!FUseSkinSize) {
    AWidth = askedW;
    AHeight = askedH;
  }
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinGauge::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    if (!FInPaintMessage && Message.WParam != 0) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
    Message.Result = 1;
    return;
  }
  TbsSkinCustomControl::Dispatch(Message);
}

void TbsSkinGauge::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  if (FUseSkinSize || FSkinIndex == -1 || FPicture == nullptr) {
    PaintImage();
    return;
  }
  // Free size: the image at the description's size, stretched; the text at
  // its own size on top.
  const int32_t v = GetGaugeValue();
  TBitmap skin, B;
  skin.SetSize(FSkinWidth, FSkinHeight);
  const bool text = ComposeSkinned(&skin, v);
  B.SetSize(Width(), Height());
  B.Canvas()->StretchDraw(TRect{0, 0, Width(), Height()}, &skin);
  if (text) DrawGaugeText(B.Canvas(), v, true);
  Canvas()->Draw(0, 0, &B);
}

void TbsSkinGauge::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, B->Width(), B->Height()};
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(clWindow);
  C->FillRect(R);
  C->Brush()->SetColor(clBtnShadow);
  C->FrameRect(R);
  const int32_t v = GetGaugeValue();
  const TRect F = FillRect(TRect{1, 1, R.Right - 1, R.Bottom - 1}, v);
  if (!IsNullRect(F)) {
    C->Brush()->SetColor(BarFill);
    C->FillRect(F);
  }
  DrawGaugeText(C, v, false);
}

void TbsSkinGauge::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr) {
    CreateControlDefaultImage(B);
    return;
  }
  const int32_t v = GetGaugeValue();
  if (ComposeSkinned(B, v)) DrawGaugeText(B->Canvas(), v, true);
}

bool TbsSkinGauge::ComposeSkinned(TBitmap* B, int32_t V) {
  ComposeSkinImage(B, FPicture, FSkinRect, B->Width(), B->Height(), true);
  const TRect F = FillRect(FNewProgressArea, V);
  if (IsNullRect(F)) return true;
  TBitmap G;
  G.SetPixelFormat(TPixelFormat::pf24bit);
  G.SetSize(RectWidth(F), RectHeight(F));
  if (!DrawBar(&G)) return false;
  if (FProgressTransparent) {
    G.SetTransparentColor(FProgressTransparentColor);
    G.SetTransparent(true);
  }
  B->Canvas()->Draw(F.Left, F.Top, &G);
  return true;
}

// The bar: fixed caps from the ends of the progress picture, its middle
// tiled from the start of the axis (bottom for vertical) or stretched.
bool TbsSkinGauge::DrawBar(TBitmap* G) {
  TCanvas* C = G->Canvas();
  TCanvas* P = FPicture->Canvas();
  const TRect& PR = FFillRect;
  const int32_t GW = G->Width(), GH = G->Height(), bo = FBeginOffset, eo = FEndOffset;
  if (!FVertical) {
    const TRect S{PR.Left + bo, PR.Top, PR.Right - eo, PR.Bottom};
    const int32_t band = GW - bo - eo, len = RectWidth(S);
    if (band > 0) {
      if (len <= 0) return false;
      if (FProgressStretch) {
        C->CopyRect(TRect{bo, 0, bo + band, GH}, P, S);
      } else {
        for (int32_t i = 0; i <= Div(band, len); ++i) {
          const int32_t x = bo + i * len, w = IntMin(len, bo + band - x);
          if (w > 0) C->CopyRect(TRect{x, 0, x + w, GH}, P, TRect{S.Left, S.Top, S.Left + w, S.Bottom});
        }
      }
    }
    C->CopyRect(TRect{0, 0, bo, GH}, P, TRect{PR.Left, PR.Top, PR.Left + bo, PR.Bottom});
    C->CopyRect(TRect{GW - eo, 0, GW, GH}, P, TRect{PR.Right - eo, PR.Top, PR.Right, PR.Bottom});
    return true;
  }
  const TRect S{PR.Left, PR.Top + bo, PR.Right, PR.Bottom - eo};
  const int32_t band = GH - bo - eo, len = RectHeight(S);
  if (band > 0) {
    if (len <= 0) return false;
    if (FProgressStretch) {
      C->CopyRect(TRect{0, bo, GW, bo + band}, P, S);
    } else {
      for (int32_t i = 0; i <= Div(band, len); ++i) {
        const int32_t bottom = GH - eo - i * len, h = IntMin(len, bottom - bo);
        if (h > 0) C->CopyRect(TRect{0, bottom - h, GW, bottom}, P, TRect{S.Left, S.Bottom - h, S.Right, S.Bottom});
      }
    }
  }
  C->CopyRect(TRect{0, 0, GW, bo}, P, TRect{PR.Left, PR.Top, PR.Right, PR.Top + bo});
  C->CopyRect(TRect{0, GH - eo, GW, GH}, P, TRect{PR.Left, PR.Bottom - eo, PR.Right, PR.Bottom});
  return true;
}

void TbsSkinGauge::DrawGaugeText(TCanvas* C, int32_t V, bool Skinned) {
  const String s = GaugeText(V);
  if (s.empty()) return;
  if (Skinned) {
    SetSkinControlFont(C->Font(), FUseSkinFont, FFontName, FFontHeight, FFontStyle, DefaultFont(), FSkinData);
    C->Font()->SetColor(FFontColor);
  } else {
    SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
  }
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  const int32_t tw = C->TextWidth(s), th = C->TextHeight(s);
  const int32_t W = Width(), H = Height();
  if (!FVertical) {
    C->TextOut(Div(W, 2) - Div(tw, 2), Div(H, 2) - Div(th, 2), s);
    return;
  }
  C->Font()->SetOrientation(900);
  C->TextOut(Div(W, 2) - Div(th, 2), Div(tw, 2) + Div(H, 2), s);
  C->Font()->SetOrientation(0);
}
