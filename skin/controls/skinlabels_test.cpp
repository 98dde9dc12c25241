#include "skin/controls/skinlabels.h"

#include <gtest/gtest.h>

#include "platform/shellapi/shellapi.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

class SkinLabel : public TSkinKitTest {
 public:
  template <class T>
  T* Add(const String& Caption, const TRect& R) {
    auto* l = new T(Form.get());
    l->SetParent(Form.get());
    l->SetAutoSize(false);
    l->SetCaption(Caption);
    l->SetBounds(R.Left, R.Top, R.Width(), R.Height());
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
  static int32_t Count(TBitmap* B, const TRect& R, TColor C) {
    int32_t n = 0;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x)
        if (B->Canvas()->Pixels(x, y) == C) ++n;
    return n;
  }
  static int32_t Ink(TBitmap* B, const TRect& R, TColor Background) {
    return R.Width() * R.Height() - Count(B, R, Background);
  }
  static bool Same(TBitmap* A, TBitmap* B) {
    for (int32_t y = 0; y < A->Height(); ++y)
      for (int32_t x = 0; x < A->Width(); ++x)
        if (A->Canvas()->Pixels(x, y) != B->Canvas()->Pixels(x, y)) return false;
    return true;
  }
};

TEST_F(SkinLabel, EllipsisModes) {
  Form->SetColor(clWhite);
  ShowForm();
  auto* l = Add<TbsSkinStdLabel>("/home/someone/pictures/holiday/beach.jpg", TRect{10, 10, 130, 30});
  std::unique_ptr<TBitmap> shots[3];
  const TbsEllipsType types[] = {TbsEllipsType::bsetNone, TbsEllipsType::bsetEndEllips, TbsEllipsType::bsetPathEllips};
  for (int32_t i = 0; i < 3; ++i) {
    l->SetEllipsType(types[i]);
    Pump();
    shots[i] = Shot(l);
  }
  const TColor white = Rgb(clWhite);
  const int32_t h = l->Height();
  // The right end: clipped letters, "..." on the base line, or the file name.
  const TRect upperRight{l->Width() - 12, 0, l->Width(), h / 2};
  EXPECT_GT(Ink(shots[0].get(), upperRight, white), 0);
  EXPECT_EQ(Ink(shots[1].get(), upperRight, white), 0) << "end ellipsis: only dots at the end";
  EXPECT_GT(Ink(shots[2].get(), upperRight, white), 0) << "path ellipsis keeps the file name";
  EXPECT_FALSE(Same(shots[0].get(), shots[2].get()));
  EXPECT_FALSE(Same(shots[1].get(), shots[2].get()));
}

TEST_F(SkinLabel, DisabledTextIsEmbossed) {
  Form->SetColor(SkinKit::Rgb(200, 220, 200));
  ShowForm();
  Skin->SkinColors.CBtnHighLight = SkinKit::Rgb(255, 0, 0);
  Skin->SkinColors.CBtnShadow = SkinKit::Rgb(0, 0, 255);
  auto* plain = Add<TbsSkinStdLabel>("WWW MMM", TRect{10, 10, 150, 40});
  auto* skinned = Add<TbsSkinStdLabel>("WWW MMM", TRect{10, 50, 150, 80});
  skinned->SetSkinData(Skin.get());
  for (TbsSkinStdLabel* l : {plain, skinned}) l->SetEnabled(false);
  Pump();
  const TRect all{0, 0, 140, 30};
  auto p = Shot(plain), s = Shot(skinned);
  // Glyph edges are blended: count the solid cores.
  EXPECT_GT(Count(p.get(), all, Rgb(clBtnShadow)), 3);
  EXPECT_GT(Count(p.get(), all, Rgb(clBtnHighlight)), 3);
  EXPECT_GT(Count(s.get(), all, SkinKit::Rgb(255, 0, 0)), 3) << "skin highlight, offset";
  EXPECT_GT(Count(s.get(), all, SkinKit::Rgb(0, 0, 255)), 3) << "skin shadow, in place";
  SaveSheet(Form.get(), "skinlabel-disabled");
  skinned->SetEnabled(true);
  Pump();
  s = Shot(skinned);
  EXPECT_EQ(Count(s.get(), all, SkinKit::Rgb(255, 0, 0)), 0);
  EXPECT_GT(Count(s.get(), all, LabelFont), 3) << "the skin's font colour";
}

TEST_F(SkinLabel, LinkClickFiresThenOpensTheURL) {
  ShowForm();
  std::vector<String> opened;
  SetShellLauncher([&](const String& Target, const String&) {
    opened.push_back(Target);
    return true;
  });
  auto* l = Add<TbsSkinLinkLabel>("Home page", TRect{10, 10, 120, 30});
  std::vector<String> order;
  l->OnClick = [&](TObject*) { order.push_back("click " + std::to_string(opened.size())); };
  ClickAt(l, 5, 5);
  EXPECT_EQ(order, std::vector<String>{"click 0"});
  EXPECT_TRUE(opened.empty()) << "an empty URL opens nothing";
  l->SetURL("https://example.org/a b?c=1&d=2");
  ClickAt(l, 5, 5);
  EXPECT_EQ(order, (std::vector<String>{"click 0", "click 0"})) << "OnClick first";
  EXPECT_EQ(opened, std::vector<String>{"https://example.org/a b?c=1&d=2"}) << "one argument, as given";
  SetShellLauncher(nullptr);
  // Hover colours: the skin's active colour under the mouse.
  l->SetSkinData(Skin.get());
  MoveTo(l, 5, 5);
  auto shot = Shot(l);
  EXPECT_GT(Count(shot.get(), TRect{0, 0, l->Width(), l->Height()}, LabelActiveFont), 5);
}

TEST_F(SkinLabel, EmptySkinDataLeavesTheLabelPlain) {
  TbsSkinData empty(nullptr);
  auto* l = Add<TbsSkinStdLabel>("x", TRect{10, 10, 100, 30});
  l->SetSkinData(&empty);
  EXPECT_EQ(l->SkinIndex(), -1);
  l->SetSkinData(Skin.get());
  EXPECT_NE(l->SkinIndex(), -1);
  l->SetSkinData(nullptr);
}

}  // namespace

namespace {

TEST_F(SkinLabel, TextLabelAutoSizesToItsLines) {
  ShowForm();
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned);
    auto* l = new TbsSkinTextLabel(Form.get());
    l->SetParent(Form.get());
    if (skinned) l->SetSkinData(Skin.get());
    l->SetBounds(10, 10, 65, 65);
    l->Lines()->Add("one");
    const int32_t line = l->Height();
    EXPECT_GT(line, 8);
    l->Lines()->Add("two");
    l->Lines()->Add("three, the longest");
    EXPECT_EQ(l->Height(), 3 * line) << "three lines, not four";
    const int32_t wide = l->Width();
    l->SetAlignment(TAlignment::taRightJustify);
    const int32_t right = l->Left() + l->Width();
    l->Lines()->Delete(2);
    EXPECT_LT(l->Width(), wide);
    EXPECT_EQ(l->Left() + l->Width(), right) << "right alignment keeps the right edge";
    EXPECT_EQ(l->Height(), 2 * line);
    Pump();
    SaveSheet(Form.get(), skinned ? "skintextlabel-skinned" : "skintextlabel-plain");
    delete l;
  }
}

}  // namespace
