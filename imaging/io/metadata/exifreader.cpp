#include "imaging/io/metadata/exifreader.h"

#include <sys/stat.h>

#include <algorithm>
#include <limits>
#include <set>

#include "imaging/io/metadata/iptcdata.h"
#include "imaging/io/metadata/makernotes.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/strings.h"

namespace {

// Nested directories deeper than this are not walked: real files nest three
// or four levels, and every level costs stack.
constexpr int32_t kMaxDirectoryDepth = 32;
// Bytes of a TIFF or NEF file read after its 8-byte header.
constexpr int32_t kTiffBlockSize = 256000;
constexpr int32_t kCreateAttempts = 10;
constexpr uint32_t kCreateRetryPauseMs = 500;

const char kJfifSegment[18] = {'\xFF', '\xE0', 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 1, 0x2C, 1, 0x2C, 0, 0};

// An ASCII value without its one trailing zero byte.
String AsciiValue(const String& value) {
  if (!value.empty() && value.back() == '\0') return value.substr(0, value.size() - 1);
  return value;
}

// A short string of the given capacity keeps at most that many bytes.
String ShortString(const String& s, size_t capacity) { return s.substr(0, std::min(s.size(), capacity)); }

int32_t NearestInt(double v) { return static_cast<int32_t>(Round(v)); }

bool StartsWithSOI(const String& s) {
  return s.size() >= 2 && static_cast<uint8_t>(s[0]) == 0xFF && static_cast<uint8_t>(s[1]) == 0xD8;
}

// All of a stream's bytes read so far from where it stands, or false at the end.
bool ReadExactly(TStream* stream, void* buffer, int32_t count) {
  auto* p = static_cast<char*>(buffer);
  while (count > 0) {
    const int32_t n = stream->Read(p, count);
    if (n <= 0) return false;
    p += n;
    count -= n;
  }
  return true;
}

class TDepthGuard {
 public:
  explicit TDepthGuard(int32_t& depth) : FDepth(depth) { ++FDepth; }
  ~TDepthGuard() { --FDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int32_t& FDepth;
};

}  // namespace

// ---------------------------------------------------------------- tEndInd

uint32_t tEndInd::Read16(int64_t Pos) const {
  if (Pos < 1 || Pos + 1 > static_cast<int64_t>(BlockData.size())) throw EReadError("Read outside the EXIF block");
  const uint8_t a = static_cast<uint8_t>(BlockData[static_cast<size_t>(Pos - 1)]);
  const uint8_t b = static_cast<uint8_t>(BlockData[static_cast<size_t>(Pos)]);
  return BigEndian ? (a << 8) | b : (b << 8) | a;
}

uint32_t tEndInd::Read32(int64_t Pos) const {
  if (Pos < 1 || Pos + 3 > static_cast<int64_t>(BlockData.size())) throw EReadError("Read outside the EXIF block");
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    const int64_t at = BigEndian ? Pos - 1 + i : Pos + 2 - i;
    v = (v << 8) | static_cast<uint8_t>(BlockData[static_cast<size_t>(at)]);
  }
  return v;
}

void tEndInd::Write16(String& S, uint16_t Value, int64_t Pos) const {
  if (Pos < 1 || Pos + 1 > static_cast<int64_t>(S.size())) throw EWriteError("Write outside the EXIF block");
  const char hi = static_cast<char>(Value >> 8), lo = static_cast<char>(Value & 0xFF);
  S[static_cast<size_t>(Pos - 1)] = BigEndian ? hi : lo;
  S[static_cast<size_t>(Pos)] = BigEndian ? lo : hi;
}

void tEndInd::Write32(String& S, uint32_t Value, int64_t Pos) const {
  if (Pos < 1 || Pos + 3 > static_cast<int64_t>(S.size())) throw EWriteError("Write outside the EXIF block");
  for (int i = 0; i < 4; ++i) {
    const char byte = static_cast<char>((Value >> (8 * i)) & 0xFF);  // i-th least significant
    S[static_cast<size_t>(BigEndian ? Pos + 2 - i : Pos - 1 + i)] = byte;
  }
}

// ---------------------------------------------------------------- TImageInfo

TImageInfo::TImageInfo(TimgData* AOwner, int32_t ABuildLevel) : Owner(AOwner), BuildLevel(ABuildLevel) {
  FillTagDescriptions();
}

int32_t TImageInfo::TagIndexByName(const String& Name) const {
  for (size_t i = 0; i < Tags.size(); ++i)
    if (SameText(Tags[i].Name, Name)) return static_cast<int32_t>(i);
  return -1;
}

String TImageInfo::TagValueByName(const String& Name) const {
  const int32_t i = TagIndexByName(Name);
  return i >= 0 ? Tags[static_cast<size_t>(i)].Text : String();
}

TTagEntry TImageInfo::GetTagByName(const String& Name) const {
  const int32_t i = TagIndexByName(Name);
  return i >= 0 ? Tags[static_cast<size_t>(i)] : DefaultTagRow();
}

String& TImageInfo::App1Data() {
  if (Owner && Owner->App1Segment) return Owner->App1Segment->Data;
  return BlockData;
}

const String& TImageInfo::App1Data() const {
  if (Owner && Owner->App1Segment) return Owner->App1Segment->Data;
  return BlockData;
}

void TImageInfo::WriteBoth(int32_t Pos, uint32_t Value, int Bytes) {
  String& data = App1Data();
  // Both blocks are checked first so that a write outside one changes neither.
  for (const String* s : {&data, &BlockData})
    if (Pos < 1 || static_cast<int64_t>(Pos) + Bytes - 1 > static_cast<int64_t>(s->size()))
      throw EWriteError("Write outside the EXIF block");
  auto write = [&](String& s) {
    if (Bytes == 2)
      Write16(s, static_cast<uint16_t>(Value), Pos);
    else
      Write32(s, Value, Pos);
  };
  write(data);
  if (&data != &BlockData) write(BlockData);
}

void TImageInfo::ProcessDirectory(int64_t Start, int64_t Base, int32_t Kind, int64_t ALength) {
  if (FBudget < 0) FBudget = 4 * static_cast<int64_t>(BlockData.size()) + 65536;
  FVisited.insert({Base, Start});
  if (FDepth >= kMaxDirectoryDepth) return;
  const int64_t blockSize = static_cast<int64_t>(BlockData.size());
  if (Start < 1 || Start + 1 > blockSize) return;  // directory outside the block

  const int64_t n = Read16(Start);
  if (2 + 12 * n > Base + ALength) {
    if (Owner) Owner->ErrorText = "Illegally sized directory";
    return;
  }
  FBudget -= 2 + 12 * n;
  if (FBudget < 0) {
    FBudget = 0;
    return;
  }

  if (Kind == dkMain && !FLinkRead && !TiffMode) {
    FLinkRead = true;
    const int64_t link = Start + 2 + 12 * n;
    if (link >= 1 && link + 3 <= blockSize) {
      ThumbnailLink = Read32(link);
      ThumbnailLength = Base + ALength - ThumbnailLink;
    }
  }

  TDepthGuard depth(FDepth);
  for (int64_t i = 0; i < n; ++i) {
    const int64_t entry = Start + 2 + 12 * i;
    if (entry + 11 > blockSize) break;  // this entry and the rest lie past the block
    try {
      ProcessEntry(entry, Base, Kind, ALength);
    } catch (const Exception&) {
      // A failing entry is skipped; the rest of the directory still counts.
    }
    if (FBudget <= 0) break;
  }
}

void TImageInfo::ProcessEntry(int64_t E, int64_t Base, int32_t Kind, int64_t ALength) {
  const uint16_t tag = static_cast<uint16_t>(Read16(E));
  const uint16_t type = static_cast<uint16_t>(Read16(E + 2));
  const int64_t count = Read32(E + 4);
  const int64_t bytes = count * TagTypeSize(type);
  if (bytes == 0) return;
  const int64_t p = bytes <= 4 ? E + 8 : static_cast<int64_t>(Read32(E + 8)) + Base;
  // Only values that lie wholly inside the block are read.
  if (p < 1 || p + bytes - 1 > static_cast<int64_t>(BlockData.size())) return;
  FBudget -= 12 + bytes;
  if (FBudget < 0) {
    FBudget = 0;
    return;
  }
  const String value = BlockData.substr(static_cast<size_t>(p - 1), static_cast<size_t>(bytes));
  const int32_t pos = static_cast<int32_t>(p);

  switch (tag) {
    case 282:
      XResolutionPos = pos;
      FXResolutionType = type;
      break;
    case 283:
      YResolutionPos = pos;
      FYResolutionType = type;
      break;
    case 296:
      ResolutionUnitPos = pos;
      FResolutionUnitType = type;
      break;
  }

  if (tag == 0x9286) {
    // After the 8-byte character-code prefix. The comment need not end in a
    // zero byte, so its last byte is kept; trimming removes a terminator.
    UserComment = Trim(Copy(value, 9, static_cast<int32_t>(bytes) - 8));
    UserCommentPos = pos;
    UserCommentLength = std::max<int32_t>(0, static_cast<int32_t>(bytes) - 9);
  }

  if (BuildLevel == 2 || BuildLevel == 255) {
    const TTagEntry& row = FindTagRow(tag, Kind);
    String text = TagValueText(row, value, type, BigEndian);
    if (tag == 0x9286) text = DisplayText(UserComment);
    (Kind == dkThumbnail ? ThumbnailText : InfoText) += "\r\n" + row.Description + " = " + text;
    if (BuildLevel == 255 && row.Tag != 0) {
      TTagEntry entry = row;
      entry.Text = text;
      entry.Raw = value;
      entry.Size = static_cast<int32_t>(bytes);
      entry.ValuePos = pos;
      entry.TagType = type;
      (Kind == dkThumbnail ? ThumbnailTags : Tags).push_back(std::move(entry));
    }
  }

  switch (tag) {
    case 256:
    case 0xA002:
      ImageWidth = NearestInt(TagNumericValue(value, type, BigEndian));
      WidthType = type;
      WidthValuePos = static_cast<int32_t>(E + 8);
      FWidthInline = bytes <= 4;
      break;
    case 257:
    case 0xA003:
      ImageHeight = NearestInt(TagNumericValue(value, type, BigEndian));
      HeightType = type;
      HeightValuePos = static_cast<int32_t>(E + 8);
      FHeightInline = bytes <= 4;
      break;
    case 259:
      if (Kind == dkThumbnail) ThumbnailCompression = NearestInt(TagNumericValue(value, type, BigEndian));
      break;
    case 271: CameraMake = ShortString(AsciiValue(value), 32); break;
    case 272: CameraModel = ShortString(AsciiValue(value), 40); break;
    case 306:
      DateTimePos = pos;
      DateTimeText = ShortString(AsciiValue(value), 20);
      break;
    case 0x9003:
      DateTimeOriginalPos = pos;
      DateTimeText = ShortString(AsciiValue(value), 20);
      break;
    case 0x9004: DateTimeDigitizedPos = pos; break;
    case 0x9000: VersionText = ShortString(value, 6); break;
    case 0x9209: FlashValue = NearestInt(TagNumericValue(value, type, BigEndian)); break;
    case 330:
    case 0x8769:
    case 0xA005:
    case 0x8825: {
      const int64_t s = static_cast<int64_t>(Read32(p)) + Base;
      if (!FVisited.count({Base, s})) ProcessDirectory(s, Base, tag == 0x8825 ? dkGPS : dkMain, ALength);
      break;
    }
    case 0x927C: {
      MakerNoteRaw = value;
      MakerNotePos = pos;
      TmsInfo maker(TiffMode, this);
      MakerRecognised = maker.RecognizeMaker(this);
      break;
    }
  }
}

void TImageInfo::ParseThumbnailIFD() {
  if (ThumbnailLink <= 0) return;
  ProcessDirectory(ThumbnailLink + 9, 9, dkThumbnail, ThumbnailLength - 12);
}

TDateTime TImageInfo::GetDateTimeOriginal() const {
  const int32_t pos = DateTimeOriginalPos > 0 ? DateTimeOriginalPos : DateTimeDigitizedPos;
  if (pos <= 0) return 0;
  const String s = Copy(App1Data(), pos, 19);
  if (s.size() < 19) return 0;
  auto field = [&](int32_t from, int32_t count, int32_t& v) {
    return TryStrToInt(Copy(s, from, count), v) && v >= 0 && v <= 9999;
  };
  int32_t year, month, day, hour, minute, second;
  if (!field(1, 4, year) || !field(6, 2, month) || !field(9, 2, day) || !field(12, 2, hour) || !field(15, 2, minute) ||
      !field(18, 2, second))
    return 0;
  TDateTime date, time;
  if (!TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), date) ||
      !TryEncodeTime(static_cast<Word>(hour), static_cast<Word>(minute), static_cast<Word>(second), 0, time))
    return 0;
  return date + time;
}

void TImageInfo::PatchResolution(int32_t X, int32_t Y) {
  auto isRational = [](int32_t type) { return type == ttRational || type == ttSRational; };
  try {
    if (XResolutionPos > 0 && X > 0 && isRational(FXResolutionType)) {
      WriteBoth(XResolutionPos, static_cast<uint32_t>(X), 4);
      WriteBoth(XResolutionPos + 4, 1, 4);
    }
    if (YResolutionPos > 0 && Y > 0 && isRational(FYResolutionType)) {
      WriteBoth(YResolutionPos, static_cast<uint32_t>(Y), 4);
      WriteBoth(YResolutionPos + 4, 1, 4);
    }
    if (ResolutionUnitPos > 0 && TagTypeSize(FResolutionUnitType) == 2) WriteBoth(ResolutionUnitPos, 2, 2);
  } catch (const Exception&) {
  }
}

void TImageInfo::PatchImageSize(int32_t Width, int32_t Height) {
  if (ImageWidth <= 0 || ImageHeight <= 0) return;
  if (Width == ImageWidth && Height == ImageHeight) return;
  // A value that did not fit in its entry has an offset in the field.
  if (!FWidthInline || !FHeightInline) return;
  try {
    if (WidthType == ttShort && HeightType == ttShort) {
      WriteBoth(WidthValuePos, static_cast<uint32_t>(Width), 2);
      WriteBoth(HeightValuePos, static_cast<uint32_t>(Height), 2);
    } else if (WidthType == ttLong && HeightType == ttLong) {
      WriteBoth(WidthValuePos, static_cast<uint32_t>(Width), 4);
      WriteBoth(HeightValuePos, static_cast<uint32_t>(Height), 4);
    }
  } catch (const Exception&) {
  }
}

bool TImageInfo::PatchTagByName(const String& Name, int32_t Value) {
  const int32_t i = TagIndexByName(Name);
  if (i < 0) return false;
  const TTagEntry& e = Tags[static_cast<size_t>(i)];
  try {
    switch (e.TagType) {
      case ttShort:
      case ttSShort: WriteBoth(e.ValuePos, static_cast<uint32_t>(Value), 2); return true;
      case ttLong:
      case ttSLong: WriteBoth(e.ValuePos, static_cast<uint32_t>(Value), 4); return true;
      default: return false;  // FLOAT is 4 bytes too, but an integer is no float
    }
  } catch (const Exception&) {
    return false;
  }
}

// ---------------------------------------------------------------- TimgData

TimgData::TimgData(int32_t ABuildLevel) : BuildLevel(ABuildLevel) { Reset(); }

TimgData::~TimgData() = default;

void TimgData::ClearSegments() {
  SegmentCount = 0;
  for (TJpegSegment& s : Segments) s = TJpegSegment();
  App1Segment = App13Segment = ComSegment = App0Segment = nullptr;
  ExifInfo.reset();
  IptcData.reset();
  BigEndian = false;
  BlockData.clear();
}

void TimgData::Reset() {
  ClearSegments();
  FileName.clear();
  FileDate = 0;
  FileSize = 0;
  ErrorText.clear();
  TiffMode = false;
}

bool TimgData::HasEXIFThumbnail() const {
  return App1Segment && ExifInfo && ExifInfo->ThumbnailLink > 21 && ExifInfo->ThumbnailLength > 256;
}

bool TimgData::ReadFromFile(const String& AFileName) {
  Reset();
  if (!FileExists(AFileName)) return false;
  FileName = AFileName;
  struct stat st;
  if (::stat(AFileName.c_str(), &st) == 0) FileSize = st.st_size;
  FileGetModified(AFileName, FileDate);
  ErrorText = "Not an EXIF file";
  const String ext = LowerCase(ExtractFileExt(AFileName));
  const bool jpeg = ext == ".jpg" || ext == ".jpeg" || ext == ".jpe";
  const bool tiff = ext == ".tif" || ext == ".tiff" || ext == ".nef";
  if (!jpeg && !tiff) return false;
  try {
    TFileStream stream(AFileName, fmOpenRead | fmShareDenyWrite);
    if (jpeg ? ScanJPEGSegments(&stream) : ReadTiffBlock(&stream)) ErrorText = "<none>";
  } catch (const std::exception&) {
    ErrorText = "Illegal Exif construction";
  }
  return HasMetadata();
}

bool TimgData::ScanJPEGSegments(TStream* Stream) {
  ClearSegments();  // nothing of an earlier scan stays referenced
  uint8_t soi[2];
  if (!ReadExactly(Stream, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return false;
  while (SegmentCount < static_cast<int32_t>(Segments.size())) {
    uint8_t marker = 0xFF;
    while (marker == 0xFF)
      if (!ReadExactly(Stream, &marker, 1)) return HasMetadata();
    ++SegmentCount;
    TJpegSegment& seg = Segment(SegmentCount);
    seg = TJpegSegment();
    seg.Marker = marker;
    if (marker == 0xD9 || marker == 0xDA) break;  // EOI, SOS

    uint8_t len[2];
    const bool haveLength = ReadExactly(Stream, len, 2);
    const int32_t length = haveLength ? (len[0] << 8) | len[1] : 0;
    if (!haveLength || length < 2) {
      seg = TJpegSegment();
      --SegmentCount;
      break;
    }
    seg.Length = length;
    seg.Data.resize(static_cast<size_t>(length));
    seg.Data[0] = static_cast<char>(len[0]);
    seg.Data[1] = static_cast<char>(len[1]);
    if (!ReadExactly(Stream, seg.Data.data() + 2, length - 2)) {
      // The file ends inside the segment: it is not kept.
      seg = TJpegSegment();
      --SegmentCount;
      break;
    }
    if (SegmentCount >= 5 && !HasMetadata()) break;

    switch (marker) {
      case 0xE0: App0Segment = &seg; break;
      case 0xE1:
        if (SegmentCount <= 5 && !App1Segment) {
          App1Segment = &seg;
          ExifInfo = std::make_unique<TImageInfo>(this, BuildLevel);
          BlockData = seg.Data;
          ExifInfo->BlockData = seg.Data;
          try {
            ParseExifSegment();
          } catch (const Exception&) {
          }
        } else {
          seg = TJpegSegment();
          --SegmentCount;  // the slot is reused by the next segment
        }
        break;
      case 0xED:
        if (!App13Segment) {
          App13Segment = &seg;
          IptcData = std::make_unique<TIPTCdata>(this);
        }
        break;
      case 0xFE: ComSegment = &seg; break;
    }
  }
  return HasMetadata();
}

void TimgData::ParseExifSegment() {
  if (!App1Segment || !ExifInfo) return;
  const String& data = App1Segment->Data;
  if (Copy(data, 3, 5) != String("Exif\0", 5)) {
    ErrorText = "Incorrect Exif header";
    return;
  }
  const String order = Copy(data, 9, 2);
  if (order != "II" && order != "MM") {
    ErrorText = "Invalid Exif alignment marker";
    return;
  }
  BigEndian = order == "MM";
  ExifInfo->BigEndian = BigEndian;
  ExifInfo->InfoText.clear();
  const int64_t offset = ExifInfo->Read32(13);
  ExifInfo->ProcessDirectory(offset == 0 ? 17 : offset + 9, 9, dkMain, App1Segment->Length - 6);
}

bool TimgData::ReadTiffBlock(TStream* Stream) {
  struct TTiffModeGuard {
    bool& Flag;
    explicit TTiffModeGuard(bool& f) : Flag(f) { Flag = true; }
    ~TTiffModeGuard() { Flag = false; }
  } guard(TiffMode);
  ClearSegments();

  char order[2];
  if (!ReadExactly(Stream, order, 2)) return false;
  const String head(order, 2);
  if (head != "II" && head != "MM") return false;
  char skip[6];
  Stream->Read(skip, 6);
  String block;
  char buffer[16384];
  while (Length(block) < kTiffBlockSize) {
    const int32_t n = Stream->Read(buffer, std::min<int32_t>(sizeof buffer, kTiffBlockSize - Length(block)));
    if (n <= 0) break;
    block.append(buffer, static_cast<size_t>(n));
  }
  const int32_t got = Length(block);

  SegmentCount = 1;
  TJpegSegment& seg = Segment(1);
  seg = TJpegSegment();  // Marker 0: not an APP1 that a JPEG head could carry
  seg.Length = got;
  seg.Data = block;
  App1Segment = &seg;
  BigEndian = head == "MM";
  BlockData = block;
  ExifInfo = std::make_unique<TImageInfo>(this, BuildLevel);
  ExifInfo->TiffMode = true;
  ExifInfo->BigEndian = BigEndian;
  ExifInfo->BlockData = block;
  // The first directory is taken to follow the header, whatever its offset
  // field says.
  ExifInfo->ProcessDirectory(1, -7, dkMain, kTiffBlockSize);
  return HasMetadata();
}

// ---------------------------------------------------------------- writing

String TimgData::NewHead() {
  String head("\xFF\xD8", 2);
  auto add = [&head](const TJpegSegment* s) {
    head += '\xFF';
    head += static_cast<char>(s->Marker);
    head += s->Data;
  };
  if (App1Segment && App1Segment->Marker == 0xE1)
    add(App1Segment);
  else if (App0Segment)
    add(App0Segment);
  else
    head.append(kJfifSegment, sizeof kJfifSegment);
  if (App13Segment) add(App13Segment);
  if (ComSegment) add(ComSegment);
  return head;
}

int32_t TimgData::WriteSegments(TStream* Stream) {
  const String head = NewHead();
  Stream->WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  return static_cast<int32_t>(head.size()) - 2;
}

size_t SkipJPEGHeadSegments(const String& Jpeg) {
  const size_t size = Jpeg.size();
  size_t pos = 2;
  // The leading run of APP0, APP1, APP13 and COM, in any order, each once:
  // the new head replaces them, so none may be written twice.
  std::set<uint8_t> skipped;
  while (pos + 4 <= size && static_cast<uint8_t>(Jpeg[pos]) == 0xFF) {
    const auto marker = static_cast<uint8_t>(Jpeg[pos + 1]);
    if ((marker != 0xE0 && marker != 0xE1 && marker != 0xED && marker != 0xFE) || !skipped.insert(marker).second) break;
    const size_t length = (static_cast<uint8_t>(Jpeg[pos + 2]) << 8) | static_cast<uint8_t>(Jpeg[pos + 3]);
    if (length < 2 || pos + 2 + length > size) break;
    pos += 2 + length;
  }
  return std::min(pos, size);
}

bool TimgData::WriteFileWithHead(const String& Source, const String& Target) {
  if (!StartsWithSOI(Source)) return false;
  const size_t rest = SkipJPEGHeadSegments(Source);
  const String head = NewHead();
  std::unique_ptr<TSafeFileWriter> writer;
  for (int attempt = 1; attempt <= kCreateAttempts && !writer; ++attempt) {
    try {
      writer = std::make_unique<TSafeFileWriter>(Target);
    } catch (const EFCreateError&) {
      if (attempt < kCreateAttempts) Sleep(kCreateRetryPauseMs);
    }
  }
  if (!writer) return false;
  TStream& out = writer->Stream();
  out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  out.WriteBuffer(Source.data() + rest, static_cast<int64_t>(Source.size() - rest));
  writer->Commit(true);
  return true;
}

bool TimgData::RewriteJPEGFile(const String& AFileName) {
  try {
    String source;
    {
      TFileStream in(AFileName, fmOpenRead | fmShareDenyWrite);
      const int64_t size = in.Size();
      if (size > std::numeric_limits<int32_t>::max()) return false;
      source.resize(static_cast<size_t>(size));
      in.ReadBuffer(source.data(), size);
    }
    return WriteFileWithHead(source, AFileName);
  } catch (const std::exception&) {
    return false;
  }
}

bool TimgData::SaveJPEGWithSegments(TCustomMemoryStream* Source, const String& AFileName) {
  if (!Source) return false;
  try {
    const String source(static_cast<const char*>(Source->Memory()), static_cast<size_t>(Source->Size()));
    return WriteFileWithHead(source, AFileName);
  } catch (const std::exception&) {
    return false;
  }
}

bool TimgData::MergeSegmentsIntoStream(TCustomMemoryStream* Source, TStream* Destination) {
  if (!Source || !Destination) return false;
  try {
    const String source(static_cast<const char*>(Source->Memory()), static_cast<size_t>(Source->Size()));
    if (!StartsWithSOI(source)) return false;
    const size_t rest = SkipJPEGHeadSegments(source);
    const String head = NewHead();
    Destination->WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
    Destination->Seek(0, soEnd);
    Destination->WriteBuffer(source.data() + rest, static_cast<int64_t>(source.size() - rest));
    Destination->SetPosition(0);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
