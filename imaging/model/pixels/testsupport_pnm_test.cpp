#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

TPnmImage Sample(char Kind, int32_t MaxVal) {
  TPnmImage image = MakePnm(Kind, 11, 3, MaxVal);
  for (size_t i = 0; i < image.Samples.size(); ++i)
    image.Samples[i] = static_cast<uint16_t>((i * 7919 + 13) % (size_t(image.MaxVal) + 1));
  return image;
}

}  // namespace

using ModelTestPnm = PixelsTempDirTest;

TEST_F(ModelTestPnm, FormatAndParseRoundTrip) {
  for (const auto& [kind, maxVal] :
       std::vector<std::pair<char, int32_t>>{{'4', 1}, {'5', 255}, {'5', 65535}, {'6', 255}, {'6', 1000}}) {
    SCOPED_TRACE(testing::Message() << "P" << kind << " maxval " << maxVal);
    const TPnmImage image = Sample(kind, maxVal);
    TPnmImage back;
    std::string error;
    ASSERT_TRUE(ParsePnm(FormatPnm(image), back, &error)) << error;
    EXPECT_TRUE(back == image);
    // Each truncation of the raster is refused.
    std::vector<uint8_t> bytes = FormatPnm(image);
    bytes.pop_back();
    EXPECT_FALSE(ParsePnm(bytes, back));
  }
}

TEST_F(ModelTestPnm, HeaderCommentsAndBadHeaders) {
  const std::string text = "P5\n# made by hand\n2 # width\n1\n255\n\x07\x09";
  TPnmImage image;
  ASSERT_TRUE(ParsePnm(std::vector<uint8_t>(text.begin(), text.end()), image));
  EXPECT_EQ(image.Width, 2);
  EXPECT_EQ(image.At(1, 0), 9);
  for (const std::string bad :
       {"P3\n1 1\n255\n0 0 0", "P5\n0 1\n255\n", "P5\n1 1\n70000\n\x01\x01", "P6\n99999999999 1\n255\n", "P5 1 1"}) {
    EXPECT_FALSE(ParsePnm(std::vector<uint8_t>(bad.begin(), bad.end()), image)) << bad;
  }
}

TEST_F(ModelTestPnm, BitmapsRoundTrip) {
  struct Case {
    char kind;
    int32_t maxVal;
    TIEPixelFormat format;
  };
  for (const Case& c : {Case{'4', 1, TIEPixelFormat::ie1g}, Case{'5', 255, TIEPixelFormat::ie8g},
                        Case{'5', 65535, TIEPixelFormat::ie16g}, Case{'6', 255, TIEPixelFormat::ie24RGB},
                        Case{'6', 65535, TIEPixelFormat::ieRGB48}}) {
    SCOPED_TRACE(testing::Message() << "P" << c.kind << " maxval " << c.maxVal);
    const TPnmImage image = Sample(c.kind, c.maxVal);
    TIEBitmap b;
    PnmToBitmap(image, b);
    ASSERT_EQ(b.PixelFormat(), c.format);
    EXPECT_TRUE(BitmapToPnm(b) == image);
  }
  // PBM black is the bitmap's 0.
  TPnmImage pbm = MakePnm('4', 2, 1);
  pbm.At(0, 0) = 1;
  TIEBitmap b;
  PnmToBitmap(pbm, b);
  TRGB c;
  b.GetPixelAsRGB(0, 0, c);
  EXPECT_EQ(c, MakeTRGB(0, 0, 0));
  b.GetPixelAsRGB(1, 0, c);
  EXPECT_EQ(c, MakeTRGB(255, 255, 255));
}

TEST_F(ModelTestPnm, NetpbmReadsAndWritesTheSameFiles) {
  IE_REQUIRE_TOOL("pamcut", "netpbm");
  for (const auto& [kind, maxVal] : std::vector<std::pair<char, int32_t>>{{'4', 1}, {'5', 65535}, {'6', 255}}) {
    SCOPED_TRACE(testing::Message() << "P" << kind << " maxval " << maxVal);
    const TPnmImage image = Sample(kind, maxVal);
    const std::string in = Dir + "/in.pnm", out = Dir + "/out.pnm";
    ASSERT_TRUE(WritePnmFile(in, image));
    ASSERT_EQ(RunTool({"pamcut", "-left", "1", "-width", "9", in}, out), 0);
    TPnmImage cut;
    ASSERT_TRUE(ReadPnmFile(out, cut));
    ASSERT_EQ(cut.Width, 9);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 9; ++x)
        for (int32_t ch = 0; ch < image.Channels; ++ch) EXPECT_EQ(cut.At(x, y, ch), image.At(x + 1, y, ch));
  }
  EXPECT_EQ(RunTool({"no-such-tool-here"}), -1);
}
