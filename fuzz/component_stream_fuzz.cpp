// Fuzz target for the binary component stream: arbitrary bytes are read as a
// component of the test classes and converted to the text form. Whatever
// reads must write and read back stably, and whatever converts to text must
// convert back to the same text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/rtl/objtext.h"
#include "platform/rtl/streaming_testing.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

String Write(TComponent* c) {
  TStringStream s;
  WriteComponent(&s, c);
  return s.DataString();
}

// A currency property is a double: counts of 1/10000 beyond 2^49 do not
// survive the trip through it unchanged.
bool HoldsHugeCurrency(TComponent* c) {
  if (auto* o = dynamic_cast<TStreamTestObject*>(c); o != nullptr && std::fabs(o->Price) >= 5e10) return true;
  for (int32_t i = 0; i < c->ComponentCount(); ++i)
    if (HoldsHugeCurrency(c->Components(i))) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterStreamingTestClasses(), true);
  (void)registered;
  const String input(reinterpret_cast<const char*>(data), size);

  std::unique_ptr<TComponent> object;
  try {
    TStringStream in(input);
    object.reset(ReadComponent(&in));
  } catch (const Exception&) {
  }
  if (object) {
    String written;
    try {
      written = Write(object.get());
    } catch (const EWriteError&) {  // e.g. a currency value beyond the stream's range
    }
    if (!written.empty() && !HoldsHugeCurrency(object.get())) {
      // What is not stored (empty strings, zero floats, default values) comes
      // back as the constructor's value, so one more trip settles the bytes.
      TStringStream again(written);
      std::unique_ptr<TComponent> copy(ReadComponent(&again));
      const String settled = Write(copy.get());
      TStringStream third(settled);
      std::unique_ptr<TComponent> copy2(ReadComponent(&third));
      Check(Write(copy2.get()) == settled);
    }
  }

  String text;
  try {
    TStringStream in(input);
    TStringStream out;
    ObjectBinaryToText(&in, &out);
    text = out.DataString();
  } catch (const EReadError&) {
    return 0;
  }
  TStringStream textIn(text);
  TStringStream binary;
  ObjectTextToBinary(&textIn, &binary);
  binary.SetPosition(0);
  TStringStream textOut;
  ObjectBinaryToText(&binary, &textOut);
  Check(textOut.DataString() == text);
  return 0;
}
