// The asynchronous mode of the image I/O component. These tests also run in
// the ThreadSanitizer build (label io.async).
#include "imaging/io/core/ieiothread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "imaging/io/core/ieimgio.h"
#include "imaging/io/core/ieimgio_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/ielists.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/headless.h"
#include "platform/gui/windows.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/threads.h"

namespace {

// A per-format load as the codec layer writes them: a function that answers
// -1 when the load went to a worker, else the number of images read.
int32_t TestLoadFile(TImgIO& IO, const String& FileName, const TIEFrameRead& Read) {
  const bool ran =
      IO.LoadFileFrame(FileName, fcTestIOT, Read, [&IO, FileName, Read] { TestLoadFile(IO, FileName, Read); });
  return ran ? 1 : -1;
}
int32_t TestLoadStream(TImgIO& IO, TStream* Stream, const TIEFrameRead& Read) {
  const bool ran =
      IO.LoadStreamFrame(Stream, fcTestIOT, Read, [&IO, Stream, Read] { TestLoadStream(IO, Stream, Read); });
  return ran ? 1 : -1;
}

void IOTFrameRead(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, std::unique_ptr<TIEMask>& M) {
  IOTReadWithMask(S, B, P, Pr, false, &M);
}

// A fake view with a real window in the headless session.
class TWindowedView : public TIEFakeView {
 public:
  explicit TWindowedView(HWND AWindow) : FWindow(AWindow) {}
  HWND Handle() override { return FWindow; }

 private:
  HWND FWindow;
};

class ImgIOAsync : public ::testing::Test {
 protected:
  void SetUp() override {
    IERegisterTestFormats();
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "ImgIOAsyncView";
    WNDCLASS existing;
    if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(wc);
    Window = CreateWindowEx(0, wc.lpszClassName, "view", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(Window, nullptr);
    View = std::make_unique<TWindowedView>(Window);
    IO = std::make_unique<TImgIO>();
    Log.Attach(*IO);
    IEWriteBytesFile(Dir.File("a.iot"), IOTBytes(3, 2, 72, 72));
  }
  void TearDown() override {
    IO.reset();
    View.reset();
    DestroyWindow(Window);
    while (TThread::CheckSynchronize()) {
    }
  }
  bool TakeUpdateMessage() {
    TMSG m;
    return PeekMessage(&m, Window, IEM_UPDATE, IEM_UPDATE, PM_REMOVE) && m.message == IEM_UPDATE;
  }

  THeadlessSession Session;
  TIETempDir Dir;
  HWND Window = nullptr;
  std::unique_ptr<TWindowedView> View;  // outlives IO
  std::unique_ptr<TImgIO> IO;
  TEventLog Log;
};

TEST_F(ImgIOAsync, OwnOrLentMemoryRunsSynchronously) {
  IO->Asynchronous = true;
  ASSERT_TRUE(IO->IEBitmapOwned());
  EXPECT_EQ(TestLoadFile(*IO, Dir.File("a.iot"), IOTFrameRead), 1);
  EXPECT_EQ(Log.Finished.load(), 1);
  EXPECT_EQ(Log.FinishThread.load(), GetCurrentThreadId());

  // A memory block lives only during the call: loaded here even with a view.
  IO->SetAttachedImg(View.get());
  const auto bytes = IOTBytes(4, 4, 10, 10);
  IO->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  EXPECT_EQ(Log.Finished.load(), 2);
  EXPECT_EQ(IO->RunningThreads(), 0);
  EXPECT_EQ(View->Own.Width(), 4);
}

TEST_F(ImgIOAsync, WithAViewTheLoadRunsOnAWorker) {
  IO->SetAttachedImg(View.get());
  IO->Asynchronous = true;
  EXPECT_EQ(TestLoadFile(*IO, Dir.File("a.iot"), IOTFrameRead), -1);
  IO->WaitThreads(false);
  EXPECT_EQ(Log.Finished.load(), 1);
  EXPECT_NE(Log.FinishThread.load(), GetCurrentThreadId());
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(View->Own.Width(), 3);
  // The worker touched no view: the update arrives as a message, the view
  // calls through the main thread's queue.
  EXPECT_TRUE(TakeUpdateMessage());
  EXPECT_FALSE(TakeUpdateMessage());
  while (TThread::CheckSynchronize()) {
  }
  EXPECT_EQ(View->ImageChanges, 1);
  EXPECT_EQ(View->DpiX, 72);
  EXPECT_EQ(View->DpiY, 72);
  EXPECT_EQ(View->Updates, 0);

  // The public dispatch goes the same way (a registered format here).
  IO->LoadFromFile(Dir.File("a.iot"));
  IO->WaitThreads(false);
  EXPECT_EQ(Log.Finished.load(), 2);
  EXPECT_EQ(IO->Params().FileType, fcTestIOT);
  EXPECT_TRUE(TakeUpdateMessage());
}

TEST_F(ImgIOAsync, ARaisingReaderSetsTheFlagAndLeavesTheList) {
  IO->SetAttachedImg(View.get());
  IO->Asynchronous = true;
  TMemoryStream stream;
  stream.WriteBuffer("IOX1", 4);
  stream.SetPosition(0);
  testing::internal::CaptureStderr();
  IO->LoadFromStreamAs(&stream, fcTestIOX);
  IO->WaitThreads(false);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Exception in TIEIOThread.Execute"), std::string::npos);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(IO->RunningThreads(), 0);
  EXPECT_EQ(Log.Finished.load(), 1);
}

TEST_F(ImgIOAsync, DestroyWaitsForTheRunningLoad) {
  static std::atomic<bool> go, done;
  go = false;
  done = false;
  IO->SetAttachedImg(View.get());
  IO->Asynchronous = true;
  TMemoryStream stream;
  const TIEFrameRead slow = [](TStream*, TIEBitmap* B, TIOParamsVals&, TIECodecProgress&, std::unique_ptr<TIEMask>&) {
    while (!go) std::this_thread::yield();
    B->Allocate(2, 2, TIEPixelFormat::ie24RGB);
    done = true;
  };
  EXPECT_EQ(TestLoadStream(*IO, &stream, slow), -1);
  std::thread release([] { go = true; });
  IO.reset();
  release.join();
  EXPECT_TRUE(done);
}

TEST_F(ImgIOAsync, WaitThreadsWithAbortStopsARunningCodec) {
  static std::atomic<bool> started, stopped;
  started = false;
  stopped = false;
  IO->SetAttachedImg(View.get());
  IO->Asynchronous = true;
  TMemoryStream stream;
  const TIEFrameRead endless = [](TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Progress,
                                  std::unique_ptr<TIEMask>&) {
    for (int64_t row = 0;; ++row) {
      if (IEProgressRow(Progress, row % 1000)) break;
      started = true;
    }
    stopped = true;
  };
  EXPECT_EQ(TestLoadStream(*IO, &stream, endless), -1);
  while (!started) std::this_thread::yield();
  IO->WaitThreads(true);
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(IO->RunningThreads(), 0);
  EXPECT_EQ(Log.Finished.load(), 1);
}

}  // namespace
