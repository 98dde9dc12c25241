// The skinned up-down: two buttons stepping Position between Min and Max,
// drawn from the skin's "hupdown" or "vupdown" description, from its
// "resizebutton" description when it must not take the skin's size, or in a
// plain look. Button 0 increases Position and sits at the description's
// "upbuttonrect" (right or top in the plain look); button 1 decreases it.
// Page and tab controls create one as the scroller of their tab row.
#pragma once

#include <cstdint>

#include "platform/vcl/barctrls.h"
#include "skin/controls/arrowbuttons.h"
#include "skin/controls/base/skinctrls.h"

class TbsSkinUpDown : public TbsSkinCustomControl {
 public:
  explicit TbsSkinUpDown(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinUpDown"; }

  void GetSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void SetControlRegion() override;
  void Dispatch(TMessage& Message) override;

  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation Value);
  int32_t Increment() const { return FIncrement; }
  void SetIncrement(int32_t Value) { FIncrement = Value; }
  int32_t Position() const { return FPosition; }
  // An out-of-range value is ignored; any other fires OnChange, also an
  // unchanged one.
  void SetPosition(int32_t Value);
  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value);
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value);

  // Button geometry and state (0 increase, 1 decrease).
  const TbsArrowButtonPair::TButton& Button(int32_t Index) const { return FPair.Buttons[Index]; }

  TNotifyEvent OnChange;
  TNotifyEvent OnUpButtonClick;
  TNotifyEvent OnDownButtonClick;

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  void ArrangeButtons();
  int32_t ArrowDirection(int32_t Index) const;
  void DrawPictureButton(TCanvas* C, int32_t Index);
  void DrawResizeButton(TCanvas* C, int32_t Index);
  void StepBy(int32_t Direction);
  void ButtonClicked(int32_t Index);

  TbsArrowButtonPair FPair;
  bool FUseSkinSize = true;
  TUDOrientation FOrientation = TUDOrientation::udHorizontal;
  int32_t FIncrement = 1;
  int32_t FPosition = 0;
  int32_t FMin = 0;
  int32_t FMax = 100;
  TRect FUpButtonRect, FActiveUpButtonRect, FDownUpButtonRect;
  TRect FDownButtonRect, FActiveDownButtonRect, FDownDownButtonRect;
};
