#include "imaging/model/pixels/iefilebuffer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "imaging/model/pixels/pixels_testing.h"
#include "platform/rtl/exceptions.h"

namespace {

const TIEDataAccess kRead{TIEDataAccessItem::iedRead};
const TIEDataAccess kWrite{TIEDataAccessItem::iedWrite};
const TIEDataAccess kReadWrite{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite};

// Writes Bytes at Position through a read-write window.
void Put(TIEFileBuffer& F, int64_t Position, const std::vector<uint8_t>& Bytes) {
  void* w = F.Map(kReadWrite, Position, static_cast<int64_t>(Bytes.size()));
  std::memcpy(w, Bytes.data(), Bytes.size());
  F.Unmap(w);
}

std::vector<uint8_t> Pattern(size_t Size, uint32_t Seed) {
  std::vector<uint8_t> v(Size);
  uint32_t x = Seed;
  for (auto& b : v) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return v;
}

}  // namespace

using ModelFileBuffer = PixelsTempDirTest;

TEST_F(ModelFileBuffer, AllocateFileCreatesPrivateNamedFileAndCloseDeletesIt) {
  TIEFileBuffer f;
  EXPECT_FALSE(f.IsAllocated());
  ASSERT_TRUE(f.AllocateFile("IMG", 30000));
  EXPECT_TRUE(f.IsAllocated());
  const auto names = Files();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(IsTempName(names[0], "IMG")) << names[0];
  EXPECT_EQ(f.FileName(), Dir + "/" + names[0]);
  EXPECT_EQ(std::filesystem::file_size(f.FileName()), 30000u);
  EXPECT_EQ(Mode(f.FileName()), 0600u);
  // Sized by truncation: all zeros.
  const auto bytes = ReadAll(f.FileName());
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 30000);

  f.Close();
  EXPECT_FALSE(f.IsAllocated());
  EXPECT_TRUE(Files().empty());
  EXPECT_FALSE(f.FileName().empty());  // the name stays
}

TEST_F(ModelFileBuffer, AllocateFileFailsQuietlyWhereNothingCanBeCreated) {
  std::ofstream(Dir + "/plain") << "x";
  IETempDirectory = Dir + "/plain/sub";  // below a regular file: never creatable
  TIEFileBuffer f;
  EXPECT_FALSE(f.AllocateFile("IMG", 100));
  EXPECT_FALSE(f.IsAllocated());
  EXPECT_EQ(Files(), std::vector<std::string>{"plain"});
}

TEST_F(ModelFileBuffer, TakenNamesAndPlantedLinksAreSkipped) {
  IESetTempFileNameSeed(7);
  String first;
  {
    TIEFileBuffer f;
    ASSERT_TRUE(f.AllocateFile("IMG", 10));
    first = f.FileName();
  }
  // Plant a link on the name the generator will draw first.
  const std::string target = Dir + "/target";
  std::ofstream(target) << "keep";
  ASSERT_EQ(::symlink(target.c_str(), first.c_str()), 0);

  IESetTempFileNameSeed(7);
  TIEFileBuffer g;
  ASSERT_TRUE(g.AllocateFile("IMG", 10));
  EXPECT_NE(g.FileName(), first);
  EXPECT_EQ(ReadAll(target), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(std::filesystem::file_size(g.FileName()), 10u);
}

TEST_F(ModelFileBuffer, WindowsReadAndWriteByTheirAccess) {
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateFile("T", 16));
  Put(f, 0, std::vector<uint8_t>(16, 0xAA));

  // Read-only: the bytes come from the file and changes are discarded.
  auto* r = static_cast<uint8_t*>(f.Map(kRead, 4, 4));
  EXPECT_EQ(r[0], 0xAA);
  std::memset(r, 1, 4);
  f.Unmap(r);
  EXPECT_EQ(ReadAll(f.FileName()), std::vector<uint8_t>(16, 0xAA));

  // Write-only: not read; what the caller leaves untouched is written as zero.
  auto* w = static_cast<uint8_t*>(f.Map(kWrite, 8, 8));
  EXPECT_EQ(std::count(w, w + 8, 0), 8);
  w[1] = 7;
  f.Unmap(w);
  std::vector<uint8_t> expected(16, 0xAA);
  std::fill(expected.begin() + 8, expected.end(), 0);
  expected[9] = 7;
  EXPECT_EQ(ReadAll(f.FileName()), expected);

  // Past the end of the file a read window holds zeros.
  auto* tail = static_cast<uint8_t*>(f.Map(kRead, 12, 8));
  EXPECT_EQ(std::count(tail + 4, tail + 8, 0), 4);
  f.Unmap(tail);
}

TEST_F(ModelFileBuffer, UnmapAllWritesNewestFirstSoTheOldestWins) {
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateFile("T", 8));
  auto* older = static_cast<uint8_t*>(f.Map(kReadWrite, 0, 4));
  auto* newer = static_cast<uint8_t*>(f.Map(kReadWrite, 2, 4));
  std::memset(older, 1, 4);
  std::memset(newer, 2, 4);
  EXPECT_EQ(f.FindWindow(older), 0);
  EXPECT_EQ(f.FindWindow(newer), 1);
  f.UnmapAll();
  EXPECT_EQ(f.WindowCount(), 0);
  EXPECT_EQ(ReadAll(f.FileName()), (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 0, 0}));
}

TEST_F(ModelFileBuffer, UnmapOfForeignAddressRaisesListError) {
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateFile("T", 8));
  uint8_t other[4];
  EXPECT_EQ(f.FindWindow(other), -1);
  EXPECT_THROW(f.Unmap(other), EListError);
}

TEST_F(ModelFileBuffer, WithoutFileNothingHappens) {
  TIEFileBuffer f, g;
  f.UnmapAll();
  f.Close();
  f.CopyTo(&g, 0, 10);
  EXPECT_FALSE(f.IsAllocated());
  EXPECT_THROW(f.Map(kRead, 0, 4), EStreamError);
  ASSERT_TRUE(g.AllocateFile("T", 4));
  f.CopyTo(&g, 0, 4);  // only one side has a file
  g.CopyTo(&f, 0, 4);
  EXPECT_EQ(ReadAll(g.FileName()), std::vector<uint8_t>(4, 0));
}

TEST_F(ModelFileBuffer, CopyTo) {
  // More than one 1 MiB chunk, and an odd length.
  const auto source = Pattern(3 * 1048576 + 123, 1);
  const auto destination = Pattern(5000000, 2);
  struct Case {
    const char* name;
    int64_t position, size;
  };
  for (const Case& c :
       {Case{"whole file", 0, int64_t(source.size())}, Case{"part", 1000, 2500000}, Case{"nothing", 0, 0}}) {
    SCOPED_TRACE(c.name);
    TIEFileBuffer s, d;
    ASSERT_TRUE(s.AllocateFile("S", int64_t(source.size())));
    ASSERT_TRUE(d.AllocateFile("D", int64_t(destination.size())));
    Put(s, 0, source);
    // Pending windows of both reach the files before the copy.
    auto* pendingSource = static_cast<uint8_t*>(s.Map(kReadWrite, 0, 1));
    *pendingSource = 0x5A;
    Put(d, 0, destination);
    s.CopyTo(&d, c.position, c.size);
    EXPECT_EQ(s.WindowCount(), 0);

    std::vector<uint8_t> expectedSource = source;
    expectedSource[0] = 0x5A;
    std::vector<uint8_t> expected;
    if (c.position == 0 && c.size == int64_t(source.size())) {
      expected = expectedSource;  // identical, with the source's length
    } else {
      expected = destination;  // keeps its length
      std::copy_n(expectedSource.begin() + c.position, c.size, expected.begin() + c.position);
    }
    const auto got = ReadAll(d.FileName());
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
  }
}

TEST_F(ModelFileBuffer, SetFileSize) {
  TIEFileBuffer f;
  f.SetFileSize(10);  // no file: nothing
  ASSERT_TRUE(f.AllocateFile("T", 4));
  f.SetFileSize(10);
  EXPECT_EQ(std::filesystem::file_size(f.FileName()), 10u);
}
