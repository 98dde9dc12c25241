// The WBMP reader, as a Preview read and in full.
#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/pnm/iepxm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(IEDecodeWBMP, data, size);
  return 0;
}
