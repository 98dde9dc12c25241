// Test support for menu tests (included by *_test.cpp only): the steps of a
// scripted menu, run as idle actions of the headless backend while a menu
// is tracked.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/gui/headless.h"
#include "platform/gui/win_menus.h"

class TMenuScript {
 public:
  explicit TMenuScript(THeadlessBackend& Backend) : FBackend(Backend) {}

  std::function<void()> Key(uint32_t vk) {
    return [this, vk] { FBackend.PressKey(vk); };
  }
  std::function<void()> Type(const char* text) {
    return [this, text] { FBackend.TypeText(text); };
  }
  // The centre of item pos of menu, as shown now.
  static TPoint Centre(HMENU menu, uint32_t pos) {
    TRect r;
    EXPECT_TRUE(GetMenuItemRect(nullptr, menu, pos, &r));
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  std::function<void()> ClickItem(HMENU menu, uint32_t pos, TRawButton button = TRawButton::Left) {
    return [this, menu, pos, button] {
      const TPoint p = Centre(menu, pos);
      FBackend.MouseMove(p.X, p.Y);
      FBackend.Click(p.X, p.Y, button);
    };
  }

 private:
  THeadlessBackend& FBackend;
};
