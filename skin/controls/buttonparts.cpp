#include "skin/controls/buttonparts.h"

#include "platform/rtl/arith.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/menus/effectbmp.h"

bool SkinEffectsOn(TbsSkinData* SkinData) {
  return SkinData != nullptr && !SkinData->Empty && SkinData->EnableSkinEffects();
}

bool StepMorphPos(double& Pos, bool Forward) {
  // Five steps of 0.2 in doubles miss the bound by a rounding error: snap.
  constexpr double Step = 0.2, Snap = 1e-9;
  if (Forward ? Pos >= 1 : Pos <= 0) return false;
  Pos += Forward ? Step : -Step;
  if (Pos > 1 - Snap) Pos = 1;
  if (Pos < Snap) Pos = 0;
  return true;
}

void DrawMorphed(TCanvas* Canvas, TBitmap* Normal, TBitmap* Active, double K, TbsMorphKind Kind) {
  std::unique_ptr<TbsEffectBmp> a = TbsEffectBmp::CreateFromHandle(Normal->Handle());
  std::unique_ptr<TbsEffectBmp> b = TbsEffectBmp::CreateFromHandle(Active->Handle());
  if (!a || !b) return;
  MorphByKind(a.get(), b.get(), K, Kind);
  a->Draw(Canvas->Handle(), 0, 0);
}

void TbsOnDemandTimer::Start(uint32_t Interval) {
  if (!FTimer) {
    FTimer = std::make_unique<TTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](TObject*) { FOnTick(); });
  }
  FTimer->SetEnabled(false);
  FTimer->SetInterval(Interval);
  FTimer->SetEnabled(true);
}

void TbsOnDemandTimer::Ensure(uint32_t Interval) {
  if (!Running()) Start(Interval);
}

void TbsOnDemandTimer::Stop() {
  if (FTimer) FTimer->SetEnabled(false);
}

void TbsButtonLook::CopyFrom(const TbsDataSkinButtonControl& D, const TRect& SkinRect) {
  FontName = D.FontName;
  FontStyle = D.FontStyle;
  FontHeight = D.FontHeight;
  FontColor = D.FontColor;
  ActiveFontColor = D.ActiveFontColor;
  DownFontColor = D.DownFontColor;
  DisabledFontColor = D.DisabledFontColor;
  ActiveSkinRect = IsNullRect(D.ActiveSkinRect) ? SkinRect : D.ActiveSkinRect;
  DownSkinRect = IsNullRect(D.DownSkinRect) ? ActiveSkinRect : D.DownSkinRect;
  DisabledSkinRect = D.DisabledSkinRect;
  Morphing = D.Morphing;
  MorphKind = D.MorphKind;
  AnimateSkinRect = D.AnimateSkinRect;
  FrameCount = D.FrameCount;
  AnimateInterval = D.AnimateInterval;
  ShowFocus = D.ShowFocus;
}

TColor TbsButtonLook::StateColor(bool Enabled, bool UseSkinFontColor, TFont* DefaultFont, bool ADown,
                                 bool AMouseIn) const {
  if (Enabled && !UseSkinFontColor) return DefaultFont->Color();
  if (!Enabled) return DisabledFontColor;
  if (ADown && AMouseIn) return DownFontColor;
  if (AMouseIn) return ActiveFontColor;
  return FontColor;
}

TRect TbsButtonLook::FrameRect(const TRect& SkinRect, int32_t K) const {
  const TRect& A = AnimateSkinRect;
  if (RectWidth(A) > RectWidth(SkinRect)) {
    const int32_t w = Div(RectWidth(A), FrameCount);
    return TRect{A.Left + w * (K - 1), A.Top, A.Left + w * K, A.Bottom};
  }
  const int32_t h = Div(RectHeight(A), FrameCount);
  return TRect{A.Left, A.Top + h * (K - 1), A.Right, A.Top + h * K};
}

void ComposeFreeSizeImage(TBitmap* B, TBitmap* Picture, int32_t ResizeMode, const TRect& R, const TRect& SkinClientRect,
                          int32_t W, int32_t H, TRect& TextArea) {
  B->SetSize(W, H);
  switch (ResizeMode) {
    case 0: B->Canvas()->CopyRect(TRect{0, 0, W, H}, Picture->Canvas(), R); break;
    case 2:
    case 3: BuildStretchedSkinImage(B, Picture, R, SkinClientRect, true); break;
    default: break;
  }
  TextArea = SkinClientRect;
  TextArea.Right += W - RectWidth(R);
  TextArea.Bottom += H - RectHeight(R);
}
