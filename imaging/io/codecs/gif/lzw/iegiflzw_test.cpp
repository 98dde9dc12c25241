#include "imaging/io/codecs/gif/lzw/iegiflzw.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/io/codecs/gif/lzw/giflzw_testing.h"
#include "platform/rtl/streams.h"

using giflzwtest::TCodeWriter;

namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& Pixels, int32_t Width, int32_t Height, bool Interlaced,
                            int32_t Bits) {
  TMemoryStream s;
  IEGIFLZWEncode(&s, Height, Width, Interlaced, Pixels.data(), Bits);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(p, p + s.Size());
}

// Decodes Bytes; Moved tells whether the stream position moved (success).
struct TDecoded {
  bool Moved = false;
  int64_t End = 0;
  std::vector<uint8_t> Data;
};
TDecoded Decode(const std::vector<uint8_t>& Bytes, int32_t Width, int32_t Height, bool Interlaced, uint8_t Fill = 0,
                size_t Slack = 0) {
  TCustomMemoryStream s;
  s.SetPointer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  TDecoded r;
  r.Data.assign(static_cast<size_t>(Width) * Height + Slack, Fill);
  IEGIFLZWDecode(&s, Height, Width, Interlaced, r.Data.data());
  r.End = s.Position();
  r.Moved = r.End != 0;
  return r;
}

std::vector<uint8_t> Noise(size_t Count, int32_t Bits, uint32_t Seed) {
  std::mt19937 rng(Seed);
  std::vector<uint8_t> v(Count);
  for (auto& b : v) b = static_cast<uint8_t>(rng() & ((1u << Bits) - 1));
  return v;
}

TEST(GifLzw, RoundTripOverDepthsSizesAndInterlace) {
  uint32_t seed = 1;
  for (int32_t bits = 1; bits <= 8; ++bits)
    for (int32_t width = 1; width <= 19; ++width)
      for (int32_t height = 1; height <= 5; ++height)
        for (const bool interlaced : {false, true}) {
          const auto pixels = Noise(static_cast<size_t>(width) * height, bits, seed++);
          const auto bytes = Encode(pixels, width, height, interlaced, bits);
          const TDecoded d = Decode(bytes, width, height, interlaced, 0xEE);
          ASSERT_EQ(d.Data, pixels) << bits << " bits " << width << "x" << height << (interlaced ? " interlaced" : "");
          ASSERT_EQ(d.End, static_cast<int64_t>(bytes.size()));
        }
}

TEST(GifLzw, LargeImagesClearTheFullTableAndStillRoundTrip) {
  // Noise fills the 4096 codes many times over; a flat image barely once.
  for (const int32_t bits : {2, 8}) {
    for (const bool flat : {false, true}) {
      std::vector<uint8_t> pixels = Noise(301 * 257, bits, 99);
      if (flat)
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i / 1000) & ((1 << bits) - 1));
      for (const bool interlaced : {false, true}) {
        const auto bytes = Encode(pixels, 301, 257, interlaced, bits);
        EXPECT_EQ(Decode(bytes, 301, 257, interlaced).Data, pixels);
      }
    }
  }
}

TEST(GifLzw, EncoderLayout) {
  // One bit per pixel still uses code size 2: clear 4 in 3 bits first.
  const auto one = Encode({1, 0, 1, 1}, 4, 1, false, 1);
  ASSERT_GE(one.size(), 4u);
  EXPECT_EQ(one[0], 2);
  EXPECT_EQ(one[2] & 7, 4);
  EXPECT_EQ(one.back(), 0);

  // Sub-blocks of 254 bytes except the last.
  const auto pixels = Noise(120 * 100, 8, 7);
  const auto bytes = Encode(pixels, 120, 100, false, 8);
  std::vector<int32_t> lengths;
  for (size_t at = 1; at < bytes.size() && bytes[at] != 0; at += bytes[at] + 1u) lengths.push_back(bytes[at]);
  ASSERT_GT(lengths.size(), 3u);
  for (size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 254);
  EXPECT_LE(lengths.back(), 254);

  // A frame without pixels: code size, clear, end, terminator.
  const auto empty = Encode({}, 0, 0, false, 8);
  ASSERT_EQ(empty.size(), 6u);
  EXPECT_EQ(empty[0], 8);
  EXPECT_EQ(empty[1], 3);
  EXPECT_EQ(empty[2] | (empty[3] << 8) | ((empty[4] & 0x03) << 16), 256 | (257 << 9));
  EXPECT_EQ(empty[5], 0);
}

TEST(GifLzw, InterlacedRowsAreCodedInPassOrder) {
  // Row y holds the value y; decoding without interlace shows the coded order.
  const std::vector<std::vector<uint8_t>> orders = {{0},          {0, 1},          {0, 2, 1},
                                                    {0, 2, 1, 3}, {0, 4, 2, 1, 3}, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}};
  for (const auto& order : orders) {
    const auto height = static_cast<int32_t>(order.size());
    std::vector<uint8_t> pixels(static_cast<size_t>(height) * 3);
    for (int32_t y = 0; y < height; ++y) std::fill_n(pixels.begin() + y * 3, 3, static_cast<uint8_t>(y));
    const TDecoded d = Decode(Encode(pixels, 3, height, true, 4), 3, height, false);
    for (int32_t y = 0; y < height; ++y) EXPECT_EQ(d.Data[static_cast<size_t>(y) * 3], order[static_cast<size_t>(y)]);
  }
}

// Bad streams are rejected by restoring the position; the odd valid ones
// (clears in a row, a deferred clear) are read.
TEST(GifLzw, DecoderRejectsBadStreamsByRestoringThePosition) {
  // A table filled to 4096 codes: literal 0 over and over.
  auto fill = [](TCodeWriter& w) {
    w.Clear();
    while (w.Next() < 4096) w.Data(0);
  };
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Accepted;
  };
  std::vector<Case> cases;
  cases.push_back({"code size 1", {1, 2, 0x0D, 0x00, 0}, false});
  cases.push_back({"code size 10", {10, 2, 0x00, 0x04, 0}, false});
  {
    TCodeWriter w(2);
    w.Clear();
    w.Clear();
    w.Data(1);
    w.Data(2);
    w.End();
    cases.push_back({"clears in a row", w.Bytes(), true});
  }
  {
    TCodeWriter w(2);
    w.Clear();
    w.End();
    w.Data(1);
    w.Data(1);
    cases.push_back({"end after clear with data left", w.Bytes(), false});
  }
  {
    TCodeWriter w(2);
    w.Clear();
    w.Data(1);
    w.Data(7);  // next is 6
    w.End();
    cases.push_back({"code above next", w.Bytes(), false});
  }
  {
    TCodeWriter w(2);
    w.Clear();
    w.Data(1);
    w.Data(6);  // the code being defined
    w.End();
    cases.push_back({"code equal to next", w.Bytes(), true});
  }
  {
    TCodeWriter w(2);
    fill(w);
    w.Data(0);
    w.End();
    cases.push_back({"deferred clear", w.Bytes(), true});
  }
  {
    TCodeWriter w(2);
    fill(w);
    w.Clear();
    w.Data(3);
    w.End();
    cases.push_back({"clear when full", w.Bytes(), true});
  }
  for (const Case& c : cases) {
    const TDecoded d = Decode(c.Bytes, 4096, 2, false);
    EXPECT_EQ(d.Moved, c.Accepted) << c.Name;
    if (c.Accepted) {
      EXPECT_EQ(d.End, static_cast<int64_t>(c.Bytes.size())) << c.Name;
    }
  }
}

TEST(GifLzw, ShortDataLeavesTheRestAndSurplusIsDropped) {
  const auto pixels = Noise(8 * 6, 4, 3);
  const auto bytes = Encode(pixels, 8, 6, false, 4);

  // Cut in the middle of the codes: the rest of Data keeps its fill.
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 12);
  cut[1] = 10;
  const TDecoded partial = Decode(cut, 8, 6, false, 0xEE);
  EXPECT_TRUE(partial.Moved);
  EXPECT_EQ(partial.Data.back(), 0xEE);
  EXPECT_TRUE(std::equal(partial.Data.begin(), partial.Data.begin() + 4, pixels.begin()));

  // Six rows of data for a buffer of three rows: nothing past it is written.
  for (const bool interlaced : {false, true}) {
    const TDecoded d = Decode(Encode(pixels, 8, 6, interlaced, 4), 8, 3, interlaced, 0xEE, 16);
    EXPECT_TRUE(d.Moved);
    for (size_t i = 24; i < d.Data.size(); ++i) ASSERT_EQ(d.Data[i], 0xEE) << i;
  }
  // Nothing at all: the position does not move.
  EXPECT_FALSE(Decode({}, 2, 2, false).Moved);
}

}  // namespace
