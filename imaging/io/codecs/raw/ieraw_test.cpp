// The camera RAW stub: every read fails without touching anything.
#include "imaging/io/codecs/raw/ieraw.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

// TIFF-structured content, as a camera file under a camera extension is.
const String KTiffLike("II*\0\x08\0\0\0\0\0\0\0\0\0\0\0", 16);

TEST(RawStub, EveryReadSetsTheAbortFlagAndChangesNothing) {
  for (const bool paramsOnly : {false, true}) {
    SCOPED_TRACE(paramsOnly ? "parameters only" : "full read");
    TStringStream stream(KTiffLike);
    stream.SetPosition(3);
    TIEBitmap bitmap;
    bitmap.Allocate(2, 1, TIEPixelFormat::ie24RGB);
    std::memset(bitmap.ScanLine(0), 0x5A, 6);
    TIOParamsVals params;
    params.Width = 7;
    params.Height = 9;
    params.FileType = 3;
    params.RAWOptions.RAWCamera = "kept";
    const TIERAWOptions options = params.RAWOptions;
    std::atomic<bool> abort{false};
    int events = 0;
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    progress.Event = [&](TObject*, int32_t) { ++events; };

    IEDecodeRAW(&stream, &bitmap, params, progress, paramsOnly);

    EXPECT_TRUE(abort.load());
    EXPECT_EQ(stream.Position(), 3);
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 1);
    EXPECT_EQ(bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
    const auto* px = static_cast<const uint8_t*>(bitmap.ScanLine(0));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(px[i], 0x5A);
    EXPECT_EQ(params.Width, 7);
    EXPECT_EQ(params.Height, 9);
    EXPECT_EQ(params.FileType, 3);
    EXPECT_TRUE(params.RAWOptions == options);
    EXPECT_EQ(events, 0);
  }
}

TEST(RawStub, TestAnswersFalseWithoutReading) {
  TStringStream stream(KTiffLike);
  stream.SetPosition(0);
  EXPECT_FALSE(IETestRAW(&stream));
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_FALSE(IETestRAW(nullptr));
}

}  // namespace
