// Drawing packed DIBs onto a device context, in the shape of the platform's
// video drawing calls. There are no video decompressors here: what
// DIBToIEBitmap decodes (uncompressed rows, bit fields and the YUV frames) is
// drawn, any other compression draws nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gui/gdi.h"

struct TIEDrawDib;
using HDRAWDIB = TIEDrawDib*;

// A drawing handle; release it with IEDrawDibClose.
HDRAWDIB IEDrawDibOpen();
// False for nil.
bool IEDrawDibClose(HDRAWDIB Handle);
// No palette to realize: 0 colours.
uint32_t IEDrawDibRealize(HDRAWDIB Handle, HDC DC, bool Background);
// Decodes the DIB of Length bytes at DIB (the pixel data from Bits, BitsLength
// bytes, when Bits is given) and stretches its rectangle XSrc, YSrc, WSrc x
// HSrc (YSrc counted from the top row; a width or height of 0 or less means
// the whole picture) onto XDst, YDst, WDst x HDst of DC (a size of 0 or less
// means the source's). Flags are not looked at. False when nothing was drawn.
bool IEDrawDibDraw(HDRAWDIB Handle, HDC DC, int32_t XDst, int32_t YDst, int32_t WDst, int32_t HDst, const uint8_t* DIB,
                   size_t Length, const uint8_t* Bits, size_t BitsLength, int32_t XSrc, int32_t YSrc, int32_t WSrc,
                   int32_t HSrc, uint32_t Flags);
