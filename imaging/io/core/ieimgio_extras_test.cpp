// The component's video frames, image counts, text export and loading over
// HTTP.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/iecounts.h"
#include "imaging/io/core/iehttp.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/io/core/ieimgio_testing.h"
#include "imaging/io/core/testsupport/loopback.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TEvents {
  int Finishes = 0;
  std::vector<int32_t> Progress;
  void Attach(TImgIO& IO) {
    IO.OnFinishWork = [this](TObject*) { ++Finishes; };
    IO.OnProgress = [this](TObject*, int32_t P) { Progress.push_back(P); };
  }
};

Bytes ReadAll(const std::string& Path) {
  Bytes b;
  EXPECT_TRUE(IEReadBytesFile(Path, b)) << Path;
  return b;
}

std::string Text(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The fuzz corpus's raw AVI: 3 frames of 16 x 16, 25 per second.
const std::string kRawAvi = std::string(PROJECT_SOURCE_DIR) + "/fuzz/corpus/avi/raw.avi";

// The AVI with dwScale and dwRate of its video stream replaced.
Bytes WithRate(Bytes Avi, uint32_t Scale, uint32_t Rate) {
  const size_t strh = std::string(Avi.begin(), Avi.end()).find("strh");
  EXPECT_NE(strh, std::string::npos);
  for (int i = 0; i < 4; ++i) {
    Avi[strh + 8 + 20 + i] = uint8_t(Scale >> (8 * i));
    Avi[strh + 8 + 24 + i] = uint8_t(Rate >> (8 * i));
  }
  return Avi;
}

TEST(ImgIOVideo, AviStateMachine) {
  TIETempDir dir;
  TImgIO io;
  TEvents ev;
  ev.Attach(io);
  EXPECT_EQ(io.OpenAVIFile(kRawAvi), 3);
  EXPECT_EQ(io.OpenAVIFile(kRawAvi), 3);  // the first file closed first
  EXPECT_FALSE(io.AbortFlag);
  EXPECT_EQ(io.Params().AVIFrameCount, 3);
  EXPECT_EQ(io.Params().FileName, kRawAvi);

  io.IEBitmap()->Allocate(2, 2, TIEPixelFormat::ie8g);
  for (int32_t outside : {3, 99, -1}) {
    io.LoadAVIFrame(outside);
    EXPECT_FALSE(io.AbortFlag);
    EXPECT_EQ(io.IEBitmap()->Width(), 2) << outside;  // unchanged
  }
  EXPECT_EQ(ev.Finishes, 3);
  io.LoadAVIFrame(2);
  EXPECT_EQ(ev.Finishes, 4);
  EXPECT_EQ(io.IEBitmap()->Width(), 16);
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(io.Params().BitsPerSample, 8);
  EXPECT_EQ(io.Params().SamplesPerPixel, 3);
  EXPECT_EQ(io.Params().AVIFrameDelay, 40);
  EXPECT_EQ(io.Params().Width, 16);
  io.CloseAVIFile();
  io.LoadAVIFrame(0);  // closed: the end events only
  EXPECT_EQ(ev.Finishes, 5);

  EXPECT_EQ(io.OpenAVIFile(dir.File("missing.avi")), 0);
  EXPECT_TRUE(io.AbortFlag);
  EXPECT_EQ(io.Params().FileType, 0);
  EXPECT_EQ(io.Params().FileName, dir.File("missing.avi"));
  EXPECT_EQ(io.AVIFile, nullptr);

  // LoadFromFile of an ".avi" name: frame 0, FileType 15, nothing left open.
  TImgIO byName;
  const std::string copy = dir.File("clip.AVI");
  ASSERT_TRUE(IEWriteBytesFile(copy, ReadAll(kRawAvi)));
  byName.LoadFromFile(copy);
  EXPECT_FALSE(byName.AbortFlag);
  EXPECT_EQ(byName.Params().FileType, 15);
  EXPECT_EQ(byName.IEBitmap()->Width(), 16);
  EXPECT_EQ(byName.AVIFile, nullptr);
  // A name that does not open fails, with its end events.
  TEvents missing;
  missing.Attach(byName);
  byName.LoadFromFile(dir.File("none.avi"));
  EXPECT_TRUE(byName.AbortFlag);
  EXPECT_EQ(missing.Finishes, 1);
  EXPECT_EQ(byName.Params().FileType, 15);
}

TEST(ImgIOVideo, FrameDelayByRate) {
  TIETempDir dir;
  const struct {
    uint32_t Scale, Rate;
    int32_t Delay;
  } cases[] = {{1, 25, 40}, {1001, 30000, 33}, {1, 0, 0}, {0, 25, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Rate) + "/" + std::to_string(c.Scale));
    const std::string path = dir.File("r.avi");
    ASSERT_TRUE(IEWriteBytesFile(path, WithRate(ReadAll(kRawAvi), c.Scale, c.Rate)));
    TImgIO io;
    ASSERT_EQ(io.OpenAVIFile(path), 3);
    io.LoadAVIFrame(0);
    EXPECT_EQ(io.Params().AVIFrameDelay, c.Delay);
  }
}

TEST(ImgIOVideo, MediaFileThatCannotPlayStaysOpenUntilClosed) {
  TIETempDir dir;
  ASSERT_TRUE(IEWriteBytesFile(dir.File("x.mkv"), Bytes(64, 3)));
  TImgIO io;
  EXPECT_EQ(io.OpenMediaFile(dir.File("x.mkv")), 0);
  EXPECT_TRUE(io.AbortFlag);
  EXPECT_TRUE(io.IsMediaFileOpen());
  io.LoadMediaFrame(0);  // nothing to show: the bitmap stays
  io.CloseMediaFile();
  EXPECT_FALSE(io.IsMediaFileOpen());
  io.LoadMediaFrame(0);  // closed: nothing at all
}

TEST(ImgIOVideoXcheck, MediaFramesAndCount) {
  IE_REQUIRE_TOOL("ffmpeg", "ffmpeg");
  TIETempDir dir;
  const std::string file = dir.File("v.mkv");
  ASSERT_EQ(IERunTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-t", "10",
                       "-pix_fmt", "yuv420p", file})
                .ExitStatus,
            0);
  TImgIO io;
  EXPECT_EQ(io.OpenMediaFile(file), 250);
  EXPECT_FALSE(io.AbortFlag);
  EXPECT_EQ(io.Params().MediaFrameCount, 250);
  EXPECT_EQ(io.Params().Width, 64);
  io.IEBitmap()->Allocate(5, 5, TIEPixelFormat::ie8g);
  io.LoadMediaFrame(5);
  EXPECT_EQ(io.Params().MediaFrameDelay, 4);
  EXPECT_EQ(io.Params().ImageIndex, 5);
  EXPECT_EQ(io.Params().GIFImageIndex, 5);
  EXPECT_EQ(io.Params().TIFFImageIndex, 5);
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(io.IEBitmap()->Width(), 64);
  io.CloseMediaFile();
  EXPECT_EQ(IECountFileImages(file), 250);
}

// ---- Counts ------------------------------------------------------------------------------

TEST(ImgIOCounts, ByExtension) {
  TIETempDir dir;
  // A three-page TIFF through the writer's page insertion.
  TIEBitmap page;
  page.Allocate(4, 3, TIEPixelFormat::ie24RGB);
  {
    TFileStream s(dir.File("three.tif"), fmCreate);
    for (int32_t i = 0; i < 3; ++i) {
      TIOParamsVals p;
      p.TIFFImageIndex = i;
      std::atomic<bool> abort{false};
      TIECodecProgress progress;
      progress.AbortFlag = &abort;
      s.SetPosition(0);
      IEEncodeTIFF(&s, i > 0, &page, p, progress);
      ASSERT_FALSE(abort.load());
    }
  }
  for (const char* name : {"photo.jpg", "doc.pdf", "shot.nef", "x.ps"})
    ASSERT_TRUE(IEWriteBytesFile(dir.File(name), Bytes(10, 1)));
  ASSERT_TRUE(IEWriteBytesFile(dir.File("not.gif"), Bytes(10, 1)));
  const struct {
    const char* Name;
    int32_t Count;
  } cases[] = {{"three.tif", 3}, {"photo.jpg", 1}, {"doc.pdf", 1}, {"shot.nef", 1},
               {"x.ps", 1},      {"not.gif", 0},   {"gone.gif", 0}};
  for (const auto& c : cases) EXPECT_EQ(IECountFileImages(dir.File(c.Name)), c.Count) << c.Name;
  // The codecs' own fixtures (the fuzz seeds carry an option byte first,
  // except the GIF one).
  const std::string corpus = std::string(PROJECT_SOURCE_DIR) + "/fuzz/corpus/";
  const struct {
    const char* Seed;
    const char* Name;
    size_t Skip;
    int32_t Count;
  } seeds[] = {{"gif/two_frames.gif", "two.gif", 0, 2},
               {"dcx/two_pages.bin", "two.dcx", 1, 2},
               {"ico/icon1.bin", "three.ico", 1, 3}};
  for (const auto& c : seeds) {
    const Bytes b = ReadAll(corpus + c.Seed);
    ASSERT_TRUE(IEWriteBytesFile(dir.File(c.Name), Bytes(b.begin() + long(c.Skip), b.end())));
    EXPECT_EQ(IECountFileImages(dir.File(c.Name)), c.Count) << c.Name;
  }
  EXPECT_EQ(IECountGIFFrames(dir.File("gone.gif")), 0);
  EXPECT_ANY_THROW(IECountTIFFPages(dir.File("gone.tif")));
}

TEST(ImgIOCounts, JpegQualityIsTheMeanOfTheTables) {
  IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");
  TIETempDir dir;
  TPamImage img = MakePam("RGB", 16, 16);
  const std::string ppm = dir.File("s.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(img)));
  const TIEToolRun j = IERunTool({"cjpeg", "-quality", "90,87", ppm});
  ASSERT_EQ(j.ExitStatus, 0);
  // cjpeg writes each table in a DQT segment of its own: join the second
  // into the first, so that the first segment holds both.
  Bytes jpeg = j.Output;
  auto findDqt = [&](size_t From) {
    for (size_t at = From; at + 4 < jpeg.size(); ++at)
      if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDB) return at;
    return size_t(0);
  };
  const size_t a = findDqt(2);
  const size_t b = findDqt(a + 4);
  ASSERT_TRUE(a != 0 && b != 0);
  const size_t lenA = size_t(jpeg[a + 2]) << 8 | jpeg[a + 3];
  const size_t lenB = size_t(jpeg[b + 2]) << 8 | jpeg[b + 3];
  ASSERT_EQ(b, a + 2 + lenA);
  jpeg.erase(jpeg.begin() + long(b), jpeg.begin() + long(b + 4));  // the second marker and length
  jpeg[a + 2] = uint8_t((lenA + lenB - 2) >> 8);
  jpeg[a + 3] = uint8_t(lenA + lenB - 2);
  ASSERT_TRUE(IEWriteBytesFile(dir.File("q.jpg"), jpeg));
  EXPECT_EQ(IEEstimateFileJPEGQuality(dir.File("q.jpg")), 88);
  // No quantization table at all: unknown.
  TMemoryStream none;
  none.WriteBuffer("\xFF\xD8\xFF\xD9", 4);
  none.SetPosition(0);
  EXPECT_EQ(IEEstimateStreamJPEGQuality(&none), 0);
}

// ---- Text export ----------------------------------------------------------------------------

TEST(ImgIOText, EncodedForms) {
  IERegisterTestFormats();
  TIETempDir dir;
  TImgIO io;
  io.IEBitmap()->Allocate(5, 4, TIEPixelFormat::ie24RGB);
  TMemoryStream expected;
  io.SaveToStream(&expected, fcTestIOT);
  const auto* e = static_cast<const uint8_t*>(expected.Memory());
  const Bytes bytes(e, e + expected.Size());
  ASSERT_EQ(bytes.size(), 11u + 60);

  const std::string pas = dir.File("logo.pas");
  io.SaveAsText(pas, fcTestIOT, 0);
  const std::string t0 = Text(pas);
  const std::string id = pas.substr(0, pas.find('.')) + "_" + pas.substr(pas.find('.') + 1);
  EXPECT_EQ(
      t0.rfind("const\r\n  " + id + "_Size = 71;\r\n  " + id + " : array [0.." + id + "_Size-1] of byte = (\r\n", 0),
      0u)
      << t0;
  // Data lines: 4 blanks and 18 entries of 4 characters.
  const size_t first = t0.find("    $");
  EXPECT_EQ(t0.find("\r\n", first) - first, 4u + 72);
  EXPECT_EQ(t0.substr(t0.size() - 7), "$00);\r\n");

  io.SaveAsText(dir.File("t.txt"), fcTestIOT, 1);
  const std::string t1 = Text(dir.File("t.txt"));
  EXPECT_EQ(t1.rfind("\\\\ Size=71\r\n0x49,0x4F,0x54,0x31,", 0), 0u) << t1;
  // Read back as bytes, the list is what SaveToStream wrote.
  Bytes back;
  for (size_t at = t1.find("0x"); at != std::string::npos; at = t1.find("0x", at + 4))
    back.push_back(uint8_t(std::stoi(t1.substr(at + 2, 2), nullptr, 16)));
  EXPECT_EQ(back, bytes);

  io.SaveAsText(dir.File("b.txt"), fcTestIOT, 2);
  const std::string t2 = Text(dir.File("b.txt"));
  EXPECT_EQ(t2.find("\r\n"), 76u);
  EXPECT_EQ(t2.rfind("SU9UMQUE", 0), 0u) << t2;  // "IOT1", 5, 4 ...

  io.SaveAsText(dir.File("other.txt"), fcTestIOT, 7);
  EXPECT_EQ(Text(dir.File("other.txt")), "");
}

TEST(ImgIOTextXcheck, ToolsReadTheBytesBack) {
  IE_REQUIRE_TOOL("base64", "coreutils");
  IE_REQUIRE_TOOL("python3", "python3");
  IERegisterTestFormats();
  TIETempDir dir;
  TImgIO io;
  io.IEBitmap()->Allocate(9, 7, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 7; ++y) static_cast<uint8_t*>(io.IEBitmap()->ScanLine(y))[y] = uint8_t(40 * y);
  TMemoryStream expected;
  io.SaveToStream(&expected, fcTestIOT);
  const auto* e = static_cast<const uint8_t*>(expected.Memory());
  const Bytes bytes(e, e + expected.Size());
  io.SaveAsText(dir.File("b64.txt"), fcTestIOT, 2);
  // -i: the decoder takes the CRs of the line ends for garbage.
  EXPECT_EQ(IERunTool({"base64", "-d", "-i", dir.File("b64.txt")}).Output, bytes);
  io.SaveAsText(dir.File("list.txt"), fcTestIOT, 1);
  const char* script =
      "import sys\n"
      "t = open(sys.argv[1]).read().split('\\n', 1)[1]\n"
      "sys.stdout.buffer.write(bytes(int(v, 16) for v in t.replace('\\r', '').replace('\\n', '').split(',')))\n";
  EXPECT_EQ(IERunTool({"python3", "-c", script, dir.File("list.txt")}).Output, bytes);
}

TEST(ImgIOText, CharacterPicture) {
  TIETempDir dir;
  TImgIO io;
  TIEBitmap* b = io.IEBitmap();
  b->Allocate(3, 2, TIEPixelFormat::ie24RGB);
  const uint8_t grays[2][3] = {{0, 128, 255}, {128, 0, 200}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) std::memset(static_cast<uint8_t*>(b->ScanLine(y)) + 3 * x, grays[y][x], 3);
  io.SaveAsText(dir.File("pic.txt"), 0, 3);
  // 0 is "W", 128 is "+", 200 is ",", white the ramp's last character (a space).
  EXPECT_EQ(Text(dir.File("pic.txt")), "W+ \r\n+W,\r\n");

  b->Allocate(2, 2, TIEPixelFormat::ie8g);
  io.SaveAsText(dir.File("gray.txt"), 0, 3);
  EXPECT_EQ(Text(dir.File("gray.txt")), "");
}

// ---- Loading over HTTP ----------------------------------------------------------------------

TEST(ImgIOUrl, LoadsTheBodyAndFollowsTheEventRules) {
  IERegisterTestFormats();
  const Bytes content = IOTBytes(3, 2, 72, 72);
  const std::string body(content.begin(), content.end());
  {
    TLoopbackServer server([&](const std::string&, int) { return HttpOkResponse(body); });
    TImgIO io;
    TEvents ev;
    ev.Attach(io);
    io.LoadFromFile("HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/a.iot");
    EXPECT_FALSE(io.AbortFlag);
    EXPECT_EQ(io.IEBitmap()->Width(), 3);
    EXPECT_EQ(io.Params().FileType, fcTestIOT);
    EXPECT_EQ(ev.Finishes, 1);
  }
  {
    TImgIO io;
    TEvents ev;
    ev.Attach(io);
    io.LoadFromURL("https://127.0.0.1/x");  // never connects
    EXPECT_TRUE(io.AbortFlag);
    EXPECT_EQ(ev.Finishes, 1);
    io.LoadFromURL("http://host-without-path");
    EXPECT_FALSE(io.AbortFlag);
    EXPECT_EQ(ev.Finishes, 2);
  }
  {
    int port = 0;
    {
      TLoopbackServer gone([](const std::string&, int) { return HttpOkResponse("x"); });
      port = gone.Port();
      TImgIO warm;
      warm.LoadFromURL(gone.Url("/"));
    }
    TImgIO io;
    TEvents ev;
    ev.Attach(io);
    io.LoadFromURL("http://127.0.0.1:" + std::to_string(port) + "/refused");
    EXPECT_TRUE(io.AbortFlag);
    EXPECT_EQ(ev.Finishes, 1);
  }
  {
    const std::string big(200000, 'x');
    TLoopbackServer server([&](const std::string&, int) { return HttpOkResponse(body + big); });
    TImgIO io;
    io.IEBitmap()->Allocate(9, 9, TIEPixelFormat::ie24RGB);
    int finishes = 0;
    io.OnFinishWork = [&](TObject*) { ++finishes; };
    io.OnProgress = [&](TObject*, int32_t) { io.AbortFlag = true; };
    io.LoadFromURL(server.Url("/big"));
    EXPECT_TRUE(io.AbortFlag);
    EXPECT_EQ(finishes, 0);  // stopped: nothing loaded, no end events
    EXPECT_EQ(io.IEBitmap()->Width(), 9);
  }
}

// A static file server of Python's standard library on a free loopback port,
// serving Folder; stopped with the object.
class TPythonServer {
 public:
  explicit TPythonServer(const std::string& Folder) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // its request log
    const char* argv[] = {"python3", "-u",        "-m",          "http.server",  "0",
                          "--bind",  "127.0.0.1", "--directory", Folder.c_str(), nullptr};
    if (posix_spawnp(&FPid, "python3", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // "Serving HTTP on 127.0.0.1 port NNNNN (http://127.0.0.1:NNNNN/) ..."
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (FPid > 0 && line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1)
      line += c;
    close(out[0]);
    const size_t at = line.find(" port ");
    if (at != std::string::npos) FPort = std::atoi(line.c_str() + at + 6);
  }
  ~TPythonServer() {
    if (FPid > 0) {
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
  }
  int Port() const { return FPort; }

 private:
  pid_t FPid = -1;
  int FPort = 0;
};

TEST(ImgIOUrlXcheck, ServedFilesLoadLikeTheFilesThemselves) {
  IE_REQUIRE_TOOL("python3", "python3");
  IE_REQUIRE_TOOL("curl", "curl");
  IERegisterTestFormats();
  TIETempDir dir;
  const Bytes content = IOTBytes(6, 5, 96, 96, false, 0x21);
  ASSERT_TRUE(IEWriteBytesFile(dir.File("pic.iot"), content));
  TPythonServer server(dir.Path());
  ASSERT_GT(server.Port(), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/pic.iot";

  TMemoryStream body;
  std::atomic<bool> abort{false};
  ASSERT_EQ(IEHttpGet(url, TIEHttpSettings(), body, abort, nullptr), TIEHttpOutcome::Done);
  const auto* b = static_cast<const uint8_t*>(body.Memory());
  const TIEToolRun fetched = IERunTool({"curl", "-s", url});
  EXPECT_EQ(Bytes(b, b + body.Size()), fetched.Output);
  EXPECT_EQ(fetched.Output, content);

  TImgIO overHttp, fromDisk;
  overHttp.LoadFromURL(url);
  fromDisk.LoadFromFile(dir.File("pic.iot"));
  ASSERT_FALSE(overHttp.AbortFlag);
  ASSERT_FALSE(fromDisk.AbortFlag);
  ASSERT_EQ(overHttp.IEBitmap()->Width(), 6);
  for (int32_t y = 0; y < 5; ++y)
    EXPECT_EQ(std::memcmp(overHttp.IEBitmap()->ScanLine(y), fromDisk.IEBitmap()->ScanLine(y), 18), 0);
}

}  // namespace
