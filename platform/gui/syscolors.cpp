#include "platform/gui/syscolors.h"

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Default scheme, indexed by COLOR_*.
constexpr uint32_t kSysColors[COLOR_MAX + 1] = {
    Rgb(200, 200, 200),  // COLOR_SCROLLBAR
    Rgb(0, 0, 0),        // COLOR_BACKGROUND
    Rgb(153, 180, 209),  // COLOR_ACTIVECAPTION
    Rgb(191, 205, 219),  // COLOR_INACTIVECAPTION
    Rgb(240, 240, 240),  // COLOR_MENU
    Rgb(255, 255, 255),  // COLOR_WINDOW
    Rgb(100, 100, 100),  // COLOR_WINDOWFRAME
    Rgb(0, 0, 0),        // COLOR_MENUTEXT
    Rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    Rgb(0, 0, 0),        // COLOR_CAPTIONTEXT
    Rgb(180, 180, 180),  // COLOR_ACTIVEBORDER
    Rgb(244, 247, 252),  // COLOR_INACTIVEBORDER
    Rgb(171, 171, 171),  // COLOR_APPWORKSPACE
    Rgb(51, 153, 255),   // COLOR_HIGHLIGHT
    Rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    Rgb(240, 240, 240),  // COLOR_BTNFACE
    Rgb(160, 160, 160),  // COLOR_BTNSHADOW
    Rgb(109, 109, 109),  // COLOR_GRAYTEXT
    Rgb(0, 0, 0),        // COLOR_BTNTEXT
    Rgb(67, 78, 84),     // COLOR_INACTIVECAPTIONTEXT
    Rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    Rgb(105, 105, 105),  // COLOR_3DDKSHADOW
    Rgb(227, 227, 227),  // COLOR_3DLIGHT
    Rgb(0, 0, 0),        // COLOR_INFOTEXT
    Rgb(255, 255, 225),  // COLOR_INFOBK
    Rgb(0, 0, 0),        // 25: unassigned
    Rgb(0, 102, 204),    // COLOR_HOTLIGHT
    Rgb(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    Rgb(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    Rgb(51, 153, 255),   // COLOR_MENUHILIGHT
    Rgb(240, 240, 240),  // COLOR_MENUBAR
};

}  // namespace

uint32_t GetSysColor(int index) {
  if (index < 0 || index > COLOR_MAX) return 0;
  return kSysColors[index];
}

uint32_t ColorToRGB(TColor Color) {
  const uint32_t c = static_cast<uint32_t>(Color);
  if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
  const uint32_t prefix = c >> 24;
  if (prefix == 0x01 || prefix == 0x02) return c & 0x00FFFFFFu;
  return c;
}
