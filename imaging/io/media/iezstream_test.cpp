#include "imaging/io/media/iezstream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Bytes(TMemoryStream& s, int64_t from = 0) {
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return TBytes(p + from, p + s.Size());
}

TBytes Inflate(const TBytes& z, size_t expected) {
  TBytes out(expected + 1);
  uLongf len = static_cast<uLongf>(out.size());
  const int rc = uncompress(out.data(), &len, z.data(), static_cast<uLong>(z.size()));
  EXPECT_EQ(rc, Z_OK);
  out.resize(rc == Z_OK ? len : 0);
  return out;
}

TBytes Noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  TBytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// A destination that takes only its first Limit bytes.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t limit) : FLimit(limit) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    const int64_t room = std::max<int64_t>(0, FLimit - Position());
    return TMemoryStream::Write(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, room)));
  }

 private:
  int64_t FLimit;
};

template <class F>
String MessageOf(F&& f) {
  try {
    f();
  } catch (const EZCompressionError& e) {
    return e.Message();
  }
  return "no EZCompressionError";
}

}  // namespace

TEST(ZStream, EmptyStreamIsACompleteZlibStream) {
  TMemoryStream dest;
  { TZCompressionStream z(&dest, 2); }
  EXPECT_EQ(Bytes(dest), (TBytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_TRUE(Inflate(Bytes(dest), 0).empty());
}

TEST(ZStream, LevelIndexes) {
  // The header's level bits, and level 0 storing the bytes as they are.
  const TBytes data = Noise(3000, 1);
  const uint8_t headers[4][2] = {{0x78, 0x01}, {0x78, 0x01}, {0x78, 0x9C}, {0x78, 0xDA}};
  for (int32_t level = 0; level <= 3; ++level) {
    TMemoryStream dest;
    {
      TZCompressionStream z(&dest, level);
      z.WriteBuffer(data.data(), 3000);
    }
    const TBytes out = Bytes(dest);
    EXPECT_EQ(out[0], headers[level][0]) << level;
    EXPECT_EQ(out[1], headers[level][1]) << level;
    EXPECT_EQ(Inflate(out, data.size()), data) << level;
    if (level == 0) {
      // One stored block: header, 5-byte block head, the bytes, checksum.
      ASSERT_EQ(out.size(), 2 + 5 + data.size() + 4);
      EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin() + 7));
    }
  }
  TMemoryStream dest;
  EXPECT_EQ(MessageOf([&] { TZCompressionStream z(&dest, 4); }), "stream error");
  EXPECT_EQ(MessageOf([&] { TZCompressionStream z(&dest, -1); }), "stream error");
  EXPECT_EQ(dest.Size(), 0);
}

TEST(ZStream, OnlyTheCurrentPositionCanBeAsked) {
  TMemoryStream dest;
  TZCompressionStream z(&dest, 1);
  const TBytes data = Noise(1000, 2);
  z.WriteBuffer(data.data(), 1000);
  EXPECT_EQ(z.Seek(0, soCurrent), 1000);
  EXPECT_EQ(z.Position(), 1000);
  const std::pair<int64_t, TSeekOrigin> refused[] = {{0, soBeginning}, {0, soEnd}, {1, soCurrent}, {-1, soCurrent}};
  for (const auto& seek : refused)
    EXPECT_EQ(MessageOf([&] { z.Seek(seek.first, seek.second); }), "Invalid ZStream operation!");
  uint8_t buf[4];
  EXPECT_EQ(MessageOf([&] { z.Read(buf, 4); }), "Invalid ZStream operation!");
  z.Finish();
  EXPECT_EQ(z.Seek(0, soCurrent), 1000);
  EXPECT_EQ(MessageOf([&] { z.Write(buf, 4); }), "Invalid ZStream operation!");
  EXPECT_EQ(Inflate(Bytes(dest), 1000), data);
}

TEST(ZStream, LargeDataFlushesFullBuffersWithProgress) {
  TMemoryStream dest;
  const TBytes data = Noise(300000, 3);
  int32_t calls = 0;
  {
    TZCompressionStream z(&dest, 3);
    z.OnProgress = [&](TObject* sender) {
      EXPECT_EQ(sender, static_cast<TObject*>(&z));
      EXPECT_EQ(dest.Size() % TCustomZStream::BufferSize, 0);
      ++calls;
    };
    for (size_t at = 0; at < data.size(); at += 7000)
      z.WriteBuffer(data.data() + at, static_cast<int64_t>(std::min<size_t>(7000, data.size() - at)));
  }
  EXPECT_EQ(calls, 4);  // noise does not shrink: 4 full buffers of 64 KB
  EXPECT_EQ(Inflate(Bytes(dest), data.size()), data);
}

TEST(ZStream, ADestinationMovedBetweenWritesIsPutBack) {
  for (size_t first : {size_t(100), size_t(200000)}) {  // before and after a buffer flush
    TMemoryStream dest;
    const TBytes head = {1, 2, 3, 4, 5};
    dest.WriteBuffer(head.data(), 5);
    const TBytes data = Noise(250000, 4);
    {
      TZCompressionStream z(&dest, 2);
      z.WriteBuffer(data.data(), static_cast<int64_t>(first));
      dest.SetPosition(0);  // someone else moves it
      z.WriteBuffer(data.data() + first, static_cast<int64_t>(data.size() - first));
      dest.SetPosition(2);
    }
    const TBytes all = Bytes(dest);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), all.begin())) << first;
    EXPECT_EQ(Inflate(Bytes(dest, 5), data.size()), data) << first;
  }
}

TEST(ZStream, WriteErrorsRaiseFromFinishNotFromTheDestructor) {
  const TBytes data = Noise(100000, 5);
  {
    TShortStream dest(10);
    TZCompressionStream z(&dest, 2);
    EXPECT_THROW(z.WriteBuffer(data.data(), 100000), EWriteError);  // at the first full buffer
    EXPECT_THROW(z.Finish(), EWriteError);
    EXPECT_TRUE(z.Finished());
  }
  {
    // Nothing flushed before the destructor: it finishes, fails, reports and
    // does not raise; zlib's state is released either way (ASan's leak check).
    TShortStream dest(10);
    TZCompressionStream z(&dest, 2);
    z.WriteBuffer(data.data(), 1000);
  }
  SUCCEED();
}
