#include <gtest/gtest.h>

#include "platform/gui/win_caret.h"
#include "platform/gui/win_layer_testing.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

struct TCaretScene {
  TCaretScene() {
    W = S.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 100, 100, 100));
    S.PaintSolid(W, kWhite);
    S.Pump();
  }
  COLORREF At(int32_t x, int32_t y) { return ClientPixel(W, x, y); }
  TTestScene S;
  HWND W;
};

TEST(WinCaret, BlinksOnTheVirtualClock) {
  TCaretScene c;
  ASSERT_TRUE(CreateCaret(c.W, nullptr, 2, 10));
  ASSERT_TRUE(SetCaretPos(10, 20));
  EXPECT_FALSE(CaretDrawn());  // a new caret is hidden
  EXPECT_EQ(GetCaretBlinkTime(), 530u);
  ASSERT_TRUE(ShowCaret(c.W));
  const struct {
    uint64_t Advance;
    bool On;
  } steps[] = {{0, true}, {529, true}, {1, false}, {529, false}, {1, true}, {530, false}, {530, true}};
  for (const auto& st : steps) {
    c.S.Backend().AdvanceClock(st.Advance);
    EXPECT_EQ(CaretDrawn(), st.On);
    const COLORREF inside = st.On ? kBlack : kWhite;
    EXPECT_EQ(c.At(10, 20), inside);
    EXPECT_EQ(c.At(11, 29), inside);
    EXPECT_EQ(c.At(12, 20), kWhite);  // just right of it
    EXPECT_EQ(c.At(10, 30), kWhite);  // just below
  }
  // A quicker blink takes effect at once, starting with a full "on" period.
  c.S.Backend().AdvanceClock(10);
  ASSERT_TRUE(SetCaretBlinkTime(100));
  EXPECT_TRUE(CaretDrawn());
  c.S.Backend().AdvanceClock(99);
  EXPECT_TRUE(CaretDrawn());
  c.S.Backend().AdvanceClock(1);
  EXPECT_FALSE(CaretDrawn());
}

TEST(WinCaret, HidingIsCountedAndMovingRestartsTheBlink) {
  TCaretScene c;
  CreateCaret(c.W, nullptr, 1, 5);
  ShowCaret(nullptr);
  EXPECT_TRUE(CaretDrawn());
  EXPECT_TRUE(HideCaret(c.W));
  EXPECT_TRUE(HideCaret(nullptr));
  EXPECT_FALSE(CaretDrawn());
  ShowCaret(c.W);
  EXPECT_FALSE(CaretDrawn());
  ShowCaret(c.W);
  EXPECT_TRUE(CaretDrawn());
  // Another window's calls fail.
  HWND other = c.S.Make(WS_POPUP, 0, Bounds(0, 0, 10, 10));
  EXPECT_FALSE(HideCaret(other));
  // Moving shows it at the new place for a full period.
  c.S.Backend().AdvanceClock(400);
  SetCaretPos(50, 50);
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(50, 50), kBlack);
  TPoint p;
  GetCaretPos(&p);
  EXPECT_EQ(p, (TPoint{50, 50}));
  c.S.Backend().AdvanceClock(529);
  EXPECT_TRUE(CaretDrawn());
  c.S.Backend().AdvanceClock(1);
  EXPECT_FALSE(CaretDrawn());
  // Destroying restores the pixels.
  c.S.Backend().AdvanceClock(530);
  EXPECT_TRUE(CaretDrawn());
  EXPECT_TRUE(DestroyCaret());
  EXPECT_EQ(c.At(50, 50), kWhite);
  EXPECT_FALSE(DestroyCaret());
  EXPECT_FALSE(SetCaretPos(1, 1));
}

TEST(WinCaret, PaintingHidesAndRestoresIt) {
  TCaretScene c;
  CreateCaret(c.W, nullptr, 3, 3);
  SetCaretPos(20, 20);
  ShowCaret(c.W);
  bool hiddenWhilePainting = false;
  c.S.On(c.W, [&](HWND, uint32_t msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_ERASEBKGND) hiddenWhilePainting = !CaretDrawn();
    return false;
  });
  InvalidateRect(c.W, nullptr, true);
  c.S.Pump();
  EXPECT_TRUE(hiddenWhilePainting);
  EXPECT_TRUE(CaretDrawn());
  EXPECT_EQ(c.At(21, 21), kBlack);  // drawn once over the fresh paint
  // A grey caret inverts every other pixel.
  CreateCaret(c.W, reinterpret_cast<HBITMAP>(uintptr_t(1)), 4, 4);
  SetCaretPos(60, 60);
  ShowCaret(c.W);
  EXPECT_NE(c.At(60, 60), c.At(61, 60));
  EXPECT_EQ(c.At(60, 60), c.At(61, 61));
  // The caret goes with its window.
  DestroyWindow(c.W);
  EXPECT_FALSE(CaretDrawn());
  EXPECT_FALSE(ShowCaret(nullptr));
}

}  // namespace
