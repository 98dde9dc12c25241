#include "imaging/views/view/iebackground.h"

#include <algorithm>

#include "imaging/model/pixels/iecanvasroutines.h"
#include "platform/gui/canvas.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/windows.h"

namespace {

bool IsDesigning(TComponentState State) { return State.Contains(TComponentStateItem::csDesigning); }

void FillWith(TCanvas* Canvas, TColor Colour, TBrushStyle Style, const TRect& R) {
  Canvas->Brush()->SetColor(Colour);
  Canvas->Brush()->SetStyle(Style);
  Canvas->FillRect(R);
}

TBrushStyle PlainBrush(TIEBackgroundStyle Style) {
  switch (Style) {
    case TIEBackgroundStyle::iebsHorizontal: return TBrushStyle::bsHorizontal;
    case TIEBackgroundStyle::iebsVertical: return TBrushStyle::bsVertical;
    case TIEBackgroundStyle::iebsFDiagonal: return TBrushStyle::bsFDiagonal;
    case TIEBackgroundStyle::iebsBDiagonal: return TBrushStyle::bsBDiagonal;
    case TIEBackgroundStyle::iebsCross: return TBrushStyle::bsCross;
    case TIEBackgroundStyle::iebsDiagCross: return TBrushStyle::bsDiagCross;
    default: return TBrushStyle::bsSolid;
  }
}

// Squares written into the 24-bit rows: the square holding (Left, Top) has
// the background colour.
void ChessboardRows(TBitmap* Bitmap, const TRect& R, int32_t Size, TColor Colour) {
  const uint32_t first = ColorToRGB(Colour), second = ColorToRGB(IEComplementColor(Colour));
  const int32_t x1 = std::max(R.Left, 0), x2 = std::min(R.Right, Bitmap->Width());
  const int32_t y1 = std::max(R.Top, 0), y2 = std::min(R.Bottom, Bitmap->Height());
  for (int32_t y = y1; y < y2; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    const int32_t rowSquare = (y - R.Top) / Size;
    for (int32_t x = x1; x < x2; ++x) {
      const uint32_t c = ((x - R.Left) / Size + rowSquare) % 2 == 0 ? first : second;
      uint8_t* p = row + static_cast<ptrdiff_t>(x) * 3;
      p[0] = static_cast<uint8_t>(c >> 16), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c);
    }
  }
}

// Squares drawn with the canvas brush, the first in the complement colour.
void ChessboardCanvas(TCanvas* Canvas, const TRect& R, int32_t Size, TBrushStyle Style, TColor Colour) {
  const TColor colours[2] = {IEComplementColor(Colour), Colour};
  Canvas->Brush()->SetStyle(Style);
  for (int32_t y = R.Top, row = 0; y < R.Bottom; y += Size, ++row)
    for (int32_t x = R.Left, col = 0; x < R.Right; x += Size, ++col) {
      Canvas->Brush()->SetColor(colours[(row + col) % 2]);
      Canvas->FillRect(TRect{x, y, std::min(x + Size, R.Right), std::min(y + Size, R.Bottom)});
    }
}

void Diagonals(TCanvas* Canvas, const TRect& R, TColor Colour) {
  FillWith(Canvas, Colour, TBrushStyle::bsSolid, R);
  Canvas->Pen()->SetStyle(TPenStyle::psSolid);
  Canvas->Pen()->SetMode(TPenMode::pmCopy);
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetColor(IEComplementColor(Colour));
  Canvas->MoveTo(R.Left, R.Top);
  Canvas->LineTo(R.Right, R.Bottom);
  Canvas->MoveTo(R.Right, R.Top);
  Canvas->LineTo(R.Left, R.Bottom);
}

void SunkenFrame(TCanvas* Canvas, const TRect& R, const TRect& Image) {
  FillWith(Canvas, clBtnFace, TBrushStyle::bsSolid, R);
  if (Image.Right - Image.Left < 2 || Image.Bottom - Image.Top < 2) return;
  const int32_t ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
  TRect edge{Image.Left - ex, Image.Top - ey, Image.Right + ex, Image.Bottom + ey};
  DrawEdge(Canvas->Handle(), edge, EDGE_SUNKEN, BF_RECT);
}

void CropShadow(TCanvas* Canvas, const TRect& R, const TRect& Image, TColor Colour, bool Designing) {
  FillWith(Canvas, Colour, TBrushStyle::bsSolid, R);
  if (Designing || Image.Right - Image.Left <= 1 || Image.Bottom - Image.Top <= 1) return;
  IEDrawRightShadow(Canvas, Image.Right, Image.Top, Image.Right + 5, Image.Bottom + 3, 2, Colour);
  IEDrawBottomShadow(Canvas, Image.Left, Image.Bottom, Image.Right + 4, Image.Bottom + 5, 2, Colour);
}

void DrawStyle(TComponentState State, TCanvas* Canvas, TBitmap* Bitmap, TIEBackgroundStyle Style, TColor Colour,
               const TRect& R, const TRect& Image, int32_t ChessboardSize, TBrushStyle ChessboardBrushStyle,
               TColor GradientEndColor) {
  using S = TIEBackgroundStyle;
  // A size below one would never advance.
  const int32_t size = std::max(ChessboardSize, 1);
  switch (Style) {
    case S::iebsChessboard:
      if (Bitmap && ChessboardBrushStyle == TBrushStyle::bsSolid && Bitmap->PixelFormat() == TPixelFormat::pf24bit)
        ChessboardRows(Bitmap, R, size, Colour);
      else
        ChessboardCanvas(Canvas, R, size, ChessboardBrushStyle, Colour);
      return;
    case S::iebsDiagonals: Diagonals(Canvas, R, Colour); return;
    case S::iebsCropped:
      if (IsDesigning(State))
        CropShadow(Canvas, R, Image, Colour, true);
      else
        SunkenFrame(Canvas, R, Image);
      return;
    case S::iebsCropShadow: CropShadow(Canvas, R, Image, Colour, IsDesigning(State)); return;
    case S::iebsGradient: IEGradientFillRect(R, Canvas->Handle(), Colour, GradientEndColor, true); return;
    default:
      if (static_cast<uint8_t>(Style) <= static_cast<uint8_t>(S::iebsDiagCross))
        FillWith(Canvas, Colour, PlainBrush(Style), R);
      return;
  }
}

void DrawWallPaper(TCanvas* Canvas, TGraphic* Graphic, TIEWallPaperStyle Style, int32_t Width, int32_t Height) {
  switch (Style) {
    case TIEWallPaperStyle::iewoNormal: Canvas->Draw(0, 0, Graphic); return;
    case TIEWallPaperStyle::iewoStretch: Canvas->StretchDraw(TRect{0, 0, Width, Height}, Graphic); return;
    case TIEWallPaperStyle::iewoTile: {
      const int32_t w = Graphic->Width(), h = Graphic->Height();
      // An empty graphic would never advance the tiling.
      if (w <= 0 || h <= 0) return;
      for (int32_t y = 0; y < Height; y += h)
        for (int32_t x = 0; x < Width; x += w) Canvas->Draw(x, y, Graphic);
      return;
    }
  }
}

}  // namespace

TColor IEComplementColor(TColor Colour) { return static_cast<TColor>(~ColorToRGB(Colour) & 0xFFFFFFu); }

void IEDrawBackground(TComponentState ComponentState, TCanvas* Canvas, TBitmap* Bitmap, TIEBackgroundStyle Style,
                      TColor BackgroundColor, int32_t Left, int32_t Top, int32_t Width, int32_t Height,
                      int32_t ImageLeft, int32_t ImageTop, int32_t ImageRight, int32_t ImageBottom,
                      int32_t ChessboardSize, TBrushStyle ChessboardBrushStyle, TColor GradientEndColor,
                      TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle) {
  const TRect r{Left, Top, Left + Width, Top + Height};
  DrawStyle(ComponentState, Canvas, Bitmap, Style, BackgroundColor, r,
            TRect{ImageLeft, ImageTop, ImageRight, ImageBottom}, ChessboardSize, ChessboardBrushStyle,
            GradientEndColor);
  if (WallPaper && WallPaper->Graphic()) DrawWallPaper(Canvas, WallPaper->Graphic(), WallPaperStyle, Width, Height);
}

bool IEGradientFillRect(const TRect& Rect, HDC DC, TColor Color1, TColor Color2, bool Vertical) {
  const auto vertex = [](int32_t X, int32_t Y, TColor Colour) {
    const uint32_t c = ColorToRGB(Colour);
    TRIVERTEX v;
    v.x = X, v.y = Y;
    v.Red = static_cast<uint16_t>((c & 0xFF) << 8);
    v.Green = static_cast<uint16_t>(((c >> 8) & 0xFF) << 8);
    v.Blue = static_cast<uint16_t>(((c >> 16) & 0xFF) << 8);
    return v;
  };
  const TRIVERTEX vertices[2] = {vertex(Rect.Left, Rect.Top, Color1), vertex(Rect.Right, Rect.Bottom, Color2)};
  GRADIENT_RECT mesh;
  mesh.UpperLeft = 0, mesh.LowerRight = 1;
  GradientFill(DC, vertices, 2, &mesh, 1, Vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
  return true;
}
