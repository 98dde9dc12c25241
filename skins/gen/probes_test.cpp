// Probes on every composed section of the built skin 9: composition covers
// every pixel the engine draws, and nine-part sections resize seamlessly.
#include <gtest/gtest.h>

#include "platform/gui/graphics.h"
#include "skin/engine/data/skindata.h"
#include "skins/gen/atlas.h"
#include "skins/gen/generator.h"
#include "skins/gen/lint.h"
#include "skins/gen/sheets.h"

namespace {

struct SkinProbes : ::testing::Test {
  void SetUp() override {
    Container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
    ASSERT_TRUE(StageSkin(&Container, Skin));
  }
  // Every resizable section with a picture, and its state rects.
  template <class F>
  void ForEachSection(F Visit) {
    for (const auto& c : Skin.Contents.ControlDescriptions) {
      auto* cc = dynamic_cast<TbsDataSkinCustomControl*>(c.get());
      if (!cc || c->PictureIndex < 0) continue;
      std::vector<TRect> states;
      c->EnumKeys([&](const TbsKeyInfo& Info, const TbsKeyValue& Value) {
        const String key = Info.Key;
        const TRect r = Info.Form == TbsKeyForm::kfRect ? **std::get_if<TRect*>(&Value) : TRect();
        if (r.Width() > 0 &&
            (key == "skinrect" || key == "activeskinrect" || key == "downskinrect" || key == "disabledskinrect"))
          states.push_back(r);
      });
      Visit(*cc, *Skin.Layout.ActivePictures[c->PictureIndex], states);
    }
  }
  TbsCompressedStoredSkin Container{nullptr};
  TbsStagedSkin Skin;
};

TEST_F(SkinProbes, CompositionLeavesNoSentinelPixel) {
  ForEachSection([](TbsDataSkinCustomControl& C, TBitmap& Pic, const std::vector<TRect>& States) {
    const int32_t w = C.SkinRect.Width(), h = C.SkinRect.Height();
    const bool nine = C.RightBottomPoint.X != 0 && C.RightBottomPoint.Y != 0;
    const std::pair<int32_t, int32_t> sizes[] = {{w, h}, {w + 13, nine ? h + 9 : h}, {w * 2, nine ? h * 2 : h}};
    for (const TRect& s : States)
      for (const auto& [W, H] : sizes) {
        const TRaster r = ComposeSection(C, Pic, s, W, H, kSentinelColour);
        int32_t left = 0;
        for (int32_t y = 0; y < r.Height(); ++y)
          for (int32_t x = 0; x < r.Width(); ++x) left += r.At(x, y) == kSentinelColour;
        EXPECT_EQ(left, 0) << C.SectionName << " at " << W << " x " << H;
      }
  });
}

// Each keyed sprite drawn as the engine draws it (bottom-left pixel as the key,
// or the section's fixed transparent colour) over the face colour: no key
// pixel may survive, and the face shows where the margin was.
TEST_F(SkinProbes, TransparentSpritesLeaveNoKeyPixel) {
  int32_t sprites = 0;
  for (const auto& c : Skin.Contents.ControlDescriptions) {
    if (c->PictureIndex < 0) continue;
    TBitmap& pic = *Skin.Layout.ActivePictures[c->PictureIndex];
    TColor fixed = clNone;
    std::vector<std::pair<String, TRect>> keyed;
    c->EnumKeys([&](const TbsKeyInfo& Info, const TbsKeyValue& Value) {
      const String key = Info.Key;
      if (Info.Form == TbsKeyForm::kfColor && key.find("transparentcolor") != String::npos)
        fixed = **std::get_if<int32_t*>(&Value);
      if (Info.Form == TbsKeyForm::kfRect && KeyedSpriteKey(*c, key) && (**std::get_if<TRect*>(&Value)).Width() > 0)
        keyed.push_back({key, **std::get_if<TRect*>(&Value)});
    });
    for (const auto& [key, r] : keyed) {
      TBitmap sprite;
      sprite.SetPixelFormat(TPixelFormat::pf24bit);
      sprite.SetSize(r.Width(), r.Height());
      sprite.Canvas()->CopyRect(Rect(0, 0, r.Width(), r.Height()), pic.Canvas(), r);
      sprite.SetTransparent(true);
      if (fixed != clNone) {
        sprite.SetTransparentMode(TTransparentMode::tmFixed);
        sprite.SetTransparentColor(fixed);
      }
      TBitmap surface;
      RasterToBitmap(TRaster(r.Width() + 4, r.Height() + 4, {0xF0, 0xF0, 0xF0}), surface, false);
      surface.Canvas()->Draw(2, 2, &sprite);
      const TRaster out = BitmapToRaster(surface);
      int32_t keys = 0;
      for (int32_t y = 0; y < out.Height(); ++y)
        for (int32_t x = 0; x < out.Width(); ++x) keys += out.At(x, y) == kKeyColour;
      EXPECT_EQ(keys, 0) << c->SectionName << " " << key;
      EXPECT_EQ(out.At(2, 2 + r.Height() - 1), (TRgb{0xF0, 0xF0, 0xF0})) << c->SectionName << " " << key;
      ++sprites;
    }
  }
  EXPECT_GT(sprites, 20);
}

TEST_F(SkinProbes, NinePartSectionsKeepCornersAndRepeatTheirMiddle) {
  ForEachSection([](TbsDataSkinCustomControl& C, TBitmap& Pic, const std::vector<TRect>& States) {
    if (C.RightBottomPoint.X == 0 || C.RightBottomPoint.Y == 0) return;
    const int32_t w = C.SkinRect.Width(), h = C.SkinRect.Height();
    const int32_t tile = C.RightTopPoint.X - C.LeftTopPoint.X;
    const TRaster a = ComposeSection(C, Pic, States.front(), w, h, kSentinelColour);
    const TRaster b = ComposeSection(C, Pic, States.front(), w + 3 * tile, h, kSentinelColour);
    const int32_t rw = w - C.RightTopPoint.X;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < C.LeftTopPoint.X; ++x) ASSERT_EQ(a.At(x, y), b.At(x, y)) << C.SectionName;
      for (int32_t x = 0; x < rw; ++x)
        ASSERT_EQ(a.At(w - rw + x, y), b.At(b.Width() - rw + x, y)) << C.SectionName << " right corner";
    }
    if (C.TopStretch) return;
    for (int32_t y = 0; y < C.LeftTopPoint.Y; ++y)
      for (int32_t x = C.LeftTopPoint.X; x + tile < b.Width() - rw; ++x)
        ASSERT_EQ(b.At(x, y), b.At(x + tile, y)) << C.SectionName << " top middle";
  });
}

}  // namespace
