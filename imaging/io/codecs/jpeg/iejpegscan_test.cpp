// The byte scanners: start search, stream length, table qualities and ICC
// profile chunks.
#include <gtest/gtest.h>

#include <array>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg/jpeg_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieicc.h"
#include "platform/rtl/streams.h"

using namespace jpegtest;

namespace {

// Annex K.1 and K.2 tables in the zigzag order of a DQT segment.
constexpr std::array<int32_t, 64> kNaturalLuma = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
constexpr std::array<int32_t, 64> kZigzag = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

std::array<int32_t, 64> Luma(int32_t Factor) {
  std::array<int32_t, 64> t{};
  for (int k = 0; k < 64; ++k) t[k] = kNaturalLuma[kZigzag[k]] * Factor;
  return t;
}
std::array<int32_t, 64> Chroma(int32_t Factor) {
  static constexpr int32_t head[4][4] = {{17, 18, 24, 47}, {18, 21, 26, 66}, {24, 26, 56, 99}, {47, 66, 99, 99}};
  std::array<int32_t, 64> t{};
  for (int k = 0; k < 64; ++k) {
    const int n = kZigzag[k], r = n / 8, c = n % 8;
    t[k] = (r < 4 && c < 4 ? head[r][c] : 99) * Factor;
  }
  return t;
}
std::array<int32_t, 64> Ones() {
  std::array<int32_t, 64> t{};
  t.fill(1);
  return t;
}

// One table of a DQT segment: its Pq/Tq byte and the entries (two bytes
// each when Wide).
Bytes Table(int32_t Number, const std::array<int32_t, 64>& Entries, bool Wide = false) {
  Bytes b{static_cast<uint8_t>((Wide ? 0x10 : 0) | Number)};
  for (int32_t v : Entries) {
    if (Wide) b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
  }
  return b;
}

Bytes Head(const Bytes& Data, size_t Count) {
  return Bytes(Data.begin(), Data.begin() + static_cast<ptrdiff_t>(Count));
}

const Bytes kSOI{0xFF, 0xD8};
const Bytes kEOI{0xFF, 0xD9};

std::vector<int32_t> Qualities(const Bytes& Data) {
  TCustomMemoryStream stream;
  stream.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::vector<int32_t> q;
  const int32_t n = IEJPEGTableQualities(&stream, q);
  EXPECT_EQ(n, static_cast<int32_t>(q.size()));
  EXPECT_EQ(stream.Position(), 0);
  return q;
}

}  // namespace

TEST(JpegScan, FindStartLooksAtOneHundredPositions) {
  struct Case {
    size_t Offset;
    int64_t Expected;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{99, 99}, Case{100, -1}}) {
    Bytes data(c.Offset, 0x00);
    data.insert(data.end(), {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    data.resize(data.size() + 200, 0x00);
    // The search starts at the stream's position, which it keeps.
    Bytes framed = InsertAt(data, 0, Bytes(7, 0xAA));
    TCustomMemoryStream stream;
    stream.SetPointer(framed.data(), static_cast<int64_t>(framed.size()));
    stream.SetPosition(7);
    const int64_t found = IEFindJPEGStart(&stream);
    EXPECT_EQ(found, c.Expected < 0 ? -1 : c.Expected + 7) << "offset " << c.Offset;
    EXPECT_EQ(stream.Position(), 7);
  }
  for (const Bytes& data : {Bytes{}, Bytes{0xFF, 0xD8}, Bytes{0xFF, 0xD8, 0x00, 0xFF, 0xD8}}) {
    TCustomMemoryStream stream;
    stream.SetPointer(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(IEFindJPEGStart(&stream), -1);
  }
}

TEST(JpegScan, StreamLengthEndsAtEOI) {
  TIEBitmap picture;
  MakePicture(picture, 24, 16);
  const Bytes file = Encode(picture).Data;
  ASSERT_GT(file.size(), 100u);
  // Skipped segments may hold FF D9; so may nothing in the entropy data.
  const Bytes withComment = InsertAt(file, 2, Segment(0xFE, Bytes{0xFF, 0xD9, 0xFF, 0xD9}));
  const Bytes prefix(5, 0x11);
  struct Case {
    Bytes Data;
    int64_t Expected;
  };
  const Case cases[] = {
      {Join({prefix, file, Bytes(50, 0x22)}), static_cast<int64_t>(file.size())},
      {Join({prefix, withComment, Text("trailing")}), static_cast<int64_t>(withComment.size())},
      {Join({prefix, Bytes(file.begin(), file.begin() + 60)}), 60},                      // cut: to the end
      {Join({prefix, Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9, 0x00}}), 8},  // length below 2
  };
  for (const auto& c : cases) {
    TCustomMemoryStream stream;
    stream.SetPointer(c.Data.data(), static_cast<int64_t>(c.Data.size()));
    stream.SetPosition(5);
    EXPECT_EQ(IEJPEGStreamLength(&stream), c.Expected);
    EXPECT_EQ(stream.Position(), 5);
  }
}

TEST(JpegScan, TableQualities) {
  struct Case {
    const char* Name;
    Bytes Data;
    std::vector<int32_t> Expected;
  };
  const Case cases[] = {
      {"all ones", Join({kSOI, Segment(0xDB, Table(0, Ones())), kEOI}), {100}},
      {"standard tables", Join({kSOI, Segment(0xDB, Join({Table(0, Luma(1)), Table(1, Chroma(1))})), kEOI}), {50, 50}},
      {"doubled", Join({kSOI, Segment(0xDB, Join({Table(0, Luma(2)), Table(1, Chroma(2))})), kEOI}), {25, 25}},
      {"16-bit entries", Join({kSOI, Segment(0xDB, Table(0, Luma(10), true)), kEOI}), {5}},
      {"two segments: the first only",
       Join({kSOI, Segment(0xDB, Table(0, Luma(1))), Segment(0xDB, Table(1, Chroma(2))), kEOI}),
       {50}},
      {"tables 2 and 3 give none",
       Join({kSOI, Segment(0xDB, Join({Table(2, Luma(1)), Table(0, Luma(2))})), kEOI}),
       {25}},
      {"after other segments",
       Join({kSOI, Segment(0xE1, Bytes{0xFF, 0xDB, 0x00}), Segment(0xC4, Bytes(20, 0xFF)),
             Segment(0xDB, Table(0, Ones()))}),
       {100}},
      {"EOI first", Join({kSOI, kEOI, Segment(0xDB, Table(0, Ones()))}), {}},
      {"length below 2", Join({kSOI, Bytes{0xFF, 0xDB, 0x00, 0x01}, Table(0, Ones())}), {}},
      {"table cut by the segment", Join({kSOI, Segment(0xDB, Head(Table(0, Ones()), 30))}), {}},
      {"table cut by the end", Head(Join({kSOI, Segment(0xDB, Table(0, Ones(), true))}), 50), {}},
      {"empty", Bytes{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Qualities(c.Data), c.Expected) << c.Name;

  // At most 15 values from one segment.
  Bytes many;
  for (int i = 0; i < 20; ++i) many = Join({many, Table(i % 2, Ones())});
  EXPECT_EQ(Qualities(Join({kSOI, Segment(0xDB, many), kEOI})).size(), 15u);
}

TEST(JpegScan, QualityOfOurOwnFiles) {
  TIEBitmap picture;
  MakePicture(picture, 16, 16);
  for (int32_t q : {25, 50, 75, 100}) {
    const Bytes file = Encode(picture, [q](TIOParamsVals& p) { p.JPEGQuality = q; }).Data;
    // libjpeg writes each table in a segment of its own: the luminance counts.
    const auto found = Qualities(file);
    ASSERT_EQ(found.size(), 1u) << q;
    EXPECT_NEAR(found[0], q, 1) << q;
  }
}

namespace {

Bytes ICCChunk(int32_t Seq, int32_t Count, const Bytes& Payload) {
  Bytes data = Text(std::string("ICC_PROFILE") + '\0');
  data.push_back(static_cast<uint8_t>(Seq));
  data.push_back(static_cast<uint8_t>(Count));
  data.insert(data.end(), Payload.begin(), Payload.end());
  return Segment(0xE2, data);
}

// The bytes the record's input profile holds after the scan (empty: none).
Bytes LoadedProfile(const Bytes& Data) {
  TCustomMemoryStream stream;
  stream.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  TIOParamsVals params;
  IEReadJPEGICCProfile(&stream, params);
  EXPECT_EQ(stream.Position(), 0);
  if (!params.InputICC || params.InputICC->RawSize() == 0) return {};
  return Bytes(params.InputICC->Raw(), params.InputICC->Raw() + params.InputICC->RawSize());
}

}  // namespace

TEST(JpegScan, ICCChunksAreJoinedInSequenceOrder) {
  const Bytes a = Text("first-part."), b = Text("second-part."), c = Text("third");
  struct Case {
    const char* Name;
    Bytes Data;
    Bytes Expected;
  };
  const Case cases[] = {
      {"in order", Join({kSOI, ICCChunk(1, 2, a), ICCChunk(2, 2, b), kEOI}), Join({a, b})},
      {"out of order, other APP2 between",
       Join({kSOI, ICCChunk(3, 3, c), Segment(0xE2, Text("FPXR")), ICCChunk(1, 3, a), ICCChunk(2, 3, b), kEOI}),
       Join({a, b, c})},
      {"duplicate ignored", Join({kSOI, ICCChunk(1, 2, a), ICCChunk(1, 2, c), ICCChunk(2, 2, b)}), Join({a, b})},
      {"bad sequence numbers ignored",
       Join({kSOI, ICCChunk(0, 1, c), ICCChunk(2, 1, c), ICCChunk(1, 0, c), ICCChunk(1, 1, a)}), a},
      {"chunk missing: nothing", Join({kSOI, ICCChunk(1, 2, a), kEOI, ICCChunk(2, 2, b)}), {}},
      {"short marker skipped", Join({kSOI, Segment(0xE2, Text("ICC_PROF")), ICCChunk(1, 1, a)}), a},
      {"cut marker", Head(Join({kSOI, ICCChunk(1, 1, a)}), 20), {}},
      {"empty payloads: nothing", Join({kSOI, ICCChunk(1, 1, {}), kEOI}), {}},
  };
  for (const auto& k : cases) EXPECT_EQ(LoadedProfile(k.Data), k.Expected) << k.Name;
}
