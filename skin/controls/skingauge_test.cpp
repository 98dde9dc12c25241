#include "skin/controls/skingauge.h"

#include <gtest/gtest.h>

#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

// Counts the paints through the value they read.
class TCountingGauge : public TbsSkinGauge {
 public:
  using TbsSkinGauge::TbsSkinGauge;
  int32_t Reads = 0;

 protected:
  int32_t GetGaugeValue() override {
    ++Reads;
    return TbsSkinGauge::GetGaugeValue();
  }
};

class SkinGauge : public TSkinKitTest {
 public:
  TCountingGauge* Add(const TRect& R, const String& Section = "gauge") {
    auto* g = new TCountingGauge(Form.get());
    g->SetParent(Form.get());
    g->SetSkinDataName(Section);
    g->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    return g;
  }
};

TEST_F(SkinGauge, FillWidthsAndPercentages) {
  struct TCase {
    int32_t Min, Max, Value, AreaWidth;
    int32_t Fill;
    const char* Text;
  };
  const TCase cases[] = {
      {0, 100, 50, 101, 50, "50%"}, {0, 1000, 999, 100, 99, "99%"},  {0, 1000, 1000, 100, 100, "100%"},
      {0, 100, 0, 100, 0, "0%"},    {5, 5, 5, 100, 0, "0%"},         {-50, 50, 0, 10, 5, "50%"},
      {0, 3, 1, 100, 33, "33%"},    {0, 100, 150, 100, 100, "100%"}, {0, 100, -7, 100, 0, "0%"},
  };
  TbsSkinGauge* g = Add(TRect{10, 10, 110, 30});
  g->SetShowPercent(true);
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Min << ".." << c.Max << " value " << c.Value);
    g->SetMinValue(-1000000);
    g->SetMaxValue(1000000);
    g->SetMinValue(c.Min);
    g->SetMaxValue(c.Max);
    g->SetValue(c.Value);
    EXPECT_EQ(g->FillRect(TRect{0, 0, c.AreaWidth, 10}, g->Value()).Right, c.Fill);
    EXPECT_EQ(g->GaugeText(g->Value()), c.Text);
  }
  g->SetShowProgressText(true);
  g->SetProgressText("Loading ");
  EXPECT_EQ(g->GaugeText(g->Value()), "Loading 0%");
  g->SetShowPercent(false);
  EXPECT_EQ(g->GaugeText(g->Value()), "Loading ");
}

// Bounds set in the wrong order leave the value outside them: the fill and
// the percentage stay within their ranges.
TEST_F(SkinGauge, InvertedBoundsStayWithinRange) {
  TbsSkinGauge* g = Add(TRect{10, 10, 110, 30});
  g->SetShowPercent(true);
  g->SetMinValue(60);
  EXPECT_EQ(g->Value(), 60);
  g->SetMaxValue(55);
  EXPECT_EQ(g->Value(), 55) << "the max setter does not look at the min";
  EXPECT_EQ(g->MinValue(), 60);
  g->SetMaxValue(70);
  EXPECT_EQ(g->Value(), 55) << "stored values stay as the setters leave them";
  EXPECT_EQ(g->FillRect(TRect{0, 0, 100, 10}, g->Value()), (TRect{0, 0, 0, 10}));
  EXPECT_EQ(g->GaugeText(g->Value()), "0%");
  ShowForm();
  EXPECT_EQ(Probe(g, 50, 10), Rgb(clWindow)) << "the plain image paints without a bar";
}

TEST_F(SkinGauge, RepaintsOnlyOnAChangedValue) {
  ShowForm();
  TCountingGauge* g = Add(TRect{10, 10, 110, 30});
  g->SetSkinData(Skin.get());
  Pump();
  g->Reads = 0;
  g->SetValue(50);
  EXPECT_EQ(g->Reads, 0);
  g->SetValue(51);
  EXPECT_EQ(g->Reads, 1);
  g->SetValue(500);
  EXPECT_EQ(g->Value(), 100);
  EXPECT_EQ(g->Reads, 2);
  g->SetValue(100);
  EXPECT_EQ(g->Reads, 2);
  g->SetMaxValue(100);
  EXPECT_EQ(g->Reads, 3) << "the range setters always repaint";
}

TEST_F(SkinGauge, SkinnedBarHasCapsAndATiledMiddle) {
  ShowForm();
  TbsSkinGauge* g = Add(TRect{10, 10, 115, 30});
  g->SetSkinData(Skin.get());
  EXPECT_EQ(g->Height(), 10) << "the three-part frame fixes the height";
  // Area (2, 2, 103, 8): 101 pixels, half filled: x 2..51.
  g->SetValue(50);
  const int32_t y = 5;
  EXPECT_EQ(Probe(g, 2, y), GaugeCap);
  EXPECT_EQ(Probe(g, 4, y), GaugeCap);
  EXPECT_EQ(Probe(g, 5, y), GaugeMark) << "the first tile starts after the begin cap";
  EXPECT_EQ(Probe(g, 6, y), GaugeBar);
  EXPECT_EQ(Probe(g, 5 + 24, y), GaugeMark) << "tiles of the 24-pixel middle";
  EXPECT_EQ(Probe(g, 49, y), GaugeCap);
  EXPECT_EQ(Probe(g, 51, y), GaugeCap);
  EXPECT_EQ(Probe(g, 52, y), GaugeFrame);
  EXPECT_EQ(Probe(g, 1, y), GaugeFrame);
  SaveSheet(g, "skingauge-half");
}

TEST_F(SkinGauge, VerticalFillsFromTheBottom) {
  ShowForm();
  TbsSkinGauge* g = Add(TRect{10, 10, 40, 110}, "vgauge");
  g->SetSkinData(Skin.get());
  EXPECT_TRUE(g->Vertical()) << "the skin decides the orientation";
  EXPECT_EQ(g->Width(), 10);
  EXPECT_EQ(g->Height(), 100);
  // Area (2, 2, 8, 98): 96 rows; half is rows 50..97.
  g->SetValue(50);
  EXPECT_EQ(Probe(g, 5, 49), GaugeFrame);
  EXPECT_EQ(Probe(g, 5, 50), GaugeCap);
  EXPECT_EQ(Probe(g, 5, 97), GaugeCap);
  EXPECT_EQ(Probe(g, 5, 94), GaugeMark) << "the first tile stands on the end cap";
  EXPECT_EQ(Probe(g, 5, 80), GaugeBar);
  EXPECT_EQ(Probe(g, 5, 70), GaugeMark) << "the last tile cut to its lower rows";
}

TEST_F(SkinGauge, FreeSizeStretchesTheImageNotTheText) {
  ShowForm();
  TbsSkinGauge* g = Add(TRect{10, 10, 130, 40});
  g->SetUseSkinSize(false);
  g->SetSkinData(Skin.get());
  EXPECT_EQ(g->Width(), 120);
  EXPECT_EQ(g->Height(), 30) << "keeps its size";
  g->SetValue(100);
  // At 120 x 10 the image is stretched threefold in height.
  EXPECT_EQ(Probe(g, 60, 3), GaugeFrame);
  EXPECT_EQ(Probe(g, 60, 8), GaugeBar);
  EXPECT_EQ(Probe(g, 60, 20), GaugeBar);
  EXPECT_EQ(Probe(g, 60, 26), GaugeFrame);
}

TEST_F(SkinGauge, ContactSheet) {
  Form->SetColor(TColor(0xF0F0F0));
  ShowForm();
  int32_t y = 5;
  for (bool skinned : {false, true}) {
    for (int32_t v : {0, 37, 100}) {
      TbsSkinGauge* g = Add(TRect{5, y, 205, y + 20});
      g->SetShowPercent(true);
      g->SetValue(v);
      if (skinned) g->SetSkinData(Skin.get());
      y += 24;
    }
    TbsSkinGauge* vg = Add(TRect{215 + 40 * skinned, 5, 235 + 40 * skinned, 150}, skinned ? "vgauge" : "gauge");
    vg->SetVertical(true);
    vg->SetShowPercent(true);
    vg->SetValue(64);
    if (skinned) vg->SetSkinData(Skin.get());
  }
  Pump();
  SaveSheet(Form.get(), "skingauge-sheet");
}

}  // namespace
