#include "imaging/model/pixels/iebufferedstream.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/exceptions.h"

namespace {
// A memory stream over the bytes 0 .. N - 1.
struct Source {
  explicit Source(int n) {
    for (int i = 0; i < n; ++i) {
      const auto b = static_cast<uint8_t>(i);
      stream.WriteBuffer(&b, 1);
    }
    stream.SetPosition(0);
  }
  TMemoryStream stream;
};
}  // namespace

TEST(ModelRoutines, BufferedStreamReadsAndSeeks) {
  Source src(10);
  TIEBufferedReadStream s(&src.stream, 4);
  uint8_t buf[16] = {};
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(s.Read(buf + 3, 3), 3);
  EXPECT_EQ(s.Read(buf + 6, 10), 4);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(buf[i], i);
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_EQ(s.Size(), 10);

  // From the end the offset counts backwards.
  EXPECT_EQ(s.Seek(0, soEnd), 10);
  EXPECT_EQ(s.Seek(2, soEnd), 8);
  EXPECT_EQ(s.Read(buf, 1), 1);
  EXPECT_EQ(buf[0], 8);
  EXPECT_EQ(s.Position(), 9);
  EXPECT_EQ(s.Seek(-4, soCurrent), 5);
  EXPECT_EQ(s.Read(buf, 2), 2);
  EXPECT_EQ(buf[0], 5);
  EXPECT_EQ(buf[1], 6);
  s.SetPosition(-3);
  EXPECT_EQ(s.Read(buf, 2), 0);

  EXPECT_THROW(s.Write(buf, 1), EStreamError);
}

TEST(ModelRoutines, BufferedStreamStartsAtSourcePosition) {
  Source src(10);
  src.stream.SetPosition(6);
  TIEBufferedReadStream s(&src.stream, 2);
  uint8_t buf[4];
  EXPECT_EQ(s.Position(), 6);
  EXPECT_EQ(s.Read(buf, 4), 4);
  EXPECT_EQ(buf[0], 6);
  EXPECT_EQ(buf[3], 9);
}

TEST(ModelRoutines, BufferedStreamGrowthIsBoundedBySource) {
  Source src(100);
  TIEBufferedReadStream s(&src.stream, 8);
  s.SetPosition(90);
  // A huge count (a corrupt length) grows the buffer only to what is left.
  std::vector<uint8_t> out(100);
  EXPECT_EQ(s.Read(out.data(), 1 << 30), 10);
  EXPECT_LE(s.BufferSize(), 10);
  EXPECT_EQ(out[0], 90);
  EXPECT_EQ(out[9], 99);

  s.SetPosition(0);
  EXPECT_EQ(s.Read(out.data(), 50), 50);  // larger than the buffer: it grows
  EXPECT_EQ(s.BufferSize(), 50);
  EXPECT_EQ(out[49], 49);
}
