#include "imaging/io/codecs/jpeg2000/iej2k.h"

#include <openjpeg.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

using enum TIEPixelFormat;

namespace {

constexpr int64_t kMaxImageBytes = 2147483647;  // one image is at most 2^31 - 1 bytes

// Reads up to Count bytes at the position and puts the position back.
int32_t PeekBytes(TStream* Stream, uint8_t* Buffer, int32_t Count) {
  try {
    const int64_t pos = Stream->Position();
    const int32_t n = Stream->Read(Buffer, Count);
    Stream->SetPosition(pos);
    return n;
  } catch (...) {
    return 0;
  }
}

// Reads Count bytes at the absolute offset, or returns false.
bool ReadAt(TStream* Stream, int64_t Offset, uint8_t* Buffer, int32_t Count) {
  try {
    Stream->SetPosition(Offset);
    return Stream->Read(Buffer, Count) == Count;
  } catch (...) {
    return false;
  }
}

// Whether the codestream's tile grid fits the bytes that hold it. Every tile
// needs at least one tile-part (a 12-byte SOT segment and a SOD marker), so a
// header declaring far more tiles than that is refused before the decoder
// allocates its per-tile state: a few bytes could otherwise cost tens of
// thousands of allocations. Start is where the image begins in the stream,
// Length its size; JP2 files are looked into for their codestream box.
bool TileGridFits(TStream* Stream, int64_t Start, int64_t Length, bool Jp2) {
  const int64_t pos = Stream->Position();
  int64_t cs = Start;
  int64_t csLength = Length;
  bool ok = true;
  if (Jp2) {
    ok = false;
    int64_t at = Start;
    const int64_t end = Start + Length;
    for (int boxes = 0; boxes < 64 && at + 8 <= end; ++boxes) {
      uint8_t h[16];
      if (!ReadAt(Stream, at, h, 8)) break;
      int64_t size = GetBE32(h);
      int64_t header = 8;
      if (size == 1) {
        if (!ReadAt(Stream, at + 8, h + 8, 8)) break;
        const uint64_t big = (uint64_t(GetBE32(h + 8)) << 32) | GetBE32(h + 12);
        if (big > uint64_t(end - at)) break;
        size = int64_t(big);
        header = 16;
      } else if (size == 0) {
        size = end - at;
      }
      if (size < header || size > end - at) break;
      if (GetBE32(h + 4) == 0x6A703263u) {  // 'jp2c'
        cs = at + header;
        csLength = size - header;
        ok = true;
        break;
      }
      at += size;
    }
    // No codestream box found: the decoder reports that itself.
    if (!ok) {
      Stream->SetPosition(pos);
      return true;
    }
  }
  // SOC, then SIZ: Lsiz Rsiz Xsiz Ysiz XOsiz YOsiz XTsiz YTsiz XTOsiz YTOsiz.
  uint8_t s[40];
  if (csLength >= 40 && ReadAt(Stream, cs, s, 40) && s[0] == 0xFF && s[1] == 0x4F && s[2] == 0xFF && s[3] == 0x51) {
    const int64_t xsiz = GetBE32(s + 8), ysiz = GetBE32(s + 12);
    const int64_t xt = GetBE32(s + 24), yt = GetBE32(s + 28);
    const int64_t xto = GetBE32(s + 32), yto = GetBE32(s + 36);
    if (xt > 0 && yt > 0 && xsiz > xto && ysiz > yto) {
      const int64_t tiles = ((xsiz - xto + xt - 1) / xt) * ((ysiz - yto + yt - 1) / yt);
      ok = tiles <= csLength / 14;
    }
  }
  Stream->SetPosition(pos);
  return ok;
}

// ---- Stream binding ------------------------------------------------------------
// OpenJPEG offsets count from where the image starts in our stream.
struct TStreamBinding {
  TStream* Stream;
  int64_t Start;
};

OPJ_SIZE_T StreamRead(void* Buffer, OPJ_SIZE_T Count, void* User) {
  try {
    auto* b = static_cast<TStreamBinding*>(User);
    const auto n = b->Stream->Read(Buffer, static_cast<int32_t>(std::min<OPJ_SIZE_T>(Count, 0x40000000)));
    return n > 0 ? static_cast<OPJ_SIZE_T>(n) : static_cast<OPJ_SIZE_T>(-1);
  } catch (...) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
}

OPJ_SIZE_T StreamWrite(void* Buffer, OPJ_SIZE_T Count, void* User) {
  try {
    auto* b = static_cast<TStreamBinding*>(User);
    if (Count > 0x40000000) return static_cast<OPJ_SIZE_T>(-1);
    const auto n = b->Stream->Write(Buffer, static_cast<int32_t>(Count));
    return static_cast<OPJ_SIZE_T>(n) == Count ? Count : static_cast<OPJ_SIZE_T>(-1);
  } catch (...) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T Count, void* User) {
  try {
    auto* b = static_cast<TStreamBinding*>(User);
    const int64_t from = b->Stream->Position();
    const int64_t to = b->Stream->Seek(Count, soCurrent);
    return to - from == Count ? Count : -1;
  } catch (...) {
    return -1;
  }
}

OPJ_BOOL StreamSeek(OPJ_OFF_T Offset, void* User) {
  try {
    auto* b = static_cast<TStreamBinding*>(User);
    return b->Stream->Seek(b->Start + Offset, soBeginning) == b->Start + Offset ? OPJ_TRUE : OPJ_FALSE;
  } catch (...) {
    return OPJ_FALSE;
  }
}

void QuietMessage(const char*, void*) {}

struct TCodecDeleter {
  void operator()(opj_codec_t* P) const { opj_destroy_codec(P); }
};
struct TStreamDeleter {
  void operator()(opj_stream_t* P) const { opj_stream_destroy(P); }
};
struct TImageDeleter {
  void operator()(opj_image_t* P) const { opj_image_destroy(P); }
};
using TCodec = std::unique_ptr<opj_codec_t, TCodecDeleter>;
using TOpjStream = std::unique_ptr<opj_stream_t, TStreamDeleter>;
using TImage = std::unique_ptr<opj_image_t, TImageDeleter>;

TOpjStream MakeStream(TStreamBinding& Binding, bool Input, uint64_t Length) {
  TOpjStream s(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, Input ? OPJ_TRUE : OPJ_FALSE));
  if (!s) return s;
  opj_stream_set_user_data(s.get(), &Binding, nullptr);
  if (Input) {
    opj_stream_set_user_data_length(s.get(), Length);
    opj_stream_set_read_function(s.get(), StreamRead);
  } else {
    opj_stream_set_write_function(s.get(), StreamWrite);
  }
  opj_stream_set_skip_function(s.get(), StreamSkip);
  opj_stream_set_seek_function(s.get(), StreamSeek);
  return s;
}

void SetHandlers(opj_codec_t* Codec) {
  opj_set_error_handler(Codec, QuietMessage, nullptr);
  opj_set_warning_handler(Codec, QuietMessage, nullptr);
  opj_set_info_handler(Codec, QuietMessage, nullptr);
}

// The top 8 bits of a sample of precision Prec (1..32); signed samples are
// moved up by half their range first.
inline uint8_t To8(int32_t Sample, uint32_t Prec, bool Signed) {
  uint32_t s = static_cast<uint32_t>(Sample);
  if (Signed) s += 1u << (Prec - 1);
  return static_cast<uint8_t>((s << (32 - Prec)) >> 24);
}

// Nearest-sample access to one component in image coordinates.
struct TComponentReader {
  const opj_image_comp_t* C = nullptr;
  std::vector<int32_t> Column;  // component column per image column, -1 outside
  uint8_t Value8(int32_t X, int32_t Row) const {
    const int32_t col = Column[static_cast<size_t>(X)];
    if (Row < 0 || col < 0 || C->data == nullptr) return 0;
    return To8(C->data[static_cast<size_t>(Row) * C->w + static_cast<uint32_t>(col)], C->prec, C->sgnd != 0);
  }
  void Setup(const opj_image_t* Image, const opj_image_comp_t* Comp, int32_t Width) {
    C = Comp;
    Column.assign(static_cast<size_t>(Width), -1);
    const uint32_t dx = std::max<uint32_t>(Comp->dx, 1);
    for (int32_t x = 0; x < Width; ++x) {
      const int64_t c = (int64_t(Image->x0) + x) / dx - int64_t(Comp->x0);
      if (c >= 0 && c < int64_t(Comp->w)) Column[static_cast<size_t>(x)] = static_cast<int32_t>(c);
    }
  }
  int32_t RowOf(const opj_image_t* Image, int32_t Y) const {
    const uint32_t dy = std::max<uint32_t>(C->dy, 1);
    const int64_t r = (int64_t(Image->y0) + Y) / dy - int64_t(C->y0);
    return r >= 0 && r < int64_t(C->h) ? static_cast<int32_t>(r) : -1;
  }
};

enum class TJ2KColour { Gray, RGB, YCbCr };

// A raw code stream has no colour space: one or two components are gray,
// three or more RGB.
bool ColourOf(const opj_image_t* Image, TJ2KColour& Colour) {
  switch (Image->color_space) {
    case OPJ_CLRSPC_GRAY: Colour = TJ2KColour::Gray; return true;
    case OPJ_CLRSPC_SRGB: Colour = TJ2KColour::RGB; return true;
    case OPJ_CLRSPC_SYCC: Colour = TJ2KColour::YCbCr; return true;
    case OPJ_CLRSPC_UNSPECIFIED: Colour = Image->numcomps >= 3 ? TJ2KColour::RGB : TJ2KColour::Gray; return true;
    default: return false;
  }
}

}  // namespace

const TIEJ2000YCbCrTables& IEJ2000YCbCr() {
  static const TIEJ2000YCbCrTables tables = [] {
    TIEJ2000YCbCrTables t{};
    const float wr = 0.299f, wg = 0.587f, wb = 0.114f;
    const float crr = 2.0f - 2.0f * wr;
    const float cbb = 2.0f - 2.0f * wb;
    const float crg = wr * crr / wg;
    const float cbg = wb * cbb / wg;
    for (int32_t i = 0; i < 256; ++i) {
      const double d = i - 128;
      t.CrToR[i] = static_cast<int32_t>(Round(double(crr) * d));
      t.CbToB[i] = static_cast<int32_t>(Round(double(cbb) * d));
      t.CrToG[i] = -static_cast<int32_t>(Round(double(crg) * d));
      t.CbToG[i] = -static_cast<int32_t>(Round(double(cbg) * d));
    }
    return t;
  }();
  return tables;
}

bool IETestJP2(TStream* Stream) {
  uint8_t b[12];
  if (PeekBytes(Stream, b, 12) != 12) return false;
  return GetBE32(b) == 12 && GetBE32(b + 4) == 0x6A502020u && GetBE32(b + 8) == 0x0D0A870Au;
}

bool IETestJ2K(TStream* Stream) {
  uint8_t b[4];
  if (PeekBytes(Stream, b, 4) != 4) return false;
  return b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51;
}

void IEDecodeJ2000(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   bool ParamsOnly) {
  OPJ_CODEC_FORMAT format;
  if (IETestJP2(Stream)) {
    format = OPJ_CODEC_JP2;
  } else if (IETestJ2K(Stream)) {
    format = OPJ_CODEC_J2K;
  } else {
    IESetAborting(Progress);
    return;
  }
  TStreamBinding binding{Stream, 0};
  int64_t length = 0;
  try {
    binding.Start = Stream->Position();
    length = Stream->Size() - binding.Start;
  } catch (...) {
    IESetAborting(Progress);
    return;
  }
  if (!TileGridFits(Stream, binding.Start, length, format == OPJ_CODEC_JP2)) {
    IESetAborting(Progress);
    return;
  }
  TCodec codec(opj_create_decompress(format));
  TOpjStream stream = MakeStream(binding, true, static_cast<uint64_t>(std::max<int64_t>(length, 0)));
  if (!codec || !stream) {
    IESetAborting(Progress);
    return;
  }
  SetHandlers(codec.get());
  opj_dparameters_t dp;
  opj_set_default_decoder_parameters(&dp);
  opj_image_t* raw = nullptr;
  if (!opj_setup_decoder(codec.get(), &dp) || !opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE) ||
      !opj_read_header(stream.get(), codec.get(), &raw)) {
    if (raw) opj_image_destroy(raw);
    IESetAborting(Progress);
    return;
  }
  TImage image(raw);

  // Size limits before anything large is allocated.
  const int64_t width = int64_t(image->x1) - int64_t(image->x0);
  const int64_t height = int64_t(image->y1) - int64_t(image->y0);
  if (image->numcomps < 1 || width < 1 || height < 1 || width * height * 3 > kMaxImageBytes) {
    IESetAborting(Progress);
    return;
  }
  int64_t componentBytes = 0;
  for (uint32_t i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (c.prec < 1 || c.prec > 32) {
      IESetAborting(Progress);
      return;
    }
    componentBytes += int64_t(c.w) * int64_t(c.h) * 4;
  }
  if (componentBytes > kMaxImageBytes) {
    IESetAborting(Progress);
    return;
  }

  // A JP2 file's colour space is known only after decoding; the header gives
  // the component count.
  TJ2KColour colour;
  if (!ColourOf(image.get(), colour)) {
    IESetAborting(Progress);
    return;
  }

  const auto w = static_cast<int32_t>(width);
  const auto h = static_cast<int32_t>(height);
  Params.Width = w;
  Params.Height = h;
  Params.BitsPerSample = static_cast<int32_t>(image->comps[0].prec);
  Params.SamplesPerPixel = colour == TJ2KColour::Gray ? 1 : 3;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  Params.Palette.clear();
  if (ParamsOnly) return;

  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()) ||
      !ColourOf(image.get(), colour)) {
    IESetAborting(Progress);
    return;
  }
  Params.SamplesPerPixel = colour == TJ2KColour::Gray ? 1 : 3;

  // A component the image lacks reads as component 0.
  const auto comp = [&](uint32_t I) { return &image->comps[I < image->numcomps ? I : 0]; };
  const bool bilevel = colour == TJ2KColour::Gray && Params.BitsPerSample == 1;
  Bitmap->Allocate(w, h, bilevel ? ie1g : ie24RGB);
  TComponentReader r0, r1, r2;
  r0.Setup(image.get(), comp(0), w);
  if (colour != TJ2KColour::Gray) {
    r1.Setup(image.get(), comp(1), w);
    r2.Setup(image.get(), comp(2), w);
  }
  const TIEJ2000YCbCrTables& t = IEJ2000YCbCr();
  IEProgressStart(Progress, h);
  for (int32_t y = 0; y < h; ++y) {
    if (IEProgressRow(Progress, y)) return;
    const int32_t y0 = r0.RowOf(image.get(), y);
    if (bilevel) {
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < w; ++x)
        if (r0.Value8(x, y0) != 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      continue;
    }
    auto* row = static_cast<TRGB*>(Bitmap->ScanLine(y));
    if (colour == TJ2KColour::Gray) {
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t g = r0.Value8(x, y0);
        row[x] = TRGB{g, g, g};
      }
      continue;
    }
    const int32_t y1 = r1.RowOf(image.get(), y);
    const int32_t y2 = r2.RowOf(image.get(), y);
    if (colour == TJ2KColour::RGB) {
      for (int32_t x = 0; x < w; ++x) row[x] = TRGB{r2.Value8(x, y2), r1.Value8(x, y1), r0.Value8(x, y0)};
    } else {
      for (int32_t x = 0; x < w; ++x) {
        const int32_t yy = r0.Value8(x, y0);
        const uint8_t cb = r1.Value8(x, y1);
        const uint8_t cr = r2.Value8(x, y2);
        row[x] = TRGB{static_cast<uint8_t>(std::clamp(yy + t.CbToB[cb], 0, 255)),
                      static_cast<uint8_t>(std::clamp(yy + t.CbToG[cb] + t.CrToG[cr], 0, 255)),
                      static_cast<uint8_t>(std::clamp(yy + t.CrToR[cr], 0, 255))};
      }
    }
  }
}

std::string IEJ2000OptionText(const TIOParamsVals& Params) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, Params.J2000Rate);
  std::string text = "rate=" + std::string(buf, res.ptr);
  if (Params.J2000Progression == 0) text += " prg=lrcp";
  if (Params.J2000Progression == 1) text += " prg=rlcp";
  return text;
}

void IEEncodeJ2000(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                   int32_t Format) {
  if (Bitmap->PixelFormat() == ie1g) {
    Params.BitsPerSample = 1;
    Params.J2000ColorSpace = 0;
  }
  const int32_t bits = Params.BitsPerSample;
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  if (Params.J2000ColorSpace > 2 || (Format != 0 && Format != 1) || bits < 1 || bits > 16 || w < 1 || h < 1) {
    IESetAborting(Progress);
    return;
  }

  // Other formats and transparency are handled on a copy.
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* source = Bitmap;
  const bool alpha = Bitmap->PixelFormat() == ie24RGB && Bitmap->HasAlphaChannel() && IEHasTransparency(Bitmap);
  if (alpha || (Bitmap->PixelFormat() != ie24RGB && Bitmap->PixelFormat() != ie1g)) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(Bitmap);
    if (copy->PixelFormat() != ie24RGB) copy->ConvertFormat(ie24RGB);
    if (alpha) IEMergeAlphaWithBackground(copy.get(), 0xFFFFFF);
    source = copy.get();
  }

  const uint32_t numcomps = Params.J2000ColorSpace == 0 ? 1 : 3;
  opj_image_cmptparm_t cp[3];
  std::memset(cp, 0, sizeof cp);
  for (uint32_t i = 0; i < numcomps; ++i) {
    cp[i].dx = cp[i].dy = 1;
    cp[i].w = static_cast<OPJ_UINT32>(w);
    cp[i].h = static_cast<OPJ_UINT32>(h);
    cp[i].prec = static_cast<OPJ_UINT32>(bits);
    cp[i].sgnd = 0;
  }
  TImage image(opj_image_create(numcomps, cp, numcomps == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!image) {
    IESetAborting(Progress);
    return;
  }
  image->x0 = image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(w);
  image->y1 = static_cast<OPJ_UINT32>(h);

  const int32_t maxval = (1 << bits) - 1;
  int32_t scale[256];
  for (int32_t v = 0; v < 256; ++v) scale[v] = v * maxval / 255;
  IEProgressStart(Progress, h);
  const bool bilevelSource = source->PixelFormat() == ie1g;
  for (int32_t y = 0; y < h; ++y) {
    if (IEProgressRow(Progress, y)) return;
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(w);
    if (bilevelSource) {
      const auto* row = static_cast<const uint8_t*>(source->ScanLine(y));
      for (int32_t c = 0; c < static_cast<int32_t>(numcomps); ++c)
        for (int32_t x = 0; x < w; ++x)
          image->comps[c].data[at + static_cast<size_t>(x)] = (row[x >> 3] & (0x80 >> (x & 7))) ? maxval : 0;
      continue;
    }
    const auto* row = static_cast<const TRGB*>(source->ScanLine(y));
    if (numcomps == 1) {
      for (int32_t x = 0; x < w; ++x)
        image->comps[0].data[at + static_cast<size_t>(x)] = scale[(row[x].r * 21 + row[x].g * 71 + row[x].b * 8) / 100];
    } else {
      for (int32_t x = 0; x < w; ++x) {
        image->comps[0].data[at + static_cast<size_t>(x)] = scale[row[x].r];
        image->comps[1].data[at + static_cast<size_t>(x)] = scale[row[x].g];
        image->comps[2].data[at + static_cast<size_t>(x)] = scale[row[x].b];
      }
    }
  }

  opj_cparameters_t ep;
  opj_set_default_encoder_parameters(&ep);
  ep.tcp_numlayers = 1;
  ep.tcp_rates[0] = Params.J2000Rate > 0 && Params.J2000Rate < 1 ? static_cast<float>(1.0 / Params.J2000Rate) : 0.0f;
  ep.cp_disto_alloc = 1;
  ep.prog_order = Params.J2000Progression == 1 ? OPJ_RLCP : OPJ_LRCP;
  ep.irreversible = 0;
  ep.tcp_mct = numcomps == 3 ? 1 : 0;
  // Small images cannot take the default six resolutions.
  int32_t levels = 1;
  while (levels < 6 && (1 << levels) <= std::min(w, h)) ++levels;
  ep.numresolution = std::min(ep.numresolution, levels);

  TStreamBinding binding{Stream, 0};
  try {
    binding.Start = Stream->Position();
  } catch (...) {
    IESetAborting(Progress);
    return;
  }
  TCodec codec(opj_create_compress(Format == 0 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  TOpjStream stream = MakeStream(binding, false, 0);
  if (!codec || !stream) {
    IESetAborting(Progress);
    return;
  }
  SetHandlers(codec.get());
  if (!opj_setup_encoder(codec.get(), &ep, image.get()) ||
      !opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get())) {
    IESetAborting(Progress);
  }
}
