// The PDF writer: PDF 1.4 documents, one image XObject per page, scaled to
// fit the page with its aspect ratio kept and placed at the top-left corner.
// The document is built in memory while pages are added and written in one
// go when it is closed.
//
// Object numbers: the catalog is 1 and the resource dictionary 2; page k
// (from 1) adds its image as 3k, its content as 3k + 1 and its page
// dictionary as 3k + 2; closing adds the page tree and Info.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/codecs/pspdf/iepdfobjects.h"
#include "imaging/model/pixels/ieprogress.h"

class TIEBitmap;
class TIOParamsVals;
class TStream;

// The document being built. It owns every numbered object: freeing it frees
// the document, whether or not it was written.
struct TIEPDFDocument {
  TIEPDFDocument() = default;
  TIEPDFDocument(const TIEPDFDocument&) = delete;
  TIEPDFDocument& operator=(const TIEPDFDocument&) = delete;
  ~TIEPDFDocument();

  TIEPDFObjectList Objects;
  TIEPDFPageList PageList;
  std::vector<TIEPDFStreamObject*> Images;
  std::vector<TIEPDFStreamObject*> Contents;
  TIEPDFDictionaryObject* Resources = nullptr;
  TIEPDFDictionaryObject* Catalog = nullptr;
};

// A complete one-page document at the stream's position.
void IEEncodePDFPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress);

// A new document with its catalog and resource dictionary.
std::unique_ptr<TIEPDFDocument> IEPDFCreateDocument();
// Adds one page holding Bitmap (ie1g or ie24RGB). Sets BitsPerSample and
// SamplesPerPixel from the bitmap; a bilevel PDFCompression of 4 is stored
// back as 3. Errors of the JPEG writer raise.
void IEPDFAddPage(TIEPDFDocument& Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress);
// Nothing for a nil document; otherwise adds the page tree and Info, writes
// the document at the stream's position and frees it.
void IEClosePDF(std::unique_ptr<TIEPDFDocument>& Document, TStream* Stream, TIOParamsVals& Params);
