// Skin 9's bars drawn by the real controls: the up-down steps up at the
// button whose arrow points up or right, the slider's thumbs have both states
// and its ruler loses only its key margin, and no key pixel survives anywhere.
#include <gtest/gtest.h>

#include "skin/controls/bars_testing.h"
#include "skin/controls/scrollbar.h"
#include "skin/controls/slider.h"
#include "skin/controls/updown.h"
#include "skin/engine/data/skindata.h"
#include "skins/gen/atlas.h"
#include "skins/gen/lint.h"

namespace {

class SkinNineBars : public TSkinBarTest {
 public:
  void SetUp() override {
    TSkinBarTest::SetUp();
    Container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    Skin->SetCompressedStoredSkin(&Container);
    ASSERT_NE(Skin->GetControlIndex("slider"), -1);
  }
  void TearDown() override {
    Skin.reset();
    TSkinBarTest::TearDown();
  }
  template <class D>
  const D& Description(const char* Name) {
    return dynamic_cast<const D&>(*Skin->ControlDescriptions[Skin->GetControlIndex(Name)]);
  }
  TbsSkinScrollBar* Bar(const char* Name, const TRect& R, int32_t Page = 20) {
    auto* b = new TbsSkinScrollBar(Form.get());
    b->SetParent(Form.get());
    if (String(Name) == "vscrollbar") b->SetKind(TScrollBarKind::sbVertical);
    if (String(Name) == "bothhscrollbar") b->SetBoth(true);
    b->SetSkinDataName(Name);
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    b->SetRange(0, 99, 30, Page);
    b->SetSkinData(Skin.get());
    return b;
  }
  TbsSkinUpDown* UpDown(bool Vertical, const TRect& R) {
    auto* u = new TbsSkinUpDown(Form.get());
    u->SetParent(Form.get());
    if (Vertical) u->SetOrientation(TUDOrientation::udVertical);
    u->SetSkinDataName(Vertical ? "vupdown" : "hupdown");
    u->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    u->SetSkinData(Skin.get());
    return u;
  }
  TbsSkinSlider* Slider(bool Vertical, const TRect& R, int32_t Value) {
    auto* s = new TbsSkinSlider(Form.get());
    s->SetParent(Form.get());
    if (Vertical) s->SetOrientation(TbsSliderOrientation::soVertical);
    s->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    s->SetValue(Value);
    s->SetSkinData(Skin.get());
    return s;
  }
  static int32_t KeyPixels(TWinControl* Host) {
    const TRaster shot = BitmapToRaster(*WindowPixels(Host->Handle(), true));
    int32_t keys = 0;
    for (int32_t y = 0; y < shot.Height(); ++y)
      for (int32_t x = 0; x < shot.Width(); ++x) keys += shot.At(x, y) == kKeyColour;
    return keys;
  }
  TbsCompressedStoredSkin Container{nullptr};
};

// Every bar at two sizes, the larger with long thumbs, the corner bar under a
// vertical one as a list lays them out; saved as a contact sheet.
TEST_F(SkinNineBars, EveryBarShowsNoKeyPixel) {
  Form->SetBounds(0, 0, 460, 300);
  ShowForm();
  Bar("hscrollbar", TRect{10, 10, 110, 27});
  Bar("hscrollbar", TRect{10, 35, 260, 52}, 60);
  Bar("vscrollbar", TRect{270, 10, 287, 110});
  Bar("vscrollbar", TRect{300, 10, 317, 193}, 60);
  Bar("bothhscrollbar", TRect{10, 193, 317, 210});
  UpDown(false, TRect{330, 10, 364, 27});
  UpDown(true, TRect{380, 10, 397, 32});
  Slider(false, TRect{10, 60, 200, 100}, 40);
  Slider(true, TRect{210, 60, 250, 180}, 40);
  TbsSkinSlider* pressed = Slider(false, TRect{10, 110, 200, 150}, 0);
  Pump();
  const TRect t = pressed->ThumbBounds();
  Down(pressed, t.Left + t.Width() / 2, t.Top + t.Height() / 2);
  const auto file = SaveSheet(Form.get(), "skin9-bars");
  EXPECT_EQ(KeyPixels(Form.get()), 0);
  Up(pressed, t.Left + t.Width() / 2, t.Top + t.Height() / 2);
}

// Button 0 increases: it is the right button side by side, the top one
// stacked, and it shows its hot image where it is.
TEST_F(SkinNineBars, UpDownIncreasesAtTheRightOrTopButton) {
  ShowForm();
  for (const bool vertical : {false, true}) {
    TbsSkinUpDown* u = UpDown(vertical, TRect{10, 10, 60, 60});
    u->SetPosition(5);
    Pump();
    const TRect r0 = u->Button(0).R, r1 = u->Button(1).R;
    EXPECT_TRUE(vertical ? r0.Bottom <= r1.Top : r0.Left >= r1.Right) << vertical;
    const TPoint c{(r0.Left + r0.Right) / 2, (r0.Top + r0.Bottom) / 2};
    const TColor rest = Probe(u, r0.Left + 2, c.Y);
    MoveTo(u, c.X, c.Y);
    EXPECT_NE(Probe(u, r0.Left + 2, c.Y), rest) << "hot image at button 0, vertical " << vertical;
    Down(u, c.X, c.Y);
    Up(u, c.X, c.Y);
    EXPECT_EQ(u->Position(), 6) << vertical;
    delete u;
  }
}

// Each slider thumb has a normal and a pressed state across its ruler; the
// ruler, drawn keyed by its bottom-left pixel, shows all but its margin.
TEST_F(SkinNineBars, SliderThumbStatesAndRuler) {
  ShowForm();
  const auto& d = Description<TbsDataSkinSlider>("slider");
  const TRaster pic = BitmapToRaster(*Skin->ActivePictures[d.PictureIndex]);
  const TRgb bg{uint8_t(d.BGColor & 0xFF), uint8_t((d.BGColor >> 8) & 0xFF), uint8_t((d.BGColor >> 16) & 0xFF)};
  for (const bool vertical : {false, true}) {
    TbsSkinSlider* s = Slider(vertical, vertical ? TRect{10, 10, 50, 160} : TRect{10, 10, 160, 50}, 100);
    Pump();
    const TRect t = s->ThumbBounds(), src = vertical ? d.VThumbRect : d.HThumbRect;
    EXPECT_EQ(t.Width(), src.Width() / 2) << vertical;
    EXPECT_EQ(t.Height(), src.Height()) << vertical;
    EXPECT_EQ(vertical, t.Width() > t.Height()) << "a thumb lies across its ruler";
    // The ruler's first middle row or column, away from the thumb at the top.
    const TRect ruler = vertical ? d.VRulerRect : d.HRulerRect;
    const TPoint o = s->RulerOrigin();
    const int32_t across = vertical ? ruler.Width() : ruler.Height(), at = d.EdgeSize + 1;
    for (int32_t j = 0; j < across; ++j) {
      const TRgb want =
          vertical ? pic.At(ruler.Left + j, ruler.Top + d.EdgeSize) : pic.At(ruler.Left + d.EdgeSize, ruler.Top + j);
      const TColor got = vertical ? Probe(s, o.X + j, s->Height() - o.Y - at) : Probe(s, o.X + at, o.Y + j);
      EXPECT_EQ(got, ColourValue(want == kKeyColour ? bg : want)) << "ruler pixel " << j << ", vertical " << vertical;
    }
    const TPoint c{(t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2};
    const TColor normal = Probe(s, c.X, c.Y);
    Down(s, c.X, c.Y);
    EXPECT_NE(Probe(s, c.X, c.Y), normal) << "pressed state, vertical " << vertical;
    Up(s, c.X, c.Y);
    delete s;
  }
}

}  // namespace
