// What the skinned scroll bar, up-down and spin edit share: the plain look of
// an arrow button, and the press-and-repeat logic of a pair of buttons.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gui/canvas.h"
#include "platform/rtl/graphtypes.h"
#include "skin/engine/data/skindata.h"

// Fill colours of a plain button part under the mouse and pressed (the frame
// of both is navy).
inline constexpr TColor clPlainHotFill = TColor(0xD2BDB6);
inline constexpr TColor clPlainDownFill = TColor(0xB59385);

// A one-pixel frame and its filled inside: navy with the pressed or hot
// fill, else clBtnShadow around clBtnFace.
void DrawPlainPartFrame(TCanvas* C, const TRect& R, bool Pressed, bool Hot);
// The same with a black arrow centred in R (DrawArrow's directions).
void DrawPlainArrowButton(TCanvas* C, const TRect& R, bool Pressed, bool Hot, int32_t Direction);

// A freely sized button of an edit from the skin's "editbutton" description,
// or "resizebutton" when that is missing, at R: the nine-part state image,
// then an arrow of the state's font colour (Direction 0: none).
void DrawSkinEditButton(TCanvas* C, TbsSkinData* SkinData, const TRect& R, bool Pressed, bool Hot, int32_t Direction);

// Two buttons that step a value: button 0 increases it, button 1 decreases
// it. The hit test includes all four edges, so a shared edge belongs to
// button 0; a captured button never lets the other become active; a click
// counts only when released over the pressed button. While a button is held
// the host's timer repeats the step: 500 ms wait, then every 100 ms; leaving
// the button pauses it, coming back resumes at 50 ms. With Stepping false
// (an increment of 0) no timer runs and only the click fires.
class TbsArrowButtonPair {
 public:
  struct TButton {
    TRect R;
    bool MouseIn = false;
    bool Down = false;
  };

  // Host services: repaint, start (or restart) its timer at a period, kill
  // it, step by direction (1 decrease, 2 increase), report a click.
  std::function<void()> Repaint;
  std::function<void(uint32_t Ms)> StartTimer;
  std::function<void()> StopTimer;
  std::function<void(int32_t Direction)> Step;
  std::function<void(int32_t Button)> Click;
  std::function<bool()> Stepping;

  // Right and bottom edges outside the buttons (and a shared edge the lower
  // button's) instead of all four edges inside.
  bool HalfOpenHitTest = false;

  void HitTest(int32_t X, int32_t Y);
  void Press(int32_t X, int32_t Y);
  void Release();
  void Tick();
  // Mouse enter and leave of the host: the active buttons are forgotten;
  // leaving also clears every highlight.
  void Enter();
  void Leave();

  TButton Buttons[2];
  int32_t OldActiveButton = -1;
  int32_t ActiveButton = -1;
  int32_t CapturedButton = -1;
  int32_t StepDirection = 0;
  bool WaitMode = false;

 private:
  bool CanStep() const { return !Stepping || Stepping(); }
};
