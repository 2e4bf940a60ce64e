// Which keys the desktop keeps for itself (see system_keys_sdl.h).
#include "platform/sdl/system_keys_sdl.h"

int isDesktopsOwnKey(const SDL_Keysym& key) {
  SDL_Scancode sc = key.scancode;
  // A key SDL knows only by its symbol (a layout's own keys) is judged by the symbol.
  if (sc == SDL_SCANCODE_UNKNOWN) sc = SDL_GetScancodeFromKey(key.sym);
  switch (sc) {
    case SDL_SCANCODE_LGUI:
    case SDL_SCANCODE_RGUI:
    case SDL_SCANCODE_APPLICATION:
    case SDL_SCANCODE_MENU:
    case SDL_SCANCODE_POWER:
    case SDL_SCANCODE_MUTE:
    case SDL_SCANCODE_VOLUMEUP:
    case SDL_SCANCODE_VOLUMEDOWN:
    // Katakana/Hiragana, Henkan and Muhenkan switch the input method; the other
    // "international" keys (Ro, Yen) type characters and stay ordinary keys.
    case SDL_SCANCODE_INTERNATIONAL2:
    case SDL_SCANCODE_INTERNATIONAL4:
    case SDL_SCANCODE_INTERNATIONAL5:
      return 1;
    default:
      break;
  }
  // Hangul, Hanja, Katakana, Hiragana, Zenkaku/Hankaku and their kin.
  if (sc >= SDL_SCANCODE_LANG1 && sc <= SDL_SCANCODE_LANG9) return 1;
  // Media keys, browser and launcher keys (Back, Forward, Home, Mail, Calculator ...),
  // brightness, display switch, keyboard light, eject and sleep.
  if (sc >= SDL_SCANCODE_AUDIONEXT && sc <= SDL_SCANCODE_AUDIOFASTFORWARD) return 1;
  return 0;
}
