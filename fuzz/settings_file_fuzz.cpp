// Fuzz target for the settings file: arbitrary bytes are read as the settings
// stream (defaults when they are refused), the convert settings are built from
// its three nested texts, and what the program would store at close must read
// back to the same objects.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/settings/guarded.h"
#include "app/settings/settingsstore.h"
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

// The settings as stored at close, read back.
std::unique_ptr<TProgramSettings> StoreAndReread(TProgramSettings& Program, TPictovalSettings& Settings) {
  StoreSettingsTexts(Program, Settings);
  TStringStream file(Bytes(&Program));
  return ReadProgramSettings(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (SetGuardedHook([](const String&, const String&) {}), true);
  (void)quiet;
  TStringStream file(String(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<TProgramSettings> program = ReadProgramSettings(file);
  if (!program) program = std::make_unique<TProgramSettings>();
  TLoadedConvertSettings loaded = LoadConvertSettings(*program);
  Check(loaded.Settings && loaded.Settings->IOPara && loaded.Settings->AdvancedOptions);
  Check(!loaded.Settings->SaveInSameFolder && loaded.Settings->AskBeforeOverwrite);

  std::unique_ptr<TProgramSettings> again = StoreAndReread(*program, *loaded.Settings);
  Check(again != nullptr);
  TLoadedConvertSettings reloaded = LoadConvertSettings(*again);
  Check(Bytes(reloaded.Settings.get()) == Bytes(loaded.Settings.get()));
  Check(Bytes(reloaded.Settings->IOPara.get()) == Bytes(loaded.Settings->IOPara.get()));
  Check(Bytes(reloaded.Settings->AdvancedOptions.get()) == Bytes(loaded.Settings->AdvancedOptions.get()));
  return 0;
}
