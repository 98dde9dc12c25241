// The IPTC list of the file-level metadata reader: one TTagEntry per IPTC
// dataset of a JPEG file's Photoshop APP13 block, found, set, extended and
// removed by name.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/io/metadata/exiftags.h"
#include "platform/rtl/types.h"

class TimgData;

// One row of the dataset table.
struct TIptcDatasetRow {
  uint16_t Record;
  uint16_t Dataset;
  const char* Name;
  const char* Description;
  int32_t MaxLength;
  bool MultiValued;  // repeated occurrences are joined into one entry
};

int32_t IptcDatasetRowCount();  // 49
const TIptcDatasetRow& IptcDatasetRow(int32_t Index);
// The row of Name (case ignored), or nullptr.
const TIptcDatasetRow* FindIptcDatasetByName(const String& Name);
// The row of Record:Dataset, or nullptr.
const TIptcDatasetRow* FindIptcDataset(uint16_t Record, uint16_t Dataset);

class TIPTCdata {
 public:
  explicit TIPTCdata(TimgData* AParent);
  virtual ~TIPTCdata() = default;
  TIPTCdata(const TIPTCdata&) = delete;
  TIPTCdata& operator=(const TIPTCdata&) = delete;

  // Index of the first entry named Name (case ignored), or -1.
  virtual int32_t IndexOfName(const String& Name) const;
  virtual void RemoveTag(const String& Name);
  // An existing entry takes a non-empty Value; a dataset of the table is
  // appended; any other name gives -1.
  virtual int32_t SetTag(const String& Name, const String& Value);
  // Appends Value to an existing entry's text, separated by ",".
  virtual int32_t AddTagValue(const String& Name, const String& Value);
  // Multi-valued datasets through AddTagValue, others through SetTag.
  virtual int32_t SetTagByName(const String& Name, const String& Value);
  virtual String GetTagText(const String& Name, const String& Default) const;
  // Reads the file through the parent and parses its APP13 segment; true
  // when at least one dataset was found.
  virtual bool ReadFile(const String& FileName);

  int32_t TagCount() const { return static_cast<int32_t>(Entries.size()); }
  void SetTagCount(int32_t Value);
  TTagEntry GetTag(int32_t Index) const;
  void ParseIPTC(const String& Block);
  void Clear();
  bool HasData() const { return !Entries.empty(); }

  std::vector<TTagEntry> Entries;
  TimgData* Parent;  // not owned

 private:
  String FBuffer;  // the block being parsed
};
