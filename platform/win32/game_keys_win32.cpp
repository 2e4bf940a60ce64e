// The keys the game never gets, and the keys it holds down (see game_keys_win32.h).
#include "platform/win32/game_keys_win32.h"

#include <string.h>

namespace {

bool held[256];

bool isSystemKey(WPARAM key) {
  switch (key) {
    case VK_LWIN: case VK_RWIN: case VK_APPS:
    // Input methods: their toggles, and the keys an input method turns a key into.
    case VK_KANA: case VK_JUNJA: case VK_FINAL: case VK_KANJI:
    case VK_CONVERT: case VK_NONCONVERT: case VK_ACCEPT: case VK_MODECHANGE:
    case VK_PROCESSKEY: case VK_IME_ON: case VK_IME_OFF:
      return true;
    default:
      // Browser back to launch-application-2 (0xA6-0xB7): browser, volume, media and
      // launch keys, in one run of codes.
      return key >= VK_BROWSER_BACK && key <= VK_LAUNCH_APP2;
  }
}

bool isKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

bool isAltEnter(UINT message, WPARAM key, LPARAM lParam) {
  return (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) && key == VK_RETURN &&
         (lParam & (1 << 29));
}

}  // namespace

bool keyBelongsToSystem(UINT message, WPARAM key, LPARAM lParam) {
  return isKeyMessage(message) && (isSystemKey(key) || isAltEnter(message, key, lParam));
}

bool isAltEnterPress(UINT message, WPARAM key, LPARAM lParam) {
  return message == WM_SYSKEYDOWN && isAltEnter(message, key, lParam) && !(lParam & (1 << 30));
}

void noteGameKey(UINT message, WPARAM key) {
  if (key >= sizeof held) return;
  if (message == WM_KEYDOWN) held[key] = true;
  if (message == WM_KEYUP) held[key] = false;
}

void releaseGameKeys(HWND window) {
  // A release as Windows sends one: a repeat count of 1, bits 30 and 31 set.
  const LPARAM up = (LPARAM)(LONG)0xC0000001u;
  for (WPARAM key = 0; key < sizeof held; key++) {
    if (!held[key]) continue;
    held[key] = false;
    SendMessageA(window, WM_KEYUP, key, up);
  }
}
