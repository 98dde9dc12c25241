// The skinned status bar: a bottom-aligned panel with an optional size grip
// at its right end that sizes the form it sits on.
#pragma once

#include <cstdint>

#include "skin/controls/skinpanel.h"
#include "skin/engine/data/skindraw.h"

class TbsSkinStatusBar : public TbsSkinPanel, public IbsSizeGripBar {
 public:
  explicit TbsSkinStatusBar(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinStatusBar"; }

  bool SizeGrip() const override { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  bool GripEnabled() const { return FGripEnabled; }
  // Switched off by the form while it is maximised.
  void SetGripEnabled(bool Value) override;
  // Hands the skin to every skinned child as well.
  void SetSkinData(TbsSkinData* Value) override;
  void GetSkinData() override;
  // Where the grip sits, client coordinates.
  TRect GripRect();
  void Dispatch(TMessage& Message) override;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;

 private:
  bool GripShown() const { return FSizeGrip && FGripEnabled; }
  bool HasGripperPicture() const { return FSkinIndex != -1 && !IsNullRect(FGripperRect); }
  void DrawGripLines(TCanvas* C, const TRect& R, TColor Highlight, TColor Shadow);
  void WMNCHitTest(TMessage& Message);
  void WMNCLButtonDown(TMessage& Message);

  bool FSizeGrip = false;
  bool FGripEnabled = true;
  TRect FGripperRect;
  bool FGripperTransparent = false;
  TColor FGripperTransparentColor = 0;
};
