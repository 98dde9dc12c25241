// The four LZW coder hooks: process-wide procedure variables set once by the
// I/O start-up (IEInitImageIO) and copied into every parameter record by its
// defaults. The GIF codec and the TIFF codec call a record's hook when it is
// set, else the global one, and fail when neither is set.
#pragma once

#include <cstdint>

class TStream;

struct TIELZWDecoderState;
struct TIELZWEncoderState;

// The shapes of the TIFF coder's hooks (IETIFFLZWDecode, IETIFFLZWEncode): the
// decoder takes the strip's byte count, so that no read leaves the strip.
using TIETIFFLZWDecoderFunc = const uint8_t* (*)(const uint8_t* Source, int64_t SourceBytes, int32_t RowLength,
                                                 TIELZWDecoderState*& State);
using TIETIFFLZWEncoderFunc = void (*)(const uint8_t* Data, int32_t Count, TStream* Stream, TIELZWEncoderState*& State);

// Nil until IEInstallTIFFLZWHooks runs; written only at start-up.
extern TIETIFFLZWDecoderFunc IETIFFLZWDecoderHook;
extern TIETIFFLZWEncoderFunc IETIFFLZWEncoderHook;

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
