// The skinned check box and radio button, one class: flat (the parent's
// background, the check image and the caption) or framed (the description's
// whole image at the control's size). Boxes of one GroupIndex in one parent
// are mutually exclusive.
#pragma once

#include <cstdint>

#include "platform/vcl/stdctrls.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/buttonparts.h"

class TbsSkinCheckRadioBox : public TbsSkinCustomControl {
 public:
  explicit TbsSkinCheckRadioBox(TComponent* AOwner);
  ~TbsSkinCheckRadioBox() override;
  const char* ClassName() const override { return "TbsSkinCheckRadioBox"; }

  bool Checked() const { return FChecked; }
  // Sets the box (unchecking leaves a grayed box grayed), unchecks the
  // checked members of its group, then fires OnClick (a radio button only
  // when it is now checked).
  void SetChecked(bool Value);
  TCheckBoxState State() const { return FState; }
  // Sets the state and fires OnClick; no group handling.
  void SetState(TCheckBoxState Value);
  bool Radio() const { return FRadio; }
  // Builders of a radio button also set SkinDataName "radiobox" and a
  // GroupIndex.
  void SetRadio(bool Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t Value) { FGroupIndex = Value; }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool CanFocused() const { return FCanFocused; }
  void SetCanFocused(bool Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);

  double MorphPos() const { return FMorphPos; }
  bool PointerInside() const { return FPointerInside; }
  const TRect& CheckImagePos() const { return FCheckImagePos; }
  const TRect& TextRect() const { return FTextRect; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  // A check box toggles; a radio button only checks.
  virtual void ToggleChecked();
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  // This class's own click event (the platform's Click does not fire it).
  TNotifyEvent OnClick;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void ParentBackgroundChanged() override;
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  bool IsFocused() { return Focused() && FCanFocused; }
  bool Skinned() const { return FSkinIndex != -1 && FPicture != nullptr; }
  bool MorphingActive() const { return FSkinIndex != -1 && FMorphing && SkinEffectsOn(FSkinData); }
  bool HasImage() const;
  void FireClick();
  void UpdateLook();
  void MorphTick();
  TRect CheckPictureRect() const;
  void DrawCheckImage(TCanvas* C, int32_t X, int32_t Y);
  void DrawPlainBox(TCanvas* C);
  // Image and caption of the flat look from X; Gap between a picture and a
  // single-line caption. Answers the focus rectangle.
  TRect DrawFlatCaption(TCanvas* C, int32_t X, int32_t Gap);
  void PaintFlat();
  void PaintFramed();
  void CreateCheckImage(TBitmap* B, const TRect& R, bool AActive);

  void WMEraseBkgnd(TMessage& Message);
  void WMFocus(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMMouseHover(TMessage& Message, bool Inside);
  bool PreviewMessage(TMessage& Message);

  bool FWordWrap = false;
  bool FAllowGrayed = false;
  TCheckBoxState FState = TCheckBoxState::cbUnchecked;
  TCustomImageList* FImages = nullptr;
  int32_t FImageIndex = 0;
  bool FFlat = true;
  bool FCanFocused = true;
  int32_t FGroupIndex = 0;
  bool FChecked = false;
  TRect FCheckImagePos, FTextRect;
  bool FRadio = false;
  TbsOnDemandTimer FMorphTimer{[this] { MorphTick(); }};
  double FMorphPos = 0;
  bool FPointerInside = false;

  // From the description.
  String FFontName;
  TFontStyles FFontStyle;
  int32_t FFontHeight = 0;
  TColor FFontColor = 0, FActiveFontColor = 0, FFrameFontColor = 0, FUnEnabledFontColor = 0;
  TRect FActiveSkinRect, FCheckImageArea, FTextArea;
  TRect FCheckImageRect, FUnCheckImageRect, FActiveCheckImageRect, FActiveUnCheckImageRect;
  TRect FUnEnabledCheckImageRect, FUnEnabledUnCheckImageRect;
  bool FMorphing = false;
  TbsMorphKind FMorphKind = TbsMorphKind::mkDefault;
};
