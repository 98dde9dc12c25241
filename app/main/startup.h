// The steps of the program block that run before any window: the clean-up
// switch and the no-display rule.
#pragma once

#include "platform/rtl/types.h"

// "-Unstall", exactly, as the first argument.
bool IsUninstallSwitch(int Argc, const char* const* Argv);
// Deletes the plain files of the per-user settings folder; never raises.
void RunUninstallSwitch();

inline constexpr const char* kNoDisplayMessage =
    "pictoval: no display found (DISPLAY and WAYLAND_DISPLAY are not set); set PICTOVAL_BACKEND=headless to run "
    "without one";
