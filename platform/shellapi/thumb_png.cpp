// PNG thumbnails through libpng's functions: every colour type, 16 bits,
// tRNS and interlacing, alpha put over white, and the text chunks before and
// after the image data.
#include <csetjmp>
#include <cstring>
#include <memory>

#include <png.h>

#include "platform/shellapi/thumb_internal.h"
#include "platform/rtl/byteorder.h"

namespace {

struct TPngJob {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  png_infop End = nullptr;
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  size_t Pos = 0;
  int32_t BoxW = 0, BoxH = 0;
  std::map<String, String>* Texts = nullptr;
  std::vector<uint8_t> Rgba;  // one row, or the whole picture when interlaced
  std::vector<uint8_t> Bgr;
  std::unique_ptr<TBoxAccumulator> Acc;
};

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, png_size_t n) {
  auto* j = static_cast<TPngJob*>(png_get_io_ptr(png));
  if (n > j->Size - j->Pos) png_error(png, "truncated");
  std::memcpy(out, j->Data + j->Pos, n);
  j->Pos += n;
}

void CollectTexts(TPngJob* j, png_infop info) {
  if (!j->Texts || !info) return;
  png_textp text = nullptr;
  int count = 0;
  if (png_get_text(j->Png, info, &text, &count) <= 0 || !text) return;
  for (int i = 0; i < count; ++i) {
    const String key = text[i].key ? text[i].key : "";
    const size_t len =
        text[i].compression == PNG_ITXT_COMPRESSION_NONE || text[i].compression == PNG_ITXT_COMPRESSION_zTXt
            ? text[i].itxt_length
            : text[i].text_length;
    const String value = text[i].text ? String(text[i].text, len) : String();
    j->Texts->emplace(key, value);
  }
}

void Over(const uint8_t* rgba, uint8_t* bgr, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x) {
    const uint32_t a = rgba[x * 4 + 3];
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = rgba[x * 4 + size_t(2 - c)];
      bgr[x * 3 + size_t(c)] = static_cast<uint8_t>((v * a + 255 * (255 - a) + 127) / 255);
    }
  }
}

// Every libpng call happens here, under the jump target.
bool Run(TPngJob* j) {
  if (setjmp(png_jmpbuf(j->Png))) return false;
  png_set_read_fn(j->Png, j, ReadData);
  png_set_user_limits(j->Png, 1000000, 1000000);
  png_set_chunk_malloc_max(j->Png, 8 * 1024 * 1024);
  png_read_info(j->Png, j->Info);
  CollectTexts(j, j->Info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(j->Png, j->Info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
  if (w == 0 || h == 0 || int64_t(w) * int64_t(h) > ThumbnailMaxPixels) return false;
  // Deflate packs at most about 1032:1, so a picture needs some share of
  // the data it claims; one that cannot be in the file is refused before
  // anything is allocated for it.
  const int channels = colour == PNG_COLOR_TYPE_RGB          ? 3
                       : colour == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                       : colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                             : 1;
  const uint64_t raw = (uint64_t(w) * uint64_t(channels) * uint64_t(depth) + 7) / 8 + 1;
  if (raw * uint64_t(h) > uint64_t(j->Size) * 1032 + 65536) return false;
  png_set_expand(j->Png);
  png_set_strip_16(j->Png);
  png_set_gray_to_rgb(j->Png);
  png_set_filler(j->Png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(j->Png);
  png_read_update_info(j->Png, j->Info);
  if (png_get_rowbytes(j->Png, j->Info) != size_t(w) * 4) return false;
  int32_t tw, th;
  ThumbnailFitSize(int32_t(w), int32_t(h), j->BoxW, j->BoxH, tw, th);
  j->Acc = std::make_unique<TBoxAccumulator>(int32_t(w), int32_t(h), tw, th);
  j->Bgr.resize(size_t(w) * 3);
  if (passes > 1) {
    j->Rgba.assign(size_t(w) * 4 * size_t(h), 0);
    for (int p = 0; p < passes; ++p)
      for (png_uint_32 y = 0; y < h; ++y) png_read_row(j->Png, &j->Rgba[size_t(y) * size_t(w) * 4], nullptr);
    for (png_uint_32 y = 0; y < h; ++y) {
      Over(&j->Rgba[size_t(y) * size_t(w) * 4], j->Bgr.data(), w);
      j->Acc->AddRow(j->Bgr.data());
    }
  } else {
    j->Rgba.resize(size_t(w) * 4);
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(j->Png, j->Rgba.data(), nullptr);
      Over(j->Rgba.data(), j->Bgr.data(), w);
      j->Acc->AddRow(j->Bgr.data());
    }
  }
  if (j->Texts) {
    png_read_end(j->Png, j->End);
    CollectTexts(j, j->End);
  }
  return true;
}

}  // namespace

bool DecodePngThumbnail(const uint8_t* data, size_t size, int32_t boxWidth, int32_t boxHeight, TThumbImage& out,
                        std::map<String, String>* texts) {
  if (!data || size < 8 || boxWidth <= 0 || boxHeight <= 0) return false;
  if (png_sig_cmp(data, 0, 8) != 0) return false;
  // Every chunk up to IEND must lie within the data: a truncated file gives
  // no picture, and no chunk length reaches libpng's allocator unchecked.
  for (size_t pos = 8;;) {
    if (size - pos < 12) return false;
    const uint32_t len = GetBE32(data + pos);
    if (len > size - pos - 12) return false;
    if (std::memcmp(data + pos + 4, "IEND", 4) == 0) break;
    pos += size_t(len) + 12;
  }
  auto job = std::make_unique<TPngJob>();
  job->Data = data;
  job->Size = size;
  job->BoxW = boxWidth;
  job->BoxH = boxHeight;
  job->Texts = texts;
  job->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!job->Png) return false;
  job->Info = png_create_info_struct(job->Png);
  job->End = png_create_info_struct(job->Png);
  bool ok = job->Info && job->End && Run(job.get());
  png_destroy_read_struct(&job->Png, job->Info ? &job->Info : nullptr, job->End ? &job->End : nullptr);
  TThumbImage img;
  ok = ok && job->Acc && job->Acc->Finish(img);
  if (!ok) return false;
  out = std::move(img);
  return true;
}
