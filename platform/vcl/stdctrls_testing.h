// Test support for the standard-control tests (included by *_test.cpp only):
// a borderless form on the headless screen, pixel probes of windows and
// bitmaps, and a log of the WM_COMMAND notifications a form receives.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"

// A form that records the WM_COMMAND notifications of its children as
// "code id" pairs (the reflection to the child still happens).
class TNotifyForm : public TForm {
 public:
  explicit TNotifyForm(TComponent* AOwner) : TForm(AOwner) {}
  const char* ClassName() const override { return "TNotifyForm"; }
  struct TNote {
    uint32_t Code;
    HWND Window;
    friend bool operator==(const TNote&, const TNote&) = default;
  };
  std::vector<TNote> Notes;
  // Owner-draw requests: "item action state".
  std::vector<String> Draws;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_COMMAND)
      Notes.push_back(TNote{HIWORD(Message.WParam), reinterpret_cast<HWND>(Message.LParam)});
    if (Message.Msg == WM_DRAWITEM) {
      const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
      Draws.push_back(std::to_string(d->itemID) + " " + std::to_string(d->itemAction) + " " +
                      std::to_string(d->itemState));
    }
    TForm::Dispatch(Message);
  }
  std::vector<uint32_t> Codes(HWND From) const {
    std::vector<uint32_t> r;
    for (const TNote& n : Notes)
      if (n.Window == From) r.push_back(n.Code);
    return r;
  }
};

class TStdTest : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TNotifyForm>(nullptr);
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(50, 50, 320, 240);
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }
  void ShowForm() {
    Form->Show();
    Pump();
  }
  // The colour of a client pixel of a window as it shows.
  static TColor PixelOf(HWND Wnd, int32_t X, int32_t Y) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(Wnd, false);
    return bmp ? bmp->Canvas()->Pixels(X, Y) : TColor(-1);
  }
  static TColor Rgb(TColor C) { return TColor(ColorToRGB(C)); }
  // Counts the pixels of colour C in a client rectangle of a window.
  static int32_t CountColor(HWND Wnd, const TRect& R, TColor C) {
    std::unique_ptr<TBitmap> bmp = WindowPixels(Wnd, false);
    int32_t n = 0;
    if (!bmp) return -1;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x)
        if (bmp->Canvas()->Pixels(x, y) == Rgb(C)) ++n;
    return n;
  }

  std::unique_ptr<TNotifyForm> Form;
};
