// Area averaging, fitting and orientation of thumbnail pictures.
#include <algorithm>
#include <cstring>

#include "platform/shellapi/thumb_internal.h"
#include "platform/rtl/byteorder.h"

// ---- Scaling and orientation -------------------------------------------------------------

TBoxAccumulator::TBoxAccumulator(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight)
    : FSrcW(srcWidth), FSrcH(srcHeight), FDstW(dstWidth), FDstH(dstHeight) {
  FSum.assign(size_t(dstWidth) * 3, 0);
  FCount.assign(size_t(dstWidth), 0);
  FOut.Width = dstWidth;
  FOut.Height = dstHeight;
  FOut.Bgr.assign(size_t(dstWidth) * size_t(dstHeight) * 3, 0);
}

void TBoxAccumulator::Flush() {
  if (FTargetRow >= FDstH) return;
  uint8_t* row = FOut.Bgr.data() + size_t(FTargetRow) * size_t(FDstW) * 3;
  for (int32_t x = 0; x < FDstW; ++x) {
    const uint32_t n = FCount[size_t(x)];
    for (int c = 0; c < 3; ++c) {
      const size_t i = size_t(x) * 3 + size_t(c);
      row[i] = n ? static_cast<uint8_t>((FSum[i] + n / 2) / n) : 0;
    }
  }
  std::fill(FSum.begin(), FSum.end(), 0);
  std::fill(FCount.begin(), FCount.end(), 0);
}

void TBoxAccumulator::AddRow(const uint8_t* bgr) {
  if (FRow >= FSrcH) return;
  const int32_t ty = int32_t(int64_t(FRow) * FDstH / FSrcH);
  if (ty != FTargetRow) {
    Flush();
    FTargetRow = ty;
  }
  for (int32_t x = 0; x < FSrcW; ++x) {
    const size_t tx = size_t(int64_t(x) * FDstW / FSrcW);
    FSum[tx * 3] += bgr[size_t(x) * 3];
    FSum[tx * 3 + 1] += bgr[size_t(x) * 3 + 1];
    FSum[tx * 3 + 2] += bgr[size_t(x) * 3 + 2];
    ++FCount[tx];
  }
  ++FRow;
  if (FRow == FSrcH) Flush();
}

bool TBoxAccumulator::Finish(TThumbImage& out) {
  if (FRow < FSrcH) return false;
  out = std::move(FOut);
  return true;
}

TThumbImage Orient(const TThumbImage& in, int o) {
  if (o < 2 || o > 8) return in;
  const int32_t w = in.Width, h = in.Height;
  TThumbImage out;
  const bool swap = OrientationSwaps(o);
  out.Width = swap ? h : w;
  out.Height = swap ? w : h;
  out.Bgr.resize(in.Bgr.size());
  for (int32_t y = 0; y < out.Height; ++y)
    for (int32_t x = 0; x < out.Width; ++x) {
      int32_t sx = x, sy = y;
      switch (o) {
        case 2: sx = w - 1 - x; break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4: sy = h - 1 - y; break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
        default: break;
      }
      std::memcpy(&out.Bgr[(size_t(y) * size_t(out.Width) + size_t(x)) * 3],
                  &in.Bgr[(size_t(sy) * size_t(w) + size_t(sx)) * 3], 3);
    }
  return out;
}

int ExifOrientation(const uint8_t* d, size_t n) {
  if (n < 14 || std::memcmp(d, "Exif\0\0", 6) != 0) return 1;
  const uint8_t* t = d + 6;
  const size_t tn = n - 6;
  bool le;
  if (t[0] == 'I' && t[1] == 'I')
    le = true;
  else if (t[0] == 'M' && t[1] == 'M')
    le = false;
  else
    return 1;
  auto u16 = [&](size_t off) -> uint32_t { return GetOrdered16(t + off, le); };
  auto u32 = [&](size_t off) -> uint32_t { return GetOrdered32(t + off, le); };
  if (u16(2) != 42) return 1;
  const size_t ifd = u32(4);
  if (ifd + 2 > tn) return 1;
  const uint32_t count = u16(ifd);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = ifd + 2 + size_t(i) * 12;
    if (e + 12 > tn) break;
    if (u16(e) == 0x0112 && u16(e + 2) == 3) {
      const uint32_t v = u16(e + 8);
      return v >= 1 && v <= 8 ? int(v) : 1;
    }
  }
  return 1;
}

void ThumbnailFitSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, int32_t& outWidth,
                      int32_t& outHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
    outWidth = outHeight = 0;
    return;
  }
  if (width <= boxWidth && height <= boxHeight) {
    outWidth = width;
    outHeight = height;
    return;
  }
  // The side that limits decides; the other follows with rounding.
  if (int64_t(width) * boxHeight >= int64_t(height) * boxWidth) {
    outWidth = boxWidth;
    outHeight = int32_t((int64_t(height) * boxWidth * 2 + width) / (int64_t(width) * 2));
  } else {
    outHeight = boxHeight;
    outWidth = int32_t((int64_t(width) * boxHeight * 2 + height) / (int64_t(height) * 2));
  }
  outWidth = std::max(outWidth, 1);
  outHeight = std::max(outHeight, 1);
}

bool ThumbnailBoxScale(const TThumbImage& in, int32_t width, int32_t height, TThumbImage& out) {
  if (in.Width <= 0 || in.Height <= 0 || width <= 0 || height <= 0) return false;
  if (in.Bgr.size() < size_t(in.Width) * size_t(in.Height) * 3) return false;
  if (width >= in.Width && height >= in.Height) {
    out = in;
    return true;
  }
  width = std::min(width, in.Width);
  height = std::min(height, in.Height);
  TBoxAccumulator acc(in.Width, in.Height, width, height);
  for (int32_t y = 0; y < in.Height; ++y) acc.AddRow(&in.Bgr[size_t(y) * size_t(in.Width) * 3]);
  return acc.Finish(out);
}
