// CCITT fax coding of bilevel rows: T.4 one-dimensional (Modified Huffman and
// Group 3), T.4 two-dimensional and T.6 (Group 4), decoders and encoders.
//
// The two directions use opposite pixel conventions on purpose, because their
// callers do:
// - decoders produce ie1g rows, 1 = white (a row starts as 0xFF and black
//   runs clear bits), and take FillOrder 1 as most significant bit first and
//   every other value as least significant bit first;
// - encoders take rows with 1 = black, and take FillOrder 2 as least
//   significant bit first and every other value as most significant bit first.
//
// Decoders never fail: bits that start no code are skipped one at a time, the
// end of the data counts as an EOL, runs are clipped to the row, and nothing
// is read outside Source[0, SourceBytes) (bits past the end read as zero).
// Rows hold ceil(Width / 8) bytes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

class TStream;

// ---- Code tables ---------------------------------------------------------------
// One code: Length bits, the code in the low Length bits of Bits, and its
// value: a run length, -1 (a code to ignore) or -3 (EOL).
struct TIECCITTCode {
  uint8_t Length;
  uint32_t Bits;
  int16_t Value;
};

// 128 entries each: 0..63 terminating codes for runs 0..63; 64..90 make-up
// codes for 64..1728; 91..103 the extended make-up codes for 1792..2560
// (shared by both colours); 104 EOL; 105..107 the 9-, 10- and 11-bit codes
// 0...01 (ignored); 108..127 EOL preceded by 1..20 further zero bits.
inline constexpr int32_t IECCITTCodeCount = 128;
// What a lookup answers when the bits start no code.
inline constexpr int32_t IECCITTNoCode = 128;
inline constexpr int32_t IECCITTEOLEntry = 104;
inline constexpr int32_t IECCITTEndOfDataEntry = 127;
extern const std::array<TIECCITTCode, IECCITTCodeCount> IECCITTWhiteCodes;
extern const std::array<TIECCITTCode, IECCITTCodeCount> IECCITTBlackCodes;

// The modes of two-dimensional coding, in the order they are matched.
enum TIECCITTMode : uint8_t {
  cmZeros = 0,         // twelve zero bits (fill bits in EOL mode)
  cmPass = 1,          // 0001
  cmHorizontal = 2,    // 001
  cmVL3 = 3,           // 0000010
  cmVL2 = 4,           // 000010
  cmVL1 = 5,           // 010
  cmV0 = 6,            // 1
  cmVR1 = 7,           // 011
  cmVR2 = 8,           // 000011
  cmVR3 = 9,           // 0000011
  cmExtension2D = 10,  // 0000001111 (uncompressed mode)
  cmExtension1D = 11,  // 000000001111 (uncompressed mode)
  cmEOL = 12,          // 000000000001
};
inline constexpr int32_t IECCITTModeCount = 13;
extern const std::array<TIECCITTCode, IECCITTModeCount> IECCITTModeCodes;

// The entry (0..127) whose code starts the 32-bit window (first bit in bit
// 31), or IECCITTNoCode. Table-driven; the tables are built once, on first
// use, safely from any thread.
int32_t IECCITTLookupCode(uint32_t Window, bool Black);
// The mode whose code starts the window, cmZeros when none does.
// Length receives the code's length, or 0 when no code matched.
TIECCITTMode IECCITTLookupMode(uint32_t Window, int32_t& Length);

// ---- Decoders --------------------------------------------------------------------
// One T.4 one-dimensional row starting at bit StartBit; answers the bit
// position after it. An EOL that is the first code of the row is skipped; an
// EOL after codes ends the row (completed with black when the run was black)
// and is left for the next row.
int32_t IECCITTDecode1DRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, int32_t FillOrder,
                           int32_t StartBit, int32_t Width);
// One Modified Huffman row from bit 0 of Source; answers the whole bytes it
// used (never more than SourceBytes).
int32_t IECCITTDecodeMHRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, int32_t FillOrder, int32_t Width);
// One two-dimensional row: T.4 two-dimensional with EOLMode (an EOL and a tag
// bit before each row, fill bits allowed), T.6 without. ReferenceLine holds
// ceil(Width / 8) bytes in the decoders' convention, all white before the
// first row of a strip, and receives the decoded row. Answers the bit
// position after the row; an EOL that ends the row early is left for the
// next row.
int32_t IECCITTDecode2DRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, bool EOLMode, int32_t FillOrder,
                           int32_t StartBit, uint8_t* ReferenceLine, int32_t Width);

// ---- Encoders --------------------------------------------------------------------
// Encoders write whole bytes to Stream through a checked write, which
// sets Aborting on a short write. Bits that do not fill a byte yet stay with
// the caller between the rows of a strip (PendingBits 0..7, PendingByte
// holding them as they will be written, unused bits zero); the caller starts
// a strip with both 0 and writes PendingByte when PendingBits > 0 after the
// strip's final call. ReferenceLine belongs to the coder between a strip's
// first and final call (empty before the first call and after the last).

// One Modified Huffman row, padded with zero bits to a whole byte.
void IECCITTEncodeMHRow(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting);
// One T.4 one-dimensional row: EOL, then the row's runs, continuing the bit
// stream of the previous row. A nil Row (end of strip) writes nothing.
void IECCITTEncodeG3Row1D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                          int32_t& PendingBits, uint8_t& PendingByte);
// T.4 two-dimensional: the first row of a strip is EOL, tag 1 and the row
// one-dimensionally; later rows EOL, tag 0 and the row coded against the
// previous one; the final call (Row nil) writes EOL and frees ReferenceLine.
void IECCITTEncodeG3Row2D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                          std::unique_ptr<uint8_t[]>& ReferenceLine, int32_t& PendingBits, uint8_t& PendingByte);
// T.6: every row coded against the previous one (an all-white line before
// the first); the final call (Row nil) writes two EOLs (EOFB), pads to a whole
// byte, writes everything (PendingBits becomes 0) and frees ReferenceLine.
void IECCITTEncodeG4Row(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                        std::unique_ptr<uint8_t[]>& ReferenceLine, int32_t& PendingBits, uint8_t& PendingByte);

// The run codes of one row (white first; a row that starts black begins with
// a white run of 0), written into Buffer from bit BitPosition on, which
// advances. Bits already in the byte at BitPosition are kept; the rest of the
// last byte is zero. Buffer needs IECCITTRowBufferBytes(Width) bytes from the
// byte at BitPosition.
void IECCITTCodeRuns1D(const uint8_t* Row, int32_t Width, uint8_t* Buffer, int32_t FillOrder, int32_t& BitPosition);
// Room for the codes of any one row of Width pixels, in any mode, with the
// EOLs, tag bit and pending bits around it.
int64_t IECCITTRowBufferBytes(int32_t Width);
