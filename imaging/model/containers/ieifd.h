// Access to TIFF image file directories (IFDs) in a stream: walking the IFD
// chain to count pages and load one page's entries, and reading tag values
// lazily with the file's byte order applied. Shared by the TIFF reader and
// the maker-note tag block (TIETagsHandler).
//
// Every offset and count comes from an untrusted file: each read is bounded
// by the stream, sizes are computed in 64 bits, and nothing is allocated
// beyond what the stream could fill. Bytes that lie beyond the stream read
// as zeros.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/types.h"

class TStream;
class TIETagsHandler;

// TIFF field types and the tags the accessors below know by number.
constexpr uint16_t IEIFD_BYTE = 1, IEIFD_ASCII = 2, IEIFD_SHORT = 3, IEIFD_LONG = 4, IEIFD_RATIONAL = 5,
                   IEIFD_SBYTE = 6, IEIFD_UNDEFINED = 7, IEIFD_SSHORT = 8, IEIFD_SLONG = 9, IEIFD_SRATIONAL = 10,
                   IEIFD_FLOAT = 11, IEIFD_DOUBLE = 12;
constexpr uint16_t IEIFDTag_BitsPerSample = 258;
constexpr uint16_t IEIFDTag_ColorMap = 320;
constexpr uint16_t IEIFDTag_MakerNote = 37500;

// Bytes of one value of each field type 0..12; 0 for any other type.
int32_t IEIFDTypeSize(uint32_t DataType);

// One 12-byte directory entry. After IEIFDLoad every field is in host order;
// for a big-endian ("MM") file the value field was swapped as a whole 32-bit
// value, so the first two bytes of the value field in file order lie in its
// high half, and in its low half for a little-endian ("II") file.
struct TIFDEntry {
  uint16_t Tag = 0;
  uint16_t DataType = 0;
  uint32_t DataNum = 0;  // value count
  uint32_t DataPos = 0;  // the value itself or its offset from Base
};

// One IFD being read. The holder sets LittleEndian, Stream and Base before
// IEIFDLoad; only the entries are kept in memory.
struct TIEIFDReader {
  uint8_t LittleEndian = 1;   // 1 for "II", 0 for "MM"
  TStream* Stream = nullptr;  // not owned
  std::vector<TIFDEntry> Entries;
  uint16_t EntryCount = 0;
  int64_t Base = 0;  // stream position every file offset is counted from
};

// Walks the IFD chain from FirstIFDOffset and loads the entries of page
// PageIndex (0 = the first IFD; -1 only counts). PageCount receives the
// number of IFDs in the chain. True when the page was met and has at least
// one entry. The walk ends on a next offset of 0, one that repeats an IFD
// already visited, is negative, below Base + 8 or at or beyond the stream's
// size, and on an IFD that leaves no room for its next offset (which is not
// counted). Entries that do not lie wholly in the stream are not loaded.
bool IEIFDLoad(int32_t PageIndex, int64_t FirstIFDOffset, TIEIFDReader& Reader, int32_t& PageCount);

// Index of the first entry with Tag, -1 when absent.
int32_t IEIFDFindTag(int32_t Tag, const TIEIFDReader& Reader);
// The entry's value count; 0 when absent.
int32_t IEIFDTagCount(const TIEIFDReader& Reader, int32_t Tag);
// A single value: SHORT from the first two bytes of the value field, BYTE and
// UNDEFINED from its first byte (file order), anything else the whole field.
int32_t IEIFDScalar(const TIEIFDReader& Reader, int32_t Tag, int32_t Default);
// The RATIONAL at the tag's offset, both parts signed; a denominator of 0
// counts as 1. 0 when absent.
double IEIFDRational(const TIEIFDReader& Reader, int32_t Tag);
// The N-th RATIONAL of an array; 0 when absent or N is outside the count.
double IEIFDRationalItem(const TIEIFDReader& Reader, int32_t Tag, int32_t N);
// The N-th value (N below the count) of a SHORT or LONG tag. Values that fit
// in the value field (one LONG, one or two SHORTs) are taken from it; others
// are read at the offset. 0 for other types or when absent.
int32_t IEIFDArrayItem(const TIEIFDReader& Reader, int32_t Tag, int32_t N);
// Fills Array with the tag's values (count 1 as by IEIFDScalar, otherwise as
// by IEIFDArrayItem) and answers their number: the count, or fewer when the
// values run past the end of the stream. 0 and an empty array when absent.
int32_t IEIFDReadIntArray(const TIEIFDReader& Reader, std::vector<int32_t>& Array, int32_t Tag);
// Count bytes of the tag's value whatever its type: from the value field
// when the whole value fits in it, else read at the offset. Stops at the end
// of the stream; Length receives the number of bytes returned. Empty when
// absent.
std::vector<uint8_t> IEIFDReadBytes(const TIEIFDReader& Reader, int32_t Tag, int32_t& Length);
// Counts below 5 from the value field, 5 to 1,048,575 bytes read at the
// offset, trailing NULs cut from both; otherwise, or when absent, empty.
void IEIFDReadString(const TIEIFDReader& Reader, int32_t Tag, String& Text);
// Counts 1 to 4 from the value field in file order; 5 to 1,048,575 as
// IEIFDReadString; empty when absent; a count of 0 or of 1,048,576 or more
// leaves Text as it was.
void IEIFDReadInlineBytes(const TIEIFDReader& Reader, int32_t Tag, String& Text);
// UTF-16 little-endian text: counts 5 to 1,048,575 give (count - 2) / 2
// characters read at the offset; counts 1 to 4 one character from the first
// two bytes of the value field; empty otherwise or when absent.
void IEIFDReadWideString(const TIEIFDReader& Reader, int32_t Tag, WideString& Text);
// The palette of tag 320: N = 2^BitsPerSample entries from 3N SHORT or LONG
// values (all red, then green, then blue), 8-bit values when the largest is
// below 256, else their high bytes. No map (empty, EntryCount 0) when the tag
// is absent, BitsPerSample is outside 0..16 or the 3N values are not all
// there.
void IEIFDReadColorMap(const TIEIFDReader& Reader, int32_t BitsPerSample, std::vector<TRGB>& Map, int32_t& EntryCount);
// Tag 258: absent gives 1; one value gives it; several give the last, each
// reduced to 16 bits. False when the values differ or are not all in the
// stream.
bool IEIFDReadBitsPerSample(const TIEIFDReader& Reader, int32_t& Bits);
// Rebuilds the maker-note IFD held in Tag's value into Handler's block
// (little-endian entries and values, value offsets counted from the block's
// start) and makes Handler re-read it. The block is left empty when the tag
// is absent, holds fewer than 2 bytes, claims more than 256 entries or more
// entries than its bytes hold, or has an entry of a type above 12. Entries
// whose values lie outside the stream are skipped; the count at the start
// is the number of entries copied.
void IEIFDReadMakerNote(const TIEIFDReader& Reader, int32_t Tag, TIETagsHandler& Handler);
