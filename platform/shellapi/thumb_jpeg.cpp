// JPEG thumbnails through libjpeg-turbo: DCT scaling to the smallest size
// still covering the box, rows as BGR, Adobe CMYK, EXIF orientation.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/shellapi/thumb_internal.h"

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
  bool Truncated = false;
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  std::longjmp(e->Jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

// A file that ends early or loses its entropy data decodes as gray filler:
// that is no picture.
void OnJpegEmit(j_common_ptr cinfo, int level) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  if (level < 0 && (e->Mgr.msg_code == JWRN_JPEG_EOF || e->Mgr.msg_code == JWRN_HIT_MARKER)) {
    e->Truncated = true;
    std::longjmp(e->Jump, 1);  // no need to decode the filler
  }
}

struct TJpegJob {
  jpeg_decompress_struct Info;
  TJpegError Err;
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  int32_t BoxW = 0, BoxH = 0;
  int Orientation = 1;
  int32_t TargetW = 0, TargetH = 0;  // before orientation
  std::vector<uint8_t> Row;
  std::vector<uint8_t> Bgr;
  std::unique_ptr<TBoxAccumulator> Acc;
};

// Every libjpeg call happens here, under the jump target; nothing with a
// destructor lives in this frame.
bool Run(TJpegJob* j) {
  if (setjmp(j->Err.Jump)) return false;
  jpeg_decompress_struct* c = &j->Info;
  jpeg_mem_src(c, j->Data, static_cast<unsigned long>(j->Size));
  // Progressive files keep every coefficient: bound what libjpeg may take.
  c->mem->max_memory_to_use = 512L * 1024 * 1024;
  jpeg_save_markers(c, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(c, JPEG_APP0 + 14, 0xFFFF);
  if (jpeg_read_header(c, TRUE) != JPEG_HEADER_OK) return false;
  if (c->image_width == 0 || c->image_height == 0) return false;
  for (jpeg_saved_marker_ptr m = c->marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 14 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      j->Orientation = ExifOrientation(m->data, m->data_length);
      break;
    }
  const bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
  c->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  // The size wanted, in the stored (not yet oriented) frame.
  const bool swap = OrientationSwaps(j->Orientation);
  int32_t fw, fh;
  ThumbnailFitSize(swap ? int32_t(c->image_height) : int32_t(c->image_width),
                   swap ? int32_t(c->image_width) : int32_t(c->image_height), j->BoxW, j->BoxH, fw, fh);
  j->TargetW = swap ? fh : fw;
  j->TargetH = swap ? fw : fh;
  c->scale_num = 1;
  c->scale_denom = 1;
  for (unsigned d : {8u, 4u, 2u}) {
    c->scale_denom = d;
    jpeg_calc_output_dimensions(c);
    if (int32_t(c->output_width) >= j->TargetW && int32_t(c->output_height) >= j->TargetH) break;
    c->scale_denom = 1;
  }
  jpeg_calc_output_dimensions(c);
  if (int64_t(c->output_width) * int64_t(c->output_height) > ThumbnailMaxPixels) return false;
  j->TargetW = std::min<int32_t>(j->TargetW, int32_t(c->output_width));
  j->TargetH = std::min<int32_t>(j->TargetH, int32_t(c->output_height));
  jpeg_start_decompress(c);
  const int comps = c->output_components;
  if ((cmyk && comps != 4) || (!cmyk && comps != 3)) return false;
  j->Row.resize(size_t(c->output_width) * size_t(comps));
  j->Bgr.resize(size_t(c->output_width) * 3);
  j->Acc =
      std::make_unique<TBoxAccumulator>(int32_t(c->output_width), int32_t(c->output_height), j->TargetW, j->TargetH);
  const bool inverted = cmyk && c->saw_Adobe_marker;
  while (c->output_scanline < c->output_height) {
    JSAMPROW rows[1] = {j->Row.data()};
    if (jpeg_read_scanlines(c, rows, 1) != 1) return false;
    if (cmyk) {
      for (JDIMENSION x = 0; x < c->output_width; ++x) {
        const uint8_t* p = &j->Row[size_t(x) * 4];
        uint32_t cc = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
          cc = 255 - cc;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        // Stored inverted (the Adobe way): ink-free is 255.
        j->Bgr[size_t(x) * 3] = static_cast<uint8_t>((y * k + 127) / 255);
        j->Bgr[size_t(x) * 3 + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        j->Bgr[size_t(x) * 3 + 2] = static_cast<uint8_t>((cc * k + 127) / 255);
      }
      j->Acc->AddRow(j->Bgr.data());
    } else {
      j->Acc->AddRow(j->Row.data());
    }
  }
  jpeg_finish_decompress(c);
  return true;
}

}  // namespace

bool DecodeJpegThumbnail(const uint8_t* data, size_t size, int32_t boxWidth, int32_t boxHeight, TThumbImage& out) {
  if (!data || size < 4 || boxWidth <= 0 || boxHeight <= 0) return false;
  auto job = std::make_unique<TJpegJob>();
  job->Data = data;
  job->Size = size;
  job->BoxW = boxWidth;
  job->BoxH = boxHeight;
  job->Info.err = jpeg_std_error(&job->Err.Mgr);
  job->Err.Mgr.error_exit = OnJpegError;
  job->Err.Mgr.output_message = OnJpegMessage;
  job->Err.Mgr.emit_message = OnJpegEmit;
  jpeg_create_decompress(&job->Info);
  const bool ok = Run(job.get());
  jpeg_destroy_decompress(&job->Info);
  TThumbImage img;
  if (!ok || job->Err.Truncated || !job->Acc || !job->Acc->Finish(img)) return false;
  out = Orient(img, job->Orientation);
  return true;
}
