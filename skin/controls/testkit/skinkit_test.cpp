#include "skin/controls/testkit/skinkit.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinKit, EveryDescriptionIsFoundAndItsBlocksReadBack) {
  std::unique_ptr<TbsSkinData> skin = CreateKitSkinData(nullptr);
  ASSERT_FALSE(skin->Empty);
  TBitmap* picture = skin->ActivePictures.at(0).get();
  for (const SkinKit::TKitEntry& e : SkinKit::Entries()) {
    const int32_t index = skin->GetControlIndex(e.Name);
    ASSERT_GE(index, 0) << e.Name;
    EXPECT_EQ(skin->ControlDescriptions[size_t(index)]->SectionName, e.Name);
    for (const SkinKit::TKitBlock& b : e.Blocks)
      for (int32_t y = b.Rect.Top; y < b.Rect.Bottom; ++y)
        for (int32_t x = b.Rect.Left; x < b.Rect.Right; ++x)
          ASSERT_EQ(picture->Canvas()->Pixels(x, y), b.Color) << e.Name << " at " << x << "," << y;
  }
  TBitmap* mask = skin->ActivePictures.at(1).get();
  EXPECT_EQ(mask->Canvas()->Pixels(14, 29), TColor(0));
  EXPECT_EQ(mask->Canvas()->Pixels(15, 0), SkinKit::Rgb(255, 255, 255));
}

}  // namespace
