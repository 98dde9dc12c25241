#include "imaging/io/codecs/pspdf/iepdfwriter.h"

#include <cstdio>
#include <cstring>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/pspdf/iefaxdata.h"
#include "imaging/io/codecs/pspdf/iepsfilters.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"

namespace {

TIEPDFNameObject* Name(const char* Text) { return new TIEPDFNameObject(Text); }
TIEPDFNumericObject* Number(double Value) { return new TIEPDFNumericObject(Value); }

// The record's LZW encoder, else the one installed at start-up; nil when
// neither exists (the image is then stored without a filter).
TIETIFFLZWEncoderFunc LZWEncoder(const TIOParamsVals& Params) {
  return Params.TIFFLZWEncoder != nullptr ? Params.TIFFLZWEncoder : IETIFFLZWEncoderHook;
}

void SetData(TIEPDFStreamObject& Stream, TMemoryStream& Data) {
  const auto* p = static_cast<const uint8_t*>(Data.Memory());
  Stream.Data.assign(p, p + Data.Size());
}

// Rows 0 .. Rows - 1, each RowBytes long as Row(y, Buffer) gives it, as one
// LZW code stream; the coder's state is closed on every path.
template <class F>
void SetLZWData(TIEPDFStreamObject& Image, TIETIFFLZWEncoderFunc Encode, int32_t Rows, size_t RowBytes, F&& Row) {
  TMemoryStream lzw;
  TIELZWEncoderState* state = nullptr;
  std::vector<uint8_t> buffer(RowBytes);
  {
    auto cleanup = ScopeFail([&] {
      if (state != nullptr) Encode(nullptr, 0, &lzw, state);
    });
    for (int32_t y = 0; y < Rows; ++y) Encode(Row(y, buffer.data()), int32_t(RowBytes), &lzw, state);
  }
  Encode(nullptr, 0, &lzw, state);
  SetData(Image, lzw);
  Image.Dictionary->Add("Filter", Name("LZWDecode"));
}

String PDFDate(TDateTime Value) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
  char buf[64];
  std::snprintf(buf, sizeof buf, "D:%04u%02u%02u%02u%02u%02u", unsigned(y), unsigned(mo), unsigned(d), unsigned(h),
                unsigned(mi), unsigned(s));
  return buf;
}

// The bilevel image data and its filter entries, by PDFCompression.
void EncodeBilevel(TIEPDFStreamObject& Image, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  const size_t rowBytes = (size_t(w) + 7) / 8;
  TIEPDFDictionaryObject& dict = *Image.Dictionary;
  if (Params.PDFCompression == 4) Params.PDFCompression = 3;
  int32_t coding = Params.PDFCompression;
  // Values without a bilevel coding, and LZW without an encoder, are stored.
  if (coding > 5 || (coding == 5 && LZWEncoder(Params) == nullptr)) coding = 0;
  switch (coding) {
    case 1: {
      std::vector<uint8_t> all(rowBytes * size_t(h));
      for (int32_t y = 0; y < h; ++y) std::memcpy(all.data() + y * rowBytes, Bitmap->ScanLine(y), rowBytes);
      Image.Data.resize(2 * all.size() + 1);
      Image.Data.resize(size_t(IERunLengthEncode(all.data(), int32_t(all.size()), Image.Data.data())));
      auto* filter = new TIEPDFArrayObject;
      filter->Add(Name("RunLengthDecode"));
      dict.Add("Filter", filter);
      break;
    }
    case 2:
    case 3: {
      TMemoryStream fax;
      IEEncodeFaxImage(Bitmap, coding == 2, &fax, Progress);
      SetData(Image, fax);
      dict.Add("Filter", Name("CCITTFaxDecode"));
      auto* parms = new TIEPDFDictionaryObject;
      parms->Add("K", Number(coding == 2 ? -1 : 1));
      parms->Add("BlackIs1", new TIEPDFBooleanObject(true));
      parms->Add("Columns", Number(w));
      parms->Add("Rows", Number(h));
      parms->Add("EndOfLine", new TIEPDFBooleanObject(false));
      parms->Add("Uncompressed", new TIEPDFBooleanObject(true));
      parms->Add("EncodedByteAlign", new TIEPDFBooleanObject(false));
      parms->Add("EndOfBlock", new TIEPDFBooleanObject(false));
      dict.Add("DecodeParms", parms);
      break;
    }
    case 5: {
      SetLZWData(Image, LZWEncoder(Params), h, rowBytes,
                 [&](int32_t y, uint8_t*) { return static_cast<const uint8_t*>(Bitmap->ScanLine(y)); });
      break;
    }
    default:
      Image.Data.resize(rowBytes * size_t(h));
      for (int32_t y = 0; y < h; ++y) std::memcpy(Image.Data.data() + y * rowBytes, Bitmap->ScanLine(y), rowBytes);
      break;
  }
  dict.Add("ColorSpace", Name("DeviceGray"));
  dict.Add("BitsPerComponent", Number(1));
}

void EncodeColour(TIEPDFStreamObject& Image, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  const size_t rowBytes = 3 * size_t(w);
  TIEPDFDictionaryObject& dict = *Image.Dictionary;
  // Rows are stored B, G, R; PDF wants R, G, B.
  auto rgbRow = [&](int32_t y, uint8_t* Out) {
    const auto* row = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
    for (int32_t x = 0; x < w; ++x) {
      Out[3 * x] = row[3 * x + 2];
      Out[3 * x + 1] = row[3 * x + 1];
      Out[3 * x + 2] = row[3 * x];
    }
  };
  const TIETIFFLZWEncoderFunc encode = LZWEncoder(Params);
  if (Params.PDFCompression == 5 && encode != nullptr) {
    SetLZWData(Image, encode, h, rowBytes, [&](int32_t y, uint8_t* Buffer) {
      rgbRow(y, Buffer);
      return static_cast<const uint8_t*>(Buffer);
    });
  } else if (Params.PDFCompression == 4) {
    TMemoryStream jpeg;
    IEEncodeJPEG(&jpeg, Bitmap, Params, Progress);
    SetData(Image, jpeg);
    dict.Add("Filter", Name("DCTDecode"));
  } else {
    Image.Data.resize(rowBytes * size_t(h));
    for (int32_t y = 0; y < h; ++y) rgbRow(y, Image.Data.data() + y * rowBytes);
  }
  dict.Add("ColorSpace", Name("DeviceRGB"));
  dict.Add("BitsPerComponent", Number(8));
}

}  // namespace

TIEPDFDocument::~TIEPDFDocument() {
  // Every numbered object stands alone (others refer to it by number).
  for (TIEPDFObject* o : Objects) delete o;
}

std::unique_ptr<TIEPDFDocument> IEPDFCreateDocument() {
  auto doc = std::make_unique<TIEPDFDocument>();
  doc->Catalog = IEPDFCreateCatalog(doc->Objects);
  auto resources = std::make_unique<TIEPDFDictionaryObject>();
  auto* procSet = new TIEPDFArrayObject;
  procSet->Add(Name("PDF"));
  procSet->Add(Name("ImageB"));
  resources->Add("ProcSet", procSet);
  resources->Add("XObject", new TIEPDFDictionaryObject);
  doc->Resources = resources.get();
  IEPDFAddObject(doc->Objects, resources.release());
  return doc;
}

void IEPDFAddPage(TIEPDFDocument& Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  if (Bitmap->PixelFormat() == TIEPixelFormat::ie1g) {
    Params.BitsPerSample = 1;
    Params.SamplesPerPixel = 1;
  } else if (Bitmap->PixelFormat() == TIEPixelFormat::ie24RGB) {
    Params.BitsPerSample = 8;
    Params.SamplesPerPixel = 3;
  }
  auto image = std::make_unique<TIEPDFStreamObject>();
  if (Params.BitsPerSample == 1 && Params.SamplesPerPixel == 1)
    EncodeBilevel(*image, Bitmap, Params, Progress);
  else
    EncodeColour(*image, Bitmap, Params, Progress);
  image->Dictionary->Insert(0, "Type", Name("XObject"));
  image->Dictionary->Insert(1, "Subtype", Name("Image"));
  image->Dictionary->Add("Width", Number(w));
  image->Dictionary->Add("Height", Number(h));
  TIEPDFStreamObject* img = image.get();
  IEPDFAddObject(Document.Objects, image.release());
  Document.Images.push_back(img);
  const String n = IntToStr(int64_t(Document.Images.size()));

  int32_t outW = 0, outH = 0;
  IEFitKeepAspect(w, h, Params.PDFPaperWidth, Params.PDFPaperHeight, outW, outH);
  const String content = "q\n" + IntToStr(outW) + " 0 0 " + IntToStr(outH) + " 0 " +
                         IntToStr(Params.PDFPaperHeight - outH) + " cm\n/lm" + n + " Do\nQ";
  auto contents = std::make_unique<TIEPDFStreamObject>(content.data(), int64_t(content.size()));
  TIEPDFStreamObject* cs = contents.get();
  IEPDFAddObject(Document.Objects, contents.release());
  Document.Contents.push_back(cs);

  auto* xobjects = static_cast<TIEPDFDictionaryObject*>(Document.Resources->Find("XObject"));
  xobjects->Add("lm" + n, new TIEPDFRefObject(img->Number, 0));

  auto* mediaBox = new TIEPDFArrayObject;
  mediaBox->Add(Number(0));
  mediaBox->Add(Number(0));
  mediaBox->Add(Number(Params.PDFPaperWidth));
  mediaBox->Add(Number(Params.PDFPaperHeight));
  IEPDFCreatePage(Document.Objects, Document.PageList, Document.Resources, cs->Number, mediaBox);
}

void IEClosePDF(std::unique_ptr<TIEPDFDocument>& Document, TStream* Stream, TIOParamsVals& Params) {
  if (!Document) return;
  IEPDFCreatePages(Document->Objects, Document->PageList);
  auto info = std::make_unique<TIEPDFDictionaryObject>();
  const std::pair<const char*, const String*> texts[] = {
      {"Title", &Params.PDFTitle},       {"Author", &Params.PDFAuthor},   {"Subject", &Params.PDFSubject},
      {"Keywords", &Params.PDFKeywords}, {"Creator", &Params.PDFCreator}, {"Producer", &Params.PDFProducer}};
  for (const auto& [key, text] : texts)
    if (!text->empty()) info->Add(key, new TIEPDFStringObject(*text));
  info->Add("CreationDate", new TIEPDFStringObject(PDFDate(Now())));
  TIEPDFDictionaryObject* infoObj = info.get();
  IEPDFAddObject(Document->Objects, info.release());
  IEPDFWriteHeader(Stream);
  IEPDFWriteObjects(Stream, Document->Objects);
  IEPDFWriteXRef(Stream, Document->Objects, infoObj);
  Document.reset();
}

void IEEncodePDFPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress) {
  std::unique_ptr<TIEPDFDocument> doc = IEPDFCreateDocument();
  IEPDFAddPage(*doc, Bitmap, Params, Progress);
  IEClosePDF(doc, Stream, Params);
}
