// The skinned scroll bar: two arrows, a track and a thumb drawn from the
// skin's "hscrollbar", "vscrollbar" or "bothhscrollbar" description, or in a
// plain look without one. Lists, memos and views create such bars and keep
// them in step with their own scroll state through SetRange.
//
// Part 1 is the arrow that increases Position (right or bottom), placed at
// the description's "upbuttonrect"; part 2 decreases it (left or top) and
// sits at "downbuttonrect". Part 0 is the thumb.
#pragma once

#include <cstdint>

#include "skin/controls/base/skinctrls.h"

class TbsSkinScrollBar : public TbsSkinCustomControl {
 public:
  explicit TbsSkinScrollBar(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinScrollBar"; }

  void GetSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

  // Range, page and position at once, clamped, without OnChange.
  void SetRange(int32_t AMin, int32_t AMax, int32_t APosition, int32_t APageSize);

  int32_t Min() const { return FMin; }
  void SetMin(int32_t Value);
  int32_t Max() const { return FMax; }
  void SetMax(int32_t Value);
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t Value);
  int32_t PageSize() const { return FPageSize; }
  void SetPageSize(int32_t Value);
  int32_t SmallChange() const { return FSmallChange; }
  void SetSmallChange(int32_t Value);
  int32_t LargeChange() const { return FLargeChange; }
  void SetLargeChange(int32_t Value);
  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  bool Both() const { return FBoth; }
  void SetBoth(bool Value);
  int32_t BothMarkerWidth() const { return FBothMarkerWidth; }
  void SetBothMarkerWidth(int32_t Value);
  const String& BothSkinDataName() const { return FBothSkinDataName; }
  void SetBothSkinDataName(const String& Value) { FBothSkinDataName = Value; }
  bool CanFocused() const { return FCanFocused; }
  void SetCanFocused(bool Value);

  // Geometry of the current layout, in client coordinates: 0 thumb, 1 the
  // increasing arrow, 2 the decreasing one.
  TRect PartRect(int32_t Index) const { return FParts[Index].R; }
  const TRect& TrackRect() const { return FTrackRect; }
  int32_t HotPart() const { return FHotPart; }
  int32_t DownPart() const { return FDownPart; }
  void Layout() { CalcRects(); }

  TNotifyEvent OnChange;
  TNotifyEvent OnUpButtonClick;
  TNotifyEvent OnDownButtonClick;
  TNotifyEvent OnLastChange;
  TNotifyEvent OnPageUp;
  TNotifyEvent OnPageDown;

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

 private:
  struct TPart {
    TRect R;
    bool MouseIn = false;
    bool Down = false;
  };

  bool Horizontal() const { return FKind == TScrollBarKind::sbHorizontal; }
  int32_t UpperLimit() const { return FPageSize > 0 ? FMax - FPageSize + 1 : FMax; }
  int32_t Clamped(int32_t Value) const;
  void CalcRects();
  void CalcPlainRects();
  void CalcSkinRects();
  // Thumb along the track, from its length without a page size.
  void PlaceThumb(int32_t FixedLength, const TRect& Across);
  int32_t PartAt(int32_t X, int32_t Y) const;
  void UpdateHotPart(int32_t X, int32_t Y);
  void StartRepeat(int32_t Mode);
  void StopRepeat();
  void StepUp();
  void StepDown();
  void PageUp();
  void PageDown();
  void DragTo(int32_t X, int32_t Y);
  bool PointBeforeThumb(int32_t X, int32_t Y) const;
  bool PointAfterThumb(int32_t X, int32_t Y) const;

  void DrawPlainPart(TCanvas* C, int32_t Index);
  void DrawSkinArrow(TCanvas* C, int32_t Index);
  void DrawSkinThumb(TCanvas* C);
  bool ThumbPressed();

  void WMTimer(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void EraseBackground(TMessage& Message);
  void BarMouseLeave(TMessage& Message);
  void FocusChanged(TMessage& Message);

  String FSavedSkinDataName;
  String FBothSkinDataName = "bothhscrollbar";
  int32_t FThumbMinCentre = 0, FThumbMaxCentre = 0, FThumbOffset = 0;
  TRect FTrackRect;
  bool FDragActive = false;
  int32_t FDragStartCoord = 0, FDragStartOffset = 0;
  int32_t FLastMouseX = 0, FLastMouseY = 0;
  bool FMouseDown = false;
  bool FFirstTick = false;
  int32_t FBothMarkerWidth = 19;
  bool FFocusing = false;
  bool FCanFocused = false;
  int32_t FRepeatMode = 0;
  int32_t FHotPart = -1, FOldHotPart = -1, FDownPart = -1;
  TPart FParts[3];
  int32_t FMin = 0, FMax = 100, FSmallChange = 1, FLargeChange = 1, FPosition = 0;
  TScrollBarKind FKind = TScrollBarKind::sbHorizontal;
  int32_t FPageSize = 0;
  bool FBoth = false;

  TRect FSkinTrackArea, FSkinUpButtonRect, FActiveUpButtonRect, FDownUpButtonRect;
  TRect FSkinDownButtonRect, FActiveDownButtonRect, FDownDownButtonRect;
  TRect FThumbRect, FActiveThumbRect, FDownThumbRect;
  int32_t FThumbOffset1 = 0, FThumbOffset2 = 0;
  bool FThumbTransparent = false;
  TColor FThumbTransparentColor = 0;
  TRect FGlyphRect, FActiveGlyphRect, FDownGlyphRect;
};
