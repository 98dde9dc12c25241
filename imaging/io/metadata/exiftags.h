// The vocabulary of the file-level EXIF reader: the EXIF/TIFF and GPS tag
// tables, the rules that turn a directory entry's bytes into a value text,
// and the tag-entry record shared with the IPTC list.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

// Turns a value text into the text shown for it.
using TTagDecoder = String (*)(const String& Text);

// One table row or one entry read from a file.
struct TTagEntry {
  int32_t TableId = 0;      // 0 EXIF, GPS and IPTC rows; 1 maker-note items
  uint16_t TagType = 0;     // TIFF type of the entry read (0 in table rows)
  uint16_t IptcRecord = 0;  // IPTC record number
  uint16_t Tag = 0;         // tag (IPTC: dataset) number; 0 marks a row without tag
  String Name;              // searchable name
  String Description;       // readable name
  String DecodeList;        // "value:label,value:label..."
  String Text;              // value text (UTF-8 for EXIF entries)
  String Raw;               // value bytes as found in the file
  int32_t ValuePos = 0;     // 1-based position of the value in the EXIF block
  String FormatString;
  int32_t Size = 0;  // length of Raw (IPTC rows: maximum length of the dataset)
  TTagDecoder Decoder = nullptr;
};

// TIFF field types.
enum : uint16_t {
  ttByte = 1,
  ttAscii = 2,
  ttShort = 3,
  ttLong = 4,
  ttRational = 5,
  ttSByte = 6,
  ttUndefined = 7,
  ttSShort = 8,
  ttSLong = 9,
  ttSRational = 10,
  ttFloat = 11,
  ttDouble = 12
};

// Directory kinds of the walk: main, EXIF, interoperability and sub-directories;
// GPS; the thumbnail directory.
constexpr int32_t dkMain = 1;
constexpr int32_t dkGPS = 2;
constexpr int32_t dkThumbnail = 4;

// Bytes per component of a TIFF type; 0 for an unknown type.
int32_t TagTypeSize(int32_t Type);

// Gives every row without a description one made from its name. Runs once
// per process and is safe to call from several threads; every lookup below
// calls it first.
void FillTagDescriptions();
// "ExposureTime" -> "Exposure Time": a blank before each capital A-Z that
// follows a character other than a capital.
String MakeTagDescription(const String& Name);

int32_t ExifTagRowCount();  // 250
const TTagEntry& ExifTagRow(int32_t Index);
int32_t GpsTagRowCount();  // 30
const TTagEntry& GpsTagRow(int32_t Index);
const TTagEntry& DefaultTagRow();  // tag 0, "Unknown"
// The row of Tag in the table of that directory kind (GPS for dkGPS, EXIF
// otherwise); the last matching row wins; the default row when none matches.
const TTagEntry& FindTagRow(uint16_t Tag, int32_t Kind);

// The components of Value (at most 128) as text joined by ", ". Integer types
// are read unsigned in the given byte order and shown as signed 32-bit values
// (or as their label in DecodeList, empty when missing), rationals as "n/d",
// FLOAT and DOUBLE as "-9999.99". A format string with "%s" takes the whole
// text, any other takes TagNumericValue.
String FormatTagValue(const String& Value, int32_t Type, const String& DecodeList, const String& FormatString,
                      bool BigEndian);
// Integer types: all value bytes accumulated as one number (signed 32-bit);
// rationals: the first numerator over the first denominator; otherwise or on
// any error 0 (FLOAT and DOUBLE are not decoded).
double TagNumericValue(const String& Value, int32_t Type, bool BigEndian);
// The label of Text in "value:label,..." lists; empty when absent.
String DecodeListLabel(const String& DecodeList, const String& Text);
// At most 50 characters of the text (read as Windows-1252 when not UTF-8),
// each control character below 32 shown as ".".
String SanitizeTagText(const String& Text);
// The value text of one entry read with Row: ASCII without its trailing zero,
// UNDEFINED quoted, other types through FormatTagValue; then the row's
// decoder, or SanitizeTagText when it has none.
String TagValueText(const TTagEntry& Row, const String& Value, int32_t Type, bool BigEndian);

// Decoders of the table rows.
String DecodeComponents(const String& Text);    // bytes 1,2,3,0 -> "YCbCr"
String DecodeShutterSpeed(const String& Text);  // APEX "8/1" -> "0.0039 sec (1/256)"
String DecodeFlash(const String& Text);         // "16" -> "Off, surpressed"
String Decode16BitText(const String& Text);     // "72, 0, 105, 0" -> "Hi"
String DecodeCoordinate(const String& Text);    // "35/1, 30/1, 0/1" -> 35 30' 0.00000000000"
String DecodeGpsTime(const String& Text);       // "13/1, 45/1, 10/1" -> "13:45:10"
String DecodeUserComment(const String& Text);   // shown as text; the reader replaces it
