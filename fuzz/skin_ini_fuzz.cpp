// Fuzz target for the skin ini readers: arbitrary text is loaded as an ini
// and read as a skin's FORMINFO, POPUPWINDOW, HINTWINDOW and SKINCOLORS and
// its SKINOBJECTS and SKINCONTROLS lists. A malformed value raises
// EConvertError, which ends a skin load; anything else is a fault.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/inifiles.h"
#include "skin/engine/data/skincontroldata.h"
#include "skin/engine/data/skinobjects.h"

namespace {

template <class F>
void Read(F Reader) {
  try {
    Reader();
  } catch (const EConvertError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemIniFile ini("");
  ini.SetText(String(reinterpret_cast<const char*>(data), size));

  TbsSkinFormInfo formInfo;
  Read([&] { formInfo.LoadFromIni(&ini, true); });
  Read([&] { formInfo.LoadFromIni(&ini, false); });
  TbsDataSkinPopupWindow popup;
  Read([&] { popup.LoadFromIni(&ini); });
  TbsDataSkinHintWindow hint;
  Read([&] { hint.LoadFromIni(&ini); });
  TbsSkinColors colors;
  Read([&] { colors.LoadFromIni(&ini); });
  TbsSkinObjectList objects;
  Read([&] { LoadSkinObjects(&ini, objects); });
  TbsSkinControlList controls;
  Read([&] { LoadSkinControls(&ini, controls); });
  return 0;
}
