// The JPEG 2000 reader (JP2 files and code streams), as a Preview read and in
// full.
#include "fuzz/fuzz_reader.h"
#include "imaging/io/codecs/jpeg2000/iej2k.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IEFuzzReadProc(IEDecodeJ2000, data, size);
  return 0;
}
