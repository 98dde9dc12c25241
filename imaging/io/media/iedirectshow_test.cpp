#include "imaging/io/media/iedirectshow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

// 10 s at 25 frames per second, 64 x 48.
std::string MakeVideo(const TIETempDir& Dir, const std::string& Name) {
  const std::string out = Dir.File(Name);
  EXPECT_EQ(IERunTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-t", "10",
                       "-pix_fmt", "yuv420p", "-g", "25", out})
                .ExitStatus,
            0);
  return out;
}

TEST(MediaFramesXcheck, DurationsFramesAndPixels) {
  IE_REQUIRE_TOOL("ffmpeg", "ffmpeg");
  TIETempDir dir;
  // MP4 records the frame count; Matroska does not, so its frames come from
  // the media-time duration and the frame time.
  const struct {
    const char* Name;
    bool Frames;
  } cases[] = {{"v.mp4", true}, {"v.mkv", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = MakeVideo(dir, c.Name);
    TIEDirectShow ds;
    ds.FileName = file;
    ds.GrabSamples = true;
    ds.Connect();
    ds.Pause();
    EXPECT_EQ(ds.GetState(), IEStatePaused);
    ds.SetTimeFormat(IETimeFormatMediaTime | 0x80);
    const int64_t d = ds.GetDuration();
    EXPECT_EQ(d, 100000000);
    ds.SetTimeFormat(IETimeFormatFrame);
    const int64_t n = ds.GetDuration();
    EXPECT_EQ(n == d, !c.Frames);
    EXPECT_EQ(ds.AvgTimePerFrame(), 400000);
    EXPECT_EQ(c.Frames ? n : n / ds.AvgTimePerFrame(), 250);
    int32_t w = 0, h = 0;
    ds.GetVideoSize(w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);

    for (int64_t frame : {5, 37, 249}) {
      SCOPED_TRACE(frame);
      ds.SetPosition(c.Frames ? frame : frame * ds.AvgTimePerFrame());
      TIEBitmap b;
      b.Allocate(10, 10, TIEPixelFormat::ie8g);  // reallocated to the video
      ds.GetSample(&b);
      ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
      ASSERT_EQ(b.Width(), 64);
      ASSERT_EQ(b.Height(), 48);
      const TIEToolRun ref =
          IERunTool({"ffmpeg", "-v", "error", "-i", file, "-vf", "select=eq(n\\," + std::to_string(frame) + ")",
                     "-vframes", "1", "-f", "image2pipe", "-vcodec", "ppm", "-"});
      ASSERT_EQ(ref.ExitStatus, 0);
      TPamImage img;
      ASSERT_TRUE(ParsePam(ref.Output, img));
      EXPECT_LE(PamMaxDifference(b, img), 2);
    }
  }
}

TEST(MediaFrames, UnplayableFileHasNoDuration) {
  TIETempDir dir;
  ASSERT_TRUE(IEWriteBytesFile(dir.File("x.mp4"), std::vector<uint8_t>(100, 7)));
  TIEDirectShow ds;
  ds.FileName = dir.File("x.mp4");
  ds.Connect();
  EXPECT_TRUE(ds.IsConnected());
  ds.Pause();
  EXPECT_EQ(ds.GetDuration(), 0);
  EXPECT_EQ(ds.AvgTimePerFrame(), 0);
  TIEBitmap b;
  b.Allocate(3, 3, TIEPixelFormat::ie8g);
  ds.GetSample(&b);  // no frame: the bitmap stays
  EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie8g);
  ds.Disconnect();
  EXPECT_FALSE(ds.IsConnected());
}

}  // namespace
