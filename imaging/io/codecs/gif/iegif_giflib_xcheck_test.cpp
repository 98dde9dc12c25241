// Cross-checks against the giflib tools: fixtures with exact block layouts
// from gifbuild's text form, and the comment sub-blocks of our output as
// gifbuild -d and giftext see them.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "imaging/io/codecs/gif/gif_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"

using namespace giftest;

namespace {

std::string Text(const TIEToolRun& Run) { return std::string(Run.Output.begin(), Run.Output.end()); }

std::string Lines(const std::vector<std::string>& Rows) {
  std::string s;
  for (const auto& r : Rows) s += r + "\n";
  return s;
}

// Two frames: an application extension before the first; frame 0 with a
// control extension (disposal 1, delay 7, transparent index 3 in use) and a
// comment of two sub-blocks; another comment and control extension
// (disposal 2, delay 300, no transparency) before frame 1, which is
// interlaced with five rows and has its own two-entry table.
const std::vector<std::string> kRows0 = {"rgbw", "wbgr", "rrww"};
const std::vector<std::string> kRows1 = {"aca", "cca", "aac", "caa", "ccc"};
const std::map<char, TRGB> kKeys = {{'r', {0, 0, 255}},     {'g', {0, 255, 0}},  {'b', {255, 0, 0}},
                                    {'w', {255, 255, 255}}, {'a', {30, 20, 10}}, {'c', {60, 50, 40}}};

std::string Spec() {
  return "screen width 6\nscreen height 6\nscreen background 2\n"
         "screen map\n rgb 255 0 0 is r\n rgb 0 255 0 is g\n rgb 0 0 255 is b\n rgb 255 255 255 is w\nend\n"
         "netscape loop 0\n"
         "graphics control\n disposal mode 1\n user input flag off\n delay 7\n transparent index 3\nend\n"
         "comment\nfirst line\nsecond\nend\n"
         "image\nimage left 0\nimage top 0\nimage bits 4 by 3\n" +
         Lines(kRows0) +
         "comment\nlast\nend\n"
         "graphics control\n disposal mode 2\n delay 300\nend\n"
         "image\nimage left 2\nimage top 1\nimage interlaced\n"
         "image map\n rgb 10 20 30 is a\n rgb 40 50 60 is c\nend\n"
         "image bits 3 by 5\n" +
         Lines(kRows1);
}

TEST(GifXcheck, GifbuildBlockLayouts) {
  IE_REQUIRE_TOOL("gifbuild", "giflib-tools");
  TIETempDir dir;
  const std::string spec = Spec();
  ASSERT_TRUE(IEWriteBytesFile(dir.File("spec.txt"), Bytes(spec.begin(), spec.end())));
  const TIEToolRun built = IERunTool({"gifbuild", dir.File("spec.txt")});
  ASSERT_EQ(built.ExitStatus, 0);
  ASSERT_GT(built.Output.size(), 13u);
  ASSERT_TRUE(IEWriteBytesFile(dir.File("b.gif"), built.Output));
  EXPECT_EQ(IEScanGIFFrames(dir.File("b.gif"), -1, false), 2);

  const struct {
    int32_t Index;
    const std::vector<std::string>* Rows;
    int32_t XPos, YPos, Delay, Disposal, BitsPerSample;
    bool Interlaced;
    char TransparentKey;  // 0: no mask
  } cases[] = {
      {0, &kRows0, 0, 0, 7, 1, 2, false, 'w'},
      {1, &kRows1, 2, 1, 300, 2, 1, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Index);
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.GIFImageIndex = c.Index;
    const TReadResult r = ReadGif(built.Output, bitmap, params);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.FrameCount, 2);
    EXPECT_EQ(params.GIFVersion, "GIF89a");
    EXPECT_EQ(params.GIFScreenWidth, 6);
    EXPECT_EQ(params.GIFScreenHeight, 6);
    EXPECT_EQ(params.GIFBackground, kKeys.at('b'));
    EXPECT_EQ(params.GIFXPos, c.XPos);
    EXPECT_EQ(params.GIFYPos, c.YPos);
    EXPECT_EQ(params.GIFDelayTime, c.Delay);
    EXPECT_EQ(params.GIFDisposal, c.Disposal);
    EXPECT_EQ(params.GIFInterlaced, c.Interlaced);
    EXPECT_EQ(params.BitsPerSample, c.BitsPerSample);
    // Every sub-block of every comment extension, in file order.
    ASSERT_EQ(params.GIFComments.Count(), 3);
    EXPECT_EQ(params.GIFComments.Strings(0), "first line");
    EXPECT_EQ(params.GIFComments.Strings(1), "second");
    EXPECT_EQ(params.GIFComments.Strings(2), "last");

    const auto& rows = *c.Rows;
    ASSERT_EQ(bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
    ASSERT_EQ(bitmap.Height(), static_cast<int32_t>(rows.size()));
    ASSERT_EQ(bitmap.Width(), static_cast<int32_t>(rows[0].size()));
    EXPECT_EQ(r.Mask != nullptr, c.TransparentKey != 0);
    if (c.TransparentKey != 0) {
      EXPECT_EQ(params.GIFTransparentColor, kKeys.at(c.TransparentKey));
    }
    for (int32_t y = 0; y < bitmap.Height(); ++y)
      for (int32_t x = 0; x < bitmap.Width(); ++x) {
        const char key = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
        EXPECT_EQ(static_cast<const TRGB*>(bitmap.ScanLine(y))[x], kKeys.at(key)) << x << "," << y;
        if (r.Mask) {
          EXPECT_EQ(r.Mask->GetPixel(x, y) == 0, key == c.TransparentKey) << x << "," << y;
        }
      }
  }
}

// The data sub-blocks of each comment extension as gifbuild -d lists them,
// one line each.
std::vector<std::string> DumpedCommentSubBlocks(const std::string& Dump) {
  std::vector<std::string> blocks;
  std::istringstream in(Dump);
  std::string line;
  bool inComment = false;
  while (std::getline(in, line)) {
    if (!inComment)
      inComment = line == "comment";
    else if (line == "end")
      inComment = false;
    else
      blocks.push_back(line);
  }
  return blocks;
}

TEST(GifXcheck, CommentSubBlocksOfOurOutput) {
  IE_REQUIRE_TOOL("giftext", "giflib-tools");
  IE_REQUIRE_TOOL("gifbuild", "giflib-tools");
  std::string long600;
  for (int32_t i = 0; i < 600; ++i) long600 += static_cast<char>('a' + i % 26);
  const std::string exact255(255, 'q');
  const struct {
    const char* Name;
    std::vector<std::string> Comments;
    std::vector<std::string> SubBlocks;
  } cases[] = {
      {"long and empty",
       {"short", "", long600},
       {"short", long600.substr(0, 255), long600.substr(255, 255), long600.substr(510)}},
      {"exactly 255 then one", {exact255, "z", ""}, {exact255, "z"}},
      {"only empty", {"", ""}, {}},
  };
  TIETempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEBitmap bitmap;
    bitmap.Allocate(4, 3, TIEPixelFormat::ie24RGB);
    bitmap.Fill(0);
    TIOParamsVals params;
    params.BitsPerSample = 4;
    for (const auto& s : c.Comments) params.GIFComments.Add(s);
    bool aborted = true;
    const Bytes out = WriteGif(bitmap, params, &aborted);
    ASSERT_FALSE(aborted);
    ASSERT_TRUE(IEWriteBytesFile(dir.File("c.gif"), out));

    // An empty sub-block would end the extension early and leave the rest
    // to be misread as blocks.
    const TIEToolRun text = IERunTool({"giftext", dir.File("c.gif")});
    ASSERT_EQ(text.ExitStatus, 0) << Text(text);
    EXPECT_NE(Text(text).find("GIF file terminated normally"), std::string::npos) << Text(text);
    EXPECT_EQ(Text(text).find("GIF89 comment") != std::string::npos, !c.SubBlocks.empty()) << Text(text);

    const TIEToolRun dump = IERunTool({"gifbuild", "-d", dir.File("c.gif")});
    ASSERT_EQ(dump.ExitStatus, 0);
    const std::vector<std::string> blocks = DumpedCommentSubBlocks(Text(dump));
    for (const auto& b : blocks) {
      EXPECT_FALSE(b.empty());
      EXPECT_LE(b.size(), 255u);
    }
    EXPECT_EQ(blocks, c.SubBlocks);
  }
}

}  // namespace
