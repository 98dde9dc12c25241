#include "imaging/io/core/testsupport/conformance.h"

#include <algorithm>
#include <exception>
#include <string>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TIECodecConformance);

TIEReadResult IERunReader(TIEReadProc Read, const std::vector<uint8_t>& Bytes, TIEBitmap& Bitmap, TIOParamsVals& Params,
                          bool Preview, bool WithHandler, int32_t AbortAtReport) {
  TIEReadResult result;
  // An exact-size copy: a read past the end lands outside the allocation.
  const std::vector<uint8_t> data(Bytes);
  TCustomMemoryStream stream;
  stream.SetPointer(data.empty() ? nullptr : data.data(), static_cast<int64_t>(data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  if (WithHandler) {
    progress.Event = [&result, &abort, AbortAtReport](TObject*, int32_t Per) {
      result.Percents.push_back(Per);
      if (AbortAtReport > 0 && static_cast<int32_t>(result.Percents.size()) == AbortAtReport)
        abort.store(true, std::memory_order_relaxed);
    };
  }
  try {
    Read(&stream, &Bitmap, Params, progress, Preview);
  } catch (const std::exception& e) {
    result.Threw = true;
    result.Exception = e.what();
  } catch (...) {
    result.Threw = true;
    result.Exception = "non-standard exception";
  }
  result.Aborted = abort.load(std::memory_order_relaxed);
  return result;
}

std::string IECodecConformanceName(const ::testing::TestParamInfo<TIECodecConformanceCase>& Info) {
  return Info.param.Name.empty() ? "Case" + std::to_string(Info.index) : Info.param.Name;
}

namespace {

std::vector<uint8_t> Bytes(const std::string& S) { return std::vector<uint8_t>(S.begin(), S.end()); }

std::vector<std::vector<uint8_t>> ForeignInputs(const TIECodecConformanceCase& Case) {
  std::vector<std::vector<uint8_t>> inputs{{}};
  if (Case.DefaultForeign) {
    inputs.push_back({0x00});
    inputs.push_back(Bytes("This is plain text and no picture at all.\nSecond line of it.\n"));
    inputs.push_back(Bytes(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(24, '\x01')));
    inputs.push_back(Bytes("GIF89a" + std::string(26, '\x02')));
    inputs.push_back(Bytes(std::string("\xFF\xD8\xFF\xE0", 4) + std::string(28, '\x03')));
    inputs.push_back(Bytes(std::string("%PDF-1.4\n", 9) + std::string(23, '\x04')));
    // Noise from a fixed linear congruential sequence.
    std::vector<uint8_t> noise(96);
    uint32_t seed = 12345;
    for (uint8_t& b : noise) {
      seed = seed * 1103515245u + 12345u;
      b = static_cast<uint8_t>(seed >> 16);
    }
    inputs.push_back(noise);
  }
  for (const auto& f : Case.Foreign) inputs.push_back(f);
  return inputs;
}

std::vector<size_t> CutSizes(const TIECodecConformanceCase& Case) {
  if (!Case.CutSizes.empty()) return Case.CutSizes;
  const size_t n = Case.Valid.size();
  std::vector<size_t> cuts{0, 1, 8, n / 4, n / 2, n * 3 / 4, n - 1};
  cuts.erase(std::remove_if(cuts.begin(), cuts.end(), [n](size_t c) { return c >= n; }), cuts.end());
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  return cuts;
}

void Prepare(const TIECodecConformanceCase& Case, TIOParamsVals& Params) {
  if (Case.Prepare) Case.Prepare(Params);
}

// Whole rows of pixel bytes, padding excluded.
size_t PixelBytes(TIEBitmap& Bitmap) {
  return static_cast<size_t>(IEBitmapRowLen(Bitmap.Width(), IEBitsPerPixel(Bitmap.PixelFormat()), 8));
}

std::vector<uint8_t> Pixels(TIEBitmap& Bitmap) {
  std::vector<uint8_t> out;
  if (Bitmap.IsEmpty()) return out;
  const size_t rowBytes = PixelBytes(Bitmap);
  for (int32_t y = 0; y < Bitmap.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(Bitmap.ScanLine(y));
    out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}

std::string Describe(const TIEReadResult& R) {
  return R.Threw ? "threw: " + R.Exception : (R.Aborted ? "flag set" : "flag clear");
}

}  // namespace

TEST_P(TIECodecConformance, PreviewFillsTheRecordAndLeavesTheBitmap) {
  const TIECodecConformanceCase& c = GetParam();
  TIEBitmap bitmap;
  bitmap.Allocate(3, 2, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 2; ++y) std::fill_n(static_cast<uint8_t*>(bitmap.ScanLine(y)), 9, uint8_t(0x5A));
  const std::vector<uint8_t> before = Pixels(bitmap);
  TIOParamsVals params;
  Prepare(c, params);
  params.Width = params.Height = 0;
  params.BitsPerSample = params.SamplesPerPixel = 0;

  const TIEReadResult r = IERunReader(c.Read, c.Valid, bitmap, params, true);
  ASSERT_FALSE(r.Threw) << r.Exception;
  EXPECT_FALSE(r.Aborted);
  EXPECT_EQ(params.Width, c.Width);
  EXPECT_EQ(params.Height, c.Height);
  EXPECT_EQ(params.BitsPerSample, c.BitsPerSample);
  EXPECT_EQ(params.SamplesPerPixel, c.SamplesPerPixel);
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  ASSERT_EQ(bitmap.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(Pixels(bitmap), before);
}

TEST_P(TIECodecConformance, FullReadDeliversTheImage) {
  const TIECodecConformanceCase& c = GetParam();
  TIEBitmap bitmap;
  TIOParamsVals params;
  Prepare(c, params);
  const TIEReadResult r = IERunReader(c.Read, c.Valid, bitmap, params, false);
  ASSERT_FALSE(r.Threw) << r.Exception;
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(bitmap.Width(), c.Width);
  EXPECT_EQ(bitmap.Height(), c.Height);
  EXPECT_EQ(params.Width, c.Width);
  EXPECT_EQ(params.Height, c.Height);
  EXPECT_EQ(params.BitsPerSample, c.BitsPerSample);
  EXPECT_EQ(params.SamplesPerPixel, c.SamplesPerPixel);
  if (c.CheckFull) c.CheckFull(bitmap, params);
}

TEST_P(TIECodecConformance, ForeignOrEmptyInputSetsTheFlagWithoutThrowing) {
  const TIECodecConformanceCase& c = GetParam();
  const auto inputs = ForeignInputs(c);
  for (size_t i = 0; i < inputs.size(); ++i) {
    for (const bool preview : {false, true}) {
      TIEBitmap bitmap;
      TIOParamsVals params;
      Prepare(c, params);
      const TIEReadResult r = IERunReader(c.Read, inputs[i], bitmap, params, preview);
      EXPECT_TRUE(!r.Threw && r.Aborted) << "foreign input " << i << " (" << inputs[i].size() << " bytes, "
                                         << (preview ? "preview" : "full") << "): " << Describe(r);
    }
  }
}

TEST_P(TIECodecConformance, CutFileEndsWithItsDocumentedOutcome) {
  const TIECodecConformanceCase& c = GetParam();
  for (const size_t cut : CutSizes(c)) {
    SCOPED_TRACE("cut to " + std::to_string(cut) + " of " + std::to_string(c.Valid.size()) + " bytes");
    const std::vector<uint8_t> bytes(c.Valid.begin(), c.Valid.begin() + static_cast<std::ptrdiff_t>(cut));
    {
      TIEBitmap bitmap;
      TIOParamsVals params;
      Prepare(c, params);
      const TIEReadResult r = IERunReader(c.Read, bytes, bitmap, params, true);
      EXPECT_FALSE(r.Threw) << "preview " << r.Exception;
    }
    TIEBitmap bitmap;
    TIOParamsVals params;
    Prepare(c, params);
    const TIEReadResult r = IERunReader(c.Read, bytes, bitmap, params, false);
    ASSERT_FALSE(r.Threw) << r.Exception;
    if (c.CutOutcome == TIECutOutcome::Abort) {
      EXPECT_TRUE(r.Aborted);
    }
    for (const int32_t p : r.Percents) EXPECT_TRUE(p >= 0 && p <= 100) << p;
    if (!r.Aborted && c.RowReached && !bitmap.IsEmpty()) {
      EXPECT_EQ(bitmap.Width(), c.Width);
      EXPECT_EQ(bitmap.Height(), c.Height);
      const size_t rowBytes = PixelBytes(bitmap);
      for (int32_t y = 0; y < bitmap.Height(); ++y) {
        if (c.RowReached(y, cut)) continue;
        const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
        EXPECT_TRUE(std::all_of(row, row + rowBytes, [](uint8_t b) { return b == 0; }))
            << "row " << y << " was not reached by the data but is not zero";
      }
    }
    if (c.CheckCut) c.CheckCut(cut, bitmap, params, r.Aborted);
  }
}

TEST_P(TIECodecConformance, AbortFromOnProgressStopsTheReader) {
  const TIECodecConformanceCase& c = GetParam();
  TIEBitmap bitmap;
  TIOParamsVals params;
  Prepare(c, params);
  const TIEReadResult r = IERunReader(c.Read, c.Valid, bitmap, params, false, true, 1);
  ASSERT_FALSE(r.Threw) << r.Exception;
  ASSERT_FALSE(r.Percents.empty()) << "the reader made no progress report";
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Percents.size(), 1u) << "the reader went on reporting after the flag was set";
}

TEST_P(TIECodecConformance, NoHandlerMeansNoCallsAndTheSameImage) {
  const TIECodecConformanceCase& c = GetParam();
  TIEBitmap with, without;
  TIOParamsVals p1, p2;
  Prepare(c, p1);
  Prepare(c, p2);
  const TIEReadResult r1 = IERunReader(c.Read, c.Valid, with, p1, false, true);
  // An unassigned handler called anyway throws std::bad_function_call.
  const TIEReadResult r2 = IERunReader(c.Read, c.Valid, without, p2, false, false);
  ASSERT_FALSE(r2.Threw) << r2.Exception;
  EXPECT_FALSE(r2.Aborted);
  EXPECT_EQ(Pixels(without), Pixels(with));
}

TEST_P(TIECodecConformance, ReportedPercentagesStayWithin0To100) {
  const TIECodecConformanceCase& c = GetParam();
  TIEBitmap bitmap;
  TIOParamsVals params;
  Prepare(c, params);
  const TIEReadResult r = IERunReader(c.Read, c.Valid, bitmap, params, false);
  ASSERT_FALSE(r.Threw) << r.Exception;
  ASSERT_FALSE(r.Percents.empty()) << "the reader made no progress report";
  for (const int32_t p : r.Percents) EXPECT_TRUE(p >= 0 && p <= 100) << p;
}
