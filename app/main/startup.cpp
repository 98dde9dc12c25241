#include "app/main/startup.h"

#include <cstring>

#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"

bool IsUninstallSwitch(int Argc, const char* const* Argv) {
  return Argc > 1 && Argv[1] != nullptr && std::strcmp(Argv[1], "-Unstall") == 0;
}

void RunUninstallSwitch() {
  Guarded([] { UninstallCleanup(); });
}
