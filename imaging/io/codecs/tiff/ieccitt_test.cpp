#include "imaging/io/codecs/tiff/ieccitt.h"

#include <gtest/gtest.h>

#include <random>

#include "imaging/io/codecs/tiff/tiff_testing.h"

using namespace tifftest;

namespace {

// The entry whose code is a prefix of the window, by scanning the table.
int32_t NaiveLookup(uint32_t window, bool black) {
  const auto& table = black ? IECCITTBlackCodes : IECCITTWhiteCodes;
  for (int32_t i = 0; i < IECCITTCodeCount; ++i) {
    const int32_t len = table[i].Length;
    const uint32_t top = len == 32 ? window : window >> (32 - len);
    if (top == table[i].Bits) return i;
  }
  return IECCITTNoCode;
}

TBytes EncodeMH(const TBytes& blackIsOne, int32_t width, int32_t fillOrder = 1) {
  TMemoryStream s;
  bool abort = false;
  IECCITTEncodeMHRow(blackIsOne.data(), width, &s, fillOrder, abort);
  EXPECT_FALSE(abort);
  return StreamBytes(s);
}

// A stream that takes nothing.
class TFullStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

}  // namespace

TEST(TiffCCITT, CodeTablesArePrefixFreeAndLookupsAgreeWithThem) {
  for (bool black : {false, true}) {
    const auto& table = black ? IECCITTBlackCodes : IECCITTWhiteCodes;
    for (int32_t i = 0; i < IECCITTCodeCount; ++i)
      for (int32_t j = 0; j < IECCITTCodeCount; ++j) {
        if (i == j) continue;
        const int32_t li = table[i].Length, lj = table[j].Length;
        if (li > lj) continue;
        ASSERT_NE(table[j].Bits >> (lj - li), table[i].Bits) << (black ? "black " : "white ") << i << " / " << j;
      }
    // Every 13-bit start with random tails, then random windows with long
    // zero prefixes.
    std::mt19937 rng(1);
    for (uint32_t v = 0; v < (1u << 13); ++v) {
      const uint32_t w = (v << 19) | (rng() & 0x7FFFF);
      ASSERT_EQ(IECCITTLookupCode(w, black), NaiveLookup(w, black)) << std::hex << w;
    }
    for (int32_t zeros = 0; zeros <= 32; ++zeros)
      for (int k = 0; k < 50; ++k) {
        const uint32_t w = zeros == 32 ? 0 : (rng() | 0x80000000u) >> zeros;
        ASSERT_EQ(IECCITTLookupCode(w, black), NaiveLookup(w, black)) << std::hex << w;
      }
  }
  EXPECT_EQ(IECCITTLookupCode(0, false), IECCITTNoCode);
  EXPECT_EQ(IECCITTLookupCode(1, true), IECCITTEndOfDataEntry);  // 31 zeros and a 1
  EXPECT_EQ(IECCITTLookupCode(1u << 20, false), IECCITTEOLEntry);
  EXPECT_EQ(IECCITTWhiteCodes[90].Value, 1728);
  EXPECT_EQ(IECCITTBlackCodes[103].Value, 2560);

  // Modes: the first code of the table that is a prefix; none -> zeros with
  // length 0.
  std::mt19937 rng(2);
  for (uint32_t v = 0; v < (1u << 12); ++v) {
    const uint32_t w = (v << 20) | (rng() & 0xFFFFF);
    int32_t expected = 0, expectedLength = 0;
    for (int32_t m = 0; m < IECCITTModeCount; ++m)
      if ((w >> (32 - IECCITTModeCodes[m].Length)) == IECCITTModeCodes[m].Bits) {
        expected = m;
        expectedLength = IECCITTModeCodes[m].Length;
        break;
      }
    int32_t length = -1;
    ASSERT_EQ(IECCITTLookupMode(w, length), expected) << std::hex << w;
    ASSERT_EQ(length, expectedLength);
  }
}

TEST(TiffCCITT, EncoderVectors) {
  // A white run of 2561: the 2560 make-up code and the terminating code for 1.
  EXPECT_EQ(EncodeMH(TBytes(321, 0), 2561), BitString("000000011111 000111"));
  // A row that starts black codes a white run of 0 first: 4 black, 4 white.
  EXPECT_EQ(EncodeMH({0xF0}, 8), BitString("00110101 011 1011"));
  // Runs above 2560 repeat the 2560 code: black 5200 = 2560 + 2560 + 64 + 16.
  TBytes black5200(650, 0xFF);
  EXPECT_EQ(EncodeMH(black5200, 5200), BitString("00110101 000000011111 000000011111 0000001111 0000010111"));
  // FillOrder 2 fills each byte from its least significant end; any other
  // value but 2 is most significant first.
  EXPECT_EQ(EncodeMH({0xF0}, 8, 2), ReverseBits(BitString("00110101 011 1011")));
  EXPECT_EQ(EncodeMH({0xF0}, 8, 0), BitString("00110101 011 1011"));

  const TRows white3(3, WhiteRow(8));
  // Group 3 two-dimensional: EOL 1 and the row 1-D (white 8), EOL 0 and V0
  // twice, then the closing EOL; the last bits padded by the strip's end.
  EXPECT_EQ(EncodeStrip(TMode::G3_2D, white3, 8, 1),
            BitString("000000000001 1 10011  000000000001 0 1  000000000001 0 1  000000000001"));
  // Group 4: V0 per row, then EOFB (two EOLs) and zero bits to a whole byte.
  EXPECT_EQ(EncodeStrip(TMode::G4, TRows(1, WhiteRow(8)), 8, 1), BitString("1 000000000001 000000000001 0000000"));
  // Group 3 one-dimensional: an EOL before every row, pending bits carried.
  EXPECT_EQ(EncodeStrip(TMode::G3_1D, TRows(2, WhiteRow(8)), 8, 1), BitString("000000000001 10011 000000000001 10011"));

  // The run coder keeps the bits already in its first byte.
  TBytes buffer(static_cast<size_t>(IECCITTRowBufferBytes(8)), 0);
  buffer[0] = 0xA0;  // 101 pending
  int32_t bit = 3;
  IECCITTCodeRuns1D(TBytes{0x00}.data(), 8, buffer.data(), 1, bit);
  EXPECT_EQ(bit, 8);
  EXPECT_EQ(buffer[0], 0xB3);  // 101 10011
}

TEST(TiffCCITT, DecoderVectors) {
  struct TCase {
    const char* Name;
    std::string Bits;
    int32_t Width;
    std::string Expected;  // pixels, 1 = white
  };
  const TCase cases[] = {
      {"black run completed by EOL", "1011 000000000001", 16, "1111000000000000"},
      {"EOL introducing the row is skipped", "000000000001 0111 11 0111", 6, "110011"},
      {"EOL with fill bits", "0000000 000000000001 0111 11 0111", 6, "110011"},
      // 32 zero bits start no code; the zeros before the next 1 then read as
      // an EOL that introduces the row.
      {"long zero runs are skipped", std::string(40, '0') + "1 0111 11 0111", 6, "110011"},
      {"end of data inside a black run", "1000", 8, "11100000"},
      {"runs clipped to the row", "1011 0011 1000", 6, "111100"},
      {"make-up then terminating code", "11011 00110101 011", 68, std::string(64, '1') + "0000"},
  };
  for (const TCase& c : cases) {
    TBytes data = BitString(c.Bits);
    TBytes row(RowBytes(c.Width));
    IECCITTDecode1DRow(row.data(), data.data(), static_cast<int32_t>(data.size()), 1, 0, c.Width);
    std::string got;
    for (int32_t x = 0; x < c.Width; ++x) got += Pixel(row, x) ? '1' : '0';
    EXPECT_EQ(got, c.Expected) << c.Name;
    // FillOrder 2 reads the bit-reversed bytes to the same row; so does any
    // other value but 1.
    for (int32_t fillOrder : {2, 0}) {
      TBytes reversed = ReverseBits(data);
      TBytes row2(RowBytes(c.Width));
      IECCITTDecode1DRow(row2.data(), reversed.data(), static_cast<int32_t>(reversed.size()), fillOrder, 0, c.Width);
      EXPECT_EQ(row2, row) << c.Name << " fill order " << fillOrder;
    }
  }

  // An EOL after codes ends the row and is left for the next one.
  const TBytes twoRows = BitString("000000000001 1000 0011 000000000001 10011");
  TBytes row(1);
  int32_t bit = IECCITTDecode1DRow(row.data(), twoRows.data(), static_cast<int32_t>(twoRows.size()), 1, 0, 8);
  EXPECT_EQ(row[0], 0xE0);  // 3 white, 5 black
  EXPECT_EQ(bit, 20);
  bit = IECCITTDecode1DRow(row.data(), twoRows.data(), static_cast<int32_t>(twoRows.size()), 1, bit, 8);
  EXPECT_EQ(row[0], 0xFF);
  EXPECT_EQ(bit, 37);

  // Modified Huffman answers whole bytes, never past the source.
  const TBytes mh = BitString("10011 0");
  EXPECT_EQ(IECCITTDecodeMHRow(row.data(), mh.data(), 1, 1, 8), 1);
  TBytes wide(RowBytes(50));
  EXPECT_EQ(IECCITTDecodeMHRow(wide.data(), mh.data(), 1, 1, 50), 1);
}

TEST(TiffCCITT, TwoDimensionalDecoderEdgeCases) {
  struct TCase {
    const char* Name;
    std::string Bits;
    bool EOLMode;
    int32_t Width;
    std::string Reference;  // empty: all white
    std::string Expected;
  };
  const TCase cases[] = {
      // V0 at pixel 0, then VR3 from the line's end points past the row:
      // clipped to it.
      {"vertical past the row", "1 0000011", false, 4, "0000", "0000"},
      // VL3 at the start points before the row: clipped to 0.
      {"vertical before the row", "0000010 1", false, 6, "011111", "011111"},
      {"pass while black", "010 0001", false, 8, "11001111", "10000000"},
      {"horizontal", "001 0111 11", false, 8, "", "11001111"},
      // Uncompressed mode: 1 (black), 01 (white black), 000001 (five white),
      // then exit 0000001 with tag 0.
      {"uncompressed mode", "0000001111 1 01 000001 0000001 0", false, 8, "", "01011111"},
      {"EOL and tag 1: a one-dimensional row", "000000000001 1 1000 0011", true, 8, "", "11100000"},
      {"fill bits before the EOL", "0000000 000000000001 1 1000 0011", true, 8, "", "11100000"},
      {"EOL ends a row in black", "011 000000000001", false, 8, "11000000", "11100000"},
      {"end of data in a black run", "010", false, 8, "00011111", "00000000"},
  };
  for (const TCase& c : cases) {
    TBytes data = BitString(c.Bits);
    TBytes ref = WhiteRow(c.Width);
    for (int32_t x = 0; x < static_cast<int32_t>(c.Reference.size()); ++x) SetPixel(ref, x, c.Reference[x] == '1');
    TBytes row(RowBytes(c.Width));
    IECCITTDecode2DRow(row.data(), data.data(), static_cast<int32_t>(data.size()), c.EOLMode, 1, 0, ref.data(),
                       c.Width);
    std::string got;
    for (int32_t x = 0; x < c.Width; ++x) got += Pixel(row, x) ? '1' : '0';
    EXPECT_EQ(got, c.Expected) << c.Name;
    EXPECT_EQ(ref, row) << c.Name << ": the reference line takes the row";
  }

  // An EOL within a row ends it and is read again as the next row's start.
  const TBytes data = BitString("001 1000 0011 000000000001 0 1");
  TBytes ref = WhiteRow(16), row(2);
  const int32_t bit =
      IECCITTDecode2DRow(row.data(), data.data(), static_cast<int32_t>(data.size()), true, 1, 0, ref.data(), 16);
  EXPECT_EQ(bit, 11);
  EXPECT_EQ(row, (TBytes{0xE0, 0xFF}));
}

TEST(TiffCCITT, RoundTripsInEveryModeAndFillOrder) {
  const TMode modes[] = {TMode::MH, TMode::G3_1D, TMode::G3_2D, TMode::G4};
  for (int32_t width : {1, 7, 8, 1728, 2600})
    for (TMode mode : modes)
      for (int32_t fillOrder : {1, 2}) {
        const int32_t count = width > 100 ? 24 : 40;
        const TRows rows = PatternRows(width, count, static_cast<uint32_t>(width) * 7 + static_cast<uint32_t>(mode));
        const TBytes strip = EncodeStrip(mode, rows, width, fillOrder);
        const TRows back = DecodeStrip(mode, strip, width, count, fillOrder);
        for (int32_t y = 0; y < count; ++y)
          ASSERT_EQ(back[static_cast<size_t>(y)], rows[static_cast<size_t>(y)])
              << ModeName(mode) << " width " << width << " fill order " << fillOrder << " row " << y;
      }
}

TEST(TiffCCITT, FillOrderConventionsDifferByDirection) {
  // Encoders: only 2 is least significant bit first. Decoders: only 1 is
  // most significant bit first. So data written with 0 reads back with 1.
  const TRows rows = PatternRows(100, 16, 5);
  const TBytes msb = EncodeStrip(TMode::G4, rows, 100, 0);
  EXPECT_EQ(msb, EncodeStrip(TMode::G4, rows, 100, 1));
  EXPECT_EQ(DecodeStrip(TMode::G4, msb, 100, 16, 1), rows);
  EXPECT_EQ(DecodeStrip(TMode::G4, ReverseBits(msb), 100, 16, 0), rows);
  EXPECT_EQ(DecodeStrip(TMode::G4, ReverseBits(msb), 100, 16, 2), rows);
}

TEST(TiffCCITT, EncodersReportShortWrites) {
  TFullStream full;
  bool abort = false;
  int32_t pendingBits = 0;
  uint8_t pendingByte = 0;
  std::unique_ptr<uint8_t[]> ref;
  const TBytes row(8, 0x0F);
  IECCITTEncodeG4Row(row.data(), 64, &full, 1, abort, ref, pendingBits, pendingByte);
  IECCITTEncodeG4Row(nullptr, 64, &full, 1, abort, ref, pendingBits, pendingByte);
  EXPECT_TRUE(abort);
  EXPECT_FALSE(ref);
  EXPECT_EQ(pendingBits, 0);
}

TEST(TiffCCITT, DecodersStayInsideDamagedData) {
  // Garbage, truncated strips and hostile widths: every read stays inside
  // the exact-size buffers (ASan), every row call returns, and a strip's
  // rows always come to an end.
  std::mt19937 rng(11);
  const TMode modes[] = {TMode::MH, TMode::G3_1D, TMode::G3_2D, TMode::G4};
  for (int round = 0; round < 60; ++round) {
    TBytes data(static_cast<size_t>(rng() % 300));
    for (auto& b : data) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng());
    const int32_t width = 1 + static_cast<int32_t>(rng() % 3000);
    for (TMode mode : modes)
      for (int32_t fillOrder : {1, 2}) {
        const TRows rows = DecodeStrip(mode, data, width, 20, fillOrder, round % 2 == 0);
        ASSERT_EQ(rows.size(), 20u);
      }
  }
  const TRows rows = PatternRows(1728, 16, 3);
  for (TMode mode : modes) {
    const TBytes strip = EncodeStrip(mode, rows, 1728, 1);
    for (size_t cut = 0; cut < strip.size(); cut += 1 + strip.size() / 40) {
      const TBytes part(strip.begin(), strip.begin() + static_cast<std::ptrdiff_t>(cut));
      DecodeStrip(mode, part, 1728, 16, 1);
    }
  }
  // Bit positions past the data, empty sources.
  TBytes row(4), ref = WhiteRow(30);
  EXPECT_EQ(IECCITTDecode1DRow(row.data(), nullptr, 0, 1, 0, 30), 0);
  EXPECT_EQ(row, TBytes(4, 0xFF));
  const TBytes one = {0x00};
  EXPECT_EQ(IECCITTDecode2DRow(row.data(), one.data(), 1, true, 1, 500, ref.data(), 30), 500);
  EXPECT_EQ(IECCITTDecodeMHRow(row.data(), one.data(), 1, 1, 30), 1);
}
