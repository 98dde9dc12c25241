#include "imaging/io/codecs/bmp/iebmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

// Up to Count bytes; a failing stream read counts as the end of the data.
int64_t ReadSome(TStream* Stream, void* Buffer, int64_t Count) {
  int64_t done = 0;
  try {
    while (done < Count) {
      const auto chunk = static_cast<int32_t>(std::min<int64_t>(Count - done, int64_t(1) << 30));
      const int32_t got = Stream->Read(static_cast<uint8_t*>(Buffer) + done, chunk);
      if (got <= 0) break;
      done += got;
    }
  } catch (const std::exception&) {
  }
  return done;
}

int64_t Remaining(TStream* Stream) {
  try {
    return std::max<int64_t>(0, Stream->Size() - Stream->Position());
  } catch (const std::exception&) {
    return 0;
  }
}

// One channel of a bit-field pixel: its mask, where the mask starts and the
// largest value it holds. An empty mask has Max 0.
struct TBitField {
  uint32_t Mask = 0;
  int32_t Shift = 0;
  uint32_t Max = 0;
};

TBitField MakeBitField(uint32_t Mask) {
  if (Mask == 0) return {};
  const int32_t shift = std::countr_zero(Mask);
  return {Mask, shift, Mask >> shift};
}

// The channel's value spread over 0..255 as netpbm spreads it (a 5-bit 31 is
// 255, not 248).
uint8_t FieldValue(uint32_t Pixel, const TBitField& F) {
  const uint64_t v = (Pixel & F.Mask) >> F.Shift;
  return static_cast<uint8_t>(v * 255 / F.Max);
}

// ---- Run-length decoding ----------------------------------------------------------------

template <bool Rle8, bool Native>
bool DecodeRle(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin, TIECodecProgress& Progress,
               const TRGB* Palette) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  if (w <= 0 || h <= 0 || Data == nullptr) return false;
  // Stored row k goes to internal (bottom-up) row |RowOrigin - k|.
  const auto rowOf = [&](int32_t k) {
    const int64_t internal = std::clamp<int64_t>(std::abs(int64_t(RowOrigin) - k), 0, h - 1);
    return static_cast<uint8_t*>(Bitmap->ScanLine(static_cast<int32_t>(h - 1 - internal)));
  };
  int32_t k = 0;
  int32_t x = 0;
  uint8_t* row = rowOf(0);
  const auto put = [&](uint8_t Index) {
    if (x >= w) return;
    if constexpr (Native) {
      row[x] = Index;
    } else {
      reinterpret_cast<TRGB*>(row)[x] = Palette[Index];
    }
    ++x;
  };
  int64_t i = 0;
  while (i + 1 < Length) {
    const uint8_t n = Data[i];
    const uint8_t v = Data[i + 1];
    i += 2;
    if (n > 0) {
      const int32_t count = std::min<int32_t>(n, w - x);
      for (int32_t j = 0; j < count; ++j) put(Rle8 ? v : static_cast<uint8_t>((j & 1) ? v & 0x0F : v >> 4));
      continue;
    }
    switch (v) {
      case 0:  // end of line
        if (++k >= h) return true;
        if (IEProgressRow(Progress, k)) return false;
        x = 0;
        row = rowOf(k);
        break;
      case 1:  // end of bitmap
        return true;
      case 2: {  // delta
        if (i + 1 >= Length) return false;
        x = static_cast<int32_t>(std::min<int64_t>(w, int64_t(x) + Data[i]));
        const uint8_t dy = Data[i + 1];
        i += 2;
        if (dy > 0) {
          if (int64_t(k) + dy >= h) return true;
          k += dy;
          row = rowOf(k);
        }
        break;
      }
      default: {  // absolute block of v pixels, padded to a word
        const int64_t bytes = Rle8 ? v : (v + 1) / 2;
        for (int32_t j = 0; j < v && x < w; ++j) {
          const int64_t at = i + (Rle8 ? j : j / 2);
          if (at >= Length) return false;
          put(Rle8 ? Data[at] : static_cast<uint8_t>((j & 1) ? Data[at] & 0x0F : Data[at] >> 4));
        }
        i += bytes + (bytes & 1);
        break;
      }
    }
  }
  return false;
}

// ---- Run-length encoding ------------------------------------------------------------------

template <bool Rle8>
int32_t EncodeRleRow(const uint8_t* In, int32_t Count, uint8_t* Out) {
  int32_t o = 0;
  int32_t pos = 0;
  int32_t lit = 0;
  const auto flush = [&](int32_t End) {
    while (End > lit) {
      const int32_t n = std::min(End - lit, 255);
      if (n == 1) {
        Out[o++] = 1;
        Out[o++] = Rle8 ? In[lit] : static_cast<uint8_t>(In[lit] << 4);
      } else if (n == 2) {
        if (Rle8) {
          Out[o++] = 1;
          Out[o++] = In[lit];
          Out[o++] = 1;
          Out[o++] = In[lit + 1];
        } else {
          Out[o++] = 2;
          Out[o++] = static_cast<uint8_t>(In[lit] << 4 | (In[lit + 1] & 0x0F));
        }
      } else {
        Out[o++] = 0;
        Out[o++] = static_cast<uint8_t>(n);
        int32_t bytes = 0;
        if (Rle8) {
          std::memcpy(Out + o, In + lit, static_cast<size_t>(n));
          bytes = n;
        } else {
          for (int32_t j = 0; j < n; j += 2) {
            const uint8_t lo = j + 1 < n ? In[lit + j + 1] & 0x0F : 0;
            Out[o + bytes++] = static_cast<uint8_t>(In[lit + j] << 4 | lo);
          }
        }
        o += bytes;
        if (bytes & 1) Out[o++] = 0;
      }
      lit += n;
    }
  };
  while (pos < Count) {
    if (pos - lit > 255) flush(pos);
    if (pos + 1 < Count && In[pos] == In[pos + 1]) {
      flush(pos);
      int32_t run = 2;
      while (pos + run < Count && run < 255 && In[pos + run] == In[pos]) ++run;
      Out[o++] = static_cast<uint8_t>(run);
      Out[o++] = Rle8 ? In[pos] : static_cast<uint8_t>(In[pos] << 4 | (In[pos] & 0x0F));
      pos += run;
      lit = pos;
    } else {
      ++pos;
    }
  }
  flush(Count);
  Out[o++] = 0;
  Out[o++] = 0;
  return o;
}

// ---- Reading ----------------------------------------------------------------------------

struct TBmpHeader {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t SizeImage = 0;
  bool TopDown = false;
  bool HasMasks = false;
  uint32_t Masks[4] = {};  // red, green, blue, alpha
};

void SetSamples(TIOParamsVals& P, int32_t Bits) {
  switch (Bits) {
    case 16: P.BitsPerSample = 5, P.SamplesPerPixel = 3; break;
    case 24: P.BitsPerSample = 8, P.SamplesPerPixel = 3; break;
    case 32: P.BitsPerSample = 8, P.SamplesPerPixel = 4; break;
    default: P.BitsPerSample = Bits, P.SamplesPerPixel = 1; break;
  }
}

// The masks of a file without bit fields.
void DefaultMasks(TBmpHeader& H) {
  static const uint32_t m16[4] = {0x7C00, 0x03E0, 0x001F, 0};
  static const uint32_t m32[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  std::memcpy(H.Masks, H.BitCount == 32 ? m32 : m16, sizeof H.Masks);
}

TIEPixelFormat FormatFor(int32_t Bits, bool Native, bool Coloured1Bit = false) {
  if (Bits == 1 && !Coloured1Bit) return TIEPixelFormat::ie1g;
  if ((Bits == 4 || Bits == 8) && Native) return TIEPixelFormat::ie8p;
  return TIEPixelFormat::ie24RGB;
}

}  // namespace

bool IEDecodeBMPRLE8(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                     TIECodecProgress& Progress, const TRGB* Palette) {
  return DecodeRle<true, false>(Bitmap, Data, Length, RowOrigin, Progress, Palette);
}
bool IEDecodeBMPRLE8Native(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                           TIECodecProgress& Progress, const TRGB* Palette) {
  return DecodeRle<true, true>(Bitmap, Data, Length, RowOrigin, Progress, Palette);
}
bool IEDecodeBMPRLE4(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                     TIECodecProgress& Progress, const TRGB* Palette) {
  return DecodeRle<false, false>(Bitmap, Data, Length, RowOrigin, Progress, Palette);
}
bool IEDecodeBMPRLE4Native(TIEBitmap* Bitmap, const uint8_t* Data, int64_t Length, int32_t RowOrigin,
                           TIECodecProgress& Progress, const TRGB* Palette) {
  return DecodeRle<false, true>(Bitmap, Data, Length, RowOrigin, Progress, Palette);
}

int32_t IEEncodeBMPRLE8Row(const uint8_t* Indices, int32_t Count, uint8_t* Output) {
  return EncodeRleRow<true>(Indices, std::max(Count, 0), Output);
}
int32_t IEEncodeBMPRLE4Row(const uint8_t* Indices, int32_t Count, uint8_t* Output) {
  return EncodeRleRow<false>(Indices, std::max(Count, 0), Output);
}

void IEDecodeBMP(TStream* Stream, TIEBitmap* Bitmap, int32_t DataSize, TIOParamsVals& IOParams,
                 TIECodecProgress& Progress, bool Preview, bool NoFileHeader, std::unique_ptr<TIEMask>& AlphaMask,
                 bool IgnoreAlpha) {
  int64_t start = 0;
  int64_t streamSize = 0;
  try {
    start = Stream->Position();
    streamSize = Stream->Size();
  } catch (const std::exception&) {
    IESetAborting(Progress);
    return;
  }
  uint32_t bfSize = 0;
  uint32_t bfOffBits = 0;
  if (NoFileHeader) {
    bfSize = static_cast<uint32_t>(std::clamp<int64_t>(streamSize - start, 0, INT32_MAX));
  } else {
    uint8_t fh[14] = {};
    if (ReadSome(Stream, fh, 14) < 14 || fh[0] != 'B' || fh[1] != 'M') {
      IESetAborting(Progress);
      return;
    }
    bfSize = GetLE32(fh + 2);
    bfOffBits = GetLE32(fh + 10);
  }
  int64_t dataSize = DataSize;
  if (bfSize > 0 && dataSize < 1) dataSize = bfSize;

  uint8_t sizeBytes[4];
  if (ReadSome(Stream, sizeBytes, 4) < 4) {
    IESetAborting(Progress);
    return;
  }
  const uint32_t biSize = GetLE32(sizeBytes);
  Stream->Seek(-4, soCurrent);
  IOParams.Palette.clear();

  // Indexes look up a zeroed table of 256 whatever the file's colour count.
  std::array<TRGB, 256> table{};
  TBmpHeader hd;
  if (biSize == 12) {
    uint8_t h[12];
    if (ReadSome(Stream, h, 12) < 12) {
      IESetAborting(Progress);
      return;
    }
    IOParams.BMPVersion = 2;
    hd.Width = GetLE16(h + 4);
    hd.Height = GetLE16(h + 6);
    hd.BitCount = GetLE16(h + 10);
    IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(IEDefaultDpiY);
    if (hd.BitCount <= 8) {
      const int32_t count = 1 << hd.BitCount;
      uint8_t raw[256 * 3] = {};
      if (ReadSome(Stream, raw, count * 3) < count * 3) {
        IESetAborting(Progress);
        return;
      }
      for (int32_t i = 0; i < count; ++i)
        table[static_cast<size_t>(i)] = TRGB{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]};
      IOParams.Palette.assign(table.begin(), table.begin() + count);
    }
  } else {
    uint8_t h[64] = {};
    if (biSize < 16 || ReadSome(Stream, h, std::min<uint32_t>(64, biSize)) < std::min<uint32_t>(64, biSize)) {
      IESetAborting(Progress);
      return;
    }
    if (biSize > 64) {
      if (int64_t(biSize) - 64 > Remaining(Stream)) {
        IESetAborting(Progress);
        return;
      }
      Stream->Seek(int64_t(biSize) - 64, soCurrent);
    }
    IOParams.BMPVersion = biSize == 64 ? 3 : biSize == 40 ? 1 : 0;
    const auto width = static_cast<int32_t>(GetLE32(h + 4));
    int64_t height = static_cast<int32_t>(GetLE32(h + 8));
    if (width < 0) {
      IESetAborting(Progress);
      return;
    }
    if (height < 0) {
      height = -height;
      hd.TopDown = true;
      if (height > INT32_MAX) {
        IESetAborting(Progress);
        return;
      }
    }
    hd.Width = width;
    hd.Height = static_cast<int32_t>(height);
    hd.BitCount = GetLE16(h + 14);
    hd.Compression = GetLE32(h + 16);
    hd.SizeImage = GetLE32(h + 20);
    const auto dpi = [](int32_t Ppm) { return static_cast<int32_t>(Round(Ppm / 100.0 * 2.54)); };
    IOParams.SetDpiX(dpi(static_cast<int32_t>(GetLE32(h + 24))));
    if (IOParams.DpiX == 0) IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(dpi(static_cast<int32_t>(GetLE32(h + 28))));
    if (IOParams.DpiY == 0) IOParams.SetDpiY(IEDefaultDpiY);
    if (hd.Compression == 3) {
      // Headers of 52 bytes and more carry the masks at bytes 40..51 (56 and
      // more the alpha mask at 52); the 40- and 64-byte headers are followed
      // by them, before any colour table.
      const bool inHeader = biSize == 52 || biSize == 56 || biSize == 108 || biSize == 124;
      uint8_t m[12];
      if (inHeader) {
        std::memcpy(m, h + 40, 12);
        if (biSize >= 56) hd.Masks[3] = GetLE32(h + 52);
      } else if (ReadSome(Stream, m, 12) < 12) {
        IESetAborting(Progress);
        return;
      }
      for (int i = 0; i < 3; ++i) hd.Masks[i] = GetLE32(m + 4 * i);
      hd.HasMasks = true;
    }
    uint32_t colours = GetLE32(h + 32);
    if (colours > 256) colours = 0;
    if (colours == 0 && hd.BitCount <= 8) colours = 1u << hd.BitCount;
    if (colours > 0) {
      uint8_t raw[256 * 4] = {};
      if (ReadSome(Stream, raw, colours * 4) < colours * 4) {
        IESetAborting(Progress);
        return;
      }
      for (uint32_t i = 0; i < colours; ++i) table[i] = TRGB{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2]};
      IOParams.Palette.assign(table.begin(), table.begin() + colours);
    }
  }
  if (hd.Compression == 0 || hd.Compression == 3) IOParams.BMPCompression = 0;
  if (hd.Compression == 1 || hd.Compression == 2) IOParams.BMPCompression = 1;

  if (bfOffBits > 0) Stream->Seek(start + bfOffBits, soBeginning);
  int64_t rleLength = dataSize > 0 ? dataSize - (Stream->Position() - start) : int64_t(hd.SizeImage);

  IOParams.Width = hd.Width;
  IOParams.Height = hd.Height;
  if (hd.Width == 0 || hd.Height == 0) Preview = true;

  const int64_t pixels = int64_t(hd.Width) * hd.Height;
  // Run-length data holds at most 255 pixels in a two-byte run.
  const bool rleShort = IOParams.BMPCompression == 1 && IEDataCannotFill(Remaining(Stream), pixels * 2, 255);
  const bool impossible = pixels > 200000000 || (streamSize > 30000 && pixels * 5 < streamSize) ||
                          (IOParams.BMPCompression == 0 && pixels / 8 > streamSize) || rleShort;
  const int64_t rowBytes = (int64_t(hd.Width) * hd.BitCount + 31) / 32 * 4;
  if (impossible || rowBytes * hd.Height > IEMaxImageBytes || pixels * 3 > IEMaxImageBytes) {
    IOParams.Width = IOParams.Height = 1;
    SetSamples(IOParams, hd.BitCount);
    if (!Preview) {
      try {
        Bitmap->Allocate(1, 1, FormatFor(hd.BitCount, IOParams.NativePixelFormat));
      } catch (const std::exception&) {
      }
    }
    Progress.Per1 = 100;
    IESetAborting(Progress);
    return;
  }
  SetSamples(IOParams, hd.BitCount);
  if (Preview) return;
  if (!hd.HasMasks) DefaultMasks(hd);

  const int32_t w = hd.Width;
  const int32_t ht = hd.Height;
  const bool native = IOParams.NativePixelFormat && (hd.BitCount == 4 || hd.BitCount == 8);
  // Two colours other than black and white are kept as colours.
  const TRGB black{0, 0, 0}, white{255, 255, 255};
  const bool blackWhite = (table[0] == black && table[1] == white) || (table[0] == white && table[1] == black);
  const bool coloured1Bit = hd.BitCount == 1 && !blackWhite;
  try {
    Bitmap->Allocate(w, ht, FormatFor(hd.BitCount, IOParams.NativePixelFormat, coloured1Bit));
  } catch (const std::exception&) {
    IESetAborting(Progress);
    return;
  }
  if (native) {
    for (int32_t i = 0; i < 256; ++i) Bitmap->SetPaletteColor(i, table[static_cast<size_t>(i)]);
    Bitmap->SetQuantizeColors(hd.BitCount == 4 ? 16 : 256);
  }
  IEProgressStart(Progress, ht);

  const auto bitmapRow = [&](int32_t k) { return hd.TopDown ? k : ht - 1 - k; };
  const int32_t rowOrigin = hd.TopDown ? ht - 1 : 0;

  // Run-length data: read whole (bounded by what the stream holds), decoded
  // into the rows; data that ends before the image does (no end of bitmap,
  // a block cut short) is a truncated file.
  const auto decodeRle = [&](bool Rle8) {
    if (rleLength <= 0) rleLength = Remaining(Stream);
    const int64_t avail = std::min(rleLength, Remaining(Stream));
    std::vector<uint8_t> data(static_cast<size_t>(avail));
    const int64_t got = ReadSome(Stream, data.data(), avail);
    bool complete;
    if (Rle8) {
      complete = native ? IEDecodeBMPRLE8Native(Bitmap, data.data(), got, rowOrigin, Progress, table.data())
                        : IEDecodeBMPRLE8(Bitmap, data.data(), got, rowOrigin, Progress, table.data());
    } else {
      complete = native ? IEDecodeBMPRLE4Native(Bitmap, data.data(), got, rowOrigin, Progress, table.data())
                        : IEDecodeBMPRLE4(Bitmap, data.data(), got, rowOrigin, Progress, table.data());
    }
    if (!complete) IESetAborting(Progress);
  };

  // One stored row into Dest (RowBytes bytes); a short read zeroes the rest
  // of it and reports the truncation.
  // Bit counts without a decoder leave the bitmap as allocated: no row buffer
  // for them (an absurd count would ask for a huge one).
  const int32_t b = hd.BitCount;
  const bool decodable = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
  std::vector<uint8_t> rowBuffer(decodable ? static_cast<size_t>(rowBytes) : 0);
  bool truncated = false;
  const auto readRow = [&](uint8_t* Dest) {
    const int64_t got = ReadSome(Stream, Dest, rowBytes);
    if (got < rowBytes) {
      std::memset(Dest + got, 0, static_cast<size_t>(rowBytes - got));
      truncated = true;
    }
    return got;
  };
  const bool direct = Bitmap->RowLen() >= rowBytes;

  // A bit count or compression without a decoder (embedded JPEG or PNG data
  // among them) is not an image read.
  const uint32_t c = hd.Compression;
  const bool supported = (b == 1 && c == 0) || (b == 4 && (c == 0 || c == 2)) || (b == 8 && (c == 0 || c == 1)) ||
                         ((b == 16 || b == 32) && (c == 0 || c == 3)) || (b == 24 && c != 4 && c != 5);
  if (!supported) {
    IESetAborting(Progress);
    return;
  }
  switch (hd.BitCount) {
    case 1: {
      if (hd.Compression != 0) break;
      if (coloured1Bit) {
        for (int32_t k = 0; k < ht && !truncated; ++k) {
          if (IEProgressRow(Progress, k)) return;
          readRow(rowBuffer.data());
          auto* rgb = static_cast<TRGB*>(Bitmap->ScanLine(bitmapRow(k)));
          for (int32_t x = 0; x < w; ++x) rgb[x] = table[(rowBuffer[static_cast<size_t>(x >> 3)] >> (7 - (x & 7))) & 1];
        }
        break;
      }
      const bool invert = IOParams.PaletteCount() == 2 && table[0] == TRGB{255, 255, 255} && table[1] == TRGB{0, 0, 0};
      const auto bytes = static_cast<size_t>((w + 7) / 8);
      for (int32_t k = 0; k < ht && !truncated; ++k) {
        if (IEProgressRow(Progress, k)) return;
        auto* dst = static_cast<uint8_t*>(Bitmap->ScanLine(bitmapRow(k)));
        int64_t got;
        if (direct) {
          got = readRow(dst);
        } else {
          got = readRow(rowBuffer.data());
          std::memcpy(dst, rowBuffer.data(), bytes);
        }
        // 1 stands for white in the bitmap: a (white, black) table is inverted
        // as far as data was read.
        if (invert)
          for (int64_t i = 0; i < std::min<int64_t>(got, Bitmap->RowLen()); ++i) dst[i] = static_cast<uint8_t>(~dst[i]);
      }
      break;
    }
    case 4:
      if (hd.Compression == 2) {
        decodeRle(false);
      } else if (hd.Compression == 0) {
        for (int32_t k = 0; k < ht && !truncated; ++k) {
          if (IEProgressRow(Progress, k)) return;
          readRow(rowBuffer.data());
          auto* dst = static_cast<uint8_t*>(Bitmap->ScanLine(bitmapRow(k)));
          for (int32_t x = 0; x < w; ++x) {
            const uint8_t b = rowBuffer[static_cast<size_t>(x >> 1)];
            const uint8_t index = (x & 1) ? b & 0x0F : b >> 4;
            if (native)
              dst[x] = index;
            else
              reinterpret_cast<TRGB*>(dst)[x] = table[index];
          }
        }
      }
      break;
    case 8:
      if (hd.Compression == 1) {
        decodeRle(true);
      } else if (hd.Compression == 0) {
        for (int32_t k = 0; k < ht && !truncated; ++k) {
          if (IEProgressRow(Progress, k)) return;
          auto* dst = static_cast<uint8_t*>(Bitmap->ScanLine(bitmapRow(k)));
          if (native && direct) {
            readRow(dst);
            continue;
          }
          readRow(rowBuffer.data());
          if (native) {
            std::memcpy(dst, rowBuffer.data(), static_cast<size_t>(w));
          } else {
            auto* rgb = reinterpret_cast<TRGB*>(dst);
            for (int32_t x = 0; x < w; ++x) rgb[x] = table[rowBuffer[static_cast<size_t>(x)]];
          }
        }
      }
      break;
    case 24:
      for (int32_t k = 0; k < ht && !truncated; ++k) {
        if (IEProgressRow(Progress, k)) return;
        auto* dst = static_cast<uint8_t*>(Bitmap->ScanLine(bitmapRow(k)));
        if (direct) {
          readRow(dst);
        } else {
          readRow(rowBuffer.data());
          std::memcpy(dst, rowBuffer.data(), static_cast<size_t>(w) * 3);
        }
      }
      break;
    case 16:
    case 32: {
      const TBitField fields[4] = {MakeBitField(hd.Masks[0]), MakeBitField(hd.Masks[1]), MakeBitField(hd.Masks[2]),
                                   MakeBitField(hd.Masks[3])};
      TIEMask* mask = nullptr;
      if (!IgnoreAlpha && fields[3].Max != 0) {
        if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
        AlphaMask->Allocate(w, ht, 8);
        AlphaMask->Fill(255);
        mask = AlphaMask.get();
      }
      const int32_t bytes = hd.BitCount / 8;
      bool allZero = true;
      bool allOpaque = true;
      for (int32_t k = 0; k < ht && !truncated; ++k) {
        if (IEProgressRow(Progress, k)) return;
        const int64_t got = readRow(rowBuffer.data());
        const int32_t y = bitmapRow(k);
        auto* rgb = static_cast<TRGB*>(Bitmap->ScanLine(y));
        uint8_t* alpha = mask ? mask->ScanLine(y) : nullptr;
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(w, got / bytes));
        for (int32_t x = 0; x < n; ++x) {
          const uint8_t* p = &rowBuffer[static_cast<size_t>(bytes * x)];
          const uint32_t v = bytes == 4 ? GetLE32(p) : GetLE16(p);
          const auto at = [&](int i) { return fields[i].Max ? FieldValue(v, fields[i]) : uint8_t(0); };
          rgb[x] = TRGB{at(2), at(1), at(0)};
          if (!alpha) continue;
          alpha[x] = at(3);
          allZero = allZero && alpha[x] == 0;
          allOpaque = allOpaque && alpha[x] == 255;
        }
      }
      // A fourth byte of 0 everywhere is padding, not transparency.
      if (mask) {
        if (allZero || allOpaque) {
          AlphaMask.reset();
        } else {
          mask->SyncBoundingBox();
          mask->SetFull(false);
        }
      }
      break;
    }
    default: break;
  }
  if (truncated) IESetAborting(Progress);
}

// ---- Writing ------------------------------------------------------------------------------

namespace {

std::unique_ptr<TIEBitmap> CopyAs(TIEBitmap* Source, TIEPixelFormat Format) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(Source);
  if (copy->PixelFormat() != Format) copy->ConvertFormat(Format);
  return copy;
}

}  // namespace

void IEEncodeBMP(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  bool failed = false;
  const auto put = [&](const void* Buffer, int64_t Count) {
    if (!failed && Count > 0) IEStreamWriteChecked(Stream, failed, Buffer, static_cast<int32_t>(Count));
  };
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  const bool core = IOParams.BMPVersion == 2;
  if (Bitmap->IsEmpty() || (core && (w > 65535 || h > 65535))) {
    IESetAborting(Progress);
    return;
  }

  // Work on copies: the caller's bitmap stays as it is.
  TIEBitmap* src = Bitmap;
  std::unique_ptr<TIEBitmap> work;
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (format != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie8p && format != TIEPixelFormat::ie24RGB) {
    work = CopyAs(Bitmap, TIEPixelFormat::ie24RGB);
    src = work.get();
  }
  if (src->PixelFormat() == TIEPixelFormat::ie24RGB && src->HasAlphaChannel() && IEHasTransparency(src)) {
    if (!work) {
      work = CopyAs(Bitmap, TIEPixelFormat::ie24RGB);
      src = work.get();
    }
    IEMergeAlphaWithBackground(src, clWhite);
  }

  const int32_t bps = IOParams.BitsPerSample;
  const int32_t spp = IOParams.SamplesPerPixel;
  int32_t bits = 24;
  if (bps == 1 || bps == 4)
    bits = bps;
  else if (spp == 1)
    bits = 8;
  else if (IEAlphaCovers(src) && spp == 4 && bps == 8)
    bits = 32;
  const bool rle = !core && IOParams.BMPCompression == 1 && (bits == 4 || bits == 8);
  const int64_t rowBytes = (int64_t(w) * bits + 31) / 32 * 4;
  if (rowBytes * h > IEMaxImageBytes) {
    IESetAborting(Progress);
    return;
  }

  int64_t start = Stream->Position();
  uint8_t fileHeader[14] = {'B', 'M'};
  put(fileHeader, 14);
  const uint32_t infoSize = core ? 12 : IOParams.BMPVersion == 3 ? 64 : 40;
  uint8_t info[64] = {};
  PutLE32(info, infoSize);
  if (core) {
    PutLE16(info + 4, static_cast<uint32_t>(w));
    PutLE16(info + 6, static_cast<uint32_t>(h));
    PutLE16(info + 8, 1);
    PutLE16(info + 10, static_cast<uint32_t>(bits));
  } else {
    PutLE32(info + 4, static_cast<uint32_t>(w));
    PutLE32(info + 8, static_cast<uint32_t>(h));
    PutLE16(info + 12, 1);
    PutLE16(info + 14, static_cast<uint32_t>(bits));
    PutLE32(info + 16, rle ? (bits == 4 ? 2 : 1) : 0);
    PutLE32(info + 24, static_cast<uint32_t>(Round(IOParams.DpiX / 2.54 * 100)));
    PutLE32(info + 28, static_cast<uint32_t>(Round(IOParams.DpiY / 2.54 * 100)));
    PutLE32(info + 32, bits <= 8 ? 1u << bits : 0);
    PutLE32(info + 36, 1u << (bits % 32));
  }
  const int64_t infoPos = Stream->Position();
  put(info, infoSize);
  IEProgressStart(Progress, h);

  const auto writeTable = [&](const std::vector<TRGB>& Table) {
    std::vector<uint8_t> bytes;
    for (const TRGB& c : Table) {
      bytes.insert(bytes.end(), {c.b, c.g, c.r});
      if (!core) bytes.push_back(0);
    }
    put(bytes.data(), static_cast<int64_t>(bytes.size()));
  };
  static const uint8_t zeros[4] = {};
  int64_t pixelPos = 0;
  bool stopped = false;

  if (bits == 4 || bits == 8) {
    std::unique_ptr<TIEBitmap> rgbCopy;
    TIEBitmap* qsrc = src;
    if (src->PixelFormat() == TIEPixelFormat::ie1g) {
      rgbCopy = CopyAs(src, TIEPixelFormat::ie24RGB);
      qsrc = rgbCopy.get();
    }
    const int32_t colours = 1 << bits;
    std::vector<TRGB> map(static_cast<size_t>(colours));
    TIEQuantizer quantizer(qsrc, map.data(), colours - 1, colours, 0, 0);
    IOParams.Palette = map;
    writeTable(map);
    pixelPos = Stream->Position();
    const bool paletted = qsrc->PixelFormat() == TIEPixelFormat::ie8p;
    std::array<TRGB, 256> sourcePalette{};
    if (paletted)
      for (int32_t i = 0; i < std::min(256, qsrc->PaletteLength()); ++i)
        qsrc->GetPaletteColor(i, sourcePalette[static_cast<size_t>(i)]);
    std::vector<uint8_t> indices(static_cast<size_t>(w));
    std::vector<uint8_t> out(static_cast<size_t>(std::max<int64_t>(IEBMPRLERowBound(w), rowBytes)));
    for (int32_t r = 0; r < h; ++r) {
      if (IEProgressRow(Progress, r) || failed) {
        stopped = true;
        break;
      }
      const void* row = qsrc->ScanLine(h - 1 - r);
      if (paletted) {
        const auto* in = static_cast<const uint8_t*>(row);
        // 4 bits cannot hold indexes above 15: those map through their colour.
        if (bits == 8)
          std::memcpy(indices.data(), in, static_cast<size_t>(w));
        else
          for (int32_t x = 0; x < w; ++x)
            indices[static_cast<size_t>(x)] = static_cast<uint8_t>(quantizer.RGBIndex(sourcePalette[in[x]]));
      } else {
        const auto* in = static_cast<const TRGB*>(row);
        for (int32_t x = 0; x < w; ++x)
          indices[static_cast<size_t>(x)] = static_cast<uint8_t>(quantizer.RGBIndex(in[x]));
      }
      if (rle) {
        const int32_t n = bits == 8 ? IEEncodeBMPRLE8Row(indices.data(), w, out.data())
                                    : IEEncodeBMPRLE4Row(indices.data(), w, out.data());
        put(out.data(), n);
      } else if (bits == 8) {
        std::fill(out.begin(), out.begin() + rowBytes, 0);
        std::memcpy(out.data(), indices.data(), static_cast<size_t>(w));
        put(out.data(), rowBytes);
      } else {
        std::fill(out.begin(), out.begin() + rowBytes, 0);
        for (int32_t x = 0; x < w; ++x)
          out[static_cast<size_t>(x >> 1)] |=
              static_cast<uint8_t>((indices[static_cast<size_t>(x)] & 0x0F) << ((x & 1) ? 0 : 4));
        put(out.data(), rowBytes);
      }
    }
    if (rle && !stopped) {
      const uint8_t eob[2] = {0, 1};
      put(eob, 2);
    }
  } else if (bits == 1) {
    std::unique_ptr<TIEBitmap> converted;
    TIEBitmap* one = src;
    std::vector<TRGB> table{TRGB{0, 0, 0}, TRGB{255, 255, 255}};
    if (src->PixelFormat() != TIEPixelFormat::ie1g) {
      TRGB dark, light;
      converted = TwoColorsTo1Bit(src, dark, light);
      if (converted) {
        table = {dark, light};
      } else {
        converted = CopyAs(src, TIEPixelFormat::ie1g);
      }
      one = converted.get();
    }
    IOParams.Palette = table;
    writeTable(table);
    pixelPos = Stream->Position();
    const int64_t bytes = (int64_t(w) + 7) / 8;
    for (int32_t r = 0; r < h; ++r) {
      if (IEProgressRow(Progress, r) || failed) {
        stopped = true;
        break;
      }
      put(one->ScanLine(h - 1 - r), bytes);
      put(zeros, rowBytes - bytes);
    }
  } else {
    std::unique_ptr<TIEBitmap> rgbCopy;
    TIEBitmap* rgb = src;
    if (src->PixelFormat() != TIEPixelFormat::ie24RGB) {
      rgbCopy = CopyAs(src, TIEPixelFormat::ie24RGB);
      rgb = rgbCopy.get();
    }
    pixelPos = Stream->Position();
    TIEBitmap* alpha = bits == 32 ? rgb->AlphaChannel() : nullptr;
    std::vector<uint8_t> out(static_cast<size_t>(rowBytes));
    for (int32_t r = 0; r < h; ++r) {
      if (IEProgressRow(Progress, r) || failed) {
        stopped = true;
        break;
      }
      const int32_t y = h - 1 - r;
      if (bits == 24) {
        put(rgb->ScanLine(y), int64_t(w) * 3);
        put(zeros, rowBytes - int64_t(w) * 3);
      } else {
        const auto* in = static_cast<const TRGB*>(rgb->ScanLine(y));
        const auto* a = static_cast<const uint8_t*>(alpha->ScanLine(y));
        for (int32_t x = 0; x < w; ++x) {
          uint8_t* d = &out[static_cast<size_t>(4 * x)];
          d[0] = in[x].b;
          d[1] = in[x].g;
          d[2] = in[x].r;
          d[3] = a[x];
        }
        put(out.data(), rowBytes);
      }
    }
  }

  if (failed) IESetAborting(Progress);
  if (IEAborting(Progress)) return;
  const int64_t end = Stream->Position();
  PutLE32(fileHeader + 2, static_cast<uint32_t>(end - start));
  PutLE32(fileHeader + 10, static_cast<uint32_t>(pixelPos - start));
  Stream->Seek(start, soBeginning);
  put(fileHeader, 14);
  if (!core) {
    PutLE32(info + 20, static_cast<uint32_t>(end - pixelPos));
    Stream->Seek(infoPos, soBeginning);
    put(info, infoSize);
  }
  Stream->Seek(end, soBeginning);
  if (failed) IESetAborting(Progress);
}
