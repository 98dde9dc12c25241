#include "skin/controls/skinsplitter.h"

#include <gtest/gtest.h>

#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/controls/testkit/skinkit_toolbars.h"

namespace {

using namespace SkinKit;

class SkinSplitter : public TSkinKitTest {
 public:
  TbsSkinSplitter* Add(TAlign Align, const String& Section, bool Transparent, bool Skinned) {
    auto* s = new TbsSkinSplitter(Form.get());
    s->SetParent(Form.get());
    s->SetAlign(Align);
    s->SetSkinDataName(Section);
    s->SetTransparent(Transparent);
    s->SetSkinData(Skinned ? Skin.get() : nullptr);
    return s;
  }
  // Colour of a point of a window-less control, on its parent.
  static TColor At(TControl* C, int32_t X, int32_t Y) {
    return PixelOf(C->Parent()->Handle(), C->Left() + X, C->Top() + Y);
  }
};

TEST_F(SkinSplitter, SizeAcrossItsDirectionFollowsTheSkin) {
  struct TCase {
    TAlign Align;
    String Section;
    bool Transparent, Skinned;
    int32_t Size;
  };
  const TCase cases[] = {
      {TAlign::alLeft, "vsplitter", false, true, SplitterSize}, {TAlign::alLeft, "vsplitter", true, true, 10},
      {TAlign::alLeft, "vsplitter", false, false, 10},          {TAlign::alTop, "hsplitter", false, true, SplitterSize},
      {TAlign::alBottom, "hsplitter", true, true, 10},
  };
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Section << " " << c.Transparent << " " << c.Skinned);
    TbsSkinSplitter* s = Add(c.Align, c.Section, c.Transparent, c.Skinned);
    const bool across = c.Align == TAlign::alTop || c.Align == TAlign::alBottom;
    EXPECT_EQ(across ? s->Height() : s->Width(), c.Size);
    // The form's skin walk calls ChangeSkinData again: the same size.
    s->ChangeSkinData();
    EXPECT_EQ(across ? s->Height() : s->Width(), c.Size);
    delete s;
  }
}

TEST_F(SkinSplitter, PaintsTheSkinTheGripperOrThePlatformLook) {
  const TColor face = SkinKit::Rgb(240, 200, 200);
  Form->SetColor(face);
  ShowForm();
  TbsSkinSplitter* v = Add(TAlign::alLeft, "vsplitter", false, true);
  TbsSkinSplitter* h = Add(TAlign::alTop, "hsplitter", false, true);
  TbsSkinSplitter* t = Add(TAlign::alRight, "vsplitter", true, true);
  Pump();
  const int32_t vm = v->Height() / 2;
  EXPECT_EQ(At(v, 3, 2), SplitCap);
  EXPECT_EQ(At(v, 0, vm - 10), SplitMiddle);
  EXPECT_EQ(At(v, 2, vm - 5), SplitGrip) << "gripper centred";
  EXPECT_EQ(At(v, 1, vm), SplitMiddle);
  EXPECT_EQ(At(v, 3, v->Height() - 2), SplitCap);
  EXPECT_EQ(At(h, 2, 3), SplitCap);
  EXPECT_EQ(At(h, h->Width() / 2 - 5, 2), SplitGrip);
  EXPECT_EQ(At(h, h->Width() / 2 - 10, 2), SplitMiddle);
  EXPECT_EQ(At(t, 3, 40), face) << "a transparent splitter paints nothing";
  // Aligned to the client area: the platform look even with a skin.
  delete v;
  delete h;
  delete t;
  TbsSkinSplitter* c = Add(TAlign::alClient, "vsplitter", false, true);
  Pump();
  EXPECT_EQ(At(c, 3, 40), face);
  EXPECT_EQ(At(c, c->Width() / 2, c->Height() / 2), face) << "no gripper";
  SaveSheet(Form.get(), "skinsplitter-client");
}

class SkinBevel : public SkinSplitter {
 public:
  TbsSkinBevel* Bevel(const String& Section, bool Skinned, TBevelShape Shape, const TRect& R) {
    auto* b = new TbsSkinBevel(Form.get());
    b->SetParent(Form.get());
    b->SetSkinDataName(Section);
    b->SetShape(Shape);
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) b->SetSkinData(Skin.get());
    return b;
  }
};

TEST_F(SkinBevel, ColoursWithoutSkinFromTheSkinAndWithoutKeys) {
  struct TCase {
    String Section;
    bool Skinned;
    TColor Light, Dark;
  };
  const TCase cases[] = {{"bevel", false, Rgb(clBtnHighlight), Rgb(clBtnShadow)},
                         {"bevel", true, BevelLight, BevelDark},
                         {"kitbevelnokeys", true, SkinKit::Rgb(0, 0, 0), SkinKit::Rgb(0, 0, 0)}};
  Form->SetColor(SkinKit::Rgb(128, 128, 128));
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Section + (c.Skinned ? " skinned" : ""));
    TbsSkinBevel* b = Bevel(c.Section, c.Skinned, TBevelShape::bsBox, TRect{10, 10, 60, 40});
    Pump();
    // Lowered box: dark top-left, light bottom-right.
    EXPECT_EQ(At(b, 0, 10), c.Dark);
    EXPECT_EQ(At(b, 20, 0), c.Dark);
    EXPECT_EQ(At(b, 49, 10), c.Light);
    EXPECT_EQ(At(b, 20, 29), c.Light);
    b->SetStyle(TBevelStyle::bsRaised);
    Pump();
    EXPECT_EQ(At(b, 0, 10), c.Light);
    EXPECT_EQ(At(b, 49, 10), c.Dark);
    delete b;
  }
}

TEST_F(SkinBevel, DividerModeDrawsOnePairAcrossTheMiddle) {
  struct TCase {
    TBevelShape Shape;
    TPoint Dark, Light;  // lowered: the first line dark
  };
  const TCase cases[] = {{TBevelShape::bsTopLine, {10, 14}, {10, 15}},
                         {TBevelShape::bsBottomLine, {10, 14}, {10, 15}},
                         {TBevelShape::bsLeftLine, {24, 10}, {25, 10}},
                         {TBevelShape::bsFrame, {24, 10}, {25, 10}}};
  const TColor face = SkinKit::Rgb(128, 128, 128);
  Form->SetColor(face);
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Shape));
    TbsSkinBevel* b = Bevel("bevel", true, c.Shape, TRect{10, 10, 60, 40});
    b->SetDividerMode(true);
    Pump();
    EXPECT_EQ(At(b, c.Dark.X, c.Dark.Y), BevelDark);
    EXPECT_EQ(At(b, c.Light.X, c.Light.Y), BevelLight);
    EXPECT_EQ(At(b, 0, 0), face) << "no frame in divider mode";
    EXPECT_EQ(At(b, 49, 29), face);
    delete b;
  }
  TbsSkinBevel* spacer = Bevel("bevel", true, TBevelShape::bsSpacer, TRect{10, 10, 60, 40});
  spacer->SetDividerMode(true);
  Pump();
  EXPECT_EQ(CountColor(Form->Handle(), TRect{10, 10, 60, 40}, face), 50 * 30);
}

}  // namespace
