// A gamepad read as the keyboard: each backend polls its pads and hands their state here,
// which turns it into the key messages the game already reads, so the game plays the same
// with either. One mapping for every backend:
//   D-pad left / right, left stick        Left / Right arrow (held: repeats as a held key)
//   A, D-pad up, right trigger            Up arrow (speed up)
//   B, D-pad down, left trigger           Down arrow (slow down)
//   left / right shoulder, Y              Z / X / C (look left / right / back)
//   X                                     V (next camera)
//   Back (View, Select)                   F1 (help while held)
//   Start, pressed and let go             F8: starts play at the title, nothing in play
//   Start, held for a second              D: the attract mode at the title; in play it ends
//                                         the game, so no single press can end it by accident
#pragma once
#include <stdint.h>

enum GamepadButton {
  PAD_A = 1 << 0,
  PAD_B = 1 << 1,
  PAD_X = 1 << 2,
  PAD_Y = 1 << 3,
  PAD_LEFT_SHOULDER = 1 << 4,
  PAD_RIGHT_SHOULDER = 1 << 5,
  PAD_BACK = 1 << 6,
  PAD_START = 1 << 7,
  PAD_DPAD_UP = 1 << 8,
  PAD_DPAD_DOWN = 1 << 9,
  PAD_DPAD_LEFT = 1 << 10,
  PAD_DPAD_RIGHT = 1 << 11,
};

// One pad as it is now: the buttons held, the left stick (-1 to 1, right and down positive)
// and the triggers (0 to 1).
struct GamepadState {
  uint32_t buttons;
  float leftX, leftY;
  float leftTrigger, rightTrigger;
};

// The held-key repeat of the desktop's keyboard, which a held direction follows.
struct KeyRepeat {
  uint32_t delayMs;     // from the press to the first repeat
  uint32_t intervalMs;  // between repeats
};

enum { GAMEPAD_KEY_COUNT = 10, GAMEPAD_START_HOLD_MS = 1000 };

// What one pad holds down, kept between polls. Zero it (or call gamepadKeysReset) for a pad
// that has just come.
struct GamepadKeys {
  uint8_t held[GAMEPAD_KEY_COUNT];  // the key of each mapping entry is down
  uint32_t pressedAt[GAMEPAD_KEY_COUNT];
  uint32_t nextRepeatAt;            // of the direction that repeats
  int repeating;                    // entry index of that direction, or -1
  uint8_t startDown;                // Start is held ...
  uint8_t startSentD;               // ... and has been held long enough to send D
  uint32_t startPressedAt;
};

// Where the keys go: the backend posts each as a message to the game's window. lParam
// carries the repeat bit for repeats, and bits 30 and 31 for a release, as Windows does.
typedef void (*GamepadKeySink)(void* context, uint32_t message, uintptr_t key, intptr_t lParam);

void gamepadKeysReset(GamepadKeys* keys);

// Compares the pad's state with what it held at the last poll and sends a WM_KEYDOWN or
// WM_KEYUP for each key that changed, plus the repeats that are due. `nowMs` is any
// millisecond clock that only moves forward (wrap-around is handled).
void gamepadKeysUpdate(GamepadKeys* keys, const GamepadState* state, uint32_t nowMs,
                       KeyRepeat repeat, GamepadKeySink sink, void* context);

// A pad that goes away, or a window that loses focus, lets go of every key it holds.
// A Start press not yet long enough for D is dropped, not sent as F8.
void gamepadKeysRelease(GamepadKeys* keys, GamepadKeySink sink, void* context);
