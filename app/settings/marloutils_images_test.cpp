#include <gtest/gtest.h>

#include <memory>

#include "app/settings/marloutils.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/typinfo.h"

namespace {

TEST(AppZoom, StepsWithTheFitInPlaceOfTheNearestEntry) {
  struct Case {
    double fit, current, in, out;
  };
  // Each row: fit, current, then the next step in and out.
  const Case cases[] = {
      {47, 40, 47, 30},          // 47 replaces 50
      {47, 47, 60, 40},          // from the fit itself
      {47, 60, 80, 47},          // back down onto the fit
      {100, 5000, 5000, 3000},   // nothing above the last step
      {100, 2, 5, 2},            // nothing below the first
      {45, 40, 45, 30},          // a tie takes the upper entry: 45 replaces 50
      {44, 40, 44, 30},          // 44 replaces 40
      {44, 50, 60, 44},          // 50 stays a step
      {2, 1, 2, 1},              // a fit on the table's ends replaces nothing
      {5000, 4000, 5000, 3000},  // (the upper end)
      {100, 100, 125, 80},       // a fit equal to an entry
      {250, 200, 250, 175},      // between 200 and 300 (a tie): 250 replaces 300
      {250, 250, 500, 200},      // 300 is gone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fit " << c.fit << " current " << c.current);
    EXPECT_DOUBLE_EQ(NextZoomIn(c.fit, c.current), c.in);
    EXPECT_DOUBLE_EQ(NextZoomOut(c.fit, c.current), c.out);
  }
}

TEST(AppZoom, FitZoomTable) {
  struct Case {
    int32_t bw, bh, cw, ch;
    double expected;
  };
  const Case cases[] = {
      {1000, 500, 504, 504, 50},   {500, 1000, 504, 504, 50},
      {500, 500, 504, 504, 100},   {501, 10, 504, 504, 100 * 500.0 / 501},
      {0, 500, 504, 504, 100},     {500, 0, 10, 10, 100},
      {2000, 1000, 1004, 204, 20},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(FitZoom(c.bw, c.bh, c.cw, c.ch), c.expected)
        << c.bw << "x" << c.bh << " in " << c.cw << "x" << c.ch;
}

TEST(AppImages, FlattenAlphaKeepsOpaquePixelsAndGivesTheColourWhereTransparent) {
  struct Case {
    uint8_t alpha;
    TRGB pixel, expected;  // over RGB(100, 100, 100)
  };
  const Case cases[] = {
      {0, MakeTRGB(200, 10, 100), MakeTRGB(100, 100, 100)},
      {128, MakeTRGB(200, 10, 100), MakeTRGB(150, 55, 100)},
      {255, MakeTRGB(200, 10, 100), MakeTRGB(200, 10, 100)},
      {255, MakeTRGB(255, 0, 99), MakeTRGB(255, 0, 99)},
  };
  TIEBitmap b;
  b.SetLocation(TIELocation::ieMemory);
  b.Allocate(int32_t(std::size(cases)), 1, TIEPixelFormat::ie24RGB);
  for (int32_t x = 0; x < b.Width(); ++x) {
    *b.PixelRGB(x, 0) = cases[x].pixel;
    b.SetAlpha(x, 0, cases[x].alpha);
  }
  FlattenAlpha(&b, RGB(100, 100, 100));
  EXPECT_FALSE(b.HasAlphaChannel());
  for (int32_t x = 0; x < b.Width(); ++x)
    EXPECT_EQ(*b.PixelRGB(x, 0), cases[x].expected) << "alpha " << int(cases[x].alpha);
  FlattenAlpha(nullptr, clWhite);  // nothing to do
}

class TMarloStreamed : public TComponent {
 public:
  explicit TMarloStreamed(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TMarloStreamed"; }
  int32_t Quality = 0;
  String Caption;
};

const TClassInfo& MarloStreamedClass() {
  using T = TMarloStreamed;
  static const TClassInfo info =
      TClassBuilder<T>("TMarloStreamed").Int("Quality", &T::Quality).String("Caption", &T::Caption).Build();
  return info;
}

TEST(AppStreaming, ComponentTextRoundTrip) {
  RegisterClasses({&MarloStreamedClass()});
  TMarloStreamed source(nullptr);
  source.SetName("Settings1");
  source.Quality = 85;
  source.Caption = "It's \xC3\xA9";
  const String text = ComponentToText(&source);
  EXPECT_NE(text.find("object Settings1: TMarloStreamed"), String::npos) << text;
  EXPECT_NE(text.find("Quality = 85"), String::npos) << text;

  std::unique_ptr<TComponent> back(TextToComponent(text));
  auto* copy = dynamic_cast<TMarloStreamed*>(back.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Owner(), nullptr);
  EXPECT_EQ(copy->Quality, 85);
  EXPECT_EQ(copy->Caption, source.Caption);

  EXPECT_THROW(TextToComponent("object X: TNoSuchClass\nend\n"), Exception);
  EXPECT_THROW(TextToComponent("not a component"), Exception);
}

}  // namespace
