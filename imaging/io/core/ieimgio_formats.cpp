// The per-format load and save methods of TImgIO: each wraps one codec in a
// load or save frame (ieimgio.cpp), and IEInstallFormatMethods puts them
// into the dispatch table. GIF composition is in ieimgio_gif.cpp, the
// metafile import in ieimgio_metafile.cpp.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/jpeg2000/iej2k.h"
#include "imaging/io/codecs/pcx/iepcx.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/codecs/pnm/iepxm.h"
#include "imaging/io/codecs/pspdf/iepdfwriter.h"
#include "imaging/io/codecs/pspdf/iepswriter.h"
#include "imaging/io/codecs/raw/ieraw.h"
#include "imaging/io/codecs/tga/ietga.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/codecs/tiff/ietiffwrite.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/containers/iemask.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/byteorder.h"

namespace {

using TMask = std::unique_ptr<TIEMask>;

constexpr uint8_t kAPP1 = 0xE1;
constexpr uint8_t kAPP13 = 0xED;
constexpr int32_t kHeaderBlockSize = 12;

void To24Unless1g(TIEBitmap* Bitmap) {
  const TIEPixelFormat f = Bitmap->PixelFormat();
  if (f != TIEPixelFormat::ie24RGB && f != TIEPixelFormat::ie1g) Bitmap->SetPixelFormat(TIEPixelFormat::ie24RGB);
}

TColor RGBToColor(const TRGB& C) { return static_cast<TColor>(C.r | C.g << 8 | C.b << 16); }

// ---- Stream header blocks -------------------------------------------------------------------
// 12 bytes: the magic (4 letters and a 0, read as a text ending at the first
// zero byte), 3 bytes nobody reads, the length of the data after the block
// (signed 32-bit, little-endian).

struct THeaderBlock {
  char Magic[6] = {};  // up to five characters and the terminator
  int64_t Length = 0;
};

// Reads the 12 bytes at the position; false when fewer are there.
bool ReadHeaderBlock(TStream* Stream, THeaderBlock& Block) {
  uint8_t b[kHeaderBlockSize];
  if (Stream->Read(b, kHeaderBlockSize) != kHeaderBlockSize) return false;
  size_t n = 0;
  while (n < 5 && b[n] != 0) {
    Block.Magic[n] = static_cast<char>(b[n]);
    ++n;
  }
  Block.Magic[n] = 0;
  Block.Length = static_cast<int32_t>(GetLE32(b + 8));
  return true;
}

// The data a block announces lies inside the stream (a negative length, or
// one running past the end, does not).
bool BlockFits(TStream* Stream, int64_t BlockStart, int64_t Length) {
  return Length >= 0 && BlockStart + kHeaderBlockSize + Length <= Stream->Size();
}

// Reserves the block; answers where it starts.
int64_t ReserveHeaderBlock(TStream* Stream) {
  const int64_t at = Stream->Position();
  const uint8_t zero[kHeaderBlockSize] = {};
  Stream->WriteBuffer(zero, kHeaderBlockSize);
  return at;
}

// Writes the block at BlockStart for the data written since, then returns
// to the end.
void WriteHeaderBlock(TStream* Stream, int64_t BlockStart, const char* Magic) {
  const int64_t end = Stream->Position();
  const int64_t length = end - BlockStart - kHeaderBlockSize;
  // A length the field cannot hold would be read back as something else.
  if (length > std::numeric_limits<int32_t>::max()) throw EStreamError("Stream header block too large");
  const uint32_t n = static_cast<uint32_t>(length);
  uint8_t b[kHeaderBlockSize] = {};
  std::memcpy(b, Magic, 4);
  b[8] = static_cast<uint8_t>(n);
  b[9] = static_cast<uint8_t>(n >> 8);
  b[10] = static_cast<uint8_t>(n >> 16);
  b[11] = static_cast<uint8_t>(n >> 24);
  Stream->SetPosition(BlockStart);
  Stream->WriteBuffer(b, kHeaderBlockSize);
  Stream->SetPosition(end);
}

// ---- Metadata steps of the JPEG and TIFF savers -------------------------------------------------

// Brings the EXIF fields into a shape every reader accepts. An exception ends
// the steps; the save goes on.
void NormalizeEXIF(TIOParamsVals& P, TIEBitmap* Bitmap) {
  try {
    if (P.HasEXIFData) {
      if (P.EXIFVersion.size() != 4 || StrToIntDef(P.EXIFVersion, -1) <= 9) P.EXIFVersion = "0210";
    }
    if (P.EXIFOrientation < 1 || P.EXIFOrientation > 8) P.SetEXIFOrientation(1);
    if (!(P.EXIFXResolution > 0)) P.SetEXIFXResolution(72);
    if (!(P.EXIFYResolution > 0)) P.SetEXIFYResolution(72);
    if (P.EXIFResolutionUnit <= 0) P.EXIFResolutionUnit = 2;
    if (Bitmap) {
      if (Bitmap->Width() > 0) P.EXIFImageWidth = Bitmap->Width();
      if (Bitmap->Height() > 0) P.EXIFImageHeight = Bitmap->Height();
    }
  } catch (...) {
  }
}

void ReplaceOrAddMarker(TIEMarkerList& Markers, uint8_t Code, const std::vector<uint8_t>& Payload) {
  const int32_t i = Markers.IndexOf(Code);
  const auto size = static_cast<int32_t>(Payload.size());
  if (i >= 0)
    Markers.SetMarker(i, Code, Payload.data(), size);
  else
    Markers.AddMarker(Code, Payload.data(), size);
}

// The IPTC APP13 and EXIF APP1 markers the JPEG writer writes.
void UpdateJPEGMarkers(TIOParamsVals& P) {
  if (P.IPTCInfo.Changed() || (P.IPTCInfo.Count() > 0 && P.JPEGMarkers.Count() == 0)) {
    std::vector<uint8_t> block;
    P.IPTCInfo.SaveToBuffer(block, true);
    if (!block.empty()) {
      ReplaceOrAddMarker(P.JPEGMarkers, kAPP13, block);
    } else if (const int32_t i = P.JPEGMarkers.IndexOf(kAPP13); i >= 0) {
      P.JPEGMarkers.DeleteMarker(i);
    }
  }
  if (P.HasEXIFData) {
    std::vector<uint8_t> block;
    // A failed block leaves the markers as they were rather than write an
    // empty APP1.
    if (IESaveEXIFToBlock(P, block) && !block.empty()) ReplaceOrAddMarker(P.JPEGMarkers, kAPP1, block);
  }
}

void WriteJPEG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
  UpdateJPEGMarkers(P);
  IEEncodeJPEG(Stream, Bitmap, P, Progress);
}

// The reader calls of the inline loaders, shared by their file and stream
// methods.
void DecodeICO(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
  IEDecodeICO(S, B, P, false, Pr, M, false);
}
void DecodeCUR(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
  IEDecodeCUR(S, B, P, false, Pr, M, false);
}
void DecodeTGA(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
  IEDecodeTGA(S, B, P, Pr, false, M, false);
}
void DecodePXM(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask&) {
  IEDecodePXM(S, B, P, Pr, false);
}
void DecodeWBMP(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask&) {
  IEDecodeWBMP(S, B, P, Pr, false);
}

// Loaders that leave out the view's SetDpi, and WBMP's, which also never
// resamples to square pixels.
constexpr TIELoadSteps kNoViewDpi{false, true};
constexpr TIELoadSteps kNoViewDpiNoAdjust{false, false};

// ---- Writers of a few formats -------------------------------------------------------------------

void WriteICO(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
  std::vector<TIEICOSize> sizes;
  std::vector<int32_t> bitCounts;
  for (int32_t i = 0; i < IEMaxICOImages && P.ICOSizes[static_cast<size_t>(i)].Width > 0; ++i) {
    sizes.push_back(P.ICOSizes[static_cast<size_t>(i)]);
    bitCounts.push_back(P.ICOBitCounts[static_cast<size_t>(i)]);
  }
  IEEncodeICO(Stream, Bitmap, P, Progress, sizes, bitCounts);
}

void WritePNG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
  if (IEAlphaCovers(Bitmap)) {
    TIEMask mask;
    Bitmap->AlphaChannel()->CopyToMask(&mask);
    IEEncodePNG(Stream, Bitmap, P, Progress, &mask);
  } else {
    IEEncodePNG(Stream, Bitmap, P, Progress, nullptr);
  }
}

void WriteTGA(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
  IEEncodeTGA(Stream, Bitmap, P, Progress, nullptr);
}

void WriteTIFF(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
  IEEncodeTIFF(Stream, false, Bitmap, P, Progress);
}

void WriteWBMP(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals&, TIECodecProgress& Progress) {
  IEEncodeWBMP(Stream, Bitmap, Progress);
}

// ---- Header-only reads --------------------------------------------------------------------------
// On a scratch bitmap: the readers are told not to decode pixels, and the
// working bitmap must survive one that does anyway.

template <int32_t Code>
void ReadHeaderOf(TImgIO& IO, TStream* S, TIECodecProgress& Pr) {
  TIEBitmap scratch;
  TIOParamsVals& P = IO.Params();
  TMask mask;
  int32_t count = 0;
  switch (Code) {
    case fcTIFF: IEDecodeTIFF(&scratch, S, count, &P, Pr, true, mask, true, true, false); break;
    case fcGIF: IEDecodeGIF(S, &scratch, count, P, Pr, true, mask, true); break;
    case fcJPEG: IEDecodeJPEG(S, nullptr, &scratch, P, Pr, true, false, true, false, true); break;
    case fcPCX: IEDecodePCX(S, &scratch, P, S->Size(), Pr, true); break;
    case fcBMP: {
      const auto size = static_cast<int32_t>(std::min<int64_t>(S->Size(), std::numeric_limits<int32_t>::max()));
      IEDecodeBMP(S, &scratch, size, P, Pr, true, false, mask, true);
      break;
    }
    case fcICO: IEDecodeICO(S, &scratch, P, true, Pr, mask, true); break;
    case fcCUR: IEDecodeCUR(S, &scratch, P, true, Pr, mask, true); break;
    case fcPNG: IEDecodePNG(S, &scratch, P, Pr, true, mask, true); break;
    case fcTGA: IEDecodeTGA(S, &scratch, P, Pr, true, mask, true); break;
    case fcPXM: IEDecodePXM(S, &scratch, P, Pr, true); break;
    case fcJP2:
    case fcJ2K: IEDecodeJ2000(S, &scratch, P, Pr, true); break;
    case fcWBMP: IEDecodeWBMP(S, &scratch, P, Pr, true); break;
    case fcDCX: IEDecodeDCX(S, &scratch, P, Pr, true); break;
    case fcRAW: IEDecodeRAW(S, &scratch, P, Pr, true); break;
    default: break;
  }
}

}  // namespace

// ---- TIFF ---------------------------------------------------------------------------------------

int32_t TImgIO::ReadTIFF(TStream* Stream, bool WithHeader, const String& FileName) {
  int32_t pages = 0;
  ReadColumn(FileName, fcTIFF, TIELoadSteps(), [&](TIECodecProgress& Progress, TMask& Mask) {
    const int64_t at = Stream->Position();
    THeaderBlock block;
    if (WithHeader) {
      if (!ReadHeaderBlock(Stream, block) || std::strcmp(block.Magic, "TIFF") != 0 ||
          !BlockFits(Stream, at, block.Length)) {
        AbortFlag = true;
        return false;
      }
    }
    // The writer counts the offsets from the start of the stream, the block
    // included.
    IEDecodeTIFF(FIEBitmap, Stream, pages, FParams.get(), Progress, false, Mask, !WithHeader, false, false);
    if (WithHeader) Stream->SetPosition(at + kHeaderBlockSize + block.Length);
    return true;
  });
  return pages;
}

int32_t TImgIO::LoadTIFFFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadTIFFFile(FileName); })) return -1;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return ReadTIFF(&stream, false, FileName);
}

int32_t TImgIO::LoadTIFFStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadTIFFStream(Stream); })) return -1;
  return ReadTIFF(Stream, StreamHeaders, String());
}

void TImgIO::SaveTIFFFile(const String& FileName) {
  NormalizeEXIF(*FParams, FIEBitmap);
  SaveFileFrame(FileName, nullptr, WriteTIFF, [this, FileName] { SaveTIFFFile(FileName); });
}

void TImgIO::SaveTIFFStream(TStream* Stream) {
  SaveStreamFrame(
      Stream, nullptr,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr) {
        if (!StreamHeaders) {
          WriteTIFF(S, B, P, Pr);
          return;
        }
        const int64_t at = ReserveHeaderBlock(S);
        WriteTIFF(S, B, P, Pr);
        WriteHeaderBlock(S, at, "TIFF");
      },
      [this, Stream] { SaveTIFFStream(Stream); });
}

int32_t TImgIO::InsertTIFFFile(const String& FileName) {
  if (AsyncGate([this, FileName] { InsertTIFFFile(FileName); })) return -1;
  AbortFlag = true;
  int32_t pages = 0;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    To24Unless1g(FIEBitmap);
    // The page goes into a copy, renamed over the original only when the
    // writer succeeded: a failure never leaves a half-rewritten file. The
    // original is opened for writing too, so a file the user may not
    // change is refused as before.
    TFileStream original(FileName, fmOpenReadWrite | fmShareDenyWrite);
    TSafeFileWriter copy(FileName);
    TStream& work = copy.Stream();
    if (original.Size() > 0) work.CopyFrom(&original, 0);
    work.SetPosition(0);
    AbortFlag = false;
    TIECodecProgress progress = MakeProgress();
    pages = IEEncodeTIFF(&work, true, FIEBitmap, *FParams, progress);
    if (!AbortFlag) copy.Commit(true);
  });
  return pages;
}

// ---- GIF (loaders in ieimgio_gif.cpp) -------------------------------------------------------------

int32_t TImgIO::LoadGIFFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadGIFFile(FileName); })) return -1;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return ReadGIF(&stream, FileName);
}

int32_t TImgIO::LoadGIFStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadGIFStream(Stream); })) return -1;
  return ReadGIF(Stream, String());
}

void TImgIO::SaveGIFFile(const String& FileName) {
  if (AsyncGate([this, FileName] { SaveGIFFile(FileName); })) return;
  AbortFlag = false;
  Framed([&] {
    // Nothing written is no success.
    if (!PrepareBitmap({})) {
      AbortFlag = true;
      return;
    }
    TIECodecProgress progress = MakeProgress();
    // The writer goes through a temporary file itself.
    IEEncodeGIFFile(FileName, FIEBitmap, *FParams, progress);
  });
}

void TImgIO::SaveGIFStream(TStream* Stream) {
  SaveStreamFrame(Stream, nullptr, IEEncodeGIF, [this, Stream] { SaveGIFStream(Stream); });
}

// ---- JPEG ---------------------------------------------------------------------------------------

void TImgIO::LoadJPEGFile(const String& FileName) {
  LoadFileFrame(
      FileName, fcJPEG,
      [](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask&) {
        IEDecodeJPEG(S, nullptr, B, P, Pr, false, false, true, false, true);
      },
      [this, FileName] { LoadJPEGFile(FileName); });
}

void TImgIO::LoadJPEGStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcJPEG,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask&) {
        // A "JFIF" block is recognised whatever StreamHeaders says.
        const int64_t at = S->Position();
        THeaderBlock block;
        const bool withBlock = ReadHeaderBlock(S, block) && std::strcmp(block.Magic, "JFIF") == 0;
        if (!withBlock) {
          S->SetPosition(at);
        } else if (!BlockFits(S, at, block.Length)) {
          AbortFlag = true;
          return;
        }
        IEDecodeJPEG(S, nullptr, B, P, Pr, false, false, true, false, true);
        if (withBlock) S->SetPosition(at + kHeaderBlockSize + block.Length);
      },
      [this, Stream] { LoadJPEGStream(Stream); });
}

void TImgIO::SaveJPEGFile(const String& FileName) {
  NormalizeEXIF(*FParams, FIEBitmap);
  SaveFileFrame(FileName, To24Unless1g, WriteJPEG, [this, FileName] { SaveJPEGFile(FileName); });
}

void TImgIO::SaveJPEGStream(TStream* Stream) {
  SaveStreamFrame(
      Stream, To24Unless1g,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr) {
        if (!StreamHeaders) {
          WriteJPEG(S, B, P, Pr);
          return;
        }
        const int64_t at = ReserveHeaderBlock(S);
        WriteJPEG(S, B, P, Pr);
        WriteHeaderBlock(S, at, "JFIF");
      },
      [this, Stream] { SaveJPEGStream(Stream); });
}

// ---- PCX ----------------------------------------------------------------------------------------

void TImgIO::ReadPCX(TStream* Stream, bool WithHeader, const String& FileName) {
  ReadColumn(FileName, fcPCX, TIELoadSteps(), [&](TIECodecProgress& Progress, TMask&) {
    const int64_t at = Stream->Position();
    int64_t size = Stream->Size();
    bool sized = false;
    THeaderBlock block;
    if (WithHeader) {
      if (!ReadHeaderBlock(Stream, block) || std::strncmp(block.Magic, "PCX", 3) != 0) {
        AbortFlag = true;
        return false;
      }
      if (std::strcmp(block.Magic, "PCX2") == 0) {
        if (!BlockFits(Stream, at, block.Length)) {
          AbortFlag = true;
          return false;
        }
        size = block.Length;
        sized = true;
      } else {
        // The older 4-byte header: the image follows it and the reader is
        // bounded by the bytes the stream holds.
        Stream->SetPosition(at + 4);
      }
    }
    IEDecodePCX(Stream, FIEBitmap, *FParams, size, Progress, false);
    if (sized) Stream->SetPosition(at + kHeaderBlockSize + block.Length);
    return true;
  });
}

void TImgIO::LoadPCXFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadPCXFile(FileName); })) return;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  ReadPCX(&stream, false, FileName);
}

void TImgIO::LoadPCXStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadPCXStream(Stream); })) return;
  ReadPCX(Stream, StreamHeaders, String());
}

void TImgIO::SavePCXFile(const String& FileName) {
  SaveFileFrame(FileName, To24Unless1g, IEEncodePCX, [this, FileName] { SavePCXFile(FileName); });
}

void TImgIO::SavePCXStream(TStream* Stream) {
  SaveStreamFrame(
      Stream, To24Unless1g,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr) {
        if (!StreamHeaders) {
          IEEncodePCX(S, B, P, Pr);
          return;
        }
        const int64_t at = ReserveHeaderBlock(S);
        IEEncodePCX(S, B, P, Pr);
        // A failed image leaves the reserved bytes without a length.
        if (!AbortFlag) WriteHeaderBlock(S, at, "PCX2");
      },
      [this, Stream] { SavePCXStream(Stream); });
}

// ---- BMP ----------------------------------------------------------------------------------------

void TImgIO::ReadBMP(TStream* Stream, const String& FileName) {
  ReadColumn(FileName, fcBMP, TIELoadSteps(), [&](TIECodecProgress& Progress, TMask& Mask) {
    IEDecodeBMP(Stream, FIEBitmap, 0, *FParams, Progress, false, false, Mask, false);
    return true;
  });
}

void TImgIO::LoadBMPFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadBMPFile(FileName); })) return;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  ReadBMP(&stream, FileName);
}

void TImgIO::LoadBMPStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadBMPStream(Stream); })) return;
  ReadBMP(Stream, String());
}

void TImgIO::WorkerWrite(TStream* Stream, TSafeFileWriter* File, const TIEFrameConvert& Convert,
                         const TIEFrameWrite& Write) {
  AbortFlag = false;
  Framed([&] {
    if (!PrepareBitmap({})) {
      if (File) AbortFlag = true;  // no file was written
      return;
    }
    if (Convert) Convert(FIEBitmap);
    TIECodecProgress progress = MakeProgress();
    Write(Stream, FIEBitmap, *FParams, progress);
    if (File && !AbortFlag) File->Commit(true);
  });
}

void TImgIO::WriteBMP(TStream* Stream, TSafeFileWriter* File) { WorkerWrite(Stream, File, nullptr, IEEncodeBMP); }

void TImgIO::SaveBMPFile(const String& FileName) {
  if (AsyncGate([this, FileName] { SaveBMPFile(FileName); })) return;
  AbortFlag = true;
  TSafeFileWriter file(FileName);
  WriteBMP(&file.Stream(), &file);
}

void TImgIO::SaveBMPStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { SaveBMPStream(Stream); })) return;
  WriteBMP(Stream, nullptr);
}

// ---- Icons and cursors ------------------------------------------------------------------------

void TImgIO::LoadICOFile(const String& FileName) {
  LoadFileFrame(FileName, fcICO, DecodeICO, [this, FileName] { LoadICOFile(FileName); });
}

void TImgIO::LoadICOStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcICO, DecodeICO, [this, Stream] { LoadICOStream(Stream); }, kNoViewDpi);
}

void TImgIO::SaveICOFile(const String& FileName) {
  SaveFileFrame(FileName, To24Unless1g, WriteICO, [this, FileName] { SaveICOFile(FileName); });
}

void TImgIO::SaveICOStream(TStream* Stream) {
  SaveStreamFrame(Stream, To24Unless1g, WriteICO, [this, Stream] { SaveICOStream(Stream); });
}

void TImgIO::LoadCURFile(const String& FileName) {
  LoadFileFrame(FileName, fcCUR, DecodeCUR, [this, FileName] { LoadCURFile(FileName); });
}

void TImgIO::LoadCURStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcCUR, DecodeCUR, [this, Stream] { LoadCURStream(Stream); }, kNoViewDpi);
}

// ---- PNG ----------------------------------------------------------------------------------------

void TImgIO::LoadPNGFile(const String& FileName) {
  LoadFileFrame(
      FileName, fcPNG,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
        // A file without a background chunk keeps the component's.
        P.PNGBackground = ColorToTRGB(GetBackground());
        IEDecodePNG(S, B, P, Pr, false, M, false);
        SetBackground(RGBToColor(P.PNGBackground));
      },
      [this, FileName] { LoadPNGFile(FileName); });
}

void TImgIO::LoadPNGStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcPNG,
      [this](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, TMask& M) {
        IEDecodePNG(S, B, P, Pr, false, M, false);
        SetBackground(RGBToColor(P.PNGBackground));
      },
      [this, Stream] { LoadPNGStream(Stream); });
}

void TImgIO::SavePNGFile(const String& FileName) {
  SaveFileFrame(FileName, nullptr, WritePNG, [this, FileName] { SavePNGFile(FileName); });
}

void TImgIO::SavePNGStream(TStream* Stream) {
  SaveStreamFrame(Stream, nullptr, WritePNG, [this, Stream] { SavePNGStream(Stream); });
}

// ---- TGA ----------------------------------------------------------------------------------------

void TImgIO::LoadTGAFile(const String& FileName) {
  LoadFileFrame(FileName, fcTGA, DecodeTGA, [this, FileName] { LoadTGAFile(FileName); });
}

void TImgIO::LoadTGAStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcTGA, DecodeTGA, [this, Stream] { LoadTGAStream(Stream); }, kNoViewDpi);
}

void TImgIO::SaveTGAFile(const String& FileName) {
  SaveFileFrame(FileName, To24Unless1g, WriteTGA, [this, FileName] { SaveTGAFile(FileName); });
}

void TImgIO::SaveTGAStream(TStream* Stream) {
  SaveStreamFrame(Stream, To24Unless1g, WriteTGA, [this, Stream] { SaveTGAStream(Stream); });
}

// ---- PBM, PGM, PPM and WBMP ----------------------------------------------------------------------

void TImgIO::LoadPXMFile(const String& FileName) {
  LoadFileFrame(
      FileName, fcPXM, DecodePXM, [this, FileName] { LoadPXMFile(FileName); }, kNoViewDpi);
}

void TImgIO::LoadPXMStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcPXM, DecodePXM, [this, Stream] { LoadPXMStream(Stream); }, kNoViewDpi);
}

void TImgIO::SavePXMFile(const String& FileName) {
  SaveFileFrame(
      FileName,
      [](TIEBitmap* B) {
        if (B->PixelFormat() != TIEPixelFormat::ieRGB48) To24Unless1g(B);
      },
      IEEncodePXM, [this, FileName] { SavePXMFile(FileName); });
}

void TImgIO::SavePXMStream(TStream* Stream) {
  SaveStreamFrame(Stream, To24Unless1g, IEEncodePXM, [this, Stream] { SavePXMStream(Stream); });
}

void TImgIO::LoadWBMPFile(const String& FileName) {
  LoadFileFrame(
      FileName, fcWBMP, DecodeWBMP, [this, FileName] { LoadWBMPFile(FileName); }, kNoViewDpiNoAdjust);
}

void TImgIO::LoadWBMPStream(TStream* Stream) {
  LoadStreamFrame(
      Stream, fcWBMP, DecodeWBMP, [this, Stream] { LoadWBMPStream(Stream); }, kNoViewDpiNoAdjust);
}

void TImgIO::SaveWBMPFile(const String& FileName) {
  SaveFileFrame(FileName, To24Unless1g, WriteWBMP, [this, FileName] { SaveWBMPFile(FileName); });
}

void TImgIO::SaveWBMPStream(TStream* Stream) {
  SaveStreamFrame(Stream, To24Unless1g, WriteWBMP, [this, Stream] { SaveWBMPStream(Stream); });
}

// ---- JPEG 2000 ----------------------------------------------------------------------------------

void TImgIO::ReadJ2000(TStream* Stream, TIECodecProgress& Progress) {
  IEDecodeJ2000(Stream, FIEBitmap, *FParams, Progress, false);
}

TIEFrameRead TImgIO::ReadJ2000Frame() {
  return [this](TStream* S, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Pr, TMask&) { ReadJ2000(S, Pr); };
}

void TImgIO::J2000Loaded(bool Here, int32_t FileType) {
  // Without a working bitmap the frame stopped early; the type is set anyway.
  if (Here && !FIEBitmap) {
    FParams->FileType = FileType;
    UpdateAttached();
  }
}

void TImgIO::WriteJ2000(TStream* Stream, TIECodecProgress& Progress, int32_t Format) {
  To24Unless1g(FIEBitmap);
  IEEncodeJ2000(Stream, FIEBitmap, *FParams, Progress, Format);
}

void TImgIO::LoadJP2File(const String& FileName) {
  J2000Loaded(LoadFileFrame(FileName, fcJP2, ReadJ2000Frame(), [this, FileName] { LoadJP2File(FileName); }), fcJP2);
}

void TImgIO::LoadJP2Stream(TStream* Stream) {
  J2000Loaded(LoadStreamFrame(Stream, fcJP2, ReadJ2000Frame(), [this, Stream] { LoadJP2Stream(Stream); }), fcJP2);
}

void TImgIO::LoadJ2KFile(const String& FileName) {
  J2000Loaded(LoadFileFrame(FileName, fcJ2K, ReadJ2000Frame(), [this, FileName] { LoadJ2KFile(FileName); }), fcJ2K);
}

void TImgIO::LoadJ2KStream(TStream* Stream) {
  J2000Loaded(LoadStreamFrame(Stream, fcJ2K, ReadJ2000Frame(), [this, Stream] { LoadJ2KStream(Stream); }), fcJ2K);
}

void TImgIO::SaveJP2File(const String& FileName) {
  SaveFileFrame(
      FileName, nullptr, [this](TStream* S, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Pr) { WriteJ2000(S, Pr, 0); },
      [this, FileName] { SaveJP2File(FileName); });
}

void TImgIO::SaveJP2Stream(TStream* Stream) {
  SaveStreamFrame(
      Stream, nullptr, [this](TStream* S, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Pr) { WriteJ2000(S, Pr, 0); },
      [this, Stream] { SaveJP2Stream(Stream); });
}

void TImgIO::SaveJ2KFile(const String& FileName) {
  SaveFileFrame(
      FileName, nullptr, [this](TStream* S, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Pr) { WriteJ2000(S, Pr, 1); },
      [this, FileName] { SaveJ2KFile(FileName); });
}

void TImgIO::SaveJ2KStream(TStream* Stream) {
  SaveStreamFrame(
      Stream, nullptr, [this](TStream* S, TIEBitmap*, TIOParamsVals&, TIECodecProgress& Pr) { WriteJ2000(S, Pr, 1); },
      [this, Stream] { SaveJ2KStream(Stream); });
}

// ---- PostScript and PDF: one complete one-page document per call ------------------------------------

void TImgIO::WritePSPage(TStream* Stream, TSafeFileWriter* File) {
  WorkerWrite(Stream, File, To24Unless1g, IEEncodePSPage);
}

void TImgIO::WritePDFPage(TStream* Stream, TSafeFileWriter* File) {
  WorkerWrite(Stream, File, To24Unless1g, IEEncodePDFPage);
}

void TImgIO::SavePSFile(const String& FileName) {
  if (AsyncGate([this, FileName] { SavePSFile(FileName); })) return;
  TSafeFileWriter file(FileName);
  WritePSPage(&file.Stream(), &file);
}

void TImgIO::SavePSStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { SavePSStream(Stream); })) return;
  WritePSPage(Stream, nullptr);
}

void TImgIO::SavePDFFile(const String& FileName) {
  if (AsyncGate([this, FileName] { SavePDFFile(FileName); })) return;
  TSafeFileWriter file(FileName);
  WritePDFPage(&file.Stream(), &file);
}

void TImgIO::SavePDFStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { SavePDFStream(Stream); })) return;
  WritePDFPage(Stream, nullptr);
}

// ---- DCX: one page ------------------------------------------------------------------------------

void TImgIO::ReadDCX(TStream* Stream, const String& FileName) {
  ReadColumn(FileName, fcDCX, TIELoadSteps(), [&](TIECodecProgress& Progress, TMask&) {
    IEDecodeDCX(Stream, FIEBitmap, *FParams, Progress, false);
    return true;
  });
}

void TImgIO::LoadDCXFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadDCXFile(FileName); })) return;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  ReadDCX(&stream, FileName);
}

void TImgIO::LoadDCXStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadDCXStream(Stream); })) return;
  ReadDCX(Stream, String());
}

void TImgIO::WriteDCX(TStream* Stream, TSafeFileWriter* File) { WorkerWrite(Stream, File, nullptr, IEEncodeDCX); }

void TImgIO::SaveDCXFile(const String& FileName) {
  if (AsyncGate([this, FileName] { SaveDCXFile(FileName); })) return;
  AbortFlag = true;
  TSafeFileWriter file(FileName);
  WriteDCX(&file.Stream(), &file);
}

void TImgIO::SaveDCXStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { SaveDCXStream(Stream); })) return;
  // The writer inserts into the container the stream holds: emptied first,
  // the result holds this one page.
  Stream->SetSize(0);
  Stream->SetPosition(0);
  WriteDCX(Stream, nullptr);
}

// ---- Camera RAW ---------------------------------------------------------------------------------

void TImgIO::ReadRAW(TStream* Stream, const String& FileName) {
  ReadColumn(FileName, fcRAW, TIELoadSteps(), [&](TIECodecProgress& Progress, TMask&) {
    IEDecodeRAW(Stream, FIEBitmap, *FParams, Progress, false);
    return true;
  });
}

void TImgIO::LoadRAWFile(const String& FileName) {
  if (AsyncGate([this, FileName] { LoadRAWFile(FileName); })) return;
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  ReadRAW(&stream, FileName);
}

void TImgIO::LoadRAWStream(TStream* Stream) {
  if (AsyncGate([this, Stream] { LoadRAWStream(Stream); })) return;
  ReadRAW(Stream, String());
}

// ---- Dispatch table -------------------------------------------------------------------------

void IEInstallFormatMethods() {
  TIEFormatMethods* m = &IEFormatMethods(fcTIFF);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadTIFFFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadTIFFStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveTIFFFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveTIFFStream(S); };
  m->ReadHeader = ReadHeaderOf<fcTIFF>;

  m = &IEFormatMethods(fcGIF);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadGIFFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadGIFStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveGIFFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveGIFStream(S); };
  m->ReadHeader = ReadHeaderOf<fcGIF>;

  m = &IEFormatMethods(fcJPEG);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadJPEGFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadJPEGStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveJPEGFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveJPEGStream(S); };
  m->ReadHeader = ReadHeaderOf<fcJPEG>;

  m = &IEFormatMethods(fcPCX);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadPCXFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadPCXStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SavePCXFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SavePCXStream(S); };
  m->ReadHeader = ReadHeaderOf<fcPCX>;

  m = &IEFormatMethods(fcBMP);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadBMPFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadBMPStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveBMPFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveBMPStream(S); };
  m->ReadHeader = ReadHeaderOf<fcBMP>;

  m = &IEFormatMethods(fcICO);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadICOFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadICOStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveICOFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveICOStream(S); };
  m->ReadHeader = ReadHeaderOf<fcICO>;

  m = &IEFormatMethods(fcCUR);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadCURFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadCURStream(S); };
  m->ReadHeader = ReadHeaderOf<fcCUR>;

  m = &IEFormatMethods(fcPNG);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadPNGFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadPNGStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SavePNGFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SavePNGStream(S); };
  m->ReadHeader = ReadHeaderOf<fcPNG>;

  // Metafiles load at their own size with alpha where nothing is drawn.
  IEFormatMethods(fcWMF).LoadFile = [](TImgIO& IO, const String& N) { IO.ImportMetafile(N, -1, -1, true); };
  IEFormatMethods(fcEMF).LoadFile = [](TImgIO& IO, const String& N) { IO.ImportMetafile(N, -1, -1, true); };

  m = &IEFormatMethods(fcTGA);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadTGAFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadTGAStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveTGAFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveTGAStream(S); };
  m->ReadHeader = ReadHeaderOf<fcTGA>;

  m = &IEFormatMethods(fcPXM);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadPXMFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadPXMStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SavePXMFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SavePXMStream(S); };
  m->ReadHeader = ReadHeaderOf<fcPXM>;

  m = &IEFormatMethods(fcJP2);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadJP2File(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadJP2Stream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveJP2File(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveJP2Stream(S); };
  m->ReadHeader = ReadHeaderOf<fcJP2>;

  m = &IEFormatMethods(fcJ2K);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadJ2KFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadJ2KStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveJ2KFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveJ2KStream(S); };
  m->ReadHeader = ReadHeaderOf<fcJ2K>;

  m = &IEFormatMethods(fcWBMP);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadWBMPFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadWBMPStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveWBMPFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveWBMPStream(S); };
  m->ReadHeader = ReadHeaderOf<fcWBMP>;

  m = &IEFormatMethods(fcPS);
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SavePSFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SavePSStream(S); };

  m = &IEFormatMethods(fcPDF);
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SavePDFFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SavePDFStream(S); };

  m = &IEFormatMethods(fcDCX);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadDCXFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadDCXStream(S); };
  m->SaveFile = [](TImgIO& IO, const String& N) { IO.SaveDCXFile(N); };
  m->SaveStream = [](TImgIO& IO, TStream* S) { IO.SaveDCXStream(S); };
  m->ReadHeader = ReadHeaderOf<fcDCX>;

  m = &IEFormatMethods(fcRAW);
  m->LoadFile = [](TImgIO& IO, const String& N) { IO.LoadRAWFile(N); };
  m->LoadStream = [](TImgIO& IO, TStream* S) { IO.LoadRAWStream(S); };
  m->ReadHeader = ReadHeaderOf<fcRAW>;
}
