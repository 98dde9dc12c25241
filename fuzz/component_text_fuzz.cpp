// Fuzz target for the text form of component streams: arbitrary text is
// converted to the binary form, which must convert back to text and to the
// same binary again, and is then read as a component of the test classes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/rtl/objtext.h"
#include "platform/rtl/streaming_testing.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterStreamingTestClasses(), true);
  (void)registered;
  TStringStream text(String(reinterpret_cast<const char*>(data), size));
  TStringStream binary;
  try {
    ObjectTextToBinary(&text, &binary);
  } catch (const EParserError&) {
    return 0;
  }
  // Text made from the binary form reads back to the same binary.
  binary.SetPosition(0);
  TStringStream canonical;
  ObjectBinaryToText(&binary, &canonical);
  canonical.SetPosition(0);
  TStringStream binary2;
  ObjectTextToBinary(&canonical, &binary2);
  Check(binary2.DataString() == binary.DataString());

  try {
    binary.SetPosition(0);
    std::unique_ptr<TComponent> object(ReadComponent(&binary));
  } catch (const Exception&) {
  }
  return 0;
}
