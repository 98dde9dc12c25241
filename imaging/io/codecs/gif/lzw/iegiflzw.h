// The GIF flavour of LZW: variable code widths from the minimum code size
// plus one up to 12 bits, clear and end-of-information codes, least
// significant bit first, data carried in length-prefixed sub-blocks. The GIF
// codec reaches these coders only through the hooks of ielzwhooks.h, which
// the I/O start-up fills with them.
#pragma once

#include <cstdint>

class TStream;

// Decodes one frame's image data from the stream's position (the minimum
// code size byte) into Data, Width × Height palette indexes, rows from the
// top; Interlaced rows arrive in the four-pass order. All sub-blocks are
// consumed and the stream is left after the terminator. Failure (a code size
// outside 2..9, an end code right after a clear while data remains, a code
// above the next free code, a code other than clear once the table is full)
// puts the stream back where it started; rows already written stay. Data
// running out early ends decoding quietly, leaving the rest of Data as it
// was; data past the last row is dropped.
void IEGIFLZWDecode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data);

// Writes one frame's image data at the stream's position: the code size
// (BitsPerPixel, at least 2), the codes in sub-blocks of 254 bytes and the
// terminator. Data holds Width × Height indexes, rows from the top, each
// below 2^BitsPerPixel (below 4 for 1 bit). The table is cleared when it
// holds 4096 codes. Short writes are the caller's to detect.
void IEGIFLZWEncode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, const uint8_t* Data,
                    int32_t BitsPerPixel);
