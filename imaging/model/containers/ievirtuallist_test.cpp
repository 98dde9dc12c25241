#include "imaging/model/containers/ievirtuallist.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "platform/rtl/exceptions.h"

namespace {

class ModelVirtualImageList : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = std::string(std::getenv("HOME")) + "/vlist-XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    Dir = templ;
    IETempDirectory = Dir;
  }
  void TearDown() override {
    IETempDirectory.clear();
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }

  // A 24-bit image whose bytes encode a seed and their position.
  static std::unique_ptr<TIEBitmap> Image24(int32_t W, int32_t H, uint8_t Seed) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(W, H, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x)
        *b->PixelRGB(x, y) = MakeTRGB(Seed, static_cast<uint8_t>(x), static_cast<uint8_t>(y));
    return b;
  }

  static std::vector<uint8_t> FileBytes(const std::string& Path, int64_t Position, int64_t Size) {
    std::ifstream in(Path, std::ios::binary);
    in.seekg(Position);
    std::vector<uint8_t> bytes(static_cast<size_t>(Size));
    in.read(reinterpret_cast<char*>(bytes.data()), Size);
    return bytes;
  }

  static int64_t FileLength(const std::string& Path) { return static_cast<int64_t>(std::filesystem::file_size(Path)); }

  std::string Dir;
};

}  // namespace

TEST_F(ModelVirtualImageList, NewListAndFirstImage) {
  TIEVirtualImageList list("ILIST");
  ASSERT_TRUE(list.HasFile());
  const std::string name = list.FileName();
  EXPECT_EQ(std::filesystem::path(name).parent_path(), std::filesystem::path(Dir));
  EXPECT_EQ(std::filesystem::path(name).filename().string().rfind("ILIST-", 0), 0u);
  EXPECT_EQ(FileLength(name), 262144);

  auto bmp = Image24(100, 100, 1);
  TIEVirtualImage* image = list.AddBitmap(bmp.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Size, 30000);
  EXPECT_EQ(image->AllocatedSize, 30000);
  EXPECT_EQ(image->Position, 0);
  EXPECT_EQ(list.End(), 30000);
  EXPECT_EQ(list.FileSize(), 262144);
  EXPECT_EQ(FileLength(name), 262144);
  EXPECT_NE(image->Memory, nullptr);  // left mapped
  EXPECT_EQ(image->OriginalWidth, 100);
  EXPECT_EQ(list.GetImageWidth(image), 100);
  EXPECT_EQ(list.GetImagePixelFormat(image), TIEPixelFormat::ie24RGB);

  // The list is deleted with its file.
  {
    TIEVirtualImageList other("ICACHE");
    ASSERT_TRUE(std::filesystem::exists(other.FileName()));
    const std::string otherName = other.FileName();
    other.AddBitmap(bmp.get());
    other.Clear();
    EXPECT_FALSE(std::filesystem::exists(otherName));
    // A store after Clear makes a new file.
    EXPECT_NE(other.AddBitmap(bmp.get()), nullptr);
    EXPECT_TRUE(other.HasFile());
  }
  EXPECT_EQ(std::filesystem::directory_iterator(Dir)->path().string(), name);
}

TEST_F(ModelVirtualImageList, StoredLayoutAndRoundTrip) {
  TIEVirtualImageList list("ILIST");
  auto bmp = Image24(5, 3, 9);  // RowLen 16
  TIEBitmap* alpha = bmp->AlphaChannel();
  for (int32_t x = 0; x < 5; ++x) alpha->SetPixel8(x, 1, static_cast<uint8_t>(40 + x));
  TIEVirtualImage* image = list.AddBitmap(bmp.get());
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->Size, 3 * 16 + 1 + 3 * 8);

  // Unmapping writes the copy back: bottom-up rows, the Full byte, then the
  // alpha rows bottom-up.
  list.SetMaxMapped(1);
  auto other = Image24(2, 2, 0);
  ASSERT_NE(list.AddBitmap(other.get()), nullptr);
  ASSERT_EQ(image->Memory, nullptr);
  const auto bytes = FileBytes(list.FileName(), image->Position, image->Size);
  for (int32_t y = 0; y < 3; ++y)
    EXPECT_EQ(std::memcmp(&bytes[static_cast<size_t>(16 * (2 - y))], bmp->ScanLine(y), 15), 0) << y;
  EXPECT_EQ(bytes[48], 0);  // alpha not Full
  EXPECT_EQ(bytes[49 + 8 * (2 - 1) + 3], 43);
  EXPECT_EQ(bytes[49 + 8 * (2 - 0) + 3], 255);

  TIEBitmap back;
  list.CopyToBitmap(image, &back);
  ASSERT_EQ(back.PixelFormat(), TIEPixelFormat::ie24RGB);
  ASSERT_EQ(back.Width(), 5);
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(back.ScanLine(y), bmp->ScanLine(y), 15), 0);
  ASSERT_TRUE(back.HasAlphaChannel());
  EXPECT_FALSE(back.AlphaChannel()->Full());
  EXPECT_EQ(back.AlphaChannel()->GetPixel8(4, 1), 44);
  EXPECT_NE(list.GetImageAlphaBits(image), nullptr);

  // 1-bit images come back as ie1g.
  TIEBitmap bits;
  bits.Allocate(33, 2, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(bits.ScanLine(1))[4] = 0x80;
  TIEVirtualImage* mono = list.AddBitmap(&bits);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->Size, 2 * 8);
  TIEBitmap monoBack;
  list.CopyToBitmap(mono, &monoBack);
  EXPECT_EQ(monoBack.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(static_cast<uint8_t*>(monoBack.ScanLine(1))[4], 0x80);
  EXPECT_FALSE(monoBack.HasAlphaChannel());
}

TEST_F(ModelVirtualImageList, FullAlphaIsNotRestored) {
  TIEVirtualImageList list("ILIST");
  auto bmp = Image24(32, 32, 3);
  bmp->AlphaChannel();
  ASSERT_TRUE(bmp->AlphaChannel()->Full());
  TIEVirtualImage* image = list.AddBitmap(bmp.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->HasAlpha, 1);
  TIEBitmap back;
  back.Allocate(32, 32, TIEPixelFormat::ie24RGB);
  back.AlphaChannel();
  list.CopyToBitmap(image, &back);
  EXPECT_FALSE(back.HasAlphaChannel());
  EXPECT_EQ(list.GetImageAlphaBits(image), nullptr);
}

TEST_F(ModelVirtualImageList, GrowthByALargeImage) {
  TIEVirtualImageList list("ILIST");
  auto big = Image24(100, 1000, 2);  // 300000 bytes
  TIEVirtualImage* image = list.AddBitmap(big.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(list.Increment(), 300000);  // 300000 + LastSize 0
  EXPECT_EQ(list.LastSize(), 300000);
  EXPECT_EQ(list.FileSize(), 262144 + 300000);
  EXPECT_EQ(FileLength(list.FileName()), 262144 + 300000);
  EXPECT_EQ(list.End(), 300000);

  // The next large one adds LastSize to the step.
  auto bigger = Image24(100, 1100, 2);  // 330000 > 300000
  ASSERT_NE(list.AddBitmap(bigger.get()), nullptr);
  EXPECT_EQ(list.Increment(), 330000 + 300000);
  EXPECT_EQ(list.FileSize(), 562144 + 630000);
}

TEST_F(ModelVirtualImageList, EvictionKeepsMaxMappedImages) {
  TIEVirtualImageList list("ILIST");
  ASSERT_EQ(list.MaxMapped(), 10);
  std::vector<TIEVirtualImage*> images;
  for (int i = 0; i < 11; ++i) {
    auto bmp = Image24(10, 10, static_cast<uint8_t>(i + 1));
    images.push_back(list.AddBitmap(bmp.get()));
    ASSERT_NE(images.back(), nullptr);
  }
  EXPECT_EQ(list.MappedCount(), 10);
  EXPECT_EQ(images[0]->Memory, nullptr);
  for (int i = 1; i < 11; ++i) EXPECT_NE(images[static_cast<size_t>(i)]->Memory, nullptr) << i;
  // Written back when unmapped.
  const auto bytes = FileBytes(list.FileName(), images[0]->Position, 4);
  EXPECT_EQ(bytes[0], 9);  // blue of pixel (0, 9): y
  EXPECT_EQ(bytes[2], 1);  // red: the seed
  const auto second = FileBytes(list.FileName(), images[1]->Position, 3);
  EXPECT_EQ(second[2], 0);  // image 1 is still only in memory

  // Touching the first again maps it and evicts the least recently used.
  auto* bits = static_cast<uint8_t*>(list.GetImageBits(images[0]));
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(bits[1], 0);                  // green of pixel (0, 9): x = 0
  EXPECT_EQ(bits[3 * 4 + 1], 4);          // pixel (4, 9)
  EXPECT_EQ(images[1]->Memory, nullptr);  // evicted
  EXPECT_EQ(list.MappedCount(), 10);
}

TEST_F(ModelVirtualImageList, FirstFitReuseNeverSplits) {
  TIEVirtualImageList list("ILIST");
  auto keep = Image24(100, 100, 1);
  auto gone = Image24(100, 100, 2);
  ASSERT_NE(list.AddBitmap(keep.get()), nullptr);
  TIEVirtualImage* freed = list.AddBitmap(gone.get());
  ASSERT_NE(freed, nullptr);
  const int64_t position = freed->Position;
  list.DeleteImage(freed);
  ASSERT_EQ(list.FreeBlockCount(), 1);
  EXPECT_EQ(list.FreeBlockSize(0), 30000);

  auto small = Image24(66, 100, 3);  // RowLen 200: 20000 bytes
  TIEVirtualImage* reused = list.AddBitmap(small.get());
  ASSERT_NE(reused, nullptr);
  EXPECT_EQ(reused->Position, position);
  EXPECT_EQ(reused->AllocatedSize, 20000);
  EXPECT_EQ(list.FreeBlockCount(), 0);
  EXPECT_EQ(list.End(), 60000);  // not moved by a reuse

  list.DeleteImage(reused);
  ASSERT_EQ(list.FreeBlockCount(), 1);
  EXPECT_EQ(list.FreeBlockPosition(0), position);
  EXPECT_EQ(list.FreeBlockSize(0), 20000);  // the surplus of 10000 is lost
}

TEST_F(ModelVirtualImageList, DeletingTheLastImageResetsTheFile) {
  TIEVirtualImageList list("ILIST");
  auto big = Image24(100, 1000, 2);
  TIEVirtualImage* a = list.AddBitmap(big.get());
  auto small = Image24(10, 10, 2);
  TIEVirtualImage* b = list.AddBitmap(small.get());
  ASSERT_TRUE(a && b);
  list.DeleteImage(a);
  EXPECT_EQ(list.End(), 300000 + 320);
  list.DeleteImage(b);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.End(), 0);
  EXPECT_EQ(list.FreeBlockCount(), 0);
  EXPECT_EQ(list.FileSize(), 300000);
  EXPECT_EQ(FileLength(list.FileName()), 300000);
  EXPECT_THROW(list.Delete(0), EListError);
}

TEST_F(ModelVirtualImageList, SharedBitmaps) {
  TIEVirtualImageList list("ILIST");
  auto bmp = Image24(8, 6, 5);
  TIEVirtualImage* image = list.AddBitmap(bmp.get());
  ASSERT_NE(image, nullptr);
  TIEBitmap* first = list.GetBitmap(image);
  TIEBitmap* second = list.GetBitmap(image);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(image->Cached);
  EXPECT_EQ(std::memcmp(first->ScanLine(2), bmp->ScanLine(2), 24), 0);
  EXPECT_EQ(list.GetImageBits(image), first->ScanLine(5));

  // Changes saved back with a new size move the image to new space.
  first->Allocate(4, 4, TIEPixelFormat::ie24RGB);
  first->PixelRGB(1, 1)->g = 99;
  EXPECT_EQ(list.GetImageWidth(image), 4);  // from the shared bitmap
  list.ReleaseBitmap(first, true);
  EXPECT_TRUE(image->Cached);
  EXPECT_EQ(image->Width, 4);
  EXPECT_EQ(image->Position, 144);
  list.ReleaseBitmap(second, false);
  EXPECT_FALSE(image->Cached);
  TIEBitmap back;
  list.CopyToBitmap(image, &back);
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.PixelRGB(1, 1)->g, 99);

  // Unknown bitmaps are ignored; Delete frees a shared bitmap however many
  // holders it has.
  TIEBitmap stranger;
  list.ReleaseBitmap(&stranger, true);
  list.ReleaseBitmap(nullptr, false);
  list.GetBitmap(image);
  list.GetBitmap(image);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ModelVirtualImageList, RefusedBitmapsChangeNothing) {
  TIEVirtualImageList list("ILIST");
  TIEBitmap gray;
  gray.Allocate(10, 10, TIEPixelFormat::ie8g);
  TIEBitmap empty;
  EXPECT_EQ(list.AddBitmap(&gray), nullptr);
  EXPECT_EQ(list.AddBitmap(&empty), nullptr);
  EXPECT_EQ(list.AddBitmap(nullptr), nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.End(), 0);

  auto bmp = Image24(4, 4, 1);
  TIEVirtualImage* image = list.AddBitmap(bmp.get());
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(list.CopyFromBitmap(image, &gray));
  EXPECT_EQ(image->Width, 4);
  EXPECT_EQ(image->PixelFormat, TIEPixelFormat::ie24RGB);
}

TEST_F(ModelVirtualImageList, NoBackingFile) {
  IETempDirectory = Dir + "/missing/folder";
  TIEVirtualImageList list("ILIST");
  EXPECT_FALSE(list.HasFile());
  auto bmp = Image24(4, 4, 1);
  EXPECT_EQ(list.AddBitmap(bmp.get()), nullptr);
  EXPECT_EQ(list.AllocImage(4, 4, false, TIEPixelFormat::ie24RGB, 24), nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetBitmap(nullptr), nullptr);
}
