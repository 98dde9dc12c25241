#include "imaging/io/codecs/tiff/ieccitt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/rtl/streams.h"

namespace {

// ---- Code tables, written as the bit strings of T.4 ---------------------------------
constexpr const char* kWhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100"};

constexpr const char* kWhiteMakeUp[27] = {"11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",
                                          "01100100",  "01100101",  "01101000",  "01100111",  "011001100", "011001101",
                                          "011010010", "011010011", "011010100", "011010101", "011010110", "011010111",
                                          "011011000", "011011001", "011011010", "011011011", "010011000", "010011001",
                                          "010011010", "011000",    "010011011"};

constexpr const char* kBlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",         "0010",
    "00011",        "000101",       "000100",       "0000100",      "0000101",      "0000111",      "00000100",
    "00000111",     "000011000",    "0000010111",   "0000011000",   "0000001000",   "00001100111",  "00001101000",
    "00001101100",  "00000110111",  "00000101000",  "00000010111",  "00000011000",  "000011001010", "000011001011",
    "000011001100", "000011001101", "000001101000", "000001101001", "000001101010", "000001101011", "000011010010",
    "000011010011", "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111", "000001100100",
    "000001100101", "000001010010", "000001010011", "000000100100", "000000110111", "000000111000", "000000100111",
    "000000101000", "000001011000", "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
    "000001100111"};

constexpr const char* kBlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",  "000000110100",
    "000000110101",  "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101"};

constexpr const char* kExtendedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011", "000000010100", "000000010101",
    "000000010110", "000000010111", "000000011100", "000000011101", "000000011110", "000000011111"};

constexpr const char* kModeStrings[IECCITTModeCount] = {
    "000000000000", "0001",   "001",     "0000010",    "000010",       "010",         "1",
    "011",          "000011", "0000011", "0000001111", "000000001111", "000000000001"};

constexpr TIECCITTCode FromString(const char* s, int32_t value) {
  uint8_t len = 0;
  uint32_t bits = 0;
  for (; s[len] != 0; ++len) bits = (bits << 1) | (s[len] == '1' ? 1u : 0u);
  return {len, bits, static_cast<int16_t>(value)};
}

constexpr std::array<TIECCITTCode, IECCITTCodeCount> MakeTable(const char* const* terminating,
                                                               const char* const* makeUp) {
  std::array<TIECCITTCode, IECCITTCodeCount> t{};
  for (int32_t i = 0; i < 64; ++i) t[i] = FromString(terminating[i], i);
  for (int32_t i = 0; i < 27; ++i) t[64 + i] = FromString(makeUp[i], (i + 1) * 64);
  for (int32_t i = 0; i < 13; ++i) t[91 + i] = FromString(kExtendedMakeUp[i], 1792 + i * 64);
  t[IECCITTEOLEntry] = {12, 1, -3};
  t[105] = {9, 1, -1};
  t[106] = {10, 1, -1};
  t[107] = {11, 1, -1};
  for (int32_t k = 1; k <= 20; ++k) t[107 + k] = {static_cast<uint8_t>(12 + k), 1, -3};
  return t;
}

constexpr auto kWhite = MakeTable(kWhiteTerminating, kWhiteMakeUp);
constexpr auto kBlack = MakeTable(kBlackTerminating, kBlackMakeUp);

constexpr std::array<TIECCITTCode, IECCITTModeCount> MakeModes() {
  std::array<TIECCITTCode, IECCITTModeCount> t{};
  for (int32_t i = 0; i < IECCITTModeCount; ++i) t[i] = FromString(kModeStrings[i], i);
  return t;
}
constexpr auto kModes = MakeModes();

// ---- Lookup tables -----------------------------------------------------------------
// Every code without eight leading zero bits is at most 13 bits long, so the
// first 13 bits of the window decide it; a code with eight or more leading
// zeros is 0...01 and is told by the count of zeros. An entry packs the
// table index (IECCITTNoCode for bits that start no code) and the length.
constexpr int32_t kLookupBits = 13;

struct TLookup {
  std::array<uint16_t, 1u << kLookupBits> Colour[2];
  std::array<uint16_t, 1u << 12> Mode;
};

constexpr uint16_t Pack(int32_t index, int32_t length) { return static_cast<uint16_t>(index | (length << 8)); }

constexpr TLookup BuildLookup() {
  TLookup l{};
  for (int32_t colour = 0; colour < 2; ++colour) {
    const auto& table = colour == 0 ? kWhite : kBlack;
    l.Colour[colour].fill(Pack(IECCITTNoCode, 0));
    for (int32_t i = 0; i < 104; ++i) {
      const int32_t len = table[i].Length;
      const uint32_t first = table[i].Bits << (kLookupBits - len);
      for (uint32_t k = 0; k < (1u << (kLookupBits - len)); ++k) l.Colour[colour][first + k] = Pack(i, len);
    }
  }
  // Modes: the first code in table order that is a prefix of the 12 bits.
  for (uint32_t v = 0; v < (1u << 12); ++v) {
    l.Mode[v] = Pack(cmZeros, 0);
    for (int32_t m = 0; m < IECCITTModeCount; ++m) {
      const int32_t len = kModes[m].Length;
      if ((v >> (12 - len)) == kModes[m].Bits) {
        l.Mode[v] = Pack(m, len);
        break;
      }
    }
  }
  return l;
}

constexpr TLookup kLookup = BuildLookup();

// Entry and length of the code at the top of the window.
inline uint16_t Lookup(uint32_t window, bool black) {
  if (window < (1u << 24)) {
    if (window == 0) return Pack(IECCITTNoCode, 0);
    const int32_t zeros = std::countl_zero(window);  // 8..31
    static constexpr uint8_t kShort[4] = {105, 106, 107, IECCITTEOLEntry};
    const int32_t index = zeros < 12 ? kShort[zeros - 8] : 108 + (zeros - 12);
    return Pack(index, zeros + 1);
  }
  return kLookup.Colour[black ? 1 : 0][window >> (32 - kLookupBits)];
}

inline int32_t IndexOf(uint16_t packed) { return packed & 0xFF; }
inline int32_t LengthOf(uint16_t packed) { return packed >> 8; }

constexpr std::array<uint8_t, 256> MakeReverse() {
  std::array<uint8_t, 256> r{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t v = 0;
    for (int32_t b = 0; b < 8; ++b)
      if (i & (1u << b)) v |= 0x80u >> b;
    r[i] = static_cast<uint8_t>(v);
  }
  return r;
}
constexpr auto kReverse = MakeReverse();

// ---- Bit reading ---------------------------------------------------------------------
// Sources are kept to what 32-bit bit positions can address.
constexpr int32_t kMaxSourceBytes = INT32_MAX / 8;

// The coded bits in reading order, bytes loaded one at a time and zero past
// the end of the source, so no read leaves it.
class TBitReader {
 public:
  TBitReader(const uint8_t* source, int32_t sourceBytes, int32_t fillOrder, int64_t startBit)
      : FSource(source), FSize(source ? std::clamp(sourceBytes, 0, kMaxSourceBytes) : 0), FLsbFirst(fillOrder != 1) {
    Seek(std::max<int64_t>(startBit, 0));
  }

  int64_t Pos() const { return FPos; }
  int64_t Limit() const { return int64_t(FSize) * 8; }
  bool AtEnd() const { return (FPos >> 3) >= FSize; }

  // The next 32 bits, first bit in bit 31.
  uint32_t Peek() {
    if (FHave < 32) Fill();
    return static_cast<uint32_t>(FBits >> 32);
  }
  // Consumes Count (0..32) bits.
  void Skip(int32_t count) {
    if (FHave < count) Fill();
    FBits <<= count;
    FHave -= count;
    FPos += count;
  }
  void Seek(int64_t pos) {
    FPos = pos;
    FNext = pos >> 3;
    FBits = 0;
    FHave = 0;
    Fill();
    const int32_t drop = static_cast<int32_t>(pos & 7);
    FBits <<= drop;
    FHave -= drop;
  }

 private:
  void Fill() {
    while (FHave <= 56) {
      uint8_t b = FNext < FSize ? FSource[FNext] : 0;
      if (FLsbFirst) b = kReverse[b];
      FBits |= uint64_t(b) << (56 - FHave);
      FHave += 8;
      ++FNext;
    }
  }

  const uint8_t* FSource;
  int32_t FSize;
  bool FLsbFirst;
  int64_t FPos = 0;
  int64_t FNext = 0;
  uint64_t FBits = 0;
  int32_t FHave = 0;
};

// ---- Row helpers ---------------------------------------------------------------------
// The first position in [From, Width) whose bit is One, or Width.
int32_t FindBit(const uint8_t* line, int32_t width, int64_t from, bool one) {
  if (from >= width) return width;
  if (from < 0) from = 0;
  const uint8_t flip = one ? 0x00 : 0xFF;
  const int64_t last = (int64_t(width) - 1) >> 3;
  int64_t i = from >> 3;
  uint32_t b = static_cast<uint8_t>((line[i] ^ flip) & (0xFFu >> (from & 7)));
  if (b == 0) {
    ++i;
    // Whole words of the colour skipped eight bytes at a time.
    const uint64_t skipWord = one ? 0 : ~uint64_t(0);
    while (i + 8 <= last + 1) {
      uint64_t w;
      std::memcpy(&w, line + i, 8);
      if (w != skipWord) break;
      i += 8;
    }
    for (; i <= last; ++i) {
      b = static_cast<uint8_t>(line[i] ^ flip);
      if (b != 0) break;
    }
    if (i > last) return width;
  }
  const int64_t pos = i * 8 + (std::countl_zero(b) - 24);
  return pos < width ? static_cast<int32_t>(pos) : width;
}

// Clears bits [From, To) of an ie1g row (black pixels).
void ClearBits(uint8_t* row, int32_t from, int32_t to) {
  if (from >= to) return;
  const int32_t a = from >> 3, b = (to - 1) >> 3;
  const auto headMask = static_cast<uint8_t>(0xFFu >> (from & 7));
  const auto tailMask = static_cast<uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
  if (a == b) {
    row[a] &= static_cast<uint8_t>(~(headMask & tailMask));
    return;
  }
  row[a] &= static_cast<uint8_t>(~headMask);
  if (b - a > 1) std::memset(row + a + 1, 0, static_cast<size_t>(b - a - 1));
  row[b] &= static_cast<uint8_t>(~tailMask);
}

size_t RowBytes(int32_t width) { return width > 0 ? (static_cast<size_t>(width) + 7) / 8 : 0; }

// ---- Decoding --------------------------------------------------------------------------
// One T.4 one-dimensional row from the reader's position.
void Decode1D(TBitReader& r, uint8_t* row, int32_t width) {
  std::memset(row, 0xFF, RowBytes(width));
  int32_t pos = 0;
  bool black = false;
  bool makeUpPending = false;
  int64_t rowStart = r.Pos();
  while (pos < width || makeUpPending) {
    if (r.AtEnd()) {  // the end of the data is an EOL
      if (black) ClearBits(row, pos, width);
      break;
    }
    const uint16_t found = Lookup(r.Peek(), black);
    const int32_t index = IndexOf(found);
    if (index == IECCITTNoCode) {  // not a code: skip one bit, still before the row
      r.Skip(1);
      ++rowStart;
      continue;
    }
    const int32_t value = (black ? kBlack : kWhite)[index].Value;
    if (value == -3) {
      if (r.Pos() == rowStart) {  // the EOL that introduces the row
        r.Skip(LengthOf(found));
        continue;
      }
      if (black) ClearBits(row, pos, width);
      break;  // left for the next row
    }
    r.Skip(LengthOf(found));
    if (value < 0) continue;
    const int32_t end = value < width - pos ? pos + value : width;
    if (black) ClearBits(row, pos, end);
    pos = std::max(pos, end);
    makeUpPending = index > 63;
    if (index < 64) black = !black;
  }
}

// One run of the colour: make-up codes summed up to the terminating code.
// -1 when an EOL (or the end of the data) comes first; the EOL is left unread.
int32_t ReadRun(TBitReader& r, bool black) {
  int32_t sum = 0;
  for (;;) {
    if (r.AtEnd()) return -1;
    const uint16_t found = Lookup(r.Peek(), black);
    const int32_t index = IndexOf(found);
    if (index == IECCITTNoCode) {
      r.Skip(1);
      continue;
    }
    const int32_t value = (black ? kBlack : kWhite)[index].Value;
    if (value == -3) return -1;
    r.Skip(LengthOf(found));
    if (value < 0) continue;
    sum = std::min(sum + value, 1 << 30);
    if (index < 64) return sum;
  }
}

// find(p, colour) of the reference line in the decoders' convention: the first
// position >= p with that colour; position -1 counts as white.
int32_t FindRef(const uint8_t* ref, int32_t width, int32_t p, bool white) {
  if (p < 0) {
    if (white) return -1;
    p = 0;
  }
  return FindBit(ref, width, p, white);
}

int32_t ClampBitPos(int64_t pos, int64_t limit, int64_t start) {
  if (pos > limit) pos = std::max(limit, start);
  return static_cast<int32_t>(std::min<int64_t>(pos, INT32_MAX));
}

// ---- Bit writing -------------------------------------------------------------------------
// The writers' checked write: a short write marks the whole output as failed.
// (The same rule as the image library's IEStreamWriteChecked, kept here so the
// coders need nothing above the pixel layer.)
void WriteChecked(TStream* stream, bool& aborting, const void* buffer, int32_t count) {
  if (stream->Write(buffer, count) < count) aborting = true;
}

// Codes are put most significant bit first and each finished byte is stored
// in the output's fill order. The sink writes either into a caller's buffer
// or, through a small buffer of its own, to a stream.
class TBitSink {
 public:
  TBitSink(uint8_t* buffer, int32_t fillOrder) : FOut(buffer), FLsbFirst(fillOrder == 2) {}
  TBitSink(TStream* stream, bool& aborting, int32_t fillOrder)
      : FOut(FLocal), FStream(stream), FAborting(&aborting), FLsbFirst(fillOrder == 2) {}
  TBitSink(const TBitSink&) = delete;
  TBitSink& operator=(const TBitSink&) = delete;

  // Bits carried over from before, as stored in the output byte.
  void Resume(int32_t bits, uint8_t byte) {
    FCount = std::clamp(bits, 0, 7);
    const uint8_t b = FLsbFirst ? kReverse[byte] : byte;
    FAcc = FCount > 0 ? uint64_t(b >> (8 - FCount)) : 0;
  }
  void Put(uint32_t bits, int32_t length) {
    FAcc = (FAcc << length) | bits;
    FCount += length;
    while (FCount >= 8) {
      FCount -= 8;
      Emit(static_cast<uint8_t>(FAcc >> FCount));
    }
  }
  void Put(const TIECCITTCode& code) { Put(code.Bits, code.Length); }
  void PadToByte() {
    if (FCount > 0) Put(0, 8 - FCount);
  }
  // The bits not yet in a whole byte, as they will be stored.
  void Pending(int32_t& bits, uint8_t& byte) const {
    bits = FCount;
    const auto b = static_cast<uint8_t>(FCount > 0 ? (FAcc << (8 - FCount)) & 0xFF : 0);
    byte = FLsbFirst ? kReverse[b] : b;
  }
  int64_t Written() const { return FWritten + FLen; }
  void Flush() {
    if (FStream != nullptr && FLen > 0) WriteChecked(FStream, *FAborting, FOut, static_cast<int32_t>(FLen));
    FWritten += FLen;
    if (FStream != nullptr) FLen = 0;
  }

 private:
  void Emit(uint8_t b) {
    FOut[FLen++] = FLsbFirst ? kReverse[b] : b;
    if (FStream != nullptr && FLen == kChunk) Flush();
  }

  static constexpr int64_t kChunk = 4096;
  uint8_t* FOut;
  TStream* FStream = nullptr;
  bool* FAborting = nullptr;
  bool FLsbFirst;
  int64_t FLen = 0;
  int64_t FWritten = 0;
  uint64_t FAcc = 0;
  int32_t FCount = 0;
  uint8_t FLocal[kChunk];
};

void PutRun(TBitSink& s, bool black, int32_t run) {
  const auto& table = black ? kBlack : kWhite;
  while (run >= 64) {
    const int32_t makeUp = run > 2560 ? 2560 : run / 64 * 64;
    s.Put(table[makeUp <= 1728 ? 63 + makeUp / 64 : 91 + (makeUp - 1792) / 64]);
    run -= makeUp;
  }
  s.Put(table[run]);
}

// Runs of a row in the encoders' convention (1 = black), white first.
void CodeRuns(TBitSink& s, const uint8_t* row, int32_t width) {
  int32_t pos = 0;
  bool black = false;
  while (pos < width) {
    const int32_t next = FindBit(row, width, pos, !black);
    PutRun(s, black, next - pos);
    pos = next;
    black = !black;
  }
}

// The row coded against the reference line (both 1 = black).
void Code2D(TBitSink& s, const uint8_t* row, const uint8_t* ref, int32_t width) {
  int32_t a0 = 0;
  bool black = false;  // colour of the pixel at a0 (the imaginary white one first)
  int32_t a1 = FindBit(row, width, 0, true);
  int32_t b1 = FindBit(ref, width, 0, true);
  for (;;) {
    // b1 has the colour opposite to a0's, so the next change after it returns to a0's.
    const int32_t b2 = FindBit(ref, width, b1 + 1, black);
    if (b2 < a1) {
      s.Put(kModes[cmPass]);
      a0 = b2;
    } else if (b1 - a1 > 3 || a1 - b1 > 3) {
      const int32_t a2 = FindBit(row, width, a1 + 1, black);
      s.Put(kModes[cmHorizontal]);
      PutRun(s, black, a1 - a0);
      PutRun(s, !black, a2 - a1);
      a0 = a2;
    } else {
      s.Put(kModes[cmV0 + (a1 - b1)]);
      a0 = a1;
      black = !black;
    }
    if (a0 >= width) break;
    a1 = FindBit(row, width, a0 + 1, !black);
    b1 = FindBit(ref, width, FindBit(ref, width, a0, black), !black);
  }
}

size_t ReferenceBytes(int32_t width) { return (static_cast<size_t>(std::max(width, 0)) + 31) / 32 * 4; }

void NewReference(std::unique_ptr<uint8_t[]>& ref, int32_t width, const uint8_t* row) {
  const size_t n = std::max<size_t>(ReferenceBytes(width), 4);
  ref = std::make_unique<uint8_t[]>(n);  // zeros: all white
  if (row != nullptr) std::memcpy(ref.get(), row, RowBytes(width));
}

}  // namespace

const std::array<TIECCITTCode, IECCITTCodeCount> IECCITTWhiteCodes = kWhite;
const std::array<TIECCITTCode, IECCITTCodeCount> IECCITTBlackCodes = kBlack;
const std::array<TIECCITTCode, IECCITTModeCount> IECCITTModeCodes = kModes;

int32_t IECCITTLookupCode(uint32_t Window, bool Black) { return IndexOf(Lookup(Window, Black)); }

TIECCITTMode IECCITTLookupMode(uint32_t Window, int32_t& Length) {
  const uint16_t found = kLookup.Mode[Window >> 20];
  Length = LengthOf(found);
  return static_cast<TIECCITTMode>(IndexOf(found));
}

// ---- Decoders ------------------------------------------------------------------------------
int32_t IECCITTDecode1DRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, int32_t FillOrder,
                           int32_t StartBit, int32_t Width) {
  TBitReader r(Source, SourceBytes, FillOrder, StartBit);
  const int64_t start = r.Pos();
  Decode1D(r, Row, Width);
  return ClampBitPos(r.Pos(), r.Limit(), start);
}

int32_t IECCITTDecodeMHRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, int32_t FillOrder, int32_t Width) {
  TBitReader r(Source, SourceBytes, FillOrder, 0);
  Decode1D(r, Row, Width);
  const int64_t bytes = (r.Pos() + 7) / 8;
  return static_cast<int32_t>(std::min<int64_t>(bytes, r.Limit() / 8));
}

int32_t IECCITTDecode2DRow(uint8_t* Row, const uint8_t* Source, int32_t SourceBytes, bool EOLMode, int32_t FillOrder,
                           int32_t StartBit, uint8_t* ReferenceLine, int32_t Width) {
  TBitReader r(Source, SourceBytes, FillOrder, StartBit);
  const int64_t start = r.Pos();
  const int64_t limit = r.Limit();
  std::memset(Row, 0xFF, RowBytes(Width));
  int32_t a0 = -1;  // the imaginary white pixel before the row
  bool black = false;
  while (a0 < Width && r.Pos() < limit) {
    const int64_t modeStart = r.Pos();
    int32_t length = 0;
    TIECCITTMode mode = IECCITTLookupMode(r.Peek(), length);
    if (mode == cmZeros) {
      if (!EOLMode) {
        r.Skip(length > 0 ? length : 1);  // bits that start no mode: one at a time
        continue;
      }
      // Fill bits: everything up to and including the next 1 bit, then an EOL.
      bool found = false;
      while (r.Pos() < limit) {
        const uint32_t w = r.Peek();
        if (w != 0) {
          r.Skip(std::countl_zero(w) + 1);
          found = true;
          break;
        }
        r.Skip(32);
      }
      if (!found) break;
      mode = cmEOL;
    } else {
      r.Skip(length);
    }
    switch (mode) {
      case cmPass: {
        const int32_t b1 = FindRef(ReferenceLine, Width, FindRef(ReferenceLine, Width, a0, !black), black);
        const int32_t b2 = FindRef(ReferenceLine, Width, b1, !black);
        const int32_t from = std::max(a0, 0);
        if (black) ClearBits(Row, from, b2);
        a0 = b2;
        break;
      }
      case cmHorizontal: {
        const int32_t run1 = ReadRun(r, black);
        const int32_t run2 = run1 >= 0 ? ReadRun(r, !black) : -1;
        if (run1 < 0 || run2 < 0) break;  // an EOL inside: the mode is ignored
        const int32_t from = std::max(a0, 0);
        const int32_t end1 = from + std::min(run1, Width - from);
        if (black) ClearBits(Row, from, end1);
        const int32_t end2 = end1 + std::min(run2, Width - end1);
        if (!black) ClearBits(Row, end1, end2);
        a0 = end2;
        break;
      }
      case cmVL3:
      case cmVL2:
      case cmVL1:
      case cmV0:
      case cmVR1:
      case cmVR2:
      case cmVR3: {
        const int32_t b1 = FindRef(ReferenceLine, Width, FindRef(ReferenceLine, Width, a0, !black), black);
        const int32_t a1 = std::clamp(b1 + (static_cast<int32_t>(mode) - cmV0), 0, Width);
        const int32_t from = std::max(a0, 0);
        if (black) ClearBits(Row, from, a1);
        a0 = a1;
        black = !black;
        break;
      }
      case cmExtension2D:
      case cmExtension1D: {
        // Uncompressed mode: n = the place of the first 1 bit among the next 11.
        a0 = std::max(a0, 0);
        while (a0 < Width && !r.AtEnd()) {
          const uint32_t w = r.Peek() >> 21;
          if (w == 0) break;
          const int32_t n = std::countl_zero(w) - 20;
          r.Skip(n);
          if (n <= 5) {
            a0 = std::min(a0 + n - 1, Width);
            if (a0 < Width) {
              ClearBits(Row, a0, a0 + 1);
              ++a0;
            }
          } else if (n == 6) {
            a0 = std::min(a0 + 5, Width);
          } else {
            a0 = std::min(a0 + n - 7, Width);
            black = (r.Peek() >> 31) != 0;  // the tag bit: colour of the next run
            r.Skip(1);
            break;
          }
        }
        break;
      }
      case cmEOL: {
        if (modeStart == start) {
          const bool oneDimensional = (r.Peek() >> 31) != 0;
          r.Skip(1);
          if (oneDimensional) {
            Decode1D(r, Row, Width);
            a0 = Width;  // the row is complete
          }
          break;
        }
        if (black) ClearBits(Row, std::max(a0, 0), Width);
        r.Seek(modeStart);  // the next row begins with this EOL
        a0 = Width;
        break;
      }
      case cmZeros: break;
    }
  }
  // The end of the data counts as an EOL: a black run goes to the row's end.
  if (a0 < Width && black) ClearBits(Row, std::max(a0, 0), Width);
  if (Width > 0) std::memcpy(ReferenceLine, Row, RowBytes(Width));
  return ClampBitPos(r.Pos(), limit, start);
}

// ---- Encoders ------------------------------------------------------------------------------
int64_t IECCITTRowBufferBytes(int32_t Width) { return 2 * int64_t(std::max(Width, 0)) + 64; }

void IECCITTCodeRuns1D(const uint8_t* Row, int32_t Width, uint8_t* Buffer, int32_t FillOrder, int32_t& BitPosition) {
  const int32_t startByte = std::max(BitPosition, 0) >> 3;
  TBitSink s(Buffer + startByte, FillOrder);
  const int32_t carried = std::max(BitPosition, 0) & 7;
  s.Resume(carried, carried > 0 ? Buffer[startByte] : 0);
  CodeRuns(s, Row, Width);
  int32_t bits = 0;
  uint8_t byte = 0;
  s.Pending(bits, byte);
  const int64_t whole = s.Written();
  if (bits > 0) Buffer[startByte + whole] = byte;
  BitPosition = static_cast<int32_t>(std::min<int64_t>((startByte + whole) * 8 + bits, INT32_MAX));
}

void IECCITTEncodeMHRow(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting) {
  TBitSink s(Stream, Aborting, FillOrder);
  CodeRuns(s, Row, Width);
  s.PadToByte();
  s.Flush();
}

void IECCITTEncodeG3Row1D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                          int32_t& PendingBits, uint8_t& PendingByte) {
  if (Row == nullptr) return;
  TBitSink s(Stream, Aborting, FillOrder);
  s.Resume(PendingBits, PendingByte);
  s.Put(kModes[cmEOL]);
  CodeRuns(s, Row, Width);
  s.Flush();
  s.Pending(PendingBits, PendingByte);
}

void IECCITTEncodeG3Row2D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                          std::unique_ptr<uint8_t[]>& ReferenceLine, int32_t& PendingBits, uint8_t& PendingByte) {
  TBitSink s(Stream, Aborting, FillOrder);
  s.Resume(PendingBits, PendingByte);
  s.Put(kModes[cmEOL]);
  if (Row == nullptr) {
    ReferenceLine.reset();
  } else if (!ReferenceLine) {
    s.Put(1, 1);
    CodeRuns(s, Row, Width);
    NewReference(ReferenceLine, Width, Row);
  } else {
    s.Put(0, 1);
    Code2D(s, Row, ReferenceLine.get(), Width);
    std::memcpy(ReferenceLine.get(), Row, RowBytes(Width));
  }
  s.Flush();
  s.Pending(PendingBits, PendingByte);
}

void IECCITTEncodeG4Row(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder, bool& Aborting,
                        std::unique_ptr<uint8_t[]>& ReferenceLine, int32_t& PendingBits, uint8_t& PendingByte) {
  TBitSink s(Stream, Aborting, FillOrder);
  s.Resume(PendingBits, PendingByte);
  if (Row == nullptr) {
    s.Put(kModes[cmEOL]);
    s.Put(kModes[cmEOL]);
    s.PadToByte();
    ReferenceLine.reset();
  } else {
    if (!ReferenceLine) NewReference(ReferenceLine, Width, nullptr);
    Code2D(s, Row, ReferenceLine.get(), Width);
    std::memcpy(ReferenceLine.get(), Row, RowBytes(Width));
  }
  s.Flush();
  s.Pending(PendingBits, PendingByte);
}
