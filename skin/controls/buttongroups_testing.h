// Test support (included by *_test.cpp only): the group behaviour every
// skinned button kind shares, as one table of presses.
#pragma once

#include <vector>

struct TGroupPressStep {
  int Press;         // which of three grouped buttons is clicked
  const char* Down;  // '1' per button down afterwards
  int Clicked;       // the button whose OnClick fired, -1 none
};
struct TGroupPressCase {
  bool AllowAllUp;
  std::vector<TGroupPressStep> Steps;
};

// Three buttons of one group: AllowAllUp False releases the one that was
// down and pressing the down one again does nothing; True leaves the others
// down and clicking a down button releases it with a click.
inline const std::vector<TGroupPressCase>& GroupPressCases() {
  static const std::vector<TGroupPressCase> cases = {
      {false, {{0, "100", 0}, {1, "010", 1}, {1, "010", -1}, {2, "001", 2}}},
      {true, {{0, "100", 0}, {1, "110", 1}, {1, "100", 1}, {0, "000", 0}}},
  };
  return cases;
}
