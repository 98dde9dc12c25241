#include "imaging/model/processing/iemodelinit.h"

#include <mutex>

#include "imaging/model/pixels/iepixelblock.h"
#include "imaging/model/processing/iecolordepth.h"

void IEInitImageModel() {
  static std::once_flag once;
  std::call_once(once, [] {
    IEKeepLargeHeapBlocks();
    IEInstallColorDepthHooks();
  });
}
