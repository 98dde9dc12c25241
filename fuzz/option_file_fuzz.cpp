// Fuzz target for option files: arbitrary bytes are read as an advanced-options
// file, into a new object and into a live one (as the preview snapshot is read
// back); whatever is accepted must write and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/settings/commonclass.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

String Bytes(TComponent* C) {
  TStringStream s;
  WriteComponent(&s, C);
  return s.DataString();
}

// The option file as a new TOptionsInfo; nil when it is refused or of
// another class.
std::unique_ptr<TOptionsInfo> ReadOptionFile(const String& Bytes) {
  try {
    TStringStream file(Bytes);
    std::unique_ptr<TComponent> read(ReadComponent(&file));
    if (dynamic_cast<TOptionsInfo*>(read.get()) == nullptr) return nullptr;
    return std::unique_ptr<TOptionsInfo>(static_cast<TOptionsInfo*>(read.release()));
  } catch (const Exception&) {
    return nullptr;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterConvertSettingsClasses(), true);
  (void)registered;
  const String input(reinterpret_cast<const char*>(data), size);

  std::unique_ptr<TOptionsInfo> options = ReadOptionFile(input);
  if (options) {
    const String written = Bytes(options.get());
    std::unique_ptr<TOptionsInfo> copy = ReadOptionFile(written);
    Check(copy != nullptr);
    // Empty texts and a zero gamma are left out and come back as defaults,
    // so one more trip settles the bytes.
    const String settled = Bytes(copy.get());
    std::unique_ptr<TOptionsInfo> copy2 = ReadOptionFile(settled);
    Check(copy2 != nullptr && Bytes(copy2.get()) == settled);
  }

  TOptionsInfo live;
  try {
    TStringStream file(input);
    ReadComponent(&file, &live);
  } catch (const Exception&) {
  }
  return 0;
}
