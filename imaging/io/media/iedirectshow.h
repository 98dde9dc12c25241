// Single frames of any media file the FFmpeg libraries can play: open the
// file, know its duration in media time (100 ns units) and, when the
// container records it, in frames, the average frame time and the video
// size, seek while paused and copy the current frame into a TIEBitmap as
// ie24RGB. The image I/O component browses videos through it.
//
// One object is used only from the thread that created it. The parameter
// object of the I/O component only records a view's window and two message
// numbers and is never connected.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"

class TIEBitmap;

// Time formats of SetTimeFormat.
enum : int32_t {
  IETimeFormatNone = 0,
  IETimeFormatFrame = 1,
  IETimeFormatSample = 2,
  IETimeFormatField = 3,
  IETimeFormatByte = 4,
  IETimeFormatMediaTime = 5,
};

// States answered by GetState.
enum : int32_t { IEStateStopped = 0, IEStatePaused = 1, IEStateRunning = 2 };

class TIEDirectShow {
 public:
  TIEDirectShow();
  ~TIEDirectShow();
  TIEDirectShow(const TIEDirectShow&) = delete;
  TIEDirectShow& operator=(const TIEDirectShow&) = delete;

  String FileName;
  bool GrabSamples = false;
  HWND NotifyWindow = nullptr;
  uint32_t SampleMessage = 0;
  uint32_t GraphMessage = 0;

  // Opens FileName and its best video stream with a decoder. A file that
  // cannot be played leaves an object whose GetDuration answers 0.
  void Connect();
  void Disconnect();
  bool IsConnected() const;
  // Paused with the first frame ready.
  void Pause();
  int32_t GetState() const;
  // Codes 0..5 (bit 7 ignored). Frames are offered only when the container
  // records the stream's frame count; otherwise the format stays media time.
  void SetTimeFormat(int32_t Code);
  // In the current time format; 0 when unknown or not connected.
  int64_t GetDuration();
  // Seeks to Position (current time format) while paused: the nearest key
  // frame before it, then decoding forward to the frame shown at Position.
  void SetPosition(int64_t Position);
  void GetVideoSize(int32_t& Width, int32_t& Height);
  // 100 ns units; 0 when the stream has no frame rate.
  int64_t AvgTimePerFrame();
  // The current frame into Bitmap, reallocated as ie24RGB of the video size
  // in memory unless it already is; nothing without a frame.
  void GetSample(TIEBitmap* Bitmap);

 private:
  struct TState;
  std::unique_ptr<TState> F;
};
