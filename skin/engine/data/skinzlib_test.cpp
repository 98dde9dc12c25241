// The zlib wrappers: round trips at every level, the seek rules, progress
// and the underlying position, and the whole-stream routines' checks.
#include "skin/engine/data/skinzlib.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include "skin/engine/data/storedskin_testing.h"

namespace {

String Sample(size_t Size) {
  String s(Size, '\0');
  for (size_t i = 0; i < Size; ++i) s[i] = static_cast<char>((i * 31) % 251 + (i / 1000));
  return s;
}

// Bytes that do not compress.
String Noise(size_t Size) {
  String s(Size, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

String Compress(const String& Plain, TCompressionLevel Level) {
  TStringStream target;
  {
    TCompressionStream zip(Level, &target);
    zip.WriteBuffer(Plain.data(), static_cast<int64_t>(Plain.size()));
  }  // destruction finishes the zlib stream
  return target.DataString();
}

TEST(SkinZlib, RoundTripAtEveryLevel) {
  const String plain = Sample(20000);
  for (const TCompressionLevel level : {TCompressionLevel::clNone, TCompressionLevel::clFastest,
                                        TCompressionLevel::clDefault, TCompressionLevel::clMax}) {
    SCOPED_TRACE(static_cast<int>(level));
    const String packed = Compress(plain, level);
    uLongf size = static_cast<uLongf>(plain.size());
    String out(plain.size(), '\0');
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(packed.data()),
                         static_cast<uLong>(packed.size())),
              Z_OK);
    EXPECT_EQ(out, plain);
    // Stored blocks are larger than the input; the others are not.
    EXPECT_EQ(packed.size() > plain.size(), level == TCompressionLevel::clNone);
  }
}

TEST(SkinZlib, SeekRules) {
  const String plain = Sample(10000);
  const String packed = Compress(plain, TCompressionLevel::clMax);
  TStringStream target;
  TCompressionStream zip(TCompressionLevel::clDefault, &target);
  zip.WriteBuffer(plain.data(), 1234);
  EXPECT_EQ(zip.Seek(0, soCurrent), 1234);  // bytes taken in
  EXPECT_EQ(zip.Position(), 1234);

  TStringStream source(packed);
  TDecompressionStream unzip(&source);
  char byte = 0;
  EXPECT_EQ(unzip.Seek(100, soCurrent), 100);  // forward by reading
  unzip.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, plain[100]);
  EXPECT_EQ(unzip.Seek(5000, soBeginning), 5000);
  unzip.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, plain[5000]);
  EXPECT_EQ(unzip.Seek(0, soBeginning), 0);  // rewinds
  unzip.ReadBuffer(&byte, 1);
  EXPECT_EQ(byte, plain[0]);

  struct Case {
    const char* Name;
    TStream* Stream;
    int64_t Offset;
    TSeekOrigin Origin;
    bool Compression;
  };
  const Case invalid[] = {
      {"compression: forward", &zip, 1, soCurrent, true},
      {"compression: to the start", &zip, 0, soBeginning, true},
      {"compression: from the end", &zip, 0, soEnd, true},
      {"decompression: backward", &unzip, -1, soCurrent, false},
      {"decompression: to the bytes produced", &unzip, 1, soBeginning, false},
      {"decompression: from the end", &unzip, 0, soEnd, false},
  };
  for (const Case& c : invalid) {
    SCOPED_TRACE(c.Name);
    try {
      c.Stream->Seek(c.Offset, c.Origin);
      ADD_FAILURE() << "no exception";
    } catch (const EZlibError& e) {
      EXPECT_EQ(e.Message(), "Invalid stream operation");
      EXPECT_EQ(dynamic_cast<const ECompressionError*>(&e) != nullptr, c.Compression);
    }
  }
  EXPECT_THROW(zip.Read(&byte, 1), ECompressionError);
  EXPECT_THROW(unzip.Write(&byte, 1), EDecompressionError);
}

// Progress fires per buffer; another user moving the underlying stream does
// not disturb either wrapper.
TEST(SkinZlib, ProgressAndTheUnderlyingPosition) {
  const String plain = Noise(100000);
  TStringStream target;
  target.WriteString("head");
  int written = 0;
  {
    TCompressionStream zip(TCompressionLevel::clFastest, &target);
    zip.OnProgress = [&](TObject* Sender) {
      EXPECT_EQ(Sender, static_cast<TObject*>(&zip));
      ++written;
    };
    zip.WriteBuffer(plain.data(), 50000);
    target.SetPosition(0);
    zip.WriteBuffer(plain.data() + 50000, 50000);
  }
  EXPECT_GE(written, 10);
  ASSERT_EQ(target.DataString().substr(0, 4), "head");

  TStringStream source(target.DataString());
  source.SetPosition(4);
  TDecompressionStream unzip(&source);
  int read = 0;
  unzip.OnProgress = [&](TObject*) { ++read; };
  String out(plain.size(), '\0');
  unzip.ReadBuffer(out.data(), 10000);
  source.SetPosition(1);
  unzip.ReadBuffer(out.data() + 10000, 90000);
  EXPECT_EQ(out, plain);
  EXPECT_TRUE(unzip.Finished());
  EXPECT_EQ(read, static_cast<int>((target.DataString().size() - 4 + 4095) / TCustomZlibStream::BufferSize));
}

// Read answers what it has when the input ends; DecompressStream insists on
// zlib's end of stream and on a bounded result.
TEST(SkinZlib, WholeStreamChecks) {
  const String plain = Sample(50000);
  const String packed = Deflate(plain);
  const String cut = packed.substr(0, packed.size() / 2);

  TStringStream cutSource(cut);
  TDecompressionStream reader(&cutSource);
  String out(plain.size(), '\0');
  const int32_t got = reader.Read(out.data(), static_cast<int32_t>(out.size()));
  EXPECT_GT(got, 0);
  EXPECT_LT(got, static_cast<int32_t>(plain.size()));
  EXPECT_FALSE(reader.Finished());

  struct Case {
    const char* Name;
    String Packed;
  };
  String corrupt = packed;
  corrupt[corrupt.size() - 1] ^= 0x55;  // checksum
  // A header that asks for a preset dictionary, which is never given.
  const String dictionary("\x58\x28\x03\x00\xef\x03\x27", 7);
  const Case cases[] = {
      {"cut", cut}, {"bad checksum", corrupt}, {"not zlib", "plain text"}, {"preset dictionary", dictionary}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TStringStream source(c.Packed), target;
    EXPECT_THROW(DecompressStream(&target, &source), EDecompressionError);
  }

  TStringStream ok(packed), target;
  DecompressStream(&target, &ok);
  EXPECT_EQ(target.DataString(), plain);
}

// Counts what is written and keeps nothing.
class TCountingStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t Count) override {
    FSize += Count;
    return Count;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
  int64_t FSize = 0;
};

TEST(SkinZlib, InflationIsBounded) {
  // 64 MiB and one byte of zeros deflate to about 64 KB.
  const String zeros(static_cast<size_t>(bsMaxInflatedSize) + 1, '\0');
  uLongf size = compressBound(static_cast<uLong>(zeros.size()));
  String packed(size, '\0');
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(zeros.data()),
                      static_cast<uLong>(zeros.size()), Z_BEST_SPEED),
            Z_OK);
  packed.resize(size);
  TStringStream source(packed);
  TCountingStream target;
  try {
    DecompressStream(&target, &source);
    ADD_FAILURE() << "no exception";
  } catch (const EDecompressionError& e) {
    EXPECT_EQ(e.Message(), "Inflated data exceeds 64 MiB");
  }
  EXPECT_LE(target.FSize, bsMaxInflatedSize);
  EXPECT_GT(target.FSize, bsMaxInflatedSize - TCustomZlibStream::BufferSize);
}

// Destruction finishes the stream and releases zlib even when the
// underlying stream refuses the data (ASan reports a leak otherwise).
TEST(SkinZlib, DestructionFinishesEvenWhenWritingFails) {
  const String plain = Sample(100);
  TCustomMemoryStream readOnly;
  readOnly.SetPointer(plain.data(), 0);
  {
    TCompressionStream zip(TCompressionLevel::clMax, &readOnly);
    zip.WriteBuffer(plain.data(), static_cast<int64_t>(plain.size()));
  }
  TCompressionStream zip(TCompressionLevel::clMax, &readOnly);
  zip.WriteBuffer(plain.data(), static_cast<int64_t>(plain.size()));
  EXPECT_THROW(zip.Finish(), EWriteError);
  EXPECT_NO_THROW(zip.Finish());  // runs once
}

}  // namespace
