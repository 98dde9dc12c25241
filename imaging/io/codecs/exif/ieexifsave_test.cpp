#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/codecs/exif/exifblock_testing.h"
#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "platform/rtl/streams.h"

TEST(ExifBlockSave, BlockIsTheWritersTIFFAfterTheHeaderAndLoadsBack) {
  TIOParamsVals source;
  exiftest::CameraFields(source);
  std::vector<uint8_t> block;
  ASSERT_TRUE(IESaveEXIFToBlock(source, block));

  // "Exif", two zero bytes, then exactly what the writer gives on its own.
  TMemoryStream direct;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeTIFF(&direct, false, nullptr, source, progress);
  ASSERT_FALSE(abort.load());
  ASSERT_EQ(block.size(), size_t(direct.Size()) + 6);
  EXPECT_EQ(std::memcmp(block.data(), "Exif\0\0", 6), 0);
  EXPECT_EQ(std::memcmp(block.data() + 6, direct.Memory(), block.size() - 6), 0);

  TIOParamsVals back;
  ASSERT_TRUE(IELoadEXIFFromBlock(block.data(), static_cast<int32_t>(block.size()), back));
  EXPECT_TRUE(back.HasEXIFData);
  EXPECT_EQ(back.EXIFImageDescription, "A lake");
  EXPECT_EQ(back.EXIFMake, "Maker");
  EXPECT_EQ(back.EXIFModel, "Model 7");
  EXPECT_EQ(back.EXIFOrientation, 6);
  EXPECT_EQ(back.EXIFXResolution, 300);
  EXPECT_EQ(back.EXIFResolutionUnit, 2);
  EXPECT_EQ(back.EXIFSoftware, "Pictoval");
  EXPECT_DOUBLE_EQ(back.EXIFExposureTime, 0.008);
  EXPECT_DOUBLE_EQ(back.EXIFFNumber, 2.8);
  EXPECT_EQ(back.GetEXIFISOSpeedRatings(0), 200);
  EXPECT_EQ(back.EXIFVersion, "0230");
  EXPECT_DOUBLE_EQ(back.EXIFShutterSpeedValue, -1.5);
  EXPECT_DOUBLE_EQ(back.EXIFBrightnessValue, -1.25);
  EXPECT_DOUBLE_EQ(back.EXIFExposureBiasValue, -0.7);
  EXPECT_EQ(back.EXIFFlashPixVersion, "0100");
  EXPECT_EQ(back.EXIFColorSpace, 1);
  EXPECT_EQ(back.EXIFImageWidth, 64);
  EXPECT_EQ(back.EXIFUserCommentCode, source.EXIFUserCommentCode);
  EXPECT_EQ(back.EXIFUserComment, "hello");
  EXPECT_EQ(back.EXIFXPTitle, u"Lake");
  // The source record is not changed by writing it.
  EXPECT_EQ(source.EXIFOrientation, 6);
  EXPECT_DOUBLE_EQ(source.EXIFExposureBiasValue, -0.7);
}
