#include "imaging/io/codecs/bmp/ieico.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

using enum TIEPixelFormat;

namespace {

constexpr int64_t kMaxImageBytes = 2147483647;

// Reads up to Count bytes at Offset from the start into Out.
int64_t ReadAt(TStream* Stream, int64_t Pos, uint8_t* Out, int64_t Count) {
  Stream->SetPosition(Pos);
  int64_t done = 0;
  while (done < Count) {
    const int32_t n = Stream->Read(Out + done, static_cast<int32_t>(std::min<int64_t>(Count - done, 1 << 30)));
    if (n <= 0) break;
    done += n;
  }
  return done;
}

bool TestDirectory(TStream* Stream, uint16_t Type) {
  try {
    const int64_t start = Stream->Position();
    const int64_t size = Stream->Size() - start;
    bool ok = size >= 23;
    uint8_t h[6];
    if (ok) ok = ReadAt(Stream, start, h, 6) == 6 && GetLE16(h) == 0 && GetLE16(h + 2) == Type && GetLE16(h + 4) != 0;
    for (int32_t i = 0; ok && i < GetLE16(h + 4); ++i) {
      uint8_t e[16];
      const int64_t at = 6 + int64_t(i) * 16;
      ok = ReadAt(Stream, start + at, e, 16) == 16 && e[3] == 0 && GetLE32(e + 8) != 0 && GetLE32(e + 12) >= at + 16 &&
           GetLE32(e + 12) < size;
    }
    Stream->SetPosition(start);
    return ok;
  } catch (...) {
    return false;
  }
}

struct TEntry {
  uint8_t Width, Height, Colors;
  uint16_t Planes, BitCount;
  uint32_t Size, Offset;
};

TEntry EntryOf(const uint8_t* E) {
  return TEntry{E[0], E[1], E[2], GetLE16(E + 4), GetLE16(E + 6), GetLE32(E + 8), GetLE32(E + 12)};
}

// The image of one entry: header, colour table, XOR rows and AND rows, bounded
// by the stream.
void DecodeEntry(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIECodecProgress& Progress,
                 std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha, bool Cursor, int64_t Start, int64_t Avail,
                 const TEntry& E) {
  if (E.Offset >= Avail) {
    IESetAborting(Progress);
    return;
  }
  const int64_t dataAvail = Avail - E.Offset;
  uint8_t bi[40];
  const int64_t got = ReadAt(Stream, Start + E.Offset, bi, 40);
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!Cursor && got >= 8 && std::memcmp(bi, kPng, 8) == 0) {
    // A PNG image, read on a sub-stream bounded by the entry.
    const int64_t n = std::min<int64_t>(E.Size, dataAvail);
    std::vector<uint8_t> png(static_cast<size_t>(n));
    if (ReadAt(Stream, Start + E.Offset, png.data(), n) != n) {
      IESetAborting(Progress);
      return;
    }
    TCustomMemoryStream sub;
    sub.SetPointer(png.data(), n);
    IEDecodePNG(&sub, Bitmap, P, Progress, Preview, AlphaMask, IgnoreAlpha);
    if (!Preview && !IgnoreAlpha && AlphaMask) {
      AlphaMask->CheckFull();
      if (AlphaMask->Full()) AlphaMask.reset();
    }
    return;
  }
  if (got < 40 || GetLE32(bi) != 40) {
    IESetAborting(Progress);
    return;
  }
  const auto biWidth = static_cast<int32_t>(GetLE32(bi + 4));
  const auto biHeight = static_cast<int32_t>(GetLE32(bi + 8));
  const uint16_t biBitCount = GetLE16(bi + 14);
  const auto xppm = static_cast<int32_t>(GetLE32(bi + 24));
  const auto yppm = static_cast<int32_t>(GetLE32(bi + 28));
  P.SetDpiX(xppm > 0 ? static_cast<int32_t>(Round(xppm / 100.0 * 2.54)) : IEDefaultDpiX);
  P.SetDpiY(yppm > 0 ? static_cast<int32_t>(Round(yppm / 100.0 * 2.54)) : IEDefaultDpiY);

  int32_t bits = biBitCount;
  if (bits == 0 && !Cursor) bits = E.BitCount;
  if (bits == 0 && E.Colors != 0) bits = IEBitMaskTop(E.Colors);
  if (bits <= 0 || bits > 32) {
    IESetAborting(Progress);
    return;
  }
  int32_t width = E.Width != 0 ? E.Width : biWidth;
  int32_t height = E.Height != 0 ? E.Height : biHeight / 2;
  // An icon's own bitmap header knows its size better than the directory.
  const bool headerSize = biWidth > 0 && biHeight > 1 && biWidth < 2048 && biHeight < 4096;
  if (!Cursor && headerSize && (biWidth != width || biHeight / 2 != height)) {
    width = biWidth;
    height = biHeight / 2;
  }
  if (width < 1 || height < 1 || int64_t(width) * height * 3 > kMaxImageBytes) {
    IESetAborting(Progress);
    return;
  }
  if (Cursor) {
    P.Width = width;
    P.Height = height;
    P.SamplesPerPixel = bits <= 8 ? 1 : bits == 32 ? 4 : 3;
    P.BitsPerSample = bits <= 8 ? bits : 8;
    P.CURXHotSpot = E.Planes;
    P.CURYHotSpot = E.BitCount;
  } else {
    P.BitsPerSample = bits <= 8 ? bits : 8;
    P.SamplesPerPixel = bits <= 8 ? 1 : bits == 32 ? 4 : 3;
  }

  // Colour table: 2^bits entries (a cursor reads as many as its entry says,
  // at most 2^bits, the rest stay black).
  P.Palette.clear();
  int64_t at = 40;
  std::vector<uint8_t> data;
  if (bits <= 8) {
    const int32_t colours = 1 << bits;
    int32_t stored = colours;
    if (Cursor && E.Colors != 0) stored = std::min(E.Colors == 255 ? 256 : int32_t(E.Colors), colours);
    P.Palette.assign(static_cast<size_t>(colours), TRGB{});
    std::vector<uint8_t> table(static_cast<size_t>(stored) * 4);
    const int64_t n = ReadAt(Stream, Start + E.Offset + at, table.data(), int64_t(table.size()));
    for (int32_t i = 0; i < stored && (i + 1) * 4 <= n; ++i)
      P.Palette[size_t(i)] = TRGB{table[size_t(i) * 4], table[size_t(i) * 4 + 1], table[size_t(i) * 4 + 2]};
    at += int64_t(table.size());
    if (n < int64_t(table.size())) {
      IESetAborting(Progress);
      return;
    }
  }
  P.Width = width;
  P.Height = height;
  if (Preview) return;

  Bitmap->Allocate(width, height, bits == 1 ? ie1g : ie24RGB);
  TIEMask* mask = nullptr;
  if (!IgnoreAlpha) {
    if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
    AlphaMask->Allocate(width, height, 8);
    AlphaMask->Fill(255);
    AlphaMask->SetFull(false);
    mask = AlphaMask.get();
  }
  const bool decoded = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
  if (!decoded) {
    IESetAborting(Progress);
    return;
  }
  const int64_t xorLen = ((int64_t(width) * bits + 31) / 32) * 4;
  const int64_t maskLen = ((int64_t(width) + 31) / 32) * 4;
  const bool withMask = bits <= 8;
  const int64_t need = xorLen * height + (withMask ? maskLen * height : 0);
  data.assign(static_cast<size_t>(std::min<int64_t>(need, std::max<int64_t>(dataAvail - at, 0))), 0);
  const int64_t have = ReadAt(Stream, Start + E.Offset + at, data.data(), int64_t(data.size()));
  const TRGB background = Cursor ? P.CURBackground : P.ICOBackground;
  const bool whiteBackground = background == TRGB{255, 255, 255};
  const int64_t palHigh = int64_t(P.Palette.size()) - 1;

  IEProgressStart(Progress, height);
  for (int32_t k = 0; k < height; ++k) {
    const int32_t y = height - 1 - k;
    if (IEProgressRow(Progress, k)) return;
    const int64_t xorAt = int64_t(k) * xorLen;
    const int64_t maskAt = xorLen * height + int64_t(k) * maskLen;
    if (xorAt + xorLen > have || (withMask && maskAt + maskLen > have)) {
      IESetAborting(Progress);  // truncated: the rest stays zero
      return;
    }
    const uint8_t* src = data.data() + xorAt;
    const uint8_t* andRow = withMask ? data.data() + maskAt : nullptr;
    const auto transparent = [&](int32_t X) { return (andRow[X >> 3] & (0x80 >> (X & 7))) != 0; };
    if (bits == 1) {
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      std::memcpy(row, src, static_cast<size_t>((width + 7) / 8));
      for (int32_t x = 0; x < width; ++x) {
        if (!transparent(x)) continue;
        if (mask) mask->SetPixel(x, y, 0);
        if (whiteBackground) row[x >> 3] ^= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    } else if (bits <= 8) {
      auto* row = static_cast<TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) {
        const int32_t index = bits == 8 ? src[x] : (x & 1) == 0 ? src[x >> 1] >> 4 : src[x >> 1] & 0x0F;
        if (transparent(x)) {
          if (mask) mask->SetPixel(x, y, 0);
          row[x] = background;
        } else {
          row[x] = P.Palette[size_t(std::min<int64_t>(index, palHigh))];
        }
      }
    } else if (bits == 24) {
      std::memcpy(Bitmap->ScanLine(y), src, static_cast<size_t>(width) * 3);
    } else {
      auto* row = static_cast<TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) {
        row[x] = TRGB{src[x * 4], src[x * 4 + 1], src[x * 4 + 2]};
        if (mask) mask->SetPixel(x, y, src[x * 4 + 3]);
      }
    }
  }
  if (mask && !Cursor) {
    mask->CheckFull();
    if (mask->Full()) AlphaMask.reset();
  }
}

void Decode(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, bool Preview, TIECodecProgress& Progress,
            std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha, bool Cursor) {
  const int64_t start = Stream->Position();
  const int64_t avail = Stream->Size() - start;
  uint8_t h[6];
  if (ReadAt(Stream, start, h, 6) != 6) {
    IESetAborting(Progress);
    return;
  }
  if (!Cursor && h[0] == 'B' && h[1] == 'M') {
    Stream->SetPosition(start);
    IEDecodeBMP(Stream, Bitmap, static_cast<int32_t>(std::min<int64_t>(avail, 0x7FFFFFFF)), P, Progress, Preview, false,
                AlphaMask, IgnoreAlpha);
    return;
  }
  const int32_t count = GetLE16(h + 4);
  const int32_t index = Cursor ? P.CURImageIndex : P.ICOImageIndex;
  if (index < 0 || index >= count) {
    IESetAborting(Progress);  // no such image (or none at all)
    return;
  }
  std::vector<uint8_t> dir(static_cast<size_t>(count) * 16);
  if (ReadAt(Stream, start + 6, dir.data(), int64_t(dir.size())) != int64_t(dir.size())) {
    IESetAborting(Progress);
    return;
  }
  if (!Cursor) {
    P.ICOSizes.fill(TIEICOSize{});
    P.ICOBitCounts.fill(0);
    for (int32_t i = 0; i < std::min(count, IEMaxICOImages); ++i) {
      const TEntry e = EntryOf(&dir[size_t(i) * 16]);
      P.ICOSizes[size_t(i)] = TIEICOSize{e.Width, e.Height};
      P.ICOBitCounts[size_t(i)] = e.BitCount != 0 ? e.BitCount : e.Colors != 0 ? IEBitMaskTop(e.Colors) : 24;
    }
  }
  DecodeEntry(Stream, Bitmap, P, Preview, Progress, AlphaMask, IgnoreAlpha, Cursor, start, avail,
              EntryOf(&dir[size_t(index) * 16]));
}

}  // namespace

bool IETestICO(TStream* Stream) { return TestDirectory(Stream, 1); }
bool IETestCUR(TStream* Stream) { return TestDirectory(Stream, 2); }

int32_t IEICOImageCount(TStream* Stream) {
  try {
    const int64_t start = Stream->Position();
    uint8_t h[6];
    const bool ok = ReadAt(Stream, start, h, 6) == 6;
    Stream->SetPosition(start);
    return ok ? GetLE16(h + 4) : 0;
  } catch (...) {
    return 0;
  }
}

void IEDecodeICO(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIECodecProgress& Progress,
                 std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
  try {
    Decode(Stream, Bitmap, IOParams, Preview, Progress, AlphaMask, IgnoreAlpha, false);
  } catch (...) {
    IESetAborting(Progress);
  }
}

void IEDecodeCUR(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIECodecProgress& Progress,
                 std::unique_ptr<TIEMask>& AlphaMask, bool IgnoreAlpha) {
  try {
    Decode(Stream, Bitmap, IOParams, Preview, Progress, AlphaMask, IgnoreAlpha, true);
  } catch (...) {
    IESetAborting(Progress);
  }
}

// ---- Writing ---------------------------------------------------------------------------

void IEEncodeICO(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                 const std::vector<TIEICOSize>& Sizes, const std::vector<int32_t>& BitCounts) {
  const auto n = static_cast<int32_t>(std::min<size_t>(Sizes.size(), IEMaxICOImages));
  if (n < 1 || Bitmap->Width() < 1 || Bitmap->Height() < 1) {
    IESetAborting(Progress);
    return;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (Sizes[size_t(i)].Width < 1 || Sizes[size_t(i)].Height < 1 || Sizes[size_t(i)].Width > 256 ||
        Sizes[size_t(i)].Height > 256) {
      IESetAborting(Progress);
      return;
    }
  }
  bool failed = false;
  try {
    const int64_t start = Stream->Position();
    std::vector<uint8_t> head;
    AppendLE16(head, 0);
    AppendLE16(head, 1);
    AppendLE16(head, static_cast<uint32_t>(n));
    head.resize(6 + size_t(n) * 16, 0);  // the directory is written last
    IEStreamWriteChecked(Stream, failed, head.data(), static_cast<int32_t>(head.size()));

    IOParams.Palette.clear();
    if (Bitmap->PixelFormat() != ie24RGB) {
      IOParams.BitsPerSample = 1;
      IOParams.SamplesPerPixel = 1;
    }
    std::vector<uint8_t> dir;
    IEProgressStart(Progress, n);
    for (int32_t i = 0; i < n && !failed; ++i) {
      if (IEProgressRow(Progress, i)) return;
      const int32_t w = Sizes[size_t(i)].Width;
      const int32_t h = Sizes[size_t(i)].Height;
      TIEBitmap copy;
      if (w == Bitmap->Width() && h == Bitmap->Height()) {
        copy.Assign(Bitmap);
      } else {
        copy.Allocate(w, h, Bitmap->PixelFormat());
        ResampleBitmap(Bitmap, &copy,
                       Bitmap->PixelFormat() == ie1g ? TResampleFilter::rfNone : TResampleFilter::rfFastLinear);
      }
      const int32_t bc = i < static_cast<int32_t>(BitCounts.size()) ? BitCounts[size_t(i)] : 0;
      int32_t samples = 3, bits = 8;
      switch (bc) {
        case 0:
          samples = IOParams.SamplesPerPixel;
          bits = IOParams.BitsPerSample;
          break;
        case 1: samples = 1, bits = 1; break;
        case 4: samples = 1, bits = 4; break;
        case 8: samples = 1, bits = 8; break;
        case 32: samples = 4, bits = 8; break;
        default: break;
      }
      const int32_t depth = (samples == 3 && bits == 8)   ? 24
                            : (samples == 4 && bits == 8) ? 32
                            : (samples == 1 && bits == 1) ? 1
                            : (samples == 1 && bits == 4) ? 4
                                                          : 8;
      const TIEPixelFormat want = depth == 1 ? ie1g : ie24RGB;
      if (copy.PixelFormat() != want) copy.ConvertFormat(want);
      TIEBitmap* alpha = IEAlphaCovers(&copy) ? copy.AlphaChannel() : nullptr;
      const int64_t dataAt = Stream->Position();

      const int32_t xorLen = ((w * depth + 31) / 32) * 4;
      const int32_t maskLen = ((w + 31) / 32) * 4;
      std::vector<uint8_t> out;
      AppendLE32(out, 40);
      AppendLE32(out, static_cast<uint32_t>(w));
      AppendLE32(out, static_cast<uint32_t>(2 * h));
      AppendLE16(out, 1);
      AppendLE16(out, static_cast<uint32_t>(depth));
      AppendLE32(out, 0);
      AppendLE32(out, depth >= 24 ? 0u : static_cast<uint32_t>(h * xorLen + w * h / 8));
      AppendLE32(out, static_cast<uint32_t>(Round(IOParams.DpiX / 2.54 * 100)));
      AppendLE32(out, static_cast<uint32_t>(Round(IOParams.DpiY / 2.54 * 100)));
      AppendLE32(out, 0);
      AppendLE32(out, 0);

      std::unique_ptr<TIEQuantizer> quantizer;
      if (depth == 4 || depth == 8) {
        const int32_t colours = depth == 4 ? 15 : 255;
        std::vector<TRGB> map(size_t(colours) + 1);
        quantizer = std::make_unique<TIEQuantizer>(&copy, map.data(), colours - 1, colours, -1, 0);
        IOParams.Palette.assign(size_t(1) << depth, TRGB{});
        std::copy(map.begin(), map.begin() + colours, IOParams.Palette.begin());
        AppendLE32(out, 0);  // entry 0: transparent
        for (int32_t c = 0; c < colours; ++c) {
          out.push_back(map[size_t(c)].b);
          out.push_back(map[size_t(c)].g);
          out.push_back(map[size_t(c)].r);
          out.push_back(0);
        }
      } else if (depth == 1) {
        AppendLE32(out, 0);
        AppendLE32(out, 0x00FFFFFF);
      }
      const size_t rowsAt = out.size();
      out.resize(rowsAt + size_t(xorLen) * size_t(h) + (depth >= 24 && depth != 32 ? 0 : 0), 0);
      for (int32_t k = 0; k < h; ++k) {
        const int32_t y = h - 1 - k;
        uint8_t* o = out.data() + rowsAt + size_t(k) * size_t(xorLen);
        const auto* a = alpha ? static_cast<const uint8_t*>(alpha->ScanLine(y)) : nullptr;
        if (depth == 1) {
          std::memcpy(o, copy.ScanLine(y), size_t((w + 7) / 8));
        } else if (depth == 24) {
          std::memcpy(o, copy.ScanLine(y), size_t(w) * 3);
        } else {
          const auto* row = static_cast<const TRGB*>(copy.ScanLine(y));
          for (int32_t x = 0; x < w; ++x) {
            if (depth == 32) {
              o[x * 4] = row[x].b;
              o[x * 4 + 1] = row[x].g;
              o[x * 4 + 2] = row[x].r;
              o[x * 4 + 3] = a ? a[x] : 255;
              continue;
            }
            const auto index = static_cast<uint8_t>(a && a[x] < 255 ? 0 : quantizer->RGBIndex(row[x]) + 1);
            if (depth == 8) {
              o[x] = index;
            } else {
              o[x >> 1] |= static_cast<uint8_t>((x & 1) == 0 ? index << 4 : index);
            }
          }
        }
      }
      const size_t maskAt = out.size();
      out.resize(maskAt + size_t(maskLen) * size_t(h), 0);
      if (alpha && depth != 24) {
        for (int32_t k = 0; k < h; ++k) {
          const auto* a = static_cast<const uint8_t*>(alpha->ScanLine(h - 1 - k));
          uint8_t* o = out.data() + maskAt + size_t(k) * size_t(maskLen);
          for (int32_t x = 0; x < w; ++x)
            if (a[x] < 255) o[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
      }
      IEStreamWriteChecked(Stream, failed, out.data(), static_cast<int32_t>(out.size()));

      dir.push_back(static_cast<uint8_t>(w & 0xFF));
      dir.push_back(static_cast<uint8_t>(h & 0xFF));
      dir.push_back(static_cast<uint8_t>(depth >= 24 ? 0 : std::min(1 << depth, 255)));
      dir.push_back(0);
      AppendLE16(dir, depth >= 24 ? 1 : 0);
      AppendLE16(dir, depth >= 24 ? static_cast<uint32_t>(depth) : 0);
      AppendLE32(dir, static_cast<uint32_t>(out.size()));
      AppendLE32(dir, static_cast<uint32_t>(dataAt - start));
    }
    if (!failed) {
      const int64_t end = Stream->Position();
      Stream->SetPosition(start + 6);
      IEStreamWriteChecked(Stream, failed, dir.data(), static_cast<int32_t>(dir.size()));
      Stream->SetPosition(end);
    }
  } catch (...) {
    failed = true;
  }
  if (failed) IESetAborting(Progress);
}
