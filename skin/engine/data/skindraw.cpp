#include "skin/engine/data/skindraw.h"

#include "platform/gui/text.h"
#include "platform/rtl/strings.h"

// ---- Text ------------------------------------------------------------------------------

namespace {

const char* const Ellipsis = "...";

// Removes the last whole UTF-8 character.
void DropLastChar(String& S) {
  while (!S.empty() && (uint8_t(S.back()) & 0xC0) == 0x80) S.pop_back();
  if (!S.empty()) S.pop_back();
}

// Removes the last whole UTF-16 character (a surrogate pair at once).
void DropLastChar(WideString& S) {
  if (S.empty()) return;
  const bool low = S.back() >= 0xDC00 && S.back() <= 0xDFFF;
  S.pop_back();
  if (low && !S.empty() && S.back() >= 0xD800 && S.back() <= 0xDBFF) S.pop_back();
}

template <class TStr, class TWidth>
void TrimToWidth(TStr& S, int32_t W, const TStr& Dots, TWidth Width) {
  if (Width(S) <= W) return;
  while (!S.empty() && Width(S + Dots) > W) DropLastChar(S);
  S += Dots;
}

TRect CalcTextRect(TCanvas* Cnvs, const WideString& S) {
  TRect r{0, 0, 0, 0};
  DrawTextWide(Cnvs, S, r, DT_CALCRECT);
  return r;
}

}  // namespace

void TrimTextToWidth(TCanvas* Cnvs, String& S, int32_t W) {
  TrimToWidth(S, W, String(Ellipsis), [Cnvs](const String& T) { return Cnvs->TextWidth(T); });
}

void TrimTextToWidthW(TCanvas* Cnvs, WideString& S, int32_t W) {
  TrimToWidth(S, W, WideString(u"..."), [Cnvs](const WideString& T) { return TextWidthW(Cnvs, T); });
}

int32_t TextWidthW(TCanvas* Cnvs, const WideString& S) { return RectWidth(CalcTextRect(Cnvs, S)); }

int32_t TextHeightW(TCanvas* Cnvs, const WideString& S) { return RectHeight(CalcTextRect(Cnvs, S)); }

int32_t DrawTextWide(TCanvas* Cnvs, const WideString& S, TRect& R, uint32_t Flag) {
  if constexpr (UnicodeDrawing) {
    return DrawTextW(Cnvs->Handle(), S.c_str(), int32_t(S.size()), &R, Flag);
  } else {
    const String narrow = UTF16ToUTF8(S);
    return DrawText(Cnvs->Handle(), narrow.c_str(), int32_t(narrow.size()), &R, Flag);
  }
}

void DrawTextVCenter(TCanvas* Cnvs, const String& S, const TRect& R) {
  if (S.empty()) return;
  TRect r = R;
  DrawText(Cnvs->Handle(), S.c_str(), int32_t(S.size()), &r, DT_SINGLELINE | DT_VCENTER);
}

void DrawRectText(TCanvas* Cnvs, const String& S, const TRect& R) { DrawRectTextOffset(Cnvs, S, R, 0); }

void DrawRectTextOffset(TCanvas* Cnvs, const String& S, const TRect& R, int32_t Offset) {
  if (S.empty()) return;
  const int32_t y = R.Top + RectHeight(R) / 2 - Cnvs->TextHeight(S) / 2;
  Cnvs->TextRect(R, R.Left + Offset + 2, y, S);
}

// ---- Glyphs ----------------------------------------------------------------------------

namespace {

void Line(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  C->MoveTo(X1, Y1);
  C->LineTo(X2, Y2);
}

// Outlined rectangles with a hollow brush.
void Outline(TCanvas* C, TColor Color, std::initializer_list<TRect> Rects) {
  C->Pen()->SetColor(Color);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  for (const TRect& r : Rects) C->Rectangle(r);
}

// A square filled with the colour, pen and brush alike.
void FilledSquare(TCanvas* C, TColor Color, const TRect& R) {
  C->Pen()->SetColor(Color);
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(Color);
  C->Rectangle(R);
}

TPoint Centre(const TRect& R) { return TPoint{R.Left + RectWidth(R) / 2, R.Top + RectHeight(R) / 2}; }

}  // namespace

void DrawComboArrow(TCanvas* Cnvs, const TRect& R, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  const TPoint c = Centre(R);
  for (int32_t n = 2; n >= 0; --n) Line(Cnvs, c.X - n, c.Y + 2 - n, c.X + n + 1, c.Y + 2 - n);
}

void DrawArrow(TCanvas* Cnvs, const TRect& R, TColor Color, int32_t Direction) {
  Cnvs->Pen()->SetColor(Color);
  const TPoint c = Centre(R);
  switch (Direction) {
    case 1:
      for (int32_t i = 0; i <= 3; ++i) Line(Cnvs, c.X - 2 + i, c.Y - i, c.X - 2 + i, c.Y + i + 1);
      break;
    case 2:
      for (int32_t n = 3; n >= 0; --n) Line(Cnvs, c.X + 2 - n, c.Y + n, c.X + 2 - n, c.Y - n - 1);
      break;
    case 3:
      for (int32_t i = 0; i <= 3; ++i) Line(Cnvs, c.X - i, c.Y - 2 + i, c.X + i + 1, c.Y - 2 + i);
      break;
    case 4:
      for (int32_t n = 3; n >= 0; --n) Line(Cnvs, c.X - n, c.Y + 2 - n, c.X + n + 1, c.Y + 2 - n);
      break;
    default: break;
  }
}

void DrawRadioDot(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  FilledSquare(Cnvs, Color, TRect{X, Y, X + 6, Y + 6});
}

void DrawCheckMark(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  for (int32_t i = 0; i <= 2; ++i) {
    Cnvs->MoveTo(X, Y + 5 - i);
    Cnvs->LineTo(X + 2, Y + 7 - i);
    Cnvs->LineTo(X + 7, Y + 2 - i);
  }
}

void DrawFrame3D(TCanvas* Cnvs, TRect R, TColor TopColor, TColor BottomColor) {
  --R.Bottom;
  --R.Right;
  Cnvs->Pen()->SetWidth(1);
  Cnvs->Pen()->SetColor(TopColor);
  Cnvs->Polyline({TPoint{R.Left, R.Bottom}, TPoint{R.Left, R.Top}, TPoint{R.Right, R.Top}});
  Cnvs->Pen()->SetColor(BottomColor);
  Cnvs->Polyline({TPoint{R.Right, R.Top}, TPoint{R.Right, R.Bottom}, TPoint{R.Left - 1, R.Bottom}});
}

void DrawCloseGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  Line(Cnvs, X + 1, Y + 1, X + 9, Y + 9);
  Line(Cnvs, X + 9, Y + 1, X + 1, Y + 9);
  Line(Cnvs, X + 2, Y + 1, X + 10, Y + 9);
  Line(Cnvs, X + 8, Y + 1, X, Y + 9);
}

void DrawSysMenuGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Outline(Cnvs, Color, {TRect{X + 1, Y + 3, X + 9, Y + 6}});
}

void DrawMinimizeGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  Line(Cnvs, X + 1, Y + 8, X + 9, Y + 8);
  Line(Cnvs, X + 1, Y + 9, X + 9, Y + 9);
}

void DrawMaximizeGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Outline(Cnvs, Color, {TRect{X, Y, X + 11, Y + 10}, TRect{X, Y, X + 11, Y + 2}});
}

void DrawRestoreGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Outline(Cnvs, Color,
          {TRect{X + 2, Y, X + 10, Y + 6}, TRect{X + 2, Y, X + 10, Y + 2}, TRect{X, Y + 4, X + 7, Y + 10},
           TRect{X, Y + 4, X + 7, Y + 6}});
}

void DrawRollDownGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  for (int32_t i = 0; i <= 4; ++i) Line(Cnvs, X + 5 - i, Y + 6 - i, X + 5 + i, Y + 6 - i);
}

void DrawRollUpGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  Cnvs->Pen()->SetColor(Color);
  for (int32_t i = 0; i <= 4; ++i) Line(Cnvs, X + 1 + i, Y + 6 - i, X + 9 - i, Y + 6 - i);
}

void DrawTrayGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color) {
  FilledSquare(Cnvs, Color, TRect{X + 2, Y + 2, X + 7, Y + 7});
}
