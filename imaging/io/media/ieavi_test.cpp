#include "imaging/io/media/ieavi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& B, uint32_t V) {
  for (int i = 0; i < 4; ++i) B.push_back(uint8_t(V >> (8 * i)));
}
void Put16(Bytes& B, uint16_t V) {
  B.push_back(uint8_t(V));
  B.push_back(uint8_t(V >> 8));
}
void PutId(Bytes& B, const char* Id) {
  for (int i = 0; i < 4; ++i) B.push_back(uint8_t(Id[i]));
}

Bytes Chunk(const char* Id, const Bytes& Data) {
  Bytes b;
  PutId(b, Id);
  Put32(b, uint32_t(Data.size()));
  b.insert(b.end(), Data.begin(), Data.end());
  if (Data.size() & 1) b.push_back(0);
  return b;
}

Bytes List(const char* Type, const std::vector<Bytes>& Items) {
  Bytes data;
  PutId(data, Type);
  for (const Bytes& i : Items) data.insert(data.end(), i.begin(), i.end());
  return Chunk("LIST", data);
}

// A 4 x 2, 24-bit AVI whose frame n is filled with the byte 10 × (n + 1).
struct TAviSpec {
  const char* Type = "vids";
  uint32_t Compression = 0;
  int32_t Height = 2;
  std::vector<uint32_t> FrameSizes = {24, 24, 0, 24};  // a 0 is a dropped frame
  Bytes Frame;                                         // when set, every frame holds these bytes
  enum { Relative, Absolute, None } Index = Relative;
  bool AudioFirst = false;
};

Bytes MakeAvi(const TAviSpec& S) {
  Bytes strh;
  PutId(strh, S.Type);
  PutId(strh, "DIB ");
  for (int i = 0; i < 3; ++i) Put32(strh, 0);  // flags, priority+language, initial frames
  Put32(strh, 1);                              // scale
  Put32(strh, 25);                             // rate
  Put32(strh, 0);                              // start
  Put32(strh, uint32_t(S.FrameSizes.size()));  // length
  strh.resize(56, 0);
  Bytes strf;
  Put32(strf, 40);
  Put32(strf, 4);
  Put32(strf, uint32_t(S.Height));
  Put16(strf, 1);
  Put16(strf, 24);
  Put32(strf, S.Compression);
  strf.resize(40, 0);
  std::vector<Bytes> hdrl = {Chunk("avih", Bytes(56, 0))};
  if (S.AudioFirst) {
    Bytes auds = strh;
    std::memcpy(auds.data(), "auds", 4);
    hdrl.push_back(List("strl", {Chunk("strh", auds), Chunk("strf", Bytes(18, 0))}));
  }
  hdrl.push_back(List("strl", {Chunk("strh", strh), Chunk("strf", strf)}));
  const char* id = S.AudioFirst ? "01db" : "00db";
  std::vector<Bytes> frames;
  for (size_t n = 0; n < S.FrameSizes.size(); ++n)
    frames.push_back(Chunk(id, S.Frame.empty() ? Bytes(S.FrameSizes[n], uint8_t(10 * (n + 1))) : S.Frame));
  Bytes riff;
  PutId(riff, "AVI ");
  const Bytes h = List("hdrl", hdrl);
  riff.insert(riff.end(), h.begin(), h.end());
  const size_t moviAt = riff.size() + 8;  // file position of the list's 'movi'
  const Bytes movi = List("movi", frames);
  riff.insert(riff.end(), movi.begin(), movi.end());
  if (S.Index != TAviSpec::None) {
    Bytes idx;
    size_t at = 4;  // after 'movi'
    for (const Bytes& f : frames) {
      PutId(idx, id);
      Put32(idx, 0x10);
      Put32(idx, uint32_t(S.Index == TAviSpec::Relative ? at : at + moviAt));
      Put32(idx, f.size() >= 8 ? uint32_t(f[4] | f[5] << 8 | f[6] << 16 | f[7] << 24) : 0);
      at += f.size();
    }
    const Bytes c = Chunk("idx1", idx);
    riff.insert(riff.end(), c.begin(), c.end());
  }
  return Chunk("RIFF", riff);
}

// Opens the bytes as a file; answers the reader's verdict.
bool OpenBytes(TIEAVIReader& R, const TIETempDir& Dir, const Bytes& B) {
  const std::string path = Dir.File("t.avi");
  EXPECT_TRUE(IEWriteBytesFile(path, B));
  return R.Open(path);
}

// The fill byte of frame n's pixels, or -1 when it gives no frame.
int FrameFill(TIEAVIReader& R, uint32_t N) {
  std::vector<uint8_t> dib;
  if (!R.GetFrame(N, dib)) return -1;
  return dib.back();
}

TEST(AviReader, FramesThroughEveryIndexKind) {
  TIETempDir dir;
  for (auto index : {TAviSpec::Relative, TAviSpec::Absolute, TAviSpec::None}) {
    for (bool audioFirst : {false, true}) {
      SCOPED_TRACE(std::to_string(int(index)) + (audioFirst ? " audio first" : ""));
      TAviSpec s;
      s.Index = index;
      s.AudioFirst = audioFirst;
      TIEAVIReader r;
      ASSERT_TRUE(OpenBytes(r, dir, MakeAvi(s)));
      EXPECT_EQ(r.Length(), 4u);
      EXPECT_EQ(r.Rate(), 25u);
      EXPECT_EQ(r.Scale(), 1u);
      EXPECT_EQ(FrameFill(r, 0), 10);
      EXPECT_EQ(FrameFill(r, 1), 20);
      EXPECT_EQ(FrameFill(r, 2), 20);  // dropped: the frame before it again
      EXPECT_EQ(FrameFill(r, 3), 40);
      EXPECT_EQ(FrameFill(r, 4), -1);
      std::vector<uint8_t> dib;
      ASSERT_TRUE(r.GetFrame(3, dib));
      TIEBitmap b;
      EXPECT_EQ(DIBToIEBitmap(dib, &b), 24);
      EXPECT_EQ(b.Width(), 4);
      EXPECT_EQ(b.Height(), 2);
    }
  }
}

// Motion-JPEG frames usually leave out their Huffman tables: the standard
// ones apply.
TEST(AviReader, MotionJpegFramesWithoutHuffmanTablesDecode) {
  TIEBitmap src;
  src.Allocate(16, 8, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 48; ++x) static_cast<uint8_t*>(src.ScanLine(y))[x] = uint8_t(x * 5 + y * 20);
  TIOParamsVals p;
  p.JPEGOptimalHuffman = false;
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeJPEG(&s, &src, p, progress);
  const auto* jpeg = static_cast<const uint8_t*>(s.Memory());
  Bytes full(jpeg, jpeg + s.Size());
  // Drop every DHT segment (FF C4).
  Bytes bare(full.begin(), full.begin() + 2);
  for (size_t at = 2; at + 4 <= full.size();) {
    const size_t len = size_t(full[at + 2]) << 8 | full[at + 3];
    const bool dht = full[at + 1] == 0xC4;
    if (full[at + 1] == 0xDA) {
      bare.insert(bare.end(), full.begin() + long(at), full.end());
      break;
    }
    if (!dht) bare.insert(bare.end(), full.begin() + long(at), full.begin() + long(at + 2 + len));
    at += 2 + len;
  }
  ASSERT_LT(bare.size(), full.size());

  TIETempDir dir;
  Bytes frames[2];
  for (int i = 0; i < 2; ++i) {
    TAviSpec spec;
    spec.Compression = IEFourCC("MJPG");
    spec.Frame = i == 0 ? full : bare;
    TIEAVIReader r;
    ASSERT_TRUE(OpenBytes(r, dir, MakeAvi(spec)));
    std::vector<uint8_t> dib;
    ASSERT_TRUE(r.GetFrame(1, dib));
    frames[i] = dib;
  }
  EXPECT_EQ(frames[0], frames[1]);
  TIEBitmap b;
  EXPECT_EQ(DIBToIEBitmap(frames[1], &b), 24);
  EXPECT_EQ(b.Width(), 16);
}

TEST(AviReader, RefusesWhatItCannotRead) {
  TIETempDir dir;
  TAviSpec audioOnly;
  audioOnly.Type = "auds";
  TAviSpec rle;
  rle.Compression = 1;  // RLE8: no decoder
  TAviSpec huge;
  huge.Height = 0x10000000;  // 4 × 2^28 × 3 bytes: over 2 GB
  const Bytes good = MakeAvi(TAviSpec());
  Bytes notRiff = good;
  std::memcpy(notRiff.data() + 8, "WAVE", 4);
  const struct {
    const char* Name;
    Bytes File;
  } cases[] = {{"no video", MakeAvi(audioOnly)},
               {"compression", MakeAvi(rle)},
               {"huge frame", MakeAvi(huge)},
               {"not AVI", notRiff},
               {"cut in the header", Bytes(good.begin(), good.begin() + 60)},
               {"empty", Bytes()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEAVIReader r;
    EXPECT_FALSE(OpenBytes(r, dir, c.File));
    EXPECT_FALSE(r.IsOpen());
    EXPECT_EQ(FrameFill(r, 0), -1);
  }
  TIEAVIReader r;
  EXPECT_FALSE(r.Open(dir.File("missing.avi")));
}

TEST(AviReader, DamagedSizesNeverReadOutsideTheFile) {
  TIETempDir dir;
  const Bytes good = MakeAvi(TAviSpec());
  // Every frame the reader gives holds pixels of one of the file's frames
  // (fills 10, 20 and 40; 0xFF where the damage hit the pixels themselves),
  // or it refuses the frame. A read past the end, or a frame made of no data,
  // would show another fill.
  auto expectFramesFromTheFile = [](TIEAVIReader& R, bool PixelsDamaged) {
    for (uint32_t n = 0; n < 5; ++n) {
      SCOPED_TRACE("frame " + std::to_string(n));
      const int fill = FrameFill(R, n);
      EXPECT_TRUE(fill == -1 || fill == 10 || fill == 20 || fill == 40 || (PixelsDamaged && fill == 0xFF)) << fill;
    }
  };
  // Every cut of the file, and every size field set huge: open or not, no
  // frame lies outside the file.
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    TIEAVIReader r;
    if (OpenBytes(r, dir, Bytes(good.begin(), good.begin() + long(cut)))) expectFramesFromTheFile(r, false);
  }
  for (size_t at = 4; at + 4 <= good.size(); at += 4) {
    SCOPED_TRACE("0xFFFFFFFF at " + std::to_string(at));
    Bytes bad = good;
    bad[at] = bad[at + 1] = bad[at + 2] = bad[at + 3] = 0xFF;
    TIEAVIReader r;
    if (OpenBytes(r, dir, bad)) expectFramesFromTheFile(r, true);
  }
}

// ---- Against ffmpeg ---------------------------------------------------------------

std::string Make(const TIETempDir& Dir, const std::string& Name, const std::vector<std::string>& Options) {
  const std::string out = Dir.File(Name);
  std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25",
                                   "-t",     "2"};
  argv.insert(argv.end(), Options.begin(), Options.end());
  argv.push_back(out);
  EXPECT_EQ(IERunTool(argv).ExitStatus, 0) << Name;
  return out;
}

TEST(AviReaderXcheck, FramesEqualFfmpegDecodes) {
  IE_REQUIRE_TOOL("ffmpeg", "ffmpeg");
  IE_REQUIRE_TOOL("djpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  const struct {
    const char* Name;
    std::vector<std::string> Options;
    bool Jpeg;
  } cases[] = {{"raw.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, false},
               {"pal.avi", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, false},
               {"mjpeg.avi", {"-c:v", "mjpeg", "-q:v", "3"}, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string avi = Make(dir, c.Name, c.Options);
    TIEAVIReader r;
    ASSERT_TRUE(r.Open(avi));
    EXPECT_EQ(r.Length(), 50u);
    EXPECT_EQ(r.Rate() / r.Scale(), 25u);
    for (uint32_t n : {0u, 5u, 49u}) {
      SCOPED_TRACE(n);
      std::vector<uint8_t> dib;
      ASSERT_TRUE(r.GetFrame(n, dib));
      TIEBitmap ours;
      DIBToIEBitmap(dib, &ours);
      TPamImage ref;
      if (c.Jpeg) {
        // The frame's own JPEG bytes, decoded by djpeg.
        const std::string pattern = dir.File("f%03d.jpg");
        ASSERT_EQ(
            IERunTool({"ffmpeg", "-v", "error", "-y", "-i", avi, "-c:v", "copy", "-f", "image2", pattern}).ExitStatus,
            0);
        char name[16];
        std::snprintf(name, sizeof name, "f%03u.jpg", n + 1);
        const TIEToolRun dj = IERunTool({"djpeg", "-pnm", dir.File(name)});
        ASSERT_EQ(dj.ExitStatus, 0);
        ASSERT_TRUE(ParsePam(dj.Output, ref));
      } else {
        const TIEToolRun f =
            IERunTool({"ffmpeg", "-v", "error", "-i", avi, "-vf", "select=eq(n\\," + std::to_string(n) + ")",
                       "-vframes", "1", "-f", "image2pipe", "-vcodec", "ppm", "-"});
        ASSERT_EQ(f.ExitStatus, 0);
        ASSERT_TRUE(ParsePam(f.Output, ref));
      }
      EXPECT_EQ(PamMaxDifference(ours, ref), 0);
    }
  }
}

}  // namespace
