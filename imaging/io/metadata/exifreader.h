// File-level EXIF reader and JPEG head rewriter. TimgData reads the leading
// segments of a JPEG file (APP0, the EXIF APP1, the IPTC APP13, COM) or the
// first block of a TIFF or NEF file; its TImageInfo walks the EXIF
// directories, keeps the positions of the values that can be patched in
// place and builds the value texts and tag lists. Works on the bytes of the
// file alone, independent of the image I/O component.
//
// Positions are 1-based in byte strings, as the TIFF arithmetic is written:
// a segment's Data holds its two length bytes, "Exif\0\0" and then the TIFF
// structure at position 9, so a TIFF offset o sits at o + 9 (base 9). A
// TIFF or NEF block holds file bytes 8 onward (base -7).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "imaging/io/metadata/exiftags.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/types.h"

class TimgData;
class TIPTCdata;

// Byte order and bounded reads of a block. Reads and writes outside the
// string raise EReadError / EWriteError and change nothing.
class tEndInd {
 public:
  bool BigEndian = false;  // "MM" true, "II" false
  String BlockData;

  uint32_t Read16(int64_t Pos) const;
  uint32_t Read32(int64_t Pos) const;
  void Write16(String& S, uint16_t Value, int64_t Pos) const;
  void Write32(String& S, uint32_t Value, int64_t Pos) const;
};

struct TJpegSegment {
  int32_t Marker = 0;  // second byte of the marker
  int32_t Length = 0;  // big-endian length field, counting itself
  String Data;         // the two length bytes and the payload
};

class TImageInfo : public tEndInd {
 public:
  // Fills the tag descriptions (once per process) and starts empty.
  TImageInfo(TimgData* AOwner, int32_t ABuildLevel);
  virtual ~TImageInfo() = default;
  TImageInfo(const TImageInfo&) = delete;
  TImageInfo& operator=(const TImageInfo&) = delete;

  // Index of the first entry of Tags named Name (case ignored), or -1.
  virtual int32_t TagIndexByName(const String& Name) const;
  // Text of that entry, or "".
  virtual String TagValueByName(const String& Name) const;
  // A copy of that entry, or of the default row.
  TTagEntry GetTagByName(const String& Name) const;

  // Walks one directory at block position Start (Kind dkMain, dkGPS or
  // dkThumbnail) and the directories it links to.
  void ProcessDirectory(int64_t Start, int64_t Base, int32_t Kind, int64_t ALength);
  void ParseThumbnailIFD();

  // DateTimeOriginal, else DateTimeDigitized, as a TDateTime; 0 when absent
  // or not a valid date.
  TDateTime GetDateTimeOriginal() const;
  // Patches write into the owner's APP1 segment in the block's byte order.
  void PatchResolution(int32_t X, int32_t Y);
  void PatchImageSize(int32_t Width, int32_t Height);
  bool PatchTagByName(const String& Name, int32_t Value);

  int32_t XResolutionPos = -1;
  int32_t YResolutionPos = -1;
  int32_t ResolutionUnitPos = -1;
  std::vector<TTagEntry> Tags;
  TimgData* Owner;
  String VersionText;   // at most 6 bytes
  String CameraMake;    // at most 32 bytes
  String CameraModel;   // at most 40 bytes
  String DateTimeText;  // at most 20 bytes
  int32_t ImageHeight = 0;
  int32_t ImageWidth = 0;
  int32_t HeightValuePos = 0;
  int32_t WidthValuePos = 0;
  int32_t HeightType = 0;
  int32_t WidthType = 0;
  int32_t FlashValue = 0;
  int32_t BuildLevel;
  String MakerNoteRaw;
  bool TiffMode = false;
  String UserComment;
  int32_t UserCommentPos = 0;
  int32_t UserCommentLength = 0;
  int32_t DateTimePos = 0;
  int32_t DateTimeOriginalPos = 0;
  int32_t DateTimeDigitizedPos = 0;
  String ThumbnailText;
  int64_t ThumbnailLink = 0;  // TIFF offset of the directory after the first one
  int64_t ThumbnailLength = 0;
  int32_t ThumbnailCompression = 0;
  std::vector<TTagEntry> ThumbnailTags;
  String InfoText;
  bool MakerRecognised = false;
  int32_t MakerNotePos = 0;

 private:
  // The block that patches change and dates are read from: the owner's APP1
  // data when there is one, BlockData otherwise.
  String& App1Data();
  const String& App1Data() const;
  void WriteBoth(int32_t Pos, uint32_t Value, int Bytes);
  void ProcessEntry(int64_t E, int64_t Base, int32_t Kind, int64_t ALength);

  // Directories already walked, by (base, start): guards against loops.
  std::set<std::pair<int64_t, int64_t>> FVisited;
  int32_t FDepth = 0;
  // Work left for this block (bytes of directories and values handled), so
  // that directories sharing their values cannot multiply the memory used.
  int64_t FBudget = -1;
  bool FLinkRead = false;
  // Types of the values behind the recorded positions, so that a patch only
  // writes a field of the size it stands for.
  int32_t FXResolutionType = 0;
  int32_t FYResolutionType = 0;
  int32_t FResolutionUnitType = 0;
  bool FWidthInline = false;
  bool FHeightInline = false;
};

class TimgData : public tEndInd {
 public:
  // BuildLevel 2 builds the value texts, 255 the texts and the tag lists,
  // any other neither.
  explicit TimgData(int32_t ABuildLevel = 255);
  ~TimgData();
  TimgData(const TimgData&) = delete;
  TimgData& operator=(const TimgData&) = delete;

  void Reset();
  // True when an APP1, APP13 or COM segment was kept. Never raises.
  bool ReadFromFile(const String& AFileName);
  bool ScanJPEGSegments(TStream* Stream);
  // The TIFF or NEF block: 256,000 bytes after the 8-byte header.
  bool ReadTiffBlock(TStream* Stream);
  void ParseExifSegment();

  bool HasMetadata() const { return App1Segment || App13Segment || ComSegment; }
  bool HasEXIFSegment() const { return App1Segment != nullptr; }
  bool HasEXIFThumbnail() const;

  // SOI and the new head; answers the bytes written after SOI.
  int32_t WriteSegments(TStream* Stream);
  // Replaces the file's head by ours through a temporary file in its folder.
  bool RewriteJPEGFile(const String& AFileName);
  // Writes Source's JPEG with our head as AFileName, through a temporary file.
  bool SaveJPEGWithSegments(TCustomMemoryStream* Source, const String& AFileName);
  // Our head at Destination's position, the rest of Source at its end;
  // leaves Destination at position 0.
  bool MergeSegmentsIntoStream(TCustomMemoryStream* Source, TStream* Destination);

  // Slot Index of Segments, 1 to 20.
  TJpegSegment& Segment(int32_t Index) { return Segments.at(static_cast<size_t>(Index - 1)); }

  std::array<TJpegSegment, 20> Segments;
  bool TiffMode = false;
  int32_t BuildLevel;
  int32_t SegmentCount = 0;
  TJpegSegment* App1Segment = nullptr;
  TJpegSegment* App13Segment = nullptr;
  TJpegSegment* ComSegment = nullptr;
  TJpegSegment* App0Segment = nullptr;
  String FileName;
  TDateTime FileDate = 0;
  int64_t FileSize = 0;
  String ErrorText;
  std::unique_ptr<TImageInfo> ExifInfo;
  std::unique_ptr<TIPTCdata> IptcData;

 private:
  // Forgets the segments, references and objects of an earlier read.
  void ClearSegments();
  String NewHead();
  bool WriteFileWithHead(const String& Source, const String& Target);
};

// Offset (0-based) where a JPEG's own leading APP0, APP1, APP13 and COM
// segments end: from offset 2, each of those at most once, in that order,
// only where it stands next.
size_t SkipJPEGHeadSegments(const String& Jpeg);
