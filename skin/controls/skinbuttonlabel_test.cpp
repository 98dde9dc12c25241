#include "skin/controls/skinbuttonlabel.h"

#include <gtest/gtest.h>

#include "platform/vcl/imglist.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

constexpr TColor Ground = Rgb(235, 245, 235);
constexpr TColor Block = Rgb(200, 30, 30);

class SkinButtonLabel : public TSkinKitTest {
 public:
  TbsSkinButtonLabel* Add(const String& Caption, const TRect& R, bool Skinned) {
    auto* l = new TbsSkinButtonLabel(Form.get());
    l->SetParent(Form.get());
    l->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    l->SetCaption(Caption);
    TBitmap glyph;
    glyph.SetSize(12, 12);
    glyph.Canvas()->Brush()->SetColor(clWhite);
    glyph.Canvas()->FillRect(TRect{0, 0, 12, 12});
    glyph.Canvas()->Brush()->SetColor(Block);
    glyph.Canvas()->FillRect(TRect{2, 2, 10, 10});
    l->SetGlyph(&glyph);
    if (Skinned) l->SetSkinData(Skin.get());
    return l;
  }
  // The label's pixels on its parent.
  static std::unique_ptr<TBitmap> Shot(TControl* L) {
    std::unique_ptr<TBitmap> all = WindowPixels(L->Parent()->Handle(), false);
    auto b = std::make_unique<TBitmap>();
    b->SetSize(L->Width(), L->Height());
    b->Canvas()->CopyRect(TRect{0, 0, L->Width(), L->Height()}, all->Canvas(), L->BoundsRect());
    return b;
  }
  // Whether B shows A moved by (D, D), compared where both are inside.
  static bool ShiftedBy(TBitmap* A, TBitmap* B, int32_t D) {
    for (int32_t y = 0; y + D < A->Height(); ++y)
      for (int32_t x = 0; x + D < A->Width(); ++x)
        if (A->Canvas()->Pixels(x, y) != B->Canvas()->Pixels(x + D, y + D)) return false;
    return true;
  }
  static int32_t Count(TBitmap* B, TColor C) {
    int32_t n = 0;
    for (int32_t y = 0; y < B->Height(); ++y)
      for (int32_t x = 0; x < B->Width(); ++x)
        if (B->Canvas()->Pixels(x, y) == C) ++n;
    return n;
  }
  void Down(TControl* C) {
    const TPoint p = At(C, 3, 3);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Up(TControl* C) {
    const TPoint p = At(C, 3, 3);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
};

// Picture and caption move one pixel right and down while pressed, except in
// web style; releasing clears the press before the click fires.
TEST_F(SkinButtonLabel, PressShiftsExceptInWebStyle) {
  Form->SetColor(Ground);
  ShowForm();
  for (bool skinned : {false, true}) {
    for (bool web : {false, true}) {
      SCOPED_TRACE(testing::Message() << (skinned ? "skinned" : "plain") << (web ? " web" : ""));
      TbsSkinButtonLabel* l = Add("Open", TRect{10, 10, 110, 40}, skinned);
      l->SetWebStyle(web);
      int32_t clicks = 0;
      bool pressedInClick = true;
      l->OnClick = [&](TObject*) {
        ++clicks;
        pressedInClick = l->Pressed();
      };
      MoveTo(l, 3, 3);
      auto hover = Shot(l);
      Down(l);
      EXPECT_TRUE(l->Pressed());
      auto pressed = Shot(l);
      EXPECT_EQ(ShiftedBy(hover.get(), pressed.get(), web ? 0 : 1), true);
      EXPECT_EQ(ShiftedBy(hover.get(), pressed.get(), 0), web);
      Clock().Advance(GetDoubleClickTime() + 1);
      Up(l);
      EXPECT_EQ(clicks, 1) << "one click, from the platform";
      EXPECT_FALSE(pressedInClick);
      EXPECT_TRUE(ShiftedBy(hover.get(), Shot(l).get(), 0)) << "back in place";
      MoveTo(Form.get(), 300, 200);
      delete l;
    }
  }
}

// Web style underlines only while hovered; hover colours come from the skin
// (or DefaultActiveFontColor).
TEST_F(SkinButtonLabel, WebStyleUnderlinesOnlyWhileHovered) {
  Form->SetColor(Ground);
  ShowForm();
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned ? "skinned" : "plain");
    TbsSkinButtonLabel* l = Add("Mmm", TRect{10, 10, 110, 40}, skinned);
    const TColor rest = skinned ? LabelFont : Rgb(clBlack);
    const TColor active = skinned ? LabelActiveFont : Rgb(TColor(0xFF0000));
    std::unique_ptr<TBitmap> shots[2][2];  // [web][hovered]
    for (bool web : {false, true}) {
      l->SetWebStyle(web);
      MoveTo(Form.get(), 300, 200);
      l->Invalidate();
      Pump();
      shots[web][0] = Shot(l);
      MoveTo(l, 3, 3);
      shots[web][1] = Shot(l);
    }
    EXPECT_TRUE(ShiftedBy(shots[0][0].get(), shots[1][0].get(), 0)) << "no underline at rest";
    EXPECT_FALSE(ShiftedBy(shots[0][1].get(), shots[1][1].get(), 0)) << "underlined under the mouse";
    EXPECT_GT(Count(shots[1][1].get(), active), Count(shots[0][1].get(), active) + 5);
    EXPECT_GT(Count(shots[0][0].get(), rest), 3);
    EXPECT_EQ(Count(shots[0][0].get(), active), 0);
    delete l;
  }
}

TEST_F(SkinButtonLabel, ContactSheet) {
  Form->SetColor(Ground);
  ShowForm();
  auto list = std::make_unique<TImageList>(nullptr, 12, 12);
  TBitmap b;
  b.SetSize(12, 12);
  b.Canvas()->Brush()->SetColor(clNavy);
  b.Canvas()->FillRect(TRect{0, 0, 12, 12});
  list->Add(&b, nullptr);
  TbsSkinButtonLabel* hot = nullptr;
  for (bool skinned : {false, true}) {
    const int32_t y = skinned ? 110 : 10;
    Add("Glyph left", TRect{10, y, 110, y + 30}, skinned);
    auto* top = Add("Glyph top", TRect{120, y, 220, y + 40}, skinned);
    top->SetLayout(TbsButtonLayout::blGlyphTop);
    auto* img = Add("From a list", TRect{10, y + 45, 110, y + 75}, skinned);
    img->SetImageList(list.get());
    img->SetImageIndex(0);
    auto* off = Add("Disabled", TRect{120, y + 45, 220, y + 75}, skinned);
    off->SetEnabled(false);
    hot = Add("Web, hot", TRect{220, y, 315, y + 30}, skinned);
    hot->SetWebStyle(true);
  }
  MoveTo(hot, 3, 3);
  SaveSheet(Form.get(), "skinbuttonlabel-sheet");
  for (int32_t i = Form->ControlCount() - 1; i >= 0; --i) delete Form->Controls(i);
}

}  // namespace
