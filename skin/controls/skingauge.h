// The skinned progress bar: a value between MinValue and MaxValue shown as
// the filled part of a progress area, horizontal or growing upwards, with
// an optional progress text and percentage.
#pragma once

#include <cstdint>

#include "skin/controls/base/skinctrls.h"

class TbsSkinGauge : public TbsSkinCustomControl {
 public:
  explicit TbsSkinGauge(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinGauge"; }

  int32_t MinValue() const { return FMinValue; }
  // Stores the bound, pulls Value up to it and repaints.
  void SetMinValue(int32_t Value);
  int32_t MaxValue() const { return FMaxValue; }
  // Stores the bound, pulls Value down to it and repaints.
  void SetMaxValue(int32_t Value);
  int32_t Value() const { return FValue; }
  // Clamped into the bounds; repaints only on a change.
  void SetValue(int32_t Value);
  bool Vertical() const { return FVertical; }
  // Builders of a vertical gauge also set SkinDataName "vgauge" and its size.
  void SetVertical(bool Value) { FVertical = Value; }
  const String& ProgressText() const { return FProgressText; }
  void SetProgressText(const String& Value);
  bool ShowProgressText() const { return FShowProgressText; }
  void SetShowProgressText(bool Value);
  bool ShowPercent() const { return FShowPercent; }
  void SetShowPercent(bool Value);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }

  // The filled part of area A for value V; K is kept within 0..1 whatever
  // the bounds.
  TRect FillRect(const TRect& A, int32_t V) const;
  // Trunc of the filled fraction in percent, 0..100; 99 below MaxValue.
  int32_t Percent(int32_t V) const;
  // The text shown: ProgressText and the percentage as asked.
  String GaugeText(int32_t V) const;

  void GetSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual int32_t GetGaugeValue() { return FValue; }
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;

 private:
  double Fraction(int32_t V) const;
  // The skinned image without text; false when the bar cannot be drawn (no
  // middle in the progress picture), which also hides the text.
  bool ComposeSkinned(TBitmap* B, int32_t V);
  bool DrawBar(TBitmap* G);
  void DrawGaugeText(TCanvas* C, int32_t V, bool Skinned);

  bool FUseSkinSize = true;
  int32_t FMinValue = 0;
  int32_t FMaxValue = 100;
  int32_t FValue = 50;
  bool FVertical = false;
  String FProgressText;
  bool FShowPercent = false;
  bool FShowProgressText = false;
  // From the description.
  TRect FFillRect, FProgressArea, FNewProgressArea;
  int32_t FBeginOffset = 0, FEndOffset = 0;
  String FFontName;
  TFontStyles FFontStyle;
  int32_t FFontHeight = 0;
  TColor FFontColor = 0;
  bool FProgressTransparent = false;
  TColor FProgressTransparentColor = 0;
  bool FProgressStretch = false;
  // The size the description gives, also for a freely sized gauge.
  int32_t FSkinWidth = 0, FSkinHeight = 0;
};
