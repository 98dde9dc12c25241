// The conversion road of the convert benchmark (load by content, Lanczos-3
// resample to a longer side, JPEG or PNG save) pinned to the byte: a table of
// checksums of its outputs for a fixed folder of generated photos. A speed
// change in the decoder's rows, the bitmaps or the resampler that alters one
// pixel changes a checksum. The table holds for Debian 12's libjpeg-turbo,
// libpng and zlib.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/convert_road.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

// FNV-1a, 64 bits.
uint64_t Checksum(const std::vector<uint8_t>& Bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t b : Bytes) h = (h ^ b) * 0x100000001b3ull;
  return h;
}

// A photo-like picture from integers only: smooth gradients and a bright
// blob, with noise from a fixed generator, saved as JPEG quality 92 4:2:0.
void MakePhoto(const std::string& Path, int32_t W, int32_t H, uint32_t Seed) {
  TImgIO io(nullptr);
  TIEBitmap* b = io.IEBitmap();
  b->Allocate(W, H, TIEPixelFormat::ie24RGB);
  uint32_t state = Seed;
  for (int32_t y = 0; y < H; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int32_t x = 0; x < W; ++x) {
      state = state * 1664525u + 1013904223u;
      const int32_t noise = static_cast<int32_t>(state >> 27) - 16;
      const int32_t dx = x - W / 3, dy = y - H / 2;
      const int32_t blob = 90 - (dx * dx + dy * dy) * 90 / (W * W / 9 + 1);
      const int32_t base[3] = {x * 200 / W + 20, y * 180 / H + 40, (x + y) * 120 / (W + H) + 60};
      for (int c = 0; c < 3; ++c) {
        const int32_t v = base[c] + (blob > 0 ? blob : 0) + noise * (c + 1) / 2;
        row[3 * x + c] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      }
    }
  }
  io.Params().JPEGQuality = 92;
  io.Params().JPEGSubSampling = 2;
  io.SaveJPEGFile(Path);
  ASSERT_FALSE(io.AbortFlag) << Path;
}

struct TRoadCase {
  const char* Name;
  int32_t Width, Height, LongSide;
  bool Png;
  uint64_t Expected;
};

// Wide, tall and odd sizes reduced, one enlarged, and PNG output, where the
// resampled pixels reach the file unchanged.
const TRoadCase kRoad[] = {
    {"wide", 640, 480, 200, false, 0xe32463072b5e2f7bull}, {"tall", 360, 540, 128, false, 0x6e44be5f2ad0f0c5ull},
    {"odd", 333, 251, 97, false, 0xf64b58e6a1ad6050ull},   {"enlarged", 257, 193, 400, false, 0x90808caa755de5b9ull},
    {"png", 480, 320, 150, true, 0x64bd31da339bf688ull},   {"narrow", 1200, 90, 301, false, 0x5b7add94480a56bfull},
};

TEST(ConvertRoad, OutputsKeepTheirChecksums) {
  IEInitImageIO();
  TIETempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  uint32_t seed = 1;
  for (const TRoadCase& c : kRoad) {
    SCOPED_TRACE(c.Name);
    const std::string input = dir.File(std::string(c.Name) + ".jpg");
    MakePhoto(input, c.Width, c.Height, seed++);
    convert_road::TRoadOptions o;
    o.LongSide = c.LongSide;
    o.Png = c.Png;
    const std::string output = dir.File(std::string(c.Name) + (c.Png ? ".out.png" : ".out.jpg"));
    convert_road::TRoadTimes times;
    const convert_road::TRoadResult r = convert_road::ConvertFile(o, input, output, times);
    ASSERT_EQ(r.Failure, nullptr);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(IEReadBytesFile(output, bytes));
    char hex[20];
    std::snprintf(hex, sizeof hex, "0x%016llx", static_cast<unsigned long long>(Checksum(bytes)));
    EXPECT_EQ(Checksum(bytes), c.Expected) << c.Name << " " << r.Width << "x" << r.Height << " now " << hex;
  }
}

}  // namespace
