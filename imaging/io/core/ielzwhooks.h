// The four LZW coder hooks: process-wide procedure variables set once by the
// I/O start-up (IEInitImageIO) and copied into every parameter record by its
// defaults. The GIF codec and the TIFF codec call a record's hook when it is
// set, else the global one, and fail when neither is set.
#pragma once

#include <cstdint>

#include "imaging/io/codecs/tiff/ietifflzw.h"  // TIFF hooks: IETIFFLZWDecoderHook, IETIFFLZWEncoderHook

class TStream;

// Decodes one GIF frame's image data from the stream's position (the LZW
// minimum code size byte) into Data, Width × Height palette indexes, rows
// from the top. Failure puts the stream back where it started.
using TIEGIFLZWDecoderFunc = void (*)(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data);
// Writes one GIF frame's image data: Width × Height palette indexes, each
// below 2^BitsPerPixel (below 4 when BitsPerPixel is 1).
using TIEGIFLZWEncoderFunc = void (*)(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                                      const uint8_t* Data, int32_t BitsPerPixel);

// Nil until the GIF coder is installed at start-up.
extern TIEGIFLZWDecoderFunc IEGIFLZWDecoderHook;
extern TIEGIFLZWEncoderFunc IEGIFLZWEncoderHook;
