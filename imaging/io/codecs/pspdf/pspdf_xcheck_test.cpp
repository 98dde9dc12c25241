// Cross-checks of the PDF object model and the encoders with independent
// tools: qpdf checks a document built from the objects and decodes its
// ASCII85, RunLength and LZW streams; Python's base64 decodes our ASCII85.
// Skipped when the tools are absent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "imaging/io/codecs/pspdf/iepdfobjects.h"
#include "imaging/io/codecs/pspdf/iepsfilters.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/model/pixels/testsupport/pnm.h"
#include "platform/rtl/streams.h"

namespace {

using TBytes = std::vector<uint8_t>;

class PdfXcheck : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* home = std::getenv("HOME");
    std::string templ = std::string(home && *home ? home : "/tmp") + "/pdfx-XXXXXX";
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    FDir = templ;
  }
  void TearDown() override {
    std::error_code ec;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, ec);
  }
  std::string File(const std::string& name) const { return FDir + "/" + name; }
  std::string FDir;
};

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Mixed content: runs, noise and ramps.
TBytes Sample(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  TBytes out;
  while (out.size() < n) {
    const size_t len = 1 + rng() % 300;
    const int kind = static_cast<int>(rng() % 3);
    const auto b = static_cast<uint8_t>(rng());
    for (size_t i = 0; i < len && out.size() < n; ++i)
      out.push_back(kind == 0 ? b : kind == 1 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(b + i));
  }
  return out;
}

std::string ASCII85(const TBytes& data) {
  std::string out(static_cast<size_t>(IEASCII85MaxSize(static_cast<int64_t>(data.size()))), '\0');
  const uint8_t* in = data.data();
  char* dest = out.data();
  int32_t digits = 0;
  out.resize(static_cast<size_t>(IEASCII85Encode(in, static_cast<int32_t>(data.size()), dest, digits)));
  return out;
}

TBytes RunLength(const TBytes& data) {
  TBytes out(2 * data.size() + 1);
  out.resize(static_cast<size_t>(IERunLengthEncode(data.data(), static_cast<int32_t>(data.size()), out.data())));
  return out;
}

TBytes LZW(const TBytes& data, size_t rowLength) {
  TMemoryStream s;
  TIELZWEncoderState* state = nullptr;
  for (size_t at = 0; at < data.size(); at += rowLength)
    IETIFFLZWEncode(data.data() + at, static_cast<int32_t>(std::min(rowLength, data.size() - at)), &s, state);
  IETIFFLZWEncode(nullptr, 0, &s, state);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return TBytes(p, p + s.Size());
}

}  // namespace

TEST_F(PdfXcheck, QpdfChecksAndDecodesOurDocument) {
  IE_REQUIRE_TOOL("qpdf", "qpdf");
  TIEPDFObjectList list;
  TIEPDFPageList pages;
  IEPDFCreateCatalog(list);
  auto* resources = new TIEPDFDictionaryObject;
  auto* procSet = new TIEPDFArrayObject;
  procSet->Add(new TIEPDFNameObject("PDF"));
  resources->Add("ProcSet", procSet);
  IEPDFAddObject(list, resources);
  const std::string content = "q 0.5 0 0 0.5 10.25 20 cm 0 0 m 100 100 l S Q";
  auto* contents = new TIEPDFStreamObject(content.data(), static_cast<int64_t>(content.size()));
  IEPDFAddObject(list, contents);
  auto* box = new TIEPDFArrayObject;
  for (double v : {0.0, 0.0, 595.0, 841.5}) box->Add(new TIEPDFNumericObject(v));
  IEPDFCreatePage(list, pages, resources, contents->Number, box);

  // Streams in each of our encodings, with the bytes they must decode to.
  struct TCoded {
    const char* Filter;
    TBytes Source;
    TIEPDFStreamObject* Stream;
  };
  std::vector<TCoded> coded;
  auto add = [&](const char* filter, const TBytes& source, const TBytes& data) {
    auto* s = new TIEPDFStreamObject(data.data(), static_cast<int64_t>(data.size()));
    s->Dictionary->Add("Filter", new TIEPDFNameObject(filter));
    IEPDFAddObject(list, s);
    coded.push_back({filter, source, s});
  };
  for (uint32_t seed : {1u, 2u}) {
    const TBytes source = Sample(seed == 1 ? 5000 : 0, seed);
    const std::string a85 = ASCII85(source);
    add("ASCII85Decode", source, TBytes(a85.begin(), a85.end()));
    add("RunLengthDecode", source, RunLength(source));
  }
  for (size_t rowLength : {1u, 77u, 5000u}) {
    const TBytes source = Sample(60000, static_cast<uint32_t>(rowLength));
    add("LZWDecode", source, LZW(source, rowLength));
  }
  IEPDFCreatePages(list, pages);
  auto* info = new TIEPDFDictionaryObject;
  info->Add("Title", new TIEPDFStringObject("A (test) \\ title"));
  info->Add("Producer", new TIEPDFStringObject("tests"));
  IEPDFAddObject(list, info);

  TMemoryStream s;
  IEPDFWriteHeader(&s);
  IEPDFWriteObjects(&s, list);
  IEPDFWriteXRef(&s, list, info);
  const std::string path = File("doc.pdf");
  s.SaveToFile(path);

  EXPECT_EQ(RunTool({"qpdf", "--check", path}, File("check.txt")), 0) << ReadAll(File("check.txt"));
  EXPECT_NE(ReadAll(File("check.txt")).find("No syntax or stream encoding errors found"), std::string::npos)
      << ReadAll(File("check.txt"));
  for (const TCoded& c : coded) {
    const std::string out = File("stream.bin");
    EXPECT_EQ(
        RunTool({"qpdf", "--show-object=" + std::to_string(c.Stream->Number), "--filtered-stream-data", path}, out), 0)
        << c.Filter;
    const std::string got = ReadAll(out);
    EXPECT_TRUE(got == std::string(c.Source.begin(), c.Source.end()))
        << c.Filter << " object " << c.Stream->Number << ": " << got.size() << " bytes, expected " << c.Source.size();
  }
  EXPECT_EQ(RunTool({"qpdf", "--show-object=trailer", path}, File("trailer.txt")), 0);
  EXPECT_NE(ReadAll(File("trailer.txt")).find("/Size " + std::to_string(list.size() + 1)), std::string::npos);
  for (TIEPDFObject* o : list) delete o;
}

TEST_F(PdfXcheck, PythonDecodesOurASCII85) {
  IE_REQUIRE_TOOL("python3", "python3");
  std::vector<TBytes> inputs = {{}, {0}, {0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, TBytes(1000, 0)};
  for (size_t n : {1u, 2u, 3u, 59u, 60u, 61u, 4097u}) inputs.push_back(Sample(n, static_cast<uint32_t>(n)));
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::string text = ASCII85(inputs[i]);
    ASSERT_GE(text.size(), 4u);
    ASSERT_EQ(text.substr(text.size() - 4), "~>\r\n");
    WriteAll(File("a85.txt"), text.substr(0, text.size() - 2));
    const std::string script =
        "import base64,sys\n"
        "data=open(sys.argv[1],'rb').read()\n"
        "sys.stdout.buffer.write(base64.a85decode(data, adobe=True))\n";
    EXPECT_EQ(RunTool({"python3", "-c", script, File("a85.txt")}, File("a85.bin")), 0) << "input " << i;
    const std::string got = ReadAll(File("a85.bin"));
    EXPECT_TRUE(got == std::string(inputs[i].begin(), inputs[i].end()))
        << "input " << i << " of " << inputs[i].size() << " bytes";
  }
}
