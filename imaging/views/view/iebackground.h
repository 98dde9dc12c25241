// The background painter shared by the image view and the thumbnail view,
// and the vertical gradient it uses.
#pragma once

#include <cstdint>

#include "platform/gui/graphics.h"
#include "platform/rtl/components.h"

class TCanvas;

enum class TIEBackgroundStyle : uint8_t {
  iebsSolid,
  iebsHorizontal,
  iebsVertical,
  iebsFDiagonal,
  iebsBDiagonal,
  iebsCross,
  iebsDiagCross,
  iebsChessboard,
  iebsDiagonals,
  iebsCropped,
  iebsCropShadow,
  iebsGradient
};
enum class TIEWallPaperStyle : uint8_t { iewoNormal, iewoStretch, iewoTile };

// Paints Style over Left, Top, Width x Height of Canvas, then the wallpaper
// (which ignores Left and Top). The image rectangle places the cropped edge
// and the crop shadow. Bitmap, when given, is the bitmap Canvas draws on: a
// solid 24-bit chessboard is then written straight into its rows.
void IEDrawBackground(TComponentState ComponentState, TCanvas* Canvas, TBitmap* Bitmap, TIEBackgroundStyle Style,
                      TColor BackgroundColor, int32_t Left, int32_t Top, int32_t Width, int32_t Height,
                      int32_t ImageLeft, int32_t ImageTop, int32_t ImageRight, int32_t ImageBottom,
                      int32_t ChessboardSize, TBrushStyle ChessboardBrushStyle, TColor GradientEndColor,
                      TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle);

// Color1 on the first row (column), Color2 on the last, Vertical choosing
// rows. The gradient is always available here: the result is true.
bool IEGradientFillRect(const TRect& Rect, HDC DC, TColor Color1, TColor Color2, bool Vertical);

// The colour whose value is the bitwise complement of Colour's RGB value
// (a system colour is resolved first).
TColor IEComplementColor(TColor Colour);
