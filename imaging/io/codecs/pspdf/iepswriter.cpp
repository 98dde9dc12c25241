#include "imaging/io/codecs/pspdf/iepswriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/pspdf/iefaxdata.h"
#include "imaging/io/codecs/pspdf/iepsfilters.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

// "ddd mmm dd hh:nn:ss yyyy" in English whatever the locale, so documents do
// not depend on where they were written.
String PSDate(TDateTime Value) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %s %02u %02u:%02u:%02u %04u", kDays[(DayOfWeek(Value) + 6) % 7],
                kMonths[(mo + 11) % 12], unsigned(d), unsigned(h), unsigned(mi), unsigned(s), unsigned(y));
  return buf;
}

String PadRight(const String& Text, size_t Length) {
  return Text.size() >= Length ? Text : Text + String(Length - Text.size(), ' ');
}

String PagesLine(int64_t Count) { return "%%Pages: " + PadRight(IntToStr(Count), 6); }

// A title holding CR or LF would end the DSC comment early.
String HeaderTitle(String Title) {
  std::replace(Title.begin(), Title.end(), '\r', ' ');
  std::replace(Title.begin(), Title.end(), '\n', ' ');
  return Title;
}

bool IsBilevel(const TIEBitmap* Bitmap) { return Bitmap->PixelFormat() == TIEPixelFormat::ie1g; }

// Bilevel values above 2 have no coding of their own: RunLength serves.
int32_t BilevelCoding(const TIOParamsVals& Params) { return Params.PSCompression <= 2 ? Params.PSCompression : 0; }

// Appends Count bytes as one ASCII85 chunk with its end marker.
int64_t AppendASCII85(TStream* Data, const uint8_t* Source, int64_t Count) {
  int64_t digits = 0;
  std::vector<char> text;
  // IEASCII85Encode takes 32-bit counts: larger inputs go in whole groups.
  constexpr int64_t kPiece = int64_t(1) << 28;
  if (Count == 0) {
    text.resize(size_t(IEASCII85MaxSize(0)));
    char* out = text.data();
    int32_t d = 0;
    const int32_t n = IEASCII85Encode(Source, 0, out, d);
    Data->WriteBuffer(text.data(), n);
    return d;
  }
  // Only the last piece may carry the end marker: encode all but the tail of
  // the big inputs group-aligned, then the tail with the marker.
  while (Count > 0) {
    const int64_t take = std::min(Count, kPiece);
    text.resize(size_t(IEASCII85MaxSize(take)));
    char* out = text.data();
    int32_t d = 0;
    int32_t n = IEASCII85Encode(Source, int32_t(take), out, d);
    if (take < Count) n -= 4;  // drop this piece's "~>\r\n": the chunk goes on
    Data->WriteBuffer(text.data(), n);
    digits += d;
    Count -= take;
  }
  return digits;
}

int64_t AppendRunLengthASCII85(TStream* Data, const uint8_t* Source, int64_t Count) {
  std::vector<uint8_t> coded(size_t(2 * Count + 1));
  const int32_t n = IERunLengthEncode(Source, int32_t(Count), coded.data());
  return AppendASCII85(Data, coded.data(), n);
}

void ReportRow(TIECodecProgress& P, int32_t Row) { IEDoProgress(P, IEProgressPercent(Row, P.Per1)); }

}  // namespace

std::unique_ptr<TIEPSState> IEWritePSHeader(TStream* Stream, TIOParamsVals& Params) {
  auto state = std::make_unique<TIEPSState>();
  IEStreamWriteLineCRLF(Stream, "%!PS-Adobe-3.0");
  IEStreamWriteLineCRLF(Stream, "%%Creator: Img by Tessaly");
  IEStreamWriteLineCRLF(Stream, "%%Title: " + HeaderTitle(Params.PSTitle));
  IEStreamWriteLineCRLF(Stream, "%%CreationDate: " + PSDate(Now()));
  IEStreamWriteLineCRLF(Stream, "%%DocumentData: Clean7Bit");
  IEStreamWriteLineCRLF(Stream, "%%LanguageLevel: 2");
  state->PagesLinePos = Stream->Position();
  IEStreamWriteLineCRLF(Stream, PagesLine(0));
  IEStreamWriteLineCRLF(
      Stream, "%%BoundingBox: 0 0 " + IntToStr(Params.PSPaperWidth - 1) + " " + IntToStr(Params.PSPaperHeight - 1));
  IEStreamWriteLineCRLF(Stream, "%%EndComments");
  IEStreamWriteLineCRLF(Stream, "%%BeginProlog");
  IEStreamWriteLineCRLF(Stream, "10 dict begin");
  IEStreamWriteLineCRLF(Stream, "%%EndProlog");
  state->EndPos = Stream->Position();
  return state;
}

void IEPSAddPage(TIEPSState& State, TStream* Stream, TIEBitmap* Bitmap, TIECodecProgress& Progress,
                 TIOParamsVals& Params) {
  char line[16] = {};
  Stream->SetPosition(State.PagesLinePos);
  const int32_t got = Stream->Read(line, 15);
  int64_t count = 1;
  if (got == 15) {
    String digits(line + 9, 5);
    digits.erase(0, digits.find_first_not_of(' '));
    digits.erase(digits.find_last_not_of(' ') + 1);
    char* end = nullptr;
    const long long v = digits.empty() ? 0 : std::strtoll(digits.c_str(), &end, 10);
    if (!digits.empty() && end != nullptr && *end == 0) count = v;
  }
  ++count;
  Stream->SetPosition(State.PagesLinePos);
  IEStreamWriteLineCRLF(Stream, PagesLine(count));
  Stream->SetPosition(State.EndPos);
  IEPSWritePage(Stream, Bitmap, Params, Params.PSPaperHeight, Params.PSPaperWidth, int32_t(count), Progress);
  State.EndPos = Stream->Position();
}

void IEClosePS(std::unique_ptr<TIEPSState>& State, TStream* Stream) {
  if (!State) return;
  Stream->SetPosition(State->EndPos);
  IEStreamWriteLineCRLF(Stream, "%%Trailer");
  IEStreamWriteLineCRLF(Stream, "end");
  IEStreamWriteLineCRLF(Stream, "%%EOF");
  State.reset();
}

void IEEncodePSPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  std::unique_ptr<TIEPSState> state = IEWritePSHeader(Stream, Params);
  IEPSAddPage(*state, Stream, Bitmap, Progress, Params);
  IEClosePS(state, Stream);
}

void IEPSWritePage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t PaperHeight, int32_t PaperWidth,
                   int32_t PageNumber, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  const bool bilevel = IsBilevel(Bitmap);
  int32_t outW = 0, outH = 0;
  IEFitKeepAspect(w, h, PaperWidth, PaperHeight, outW, outH);
  const String n = IntToStr(PageNumber);
  IEStreamWriteLineCRLF(Stream, "%%Page: " + n + " " + n);
  IEStreamWriteLineCRLF(Stream, "0 " + IntToStr(PaperHeight) + " translate");
  IEStreamWriteLineCRLF(Stream, IntToStr(outW) + " -" + IntToStr(outH) + " scale");
  IEStreamWriteLineCRLF(Stream, IntToStr(w) + " " + IntToStr(h) + " " + (bilevel ? "1" : "8"));
  IEStreamWriteLineCRLF(Stream, "[ " + IntToStr(w) + " 0 0 " + IntToStr(h) + " 0 0 ]");

  TMemoryStream data;
  const int64_t digits = IEPSEncodeImageData(&data, Bitmap, Params, Progress);
  const String beginData = "%%BeginData:      " + IntToStr(digits) + " ASCII Bytes";
  if (bilevel) {
    const String fax = " /BlackIs1 true /Columns " + IntToStr(w) + " /Rows " + IntToStr(h) +
                       " /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >> "
                       "/CCITTFaxDecode filter";
    switch (BilevelCoding(Params)) {
      case 1: IEStreamWriteLineCRLF(Stream, "currentfile /ASCII85Decode filter << /K -1" + fax); break;
      case 2: IEStreamWriteLineCRLF(Stream, "currentfile /ASCII85Decode filter << /K 1" + fax); break;
      default: IEStreamWriteLineCRLF(Stream, "currentfile /ASCII85Decode filter /RunLengthDecode filter"); break;
    }
    IEStreamWriteLineCRLF(Stream, beginData);
    IEStreamWriteLineCRLF(Stream, "image");
  } else if (Params.PSCompression == 3) {
    IEStreamWriteLineCRLF(Stream, "currentfile /ASCII85Decode filter << >> /DCTDecode filter");
    IEStreamWriteLineCRLF(Stream, "false 3");
    IEStreamWriteLineCRLF(Stream, beginData);
    IEStreamWriteLineCRLF(Stream, "colorimage");
  } else {
    for (const char* c : {"r", "g", "b"})
      IEStreamWriteLineCRLF(Stream, String("/") + c + "str " + IntToStr(w) + " string def");
    for (const char* c : {"r", "g", "b"})
      IEStreamWriteLineCRLF(
          Stream, String("{currentfile /ASCII85Decode filter /RunLengthDecode filter ") + c + "str readstring pop}");
    IEStreamWriteLineCRLF(Stream, "true 3");
    IEStreamWriteLineCRLF(Stream, beginData);
    IEStreamWriteLineCRLF(Stream, "colorimage");
  }
  if (data.Size() > 0) Stream->WriteBuffer(data.Memory(), data.Size());
  IEStreamWriteLineCRLF(Stream, "%%EndData");
  IEStreamWriteLineCRLF(Stream, "showpage");
}

int64_t IEPSEncodeImageData(TStream* Data, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  Progress.Per1 = h > 0 ? 100.0 / h : 0;
  if (IsBilevel(Bitmap)) {
    Params.BitsPerSample = 1;
    Params.SamplesPerPixel = 1;
    const int64_t rowBytes = (int64_t(w) + 7) / 8;
    const int32_t coding = BilevelCoding(Params);
    if (coding == 0) {
      std::vector<uint8_t> all(size_t(rowBytes * h));
      for (int32_t y = 0; y < h; ++y) {
        std::memcpy(all.data() + y * rowBytes, Bitmap->ScanLine(y), size_t(rowBytes));
        ReportRow(Progress, y);
      }
      return AppendRunLengthASCII85(Data, all.data(), int64_t(all.size()));
    }
    TMemoryStream fax;
    IEEncodeFaxImage(Bitmap, coding == 1, &fax, Progress);
    return AppendASCII85(Data, static_cast<const uint8_t*>(fax.Memory()), fax.Size());
  }
  Params.BitsPerSample = 8;
  Params.SamplesPerPixel = 3;
  if (Params.PSCompression == 3) {
    TMemoryStream jpeg;
    IEEncodeJPEG(&jpeg, Bitmap, Params, Progress);
    return AppendASCII85(Data, static_cast<const uint8_t*>(jpeg.Memory()), jpeg.Size());
  }
  // Rows are stored B, G, R: one chunk per channel, red first.
  std::vector<uint8_t> channel(size_t(std::max(w, 1)));
  int64_t digits = 0;
  for (int32_t y = 0; y < h; ++y) {
    const auto* row = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
    for (int32_t c : {2, 1, 0}) {
      for (int32_t x = 0; x < w; ++x) channel[size_t(x)] = row[3 * x + c];
      digits += AppendRunLengthASCII85(Data, channel.data(), w);
    }
    ReportRow(Progress, y);
  }
  return digits;
}
