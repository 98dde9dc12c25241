#include "imaging/model/pixels/iebitmap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <latch>
#include <thread>

#include "imaging/model/pixels/pixels_testing.h"
#include "platform/rtl/exceptions.h"

namespace {

using PF = TIEPixelFormat;
using LOC = TIELocation;

const TIEDataAccess kRead{TIEDataAccessItem::iedRead};

size_t PixelBytes(const TIEBitmap& B) { return (size_t(B.Width()) * size_t(B.BitCount()) + 7) / 8; }

uint8_t PatternByte(int32_t y, size_t i, uint8_t seed) { return static_cast<uint8_t>(y * 31 + i * 7 + seed); }

// Writes a pattern into every pixel byte of every row.
void Paint(TIEBitmap& B, uint8_t Seed) {
  for (int32_t y = 0; y < B.Height(); ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (size_t i = 0; i < PixelBytes(B); ++i) row[i] = PatternByte(y, i, Seed);
  }
  B.FreeRowBuffers();
}

// Number of pixel bytes that differ from the pattern.
size_t Mismatches(TIEBitmap& B, uint8_t Seed) {
  size_t bad = 0;
  for (int32_t y = 0; y < B.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(B.ScanLine(y));
    for (size_t i = 0; i < PixelBytes(B); ++i) bad += row[i] != PatternByte(y, i, Seed);
  }
  return bad;
}

}  // namespace

using ModelBitmapStorage = PixelsTempDirTest;
using ModelBitmapRows = PixelsTempDirTest;
using ModelBitmapCopy = PixelsTempDirTest;

TEST_F(ModelBitmapStorage, NewBitmap) {
  TIEBitmap b;
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.PixelFormat(), PF::ienull);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Location(), LOC::ieFile);
  EXPECT_EQ(b.Access(), (TIEDataAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite}));
  EXPECT_EQ(b.BWConversion(), 1);
  EXPECT_EQ(b.QuantizeColors(), 256);
  EXPECT_EQ(b.RowAlignment(), 32);
  EXPECT_FALSE(b.HasAlphaChannel());
  // Half the available memory, or 32 MiB when that is unknown.
  const int64_t available = IEAvailablePhysicalMemory();
  EXPECT_LE(available, 2000000000);
  EXPECT_EQ(b.MemoryThreshold(), available == 0 ? 33554432 : available / 2);

  IEMemoryThresholdOverride = 1234;
  EXPECT_EQ(TIEBitmap().MemoryThreshold(), 1234);
}

TEST_F(ModelBitmapStorage, MemoryImageIsOneAlignedBottomUpBlock) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(100, 100, PF::ie24RGB);
  EXPECT_EQ(b.Location(), LOC::ieMemory);
  EXPECT_EQ(b.RowLen(), 300);
  EXPECT_EQ(b.BitCount(), 24);
  EXPECT_FALSE(b.IsEmpty());
  auto* bottom = static_cast<uint8_t*>(b.ScanLine(99));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bottom) % 32, 0u);
  for (int32_t y = 0; y < 100; ++y) EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(y)), bottom + 300 * (99 - y));
  EXPECT_EQ(std::count(bottom, bottom + 30000, 0), 30000);  // zero-filled
  EXPECT_EQ(b.GetRow(7), b.ScanLine(7));
  EXPECT_TRUE(Files().empty());
}

TEST_F(ModelBitmapStorage, FileImageLivesInPrivateTemporaryFile) {
  std::string path;
  {
    TIEBitmap b;
    b.SetMemoryThreshold(0);
    b.Allocate(100, 100, PF::ie24RGB);
    EXPECT_EQ(b.Location(), LOC::ieFile);
    EXPECT_EQ(b.RowLen(), 300);
    path = OnlyFile();
    EXPECT_TRUE(IsTempName(path.substr(Dir.size() + 1), "IMG")) << path;
    EXPECT_EQ(std::filesystem::file_size(path), 30000u);
    EXPECT_EQ(Mode(path), 0600u);
    // Rows are top-down in the file and start zeroed.
    auto* row = static_cast<uint8_t*>(b.ScanLine(1));
    EXPECT_EQ(std::count(row, row + 300, 0), 300);
    row[0] = 9;
    b.FreeRowBuffers();
    EXPECT_EQ(ReadAll(path)[300], 9);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(Files().empty());
}

TEST_F(ModelBitmapStorage, ThresholdDecidesWithStrictComparisons) {
  struct Case {
    LOC asked;
    int32_t threshold;
    LOC expected;
  };
  // 100 x 100 ie24RGB is 30000 bytes.
  for (const Case& c : {Case{LOC::ieFile, 30000, LOC::ieFile}, Case{LOC::ieMemory, 30000, LOC::ieMemory},
                        Case{LOC::ieFile, 30001, LOC::ieMemory}, Case{LOC::ieMemory, 29999, LOC::ieFile},
                        Case{LOC::ieMemory, 0, LOC::ieFile}}) {
    SCOPED_TRACE(testing::Message() << int(c.asked) << " at " << c.threshold);
    TIEBitmap b;
    b.SetMemoryThreshold(c.threshold);
    b.SetLocation(c.asked);
    b.Allocate(100, 100, PF::ie24RGB);
    EXPECT_EQ(b.Location(), c.expected);
    EXPECT_EQ(Files().size(), c.expected == LOC::ieFile ? 1u : 0u);
  }
  // A threshold of 0 sends even one pixel to a file.
  TIEBitmap tiny;
  tiny.SetMemoryThreshold(0);
  tiny.SetLocation(LOC::ieMemory);
  tiny.Allocate(1, 1, PF::ie1g);
  EXPECT_EQ(tiny.Location(), LOC::ieFile);
}

TEST_F(ModelBitmapStorage, UnwritableTemporaryDirectoryGivesMemoryImage) {
  std::ofstream(Dir + "/plain") << "x";
  IETempDirectory = Dir + "/plain/sub";
  TIEBitmap b;
  b.SetMemoryThreshold(0);
  ASSERT_NO_THROW(b.Allocate(10, 10, PF::ie8g));
  EXPECT_EQ(b.Location(), LOC::ieMemory);
  Paint(b, 3);
  EXPECT_EQ(Mismatches(b, 3), 0u);
}

TEST_F(ModelBitmapStorage, OversizedImagesAreRefusedBeforeAllocation) {
  struct Case {
    int32_t width, height;
    PF format;
  };
  for (const Case& c : {Case{50000, 50000, PF::ie24RGB}, Case{50000, 50000, PF::ie8p}, Case{2147483647, 1, PF::ieRGB48},
                        Case{46341, 46341, PF::ie8g}}) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    TIEBitmap b;
    b.SetMemoryThreshold(0);  // a file would show in the folder
    try {
      b.Allocate(c.width, c.height, c.format);
      ADD_FAILURE() << "not refused";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find("Image too large"), String::npos) << e.Message();
      EXPECT_NE(e.Message().find("2147483647"), String::npos) << e.Message();
    }
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.PaletteLength(), 0);
    EXPECT_TRUE(Files().empty());
  }
  // Just below the limit the size check passes: 46340 x 46340 bytes < 2^31.
  EXPECT_LT(IEBitmapRowLen(46340, 8, 32) * 46340, IEMaxImageBytes);
}

TEST_F(ModelBitmapStorage, EmptyShapesAllocateNothing) {
  TIEBitmap b;
  b.SetMemoryThreshold(0);
  b.Allocate(0, 10, PF::ie24RGB);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 10);
  EXPECT_EQ(b.PixelFormat(), PF::ie24RGB);
  EXPECT_EQ(b.BitCount(), 0);
  EXPECT_EQ(b.RowLen(), 0);
  EXPECT_TRUE(b.IsEmpty());
  b.Allocate(10, 10, PF::ienull);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_TRUE(Files().empty());

  // FreeImage keeps the pixel format and the location.
  b.Allocate(4, 4, PF::ie16g);
  EXPECT_EQ(b.Location(), LOC::ieFile);
  b.FreeImage(true);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.PixelFormat(), PF::ie16g);
  EXPECT_EQ(b.Location(), LOC::ieFile);
  EXPECT_TRUE(Files().empty());
}

TEST_F(ModelBitmapStorage, Palette) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(4, 4, PF::ie8p);
  ASSERT_EQ(b.PaletteLength(), 256);
  TRGB c = MakeTRGB(1, 2, 3);
  b.GetPaletteColor(255, c);
  EXPECT_EQ(c, TRGB());  // zeroed
  b.SetPaletteColor(10, MakeTRGB(7, 8, 9));
  b.GetPaletteColor(10, c);
  EXPECT_EQ(c, MakeTRGB(7, 8, 9));
  // Out of range: ignored, the colour is left alone.
  b.SetPaletteColor(256, MakeTRGB(1, 1, 1));
  b.SetPaletteColor(-1, MakeTRGB(1, 1, 1));
  c = MakeTRGB(5, 5, 5);
  b.GetPaletteColor(256, c);
  b.GetPaletteColor(-1, c);
  EXPECT_EQ(c, MakeTRGB(5, 5, 5));

  b.Allocate(4, 4, PF::ie8g);
  EXPECT_EQ(b.PaletteLength(), 0);
}

TEST_F(ModelBitmapStorage, AlphaChannel) {
  IEMemoryThresholdOverride = 0;  // every bitmap, alpha channels too, in a file
  TIEBitmap b;
  b.Allocate(5, 3, PF::ie24RGB);
  EXPECT_FALSE(b.HasAlphaChannel());
  TIEBitmap* alpha = b.AlphaChannel();
  ASSERT_NE(alpha, nullptr);
  EXPECT_TRUE(b.HasAlphaChannel());
  EXPECT_EQ(b.AlphaChannel(), alpha);
  EXPECT_TRUE(alpha->IsAlphaChannel());
  EXPECT_EQ(alpha->PixelFormat(), PF::ie8g);
  EXPECT_EQ(alpha->Width(), 5);
  EXPECT_EQ(alpha->Height(), 3);
  EXPECT_EQ(alpha->Location(), LOC::ieFile);  // the owner's
  EXPECT_TRUE(alpha->Full());
  for (int32_t y = 0; y < 3; ++y) {
    auto* row = static_cast<uint8_t*>(alpha->ScanLine(y));
    EXPECT_EQ(std::count(row, row + 5, 255), 5);
  }
  EXPECT_EQ(alpha->AlphaChannel(), nullptr);  // none on an alpha channel
  EXPECT_FALSE(alpha->HasAlphaChannel());
  EXPECT_EQ(Files().size(), 2u);
  b.RemoveAlphaChannel();
  EXPECT_FALSE(b.HasAlphaChannel());
  EXPECT_EQ(Files().size(), 1u);

  // An ieTBitmap owner gives a memory alpha channel.
  IEMemoryThresholdOverride = -1;
  auto direct = TIEBitmap::CreateAsAlphaChannel(2, 2, LOC::ieTBitmap);
  EXPECT_EQ(direct->Location(), LOC::ieMemory);
  EXPECT_TRUE(direct->IsAlphaChannel());
}

TEST_F(ModelBitmapStorage, SetLocationMovesPixelsPaletteAndAlpha) {
  TIEBitmap b;
  b.SetMemoryThreshold(1000000);
  b.SetLocation(LOC::ieMemory);
  b.Allocate(7, 5, PF::ie8p);
  Paint(b, 11);
  b.SetPaletteColor(200, MakeTRGB(1, 2, 3));
  b.AlphaChannel()->FillRect(0, 0, 0, 0, 17);
  b.SetFull(true);
  ASSERT_EQ(b.Location(), LOC::ieMemory);

  b.SetMemoryThreshold(0);
  b.SetLocation(LOC::ieFile);
  EXPECT_EQ(b.Location(), LOC::ieFile);
  EXPECT_EQ(Files().size(), 1u);  // the alpha channel stays in memory
  EXPECT_EQ(Mismatches(b, 11), 0u);
  EXPECT_FALSE(b.Full());
  TRGB c;
  b.GetPaletteColor(200, c);
  EXPECT_EQ(c, MakeTRGB(1, 2, 3));
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_EQ(static_cast<uint8_t*>(b.AlphaChannel()->ScanLine(0))[0], 17);

  // Rows still held in GetRow buffers move along.
  auto* held = static_cast<uint8_t*>(b.GetRow(4));
  held[6] = 0xEE;
  b.SetMemoryThreshold(1000000);
  b.SetLocation(LOC::ieMemory);
  EXPECT_EQ(b.Location(), LOC::ieMemory);
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(4))[6], 0xEE);
  static_cast<uint8_t*>(b.ScanLine(4))[6] = PatternByte(4, 6, 11);
  EXPECT_EQ(Mismatches(b, 11), 0u);

  // A request for memory is only a preference: the threshold still decides.
  b.SetMemoryThreshold(0);
  b.SetLocation(LOC::ieFile);
  b.SetLocation(LOC::ieMemory);
  EXPECT_EQ(b.Location(), LOC::ieFile);
  EXPECT_EQ(Mismatches(b, 11), 0u);
}

TEST_F(ModelBitmapStorage, PlatformBitmapRefusesFormatsItCannotHold) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(3, 3, PF::ie32f);
  b.Fill(0.25);
  try {
    b.SetLocation(LOC::ieTBitmap);
    ADD_FAILURE() << "not refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ie32f pixel format not allowed when Location=ieTBitmap");
  }
  // The image is kept as it was.
  EXPECT_EQ(b.Location(), LOC::ieMemory);
  EXPECT_EQ(b.PixelFormat(), PF::ie32f);
  float f;
  std::memcpy(&f, b.ScanLine(2), sizeof f);
  EXPECT_EQ(f, 0.25f);
}

TEST_F(ModelBitmapStorage, ThreadsDrawingTheSameNamesGetDistinctFiles) {
  IESetTempFileNameSeed(42);  // every thread draws the same sequence
  constexpr int kThreads = 4;
  std::latch start(kThreads), done(kThreads), release(1);
  std::vector<std::thread> threads;
  std::vector<LOC> locations(kThreads);
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      TIEBitmap b;
      b.SetMemoryThreshold(0);
      start.arrive_and_wait();
      b.Allocate(10, 10, PF::ie8g);
      locations[size_t(i)] = b.Location();
      done.count_down();
      release.wait();  // keep the file until every thread has one
    });
  }
  done.wait();
  const auto names = Files();
  release.count_down();
  for (auto& t : threads) t.join();
  for (LOC l : locations) EXPECT_EQ(l, LOC::ieFile);
  EXPECT_EQ(names.size(), size_t(kThreads));
  EXPECT_TRUE(Files().empty());
}

// ---- Rows of file images ------------------------------------------------------------

TEST_F(ModelBitmapRows, GetRowBuffersReachTheFileOnFreeRowBuffers) {
  TIEBitmap b;
  PreferFile(b);
  b.Allocate(8, 10, PF::ie8g);
  const std::string path = OnlyFile();
  auto* r2 = static_cast<uint8_t*>(b.GetRow(2));
  auto* r7 = static_cast<uint8_t*>(b.GetRow(7));
  b.ScanLine(4);  // other rows meanwhile: both stay valid
  std::memset(r2, 2, 8);
  std::memset(r7, 7, 8);
  EXPECT_EQ(ReadAll(path)[2 * 8], 0);  // not yet
  b.FreeRowBuffers();
  const auto bytes = ReadAll(path);
  EXPECT_EQ(std::count(bytes.begin() + 16, bytes.begin() + 24, 2), 8);
  EXPECT_EQ(std::count(bytes.begin() + 56, bytes.begin() + 64, 7), 8);
}

TEST_F(ModelBitmapRows, ScanLineWritesThePreviousRowBack) {
  TIEBitmap b;
  PreferFile(b);
  b.Allocate(8, 10, PF::ie8g);
  const std::string path = OnlyFile();
  std::memset(b.ScanLine(5), 5, 8);
  EXPECT_EQ(ReadAll(path)[5 * 8], 0);
  b.ScanLine(6);
  EXPECT_EQ(ReadAll(path)[5 * 8], 5);
}

TEST_F(ModelBitmapRows, ReadOnlyBuffersDiscardWrites) {
  TIEBitmap b;
  PreferFile(b);
  b.Allocate(8, 4, PF::ie8g);
  const std::string path = OnlyFile();
  auto* writable = static_cast<uint8_t*>(b.GetRow(0));  // made while writable
  b.SetAccess(kRead);
  std::memset(b.ScanLine(1), 1, 8);
  std::memset(b.GetRow(2), 2, 8);
  std::memset(writable, 9, 8);
  b.FreeRowBuffers();
  const auto bytes = ReadAll(path);
  EXPECT_EQ(std::count(bytes.begin(), bytes.begin() + 8, 9), 8);  // its own access counts
  EXPECT_EQ(std::count(bytes.begin() + 8, bytes.end(), 0), 24);
}

TEST_F(ModelBitmapRows, OlderBufferOfOneRowWinsAndFreeRowTakesTheOldest) {
  TIEBitmap b;
  PreferFile(b);
  b.Allocate(4, 4, PF::ie8g);
  const std::string path = OnlyFile();
  auto* older = static_cast<uint8_t*>(b.GetRow(3));
  auto* newer = static_cast<uint8_t*>(b.GetRow(3));
  std::memset(older, 1, 4);
  std::memset(newer, 2, 4);
  b.FreeRowBuffers();
  EXPECT_EQ(ReadAll(path)[12], 1);

  older = static_cast<uint8_t*>(b.GetRow(3));
  newer = static_cast<uint8_t*>(b.GetRow(3));
  std::memset(older, 5, 4);
  std::memset(newer, 6, 4);
  b.FreeRow(3);
  EXPECT_EQ(ReadAll(path)[12], 5);
  b.FreeRow(3);
  EXPECT_EQ(ReadAll(path)[12], 6);
  b.FreeRow(3);  // none left: nothing
}

// ---- Copies ----------------------------------------------------------------------------

TEST_F(ModelBitmapCopy, AssignBetweenLocationsWithAndWithoutAlpha) {
  struct Case {
    LOC source, dest;
    bool alpha;
  };
  for (LOC s : {LOC::ieMemory, LOC::ieFile})
    for (LOC d : {LOC::ieMemory, LOC::ieFile})
      for (bool alpha : {false, true}) {
        SCOPED_TRACE(testing::Message() << "source " << int(s) << ", dest " << int(d) << ", alpha " << alpha);
        // The override puts alpha channels where their owners are.
        IEMemoryThresholdOverride = s == LOC::ieFile ? 0 : 2147483647;
        TIEBitmap src;
        src.SetLocation(s);
        src.Allocate(13, 9, PF::ie24RGB);
        Paint(src, 1);
        src.SetFull(true);
        src.SetBWConversion(0);
        if (alpha) {
          src.AlphaChannel()->FillRect(2, 3, 4, 5, 77);
          src.AlphaChannel()->SetFull(false);
        }

        IEMemoryThresholdOverride = d == LOC::ieFile ? 0 : 2147483647;
        TIEBitmap dst;
        dst.SetLocation(d);
        dst.Allocate(3, 3, PF::ie8g);
        if (!alpha) dst.AlphaChannel();  // to be removed by the copy
        dst.SetQuantizeColors(16);

        dst.Assign(&src);
        // The last row is in the file too, not only in a pending buffer.
        if (d == LOC::ieFile) {
          EXPECT_EQ(static_cast<uint8_t*>(dst.GetRow(8))[0], PatternByte(8, 0, 1));
          dst.FreeRowBuffers();
        }
        EXPECT_EQ(dst.Location(), d);
        EXPECT_EQ(dst.Width(), 13);
        EXPECT_EQ(dst.Height(), 9);
        EXPECT_EQ(dst.PixelFormat(), PF::ie24RGB);
        EXPECT_EQ(Mismatches(dst, 1), 0u);
        EXPECT_EQ(Mismatches(src, 1), 0u);
        EXPECT_TRUE(dst.Full());
        EXPECT_EQ(dst.BWConversion(), 0);
        EXPECT_EQ(dst.QuantizeColors(), 16);    // never copied
        EXPECT_EQ(dst.Access(), src.Access());  // both restored
        ASSERT_EQ(dst.HasAlphaChannel(), alpha);
        if (alpha) {
          TIEBitmap* a = dst.AlphaChannel();
          EXPECT_EQ(a->Width(), 13);
          EXPECT_FALSE(a->Full());
          EXPECT_EQ(static_cast<uint8_t*>(a->ScanLine(4))[3], 77);
          EXPECT_EQ(static_cast<uint8_t*>(a->ScanLine(0))[0], 255);
        }
      }
  IEMemoryThresholdOverride = -1;
}

TEST_F(ModelBitmapCopy, AssignCopiesPaletteAndRowAlignment) {
  TIEBitmap src, dst;
  PreferMemory(src);
  PreferFile(dst);
  src.SetRowAlignment(8);
  src.Allocate(5, 2, PF::ie8p);
  src.SetPaletteColor(3, MakeTRGB(9, 8, 7));
  Paint(src, 4);
  dst.Assign(&src);
  EXPECT_EQ(dst.RowAlignment(), 8);
  EXPECT_EQ(dst.RowLen(), 5);
  TRGB c;
  dst.GetPaletteColor(3, c);
  EXPECT_EQ(c, MakeTRGB(9, 8, 7));
  EXPECT_EQ(Mismatches(dst, 4), 0u);

  // Assigning itself or a foreign object changes nothing.
  dst.Assign(&dst);
  TObject other;
  dst.Assign(&other);
  EXPECT_EQ(Mismatches(dst, 4), 0u);

  // Its own alpha channel: the bitmap becomes a copy of it, without alpha.
  TIEBitmap* alpha = dst.AlphaChannel();
  alpha->FillRect(0, 0, 0, 0, 5);
  dst.Assign(alpha);
  EXPECT_EQ(dst.PixelFormat(), PF::ie8g);
  EXPECT_FALSE(dst.HasAlphaChannel());
  EXPECT_EQ(static_cast<uint8_t*>(dst.ScanLine(0))[0], 5);
  EXPECT_EQ(static_cast<uint8_t*>(dst.ScanLine(1))[4], 255);
}

TEST_F(ModelBitmapCopy, CopyFromTIEBitmapLeavesAlphaChannelAlone) {
  TIEBitmap src, dst;
  PreferMemory(src);
  PreferMemory(dst);
  src.Allocate(10, 6, PF::ie24RGB);
  Paint(src, 2);
  src.AlphaChannel()->Fill(0);
  src.SetFull(true);
  src.SetRowAlignment(32);
  src.SetBWConversion(0);

  dst.SetRowAlignment(8);
  dst.Allocate(4, 4, PF::ie8g);
  dst.AlphaChannel()->Fill(7);
  TIEBitmap* ownAlpha = dst.AlphaChannel();

  dst.CopyFromTIEBitmap(&src);
  EXPECT_EQ(dst.Width(), 10);
  EXPECT_EQ(dst.PixelFormat(), PF::ie24RGB);
  EXPECT_EQ(dst.RowLen(), 30);  // its own alignment of 8 bits
  EXPECT_EQ(Mismatches(dst, 2), 0u);
  EXPECT_FALSE(dst.Full());
  EXPECT_EQ(dst.BWConversion(), 1);
  ASSERT_EQ(dst.AlphaChannel(), ownAlpha);
  EXPECT_EQ(ownAlpha->Width(), 4);  // not resized
  EXPECT_EQ(static_cast<uint8_t*>(ownAlpha->ScanLine(0))[0], 7);

  // An empty source changes nothing.
  TIEBitmap empty;
  dst.CopyFromTIEBitmap(&empty);
  EXPECT_EQ(dst.Width(), 10);
  EXPECT_EQ(Mismatches(dst, 2), 0u);
}

TEST_F(ModelBitmapCopy, MoveToHandsOverStorageWithoutCopying) {
  for (LOC where : {LOC::ieMemory, LOC::ieFile}) {
    SCOPED_TRACE(int(where));
    TIEBitmap src, dst;
    src.SetMemoryThreshold(where == LOC::ieFile ? 0 : 2147483647);
    src.SetLocation(where);
    src.Allocate(6, 4, PF::ie8p);
    Paint(src, 5);
    src.SetPaletteColor(1, MakeTRGB(1, 1, 1));
    src.AlphaChannel();
    src.SetQuantizeColors(8);
    src.SetAccess(kRead);
    void* memoryRow = where == LOC::ieMemory ? src.ScanLine(0) : nullptr;
    const auto filesBefore = Files();

    dst.Allocate(2, 2, PF::ie24RGB);
    src.MoveTo(&dst);
    EXPECT_EQ(dst.Width(), 6);
    EXPECT_EQ(dst.Location(), where);
    EXPECT_TRUE(dst.HasAlphaChannel());
    TRGB c;
    dst.GetPaletteColor(1, c);
    EXPECT_EQ(c, MakeTRGB(1, 1, 1));
    EXPECT_EQ(Mismatches(dst, 5), 0u);
    if (memoryRow) {
      EXPECT_EQ(dst.ScanLine(0), memoryRow);  // same block
    }
    EXPECT_EQ(Files(), filesBefore);  // same file

    EXPECT_TRUE(src.IsEmpty());
    EXPECT_EQ(src.PixelFormat(), PF::ienull);
    EXPECT_FALSE(src.HasAlphaChannel());
    EXPECT_EQ(src.PaletteLength(), 0);
    EXPECT_EQ(src.Location(), where);
    EXPECT_EQ(src.Access(), kRead);
    EXPECT_EQ(src.QuantizeColors(), 8);
    EXPECT_EQ(src.MemoryThreshold(), where == LOC::ieFile ? 0 : 2147483647);
  }
}

TEST_F(ModelBitmapCopy, EncapsulateMemoryUsesTheCallersRows) {
  std::vector<uint8_t> rows(12 * 3);  // 3 rows of 4 ie24RGB pixels, bottom-up
  rows[0] = 42;                       // first pixel of the bottom row
  TIEBitmap b;
  b.SetLocation(LOC::ieFile);
  b.EncapsulateMemory(rows.data(), 4, 3, PF::ie24RGB, true);
  EXPECT_EQ(b.Location(), LOC::ieMemory);
  EXPECT_TRUE(b.MemoryExternal());
  EXPECT_EQ(b.RowLen(), 12);
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(b.ScanLine(y), rows.data() + 12 * (2 - y));
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(2))[0], 42);
  static_cast<uint8_t*>(b.ScanLine(0))[1] = 43;
  EXPECT_EQ(rows[24 + 1], 43);
  b.FreeImage(true);  // the block is the caller's: not freed
  EXPECT_FALSE(b.MemoryExternal());
  EXPECT_EQ(rows[0], 42);

  // Without FreeFirst the alpha channel survives; a nil block leaves it empty.
  PreferMemory(b);
  b.Allocate(4, 3, PF::ie24RGB);
  b.AlphaChannel();
  b.EncapsulateMemory(rows.data(), 4, 3, PF::ie24RGB, false);
  EXPECT_TRUE(b.HasAlphaChannel());
  b.EncapsulateMemory(nullptr, 4, 3, PF::ie24RGB, true);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_FALSE(b.HasAlphaChannel());
}
