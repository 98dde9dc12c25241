// Test support of the interaction tests of the shell list and tree: the
// reports of OnOperation, scripted menus, and drags with the mouse.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/gui/win_menus.h"
#include "platform/shellapi/shellapi.h"
#include "shell/shelltree_testing.h"

namespace shelltest {

struct TReportedOperation {
  TObject* Sender = nullptr;
  int32_t Code = 0;
  std::vector<String> Files;
  String Destination;
};

template <typename Base>
class TUiTest : public Base {
 protected:
  using Base::H;
  using Base::Pump;

  // No test starts a real opener: what would be opened is kept, and is
  // expected to be taken by the test.
  TUiTest() {
    SetShellLauncher([this](const String& Target, const String&) {
      Launched.push_back(Target);
      return true;
    });
  }
  ~TUiTest() override {
    SetShellLauncher(nullptr);
    EXPECT_TRUE(Launched.empty()) << Launched.front();
  }

  template <typename Control>
  void Record(Control* C) {
    C->OnOperation = [this](TObject* Sender, int32_t Code, TStrings* Files, const String& Destination) {
      TReportedOperation op{Sender, Code, {}, Destination};
      for (int32_t i = 0; i < Files->Count(); ++i) op.Files.push_back(Files->Strings(i));
      Ops.push_back(op);
    };
  }

  // An idle step that clicks the item of the open menu with the caption
  // (without its "&").
  std::function<void()> ClickMenuItem(const String& Caption) {
    return [this, Caption] {
      HMENU menu = GetTrackedMenu();
      for (int32_t i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuString(menu, uint32_t(i), text, sizeof text, MF_BYPOSITION);
        String t;
        for (const char* p = text; *p != 0 && *p != '\t'; ++p)
          if (*p != '&') t += *p;
        TRect r;
        if (t != Caption || !GetMenuItemRect(nullptr, menu, uint32_t(i), &r)) continue;
        H().MouseMove((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        H().Click((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        return;
      }
      ADD_FAILURE() << "no item " << Caption << " in the open menu";
      H().Click(5, 5);
    };
  }

  // Presses at From in Source, moves far enough to start a drag, and lets the
  // drag loop move to To in Target (after Hover ms there) and release there;
  // Then run after the release (a drop menu), During just before it.
  void Drag(TControl* Source, TPoint From, TControl* Target, TPoint To, TRawButton Button,
            std::vector<std::function<void()>> Then = {}, uint64_t Hover = 0, std::function<void()> During = {}) {
    const TPoint from = Base::At(Source, From.X, From.Y);
    const TPoint to = Base::At(Target, To.X, To.Y);
    Base::Clock().Advance(1000);
    H().MouseMove(from.X, from.Y);
    H().MouseDown(from.X, from.Y, Button);
    Pump();
    H().QueueIdleAction([this, to] { H().MouseMove(to.X, to.Y); });
    H().QueueIdleAction([this, to] { H().MouseMove(to.X + 1, to.Y); });
    H().QueueIdleAction([this, to, Hover] {
      Base::Clock().Advance(Hover);
      H().MouseMove(to.X + 2, to.Y);
    });
    if (During) H().QueueIdleAction(During);
    H().QueueIdleAction([this, to, Button] { H().MouseUp(to.X + 2, to.Y, Button); });
    for (auto& step : Then) H().QueueIdleAction(step);
    H().MouseMove(from.X + 12, from.Y + 12);
    Pump();
    EXPECT_EQ(H().PendingIdleActions(), 0u) << "the drag ended before its script";
  }

  std::vector<TReportedOperation> Ops;
  std::vector<String> Launched;
};

using ShellUiTest = TUiTest<ShellListTest>;
using ShellTreeUiTest = TUiTest<ShellTreeTest>;

}  // namespace shelltest
