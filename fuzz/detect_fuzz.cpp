// Content detection over arbitrary bytes, examined from a position taken
// from the input: the first two bytes (little-endian) give the position,
// modulo the data's size + 2 so that the end and one past it occur; the
// rest is the stream. Detection never raises, always puts the position
// back, answers only codes the chain can give, and answers the same twice.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/io/core/iedetect.h"
#include "platform/rtl/streams.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::vector<uint8_t> bytes(data + 2, data + size);  // exact size, for ASan
  const int64_t pos = int64_t(data[0] | (data[1] << 8)) % (int64_t(bytes.size()) + 2);
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.empty() ? nullptr : bytes.data(), int64_t(bytes.size()));
  stream.SetPosition(pos);

  TIEFormatCode first = fcNone;
  try {
    first = IEDetectStreamFormat(&stream);
    Check(stream.Position() == pos);
    Check(IEDetectStreamFormat(&stream) == first);
    Check(stream.Position() == pos);
    IETestAVI(&stream);
    Check(stream.Position() == pos);
  } catch (...) {
    Check(false);
  }
  // WBMP, PostScript and PDF have no content test, and the camera RAW test
  // answers false; no rows are registered here.
  Check(first >= fcNone && first <= fcDCX && first != fcWBMP && first != fcPS && first != fcPDF);
  return 0;
}
