#include "imaging/model/pixels/iecanvasroutines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"

namespace {

// Colour with each channel multiplied by Factor and truncated.
TColor Scaled(TColor Colour, double Factor) {
  const uint32_t c = ColorToRGB(Colour);
  auto channel = [&](uint32_t v) { return static_cast<uint8_t>(std::clamp(std::trunc(v * Factor), 0.0, 255.0)); };
  return RGB(channel(c & 0xFF), channel((c >> 8) & 0xFF), channel((c >> 16) & 0xFF));
}

TColor Gray(int32_t V) {
  const auto v = static_cast<uint8_t>(std::clamp(V, 0, 255));
  return RGB(v, v, v);
}

int32_t TruncLevel(double V) { return static_cast<int32_t>(std::clamp(std::trunc(V), -1.0, 256.0)); }

void Line(TCanvas* Canvas, TColor Colour, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  Canvas->Pen()->SetColor(Colour);
  Canvas->MoveTo(X1, Y1);
  Canvas->LineTo(X2, Y2);
}

// The gray strip of kind 3 along one side: Length pixels along the strip
// (the picture's side), Depth across it. Plot(along, across, colour).
template <class TPlot>
void FadeStrip(int32_t Length, int32_t Depth, TPlot Plot) {
  const double e = std::numbers::e;
  for (int32_t j = 0; j <= Length; ++j) {
    const int32_t m = std::clamp(TruncLevel(std::exp(double(Length - 3 * j) / Length) / e * 255), 0, 255);
    const int32_t k = std::max(0, j - (Length - Depth + 1));
    for (int32_t i = k; i <= Depth; ++i)
      Plot(j, i, Gray(std::max(TruncLevel(std::exp(double(i) / Depth) / e * 255), m)));
  }
}

}  // namespace

void IEDrawPixel(TCanvas* Canvas, int32_t X, int32_t Y, TColor Colour) {
  if (Canvas->Pen()->Width() != 1) Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetColor(Colour);
  Canvas->MoveTo(X, Y);
  Canvas->LineTo(X + 1, Y);
}

void IEDraw3DRect(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor ColourTopLeft,
                  TColor ColourBottomRight) {
  Canvas->Pen()->SetMode(TPenMode::pmCopy);
  Canvas->Pen()->SetStyle(TPenStyle::psSolid);
  Canvas->Pen()->SetColor(ColourTopLeft);
  Canvas->MoveTo(X1, Y2);
  Canvas->LineTo(X1, Y1);
  Canvas->LineTo(X2, Y1);
  Canvas->Pen()->SetColor(ColourBottomRight);
  Canvas->MoveTo(X1, Y2);
  Canvas->LineTo(X2, Y2);
  Canvas->LineTo(X2, Y1);
}

void IEDrawRightShadow(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Kind, TColor Colour) {
  const int32_t w = X2 - X1 + 1, h = Y2 - Y1 + 1;
  if (w < 1 || h < 1) return;
  switch (Kind) {
    case 1: Canvas->FillRect(Rect(X1, Y1 + w, X2, Y2 + 1)); break;
    case 2:
      for (int32_t i = 0; i < w; ++i) {
        const double t = (w - i) / (w / 3.0);
        Line(Canvas, Scaled(Colour, std::exp(-0.1 - t * t / 6)), X1 + i, Y1 + w, X1 + i, Y2 - w + i + 3);
      }
      break;
    case 3: FadeStrip(h, w, [&](int32_t j, int32_t i, TColor c) { Canvas->SetPixels(X1 + i, Y1 + j, c); }); break;
    default: break;
  }
}

void IEDrawBottomShadow(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Kind, TColor Colour) {
  const int32_t w = X2 - X1 + 1, h = Y2 - Y1 + 1;
  if (w < 1 || h < 1) return;
  switch (Kind) {
    case 1: Canvas->FillRect(Rect(X1 + h, Y1, X2 + 1, Y2)); break;
    case 2:
      for (int32_t i = 0; i < h; ++i) {
        const double t = (h - i) / (h / 3.0);
        Line(Canvas, Scaled(Colour, std::exp(-0.1 - t * t / 6)), X1 + h, Y1 + i, X2 - h + i + 3, Y1 + i);
      }
      break;
    case 3: FadeStrip(w, h, [&](int32_t j, int32_t i, TColor c) { Canvas->SetPixels(X1 + j, Y1 + i, c); }); break;
    default: break;
  }
}

void IEDrawHintBox(TCanvas* Canvas, int32_t& X, int32_t& Y, const String& Text, TFont* Font, TBrush* Brush,
                   TBitmap* Saved, int32_t MaxX, int32_t MaxY, TColor ColourBottomRight, TColor ColourTopLeft) {
  if (Font) Canvas->SetFont(Font);
  if (Brush) Canvas->SetBrush(Brush);
  const int32_t w = Canvas->TextWidth(Text) + 12;
  const int32_t h = Canvas->TextHeight(Text) + 12;
  X = std::max(std::min(X, MaxX - w - 1), 0);
  Y = std::max(std::min(Y, MaxY - h - 1), 0);
  if (Saved) {
    Saved->SetPixelFormat(TPixelFormat::pf24bit);
    Saved->SetSize(w, h);
    Saved->Canvas()->SetCopyMode(cmSrcCopy);
    Saved->Canvas()->CopyRect(Rect(0, 0, w, h), Canvas, Rect(X, Y, X + w, Y + h));
  }
  Canvas->FillRect(Rect(X + 6, Y + 6, X + w, Y + h));
  IEDraw3DRect(Canvas, X + 6, Y + 6, X + w - 1, Y + h - 1, ColourTopLeft, ColourBottomRight);
  Canvas->TextOut(X + 9, Y + 9, Text);
}

TFontStyles IELogFontStyles(const LOGFONT* LogFont) {
  TFontStyles styles;
  if (!LogFont) return styles;
  if (LogFont->lfWeight >= FW_BOLD) styles.Include(TFontStyle::fsBold);
  if (LogFont->lfItalic) styles.Include(TFontStyle::fsItalic);
  if (LogFont->lfUnderline) styles.Include(TFontStyle::fsUnderline);
  if (LogFont->lfStrikeOut) styles.Include(TFontStyle::fsStrikeOut);
  return styles;
}
