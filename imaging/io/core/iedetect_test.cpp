// Content detection: the chain over minimal headers, the rules around it and
// the file wrapper's extension rules.
#include "imaging/io/core/iedetect.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::string;

Bytes B(std::initializer_list<int> v) {
  Bytes s;
  for (int c : v) s.push_back(static_cast<char>(c));
  return s;
}
Bytes Zeros(size_t n) { return Bytes(n, '\0'); }
Bytes Le32(uint32_t v) { return B({int(v & 255), int(v >> 8 & 255), int(v >> 16 & 255), int(v >> 24)}); }

// ---- Minimal headers -----------------------------------------------------------------
// A little-endian TIFF with one IFD of the given entries (tag, type, count, value).
Bytes TiffLE(const std::vector<std::array<uint32_t, 4>>& Entries) {
  Bytes s = B({'I', 'I', 42, 0}) + Le32(8);
  s += B({int(Entries.size()), 0});
  for (const auto& e : Entries) s += B({int(e[0] & 255), int(e[0] >> 8), int(e[1]), 0}) + Le32(e[2]) + Le32(e[3]);
  return s + Le32(0);
}
const Bytes KTiff = TiffLE({{256, 3, 1, 1}});
const Bytes KDng = TiffLE({{256, 3, 1, 1}, {50706, 1, 4, 0x00000401}});
const Bytes KTiffBE = B({'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0});
const Bytes KPng = B({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13});
const Bytes KGif = Bytes("GIF89a") + Zeros(8);
const Bytes KJpeg = B({0xFF, 0xD8, 0xFF, 0xE0, 0, 16}) + Zeros(10);
// Icon directory of one entry, its data right after it.
Bytes IconDir(int Type, uint32_t DataSize = 4) {
  return B({0, 0, Type, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0}) + Le32(DataSize) + Le32(22) + Zeros(4);
}
// A PCX header (manufacturer 10, version 0, RLE, 8 bits, window 0..3 × 0..1,
// 72 × 72 dpi, palette starting with 24): also a plausible TGA header.
Bytes PcxV0() {
  Bytes s = B({10, 0, 1, 8, 0, 0, 0, 0, 3, 0, 1, 0, 72, 0, 72, 0, 24}) + Zeros(120);
  return s;
}
const Bytes KTga = B({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0}) + Zeros(3);
const Bytes KPxm = "P6\n# c\n1 1\n255\n" + Zeros(3);
const Bytes KJp2 = B({0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10}) + Zeros(8);
const Bytes KJ2k = B({0xFF, 0x4F, 0xFF, 0x51}) + Zeros(8);
const Bytes KAvi = Bytes("RIFF") + Le32(4) + "AVI LIST";
// DCX signature, one page offset, end of the table, the page.
const Bytes KDcx = Le32(987654321) + Le32(12) + Le32(0) + Zeros(4);
// Metafile header (type 1, 9 words, version, size, no objects, max record,
// no parameters) and the closing record.
const Bytes KWmfHeader = B({1, 0, 9, 0, 0, 3}) + Le32(100) + B({0, 0}) + Le32(10) + B({0, 0}) + Le32(3) + B({0, 0});
const Bytes KWmfPlaceable = Le32(0x9AC6CDD7) + Zeros(18) + KWmfHeader;
Bytes Emf() {
  Bytes s = Le32(1) + Zeros(36) + Le32(0x464D4520) + Zeros(56);
  return s;
}
// A stream header block: magic, zero, length at 8.
Bytes Block(const char* Magic, const Bytes& Payload) {
  Bytes s(Magic);
  s.resize(8, '\0');
  return s + Le32(uint32_t(Payload.size())) + Payload;
}

TIEFormatCode Detect(const Bytes& Data, int64_t Pos = 0) {
  TStringStream s(Data);
  s.SetPosition(Pos);
  const TIEFormatCode result = IEDetectStreamFormat(&s);
  EXPECT_EQ(s.Position(), Pos) << "the position is restored";
  return result;
}

struct TCase {
  const char* Name;
  Bytes Data;
  TIEFormatCode Expected;
};

TEST(DetectStream, MinimalHeaders) {
  const TCase cases[] = {
      {"JPEG block", Block("JFIF", KJpeg), fcJPEG},
      {"JPEG block header alone (12 bytes)", Block("JFIF", ""), fcNone},
      {"JFIF magic with a fifth letter", "JFIFX" + Zeros(12), fcNone},
      {"GIF", KGif, fcGIF},
      {"GIF signature in 13 bytes", Bytes("GIF89a") + Zeros(7), fcNone},
      {"PCX2 block", Block("PCX2", PcxV0()), fcPCX},
      {"older PCX block", Bytes("PCX", 4) + "x", fcPCX},
      {"BMP", Bytes("BM") + Zeros(13), fcBMP},
      {"PCX header", PcxV0(), fcPCX},
      {"PCX header of 128 bytes", PcxV0().substr(0, 128), fcTGA},
      {"TIFF block", Block("TIFF", KTiff), fcTIFF},
      {"TIFF little-endian", KTiff, fcTIFF},
      {"TIFF big-endian", KTiffBE, fcTIFF},
      {"DNG", KDng, fcNone},
      {"PNG", KPng, fcPNG},
      {"PNG signature alone (8 bytes)", KPng.substr(0, 8), fcNone},
      {"icon", IconDir(1), fcICO},
      {"cursor", IconDir(2), fcCUR},
      {"TGA", KTga, fcTGA},
      {"PPM with a comment", KPxm, fcPXM},
      {"JPEG", KJpeg, fcJPEG},
      {"JPEG after 99 junk bytes", Bytes(99, ' ') + KJpeg, fcJPEG},
      {"JPEG after 100 junk bytes", Bytes(100, ' ') + KJpeg, fcNone},
      {"JP2", KJp2, fcJP2},
      {"J2K code stream", KJ2k, fcJ2K},
      {"AVI", KAvi, fcAVI},
      {"RIFF of another kind", Bytes("RIFF") + Le32(4) + "WAVEfmt ", fcNone},
      {"DCX", KDcx, fcDCX},
      {"DCX page outside the stream", Le32(987654321) + Le32(400) + Le32(0) + Zeros(4), fcNone},
      {"metafile", KWmfHeader, fcWMF},
      {"placeable metafile", KWmfPlaceable, fcWMF},
      {"enhanced metafile", Emf(), fcEMF},
      {"text", "just some words, no picture", fcNone},
      {"empty", "", fcNone},
  };
  for (const TCase& c : cases) EXPECT_EQ(Detect(c.Data), c.Expected) << c.Name;
}

TEST(DetectStream, ChainOrderDecidesAmbiguousContent) {
  // Each input also passes a later test; the earlier step wins.
  const Bytes pcx = PcxV0();
  TStringStream tga(pcx);
  ASSERT_TRUE(IETestTGA(&tga)) << "the PCX header is a plausible TGA header";
  EXPECT_EQ(Detect(pcx), fcPCX);
  // The directory of a large 32-bit icon (a data size of 263208 bytes).
  const Bytes icon = IconDir(1, 263208);
  TStringStream iconAsTga(icon);
  ASSERT_TRUE(IETestTGA(&iconAsTga)) << "the icon directory is a plausible TGA header";
  EXPECT_EQ(Detect(icon), fcICO);
  // A PPM whose first bytes hold a JPEG start marker: the PXM test comes first.
  EXPECT_EQ(Detect("P6\n1 1\n255\n" + B({0xFF, 0xD8, 0xFF, 0xE0})), fcPXM);
  // The JPEG search looks ahead 100 positions past anything unrecognised.
  EXPECT_EQ(Detect(Bytes(40, 'x') + KPng + KJpeg), fcJPEG);
}

TEST(DetectStream, MidStreamPositionUsesTheWholeSize) {
  // Eight GIF bytes fail "size > 13" on their own, but inside a larger
  // stream they are judged from their position with the whole size.
  const Bytes gif8 = Bytes("GIF89a") + Zeros(2);
  EXPECT_EQ(Detect(gif8), fcNone);
  EXPECT_EQ(Detect(Bytes(10, 'x') + gif8, 10), fcGIF);
  // Pages inside a container: each examined from its own position.
  const Bytes container = Bytes(7, 'x') + KPng + KTga + KJpeg;
  EXPECT_EQ(Detect(container, 7), fcPNG);
  EXPECT_EQ(Detect(container, 7 + int64_t(KPng.size())), fcTGA);
  EXPECT_EQ(Detect(container, 7 + int64_t(KPng.size() + KTga.size())), fcJPEG);
  // Past the end: nothing to read.
  EXPECT_EQ(Detect(KJpeg, int64_t(KJpeg.size()) + 5), fcNone);
}

// A stream that reports a size beyond 32 bits over a few real bytes (its
// reads stay within those).
class THugeStream : public TCustomMemoryStream {
 public:
  explicit THugeStream(const Bytes& Data) : FData(Data) { SetPointer(FData.data(), int64_t(FData.size())); }
  int64_t Size() override { return (int64_t(1) << 32) + 10; }

 private:
  Bytes FData;
};

TEST(DetectStream, SizesBeyond32Bits) {
  // Taken as 32 bits the size would read 10, failing "size > 13".
  THugeStream s(Bytes("GIF89a") + Zeros(4));
  EXPECT_EQ(IEDetectStreamFormat(&s), fcGIF);
}

TEST(DetectStream, AviTestRestoresThePosition) {
  const Bytes data = "xx" + KAvi;
  TStringStream s(data);
  s.SetPosition(2);
  EXPECT_TRUE(IETestAVI(&s));
  EXPECT_EQ(s.Position(), 2);
  s.SetPosition(0);
  EXPECT_FALSE(IETestAVI(&s));
  EXPECT_EQ(s.Position(), 0);
}

// A stream whose reads fail by raising.
class TRaisingStream : public TStringStream {
 public:
  using TStringStream::TStringStream;
  int32_t Read(void*, int32_t) override { throw EReadError("Stream read error"); }
};

// A format registered at run time: "TSTF" at the position. Moves the stream
// on purpose; the chain restores it.
int32_t GSeenFileType = 0;
bool TestTstf(TStream* Stream, int32_t FileType) {
  GSeenFileType = FileType;
  char m[4] = {};
  const bool ok = Stream->Read(m, 4) == 4 && Bytes(m, 4) == "TSTF";
  Stream->Seek(1, soCurrent);
  return ok;
}
bool TestAlways(TStream*, int32_t) { return true; }
bool TestRaises(TStream*, int32_t) { throw Exception("broken test"); }

struct TRegistered {
  explicit TRegistered(int32_t Code, TIETestProc Test) : FCode(Code) {
    IEInitImageIO();
    TIEFormatRecord row;
    row.FileType = Code;
    row.FullName = "Test format";
    row.Extensions = "TSTF";
    row.TestProc = Test;
    IERegisterFormat(row);
  }
  ~TRegistered() { IEUnregisterFormat(FCode); }
  int32_t FCode;
};

TEST(DetectStream, RegisteredTestsAfterTheBuiltInChain) {
  {
    TRegistered row(100, TestTstf);
    EXPECT_EQ(Detect("xxTSTF and more", 2), 100);
    EXPECT_EQ(GSeenFileType, 100) << "the row's own code is passed";
    EXPECT_EQ(Detect("TSTX and more"), fcNone);
  }
  {
    TRegistered row(101, TestAlways);
    EXPECT_EQ(Detect(KPng), fcPNG) << "built-in tests come first";
    EXPECT_EQ(Detect("anything"), 101);
  }
  EXPECT_EQ(Detect("xxTSTF and more", 2), fcNone) << "gone with its row";
}

TEST(DetectStream, AnExceptionGivesNone) {
  {
    TRaisingStream s(KPng);
    EXPECT_EQ(IEDetectStreamFormat(&s), fcNone);
  }
  {
    TRegistered row(102, TestRaises);
    TStringStream s("xyz plain words");
    s.SetPosition(3);
    EXPECT_EQ(IEDetectStreamFormat(&s), fcNone);
    EXPECT_EQ(s.Position(), 3) << "put back when the stream allows it";
  }
  EXPECT_EQ(IEDetectStreamFormat(nullptr), fcNone);
}

// ---- Files -------------------------------------------------------------------------------
TEST(DetectFile, ExtensionRules) {
  TIETempDir dir;
  auto file = [&](const std::string& Name, const Bytes& Data) {
    const std::string path = dir.File(Name);
    EXPECT_TRUE(IEWriteBytesFile(path, std::vector<uint8_t>(Data.begin(), Data.end())));
    return path;
  };
  struct TFileCase {
    std::string Path;
    bool Verify;
    TIEFormatCode Expected;
  };
  const TFileCase cases[] = {
      {"", false, fcNone},
      // Taken on the name alone: never read, whatever the content.
      {file("png.tif", KPng), false, fcTIFF},
      {dir.File("missing.TIFF"), false, fcTIFF},
      {file("text.Tif", "no picture"), true, fcTIFF},
      // Camera files: TIFF structure under a camera extension.
      {file("camera.nef", KTiff), false, fcRAW},
      {file("camera.NEF", KTiff), true, fcRAW},
      {file("camera.arw", KTiff), false, fcRAW},
      {file("camera.dat", KTiff), false, fcTIFF},
      {file("dng.nef", KDng), false, fcNone},
      {file("jpeg.nef", KJpeg), false, fcJPEG},
      // Content decides; Verify holds it against the extension's row.
      {file("png.dat", KPng), false, fcPNG},
      {file("png.dat", KPng), true, fcNone},
      {file("png.PNG", KPng), true, fcPNG},
      {file("png.jpg", KPng), true, fcNone},
      {file("icon.cur", IconDir(1)), true, fcCUR},
      {file("icon.bmp", IconDir(1)), true, fcBMP},
      {file("cursor.ico", IconDir(2)), true, fcICO},
      {file("clip.avi", KAvi), false, fcAVI},
      {file("nothing.bmp", "no picture"), true, fcNone},
      {dir.File("missing.png"), false, fcNone},
      {dir.Path(), false, fcNone},
  };
  for (const TFileCase& c : cases)
    EXPECT_EQ(IEDetectFileFormat(c.Path, c.Verify), c.Expected) << c.Path << (c.Verify ? " (verify)" : "");
}

}  // namespace
