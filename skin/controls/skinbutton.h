// The skinned push button of every skinned dialog: state images from a
// button description (normal, active, down, disabled), a hover morph and a
// focus animation, default and cancel keys with modal results, toggle
// groups, auto-repeat, and a picture beside the caption.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/forms.h"
#include "skin/controls/base/glyphlayout.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/buttonparts.h"

class TbsSkinButton : public TbsSkinCustomControl {
 public:
  explicit TbsSkinButton(TComponent* AOwner);
  ~TbsSkinButton() override;
  const char* ClassName() const override { return "TbsSkinButton"; }

  bool Down() const { return FDown; }
  // Sets the state and repaints; a grouped button going down releases the
  // others of its group unless AllowAllUp. Fires no event.
  void SetDown(bool Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  // A grouped button cannot take the focus.
  void SetGroupIndex(int32_t Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool CanFocused() const { return FCanFocused; }
  void SetCanFocused(bool Value);
  bool RepeatMode() const { return FRepeatMode; }
  void SetRepeatMode(bool Value) { FRepeatMode = Value; }
  int32_t RepeatInterval() const { return FRepeatInterval; }
  void SetRepeatInterval(int32_t Value) { FRepeatInterval = Value; }
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  bool UseSkinFontColor() const { return FUseSkinFontColor; }
  void SetUseSkinFontColor(bool Value) { FUseSkinFontColor = Value; }
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TbsNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TbsNumGlyphs Value);
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  TbsButtonLayout Layout() const { return FLayout; }
  void SetLayout(TbsButtonLayout Value);
  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);

  // The state the look follows.
  double MorphPos() const { return FMorphPos; }
  bool ActiveDefault() const { return FActiveDefault; }
  bool PointerInside() const { return FPointerInside; }
  int32_t AnimateFrame() const { return FAnimateFrame; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  // Passed on only without a linked action, which ButtonClick runs.
  void Click() override;
  // The button's click: the form's modal result, then OnClick or the action.
  virtual void ButtonClick();
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  // This class's own click event (the platform's Click does not fire it).
  TNotifyEvent OnClick;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateWnd() override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap*) override {}
  virtual void CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn);
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  bool IsFocused() { return Focused() && FCanFocused; }
  bool MorphingActive() const { return FSkinIndex != -1 && FLook.Morphing && SkinEffectsOn(FSkinData); }
  // The down image shows: grouped, under the mouse, or focused and not held.
  bool ShowsDown() { return FDown && (FGroupIndex != 0 || FPointerInside || (IsFocused() && !FPressedByMouse)); }
  void UpdateLook();
  void MorphTick();
  void StartAnimation(bool Forward);
  void StopAnimation();
  void AnimateTick();
  void StartRepeat() { FRepeatTimer.Start(uint32_t(FRepeatInterval)); }
  void PaintState();
  void DrawFace(TCanvas* C, const TRect& Area, bool ADown, bool AMouseIn, bool Shifted);
  // Whether the mouse is over the button in screen terms (X, Y of a mouse event).
  bool Over(int32_t X, int32_t Y) { return PtInRect(ClientRect(), TPoint{X, Y}); }

  void WMEraseBkgnd(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  // The window procedure's own part; true when the message is dropped.
  bool PreviewMessage(TMessage& Message);

  TbsOnDemandTimer FAnimateTimer{[this] { AnimateTick(); }};
  int32_t FAnimateFrame = 0;
  bool FAnimateForward = false;
  bool FUseSkinFontColor = true;
  bool FUseSkinSize = true;
  TbsOnDemandTimer FRepeatTimer{[this] { ButtonClick(); }};
  bool FRepeatMode = false;
  int32_t FRepeatInterval = 100;
  bool FActiveDefault = false;
  bool FAllowAllUp = false;
  bool FWasDown = false;
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = 0;
  bool FCanFocused = true;
  bool FDown = false;
  bool FPointerInside = false;
  bool FPressedByMouse = false;
  int32_t FGroupIndex = 0;
  std::unique_ptr<TBitmap> FGlyph;
  TbsNumGlyphs FNumGlyphs = 1;
  int32_t FMargin = -1;
  int32_t FSpacing = 1;
  TbsButtonLayout FLayout = TbsButtonLayout::blGlyphLeft;
  TbsOnDemandTimer FMorphTimer{[this] { MorphTick(); }};
  double FMorphPos = 0;
  TCustomImageList* FImageList = nullptr;
  int32_t FImageIndex = -1;

  TbsButtonLook FLook;
};
