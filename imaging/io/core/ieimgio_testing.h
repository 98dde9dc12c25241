// Formats registered at run time for the tests of the image I/O component,
// and helpers that count its events.
//
// "IOT" (code 1000): "IOT1", width, height (one byte each), DpiX, DpiY
// (16-bit little-endian), a flag byte (bit 0: an alpha plane follows), the
// rows top-down as 3 bytes per pixel, then width x height alpha bytes.
// "IOX" (code 1001): the same content test, a reader and a writer that raise.
// "IOA" (code 1002): the same content test, a reader and writer that abort
// after writing some bytes.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

inline constexpr int32_t fcTestIOT = 1000;
inline constexpr int32_t fcTestIOX = 1001;
inline constexpr int32_t fcTestIOA = 1002;

inline std::vector<uint8_t> IOTBytes(uint8_t W, uint8_t H, uint16_t DpiX, uint16_t DpiY, bool Alpha = false,
                                     uint8_t Value = 0x40) {
  std::vector<uint8_t> b{'I',
                         'O',
                         'T',
                         '1',
                         W,
                         H,
                         uint8_t(DpiX),
                         uint8_t(DpiX >> 8),
                         uint8_t(DpiY),
                         uint8_t(DpiY >> 8),
                         uint8_t(Alpha ? 1 : 0)};
  for (int i = 0; i < W * H * 3; ++i) b.push_back(uint8_t(Value + i));
  if (Alpha)
    for (int i = 0; i < W * H; ++i) b.push_back(uint8_t(i * 7));
  return b;
}

inline bool IOTTest(TStream* Stream, int32_t) {
  char sig[4];
  return Stream->Read(sig, 4) == 4 && std::memcmp(sig, "IOT1", 4) == 0;
}

// Reads the content; Mask (when given) receives an alpha plane.
inline void IOTReadWithMask(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                            bool Preview, std::unique_ptr<TIEMask>* Mask) {
  uint8_t h[11];
  if (Stream->Read(h, 11) != 11 || std::memcmp(h, "IOT1", 4) != 0 || h[4] == 0 || h[5] == 0) {
    IESetAborting(Progress);
    return;
  }
  const int32_t w = h[4], hh = h[5];
  Params.Width = w;
  Params.Height = hh;
  Params.SetDpiX(h[6] | h[7] << 8);
  Params.SetDpiY(h[8] | h[9] << 8);
  if (Preview) return;
  Bitmap->Allocate(w, hh, TIEPixelFormat::ie24RGB);
  IEProgressStart(Progress, hh);
  for (int32_t y = 0; y < hh; ++y) {
    if (IEProgressRow(Progress, y)) return;
    if (Stream->Read(Bitmap->ScanLine(y), w * 3) != w * 3) {
      IESetAborting(Progress);
      return;
    }
  }
  if ((h[10] & 1) && Mask) {
    *Mask = std::make_unique<TIEMask>();
    (*Mask)->Allocate(w, hh, 8);
    std::vector<uint8_t> a(static_cast<size_t>(w * hh));
    if (Stream->Read(a.data(), w * hh) != w * hh) {
      IESetAborting(Progress);
      return;
    }
    for (int32_t y = 0; y < hh; ++y)
      std::memcpy((*Mask)->ScanLine(y), &a[static_cast<size_t>(y * w)], static_cast<size_t>(w));
  }
}

inline void IOTRead(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                    bool Preview) {
  IOTReadWithMask(Stream, Bitmap, Params, Progress, Preview, nullptr);
}

inline void IOTWrite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const std::vector<uint8_t> head{'I',
                                  'O',
                                  'T',
                                  '1',
                                  uint8_t(w),
                                  uint8_t(h),
                                  uint8_t(Params.DpiX),
                                  uint8_t(Params.DpiX >> 8),
                                  uint8_t(Params.DpiY),
                                  uint8_t(Params.DpiY >> 8),
                                  0};
  Stream->WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  IEProgressStart(Progress, h);
  for (int32_t y = 0; y < h; ++y) {
    if (IEProgressRow(Progress, y)) return;
    Stream->WriteBuffer(Bitmap->ScanLine(y), w * 3);
  }
}

inline void RaisingRead(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&, bool) {
  throw std::runtime_error("reader failure");
}
inline void RaisingWrite(TStream* Stream, TIEBitmap*, TIOParamsVals&, TIECodecProgress&) {
  Stream->WriteBuffer("partial", 7);
  throw std::runtime_error("writer failure");
}
inline void AbortingRead(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Progress, bool) {
  IESetAborting(Progress);
}
inline void AbortingWrite(TStream* Stream, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Progress) {
  Stream->WriteBuffer("partial", 7);
  IESetAborting(Progress);
}

// The regular files of Dir: a save must leave no temporary file behind.
inline size_t FilesIn(const std::string& Dir) {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(Dir)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

// Registers the test rows once per process.
inline void IERegisterTestFormats() {
  IEInitImageIO();
  if (IEFindFormatByType(fcTestIOT)) return;
  TIEFormatRecord r;
  r.FileType = fcTestIOT;
  r.FullName = "Test IOT";
  r.Extensions = "IOT";
  r.ReadProc = IOTRead;
  r.WriteProc = IOTWrite;
  r.TestProc = IOTTest;
  IERegisterFormat(r);
  r.FileType = fcTestIOX;
  r.Extensions = "IOX";
  r.ReadProc = RaisingRead;
  r.WriteProc = RaisingWrite;
  r.TestProc = nullptr;
  IERegisterFormat(r);
  r.FileType = fcTestIOA;
  r.Extensions = "IOA";
  r.ReadProc = AbortingRead;
  r.WriteProc = AbortingWrite;
  IERegisterFormat(r);
}

// Counts the end events of one component (from any thread).
struct TEventLog {
  std::atomic<int> Progress100{0};
  std::atomic<int> LastPercent{-1};
  std::atomic<int> Finished{0};
  std::atomic<bool> FinishAfterProgress{true};
  std::atomic<uint32_t> FinishThread{0};
  void Attach(TImgIO& IO) {
    IO.OnProgress = [this](TObject*, int32_t Per) {
      EXPECT_GE(Per, 0);
      EXPECT_LE(Per, 100);
      if (Per == 100) ++Progress100;
      LastPercent = Per;
    };
    IO.OnFinishWork = [this](TObject*) {
      if (LastPercent.load() != 100) FinishAfterProgress = false;
      ++Finished;
      FinishThread = GetCurrentThreadId();
    };
  }
};
