// Fuzz target for the ini reader: arbitrary text is loaded, every section and
// key is read through every typed reader, and the text the file would be
// written with loads back to itself.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/stringlist.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemIniFile ini("");
  ini.SetText(String(reinterpret_cast<const char*>(data), size));

  TStringList sections;
  TStringList keys;
  TStringList values;
  ini.ReadSections(&sections);
  for (int32_t i = 0; i < sections.Count(); ++i) {
    const String section = sections.Strings(i);
    Check(ini.SectionExists(section));
    ini.ReadSection(section, &keys);
    ini.ReadSectionValues(section, &values);
    Check(values.Count() >= keys.Count());
    for (int32_t k = 0; k < keys.Count(); ++k) {
      const String key = keys.Strings(k);
      Check(ini.ValueExists(section, key));
      Check(ini.ReadString(section, key, "\x01") != "\x01" || ini.ReadString(section, key, "\x02") == "\x01");
      ini.ReadInteger(section, key, 0);
      ini.ReadBool(section, key, false);
      ini.ReadFloat(section, key, 0);
      ini.ReadDateTime(section, key, 0);
    }
  }

  const String text = ini.GetText();
  TMemIniFile again("");
  again.SetText(text);
  Check(again.GetText() == text);
  return 0;
}
