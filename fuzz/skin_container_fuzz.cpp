// Fuzz target for stored skins. The first byte picks the mode: 0 feeds the
// rest as the inflated layout through the staged reader (pictures, then the
// ini text into every description); anything else feeds it as a container's
// "CompressedData". The errors a load may raise end it; anything else is a
// fault.
#include <cstddef>
#include <cstdint>

#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/data/skinzlib.h"
#include "skin/engine/data/storedskin.h"

namespace {

void ReadLayout(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream stream;
  stream.SetPointer(Data, static_cast<int64_t>(Size));
  TbsSkinLayout layout;
  if (!ReadSkinLayout(&stream, layout)) return;
  TbsSkinContents contents;
  ReadSkinContents(layout.IniText, contents);
}

void ReadContainer(const uint8_t* Data, size_t Size) {
  TbsCompressedStoredSkin skin(nullptr);
  skin.PackedData()->WriteBuffer(Data, static_cast<int64_t>(Size));
  TbsStagedSkin staged;
  StageSkin(&skin, staged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  try {
    if (data[0] == 0) {
      ReadLayout(data + 1, size - 1);
    } else {
      ReadContainer(data + 1, size - 1);
    }
  } catch (const EConvertError&) {
  } catch (const EZlibError&) {
  } catch (const EStreamError&) {
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
