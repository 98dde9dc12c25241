#include "imaging/io/media/iedirectshow.h"

#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "imaging/model/pixels/iebitmap.h"

namespace {

constexpr int64_t kMediaTimeUnits = 10000000;  // 100 ns per second
constexpr int64_t kMaxFrameBytes = int64_t(1) << 31;

}  // namespace

struct TIEDirectShow::TState {
  AVFormatContext* Format = nullptr;
  AVCodecContext* Codec = nullptr;
  AVFrame* Frame = nullptr;    // the frame being decoded
  AVFrame* Current = nullptr;  // the frame shown
  AVPacket* Packet = nullptr;
  SwsContext* Scaler = nullptr;
  int StreamIndex = -1;
  int32_t TimeFormat = IETimeFormatMediaTime;
  int32_t State = IEStateStopped;
  bool HaveCurrent = false;

  ~TState() {
    sws_freeContext(Scaler);
    av_packet_free(&Packet);
    av_frame_free(&Current);
    av_frame_free(&Frame);
    avcodec_free_context(&Codec);
    avformat_close_input(&Format);
  }

  AVStream* Stream() const { return Format != nullptr && StreamIndex >= 0 ? Format->streams[StreamIndex] : nullptr; }

  AVRational FrameRate() const {
    const AVStream* s = Stream();
    if (s == nullptr) return AVRational{0, 1};
    if (s->avg_frame_rate.num > 0 && s->avg_frame_rate.den > 0) return s->avg_frame_rate;
    if (s->r_frame_rate.num > 0 && s->r_frame_rate.den > 0) return s->r_frame_rate;
    return AVRational{0, 1};
  }

  int64_t StartPts() const {
    const AVStream* s = Stream();
    return s != nullptr && s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
  }

  // The next decoded frame into Frame; false at the end or on an error.
  bool DecodeNext() {
    for (;;) {
      const int r = avcodec_receive_frame(Codec, Frame);
      if (r == 0) return true;
      if (r == AVERROR_EOF) return false;
      if (r != AVERROR(EAGAIN)) return false;
      const int read = av_read_frame(Format, Packet);
      if (read < 0) {
        if (avcodec_send_packet(Codec, nullptr) < 0) return false;  // drain
        continue;
      }
      if (Packet->stream_index == StreamIndex) {
        const int sent = avcodec_send_packet(Codec, Packet);
        av_packet_unref(Packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) return false;
      } else {
        av_packet_unref(Packet);
      }
    }
  }

  void Keep() {
    av_frame_unref(Current);
    av_frame_move_ref(Current, Frame);
    HaveCurrent = true;
  }
};

TIEDirectShow::TIEDirectShow() = default;
TIEDirectShow::~TIEDirectShow() { Disconnect(); }

void TIEDirectShow::Connect() {
  // The libraries' messages would only repeat what the durations tell.
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  Disconnect();
  auto s = std::make_unique<TState>();
  if (avformat_open_input(&s->Format, FileName.c_str(), nullptr, nullptr) < 0) {
    s->Format = nullptr;
    F = std::move(s);  // connected to nothing: the duration reads 0
    return;
  }
  F = std::move(s);
  if (avformat_find_stream_info(F->Format, nullptr) < 0) return;
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(F->Format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (index < 0 || decoder == nullptr) return;
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  if (codec == nullptr) return;
  if (avcodec_parameters_to_context(codec, F->Format->streams[index]->codecpar) < 0 ||
      avcodec_open2(codec, decoder, nullptr) < 0) {
    avcodec_free_context(&codec);
    return;
  }
  F->Codec = codec;
  F->StreamIndex = index;
  F->Frame = av_frame_alloc();
  F->Current = av_frame_alloc();
  F->Packet = av_packet_alloc();
  if (F->Frame == nullptr || F->Current == nullptr || F->Packet == nullptr) {
    F.reset(new TState);
    return;
  }
  // Other streams are skipped at the demuxer.
  for (unsigned i = 0; i < F->Format->nb_streams; ++i)
    if (int(i) != index) F->Format->streams[i]->discard = AVDISCARD_ALL;
}

void TIEDirectShow::Disconnect() { F.reset(); }

bool TIEDirectShow::IsConnected() const { return F != nullptr; }

void TIEDirectShow::Pause() {
  if (!F || F->Codec == nullptr) return;
  F->State = IEStatePaused;
  if (!F->HaveCurrent && F->DecodeNext()) F->Keep();
}

int32_t TIEDirectShow::GetState() const { return F ? F->State : IEStateStopped; }

void TIEDirectShow::SetTimeFormat(int32_t Code) {
  if (!F) return;
  Code &= 0x7F;
  if (Code < IETimeFormatNone || Code > IETimeFormatMediaTime) return;
  const AVStream* s = F->Stream();
  if (Code == IETimeFormatFrame && (s == nullptr || s->nb_frames <= 0)) return;
  if (Code != IETimeFormatFrame && Code != IETimeFormatMediaTime) return;  // no other format seeks here
  F->TimeFormat = Code;
}

int64_t TIEDirectShow::GetDuration() {
  if (!F || F->Codec == nullptr) return 0;
  const AVStream* s = F->Stream();
  if (F->TimeFormat == IETimeFormatFrame) return s->nb_frames;
  if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
    return av_rescale_q(s->duration, s->time_base, AVRational{1, int(kMediaTimeUnits)});
  if (F->Format->duration != AV_NOPTS_VALUE && F->Format->duration > 0)
    return av_rescale(F->Format->duration, kMediaTimeUnits, AV_TIME_BASE);
  return 0;
}

int64_t TIEDirectShow::AvgTimePerFrame() {
  if (!F) return 0;
  const AVRational rate = F->FrameRate();
  if (rate.num <= 0) return 0;
  return av_rescale(kMediaTimeUnits, rate.den, rate.num);
}

void TIEDirectShow::GetVideoSize(int32_t& Width, int32_t& Height) {
  Width = Height = 0;
  if (!F || F->Codec == nullptr) return;
  Width = F->Codec->width;
  Height = F->Codec->height;
}

void TIEDirectShow::SetPosition(int64_t Position) {
  if (!F || F->Codec == nullptr || Position < 0) return;
  AVStream* s = F->Stream();
  // The wanted presentation time in the stream's time base.
  int64_t target;
  if (F->TimeFormat == IETimeFormatFrame) {
    const AVRational rate = F->FrameRate();
    if (rate.num <= 0) return;
    target = av_rescale_q(Position, av_inv_q(rate), s->time_base);
  } else {
    target = av_rescale_q(Position, AVRational{1, int(kMediaTimeUnits)}, s->time_base);
  }
  target += F->StartPts();
  if (av_seek_frame(F->Format, F->StreamIndex, target, AVSEEK_FLAG_BACKWARD) < 0) return;
  avcodec_flush_buffers(F->Codec);
  // Half a frame of slack absorbs rounding of the timestamps.
  const AVRational rate = F->FrameRate();
  const int64_t half = rate.num > 0 ? av_rescale_q(1, av_inv_q(rate), s->time_base) / 2 : 0;
  while (F->DecodeNext()) {
    const int64_t pts = F->Frame->best_effort_timestamp;
    F->Keep();
    if (pts == AV_NOPTS_VALUE || pts + half >= target) break;
  }
  F->State = IEStatePaused;
}

void TIEDirectShow::GetSample(TIEBitmap* Bitmap) {
  if (!F || !F->HaveCurrent || Bitmap == nullptr) return;
  const AVFrame* frame = F->Current;
  const int32_t w = frame->width;
  const int32_t h = frame->height;
  if (w <= 0 || h <= 0 || int64_t(w) * int64_t(h) * 3 > kMaxFrameBytes) return;
  if (Bitmap->Location() == TIELocation::ieFile) Bitmap->SetLocation(TIELocation::ieMemory);
  if (Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Bitmap->Width() != w || Bitmap->Height() != h)
    Bitmap->Allocate(w, h, TIEPixelFormat::ie24RGB);
  F->Scaler = sws_getCachedContext(F->Scaler, w, h, AVPixelFormat(frame->format), w, h, AV_PIX_FMT_BGR24, SWS_BICUBIC,
                                   nullptr, nullptr, nullptr);
  if (F->Scaler == nullptr) return;
  const int rowBytes = w * 3;
  std::vector<uint8_t> rows(size_t(rowBytes) * size_t(h));
  uint8_t* dst[4] = {rows.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {rowBytes, 0, 0, 0};
  if (sws_scale(F->Scaler, frame->data, frame->linesize, 0, h, dst, dstStride) != h) return;
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(Bitmap->ScanLine(y), rows.data() + size_t(y) * size_t(rowBytes), size_t(rowBytes));
}
