#include "platform/gui/syscolors.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

TEST(GfxSysColors, DefaultScheme) {
  struct Case {
    int index;
    TColor color;
    uint32_t rgb;
  };
  const Case cases[] = {
      {COLOR_BTNFACE, clBtnFace, Rgb(240, 240, 240)},
      {COLOR_BTNSHADOW, clBtnShadow, Rgb(160, 160, 160)},
      {COLOR_BTNHIGHLIGHT, clBtnHighlight, Rgb(255, 255, 255)},
      {COLOR_3DDKSHADOW, cl3DDkShadow, Rgb(105, 105, 105)},
      {COLOR_3DLIGHT, cl3DLight, Rgb(227, 227, 227)},
      {COLOR_HIGHLIGHT, clHighlight, Rgb(51, 153, 255)},
      {COLOR_HIGHLIGHTTEXT, clHighlightText, Rgb(255, 255, 255)},
      {COLOR_GRAYTEXT, clGrayText, Rgb(109, 109, 109)},
      {COLOR_INFOBK, clInfoBk, Rgb(255, 255, 225)},
      {COLOR_INFOTEXT, clInfoText, Rgb(0, 0, 0)},
      {COLOR_WINDOW, clWindow, Rgb(255, 255, 255)},
      {COLOR_WINDOWTEXT, clWindowText, Rgb(0, 0, 0)},
      {COLOR_BTNTEXT, clBtnText, Rgb(0, 0, 0)},
      {COLOR_SCROLLBAR, clScrollBar, Rgb(200, 200, 200)},
      {COLOR_ACTIVECAPTION, clActiveCaption, Rgb(153, 180, 209)},
      {COLOR_MENU, clMenu, Rgb(240, 240, 240)},
      {COLOR_HOTLIGHT, clHotLight, Rgb(0, 102, 204)},
      {COLOR_MENUHILIGHT, clMenuHighlight, Rgb(51, 153, 255)},
      {COLOR_MENUBAR, clMenuBar, Rgb(240, 240, 240)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(GetSysColor(c.index), c.rgb);
    EXPECT_EQ(ColorToRGB(c.color), c.rgb);
  }
  EXPECT_EQ(COLOR_3DFACE, COLOR_BTNFACE);
  EXPECT_EQ(COLOR_3DHILIGHT, COLOR_BTNHIGHLIGHT);
  // Outside the table: black, as is a system colour with such an index.
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(31), 0u);
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x800000FFu)), 0u);
}

TEST(GfxSysColors, ColorToRGB) {
  EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), 0x030201u);
  EXPECT_EQ(ColorToRGB(clWhite), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(0x02123456), 0x123456u);  // palette-relative RGB
  EXPECT_EQ(ColorToRGB(0x01000007), 0x000007u);  // palette index
  EXPECT_EQ(ColorToRGB(clNone), static_cast<uint32_t>(clNone));
  EXPECT_EQ(ColorToRGB(clDefault), static_cast<uint32_t>(clDefault));
}

}  // namespace
