// Test support for the image view tests (included by *_test.cpp only): a
// borderless form with a view on it, images of a given size and pattern.
#pragma once

#include <gtest/gtest.h>

#include "imaging/views/view/imgview.h"
#include "platform/vcl/stdctrls_testing.h"

class TImgViewTest : public TStdTest {
 public:
  // A view of ClientW x ClientH client pixels (no border, no scroll bars
  // unless asked) on the form.
  TImgView* MakeView(int32_t ClientW, int32_t ClientH, TScrollStyle Bars = TScrollStyle::ssNone) {
    auto* view = new TImgView(Form.get());
    view->SetBorderStyle(TBorderStyle::bsNone);
    view->SetScrollBars(Bars);
    view->SetBounds(0, 0, ClientW, ClientH);
    view->SetParent(Form.get());
    return view;
  }
  // A W x H ie24RGB image whose pixel (x, y) has red x mod 256 and green
  // y mod 256.
  static void SetImage(TImgView* View, int32_t W, int32_t H) {
    TIEBitmap* b = View->GetIEBitmap();
    b->Allocate(W, H, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = TRGB{0, uint8_t(y), uint8_t(x)};
    View->Update();
  }
};
