#include "platform/gui/backends/sdl_keymap.h"

#include "platform/gui/windows.h"

namespace {

struct TScanKey {
  SDL_Scancode Scan;
  uint32_t Vk;
  uint32_t Code;  // explicit set-1 scan code where the window system's default differs
};

constexpr uint32_t kVkOem102 = 0xE2;  // the extra key of ISO keyboards (<>|)

// Physical keys of the US layout.
constexpr TScanKey kScanKeys[] = {
    {SDL_SCANCODE_RETURN, VK_RETURN, 0},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x11C},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0},
    {SDL_SCANCODE_TAB, VK_TAB, 0},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0},
    {SDL_SCANCODE_NONUSBACKSLASH, kVkOem102, 0x56},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x137},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0},
    {SDL_SCANCODE_HOME, VK_HOME, 0},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0},
    {SDL_SCANCODE_END, VK_END, 0},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0},
    {SDL_SCANCODE_UP, VK_UP, 0},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x145},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0},
    {SDL_SCANCODE_KP_COMMA, VK_SEPARATOR, 0},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x15D},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x11D},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38},
    {SDL_SCANCODE_RALT, VK_MENU, 0x138},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x15B},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x15C},
};

// Keypad digits and the decimal point: with Num Lock on they type, with it
// off they are the navigation keys (not extended, as the keypad sends them).
struct TPadKey {
  SDL_Scancode Scan;
  uint32_t Digit;
  uint32_t Nav;
  uint32_t NavCode;
};
constexpr TPadKey kPadKeys[] = {
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_INSERT, 0x52},      {SDL_SCANCODE_KP_1, VK_NUMPAD1, VK_END, 0x4F},
    {SDL_SCANCODE_KP_2, VK_NUMPAD2, VK_DOWN, 0x50},        {SDL_SCANCODE_KP_3, VK_NUMPAD3, VK_NEXT, 0x51},
    {SDL_SCANCODE_KP_4, VK_NUMPAD4, VK_LEFT, 0x4B},        {SDL_SCANCODE_KP_5, VK_NUMPAD5, VK_CLEAR, 0x4C},
    {SDL_SCANCODE_KP_6, VK_NUMPAD6, VK_RIGHT, 0x4D},       {SDL_SCANCODE_KP_7, VK_NUMPAD7, VK_HOME, 0x47},
    {SDL_SCANCODE_KP_8, VK_NUMPAD8, VK_UP, 0x48},          {SDL_SCANCODE_KP_9, VK_NUMPAD9, VK_PRIOR, 0x49},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DELETE, 0x53},
};

}  // namespace

TSdlKey SdlKeyToVk(SDL_Keycode sym, SDL_Scancode scancode, uint16_t mod) {
  // AltGr (ISO level 3 shift) only selects characters, which come as text.
  if (sym == SDLK_MODE) return {};
  if (sym >= SDLK_a && sym <= SDLK_z) return {uint32_t(sym - SDLK_a) + 'A', 0};
  if (sym >= SDLK_0 && sym <= SDLK_9) return {uint32_t(sym - SDLK_0) + '0', 0};
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return {uint32_t(scancode - SDL_SCANCODE_A) + 'A', 0};
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return {uint32_t(scancode - SDL_SCANCODE_1) + '1', 0};
  if (scancode == SDL_SCANCODE_0) return {'0', 0};
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    return {VK_F1 + uint32_t(scancode - SDL_SCANCODE_F1), 0};
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
    return {VK_F12 + 1 + uint32_t(scancode - SDL_SCANCODE_F13), 0};
  for (const TPadKey& k : kPadKeys) {
    if (k.Scan != scancode) continue;
    if ((mod & KMOD_NUM) != 0) return {k.Digit, 0};
    return {k.Nav, k.NavCode};
  }
  for (const TScanKey& k : kScanKeys)
    if (k.Scan == scancode) return {k.Vk, k.Code};
  return {};
}

bool SdlTextSuppressed(uint16_t mod) {
  if ((mod & KMOD_CTRL) != 0 || (mod & KMOD_LALT) != 0) return true;
  // A right Alt that is not AltGr is a plain Alt.
  return (mod & KMOD_RALT) != 0 && (mod & KMOD_MODE) == 0;
}
