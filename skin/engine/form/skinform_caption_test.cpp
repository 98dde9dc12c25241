#include <algorithm>

#include "skin/engine/form/skinframe_testing.h"

namespace {

constexpr TColor kActiveCaption = 0x40C0C0, kInactiveText = 0x000080, kActiveText = 0x800000;
constexpr TColor kFrameColors[3] = {0x101010, 0x202020, 0x303030};

// The synthetic skin with a caption: its inactive look the top strip of the
// frame picture, its active look and a three-frame animation in an active
// picture.
class SkinCaptionTest : public SkinFrameTest {
 public:
  TbsDataSkinCaption* AddCaption() {
    LoadSyntheticSkin(false);
    auto pic = std::make_unique<TBitmap>();
    pic->SetPixelFormat(TPixelFormat::pf24bit);
    pic->SetSize(120, 80);
    Fill(pic.get(), TRect{0, 0, 120, 80}, clWhite);
    Fill(pic.get(), TRect{0, 0, 36, 16}, kActiveCaption);
    for (int i = 0; i < 3; ++i) Fill(pic.get(), TRect{i * 36, 20, i * 36 + 36, 36}, kFrameColors[i]);
    Skin->ActivePictures.clear();
    Skin->ActivePictures.push_back(std::move(pic));
    auto d = std::make_unique<TbsDataSkinCaption>("caption");
    d->ActivePictureIndex = 0;
    d->SkinRect = TRect{2, 2, 38, 18};
    d->ActiveSkinRect = TRect{0, 0, 36, 16};
    d->TextRect = TRect{3, 0, 33, 16};
    d->FontColor = kInactiveText;
    d->ActiveFontColor = kActiveText;
    d->FontHeight = 13;
    d->FontName = "Arial";
    d->Alignment = TAlignment::taLeftJustify;
    TbsDataSkinCaption* result = d.get();
    Skin->SkinObjects.push_back(std::move(d));
    SF->ChangeSkinData();
    return result;
  }
  TbsSkinCaptionObject* Caption() {
    for (int32_t i = 0; i < SF->ObjectCount(); ++i)
      if (auto* c = dynamic_cast<TbsSkinCaptionObject*>(SF->Objects(i))) return c;
    return nullptr;
  }
  // Pixels of R near colour C (text edges are smoothed).
  static int Count(TBitmap* B, const TRect& R, TColor C) {
    int n = 0;
    for (int y = R.Top; y < R.Bottom; ++y)
      for (int x = R.Left; x < R.Right; ++x) {
        const TColor p = PixelAt(B, x, y);
        n += std::abs(GetRValue(p) - GetRValue(C)) + std::abs(GetGValue(p) - GetGValue(C)) +
                 std::abs(GetBValue(p) - GetBValue(C)) <
             120;
      }
    return n;
  }
  // The first and last column of R holding colour C (-1, -1 for none).
  static std::pair<int, int> Columns(TBitmap* B, const TRect& R, TColor C) {
    int first = -1, last = -1;
    for (int x = R.Left; x < R.Right; ++x)
      if (Count(B, TRect{x, R.Top, x + 1, R.Bottom}, C) > 0) {
        if (first < 0) first = x;
        last = x;
      }
    return {first, last};
  }
  void Tick(int Times) {
    for (int i = 0; i < Times; ++i) {
      Clock().Advance(25);
      Pump();
    }
  }
};

TEST_F(SkinCaptionTest, AnimationFramesStackOnlyWhenTallerThanTheCaption) {
  AddCaption();
  auto* c = Caption();
  ASSERT_NE(c, nullptr);
  struct TCase {
    TRect Animate;
    int32_t Count;
    TRect Second;
  };
  for (const TCase& t : {TCase{TRect{0, 20, 30, 68}, 3, TRect{0, 36, 30, 52}},   // 48 high: stacked
                         TCase{TRect{0, 20, 90, 36}, 3, TRect{30, 20, 60, 36}},  // as high: side by side
                         TCase{TRect{0, 20, 90, 36}, 0, TRect{0, 0, 0, 0}}}) {   // no frames
    c->FAnimateRect = t.Animate;
    c->FFrameCount = t.Count;
    EXPECT_EQ(c->AnimationFrame(2), t.Second) << t.Count;
  }
  EXPECT_FALSE(c->CanAnimate());
}

TEST_F(SkinCaptionTest, ActivationAnimatesWithTheColoursOfTheStateLeft) {
  TbsDataSkinCaption* d = AddCaption();
  d->AnimateSkinRect = TRect{0, 20, 108, 36};
  d->FrameCount = 3;
  SF->ChangeSkinData();
  int activations = 0;
  SF->OnActivate = [&](TObject*) { ++activations; };
  ShowActive();
  auto* c = Caption();
  ASSERT_TRUE(c->CanAnimate());
  EXPECT_TRUE(c->FHot);
  EXPECT_EQ(c->FCurFrame, 1);
  EXPECT_GE(activations, 1);
  auto f = Frame();
  SaveZoomed(f.get(), TRect{0, 0, 200, 20}, "caption-animation-frame1.png");
  const TRect area = c->FBounds;
  EXPECT_GT(Count(f.get(), area, kFrameColors[0]), 100);
  EXPECT_GT(Count(f.get(), area, kInactiveText), 0);
  EXPECT_EQ(Count(f.get(), area, kActiveText), 0);
  Tick(6);
  EXPECT_EQ(c->FCurFrame, 4);
  EXPECT_FALSE(SF->AnimateTimer()->Enabled());
  f = Frame();
  EXPECT_GT(Count(f.get(), area, kActiveCaption), 100);
  EXPECT_GT(Count(f.get(), area, kActiveText), 0);
  EXPECT_EQ(Count(f.get(), area, kInactiveText), 0);
}

TEST_F(SkinCaptionTest, DeactivationIsImmediateWithoutInactiveAnimation) {
  for (bool inactiveAnimation : {false, true}) {
    TbsDataSkinCaption* d = AddCaption();
    d->AnimateSkinRect = TRect{0, 20, 108, 36};
    d->FrameCount = 3;
    d->InActiveAnimation = inactiveAnimation;
    SF->ChangeSkinData();
    ShowActive();
    Tick(6);
    ActivateOther();
    auto* c = Caption();
    EXPECT_FALSE(c->FHot);
    EXPECT_EQ(c->FCurFrame, inactiveAnimation ? 3 : 0);
    Tick(6);
    EXPECT_EQ(c->FCurFrame, 0);
    auto f = Frame();
    // The inactive look: the frame picture's top strip with the text.
    EXPECT_EQ(Count(f.get(), c->FBounds, kActiveCaption), 0);
    EXPECT_GT(Count(f.get(), c->FBounds, kInactiveText), 0);
    Other.reset();
  }
}

TEST_F(SkinCaptionTest, AlignmentsAndTheEllipsis) {
  AddCaption();
  ShowActive();
  auto* c = Caption();
  const TRect area = c->TextArea();
  ASSERT_EQ(area, (TRect{3, 0, 33 + c->FBounds.Width() - 36, 16}));
  const TRect text{c->FBounds.Left + area.Left, c->FBounds.Top, c->FBounds.Left + area.Right, c->FBounds.Bottom};
  for (TAlignment a : {TAlignment::taLeftJustify, TAlignment::taRightJustify, TAlignment::taCenter}) {
    c->FAlignment = a;
    auto f = Frame();
    auto [first, last] = Columns(f.get(), c->FBounds, kActiveText);
    ASSERT_GE(first, 0);
    const int mid = (first + last) / 2;
    const int off = a == TAlignment::taLeftJustify    ? first - text.Left
                    : a == TAlignment::taRightJustify ? text.Right - 1 - last
                                                      : mid - (text.Left + text.Right) / 2;
    EXPECT_LE(std::abs(off), 3) << int(a);
  }
  c->FAlignment = TAlignment::taLeftJustify;
  Form->SetCaption(String(200, 'W'));
  auto f = Frame();
  SaveZoomed(f.get(), TRect{300, 0, 400, 20}, "caption-ellipsis.png");
  auto [first, last] = Columns(f.get(), c->FBounds, kActiveText);
  EXPECT_LT(last, text.Right);
  EXPECT_GT(last, text.Right - 12);
  // The three dots: a short stroke's worth of pixels in the last columns.
  EXPECT_LE(Count(f.get(), TRect{last - 1, text.Top, last + 1, text.Bottom}, kActiveText), 6);
}

TEST_F(SkinCaptionTest, OnCaptionPaintReplacesOnlyTheText) {
  AddCaption();
  TRect seen{};
  bool seenActive = false;
  SF->OnCaptionPaint = [&](TObject*, TCanvas*, const TRect& R, bool Active) {
    seen = R;
    seenActive = Active;
  };
  ShowActive();
  auto* c = Caption();
  auto f = Frame();
  EXPECT_EQ(seen.Width(), c->FBounds.Width());
  EXPECT_EQ(seen.Height(), c->FBounds.Height());
  EXPECT_TRUE(seenActive);
  EXPECT_GT(Count(f.get(), c->FBounds, kActiveCaption), 100);
  EXPECT_EQ(Count(f.get(), c->FBounds, kActiveText), 0);
}

TEST_F(SkinCaptionTest, WithoutAnActiveLookOnlyTheTextIsDrawnOnTheFrame) {
  TbsDataSkinCaption* d = AddCaption();
  d->ActiveSkinRect = TRect{0, 0, 0, 0};
  SF->ChangeSkinData();
  ShowActive();
  auto f = Frame();
  auto* c = Caption();
  EXPECT_EQ(Count(f.get(), c->FBounds, kActiveCaption), 0);
  EXPECT_GT(Count(f.get(), c->FBounds, kTop), 100);
  EXPECT_GT(Count(f.get(), c->FBounds, kActiveText), 0);
}

// An MDI frame whose active child is a stub.
class MDIFrameStub : public TForm {
 public:
  using TForm::TForm;
  TCustomForm* ActiveMDIChild() const override { return Child; }
  TCustomForm* Child = nullptr;
};

TEST_F(SkinCaptionTest, AMaximisedSkinnedChildAddsItsCaption) {
  AddCaption();
  ShowActive();
  auto* c = Caption();
  TBitmap plain, suffixed;
  for (TBitmap* b : {&plain, &suffixed}) {
    b->SetPixelFormat(TPixelFormat::pf24bit);
    b->SetSize(c->FBounds.Width(), c->FBounds.Height());
  }
  MDIFrameStub frame(nullptr);
  TForm child(nullptr);
  child.SetCaption("photo.png");
  auto* childSkin = new TbsSkinForm(&child);
  frame.SetFormStyle(TFormStyle::fsMDIForm);
  frame.SetCaption("Pictoval");
  frame.Child = &child;
  auto* frameSkin = new TbsSkinForm(&frame);
  frameSkin->SetSkinData(Skin.get());
  TbsSkinCaptionObject* fc = nullptr;
  for (int32_t i = 0; i < frameSkin->ObjectCount(); ++i)
    if (auto* o = dynamic_cast<TbsSkinCaptionObject*>(frameSkin->Objects(i))) fc = o;
  ASSERT_NE(fc, nullptr);
  fc->FBounds = c->FBounds;
  fc->DrawCaptionText(plain.Canvas(), 0, 0, true);
  childSkin->SetWindowState(2);
  fc->DrawCaptionText(suffixed.Canvas(), 0, 0, true);
  const TRect all{0, 0, plain.Width(), plain.Height()};
  const int plainEnd = Columns(&plain, all, kActiveText).second;
  const int suffixEnd = Columns(&suffixed, all, kActiveText).second;
  // " - [photo.png]" is wider than 60 pixels in a 13-pixel font.
  EXPECT_GT(suffixEnd - plainEnd, 60);
}

}  // namespace
