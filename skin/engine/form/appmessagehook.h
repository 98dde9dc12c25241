// Application.OnMessage taken over while a skinned menu or the menu bar's
// keyboard mode runs. Several takers can overlap (a form's menus, an MDI
// child's, an images menu) and need not end in the order they began, so the
// takers form a stack: the newest handler sees every message, the ones below
// and the application's own handler see none, and removing an entry takes
// out exactly that entry wherever it is. When the last entry goes, the
// application's own handler is back.
#pragma once

#include <cstdint>

#include "platform/vcl/forms.h"

// Installs Hook on top; answers an id (never 0) for RemoveAppMessageHook.
int32_t PushAppMessageHook(TMessageEvent Hook);
// Removes the entry Id (nothing for an unknown id or 0).
void RemoveAppMessageHook(int32_t Id);
// The number of entries installed.
int32_t AppMessageHookCount();
