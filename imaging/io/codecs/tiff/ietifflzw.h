// The LZW coder of TIFF compression 5: codes of 9 to 12 bits, most
// significant bit first, 256 = Clear, 257 = end of information, widths
// growing one code early (at table sizes 511, 1023 and 2047). Both sides work
// one row at a time over one strip, keeping their state between the calls of
// that strip; every strip is an independent code stream.
//
// The TIFF codec and the PDF writer reach the coders only through the hooks
// of the codec contract (ielzwhooks.h), which the image I/O unit fills at
// start-up (IEInstallTIFFLZWHooks) and every parameter record copies.
#pragma once

#include <cstdint>

#include "imaging/io/contract/ielzwhooks.h"  // the hooks IEInstallTIFFLZWHooks fills

class TStream;

struct TIELZWDecoderState;
struct TIELZWEncoderState;

// Decodes the next RowLength bytes of a strip and answers them (valid until
// the next call), or nil when the code stream is damaged: a code beyond the
// table, a table past 4096 entries, or a code that runs past the
// SourceBytes bytes of the strip.
// - State nil: a state is created for Source, SourceBytes and RowLength and
//   stored in State, and the first row is decoded.
// - State set and Source not nil: the next row, from the source given at
//   creation (Source is not looked at again).
// - Source nil: the state and all it owns are freed, State becomes nil, and
//   nil is answered.
// After an end code the rest of the strip decodes as zero bytes. A stream
// that does not start with Clear is read as if it did.
const uint8_t* IETIFFLZWDecode(const uint8_t* Source, int64_t SourceBytes, int32_t RowLength,
                               TIELZWDecoderState*& State);

// Codes Count bytes at Data into Stream, continuing the stream of State.
// - State nil: a state is created for Stream and the Clear code written first.
// - Data nil: the last pending code and the end code are written, the bits
//   padded with zeros to a whole byte and flushed, and the state freed (State
//   becomes nil).
// Codes 4094 and 4095 are never written: the table is cleared before.
// Short writes are not reported here (the writer checks its stream later).
void IETIFFLZWEncode(const uint8_t* Data, int32_t Count, TStream* Stream, TIELZWEncoderState*& State);

// Sets the two hooks of the codec contract (ielzwhooks.h) to IETIFFLZWDecode and IETIFFLZWEncode.
void IEInstallTIFFLZWHooks();
