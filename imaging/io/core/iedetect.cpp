#include "imaging/io/core/iedetect.h"

#include <cstring>

#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg2000/iej2k.h"
#include "imaging/io/codecs/pcx/iepcx.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/codecs/pnm/iepxm.h"
#include "imaging/io/codecs/raw/ieraw.h"
#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/core/ieformats.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

// The header bytes of one step: up to Count bytes from the position, the
// rest zero (a page near the end of a container reads short), then the
// position goes back.
struct THead {
  uint8_t Bytes[128];

  void Read(TStream* Stream, int64_t Pos, int32_t Count) {
    std::memset(Bytes, 0, sizeof(Bytes));
    Stream->Read(Bytes, Count);
    Stream->SetPosition(Pos);
  }
  // The first MaxLen bytes as text ending early at a zero byte equals Text.
  bool TextIs(const char* Text, size_t MaxLen) const {
    const size_t n = std::strlen(Text);
    if (n > MaxLen || std::memcmp(Bytes, Text, n) != 0) return false;
    return n == MaxLen || Bytes[n] == 0;
  }
};

TIEFormatCode DetectChain(TStream* Stream, int64_t Pos) {
  const int64_t size = Stream->Size();
  THead h;
  // Block headers of streams saved with stream headers, then the fixed
  // signatures; the order settles content that fits more than one test.
  if (size > 12) {
    h.Read(Stream, Pos, 12);
    if (h.TextIs("JFIF", 5)) return fcJPEG;
  }
  if (size > 13) {
    h.Read(Stream, Pos, 13);
    if (h.Bytes[0] == 'G' && h.Bytes[1] == 'I' && h.Bytes[2] == 'F') return fcGIF;
  }
  if (size > 12) {
    h.Read(Stream, Pos, 12);
    if (h.TextIs("PCX2", 5)) return fcPCX;
  }
  if (size > 4) {
    h.Read(Stream, Pos, 4);
    if (h.TextIs("PCX", 4)) return fcPCX;
  }
  if (size > 14) {
    h.Read(Stream, Pos, 14);
    if (h.Bytes[0] == 'B' && h.Bytes[1] == 'M') return fcBMP;
  }
  if (size > 128) {
    h.Read(Stream, Pos, 128);
    if (h.Bytes[0] == 10 && h.Bytes[1] <= 5) return fcPCX;
  }
  if (size > 12) {
    h.Read(Stream, Pos, 12);
    if (h.TextIs("TIFF", 5)) return fcTIFF;
  }

  // The codecs' own tests; each restores the position itself.
  if (IETestTIFF(Stream) && !IETestDNG(Stream)) return fcTIFF;
  if (size > 8 && IETestPNG(Stream)) return fcPNG;
  if (IETestICO(Stream)) return fcICO;
  if (IETestCUR(Stream)) return fcCUR;
  if (IETestTGA(Stream)) return fcTGA;
  if (IETestPXM(Stream)) return fcPXM;
  if (IEFindJPEGStart(Stream) >= 0) return fcJPEG;
  if (IETestJP2(Stream)) return fcJP2;
  if (IETestJ2K(Stream)) return fcJ2K;
  if (IETestAVI(Stream)) return fcAVI;
  if (IETestDCX(Stream)) return fcDCX;
  if (IETestWMF(Stream)) return fcWMF;
  if (IETestEMF(Stream)) return fcEMF;

  // Formats registered at run time, in registry order. Indexed, so that a
  // test that changes the registry cannot leave a dangling iterator.
  const auto& rows = IEFormatRegistry();
  for (size_t i = 0; i < rows.size(); ++i) {
    const TIEFormatRecord& row = *rows[i];
    if (row.TestProc == nullptr) continue;
    const int32_t code = row.FileType;
    Stream->SetPosition(Pos);
    if (row.TestProc(Stream, code)) {
      Stream->SetPosition(Pos);
      return static_cast<TIEFormatCode>(code);
    }
  }
  Stream->SetPosition(Pos);
  return IETestRAW(Stream) ? fcRAW : fcNone;
}

}  // namespace

bool IETestAVI(TStream* Stream) {
  const int64_t pos = Stream->Position();
  THead h;
  std::memset(h.Bytes, 0, sizeof(h.Bytes));
  Stream->Read(h.Bytes, 4);
  Stream->Seek(4, soCurrent);
  Stream->Read(h.Bytes + 4, 4);
  Stream->SetPosition(pos);
  return h.TextIs("RIFF", 4) && std::memcmp(h.Bytes + 4, "AVI ", 4) == 0;
}

TIEFormatCode IEDetectStreamFormat(TStream* Stream) {
  if (Stream == nullptr) return fcNone;
  IEInitImageIO();  // the registry's rows take part in the chain
  int64_t pos = -1;
  try {
    pos = Stream->Position();
    return DetectChain(Stream, pos);
  } catch (...) {
    // Never raises. The position goes back when the stream still allows it.
    try {
      if (pos >= 0) Stream->SetPosition(pos);
    } catch (...) {
    }
    return fcNone;
  }
}

TIEFormatCode IEDetectFileFormat(const String& FileName, bool Verify) {
  if (FileName.empty()) return fcNone;
  const String ext = ExtractFileExt(FileName);
  const String upper = UpperCase(ext);
  if (upper == ".TIF" || upper == ".TIFF") return fcTIFF;

  IEInitImageIO();
  TIEFormatCode result = fcNone;
  try {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    result = IEDetectStreamFormat(&stream);
  } catch (...) {
    result = fcNone;
  }
  const TIEFormatRecord* row = IEFindFormatByExtension(ext);
  // Camera files are TIFF-structured; only their extension tells them apart.
  if (row != nullptr && row->FileType == fcRAW && result == fcTIFF) result = fcRAW;
  if (Verify && result != fcNone) {
    if (row == nullptr)
      result = fcNone;
    else if (result == fcICO || result == fcCUR)
      result = static_cast<TIEFormatCode>(row->FileType);
    else if (result != row->FileType)
      result = fcNone;
  }
  return result;
}
