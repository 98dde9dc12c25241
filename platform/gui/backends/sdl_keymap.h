// SDL keyboard events as the window system's virtual keys.
//
// Letters and digits follow the key code, so shortcuts such as Ctrl+C follow
// the user's layout; every other key follows its physical position (the scan
// code) on the US layout.
#pragma once

#include <SDL_keyboard.h>

#include <cstdint>

struct TSdlKey {
  uint32_t Vk = 0;    // 0: a key the window system does not know
  uint32_t Scan = 0;  // set-1 scan code (0x100 marks an extended key); 0: derive it from Vk
};

TSdlKey SdlKeyToVk(SDL_Keycode sym, SDL_Scancode scancode, uint16_t mod);

// Text typed while Ctrl or Alt is held (not AltGr) is left to the key
// messages, which make the control characters and WM_SYSCHAR.
bool SdlTextSuppressed(uint16_t mod);
