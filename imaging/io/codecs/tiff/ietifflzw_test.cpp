#include "imaging/io/codecs/tiff/ietifflzw.h"

#include <gtest/gtest.h>

#include <random>

#include "imaging/io/codecs/tiff/tiff_testing.h"

using namespace tifftest;

namespace {

// Codes with their widths, packed most significant bit first.
TBytes Pack(const std::vector<std::pair<int32_t, int32_t>>& codes) {
  TBytes out;
  uint64_t acc = 0;
  int32_t bits = 0;
  for (auto [code, width] : codes) {
    acc = (acc << width) | static_cast<uint32_t>(code);
    bits += width;
    while (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  if (bits > 0) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
  return out;
}

// The codes of a stream, read with the widths a decoder uses (its table one
// entry behind the encoder's, widths growing at 511, 1023 and 2047).
std::vector<int32_t> ReadCodes(const TBytes& data) {
  std::vector<int32_t> codes;
  int64_t bit = 0;
  int32_t width = 9, tableSize = 258;
  bool first = true;
  while (bit + width <= int64_t(data.size()) * 8) {
    int32_t code = 0;
    for (int32_t k = 0; k < width; ++k, ++bit) code = (code << 1) | ((data[bit >> 3] >> (7 - (bit & 7))) & 1);
    codes.push_back(code);
    if (code == 257) break;
    if (code == 256) {
      width = 9;
      tableSize = 258;
      first = true;
      continue;
    }
    if (!first) {
      ++tableSize;
      if (tableSize == 511 || tableSize == 1023 || tableSize == 2047) ++width;
    }
    first = false;
  }
  return codes;
}

TBytes Encode(const TRows& rows) {
  TMemoryStream s;
  TIELZWEncoderState* state = nullptr;
  for (const TBytes& row : rows) IETIFFLZWEncode(row.data(), static_cast<int32_t>(row.size()), &s, state);
  IETIFFLZWEncode(nullptr, 0, &s, state);
  EXPECT_EQ(state, nullptr);
  return StreamBytes(s);
}

// Decodes Count rows from an exact-size copy of the data; stops at the
// first nil (the rows before it are answered).
TRows Decode(const TBytes& data, int32_t rowLength, int32_t count, bool* failed = nullptr) {
  const auto exact = std::make_unique<uint8_t[]>(std::max<size_t>(data.size(), 1));
  if (!data.empty()) std::memcpy(exact.get(), data.data(), data.size());
  TIELZWDecoderState* state = nullptr;
  TRows rows;
  if (failed) *failed = false;
  for (int32_t y = 0; y < count; ++y) {
    const uint8_t* row = IETIFFLZWDecode(exact.get(), static_cast<int64_t>(data.size()), rowLength, state);
    if (row == nullptr) {
      if (failed) *failed = true;
      break;
    }
    rows.emplace_back(row, row + rowLength);
  }
  EXPECT_EQ(IETIFFLZWDecode(nullptr, 0, 0, state), nullptr);
  EXPECT_EQ(state, nullptr);
  return rows;
}

TRows SampleRows(int32_t rowLength, int32_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  TRows rows;
  for (int32_t y = 0; y < count; ++y) {
    TBytes row(static_cast<size_t>(rowLength));
    const int kind = y % 4;
    for (int32_t x = 0; x < rowLength; ++x) {
      switch (kind) {
        case 0: row[x] = static_cast<uint8_t>(rng()); break;                 // noise
        case 1: row[x] = static_cast<uint8_t>((x / 7 + y) & 0xFF); break;    // runs
        case 2: row[x] = static_cast<uint8_t>(x * 3 + y); break;             // gradient
        default: row[x] = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 0);  // sparse
      }
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(TiffLZW, DecoderVectors) {
  auto nine = [](std::initializer_list<int32_t> codes) {
    std::vector<std::pair<int32_t, int32_t>> v;
    for (int32_t c : codes) v.emplace_back(c, 9);
    return Pack(v);
  };
  struct TCase {
    const char* Name;
    TBytes Data;
    int32_t RowLength;
    const char* Expected;  // nil when the stream is refused
  };
  const TCase cases[] = {
      {"one row of literals", nine({256, 'A', 'B', 'C', 257}), 3, "ABC"},
      {"a table string", nine({256, 'A', 'B', 258, 257}), 4, "ABAB"},
      {"KwKwK: the previous string and its first byte", nine({256, 'A', 258, 257}), 3, "AAA"},
      {"KwKwK after a longer string", nine({256, 'A', 'B', 258, 260, 257}), 7, "ABABABA"},
      {"no Clear first: no spurious entry", nine({'A', 'B', 258, 257}), 4, "ABAB"},
      {"Clear, Clear", nine({256, 256, 'X', 257}), 1, "X"},
      {"end code: the rest is zeros", nine({256, 'A', 257}), 3, "A\0\0"},
      {"a code beyond the table", nine({256, 'A', 300, 257}), 2, nullptr},
      {"a table code first after Clear", nine({256, 258, 257}), 1, nullptr},
      {"a stream cut inside a code", TBytes{0x80, 0x20}, 1, nullptr},
      {"no data", TBytes{}, 1, nullptr},
  };
  for (const TCase& c : cases) {
    bool failed = false;
    const TRows rows = Decode(c.Data, c.RowLength, 1, &failed);
    if (c.Expected == nullptr) {
      EXPECT_TRUE(failed) << c.Name;
    } else {
      ASSERT_FALSE(failed) << c.Name;
      EXPECT_EQ(rows[0], TBytes(c.Expected, c.Expected + c.RowLength)) << c.Name;
    }
  }

  // After the end code every further row is zeros.
  const TRows rows = Decode(nine({256, 'A', 'B', 257}), 1, 4);
  EXPECT_EQ(rows, (TRows{{'A'}, {'B'}, {0}, {0}}));
}

TEST(TiffLZW, WidthsGrowOneCodeEarly) {
  // 256 different bytes: every code a literal. Codes 1 to 254 after Clear
  // are 9 bits; the table then reaches 511 entries, so the rest are 10.
  TBytes bytes(256);
  for (int32_t i = 0; i < 256; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  std::vector<std::pair<int32_t, int32_t>> codes = {{256, 9}};
  for (int32_t i = 0; i < 256; ++i) codes.emplace_back(i, i < 254 ? 9 : 10);
  codes.emplace_back(257, 10);
  const TBytes expected = Pack(codes);
  EXPECT_EQ(Encode({bytes}), expected);
  EXPECT_EQ(Decode(expected, 256, 1), TRows{bytes});

  // A table never cleared fails when it would pass 4096 entries: the 3840th
  // code after Clear.
  std::vector<std::pair<int32_t, int32_t>> full = {{256, 9}};
  int32_t tableSize = 258, width = 9;
  for (int32_t k = 1; k <= 3840; ++k) {
    full.emplace_back(k % 256, width);
    if (k >= 2) {
      ++tableSize;
      if (tableSize == 511 || tableSize == 1023 || tableSize == 2047) ++width;
    }
  }
  bool failed = false;
  const TRows rows = Decode(Pack(full), 1, 3840, &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(rows.size(), 3839u);
}

TEST(TiffLZW, LongStreamsClearBeforeCode4094) {
  // A strip long enough to fill the table several times.
  const TRows rows = SampleRows(997, 200, 3);
  const TBytes data = Encode(rows);
  const std::vector<int32_t> codes = ReadCodes(data);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), 256);
  EXPECT_EQ(codes.back(), 257);
  EXPECT_GT(std::count(codes.begin(), codes.end(), 256), 3);
  EXPECT_EQ(std::count_if(codes.begin(), codes.end(), [](int32_t c) { return c >= 4094; }), 0);
  EXPECT_GT(*std::max_element(codes.begin(), codes.end()), 4000);
  EXPECT_EQ(Decode(data, 997, 200), rows);
}

TEST(TiffLZW, RoundTripsForEveryRowLength) {
  for (int32_t rowLength = 1; rowLength <= 48; ++rowLength) {
    const TRows rows = SampleRows(rowLength, 300, static_cast<uint32_t>(rowLength));
    ASSERT_EQ(Decode(Encode(rows), rowLength, 300), rows) << "row length " << rowLength;
  }
  for (int32_t rowLength : {255, 256, 4095, 4096, 4097, 20000}) {
    const TRows rows = SampleRows(rowLength, 12, static_cast<uint32_t>(rowLength));
    ASSERT_EQ(Decode(Encode(rows), rowLength, 12), rows) << "row length " << rowLength;
  }
  // Long runs of one byte make strings of thousands of bytes, longer than a
  // short row many times over.
  const TRows flat(400, TBytes(3, 0x42));
  EXPECT_EQ(Decode(Encode(flat), 3, 400), flat);
  const TRows one(1, TBytes(1, 7));
  EXPECT_EQ(Decode(Encode(one), 1, 1), one);
}

TEST(TiffLZW, DamagedStreamsFailInsideTheirData) {
  const TRows rows = SampleRows(64, 40, 9);
  const TBytes data = Encode(rows);
  // Cut short: the rows before the cut decode, then nil (the last bytes
  // only hold the end code).
  for (size_t cut = 0; cut + 2 < data.size(); cut += 7) {
    bool failed = false;
    const TRows got = Decode(TBytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut)), 64, 40, &failed);
    EXPECT_TRUE(failed) << "cut at " << cut;
    for (size_t y = 0; y < got.size(); ++y) ASSERT_EQ(got[y], rows[y]) << "cut at " << cut;
  }
  // Garbage: any answer, no read outside the data (ASan).
  std::mt19937 rng(4);
  for (int round = 0; round < 200; ++round) {
    TBytes junk(static_cast<size_t>(rng() % 600));
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    if (round % 2 == 0 && !junk.empty()) junk[0] = 0x80;  // starts with Clear
    Decode(junk, 1 + static_cast<int32_t>(rng() % 300), 50);
  }
  // Bad arguments.
  TIELZWDecoderState* state = nullptr;
  const uint8_t byte = 0x80;
  EXPECT_EQ(IETIFFLZWDecode(&byte, 1, 0, state), nullptr);
  EXPECT_EQ(state, nullptr);
}

TEST(TiffLZW, HooksAreInstalledAtStartUp) {
  IEInstallTIFFLZWHooks();
  EXPECT_EQ(IETIFFLZWDecoderHook, &IETIFFLZWDecode);
  EXPECT_EQ(IETIFFLZWEncoderHook, &IETIFFLZWEncode);
}
