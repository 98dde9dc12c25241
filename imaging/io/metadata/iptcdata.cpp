#include "imaging/io/metadata/iptcdata.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "imaging/io/metadata/exifreader.h"
#include "platform/rtl/strings.h"

namespace {

// Descriptions and maximum lengths not given by the reader's own table are
// the dataset name and the IPTC IIM 4 maximum octet count.
const TIptcDatasetRow kDatasets[] = {
    {2, 0, "SKIP", "Record Version", 64, false},
    {2, 3, "ObjectType", "ObjectType", 67, false},
    {2, 4, "ObjectAttr", "ObjectAttr", 68, false},
    {2, 5, "ObjectName", "Object name", 64, false},
    {2, 7, "EditStatus", "EditStatus", 64, false},
    {2, 8, "EditorialUpdate", "EditorialUpdate", 2, false},
    {2, 10, "Urgency", "Urgency", 1, false},
    {2, 12, "SubRef", "SubRef", 236, false},
    {2, 15, "Category", "Category", 3, false},
    {2, 20, "SuppCategory", "Supplemental category", 32, true},
    {2, 22, "FixtureID", "FixtureID", 32, false},
    {2, 25, "Keywords", "Keywords", 64, true},
    {2, 26, "ContentLocCode", "ContentLocCode", 3, false},
    {2, 27, "ContentLocName", "ContentLocName", 64, false},
    {2, 30, "ReleaseDate", "ReleaseDate", 8, false},
    {2, 35, "ReleaseTime", "ReleaseTime", 11, false},
    {2, 37, "ExpireDate", "ExpireDate", 8, false},
    {2, 38, "ExpireTime", "ExpireTime", 11, false},
    {2, 40, "SpecialInstru", "SpecialInstru", 256, false},
    {2, 42, "ActionAdvised", "ActionAdvised", 2, false},
    {2, 45, "RefService", "RefService", 10, false},
    {2, 47, "RefDate", "RefDate", 8, false},
    {2, 50, "RefNumber", "RefNumber", 8, false},
    {2, 55, "DateCreated", "Date created", 8, false},
    {2, 60, "TimeCreated", "Time created", 11, false},
    {2, 62, "DigitizeDate", "DigitizeDate", 8, false},
    {2, 63, "DigitizeTime", "DigitizeTime", 11, false},
    {2, 65, "OriginatingProgram", "OriginatingProgram", 32, false},
    {2, 70, "ProgramVersion", "ProgramVersion", 10, false},
    {2, 75, "ObjectCycle", "ObjectCycle", 1, false},
    {2, 80, "ByLine", "ByLine", 32, false},
    {2, 85, "ByLineTitle", "ByLineTitle", 32, false},
    {2, 90, "City", "City", 32, false},
    {2, 92, "SubLocation", "SubLocation", 32, false},
    {2, 95, "State", "State", 32, false},
    {2, 100, "LocationCode", "LocationCode", 3, false},
    {2, 101, "LocationName", "LocationName", 64, false},
    {2, 103, "TransmissionRef", "TransmissionRef", 32, false},
    {2, 105, "ImageHeadline", "ImageHeadline", 256, false},
    {2, 110, "ImageCredit", "ImageCredit", 32, false},
    {2, 115, "Source", "Source", 32, false},
    {2, 116, "Copyright", "Copyright Notice", 128, false},
    {2, 118, "Contact", "Contact", 128, false},
    {2, 120, "ImageCaption", "Image caption", 2000, false},
    {2, 122, "ImageCaptionWriter", "ImageCaptionWriter", 32, false},
    {2, 130, "ImageType", "ImageType", 2, false},
    {2, 131, "Orientation", "Orientation", 1, false},
    {2, 135, "LangID", "LangID", 3, false},
    {8, 10, "Subfile", "Subfile", 2, false},
};

TTagEntry EntryFromRow(const TIptcDatasetRow& row, const String& text) {
  TTagEntry e;
  e.IptcRecord = row.Record;
  e.Tag = row.Dataset;
  e.Name = row.Name;
  e.Description = row.Description;
  e.Text = text;
  e.Size = row.MaxLength;
  return e;
}

}  // namespace

int32_t IptcDatasetRowCount() { return static_cast<int32_t>(std::size(kDatasets)); }

const TIptcDatasetRow& IptcDatasetRow(int32_t Index) { return kDatasets[Index]; }

const TIptcDatasetRow* FindIptcDatasetByName(const String& Name) {
  for (const TIptcDatasetRow& row : kDatasets)
    if (SameText(row.Name, Name)) return &row;
  return nullptr;
}

const TIptcDatasetRow* FindIptcDataset(uint16_t Record, uint16_t Dataset) {
  for (const TIptcDatasetRow& row : kDatasets)
    if (row.Record == Record && row.Dataset == Dataset) return &row;
  return nullptr;
}

TIPTCdata::TIPTCdata(TimgData* AParent) : Parent(AParent) {}

int32_t TIPTCdata::IndexOfName(const String& Name) const {
  for (size_t i = 0; i < Entries.size(); ++i)
    if (SameText(Entries[i].Name, Name)) return static_cast<int32_t>(i);
  return -1;
}

void TIPTCdata::RemoveTag(const String& Name) {
  const int32_t i = IndexOfName(Name);
  if (i >= 0) Entries.erase(Entries.begin() + i);
}

int32_t TIPTCdata::SetTag(const String& Name, const String& Value) {
  const int32_t i = IndexOfName(Name);
  if (i >= 0) {
    if (!Value.empty()) Entries[static_cast<size_t>(i)].Text = Value;
    return i;
  }
  const TIptcDatasetRow* row = FindIptcDatasetByName(Name);
  if (!row) return -1;
  Entries.push_back(EntryFromRow(*row, Value));
  return TagCount() - 1;
}

int32_t TIPTCdata::AddTagValue(const String& Name, const String& Value) {
  const int32_t i = IndexOfName(Name);
  if (i < 0) return SetTag(Name, Value);
  if (!Value.empty()) {
    String& text = Entries[static_cast<size_t>(i)].Text;
    if (Trim(text).empty())
      text = Value;
    else
      text += "," + Value;
  }
  return i;
}

int32_t TIPTCdata::SetTagByName(const String& Name, const String& Value) {
  const TIptcDatasetRow* row = FindIptcDatasetByName(Name);
  if (!row) return -1;
  return row->MultiValued ? AddTagValue(Name, Value) : SetTag(Name, Value);
}

String TIPTCdata::GetTagText(const String& Name, const String& Default) const {
  const int32_t i = IndexOfName(Name);
  return i >= 0 ? Entries[static_cast<size_t>(i)].Text : Default;
}

bool TIPTCdata::ReadFile(const String& FileName) {
  Clear();
  if (!Parent) return false;
  // The parent's read frees the list it owns; when that list is this one,
  // keep it alive across the read and give it back afterwards.
  std::unique_ptr<TIPTCdata> self;
  if (Parent->IptcData.get() == this) self.reset(Parent->IptcData.release());
  Parent->ReadFromFile(FileName);
  if (Parent->App13Segment) ParseIPTC(Parent->App13Segment->Data);
  if (self) Parent->IptcData = std::move(self);
  return TagCount() > 0;
}

void TIPTCdata::SetTagCount(int32_t Value) { Entries.resize(static_cast<size_t>(std::max(0, Value))); }

TTagEntry TIPTCdata::GetTag(int32_t Index) const { return Entries.at(static_cast<size_t>(Index)); }

void TIPTCdata::Clear() { Entries.clear(); }

void TIPTCdata::ParseIPTC(const String& Block) {
  Clear();
  FBuffer = Block;
  const String& b = FBuffer;
  const int32_t len = Length(b);
  auto at = [&](int32_t pos) { return static_cast<uint8_t>(b[static_cast<size_t>(pos - 1)]); };

  const int32_t marker = Pos("Photoshop 3.0", b);
  int32_t p = marker > 0 ? marker + 13 : 13;
  // The first 0x1C followed by record 2 or 8 starts the datasets; p is the
  // position of the record byte from then on.
  bool found = false;
  for (; p >= 1 && p < len; ++p)
    if (at(p) == 0x1C && (at(p + 1) == 2 || at(p + 1) == 8)) {
      found = true;
      ++p;
      break;
    }
  if (!found) return;

  while (p < len - 2) {
    const uint16_t record = at(p);
    const uint16_t dataset = at(p + 1);
    const int32_t size = (at(p + 2) << 8) | at(p + 3);
    const String value = Copy(b, p + 4, size);
    p += 4 + size + 1;  // past the value and the next dataset's 0x1C

    TTagEntry entry;
    if (record == 2 || record == 8) {
      const TIptcDatasetRow* row = FindIptcDataset(record, dataset);
      if (row && row->Dataset != 0) {
        entry = EntryFromRow(*row, value);
      } else {
        entry.Name = "Custom_" + IntToStr(static_cast<int32_t>(dataset));
        entry.Description = entry.Name;
        entry.Tag = dataset;
        entry.IptcRecord = record;
        entry.Text = value;
        entry.Size = 64;
      }
    }
    const TIptcDatasetRow* row = record == 2 || record == 8 ? FindIptcDataset(record, dataset) : nullptr;
    if (row && row->MultiValued)
      AddTagValue(entry.Name, entry.Text);
    else if (entry.Tag != 0)
      Entries.push_back(entry);
  }
}
