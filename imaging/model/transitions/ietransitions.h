// TIETransitionEffects: animates the change from one picture to another on
// an image view. On every tick of its timer it draws the next frame of the
// chosen type into a frame bitmap and copies that onto the view's canvas,
// until the duration has passed. Types 1..30 and the pan-zoom are drawn here;
// types 31..163 by the procedures of the effect table (ieeffects.h).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/components.h"
#include "platform/rtl/graphtypes.h"

class TIEBitmap;
class TIEView;
class TTimer;

enum class TIETransitionType : uint8_t {
  iettNone = 0,
  iettCrossDissolve = 1,
  iettFadeOut = 2,
  iettFadeIn = 3,
  iettFadeOutIn = 4,
  iettLeftRight1 = 5,
  iettLeftRight2 = 6,
  iettRightLeft1 = 7,
  iettRightLeft2 = 8,
  iettUpDown1 = 9,
  iettUpDown2 = 10,
  iettDownUp1 = 11,
  iettDownUp2 = 12,
  iettFromUpLeft = 13,
  iettFromUpRight = 14,
  iettFromBottomLeft = 15,
  iettFromBottomRight = 16,
  iettMoveLeftRight1 = 17,
  iettMoveLeftRight2 = 18,
  iettMoveRightLeft1 = 19,
  iettMoveRightLeft2 = 20,
  iettMoveUpDown1 = 21,
  iettMoveUpDown2 = 22,
  iettMoveDownUp1 = 23,
  iettMoveDownUp2 = 24,
  iettRandomPoints = 25,
  iettRandomBoxes = 26,
  iettCenter1 = 27,
  iettCenter2 = 28,
  iettCenterZoom1 = 29,
  iettCenterZoom2 = 30,
  iettExpandFromLeft = 31,
  iettExpandFromRight = 32,
  iettExpandFromTop = 33,
  iettExpandFromBottom = 34,
  iettExpandFromTopLeft = 35,
  iettExpandFromTopRight = 36,
  iettExpandFromBottomLeft = 37,
  iettExpandFromBottomRight = 38,
  iettExpandInFromLeft = 39,
  iettExpandInFromRight = 40,
  iettExpandInFromTop = 41,
  iettExpandInFromBottom = 42,
  iettExpandInToVerticalCenter = 43,
  iettExpandInToHorizon = 44,
  iettExpandInFromSides = 45,
  iettExpandInFromTopAndBottom = 46,
  iettExpandOutFromHorizon = 47,
  iettExpandOutFromVerticalCenter = 48,
  iettWipeFromTopLeft = 49,
  iettWipeFromTopRight = 50,
  iettWipeFromBottomLeft = 51,
  iettWipeFromBottomRight = 52,
  iettWipeFromHorizon = 53,
  iettWipeInFromSides = 54,
  iettWipeOutFromVerticalCenter = 55,
  iettBuildUpFromLeft = 56,
  iettBuildUpFromRight = 57,
  iettBuildUpFromTop = 58,
  iettBuildUpFromBottom = 59,
  iettUnrollFromLeft = 60,
  iettUnrollFromRight = 61,
  iettUnrollFromTop = 62,
  iettUnrollFromBottom = 63,
  iettSlideInFromLeft = 64,
  iettSlideInFromRight = 65,
  iettSlideInFromTop = 66,
  iettSlideInFromBottom = 67,
  iettSlideInFromTopAndBottom = 68,
  iettShrinkToTopLeft = 69,
  iettShrinkToTopRight = 70,
  iettShrinkToBottomLeft = 71,
  iettShrinkToBottomRight = 72,
  iettShrinkToCenter = 73,
  iettQuartersWipeInToCenter = 74,
  iettQuartersExpandToCenter = 75,
  iettQuartersSlideInToCenter = 76,
  iettCurvedWipeFromLeft = 77,
  iettCurvedWipeFromRight = 78,
  iettCurvedWipeFromTop = 79,
  iettCurvedWipeFromBottom = 80,
  iettBarsInFromLeft = 81,
  iettBarsInFromRight = 82,
  iettBarsFromTop = 83,
  iettBarsFromBottom = 84,
  iettBarsLeftThenRight = 85,
  iettBarsRightThenLeft = 86,
  iettBarsTopThenBottom = 87,
  iettBarsBottomThenTop = 88,
  iettBarsFrombothSides = 89,
  iettBarsFromTopAndBottom = 90,
  iettShreddedFromLeft = 91,
  iettShreddedFromRight = 92,
  iettShreddedFromTop = 93,
  iettShreddedFromBottom = 94,
  iettShreddedFromTopAndLeft = 95,
  iettShreddedFromTopAndRight = 96,
  iettShreddedFromBottomAndLeft = 97,
  iettShreddedFromBottomAndRight = 98,
  iettShreddedFromHorizonAndLeft = 99,
  iettShreddedFromHorizonAndRight = 100,
  iettShreddedFromTopAndVerticalCenter = 101,
  iettShreddedFromBottomAndVerticalCenter = 102,
  iettShreddedToCenter = 103,
  iettShreddedFromCenter = 104,
  iettShreddedInToHorizon = 105,
  iettShreddedInToVerticalCenter = 106,
  iettShreddedOutFromHorizon = 107,
  iettShreddedOutFromVerticalCenter = 108,
  iettRectangularShred = 109,
  iettTriangularShredToTopLeft = 110,
  iettCurvedWipeFromTopLeft = 111,
  iettCurvedWipeFromTopRight = 112,
  iettCurvedWipeFromBottomLeft = 113,
  iettCurvedWipeFromBottomRight = 114,
  iettCircularWipeFromCenter = 115,
  iettCircularWipeToCenter = 116,
  iettCrisscrossWipeFromTopLeft = 117,
  iettCrisscrossWipeFromTopRight = 118,
  iettCrisscrossWipeFromBottomLeft = 119,
  iettCrisscrossWipeFromBottomRight = 120,
  iettCrisscrossWipeBounceFromTopLeft = 121,
  iettCrisscrossWipeBounceFromTopRight = 122,
  iettCrisscrossWipeBounceFromBottomLeft = 123,
  iettCrisscrossWipeBounceFromBottomRight = 124,
  iettCrisscrossWipeFromLeftRightAndTop = 125,
  iettCrisscrossWipeFromLeftRightAndBottom = 126,
  iettCrisscrossWipeFromLeftTopAndBottom = 127,
  iettCrisscrossWipeFromTopLeftRightAndBottom = 128,
  iettCrisscrossWipeFromRightTopAndBottom = 129,
  iettCrisscrossWipeFromBottomLeftTopRight = 130,
  iettWipeDiagonalFromTopLeft = 131,
  iettWipeDiagonalFromTopRight = 132,
  iettWipeDiagonalFromBottomLeft = 133,
  iettWipeDiagonalFromBottomRight = 134,
  iettDiagonalSweepClockwise = 135,
  iettDiagonalSweepCounterClockwise = 136,
  iettSweepClockwise = 137,
  iettSweepCounterClockwise = 138,
  iettStarburstClockwiseFromCenter = 139,
  iettRotationalRectangle = 140,
  iettRotationalStar = 141,
  iettSpeckledWipeFromLeft = 142,
  iettSpeckledWipeFromRight = 143,
  iettSpeckledWipeFromTop = 144,
  iettSpeckledWipeFromBottom = 145,
  iettPushLeftAndSlideOut = 146,
  iettPushRightAndSlideOut = 147,
  iettPushUpAndSlideOut = 148,
  iettPushDownAndSlideOut = 149,
  iettPushAndSqueezeLeft = 150,
  iettPushAndSqueezeRight = 151,
  iettPushAndSqueezeUp = 152,
  iettPushAndSqueezeDown = 153,
  iettHorizontalBlinds = 154,
  iettVerticalBlinds = 155,
  iettUnevenBlindsFromLeft = 156,
  iettUnevenBlindsFromRight = 157,
  iettUnevenBlindsFromTop = 158,
  iettUnevenBlindsFromBottom = 159,
  iettRectanglesFromTheLeft = 160,
  iettRectanglesFromTheRight = 161,
  iettRectanglesFromTheTop = 162,
  iettRectanglesFromTheBottom = 163,
  iettPanZoom = 164,
};

class TIETransitionEffects {
 public:
  // Idle: three 1 x 1 pf24bit bitmaps; a disabled 1 ms timer owned by the
  // view's component, firing Tick.
  explicit TIETransitionEffects(TIEView* AView);
  ~TIETransitionEffects();
  TIETransitionEffects(const TIETransitionEffects&) = delete;
  TIETransitionEffects& operator=(const TIETransitionEffects&) = delete;

  // Starts Transition (1..163) from FromPicture to ToPicture over Duration
  // milliseconds. The area is FromPicture's size; both pictures are copied as
  // pf24bit bitmaps of that size (ToPicture cropped or padded with black).
  // A running transition is stopped first. False, with nothing started, for
  // another type, a missing or empty picture, or a negative Duration.
  bool Start(TIETransitionType ATransition, TBitmap* FromPicture, TBitmap* ToPicture, int32_t ADuration,
             bool AUpdateOnEnd);
  // Starts the pan-zoom over Source: the rectangle moves from StartRect to
  // EndRect, scaled to an area of AWidth x AHeight. The from- and to-pictures
  // are the first and last frames. False for a missing or empty source, an
  // empty area or a negative Duration.
  bool StartPanZoom(TIEBitmap* Source, const TRect& StartRect, const TRect& EndRect, int32_t AWidth, int32_t AHeight,
                    int32_t ADuration, bool AUpdateOnEnd);
  // Ends a running transition: timer off, bitmaps 1 x 1, one level of the
  // view's paint lock released; the view repaints only with UpdateOnEnd.
  // Nothing when not running or when Transition is iettNone.
  void Stop();
  // The timer event: draws the frame of the current Progress, shows it, then
  // takes the progress from the elapsed time (stopping at Duration).
  void Tick();

  // The transition's state; the views read Running.
  std::unique_ptr<TBitmap> FromBitmap, ToBitmap, FrameBitmap;
  TIEBitmap* PanZoomSource = nullptr;                 // not owned
  std::vector<uint8_t*> FromRows, ToRows, FrameRows;  // top row first
  int32_t Width = 0, Height = 0;
  bool Running = false;
  TIEView* View;
  TComponentRef<TTimer> Timer;
  int32_t Progress = 0;  // 0..1024
  int32_t RandomDone = 0;
  TIETransitionType Transition = TIETransitionType::iettNone;
  int32_t Duration = 1000;
  uint32_t StartTick = 0;
  bool UpdateOnEnd = false;
  TRect PanZoomStart, PanZoomEnd;
  int32_t TickCount = 0;

 private:
  void Begin(TIETransitionType ATransition, int32_t ADuration, bool AUpdateOnEnd);
  void Idle();
  void DrawFrame(int32_t p);
  void DrawPanZoom(TBitmap* Dest, int32_t p);
};
