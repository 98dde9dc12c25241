#include "platform/rtl/streams.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/rtl/resources.h"
#include "platform/rtl/tempdir_testing.h"

namespace {

String ReadAll(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const String& path, const String& data) {
  std::ofstream f(path, std::ios::binary);
  f << data;
}

template <class E, class F>
String MessageOf(F&& fn) {
  try {
    fn();
  } catch (const E& e) {
    return e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return String();
  }
  ADD_FAILURE() << "no exception";
  return String();
}

String Contents(TMemoryStream& ms) {
  return String(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

}  // namespace

TEST(RtlStreams, MemoryStreamWritesReadsAndSeeks) {
  TMemoryStream ms;
  ms.WriteBuffer("hello world", 11);
  EXPECT_EQ(ms.Size(), 11);
  EXPECT_EQ(ms.Position(), 11);
  EXPECT_GE(ms.Capacity(), ms.Size());

  EXPECT_EQ(ms.Seek(-5, soEnd), 6);
  char buf[16] = {};
  EXPECT_EQ(ms.Read(buf, 16), 5);  // bounded by the data
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(ms.Read(buf, 16), 0);

  ms.SetPosition(0);
  ms.WriteBuffer("J", 1);  // overwrite in place
  EXPECT_EQ(ms.Seek(2, soCurrent), 3);
  EXPECT_EQ(Contents(ms), "Jello world");

  ms.Clear();
  EXPECT_EQ(ms.Size(), 0);
  EXPECT_EQ(ms.Position(), 0);
  EXPECT_EQ(ms.Capacity(), 0);
}

TEST(RtlStreams, MemoryStreamGapsAreZeroFilled) {
  TMemoryStream ms;
  ms.WriteBuffer("ab", 2);
  ms.Seek(6, soBeginning);  // past the end
  EXPECT_EQ(ms.Size(), 2);
  ms.WriteBuffer("z", 1);
  EXPECT_EQ(Contents(ms), String("ab\0\0\0\0z", 7));

  // Shrinking and growing again must not bring back the old bytes.
  ms.SetSize(1);
  EXPECT_EQ(ms.Position(), 1);
  ms.SetSize(4);
  EXPECT_EQ(Contents(ms), String("a\0\0\0", 4));

  // Many small writes: content intact across capacity growth.
  TMemoryStream big;
  for (int i = 0; i < 100000; ++i) {
    uint8_t b = static_cast<uint8_t>(i * 7);
    big.WriteBuffer(&b, 1);
  }
  ASSERT_EQ(big.Size(), 100000);
  const auto* p = static_cast<const uint8_t*>(big.Memory());
  for (int i = 0; i < 100000; i += 997) ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7));
}

TEST(RtlStreams, PositionsAre64Bit) {
  TMemoryStream ms;
  ms.WriteBuffer("x", 1);
  const int64_t far = int64_t(3) << 31;  // beyond any 32-bit position
  EXPECT_EQ(ms.Seek(far, soBeginning), far);
  char c;
  EXPECT_EQ(ms.Read(&c, 1), 0);  // nothing is read past the data, nothing allocated
  EXPECT_EQ(ms.Size(), 1);
  // Before the start nothing is read or written either.
  EXPECT_EQ(ms.Seek(-2, soBeginning), -2);
  EXPECT_EQ(ms.Read(&c, 1), 0);
  EXPECT_EQ(ms.Write("y", 1), 0);
  TStringStream ss("abc");
  EXPECT_EQ(ss.Seek(-10, soEnd), -7);
  EXPECT_EQ(ss.Read(&c, 1), 0);
  EXPECT_EQ(ss.ReadString(2), "");
  EXPECT_EQ(ss.Write("y", 1), 0);
  EXPECT_EQ(ss.DataString(), "abc");

  TempDir dir;
  TFileStream fs(dir / "sparse.bin", fmCreate);
  const int64_t five = int64_t(5) << 30;
  EXPECT_EQ(fs.Seek(five, soBeginning), five);
  fs.WriteBuffer("!", 1);
  EXPECT_EQ(fs.Size(), five + 1);
  EXPECT_EQ(fs.Position(), five + 1);
  fs.SetSize(10);
  EXPECT_EQ(fs.Size(), 10);
}

TEST(RtlStreams, BufferCallsRaiseOnShortTransfers) {
  TMemoryStream ms;
  ms.WriteBuffer("abc", 3);
  ms.SetPosition(1);
  char buf[4];
  EXPECT_EQ(MessageOf<EReadError>([&] { ms.ReadBuffer(buf, 3); }), "Stream read error");

  // A stream over foreign memory reads it and refuses to change it.
  static const char kData[] = "read only";
  TCustomMemoryStream ro;
  ro.SetPointer(kData, 9);
  EXPECT_EQ(ro.Size(), 9);
  ro.ReadBuffer(buf, 4);
  EXPECT_EQ(String(buf, 4), "read");
  EXPECT_EQ(ro.Write("x", 1), 0);
  EXPECT_EQ(MessageOf<EWriteError>([&] { ro.WriteBuffer("x", 1); }), "Stream write error");
  EXPECT_THROW(ro.SetSize(1), EStreamError);
  EXPECT_STREQ(kData, "read only");
  EXPECT_EQ(ro.Memory(), static_cast<const void*>(kData));
}

TEST(RtlStreams, CopyFromCountZeroCopiesTheWholeSource) {
  TStringStream src("0123456789");
  src.Seek(0, soEnd);  // a source left at its end is still copied whole
  TMemoryStream dst;
  EXPECT_EQ(dst.CopyFrom(&src, 0), 10);
  EXPECT_EQ(Contents(dst), "0123456789");

  src.SetPosition(4);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&src, 3), 3);
  EXPECT_EQ(Contents(part), "456");
  EXPECT_EQ(src.Position(), 7);

  EXPECT_THROW(part.CopyFrom(&src, 4), EReadError);  // only 3 left

  // Larger than the copy buffer.
  String big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  TStringStream bigSrc(big);
  TStringStream bigDst;
  EXPECT_EQ(bigDst.CopyFrom(&bigSrc, 0), 200000);
  EXPECT_EQ(bigDst.DataString(), big);
}

TEST(RtlStreams, FileStreamModes) {
  TempDir dir;
  String name = dir / "data.bin";
  {
    TFileStream fs(name, fmCreate | fmShareExclusive);
    fs.WriteBuffer("abcdef", 6);
    EXPECT_EQ(fs.FileName(), name);
  }
  {
    TFileStream fs(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(fs.Size(), 6);
    char buf[8];
    EXPECT_EQ(fs.Read(buf, 8), 6);
    EXPECT_EQ(fs.Write("x", 1), 0);  // read-only handle
  }
  {
    TFileStream fs(name, fmOpenWrite | fmShareDenyNone);
    fs.Seek(2, soBeginning);
    fs.WriteBuffer("XY", 2);
  }
  EXPECT_EQ(ReadAll(name), "abXYef");
  {
    TFileStream fs(name, fmOpenReadWrite | fmShareDenyRead);
    fs.Seek(0, soEnd);
    fs.WriteBuffer("gh", 2);
    fs.SetPosition(0);
    char buf[8];
    fs.ReadBuffer(buf, 8);
    EXPECT_EQ(String(buf, 8), "abXYefgh");
  }
  {
    TFileStream fs(name, fmCreate);  // fmCreate truncates
    EXPECT_EQ(fs.Size(), 0);
  }
}

TEST(RtlStreams, FileStreamFailures) {
  TempDir dir;
  String missing = dir / "missing.bin";
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream fs(missing, fmOpenRead); }), "Cannot open file " + missing);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream fs(dir / "no/such/folder.bin", fmCreate); }),
            "Cannot create file " + dir / "no/such/folder.bin");
  // A folder opens fine with open(2) but is not a file.
  String folder = dir / "sub";
  ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
  for (uint32_t mode : {fmOpenRead, fmOpenReadWrite, fmOpenWrite})
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream fs(folder, mode); }), "Cannot open file " + folder) << mode;
  EXPECT_THROW(TFileStream(folder, fmCreate), EFCreateError);
  // Nor is a pipe: reading one without a writer would never return.
  String fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (uint32_t mode : {fmOpenRead, fmOpenReadWrite, fmOpenWrite}) EXPECT_THROW(TFileStream(fifo, mode), EFOpenError);
  EXPECT_THROW(TFileStream(fifo, fmCreate), EFCreateError);
  // A device is fine.
  TFileStream null("/dev/null", fmOpenReadWrite);
  null.WriteBuffer("x", 1);
  char c;
  EXPECT_EQ(null.Read(&c, 1), 0);
  TMemoryStream ms;
  EXPECT_THROW(ms.LoadFromFile(folder), EFOpenError);
}

TEST(RtlStreams, HandleStreamLeavesTheDescriptorOpen) {
  TempDir dir;
  String name = dir / "h.bin";
  int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  {
    THandleStream hs(fd);
    hs.WriteBuffer("12345", 5);
    EXPECT_EQ(hs.Size(), 5);
    EXPECT_EQ(hs.Position(), 5);
    hs.SetSize(2);
    EXPECT_EQ(hs.Position(), 2);
  }
  EXPECT_EQ(::write(fd, "Z", 1), 1);
  ::close(fd);
  EXPECT_EQ(ReadAll(name), "12Z");
}

TEST(RtlStreams, MemoryStreamFiles) {
  TempDir dir;
  String name = dir / "out.bin";
  String payload("bin\0ary\xff", 8);
  WriteAll(name, "old content that is longer");
  ASSERT_EQ(::chmod(name.c_str(), 0640), 0);

  TMemoryStream ms;
  ms.WriteBuffer(payload.data(), static_cast<int64_t>(payload.size()));
  ms.SaveToFile(name);
  EXPECT_EQ(ReadAll(name), payload);
  struct stat st;
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);  // the replaced file's permissions
  // Only the target is left in the folder: the temporary file was renamed.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);

  TMemoryStream back;
  back.WriteBuffer("stale", 5);
  back.LoadFromFile(name);
  EXPECT_EQ(Contents(back), payload);
  EXPECT_EQ(back.Position(), 0);

  // LoadFromStream takes the whole source whatever its position.
  TStringStream src("whole");
  src.Seek(3, soBeginning);
  back.LoadFromStream(&src);
  EXPECT_EQ(Contents(back), "whole");

  TStringStream sink;
  back.SaveToStream(&sink);
  EXPECT_EQ(sink.DataString(), "whole");

  // Saving into a missing folder fails and creates nothing.
  EXPECT_THROW(back.SaveToFile(dir / "nope/out.bin"), EFCreateError);
}

TEST(RtlStreams, StringStream) {
  TStringStream ss("Hello, world");
  EXPECT_EQ(ss.Size(), 12);
  EXPECT_EQ(ss.ReadString(5), "Hello");
  EXPECT_EQ(ss.ReadString(100), ", world");  // bounded by the data
  EXPECT_EQ(ss.ReadString(1), "");

  ss.SetPosition(7);
  ss.WriteString("W");  // overwrites, keeps the rest
  EXPECT_EQ(ss.DataString(), "Hello, World");
  ss.Seek(2, soEnd);
  ss.WriteString("!");
  EXPECT_EQ(ss.DataString(), String("Hello, World\0\0!", 15));
  ss.SetSize(5);
  EXPECT_EQ(ss.DataString(), "Hello");
  EXPECT_EQ(ss.Position(), 5);

  String binary("a\0b", 3);
  TStringStream bin(binary);
  char buf[3];
  bin.ReadBuffer(buf, 3);
  EXPECT_EQ(String(buf, 3), binary);
}

namespace {
const unsigned char kResBytes[] = {'s', 'k', 'i', 'n', 0, 1};
const EmbeddedResource kTestResources[] = {{"skins/test/skin.ini", kResBytes, sizeof kResBytes}, {nullptr, nullptr, 0}};
const bool kTestResourcesRegistered = RegisterEmbeddedResources(kTestResources);
}  // namespace

TEST(RtlStreams, ResourceStream) {
  ASSERT_TRUE(kTestResourcesRegistered);
  TResourceStream rs("SKINS/Test/skin.INI");  // names are looked up case-insensitively
  EXPECT_EQ(rs.Size(), 6);
  TMemoryStream copy;
  copy.CopyFrom(&rs, 0);
  EXPECT_EQ(Contents(copy), String("skin\0\1", 6));
  EXPECT_EQ(rs.Write("x", 1), 0);
  EXPECT_THROW(rs.SetSize(0), EStreamError);
  EXPECT_EQ(kResBytes[0], 's');

  try {
    TResourceStream missing("no/such/resource");
    ADD_FAILURE() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource no/such/resource not found");
    EXPECT_STREQ(e.ClassName(), "EResNotFound");
  }
}
