#include "skin/controls/listboxdraw.h"

#include <gtest/gtest.h>

#include "skin/controls/testkit/skinkit.h"

namespace {

using namespace SkinKit;

TEST(SkinListBoxDraw, TabStopsTakeDigitsOnlyAndTenAtMost) {
  struct {
    std::vector<String> Widths;
    std::vector<int32_t> Stops;
  } cases[] = {
      {{"40", "x1", ""}, {40, 0, 0}},
      {{"007", "-5", "1e3", " 8", "99999999999"}, {7, 0, 0, 0, 0}},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    TStringList widths;
    for (const String& w : c.Widths) widths.Add(w);
    EXPECT_EQ(ListTabStops(&widths), c.Stops) << c.Widths.size();
  }
  EXPECT_TRUE(ListTabStops(nullptr).empty());
}

// Columns of B holding a pixel darker than mid grey.
std::vector<int32_t> InkColumns(TBitmap& B) {
  std::vector<int32_t> r;
  for (int32_t x = 0; x < B.Width(); ++x)
    for (int32_t y = 0; y < B.Height(); ++y)
      if ((B.Canvas()->Pixels(x, y) & 0xFF) < 0x80) {
        r.push_back(x);
        break;
      }
  return r;
}

TEST(SkinListBoxDraw, TabbedTextStartsAtTheStops) {
  TBitmap B;
  B.SetSize(120, 20);
  B.Canvas()->Brush()->SetColor(clWhite);
  B.Canvas()->FillRect(TRect{0, 0, 120, 20});
  B.Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
  B.Canvas()->Font()->SetColor(clBlack);
  TStringList widths;
  widths.Add("40");
  widths.Add("70");
  // Start 5: the text origin is 5 + 2; the stops count from 0.
  DrawTabbedText(B.Canvas(), "\tI\tI", &widths, 5, TRect{0, 0, 120, 20});
  const std::vector<int32_t> ink = InkColumns(B);
  ASSERT_FALSE(ink.empty());
  EXPECT_GE(ink.front(), 40);
  EXPECT_LT(ink.front(), 45);
  EXPECT_GE(ink.back(), 70);
  EXPECT_LT(ink.back(), 76);
  for (int32_t x : ink) EXPECT_TRUE(x < 46 || x >= 70) << x;
}

TEST(SkinListBoxDraw, TileSkinClientRepeatsTheClientPartCutAtTheEdges) {
  std::unique_ptr<TbsSkinData> skin = CreateKitSkinData(nullptr);
  TBitmap* picture = skin->ActivePictures.at(0).get();
  TBitmap B;
  B.SetSize(40, 30);
  B.Canvas()->Brush()->SetColor(clWhite);
  B.Canvas()->FillRect(TRect{0, 0, 40, 30});
  TileSkinClient(B.Canvas(), picture, PanelRect, TRect{10, 10, 20, 20}, 3, 4, 25, 15);
  struct {
    int32_t X, Y;
    TColor Color;
  } probes[] = {{3, 4, Mark},     {13, 4, Mark},     {23, 14, Mark},    {6, 7, Client},
                {27, 18, Client}, {28, 18, clWhite}, {27, 19, clWhite}, {2, 4, clWhite}};
  for (const auto& p : probes) EXPECT_EQ(B.Canvas()->Pixels(p.X, p.Y), p.Color) << p.X << "," << p.Y;
  // An empty client part draws nothing.
  TileSkinClient(B.Canvas(), picture, PanelRect, TRect{10, 10, 10, 20}, 0, 0, 40, 30);
  EXPECT_EQ(B.Canvas()->Pixels(0, 0), clWhite);
}

}  // namespace
