// The skinned slider: a ruler, a thumb sliding along it, tick points and a
// focus rectangle. Ruler and thumb come from the skin's "slider" description
// (the thumb only with UseSkinThumb) or from four built-in bitmaps that the
// user may replace. The value changes by dragging the thumb, by holding the
// mouse on the ruler (a jump every 400 ms), by the keys, or through Value.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/sets.h"
#include "skin/controls/base/skinctrls.h"

enum class TbsSliderOrientation : uint8_t { soHorizontal, soVertical };
enum class TbsSliderOption : uint8_t { soShowFocus, soShowPoints, soSmooth, soRulerOpaque, soThumbOpaque };
using TbsSliderOptions = Set<TbsSliderOption>;
using TbsNumThumbStates = int32_t;  // 1 or 2

// The four images: thumb and ruler, horizontal and vertical.
enum class TbsSliderImage : uint8_t { siHThumb, siHRuler, siVThumb, siVRuler };

class TbsSkinCustomSlider;
using TbsDrawPointsEvent = std::function<void(TbsSkinCustomSlider* Sender)>;

class TbsSkinCustomSlider : public TbsSkinControl {
 public:
  explicit TbsSkinCustomSlider(TComponent* AOwner);
  ~TbsSkinCustomSlider() override;
  const char* ClassName() const override { return "TbsSkinCustomSlider"; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void Dispatch(TMessage& Message) override;

  int32_t Value() const { return FValue; }
  // Clamped to MaxValue, then raised to MinValue; OnChange when it changed.
  void SetValue(int32_t AValue);
  int32_t MinValue() const { return FMinValue; }
  void SetMinValue(int32_t AValue) { SetRange(AValue, FMaxValue); }
  int32_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(int32_t AValue) { SetRange(FMinValue, AValue); }
  int32_t Increment() const { return FIncrement; }
  void SetIncrement(int32_t AValue);
  TbsSliderOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TbsSliderOrientation AValue);
  TbsSliderOptions Options() const { return FOptions; }
  void SetOptions(TbsSliderOptions AValue);
  TbsNumThumbStates NumThumbStates() const { return FNumThumbStates; }
  void SetNumThumbStates(TbsNumThumbStates AValue);
  int32_t EdgeSize() const { return FEdgeSize; }
  void SetEdgeSize(int32_t AValue);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool AValue);
  bool UseSkinThumb() const { return FUseSkinThumb; }
  void SetUseSkinThumb(bool AValue);

  // The images; assigning copies the bitmap and marks it as the user's,
  // nullptr brings the built-in one back.
  TBitmap* Image(TbsSliderImage Which) const { return FImages[size_t(Which)].get(); }
  void SetImage(TbsSliderImage Which, TBitmap* AValue);
  bool IsUserImage(TbsSliderImage Which) const { return (FUserImages & (1u << uint8_t(Which))) != 0; }

  // Geometry of the current layout.
  const TRect& ThumbBounds() const { return FThumbBounds; }
  const TPoint& RulerOrigin() const { return FRulerOrigin; }
  TBitmap* RulerImage() const { return FRulerImage.get(); }
  const TRect& TickArea() const { return FTickArea; }
  bool Tracking() const { return FTracking; }
  bool ThumbDragging() const { return FThumbDragging; }

  // Offset of the thumb's leading edge for a value, and the value of an
  // offset; both map a degenerate range (no travel, equal bounds) to
  // MinValue at the start.
  int32_t ValueToOffset(int32_t AValue);
  int32_t OffsetToValue(int32_t Offset);

  // Where painting goes: the off-screen image while a paint runs (points
  // drawn by OnDrawPoints belong there), else the control's canvas.
  TCanvas* PaintCanvas() const { return FPaintCanvas != nullptr ? FPaintCanvas : Canvas(); }

  virtual bool CanModify() { return true; }
  virtual TRect GetSliderRect() { return TRect{0, 0, Width(), Height()}; }
  virtual int32_t GetSliderValue() { return FValue; }
  virtual void AdjustElements();
  virtual void RangeChanged() {}
  virtual void DefaultDrawPoints(int32_t PointsStep, int32_t PointsHeight, int32_t ExtremePointsHeight);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanged;
  TbsDrawPointsEvent OnDrawPoints;

 protected:
  virtual void ThumbMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void ThumbMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void ThumbMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void Change() {
    if (OnChange) OnChange(this);
  }
  void Changed() override {
    if (OnChanged) OnChanged(this);
  }

  void CreateControlDefaultImage(TBitmap* B) override { PaintSlider(B->Canvas()); }
  void CreateControlSkinImage(TBitmap* B) override { PaintSlider(B->Canvas()); }
  void ParentBackgroundChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

 private:
  bool Horizontal() const { return FOrientation == TbsSliderOrientation::soHorizontal; }
  bool SkinThumb() const { return FSkinDescription && FUseSkinThumb; }
  void SetRange(int32_t AMin, int32_t AMax);
  void LoadBuiltInImage(TbsSliderImage Which);
  void ImageChanged();
  void BuildRuler(const TRect& R);
  void BuildPlainRuler(TBitmap* Source, int32_t Length);
  TSize ThumbStateSize();
  int32_t Range();
  int32_t SnapOffset(int32_t Offset);
  void MoveThumbTo(int32_t Offset);
  void InvalidateThumb();
  TRect RulerHitRect();
  int32_t JumpDirection(const TPoint& P);
  void Jump(int32_t Direction);
  void TrackStep();
  void StopTracking();

  void PaintSlider(TCanvas* C);
  void PaintBackground(TCanvas* C);
  void PaintThumb(TCanvas* C, const TPoint& At);

  void CMFocusChanged(TMessage& Message);

  bool FUseSkinThumb = true;
  bool FTransparent = false;
  uint8_t FUserImages = 0;
  std::unique_ptr<TBitmap> FImages[4];
  int32_t FEdgeSize = 2;
  std::unique_ptr<TBitmap> FRulerImage;
  TPoint FRulerOrigin;
  TRect FThumbBounds;
  bool FThumbPressed = false;
  TbsNumThumbStates FNumThumbStates = 2;
  TRect FTickArea;
  TbsSliderOrientation FOrientation = TbsSliderOrientation::soHorizontal;
  TbsSliderOptions FOptions;
  int32_t FMinValue = 0, FMaxValue = 100, FIncrement = 10, FValue = 0;
  int32_t FHitPart = 0;
  bool FHasFocus = false, FThumbDragging = false, FTracking = false, FRepeatTimerOn = false;
  TPoint FLastPointer;
  int32_t FJumpPending = 0;
  bool FSkinDescription = false;
  TRect FSkinHRulerRect, FSkinHThumbRect, FSkinVRulerRect, FSkinVThumbRect;
  int32_t FSkinEdgeSize = 0;
  TColor FSkinBGColor = 0, FSkinPointsColor = 0;
  TBitmap* FSourcePicture = nullptr;
  TCanvas* FPaintCanvas = nullptr;
};

// The slider with its properties published.
class TbsSkinSlider : public TbsSkinCustomSlider {
 public:
  using TbsSkinCustomSlider::TbsSkinCustomSlider;
  const char* ClassName() const override { return "TbsSkinSlider"; }
};
