// Test support for the bar controls' tests (scroll bar, up-down, slider):
// the kit fixture with a press and a release that are never paired into a
// double click.
#pragma once

#include "skin/controls/testkit/skinkit_testing.h"

class TSkinBarTest : public TSkinKitTest {
 public:
  // Moves to the client point of C, then presses there.
  void Down(TControl* C, int32_t X, int32_t Y, TRawButton Button = TRawButton::Left) {
    Clock().Advance(GetDoubleClickTime() + 1);
    MoveTo(C, X, Y);
    const TPoint p = At(C, X, Y);
    H().MouseDown(p.X, p.Y, Button);
    Pump();
  }
  void Up(TControl* C, int32_t X, int32_t Y, TRawButton Button = TRawButton::Left) {
    const TPoint p = At(C, X, Y);
    H().MouseUp(p.X, p.Y, Button);
    Pump();
  }
};
