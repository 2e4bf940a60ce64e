// The gamepad's mapping to keys, the same on every backend (the table is in the header).
#include "platform/shared/gamepad_keys.h"

#include "platform/window.h"

namespace {

enum { ENTRY_LEFT, ENTRY_RIGHT, ENTRY_UP, ENTRY_DOWN };

const uint32_t ENTRY_KEYS[GAMEPAD_KEY_COUNT] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z',
                                               'X',     'C',      'V',   VK_F1,   'D'};
const int ENTRY_START_HOLD = 9;  // D: sent only by a Start held long enough
const uint32_t KEY_F8 = VK_F8;

// A stick or trigger takes a key at 0.5 and lets it go below 0.35, so a thumb resting near
// the threshold does not send a stream of presses.
const float PRESS_AT = 0.5f;
const float RELEASE_BELOW = 0.35f;

bool past(float value, bool held) { return value >= (held ? RELEASE_BELOW : PRESS_AT); }

bool entryWanted(int entry, const GamepadState& pad, bool held) {
  const uint32_t b = pad.buttons;
  switch (entry) {
    case ENTRY_LEFT: return (b & PAD_DPAD_LEFT) || past(-pad.leftX, held);
    case ENTRY_RIGHT: return (b & PAD_DPAD_RIGHT) || past(pad.leftX, held);
    case ENTRY_UP: return (b & (PAD_A | PAD_DPAD_UP)) || past(pad.rightTrigger, held);
    case ENTRY_DOWN: return (b & (PAD_B | PAD_DPAD_DOWN)) || past(pad.leftTrigger, held);
    case 4: return (b & PAD_LEFT_SHOULDER) != 0;
    case 5: return (b & PAD_RIGHT_SHOULDER) != 0;
    case 6: return (b & PAD_Y) != 0;
    case 7: return (b & PAD_X) != 0;
    case 8: return (b & PAD_BACK) != 0;
    default: return false;
  }
}

// Windows' key-message lParam: a repeat count of 1; bit 30 (previous state down) for a
// repeat or a release, bit 31 for a release.
const intptr_t PARAM_DOWN = 1;
const intptr_t PARAM_REPEAT = 1 | KEY_REPEAT_BIT;
const intptr_t PARAM_UP = (intptr_t)(int32_t)(1u | (1u << 30) | (1u << 31));

bool reached(uint32_t now, uint32_t when) { return (int32_t)(now - when) >= 0; }

}  // namespace

void gamepadKeysReset(GamepadKeys* keys) {
  *keys = GamepadKeys{};
  keys->repeating = -1;
}

void gamepadKeysUpdate(GamepadKeys* keys, const GamepadState* state, uint32_t nowMs,
                       KeyRepeat repeat, GamepadKeySink sink, void* context) {
  for (int entry = 0; entry < ENTRY_START_HOLD; entry++) {
    const bool held = keys->held[entry] != 0;
    const bool wanted = entryWanted(entry, *state, held);
    if (wanted == held) continue;
    keys->held[entry] = wanted;
    if (wanted) {
      keys->pressedAt[entry] = nowMs;
      sink(context, WM_KEYDOWN, ENTRY_KEYS[entry], PARAM_DOWN);
      if (entry == ENTRY_LEFT || entry == ENTRY_RIGHT) {
        keys->repeating = entry;  // as on a keyboard, the newest direction is the one that repeats
        keys->nextRepeatAt = nowMs + repeat.delayMs;
      }
    } else {
      if (keys->repeating == entry) keys->repeating = -1;
      sink(context, WM_KEYUP, ENTRY_KEYS[entry], PARAM_UP);
    }
  }

  if (keys->repeating >= 0 && reached(nowMs, keys->nextRepeatAt)) {
    sink(context, WM_KEYDOWN, ENTRY_KEYS[keys->repeating], PARAM_REPEAT);
    const uint32_t interval = repeat.intervalMs ? repeat.intervalMs : 1;
    keys->nextRepeatAt += interval;
    // A poll that came late sends one repeat, not a burst of the ones it missed.
    if (reached(nowMs, keys->nextRepeatAt)) keys->nextRepeatAt = nowMs + interval;
  }

  const bool startHeld = (state->buttons & PAD_START) != 0;
  if (startHeld && !keys->startDown) {
    keys->startDown = 1;
    keys->startSentD = 0;
    keys->startPressedAt = nowMs;
  }
  if (keys->startDown && startHeld && !keys->startSentD &&
      reached(nowMs, keys->startPressedAt + GAMEPAD_START_HOLD_MS)) {
    keys->startSentD = 1;
    keys->held[ENTRY_START_HOLD] = 1;
    sink(context, WM_KEYDOWN, ENTRY_KEYS[ENTRY_START_HOLD], PARAM_DOWN);
  }
  if (!startHeld && keys->startDown) {
    keys->startDown = 0;
    if (keys->startSentD) {
      keys->held[ENTRY_START_HOLD] = 0;
      sink(context, WM_KEYUP, ENTRY_KEYS[ENTRY_START_HOLD], PARAM_UP);
    } else {
      sink(context, WM_KEYDOWN, KEY_F8, PARAM_DOWN);
      sink(context, WM_KEYUP, KEY_F8, PARAM_UP);
    }
    keys->startSentD = 0;
  }
}

void gamepadKeysRelease(GamepadKeys* keys, GamepadKeySink sink, void* context) {
  for (int entry = 0; entry < GAMEPAD_KEY_COUNT; entry++) {
    if (keys->held[entry]) sink(context, WM_KEYUP, ENTRY_KEYS[entry], PARAM_UP);
  }
  gamepadKeysReset(keys);
}
