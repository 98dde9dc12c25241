#include "platform/gui/backends/sdl_keymap.h"

#include <gtest/gtest.h>

#include "platform/gui/windows.h"

namespace {

struct TKeyCase {
  SDL_Keycode Sym;
  SDL_Scancode Scan;
  uint16_t Mod;
  uint32_t Vk;
  uint32_t Code;
};

TEST(Sdl2KeyMap, KeysAsVirtualKeys) {
  const TKeyCase cases[] = {
      // Letters and digits by key code: a French layout's A key types 'q'.
      {SDLK_q, SDL_SCANCODE_A, 0, 'Q', 0},
      {SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL, 'C', 0},
      {SDLK_1, SDL_SCANCODE_1, 0, '1', 0},
      {SDLK_0, SDL_SCANCODE_0, 0, '0', 0},
      // A digit key that types no digit falls back to its position.
      {SDLK_AMPERSAND, SDL_SCANCODE_1, 0, '1', 0},
      {SDLK_UNKNOWN, SDL_SCANCODE_Z, 0, 'Z', 0},
      {SDLK_F1, SDL_SCANCODE_F1, 0, VK_F1, 0},
      {SDLK_F12, SDL_SCANCODE_F12, 0, VK_F12, 0},
      {SDLK_F13, SDL_SCANCODE_F13, 0, 0x7C, 0},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, 0, VK_LEFT, 0},
      {SDLK_UP, SDL_SCANCODE_UP, 0, VK_UP, 0},
      {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0, VK_RIGHT, 0},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0, VK_DOWN, 0},
      {SDLK_HOME, SDL_SCANCODE_HOME, 0, VK_HOME, 0},
      {SDLK_END, SDL_SCANCODE_END, 0, VK_END, 0},
      {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, 0, VK_PRIOR, 0},
      {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, 0, VK_NEXT, 0},
      {SDLK_INSERT, SDL_SCANCODE_INSERT, 0, VK_INSERT, 0},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, 0, VK_DELETE, 0},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0, 8, 0},
      {SDLK_TAB, SDL_SCANCODE_TAB, 0, 9, 0},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, 0, 13, 0},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0, 13, 0x11C},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0, 27, 0},
      {SDLK_SPACE, SDL_SCANCODE_SPACE, 0, 32, 0},
      {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0, 16, 0x2A},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0, 16, 0x36},
      {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0, 17, 0x1D},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0, 17, 0x11D},
      {SDLK_LALT, SDL_SCANCODE_LALT, 0, 18, 0x38},
      {SDLK_RALT, SDL_SCANCODE_RALT, 0, 18, 0x138},
      {SDLK_APPLICATION, SDL_SCANCODE_APPLICATION, 0, 93, 0x15D},
      // The keypad: digits with Num Lock, navigation without it.
      {SDLK_KP_0, SDL_SCANCODE_KP_0, KMOD_NUM, 96, 0},
      {SDLK_KP_9, SDL_SCANCODE_KP_9, KMOD_NUM, 105, 0},
      {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM, 110, 0},
      {SDLK_KP_7, SDL_SCANCODE_KP_7, 0, VK_HOME, 0x47},
      {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 0, VK_DELETE, 0x53},
      {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 0, 106, 0},
      {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 0, 107, 0},
      {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 0, 109, 0},
      {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0, 111, 0},
      // Punctuation by position on the US layout.
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0, 186, 0},
      {SDLK_EQUALS, SDL_SCANCODE_EQUALS, 0, 187, 0},
      {SDLK_COMMA, SDL_SCANCODE_COMMA, 0, 188, 0},
      {SDLK_MINUS, SDL_SCANCODE_MINUS, 0, 189, 0},
      {SDLK_PERIOD, SDL_SCANCODE_PERIOD, 0, 190, 0},
      {SDLK_SLASH, SDL_SCANCODE_SLASH, 0, 191, 0},
      {SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, 0, 192, 0},
      {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0, 219, 0},
      {SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, 0, 220, 0},
      {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 0, 221, 0},
      {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0, 222, 0},
      // A German layout's semicolon key types 'ö': still VK_OEM_1.
      {0xF6, SDL_SCANCODE_SEMICOLON, 0, 186, 0},
      // AltGr only selects characters; keys nobody maps are dropped.
      {SDLK_MODE, SDL_SCANCODE_RALT, 0, 0, 0},
      {SDLK_MUTE, SDL_SCANCODE_MUTE, 0, 0, 0},
  };
  for (const TKeyCase& c : cases) {
    const TSdlKey k = SdlKeyToVk(c.Sym, c.Scan, c.Mod);
    EXPECT_EQ(k.Vk, c.Vk) << "sym " << c.Sym << " scancode " << int(c.Scan);
    EXPECT_EQ(k.Scan, c.Code) << "sym " << c.Sym << " scancode " << int(c.Scan);
  }
}

TEST(Sdl2KeyMap, TextLeftToKeysWithCtrlOrAltButNotAltGr) {
  const struct {
    uint16_t Mod;
    bool Suppressed;
  } cases[] = {
      {KMOD_NONE, false},
      {KMOD_LSHIFT, false},
      {KMOD_CAPS | KMOD_NUM, false},
      {KMOD_LCTRL, true},
      {KMOD_RCTRL | KMOD_SHIFT, true},
      {KMOD_LALT, true},
      {KMOD_RALT, true},   // a right Alt on a layout without AltGr
      {KMOD_MODE, false},  // AltGr
      {KMOD_RALT | KMOD_MODE, false},
      {KMOD_MODE | KMOD_LCTRL, true},
  };
  for (const auto& c : cases) EXPECT_EQ(SdlTextSuppressed(c.Mod), c.Suppressed) << "mod " << c.Mod;
}

}  // namespace
