#include "imaging/io/core/ieformats.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

#include "imaging/io/codecs/exif/ieexifblock.h"
#include "imaging/io/codecs/gif/lzw/iegiflzw.h"
#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ielzwhooks.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/processing/iemodelinit.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"

namespace {

using TRows = std::vector<std::unique_ptr<TIEFormatRecord>>;

// Function-local statics: built on first use, no start-up constructors.
TRows& Rows() {
  static TRows rows;
  return rows;
}

std::vector<TIEPluginEntry>& Plugins() {
  static std::vector<TIEPluginEntry> plugins;
  return plugins;
}

// The procedures of the built-in rows: they only mark a format as readable
// or writable; the I/O component has its own methods for these formats, and
// the detector runs the built-in content tests itself.
void PlaceholderRead(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&, bool) {}
void PlaceholderWrite(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&) {}
bool PlaceholderTest(TStream*, int32_t) { return false; }

// The Index-th item of a ";"-separated list, walked as the registry always
// has: an empty item reads as the end of the list for the counters.
String ExtensionItem(const String& Extensions, int32_t Index) {
  String rest = Extensions;
  String result;
  for (int32_t i = 0; i <= Index; ++i) {
    if (rest.empty()) return String();
    const size_t p = rest.find(';');
    if (p == String::npos) {
      result = rest;
      rest.clear();
    } else {
      result = rest.substr(0, p);
      rest = rest.substr(p + 1);
    }
  }
  return result;
}

bool RowHasExtension(const TIEFormatRecord& Row, const String& LowerExt) {
  for (int32_t i = 0;; ++i) {
    const String e = ExtensionItem(Row.Extensions, i);
    if (e.empty()) return false;
    if (LowerCase(e) == LowerExt) return true;
  }
}

TIEFormatRecord BuiltinRow(int32_t FileType, const char* FullName, const char* Extensions, uint16_t Pages, bool Read,
                           bool Write) {
  TIEFormatRecord r;
  r.FileType = FileType;
  r.FullName = FullName;
  r.Extensions = Extensions;
  r.Internal = true;
  r.OptionsPages = TIEPreviewPages::FromBits(Pages);
  r.ReadProc = Read ? PlaceholderRead : nullptr;
  r.WriteProc = Write ? PlaceholderWrite : nullptr;
  r.TestProc = PlaceholderTest;
  return r;
}

std::once_flag GInitOnce;
std::atomic<bool> GStarted{false};

}  // namespace

// ---- Registry ---------------------------------------------------------------------------

const TRows& IEFormatRegistry() { return Rows(); }

void IERegisterBuiltinFormats() {
  IEFreeFormatRegistry();
  const TIEFormatRecord rows[] = {
      BuiltinRow(fcTIFF, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F", 8, true, true),
      BuiltinRow(fcGIF, "CompuServe Bitmap", "GIF", 16, true, true),
      BuiltinRow(fcJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", 4, true, true),
      BuiltinRow(fcPCX, "PaintBrush", "PCX", 64, true, true),
      BuiltinRow(fcBMP, "Windows Bitmap", "BMP;DIB;RLE", 32, true, true),
      BuiltinRow(fcICO, "Windows Icon", "ICO", 0, true, true),
      BuiltinRow(fcCUR, "Windows Cursor", "CUR", 0, true, false),
      BuiltinRow(fcPNG, "Portable Network Graphics", "PNG", 128, true, true),
      BuiltinRow(fcWMF, "Windows Metafile", "WMF", 0, true, false),
      BuiltinRow(fcEMF, "Enhanced Windows Metafile", "EMF", 0, true, false),
      BuiltinRow(fcTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", 256, true, true),
      BuiltinRow(fcPXM, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true),
      BuiltinRow(fcWBMP, "Wireless Bitmap", "WBMP", 0, true, true),
      BuiltinRow(fcJP2, "JPEG2000", "JP2", 512, true, true),
      BuiltinRow(fcJ2K, "JPEG2000 Code Stream", "J2K;JPC;J2C", 512, true, true),
      BuiltinRow(fcPS, "PostScript Level 2", "PS;EPS", 0, false, true),
      BuiltinRow(fcPDF, "Adobe PDF", "PDF", 0, false, true),
      BuiltinRow(fcDCX, "Multipage PCX", "DCX", 0, true, true),
      BuiltinRow(fcRAW, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR", 0, true, false),
  };
  for (const TIEFormatRecord& r : rows) IERegisterFormat(r);
}

int32_t IERegisterFormat(const TIEFormatRecord& Row) {
  auto copy = std::make_unique<TIEFormatRecord>(Row);
  if (copy->FullName.size() > IEFormatTextMax) copy->FullName.resize(IEFormatTextMax);
  if (copy->Extensions.size() > IEFormatTextMax) copy->Extensions.resize(IEFormatTextMax);
  Rows().push_back(std::move(copy));
  return static_cast<int32_t>(Rows().size()) - 1;
}

void IEUnregisterFormat(int32_t FileType) {
  TRows& rows = Rows();
  for (auto it = rows.begin(); it != rows.end(); ++it) {
    if ((*it)->FileType == FileType) {
      rows.erase(it);  // the registry owns the row: it goes with its entry
      return;
    }
  }
}

TIEFormatRecord* IEFindFormatByType(int32_t FileType) {
  for (const auto& r : Rows())
    if (r->FileType == FileType) return r.get();
  return nullptr;
}

TIEFormatRecord* IEFindFormatByExtension(const String& Extension) {
  String ext = LowerCase(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  // Camera formats that share the generic RAW row under another name.
  if (ext == "arw" || ext == "rw2" || ext == "x3f") ext = "srf";
  for (const auto& r : Rows())
    if (RowHasExtension(*r, ext)) return r.get();
  return nullptr;
}

String IEFormatExtension(int32_t FileType, int32_t Index) {
  const TIEFormatRecord* row = IEFindFormatByType(FileType);
  if (row == nullptr || Index < 0) return String();
  return ExtensionItem(row->Extensions, Index);
}

int32_t IEFormatExtensionCount(int32_t FileType) {
  int32_t n = 0;
  while (!IEFormatExtension(FileType, n).empty()) ++n;
  return n;
}

void IEUpdateGIFAvailability() {
  TIEFormatRecord* row = IEFindFormatByType(fcGIF);
  if (row == nullptr) return;
  row->ReadProc = IEGIFLZWDecoderHook != nullptr ? PlaceholderRead : nullptr;
  row->WriteProc = IEGIFLZWEncoderHook != nullptr ? PlaceholderWrite : nullptr;
}

void IEFreeFormatRegistry() { Rows().clear(); }

void IEFormatDescription(const TIOParamsVals& Params, String& Text) {
  Text.clear();
  if (const TIEFormatRecord* row = IEFindFormatByType(Params.FileType))
    Text = row->FullName + " (" + UpperCase(ExtensionItem(row->Extensions, 0)) + ")";
  switch (Params.FileType) {
    case fcTIFF: Text += IETIFFCompressionWord(Params.TIFFCompression); break;
    case fcGIF:
      if (Params.GIFInterlaced) Text += " Interlaced";
      break;
    case fcJPEG: Text += IEJPEGColorSpaceWord(Params.JPEGColorSpace); break;
    case fcPCX:
      if (!Params.PCXCompression) Text += " Uncompressed";
      break;
    case fcBMP: {
      static const char* const kVersions[] = {" ver.1", " ver.3", " OS/2 v.1", " OS/2 v.2"};
      if (Params.BMPVersion < std::size(kVersions)) Text += kVersions[Params.BMPVersion];
      break;
    }
    case fcPNG:
      if (Params.PNGInterlaced) Text += " Interlaced";
      break;
    case fcTGA: Text += Params.TGACompressed ? " Compressed" : " Uncompressed"; break;
    case fcJP2:
    case fcJ2K: {
      static const char* const kSpaces[] = {" Gray level", " RGB", " YCbCr"};
      if (Params.J2000ColorSpace < std::size(kSpaces)) Text += kSpaces[Params.J2000ColorSpace];
      break;
    }
    case fcRAW: Text += " (" + Params.RAWOptions.RAWCamera + ")"; break;
    default: break;
  }
}

// ---- Plugin list ---------------------------------------------------------------------------

std::vector<TIEPluginEntry>& IEPluginList() { return Plugins(); }

// ---- Start-up and shutdown -----------------------------------------------------------------

void IEInitImageIO() {
  std::call_once(GInitOnce, [] {
    IEInitImageModel();
    IEInstallTIFFLZWHooks();
    IEGIFLZWDecoderHook = IEGIFLZWDecode;
    IEGIFLZWEncoderHook = IEGIFLZWEncode;
    IELoadEXIFFromBlockHook = IELoadEXIFFromBlock;
    IEInstallImgIOExtensions();
    IEInstallFormatMethods();
    IERegisterBuiltinFormats();
    IEColorConvertHook = IEConvertColorRow;
    IEColorManagement = false;
    Plugins().clear();
    GStarted.store(true);
  });
}

void IEShutdownImageIO() {
  if (!GStarted.exchange(false)) return;
  IEFreeFormatRegistry();
  for (TIEPluginEntry& e : Plugins()) {
    IEUnregisterFormat(e.FileType);
    e.Lock.reset();
    if (e.LibraryHandle != nullptr) dlclose(e.LibraryHandle);
  }
  Plugins().clear();
}
