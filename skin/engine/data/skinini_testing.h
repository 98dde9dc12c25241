// Ini files made from text for the skin data tests.
#pragma once

#include <memory>

#include "platform/rtl/inifiles.h"

inline std::unique_ptr<TMemIniFile> IniFromText(const String& Text) {
  auto ini = std::make_unique<TMemIniFile>("");
  ini->SetText(Text);
  return ini;
}
