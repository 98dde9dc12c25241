#include "skin/controls/buttonparts.h"

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
