// Our PostScript and PDF documents read by independent tools: Ghostscript
// renders the PostScript pages and converts them to PDF, qpdf checks every
// PDF, poppler reports the document and its images and renders the pages.
// Pages are as large as the image, so Ghostscript at 72 dpi maps one pixel to
// one pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/io/codecs/pspdf/iepdfwriter.h"
#include "imaging/io/codecs/pspdf/iepswriter.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

using enum TIEPixelFormat;

constexpr int32_t kW = 40;
constexpr int32_t kH = 24;

void MakeImage(TIEBitmap& B, bool Bilevel) {
  if (Bilevel) {
    B.Allocate(kW, kH, ie1g);
    for (int32_t y = 0; y < kH; ++y) {
      auto* row = static_cast<uint8_t*>(B.ScanLine(y));
      for (int32_t x = 0; x < kW; ++x)
        if (((x / 5) + (y / 3)) % 2 || x == y) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    return;
  }
  // Smooth enough for JPEG, with a hard edge for the lossless codings.
  B.Allocate(kW, kH, ie24RGB);
  for (int32_t y = 0; y < kH; ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (int32_t x = 0; x < kW; ++x) {
      row[3 * x] = uint8_t(x * 6);
      row[3 * x + 1] = uint8_t(y * 10);
      row[3 * x + 2] = x < kW / 2 ? 40 : 220;
    }
  }
}

std::vector<uint8_t> Bytes(TMemoryStream& S) {
  const auto* p = static_cast<const uint8_t*>(S.Memory());
  return std::vector<uint8_t>(p, p + S.Size());
}

// The largest and mean difference of the rendering against the source, per
// sample; a bilevel source is compared as 0 / 255 gray. A rendering Scale
// times larger is read at the centres of the pixels' blocks.
void Compare(TIEBitmap& Source, const TPamImage& Render, int32_t& Worst, double& Mean, int32_t Scale = 1) {
  Worst = 0;
  int64_t sum = 0, n = 0;
  ASSERT_EQ(Render.Width, kW * Scale);
  ASSERT_EQ(Render.Height, kH * Scale);
  for (int32_t y = 0; y < kH; ++y) {
    const auto* row = static_cast<const uint8_t*>(Source.ScanLine(y));
    for (int32_t x = 0; x < kW; ++x)
      for (int32_t c = 0; c < 3; ++c) {
        int32_t want;
        if (Source.PixelFormat() == ie1g)
          want = (row[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
        else
          want = row[3 * x + 2 - c];
        const int32_t got =
            Render.At(x * Scale + Scale / 2, y * Scale + Scale / 2, Render.Depth == 1 ? 0 : c) * 255 / Render.MaxVal;
        Worst = std::max(Worst, std::abs(got - want));
        sum += std::abs(got - want);
        ++n;
      }
  }
  Mean = double(sum) / double(n);
}

struct TVariant {
  const char* Name;
  bool Bilevel;
  uint8_t Compression;
  bool Lossy;
};

TEST(PsPdfWriterXcheck, GhostscriptRendersEveryPostScriptVariant) {
  IE_REQUIRE_TOOL("gs", "ghostscript");
  IE_REQUIRE_TOOL("ps2pdf", "ghostscript");
  IE_REQUIRE_TOOL("qpdf", "qpdf");
  const TVariant variants[] = {{"rgb-runlength", false, 0, false},
                               {"bw-runlength", true, 0, false},
                               {"bw-g4", true, 1, false},
                               {"bw-g3-2d", true, 2, false},
                               {"rgb-dct", false, 3, true}};
  TIETempDir dir;
  for (const TVariant& v : variants) {
    SCOPED_TRACE(v.Name);
    TIEBitmap b;
    MakeImage(b, v.Bilevel);
    TIOParamsVals p;
    p.PSCompression = v.Compression;
    p.PSPaperWidth = kW;
    p.PSPaperHeight = kH;
    p.JPEGQuality = 95;
    TMemoryStream s;
    TIECodecProgress progress;
    IEEncodePSPage(&s, &b, p, progress);
    const std::string ps = dir.File(std::string(v.Name) + ".ps");
    ASSERT_TRUE(IEWriteBytesFile(ps, Bytes(s)));
    const std::string ppm = dir.File(std::string(v.Name) + ".ppm");
    ASSERT_EQ(IERunTool({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw", "-r72",
                         "-dDEVICEWIDTHPOINTS=" + std::to_string(kW), "-dDEVICEHEIGHTPOINTS=" + std::to_string(kH),
                         "-dFIXEDMEDIA", "-o", ppm, ps})
                  .ExitStatus,
              0);
    TPamImage render;
    ASSERT_TRUE(ReadPamFile(ppm, render));
    int32_t worst = 0;
    double mean = 0;
    Compare(b, render, worst, mean);
    if (v.Lossy) {
      EXPECT_LT(mean, 4.0);
    } else {
      EXPECT_EQ(worst, 0);
    }
    const std::string pdf = dir.File(std::string(v.Name) + ".pdf");
    ASSERT_EQ(IERunTool({"ps2pdf", ps, pdf}).ExitStatus, 0);
    EXPECT_EQ(IERunTool({"qpdf", "--check", pdf}).ExitStatus, 0);
  }
}

TEST(PsPdfWriterXcheck, PopplerAndQpdfReadEveryPdfVariant) {
  IE_REQUIRE_TOOL("qpdf", "qpdf");
  IE_REQUIRE_TOOL("pdfinfo", "poppler-utils");
  IE_REQUIRE_TOOL("pdfimages", "poppler-utils");
  IE_REQUIRE_TOOL("pdftoppm", "poppler-utils");
  IEInstallTIFFLZWHooks();
  const struct {
    TVariant V;
    std::string Listing;  // "enc bpc color" columns of pdfimages -list
  } variants[] = {{{"bw-none", true, 0, false}, "image 1 gray"}, {{"bw-runlength", true, 1, false}, "image 1 gray"},
                  {{"bw-g4", true, 2, false}, "ccitt 1 gray"},   {{"bw-g3-2d", true, 3, false}, "ccitt 1 gray"},
                  {{"bw-lzw", true, 5, false}, "image 1 gray"},  {{"rgb-none", false, 0, false}, "image 8 rgb"},
                  {{"rgb-dct", false, 4, true}, "jpeg 8 rgb"},   {{"rgb-lzw", false, 5, false}, "image 8 rgb"}};
  TIETempDir dir;
  for (const auto& [v, listing] : variants) {
    SCOPED_TRACE(v.Name);
    TIEBitmap b;
    MakeImage(b, v.Bilevel);
    TIOParamsVals p;
    p.PDFCompression = v.Compression;
    p.PDFPaperWidth = kW;
    p.PDFPaperHeight = kH;
    p.PDFTitle = "Proof (1)";
    p.PDFAuthor = "Tester";
    p.JPEGQuality = 95;
    TMemoryStream s;
    TIECodecProgress progress;
    IEEncodePDFPage(&s, &b, p, progress);
    const std::string pdf = dir.File(std::string(v.Name) + ".pdf");
    ASSERT_TRUE(IEWriteBytesFile(pdf, Bytes(s)));
    const TIEToolRun check = IERunTool({"qpdf", "--check", pdf});
    EXPECT_EQ(check.ExitStatus, 0) << std::string(check.Output.begin(), check.Output.end());

    const TIEToolRun info = IERunTool({"pdfinfo", pdf});
    const std::string infoText(info.Output.begin(), info.Output.end());
    EXPECT_NE(infoText.find("Title:           Proof (1)"), std::string::npos) << infoText;
    EXPECT_NE(infoText.find("Author:          Tester"), std::string::npos);
    EXPECT_NE(infoText.find("Pages:           1"), std::string::npos);
    EXPECT_NE(infoText.find("Page size:       40 x 24 pts"), std::string::npos);

    const TIEToolRun images = IERunTool({"pdfimages", "-list", pdf});
    std::string row(images.Output.begin(), images.Output.end());
    row = row.substr(row.rfind('\n', row.size() - 2) + 1);
    // page num type width height color comp bpc enc ...
    std::vector<std::string> cols;
    for (size_t at = 0; at < row.size();) {
      const size_t start = row.find_first_not_of(" \n", at);
      if (start == std::string::npos) break;
      const size_t end = row.find_first_of(" \n", start);
      cols.push_back(row.substr(start, end - start));
      at = end;
    }
    ASSERT_GE(cols.size(), 9u) << row;
    EXPECT_EQ(cols[8] + " " + cols[7] + " " + cols[5], listing);
    EXPECT_EQ(cols[3] + "x" + cols[4], "40x24");

    const std::string base = dir.File(v.Name);
    // At 72 dpi the renderer resamples the image slightly; at ten times
    // that, the centre of each pixel's block holds the pixel.
    ASSERT_EQ(IERunTool({"pdftoppm", "-r", "720", "-singlefile", pdf, base}).ExitStatus, 0);
    TPamImage render;
    ASSERT_TRUE(ReadPamFile(base + ".ppm", render));
    int32_t worst = 0;
    double mean = 0;
    Compare(b, render, worst, mean, 10);
    if (v.Lossy) {
      EXPECT_LT(mean, 4.0);
    } else {
      EXPECT_EQ(worst, 0);
    }
  }
}

TEST(PsPdfWriterXcheck, PdfInfoShowsTheDefaultPaperAndPageCount) {
  IE_REQUIRE_TOOL("pdfinfo", "poppler-utils");
  TIEBitmap b;
  MakeImage(b, false);
  TIOParamsVals p;
  std::unique_ptr<TIEPDFDocument> doc = IEPDFCreateDocument();
  TIECodecProgress progress;
  IEPDFAddPage(*doc, &b, p, progress);
  IEPDFAddPage(*doc, &b, p, progress);
  TMemoryStream s;
  IEClosePDF(doc, &s, p);
  TIETempDir dir;
  ASSERT_TRUE(IEWriteBytesFile(dir.File("two.pdf"), Bytes(s)));
  const TIEToolRun info = IERunTool({"pdfinfo", dir.File("two.pdf")});
  const std::string text(info.Output.begin(), info.Output.end());
  EXPECT_NE(text.find("Pages:           2"), std::string::npos) << text;
  EXPECT_NE(text.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << text;
}

}  // namespace
