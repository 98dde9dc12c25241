// The image I/O component's stream loads over arbitrary bytes, through the
// dispatch IEInitImageIO fills: detection, every built-in stream loader in
// its frame (metadata reset, mask to alpha, resolution default, file type,
// end events), the 12-byte stream header blocks of the TIFF, JPEG and PCX
// loaders, GIF frame composition, the header-only reads, and the path of a
// format registered at run time.
//
// The last byte of the input also steers the run (the whole input stays the
// stream's data):
//   bit 7      0: LoadFromStream (by detected content); 1: LoadFromStreamAs
//              with the code that bits 0-3 pick from the stream loaders
//   bit 4      StreamHeaders
//   bits 5-6   GIFImageIndex - 1 (-1: every frame composed)
//
// Invariants: nothing but a refused allocation raises; the end events fire
// at most once per operation, OnProgress(100) before OnFinishWork;
// percentages stay within 0..100; after a load that ran and succeeded, the
// record names the code loaded and no file name.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Every code with a stream loader (WBMP only loads through LoadFromStreamAs).
constexpr int32_t kStreamCodes[] = {fcTIFF, fcGIF, fcJPEG, fcPCX, fcBMP,  fcICO, fcCUR, fcPNG,
                                    fcTGA,  fcPXM, fcJP2,  fcJ2K, fcWBMP, fcDCX, fcRAW, 1000};

// A format registered at run time: "FZ" width, height (a byte each), then
// the rows as gray bytes.
bool FuzzTest(TStream* Stream, int32_t) {
  char sig[2];
  return Stream->Read(sig, 2) == 2 && sig[0] == 'F' && sig[1] == 'Z';
}
void FuzzRead(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  uint8_t h[4];
  if (Stream->Read(h, 4) != 4 || h[2] == 0 || h[3] == 0) {
    IESetAborting(Progress);
    return;
  }
  Params.Width = h[2];
  Params.Height = h[3];
  if (Preview) return;
  Bitmap->Allocate(h[2], h[3], TIEPixelFormat::ie8g);
  IEProgressStart(Progress, h[3]);
  for (int32_t y = 0; y < h[3]; ++y) {
    if (IEProgressRow(Progress, y)) return;
    if (Stream->Read(Bitmap->ScanLine(y), h[2]) != h[2]) {
      IESetAborting(Progress);
      return;
    }
  }
}

void Setup() {
  IEInitImageIO();  // fills the per-format dispatch
  TIEFormatRecord r;
  r.FileType = 1000;
  r.FullName = "Fuzz";
  r.Extensions = "FZ";
  r.ReadProc = FuzzRead;
  r.TestProc = FuzzTest;
  IERegisterFormat(r);
}

// Events of one operation.
struct TEvents {
  int Finished = 0;
  int Last = -1;
  void Attach(TImgIO& IO) {
    IO.OnProgress = [this](TObject*, int32_t Per) {
      Check(Per >= 0 && Per <= 100);
      Last = Per;
    };
    IO.OnFinishWork = [this](TObject*) {
      Check(Last == 100);
      ++Finished;
    };
  }
  void Reset() {
    Finished = 0;
    Last = -1;
  }
};

// Runs Op; false when it raised what a hostile input may make it raise (a
// refused allocation, or the bitmap's refusal of an image over the size
// limit after the end events).
template <class F>
bool Run(TImgIO& IO, const TEvents& Events, F&& Op) {
  try {
    Op();
  } catch (const EOutOfMemory&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const Exception& e) {
    // Readers report bad data through the flag.
    Check(std::strcmp(e.ClassName(), "Exception") == 0);
    Check(Events.Finished == 1 && IO.AbortFlag);
    return false;
  }
  Check(Events.Finished <= 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  const std::vector<uint8_t> bytes(data, data + size);  // exact size, for ASan
  const uint8_t control = bytes.empty() ? 0 : bytes.back();
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.empty() ? nullptr : bytes.data(), int64_t(bytes.size()));

  TImgIO io;
  TEvents events;
  events.Attach(io);
  io.StreamHeaders = (control & 0x10) != 0;
  io.Params().GIFImageIndex = ((control >> 5) & 3) - 1;
  io.Params().FileType = -1;
  int32_t code = IEDetectStreamFormat(&stream);
  const bool as = (control & 0x80) != 0;
  if (as) code = kStreamCodes[control & 0x0F];
  const bool completed = Run(io, events, [&] {
    if (as)
      io.LoadFromStreamAs(&stream, code);
    else
      io.LoadFromStream(&stream);
  });
  if (completed && events.Finished == 1 && !io.AbortFlag) {
    Check(io.Params().FileType == code);
    Check(io.Params().FileName.empty());
  }

  // The header-only read of the same bytes leaves the loaded image alone.
  const int32_t width = io.IEBitmap()->Width(), height = io.IEBitmap()->Height();
  events.Reset();
  stream.SetPosition(0);
  Run(io, events, [&] { io.ReadParamsFromStream(&stream); });
  Check(events.Finished == 1);
  Check(io.IEBitmap()->Width() == width && io.IEBitmap()->Height() == height);
  return 0;
}
