#include "skin/controls/skinframedlabel.h"

#include <gtest/gtest.h>

#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

constexpr TColor GlyphFirst = Rgb(220, 0, 0);
constexpr TColor GlyphSecond = Rgb(0, 0, 220);

class SkinLabelFramed : public TSkinKitTest {
 public:
  template <class T = TbsSkinLabel>
  T* Add(const String& Caption, const TRect& R, bool Skinned) {
    auto* l = new T(Form.get());
    l->SetParent(Form.get());
    l->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) l->SetSkinData(Skin.get());
    l->SetCaption(Caption);
    return l;
  }
  // Arial 14, the font of the plain label and of the kit's descriptions.
  static int32_t TextWidth(const String& S) {
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Font()->SetName("Arial");
    b.Canvas()->Font()->SetHeight(14);
    return b.Canvas()->TextWidth(S);
  }
  // A strip of two 10 x 10 images, each a white margin around a block.
  static std::unique_ptr<TBitmap> Strip() {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(20, 10);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(TRect{0, 0, 20, 10});
    b->Canvas()->Brush()->SetColor(GlyphFirst);
    b->Canvas()->FillRect(TRect{2, 2, 8, 8});
    b->Canvas()->Brush()->SetColor(GlyphSecond);
    b->Canvas()->FillRect(TRect{12, 2, 18, 8});
    return b;
  }
  static std::unique_ptr<TBitmap> Shot(TWinControl* C) { return WindowPixels(C->Handle(), false); }
  // Columns of R holding a pixel other than Background: first and last.
  static std::pair<int32_t, int32_t> InkColumns(TBitmap* B, const TRect& R, TColor Background) {
    int32_t first = -1, last = -1;
    for (int32_t x = R.Left; x < R.Right; ++x)
      for (int32_t y = R.Top; y < R.Bottom; ++y)
        if (B->Canvas()->Pixels(x, y) != Background) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }
  static int32_t Count(TBitmap* B, const TRect& R, TColor C) {
    int32_t n = 0;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x)
        if (B->Canvas()->Pixels(x, y) == C) ++n;
    return n;
  }
};

class SkinStatusPanel : public SkinLabelFramed {};

// The width follows a longer caption at once (by the excess) and a shorter
// one through AdjustSize; a wider size asked from outside is kept.
TEST_F(SkinLabelFramed, AutoSizeGrowsAndShrinks) {
  struct TCase {
    bool Panel, Skinned;
    int32_t Room;  // the width beside the caption
  };
  // Plain: 2 + 2 pixels; the kit's "label": two 4-pixel caps; "statuspanel":
  // two 3-pixel edges; a 10-pixel glyph takes 13 more.
  const TCase cases[] = {{false, false, 4}, {false, true, 8}, {true, false, 4 + 13}, {true, true, 6 + 13}};
  ShowForm();
  auto strip = Strip();
  const String longText = "A caption that needs room", shortText = "Short";
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Panel ? "panel" : "label") << (c.Skinned ? " skinned" : " plain"));
    TbsSkinLabel* l = nullptr;
    if (c.Panel) {
      auto* p = Add<TbsSkinStatusPanel>("", TRect{10, 10, 60, 31}, c.Skinned);
      p->SetGlyph(strip.get());
      p->SetNumGlyphs(2);
      l = p;
    } else {
      l = Add("", TRect{10, 10, 60, 31}, c.Skinned);
    }
    l->SetAutoSize(true);
    l->SetCaption(longText);
    EXPECT_EQ(l->Width(), TextWidth(longText) + c.Room);
    l->SetCaption(shortText);
    EXPECT_EQ(l->Width(), TextWidth(shortText) + c.Room) << "narrowed through AdjustSize";
    if (c.Skinned) {
      l->SetWidth(200);
      EXPECT_EQ(l->Width(), 200) << "CalcSize never narrows";
      l->SetWidth(20);
      EXPECT_EQ(l->Width(), TextWidth(shortText) + c.Room) << "CalcSize widens a size asked too small";
    }
    l->SetWidth(250);
    l->SetAutoSize(true);
    EXPECT_EQ(l->Width(), TextWidth(shortText) + c.Room) << "AutoSize True fits at once";
    delete l;
  }
}

TEST_F(SkinLabelFramed, AlignedLabelsKeepTheirWidth) {
  ShowForm();
  for (TAlign a : {TAlign::alTop, TAlign::alBottom, TAlign::alClient}) {
    SCOPED_TRACE(int(a));
    for (bool skinned : {false, true}) {
      TbsSkinLabel* l = Add("x", TRect{0, 0, 75, 20}, skinned);
      l->SetAutoSize(true);
      l->SetAlign(a);
      const int32_t w = l->Width();
      EXPECT_EQ(w, Form->ClientWidth());
      l->SetCaption("A much longer caption than the form is wide, by far, really very long");
      EXPECT_EQ(l->Width(), w);
      l->SetCaption("x");
      EXPECT_EQ(l->Width(), w);
      delete l;
    }
  }
}

TEST_F(SkinLabelFramed, FixedSizeDescriptionSwitchesAutoSizeOff) {
  auto* l = new TbsSkinLabel(Form.get());
  l->SetParent(Form.get());
  l->SetAutoSize(true);
  l->SetSkinDataName("kitfixed");
  l->SetSkinData(Skin.get());
  EXPECT_FALSE(l->AutoSize());
  EXPECT_EQ(l->Width(), FixedRect.Width());
  EXPECT_EQ(l->GetAutoSizeDelta(), 0);
}

// The caption's ink inside the client area (plain: 3 pixels in) by alignment.
TEST_F(SkinLabelFramed, AlignmentPlacesTheCaption) {
  struct TCase {
    TAlignment Alignment;
    bool Skinned;
  };
  const TCase cases[] = {{TAlignment::taLeftJustify, false},  {TAlignment::taCenter, false},
                         {TAlignment::taRightJustify, false}, {TAlignment::taLeftJustify, true},
                         {TAlignment::taCenter, true},        {TAlignment::taRightJustify, true}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.Alignment) << (c.Skinned ? " skinned" : " plain"));
    TbsSkinLabel* l = Add("HIH", TRect{10, 10, 130, 31}, c.Skinned);
    l->SetAlignment(c.Alignment);
    Pump();
    auto shot = Shot(l);
    // Plain: the area inside the 3-pixel margin; skinned: the client rect.
    const TRect area = c.Skinned ? TRect{4, 2, l->Width() - 4, 18} : TRect{3, 3, l->Width() - 3, l->Height() - 3};
    const TColor face = c.Skinned ? LabelFace : Rgb(clBtnFace);
    const auto [first, last] = InkColumns(shot.get(), area, face);
    ASSERT_GE(first, 0);
    const int32_t leftGap = first - area.Left, rightGap = area.Right - 1 - last;
    switch (c.Alignment) {
      case TAlignment::taLeftJustify: EXPECT_LE(leftGap, 2); break;
      case TAlignment::taRightJustify: EXPECT_LE(rightGap, 2); break;
      case TAlignment::taCenter: EXPECT_LE(std::abs(leftGap - rightGap), 2); break;
    }
    delete l;
  }
}

// With bsetEllips a caption too long for the client area ends in "...":
// only the dots' bottom rows reach the end of the area.
TEST_F(SkinLabelFramed, EllipsisEndsInDotsThatFit) {
  ShowForm();
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned);
    TbsSkinLabel* l = Add("HHHHHHHHHHHHHHHHHHHHHHHHHHHH", TRect{10, 10, 110, 31}, skinned);
    const TRect area = skinned ? TRect{4, 2, l->Width() - 4, 18} : TRect{3, 3, l->Width() - 3, l->Height() - 3};
    const TColor face = skinned ? LabelFace : Rgb(clBtnFace);
    const TRect upperEnd{area.Right - 8, area.Top, area.Right, area.Top + area.Height() / 2};
    Pump();
    auto cut = Shot(l);
    EXPECT_GT(upperEnd.Width() * upperEnd.Height() - Count(cut.get(), upperEnd, face), 0) << "clipped letters";
    l->SetEllipsType(TbsEllipsType2::bsetEllips);
    Pump();
    auto dots = Shot(l);
    EXPECT_EQ(Count(dots.get(), upperEnd, face), upperEnd.Width() * upperEnd.Height()) << "only dots at the end";
    const auto [first, last] = InkColumns(dots.get(), area, face);
    EXPECT_GE(last, area.Right - 12) << "the dots close the area";
    delete l;
  }
}

TEST_F(SkinLabelFramed, SkinFrameAndFontColours) {
  ShowForm();
  TbsSkinLabel* l = Add("HHHHHH", TRect{10, 10, 110, 40}, true);
  EXPECT_EQ(l->Height(), 20) << "the three-part frame fixes the height";
  Pump();
  auto shot = Shot(l);
  EXPECT_EQ(shot->Canvas()->Pixels(1, 10), LabelCap);
  EXPECT_EQ(shot->Canvas()->Pixels(l->Width() - 2, 10), LabelCap);
  EXPECT_EQ(shot->Canvas()->Pixels(l->Width() - 6, 1), LabelFace);
  const TRect all{0, 0, l->Width(), l->Height()};
  EXPECT_GT(Count(shot.get(), all, FramedFont), 5) << "the description's font colour";
  l->DefaultFont()->SetColor(clBlue);
  l->SetUseSkinFontColor(false);
  l->Invalidate();
  Pump();
  shot = Shot(l);
  EXPECT_EQ(Count(shot.get(), all, FramedFont), 0);
  EXPECT_GT(Count(shot.get(), all, Rgb(clBlue)), 5) << "DefaultFont's colour on the skin frame";
  // Free size: the whole frame stretched to the label's height.
  l->SetUseSkinSize(false);
  l->SetBounds(10, 10, 100, 30);
  Pump();
  EXPECT_EQ(l->Height(), 30);
  shot = Shot(l);
  EXPECT_EQ(shot->Canvas()->Pixels(1, 28), LabelCap);
  EXPECT_EQ(shot->Canvas()->Pixels(50, 28), LabelFace);
}

// Strip image 2 only for a disabled panel whose strip has two images; the
// picture stands 3 pixels in (plain) or at the client rect's left (skinned).
TEST_F(SkinStatusPanel, StripImageByState) {
  struct TCase {
    int32_t NumGlyphs;
    bool Enabled;
    TColor Shown;
  };
  const TCase cases[] = {{2, true, GlyphFirst}, {2, false, GlyphSecond}, {1, false, GlyphFirst}, {1, true, GlyphFirst}};
  ShowForm();
  auto strip = Strip();
  for (bool skinned : {false, true}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message() << c.NumGlyphs << (c.Enabled ? " enabled" : " disabled") << " " << skinned);
      auto* p = Add<TbsSkinStatusPanel>("Ready", TRect{10, 10, 130, 31}, skinned);
      p->SetGlyph(strip.get());
      p->SetNumGlyphs(c.NumGlyphs);
      p->SetEnabled(c.Enabled);
      Pump();
      EXPECT_EQ(Probe(p, 3 + 5, p->Height() / 2), c.Shown);
      delete p;
    }
  }
}

TEST_F(SkinLabelFramed, ContactSheet) {
  Form->SetColor(TColor(0xF0F0F0));
  ShowForm();
  auto strip = Strip();
  int32_t y = 5;
  for (bool skinned : {false, true}) {
    const TAlignment aligns[] = {TAlignment::taLeftJustify, TAlignment::taCenter, TAlignment::taRightJustify};
    const char* names[] = {"Left", "Centre", "Right"};
    for (int32_t i = 0; i < 3; ++i)
      Add(names[i], TRect{5 + 100 * i, y, 100 + 100 * i, y + 21}, skinned)->SetAlignment(aligns[i]);
    y += 25;
    auto* cut = Add("A caption far too long for its frame", TRect{5, y, 120, y + 21}, skinned);
    cut->SetEllipsType(TbsEllipsType2::bsetEllips);
    const TbsSkinBorderStyle borders[] = {TbsSkinBorderStyle::bvRaised, TbsSkinBorderStyle::bvLowered};
    for (int32_t i = 0; i < 2; ++i)
      Add(i == 0 ? "Raised" : "Lowered", TRect{125 + 90 * i, y, 210 + 90 * i, y + 21}, skinned)
          ->SetBorderStyle(borders[i]);
    y += 25;
    for (int32_t i = 0; i < 2; ++i) {
      auto* p =
          Add<TbsSkinStatusPanel>(i == 0 ? "Ready" : "Disabled", TRect{5 + 125 * i, y, 125 + 125 * i, y + 21}, skinned);
      p->SetGlyph(strip.get());
      p->SetNumGlyphs(2);
      p->SetEnabled(i == 0);
    }
    y += 30;
  }
  Pump();
  SaveSheet(Form.get(), "skinframedlabel-sheet");
}

}  // namespace
