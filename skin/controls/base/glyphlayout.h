// Placing and drawing a picture beside a caption, for every skinned control
// that shows both (push button, speed buttons, button label). The caller has
// drawn the background and set the canvas font.
#pragma once

#include <cstdint>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/graphtypes.h"

class TCustomImageList;

// Where the picture stands relative to the caption.
enum class TbsButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Images in a glyph strip, 1 to 4: normal, disabled, pressed, mouse over.
using TbsNumGlyphs = int32_t;

// Top-left points of picture and caption in R. Margin -1 centres both as
// one block, the spacing counted even when one of the two is missing.
void CalcButtonLayout(TbsButtonLayout Layout, const TRect& R, int32_t GlyphWidth, int32_t GlyphHeight,
                      int32_t TextWidth, int32_t TextHeight, int32_t Margin, int32_t Spacing, TPoint& GlyphPos,
                      TPoint& TextPos);

// Image ImageIndex of ImageList (greyed when not Enabled) beside Caption;
// an index out of the list's range lays out without picture.
void DrawImageAndText(TCanvas* Canvas, const TRect& R, int32_t Margin, int32_t Spacing, TbsButtonLayout Layout,
                      const String& Caption, int32_t ImageIndex, TCustomImageList* ImageList, bool Down, bool Enabled);

// Image GlyphNum (from 1) of a strip of NumGlyphs beside Caption.
void DrawGlyphAndText(TCanvas* Canvas, const TRect& R, int32_t Margin, int32_t Spacing, TbsButtonLayout Layout,
                      const String& Caption, TBitmap* Glyph, TbsNumGlyphs NumGlyphs, int32_t GlyphNum, bool Down);

// The strip image for a state: pressed under the mouse 3, under the mouse 4,
// enabled (or a strip of one) 1, else 2; each only when the strip has it.
int32_t GlyphNumFor(bool ADown, bool AMouseIn, TbsNumGlyphs NumGlyphs, bool Enabled);
