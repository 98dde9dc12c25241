#include "skin/controls/base/glyphlayout.h"

#include "platform/gui/text.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/imglist.h"
#include "skin/engine/data/skinimage.h"

void CalcButtonLayout(TbsButtonLayout Layout, const TRect& R, int32_t GlyphWidth, int32_t GlyphHeight,
                      int32_t TextWidth, int32_t TextHeight, int32_t Margin, int32_t Spacing, TPoint& GlyphPos,
                      TPoint& TextPos) {
  const int32_t GW = GlyphWidth, GH = GlyphHeight, TW = TextWidth, TH = TextHeight;
  const int32_t CX = R.Left + Div(R.Width(), 2), CY = R.Top + Div(R.Height(), 2);
  if (Margin != -1) {
    switch (Layout) {
      case TbsButtonLayout::blGlyphLeft:
        GlyphPos = {R.Left + Margin, CY - Div(GH, 2)};
        TextPos = {R.Left + Margin + GW + Spacing, CY - Div(TH, 2)};
        break;
      case TbsButtonLayout::blGlyphRight:
        GlyphPos = {R.Right - Margin - GW, CY - Div(GH, 2)};
        TextPos = {GlyphPos.X - Spacing - TW, CY - Div(TH, 2)};
        break;
      case TbsButtonLayout::blGlyphTop:
        GlyphPos = {CX - Div(GW, 2), R.Top + Margin};
        TextPos = {CX - Div(TW, 2), GlyphPos.Y + GH + Spacing};
        break;
      case TbsButtonLayout::blGlyphBottom:
        GlyphPos = {CX - Div(GW, 2), R.Bottom - Margin - GH};
        TextPos = {CX - Div(TW, 2), GlyphPos.Y - Spacing - TH};
        break;
    }
    return;
  }
  const int32_t HW = Div(GW + TW + Spacing, 2), HH = Div(TH + GH + Spacing, 2);
  switch (Layout) {
    case TbsButtonLayout::blGlyphLeft:
      GlyphPos = {CX - HW, CY - Div(GH, 2)};
      TextPos = {CX + HW - TW, CY - Div(TH, 2)};
      break;
    case TbsButtonLayout::blGlyphRight:
      GlyphPos = {CX + HW - GW, CY - Div(GH, 2)};
      TextPos = {CX - HW, CY - Div(TH, 2)};
      break;
    case TbsButtonLayout::blGlyphTop:
      GlyphPos = {CX - Div(GW, 2), CY - HH};
      TextPos = {CX - Div(TW, 2), CY + HH - TH};
      break;
    case TbsButtonLayout::blGlyphBottom:
      GlyphPos = {CX - Div(GW, 2), CY + HH - GH};
      TextPos = {CX - Div(TW, 2), CY - HH};
      break;
  }
}

int32_t GlyphNumFor(bool ADown, bool AMouseIn, TbsNumGlyphs NumGlyphs, bool Enabled) {
  if (ADown && AMouseIn && NumGlyphs > 2) return 3;
  if (AMouseIn && NumGlyphs > 3) return 4;
  if (Enabled || NumGlyphs < 2) return 1;
  return 2;
}

namespace {

// Picture and caption placed in R: the caption measured with word breaks in
// the room the picture leaves.
struct TGlyphTextLayout {
  TPoint GlyphPos, TextPos;
  int32_t TW = 0, TH = 0;
};

TGlyphTextLayout LayOut(TCanvas* Canvas, const TRect& R, int32_t Margin, int32_t Spacing, TbsButtonLayout Layout,
                        const String& Caption, int32_t GW, int32_t GH, bool Down) {
  TGlyphTextLayout L;
  if (!Caption.empty()) {
    const bool beside = Layout == TbsButtonLayout::blGlyphLeft || Layout == TbsButtonLayout::blGlyphRight;
    TRect TR{0, 0, R.Width() - (beside ? GW : 0), R.Height() - (beside ? 0 : GH)};
    DrawText(Canvas->Handle(), Caption.c_str(), int32_t(Caption.size()), &TR,
             DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    L.TW = TR.Width();
    L.TH = TR.Height();
  }
  Canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  CalcButtonLayout(Layout, R, GW, GH, L.TW, L.TH, Margin, Spacing, L.GlyphPos, L.TextPos);
  if (Down) {
    L.GlyphPos = {L.GlyphPos.X + 1, L.GlyphPos.Y + 1};
    L.TextPos = {L.TextPos.X + 1, L.TextPos.Y + 1};
  }
  return L;
}

void DrawCaption(TCanvas* Canvas, const String& Caption, const TGlyphTextLayout& L) {
  if (Caption.empty()) return;
  TRect TR{L.TextPos.X, L.TextPos.Y, L.TextPos.X + L.TW + 2, L.TextPos.Y + L.TH};
  DrawText(Canvas->Handle(), Caption.c_str(), int32_t(Caption.size()), &TR,
           DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER);
}

}  // namespace

void DrawImageAndText(TCanvas* Canvas, const TRect& R, int32_t Margin, int32_t Spacing, TbsButtonLayout Layout,
                      const String& Caption, int32_t ImageIndex, TCustomImageList* ImageList, bool Down, bool Enabled) {
  const bool hasImage = ImageList != nullptr && ImageIndex >= 0 && ImageIndex < ImageList->Count();
  const int32_t GW = hasImage ? ImageList->Width() : 0, GH = hasImage ? ImageList->Height() : 0;
  const TGlyphTextLayout L = LayOut(Canvas, R, Margin, Spacing, Layout, Caption, GW, GH, Down);
  DrawCaption(Canvas, Caption, L);
  if (hasImage) ImageList->Draw(Canvas, L.GlyphPos.X, L.GlyphPos.Y, ImageIndex, Enabled);
}

void DrawGlyphAndText(TCanvas* Canvas, const TRect& R, int32_t Margin, int32_t Spacing, TbsButtonLayout Layout,
                      const String& Caption, TBitmap* Glyph, TbsNumGlyphs NumGlyphs, int32_t GlyphNum, bool Down) {
  const bool hasGlyph = Glyph != nullptr && !Glyph->Empty() && NumGlyphs > 0;
  const int32_t GW = hasGlyph ? Div(Glyph->Width(), NumGlyphs) : 0, GH = hasGlyph ? Glyph->Height() : 0;
  const TGlyphTextLayout L = LayOut(Canvas, R, Margin, Spacing, Layout, Caption, GW, GH, Down);
  DrawCaption(Canvas, Caption, L);
  if (hasGlyph) DrawStripGlyph(Canvas, L.GlyphPos.X, L.GlyphPos.Y, Glyph, NumGlyphs, GlyphNum);
}
