#include "imaging/io/codecs/png/iepng.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/streams.h"

// libpng jumps out of its frames on an error. Every library call that can
// fail runs inside PngGuard, whose setjmp receives the jump; the functions
// between it and libpng (the steps and the stream callbacks) hold no object
// with a destructor, and the callbacks catch every C++ exception before they
// hand an error to libpng.

namespace {

void PngError(png_structp Png, png_const_charp) { png_longjmp(Png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Exactly Count bytes, or false (a failing stream included).
bool ReadExactly(TStream* Stream, void* Buffer, size_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  try {
    while (Count > 0) {
      const int32_t got = Stream->Read(p, static_cast<int32_t>(std::min<size_t>(Count, size_t(1) << 30)));
      if (got <= 0) return false;
      p += got;
      Count -= static_cast<size_t>(got);
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

// Runs Step; false when libpng jumped out of it with an error.
template <class TState>
bool PngGuard(png_structp Png, void (*Step)(TState&), TState& State) {
  if (setjmp(png_jmpbuf(Png))) return false;
  Step(State);
  return true;
}

// ---- Reading ----------------------------------------------------------------------------

struct TPngRead {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TStream* Stream = nullptr;
  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 0, ColorType = 0, Interlace = 0;
  // Transforms chosen before ReadTransforms.
  bool Raw = false;  // no transform at all (native 8 bits, 1-bit rows)
  bool IgnoreAlpha = false;
  bool HasBackground = false;
  png_color_16 Background{};
  bool BackgroundFromFile = false;
  int Passes = 1;
  int Channels = 0;
  size_t RowBytes = 0;
  // Rows.
  TIEBitmap* Bitmap = nullptr;
  TIEMask* Mask = nullptr;
  TIECodecProgress* Progress = nullptr;
  uint8_t* Buffer = nullptr;  // 4-channel rows (the whole image when interlaced)
  bool Split = false;
  bool InvertRows = false;
  bool Trns = false;
};

void PngReadData(png_structp Png, png_bytep Data, size_t Length) {
  auto* s = static_cast<TPngRead*>(png_get_io_ptr(Png));
  if (!ReadExactly(s->Stream, Data, Length)) png_error(Png, "truncated");
}

void ReadHeader(TPngRead& S) {
  png_set_read_fn(S.Png, &S, PngReadData);
  png_read_info(S.Png, S.Info);
  png_get_IHDR(S.Png, S.Info, &S.Width, &S.Height, &S.BitDepth, &S.ColorType, &S.Interlace, nullptr, nullptr);
}

void ReadTransforms(TPngRead& S) {
  if (S.HasBackground)
    png_set_background(S.Png, &S.Background,
                       S.BackgroundFromFile ? PNG_BACKGROUND_GAMMA_FILE : PNG_BACKGROUND_GAMMA_SCREEN,
                       S.BackgroundFromFile ? 1 : 0, 1.0);
  if (!S.Raw) {
    // Rows leave here as 8-bit BGR(A). 1-bit gray comes this way only with a
    // tRNS chunk (its alpha needs the expansion).
    if (S.ColorType == PNG_COLOR_TYPE_PALETTE || (S.ColorType == PNG_COLOR_TYPE_GRAY && S.BitDepth < 8))
      png_set_expand(S.Png);
    if (S.Trns && !S.HasBackground) png_set_tRNS_to_alpha(S.Png);
    if (S.BitDepth == 16) png_set_strip_16(S.Png);
    if (S.BitDepth < 8) png_set_packing(S.Png);
    if (S.ColorType == PNG_COLOR_TYPE_GRAY || S.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(S.Png);
    png_set_bgr(S.Png);
  }
  S.Passes = png_set_interlace_handling(S.Png);
  png_read_update_info(S.Png, S.Info);
  S.Channels = png_get_channels(S.Png, S.Info);
  S.RowBytes = png_get_rowbytes(S.Png, S.Info);
}

void ReadRows(TPngRead& S) {
  const auto w = static_cast<int32_t>(S.Width);
  const auto h = static_cast<int32_t>(S.Height);
  const bool interlaced = S.Passes > 1;
  for (int pass = 0; pass < S.Passes; ++pass) {
    for (int32_t y = 0; y < h; ++y) {
      auto* dst = static_cast<uint8_t*>(S.Bitmap->ScanLine(y));
      if (S.Split) {
        uint8_t* buf = interlaced ? S.Buffer + static_cast<size_t>(y) * S.RowBytes : S.Buffer;
        png_read_row(S.Png, buf, nullptr);
        auto* rgb = reinterpret_cast<TRGB*>(dst);
        uint8_t* alpha = S.Mask->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
          const uint8_t* p = buf + 4 * x;
          rgb[x] = TRGB{p[0], p[1], p[2]};
          alpha[x] = p[3];
        }
      } else {
        png_read_row(S.Png, dst, nullptr);
        if (S.InvertRows && !interlaced)
          for (size_t i = 0; i < S.RowBytes; ++i) dst[i] = static_cast<uint8_t>(~dst[i]);
      }
      if (IEProgressStep(*S.Progress, false)) return;
    }
  }
}

void ReadEnd(TPngRead& S) { png_read_end(S.Png, nullptr); }

struct TReadStructs {
  TPngRead& S;
  ~TReadStructs() { png_destroy_read_struct(&S.Png, S.Info ? &S.Info : nullptr, nullptr); }
};

// What libpng may allocate for one chunk: 8 MB holds any real profile or
// text, and no chunk needs more than its data could inflate to. libpng
// clears what it allocates, so a small file declaring huge chunks must not
// make it clear gigabytes.
png_alloc_size_t ChunkMallocMax(int64_t DataBytes) {
  const int64_t inflated = std::max<int64_t>(DataBytes, 0) * IEDeflateMaxRatio;
  return static_cast<png_alloc_size_t>(std::clamp<int64_t>(inflated, int64_t(64) << 10, int64_t(8) << 20));
}
constexpr png_uint_32 kChunkCacheMax = 1000;

// Whether every chunk before the image data lies within the stream. libpng
// allocates and clears what a chunk declares before it reads it, so a chunk
// running past the end (which could never be read whole) is refused first.
bool HeadChunksFit(TStream* Stream) {
  const int64_t start = Stream->Position(), size = Stream->Size();
  bool fit = true;
  uint8_t h[8];
  for (int64_t at = start + 8; at + 8 <= size;) {
    Stream->SetPosition(at);
    if (Stream->Read(h, 8) != 8 || std::memcmp(h + 4, "IDAT", 4) == 0 || std::memcmp(h + 4, "IEND", 4) == 0) break;
    const int64_t next = at + 12 + int64_t(GetBE32(h));
    if (next > size) {
      fit = false;
      break;
    }
    at = next;
  }
  Stream->SetPosition(start);
  return fit;
}
// Four bytes a pixel within IEMaxImageBytes: no side can exceed 2^29.
constexpr png_uint_32 kMaxSide = png_uint_32(1) << 29;

bool IsColour(const png_color& C, uint8_t V) { return C.red == V && C.green == V && C.blue == V; }

}  // namespace

void IEDecodePNG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool ParamsOnly,
                 std::unique_ptr<TIEMask>& Mask, bool IgnoreAlpha) {
  const int64_t dataBytes = Stream->Size() - Stream->Position();
  if (!HeadChunksFit(Stream)) {
    IESetAborting(Progress);
    return;
  }
  TPngRead s;
  s.Stream = Stream;
  s.Progress = &Progress;
  s.IgnoreAlpha = IgnoreAlpha;
  s.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!s.Png) {
    IESetAborting(Progress);
    return;
  }
  TReadStructs structs{s};
  // No chunk may make libpng allocate more than a picture could use, and no
  // row more than the library's image limit.
  png_set_chunk_malloc_max(s.Png, ChunkMallocMax(dataBytes));
  png_set_chunk_cache_max(s.Png, kChunkCacheMax);
  png_set_user_limits(s.Png, kMaxSide, kMaxSide);
  s.Info = png_create_info_struct(s.Png);
  if (!s.Info || !PngGuard(s.Png, ReadHeader, s)) {
    IESetAborting(Progress);
    return;
  }

  Params.PNGTextKeys.Clear();
  Params.PNGTextValues.Clear();
  png_textp texts = nullptr;
  const int textCount = png_get_text(s.Png, s.Info, &texts, nullptr);
  for (int i = 0; i < textCount; ++i) {
    const png_text& t = texts[i];
    const size_t length = t.compression > 0 ? t.itxt_length : t.text_length;
    Params.PNGTextKeys.Add(String(t.key ? t.key : ""));
    Params.PNGTextValues.Add(t.text ? String(t.text, length) : String());
  }

  png_colorp plte = nullptr;
  int plteCount = 0;
  if (s.ColorType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(s.Png, s.Info, &plte, &plteCount);
  const bool hasTrns = png_get_valid(s.Png, s.Info, PNG_INFO_tRNS) != 0;

  // 1-bit rows stay 1-bit when they mean black and white: gray, or a
  // palette of exactly (black, white) or (white, black) without tRNS.
  // 1-bit gray with tRNS is expanded to carry its alpha.
  s.Trns = hasTrns;
  bool oneBit = s.BitDepth == 1 && s.ColorType == PNG_COLOR_TYPE_GRAY && !(hasTrns && !IgnoreAlpha);
  if (s.BitDepth == 1 && s.ColorType == PNG_COLOR_TYPE_PALETTE && !hasTrns && plteCount >= 2) {
    if (IsColour(plte[0], 0) && IsColour(plte[1], 255)) oneBit = true;
    if (IsColour(plte[0], 255) && IsColour(plte[1], 0)) oneBit = s.InvertRows = true;
  }
  const bool native = Params.NativePixelFormat && s.BitDepth == 8 &&
                      (s.ColorType == PNG_COLOR_TYPE_GRAY || s.ColorType == PNG_COLOR_TYPE_PALETTE);
  s.Raw = oneBit || native;

  if (IgnoreAlpha) {
    png_color_16p fileBackground = nullptr;
    if (png_get_bKGD(s.Png, s.Info, &fileBackground) && fileBackground) {
      s.Background = *fileBackground;
      s.BackgroundFromFile = true;
      // PNGBackground in 8 bits: palette entries are 8-bit already, 16-bit
      // samples lose their low byte, gray levels of fewer bits are scaled.
      uint16_t r = fileBackground->red, g = fileBackground->green, b = fileBackground->blue;
      if (s.ColorType == PNG_COLOR_TYPE_GRAY || s.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        r = g = b = fileBackground->gray;
      if (s.ColorType != PNG_COLOR_TYPE_PALETTE) {
        if (s.BitDepth == 16) {
          r >>= 8, g >>= 8, b >>= 8;
        } else if (s.BitDepth < 8) {
          const int top = (1 << s.BitDepth) - 1;
          r = static_cast<uint16_t>(std::min(r, uint16_t(top)) * 255 / top);
          g = b = r;
        }
      }
      Params.PNGBackground = TRGB{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)};
    } else {
      const TRGB& c = Params.PNGBackground;
      s.Background.red = static_cast<png_uint_16>(c.r * 257);
      s.Background.green = static_cast<png_uint_16>(c.g * 257);
      s.Background.blue = static_cast<png_uint_16>(c.b * 257);
      s.Background.gray = s.Background.red;
    }
    s.HasBackground = !s.Raw;
  }

  Params.Width = static_cast<int32_t>(std::min<png_uint_32>(s.Width, INT32_MAX));
  Params.Height = static_cast<int32_t>(std::min<png_uint_32>(s.Height, INT32_MAX));
  Params.BitsPerSample = s.BitDepth;
  switch (s.ColorType) {
    case PNG_COLOR_TYPE_RGB: Params.SamplesPerPixel = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: Params.SamplesPerPixel = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: Params.SamplesPerPixel = 4; break;
    default: Params.SamplesPerPixel = 1; break;
  }
  png_uint_32 resX = 0, resY = 0;
  int unit = 0;
  int32_t dpiX = 0, dpiY = 0;
  if (png_get_pHYs(s.Png, s.Info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
    dpiX = static_cast<int32_t>(Round(resX * 0.0254));
    dpiY = static_cast<int32_t>(Round(resY * 0.0254));
  }
  Params.SetDpiX(dpiX != 0 ? dpiX : IEDefaultDpiX);
  Params.SetDpiY(dpiY != 0 ? dpiY : IEDefaultDpiY);
  Params.Palette.clear();
  for (int i = 0; i < plteCount; ++i) Params.Palette.push_back(TRGB{plte[i].blue, plte[i].green, plte[i].red});
  Params.PNGInterlaced = s.Interlace != PNG_INTERLACE_NONE;
  if (ParamsOnly) return;

  if (!PngGuard(s.Png, ReadTransforms, s)) {
    IESetAborting(Progress);
    return;
  }
  const int64_t pixels = int64_t(s.Width) * s.Height;
  const bool interlaced = s.Passes > 1;
  s.Split = s.Channels == 4 && !IgnoreAlpha;
  TIEPixelFormat format = TIEPixelFormat::ie24RGB;
  if (oneBit)
    format = TIEPixelFormat::ie1g;
  else if (native)
    format = s.ColorType == PNG_COLOR_TYPE_PALETTE ? TIEPixelFormat::ie8p : TIEPixelFormat::ie8g;
  const int32_t expectedChannels = format == TIEPixelFormat::ie24RGB ? (s.Split ? 4 : 3) : 1;
  const int64_t rawBytes = int64_t(s.Height) * (1 + (int64_t(s.Width) * s.BitDepth + 7) / 8);
  if (pixels * 4 > IEMaxImageBytes || s.Channels != expectedChannels ||
      IEDataCannotFill(dataBytes, rawBytes, IEDeflateMaxRatio)) {
    IESetAborting(Progress);
    return;
  }
  std::vector<uint8_t> buffer;
  try {
    Bitmap->Allocate(static_cast<int32_t>(s.Width), static_cast<int32_t>(s.Height), format);
    if (!IgnoreAlpha) {
      if (!Mask) Mask = std::make_unique<TIEMask>();
      Mask->Allocate(static_cast<int32_t>(s.Width), static_cast<int32_t>(s.Height), 8);
      Mask->Fill(255);
    }
    if (s.Split) buffer.resize(interlaced ? static_cast<size_t>(pixels) * 4 : s.RowBytes);
  } catch (const std::exception&) {
    IESetAborting(Progress);
    return;
  }
  if (static_cast<int64_t>(s.RowBytes) > (s.Split ? int64_t(s.Width) * 4 : Bitmap->RowLen())) {
    IESetAborting(Progress);
    return;
  }
  if (format == TIEPixelFormat::ie8p)
    for (int i = 0; i < std::min(plteCount, 256); ++i)
      Bitmap->SetPaletteColor(i, Params.Palette[static_cast<size_t>(i)]);
  if (s.Split) {
    s.Mask = Mask.get();
    s.Mask->SetFull(false);
    s.Buffer = buffer.data();
  }
  s.Bitmap = Bitmap;
  IEProgressStart(Progress, int64_t(s.Height) * s.Passes);
  const bool rowsRead = PngGuard(s.Png, ReadRows, s);
  if (s.InvertRows && interlaced)
    for (int32_t y = 0; y < Bitmap->Height(); ++y) {
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      for (size_t i = 0; i < s.RowBytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
    }
  if (!rowsRead) {
    IESetAborting(Progress);
    return;
  }
  if (!IEAborting(Progress) && !PngGuard(s.Png, ReadEnd, s)) IESetAborting(Progress);
}

// ---- Writing ------------------------------------------------------------------------------

namespace {

// A mask pixel as an alpha value: a 1-bit mask stores 0 or 1.
uint8_t MaskAlpha(const TIEMask& Mask, int32_t X, int32_t Y) {
  const uint8_t a = Mask.GetPixel(X, Y);
  return Mask.BitsPerPixel() == 1 ? (a ? 255 : 0) : a;
}

enum class TRowKind : uint8_t { Gray1, Gray8Direct, Gray8Index, Rgb, Rgba, PaletteDirect, PaletteIndex, PaletteAlpha };

struct TPngWrite {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TStream* Stream = nullptr;
  TIECodecProgress* Progress = nullptr;
  bool ShortWrite = false;
  // Header.
  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 8, ColorType = PNG_COLOR_TYPE_RGB, Interlace = PNG_INTERLACE_NONE;
  png_uint_32 ResX = 0, ResY = 0;
  int Filters = -1;  // -1: libpng's choice
  bool HasBackground = false;
  png_color_16 Background{};
  int Level = 9;
  const png_color* Plte = nullptr;
  int PlteCount = 0;
  bool TransparentEntry0 = false;
  png_text* Texts = nullptr;
  int TextCount = 0;
  int Passes = 1;
  // Rows.
  TRowKind Kind = TRowKind::Rgb;
  TIEBitmap* Image = nullptr;
  TIEMask* Mask = nullptr;
  const TIEQuantizer* Quantizer = nullptr;
  const TRGB* ImagePalette = nullptr;
  uint8_t* Row = nullptr;
};

void PngWriteData(png_structp Png, png_bytep Data, size_t Length) {
  auto* s = static_cast<TPngWrite*>(png_get_io_ptr(Png));
  if (s->ShortWrite) return;
  bool threw = false;
  try {
    IEStreamWriteChecked(s->Stream, s->ShortWrite, Data, static_cast<int32_t>(Length));
  } catch (...) {
    threw = true;
  }
  if (threw) png_error(Png, "stream error");
  if (s->ShortWrite) IESetAborting(*s->Progress);
}
void PngFlush(png_structp) {}

void WriteHeader(TPngWrite& S) {
  png_set_write_fn(S.Png, &S, PngWriteData, PngFlush);
  png_set_IHDR(S.Png, S.Info, S.Width, S.Height, S.BitDepth, S.ColorType, S.Interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (S.PlteCount > 0) png_set_PLTE(S.Png, S.Info, S.Plte, S.PlteCount);
  if (S.TransparentEntry0) {
    const png_byte zero = 0;
    png_set_tRNS(S.Png, S.Info, &zero, 1, nullptr);
  }
  png_set_pHYs(S.Png, S.Info, S.ResX, S.ResY, PNG_RESOLUTION_METER);
  if (S.Filters >= 0) png_set_filter(S.Png, PNG_FILTER_TYPE_BASE, S.Filters);
  if (S.HasBackground) png_set_bKGD(S.Png, S.Info, &S.Background);
  png_set_compression_level(S.Png, S.Level);
  png_set_bgr(S.Png);
  if (S.TextCount > 0) png_set_text(S.Png, S.Info, S.Texts, S.TextCount);
  png_write_info(S.Png, S.Info);
  S.Passes = png_set_interlace_handling(S.Png);
}

void WriteRows(TPngWrite& S) {
  const auto w = static_cast<int32_t>(S.Width);
  const auto h = static_cast<int32_t>(S.Height);
  for (int pass = 0; pass < S.Passes; ++pass) {
    for (int32_t y = 0; y < h; ++y) {
      const auto* line = static_cast<const uint8_t*>(S.Image->ScanLine(y));
      const auto* rgb = reinterpret_cast<const TRGB*>(line);
      const uint8_t* row = S.Row;
      switch (S.Kind) {
        case TRowKind::Gray1:
        case TRowKind::Gray8Direct:
        case TRowKind::Rgb:
        case TRowKind::PaletteDirect: row = line; break;
        case TRowKind::Gray8Index:
          if (S.ImagePalette)
            for (int32_t x = 0; x < w; ++x)
              S.Row[x] = static_cast<uint8_t>(S.Quantizer->RGBIndex(S.ImagePalette[line[x]]));
          else
            for (int32_t x = 0; x < w; ++x) S.Row[x] = static_cast<uint8_t>(S.Quantizer->RGBIndex(rgb[x]));
          break;
        case TRowKind::PaletteIndex:
          for (int32_t x = 0; x < w; ++x) S.Row[x] = static_cast<uint8_t>(S.Quantizer->RGBIndex(rgb[x]));
          break;
        case TRowKind::PaletteAlpha:
          for (int32_t x = 0; x < w; ++x)
            S.Row[x] = MaskAlpha(*S.Mask, x, y) == 255 ? static_cast<uint8_t>(S.Quantizer->RGBIndex(rgb[x]) + 1) : 0;
          break;
        case TRowKind::Rgba: {
          for (int32_t x = 0; x < w; ++x) {
            uint8_t* d = S.Row + 4 * x;
            d[0] = rgb[x].b;
            d[1] = rgb[x].g;
            d[2] = rgb[x].r;
            d[3] = MaskAlpha(*S.Mask, x, y);
          }
          break;
        }
      }
      png_write_row(S.Png, row);
      if (IEProgressStep(*S.Progress, false) || S.ShortWrite) return;
    }
  }
}

void WriteEnd(TPngWrite& S) { png_write_end(S.Png, nullptr); }

struct TWriteStructs {
  TPngWrite& S;
  ~TWriteStructs() { png_destroy_write_struct(&S.Png, S.Info ? &S.Info : nullptr); }
};

[[noreturn]] void CreationError() { throw EInvalidGraphic("Error on creating PNG"); }

std::unique_ptr<TIEBitmap> CopyAs(TIEBitmap* Source, TIEPixelFormat Format) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(Source);
  if (copy->PixelFormat() != Format) copy->ConvertFormat(Format);
  return copy;
}

}  // namespace

void IEEncodePNG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, TIEMask* Mask) {
  if (Bitmap->IsEmpty()) {
    IESetAborting(Progress);
    return;
  }
  TPngWrite s;
  s.Stream = Stream;
  s.Progress = &Progress;
  s.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!s.Png) CreationError();
  TWriteStructs structs{s};
  s.Info = png_create_info_struct(s.Png);
  if (!s.Info) CreationError();

  if (Params.SamplesPerPixel == 1 && Params.BitsPerSample != 1 && Params.BitsPerSample != 8) Params.BitsPerSample = 8;
  const bool alpha =
      Mask != nullptr && !Mask->Full() && Mask->Width() >= Bitmap->Width() && Mask->Height() >= Bitmap->Height();

  // The working image: the caller's bitmap or a converted copy of it.
  TIEBitmap* image = Bitmap;
  std::unique_ptr<TIEBitmap> work;
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (Params.BitsPerSample == 1) {
    if (format != TIEPixelFormat::ie1g) {
      TRGB dark, light;
      work = TwoColorsTo1Bit(Bitmap, dark, light);
      if (!work) work = CopyAs(Bitmap, TIEPixelFormat::ie1g);
      image = work.get();
    }
  } else {
    const bool onePalette = Params.SamplesPerPixel == 1;
    const bool keep = format == TIEPixelFormat::ie24RGB || (onePalette && format == TIEPixelFormat::ie8p && !alpha) ||
                      (onePalette && format == TIEPixelFormat::ie8g && !alpha);
    if (!keep) {
      work = CopyAs(Bitmap, TIEPixelFormat::ie24RGB);
      image = work.get();
    }
  }
  const TIEPixelFormat imageFormat = image->PixelFormat();

  std::array<TRGB, 256> map{};
  std::unique_ptr<TIEQuantizer> quantizer;
  std::vector<png_color> plte;
  std::array<TRGB, 256> imagePalette{};
  s.Width = static_cast<png_uint_32>(image->Width());
  s.Height = static_cast<png_uint_32>(image->Height());
  if (imageFormat == TIEPixelFormat::ie1g) {
    s.ColorType = PNG_COLOR_TYPE_GRAY;
    s.BitDepth = 1;
    s.Kind = TRowKind::Gray1;
    s.HasBackground = true;  // gray 0
  } else if (Params.SamplesPerPixel == 1) {
    s.BitDepth = 8;
    if (alpha) {
      quantizer = std::make_unique<TIEQuantizer>(image, map.data(), 254, 255, 0, 0);
      const int32_t count = std::min(quantizer->ColorCount() + 1, 256);
      const TRGB& bg = Params.PNGBackground;
      plte.push_back(png_color{bg.r, bg.g, bg.b});
      for (int32_t i = 1; i < count; ++i)
        plte.push_back(png_color{map[size_t(i - 1)].r, map[size_t(i - 1)].g, map[size_t(i - 1)].b});
      s.ColorType = PNG_COLOR_TYPE_PALETTE;
      s.TransparentEntry0 = true;
      s.Kind = TRowKind::PaletteAlpha;
      s.HasBackground = true;
      s.Background.index = 0;  // entry 0 holds PNGBackground exactly
    } else {
      quantizer = std::make_unique<TIEQuantizer>(image, map.data(), 255, 256, 0, 0);
      if (imageFormat == TIEPixelFormat::ie8p)
        for (int32_t i = 0; i < 256; ++i) image->GetPaletteColor(i, imagePalette[static_cast<size_t>(i)]);
      const TRGB& bg = Params.PNGBackground;
      s.HasBackground = true;
      if (quantizer->IsGray()) {
        s.ColorType = PNG_COLOR_TYPE_GRAY;
        s.Kind = imageFormat == TIEPixelFormat::ie8g ? TRowKind::Gray8Direct : TRowKind::Gray8Index;
        if (imageFormat == TIEPixelFormat::ie8p) s.ImagePalette = imagePalette.data();
        s.Background.gray = static_cast<png_uint_16>(quantizer->RGBIndex(bg));
      } else {
        for (const TRGB& c : map) plte.push_back(png_color{c.r, c.g, c.b});
        s.ColorType = PNG_COLOR_TYPE_PALETTE;
        s.Kind = imageFormat == TIEPixelFormat::ie8p ? TRowKind::PaletteDirect : TRowKind::PaletteIndex;
        s.Background.index = static_cast<png_byte>(quantizer->RGBIndex(bg));
      }
    }
  } else {
    s.BitDepth = 8;
    s.ColorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    s.Kind = alpha ? TRowKind::Rgba : TRowKind::Rgb;
    // An 8-bit image's bKGD holds 8-bit samples.
    s.HasBackground = true;
    s.Background.red = Params.PNGBackground.r;
    s.Background.green = Params.PNGBackground.g;
    s.Background.blue = Params.PNGBackground.b;
  }
  s.Plte = plte.data();
  s.PlteCount = static_cast<int>(plte.size());
  s.Interlace = Params.PNGInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
  s.ResX = static_cast<png_uint_32>(std::max<int64_t>(0, Round(Params.DpiX * 100 / 2.54)));
  s.ResY = static_cast<png_uint_32>(std::max<int64_t>(0, Round(Params.DpiY * 100 / 2.54)));
  if (s.ColorType == PNG_COLOR_TYPE_GRAY || s.ColorType == PNG_COLOR_TYPE_PALETTE) {
    s.Filters = PNG_FILTER_NONE;
  } else {
    switch (Params.PNGFilter) {
      case TIEPNGFilter::pfNone: s.Filters = PNG_FILTER_NONE; break;
      case TIEPNGFilter::pfSub: s.Filters = PNG_FILTER_SUB; break;
      case TIEPNGFilter::pfPaeth: s.Filters = PNG_FILTER_PAETH; break;
    }
  }
  s.Level = std::clamp(Params.PNGCompression, 0, 9);

  const int32_t textCount = std::min(Params.PNGTextKeys.Count(), Params.PNGTextValues.Count());
  std::vector<String> textKeys, textValues;
  for (int32_t i = 0; i < textCount; ++i) {
    textKeys.push_back(Params.PNGTextKeys.Strings(i));
    textValues.push_back(Params.PNGTextValues.Strings(i));
  }
  std::vector<png_text> texts(static_cast<size_t>(textCount));
  for (size_t i = 0; i < texts.size(); ++i) {
    texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[i].key = textKeys[i].data();
    texts[i].text = textValues[i].data();
    texts[i].text_length = textValues[i].size();
  }
  s.Texts = texts.data();
  s.TextCount = textCount;

  std::vector<uint8_t> row(static_cast<size_t>(s.Width) * 4 + 16);
  s.Row = row.data();
  s.Image = image;
  s.Mask = Mask;
  s.Quantizer = quantizer.get();

  if (!PngGuard(s.Png, WriteHeader, s)) CreationError();
  if (!IEAborting(Progress)) {
    IEProgressStart(Progress, int64_t(s.Height) * s.Passes);
    if (!PngGuard(s.Png, WriteRows, s)) CreationError();
  }
  if (!IEAborting(Progress) && !PngGuard(s.Png, WriteEnd, s)) CreationError();
}

bool IETestPNG(TStream* Stream) {
  uint8_t head[8] = {};
  int32_t got = 0;
  try {
    got = std::max(Stream->Read(head, 8), 0);
    Stream->Seek(-got, soCurrent);
  } catch (const std::exception&) {
    return false;
  }
  return got >= 4 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G';
}
