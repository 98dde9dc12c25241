// The image I/O component's stream load over arbitrary bytes: detection, the
// dispatch by code, the stream frame around the reader (metadata reset,
// mask to alpha, resolution default, file type, end events) and the path of
// formats registered at run time. The built-in codes' stream slots are
// filled here with the codec readers in the frame, as the per-format methods
// do; one row is registered at run time.
//
// Invariants: nothing but a refused allocation raises; the end events fire
// at most once, OnProgress(100) before OnFinishWork; percentages stay within
// 0..100; after a load that ran and succeeded, the record names the code
// detected.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg2000/iej2k.h"
#include "imaging/io/codecs/pcx/iepcx.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/codecs/pnm/iepxm.h"
#include "imaging/io/codecs/raw/ieraw.h"
#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/iemask.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

using TMask = std::unique_ptr<TIEMask>;

// One stream loader per code, in the frame.
template <int32_t Code>
void LoadStream(TImgIO& IO, TStream* Stream) {
  IO.LoadStreamFrame(
      Stream, Code,
      [](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
        int32_t count = 0;
        switch (Code) {
          case fcTIFF: IEDecodeTIFF(B, S, count, &P, Pr, false, M, true, false, false); break;
          case fcGIF: IEDecodeGIF(S, B, count, P, Pr, false, M, false); break;
          case fcJPEG: IEDecodeJPEG(S, nullptr, B, P, Pr, false, false, true, true, false); break;
          case fcPCX: IEDecodePCX(S, B, P, S->Size() - S->Position(), Pr, false); break;
          case fcBMP: IEDecodeBMP(S, B, 0, P, Pr, false, false, M, false); break;
          case fcICO: IEDecodeICO(S, B, P, false, Pr, M, false); break;
          case fcCUR: IEDecodeCUR(S, B, P, false, Pr, M, false); break;
          case fcPNG: IEDecodePNG(S, B, P, Pr, false, M, false); break;
          case fcTGA: IEDecodeTGA(S, B, P, Pr, false, M, false); break;
          case fcPXM: IEDecodePXM(S, B, P, Pr, false); break;
          case fcJP2: case fcJ2K: IEDecodeJ2000(S, B, P, Pr, false); break;
          case fcDCX: IEDecodeDCX(S, B, P, Pr, false); break;
          case fcRAW: IEDecodeRAW(S, B, P, Pr, false); break;
          default: break;
        }
      },
      nullptr);
}

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
  IEInitImageIO();
  IEFormatMethods(fcTIFF).LoadStream = LoadStream<fcTIFF>;
  IEFormatMethods(fcGIF).LoadStream = LoadStream<fcGIF>;
  IEFormatMethods(fcJPEG).LoadStream = LoadStream<fcJPEG>;
  IEFormatMethods(fcPCX).LoadStream = LoadStream<fcPCX>;
  IEFormatMethods(fcBMP).LoadStream = LoadStream<fcBMP>;
  IEFormatMethods(fcICO).LoadStream = LoadStream<fcICO>;
  IEFormatMethods(fcCUR).LoadStream = LoadStream<fcCUR>;
  IEFormatMethods(fcPNG).LoadStream = LoadStream<fcPNG>;
  IEFormatMethods(fcTGA).LoadStream = LoadStream<fcTGA>;
  IEFormatMethods(fcPXM).LoadStream = LoadStream<fcPXM>;
  IEFormatMethods(fcJP2).LoadStream = LoadStream<fcJP2>;
  IEFormatMethods(fcJ2K).LoadStream = LoadStream<fcJ2K>;
  IEFormatMethods(fcDCX).LoadStream = LoadStream<fcDCX>;
  IEFormatMethods(fcRAW).LoadStream = LoadStream<fcRAW>;
  TIEFormatRecord r;
  r.FileType = 1000;
  r.FullName = "Fuzz";
  r.Extensions = "FZ";
  r.ReadProc = FuzzRead;
  r.TestProc = FuzzTest;
  IERegisterFormat(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  const std::vector<uint8_t> bytes(data, data + size);  // exact size, for ASan
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.empty() ? nullptr : bytes.data(), int64_t(bytes.size()));

  TImgIO io;
  int finished = 0, last = -1;
  io.OnProgress = [&](TObject*, int32_t Per) {
    Check(Per >= 0 && Per <= 100);
    last = Per;
  };
  io.OnFinishWork = [&](TObject*) {
    Check(last == 100);
    ++finished;
  };
  io.Params().FileType = -1;
  const int32_t detected = IEDetectStreamFormat(&stream);
  try {
    io.LoadFromStream(&stream);
  } catch (const EOutOfMemory&) {
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const Exception& e) {
    // Only the bitmap's refusal of an image over the size limit; readers
    // report bad data through the flag.
    Check(std::strcmp(e.ClassName(), "Exception") == 0);
    Check(finished == 1 && io.AbortFlag);
    return 0;
  }
  Check(finished <= 1);
  if (finished == 1 && !io.AbortFlag) {
    Check(io.Params().FileType == detected);
    Check(io.Params().FileName.empty());
  }
  return 0;
}
