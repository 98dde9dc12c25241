// The key files of the freedesktop conventions (.desktop, .trashinfo):
// "[Group]" headers, "Key=Value" lines, "#" comments. Values lose the blanks
// around "=" and have \s \n \t \r \\ unescaped; localized keys ("Name[de]")
// are skipped. Input beyond 64 KiB is refused.
#pragma once

#include <cstddef>
#include <map>
#include <utility>

#include "platform/rtl/types.h"

inline constexpr size_t KeyFileMaxSize = 64 * 1024;

class TKeyFile {
 public:
  // False (and nothing kept) for data over KeyFileMaxSize or a key line
  // before the first group.
  bool Parse(const char* data, size_t size);
  bool LoadFromFile(const String& path);

  bool HasGroup(const String& group) const;
  bool HasKey(const String& group, const String& key) const;
  // The first value of the key in the group (later duplicates are ignored);
  // Default when absent.
  String Value(const String& group, const String& key, const String& Default = String()) const;

 private:
  std::map<std::pair<String, String>, String> FValues;
  std::map<String, bool> FGroups;
};

// Percent-decoding of URI text ("%41" -> "A"); a "%" not followed by two hex
// digits stays as it is.
String PercentDecode(const String& s);
