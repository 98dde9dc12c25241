// Test support for the transition tests: patterned pictures that tell the
// from- and to-picture apart by their blue channel, pixel comparison, and a
// view on a real headless window.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_testing.h"

// Blue is below 128 in the from-picture and at least 128 in the to-picture,
// so a blend of to-pixels is still told from any from-pixel.
enum class TSide : uint8_t { From, To };

inline std::unique_ptr<TBitmap> MakePicture(TSide Which, int32_t W, int32_t H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(W, H);
  for (int32_t y = 0; y < H; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int32_t x = 0; x < W; ++x) {
      uint8_t* p = row + 3 * x;
      if (Which == TSide::From) {
        p[0] = uint8_t((x * y) % 100);
        p[1] = uint8_t(5 * y);
        p[2] = uint8_t(4 * x);
      } else {
        p[0] = uint8_t(128 + (x + 3 * y) % 100);
        p[1] = uint8_t((x + 2 * y) % 256);
        p[2] = uint8_t(255 - 4 * x);
      }
    }
  }
  return b;
}

// The pixel of a pf24bit or pf32bit bitmap.
inline TRGB PixelOf(TBitmap& B, int32_t X, int32_t Y) {
  const int32_t bpp = B.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
  const uint8_t* p = B.ScanLine(Y) + size_t(X) * bpp;
  return TRGB{p[0], p[1], p[2]};
}

// How many pixels of the common area differ.
inline int32_t DifferentPixels(TBitmap& A, TBitmap& B) {
  int32_t n = 0;
  for (int32_t y = 0; y < std::min(A.Height(), B.Height()); ++y)
    for (int32_t x = 0; x < std::min(A.Width(), B.Width()); ++x) n += !(PixelOf(A, x, y) == PixelOf(B, x, y));
  return n;
}

// A view whose canvas is a child window of a shown form, so what the engine
// draws is on the headless screen. It counts its paint lock.
class TTransitionTestView : public TIEFakeView {
 public:
  TTransitionTestView(int32_t W, int32_t H) {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(10, 10, W + 40, H + 60);
    Surface = new TCustomControl(Form.get());
    Surface->SetParent(Form.get());
    Surface->SetBounds(0, 0, W, H);
    Form->Show();
  }
  ~TTransitionTestView() override { Surface = nullptr; }

  TCanvas* GetCanvas() override { return Surface->Canvas(); }
  HWND Handle() override { return Surface->Handle(); }
  void LockPaint() override { ++Locks; }
  int32_t UnlockPaintNoUpdate() override {
    if (Locks > 0) --Locks;
    return Locks;
  }
  // What the window shows.
  std::unique_ptr<TBitmap> Shown() { return WindowPixels(Surface->Handle(), false); }

  std::unique_ptr<TForm> Form;
  TCustomControl* Surface = nullptr;
  int32_t Locks = 0;
};
