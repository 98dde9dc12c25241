#include "imaging/io/codecs/tiff/ietiffwrite.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/tiff/ieccitt.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieannot.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieprogress.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

enum : uint16_t {
  kBYTE = 1,
  kASCII = 2,
  kSHORT = 3,
  kLONG = 4,
  kRATIONAL = 5,
  kUNDEFINED = 7,
  kSRATIONAL = 10,
};

// Bytes of one value of a field type; 0 for types no table lists.
int64_t TypeSize(uint32_t Type) {
  static constexpr int64_t sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return Type < 13 ? sizes[Type] : 0;
}

struct TEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {0, 0, 0, 0};
};
using TEntries = std::vector<TEntry>;

// The page's layout as derived from Params and the working image.
enum class TRowKind : uint8_t { Bilevel, OneSample, CMYK, CIELab, RGB, RGB48 };

class TTIFFWriter {
 public:
  TTIFFWriter(TStream* Stream, TIECodecProgress& Progress) : S(Stream), P(Progress) {}

  bool Aborted() const { return Aborting || P.AbortFlag->load(); }

  void Write(const void* Data, int64_t Count) {
    const auto* p = static_cast<const uint8_t*>(Data);
    while (Count > 0 && !Aborting) {
      const auto n = static_cast<int32_t>(std::min<int64_t>(Count, 1 << 30));
      IEStreamWriteChecked(S, Aborting, p, n);
      p += n;
      Count -= n;
    }
    if (Aborting) P.AbortFlag->store(true);
  }

  // The current position as a 32-bit offset; a position TIFF cannot address
  // stops the write.
  uint32_t Offset() {
    const int64_t pos = S->Position();
    if (pos < 0 || pos > int64_t(std::numeric_limits<uint32_t>::max())) Fail();
    return static_cast<uint32_t>(pos);
  }

  void PadEven() {
    if (S->Position() & 1) {
      const uint8_t zero = 0;
      Write(&zero, 1);
    }
  }

  void Fail() {
    Aborting = true;
    P.AbortFlag->store(true);
  }

  // An entry whose Size bytes of values sit in the entry when they fit, else
  // at the next even position of the stream.
  void Add(TEntries& List, uint16_t Tag, uint16_t Type, uint32_t Count, const void* Data, int64_t Size) {
    TEntry e;
    e.Tag = Tag;
    e.Type = Type;
    e.Count = Count;
    if (Size <= 4) {
      if (Size > 0) std::memcpy(e.Value, Data, static_cast<size_t>(Size));
    } else {
      PadEven();
      PutLE32(e.Value, Offset());
      Write(Data, Size);
    }
    List.push_back(e);
  }
  void AddShorts(TEntries& List, uint16_t Tag, const std::vector<uint32_t>& Values) {
    std::vector<uint8_t> b(Values.size() * 2);
    for (size_t i = 0; i < Values.size(); ++i) PutLE16(&b[2 * i], Values[i]);
    Add(List, Tag, kSHORT, static_cast<uint32_t>(Values.size()), b.data(), int64_t(b.size()));
  }
  void AddShort(TEntries& List, uint16_t Tag, int32_t Value) {
    AddShorts(List, Tag, {static_cast<uint32_t>(Value) & 0xFFFF});
  }
  void AddLongs(TEntries& List, uint16_t Tag, const std::vector<uint32_t>& Values) {
    std::vector<uint8_t> b(Values.size() * 4);
    for (size_t i = 0; i < Values.size(); ++i) PutLE32(&b[4 * i], Values[i]);
    Add(List, Tag, kLONG, static_cast<uint32_t>(Values.size()), b.data(), int64_t(b.size()));
  }
  void AddLong(TEntries& List, uint16_t Tag, uint32_t Value) { AddLongs(List, Tag, {Value}); }
  // Numerator and denominator pairs.
  void AddRationalPairs(TEntries& List, uint16_t Tag, uint16_t Type, const std::vector<int64_t>& Pairs) {
    std::vector<uint8_t> b(Pairs.size() * 4);
    for (size_t i = 0; i < Pairs.size(); ++i) PutLE32(&b[4 * i], static_cast<uint32_t>(Pairs[i]));
    Add(List, Tag, Type, static_cast<uint32_t>(Pairs.size() / 2), b.data(), int64_t(b.size()));
  }
  void AddReals(TEntries& List, uint16_t Tag, const double* Values, size_t Count, uint16_t Type = kRATIONAL) {
    std::vector<int64_t> pairs;
    for (size_t i = 0; i < Count; ++i) {
      int32_t n = 0, d = 1;
      IEDoubleToRational(Values[i], n, d);
      pairs.push_back(n);
      pairs.push_back(d);
    }
    AddRationalPairs(List, Tag, Type, pairs);
  }
  void AddReal(TEntries& List, uint16_t Tag, double Value, uint16_t Type = kRATIONAL) {
    AddReals(List, Tag, &Value, 1, Type);
  }
  // ASCII with its closing NUL; nothing for an empty text.
  void AddAscii(TEntries& List, uint16_t Tag, const String& Text) {
    if (Text.empty()) return;
    std::vector<uint8_t> b(Text.begin(), Text.end());
    b.push_back(0);
    Add(List, Tag, kASCII, static_cast<uint32_t>(b.size()), b.data(), int64_t(b.size()));
  }
  void AddBytes(TEntries& List, uint16_t Tag, uint16_t Type, const void* Data, int64_t Size) {
    if (Size > int64_t(std::numeric_limits<uint32_t>::max())) {
      Fail();
      return;
    }
    Add(List, Tag, Type, static_cast<uint32_t>(Size), Data, Size);
  }

  // The IFD at the current position (even by now): count, entries by tag,
  // next offset.
  void WriteIFD(TEntries& List, uint32_t Next) {
    std::stable_sort(List.begin(), List.end(), [](const TEntry& a, const TEntry& b) { return a.Tag < b.Tag; });
    std::vector<uint8_t> b(2 + 12 * List.size() + 4);
    PutLE16(b.data(), static_cast<uint32_t>(List.size()));
    uint8_t* q = b.data() + 2;
    for (const TEntry& e : List) {
      PutLE16(q, e.Tag);
      PutLE16(q + 2, e.Type);
      PutLE32(q + 4, e.Count);
      std::memcpy(q + 8, e.Value, 4);
      q += 12;
    }
    PutLE32(q, Next);
    Write(b.data(), int64_t(b.size()));
  }

  TStream* S;
  TIECodecProgress& P;
  bool Aborting = false;
};

void AddWide(TTIFFWriter& W, TEntries& List, uint16_t Tag, const WideString& Text) {
  if (Text.empty()) return;
  std::vector<uint8_t> b(2 * Text.size() + 2, 0);
  for (size_t i = 0; i < Text.size(); ++i) PutLE16(&b[2 * i], Text[i]);
  W.AddBytes(List, Tag, kBYTE, b.data(), int64_t(b.size()));
}

// The maker-note block at the current position, its out-of-line offsets
// made file positions. Entries of unknown types (no size) and entries whose
// values do not lie inside the block keep their bytes.
void AddMakerNote(TTIFFWriter& W, TEntries& List, TIOParamsVals& Params) {
  TMemoryStream* block = Params.EXIFMakerNote.Data();
  const int64_t size = block->Size();
  if (size < 12) return;
  std::vector<uint8_t> copy(static_cast<size_t>(size));
  std::memcpy(copy.data(), block->Memory(), copy.size());
  W.PadEven();
  const int64_t base = W.S->Position();
  const int64_t n = std::min<int64_t>(GetLE16(copy.data()), (size - 2) / 12);
  for (int64_t i = 0; i < n; ++i) {
    uint8_t* e = copy.data() + 2 + 12 * i;
    const int64_t bytes = int64_t(GetLE32(e + 4)) * TypeSize(GetLE16(e + 2));
    if (bytes <= 4) continue;
    const int64_t offset = GetLE32(e + 8);
    if (offset + bytes > size) continue;
    const int64_t rebased = base + offset;
    if (rebased > int64_t(std::numeric_limits<uint32_t>::max())) continue;
    PutLE32(e + 8, static_cast<uint32_t>(rebased));
  }
  W.AddBytes(List, 37500, kUNDEFINED, copy.data(), size);
}

// The EXIF fields: the main-IFD ones into Main, the sub-IFD written here
// and linked from Main.
void WriteEXIF(TTIFFWriter& W, TEntries& Main, TIOParamsVals& p) {
  W.AddAscii(Main, 270, p.EXIFImageDescription);
  if (p.EXIFXResolution != 0 && std::isfinite(p.EXIFXResolution))
    W.AddRationalPairs(Main, 282, kRATIONAL, {static_cast<int64_t>(std::trunc(p.EXIFXResolution)), 1});
  if (p.EXIFYResolution != 0 && std::isfinite(p.EXIFYResolution))
    W.AddRationalPairs(Main, 283, kRATIONAL, {static_cast<int64_t>(std::trunc(p.EXIFYResolution)), 1});
  W.AddShort(Main, 274, p.TIFFOrientation);
  W.AddShort(Main, 296, 2);
  W.AddAscii(Main, 305, p.EXIFSoftware);
  AddWide(W, Main, 40091, p.EXIFXPTitle);
  AddWide(W, Main, 40092, p.EXIFXPComment);
  AddWide(W, Main, 40093, p.EXIFXPAuthor);
  AddWide(W, Main, 40094, p.EXIFXPKeywords);
  AddWide(W, Main, 40095, p.EXIFXPSubject);
  W.AddAscii(Main, 315, p.EXIFArtist);
  W.AddAscii(Main, 271, p.EXIFMake);
  W.AddAscii(Main, 272, p.EXIFModel);
  W.AddAscii(Main, 306, p.EXIFDateTime);
  W.AddReals(Main, 318, p.EXIFWhitePoint.data(), p.EXIFWhitePoint.size());
  W.AddShort(Main, 531, p.EXIFYCbCrPositioning);
  W.AddReals(Main, 319, p.EXIFPrimaryChromaticities.data(), p.EXIFPrimaryChromaticities.size());
  W.AddReals(Main, 529, p.EXIFYCbCrCoefficients.data(), p.EXIFYCbCrCoefficients.size());
  W.AddReals(Main, 532, p.EXIFReferenceBlackWhite.data(), p.EXIFReferenceBlackWhite.size());
  W.AddAscii(Main, 33432, p.EXIFCopyright);

  TEntries sub;
  W.AddReal(sub, 33434, p.EXIFExposureTime);
  W.AddReal(sub, 33437, p.EXIFFNumber);
  W.AddShort(sub, 34850, p.EXIFExposureProgram);
  W.AddShorts(sub, 34855, {uint32_t(p.EXIFISOSpeedRatings[0]) & 0xFFFF, uint32_t(p.EXIFISOSpeedRatings[1]) & 0xFFFF});
  // Written also when empty (count 0); longer than 4 bytes it goes out of line.
  W.AddBytes(sub, 36864, kUNDEFINED, p.EXIFVersion.data(), int64_t(p.EXIFVersion.size()));
  W.AddAscii(sub, 36867, p.EXIFDateTimeOriginal);
  W.AddAscii(sub, 36868, p.EXIFDateTimeDigitized);
  W.AddReal(sub, 37122, p.EXIFCompressedBitsPerPixel);
  // The signed ones of the standard are written signed, so that other
  // readers see a negative value as negative.
  W.AddReal(sub, 37377, p.EXIFShutterSpeedValue, kSRATIONAL);
  W.AddReal(sub, 37378, p.EXIFApertureValue);
  W.AddReal(sub, 37379, p.EXIFBrightnessValue, kSRATIONAL);
  W.AddReal(sub, 37380, p.EXIFExposureBiasValue, kSRATIONAL);
  W.AddReal(sub, 37381, p.EXIFMaxApertureValue);
  W.AddReal(sub, 37382, p.EXIFSubjectDistance);
  W.AddShort(sub, 37383, p.EXIFMeteringMode);
  W.AddShort(sub, 37384, p.EXIFLightSource);
  W.AddShort(sub, 37385, p.EXIFFlash);
  W.AddReal(sub, 37386, p.EXIFFocalLength);
  W.AddAscii(sub, 37520, p.EXIFSubsecTime);
  W.AddAscii(sub, 37521, p.EXIFSubsecTimeOriginal);
  W.AddAscii(sub, 37522, p.EXIFSubsecTimeDigitized);
  if (!p.EXIFFlashPixVersion.empty())
    W.AddBytes(sub, 40960, kUNDEFINED, p.EXIFFlashPixVersion.data(), int64_t(p.EXIFFlashPixVersion.size()));
  W.AddShort(sub, 40961, p.EXIFColorSpace);
  // Sizes from 65536 on do not fit a SHORT; LONG keeps them whole.
  for (const auto& [tag, value] : {std::pair<uint16_t, int32_t>{40962, p.EXIFImageWidth},
                                   std::pair<uint16_t, int32_t>{40963, p.EXIFImageHeight}}) {
    if (value >= 0 && value < 65536)
      W.AddShort(sub, tag, value);
    else
      W.AddLong(sub, tag, static_cast<uint32_t>(value));
  }
  W.AddAscii(sub, 40964, p.EXIFRelatedSoundFile);
  W.AddReal(sub, 41486, p.EXIFFocalPlaneXResolution);
  W.AddReal(sub, 41487, p.EXIFFocalPlaneYResolution);
  W.AddShort(sub, 41488, p.EXIFFocalPlaneResolutionUnit);
  W.AddReal(sub, 41493, p.EXIFExposureIndex);
  W.AddShort(sub, 41495, p.EXIFSensingMethod);
  // One byte each in the EXIF standard; other readers flag a SHORT.
  for (const auto& [tag, value] :
       {std::pair<uint16_t, int32_t>{41728, p.EXIFFileSource}, std::pair<uint16_t, int32_t>{41729, p.EXIFSceneType}}) {
    const auto byte = static_cast<uint8_t>(value);
    W.AddBytes(sub, tag, kUNDEFINED, &byte, 1);
  }
  // UNDEFINED in the EXIF standard: its 8-byte character code holds NULs,
  // which readers of an ASCII value would take for the end of the text.
  const String comment = p.EXIFUserCommentCode + p.EXIFUserComment;
  if (!comment.empty()) W.AddBytes(sub, 37510, kUNDEFINED, comment.data(), int64_t(comment.size()));
  AddMakerNote(W, sub, p);
  if (W.Aborted()) return;
  W.PadEven();
  const uint32_t at = W.Offset();
  W.WriteIFD(sub, 0);
  W.AddLong(Main, 34665, at);
}

// PackBits of one row (runs of 4 and more are coded as runs).
void PackBitsRow(const uint8_t* Row, int32_t Count, std::vector<uint8_t>& Out) {
  Out.clear();
  int32_t literal = 0;  // start of the pending literal stretch
  int32_t pending = 0;
  auto flush = [&]() {
    if (pending == 0) return;
    Out.push_back(static_cast<uint8_t>(pending - 1));
    Out.insert(Out.end(), Row + literal, Row + literal + pending);
    pending = 0;
  };
  int32_t i = 0;
  while (i < Count) {
    int32_t run = 1;
    while (i + run < Count && run < 128 && Row[i + run] == Row[i]) ++run;
    if (run >= 4) {
      flush();
      Out.push_back(static_cast<uint8_t>(1 - run));
      Out.push_back(Row[i]);
      i += run;
      literal = i;
    } else {
      for (int32_t k = 0; k < run; ++k) {
        if (pending == 0) literal = i;
        ++pending;
        ++i;
        if (pending == 128) flush();
      }
    }
  }
  flush();
}

// Everything decided before the first byte is written.
struct TPage {
  TIEBitmap* Image = nullptr;  // the working image
  TRowKind Kind = TRowKind::RGB;
  int32_t Compression = 1;  // the TIFF code
  bool TwoD = false;
  int32_t FillOrder = 1;
  int32_t Predictor = 1;
  int32_t Photometric = 2;  // the TIFF code
  int32_t Bits = 8;
  int32_t Samples = 3;
  bool Alpha = false;  // a fourth sample is written
  TIEJPEGColorSpace JPEGSpace = TIEJPEGColorSpace::jcYCbCr;
  TIETIFFLZWEncoderFunc LZW = nullptr;
  std::unique_ptr<TIEQuantizer> Quantizer;
  std::array<TRGB, 256> ColorMap{};
  std::array<uint16_t, 256> Levels{};  // ie8p and ie8g: the value each byte is written as
};

std::unique_ptr<TIEBitmap> CopyAs(TIEBitmap* Source, TIEPixelFormat Format) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(Source);
  copy->SetPixelFormat(Format);
  return copy;
}

// Params normalisation and the writer settings; Own receives any copy made.
void Prepare(TIEBitmap* Bitmap, TIOParamsVals& p, TPage& g, std::unique_ptr<TIEBitmap>& Own) {
  TIEBitmap* work = Bitmap;
  // Formats without a row path are written from true-colour rows.
  if (work->PixelFormat() == TIEPixelFormat::ie32f || work->PixelFormat() == TIEPixelFormat::ieCMYK) {
    Own = CopyAs(work, TIEPixelFormat::ie24RGB);
    work = Own.get();
  }
  using Ph = TIETIFFPhotometric;
  using Co = TIETIFFCompression;
  const auto comp = static_cast<int32_t>(p.TIFFCompression);
  if (comp >= 1 && comp <= 4) {
    p.BitsPerSample = 1;
    p.SamplesPerPixel = 1;
  }
  // Transparency survives only in RGB rows with an alpha sample: a palette
  // or gray depth the loaded file had gives way to them (fax pages stay
  // bilevel).
  if (p.SamplesPerPixel == 1 && !(comp >= 1 && comp <= 4) && IEAlphaCovers(work) && !work->AlphaChannel()->Full()) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 8;
    if (p.TIFFPhotometric != Ph::tpCMYK && p.TIFFPhotometric != Ph::tpCIELab) p.TIFFPhotometric = Ph::tpRGB;
  }
  // One sample of a depth no row writer has: 8 bits.
  if (p.SamplesPerPixel == 1 && !((p.BitsPerSample >= 1 && p.BitsPerSample <= 8) || p.BitsPerSample == 16))
    p.BitsPerSample = 8;
  if (p.BitsPerSample == 1 && p.SamplesPerPixel == 1) {
    if (work->PixelFormat() != TIEPixelFormat::ie1g) {
      TRGB c1, c2;
      std::unique_ptr<TIEBitmap> two = TwoColorsTo1Bit(work, c1, c2);
      Own = two ? std::move(two) : CopyAs(work, TIEPixelFormat::ie1g);
      work = Own.get();
    }
  } else if (work->PixelFormat() == TIEPixelFormat::ie1g) {
    Own = CopyAs(work, TIEPixelFormat::ie24RGB);
    work = Own.get();
  }
  if (p.SamplesPerPixel == 1 && ((p.BitsPerSample >= 2 && p.BitsPerSample <= 8) || p.BitsPerSample == 16)) {
    // 2^bits levels for gray depths below 8, so that an index is a level.
    const int32_t colours = p.BitsPerSample < 8 ? 1 << p.BitsPerSample : 256;
    g.Quantizer = std::make_unique<TIEQuantizer>(work, g.ColorMap.data(), 255, colours, 0, 0);
    if (p.TIFFCompression != Co::tcLZW && p.TIFFCompression != Co::tcPackBits) p.TIFFCompression = Co::tcNone;
    if (IEIsGrayscale(work)) {
      p.TIFFPhotometric = Ph::tpBlackIsZero;
    } else {
      p.TIFFPhotometric = Ph::tpPalette;
      if (p.BitsPerSample != 4) p.BitsPerSample = 8;
    }
  }
  if (p.TIFFPhotometric == Ph::tpPalette && p.SamplesPerPixel > 1) p.TIFFPhotometric = Ph::tpRGB;
  const bool rgb48 = work->PixelFormat() == TIEPixelFormat::ieRGB48;
  if (rgb48) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 16;
    p.TIFFPhotometric = Ph::tpRGB;
  }
  if (p.BitsPerSample > 8 && p.SamplesPerPixel != 1) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 8;
    p.TIFFPhotometric = Ph::tpRGB;
  }
  // Gray (0, 1) of more than one sample is RGB.
  if ((p.TIFFPhotometric == Ph::tpWhiteIsZero || p.TIFFPhotometric == Ph::tpBlackIsZero) && p.SamplesPerPixel > 1)
    p.TIFFPhotometric = Ph::tpRGB;
  if (p.TIFFPhotometric == Ph::tpRGB && p.SamplesPerPixel == 1 && p.BitsPerSample == 1)
    p.TIFFPhotometric = Ph::tpBlackIsZero;
  if (p.TIFFPhotometric == Ph::tpYCbCr && p.TIFFCompression != Co::tcJPEG) p.TIFFPhotometric = Ph::tpRGB;
  if (p.TIFFPhotometric == Ph::tpRGB && p.SamplesPerPixel > 3) p.SamplesPerPixel = 3;
  if (rgb48) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 16;
    p.TIFFPhotometric = Ph::tpRGB;
  }

  // Rows of more than one sample come from true-colour rows.
  const TIEPixelFormat f = work->PixelFormat();
  if (p.SamplesPerPixel != 1 && f != TIEPixelFormat::ie24RGB && f != TIEPixelFormat::ieRGB48) {
    Own = CopyAs(work, TIEPixelFormat::ie24RGB);
    work = Own.get();
  }
  g.Image = work;
  g.Bits = p.BitsPerSample;

  // Settings.
  switch (p.TIFFPhotometric) {
    case Ph::tpWhiteIsZero:
    case Ph::tpBlackIsZero: g.Photometric = 1; break;
    case Ph::tpPalette: g.Photometric = 3; break;
    case Ph::tpCMYK:
      g.Photometric = 5;
      p.SamplesPerPixel = 4;
      break;
    case Ph::tpCIELab: g.Photometric = 8; break;
    default: g.Photometric = 2; break;
  }
  g.Predictor = 1;
  switch (p.TIFFCompression) {
    case Co::tcHuffman: g.Compression = 2; break;
    case Co::tcG3Fax1D: g.Compression = 3; break;
    case Co::tcG3Fax2D:
      g.Compression = 3;
      g.TwoD = true;
      break;
    case Co::tcG4Fax: g.Compression = 4; break;
    case Co::tcLZW:
      g.LZW = p.TIFFLZWEncoder ? p.TIFFLZWEncoder : IETIFFLZWEncoderHook;
      g.Compression = g.LZW ? 5 : 1;
      g.Predictor = g.LZW ? 2 : 1;
      break;
    case Co::tcJPEG:
      g.Compression = 7;
      g.JPEGSpace = p.TIFFJPEGColorSpace;
      switch (g.JPEGSpace) {
        case TIEJPEGColorSpace::jcRGB: g.Photometric = 2; break;
        case TIEJPEGColorSpace::jcGray: g.Photometric = 1; break;
        case TIEJPEGColorSpace::jcYCbCr: g.Photometric = 6; break;
        case TIEJPEGColorSpace::jcCMYK:
          g.Photometric = 5;
          p.SamplesPerPixel = 4;
          break;
        default:
          g.Photometric = 2;
          g.JPEGSpace = TIEJPEGColorSpace::jcRGB;
          break;
      }
      break;
    case Co::tcPackBits: g.Compression = 32773; break;
    default: g.Compression = 1; break;
  }
  const bool bilevel = work->PixelFormat() == TIEPixelFormat::ie1g;
  if (g.Compression >= 2 && g.Compression <= 4 && !bilevel) {
    g.Compression = 1;
    g.TwoD = false;
  }
  // The JPEG writer takes true-colour rows only.
  if (g.Compression == 7 && work->PixelFormat() != TIEPixelFormat::ie24RGB) g.Compression = 1;
  if (g.Compression == 7 && g.Photometric == 1) p.SamplesPerPixel = 1;
  if (g.Compression != 7 && g.Photometric == 6) g.Photometric = 2;
  g.FillOrder = p.TIFFFillOrder;
  const bool hasAlpha = IEAlphaCovers(work);
  if (!(p.BitsPerSample == 8 && (p.SamplesPerPixel == 1 || p.SamplesPerPixel == 3) && g.Photometric != 1 &&
        g.Photometric != 3 && !hasAlpha))
    g.Predictor = 1;
  if (bilevel) g.Photometric = g.Compression >= 2 && g.Compression <= 4 ? 0 : 1;

  // Params describe the compression written.
  switch (g.Compression) {
    case 1: p.TIFFCompression = Co::tcNone; break;
    case 5: p.TIFFCompression = Co::tcLZW; break;
    default: break;
  }
  if (p.TIFFCompression == Co::tcOldJPEG) p.TIFFCompression = Co::tcNone;

  // Row kind, samples and bits as written.
  if (bilevel) {
    g.Kind = TRowKind::Bilevel;
    g.Samples = 1;
    g.Bits = 1;
  } else if (work->PixelFormat() == TIEPixelFormat::ieRGB48) {
    g.Kind = TRowKind::RGB48;
    g.Samples = 3;
    g.Bits = 16;
    g.Photometric = 2;
  } else if (g.Quantizer && p.SamplesPerPixel == 1) {
    g.Kind = TRowKind::OneSample;
    g.Samples = 1;
  } else if (g.Compression == 7) {
    g.Kind = TRowKind::RGB;
    g.Samples = g.Photometric == 5 ? 4 : g.Photometric == 1 ? 1 : 3;
    g.Bits = 8;
  } else if (g.Photometric == 5) {
    g.Kind = TRowKind::CMYK;
    g.Samples = 4;
    g.Bits = 8;
  } else if (g.Photometric == 8) {
    g.Kind = TRowKind::CIELab;
    g.Samples = 3;
    g.Bits = 8;
  } else {
    g.Kind = TRowKind::RGB;
    g.Photometric = 2;
    g.Samples = 3;
    g.Bits = 8;
    g.Alpha = hasAlpha && !work->AlphaChannel()->Full() &&
              (g.Compression == 1 || g.Compression == 5 || g.Compression == 32773);
    if (g.Alpha) {
      g.Samples = 4;
      g.Predictor = 1;
    }
  }
  if (g.Kind != TRowKind::OneSample) g.Quantizer.reset();
  if (g.Kind == TRowKind::RGB && g.Compression != 7) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 8;
  }

  // ie8p and ie8g: the value of every byte.
  if (g.Kind == TRowKind::OneSample) {
    const TIEPixelFormat sf = work->PixelFormat();
    for (int32_t i = 0; i < 256; ++i) {
      TRGB c{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
      if (sf == TIEPixelFormat::ie8p) {
        if (i < work->PaletteLength())
          work->GetPaletteColor(i, c);
        else
          c = TRGB{};
      }
      uint32_t v;
      if (g.Photometric == 3) {
        v = static_cast<uint32_t>(g.Quantizer->RGBIndex(c));
      } else if (g.Bits == 16) {
        v = uint32_t(c.r) * 257;
      } else {
        v = uint32_t(c.r) >> (8 - g.Bits);
      }
      g.Levels[static_cast<size_t>(i)] = static_cast<uint16_t>(v);
    }
  }
}

// One row of the page's samples into Out (already sized).
void BuildRow(TPage& g, TIOParamsVals& Params, int32_t Y, std::vector<uint8_t>& Out, std::vector<uint16_t>& Values) {
  TIEBitmap* b = g.Image;
  const int32_t w = b->Width();
  const auto* src = static_cast<const uint8_t*>(b->ScanLine(Y));
  uint8_t* out = Out.data();
  switch (g.Kind) {
    case TRowKind::Bilevel: {
      const size_t n = (size_t(w) + 7) / 8;
      if (g.Compression >= 2 && g.Compression <= 4) {
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(~src[i]);
      } else {
        std::memcpy(out, src, n);
      }
      break;
    }
    case TRowKind::OneSample: {
      // The sample values first, one loop per source format.
      uint16_t* v = Values.data();
      switch (b->PixelFormat()) {
        case TIEPixelFormat::ie8p:
        case TIEPixelFormat::ie8g:
          for (int32_t x = 0; x < w; ++x) v[x] = g.Levels[src[x]];
          break;
        case TIEPixelFormat::ie16g:
          for (int32_t x = 0; x < w; ++x) {
            const uint32_t s16 = GetLE16(src + 2 * x);
            v[x] = static_cast<uint16_t>(g.Bits == 16 ? s16 : (s16 >> 8) >> (8 - g.Bits));
          }
          break;
        case TIEPixelFormat::ie24RGB: {
          const auto* c = reinterpret_cast<const TRGB*>(src);
          if (g.Photometric == 3) {
            for (int32_t x = 0; x < w; ++x) v[x] = static_cast<uint16_t>(g.Quantizer->RGBIndex(c[x]));
          } else if (g.Bits == 16) {
            for (int32_t x = 0; x < w; ++x) v[x] = static_cast<uint16_t>(c[x].r * 257);
          } else {
            for (int32_t x = 0; x < w; ++x) v[x] = static_cast<uint16_t>(c[x].r >> (8 - g.Bits));
          }
          break;
        }
        default: std::fill(v, v + w, uint16_t(0)); break;
      }
      if (g.Bits == 16) {
        for (int32_t x = 0; x < w; ++x) PutLE16(out + 2 * x, v[x]);
      } else if (g.Bits == 8) {
        for (int32_t x = 0; x < w; ++x) out[x] = static_cast<uint8_t>(v[x]);
      } else {
        std::fill(Out.begin(), Out.end(), uint8_t(0));
        const uint32_t mask = (1u << g.Bits) - 1;
        int64_t bit = 0;
        for (int32_t x = 0; x < w; ++x, bit += g.Bits) {
          // A sample may straddle two bytes (3, 5, 6 and 7 bits).
          const int64_t byte = bit >> 3;
          const uint32_t word = (v[x] & mask) << (16 - int32_t(bit & 7) - g.Bits);
          out[byte] |= static_cast<uint8_t>(word >> 8);
          out[byte + 1] |= static_cast<uint8_t>(word);
        }
      }
      break;
    }
    case TRowKind::CMYK: {
      IEColorConvertHook(src, TIEColorRowFormat::crfBGR, out, TIEColorRowFormat::crfCMYK, w, &Params);
      for (size_t i = 0; i < size_t(w) * 4; ++i) out[i] = static_cast<uint8_t>(~out[i]);
      break;
    }
    case TRowKind::CIELab:
      IEColorConvertHook(src, TIEColorRowFormat::crfBGR, out, TIEColorRowFormat::crfCIELab, w, &Params);
      break;
    case TRowKind::RGB: {
      const auto* c = reinterpret_cast<const TRGB*>(src);
      if (g.Alpha) {
        const auto* a = static_cast<const uint8_t*>(b->AlphaChannel()->ScanLine(Y));
        for (int32_t x = 0; x < w; ++x) {
          out[4 * x] = c[x].r;
          out[4 * x + 1] = c[x].g;
          out[4 * x + 2] = c[x].b;
          out[4 * x + 3] = a[x];
        }
      } else {
        for (int32_t x = 0; x < w; ++x) {
          out[3 * x] = c[x].r;
          out[3 * x + 1] = c[x].g;
          out[3 * x + 2] = c[x].b;
        }
      }
      break;
    }
    case TRowKind::RGB48: {
      const auto* c = reinterpret_cast<const TRGB48*>(src);
      for (int32_t x = 0; x < w; ++x) {
        PutLE16(out + 6 * x, c[x].r);
        PutLE16(out + 6 * x + 2, c[x].g);
        PutLE16(out + 6 * x + 4, c[x].b);
      }
      break;
    }
  }
  // Horizontal differencing of 8-bit samples (modulo 256).
  if (g.Predictor == 2 && g.Bits == 8) {
    const int32_t s = g.Samples;
    for (int64_t i = int64_t(w) * s - 1; i >= s; --i) out[i] = static_cast<uint8_t>(out[i] - out[i - s]);
  }
}

struct TStripCoder {
  TIELZWEncoderState* LZW = nullptr;
  std::unique_ptr<uint8_t[]> Reference;
  int32_t PendingBits = 0;
  uint8_t PendingByte = 0;
};

// The image strips, then RowsPerStrip, StripOffsets, StripByteCounts.
void WriteStrips(TTIFFWriter& W, TEntries& List, TPage& g, TIOParamsVals& Params) {
  TIEBitmap* b = g.Image;
  const int32_t w = b->Width(), h = b->Height();
  std::vector<uint32_t> offsets, counts;
  int32_t rowsPerStrip = h;

  if (g.Compression == 7) {
    TIOParamsVals jp;
    jp.JPEGQuality = Params.TIFFJPEGQuality;
    jp.JPEGColorSpace = g.JPEGSpace;
    jp.JPEGSubSampling = Params.JPEGSubSampling;
    const uint32_t at = W.Offset();
    const int64_t start = W.S->Position();
    try {
      IEEncodeJPEG(W.S, b, jp, W.P);
    } catch (const EIEJpegException&) {
      W.Fail();
    }
    if (W.Aborted()) return;
    const int64_t length = W.S->Position() - start;
    if (length > int64_t(std::numeric_limits<uint32_t>::max())) {
      W.Fail();
      return;
    }
    offsets.push_back(at);
    counts.push_back(static_cast<uint32_t>(length));
  } else {
    const int64_t rowLen = b->RowLen();
    rowsPerStrip = static_cast<int32_t>(h / std::max<int64_t>(1, int64_t(h) * rowLen / 524288));
    rowsPerStrip = std::max(rowsPerStrip, 1);
    const int64_t outRow = (int64_t(w) * g.Bits * g.Samples + 7) / 8;
    if (outRow > (int64_t(1) << 30)) {
      W.Fail();
      return;
    }
    std::vector<uint8_t> row(static_cast<size_t>(outRow) + 1), packed;
    std::vector<uint16_t> values(g.Kind == TRowKind::OneSample ? static_cast<size_t>(w) : 0);
    TMemoryStream strip;
    bool coderAbort = false;
    TIEAccessScope access(b, TIEDataAccess{TIEDataAccessItem::iedRead});
    TIEAccessScope alphaAccess(g.Alpha ? b->AlphaChannel() : static_cast<TIEBaseBitmap*>(b),
                               TIEDataAccess{TIEDataAccessItem::iedRead});
    for (int32_t y0 = 0; y0 < h && !W.Aborted(); y0 += rowsPerStrip) {
      const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(h, int64_t(y0) + rowsPerStrip));
      strip.Seek(0, soBeginning);
      TStripCoder c;
      for (int32_t y = y0; y < y1 && !W.Aborted(); ++y) {
        IEDoProgress(W.P, int64_t(y) * 100 / h);
        BuildRow(g, Params, y, row, values);
        const auto n = static_cast<int32_t>(outRow);
        switch (g.Compression) {
          case 2: IECCITTEncodeMHRow(row.data(), w, &strip, g.FillOrder, coderAbort); break;
          case 3:
            if (g.TwoD)
              IECCITTEncodeG3Row2D(row.data(), w, &strip, g.FillOrder, coderAbort, c.Reference, c.PendingBits,
                                   c.PendingByte);
            else
              IECCITTEncodeG3Row1D(row.data(), w, &strip, g.FillOrder, coderAbort, c.PendingBits, c.PendingByte);
            break;
          case 4:
            IECCITTEncodeG4Row(row.data(), w, &strip, g.FillOrder, coderAbort, c.Reference, c.PendingBits,
                               c.PendingByte);
            break;
          case 5: g.LZW(row.data(), n, &strip, c.LZW); break;
          case 32773:
            PackBitsRow(row.data(), n, packed);
            strip.Write(packed.data(), static_cast<int32_t>(packed.size()));
            break;
          default: strip.Write(row.data(), n); break;
        }
      }
      // Close the strip's code stream, also after a cancel.
      switch (g.Compression) {
        case 3:
          if (g.TwoD)
            IECCITTEncodeG3Row2D(nullptr, w, &strip, g.FillOrder, coderAbort, c.Reference, c.PendingBits,
                                 c.PendingByte);
          else
            IECCITTEncodeG3Row1D(nullptr, w, &strip, g.FillOrder, coderAbort, c.PendingBits, c.PendingByte);
          break;
        case 4:
          IECCITTEncodeG4Row(nullptr, w, &strip, g.FillOrder, coderAbort, c.Reference, c.PendingBits, c.PendingByte);
          break;
        case 5: g.LZW(nullptr, 0, &strip, c.LZW); break;
        default: break;
      }
      if (c.PendingBits > 0) strip.Write(&c.PendingByte, 1);
      if (W.Aborted()) break;
      const int64_t length = strip.Position();
      const uint32_t at = W.Offset();
      W.Write(strip.Memory(), length);
      offsets.push_back(at);
      counts.push_back(static_cast<uint32_t>(length));
    }
    if (W.Aborted()) return;
  }
  W.AddLong(List, 278, static_cast<uint32_t>(rowsPerStrip));
  W.AddLongs(List, 273, offsets);
  W.AddLongs(List, 279, counts);
}

// Where the new page is linked in: the position of the link that is to point
// at it and that link's old value.
struct TChainLink {
  int32_t Pages = 0;      // IFDs met
  int64_t Pos = -1;       // the link the new page goes into
  uint32_t Old = 0;       // its value, when it pointed at an IFD
  bool Overlaps = false;  // Pos lies inside another IFD met (count or entries)
};

// Walks the IFD chain of the TIFF at Start: the link the new page goes into
// (the one pointing at page Index, else the last one) and its old value.
// Links that leave the stream, point into the header, or come back to an IFD
// already met end the chain. IFDs of a hostile file may overlap: a link that
// is also part of another IFD cannot be changed without corrupting that one.
TChainLink WalkChain(TStream* S, int64_t Start, int32_t Index) {
  const int64_t size = S->Size();
  auto read = [&](int64_t pos, int32_t bytes) -> uint32_t {
    uint8_t b[4] = {0, 0, 0, 0};
    S->Seek(pos, soBeginning);
    if (S->Read(b, bytes) != bytes) return 0;
    return bytes == 2 ? GetLE16(b) : GetLE32(b);
  };
  TChainLink result;
  std::set<int64_t> seen;
  std::vector<std::pair<int64_t, int64_t>> tables;  // each IFD's count and entries
  int64_t linkPos = Start + 4;
  uint32_t link = read(linkPos, 4);
  for (;;) {
    bool valid = link != 0 && int64_t(link) >= Start + 8 && int64_t(link) + 2 <= size && !seen.count(link);
    int64_t next = 0;
    if (valid) {
      next = int64_t(link) + 2 + 12 * int64_t(read(link, 2));
      valid = next + 4 <= size;
    }
    if (result.Pages == Index || (!valid && result.Pos < 0)) {
      result.Pos = linkPos;
      result.Old = valid ? link : 0;
    }
    if (!valid) break;
    seen.insert(link);
    tables.emplace_back(int64_t(link), next);
    ++result.Pages;
    linkPos = next;
    link = read(linkPos, 4);
  }
  for (const auto& [from, to] : tables) result.Overlaps = result.Overlaps || (result.Pos < to && result.Pos + 4 > from);
  return result;
}

}  // namespace

void IEDoubleToRational(double Value, int32_t& Numerator, int32_t& Denominator) {
  if (!std::isfinite(Value)) {
    Numerator = 0;
    Denominator = 1;
    return;
  }
  int32_t d = 1000000;
  while (d > 1 && std::fabs(Value) * d > 2147483640.0) d /= 10;
  const double n = Value * d;
  if (n >= 2147483647.0)
    Numerator = std::numeric_limits<int32_t>::max();
  else if (n <= -2147483648.0)
    Numerator = std::numeric_limits<int32_t>::min();
  else
    Numerator = static_cast<int32_t>(Round(n));
  Denominator = d;
}

int32_t IEEncodeTIFF(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIECodecProgress& Progress) {
  TTIFFWriter w(Stream, Progress);
  TPage page;
  std::unique_ptr<TIEBitmap> own;
  if (Bitmap) {
    // An empty image has nothing a page could hold.
    if (Bitmap->Width() <= 0 || Bitmap->Height() <= 0 || Bitmap->PixelFormat() == TIEPixelFormat::ienull) {
      Progress.AbortFlag->store(true);
      return 0;
    }
    Prepare(Bitmap, Params, page, own);
  }

  const int64_t start = Stream->Position();
  int32_t result = 1;
  int64_t linkPos = -1;
  uint32_t oldLink = 0;
  if (Insert) {
    uint8_t head[4] = {0, 0, 0, 0};
    // Only a little-endian classic TIFF with its whole header can take the page.
    if (Stream->Read(head, 4) != 4 || head[0] != 'I' || head[1] != 'I' || GetLE16(head + 2) != 42 ||
        Stream->Size() < start + 8) {
      Progress.AbortFlag->store(true);
      return 0;
    }
    const TChainLink chain = WalkChain(Stream, start, std::max(0, Params.TIFFImageIndex));
    result = chain.Pages + 1;
    // Changing that link would break the page it overlaps: nothing is written.
    if (chain.Overlaps) {
      Progress.AbortFlag->store(true);
      return result;
    }
    linkPos = chain.Pos;
    oldLink = chain.Old;
    Stream->Seek(0, soEnd);
  } else {
    const uint8_t zeros[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    w.Write(zeros, 8);
  }

  TEntries main;
  if (Params.HasEXIFData) {
    WriteEXIF(w, main, Params);
  } else {
    w.AddAscii(main, 270, Params.TIFFImageDescription);
    w.AddRationalPairs(main, 282, kRATIONAL, {Params.DpiX, 1});
    w.AddRationalPairs(main, 283, kRATIONAL, {Params.DpiY, 1});
    w.AddShort(main, 296, 2);
  }

  if (Bitmap && !w.Aborted()) {
    TIEBitmap* b = page.Image;
    w.AddLong(main, 256, static_cast<uint32_t>(b->Width()));
    w.AddLong(main, 257, static_cast<uint32_t>(b->Height()));
    w.AddShorts(main, 258, std::vector<uint32_t>(size_t(page.Samples), uint32_t(page.Bits)));
    w.AddShort(main, 259, page.Compression);
    w.AddShort(main, 262, page.Photometric);
    w.AddAscii(main, 269, Params.TIFFDocumentName);
    if (page.Compression >= 2 && page.Compression <= 4) {
      w.AddShort(main, 266, page.FillOrder);
      w.AddShort(main, 284, 1);
      w.AddShort(main, 327, 0);
    }
    WriteStrips(w, main, page, Params);
  }

  if (Bitmap && !w.Aborted()) {
    w.AddShort(main, 277, page.Samples);
    if (page.Alpha) w.AddShort(main, 338, 2);  // unassociated alpha
    if (page.Predictor == 2) w.AddShort(main, 317, 2);
    if (page.Compression == 7 && page.Photometric == 6) {
      const uint32_t h = Params.JPEGSubSampling == 0 ? 1 : 2;
      const uint32_t v = Params.JPEGSubSampling == 2 ? 2 : 1;
      w.AddShorts(main, 530, {h, v});
    }
    w.AddAscii(main, 285, Params.TIFFPageName);
    const auto position = [&](uint16_t tag, int32_t value) {
      if (value == 0) return;
      const int64_t n = int64_t(value) * 10000;
      if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max())
        w.AddRationalPairs(main, tag, kRATIONAL, {n, 10000});
      else
        w.AddRationalPairs(main, tag, kRATIONAL, {value, 1});
    };
    position(286, Params.TIFFXPos);
    position(287, Params.TIFFYPos);
    // The coding options belong to their own compressions: other readers
    // take them as unknown tags of every other page.
    if (page.Compression == 3) w.AddLong(main, 292, page.TwoD ? 1 : 0);
    if (page.Compression == 4) w.AddLong(main, 293, 0);
    w.AddLong(main, 254, 0);
    if (Params.TIFFPageNumber > 1 || Params.TIFFPageCount > 1)
      w.AddShorts(main, 297, {uint32_t(Params.TIFFPageNumber) & 0xFFFF, uint32_t(Params.TIFFPageCount) & 0xFFFF});
    else
      w.AddShorts(main, 297, {1, 1});
    std::vector<uint8_t> block;
    Params.IPTCInfo.SaveToBuffer(block, false);
    if (!block.empty()) {
      // Whole LONGs: the block is padded with zeros to a multiple of 4.
      const uint32_t longs = static_cast<uint32_t>((block.size() + 3) / 4);
      block.resize(size_t(longs) * 4, 0);
      w.Add(main, 33723, kLONG, longs, block.data(), int64_t(block.size()));
    }
    if (!Params.XMPPacket.empty())
      w.AddBytes(main, 700, kBYTE, Params.XMPPacket.data(), int64_t(Params.XMPPacket.size()));
    if (Params.ImagingAnnot) {
      block.clear();
      Params.ImagingAnnot->SaveToBuffer(block);
      if (!block.empty()) w.AddBytes(main, 32932, kBYTE, block.data(), int64_t(block.size()));
    }
    if (page.Photometric == 3) {
      const size_t n = page.Bits == 4 ? 16 : 256;
      std::vector<uint32_t> map(3 * n);
      for (size_t i = 0; i < n; ++i) {
        map[i] = uint32_t(page.ColorMap[i].r) * 257;
        map[n + i] = uint32_t(page.ColorMap[i].g) * 257;
        map[2 * n + i] = uint32_t(page.ColorMap[i].b) * 257;
      }
      w.AddShorts(main, 320, map);
    }
  }

  if (w.Aborted()) return result;
  w.PadEven();
  const uint32_t ifd = w.Offset();
  if (w.Aborted()) return result;
  w.WriteIFD(main, Insert ? oldLink : 0);
  if (w.Aborted()) return result;
  const int64_t end = Stream->Position();
  uint8_t link[4];
  PutLE32(link, ifd);
  if (Insert) {
    Stream->Seek(linkPos, soBeginning);
    w.Write(link, 4);
  } else {
    uint8_t header[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
    std::memcpy(header + 4, link, 4);
    Stream->Seek(start, soBeginning);
    w.Write(header, 8);
  }
  Stream->Seek(end, soBeginning);
  return result;
}
