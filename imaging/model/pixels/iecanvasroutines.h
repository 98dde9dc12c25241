// Small drawing routines on a platform canvas shared by the views and
// dialogs: a pixel, a two-colour frame, the shadow strips beside and below a
// picture, a hint box, and the style set of a font description.
#pragma once

#include <cstdint>

#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/rtl/graphtypes.h"

class TBitmap;

// Pen width 1 (when it is not), pen colour Colour, and a line from (X, Y) to
// (X + 1, Y): the one pixel at X, Y.
void IEDrawPixel(TCanvas* Canvas, int32_t X, int32_t Y, TColor Colour);
// A frame with a solid pen in copy mode: ColourTopLeft from (X1, Y2) up to
// (X1, Y1) and on to (X2, Y1), ColourBottomRight from (X1, Y2) to (X2, Y2) and
// up to (X2, Y1). Lines leave out their end point.
void IEDraw3DRect(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor ColourTopLeft,
                  TColor ColourBottomRight);
// The shadow strip right of the box X1, Y1 .. X2, Y2 (w = X2 - X1 + 1 wide):
// Kind 1 fills X1, Y1 + w .. X2, Y2 + 1 with the canvas brush; kind 2 draws
// vertical lines in Colour darkened by exp(-0.1 - t^2 / 6), t = (w - i) /
// (w / 3); kind 3 sets gray pixels fading by exp. Other kinds, and boxes
// without width or height, draw nothing.
void IEDrawRightShadow(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Kind, TColor Colour);
// The same strip below the box, x and y exchanged.
void IEDrawBottomShadow(TCanvas* Canvas, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Kind, TColor Colour);
// A hint box for Text: the canvas takes Font and Brush; the box is w = text
// width + 12 by h = text height + 12, X and Y are moved into 0 .. MaxX - w - 1
// and 0 .. MaxY - h - 1; the canvas area X, Y .. X + w, Y + h is first copied
// into Saved (made pf24bit, w x h; nothing is saved when Saved is nil) so the
// caller can put it back. Then X + 6, Y + 6 .. X + w, Y + h is filled with the
// brush, framed by IEDraw3DRect(X + 6, Y + 6, X + w - 1, Y + h - 1,
// ColourTopLeft, ColourBottomRight) and Text written at X + 9, Y + 9.
void IEDrawHintBox(TCanvas* Canvas, int32_t& X, int32_t& Y, const String& Text, TFont* Font, TBrush* Brush,
                   TBitmap* Saved, int32_t MaxX, int32_t MaxY, TColor ColourBottomRight, TColor ColourTopLeft);
// The styles of a font description (bold for a weight of 700 or more,
// italic, underline, strike-out); nil gives none.
TFontStyles IELogFontStyles(const LOGFONT* LogFont);
