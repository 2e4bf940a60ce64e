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
      if (key >= VK_BROWSER_BACK && key <= VK_LAUNCH_APP2) return true;
      // F13 to F24: no keyboard has them for typing; the system's own keys come as them
      // (the Copilot key is Shift+Windows+F23).
      if (key >= VK_F13 && key <= VK_F24) return true;
      // The Japanese 106/109 keyboard's Eisu, Katakana/Hiragana and Hankaku/Zenkaku keys
      // in a window without an input method: VK_DBE_ALPHANUMERIC to VK_DBE_NOROMAN.
      return key >= 0xF0 && key <= 0xF6;
  }
}

// Windows' shortcuts are the Windows key with other keys (Win+Shift+S, Win+Ctrl+arrows),
// and the keys after the Windows key still come to the window. The thread's key state is
// the keyboard's as of the message being handled. (Wine's desktop has no such shortcuts:
// the tests set the key state as the keyboard would.)
bool windowsKeyHeld() {
  return ((GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) & 0x8000) != 0;
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
  if (!isKeyMessage(message)) return false;
  if (isSystemKey(key) || isAltEnter(message, key, lParam)) return true;
  // With a Windows key held every key is the system's, but for the release of a key the
  // game holds: it would otherwise stay held.
  const bool heldByGame = key < sizeof held && held[key];
  return windowsKeyHeld() && !(message == WM_KEYUP && heldByGame);
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
