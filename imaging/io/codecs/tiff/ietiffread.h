// The TIFF reader: one page (IFD) of a TIFF stream into a TIEBitmap with its
// alpha samples in a TIEMask, and the page's fields and metadata (EXIF
// sub-IFD, maker note, IPTC, XMP, annotations, ICC profile) into the
// parameter record; the page counter and the two content tests.
//
// The strip and tile decoding below it reads every strip or tile into memory
// once, bounded by the bytes the stream really holds, and decodes its rows
// straight into the bitmap. Compressions: none, Modified Huffman, Group 3
// one- and two-dimensional, Group 4, LZW (through the record's hook, else
// the global one), PackBits, JPEG (with JPEGTables) and old-style JPEG.
//
// Failures, unsupported data included, are reported only through the abort
// flag; rows that no data reaches stay zero.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/model/containers/ieifd.h"
#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/types.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIECodecProgress;

// The decoding state of one page, filled from its tags and only read by the
// strip and tile decoding. Cleared for every call; owns its arrays.
struct TTIFFVars {
  int32_t ImageWidth = 0;
  int32_t ImageLength = 0;
  int32_t SamplesPerPixel = 0;
  int32_t BitsPerSample = 0;
  int32_t RowsPerStrip = 0;  // 1..ImageLength once read
  int32_t TileWidth = 0;
  int32_t TileLength = 0;
  uint16_t PhotometricInterpretation = 0;
  uint16_t PlanarConfiguration = 0;
  uint16_t Orientation = 0;
  uint16_t Compression = 0;
  std::vector<int32_t> StripOffsets;
  std::vector<int32_t> StripByteCounts;
  std::vector<int32_t> TileOffsets;
  std::vector<int32_t> TileByteCounts;
  std::vector<TRGB> ColorMap;
  int32_t ColorMapCount = 0;
  int32_t ResolutionUnit = 0;
  double XResolution = 0;
  double YResolution = 0;
  int32_t Predictor = 0;
  std::vector<uint8_t> JPEGTables;
  int32_t T4Options = 0;
  int32_t FillOrder = 0;
  double XPosition = 0;
  double YPosition = 0;
  String DocumentName;
  String ImageDescription;
  String PageName;
  String Software;
  String Artist;
  int32_t PageNumber[2] = {0, 0};
  int32_t JPEGProc = 0;
  int32_t JPEGInterchangeFormat = 0;
  int32_t ExtraSamples = 0;

  TIETIFFLZWDecoderFunc LZWDecoder = nullptr;
  bool LittleEndian = true;
  TIOParamsVals* Params = nullptr;  // borrowed
  TIEMask* Mask = nullptr;          // borrowed; nil when no alpha is read
  bool IgnoreAlpha = false;
};

// Reads page TIFFImageIndex of Params (0 = the first IFD) from the stream's
// position. PageCount receives the number of IFDs of the chain. Params nil
// only counts the pages. ParamsOnly fills PageCount and Params only. Mask
// (created when nil and the page has alpha, unless IgnoreAlpha) receives the
// alpha samples at ImageWidth x ImageLength. BaseAtPosition: offsets count
// from the position at entry, else from 0. Thumbnail: the page is an EXIF
// thumbnail (no size needed in the tags, at most 400 x 400). A page index
// past the end, or a first-IFD offset of 0, reads nothing and is no failure.
void IEDecodeTIFF(TIEBitmap* Bitmap, TStream* Stream, int32_t& PageCount, TIOParamsVals* Params,
                  TIECodecProgress& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& Mask, bool BaseAtPosition,
                  bool IgnoreAlpha, bool Thumbnail);

// The number of pages of the TIFF at the stream's position (0 when it is
// none).
int32_t IETIFFPageCount(TStream* Stream);

// Whether the stream holds a TIFF ("II", or "MM" whose byte 8 is not 0xBA,
// with a first-IFD offset inside the stream). The position is restored.
bool IETestTIFF(TStream* Stream);
// Whether the first IFD holds DNGVersion (50706, BYTE, count 4). The
// position is restored.
bool IETestDNG(TStream* Stream);

// ---- Strip and tile decoding (the reader chooses among them) ------------------------------
// Every tile of a chunky page into the bitmap allocated by the reader.
void IETIFFDecodeTiles(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress);
// Every strip, chunky or as three 8-bit RGB planes.
void IETIFFDecodeStrips(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress);
// The Rows rows of Width pixels of one strip or tile (Data, Length bytes)
// into bitmap rows Y.., starting XOffset bytes into each row. Data may be
// changed in place.
void IETIFFDecodeBlock(TTIFFVars& Vars, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows,
                       int32_t Width, int32_t Length, uint8_t* Data, int32_t XOffset);

// Where one block's compressed bytes are read from.
struct TIETIFFSource {
  uint8_t* Data = nullptr;
  int64_t Length = 0;
  int64_t Position = 0;     // bytes consumed (PackBits, uncompressed, Modified Huffman)
  int32_t BitPosition = 0;  // CCITT bit position (Group 3 and 4)
};

// Decompresses one row of Samples samples per pixel. Row is the row buffer
// on entry (room for the unpacked row) and, on return, the decoded row (a
// pointer into the source for uncompressed data of 8 or more bits). False
// when the row cannot be decoded (damaged LZW data, data that ends before
// the row).
bool IETIFFDecodeRow(uint8_t*& Row, TIETIFFSource& Source, uint8_t* ReferenceLine, TIELZWDecoderState*& LZWState,
                     int32_t RowLength, int32_t Width, int32_t Samples, const TTIFFVars& Vars);
// The rows of one strip of each of the three 8-bit planes into 24-bit rows.
void IETIFFDecodePlanarRGB(TTIFFVars& Vars, TIEBitmap* Bitmap, int32_t Y, TIECodecProgress& Progress, int32_t Rows,
                           int32_t Width, std::vector<uint8_t>* Planes);
// An old-style JPEG page: the one JPEG stream at JPEGInterchangeFormat (or
// the first strip) straight into the bitmap.
void IETIFFDecodeOldJPEG(TIEIFDReader& Reader, TTIFFVars& Vars, TIEBitmap* Bitmap, TIECodecProgress& Progress,
                         bool Thumbnail);
