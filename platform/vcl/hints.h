// Hints: the hint window and the application's hint engine.
//
// The engine (TApplication's hint members, defined in hints.cpp) watches the
// mouse: resting on a control whose ShowHint is on shows the short part of
// its hint after HintPause (HintShortPause when a hint was showing a moment
// ago), hides it after HintHidePause, on any input other than a mouse move,
// or when the pointer leaves the control. CM_HINTSHOW and OnShowHint may
// change or refuse the hint through THintInfo. Application->Hint carries the
// long part of the hint under the mouse (OnHint when it changes). Delays run
// on the program's clock.
#pragma once

#include <cstdint>

#include "platform/vcl/controls.h"

// The part of a hint before "|" (all of it when there is no "|").
String GetShortHint(const String& Hint);
// The part after "|" (all of it when there is no "|").
String GetLongHint(const String& Hint);

// A top-most popup with a one-pixel border that never takes activation,
// showing text in clInfoText on Color (clInfoBk).
class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);
  ~THintWindow() override;
  const char* ClassName() const override { return "THintWindow"; }

  // Shows AHint in Rect (screen; its bottom grows by 4), moved onto the
  // desktop, top-most and without activation.
  virtual void ActivateHint(TRect Rect, const String& AHint);
  virtual void ActivateHintData(TRect Rect, const String& AHint, void* AData);
  // The window's rectangle for the text at (0, 0): lines wrapped at
  // MaxWidth, plus the border and margins.
  virtual TRect CalcHintRect(int32_t MaxWidth, const String& AHint, void* AData);
  // Hides the hint by destroying the window (made again on the next hint).
  void ReleaseHandle();
  // Whether the message (input other than a mouse move, a command, an
  // activation change) ends a shown hint.
  virtual bool IsHintMsg(const TMSG& Msg);
  // Whether the window is on the screen now.
  bool HintShowing();

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  bool Activating() const { return FActivating; }

 private:
  void CMTextChanged(TMessage& Message);
  bool FActivating = false;
};
